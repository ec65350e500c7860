// The view window against the test server, started as the program starts:
// opened through the dispatcher and the object list, compiled through the
// preview and the execution dialog, scripted without a window. The DDL
// builders and the data-page statement alone come first.
#include "shell/ModalSteps.h"
#include "shell/ShellTestSupport.h"
#include "objects/other/OtherWindowTestSupport.h"
#include "objects/table/TableWindowTestSupport.h"

#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "controls/tvStrEdit.h"
#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/ViewDefinition.h"
#include "objects/other/frmView.h"

#include <QCheckBox>
#include <QAction>
#include <QBuffer>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

QList<TViewColumn> Columns(const QStringList &names)
{
    QList<TViewColumn> c;
    for (const QString &n : names)
        c.append({n, QStringLiteral("integer"), QString(), QString()});
    return c;
}

} // namespace

// The column list breaks after the column that brings a line past 70
// characters, never after the last one, and ends with ")".
TEST(ViewDDL, ColumnListBreaksPast70Characters)
{
    struct Case {
        const char *what;
        QStringList names;
        QStringList lines;
    };
    const QString c20 = QStringLiteral("c2345678901234567890");
    const QList<Case> cases = {
        {"one column", {QStringLiteral("a")}, {"X", "    (\"a\")"}},
        {"a quoted name", {QStringLiteral("A b"), QStringLiteral("c")}, {"X", "    (\"A b\",\"c\")"}},
        {"three of 20 fit",
         {c20 + u'1', c20 + u'2', c20 + u'3'},
         {"X", "    (\"" + c20 + "1\",\"" + c20 + "2\",\"" + c20 + "3\")"}},
        {"the fourth breaks; the last stays on its line",
         {c20 + u'1', c20 + u'2', c20 + u'3', c20 + u'4'},
         {"X", "    (\"" + c20 + "1\",\"" + c20 + "2\",\"" + c20 + "3\",", "    \"" + c20 + "4\")"}},
        {"a long last column is not broken off",
         {c20 + u'1', c20 + u'2', c20 + c20},
         {"X", "    (\"" + c20 + "1\",\"" + c20 + "2\",\"" + c20 + c20 + "\")"}},
    };
    for (const Case &c : cases) {
        QStringList lines;
        ViewDDL::Head(QStringLiteral("X"), QString(), Columns(c.names), true, lines);
        EXPECT_EQ(lines, c.lines) << c.what;
    }
    QStringList plain;
    ViewDDL::Head(QStringLiteral("CREATE OR REPLACE VIEW "), QStringLiteral("\"v\""), Columns({"a"}), false, plain);
    EXPECT_EQ(plain, QStringList{"CREATE OR REPLACE VIEW \"v\""});
}

