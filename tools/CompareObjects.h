#pragma once
// What the object comparison decides apart from its window: the listing
// query of one side, the pairing of listed objects, and the DDL made
// comparable across schemas.
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace comp {

// One listed object of one side.
struct TCompEntry {
    QString Schema;   // for a trigger the schema of its table or view
    QString Name;
    QString Kind;     // 'TABLE', 'INDEX' ...
    QString Param;    // argument type names joined by "," (routines)
    QString Result;   // return type name (routines)
    qint64 OID = -1;  // routines and packages
    QString Table;    // table of a trigger or rule
};

// The kinds in listing order: kind word and type code.
struct TCompKind {
    const char *Kind;
    int Code;
};
const std::vector<TCompKind> &Kinds();
// Whether a server offers a kind.
bool Offered(int Code, int DBVer, bool IsEdb);
// The listing query of a side. Wanted: the type codes whose buttons are down
// (none offered by the server: every kind it offers). Schema "(全て)": all.
QString ObjectListSQL(const QList<int> &Wanted, int DBVer, bool IsEdb, const QString &Schema);

// The comparison is schema-blind when both schema texts name one schema
// and the two places differ.
bool SchemaBlind(const QString &Schema1, const QString &Schema2, const QString &Db1, const QString &Db2);

// The schema taken out of a DDL text, ignoring case: the quoted name and
// the bare name, each with a following "." and alone, only where they stand
// as a whole identifier.
QString RemoveSchemaQualifier(const QString &Schema, const QString &Text);

// Argument type oids (one a line) as type names joined by ",".
QString ArgumentTypeNames(const QString &Oids, const QHash<qint64, QString> &TypeNames);

// The other side's entries by what pairs them; the last match wins, and an
// entry taken by a pair is found no more.
class TCounterparts {
public:
    TCounterparts(const std::vector<TCompEntry> &Entries, bool SchemaAware);
    // The index of the counterpart of e; -1 when none is left.
    int Find(const TCompEntry &e) const;
    void Take(int Index);
    bool Taken(int Index) const { return Index >= 0 && size_t(Index) < FTaken.size() && FTaken[size_t(Index)]; }

private:
    QString Key(const TCompEntry &e) const;
    bool FSchemaAware;
    QHash<QString, std::vector<int>> FByKey;
    std::vector<bool> FTaken;
};

} // namespace comp
