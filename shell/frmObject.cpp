#include "shell/frmObject.h"

#include "common/Quote.h"
#include "platform/Errors.h"
#include "shell/NameListSQL.h"
#include "shell/ObjectTreePlan.h"
#include "common/RecParam.h"
#include "common/WhereHistory.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WindowMessage.h"
#include "common/MessageDlg.h"
#include "common/WindowPlacement.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace {

const QString ObjectKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\OBJECT");
const QString TreeKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\OBJECTTREE\\");
constexpr int WindowImage = 94;
constexpr int MessagePanel = 2;

// The SQL-wait cursor for a scope; the previous cursor comes back on every exit.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// Key bindings copied from the main window: own action <- main action.
const struct {
    const char *own;
    const char *main;
} ShortCutCopies[] = {
    {"actNew", "actNew"},           {"actDelete", "actEditDelete"},   {"actRename", "actEditRename"},
    {"actOpen", "actOpen"},         {"actOpenDefine", "actOpenDefine"}, {"actOpenSource", "actOpenSource"},
    {"actOpenData", "actOpenData"}, {"actOpenDataTop", "actOpenDataTop"}, {"actExec", "actExec"},
    {"actScript", "actScript"},     {"actPrint", "actPrint"},         {"actSynonym", "actSynonym"},
    {"actCross", "actCross"},       {"actMatrix", "actMatrix"},       {"actGrant", "actGrant"},
    {"actAnalyze", "actAnalyze"},   {"actGrep", "actGrep"},           {"actExport", "actExport"},
    {"actLoad", "actLoad"},
};

const struct {
    const char *name;
    int image;
} ActionImages[] = {
    {"actNewTable", 45}, {"actNewIndex", 46}, {"actNewView", 47},   {"actNewProc", 51},    {"actNewFunc", 52},
    {"actNewPack", 53},  {"actNewType", 55},  {"actNewTrigger", 57}, {"actNewSeq", 58},   {"actNewSynonym", 60},
    {"actNewMView", 61}, {"actNewConst", 66}, {"actNewRule", 127},  {"actNewAgrg", 128},  {"actLogon", 13},
    {"actUser", 2},      {"actStorage", 69},  {"actSession", 5},    {"actLock", 6},       {"actDatabase", 1},
    {"actPerform", 107}, {"actDBExport", 7},  {"actSynonym", 60},   {"actDBLink", 64},    {"actOpen", 17},
    {"actOpenDefine", 17}, {"actExec", 28},   {"actScript", 18},    {"actPrint", 98},     {"actCross", 92},
    {"actGrant", 91},    {"actDelete", 41},   {"actGrep", 24},      {"actExport", 7},     {"actLoad", 9},
    {"actCopy", 21},     {"actPaste", 22},
};

QString ProgramFileName()
{
    return QCoreApplication::applicationName();
}

} // namespace

