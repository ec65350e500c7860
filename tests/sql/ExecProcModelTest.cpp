// The call statement and the report lines of a stored-program run, built
// from the parameter tree without a server.
#include "common/tvOption.h"
#include "sql/ExecProcModel.h"

#include <gtest/gtest.h>

namespace {

TExecNode Node(const QString &name, const QString &value, int image = kExecImgIn, int level = 0, bool composite = false,
               bool array = false)
{
    TExecNode n;
    n.Name = name;
    n.Value = value;
    n.Image = image;
    n.Level = level;
    n.Composite = composite;
    n.Array = array;
    return n;
}

TExecTarget Target(int type, const QString &name = QStringLiteral("f"))
{
    TExecTarget t;
    t.Schema = QStringLiteral("s");
    t.Name = name;
    t.ObjType = type;
    t.ServerVersion = 150000;
    return t;
}

} // namespace

TEST(ExecProcCall, StatementsByKindOfProgramAndValue)
{
    tvOption.UseLowerName = true;
    const TExecNode result = Node("RESULT", "", kExecImgResult);
    struct Case {
        const char *what;
        TExecTarget target;
        std::vector<TExecNode> nodes;
        QStringList expected;
    } cases[] = {
        {"function with values", Target(52, "add_tax"), {result, Node("p", "100"), Node("rate", "0.2")},
         {"SELECT * ", "  FROM \"s\".\"add_tax\"(100, 0.2)"}},
        {"empty value is NULL, empty array '{ NULL }', array wrapped",
         Target(52),
         {result, Node("a", ""), Node("b", "", kExecImgIn, 0, false, true), Node("c", "1,2", kExecImgIn, 0, false, true)},
         {"SELECT * ", "  FROM \"s\".\"f\"(NULL, '{ NULL }', ARRAY[1,2])"}},
        {"composite from its attributes, the next argument still passed",
         Target(52),
         {result, Node("r", "", kExecImgIn, 0, true), Node("x", "1", kExecImgIn, 1), Node("y", "", kExecImgIn, 1),
          Node("z", "'q'")},
         {"SELECT * ", "  FROM \"s\".\"f\"((1, NULL), 'q')"}},
        {"OUT and TABLE columns take no value; IN/OUT of blanks is NULL",
         Target(52),
         {result, Node("a", "1"), Node("o", "9", kExecImgOut), Node("b", "  ", kExecImgInOut)},
         {"SELECT * ", "  FROM \"s\".\"f\"(1, NULL)"}},
        {"procedure without arguments", Target(51, "p0"), {},
         {"DO $$", "BEGIN", "CALL \"s\".\"p0\"();", "END", "$$;"}},
        {"procedure whose value holds the dollar tag", Target(51, "p"), {Node("t", "$$x$$")},
         {"DO $tv$", "BEGIN", "CALL \"s\".\"p\"($$x$$);", "END", "$tv$;"}},
        {"procedure with IN/OUT: top-level CALL, NULL for OUT", Target(51, "bump"),
         {Node("n", "5", kExecImgInOut), Node("k", "2"), Node("o", "", kExecImgOut)},
         {"CALL \"s\".\"bump\"(5, 2)"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ExecProc::BuildCallStatement(c.target, c.nodes), c.expected) << c.what;

    // A result of an array type is listed one element a line.
    TExecNode arrayResult = result;
    arrayResult.Array = true;
    EXPECT_EQ(ExecProc::BuildCallStatement(Target(52, "ids"), {arrayResult}),
              (QStringList{"SELECT array_to_string(\"ids\",  '\r\n')", "  FROM \"s\".\"ids\"()"}));

    // An old server or EnterpriseDB keeps the block for a procedure with IN/OUT.
    TExecTarget old = Target(51, "bump");
    old.ServerVersion = 100000;
    EXPECT_EQ(ExecProc::BuildCallStatement(old, {Node("n", "5", kExecImgInOut)}).first(), QStringLiteral("DO $$"));
}

TEST(ExecProcCall, ModesAndNoticeIds)
{
    EXPECT_EQ(ExecProc::ImageOfMode(ExecProc::ModeOfLetter("t")), kExecImgOut);
    EXPECT_EQ(ExecProc::ImageOfMode(ExecProc::ModeOfLetter("o")), kExecImgOut);
    EXPECT_EQ(ExecProc::ImageOfMode(ExecProc::ModeOfLetter("b")), kExecImgInOut);
    EXPECT_EQ(ExecProc::ImageOfMode(ExecProc::ModeOfLetter("v")), kExecImgIn);
    EXPECT_EQ(ExecProc::SplitLines("a\r\n\r\nb"), (QStringList{"a", "", "b"}));
    EXPECT_TRUE(ExecProc::SplitLines("").isEmpty());
    EXPECT_EQ(ExecProc::BreakIdOfNotice("NOTICE:  PLDBGBREAK:12"), 12);
    EXPECT_EQ(ExecProc::BreakIdOfNotice("NOTICE:  something else"), 0);
}

TEST(ExecProcOutput, LinesByRole)
{
    ExecProc::TResultRows rows;
    rows.Columns = {"id", "amount"};
    rows.Rows = {{"1", "10"}, {"2", "20"}};
    // A function: every field of every row on the result line; typed values
    // for the rest; attributes read parent.attribute, composites no line.
    const std::vector<TExecNode> nodes{Node("RESULT", "", kExecImgResult), Node("cid", "1"),
                                       Node("r", "", kExecImgIn, 0, true), Node("x", "3", kExecImgIn, 1),
                                       Node("", "4", kExecImgIn, 1)};
    EXPECT_EQ(ExecProc::OutputLines(Target(52), nodes, rows),
              (QStringList{"【 実行後パラメータ値 】", "RESULT : 1\t10\t2\t20", "cid : 1", "r.x : 3", "r(i) : 4"}));

    // A procedure called at the top level: each OUT and IN/OUT line takes the
    // column of its name.
    ExecProc::TResultRows call;
    call.Columns = {"n", "o"};
    call.Rows = {{"7", "x"}};
    EXPECT_EQ(ExecProc::OutputLines(Target(51, "bump"),
                                    {Node("n", "5", kExecImgInOut), Node("k", "2"), Node("o", "", kExecImgOut)}, call),
              (QStringList{"【 実行後パラメータ値 】", "n : 7", "k : 2", "o : x"}));
    // In a block nothing comes back.
    EXPECT_EQ(ExecProc::OutputLines(Target(51, "p"), {Node("a", "1")}, {}),
              (QStringList{"【 実行後パラメータ値 】", "a : 1"}));
}

TEST(ExecProcCatalog, PackageStatementsAsText)
{
    // EnterpriseDB packages cannot run here: their statements are checked as text.
    const QString args = ExecProc::PackageArgumentSQL(150000);
    EXPECT_TRUE(args.contains("WHERE pronamespace IN (SELECT oid FROM pg_namespace WHERE nspparent != 0)"));
    EXPECT_TRUE(args.contains("DECODE(protype,'0','F','1','P' ) AS eltclass"));
    EXPECT_TRUE(args.contains("AND \"edb_pkg_prc\".eltdatatype::varchar || ',' || \"edb_pkg_prc\".org_argtypes::varchar "
                              "= :SUB_PROGRAM_KEY"));
    const QString subs = ExecProc::SubProgramSQL(150000);
    EXPECT_TRUE(subs.startsWith("SELECT ele.eltname, ele.eltdatatype::VARCHAR, ele.argtypes::VARCHAR"));
    EXPECT_TRUE(subs.contains("AND eltclass <> 'V'"));
    EXPECT_TRUE(subs.endsWith("ORDER BY 1"));
    EXPECT_TRUE(ExecProc::PackageOidSQL(150000).startsWith(" SELECT pac.oid FROM"));
    EXPECT_TRUE(ExecProc::PackageOidSQL(150000).endsWith(" WHERE nsp.nspname = :schema AND pac.pkgname = :name"));
    EXPECT_EQ(ExecProc::MemberOidSQL(), QStringLiteral("SELECT oid FROM pg_proc WHERE pronamespace = :pkgoid and "
                                                       "proname = :proname and proargtypes::VARCHAR = :proargtypes"));
    // A package member's call: package and member quoted apart.
    TExecTarget t;
    t.Schema = "s";
    t.Name = "pkg";
    t.SubProgram = "run";
    t.ObjType = 53;
    t.SubObjType = 51;
    t.IsEdb = true;
    t.ServerVersion = 150000;
    TExecNode n;
    n.Name = "a";
    n.Value = "1";
    n.Image = kExecImgInOut;
    EXPECT_EQ(ExecProc::BuildCallStatement(t, {n}),
              (QStringList{"DO $$", "BEGIN", "CALL \"s\".\"pkg\".\"run\"(1);", "END", "$$;"}));
}
