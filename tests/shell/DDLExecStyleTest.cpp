// The execution dialog's log takes the user's editor settings from the main
// window but shows the script as plain text.
#include "ShellTestSupport.h"

#include "editor/EditorBracketCollection.h"
#include "editor/EditorCaret.h"
#include "editor/EditorColors.h"
#include "editor/EditorMargin.h"
#include "editor/EditorStrings.h"
#include "editor/EditorViewInfo.h"
#include "editor/FountainBracketItem.h"
#include "editor/FountainColor.h"
#include "editor/tvMemo.h"
#include "editor/tvMemoProp.h"
#include "shell/frmDDLExec.h"

using namespace tvtest;

TEST(DDLExecLog, TakesTheEditorSettingsButNoColours)
{
    TestDb db("ddlstyle");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    ASSERT_NE(s.Form(), nullptr);
    tvOption.CloseDDL = false;

    // The user's settings: colours for reserved words and a bracket pair.
    TtvMemoProp *prop = s.main->EditorProp();
    ASSERT_NE(prop, nullptr);
    prop->SetColor(0x00E0FFFF);
    prop->Caret()->SetTabSpaceCount(4);
    prop->Margin()->SetLeft(7);
    prop->Font()->Size = 14;
    prop->View()->Colors()->Reserve()->SetColor(0x000000FF);
    TFountainBracketItem *bracket = prop->View()->Brackets()->Add();
    bracket->SetLeftBracket(QStringLiteral("/*"));
    bracket->SetRightBracket(QStringLiteral("*/"));
    bracket->ItemColor()->SetColor(0x00FF0000);

    QStringList script{QStringLiteral("SELECT 1"), QStringLiteral(";")};
    TfrmDDLExec::ShowWindow(s.Form(), script);
    TfrmDDLExec *dialog = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<TfrmDDLExec *>(w))
            dialog = d;
    ASSERT_NE(dialog, nullptr);
    TtvMemo *log = dialog->txtLog;

    EXPECT_EQ(log->Color(), prop->Color());
    EXPECT_EQ(log->Caret()->TabSpaceCount(), 4);
    EXPECT_EQ(log->Margin()->Left(), 7);
    EXPECT_EQ(log->font().pointSize(), 14);
    // Every token in the text colour, no bracket colouring, read-only.
    EXPECT_EQ(log->View()->Colors()->Reserve()->Color(), clNone);
    EXPECT_EQ(log->View()->Brackets()->Count(), 0);
    EXPECT_TRUE(log->ReadOnly());
    // The user's settings themselves are untouched.
    EXPECT_EQ(prop->View()->Colors()->Reserve()->Color(), TColor(0x000000FF));
    EXPECT_GE(prop->View()->Brackets()->Count(), 1);
    EXPECT_EQ(log->Lines()->ToStringList().first(), QStringLiteral("SELECT 1"));
    delete dialog;
}
