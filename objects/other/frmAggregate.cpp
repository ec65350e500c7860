#include "objects/other/frmAggregate.h"

#include "common/IConnectionWindow.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/RecParam.h"
#include "common/TextUtil.h"
#include "controls/tvComboBox.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "objects/other/frmSample.h"
#include "objects/other/frmSource.h"
#include "objects/table/fraCross.h"
#include "objects/table/fraGrant.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"

#include <QFrame>
#include <QLayout>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using tv::ui::SqlWaitCursor;

namespace {

QString CaptionOf(IConnectionWindow *Owner, const QString &Schema, const QString &Name, const QString &Args)
{
    const TDefinitionKind &k = TfrmAggregate::AggregateKind();
    if (!Owner)
        return k.CaptionPrefix;
    const tv::db::ConnectionParams &p = Owner->dbsMain().Params();
    return k.CaptionPrefix + FormatRecParamCaption(MakeRecParam(p.Server, p.Database, Schema,
                                                                p.value(QStringLiteral("Port")), p.User_Name,
                                                                p.Password, Name, Args, QString()),
                                                   5, false);
}

FncArgArray ReadArguments(IConnectionWindow *Owner, qint64 Oid)
{
    FncArgArray args;
    if (!Owner || Oid < 0)
        return args;
    tv::db::Query q(&Owner->dbsMain());
    LoadFunctionArguments(Oid, q, args, Owner->DBVer());
    return args;
}

// The caption's arguments: the header's list as the server prints types.
QString CaptionArguments(const FncArgArray &Args)
{
    QString text;
    bool ordered = false;
    for (const TFuncArgument &a : Args) {
        if (a.blnOrder) {
            text += ordered ? QStringLiteral(", ") : QStringLiteral(" ORDER BY ");
            ordered = true;
        } else if (!text.isEmpty()) {
            text += QStringLiteral(", ");
        }
        text += a.strTypeNaCon;
    }
    return text;
}

} // namespace

const TDefinitionKind &TfrmAggregate::AggregateKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 128;
        k.CaptionPrefix = QStringLiteral("AGGREGATE - ");
        k.CaptionKind = 5;
        k.GuiKey = QStringLiteral("AGGREGATE");
        k.Keyword = QStringLiteral("AGGREGATE");
        k.DropCascade = true;
        return k;
    }();
    return kind;
}

TfrmAggregate *TfrmAggregate::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                   TOpenMode OpenMode, qint64 p_intOID)
{
    const FncArgArray args = ObjectName.isEmpty() ? FncArgArray() : ReadArguments(AOwner, p_intOID);
    if (!ObjectName.isEmpty() &&
        BringTwinForward<TfrmAggregate>(CaptionOf(AOwner, Schema, ObjectName, CaptionArguments(args))))
        throw tv::SilentAbort();
    return ShowBuilt(new TfrmAggregate(AOwner, p_intOID, args), Schema, ObjectName, OpenMode);
}

void TfrmAggregate::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                              QIODevice &Stream, qint64 p_intOID)
{
    if (!AOwner)
        throw tv::SilentAbort();
    tv::db::Connection &conn = AOwner->dbsMain();
    tv::db::Query q(&conn);
    FncArgArray args;
    LoadFunctionArguments(p_intOID, q, args, AOwner->DBVer());
    const std::optional<TRecAgrInf> def = LoadAggregate(q, p_intOID, AOwner->DBVer());
    if (def) {
        QStringList lines;
        AggregateDDL::Create(*def, args, TtvForm::SchemaPrefix(smText, Schema, conn.Params().MetaDefSchema),
                             ObjectName, lines);
        WriteScript(Stream, lines);
    }
    throw tv::SilentAbort();
}

TfrmAggregate::TfrmAggregate(IConnectionWindow *AOwner, qint64 Oid, const FncArgArray &Args)
    : TfrmDefinition(AOwner, AggregateKind()), L_intOID(Oid), L_typArgInf(Args)
{
    qryAgrg = NewQuery();
    if (!Args.empty()) {
        L_strTypLst = FormatFunctionSignature(Args, 5, DefaultSchema());
        FCaptionArgs = CaptionArguments(Args);
    }
    pagObject->removeTab(pagObject->indexOf(tabDefine));
    tabDefine->hide();

    actSample = new QAction(MainWindowImage(99), QStringLiteral("サンプル"), this);
    actSample->setObjectName(QStringLiteral("actSample"));
    actSample->setToolTip(QStringLiteral("サンプルコードを表示します。"));
    actSample->setStatusTip(actSample->toolTip());
    connect(actSample, &QAction::triggered, this, tv::ui::Guarded([this] { actSampleExecute(); }));
    // After the name panel, behind a separator.
    auto *sampleSeparator = new QFrame;
    sampleSeparator->setFrameShape(QFrame::VLine);
    sampleSeparator->setFrameShadow(QFrame::Sunken);
    pnlName->layout()->addWidget(sampleSeparator);
    btnSample = new QToolButton;
    btnSample->setObjectName(QStringLiteral("btnSample"));
    btnSample->setDefaultAction(actSample);
    btnSample->setToolButtonStyle(Qt::ToolButtonTextOnly);
    pnlName->layout()->addWidget(btnSample);

    fraGrant = new TfraGrant(this);
    tabGrant = AddFramePage(fraGrant, QStringLiteral("tabGrant"), QStringLiteral("権限"));
    fraCross = new TfraCross(this);
    tabCross = AddFramePage(fraCross, QStringLiteral("tabCross"), QStringLiteral("相関"));

    WatchNameBoxes();
}

