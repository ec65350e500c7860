#include "editor/EditorCaret.h"
#include "editor/EditorImagebar.h"
#include "editor/EditorLeftbar.h"
#include "editor/EditorMargin.h"
#include "editor/EditorMarks.h"
#include "editor/EditorRuler.h"
#include "editor/EditorSpeed.h"
#include "editor/EditorViewInfo.h"
#include <gtest/gtest.h>
#include <functional>
#include "editor/EditorError.h"

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

// Writes Value through Set, returns what Get reads and how many changes fired.
template <class Obj>
std::pair<int, int> Write(Obj &o, void (Obj::*set)(int), int (Obj::*get)() const, int value)
{
    Counter n;
    o.OnChange = n.Event();
    (o.*set)(value);
    o.OnChange = nullptr;
    return {(o.*get)(), n.count};
}
} // namespace

TEST(EditorSettings, LimitsClampSilentlyAndNotifyOnlyOnChange)
{
    TEditorCaret caret;
    EXPECT_EQ(caret.TabSpaceCount(), 8);
    EXPECT_EQ(Write(caret, &TEditorCaret::SetTabSpaceCount, &TEditorCaret::TabSpaceCount, 7), std::make_pair(6, 1));
    EXPECT_EQ(Write(caret, &TEditorCaret::SetTabSpaceCount, &TEditorCaret::TabSpaceCount, 1), std::make_pair(2, 1));
    EXPECT_EQ(Write(caret, &TEditorCaret::SetTabSpaceCount, &TEditorCaret::TabSpaceCount, 100), std::make_pair(8, 1));
    EXPECT_EQ(Write(caret, &TEditorCaret::SetTabSpaceCount, &TEditorCaret::TabSpaceCount, 8), std::make_pair(8, 0));
    EXPECT_EQ(Write(caret, &TEditorCaret::SetTabSpaceCount, &TEditorCaret::TabSpaceCount, 9), std::make_pair(8, 0));

    TEditorRuler ruler;
    EXPECT_EQ(Write(ruler, &TEditorRuler::SetGaugeRange, &TEditorRuler::GaugeRange, 9), std::make_pair(8, 1));
    EXPECT_EQ(Write(ruler, &TEditorRuler::SetGaugeRange, &TEditorRuler::GaugeRange, 12), std::make_pair(10, 1));

    TEditorLeftbar bar;
    EXPECT_EQ(Write(bar, &TEditorLeftbar::SetColumn, &TEditorLeftbar::Column, 0), std::make_pair(1, 1));
    EXPECT_EQ(Write(bar, &TEditorLeftbar::SetLeftMargin, &TEditorLeftbar::LeftMargin, -5), std::make_pair(0, 1));
    TEditorMargin margin;
    EXPECT_EQ(Write(margin, &TEditorMargin::SetLeft, &TEditorMargin::Left, 250), std::make_pair(100, 1));
    TEditorImagebar image;
    EXPECT_EQ(Write(image, &TEditorImagebar::SetMarkWidth, &TEditorImagebar::MarkWidth, 101), std::make_pair(100, 1));

    TEditorSpeed speed;
    speed.SetPageVerticalRange(9);
    EXPECT_EQ(speed.PageVerticalRange(), 4);
}

TEST(EditorSettings, PlainFlagsAndAssign)
{
    TEditorCaret caret, src;
    Counter n;
    caret.OnChange = n.Event();
    caret.SoftTab = true; // plain: nobody hears
    EXPECT_EQ(n.count, 0);
    src.SoftTab = false;
    src.FreeRow = true;
    src.SetStyle(csBrief);
    src.Cursors()->DefaultCursor = 5;
    caret.Assign(src);
    EXPECT_EQ(n.count, 1);
    EXPECT_FALSE(caret.SoftTab);
    EXPECT_TRUE(caret.FreeRow);
    EXPECT_EQ(caret.Style(), csBrief);
    EXPECT_EQ(caret.Cursors()->DefaultCursor, 5);

    // BeginUpdate / EndUpdate report once.
    caret.BeginUpdate();
    caret.SetTabSpaceCount(4);
    caret.SetStyle(csDefault);
    caret.EndUpdate();
    EXPECT_EQ(n.count, 2);

    TEditorMarks marks, marks2;
    Counter m;
    marks.OnChange = m.Event();
    marks.RetMark()->SetVisible(true);
    EXPECT_EQ(m.count, 1);
    marks2.TabMark()->SetColor(clRed);
    marks.Assign(marks2);
    EXPECT_EQ(m.count, 2);
    EXPECT_EQ(marks.TabMark()->Color(), clRed);
    EXPECT_FALSE(marks.RetMark()->Visible());

    TEditorRuler r1, r2;
    Counter rc;
    r1.OnChange = rc.Event();
    r2.SetVisible(true);
    r1.Assign(r2);
    EXPECT_EQ(rc.count, 1);
    EXPECT_TRUE(r1.Visible());
    EXPECT_THROW(r1.Assign(marks), EEditorError);
}

TEST(EditorSettings, ViewForwardsToItsFountain)
{
    TEditorViewInfo view;
    Counter n;
    view.OnChange = n.Event();
    view.SetQuotation(QStringLiteral("''"));
    EXPECT_EQ(view.Quotation(), QStringLiteral("'"));
    EXPECT_EQ(view.EditorFountain()->Quotation(), QStringLiteral("'"));
    EXPECT_EQ(n.count, 1);
    view.SetQuotation(QStringLiteral("'x"));
    EXPECT_EQ(n.count, 1);
    view.SetQuotation(QString());
    EXPECT_EQ(view.Quotation(), QString());
    EXPECT_EQ(n.count, 2);

    view.Colors()->Comment()->SetColor(clRed);
    EXPECT_EQ(n.count, 3);
    EXPECT_EQ(n.senders.back(), &view);

    TEditorViewInfo other;
    other.SetCommenter(QStringLiteral("--"));
    other.SetDoubleQuotation(QStringLiteral("\""));
    other.SetUrl(true);
    auto *b = other.Brackets()->Add();
    b->SetLeftBracket(QStringLiteral("/*"));
    b->SetRightBracket(QStringLiteral("*/"));
    other.Colors()->Int()->SetColor(0x0000FF);
    n.count = 0;
    view.Assign(other);
    EXPECT_EQ(n.count, 1);
    EXPECT_EQ(view.Commenter(), QStringLiteral("--"));
    EXPECT_EQ(view.DoubleQuotation(), QStringLiteral("\""));
    EXPECT_TRUE(view.Url());
    ASSERT_EQ(view.Brackets()->Count(), 1);
    EXPECT_EQ(view.Brackets()->GetBracketItem(0)->RightBracket(), QStringLiteral("*/"));
    EXPECT_EQ(view.Colors()->Int()->Color(), 0x0000FF);
}
