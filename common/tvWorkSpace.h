#pragma once
// The workspace: the user's list of frequently used database objects, held in
// the global array tvWorkSpace and stored below the key "WORKSPACE", one
// subkey per entry named by its position ("0", "1", ...).
#include <QString>
#include <QtGlobal>

#include <vector>

namespace tv::settings {
class TtvRegistry;
}

struct TtvWorkSpace {
    int ObjectType = 0;   // object-type code; also the entry's icon
    QString Title;        // caption shown in the panel
    QString Schema;
    QString ObjectName;
    QString Connect;      // kind-0 descriptor text of the connection the entry belongs to
    qint64 oid = 0;       // kept for functions, procedures and aggregates (overloadable names);
                          // an unsigned 32-bit oid, -1 for none
    QString TableName;    // kept for triggers, constraints and rules

    bool operator==(const TtvWorkSpace &) const = default;
};

extern std::vector<TtvWorkSpace> tvWorkSpace;

// Object types whose entries store "oid" (procedure, function, aggregate) and
// "TableName" (trigger, constraint, rule).
bool WorkSpaceKeepsOid(int objectType);
bool WorkSpaceKeepsTableName(int objectType);

// Replaces tvWorkSpace with the entries stored in the shared store (creating
// the key), in the numeric order of their subkey names ("2" before "10").
// Missing values take their defaults: type 45, empty texts, oid -1. The
// store's integers are 32 bits: an oid is kept as its unsigned 32-bit
// pattern, so oids above 2^31 come back as they were.
void LoadWorkSpace();
// Replaces the stored entries with tvWorkSpace. Throws tv::Error when the
// store cannot be written.
void SaveWorkSpace();

// The same on a given store.
void LoadWorkSpace(tv::settings::TtvRegistry &reg);
void SaveWorkSpace(tv::settings::TtvRegistry &reg);
