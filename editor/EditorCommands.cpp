// TEditor: commands that look at the text through its tokens or search it,
// undo-related and row-mark commands, row deletion, the indentation and
// comment commands, and the edit-control methods (TEditTarget).
#include "editor/Editor.h"
#include "editor/EditorColumns.h"
#include "editor/EditorStringList.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/EditorUtils.h"
#include "editor/Fountain.h"
#include "editor/FountainParser.h"

#include <QIODevice>
#include <vector>

#include "editor/EditorInternal.h"

using editor_internal::Blanks;

namespace {


// A fountain with no rules of its own: the plain token parser's.
class TPlainFountain : public TFountain {
public:
    TPlainFountain() { CreateParts(); }
};

TFountain &PlainFountain()
{
    static TPlainFountain f;
    return f;
}

// The plain token parser: the base rules only (no reserved words, brackets,
// comments or quotations), and no colours.
class TTokenParser : public TFountainParser {
public:
    explicit TTokenParser(TFountain *Fountain) : TFountainParser(Fountain) {}
    TFountainColor *TokenToFountainColor() override { return nullptr; }
};

std::unique_ptr<TFountainParser> MakeParser(TFountain *Active, bool UseFountain)
{
    if (UseFountain && Active)
        return Active->CreateParser();
    return std::make_unique<TTokenParser>(&PlainFountain());
}

// Display column where each unit of S starts (an extra entry: the width).
std::vector<int> UnitColumns(QStringView S, bool AmbiguousWide)
{
    std::vector<int> cols(size_t(S.size()) + 1, 0);
    int col = 0;
    for (qsizetype i = 0; i < S.size(); ++i) {
        cols[size_t(i)] = col;
        const char16_t u = S[i].unicode();
        if (u < 0x80) {
            ++col;
            continue;
        }
        char32_t cp = u;
        if (IsHighSurrogate(u) && i + 1 < S.size() && IsLowSurrogate(S[i + 1].unicode())) {
            cp = (char32_t(u & 0x3FF) << 10 | (S[i + 1].unicode() & 0x3FF)) + 0x10000;
            ++i;
            cols[size_t(i)] = col;
        }
        col += IsWideClass(EastAsianWidthClass(cp), AmbiguousWide) ? 2 : 1;
    }
    cols[size_t(S.size())] = col;
    return cols;
}

bool StartsWithComment(const QString &S)
{
    qsizetype i = 0;
    while (i < S.size() && S[i].unicode() <= 0x20)
        ++i;
    return QStringView(S).mid(i).startsWith(QLatin1String("--"));
}

bool IsBlankUnit(QChar C)
{
    return C == u' ' || C == u'\t' || C.unicode() == WideBlank;
}

constexpr int kChunk = 8192;

} // namespace

// ===========================================================================
// Tokens

bool TEditor::TokenAt(const QPoint &Pos, bool UseFountain, bool Bracket, bool StatsPack, int &LineRow, int &Start,
                      int &Length, TTokenKind &Kind, QString &Text)
{
    int r, index;
    if (!PosToRowIndex(Pos, r, index) || r >= FList->Count())
        return false;
    const int l = FList->FirstRowOfLine(r);
    TRowAttributeData d;
    if (UseFountain) {
        d = FList->RowAttributeData(l);
        if (!Bracket)
            d.BracketIndex = -2;
    }
    int offset = index;
    for (int i = l; i < r; ++i)
        offset += int(FList->Get(i).size());
    const QString line = FList->GetRowsText(l, -1).Text;
    std::unique_ptr<TFountainParser> p = MakeParser(GetActiveFountain(), UseFountain);
    p->NewData(line, d);
    for (int guard = 0; guard <= line.size() + 4; ++guard) {
        const TTokenKind k = p->NextToken();
        if (k == tokEof)
            break;
        const int s = p->SourcePos();
        const int len = p->TokenLength();
        if (s <= offset && s + len - 1 >= offset) {
            LineRow = l;
            Start = s;
            Kind = k;
            if (StatsPack) {
                Text = p->TokenStringStatsPack();
                Length = int(Text.size()) - (Text.startsWith(u' ') ? 1 : 0);
            } else {
                Text = line.mid(s, len);
                Length = len;
            }
            return true;
        }
        if (s > offset)
            break;
    }
    return false;
}

