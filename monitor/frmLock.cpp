#include "monitor/frmLock.h"

#include "common/IConnectionWindow.h"
#include "controls/tvListView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "monitor/MonitorSQL.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>

namespace {

const QColor kWaitColour(255, 0, 0);
const QColor kOwnColour(0, 0, 255);

} // namespace

TfrmLock::TfrmLock(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmLock"))
{
    setObjectName(QStringLiteral("frmLock"));
    resize(760, 480);

    actRefresh = NewRefreshAction();
    tolCmd->addAction(actRefresh);
    tolCmd->addAction(actExit);
    AddDBNamePanel(QStringLiteral(" データベース"));

    mnuLock = new QMenu(QStringLiteral("ロック情報(&O)"), this);
    mnuLock->setObjectName(QStringLiteral("mnuLock"));
    mnuNothing = mnuLock->addAction(QStringLiteral("（機能無し）"));
    mnuNothing->setObjectName(QStringLiteral("mnuNothing"));
    AddMergeMenu(2, mnuLock);

    splLock = new QSplitter(Qt::Vertical, this);
    splLock->setObjectName(QStringLiteral("splLock"));
    splLock->setChildrenCollapsible(false);
    lstLock = new TtvListView(splLock);
    lstLock->setObjectName(QStringLiteral("lstLock"));
    lstLock->SetMultiSelect(false);
    lstLock->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstLock->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstLock->AddColumn(QStringLiteral("ﾌﾟﾛｾｽID"), 70);
    lstLock->AddColumn(QStringLiteral("ﾛｯｸ種別"), 100);
    lstLock->AddColumn(QStringLiteral("ﾕｰｻﾞｰ名"), 90);
    lstLock->AddColumn(QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽ名"), 120);
    lstLock->AddColumn(QStringLiteral("ﾃｰﾌﾞﾙ名"), 120);
    lstLock->AddColumn(QStringLiteral("ﾓｰﾄﾞ"), 160);
    lstLock->AddColumn(QStringLiteral("ﾛｯｸ保持"), 80);
    lstLock->AddColumn(QStringLiteral("経過時間"), 110);
    lstLock->AddColumn(QStringLiteral("ｸｴﾘ"), 140);
    connect(lstLock, &QTreeWidget::itemSelectionChanged, this, tv::ui::Guarded([this] { lstLockSelectItem(); }));
    txtQuery = new TtvMemo(splLock);
    txtQuery->setObjectName(QStringLiteral("txtQuery"));
    txtQuery->SetReadOnly(true);
    txtQuery->setMinimumHeight(177);
    txtQuery->setMaximumHeight(177);
    splLock->addWidget(lstLock);
    splLock->addWidget(txtQuery);
    splLock->setStretchFactor(0, 1);
    splLock->setStretchFactor(1, 0);
    // The pane keeps its height: the splitter is not offered.
    splLock->handle(1)->hide();
    splLock->setHandleWidth(0);
    layout()->addWidget(splLock);

    FinishCreate();
}

void TfrmLock::RegisterLauncher()
{
    auto open = [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); };
    ::RegisterLauncher(QStringLiteral("actAdminLock"), open);
    ::RegisterLauncher(QStringLiteral("actLock"), open);
}

void TfrmLock::Reload(QObject * /*Sender*/)
{
    Retitle();
    LoadLocks();
}

void TfrmLock::LoadLocks()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    ReadGuarded([&] {
        tv::db::Query q(&cw->dbsMain());
        lstLock->setUpdatesEnabled(false);
        lstLock->clear();
        txtQuery->Lines()->SetText(QString());
        struct Unlock {
            TtvListView *l;
            ~Unlock() { l->setUpdatesEnabled(true); }
        } unlock{lstLock};
        const int ver = cw->DBVer();
        ExecProtected(monitor::ClearSnapshotSQL());
        q.SetSQL(monitor::LockListSQL(ver));
        q.ParamByName(QStringLiteral("db_name")).setAsString(cw->DBName());
        OpenProtected(q);
        QList<tv::db::Field *> f;
        for (const QString &n : {QStringLiteral("pid"), QStringLiteral("locktype"), QStringLiteral("usename"),
                                 QStringLiteral("datname"), QStringLiteral("relname"), QStringLiteral("mode")})
            f << &q.FieldByName(n);
        tv::db::Field &granted = q.FieldByName(QStringLiteral("granted"));
        tv::db::Field &duration = q.FieldByName(QStringLiteral("duration"));
        tv::db::Field &query = q.FieldByName(monitor::SessionQueryColumn(ver));
        const int mySid = cw->MYSID();
        QList<QTreeWidgetItem *> items;
        items.reserve(q.RecordCount());
        const int columns = lstLock->ColumnCount();
        for (q.First(); !q.Eof(); q.Next()) {
            QStringList sub;
            sub.reserve(8);
            for (int i = 1; i < f.size(); ++i)
                sub << f[i]->AsString();
            const bool isGranted = granted.AsBoolean();
            sub << (isGranted ? QStringLiteral("保持") : QStringLiteral("待ち")) << duration.AsString()
                << query.AsString();
            auto *it = new TtvListItem(f[0]->AsString(), sub);
            bool ok = false;
            const int pid = it->Caption().trimmed().toInt(&ok);
            if (!isGranted || (ok && pid == mySid)) {
                const QColor c = isGranted ? kOwnColour : kWaitColour;
                for (int col = 0; col < columns; ++col)
                    it->setForeground(col, c);
            }
            items << it;
        }
        q.Close();
        lstLock->addTopLevelItems(items);
        lstLock->CustomSort();
    });
}

void TfrmLock::lstLockSelectItem()
{
    txtQuery->Lines()->SetText(QString());
    if (TtvListItem *it = lstLock->Selected())
        txtQuery->Lines()->SetText(it->SubItem(7));
}
