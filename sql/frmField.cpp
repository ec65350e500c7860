#include "sql/frmField.h"

#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/Quote.h"
#include "common/SQLFormatter.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "common/WindowPlacement.h"
#include "controls/tvListView.h"
#include "platform/db/Query.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WindowMessage.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/FieldSQL.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kSettingsKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\FIELD");
constexpr int kTypeRole = Qt::UserRole + 1;

struct OverrideCursor {
    explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
};


} // namespace

// ---------------------------------------------------------------------------
// Construction

void TfrmField::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actViewField"), [](const TLaunchContext &c) -> QWidget * {
        if (!c.Connection)
            return nullptr;
        return ShowWindow(c.Connection, c.Schema, c.ObjectName);
    });
}

TfrmField *TfrmField::ShowWindow(TfrmObject *AOwner, const QString &TableSchema, const QString &TableName)
{
    if (!AOwner)
        return nullptr;
    OverrideCursor cursor(Qt::WaitCursor);
    auto *w = qobject_cast<TfrmField *>(AOwner->FieldWindow.data());
    if (!w) {
        w = new TfrmField(AOwner);
        AOwner->FieldWindow = w;
    }
    w->FillOwner(TableSchema);
    w->LoadTableList();
    if (!TableName.isEmpty() && !w->SelectTable(TableName)) {
        w->SelectOwner(QStringLiteral("public"));
        w->LoadTableList();
        if (!w->SelectTable(TableName)) {
            w->SelectOwner(AOwner->dbsMain().Params().MetaDefSchema);
            w->LoadTableList();
        }
    }
    w->show();
    w->raise();
    w->activateWindow();
    w->lstTable->setFocus();
    w->FLastList = w->lstTable;
    if (!w->lstTable->selectedItems().isEmpty())
        w->LoadColumnList();
    return w;
}

