// The editor driven as a user drives it: keys, characters, the input
// method, the mouse, the clipboard and dragging; text insertion, search,
// indentation and comments; the edit-control methods.
#include "editor/Editor.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/EditorUtils.h"
#include "platform/ui/WindowMessage.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>
#include <random>

// Readable strings in failure messages.
inline void PrintTo(const QString &S, std::ostream *Os)
{
    *Os << '"' << S.toStdString() << '"';
}

namespace {

// A window that records the completion requests it receives.
class RecordingWindow : public QWidget {
public:
    struct Request {
        qintptr x, y;
    };
    std::vector<Request> requests;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == tv::ui::WindowMessageType(tv::ui::WM_CODEASSIST)) {
            auto *m = static_cast<tv::ui::WindowMessageEvent *>(e);
            requests.push_back({m->wParam(), m->lParam()});
            return true;
        }
        return QWidget::event(e);
    }
};

struct InputFixture : ::testing::Test {
    InputFixture()
    {
        TEditor::SetDefaultCaretBlink(false);
        win.resize(600, 400);
        ed = new TEditor(&win);
        ed->resize(600, 400);
        win.show();
        ed->setFocus();
        QApplication::processEvents();
    }
    void SetText(const QString &s)
    {
        ed->Lines()->SetText(s);
        ed->SetRowCol(0, 0);
    }
    QString Text() const { return ed->Lines()->Text(); }
    // Line selection from (r0, c0) to (r1, c1) as the keyboard makes it.
    void Select(int r0, int c0, int r1, int c1)
    {
        ed->SetRowCol(r0, c0);
        ed->InitSelection();
        ed->SetRowCol(r1, c1);
        ed->StartSelection();
    }
    // Centre of a cell in viewport coordinates.
    QPoint Cell(int row, int col) const
    {
        return {ed->LeftMargin() + (col - ed->TopCol()) * ed->ColWidth() + ed->ColWidth() / 2,
                ed->TopMargin() + (row - ed->TopRow()) * ed->RowHeight() + ed->FontHeight() / 2};
    }
    void Key(int key, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(ed, Qt::Key(key), m); }
    void Type(const QString &s) { QTest::keyClicks(ed, s); }
    int UndoSteps() const { return ed->EditorUndoObj()->UndoList().Count(); }

    RecordingWindow win;
    TEditor *ed;
};

} // namespace

// ---------------------------------------------------------------------------
// Typing and one undo step per change

TEST_F(InputFixture, TypingBeyondTheRowEndPadsWithBlanksAsOneStep)
{
    SetText(QStringLiteral("abcd"));
    ed->Caret()->FreeCaret = true;
    ed->SetRowCol(0, 10);
    Type(QStringLiteral("x"));
    EXPECT_EQ(Text(), QStringLiteral("abcd      x"));
    EXPECT_EQ(ed->Col(), 11);
    EXPECT_EQ(UndoSteps(), 1);
    ed->Undo();
    EXPECT_EQ(Text(), QStringLiteral("abcd"));
}

TEST_F(InputFixture, EveryEditIsOneUndoStep)
{
    struct Case {
        const char *name;
        std::function<void(InputFixture &)> edit;
    };
    const QString start = QStringLiteral("one two\r\n  three\r\nfour\r\n");
    const std::vector<Case> cases = {
        {"typed character", [](InputFixture &f) { f.Type(QStringLiteral("x")); }},
        {"replaced selection", [](InputFixture &f) { f.Select(0, 2, 1, 3); f.Type(QStringLiteral("Q")); }},
        {"enter", [](InputFixture &f) { f.ed->SetRowCol(1, 4); f.Key(Qt::Key_Return); }},
        {"backspace join", [](InputFixture &f) { f.ed->SetRowCol(1, 0); f.Key(Qt::Key_Backspace); }},
        {"delete join", [](InputFixture &f) { f.ed->SetRowCol(0, 7); f.Key(Qt::Key_Delete); }},
        {"multi-line insert", [](InputFixture &f) { f.ed->SetSelTextBuf(QStringLiteral("a\r\nb\r\nc")); }},
        {"box paste", [](InputFixture &f) { f.ed->SetRowCol(0, 3); f.ed->SetSelTextBox(QStringLiteral("X\r\nY\r\nZ\r\nW")); }},
        {"comment", [](InputFixture &f) { f.Select(0, 0, 2, 2); f.ed->SelCommentOut(); }},
        {"indent", [](InputFixture &f) { f.Select(0, 0, 2, 2); f.ed->SelTabIndent(); }},
        {"move", [](InputFixture &f) { f.Select(0, 0, 0, 3); f.ed->MoveSelection(2, 4); }},
        {"row delete", [](InputFixture &f) { f.ed->DeleteRow(1); }},
    };
    for (const Case &c : cases) {
        SetText(start);
        ed->EditorUndoObj()->Clear();
        c.edit(*this);
        EXPECT_NE(Text(), start) << c.name;
        EXPECT_EQ(UndoSteps(), 1) << c.name;
        ed->Undo();
        EXPECT_EQ(Text(), start) << c.name;
    }
}

TEST_F(InputFixture, OverwriteReplacesCharactersAndHalvesOfWideOnes)
{
    SetText(QStringLiteral("a漢b"));
    ed->SetOverWrite(true);
    ed->SetRowCol(0, 1);
    Type(QStringLiteral("x"));
    EXPECT_EQ(Text(), QStringLiteral("ax b"));
    SetText(QStringLiteral("abcd"));
    ed->SetRowCol(0, 1);
    ed->PutStringToLine(QStringLiteral("字"));
    EXPECT_EQ(Text(), QStringLiteral("a字d"));
}

