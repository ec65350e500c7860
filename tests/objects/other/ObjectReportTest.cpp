// The Excel report writers of tables, views and materialized views, called
// as the object list's report command calls them (through the dispatcher),
// against the test server; the written workbook is read back.
#include "shell/ShellTestSupport.h"
#include "objects/table/TableWindowTestSupport.h"
#include "support/XlsxBook.h"

#include "objects/other/OtherWindows.h"
#include "objects/other/TableReport.h"
#include "objects/other/ViewReport.h"
#include "objects/other/frmMView.h"
#include "objects/other/frmView.h"
#include "objects/table/frmTable.h"
#include "platform/Errors.h"
#include "platform/settings/Folders.h"
#include "shell/ObjectDispatcher.h"
#include "sql/RepData.h"
#include "sql/XlsDefinition.h"

#include <QDir>
#include <QFile>
#include <QMenu>

using namespace tvtest;

namespace {

TReportDefinition TableDefinition()
{
    TReportDefinition d;
    d.Type = QStringLiteral("TABLE");
    d.BodyTop = 5;
    d.BodyCount = 1;
    d.Header = {{QStringLiteral("TABLENAME"), 1, 1}};
    d.Body = {{QStringLiteral("COLUMNNAME"), 1, 1}};
    d.Body2 = {{QStringLiteral("CONSTNAME"), 1, 2}};
    return d;
}

class ObjectReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("xlsrep");
        if (!db->available())
            return;
        db->exec("CREATE SCHEMA s1;"
                 "CREATE TABLE s1.t (id int PRIMARY KEY, code text UNIQUE, note text);"
                 "CREATE INDEX t_a ON s1.t (note); CREATE INDEX t_b ON s1.t (code, note);"
                 "COMMENT ON COLUMN s1.t.note IS '=SUM(1)';"
                 "CREATE VIEW s1.v AS SELECT id, note FROM s1.t;"
                 "CREATE MATERIALIZED VIEW s1.m AS SELECT id FROM s1.t;");
        RegisterReportItems();
        RegisterOtherWindows();
        TfrmObject::RegisterLaunchers();
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form();
        out = s.scratch.path() + QStringLiteral("/out/");
    }
    void TearDown() override
    {
        if (db && db->available())
            db->exec("DROP SCHEMA s1 CASCADE");
    }
    void Define(const QString &name, const TReportDefinition &def)
    {
        xlsdef::WriteDefinition(tv::settings::DataDir() + QStringLiteral("xlsdef/") + name + QStringLiteral(".def"),
                                def);
    }
    void DefineRaw(const QString &name, const QByteArray &text)
    {
        QDir().mkpath(tv::settings::DataDir() + QStringLiteral("xlsdef"));
        QFile f(tv::settings::DataDir() + QStringLiteral("xlsdef/") + name + QStringLiteral(".def"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    // Runs the file writer of a code; the error text, empty after the
    // writer's normal end (the silent abort).
    QString RunFile(int code, const QString &rep, const QString &name)
    {
        TReportFileProc proc = TObjectDispatcher::ReportFileProc(code);
        if (!proc)
            return QStringLiteral("no writer");
        try {
            proc(*form, rep, QStringLiteral("s1"), name, out);
        } catch (const tv::SilentAbort &) {
            return QString();
        } catch (const tv::Error &e) {
            return e.text();
        }
        return QStringLiteral("no silent abort");
    }
    QStringList Written() const { return QDir(out).entryList(QDir::Files); }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
    QString out;
};

} // namespace

// Columns, an empty record, the constraints (primary key first), an empty
// record, the indexes.
TEST_F(ObjectReportTest, TableLayout)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    Define(QStringLiteral("TBLDEF"), TableDefinition());
    EXPECT_EQ(RunFile(45, QStringLiteral("TBLDEF"), QStringLiteral("t")), QString());
    ASSERT_EQ(Written(), QStringList{QStringLiteral("t.xlsx")});
    XlsxBook x;
    ASSERT_TRUE(x.open(out + QStringLiteral("t.xlsx")));
    EXPECT_EQ(x.cell(1, 1).value, QStringLiteral("t"));
    const QStringList columns{"id", "code", "note"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(x.cell(5 + i, 1).value, columns[i]) << i;
    EXPECT_FALSE(x.cell(8, 1).exists || x.cell(8, 2).exists);
    EXPECT_EQ(x.cell(9, 2).value, QStringLiteral("t_pkey"));
    EXPECT_EQ(x.cell(10, 2).value, QStringLiteral("t_code_key"));
    EXPECT_FALSE(x.cell(11, 2).exists);
    EXPECT_EQ(x.cell(12, 2).value, QStringLiteral("t_a"));
    EXPECT_EQ(x.cell(13, 2).value, QStringLiteral("t_b"));
    EXPECT_EQ(x.extent().first, 13);

    // Running numbers and key positions are numbers; a comment beginning
    // with "=" is a text.
    TReportDefinition all = TableDefinition();
    all.Body = {{QStringLiteral("SEQ"), 1, 1}, {QStringLiteral("PK"), 1, 2}, {QStringLiteral("COMMENT"), 1, 3},
                {QStringLiteral("NOTNULL"), 1, 4}};
    all.Body2.clear();
    Define(QStringLiteral("ALL"), all);
    EXPECT_EQ(RunFile(45, QStringLiteral("ALL"), QStringLiteral("t")), QString());
    XlsxBook y;
    ASSERT_TRUE(y.open(out + QStringLiteral("t(1).xlsx")) || y.open(out + Written().last()))
        << Written().join(u',').toStdString();
    EXPECT_TRUE(y.cell(7, 1).isNumber());
    EXPECT_DOUBLE_EQ(y.cell(7, 1).number(), 3);
    EXPECT_TRUE(y.cell(5, 2).isNumber());
    EXPECT_FALSE(y.cell(6, 2).exists);
    EXPECT_TRUE(y.cell(7, 3).isText());
    EXPECT_EQ(y.cell(7, 3).value, QStringLiteral("=SUM(1)"));
    EXPECT_EQ(y.extent().first, 7) << "no BODY2: no empty record, no constraints";
}

// Bad definitions raise their message and write no file.
TEST_F(ObjectReportTest, BadDefinitionsWriteNothing)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const QByteArray body = "><XLSDEF TYPE=\"TABLE\" BODYTOP=\"5\" BODYCOUNT=\"1\">"
                            "<BODY NAME=\"COLUMNNAME\" ROW=\"1\" COL=\"1\"/></XLSDEF></TVDOC>";
    struct Case {
        const char *name;
        QByteArray text;
        QString message;
    };
    const QString version = QStringLiteral("このバージョンのファイルには対応していません。");
    const QString format = QStringLiteral("指定されたファイルの形式を認識できません。");
    const QString block = QStringLiteral("帳票定義の BODYTOP または BODYCOUNT が正しくありません。");
    const QList<Case> cases = {
        {"V25", "<TVDOC TVDOC-VERSION=\"2.5\"" + body, version},
        {"NOVERSION", "<TVDOC" + body, version},
        {"NOTXML", "this is no XML <", format},
        {"COUNT0", "<TVDOC TVDOC-VERSION=\"2.0\"><XLSDEF TYPE=\"TABLE\" BODYTOP=\"5\" BODYCOUNT=\"0\">"
                   "<BODY NAME=\"COLUMNNAME\" ROW=\"1\" COL=\"1\"/></XLSDEF></TVDOC>",
         block},
        {"TOPX", "<TVDOC TVDOC-VERSION=\"2.0\"><XLSDEF TYPE=\"TABLE\" BODYTOP=\"x\" BODYCOUNT=\"1\">"
                 "<BODY NAME=\"COLUMNNAME\" ROW=\"1\" COL=\"1\"/></XLSDEF></TVDOC>",
         block},
    };
    for (const Case &c : cases) {
        DefineRaw(QString::fromLatin1(c.name), c.text);
        for (int code : {45, 47, 61})
            EXPECT_EQ(RunFile(code, QString::fromLatin1(c.name), QStringLiteral("t")), c.message)
                << c.name << " " << code;
    }
    EXPECT_TRUE(Written().isEmpty()) << Written().join(u',').toStdString();
}