TfrmField::TfrmField(TfrmObject *AOwner) : QWidget(AOwner, Qt::Window | Qt::WindowStaysOnTopHint), FOwner(AOwner)
{
    setObjectName(QStringLiteral("frmField"));
    const tv::db::ConnectionParams &p = AOwner->dbsMain().Params();
    setWindowTitle(QStringLiteral("表・列 - ") + p.MetaDefSchema + QStringLiteral(" @ ") + p.Database +
                   QStringLiteral(" / ") + p.Server + QStringLiteral(" : ") + p.value(QStringLiteral("Port")));
    setWindowIcon(MainWindowImage(12));
    IMainWindow *main = MainWindow();
    auto buttonImage = [main](int i) { return main ? main->ButtonImage(i) : QIcon(); };

    // Schema and kinds.
    cmbOwner = new QComboBox(this);
    cmbOwner->setObjectName(QStringLiteral("cmbOwner"));
    cmbOwner->setMaxVisibleItems(20);
    cmbOwner->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto kind = [this](const char *name, const QString &hint, int image) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(hint);
        b->setIcon(MainWindowImage(image));
        b->setCheckable(true);
        b->setChecked(true);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, tv::ui::Guarded([this, b] { chkButtonClick(b); }));
        return b;
    };
    btnTable = kind("btnTable", QStringLiteral("テーブル表示"), 45);
    btnView = kind("btnView", QStringLiteral("ビュー表示"), 47);
    btnMView = kind("btnMView", QStringLiteral("マテリアライズドビュー表示"), 61);
    btnSynonym = kind("btnSynonym", QStringLiteral("シノニム表示"), 60);
    if (AOwner->DBVer() < 90300) {
        btnMView->setChecked(false);
        btnMView->hide();
    }
    if (!AOwner->g_bPostgresPlus()) {
        btnSynonym->setChecked(false);
        btnSynonym->hide();
    }
    auto *top = new QHBoxLayout;
    top->setContentsMargins(2, 2, 2, 2);
    top->addWidget(cmbOwner, 1);
    for (QToolButton *b : {btnTable, btnView, btnMView, btnSynonym})
        top->addWidget(b);

    // Lists with their find boxes.
    splField = new QSplitter(Qt::Horizontal, this);
    splField->setObjectName(QStringLiteral("splField"));
    splField->setChildrenCollapsible(false);
    auto *tablePane = new QWidget(splField);
    auto *tableLay = new QVBoxLayout(tablePane);
    tableLay->setContentsMargins(0, 0, 0, 0);
    auto *findT = new QHBoxLayout;
    findT->addWidget(new QLabel(QStringLiteral("検索"), tablePane));
    txtFindTable = new QLineEdit(tablePane);
    txtFindTable->setObjectName(QStringLiteral("txtFindTable"));
    findT->addWidget(txtFindTable, 1);
    tableLay->addLayout(findT);
    lstTable = new QListWidget(tablePane);
    lstTable->setObjectName(QStringLiteral("lstTable"));
    lstTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstTable->setSortingEnabled(true);
    lstTable->setMinimumWidth(30);
    tableLay->addWidget(lstTable, 1);
    auto *columnPane = new QWidget(splField);
    auto *columnLay = new QVBoxLayout(columnPane);
    columnLay->setContentsMargins(0, 0, 0, 0);
    auto *findC = new QHBoxLayout;
    findC->addWidget(new QLabel(QStringLiteral("検索"), columnPane));
    txtFindColumn = new QLineEdit(columnPane);
    txtFindColumn->setObjectName(QStringLiteral("txtFindColumn"));
    findC->addWidget(txtFindColumn, 1);
    columnLay->addLayout(findC);
    lstColumn = new TtvListView(columnPane);
    lstColumn->setObjectName(QStringLiteral("lstColumn"));
    lstColumn->AddColumn(QStringLiteral("名前"), 111);
    lstColumn->AddColumn(QStringLiteral("型"), 112);
    lstColumn->SetMultiSelect(true);
    lstColumn->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstColumn->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstColumn->header()->setStretchLastSection(false);
    lstColumn->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    columnLay->addWidget(lstColumn, 1);

    // Copy and exit.
    popField = new QMenu(this);
    popField->setObjectName(QStringLiteral("popField"));
    mnuCopy = popField->addAction(QStringLiteral("コピー(&C)"));
    mnuCopy->setObjectName(QStringLiteral("mnuCopy"));
    popField->addSeparator();
    mnuCopySelect = popField->addAction(QStringLiteral("SELECT文生成"));
    mnuCopySelect->setObjectName(QStringLiteral("mnuCopySelect"));
    mnuCopyInsert = popField->addAction(QStringLiteral("INSERT文生成"));
    mnuCopyInsert->setObjectName(QStringLiteral("mnuCopyInsert"));
    mnuCopyUpdate = popField->addAction(QStringLiteral("UPDATE文生成"));
    mnuCopyUpdate->setObjectName(QStringLiteral("mnuCopyUpdate"));
    if (frmMain)
        if (QAction *copy = frmMain->Action(QStringLiteral("actEditCopy")))
            mnuCopy->setShortcut(copy->shortcut());
    mnuCopy->setShortcutContext(Qt::WindowShortcut);
    addAction(mnuCopy);
    btnCopy = new QToolButton(this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    btnCopy->setText(QStringLiteral("コピー(&C)"));
    btnCopy->setIcon(buttonImage(21));
    btnCopy->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnCopy->setPopupMode(QToolButton::MenuButtonPopup);
    btnCopy->setMenu(popField);
    btnExit = new QToolButton(this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setText(QStringLiteral("終了(&X)"));
    btnExit->setIcon(buttonImage(42));
    btnExit->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(2, 2, 2, 2);
    bottom->addStretch(1);
    bottom->addWidget(btnCopy);
    bottom->addWidget(btnExit);
    for (QWidget *l : {static_cast<QWidget *>(lstTable), static_cast<QWidget *>(lstColumn)}) {
        l->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(l, &QWidget::customContextMenuRequested, this,
                [this, l](const QPoint &pos) { popField->popup(l->mapToGlobal(pos)); });
    }

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addLayout(top);
    lay->addWidget(splField, 1);
    lay->addLayout(bottom);

    // Events.
    using tv::ui::Guarded;
    connect(mnuCopy, &QAction::triggered, this, Guarded([this] { mnuCopyClick(); }));
    connect(btnCopy, &QToolButton::clicked, this, Guarded([this] { mnuCopyClick(); }));
    connect(mnuCopySelect, &QAction::triggered, this, Guarded([this] { mnuCopySelectClick(); }));
    connect(mnuCopyInsert, &QAction::triggered, this, Guarded([this] { mnuCopyInsertClick(); }));
    connect(mnuCopyUpdate, &QAction::triggered, this, Guarded([this] { mnuCopyUpdateClick(); }));
    connect(btnExit, &QToolButton::clicked, this, [this] { close(); });
    connect(cmbOwner, &QComboBox::activated, this, Guarded([this](int) { LoadTableList(); }));
    connect(lstTable, &QListWidget::itemClicked, this, Guarded([this] { LoadColumnList(); }));
    connect(lstTable, &QListWidget::itemSelectionChanged, this, [this] { UpdateMenu(); });
    connect(lstColumn, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        if (auto *i = dynamic_cast<TtvListItem *>(item))
            lstColumn->setToolTip(i->SubItem(1));
    });
    for (QLineEdit *e : {txtFindTable, txtFindColumn}) {
        e->installEventFilter(this);
        connect(e, &QLineEdit::textEdited, this, [e](const QString &t) {
            // Typed letters are folded to lower case unless names keep their case.
            if (tvOption.UseLowerName || t == t.toLower())
                return;
            const int pos = e->cursorPosition();
            e->setText(t.toLower());
            e->setCursorPosition(pos);
        });
    }
    lstTable->installEventFilter(this);
    lstColumn->installEventFilter(this);

    qryTable = std::make_unique<tv::db::Query>(&AOwner->dbsMain());
    qryColumn = std::make_unique<tv::db::Query>(&AOwner->dbsMain());
    qryIndex = std::make_unique<tv::db::Query>(&AOwner->dbsMain());
    qrySynonym = std::make_unique<tv::db::Query>(&AOwner->dbsMain());
    qryColumn->SetSQL(fieldsql::ColumnSQL(AOwner->DBVer()));
    qryIndex->SetSQL(fieldsql::PrimaryKeySQL());
    qrySynonym->SetSQL(fieldsql::SynonymSQL(AOwner->DBVer()));
    LoadSettings();
    UpdateMenu();
}

