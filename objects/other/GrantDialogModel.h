#pragma once
// What the grant dialog works with, apart from its widgets: the selected
// objects, the nine privileges and the kinds they apply to, the ACL of every
// selected object (read per kind in one query), the rows of the granted
// list, the box states of one grantee over all objects, and the statements
// of the changed boxes.
#include <QList>
#include <QString>
#include <QStringList>

namespace tv::db {
class Query;
} // namespace tv::db

struct TGrantObject {
    int Type = 0;
    QString Schema;
    QString Name;
    qint64 Oid = -1;          // routines
    QString FunArgDel;        // routines: the argument text of statements
    QString TypType;          // types
    // The ACL as read.
    bool Found = false;
    QString Owner;
    bool AclNull = false;
    QStringList AclItems;
    QString Args;             // routines: identity arguments, for the list

    QString Entry() const;    // "s"."n"
};

struct TGrantedRow {
    QString Grantee;
    QString Privilege;
    bool GrantOption = false;
    QString Entry;
    QString Args;
    int Type = 0;
    QString FunArgDel;
    bool operator==(const TGrantedRow &) const = default;
};

namespace GrantDialog {
constexpr int PrivilegeCount = 9;
// "DELETE" ... "USAGE", index 0 to 8.
QString Keyword(int Index);
QChar Letter(int Index);
// The check-list line of a privilege ("SELECT(データ問合せ権)").
QString Line(int Index);
// Whether the privilege applies to an object (types: from 90200, not "p").
bool Applies(int Index, const TGrantObject &Object, int DBVer);
// An object that takes no part (indexes, triggers, constraints, rules,
// unknown kinds, types below 90200 or of typtype "p").
bool PassedOver(const TGrantObject &Object, int DBVer);
// The object clause of statements ("TABLE "s"."t"", "FUNCTION "s"."f"(int4)").
QString ObjectClause(int Type, const QString &Entry, const QString &FunArgDel);

// Reads the ACLs of all objects, one query per kind. Objects not found keep
// Found false.
void LoadAcls(tv::db::Query &Query, QList<TGrantObject> &Objects, int DBVer, bool Edb);
// The granted list of one object.
void GrantedRows(const TGrantObject &Object, QList<TGrantedRow> &Rows);

// Counts of one grantee: per privilege, the objects holding it and those
// holding it with grant option.
struct TCounts {
    int Granted[PrivilegeCount] = {};
    int Option[PrivilegeCount] = {};
};
TCounts Count(const QList<TGrantObject> &Objects, const QString &Grantee, int DBVer);
// The box state of a count over Total objects: 0 clear, 1 grayed, 2 checked.
int State(int Count, int Total);

// One pair of boxes: left and right states (Qt::CheckState values).
struct TBoxes {
    int Left = 0;
    int Right = 0;
    bool Enabled = false;
    bool operator==(const TBoxes &o) const { return Left == o.Left && Right == o.Right; }
};
// The statements of one object for the changed boxes, grouped in units: a
// REVOKE alone, or a REVOKE and the GRANT that follows it.
QList<QStringList> Statements(const TGrantObject &Object, const QString &Grantee, const TBoxes (&Now)[PrivilegeCount],
                              const TBoxes (&Saved)[PrivilegeCount], int DBVer);
} // namespace GrantDialog