void TEditor::TokenInfoFromPos(const QPoint &Pos, bool UseFountain, TTokenKind &Token, bool Bracket, QString &S)
{
    int l, s, len;
    Token = 0;
    S.clear();
    TTokenKind k = 0;
    QString t;
    if (TokenAt(Pos, UseFountain, Bracket, false, l, s, len, k, t)) {
        Token = k;
        S = t;
    }
}

void TEditor::SelectTokenAtPos(const QPoint &Pos, bool UseFountain, bool Bracket)
{
    int l, s, len;
    TTokenKind k;
    QString t;
    if (!TokenAt(Pos, UseFountain, Bracket, false, l, s, len, k, t))
        return;
    BeginCaretUpdate();
    if (SelectedData())
        CleanSelection();
    SetCaretByOffset(l, s);
    SetSelLength(len);
    EndCaretUpdate();
}

void TEditor::SelectWordAtPosStatsPack(const QPoint &Pos, bool UseFountain, bool Bracket)
{
    int l, s, len;
    TTokenKind k;
    QString t;
    if (!TokenAt(Pos, UseFountain, Bracket, true, l, s, len, k, t))
        return;
    BeginCaretUpdate();
    if (SelectedData())
        CleanSelection();
    SetCaretByOffset(l, s);
    SetSelLength(len);
    EndCaretUpdate();
}

QPoint TEditor::CaretPos() const
{
    int x, y;
    GetCaretXY(x, y);
    return {x, y};
}

// The kind and the text of the token at a point: with the fountain's rules
// (a token) or without them (a plain word).
static TTokenKind KindAt(TEditor &E, const QPoint &Pos, bool Bracket)
{
    TTokenKind k;
    QString s;
    E.TokenInfoFromPos(Pos, true, k, Bracket, s);
    return k;
}
static QString TextAt(TEditor &E, const QPoint &Pos, bool UseFountain, bool Bracket)
{
    TTokenKind k;
    QString s;
    E.TokenInfoFromPos(Pos, UseFountain, k, Bracket, s);
    return s;
}

TTokenKind TEditor::TokenBracketFromPos(const QPoint &Pos) { return KindAt(*this, Pos, true); }
TTokenKind TEditor::TokenBracketFromCaret() { return TokenBracketFromPos(CaretPos()); }
TTokenKind TEditor::TokenFromPos(const QPoint &Pos) { return KindAt(*this, Pos, false); }
TTokenKind TEditor::TokenFromCaret() { return TokenFromPos(CaretPos()); }
QString TEditor::TokenStringBracketFromPos(const QPoint &Pos) { return TextAt(*this, Pos, true, true); }
QString TEditor::TokenStringBracketFromCaret() { return TokenStringBracketFromPos(CaretPos()); }
QString TEditor::TokenStringFromPos(const QPoint &Pos) { return TextAt(*this, Pos, true, false); }
QString TEditor::TokenStringFromCaret() { return TokenStringFromPos(CaretPos()); }
QString TEditor::WordFromPos(const QPoint &Pos) { return TextAt(*this, Pos, false, false); }
QString TEditor::WordFromCaret() { return WordFromPos(CaretPos()); }
void TEditor::SelectTokenBracketFromPos(const QPoint &Pos) { SelectTokenAtPos(Pos, true, true); }
void TEditor::SelectTokenBracketFromCaret() { SelectTokenBracketFromPos(CaretPos()); }
void TEditor::SelectTokenFromPos(const QPoint &Pos) { SelectTokenAtPos(Pos, true, false); }
void TEditor::SelectTokenFromCaret() { SelectTokenFromPos(CaretPos()); }
void TEditor::SelectWordFromPos(const QPoint &Pos) { SelectTokenAtPos(Pos, false, false); }
void TEditor::SelectWordFromCaret() { SelectWordFromPos(CaretPos()); }
void TEditor::SelectWordFromPosStatsPack(const QPoint &Pos) { SelectWordAtPosStatsPack(Pos, false, false); }
void TEditor::SelectWordFromCaretStatsPack() { SelectWordFromPosStatsPack(CaretPos()); }