TfrmObject::TfrmObject(TfrmMain *main)
    : QWidget(nullptr), FMain(main), FdbsMain(std::make_unique<tv::db::Connection>()),
      FdbsBG(std::make_unique<tv::db::Connection>()), FdbsBG2(std::make_unique<tv::db::Connection>()),
      FdbsTrace(std::make_unique<tv::db::Connection>())
{
    setObjectName(QStringLiteral("frmObject"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    qryExec = std::make_unique<tv::db::Query>(FdbsMain.get());
    qryObject = std::make_unique<tv::db::Query>(FdbsMain.get());
    qryKeepAlive = std::make_unique<tv::db::Query>(FdbsMain.get());
    qryObject2 = std::make_unique<tv::db::Query>(FdbsMain.get());
    qryExec->SetParamParsing(false);
    qryKeepAlive->SetParamParsing(false);
    qryObject->SetParamParsing(false);
    qryObject2->SetParamParsing(false);
    for (tv::db::Connection *c : {FdbsMain.get(), FdbsBG.get(), FdbsBG2.get()})
        c->SetCancelCheck(tv::ui::EscapeCancelCheck());
    BuildForm();
}

TfrmObject::~TfrmObject()
{
    if (!FClosed)
        tv::ui::Guard([this] { Discard(); });
}

void TfrmObject::BuildForm()
{
    resize(600, 400);
    tmrKeepAlive = new QTimer(this);
    tmrKeepAlive->setObjectName(QStringLiteral("tmrKeepAlive"));
    connect(tmrKeepAlive, &QTimer::timeout, this, [this] { tmrKeepAliveTimer(); });

    cmbTree = new QComboBox;
    cmbTree->setObjectName(QStringLiteral("cmbTree"));
    cmbTree->addItems({QStringLiteral("すべてのスキーマ"), QStringLiteral("ログインスキーマ"), QStringLiteral("設定")});
    tvTree = new TtvTreeView;
    tvTree->setObjectName(QStringLiteral("tvTree"));
    auto *left = new QWidget;
    auto *ll = new QVBoxLayout(left);
    ll->setContentsMargins(0, 0, 0, 0);
    ll->addWidget(cmbTree);
    ll->addWidget(tvTree, 1);

    pnlFind = new QWidget;
    pnlFind->setObjectName(QStringLiteral("pnlFind"));
    cmbFind = new QComboBox;
    cmbFind->setObjectName(QStringLiteral("cmbFind"));
    cmbFind->setEditable(true);
    auto *fl = new QHBoxLayout(pnlFind);
    fl->setContentsMargins(0, 0, 0, 0);
    fl->addWidget(cmbFind, 1);
    lstObject = new TtvListView;
    lstObject->setObjectName(QStringLiteral("lstObject"));
    lstObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto *right = new QWidget;
    auto *rl = new QVBoxLayout(right);
    rl->setContentsMargins(0, 0, 0, 0);
    rl->addWidget(pnlFind);
    rl->addWidget(lstObject, 1);

    splTree = new QSplitter(Qt::Horizontal);
    splTree->setObjectName(QStringLiteral("splTree"));
    splTree->addWidget(left);
    splTree->addWidget(right);
    splTree->setChildrenCollapsible(false);
    left->setMinimumWidth(30);
    splTree->setSizes({259, 341});
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(splTree);

    auto make = [this](const QString &name) {
        if (QAction *a = FActions.value(name))
            return a;
        auto *a = new QAction(this);
        a->setObjectName(name);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
        FActions.insert(name, a);
        return a;
    };
    for (const auto &c : ShortCutCopies)
        make(QString::fromLatin1(c.own));
    for (const auto &ai : ActionImages)
        make(QString::fromLatin1(ai.name))->setIcon(FMain->MainImage(ai.image));
    for (const char *n : {"actCopy", "actPaste"})
        make(QString::fromLatin1(n));
    ConnectObjectList();
    BuildObjectActions();
}

TfrmObject *TfrmObject::Create(TfrmMain *main, const QString &Host, const QString &Port, const QString &SID,
                               const QString &Schema, const QString &UserID, const QString &Password)
{
    auto *form = new TfrmObject(main);
    QMdiSubWindow *sw = main->AddMdiChild(form);
    try {
        form->Connect(Host, Port, SID, Schema, UserID, Password);
    } catch (...) {
        // Nothing of the half-built window stays behind: its list item, its
        // task button and its frame go, and the other children hear of it.
        const bool listed = form->FListed;
        form->Discard();
        delete sw;
        if (listed)
            main->BroadcastMessage(tv::ui::WM_DBCHANGE);
        throw;
    }
    return form;
}

void TfrmObject::Connect(const QString &Host, const QString &Port, const QString &SID, const QString &Schema,
                         const QString &UserID, const QString &Password)
{
    // 1. Cursor, keep-alive interval, message, icon.
    WaitCursor cursor;
    struct MessageBack {
        TfrmMain *m;
        bool done = false;
        ~MessageBack()
        {
            if (!done)
                m->SetStatusText(MessagePanel, QString());
        }
    } messageBack{FMain};
    if (tvOption.KeepAliveInterval > 0)
        tmrKeepAlive->setInterval(tvOption.KeepAliveInterval * 1000);
    FMain->SetStatusText(MessagePanel, QStringLiteral("データベースに接続中です．．．"));
    setWindowIcon(FMain->MainImage(WindowImage));

    // 2. The caption.
    const TRecParam param = MakeRecParam(Host, SID, Schema, Port, UserID, Password, QString(), QString(), QString());
    setWindowTitle(QStringLiteral("オブジェクトリスト - ") + FormatRecParamCaption(param, 0, false));

    // 3. Connection parameters.
    tv::db::ConnectionParams &p = FdbsMain->Params();
    p.Server = Host;
    p.Database = SID;
    p.MetaDefSchema = Schema;
    p.setValue(QStringLiteral("Port"), Port.trimmed());
    p.User_Name = UserID;
    p.Password = Password;
    p.ApplicationName = ProgramFileName();
    p.LoginTimeout = 15;
    p.CharacterSet = tvOption.CharacterSet;
    FdbsMain->SetAutoCommit(tvOption.UpdateToCommit);

    // 4. Connect.
    try {
        FdbsMain->Open();
    } catch (const tv::Error &e) {
        if (e.text().contains(QLatin1String("timeout")) && e.text().contains(QLatin1String("expired"))) {
            ShowMessageBox(QStringLiteral("タイムアウト時間が過ぎました。"), tv::ui::MB_ICONEXCLAMATION);
            throw tv::SilentAbort();
        }
        throw;
    }

    // 5. Database name and process id.
    FDBName = SID;
    FMYSID = GetMySID();

    // 6. Server version.
    try {
        tv::db::Query &q = OpenSQL(QStringLiteral("SELECT version()"));
        if (!q.Eof()) {
            try {
                const QString text = q.Fields(0).AsString();
                FPostgresPlus = text.contains(QLatin1String("EnterpriseDB"), Qt::CaseInsensitive);
                FDBVer = VersionNumber(ParseServerVersion(text, &FLinuxVer));
            } catch (...) {
                FDBVer = 999999;
            }
        }
    } catch (const tv::Error &) {
        // The version query failed: DBVer stays 0.
    }
    qryExec->Close();

    // 7. A transaction block unless auto-commit is on (the connection opened
    //    it already when its first statement ended).
    if (!tvOption.UpdateToCommit && FdbsMain->transactionState() == tv::db::TransactionState::Idle)
        ExecuteSQL(QStringLiteral("BEGIN"));

    // 8. The schema: an empty one is the server's current schema; one that is
    //    not in the list becomes the first schema of the list.
    QString schema = Schema;
    if (schema.trimmed().isEmpty()) {
        tv::db::Query &q = OpenSQL(QStringLiteral("SELECT current_schema()"));
        if (!q.Eof() && !q.Fields(0).IsNull())
            schema = q.Fields(0).AsString();
        qryExec->Close();
    }
    QStringList schemas;
    GetSchemaInfo(schemas, true);
    if (!schemas.contains(schema) && !schemas.isEmpty())
        schema = schemas.first();
    p.MetaDefSchema = schema;

    // 9, 10. Search path and application name; a failure is ignored (and,
    //    inside a transaction block, does not abort it).
    auto ignoring = [this](const QString &sql) {
        try {
            tv::db::StatementSavepoint sp(*FdbsMain);
            ExecuteSQL(sql);
            sp.release();
        } catch (const tv::db::DbError &e) {
            if (e.connectionLost())
                throw;
        }
    };
    ignoring(QStringLiteral("set search_path to ") + QuoteIdentifier(schema));
    if (FDBVer > 119999)
        ignoring(QStringLiteral("SELECT set_config('application_name',") + QuoteLiteral(ProgramFileName()) +
                 QStringLiteral(",false)"));

    // 11. The connection list.
    FMain->AddConnection(this, ConnectionText());
    FListed = true;
    if (QMdiSubWindow *sw = FMain->SubWindowOf(this))
        sw->show();
    FMain->cmbDBNameChange();
    // 12. Every child hears of the new connection.
    FMain->BroadcastMessage(tv::ui::WM_DBCHANGE);

    // 13. Tree order and schema filter.
    Disp = 0;
    try {
        // Settings that cannot be read give the default order.
        auto &reg = tv::settings::tvRegistry();
        const QString treeKey = TreeKey + tv::settings::EscapeKeyName(FDBName);
        if (reg.KeyExists(treeKey) && reg.OpenKeyReadOnly(treeKey)) {
            Disp = reg.GetInteger(QStringLiteral("Disp"), 0);
            reg.CloseKey();
        }
    } catch (const tv::Error &) {
        Disp = 0;
    }
    if (Disp < 0 || Disp >= cmbTree->count())
        Disp = 0;
    cmbTree->setCurrentIndex(Disp);
    // 14.
    ShowTree();
    // 15.
    LoadWindowState();
    // 16. List style, find panel and its history.
    pnlFind->setVisible(tvOption.Find);
    lstObject->SetRowSelect(tvOption.RowSelect);
    QStringList history;
    LoadWhereHistory(QStringLiteral("%"), QStringLiteral("%"), history);
    cmbFind->addItems(history);
    // 17.
    SetCommandList();
    SetReportList();
    SetShortCut();
    // 18. The task-bar button.
    FTaskButton = FMain->AddTaskButton(this, FormatRecParamCaption(param, 0, true), windowTitle(), WindowImage);
    // 19.
    FMain->ShowWorkSpace(nullptr);
    messageBack.done = true;
    FMain->SetDefMessage();
    if (tvOption.KeepAliveInterval > 0)
        tmrKeepAlive->start();
}

void TfrmObject::Discard()
{
    tmrKeepAlive->stop();
    if (FListed) {
        FListed = false;
        FMain->RemoveConnection(this);
        FMain->cmbDBNameChange();
    }
    if (FTaskButton) {
        FMain->RemoveTaskButton(FTaskButton);
        FTaskButton = nullptr;
    }
    FdbsMain->Close();
    FdbsBG->Close();
    FdbsBG2->Close();
    FdbsTrace->Close();
    FClosed = true;
}

QString TfrmObject::ConnectionText() const
{
    const tv::db::ConnectionParams &p = FdbsMain->Params();
    return FormatRecParamCaption(MakeRecParam(p.Server, p.Database, p.MetaDefSchema, p.value(QStringLiteral("Port")),
                                              p.User_Name, p.Password, QString(), QString(), QString()),
                                 0, false);
}

// ---------------------------------------------------------------------------
// Activation and closing

void TfrmObject::FormActivate()
{
    FMain->SelectConnection(ConnectionText(), Qt::CaseSensitive, this);
    FMain->PressTaskButton(FTaskButton);
    mnuObjectClick();
    const struct {
        const char *button;
        const char *own;
        bool visible;
    } optional[] = {
        {"btnNewMView", "actNewMView", FDBVer > 90299},
        {"btnNewAgrg", "actNewAgrg", FDBVer > 90399},
        {"btnNewProc", "actNewProc", FPostgresPlus || FDBVer > 109999},
        {"btnNewPack", "actNewPack", FPostgresPlus},
        {"btnNewSynonym", "actNewSynonym", FPostgresPlus},
    };
    for (const auto &o : optional) {
        if (QAction *a = FMain->Action(QString::fromLatin1(o.button)))
            a->setVisible(o.visible);
        if (QAction *a = Action(QString::fromLatin1(o.own)))
            a->setVisible(o.visible);
    }
    if (QAction *a = FMain->Action(QStringLiteral("actAdminDBLink"))) {
        a->setVisible(FPostgresPlus);
        a->setEnabled(FPostgresPlus);
    }
}

bool TfrmObject::FormCloseQuery()
{
    const QList<QWidget *> children = FMain->MdiChildren();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto *child = dynamic_cast<IChildWindow *>(*it);
        if (child && child != this && child->OwnerConnection() == this && !child->CanClose())
            return false;
    }
    return true;
}

void TfrmObject::closeEvent(QCloseEvent *e)
{
    if (FClosed) {
        e->accept();
        return;
    }
    bool may = false;
    tv::ui::Guard([&] { may = FormCloseQuery(); });
    if (!may) {
        e->ignore();
        return;
    }
    tv::ui::Guard([this] { FormClose(); });
    e->accept();
}

void TfrmObject::FormClose()
{
    tmrKeepAlive->stop();
    // 1.
    FMain->SetStatusText(MessagePanel, QString());
    FMain->ShowWorkSpace(this);
    try {
        SaveWindowState();
        // 2. Column widths and the schema filter.
        auto &reg = tv::settings::tvRegistry();
        SaveObjectColumnWidths();
        reg.OpenKey(TreeKey + tv::settings::EscapeKeyName(FDBName), true);
        reg.WriteInteger(QStringLiteral("Disp"), cmbTree->currentIndex());
        reg.CloseKey();
    } catch (const tv::Error &) {
        // The window closes all the same; its layout is not kept.
    }
    // 3.
    ClearCopyObjectList();
    // 4. The open transaction is rolled back.
    if (!tvOption.UpdateToCommit && FdbsMain->Connected()) {
        try {
            qryObject->SetSQL(QStringLiteral("ROLLBACK"));
            qryObject->ExecSQL();
        } catch (const tv::Error &) {
        }
    }
    // The windows this one owns go with it.
    for (QWidget *w : FMain->MdiChildren()) {
        auto *child = dynamic_cast<IChildWindow *>(w);
        if (child && child != this && child->OwnerConnection() == this) {
            if (QMdiSubWindow *sw = FMain->SubWindowOf(w))
                sw->deleteLater();
        }
    }
    // 5.
    FdbsMain->Close();
    FdbsBG->Close();
    FdbsBG2->Close();
    FdbsTrace->Close();
    // 6.
    if (FListed) {
        FListed = false;
        FMain->RemoveConnection(this);
        FMain->cmbDBNameChange();
    }
    // 7.
    FMain->BroadcastMessage(tv::ui::WM_DBCHANGE);
    // 8.
    FMain->RemoveTaskButton(FTaskButton);
    FTaskButton = nullptr;
    FClosed = true;
}

bool TfrmObject::event(QEvent *e)
{
    if (tv::ui::IsWindowMessage(e)) {
        auto *m = static_cast<tv::ui::WindowMessageEvent *>(e);
        if (m->message() == tv::ui::WM_RELOAD)
            tv::ui::Guard([this] { ShowObject(false); });
        return true;
    }
    if (e->type() == QEvent::WindowTitleChange && FTaskButton)
        FTaskButton->setToolTip(windowTitle());
    return QWidget::event(e);
}

// ---------------------------------------------------------------------------
// Window state

void TfrmObject::LoadWindowState()
{
    auto &reg = tv::settings::tvRegistry();
    if (!reg.OpenKey(ObjectKey, true))
        return;
    QMdiSubWindow *sw = FMain->SubWindowOf(this);
    int state = 0;
    if (FMain->MdiChildren().size() == 1) {
        state = reg.GetInteger(QStringLiteral("WindowState"), 0);
        if (state == 1)
            state = 0;
    }
    if (sw) {
        if (state == 2) {
            sw->showMaximized();
        } else {
            const int w = reg.GetInteger(QStringLiteral("Width"), sw->width());
            const int h = reg.GetInteger(QStringLiteral("Height"), sw->height());
            sw->resize(w, h);
        }
        FitIntoMdiArea(sw);
    }
    const QList<int> sizes = splTree->sizes();
    const int tree = std::max(30, reg.GetInteger(QStringLiteral("TreeWidth"), sizes.value(0)));
    const int total = std::max(tree + 1, sizes.value(0) + sizes.value(1));
    splTree->setSizes({tree, total - tree});
    reg.CloseKey();
}

void TfrmObject::SaveWindowState()
{
    auto &reg = tv::settings::tvRegistry();
    reg.OpenKey(ObjectKey, true);
    QMdiSubWindow *sw = FMain->SubWindowOf(this);
    const int state = !sw ? 0 : sw->isMinimized() ? 1 : sw->isMaximized() ? 2 : 0;
    reg.WriteInteger(QStringLiteral("WindowState"), state);
    if (state == 0 && sw) {
        reg.WriteInteger(QStringLiteral("Width"), sw->width());
        reg.WriteInteger(QStringLiteral("Height"), sw->height());
    }
    reg.WriteInteger(QStringLiteral("TreeWidth"), splTree->sizes().value(0));
    reg.CloseKey();
}

// ---------------------------------------------------------------------------
// Keep-alive

void TfrmObject::tmrKeepAliveTimer()
{
    // A busy connection (a statement running, a nested event loop) is skipped,
    // and a tick that comes while the previous one is still reporting too.
    if (FInKeepAlive || !FdbsMain->Connected() || FdbsMain->Busy())
        return;
    FInKeepAlive = true;
    tmrKeepAlive->setInterval(tvOption.KeepAliveInterval * 1000);
    try {
        qryKeepAlive->Close();
        qryKeepAlive->SetSQL(QStringLiteral("SELECT 1 "));
        qryKeepAlive->Open();
        qryKeepAlive->Close();
        FKeepAliveFailing = false;
    } catch (const tv::Error &e) {
        qryKeepAlive->Close();
        // One message per outage, not one per tick.
        if (!FKeepAliveFailing) {
            FKeepAliveFailing = true;
            tv::ui::ShowError(e.text());
        }
    }
    FInKeepAlive = false;
}

// ---------------------------------------------------------------------------
// Debugger connections

void TfrmObject::CopyParams(tv::db::Connection &target)
{
    if (target.Connected())
        return;
    const tv::db::ConnectionParams &p = FdbsMain->Params();
    tv::db::ConnectionParams &t = target.Params();
    t.Server = p.Server;
    t.Database = p.Database;
    t.MetaDefSchema = p.MetaDefSchema;
    t.Port = p.Port;
    t.User_Name = p.User_Name;
    t.Password = p.Password;
    t.ApplicationName = p.ApplicationName;
}

tv::db::Connection &TfrmObject::dbsBG()
{
    CopyParams(*FdbsBG);
    return *FdbsBG;
}

tv::db::Connection &TfrmObject::dbsBG2()
{
    CopyParams(*FdbsBG2);
    return *FdbsBG2;
}

// ---------------------------------------------------------------------------
// Shortcuts and counts

void TfrmObject::SetShortCut()
{
    for (const auto &c : ShortCutCopies) {
        QAction *own = Action(QString::fromLatin1(c.own));
        QAction *main = FMain->Action(QString::fromLatin1(c.main));
        if (own && main)
            own->setShortcut(main->shortcut());
    }
}

int TfrmObject::ObjectCount() const
{
    return lstObject->topLevelItemCount();
}

int TfrmObject::SelectedObjectCount() const
{
    return int(lstObject->selectedItems().size());
}

// ---------------------------------------------------------------------------
// Statement services

void TfrmObject::ExecuteSQL(const QString &SQLText)
{
    WaitCursor cursor;
    qryExec->Close();
    try {
        qryExec->SetParamParsing(false);
        qryExec->SetSQL(SQLText);
        // One round trip: rows a statement returns are read and dropped, so
        // it need not be described first.
        qryExec->ExecSQL();
    } catch (...) {
        qryExec->Close();
        throw;
    }
    qryExec->Close();
}

void TfrmObject::ExecuteSQL(const QString &SQLText, const QStringList &ParamData)
{
    WaitCursor cursor;
    qryExec->Close();
    try {
        qryExec->SetParamParsing(true);
        qryExec->SetSQL(SQLText);
        tv::db::Params &params = qryExec->Params();
        if (params.count() != ParamData.size())
            throw tv::Error(QStringLiteral("パラメータの数が一致しません。"));
        for (int i = 0; i < params.count(); ++i)
            params[i].setAsString(ParamData.at(i));
        qryExec->ExecSQL();
    } catch (...) {
        qryExec->Close();
        qryExec->SetParamParsing(false);
        throw;
    }
    qryExec->Close();
    qryExec->SetParamParsing(false);
}

QStringList TfrmObject::SplitScript(const QStringList &lines)
{
    QStringList statements;
    QStringList buffer;
    auto flush = [&] {
        const QString text = buffer.join(QLatin1Char('\n'));
        if (!text.trimmed().isEmpty())
            statements.append(text);
        buffer.clear();
    };
    for (const QString &line : lines) {
        if (line.trimmed() == QLatin1String(";"))
            flush();
        else
            buffer.append(line);
    }
    flush();
    return statements;
}

void TfrmObject::ExecuteSQL(const QStringList &SQLText, bool IgnoreError)
{
    WaitCursor cursor;
    for (const QString &statement : SplitScript(SQLText)) {
        if (!IgnoreError) {
            ExecuteSQL(statement);
            continue;
        }
        // Skipping a failed statement must not abort an open block.
        try {
            tv::db::StatementSavepoint sp(*FdbsMain);
            ExecuteSQL(statement);
            sp.release();
        } catch (const tv::db::DbError &e) {
            if (e.connectionLost())
                throw;
        }
    }
}

tv::db::Query &TfrmObject::OpenSQL(const QString &SQLText)
{
    qryExec->Close();
    qryExec->SetParamParsing(false);
    qryExec->SetSQL(SQLText);
    qryExec->Open();
    return *qryExec;
}

tv::db::Query &TfrmObject::OpenSQL(const QString &SQLText, const QStringList &ParamData)
{
    qryExec->Close();
    qryExec->SetParamParsing(true);
    qryExec->SetSQL(SQLText);
    tv::db::Params &params = qryExec->Params();
    if (params.count() != ParamData.size()) {
        qryExec->SetParamParsing(false);
        throw tv::Error(QStringLiteral("パラメータの数が一致しません。"));
    }
    for (int i = 0; i < params.count(); ++i)
        params[i].setAsString(ParamData.at(i));
    try {
        qryExec->Open();
    } catch (...) {
        qryExec->SetParamParsing(false);
        throw;
    }
    qryExec->SetParamParsing(false);
    return *qryExec;
}

int TfrmObject::GetMySID()
{
    try {
        tv::db::Query &q = OpenSQL(QStringLiteral("SELECT pg_backend_pid()"));
        const int pid = q.Eof() ? 0 : q.Fields(0).AsInteger();
        qryExec->Close();
        return pid;
    } catch (...) {
        qryExec->Close();
        return -1;
    }
}

QString TfrmObject::VerStr(int Version, const QString &S1, const QString &S2) const
{
    return FDBVer < Version ? S2 : S1;
}

// ---------------------------------------------------------------------------
// Server version

QString TfrmObject::ParseServerVersion(const QString &text, bool *isLinux)
{
    const int blank = text.indexOf(QLatin1Char(' '));
    QString number;
    if (blank >= 0) {
        const int start = blank + 1;
        for (int i = start; i < text.size(); ++i) {
            if (text[i] == QLatin1Char(',') || text[i] == QLatin1Char(' ')) {
                number = text.mid(start, i - start);
                break;
            }
        }
    }
    if (isLinux)
        *isLinux = text.contains(QLatin1String("linux"));
    for (const QLatin1StringView tag : {QLatin1StringView("beta"), QLatin1StringView("rc")}) {
        const int p = number.indexOf(tag);
        if (p >= 0) {
            number.replace(tag, QLatin1String("."));
            number = number.left(p + 1) + QLatin1Char('0');
        }
    }
    int dots = 0;
    for (int i = 0; i < number.size(); ++i) {
        if (number[i] == QLatin1Char('.') && ++dots == 3) {
            number.truncate(i);
            break;
        }
    }
    return number;
}

int TfrmObject::VersionNumber(const QString &dotted)
{
    auto part = [](const QString &s, bool *ok) {
        // Digits only: no sign, no blanks.
        *ok = !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
        return *ok ? s.toInt(ok) : 0;
    };
    bool ok = false;
    const int dot = dotted.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        const int major = part(dotted, &ok);
        return ok ? major * 10000 : 999999;
    }
    const int major = part(dotted.left(dot), &ok);
    if (!ok)
        return 999999;
    const QString rest = dotted.mid(dot + 1);
    const int dot2 = rest.indexOf(QLatin1Char('.'));
    if (dot2 < 0) {
        const int minor = part(rest, &ok);
        return ok ? major * 10000 + minor * 100 : 999999;
    }
    bool ok2 = false;
    const int minor = part(rest.left(dot2), &ok);
    const int patch = part(rest.mid(dot2 + 1), &ok2);
    return ok && ok2 ? major * 10000 + minor * 100 + patch : 999999;
}

