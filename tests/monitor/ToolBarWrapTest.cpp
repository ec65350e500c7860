// Command tool bars that wrap. A window narrower than a row of all its tool
// buttons lays them out in rows: every button shown whole and working (a
// click, Alt with its letter), the page below starting under the last row,
// no overflow button, the button of a hidden action left out; widened again,
// one row. A window whose bar does not
// wrap keeps one row. The connection box of a tool window takes the room of
// a row, its label beside it.
#include "shell/ShellTestSupport.h"

#include "controls/tvToolBar.h"
#include "monitor/ProgramWindows.h"
#include "monitor/frmIndexAdviser.h"
#include "objects/table/frmDefinition.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>

using namespace tvtest;

namespace {

// The widgets the bar shows for its visible actions (separators aside).
QList<QWidget *> Items(TtvToolBar *bar)
{
    QList<QWidget *> items;
    for (QAction *a : bar->actions())
        if (a->isVisible() && !a->isSeparator())
            if (QWidget *w = bar->widgetForAction(a))
                items << w;
    return items;
}

// The rows the shown items make, from their places on the screen.
int Rows(TtvToolBar *bar)
{
    QList<QRect> rects;
    for (QWidget *w : Items(bar))
        if (w->isVisible())
            rects << w->geometry();
    std::sort(rects.begin(), rects.end(), [](const QRect &a, const QRect &b) { return a.top() < b.top(); });
    int rows = 0;
    int bottom = INT_MIN;
    for (const QRect &r : rects) {
        if (r.top() > bottom) {
            ++rows;
            bottom = r.bottom();
        } else {
            bottom = std::max(bottom, r.bottom());
        }
    }
    return rows;
}

// The window's layout has given the bar the height of its rows.
bool Settled(TtvToolBar *bar)
{
    return bar->height() == bar->HeightForWidth(bar->width());
}

// `below` starts under the bar's last row.
bool Under(QWidget *below, TtvToolBar *bar)
{
    return below->mapTo(below->window(), QPoint(0, 0)).y() > bar->mapTo(bar->window(), QPoint(0, bar->height() - 1)).y();
}

// Every item of the bar shown whole inside it, none over another, and the
// overflow button hidden.
void ExpectEveryItemShown(TtvToolBar *bar)
{
    QList<QRect> seen;
    for (QWidget *w : Items(bar)) {
        const std::string name = w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName().toStdString();
        EXPECT_TRUE(w->isVisible()) << name;
        EXPECT_TRUE(bar->rect().contains(w->geometry()))
            << name << " at " << w->x() << "," << w->y() << " " << w->width() << "x" << w->height() << " in a bar of "
            << bar->width() << "x" << bar->height();
        for (const QRect &r : seen)
            EXPECT_FALSE(r.intersects(w->geometry())) << name << " lies over another item";
        seen << w->geometry();
    }
    auto *more = bar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
    EXPECT_TRUE(!more || !more->isVisible()) << "an overflow button is shown";
}

class WrappingToolBar : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterProgramWindows(); }

    TfrmObject *Logon()
    {
        s.Start(LogonArgs(db.params()));
        s.FirstPaint();
        EXPECT_TRUE(s.ShowMain());
        return s.Form();
    }

    TestDb db{"tbwrap"};
    ShellSession s;
};

} // namespace

