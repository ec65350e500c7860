// The completion popup of the SQL editor, filled with a candidate list as the
// completion driver fills it: filtering, lazy rows, acceptance and quoting,
// closing, and the geometry remembered in the memo.
#include "editor/EditorStrings.h"
#include "editor/tvCodeAssist.h"
#include "editor/tvMemo.h"
#include "platform/ui/WindowMessage.h"

#include <QApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSizeGrip>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// Counts the completion requests the owning window receives.
struct RequestCounter : QObject {
    int count = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (tv::ui::IsWindowMessage(e) &&
            static_cast<tv::ui::WindowMessageEvent *>(e)->message() == tv::ui::WM_CODEASSIST)
            ++count;
        return false;
    }
};

struct PopupFixture : ::testing::Test {
    PopupFixture()
    {
        TEditor::SetDefaultCaretBlink(false);
        owner.resize(700, 500);
        memo = new TtvMemo(&owner);
        memo->setGeometry(10, 20, 600, 400);
        owner.show();
        QApplication::processEvents();
        memo->setFocus();
        owner.installEventFilter(&requests);
    }
    ~PopupFixture() override
    {
        memo->CloseCodeAssist();
        QApplication::processEvents(); // deferred deletion of closed popups
    }
    void SetTextCaretAtEnd(const QString &text)
    {
        memo->Lines()->SetText(text);
        memo->SetSelStart(int(text.size()));
    }
    // Opens the popup as the completion driver does.
    TtvCodeAssist *Open(const QStringList &captions, const QString &prefix)
    {
        int x, y;
        memo->GetCaretXY(x, y);
        auto *ca = new TtvCodeAssist(memo, &owner, x, y);
        memo->CodeAssist = ca;
        ca->AddColumn(QStringLiteral("オブジェクト名"), memo->CASize.ColumnWidth[0]);
        ca->AddColumn(QStringLiteral("タイプ"), memo->CASize.ColumnWidth[1]);
        for (const QString &c : captions) {
            ca->CaptionList << c;
            ca->SubItemList << QStringLiteral("TABLE");
            ca->ImageList << 45;
        }
        if (!prefix.isEmpty())
            ca->SetBuffer(prefix);
        ca->ShowItems();
        ca->show();
        return ca;
    }
    int Rows() const { return memo->CodeAssist->ListView()->topLevelItemCount(); }
    QString Row(int i) const { return memo->CodeAssist->ListView()->topLevelItem(i)->text(0); }
    int Current() const
    {
        QTreeWidget *l = memo->CodeAssist->ListView();
        return l->currentItem() && l->currentItem()->isSelected() ? l->indexOfTopLevelItem(l->currentItem()) : -1;
    }
    QString Text() const { return memo->Lines()->Text(); }

    QWidget owner;
    TtvMemo *memo;
    RequestCounter requests;
};

QStringList Numbered(int n)
{
    QStringList r;
    for (int i = 0; i < n; ++i)
        r << QStringLiteral("name%1").arg(i, 3, 10, QLatin1Char('0'));
    return r;
}

} // namespace

TEST_F(PopupFixture, RowsAreFilledLazily)
{
    SetTextCaretAtEnd(QStringLiteral("select * from "));
    Open(Numbered(250), QString());
    EXPECT_EQ(Rows(), 100);
    EXPECT_EQ(memo->CodeAssist->CaptionListW.size(), 250);
    EXPECT_EQ(Current(), 0);
    // arrow down adds one row and moves the selection
    QTest::keyClick(memo, Qt::Key_Down);
    EXPECT_EQ(Rows(), 101);
    EXPECT_EQ(Current(), 1);
    QTest::keyClick(memo, Qt::Key_Up);
    EXPECT_EQ(Current(), 0);
    QTest::keyClick(memo, Qt::Key_PageDown);
    EXPECT_EQ(Rows(), 109);
    QTest::keyClick(memo, Qt::Key_End);
    EXPECT_EQ(Rows(), 250);
    EXPECT_EQ(Current(), 249);
    EXPECT_EQ(Row(249), QStringLiteral("name249"));
    QTest::keyClick(memo, Qt::Key_Home);
    EXPECT_EQ(Current(), 0);
    // navigation never reaches the memo
    EXPECT_EQ(Text(), QStringLiteral("select * from "));
    EXPECT_EQ(memo->Row(), 0);
}

