// The rule model without a widget: the split of the server's rule text,
// the DDL, and (against the server) a load and recompile that gives the
// server back the same rule.
#include "support/DbTestSupport.h"
#include "common/tvOption.h"
#include "objects/other/RuleDefinition.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "support/TestDb.h"

#include <gtest/gtest.h>

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

using dbtest::paramsOf;

} // namespace

TEST(RuleText, SplitsAtKeywordsOutsideLiteralsNamesAndParentheses)
{
    struct Case {
        const char *text;
        const char *event;
        bool instead;
        const char *condition;
        const char *actions;
    };
    const Case cases[] = {
        {"CREATE RULE r AS\n    ON UPDATE TO s.t\n   WHERE (new.a > 0) DO INSTEAD NOTHING;", "UPDATE", true,
         "new.a > 0", "NOTHING;"},
        {"CREATE RULE r AS\n    ON UPDATE TO s.t\n   WHERE (new.s = ' DO '::text) DO INSTEAD NOTHING;", "UPDATE",
         true, "new.s = ' DO '::text", "NOTHING;"},
        {"CREATE RULE \" WHERE \" AS\n    ON INSERT TO s.\" DO \" DO  NOTIFY ch;", "INSERT", false, "", "NOTIFY ch;"},
        {"CREATE RULE r AS\n    ON UPDATE TO s.t\n   WHERE (lower(new.s) = 'x'::text) DO  NOTIFY ch;", "UPDATE",
         false, "lower(new.s) = 'x'::text", "NOTIFY ch;"},
        {"CREATE RULE r AS\n    ON UPDATE TO s.t\n   WHERE (new.a > 0) AND (new.b > 0) DO  NOTIFY ch;", "UPDATE",
         false, "(new.a > 0) AND (new.b > 0)", "NOTIFY ch;"},
        {"CREATE RULE r AS\n    ON DELETE TO s.t\n   WHERE new.flag DO INSTEAD ( NOTIFY a;\n NOTIFY b;\n);",
         "DELETE", true, "new.flag", "( NOTIFY a;\n NOTIFY b;\n);"},
        {" SELECT t.a\n   FROM s.t;", "SELECT", true, "", " SELECT t.a\n   FROM s.t;"},
    };
    for (const Case &c : cases) {
        const TRuleParts p =
            SplitRuleDefinition(QString::fromUtf8(c.text), QString::fromLatin1(c.event), c.instead);
        EXPECT_EQ(p.Condition, QString::fromUtf8(c.condition)) << c.text;
        EXPECT_EQ(p.Actions, QString::fromUtf8(c.actions)) << c.text;
    }
}

TEST(RuleDDL, CreateAndDrop)
{
    TRuleDefinition d;
    d.Schema = QStringLiteral("s");
    d.TableName = QStringLiteral("t");
    d.Name = QStringLiteral("r");
    d.Event = QStringLiteral("UPDATE");
    QStringList lines;
    RuleDDL::Create(d, QStringLiteral("\"s\"."), lines);
    EXPECT_EQ(lines, (QStringList{"CREATE OR REPLACE RULE \"r\" AS", "ON UPDATE TO \"s\".\"t\"", "DO ", "NOTHING",
                                  ";"}));
    lines.clear();
    RuleDDL::Drop(QStringLiteral("s"), QStringLiteral("t"), QStringLiteral("r"), true, lines);
    EXPECT_EQ(lines, (QStringList{"DROP RULE \"r\" ON \"s\".\"t\" CASCADE", ";"}));
}

class RuleDb : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<tvtest::TestDb>("rul");
        if (!db->available())
            return;
        db->exec("CREATE SCHEMA s;"
                 "CREATE TABLE s.t (a int, s text);"
                 "CREATE TABLE s.log (a int);"
                 "CREATE RULE r AS ON UPDATE TO s.t WHERE (new.a > 0) DO INSTEAD NOTHING;"
                 "CREATE RULE r2 AS ON UPDATE TO s.t WHERE (new.s = ' DO ') DO ALSO INSERT INTO s.log VALUES (new.a);");
        conn = std::make_unique<tv::db::Connection>(paramsOf(*db));
        conn->Open();
    }
    std::unique_ptr<tvtest::TestDb> db;
    std::unique_ptr<tv::db::Connection> conn;
};

// An unchanged rule recompiles to the server's same text.
TEST_F(RuleDb, LoadsAndRecompilesToTheSameRule)
{
    TV_REQUIRE_DB(*db);
    tv::db::Query q(conn.get());
    const std::optional<TRuleDefinition> r = LoadRuleDefinition(q, "s", "t", "r");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Event, QStringLiteral("UPDATE"));
    EXPECT_TRUE(r->Instead);
    EXPECT_EQ(r->Condition, QStringLiteral("new.a > 0"));
    EXPECT_EQ(r->Actions, QStringLiteral("NOTHING;"));
    QStringList lines;
    RuleDDL::Drop(r->Schema, r->TableName, r->Name, false, lines);
    RuleDDL::Create(*r, QStringLiteral("\"s\"."), lines);
    EXPECT_EQ(lines, (QStringList{"DROP RULE \"r\" ON \"s\".\"t\"", ";", "CREATE OR REPLACE RULE \"r\" AS",
                                  "ON UPDATE TO \"s\".\"t\"", "WHERE", "new.a > 0", "DO INSTEAD", "NOTHING;", ";"}));

    for (const char *name : {"r", "r2"}) {
        const std::string sql = "SELECT definition FROM pg_rules WHERE rulename = '" + std::string(name) + "'";
        const std::string before = db->scalar(sql);
        const std::optional<TRuleDefinition> d = LoadRuleDefinition(q, "s", "t", QString::fromLatin1(name));
        ASSERT_TRUE(d) << name;
        QStringList ddl;
        RuleDDL::Drop(d->Schema, d->TableName, d->Name, false, ddl);
        RuleDDL::Create(*d, QStringLiteral("\"s\"."), ddl);
        const QString text = ddl.join(u'\n').replace(QStringLiteral("\n;"), QStringLiteral("\n;\n"));
        db->exec(text.toStdString());
        EXPECT_EQ(db->scalar(sql), before) << name << "\n" << text.toStdString();
    }
    EXPECT_FALSE(LoadRuleDefinition(q, "s", "t", "nothing"));
}
