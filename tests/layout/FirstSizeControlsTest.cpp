// At the first start (1280×1024, fresh settings) the windows whose pages hold
// more fields than their first size shows open inside the MDI area; the user
// still reaches and uses every control: the fields scroll within the page,
// and lists, grids and trees that shrank still show their rows.
#include "shell/ShellTestSupport.h"

#include "controls/tvScrollBox.h"
#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "monitor/ProgramWindows.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>

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

INSTANTIATE_TEST_SUITE_P(Pages, FirstSizeFields, ::testing::ValuesIn(FieldCases),
                         [](const ::testing::TestParamInfo<FieldCase> &i) { return std::string(i.param.name); });

} // namespace
