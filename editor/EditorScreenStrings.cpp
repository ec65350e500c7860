#include "editor/EditorScreenStrings.h"
#include "editor/EditorAttributeArray.h"
#include "editor/EditorUndoObj.h"
#include "editor/EditorUtils.h"
#include "editor/Fountain.h"
#include "editor/FountainParser.h"

#include <algorithm>

namespace {

// The state as the row list stores it (packed fields cut to their bits).
TRowAttributeData Stored(const TRowAttributeData &D)
{
    TRowAttributeData r = D;
    r.BracketIndex = ((D.BracketIndex + 2) & 0xF) - 2;
    r.ElementIndex = D.ElementIndex & 0xFF;
    r.WrappedByte = D.WrappedByte & 0xFF;
    r.Remain = D.Remain & 0xFF;
    r.StartToken = char16_t(D.StartToken & 0xFF);
    r.PrevToken = char16_t(D.PrevToken & 0xFF);
    return r;
}

TRowAttributeData InitialState()
{
    TRowAttributeData d;
    d.RowAttribute = raCrlf;
    d.PrevRowAttribute = raCrlf;
    d.BracketIndex = -1;
    return d;
}

QString Concat(QStringView A, QStringView B)
{
    QString r;
    r.reserve(A.size() + B.size());
    r.append(A);
    r.append(B);
    return r;
}

TRowAttributeData NotComputed()
{
    TRowAttributeData d;
    d.BracketIndex = -2;
    return d;
}

} // namespace

TEditorScreenStrings::TEditorScreenStrings()
{
    Init();
}

