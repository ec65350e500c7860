#include "monitor/frmSession.h"

#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
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

// The own session's font colour (blue).
const QColor kOwnColour(0, 0, 255);

} // namespace

TfrmSession::TfrmSession(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmSession"))
{
    setObjectName(QStringLiteral("frmSession"));
    resize(760, 480);

    actKill = new QAction(QStringLiteral("切断(&D)"), this);
    actKill->setObjectName(QStringLiteral("actKill"));
    actKill->setToolTip(QStringLiteral("選択したセッションを切断します。"));
    actKill->setEnabled(false);
    connect(actKill, &QAction::triggered, this, tv::ui::Guarded([this] { actKillExecute(); }));
    actRefresh = NewRefreshAction();

    tolCmd->addAction(actKill);
    tolCmd->addAction(actRefresh);
    tolCmd->addAction(actExit);
    AddDBNamePanel();

    mnuSession = new QMenu(QStringLiteral("セッション情報(&O)"), this);
    mnuSession->setObjectName(QStringLiteral("mnuSession"));
    mnuSession->addAction(actKill);
    AddMergeMenu(2, mnuSession);
    popSession = new QMenu(this);
    popSession->setObjectName(QStringLiteral("popSession"));
    popSession->addAction(actKill);

    splSession = new QSplitter(Qt::Vertical, this);
    splSession->setObjectName(QStringLiteral("splSession"));
    splSession->setChildrenCollapsible(false);
    lstSession = new TtvListView(splSession);
    lstSession->setObjectName(QStringLiteral("lstSession"));
    lstSession->SetMultiSelect(false);
    lstSession->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstSession->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstSession->AddColumn(QStringLiteral("ﾌﾟﾛｾｽID"), 70);
    lstSession->AddColumn(QStringLiteral("状態"), 80);
    lstSession->AddColumn(QStringLiteral("ﾕｰｻﾞｰID"), 70, Qt::AlignRight);
    lstSession->AddColumn(QStringLiteral("ﾕｰｻﾞｰ名"), 100);
    lstSession->AddColumn(QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽID"), 90, Qt::AlignRight);
    lstSession->AddColumn(QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽ名"), 100);
    lstSession->AddColumn(QStringLiteral("ｸﾗｲｱﾝﾄIP"), 120);
    lstSession->AddColumn(QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ名"), 120);
    lstSession->AddColumn(QStringLiteral("開始時間"), 170);
    lstSession->AddColumn(QStringLiteral("クエリ"), 120);
    lstSession->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstSession, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { popSession->popup(lstSession->viewport()->mapToGlobal(p)); });
    connect(lstSession, &QTreeWidget::itemSelectionChanged, this,
            tv::ui::Guarded([this] { lstSessionSelectItem(); }));
    txtQuery = new TtvMemo(splSession);
    txtQuery->setObjectName(QStringLiteral("txtQuery"));
    txtQuery->SetReadOnly(true);
    splSession->addWidget(lstSession);
    splSession->addWidget(txtQuery);
    splSession->setStretchFactor(0, 1);
    splSession->setStretchFactor(1, 0);
    splSession->setSizes({351, 129});
    layout()->addWidget(splSession);

    FinishCreate();
}

void TfrmSession::RegisterLauncher()
{
    auto open = [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); };
    ::RegisterLauncher(QStringLiteral("actAdminSession"), open);
    ::RegisterLauncher(QStringLiteral("actSession"), open);
}

void TfrmSession::Reload(QObject * /*Sender*/)
{
    Retitle();
    LoadSessions();
}

void TfrmSession::LoadSessions()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    ReadGuarded([&] {
        tv::db::Query q(&cw->dbsMain());
        lstSession->setUpdatesEnabled(false);
        lstSession->clear();
        txtQuery->Lines()->SetText(QString());
        struct Unlock {
            TtvListView *l;
            ~Unlock() { l->setUpdatesEnabled(true); }
        } unlock{lstSession};
        const int ver = cw->DBVer();
        const QString idCol = monitor::SessionIdColumn(ver);
        const QString queryCol = monitor::SessionQueryColumn(ver);
        // A read inside an open transaction sees the server as it is now.
        ExecProtected(monitor::ClearSnapshotSQL());
        q.SetSQL(monitor::SessionListSQL(ver));
        q.ParamByName(QStringLiteral("datname")).setAsString(cw->DBName());
        OpenProtected(q);
        tv::db::Field &fId = q.FieldByName(idCol);
        tv::db::Field *fState = ver < 90200 ? &q.FieldByName(QStringLiteral("waiting"))
                                            : &q.FieldByName(QStringLiteral("state"));
        QList<tv::db::Field *> rest;
        for (const QString &n : {QStringLiteral("usesysid"), QStringLiteral("usename"), QStringLiteral("datid"),
                                 QStringLiteral("datname"), QStringLiteral("client_ip"),
                                 QStringLiteral("application_name"), QStringLiteral("backend_start"), queryCol})
            rest << &q.FieldByName(n);
        QList<QTreeWidgetItem *> items;
        items.reserve(q.RecordCount());
        for (q.First(); !q.Eof(); q.Next()) {
            QStringList sub;
            sub.reserve(9);
            if (ver < 90200)
                sub << (fState->AsBoolean() ? QStringLiteral("wait") : QStringLiteral("not wait"));
            else
                sub << fState->AsString();
            for (tv::db::Field *f : rest)
                sub << f->AsString();
            items << new TtvListItem(fId.AsString(), sub);
        }
        q.Close();
        lstSession->addTopLevelItems(items);
        if (FSIDOwner != cw) {
            FSIDOwner = cw;
            FMySID = cw->MYSID();
        }
        ColourRows();
        lstSession->CustomSort();
    });
}

void TfrmSession::ColourRows()
{
    for (int i = 0; i < lstSession->ItemCount(); ++i) {
        TtvListItem *it = lstSession->Item(i);
        bool ok = false;
        const int pid = it->Caption().trimmed().toInt(&ok);
        if (ok && pid == FMySID) {
            for (int c = 0; c < lstSession->ColumnCount(); ++c)
                it->setForeground(c, kOwnColour);
        }
    }
}

void TfrmSession::lstSessionSelectItem()
{
    txtQuery->Lines()->SetText(QString());
    TtvListItem *it = lstSession->Selected();
    actKill->setEnabled(it != nullptr);
    if (it)
        txtQuery->Lines()->SetText(it->SubItem(8));
}

void TfrmSession::actKillExecute()
{
    TtvListItem *it = lstSession->Selected();
    if (!it || !OwnerForm() || Reading())
        return;
    if (ShowMessageBox(QStringLiteral("指定したセッションを切断しますか？"),
                       tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) != tv::ui::IDYES)
        return;
    const QString sql = monitor::TerminateSQL(it->Caption());
    if (sql.isEmpty())
        return;
    // The server answers false when it could not signal the process (no
    // backend of that id, or already gone): not terminated either.
    bool terminated = false;
    try {
        tv::db::Query q(&OwnerForm()->dbsMain());
        q.SetParamParsing(false);
        q.SetSQL(sql);
        OpenProtected(q);
        terminated = !q.IsEmpty() && q.Fields(0).AsBoolean();
        q.Close();
    } catch (const tv::SilentAbort &) {
        throw;
    } catch (...) {
    }
    if (!terminated) {
        ShowMessageBox(QStringLiteral("切断に失敗しました。"), tv::ui::MB_ICONSTOP);
        if (IConnectionWindow *cw = OwnerForm())
            FMySID = cw->GetMySID();
    }
    Reload(this);
}

void TfrmSession::FormKeyDown(QObject *Sender, int &Key, Qt::KeyboardModifiers Shift)
{
    if (Sender == lstSession && Key == Qt::Key_Delete) {
        Key = 0;
        tv::ui::Guard([this] { actKillExecute(); });
        return;
    }
    TtvToolForm::FormKeyDown(Sender, Key, Shift);
}