// ---------------------------------------------------------------------------
// Keys and characters

TEST_F(InputFixture, ControlCharactersFollowTheCharacterRules)
{
    SetText(QStringLiteral("abc"));
    ed->SetRowCol(0, 3);
    Key(Qt::Key_H, Qt::ControlModifier); // Backspace
    EXPECT_EQ(Text(), QStringLiteral("ab"));
    Key(Qt::Key_M, Qt::ControlModifier); // Enter
    EXPECT_EQ(Text(), QStringLiteral("ab\r\n"));
    const QString before = Text();
    for (int k : {Qt::Key_I, Qt::Key_A, Qt::Key_G, Qt::Key_K, Qt::Key_L, Qt::Key_N, Qt::Key_Z, Qt::Key_J})
        Key(k, Qt::ControlModifier);
    Key(Qt::Key_Escape);
    Key(Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(Text(), before);
}

TEST_F(InputFixture, ShiftMovesExtendAndPlainMovesClear)
{
    SetText(QStringLiteral("abc\r\ndef\r\nghi"));
    ed->SetRowCol(0, 1);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_TRUE(ed->Selected());
    EXPECT_EQ(ed->SelStart(), 1);
    EXPECT_EQ(ed->SelLength(), 5);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(ed->SelText(), QStringLiteral("bc\r\nde"));
    Key(Qt::Key_Down);
    EXPECT_FALSE(ed->Selected());
    EXPECT_EQ(ed->Row(), 2);
}

TEST_F(InputFixture, HomeEndAndLineEdges)
{
    SetText(QStringLiteral("ab\r\ncd\r\n"));
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(ed->Row(), 2);
    EXPECT_EQ(ed->Col(), 0);
    SetText(QStringLiteral("ab\r\ncde"));
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->Col(), 3);
    Key(Qt::Key_Home);
    EXPECT_EQ(ed->Col(), 0);
    ed->Caret()->NextLine = false;
    Key(Qt::Key_Left);
    EXPECT_EQ(ed->Row(), 1);
    ed->Caret()->NextLine = true;
    Key(Qt::Key_Left);
    EXPECT_EQ(ed->Row(), 0);
    EXPECT_EQ(ed->Col(), 2);
}

TEST_F(InputFixture, DeleteAndBackspaceJoinRows)
{
    SetText(QStringLiteral("ab\r\ncd\r\n"));
    ed->SetRowCol(1, 2);
    Key(Qt::Key_Delete); // the line end of the last raCrlf row
    EXPECT_EQ(Text(), QStringLiteral("ab\r\ncd"));
    Key(Qt::Key_Delete); // nothing at the end of an raEof row
    EXPECT_EQ(Text(), QStringLiteral("ab\r\ncd"));
    ed->Caret()->FreeCaret = true;
    ed->SetRowCol(0, 4);
    Key(Qt::Key_Delete); // padded to the caret first
    EXPECT_EQ(Text(), QStringLiteral("ab  cd"));
    SetText(QStringLiteral("ab\r\ncd"));
    ed->SetRowCol(1, 0);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Text(), QStringLiteral("abcd"));
    EXPECT_EQ(ed->Col(), 2);
    ed->SetRowCol(0, 0);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Text(), QStringLiteral("abcd"));
}

// Keys in the middle of a long line, followed by another line: each key's
// text and caret, each undone (text and caret from before it) and redone.
TEST_F(InputFixture, KeysOnALongLineUndoAndRedoOneByOne)
{
    ed->Caret()->AutoIndent = true;
    ed->Caret()->BackSpaceUnIndent = false;
    ed->SetUndoListMax(100);
    QString line = QStringLiteral("  ");
    for (int i = 0; line.size() < 200000; ++i)
        line += QStringLiteral("select col_%1 from t; ").arg(i); // a column per character
    const QString head = line.left(5000), tail = line.mid(5000), rest = QStringLiteral("\r\nnext\r\n");
    struct Step {
        const char *name;
        std::vector<int> moves; // keys before the edit
        int key;
        QString text; // after the key
        int row, col; // the caret after the key
    };
    const std::vector<Step> steps = {
        {"character", {}, Qt::Key_X, head + "x" + tail + rest, 0, 5001},
        {"enter", {}, Qt::Key_Return, head + "x\r\n  " + tail + rest, 1, 2},
        {"backspace", {}, Qt::Key_Backspace, head + "x\r\n " + tail + rest, 1, 1},
        {"backspace to the row start", {}, Qt::Key_Backspace, head + "x\r\n" + tail + rest, 1, 0},
        {"backspace joining", {}, Qt::Key_Backspace, head + "x" + tail + rest, 0, 5001},
        {"enter again", {}, Qt::Key_Return, head + "x\r\n  " + tail + rest, 1, 2},
        {"delete joining", {Qt::Key_Up, Qt::Key_End}, Qt::Key_Delete, head + "x  " + tail + rest, 0, 5001},
        {"delete", {}, Qt::Key_Delete, head + "x " + tail + rest, 0, 5001},
        {"last backspace", {}, Qt::Key_Backspace, head + " " + tail + rest, 0, 5000},
    };
    SetText(line + rest);
    ed->SetRowCol(0, 5000);
    std::vector<QString> texts{Text()};
    std::vector<std::pair<int, int>> at; // the caret at each key
    for (const Step &st : steps) {
        for (int m : st.moves)
            Key(m);
        at.emplace_back(ed->Row(), ed->Col());
        Key(st.key);
        ASSERT_TRUE(Text() == st.text) << st.name; // (not printed: 200,000 characters)
        EXPECT_EQ(std::make_pair(ed->Row(), ed->Col()), std::make_pair(st.row, st.col)) << st.name;
        texts.push_back(Text());
    }
    ASSERT_EQ(UndoSteps(), int(steps.size()));
    for (int i = 0; i < UndoSteps(); ++i) // each step keeps what it replaced, never the line
        EXPECT_LT(ed->EditorUndoObj()->UndoList().Items(i)->InsertStr.size(), 10) << steps[size_t(i)].name;
    for (int i = int(steps.size()) - 1; i >= 0; --i) {
        ed->Undo();
        ASSERT_TRUE(Text() == texts[size_t(i)]) << "undo " << steps[size_t(i)].name;
        EXPECT_EQ(std::make_pair(ed->Row(), ed->Col()), at[size_t(i)]) << "undo " << steps[size_t(i)].name;
    }
    // redo puts the caret where it stood when the step was undone: where the
    // undoing of the next step had put it
    for (size_t i = 0; i < steps.size(); ++i) {
        ed->Redo();
        ASSERT_TRUE(Text() == steps[i].text) << "redo " << steps[i].name;
        const auto caret = i + 1 < steps.size() ? at[i + 1] : std::make_pair(steps[i].row, steps[i].col);
        EXPECT_EQ(std::make_pair(ed->Row(), ed->Col()), caret) << "redo " << steps[i].name;
    }
}