QWidget *TfrmAggregate::PageForMode(TOpenMode Mode)
{
    return Mode == omCross ? tabCross : Mode == omGrant ? tabGrant : tabSource;
}

TtvMemo *TfrmAggregate::CompletionEditor()
{
    return ShownPage() == tabSource ? txtSource : nullptr;
}

void TfrmAggregate::ChangedIsNew()
{
    TfrmDefinition::ChangedIsNew();
    if (!IsNew())
        setWindowTitle(CaptionOf(OwnerForm(), SchemaName(), ObjectName(), FCaptionArgs));
}

void TfrmAggregate::ShowDefine()
{
    if (!IsNew()) {
        const std::optional<TRecAgrInf> def = LoadAggregate(*qryAgrg, L_intOID, DBVer());
        if (!def) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        L_recAgrInf = *def;
    }
    RefreshSource();
    if (!IsNew() && ShownPage() == tabGrant)
        fraGrant->ShowData(SchemaName(), ObjectName(), L_intOID, L_strTypLst, QString());
    if (!IsNew() && ShownPage() == tabCross)
        fraCross->ShowData(SchemaName(), ObjectName(), QString(), L_strTypLst);
    SetModified(false);
}

void TfrmAggregate::GetSourceCreate(QStringList &List)
{
    if (IsNew())
        return;
    AggregateDDL::Create(L_recAgrInf, L_typArgInf, SchemaPrefix(SchemaName(), DefaultSchema()), ObjectName(), List);
}

void TfrmAggregate::GetSourceDrop(QStringList &List)
{
    List << AggregateDDL::Drop(SchemaName(), ObjectName(), L_recAgrInf.IdentityArgs);
}

QString TfrmAggregate::DropStatement(bool Cascade)
{
    return AggregateDDL::Drop(SchemaName(), ObjectName(), L_recAgrInf.IdentityArgs) +
           (Cascade ? QStringLiteral(" CASCADE") : QString());
}

void TfrmAggregate::Compile(QObject *)
{
    CommitActiveControl();
    Require(!TrimBlanks(ObjectName()).isEmpty(), QStringLiteral("名前を入力して下さい。"), txtName);
    Require(!TrimBlanks(SchemaName()).isEmpty(), QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    IConnectionWindow *owner = OwnerForm();
    if (!owner)
        throw tv::Error(QStringLiteral("接続がありません。"));
    const bool existed = !IsNew();
    if (existed)
        owner->SaveBeforeSource(SchemaName(), ObjectName(), ObjType(), L_intOID, QString());
    const bool source = ShownPage() == tabSource;
    if (source) {
        QStringList list;
        if (existed)
            list << AggregateDDL::Drop(SchemaName(), ObjectName(), L_recAgrInf.IdentityArgs) << QStringLiteral(";");
        list << txtSource->Lines()->ToStringList();
        if (existed)
            AppendKept(list);
        if (!ExecuteInTransaction(list, QStringLiteral("トランザクションがロールバックされました。")))
            return;
    }
    if (existed && ShownPage() == tabGrant) {
        QStringList grants;
        fraGrant->GetSource(grants);
        if (!grants.isEmpty())
            owner->ExecuteSQL(grants, false);
    }
    ShowMessageBox(QStringLiteral("コンパイルは正常に終了しました。"), tv::ui::MB_ICONINFORMATION);
    owner->SaveAfterSource(SchemaName(), ObjectName(), ObjType(), L_intOID, QString());
    SetModified(false);
    RefreshObjectWindows();
    if (source) {
        SetIsNew(false);
        Close();
    }
}

void TfrmAggregate::actSampleExecute()
{
    TfrmSample::ShowWindowAgr(this, SampleWindow, ObjType());
}

void TfrmAggregate::txtNameExit(QWidget *Box)
{
    if (!IsNew())
        return;
    const QString schema = SchemaName();
    const QString name = ObjectName();
    if (TrimBlanks(txtSource->Lines()->Text()).isEmpty()) {
        txtSource->Lines()->SetText(
            AggregateDDL::Template(QuoteIdentifier(schema), QuoteIdentifier(name)).join(u'\n'));
        return;
    }
    const QString oldText = Box == cmbSchema ? QuoteIdentifier(FEnterValue) + u'.' : u'.' + QuoteIdentifier(FEnterValue);
    const QString newText = Box == cmbSchema ? QuoteIdentifier(schema) + u'.' : u'.' + QuoteIdentifier(name);
    if (FEnterValue == (Box == cmbSchema ? schema : name))
        return;
    QStringList lines = txtSource->Lines()->ToStringList();
    bool changed = false;
    for (QString &l : lines) {
        if (!l.contains(QLatin1String("CREATE AGGREGATE")))
            continue;
        const qsizetype at = l.indexOf(oldText, 0, Qt::CaseInsensitive);
        if (at >= 0) {
            l.replace(at, oldText.size(), newText);
            changed = true;
        }
    }
    if (changed)
        txtSource->Lines()->SetText(lines.join(u'\n'));
    FEnterValue = Box == cmbSchema ? schema : name;
}

bool TfrmAggregate::KeptObject(TKeptObject &Object, unsigned &Parts) const
{
    Object = {TKeptKind::Aggregate, SchemaName(), ObjectName(), QString(), L_recAgrInf.IdentityArgs, {}};
    Parts = kpComment | kpOwner | kpPrivileges;
    return true;
}
