// At the first start (1280×1024, fresh settings) the windows whose pages hold
// more fields than their first size shows open inside the MDI area; the user
// still reaches and uses every control: the fields scroll within the page,
// and lists, grids and trees that shrank still show their rows.
#include "shell/ShellTestSupport.h"

#include "controls/tvScrollBox.h"
#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "monitor/ProgramWindows.h"
#include "objects/table/frmTable.h"
#include "tools/frmDataGenerate.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>

#include <string>

using namespace tvtest;

namespace {

class FirstSize : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterProgramWindows(); }

    // Starts the program on the fixture database; false (with a failure)
    // when the connection window did not open.
    bool Start()
    {
        db.exec("CREATE SCHEMA lay;"
                "CREATE TABLE lay.t1 (id integer PRIMARY KEY, v text, CONSTRAINT t1_v_chk CHECK (v <> ''));"
                "CREATE INDEX t1_v ON lay.t1 (v);"
                "CREATE FUNCTION lay.f1() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;"
                "CREATE TRIGGER tr1 BEFORE INSERT ON lay.t1 FOR EACH ROW EXECUTE FUNCTION lay.f1();");
        EXPECT_EQ(QGuiApplication::primaryScreen()->size(), QSize(1280, 1024));
        main = &s.Start(LogonArgs(db.params(), QStringLiteral("lay")));
        s.FirstPaint();
        EXPECT_TRUE(s.ShowMain());
        area = main->findChild<QMdiArea *>(QStringLiteral("mdiMain"));
        EXPECT_NE(s.Form(), nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        return s.Form() != nullptr && area != nullptr;
    }

    // The window that opens after `open`, at the size it opened with.
    QWidget *Open(const std::function<void()> &open)
    {
        const QList<QMdiSubWindow *> before = area->subWindowList();
        open();
        QMdiSubWindow *frame = nullptr;
        EXPECT_TRUE(PollUntil([&] {
            for (QMdiSubWindow *sw : area->subWindowList())
                if (!before.contains(sw) && sw->isVisible() && sw->widget() && sw->widget()->isVisible())
                    frame = sw;
            return frame != nullptr;
        })) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        if (!frame)
            return nullptr;
        QTest::qWait(0);
        EXPECT_TRUE(area->viewport()->rect().contains(frame->geometry()))
            << frame->width() << "x" << frame->height() << " in " << area->viewport()->width() << "x"
            << area->viewport()->height();
        return frame->widget();
    }

    // Shows `page` of `pages` by a click on its tab, as the user does.
    static void ClickTab(QTabWidget *pages, QWidget *page)
    {
        const int i = pages->indexOf(page);
        ASSERT_GE(i, 0);
        QTabBar *bar = pages->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
        ASSERT_TRUE(PollUntil([&] { return pages->currentWidget() == page && page->isVisible(); }));
    }

    // Whether `w` is shown whole: visible, of some size, inside every parent
    // up to `root` (inside a scroll box: inside its viewport).
    static bool ShownWhole(const QWidget *w, const QWidget *root)
    {
        if (!w->isVisible() || w->width() <= 0 || w->height() <= 0)
            return false;
        for (const QWidget *p = w->parentWidget(); p && p != root; p = p->parentWidget()) {
            const QRect r(w->mapTo(p, QPoint(0, 0)), w->size());
            if (!p->rect().contains(r))
                return false;
        }
        return true;
    }

    // A list, grid or tree shows its first row inside its viewport.
    static bool ShowsRow(QAbstractItemView *view)
    {
        const QModelIndex at = view->model()->index(0, 0);
        const QRect r = view->visualRect(at);
        return at.isValid() && !r.isEmpty() && view->viewport()->rect().intersects(r) &&
               r.top() >= 0 && r.top() < view->viewport()->height();
    }

    // The test-data generator of a table of twelve columns, opened with
    // "生成(&W)" of the table's window, as the user opens it.
    TfrmDataGenerate *OpenGenerator()
    {
        db.exec("CREATE TABLE lay.wide (c1 integer, c2 varchar(20), c3 integer, c4 integer, c5 integer, c6 integer,"
                " c7 integer, c8 integer, c9 integer, c10 integer, c11 integer, c12 integer);");
        auto *table = qobject_cast<TfrmTable *>(
            Open([&] { s.Form()->OpenObject(45, QStringLiteral("lay"), QStringLiteral("wide"), omDefine, false, 0); }));
        EXPECT_NE(table, nullptr);
        if (!table)
            return nullptr;
        QWidget *button = table->tolCmd->widgetForAction(table->actDataGenerate);
        EXPECT_NE(button, nullptr);
        if (!button || !PollUntil([&] {
                table->UpdateActions();
                return button->isVisible() && button->isEnabled();
            }))
            return nullptr;
        auto *w = qobject_cast<TfrmDataGenerate *>(Open([&] { QTest::mouseClick(button, Qt::LeftButton); }));
        EXPECT_NE(w, nullptr);
        if (w) {
            EXPECT_TRUE(
                PollUntil([&] { return w->lstColumn->topLevelItemCount() == 12 && w->lstColumn->isVisible(); }));
        }
        return w;
    }

    // Scrolls the box that holds `control` to its end as the user does with
    // its scroll bar; false when there is no such box.
    static bool ScrollToEnd(QWidget *control)
    {
        TtvScrollBox *box = nullptr;
        for (QWidget *p = control->parentWidget(); p && !box; p = p->parentWidget())
            box = qobject_cast<TtvScrollBox *>(p);
        if (!box)
            return false;
        QScrollBar *bar = box->verticalScrollBar();
        if (!PollUntil([&] { return bar->maximum() == 0 || bar->isVisible(); }))
            return false;
        QTest::keyClick(bar, Qt::Key_End);
        return PollUntil([&] { return bar->value() == bar->maximum(); });
    }

    TestDb db{"lay_first_size"};
    ShellSession s;
    TfrmMain *main = nullptr;
    QMdiArea *area = nullptr;
};