TfrmField::~TfrmField()
{
    // Freed with the connection window, whose FieldWindow pointer clears itself.
    SaveSettings();
}

// ---------------------------------------------------------------------------
// Schema and table lists

void TfrmField::FillOwner(const QString &TableSchema)
{
    QStringList names;
    FOwner->GetSchemaInfo(names, false);
    names.sort();
    cmbOwner->clear();
    // The names are shown folded to lower case unless names keep their case;
    // the real name stays with the item and is what the queries get.
    for (const QString &n : names)
        cmbOwner->addItem(tvOption.UseLowerName ? n : n.toLower(), n);
    SelectOwner(FOwner->dbsMain().Params().MetaDefSchema);
    if (!TableSchema.isEmpty() && TableSchema.compare(SelectedSchema(), Qt::CaseInsensitive) != 0)
        SelectOwner(TableSchema);
}

bool TfrmField::SelectOwner(const QString &name)
{
    int at = cmbOwner->findData(name);
    for (int i = 0; i < cmbOwner->count() && at < 0; ++i)
        if (cmbOwner->itemData(i).toString().compare(name, Qt::CaseInsensitive) == 0)
            at = i;
    cmbOwner->setCurrentIndex(at);
    return at >= 0;
}

QString TfrmField::SelectedSchema() const
{
    return cmbOwner->currentIndex() < 0 ? QString() : cmbOwner->currentData().toString();
}

