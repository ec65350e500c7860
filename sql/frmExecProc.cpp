#include "sql/frmExecProc.h"

#include "common/ControlStyle.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/RecParam.h"
#include "controls/tvToolBar.h"
#include "controls/tvTreeView.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Query.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/frmDebug.h"
#include "sql/trdExec.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kSettingsKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\EXECPROC");
constexpr int kDefaultWidth = 560;
constexpr int kDefaultHeight = 480;
constexpr int kDefaultOutputHeight = 140;
// How long a released run may take to end before its session is ended.
constexpr int kCancelWaitMs = 5000;

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// An untyped parameter: the server infers its type from the statement.
void SetParam(tv::db::Query *q, const QString &name, const QString &value)
{
    q->ParamByName(name).Value = value;
}

TfrmObject *ConnectionForm(IConnectionWindow *w)
{
    return w ? dynamic_cast<TfrmObject *>(w->FormWidget()) : nullptr;
}

QString Flag(bool on)
{
    return on ? QStringLiteral("-1") : QStringLiteral("0");
}

} // namespace

// ---------------------------------------------------------------------------
// Creation

TfrmExecProc::TfrmExecProc(QObject *AOwner, const QString &Schema, const QString &ObjectName, int ObjectType,
                           qint64 p_intOID, bool p_bPLPGSQL)
    : TtvForm(AOwner)
{
    setObjectName(QStringLiteral("frmExecProc"));
    BuildForm();
    qryArgument = NewQuery();
    qryExec = NewQuery();
    qryDebug = NewQuery();
    IConnectionWindow *owner = OwnerForm();
    if (!owner)
        throw tv::SilentAbort{};
    if (ObjectType == 128) {
        // An aggregate is called inside a query over rows, not on its own.
        ShowMessageBox(QStringLiteral("集約関数は実行できません。"), tv::ui::MB_ICONWARNING);
        throw tv::SilentAbort{};
    }
    cmbSchema->setEditText(Schema);
    txtName->setText(ObjectName);

    const tv::db::ConnectionParams &p = owner->dbsMain().Params();
    QString typeList;
    int kind = 4;
    if (ObjectType == 51 || ObjectType == 52) {
        L_strTypLst = GetArgumentTypeList(p_intOID);
        typeList = L_strTypLst;
        kind = 5;
    }
    const TRecParam rec =
        MakeRecParam(p.Server, p.Database, Schema, QString::number(p.Port), p.User_Name, p.Password, ObjectName, typeList, QString());
    const QString caption = QStringLiteral("ストアドプログラム実行 - ") + FormatRecParamCaption(rec, kind, false);
    if (IMainWindow *main = MainWindow()) {
        if (main->FindWindowOf<TfrmExecProc>(caption, true))
            throw tv::SilentAbort{};
    }
    CreateTaskButton();
    SetWindowIcon(this, 28);
    setWindowTitle(caption);
    L_intOID = p_intOID;
    SetTaskCaption(ObjectName);
    FObjType = ObjectType == 54 ? 53 : ObjectType;

    pnlSubProgram->setVisible(FObjType == 53);
    if (FObjType == 53) {
        LoadSubPrograms();
        if (cmbSubProgram->count() == 0) {
            ShowMessageBox(QStringLiteral("実行できるプロシージャまたはファンクションがありません。"),
                           tv::ui::MB_ICONWARNING);
            throw tv::SilentAbort{};
        }
        cmbSubProgram->setCurrentIndex(0);
    }
    LoadArguments();
    btnDebug->setEnabled(p_bPLPGSQL);
    FinishCreate();
}

TfrmExecProc::~TfrmExecProc()
{
    FDestroying = true;
    if (FThread) {
        // The window goes while a run is held: release it before the
        // sessions and the queries go.
        // (Without its connection window the debugger's session is gone,
        // and the target with it.)
        if (FDebug && OwnerForm())
            FDebug->ReleaseTarget();
        ReleaseRun([this](int ms) { return FThread->wait(ms); });
        FThread->wait();
        FThread.reset();
        EnableMain(true);
    }
    if (FDebug) {
        FDebug->CloseQuietly();
        delete FDebug.data();
    }
}

