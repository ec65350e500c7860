// The query builder's design without widgets: aliases, the statement texts
// it writes, reading texts back, alias renaming, the join line's geometry,
// hit test and label.
#include "../common/OptionGuard.h"

#include "common/SQLParser.h"
#include "common/tvOption.h"
#include "sql/SQLDesignModel.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QRegularExpression>

namespace {

// Blanks and line breaks folded, so tests read the statement, not the layout.
QString Flat(QString s)
{
    s.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
    s.replace(QRegularExpression(QStringLiteral(" ?, ?")), QStringLiteral(", "));
    return s.trimmed();
}

class Design : public ::testing::Test {
protected:
    void SetUp() override
    {
        tvOption.UseLowerName = true;
        d.DefSchema = QStringLiteral("public");
    }
    // The catalog of the fixture: emp and dept.
    TSQLDesignTable *Add(const QString &name, const QString &alias = QString())
    {
        static const QMap<QString, QStringList> cols{
            {QStringLiteral("emp"), {"empno", "ename", "deptno", "sal"}},
            {QStringLiteral("dept"), {"deptno", "dname"}},
        };
        QString schema = QStringLiteral("public"), table = name;
        if (name.contains(QLatin1Char('.'))) {
            schema = name.section(QLatin1Char('.'), 0, 0);
            table = name.section(QLatin1Char('.'), 1);
        }
        QStringList used;
        for (const auto &t : d.Tables)
            used << t->Alias();
        const bool sel = d.SQLType == sqltSelect || d.SQLType == sqltCreateView;
        TSQLDesignTable *t = d.AddTable(schema, table, alias.isNull() && sel ? sqldesign::NewAlias(used) : alias, false);
        if (sel)
            t->Columns << QStringLiteral("*");
        t->Columns << cols.value(table);
        return t;
    }
    void Read(const QString &text)
    {
        d.Clear();
        d.SQLToDesign(text, [this](const QString &name, const QString &alias) { return Add(name, alias); });
    }
    tvtest::OptionGuard guard;
    TSQLDesign d;
};

} // namespace

TEST(SQLDesignAlias, SequenceSkipsUsedAliases)
{
    QStringList used;
    QStringList got;
    for (int i = 0; i < 53; ++i) {
        got << sqldesign::NewAlias(used);
        used << got.last();
    }
    EXPECT_EQ(got[0], "a");
    EXPECT_EQ(got[1], "b");
    EXPECT_EQ(got[25], "z");
    EXPECT_EQ(got[26], "aa");
    EXPECT_EQ(got[51], "az");
    EXPECT_EQ(got[52], "aaa");
    // A gap is filled first; the comparison is case-sensitive.
    EXPECT_EQ(sqldesign::NewAlias({"a", "c"}), "b");
    EXPECT_EQ(sqldesign::NewAlias({"A"}), "a");
}