// The table window's define page: the column grid and, below its splitter,
// the dependants tree both show rows at the first size.
TEST_F(FirstSize, TableWindowShowsColumnsAndDependants)
{
    TV_REQUIRE_DB(db);
    ASSERT_TRUE(Start());
    QWidget *w = Open([&] { s.Form()->OpenObject(45, QStringLiteral("lay"), QStringLiteral("t1"), omDefine, false, 0); });
    ASSERT_NE(w, nullptr);
    auto *grid = w->findChild<TtvStringGrid *>(QStringLiteral("grdColumn"));
    auto *tree = w->findChild<TtvTreeView *>(QStringLiteral("lstConst"));
    ASSERT_TRUE(grid && tree);
    ASSERT_TRUE(PollUntil([&] { return grid->Cells(1, 1) == QStringLiteral("id") && tree->topLevelItemCount() > 0; }));
    EXPECT_TRUE(ShownWhole(grid, w));
    EXPECT_TRUE(ShownWhole(tree, w));
    // The header row and the first column row, whole.
    EXPECT_GE(grid->VisibleRowCount(), 1) << "the grid shows no column row";
    EXPECT_TRUE(grid->viewport()->rect().contains(grid->CellRect(1, 1))) << "the grid shows no column row";
    EXPECT_TRUE(ShowsRow(tree)) << "the dependants tree shows no row in " << tree->viewport()->height() << " px";
}

// A control near the end of a page of many fields: the user scrolls the page
// to its end, sees the control whole and types into it.
struct FieldCase {
    const char *name;
    int objectType;        // an object of the fixture, or 0
    const char *object;
    const char *table;
    const char *action;    // else a main-window action
    const char *pages;     // the window's page control
    const char *page;
    const char *control;   // an edit, or a list that must show its rows
    const char *typed;
    const char *first = nullptr; // a check box at the page's top that enables the control
};

