#include "editor/EditorViewInfo.h"

TEditorViewInfo::TEditorViewInfo()
{
    FEditorFountain = CreateEditorFountain();
}

TEditorViewInfo::~TEditorViewInfo()
{
    OnChange = nullptr;
    FEditorFountain->NotifyEventList()->Remove(ChangedProcEvent());
}

std::unique_ptr<TEditorFountain> TEditorViewInfo::CreateEditorFountain()
{
    auto fountain = std::make_unique<TEditorFountain>();
    fountain->NotifyEventList()->Add(ChangedProcEvent());
    return fountain;
}

void TEditorViewInfo::SetCommenter(const QString &Value)
{
    if (FEditorFountain->Commenter() != Value) {
        FEditorFountain->SetCommenter(Value);
        Changed();
    }
}

void TEditorViewInfo::SetControlCode(bool Value)
{
    if (FEditorFountain->ControlCode() != Value) {
        FEditorFountain->SetControlCode(Value);
        Changed();
    }
}

void TEditorViewInfo::SetHexPrefix(const QString &Value)
{
    if (FEditorFountain->HexPrefix() != Value) {
        FEditorFountain->SetHexPrefix(Value);
        Changed();
    }
}

void TEditorViewInfo::SetMail(bool Value)
{
    if (FEditorFountain->Mail() != Value) {
        FEditorFountain->SetMail(Value);
        Changed();
    }
}

void TEditorViewInfo::SetQuotation(const QString &Value)
{
    const QString v = Value.left(1);
    if (FEditorFountain->Quotation() != v) {
        FEditorFountain->SetQuotation(v);
        Changed();
    }
}

void TEditorViewInfo::SetDoubleQuotation(const QString &Value)
{
    const QString v = Value.left(1);
    if (FEditorFountain->DoubleQuotation() != v) {
        FEditorFountain->SetDoubleQuotation(v);
        Changed();
    }
}

void TEditorViewInfo::SetUrl(bool Value)
{
    if (FEditorFountain->Url() != Value) {
        FEditorFountain->SetUrl(Value);
        Changed();
    }
}

void TEditorViewInfo::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorViewInfo *>(&Source);
    if (!src) {
        TNotifyPersistent::Assign(Source);
        return;
    }
    BeginUpdate();
    try {
        SetBrackets(*src->Brackets());
        SetColors(*src->Colors());
        SetCommenter(src->Commenter());
        SetControlCode(src->ControlCode());
        SetHexPrefix(src->HexPrefix());
        SetMail(src->Mail());
        SetQuotation(src->Quotation());
        SetDoubleQuotation(src->DoubleQuotation());
        SetUrl(src->Url());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TEditorViewInfo::VisitProperties(const TPropertyVisitor &Visitor)
{
    Visitor("Brackets", Brackets());
    Visitor("Colors", Colors());
}