TEST_F(InputFixture, AutoIndentAndBackspaceUnindent)
{
    ed->Caret()->AutoIndent = true;
    SetText(QStringLiteral("    "));
    ed->SetRowCol(0, 4);
    Key(Qt::Key_Return);
    EXPECT_EQ(Text(), QStringLiteral("    \r\n    "));
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->Col(), 4);

    ed->Caret()->TabIndent = true;
    ed->Caret()->SetTabSpaceCount(4);
    SetText(QStringLiteral("    x"));
    ed->SetRowCol(0, 5);
    Key(Qt::Key_Return);
    EXPECT_EQ(Text(), QStringLiteral("    x\r\n\t"));

    ed->Caret()->BackSpaceUnIndent = true;
    SetText(QStringLiteral("    a\r\n        b"));
    ed->SetRowCol(1, 8);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Text(), QStringLiteral("    a\r\n    b"));
    EXPECT_EQ(ed->Col(), 4);
}

TEST_F(InputFixture, TabKeys)
{
    ed->Caret()->SetTabSpaceCount(4);
    ed->Caret()->SoftTab = true;
    SetText(QStringLiteral("abc"));
    ed->SetRowCol(0, 3);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Text(), QStringLiteral("abc "));
    ed->Caret()->SoftTab = false;
    SetText(QStringLiteral("a\r\nb\r\nc"));
    Select(0, 0, 2, 1);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Text(), QStringLiteral("\ta\r\n\tb\r\n\tc"));
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Text(), QStringLiteral("a\r\nb\r\nc"));
    ed->SetOverWrite(true);
    ed->SetRowCol(0, 0);
    Key(Qt::Key_Tab);
    EXPECT_EQ(ed->Col(), 4);
    EXPECT_EQ(Text(), QStringLiteral("a\r\nb\r\nc"));
}

TEST_F(InputFixture, KeysAreIgnoredWhileReadOnly)
{
    SetText(QStringLiteral("abc"));
    ed->SetReadOnly(true);
    ed->SetRowCol(0, 1);
    Type(QStringLiteral("xy"));
    for (int k : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Tab})
        Key(k);
    EXPECT_EQ(Text(), QStringLiteral("abc"));
    Key(Qt::Key_Right);
    EXPECT_EQ(ed->Col(), 2);
}

// ---------------------------------------------------------------------------
// Completion requests