const FieldCase FieldCases[] = {
    {"TableAutovacuum", 45, "t1", "", nullptr, "pagObject", "tabStorage", "txtFreezeTable", "150000000",
     "chkAutoVacuum"},
    {"TriggerFunction", 57, "tr1", "t1", nullptr, "pagObject", "tabDefine", "txtParam", "arg"},
    {"BackupProgram", 0, "", "", "actAdminExport", "pagExp", "tabOption", "txtExpPgm", "dump"},
    {"BackupObjects", 0, "", "", "actAdminExport", "pagExp", "tabSelect", "lstAll", nullptr},
    {"RestoreProgram", 0, "", "", "actAdminImport", "pagImp", "tabOption", "txtImpPgm", "restore"},
    {"UnloadNull", 0, "", "", "actAdminLoad", "pagLoader", "tabUnload", "txtNullTo", "N"},
    {"LoadNull", 0, "", "", "actAdminLoad", "pagLoader", "tabLoad", "txtNullFrom", "N"},
};

class FirstSizeFields : public FirstSize, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(FirstSizeFields, ControlIsReachedByScrollingThePage)
{
    TV_REQUIRE_DB(db);
    const FieldCase &c = GetParam();
    ASSERT_TRUE(Start());
    QWidget *w = Open([&] {
        if (c.action)
            main->Action(QString::fromLatin1(c.action))->trigger();
        else
            s.Form()->OpenObject(c.objectType, QStringLiteral("lay"), QString::fromLatin1(c.object), omDefine, false,
                                 0, -1, QString::fromLatin1(c.table));
    });
    ASSERT_NE(w, nullptr);
    auto *pages = w->findChild<QTabWidget *>(QString::fromLatin1(c.pages));
    ASSERT_NE(pages, nullptr);
    auto *page = pages->findChild<QWidget *>(QString::fromLatin1(c.page));
    ASSERT_NE(page, nullptr);
    ClickTab(pages, page);
    auto *control = page->findChild<QWidget *>(QString::fromLatin1(c.control));
    ASSERT_NE(control, nullptr);
    ASSERT_TRUE(PollUntil([&] { return control->isVisible(); })) << c.control << " is not shown";

    TtvScrollBox *box = nullptr;
    for (QWidget *p = control->parentWidget(); p && !box; p = p->parentWidget())
        box = qobject_cast<TtvScrollBox *>(p);
    ASSERT_NE(box, nullptr);
    QScrollBar *bar = box->verticalScrollBar();
    // The box has laid out its fields: a scroll bar when they need one.
    ASSERT_TRUE(PollUntil([&] { return bar->maximum() == 0 || bar->isVisible(); }));
    if (c.first) {
        auto *check = page->findChild<QCheckBox *>(QString::fromLatin1(c.first));
        ASSERT_NE(check, nullptr);
        ASSERT_TRUE(ShownWhole(check, w)) << c.first << " is not shown whole at the page's top";
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
        ASSERT_TRUE(PollUntil([&] { return check->isChecked() && control->isEnabled(); }));
    }
    // The user moves the page's scroll bar to the end.
    QTest::keyClick(bar, Qt::Key_End);
    ASSERT_TRUE(PollUntil([&] { return bar->value() == bar->maximum(); }));
    EXPECT_TRUE(ShownWhole(control, w)) << c.control << " is not shown whole after scrolling";

    if (auto *view = qobject_cast<QAbstractItemView *>(control)) {
        ASSERT_TRUE(PollUntil([&] { return view->model()->rowCount() > 0; }));
        EXPECT_TRUE(ShowsRow(view)) << c.control << " shows no row in " << view->viewport()->height() << " px";
        return;
    }
    auto *edit = qobject_cast<QLineEdit *>(control);
    ASSERT_NE(edit, nullptr);
    QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
    ASSERT_TRUE(PollUntil([&] { return edit->hasFocus(); }));
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, QString::fromLatin1(c.typed));
    EXPECT_EQ(edit->text(), QString::fromLatin1(c.typed));
}