bool TfrmField::SelectTable(const QString &name)
{
    QListWidgetItem *found = nullptr;
    for (int i = 0; i < lstTable->count() && !found; ++i)
        if (lstTable->item(i)->text() == name)
            found = lstTable->item(i);
    for (int i = 0; i < lstTable->count() && !found; ++i)
        if (lstTable->item(i)->text().compare(name, Qt::CaseInsensitive) == 0)
            found = lstTable->item(i);
    if (!found)
        return false;
    lstTable->clearSelection();
    lstTable->setCurrentItem(found);
    found->setSelected(true);
    lstTable->scrollToItem(found);
    return true;
}

QStringList TfrmField::SelectedTables() const
{
    QStringList l;
    for (int i = 0; i < lstTable->count(); ++i)
        if (lstTable->item(i)->isSelected())
            l << lstTable->item(i)->text();
    return l;
}

void TfrmField::chkButtonClick(QToolButton *button)
{
    if (!btnTable->isChecked() && !btnView->isChecked() && !btnMView->isChecked() && !btnSynonym->isChecked())
        button->setChecked(true);
    LoadTableList();
}

void TfrmField::LoadTableList()
{
    OverrideCursor cursor(Qt::WaitCursor);
    lstTable->setUpdatesEnabled(false);
    lstColumn->setUpdatesEnabled(false);
    struct Restore {
        QWidget *a, *b;
        ~Restore()
        {
            a->setUpdatesEnabled(true);
            b->setUpdatesEnabled(true);
        }
    } restore{lstTable, lstColumn};
    lstTable->clear();
    lstColumn->clear();
    UpdateMenu();
    const QString schema = SelectedSchema();
    const QString sql = fieldsql::TableListSQL(btnTable->isChecked(), btnView->isChecked(),
                                               btnMView->isChecked() && !btnMView->isHidden(),
                                               btnSynonym->isChecked() && !btnSynonym->isHidden());
    if (schema.isEmpty() || sql.isEmpty())
        return;
    qryTable->Close();
    qryTable->SetSQL(sql);
    qryTable->ParamByName(QStringLiteral("SCHEMA")).setAsString(schema);
    qryTable->Open();
    const QString find = txtFindTable->text().trimmed().toLower();
    lstTable->setSortingEnabled(false);
    QHash<int, QIcon> icons;
    for (qryTable->First(); !qryTable->Eof(); qryTable->Next()) {
        const QString name = qryTable->Fields(0).AsString();
        if (!find.isEmpty() && !name.toLower().contains(find))
            continue;
        const int type = ObjectTypeFromName(qryTable->Fields(1).AsString());
        auto icon = icons.find(type);
        if (icon == icons.end())
            icon = icons.insert(type, MainWindowImage(type));
        auto *item = new QListWidgetItem(*icon, name);
        item->setData(kTypeRole, type);
        lstTable->addItem(item);
    }
    qryTable->Close();
    lstTable->setSortingEnabled(true);
    lstTable->sortItems();
}

