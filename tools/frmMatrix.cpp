#include "tools/frmMatrix.h"

#include "common/Globals.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "controls/tvStringGrid.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/excel/Workbook.h"
#include "platform/settings/Folders.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectListModel.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace tv::ui;

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

const QString kNone = QStringLiteral("(未選択)");
const QString kNothing = QStringLiteral("(該当なし)");

// The list's argument text of a routine as type names ("int4,text"): the
// list quotes them and may prefix a schema.
QString PlainArgs(const QString &Text)
{
    if (Text.isEmpty())
        return {};
    QStringList out;
    for (QString a : Text.split(u',')) {
        a.remove(u'"');
        const int dot = a.lastIndexOf(u'.');
        out << (dot >= 0 ? a.mid(dot + 1) : a).trimmed();
    }
    return out.join(u',');
}

int ItemCode(const TtvListItem *Item)
{
    const int code = ItemImageIndex(Item);
    return code == 54 ? 53 : code;
}

// The args of a routine, the table of a trigger or rule, of an item of a
// list of `ListType` (the type text the list was filled for, "%" when mixed).
QString ListItemParent(const TtvListItem *Item, const QString &ListType)
{
    const int code = ItemCode(Item);
    const int at = tvOption.TreeData ? 3 : 2;
    if (code == 51 || code == 52 || code == 128)
        return PlainArgs(Item->SubItem(ObjectListArgumentsSubItem(ListType, tvOption.TreeData)));
    if (code == 57 || code == 127) {
        const QString table = Item->SubItem(11);
        return table.isEmpty() ? Item->SubItem(at) : table;
    }
    return {};
}

QString ColumnName(int Code, const TRefObj &E)
{
    switch (Code) {
    case 51: return E.sName;
    case 52:
    case 128: return E.sName + u'(' + E.sFncArg + u')';
    case 54: return E.sParent + u'.' + E.sName + u'(' + E.sFncArg + u')';
    case 57:
    case 127: return E.sParent + u'.' + E.sName;
    default: return E.sName;
    }
}

int HeadingSize(int Width, int Extra)
{
    return Width > 300 ? 300 + Extra : Width + Extra;
}

} // namespace

TfrmMatrix::TfrmMatrix(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmMatrix"))
{
    setObjectName(QStringLiteral("frmMatrix"));
    resize(640, 480);

    actRefresh = NewRefreshAction();
    actRefresh->setToolTip(QStringLiteral("表の内容を最新の状態に更新します。"));
    actExcel = new QAction(QStringLiteral("Excel出力(&E)"), this);
    actExcel->setObjectName(QStringLiteral("actExcel"));
    actExcel->setToolTip(QStringLiteral("表の内容をExcelファイルに出力します。"));
    actExcel->setStatusTip(QStringLiteral("Excel出力"));
    connect(actExcel, &QAction::triggered, this, Guarded([this] { actExcelExecute(); }));
    actCopy = new QAction(QStringLiteral("クリップボード出力(&C)"), this);
    actCopy->setObjectName(QStringLiteral("actCopy"));
    actCopy->setToolTip(QStringLiteral("表の内容をクリップボードにコピーします。"));
    connect(actCopy, &QAction::triggered, this, Guarded([this] { actCopyExecute(); }));

    auto *popOutput = new QMenu(this);
    popOutput->setObjectName(QStringLiteral("popOutput"));
    popOutput->addAction(actExcel);
    popOutput->addAction(actCopy);
    actOutput = new QAction(QStringLiteral("出力(&O)"), this);
    actOutput->setObjectName(QStringLiteral("actOutput"));
    actOutput->setToolTip(QStringLiteral("表の内容を外部に出力します。"));
    actOutput->setMenu(popOutput);

    tolCmd->addAction(actRefresh);
    tolCmd->addAction(actOutput);
    if (auto *b = qobject_cast<QToolButton *>(tolCmd->widgetForAction(actOutput)))
        b->setPopupMode(QToolButton::InstantPopup);
    tolCmd->addSeparator();
    actExit->setToolTip(QStringLiteral("画面を閉じます。"));
    tolCmd->addAction(actExit);

    mnuMatrix = new QMenu(QStringLiteral("マトリックス表(&O)"), this);
    mnuMatrix->setObjectName(QStringLiteral("mnuMatrix"));
    mnuMatrix->addAction(actExcel);
    mnuMatrix->addAction(actCopy);
    AddMergeMenu(2, mnuMatrix);

    pagMatrix = new QTabWidget(this);
    pagMatrix->setObjectName(QStringLiteral("pagMatrix"));
    tabObject2 = new QWidget(pagMatrix);
    tabObject2->setObjectName(QStringLiteral("tabObject2"));
    tabObject1 = new QWidget(pagMatrix);
    tabObject1->setObjectName(QStringLiteral("tabObject1"));
    tabField = new QWidget(pagMatrix);
    tabField->setObjectName(QStringLiteral("tabField"));
    pagMatrix->addTab(tabObject2, QStringLiteral("OBJECT＼被参照"));
    pagMatrix->addTab(tabObject1, QStringLiteral("OBJECT＼参照"));
    pagMatrix->addTab(tabField, QStringLiteral("項目＼表"));
    for (QWidget *t : {tabObject2, tabObject1, tabField}) {
        auto *l = new QVBoxLayout(t);
        l->setContentsMargins(0, 0, 0, 0);
    }
    layout()->addWidget(pagMatrix);

    grdMatrix = new TtvStringGrid(tabObject2);
    grdMatrix->setObjectName(QStringLiteral("grdMatrix"));
    grdMatrix->SetDefaultColWidth(18);
    grdMatrix->SetDefaultRowHeight(18);
    grdMatrix->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect | goRowSizing |
                          goColSizing);
    grdMatrix->OnDrawCell = [this](QObject *, QPainter *p, int c, int r, const QRect &rc, TGridDrawState) {
        grdMatrixDrawCell(p, c, r, rc);
    };
    tabObject2->layout()->addWidget(grdMatrix);
    connect(pagMatrix, &QTabWidget::currentChanged, this, Guarded([this](int) { pagMatrixChange(); }));
}

