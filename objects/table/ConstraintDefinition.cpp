#include "objects/table/ConstraintDefinition.h"

#include "common/Quote.h"
#include "common/TextUtil.h"
#include "objects/table/StorageDefinition.h"
#include "platform/db/Query.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString Semicolon = QStringLiteral(";");

struct CloseOnExit {
    tv::db::Query &q;
    ~CloseOnExit() { q.Close(); }
};

const char *const ActionCodes = "arcnd";

QStringList JsonTexts(const QString &Json)
{
    QStringList list;
    for (const QJsonValue &v : QJsonDocument::fromJson(Json.toUtf8()).array())
        list << v.toString();
    return list;
}

QString QuotedJoin(const QStringList &Names)
{
    QStringList q;
    for (const QString &n : Names)
        q << QuoteIdentifier(n);
    return q.join(QStringLiteral(", "));
}

} // namespace

QString ConstTypeName(TConstType Type)
{
    static const char *const names[] = {"PRIMARY KEY", "UNIQUE KEY", "FOREIGN KEY", "CHECK", "EXCLUDE"};
    return QString::fromLatin1(names[Type]);
}

QChar ConstTypeCode(TConstType Type)
{
    return QChar::fromLatin1("pufcx"[Type]);
}

int ConstTypeFromCode(QChar Code)
{
    const int at = QStringLiteral("pufcx").indexOf(Code);
    return at;
}

int ConstActionFromCode(QChar Code)
{
    return QString::fromLatin1(ActionCodes).indexOf(Code);
}

QString ConstActionClause(int Index)
{
    static const char *const words[] = {"NO ACTION", "RESTRICT", "CASCADE", "SET NULL", "SET DEFAULT"};
    return Index >= 0 && Index < 5 ? QString::fromLatin1(words[Index]) : QString();
}

QString ConstActionCaption(int Index)
{
    static const char *const items[] = {"何もしない(NO ACTION)", "遅延不可(RESTRICT)", "連鎖(CASCADE)",
                                        "NULL(SET NULL)", "初期値(SET DEFAULT)"};
    return Index >= 0 && Index < 5 ? QString::fromUtf8(items[Index]) : QString();
}

QString ConstraintSQL::Constraint()
{
    return QStringLiteral(
        "SELECT TBCL.relname, CO.contype, pg_get_expr(CO.conbin, CO.conrelid) AS consrc,"
        " pg_get_constraintdef(CO.oid) AS condef, RNS.nspname AS refschema, RCL.relname AS reftable,"
        " IDX.relname AS idxname, CO.confdeltype, CO.confupdtype, CO.confmatchtype, COTS.spcname,"
        " (SELECT DT.spcname FROM pg_database DB LEFT JOIN pg_tablespace DT ON DB.dattablespace = DT.oid"
        " WHERE DB.datname = :DATABASE) AS defspcname,"
        " CO.condeferrable, CO.condeferred, CO.convalidated, CO.connoinherit, AM.amname,"
        " CASE WHEN CO.conindid <> 0 THEN pg_get_indexdef(CO.conindid) END AS indexdef,"
        " pg_get_expr(I.indpred, I.indrelid) AS pred,"
        " array_to_json(ARRAY(SELECT A.attname FROM unnest(CO.conkey) WITH ORDINALITY AS K(n, o)"
        " JOIN pg_attribute A ON A.attrelid = CO.conrelid AND A.attnum = K.n ORDER BY K.o)) AS keycols,"
        " array_to_json(ARRAY(SELECT A.attname FROM unnest(CO.confkey) WITH ORDINALITY AS K(n, o)"
        " JOIN pg_attribute A ON A.attrelid = CO.confrelid AND A.attnum = K.n ORDER BY K.o)) AS refcols,"
        " CASE WHEN CO.contype = 'x' THEN array_to_json(ARRAY(SELECT json_build_object("
        "'col', pg_get_indexdef(CO.conindid, K.n, false), 'opc', OPC.opcname, 'op', OPR.oprname)"
        " FROM generate_series(1, I.indnatts) AS K(n)"
        " LEFT JOIN pg_opclass OPC ON OPC.oid = I.indclass[K.n - 1]"
        " LEFT JOIN pg_operator OPR ON OPR.oid = CO.conexclop[K.n] ORDER BY K.n)) END AS excols"
        " FROM pg_constraint CO JOIN pg_class TBCL ON TBCL.oid = CO.conrelid"
        " JOIN pg_namespace TBNS ON TBNS.oid = TBCL.relnamespace"
        " LEFT JOIN pg_class IDX ON IDX.oid = CO.conindid"
        " LEFT JOIN pg_index I ON I.indexrelid = CO.conindid"
        " LEFT JOIN pg_am AM ON AM.oid = IDX.relam"
        " LEFT JOIN pg_tablespace COTS ON COTS.oid = IDX.reltablespace"
        " LEFT JOIN pg_class RCL ON RCL.oid = CO.confrelid"
        " LEFT JOIN pg_namespace RNS ON RNS.oid = RCL.relnamespace"
        " WHERE TBNS.nspname = :SCHEMA AND CO.conname = :CONNAME AND TBCL.relname = :TBLNAME");
}

