#include "objects/other/frmComment.h"
#include "objects/other/frmSource.h"

#include "common/CatalogSQL.h"
#include "common/Globals.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/NamedAction.h"
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/RecParam.h"
#include "common/TextUtil.h"
#include "common/WindowBounds.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "controls/tvToolBar.h"
#include "editor/EditorCaret.h"
#include "editor/tvMemo.h"
#include "editor/tvMemoProp.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/excel/Workbook.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectListModel.h"
#include "shell/frmObject.h"

#include <QEvent>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using tv::ui::SqlWaitCursor;

#include <functional>

namespace {

const QString GuiKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\COMMENT");

int TabWidth()
{
    IMainWindow *m = MainWindow();
    if (m && m->EditorProp() && m->EditorProp()->Caret())
        return m->EditorProp()->Caret()->TabSpaceCount();
    return 8;
}

// Calls back whenever the watched widget changes its size.
class ResizeWatch : public QObject {
public:
    ResizeWatch(QObject *parent, std::function<void()> onResize) : QObject(parent), FOnResize(std::move(onResize)) {}

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Resize && o == parent())
            FOnResize();
        return false;
    }

private:
    std::function<void()> FOnResize;
};

// The comment column: code black, comment text green, "（コメントはありません）" red.
class CommentDelegate : public QStyledItemDelegate {
public:
    CommentDelegate(const QList<TCommentRow> &rows, QObject *parent) : QStyledItemDelegate(parent), FRows(rows) {}
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (index.row() >= FRows.size()) {
            QStyledItemDelegate::paint(p, option, index);
            return;
        }
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        const QString text = o.text;
        o.text.clear();
        o.widget->style()->drawControl(QStyle::CE_ItemViewItem, &o, p, o.widget);
        const TCommentRow &row = FRows[index.row()];
        p->save();
        p->setClipRect(option.rect);
        const QFontMetrics fm(o.font);
        int x = option.rect.left() + 2;
        const int y = option.rect.top() + (option.rect.height() + fm.ascent() - fm.descent()) / 2;
        if (text == NoComment) {
            p->setPen(Qt::red);
            p->drawText(x, y, text);
            p->restore();
            return;
        }
        const QList<TCommentSpan> spans = CommentSpans(text, row.StartState);
        auto isComment = [&spans](int i) {
            for (const TCommentSpan &s : spans)
                if (i >= s.Start && i < s.End)
                    return true;
            return false;
        };
        const int tab = TabWidth();
        const int blank = fm.horizontalAdvance(QLatin1Char(' '));
        for (int i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == u'\r' || c == u'\n')
                break;
            if (c == u'\t') {
                x += blank * TabFill(text.left(i), tab);
                continue;
            }
            p->setPen(isComment(i) ? QColor(0, 128, 0) : QColor(Qt::black));
            p->drawText(x, y, QString(c));
            x += fm.horizontalAdvance(c);
        }
        p->restore();
    }

private:
    const QList<TCommentRow> &FRows;
};