TEST_F(InputFixture, CompletionRequestsReachTheOwningWindow)
{
    SetText(QStringLiteral("select x"));
    ed->SetRowCol(0, 8);
    int x, y;
    ed->GetCaretXY(x, y);
    Type(QStringLiteral("."));
    EXPECT_EQ(Text(), QStringLiteral("select x."));
    ASSERT_EQ(win.requests.size(), 1u);
    int x2, y2;
    ed->GetCaretXY(x2, y2);
    EXPECT_EQ(win.requests[0].x, x2); // after the dot is in the text
    EXPECT_EQ(win.requests[0].y, y2);
    EXPECT_GT(x2, x);

    Key(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(win.requests.size(), 2u);
    EXPECT_EQ(Text(), QStringLiteral("select x."));

    ed->SetReadOnly(true);
    Key(Qt::Key_F6);
    ASSERT_EQ(win.requests.size(), 3u);
    EXPECT_EQ(win.requests[2].x, x2);
    Type(QStringLiteral("."));
    Key(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(win.requests.size(), 3u);
    EXPECT_EQ(Text(), QStringLiteral("select x."));
}

// ---------------------------------------------------------------------------
// Input method

TEST_F(InputFixture, InputMethodCommitIsOneStepAndPreeditStaysOut)
{
    SetText(QStringLiteral("select  from t"));
    ed->SetRowCol(0, 7);
    QInputMethodEvent pre(QStringLiteral("てーぶる"), {});
    QApplication::sendEvent(ed, &pre);
    EXPECT_EQ(ed->PreeditText(), QStringLiteral("てーぶる"));
    EXPECT_EQ(Text(), QStringLiteral("select  from t"));
    EXPECT_EQ(UndoSteps(), 0);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("テーブル"));
    QApplication::sendEvent(ed, &commit);
    EXPECT_EQ(Text(), QStringLiteral("select テーブル from t"));
    EXPECT_TRUE(ed->PreeditText().isEmpty());
    EXPECT_EQ(ed->Col(), 7 + 8);
    EXPECT_EQ(UndoSteps(), 1);
    ed->Undo();
    EXPECT_EQ(Text(), QStringLiteral("select  from t"));

    EXPECT_TRUE(ed->inputMethodQuery(Qt::ImEnabled).toBool());
    EXPECT_EQ(ed->inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("select  from t"));
    EXPECT_FALSE(ed->inputMethodQuery(Qt::ImCursorRectangle).toRect().isEmpty());
    ed->SetReadOnly(true);
    EXPECT_FALSE(ed->inputMethodQuery(Qt::ImEnabled).toBool());
    QApplication::sendEvent(ed, &commit);
    EXPECT_EQ(Text(), QStringLiteral("select  from t"));
}

// ---------------------------------------------------------------------------
// Clipboard

TEST_F(InputFixture, BoxCopyAndPaste)
{
    SetText(QStringLiteral("ab12\r\ncd34\r\nxyz"));
    ed->SetSelectionMode(smBox);
    Select(0, 0, 1, 2);
    ed->CopyToClipboard();
    const QMimeData *m = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text(), QStringLiteral("ab\r\ncd\r\n"));
    EXPECT_TRUE(m->hasFormat(QString::fromLatin1(CF_BOXTEXT_MIME)));
    ed->CleanSelection();
    ed->SetSelectionMode(smLine);
    ed->SetRowCol(2, 1);
    ed->EditorUndoObj()->Clear();
    ed->PasteFromClipboard();
    EXPECT_EQ(Text(), QStringLiteral("ab12\r\ncd34\r\nxabyz\r\n cd\r\n"));
    EXPECT_EQ(UndoSteps(), 1);
    ed->Undo();
    EXPECT_EQ(Text(), QStringLiteral("ab12\r\ncd34\r\nxyz"));

    QApplication::clipboard()->setText(QStringLiteral("p\r\nq"));
    ed->SetRowCol(0, 2);
    ed->PasteFromClipboard();
    EXPECT_EQ(Text(), QStringLiteral("abp\r\nq12\r\ncd34\r\nxyz"));
}

TEST_F(InputFixture, BoxPasteAtTheLastRowAddsRows)
{
    SetText(QStringLiteral("a\r\nbcdefg"));
    ed->SetRowCol(1, 4);
    ed->SetSelTextBox(QStringLiteral("1\r\n2\r\n3"));
    EXPECT_EQ(Text(), QStringLiteral("a\r\nbcde1fg\r\n    2\r\n    3\r\n"));
}

TEST_F(InputFixture, CopyAndCutWithoutSelectionKeepTheClipboard)
{
    SetText(QStringLiteral("abc"));
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    ed->EditCopy();
    ed->EditCut();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
    Select(0, 0, 0, 2);
    ed->EditCut();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ab"));
    EXPECT_EQ(Text(), QStringLiteral("c"));
    ed->EditPaste();
    ed->EditPaste();
    EXPECT_EQ(Text(), QStringLiteral("ababc"));
}

// ---------------------------------------------------------------------------
// Mouse and drag

TEST_F(InputFixture, ClickPlacesTheCaretAndDraggingSelects)
{
    SetText(QStringLiteral("abcdef\r\nghijkl\r\nmnopqr"));
    QWidget *vp = ed->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, Cell(1, 3));
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_FALSE(ed->Selected());
    QTest::mousePress(vp, Qt::LeftButton, {}, Cell(0, 1) - QPoint(ed->ColWidth() / 2, 0));
    QTest::mouseMove(vp, Cell(2, 2) - QPoint(ed->ColWidth() / 2, 0));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, Cell(2, 2) - QPoint(ed->ColWidth() / 2, 0));
    ASSERT_TRUE(ed->Selected());
    EXPECT_EQ(ed->SelText(), QStringLiteral("bcdef\r\nghijkl\r\nmn"));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, Cell(0, 0) - QPoint(ed->ColWidth() / 2, 0));
    EXPECT_TRUE(ed->Selected());
}

TEST_F(InputFixture, DraggingTheSelectionMovesOrCopiesAsOneStep)
{
    struct Case {
        Qt::KeyboardModifiers mods;
        const char *expected;
    };
    for (const Case &c : {Case{Qt::NoModifier, "def\r\nabc ghi\r\n"}, Case{Qt::ControlModifier, "abc def\r\nabc ghi\r\n"}}) {
        SetText(QStringLiteral("abc def\r\nghi\r\n"));
        Select(0, 0, 0, 4);
        ed->EditorUndoObj()->Clear();
        QWidget *vp = ed->viewport();
        const QPoint left(ed->ColWidth() / 2, 0);
        QTest::mousePress(vp, Qt::LeftButton, {}, Cell(0, 1));
        EXPECT_EQ(ed->SelDragState(), sdInit);
        QTest::mouseMove(vp, Cell(1, 0) - left);
        EXPECT_EQ(ed->SelDragState(), sdDragging);
        QTest::mouseMove(vp, Cell(1, 0) - left);
        QTest::mouseRelease(vp, Qt::LeftButton, c.mods, Cell(1, 0) - left);
        EXPECT_EQ(ed->SelDragState(), sdNone);
        EXPECT_EQ(Text(), QString::fromUtf8(c.expected));
        EXPECT_EQ(UndoSteps(), 1);
        ed->Undo();
        EXPECT_EQ(Text(), QStringLiteral("abc def\r\nghi\r\n"));
    }
}