// Options reach the CREATE form only from 9.4 and only when loaded; ALTER
// carries exactly what changed.
TEST(ViewDDL, OptionsCommentsAndAlter)
{
    TViewDefinition d;
    d.Schema = QStringLiteral("s1");
    d.Name = QStringLiteral("v");
    d.Columns = Columns({"a"});
    d.Query = QStringList{" SELECT 1 AS a;"};
    d.OptionsEnabled = true;
    ParseViewOptions(QStringLiteral("check_option=cascaded"), d);
    EXPECT_FALSE(d.UseSecurityBarrier);
    EXPECT_TRUE(d.UseCheckOption);
    QStringList create;
    ViewDDL::CreateView(d, QString(), false, create);
    EXPECT_EQ(create, (QStringList{"CREATE OR REPLACE VIEW \"v\"", "WITH(", " check_option = 'cascaded'", ")", "AS",
                                   " SELECT 1 AS a;", ";"}));
    TViewDefinition old = d;
    old.OptionsEnabled = false;
    ParseViewOptions(QStringLiteral("security_barrier=true"), old);
    QStringList noOptions;
    ViewDDL::CreateView(old, QString(), false, noOptions);
    EXPECT_FALSE(noOptions.contains(QStringLiteral("WITH("))) << "below 9.4";

    struct Case {
        const char *what;
        std::function<void(TViewDefinition &)> edit;
        QStringList lines;
    };
    const QString v = QStringLiteral("\"s1\".\"v\"");
    const QList<Case> cases = {
        {"nothing", [](TViewDefinition &) {}, {}},
        {"comment emptied", [](TViewDefinition &n) { n.Comment.clear(); }, {"COMMENT ON VIEW " + v + " IS ''", ";"}},
        {"barrier set", [](TViewDefinition &n) { n.SecurityBarrier = QStringLiteral("true"); },
         {"ALTER VIEW " + v + " SET ( security_barrier = 'true' )", ";"}},
        {"check option emptied", [](TViewDefinition &n) { n.CheckOption.clear(); },
         {"ALTER VIEW " + v + " RESET ( check_option )", ";"}},
        {"a column comment", [](TViewDefinition &n) { n.Columns[0].Comment = QStringLiteral("it's"); },
         {"COMMENT ON COLUMN " + v + ".\"a\" IS 'it''s'", ";"}},
    };
    TViewDefinition loaded = d;
    loaded.Comment = QStringLiteral("V");
    for (const Case &c : cases) {
        TViewDefinition now = loaded;
        c.edit(now);
        QStringList lines;
        ViewDDL::AlterView(loaded, now, QStringLiteral("\"s1\"."), lines);
        EXPECT_EQ(lines, c.lines) << c.what;
    }
    EXPECT_EQ(ViewDDL::Template(false, QStringLiteral("s1"), QStringLiteral("v2")),
              (QStringList{"CREATE VIEW \"s1\".\"v2\" AS", "SELECT"}));
    EXPECT_EQ(ViewDDL::Template(true, QStringLiteral("s1"), QStringLiteral("M")),
              (QStringList{"CREATE MATERIALIZED VIEW \"s1\".\"M\"", "AS SELECT"}));
}

// The data page's statement: conditions, BETWEEN, free condition, the sort
// positions renumbered.
TEST(ViewDataSQL, ConditionsAndSortOrder)
{
    QList<QStringList> rows = {{"a", "", "", "1", "9", "", "2 desc"}, {"b", "x", "", "", "", "", "1"},
                               {"c", "", "", "", "", "", "x"}};
    const QString sql = ViewDataSQL(QStringLiteral("s"), QStringLiteral("v"), {"a", "b\"q"}, rows, QString());
    EXPECT_EQ(sql, QStringLiteral("SELECT \"a\", \"b\"\"q\" FROM \"s\".\"v\" WHERE \"a\" BETWEEN 1 AND 9 AND \"b\" = x "
                                  " ORDER BY \"b\",\"a\" DESC"));
    EXPECT_EQ(rows[0][6], QStringLiteral("2 DESC"));
    EXPECT_EQ(rows[1][6], QStringLiteral("1"));
    EXPECT_EQ(rows[2][6], QString());

    QList<QStringList> none = {{"a", "", "", "", "", "", ""}};
    EXPECT_EQ(ViewDataSQL(QStringLiteral("s"), QStringLiteral("v"), {"a"}, none, QStringLiteral("a > 1")),
              QStringLiteral("SELECT \"a\" FROM \"s\".\"v\" WHERE a > 1"));
}