bool TEditor::NextTokenPos(int &ARow, int &ACol, int Direction) const
{
    const int n = FList->Count();
    if (ARow < 0 || ARow >= n)
        return false;
    const int r0 = ARow, c0 = ACol;
    std::unique_ptr<TFountainParser> p = MakeParser(const_cast<TEditor *>(this)->GetActiveFountain(), true);
    // token start columns of a row, symbols left out
    auto columns = [&](int Row) {
        std::vector<int> cols;
        const QString text = ExpandedRow(Row);
        const std::vector<int> at = UnitColumns(text, FAmbiguousIsWide);
        p->NewData(text, TRowAttributeData{});
        for (int guard = 0; guard <= text.size() + 4; ++guard) {
            const TTokenKind k = p->NextToken();
            if (k == tokEof)
                break;
            if (k != tokSymbol)
                cols.push_back(at[size_t(std::clamp(p->SourcePos(), 0, int(text.size())))]);
        }
        return cols;
    };
    if (Direction > 0) {
        if (ACol >= RowWidth(ARow)) {
            if (RowAttribute(ARow) == raEof)
                return false;
            ++ARow;
            ACol = -1;
        }
        for (int c : columns(ARow))
            if (c > ACol) {
                ACol = c;
                return ARow != r0 || ACol != c0;
            }
        if (RowAttribute(ARow) == raWrapped && ARow + 1 < n) {
            ++ARow;
            ACol = 0;
        } else {
            ACol = RowWidth(ARow);
        }
        return ARow != r0 || ACol != c0;
    }
    if (ACol == 0) {
        if (ARow <= 0)
            return false;
        --ARow;
        ACol = RowWidth(ARow);
        if (RowAttribute(ARow) == raCrlf)
            return true;
    }
    int found = -1;
    for (int c : columns(ARow))
        if (c < ACol)
            found = c;
    if (found >= 0) {
        ACol = found;
    } else if (ARow == 0) {
        ACol = 0;
    } else {
        --ARow;
        ACol = RowWidth(ARow);
    }
    return ARow != r0 || ACol != c0;
}

// ===========================================================================
// Search

bool TEditor::Search(const QString &SearchValue, TSearchOptions SearchOptions)
{
    const int n = FList->Count();
    if (n == 0 || SearchValue.isEmpty())
        return false;
    auto found = [&](int BaseRow, int Start, int Length) {
        BeginCaretUpdate();
        if (SelectedData())
            CleanSelection();
        SetCaretByOffset(BaseRow, Start);
        if (FHitStyle == hsCaret || Length <= 0) {
            SetHitSelLength(Length);
        } else {
            // the hit selected straight from the offsets (no walk from the
            // text's start: Replace All stays linear)
            if (FSelectionMode == smBox)
                SetSelectionMode(smLine);
            FHitSelecting = FHitStyle == hsDraw;
            InitSelection();
            SetCaretByOffset(BaseRow, Start + Length);
            StartSelection();
            FHitSelecting = false;
            FHitSelLength = Length;
        }
        EndCaretUpdate();
        ScrollCaret();
        return true;
    };
    QString chunk;
    if (SearchOptions & SearchOptionBit(sfrDown)) {
        int b, a;
        if (SelectedData()) {
            b = FSelStr.Er;
            a = FSelStr.Ec + 1;
        } else {
            b = FRow;
            a = CaretCharIndex();
        }
        if (b >= n)
            return false;
        for (;;) {
            chunk.clear();
            int r = b;
            while (chunk.size() <= kChunk - 1 && r < n) {
                chunk += FList->Get(r);
                FList->AppendLineEnd(r, chunk);
                ++r;
            }
            TSearchPos pos{a, 0};
            if (SearchBuffer(chunk, pos, SearchValue, SearchOptions))
                return found(b, pos.SelStart, pos.SelLength);
            if (r >= n)
                return false;
            b = r - 1 > b ? r - 1 : b + 1;
            a = 0;
        }
    }
    int a, s;
    if (SelectedData() && FSelStr.Sr < n) {
        a = FSelStr.Sr;
        s = FSelStr.Sc;
    } else if ((SelectedData() ? FSelStr.Sr : FRow) >= n) {
        a = n - 1;
        s = int(FList->Get(a).size()) + (FList->Rows(a) == raCrlf ? 1 : 0);
    } else {
        a = FRow;
        s = CaretCharIndex();
    }
    for (;;) {
        chunk = FList->Get(a);
        FList->AppendLineEnd(a, chunk);
        int top = a;
        while (chunk.size() <= kChunk - 1 && top > 0) {
            --top;
            QString part = FList->Get(top);
            FList->AppendLineEnd(top, part);
            chunk.prepend(part);
            s += int(part.size());
        }
        TSearchPos pos{s, 0};
        if (SearchBuffer(chunk, pos, SearchValue, SearchOptions))
            return found(top, pos.SelStart, pos.SelLength);
        if (top == 0)
            return false;
        a = a > top ? top : top - 1;
        s = int(FList->Get(a).size()) + (FList->Rows(a) == raCrlf ? 1 : 0);
    }
}