void TfrmExecProc::ReleaseRun(const std::function<bool(int)> &waitWorker)
{
    // The run ends only after this (events flow in the waits).
    ++FDebugBusy;
    struct Done {
        TfrmExecProc *w;
        ~Done()
        {
            if (--w->FDebugBusy == 0 && !w->FDestroying)
                w->PostFinishRun();
        }
    } done{this};
    // A running call takes a cancel.
    FThread->CancelTarget();
    if (waitWorker(2000))
        return;
    // A target that waits for its debugger takes no cancel and no
    // termination: attach to it and abort it.
    if (const int id = FBreakId.load()) {
        for (int i = 0; i < 10; ++i) {
            try {
                tv::db::Connection side(FTargetConn->Params());
                side.Open();
                side.Exec(QStringLiteral("SELECT pldbg_abort_target(pldbg_attach_to_port(") + QString::number(id) +
                          QStringLiteral("))"));
            } catch (const std::exception &) {
            }
            if (waitWorker(1000))
                return;
        }
    }
    TerminateTarget();
    waitWorker(kCancelWaitMs);
}

void TfrmExecProc::TerminateTarget()
{
    const int pid = FThread ? FThread->TargetPid() : 0;
    if (!pid)
        return;
    try {
        tv::db::Connection side(FTargetConn->Params());
        side.Open();
        side.Exec(QStringLiteral("SELECT pg_terminate_backend(") + QString::number(pid) + QLatin1Char(')'));
    } catch (const std::exception &) {
    }
}

void TfrmExecProc::BuildForm()
{
    IMainWindow *main = MainWindow();
    auto img = [main](int i) { return main ? main->ButtonImage(i) : QIcon(); };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    tbrMain = new TtvToolBar(this);
    tbrMain->setObjectName(QStringLiteral("tbrMain"));
    tbrMain->SetButtonWidth(78);
    tbrMain->SetWrapable(true);
    auto button = [this, &img](const char *name, const QString &caption, int image) {
        auto *b = new QToolButton(tbrMain);
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setIcon(img(image));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        tbrMain->addWidget(b);
        return b;
    };
    btnExec = button("btnExec", QStringLiteral("実行(&E)"), 28);
    btnDebug = button("btnDebug", QStringLiteral("&DEBUG"), 43);
    btnExit = button("btnExit", QStringLiteral("終了(&X)"), 42);
    using tv::ui::Guarded;
    connect(btnExec, &QToolButton::clicked, this, Guarded([this] { btnExecClick(); }));
    connect(btnDebug, &QToolButton::clicked, this, Guarded([this] { btnDebugClick(); }));
    connect(btnExit, &QToolButton::clicked, this, Guarded([this] { btnExitClick(); }));
    layout->addWidget(tbrMain);

    auto *pnlName = new QWidget(this);
    pnlName->setObjectName(QStringLiteral("pnlName"));
    auto *nameRow = new QHBoxLayout(pnlName);
    nameRow->setContentsMargins(4, 0, 4, 0);
    nameRow->addWidget(new QLabel(QStringLiteral("スキーマ"), pnlName));
    cmbSchema = new QComboBox(pnlName);
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    cmbSchema->setEditable(true);
    nameRow->addWidget(cmbSchema, 1);
    nameRow->addWidget(new QLabel(QStringLiteral("名前"), pnlName));
    txtName = new QLineEdit(pnlName);
    txtName->setObjectName(QStringLiteral("txtName"));
    nameRow->addWidget(txtName, 2);
    pnlName->setEnabled(false);
    layout->addWidget(pnlName);

    pnlSubProgram = new QWidget(this);
    pnlSubProgram->setObjectName(QStringLiteral("pnlSubProgram"));
    auto *subRow = new QHBoxLayout(pnlSubProgram);
    subRow->setContentsMargins(4, 0, 4, 0);
    subRow->addWidget(new QLabel(QStringLiteral("サブプログラム"), pnlSubProgram));
    cmbSubProgram = new QComboBox(pnlSubProgram);
    cmbSubProgram->setObjectName(QStringLiteral("cmbSubProgram"));
    subRow->addWidget(cmbSubProgram, 1);
    connect(cmbSubProgram, &QComboBox::activated, this, Guarded([this](int) {
                if (cmbSubProgram->count() > 0)
                    LoadArguments();
            }));
    layout->addWidget(pnlSubProgram);

    splOutput = new QSplitter(Qt::Vertical, this);
    splOutput->setObjectName(QStringLiteral("splOutput"));
    lstParam = new TtvTreeView(splOutput);
    lstParam->setObjectName(QStringLiteral("lstParam"));
    lstParam->AddSection(QStringLiteral("名前"), 200);
    lstParam->AddSection(QStringLiteral("タイプ"), 110);
    lstParam->AddSection(QStringLiteral("値"), 416);
    lstParam->AddSection(QStringLiteral("タイプ型"), 0);
    lstParam->AddSection(QStringLiteral("配列型"), 0);
    lstParam->setColumnHidden(3, true);
    lstParam->setColumnHidden(4, true);
    connect(lstParam, &QTreeWidget::currentItemChanged, this, Guarded([this](QTreeWidgetItem *item, QTreeWidgetItem *) {
                lstParamChange(static_cast<TtvTreeNode *>(item));
            }));
    connect(lstParam->header(), &QHeaderView::sectionResized, this, [this] { PlaceEditBox(); });
    connect(lstParam->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { PlaceEditBox(); });
    connect(lstParam->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { PlaceEditBox(); });
    lstParam->installEventFilter(this);
    lstParam->viewport()->installEventFilter(this);
    txtParam = new QLineEdit(lstParam->viewport());
    txtParam->setObjectName(QStringLiteral("txtParam"));
    txtParam->hide();
    txtOutput = new QPlainTextEdit(splOutput);
    txtOutput->setObjectName(QStringLiteral("txtOutput"));
    txtOutput->setReadOnly(true);
    txtOutput->setPlainText(QStringLiteral("【 デバッグ情報 】"));
    splOutput->addWidget(lstParam);
    splOutput->addWidget(txtOutput);
    splOutput->setStretchFactor(0, 1);
    splOutput->setStretchFactor(1, 0);
    layout->addWidget(splOutput, 1);
    resize(kDefaultWidth, kDefaultHeight);
    splOutput->setSizes({kDefaultHeight - kDefaultOutputHeight, kDefaultOutputHeight});
}

