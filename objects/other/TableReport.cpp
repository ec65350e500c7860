#include "objects/other/TableReport.h"

#include "common/IConnectionWindow.h"
#include "common/Quote.h"
#include "objects/table/StorageDefinition.h"
#include "objects/table/TableDefinition.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "sql/RepData.h"

namespace {

// The indexes of a table that back none of its constraints, by name, with
// their columns as the table window's tree shows them.
QString IndexesSQL(const QString &Schema, const QString &Name)
{
    return QStringLiteral("SELECT C.relname,"
                          " (SELECT string_agg(pg_get_indexdef(C.oid, K.n, false), ', ' ORDER BY K.n)"
                          " FROM generate_series(1, I.indnatts) AS K(n))"
                          " FROM pg_index I JOIN pg_class C ON C.oid = I.indexrelid"
                          " JOIN pg_class T ON T.oid = I.indrelid JOIN pg_namespace N ON N.oid = T.relnamespace"
                          " WHERE N.nspname = ") +
           QuoteLiteral(Schema) + QStringLiteral(" AND T.relname = ") + QuoteLiteral(Name) +
           QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM pg_constraint K WHERE K.conindid = I.indexrelid"
                          " AND K.conrelid = T.oid) ORDER BY C.relname");
}

using tv::excel::Cell;

} // namespace

TReportData ObjectReport::TableData(IConnectionWindow *Owner, const TReportDefinition &Def, const QString &Schema,
                                    const QString &Name)
{
    tv::db::Connection &conn = Owner->dbsMain();
    tv::db::Query q(&conn);
    const std::optional<TTableDefinition> def =
        LoadTableDefinition(q, Schema, Name, conn.Params().Database, Owner->DBVer());
    q.Close();
    if (!def)
        throw tv::Error(QStringLiteral("定義情報を読み込めませんでした。"));
    TReportData data;
    data.Header.insert(rtSchema, Schema);
    data.Header.insert(rtComment, def->Comment);
    data.Header.insert(rtTableName, Name);
    data.Header.insert(rtStorageType, StorageTypeName(def->Temporary()       ? ptTemp
                                                      : def->Parents.isEmpty() ? ptNormal
                                                                               : ptPartition));
    data.Header.insert(rtTableSpace, def->Tablespace);
    if (Uses(Def, rtCross) || Uses(Def, rtCoverCross)) {
        QString uses, usedBy;
        CrossTexts(Owner, 45, Schema, Name, uses, usedBy);
        data.Header.insert(rtCross, uses);
        data.Header.insert(rtCoverCross, usedBy);
    }
    int seq = 0;
    for (const TTableColumn &c : def->Columns) {
        if (c.Name.trimmed().isEmpty())
            continue;
        TReportData::Record r;
        r.insert(rtSeq, Cell::ofNumber(++seq));
        r.insert(rtComment, Cell::ofText(c.Comment));
        r.insert(rtColumnName, Cell::ofText(c.Name));
        r.insert(rtDataType, Cell::ofText(c.Type));
        const qsizetype comma = c.Length.indexOf(u',');
        r.insert(rtDataLength, Cell::ofText(comma < 0 ? c.Length : c.Length.left(comma)));
        r.insert(rtDataScale, Cell::ofText(comma < 0 ? QString() : c.Length.mid(comma + 1)));
        r.insert(rtNotNull, Cell::ofText(c.NotNull ? QStringLiteral("○") : QString()));
        r.insert(rtDefaultValue, Cell::ofText(c.Default));
        const qsizetype key = def->Primary.indexOf(c.Name);
        if (key >= 0)
            r.insert(rtIsPrimaryKey, Cell::ofNumber(double(key + 1)));
        data.Records.append(r);
    }
    if (!Def.Body2.isEmpty()) {
        QList<TReportData::Record> constraints, indexes;
        for (const TTableConstraint &k : def->Constraints) {
            TReportData::Record r;
            r.insert(rtConstName, Cell::ofText(k.Name));
            r.insert(rtConstValue, Cell::ofText(k.Param));
            constraints.append(r);
        }
        q.OpenOn(conn.Exec(IndexesSQL(Schema, Name)));
        while (!q.Eof()) {
            TReportData::Record r;
            r.insert(rtConstName, Cell::ofText(q.Fields(0).AsString()));
            r.insert(rtConstValue, Cell::ofText(q.Fields(1).AsString()));
            indexes.append(r);
            q.Next();
        }
        q.Close();
        data.Groups = {constraints, indexes};
    }
    return data;
}

void ObjectReport::TableFile(IConnectionWindow *Owner, const QString &ReportName, const QString &Schema,
                             const QString &Name, const QString &Folder)
{
    const TReportDefinition def = Read(ReportName);
    const TReportData data = TableData(Owner, def, Schema, Name);
    WriteFile(def, data, true, FileFor(Folder, Name));
    throw tv::SilentAbort();
}

void ObjectReport::TableSheet(IConnectionWindow *Owner, const QString &ReportName, const QString &Schema,
                              const QString &Name, tv::excel::Sheet &Sheet)
{
    const TReportDefinition def = Read(ReportName);
    Write(def, TableData(Owner, def, Schema, Name), true, Sheet);
    throw tv::SilentAbort();
}
