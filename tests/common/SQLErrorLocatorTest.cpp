// The error locator marks the failing statement's rows in the SQL editor
// unless the user has a selection of their own there.
#include "common/SQLErrorLocator.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

struct LocatorFixture : ::testing::Test {
    LocatorFixture()
    {
        TEditor::SetDefaultCaretBlink(false);
        owner.resize(600, 400);
        memo = new TtvMemo(&owner);
        memo->setGeometry(0, 0, 580, 380);
        owner.show();
        QApplication::processEvents();
        memo->Lines()->SetText(QStringLiteral("select 1;\r\n"
                                              "select 2\r\n"
                                              "  from t;\r\n"
                                              "select x\r\n"
                                              "  from nosuch;\r\n"
                                              "select 4;"));
    }
    QWidget owner;
    TtvMemo *memo;
};

} // namespace

TEST_F(LocatorFixture, SelectsTheFailingStatementsRows)
{
    LocateSQLError(memo, nullptr, QStringLiteral("user"), 3, 4, QStringLiteral("ERROR: relation \"nosuch\" does not exist"));
    EXPECT_EQ(memo->SelText(), QStringLiteral("select x\r\n  from nosuch;\r\n"));

    // the run-all command marks everything
    memo->CleanSelection();
    LocateSQLError(memo, nullptr, QString(), 0, memo->Lines()->Count() - 1, QString());
    EXPECT_EQ(memo->SelText(), memo->Lines()->Text());
}

TEST_F(LocatorFixture, KeepsTheUsersSelection)
{
    memo->SetSelStart(11); // "select 2" on its own
    memo->SetSelLength(8);
    ASSERT_EQ(memo->SelText(), QStringLiteral("select 2"));
    LocateSQLError(memo, nullptr, QStringLiteral("user"), 3, 4, QStringLiteral("ERROR"));
    EXPECT_EQ(memo->SelText(), QStringLiteral("select 2"));
    EXPECT_EQ(memo->SelStart(), 11);
}

TEST_F(LocatorFixture, EmptyScriptOrRowsPastTheEnd)
{
    LocateSQLError(memo, nullptr, QString(), 5, 99, QString());
    EXPECT_EQ(memo->SelText(), QStringLiteral("select 4;"));
    memo->Lines()->SetText(QString());
    LocateSQLError(memo, nullptr, QString(), 0, -1, QString());
    EXPECT_EQ(memo->SelText(), QString());
    LocateSQLError(nullptr, nullptr, QString(), 0, 0, QString());
}