void TfrmField::LoadColumnList()
{
    QList<QListWidgetItem *> tables;
    for (int i = 0; i < lstTable->count(); ++i)
        if (lstTable->item(i)->isSelected())
            tables << lstTable->item(i);
    if (tables.isEmpty())
        return;
    OverrideCursor cursor(Qt::WaitCursor);
    lstColumn->setUpdatesEnabled(false);
    struct Restore {
        QWidget *a;
        ~Restore() { a->setUpdatesEnabled(true); }
    } restore{lstColumn};
    lstColumn->clear();
    const QString schema = SelectedSchema();
    const QString find = txtFindColumn->text().trimmed().toLower();
    const QIcon keyIcon = MainWindowImage(46);
    for (QListWidgetItem *t : tables) {
        QString targetSchema = schema;
        QString targetName = t->text();
        if (t->data(kTypeRole).toInt() == 60) {
            qrySynonym->Close();
            qrySynonym->ParamByName(QStringLiteral("SCHEMA")).setAsString(schema);
            qrySynonym->ParamByName(QStringLiteral("SYNNAME")).setAsString(t->text());
            qrySynonym->Open();
            if (!qrySynonym->IsEmpty()) {
                targetSchema = qrySynonym->Fields(0).AsString();
                targetName = qrySynonym->Fields(1).AsString();
            }
            qrySynonym->Close();
        }
        // The key columns of this table alone.
        QStringList keys;
        qryIndex->Close();
        qryIndex->ParamByName(QStringLiteral("SCHEMA")).setAsString(targetSchema);
        qryIndex->ParamByName(QStringLiteral("TBLNAME")).setAsString(targetName);
        qryIndex->Open();
        for (qryIndex->First(); !qryIndex->Eof(); qryIndex->Next())
            keys << StripDoubleQuotes(qryIndex->Fields(0).AsString()).toLower();
        qryIndex->Close();
        qryColumn->Close();
        qryColumn->ParamByName(QStringLiteral("SCHEMA")).setAsString(targetSchema);
        qryColumn->ParamByName(QStringLiteral("TBLNAME")).setAsString(targetName);
        qryColumn->Open();
        for (qryColumn->First(); !qryColumn->Eof(); qryColumn->Next()) {
            const QString name = qryColumn->FieldByName(QStringLiteral("attname")).AsString();
            if (!find.isEmpty() && !name.toLower().contains(find))
                continue;
            const QString type =
                FormatTypeWithModifier(qryColumn->FieldByName(QStringLiteral("type_name")).AsString(),
                                       qryColumn->FieldByName(QStringLiteral("atttypmod")).AsInteger());
            TtvListItem *item =
                lstColumn->AddItem(tables.size() > 1 ? t->text() + QLatin1Char('.') + name : name,
                                   {type, qryColumn->FieldByName(QStringLiteral("description")).AsString()});
            if (keys.contains(name.toLower()))
                item->setIcon(0, keyIcon);
        }
        qryColumn->Close();
    }
    UpdateMenu();
}

void TfrmField::UpdateMenu()
{
    const bool one = SelectedTables().size() == 1;
    mnuCopyInsert->setEnabled(one);
    mnuCopyUpdate->setEnabled(one);
}

// ---------------------------------------------------------------------------
// Copy and statement generation

QString TfrmField::SchemaPrefix() const
{
    const QString schema = SelectedSchema();
    if (schema == FOwner->dbsMain().Params().MetaDefSchema)
        return QString();
    return QuoteIdentifier(schema) + QLatin1Char('.');
}

bool TfrmField::AskAliases(const QStringList &tables, QStringList &aliases)
{
    aliases.clear();
    for (const QString &t : tables) {
        QString value = t;
        if (!InputQueryWithChecks(QStringLiteral("別名の指定"), t + QStringLiteral(" の別名を指定して下さい。"), value,
                                  false))
            return false;
        aliases << TrimBlanks(value);
    }
    return true;
}

