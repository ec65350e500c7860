#include "editor/EditorUndoObj.h"
#include "editor/EditorScreenStrings.h"

namespace {

// Takes the change `from` records; `to` keeps the caret it restores.
void TakeChange(TUndoData &to, const TUndoData &from)
{
    const int row = to.Row, col = to.Col;
    to = from;
    to.Row = row;
    to.Col = col;
}

} // namespace

TUndoData *TUndoDataList::Add(std::unique_ptr<TUndoData> Item)
{
    FItems.push_back(std::move(Item));
    return FItems.back().get();
}

void TUndoDataList::Delete(int Index)
{
    if (Index >= 0 && Index < Count())
        FItems.erase(FItems.begin() + Index);
}

void TEditorUndoObj::CaretOfActiveClient(int &Row, int &Col) const
{
    Row = 0;
    Col = 0;
    if (TEditorClient *c = FList->ActiveClient()) {
        Row = c->Row();
        Col = c->Col();
    }
}

TUndoData *TEditorUndoObj::NewUndoData()
{
    auto d = std::make_unique<TUndoData>();
    CaretOfActiveClient(d->Row, d->Col);
    TUndoData *r = FUndoList.Add(std::move(d));
    while (FUndoList.Count() > FListMax)
        FUndoList.Delete(0);
    if (!FRedoing)
        FRedoList.Clear();
    return r;
}

void TEditorUndoObj::PushRedo(const TUndoData &Data)
{
    auto d = std::make_unique<TUndoData>();
    TakeChange(*d, Data);
    CaretOfActiveClient(d->Row, d->Col);
    FRedoList.Add(std::move(d));
}

void TEditorUndoObj::Clear()
{
    FUndoList.Clear();
    FRedoList.Clear();
}

void TEditorUndoObj::Undo()
{
    Apply(FUndoList, true);
}

void TEditorUndoObj::Redo()
{
    Apply(FRedoList, false);
}

void TEditorUndoObj::ApplyRows(const TUndoData &R, TUndoData &Back, int &Deleted, int &Inserted)
{
    TRowsText old;
    if (R.DeleteCount > 0)
        old = FList->GetRowsText(R.DataRow, R.DeleteCount);
    else
        old.Attribute = raInvalid;
    Inserted = 0;
    if (R.RowAttribute == raInvalid) {
        const TRowMarks marks = FList->DeleteRows(R.DataRow, old.Count);
        if (marks) {
            if (FList->Count() == 0)
                FList->ExcludeRowMarks(marks);
            else {
                const int to = std::min(R.DataRow, FList->Count() - 1);
                FList->SetRowMarks(to, FList->RowMarks(to) | marks);
            }
        }
    } else {
        TEditorStringList rows;
        FList->WrapText(R.InsertStr, rows);
        if (R.RowAttribute == raWrapped && rows.Count() > 0 && rows[rows.Count() - 1].isEmpty())
            rows.Delete(rows.Count() - 1);
        if (rows.Count() > 0)
            rows.SetRows(rows.Count() - 1, R.RowAttribute);
        FList->ReplaceRows(R.DataRow, old.Count, rows);
        Inserted = rows.Count();
    }
    Deleted = old.Count;
    Back.DataRow = R.DataRow;
    Back.DeleteCount = Inserted;
    Back.RowAttribute = old.Attribute;
    Back.InsertStr = old.Text;
}

void TEditorUndoObj::Apply(TUndoDataList &From, bool IsUndo)
{
    TUndoData *r = From.Last();
    if (!r)
        return;
    TEditorClient *client = FList->ActiveClient();
    if (client)
        client->BeginCaretUpdate();
    bool updating = false;
    try {
        FList->BeginUpdate();
        updating = true;
        TUndoData back; // the way back from this record
        int from = r->DataRow, deleted, inserted;
        if (r->Index >= 0)
            FList->SpliceChars(r->DataRow, r->Index, r->EndRow, r->EndIndex, r->InsertStr, back, from, deleted,
                               inserted);
        else
            ApplyRows(*r, back, deleted, inserted);
        const int changed = FList->UpdateRowStates(from, true);
        FList->SetDrawInfo(from, deleted, inserted, changed);
        TUndoData *to = r;
        if (!IsUndo) {
            FRedoing = true;
            to = NewUndoData();
            FRedoing = false;
        }
        TakeChange(*to, back);
        if (IsUndo)
            PushRedo(*r);
        updating = false;
        FList->EndUpdate();
        if (client) {
            client->SetRow(r->Row);
            client->SetCol(r->Col);
        }
    } catch (...) {
        FRedoing = false;
        if (updating)
            FList->EndUpdate();
        if (client)
            client->EndCaretUpdate();
        throw;
    }
    if (client)
        client->EndCaretUpdate();
    From.Delete(From.Count() - 1);
}
