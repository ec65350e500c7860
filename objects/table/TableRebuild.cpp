#include "objects/table/TableRebuild.h"

#include "common/Quote.h"
#include "platform/db/Query.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {

// The table itself, joined by every query below.
const QString TableCTE = QStringLiteral(
    "WITH t AS (SELECT C.oid, C.reltype FROM pg_class C JOIN pg_namespace N ON N.oid = C.relnamespace"
    " WHERE N.nspname = :SCHEMA AND C.relname = :TBLNAME) ");

// What depends on the table or its row type and would go with it.
const QString RefusalsSQL = QStringLiteral(
    "SELECT DISTINCT kind, name FROM ("
    " SELECT CASE V.relkind WHEN 'v' THEN 'VIEW' WHEN 'm' THEN 'MATERIALIZED VIEW' ELSE 'RULE' END AS kind,"
    "  CASE WHEN V.relkind IN ('v', 'm') THEN VN.nspname || '.' || V.relname"
    "  ELSE VN.nspname || '.' || R.rulename END AS name"
    "  FROM t, pg_depend D JOIN pg_rewrite R ON R.oid = D.objid"
    "  JOIN pg_class V ON V.oid = R.ev_class JOIN pg_namespace VN ON VN.oid = V.relnamespace"
    "  WHERE D.classid = 'pg_rewrite'::regclass AND D.refobjid IN (t.oid, t.reltype) AND V.oid <> t.oid"
    " UNION ALL SELECT 'RULE', RN.nspname || '.' || R.rulename FROM t, pg_rewrite R"
    "  JOIN pg_class RC ON RC.oid = R.ev_class JOIN pg_namespace RN ON RN.oid = RC.relnamespace"
    "  WHERE R.ev_class = t.oid"
    " UNION ALL SELECT CASE WHEN C.relispartition THEN 'PARTITION' ELSE 'TABLE' END, CN.nspname || '.' || C.relname"
    "  FROM t, pg_inherits I JOIN pg_class C ON C.oid = I.inhrelid JOIN pg_namespace CN ON CN.oid = C.relnamespace"
    "  WHERE I.inhparent = t.oid"
    " UNION ALL SELECT 'STATISTICS', SN.nspname || '.' || S.stxname FROM t, pg_statistic_ext S"
    "  JOIN pg_namespace SN ON SN.oid = S.stxnamespace WHERE S.stxrelid = t.oid"
    " UNION ALL SELECT 'PUBLICATION', P.pubname FROM t, pg_publication_rel PR"
    "  JOIN pg_publication P ON P.oid = PR.prpubid WHERE PR.prrelid = t.oid"
    " UNION ALL SELECT 'FUNCTION', PN.nspname || '.' || P.proname FROM t, pg_depend D"
    "  JOIN pg_proc P ON P.oid = D.objid JOIN pg_namespace PN ON PN.oid = P.pronamespace"
    "  WHERE D.classid = 'pg_proc'::regclass AND D.refobjid IN (t.oid, t.reltype)"
    " UNION ALL SELECT CASE C.relkind WHEN 'v' THEN 'VIEW' WHEN 'm' THEN 'MATERIALIZED VIEW' ELSE 'TABLE' END,"
    "  CN.nspname || '.' || C.relname FROM t, pg_depend D"
    "  JOIN pg_class C ON C.oid = D.objid JOIN pg_namespace CN ON CN.oid = C.relnamespace"
    "  WHERE D.classid = 'pg_class'::regclass AND D.refclassid = 'pg_type'::regclass"
    "  AND D.refobjid = t.reltype AND D.deptype = 'n'"
    " UNION ALL SELECT 'TYPE', TN.nspname || '.' || TY.typname FROM t, pg_depend D"
    "  JOIN pg_type TY ON TY.oid = D.objid JOIN pg_namespace TN ON TN.oid = TY.typnamespace"
    "  WHERE D.classid = 'pg_type'::regclass AND D.refobjid = t.reltype AND D.deptype = 'n'"
    " UNION ALL SELECT 'POLICY', PN.nspname || '.' || PC.relname || '.' || P.polname FROM t, pg_depend D"
    "  JOIN pg_policy P ON P.oid = D.objid JOIN pg_class PC ON PC.oid = P.polrelid"
    "  JOIN pg_namespace PN ON PN.oid = PC.relnamespace"
    "  WHERE D.classid = 'pg_policy'::regclass AND D.refobjid IN (t.oid, t.reltype) AND P.polrelid <> t.oid"
    " UNION ALL SELECT 'IDENTITY COLUMN', CAST(:SCHEMA AS text) || '.' || CAST(:TBLNAME AS text) || '.' || A.attname"
    "  FROM t, pg_attribute A"
    "  WHERE A.attrelid = t.oid AND A.attnum > 0 AND NOT A.attisdropped AND A.attidentity <> ''"
    " UNION ALL SELECT 'GENERATED COLUMN', CAST(:SCHEMA AS text) || '.' || CAST(:TBLNAME AS text) || '.' || A.attname"
    "  FROM t, pg_attribute A"
    "  WHERE A.attrelid = t.oid AND A.attnum > 0 AND NOT A.attisdropped AND A.attgenerated <> ''"
    ") X ORDER BY 1, 2");

