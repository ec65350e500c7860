#include "objects/other/frmDBLinkList.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/NamedAction.h"
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/RecParam.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "common/WindowBounds.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "objects/other/ListDropLoop.h"
#include "objects/other/frmDBLink.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

using tv::ui::SqlWaitCursor;

namespace {

const QString GuiKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\DBLINKLIST");

QComboBox *MainConnections()
{
    auto *m = dynamic_cast<TfrmMain *>(MainWindow());
    return m ? m->ConnectionList() : nullptr;
}

} // namespace

QString TfrmDBLinkList::CaptionOf(IConnectionWindow *AOwner)
{
    return QStringLiteral("データベースリンク情報 - ") + (AOwner ? AOwner->ConnectionText() : QString());
}

TfrmDBLinkList *TfrmDBLinkList::Open(TfrmObject *AOwner)
{
    if (!AOwner)
        return nullptr;
    if (IMainWindow *m = MainWindow())
        if (auto *twin = m->FindWindowOf<TfrmDBLinkList>(CaptionOf(AOwner), true))
            return twin;
    auto *w = new TfrmDBLinkList(AOwner);
    w->ShowForm();
    w->Reload(w);
    return w;
}

TfrmDBLinkList::TfrmDBLinkList(TfrmObject *AOwner) : TtvForm(AOwner)
{
    setObjectName(QStringLiteral("frmDBLinkList"));
    resize(700, 400);
    const auto image = MainWindowImage;
    setWindowIcon(image(64));
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(2, 2, 2, 2);
    actNew = NewAction(this, "actNew", QStringLiteral("新規(&N)"), QStringLiteral("新しいデータベースリンクを作成します。"), 64);
    actOpen = NewAction(this, "actOpen", QStringLiteral("開く(&O)"), QString(), 17);
    actDelete = NewAction(this, "actDelete", QStringLiteral("削除(&D)"), QString(), 41);
    actRefresh = NewAction(this, "actRefresh", QStringLiteral("最新(&R)"), QString(), 16);
    actExit = NewAction(this, "actExit", QStringLiteral("終了(&X)"), QString(), 42);
    actScript = NewAction(this, "actScript", QStringLiteral("スクリプト出力(&S)"), QString(), 18);
    connect(actNew, &QAction::triggered, this, tv::ui::Guarded([this] { actNewExecute(); }));
    connect(actOpen, &QAction::triggered, this, tv::ui::Guarded([this] { actOpenExecute(); }));
    connect(actDelete, &QAction::triggered, this, tv::ui::Guarded([this] { actDeleteExecute(); }));
    connect(actRefresh, &QAction::triggered, this, tv::ui::Guarded([this] { Reload(actRefresh); }));
    connect(actScript, &QAction::triggered, this, tv::ui::Guarded([this] { actScriptExecute(); }));
    connect(actExit, &QAction::triggered, this, [this] { Close(); });

    tolCmd = new QToolBar;
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (QAction *a : {actNew, actOpen, actDelete, actRefresh, actExit})
        tolCmd->addAction(a);
    for (QAction *a : tolCmd->actions())
        if (QWidget *w = tolCmd->widgetForAction(a))
            w->setMinimumWidth(78);
    auto *pnl = new QWidget;
    auto *pl = new QHBoxLayout(pnl);
    pl->setContentsMargins(4, 0, 4, 0);
    pl->addWidget(new QLabel(QStringLiteral("　データベース")));
    cmbDBName = new QComboBox;
    cmbDBName->setObjectName(QStringLiteral("cmbDBName"));
    cmbDBName->setMinimumWidth(240);
    pl->addWidget(cmbDBName);
    tolCmd->addWidget(pnl);
    root->addWidget(tolCmd);

    pagDBLinkList = new QTabWidget;
    pagDBLinkList->setObjectName(QStringLiteral("pagDBLinkList"));
    tabOci = new QWidget;
    tabOci->setObjectName(QStringLiteral("tabOci"));
    tabLibpq = new QWidget;
    tabLibpq->setObjectName(QStringLiteral("tabLibpq"));
    for (QWidget *t : {tabOci, tabLibpq}) {
        auto *l = new QVBoxLayout(t);
        l->setContentsMargins(0, 0, 0, 0);
    }
    pagDBLinkList->addTab(tabOci, image(64), QStringLiteral("OCI DBリンク"));
    pagDBLinkList->addTab(tabLibpq, image(64), QStringLiteral("libpq DBリンク"));
    lstObject = new TtvListView;
    lstObject->setObjectName(QStringLiteral("lstObject"));
    lstObject->SetMultiSelect(true);
    lstObject->SetSortID(1);
    tabOci->layout()->addWidget(lstObject);
    root->addWidget(pagDBLinkList, 1);

    mnuDBLink = new QMenu(QStringLiteral("データベースリンク情報(&L)"), this);
    mnuDBLink->setObjectName(QStringLiteral("mnuDBLink"));
    for (QAction *a : {actNew, actOpen, actDelete, actScript})
        mnuDBLink->addAction(a);
    AddMergeMenu(2, mnuDBLink);
    lstObject->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstObject, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &) { mnuDBLink->popup(QCursor::pos()); });
    connect(lstObject, &QTreeWidget::itemDoubleClicked, this,
            tv::ui::Guarded([this](QTreeWidgetItem *, int) { actOpenExecute(); }));
    lstObject->installEventFilter(this);
    connect(pagDBLinkList, &QTabWidget::currentChanged, this, tv::ui::Guarded([this](int) { pagDBLinkListChange(); }));

    qryObject = NewQuery();
    CreateTaskButton();
    CopyConnections();
    const int i = cmbDBName->findText(AOwner ? AOwner->ConnectionText() : QString());
    {
        const QSignalBlocker block(cmbDBName);
        cmbDBName->setCurrentIndex(i);
    }
    connect(cmbDBName, &QComboBox::currentIndexChanged, this, tv::ui::Guarded([this](int) { cmbDBNameChange(); }));
    auto *update = new QTimer(this);
    update->setInterval(100);
    connect(update, &QTimer::timeout, this, [this] { UpdateActions(); });
    update->start();
    FinishCreate();
}

