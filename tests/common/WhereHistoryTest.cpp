#include "OptionGuard.h"
#include "common/WhereHistory.h"
#include "common/tvMemIniFile.h"
#include "support/ScratchDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// The history tests write UTF-8 files (the default encoding).
class WhereHistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tvOption.TempDir = scratch.path() + "/work/temp/";
        tvOption.Encoding = 2;
    }
    QString readFile(const QString &name) const
    {
        QFile f(tvOption.TempDir + name);
        if (!f.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromUtf8(f.readAll());
    }
    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(tvOption.TempDir);
        QFile f(tvOption.TempDir + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    tvtest::OptionGuard guard;
    tvtest::ScratchDir scratch;
};

} // namespace

TEST_F(WhereHistoryTest, SaveThenLoadKeepsOrder)
{
    const QStringList conditions = {"deptno = 10", "ename like 'S%'", QStringLiteral("名前 = '山田'")};
    ASSERT_TRUE(SaveWhereHistory("public", "emp", conditions));
    EXPECT_TRUE(QFileInfo::exists(tvOption.TempDir + "public.emp.ini"));
    EXPECT_EQ(readFile("public.emp.ini"),
              QStringLiteral("[WHERE]\n00=deptno = 10\n01=ename like 'S%'\n02=名前 = '山田'\n"));
    QStringList loaded{"stale"};
    LoadWhereHistory("public", "emp", loaded);
    EXPECT_EQ(loaded, conditions);
}

TEST_F(WhereHistoryTest, ShorterSaveKeepsOlderKeys)
{
    ASSERT_TRUE(SaveWhereHistory("s", "t", {"a1", "a2", "a3", "a4", "a5"}));
    ASSERT_TRUE(SaveWhereHistory("s", "t", {"b1", "b2"}));
    QStringList loaded;
    LoadWhereHistory("s", "t", loaded);
    EXPECT_EQ(loaded, QStringList({"b1", "b2", "a3", "a4", "a5"}));
}

TEST_F(WhereHistoryTest, OnlyTwentyEntriesAndGapsSkipped)
{
    QStringList many;
    for (int i = 0; i < 25; ++i)
        many << QStringLiteral("c%1").arg(i);
    ASSERT_TRUE(SaveWhereHistory("s", "t", many));
    QStringList loaded;
    LoadWhereHistory("s", "t", loaded);
    EXPECT_EQ(loaded, many.mid(0, 20));

    // Keys written by another program: other sections, letter case, a gap.
    writeFile("x.y.ini", "; note\r\n[other]\r\n00=no\r\n[where]\r\n00=first\r\n01=\r\n02= second \r\n");
    LoadWhereHistory("x", "y", loaded);
    EXPECT_EQ(loaded, QStringList({"first", " second "}));
    ASSERT_TRUE(SaveWhereHistory("x", "y", {"new"}));
    LoadWhereHistory("x", "y", loaded);
    EXPECT_EQ(loaded, QStringList({"new", " second "}));
    EXPECT_TRUE(readFile("x.y.ini").contains("[other]\n00=no\n"));
}

TEST_F(WhereHistoryTest, EmptyObjectNameAndUnsafeNames)
{
    QStringList loaded{"x"};
    LoadWhereHistory("public", "", loaded);
    EXPECT_TRUE(loaded.isEmpty());
    EXPECT_FALSE(QDir(tvOption.TempDir).exists()); // nothing touched

    ASSERT_TRUE(SaveWhereHistory("public", "", {"a"}));
    EXPECT_TRUE(QFileInfo::exists(tvOption.TempDir + "public..ini"));

    ASSERT_TRUE(SaveWhereHistory("../x", "a/b", {"c"}));
    EXPECT_TRUE(QFileInfo::exists(tvOption.TempDir + "..x.ab.ini"));
    LoadWhereHistory("../x", "a/b", loaded);
    EXPECT_EQ(loaded, QStringList({"c"}));

    // A condition with a line break stays one entry.
    ASSERT_TRUE(SaveWhereHistory("s", "nl", {"a = 1\nand b = 2", "z"}));
    LoadWhereHistory("s", "nl", loaded);
    EXPECT_EQ(loaded, QStringList({"a = 1 and b = 2", "z"}));
}

TEST_F(WhereHistoryTest, UnreadableFileIsNotOverwritten)
{
    // A folder where the history file should be: it exists but cannot be read.
    QDir().mkpath(tvOption.TempDir + "s.locked.ini");
    writeFile("s.locked.ini/inside", "keep");
    QString error;
    EXPECT_FALSE(SaveWhereHistory("s", "locked", {"new"}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readFile("s.locked.ini/inside"), "keep");
    QStringList loaded{"x"};
    LoadWhereHistory("s", "locked", loaded);
    EXPECT_TRUE(loaded.isEmpty());
}

TEST(ColumnSizeText, ByTypeName)
{
    const QVariant null;
    EXPECT_EQ(ColumnSizeText("numeric", 0, 10, 2), "10,2");
    EXPECT_EQ(ColumnSizeText("numeric", 0, 10, null), "10");
    EXPECT_EQ(ColumnSizeText("numeric", 0, null, 2), "");
    EXPECT_EQ(ColumnSizeText("varchar", 20, 99, null), "20");
    EXPECT_EQ(ColumnSizeText("character varying[]", 8, null, null), "8");
    EXPECT_EQ(ColumnSizeText("varchar[]", 8, 5, null), "5");
    EXPECT_EQ(ColumnSizeText("bit varying", null, 12, null), "12");
    EXPECT_EQ(ColumnSizeText("interval DAY TO SECOND", null, 3, null), "3");
    EXPECT_EQ(ColumnSizeText("interval", null, null, null), "");
    EXPECT_EQ(ColumnSizeText("integer", 4, 32, 0), "");
    EXPECT_EQ(ColumnSizeText("NUMERIC", 0, 10, 2), "");
}
