#include "objects/table/TableRebuild.h"

#include "common/Quote.h"
#include "common/RecreateKeeper.h"
#include "platform/db/Query.h"

#include <QDateTime>
#include <QHash>
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
    // Partitions are detached and attached again; children that inherit
    // would go with the drop.
    " UNION ALL SELECT 'TABLE', CN.nspname || '.' || C.relname"
    "  FROM t, pg_inherits I JOIN pg_class C ON C.oid = I.inhrelid JOIN pg_namespace CN ON CN.oid = C.relnamespace"
    "  WHERE I.inhparent = t.oid AND NOT C.relispartition"
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
    "  WHERE TC.oid = C.reltoastrelid)), C.relkind, C.relreplident,"
    "  (SELECT IC.relname FROM pg_index I JOIN pg_class IC ON IC.oid = I.indexrelid"
    "  WHERE I.indrelid = C.oid AND I.indisreplident),"
    "  (SELECT IC.relname FROM pg_index I JOIN pg_class IC ON IC.oid = I.indexrelid"
    "  WHERE I.indrelid = C.oid AND I.indisclustered)) FROM t, pg_class C WHERE C.oid = t.oid),"
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
    "  WHERE K.conindid = I.indexrelid AND K.conrelid = I.indrelid)"
    // A partition's index that its parent's index made comes back with
    // the attach.
    "  AND NOT EXISTS (SELECT 1 FROM pg_inherits II WHERE II.inhrelid = I.indexrelid)),"
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
    "  FROM t, pg_trigger G WHERE G.tgrelid = t.oid AND NOT G.tgisinternal AND G.tgparentid = 0),"
    // 7: policies.
    " (SELECT json_agg(json_build_array(P.polname, P.polpermissive, P.polcmd,"
    "  (SELECT string_agg(CASE WHEN r = 0 THEN 'PUBLIC' ELSE quote_ident(pg_get_userbyid(r)) END, ', ')"
    "  FROM unnest(P.polroles) r),"
    "  pg_get_expr(P.polqual, P.polrelid), pg_get_expr(P.polwithcheck, P.polrelid),"
    "  obj_description(P.oid, 'pg_policy')) ORDER BY P.polname) FROM t, pg_policy P WHERE P.polrelid = t.oid),"
    // 8: column settings a CREATE TABLE does not write: statistics
    // target, storage other than the type's, options, compression.
    " (SELECT json_agg(json_build_array(A.attnum, A.attstattarget,"
    "  CASE WHEN A.attstorage <> TY.typstorage THEN A.attstorage::text END,"
    "  array_to_string(A.attoptions, chr(10)), A.attcompression::text) ORDER BY A.attnum)"
    "  FROM t, pg_attribute A JOIN pg_type TY ON TY.oid = A.atttypid"
    "  WHERE A.attrelid = t.oid AND A.attnum > 0 AND NOT A.attisdropped AND (A.attstattarget >= 0"
    "  OR A.attstorage <> TY.typstorage OR A.attoptions IS NOT NULL OR A.attcompression::text <> '')),"
    // 9: partitions with their bounds.
    " (SELECT json_agg(json_build_array(CN.nspname, C.relname, pg_get_expr(C.relpartbound, C.oid))"
    "  ORDER BY CN.nspname, C.relname) FROM t, pg_inherits I JOIN pg_class C ON C.oid = I.inhrelid"
    "  JOIN pg_namespace CN ON CN.oid = C.relnamespace WHERE I.inhparent = t.oid AND C.relispartition)");

enum Part { pRefusals, pTable, pSequences, pIndexes, pOwnComments, pForeignKeys, pTriggers, pPolicies,
            pColumnSettings, pPartitions, PartCount };

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