TEST_F(PopupFixture, PrefixFiltersWithoutRegardToCase)
{
    SetTextCaretAtEnd(QStringLiteral("select * from emp"));
    const QStringList names{QStringLiteral("dept"), QStringLiteral("Employees"), QStringLiteral("emp_no"),
                            QStringLiteral("bonus"), QStringLiteral("EMPTY_T"), QStringLiteral("salgrade")};
    Open(names, QStringLiteral("emp"));
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Row(0), QStringLiteral("Employees"));
    EXPECT_EQ(Row(1), QStringLiteral("emp_no"));
    EXPECT_EQ(Row(2), QStringLiteral("EMPTY_T"));
    EXPECT_EQ(Current(), 0);
    EXPECT_EQ(memo->CodeAssist->ListView()->topLevelItem(0)->text(1), QStringLiteral("TABLE"));

    // an empty prefix shows everything; a prefix matching nothing shows nothing
    memo->CodeAssist->SetBuffer(QString());
    memo->CodeAssist->ShowItems();
    EXPECT_EQ(Rows(), 6);
    memo->CodeAssist->SetBuffer(QStringLiteral("zz"));
    memo->CodeAssist->ShowItems();
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Current(), -1);
}

TEST_F(PopupFixture, AcceptingQuotesNamesButNotReservedWords)
{
    memo->SetReserveWordList({QStringLiteral("SELECT"), QStringLiteral("FROM")});
    struct Case {
        QString caption;
        QString inserted;
    };
    const Case cases[] = {
        {QStringLiteral("Employees"), QStringLiteral("\"Employees\"")},
        {QStringLiteral("emp_no"), QStringLiteral("emp_no")},
        {QStringLiteral("SELECT"), QStringLiteral("SELECT")},
        {QStringLiteral("my table"), QStringLiteral("\"my table\"")},
        {QStringLiteral("名前（１）"), QStringLiteral("\"名前（１）\"")},
        {QStringLiteral("a\"b"), QStringLiteral("a\"b")},
        {QStringLiteral("A\"b"), QStringLiteral("\"A\"\"b\"")},
        {QStringLiteral("\"Quoted\""), QStringLiteral("\"Quoted\"")},
    };
    for (const Case &c : cases) {
        // the typed "e" makes way for the name (the row is shown unfiltered)
        SetTextCaretAtEnd(QStringLiteral("x e"));
        Open({c.caption}, QString());
        memo->CodeAssist->SetBuffer(QStringLiteral("e"));
        ASSERT_EQ(Current(), 0);
        QTest::keyClick(memo, Qt::Key_Return);
        EXPECT_EQ(memo->CodeAssist, nullptr);
        EXPECT_EQ(Text(), QStringLiteral("x ") + c.inserted) << c.caption.toStdString();
        // the acceptance is one undo step
        memo->Undo();
        EXPECT_EQ(Text(), QStringLiteral("x e")) << c.caption.toStdString();
    }
    EXPECT_EQ(requests.count, 0);
}

TEST_F(PopupFixture, TypingGoesToTheBufferAndTheMemo)
{
    SetTextCaretAtEnd(QStringLiteral("select * from e"));
    const QStringList names{QStringLiteral("Employees"), QStringLiteral("emp_no"), QStringLiteral("EMPTY_T"),
                            QStringLiteral("dept")};
    Open(names, QStringLiteral("e"));
    EXPECT_EQ(Rows(), 3);
    QTest::keyClicks(memo, QStringLiteral("mpl"));
    EXPECT_EQ(memo->CodeAssist->Buf->text(), QStringLiteral("empl"));
    EXPECT_EQ(Text(), QStringLiteral("select * from empl"));
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Row(0), QStringLiteral("Employees"));
    // backspace narrows back, in the memo too
    QTest::keyClick(memo, Qt::Key_Backspace);
    EXPECT_EQ(Text(), QStringLiteral("select * from emp"));
    EXPECT_EQ(Rows(), 3);
    // input-method text goes both ways as well
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("ｔ"));
    QApplication::sendEvent(memo, &commit);
    EXPECT_EQ(memo->CodeAssist->Buf->text(), QStringLiteral("empｔ"));
    EXPECT_EQ(Text(), QStringLiteral("select * from empｔ"));
    EXPECT_EQ(Rows(), 0);
    QTest::keyClick(memo, Qt::Key_Backspace);
    // left and right move both carets; at the buffer's end right closes
    QTest::keyClick(memo, Qt::Key_Left);
    EXPECT_EQ(memo->CodeAssist->Buf->cursorPosition(), 2);
    EXPECT_EQ(memo->Col(), 16);
    QTest::keyClick(memo, Qt::Key_Right);
    ASSERT_NE(memo->CodeAssist, nullptr);
    QTest::keyClick(memo, Qt::Key_Right);
    EXPECT_EQ(memo->CodeAssist, nullptr);
    EXPECT_EQ(Text(), QStringLiteral("select * from emp"));

    // backspace at the buffer start closes, and deletes in the memo
    SetTextCaretAtEnd(QStringLiteral("select * from emp"));
    Open(names, QString());
    QTest::keyClick(memo, Qt::Key_Backspace);
    EXPECT_EQ(memo->CodeAssist, nullptr);
    EXPECT_EQ(Text(), QStringLiteral("select * from em"));
}