// ===========================================================================
// Row marks, rows

void TEditor::PutRowMark(int Index, TRowMark Mark)
{
    const TRowMarks bit = RowMarkBit(Mark);
    const int n = FList->Count();
    if (Mark <= rm9 && (FList->ValidRowMarks() & bit)) {
        for (int r = 0; r < n; ++r)
            if (FList->RowMarks(r) & bit) {
                SetListRowMarks(r, TRowMarks(FList->RowMarks(r) & ~bit));
                break;
            }
    }
    if (Index >= 0 && Index < n)
        SetListRowMarks(Index, TRowMarks(FList->RowMarks(Index) | bit));
}

void TEditor::DeleteRowMark(int Index, TRowMark Mark)
{
    if (Index >= 0 && Index < FList->Count())
        SetListRowMarks(Index, TRowMarks(FList->RowMarks(Index) & ~RowMarkBit(Mark)));
}

void TEditor::GotoRowMark(TRowMark Mark)
{
    const TRowMarks bit = RowMarkBit(Mark);
    if (!(FList->ValidRowMarks() & bit))
        return;
    for (int r = 0; r < FList->Count(); ++r)
        if (FList->RowMarks(r) & bit) {
            if (r < FTopRow || r > FTopRow + FRowCount - 1)
                SetTopRow(std::max(0, r - FRowCount / 2));
            SetRow(r);
            return;
        }
}

void TEditor::DeleteRow(int Index)
{
    if (Index < 0 || Index >= FList->Count())
        return;
    if (SelectedData())
        CleanSelection();
    BeginCaretUpdate();
    HideUnderline();
    try {
        FList->ReplaceText(Index, 1, QString());
        if (Index > 0 && RowAttribute(Index - 1) == raEof)
            SetRowCol(Index - 1, RowWidth(Index - 1));
        else
            SetRowCol(Index, 0);
    } catch (...) {
        ShowUnderline();
        EndCaretUpdate();
        throw;
    }
    ShowUnderline();
    EndCaretUpdate();
}

void TEditor::Clear()
{
    FLines->Clear();
}

void TEditor::ListToFile(const QString &FileName)
{
    FLines->SaveToFile(FileName);
}

void TEditor::ListToStream(QIODevice &Stream)
{
    Stream.write(tv::text::Encode(FLines->Text(), tv::text::Encoding::Ansi));
}

// ===========================================================================
// Indentation and comments

