// Row store, undo and word wrap, without a widget.
#include "editor/EditorScreenStrings.h"
#include "editor/EditorUndoObj.h"
#include "EditorTestSupport.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

// A client that only keeps a caret and counts announcements.
class FakeClient : public TEditorClient {
public:
    explicit FakeClient(TEditorFountain *F = nullptr) : fountain(F) {}
    void DoChange() override { ++changes; }
    bool Focused() const override { return focused; }
    TFountain *GetActiveFountain() override { return fountain; }
    bool InitBracketsFull() const override { return false; }
    TColumnSettings ColumnSettings() const override { return settings; }
    int ScreenHeight() const override { return 200; }
    int RowHeight() const override { return 10; }
    int TopRow() const override { return top; }
    void SetTopRow(int V) override { top = V; }
    int Row() const override { return row; }
    void SetRow(int V) override { row = V; }
    int Col() const override { return col; }
    void SetCol(int V) override { col = V; }
    void BeginCaretUpdate() override {}
    void EndCaretUpdate() override {}
    bool SelectedData() const override { return false; }
    void CleanSelection() override {}
    void InvalidateRow(int) override {}
    void RefreshClient() override {}

    TEditorFountain *fountain;
    TColumnSettings settings;
    bool focused = false;
    int changes = 0, top = 0, row = 0, col = 0;
};

struct R {
    QString text;
    TRowAttribute attr;
    bool operator==(const R &) const = default;
};
std::ostream &operator<<(std::ostream &os, const R &r)
{
    return os << "(\"" << r.text.toStdString() << "\" " << int(r.attr) << ")";
}

std::vector<R> Rows(const TEditorScreenStrings &s)
{
    std::vector<R> r;
    for (int i = 0; i < s.Count(); ++i)
        r.push_back({s[i], s.Rows(i)});
    return r;
}

QString Text(const TEditorScreenStrings &s)
{
    return s.GetRowsText(0, s.Count()).Text;
}

} // namespace

TEST(RowStore, ReplaceTextBuildsRowsAndAttributes)
{
    TEditorScreenStrings s;
    s.ReplaceText(0, 0, QStringLiteral("a\r\n"));
    EXPECT_EQ(Rows(s), (std::vector<R>{{"a", raCrlf}}));

    TEditorScreenStrings t;
    t.ReplaceText(0, 0, QStringLiteral("a"));
    EXPECT_EQ(Rows(t), (std::vector<R>{{"a", raEof}}));

    // replace the last line with and without a line end
    s.Clear();
    s.LoadText(QStringLiteral("ab\r\ncd"));
    s.ReplaceText(1, 1, QStringLiteral("xy\r\n"));
    EXPECT_EQ(Rows(s), (std::vector<R>{{"ab", raCrlf}, {"xy", raCrlf}}));
    s.ReplaceText(1, 1, QStringLiteral("z"));
    EXPECT_EQ(Rows(s), (std::vector<R>{{"ab", raCrlf}, {"z", raEof}}));

    // a row without its line end joins the next line
    s.ReplaceText(0, 1, QStringLiteral("ab-"));
    EXPECT_EQ(Rows(s), (std::vector<R>{{"ab-z", raEof}}));

    // nothing outside the rows
    s.ReplaceText(5, 1, QStringLiteral("q"));
    s.ReplaceText(-1, 0, QStringLiteral("q"));
    EXPECT_EQ(Text(s), QStringLiteral("ab-z"));
}

TEST(RowStore, DeletingWholeLinesMovesMarksAndUndoRestoresAttributes)
{
    TEditorScreenStrings s;
    s.LoadText(QStringLiteral("ab\r\ncd"));
    s.SetRowMarks(0, RowMarkBit(rm3));
    s.IncludeRowMarks(RowMarkBit(rm3));
    s.ReplaceText(0, 1, QString());
    EXPECT_EQ(Rows(s), (std::vector<R>{{"cd", raEof}}));
    EXPECT_EQ(s.RowMarks(0), RowMarkBit(rm3));
    s.Undo();
    EXPECT_EQ(Rows(s), (std::vector<R>{{"ab", raCrlf}, {"cd", raEof}}));

    // deleting the last line keeps the line end of the line before
    s.ReplaceText(1, 1, QString());
    EXPECT_EQ(Text(s), QStringLiteral("ab\r\n"));
    s.Undo();
    EXPECT_EQ(Rows(s), (std::vector<R>{{"ab", raCrlf}, {"cd", raEof}}));
    s.Redo();
    EXPECT_EQ(Text(s), QStringLiteral("ab\r\n"));
}