void TfrmExecProc::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("TfrmExecProc"), [](const TLaunchContext &c) { return Open(c); });
}

QWidget *TfrmExecProc::Open(const TLaunchContext &c)
{
    if (!c.Connection)
        return nullptr;
    TfrmExecProc *w = nullptr;
    try {
        w = new TfrmExecProc(c.Connection, c.Schema, c.ObjectName, c.ObjectType, c.OID, c.Debug);
    } catch (const tv::SilentAbort &) {
        // A twin came forward, or the user has been told why not.
        const QString prefix = QStringLiteral("ストアドプログラム実行 - ");
        if (IMainWindow *main = MainWindow())
            for (QWidget *child : main->MdiChildren())
                if (auto *e = dynamic_cast<TfrmExecProc *>(child))
                    if (e->txtName->text() == c.ObjectName && e->cmbSchema->currentText() == c.Schema &&
                        e->L_intOID == c.OID && e->isVisible())
                        return e;
        return nullptr;
    }
    w->ShowForm();
    return w;
}

// ---------------------------------------------------------------------------
// Settings

void TfrmExecProc::LoadSettings()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    if (!reg.KeyExists(kSettingsKey) || !reg.OpenKeyReadOnly(kSettingsKey))
        return;
    const int w = reg.GetInteger(QStringLiteral("Width"), kDefaultWidth);
    const int h = reg.GetInteger(QStringLiteral("Height"), kDefaultHeight);
    const int out = reg.GetInteger(QStringLiteral("OutputHeight"), kDefaultOutputHeight);
    reg.CloseKey();
    resize(std::max(200, w), std::max(150, h));
    splOutput->setSizes({std::max(30, h - out), std::max(20, out)});
}