TEST_F(PopupFixture, AcceptingWithADotAsksForCompletionAgain)
{
    SetTextCaretAtEnd(QStringLiteral("select e.na"));
    Open({QStringLiteral("name"), QStringLiteral("no")}, QStringLiteral("na"));
    ASSERT_EQ(Rows(), 1);
    QTest::keyClick(memo, Qt::Key_Period);
    EXPECT_EQ(memo->CodeAssist, nullptr);
    EXPECT_EQ(Text(), QStringLiteral("select e.name."));
    EXPECT_EQ(requests.count, 1);
    EXPECT_EQ(memo->GetCodeAssistToken(), QStringLiteral("e.name."));

    // a blank follows the name; carriage return only accepts
    SetTextCaretAtEnd(QStringLiteral("select na"));
    Open({QStringLiteral("name")}, QStringLiteral("na"));
    QTest::keyClick(memo, Qt::Key_Space);
    EXPECT_EQ(Text(), QStringLiteral("select name "));
    SetTextCaretAtEnd(QStringLiteral("select na"));
    Open({QStringLiteral("name")}, QStringLiteral("na"));
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(Text(), QStringLiteral("select name"));
    // with no row to accept, the character is typed and the popup closes
    SetTextCaretAtEnd(QStringLiteral("select zz"));
    Open({QStringLiteral("name")}, QStringLiteral("zz"));
    QTest::keyClick(memo, Qt::Key_Comma);
    EXPECT_EQ(memo->CodeAssist, nullptr);
    EXPECT_EQ(Text(), QStringLiteral("select zz,"));
}

TEST_F(PopupFixture, TheTokenAroundTheCaretIsReplaced)
{
    // "Emp|lo": two characters typed left of the caret, two right of it
    SetTextCaretAtEnd(QStringLiteral("from Emplo"));
    memo->SetSelStart(8);
    Open({QStringLiteral("employees")}, QStringLiteral("Emplo"));
    memo->CodeAssist->Buf->setCursorPosition(3);
    memo->CodeAssist->Accept();
    EXPECT_EQ(Text(), QStringLiteral("from employees"));
    EXPECT_EQ(memo->CodeAssist, nullptr);
}

TEST_F(PopupFixture, ReadOnlyMemoOnlyClosesThePopup)
{
    SetTextCaretAtEnd(QStringLiteral("select * from emp"));
    memo->SetReadOnly(true);
    Open({QStringLiteral("Employees")}, QStringLiteral("emp"));
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(memo->CodeAssist, nullptr);
    EXPECT_EQ(Text(), QStringLiteral("select * from emp"));
}

TEST_F(PopupFixture, KeysThatClose)
{
    SetTextCaretAtEnd(QStringLiteral("from em"));
    Open({QStringLiteral("emp")}, QStringLiteral("em"));
    QTest::keyClick(memo, Qt::Key_Escape);
    EXPECT_EQ(memo->CodeAssist, nullptr);
    EXPECT_EQ(Text(), QStringLiteral("from em"));

    // Ctrl+blank does nothing at all
    Open({QStringLiteral("emp")}, QStringLiteral("em"));
    QTest::keyClick(memo, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_NE(memo->CodeAssist, nullptr);
    EXPECT_EQ(memo->CodeAssist->Buf->text(), QStringLiteral("em"));
    EXPECT_EQ(Text(), QStringLiteral("from em"));
    EXPECT_EQ(requests.count, 0);

    // left at the buffer start closes, and the caret moves in the memo
    memo->CodeAssist->Buf->setCursorPosition(0);
    const int col = memo->Col();
    QTest::keyClick(memo, Qt::Key_Left);
    EXPECT_EQ(memo->CodeAssist, nullptr);
    EXPECT_EQ(memo->Col(), col - 1);
}

TEST_F(PopupFixture, MemoEventsClose)
{
    SetTextCaretAtEnd(QStringLiteral("from em"));
    Open({QStringLiteral("emp")}, QString());
    memo->resize(590, 400);
    EXPECT_EQ(memo->CodeAssist, nullptr);

    Open({QStringLiteral("emp")}, QString());
    memo->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(memo->CodeAssist, nullptr);

    Open({QStringLiteral("emp")}, QString());
    QTest::mouseClick(memo->viewport(), Qt::RightButton);
    EXPECT_EQ(memo->CodeAssist, nullptr);

    Open({QStringLiteral("emp")}, QString());
    QTest::mouseClick(memo->viewport(), Qt::LeftButton);
    EXPECT_EQ(memo->CodeAssist, nullptr);

    // a click in the popup keeps it open and the focus in the memo
    SetTextCaretAtEnd(QStringLiteral("from em"));
    TtvCodeAssist *ca = Open({QStringLiteral("emp"), QStringLiteral("dept")}, QString());
    QTreeWidget *l = ca->ListView();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, Qt::NoModifier, l->visualItemRect(l->topLevelItem(1)).center());
    EXPECT_EQ(memo->CodeAssist, ca);
    EXPECT_EQ(Current(), 1);
    if (memo->hasFocus()) {
        EXPECT_EQ(QApplication::focusWidget(), memo);
    }
    // a double click on a row accepts it
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, Qt::NoModifier, l->visualItemRect(l->topLevelItem(1)).center());
    QTest::mouseRelease(memo->viewport(), Qt::LeftButton); // a test double click ends with the button down
    EXPECT_EQ(memo->CodeAssist, nullptr);
    EXPECT_EQ(Text(), QStringLiteral("from emdept"));
}

