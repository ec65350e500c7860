#pragma once
// The test-data generator's rules: one rule per column of the table (what
// kind of value it gets and with which bounds), the run settings (mode,
// counts, parent table, WHERE text) and what the generator reads about the
// table from the catalog (columns, keys, the parent table of a one-column
// foreign key). No widgets here: the window shows and edits a TDataGenJob,
// the value engine, the input check, the settings file and the runs work
// on it.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace tv::db {
class Connection;
}

// The value kind; the ordinal is what the settings file stores.
enum TSetType {
    stNone = 0,
    stSeqNum,
    stSeqDate,
    stSeqTime,
    stSeqDtTm,
    stRandNum,
    stRandStr,
    stRandDate,
    stRandTime,
    stRandDtTm,
    stIn,
    stVar,
    stTemplate,
    stLink,
    stMaster
};
constexpr int kSetTypeCount = 15;

// "未指定", "連番" ... as the window shows them.
QString SetTypeName(TSetType Type);
// The kind of a display name; stNone for an unknown name.
TSetType SetTypeFromName(const QString &Name);
// The captions of the string contents, index = StrType.
const QStringList &StrTypeNames();

// One column's rule.
struct TColParams {
    QString ColumnName;
    QString DataType;   // without modifier ("character varying")
    QString TypeText;   // with modifier ("character varying(20)")
    int Length = 0;
    bool CharUsed = false;
    int Scale = 0;
    bool NotNull = false;
    QString Default;

    TSetType SetType = stNone;
    int NullPar = 0;
    double NumFrom = 0;
    double NumTo = 0;
    double Marume = 0;
    int StrType = 0;
    bool StrFull = false;
    QString StrDigit;
    QString StrPrefix;
    bool FlgPrefix = false;
    QDateTime DateFrom; // invalid: none
    QDateTime DateTo;
    QStringList Variable;
    QString TemplateName1;
    QStringList Template1;
    QString TemplateName2;
    QStringList Template2;
    QString TemplateSep;
    QString LinkOwner;
    QString LinkTable;
    QString LinkColumn;

    // Clears the generation fields (kind 未指定), keeping the column facts.
    void ClearRule();
};

// Type classes, by the type name without modifier.
namespace DataGenType {
bool IsSupported(const QString &T);
bool IsChar(const QString &T);
bool IsNumeric(const QString &T);
bool IsDecimal(const QString &T);    // numeric, numeric[]
bool IsDate(const QString &T);       // "date"
bool IsTimestamp(const QString &T);  // begins with "timestamp"
bool IsTimeType(const QString &T);   // begins with "time"
bool IsDateTime(const QString &T);   // date or begins with "time"
} // namespace DataGenType

enum TDataGenMode { dgmNormal = 0, dgmMaster = 1, dgmUpdate = 2 };

// The table, its rules and the run settings.
struct TDataGenJob {
    QString Schema;
    QString Table;
    QList<TColParams> Cols;
    QStringList Primary;   // primary-key columns
    QStringList Unique;    // the columns of the last unique constraint by name
    QStringList Foreign1;  // foreign-key columns of this table
    QStringList Foreign2;  // the parent columns they refer to

    TDataGenMode Mode = dgmNormal;
    qint64 Count = 0;
    QString MastOwner;
    QString MastTable;
    QStringList MastColumns;  // the parent table's columns in column order
    qint64 CountFrom = 0;
    qint64 CountTo = 0;
    QString Where;

    bool IsPrimary(const QString &Column) const { return Primary.contains(Column); }
    bool IsKey(const QString &Column) const { return Primary.contains(Column) || Unique.contains(Column); }
    int IndexOf(const QString &Column) const;
    // Whether a column takes part in a statement of the mode: it has a kind,
    // and in the update mode it is no primary-key column.
    bool InStatement(int Index) const;
    // Whether the column binds a value (in the statement and not 固定値).
    bool Binds(int Index) const;
};

// The kinds a column may take, in list order.
QList<TSetType> OfferedKinds(const TDataGenJob &Job, const TColParams &Col);
// Whether the NULL ratio may be set for the column's rule.
bool NullRatioAllowed(const TDataGenJob &Job, const TColParams &Col);
// The text of the column list's "パラメータ".
QString ParameterText(const TColParams &Col);
// The general text of a number (up to 15 significant digits, no exponent
// for ordinary values, "." as separator).
QString GeneralText(double Value);
// Date and time texts of the rules: "yyyy/MM/dd", "HH:mm:ss".
QString DateText(const QDateTime &Value);
QString TimeText(const QDateTime &Value);

// Reads the columns, keys and parent table of Job.Schema.Job.Table: Cols
// with cleared rules, Primary, Unique, Foreign1/2 and, for the first
// foreign key of one column, the parent mode with MastOwner, MastTable and
// MastColumns. Raises the driver's error.
void ReadTable(tv::db::Connection &Conn, TDataGenJob &Job);
// The column names of a table in column order (empty for an unknown table).
QStringList ReadColumnNames(tv::db::Connection &Conn, const QString &Schema, const QString &Table);

// Gives every rule its default kind and values; Now: the current time.
void SetDefaultRules(TDataGenJob &Job, const QDateTime &Now);
// Brings a rule into the form the window's controls store: a kind the
// column does not offer is dropped, a NULL ratio that may not be set is 0,
// dates of the date kinds are cut to whole days and a missing bound becomes
// Today.
void NormaliseRule(const TDataGenJob &Job, TColParams &Col, const QDate &Today);
void NormaliseRules(TDataGenJob &Job, const QDate &Today);
