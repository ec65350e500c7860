#pragma once
// TEditorViewInfo: the view settings (token colours, bracket pairs and token
// rules) of an editor, kept in the view's own TEditorFountain. Any change of
// the fountain (brackets, colours, reserved words) is a change of the view;
// the rule setters notify on change. Quotation and DoubleQuotation keep only
// the first character of the value (an empty value turns the rule off).
#include "editor/EditorFountain.h"
#include "editor/NotifyPersistent.h"

class TEditorViewInfo : public TNotifyPersistent {
public:
    TEditorViewInfo();
    ~TEditorViewInfo() override;
    const char *ClassName() const override { return "TEditorViewInfo"; }

    // The owner (editor or settings holder), set by it after creation.
    TPersistent *FComponent = nullptr;
    TPersistent *GetOwner() const { return FComponent; }

    TEditorFountain *EditorFountain() const { return FEditorFountain.get(); }

    TEditorBracketCollection *Brackets() const { return FEditorFountain->Brackets(); }
    void SetBrackets(const TFountainBracketCollection &Value) { FEditorFountain->SetBrackets(Value); }
    TEditorColors *Colors() const { return FEditorFountain->Colors(); }
    void SetColors(const TEditorColors &Value) { FEditorFountain->SetColors(Value); }
    const QString &Commenter() const { return FEditorFountain->Commenter(); }
    void SetCommenter(const QString &Value);
    bool ControlCode() const { return FEditorFountain->ControlCode(); }
    void SetControlCode(bool Value);
    const QString &HexPrefix() const { return FEditorFountain->HexPrefix(); }
    void SetHexPrefix(const QString &Value);
    bool Mail() const { return FEditorFountain->Mail(); }
    void SetMail(bool Value);
    const QString &Quotation() const { return FEditorFountain->Quotation(); }
    void SetQuotation(const QString &Value);
    const QString &DoubleQuotation() const { return FEditorFountain->DoubleQuotation(); }
    void SetDoubleQuotation(const QString &Value);
    bool Url() const { return FEditorFountain->Url(); }
    void SetUrl(bool Value);

    void Assign(const TPersistent &Source) override;
    void VisitProperties(const TPropertyVisitor &Visitor) override;

protected:
    virtual std::unique_ptr<TEditorFountain> CreateEditorFountain();

private:
    std::unique_ptr<TEditorFountain> FEditorFountain;
};
