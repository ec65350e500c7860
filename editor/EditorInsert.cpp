// TEditor: the three ways text enters the editor other than by loading.
// Each is one replacement of a range of display rows in the row store, so
// each is one undo step. The caret is placed afterwards by a character
// offset counted from a reference row that stays put while the replaced
// rows are wrapped anew.
#include "editor/Editor.h"
#include "editor/EditorColumns.h"
#include "editor/EditorStringList.h"
#include "editor/EditorUtils.h"

#include "editor/EditorInternal.h"

using editor_internal::Blanks;
using editor_internal::CaretBracket;


int TEditor::ReferenceRow(int ARow) const
{
    return std::max(0, std::max(FList->FirstRowOfLine(ARow), ARow - 1));
}

void TEditor::ReplaceRows(int First, int Last, const QString &Text)
{
    const int n = FList->Count();
    if (First >= n)
        FList->ReplaceText(n, 0, Text);
    else
        FList->ReplaceText(First, std::min(Last, n - 1) - First + 1, Text);
}

void TEditor::SetSelTextBuf(const QString &V)
{
    if (FReadOnly)
        return;
    if (V.isEmpty()) {
        if (Selected())
            DeleteSelection();
        else if (SelectedData())
            CleanSelection();
        return;
    }
    int ref, offset, first, last;
    QString text;
    if (Selected()) {
        ref = ReferenceRow(FSelStr.Sr);
        offset = CharOffsetTo(ref, FSelDraw.Sr, FSelDraw.Sc);
        first = FSelStr.Sr;
        last = FSelStr.Er;
        TEditorStringList rest;
        TextWithoutSelection(rest);
        if (rest.Count() == 0) {
            text = V;
        } else {
            const int cut = int(rest.GetData(0)) - 1;
            QString r0 = rest[0];
            if (cut > r0.size())
                r0 += Blanks(cut - int(r0.size()));
            rest.Put(0, r0.left(cut) + V + r0.mid(cut));
            text = JoinRows(rest);
        }
    } else {
        ref = ReferenceRow(FRow);
        offset = CharOffsetTo(ref, FRow, FCol);
        first = last = FRow;
        const QString &r = RowText(FRow);
        const int c = CharIndexOfColumn(RowKinds(FRow), FCol);
        if (FRow < FList->Count()) {
            // into the row: only the characters change
            const int at = std::min(c, int(r.size()));
            CaretBracket bracket(*this, V.contains(u'\r') || V.contains(u'\n') || FList->Rows(FRow) == raCrlf);
            if (SelectedData())
                CleanSelection();
            FList->ReplaceChars(FRow, at, FRow, at, c > at ? Blanks(c - at) + V : V);
            SetCaretByOffset(ref, offset + int(V.size()));
            return;
        }
        const QString before = c > r.size() ? r + Blanks(c - int(r.size())) : r.left(c);
        QString after = r.mid(c);
        FList->AppendLineEnd(FRow, after);
        text = before + V + after;
    }
    CaretBracket bracket(*this, text.contains(u'\r') || text.contains(u'\n'));
    if (SelectedData())
        CleanSelection();
    ReplaceRows(first, last, text);
    SetCaretByOffset(ref, offset + int(V.size()));
}