// ---------------------------------------------------------------------------
// Name lists

QString TfrmObject::SchemaInfoSQL(bool ObjList, bool postgresPlus, int dbVer)
{
    // "_" is escaped in the patterns: a user schema such as "pgagent" is no
    // system schema.
    QString edb;
    if (postgresPlus)
        edb = dbVer < 90200 ? QStringLiteral(" AND ( NOT(nspparent != 0)  )")
                            : QStringLiteral(" AND ( NOT((nspparent != 0) AND (nspobjecttype = 0)) )");
    if (!ObjList)
        return QStringLiteral(" SELECT nspname AS \"schema_name\" FROM pg_namespace WHERE ( NOT(nspname LIKE 'pg\\_%') "
                              "OR nspname = 'pg_catalog' )") +
               edb + QStringLiteral(" ORDER BY 1");
    return QStringLiteral(" SELECT DISTINCT CASE WHEN nspname LIKE 'pg\\_temp%' THEN 'pg_temp' WHEN nspname LIKE "
                          "'pg\\_toast\\_temp%' THEN 'pg_toast_temp' ELSE nspname END \"schema_name\"") +
           QStringLiteral(" FROM") + QStringLiteral(" pg_namespace") + QStringLiteral(" WHERE") +
           QStringLiteral(" (NOT(nspname LIKE 'pg\\_%')") + QStringLiteral(" OR (nspname = 'pg_catalog')") +
           QStringLiteral(" OR (nspname LIKE 'pg\\_temp%')") + QStringLiteral(" OR (nspname LIKE 'pg\\_toast')") +
           QStringLiteral(" OR (nspname LIKE 'pg\\_toast\\_temp%'))") + edb + QStringLiteral(" ORDER BY") +
           QStringLiteral(" 1");
}