TEST(RowStore, LineBreakAtColumnZeroMovesTheMarkDown)
{
    FakeClient c;
    auto *s = new TEditorScreenStrings;
    s->AddClient(&c);
    s->LoadText(QStringLiteral("abc\r\n"));
    s->SetRowMarks(0, RowMarkBit(rm1));
    c.col = 0;
    s->ReplaceText(0, 1, QStringLiteral("\r\nabc\r\n"));
    EXPECT_EQ(Rows(*s), (std::vector<R>{{"", raCrlf}, {"abc", raCrlf}}));
    EXPECT_EQ(s->RowMarks(0), 0);
    EXPECT_EQ(s->RowMarks(1), RowMarkBit(rm1));
    c.col = 1;
    s->ReplaceText(1, 1, QStringLiteral("a\r\nbc\r\n"));
    EXPECT_EQ(s->RowMarks(1), RowMarkBit(rm1));
    EXPECT_EQ(s->RowMarks(2), 0);
    EXPECT_TRUE(s->RemoveClient(&c)); // the last client leaves: the store frees itself
}

TEST(Undo, SeventyEditsKeepSixtyFourAndRedoEmptiesOnNewEdit)
{
    FakeClient c;
    auto *s = new TEditorScreenStrings;
    s->AddClient(&c);
    s->LoadText(QStringLiteral("\r\n"));
    QString row;
    for (int i = 0; i < 70; ++i) {
        row += QChar(u'a' + i % 26);
        c.col = i;
        s->ReplaceText(0, 1, row + QStringLiteral("\r\n"));
    }
    int undone = 0;
    while (s->UndoObj()->CanUndo()) {
        s->Undo();
        ++undone;
    }
    EXPECT_EQ(undone, 64);
    EXPECT_EQ((*s)[0], row.left(6));
    EXPECT_EQ(c.col, 6); // the caret from before the oldest kept edit

    s->Redo();
    EXPECT_EQ((*s)[0], row.left(7));
    EXPECT_TRUE(s->UndoObj()->CanRedo());
    s->ReplaceText(0, 1, QStringLiteral("new\r\n"));
    EXPECT_FALSE(s->UndoObj()->CanRedo());
    EXPECT_TRUE(s->RemoveClient(&c));
}

TEST(Undo, RestoresCaretBeforeAndRedoAfter)
{
    FakeClient c;
    auto *s = new TEditorScreenStrings;
    s->AddClient(&c);
    s->LoadText(QStringLiteral("ab\r\ncd"));
    c.row = 1;
    c.col = 1;
    s->ReplaceText(1, 1, QStringLiteral("cXd"));
    c.col = 2; // the editor puts the caret after the typed character
    s->Undo();
    EXPECT_EQ(Text(*s), QStringLiteral("ab\r\ncd"));
    EXPECT_EQ(c.row, 1);
    EXPECT_EQ(c.col, 1);
    s->Redo();
    EXPECT_EQ(Text(*s), QStringLiteral("ab\r\ncXd"));
    EXPECT_EQ(c.col, 2);
    // an insertion at the end is undone by removing rows only
    c.row = 2;
    s->ReplaceText(2, 0, QStringLiteral("ef\r\n"));
    EXPECT_EQ(Text(*s), QStringLiteral("ab\r\ncXdef\r\n"));
    s->Undo();
    EXPECT_EQ(Text(*s), QStringLiteral("ab\r\ncXd"));
    EXPECT_EQ(s->Rows(1), raEof);
    s->RemoveClient(&c);
}

TEST(RowStore, StatesStopAtFirstAgreeingRowAndCarryComments)
{
    auto f = SqlFountain();
    FakeClient c(f.get());
    auto *s = new TEditorScreenStrings;
    s->AddClient(&c);
    QString text;
    for (int i = 0; i < 100; ++i)
        text += QStringLiteral("select %1\r\n").arg(i);
    s->LoadText(text);
    s->InitRowStates();
    EXPECT_EQ(s->Brackets(0), -1);
    EXPECT_EQ(s->Brackets(10), -1);
    EXPECT_EQ(s->Brackets(90), -2); // beyond the first screens
    // an edit that changes no state stops at once
    s->ReplaceText(5, 1, QStringLiteral("select x\r\n"));
    EXPECT_EQ(s->Brackets(6), -1);
    // opening a block comment colours the rows below, up to two screens
    s->ReplaceText(5, 1, QStringLiteral("/* select x\r\n"));
    EXPECT_EQ(s->Brackets(6), 0);
    EXPECT_EQ(s->Brackets(5 + 40), 0);
    EXPECT_EQ(s->Brackets(5 + 41 + 1), -2);
    s->RemoveClient(&c);
}

