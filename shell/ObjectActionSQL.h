#pragma once
// Statements and text rewrites of the object list's actions, as plain
// functions: the DROP and RENAME statements of each object kind, the rename
// permission, the paste rewrite of a copied object's DDL, and the paths of
// script output files.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The object an action works on, as the list item gives it.
struct TListObject {
    int ObjectType = -1;
    QString Schema;
    QString ObjectName;
    QString TableName;  // trigger, rule and constraint
    QString Arguments;  // input arguments of a procedure, function or aggregate (for DROP and RENAME)
};

// The DROP statement of an object; empty for a kind that cannot be dropped
// from the list. `cascade` appends " CASCADE" where the kind takes it.
QString DropObjectSQL(const TListObject &o, bool cascade);
// The statement that renames an object to NewName; empty for a kind without one.
QString RenameObjectSQL(const TListObject &o, const QString &NewName);
// Whether an object may be renamed in place: a kind with a rename statement,
// in the login schema (exactly), a constraint only from server 9.2 on.
bool CanRenameObject(int ObjectType, const QString &Schema, const QString &LoginSchema, int DBVer);

// The rewrite of a copied object's DDL for pasting it as a new object.
struct TPasteRewrite {
    int ObjectType = -1;
    QString Schema;        // S: the copied object's schema
    QString ObjectName;    // N: its name
    QString TargetSchema;  // T
    QString NewName;       // M, as typed
    QList<QPair<QString, QString>> Indexes; // (old, new) index names of a table
    bool WithData = false; // a table's rows are copied too
};
// The lines to run for the paste; empty when the DDL is empty.
QStringList RewritePasteScript(const QStringList &ddl, const TPasteRewrite &r);

// The schema a paste goes into for the selected tree node: a schema node its
// text, the database node and (kinds first) any other node the login user,
// a kind node under a schema its parent's text.
QString PasteTargetSchema(int NodeImage, const QString &NodeText, const QString &ParentText, bool KindFirst,
                          const QString &UserName);

// Script output: the file name of an object ("B.SQL" for package and type
// bodies without sub-folders) and its path under the output folder (which
// ends in "/"). Names become path parts through SanitizeFileName.
QString ScriptFileName(const QString &Caption, int ObjectType, bool Dir);
QString ScriptFilePath(const QString &ScriptPath, const QString &Schema, const QString &Kind,
                       const QString &FileName, bool Dir, bool SchemaFirst);
