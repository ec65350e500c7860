// A first start on a 1280×1024 screen with fresh settings: the main window
// keeps its first size, and every definition and tool window, opened once
// from its menu, lies inside the MDI area with every control inside the shown
// part of its parent (nothing cut off, nothing behind a tool-bar overflow).
#include "shell/ShellTestSupport.h"

#include "monitor/ProgramWindows.h"
#include "sql/frmTemplate.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMdiSubWindow>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <functional>
#include <iostream>
#include <string>

using namespace tvtest;

namespace {

// What a user opens and how: a main-window action (its menu entry or its
// tool button), or an object of the fixture opened from the object list.
struct WindowCase {
    const char *name;
    const char *action;   // main-window action, or null
    int objectType = 0;   // with an object: its type code
    const char *schema = "";
    const char *object = "";
    const char *table = "";
};

const WindowCase Cases[] = {
    // New definitions, from the 新規作成 tool bar.
    {"NewTable", "btnNewTable"},
    {"NewIndex", "btnNewIndex"},
    {"NewView", "btnNewView"},
    {"NewFunction", "btnNewFunc"},
    {"NewProcedure", "btnNewProc"},
    {"NewType", "btnNewType"},
    {"NewTrigger", "btnNewTrigger"},
    {"NewSequence", "btnNewSeq"},
    {"NewMaterializedView", "btnNewMView"},
    {"NewConstraint", "btnNewConst"},
    {"NewRule", "btnNewRule"},
    {"NewAggregate", "btnNewAgrg"},
    // Existing objects, opened from the object list.
    {"Table", nullptr, 45, "lay", "t1"},
    {"Index", nullptr, 46, "lay", "t1_v"},
    {"View", nullptr, 47, "lay", "v1"},
    {"MaterializedView", nullptr, 61, "lay", "m1"},
    {"Function", nullptr, 52, "lay", "f2"},
    {"Trigger", nullptr, 57, "lay", "tr1", "t1"},
    {"Sequence", nullptr, 58, "lay", "s1"},
    {"Constraint", nullptr, 66, "lay", "t1_pkey", "t1"},
    {"Rule", nullptr, 127, "lay", "r1", "t1"},
    {"Schema", nullptr, 4, "", "lay"},
    {"Tablespace", nullptr, 69, "", "pg_default"},
    // Tools and monitors, from the 表示, 管理 and ツール menus.
    {"SQL", "actViewSQL"},
    {"ScriptRunner", "actViewScript"},
    {"TablesAndColumns", "actViewField"},
    {"Reference", "actViewTemplate"},
    {"Users", "actAdminUser"},
    {"Tablespaces", "actAdminStorage"},
    {"Sessions", "actAdminSession"},
    {"Locks", "actAdminLock"},
    {"ServerInformation", "actAdminDatabase"},
    {"Performance", "actAdminPerform"},
    {"Backup", "actAdminExport"},
    {"Restore", "actAdminImport"},
    {"Load", "actAdminLoad"},
    {"ObjectComparison", "actViewComp"},
    {"IndexAdviser", "actToolIndexAdviser"},
    {"SQLCatch", "actViewSQLCatch"},
    {"TableAccessMatrix", "actViewSQLCRUD"},
};

// Windows whose least size is small enough to open inside the area of the
// first start: they must fit it, not merely be reachable by scrolling.
const char *const MustFit[] = {"NewTable", "Table",   "NewTrigger", "Trigger",      "NewConstraint",
                               "Constraint", "Backup", "Restore",    "Load"};

bool MustFitTheArea(const WindowCase &c)
{
    return std::find_if(std::begin(MustFit), std::end(MustFit),
                        [&](const char *n) { return std::string(n) == c.name; }) != std::end(MustFit);
}

// Windows whose tool bar wraps and whose other controls are narrower than the
// area: they must fit its width, however many buttons their bar has.
const char *const MustFitWidth[] = {"NewView", "View", "NewMaterializedView", "MaterializedView", "Performance",
                                    "IndexAdviser"};

bool MustFitTheAreaWidth(const WindowCase &c)
{
    return std::find_if(std::begin(MustFitWidth), std::end(MustFitWidth),
                        [&](const char *n) { return std::string(n) == c.name; }) != std::end(MustFitWidth);
}

// A control's path of object names, for the failure message.
std::string Path(const QWidget *w, const QWidget *root)
{
    QString s;
    for (const QWidget *p = w; p && p != root; p = p->parentWidget()) {
        const QString n = p->objectName().isEmpty() ? QString::fromLatin1(p->metaObject()->className()) : p->objectName();
        s = s.isEmpty() ? n : n + QLatin1Char('/') + s;
    }
    return s.toStdString();
}

// The controls of `root` that the user cannot see whole: outside the shown
// part of their parent, of no size, or behind a tool bar's overflow button.
// Children of a scrolling view are left out: the user scrolls to them.
std::vector<std::string> Clipped(QWidget *root)
{
    std::vector<std::string> found;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->isVisible() || w->isWindow())
            continue;
        QWidget *parent = w->parentWidget();
        bool scrolled = false;
        for (QWidget *p = parent; p && p != root; p = p->parentWidget())
            if (auto *area = qobject_cast<QAbstractScrollArea *>(p->parentWidget()); area && area->viewport() == p)
                scrolled = true;
        if (scrolled)
            continue;
        const QRect g = w->geometry();
        if (g.width() <= 0 || g.height() <= 0 || !parent->rect().contains(g)) {
            found.push_back(Path(w, root) + " at " + std::to_string(g.x()) + "," + std::to_string(g.y()) + " " +
                            std::to_string(g.width()) + "x" + std::to_string(g.height()) + " in " +
                            std::to_string(parent->width()) + "x" + std::to_string(parent->height()));
        }
        if (auto *bar = qobject_cast<QToolBar *>(w)) {
            auto *more = bar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
            if (more && more->isVisible())
                found.push_back(Path(w, root) + " hides buttons behind its overflow button");
        }
    }
    return found;
}