void TfrmObject::GetSchemaInfo(QStringList &ListData, bool ObjList)
{
    WaitCursor cursor;
    ListData.clear();
    tv::db::Query &q = OpenSQL(SchemaInfoSQL(ObjList, FPostgresPlus, FDBVer));
    for (q.First(); !q.Eof(); q.Next())
        ListData.append(q.Fields(0).AsString());
}

namespace {

// Fills a list from the first column of a query, as one change.
void FillNames(tv::db::Query &q, QStringList &ListData)
{
    for (q.First(); !q.Eof(); q.Next())
        ListData.append(q.Fields(0).AsString());
}

} // namespace

void TfrmObject::GetUser(QStringList &ListData, bool AddPublic)
{
    WaitCursor cursor;
    ListData.clear();
    FillNames(OpenSQL(UserListSQL()), ListData);
    qryExec->Close();
    if (AddPublic)
        ListData.append(QStringLiteral("public"));
}

void TfrmObject::GetRole(QStringList &ListData)
{
    WaitCursor cursor;
    ListData.clear();
    FillNames(OpenSQL(RoleListSQL()), ListData);
    qryExec->Close();
}

void TfrmObject::GetTBS(QStringList &ListData)
{
    WaitCursor cursor;
    ListData.clear();
    FillNames(OpenSQL(TablespaceListSQL()), ListData);
    qryExec->Close();
}