// A view window made narrow and wide again; the schema window, whose bar does
// not wrap, keeps one row.
TEST_F(WrappingToolBar, ANarrowDefinitionWindowShowsEveryButtonInRows)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA wrap; CREATE VIEW wrap.v1 AS SELECT 1 AS a");
    TfrmObject *conn = Logon();
    ASSERT_NE(conn, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();

    auto *schema = dynamic_cast<TfrmDefinition *>(conn->OpenObject(4, QString(), QStringLiteral("wrap")));
    ASSERT_NE(schema, nullptr);
    auto *w = dynamic_cast<TfrmDefinition *>(conn->OpenObject(47, QStringLiteral("wrap"), QStringLiteral("v1")));
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    QMdiSubWindow *frame = w->Frame();
    ASSERT_NE(frame, nullptr);
    TtvToolBar *bar = w->tolCmd;

    frame->resize(1400, 500);
    ASSERT_TRUE(PollUntil([&] { return Rows(bar) == 1 && Settled(bar) && Under(w->pagObject, bar); }))
        << Rows(bar) << " rows in a bar of " << bar->width();
    ExpectEveryItemShown(bar);
    const int oneRow = bar->height();

    // Narrower than a row of its buttons and name panel: as narrow as the
    // window may become.
    frame->resize(frame->minimumSizeHint().width(), 500);
    ASSERT_TRUE(PollUntil([&] { return Rows(bar) >= 3 && Settled(bar) && Under(w->pagObject, bar); }))
        << Rows(bar) << " rows in a bar of " << bar->width();
    EXPECT_LT(bar->width(), bar->sizeHint().width());
    EXPECT_GT(bar->height(), oneRow);
    ExpectEveryItemShown(bar);

    // A button works by a click and by Alt with its letter.
    QSignalSpy refreshed(w->actRefresh, &QAction::triggered);
    QTest::mouseClick(bar->widgetForAction(w->actRefresh), Qt::LeftButton);
    EXPECT_EQ(refreshed.count(), 1);
    frame->mdiArea()->setActiveSubWindow(frame);
    w->pagObject->tabBar()->setFocus();
    ASSERT_TRUE(PollUntil([&] { return QApplication::focusWidget() == w->pagObject->tabBar(); }));
    QTest::keyClick(w->pagObject->tabBar(), Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(PollUntil([&] { return refreshed.count() == 2; }));

    // A hidden action takes its button out of the rows; shown again, it is
    // back in its place.
    QWidget *deleteButton = bar->widgetForAction(w->actDelete);
    const QRect deletePlace = deleteButton->geometry();
    w->actDelete->setVisible(false);
    EXPECT_TRUE(PollUntil([&] { return !deleteButton->isVisible() && Settled(bar); }));
    ExpectEveryItemShown(bar);
    w->actDelete->setVisible(true);
    EXPECT_TRUE(PollUntil([&] { return deleteButton->isVisible() && Settled(bar); }));
    EXPECT_EQ(deleteButton->geometry(), deletePlace);
    ExpectEveryItemShown(bar);

    // Wide again: one row of the first height.
    frame->resize(1400, 500);
    EXPECT_TRUE(PollUntil([&] { return Rows(bar) == 1 && Settled(bar) && bar->height() == oneRow && Under(w->pagObject, bar); }))
        << Rows(bar) << " rows, " << bar->height() << " high";
    ExpectEveryItemShown(bar);

    // The schema window's bar keeps one row however narrow the window.
    QMdiSubWindow *schemaFrame = schema->Frame();
    ASSERT_NE(schemaFrame, nullptr);
    schemaFrame->resize(1400, 500);
    ASSERT_TRUE(PollUntil([&] { return Rows(schema->tolCmd) == 1 && schema->tolCmd->width() > 900; }));
    const int schemaRow = schema->tolCmd->height();
    schemaFrame->resize(frame->minimumSizeHint().width(), 500);
    ASSERT_TRUE(PollUntil([&] { return schema->tolCmd->width() < 600; }));
    QTest::qWait(0);
    EXPECT_EQ(Rows(schema->tolCmd), 1);
    EXPECT_EQ(schema->tolCmd->height(), schemaRow);
}

// The index adviser made narrow: the connection box leaves the end of the
// first row for a row of its own with its label, as wide as it may be, and
// the buttons stay in rows above it.
TEST_F(WrappingToolBar, TheConnectionBoxTakesTheRoomOfARow)
{
    TV_REQUIRE_DB(db);
    TfrmObject *conn = Logon();
    ASSERT_NE(conn, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    QAction *open = s.main->Action(QStringLiteral("actToolIndexAdviser"));
    ASSERT_NE(open, nullptr);
    open->trigger();
    TfrmIndexAdviser *w = nullptr;
    ASSERT_TRUE(PollUntil([&] {
        w = s.main->findChild<TfrmIndexAdviser *>();
        return w && w->isVisible();
    }));
    QMdiSubWindow *frame = w->Frame();
    ASSERT_NE(frame, nullptr);
    TtvToolBar *bar = w->tolCmd;
    auto *label = bar->findChild<QLabel *>(QStringLiteral("lblDBName"));
    ASSERT_NE(label, nullptr);
    QComboBox *box = w->cmbDBName;
    const int widest = box->maximumWidth();

    frame->resize(1600, 600);
    ASSERT_TRUE(PollUntil([&] { return Rows(bar) == 1 && Settled(bar); })) << Rows(bar) << " rows in a bar of " << bar->width();
    EXPECT_EQ(box->width(), widest);
    ExpectEveryItemShown(bar);

    // Narrower than its buttons and the box together.
    frame->resize(640, 600);
    ASSERT_TRUE(PollUntil([&] { return Rows(bar) >= 2 && Settled(bar) && box->y() > Items(bar).first()->geometry().bottom(); }))
        << Rows(bar) << " rows in a bar of " << bar->width();
    ExpectEveryItemShown(bar);
    ASSERT_GT(bar->width(), label->width() + widest + 16);
    EXPECT_EQ(box->width(), widest);
    // The label starts the box's row, beside the box.
    EXPECT_LT(label->x(), 8);
    EXPECT_TRUE(label->geometry().bottom() > box->geometry().top() && label->geometry().top() < box->geometry().bottom());
    EXPECT_LT(label->geometry().right(), box->x());
}
