#include "monitor/frmPerform.h"

#include "common/DataToolGlobals.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/NamedAction.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "monitor/MonitorSQL.h"
#include "monitor/PerformStats.h"
#include "monitor/frmStatList.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/settings/tvRegistry.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "tools/ListOutput.h"
#include "tools/ToolWidgets.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The first snapshot column of the database page (0 the caption).
const int kFirst = 3;

// The database page's rows carry the explanation image or none; a row
// without one keeps the image's room, so that the row numbers of all rows
// stand in one column as in a list with images.
class TImageRoomDelegate : public TtvListAlignDelegate {
public:
    using TtvListAlignDelegate::TtvListAlignDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        TtvListAlignDelegate::initStyleOption(option, index);
        // The view has set the size of its images already.
        if (index.column() == 0)
            option->features |= QStyleOptionViewItem::HasDecoration;
    }
};

TtvListView *NewList(QWidget *parent, const char *name)
{
    auto *l = new TtvListView(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->SetMultiSelect(false);
    l->setSelectionBehavior(QAbstractItemView::SelectRows);
    l->setEditTriggers(QAbstractItemView::NoEditTriggers);
    l->setRootIsDecorated(false);
    return l;
}

QWidget *NewPage(QTabWidget *pages, const char *name, const QString &caption)
{
    auto *w = new QWidget(pages);
    w->setObjectName(QString::fromLatin1(name));
    auto *lay = new QVBoxLayout(w);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(2);
    pages->addTab(w, caption);
    return w;
}

} // namespace