bool TfrmDBLinkList::eventFilter(QObject *o, QEvent *e)
{
    if (o == lstObject && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tv::ui::Guard([this] { actOpenExecute(); });
            return true;
        }
        if (key == Qt::Key_Delete) {
            tv::ui::Guard([this] { actDeleteExecute(); });
            return true;
        }
    }
    if (o == lstObject && e->type() == QEvent::Resize)
        ResizeColumns();
    return TtvForm::eventFilter(o, e);
}

void TfrmDBLinkList::CopyConnections()
{
    const QSignalBlocker block(cmbDBName);
    cmbDBName->clear();
    if (QComboBox *main = MainConnections())
        for (int i = 0; i < main->count(); ++i)
            cmbDBName->addItem(main->itemText(i), main->itemData(i));
}

TDbLinkKind TfrmDBLinkList::ActiveKind() const
{
    return pagDBLinkList->currentWidget() == tabLibpq ? ptLibpq : ptOci;
}

void TfrmDBLinkList::UpdateActions()
{
    const bool selection = !lstObject->selectedItems().isEmpty();
    actOpen->setEnabled(selection);
    actDelete->setEnabled(selection);
    actScript->setEnabled(selection);
}

void TfrmDBLinkList::ResizeColumns()
{
    if (lstObject->columnCount() < 5)
        return;
    int used = 0;
    for (int c = 0; c < 4; ++c)
        used += lstObject->columnWidth(c);
    lstObject->setColumnWidth(4, std::max(1, lstObject->width() - used - 24));
}

void TfrmDBLinkList::cmbDBNameChange()
{
    auto *form = qobject_cast<TfrmObject *>(cmbDBName->currentData().value<QObject *>());
    if (!form)
        return;
    SetOwnerForm(form);
    Reload(this);
}

void TfrmDBLinkList::pagDBLinkListChange()
{
    QWidget *tab = pagDBLinkList->currentWidget();
    if (lstObject->parentWidget() != tab)
        tab->layout()->addWidget(lstObject);
    Reload(this);
}

void TfrmDBLinkList::Reload(QObject *)
{
    IConnectionWindow *owner = OwnerForm();
    if (!owner)
        return;
    setWindowTitle(CaptionOf(owner));
    const tv::db::ConnectionParams &p = owner->dbsMain().Params();
    SetTaskCaption(FormatRecParamCaption(MakeRecParam(p.Server, p.Database, p.MetaDefSchema,
                                                      p.value(QStringLiteral("Port")), p.User_Name, p.Password,
                                                      QString(), QString(), QString()),
                                         0, true));
    SqlWaitCursor wait;
    IMainWindow *m = MainWindow();
    if (m)
        m->SetLoopMessage(0, 0);
    struct Restore {
        IMainWindow *m;
        TtvListView *l;
        ~Restore()
        {
            l->setUpdatesEnabled(true);
            if (m)
                m->SetDefMessage();
        }
    } restore{m, lstObject};
    lstObject->clear();
    lstObject->setColumnCount(0);
    lstObject->AddColumn(QStringLiteral("データベースリンク名"), 160);
    lstObject->AddColumn(QStringLiteral("所有者"), 90);
    lstObject->AddColumn(QStringLiteral("PUBLIC"), 60);
    lstObject->AddColumn(QStringLiteral("接続ユーザ"), 90);
    lstObject->AddColumn(QStringLiteral("接続先データベース"), 200);
    ResizeColumns();
    if (!tvOption.Progress)
        lstObject->setUpdatesEnabled(false);
    qryObject->Close();
    qryObject->SetSQL(DBLinkSQL::List(ActiveKind()));
    qryObject->Open();
    while (!qryObject->Eof() && !tv::ui::EscapePressed()) {
        QStringList sub;
        for (int c = 1; c < qryObject->FieldCount(); ++c) {
            QString v = qryObject->Fields(c).AsString();
            if (c == 2)
                v = qryObject->Fields(c).AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
            sub << v;
        }
        TtvListItem *item = lstObject->AddItem(qryObject->Fields(0).AsString(), sub);
        if (m)
            item->setIcon(0, m->MainImage(64));
        qryObject->Next();
    }
    qryObject->Close();
    lstObject->CustomSort();
}