void TEditor::RewriteSelectedRows(bool CaretRowWithoutSelection, bool SnapPastIndent,
                                  const std::function<bool(int Row, QString &Text, int &Where, int &Delta)> &Edit)
{
    const int n = FList->Count();
    if (n == 0)
        return;
    int first, last;
    const bool sel = Selected();
    if (sel) {
        first = FSelStr.Sr;
        last = FSelStr.Er;
        if (FSelStr.Ec == -1 && last > first)
            --last;
    } else if (CaretRowWithoutSelection) {
        first = last = FRow;
    } else {
        return;
    }
    last = std::min(last, n - 1);
    if (first > last)
        return;
    struct Change {
        int Where = 0, Delta = 0;
        bool Done = false;
    };
    std::vector<Change> changes(size_t(last - first + 1));
    QString text;
    bool any = false;
    for (int r = first; r <= last; ++r) {
        QString t = FList->Get(r);
        Change &c = changes[size_t(r - first)];
        if (Edit(r, t, c.Where, c.Delta)) {
            c.Done = true;
            any = true;
        }
        text += t;
        FList->AppendLineEnd(r, text);
    }
    if (!any)
        return;
    // positions (row, character index) follow the units added or removed
    auto follow = [&](int Row, int Index) {
        if (Row < first || Row > last)
            return Index;
        const Change &c = changes[size_t(Row - first)];
        if (!c.Done)
            return Index;
        int i = Index < c.Where ? Index : c.Delta >= 0 ? Index + c.Delta : std::max(c.Where, Index + c.Delta);
        if (SnapPastIndent) {
            const QString t = RowString(Row);
            int lead = 0;
            while (lead < t.size() && IsBlankUnit(t[lead]))
                ++lead;
            i = std::max(i, lead);
        }
        return i;
    };
    auto colOf = [&](int Row, int Index) {
        const QString t = RowString(Row);
        return ExpandTabLength(QStringView(t).left(std::min(Index, int(t.size())))) +
               std::max(0, Index - int(t.size()));
    };
    const int anchorRow = FSelStartRow;
    const int anchorIndex = FSelStartSi;
    const int caretRow = FRow;
    const int caretIndex = CharIndexOfColumn(RowKinds(FRow), FCol);
    const bool empty = sel && first == last && FSelStr.Sc == FSelStr.Ec + 1;
    BeginCaretUpdate();
    HideUnderline();
    try {
        if (SelectedData())
            CleanSelection();
        FList->ReplaceText(first, last - first + 1, text);
        if (sel && !empty) {
            SetRowCol(anchorRow, colOf(anchorRow, follow(anchorRow, anchorIndex)));
            InitSelection();
            SetRowCol(caretRow, colOf(caretRow, follow(caretRow, caretIndex)));
            StartSelection();
        } else {
            SetRowCol(caretRow, colOf(caretRow, follow(caretRow, caretIndex)));
        }
    } catch (...) {
        ShowUnderline();
        EndCaretUpdate();
        throw;
    }
    ShowUnderline();
    EndCaretUpdate();
}

void TEditor::SelTabIndent()
{
    if (!Selected())
        return;
    const int t = FCaret->TabSpaceCount();
    const bool wrap = FList->WordWrap();
    const int w = FList->WrapOption()->WrapByte();
    auto whole = [&](int r) {
        return RowAttribute(r) != raWrapped && !(r > 0 && RowAttribute(r - 1) == raWrapped);
    };
    if (FSelectionMode == smBox) {
        RewriteBox(FSelDraw, [&](int r, QString &s, int p) {
            if (s.size() < p)
                return false;
            QString n = s;
            n.insert(p - 1, u'\t');
            if (wrap && (!whole(r) || ExpandTabLength(n) >= w))
                return false;
            s = n;
            return true;
        });
        return;
    }
    RewriteSelectedRows(false, true, [&](int r, QString &s, int &where, int &delta) {
        if (wrap && !(whole(r) && ExpandTabLength(s) + t < w))
            return false;
        s.prepend(u'\t');
        where = 0;
        delta = 1;
        return true;
    });
}

void TEditor::SelTabUnIndent()
{
    if (!Selected())
        return;
    auto whole = [&](int r) {
        return RowAttribute(r) != raWrapped && !(r > 0 && RowAttribute(r - 1) == raWrapped);
    };
    if (FSelectionMode == smBox) {
        RewriteBox(FSelDraw, [&](int r, QString &s, int p) {
            if (!whole(r) || p - 1 >= s.size() || s[p - 1] != u'\t')
                return false;
            s.remove(p - 1, 1);
            return true;
        });
        return;
    }
    RewriteSelectedRows(false, true, [&](int r, QString &s, int &where, int &delta) {
        if (s.isEmpty() || s[0] != u'\t' || !whole(r))
            return false;
        s.remove(0, 1);
        where = 0;
        delta = -1;
        return true;
    });
}