void TEditor::PutStringToLine(const QString &Source)
{
    if (Source.isEmpty())
        return;
    int ref, offset, first, last;
    QString text;
    if (Selected()) {
        ref = ReferenceRow(FSelStr.Sr);
        offset = CharOffsetTo(ref, FSelDraw.Sr, FSelDraw.Sc) + int(Source.size());
        first = FSelStr.Sr;
        last = FSelStr.Er;
        TEditorStringList rest;
        TextWithoutSelection(rest);
        if (rest.Count() == 0) {
            text = Source;
        } else {
            const int cut = int(rest.GetData(0)) - 1;
            QString r0 = rest[0];
            if (cut > r0.size())
                r0 += Blanks(cut - int(r0.size()));
            rest.Put(0, r0.left(cut) + Source + r0.mid(cut));
            text = JoinRows(rest);
        }
    } else {
        ref = ReferenceRow(FRow);
        offset = CharOffsetTo(ref, FRow, FCol) + int(Source.size());
        first = last = FRow;
        const QString &r = RowText(FRow);
        const QString k = RowKinds(FRow);
        const int c = CharIndexOfColumn(k, FCol);
        if (FRow < FList->Count() && (c >= r.size() || !FOverWrite)) {
            // into the row (after blanks up to the caret): only the characters change
            const int at = std::min(c, int(r.size()));
            CaretBracket bracket(*this, false);
            if (SelectedData())
                CleanSelection();
            FList->ReplaceChars(FRow, at, FRow, at, c > at ? Blanks(c - at) + Source : Source);
            SetCaretByOffset(ref, offset);
            return;
        }
        if (c >= r.size()) {
            text = r + Blanks(c - int(r.size())) + Source;
        } else if (!FOverWrite) {
            text = r.left(c) + Source + r.mid(c);
        } else {
            text = r.left(c) + Source;
            // the overwritten span ends at column e, possibly in a following
            // row of the same logical line
            int e = FCol + int(ColumnKinds(Source).size());
            int row = FRow;
            QString rk = k;
            while (e > rk.size() && RowAttribute(row) == raWrapped && row + 1 < FList->Count()) {
                e -= int(rk.size());
                ++row;
                rk = RowKinds(row);
                last = row;
            }
            const QString rt = RowString(row);
            const int f = NonCharColumns(rk, e + 1);
            if (KindAt(rk, e) == u'5')
                text += u' ' + rt.mid(e - f + 1); // the half left over becomes a blank
            else
                text += rt.mid(e - f);
        }
        FList->AppendLineEnd(last, text);
    }
    CaretBracket bracket(*this, false);
    if (SelectedData())
        CleanSelection();
    ReplaceRows(first, last, text);
    SetCaretByOffset(ref, offset);
}

void TEditor::SetSelTextBox(const QString &T)
{
    if (FReadOnly)
        return;
    if (T.isEmpty()) {
        if (Selected())
            DeleteSelection();
        return;
    }
    const QStringList lines = SplitStringsText(T);
    const int n = int(lines.size());
    if (n == 0)
        return;
    const int lastRow = FList->Count() - 1;
    int top, bottom, next, b;
    TEditorStringList w;
    if (Selected()) {
        top = FSelStr.Sr;
        bottom = std::min(lastRow, std::max(FSelStr.Er, top + n - 1));
        next = FSelStr.Er + 1;
        b = FSelDraw.Sc + 1;
        TextWithoutSelection(w);
    } else {
        top = FRow;
        bottom = std::min(lastRow, FRow + n - 1);
        next = FRow;
        b = FCol + 1;
    }
    int endPos = 0;
    for (int j = 0; j < n; ++j) {
        const QString &line = lines[j];
        int p;
        if (j < w.Count()) {
            QString r = w[j];
            p = int(w.GetData(j));
            if (r.size() < p)
                r += Blanks(p - int(r.size()) - 1) + line;
            else
                r.insert(p - 1, line);
            w.Put(j, r);
        } else if (next > lastRow) {
            const int i = w.Add(Blanks(b - 1) + line);
            w.SetRows(i, raCrlf);
            p = b;
        } else {
            p = ColToCharStart(RowKinds(next), b);
            QString r = RowString(next);
            if (r.size() < p - 1)
                r += Blanks(p - 1 - int(r.size()));
            r.insert(p - 1, line);
            const int i = w.Add(r);
            w.SetRows(i, FList->Rows(next));
            ++next;
        }
        endPos = int(line.size()) + p - 1;
    }
    for (int i = 0; i < w.Count(); ++i)
        if (w.Rows(i) == raEof)
            w.SetRows(i, raCrlf);
    const QString text = JoinRows(w);
    CaretBracket bracket(*this, true);
    if (SelectedData())
        CleanSelection();
    ReplaceRows(top, bottom, text);
    const int row = top + n - 1;
    SetRowCol(row, ExpandTabLength(QStringView(RowString(row)).left(endPos)));
}
