// The connection window's Excel reports of selected objects: the report menu
// copies, the object-list workbook (sheets per type and schema, detail rows,
// header cells), the destination dialogs, the per-object files and sheets
// through the registered writers, and bad definitions and targets.
#include "shell/ShellTestSupport.h"

#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "platform/Errors.h"
#include "platform/excel/Workbook.h"
#include "platform/settings/Folders.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectDispatcher.h"
#include "shell/ObjectListReport.h"
#include "shell/WindowLaunchers.h"
#include "sql/RepData.h"
#include "support/XlsxBook.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

using namespace tvtest;

namespace {

QByteArray Definition(const QByteArray &type, const QByteArray &output, const QByteArray &lines,
                      const QByteArray &form = QByteArray())
{
    return "<?xml version=\"1.0\"?><TVDOC TVDOC-VERSION=\"2\"><XLSDEF XLSFILE=\"" + form +
           "\" BODYTOP=\"5\" BODYCOUNT=\"10\" OUTPUTTYPE=\"" + output + "\" TYPE=\"" + type + "\">" + lines +
           "</XLSDEF></TVDOC>";
}

const QByteArray ListLines = "<HEADER NAME=\"OBJECTTYPE\" ROW=\"1\" COL=\"1\"/>"
                             "<HEADER NAME=\"SCHEMA\" ROW=\"2\" COL=\"1\"/>"
                             "<HEADER NAME=\"OBJECTNAME\" ROW=\"3\" COL=\"1\"/>"
                             "<BODY NAME=\"SEQ\" ROW=\"1\" COL=\"1\"/>"
                             "<BODY NAME=\"OBJECTNAME\" ROW=\"2\" COL=\"2\"/>"
                             "<BODY NAME=\"SCHEMA\" ROW=\"1\" COL=\"3\"/>";

class ObjectListReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterReportItems();
        db = std::make_unique<TestDb>("olrep");
        if (!db->available())
            return;
        db->exec("CREATE TABLE a1 (x int); CREATE TABLE a2 (x int); CREATE TABLE a3 (x int); CREATE TABLE a4 (x int);"
                 "CREATE SCHEMA s2; CREATE TABLE s2.b1 (x int); CREATE TABLE s2.b2 (x int);"
                 "CREATE VIEW v1 AS SELECT 1 AS c; CREATE INDEX a1_x ON a1 (x);");
        WriteDef(QStringLiteral("一覧"), Definition("OBJECT", "0", ListLines));
        s.Start(LogonArgs(db->params()));
        tvOption.TreeData = false;
        s.main->show();
        s.FirstPaint();
        form = s.Form();
        ASSERT_NE(form, nullptr);
        out = s.scratch.file(QStringLiteral("out"));
        QDir().mkpath(out);
        tvOption.ExcelDir = out + QLatin1Char('/');
    }
    void TearDown() override
    {
        for (const char *w : {"TfrmTable", "TfrmView", "TfrmMView"}) {
            TObjectDispatcher::RegisterReportFile(QString::fromLatin1(w), {});
            TObjectDispatcher::RegisterReportSheet(QString::fromLatin1(w), {});
        }
    }

    void WriteDef(const QString &name, const QByteArray &text)
    {
        const QString folder = tv::settings::DataDir() + QStringLiteral("xlsdef/");
        QDir().mkpath(folder);
        QFile f(folder + name + QStringLiteral(".def"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    // Lists every object of the database and selects the named ones
    // ("schema.name").
    void SelectObjects(const QStringList &names)
    {
        form->ShowTree();
        form->tvTree->setCurrentItem(form->tvTree->topLevelItem(0));
        form->ShowObject(false);
        form->lstObject->clearSelection();
        for (const QString &n : names) {
            const QString schema = n.section(QLatin1Char('.'), 0, 0), name = n.section(QLatin1Char('.'), 1);
            bool found = false;
            for (int i = 0; i < form->lstObject->ItemCount(); ++i) {
                TtvListItem *it = form->lstObject->Item(i);
                if (it->Caption() == name && it->SubItem(0) == schema) {
                    it->setSelected(true);
                    found = true;
                }
            }
            ASSERT_TRUE(found) << n.toStdString();
        }
    }
    QStringList Selected() const
    {
        QStringList n;
        for (TtvListItem *it : form->lstObject->SelectedItems())
            n << it->SubItem(0) + QLatin1Char('.') + it->Caption();
        return n;
    }
    QAction *ReportEntry(const QString &name) const
    {
        for (QAction *a : form->mnuReport->actions())
            if (a->text() == name)
                return a;
        return nullptr;
    }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
    QString out;
};

TEST(ObjectListReportModel, SheetsFollowTypeAndSchemaWithTheFirstGroupLast)
{
    const QList<TListReportObject> objects{
        {"VIEW", "public", "v1", "", ""},  {"TABLE", "s2", "b1", "", ""},   {"table", "public", "A2", "", ""},
        {"TABLE", "public", "a1", "", ""}, {"TABLE", "s2", "B0", "", ""},
    };
    const QList<TListReportObject> sorted = SortListReportObjects(objects);
    QStringList names;
    for (const auto &o : sorted)
        names << o.Name;
    // Letter case plays no part: type, then schema, then name.
    EXPECT_EQ(names, QStringList({"a1", "A2", "B0", "b1", "v1"}));
    QStringList sheets;
    for (const auto &g : ListReportSheets(sorted))
        sheets << g.SheetName + QLatin1Char('=') + QString::number(g.Objects.size());
    EXPECT_EQ(sheets, QStringList({"TABLE.s2=2", "VIEW.public=1", "TABLE.public=2"}));
    // A long name is cut to 31 characters.
    EXPECT_EQ(ListReportSheetName({"MATERIALIZED VIEW", "a_rather_long_schema_name", "x", "", ""}),
              QStringLiteral("MATERIALIZED VIEW.a_rather_long"));
}

TEST_F(ObjectListReport, ListWorkbookHoldsOneSheetPerTypeAndSchema)
{
    TV_REQUIRE_DB(*db);
    // The menu copy: caption and Tag of the main window's entry.
    QAction *entry = ReportEntry(QStringLiteral("一覧"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->data().toInt(), 0);

    SelectObjects({"public.a1", "public.a2", "public.a3", "public.a4", "s2.b1", "s2.b2", "public.v1"});
    const QString target = out + QStringLiteral("/sub/list.xlsx");
    s.dialogs.queuePath(target);
    tvOption.ExcelDir = s.scratch.path() + QStringLiteral("/");
    entry->trigger();

    ASSERT_EQ(s.dialogs.calls().size(), 2) << s.dialogs.texts().join(u'|').toStdString();
    const auto &save = s.dialogs.calls().at(0);
    EXPECT_EQ(save.kind, tv::ui::ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(save.file.fileName, s.scratch.path() + QStringLiteral("/一覧.xlsx"));
    EXPECT_TRUE(save.file.overwritePrompt);
    EXPECT_EQ(s.dialogs.calls().at(1).text, QStringLiteral("一覧 の出力が完了しました。"));
    EXPECT_EQ(tvOption.ExcelDir, out + QStringLiteral("/sub/"));
    EXPECT_TRUE(Selected().isEmpty());

    XlsxBook book;
    QString error;
    ASSERT_TRUE(book.open(target, &error)) << error.toStdString();
    ASSERT_EQ(book.sheetNames(), QStringList({"TABLE.s2", "VIEW.public", "TABLE.public"}));
    // Header cells: the group's type and schema; other header items stay empty.
    EXPECT_EQ(book.cell(0, 1, 1).value, QStringLiteral("TABLE"));
    EXPECT_EQ(book.cell(0, 2, 1).value, QStringLiteral("s2"));
    EXPECT_FALSE(book.cell(0, 3, 1).exists);
    // Every entry takes two rows from BODYTOP 5: object 3 fills rows 11 and 12.
    EXPECT_EQ(book.cell(2, 11, 1).number(), 4);
    EXPECT_EQ(book.cell(2, 12, 2).value, QStringLiteral("a4"));
    EXPECT_EQ(book.cell(2, 11, 3).value, QStringLiteral("public"));
    EXPECT_EQ(book.cell(2, 5, 1).number(), 1);
    EXPECT_EQ(book.cell(2, 6, 2).value, QStringLiteral("a1"));
    EXPECT_EQ(book.cell(1, 6, 2).value, QStringLiteral("v1"));
    EXPECT_EQ(book.extent(0).first, 8);
}

TEST_F(ObjectListReport, CancelledDialogsChangeNothing)
{
    TV_REQUIRE_DB(*db);
    WriteDef(QStringLiteral("定義"), Definition("TABLE", "0", ""));
    s.main->SetReportList();
    const QString dir = tvOption.ExcelDir;
    for (const QString &name : {QStringLiteral("一覧"), QStringLiteral("定義")}) {
        SCOPED_TRACE(name.toStdString());
        s.dialogs.clear();
        SelectObjects({"public.a1", "public.v1"});
        QAction *entry = ReportEntry(name);
        ASSERT_NE(entry, nullptr);
        entry->trigger(); // no answer queued: Cancel
        ASSERT_EQ(s.dialogs.calls().size(), 1);
        EXPECT_EQ(s.dialogs.calls().at(0).kind, name == QStringLiteral("一覧")
                                                    ? tv::ui::ScriptedDialogs::Kind::SaveFile
                                                    : tv::ui::ScriptedDialogs::Kind::Folder);
        EXPECT_EQ(Selected(), QStringList({"public.a1", "public.v1"}));
        EXPECT_EQ(tvOption.ExcelDir, dir);
        EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());
    }
}

TEST_F(ObjectListReport, BadDefinitionOrTargetReportsNoSuccessAndKeepsTheOldFile)
{
    TV_REQUIRE_DB(*db);
    const QString target = out + QStringLiteral("/old.xlsx");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old workbook");
    old.close();

    // A definition that is not well-formed XML.
    WriteDef(QStringLiteral("一覧"), "<TVDOC TVDOC-VERSION=\"2\"><XLSDEF>");
    SelectObjects({"public.a1"});
    s.dialogs.queuePath(target);
    ReportEntry(QStringLiteral("一覧"))->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList({"指定されたファイルの形式を認識できません。"}));
    QFile check(target);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("old workbook"));
    check.close();

    // A target that is a folder cannot be written.
    WriteDef(QStringLiteral("一覧"), Definition("OBJECT", "0", ListLines));
    const QString folder = out + QStringLiteral("/taken.xlsx");
    QDir().mkpath(folder);
    s.dialogs.clear();
    SelectObjects({"public.a1"});
    s.dialogs.queuePath(folder);
    const QString dir = tvOption.ExcelDir;
    ReportEntry(QStringLiteral("一覧"))->trigger();
    ASSERT_EQ(s.dialogs.calls().size(), 2);
    EXPECT_EQ(s.dialogs.calls().at(1).flags & 0xF0, tv::ui::MB_ICONSTOP);
    EXPECT_FALSE(s.dialogs.texts().join(u'|').contains(QStringLiteral("完了")));
    EXPECT_EQ(tvOption.ExcelDir, dir);
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

// A workbook that cannot be created (its folder would be under a file) is
// reported in Japanese with the file's name, for the list workbook and the
// per-object sheet workbook alike; nothing says the output was done.
TEST_F(ObjectListReport, AnUnwritableWorkbookIsNamedInJapanese)
{
    TV_REQUIRE_DB(*db);
    WriteDef(QStringLiteral("別シート"), Definition("TABLE", "1", ""));
    s.main->SetReportList();
    TObjectDispatcher::RegisterReportSheet(
        QStringLiteral("TfrmTable"), [](TfrmObject &, const QString &, const QString &, const QString &name,
                                        tv::excel::Sheet &sheet) { sheet.SetText(1, 1, name); });
    QFile blocker(out + QStringLiteral("/plain"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (const char *report : {"一覧", "別シート"}) {
        SCOPED_TRACE(report);
        const QString target = out + QStringLiteral("/plain/") + QString::fromUtf8(report) + QStringLiteral(".xlsx");
        s.dialogs.clear();
        SelectObjects({"public.a1"});
        s.dialogs.queuePath(target);
        ReportEntry(QString::fromUtf8(report))->trigger();
        ASSERT_FALSE(s.dialogs.calls().isEmpty());
        const QString text = s.dialogs.texts().last();
        EXPECT_TRUE(text.startsWith(QStringLiteral("ファイルを作成できませんでした。"))) << text.toStdString();
        EXPECT_TRUE(text.contains(target)) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("Error"))) << text.toStdString();
        EXPECT_EQ(s.dialogs.calls().last().flags & 0xF0, tv::ui::MB_ICONSTOP);
        EXPECT_FALSE(s.dialogs.texts().join(u'|').contains(QStringLiteral("完了")));
        EXPECT_FALSE(QFileInfo::exists(target));
    }
}

TEST_F(ObjectListReport, PerObjectReportsGoThroughTheRegisteredWriters)
{
    TV_REQUIRE_DB(*db);
    WriteDef(QStringLiteral("別ファイル"), Definition("TABLE", "0", ""));
    WriteDef(QStringLiteral("別シート"), Definition("TABLE", "1", ""));
    s.main->SetReportList();
    ASSERT_NE(ReportEntry(QStringLiteral("別ファイル")), nullptr);
    EXPECT_EQ(ReportEntry(QStringLiteral("別ファイル"))->data().toInt(), 1);
    EXPECT_EQ(ReportEntry(QStringLiteral("別シート"))->data().toInt(), 2);

    QStringList files;
    TObjectDispatcher::RegisterReportFile(
        QStringLiteral("TfrmTable"), [&](TfrmObject &, const QString &report, const QString &schema,
                                         const QString &name, const QString &folder) {
            files << report + QLatin1Char(':') + schema + QLatin1Char('.') + name + QLatin1Char('@') + folder;
            if (name == QLatin1String("a2"))
                throw tv::Error(QStringLiteral("one object failed"));
            throw tv::SilentAbort();
        });
    // Mode 1: tables through their writer; the view (no writer) and the
    // index are skipped; every object written is deselected, the one that
    // failed stays selected and is counted.
    SelectObjects({"public.a1", "public.a2", "public.a1_x", "public.v1", "public.a3"});
    s.dialogs.queuePath(out);
    ReportEntry(QStringLiteral("別ファイル"))->trigger();
    const QString folder = out + QLatin1Char('/');
    EXPECT_EQ(files, QStringList({"別ファイル:public.a1@" + folder, "別ファイル:public.a2@" + folder,
                                  "別ファイル:public.a3@" + folder}));
    EXPECT_EQ(Selected(), QStringList{"public.a2"});
    EXPECT_EQ(s.dialogs.texts().last(),
              QStringLiteral("別ファイル の出力が完了しました。\r\nエラー: 1 件\r\n\r\none object failed"));
    EXPECT_EQ(s.dialogs.calls().last().flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONEXCLAMATION);
    EXPECT_EQ(tvOption.ExcelDir, folder);

    // Mode 2: one sheet per table or view with a writer, in list order
    // (the list shows tables before views).
    TObjectDispatcher::RegisterReportSheet(
        QStringLiteral("TfrmTable"), [](TfrmObject &, const QString &, const QString &, const QString &name,
                                        tv::excel::Sheet &sheet) { sheet.SetText(1, 1, name); });
    TObjectDispatcher::RegisterReportSheet(
        QStringLiteral("TfrmView"), [](TfrmObject &, const QString &, const QString &, const QString &name,
                                       tv::excel::Sheet &sheet) { sheet.SetText(2, 2, name); });
    SelectObjects({"public.a1", "public.a1_x", "public.v1", "s2.b1"});
    const QString target = out + QStringLiteral("/sheets.xlsx");
    s.dialogs.queuePath(target);
    ReportEntry(QStringLiteral("別シート"))->trigger();
    XlsxBook book;
    ASSERT_TRUE(book.open(target));
    EXPECT_EQ(book.sheetNames(), QStringList({"public.a1", "s2.b1", "public.v1"}));
    EXPECT_EQ(book.cell(1, 1, 1).value, QStringLiteral("b1"));
    EXPECT_EQ(book.cell(2, 2, 2).value, QStringLiteral("v1"));
    EXPECT_TRUE(Selected().isEmpty());
}

// Per-object reports of tables dropped from a second connection after the
// list was read: a writer that reads its table fails for each, and the run ends with a
// failure naming the count and the first error, never "完了"; a sheet run
// leaves no workbook, the objects stay selected and the folder is not kept.
TEST_F(ObjectListReport, EveryObjectFailingEndsWithAFailure)
{
    TV_REQUIRE_DB(*db);
    WriteDef(QStringLiteral("別ファイル"), Definition("TABLE", "0", ""));
    WriteDef(QStringLiteral("別シート"), Definition("TABLE", "1", ""));
    s.main->SetReportList();
    TObjectDispatcher::RegisterReportFile(QStringLiteral("TfrmTable"), [](TfrmObject &f, const QString &,
                                                                          const QString &schema, const QString &name,
                                                                          const QString &) {
        f.dbsMain().Exec(QStringLiteral("SELECT 'public.%1'::regclass").arg(name));
        throw tv::SilentAbort();
    });
    TObjectDispatcher::RegisterReportSheet(QStringLiteral("TfrmTable"), [](TfrmObject &f, const QString &,
                                                                           const QString &, const QString &name,
                                                                           tv::excel::Sheet &sheet) {
        f.dbsMain().Exec(QStringLiteral("SELECT 'public.%1'::regclass").arg(name));
        sheet.SetText(1, 1, name);
    });
    struct Case {
        const char *report;
        QString target;
    };
    const Case cases[] = {{"別ファイル", out + QStringLiteral("/files")},
                          {"別シート", out + QStringLiteral("/gone.xlsx")}};
    QDir().mkpath(out + QStringLiteral("/files"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.report);
        db->exec("CREATE TABLE IF NOT EXISTS a3 (x int); CREATE TABLE IF NOT EXISTS a4 (x int)");
        SelectObjects({"public.a3", "public.a4"});
        db->exec("DROP TABLE a3, a4");
        EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_class WHERE relname IN ('a3', 'a4')"), "0");
        tvOption.ExcelDir = out + QStringLiteral("/before/");
        s.dialogs.clear();
        s.dialogs.queuePath(c.target);
        ReportEntry(QString::fromUtf8(c.report))->trigger();
        ASSERT_FALSE(s.dialogs.calls().isEmpty());
        const QString text = s.dialogs.texts().last();
        EXPECT_TRUE(text.startsWith(QString::fromUtf8(c.report) + QStringLiteral(" の出力に失敗しました。\r\nエラー: 2 件")))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("a3"))) << text.toStdString();
        EXPECT_EQ(s.dialogs.calls().last().flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONSTOP);
        EXPECT_EQ(Selected(), QStringList({"public.a3", "public.a4"}));
        EXPECT_EQ(tvOption.ExcelDir, out + QStringLiteral("/before/"));
        EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/gone.xlsx")));
        // The session is usable after the failures.
        EXPECT_EQ(form->dbsMain().ExecScalar(QStringLiteral("SELECT 1")), QStringLiteral("1"));
    }
}

} // namespace

namespace {

TEST_F(ObjectListReport, MainWindowEntryRunsTheReportOfTheCurrentConnection)
{
    TV_REQUIRE_DB(*db);
    TfrmObject::RegisterReportLauncher();
    QAction *entry = nullptr;
    for (QAction *a : s.main->mnuReportMenu->actions())
        if (a->text() == QStringLiteral("一覧"))
            entry = a;
    ASSERT_NE(entry, nullptr);
    SelectObjects({"public.a1", "s2.b1"});
    const QString target = out + QStringLiteral("/from-main.xlsx");
    s.dialogs.queuePath(target);
    s.main->UpdateActions(); // the entries follow the selection
    ASSERT_TRUE(entry->isEnabled());
    entry->trigger();
    RegisterLauncher(QStringLiteral("mnuReport"), {});
    XlsxBook book;
    ASSERT_TRUE(book.open(target));
    EXPECT_EQ(book.sheetNames(), QStringList({"TABLE.s2", "TABLE.public"}));
    EXPECT_EQ(s.dialogs.texts(), QStringList({"一覧 の出力が完了しました。"}));
}

} // namespace