QString ConstraintSQL::RefIndexes()
{
    return QStringLiteral(
        "SELECT C.relname FROM pg_class C LEFT JOIN pg_namespace N ON C.relnamespace = N.oid "
        "LEFT JOIN pg_index I     ON C.oid = I.indexrelid LEFT JOIN pg_am A        ON C.relam = A.oid "
        "LEFT JOIN pg_class C2 ON C2.oid = I.indrelid WHERE C.relkind = 'i' AND A.amname IN('btree', 'hash') "
        "AND I.indpred IS NULL AND N.nspname = :SCHEMANAME AND C2.relname = :TBLNAME");
}

QString ConstraintSQL::AccessMethods(int DBVer)
{
    if (DBVer < 90600)
        return QStringLiteral(
            "SELECT UPPER(amname) FROM pg_am WHERE EXISTS (SELECT 1 FROM pg_proc WHERE oid=amgettuple) ORDER BY amname");
    return QStringLiteral("SELECT UPPER(amname) FROM pg_am WHERE EXISTS (SELECT 1 FROM pg_proc WHERE oid=amhandler) "
                          "AND UPPER(amname) NOt IN ('BRIN', 'GIN') ORDER BY amname");
}

void ParseExcludeOrders(const QString &IndexDef, QList<TExcludeRow> &Rows)
{
    const qsizetype open = IndexDef.indexOf(u'(');
    if (open < 0)
        return;
    QString rest = IndexDef.mid(open).toUpper();
    for (int i = 0; i < Rows.size(); ++i) {
        const bool last = i == Rows.size() - 1;
        qsizetype end = rest.indexOf(last ? u')' : u',');
        if (end < 0)
            end = rest.size();
        const QString piece = rest.left(end);
        rest = rest.mid(end + 1);
        if (piece.contains(QLatin1String(" DESC"))) {
            Rows[i].Order = QStringLiteral("DESC");
            Rows[i].NullOrder = piece.contains(QLatin1String(" NULLS LAST")) ? QStringLiteral("LAST")
                                                                            : QStringLiteral("FIRST");
        } else {
            Rows[i].Order = QStringLiteral("ASC");
            Rows[i].NullOrder = piece.contains(QLatin1String(" NULLS FIRST")) ? QStringLiteral("FIRST")
                                                                             : QStringLiteral("LAST");
        }
    }
}