QString CellText(const QTableWidget *g, int row, int col)
{
    const QTableWidgetItem *i = g->item(row, col);
    QString t = i ? i->text() : QString();
    t.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return t;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

QList<TCommentProgram> TfrmComment::SelectedPrograms(TfrmObject *Owner)
{
    QList<TCommentProgram> programs;
    if (!Owner || !Owner->lstObject)
        return programs;
    const int args = ObjectListArgumentsSubItem(Owner->g_TreeDispState, tvOption.TreeData);
    for (TtvListItem *item : Owner->lstObject->SelectedItems()) {
        const int code = ObjectTypeFromName(item->SubItem(1));
        if (code != 51 && code != 52 && code != 53 && code != 54 && code != 128)
            continue;
        TCommentProgram p;
        const bool routine = code == 51 || code == 52 || code == 128;
        p.Oid = routine ? item->SubItem(8).toLongLong() : 0;
        p.Name = item->Caption();
        p.Schema = item->SubItem(0);
        p.ObjType = code;
        p.UniqueInfo = routine ? item->SubItem(args) : QString();
        programs << p;
    }
    return programs;
}

TfrmComment *TfrmComment::Open(TfrmObject *Owner)
{
    if (!Owner || Owner->lstObject->selectedItems().isEmpty())
        return nullptr;
    auto *w = new TfrmComment(Owner, SelectedPrograms(Owner));
    try {
        w->ShowComments();
    } catch (...) {
        w->ShowForm();
        throw;
    }
    w->ShowForm();
    return w;
}

TfrmComment::TfrmComment(TfrmObject *AOwner, const QList<TCommentProgram> &Programs)
    : TtvForm(AOwner), FOwner(AOwner), L_wProgramList(Programs)
{
    setObjectName(QStringLiteral("frmComment"));
    resize(760, 420);
    if (IMainWindow *m = MainWindow())
        setWindowIcon(m->MainImage(88));
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(2, 2, 2, 2);
    actRefresh = NewAction(this, "actRefresh", QStringLiteral("最新(&R)"), QStringLiteral("一覧の内容を最新の状態に更新します。"), 16);
    actOutput = NewAction(this, "actOutput", QStringLiteral("出力(&P)"), QStringLiteral("表の結果を外部に出力します。"), 36);
    actExcel = NewAction(this, "actExcel", QStringLiteral("Excel出力(&E)"), QStringLiteral("エクセル出力|実行結果をEXCELに出力します。"), 44);
    actCopy = NewAction(this, "actCopy", QStringLiteral("クリップボード出力(&C)"), QStringLiteral("表の内容をクリップボードにコピーします。"), 21);
    actExit = NewAction(this, "actExit", QStringLiteral("終了(&X)"), QString(), 42);
    connect(actRefresh, &QAction::triggered, this, tv::ui::Guarded([this] { Reload(actRefresh); }));
    connect(actExcel, &QAction::triggered, this, tv::ui::Guarded([this] { actExcelExecute(); }));
    connect(actCopy, &QAction::triggered, this, tv::ui::Guarded([this] { actCopyExecute(); }));
    connect(actExit, &QAction::triggered, this, [this] { Close(); });

    tolCmd = new TtvToolBar;
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tolCmd->addAction(actRefresh);
    popOutput = new QMenu(this);
    popOutput->setObjectName(QStringLiteral("popOutput"));
    popOutput->addAction(actExcel);
    popOutput->addAction(actCopy);
    btnOutput = new QToolButton;
    btnOutput->setObjectName(QStringLiteral("btnOutput"));
    btnOutput->setDefaultAction(actOutput);
    btnOutput->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    btnOutput->setPopupMode(QToolButton::InstantPopup);
    btnOutput->setMenu(popOutput);
    tolCmd->addWidget(btnOutput);
    tolCmd->addAction(actExit);
    tolCmd->SetButtonWidth(78);
    tolCmd->SetWrapable(true);
    root->addWidget(tolCmd);
    auto *desc = new QLabel(QStringLiteral("ソースからコメント行のみ抽出し一覧表示します。※不要なコメントの消し忘れや、"
                                           "コメント規約の確認などに使用することができます。"));
    desc->setWordWrap(true);
    root->addWidget(desc);

    grdComment = new QTableWidget(1, 6);
    grdComment->setObjectName(QStringLiteral("grdComment"));
    grdComment->setHorizontalHeaderLabels({QStringLiteral("OID"), QStringLiteral("プログラム名"), QStringLiteral("タイプ"),
                                           QStringLiteral("引数"), QStringLiteral("行番号"), QStringLiteral("コメント")});
    grdComment->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdComment->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdComment->setSelectionMode(QAbstractItemView::SingleSelection);
    grdComment->verticalHeader()->setDefaultSectionSize(grdComment->fontMetrics().height() + 4);
    grdComment->setColumnHidden(0, true);
    grdComment->setColumnWidth(1, 150);
    grdComment->setColumnWidth(2, 100);
    grdComment->setColumnWidth(3, 100);
    grdComment->setColumnWidth(4, 50);
    grdComment->setItemDelegateForColumn(5, new CommentDelegate(FRows, grdComment));
    // The comment column follows the grid's own visible width: the window's
    // resize comes before the grid is laid out anew (and a scroll bar that
    // comes or goes changes the width without any resize of the window).
    grdComment->viewport()->installEventFilter(new ResizeWatch(grdComment->viewport(), [this] { FormResize(); }));
    grdComment->setContextMenuPolicy(Qt::CustomContextMenu);
    popComment = new QMenu(this);
    popComment->setObjectName(QStringLiteral("popComment"));
    mnuSource = popComment->addAction(QStringLiteral("ソースを表示(&V)"));
    mnuSource->setObjectName(QStringLiteral("mnuSource"));
    mnuSource->setStatusTip(QStringLiteral("該当のソースを表示します。"));
    connect(mnuSource, &QAction::triggered, this, tv::ui::Guarded([this] { mnuSourceClick(); }));
    // The right button makes the clicked cell the current one first.
    connect(grdComment, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex i = grdComment->indexAt(pos);
        if (i.isValid())
            grdComment->setCurrentCell(i.row(), i.column());
        popComment->popup(grdComment->viewport()->mapToGlobal(pos));
    });
    connect(grdComment, &QTableWidget::cellDoubleClicked, this,
            tv::ui::Guarded([this](int, int) { mnuSourceClick(); }));
    root->addWidget(grdComment, 1);

    qrySource = NewQuery();
    CreateTaskButton();
    if (AOwner) {
        const tv::db::ConnectionParams &p = AOwner->dbsMain().Params();
        const TRecParam r = MakeRecParam(p.Server, p.Database, p.MetaDefSchema, p.value(QStringLiteral("Port")),
                                         p.User_Name, p.Password, QString(), QString(), QString());
        setWindowTitle(QStringLiteral("コメントチェック - ") + FormatRecParamCaption(r, 0, false));
        SetTaskCaption(FormatRecParamCaption(r, 0, true));
    }
    FinishCreate();
    FormResize();
}