TEST_F(InputFixture, PressInsideTheSelectionWithoutMovingCancelsTheDrag)
{
    SetText(QStringLiteral("abc def"));
    Select(0, 0, 0, 3);
    QTest::mouseClick(ed->viewport(), Qt::LeftButton, {}, Cell(0, 1));
    EXPECT_EQ(ed->SelDragState(), sdNone);
    EXPECT_FALSE(ed->Selected());
    EXPECT_EQ(Text(), QStringLiteral("abc def"));
}

TEST_F(InputFixture, MoveSelectionInAllDirections)
{
    struct Case {
        const char *name;
        int r0, c0, r1, c1, dropRow, dropCol;
        const char *expected;
        int caretRow, caretCol;
    };
    const Case cases[] = {
        {"row above", 2, 0, 2, 3, 0, 1, "1ab9ab2\r\n456\r\n\r\n", 0, 4},
        {"same row, right of it", 0, 1, 0, 2, 0, 3, "1ba2\r\n456\r\nab9\r\n", 0, 3},
        {"row below", 0, 0, 0, 1, 2, 1, "ab2\r\n456\r\na1b9\r\n", 2, 2},
        {"same row, left of it", 1, 1, 1, 2, 1, 0, "1ab2\r\n546\r\nab9\r\n", 1, 1},
        {"beyond a short row", 0, 0, 0, 2, 1, 6, "b2\r\n456   1a\r\nab9\r\n", 1, 8},
        {"onto itself", 0, 0, 0, 3, 0, 1, "1ab2\r\n456\r\nab9\r\n", 0, 3},
    };
    ed->Caret()->FreeCaret = true;
    for (const Case &c : cases) {
        SetText(QStringLiteral("1ab2\r\n456\r\nab9\r\n"));
        Select(c.r0, c.c0, c.r1, c.c1);
        ed->MoveSelection(c.dropRow, c.dropCol);
        EXPECT_EQ(Text(), QString::fromUtf8(c.expected)) << c.name;
        EXPECT_EQ(ed->Row(), c.caretRow) << c.name;
        EXPECT_EQ(ed->Col(), c.caretCol) << c.name;
        EXPECT_FALSE(ed->Selected()) << c.name;
    }
}

TEST_F(InputFixture, DropFromAnotherEditorInsertsAtThePoint)
{
    SetText(QStringLiteral("abc\r\ndef"));
    QMimeData data;
    data.setText(QStringLiteral("XY"));
    const QPoint at = Cell(1, 1) - QPoint(ed->ColWidth() / 2, 0);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ed->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ed->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(Text(), QStringLiteral("abc\r\ndXYef"));
    EXPECT_EQ(drop.dropAction(), Qt::MoveAction);
}

// ---------------------------------------------------------------------------
// Search

TEST_F(InputFixture, FindNextContinuesAfterTheHitWithoutWrapping)
{
    SetText(QStringLiteral("xx ab\r\nab yy\r\nzz"));
    const TSearchOptions down = SearchOptionBit(sfrDown);
    ed->SetRowCol(0, 4);
    ASSERT_TRUE(ed->Search(QStringLiteral("ab"), down));
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->SelText(), QStringLiteral("ab"));
    EXPECT_FALSE(ed->Search(QStringLiteral("ab"), down)); // only above: no wrap-around
    ASSERT_TRUE(ed->Search(QStringLiteral("AB"), 0));      // up, case-blind
    EXPECT_EQ(ed->Row(), 0);
    EXPECT_EQ(ed->SelStart(), 3);
    EXPECT_FALSE(ed->Search(QStringLiteral("AB"), SearchOptionBit(sfrMatchCase)));
    ed->CleanSelection();
    ed->SetRowCol(0, 0);
    ASSERT_TRUE(ed->Search(QStringLiteral("ab"), down));
    EXPECT_EQ(ed->SelStart(), 3);
    ASSERT_TRUE(ed->Search(QStringLiteral("ab"), down));
    EXPECT_EQ(ed->SelStart(), 7);
}

TEST_F(InputFixture, MatchAcrossTheChunkEdgeIsFound)
{
    // rows of 100 characters: the first chunk holds rows 0 .. 81
    QString text;
    for (int i = 0; i < 200; ++i) {
        QString row(100, u'.');
        if (i == 81)
            row.replace(97, 3, QStringLiteral("END"));
        if (i == 82)
            row.replace(0, 5, QStringLiteral("START"));
        text += row + QStringLiteral("\r\n");
    }
    SetText(text);
    ASSERT_TRUE(ed->Search(QStringLiteral("END\r\nSTART"), SearchOptionBit(sfrDown)));
    EXPECT_EQ(ed->SelStrPosition().Sr, 81);
    EXPECT_EQ(ed->SelStrPosition().Er, 82);
    ed->CleanSelection();
    ed->SetRowCol(199, 0);
    ASSERT_TRUE(ed->Search(QStringLiteral("END\r\nSTART"), 0));
    EXPECT_EQ(ed->SelStrPosition().Sr, 81);
}

TEST_F(InputFixture, ReplaceAllOfATwoLineReplacementOverTenThousandHits)
{
    QString text;
    for (int i = 0; i < 10000; ++i)
        text += QStringLiteral("a foo b\r\n");
    SetText(text);
    ed->SetSelLength(0);
    ed->SetRowCol(0, 0);
    int hits = 0;
    while (ed->Search(QStringLiteral("foo"), SearchOptionBit(sfrDown) | SearchOptionBit(sfrMatchCase))) {
        ed->SetSelText(QStringLiteral("X\r\nY"));
        ++hits;
    }
    EXPECT_EQ(hits, 10000);
    EXPECT_EQ(ed->Lines()->Count(), 20000);
    EXPECT_EQ(ed->Lines()->Get(0), QStringLiteral("a X"));
    EXPECT_EQ(ed->Lines()->Get(19999), QStringLiteral("Y b"));
}