std::optional<TConstraintDefinition> LoadConstraintDefinition(tv::db::Query &Query, const QString &Schema,
                                                              const QString &Name, const QString &TableName,
                                                              const QString &Database)
{
    CloseOnExit closer{Query};
    Query.Close();
    Query.SetSQL(ConstraintSQL::Constraint());
    Query.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    Query.ParamByName(QStringLiteral("CONNAME")).setAsString(Name);
    Query.ParamByName(QStringLiteral("TBLNAME")).setAsString(TableName);
    Query.ParamByName(QStringLiteral("DATABASE")).setAsString(Database);
    Query.Open();
    if (Query.IsEmpty())
        return std::nullopt;
    auto text = [&Query](const char *field) { return Query.FieldByName(QString::fromLatin1(field)).AsString(); };
    auto flag = [&Query](const char *field) { return Query.FieldByName(QString::fromLatin1(field)).AsBoolean(); };
    auto code = [&text](const char *field) {
        const QString t = text(field);
        return t.isEmpty() ? QChar() : t.at(0);
    };

    TConstraintDefinition d;
    d.Schema = Schema;
    d.Name = Name;
    d.TableName = text("relname");
    const int type = ConstTypeFromCode(code("contype"));
    if (type < 0)
        return std::nullopt; // a kind the window does not hold (a trigger constraint)
    d.Type = static_cast<TConstType>(type);
    d.ServerDef = text("condef");
    d.Deferrable = flag("condeferrable");
    d.InitiallyDeferred = flag("condeferred");
    d.NotValid = !flag("convalidated");
    d.NoInherit = flag("connoinherit");
    d.Tablespace = text("spcname");
    if (d.Tablespace.isEmpty())
        d.Tablespace = text("defspcname");
    switch (d.Type) {
    case ctPrimary:
    case ctUnique:
        d.Columns = JsonTexts(text("keycols"));
        break;
    case ctCheck:
        d.Check = text("consrc");
        break;
    case ctForeign: {
        d.RefSchema = text("refschema");
        d.RefTable = text("reftable");
        d.RefIndex = text("idxname");
        d.MatchFull = code("confmatchtype") == u'f';
        if (const int a = ConstActionFromCode(code("confdeltype")); a >= 0)
            d.DeleteAction = a;
        if (const int a = ConstActionFromCode(code("confupdtype")); a >= 0)
            d.UpdateAction = a;
        const QStringList cols = JsonTexts(text("keycols"));
        const QStringList refs = JsonTexts(text("refcols"));
        for (int i = 0; i < cols.size() && i < refs.size(); ++i)
            d.Pairs << TForeignPair{refs[i], cols[i]};
        break;
    }
    case ctExclude: {
        d.AccessMethod = text("amname").toUpper();
        d.ExcludeWhere = text("pred");
        for (const QJsonValue &v : QJsonDocument::fromJson(text("excols").toUtf8()).array()) {
            const QJsonObject o = v.toObject();
            TExcludeRow r;
            r.Column = StripDoubleQuotes(o.value(QStringLiteral("col")).toString());
            r.OpClass = o.value(QStringLiteral("opc")).toString();
            r.Operator = o.value(QStringLiteral("op")).toString();
            d.Exclude << r;
        }
        if (d.AccessMethod == QLatin1String("BTREE"))
            ParseExcludeOrders(text("indexdef"), d.Exclude);
        break;
    }
    }
    return d;
}

QString ConstraintDDL::TypeClause(const TConstraintDefinition &Def)
{
    switch (Def.Type) {
    case ctCheck: {
        QString text = Def.Check;
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        const QString trimmed = TrimBlanks(text);
        QString clause = trimmed.startsWith(u'(') && trimmed.endsWith(u')') ? QStringLiteral("CHECK ") + text
                                                                           : QStringLiteral("CHECK (") + text + u')';
        if (Def.NoInherit)
            clause += QStringLiteral(" NO INHERIT");
        return clause;
    }
    case ctUnique:
        return QStringLiteral("UNIQUE (") + QuotedJoin(Def.Columns) + u')';
    case ctPrimary:
        return QStringLiteral("PRIMARY KEY (") + QuotedJoin(Def.Columns) + u')';
    case ctForeign: {
        QStringList cols, refs;
        for (const TForeignPair &p : Def.Pairs) {
            cols << p.TableColumn;
            refs << p.RefColumn;
        }
        return QStringLiteral("FOREIGN KEY (") + QuotedJoin(cols) + QStringLiteral(") REFERENCES ") +
               QuoteIdentifier(Def.RefSchema) + u'.' + QuoteIdentifier(Def.RefTable) + u'(' + QuotedJoin(refs) + u')' +
               (Def.MatchFull ? QStringLiteral(" MATCH FULL") : QString()) + QStringLiteral(" ON UPDATE ") +
               ConstActionClause(Def.UpdateAction) + QStringLiteral(" ON DELETE ") +
               ConstActionClause(Def.DeleteAction);
    }
    case ctExclude: {
        QStringList rows;
        for (const TExcludeRow &r : Def.Exclude) {
            if (r.Column.isEmpty())
                continue;
            QString row = QuoteIdentifier(r.Column);
            if (Def.AccessMethod == QLatin1String("BTREE")) {
                row += u' ' + r.OpClass + u' ';
                if (!r.Order.isEmpty())
                    row += r.Order;
                if (!r.NullOrder.isEmpty())
                    row += QStringLiteral(" NULLS ") + r.NullOrder;
            }
            if (!r.Operator.isEmpty())
                row += QStringLiteral(" WITH ") + r.Operator;
            rows << row;
        }
        return QStringLiteral("EXCLUDE USING ") + Def.AccessMethod + QStringLiteral(" (") +
               rows.join(QStringLiteral(", ")) + u')';
    }
    }
    return QString();
}