namespace {

void EnterAndLeave(QWidget *box, const std::function<void()> &typed = {})
{
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(box, &in);
    if (typed)
        typed();
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

class ViewWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("view");
        if (!db->available())
            return;
        db->exec("CREATE SCHEMA s1;"
                 "CREATE TABLE s1.t (a int, b varchar(10));"
                 "INSERT INTO s1.t VALUES (1, 'x'), (2, 'y');"
                 "CREATE VIEW s1.v1 WITH (security_barrier = true, check_option = local) AS SELECT a, b FROM s1.t;"
                 "COMMENT ON VIEW s1.v1 IS 'V';");
        RegisterOtherWindows();
        TfrmObject::RegisterLaunchers();
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form();
        tvOption.ShowDDL = true;
    }
    void TearDown() override
    {
        if (s.main)
            for (TfrmView *w : WindowsOf<TfrmView>(s))
                w->SetModified(false);
        FreeExecDialogs();
        if (db && db->available())
            db->exec("DROP SCHEMA s1 CASCADE");
    }
    TfrmView *Open(const QString &name, TOpenMode mode = omDefine)
    {
        return dynamic_cast<TfrmView *>(form->OpenObject(47, QStringLiteral("s1"), name, mode));
    }
    QStringList Script(const QString &name, const QString &newSchema = QString(), const QString &newName = QString())
    {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        form->OutputScript(47, QStringLiteral("s1"), name, buffer, newSchema, newName);
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data().constData()),
                                                buffer.data().size() / 2);
        return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    std::string Other(const std::string &sql) { return db->scalar(sql); }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace

// The script of a view with both options and a comment, under its own name
// and under a new one; nothing for a view that is gone.
TEST_F(ViewWindow, ScriptWithoutAWindow)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const QStringList lines = Script(QStringLiteral("v1"));
    const QString def = QString::fromStdString(
        Other("SELECT definition FROM pg_views WHERE schemaname = 's1' AND viewname = 'v1'"));
    QStringList expected{"CREATE OR REPLACE VIEW \"s1\".\"v1\"", "    (\"a\",\"b\")", "WITH(",
                         " security_barrier = 'true'", " ,  check_option = 'local'", ")", "AS"};
    for (const QString &l : def.split(u'\n'))
        if (!l.isEmpty())
            expected << l;
    expected << ";" << "COMMENT ON VIEW \"s1\".\"v1\" IS 'V'" << ";";
    EXPECT_EQ(lines, expected);

    const QStringList copy = Script(QStringLiteral("v1"), QStringLiteral("s2"), QStringLiteral("w"));
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_EQ(copy.first(), QStringLiteral("CREATE OR REPLACE VIEW \"s2\".\"w\""));
    EXPECT_EQ(copy.last(2).first(), QStringLiteral("COMMENT ON VIEW \"s2\".\"w\" IS 'V'"));
    const QStringList half = Script(QStringLiteral("v1"), QStringLiteral("s2"), QString());
    ASSERT_FALSE(half.isEmpty());
    EXPECT_EQ(half.first(), QStringLiteral("CREATE OR REPLACE VIEW \"s1\".\"v1\""));

    EXPECT_TRUE(Script(QStringLiteral("nothing")).isEmpty());
}

