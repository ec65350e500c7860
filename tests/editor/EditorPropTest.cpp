// The editor settings holder: its defaults, the copy between holders and the
// events the copy fires.
#include "editor/Editor.h"
#include "editor/EditorError.h"
#include "editor/EditorProp.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemoProp.h"

#include <gtest/gtest.h>

namespace {

struct Counter {
    int count = 0;
    TPersistent *sender = nullptr;
    TNotifyEvent Event()
    {
        return TNotifyEvent([this](TPersistent *s) {
            ++count;
            sender = s;
        });
    }
};

// Every setting of the holder changed away from its default.
void ChangeEverything(TEditorProp &p)
{
    p.SetColor(0x00112233);
    p.Caret()->AutoIndent = false;
    p.Caret()->FreeCaret = false;
    p.Caret()->NextLine = true;
    p.Caret()->SoftTab = true;
    p.Caret()->SetTabSpaceCount(4);
    p.Caret()->SetStyle(csBrief);
    p.Font()->Name = QStringLiteral("ＭＳ ゴシック");
    p.Font()->Size = 12;
    p.Font()->Color = 0x00445566;
    p.Font()->Pitch = fpFixed;
    p.Font()->Style = FontStyleBit(fsBold);
    p.SetHitStyle(hsCaret);
    p.Imagebar()->SetVisible(false);
    p.Imagebar()->SetMarkWidth(7);
    p.Leftbar()->SetVisible(true);
    p.Leftbar()->SetColumn(5);
    p.Leftbar()->SetBkColor(TColor(0xFF00000Fu));
    p.Margin()->SetLeft(2);
    p.Margin()->SetTop(9);
    p.Marks()->EofMark()->SetColor(clRed);
    p.Marks()->EofMark()->SetVisible(true);
    p.Marks()->SpaceMark()->SetColor(clSilver);
    p.Marks()->SpaceMark()->SetVisible(true);
    p.SetReserveWordList(QStringList{QStringLiteral("SELECT"), QStringLiteral("FROM")});
    p.Ruler()->SetVisible(true);
    p.Ruler()->SetGaugeRange(8);
    p.SetScrollBars(ssBoth);
    p.Speed()->SetPageVerticalRange(4);
    p.Speed()->InitBracketsFull = true;
    p.View()->SetCommenter(QStringLiteral("--"));
    p.View()->SetQuotation(QStringLiteral("'"));
    p.View()->Colors()->Comment()->SetColor(0x00008000);
    p.View()->Colors()->Reserve()->SetColor(0x00FF0000);
    TFountainBracketItem *b = p.View()->Brackets()->Add();
    b->SetLeftBracket(QStringLiteral("/*"));
    b->SetRightBracket(QStringLiteral("*/"));
    p.SetWordWrap(true);
    p.WrapOption()->SetWrapByte(60);
    p.WrapOption()->SetWordBreak(true);
    p.WrapOption()->SetLeading(true);
    p.WrapOption()->SetFollowStr(QStringLiteral("、。"));
    p.FileExtList().Add(QStringLiteral(".sql"));
}

void ExpectSameSettings(TEditorProp &a, TEditorProp &b)
{
    EXPECT_EQ(a.Color(), b.Color());
    EXPECT_EQ(a.Caret()->AutoIndent, b.Caret()->AutoIndent);
    EXPECT_EQ(a.Caret()->FreeCaret, b.Caret()->FreeCaret);
    EXPECT_EQ(a.Caret()->NextLine, b.Caret()->NextLine);
    EXPECT_EQ(a.Caret()->SoftTab, b.Caret()->SoftTab);
    EXPECT_EQ(a.Caret()->TabSpaceCount(), b.Caret()->TabSpaceCount());
    EXPECT_EQ(a.Caret()->Style(), b.Caret()->Style());
    EXPECT_EQ(*a.Font(), *b.Font());
    EXPECT_EQ(a.HitStyle(), b.HitStyle());
    EXPECT_EQ(a.Imagebar()->Visible(), b.Imagebar()->Visible());
    EXPECT_EQ(a.Imagebar()->MarkWidth(), b.Imagebar()->MarkWidth());
    EXPECT_EQ(a.Leftbar()->Visible(), b.Leftbar()->Visible());
    EXPECT_EQ(a.Leftbar()->Column(), b.Leftbar()->Column());
    EXPECT_EQ(a.Leftbar()->BkColor(), b.Leftbar()->BkColor());
    EXPECT_EQ(a.Margin()->Left(), b.Margin()->Left());
    EXPECT_EQ(a.Margin()->Top(), b.Margin()->Top());
    EXPECT_EQ(a.Marks()->EofMark()->Color(), b.Marks()->EofMark()->Color());
    EXPECT_EQ(a.Marks()->EofMark()->Visible(), b.Marks()->EofMark()->Visible());
    EXPECT_EQ(a.Marks()->SpaceMark()->Visible(), b.Marks()->SpaceMark()->Visible());
    EXPECT_EQ(a.ReserveWordList().ToStringList(), b.ReserveWordList().ToStringList());
    EXPECT_EQ(a.Ruler()->Visible(), b.Ruler()->Visible());
    EXPECT_EQ(a.Ruler()->GaugeRange(), b.Ruler()->GaugeRange());
    EXPECT_EQ(a.ScrollBars(), b.ScrollBars());
    EXPECT_EQ(a.Speed()->PageVerticalRange(), b.Speed()->PageVerticalRange());
    EXPECT_EQ(a.Speed()->InitBracketsFull, b.Speed()->InitBracketsFull);
    EXPECT_EQ(a.View()->Commenter(), b.View()->Commenter());
    EXPECT_EQ(a.View()->Quotation(), b.View()->Quotation());
    EXPECT_EQ(a.View()->Colors()->Comment()->Color(), b.View()->Colors()->Comment()->Color());
    EXPECT_EQ(a.View()->Colors()->Reserve()->Color(), b.View()->Colors()->Reserve()->Color());
    ASSERT_EQ(a.View()->Brackets()->Count(), b.View()->Brackets()->Count());
    for (int i = 0; i < a.View()->Brackets()->Count(); ++i) {
        EXPECT_EQ(a.View()->Brackets()->GetBracketItem(i)->LeftBracket(),
                  b.View()->Brackets()->GetBracketItem(i)->LeftBracket());
        EXPECT_EQ(a.View()->Brackets()->GetBracketItem(i)->RightBracket(),
                  b.View()->Brackets()->GetBracketItem(i)->RightBracket());
    }
    EXPECT_EQ(a.WordWrap(), b.WordWrap());
    EXPECT_EQ(a.WrapOption()->WrapByte(), b.WrapOption()->WrapByte());
    EXPECT_EQ(a.WrapOption()->WordBreak(), b.WrapOption()->WordBreak());
    EXPECT_EQ(a.WrapOption()->Leading(), b.WrapOption()->Leading());
    EXPECT_EQ(a.WrapOption()->FollowStr(), b.WrapOption()->FollowStr());
    EXPECT_EQ(a.FileExtList().ToStringList(), b.FileExtList().ToStringList());
}

} // namespace