TEditorScreenStrings::~TEditorScreenStrings()
{
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TEditorScreenStrings::Init()
{
    if (FUndoObj)
        return;
    FUndoObj = CreateUndoObj();
    FWrapOption = CreateWrapOption();
    FWrapOption->OnChange = TNotifyEvent::Of<&TEditorScreenStrings::WrapOptionChanged>(this);
    OnChange = TNotifyEvent::Of<&TEditorScreenStrings::NotifyClients>(this);
}

std::unique_ptr<TEditorUndoObj> TEditorScreenStrings::CreateUndoObj()
{
    return std::make_unique<TEditorUndoObj>(this);
}

std::unique_ptr<TEditorWrapOption> TEditorScreenStrings::CreateWrapOption()
{
    return std::make_unique<TEditorWrapOption>();
}

void TEditorScreenStrings::AddClient(TEditorClient *Client)
{
    if (Client && std::find(FClients.begin(), FClients.end(), Client) == FClients.end()) {
        FClients.push_back(Client);
        FHadClient = true;
    }
}

bool TEditorScreenStrings::RemoveClient(TEditorClient *Client)
{
    FClients.erase(std::remove(FClients.begin(), FClients.end(), Client), FClients.end());
    if (FClients.empty() && FHadClient) {
        delete this;
        return true;
    }
    return false;
}

TEditorClient *TEditorScreenStrings::ActiveClient() const
{
    for (TEditorClient *c : FClients)
        if (c->Focused())
            return c;
    return FirstClient();
}

TColumnSettings TEditorScreenStrings::ColumnSettings() const
{
    TColumnSettings s = FirstClient() ? FirstClient()->ColumnSettings() : TColumnSettings();
    s.WordWrap = FWordWrap;
    s.WrapByte = FWrapOption->WrapByte();
    return s;
}

void TEditorScreenStrings::NotifyClients(TPersistent *)
{
    // a client may leave while it handles the change
    const std::vector<TEditorClient *> clients = FClients;
    for (TEditorClient *c : clients)
        if (std::find(FClients.begin(), FClients.end(), c) != FClients.end())
            c->DoChange();
}

void TEditorScreenStrings::SetUpdateState(bool Updating)
{
    TEditorStringList::SetUpdateState(Updating);
    if (!Updating) {
        ClearDrawInfo();
        ClampClientRows();
    }
}

void TEditorScreenStrings::Clear()
{
    CleanClientSelections();
    FUndoObj->Clear();
    SetDrawInfo(0, Count(), 0, 0);
    TEditorStringList::Clear();
    ClearDrawInfo();
    for (TEditorClient *c : FClients) {
        c->SetRow(0);
        c->SetCol(0);
    }
    FValidRowMarks = 0;
    StatesReset();
}

void TEditorScreenStrings::Undo()
{
    FUndoObj->Undo();
}

void TEditorScreenStrings::Redo()
{
    FUndoObj->Redo();
}

int TEditorScreenStrings::FirstRowOfLine(int Row) const
{
    if (Row <= 0)
        return Row;
    int r = std::min(Row, Count());
    if (r < Row)
        return Row;
    while (r > 0 && Rows(r - 1) == raWrapped)
        --r;
    return r;
}

int TEditorScreenStrings::LastRowOfLine(int Row) const
{
    if (Row < 0 || Row >= Count())
        return Row;
    int r = Row;
    while (r < Count() - 1 && Rows(r) == raWrapped)
        ++r;
    return r;
}

TRowsText TEditorScreenStrings::GetRowsText(int Index, int Count_) const
{
    TRowsText r;
    if (Index < 0 || Index >= Count())
        return r;
    const int last = Count_ < 0 ? LastRowOfLine(Index) : std::min(Count() - 1, Index + Count_ - 1);
    if (last < Index)
        return r;
    qsizetype size = 0;
    for (int i = Index; i <= last; ++i)
        size += Get(i).size() + 2;
    r.Text.reserve(size);
    for (int i = Index; i <= last; ++i) {
        r.Text += Get(i);
        if (Rows(i) == raCrlf)
            r.Text += QStringLiteral("\r\n");
    }
    r.Attribute = Rows(last);
    r.Count = last - Index + 1;
    return r;
}

void TEditorScreenStrings::AppendLineEnd(int Row, QString &Text) const
{
    if (Row >= 0 && Row < Count() && Rows(Row) == raCrlf)
        Text += QStringLiteral("\r\n");
}

void TEditorScreenStrings::ReplaceText(int Row, int Count_, const QString &Text)
{
    if (Row < 0 || Count_ < 0 || Row + Count_ - 1 > Count() - 1 || (Count_ == 0 && Text.isEmpty()))
        return;
    BeginUpdate();
    try {
        int from, deleted, inserted;
        RebuildRows(Row, Count_, Text, *FUndoObj->NewUndoData(), from, deleted, inserted);
        const int changed = UpdateRowStates(from, true);
        SetDrawInfo(from, deleted, inserted, changed);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TEditorScreenStrings::RebuildRows(int Row, int Count_, const QString &Text, TUndoData &Undo, int &From,
                                       int &Deleted, int &Inserted)
{
    const int start = std::max(FirstRowOfLine(Row), Row - 1);
    const int last = Row + Count_ - 1;
    int end = LastRowOfLine(last);
    if (Row == start && end == last && Text.isEmpty() && Count_ > 0) {
        const TRowsText old = GetRowsText(Row, Count_);
        Undo.DataRow = Row;
        Undo.InsertStr = old.Text;
        Undo.RowAttribute = old.Attribute;
        const TRowMarks marks = DeleteRows(Row, Count_);
        if (marks) {
            if (Count() == 0)
                ExcludeRowMarks(marks);
            else {
                const int to = std::min(Row, Count() - 1);
                SetRowMarks(to, RowMarks(to) | marks);
            }
        }
        Deleted = Count_;
        Inserted = 0;
        From = Row;
        return;
    }
    TRowAttribute tail;
    if (last < end) {
        tail = Rows(end);
    } else if (end + 1 < Count()) {
        end = LastRowOfLine(end + 1);
        tail = Rows(end);
    } else {
        tail = Text.endsWith(u'\n') ? raCrlf : raEof;
    }
    const TRowsText old = GetRowsText(start, end - start + 1);
    Undo.DataRow = start;
    Undo.InsertStr = old.Text;
    Undo.RowAttribute = old.Attribute;
    QString s;
    for (int i = start; i < Row; ++i) {
        s += Get(i);
        AppendLineEnd(i, s);
    }
    s += Text;
    for (int i = last + 1; i <= end; ++i) {
        s += Get(i);
        AppendLineEnd(i, s);
    }
    TEditorStringList rows;
    WrapText(s, rows);
    rows.SetRows(rows.Count() - 1, tail);
    Undo.DeleteCount = rows.Count();
    Deleted = std::max(0, end - start + 1);
    ReplaceRows(start, Deleted, rows);
    Inserted = rows.Count();
    From = start;
}

bool TEditorScreenStrings::ValidChars(int Row, int Index, int EndRow, int EndIndex) const
{
    return Row >= 0 && Row <= EndRow && EndRow < Count() && Index >= 0 && Index <= Get(Row).size() &&
           EndIndex >= 0 && EndIndex <= Get(EndRow).size() && (Row < EndRow || Index <= EndIndex);
}

QString TEditorScreenStrings::CharsText(int Row, int Index, int EndRow, int EndIndex) const
{
    if (!ValidChars(Row, Index, EndRow, EndIndex))
        return QString();
    if (Row == EndRow)
        return Get(Row).mid(Index, EndIndex - Index);
    QString s = Get(Row).mid(Index);
    AppendLineEnd(Row, s);
    for (int i = Row + 1; i < EndRow; ++i) {
        s += Get(i);
        AppendLineEnd(i, s);
    }
    s += QStringView(Get(EndRow)).left(EndIndex);
    return s;
}

void TEditorScreenStrings::ReplaceChars(int Row, int Index, int EndRow, int EndIndex, const QString &Text)
{
    if (!ValidChars(Row, Index, EndRow, EndIndex))
        return;
    BeginUpdate();
    try {
        int from, deleted, inserted;
        SpliceChars(Row, Index, EndRow, EndIndex, Text, *FUndoObj->NewUndoData(), from, deleted, inserted);
        const int changed = UpdateRowStates(from, true);
        SetDrawInfo(from, deleted, inserted, changed);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TEditorScreenStrings::SpliceChars(int Row, int Index, int EndRow, int EndIndex, const QString &Text,
                                       TUndoData &Undo, int &From, int &Deleted, int &Inserted)
{
    const QString &first = Get(Row);
    const QString &last = Get(EndRow);
    const qsizetype rest = last.size() - EndIndex;
    const bool breakAtEnd = rest == 0 && (Text.endsWith(u'\n') || Text.endsWith(u'\r'));
    const bool empty = Index == 0 && Text.isEmpty() && rest == 0;
    // With word wrap the rows of a line are wrapped anew; a change that
    // leaves the last line ending in a line end, or no text at all, changes
    // how the text ends. Those go through the rows' whole text.
    if (FWordWrap || (EndRow == Count() - 1 && Rows(EndRow) == raEof && (breakAtEnd || empty))) {
        QString s = first.left(Index) + Text + last.mid(EndIndex);
        AppendLineEnd(EndRow, s);
        RebuildRows(Row, EndRow - Row + 1, s, Undo, From, Deleted, Inserted);
        return;
    }
    // The parts of Text between its line ends.
    std::vector<QStringView> parts;
    {
        const qsizetype n = Text.size();
        const QChar *p = Text.constData();
        qsizetype a = 0, i = 0;
        while (i < n) {
            if (p[i] == u'\r' || p[i] == u'\n') {
                parts.push_back(QStringView(Text).mid(a, i - a));
                if (p[i] == u'\r' && i + 1 < n && p[i + 1] == u'\n')
                    ++i;
                a = ++i;
            } else {
                ++i;
            }
        }
        parts.push_back(QStringView(Text).mid(a));
    }
    Undo.DataRow = Row;
    Undo.Index = Index;
    Undo.InsertStr = CharsText(Row, Index, EndRow, EndIndex);
    Undo.RowAttribute = raInvalid;
    Undo.DeleteCount = 0;
    // As a rebuild of the rows would, the line after them is put back too:
    // its state is parsed again and its marks stay with it.
    const bool next = EndRow + 1 < Count();
    const int oldCount = EndRow - Row + 1;
    const int n = int(parts.size());
    const TRowAttribute tail = Rows(EndRow);
    const qsizetype endIndex = n == 1 ? Index + parts[0].size() : parts.back().size();
    // The texts of the first and the last row are taken out of the rows, so
    // that (held nowhere else) they are edited in place: a row keeps the
    // buffer of the longer part it had, and a line split or joined at its
    // start moves no more than the characters before the cut.
    QString a = Get(Row);
    Put(Row, QString());
    QString b;
    if (EndRow != Row) {
        b = Get(EndRow);
        Put(EndRow, QString());
    }
    // new row 0: a[0, Index) + parts[0]; new row n - 1: parts[n - 1] + lastText[EndIndex, end)
    const auto join = [](QString &Head, qsizetype Cut, QStringView Middle, QString &Tail, qsizetype From) {
        // Head[0, Cut) + Middle + Tail[From, end), in whichever buffer moves less
        if (Tail.size() - From > Cut) {
            Tail.remove(0, From);
            Tail.prepend(Middle);
            Tail.prepend(QStringView(Head).left(Cut));
            return std::move(Tail);
        }
        QString r = std::move(Head);
        r.truncate(Cut);
        r.append(Middle);
        r.append(QStringView(Tail).mid(From));
        return r;
    };
    if (n == 1 && oldCount == 1) {
        // one row changed in place, its marks kept
        a.replace(Index, EndIndex - Index, parts[0].toString());
        Put(Row, a);
        a = QString();
        StatesReplaced(Row, 1 + int(next), 1 + int(next));
        for (int r = Row; r <= Row + int(next); ++r) {
            PutItem(r, r == Row ? std::uint32_t(tail) : std::uint32_t(Rows(r)));
            PutItem2(r, std::uint32_t(RowMarks(r)) << 16);
            PutData(r, 0);
            PutDataStr(r, QString());
        }
    } else {
        TEditorStringList rows;
        rows.BeginUpdate();
        for (int k = 0; k < n; ++k)
            rows.Add(QString());
        if (n == 1) {
            rows.Put(0, join(a, Index, parts[0], b, EndIndex));
        } else if (EndRow != Row) {
            a.truncate(Index);
            a.append(parts[0]);
            rows.Put(0, a);
            b.remove(0, EndIndex);
            b.prepend(parts.back());
            rows.Put(n - 1, b);
        } else if (a.size() - EndIndex > Index) {
            // split: the longer part after the cut keeps the buffer
            rows.Put(0, Concat(QStringView(a).left(Index), parts[0]));
            a.remove(0, EndIndex);
            a.prepend(parts.back());
            rows.Put(n - 1, a);
        } else {
            rows.Put(n - 1, Concat(parts.back(), QStringView(a).mid(EndIndex)));
            a.truncate(Index);
            a.append(parts[0]);
            rows.Put(0, a);
        }
        a = QString();
        b = QString();
        for (int k = 1; k + 1 < n; ++k)
            rows.Put(k, parts[size_t(k)].toString());
        rows.SetRows(n - 1, tail);
        if (next) {
            const int i = rows.Add(Get(EndRow + 1));
            rows.SetRows(i, Rows(EndRow + 1));
        }
        rows.EndUpdate();
        ReplaceRows(Row, oldCount + int(next), rows);
    }
    Undo.EndRow = Row + n - 1;
    Undo.EndIndex = int(endIndex);
    From = Row;
    Deleted = oldCount + int(next);
    Inserted = n + int(next);
}

TRowMarks TEditorScreenStrings::DeleteRows(int Index, int Count_)
{
    if (Index < 0 || Index >= Count() || Count_ <= 0)
        return 0;
    Count_ = std::min(Count_, Count() - Index);
    if (!FReplacing)
        StatesReplaced(Index, Count_, 0);
    TRowMarks marks = 0;
    for (int i = Index; i < Index + Count_; ++i)
        marks |= RowMarks(i);
    DeleteItems(Index, Count_);
    return marks;
}

void TEditorScreenStrings::ReplaceRows(int Index, int OldCount, const TRowAttributeStringList &List)
{
    const int n = List.Count();
    StatesReplaced(Index, std::min(OldCount, Count() - Index), n);
    FReplacing = true; // the rows deleted here are part of this replacement
    struct Done {
        bool &Flag;
        ~Done() { Flag = false; }
    } done{FReplacing};
    std::vector<TRowMarks> marks(size_t(n), 0);
    if (n < OldCount) {
        const TRowMarks collected = DeleteRows(Index, OldCount - n);
        for (int j = 0; j < n; ++j)
            marks[size_t(j)] = RowMarks(Index + j);
        if (n > 0)
            marks[0] |= collected;
        else if (collected)
            ExcludeRowMarks(collected);
    } else if (n > OldCount) {
        const int firstMarks = OldCount > 0 ? RowMarks(Index) : 0;
        const int insertAt = std::min(Index + OldCount, Count());
        InsertItems(insertAt, n - OldCount);
        // old rows 2 .. OldCount to the last OldCount - 1 new rows
        for (int k = 1; k < OldCount; ++k)
            marks[size_t(n - OldCount + k)] = RowMarks(Index + k);
        if (OldCount > 0) {
            TEditorClient *c = ActiveClient();
            const int to = c && c->Col() != 0 ? 0 : n - OldCount;
            marks[size_t(to)] |= TRowMarks(firstMarks);
        }
    } else {
        for (int j = 0; j < n; ++j)
            marks[size_t(j)] = RowMarks(Index + j);
    }
    for (int j = 0; j < n; ++j) {
        const int r = Index + j;
        if (r >= Count())
            Add(QString());
        Put(r, List[j]);
        PutItem(r, List.GetItem(j));
        PutItem2(r, List.GetItem2(j));
        SetRowMarks(r, TRowMarks(List.RowMarks(j) | marks[size_t(j)]));
        PutData(r, List.GetData(j));
        PutDataStr(r, List.GetDataStr(j));
    }
}

int TEditorScreenStrings::ScreenRows(const TEditorClient *Client) const
{
    if (!Client)
        return 50;
    return Client->ScreenHeight() / std::max(Client->RowHeight(), 1);
}

std::unique_ptr<TFountainParser> TEditorScreenStrings::CreateParser() const
{
    TEditorClient *c = FirstClient();
    if (!c)
        return nullptr;
    TFountain *f = c->GetActiveFountain();
    if (!f)
        return nullptr;
    return f->CreateParser();
}

void TEditorScreenStrings::InitRowStates()
{
    TEditorClient *first = FirstClient();
    StatesReset();
    if (first && (first->IsLoading() || first->IsDestroying()))
        return;
    const TRowAttributeData blank = NotComputed();
    for (int i = 0; i < Count(); ++i) {
        const TRowAttribute a = Rows(i);
        SetRowAttributeData(i, blank);
        SetRows(i, a);
    }
    if (Count() == 0)
        return;
    std::unique_ptr<TFountainParser> parser = CreateParser();
    if (!parser)
        return;
    int lastRow = Count() - 1;
    if (!first->InitBracketsFull())
        lastRow = std::min(lastRow, first->TopRow() + ScreenRows(first));
    TRowAttributeData d = InitialState();
    TRowAttribute prev = raCrlf;
    for (int i = 0; i <= lastRow; ++i) {
        d.RowAttribute = Rows(i);
        d.PrevRowAttribute = prev;
        SetRowAttributeData(i, d);
        parser->LastTokenBracket(i, *this, d);
        prev = Rows(i);
    }
    StatesComputed(0, lastRow + 1);
}

int TEditorScreenStrings::UpdateRowStates(int Row, bool Notify)
{
    if (Row < 0 || Row >= Count())
        return 0;
    std::unique_ptr<TFountainParser> parser = CreateParser();
    if (!parser)
        return 0;
    int k = Row - 1;
    while (k >= 0 && Brackets(k) == -2)
        --k;
    TRowAttributeData d;
    int i;
    TRowAttribute prev;
    if (k >= 0) {
        d = RowAttributeData(k);
        parser->LastTokenBracket(k, *this, d);
        prev = Rows(k);
        i = k + 1;
    } else {
        d = InitialState();
        prev = raCrlf;
        i = 0;
    }
    const int first = i;
    const int end = std::min(Row + 2 * ScreenRows(FirstClient()), Count() - 1);
    int count = 0;
    for (; i <= end; ++i) {
        d.RowAttribute = Rows(i);
        d.PrevRowAttribute = prev;
        const TRowAttributeData s = Stored(d);
        if (Brackets(i) != -2 && RowAttributeData(i) == s) {
            StatesComputed(first, i + 1); // the rows below keep theirs
            return count;
        }
        SetRowAttributeData(i, s);
        if (Notify)
            for (TEditorClient *c : FClients)
                c->InvalidateRow(i);
        ++count;
        if (i + 1 >= Count()) {
            StatesComputed(first, Count());
            return count; // nothing below needs the state at the end of the last row
        }
        parser->LastTokenBracket(i, *this, d);
        prev = Rows(i);
    }
    StatesComputed(first, end + 1);
    // the rows below lose their state (only the marker is written)
    StatesLost(end + 1);
    for (int j = end + 1; j < Count() && Brackets(j) != -2; ++j)
        SetBrackets(j, -2);
    return count;
}

int TEditorScreenStrings::ContinueRowStates(int MaxRows)
{
    const int n = Count();
    int i = std::min(FStatesDone, n);
    while (i < n && Brackets(i) != -2)
        ++i;
    StatesComputed(FStatesDone, i);
    if (i >= n)
        return -1;
    const int first = i;
    std::unique_ptr<TFountainParser> parser = CreateParser();
    if (!parser)
        return -1;
    TRowAttributeData d;
    TRowAttribute prev = raCrlf;
    if (i > 0) {
        d = RowAttributeData(i - 1);
        parser->LastTokenBracket(i - 1, *this, d);
        prev = Rows(i - 1);
    } else {
        d = InitialState();
    }
    const int end = std::min(n, i + std::max(1, MaxRows));
    for (; i < end; ++i) {
        d.RowAttribute = Rows(i);
        d.PrevRowAttribute = prev;
        const TRowAttributeData s = Stored(d);
        if (Brackets(i) != -2) {
            if (RowAttributeData(i) == s) {
                StatesComputed(first, i + 1); // agrees: the next call looks for the next gap
                return std::max(i, FStatesDone);
            }
            for (TEditorClient *c : FClients)
                c->InvalidateRow(i);
        }
        SetRowAttributeData(i, s);
        if (i + 1 < n)
            parser->LastTokenBracket(i, *this, d);
        prev = Rows(i);
    }
    StatesComputed(first, i);
    return i < n ? i : -1;
}

void TEditorScreenStrings::StatesReset()
{
    FStatesDone = 0;
    FResumeFrom = FResumeTo = -1;
}

void TEditorScreenStrings::StatesReplaced(int Index, int OldCount, int NewCount)
{
    if (FStatesDone <= Index) {
        // the gap is above; what was known after the edit no longer holds
        if (FResumeFrom >= 0 && Index < FResumeTo)
            FResumeFrom = FResumeTo = -1;
        return;
    }
    // the new rows have no state yet; the rows after them had theirs
    if (FStatesDone >= Index + OldCount) {
        FResumeFrom = Index + NewCount;
        FResumeTo = FStatesDone + NewCount - OldCount;
    } else {
        FResumeFrom = FResumeTo = -1;
    }
    FStatesDone = Index;
}

void TEditorScreenStrings::StatesComputed(int From, int To)
{
    if (From > FStatesDone)
        return;
    FStatesDone = std::max(FStatesDone, To);
    if (FResumeFrom >= 0 && FStatesDone >= FResumeFrom) {
        FStatesDone = std::max(FStatesDone, FResumeTo);
        FResumeFrom = FResumeTo = -1;
    }
}

void TEditorScreenStrings::StatesLost(int From)
{
    FStatesDone = std::max(0, std::min(FStatesDone, From));
    if (FResumeFrom >= 0 && From < FResumeTo)
        FResumeFrom = FResumeTo = -1;
}

void TEditorScreenStrings::SetDrawInfo(int Start, int Delete, int Insert, int Invalid)
{
    FDrawInfo.Start = Start;
    FDrawInfo.Delete = Delete;
    FDrawInfo.Insert = Insert;
    FDrawInfo.Invalid = Invalid;
    FDrawInfo.NeedUpdate = true;
}

void TEditorScreenStrings::ClampClientRows()
{
    const int n = Count();
    const int maxRow = n == 0 ? 0 : (Rows(n - 1) == raEof ? n - 1 : n);
    for (TEditorClient *c : FClients) {
        if (c->Row() > maxRow)
            c->SetRow(maxRow);
        if (c->TopRow() > maxRow)
            c->SetTopRow(maxRow);
    }
}

void TEditorScreenStrings::CleanClientSelections()
{
    for (TEditorClient *c : FClients)
        if (c->SelectedData())
            c->CleanSelection();
}

void TEditorScreenStrings::ResetClientCols()
{
    for (TEditorClient *c : FClients)
        c->SetCol(0);
}

void TEditorScreenStrings::RefreshClients()
{
    for (TEditorClient *c : FClients)
        c->RefreshClient();
}

void TEditorScreenStrings::LoadText(const QString &Text)
{
    StatesLost(Count());
    BeginUpdate();
    const qsizetype n = Text.size();
    qsizetype start = 0;
    while (start < n) {
        qsizetype i = start;
        const QChar *p = Text.constData();
        while (i < n && p[i] != u'\r' && p[i] != u'\n')
            ++i;
        Add(Text.mid(start, i - start));
        if (i < n && p[i] == u'\r')
            ++i;
        if (i < n && p[i] == u'\n')
            ++i;
        start = i;
    }
    if (!Text.isEmpty() && Count() > 0 && Text.back() != u'\n' && Text.back() != u'\r')
        SetRows(Count() - 1, raEof);
    EndUpdate();
}

// ---------------------------------------------------------------------------
// Word wrap

void TEditorScreenStrings::WrapLine(const QString &Line, const TColumnSettings &St, std::vector<QString> &Out) const
{
    const int W = St.WrapByte;
    QString kinds = ColumnKinds(Line, St);
    if (kinds.size() < W) {
        Out.push_back(Line);
        return;
    }
    const TEditorWrapOption &o = *FWrapOption;
    auto in = [](const QString &ch, const QString &rule) { return IncludesAtCharStart(ch, rule); };
    QString rest = Line;
    TEditorAttributeArray a(rest, kinds);
    a.SetPosition(W);
    const int floor5 = W / 5 * 4;
    auto stepBackChar = [&a] {
        const int sp = a.SourcePos();
        while (a.Position() > 1 && a.SourcePos() == sp)
            a.Prior();
    };
    for (;;) {
        if (a.Attribute() == u'0') {
            if (!rest.isEmpty() || !o.FollowRetMark())
                Out.push_back(rest);
            // else the line end follows onto the row made last
            return;
        }
        if (a.Attribute() == u'4') {
            a.Prior();
        } else if (o.WordBreak() && kinds.size() > W) {
            while (a.Position() > W / 3) {
                const QChar k = a.Attribute();
                if (k == u'2' || k == u'3' || k == u'5')
                    break;
                a.Prior();
            }
        }
        if (o.FollowPunctuation()) {
            while (a.Position() < W + 2 && in(a.NextPositionString(), o.PunctuationStr())) {
                a.Next();
                if (a.Attribute() == u'4')
                    a.Next();
            }
        }
        if (o.Leading() && a.Position() < a.GetSize()) {
            while (a.Position() > floor5 && in(a.PositionString(), o.LeadStr()))
                stepBackChar();
            if (a.Position() < a.GetSize() && in(a.NextPositionString(), o.FollowStr())) {
                while (a.Position() > floor5 &&
                       (in(a.PositionString(), o.LeadStr()) || in(a.NextPositionString(), o.FollowStr())))
                    stepBackChar();
            }
        }
        int cut = a.SourcePos();
        if (cut < 1)
            cut = 1;
        if (IsHighSurrogate(rest[cut - 1].unicode()) && cut < rest.size())
            ++cut; // never split a surrogate pair
        Out.push_back(rest.left(cut));
        rest = rest.mid(cut);
        kinds = ColumnKinds(rest, St);
        a.NewData(rest, kinds);
        a.SetPosition(W);
    }
}

void TEditorScreenStrings::WrapText(const QString &Text, TRowAttributeStringList &List)
{
    List.BeginUpdate();
    List.Clear();
    if (!FWordWrap && !Text.isEmpty() && !Text.contains(u'\r') && !Text.contains(u'\n')) {
        List.Add(Text); // one line: shared, not copied
        List.EndUpdate();
        return;
    }
    const QStringList lines = SplitStringsText(Text);
    if (lines.isEmpty()) {
        List.Add(QString());
    } else if (!FWordWrap) {
        for (const QString &l : lines)
            List.Add(l);
    } else {
        const TColumnSettings st = ColumnSettings();
        std::vector<QString> rows;
        for (const QString &l : lines) {
            rows.clear();
            WrapLine(l, st, rows);
            if (rows.empty())
                continue;
            for (size_t k = 0; k < rows.size(); ++k) {
                const int i = List.Add(rows[k]);
                List.SetRows(i, k + 1 < rows.size() ? raWrapped : raCrlf);
            }
        }
    }
    List.EndUpdate();
}

int TEditorScreenStrings::WrapRowCount(const QString &Line)
{
    if (!FWordWrap)
        return 1;
    std::vector<QString> rows;
    WrapLine(Line, ColumnSettings(), rows);
    return std::max<int>(1, int(rows.size()));
}

void TEditorScreenStrings::WrapAllRows()
{
    if (Count() == 0 || (FirstClient() && FirstClient()->IsLoading()))
        return;
    CleanClientSelections();
    const TNotifyEvent saved = OnChange;
    OnChange = nullptr;
    BeginUpdate();
    const TRowAttribute lastAttr = Rows(Count() - 1);
    const TColumnSettings st = ColumnSettings();
    struct NewRow {
        QString Text;
        TRowAttribute Attr;
        TRowMarks Marks;
    };
    StatesReset();
    std::vector<NewRow> out;
    out.reserve(size_t(Count()));
    std::vector<QString> rows;
    int i = 0;
    while (i < Count()) {
        const int a = i;
        const int b = LastRowOfLine(i);
        QString line;
        TRowMarks all = 0;
        for (int k = a; k <= b; ++k) {
            line += Get(k);
            all |= RowMarks(k);
        }
        if (ExpandTabLength(line, st) < st.WrapByte) {
            out.push_back({line, raCrlf, all});
        } else {
            rows.clear();
            WrapLine(line, st, rows);
            const int n = int(rows.size());
            const int oldN = b - a + 1;
            for (int k = 0; k < n; ++k) {
                TRowMarks m = k < oldN ? RowMarks(a + k) : 0;
                if (k == n - 1)
                    for (int j = n; j < oldN; ++j)
                        m |= RowMarks(a + j);
                out.push_back({rows[size_t(k)], k + 1 < n ? raWrapped : raCrlf, m});
            }
        }
        i = b + 1;
    }
    const int newCount = int(out.size());
    if (newCount > Count())
        InsertItems(Count(), newCount - Count());
    else if (newCount < Count())
        DeleteItems(newCount, Count() - newCount);
    const TRowAttributeData blank = NotComputed();
    for (int k = 0; k < newCount; ++k) {
        Put(k, out[size_t(k)].Text);
        SetRowAttributeData(k, blank);
        SetRows(k, out[size_t(k)].Attr);
        SetRowMarks(k, out[size_t(k)].Marks);
    }
    if (newCount > 0)
        SetRows(newCount - 1, lastAttr == raWrapped ? raEof : lastAttr);
    EndUpdate();
    OnChange = saved;
}

void TEditorScreenStrings::UnwrapRows()
{
    if (Count() == 0)
        return;
    CleanClientSelections();
    const TNotifyEvent saved = OnChange;
    OnChange = nullptr;
    BeginUpdate();
    TRowAttribute lastAttr = Rows(Count() - 1);
    if (lastAttr == raWrapped)
        lastAttr = raEof;
    StatesReset();
    const TRowAttributeData blank = NotComputed();
    int w = 0;
    int i = 0;
    while (i < Count()) {
        const int b = LastRowOfLine(i);
        QString line;
        TRowMarks all = 0;
        for (int k = i; k <= b; ++k) {
            line += Get(k);
            all |= RowMarks(k);
        }
        Put(w, line);
        SetRowAttributeData(w, blank);
        SetRows(w, raCrlf);
        SetRowMarks(w, all);
        ++w;
        i = b + 1;
    }
    SetRows(w - 1, lastAttr);
    if (w < Count())
        DeleteItems(w, Count() - w);
    EndUpdate();
    OnChange = saved;
}

void TEditorScreenStrings::SetWordWrap(bool Value)
{
    if (FWordWrap == Value)
        return;
    FWordWrap = Value;
    if (FirstClient() && FirstClient()->IsLoading())
        return;
    FUndoObj->Clear();
    if (Value)
        WrapAllRows();
    else
        UnwrapRows();
    InitRowStates();
    RefreshClients();
    ClampClientRows();
    ResetClientCols();
}

void TEditorScreenStrings::WrapOptionChanged(TPersistent *)
{
    if ((FirstClient() && FirstClient()->IsLoading()) || !FWordWrap)
        return;
    FUndoObj->Clear();
    WrapAllRows();
    InitRowStates();
    RefreshClients();
    ClampClientRows();
    ResetClientCols();
}