// ReplaceChars against ReplaceText of the same rows with their text so
// edited: the same rows, attributes, marks and colouring states; undo and
// redo give the same rows again, with the caret where ReplaceText's records
// put it.
TEST(RowStore, ReplaceCharsActsAsReplaceTextOfTheEditedRows)
{
    struct Case {
        const char *name;
        const char *text;
        int row, index, endRow, endIndex;
        const char *with;
        int col; // the caret column at the change (a mark of a split row follows it)
        bool wrap;
    };
    const Case cases[] = {
        {"typed in a row", "select a\r\n/* b\r\nc */ d\r\nlast", 1, 2, 1, 2, "x", 2, false},
        {"deleted in a row", "select a\r\n/* b\r\nc */ d\r\nlast", 1, 0, 1, 1, "", 0, false},
        {"split with indent", "select a\r\n/* b\r\nc */ d\r\nlast", 1, 2, 1, 2, "\r\n  ", 2, false},
        {"split at the row start", "select a\r\n/* b\r\nc */ d\r\nlast", 1, 0, 1, 0, "\r\n", 0, false},
        {"joined rows", "select a\r\n/* b\r\nc */ d\r\nlast", 0, 8, 1, 0, "", 8, false},
        {"rows replaced", "select a\r\n/* b\r\nc */ d\r\nlast", 0, 3, 2, 2, "p\rq\nr\r\ns", 3, false},
        {"typed into the last row", "select a\r\n/* b\r\nc */ d\r\nlast", 3, 4, 3, 4, "!", 4, false},
        {"last row split", "select a\r\n/* b\r\nc */ d\r\nlast", 3, 2, 3, 2, "\r\n", 2, false},
        {"joined with the last row", "select a\r\n/* b\r\nc */ d\r\nlast", 2, 6, 3, 0, "", 6, false},
        {"line end typed at the end", "select a\r\n/* b\r\nc */ d\r\nlast", 3, 4, 3, 4, "\r\n", 4, false},
        {"last row emptied", "select a\r\nlast", 1, 0, 1, 4, "", 0, false},
        {"everything deleted", "select a\r\nlast", 0, 0, 1, 4, "", 0, false},
        {"text ending with a line end", "select a\r\n/* b\r\n", 1, 4, 1, 4, "\r\nx", 4, false},
        {"wrapped rows", "select a b c d e f g h i j k l m n o p q r s t u v w x y z\r\nnext", 1, 3, 1, 3,
         "/* xyz\r\n", 3, true},
    };
    auto f = SqlFountain();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeClient ca(f.get()), cb(f.get());
        auto *a = new TEditorScreenStrings, *b = new TEditorScreenStrings;
        a->AddClient(&ca);
        b->AddClient(&cb);
        for (TEditorScreenStrings *s : {a, b}) {
            s->WrapOption()->SetWrapByte(20);
            s->SetWordWrap(c.wrap);
            s->LoadText(QString::fromUtf8(c.text));
            if (c.wrap)
                s->WrapAllRows();
            s->InitRowStates();
            for (int i = 0; i < s->Count(); ++i)
                s->SetRowMarks(i, RowMarkBit(TRowMark(i % 3 + 1)));
        }
        ca.col = cb.col = c.col;
        ca.row = cb.row = c.row;
        const auto snapshot = [](const TEditorScreenStrings &s) {
            std::vector<std::tuple<QString, int, int, TRowAttributeData>> r;
            for (int i = 0; i < s.Count(); ++i)
                r.emplace_back(s[i], int(s.Rows(i)), int(s.RowMarks(i)), s.RowAttributeData(i));
            return r;
        };
        const QString before = Text(*a);
        const QString with = QString::fromUtf8(c.with);
        a->ReplaceChars(c.row, c.index, c.endRow, c.endIndex, with);
        QString whole = b->Get(c.row).left(c.index) + with + b->Get(c.endRow).mid(c.endIndex);
        b->AppendLineEnd(c.endRow, whole);
        b->ReplaceText(c.row, c.endRow - c.row + 1, whole);
        EXPECT_EQ(snapshot(*a), snapshot(*b));
        ca.col = cb.col = 0; // the caret moved after the change
        a->Undo();
        b->Undo();
        EXPECT_EQ(snapshot(*a), snapshot(*b));
        EXPECT_EQ(Text(*a), before); // (marks of joined rows stay together, as ReplaceText's do)
        EXPECT_EQ(ca.col, c.col);
        a->Redo();
        b->Redo();
        EXPECT_EQ(snapshot(*a), snapshot(*b));
        EXPECT_EQ(Text(*a), Text(*b));
        a->RemoveClient(&ca);
        b->RemoveClient(&cb);
    }
}

