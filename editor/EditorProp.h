#pragma once
// TEditorProp: one complete set of editor settings without an editor: colour,
// font, caret, bars, margins, marks, view (token colours and rules), reserved
// words, scroll bars, speeds, word wrap and its options. The program keeps one of them for
// all its SQL editors (TtvMemoProp); it is loaded from and saved to the
// settings store and copied onto every editor.
//
// Changing an owned settings object (Caret, Marks ...) notifies no one. The
// four value properties with an event of their own (Color, HitStyle,
// ScrollBars, WordWrap) fire it from their setter when the value differs.
// Assign from another holder copies every setting and fires OnChange once at
// its end, so an owner can re-apply the whole set in one go.
#include "editor/EditorCaret.h"
#include "editor/EditorImagebar.h"
#include "editor/EditorLeftbar.h"
#include "editor/EditorMargin.h"
#include "editor/EditorMarks.h"
#include "editor/EditorRuler.h"
#include "editor/EditorSpeed.h"
#include "editor/EditorTypes.h"
#include "editor/EditorViewInfo.h"
#include "editor/EditorWrapOption.h"
#include "editor/FileExtComponent.h"
#include "editor/SortedStringList.h"

#include <QString>
#include <QStringList>

#include <memory>

class TEditor;

// The font of an editor settings holder, by its stored attributes (the name is
// kept as stored; tv::ui::MakeFont finds the installed font for it).
struct TEditorPropFont {
    QString Name = QStringLiteral("FixedSys");
    int Size = 8;                  // points
    TColor Color = clWindowText;
    TFontStyles Style = 0;
    TFontPitch Pitch = fpDefault;
    int Charset = 1;               // DEFAULT_CHARSET

    bool operator==(const TEditorPropFont &) const = default;
};

class TEditorProp : public TFileExtComponent {
public:
    TEditorProp();
    ~TEditorProp() override;
    const char *ClassName() const override { return "TEditorProp"; }

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TEditorCaret *Caret() const { return FCaret.get(); }
    void SetCaret(const TEditorCaret &Value) { FCaret->Assign(Value); }
    TEditorPropFont *Font() { return &FFont; }
    const TEditorPropFont *Font() const { return &FFont; }
    void SetFont(const TEditorPropFont &Value) { FFont = Value; }
    TEditorHitStyle HitStyle() const { return FHitStyle; }
    void SetHitStyle(TEditorHitStyle Value);
    TEditorImagebar *Imagebar() const { return FImagebar.get(); }
    void SetImagebar(const TEditorImagebar &Value) { FImagebar->Assign(Value); }
    TEditorLeftbar *Leftbar() const { return FLeftbar.get(); }
    void SetLeftbar(const TEditorLeftbar &Value) { FLeftbar->Assign(Value); }
    TEditorMargin *Margin() const { return FMargin.get(); }
    void SetMargin(const TEditorMargin &Value) { FMargin->Assign(Value); }
    TEditorMarks *Marks() const { return FMarks.get(); }
    void SetMarks(const TEditorMarks &Value) { FMarks->Assign(Value); }
    // Sorted without regard to case, duplicates ignored.
    TSortedStringList &ReserveWordList() { return FReserveWordList; }
    const TSortedStringList &ReserveWordList() const { return FReserveWordList; }
    void SetReserveWordList(const TSortedStringList &Value) { FReserveWordList.Assign(Value); }
    void SetReserveWordList(const QStringList &Value) { FReserveWordList.SetStrings(Value); }
    TEditorRuler *Ruler() const { return FRuler.get(); }
    void SetRuler(const TEditorRuler &Value) { FRuler->Assign(Value); }
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TEditorSpeed *Speed() const { return FSpeed.get(); }
    void SetSpeed(const TEditorSpeed &Value) { FSpeed->Assign(Value); }
    TEditorViewInfo *View() const { return FView.get(); }
    void SetView(const TEditorViewInfo &Value) { FView->Assign(Value); }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TEditorWrapOption *WrapOption() const { return FWrapOption.get(); }
    void SetWrapOption(const TEditorWrapOption &Value) { FWrapOption->Assign(Value); }

