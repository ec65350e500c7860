// The logon switches of the command line.
#include "shell/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLine, SwitchesMatchAnyCaseAndKeepTheirValues)
{
    const TCommandLine cl = ParseCommandLine({QStringLiteral("/u=Alice"), QStringLiteral("/Ps=Pw:x="),
                                              QStringLiteral("/d=DB1"), QStringLiteral("/h=Host.Example"),
                                              QStringLiteral("/p=5433"), QStringLiteral("/s=Sales")});
    EXPECT_EQ(cl.UserID, QStringLiteral("Alice"));
    EXPECT_EQ(cl.Password, QStringLiteral("Pw:x="));
    EXPECT_EQ(cl.Database, QStringLiteral("DB1"));
    EXPECT_EQ(cl.Host, QStringLiteral("Host.Example"));
    EXPECT_EQ(cl.Port, QStringLiteral("5433"));
    EXPECT_EQ(cl.Schema, QStringLiteral("Sales"));
    EXPECT_TRUE(cl.HasUser());
}

TEST(CommandLine, LaterSwitchWinsUnknownIgnoredPortAndPasswordApart)
{
    struct Case {
        QStringList args;
        QString user, password, database, port;
    } cases[] = {
        {{"/U=a", "/D=db1", "/D=db2"}, "a", "", "db2", ""},
        {{"/U=a", "/X=1", "-D=db", "D=db", "/DB=x", "/U"}, "a", "", "", ""},
        {{"/U=a", "/P=5432"}, "a", "", "", "5432"},
        {{"/U=a", "/PS=5432"}, "a", "5432", "", ""},
        {{"/U=a", "/PS="}, "a", "", "", ""},
        {{"/U=a", "/PS=secret", "/P=1", "/PS=other"}, "a", "other", "", "1"},
        {{"/U=日本", "/D=データ"}, "日本", "", "データ", ""},
    };
    for (const Case &c : cases) {
        const TCommandLine cl = ParseCommandLine(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(cl.UserID, c.user);
        EXPECT_EQ(cl.Password, c.password);
        EXPECT_EQ(cl.Database, c.database);
        EXPECT_EQ(cl.Port, c.port);
    }
}

TEST(CommandLine, NoUserMeansNoAutomaticLogon)
{
    EXPECT_FALSE(ParseCommandLine({QStringLiteral("/D=db"), QStringLiteral("/H=h"), QStringLiteral("/PS=pw")}).HasUser());
    EXPECT_FALSE(ParseCommandLine({}).HasUser());
}
