#include "editor/EditorUndoObj.h"
#include "editor/EditorScreenStrings.h"

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
    d->DataRow = Data.DataRow;
    d->DeleteCount = Data.DeleteCount;
    d->RowAttribute = Data.RowAttribute;
    d->InsertStr = Data.InsertStr;
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
        TRowsText old;
        if (r->DeleteCount > 0)
            old = FList->GetRowsText(r->DataRow, r->DeleteCount);
        else
            old.Attribute = raInvalid;
        int inserted = 0;
        if (r->RowAttribute == raInvalid) {
            const TRowMarks marks = FList->DeleteRows(r->DataRow, old.Count);
            if (marks) {
                if (FList->Count() == 0)
                    FList->ExcludeRowMarks(marks);
                else {
                    const int to = std::min(r->DataRow, FList->Count() - 1);
                    FList->SetRowMarks(to, FList->RowMarks(to) | marks);
                }
            }
        } else {
            TEditorStringList rows;
            FList->WrapText(r->InsertStr, rows);
            if (r->RowAttribute == raWrapped && rows.Count() > 0 && rows[rows.Count() - 1].isEmpty())
                rows.Delete(rows.Count() - 1);
            if (rows.Count() > 0)
                rows.SetRows(rows.Count() - 1, r->RowAttribute);
            FList->ReplaceRows(r->DataRow, old.Count, rows);
            inserted = rows.Count();
        }
        const int changed = FList->UpdateRowStates(r->DataRow, true);
        FList->SetDrawInfo(r->DataRow, old.Count, inserted, changed);
        if (IsUndo) {
            r->DeleteCount = inserted;
            r->RowAttribute = old.Attribute;
            r->InsertStr = old.Text;
            PushRedo(*r);
        } else {
            FRedoing = true;
            TUndoData *u = NewUndoData();
            FRedoing = false;
            u->DataRow = r->DataRow;
            u->DeleteCount = inserted;
            u->RowAttribute = old.Attribute;
            u->InsertStr = old.Text;
        }
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
