// The scroll box of pages with many fields: the page asks for little height,
// a control given the focus is scrolled into view, and with room to spare
// the fields take the whole page so a list on it stretches.
#include "controls/tvScrollBox.h"
#include "controls/tvStrEdit.h"

#include <QApplication>
#include <QListWidget>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

// A shown window whose page holds twenty edits and a list below them.
struct Page {
    QWidget w;
    QWidget *tab = new QWidget(&w);
    QList<TtvStrEdit *> edits;
    QListWidget *list = new QListWidget;
    explicit Page(QSize size)
    {
        tab->setObjectName(QStringLiteral("tabOption"));
        (new QVBoxLayout(&w))->addWidget(tab);
        auto *fields = new QVBoxLayout(TtvScrollBox::FillPage(tab));
        for (int i = 0; i < 20; ++i) {
            edits << new TtvStrEdit;
            fields->addWidget(edits.last());
        }
        list->addItems({QStringLiteral("a"), QStringLiteral("b")});
        fields->addWidget(list, 1);
        w.resize(size);
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    TtvScrollBox *box() const { return tab->findChild<TtvScrollBox *>(QStringLiteral("sbxOption")); }
    // The part of `c` the user sees in the box.
    bool Shown(QWidget *c) const
    {
        const QRect r(c->mapTo(box()->viewport(), QPoint(0, 0)), c->size());
        return box()->viewport()->rect().contains(r);
    }
};

TEST(TtvScrollBox, ControlGivenTheFocusIsScrolledIntoView)
{
    Page p(QSize(300, 200));
    ASSERT_NE(p.box(), nullptr);
    EXPECT_EQ(p.box()->Fields()->objectName(), QStringLiteral("pnlOption"));
    // The page does not ask for the height of its fields.
    EXPECT_LT(p.w.minimumSizeHint().height(), 200);
    EXPECT_LT(p.w.height(), p.box()->Fields()->height());
    EXPECT_TRUE(p.box()->verticalScrollBar()->isVisible());
    EXPECT_FALSE(p.Shown(p.edits.last()));

    // A check that names a control far down puts the focus there.
    p.edits.last()->setFocus();
    ASSERT_TRUE(p.edits.last()->hasFocus());
    EXPECT_TRUE(p.Shown(p.edits.last()));
    QTest::keyClicks(p.edits.last(), QStringLiteral("abc"));
    EXPECT_EQ(p.edits.last()->Text(), QStringLiteral("abc"));

    // Back to the top with Shift+Tab through the fields.
    for (int i = 0; i < p.edits.size() - 1; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_TRUE(p.edits.first()->hasFocus());
    EXPECT_TRUE(p.Shown(p.edits.first()));
}

TEST(TtvScrollBox, FieldsTakeThePageWhenThereIsRoom)
{
    Page p(QSize(300, 1200));
    ASSERT_NE(p.box(), nullptr);
    EXPECT_FALSE(p.box()->verticalScrollBar()->isVisible());
    EXPECT_EQ(p.box()->Fields()->size(), p.box()->viewport()->size());
    // The list takes what the edits leave.
    EXPECT_GT(p.list->height(), p.list->minimumSizeHint().height() + 200);
    EXPECT_TRUE(p.Shown(p.list));
}

// Fields that change what they need (a part of them shown or hidden, a page
// of them switched): the box asks for their whole height, no more, as they
// are now, and when the window has less room it gives them at least their
// least height and scrolls.
TEST(TtvScrollBox, FollowsFieldsThatChangeTheirHeight)
{
    QWidget w;
    auto *lay = new QVBoxLayout(&w);
    auto *box = new TtvScrollBox;
    lay->addWidget(box);
    auto *list = new QListWidget;
    lay->addWidget(list, 1);
    auto *fields = new QVBoxLayout(box->Fields());
    fields->setContentsMargins(0, 0, 0, 0);
    auto *first = new TtvStrEdit;
    fields->addWidget(first);
    auto *more = new QWidget;
    auto *moreFields = new QVBoxLayout(more);
    moreFields->setContentsMargins(0, 0, 0, 0);
    QList<TtvStrEdit *> edits;
    for (int i = 0; i < 10; ++i) {
        edits << new TtvStrEdit;
        moreFields->addWidget(edits.last());
    }
    fields->addWidget(more);
    more->hide();
    w.resize(300, 700);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto whole = [&] { return box->height() == box->Fields()->sizeHint().height(); };

    // One edit: the box is as high as the edit, the list takes the rest.
    ASSERT_TRUE(QTest::qWaitFor([&] { return whole() && first->isVisible(); }, 60000));
    EXPECT_LT(box->height(), 2 * first->height());

    // Ten more: the box grows to show them all.
    more->show();
    ASSERT_TRUE(QTest::qWaitFor(whole, 60000)) << box->height() << " for fields of " << box->Fields()->sizeHint().height();
    EXPECT_FALSE(box->verticalScrollBar()->isVisible());
    EXPECT_TRUE(box->viewport()->rect().contains(
        QRect(edits.last()->mapTo(box->viewport(), QPoint(0, 0)), edits.last()->size())));

    // A low window: the fields keep their least height and scroll.
    w.resize(300, 220);
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->verticalScrollBar()->isVisible(); }, 60000));
    EXPECT_GE(box->Fields()->height(), box->Fields()->minimumSizeHint().height());
    QTest::keyClick(box->verticalScrollBar(), Qt::Key_End);
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->verticalScrollBar()->value() == box->verticalScrollBar()->maximum(); }, 60000));
    EXPECT_TRUE(box->viewport()->rect().contains(
        QRect(edits.last()->mapTo(box->viewport(), QPoint(0, 0)), edits.last()->size())));

    // Hidden again, in a high window: the box is as high as the one edit.
    more->hide();
    w.resize(300, 700);
    ASSERT_TRUE(QTest::qWaitFor(whole, 60000)) << box->height() << " for fields of " << box->Fields()->sizeHint().height();
    EXPECT_LT(box->height(), 2 * first->height());
}

} // namespace
