#include "objects/table/CrossReference.h"

#include "common/ObjectType.h"
#include "common/Quote.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"

#include <algorithm>

namespace {

const QString kLineEnd = QStringLiteral("E'\\r\\n'");

QString ArgTypeNames(const QString &ProcAlias)
{
    // The argument types of a function in order (OUT ones included when
    // proallargtypes is set), one per line.
    return QStringLiteral("array_to_string(ARRAY(SELECT (SELECT t.typname FROM pg_type t WHERE t.oid = x.a[s.i]) "
                          "FROM (SELECT COALESCE(%1.proallargtypes, %1.proargtypes::oid[]) AS a) x, "
                          "generate_subscripts(x.a, 1) AS s(i) ORDER BY s.i), %2)")
        .arg(ProcAlias, kLineEnd);
}

QString QuotedList(const QString &Lines)
{
    QStringList names;
    for (const QString &n : Lines.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        names << QuoteIdentifier(n);
    return names.join(u',');
}

QString TypeOfClass(const QString &Kind)
{
    if (Kind == QLatin1String("r") || Kind == QLatin1String("t") || Kind == QLatin1String("f") ||
        Kind == QLatin1String("p"))
        return QStringLiteral("TABLE");
    if (Kind == QLatin1String("i") || Kind == QLatin1String("I"))
        return QStringLiteral("INDEX");
    if (Kind == QLatin1String("S"))
        return QStringLiteral("SEQUENCE");
    if (Kind == QLatin1String("v"))
        return QStringLiteral("VIEW");
    if (Kind == QLatin1String("c"))
        return QStringLiteral("TYPE");
    if (Kind == QLatin1String("m"))
        return QStringLiteral("MATERIALIZED VIEW");
    return QString();
}

bool IsFunctionLike(int Code)
{
    return Code == 51 || Code == 52 || Code == 128;
}

} // namespace

QString FormatNodeText(int Code, const QString &Schema, const QString &Parent, const QString &Name, const QString &Args)
{
    if (IsFunctionLike(Code))
        return Schema + u'.' + Name + u'(' + Args + u')';
    if (Code == 54)
        return Schema + u'.' + Parent + u'.' + Name + u'(' + Args + u')';
    if (Code == 57 || Code == 127)
        return Schema + u'.' + Parent + u'.' + Name;
    return Schema + u'.' + Name;
}

TNodeParts ParseNodeText(int Code, const QString &Text)
{
    TNodeParts p;
    const qsizetype dot = Text.indexOf(u'.');
    p.Schema = Text.left(dot < 0 ? 0 : dot);
    QString rest = dot < 0 ? Text : Text.mid(dot + 1);
    if (Code == 54 || Code == 57 || Code == 127) {
        const qsizetype d2 = rest.indexOf(u'.');
        p.Parent = rest.left(d2 < 0 ? 0 : d2);
        rest = d2 < 0 ? rest : rest.mid(d2 + 1);
    }
    if (IsFunctionLike(Code) || Code == 54) {
        const qsizetype open = rest.indexOf(u'(');
        if (open >= 0) {
            p.Args = rest.mid(open + 1).remove(u')');
            rest = rest.left(open);
        }
    }
    p.Name = rest;
    return p;
}

namespace CrossSQL {

QString ObjectOid(int Code, const QString &EdbPackageSubquery)
{
    switch (Code) {
    case 53:
        return QStringLiteral("SELECT x.oid::int8 FROM (%1) x LEFT OUTER JOIN pg_namespace ns ON ns.oid = "
                              "x.pkgnamespace WHERE 0 = 0 AND ns.nspname = :schema AND x.pkgname = :objname")
            .arg(EdbPackageSubquery);
    case 55:
        return QStringLiteral("SELECT x.oid FROM pg_type x LEFT OUTER JOIN pg_namespace ns ON ns.oid = x.typnamespace "
                              "WHERE 0 = 0 AND ns.nspname = :schema AND x.typname = :objname");
    case 57:
        return QStringLiteral("SELECT x.oid FROM pg_trigger x LEFT OUTER JOIN pg_class c ON c.oid = x.tgrelid LEFT "
                              "OUTER JOIN pg_namespace ns ON ns.oid = c.relnamespace WHERE 0 = 0 AND ns.nspname = "
                              ":schema AND c.relname = :table AND x.tgname = :objname");
    case 127:
        return QStringLiteral("SELECT re.oid FROM pg_rewrite re LEFT JOIN pg_class c ON re.ev_class = c.oid LEFT JOIN "
                              "pg_namespace ns ON c.relnamespace = ns.oid WHERE 0 = 0 AND ns.nspname = :schema AND "
                              "c.relname = :table AND re.rulename = :objname");
    default:
        return QStringLiteral("SELECT c.oid FROM pg_class c LEFT OUTER JOIN pg_namespace ns ON ns.oid = c.relnamespace "
                              "WHERE 0 = 0 AND nspname = :nspname AND relname = :relname");
    }
}

QString ViewRule()
{
    return QStringLiteral("SELECT r.oid FROM pg_rewrite r LEFT JOIN pg_class c ON r.ev_class = c.oid WHERE 0 = 0 AND "
                          "rulename = '_RETURN' AND ev_class = :view_oid");
}

QString RuleView()
{
    return QStringLiteral(
        "SELECT ev_class FROM pg_rewrite r WHERE 0 = 0 AND rulename = '_RETURN' AND r.oid = :rewrite_oid");
}

QString References()
{
    return QStringLiteral("SELECT DISTINCT d.refclassid, c.relname, d.refobjid FROM pg_depend d LEFT OUTER JOIN "
                          "pg_class c ON c.oid = d.refclassid LEFT OUTER JOIN pg_attrdef att ON att.adrelid = d.objid "
                          "WHERE d.objid = :objid OR d.objid IN (SELECT att.oid FROM pg_attrdef att WHERE adrelid = "
                          ":objid) ORDER BY relname");
}

QString ReferencedBy()
{
    return QStringLiteral("SELECT DISTINCT d.classid, c.relname, d.objid FROM pg_depend d LEFT OUTER JOIN pg_class c "
                          "ON c.oid = d.classid LEFT OUTER JOIN pg_attrdef att ON att.adrelid = d.refobjid WHERE "
                          "d.refobjid = :refobjid OR d.refobjid IN (SELECT att.oid FROM pg_attrdef att WHERE adrelid "
                          "= :refobjid) ORDER BY relname");
}

QString Resolve(const QList<TRefObj> &Entries, int DBVer, bool Edb)
{
    const QString cols = QStringLiteral("SELECT %1 AS \"oid\", %2 AS \"nspname\", %3 AS \"objname\", %4 AS \"objtype\", "
                                        "%5 AS \"objsubtype\", %6 AS \"add_info\", %7 AS \"add_oid\" FROM %8");
    const QString pkg = DBVer < 90200 ? QStringLiteral("(nsp.nspparent != 0)")
                                      : QStringLiteral("((nsp.nspparent != 0) AND (nsp.nspobjecttype = 0))");
    QStringList pieces;
    for (const TRefObj &e : Entries) {
        const QString oid = QString::number(e.nOid);
        const QString &cat = e.sCatalog;
        if (cat == QLatin1String("pg_class")) {
            pieces << cols.arg(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("relname"),
                               QStringLiteral("'CLASS'"), QStringLiteral("relkind"), QStringLiteral("''"),
                                 QStringLiteral("0"),
                               QStringLiteral("pg_class x LEFT JOIN pg_namespace nsp ON x.relnamespace= nsp.oid WHERE "
                                              "x.oid = %1 AND relkind NOT IN ('t')")
                                   .arg(oid));
        } else if (cat == QLatin1String("pg_attrdef")) {
            pieces << cols.arg(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("c.relname"),
                               QStringLiteral("'CLASS'"), QStringLiteral("c.relkind"), QStringLiteral("''"),
                               QStringLiteral("c.oid"),
                               QStringLiteral("pg_attrdef x LEFT JOIN pg_class c ON x.adrelid = c.oid LEFT JOIN "
                                              "pg_namespace nsp ON c.relnamespace= nsp.oid WHERE x.oid = %1 AND "
                                              "relkind NOT IN ('t')")
                                   .arg(oid));
        } else if (cat == QLatin1String("pg_trigger")) {
            pieces << cols.arg(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("tgname"),
                               QStringLiteral("'TRIGGER'"), QStringLiteral("''"), QStringLiteral("c.relname"),
                               QStringLiteral("0"),
                               QStringLiteral("pg_trigger x LEFT JOIN pg_class c ON x.tgrelid= c.oid LEFT JOIN "
                                              "pg_namespace nsp ON c.relnamespace= nsp.oid WHERE x.oid = %1")
                                   .arg(oid));
        } else if (cat == QLatin1String("pg_type")) {
            pieces << cols.arg(
                QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("typname"),
                QStringLiteral("'TYPE'"), QStringLiteral("''"), QStringLiteral("''"), QStringLiteral("0"),
                QStringLiteral("pg_type x LEFT JOIN pg_namespace nsp ON x.typnamespace= nsp.oid LEFT JOIN pg_class C "
                               "ON x.typrelid = c.oid WHERE (C.relkind = 'c' OR x.typtype = 'e' OR x.typtype = 'r' OR "
                               "x.typtype = 'p' OR (x.typtype = 'b' AND x.typcategory NOT IN "
                               "('A','B','C','D','E','G','I','N','P','R','S','T','V','X'))) AND x.oid = %1")
                    .arg(oid));
        } else if (cat == QLatin1String("pg_rewrite")) {
            pieces << cols.arg(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"),
                               QStringLiteral("CASE x.rulename WHEN '_RETURN' THEN relname ELSE x.rulename END"),
                               QStringLiteral("CASE x.rulename WHEN '_RETURN' THEN CASE c.relkind WHEN 'v' THEN "
                                              "'VIEW' WHEN 'm' THEN 'MATERIALIZED VIEW' ELSE 'RULE' END ELSE 'RULE' "
                                              "END"),
                               QStringLiteral("''"), QStringLiteral("c.relname"), QStringLiteral("0"),
                               QStringLiteral("pg_rewrite x LEFT JOIN pg_class c ON x.ev_class = c.oid LEFT JOIN "
                                              "pg_namespace nsp ON c.relnamespace= nsp.oid WHERE x.oid = %1")
                                   .arg(oid));
        } else if (cat == QLatin1String("pg_proc")) {
            if (!Edb) {
                const bool agg = DBVer >= 90400;
                pieces << cols.arg(
                    QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("proname"),
                    agg ? QStringLiteral("CASE WHEN agg.aggfnoid IS NOT NULL THEN 'AGGREGATE' ELSE 'FUNCTION' END")
                        : QStringLiteral("'FUNCTION'"),
                    QStringLiteral("''"), QStringLiteral("''"), QStringLiteral("0"),
                    QStringLiteral("pg_proc x LEFT JOIN pg_namespace nsp ON x.pronamespace = nsp.oid%1 WHERE x.oid = %2")
                        .arg(agg ? QStringLiteral(" LEFT JOIN pg_aggregate agg ON x.oid = agg.aggfnoid") : QString(),
                             oid));
            } else {
                const bool agg = DBVer >= 90400;
                const QString type =
                    agg ? QStringLiteral("CASE WHEN %1 THEN 'PACKAGE BODY' WHEN agg.aggfnoid IS NOT NULL THEN "
                                         "'AGGREGATE' WHEN x.protype = '1' THEN 'PROCEDURE' ELSE 'FUNCTION' END")
                              .arg(pkg)
                        : QStringLiteral("CASE WHEN x.protype = '1' THEN 'PROCEDURE' ELSE 'FUNCTION' END");
                pieces << cols.arg(
                    QStringLiteral("x.oid"),
                    QStringLiteral("CASE WHEN %1 THEN psp.nspname ELSE nsp.nspname END").arg(pkg),
                    QStringLiteral("proname"), type, QStringLiteral("''"),
                    QStringLiteral("CASE WHEN %1 THEN nsp.nspname ELSE '' END").arg(pkg), QStringLiteral("0"),
                    QStringLiteral("pg_proc x LEFT JOIN pg_namespace nsp ON x.pronamespace = nsp.oid LEFT JOIN "
                                   "pg_namespace psp ON nsp.nspparent = psp.oid%1 WHERE x.oid = %2")
                        .arg(agg ? QStringLiteral(" LEFT JOIN pg_aggregate agg ON x.oid = agg.aggfnoid") : QString(),
                             oid));
            }
        } else if (cat == QLatin1String("pg_namespace") && Edb) {
            pieces << cols.arg(QStringLiteral("pac.oid::int8"), QStringLiteral("nsp.nspname"),
                               QStringLiteral("pac.nspname"), QStringLiteral("'PACKAGE'"), QStringLiteral("''"),
                               QStringLiteral("''"), QStringLiteral("0"),
                               QStringLiteral("pg_namespace pac LEFT JOIN pg_namespace nsp ON pac.nspparent = nsp.oid "
                                              "WHERE %1 AND pac.oid = %2")
                                   .arg(DBVer < 90200 ? QStringLiteral("pac.nspparent != 0")
                                                      : QStringLiteral("(pac.nspparent != 0) AND (pac.nspobjecttype = 0)"),
                                        oid));
        }
    }
    return pieces.join(QStringLiteral(" UNION ALL "));
}

QString FunctionArgTypes()
{
    return QStringLiteral("SELECT %1 AS ary_types FROM pg_proc p WHERE p.oid = :OID").arg(ArgTypeNames(QStringLiteral("p")));
}

QString FunctionOverloads()
{
    return QStringLiteral("SELECT p.oid, %1 AS ary_types FROM pg_proc p LEFT JOIN pg_namespace ns ON ns.oid = "
                          "p.pronamespace WHERE 0 = 0 AND ns.nspname = :SCHEMA AND p.proname = :NAME")
        .arg(ArgTypeNames(QStringLiteral("p")));
}

} // namespace CrossSQL

// ---------------------------------------------------------------------------

TCrossReader::TCrossReader(tv::db::Connection &Conn, int DBVer, bool Edb, const QString &EdbPackageSubquery)
    : FConn(Conn), FDBVer(DBVer), FEdb(Edb), FEdbPackageSubquery(EdbPackageSubquery), FQuery(new tv::db::Query(&Conn))
{
}

TCrossReader::~TCrossReader()
{
    delete FQuery;
}

void TCrossReader::Run(tv::db::Query &Query)
{
    ++Statements;
    if (Trace) {
        QString text = Query.SQL();
        QList<const tv::db::Param *> params;
        for (int i = 0; i < Query.Params().count(); ++i)
            params << &Query.Params()[i];
        std::sort(params.begin(), params.end(),
                  [](const tv::db::Param *a, const tv::db::Param *b) { return a->Name.size() > b->Name.size(); });
        for (const tv::db::Param *p : std::as_const(params))
            text.replace(u':' + p->Name, p->DataType == tv::db::ParamType::Text ? QuoteLiteral(p->Value.toString())
                                                                                : p->Value.toString());
        *Trace << text;
    }
    Query.Open();
}

tv::db::Query &TCrossReader::Open(const QString &SQL)
{
    FQuery->Close();
    FQuery->SetSQL(SQL);
    return *FQuery;
}

void TCrossReader::Fill(int Code, const QString &Schema, const QString &ObjName, const QString &ObjTable,
                        const QString &ObjParams, TCrossNode &Uses, TCrossNode &UsedBy)
{
    if (Code == 54)
        Code = 53;
    Uses = TCrossNode();
    UsedBy = TCrossNode();
    Uses.Code = UsedBy.Code = Code;
    Uses.Text = UsedBy.Text = FormatNodeText(Code, Schema, ObjTable, ObjName, ObjParams);
    const qint64 oid = ObjectOid(Code, Schema, ObjName, ObjTable, ObjParams);
    AddReferences(Uses, 0, oid);
    AddReferencedBy(UsedBy, 0, oid);
}

qint64 TCrossReader::ObjectOid(int Code, const QString &Schema, const QString &ObjName, const QString &ObjTable,
                               const QString &ObjParams)
{
    if (IsFunctionLike(Code))
        return FindFunctionOid(Schema, ObjName, ObjParams);
    if (Code == 53 && !FEdb)
        return -1;
    tv::db::Query &q = Open(CrossSQL::ObjectOid(Code, FEdbPackageSubquery));
    if (Code == 53 || Code == 55 || Code == 57 || Code == 127) {
        q.ParamByName(QStringLiteral("schema")).setAsString(Schema);
        q.ParamByName(QStringLiteral("objname")).setAsString(ObjName);
        if (Code == 57 || Code == 127)
            q.ParamByName(QStringLiteral("table")).setAsString(ObjTable);
    } else {
        q.ParamByName(QStringLiteral("nspname")).setAsString(Schema);
        q.ParamByName(QStringLiteral("relname")).setAsString(ObjName);
    }
    Run(q);
    const qint64 oid = q.Eof() ? -1 : q.Fields(0).AsString().toLongLong();
    q.Close();
    return oid;
}

qint64 TCrossReader::FindFunctionOid(const QString &Schema, const QString &Name, const QString &Args)
{
    tv::db::Query &q = Open(CrossSQL::FunctionOverloads());
    q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    q.ParamByName(QStringLiteral("NAME")).setAsString(Name);
    Run(q);
    qint64 found = 0;
    if (q.RecordCount() == 1) {
        found = q.Fields(0).AsString().toLongLong();
    } else {
        while (!q.Eof()) {
            if (QuotedList(q.Fields(1).AsString()) == Args) {
                found = q.Fields(0).AsString().toLongLong();
                break;
            }
            q.Next();
        }
    }
    q.Close();
    return found;
}

QString TCrossReader::GetFunctionArgTypes(qint64 Oid)
{
    tv::db::Query &q = Open(CrossSQL::FunctionArgTypes());
    q.ParamByName(QStringLiteral("OID")).setAsInt64(Oid);
    Run(q);
    const QString names = q.Eof() ? QString() : QuotedList(q.Fields(0).AsString());
    q.Close();
    return names;
}

void TCrossReader::ResolveRefObjects(QList<TRefObj> &List)
{
    const QString sql = CrossSQL::Resolve(List, FDBVer, FEdb);
    if (sql.isEmpty())
        return;
    struct Row {
        qint64 oid;
        QString nsp, name, type, subtype, info;
        qint64 addOid;
        bool addNull;
    };
    QList<Row> rows;
    {
        tv::db::Query &q = Open(sql);
        Run(q);
        while (!q.Eof()) {
            rows << Row{q.Fields(0).AsString().toLongLong(), q.Fields(1).AsString(), q.Fields(2).AsString(),
                        q.Fields(3).AsString(), q.Fields(4).AsString(), q.Fields(5).AsString(),
                        q.Fields(6).AsString().toLongLong(), q.Fields(6).IsNull()};
            q.Next();
        }
        q.Close();
    }
    for (const Row &r : rows) {
        for (TRefObj &e : List) {
            if (e.nOid != r.oid || !e.sType.isEmpty())
                continue;
            if (r.type == QLatin1String("CLASS")) {
                if (!r.addNull && r.addOid > 0)
                    e.nOid = r.addOid;
                e.sType = TypeOfClass(r.subtype);
            } else {
                e.sType = r.type;
            }
            e.sName = r.name;
            e.sSchema = r.nsp;
            if (e.sType == QLatin1String("TRIGGER") || e.sType == QLatin1String("RULE"))
                e.sParent = r.info;
            if (e.sType == QLatin1String("FUNCTION") || e.sType == QLatin1String("AGGREGATE") ||
                e.sType == QLatin1String("PROCEDURE"))
                e.sFncArg = GetFunctionArgTypes(e.nOid);
            if (e.sType == QLatin1String("PACKAGE BODY")) {
                e.sParent = r.info;
                e.sFncArg = GetFunctionArgTypes(e.nOid);
            }
        }
    }
}

void TCrossReader::AddReferences(TCrossNode &Node, int Level, qint64 Oid)
{
    Add(Node, Level, Oid, true);
}

void TCrossReader::AddReferencedBy(TCrossNode &Node, int Level, qint64 Oid)
{
    Add(Node, Level, Oid, false);
}

void TCrossReader::Add(TCrossNode &Node, int Level, qint64 Oid, bool Uses)
{
    if (Node.Code == 47 || Node.Code == 61) {
        tv::db::Query &q = Open(Uses ? CrossSQL::ViewRule() : CrossSQL::RuleView());
        q.ParamByName(Uses ? QStringLiteral("view_oid") : QStringLiteral("rewrite_oid")).setAsInt64(Oid);
        Run(q);
        if (!q.Eof())
            Oid = q.Fields(0).AsString().toLongLong();
        q.Close();
    }
    if (Oid == -1)
        return;
    QList<TRefObj> list;
    {
        tv::db::Query &q = Open(Uses ? CrossSQL::References() : CrossSQL::ReferencedBy());
        q.ParamByName(Uses ? QStringLiteral("objid") : QStringLiteral("refobjid")).setAsInt64(Oid);
        Run(q);
        while (!q.Eof()) {
            TRefObj e;
            e.sCatalog = q.Fields(1).AsString();
            e.nOid = q.Fields(2).AsString().toLongLong();
            list << e;
            q.Next();
        }
        q.Close();
    }
    if (list.isEmpty())
        return;
    ResolveRefObjects(list);
    const TNodeParts own = ParseNodeText(Node.Code, Node.Text);
    for (const TRefObj &e : std::as_const(list)) {
        if (e.sType.isEmpty() || e.sName.isEmpty() || e.sSchema.isEmpty())
            continue;
        if (!Admitted.isEmpty() && !Admitted.contains(e.sType))
            continue;
        if (e.sName == own.Name && e.sSchema == own.Schema)
            continue;
        TCrossNode child;
        child.Code = ObjectTypeFromName(e.sType);
        child.Text = FormatNodeText(child.Code, e.sSchema, e.sParent, e.sName, e.sFncArg);
        Node.Children << child;
        if (Level + 1 < CrossLevel)
            Add(Node.Children.last(), Level + 1, e.nOid, Uses);
    }
}
