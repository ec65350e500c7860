// The object comparison: pairing, the schema taken out of DDL and the
// listing query as plain functions, and the window inside the real main
// window comparing two schemas of one connection, its checks, its rows
// opened on either side and its output.
#include "objects/other/OtherWindowTestSupport.h"

#include "common/CompOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvNumEdit.h"
#include "controls/tvListView.h"
#include "objects/other/OtherWindows.h"
#include "objects/table/TableWindows.h"
#include "shell/WindowLaunchers.h"
#include "support/XlsxBook.h"
#include "tools/CompareObjects.h"
#include "tools/ListOutput.h"
#include "tools/frmComp.h"

#include "objects/table/DropDownComboBox.h"
#include "objects/table/frmTrigger.h"
#include "platform/settings/tvRegistry.h"
#include "shell/frmMain.h"
#include "shell/frmLogon.h"
#include "shell/ModalSteps.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using namespace tvtest;

TEST(CompareRules, SchemaTakenOutOnlyAsAWholeIdentifier)
{
    struct Case {
        const char *schema, *text, *expected;
    };
    const Case cases[] = {
        {"app1", "CREATE TABLE app1.t (app1_x integer);", "CREATE TABLE t (app1_x integer);"},
        {"app1", "CREATE TABLE APP1.t (x int) -- app1", "CREATE TABLE t (x int) -- "},
        {"App", "CREATE VIEW \"App\".v AS SELECT 1 FROM \"App\".t", "CREATE VIEW v AS SELECT 1 FROM t"},
        {"s", "CREATE TABLE s.s_t (s int, xs int);", "CREATE TABLE s_t ( int, xs int);"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(comp::RemoveSchemaQualifier(c.schema, c.text), QString::fromUtf8(c.expected)) << c.text;
    // Columns that differ only in a schema-like prefix stay different.
    EXPECT_NE(comp::RemoveSchemaQualifier("app1", "CREATE TABLE app1.t (app1_x int);"),
              comp::RemoveSchemaQualifier("app2", "CREATE TABLE app2.t (app2_x int);"));
}

TEST(CompareRules, PlacesAndPairs)
{
    EXPECT_TRUE(comp::SchemaBlind("app1", "app2", "c", "c"));
    EXPECT_TRUE(comp::SchemaBlind("public", "public", "c1", "c2"));
    EXPECT_FALSE(comp::SchemaBlind("public", "(全て)", "c", "c"));
    EXPECT_FALSE(comp::SchemaBlind("(全て)", "(全て)", "c1", "c2"));

    using comp::TCompEntry;
    const std::vector<TCompEntry> other{
        {"s", "f", "FUNCTION", "int4", "int4", 10, ""},  {"s", "f", "FUNCTION", "text", "int4", 11, ""},
        {"s", "t", "TABLE", "", "", -1, ""},              {"s", "trg", "TRIGGER", "", "", -1, "a"},
        {"s", "trg", "TRIGGER", "", "", -1, "b"},         {"x", "t", "TABLE", "", "", -1, ""},
    };
    comp::TCounterparts aware(other, true);
    EXPECT_EQ(aware.Find({"s", "f", "FUNCTION", "text", "bool", 99, ""}), 1);
    EXPECT_EQ(aware.Find({"s", "trg", "TRIGGER", "", "", -1, "b"}), 4);
    EXPECT_EQ(aware.Find({"s", "t", "TABLE", "", "", -1, ""}), 2);
    EXPECT_EQ(aware.Find({"y", "t", "TABLE", "", "", -1, ""}), -1);
    comp::TCounterparts blind(other, false);
    // The last match wins; a taken entry is found no more.
    EXPECT_EQ(blind.Find({"y", "t", "TABLE", "", "", -1, ""}), 5);
    blind.Take(5);
    EXPECT_EQ(blind.Find({"y", "t", "TABLE", "", "", -1, ""}), 2);
    EXPECT_TRUE(blind.Taken(5));

    const QString sql = comp::ObjectListSQL({61}, 150000, false, "app1");
    EXPECT_TRUE(sql.startsWith(" SELECT 'MATERIALIZED VIEW'"));
    EXPECT_TRUE(sql.contains("TblNsp.nspname = 'app1'"));
    EXPECT_TRUE(sql.endsWith("ORDER BY 4, 2, 3"));
    // A kind this server lacks alone: every kind it offers.
    const QString old = comp::ObjectListSQL({61}, 90200, false, "(全て)");
    EXPECT_TRUE(old.startsWith(" SELECT 'TABLE'"));
    EXPECT_FALSE(old.contains("'MATERIALIZED VIEW'"));
    EXPECT_FALSE(old.contains("'PACKAGE'"));
    EXPECT_EQ(comp::ArgumentTypeNames("23\r\n25", {{23, "int4"}, {25, "text"}}), "int4,text");
}

namespace {

// Clicks the tool bar button of an action as a user would.
void ClickTool(QToolBar *bar, QAction *action)
{
    QWidget *b = bar->widgetForAction(action);
    ASSERT_NE(b, nullptr) << action->text().toStdString();
    QTest::mouseClick(b, Qt::LeftButton);
}

class CompareWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        TfrmComp::RegisterLauncher();
        RegisterTableWindows();
        RegisterOtherWindows();
    }
    // Logs on from the command line and opens ツール → "オブジェクト比較(&C)".
    TfrmComp *Open()
    {
        s.Start(LogonArgs(db.params()));
        s.FirstPaint();
        s.main->show();
        if (!s.Form())
            return nullptr;
        QAction *item = MenuItem(s.main->menuBar(), QStringLiteral("ツール(&T)"), QStringLiteral("オブジェクト比較(&C)"));
        if (!item || !item->isEnabled())
            return nullptr;
        item->trigger();
        for (QWidget *c : s.main->MdiChildren())
            if (auto *w = dynamic_cast<TfrmComp *>(c))
                return w;
        return nullptr;
    }
    // Side 1 app1, side 2 app2, every filter as given, then "実行(&E)".
    void Run(TfrmComp *w, bool equal = true, bool notEqual = true, bool only1 = true, bool only2 = true)
    {
        const bool want[] = {equal, notEqual, only1, only2};
        const QCheckBox *boxes[] = {w->chkEqurl, w->chkNotEqurl, w->chkOnly1, w->chkOnly2};
        for (int i = 0; i < 4; ++i)
            if (boxes[i]->isChecked() != want[i])
                QTest::mouseClick(const_cast<QCheckBox *>(boxes[i]), Qt::LeftButton, {},
                                  QPoint(6, boxes[i]->height() / 2));
        Type(w->cmbSchema1, QStringLiteral("app1"));
        Type(w->cmbSchema2, QStringLiteral("app2"));
        ClickTool(w->tolCmd, w->btnExec);
    }
    static void Type(TtvComboBox *combo, const QString &text)
    {
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), text);
    }
    static TtvListItem *Row(TtvListView *l, const QString &name, const QString &kind)
    {
        for (int i = 0; i < l->ItemCount(); ++i)
            if (l->Item(i)->Caption() == name && l->Item(i)->SubItem(1) == kind)
                return l->Item(i);
        return nullptr;
    }
    static QString Result(TtvListView *l, const QString &name, const QString &kind)
    {
        TtvListItem *r = Row(l, name, kind);
        return r ? r->SubItem(4) : QStringLiteral("(none)");
    }
    // The definition windows open now, in the order they were opened.
    QList<QWidget *> Definitions() const
    {
        QList<QWidget *> out;
        for (QWidget *c : s.main->MdiChildren())
            if (!dynamic_cast<TfrmComp *>(c) && !dynamic_cast<TfrmObject *>(c))
                out << c;
        return out;
    }
    QStringList Titles() const
    {
        QStringList out;
        for (QWidget *c : Definitions())
            out << c->windowTitle();
        return out;
    }
    // Selects exactly this row, as a click on it does.
    static void ClickRow(TtvListView *l, TtvListItem *row)
    {
        l->scrollToItem(row);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(row).center());
    }

    TestDb db{"w3t5c"};
    ShellSession s;
};