void TfrmExecProc::SaveSettings()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (!reg.OpenKey(kSettingsKey, true))
            return;
        const QWidget *outer = Frame() ? static_cast<QWidget *>(Frame()) : this;
        if (!(outer->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
            reg.WriteInteger(QStringLiteral("Width"), width());
            reg.WriteInteger(QStringLiteral("Height"), height());
        }
        reg.WriteInteger(QStringLiteral("OutputHeight"), txtOutput->height());
        reg.CloseKey();
    } catch (...) {
        // A store that cannot be written loses the layout.
    }
}

// ---------------------------------------------------------------------------
// Arguments

void TfrmExecProc::LoadSubPrograms()
{
    IConnectionWindow *owner = OwnerForm();
    qryArgument->Close();
    qryArgument->SetParamParsing(true);
    qryArgument->SetSQL(ExecProc::SubProgramSQL(owner->DBVer()));
    SetParam(qryArgument, QStringLiteral("PKG_NAME"), txtName->text());
    SetParam(qryArgument, QStringLiteral("SCHEMA_NAME"), cmbSchema->currentText());
    qryArgument->Open();
    cmbSubProgram->clear();
    while (!qryArgument->Eof()) {
        cmbSubProgram->addItem(qryArgument->Fields(0).AsString(),
                               qryArgument->Fields(1).AsString() + QLatin1Char(',') + qryArgument->Fields(2).AsString());
        qryArgument->Next();
    }
    qryArgument->Close();
}

QString TfrmExecProc::GetArgumentTypeList(qint64 Oid)
{
    IConnectionWindow *owner = OwnerForm();
    tv::db::Query q(&owner->dbsMain());
    q.SetSQL(ExecProc::TypeListSQL());
    SetParam(&q, QStringLiteral("OID"), QString::number(Oid));
    q.Open();
    const QString text = q.Eof() ? QString() : q.Fields(0).AsString();
    q.Close();
    QStringList names;
    for (const QString &oid : ExecProc::SplitLines(text)) {
        q.SetSQL(ExecProc::TypeNameSQL());
        SetParam(&q, QStringLiteral("OID"), oid);
        q.Open();
        QString name;
        while (!q.Eof()) {
            name = q.Fields(1).AsString();
            q.Next();
        }
        q.Close();
        names << name;
    }
    return names.join(QLatin1Char(','));
}

bool TfrmExecProc::ResolveArgumentType(qint64 Oid, QString &TypeName, bool &IsArray, std::vector<TItemInfDtl> &Items)
{
    IConnectionWindow *owner = OwnerForm();
    TypeName.clear();
    IsArray = false;
    Items.clear();
    tv::db::Query q(&owner->dbsMain());
    q.SetSQL(ExecProc::TypeSQL());
    SetParam(&q, QStringLiteral("OID"), QString::number(Oid));
    q.Open();
    if (q.Eof())
        return false;
    TypeName = q.Fields(0).AsString();
    IsArray = q.Fields(1).AsInteger() != 0;
    q.Close();
    if (TypeName.isEmpty())
        return false;
    q.SetSQL(ExecProc::AttributeSQL(owner->g_bPostgresPlus(), owner->DBVer()));
    SetParam(&q, QStringLiteral("OWNER"), cmbSchema->currentText());
    SetParam(&q, QStringLiteral("TYPNM"), TypeName);
    q.Open();
    while (!q.Eof()) {
        TItemInfDtl d;
        d.intOID = q.Fields(2).AsInt64();
        d.strItemNm = q.Fields(1).AsString();
        d.strTypKind = q.Fields(3).AsString();
        Items.push_back(d);
        q.Next();
    }
    q.Close();
    return !Items.empty();
}

