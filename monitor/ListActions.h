#pragma once
// The four actions the user, role and schema list and the tablespace list
// run over the items selected in their multi-select list: open the
// definition window of each, write the DDL of each to script files, drop
// each, and rename one in place. Each list item's caption is the object's
// name and its image index the type code (2 a user, 3 the connection's own
// user, 68 a role, 4 a schema, 69 a tablespace). A window gives its row of
// differences once (TListActionRow) and calls the routines with it.
//
// Statements run on the main session of the connection window with no
// COMMIT or BEGIN of their own, each under a statement savepoint while a
// transaction block is open (a failure never aborts the user's work);
// DROP TABLESPACE, which cannot run inside a block, runs on a short-lived
// side connection.
#include <QString>

#include <functional>

class IConnectionWindow;
class QObject;
class TtvListItem;
class TtvListView;

struct TListActionRow {
    // Opens the definition window of an item (a code and a name); raises
    // tv::SilentAbort when the window was already open and came forward.
    std::function<void(int Code, const QString &Name)> Open;
    // The drop statement of an item.
    std::function<QString(int Code, const QString &Name, bool Cascade)> DropSQL;
    // DROP TABLESPACE: on a side connection.
    bool DropOnSideConnection = false;
    // The confirmation asks with "削除時のエラーを無視する" (tvOption.DelErr)
    // and, with CascadeBox, "CASCADE オプション"; else a plain question.
    bool DropChecks = false;
    bool CascadeBox = false;
    // After a completed drop (the user list rebuilds the connection's tree).
    std::function<void()> AfterDrop;
    // The GRANT mode of OutputGrant for a code (2 roles, 3 tablespaces, 0 none).
    std::function<int(int Code)> GrantMode;
    // "ALTER ROLE " ... by code.
    std::function<QString(int Code)> RenameStart;
    // Whether an item's name may be edited.
    std::function<bool(TtvListItem *Item)> CanEdit;
};

namespace listactions {

// The script file of an object: SanitizeFileName(Name) + ".SQL" in Path
// (ending in "/"), below a folder of the type's name when SubDir is on and
// the type has a name.
QString ScriptFilePath(const QString &Path, int Code, const QString &Name, bool SubDir);

// The rename statement; empty when the new text equals the old name.
QString RenameSQL(const QString &Start, const QString &OldName, const QString &NewName);

void OpenSelected(TtvListView *List, const TListActionRow &Row);
// Opens the definition window of a listed object (Code, Name; an empty name
// a new one) through the connection window's dispatcher; a window already
// open comes forward with tv::SilentAbort.
void OpenListedObject(IConnectionWindow *Owner, int Code, const QString &Name);
void ScriptSelected(IConnectionWindow *Owner, TtvListView *List, const TListActionRow &Row);
void DropSelected(IConnectionWindow *Owner, TtvListView *List, const TListActionRow &Row);
// Renames the item's object to NewText; false (old caption kept) on failure,
// the error passed on.
bool Rename(IConnectionWindow *Owner, TtvListItem *Item, QString NewText, const TListActionRow &Row);
// Starts editing the selected item's name (F2) when the row allows it.
void StartRename(TtvListView *List, const TListActionRow &Row);
// Puts the name editor on the list: editing starts by F2 or a click on the
// selected item's name when the row allows it, and its end renames.
void InstallNameEditor(TtvListView *List, std::function<IConnectionWindow *()> Owner, const TListActionRow *Row);

} // namespace listactions
