// Index proposals of the index adviser.
#include "monitor/IndexCandidates.h"

#include "common/Quote.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"

#include <algorithm>

namespace monitor {

namespace {
const QString kNonUnique = QStringLiteral("NONUNIQUE INDEX");

bool NameTaken(const QString &Name, const std::vector<TtvExistingTable> &Existing,
               const std::vector<TtvProposalTable> &Out)
{
    for (const TtvExistingTable &t : Existing)
        for (const TtvExistingIndex &i : t.Indexes)
            if (i.Name == Name)
                return true;
    for (const TtvProposalTable &t : Out)
        for (const TtvIndexProposal &p : t.Proposals)
            if (p.Name == Name)
                return true;
    return false;
}
} // namespace

QString TtvIndexProposal::StatusText() const
{
    return Created ? QStringLiteral("作成済") : QStringLiteral("未作成");
}

QString TtvExistingIndex::UsedText() const
{
    return Used ? QStringLiteral("使用") : QStringLiteral("未使用");
}

void SplitTableName(const QString &ObjectName, const QString &DefaultSchema, QString &Schema, QString &Table)
{
    const int dot = ObjectName.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        Schema = NormalizeIdentifier(ObjectName.left(dot));
        Table = NormalizeIdentifier(ObjectName.mid(dot + 1));
    } else {
        Schema = DefaultSchema;
        Table = NormalizeIdentifier(ObjectName);
    }
}

TtvIndexCandidates::TtvIndexCandidates(TableExistsFn TableExists, ColumnOfTableFn ColumnOfTable)
    : FTableExists(std::move(TableExists)), FColumnOfTable(std::move(ColumnOfTable))
{
}

int TtvIndexCandidates::BuildReferences(const QStringList &Conditions, std::vector<TtvNewIndexList> &Refs)
{
    Refs.clear();
    int group = 0;
    for (const QString &token : Conditions) {
        TtvNewIndexList r;
        const int dot = token.indexOf(QLatin1Char('.'));
        if (dot >= 0) {
            r.FTableName = NormalizeIdentifier(token.left(dot));
            r.FColumnName = NormalizeIdentifier(token.mid(dot + 1));
        } else {
            r.FColumnName = NormalizeIdentifier(token);
        }
        if (token.compare(QLatin1String("OR"), Qt::CaseInsensitive) == 0)
            ++group;
        r.FIndexNo = group;
        Refs.push_back(r);
    }
    return group;
}

void TtvIndexCandidates::Generate(const TtvParseList &Tables, const QStringList &Conditions,
                                  const QString &DefaultSchema, int ColCount,
                                  const std::vector<TtvExistingTable> &Existing, std::vector<TtvProposalTable> &Out)
{
    const int groups = BuildReferences(Conditions, FRefs);
    if (ColCount < 1)
        ColCount = 1;
    for (int ti = 0; ti < Tables.Count(); ++ti) {
        const QString objectName = Tables.ObjectName(ti);
        QString schema, table;
        SplitTableName(objectName, DefaultSchema, schema, table);
        const QString alias = Tables.Alias(ti).isEmpty() ? QString() : NormalizeIdentifier(Tables.Alias(ti));
        if (!FTableExists(schema, table))
            continue;
        const QString nodeText = objectName.contains(QLatin1Char('.')) ? schema + QLatin1Char('.') + table : table;
        for (int g = 0; g <= groups; ++g) {
            QStringList columns;
            for (TtvNewIndexList &r : FRefs) {
                if (r.FColumnName.trimmed().isEmpty() || r.FIndexNo != g || r.FFind)
                    continue;
                if (!r.FTableName.isEmpty())
                    r.FFind = alias.isEmpty() ? r.FTableName == table : r.FTableName == alias;
                else
                    r.FFind = FColumnOfTable(schema, table, r.FColumnName);
                if (r.FFind && !columns.contains(r.FColumnName, Qt::CaseInsensitive))
                    columns << r.FColumnName;
            }
            const int n = int(columns.size());
            const int m = std::min(ColCount, n);
            for (int k = 0; k < n; ++k) {
                QStringList picked;
                for (int j = 0; j < m; ++j)
                    picked << columns[(k + j) % n];
                const QString cols = picked.join(QStringLiteral(", "));

                auto node = std::find_if(Out.begin(), Out.end(),
                                         [&](const TtvProposalTable &t) { return t.Text == nodeText; });
                if (node == Out.end()) {
                    Out.push_back(TtvProposalTable{nodeText, {}});
                    node = Out.end() - 1;
                }

                const QString base = QStringLiteral("IDX_") + table;
                QString name = base;
                for (int counter = 1; NameTaken(name, Existing, Out);)
                    name = base + QString::number(++counter);

                TtvIndexProposal p{name, kNonUnique, cols, false};
                const QString wanted = QString(objectName).remove(QLatin1Char('"')).toUpper();
                auto et = std::find_if(Existing.begin(), Existing.end(),
                                       [&](const TtvExistingTable &t) { return t.Text.toUpper() == wanted; });
                if (et != Existing.end()) {
                    for (const TtvExistingIndex &i : et->Indexes) {
                        if (i.Columns == cols) {
                            p.Name = i.Name;
                            p.Kind = i.Kind;
                            p.Created = true;
                            break;
                        }
                    }
                }
                node->Proposals.push_back(p);
            }
        }
    }
}

TtvIndexCandidates::TableExistsFn TtvIndexCandidates::ServerTableExists(tv::db::Connection &Db)
{
    return [&Db](const QString &Schema, const QString &Table) {
        tv::db::Query q(&Db);
        q.SetSQL(QStringLiteral(" SELECT c.relname FROM pg_class c LEFT JOIN pg_namespace ns ON ns.oid = "
                                "c.relnamespace WHERE 0 = 0 AND c.relkind IN ('r', 'p') AND ns.nspname = :SCHEMA_NAME "
                                "AND c.relname = :TABLE_NAME"));
        q.ParamByName(QStringLiteral("SCHEMA_NAME")).setAsString(Schema);
        q.ParamByName(QStringLiteral("TABLE_NAME")).setAsString(Table);
        q.Open();
        return !q.Eof();
    };
}

TtvIndexCandidates::ColumnOfTableFn TtvIndexCandidates::ServerColumnOfTable(tv::db::Connection &Db)
{
    return [&Db](const QString &Schema, const QString &Table, const QString &Column) {
        tv::db::Query q(&Db);
        q.SetSQL(QStringLiteral(
            " SELECT ns.nspname, c.relname, a.attnum, a.attname FROM pg_attribute a LEFT JOIN pg_class c ON c.oid "
            "= a.attrelid LEFT JOIN pg_namespace ns ON ns.oid = c.relnamespace WHERE 0 = 0 AND c.relkind IN ('r', 'p') AND "
            "a.attnum > 0 AND ns.nspname = :SCHEMA_NAME AND c.relname = :TABLE_NAME AND a.attname = :COL_NAME "
            "ORDER BY ns.nspname ASC, c.relname ASC, a.attnum ASC"));
        q.ParamByName(QStringLiteral("SCHEMA_NAME")).setAsString(Schema);
        q.ParamByName(QStringLiteral("TABLE_NAME")).setAsString(Table);
        q.ParamByName(QStringLiteral("COL_NAME")).setAsString(Column);
        q.Open();
        return !q.Eof();
    };
}

} // namespace monitor
