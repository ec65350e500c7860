// What the user does while a statement runs: the keys, clicks and the
// program's posted actions wait for the statement and then arrive in order;
// nothing reaches the session in the middle of it, nothing is refused, and an
// Esc belongs to the statement. A dialog that the work opens, and a window
// marked live, take their input at once.
#include "support/DbTestSupport.h"

#include "platform/ui/EscapeWatch.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using tv::db::Connection;
using tv::db::DbError;

namespace {

// Runs `work` once, from a timer, as soon as `c` has a statement running:
// the timer fires inside the statement's wait, as the user's input would.
class DuringStatement {
public:
    DuringStatement(Connection &c, std::function<void()> work) : m_work(std::move(work))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this, &c] {
            if (!c.Busy())
                return;
            m_timer.stop();
            m_ran = true;
            m_work();
        });
        m_timer.start();
    }
    bool ran() const { return m_ran; }

private:
    QTimer m_timer;
    std::function<void()> m_work;
    bool m_ran = false;
};

struct Window {
    QWidget top;
    QLineEdit *edit = new QLineEdit(&top);
    QLineEdit *other = new QLineEdit(&top);
    QPushButton *button = new QPushButton(QStringLiteral("b"), &top);
    Window()
    {
        auto *l = new QVBoxLayout(&top);
        l->addWidget(edit);
        l->addWidget(other);
        l->addWidget(button);
        top.show();
        QApplication::setActiveWindow(&top);
        edit->setFocus();
    }
};

bool WaitFor(const std::function<bool()> &done)
{
    return QTest::qWaitFor(done, 60000);
}

} // namespace

TEST(HeldInput, InputDuringAStatementArrivesAfterItInOrder)
{
    tvtest::TestDb db("held");
    TV_REQUIRE_DB(db);
    tv::ui::InstallEscapeWatch();
    Connection c(dbtest::paramsOf(db));
    c.Open();
    Window w;
    ASSERT_TRUE(WaitFor([&] { return w.edit->hasFocus(); }));
    QStringList seen;
    QObject::connect(w.edit, &QLineEdit::textChanged, [&](const QString &t) { seen << t; });
    QString clickAnswer;
    bool busyAtClick = true;
    QObject::connect(w.button, &QPushButton::clicked, [&] {
        busyAtClick = c.Busy();
        seen << QStringLiteral("click");
        // The click's own statement reaches the server.
        clickAnswer = c.ExecScalar(QStringLiteral("SELECT 'second'"));
    });
    QString heldText = QStringLiteral("unset");
    bool focusMovedEarly = true;
    DuringStatement during(c, [&] {
        QTest::keyClicks(w.edit, QStringLiteral("ab"));
        QTest::mouseClick(w.other, Qt::LeftButton);
        QTest::mouseClick(w.button, Qt::LeftButton);
        tv::ui::PostAction(w.edit, [&] { seen << QStringLiteral("action"); });
        heldText = w.edit->text();
        focusMovedEarly = w.other->hasFocus();
    });

    EXPECT_EQ(c.ExecScalar(QStringLiteral("SELECT pg_sleep(0.3)::text || 'first'")), QStringLiteral("first"));
    ASSERT_TRUE(during.ran());
    EXPECT_EQ(heldText, QString()) << "keys typed during the statement wait for it";
    EXPECT_FALSE(focusMovedEarly);
    EXPECT_TRUE(seen.isEmpty());

    ASSERT_TRUE(WaitFor([&] { return seen.size() == 4; })) << seen.join('|').toStdString();
    EXPECT_EQ(seen, (QStringList{"a", "ab", "click", "action"}));
    EXPECT_EQ(w.edit->text(), QStringLiteral("ab"));
    EXPECT_FALSE(busyAtClick);
    EXPECT_EQ(clickAnswer, QStringLiteral("second"));
    // Delivered as the window system gives it: the click moved the focus.
    EXPECT_TRUE(w.other->hasFocus() || w.button->hasFocus());
    EXPECT_EQ(tv::ui::EscapeWatch::instance().heldCount(), 0);
}

TEST(HeldInput, EscDuringAStatementCancelsItAndGoesNoFurther)
{
    tvtest::TestDb db("held");
    TV_REQUIRE_DB(db);
    tv::ui::InstallEscapeWatch();
    Connection c(dbtest::paramsOf(db));
    c.Open();
    c.SetCancelCheck(tv::ui::EscapeCancelCheck());
    tv::ui::ClearEscape();
    Window w;
    int escReachedEdit = 0;
    struct Counter : QObject {
        int *n;
        explicit Counter(int *n) : n(n) {}
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape)
                ++*n;
            return false;
        }
    } counter(&escReachedEdit);
    w.edit->installEventFilter(&counter);
    DuringStatement during(c, [&] { QTest::keyClick(w.edit, Qt::Key_Escape); });
    try {
        c.Exec(QStringLiteral("SELECT pg_sleep(60)"));
        ADD_FAILURE() << "the statement was not cancelled";
    } catch (const DbError &e) {
        EXPECT_EQ(e.sqlState(), QStringLiteral("57014"));
    }
    ASSERT_TRUE(during.ran());
    QTest::qWait(50);
    EXPECT_EQ(escReachedEdit, 0);
    EXPECT_EQ(tv::ui::EscapeWatch::instance().heldCount(), 0);
    // Outside a statement the key reaches the widget as always.
    QTest::keyClick(w.edit, Qt::Key_Escape);
    EXPECT_EQ(escReachedEdit, 1);
    c.SetCancelCheck(nullptr);
    tv::ui::ClearEscape();
}

// A dialog opened inside the work (a question while it runs) and a window
// marked live take input while the statement still runs; a held event for a
// window that has gone is dropped.
TEST(HeldInput, DialogsAndLiveWindowsTakeInputAtOnce)
{
    tvtest::TestDb db("held");
    TV_REQUIRE_DB(db);
    tv::ui::InstallEscapeWatch();
    Connection c(dbtest::paramsOf(db));
    c.Open();
    Window live;
    tv::ui::SetLiveWhileBusy(&live.top);
    bool liveClickedBusy = false;
    QObject::connect(live.button, &QPushButton::clicked, [&] { liveClickedBusy = c.Busy(); });
    auto gone = std::make_unique<Window>();
    QString typedInDialog;
    bool dialogAnsweredBusy = false;
    DuringStatement during(c, [&] {
        QTest::mouseClick(live.button, Qt::LeftButton);
        QTest::keyClicks(gone->edit, QStringLiteral("lost"));
        QDialog d;
        auto *e = new QLineEdit(&d);
        QTimer::singleShot(0, &d, [&] {
            QTest::keyClicks(e, QStringLiteral("yes"));
            dialogAnsweredBusy = c.Busy();
            d.accept();
        });
        d.exec();
        typedInDialog = e->text();
        gone.reset();
    });
    EXPECT_EQ(c.ExecScalar(QStringLiteral("SELECT pg_sleep(0.3)::text || 'x'")), QStringLiteral("x"));
    ASSERT_TRUE(during.ran());
    EXPECT_TRUE(liveClickedBusy);
    EXPECT_EQ(typedInDialog, QStringLiteral("yes"));
    EXPECT_TRUE(dialogAnsweredBusy);
    EXPECT_TRUE(WaitFor([] { return tv::ui::EscapeWatch::instance().heldCount() == 0; }));
}
