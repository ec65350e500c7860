#pragma once
// What a DROP and CREATE of an object must carry across, read from the
// server while the object still exists: everything its CREATE statement does
// not write. The statements that put it back run after the CREATE in the
// same transaction:
//  - the comment (and the comments of a relation's or composite type's
//    columns);
//  - the owner;
//  - the privileges, each given again by the role that gave it (SET ROLE to
//    that role around its GRANT), in an order that gives a grant option
//    before it is used; privileges that default privileges (ALTER DEFAULT
//    PRIVILEGES) add to the new object and the old one did not have are
//    revoked, also when the old object had the default privileges;
//  - the enabled state of a trigger;
//  - a role's settings (ALTER ROLE ... SET), its comment and its memberships
//    both ways, with their grantors and admin options.
// What cannot be put back by the session (a grant by a role it cannot
// become, a membership granted by another role while it is no superuser) is
// named in Lost, so that the caller tells the user before the drop.
#include <QString>
#include <QStringList>

#include <functional>

namespace tv::db {
class Query;
} // namespace tv::db

enum class TKeptKind {
    Table,
    View,
    MatView,
    Sequence,
    Index,
    Constraint,
    Trigger,
    Rule,
    Policy,
    Function,
    Procedure,
    Aggregate,
    Type,
    Role,
};

// The object as it exists on the server before the drop, and as the CREATE
// makes it again (the same names).
struct TKeptObject {
    TKeptKind Kind = TKeptKind::Table;
    QString Schema;
    QString Name;
    // The table of a constraint, trigger, rule or policy (in Schema).
    QString Table;
    // A routine's identity arguments (pg_get_function_identity_arguments).
    QString Args;
    // A role: the roles whose membership of it the CREATE text itself
    // writes (granted or not, as the user chose); those are not put back.
    QStringList TextWrites;
};

// What a reader keeps; a caller that puts some part back itself leaves it out.
enum TKeptPart : unsigned {
    kpComment = 1,
    kpColumnComments = 2,
    kpOwner = 4,
    kpPrivileges = 8,
    kpColumnPrivileges = 16,
    kpTriggerState = 32,
    kpRoleSettings = 64,
    kpRoleMemberships = 128,
    kpAll = 0xFFFF,
};

struct TKeptState {
    // False when the object does not exist (nothing to keep).
    bool Found = false;
    // Statements to run after the CREATE, each followed by a ";" line.
    QStringList Restore;
    // What cannot be put back, one line each.
    QStringList Lost;
};

// Reads what a re-create of Object loses. ColumnName maps a column number
// of the old relation to its name in the new one (empty: the column is
// gone, its comment and privileges with it); without it a column keeps its
// name. A failing query raises.
TKeptState ReadKeptState(tv::db::Query &Query, const TKeptObject &Object, unsigned Parts = kpAll,
                         const std::function<QString(int AttNum)> &ColumnName = {});

// The question shown before a drop when Lost is not empty: the lines and
// whether to go on.
QString KeptLossQuestion(const QStringList &Lost);

// An index definition as pg_get_indexdef writes it, placed in Tablespace
// (nothing added when empty): the clause goes before the WHERE of a partial
// index whose predicate is Predicate, else at the end.
QString IndexInTablespace(const QString &Definition, const QString &Tablespace, const QString &Predicate);