// The test-data generator, opened with "生成(&W)" of a table window: inside
// the area, its column list shows eight rows, and for a rule of each page the
// user scrolls the rule panel to its last control and changes it.
struct RuleCase {
    const char *name;
    const char *column;  // the row picked in the column list
    const char *kind;    // chosen in the kind list
    const char *control; // the rule page's last control
    const char *typed;   // typed into it; a check box is clicked
    bool (*stored)(const TColParams &); // the column's rule took the change
};

const RuleCase RuleCases[] = {
    {"FixedValue", "c2", "固定値", "txtVariable", "'abc'",
     [](const TColParams &r) { return r.Variable.join(u' ').trimmed() == u"'abc'"; }},
    {"RandomString", "c2", "乱数値(文字)", "chkStrFull", nullptr, [](const TColParams &r) { return r.StrFull; }},
    {"RandomNumber", "c1", "乱数値(数値)", "txtMarume", "10", [](const TColParams &r) { return r.Marume == 10; }},
    {"Template", "c2", "テンプレート", "txtTemplateSep", "-", [](const TColParams &r) { return r.TemplateSep == u"-"; }},
};

class FirstSizeRules : public FirstSize, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(FirstSizeRules, GeneratorShowsEightColumnsAndTheRuleIsReachedByScrolling)
{
    TV_REQUIRE_DB(db);
    const RuleCase &c = GetParam();
    ASSERT_TRUE(Start());
    TfrmDataGenerate *w = OpenGenerator();
    ASSERT_NE(w, nullptr);

    // Eight whole rows, the first of them at the list's top.
    QTreeWidget *list = w->lstColumn;
    EXPECT_TRUE(ShownWhole(list, w));
    int whole = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->viewport()->rect().contains(list->visualItemRect(list->topLevelItem(i))))
            ++whole;
    EXPECT_GE(whole, 8) << "a list " << list->viewport()->height() << " high";

    // The user picks the column and its kind.
    QTreeWidgetItem *item = list->findItems(QString::fromLatin1(c.column), Qt::MatchExactly).value(0);
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    ASSERT_TRUE(PollUntil([&] { return w->SelectedRow() == list->indexOfTopLevelItem(item); }));
    const QString kind = QString::fromUtf8(c.kind);
    ASSERT_GE(w->cmbSetType->findText(kind), 0) << c.kind;
    w->cmbSetType->setFocus();
    ASSERT_TRUE(PollUntil([&] { return w->cmbSetType->hasFocus(); }));
    EXPECT_TRUE(ShownWhole(w->cmbSetType, w)) << "the kind list is not shown whole when it has the focus";
    for (int i = 0; i < w->cmbSetType->count() && w->cmbSetType->currentText() != kind; ++i)
        QTest::keyClick(w->cmbSetType, w->cmbSetType->currentIndex() < w->cmbSetType->findText(kind) ? Qt::Key_Down
                                                                                                     : Qt::Key_Up);
    ASSERT_EQ(w->cmbSetType->currentText(), kind);
    auto *control = w->pagSetType->currentWidget()->findChild<QWidget *>(QString::fromLatin1(c.control));
    ASSERT_NE(control, nullptr) << c.control << " is not on the page of " << c.kind;
    ASSERT_TRUE(PollUntil([&] { return control->isVisible(); })) << c.control << " is not shown";

    // The window kept its place in the area and the list its rows.
    QWidget *frame = w->parentWidget();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(area->viewport()->rect().contains(frame->geometry()))
        << frame->width() << "x" << frame->height() << " in " << area->viewport()->width() << "x"
        << area->viewport()->height();
    EXPECT_GE(list->viewport()->height(), 8 * list->visualItemRect(item).height());

    ASSERT_TRUE(ScrollToEnd(control)) << c.control << " is not in a scroll box";
    EXPECT_TRUE(ShownWhole(control, w)) << c.control << " is not shown whole after scrolling";
    // Not squeezed below the height it asks for.
    EXPECT_GE(control->height(), control->minimumSizeHint().height()) << c.control;

    if (auto *check = qobject_cast<QCheckBox *>(control)) {
        ASSERT_TRUE(check->isEnabled()) << c.control;
        const bool was = check->isChecked();
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
        ASSERT_TRUE(PollUntil([&] { return check->isChecked() != was; }));
    } else if (auto *memo = qobject_cast<TtvMemo *>(control)) {
        QTest::mouseClick(memo, Qt::LeftButton, {}, QPoint(memo->width() / 2, 10));
        ASSERT_TRUE(PollUntil([&] { return memo->hasFocus() || memo->isAncestorOf(QApplication::focusWidget()); }));
        QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(c.typed));
        EXPECT_EQ(memo->Lines()->Text().trimmed(), QString::fromLatin1(c.typed));
    } else {
        auto *edit = qobject_cast<QLineEdit *>(control);
        ASSERT_NE(edit, nullptr) << c.control;
        QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
        ASSERT_TRUE(PollUntil([&] { return edit->hasFocus(); }));
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.typed));
    }
    const int row = list->indexOfTopLevelItem(item);
    EXPECT_TRUE(PollUntil([&] { return c.stored(w->Job().Cols.at(row)); })) << c.control << " was not stored";
    EXPECT_EQ(item->text(3), kind);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FirstSizeRules, ::testing::ValuesIn(RuleCases),
                         [](const ::testing::TestParamInfo<RuleCase> &i) { return std::string(i.param.name); });