const QString TableSQL = QStringLiteral(
    "SELECT C.relrowsecurity, C.relforcerowsecurity, pg_get_userbyid(C.relowner), C.relacl IS NULL,"
    " concat_ws(chr(10), array_to_string(C.reloptions, chr(10)),"
    " (SELECT string_agg('toast.' || o, chr(10)) FROM pg_class TC, unnest(TC.reloptions) o"
    " WHERE TC.oid = C.reltoastrelid)) FROM t, pg_class C WHERE C.oid = t.oid");

const QString SequencesSQL = QStringLiteral(
    "SELECT SN.nspname, S.relname, D.refobjsubid FROM t, pg_depend D"
    " JOIN pg_class S ON S.oid = D.objid AND S.relkind = 'S' JOIN pg_namespace SN ON SN.oid = S.relnamespace"
    " WHERE D.classid = 'pg_class'::regclass AND D.refclassid = 'pg_class'::regclass"
    " AND D.refobjid = t.oid AND D.deptype = 'a' ORDER BY 1, 2");

const QString IndexesSQL = QStringLiteral(
    "SELECT IC.relname, pg_get_indexdef(I.indexrelid), TS.spcname, pg_get_expr(I.indpred, I.indrelid),"
    " obj_description(I.indexrelid, 'pg_class') FROM t, pg_index I JOIN pg_class IC ON IC.oid = I.indexrelid"
    " LEFT JOIN pg_tablespace TS ON TS.oid = IC.reltablespace"
    " WHERE I.indrelid = t.oid AND NOT EXISTS (SELECT 1 FROM pg_constraint K"
    " WHERE K.conindid = I.indexrelid AND K.conrelid = I.indrelid) ORDER BY IC.relname");

const QString OwnCommentsSQL = QStringLiteral(
    "SELECT K.conname, obj_description(K.oid, 'pg_constraint') FROM t, pg_constraint K"
    " WHERE K.conrelid = t.oid AND obj_description(K.oid, 'pg_constraint') IS NOT NULL ORDER BY 1");

const QString ForeignKeysSQL = QStringLiteral(
    "SELECT FN.nspname, F.relname, K.conname, pg_get_constraintdef(K.oid),"
    " obj_description(K.oid, 'pg_constraint') FROM t, pg_constraint K"
    " JOIN pg_class F ON F.oid = K.conrelid JOIN pg_namespace FN ON FN.oid = F.relnamespace"
    " WHERE K.contype = 'f' AND K.confrelid = t.oid AND K.conrelid <> t.oid AND K.conparentid = 0"
    " ORDER BY 1, 2, 3");

const QString TriggersSQL = QStringLiteral(
    "SELECT G.tgname, pg_get_triggerdef(G.oid), G.tgenabled, obj_description(G.oid, 'pg_trigger')"
    " FROM t, pg_trigger G WHERE G.tgrelid = t.oid AND NOT G.tgisinternal ORDER BY 1");

