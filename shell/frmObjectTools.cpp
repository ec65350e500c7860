// The connection window's full-text search of object definitions, its
// statistics dialog and its user-command menu.
#include "common/MessageDlg.h"
#include "common/ScriptOption.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "platform/Errors.h"
#include "platform/db/DbError.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/ListItemImage.h"
#include "shell/SelectionWalk.h"
#include "shell/UserCommand.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmAnalyze.h"
#include "shell/frmGrep.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QMenu>
#include <QSignalBlocker>

#include <optional>

namespace {

struct Hourglass {
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

// A list item as the search keeps it while the list is refilled.
struct TItemCopy {
    QString Caption;
    QStringList SubItems;
    int Image = -1;
    QIcon Icon;
};

TItemCopy CopyOf(const TtvListItem *item)
{
    return {item->Caption(), item->SubItems(), ItemImageIndex(item), item->icon(0)};
}

void AddCopy(TtvListView *list, const TItemCopy &c)
{
    TtvListItem *n = list->AddItem(c.Caption, c.SubItems);
    SetItemImageIndex(n, c.Image);
    n->setIcon(0, c.Icon);
}

QString ErrorCountLine(int errors)
{
    return errors > 0 ? QStringLiteral("\r\nエラー: %1 件").arg(errors) : QString();
}

} // namespace

// ---------------------------------------------------------------------------
// Full-text search

void TfrmObject::actGrepExecute()
{
    QString word = cmbFind->currentText();
    int mode = lstObject->selectedItems().isEmpty() ? 1 : 0;
    bool charCase = false;
    if (!TfrmGrep::ShowWindow(word, mode, charCase) || word.isEmpty())
        return;

    const bool insert = ScriptOption.Insert;
    ScriptOption.Insert = false;
    Hourglass cursor;
    struct Restore {
        TfrmObject *f;
        bool insert;
        ~Restore()
        {
            ScriptOption.Insert = insert;
            if (f->FMain)
                f->FMain->SetDefMessage();
        }
    } restore{this, insert};

    QList<TItemCopy> work;
    if (mode == 0) {
        for (TtvListItem *item : lstObject->SelectedItems())
            work << CopyOf(item);
    } else {
        if (mode == 3 && tvTree->topLevelItemCount() > 0 && tvTree->currentItem() != tvTree->topLevelItem(0))
            tvTree->setCurrentItem(tvTree->topLevelItem(0));
        if (mode >= 2)
            ShowObject(true);
        for (int i = 0; i < lstObject->ItemCount(); ++i)
            work << CopyOf(lstObject->Item(i));
    }
    if (work.isEmpty())
        return;

    tv::ui::ClearEscape();
    const QSignalBlocker listBlock(lstObject), treeBlock(tvTree);
    lstObject->clear();
    const int total = int(work.size());
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    int n = 0;
    for (const TItemCopy &item : std::as_const(work)) {
        if (tv::ui::EscapePressed())
            return;
        ++n;
        if (FMain)
            FMain->SetLoopMessage(n, total);
        const int code = item.Image;
        const qint64 oid = code == 51 || code == 52 || code == 128 ? item.SubItems.value(8).toLongLong() : -1;
        const QString table = code == 57 || code == 66 || code == 127 ? item.SubItems.value(11) : QString();
        stream.buffer().clear();
        stream.seek(0);
        OutputScript(code, item.SubItems.value(0), item.Caption, stream, QString(), QString(), oid, table);
        const QByteArray &bytes = stream.buffer();
        const QString text =
            QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
        const bool hit = charCase ? text.contains(word) : text.toUpper().contains(word);
        if (hit)
            AddCopy(lstObject, item);
    }
    ShowMessageBox(QStringLiteral("検索を完了しました。"), tv::ui::MB_ICONINFORMATION);
}

// ---------------------------------------------------------------------------
// Statistics

void TfrmObject::actAnalyzeExecute()
{
    const QList<TtvListItem *> selected = lstObject->SelectedItems();
    if (selected.size() == 1)
        TfrmAnalyze::ShowWindow(*this, selected.first()->SubItem(0), selected.first()->Caption());
    else
        TfrmAnalyze::ShowWindow(*this, QString(), QString());
}

// ---------------------------------------------------------------------------
// User commands

void TfrmObject::SetCommandList()
{
    mnuCommand->clear();
    if (!FMain || !FMain->mnuCommandMenu)
        return;
    for (QAction *source : FMain->mnuCommandMenu->actions()) {
        if (source == FMain->mnuTB1)
            break;
        // The key shows here but stays the main menu's: two actions with one
        // key would make it ambiguous and neither would run.
        const QString name = source->text();
        QString caption = name;
        if (!source->shortcut().isEmpty())
            caption += QLatin1Char('\t') + source->shortcut().toString(QKeySequence::NativeText);
        QAction *a = mnuCommand->addAction(caption);
        a->setData(source->data());
        a->setProperty("CommandName", name);
        connect(a, &QAction::triggered, this, tv::ui::Guarded([this, a] {
                    if (a->isVisible())
                        UserCommandClick(a->property("CommandName").toString());
                }));
    }
    mnuCommand->setEnabled(!mnuCommand->isEmpty());
}

void TfrmObject::UserCommandClick(const QString &CommandName)
{
    bool dialog = false, sqlWindow = false, ignoreError = false;
    QString sql;
    if (!usercmd::GetCommandValue(usercmd::FilePath(CommandName), dialog, sqlWindow, ignoreError, sql))
        throw tv::SilentAbort();
    if (dialog && ShowMessageBox(CommandName + QStringLiteral(" を実行しますか？"),
                                 tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) != tv::ui::IDYES)
        return;
    Hourglass cursor;
    struct Restore {
        TfrmObject *f;
        ~Restore()
        {
            if (f->FMain)
                f->FMain->SetDefMessage();
        }
    } restore{this};

    auto openWindow = [this](const QString &text) {
        TLaunchContext c;
        c.Connection = this;
        c.MainWindow = FMain;
        c.Argument = text;
        Launch(QStringLiteral("TfrmSQL"), c);
    };
    // One statement under its own savepoint; the error when it failed.
    auto run = [this](const QString &text) { return tv::db::ExecContinuing(*FdbsMain, text); };
    auto showError = [](const tv::db::DbError &e, const QString &text) {
        ShowMessageBox(e.text() + QStringLiteral("\r\n\r\n") + text, tv::ui::MB_ICONERROR);
    };

    if (!sql.contains(QLatin1Char('&'))) {
        if (sqlWindow) {
            openWindow(sql);
            return;
        }
        if (const auto e = run(sql)) {
            if (!ignoreError) {
                showError(*e, sql);
                return;
            }
            ShowMessageBox(QStringLiteral("コマンドを実行しました。") + ErrorCountLine(1), tv::ui::MB_ICONINFORMATION);
            return;
        }
        ShowMessageBox(QStringLiteral("コマンドを実行しました。"), tv::ui::MB_ICONINFORMATION);
        return;
    }

    if (lstObject->selectedItems().isEmpty())
        return;
    int errors = 0;
    {
        TSelectionWalk walk(lstObject, true);
        while (TtvListItem *item = walk.Next()) {
            const QString text = usercmd::BuildStatement(sql, item->Caption(), item->SubItems());
            if (sqlWindow) {
                openWindow(text);
                walk.Deselect();
                continue;
            }
            if (const auto e = run(text)) {
                walk.Keep();
                if (!ignoreError) {
                    showError(*e, text);
                    return;
                }
                ++errors;
                continue;
            }
            walk.Deselect();
        }
    }
    if (!sqlWindow)
        ShowMessageBox(QStringLiteral("コマンドを実行しました。") + ErrorCountLine(errors), tv::ui::MB_ICONINFORMATION);
}

void TfrmObject::RegisterCommandLaunchers()
{
    RegisterLauncher(QStringLiteral("mnuUserCommand"), [](const TLaunchContext &c) -> QWidget * {
        if (c.Connection)
            c.Connection->UserCommandClick(c.Argument);
        return nullptr;
    });
}
