// The analysis run of the index adviser without its window.
#include "monitor/IndexAnalysis.h"

#include "common/Quote.h"
#include "platform/db/Connection.h"
#include "platform/db/Field.h"
#include "platform/db/ProtectedBlock.h"
#include "platform/db/Query.h"

namespace monitor {

QString MsgColCount()
{
    return QStringLiteral("作成するインデックス列の上限数は1以上の整数で入力して下さい。");
}
QString MsgCannotParse()
{
    return QStringLiteral("この SQL を解析することは出来ません。");
}
QString MsgNotAnalysable()
{
    return QStringLiteral("この SQL を解析することが出来ません。");
}
QString MsgNoTable()
{
    return QStringLiteral("対象のテーブルが見つかりません。");
}
QString MsgNoIndex()
{
    return QStringLiteral("(インデックスがありません)");
}

int ContainsKeyword(const QString &Keyword, const QString &Text)
{
    QString s = QLatin1Char(' ') + Text;
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    s.replace(QLatin1Char('\t'), QLatin1Char(' '));
    s.replace(QLatin1String("/*"), QLatin1String(" "));
    s.replace(QLatin1String("*/"), QLatin1String(" "));
    s.replace(QLatin1String("*"), QLatin1String(" * "));
    s = s.toUpper();
    return int(s.indexOf(QLatin1Char(' ') + Keyword + QLatin1Char(' '))) + 1;
}

bool IsAnalysable(int Kind, const QString &CleanedText)
{
    if (Kind != 1 && Kind != 3 && Kind != 4)
        return false;
    // Line breaks of any kind count as blanks here.
    QString t = CleanedText.toUpper();
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    for (const char *k : {"CREATE", "DROP", "INSERT"})
        if (ContainsKeyword(QLatin1String(k), t) > 0)
            return false;
    if (ContainsKeyword(QStringLiteral("SELECT"), t) > 0 && ContainsKeyword(QStringLiteral("INTO"), t) > 0)
        return false;
    return true;
}

QStringList UsedIndexesOfPlan(const QStringList &PlanLines)
{
    QStringList used;
    const QString scan = QStringLiteral("Index Scan using ");
    const QString backward = QStringLiteral("Index Scan Backward using ");
    const QString bitmap = QStringLiteral("Bitmap Index Scan on ");
    for (const QString &line : PlanLines) {
        QString name;
        qsizetype p;
        if ((p = line.indexOf(scan)) >= 0 || (p = line.indexOf(backward)) >= 0) {
            const QString phrase = line.indexOf(scan) >= 0 ? scan : backward;
            p = line.indexOf(phrase);
            name = line.mid(p + phrase.size());
            const qsizetype on = name.indexOf(QLatin1String(" on "));
            if (on >= 0)
                name.truncate(on);
        } else if ((p = line.indexOf(bitmap)) >= 0) {
            name = line.mid(p + bitmap.size());
            const qsizetype cost = name.indexOf(QLatin1String("(cost"));
            if (cost >= 0)
                name.truncate(cost);
        } else {
            continue;
        }
        used << DequoteIdentifier(name.trimmed());
    }
    return used;
}

QStringList RunPlan(tv::db::Connection &Db, const QString &Statement,
                    const std::function<void(tv::db::Query &)> &Bind)
{
    QStringList lines;
    tv::db::ProtectedBlock block(Db);
    tv::db::Query q(&Db);
    // EXPLAIN ANALYZE runs the statement: a second one behind it must never
    // reach the server, whatever the caller cut from the user's text.
    q.SetSingleStatement(true);
    q.SetSQL(QStringLiteral("EXPLAIN ANALYZE ") + Statement);
    if (Bind)
        Bind(q);
    q.Open();
    for (; !q.Eof(); q.Next())
        lines << q.Fields(0).AsString();
    block.undo();
    return lines;
}

std::vector<TtvExistingTable> ReadExistingIndexes(tv::db::Connection &Db, const TtvParseList &Tables,
                                                  const QString &DefaultSchema, const QStringList &UsedIndexes)
{
    std::vector<TtvExistingTable> out;
    tv::db::Query q(&Db);
    tv::db::Query cols(&Db);
    for (int i = 0; i < Tables.Count(); ++i) {
        const QString objectName = Tables.ObjectName(i);
        QString schema, table;
        SplitTableName(objectName, DefaultSchema, schema, table);
        q.SetSQL(QStringLiteral(" SELECT c.relname AS \"tbl_name\" FROM pg_class c LEFT JOIN pg_namespace ns ON "
                                "c.relnamespace = ns.oid WHERE 0 = 0 AND c.relkind IN ('r', 'p') AND ns.nspname = :SCHEMA "
                                "AND c.relname = :TBLNAME"));
        q.ParamByName(QStringLiteral("SCHEMA")).setAsString(schema);
        q.ParamByName(QStringLiteral("TBLNAME")).setAsString(table);
        q.Open();
        if (q.Eof())
            continue;
        TtvExistingTable t;
        t.Text = objectName.contains(QLatin1Char('.')) ? schema + QLatin1Char('.') + table : table;
        q.SetSQL(QStringLiteral(
            " SELECT N.nspname AS \"schema_name\", C.relname AS \"table_name\", I.indisunique AS \"indisunique\", "
            "CASE WHEN I.indexprs IS null THEN ''  ELSE 'FUNCTION'  END AS \"isfunc\", "
            "pg_get_indexdef(I.indexrelid) AS \"indexdef\" FROM pg_class C  LEFT JOIN pg_namespace N ON "
            "C.relnamespace = N.oid LEFT JOIN pg_index I ON C.oid = I.indexrelid  LEFT JOIN pg_am AM ON C.relam = "
            "AM.oid LEFT JOIN pg_tablespace T ON C.reltablespace = T.oid LEFT JOIN pg_class C2 ON I.indrelid = "
            "C2.oid WHERE 0 = 0 AND C.relkind IN ('i', 'I') AND N.nspname = :SCHEMA AND C2.relname = :TBLNAME"));
        q.ParamByName(QStringLiteral("SCHEMA")).setAsString(schema);
        q.ParamByName(QStringLiteral("TBLNAME")).setAsString(table);
        q.Open();
        for (; !q.Eof(); q.Next()) {
            TtvExistingIndex x;
            x.Schema = q.FieldByName(QStringLiteral("schema_name")).AsString();
            x.Name = q.FieldByName(QStringLiteral("table_name")).AsString();
            x.Kind = q.FieldByName(QStringLiteral("indisunique")).AsBoolean() ? QStringLiteral("UNIQUE INDEX")
                         : QStringLiteral("NONUNIQUE INDEX");
            if (q.FieldByName(QStringLiteral("isfunc")).AsString() == QLatin1String("FUNCTION")) {
                const QString def = q.FieldByName(QStringLiteral("indexdef")).AsString();
                const QString mark = QStringLiteral("USING btree (");
                const qsizetype p = def.indexOf(mark);
                x.Columns = p >= 0 ? def.mid(p + mark.size()) : def.mid(12);
            } else {
                cols.SetSQL(QStringLiteral(
                    "SELECT A.attname FROM pg_class C LEFT JOIN pg_namespace N ON C.relnamespace = N.oid LEFT JOIN "
                    "pg_attribute A ON C.oid = A.attrelid LEFT JOIN pg_index I ON C.oid = I.indexrelid LEFT JOIN "
                    "pg_am AM ON C.relam = AM.oid LEFT JOIN pg_tablespace T ON C.reltablespace = T.oid WHERE "
                    "C.relkind IN ('i', 'I') AND A.attnum > 0 AND A.attisdropped = False AND N.nspname = :SCHEMA AND "
                    "C.relname = :IDXNAME ORDER BY A.attnum"));
                cols.ParamByName(QStringLiteral("SCHEMA")).setAsString(x.Schema);
                cols.ParamByName(QStringLiteral("IDXNAME")).setAsString(x.Name);
                cols.Open();
                QStringList names;
                for (; !cols.Eof(); cols.Next())
                    names << cols.Fields(0).AsString();
                x.Columns = names.join(QStringLiteral(", "));
            }
            x.Used = UsedIndexes.contains(x.Name);
            t.Indexes.push_back(x);
        }
        out.push_back(t);
    }
    return out;
}

} // namespace monitor
