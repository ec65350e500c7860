#pragma once
// The privileges of one object per grantee, as the privileges frame shows
// and edits them: the privileges an object kind knows, the grid of grantees
// with the state as loaded and as edited, the ACL queries and the GRANT and
// REVOKE statements of the changed cells. Nothing here touches a widget.
#include <QList>
#include <QString>
#include <QStringList>

struct TGrantPrivilege {
    QChar Letter;       // the ACL letter
    QString Keyword;    // column caption and statement word
    QString Line;       // check-list line
};

// The privileges of an object kind in column order (empty for other kinds).
QList<TGrantPrivilege> GrantPrivileges(int ObjType);

// The ACL query of a kind (see the .cpp for its parameters, by position):
// owner name, ACL items separated by CR LF, item count (NULL for a NULL ACL).
// Empty for a kind without privileges.
QString GrantAclSQL(int ObjType, const QString &EdbPackageSubquery = QString());

// A grid cell: "" not granted, "*" granted, "G" with grant option.
struct TGrantRow {
    QString Name;         // role name, "public"
    int Icon = 2;
    QStringList Current;  // one per privilege
    QStringList Loaded;
    bool Marked = false;  // held a privilege when loaded
};

class TGrantModel {
public:
    int ObjType = 0;
    QString Schema;
    QString ObjName;
    QString TypList;      // argument types of a function (verbatim)
    QList<TGrantPrivilege> Privileges;
    QList<TGrantRow> Rows;

    // Columns of the kind, no rows.
    void Reset(int AObjType, const QString &ASchema, const QString &AObjName, const QString &ATypList = QString());
    void AddRow(const QString &Name, int Icon);
    int RowOf(const QString &Name) const;
    // Applies the ACL as loaded: Found false for no object; AclNull for a
    // NULL ACL (the owner's implicit privileges, and PUBLIC's for
    // functions, packages, types and aggregates). Items are separated by
    // line ends.
    void LoadAcl(bool Found, const QString &Owner, bool AclNull, const QString &AclItems);
    // Drops the rows that held nothing when loaded.
    void RemoveUnmarked();

    // Object text of the statements ("TABLE "s1"."t1"").
    QString ObjectText() const;
    // Statements for the changed cells, each followed by ";".
    void GetSource(QStringList &S) const;
    // A statement for every row and privilege (on TYPE schema.name).
    void GetSourceReregist(QStringList &S) const;

    // Check states of the selected rows per privilege: left (granted) and
    // right (with grant option).
    void SelectionStates(const QList<int> &Selected, QList<int> &Left, QList<int> &Right) const;
    // The grant-option boxes are usable: not "public" alone.
    bool GrantOptionUsable(const QList<int> &Selected) const;
    // Writes the boxes into the selected rows (Qt::CheckState values; a
    // partial left box leaves the cell).
    void Apply(const QList<int> &Selected, const QList<int> &Left, const QList<int> &Right);
};
