// Statements and rewrites of the object list's actions, as text.
#include "common/tvOption.h"
#include "shell/ObjectActionSQL.h"

#include <gtest/gtest.h>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '{';
    for (const QString &s : l)
        *os << " [" << s.toStdString() << ']';
    *os << " }";
}

namespace {

struct LowerNames {
    bool saved = tvOption.UseLowerName;
    explicit LowerNames(bool on) { tvOption.UseLowerName = on; }
    ~LowerNames() { tvOption.UseLowerName = saved; }
};

TListObject Obj(int code, const char *name, const char *table = "", const char *args = "")
{
    TListObject o;
    o.ObjectType = code;
    o.Schema = QStringLiteral("public");
    o.ObjectName = QString::fromUtf8(name);
    o.TableName = QString::fromUtf8(table);
    o.Arguments = QString::fromUtf8(args);
    return o;
}

} // namespace

TEST(ObjectActionSQL, DropStatementsOfEveryKind)
{
    LowerNames lower(true);
    const struct {
        TListObject o;
        bool cascade;
        const char *sql;
    } cases[] = {
        {Obj(45, "t"), false, R"(DROP TABLE "public"."t")"},
        {Obj(45, "t"), true, R"(DROP TABLE "public"."t" CASCADE)"},
        {Obj(46, "i"), true, R"(DROP INDEX "public"."i")"},
        {Obj(47, "v"), true, R"(DROP VIEW "public"."v")"},
        {Obj(51, "p", "", "\"int4\""), false, R"(DROP PROCEDURE "public"."p"("int4"))"},
        // The cascade clause also reaches a function selected with a table.
        {Obj(52, "f", "", "\"int4\",\"text\""), true, R"(DROP FUNCTION "public"."f"("int4","text") CASCADE)"},
        {Obj(53, "pk"), true, R"(DROP PACKAGE "public"."pk" CASCADE)"},
        {Obj(55, "ty"), false, R"(DROP TYPE "public"."ty")"},
        {Obj(57, "tg", "t"), true, R"(DROP TRIGGER "tg" ON "public"."t")"},
        {Obj(58, "sq"), true, R"(DROP SEQUENCE "public"."sq")"},
        {Obj(60, "sy"), false, R"(DROP SYNONYM "public"."sy")"},
        {Obj(61, "mv"), true, R"(DROP MATERIALIZED VIEW "public"."mv" CASCADE)"},
        {Obj(66, "c", "t"), true, R"(ALTER TABLE "public"."t" DROP CONSTRAINT "c")"},
        {Obj(127, "r", "t"), false, R"(DROP RULE "r" ON "public"."t")"},
        {Obj(128, "a", "", "\"int4\""), false, R"(DROP AGGREGATE "public"."a"("int4"))"},
        {Obj(4, "s"), false, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DropObjectSQL(c.o, c.cascade), QString::fromUtf8(c.sql)) << c.sql;
}

TEST(ObjectActionSQL, RenameStatementsAndWhoMayBeRenamed)
{
    LowerNames lower(true);
    const struct {
        TListObject o;
        const char *sql;
    } cases[] = {
        {Obj(45, "t"), R"(ALTER TABLE "public"."t" RENAME TO "n")"},
        {Obj(46, "i"), R"(ALTER INDEX  "public"."i" RENAME TO "n")"},
        {Obj(51, "p", "", "\"int4\""), R"(ALTER PROCEDURE "public"."p" RENAME TO "n")"},
        {Obj(52, "f", "", "\"int4\""), R"(ALTER FUNCTION "public"."f" ("int4")  RENAME TO "n")"},
        {Obj(57, "tg", "t"), R"(ALTER TRIGGER "tg" ON "t" RENAME TO "n")"},
        {Obj(61, "mv"), R"(ALTER MATERIALIZED VIEW "public"."mv" RENAME TO "n")"},
        {Obj(66, "c", "t"), R"(ALTER TABLE "public"."t" RENAME CONSTRAINT "c" TO "n")"},
        {Obj(128, "a", "", "\"int4\""), R"(ALTER AGGREGATE "public"."a" ("int4")  RENAME TO "n")"},
        {Obj(53, "pk"), ""},
        {Obj(60, "sy"), ""},
        {Obj(127, "r", "t"), ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RenameObjectSQL(c.o, QStringLiteral("n")), QString::fromUtf8(c.sql)) << c.sql;

    EXPECT_TRUE(CanRenameObject(45, "app", "app", 150000));
    EXPECT_FALSE(CanRenameObject(45, "other", "app", 150000));
    EXPECT_FALSE(CanRenameObject(45, "App", "app", 150000)); // the schema must match exactly
    EXPECT_FALSE(CanRenameObject(127, "app", "app", 150000));
    EXPECT_FALSE(CanRenameObject(66, "app", "app", 90100));
    EXPECT_TRUE(CanRenameObject(66, "app", "app", 90200));
}

TEST(ObjectActionSQL, PasteRewritesNamesSchemasAndIndexes)
{
    LowerNames lower(false);
    TPasteRewrite r;
    r.ObjectType = 52;
    r.Schema = QStringLiteral("s");
    r.ObjectName = QStringLiteral("f");
    r.TargetSchema = QStringLiteral("u");
    r.NewName = QStringLiteral("g");
    // A function into another schema: the first line and every later line
    // that names the schema, as a whole name only ("sql" keeps its "s").
    EXPECT_EQ(RewritePasteScript({"CREATE OR REPLACE FUNCTION s.f(af integer)", "RETURNS integer AS $$",
                                  "SELECT s.helper(af) $$ LANGUAGE sql", ";"},
                                 r),
              QStringList({"CREATE OR REPLACE FUNCTION u.g(af integer)", "RETURNS integer AS $$",
                           "SELECT u.helper(af) $$ LANGUAGE sql", ";"}));

    // A typed name with capitals is quoted where the old one stood unquoted;
    // one with a blank or a double quote can never leave its identifier.
    const struct {
        bool lower;
        const char *first, *newName, *result;
    } names[] = {
        {false, "CREATE FUNCTION s.f(a integer)", "NewF", R"(CREATE FUNCTION u."NewF"(a integer))"},
        {false, "CREATE FUNCTION s.f(a integer)", "x; DROP TABLE t", R"(CREATE FUNCTION u."x; DROP TABLE t"(a integer))"},
        {true, R"(CREATE FUNCTION "s"."f"(a integer))", R"(a"b)", R"(CREATE FUNCTION "u"."a""b"(a integer))"},
        {true, R"(CREATE FUNCTION "s"."f"(a integer))", "g", R"(CREATE FUNCTION "u"."g"(a integer))"},
    };
    for (const auto &n : names) {
        LowerNames mode(n.lower);
        r.NewName = QString::fromUtf8(n.newName);
        EXPECT_EQ(RewritePasteScript({QString::fromUtf8(n.first)}, r), QStringList({QString::fromUtf8(n.result)}))
            << n.first << " / " << n.newName;
    }


    // A table: the first line is rebuilt, key and index names follow the
    // answers, the index's table line moves, and the rows follow.
    LowerNames quoted(true);
    TPasteRewrite t{45, "public", "t", "public", "t2", {{"t_pkey", "t2_pkey"}, {"t_v", "t2_v"}}, true};
    EXPECT_EQ(RewritePasteScript({R"(CREATE TABLE "public"."t2" ()", R"(  "id" integer,)",
                                  R"(  CONSTRAINT "t_pkey" PRIMARY KEY ("id"))", ")", ";",
                                  R"(CREATE INDEX "t_v")", R"(ON "public"."t" ("v"))", ";"},
                                 t),
              QStringList({R"(CREATE TABLE "public"."t2" ()", R"(  "id" integer,)",
                           R"(  CONSTRAINT "t2_pkey" PRIMARY KEY ("id"))", ")", ";", R"(CREATE INDEX "t2_v")",
                           R"(ON "public"."t2" ("v"))", ";",
                           R"(INSERT INTO "public"."t2" SELECT * FROM "public"."t")"}));
    // A sequence written under its old name on a line of its own.
    TPasteRewrite seq{58, "public", "sq", "app", "sq2", {}, false};
    EXPECT_EQ(RewritePasteScript({R"(CREATE SEQUENCE "public"."sq")", "INCREMENT BY 1"}, seq),
              QStringList({R"(CREATE SEQUENCE "app"."sq2")", "INCREMENT BY 1"}));
    TPasteRewrite rule{127, "public", "r", "public", "r2", {}, false};
    EXPECT_EQ(RewritePasteScript({"CREATE RULE r AS", "ON INSERT TO t DO NOTHING"}, rule),
              QStringList({R"(CREATE RULE "r2" AS )", "ON INSERT TO t DO NOTHING"}));
    EXPECT_TRUE(RewritePasteScript({}, t).isEmpty());
}

TEST(ObjectActionSQL, ScriptPathsAndTargetSchema)
{
    EXPECT_EQ(ScriptFileName("t", 45, true), QStringLiteral("t.SQL"));
    EXPECT_EQ(ScriptFileName("pk", 54, false), QStringLiteral("pkB.SQL"));
    EXPECT_EQ(ScriptFileName("pk", 54, true), QStringLiteral("pk.SQL"));
    EXPECT_EQ(ScriptFileName("a/b", 45, true), QStringLiteral("ab.SQL"));
    EXPECT_EQ(ScriptFilePath("/o/", "s", "TABLE", "t.SQL", true, true), QStringLiteral("/o/s/TABLE/t.SQL"));
    EXPECT_EQ(ScriptFilePath("/o/", "s", "TABLE", "t.SQL", true, false), QStringLiteral("/o/TABLE/s/t.SQL"));
    EXPECT_EQ(ScriptFilePath("/o/", "s", "TABLE", "t.SQL", false, true), QStringLiteral("/o/t.SQL"));
    EXPECT_EQ(ScriptFilePath("/o/", "..", "TABLE", "t.SQL", true, true), QStringLiteral("/o/__/TABLE/t.SQL"));

    const struct {
        int image;
        bool kindFirst;
        const char *target;
    } nodes[] = {{4, false, "node"}, {126, true, "node"}, {1, false, "user"}, {45, true, "user"}, {45, false, "parent"}};
    for (const auto &n : nodes)
        EXPECT_EQ(PasteTargetSchema(n.image, "node", "parent", n.kindFirst, "user"), QString::fromUtf8(n.target))
            << n.image;
}
