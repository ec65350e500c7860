// The result frame's whole-result exports: to the clipboard as delimited
// text and into a workbook, with the options dialog TfrmXlsSQL.
#include "sql/fraData.h"

#include "common/Globals.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "controls/tvStringGrid.h"
#include "platform/Errors.h"
#include "platform/settings/Folders.h"
#include "platform/ui/EscapeWatch.h"
#include "shell/frmMain.h"
#include "sql/ResultExport.h"
#include "sql/frmXlsSQL.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>

namespace {

struct ExportCursor {
    ExportCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~ExportCursor() { QApplication::restoreOverrideCursor(); }
};

// The data-aware controls stay disabled and the loop message shows while a
// walk runs; both come back on every way out.
struct ExportWalk {
    tv::db::DataSet &ds;
    explicit ExportWalk(tv::db::DataSet &d) : ds(d)
    {
        if (IMainWindow *m = MainWindow())
            m->SetLoopMessage(0, 0);
        ds.DisableControls();
        tv::ui::ClearEscape();
        timer.start();
    }
    ~ExportWalk()
    {
        ds.EnableControls();
        if (IMainWindow *m = MainWindow())
            m->SetDefMessage();
    }
    // Progress: the loop message, and false once Esc was pressed.
    resexport::TProgress progress()
    {
        return [this](int done, int total) {
            if (timer.elapsed() < 50 && done < total)
                return true;
            timer.restart();
            if (IMainWindow *m = MainWindow())
                m->SetLoopMessage(done, total);
            return done >= total || !tv::ui::EscapePressed();
        };
    }
    QElapsedTimer timer;
};

} // namespace

QStringList TfraData::ExportTitles(int titleMode, bool byName) const
{
    QStringList titles;
    if (titleMode == tmNone && byName)
        return titles;
    using K = IDataFrameHost::THostKind;
    const TtvStringGrid *grid = m_host ? m_host->ColumnGrid() : nullptr;
    int nameCol = -1, commentCol = -1;
    if (grid && titleMode == tmComment) {
        if (IsOwner(K::Table)) {
            nameCol = 1;
            commentCol = 6;
        } else if (IsOwner(K::View) || IsOwner(K::MView)) {
            nameCol = 0;
            commentCol = 3;
        }
    }
    for (int f = 0; f < dsrTableData.FieldCount(); ++f) {
        const QString name = dsrTableData.FieldDef(f).name;
        QString title = name;
        if (commentCol >= 0) {
            QString comment;
            if (byName) {
                for (int r = 1; r < grid->RowCount(); ++r)
                    if (grid->Cells(nameCol, r) == name)
                        comment = grid->Cells(commentCol, r);
            } else if (f + 1 < grid->RowCount()) {
                comment = grid->Cells(commentCol, f + 1);
            }
            if (!comment.isEmpty())
                title = comment;
        }
        titles.append(title);
    }
    return titles;
}

void TfraData::btnCopyClick()
{
    if (!dsrTableData.Active())
        return;
    dsrTableData.CheckBrowseMode();
    bool titles = tvOption.PasteTitle == tmColumnName || tvOption.PasteTitle == tmComment;
    bool comma = tvOption.PasteColumn == 1;
    if (tvOption.PasteDialog) {
        const TCheckList checks{{QStringLiteral("見出しを出力する"), &titles},
                                {QStringLiteral("カンマ区切りにする(非チェック時はタブ区切り)"), &comma}};
        if (ShowCheckMessageDialog(QStringLiteral("結果をクリップボードにコピーしますか？"),
                                   tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION, checks) != tv::ui::IDYES)
            return;
    }
    QString text;
    {
        ExportCursor cursor;
        const QChar sep = comma ? QLatin1Char(',') : QLatin1Char('\t');
        tvOption.PasteColumn = comma ? 1 : 0;
        const QStringList names = titles ? ExportTitles(tvOption.PasteTitle, false) : QStringList();
        ExportWalk walk(dsrTableData);
        text = resexport::ClipboardText(dsrTableData, titles ? &names : nullptr, sep, walk.progress());
    }
    QApplication::clipboard()->setText(text);
    ShowMessageBox(QStringLiteral("クリップボードに出力しました。"), tv::ui::MB_ICONINFORMATION);
}

void TfraData::btnExcelClick()
{
    const QString ext = tvOption.ExcelExt.isEmpty() ? QStringLiteral(".XLSX") : tvOption.ExcelExt;
    QString dir = tvOption.ExcelDir.isEmpty() ? tv::settings::DocumentsDir() : tvOption.ExcelDir;
    if (!dir.endsWith(u'/') && !dir.endsWith(u'\\'))
        dir += u'/';
    QString file = MakeUniqueFileName(dir + SanitizeFileName(FTableName) + ext);
    QString sheetName, form;
    int top = 0, left = 0;
    if (tvOption.ExcelDialog) {
        tv::ui::FileDialogRequest req;
        req.filter = (ExcelFileFilter.isEmpty() ? QStringLiteral("Excelファイル(*.xlsx)|*.xlsx") : ExcelFileFilter) +
                     QStringLiteral("|すべてのファイル(*.*)|*.*");
        req.fileName = file;
        req.overwritePrompt = true;
        file = tv::ui::CurrentDialogs().saveFile(req);
        if (file.isEmpty())
            return;
    } else {
        TfrmXlsSQL dlg(window());
        dlg.chkRefresh->setEnabled(dsrTableData.Active());
        dlg.txtSaveFile->setText(file);
        if (dlg.exec() != QDialog::Accepted)
            return;
        file = dlg.txtSaveFile->text();
        sheetName = dlg.txtSheet->text();
        form = dlg.txtFormFile->text();
        left = std::max(0, dlg.cmbColumn->currentIndex());
        top = dlg.txtRow->text().trimmed().toInt() - 1;
    }
    if (file.trimmed().isEmpty())
        return;

    // Read again: only this frame's query, with the values it was run with.
    if (!dsrTableData.Active() || tvOption.ExcelRefresh) {
        if (!FSQL.trimmed().isEmpty()) {
            if (!dsrTableData.Active() || LimitedOwner())
                Prepare();
            Open();
        }
    }
    if (!dsrTableData.Active()) {
        ShowMessageBox(QStringLiteral("SQL が結果を返しませんでした。"), tv::ui::MB_ICONWARNING);
        return;
    }
    dsrTableData.CheckBrowseMode();

    resexport::TXlsLayout layout;
    layout.fileName = file;
    layout.sheetName = sheetName;
    layout.top = top;
    layout.left = left;
    layout.horizontal = tvOption.ExcelMode == 1;
    layout.titles = ExportTitles(tvOption.ExcelTitle, true);
    const QString fits = resexport::CheckFits(dsrTableData.FieldCount(), dsrTableData.RecordCount(), layout);
    if (!fits.isEmpty()) {
        ShowMessageBox(fits, tv::ui::MB_ICONWARNING);
        return;
    }
    {
        ExportCursor cursor;
        ExportWalk walk(dsrTableData);
        resexport::WriteWorkbook(dsrTableData, layout, walk.progress());
    }
    // A form workbook cannot be opened here: its cells' formatting is not
    // carried over, and the user is told so.
    if (!form.isEmpty() && frmMain)
        frmMain->SetStatusText(2, QStringLiteral("フォームファイルの書式は適用されませんでした。"));
    ShowMessageBox(QStringLiteral("ファイルに出力しました。"), tv::ui::MB_ICONINFORMATION);
}
