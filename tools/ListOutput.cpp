#include "tools/ListOutput.h"

#include "common/Globals.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/NamedAction.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "platform/excel/Workbook.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QToolBar>
#include <QToolButton>

namespace {

// One line per cell: CR LF, and a lone CR or LF, become one blank.
QString OneLine(const QString &Text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    if (!Text.contains(QLatin1Char('\n')) && !Text.contains(QLatin1Char('\r')))
        return Text;
    QString t = Text;
    return t.replace(breaks, QStringLiteral(" "));
}

// Status panel 2 goes back to its default message however the output ends.
struct DefaultMessageAtEnd {
    ~DefaultMessageAtEnd()
    {
        if (IMainWindow *m = MainWindow())
            m->SetDefMessage();
    }
};

} // namespace

TListOutput::TListOutput(QWidget *Window, QToolBar *Bar, TtvListView *List, const QString &BaseName, int Columns,
                         bool RememberFolder)
    : QObject(Window), FWindow(Window), FList(List), FBaseName(BaseName), FColumns(Columns),
      FRememberFolder(RememberFolder)
{
    setObjectName(QStringLiteral("ListOutput"));
    actOutput = NewAction(Window, "actOutput", QStringLiteral("出力(&P)"), QStringLiteral("表の結果を外部に出力します。"),
                          36);
    actExcel = NewAction(Window, "actExcel", QStringLiteral("Excel出力"), QStringLiteral("実行結果をEXCELに出力します。"),
                         44);
    actCopy = NewAction(Window, "actCopy", QStringLiteral("クリップボード出力"),
                        QStringLiteral("表の内容をクリップボードにコピーします。"), 21);
    popOutput = new QMenu(Window);
    popOutput->setObjectName(QStringLiteral("popOutput"));
    popOutput->addAction(actExcel);
    popOutput->addAction(actCopy);
    btnOutput = new QToolButton(Bar);
    btnOutput->setObjectName(QStringLiteral("btnOutput"));
    btnOutput->setDefaultAction(actOutput);
    btnOutput->setMenu(popOutput);
    btnOutput->setPopupMode(QToolButton::MenuButtonPopup);
    btnOutput->setToolButtonStyle(Bar->toolButtonStyle());
    Bar->addWidget(btnOutput);

    connect(actOutput, &QAction::triggered, this, [this] { btnOutput->showMenu(); });
    connect(actExcel, &QAction::triggered, this, tv::ui::Guarded([this] { ExcelExecute(); }));
    connect(actCopy, &QAction::triggered, this, tv::ui::Guarded([this] { CopyExecute(); }));
    QAbstractItemModel *model = FList->model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, [this] { UpdateActions(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { UpdateActions(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { UpdateActions(); });
    UpdateActions();
}

void TListOutput::UpdateActions()
{
    const bool rows = FList->ItemCount() > 0;
    actOutput->setEnabled(rows);
    actExcel->setEnabled(rows);
    actCopy->setEnabled(rows);
}

namespace {

int WrittenColumns(const TtvListView *List, int Columns)
{
    const int all = List->ColumnCount();
    return Columns < 0 ? all : std::min(Columns, all);
}

} // namespace

QStringList TListOutput::Captions(const TtvListView *List, int Columns)
{
    QStringList out;
    const QTreeWidgetItem *head = List->headerItem();
    for (int c = 0; c < WrittenColumns(List, Columns); ++c)
        out << (head ? head->text(c) : QString());
    return out;
}

QStringList TListOutput::RowTexts(const TtvListView *List, int Columns, int Row)
{
    QStringList out;
    const TtvListItem *item = List->Item(Row);
    if (!item)
        return out;
    out << OneLine(item->Caption());
    for (int c = 1; c < WrittenColumns(List, Columns); ++c)
        out << OneLine(item->SubItem(c - 1));
    return out;
}

QString TListOutput::ClipboardText(const QString &Separator, const std::function<bool()> &Stop) const
{
    QString text;
    IMainWindow *m = MainWindow();
    const int n = FList->ItemCount();
    // The stop check and the progress take events in: every 20 ms, not
    // every row.
    QElapsedTimer since;
    for (int r = 0; r < n; ++r) {
        if (r == 0 || since.elapsed() >= 20) {
            if (Stop && Stop())
                break;
            if (m)
                m->SetLoopMessage(r + 1, n);
            since.start();
        }
        text += RowTexts(r).join(Separator);
        text += QStringLiteral("\r\n");
    }
    return text;
}

void TListOutput::WriteWorkbook(const TtvListView *List, int Columns, const QString &Path)
{
    // Written beside the target and renamed over it at the end: a failure
    // leaves any earlier file as it was.
    tv::excel::Workbook book(Path);
    tv::excel::Sheet &sheet = book.AddSheet();
    const QStringList captions = Captions(List, Columns);
    for (int c = 0; c < captions.size(); ++c)
        sheet.SetText(1, c + 1, captions.at(c));
    const int n = List->ItemCount();
    for (int r = 0; r < n; ++r) {
        const QStringList cells = RowTexts(List, Columns, r);
        for (int c = 0; c < cells.size(); ++c) {
            if (!cells.at(c).isEmpty())
                sheet.SetText(r + 2, c + 1, cells.at(c));
        }
    }
    book.Save();
}

bool TListOutput::ExcelOutput(const TtvListView *List, const QString &BaseName, int Columns, bool RememberFolder)
{
    DefaultMessageAtEnd back;
    tv::ui::FileDialogRequest r;
    r.filter = ExcelFileFilter + QStringLiteral("|すべてのファイル(*.*)|*.*");
    r.initialDir = tvOption.ExcelDir;
    r.fileName = MakeUniqueFileName(QDir(tvOption.ExcelDir).filePath(BaseName + tvOption.ExcelExt));
    r.overwritePrompt = true;
    const QString path = tv::ui::CurrentDialogs().saveFile(r);
    if (path.isEmpty())
        return false;
    {
        tv::ui::SqlWaitCursor wait;
        QDir().mkpath(QFileInfo(path).absolutePath());
        WriteWorkbook(List, Columns, path);
    }
    ShowMessageBox(QStringLiteral("ファイルに出力しました。"), tv::ui::MB_ICONINFORMATION);
    if (RememberFolder)
        tvOption.ExcelDir = QFileInfo(path).absolutePath() + QLatin1Char('/');
    return true;
}

void TListOutput::ExcelExecute()
{
    ExcelOutput(FList, FBaseName, FColumns, FRememberFolder);
}

void TListOutput::CopyExecute()
{
    DefaultMessageAtEnd back;
    bool comma = tvOption.PasteColumn == 1;
    if (tvOption.PasteDialog) {
        if (ShowCheckMessageDialog(QStringLiteral("結果をクリップボードにコピーしますか？"),
                                   tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION,
                                   {{QStringLiteral("カンマ区切りにする(非チェック時はタブ区切り)"), &comma}}) !=
            tv::ui::IDYES)
            return;
    }
    tvOption.PasteColumn = comma ? 1 : 0;
    QApplication::clipboard()->clear();
    // Only an Esc pressed while the rows are collected stops the copy.
    tv::ui::ClearEscape();
    const QString text =
        ClipboardText(comma ? QStringLiteral(",") : QStringLiteral("\t"), [] { return tv::ui::EscapePressed(); });
    QApplication::clipboard()->setText(text);
    ShowMessageBox(QStringLiteral("クリップボードに出力しました。"), tv::ui::MB_ICONINFORMATION);
}