namespace {

QList<fieldsql::TColumnRef> SelectedColumns(TtvListView *list, bool qualified)
{
    QList<fieldsql::TColumnRef> l;
    for (TtvListItem *i : list->SelectedItems()) {
        const QString caption = i->Caption();
        const qsizetype dot = qualified ? caption.indexOf(QLatin1Char('.')) : -1;
        if (dot >= 0)
            l.append({caption.left(dot), caption.mid(dot + 1)});
        else
            l.append({QString(), caption});
    }
    return l;
}

void ToClipboard(const QString &text)
{
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

QString Formatted(const QString &text)
{
    QString result;
    FormatSQLText(text, result);
    return result;
}

} // namespace

void TfrmField::mnuCopyClick()
{
    const QStringList tables = SelectedTables();
    if (FLastList == lstColumn) {
        const bool several = tables.size() > 1;
        QList<fieldsql::TColumnRef> columns = SelectedColumns(lstColumn, several);
        if (columns.isEmpty())
            return;
        QStringList aliases;
        if (several && !AskAliases(tables, aliases))
            return;
        // A caption whose table part is no selected table is quoted whole.
        for (fieldsql::TColumnRef &c : columns)
            if (several && !tables.contains(c.table) && !c.table.isEmpty()) {
                c.column = c.table + QLatin1Char('.') + c.column;
                c.table.clear();
            }
        ToClipboard(fieldsql::ColumnListText(columns, tables, aliases));
        return;
    }
    QStringList quoted;
    for (const QString &t : tables)
        quoted << QuoteIdentifier(t);
    ToClipboard(quoted.join(QLatin1Char(',')));
}

void TfrmField::mnuCopySelectClick()
{
    const QStringList tables = SelectedTables();
    if (tables.isEmpty())
        return;
    QStringList aliases;
    if (tables.size() > 1 && !AskAliases(tables, aliases))
        return;
    ToClipboard(Formatted(
        fieldsql::SelectText(SelectedColumns(lstColumn, tables.size() > 1), tables, aliases, SchemaPrefix())));
}

void TfrmField::mnuCopyInsertClick()
{
    const QStringList tables = SelectedTables();
    if (tables.size() != 1)
        return;
    QStringList columns;
    for (TtvListItem *i : lstColumn->SelectedItems())
        columns << i->Caption();
    ToClipboard(Formatted(fieldsql::InsertText(tables.first(), columns, SchemaPrefix())));
}

void TfrmField::mnuCopyUpdateClick()
{
    const QStringList tables = SelectedTables();
    if (tables.size() != 1)
        return;
    QStringList columns;
    for (TtvListItem *i : lstColumn->SelectedItems())
        columns << i->Caption();
    ToClipboard(Formatted(fieldsql::UpdateText(tables.first(), columns, SchemaPrefix())));
}

// ---------------------------------------------------------------------------
// Events, settings

bool TfrmField::event(QEvent *e)
{
    if (tv::ui::IsWindowMessage(e)) {
        if (static_cast<tv::ui::WindowMessageEvent *>(e)->message() == tv::ui::WM_RELOAD)
            tv::ui::Guard([this] { LoadTableList(); });
        return true;
    }
    return QWidget::event(e);
}

bool TfrmField::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && (watched == lstTable || watched == lstColumn))
        FLastList = static_cast<QWidget *>(watched);
    if (event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (watched == txtFindTable) {
                tv::ui::Guard([this] { LoadTableList(); });
                return true;
            }
            if (watched == txtFindColumn) {
                tv::ui::Guard([this] { LoadColumnList(); });
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmField::closeEvent(QCloseEvent *e)
{
    // Closing only hides: the browser lives as long as its connection window.
    e->ignore();
    hide();
}

void TfrmField::LoadSettings()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    int state = 0, w = 480, h = 360, tableWidth = 160;
    if (reg.OpenKey(kSettingsKey, true)) {
        state = reg.GetInteger(QStringLiteral("WindowState"), 0);
        w = reg.GetInteger(QStringLiteral("Width"), w);
        h = reg.GetInteger(QStringLiteral("Height"), h);
        tableWidth = reg.GetInteger(QStringLiteral("TableWidth"), tableWidth);
        reg.CloseKey();
    }
    if (state == 2) {
        setWindowState(Qt::WindowMaximized);
    } else {
        const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        const QPoint at = QCursor::pos() - QPoint(caption, caption);
        setGeometry(at.x(), at.y(), std::max(200, w), std::max(150, h));
        FitOnScreen(this);
    }
    tableWidth = std::max(tableWidth, 30);
    splField->setSizes({tableWidth, std::max(30, width() - tableWidth)});
}

void TfrmField::SaveSettings()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (!reg.OpenKey(kSettingsKey, true))
            return;
        const bool max = windowState() & Qt::WindowMaximized;
        reg.WriteInteger(QStringLiteral("WindowState"), max ? 2 : 0);
        if (!max) {
            reg.WriteInteger(QStringLiteral("Left"), x());
            reg.WriteInteger(QStringLiteral("Top"), y());
            reg.WriteInteger(QStringLiteral("Width"), width());
            reg.WriteInteger(QStringLiteral("Height"), height());
        }
        reg.WriteInteger(QStringLiteral("TableWidth"), lstTable->parentWidget()->width());
        reg.CloseKey();
    } catch (...) {
        // A store that cannot be written loses the layout.
    }
}