void TfrmDBLinkList::DBChange(QObject *)
{
    const QString keep = cmbDBName->currentText();
    CopyConnections();
    const int i = cmbDBName->findText(keep);
    if (cmbDBName->count() == 0 || i < 0) {
        QTimer::singleShot(0, this, [this] { Close(); });
        return;
    }
    const QSignalBlocker block(cmbDBName);
    cmbDBName->setCurrentIndex(i);
}

void TfrmDBLinkList::actNewExecute()
{
    IConnectionWindow *owner = OwnerForm();
    if (!owner)
        return;
    TfrmDBLink::Open(owner, owner->dbsMain().Params().User_Name, QString(), ActiveKind(), false, omDefine);
}

void TfrmDBLinkList::actOpenExecute()
{
    const QList<TtvListItem *> items = lstObject->SelectedItems();
    IMainWindow *m = MainWindow();
    int i = 0;
    for (TtvListItem *item : items) {
        if (tv::ui::EscapePressed())
            break;
        if (m)
            m->SetLoopMessage(++i, int(items.size()));
        try {
            TfrmDBLink::Open(OwnerForm(), item->SubItem(0), item->Caption(), ActiveKind(),
                             item->SubItem(1) == QLatin1String("True"), tvOption.OpenMode);
        } catch (const tv::SilentAbort &) {
        }
        item->setSelected(false);
    }
    if (m)
        m->SetDefMessage();
}

void TfrmDBLinkList::actScriptExecute()
{
    const QList<TtvListItem *> items = lstObject->SelectedItems();
    if (items.isEmpty())
        return;
    auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
    if (!form)
        return;
    QString output, nameTable;
    bool oneScript = false;
    if (!TfrmObject::AskScriptOptions(*form, output, nameTable, oneScript))
        return;
    IMainWindow *m = MainWindow();
    int i = 0;
    for (TtvListItem *item : items) {
        if (tv::ui::EscapePressed())
            break;
        lstObject->scrollToItem(item);
        if (m)
            m->SetLoopMessage(++i, int(items.size()));
        // One file for all (appended to), or a file per link created anew.
        QString path = output;
        QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Append;
        if (!oneScript) {
            QString dir = output;
            if (ScriptOption.Dir)
                dir = QDir(dir).filePath(ObjectTypeName(64));
            path = QDir(dir).filePath(SanitizeFileName(item->Caption() + QStringLiteral(".SQL")));
            mode = QIODevice::WriteOnly | QIODevice::Truncate;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (f.open(mode)) {
            try {
                TfrmDBLink::GetScript(OwnerForm(), item->SubItem(0), item->Caption(), ActiveKind(),
                                      item->SubItem(1) == QLatin1String("True"), f);
            } catch (...) {
                // A link that cannot be scripted is skipped.
            }
        }
        item->setSelected(false);
    }
    if (m)
        m->SetDefMessage();
    ShowMessageBox(QStringLiteral("スクリプトが出力されました。"), tv::ui::MB_ICONINFORMATION);
}

void TfrmDBLinkList::actDeleteExecute()
{
    if (lstObject->selectedItems().isEmpty())
        return;
    bool delErr = tvOption.DelErr;
    const int answer = ShowCheckMessageDialog(QStringLiteral("オブジェクトを削除しますか？"),
                                              tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2,
                                              {{QStringLiteral("削除時のエラーを無視する"), &delErr}});
    tvOption.DelErr = delErr;
    if (answer != tv::ui::IDYES)
        return;
    IConnectionWindow *owner = OwnerForm();
    const TListDropResult r = DropSelectedItems(
        lstObject, delErr, &owner->dbsMain(),
        [](TtvListItem *item) {
            return DBLinkDDL::DropStatement(item->SubItem(1) == QLatin1String("True"), item->Caption());
        },
        [owner](const QString &sql) { owner->ExecuteSQL(sql); });
    if (r.Dropped > 0)
        ShowMessageBox(QStringLiteral("オブジェクトが削除されました。"), tv::ui::MB_ICONINFORMATION);
    if (auto *form = dynamic_cast<TfrmObject *>(owner))
        form->ShowTree();
}

void TfrmDBLinkList::LoadSettings()
{
    TWindowBoundsRules r;
    r.Position = false;
    LoadWindowBounds(*this, GuiKey, r);
}

void TfrmDBLinkList::SaveSettings()
{
    TWindowBoundsRules r;
    r.Position = false;
    try {
        SaveWindowBounds(*this, GuiKey, r);
    } catch (const tv::Error &) {
    }
}