QStringList CreateTableOptionNames(const QStringList &Create)
{
    const QString text = Create.join(u'\n');
    const qsizetype n = text.size();
    // Tokens: a word (lower case), a quoted name, a literal (empty text,
    // never matched) or one character.
    struct Token {
        enum Kind { Word, Name, Literal, Char } kind;
        QString text;
    };
    QList<Token> tokens;
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < n ? text.at(i + 1) : QChar();
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && next == u'-') {
            while (i < n && text.at(i) != u'\n')
                ++i;
        } else if (c == u'/' && next == u'*') {
            int depth = 0;
            while (i < n) {
                if (text.at(i) == u'/' && i + 1 < n && text.at(i + 1) == u'*') {
                    ++depth;
                    i += 2;
                } else if (text.at(i) == u'*' && i + 1 < n && text.at(i + 1) == u'/') {
                    i += 2;
                    if (--depth == 0)
                        break;
                } else {
                    ++i;
                }
            }
        } else if (c == u'\'' || ((c == u'e' || c == u'E') && next == u'\'')) {
            const bool escapes = c != u'\'';
            i += escapes ? 2 : 1;
            while (i < n) {
                if (escapes && text.at(i) == u'\\') {
                    i += 2;
                } else if (text.at(i) == u'\'') {
                    if (i + 1 < n && text.at(i + 1) == u'\'')
                        i += 2;
                    else
                        break;
                } else {
                    ++i;
                }
            }
            ++i;
            tokens.append({Token::Literal, QString()});
        } else if (c == u'"') {
            QString name;
            for (++i; i < n; ++i) {
                if (text.at(i) == u'"') {
                    if (i + 1 < n && text.at(i + 1) == u'"') {
                        name += u'"';
                        ++i;
                        continue;
                    }
                    break;
                }
                name += text.at(i);
            }
            ++i;
            tokens.append({Token::Name, name});
        } else if (c == u'$') {
            // A dollar-quoted literal ($$ or $tag$).
            qsizetype j = i + 1;
            while (j < n && (text.at(j).isLetterOrNumber() || text.at(j) == u'_'))
                ++j;
            if (j < n && text.at(j) == u'$') {
                const QString tag = text.mid(i, j - i + 1);
                const qsizetype end = text.indexOf(tag, j + 1);
                i = end < 0 ? n : end + tag.size();
                tokens.append({Token::Literal, QString()});
            } else {
                tokens.append({Token::Char, QString(c)});
                ++i;
            }
        } else if (c.isLetter() || c == u'_') {
            qsizetype j = i;
            while (j < n && (text.at(j).isLetterOrNumber() || text.at(j) == u'_' || text.at(j) == u'$'))
                ++j;
            tokens.append({Token::Word, text.mid(i, j - i).toLower()});
            i = j;
        } else {
            tokens.append({Token::Char, QString(c)});
            ++i;
        }
    }
    auto is = [&tokens](qsizetype i, const char *ch) {
        return i < tokens.size() && tokens.at(i).kind == Token::Char && tokens.at(i).text == QLatin1String(ch);
    };
    auto isName = [&tokens](qsizetype i) {
        return i < tokens.size() && (tokens.at(i).kind == Token::Word || tokens.at(i).kind == Token::Name);
    };
    // The options of the WITH (...) that follows the column list, at the
    // outer level of the first statement.
    QStringList names;
    int depth = 0;
    bool columns = false;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (is(i, "(")) {
            ++depth;
        } else if (is(i, ")")) {
            if (--depth == 0)
                columns = true;
        } else if (is(i, ";") && depth == 0) {
            break;
        } else if (depth == 0 && columns && tokens.at(i).kind == Token::Word &&
                   tokens.at(i).text == QLatin1String("with") && is(i + 1, "(")) {
            qsizetype k = i + 2;
            int inner = 1;
            bool start = true;
            for (; k < tokens.size() && inner > 0; ++k) {
                if (is(k, "("))
                    ++inner;
                else if (is(k, ")"))
                    --inner;
                else if (inner == 1 && is(k, ","))
                    start = true;
                else if (inner == 1 && start && isName(k)) {
                    QString name = tokens.at(k).text;
                    if (is(k + 1, ".") && isName(k + 2)) {
                        name += u'.' + tokens.at(k + 2).text;
                        k += 2;
                    }
                    names << name;
                    start = false;
                } else {
                    start = false;
                }
            }
            i = k - 1;
        }
    }
    return names;
}

