#pragma once
// The rows of a query, read cell by cell.
//
// ResultSet is the one interface the data grids and the query cursor read:
// PgResultSet holds a server result's cells in a compact store, MemResultSet
// holds rows built in memory, and an editable set can wrap either. Cells are read as
// text (NULL gives "" and is told apart by isNull()); value() converts by the
// field's kind. numeric stays exact text; oids are unsigned 32-bit values held
// in 64-bit integers.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QVariant>

namespace tv::db {

enum class FieldKind {
    Int2, Int4, Int8, Bool, Date, Time, Timestamp, TimestampTz, Bytea, Text, Varchar, Char,
    Numeric, Float, Oid, Other
};

struct FieldDesc {
    QString name;
    FieldKind kind = FieldKind::Other;
    // varchar(n)/char(n): n; numeric(p,s): p; fixed-size types: their byte
    // size; 0: no declared limit.
    qint64 size = 0;
    int precision = 0; // numeric(p,s): p
    int scale = 0;     // numeric(p,s): s
    qint64 typeOid = -1;
    qint64 typeMod = -1;
    // The base table column the field comes from, for editing: -1 and 0 when
    // the field is computed.
    qint64 tableOid = -1;
    int tableColumn = 0;
};

// The kind for a server type oid; size details come from the type modifier.
FieldDesc MakeFieldDesc(const QString &name, qint64 typeOid, qint64 typeMod, int byteSize);

class ResultSet {
public:
    virtual ~ResultSet();

    virtual int rowCount() const = 0;
    virtual int fieldCount() const = 0;
    virtual const FieldDesc &field(int c) const = 0;
    virtual bool isNull(int r, int c) const = 0;
    // The cell in the server's text form; "" for NULL.
    virtual QString text(int r, int c) const = 0;
    // The first maxChars characters of text(r, c), converting no more of the
    // cell than that (a cell of many megabytes shows only its start).
    virtual QString textPrefix(int r, int c, qsizetype maxChars) const;
    // bytea cells decoded to their bytes; other cells as UTF-8 text.
    virtual QByteArray bytes(int r, int c) const = 0;
    // Index of a field by name, without regard to case; -1 when missing.
    virtual int fieldIndex(const QString &name) const;

    // The cell converted by the field's kind: qint64 for integers and oids,
    // bool, double, QDate, QTime, QDateTime, QByteArray for bytea, QString
    // for numeric and the rest; a null QVariant for NULL.
    QVariant value(int r, int c) const;
};

// Parsers of the server's ISO output; an invalid result for text that is not
// a valid value (also "infinity" and dates BC).
QDate ParseDate(QStringView s);
QTime ParseTime(QStringView s);
// A timestamp with an offset is returned in local time; one without an
// offset is taken as local time.
QDateTime ParseTimestamp(QStringView s);

} // namespace tv::db