void TfrmObject::GetDBLink(QStringList &ListData)
{
    WaitCursor cursor;
    ListData.clear();
    FillNames(OpenSQL(DBLinkListSQL()), ListData);
    qryExec->Close();
}

void TfrmObject::GetObject(QStringList &ListData, const QString &Schema, const QString &ObjectType)
{
    WaitCursor cursor;
    ListData.clear();
    const QString schema = Schema.trimmed().isEmpty() ? QStringLiteral("%") : Schema;
    const QString type = ObjectType.trimmed().isEmpty() ? QStringLiteral("%") : ObjectType;
    const QString sql = ObjectNameListSQL(type, FDBVer, FPostgresPlus);
    if (sql.isEmpty())
        throw tv::Error(QStringLiteral("オブジェクトの種類 \"%1\" の一覧はありません。").arg(type));
    FillNames(OpenSQL(sql, {schema}), ListData);
    qryExec->Close();
}

void TfrmObject::GetDataType(QStringList &ListData, int)
{
    WaitCursor cursor;
    ListData.clear();
    QStringList names;
    FillNames(OpenSQL(DataTypeListSQL()), names);
    qryExec->Close();
    ListData = FilterDataTypeNames(names);
}

// ---------------------------------------------------------------------------
// Object tree

namespace {
constexpr int ImageRole = Qt::UserRole + 1;
}