void TfrmExecProc::LoadArguments()
{
    txtParam->hide();
    FPreNode = nullptr;
    const QSignalBlocker block(lstParam);
    lstParam->clear();
    WaitCursor wait;
    FSubObjType = -1;

    qint64 retType = 0;
    QStringList types, modes, names;
    qryArgument->Close();
    qryArgument->SetParamParsing(true);
    if (FObjType == 53) {
        qryArgument->SetSQL(ExecProc::PackageArgumentSQL(OwnerForm()->DBVer()));
        SetParam(qryArgument, QStringLiteral("SCHEMA_NAME"), cmbSchema->currentText());
        SetParam(qryArgument, QStringLiteral("PACKAGE_NAME"), txtName->text());
        SetParam(qryArgument, QStringLiteral("SUB_PROGRAM_NAME"), cmbSubProgram->currentText());
        SetParam(qryArgument, QStringLiteral("SUB_PROGRAM_KEY"), cmbSubProgram->currentData().toString());
    } else {
        qryArgument->SetSQL(ExecProc::ArgumentSQL());
        SetParam(qryArgument, QStringLiteral("OWNER"), cmbSchema->currentText());
        SetParam(qryArgument, QStringLiteral("FNCNM"), txtName->text());
        SetParam(qryArgument, QStringLiteral("OIDNO"), QString::number(L_intOID));
    }
    qryArgument->Open();
    bool first = true;
    while (!qryArgument->Eof()) {
        if (FObjType == 53) {
            if (first)
                FSubObjType = qryArgument->FieldByName(QStringLiteral("eltclass")).AsString() == QLatin1String("F") ? 52 : 51;
            retType = qryArgument->FieldByName(QStringLiteral("eltdatatype")).AsInt64();
            types = ExecProc::SplitLines(qryArgument->FieldByName(QStringLiteral("argtypes")).AsString());
            modes = ExecProc::SplitLines(qryArgument->FieldByName(QStringLiteral("argmodes")).AsString());
            names = ExecProc::SplitLines(qryArgument->FieldByName(QStringLiteral("argnames")).AsString());
        } else {
            retType = qryArgument->Fields(3).AsInt64();
            types = ExecProc::SplitLines(qryArgument->Fields(4).AsString());
            modes = ExecProc::SplitLines(qryArgument->Fields(5).AsString());
            names = ExecProc::SplitLines(qryArgument->Fields(6).AsString());
        }
        first = false;
        qryArgument->Next();
    }
    qryArgument->Close();

    IMainWindow *main = MainWindow();
    auto addNode = [&](TtvTreeNode *parent, const QString &name, const QString &type, bool isArray, bool composite,
                       int image) {
        TtvTreeNode *n = lstParam->AddNode(parent, name);
        n->SetSubItems({type + (isArray ? QStringLiteral("[]") : QString()), QString(), Flag(composite), Flag(isArray)});
        n->setData(0, Qt::UserRole, image);
        if (main)
            n->setIcon(0, main->MainImage(image));
        return n;
    };

    const TExecTarget target = Target();
    if (ExecProc::IsFunction(target)) {
        QString typeName;
        bool isArray = false;
        std::vector<TItemInfDtl> items;
        ResolveArgumentType(retType, typeName, isArray, items);
        // The result takes no value: it never hides its line behind attributes.
        addNode(nullptr, QStringLiteral("RESULT"), typeName, isArray, false, kExecImgResult);
    }
    for (int p = 0; p < types.size(); ++p) {
        QString name = names.isEmpty() ? QStringLiteral("$") + QString::number(p + 1) : names.value(p);
        QString typeName;
        bool isArray = false;
        std::vector<TItemInfDtl> items;
        ResolveArgumentType(types.at(p).toLongLong(), typeName, isArray, items);
        const QString mode = modes.isEmpty() ? QStringLiteral("IN") : ExecProc::ModeOfLetter(modes.value(p));
        const int image = ExecProc::ImageOfMode(mode);
        bool composite = false;
        for (const TItemInfDtl &d : items)
            if (d.strTypKind == QLatin1String("c"))
                composite = true;
        TtvTreeNode *node = addNode(nullptr, name, typeName, isArray, composite, image);
        if (composite) {
            for (const TItemInfDtl &d : items) {
                QString attType;
                bool attArray = false;
                std::vector<TItemInfDtl> sub;
                ResolveArgumentType(d.intOID, attType, attArray, sub);
                addNode(node, d.strItemNm, attType, attArray, false, image);
            }
        }
    }
    lstParam->expandAll();
}

// ---------------------------------------------------------------------------
// Value entry

void TfrmExecProc::StoreEditValue()
{
    if (FPreNode && !txtParam->isHidden())
        FPreNode->SetSubItem(1, txtParam->text());
}