TEST(SQLDesignAlias, RenamingTouchesOnlyQualifiers)
{
    struct Case {
        const char *in, *out;
    } cases[] = {
        {"a.\"empno\"", "t.\"empno\""},
        {"data.x", "data.x"},
        {"A.x + a.y", "t.x + t.y"},
        {"COUNT(a.x)", "COUNT(t.x)"},
        {"= ba.x", "= ba.x"},
        {"= \"a\".x", "= \"a\".x"},
        {"_a.x", "_a.x"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sqldesign::RenameQualifier(QString::fromUtf8(c.in), "a", "t"), QString::fromUtf8(c.out)) << c.in;
}

TEST_F(Design, SelectOfDoubleClickedColumnsWithJoinsOrderAndGroups)
{
    TSQLDesignTable *a = Add("emp");
    TSQLDesignTable *b = Add("dept");
    EXPECT_EQ(a->Alias(), "a");
    EXPECT_EQ(b->Alias(), "b");
    d.AppendColumnRow(*a, "empno", false);
    d.AppendColumnRow(*a, "ename", false);
    EXPECT_EQ(d.Rows[1][gcItem], "a.\"empno\"");
    EXPECT_EQ(d.Rows[2][gcItem], "a.\"ename\"");
    EXPECT_EQ(d.Rows[1][gcShow], "1");
    EXPECT_EQ(d.Rows.size(), 4); // headings, two items, the empty row
    EXPECT_EQ(Flat(d.DesignToSQL()),
              Flat("SELECT a.\"empno\", a.\"ename\" FROM \"emp\" a, \"dept\" b"));

    TtvSQLBuildConnect *c = d.AddConnect(a, "deptno", b, "deptno");
    EXPECT_TRUE(Flat(d.DesignToSQL()).endsWith("WHERE a.\"deptno\" = b.\"deptno\""));
    c->JoinType = jtLeftOuter;
    const QString outer = Flat(d.DesignToSQL());
    EXPECT_TRUE(outer.contains("FROM \"emp\" a LEFT OUTER JOIN \"dept\" b ON a.\"deptno\" = b.\"deptno\"")) << outer.toStdString();
    EXPECT_FALSE(outer.contains("WHERE"));
    EXPECT_FALSE(outer.contains("(+)"));
    c->JoinType = jtRightOuter;
    EXPECT_TRUE(Flat(d.DesignToSQL()).contains("\"emp\" a RIGHT OUTER JOIN \"dept\" b ON"));
    d.RemoveConnect(c);
    EXPECT_FALSE(Flat(d.DesignToSQL()).contains("deptno"));

    // Sorting: a numbered row first, a direction without a number after
    // it with the next number; an aggregate; GROUP BY with its HAVING.
    d.Rows[1][gcSort] = "降順";
    d.Rows[1][gcOrder] = "1";
    d.Rows[2][gcSort] = "昇順";
    d.AppendColumnRow(*a, "sal", false);
    d.Rows[3][gcGroup] = "COUNT";
    d.AppendColumnRow(*b, "dname", false);
    d.Rows[4][gcGroup] = "GROUP BY";
    d.Rows[4][gcWhere] = "<> 'x'";
    const QString text = Flat(d.DesignToSQL());
    EXPECT_TRUE(text.contains("COUNT(a.\"sal\")")) << text.toStdString();
    EXPECT_TRUE(text.contains("GROUP BY b.\"dname\" HAVING b.\"dname\" <> 'x'")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("ORDER BY a.\"empno\" DESC, a.\"ename\"")) << text.toStdString();
    EXPECT_EQ(d.Rows[2][gcOrder], "2");
    EXPECT_EQ(d.Rows[1][gcOrder], "1");
}

TEST_F(Design, StatementKinds)
{
    struct Case {
        TtvSQLType type;
        const char *expected;
    } cases[] = {
        {sqltInsert, "INSERT INTO \"emp\" (\"ename\", \"sal\") VALUES('x', 1)"},
        {sqltUpdate, "UPDATE \"emp\" SET \"ename\" = 'x', \"sal\" = 1 WHERE \"empno\" = 7"},
        {sqltDelete, "DELETE FROM \"emp\" WHERE \"empno\" = 7"},
        {sqltCreateView, "CREATE VIEW \"v1\" AS SELECT a.\"ename\" FROM \"emp\" a"},
    };
    for (const Case &c : cases) {
        d.Clear();
        d.SQLType = c.type;
        d.ViewName = "v1";
        d.ClearGrid();
        TSQLDesignTable *t = Add("emp");
        if (c.type == sqltCreateView) {
            d.AppendColumnRow(*t, "ename", false);
        } else {
            d.AppendColumnRow(*t, "ename", false);
            d.Rows[1][gcAlias] = "'x'";
            d.AppendColumnRow(*t, "sal", false);
            d.Rows[2][gcAlias] = "1";
            d.AppendColumnRow(*t, "empno", false);
            d.Rows[3][gcWhere] = "= 7";
        }
        QString got = Flat(d.DesignToSQL());
        EXPECT_EQ(got.remove(" "), QString::fromUtf8(c.expected).remove(" ")) << c.expected;
    }
    // A table of another schema is written with it, the default schema without.
    d.Clear();
    d.SQLType = sqltSelect;
    d.ClearGrid();
    TSQLDesignTable *t = Add("sales.emp");
    d.AppendColumnRow(*t, "*", false);
    EXPECT_EQ(Flat(d.DesignToSQL()), "SELECT a.* FROM \"sales\".\"emp\" a");
}

TEST_F(Design, ReadingTextsBack)
{
    // Its own text comes back as the same design.
    TSQLDesignTable *a = Add("emp");
    TSQLDesignTable *b = Add("dept");
    d.AppendColumnRow(*a, "empno", false);
    d.AppendColumnRow(*b, "dname", false);
    d.Rows[2][gcSort] = "降順";
    d.Rows[2][gcOrder] = "1";
    d.AppendColumnRow(*a, "sal", false);
    d.Rows[3][gcWhere] = "> 100";
    d.AddConnect(a, "deptno", b, "deptno")->JoinType = jtLeftOuter;
    const QString text = d.DesignToSQL();
    const QList<QStringList> rows = d.Rows;
    Read(text);
    ASSERT_EQ(d.Tables.size(), 2u);
    EXPECT_EQ(d.Tables[0]->Alias(), "a");
    EXPECT_EQ(d.Tables[1]->TableName, "dept");
    ASSERT_EQ(d.Connects.size(), 1u);
    EXPECT_EQ(d.Connects[0]->FromTable, d.Tables[0].get());
    EXPECT_EQ(d.Connects[0]->ToColumn, "deptno");
    EXPECT_EQ(d.Connects[0]->JoinType, jtLeftOuter);
    EXPECT_EQ(d.Rows, rows);
    EXPECT_EQ(d.DesignToSQL(), text);

    // Hand-written joins: RIGHT JOIN with the ON written the other way round,
    // "(+)" markers, conditions that are not joins.
    Read("SELECT e.ename FROM dept d RIGHT JOIN emp e ON e.deptno = d.deptno WHERE e.sal BETWEEN 1 AND 2 AND e.ename LIKE 'A%'");
    ASSERT_EQ(d.Connects.size(), 1u);
    EXPECT_EQ(d.Connects[0]->FromTable->TableName, "emp");
    EXPECT_EQ(d.Connects[0]->JoinType, jtLeftOuter); // all rows of emp, the from table
    EXPECT_EQ(d.Rows[2][gcItem], "e.sal");
    EXPECT_EQ(d.Rows[2][gcWhere], "BETWEEN 1 AND 2");
    EXPECT_EQ(d.Rows[1][gcItem], "e.ename"); // the select item takes its condition
    EXPECT_EQ(d.Rows[1][gcWhere], "LIKE 'A%'");
    Read("SELECT a.empno FROM emp a, dept b WHERE a.deptno = b.deptno(+) AND a.deptno >= b.deptno");
    ASSERT_EQ(d.Connects.size(), 2u);
    EXPECT_EQ(d.Connects[0]->JoinType, jtLeftOuter);
    EXPECT_EQ(d.Connects[1]->ConnectType, ctGE);

    // Aggregates, GROUP BY and HAVING, ORDER BY by alias.
    Read("SELECT a.deptno, COUNT(a.empno) n FROM emp a GROUP BY a.deptno HAVING COUNT(a.empno) > 1 ORDER BY n DESC");
    EXPECT_EQ(d.Rows[1][gcGroup], "GROUP BY");
    EXPECT_EQ(d.Rows[2][gcItem], "a.empno");
    EXPECT_EQ(d.Rows[2][gcGroup], "COUNT");
    EXPECT_EQ(d.Rows[2][gcSort], "降順");
    EXPECT_EQ(d.Rows[2][gcOrder], "1");
    EXPECT_EQ(d.Rows.last(), QStringList(7, QString()));

    // UPDATE: values and conditions.
    Read("UPDATE \"emp\" SET \"ename\" = 'new' WHERE \"empno\" = 1");
    EXPECT_EQ(d.SQLType, sqltUpdate);
    EXPECT_EQ(d.Rows[0][gcAlias], "値");
    EXPECT_EQ(d.Rows[1][gcItem], "\"ename\"");
    EXPECT_EQ(d.Rows[1][gcAlias], "'new'");
    EXPECT_EQ(d.Rows[2][gcItem], "\"empno\"");
    EXPECT_EQ(d.Rows[2][gcWhere], "= 1");

    // A statement the builder cannot show.
    EXPECT_THROW(Read("SELECT a.empno FROM emp a UNION SELECT 1"), ESQLParseError);
}

TEST(SQLDesignLine, GeometryHitTestAndLabel)
{
    TtvSQLBuildConnect c;
    // To table right of the from table.
    c.CalcLines(QRect(16, 16, 120, 100), 40, QRect(300, 30, 120, 100), 80);
    EXPECT_EQ(c.Points[0], QPoint(136, 40));
    EXPECT_EQ(c.Points[1], QPoint(152, 40));
    EXPECT_EQ(c.Points[2], QPoint(284, 80));
    EXPECT_EQ(c.Points[3], QPoint(300, 80));
    EXPECT_TRUE(c.HitTest(QPoint(144, 40)));
    EXPECT_TRUE(c.HitTest(QPoint(218, 60)));
    EXPECT_FALSE(c.HitTest(QPoint(218, 70)));
    // Far past the end of a segment, on its endless line: no hit.
    EXPECT_FALSE(c.HitTest(QPoint(600, 40)));
    EXPECT_FALSE(c.HitTest(QPoint(-200, 40)));
    // A missing row keeps its y; to the left the line starts at the left edge.
    c.CalcLines(QRect(300, 30, 120, 100), -1, QRect(16, 16, 120, 100), 50);
    EXPECT_EQ(c.Points[0], QPoint(300, 40));
    EXPECT_EQ(c.Points[1], QPoint(284, 40));
    EXPECT_EQ(c.Points[2], QPoint(152, 50));
    EXPECT_EQ(c.Points[3], QPoint(136, 50));
    EXPECT_EQ(sqldesign::RowLineY(32, 100, 40, 16, 32, 20), 32 + 100 + 40 + 16 + 2 + 4);

    struct Case {
        TtvSQLBuildConnectType ct;
        TtvSQLBuildJoinType jt;
        bool toLeft;
        const char *label;
    } cases[] = {
        {ctEQ, jtInner, false, " = "},  {ctGT, jtInner, false, " > "},   {ctGT, jtInner, true, " < "},
        {ctLE, jtInner, true, " >= "},  {ctNE, jtInner, true, " != "},   {ctEQ, jtLeftOuter, false, " =(+)"},
        {ctEQ, jtRightOuter, false, "(+)= "}, {ctEQ, jtLeftOuter, true, "(+)= "}, {ctLT, jtRightOuter, true, " >(+)"},
    };
    for (const Case &k : cases)
        EXPECT_EQ(sqldesign::JoinLabel(k.ct, k.jt, k.toLeft), QString::fromUtf8(k.label)) << k.label;
}

#include "sql/frmTableList.h"
#include "sql/tvSQLDesigner.h"

TEST(SQLBuilderCatalog, KindsByServerVersionAndEnterpriseDBSynonyms)
{
    // The picker: partitioned tables from version 10 on, materialized views
    // only when asked, synonyms as a UNION on EnterpriseDB servers.
    const QString v96 = TfrmTableList::TableListSQL(true, true, true, false, 90600);
    EXPECT_TRUE(v96.contains("IN  ('r', 't', 'f', 'v', 'm')")) << v96.toStdString();
    EXPECT_FALSE(v96.contains("'p'"));
    EXPECT_FALSE(v96.contains("pg_synonym"));
    const QString v15 = TfrmTableList::TableListSQL(true, false, false, false, 150000);
    EXPECT_TRUE(v15.contains("IN  ('r', 't', 'f', 'p')")) << v15.toStdString();
    EXPECT_TRUE(v15.contains("WHEN Cls.relkind = 'p' THEN 'TABLE'"));
    EXPECT_TRUE(TfrmTableList::TableListSQL(false, true, false, false, 150000).contains("IN  ('v')"));
    const QString edb = TfrmTableList::TableListSQL(true, true, false, true, 150000);
    EXPECT_TRUE(edb.contains("AND     Nms.nspname       =   :OWNER UNION SELECT  Syn.synname, 'SYNONYM' FROM    pg_synonym"))
        << edb.toStdString();
    EXPECT_TRUE(edb.endsWith("WHERE   Nms.nspname    =  :OWNER ORDER BY 1"));

    // The builder's column reader.
    EXPECT_TRUE(TtvSQLDesigner::ColumnSQL(150000).contains("IN  ('r', 'v', 'm', 'f', 'p')"));
    EXPECT_TRUE(TtvSQLDesigner::ColumnSQL(90600).contains("IN  ('r', 'v', 'm', 'f')"));
    EXPECT_TRUE(TtvSQLDesigner::ColumnSQL(150000).endsWith("ORDER BY      NS.nspname,         CL.relname,         AT.attnum"));
    EXPECT_EQ(TtvSQLDesigner::SynonymSQL(),
              "SELECT Syn.synobjname, Syn.synobjschema FROM pg_catalog.pg_synonym AS Syn LEFT JOIN pg_namespace AS Nms"
              "   ON  Syn.synnamespace =  Nms.oid WHERE Nms.nspname = :AOWNER AND Syn.synname = :ANAME");
    EXPECT_TRUE(TtvSQLDesigner::KeySQL().contains("TC.constraint_type    = 'PRIMARY KEY'"));
}
