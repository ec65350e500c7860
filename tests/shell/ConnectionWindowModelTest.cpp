// The server-free parts of the connection window and the main window: the
// version number, the script splitting, the status texts and the schema query.
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <gtest/gtest.h>

TEST(ServerVersion, VersionTextGivesTheNumber)
{
    struct Case {
        const char *text;
        int version;
        bool linux;
    } cases[] = {
        {"PostgreSQL 12.3 on x86_64-pc-linux-gnu, compiled by gcc (GCC) 4.8.5, 64-bit", 120300, true},
        {"PostgreSQL 12.3, compiled by Visual C++ build 1914, 64-bit", 120300, false},
        {"PostgreSQL 10beta2 on x86_64-pc-linux-gnu", 100000, true},
        {"PostgreSQL 11rc1 on x86_64-pc-linux-gnu", 110000, true},
        {"PostgreSQL 9.6.24 on x86_64-pc-linux-gnu", 90624, true},
        {"PostgreSQL 9.5.0.5 on x86_64-pc-mingw64", 90500, false},
        {"PostgreSQL 13devel on x86_64-pc-linux-gnu", 999999, true},
        {"PostgreSQL 12.3", 999999, false},
        {"PostgreSQL", 999999, false},
        {"PostgreSQL 15.4 (Debian 15.4-1.pgdg120+1) on x86_64-pc-linux-gnu", 150400, true},
        {"EnterpriseDB 9.6.2.7 on x86_64-pc-Linux", 90602, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        bool linux = !c.linux;
        const QString dotted = TfrmObject::ParseServerVersion(QString::fromLatin1(c.text), &linux);
        EXPECT_EQ(TfrmObject::VersionNumber(dotted), c.version) << dotted.toStdString();
        EXPECT_EQ(linux, c.linux);
    }
}

TEST(ServerVersion, DottedNumbers)
{
    EXPECT_EQ(TfrmObject::VersionNumber(QStringLiteral("10")), 100000);
    EXPECT_EQ(TfrmObject::VersionNumber(QStringLiteral("10.0")), 100000);
    EXPECT_EQ(TfrmObject::VersionNumber(QStringLiteral("9.6.24")), 90624);
    EXPECT_EQ(TfrmObject::VersionNumber(QStringLiteral("")), 999999);
    EXPECT_EQ(TfrmObject::VersionNumber(QStringLiteral("12.x")), 999999);
    EXPECT_EQ(TfrmObject::VersionNumber(QStringLiteral("-1.2")), 999999);
}

TEST(Script, LinesOfOnlySemicolonEndStatements)
{
    EXPECT_EQ(TfrmObject::SplitScript({"create table a(x int)", " ; ", ";", "insert into a values(1)"}),
              QStringList({"create table a(x int)", "insert into a values(1)"}));
    // A line ending in ";" does not end a statement; a tab around ";" does.
    EXPECT_EQ(TfrmObject::SplitScript({"begin", "  x := 1;", "END;", "\t;\t", "select 1"}),
              QStringList({"begin\n  x := 1;\nEND;", "select 1"}));
    EXPECT_TRUE(TfrmObject::SplitScript({";", "", "  ", ";", ""}).isEmpty());
    EXPECT_TRUE(TfrmObject::SplitScript({}).isEmpty());
}

TEST(StatusMessages, LoopAndObjectCountTexts)
{
    const QString esc = QStringLiteral(" [ESC]キーを押すと処理を中断");
    EXPECT_EQ(TfrmMain::LoopMessageText(0, 0), esc);
    EXPECT_EQ(TfrmMain::LoopMessageText(3, 0), QStringLiteral("3件処理中...") + esc);
    EXPECT_EQ(TfrmMain::LoopMessageText(0, 5), QStringLiteral("0 / 5") + esc);
    EXPECT_EQ(TfrmMain::LoopMessageText(3, -1), QStringLiteral("3件処理中...") + esc);
    EXPECT_EQ(TfrmMain::LoopMessageText(12345, 67890), QStringLiteral("12345 / 67890") + esc);
    EXPECT_EQ(TfrmMain::DefMessageText(1200, 0), QStringLiteral("1200個のオブジェクトがあります。"));
    EXPECT_EQ(TfrmMain::DefMessageText(5, 2), QStringLiteral("5個中 2個のオブジェクトを選択中。"));
}

TEST(SchemaInfo, QueryText)
{
    EXPECT_EQ(TfrmObject::SchemaInfoSQL(false, false, 150000),
              QStringLiteral(" SELECT nspname AS \"schema_name\" FROM pg_namespace WHERE ( NOT(nspname LIKE 'pg\\_%') OR "
                             "nspname = 'pg_catalog' ) ORDER BY 1"));
    EXPECT_TRUE(TfrmObject::SchemaInfoSQL(true, true, 90100).contains(
        QStringLiteral("'pg\\_toast\\_temp%')) AND ( NOT(nspparent != 0)  ) ORDER BY 1")));
    EXPECT_TRUE(TfrmObject::SchemaInfoSQL(false, true, 90200).contains(
        QStringLiteral(" AND ( NOT((nspparent != 0) AND (nspobjecttype = 0)) ) ORDER BY 1")));
}
