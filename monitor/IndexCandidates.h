#pragma once
// Index proposals of the index adviser: from the parsed statement's tables
// and condition tokens, the condition columns of every table are split into
// OR groups, and every group gets one proposal per column, starting at that
// column and taking the following ones in turn up to the column limit.
// The catalog is reached only through the two lookups, so the rules can be
// checked without a server; ServerLookups gives the real ones.
#include "common/tvParseList.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace tv::db {
class Connection;
}

namespace monitor {

// One index of the existing-index list (a level-1 node under its table).
struct TtvExistingIndex {
    QString Name;
    QString Kind;    // "UNIQUE INDEX" or "NONUNIQUE INDEX"
    QString Columns; // column text as listed, e.g. "a, b"
    bool Used = false; // the plan used it ("使用")
    QString Schema;
    QString UsedText() const;
};

// A table node of the existing-index list with its indexes (none: the
// placeholder row).
struct TtvExistingTable {
    QString Text; // schema.table or table, normalised
    std::vector<TtvExistingIndex> Indexes;
};

// One proposal (a level-1 node of the proposal list).
struct TtvIndexProposal {
    QString Name;
    QString Kind;    // "NONUNIQUE INDEX" or the kind of the matched index
    QString Columns; // names joined with ", "
    bool Created = false; // an existing index has these columns ("作成済")
    QString StatusText() const;
};

// A table node of the proposal list.
struct TtvProposalTable {
    QString Text;
    std::vector<TtvIndexProposal> Proposals;
};

// One condition token as a possible column reference.
struct TtvNewIndexList {
    QString FTableName;  // qualifier, normalised; empty when unqualified
    int FIndexNo = 0;    // OR group, from 0
    QString FColumnName; // column part, normalised
    bool FFind = false;  // assigned to a table
};

class TtvIndexCandidates {
public:
    // True when Schema.Table is an ordinary table.
    using TableExistsFn = std::function<bool(const QString &Schema, const QString &Table)>;
    // True when Schema.Table has a column named Column.
    using ColumnOfTableFn = std::function<bool(const QString &Schema, const QString &Table, const QString &Column)>;

    TtvIndexCandidates(TableExistsFn TableExists, ColumnOfTableFn ColumnOfTable);

    // The references of the condition tokens, in token order; returns the
    // number of the last OR group.
    static int BuildReferences(const QStringList &Conditions, std::vector<TtvNewIndexList> &Refs);

    // Appends the proposals for Tables to Out (the proposal list as it
    // stands). DefaultSchema stands for tables named without a schema.
    // A failing lookup throws; what was appended until then stays in Out.
    void Generate(const TtvParseList &Tables, const QStringList &Conditions, const QString &DefaultSchema,
                  int ColCount, const std::vector<TtvExistingTable> &Existing, std::vector<TtvProposalTable> &Out);

    // The references of the last Generate.
    const std::vector<TtvNewIndexList> &References() const { return FRefs; }

    // Lookups over the catalog of a connection.
    static TableExistsFn ServerTableExists(tv::db::Connection &Db);
    static ColumnOfTableFn ServerColumnOfTable(tv::db::Connection &Db);

private:
    TableExistsFn FTableExists;
    ColumnOfTableFn FColumnOfTable;
    std::vector<TtvNewIndexList> FRefs;
};

// Schema and table of a table-list entry: "s.t" gives both normalised,
// a bare name takes DefaultSchema.
void SplitTableName(const QString &ObjectName, const QString &DefaultSchema, QString &Schema, QString &Table);

} // namespace monitor