void TfrmExecProc::PlaceEditBox()
{
    if (!FPreNode) {
        txtParam->hide();
        return;
    }
    if (FPreNode->SubItems().value(2) == QLatin1String("-1"))
        return;
    QHeaderView *h = lstParam->header();
    const QRect r = lstParam->visualItemRect(FPreNode);
    const int left = h->sectionViewportPosition(2);
    const int right = std::min(lstParam->viewport()->width(), left + h->sectionSize(2));
    txtParam->setGeometry(left + 2, r.top(), std::max(10, right - left - 2), r.height() + 2);
}

void TfrmExecProc::lstParamChange(TtvTreeNode *Node)
{
    StoreEditValue();
    if (!Node) {
        txtParam->hide();
        FPreNode = nullptr;
        return;
    }
    FPreNode = Node;
    if (Node->SubItems().value(2) == QLatin1String("-1")) {
        txtParam->hide();
        return;
    }
    PlaceEditBox();
    txtParam->setText(Node->SubItems().value(1));
    txtParam->show();
    txtParam->raise();
    txtParam->setFocus();
    txtParam->selectAll();
}

void TfrmExecProc::SelectNeighbour(int Delta)
{
    QTreeWidgetItem *cur = lstParam->currentItem();
    if (!cur)
        return;
    QTreeWidgetItem *next = Delta > 0 ? lstParam->itemBelow(cur) : lstParam->itemAbove(cur);
    if (next)
        lstParam->setCurrentItem(next);
}

void TfrmExecProc::FormKeyDown(QObject *Sender, int &Key, Qt::KeyboardModifiers Shift)
{
    TtvForm::FormKeyDown(Sender, Key, Shift);
    if (!Key || !lstParam->currentItem() || FThread)
        return;
    if (Sender != txtParam && Sender != lstParam)
        return;
    if (Key == Qt::Key_Backtab || (Key == Qt::Key_Tab && (Shift & Qt::ShiftModifier)) || Key == Qt::Key_Up) {
        SelectNeighbour(-1);
        Key = 0;
    } else if (Key == Qt::Key_Tab || Key == Qt::Key_Down) {
        SelectNeighbour(1);
        Key = 0;
    }
}

bool TfrmExecProc::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstParam && event->type() == QEvent::FocusIn && FPreNode && !txtParam->isHidden())
        QTimer::singleShot(0, txtParam, [this] { txtParam->setFocus(); });
    if (watched == lstParam->viewport() && event->type() == QEvent::Resize)
        PlaceEditBox();
    return TtvForm::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// The call

TExecTarget TfrmExecProc::Target() const
{
    TExecTarget t;
    t.Schema = cmbSchema->currentText();
    t.Name = txtName->text();
    t.SubProgram = cmbSubProgram->currentText();
    t.ObjType = FObjType;
    t.SubObjType = FSubObjType;
    if (IConnectionWindow *o = OwnerForm()) {
        t.ServerVersion = o->DBVer();
        t.IsEdb = o->g_bPostgresPlus();
    }
    return t;
}

std::vector<TExecNode> TfrmExecProc::Nodes() const
{
    std::vector<TExecNode> nodes;
    for (QTreeWidgetItemIterator it(lstParam); *it; ++it) {
        auto *n = static_cast<TtvTreeNode *>(*it);
        TExecNode e;
        e.Name = n->Text();
        e.Type = n->SubItems().value(0);
        e.Value = n->SubItems().value(1);
        e.Composite = n->SubItems().value(2) == QLatin1String("-1");
        e.Array = n->SubItems().value(3) == QLatin1String("-1");
        e.Image = n->data(0, Qt::UserRole).toInt();
        int level = 0;
        for (QTreeWidgetItem *p = n->parent(); p; p = p->parent())
            ++level;
        e.Level = level;
        nodes.push_back(e);
    }
    return nodes;
}

QStringList TfrmExecProc::BuildCallStatement()
{
    const QStringList lines = ExecProc::BuildCallStatement(Target(), Nodes());
    qryExec->Close();
    qryExec->SetParamParsing(false);
    qryExec->SetSQL(lines.join(QLatin1Char('\n')));
    return lines;
}

