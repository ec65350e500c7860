#include "monitor/ListActions.h"

#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectDispatcher.h"
#include "shell/ScriptFileSet.h"
#include "shell/SelectionWalk.h"
#include "shell/frmObject.h"
#include "tools/frmScriptOption.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>

namespace listactions {

namespace {

// Statements on the main session, each under its own savepoint.
void ExecuteProtected(IConnectionWindow *Owner, const QString &SQLText)
{
    tv::db::StatementSavepoint sp(Owner->dbsMain());
    Owner->ExecuteSQL(SQLText);
    sp.release();
}

bool ConnectionLost(const tv::Error &e)
{
    const auto *db = dynamic_cast<const tv::db::DbError *>(&e);
    return db && db->connectionLost();
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// The list's name editor: an edit starts only when the row allows it; its
// end renames the object once the editor has gone.
class TNameDelegate : public QStyledItemDelegate {
public:
    TNameDelegate(TtvListView *list, std::function<IConnectionWindow *()> owner, const TListActionRow *row)
        : QStyledItemDelegate(list), FList(list), FOwner(std::move(owner)), FRow(row)
    {
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        TtvListItem *item = ItemOf(index);
        bool allowed = false;
        tv::ui::Guard([&] { allowed = item && index.column() == 0 && (!FRow->CanEdit || FRow->CanEdit(item)); });
        if (!allowed)
            return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        auto *edit = qobject_cast<QLineEdit *>(editor);
        TtvListItem *item = ItemOf(index);
        if (!edit || !item)
            return;
        const QString text = edit->text(), old = item->Caption();
        QPointer<TtvListView> list(FList);
        auto owner = FOwner;
        const TListActionRow *row = FRow;
        tv::ui::PostAction(
            FList,
            [list, item, text, old, owner, row] {
                if (!list)
                    return;
                // The edited item, or the one showing its name when the list
                // was read again meanwhile (the typed name is not dropped).
                TtvListItem *target = nullptr;
                for (int i = 0; i < list->ItemCount() && !target; ++i)
                    if (list->Item(i) == item && item->Caption() == old)
                        target = item;
                for (int i = 0; i < list->ItemCount() && !target; ++i)
                    if (list->Item(i)->Caption() == old)
                        target = list->Item(i);
                if (target)
                    tv::ui::Guard([&] { Rename(owner(), target, text, *row); });
            });
    }

protected:
    // Enter ends the edit only: it does not go on to the list, whose own
    // Enter opens the item (under its old name).
    bool eventFilter(QObject *o, QEvent *e) override
    {
        const bool used = QStyledItemDelegate::eventFilter(o, e);
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                return true;
        }
        return used;
    }

private:
    TtvListItem *ItemOf(const QModelIndex &index) const
    {
        if (!index.isValid() || index.parent().isValid())
            return nullptr;
        return FList->Item(index.row());
    }
    TtvListView *FList;
    std::function<IConnectionWindow *()> FOwner;
    const TListActionRow *FRow;
};

} // namespace

QString ScriptFilePath(const QString &Path, int Code, const QString &Name, bool SubDir)
{
    const QString file = SanitizeFileName(Name) + QStringLiteral(".SQL");
    const QString type = ObjectTypeName(Code);
    if (SubDir && !type.isEmpty())
        return Path + type + QLatin1Char('/') + file;
    return Path + file;
}

QString RenameSQL(const QString &Start, const QString &OldName, const QString &NewName)
{
    if (NewName == OldName)
        return QString();
    return Start + QuoteIdentifier(OldName) + QStringLiteral(" RENAME TO ") + QuoteIdentifier(NewName);
}

void OpenSelected(TtvListView *List, const TListActionRow &Row)
{
    if (List->SelectedItems().isEmpty() || !Row.Open)
        return;
    TSelectionWalk walk(List, false);
    while (TtvListItem *item = walk.Next()) {
        try {
            Row.Open(ItemImageIndex(item), item->Caption());
        } catch (...) {
            // An open twin came forward, or the window failed: the loop ends
            // at this item, which stays selected.
            walk.Keep();
            throw;
        }
        walk.Deselect();
    }
}

void ScriptSelected(IConnectionWindow *Owner, TtvListView *List, const TListActionRow &Row)
{
    auto *form = dynamic_cast<TfrmObject *>(Owner);
    if (!form || List->SelectedItems().isEmpty())
        return;
    QString scriptPath, nameTable;
    if (!TfrmScriptOption::ShowWindow(Owner, scriptPath, nameTable))
        return;
    scriptPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool oneScript = ScriptOption.OneScript;
    const bool replace = ScriptOption.SameName;
    WaitCursor wait;
    // A file is emptied (with "上書きする") only when the run first meets it:
    // the one file, a common grant file and objects of one name share it.
    TScriptFileSet files(replace);
    {
        TSelectionWalk walk(List, true);
        while (TtvListItem *item = walk.Next()) {
            const int code = ItemImageIndex(item);
            const QString name = item->Caption();
            QFile file;
            QString fileName;
            if (oneScript) {
                files.Open(file, scriptPath);
            } else {
                const QString path = ScriptFilePath(scriptPath, code, name, ScriptOption.Dir);
                fileName = QFileInfo(path).fileName();
                files.Open(file, path);
            }
            form->OutputScript(code, QString(), name, file, QString(), QString(), -1, QString());
            const int grantMode = Row.GrantMode ? Row.GrantMode(code) : 0;
            if (ScriptOption.Grant && grantMode != 0) {
                const QString schemaArg = grantMode == 2 ? name : QStringLiteral("%");
                const QString nameArg = grantMode == 2 ? QStringLiteral("%") : name;
                if (ScriptOption.GrantMode == 0 || oneScript) {
                    form->OutputGrant(schemaArg, nameArg, file, grantMode, QString(), QString());
                } else {
                    QString grantPath;
                    if (ScriptOption.GrantMode == 1) {
                        grantPath = scriptPath + QStringLiteral("GRANT/") + fileName;
                    } else {
                        const QString type = ObjectTypeName(code);
                        grantPath = (ScriptOption.Dir && !type.isEmpty() ? scriptPath + type + QLatin1Char('/')
                                                                         : scriptPath) +
                                    QStringLiteral("_GRANT.SQL");
                    }
                    QFile grant;
                    files.Open(grant, grantPath);
                    form->OutputGrant(schemaArg, nameArg, grant, grantMode, QString(), QString());
                }
            }
            file.close();
            walk.Deselect();
        }
    }
    ShowMessageBox(QStringLiteral("スクリプトが出力されました。"), tv::ui::MB_ICONINFORMATION);
}

void DropSelected(IConnectionWindow *Owner, TtvListView *List, const TListActionRow &Row)
{
    if (!Owner || List->SelectedItems().isEmpty())
        return;
    bool cascade = false;
    const unsigned flags = tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2;
    int answer;
    if (Row.DropChecks) {
        TCheckList checks{{QStringLiteral("削除時のエラーを無視する"), &tvOption.DelErr}};
        if (Row.CascadeBox)
            checks.append({QStringLiteral("CASCADE オプション"), &cascade});
        answer = ShowCheckMessageDialog(QStringLiteral("オブジェクトを削除しますか？"), flags, checks);
    } else {
        answer = ShowMessageBox(QStringLiteral("オブジェクトを削除しますか？"), flags);
    }
    if (answer != tv::ui::IDYES)
        return;
    int failed = 0;
    {
        TSelectionWalk walk(List, true);
        int passCount = walk.Total();
        for (;;) {
            failed = 0;
            while (TtvListItem *item = walk.Next()) {
                const QString sql = Row.DropSQL(ItemImageIndex(item), item->Caption(), cascade);
                try {
                    if (Row.DropOnSideConnection)
                        Owner->dbsMain().ExecOnSideConnection(sql);
                    else
                        ExecuteProtected(Owner, sql);
                    walk.Remove();
                } catch (const tv::Error &e) {
                    walk.Keep();
                    if (ConnectionLost(e) || !tvOption.DelErr || List->SelectedItems().size() == 1)
                        throw;
                    ++failed;
                }
            }
            if (walk.Escaped())
                break;
            const int remaining = int(List->SelectedItems().size());
            if (remaining == 0 || remaining == passCount)
                break;
            // A pass that dropped something: the items that failed are tried again.
            passCount = remaining;
            walk.Restart();
        }
    }
    ShowMessageBox(DropDoneText(failed), tv::ui::MB_ICONINFORMATION);
    if (Row.AfterDrop)
        Row.AfterDrop();
}

bool Rename(IConnectionWindow *Owner, TtvListItem *Item, QString NewText, const TListActionRow &Row)
{
    if (!Owner || !Item || !Row.RenameStart)
        return false;
    if (!tvOption.UseLowerName)
        NewText = NewText.toLower();
    const QString old = Item->Caption();
    const QString sql = RenameSQL(Row.RenameStart(ItemImageIndex(Item)), old, NewText);
    if (sql.isEmpty())
        return true;
    try {
        ExecuteProtected(Owner, sql);
    } catch (...) {
        Item->SetCaption(old);
        throw;
    }
    Item->SetCaption(NewText);
    return true;
}

void StartRename(TtvListView *List, const TListActionRow &Row)
{
    TtvListItem *item = List->Selected();
    if (!item || (Row.CanEdit && !Row.CanEdit(item)))
        return;
    List->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    List->editItem(item, 0);
}

void InstallNameEditor(TtvListView *List, std::function<IConnectionWindow *()> Owner, const TListActionRow *Row)
{
    List->setItemDelegateForColumn(0, new TNameDelegate(List, std::move(Owner), Row));
    List->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
}

} // namespace listactions

void listactions::OpenListedObject(IConnectionWindow *Owner, int Code, const QString &Name)
{
    auto *form = dynamic_cast<TfrmObject *>(Owner);
    const TOpenObjectProc open = TObjectDispatcher::OpenProc(Code);
    if (!form || !open)
        return;
    TObjectAddress a;
    a.ObjectType = Code;
    a.ObjectName = Name;
    a.OpenMode = Name.isEmpty() ? omDefine : tvOption.OpenMode;
    TObjectAddress args;
    TObjectDispatcher::OpenArguments(a, args);
    open(*form, args);
}