const char *const kSchemas =
    "CREATE SCHEMA app1; CREATE SCHEMA app2;"
    "CREATE TABLE app1.t_same(id int primary key, name text); CREATE TABLE app2.t_same(id int primary key, name text);"
    "CREATE TABLE app1.t_changed(id int, a text); CREATE TABLE app2.t_changed(id int, b text);"
    "CREATE TABLE app1.t_only1(id int);"
    "CREATE TABLE app1.t_col(app1_x int); CREATE TABLE app2.t_col(app2_x int);"
    "CREATE FUNCTION app1.f(integer) RETURNS int LANGUAGE sql AS 'SELECT 1';"
    "CREATE FUNCTION app1.f(text) RETURNS int LANGUAGE sql AS 'SELECT 2';"
    "CREATE FUNCTION app2.f(integer) RETURNS int LANGUAGE sql AS 'SELECT 1';"
    "CREATE FUNCTION app2.f(text) RETURNS int LANGUAGE sql AS 'SELECT 3';"
    "CREATE FUNCTION app1.tf() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RETURN NEW; END';"
    "CREATE FUNCTION app2.tf() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RETURN NEW; END';"
    "CREATE TRIGGER trg BEFORE INSERT ON app1.t_same FOR EACH ROW EXECUTE FUNCTION app1.tf();"
    "CREATE TRIGGER trg BEFORE INSERT ON app2.t_same FOR EACH ROW EXECUTE FUNCTION app2.tf();"
    "CREATE TABLE app2.t_only2(id int);";

} // namespace