QStringList RestoreRelOptions(const QString &Schema, const QString &Table, const QStringList &Options,
                              const QStringList &Create, const QStringList &Governed)
{
    const QStringList written = CreateTableOptionNames(Create);
    static const QRegularExpression plain(QStringLiteral("^[a-z_][a-z0-9_.]*$"));
    QStringList kept;
    for (const QString &o : Options) {
        const qsizetype eq = o.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString name = o.left(eq);
        if (written.contains(name, Qt::CaseInsensitive) || Governed.contains(name, Qt::CaseInsensitive) ||
            !plain.match(name).hasMatch())
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
    QString owner, identity, identityIndex, clustered;
    QStringList options;
    ForEachRow(parts[pTable], [&](const Row &q) {
        enable = q.Bool(0);
        force = q.Bool(1);
        owner = q.Str(2);
        options = q.Str(4).split(u'\n', Qt::SkipEmptyParts);
        identity = q.Str(6);
        identityIndex = q.Str(7);
        clustered = q.Str(8);
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

    // Partitions: detached before the drop (they keep their rows), attached
    // again to the new table first of all, so that the indexes, keys and
    // triggers made next reach them as before.
    // Detached once no other table's foreign key refers to their rows.
    QStringList detach;
    ForEachRow(parts[pPartitions], [&](const Row &q) {
        const QString part = QuoteIdentifier(q.Str(0)) + u'.' + QuoteIdentifier(q.Str(1));
        Statement(detach, alter + QStringLiteral("DETACH PARTITION ") + part);
        Statement(r.Restore, alter + QStringLiteral("ATTACH PARTITION ") + part + u' ' + q.Str(2));
    });

    ForEachRow(parts[pIndexes], [&](const Row &q) {
        QString def = q.Str(1);
        // A partitioned table's index: made on the partitions too, where it
        // takes up their matching indexes again.
        static const QRegularExpression only(QStringLiteral("^(CREATE (UNIQUE )?INDEX (\"([^\"]|\"\")*\"|\\S+) ON) ONLY "));
        def.replace(only, QStringLiteral("\\1 "));
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

    // What the indexes and columns carry beside their definitions.
    if (identity == QLatin1String("f"))
        Statement(r.Restore, alter + QStringLiteral("REPLICA IDENTITY FULL"));
    else if (identity == QLatin1String("n"))
        Statement(r.Restore, alter + QStringLiteral("REPLICA IDENTITY NOTHING"));
    else if (identity == QLatin1String("i") && !identityIndex.isEmpty())
        Statement(r.Restore, alter + QStringLiteral("REPLICA IDENTITY USING INDEX ") + QuoteIdentifier(identityIndex));
    if (!clustered.isEmpty())
        Statement(r.Restore, alter + QStringLiteral("CLUSTER ON ") + QuoteIdentifier(clustered));
    ForEachRow(parts[pColumnSettings], [&](const Row &q) {
        const QString column = NewColumnName(q.Int(0));
        if (column.isEmpty())
            return;
        const QString head = alter + QStringLiteral("ALTER COLUMN ") + QuoteIdentifier(column);
        if (q.Int(1) >= 0)
            Statement(r.Restore, head + QStringLiteral(" SET STATISTICS ") + QString::number(q.Int(1)));
        static const QHash<QString, QString> storage = {{QStringLiteral("p"), QStringLiteral("PLAIN")},
                                                        {QStringLiteral("e"), QStringLiteral("EXTERNAL")},
                                                        {QStringLiteral("x"), QStringLiteral("EXTENDED")},
                                                        {QStringLiteral("m"), QStringLiteral("MAIN")}};
        if (!q.Null(2) && storage.contains(q.Str(2)))
            Statement(r.Restore, head + QStringLiteral(" SET STORAGE ") + storage.value(q.Str(2)));
        QStringList set;
        for (const QString &o : q.Str(3).split(u'\n', Qt::SkipEmptyParts)) {
            const qsizetype eq = o.indexOf(u'=');
            if (eq > 0)
                set << QuoteIdentifier(o.left(eq)) + u'=' + QuoteLiteral(o.mid(eq + 1));
        }
        if (!set.isEmpty())
            Statement(r.Restore, head + QStringLiteral(" SET (") + set.join(QStringLiteral(", ")) + u')');
        if (q.Str(4) == QLatin1String("p"))
            Statement(r.Restore, head + QStringLiteral(" SET COMPRESSION pglz"));
        else if (q.Str(4) == QLatin1String("l"))
            Statement(r.Restore, head + QStringLiteral(" SET COMPRESSION lz4"));
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

    r.Detach << detach;

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