// The generator's mode group at the first size: the user moves from the
// first mode to the update mode with the arrow keys, the group following the
// focus, then scrolls it to its end and types the WHERE text; the column list
// keeps its rows meanwhile.
TEST_F(FirstSize, GeneratorModeGroupIsReachedByScrolling)
{
    TV_REQUIRE_DB(db);
    ASSERT_TRUE(Start());
    TfrmDataGenerate *w = OpenGenerator();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(ShownWhole(w->rdoNormal, w));
    ASSERT_TRUE(ShownWhole(w->txtCount, w));
    QTest::mouseClick(w->rdoNormal, Qt::LeftButton, {}, QPoint(8, w->rdoNormal->height() / 2));
    ASSERT_TRUE(PollUntil([&] { return w->rdoNormal->hasFocus(); }));
    QTest::keyClick(w->rdoNormal, Qt::Key_Down);
    ASSERT_TRUE(PollUntil([&] { return w->rdoMaster->isChecked() && w->rdoMaster->hasFocus(); }));
    EXPECT_TRUE(ShownWhole(w->rdoMaster, w));
    QTest::keyClick(w->rdoMaster, Qt::Key_Down);
    ASSERT_TRUE(PollUntil([&] { return w->rdoUpdate->isChecked() && w->rdoUpdate->hasFocus(); }));
    EXPECT_TRUE(ShownWhole(w->rdoUpdate, w)) << "the focused mode is not scrolled into view";
    ASSERT_TRUE(w->txtWhere->isEnabled());

    ASSERT_TRUE(ScrollToEnd(w->txtWhere));
    EXPECT_TRUE(ShownWhole(w->txtWhere, w)) << "the WHERE text is not shown whole after scrolling";
    QTest::mouseClick(w->txtWhere->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_TRUE(PollUntil([&] { return w->txtWhere->hasFocus(); }));
    QTest::keyClicks(w->txtWhere, QStringLiteral("c1 > 0"));
    EXPECT_EQ(w->txtWhere->toPlainText(), QStringLiteral("c1 > 0"));

    QTreeWidget *list = w->lstColumn;
    EXPECT_TRUE(ShownWhole(list, w));
    EXPECT_GE(list->viewport()->height(), 8 * list->visualItemRect(list->topLevelItem(0)).height());
}

INSTANTIATE_TEST_SUITE_P(Pages, FirstSizeFields, ::testing::ValuesIn(FieldCases),
                         [](const ::testing::TestParamInfo<FieldCase> &i) { return std::string(i.param.name); });

} // namespace