TEST_F(CompareWindow, TwoSchemasOfOneConnection)
{
    TV_REQUIRE_DB(db);
    db.exec(kSchemas);
    TfrmComp *w = Open();
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("オブジェクト比較"));

    // The checks stop before anything is listed: one place on both sides;
    // no filter ticked.
    EXPECT_EQ(w->cmbSchema1->Text(), QStringLiteral("(全て)"));
    EXPECT_EQ(w->cmbSchema2->Text(), QStringLiteral("(全て)"));
    ClickTool(w->tolCmd, w->btnExec);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("比較先が同一の場所を示しています。"));
    Type(w->cmbSchema1, QStringLiteral("app1"));
    Type(w->cmbSchema2, QStringLiteral("app1"));
    ClickTool(w->tolCmd, w->btnExec);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("比較先が同一の場所を示しています。"));
    Run(w, false, false, false, false);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("表示するオブジェクト条件を指定して下さい。"));
    EXPECT_EQ(w->lstComp->ItemCount(), 0);

    Run(w, true, true, true, false);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("オブジェクト比較を終了しました。"));
    TtvListView *l = w->lstComp;
    EXPECT_EQ(Result(l, "t_same", "TABLE"), QStringLiteral("内容一致"));
    EXPECT_EQ(Result(l, "t_changed", "TABLE"), QStringLiteral("内容不一致"));
    // Columns that differ only in a prefix like the schema's name differ.
    EXPECT_EQ(Result(l, "t_col", "TABLE"), QStringLiteral("内容不一致"));
    EXPECT_EQ(Result(l, "t_only1", "TABLE"), QStringLiteral("比較先１にのみ存在"));
    EXPECT_EQ(Row(l, "t_only2", "TABLE"), nullptr);
    EXPECT_EQ(Result(l, "trg", "TRIGGER"), QStringLiteral("内容一致"));
    // f(integer) and f(text) pair by their argument types.
    QStringList functions;
    for (int i = 0; i < l->ItemCount(); ++i)
        if (l->Item(i)->Caption() == QLatin1String("f"))
            functions << l->Item(i)->SubItem(2) + u'=' + l->Item(i)->SubItem(4);
    functions.sort();
    EXPECT_EQ(functions, (QStringList{"int4=内容一致", "text=内容不一致"}));
    // Sorted by name.
    for (int i = 1; i < l->ItemCount(); ++i)
        EXPECT_LE(l->Item(i - 1)->Caption(), l->Item(i)->Caption()) << i;

    // With side 2's rows wanted, t_only2 shows with no side-1 oid.
    Run(w);
    EXPECT_EQ(Result(l, "t_only2", "TABLE"), QStringLiteral("比較先２にのみ存在"));
    EXPECT_EQ(Row(l, "t_only2", "TABLE")->SubItem(5), QStringLiteral("-1"));

    // The filters of the last run reach "COMP" when the program ends.
    Run(w, true, false, true, true);
    EXPECT_EQ(Row(l, "t_changed", "TABLE"), nullptr);
    ASSERT_TRUE(s.CloseMain());
    tv::settings::TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(QString::fromLatin1(tv::settings::RootKey) + QStringLiteral("\\COMP")));
    EXPECT_TRUE(reg.GetBool(QStringLiteral("Equrl"), false));
    EXPECT_FALSE(reg.GetBool(QStringLiteral("NotEqurl"), true));
    EXPECT_TRUE(reg.GetBool(QStringLiteral("Only1"), false));
    EXPECT_TRUE(reg.GetBool(QStringLiteral("Only2"), false));
}

