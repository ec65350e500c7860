#include "editor/EditorStrings.h"
#include "editor/Editor.h"
#include "editor/EditorError.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// One change of the lines as an edit of the editor: the selection goes first,
// and the caret is placed once afterwards, also when the change throws.
template <class F>
void ChangeLines(TEditor *editor, F &&change)
{
    editor->BeginCaretUpdate();
    try {
        if (editor->SelectedData())
            editor->CleanSelection();
        change();
    } catch (...) {
        editor->EndCaretUpdate();
        throw;
    }
    editor->EndCaretUpdate();
}

} // namespace

int TEditorStrings::Count() const
{
    const TEditorScreenStrings *l = FEditor->InternalList();
    const int n = l->Count();
    if (!l->WordWrap())
        return n;
    int c = 0;
    for (int i = 0; i < n; ++i)
        if (l->Rows(i) != raWrapped || i == n - 1)
            ++c;
    return c;
}

int TEditorStrings::LineToRow(int Index) const
{
    const TEditorScreenStrings *l = FEditor->InternalList();
    if (!l->WordWrap())
        return Index;
    if (Index < 0)
        throw EStringListError();
    const int n = l->Count();
    int line = 0;
    for (int r = 0; r < n; ++r) {
        if (line == Index)
            return r;
        if (l->Rows(r) != raWrapped)
            ++line;
    }
    if (line == Index)
        return n;
    throw EStringListError();
}

int TEditorStrings::LastRowOf(int Index) const
{
    return FEditor->InternalList()->LastRowOfLine(LineToRow(Index));
}

QString TEditorStrings::Get(int Index) const
{
    const TEditorScreenStrings *l = FEditor->InternalList();
    if (!l->WordWrap())
        return l->Get(Index);
    const int r = LineToRow(Index);
    if (r >= l->Count())
        throw EStringListError();
    QString s = l->GetRowsText(r, -1).Text;
    while (s.endsWith(kCrLf))
        s.chop(2);
    return s;
}

void TEditorStrings::Put(int Index, const QString &S)
{
    TEditorScreenStrings *l = FEditor->InternalList();
    if (Index < 0 || Index >= Count())
        throw EStringListError();
    ChangeLines(FEditor, [&] {
        const int first = LineToRow(Index);
        const int last = l->LastRowOfLine(first);
        QString text = S;
        l->AppendLineEnd(last, text);
        l->ReplaceText(first, last - first + 1, text);
        FEditor->SetCaretByOffset(first, int(text.size()));
    });
}

void TEditorStrings::Insert(int Index, const QString &S)
{
    TEditorScreenStrings *l = FEditor->InternalList();
    const int first = LineToRow(Index);
    if (first == l->Count()) {
        Add(S);
        return;
    }
    if (first < 0 || first > l->Count())
        throw EStringListError();
    ChangeLines(FEditor, [&] {
        l->ReplaceText(first, 0, S + kCrLf);
        FEditor->SetCaretByOffset(first, int(S.size()) + 2);
    });
}

int TEditorStrings::Add(const QString &S)
{
    TEditorScreenStrings *l = FEditor->InternalList();
    const int result = Count();
    ChangeLines(FEditor, [&] {
        const int n = l->Count();
        if (n > 0 && l->Rows(n - 1) != raCrlf) {
            const int ref = std::max(l->FirstRowOfLine(n - 1), n - 2);
            int offset = 0;
            for (int i = ref; i < n - 1; ++i)
                offset += int(l->Get(i).size()) + (l->Rows(i) == raCrlf ? 2 : 0);
            const QString text = l->Get(n - 1) + kCrLf + S;
            l->ReplaceText(n - 1, 1, text);
            FEditor->SetCaretByOffset(ref, offset + int(text.size()));
        } else {
            l->ReplaceText(n, 0, S + kCrLf);
            FEditor->SetCaretByOffset(n, int(S.size()) + 2);
        }
    });
    return result;
}

void TEditorStrings::Delete(int Index)
{
    TEditorScreenStrings *l = FEditor->InternalList();
    if (Index < 0 || Index >= Count())
        throw EStringListError();
    ChangeLines(FEditor, [&] {
        const int first = LineToRow(Index);
        const int last = l->LastRowOfLine(first);
        l->ReplaceText(first, last - first + 1, QString());
        FEditor->SetRowCol(first, 0);
    });
}

void TEditorStrings::Clear()
{
    FEditor->InternalList()->Clear();
}

QString TEditorStrings::Text() const
{
    const TEditorScreenStrings *l = FEditor->InternalList();
    return l->GetRowsText(0, l->Count()).Text;
}

QStringList TEditorStrings::ToStringList() const
{
    QStringList r;
    const int n = Count();
    r.reserve(n);
    for (int i = 0; i < n; ++i)
        r.append(Get(i));
    return r;
}

void TEditorStrings::SetText(const QString &Value)
{
    TEditorScreenStrings *l = FEditor->InternalList();
    BeginUpdate();
    try {
        l->Clear();
        l->LoadText(Value);
        if (l->WordWrap())
            l->WrapAllRows();
        l->InitRowStates();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TEditorStrings::Assign(const QStringList &Source)
{
    QString text = Source.join(kCrLf);
    if (!Source.isEmpty())
        text += kCrLf;
    SetText(text);
    FEditor->SetRow(FEditor->InternalList()->Count());
    FEditor->SetCol(0);
}

void TEditorStrings::LoadFromFile(const QString &FileName, tv::text::Encoding Fallback)
{
    QString text, error;
    tv::text::Encoding used = Fallback;
    if (!tv::text::ReadTextFile(FileName, Fallback, &text, &used, &error))
        throw EEditorError(error.isEmpty() ? FileName : error);
    FLoadedEncoding = used;
    SetText(text);
}

void TEditorStrings::SaveToFile(const QString &FileName, tv::text::Encoding Encoding, bool WriteBom) const
{
    QString text = Text();
    if (FLineBreakLF)
        text.replace(kCrLf, QStringLiteral("\n"));
    QString error;
    if (!tv::text::WriteTextFile(FileName, text, Encoding, WriteBom, &error))
        throw EEditorError(error.isEmpty() ? FileName : error);
}

void TEditorStrings::BeginUpdate()
{
    if (FUpdateCount++ == 0)
        SetUpdateState(true);
}

void TEditorStrings::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        SetUpdateState(false);
}

void TEditorStrings::SetUpdateState(bool Updating)
{
    TEditorScreenStrings *l = FEditor->InternalList();
    if (Updating) {
        l->BeginUpdate();
        FEditor->BeginCaretUpdate();
        FEditor->HideUnderline();
        FEditor->FCaretNoMove = true;
    } else {
        l->EndUpdate();
        FEditor->ShowUnderline();
        FEditor->EndCaretUpdate();
        FEditor->FCaretNoMove = false;
        FEditor->UpdateCaret();
        l->RefreshClients();
    }
}