// Views and materialized views: header items and one record per column;
// a view that is gone writes nothing. Sheets for views only.
TEST_F(ObjectReportTest, ViewsAndMaterializedViews)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TReportDefinition d;
    d.Type = QStringLiteral("VIEW");
    d.BodyTop = 3;
    d.BodyCount = 1;
    d.Header = {{QStringLiteral("VIEWNAME"), 1, 1}, {QStringLiteral("DDL"), 1, 2},
                {QStringLiteral("CROSS"), 1, 3}};
    d.Body = {{QStringLiteral("SEQ"), 1, 1}, {QStringLiteral("COLUMNNAME"), 1, 2}};
    d.Body2 = {{QStringLiteral("CONSTNAME"), 1, 3}};
    Define(QStringLiteral("VDEF"), d);
    EXPECT_EQ(RunFile(47, QStringLiteral("VDEF"), QStringLiteral("v")), QString());
    EXPECT_EQ(RunFile(61, QStringLiteral("VDEF"), QStringLiteral("m")), QString());
    EXPECT_EQ(RunFile(47, QStringLiteral("VDEF"), QStringLiteral("gone")),
              QStringLiteral("定義情報を読み込めませんでした。"));
    EXPECT_EQ(Written(), (QStringList{"m.xlsx", "v.xlsx"}));
    XlsxBook x;
    ASSERT_TRUE(x.open(out + QStringLiteral("v.xlsx")));
    EXPECT_EQ(x.cell(1, 1).value, QStringLiteral("v"));
    EXPECT_TRUE(x.cell(1, 2).value.startsWith(QStringLiteral("CREATE OR REPLACE VIEW \"s1\".\"v\"")));
    EXPECT_EQ(x.cell(3, 2).value, QStringLiteral("id"));
    EXPECT_EQ(x.cell(4, 2).value, QStringLiteral("note"));
    EXPECT_DOUBLE_EQ(x.cell(4, 1).number(), 2);
    EXPECT_TRUE(x.cell(1, 3).value.contains(QStringLiteral("s1.t"))) << x.cell(1, 3).value.toStdString();
    EXPECT_EQ(x.extent(), std::make_pair(4, 3)) << "BODY2 is not a view's";
    XlsxBook m;
    ASSERT_TRUE(m.open(out + QStringLiteral("m.xlsx")));
    EXPECT_TRUE(m.cell(1, 2).value.startsWith(QStringLiteral("CREATE MATERIALIZED VIEW \"s1\".\"m\"")));
    EXPECT_EQ(TObjectDispatcher::ReportSheetProc(61), nullptr);
    EXPECT_NE(TObjectDispatcher::ReportSheetProc(47), nullptr);
}