int TfrmObject::NodeImage(const QTreeWidgetItem *node)
{
    return node ? node->data(0, ImageRole).toInt() : -1;
}

void TfrmObject::ShowTree()
{
    TObjectTreeSettings s;
    const tv::db::ConnectionParams &p = FdbsMain->Params();
    s.Database = p.Database;
    GetSchemaInfo(s.Schemas, true);
    s.LoginSchema = DequoteIdentifier(p.MetaDefSchema);
    s.Disp = Disp;
    try {
        auto &reg = tv::settings::tvRegistry();
        const QString treeKey = TreeKey + tv::settings::EscapeKeyName(p.Database);
        if (reg.KeyExists(treeKey) && reg.OpenKeyReadOnly(treeKey)) {
            s.Configured = tv::settings::TextToStrings(reg.GetString(QStringLiteral("Schema"), QString()));
            reg.CloseKey();
        }
    } catch (const tv::Error &) {
        s.Configured.clear();
    }
    s.KindFirst = tvOption.TreeSort == 1;
    s.UserFirst = tvOption.UserFirst;
    s.DBVer = FDBVer;
    s.IsEdb = FPostgresPlus;
    const struct {
        int code;
        bool on;
    } switches[] = {
        {45, tvOption.ShowTable}, {46, tvOption.ShowIndex}, {47, tvOption.ShowView},    {51, tvOption.ShowProc},
        {52, tvOption.ShowFunc},  {53, tvOption.ShowPack},  {55, tvOption.ShowType},    {57, tvOption.ShowTrigger},
        {58, tvOption.ShowSeq},   {60, tvOption.ShowSynonym}, {61, tvOption.ShowMView}, {66, tvOption.ShowConst},
        {127, tvOption.ShowRule}, {128, tvOption.ShowAgrg},
    };
    for (const auto &sw : switches)
        if (!sw.on)
            s.Hidden << sw.code;
    const TObjectTreeNode plan = BuildObjectTreePlan(s);

    QTreeWidgetItem *selected = nullptr;
    {
        const QSignalBlocker block(tvTree);
        tvTree->setUpdatesEnabled(false);
        struct Resume {
            QWidget *w;
            ~Resume() { w->setUpdatesEnabled(true); }
        } resume{tvTree};
        tvTree->clear();
        std::function<void(QTreeWidgetItem *, const TObjectTreeNode &)> add = [&](QTreeWidgetItem *parent,
                                                                                  const TObjectTreeNode &n) {
            TtvTreeNode *node = tvTree->AddNode(static_cast<TtvTreeNode *>(parent), n.Text);
            node->setIcon(0, FMain->MainImage(n.Image));
            node->setData(0, ImageRole, n.Image);
            for (const TObjectTreeNode &c : n.Children)
                add(node, c);
            if (n.Expand)
                node->setExpanded(true);
            if (n.Select && !selected)
                selected = node;
        };
        add(nullptr, plan);
        if (QTreeWidgetItem *root = tvTree->topLevelItem(0))
            root->setExpanded(true);
        if (selected) {
            tvTree->setCurrentItem(selected);
            tvTree->scrollToItem(selected, QAbstractItemView::PositionAtTop);
        }
    }
    // Selecting a node lists its objects, as a click on it does; a listing
    // that fails is shown and leaves the window (and the tree) as they are.
    if (selected)
        tv::ui::Guard([this] { ShowObject(false); });
}