void TEditor::SelIndent()
{
    if (!Selected())
        return;
    const bool wrap = FList->WordWrap();
    const int w = FList->WrapOption()->WrapByte();
    auto whole = [&](int r) {
        return RowAttribute(r) != raWrapped && !(r > 0 && RowAttribute(r - 1) == raWrapped);
    };
    if (FSelectionMode == smBox) {
        RewriteBox(FSelDraw, [&](int r, QString &s, int p) {
            if (s.size() < p)
                return false;
            QString n = s;
            n.insert(p - 1, u' ');
            if (wrap && (!whole(r) || ExpandTabLength(n) >= w))
                return false;
            s = n;
            return true;
        });
        return;
    }
    RewriteSelectedRows(false, true, [&](int r, QString &s, int &where, int &delta) {
        if (wrap && !(whole(r) && ExpandTabLength(QLatin1Char(' ') + s) < w))
            return false;
        const QString rest = TrimLeftBlanks(s);
        const int lead = int(s.size() - rest.size());
        const int width = std::max(0, IndentWidth(s));
        s = Blanks(width + 1) + rest;
        where = 0;
        delta = width + 1 - lead;
        return true;
    });
}

void TEditor::SelUnIndent()
{
    if (!Selected())
        return;
    auto whole = [&](int r) {
        return RowAttribute(r) != raWrapped && !(r > 0 && RowAttribute(r - 1) == raWrapped);
    };
    if (FSelectionMode == smBox) {
        RewriteBox(FSelDraw, [&](int r, QString &s, int p) {
            if (!whole(r) || p - 1 >= s.size() || !IsBlankUnit(s[p - 1]))
                return false;
            s.remove(p - 1, 1);
            return true;
        });
        return;
    }
    RewriteSelectedRows(false, true, [&](int r, QString &s, int &where, int &delta) {
        if (s.isEmpty() || !IsBlankUnit(s[0]) || !whole(r))
            return false;
        const QString rest = TrimLeftBlanks(s);
        const int lead = int(s.size() - rest.size());
        const int width = std::max(0, IndentWidth(s));
        s = Blanks(width - 1) + rest;
        where = 0;
        delta = width - 1 - lead;
        return true;
    });
}

void TEditor::SelCommentOut()
{
    const bool wrap = FList->WordWrap();
    const int w = FList->WrapOption()->WrapByte();
    const int n = FList->Count();
    auto whole = [&](int r) {
        return RowAttribute(r) != raWrapped && !(r > 0 && RowAttribute(r - 1) == raWrapped);
    };
    if (FSelectionMode == smBox && Selected()) {
        bool all = true;
        for (int r = FSelDraw.Sr; r <= std::min(FSelDraw.Er, n - 1); ++r) {
            const int p = ColToCharStart(RowKinds(r), FSelDraw.Sc + 1);
            if (!StartsWithComment(FList->Get(r).mid(p - 1)))
                all = false;
        }
        RewriteBox(FSelDraw, [&](int r, QString &s, int p) {
            if (s.size() < p)
                return false;
            QString nw = s;
            if (all) {
                const int i = int(nw.indexOf(QLatin1String("--"), p - 1));
                if (i < 0)
                    return false;
                nw.remove(i, 2);
            } else {
                nw.insert(p - 1, QLatin1String("--"));
                if (wrap && (!whole(r) || ExpandTabLength(nw) >= w))
                    return false;
            }
            s = nw;
            return true;
        });
        return;
    }
    // whether every affected row is commented, on the rows as they are
    int first, last;
    if (Selected()) {
        first = FSelStr.Sr;
        last = FSelStr.Er;
        if (FSelStr.Ec == -1 && last > first)
            --last;
    } else {
        first = last = FRow;
    }
    last = std::min(last, n - 1);
    bool all = first <= last;
    for (int r = first; r <= last; ++r)
        if (!StartsWithComment(FList->Get(r)))
            all = false;
    RewriteSelectedRows(true, false, [&](int r, QString &s, int &where, int &delta) {
        if (wrap && !(whole(r) && RowWidth(r) + 2 < w))
            return false;
        if (all) {
            const int i = int(s.indexOf(QLatin1String("--")));
            if (i < 0)
                return false;
            s.remove(i, 2);
            where = i;
            delta = -2;
        } else {
            s.prepend(QLatin1String("--"));
            where = 0;
            delta = 2;
        }
        return true;
    });
}