// Keys on a long line: each undo step keeps the characters it replaced, not
// the line, and undoing and redoing every step gives each text back.
TEST(Undo, StepsOnALongLineKeepOnlyTheirCharacters)
{
    FakeClient c;
    auto *s = new TEditorScreenStrings;
    s->AddClient(&c);
    QString line;
    for (int i = 0; line.size() < 200000; ++i)
        line += QStringLiteral("select col_%1 from t; ").arg(i);
    s->LoadText(line + QStringLiteral("\r\nnext"));
    s->UndoObj()->SetListMax(100);
    std::vector<QString> texts{Text(*s)};
    c.col = 5000;
    s->ReplaceChars(0, 5000, 0, 5000, QStringLiteral("x"));          // a character
    texts.push_back(Text(*s));
    s->ReplaceChars(0, 5001, 0, 5001, QStringLiteral("\r\n  "));     // Enter with indent
    texts.push_back(Text(*s));
    c.row = 1;
    c.col = 2;
    s->ReplaceChars(1, 1, 1, 2, QString());                          // Backspace in the row
    texts.push_back(Text(*s));
    c.col = 0;
    s->ReplaceChars(0, 5001, 1, 1, QString());                       // Backspace joining the rows
    texts.push_back(Text(*s));
    s->ReplaceChars(0, 5000, 0, 5001, QString());                    // Delete
    texts.push_back(Text(*s));
    EXPECT_EQ(texts.back(), texts.front());
    const TUndoDataList &undo = s->UndoObj()->UndoList();
    ASSERT_EQ(undo.Count(), 5);
    for (int i = 0; i < undo.Count(); ++i)
        EXPECT_LE(undo.Items(i)->InsertStr.size(), 4) << i;
    for (int i = int(texts.size()) - 2; i >= 0; --i) {
        s->Undo();
        ASSERT_EQ(Text(*s), texts[size_t(i)]) << i;
    }
    EXPECT_EQ(s->Count(), 2);
    for (size_t i = 1; i < texts.size(); ++i) {
        s->Redo();
        ASSERT_EQ(Text(*s), texts[i]) << i;
    }
    for (int i = 0; i < s->UndoObj()->UndoList().Count(); ++i)
        EXPECT_LE(s->UndoObj()->UndoList().Items(i)->InsertStr.size(), 4) << i;
    s->RemoveClient(&c);
}

TEST(Wrap, OptionDefaultsAndLimits)
{
    TEditorWrapOption o;
    EXPECT_EQ(o.FollowStr(), QStringLiteral("、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ"));
    EXPECT_EQ(o.FollowStr().size(), 36);
    EXPECT_EQ(o.LeadStr(), QStringLiteral("（［｛「『([{｢"));
    EXPECT_EQ(o.LeadStr().size(), 9);
    EXPECT_EQ(o.PunctuationStr(), QStringLiteral("、。，．,.｡､"));
    EXPECT_EQ(o.PunctuationStr().size(), 8);
    EXPECT_EQ(o.WrapByte(), 80);
    o.SetWrapByte(5);
    EXPECT_EQ(o.WrapByte(), 20);
    o.SetWrapByte(300);
    EXPECT_EQ(o.WrapByte(), 250);
}

namespace {
struct WrapCase {
    const char *name;
    QString line;
    std::function<void(TEditorWrapOption &)> setup;
    std::vector<QString> rows;
};
} // namespace