TEST_F(CompareWindow, RowsOpenOnTheirSides)
{
    TV_REQUIRE_DB(db);
    db.exec(kSchemas);
    TfrmComp *w = Open();
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    Run(w);
    TtvListView *l = w->lstComp;
    ASSERT_NE(Row(l, "t_same", "TABLE"), nullptr);

    // The pop-up's items need a selected row.
    auto popup = [&] {
        const QPoint at = l->viewport()->rect().center();
        QContextMenuEvent e(QContextMenuEvent::Mouse, at, l->viewport()->mapToGlobal(at));
        QApplication::sendEvent(l->viewport(), &e);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->popObject->isVisible(); }, 30000));
    };
    l->clearSelection();
    popup();
    for (QAction *a : {w->mnuOpen, w->mnuOpen1, w->mnuOpen2})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    w->popObject->close();

    // A double click on a pair opens both sides, side 1 first.
    TtvListItem *same = Row(l, "t_same", "TABLE");
    ClickRow(l, same);
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(same).center());
    QStringList titles = Titles();
    ASSERT_EQ(titles.size(), 2) << titles.join(u'\n').toStdString();
    EXPECT_TRUE(titles[0].contains(QStringLiteral("app1.t_same"))) << titles[0].toStdString();
    EXPECT_TRUE(titles[1].contains(QStringLiteral("app2.t_same"))) << titles[1].toStdString();
    EXPECT_FALSE(same->isSelected());

    // "比較先１のオブジェクトを開く" on a side-2-only row opens nothing and
    // deselects it.
    TtvListItem *only2 = Row(l, "t_only2", "TABLE");
    ClickRow(l, only2);
    ASSERT_TRUE(only2->isSelected());
    popup();
    EXPECT_TRUE(w->mnuOpen1->isEnabled());
    QTest::mouseClick(w->popObject, Qt::LeftButton, {}, w->popObject->actionGeometry(w->mnuOpen1).center());
    EXPECT_EQ(Titles().size(), 2) << Titles().join(u'\n').toStdString();
    EXPECT_FALSE(only2->isSelected());

    // A trigger row opens on side 2 with its table from "補足①".
    TtvListItem *trg = Row(l, "trg", "TRIGGER");
    EXPECT_EQ(trg->SubItem(2), QStringLiteral("t_same"));
    ClickRow(l, trg);
    popup();
    QTest::mouseClick(w->popObject, Qt::LeftButton, {}, w->popObject->actionGeometry(w->mnuOpen2).center());
    const QList<QWidget *> opened = Definitions();
    ASSERT_EQ(opened.size(), 3) << Titles().join(u'\n').toStdString();
    auto *trigger = dynamic_cast<TfrmTrigger *>(opened.last());
    ASSERT_NE(trigger, nullptr) << opened.last()->windowTitle().toStdString();
    EXPECT_EQ(trigger->cmbTableName->currentText(), QStringLiteral("t_same"));
    EXPECT_TRUE(trigger->windowTitle().contains(QStringLiteral("app2"))) << trigger->windowTitle().toStdString();

    // Esc before the first of several rows: nothing opens, the rows stay
    // selected.
    TtvListItem *changed = Row(l, "t_changed", "TABLE");
    TtvListItem *only1 = Row(l, "t_only1", "TABLE");
    l->clearSelection();
    changed->setSelected(true);
    only1->setSelected(true);
    QTimer::singleShot(0, l, [l] { QTest::keyClick(l, Qt::Key_Escape); });
    w->mnuOpen->trigger();
    EXPECT_EQ(Definitions().size(), 3) << Titles().join(u'\n').toStdString();
    EXPECT_TRUE(changed->isSelected());
    EXPECT_TRUE(only1->isSelected());
}

