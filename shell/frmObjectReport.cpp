// The connection window's Excel reports of the selected objects: the report
// menu copied from the main window, and the three kinds of report (the object
// list, one workbook per object, one sheet per object).
#include "common/Globals.h"
#include "common/MessageDlg.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "platform/Errors.h"
#include "platform/excel/Workbook.h"
#include "platform/settings/Folders.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectDispatcher.h"
#include "shell/ObjectListReport.h"
#include "shell/ReportDefinition.h"
#include "shell/SelectionWalk.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSignalBlocker>

#include <functional>

namespace {

QString DefinitionFile(const QString &ReportName)
{
    return tv::settings::DataDir() + QStringLiteral("xlsdef/") + ReportName + QStringLiteral(".def");
}

TReportDefinition ReadReportDefinition(const QString &ReportName)
{
    const auto &read = ReportServices().Read;
    if (!read)
        throw tv::Error(QStringLiteral("指定されたファイルの形式を認識できません。"));
    return read(DefinitionFile(ReportName));
}

const QString FormNotApplied = QStringLiteral("フォームファイルの書式は適用されませんでした。");

} // namespace

void TfrmObject::SetReportList()
{
    if (!mnuReport)
        return;
    for (QAction *a : mnuReport->actions()) {
        mnuReport->removeAction(a);
        delete a;
    }
    QMenu *source = FMain ? FMain->mnuReportMenu : nullptr;
    if (!source)
        return;
    for (QAction *entry : source->actions()) {
        if (entry == FMain->mnuTB2)
            break;
        auto *a = new QAction(entry->text(), mnuReport);
        a->setShortcut(entry->shortcut());
        a->setData(entry->data());
        connect(a, &QAction::triggered, this, tv::ui::Guarded([this, a] { ReportClick(a); }));
        mnuReport->addAction(a);
    }
}

int TfrmObject::FindListColumn(const QString &Caption) const
{
    const QTreeWidgetItem *header = lstObject->headerItem();
    for (int i = 1; i < header->columnCount(); ++i)
        if (header->text(i) == Caption)
            return i - 1;
    return -1;
}

void TfrmObject::ReportClick(QAction *Sender)
{
    if (!Sender || !Sender->isVisible())
        return;
    ReportClick(Sender->text(), Sender->data().toInt());
}