void TEditor::RewriteBox(const TSelectedPosition &Box, const std::function<bool(int, QString &, int)> &Edit)
{
    const int n = FList->Count();
    const int first = Box.Sr, last = std::min(Box.Er, n - 1);
    if (first > last)
        return;
    QString text;
    bool any = false;
    for (int r = first; r <= last; ++r) {
        QString t = FList->Get(r);
        const int p = ColToCharStart(RowKinds(r), Box.Sc + 1);
        if (Edit(r, t, p))
            any = true;
        text += t;
        FList->AppendLineEnd(r, text);
    }
    if (!any)
        return;
    const int anchorRow = FSelStartRow, anchorCol = FSelStartCol;
    const int caretRow = FRow, caretCol = FCol;
    BeginCaretUpdate();
    HideUnderline();
    try {
        CleanSelection();
        FList->ReplaceText(first, last - first + 1, text);
        SetRowCol(anchorRow, anchorCol);
        InitSelection();
        SetRowCol(caretRow, caretCol);
        StartSelection();
    } catch (...) {
        ShowUnderline();
        EndCaretUpdate();
        throw;
    }
    ShowUnderline();
    EndCaretUpdate();
}

// ===========================================================================
// Edit-control methods

TEditTarget *TEditTarget::Of(QWidget *Widget)
{
    for (QWidget *w = Widget; w; w = w->parentWidget()) {
        if (auto *t = dynamic_cast<TEditTarget *>(w))
            return t;
        if (w->isWindow())
            break;
    }
    return nullptr;
}

bool TEditor::EditCanUndo() const
{
    return !FReadOnly && CanUndo();
}

bool TEditor::EditUndo()
{
    if (!EditCanUndo())
        return false;
    Undo();
    return true;
}

bool TEditor::EditCanRedo() const
{
    return !FReadOnly && CanRedo();
}

bool TEditor::EditRedo()
{
    if (!EditCanRedo())
        return false;
    Redo();
    return true;
}

void TEditor::EditCut()
{
    if (!FReadOnly && Selected())
        CutToClipboard();
}

void TEditor::EditCopy()
{
    if (Selected())
        CopyToClipboard();
}

void TEditor::EditPaste()
{
    if (!FReadOnly)
        PasteFromClipboard();
}

void TEditor::EditClear()
{
    if (!FReadOnly)
        ClearSelection();
}

void TEditor::EditSelectAll()
{
    SelectAll();
}

void TEditor::EditReplaceSel(const QString &Text)
{
    if (!FReadOnly)
        SetSelTextBuf(Text);
}

void TEditor::EditGetSel(int &Start, int &End) const
{
    Start = SelStart();
    End = Start + SelLength();
}

void TEditor::EditSetSel(int Start, int End)
{
    if (Start == 0 && End == -1) {
        SelectAll();
        return;
    }
    BeginCaretUpdate();
    SetSelStart(std::min(Start, End));
    SetSelLength(std::abs(End - Start));
    EndCaretUpdate();
}

int TEditor::EditLineIndex(int Row) const
{
    const int n = FList->Count();
    if (Row == -1)
        Row = FRow;
    if (Row < 0 || Row >= std::max(n, 1) || (n == 0 && Row > 0))
        return -1;
    int sum = 0;
    for (int i = 0; i < Row && i < n; ++i) {
        const TRowAttribute a = FList->Rows(i);
        sum += int(FList->Get(i).size()) + (a == raCrlf ? 2 : a == raEof ? 1 : 0);
    }
    return sum;
}