TEST_F(CompareWindow, ResultListToAWorkbookAndTheClipboard)
{
    TV_REQUIRE_DB(db);
    db.exec(kSchemas);
    // A name with a line break in it.
    db.exec("CREATE TABLE app1.\"two\nlines\"(id int)");
    TfrmComp *w = Open();
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    auto enabled = [w] {
        return QList<bool>{w->Output->actOutput->isEnabled(), w->Output->actExcel->isEnabled(),
                           w->Output->actCopy->isEnabled()};
    };
    EXPECT_EQ(enabled(), (QList<bool>{false, false, false}));
    Run(w);
    TtvListView *l = w->lstComp;
    ASSERT_GT(l->ItemCount(), 0);
    EXPECT_EQ(enabled(), (QList<bool>{true, true, true}));

    // "Excel出力": OBJECTCOMP01.XLSX offered when OBJECTCOMP.XLSX is there.
    const QString dir = s.scratch.path() + QStringLiteral("/cmp/");
    QDir().mkpath(dir);
    tvOption.ExcelDir = dir;
    QFile(dir + QStringLiteral("OBJECTCOMP.XLSX")).open(QIODevice::WriteOnly);
    const QString chosen = s.scratch.path() + QStringLiteral("/other/OBJECTCOMP01.XLSX");
    s.dialogs.queuePath(chosen);
    w->Output->popOutput->popup(w->Output->btnOutput->mapToGlobal(QPoint(0, w->Output->btnOutput->height())));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Output->popOutput->isVisible(); }, 30000));
    QTest::mouseClick(w->Output->popOutput, Qt::LeftButton, {},
                      w->Output->popOutput->actionGeometry(w->Output->actExcel).center());
    QString offered;
    for (const auto &c : s.dialogs.calls())
        if (c.kind == tv::ui::ScriptedDialogs::Kind::SaveFile)
            offered = c.file.fileName;
    EXPECT_EQ(offered, dir + QStringLiteral("OBJECTCOMP01.XLSX"));
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("ファイルに出力しました。"));
    XlsxBook book;
    ASSERT_TRUE(book.open(chosen));
    const QStringList heads{"オブジェクト名", "スキーマ", "タイプ", "補足①", "補足②", "比較結果"};
    for (int c = 0; c < heads.size(); ++c)
        EXPECT_EQ(book.cell(1, c + 1).value, heads.at(c)) << c;
    EXPECT_EQ(book.extent(), std::make_pair(l->ItemCount() + 1, 6));
    QStringList names;
    for (int r = 2; r <= l->ItemCount() + 1; ++r)
        names << book.cell(r, 1).value;
    EXPECT_TRUE(names.contains(QStringLiteral("two lines"))) << names.join(u'|').toStdString();
    // The folder chosen becomes the next default.
    EXPECT_EQ(QDir(tvOption.ExcelDir).canonicalPath(), QDir(s.scratch.path() + QStringLiteral("/other")).canonicalPath());

    // "クリップボード出力": a line per row, TAB-separated, no heading.
    tvOption.PasteDialog = false;
    tvOption.PasteColumn = 0;
    w->Output->actCopy->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("クリップボードに出力しました。"));
    const QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), l->ItemCount() + 1);
    EXPECT_EQ(lines.last(), QString());
    for (int r = 0; r < l->ItemCount(); ++r) {
        const TtvListItem *it = l->Item(r);
        QStringList cells{it->Caption()};
        for (int c = 0; c < 5; ++c)
            cells << it->SubItem(c);
        EXPECT_EQ(lines.at(r), cells.join(u'\t').replace(u'\n', u' ')) << r;
    }
    EXPECT_TRUE(lines.contains(QStringLiteral("two lines\tapp1\tTABLE\t\t\t比較先１にのみ存在")));
}