TfrmPerform::TfrmPerform(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmPerform"))
{
    setObjectName(QStringLiteral("frmPerform"));
    resize(760, 520);

    actRefresh = NewRefreshAction();
    actLog = NewAction(this, "actLog", QStringLiteral("履歴(&L)"), QString(), 86);
    actSave = NewAction(this, "actSave", QStringLiteral("データベース統計の保存(&S)"));
    actDelete = NewAction(this, "actDelete", QStringLiteral("履歴の削除(&D)"));
    actOutput = NewAction(this, "actOutput", QStringLiteral("出力(&O)"), QStringLiteral("表の結果を外部に出力します。"), 36);
    actExcel = NewAction(this, "actExcel", QStringLiteral("Excel出力(&E)"), QStringLiteral("実行結果をEXCELに出力します。"), 44);
    actFind = NewAction(this, "actFind", QStringLiteral("検索"), QStringLiteral("検索"), 24);
    popLog = new QMenu(this);
    popLog->setObjectName(QStringLiteral("popLog"));
    popLog->addAction(actSave);
    popLog->addAction(actDelete);
    popOutput = new QMenu(this);
    popOutput->setObjectName(QStringLiteral("popOutput"));
    popOutput->addAction(actExcel);
    auto dropDown = [this](const char *name, QAction *a, QMenu *menu) {
        auto *b = new QToolButton(tolCmd);
        b->setObjectName(QString::fromLatin1(name));
        b->setDefaultAction(a);
        b->setMenu(menu);
        b->setPopupMode(QToolButton::MenuButtonPopup);
        b->setToolButtonStyle(tolCmd->toolButtonStyle());
        tolCmd->addWidget(b);
        connect(a, &QAction::triggered, b, &QToolButton::showMenu);
        return b;
    };
    tolCmd->addAction(actRefresh);
    btnLog = dropDown("btnLog", actLog, popLog);
    btnOutput = dropDown("btnOutput", actOutput, popOutput);
    tolCmd->addAction(actExit);
    AddDBNamePanel(QStringLiteral("データベース"));
    lblLogCount = new QLabel(QStringLiteral("履歴数"), tolCmd);
    lblLogCount->setObjectName(QStringLiteral("lblLogCount"));
    txtLogCount = new TtvNumEdit(tolCmd);
    txtLogCount->setObjectName(QStringLiteral("txtLogCount"));
    txtLogCount->SetText(QStringLiteral("10"));
    txtLogCount->setMaximumWidth(40);
    chkInc = new QCheckBox(QStringLiteral("増分値表示"), tolCmd);
    chkInc->setObjectName(QStringLiteral("chkInc"));
    QAction *countLabel = tolCmd->addWidget(lblLogCount);
    QAction *count = tolCmd->addWidget(txtLogCount);
    QAction *inc = tolCmd->addWidget(chkInc);
    for (QAction *a : {countLabel, count, inc})
        a->setObjectName(QStringLiteral("actDbPageOnly"));

    connect(actSave, &QAction::triggered, this, tv::ui::Guarded([this] { SaveExecute(); }));
    connect(actDelete, &QAction::triggered, this, tv::ui::Guarded([this] { actDeleteExecute(); }));
    connect(actExcel, &QAction::triggered, this, tv::ui::Guarded([this] { actExcelExecute(); }));
    connect(actFind, &QAction::triggered, this, tv::ui::Guarded([this] { Reload(actFind); }));
    connect(chkInc, &QCheckBox::toggled, this, [this] {
        if (!FFromCode)
            tv::ui::Guard([this] { Reload(chkInc); });
    });

    pagStat = new QTabWidget(this);
    pagStat->setObjectName(QStringLiteral("pagStat"));
    tabDbStat = NewPage(pagStat, "tabDbStat", QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽ統計"));
    tabTblIoSTAT = NewPage(pagStat, "tabTblIoSTAT", QStringLiteral("ﾃｰﾌﾞﾙIO統計"));
    tabTblAcStat = NewPage(pagStat, "tabTblAcStat", QStringLiteral("ﾃｰﾌﾞﾙｱｸｾｽ統計"));
    tabIdxIoSTAT = NewPage(pagStat, "tabIdxIoSTAT", QStringLiteral("ｲﾝﾃﾞｯｸｽIO統計"));
    tabIdxAcStat = NewPage(pagStat, "tabIdxAcStat", QStringLiteral("ｲﾝﾃﾞｯｸｽｱｸｾｽ統計"));

    // The search panel, moved onto the page shown.
    pnlFind = new QWidget(tabDbStat);
    pnlFind->setObjectName(QStringLiteral("pnlFind"));
    auto *find = new QHBoxLayout(pnlFind);
    find->setContentsMargins(0, 0, 0, 0);
    txtFind = new TtvStrEdit(pnlFind);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    toolui::LowerCaseTyping(txtFind, [] { return !tvOption.UseLowerName; });
    btnFind = new QToolButton(pnlFind);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnFind->setDefaultAction(actFind);
    find->addWidget(txtFind, 1);
    find->addWidget(btnFind);
    txtFind->installEventFilter(this);

    splDbStat = new QSplitter(Qt::Vertical, tabDbStat);
    splDbStat->setObjectName(QStringLiteral("splDbStat"));
    splDbStat->setChildrenCollapsible(false);
    lstDbStat = NewList(splDbStat, "lstDbStat");
    lstDbStat->AddColumn(QStringLiteral("No."), 60);
    lstDbStat->AddColumn(QStringLiteral("項目名"), 280);
    lstDbStat->AddColumn(QStringLiteral("現在値"), 150, Qt::AlignRight);
    lstDbStat->setItemDelegate(new TImageRoomDelegate(lstDbStat, lstDbStat));
    txtHint = new TtvMemo(splDbStat);
    txtHint->setObjectName(QStringLiteral("txtHint"));
    txtHint->SetReadOnly(true);
    splDbStat->addWidget(lstDbStat);
    splDbStat->addWidget(txtHint);
    splDbStat->setStretchFactor(0, 1);
    splDbStat->setSizes({360, 100});
    tabDbStat->layout()->addWidget(splDbStat);
    connect(lstDbStat, &QTreeWidget::itemSelectionChanged, this, [this] {
        TtvListItem *it = lstDbStat->Selected();
        txtHint->Lines()->SetText(it && !it->SubItems().isEmpty() ? it->SubItems().last() : QString());
    });
    lstTblIoStat = NewList(tabTblIoSTAT, "lstTblIoStat");
    lstTblAcStat = NewList(tabTblAcStat, "lstTblAcStat");
    lstIdxIoStat = NewList(tabIdxIoSTAT, "lstIdxIoStat");
    lstIdxAcStat = NewList(tabIdxAcStat, "lstIdxAcStat");
    for (int p = 0; p < 4; ++p)
        pagStat->widget(p + 1)->layout()->addWidget(ObjectList(p));
    layout()->addWidget(pagStat);
    connect(pagStat, &QTabWidget::currentChanged, this, [this] {
        if (!FFromCode)
            tv::ui::Guard([this] { pagStatChange(); });
    });
    UpdateActions();

    FinishCreate();
}

void TfrmPerform::RegisterLauncher()
{
    auto open = [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); };
    ::RegisterLauncher(QStringLiteral("actAdminPerform"), open);
    ::RegisterLauncher(QStringLiteral("actPerform"), open);
}

TtvListView *TfrmPerform::ObjectList(int Page) const
{
    switch (Page) {
    case 0:
        return lstTblIoStat;
    case 1:
        return lstTblAcStat;
    case 2:
        return lstIdxIoStat;
    default:
        return lstIdxAcStat;
    }
}

QString TfrmPerform::DatabaseName() const
{
    IConnectionWindow *cw = OwnerForm();
    return cw ? cw->dbsMain().Params().Database : QString();
}

QString TfrmPerform::FileNameToDate(const QString &FileName) const
{
    return perform::FileNameToDate(FileName, DatabaseName());
}

void TfrmPerform::UpdateActions()
{
    const bool db = pagStat->currentWidget() == tabDbStat;
    actLog->setEnabled(db);
    for (QAction *a : tolCmd->actions()) {
        if (a->objectName() == QLatin1String("actDbPageOnly"))
            a->setVisible(db);
    }
}

void TfrmPerform::pagStatChange()
{
    txtFind->SetText(QString());
    Reload(pagStat);
}

void TfrmPerform::Reload(QObject * /*Sender*/)
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    Retitle();
    UpdateActions();
    QWidget *page = pagStat->currentWidget();
    auto *lay = static_cast<QVBoxLayout *>(page->layout());
    pnlFind->setParent(page);
    lay->insertWidget(0, pnlFind);
    if (page == tabDbStat) {
        pnlFind->setEnabled(false);
        pnlFind->setFixedHeight(0);
        pnlFind->hide();
        ReadGuarded([this] { LoadDbStat(); });
        return;
    }
    pnlFind->setEnabled(true);
    pnlFind->setFixedHeight(24);
    pnlFind->show();
    txtFind->setFocus();
    const int p = pagStat->currentIndex() - 1;
    const QString search = txtFind->Text().trimmed();
    ReadGuarded([&] { LoadObjectStat(p, search); });
}