// The definition page shows columns, comment and options; emptying Security
// Barrier compiles one RESET; a comment edit one COMMENT; the source page
// holds the CREATE form.
TEST_F(ViewWindow, OpensAndAltersOptions)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmView *w = Open(QStringLiteral("v1"));
    ASSERT_NE(w, nullptr);
    const DbParams &p = db->params();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("VIEW - s1.v1 @ ") + p.database + u'/' + p.host + u':' + p.port);
    EXPECT_EQ(w->txtComment->Text(), QStringLiteral("V"));
    EXPECT_EQ(w->cmbSecurityBarrier->Text(), QStringLiteral("true"));
    EXPECT_EQ(w->cmbCheckOption->Text(), QStringLiteral("local"));
    EXPECT_EQ(w->grdColumn->RowCount(), 3);
    EXPECT_EQ(w->grdColumn->Rows(1), (QStringList{"a", "integer", "", ""}));
    EXPECT_EQ(w->grdColumn->Rows(2), (QStringList{"b", "character varying", "10", ""}));
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(Open(QStringLiteral("v1")), nullptr); // brought forward
    EXPECT_EQ(ToolBarButtons(w->tolCmd),
              (QStringList{"作成(C)", "生成(W)", "出力(P)", "削除(D)", "戻す(R)", "終了(X)"}));

    w->cmbSecurityBarrier->setCurrentIndex(w->cmbSecurityBarrier->findText(QString()));
    EXPECT_TRUE(w->Modified());
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        w->UpdateActions();
        ASSERT_TRUE(w->actCompile->isEnabled());
        w->actCompile->trigger();
        EXPECT_EQ(preview.lines, (QStringList{"ALTER VIEW \"s1\".\"v1\" RESET ( security_barrier )", ";"}));
    }
    EXPECT_EQ(Other("SELECT reloptions::text FROM pg_class WHERE oid = 's1.v1'::regclass"), "{check_option=local}");
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(w->cmbSecurityBarrier->Text(), QString());

    w->txtComment->setFocus();
    w->txtComment->selectAll();
    QTest::keyClicks(w->txtComment, QStringLiteral("W's"));
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        w->UpdateActions();
        w->actCompile->trigger();
        EXPECT_EQ(preview.lines, (QStringList{"COMMENT ON VIEW \"s1\".\"v1\" IS 'W''s'", ";"}));
    }
    EXPECT_EQ(Other("SELECT obj_description('s1.v1'::regclass, 'pg_class')"), "W's");

    ASSERT_TRUE(w->SelectPage(w->tabSource));
    const QStringList src = w->txtSource->Lines()->ToStringList();
    ASSERT_GE(src.size(), 5);
    EXPECT_EQ(src[0], QStringLiteral("CREATE OR REPLACE VIEW \"s1\".\"v1\""));
    EXPECT_EQ(src[2], QStringLiteral("WITH("));
    EXPECT_EQ(src[3], QStringLiteral(" check_option = 'local'"));

    // Data page: the rows of the view; a bad row limit is refused.
    ASSERT_TRUE(w->SelectPage(w->tabData));
    EXPECT_TRUE(w->fraData->Active());
    EXPECT_EQ(w->fraData->SQL(), QStringLiteral("SELECT \"a\", \"b\" FROM \"s1\".\"v1\""));
    w->grdWhere->SetCells(1, 2, QStringLiteral("y"));
    w->btnExec->click();
    EXPECT_EQ(w->grdWhere->Cells(1, 2), QStringLiteral("'y'"));
    EXPECT_EQ(w->fraData->SQL(), QStringLiteral("SELECT \"a\", \"b\" FROM \"s1\".\"v1\" WHERE \"b\" = 'y' "));
    w->txtRecord->SetText(QStringLiteral("1.5"));
    w->btnExec->click();
    EXPECT_TRUE(s.dialogs.texts().contains(QStringLiteral("表示件数には1以上の整数を入力して下さい。")));
}

// The source page's text runs as it stands: recompiled unchanged, the view
// keeps its options and comment; a refused text leaves it as it was.
TEST_F(ViewWindow, SourceRecompile)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmView *w = Open(QStringLiteral("v1"), omSource);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->ShownPage(), w->tabSource);
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        w->UpdateActions();
        w->actCompile->trigger();
        EXPECT_EQ(preview.lines.first(), QStringLiteral("CREATE OR REPLACE VIEW \"s1\".\"v1\""));
        EXPECT_FALSE(user.log.join(u'\n').contains(QStringLiteral("ERROR"))) << user.log.join(u'\n').toStdString();
    }
    EXPECT_EQ(Other("SELECT reloptions::text FROM pg_class WHERE oid = 's1.v1'::regclass"),
              "{security_barrier=true,check_option=local}");
    EXPECT_EQ(Other("SELECT obj_description('s1.v1'::regclass, 'pg_class')"), "V");

    w->txtSource->Lines()->SetText(QStringLiteral("CREATE OR REPLACE VIEW s1.v1 AS SELECT nope FROM s1.t"));
    {
        PreviewAnswer preview;
        ExecDialogUser user(&s.dialogs);
        w->UpdateActions();
        w->actCompile->trigger();
    }
    EXPECT_EQ(Other("SELECT count(*) FROM s1.v1"), "2");
    EXPECT_EQ(w->txtSource->Lines()->Get(0), QStringLiteral("CREATE OR REPLACE VIEW s1.v1 AS SELECT nope FROM s1.t"));
}

