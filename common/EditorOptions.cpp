#include "common/EditorOptions.h"

#include "common/OptionIO.h"
#include "editor/EditorProp.h"

#include <functional>

namespace {

const QString kEditorKey = QStringLiteral("EDITOR");

// One stored integer or Boolean value and the property it stands for.
struct Item {
    const char *Name;
    bool IsBool;
    int Default;
    std::function<int(const TEditorProp &)> Get;
    std::function<void(TEditorProp &, int)> Set;
};

Item Flag(const char *name, bool dflt, bool TEditorCaret::*field)
{
    return {name, true, dflt ? 1 : 0,
            [field](const TEditorProp &p) { return (p.Caret()->*field) ? 1 : 0; },
            [field](TEditorProp &p, int v) { p.Caret()->*field = v != 0; }};
}

// A mark shows exactly when it has a colour.
Item Mark(const char *name, TColor dflt, TEditorMark *(TEditorMarks::*mark)())
{
    return {name, false, dflt,
            [mark](const TEditorProp &p) {
                TEditorMark *m = (p.Marks()->*mark)();
                return m->Visible() ? m->Color() : clNone;
            },
            [mark](TEditorProp &p, int v) {
                TEditorMark *m = (p.Marks()->*mark)();
                m->SetColor(v);
                m->SetVisible(v != clNone);
            }};
}

Item TokenColor(const char *name, TColor dflt, TFountainColor *(*color)(const TEditorProp &), bool background)
{
    return {name, false, dflt,
            [color, background](const TEditorProp &p) {
                TFountainColor *c = color(p);
                return background ? c->BkColor() : c->Color();
            },
            [color, background](TEditorProp &p, int v) {
                TFountainColor *c = color(p);
                if (background)
                    c->SetBkColor(v);
                else
                    c->SetColor(v);
            }};
}

TFountainColor *CommentColor(const TEditorProp &p) { return p.View()->Colors()->Comment(); }
TFountainColor *StrColor(const TEditorProp &p) { return p.View()->Colors()->Str(); }
TFountainColor *ReserveColor(const TEditorProp &p) { return p.View()->Colors()->Reserve(); }
TFountainColor *HitColor(const TEditorProp &p) { return p.View()->Colors()->Hit(); }

constexpr TColor kTeal = 0x00808000;
constexpr TColor kSilver = 0x00C0C0C0;
constexpr TColor kGreen = 0x00008000;
constexpr TColor kBlue = 0x00FF0000;
constexpr TColor kBtnFace = TColor(0xFF00000Fu);

const QString kDefaultFontName = QStringLiteral("ＭＳ ゴシック");

// Every stored value but "FontName", in stored order.
const std::vector<Item> &Items()
{
    static const std::vector<Item> items = {
        {"FontSize", false, 12, [](const TEditorProp &p) { return p.Font()->Size; },
         [](TEditorProp &p, int v) { p.Font()->Size = v; }},
        {"FontColor", false, clWindowText, [](const TEditorProp &p) { return p.Font()->Color; },
         [](TEditorProp &p, int v) { p.Font()->Color = v; }},
        {"Color", false, clWindow, [](const TEditorProp &p) { return p.Color(); },
         [](TEditorProp &p, int v) { p.SetColor(v); }},
        Flag("AutoIndent", false, &TEditorCaret::AutoIndent),
        Flag("BackSpaceUnIndent", false, &TEditorCaret::BackSpaceUnIndent),
        Flag("FreeCaret", false, &TEditorCaret::FreeCaret),
        Flag("InTab", false, &TEditorCaret::InTab),
        Flag("NextLine", true, &TEditorCaret::NextLine),
        Flag("TabIndent", false, &TEditorCaret::TabIndent),
        Flag("SoftTab", false, &TEditorCaret::SoftTab),
        {"TabSize", false, 8, [](const TEditorProp &p) { return p.Caret()->TabSpaceCount(); },
         [](TEditorProp &p, int v) { p.Caret()->SetTabSpaceCount(v); }},
        Flag("SelMove", true, &TEditorCaret::SelMove),
        {"ShowRecNo", true, 1, [](const TEditorProp &p) { return p.Leftbar()->Visible() ? 1 : 0; },
         [](TEditorProp &p, int v) { p.Leftbar()->SetVisible(v != 0); }},
        {"ShowRuler", true, 1, [](const TEditorProp &p) { return p.Ruler()->Visible() ? 1 : 0; },
         [](TEditorProp &p, int v) { p.Ruler()->SetVisible(v != 0); }},
        {"RulerSize", false, 10, [](const TEditorProp &p) { return p.Ruler()->GaugeRange(); },
         [](TEditorProp &p, int v) { p.Ruler()->SetGaugeRange(v); }},
        Mark("EOFColor", clNone, &TEditorMarks::EofMark),
        Mark("CRColor", kTeal, &TEditorMarks::RetMark),
        Mark("ULColor", clNone, &TEditorMarks::Underline),
        Mark("TABColor", kSilver, &TEditorMarks::TabMark),
        Mark("SemiSpaceColor", clNone, &TEditorMarks::SemiSpaceMark),
        Mark("SpaceColor", kSilver, &TEditorMarks::SpaceMark),
        TokenColor("CommentColor", kGreen, CommentColor, false),
        TokenColor("CommentBkColor", clNone, CommentColor, true),
        TokenColor("ConstColor", clNone, StrColor, false),
        TokenColor("ConstBkColor", clNone, StrColor, true),
        TokenColor("ReserveColor", kBlue, ReserveColor, false),
        TokenColor("ReserveBkColor", clNone, ReserveColor, true),
        TokenColor("SearchColor", clNone, HitColor, false),
        TokenColor("SearchBkColor", kSilver, HitColor, true),
    };
    return items;
}

} // namespace