// ---------------------------------------------------------------------------
// Indentation and comments

TEST_F(InputFixture, CommentTogglesOverTheSelectedRows)
{
    SetText(QStringLiteral("--a\r\nb\r\n  -- c\r\nd"));
    Select(0, 0, 2, 2);
    ed->SelCommentOut();
    EXPECT_EQ(Text(), QStringLiteral("----a\r\n--b\r\n--  -- c\r\nd"));
    EXPECT_TRUE(ed->Selected());
    ed->SelCommentOut();
    EXPECT_EQ(Text(), QStringLiteral("--a\r\nb\r\n  -- c\r\nd"));
    ed->CleanSelection();
    ed->SetRowCol(2, 0);
    ed->SelCommentOut(); // the caret row alone, already commented
    EXPECT_EQ(Text(), QStringLiteral("--a\r\nb\r\n   c\r\nd"));
    SetText(QStringLiteral("--a\r\n\r\n--b"));
    Select(0, 0, 2, 1);
    ed->SelCommentOut(); // an empty row is never commented: all get "--"
    EXPECT_EQ(Text(), QStringLiteral("----a\r\n--\r\n----b"));
}

TEST_F(InputFixture, IndentLeavesARowSelectedOnlyAtItsStart)
{
    SetText(QStringLiteral("a\r\nb\r\nc\r\nd\r\ne"));
    Select(0, 0, 3, 0);
    ed->SelTabIndent();
    EXPECT_EQ(Text(), QStringLiteral("\ta\r\n\tb\r\n\tc\r\nd\r\ne"));
    ed->SelTabUnIndent();
    EXPECT_EQ(Text(), QStringLiteral("a\r\nb\r\nc\r\nd\r\ne"));
    SetText(QStringLiteral("  a\r\nb"));
    Select(0, 0, 1, 1);
    ed->SelTabUnIndent(); // blanks are never removed by a tab unindent
    EXPECT_EQ(Text(), QStringLiteral("  a\r\nb"));
    ed->SelTabIndent(); // the selection keeps to the text after the indentation
    EXPECT_EQ(Text(), QStringLiteral("\t  a\r\n\tb"));
    EXPECT_EQ(ed->SelText(), QStringLiteral("a\r\n\tb"));
    ed->Caret()->SetTabSpaceCount(4);
    SetText(QStringLiteral("\tx\r\ny"));
    Select(0, 0, 1, 1);
    ed->SelIndent();
    EXPECT_EQ(Text(), QStringLiteral("     x\r\n y"));
    ed->SelUnIndent();
    EXPECT_EQ(Text(), QStringLiteral("    x\r\ny"));
}

TEST_F(InputFixture, BoxCommentAtTheBoxColumn)
{
    SetText(QStringLiteral("ab cd\r\nef gh"));
    ed->SetSelectionMode(smBox);
    Select(0, 3, 1, 4);
    ed->SelCommentOut();
    EXPECT_EQ(Text(), QStringLiteral("ab --cd\r\nef --gh"));
    EXPECT_TRUE(ed->Selected());
    ed->SelCommentOut();
    EXPECT_EQ(Text(), QStringLiteral("ab cd\r\nef gh"));
}

// ---------------------------------------------------------------------------
// Tokens and rows

TEST_F(InputFixture, WordsAndTokenJumps)
{
    SetText(QStringLiteral("abc_1+x\r\n  next"));
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(ed->WordFromPos(Cell(0, c)), QStringLiteral("abc_1")) << c;
    EXPECT_EQ(ed->WordFromPos(Cell(0, 5)), QStringLiteral("+"));
    EXPECT_TRUE(ed->WordFromPos(Cell(0, 9)).isEmpty());
    EXPECT_TRUE(ed->WordFromPos(Cell(5, 0)).isEmpty());
    ed->SetRowCol(0, 6);
    ed->SelectWordFromCaret();
    EXPECT_EQ(ed->SelText(), QStringLiteral("x"));
    ed->CleanSelection();
    ed->SetRowCol(0, 0);
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(ed->Col(), 6); // the symbol "+" is passed over
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(ed->Col(), 7);
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->Col(), 2);
    ed->SetRowCol(1, 0);
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(ed->Row(), 0);
    EXPECT_EQ(ed->Col(), 7);
}

TEST_F(InputFixture, RowMarks)
{
    QString text;
    for (int i = 0; i < 100; ++i)
        text += QStringLiteral("row %1\r\n").arg(i);
    SetText(text);
    ed->PutRowMark(4, rm3);
    ed->PutRowMark(10, rm3);
    ed->PutRowMark(4, rm12);
    ed->PutRowMark(10, rm12);
    EXPECT_FALSE(ed->ListRowMarks(4) & RowMarkBit(rm3));
    EXPECT_TRUE(ed->ListRowMarks(10) & RowMarkBit(rm3));
    EXPECT_TRUE(ed->ListRowMarks(4) & RowMarkBit(rm12));
    ed->PutRowMark(80, rm5);
    ed->GotoRowMark(rm5);
    EXPECT_EQ(ed->Row(), 80);
    EXPECT_LE(ed->TopRow(), 80);
    const int top = ed->TopRow();
    ed->PutRowMark(top + 1, rm6);
    ed->GotoRowMark(rm6);
    EXPECT_EQ(ed->TopRow(), top);
    ed->DeleteRowMark(10, rm3);
    EXPECT_FALSE(ed->ListRowMarks(10) & RowMarkBit(rm3));
}