TEST(EditorProp, NewHolderDefaults)
{
    TtvMemoProp p;
    EXPECT_EQ(p.Color(), TColor(0xFF000005u));
    EXPECT_EQ(p.Font()->Name, QStringLiteral("FixedSys"));
    EXPECT_EQ(p.Font()->Color, TColor(0xFF000008u));
    EXPECT_EQ(p.HitStyle(), hsSelect);
    EXPECT_EQ(p.ScrollBars(), ssNone);
    EXPECT_FALSE(p.WordWrap());
    EXPECT_TRUE(p.ReserveWordList().IsEmpty());
    EXPECT_EQ(p.WrapOption()->WrapByte(), TEditorWrapOption().WrapByte());
    EXPECT_EQ(p.View()->GetOwner(), &p);
    EXPECT_STREQ(p.ClassName(), "TtvMemoProp");
}

TEST(EditorProp, AssignCopiesEverySettingAndFiresOneChange)
{
    TEditorProp src;
    ChangeEverything(src);
    TtvMemoProp dst; // a descendant takes a plain holder's settings
    Counter change, color, hit, scroll, wrap;
    dst.OnChange = change.Event();
    dst.OnColorChange = color.Event();
    dst.OnHitStyleChange = hit.Event();
    dst.OnScrollBarsChange = scroll.Event();
    dst.OnWordWrapChange = wrap.Event();

    dst.Assign(src);

    ExpectSameSettings(src, dst);
    EXPECT_EQ(change.count, 1);
    EXPECT_EQ(change.sender, &dst);
    // The value events fire from their setters; HitStyle is copied silently.
    EXPECT_EQ(color.count, 1);
    EXPECT_EQ(scroll.count, 1);
    EXPECT_EQ(wrap.count, 1);
    EXPECT_EQ(hit.count, 0);

    // The copy is deep: changing the source afterwards leaves the copy alone.
    src.Marks()->EofMark()->SetColor(clBlack);
    src.View()->Colors()->Reserve()->SetColor(clBlack);
    EXPECT_EQ(dst.Marks()->EofMark()->Color(), clRed);
    EXPECT_EQ(dst.View()->Colors()->Reserve()->Color(), 0x00FF0000);

    // A second copy of equal values fires the one change again and no value event.
    TEditorProp again;
    again.Assign(dst);
    Counter change2, color2;
    again.OnChange = change2.Event();
    again.OnColorChange = color2.Event();
    again.Assign(dst);
    EXPECT_EQ(change2.count, 1);
    EXPECT_EQ(color2.count, 0);

    // AssignTo is the same copy seen from the source.
    TEditorProp third;
    dst.AssignTo(third);
    ExpectSameSettings(dst, third);
}