    // Sender: this holder.
    TNotifyEvent OnColorChange;
    TNotifyEvent OnHitStyleChange;
    TNotifyEvent OnScrollBarsChange;
    TNotifyEvent OnWordWrapChange;
    // Fired once at the end of every Assign from another holder.
    TNotifyEvent OnChange;

    // From another holder (any TEditorProp): Color, caret, font, HitStyle
    // (without its event), image bar, line-number bar, margin, marks, reserved
    // words, ruler, ScrollBars, speed, view, WordWrap, wrap options, then the
    // file extension list; then OnChange. A settings object that refuses a value ends the copy
    // there: what was copied stays, the rest keeps its old value. Any other
    // source raises the platform's assignment error.
    void Assign(const TPersistent &Source) override;
    // From an editor: the same settings in the same order (the reserved words
    // are those of the editor's view fountain, the wrap options those of its
    // row store); the file extension list stays as it was; then OnChange.
    void Assign(const TEditor &Source);
    // Copies this holder onto Dest through Dest's setters (Dest.Assign(*this)).
    void AssignTo(TEditorProp &Dest) const;
    // Onto an editor: colour, caret, font, HitStyle, bars, margin, marks,
    // reserved words, ruler, ScrollBars, speed, view, then word wrap: when on,
    // the wrap options are copied first and wrapping switched on afterwards;
    // when off, wrapping is switched off first; so the rows are wrapped at
    // most once and always with the final options. A failure ends the copy
    // there without a report.
    void AssignTo(TEditor &Dest) const;

    void VisitProperties(const TPropertyVisitor &Visitor) override;

protected:
    // For a descendant that overrides part factories: the parts are not built;
    // its own constructor calls CreateParts() at its end.
    struct TDeferParts {};
    explicit TEditorProp(TDeferParts);
    // Builds caret, image bar, line-number bar, margin, marks, ruler, view,
    // speed and wrap options through the factories below, then sets the defaults of Color and
    // the font.
    void CreateParts();

    virtual std::unique_ptr<TEditorCaret> CreateEditorCaret();
    virtual std::unique_ptr<TEditorImagebar> CreateEditorImagebar();
    virtual std::unique_ptr<TEditorLeftbar> CreateEditorLeftbar();
    virtual std::unique_ptr<TEditorMargin> CreateEditorMargin();
    virtual std::unique_ptr<TEditorMarks> CreateEditorMarks();
    virtual std::unique_ptr<TEditorRuler> CreateEditorRuler();
    virtual std::unique_ptr<TEditorSpeed> CreateEditorSpeed();
    virtual std::unique_ptr<TEditorViewInfo> CreateEditorViewInfo();
    virtual std::unique_ptr<TEditorWrapOption> CreateEditorWrapOption();

private:
    void CopyFrom(const TEditorProp &Src);

    TColor FColor = clWindow;
    std::unique_ptr<TEditorCaret> FCaret;
    TEditorPropFont FFont;
    TEditorHitStyle FHitStyle = hsSelect;
    std::unique_ptr<TEditorImagebar> FImagebar;
    std::unique_ptr<TEditorLeftbar> FLeftbar;
    std::unique_ptr<TEditorMargin> FMargin;
    std::unique_ptr<TEditorMarks> FMarks;
    TSortedStringList FReserveWordList;
    std::unique_ptr<TEditorRuler> FRuler;
    TScrollStyle FScrollBars = ssNone;
    std::unique_ptr<TEditorSpeed> FSpeed;
    std::unique_ptr<TEditorViewInfo> FView;
    bool FWordWrap = false;
    std::unique_ptr<TEditorWrapOption> FWrapOption;
};
