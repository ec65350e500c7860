// The query builder panel of the SQL window: the designer with its tool
// bar, the column grid with its own, the statement kinds and the commands
// that add and remove tables.
#include "sql/frmSQL.h"

#include "common/Globals.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "controls/tvStringGrid.h"
#include "editor/tvMemo.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Font.h"
#include "platform/ui/Guard.h"
#include "shell/ListItemImage.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/frmSQLBldConnect.h"
#include "sql/frmTableList.h"
#include "sql/tvSQLDesigner.h"

#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const TtvSQLType kKinds[] = {sqltSelect, sqltInsert, sqltUpdate, sqltDelete, sqltCreateView};
} // namespace

void TfrmSQL::CreateBuilder()
{
    IMainWindow *main = MainWindow();
    auto img = [main](int i) { return main ? main->ButtonImage(i) : QIcon(); };
    auto *buildLay = new QVBoxLayout(pnlBuild);
    buildLay->setContentsMargins(0, 0, 0, 0);
    splDesign = new QSplitter(Qt::Vertical, pnlBuild);
    splDesign->setObjectName(QStringLiteral("splDesign"));
    splDesign->setChildrenCollapsible(false);
    buildLay->addWidget(splDesign);

    actInsTable = new QAction(img(39), QStringLiteral("テーブル追加(&I)"), this);
    actInsTable->setObjectName(QStringLiteral("actInsTable"));
    actInsTable->setToolTip(QStringLiteral("テーブル追加"));
    actInsTable->setStatusTip(QStringLiteral("テーブル追加"));
    actDelTable = new QAction(img(40), QStringLiteral("テーブル削除(&D)"), this);
    actDelTable->setObjectName(QStringLiteral("actDelTable"));
    actDelTable->setToolTip(QStringLiteral("テーブル削除"));
    actDelTable->setStatusTip(QStringLiteral("テーブル削除"));

    auto vbar = [](QWidget *parent, const char *name) {
        auto *bar = new QToolBar(parent);
        bar->setObjectName(QLatin1String(name));
        bar->setOrientation(Qt::Vertical);
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        return bar;
    };
    auto button = [](QToolBar *bar, const char *name, const QIcon &icon, const QString &hint, QAction *a) {
        auto *b = new QToolButton(bar);
        b->setObjectName(QLatin1String(name));
        if (a)
            b->setDefaultAction(a);
        else {
            b->setIcon(icon);
            b->setToolTip(hint);
            b->setText(hint);
        }
        bar->addWidget(b);
        return b;
    };

    // Designer with its tool bar.
    pnlDesign = new QWidget(splDesign);
    pnlDesign->setObjectName(QStringLiteral("pnlDesign"));
    auto *designLay = new QHBoxLayout(pnlDesign);
    designLay->setContentsMargins(0, 0, 0, 0);
    designLay->setSpacing(0);
    tolDesign = vbar(pnlDesign, "tolDesign");
    btnSQLType = button(tolDesign, "btnSQLType", img(10), QStringLiteral("SQLタイプ選択"), nullptr);
    btnInsTable = button(tolDesign, "btnInsTable", QIcon(), QString(), actInsTable);
    btnDelTable = button(tolDesign, "btnDelTable", QIcon(), QString(), actDelTable);
    SQLDesign = new TtvSQLDesigner(pnlDesign);
    SQLDesign->setFont(tv::ui::MakeFont(tvOption.DiagramFontName, tvOption.DiagramFontSize));
    designLay->addWidget(tolDesign);
    designLay->addWidget(SQLDesign, 1);

    // Column grid with its tool bar.
    pnlColumn = new QWidget(splDesign);
    pnlColumn->setObjectName(QStringLiteral("pnlColumn"));
    auto *colLay = new QHBoxLayout(pnlColumn);
    colLay->setContentsMargins(0, 0, 0, 0);
    colLay->setSpacing(0);
    grdColumn = new TtvStringGrid(pnlColumn);
    grdColumn->setObjectName(QStringLiteral("grdColumn"));
    tolColumn = vbar(pnlColumn, "tolColumn");
    btnInsColumn = button(tolColumn, "btnInsColumn", img(39), QStringLiteral("列の追加"), nullptr);
    btnDelColumn = button(tolColumn, "btnDelColumn", img(40), QStringLiteral("列の削除"), nullptr);
    btnUpColumn = button(tolColumn, "btnUpColumn", img(35), QStringLiteral("上に移動"), nullptr);
    btnDownColumn = button(tolColumn, "btnDownColumn", img(36), QStringLiteral("下に移動"), nullptr);
    colLay->addWidget(grdColumn, 1);
    colLay->addWidget(tolColumn);
    splDesign->setStretchFactor(0, 1);
    splDesign->setStretchFactor(1, 1);

    grdColumn->SetGridMode(geAccess);
    grdColumn->setFont(tv::ui::MakeFont(tvOption.GridFontName, tvOption.GridFontSize));
    grdColumn->SetDefaultRowHeight(std::max(tvOption.GridFontSize + 6, grdColumn->fontMetrics().height() + 4));
    SQLDesign->SetGrid(grdColumn);
    grdColumn->SetColWidths(0, 160);
    SQLDesign->SetSQLText(txtSQL);

    // Menus.
    popSQLDesign = new QMenu(this);
    popSQLDesign->setObjectName(QStringLiteral("popSQLDesign"));
    popSQLDesign->addActions({actInsTable, actDelTable});
    SQLDesign->Surface()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(SQLDesign->Surface(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { popSQLDesign->popup(SQLDesign->Surface()->mapToGlobal(p)); });
    popSQLType = new QMenu(this);
    popSQLType->setObjectName(QStringLiteral("popSQLType"));
    auto *kinds = new QActionGroup(popSQLType);
    const QStringList names{QStringLiteral("SELECT"), QStringLiteral("INSERT"), QStringLiteral("UPDATE"),
                            QStringLiteral("DELETE"), QStringLiteral("CREATE VIEW")};
    for (int i = 0; i < names.size(); ++i) {
        QAction *a = popSQLType->addAction(names[i]);
        a->setCheckable(true);
        kinds->addAction(a);
        connect(a, &QAction::triggered, this, tv::ui::Guarded([this, i] { popSQLTypeClick(i); }));
    }
    connect(popSQLType, &QMenu::aboutToShow, this, [this] {
        const QList<QAction *> items = popSQLType->actions();
        for (int i = 0; i < items.size(); ++i)
            items[i]->setChecked(kKinds[i] == SQLDesign->SQLType());
    });

    using tv::ui::Guarded;
    connect(btnSQLType, &QToolButton::clicked, this, Guarded([this] { btnSQLTypeClick(); }));
    connect(actInsTable, &QAction::triggered, this, Guarded([this] { actInsTableExecute(); }));
    connect(actDelTable, &QAction::triggered, this, Guarded([this] { actDelTableExecute(); }));
    connect(btnInsColumn, &QToolButton::clicked, this, Guarded([this] { btnInsColumnClick(); }));
    connect(btnDelColumn, &QToolButton::clicked, this, Guarded([this] { btnDelColumnClick(); }));
    connect(btnUpColumn, &QToolButton::clicked, this, Guarded([this] { btnUpColumnClick(); }));
    connect(btnDownColumn, &QToolButton::clicked, this, Guarded([this] { btnDownColumnClick(); }));
    SQLDesign->OnConnectDblClick = [this](QObject *, TtvSQLBuildConnect *c) { SQLDesignConnectDblClick(c); };
    SQLDesign->OnAcceptObjects = [this](QObject *source) { return DropObjects(source, false); };
    SQLDesign->OnDropObjects = [this](QObject *source) { tv::ui::Guard([&] { DropObjects(source, true); }); };
}

void TfrmSQL::RereadDesign()
{
    if (SQLDesign && !pnlBuild->isHidden())
        tv::ui::Guard([this] { SQLDesign->SQLToDesign(); });
}

void TfrmSQL::UpdateBuilderActions()
{
    if (!SQLDesign)
        return;
    const TtvSQLType kind = SQLDesign->SQLType();
    actInsTable->setEnabled(SQLDesign->Tables().isEmpty() || kind == sqltSelect || kind == sqltCreateView);
    actDelTable->setEnabled(SQLDesign->Selected() != nullptr);
}

void TfrmSQL::btnSQLTypeClick()
{
    popSQLType->popup(btnSQLType->mapToGlobal(QPoint(0, btnSQLType->height())));
}

void TfrmSQL::popSQLTypeClick(int kind)
{
    const TtvSQLType now = SQLDesign->SQLType();
    // Between SELECT and CREATE VIEW the design stays.
    auto change = [this, now](TtvSQLType to) {
        const bool keep = (now == sqltCreateView && to == sqltSelect) || (now == sqltSelect && to == sqltCreateView);
        if (keep)
            SQLDesign->SQLDesign = true;
        SQLDesign->SetSQLType(to);
        if (keep)
            SQLDesign->SQLDesign = false;
    };
    switch (kind) {
    case 0:
        change(sqltSelect);
        SQLDesign->DesignToSQL();
        break;
    case 1:
    case 2:
    case 3:
        SQLDesign->SetSQLType(kKinds[kind]);
        break;
    case 4: {
        QString name = SQLDesign->ViewName();
        if (!tv::ui::CurrentDialogs().inputQuery(tv::ui::ApplicationTitle(), QStringLiteral("ビュー名"), name))
            return;
        SQLDesign->SetViewName(name);
        change(sqltCreateView);
        SQLDesign->DesignToSQL();
        break;
    }
    default:
        break;
    }
    UpdateBuilderActions();
}

void TfrmSQL::actInsTableExecute()
{
    QStringList names;
    if (!TfrmTableList::ShowWindow(OwnerForm(), names) || names.isEmpty())
        return;
    const TtvSQLType kind = SQLDesign->SQLType();
    if (kind != sqltSelect && kind != sqltCreateView)
        names = names.mid(0, 1);
    for (const QString &n : std::as_const(names))
        SQLDesign->AddTable(n);
    SQLDesign->DesignToSQL();
    UpdateBuilderActions();
}

void TfrmSQL::actDelTableExecute()
{
    SQLDesign->DeleteTable(SQLDesign->Selected());
    UpdateBuilderActions();
}

void TfrmSQL::SQLDesignConnectDblClick(TtvSQLBuildConnect *AConnect)
{
    if (!TfrmSQLBldConnect::ShowWindow(SQLDesign->Design(), AConnect))
        return;
    SQLDesign->Surface()->update();
    SQLDesign->DesignToSQL();
}

bool TfrmSQL::DropObjects(QObject *source, bool add)
{
    auto *list = qobject_cast<TtvListView *>(source);
    if (!list)
        return false;
    const bool workspace = frmMain && list == frmMain->lstWorkSpace;
    auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
    const bool objects = form && list == form->lstObject;
    if (!workspace && !objects)
        return false;
    if (!add)
        return true;
    bool added = false;
    for (TtvListItem *item : list->SelectedItems()) {
        const int image = ItemImageIndex(item);
        if (image != 45 && image != 47)
            continue;
        SQLDesign->AddTable(workspace ? item->SubItem(1) + QLatin1Char('.') + item->SubItem(0)
                                      : item->SubItem(0) + QLatin1Char('.') + item->Caption());
        added = true;
    }
    if (added)
        SQLDesign->DesignToSQL();
    UpdateBuilderActions();
    return true;
}

void TfrmSQL::btnInsColumnClick()
{
    grdColumn->setFocus();
    const int row = std::max(1, grdColumn->Row());
    grdColumn->InsertRow(row);
    grdColumn->SetRows(row, QStringList(gcCount, QString()));
}

void TfrmSQL::btnDelColumnClick()
{
    const int row = grdColumn->Row();
    if (row < 1)
        return;
    if (row < grdColumn->RowCount() - 1)
        grdColumn->DeleteRow(row);
    if (grdColumn->Row() == grdColumn->RowCount() - 1)
        grdColumn->SetRows(grdColumn->Row(), QStringList(gcCount, QString()));
    SQLDesign->DesignToSQL();
}

void TfrmSQL::btnUpColumnClick()
{
    const int row = grdColumn->Row();
    if (row > 1) {
        grdColumn->MoveRow(row, row - 1);
        grdColumn->MoveCurrent(grdColumn->Col(), row - 1);
    }
    SQLDesign->DesignToSQL();
}

void TfrmSQL::btnDownColumnClick()
{
    const int row = grdColumn->Row();
    if (row >= 1 && row < grdColumn->RowCount() - 2) {
        grdColumn->MoveRow(row, row + 1);
        grdColumn->MoveCurrent(grdColumn->Col(), row + 1);
    }
    SQLDesign->DesignToSQL();
}