ExecProc::TResultRows TfrmExecProc::TakeRows()
{
    ExecProc::TResultRows rows;
    if (!qryExec->Active())
        return rows;
    for (int c = 0; c < qryExec->FieldCount(); ++c)
        rows.Columns << qryExec->Fields(c).FieldName();
    while (!qryExec->Eof()) {
        QStringList r;
        for (int c = 0; c < qryExec->FieldCount(); ++c)
            r << qryExec->Fields(c).AsString();
        rows.Rows << r;
        qryExec->Next();
    }
    return rows;
}

void TfrmExecProc::btnExecClick()
{
    if (FThread)
        return;
    IConnectionWindow *owner = OwnerForm();
    if (!owner)
        return;
    qryExec->SetConnection(&owner->dbsMain());
    SetDebugErrorMessage(QString());
    StoreEditValue();
    {
        WaitCursor wait;
        BuildCallStatement();
        if (frmMain)
            frmMain->SetStatusText(2, QStringLiteral("ストアドプログラム実行中..."));
        try {
            // A failure must not leave the user's open transaction aborted.
            tv::db::StatementSavepoint sp(owner->dbsMain());
            if (qryExec->SQL().startsWith(QLatin1String("DO "), Qt::CaseInsensitive))
                qryExec->ExecSQL();
            else
                qryExec->Open();
            sp.release();
            wExecStatus = esComplete;
        } catch (const tv::db::DbError &) {
            wExecStatus = esError;
            EndExecSQL();
            throw;
        }
    }
    EndExecSQL();
}

void TfrmExecProc::btnExitClick()
{
    Close();
}

QString TfrmExecProc::DebugErrorMessage() const
{
    QMutexLocker lock(&FLock);
    return FDebugErrorMessage;
}

void TfrmExecProc::SetDebugErrorMessage(const QString &text)
{
    QMutexLocker lock(&FLock);
    FDebugErrorMessage = text;
}

void TfrmExecProc::EnableMain(bool on)
{
    if (IMainWindow *main = MainWindow())
        if (QWidget *w = main->MainWidget())
            w->setEnabled(on);
}

void TfrmExecProc::btnDebugClick()
{
    if (FThread)
        return;
    IConnectionWindow *owner = OwnerForm();
    TfrmObject *conn = ConnectionForm(owner);
    if (!owner || !conn)
        return;
    {
        tv::db::Query &q = owner->OpenSQL(ExecProc::ExtensionCheckSQL());
        const bool installed = !q.Eof();
        q.Close();
        if (!installed) {
            ShowMessageBox(QString::fromUtf8(ExecProc::kDebugNoPackage), tv::ui::MB_ICONERROR);
            return;
        }
    }
    StoreEditValue();
    qint64 oid = L_intOID;
    if (FObjType == 53) {
        if (L_intOID == -1) {
            qryDebug->Close();
            qryDebug->SetParamParsing(true);
            qryDebug->SetSQL(ExecProc::PackageOidSQL(owner->DBVer()));
            SetParam(qryDebug, QStringLiteral("schema"), cmbSchema->currentText());
            SetParam(qryDebug, QStringLiteral("name"), txtName->text());
            qryDebug->Open();
            L_intOID = qryDebug->Eof() ? -1 : qryDebug->Fields(0).AsInt64();
            qryDebug->Close();
        }
        qryDebug->SetSQL(ExecProc::MemberOidSQL());
        SetParam(qryDebug, QStringLiteral("pkgoid"), QString::number(L_intOID));
        SetParam(qryDebug, QStringLiteral("proname"), cmbSubProgram->currentText());
        SetParam(qryDebug, QStringLiteral("proargtypes"), cmbSubProgram->currentData().toString().section(QLatin1Char(','), 1));
        qryDebug->Open();
        oid = qryDebug->Eof() ? -1 : qryDebug->Fields(0).AsInt64();
        qryDebug->Close();
    }
    BuildCallStatement();

    // The target session: its waits must not look at the keyboard, and the
    // notice that it waits for the debugger is handed over at once.
    // The target session is the window's own, with the connection window's
    // parameters for it (dbsBG): a connection window torn down while a run is
    // held cannot take the session away from the worker.
    FTargetConn = std::make_unique<tv::db::Connection>(conn->dbsBG().Params());
    tv::db::Connection &target = *FTargetConn;
    tv::db::Connection &debugger = conn->dbsBG2();
    target.SetCancelCheck(nullptr);
    FBreakId = 0;
    FDebugPid = 0;
    target.SetNoticeHook([this](const QString &text) {
        if (const int id = ExecProc::BreakIdOfNotice(text))
            FBreakId = id;
    });
    const QString searchPath =
        QStringLiteral("set search_path to ") + QuoteIdentifier(owner->dbsMain().Params().MetaDefSchema);
    FEndPending = false;
    FThread = std::make_unique<TtrdExec>(this, &target, qryExec, oid, searchPath);
    connect(FThread.get(), &QThread::finished, this, [this] {
        FEndPending = true;
        PostFinishRun();
    });
    EnableMain(false);
    FThread->start();

    auto *debug = new TfrmDebug(this, &debugger);
    FDebug = debug;
    bool attached = false;
    try {
        attached = debug->AttachTarget();
    } catch (...) {
        // Attached, but the first stop could not be shown: the server's text
        // follows once the run has been released.
        FDebug = nullptr;
        debug->ReleaseTarget();
        debug->CloseQuietly();
        debug->deleteLater();
        AbandonRun();
        throw;
    }
    if (!attached) {
        FDebug = nullptr;
        debug->CloseQuietly();
        debug->deleteLater();
        AbandonRun();
    }
}