// ---------------------------------------------------------------------------
// Edit-control methods

TEST_F(InputFixture, EditMethods)
{
    SetText(QStringLiteral("abcdefghij"));
    TEditTarget *t = TEditTarget::Of(ed->viewport());
    ASSERT_EQ(t, static_cast<TEditTarget *>(ed));
    t->EditSetSel(7, 3);
    EXPECT_EQ(ed->SelStart(), 3);
    EXPECT_EQ(ed->SelLength(), 4);
    EXPECT_EQ(ed->SelText(), QStringLiteral("defg"));

    t->EditSetText(QStringLiteral("ab\r\ncd"));
    t->EditSetSel(0, -1);
    int s = -1, e = -1;
    t->EditGetSel(s, e);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(e, 6);
    EXPECT_EQ(t->EditLineIndex(1), 4);
    EXPECT_EQ(t->EditLineIndex(2), -1);
    EXPECT_EQ(t->EditLineFromChar(3), 0);
    EXPECT_EQ(t->EditLineFromChar(4), 1);
    EXPECT_EQ(t->EditLineCount(), 2);
    EXPECT_EQ(t->EditGetLine(1), QStringLiteral("cd"));
    EXPECT_EQ(t->EditGetTextLength(), 6);
    EXPECT_EQ(ed->PosFromChar(4), QPoint(ed->LeftMargin(), ed->TopMargin() + ed->RowHeight()));
    int row = -1, offset = -1;
    ASSERT_TRUE(ed->CharFromClientPos(Cell(1, 1) - QPoint(ed->ColWidth() / 2, 0), row, offset));
    EXPECT_EQ(row, 1);
    EXPECT_EQ(offset, 5);
    EXPECT_FALSE(ed->CharFromClientPos(QPoint(-1, 5), row, offset));

    t->EditReplaceSel(QStringLiteral("x"));
    EXPECT_EQ(t->EditGetText(), QStringLiteral("x"));
    EXPECT_TRUE(t->EditCanUndo());
    ed->SetReadOnly(true);
    EXPECT_FALSE(t->EditCanUndo());
    EXPECT_FALSE(t->EditUndo());
    t->EditSetText(QStringLiteral("other"));
    EXPECT_EQ(t->EditGetText(), QStringLiteral("x"));
    ed->SetReadOnly(false);
    EXPECT_TRUE(t->EditUndo());
    EXPECT_EQ(t->EditGetText(), QStringLiteral("ab\r\ncd"));
}

// ---------------------------------------------------------------------------
// Keys while the mouse is busy, repeat, margins, focus

TEST_F(InputFixture, KeysAreHeldBackWhileTheButtonIsDownAndEscCancelsADrag)
{
    SetText(QStringLiteral("abc def\r\nghi"));
    QWidget *vp = ed->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, Cell(1, 1));
    Type(QStringLiteral("xy"));
    Key(Qt::Key_Return);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, Cell(1, 1));
    EXPECT_EQ(Text(), QStringLiteral("abc def\r\nghi"));
    Type(QStringLiteral("z"));
    EXPECT_EQ(Text(), QStringLiteral("abc def\r\ngzhi"));

    Select(0, 0, 0, 3);
    QTest::mousePress(vp, Qt::LeftButton, {}, Cell(0, 1));
    QTest::mouseMove(vp, Cell(1, 3));
    ASSERT_EQ(ed->SelDragState(), sdDragging);
    Key(Qt::Key_Escape);
    EXPECT_EQ(ed->SelDragState(), sdNone);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, Cell(1, 3));
    EXPECT_EQ(Text(), QStringLiteral("abc def\r\ngzhi"));
    EXPECT_FALSE(ed->Selected());
}

TEST_F(InputFixture, HeldDownMovesFasterOnTheBottomRow)
{
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("%1\r\n").arg(i);
    SetText(text);
    ed->Speed()->SetCaretVerticalAc(3);
    const int bottom = ed->RowCount() - 1;
    ed->SetRowCol(bottom, 0);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(ed, &repeat);
    EXPECT_EQ(ed->Row(), bottom + 3);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(ed, &repeatRelease); // ignored: still repeating
    const int row = ed->Row();
    QApplication::sendEvent(ed, &repeat);
    EXPECT_EQ(ed->Row(), row + 3);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(ed, &release);
    ed->SetRowCol(ed->TopRow() + 1, 0);
    Key(Qt::Key_Down);
    EXPECT_EQ(ed->Row(), ed->TopRow() + 2);
}

TEST_F(InputFixture, LeftMarginSelectsWholeRowsAndHoverSetsTheCursorState)
{
    ed->Leftbar()->SetVisible(true);
    ed->Ruler()->SetVisible(true);
    SetText(QStringLiteral("abc\r\ndef\r\nghi\r\n"));
    QWidget *vp = ed->viewport();
    const int y1 = Cell(1, 0).y(), y2 = Cell(2, 0).y();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(2, y1));
    EXPECT_EQ(ed->SelText(), QStringLiteral("def\r\n"));
    QTest::mouseMove(vp, QPoint(2, y2));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(2, y2));
    EXPECT_EQ(ed->SelText(), QStringLiteral("def\r\nghi\r\n"));

    QTest::mouseMove(vp, QPoint(2, y1));
    EXPECT_EQ(ed->CursorState(), mcLeftMargin);
    QTest::mouseMove(vp, QPoint(Cell(0, 1).x(), 1));
    EXPECT_EQ(ed->CursorState(), mcTopMargin);
    QTest::mouseMove(vp, Cell(1, 1));
    EXPECT_EQ(ed->CursorState(), mcInSel);
    QTest::mouseMove(vp, Cell(0, 1));
    EXPECT_EQ(ed->CursorState(), mcClient);
}