TEST_F(CompareWindow, EscAndALostSessionEndTheRun)
{
    TV_REQUIRE_DB(db);
    db.exec(kSchemas);
    TfrmComp *w = Open();
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    Run(w);
    TtvListView *l = w->lstComp;
    const int rows = l->ItemCount();
    ASSERT_GT(rows, 0);

    // Esc while the first side is listed: both sides end empty and the run
    // ends as usual with no rows.
    QTimer::singleShot(0, l, [l] { QTest::keyClick(l, Qt::Key_Escape); });
    Run(w);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("オブジェクト比較を終了しました。"));
    EXPECT_EQ(l->ItemCount(), 0);

    // A listing that fails shows the error; the rows of the last run stay.
    Run(w);
    ASSERT_EQ(l->ItemCount(), rows);
    const int said = int(s.dialogs.texts().size());
    db.exec("SELECT pg_terminate_backend(" + std::to_string(s.Form()->MYSID()) + ")");
    Run(w);
    ASSERT_GT(s.dialogs.texts().size(), said);
    const QString shown = s.dialogs.texts().last();
    EXPECT_NE(shown, QStringLiteral("オブジェクト比較を終了しました。"));
    EXPECT_FALSE(shown.trimmed().isEmpty());
    EXPECT_EQ(l->ItemCount(), rows);
}

// The tool menu by its keys after a second logon: Alt+T opens "ツール(&T)"
// and C opens a comparison window in front of the other windows, each time.
TEST_F(CompareWindow, ToolMenuByKeysAfterASecondLogon)
{
    TV_REQUIRE_DB(db);
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    ASSERT_TRUE(s.ShowMain());
    TfrmMain &m = *s.main;
    ASSERT_NE(s.Form(), nullptr);

    // The second logon through the logon dialog.
    const DbParams p = db.params();
    ModalSteps logon({{QStringLiteral("frmLogon"), [&](QWidget *w) {
                           auto *d = qobject_cast<TfrmLogon *>(w);
                           d->txtUserID->setText(p.user);
                           d->txtPassword->setText(p.password);
                           d->txtDatabase->setText(p.database);
                           d->txtHost->setText(p.host);
                           d->txtPort->setText(p.port);
                           d->txtSchema->setText(QStringLiteral("public"));
                           QTest::mouseClick(d->btnOk, Qt::LeftButton);
                       }}});
    m.Action(QStringLiteral("actDBLogon"))->trigger();
    ASSERT_TRUE(PollUntil([&] { return logon.finished() && s.Form(1) != nullptr; }))
        << s.dialogs.texts().join(u'\n').toStdString();
    ASSERT_TRUE(PollUntil([&] { return QApplication::activeModalWidget() == nullptr; }));
    ASSERT_TRUE(s.ShowMain());

    auto comps = [&] {
        QList<TfrmComp *> l;
        for (QWidget *c : m.MdiChildren())
            if (auto *w = dynamic_cast<TfrmComp *>(c))
                l << w;
        return l;
    };
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        // The second round from the connection list of the frame's tool bar,
        // the first from the object tree.
        if (round == 2)
            m.cmbDBName->setFocus();
        QTest::keyClick(m.windowHandle(), Qt::Key_T, Qt::AltModifier);
        ASSERT_TRUE(PollUntil([] { return QApplication::activePopupWidget() != nullptr; }));
        QWidget *popup = QApplication::activePopupWidget();
        ASSERT_EQ(popup->objectName(), QStringLiteral("mnuTool"));
        QTest::keyClick(popup, Qt::Key_C);
        ASSERT_TRUE(PollUntil([&] { return comps().size() == round; }));
        TfrmComp *w = comps().last();
        QMdiSubWindow *frame = m.SubWindowOf(w);
        ASSERT_NE(frame, nullptr);
        // In front once the menu has gone and the frame is active again.
        ASSERT_TRUE(PollUntil([] { return QApplication::activePopupWidget() == nullptr; }));
        ASSERT_TRUE(s.ShowMain());
        QApplication::processEvents();
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(m.mdiMain->activeSubWindow(), frame);
        EXPECT_EQ(m.mdiMain->subWindowList(QMdiArea::StackingOrder).last(), frame);
        EXPECT_TRUE(frame->isAncestorOf(QApplication::focusWidget()));
        // The second round starts from a connection window in front.
        m.mdiMain->setActiveSubWindow(m.SubWindowOf(s.Form(0)));
    }
}