int TEditor::EditLineFromChar(int Offset) const
{
    if (Offset == -1)
        return Selected() ? FSelStr.Sr : FRow;
    const int n = FList->Count();
    int sum = 0;
    for (int i = 0; i < n; ++i) {
        const TRowAttribute a = FList->Rows(i);
        sum += int(FList->Get(i).size()) + (a == raCrlf ? 2 : a == raEof ? 1 : 0);
        if (Offset < sum || a == raEof)
            return i;
    }
    return n;
}

int TEditor::EditLineLength(int Offset) const
{
    if (Offset == -1) {
        if (Selected())
            return int(RowString(FSelStr.Er).size()) + FSelStr.Sc - (FSelStr.Ec + 1);
        return int(RowString(FRow).size());
    }
    const int r = EditLineFromChar(Offset);
    return r < FList->Count() ? int(FList->Get(r).size()) : 0;
}

int TEditor::EditLineCount() const
{
    return FList->Count();
}

QString TEditor::EditGetLine(int Row) const
{
    return Row >= 0 && Row < FList->Count() ? FList->Get(Row) : QString();
}

void TEditor::EditSetText(const QString &Text)
{
    if (!FReadOnly)
        FLines->SetText(Text);
}

QString TEditor::EditGetText() const
{
    return FLines->Text();
}

int TEditor::EditGetTextLength() const
{
    return GetTextLen();
}

bool TEditor::IsTextEmpty() const
{
    const int n = FList->Count();
    return n == 0 || (n == 1 && FList->Get(0).isEmpty() && FList->Rows(0) != raCrlf);
}

bool TEditor::HasNonBlankText() const
{
    const int n = FList->Count();
    for (int row = 0; row < n; ++row) {
        for (const QChar c : FList->Get(row))
            if (!c.isSpace())
                return true;
    }
    return false;
}

void TEditor::EmptyUndoBuffer()
{
    if (!FReadOnly)
        FList->UndoObj()->Clear();
}

bool TEditor::CharFromClientPos(const QPoint &Pos, int &Row, int &Offset) const
{
    Row = -1;
    Offset = -1;
    if (!QRect(0, 0, ClientWidth(), ClientHeight()).contains(Pos))
        return false;
    int r, c;
    PosToRowCol(Pos.x(), Pos.y(), r, c, true);
    r = std::clamp(r, 0, FList->Count());
    const QString k = RowKinds(r);
    if (KindAt(k, c) == u'5')
        --c;
    const int index = std::min(int(RowString(r).size()), c - NonCharColumns(k, c));
    int sum = 0;
    for (int i = 0; i < r && i < FList->Count(); ++i)
        sum += int(FList->Get(i).size()) + (FList->Rows(i) == raCrlf ? 2 : 0);
    Row = r;
    Offset = sum + std::max(0, index);
    return true;
}

QPoint TEditor::PosFromChar(int Offset) const
{
    const int n = FList->Count();
    int r = 0, col = 0;
    if (n > 0 && Offset > 0) {
        int v = Offset;
        while (r < n) {
            const TRowAttribute a = FList->Rows(r);
            const int len = int(FList->Get(r).size()) + (a == raCrlf ? 2 : a == raEof ? 1 : 0);
            if (v < len || a == raEof)
                break;
            v -= len;
            ++r;
        }
        if (r < n) {
            const QString &t = FList->Get(r);
            col = std::min(ExpandTabLength(QStringView(t).left(std::min(v, int(t.size())))), RowWidth(r));
        }
    }
    return {LeftMargin() + (col - FTopCol) * FFontWidth, TopMargin() + (r - FTopRow) * RowHeight()};
}

void TEditor::ScrollCaret()
{
    if (FRow < FTopRow || FRow > FTopRow + FRowCount - 1)
        SetTopRow(std::max(0, FRow - FRowCount / 3));
    if (FCol < FTopCol || FCol > FTopCol + FColCount - 1)
        SetTopCol(std::max(0, FCol - FColCount / 3));
}
