#pragma once
// The test-data generator's value engine: the values of one row, column by
// column, following the rules of a TDataGenJob, and the cursors that feed
// link-table and parent values.
//
// Values leave the engine as text in the server's input syntax (numbers as
// exact decimal text, dates as "yyyy-MM-dd HH:mm:ss") or as NULL; a value
// text that does not convert to the column's type (a value-list entry that
// is no number for a numeric column, a link value that is no date) raises
// tv::Error before anything is sent.
//
// Random draws come from a TDataGenRandom; the program uses one seeded from
// the clock, tests pass a seed or a scripted sequence.
#include "tools/DataGenRule.h"

#include <QRandomGenerator64>

#include <memory>
#include <optional>
#include <vector>

namespace tv::db {
class Connection;
class PgResultSet;
} // namespace tv::db

// Random(n): 0 .. n-1 with equal chance, 0 for n <= 0; drawn in 64 bits.
class TDataGenRandom {
public:
    virtual ~TDataGenRandom();
    virtual qint64 Random(qint64 n) = 0;
};

// The generator's own source: seeded from the clock, or from Seed.
class TSeededRandom : public TDataGenRandom {
public:
    TSeededRandom();
    explicit TSeededRandom(quint64 Seed);
    qint64 Random(qint64 n) override;

private:
    QRandomGenerator64 FGen;
};

// A cursor over a query's rows in batches, WITH HOLD so that it survives
// the run's COMMITs, and SCROLL so that it can start again from its first
// row. Declared under a statement savepoint: a failing query leaves the
// user's transaction as it was.
class TDataGenCursor {
public:
    TDataGenCursor(tv::db::Connection &Conn, const QString &Select, int Batch = 1000);
    ~TDataGenCursor();
    TDataGenCursor(const TDataGenCursor &) = delete;
    TDataGenCursor &operator=(const TDataGenCursor &) = delete;

    // Declares the cursor and reads its first batch (raises the driver's error).
    void Open();
    bool IsOpen() const { return FOpen; }
    // Back to the first row (re-reading the first batch).
    void Rewind();
    bool Eof() const;
    void Next();
    int FieldCount() const;
    QString Text(int Field) const;
    bool IsNull(int Field) const;
    // Closes the cursor on the server; failures are ignored.
    void Close();

private:
    void Fetch(const QString &How);

    tv::db::Connection &FConn;
    QString FSelect;
    QString FName;
    int FBatch;
    bool FOpen = false;
    bool FLastBatch = false;
    std::shared_ptr<tv::db::PgResultSet> FRows;
    int FRow = 0;
};

// One value: text, or NULL when absent.
using TGenValue = std::optional<QString>;

class TDataGenValues {
public:
    // Conn: where link tables are read (may be null when no rule links).
    TDataGenValues(TDataGenJob &Job, TDataGenRandom &Rnd, tv::db::Connection *Conn);
    ~TDataGenValues();

    // The link cursors, one per distinct link table (called once per run).
    void PrepareLinkQueries();
    void FreeLinkQueries();
    // The cursor's select text per link table, in order of first use.
    QStringList LinkSelects() const;

    // The values bound by one row, in column order (the columns for which
    // Job.Binds is true). ParentRow: the current parent row's texts (null
    // texts as nullopt) in parent column order, for 親テーブル値.
    std::vector<TGenValue> RowValues(qint64 RowNo, const std::vector<TGenValue> *ParentRow = nullptr);
    // One column's value.
    TGenValue ColumnValue(const TColParams &Col, qint64 RowNo, const std::vector<TGenValue> *ParentRow);

    // A date-time between the bounds, drawn field by field; Kind: "DATE",
    // "TIME" or "DATETIME".
    static QDateTime RandomDateTime(TDataGenRandom &Rnd, const QString &Kind, const QDateTime &From,
                                    const QDateTime &To);
    // A value text read for a column (value lists, link and parent values):
    // checked and brought into the server's syntax by the column's type.
    static QString TypedText(const TColParams &Col, const QString &Text);
    // The column's NULL: an empty text for the types that are neither
    // numeric nor date and time, else NULL.
    static TGenValue TypedNull(const TColParams &Col);

private:
    void AdvanceLinkQueries();
    TGenValue RandomNumber(const TColParams &Col);
    QString RandomString(const TColParams &Col);

    struct Link {
        QString key;
        QString select;
        int count = 0;
        bool empty = false;
        std::unique_ptr<TDataGenCursor> cursor;
    };

    TDataGenJob &FJob;
    TDataGenRandom &FRnd;
    tv::db::Connection *FConn;
    std::vector<Link> FLinks;
    std::vector<std::pair<int, int>> FLinkPos; // per column: link index, field
};