const QString PoliciesSQL = QStringLiteral(
    "SELECT P.polname, P.polpermissive, P.polcmd,"
    " (SELECT string_agg(CASE WHEN r = 0 THEN 'PUBLIC' ELSE quote_ident(pg_get_userbyid(r)) END, ', ')"
    "  FROM unnest(P.polroles) r),"
    " pg_get_expr(P.polqual, P.polrelid), pg_get_expr(P.polwithcheck, P.polrelid),"
    " obj_description(P.oid, 'pg_policy') FROM t, pg_policy P WHERE P.polrelid = t.oid ORDER BY 1");

const QString TableGrantsSQL = QStringLiteral(
    "SELECT CASE WHEN X.grantee = 0 THEN '' ELSE pg_get_userbyid(X.grantee) END, X.privilege_type,"
    " X.is_grantable FROM t, pg_class C, aclexplode(C.relacl) WITH ORDINALITY X(grantor, grantee,"
    " privilege_type, is_grantable, n) WHERE C.oid = t.oid ORDER BY X.n");

const QString ColumnGrantsSQL = QStringLiteral(
    "SELECT A.attnum, CASE WHEN X.grantee = 0 THEN '' ELSE pg_get_userbyid(X.grantee) END, X.privilege_type,"
    " X.is_grantable FROM t, pg_attribute A, aclexplode(A.attacl) WITH ORDINALITY X(grantor, grantee,"
    " privilege_type, is_grantable, n) WHERE A.attrelid = t.oid AND A.attnum > 0 AND NOT A.attisdropped"
    " AND A.attacl IS NOT NULL ORDER BY A.attnum, X.n");

template <class F>
void ForEachRow(tv::db::Query &Q, const QString &Sql, const QString &Schema, const QString &Table, F &&Row)
{
    Q.Close();
    Q.SetSQL(TableCTE + Sql);
    Q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    Q.ParamByName(QStringLiteral("TBLNAME")).setAsString(Table);
    Q.Open();
    struct Closer {
        tv::db::Query &q;
        ~Closer() { q.Close(); }
    } closer{Q};
    for (; !Q.Eof(); Q.Next())
        Row(Q);
}

void Statement(QStringList &List, const QString &Text)
{
    List << Text << QStringLiteral(";");
}

QString Grantee(const QString &Role)
{
    return Role.isEmpty() ? QStringLiteral("PUBLIC") : QuoteIdentifier(Role);
}

} // namespace

QString BackupTableName(const QString &Table, const QDateTime &Now)
{
    return Table.left(19) + u'_' + Now.toString(QStringLiteral("MMddhhmmss"));
}

QStringList RestoreRelOptions(const QString &Schema, const QString &Table, const QStringList &Options,
                              const QStringList &Create)
{
    const QString create = Create.join(u'\n');
    static const QRegularExpression plain(QStringLiteral("^[a-z_][a-z0-9_.]*$"));
    QStringList kept;
    for (const QString &o : Options) {
        const qsizetype eq = o.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString name = o.left(eq);
        const QString bare = name.startsWith(QLatin1String("toast.")) ? name.mid(6) : name;
        if (create.contains(bare, Qt::CaseInsensitive) || !plain.match(name).hasMatch())
            continue;
        kept << name + u'=' + QuoteLiteral(o.mid(eq + 1));
    }
    if (kept.isEmpty())
        return {};
    return {QStringLiteral("ALTER TABLE ") + QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Table) +
                QStringLiteral(" SET (") + kept.join(QStringLiteral(", ")) + u')',
            QStringLiteral(";")};
}

QString RefusalMessage(const QStringList &Refusals)
{
    return QStringLiteral("テーブルを再作成できません。") + QStringLiteral("\r\n") +
           Refusals.join(QStringLiteral("\r\n"));
}

