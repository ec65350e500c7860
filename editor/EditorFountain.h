#pragma once
// TEditorFountain: the fountain of every editor. Adds the token colours
// (Colors) and the text rules of TEditorParser: a line-comment prefix, one or
// two quotation characters, a hex prefix, control-code literals ("#" + digits,
// "#$" + hex digits), URLs and mail addresses. By default every rule is off
// and every colour is the editor's own.
//
// The SQL editors set Commenter "--", Quotation "'", DoubleQuotation "\"" and
// one bracket pair "/*" "*/". Writing the rule properties here stores them
// without notifying; TEditorViewInfo writes them through notifying setters.
#include "editor/EditorBracketCollection.h"
#include "editor/EditorColors.h"
#include "editor/Fountain.h"

class TEditorFountain : public TFountain {
public:
    TEditorFountain();
    ~TEditorFountain() override;
    const char *ClassName() const override { return "TEditorFountain"; }

    TEditorColors *Colors() const { return FColors.get(); }
    void SetColors(const TEditorColors &Value) { FColors->Assign(Value); }
    TEditorBracketCollection *Brackets() const { return static_cast<TEditorBracketCollection *>(TFountain::Brackets()); }

    const QString &Commenter() const { return FCommenter; }
    void SetCommenter(const QString &Value) { FCommenter = Value; }
    bool ControlCode() const { return FControlCode; }
    void SetControlCode(bool Value) { FControlCode = Value; }
    const QString &HexPrefix() const { return FHexPrefix; }
    void SetHexPrefix(const QString &Value) { FHexPrefix = Value; }
    bool Mail() const { return FMail; }
    void SetMail(bool Value) { FMail = Value; }
    const QString &Quotation() const { return FQuotation; }
    void SetQuotation(const QString &Value) { FQuotation = Value; }
    const QString &DoubleQuotation() const { return FDoubleQuotation; }
    void SetDoubleQuotation(const QString &Value) { FDoubleQuotation = Value; }
    bool Url() const { return FUrl; }
    void SetUrl(bool Value) { FUrl = Value; }

    // A TEditorParser.
    std::unique_ptr<TFountainParser> CreateParser() override;

    // Give every colour of Colors except Select and Hit this background, text
    // colour or style; listeners hear one change.
    virtual void SameBkColor(TColor B);
    virtual void SameColor(TColor C);
    virtual void SameStyle(TFontStyles Style);

    void VisitProperties(const TPropertyVisitor &Visitor) override;

protected:
    std::unique_ptr<TFountainBracketCollection> CreateBrackets() override;
    virtual std::unique_ptr<TEditorColors> CreateEditorColors();
    void SameColorVisitor(const char *Name, TPersistent *Value) override;

private:
    void SameAttribute(const TFountainColor &Color, TFountainColorOperation Operation);

    std::unique_ptr<TEditorColors> FColors;
    QString FCommenter;
    bool FControlCode = false;
    QString FHexPrefix;
    bool FMail = false;
    QString FQuotation;
    QString FDoubleQuotation;
    bool FUrl = false;
};
