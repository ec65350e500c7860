#include "objects/table/TableRebuild.h"

#include "common/Quote.h"
#include "common/RecreateKeeper.h"
#include "platform/db/Query.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>

namespace {

// Everything a rebuild reads, in one statement: one round trip, and every
// part seen in the same snapshot. Each part is one column holding its rows
// as a JSON array of arrays (null when it has none); the table itself comes
// from the common table expression t.
const QString RebuildSQL = QStringLiteral(
    "WITH t AS (SELECT C.oid, C.reltype FROM pg_class C JOIN pg_namespace N ON N.oid = C.relnamespace"
    " WHERE N.nspname = :SCHEMA AND C.relname = :TBLNAME) SELECT"
    // 0: what depends on the table or its row type and would go with it.
    " (SELECT json_agg(json_build_array(kind, name) ORDER BY kind, name) FROM (SELECT DISTINCT kind, name FROM ("
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
    " ) X) R),"
    // 1: the table (one row).
    " (SELECT json_build_array(C.relrowsecurity, C.relforcerowsecurity, pg_get_userbyid(C.relowner),"
    "  C.relacl IS NULL, concat_ws(chr(10), array_to_string(C.reloptions, chr(10)),"
    "  (SELECT string_agg('toast.' || o, chr(10)) FROM pg_class TC, unnest(TC.reloptions) o"
    "  WHERE TC.oid = C.reltoastrelid))) FROM t, pg_class C WHERE C.oid = t.oid),"
    // 2: owned sequences.
    " (SELECT json_agg(json_build_array(SN.nspname, S.relname, D.refobjsubid) ORDER BY SN.nspname, S.relname)"
    "  FROM t, pg_depend D"
    "  JOIN pg_class S ON S.oid = D.objid AND S.relkind = 'S' JOIN pg_namespace SN ON SN.oid = S.relnamespace"
    "  WHERE D.classid = 'pg_class'::regclass AND D.refclassid = 'pg_class'::regclass"
    "  AND D.refobjid = t.oid AND D.deptype = 'a'),"
    // 3: indexes that no constraint of the table makes.
    " (SELECT json_agg(json_build_array(IC.relname, pg_get_indexdef(I.indexrelid), TS.spcname,"
    "  pg_get_expr(I.indpred, I.indrelid), obj_description(I.indexrelid, 'pg_class')) ORDER BY IC.relname)"
    "  FROM t, pg_index I JOIN pg_class IC ON IC.oid = I.indexrelid"
    "  LEFT JOIN pg_tablespace TS ON TS.oid = IC.reltablespace"
    "  WHERE I.indrelid = t.oid AND NOT EXISTS (SELECT 1 FROM pg_constraint K"
    "  WHERE K.conindid = I.indexrelid AND K.conrelid = I.indrelid)),"
    // 4: comments of the table's own constraints.
    " (SELECT json_agg(json_build_array(K.conname, obj_description(K.oid, 'pg_constraint')) ORDER BY K.conname)"
    "  FROM t, pg_constraint K"
    "  WHERE K.conrelid = t.oid AND obj_description(K.oid, 'pg_constraint') IS NOT NULL),"
    // 5: other tables' foreign keys to it.
    " (SELECT json_agg(json_build_array(FN.nspname, F.relname, K.conname, pg_get_constraintdef(K.oid),"
    "  obj_description(K.oid, 'pg_constraint')) ORDER BY FN.nspname, F.relname, K.conname) FROM t, pg_constraint K"
    "  JOIN pg_class F ON F.oid = K.conrelid JOIN pg_namespace FN ON FN.oid = F.relnamespace"
    "  WHERE K.contype = 'f' AND K.confrelid = t.oid AND K.conrelid <> t.oid AND K.conparentid = 0),"
    // 6: triggers.
    " (SELECT json_agg(json_build_array(G.tgname, pg_get_triggerdef(G.oid), G.tgenabled,"
    "  obj_description(G.oid, 'pg_trigger')) ORDER BY G.tgname)"
    "  FROM t, pg_trigger G WHERE G.tgrelid = t.oid AND NOT G.tgisinternal),"
    // 7: policies.
    " (SELECT json_agg(json_build_array(P.polname, P.polpermissive, P.polcmd,"
    "  (SELECT string_agg(CASE WHEN r = 0 THEN 'PUBLIC' ELSE quote_ident(pg_get_userbyid(r)) END, ', ')"
    "  FROM unnest(P.polroles) r),"
    "  pg_get_expr(P.polqual, P.polrelid), pg_get_expr(P.polwithcheck, P.polrelid),"
    "  obj_description(P.oid, 'pg_policy')) ORDER BY P.polname) FROM t, pg_policy P WHERE P.polrelid = t.oid)");

enum Part { pRefusals, pTable, pSequences, pIndexes, pOwnComments, pForeignKeys, pTriggers, pPolicies,
            PartCount };

// One row of a part, its values by position.
struct Row {
    QJsonArray v;
    QString Str(int i) const { return v.at(i).toString(); }
    bool Null(int i) const { return v.at(i).isNull(); }
    bool Bool(int i) const { return v.at(i).toBool(); }
    int Int(int i) const { return v.at(i).toInt(); }
};

template <class F>
void ForEachRow(const QJsonArray &Rows, F &&Each)
{
    for (const QJsonValue &r : Rows)
        Each(Row{r.toArray()});
}

void Statement(QStringList &List, const QString &Text)
{
    List << Text << QStringLiteral(";");
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

    QJsonArray parts[PartCount];
    {
        Q.Close();
        Q.SetSQL(RebuildSQL);
        Q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
        Q.ParamByName(QStringLiteral("TBLNAME")).setAsString(Table);
        Q.Open();
        struct Closer {
            tv::db::Query &q;
            ~Closer() { q.Close(); }
        } closer{Q};
        if (!Q.Eof())
            for (int i = 0; i < PartCount; ++i)
                if (!Q.Fields(i).IsNull()) {
                    const QJsonArray a = QJsonDocument::fromJson(Q.Fields(i).AsString().toUtf8()).array();
                    if (i == pTable)
                        parts[i].append(a); // its one row itself
                    else
                        parts[i] = a;
                }
    }

    ForEachRow(parts[pRefusals], [&](const Row &q) { r.Refusals << q.Str(0) + u' ' + q.Str(1); });
    if (!r.Refusals.isEmpty())
        return r;

    bool enable = false, force = false;
    QString owner;
    QStringList options;
    ForEachRow(parts[pTable], [&](const Row &q) {
        enable = q.Bool(0);
        force = q.Bool(1);
        owner = q.Str(2);
        options = q.Str(4).split(u'\n', Qt::SkipEmptyParts);
    });
    if (force)
        Statement(r.Prepare, alter + QStringLiteral("NO FORCE ROW LEVEL SECURITY"));

    // Owned sequences: detached before the drop, owned again by their
    // column (or dropped with it) once the table has its owner.
    QStringList sequences;
    ForEachRow(parts[pSequences], [&](const Row &q) {
        const QString seq = QuoteIdentifier(q.Str(0)) + u'.' + QuoteIdentifier(q.Str(1));
        Statement(r.Detach, QStringLiteral("ALTER SEQUENCE ") + seq + QStringLiteral(" OWNED BY NONE"));
        const QString column = NewColumnName(q.Int(2));
        if (column.isEmpty())
            Statement(sequences, QStringLiteral("DROP SEQUENCE ") + seq);
        else
            Statement(sequences, QStringLiteral("ALTER SEQUENCE ") + seq + QStringLiteral(" OWNED BY ") + qt + u'.' +
                                     QuoteIdentifier(column));
    });

    ForEachRow(parts[pIndexes], [&](const Row &q) {
        QString def = q.Str(1);
        const QString space = q.Str(2);
        if (!space.isEmpty()) {
            const QString where = QStringLiteral(" WHERE ") + q.Str(3);
            const QString clause = QStringLiteral(" TABLESPACE ") + QuoteIdentifier(space);
            if (!q.Null(3) && def.endsWith(where))
                def.insert(def.size() - where.size(), clause);
            else
                def += clause;
        }
        Statement(r.Restore, def);
        if (!q.Null(4))
            Statement(r.Restore, QStringLiteral("COMMENT ON INDEX ") + QuoteIdentifier(Schema) + u'.' +
                                     QuoteIdentifier(q.Str(0)) + QStringLiteral(" IS ") + QuoteLiteral(q.Str(4)));
    });

    ForEachRow(parts[pOwnComments], [&](const Row &q) {
        const QString name = q.Str(0);
        if (KeptConstraints.contains(name))
            Statement(r.Restore, QStringLiteral("COMMENT ON CONSTRAINT ") + QuoteIdentifier(name) +
                                     QStringLiteral(" ON ") + qt + QStringLiteral(" IS ") + QuoteLiteral(q.Str(1)));
    });

    // Other tables' foreign keys: dropped by name, added again once the
    // keys they reference exist.
    ForEachRow(parts[pForeignKeys], [&](const Row &q) {
        const QString other = QuoteIdentifier(q.Str(0)) + u'.' + QuoteIdentifier(q.Str(1));
        const QString name = QuoteIdentifier(q.Str(2));
        Statement(r.Detach, QStringLiteral("ALTER TABLE ") + other + QStringLiteral(" DROP CONSTRAINT ") + name);
        Statement(r.Restore,
                  QStringLiteral("ALTER TABLE ") + other + QStringLiteral(" ADD CONSTRAINT ") + name + u' ' + q.Str(3));
        if (!q.Null(4))
            Statement(r.Restore, QStringLiteral("COMMENT ON CONSTRAINT ") + name + QStringLiteral(" ON ") + other +
                                     QStringLiteral(" IS ") + QuoteLiteral(q.Str(4)));
    });

    ForEachRow(parts[pTriggers], [&](const Row &q) {
        const QString name = QuoteIdentifier(q.Str(0));
        Statement(r.Restore, q.Str(1));
        const QString state = q.Str(2);
        if (state == QLatin1String("D"))
            Statement(r.Restore, alter + QStringLiteral("DISABLE TRIGGER ") + name);
        else if (state == QLatin1String("R"))
            Statement(r.Restore, alter + QStringLiteral("ENABLE REPLICA TRIGGER ") + name);
        else if (state == QLatin1String("A"))
            Statement(r.Restore, alter + QStringLiteral("ENABLE ALWAYS TRIGGER ") + name);
        if (!q.Null(3))
            Statement(r.Restore, QStringLiteral("COMMENT ON TRIGGER ") + name + QStringLiteral(" ON ") + qt +
                                     QStringLiteral(" IS ") + QuoteLiteral(q.Str(3)));
    });

    ForEachRow(parts[pPolicies], [&](const Row &q) {
        const QString name = QuoteIdentifier(q.Str(0));
        const QString cmd = q.Str(2);
        const QString command = cmd == QLatin1String("r")   ? QStringLiteral("SELECT")
                                : cmd == QLatin1String("a") ? QStringLiteral("INSERT")
                                : cmd == QLatin1String("w") ? QStringLiteral("UPDATE")
                                : cmd == QLatin1String("d") ? QStringLiteral("DELETE")
                                                            : QStringLiteral("ALL");
        QString text = QStringLiteral("CREATE POLICY ") + name + QStringLiteral(" ON ") + qt +
                       (q.Bool(1) ? QStringLiteral(" AS PERMISSIVE") : QStringLiteral(" AS RESTRICTIVE")) +
                       QStringLiteral(" FOR ") + command + QStringLiteral(" TO ") + q.Str(3);
        if (!q.Null(4))
            text += QStringLiteral(" USING (") + q.Str(4) + u')';
        if (!q.Null(5))
            text += QStringLiteral(" WITH CHECK (") + q.Str(5) + u')';
        Statement(r.Restore, text);
        if (!q.Null(6))
            Statement(r.Restore, QStringLiteral("COMMENT ON POLICY ") + name + QStringLiteral(" ON ") + qt +
                                     QStringLiteral(" IS ") + QuoteLiteral(q.Str(6)));
    });
    if (enable)
        Statement(r.Restore, alter + QStringLiteral("ENABLE ROW LEVEL SECURITY"));
    if (force)
        Statement(r.Restore, alter + QStringLiteral("FORCE ROW LEVEL SECURITY"));

    Statement(r.Restore, alter + QStringLiteral("OWNER TO ") + QuoteIdentifier(owner));

    r.Restore << sequences;
    r.RelOptions = options;

    // Table and column privileges as they were, each by its grantor, and
    // none that default privileges would add.
    const TKeptState kept = ReadKeptState(Q, {TKeptKind::Table, Schema, Table, QString(), QString(), {}},
                                          kpPrivileges | kpColumnPrivileges, NewColumnName);
    r.Restore << kept.Restore;
    r.Lost = kept.Lost;
    return r;
}