// The view windows list the view definitions (newest version files only)
// in their menus, descending by name; an item writes the shown object into
// the file the user picks.
TEST_F(ObjectReportTest, ReportItemsOfTheViewWindows)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TReportDefinition d;
    d.Type = QStringLiteral("VIEW");
    d.BodyTop = 2;
    d.BodyCount = 1;
    d.Header = {{QStringLiteral("VIEWNAME"), 1, 1}};
    d.Body = {{QStringLiteral("COLUMNNAME"), 1, 1}};
    Define(QStringLiteral("A_VIEW"), d);
    Define(QStringLiteral("B_VIEW"), d);
    Define(QStringLiteral("TBL"), TableDefinition());
    DefineRaw(QStringLiteral("C_NEWER"), "<TVDOC TVDOC-VERSION=\"2.5\"><XLSDEF TYPE=\"VIEW\" BODYTOP=\"1\" "
                                         "BODYCOUNT=\"1\"/></TVDOC>");
    for (int code : {47, 61}) {
        auto *w = dynamic_cast<TfrmViewBase *>(
            form->OpenObject(code, QStringLiteral("s1"), code == 47 ? QStringLiteral("v") : QStringLiteral("m")));
        ASSERT_NE(w, nullptr);
        QStringList items;
        QAction *first = nullptr;
        for (QAction *a : w->mnuObject->actions())
            if (a->objectName() == QLatin1String("mnuReport")) {
                items << a->text();
                if (!first)
                    first = a;
            }
        EXPECT_EQ(items, (QStringList{"B_VIEW", "A_VIEW"})) << code;
        ASSERT_NE(first, nullptr);
        const QString target = out + QStringLiteral("win") + QString::number(code) + QStringLiteral(".xlsx");
        s.dialogs.clear();
        s.dialogs.queuePath(target);
        first->trigger();
        EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("ファイルが出力されました。")});
        XlsxBook x;
        ASSERT_TRUE(x.open(target));
        EXPECT_EQ(x.cell(1, 1).value, code == 47 ? QStringLiteral("v") : QStringLiteral("m"));
        EXPECT_EQ(x.cell(2, 1).value, QStringLiteral("id"));
        w->SetModified(false);
        w->Close();
    }
}

// The table window offers the table definitions in "TABLE(&O)" and writes the
// report of its own table.
TEST_F(ObjectReportTest, ReportItemsOfTheTableWindow)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    RegisterTableWindows();
    Define(QStringLiteral("TBL"), TableDefinition());
    Define(QStringLiteral("TBL2"), TableDefinition());
    TReportDefinition v = TableDefinition();
    v.Type = QStringLiteral("VIEW");
    Define(QStringLiteral("A_VIEW"), v);
    auto *w = dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("s1"), QStringLiteral("t")));
    ASSERT_NE(w, nullptr);
    QStringList items;
    QAction *first = nullptr;
    for (QAction *a : w->mnuObject->actions())
        if (a->objectName() == QLatin1String("mnuReport")) {
            items << a->text();
            if (!first)
                first = a;
        }
    EXPECT_EQ(items, (QStringList{"TBL2", "TBL"}));
    ASSERT_NE(first, nullptr);
    const QString target = out + QStringLiteral("table.xlsx");
    s.dialogs.clear();
    s.dialogs.queuePath(target);
    first->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("ファイルが出力されました。")});
    XlsxBook x;
    ASSERT_TRUE(x.open(target));
    EXPECT_EQ(x.cell(1, 1).value, QStringLiteral("t"));
    EXPECT_EQ(x.cell(5, 1).value, QStringLiteral("id"));
    w->SetModified(false);
    w->Close();
}