TEST_F(InputFixture, ShiftEnterOpensAnIndentedLineAbove)
{
    ed->Caret()->AutoIndent = true;
    SetText(QStringLiteral("  abc"));
    ed->SetRowCol(0, 4);
    Key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(Text(), QStringLiteral("  \r\n  abc"));
    EXPECT_EQ(ed->Row(), 0);
    EXPECT_EQ(ed->Col(), 2);
}

TEST_F(InputFixture, TabMovesTheFocusWhenTheEditorWantsNoTabs)
{
    auto *other = new QWidget(&win);
    other->setFocusPolicy(Qt::StrongFocus);
    other->move(0, 300);
    other->show();
    win.activateWindow();
    ed->setFocus();
    QApplication::processEvents();
    if (!ed->hasFocus())
        GTEST_SKIP() << "no focus on this platform";
    SetText(QStringLiteral("ab"));
    Key(Qt::Key_Tab);
    EXPECT_EQ(Text(), QStringLiteral("\tab"));
    EXPECT_TRUE(ed->hasFocus());
    ed->SetWantTabs(false);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Text(), QStringLiteral("\tab"));
    EXPECT_FALSE(ed->hasFocus());
}

// ---------------------------------------------------------------------------
// Random editing: no crash, rows never hold a line end, and undoing every
// step gives the text back. Fixed seed.

TEST_F(InputFixture, RandomEditingUndoesBackToTheStart)
{
    std::mt19937 rng(20261210);
    const QString pieces[] = {QStringLiteral("a"), QStringLiteral("xyz "), QStringLiteral("漢字"),
                              QStringLiteral("\t"), QStringLiteral("--"), QStringLiteral("  "),
                              QStringLiteral("\r\n"), QStringLiteral("/*"), QStringLiteral("'"),
                              QString::fromUtf16(u"\xD83D\xDE00"), QString(QChar(WideBlank))};
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    auto randomText = [&](int maxPieces) {
        QString s;
        for (int i = pick(maxPieces + 1); i > 0; --i)
            s += pieces[pick(int(std::size(pieces)))];
        return s;
    };
    ed->SetUndoListMax(1000);
    const int keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End,
                        Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Return,
                        Qt::Key_Tab, Qt::Key_Backtab};
    int changed = 0;
    for (int round = 0; round < 400; ++round) {
        ed->SetWordWrap(pick(3) == 0);
        ed->WrapOption()->SetWrapByte(20);
        ed->Caret()->FreeCaret = pick(2);
        ed->Caret()->AutoIndent = pick(2);
        ed->Caret()->BackSpaceUnIndent = pick(2);
        ed->Caret()->SoftTab = pick(2);
        ed->Caret()->NextLine = pick(2);
        ed->SetOverWrite(pick(4) == 0);
        ed->SetSelectionMode(pick(4) == 0 ? smBox : smLine);
        const QString start = randomText(30);
        SetText(start);
        ed->EditorUndoObj()->Clear();
        std::string log;
        for (int step = 0; step < 40; ++step) {
            const int what = pick(12);
            log += std::to_string(what) + "@" + std::to_string(ed->Row()) + "," + std::to_string(ed->Col()) +
                   (ed->Selected() ? "s " : " ");
            try {
            switch (what) {
            case 0:
            case 1:
                Type(QStringLiteral("q."));
                break;
            case 2:
            case 3: {
                Qt::KeyboardModifiers m;
                if (pick(3) == 0)
                    m |= Qt::ShiftModifier;
                if (pick(4) == 0)
                    m |= Qt::ControlModifier;
                Key(keys[pick(int(std::size(keys)))], m);
                break;
            }
            case 4:
                ed->SetSelTextBuf(randomText(3));
                break;
            case 5:
                ed->SetSelTextBox(randomText(3));
                break;
            case 6:
                ed->SelCommentOut();
                break;
            case 7:
                if (pick(2))
                    ed->SelTabIndent();
                else
                    ed->SelUnIndent();
                break;
            case 8:
                ed->Search(pieces[pick(4)], pick(2) ? SearchOptionBit(sfrDown) : 0);
                break;
            case 9:
                ed->MoveSelection(pick(ed->ListCount() + 1), pick(12));
                break;
            case 10: {
                QInputMethodEvent commit;
                commit.setCommitString(QStringLiteral("字"));
                QApplication::sendEvent(ed, &commit);
                break;
            }
            default:
                ed->SetRowCol(pick(ed->ListCount() + 1), pick(15));
                if (pick(2)) {
                    ed->InitSelection();
                    ed->SetRowCol(pick(ed->ListCount() + 1), pick(15));
                    ed->StartSelection();
                }
                break;
            }
            } catch (const std::exception &e) {
                FAIL() << e.what() << " round " << round << " steps " << log << " text "
                       << Text().toStdString();
            }
            for (int r = 0; r < ed->ListCount(); ++r)
                ASSERT_FALSE(ed->ListString(r).contains(u'\r') || ed->ListString(r).contains(u'\n'))
                    << "round " << round << " steps " << log;
        }
        if (Text() != start)
            ++changed;
        while (ed->CanUndo())
            ed->Undo();
        ASSERT_EQ(Text(), start) << "round " << round << " steps " << log;
    }
    EXPECT_GT(changed, 350); // the rounds did edit
}
