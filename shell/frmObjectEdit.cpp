// The connection window's object-list actions that change objects straight
// from the list: delete, rename in place, and copy and paste as new objects.
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "platform/Errors.h"
#include "platform/db/DbError.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/WindowMessage.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectActionSQL.h"
#include "shell/SelectionWalk.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

TListObject ListObject(const TtvListItem *item)
{
    TListObject o;
    o.ObjectType = ItemImageIndex(item);
    o.Schema = item->SubItem(0);
    o.ObjectName = item->Caption();
    o.TableName = item->SubItem(11);
    o.Arguments = item->SubItem(12);
    return o;
}

// Runs one statement of the list's actions under a statement savepoint, so
// that a failure never aborts the user's open transaction block.
void ExecuteProtected(TfrmObject &form, const QString &sql)
{
    if (sql.isEmpty())
        throw tv::Error(QStringLiteral("このオブジェクトは対象外です。"));
    tv::db::StatementSavepoint sp(form.dbsMain());
    form.ExecuteSQL(sql);
    sp.release();
}

bool ConnectionLost(const tv::Error &e)
{
    const auto *db = dynamic_cast<const tv::db::DbError *>(&e);
    return db && db->connectionLost();
}

QStringList ScriptLines(const QByteArray &bytes)
{
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    if (text.isEmpty())
        return {};
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

// ---------------------------------------------------------------------------
// Delete

void TfrmObject::actDeleteExecute()
{
    const QList<TtvListItem *> selection = lstObject->SelectedItems();
    if (selection.isEmpty())
        return;
    bool cascade = false;
    TCheckList checks;
    if (selection.size() > 1)
        checks.append({QStringLiteral("削除時のエラーを無視する"), &tvOption.DelErr});
    if (std::any_of(selection.begin(), selection.end(), [](const TtvListItem *i) {
            const int c = ItemImageIndex(i);
            return c == 45 || c == 55 || c == 61;
        }))
        checks.append({QStringLiteral("CASCADE オプション"), &cascade});
    if (ShowCheckMessageDialog(QStringLiteral("オブジェクトを削除しますか？"),
                               tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2,
                               checks) != tv::ui::IDYES)
        return;

    int failed = 0;
    {
        TSelectionWalk walk(lstObject, true);
        int passCount = walk.Total();
        for (;;) {
            failed = 0;
            while (TtvListItem *item = walk.Next()) {
                try {
                    ExecuteProtected(*this, DropObjectSQL(ListObject(item), cascade));
                    walk.Remove();
                } catch (const tv::Error &e) {
                    walk.Keep();
                    if (ConnectionLost(e) || !tvOption.DelErr || lstObject->selectedItems().size() == 1)
                        throw;
                    ++failed;
                }
            }
            if (walk.Escaped())
                break;
            const int remaining = int(lstObject->selectedItems().size());
            if (remaining == 0 || remaining == passCount)
                break;
            // Objects that failed are tried again while a pass drops some
            // (a view first, then the table it depended on).
            passCount = remaining;
            walk.Restart();
        }
    }
    mnuObjectClick();
    ShowMessageBox(DropDoneText(failed), tv::ui::MB_ICONINFORMATION);
}

// ---------------------------------------------------------------------------
// Rename

void TfrmObject::actRenameExecute()
{
    const QList<TtvListItem *> selection = lstObject->SelectedItems();
    if (selection.isEmpty())
        return;
    TtvListItem *item = selection.first();
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    lstObject->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    lstObject->editItem(item, 0);
}

bool TfrmObject::lstObjectEditing(TtvListItem *item)
{
    return CanRenameObject(ItemImageIndex(item), item->SubItem(0), FdbsMain->Params().MetaDefSchema, FDBVer);
}

bool TfrmObject::lstObjectEdited(TtvListItem *item, QString &S)
{
    if (!tvOption.UseLowerName)
        S = S.toLower();
    if (S == item->Caption())
        return true;
    TListObject o = ListObject(item);
    if (o.ObjectType == 66) {
        // The table of a constraint: the column captioned "テーブル名".
        o.TableName.clear();
        for (int c = 1; c < lstObject->columnCount(); ++c) {
            if (lstObject->headerItem()->text(c) == QLatin1String("テーブル名")) {
                o.TableName = item->SubItem(c - 1);
                break;
            }
        }
    }
    ExecuteProtected(*this, RenameObjectSQL(o, S));
    item->SetCaption(S);
    return true;
}

// ---------------------------------------------------------------------------
// Copy and paste

void TfrmObject::ClearCopyObjectList()
{
    CopyObjectList.clear();
    UpdatePasteActions();
}

void TfrmObject::actCopyExecute()
{
    const QList<TtvListItem *> selection = lstObject->SelectedItems();
    if (selection.isEmpty())
        return; // the clipboard keeps what it holds
    CopyObjectList.clear();
    QStringList names;
    bool leftOut = false;
    for (const TtvListItem *item : selection) {
        names << item->Caption();
        const int code = ItemImageIndex(item);
        const QString schema = item->SubItem(0);
        if (code == 46 || code == 66 || schema.startsWith(QLatin1String("pg_temp")) ||
            schema.startsWith(QLatin1String("pg_toast"))) {
            leftOut = true;
            continue;
        }
        TCopyObjectList e;
        e.Schema = schema;
        e.ObjectName = item->Caption();
        e.ObjectType = code;
        if (code == 51 || code == 52 || code == 128)
            e.ObjectOID = item->SubItem(8).toLongLong();
        if (code == 57 || code == 127)
            e.ObjectTable = item->SubItem(11);
        CopyObjectList.append(e);
    }
    UpdatePasteActions();
    if (leftOut)
        ShowMessageBox(QStringLiteral("コピーできないオブジェクトが選択されていました。\r\n"
                                      "pg_temp / pg_toast / pg_toast_tempスキーマに\r\n"
                                      "属するオブジェクト、INDEX / CONSTRAINT オブジェクトは\r\n"
                                      "コピーできないため、コピー対象から除外しました。"),
                       tv::ui::MB_ICONEXCLAMATION);
    QGuiApplication::clipboard()->setText(names.join(QStringLiteral("\r\n")));
}

void TfrmObject::actPasteExecute()
{
    if (CopyObjectList.isEmpty())
        return;
    const TScriptOption saved = ScriptOption;
    struct Restore {
        TScriptOption saved;
        ~Restore() { ScriptOption = saved; }
    } restore{saved};
    ScriptOption.Insert = false;
    ScriptOption.Owner = 0;

    QTreeWidgetItem *node = tvTree->currentItem();
    const QString target =
        PasteTargetSchema(NodeImage(node), node ? node->text(0) : QString(),
                          node && node->parent() ? node->parent()->text(0) : QString(), tvOption.TreeSort == 1,
                          FdbsMain->Params().User_Name);
    const QString title = QApplication::applicationDisplayName();
    const QList<TCopyObjectList> entries = CopyObjectList;
    for (const TCopyObjectList &e : entries) {
        TPasteRewrite r;
        r.ObjectType = e.ObjectType;
        r.Schema = e.Schema;
        r.ObjectName = e.ObjectName;
        r.TargetSchema = target;
        r.NewName = e.ObjectName;
        bool withIndex = true, withData = true;
        TCheckList checks;
        if (e.ObjectType == 45)
            checks = {{QStringLiteral("インデックスも含める"), &withIndex},
                      {QStringLiteral("テーブルデータも含める"), &withData}};
        if (!InputQueryWithChecks(title, QStringLiteral("新規オブジェクト名"), r.NewName, false, checks))
            return;
        const bool table = e.ObjectType == 45;
        ScriptOption.Index = table && withIndex;
        r.WithData = table && withData;
        if (table && withIndex) {
            QStringList indexes;
            tv::db::Query &q = OpenSQL(QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = :SCHEMA "
                                                      "AND tablename = :TABLE ORDER BY indexname"),
                                       {e.Schema, e.ObjectName});
            for (; !q.Eof(); q.Next())
                indexes << q.Fields(0).AsString();
            qryExec->Close();
            for (const QString &index : indexes) {
                QString value = index;
                if (!tv::ui::CurrentDialogs().inputQuery(title, QStringLiteral("新規インデックス名"), value))
                    return;
                r.Indexes.append({index, value});
            }
        }
        QBuffer stream;
        stream.open(QIODevice::ReadWrite);
        const bool program = e.ObjectType == 51 || e.ObjectType == 52 || e.ObjectType == 128;
        const bool tabled = e.ObjectType == 57 || e.ObjectType == 127;
        OutputScript(e.ObjectType, e.Schema, e.ObjectName, stream, target, r.NewName, program ? e.ObjectOID : -1,
                     tabled ? e.ObjectTable : QString());
        QStringList lines = RewritePasteScript(ScriptLines(stream.data()), r);
        if (lines.isEmpty())
            continue;
        try {
            if (TfrmDDLPreview::ShowWindow(lines, target, r.NewName))
                TfrmDDLExec::ShowWindow(this, lines);
        } catch (const tv::SilentAbort &) {
        } catch (const tv::Error &) {
        }
        TfrmDDLExec::WaitProc();
    }
    QWidget *active = this;
    if (QMdiSubWindow *sw = FMain->mdiMain->activeSubWindow(); sw && sw->widget())
        active = sw->widget();
    tv::ui::SendWindowMessage(active, tv::ui::WM_RELOAD);
}