void TfrmComment::resizeEvent(QResizeEvent *e)
{
    TtvForm::resizeEvent(e);
    FormResize();
}

void TfrmComment::FormResize()
{
    int used = 0;
    for (int c = 1; c <= 4; ++c)
        used += grdComment->columnWidth(c);
    grdComment->setColumnWidth(5, std::max(50, grdComment->viewport()->width() - used - 6));
}

void TfrmComment::LoadSettings()
{
    TWindowBoundsRules r;
    r.Position = false;
    LoadWindowBounds(*this, GuiKey, r);
}

void TfrmComment::SaveSettings()
{
    TWindowBoundsRules r;
    r.Position = false;
    try {
        SaveWindowBounds(*this, GuiKey, r);
    } catch (const tv::Error &) {
    }
}

// ---------------------------------------------------------------------------
// The list

void TfrmComment::Reload(QObject *)
{
    ShowComments();
}

void TfrmComment::ShowComments()
{
    if (L_wProgramList.isEmpty())
        return;
    SqlWaitCursor wait;
    FRows.clear();
    grdComment->clearContents();
    grdComment->setRowCount(1);
    for (const TCommentProgram &p : std::as_const(L_wProgramList)) {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        const bool routine = p.ObjType == 51 || p.ObjType == 52 || p.ObjType == 128;
        if (FOwner)
            FOwner->OutputScript(p.ObjType, p.Schema, p.Name, buffer, QString(), QString(), routine ? p.Oid : -1);
        const QByteArray bytes = buffer.data();
        const QString text =
            QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
        QStringList lines = text.split(QLatin1Char('\n'));
        for (QString &l : lines)
            if (l.endsWith(u'\r'))
                l.chop(1);
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        FRows += ScanProgramComments(p, lines);
    }
    grdComment->setUpdatesEnabled(false);
    grdComment->setRowCount(std::max<int>(1, int(FRows.size())));
    for (int r = 0; r < FRows.size(); ++r) {
        const TCommentRow &row = FRows[r];
        const QString cells[] = {QString::number(row.Oid), row.Name, row.TypeName, row.Args, row.LineNo, row.Text};
        for (int c = 0; c < 6; ++c)
            grdComment->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    grdComment->setUpdatesEnabled(true);
}

// ---------------------------------------------------------------------------
// Source

QWidget *TfrmComment::ShowSource(int Row)
{
    if (Row < 0 || Row >= FRows.size() || !FOwner)
        return nullptr;
    const TCommentRow &row = FRows[Row];
    const tv::db::ConnectionParams &p = FOwner->dbsMain().Params();
    QString caption;
    if (row.ObjType == 53 || row.ObjType == 54) {
        // A package window's caption carries no argument list.
        caption = ObjectTypeName(row.ObjType) + QStringLiteral(" - ") +
                  FormatRecParamCaption(MakeRecParam(p.Server, p.Database, row.Schema, p.value(QStringLiteral("Port")),
                                                     p.User_Name, p.Password, row.ObjectName, QString(), QString()),
                                        4, false);
    } else {
        FncArgArray args;
        LoadFunctionArguments(row.Oid, *qrySource, args, FOwner->DBVer());
        // Functions and procedures: the source window's own caption (the
        // argument types as the server prints them).
        const QString signature = row.ObjType == 51 || row.ObjType == 52
                                      ? TfrmSource::CaptionArguments(args)
                                      : FormatFunctionSignature(args, 5, p.MetaDefSchema);
        caption = ObjectTypeName(row.ObjType) + QStringLiteral(" - ") +
                  FormatRecParamCaption(MakeRecParam(p.Server, p.Database, row.Schema, p.value(QStringLiteral("Port")),
                                                     p.User_Name, p.Password, row.ObjectName, signature, QString()),
                                        5, false);
    }
    QWidget *w = nullptr;
    if (IMainWindow *m = MainWindow())
        w = m->FindWindow([](QWidget *) { return true; }, caption, true);
    if (!w) {
        try {
            // An aggregate opens in the aggregate window, the others in the source window.
            w = FOwner->OpenObject(row.ObjType, row.Schema, row.ObjectName, omSource, false, 0,
                                   row.ObjType == 53 || row.ObjType == 54 ? -1 : row.Oid);
        } catch (const tv::SilentAbort &) {
            w = nullptr;
        }
    }
    if (!w)
        return nullptr;
    bool ok = false;
    const int line = row.LineNo.toInt(&ok);
    if (ok) {
        if (auto *memo = w->findChild<TtvMemo *>(QStringLiteral("txtSource")))
            memo->Jump(line);
    }
    return w;
}

void TfrmComment::mnuSourceClick()
{
    ShowSource(grdComment->currentRow());
}

// ---------------------------------------------------------------------------
// Output

void TfrmComment::WriteExcel(const QString &Path) const
{
    tv::excel::Workbook book(Path);
    tv::excel::Sheet &sheet = book.AddSheet();
    sheet.SetColumnWidth(5, 100);
    for (int c = 1; c <= 5; ++c) {
        QString h = grdComment->horizontalHeaderItem(c)->text();
        sheet.SetText(1, c, h);
    }
    for (int r = 0; r < grdComment->rowCount(); ++r)
        for (int c = 1; c <= 5; ++c) {
            const QString t = CellText(grdComment, r, c);
            if (!t.isEmpty())
                sheet.SetText(r + 2, c, t);
        }
    book.Save();
}

void TfrmComment::actExcelExecute()
{
    tv::ui::FileDialogRequest r;
    r.filter = ExcelFileFilter + QStringLiteral("|すべてのファイル(*.*)|*.*");
    r.initialDir = tvOption.ExcelDir;
    r.fileName = MakeUniqueFileName(QDir(tvOption.ExcelDir).filePath(QStringLiteral("COMMENT") + tvOption.ExcelExt));
    r.overwritePrompt = true;
    const QString path = tv::ui::CurrentDialogs().saveFile(r);
    if (path.isEmpty())
        return;
    {
        SqlWaitCursor wait;
        const QFileInfo info(path);
        QDir().mkpath(info.absolutePath());
        WriteExcel(path);
    }
    if (IMainWindow *m = MainWindow())
        m->SetDefMessage();
    ShowMessageBox(QStringLiteral("ファイルに出力しました。"), tv::ui::MB_ICONINFORMATION);
    tvOption.ExcelDir = QFileInfo(path).absolutePath() + QLatin1Char('/');
}

QString TfrmComment::ClipboardText(const QString &Sep) const
{
    QString text;
    IMainWindow *m = MainWindow();
    const int n = int(FRows.size());
    for (int r = 0; r < n; ++r) {
        if (tv::ui::EscapePressed())
            break;
        if (m)
            m->SetLoopMessage(r + 1, n);
        text += CellText(grdComment, r, 0);
        for (int c = 1; c <= 5; ++c)
            text += Sep + CellText(grdComment, r, c);
        text += QStringLiteral("\r\n");
    }
    return text;
}

void TfrmComment::actCopyExecute()
{
    bool comma = tvOption.PasteColumn == 1;
    if (tvOption.PasteDialog) {
        if (ShowCheckMessageDialog(QStringLiteral("結果をクリップボードにコピーしますか？"),
                                   tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION,
                                   {{QStringLiteral("カンマ区切りにする(非チェック時はタブ区切り)"), &comma}}) !=
            tv::ui::IDYES)
            return;
    }
    tvOption.PasteColumn = comma ? 1 : 0;
    const QString text = ClipboardText(comma ? QStringLiteral(",") : QStringLiteral("\t"));
    QApplication::clipboard()->setText(text);
    ShowMessageBox(QStringLiteral("クリップボードに出力しました。"), tv::ui::MB_ICONINFORMATION);
    if (IMainWindow *m = MainWindow())
        m->SetDefMessage();
}