void TfrmPerform::LoadDbStat()
{
    IConnectionWindow *cw = OwnerForm();
    struct Back {
        TtvListView *l;
        ~Back() { l->setUpdatesEnabled(true); }
    } back{lstDbStat};
    lstDbStat->setUpdatesEnabled(false);
    lstDbStat->clear();
    txtHint->Lines()->SetText(QString());
    AddHistoryColumns();
    // A read inside an open transaction sees the server as it is now.
    ExecProtected(monitor::ClearSnapshotSQL());
    tv::db::Query q(&cw->dbsMain());
    q.SetSQL(perform::ColumnNamesSQL(QStringLiteral("pg_stat_database")));
    OpenProtected(q);
    QStringList names;
    for (q.First(); !q.Eof(); q.Next())
        names << q.Fields(0).AsString();
    q.Close();
    QStringList values;
    if (!names.isEmpty()) {
        q.SetSQL(perform::DbStatValuesSQL(names));
        q.ParamByName(QStringLiteral("datname")).setAsString(cw->DBName());
        OpenProtected(q);
        if (!q.Eof()) {
            for (int k = 0; k < q.FieldCount(); ++k)
                values << q.Fields(k).AsString();
        }
        q.Close();
    }
    const int snapshots = lstDbStat->ColumnCount() - kFirst;
    IMainWindow *m = MainWindow();
    QList<QTreeWidgetItem *> items;
    for (int i = 0; i < names.size(); ++i) {
        QStringList sub{names.at(i), values.value(i)};
        for (int c = 0; c < snapshots; ++c)
            sub << QString();
        const QString desc = perform::ItemDesc(names.at(i));
        sub << desc;
        auto *it = new TtvListItem(QString::asprintf("%3d", i + 1), sub);
        if (m && perform::DescNames().contains(names.at(i)))
            it->setIcon(0, m->MainImage(118));
        items << it;
    }
    lstDbStat->addTopLevelItems(items);
    LoadHistoryValues();
    ShowIncrements();
}

