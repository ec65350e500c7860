#include "sql/tvSQLDesigner.h"

#include "common/Quote.h"
#include "common/SQLParser.h"
#include "common/MessageDlg.h"
#include "controls/tvListBox.h"
#include "controls/tvStringGrid.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/db/ProtectedBlock.h"
#include "platform/db/Query.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kColumnMime = QStringLiteral("application/x-talvex-sqlbuild-columns");
constexpr int kRange = 1024;

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

bool IsSelectKind(TtvSQLType t) { return t == sqltSelect || t == sqltCreateView; }

// The background of the surface: it paints the join lines and hands the
// mouse to the designer.
class TSurface : public QWidget {
public:
    explicit TSurface(TtvSQLDesigner *d) : QWidget(d), FDesigner(d)
    {
        setObjectName(QStringLiteral("Surface"));
        setMouseTracking(true);
        setAcceptDrops(true);
    }
    std::function<void(QPainter &)> paint;
    std::function<void(QMouseEvent *)> mouse;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        paint(p);
    }
    void mousePressEvent(QMouseEvent *e) override { mouse(e); }
    void mouseMoveEvent(QMouseEvent *e) override { mouse(e); }
    void mouseReleaseEvent(QMouseEvent *e) override { mouse(e); }
    void mouseDoubleClickEvent(QMouseEvent *e) override { mouse(e); }
    void dragEnterEvent(QDragEnterEvent *e) override
    {
        if (FDesigner->OnAcceptObjects && FDesigner->OnAcceptObjects(e->source()))
            e->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent *e) override
    {
        if (FDesigner->OnAcceptObjects && FDesigner->OnAcceptObjects(e->source()))
            e->acceptProposedAction();
    }
    void dropEvent(QDropEvent *e) override
    {
        if (FDesigner->OnDropObjects && FDesigner->OnAcceptObjects && FDesigner->OnAcceptObjects(e->source())) {
            e->acceptProposedAction();
            FDesigner->OnDropObjects(e->source());
        }
    }

private:
    TtvSQLDesigner *FDesigner;
};

} // namespace

// ---------------------------------------------------------------------------
// Column list

TListBoxEx::TListBoxEx(TtvSQLBuildTable *table, TtvSQLDesigner *designer)
    : TtvListBox(table), FTable(table), FDesigner(designer)
{
    setObjectName(QStringLiteral("ItemList"));
    SetMultiSelect(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::LinkAction);
    setUniformItemSizes(true);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { FDesigner->RepaintLines(); });
}

QStringList TListBoxEx::mimeTypes() const { return {kColumnMime}; }

QMimeData *TListBoxEx::mimeData(const QList<QListWidgetItem *> &) const { return FDesigner->ColumnMime(FTable); }

Qt::DropActions TListBoxEx::supportedDropActions() const { return Qt::LinkAction | Qt::CopyAction | Qt::MoveAction; }

void TListBoxEx::startDrag(Qt::DropActions)
{
    auto *drag = new QDrag(this);
    drag->setMimeData(FDesigner->ColumnMime(FTable));
    drag->exec(Qt::LinkAction | Qt::CopyAction | Qt::MoveAction, Qt::LinkAction);
}

bool TListBoxEx::Accepts(const QMimeData *mime, QPoint pos, QString *target) const
{
    QStringList selected;
    QString current;
    TtvSQLBuildTable *src = FDesigner->MimeSource(mime, &selected, &current);
    if (!src || src == FTable || current.isEmpty() || current == QLatin1String("*"))
        return false;
    QListWidgetItem *it = itemAt(pos);
    if (!it || it->text() == QLatin1String("*"))
        return false;
    if (target)
        *target = it->text();
    return !FDesigner->SQLDesign;
}

void TListBoxEx::dragEnterEvent(QDragEnterEvent *e)
{
    if (FDesigner->MimeSource(e->mimeData(), nullptr, nullptr))
        e->accept();
    else
        e->ignore();
}