void ConstraintDDL::Create(const TConstraintDefinition &Def, const QString &TablePrefix, bool WithStorage,
                           const QStringList &StorageClauses, QStringList &List)
{
    List << QStringLiteral("ALTER TABLE ") + TablePrefix + QuoteIdentifier(Def.TableName) +
                QStringLiteral(" ADD CONSTRAINT ") + QuoteIdentifier(Def.Name);
    List << TypeClause(Def);
    if (WithStorage && (Def.Type == ctPrimary || Def.Type == ctUnique || Def.Type == ctExclude))
        List << QStringLiteral("USING INDEX") << StorageClauses;
    if (Def.Type == ctExclude && !Def.ExcludeWhere.isEmpty())
        List << QStringLiteral("WHERE (") + Def.ExcludeWhere + u')';
    QStringList options;
    if (Def.Deferrable)
        options << QStringLiteral("DEFERRABLE");
    if (Def.InitiallyDeferred)
        options << QStringLiteral("INITIALLY DEFERRED");
    if (Def.NotValid && (Def.Type == ctForeign || Def.Type == ctCheck))
        options << QStringLiteral("NOT VALID");
    if (!options.isEmpty())
        List << options.join(u' ');
    List << Semicolon;
}

void ConstraintDDL::Drop(const TConstraintDefinition &Def, QStringList &List)
{
    List << QStringLiteral("ALTER TABLE ") + QuoteIdentifier(Def.Schema) + u'.' + QuoteIdentifier(Def.TableName) +
                QStringLiteral(" DROP CONSTRAINT ") + QuoteIdentifier(Def.Name)
         << Semicolon;
}

QStringList ConstraintDDL::StorageLines(TConstType Type, const QStringList &CreateLines)
{
    QStringList out;
    if (Type != ctPrimary && Type != ctUnique)
        return out;
    bool after = false;
    for (const QString &line : CreateLines) {
        if (line == Semicolon)
            break;
        if (after)
            out << QStringLiteral("        ") + line;
        else if (line == QLatin1String("USING INDEX"))
            after = true;
    }
    return out;
}

QStringList ConstraintDDL::StorageScript(const TConstraintDefinition &Def, TSourceMode Mode, bool ShowStorageSource,
                                         bool ScriptStorage, bool NullLine)
{
    TStorageSnapshot s;
    s.ObjType = 66;
    s.Mode = Mode;
    s.ShowStorageSource = ShowStorageSource;
    s.ScriptStorage = ScriptStorage;
    s.Schema = Def.Schema;
    s.ObjectName = Def.Name;
    s.Tablespace = Def.Tablespace;
    QStringList clauses;
    StorageDDL::Create(s, clauses);
    // "USING INDEX" is written for an existing constraint while storage is
    // shown, or in a script while the script option asks for it.
    const bool withStorage = Mode == smShow ? ShowStorageSource : ScriptStorage;
    QStringList lines;
    Create(Def, QString(), withStorage, clauses, lines);
    if (NullLine)
        RemoveEmptyLines(lines, true);
    return StorageLines(Def.Type, lines);
}
