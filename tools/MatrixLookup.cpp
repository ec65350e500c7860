#include "tools/MatrixLookup.h"

#include "common/CatalogSQL.h"
#include "common/Quote.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/EscapeWatch.h"

#include <QApplication>
#include <QHash>

#include <initializer_list>
#include <utility>

namespace {

struct WaitCursor {
    WaitCursor()
    {
        if (qobject_cast<QApplication *>(QCoreApplication::instance()))
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor()
    {
        if (qobject_cast<QApplication *>(QCoreApplication::instance()))
            QApplication::restoreOverrideCursor();
    }
};

using Binds = std::initializer_list<std::pair<const char *, QString>>;

// Opens a statement with text parameters on its own query object.
void OpenQuery(tv::db::Query &q, const QString &Sql, Binds Params)
{
    q.SetSQL(Sql);
    for (const auto &p : Params)
        q.ParamByName(QString::fromLatin1(p.first)).setAsString(p.second);
    q.Open();
}

// The lines of an array_to_string(..., CR LF).
QStringList CrLfLines(const QString &Text)
{
    if (Text.isEmpty())
        return {};
    return Text.split(QStringLiteral("\r\n"));
}

QString EdbPackageTest(int Version, const QString &Alias)
{
    return Version < 90200 ? QStringLiteral("(%1.nspparent != 0)").arg(Alias)
                           : QStringLiteral("((%1.nspparent != 0) AND (%1.nspobjecttype = 0))").arg(Alias);
}

const char *const kColumns =
    " AS \"oid\", %1 AS \"nspname\", %2 AS \"objname\", %3 AS \"objtype\", %4 AS \"objsubtype\","
    " %5 AS \"add_info\", %6 AS \"add_oid\"";

QString Cols(const QString &Oid, const QString &Nsp, const QString &Name, const QString &Type, const QString &Sub,
             const QString &Info, const QString &AddOid)
{
    return QStringLiteral("SELECT ") + Oid +
           QString::fromLatin1(kColumns).arg(Nsp, Name, Type, Sub, Info, AddOid);
}

} // namespace

// ---------------------------------------------------------------------------
// Statement texts

QString MatrixSQL::ObjectOid(int Code, int Version, bool Edb)
{
    switch (Code) {
    case 51:
    case 52:
    case 128:
        return {};
    case 53:
        if (!Edb)
            return {};
        return QStringLiteral("SELECT x.oid::int8 AS oid FROM") + EdbPackageSubquery(Version) +
               QStringLiteral(" AS x LEFT OUTER JOIN pg_namespace ns ON ns.oid = x.pkgnamespace"
                              " WHERE 0 = 0 AND ns.nspname = :schema AND x.pkgname = :objname");
    case 55:
        return QStringLiteral("SELECT x.oid FROM pg_type x LEFT OUTER JOIN pg_namespace ns ON ns.oid = x.typnamespace"
                              " WHERE 0 = 0 AND ns.nspname = :schema AND x.typname = :objname");
    case 57:
        return QStringLiteral("SELECT x.oid FROM pg_trigger x LEFT OUTER JOIN pg_class c ON c.oid = x.tgrelid"
                              " LEFT OUTER JOIN pg_namespace ns ON ns.oid = c.relnamespace"
                              " WHERE 0 = 0 AND ns.nspname = :schema AND c.relname = :table AND x.tgname = :objname");
    case 127:
        return QStringLiteral("SELECT re.oid FROM pg_rewrite re LEFT JOIN pg_class c ON re.ev_class = c.oid"
                              " LEFT JOIN pg_namespace ns ON c.relnamespace = ns.oid"
                              " WHERE 0 = 0 AND ns.nspname = :schema AND c.relname = :table"
                              " AND re.rulename = :objname");
    default:
        return QStringLiteral("SELECT c.oid FROM pg_class c LEFT OUTER JOIN pg_namespace ns ON ns.oid = c.relnamespace"
                              " WHERE 0 = 0 AND nspname  = :nspname AND relname  = :relname");
    }
}

QString MatrixSQL::FunctionCandidates()
{
    return QStringLiteral("SELECT p.oid, CASE WHEN p.proallargtypes IS NULL"
                          " THEN array_to_string(p.proargtypes, E'\\r\\n')"
                          " ELSE array_to_string(p.proallargtypes, E'\\r\\n') END AS ary_types"
                          " FROM pg_proc p LEFT JOIN pg_namespace ns ON ns.oid = p.pronamespace"
                          " WHERE 0 = 0 AND ns.nspname = :SCHEMA AND p.proname = :NAME");
}

QString MatrixSQL::TypeNames(int Count)
{
    // Each part carries its place in the list: the rows come back in the
    // order of the oids whatever plan the server picks for the UNION ALL.
    QStringList parts;
    for (int i = 0; i < Count; ++i)
        parts << QStringLiteral("SELECT %1 AS ord, typname FROM pg_type WHERE oid = CAST(:OID%1 AS oid)").arg(i);
    return parts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(" ORDER BY 1");
}

QString MatrixSQL::FunctionArgVector()
{
    return QStringLiteral("SELECT CASE WHEN proallargtypes IS NULL THEN array_to_string(proargtypes, E'\\r\\n')"
                          " ELSE array_to_string(proallargtypes, E'\\r\\n') END AS AryType"
                          " FROM pg_proc WHERE oid = CAST(:OID AS oid)");
}

QString MatrixSQL::TypeName()
{
    return QStringLiteral("SELECT oid, typname FROM pg_type WHERE oid = CAST(:OID AS oid)");
}

QString MatrixSQL::Describe(const QString &Catalog, qint64 Oid, int Version, bool Edb)
{
    const QString oid = QString::number(Oid);
    const QString E = QStringLiteral("''");
    if (Catalog == u"pg_class")
        return Cols(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("relname"),
                    QStringLiteral("'CLASS'"), QStringLiteral("relkind::text"), E, QStringLiteral("0::int8")) +
               QStringLiteral(" FROM pg_class x LEFT JOIN pg_namespace nsp ON x.relnamespace = nsp.oid"
                              " WHERE x.oid = ") +
               oid + QStringLiteral(" AND relkind NOT IN ('t')");
    if (Catalog == u"pg_attrdef")
        return Cols(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("c.relname"),
                    QStringLiteral("'CLASS'"), QStringLiteral("c.relkind::text"), E, QStringLiteral("c.oid::int8")) +
               QStringLiteral(" FROM pg_attrdef x LEFT JOIN pg_class c ON x.adrelid = c.oid"
                              " LEFT JOIN pg_namespace nsp ON c.relnamespace = nsp.oid WHERE x.oid = ") +
               oid + QStringLiteral(" AND relkind NOT IN ('t')");
    if (Catalog == u"pg_proc") {
        QString s;
        if (!Edb && Version < 90400)
            s = Cols(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("proname"),
                     QStringLiteral("'FUNCTION'"), E, E, QStringLiteral("0::int8")) +
                QStringLiteral(" FROM pg_proc x LEFT JOIN pg_namespace nsp ON x.pronamespace = nsp.oid");
        else if (!Edb)
            s = Cols(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("proname"),
                     QStringLiteral("CASE WHEN agg.aggfnoid IS NOT NULL THEN 'AGGREGATE' ELSE 'FUNCTION' END"), E, E,
                     QStringLiteral("0::int8")) +
                QStringLiteral(" FROM pg_proc x LEFT JOIN pg_namespace nsp ON x.pronamespace = nsp.oid"
                               " LEFT JOIN pg_aggregate agg ON x.oid = agg.aggfnoid");
        else {
            const QString p = Version < 90400 ? EdbPackageTest(Version, QStringLiteral("nsp"))
                                              : EdbPackageTest(90200, QStringLiteral("nsp"));
            const QString type =
                Version >= 90400
                    ? QStringLiteral("CASE WHEN %1 THEN 'PACKAGE BODY' WHEN agg.aggfnoid IS NOT NULL THEN 'AGGREGATE'"
                                     " WHEN x.protype = '1' THEN 'PROCEDURE' ELSE 'FUNCTION' END")
                          .arg(p)
                    : QStringLiteral("CASE WHEN x.protype = '1' THEN 'PROCEDURE' ELSE 'FUNCTION' END");
            s = Cols(QStringLiteral("x.oid"),
                     QStringLiteral("CASE WHEN %1 THEN psp.nspname ELSE nsp.nspname END").arg(p),
                     QStringLiteral("proname"), type, E, QStringLiteral("CASE WHEN %1 THEN nsp.nspname ELSE '' END").arg(p),
                     QStringLiteral("0::int8")) +
                QStringLiteral(" FROM pg_proc x LEFT JOIN pg_namespace nsp ON x.pronamespace = nsp.oid"
                               " LEFT JOIN pg_namespace psp ON nsp.nspparent = psp.oid");
            if (Version >= 90400)
                s += QStringLiteral(" LEFT JOIN pg_aggregate agg ON x.oid = agg.aggfnoid");
        }
        return s + QStringLiteral(" WHERE x.oid = ") + oid;
    }
    if (Catalog == u"pg_constraint")
        // A primary-key, unique or exclusion constraint stands for its index,
        // which depends on the constraint rather than on the table.
        return Cols(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("i.relname"),
                    QStringLiteral("'CLASS'"), QStringLiteral("i.relkind::text"), E, QStringLiteral("i.oid::int8")) +
               QStringLiteral(" FROM pg_constraint x JOIN pg_class i ON i.oid = x.conindid"
                              " LEFT JOIN pg_namespace nsp ON i.relnamespace = nsp.oid WHERE x.oid = ") +
               oid + QStringLiteral(" AND x.contype IN ('p', 'u', 'x')");
    if (Catalog == u"pg_trigger")
        return Cols(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("tgname"),
                    QStringLiteral("'TRIGGER'"), E, QStringLiteral("c.relname"), QStringLiteral("0::int8")) +
               QStringLiteral(" FROM pg_trigger x LEFT JOIN pg_class c ON x.tgrelid = c.oid"
                              " LEFT JOIN pg_namespace nsp ON c.relnamespace = nsp.oid WHERE x.oid = ") +
               oid;
    if (Catalog == u"pg_type")
        return Cols(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"), QStringLiteral("typname"),
                    QStringLiteral("'TYPE'"), E, E, QStringLiteral("0::int8")) +
               QStringLiteral(" FROM pg_type x LEFT JOIN pg_namespace nsp ON x.typnamespace = nsp.oid"
                              " LEFT JOIN pg_class c ON x.typrelid = c.oid"
                              " WHERE (c.relkind = 'c' OR x.typtype IN ('e', 'r', 'p')"
                              " OR (x.typtype = 'b' AND x.typcategory NOT IN"
                              " ('A','B','C','D','E','G','I','N','P','R','S','T','V','X')))"
                              " AND x.oid = ") +
               oid;
    if (Catalog == u"pg_rewrite")
        return Cols(QStringLiteral("x.oid"), QStringLiteral("nsp.nspname"),
                    QStringLiteral("CASE x.rulename WHEN '_RETURN' THEN relname ELSE x.rulename END"),
                    QStringLiteral("CASE x.rulename WHEN '_RETURN' THEN (CASE c.relkind WHEN 'v' THEN 'VIEW'"
                                   " WHEN 'm' THEN 'MATERIALIZED VIEW' ELSE 'RULE' END) ELSE 'RULE' END"),
                    E, QStringLiteral("c.relname"), QStringLiteral("0::int8")) +
               QStringLiteral(" FROM pg_rewrite x LEFT JOIN pg_class c ON x.ev_class = c.oid"
                              " LEFT JOIN pg_namespace nsp ON c.relnamespace = nsp.oid WHERE x.oid = ") +
               oid;
    if (Catalog == u"pg_namespace" && Edb)
        return Cols(QStringLiteral("pac.oid::int8"), QStringLiteral("nsp.nspname"), QStringLiteral("pac.nspname"),
                    QStringLiteral("'PACKAGE'"), E, E, QStringLiteral("0::int8")) +
               QStringLiteral(" FROM pg_namespace pac LEFT JOIN pg_namespace nsp ON pac.nspparent = nsp.oid WHERE ") +
               EdbPackageTest(Version, QStringLiteral("pac")) + QStringLiteral(" AND pac.oid = ") + oid;
    return {};
}

QString MatrixSQL::ViewRule()
{
    return QStringLiteral("SELECT r.oid FROM pg_rewrite r LEFT JOIN pg_class c ON r.ev_class = c.oid"
                          " WHERE rulename  = '_RETURN' AND ev_class  = CAST(:view_oid AS oid)");
}

QString MatrixSQL::References()
{
    return QStringLiteral("SELECT DISTINCT d.refclassid, c.relname, d.refobjid FROM pg_depend d"
                          " LEFT OUTER JOIN pg_class c ON c.oid = d.refclassid"
                          " LEFT OUTER JOIN pg_attrdef att ON att.adrelid = d.objid"
                          " WHERE d.objid = CAST(:objid AS oid)"
                          " OR d.objid IN (SELECT att.oid FROM pg_attrdef att"
                          " WHERE adrelid = CAST(:objid AS oid)) ORDER BY relname");
}

QString MatrixSQL::ReferencedBy()
{
    return QStringLiteral("SELECT DISTINCT d.classid, c.relname, d.objid FROM pg_depend d"
                          " LEFT OUTER JOIN pg_class c ON c.oid = d.classid"
                          " LEFT OUTER JOIN pg_attrdef att ON att.adrelid = d.refobjid"
                          " WHERE d.refobjid = CAST(:refobjid AS oid)"
                          " OR d.refobjid IN (SELECT att.oid FROM pg_attrdef att"
                          " WHERE adrelid = CAST(:refobjid AS oid)) ORDER BY relname");
}

QString MatrixSQL::PrimaryKeyColumns()
{
    return QStringLiteral("SELECT att.attname FROM pg_constraint c LEFT JOIN pg_namespace ns ON c.connamespace = ns.oid"
                          " LEFT JOIN pg_class cl1    ON c.conindid = cl1.oid"
                          " LEFT JOIN pg_attribute att ON cl1.oid = att.attrelid"
                          " LEFT JOIN pg_class cl2    ON c.conrelid = cl2.oid"
                          " WHERE 0 = 0 AND c.contype = 'p' AND att.attnum > 0 AND ns.nspname = :SCHEMA"
                          " AND cl2.relname = :TABLE ORDER BY att.attnum");
}

namespace {
QString LengthColumns(const QString &Type, const QString &Mod)
{
    return QStringLiteral("CASE %1 WHEN 'bit' THEN %2 WHEN 'varbit' THEN %2 WHEN 'char' THEN %2 - 4"
                          " WHEN 'bpchar' THEN %2 - 4 WHEN 'varchar' THEN %2 - 4"
                          " WHEN 'numeric' THEN %2/65536 ELSE %2 END AS col_len,"
                          " CASE %1 WHEN 'numeric' THEN (%2-4)%65536 ELSE -1 END AS col_sublen")
        .arg(Type, Mod);
}
} // namespace

QString MatrixSQL::TableColumns(int Version)
{
    return QStringLiteral("SELECT a.attname, format_type(t.oid, null) AS typname, ") +
           LengthColumns(QStringLiteral("t.typname"), QStringLiteral("a.atttypmod")) +
           QStringLiteral(", a.atttypmod FROM pg_attribute a LEFT JOIN pg_type t ON t.oid = a.atttypid"
                          " LEFT JOIN pg_class c ON c.oid = a.attrelid"
                          " LEFT JOIN pg_namespace ns ON ns.oid = c.relnamespace WHERE c.relkind IN ('r', 'v'") +
           (Version >= 100000 ? QStringLiteral(", 'p'") : QString()) +
           (Version >= 90300 ? QStringLiteral(", 'm'") : QString()) +
           QStringLiteral(") AND a.attnum > 0 AND NOT a.attisdropped AND a.atttypid > 0 AND ns.nspname = :SCHEMA"
                          " AND c.relname = :TABLE ORDER BY ns.nspname, c.relname, a.attnum");
}

QString MatrixSQL::IndexColumns()
{
    return QStringLiteral("SELECT A.attname, format_type(typ.oid, null) AS typname, ") +
           LengthColumns(QStringLiteral("typ.typname"), QStringLiteral("A.atttypmod")) +
           QStringLiteral(", A.atttypmod FROM pg_class C LEFT JOIN pg_namespace N ON C.relnamespace = N.oid"
                          " LEFT JOIN pg_attribute A ON C.oid = A.attrelid"
                          " LEFT JOIN pg_type typ ON typ.oid= a.atttypid"
                          " LEFT JOIN pg_index I ON C.oid = I.indexrelid"
                          " LEFT JOIN pg_am AM ON C.relam = AM.oid"
                          " LEFT JOIN pg_tablespace T ON C.reltablespace = T.oid"
                          " WHERE 0 = 0 AND C.relkind = 'i' AND A.attnum > 0 AND A.attisdropped = False"
                          " AND N.nspname = :SCHEMA AND C.relname = :INDEX ORDER BY A.attnum");
}

// ---------------------------------------------------------------------------
// Lookups

TMatrixLookup::TMatrixLookup(tv::db::Connection &Conn, int Version, bool Edb)
    : FConn(Conn), FVersion(Version), FEdb(Edb)
{
}

qint64 TMatrixLookup::GetObjectOid(int Code, const QString &Schema, const QString &Args, const QString &Table,
                                   const QString &Name)
{
    if (Code == 51 || Code == 52 || Code == 128)
        return FindFunctionOid(Schema, Name, Args);
    const QString sql = MatrixSQL::ObjectOid(Code == 54 ? 53 : Code, FVersion, FEdb);
    if (sql.isEmpty())
        return -1;
    tv::db::Query q(&FConn);
    q.SetSQL(sql);
    for (const QString &name : q.Params().names()) {
        const QString n = name.toLower();
        q.ParamByName(name).setAsString(n == u"table" ? Table : (n == u"schema" || n == u"nspname") ? Schema : Name);
    }
    q.Open();
    if (q.Eof() || q.Fields(0).IsNull())
        return -1;
    return q.Fields(0).AsString().toLongLong();
}

qint64 TMatrixLookup::FindFunctionOid(const QString &Schema, const QString &Name, const QString &Args)
{
    WaitCursor wait;
    tv::db::Query q(&FConn);
    OpenQuery(q, MatrixSQL::FunctionCandidates(), {{"SCHEMA", Schema}, {"NAME", Name}});
    if (q.RecordCount() == 1)
        return q.Fields(0).IsNull() ? -1 : q.Fields(0).AsString().toLongLong();
    for (; !q.Eof(); q.Next()) {
        QList<qint64> oids;
        for (const QString &l : CrLfLines(q.Fields(1).AsString()))
            oids << l.trimmed().toLongLong();
        if (TypeNameList(oids) == Args)
            return q.Fields(0).AsString().toLongLong();
    }
    return -1;
}

QString TMatrixLookup::TypeNameList(const QList<qint64> &Oids)
{
    if (Oids.isEmpty())
        return {};
    WaitCursor wait;
    tv::db::Query q(&FConn);
    q.SetSQL(MatrixSQL::TypeNames(int(Oids.size())));
    for (int i = 0; i < Oids.size(); ++i)
        q.ParamByName(QStringLiteral("OID%1").arg(i)).setAsString(QString::number(Oids.at(i)));
    q.Open();
    QStringList names;
    for (; !q.Eof(); q.Next())
        names << q.FieldByName(QStringLiteral("typname")).AsString();
    return names.join(u',');
}

QString TMatrixLookup::GetFunctionArgTypes(qint64 Oid)
{
    tv::db::Query q(&FConn);
    OpenQuery(q, MatrixSQL::FunctionArgVector(), {{"OID", QString::number(Oid)}});
    if (q.Eof())
        return {};
    QString out;
    tv::db::Query t(&FConn);
    t.SetSQL(MatrixSQL::TypeName());
    for (const QString &l : CrLfLines(q.Fields(0).AsString())) {
        QString name;
        if (!tv::ui::EscapePressed()) {
            t.Close();
            t.ParamByName(QStringLiteral("OID")).setAsString(QString::number(l.trimmed().toLongLong()));
            t.Open();
            if (!t.Eof())
                name = t.Fields(1).AsString();
        }
        if (!out.isEmpty())
            out += u',';
        out += name;
    }
    return out;
}

void TMatrixLookup::DescribeDependentObject(TAryRefObj &Entries)
{
    QStringList parts;
    for (const TRefObj &e : Entries) {
        const QString s = MatrixSQL::Describe(e.sCatalog, e.nOid, FVersion, FEdb);
        if (!s.isEmpty())
            parts << s;
    }
    if (parts.isEmpty())
        return;
    tv::db::Query q(&FConn);
    q.SetParamParsing(false);
    q.SetSQL(parts.join(QStringLiteral(" UNION ALL ")));
    q.Open();
    for (; !q.Eof(); q.Next()) {
        const qint64 oid = q.Fields(0).AsString().toLongLong();
        const QString objtype = q.Fields(3).AsString();
        for (TRefObj &e : Entries) {
            if (e.nOid != oid)
                continue;
            if (objtype != u"CLASS") {
                e.sType = objtype;
            } else {
                if (!q.Fields(6).IsNull() && q.Fields(6).AsString().toLongLong() > 0)
                    e.nOid = q.Fields(6).AsString().toLongLong();
                static const QHash<QString, QString> kinds{
                    {QStringLiteral("r"), QStringLiteral("TABLE")},
                    {QStringLiteral("p"), QStringLiteral("TABLE")},
                    {QStringLiteral("i"), QStringLiteral("INDEX")},
                    {QStringLiteral("S"), QStringLiteral("SEQUENCE")},
                    {QStringLiteral("v"), QStringLiteral("VIEW")},
                    {QStringLiteral("c"), QStringLiteral("TYPE")},
                    {QStringLiteral("f"), QStringLiteral("TABLE")},
                    {QStringLiteral("m"), QStringLiteral("MATERIALIZED VIEW")}};
                e.sType = kinds.value(q.Fields(4).AsString());
            }
            e.sName = q.Fields(2).AsString();
            e.sSchema = q.Fields(1).AsString();
            if (e.sType == u"TRIGGER" || e.sType == u"RULE")
                e.sParent = q.Fields(5).AsString();
            else if (e.sType == u"FUNCTION" || e.sType == u"AGGREGATE" || e.sType == u"PROCEDURE")
                e.sFncArg = GetFunctionArgTypes(e.nOid);
            else if (e.sType == u"PACKAGE BODY") {
                e.sParent = q.Fields(5).AsString();
                e.sFncArg = GetFunctionArgTypes(e.nOid);
            }
        }
    }
}

TAryRefObj TMatrixLookup::Dependencies(qint64 Oid, bool References)
{
    tv::db::Query q(&FConn);
    OpenQuery(q, References ? MatrixSQL::References() : MatrixSQL::ReferencedBy(),
              {{References ? "objid" : "refobjid", QString::number(Oid)}});
    TAryRefObj out;
    for (; !q.Eof(); q.Next()) {
        TRefObj e;
        e.sCatalog = q.Fields(1).AsString();
        e.nOid = q.Fields(2).AsString().toLongLong();
        out << e;
    }
    return out;
}

qint64 TMatrixLookup::ViewRuleOid(qint64 Oid)
{
    tv::db::Query q(&FConn);
    OpenQuery(q, MatrixSQL::ViewRule(), {{"view_oid", QString::number(Oid)}});
    return q.Eof() ? Oid : q.Fields(0).AsString().toLongLong();
}

QStringList TMatrixLookup::PrimaryKeyColumns(const QString &Schema, const QString &Table)
{
    tv::db::Query q(&FConn);
    OpenQuery(q, MatrixSQL::PrimaryKeyColumns(), {{"SCHEMA", Schema}, {"TABLE", Table}});
    QStringList out;
    for (; !q.Eof(); q.Next())
        out << q.Fields(0).AsString();
    return out;
}

TAryColInfo TMatrixLookup::Columns(int Code, const QString &Schema, const QString &Name)
{
    tv::db::Query q(&FConn);
    if (Code == 46)
        OpenQuery(q, MatrixSQL::IndexColumns(), {{"SCHEMA", Schema}, {"INDEX", Name}});
    else
        OpenQuery(q, MatrixSQL::TableColumns(FVersion), {{"SCHEMA", Schema}, {"TABLE", Name}});
    TAryColInfo out;
    for (; !q.Eof(); q.Next()) {
        TColInfo c;
        c.sName = q.Fields(0).AsString();
        c.sType = FormatTypeWithModifier(q.Fields(1).AsString(), q.Fields(4).AsString().toInt());
        const QString len = q.Fields(2).AsString(), sub = q.Fields(3).AsString();
        if (len != u"-1" && len != u"-5")
            c.sLen = len;
        if (sub != u"-1" && sub != u"-5")
            c.sSubLen = sub;
        out << c;
    }
    return out;
}