void TListBoxEx::dragMoveEvent(QDragMoveEvent *e)
{
    if (Accepts(e->mimeData(), e->position().toPoint(), nullptr)) {
        e->setDropAction(Qt::LinkAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void TListBoxEx::dropEvent(QDropEvent *e)
{
    QString target;
    if (!Accepts(e->mimeData(), e->position().toPoint(), &target)) {
        e->ignore();
        return;
    }
    QStringList selected;
    QString current;
    TtvSQLBuildTable *src = FDesigner->MimeSource(e->mimeData(), &selected, &current);
    e->setDropAction(Qt::LinkAction);
    e->accept();
    tv::ui::Guard([&] { FDesigner->ConnectColumns(src, current, FTable, target); });
}

void TListBoxEx::mouseDoubleClickEvent(QMouseEvent *e)
{
    TtvListBox::mouseDoubleClickEvent(e);
    QStringList cols;
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected())
            cols << item(i)->text();
    if (!cols.isEmpty())
        tv::ui::Guard([&] { FDesigner->AddColumnRows(FTable, cols, false); });
}

// ---------------------------------------------------------------------------
// Table window

TtvSQLBuildTable::TtvSQLBuildTable(TtvSQLDesigner *designer, TSQLDesignTable *data)
    : QFrame(designer->Surface()), FDesigner(designer), FData(data)
{
    setObjectName(QStringLiteral("SQLBuildTable"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(3);
    setAutoFillBackground(true);
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(3, 3, 3, 3);
    lay->setSpacing(0);
    pnlHeader = new QLabel(this);
    pnlHeader->setObjectName(QStringLiteral("pnlHeader"));
    pnlHeader->setAutoFillBackground(true);
    pnlHeader->setAttribute(Qt::WA_TransparentForMouseEvents);
    pnlHeader->setContentsMargins(2, 1, 2, 1);
    edtAlias = new QLineEdit(this);
    edtAlias->setObjectName(QStringLiteral("edtAlias"));
    ItemList = new TListBoxEx(this, designer);
    lay->addWidget(pnlHeader);
    lay->addWidget(edtAlias);
    lay->addWidget(ItemList, 1);
    edtAlias->setText(data->AliasText);
    edtAlias->setEnabled(IsSelectKind(designer->SQLType()));
    edtAlias->installEventFilter(this);
    ItemList->installEventFilter(this);
    ItemList->viewport()->installEventFilter(this);
    connect(edtAlias, &QLineEdit::textChanged, this, [this] { FDesigner->AliasChanged(this); });
    UpdateHeader();
    SetSelectedLook(false);
}

QString TtvSQLBuildTable::TableSchema() const { return FData->TableSchema; }
QString TtvSQLBuildTable::TableName() const { return FData->TableName; }
QString TtvSQLBuildTable::Alias() const { return FData->Alias(); }

void TtvSQLBuildTable::SetAliasText(const QString &alias) { edtAlias->setText(alias); }

void TtvSQLBuildTable::UpdateHeader()
{
    pnlHeader->setText(FData->TableSchema.isEmpty() ? FData->TableName
                                                    : FData->TableSchema + QLatin1Char('.') + FData->TableName);
}

void TtvSQLBuildTable::UpdateColumns()
{
    ItemList->clear();
    QFont bold = ItemList->font();
    bold.setBold(true);
    for (int i = 0; i < FData->Columns.size(); ++i) {
        auto *it = new QListWidgetItem(FData->Columns[i], ItemList);
        if (FData->Keys.value(i))
            it->setFont(bold);
    }
}

void TtvSQLBuildTable::SetSelectedLook(bool selected)
{
    QPalette pal = pnlHeader->palette();
    const QPalette &app = QApplication::palette();
    pal.setColor(QPalette::Window, selected ? app.color(QPalette::Highlight) : app.color(QPalette::Button));
    pal.setColor(QPalette::WindowText, selected ? app.color(QPalette::HighlightedText) : QColor(Qt::black));
    pnlHeader->setPalette(pal);
}

void TtvSQLBuildTable::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const QPoint p = e->position().toPoint();
    if (p.x() >= width() - 6 && p.y() >= height() - 6) {
        FResizing = true;
        FResizeStart = e->globalPosition().toPoint();
        FResizeSize = size();
        FDesigner->SetSelected(this);
        return;
    }
    FDesigner->BeginMove(this, e->globalPosition().toPoint());
}

void TtvSQLBuildTable::mouseMoveEvent(QMouseEvent *e)
{
    if (FResizing) {
        const QPoint d = e->globalPosition().toPoint() - FResizeStart;
        resize(std::max(60, FResizeSize.width() + d.x()), std::max(60, FResizeSize.height() + d.y()));
        return;
    }
    const QPoint p = e->position().toPoint();
    setCursor(p.x() >= width() - 6 && p.y() >= height() - 6 ? Qt::SizeFDiagCursor : Qt::ArrowCursor);
    FDesigner->MoveSelected(e->globalPosition().toPoint());
}

void TtvSQLBuildTable::mouseReleaseEvent(QMouseEvent *)
{
    FResizing = false;
    FDesigner->EndMove();
}

void TtvSQLBuildTable::moveEvent(QMoveEvent *e)
{
    QFrame::moveEvent(e);
    FDesigner->RepaintLines();
}

void TtvSQLBuildTable::resizeEvent(QResizeEvent *e)
{
    QFrame::resizeEvent(e);
    FDesigner->RepaintLines();
}

bool TtvSQLBuildTable::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        FDesigner->SetSelected(this);
        break;
    case QEvent::FocusIn:
        FDesigner->SetSelected(this);
        if (watched == edtAlias) {
            FEnteredAlias = edtAlias->text();
            QTimer::singleShot(0, edtAlias, &QLineEdit::selectAll);
        }
        break;
    case QEvent::FocusOut:
        if (watched == ItemList)
            ItemList->clearSelection();
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Designer

TtvSQLDesigner::TtvSQLDesigner(QWidget *parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("SQLDesign"));
    auto *surface = new TSurface(this);
    surface->paint = [this](QPainter &p) { PaintSurface(p); };
    surface->mouse = [this](QMouseEvent *e) { SurfaceMouse(e); };
    setWidget(surface);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setSingleStep(32);
    verticalScrollBar()->setSingleStep(32);
    setFocusPolicy(Qt::StrongFocus);
    surface->resize(kRange + 200, kRange + 200);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { RepaintLines(); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { RepaintLines(); });
}

TtvSQLDesigner::~TtvSQLDesigner()
{
    FDestroying = true;
    FSelected = nullptr;
    // The windows go before the design they show.
    const QList<TtvSQLBuildTable *> tables = FTables;
    FTables.clear();
    qDeleteAll(tables);
    FDesign.Clear();
}

QWidget *TtvSQLDesigner::Surface() const { return widget(); }

void TtvSQLDesigner::SetDatabase(tv::db::Connection *db)
{
    FDatabase = db;
    FDesign.DefSchema = db ? db->Params().MetaDefSchema : QString();
}

void TtvSQLDesigner::resizeEvent(QResizeEvent *e)
{
    QScrollArea::resizeEvent(e);
    // The surface reaches 1024 pixels beyond the visible part both ways.
    widget()->resize(viewport()->width() + kRange, viewport()->height() + kRange);
}

void TtvSQLDesigner::focusInEvent(QFocusEvent *e)
{
    QScrollArea::focusInEvent(e);
    tv::ui::PostAction(this, [this] { SQLToDesign(); });
}

TtvSQLBuildTable *TtvSQLDesigner::TableOf(const TSQLDesignTable *data) const
{
    for (TtvSQLBuildTable *t : FTables)
        if (t->Data() == data)
            return t;
    return nullptr;
}

void TtvSQLDesigner::SetSelected(TtvSQLBuildTable *table)
{
    FSelected = table;
    for (TtvSQLBuildTable *t : std::as_const(FTables))
        t->SetSelectedLook(t == table);
}

// ---------------------------------------------------------------------------
// Grid

void TtvSQLDesigner::SetGrid(TtvStringGrid *grid)
{
    FGrid = grid;
    if (!grid)
        return;
    grid->SetColCount(gcCount);
    grid->SetRowCount(2);
    grid->SetFixedCols(0);
    grid->SetFixedRows(1);
    grid->SetOptions(grid->Options() | goEditing | goTabs);
    grid->SetHeader(sqldesign::Headings(SQLType()));
    grid->SetEditStyles(gcItem, gePickList);
    grid->SetEditStyles(gcShow, IsSelectKind(SQLType()) ? geCheckBox : geViewCheckBox);
    grid->SetEditStyles(gcSort, geDropList);
    grid->SetEditStyles(gcGroup, geDropList);
    grid->OnEnter = [this](QObject *) { tv::ui::Guard([this] { SQLToDesign(); }); };
    grid->OnSelectCell = [this](QObject *, int ACol, int, bool &) {
        const bool edit = sqldesign::ColumnUsable(ACol, SQLType()) && ACol != gcShow;
        FGrid->SetOptions(edit ? FGrid->Options() | goEditing : FGrid->Options() & ~TGridOptions(goEditing));
    };
    grid->OnSetEditText = [this](QObject *, int ACol, int ARow, const QString &Value) {
        tv::ui::Guard([&] { GridSetEditText(ACol, ARow, Value); });
    };
    grid->OnGetPickListitems = [this](int ACol, int, QStringList &Items) {
        if (ACol == gcItem)
            Items = FDesign.ColumnPickList();
        else if (ACol == gcSort)
            Items = sqldesign::SortList();
        else if (ACol == gcGroup)
            Items = sqldesign::GroupList();
    };
    grid->OnDrawCell = [this](QObject *, QPainter *p, int ACol, int ARow, const QRect &R, TGridDrawState State) {
        if (ARow == 0 || (State & gdFixed) || sqldesign::ColumnUsable(ACol, SQLType()))
            return;
        p->fillRect(R.adjusted(0, 0, -1, -1), QApplication::palette().color(QPalette::Button));
        if (ACol == gcShow) {
            FGrid->DrawCheck(p, ACol, ARow, R, false);
        } else {
            p->setPen(QApplication::palette().color(QPalette::ButtonText));
            p->drawText(R.adjusted(2, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop, FGrid->Cells(ACol, ARow));
        }
    };
    grid->viewport()->setAcceptDrops(true);
    grid->viewport()->installEventFilter(this);
    grid->Save();
}

void TtvSQLDesigner::GridToDesign()
{
    if (!FGrid)
        return;
    if (FGrid->EditorMode())
        FGrid->HideEditor();
    QList<QStringList> rows;
    for (int r = 0; r < FGrid->RowCount(); ++r) {
        QStringList row = FGrid->Rows(r);
        while (row.size() < gcCount)
            row << QString();
        rows << row.mid(0, gcCount);
    }
    FDesign.Rows = rows;
}

void TtvSQLDesigner::DesignToGrid()
{
    if (!FGrid)
        return;
    FGrid->setUpdatesEnabled(false);
    FGrid->SetRowCount(std::max<int>(2, FDesign.Rows.size()));
    FGrid->SetHeader(sqldesign::Headings(SQLType()));
    FGrid->SetEditStyles(gcShow, IsSelectKind(SQLType()) ? geCheckBox : geViewCheckBox);
    for (int r = 1; r < FDesign.Rows.size(); ++r)
        FGrid->SetRows(r, FDesign.Rows[r]);
    FGrid->setUpdatesEnabled(true);
    FGrid->viewport()->update();
}

void TtvSQLDesigner::GridSetEditText(int ACol, int ARow, const QString &Value)
{
    if (SQLDesign || !FGrid->IsChanged())
        return;
    if (ACol == gcSort && Value.isEmpty())
        FGrid->SetCells(gcOrder, ARow, QString());
    if (ACol == gcOrder && Value.isEmpty())
        FGrid->SetCells(gcSort, ARow, QString());
    if (ARow == FGrid->RowCount() - 1 &&
        (!FGrid->Cells(gcItem, ARow).isEmpty() || !FGrid->Cells(gcAlias, ARow).isEmpty())) {
        FGrid->SetRowCount(FGrid->RowCount() + 1);
        FGrid->SetRows(FGrid->RowCount() - 1, QStringList(gcCount, QString()));
        if (ACol != gcShow && IsSelectKind(SQLType()))
            FGrid->SetCells(gcShow, ARow, QStringLiteral("1"));
    }
    DesignToSQL();
    FGrid->Save();
}

// ---------------------------------------------------------------------------
// Kind, tables

void TtvSQLDesigner::SetSQLType(TtvSQLType type)
{
    const bool changed = type != FDesign.SQLType;
    if (changed && !SQLDesign) {
        Clear();
        FDesign.SQLType = type;
        FDesign.ClearGrid();
        DesignToGrid();
        if (FGrid)
            FGrid->Save();
        if (FSQLText) {
            FSQLText->Lines()->SetText(QString());
            FSQLText->SetRowCol(0, 0);
        }
        FLastText.clear();
    }
    FDesign.SQLType = type;
    if (FGrid) {
        FGrid->SetCells(gcAlias, 0, sqldesign::Headings(type)[gcAlias]);
        FGrid->SetEditStyles(gcShow, IsSelectKind(type) ? geCheckBox : geViewCheckBox);
        FGrid->viewport()->update();
    }
    for (TtvSQLBuildTable *t : std::as_const(FTables))
        t->edtAlias->setEnabled(IsSelectKind(type));
}

void TtvSQLDesigner::Clear()
{
    SetSelected(nullptr);
    FDesign.Connects.clear();
    const QList<TtvSQLBuildTable *> tables = FTables;
    FTables.clear();
    for (TtvSQLBuildTable *t : tables)
        delete t;
    FDesign.Tables.clear();
    widget()->update();
}

TtvSQLBuildTable *TtvSQLDesigner::CreateTableWindow(TSQLDesignTable *data)
{
    auto *t = new TtvSQLBuildTable(this, data);
    t->setFont(font());
    const int row = t->ItemList->fontMetrics().height() + 2;
    t->resize(120, 5 * row + t->pnlHeader->sizeHint().height() + t->edtAlias->sizeHint().height() + 8);
    // The first place from (16, 16) on where it overlaps no other table.
    QRect r(QPoint(16, 16), t->size());
    const int width = viewport()->width();
    for (bool moved = true; moved;) {
        moved = false;
        for (TtvSQLBuildTable *o : std::as_const(FTables)) {
            if (r.intersects(o->geometry())) {
                r.translate(150, 0);
                if (r.left() > width)
                    r.moveTo(16, r.top() + 176);
                moved = true;
                break;
            }
        }
    }
    t->move(r.topLeft());
    FTables.append(t);
    t->show();
    return t;
}

TtvSQLBuildTable *TtvSQLDesigner::AddTable(const QString &ATableName)
{
    QString alias;
    if (IsSelectKind(SQLType())) {
        QStringList used;
        for (TtvSQLBuildTable *t : std::as_const(FTables))
            used << t->edtAlias->text();
        alias = sqldesign::NewAlias(used);
    }
    return AddTable(ATableName, alias);
}

TtvSQLBuildTable *TtvSQLDesigner::AddTable(const QString &ATableName, const QString &AAlias)
{
    TSQLDesignTable *data = FDesign.AddTable(QString(), QString(), AAlias, false);
    QString name = ATableName;
    while (!name.isEmpty() && QStringLiteral("\t\n\r ").contains(name.front()))
        name.remove(0, 1);
    while (!name.isEmpty() && QStringLiteral("\t\n\r ").contains(name.back()))
        name.chop(1);
    if (name.startsWith(QLatin1Char('(')) && name.endsWith(QLatin1Char(')'))) {
        data->Subquery = true;
        data->TableName = name;
    } else {
        const int dot = name.indexOf(QLatin1Char('.'));
        data->TableSchema = dot < 0 ? (FDatabase ? FDatabase->Params().MetaDefSchema : QString()) : name.left(dot);
        data->TableName = dot < 0 ? name : name.mid(dot + 1);
    }
    if (IsSelectKind(SQLType()))
        data->Columns << QStringLiteral("*");
    TtvSQLBuildTable *t = CreateTableWindow(data);
    t->UpdateHeader();
    try {
        if (FDatabase)
            ReadColumns(data, name);
    } catch (...) {
        t->UpdateColumns();
        throw;
    }
    t->UpdateColumns();
    return t;
}

QString TtvSQLDesigner::ColumnSQL(int serverVersion)
{
    const QString kinds = serverVersion >= 100000 ? QStringLiteral("('r', 'v', 'm', 'f', 'p')")
                                                  : QStringLiteral("('r', 'v', 'm', 'f')");
    return QStringList{QStringLiteral("SELECT  AT.attname"),
                       QStringLiteral("FROM    pg_class        CL"),
                       QStringLiteral("LEFT JOIN pg_namespace  NS"),
                       QStringLiteral("  ON  CL.relnamespace   = NS.oid"),
                       QStringLiteral("LEFT JOIN pg_attribute  AT"),
                       QStringLiteral("  ON  CL.oid            = AT.attrelid"),
                       QStringLiteral("WHERE   CL.relkind      IN  ") + kinds,
                       QStringLiteral("AND     AT.attnum       > 0"),
                       QStringLiteral("AND     AT.attisdropped = False"),
                       QStringLiteral("AND     CL.relname      = :NAME"),
                       QStringLiteral("AND     NS.nspname      = :SCHEMANM"),
                       QStringLiteral("ORDER"),
                       QStringLiteral("BY      NS.nspname,"),
                       QStringLiteral("        CL.relname,"),
                       QStringLiteral("        AT.attnum")}
        .join(QLatin1Char(' '));
}

QString TtvSQLDesigner::KeySQL()
{
    return QStringList{QStringLiteral("SELECT  CCU.column_name                                   AS COLUMN_NAME"),
                       QStringLiteral("FROM    information_schema.table_constraints              AS TC"),
                       QStringLiteral("LEFT JOIN information_schema.constraint_column_usage      AS CCU"),
                       QStringLiteral("  ON  TC.table_catalog    = CCU.table_catalog"),
                       QStringLiteral("  AND TC.table_schema     = CCU.table_schema"),
                       QStringLiteral("  AND TC.table_name       = CCU.table_name"),
                       QStringLiteral("  AND TC.constraint_name  = CCU.constraint_name"),
                       QStringLiteral("WHERE   TC.table_name         = :NAME"),
                       QStringLiteral("AND     TC.table_schema       = :SCHEMANM"),
                       QStringLiteral("AND     TC.constraint_type    = 'PRIMARY KEY'")}
        .join(QLatin1Char(' '));
}

QString TtvSQLDesigner::SynonymSQL()
{
    return QStringList{QStringLiteral("SELECT Syn.synobjname, Syn.synobjschema"),
                       QStringLiteral("FROM pg_catalog.pg_synonym AS Syn"),
                       QStringLiteral("LEFT JOIN pg_namespace AS Nms"),
                       QStringLiteral("  ON  Syn.synnamespace =  Nms.oid"),
                       QStringLiteral("WHERE Nms.nspname = :AOWNER"),
                       QStringLiteral("AND Syn.synname = :ANAME")}
        .join(QLatin1Char(' '));
}

void TtvSQLDesigner::ReadColumns(TSQLDesignTable *t, const QString &name)
{
    WaitCursor wait;
    tv::db::Connection &conn = *FDatabase;
    if (t->Subquery) {
        // Only described, never run: the inner query's result fields.
        try {
            tv::db::ProtectedBlock block(conn);
            const tv::db::StatementInfo info = conn.Describe(name.mid(1, name.size() - 2), {});
            t->Columns << info.fieldNames;
        } catch (const tv::Error &) {
            // The column list stays as it is.
        }
        return;
    }
    const int version = conn.ServerVersionNum();
    QString table = t->TableName, schema = t->TableSchema;
    auto open = [&](tv::db::Query &q) {
        q.ParamByName(QStringLiteral("NAME")).Value = table;
        q.ParamByName(QStringLiteral("SCHEMANM")).Value = schema;
        q.Open();
    };
    tv::db::Query cols(&conn);
    cols.SetSQL(ColumnSQL(version));
    open(cols);
    if (cols.IsEmpty()) {
        bool edb = false;
        try {
            edb = conn.ExecScalar(QStringLiteral("SELECT version()")).toLower().contains(QLatin1String("enterprisedb"));
        } catch (const tv::Error &) {
        }
        if (edb) {
            tv::db::Query syn(&conn);
            syn.SetSQL(SynonymSQL());
            for (const QString &owner : {schema, QStringLiteral("public")}) {
                syn.ParamByName(QStringLiteral("AOWNER")).Value = owner;
                syn.ParamByName(QStringLiteral("ANAME")).Value = t->TableName;
                syn.Open();
                if (!syn.IsEmpty()) {
                    table = syn.Results()->text(0, 0);
                    schema = syn.Results()->text(0, 1);
                    break;
                }
            }
        }
    }
    QStringList keys;
    {
        tv::db::Query k(&conn);
        k.SetSQL(KeySQL());
        open(k);
        for (int r = 0; k.Results() && r < k.Results()->rowCount(); ++r)
            keys << k.Results()->text(r, 0);
    }
    open(cols);
    for (int r = 0; cols.Results() && r < cols.Results()->rowCount(); ++r) {
        const QString c = cols.Results()->text(r, 0);
        t->Columns << c;
    }
    t->Keys = QList<bool>(t->Columns.size(), false);
    for (int i = 0; i < t->Columns.size(); ++i)
        t->Keys[i] = t->Columns[i] != QLatin1String("*") && keys.contains(t->Columns[i], Qt::CaseInsensitive);
}

void TtvSQLDesigner::DeleteTable(TtvSQLBuildTable *table)
{
    if (!table || !FTables.contains(table))
        return;
    if (FSelected == table)
        SetSelected(nullptr);
    const QString alias = table->Alias();
    GridToDesign();
    FTables.removeAll(table);
    FDesign.RemoveTable(table->Data());
    delete table;
    if (!FDestroying) {
        FDesign.RemoveTableRows(alias);
        DesignToGrid();
        widget()->update();
        DesignToSQL();
    }
}

// ---------------------------------------------------------------------------
// Text

bool TtvSQLDesigner::InStep() const
{
    return FSQLText && FSQLText->Lines()->Text() == FLastText;
}

void TtvSQLDesigner::DesignToSQL()
{
    if (SQLDesign || !FDatabase || !FGrid || !FSQLText)
        return;
    SQLDesign = true;
    struct Finish {
        TtvSQLDesigner *d;
        ~Finish()
        {
            QApplication::restoreOverrideCursor();
            TtvMemo *m = d->FSQLText;
            if (!m->Modified() && !m->Lines()->Text().isEmpty())
                m->SetModified(true);
            m->SetRowCol(0, 0);
            d->FLastText = m->Lines()->Text();
            d->FGrid->Save();
            d->SQLDesign = false;
            d->CheckInStep();
        }
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Finish finish{this};
    GridToDesign();
    const QString text = FDesign.DesignToSQL();
    DesignToGrid();
    FSQLText->BeginUpdate();
    const bool modified = FSQLText->Modified();
    FSQLText->Lines()->SetText(text);
    FSQLText->SetModified(modified);
    FSQLText->EndUpdate();
}

void TtvSQLDesigner::SQLToDesign()
{
    if (SQLDesign || !FDatabase || !FGrid || !FSQLText)
        return;
    const QString text = FSQLText->Lines()->Text();
    if (text == FLastText)
        return;
    SQLDesign = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Finish {
        TtvSQLDesigner *d;
        QString text;
        ~Finish()
        {
            QApplication::restoreOverrideCursor();
            d->FLastText = text;
            d->DesignToGrid();
            d->FGrid->Save();
            d->SQLDesign = false;
            d->CheckInStep();
            d->widget()->update();
        }
    } finish{this, text};
    Clear();
    FDesign.ClearGrid();
    try {
        FDesign.SQLToDesign(text, [this](const QString &name, const QString &alias) {
            return AddTable(name, alias)->Data();
        });
    } catch (const ESQLParseError &e) {
        // Tables read before the failure go with it: the design stays empty.
        Clear();
        FDesign.ClearGrid();
        ShowMessageBox(e.text(), tv::ui::MB_ICONWARNING | tv::ui::MB_OK);
        return;
    }
    SetSQLType(FDesign.SQLType);
    for (TtvSQLBuildTable *t : std::as_const(FTables))
        t->edtAlias->setEnabled(IsSelectKind(SQLType()));
}

void TtvSQLDesigner::CheckInStep()
{
    if (FTables.isEmpty() || SQLDesign)
        return;
    const bool in = InStep();
    for (TtvSQLBuildTable *t : std::as_const(FTables)) {
        const QWidget *f = QApplication::focusWidget();
        if (f && (f == t || t->isAncestorOf(f)))
            continue;
        t->setEnabled(in);
    }
}

void TtvSQLDesigner::AliasChanged(TtvSQLBuildTable *table)
{
    const QString now = table->edtAlias->text();
    table->Data()->AliasText = now;
    if (SQLDesign)
        return;
    if (now != table->FEnteredAlias && !table->FEnteredAlias.isEmpty()) {
        GridToDesign();
        FDesign.RenameAlias(table->FEnteredAlias, now);
        DesignToGrid();
        table->FEnteredAlias = now;
        DesignToSQL();
    } else {
        table->FEnteredAlias = now;
    }
}

// ---------------------------------------------------------------------------
// Columns and joins

void TtvSQLDesigner::AddColumnRows(TtvSQLBuildTable *table, const QStringList &columns, bool fromDrop)
{
    if (SQLDesign || !FGrid)
        return;
    GridToDesign();
    for (const QString &c : columns)
        FDesign.AppendColumnRow(*table->Data(), c, fromDrop);
    DesignToGrid();
    DesignToSQL();
}

void TtvSQLDesigner::ConnectColumns(TtvSQLBuildTable *from, const QString &fromColumn, TtvSQLBuildTable *to,
                                    const QString &toColumn)
{
    if (SQLDesign || !FGrid || from == to)
        return;
    FDesign.AddConnect(from->Data(), fromColumn, to->Data(), toColumn);
    RepaintLines();
    DesignToSQL();
}

QMimeData *TtvSQLDesigner::ColumnMime(TtvSQLBuildTable *table) const
{
    auto *mime = new QMimeData;
    QStringList lines{QString::number(reinterpret_cast<quintptr>(this)),
                      QString::number(reinterpret_cast<quintptr>(table)),
                      table->ItemList->currentItem() ? table->ItemList->currentItem()->text() : QString()};
    for (int i = 0; i < table->ItemList->count(); ++i)
        if (table->ItemList->item(i)->isSelected())
            lines << table->ItemList->item(i)->text();
    mime->setData(kColumnMime, lines.join(QLatin1Char('\n')).toUtf8());
    return mime;
}

TtvSQLBuildTable *TtvSQLDesigner::MimeSource(const QMimeData *mime, QStringList *selected, QString *current) const
{
    if (!mime || !mime->hasFormat(kColumnMime))
        return nullptr;
    const QStringList lines = QString::fromUtf8(mime->data(kColumnMime)).split(QLatin1Char('\n'));
    if (lines.size() < 3 || lines[0] != QString::number(reinterpret_cast<quintptr>(this)))
        return nullptr;
    for (TtvSQLBuildTable *t : FTables) {
        if (QString::number(reinterpret_cast<quintptr>(t)) == lines[1]) {
            if (selected)
                *selected = lines.mid(3);
            if (current)
                *current = lines[2];
            return t;
        }
    }
    return nullptr;
}

bool TtvSQLDesigner::eventFilter(QObject *watched, QEvent *event)
{
    // Columns dragged onto the grid become rows.
    if (FGrid && watched == FGrid->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *e = static_cast<QDragMoveEvent *>(event);
            QStringList selected;
            if (MimeSource(e->mimeData(), &selected, nullptr) && !selected.isEmpty()) {
                e->setDropAction(Qt::CopyAction);
                e->accept();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto *e = static_cast<QDropEvent *>(event);
            QStringList selected;
            if (TtvSQLBuildTable *t = MimeSource(e->mimeData(), &selected, nullptr); t && !selected.isEmpty()) {
                e->setDropAction(Qt::CopyAction);
                e->accept();
                tv::ui::Guard([&] { AddColumnRows(t, selected, true); });
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Lines and the mouse

void TtvSQLDesigner::CalcLines(TtvSQLBuildConnect *c) const
{
    auto rowY = [](const TtvSQLBuildTable *t, const QString &column) {
        const QList<QListWidgetItem *> found = t->ItemList->findItems(column, Qt::MatchExactly);
        if (found.isEmpty())
            return -1;
        const QRect r = t->ItemList->visualItemRect(found.first());
        const QPoint listTop = t->ItemList->viewport()->mapTo(t, QPoint(0, 0));
        return sqldesign::RowLineY(0, t->y(), listTop.y(), r.top(), r.bottom() + 1, t->ItemList->viewport()->height());
    };
    const TtvSQLBuildTable *from = TableOf(c->FromTable);
    const TtvSQLBuildTable *to = TableOf(c->ToTable);
    if (!from || !to)
        return;
    c->CalcLines(from->geometry(), rowY(from, c->FromColumn), to->geometry(), rowY(to, c->ToColumn));
}

TtvSQLBuildConnect *TtvSQLDesigner::ConnectAt(QPoint surface) const
{
    for (const auto &c : FDesign.Connects)
        if (c->HitTest(surface))
            return c.get();
    return nullptr;
}

void TtvSQLDesigner::RepaintLines()
{
    if (!FDesign.Connects.empty())
        widget()->update();
}

void TtvSQLDesigner::PaintSurface(QPainter &p)
{
    p.fillRect(widget()->rect(), QApplication::palette().color(QPalette::Button));
    p.setPen(Qt::black);
    p.setFont(font());
    for (const auto &c : FDesign.Connects) {
        CalcLines(c.get());
        const auto &pt = c->Points;
        p.drawLine(pt[0], pt[1]);
        p.drawLine(pt[1], pt[2]);
        p.drawLine(pt[2], pt[3]);
        const TtvSQLBuildTable *from = TableOf(c->FromTable);
        const TtvSQLBuildTable *to = TableOf(c->ToTable);
        const bool left = from && to && c->ToIsLeft(from->geometry(), to->geometry());
        const QString label = sqldesign::JoinLabel(c->ConnectType, c->JoinType, left);
        const QPoint mid = (pt[1] + pt[2]) / 2;
        const QRect box = p.fontMetrics().boundingRect(label);
        p.drawText(QRect(mid.x() - box.width() / 2, mid.y() - box.height() / 2, box.width() + 2, box.height()),
                   Qt::AlignCenter, label);
    }
}

void TtvSQLDesigner::SurfaceMouse(QMouseEvent *e)
{
    const QPoint p = e->position().toPoint();
    switch (e->type()) {
    case QEvent::MouseButtonPress:
        setFocus();
        break;
    case QEvent::MouseButtonRelease:
        EndMove();
        break;
    case QEvent::MouseButtonDblClick:
        if (TtvSQLBuildConnect *c = ConnectAt(p); c && OnConnectDblClick)
            tv::ui::Guard([&] { OnConnectDblClick(this, c); });
        break;
    case QEvent::MouseMove:
        if (FMoving)
            MoveSelected(e->globalPosition().toPoint());
        else
            widget()->setCursor(ConnectAt(p) ? Qt::PointingHandCursor : Qt::ArrowCursor);
        break;
    default:
        break;
    }
}

void TtvSQLDesigner::BeginMove(TtvSQLBuildTable *table, QPoint global)
{
    table->raise();
    setFocus();
    SetSelected(table);
    FMoving = true;
    FDragStart = global;
}

void TtvSQLDesigner::MoveSelected(QPoint global)
{
    if (!FMoving || !FSelected)
        return;
    const QPoint d = global - FDragStart;
    FSelected->move(std::max(0, FSelected->x() + d.x()), std::max(0, FSelected->y() + d.y()));
    FDragStart = global;
    RepaintLines();
}

void TtvSQLDesigner::EndMove() { FMoving = false; }