TTableRebuild ReadTableRebuild(tv::db::Query &Q, const QString &Schema, const QString &Table,
                               const std::function<QString(int AttNum)> &NewColumnName,
                               const QStringList &KeptConstraints)
{
    TTableRebuild r;
    const QString qt = QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Table);
    const QString alter = QStringLiteral("ALTER TABLE ") + qt + u' ';

    ForEachRow(Q, RefusalsSQL, Schema, Table, [&](tv::db::Query &q) {
        r.Refusals << q.Fields(0).AsString() + u' ' + q.Fields(1).AsString();
    });
    if (!r.Refusals.isEmpty())
        return r;

    bool enable = false, force = false, aclNull = true;
    QString owner;
    QStringList options;
    ForEachRow(Q, TableSQL, Schema, Table, [&](tv::db::Query &q) {
        enable = q.Fields(0).AsBoolean();
        force = q.Fields(1).AsBoolean();
        owner = q.Fields(2).AsString();
        aclNull = q.Fields(3).AsBoolean();
        options = q.Fields(4).AsString().split(u'\n', Qt::SkipEmptyParts);
    });
    if (force)
        Statement(r.Prepare, alter + QStringLiteral("NO FORCE ROW LEVEL SECURITY"));

    // Owned sequences: detached before the drop, owned again by their
    // column (or dropped with it) once the table has its owner.
    QStringList sequences;
    ForEachRow(Q, SequencesSQL, Schema, Table, [&](tv::db::Query &q) {
        const QString seq = QuoteIdentifier(q.Fields(0).AsString()) + u'.' + QuoteIdentifier(q.Fields(1).AsString());
        Statement(r.Detach, QStringLiteral("ALTER SEQUENCE ") + seq + QStringLiteral(" OWNED BY NONE"));
        const QString column = NewColumnName(q.Fields(2).AsInteger());
        if (column.isEmpty())
            Statement(sequences, QStringLiteral("DROP SEQUENCE ") + seq);
        else
            Statement(sequences, QStringLiteral("ALTER SEQUENCE ") + seq + QStringLiteral(" OWNED BY ") + qt + u'.' +
                                     QuoteIdentifier(column));
    });

    ForEachRow(Q, IndexesSQL, Schema, Table, [&](tv::db::Query &q) {
        QString def = q.Fields(1).AsString();
        const QString space = q.Fields(2).AsString();
        if (!space.isEmpty()) {
            const QString where = QStringLiteral(" WHERE ") + q.Fields(3).AsString();
            const QString clause = QStringLiteral(" TABLESPACE ") + QuoteIdentifier(space);
            if (!q.Fields(3).IsNull() && def.endsWith(where))
                def.insert(def.size() - where.size(), clause);
            else
                def += clause;
        }
        Statement(r.Restore, def);
        if (!q.Fields(4).IsNull())
            Statement(r.Restore, QStringLiteral("COMMENT ON INDEX ") + QuoteIdentifier(Schema) + u'.' +
                                     QuoteIdentifier(q.Fields(0).AsString()) + QStringLiteral(" IS ") +
                                     QuoteLiteral(q.Fields(4).AsString()));
    });

    ForEachRow(Q, OwnCommentsSQL, Schema, Table, [&](tv::db::Query &q) {
        const QString name = q.Fields(0).AsString();
        if (KeptConstraints.contains(name))
            Statement(r.Restore, QStringLiteral("COMMENT ON CONSTRAINT ") + QuoteIdentifier(name) +
                                     QStringLiteral(" ON ") + qt + QStringLiteral(" IS ") +
                                     QuoteLiteral(q.Fields(1).AsString()));
    });

    // Other tables' foreign keys: dropped by name, added again once the
    // keys they reference exist.
    ForEachRow(Q, ForeignKeysSQL, Schema, Table, [&](tv::db::Query &q) {
        const QString other = QuoteIdentifier(q.Fields(0).AsString()) + u'.' + QuoteIdentifier(q.Fields(1).AsString());
        const QString name = QuoteIdentifier(q.Fields(2).AsString());
        Statement(r.Detach, QStringLiteral("ALTER TABLE ") + other + QStringLiteral(" DROP CONSTRAINT ") + name);
        Statement(r.Restore, QStringLiteral("ALTER TABLE ") + other + QStringLiteral(" ADD CONSTRAINT ") + name +
                                 u' ' + q.Fields(3).AsString());
        if (!q.Fields(4).IsNull())
            Statement(r.Restore, QStringLiteral("COMMENT ON CONSTRAINT ") + name + QStringLiteral(" ON ") + other +
                                     QStringLiteral(" IS ") + QuoteLiteral(q.Fields(4).AsString()));
    });

    ForEachRow(Q, TriggersSQL, Schema, Table, [&](tv::db::Query &q) {
        const QString name = QuoteIdentifier(q.Fields(0).AsString());
        Statement(r.Restore, q.Fields(1).AsString());
        const QString state = q.Fields(2).AsString();
        if (state == QLatin1String("D"))
            Statement(r.Restore, alter + QStringLiteral("DISABLE TRIGGER ") + name);
        else if (state == QLatin1String("R"))
            Statement(r.Restore, alter + QStringLiteral("ENABLE REPLICA TRIGGER ") + name);
        else if (state == QLatin1String("A"))
            Statement(r.Restore, alter + QStringLiteral("ENABLE ALWAYS TRIGGER ") + name);
        if (!q.Fields(3).IsNull())
            Statement(r.Restore, QStringLiteral("COMMENT ON TRIGGER ") + name + QStringLiteral(" ON ") + qt +
                                     QStringLiteral(" IS ") + QuoteLiteral(q.Fields(3).AsString()));
    });

    ForEachRow(Q, PoliciesSQL, Schema, Table, [&](tv::db::Query &q) {
        const QString name = QuoteIdentifier(q.Fields(0).AsString());
        const QString cmd = q.Fields(2).AsString();
        const QString command = cmd == QLatin1String("r")   ? QStringLiteral("SELECT")
                                : cmd == QLatin1String("a") ? QStringLiteral("INSERT")
                                : cmd == QLatin1String("w") ? QStringLiteral("UPDATE")
                                : cmd == QLatin1String("d") ? QStringLiteral("DELETE")
                                                            : QStringLiteral("ALL");
        QString text = QStringLiteral("CREATE POLICY ") + name + QStringLiteral(" ON ") + qt +
                       (q.Fields(1).AsBoolean() ? QStringLiteral(" AS PERMISSIVE") : QStringLiteral(" AS RESTRICTIVE")) +
                       QStringLiteral(" FOR ") + command + QStringLiteral(" TO ") + q.Fields(3).AsString();
        if (!q.Fields(4).IsNull())
            text += QStringLiteral(" USING (") + q.Fields(4).AsString() + u')';
        if (!q.Fields(5).IsNull())
            text += QStringLiteral(" WITH CHECK (") + q.Fields(5).AsString() + u')';
        Statement(r.Restore, text);
        if (!q.Fields(6).IsNull())
            Statement(r.Restore, QStringLiteral("COMMENT ON POLICY ") + name + QStringLiteral(" ON ") + qt +
                                     QStringLiteral(" IS ") + QuoteLiteral(q.Fields(6).AsString()));
    });
    if (enable)
        Statement(r.Restore, alter + QStringLiteral("ENABLE ROW LEVEL SECURITY"));
    if (force)
        Statement(r.Restore, alter + QStringLiteral("FORCE ROW LEVEL SECURITY"));

    Statement(r.Restore, alter + QStringLiteral("OWNER TO ") + QuoteIdentifier(owner));

    r.Restore << sequences;
    r.RelOptions = options;

    // Grants as they were, in their order; the owner's own included.
    if (!aclNull) {
        Statement(r.Restore, QStringLiteral("REVOKE ALL ON ") + qt + QStringLiteral(" FROM ") + QuoteIdentifier(owner));
        ForEachRow(Q, TableGrantsSQL, Schema, Table, [&](tv::db::Query &q) {
            Statement(r.Restore, QStringLiteral("GRANT ") + q.Fields(1).AsString() + QStringLiteral(" ON ") + qt +
                                     QStringLiteral(" TO ") + Grantee(q.Fields(0).AsString()) +
                                     (q.Fields(2).AsBoolean() ? QStringLiteral(" WITH GRANT OPTION") : QString()));
        });
    }
    ForEachRow(Q, ColumnGrantsSQL, Schema, Table, [&](tv::db::Query &q) {
        const QString column = NewColumnName(q.Fields(0).AsInteger());
        if (column.isEmpty())
            return;
        Statement(r.Restore, QStringLiteral("GRANT ") + q.Fields(2).AsString() + QStringLiteral(" (") +
                                 QuoteIdentifier(column) + QStringLiteral(") ON ") + qt + QStringLiteral(" TO ") +
                                 Grantee(q.Fields(1).AsString()) +
                                 (q.Fields(3).AsBoolean() ? QStringLiteral(" WITH GRANT OPTION") : QString()));
    });
    return r;
}