void TfrmObject::ReportClick(const QString &ReportName, int Mode)
{
    // 1.
    if (lstObject->selectedItems().isEmpty())
        return;
    // 2. The destination.
    auto &dialogs = tv::ui::CurrentDialogs();
    QString target;
    const bool toFolder = Mode != 0 && Mode != 2;
    if (toFolder) {
        target = dialogs.selectFolder(QStringLiteral("出力先を選択して下さい。"), tvOption.ExcelDir);
        if (target.isEmpty())
            return;
        if (!target.endsWith(QLatin1Char('/')))
            target += QLatin1Char('/');
    } else {
        tv::ui::FileDialogRequest r;
        r.fileName = MakeUniqueFileName(tvOption.ExcelDir + ReportName + tvOption.ExcelExt.toLower());
        r.filter = ExcelFileFilter + QStringLiteral("|すべてのファイル(*.*)|*.*");
        r.defaultExt = tvOption.ExcelExt.mid(1).toLower();
        r.overwritePrompt = true;
        target = dialogs.saveFile(r);
        if (target.isEmpty())
            return;
    }

    // 3. .. 8.
    struct Restore {
        TfrmObject *self;
        bool formNamed = false;
        ~Restore()
        {
            if (self->FMain) {
                self->FMain->SetDefMessage();
                if (formNamed)
                    self->FMain->SetStatusText(2, FormNotApplied);
            }
            QApplication::restoreOverrideCursor();
        }
    } restore{this};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QSignalBlocker block(lstObject);

    bool done = false;
    // Per-object reports: a writer ends a written report with the silent
    // abort and a failure with an error; one object's failure does not stop
    // the run, and the object stays selected.
    int written = 0;
    int failed = 0;
    QString firstError;
    const auto perObject = [&](TSelectionWalk &walk, const std::function<void()> &write) {
        try {
            write();
            ++written;
        } catch (const tv::SilentAbort &) {
            ++written;
        } catch (const std::exception &e) {
            ++failed;
            if (firstError.isEmpty()) {
                const auto *err = dynamic_cast<const tv::Error *>(&e);
                firstError = err ? err->text() : QString::fromLocal8Bit(e.what());
            }
            walk.Keep();
            return;
        }
        walk.Deselect();
    };
    if (Mode == 0) {
        done = OutputListReport(ReportName, target, &restore.formNamed);
    } else if (Mode == 1) {
        TSelectionWalk walk(lstObject, true);
        while (TtvListItem *item = walk.Next()) {
            if (TReportFileProc proc = TObjectDispatcher::ReportFileProc(ItemImageIndex(item)))
                perObject(walk, [&] { proc(*this, ReportName, item->SubItem(0), item->Caption(), target); });
            else
                walk.Deselect();
        }
        done = true;
    } else if (Mode == 2) {
        // Errors are shown here: the main window's menu would swallow them.
        done = tv::ui::Guard([&] {
            const TReportDefinition def = ReadReportDefinition(ReportName);
            restore.formNamed = !def.XlsFile.trimmed().isEmpty();
            QDir().mkpath(QFileInfo(target).absolutePath());
            tv::excel::Workbook book(target);
            {
                TSelectionWalk walk(lstObject, true);
                while (TtvListItem *item = walk.Next()) {
                    if (TReportSheetProc proc = TObjectDispatcher::ReportSheetProc(ItemImageIndex(item))) {
                        perObject(walk, [&] {
                            const QString schema = item->SubItem(0), name = item->Caption();
                            tv::excel::Sheet &sheet =
                                book.AddSheet(SanitizeFileName(schema + QLatin1Char('.') + name).left(31));
                            proc(*this, ReportName, schema, name, sheet);
                        });
                    } else {
                        walk.Deselect();
                    }
                }
            }
            // Nothing of the run would be in the file.
            if (failed == 0 || written > 0)
                book.Save();
        });
    }
    // A mode above 2 writes nothing and says nothing.
    if (!done || Mode > 2)
        return;
    // 7.
    if (failed > 0) {
        const QString count = QStringLiteral("\r\nエラー: %1 件\r\n\r\n").arg(failed) + firstError;
        if (written == 0) {
            ShowMessageBox(ReportName + QStringLiteral(" の出力に失敗しました。") + count, tv::ui::MB_ICONSTOP);
            return;
        }
        ShowMessageBox(ReportName + QStringLiteral(" の出力が完了しました。") + count, tv::ui::MB_ICONEXCLAMATION);
    } else {
        ShowMessageBox(ReportName + QStringLiteral(" の出力が完了しました。"), tv::ui::MB_ICONINFORMATION);
    }
    tvOption.ExcelDir = toFolder ? target : QFileInfo(target).absolutePath() + QLatin1Char('/');
}

bool TfrmObject::OutputListReport(const QString &ReportName, const QString &OutputFile)
{
    return OutputListReport(ReportName, OutputFile, nullptr);
}

bool TfrmObject::OutputListReport(const QString &ReportName, const QString &OutputFile, bool *FormNamed)
{
    bool written = false;
    tv::ui::Guard([&] {
        const QSignalBlocker block(lstObject);
        // 1. The selected objects, each deselected.
        const int owner = FindListColumn(QStringLiteral("作成者"));
        const int comment = FindListColumn(QStringLiteral("コメント"));
        QList<TListReportObject> objects;
        for (int i = 0; i < lstObject->topLevelItemCount(); ++i) {
            auto *item = static_cast<TtvListItem *>(lstObject->topLevelItem(i));
            if (!item->isSelected())
                continue;
            item->setSelected(false);
            objects.append({item->SubItem(1), item->SubItem(0), item->Caption(),
                            owner >= 0 ? item->SubItem(owner) : QString(),
                            comment >= 0 ? item->SubItem(comment) : QString()});
        }
        // 2. The definition.
        const TReportDefinition def = ReadReportDefinition(ReportName);
        if (FormNamed)
            *FormNamed = !def.XlsFile.trimmed().isEmpty();
        // 3. .. 7.
        WriteListReport(def, objects, ReportServices().ItemIndex, OutputFile);
        written = true;
    });
    return written;
}

void TfrmObject::RegisterReportLauncher()
{
    ::RegisterLauncher(QStringLiteral("mnuReport"), [](const TLaunchContext &c) -> QWidget * {
        if (c.Connection)
            c.Connection->ReportClick(c.Argument, c.ObjectType);
        return nullptr;
    });
}
