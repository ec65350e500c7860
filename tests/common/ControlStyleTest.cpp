// Control styling of the kinds the shared layer knows (plain memos, SQL
// editors, other string grids) and the styling of a window's SQL editors by
// the window base class. The program's own grids are styled through hooks the
// main window fills; their test is in tests/shell.
#include "common/ControlStyle.h"

#include "FormTestSupport.h"
#include "OptionGuard.h"
#include "common/tvForm.h"
#include "editor/EditorStrings.h"
#include "editor/tvMacroList.h"
#include "editor/tvMemo.h"
#include "editor/tvMemoProp.h"
#include "platform/ui/Font.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace tvtest;

namespace {

class StyleForm : public TtvForm {
public:
    StyleForm()
    {
        auto *lay = new QVBoxLayout(this);
        memTop = new TtvMemo;
        lay->addWidget(memTop);
        // An editor deeper down, inside a panel.
        auto *panel = new QWidget;
        auto *inner = new QVBoxLayout(panel);
        memInner = new TtvMemo;
        inner->addWidget(memInner);
        lay->addWidget(panel);
        memPlain = new QPlainTextEdit;
        lay->addWidget(memPlain);
        grdList = new QTableWidget(2, 2);
        lay->addWidget(grdList);
        FinishCreate();
    }
    TtvMemo *memTop, *memInner;
    QPlainTextEdit *memPlain;
    QTableWidget *grdList;
};

class ControlStyleTest : public ::testing::Test {
protected:
    ControlStyleTest()
    {
        prop.SetColor(0x00E0FFFF);
        prop.SetWordWrap(true);
        prop.Caret()->SetTabSpaceCount(4);
        prop.Margin()->SetLeft(7);
        prop.Font()->Name = QStringLiteral("ＭＳ ゴシック");
        prop.Font()->Size = 14;
        prop.SetReserveWordList(QStringList{QStringLiteral("SELECT"), QStringLiteral("FROM")});
        main.editorProp = &prop;
        CreateSharedMacroList();
    }
    ~ControlStyleTest() override { FreeSharedMacroList(); }

    OptionGuard options;
    TtvMemoProp prop;
    FakeMainWindow main;
};

void ExpectSettingsOf(const TtvMemoProp &prop, TtvMemo &memo)
{
    EXPECT_EQ(memo.Color(), prop.Color());
    EXPECT_EQ(memo.WordWrap(), prop.WordWrap());
    EXPECT_EQ(memo.Caret()->TabSpaceCount(), prop.Caret()->TabSpaceCount());
    EXPECT_EQ(memo.Margin()->Left(), prop.Margin()->Left());
    EXPECT_EQ(memo.font().pointSize(), prop.Font()->Size);
    EXPECT_EQ(memo.ReserveWordList().ToStringList(), prop.ReserveWordList().ToStringList());
    // The one macro recording of the process.
    ASSERT_NE(MacroList, nullptr);
    EXPECT_EQ(memo.MacroList(), MacroList);
}

TEST_F(ControlStyleTest, TheWindowStylesEverySqlEditorItOwnsAndNothingElse)
{
    StyleForm f;
    for (TtvMemo *m : {f.memTop, f.memInner}) {
        SCOPED_TRACE(m == f.memTop ? "top" : "inner");
        ExpectSettingsOf(prop, *m);
    }
    // Plain memos and grids stay as built: the window's own font.
    EXPECT_EQ(f.memPlain->font(), f.font());
    EXPECT_EQ(f.grdList->font(), f.font());
}

TEST_F(ControlStyleTest, AMacroRecordedInOneWindowReplaysInAnother)
{
    TEditor::SetDefaultCaretBlink(false);
    auto *one = new StyleForm;
    auto *two = new StyleForm;
    one->ShowForm();
    two->ShowForm();
    main.show();
    QApplication::setActiveWindow(&main);
    main.mdiMain->setActiveSubWindow(one->Frame());
    one->memTop->setFocus();
    QApplication::processEvents();

    one->memTop->BeginRec();
    QTest::keyClicks(one->memTop, QStringLiteral("sel"));
    one->memTop->EndRec();
    EXPECT_EQ(one->memTop->Lines()->Text(), QStringLiteral("sel"));

    main.mdiMain->setActiveSubWindow(two->Frame());
    two->memInner->setFocus();
    QApplication::processEvents();
    two->memInner->Execute();
    EXPECT_EQ(two->memInner->Lines()->Text(), QStringLiteral("sel"));
}

TEST_F(ControlStyleTest, EachKindGetsItsStyleAndTwiceEqualsOnce)
{
    tvOption.DataFontName = QStringLiteral("ＭＳ ゴシック");
    tvOption.DataFontSize = 13;

    QPlainTextEdit plain;
    QTextEdit rich;
    QTableWidget grid(3, 3);
    TtvMemo memo;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        for (QWidget *w : std::initializer_list<QWidget *>{&plain, &rich, &grid, &memo})
            ApplyControlStyle(w);
        for (QWidget *w : std::initializer_list<QWidget *>{&plain, &rich}) {
            EXPECT_EQ(w->font().pointSize(), 14);
            EXPECT_EQ(w->font().family(), tv::ui::ResolveFontFamily(QStringLiteral("ＭＳ ゴシック")));
        }
        EXPECT_EQ(grid.font().pointSize(), 13);
        EXPECT_TRUE(grid.font().fixedPitch());
        EXPECT_EQ(grid.font(), DataGridFont());
        ExpectSettingsOf(prop, memo);
    }
}

