#include "editor/EditorError.h"
#include "editor/EditorFountain.h"
#include "editor/NotifyEventList.h"
#include <gtest/gtest.h>

namespace {
struct Counter {
    int count = 0;
    std::vector<TPersistent *> senders;
    TNotifyEvent Event()
    {
        return TNotifyEvent([this](TPersistent *s) {
            ++count;
            senders.push_back(s);
        });
    }
};

struct Listener {
    std::vector<int> *order;
    int id;
    void Heard(TPersistent *) { order->push_back(id); }
    TNotifyEvent Event() { return TNotifyEvent::Of<&Listener::Heard>(this); }
};
} // namespace

TEST(NotifyPersistent, UpdatesAreReportedOnce)
{
    TFountainColor c;
    Counter n;
    c.OnChange = n.Event();
    c.BeginUpdate();
    c.BeginUpdate();
    c.SetColor(1);
    c.SetBkColor(2);
    c.EndUpdate();
    EXPECT_EQ(n.count, 0);
    c.EndUpdate();
    EXPECT_EQ(n.count, 1);
    c.ChangedProc(&c);
    EXPECT_EQ(n.count, 1);
    c.SetColor(1); // same value
    EXPECT_EQ(n.count, 1);
    c.Assign(c);
    EXPECT_EQ(n.count, 2);
    EXPECT_EQ(n.senders.back(), &c);
}

TEST(NotifyEventList, CallsListenersInOrderWithTheOwner)
{
    TFountainColor owner;
    TNotifyEventList list(&owner);
    std::vector<int> order;
    Listener a{&order, 1}, b{&order, 2}, c{&order, 3};
    list.Add(a.Event());
    list.Add(b.Event());
    list.Add(c.Event());
    list.Add(a.Event());
    list.Changed();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 1}));
    list.Remove(a.Event());
    list.Remove(Listener{&order, 9}.Event()); // not listed: nothing
    order.clear();
    list.ChangedProc(&owner);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    Counter sender;
    list.Add(sender.Event());
    list.Changed();
    EXPECT_EQ(sender.senders.back(), &owner);
}

TEST(FountainBracketCollection, RefusesAFifteenthPair)
{
    TEditorFountain f;
    for (int i = 0; i < 14; ++i)
        f.Brackets()->Add();
    try {
        f.Brackets()->Add();
        FAIL() << "no error";
    } catch (const EEditorError &e) {
        EXPECT_EQ(e.text(), QStringLiteral("TFountainBracketCollection\r\nYou can not add item over 14"));
    }
    EXPECT_EQ(f.Brackets()->Count(), 14);
}

TEST(FountainBracketCollection, AssignCopiesPairsAndReportsOnce)
{
    TEditorFountain src, dst;
    for (int i = 0; i < 3; ++i) {
        auto *b = src.Brackets()->Add();
        b->SetLeftBracket(QString::number(i) + u'<');
        b->SetRightBracket(u'>' + QString::number(i));
        b->ItemColor()->SetColor(i + 10);
    }
    for (int i = 0; i < 5; ++i)
        dst.Brackets()->Add();
    Counter n;
    dst.Brackets()->OnChange = n.Event();
    dst.Brackets()->Assign(*src.Brackets());
    EXPECT_EQ(n.count, 1);
    ASSERT_EQ(dst.Brackets()->Count(), 3);
    EXPECT_EQ(dst.Brackets()->GetBracketItem(2)->LeftBracket(), QStringLiteral("2<"));
    EXPECT_EQ(dst.Brackets()->GetBracketItem(2)->RightBracket(), QStringLiteral(">2"));
    EXPECT_EQ(dst.Brackets()->GetBracketItem(2)->ItemColor()->Color(), 12);
}

TEST(Fountain, ChangesReachListeners)
{
    TEditorFountain f;
    Counter n;
    f.NotifyEventList()->Add(n.Event());
    f.Brackets()->Add()->ItemColor()->SetColor(5);
    EXPECT_EQ(n.count, 2); // the new pair, then its colour
    f.Reserve()->SetColor(7);
    f.Colors()->Comment()->SetStyle(FontStyleBit(fsBold));
    EXPECT_EQ(n.count, 4);
    f.ReserveWordList().Add(QStringLiteral("SELECT")); // the list's own method: no one told
    EXPECT_EQ(n.count, 4);
    f.SetReserveWordList(QStringList{QStringLiteral("x")});
    EXPECT_EQ(n.count, 5);
    EXPECT_EQ(n.senders.back(), &f);

    // Assign between colour sets: one change from Reserve, one from the set.
    TEditorFountain other;
    other.Reserve()->SetColor(99);
    f.Colors()->Assign(*other.Colors());
    EXPECT_EQ(n.count, 7);
    EXPECT_EQ(f.Reserve()->Color(), 99);
}

TEST(Fountain, ItalicSearchAndSameColours)
{
    TEditorFountain f;
    EXPECT_FALSE(f.HasItalicFontStyle(&f));
    f.Brackets()->Add()->ItemColor()->SetStyle(FontStyleBit(fsItalic));
    EXPECT_TRUE(f.HasItalicFontStyle(&f));

    Counter n;
    f.NotifyEventList()->Add(n.Event());
    f.SameColor(0x123456);
    EXPECT_EQ(n.count, 1);
    EXPECT_EQ(f.Colors()->Ank()->Color(), 0x123456);
    EXPECT_EQ(f.Colors()->Url()->Color(), 0x123456);
    EXPECT_EQ(f.Reserve()->Color(), 0x123456);
    EXPECT_EQ(f.Colors()->Select()->Color(), clWhite);
    EXPECT_EQ(f.Colors()->Hit()->Color(), clNone);

    f.Brackets()->Add();
    f.Brackets()->SameBkColor(0x42);
    EXPECT_EQ(f.Brackets()->GetBracketItem(0)->ItemColor()->BkColor(), 0x42);
    EXPECT_EQ(f.Brackets()->GetBracketItem(1)->ItemColor()->BkColor(), 0x42);
}

TEST(Fountain, AssignBetweenUnrelatedClassesFails)
{
    TFountainColor c;
    TEditorFountain f;
    EXPECT_THROW(c.Assign(*f.Colors()), EEditorError);
}