TfrmMatrix::~TfrmMatrix() = default;

TfrmMatrix *TfrmMatrix::Create(TfrmObject *AOwner)
{
    return Open<TfrmMatrix>(AOwner);
}

void TfrmMatrix::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actMatrix"),
                       [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); });
}

QString TfrmMatrix::PageCaption() const
{
    return pagMatrix->tabText(pagMatrix->currentIndex());
}

void TfrmMatrix::pagMatrixChange()
{
    QWidget *page = pagMatrix->currentWidget();
    if (grdMatrix->parentWidget() != page) {
        page->layout()->addWidget(grdMatrix);
        grdMatrix->show();
    }
    Reload(this);
}

QString TfrmMatrix::ColumnKey(int Col) const
{
    return grdMatrix->Cells(Col, 0) + u'\t' + grdMatrix->Cells(Col, 1);
}

QString TfrmMatrix::RowKey(int Row) const
{
    return grdMatrix->Cells(0, Row) + u'\t' + grdMatrix->Cells(1, Row);
}

void TfrmMatrix::Reload(QObject *)
{
    auto *owner = dynamic_cast<TfrmObject *>(OwnerForm());
    Retitle();
    IMainWindow *m = MainWindow();
    struct Restore {
        TfrmMatrix *w;
        IMainWindow *m;
        ~Restore()
        {
            w->grdMatrix->setUpdatesEnabled(true);
            QApplication::restoreOverrideCursor();
            if (m)
                m->SetDefMessage();
            w->grdMatrix->viewport()->update();
        }
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Restore restore{this, m};
    grdMatrix->setUpdatesEnabled(false);
    grdMatrix->SetFixedRows(0);
    grdMatrix->SetFixedCols(0);
    grdMatrix->SetRowCount(0);
    grdMatrix->SetColCount(0);
    grdMatrix->SetRowCount(2);
    grdMatrix->SetColCount(2);
    FColKeys.clear();
    if (owner && owner->lstObject) {
        tv::db::Connection &conn = owner->dbsMain();
        TMatrixLookup lookup(conn, owner->DBVer(), owner->g_bPostgresPlus());
        const QList<TtvListItem *> items = owner->lstObject->SelectedItems();
        QWidget *page = pagMatrix->currentWidget();
        ClearEscape();
        struct Finish {
            TfrmMatrix *w;
            ~Finish() { w->FinishGrid(); }
        } finish{this};
        for (int n = 0; n < items.size(); ++n) {
            if (n > 0 && EscapePressed())
                break;
            if (m)
                m->SetLoopMessage(n + 1, int(items.size()));
            // Every object's reads under a statement savepoint: a failing
            // read leaves the user's transaction usable.
            tv::db::StatementSavepoint sp(conn);
            if (page == tabField)
                AddColumnRows(items.at(n), lookup);
            else
                AddObjectRow(items.at(n), owner->g_TreeDispState, page == tabObject1, lookup);
            sp.release();
        }
    } else {
        FinishGrid();
    }
}

void TfrmMatrix::AddObjectRow(TtvListItem *Item, const QString &ListType, bool References, TMatrixLookup &Lookup)
{
    const int code = ItemCode(Item);
    const QString name = Item->Caption(), schema = Item->SubItem(0), parent = ListItemParent(Item, ListType);
    const int r = grdMatrix->RowCount();
    grdMatrix->SetRowCount(r + 1);
    grdMatrix->SetObjects(0, r, code);
    QString caption = name;
    if (code == 51 || code == 52 || code == 128)
        caption = name + u'(' + parent + u')';
    else if (code == 57 || code == 127)
        caption = parent + u'.' + name;
    grdMatrix->SetCells(0, r, caption);
    grdMatrix->SetCells(1, r, schema);

    const bool routine = code == 51 || code == 52 || code == 128;
    const bool onTable = code == 57 || code == 127;
    qint64 oid = Lookup.GetObjectOid(code, schema, routine ? parent : QString(), onTable ? parent : QString(), name);
    if (oid == -1)
        return;
    if (References && (code == 47 || code == 61))
        oid = Lookup.ViewRuleOid(oid);
    TAryRefObj entries = Lookup.Dependencies(oid, References);
    Lookup.DescribeDependentObject(entries);

    for (const TRefObj &e : entries) {
        if (e.sType.isEmpty() || e.sName.isEmpty() || e.sSchema.isEmpty())
            continue;
        if (e.sName == name && e.sSchema == schema)
            continue;
        const int ecode = ObjectTypeFromName(e.sType);
        const QString display = ColumnName(ecode, e);
        const QString key = e.sSchema + u'\t' + display;
        // The first column whose key does not sort before the entry's (keys by
        // character code): the entry's own when key and code are equal, else
        // a new column goes in front of it.
        const auto at = std::lower_bound(FColKeys.begin(), FColKeys.end(), key,
                                         [](const std::pair<QString, int> &k, const QString &v) {
                                             return k.first.compare(v, Qt::CaseSensitive) < 0;
                                         });
        const int i = int(at - FColKeys.begin());
        const int c = i + 2;
        if (at == FColKeys.end() || at->first != key || at->second != ecode) {
            FColKeys.insert(i, {key, ecode});
            if (c >= grdMatrix->ColCount())
                grdMatrix->SetColCount(c + 1);
            else
                grdMatrix->InsertCol(c);
            grdMatrix->SetCells(c, 0, e.sSchema);
            grdMatrix->SetCells(c, 1, display);
            grdMatrix->SetObjects(c, 1, ecode);
        }
        grdMatrix->SetCells(c, r, QStringLiteral("○"));
    }
}

void TfrmMatrix::AddColumnRows(TtvListItem *Item, TMatrixLookup &Lookup)
{
    const int code = ItemCode(Item);
    if (code != 45 && code != 46 && code != 47 && code != 61)
        return;
    const QString name = Item->Caption(), schema = Item->SubItem(0);
    const int c = grdMatrix->ColCount();
    grdMatrix->SetColCount(c + 1);
    grdMatrix->SetObjects(c, 1, code);
    grdMatrix->SetCells(c, 0, name);
    grdMatrix->SetCells(c, 1, schema);
    const QStringList primary = code == 46 ? QStringList() : Lookup.PrimaryKeyColumns(schema, name);
    const TAryColInfo cols = Lookup.Columns(code, schema, name);
    for (const TColInfo &col : cols) {
        const QString key = col.sName + u'\t' + col.sType;
        int r = 2;
        bool found = false;
        for (; r < grdMatrix->RowCount(); ++r) {
            const int cmp = RowKey(r).compare(key, Qt::CaseSensitive);
            if (cmp == 0) {
                found = true;
                break;
            }
            if (cmp > 0)
                break;
        }
        if (!found) {
            grdMatrix->InsertRow(r);
            grdMatrix->SetCells(0, r, col.sName);
            grdMatrix->SetCells(1, r, col.sType);
        }
        grdMatrix->SetCells(c, r, primary.contains(col.sName, Qt::CaseInsensitive) ? QStringLiteral("◎")
                                                                                   : QStringLiteral("○"));
    }
}

void TfrmMatrix::FinishGrid()
{
    if (grdMatrix->RowCount() < 3)
        grdMatrix->SetRowCount(3);
    if (grdMatrix->ColCount() < 3)
        grdMatrix->SetColCount(3);
    grdMatrix->SetFixedRows(2);
    grdMatrix->SetFixedCols(2);
    if (grdMatrix->Cells(0, 2).isEmpty()) {
        grdMatrix->SetObjects(0, 2, 41);
        grdMatrix->SetCells(0, 2, kNone);
    }
    if (grdMatrix->Cells(2, 1).isEmpty()) {
        grdMatrix->SetObjects(2, 1, 41);
        grdMatrix->SetCells(2, 1, kNothing);
    }
    // The heading rows and columns grow to their texts (never shrink): the
    // turned texts of rows 0 and 1 by their widths, row 1 and column 0 with
    // room for the icon.
    const QFontMetrics fm(grdMatrix->font());
    int h0 = grdMatrix->RowHeights(0), h1 = grdMatrix->RowHeights(1);
    for (int c = 1; c < grdMatrix->ColCount(); ++c) {
        h0 = std::max(h0, HeadingSize(fm.horizontalAdvance(grdMatrix->Cells(c, 0)), 6));
        h1 = std::max(h1, HeadingSize(fm.horizontalAdvance(grdMatrix->Cells(c, 1)), 26));
    }
    grdMatrix->SetRowHeights(0, h0);
    grdMatrix->SetRowHeights(1, h1);
    int w0 = grdMatrix->ColWidths(0), w1 = grdMatrix->ColWidths(1);
    for (int r = 1; r < grdMatrix->RowCount(); ++r) {
        w0 = std::max(w0, HeadingSize(fm.horizontalAdvance(grdMatrix->Cells(0, r)), 26));
        w1 = std::max(w1, HeadingSize(fm.horizontalAdvance(grdMatrix->Cells(1, r)), 6));
    }
    grdMatrix->SetColWidths(0, w0);
    grdMatrix->SetColWidths(1, w1);
}

void TfrmMatrix::grdMatrixDrawCell(QPainter *Canvas, int ACol, int ARow, const QRect &Rect)
{
    IMainWindow *m = MainWindow();
    const QString text = grdMatrix->Cells(ACol, ARow);
    const int code = grdMatrix->Objects(ACol, ARow).toInt();
    if (ACol == 0 && ARow >= 1) {
        Canvas->fillRect(Rect, grdMatrix->palette().color(QPalette::Button));
        Canvas->setPen(grdMatrix->palette().color(QPalette::ButtonText));
        Canvas->drawText(QPoint(Rect.left() + 20, Rect.top() + 2 + Canvas->fontMetrics().ascent()), text);
        if (code > 0 && m)
            m->MainImage(code).paint(Canvas, QRect(Rect.left() + 2, Rect.top(), 16, 16));
    } else if (ARow <= 1 && ACol >= 1) {
        // Headings read upwards, turned by 90 degrees.
        Canvas->fillRect(Rect, grdMatrix->palette().color(QPalette::Button));
        Canvas->save();
        Canvas->setPen(grdMatrix->palette().color(QPalette::ButtonText));
        const int bottom = ARow == 0 ? Rect.bottom() - 2 : Rect.bottom() - 22;
        Canvas->translate(Rect.left() + 2 + Canvas->fontMetrics().ascent(), bottom);
        Canvas->rotate(-90);
        Canvas->drawText(QPoint(0, 0), text);
        Canvas->restore();
        if (ARow == 1 && code > 0 && m)
            m->MainImage(code).paint(Canvas, QRect(Rect.left() + 1, Rect.bottom() - 20, 16, 16));
    }
}

QString TfrmMatrix::GridText(QChar Sep, bool TrailingSep) const
{
    QString out;
    IMainWindow *m = MainWindow();
    ClearEscape();
    for (int r = 0; r < grdMatrix->RowCount(); ++r) {
        if (EscapePressed())
            break;
        if (m)
            m->SetLoopMessage(r, grdMatrix->RowCount());
        for (int c = 0; c < grdMatrix->ColCount(); ++c) {
            if (c > 0 && !TrailingSep)
                out += Sep;
            out += grdMatrix->Cells(c, r);
            if (TrailingSep)
                out += Sep;
        }
        out += QStringLiteral("\r\n");
    }
    return out;
}

void TfrmMatrix::actCopyExecute()
{
    bool comma = tvOption.PasteColumn == 1;
    if (tvOption.PasteDialog) {
        const TCheckList checks{{QStringLiteral("カンマ区切りにする(非チェック時はタブ区切り)"), &comma}};
        if (ShowCheckMessageDialog(QStringLiteral("結果をクリップボードにコピーしますか？"), MB_YESNO | MB_ICONQUESTION,
                                   checks) != IDYES)
            return;
    }
    tvOption.PasteColumn = comma ? 1 : 0;
    const QString text = GridText(comma ? QLatin1Char(',') : QLatin1Char('\t'), false);
    QApplication::clipboard()->setText(text);
    ShowMessageBox(QStringLiteral("クリップボードに出力しました。"), MB_ICONINFORMATION);
    if (IMainWindow *m = MainWindow())
        m->SetDefMessage();
}

void TfrmMatrix::actExcelExecute()
{
    const QString ext = tvOption.ExcelExt.isEmpty() ? QStringLiteral(".XLSX") : tvOption.ExcelExt;
    QString dir = tvOption.ExcelDir.isEmpty() ? tv::settings::DocumentsDir() : tvOption.ExcelDir;
    if (!dir.endsWith(u'/') && !dir.endsWith(u'\\'))
        dir += u'/';
    FileDialogRequest req;
    req.filter = (ExcelFileFilter.isEmpty() ? QStringLiteral("Excelファイル(*.xlsx)|*.xlsx") : ExcelFileFilter) +
                 QStringLiteral("|すべてのファイル(*.*)|*.*");
    req.fileName = MakeUniqueFileName(dir + QStringLiteral("MATRIX") + ext);
    req.overwritePrompt = true;
    const QString file = CurrentDialogs().saveFile(req);
    if (file.isEmpty())
        return;
    // A template workbook cannot be read here: the grid goes into a new
    // workbook, with headings turned and borders of its own, and the user
    // is told that the template's formatting was not applied.
    QString form = tvOption.ExcelFormMatrix.isEmpty() ? file : tvOption.ExcelFormMatrix;
    {
        const QFileInfo fi(form);
        const QString same = fi.path() + u'/' + fi.completeBaseName() + u'.' + QFileInfo(file).suffix();
        if (QFileInfo::exists(same))
            form = same;
    }
    const bool formExists = QFileInfo::exists(form);
    {
        WaitCursor wait;
        IMainWindow *m = MainWindow();
        struct Restore {
            IMainWindow *m;
            ~Restore()
            {
                if (m)
                    m->SetDefMessage();
            }
        } restore{m};
        QDir().mkpath(QFileInfo(file).absolutePath());
        tv::excel::Workbook book(file);
        tv::excel::Sheet &sheet = book.AddSheet();
        // Every cell of the matrix boxed; the column headings read upwards,
        // as the grid shows them.
        const tv::excel::CellStyle cellStyle{0, true}, headingStyle{90, true};
        ClearEscape();
        for (int r = 0; r < grdMatrix->RowCount(); ++r) {
            if (EscapePressed())
                break;
            if (m)
                m->SetLoopMessage(r, grdMatrix->RowCount());
            for (int c = 0; c < grdMatrix->ColCount(); ++c)
                sheet.SetText(r + 1, c + 1, grdMatrix->Cells(c, r), r <= 1 && c >= 2 ? headingStyle : cellStyle);
        }
        sheet.SetText(1, 1, PageCaption(), cellStyle);
        for (int c = 3; c <= grdMatrix->ColCount(); ++c)
            sheet.SetColumnWidth(c, 3);
        book.Save();
    }
    if (formExists && frmMain)
        frmMain->SetStatusText(2, QStringLiteral("フォームファイルの書式は適用されませんでした。"));
    ShowMessageBox(QStringLiteral("ファイルが出力されました。"), MB_ICONINFORMATION);
    tvOption.ExcelDir = QFileInfo(file).absolutePath() + QLatin1Char('/');
}