TEST_F(ControlStyleTest, ASqlEditorOpensTheMainWindowsEditorMenu)
{
    TtvMemo memo;
    memo.resize(300, 200);
    int shown = 0;
    QObject::connect(main.popEditor, &QMenu::aboutToShow, [&] { ++shown; });
    main.popEditor->addAction(QStringLiteral("切り取り"));
    ApplyControlStyle(&memo);
    ApplyControlStyle(&memo);

    const auto rightClick = [&] {
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(20, 20), memo.viewport()->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(memo.viewport(), &e);
    };
    rightClick();
    EXPECT_EQ(shown, 1); // one menu, however often the editor was styled
    EXPECT_TRUE(main.popEditor->isVisible());
    main.popEditor->hide();

    // A menu that goes away is forgotten.
    delete main.popEditor;
    main.popEditor = nullptr;
    rightClick();
    EXPECT_EQ(shown, 1);
}

TEST_F(ControlStyleTest, OtherControlsAreUntouched)
{
    QLineEdit edit;
    QWidget plain;
    const QFont editFont = edit.font();
    ApplyControlStyle(&edit);
    ApplyControlStyle(&plain);
    ApplyControlStyle(nullptr);
    EXPECT_EQ(edit.font(), editFont);
}

TEST_F(ControlStyleTest, TransposedColumnWidthCountsCapitalA)
{
    const QFont font = DataGridFont();
    const QFontMetrics fm(font);
    tvOption.DataColWidthH = 20;
    EXPECT_EQ(DataColumnWidthH(fm), fm.horizontalAdvance(QString(20, QLatin1Char('A'))));
    EXPECT_GT(DataColumnWidthH(fm), 0);
    tvOption.DataColWidthH = 0;
    EXPECT_EQ(DataColumnWidthH(fm), 0);
}

TEST_F(ControlStyleTest, AStepRegisteredAgainReplacesTheFirst)
{
    QLineEdit edit;
    int first = 0, second = 0;
    RegisterControlStyler(csStringGrid, [&](QWidget *) { ++first; return false; });
    RegisterControlStyler(csStringGrid, [&](QWidget *) { ++second; return true; });
    ApplyControlStyle(&edit);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    // A step that takes the control ends the tests.
    RegisterControlStyler(csDataGridV, [&](QWidget *) { ++first; return true; });
    ApplyControlStyle(&edit);
    EXPECT_EQ(first, 0);
    RegisterControlStyler(csStringGrid, {});
    RegisterControlStyler(csDataGridV, {});
    ApplyControlStyle(&edit);
    EXPECT_EQ(second, 2);
}

} // namespace