// With "エラー発生時に処理を中断する" off, a compile whose middle statement
// fails runs the rest and rolls everything back: the log says so, and the
// statement after the failure is not logged as if it stayed.
TEST_F(ViewWindow, ACompileRolledBackAfterAnErrorSaysSo)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const std::string comments = "SELECT coalesce(obj_description('s1.v1'::regclass, 'pg_class'), '-') || '/' || "
                                 "coalesce(obj_description('s1.t'::regclass, 'pg_class'), '-')";
    const std::string before = Other(comments);
    TfrmView *w = Open(QStringLiteral("v1"), omSource);
    ASSERT_NE(w, nullptr);
    w->txtSource->Lines()->SetText(QStringLiteral("COMMENT ON VIEW s1.v1 IS 'first'\r\n;\r\n"
                                                  "CREATE OR REPLACE VIEW s1.v1 AS SELECT nope FROM s1.t\r\n;\r\n"
                                                  "COMMENT ON TABLE s1.t IS 'after'\r\n;"));
    QStringList log;
    {
        QTimer untick;
        QObject::connect(&untick, &QTimer::timeout, [] {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<TfrmDDLExec *>(top))
                    d->chkErrorStop->setChecked(false);
        });
        untick.start(0);
        PreviewAnswer preview;
        ExecDialogUser user(&s.dialogs);
        w->UpdateActions();
        w->actCompile->trigger();
        log = user.log;
    }
    const QString text = log.join(u'\n');
    ASSERT_TRUE(text.contains(QStringLiteral("《エラー》"))) << text.toStdString();
    const qsizetype error = log.indexOf(QStringLiteral("《エラー》"));
    EXPECT_EQ(log.indexOf(QStringLiteral("《正常終了》"), error), -1) << text.toStdString();
    EXPECT_NE(log.indexOf(QStringLiteral("《正常終了（ロールバックされます）》"), error), -1) << text.toStdString();
    EXPECT_EQ(log.mid(log.size() - 3),
              (QStringList{QStringLiteral("スクリプト実行が完了しました。"), QStringLiteral("エラー: 1 件"),
                           QStringLiteral("エラーが発生したため、すべての処理をロールバックしました。")}));
    // Nothing of the run stayed, on the server's word.
    EXPECT_EQ(Other(comments), before);
    EXPECT_EQ(w->txtSource->Lines()->Get(0), QStringLiteral("COMMENT ON VIEW s1.v1 IS 'first'"));
}

// A new view: only the source page; leaving the name writes the template,
// changing the schema rewrites it; the compile creates the view.
TEST_F(ViewWindow, NewViewFromTheTemplate)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    s.main->show();
    TfrmView *w = Open(QString());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("VIEW - 新規"));
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabDefine)));
    EXPECT_EQ(w->ShownPage(), w->tabSource);
    w->cmbSchema->SetText(QStringLiteral("public"));
    EnterAndLeave(w->txtName, [w] { w->txtName->SetText(QStringLiteral("v2")); });
    EXPECT_EQ(w->txtSource->Lines()->ToStringList(), (QStringList{"CREATE VIEW \"public\".\"v2\" AS", "SELECT"}));
    EnterAndLeave(w->cmbSchema, [w] { w->cmbSchema->SetText(QStringLiteral("s1")); });
    EXPECT_EQ(w->txtSource->Lines()->ToStringList(), (QStringList{"CREATE VIEW \"s1\".\"v2\" AS", "SELECT"}));
    w->txtSource->Lines()->SetText(QStringLiteral("CREATE VIEW \"s1\".\"v2\" AS\nSELECT 1 AS x"));
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        w->UpdateActions();
        w->actCompile->trigger();
    }
    EXPECT_EQ(Other("SELECT count(*) FROM pg_views WHERE schemaname = 's1' AND viewname = 'v2'"), "1");
    EXPECT_FALSE(w->IsNew());
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabDefine)));
}