bool TfrmExecProc::WaitWorker(int ms)
{
    if (!FThread)
        return true;
    QElapsedTimer t;
    t.start();
    while (!FThread->isFinished() && t.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return FThread->isFinished();
}

void TfrmExecProc::CancelTarget()
{
    if (FThread)
        FThread->CancelTarget();
}

void TfrmExecProc::AbandonRun()
{
    if (!FThread)
        return;
    if (!FThread->isFinished())
        ReleaseRun([this](int ms) { return WaitWorker(ms); });
    PostFinishRun();
}

void TfrmExecProc::PostFinishRun()
{
    tv::ui::PostAction(this, [this] { TryFinishRun(); });
}

void TfrmExecProc::TryFinishRun()
{
    if (!FThread || FDebugBusy > 0 || FEnding || FDestroying || !FThread->isFinished())
        return;
    FEnding = true;
    FThread->wait();
    FThread.reset();
    struct Reset {
        bool &f;
        ~Reset() { f = false; }
    } reset{FEnding};
    EndExecSQL();
}

void TfrmExecProc::EndExecSQL()
{
    EnableMain(true);
    if (FDebug) {
        const QString msg = DebugErrorMessage();
        if (wExecStatus.load() == esError && !msg.isEmpty()) {
            ShowMessageBox(msg, tv::ui::MB_ICONWARNING);
            SetDebugErrorMessage(QString());
        }
        TfrmDebug *d = FDebug;
        FDebug = nullptr;
        d->CloseQuietly();
        d->deleteLater();
    }
    QStringList lines;
    try {
        lines = ExecProc::OutputLines(Target(), Nodes(), TakeRows());
    } catch (const std::exception &) {
        lines = ExecProc::OutputLines(Target(), Nodes(), {});
    }
    qryExec->Close();
    if (FTargetConn && qryExec->GetConnection() == FTargetConn.get())
        qryExec->SetConnection(OwnerForm() ? &OwnerForm()->dbsMain() : nullptr);
    if (FTargetConn && !FTargetConn->Busy())
        FTargetConn->Close();
    txtOutput->setPlainText(lines.join(QLatin1Char('\n')));
    const QString msg = DebugErrorMessage();
    if (wExecStatus.load() == esComplete)
        ShowMessageBox(QStringLiteral("プログラムを実行しました。"), tv::ui::MB_ICONINFORMATION);
    else if (wExecStatus.load() == esError && !msg.isEmpty())
        ShowMessageBox(msg, tv::ui::MB_ICONERROR);
    if (TfrmObject *conn = ConnectionForm(OwnerForm())) {
        if (!conn->dbsBG().Busy())
            conn->dbsBG().Close();
        if (!conn->dbsBG2().Busy())
            conn->dbsBG2().Close();
    }
    if (IMainWindow *main = MainWindow())
        main->SetDefMessage();
}