void LoadEditorOptions(tv::settings::TtvRegistry &reg, TEditorProp &prop, const QStringList &reserveWords)
{
    optionio::OptionLoader loader(reg, kEditorKey);
    QString fontName;
    loader.Text("FontName", fontName, kDefaultFontName);
    prop.Font()->Name = fontName;
    for (const Item &item : Items()) {
        int v = 0;
        if (item.IsBool) {
            bool b = false;
            loader.Bool(item.Name, b, item.Default != 0);
            v = b ? 1 : 0;
        } else {
            loader.Int(item.Name, v, item.Default);
        }
        item.Set(prop, v);
    }

    // The settings every SQL editor has.
    prop.Font()->Pitch = fpFixed;
    TEditorCaret *caret = prop.Caret();
    caret->AutoCursor = true;
    caret->LockScroll = false;
    caret->KeepCaret = true;
    prop.Imagebar()->SetVisible(false);
    TEditorLeftbar *leftbar = prop.Leftbar();
    leftbar->SetLeftMargin(2);
    leftbar->SetRightMargin(2);
    leftbar->SetColumn(5);
    leftbar->SetBkColor(kBtnFace);
    prop.SetScrollBars(ssBoth);
    prop.Margin()->SetLeft(2);

    TEditorViewInfo *view = prop.View();
    view->SetCommenter(QStringLiteral("--"));
    view->SetQuotation(QStringLiteral("'"));
    view->SetDoubleQuotation(QStringLiteral("\""));
    // Exactly one block-comment pair, however often the settings are loaded.
    TEditorBracketCollection *brackets = view->Brackets();
    brackets->Clear();
    TFountainBracketItem *pair = brackets->Add();
    pair->SetLeftBracket(QStringLiteral("/*"));
    pair->SetRightBracket(QStringLiteral("*/"));
    TEditorColor *comment = view->Colors()->Comment();
    pair->ItemColor()->SetColor(comment->Color());
    pair->ItemColor()->SetBkColor(comment->BkColor());

    prop.SetReserveWordList(reserveWords);
}

void SaveEditorOptions(tv::settings::TtvRegistry &reg, const TEditorProp &prop)
{
    optionio::OptionSaver saver(reg, kEditorKey);
    reg.WriteString(QStringLiteral("FontName"), prop.Font()->Name);
    for (const Item &item : Items()) {
        const QString name = QLatin1String(item.Name);
        if (item.IsBool)
            reg.WriteBool(name, item.Get(prop) != 0);
        else
            reg.WriteInteger(name, item.Get(prop));
    }
    saver.Close();
}