class FirstStart : public ::testing::TestWithParam<WindowCase> {
protected:
    static void SetUpTestSuite() { RegisterProgramWindows(); }

    // A long database name, as users have them: the connection box of the
    // tool windows must stay inside their tool bars whatever the text.
    TestDb db{"lay_first_start_with_a_long_name"};
    ShellSession s;
};

TEST_P(FirstStart, WindowOpensInsideTheAreaWithEveryControlShown)
{
    TV_REQUIRE_DB(db);
    const WindowCase &c = GetParam();
    ASSERT_EQ(QGuiApplication::primaryScreen()->size(), QSize(1280, 1024));
    db.exec("CREATE SCHEMA lay;"
            "CREATE TABLE lay.t1 (id integer PRIMARY KEY, v text, CONSTRAINT t1_v_chk CHECK (v <> ''));"
            "CREATE INDEX t1_v ON lay.t1 (v);"
            "CREATE VIEW lay.v1 AS SELECT id, v FROM lay.t1;"
            "CREATE MATERIALIZED VIEW lay.m1 AS SELECT id FROM lay.t1;"
            "CREATE SEQUENCE lay.s1;"
            "CREATE FUNCTION lay.f1() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;"
            "CREATE FUNCTION lay.f2(a integer, b text) RETURNS integer LANGUAGE sql AS 'SELECT a';"
            "CREATE TRIGGER tr1 BEFORE INSERT ON lay.t1 FOR EACH ROW EXECUTE FUNCTION lay.f1();"
            "CREATE RULE r1 AS ON DELETE TO lay.t1 DO INSTEAD NOTHING;"
            "CREATE EXTENSION IF NOT EXISTS pg_stat_statements SCHEMA public;");
    // The SQL reference of the source tree, as the program finds it beside itself.
    TfrmTemplate::SetTemplateFolder(QStringLiteral(TALVEX_SOURCE_DIR "/app/reference/"));

    TfrmMain &m = s.Start(LogonArgs(db.params(), QStringLiteral("lay")));
    s.FirstPaint();
    ASSERT_TRUE(s.ShowMain());
    TfrmObject *conn = s.Form();
    ASSERT_NE(conn, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m.size(), QSize(852, 729));

    auto *area = m.findChild<QMdiArea *>(QStringLiteral("mdiMain"));
    ASSERT_NE(area, nullptr);
    const QList<QMdiSubWindow *> before = area->subWindowList();
    const QWidgetList topBefore = QApplication::topLevelWidgets();
    if (c.action) {
        QAction *a = m.Action(QString::fromLatin1(c.action));
        ASSERT_NE(a, nullptr) << c.action;
        ASSERT_TRUE(a->isEnabled()) << c.action;
        a->trigger();
    } else {
        const qint64 oid = c.objectType == 52
                               ? std::stoll(db.scalar("SELECT p.oid FROM pg_proc p JOIN pg_namespace n ON n.oid = "
                                                      "p.pronamespace WHERE n.nspname = 'lay' AND p.proname = '" +
                                                      std::string(c.object) + "'"))
                               : -1;
        conn->OpenObject(c.objectType, QString::fromUtf8(c.schema), QString::fromUtf8(c.object), omDefine, false, 0,
                         oid, QString::fromUtf8(c.table));
    }
    QMdiSubWindow *frame = nullptr;
    QWidget *popup = nullptr;
    ASSERT_TRUE(PollUntil([&] {
        for (QMdiSubWindow *sw : area->subWindowList())
            if (!before.contains(sw) && sw->isVisible())
                frame = sw;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (!topBefore.contains(w) && w->isVisible() && !qobject_cast<QMenu *>(w))
                popup = w;
        return frame != nullptr || popup != nullptr;
    })) << "no window opened; messages: " << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    if (!frame) {
        // A window of its own on the screen.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_TRUE(screen.contains(popup->frameGeometry()))
            << "window at " << popup->x() << "," << popup->y() << " " << popup->width() << "x" << popup->height();
        for (const std::string &clip : Clipped(popup))
            ADD_FAILURE() << clip;
        popup->close();
        return;
    }
    // Let the window finish its first layout and reads.
    QTest::qWait(0);
    ASSERT_TRUE(PollUntil([&] { return frame->widget() && frame->widget()->isVisible(); }));

    // Inside the area, or, when its controls need more room than the area
    // has, at its top left with the area scrolling to the rest.
    const QRect view = area->viewport()->rect();
    const QRect g = frame->geometry();
    const bool fits = view.contains(g);
    const bool reachable = g.x() >= 0 && g.y() >= 0 &&
                           g.right() - view.right() <= area->horizontalScrollBar()->maximum() &&
                           g.bottom() - view.bottom() <= area->verticalScrollBar()->maximum();
    if (MustFitTheArea(c)) {
        EXPECT_TRUE(fits) << "frame at " << g.x() << "," << g.y() << " " << g.width() << "x" << g.height()
                          << " in an area of " << view.width() << "x" << view.height();
    }
    EXPECT_TRUE(fits || reachable) << "frame at " << g.x() << "," << g.y() << " " << g.width() << "x" << g.height()
                                   << " in an area of " << view.width() << "x" << view.height();
    if (MustFitTheAreaWidth(c)) {
        EXPECT_TRUE(g.left() >= view.left() && g.right() <= view.right())
            << "frame from x " << g.x() << " " << g.width() << " wide in an area " << view.width() << " wide";
    }
    if (!fits)
        std::cerr << "[  NOTE    ] " << c.name << " needs " << g.width() << "x" << g.height() << "; the area scrolls\n";
    for (const std::string &clip : Clipped(frame->widget()))
        ADD_FAILURE() << clip;
}

