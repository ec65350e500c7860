#include "shell/WindowLaunchers.h"

#include <QWidget>
#include <gtest/gtest.h>

TEST(WindowLaunchers, RegisterLaunchReplaceAndUnregister)
{
    const QString name = "actTestLaunch";
    EXPECT_FALSE(HasLauncher(name));
    EXPECT_EQ(Launch(name, {}), nullptr);

    QWidget a, b;
    QString seen;
    RegisterLauncher(name, [&](const TLaunchContext &c) { seen = c.Argument; return &a; });
    EXPECT_TRUE(HasLauncher("ACTTESTLAUNCH"));
    TLaunchContext ctx;
    ctx.Argument = "x.sql";
    EXPECT_EQ(Launch("acttestlaunch", ctx), &a);
    EXPECT_EQ(seen, "x.sql");

    RegisterLauncher(name, [&](const TLaunchContext &) { return &b; });
    EXPECT_EQ(Launch(name, {}), &b);

    RegisterLauncher(name, {});
    EXPECT_FALSE(HasLauncher(name));
    EXPECT_EQ(Launch(name, {}), nullptr);
}