void TfrmPerform::AddHistoryColumns()
{
    QStringList names = perform::SnapshotFiles(perform::StatFolder(), DatabaseName());
    const int keep = txtLogCount->ValueInt();
    while (!names.isEmpty() && names.size() > std::max(keep, 0))
        names.removeFirst();
    QTreeWidgetItem *head = lstDbStat->headerItem();
    const int width = lstDbStat->columnWidth(kFirst - 1);
    for (int n = 0; n < names.size(); ++n) {
        const int col = kFirst + n;
        if (lstDbStat->ColumnCount() <= col)
            lstDbStat->AddColumn(QString(), width, Qt::AlignRight);
        lstDbStat->setColumnWidth(col, width);
        lstDbStat->SetColumnAlignment(col, Qt::AlignRight);
        head->setText(col, names.at(names.size() - 1 - n));
    }
    lstDbStat->setColumnCount(kFirst + int(names.size()));
}

void TfrmPerform::LoadHistoryValues()
{
    QTreeWidgetItem *head = lstDbStat->headerItem();
    QStringList rowNames;
    for (int r = 0; r < lstDbStat->ItemCount(); ++r)
        rowNames << lstDbStat->Item(r)->SubItem(0);
    for (int c = kFirst; c < lstDbStat->ColumnCount(); ++c) {
        const QString file = head->text(c);
        QString text;
        if (tv::text::ReadTextFile(perform::StatFolder() + file, tv::text::Encoding::Ansi, &text)) {
            QStringList lines = text.split(QStringLiteral("\r\n"));
            if (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast();
            const QStringList values = perform::PlaceSnapshot(lines, rowNames);
            for (int r = 0; r < lstDbStat->ItemCount(); ++r)
                lstDbStat->Item(r)->SetSubItem(c - 1, values.value(r));
        }
        head->setText(c, FileNameToDate(file));
    }
}

void TfrmPerform::ShowIncrements()
{
    const int last = lstDbStat->ColumnCount() - 1;
    if (!chkInc->isChecked() || last < kFirst)
        return;
    for (int r = 0; r < lstDbStat->ItemCount(); ++r) {
        TtvListItem *it = lstDbStat->Item(r);
        std::vector<QStringList> columns;
        for (int c = kFirst - 1; c <= last; ++c)
            columns.push_back({it->SubItem(c - 1)});
        perform::ApplyIncrements(columns);
        for (int c = kFirst - 1; c <= last; ++c)
            it->SetSubItem(c - 1, columns[size_t(c - (kFirst - 1))].first());
    }
}

void TfrmPerform::LoadObjectStat(int Page, const QString &Search)
{
    IConnectionWindow *cw = OwnerForm();
    TtvListView *list = ObjectList(Page);
    struct Back {
        TtvListView *l;
        ~Back() { l->setUpdatesEnabled(true); }
    } back{list};
    list->setUpdatesEnabled(false);
    list->clear();
    list->setColumnCount(0);
    ExecProtected(monitor::ClearSnapshotSQL());
    tv::db::Query q(&cw->dbsMain());
    q.SetSQL(perform::ColumnNamesSQL(perform::ObjectView(Page)));
    OpenProtected(q);
    QStringList columns;
    for (q.First(); !q.Eof(); q.Next())
        columns << q.Fields(0).AsString();
    q.Close();
    const bool index = Page >= 2;
    const int rightFrom = index ? 5 : 3;
    for (int c = 0; c < columns.size(); ++c)
        list->AddColumn(perform::ObjectColumnTitle(columns.at(c), index), 120,
                        c >= rightFrom ? Qt::AlignRight : Qt::AlignLeft);
    q.SetSQL(perform::ObjectValuesSQL(Page, columns, !Search.isEmpty()));
    if (!Search.isEmpty())
        q.ParamByName(QStringLiteral("kensaku")).setAsString(QLatin1Char('%') + Search + QLatin1Char('%'));
    OpenProtected(q);
    const int n = q.FieldCount();
    QList<QTreeWidgetItem *> items;
    items.reserve(q.RecordCount());
    for (q.First(); !q.Eof(); q.Next()) {
        QStringList sub;
        sub.reserve(n);
        for (int k = 1; k < n; ++k)
            sub << q.Fields(k).AsString();
        items << new TtvListItem(n > 0 ? q.Fields(0).AsString() : QString(), sub);
    }
    q.Close();
    list->addTopLevelItems(items);
}

void TfrmPerform::SaveExecute()
{
    if (ShowMessageBox(QStringLiteral("現在のデータベース統計を保存しますか？"),
                       tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) != tv::ui::IDYES)
        return;
    const bool inc = chkInc->isChecked();
    FFromCode = true;
    chkInc->setChecked(false);
    FFromCode = false;
    txtFind->SetText(QString());
    Reload(actSave);
    QStringList names, values;
    for (int r = 0; r < lstDbStat->ItemCount(); ++r) {
        names << lstDbStat->Item(r)->SubItem(0);
        values << lstDbStat->Item(r)->SubItem(1);
    }
    const QDateTime now = QDateTime::currentDateTime();
    perform::SaveSnapshot(perform::StatFolder(), DatabaseName(), now, names, values);
    FFromCode = true;
    chkInc->setChecked(inc);
    FFromCode = false;
    Reload(actSave);
    ShowMessageBox(QStringLiteral("保存が完了しました。"), tv::ui::MB_ICONINFORMATION);
    LastAutoSave = now;
}

void TfrmPerform::actDeleteExecute()
{
    const QStringList names = perform::SnapshotFiles(perform::StatFolder(), DatabaseName());
    QStringList marked;
    if (!TfrmStatList::ShowWindow(this, names, [this](const QString &n) { return FileNameToDate(n); }, marked))
        return;
    for (const QString &n : marked)
        QFile::remove(perform::StatFolder() + n);
    Reload(actDelete);
}

void TfrmPerform::actExcelExecute()
{
    static const QStringList stems{QStringLiteral("DBSTAT"), QStringLiteral("TBLIOSTAT"), QStringLiteral("TBLACSTAT"),
                                   QStringLiteral("IDXIOSTAT"), QStringLiteral("IDXACSTAT")};
    const int p = pagStat->currentIndex();
    TtvListView *list = p == 0 ? lstDbStat : ObjectList(p - 1);
    TListOutput::ExcelOutput(list, stems.value(p), -1, false);
}

bool TfrmPerform::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == txtFind && Event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(Event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tv::ui::Guard([this] { Reload(txtFind); });
            return true;
        }
    }
    return TtvToolForm::eventFilter(Watched, Event);
}

void TfrmPerform::LoadSettings()
{
    TtvToolForm::LoadSettings();
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (!reg.OpenKey(SettingsKey(), true))
            return;
        txtLogCount->SetText(QString::number(std::max(reg.GetInteger(QStringLiteral("LogCount"), 10), 1)));
        FFromCode = true;
        chkInc->setChecked(reg.GetBool(QStringLiteral("Inc"), chkInc->isChecked()));
        FFromCode = false;
        reg.CloseKey();
    } catch (...) {
        FFromCode = false;
        // A store that cannot be read leaves the boxes as built.
    }
}

void TfrmPerform::SaveSettings()
{
    TtvToolForm::SaveSettings();
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (!reg.OpenKey(SettingsKey(), true))
            return;
        reg.WriteInteger(QStringLiteral("LogCount"), txtLogCount->ValueInt());
        reg.WriteBool(QStringLiteral("Inc"), chkInc->isChecked());
        reg.CloseKey();
    } catch (...) {
        // A store that cannot be written loses the two values.
    }
}