// Delete asks and drops; a view dropped behind the window's back gives the
// load's message when the window opens or reloads.
TEST_F(ViewWindow, DeleteAndADroppedView)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE VIEW s1.v3 AS SELECT 1 AS x; CREATE VIEW s1.v4 AS SELECT 1 AS x;");
    TfrmView *w = Open(QStringLiteral("v3"));
    ASSERT_NE(w, nullptr);
    s.dialogs.queueButton(tv::ui::IDYES);
    w->UpdateActions();
    w->actDelete->trigger();
    EXPECT_EQ(s.dialogs.texts(), (QStringList{"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
    EXPECT_EQ(Other("SELECT count(*) FROM pg_views WHERE viewname = 'v3'"), "0");
    s.dialogs.clear();

    TfrmView *v4 = Open(QStringLiteral("v4"));
    ASSERT_NE(v4, nullptr);
    db->exec("DROP VIEW s1.v4");
    v4->actRefresh->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("定義情報を読み込めませんでした。")});
    s.dialogs.clear();
    EXPECT_EQ(Open(QStringLiteral("gone")), nullptr);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("定義情報を読み込めませんでした。")});
}

// As a user: double-click v1 in s1's VIEW list, open the options, pick
// "true" in Security Barrier, 作成(&C): another session reads the option.
TEST_F(ViewWindow, EndToEndFromTheObjectList)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("ALTER VIEW s1.v1 RESET (security_barrier)");
    s.main->show();
    form->ShowTree();
    QTreeWidgetItem *schema = Child(form->tvTree->topLevelItem(0), QStringLiteral("s1"));
    ASSERT_NE(schema, nullptr);
    QTreeWidgetItem *node = Child(schema, QStringLiteral("VIEW"));
    ASSERT_NE(node, nullptr);
    form->tvTree->setCurrentItem(node);
    TtvListItem *item = FindListItem(form->lstObject, QStringLiteral("v1"));
    ASSERT_NE(item, nullptr);
    form->lstObject->scrollToItem(item);
    const QRect r = form->lstObject->visualItemRect(item);
    const QPoint at(r.left() + 8, r.center().y());
    QTest::mouseClick(form->lstObject->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(form->lstObject->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(WindowsOf<TfrmView>(s).size(), 1);
    TfrmView *w = WindowsOf<TfrmView>(s).first();
    QTest::mouseClick(w->btnOptionOpener, Qt::LeftButton);
    EXPECT_EQ(w->btnOptionOpener->text(), QStringLiteral("▲オプション"));
    ASSERT_TRUE(w->cmbSecurityBarrier->isVisible());
    w->cmbSecurityBarrier->setFocus();
    // The sorted list: "", "false", "true".
    QTest::keyClick(w->cmbSecurityBarrier, Qt::Key_Down);
    QTest::keyClick(w->cmbSecurityBarrier, Qt::Key_Down);
    EXPECT_EQ(w->cmbSecurityBarrier->Text(), QStringLiteral("true"));
    QToolButton *compile = nullptr;
    for (QToolButton *b : w->tolCmd->findChildren<QToolButton *>())
        if (b->defaultAction() == w->actCompile)
            compile = b;
    ASSERT_NE(compile, nullptr);
    w->UpdateActions();
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        QTest::mouseClick(compile, Qt::LeftButton);
    }
    EXPECT_EQ(Other("SELECT reloptions::text FROM pg_class WHERE oid = 's1.v1'::regclass"),
              "{check_option=local,security_barrier=true}");
}