TEST(EditorProp, ValueEventsFireOnlyOnChange)
{
    TEditorProp p;
    Counter color, hit, scroll, wrap;
    p.OnColorChange = color.Event();
    p.OnHitStyleChange = hit.Event();
    p.OnScrollBarsChange = scroll.Event();
    p.OnWordWrapChange = wrap.Event();
    p.SetColor(p.Color());
    p.SetHitStyle(p.HitStyle());
    p.SetScrollBars(p.ScrollBars());
    p.SetWordWrap(p.WordWrap());
    EXPECT_EQ(color.count + hit.count + scroll.count + wrap.count, 0);
    p.SetColor(clRed);
    p.SetHitStyle(hsDraw);
    p.SetScrollBars(ssVertical);
    p.SetWordWrap(true);
    EXPECT_EQ(color.count, 1);
    EXPECT_EQ(hit.count, 1);
    EXPECT_EQ(scroll.count, 1);
    EXPECT_EQ(wrap.count, 1);
    EXPECT_EQ(color.sender, &p);
}

TEST(EditorProp, AssignFromAnUnrelatedObjectFails)
{
    TEditorProp p;
    TEditorCaret caret;
    Counter change;
    p.OnChange = change.Event();
    EXPECT_THROW(p.Assign(caret), EEditorError);
    EXPECT_EQ(change.count, 0);
}

TEST(EditorProp, OntoAnEditorAndBackKeepsEverySetting)
{
    TEditorProp src;
    ChangeEverything(src);
    TEditor ed;
    src.AssignTo(ed);
    EXPECT_EQ(ed.Color(), src.Color());
    EXPECT_EQ(ed.ScrollBars(), ssBoth);
    EXPECT_EQ(ed.HitStyle(), hsCaret);
    EXPECT_TRUE(ed.WordWrap());
    EXPECT_EQ(ed.WrapOption()->WrapByte(), 60);
    EXPECT_EQ(ed.font().pointSize(), 12);
    EXPECT_TRUE(ed.font().bold());
    EXPECT_EQ(ed.FontColor(), TColor(0x00445566));
    EXPECT_EQ(ed.ReserveWordList().ToStringList(), src.ReserveWordList().ToStringList());

    TEditorProp back;
    back.FileExtList().Add(QStringLiteral(".sql")); // an editor has none: the list stays
    Counter change, hit;
    back.OnChange = change.Event();
    back.OnHitStyleChange = hit.Event();
    back.Assign(ed);
    ExpectSameSettings(src, back);
    EXPECT_EQ(change.count, 1);
    EXPECT_EQ(hit.count, 0);

    // Editor to editor through a holder: same colours, rules, brackets and words.
    TEditor second;
    back.AssignTo(second);
    EXPECT_EQ(second.View()->Colors()->Reserve()->Color(), 0x00FF0000);
    EXPECT_EQ(second.View()->Commenter(), QStringLiteral("--"));
    ASSERT_EQ(second.View()->Brackets()->Count(), ed.View()->Brackets()->Count());
    EXPECT_EQ(second.View()->Brackets()->GetBracketItem(0)->LeftBracket(), QStringLiteral("/*"));
    EXPECT_EQ(second.ReserveWordList().ToStringList(), ed.ReserveWordList().ToStringList());
}

TEST(EditorProp, WrappingIsSwitchedOnWithTheFinalWidth)
{
    TEditor ed;
    ed.resize(800, 300);
    ed.Lines()->SetText(QString(150, u'x'));
    ASSERT_FALSE(ed.WordWrap());
    ASSERT_EQ(ed.ListCount(), 1);
    TEditorProp p;
    p.SetWordWrap(true);
    p.WrapOption()->SetWrapByte(60);
    p.AssignTo(ed);
    EXPECT_TRUE(ed.WordWrap());
    EXPECT_EQ(ed.ListCount(), 3); // 60 + 60 + 30
    EXPECT_EQ(ed.ListString(0).size(), 60);

    // Switching off: unwrapped first, then the options copied.
    p.SetWordWrap(false);
    p.WrapOption()->SetWrapByte(40);
    p.AssignTo(ed);
    EXPECT_FALSE(ed.WordWrap());
    EXPECT_EQ(ed.ListCount(), 1);
    EXPECT_EQ(ed.WrapOption()->WrapByte(), 40);
}