INSTANTIATE_TEST_SUITE_P(Windows, FirstStart, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<WindowCase> &i) { return std::string(i.param.name); });

} // namespace


namespace {

// With the first connection window maximised, a second logon opens maximised
// too and stays the active one, its list and tree laid out over the whole
// area at once, not in the corner of the size it was built with; the
// connection box names it.
TEST(FirstStartConnections, SecondConnectionOpenedMaximisedFillsTheArea)
{
    TestDb db{"lay_second_connection"};
    TV_REQUIRE_DB(db);
    ShellSession s;
    TfrmMain &m = s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    ASSERT_TRUE(s.ShowMain());
    ASSERT_NE(s.Form(), nullptr);
    auto *area = m.findChild<QMdiArea *>(QStringLiteral("mdiMain"));
    ASSERT_NE(area, nullptr);
    QMdiSubWindow *first = m.SubWindowOf(s.Form());
    ASSERT_NE(first, nullptr);
    first->showMaximized();
    ASSERT_TRUE(PollUntil([&] { return first->isMaximized(); }));

    // The same database again: two connections with one descriptor text.
    const DbParams &p = db.params();
    TfrmObject *second = TfrmObject::Create(&m, p.host, p.port, p.database, QString(), p.user, p.password);
    ASSERT_NE(second, nullptr);
    QMdiSubWindow *frame = m.SubWindowOf(second);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(PollUntil([&] { return frame->isMaximized() && frame->isVisible(); }));
    const QSize view = area->viewport()->size();
    EXPECT_EQ(frame->size(), view);
    // The contents fill the frame (a few pixels of border aside) right after
    // it opens, with no further events processed.
    EXPECT_GE(second->width(), view.width() - 20) << second->width() << " of " << view.width();
    EXPECT_GE(second->height(), view.height() - 40) << second->height() << " of " << view.height();
    for (const std::string &clip : Clipped(second))
        ADD_FAILURE() << clip;
    EXPECT_EQ(area->activeSubWindow(), frame);
    EXPECT_EQ(m.CurrentObjectForm(), second);
}

} // namespace
