// The text work of the source and aggregate windows without a server: the
// signature that decides whether a compile closes the window, templates,
// renaming inside the text, script rewriting, the aggregate's DDL and the
// composite type's layout.
#include "common/tvOption.h"
#include "objects/other/AggregateDefinition.h"
#include "objects/other/SourceText.h"
#include "objects/other/TypeSource.h"
#include "objects/other/frmSource.h"

#include <gtest/gtest.h>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

QStringList FunctionDef(const QString &header, const QString &returns)
{
    return {header, QStringLiteral(" RETURNS ") + returns, QStringLiteral(" LANGUAGE plpgsql"),
            QStringLiteral("AS $function$"), QStringLiteral("BEGIN RETURN 1; END"), QStringLiteral("$function$"),
            QStringLiteral(";")};
}

} // namespace

TEST(SourceSignature, NameArgumentsAndResultButNotTheBody)
{
    const QString base = SourceText::Signature(
        FunctionDef(QStringLiteral("CREATE OR REPLACE FUNCTION s1.f(p integer)"), QStringLiteral("integer")),
        QStringLiteral("FUNCTION"));
    EXPECT_EQ(base, QStringLiteral("S1.F(PINTEGER)  RETURNS INTEGER LANGUAGE PLPGSQL"));

    struct Case {
        const char *what;
        QStringList lines;
        bool same;
    };
    QStringList body = FunctionDef(QStringLiteral("CREATE OR REPLACE FUNCTION s1.f(p integer)"),
                                   QStringLiteral("integer"));
    body[4] = QStringLiteral("BEGIN RETURN 2; END");
    QStringList blanks = body;
    blanks[0] = QStringLiteral("create or replace function s1.f( p\tinteger )");
    const Case cases[] = {
        {"body only", body, true},
        {"blanks and letter case of the header", blanks, true},
        {"argument type", FunctionDef(QStringLiteral("CREATE OR REPLACE FUNCTION s1.f(p bigint)"),
                                      QStringLiteral("integer")), false},
        {"name", FunctionDef(QStringLiteral("CREATE OR REPLACE FUNCTION s1.f2(p integer)"),
                             QStringLiteral("integer")), false},
        {"result", FunctionDef(QStringLiteral("CREATE OR REPLACE FUNCTION s1.f(p integer)"),
                               QStringLiteral("bigint")), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SourceText::Signature(c.lines, QStringLiteral("FUNCTION")) == base, c.same) << c.what;

    // The header over two lines; "IS" and a TAB end it like "IS" and a blank.
    EXPECT_EQ(SourceText::Signature({QStringLiteral("CREATE"), QStringLiteral("PACKAGE p1"),
                                     QStringLiteral("IS\tx")},
                                    QStringLiteral("PACKAGE")),
              SourceText::Signature({QStringLiteral("CREATE PACKAGE p1"), QStringLiteral("IS x")},
                                    QStringLiteral("PACKAGE")));
    EXPECT_EQ(SourceText::Signature({QStringLiteral("CREATE PACKAGE p1"), QStringLiteral("IS\tx")},
                                    QStringLiteral("PACKAGE")),
              QStringLiteral("P1 "));
    // No header, or no marker after it: empty.
    EXPECT_EQ(SourceText::Signature({QStringLiteral("SELECT 1")}, QStringLiteral("FUNCTION")), QString());
    EXPECT_EQ(SourceText::Signature({QStringLiteral("CREATE FUNCTION f()"), QStringLiteral("RETURNS int")},
                                    QStringLiteral("FUNCTION")),
              QString());
}

TEST(SourceTemplate, NewObjectsStartFromTheirKindsTemplate)
{
    const QString s = QStringLiteral("\"s1\""), n = QStringLiteral("\"nf\"");
    struct Case {
        int code;
        QString first;
        int lines;
    };
    const Case cases[] = {
        {52, QStringLiteral("CREATE FUNCTION \"s1\".\"nf\"() /* (引数, 引数...) */"), 22},
        {51, QStringLiteral("CREATE PROCEDURE \"s1\".\"nf\"() /* (引数, 引数...) */"), 21},
        {53, QStringLiteral("CREATE PACKAGE \"s1\".\"nf\""), 30},
        {55, QStringLiteral("CREATE TYPE \"s1\".\"nf\""), 40},
    };
    for (const Case &c : cases) {
        const QStringList t = SourceText::Template(c.code, s, n);
        ASSERT_FALSE(t.isEmpty()) << c.code;
        EXPECT_EQ(t.first(), c.first) << c.code;
        EXPECT_EQ(t.size(), c.lines) << c.code;
    }
    EXPECT_EQ(SourceText::Template(52, s, n).at(1), QStringLiteral("RETURNS -- 戻り値のデータ型"));
    EXPECT_EQ(SourceText::Template(53, s, n).at(11), QStringLiteral("CREATE PACKAGE BODY \"s1\".\"nf\""));

    // Renaming a package renames its head and its body; a function only its header.
    QStringList pkg = SourceText::Template(53, s, n);
    EXPECT_TRUE(SourceText::RenameFirst(pkg, QStringLiteral(".\"nf\""), QStringLiteral(".\"p2\""), true));
    EXPECT_EQ(pkg.at(0), QStringLiteral("CREATE PACKAGE \"s1\".\"p2\""));
    EXPECT_EQ(pkg.at(11), QStringLiteral("CREATE PACKAGE BODY \"s1\".\"p2\""));
    QStringList fn = {QStringLiteral("CREATE FUNCTION \"S1\".f()"), QStringLiteral("-- \"s1\".f again")};
    EXPECT_TRUE(SourceText::RenameFirst(fn, QStringLiteral("\"s1\"."), QStringLiteral("\"s2\"."), false));
    EXPECT_EQ(fn, (QStringList{"CREATE FUNCTION \"s2\".f()", "-- \"s1\".f again"}));
    EXPECT_FALSE(SourceText::RenameFirst(fn, QStringLiteral("\"zz\"."), QStringLiteral("\"s2\"."), false));
}

TEST(SourceScript, TheNameLinesSchemaFollowsTheScriptOption)
{
    const QStringList def = {QStringLiteral("CREATE OR REPLACE FUNCTION s1.f(p s1.t)"),
                             QStringLiteral(" RETURNS s1.t"), QStringLiteral(";")};
    QStringList none = def;
    SourceText::ScriptRewrite(none, QStringLiteral("s1"), QStringLiteral("f"), QString());
    EXPECT_EQ(none, (QStringList{"CREATE OR REPLACE FUNCTION f(p s1.t)", " RETURNS s1.t", ";"}));
    QStringList quoted = def;
    SourceText::ScriptRewrite(quoted, QStringLiteral("s1"), QStringLiteral("f"), QStringLiteral("\"s1\"."));
    EXPECT_EQ(quoted.first(), QStringLiteral("CREATE OR REPLACE FUNCTION \"s1\".f(p s1.t)"));
}

TEST(SourceSQL, PackagesReadTheirSourcesFromThePackageCatalog)
{
    const QString sql = TfrmSource::SourceSQL(53, 150000);
    EXPECT_TRUE(sql.startsWith(QStringLiteral(" SELECT pac.pkgheadsrc , pac.pkgbodysrc , pac.oid FROM ") +
                               EdbPackageSubquery(150000) + QStringLiteral(" pac LEFT JOIN pg_namespace nsp")));
    EXPECT_TRUE(sql.endsWith(QStringLiteral(" AND nsp.nspname = :SCHEMA AND pac.pkgname = :OBJNAME")));
    EXPECT_TRUE(TfrmSource::SourceSQL(52, 150000).contains(QStringLiteral("pg_get_functiondef(p.oid)")));
}

namespace {

TFuncArgument Arg(const char *mode, const char *name, const char *type, bool order = false)
{
    TFuncArgument a;
    a.strMode = QString::fromLatin1(mode);
    a.strArgName = QString::fromLatin1(name);
    a.strTypeNaCon = QString::fromLatin1(type);
    a.blnOrder = order;
    return a;
}

} // namespace

TEST(AggregateDDL, HeaderClausesByKindAndQuotedValues)
{
    tvOption.UseLowerName = true;
    EXPECT_EQ(AggregateDDL::ArgumentList({Arg("i", "", "double precision"), Arg("i", "", "anyelement", true)}),
              QStringLiteral("double precision ORDER BY anyelement"));
    EXPECT_EQ(AggregateDDL::ArgumentList({Arg("i", "a", "integer"), Arg("v", "x", "integer[]")}),
              QStringLiteral("\"a\" integer, VARIADIC \"x\" integer[]"));

    TRecAgrInf d;
    d.Kind = QStringLiteral("n");
    d.SfuncNm = QStringLiteral("acc");
    d.SfuncSchema = QStringLiteral("other");
    d.SType = QStringLiteral("integer");
    d.InitCond = QStringLiteral("it's");
    d.MsFuncNm = QStringLiteral("int4pl");
    d.MsFuncSchema = QStringLiteral("pg_catalog");
    d.MinVFuncNm = QStringLiteral("int4mi");
    d.MinVFuncSchema = QStringLiteral("pg_catalog");
    d.MSType = QStringLiteral("integer");
    d.SortOption = QStringLiteral(">");
    QStringList lines;
    AggregateDDL::Create(d, {Arg("i", "", "integer")}, QStringLiteral("\"s1\"."), QStringLiteral("ag"), lines);
    EXPECT_EQ(lines, (QStringList{"CREATE AGGREGATE \"s1\".\"ag\"(integer)", "(",
                                  "  SFUNC         = \"other\".\"acc\"", ", STYPE         = integer",
                                  ", INITCOND      = 'it''s'", ", MSFUNC        = \"pg_catalog\".\"int4pl\"",
                                  ", MINVFUNC      = \"pg_catalog\".\"int4mi\"", ", MSTYPE        = integer",
                                  ", SORTOP        = '>'", ")", ";"}));

    // Ordered-set and hypothetical-set aggregates: no moving clauses, no SORTOP.
    for (const char *kind : {"o", "h"}) {
        d.Kind = QString::fromLatin1(kind);
        lines.clear();
        AggregateDDL::Create(d, {}, QString(), QStringLiteral("ag"), lines);
        const QString text = lines.join(u'\n');
        EXPECT_FALSE(text.contains(QStringLiteral("MSFUNC"))) << kind;
        EXPECT_FALSE(text.contains(QStringLiteral("SORTOP"))) << kind;
        EXPECT_EQ(text.contains(QStringLiteral(", HYPOTHETICAL")), d.Kind == u"h") << kind;
    }
    EXPECT_EQ(AggregateDDL::Drop(QStringLiteral("s1"), QStringLiteral("ag"), QStringLiteral("integer")),
              QStringLiteral(" DROP AGGREGATE \"s1\".\"ag\"(integer)"));

    const QStringList t = AggregateDDL::Template(QStringLiteral("\"s1\""), QStringLiteral("\"n\""));
    EXPECT_EQ(t.filter(QStringLiteral("CREATE AGGREGATE \"s1\".\"n\"")).size(), 3);
    EXPECT_EQ(t.last(), QStringLiteral(")"));
}

TEST(TypeSource, AttributeLinesLineUpTheirTypes)
{
    tvOption.UseLowerName = true;
    EXPECT_EQ(TypeSource::AttributeLine(QStringLiteral("a"), QStringLiteral("integer"), false),
              QStringLiteral("    \"a\"") + QString(27, u' ') + QStringLiteral("integer,"));
    EXPECT_EQ(TypeSource::AttributeLine(QStringLiteral("bb"), QStringLiteral("character varying(10)"), true),
              QStringLiteral("    \"bb\"") + QString(26, u' ') + QStringLiteral("character varying(10)"));
    // A name of 30 characters or more gets no padding.
    const QString longName(30, u'x');
    EXPECT_EQ(TypeSource::AttributeLine(longName, QStringLiteral("text"), true),
              QStringLiteral("    \"") + longName + QStringLiteral("\"text"));
}