TEST_F(PopupFixture, GeometryStandsUnderTheCaretAndIsRemembered)
{
    SetTextCaretAtEnd(QStringLiteral("select * from em"));
    TtvCodeAssist *ca = Open(Numbered(5), QString());
    int x, y;
    memo->GetCaretXY(x, y);
    const QPoint caret = owner.mapFromGlobal(memo->viewport()->mapToGlobal(QPoint(x, y)));
    EXPECT_EQ(ca->parentWidget(), &owner);
    EXPECT_EQ(ca->x(), caret.x());
    EXPECT_EQ(ca->y(), caret.y() + memo->RowHeight());
    EXPECT_EQ(ca->size(), QSize(256, 150));
    EXPECT_EQ(ca->ListView()->header()->sectionSize(0), 125);
    EXPECT_EQ(ca->ListView()->header()->sectionSize(1), 90);

    // the user drags the size grip: the popup grows, not the window
    const QSize ownerSize = owner.size();
    QSizeGrip *grip = ca->findChild<QSizeGrip *>();
    ASSERT_NE(grip, nullptr);
    const QPoint g = grip->mapToGlobal(grip->rect().center());
    QMouseEvent press(QEvent::MouseButtonPress, grip->rect().center(), g, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(grip, &press);
    QMouseEvent move(QEvent::MouseMove, grip->rect().center() + QPoint(64, 30), g + QPoint(64, 30), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grip, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, grip->rect().center() + QPoint(64, 30), g + QPoint(64, 30),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grip, &release);
    EXPECT_EQ(ca->size(), QSize(320, 180));
    EXPECT_EQ(owner.size(), ownerSize);
    ca->ListView()->header()->resizeSection(0, 150);
    ca->ListView()->header()->resizeSection(1, 70);

    QTest::keyClick(memo, Qt::Key_Escape);
    EXPECT_EQ(memo->CASize.Width, 320);
    EXPECT_EQ(memo->CASize.Height, 180);
    EXPECT_EQ(memo->CASize.ColumnWidth, (QList<int>{150, 70}));

    ca = Open(Numbered(5), QString());
    EXPECT_EQ(ca->size(), QSize(320, 180));
    EXPECT_EQ(ca->ListView()->header()->sectionSize(0), 150);
    EXPECT_EQ(ca->ListView()->header()->sectionSize(1), 70);
}

TEST_F(PopupFixture, NearTheRightEdgeThePopupMovesLeft)
{
    memo->CASize.Width = 300;
    SetTextCaretAtEnd(QString(60, u'x'));
    TtvCodeAssist *ca = Open(Numbered(3), QString());
    const QPoint memoRight = owner.mapFromGlobal(memo->mapToGlobal(QPoint(memo->width(), 0)));
    EXPECT_LE(ca->x() + ca->width(), memoRight.x() - 30);
    EXPECT_EQ(ca->width(), 300);
    EXPECT_EQ(ca->height(), 150);
}

TEST(CodeAssistQuote, QuoteCompletionItem)
{
    struct Case {
        const char16_t *in;
        const char16_t *out;
    };
    const Case cases[] = {
        {u"emp", u"emp"},
        {u"emp_no", u"emp_no"},
        {u"Emp", u"\"Emp\""},
        {u"a-b", u"\"a-b\""},
        {u" a", u"\" a\""},
        {u"a(b", u"\"a(b\""},
        {u"a@b", u"\"a@b\""},
        {u"a=b", u"\"a=b\""},
        {u"表（１）", u"\"表（１）\""},
        {u"\"x y\"", u"\"\"\"x y\"\"\""}, // a blank quotes whatever the first character
        {u"\"X\"", u"\"X\""},
        {u"テーブル", u"テーブル"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TtvCodeAssist::QuoteCompletionItem(QString::fromUtf16(c.in)), QString::fromUtf16(c.out))
            << QString::fromUtf16(c.in).toStdString();
}