TEST(Wrap, BreaksLinesByTheRules)
{
    const QString wide15 = QString(15, QChar(u'あ'));
    std::vector<WrapCase> cases = {
        {"letters", QString(45, u'a'), nullptr, {QString(20, u'a'), QString(20, u'a'), QString(5, u'a')}},
        {"wide", wide15, nullptr, {QString(10, u'あ'), QString(5, u'あ')}},
        {"straddle", u'x' + wide15, nullptr, {u'x' + QString(9, u'あ'), QString(6, u'あ')}},
        {"wordbreak", QStringLiteral("aaaa bbbb cccc ddddd eeee"),
         [](TEditorWrapOption &o) { o.SetWordBreak(true); },
         {QStringLiteral("aaaa bbbb cccc "), QStringLiteral("ddddd eeee")}},
        {"longword", QString(30, u'a'), [](TEditorWrapOption &o) { o.SetWordBreak(true); },
         {QString(6, u'a'), QString(6, u'a'), QString(18, u'a')}},
        {"punctuation", QString(20, u'a') + QStringLiteral(",b"),
         [](TEditorWrapOption &o) { o.SetFollowPunctuation(true); },
         {QString(20, u'a') + u',', QStringLiteral("b")}},
        {"lead", QString(19, u'a') + QStringLiteral("(bc"), [](TEditorWrapOption &o) { o.SetLeading(true); },
         {QString(19, u'a'), QStringLiteral("(bc")}},
        {"follow", QString(20, u'a') + QStringLiteral(".b"), [](TEditorWrapOption &o) { o.SetLeading(true); },
         {QString(19, u'a'), QStringLiteral("a.b")}},
        {"exact", QString(20, u'a'), nullptr, {QString(20, u'a'), QString()}},
        {"exact follow", QString(20, u'a'), [](TEditorWrapOption &o) { o.SetFollowRetMark(true); },
         {QString(20, u'a')}},
    };
    for (const WrapCase &c : cases) {
        TEditorScreenStrings s;
        s.WrapOption()->SetWrapByte(20);
        if (c.setup)
            c.setup(*s.WrapOption());
        s.SetWordWrap(true);
        TEditorStringList rows;
        s.WrapText(c.line + QStringLiteral("\r\n"), rows);
        std::vector<QString> got;
        for (int i = 0; i < rows.Count(); ++i) {
            got.push_back(rows[i]);
            EXPECT_EQ(rows.Rows(i), i + 1 < rows.Count() ? raWrapped : raCrlf) << c.name << " row " << i;
        }
        EXPECT_EQ(got, c.rows) << c.name;
        EXPECT_EQ(s.WrapRowCount(c.line), int(c.rows.size())) << c.name;
    }
}

TEST(Wrap, OnAndOffRestoresRowsAndMarks)
{
    FakeClient c;
    auto *s = new TEditorScreenStrings;
    s->AddClient(&c);
    s->WrapOption()->SetWrapByte(20);
    s->LoadText(QString(45, u'a') + QStringLiteral("\r\nshort\r\n") + QString(25, u'b'));
    s->SetRowMarks(0, RowMarkBit(rm1));
    s->SetRowMarks(1, RowMarkBit(rm2));
    s->SetRowMarks(2, RowMarkBit(rm5));
    s->ReplaceText(1, 1, QStringLiteral("short!\r\n"));
    ASSERT_TRUE(s->UndoObj()->CanUndo());
    const std::vector<R> before = Rows(*s);
    s->SetWordWrap(true);
    EXPECT_FALSE(s->UndoObj()->CanUndo());
    EXPECT_EQ(Rows(*s), (std::vector<R>{{QString(20, u'a'), raWrapped},
                                        {QString(20, u'a'), raWrapped},
                                        {QString(5, u'a'), raCrlf},
                                        {"short!", raCrlf},
                                        {QString(20, u'b'), raWrapped},
                                        {QString(5, u'b'), raEof}}));
    EXPECT_EQ(s->RowMarks(0), RowMarkBit(rm1));
    EXPECT_EQ(s->RowMarks(3), RowMarkBit(rm2));
    EXPECT_EQ(s->RowMarks(4), RowMarkBit(rm5));
    // a change inside a wrapped line rebuilds from the row above
    c.col = 3;
    s->ReplaceText(1, 1, QString(21, u'c'));
    EXPECT_EQ(s->DrawInfo().NeedUpdate, false);
    EXPECT_EQ(s->GetRowsText(0, -1).Text, QString(20, u'a') + QString(21, u'c') + QString(5, u'a') + "\r\n");
    s->Undo();
    s->SetWordWrap(false);
    EXPECT_EQ(Rows(*s), before);
    EXPECT_EQ(s->RowMarks(0), RowMarkBit(rm1));
    EXPECT_EQ(s->RowMarks(1), RowMarkBit(rm2));
    EXPECT_EQ(s->RowMarks(2), RowMarkBit(rm5));
    s->RemoveClient(&c);
}
