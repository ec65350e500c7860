#include "objects/other/frmSource.h"

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
#include "objects/other/SourceText.h"
#include "objects/other/TypeSource.h"
#include "objects/other/frmSample.h"
#include "objects/table/fraCross.h"
#include "objects/table/fraGrant.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"

#include <QFrame>
#include <QLayout>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <map>

using tv::ui::SqlWaitCursor;

namespace {

bool IsRoutine(int ObjType)
{
    return ObjType == 51 || ObjType == 52;
}

QString CaptionOf(IConnectionWindow *Owner, const TDefinitionKind &Kind, const QString &Schema,
                  const QString &Name, const QString &Args)
{
    if (!Owner)
        return Kind.CaptionPrefix;
    const tv::db::ConnectionParams &p = Owner->dbsMain().Params();
    return Kind.CaptionPrefix + FormatRecParamCaption(MakeRecParam(p.Server, p.Database, Schema,
                                                                   p.value(QStringLiteral("Port")), p.User_Name,
                                                                   p.Password, Name, Args, QString()),
                                                      Kind.CaptionKind, false);
}

// The routine's argument list (empty for other kinds, or when it cannot be read).
FncArgArray ReadArguments(IConnectionWindow *Owner, int ObjType, qint64 Oid)
{
    FncArgArray args;
    if (!Owner || !IsRoutine(ObjType) || Oid < 0)
        return args;
    tv::db::Query q(&Owner->dbsMain());
    LoadFunctionArguments(Oid, q, args, Owner->DBVer());
    return args;
}

QStringList SplitLines(const QString &Text)
{
    QStringList lines = Text.split(u'\n');
    for (QString &l : lines)
        if (l.endsWith(u'\r'))
            l.chop(1);
    // A final line break ends the last line; it is no line of its own.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Replaces the first line (from From) holding CREATE, REPLACE, PACKAGE and
// the name by Header; returns the line's index, or -1.
int ReplacePackageHeader(QStringList &Lines, int From, const QString &Name, const QString &Header)
{
    const QString name = Name.toUpper();
    for (int i = From; i < Lines.size(); ++i) {
        const QString u = Lines[i].toUpper();
        if (u.contains(QLatin1String("CREATE")) && u.contains(QLatin1String("REPLACE")) &&
            u.contains(QLatin1String("PACKAGE")) && u.contains(name)) {
            Lines[i] = Header;
            return i;
        }
    }
    return -1;
}

} // namespace

const TDefinitionKind &TfrmSource::SourceKind(int ObjType)
{
    static const std::map<int, TDefinitionKind> kinds = [] {
        std::map<int, TDefinitionKind> m;
        for (int code : {51, 52, 53, 55}) {
            TDefinitionKind k;
            k.ObjType = code;
            k.CaptionPrefix = SourceText::TypeWord(code) + QStringLiteral(" - ");
            k.CaptionKind = IsRoutine(code) ? 5 : 4;
            k.GuiKey = QStringLiteral("SOURCE");
            k.Keyword = SourceText::TypeWord(code);
            k.HasOutput = true;
            k.DropCascade = code != 51;
            m[code] = k;
        }
        return m;
    }();
    const auto it = kinds.find(ObjType);
    return it != kinds.end() ? it->second : kinds.at(52);
}

QString TfrmSource::CaptionArguments(const FncArgArray &Args)
{
    QStringList types;
    for (const TFuncArgument &a : Args)
        if (a.strMode != QLatin1String("o"))
            types << a.strTypeNaCon;
    return types.join(QStringLiteral(", "));
}

// ---------------------------------------------------------------------------
// Opening and scripts

TfrmSource *TfrmSource::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                             int ObjectType, TOpenMode OpenMode, qint64 p_intOID)
{
    const FncArgArray args = ObjectName.isEmpty() ? FncArgArray() : ReadArguments(AOwner, ObjectType, p_intOID);
    if (!ObjectName.isEmpty() &&
        BringTwinForward<TfrmSource>(
            CaptionOf(AOwner, SourceKind(ObjectType), Schema, ObjectName, CaptionArguments(args))))
        throw tv::SilentAbort();
    TfrmSource *w = ShowBuilt(new TfrmSource(AOwner, ObjectType, p_intOID, args), Schema, ObjectName, OpenMode);
    if (!ObjectName.isEmpty() && w->ShownPage() == w->tabSource)
        w->txtSource->setFocus();
    return w;
}

QString TfrmSource::SourceSQL(int ObjType, int ServerVersion)
{
    switch (ObjType) {
    case 51:
    case 52:
        // One table and scalar subqueries: quick to plan, as script output
        // reads thousands of routines.
        return QStringLiteral(
            "SELECT  p.oid, pg_get_functiondef(p.oid),"
            " (SELECT l.lanname FROM pg_language l WHERE l.oid = p.prolang) AS lanname,"
            " pg_get_function_identity_arguments(p.oid) AS identity_args\n"
            "FROM    pg_proc p\n"
            "WHERE   p.oid = :OID");
    case 53:
        return QStringLiteral(" SELECT pac.pkgheadsrc , pac.pkgbodysrc , pac.oid FROM ") +
               EdbPackageSubquery(ServerVersion) +
               QStringLiteral(" pac LEFT JOIN pg_namespace nsp ON pac.pkgnamespace = nsp.oid"
                              " LEFT JOIN pg_roles rol ON pac.pkgowner = rol.oid WHERE 0 = 0"
                              " AND nsp.nspname = :SCHEMA AND pac.pkgname = :OBJNAME");
    case 55:
        return TypeSource::LookupSQL();
    default:
        return QString();
    }
}

std::optional<TSourceLoad> TfrmSource::LoadSource(tv::db::Query &Query, int ObjType, const QString &Schema,
                                                  const QString &Name, qint64 Oid, int ServerVersion,
                                                  const QString &Prefix, bool Script)
{
    TSourceLoad r;
    r.Oid = Oid;
    if (ObjType == 55) {
        r.DataType = TypeSource::Build(Query, Schema, Name, Prefix, r.Lines);
        if (r.DataType.isEmpty())
            return std::nullopt;
        return r;
    }
    struct CloseOnExit {
        tv::db::Query &q;
        ~CloseOnExit() { q.Close(); }
    } close{Query};
    Query.Close();
    if (IsRoutine(ObjType)) {
        // One statement in one round trip (script output reads thousands);
        // the oid is a number.
        QString sql = SourceSQL(ObjType, ServerVersion);
        sql.replace(QStringLiteral(":OID"), QString::number(Oid));
        Query.OpenOn(Query.GetConnection()->Exec(sql));
    } else {
        Query.SetSQL(SourceSQL(ObjType, ServerVersion));
        Query.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
        Query.ParamByName(QStringLiteral("OBJNAME")).setAsString(Name);
        Query.Open();
    }
    if (Query.Eof())
        return std::nullopt;
    for (; !Query.Eof(); Query.Next()) {
        if (IsRoutine(ObjType)) {
            r.Oid = Query.FieldByName(QStringLiteral("oid")).AsInt64();
            const QString lang = Query.FieldByName(QStringLiteral("lanname")).AsString();
            r.PlPgSql = lang == QLatin1String("plpgsql") || lang == QLatin1String("edbspl");
            r.IdentityArgs = Query.FieldByName(QStringLiteral("identity_args")).AsString();
            QStringList lines = SplitLines(Query.Fields(1).AsString());
            if (Script)
                SourceText::ScriptRewrite(lines, Schema, Name, Prefix);
            r.Lines << lines << QStringLiteral(";");
        } else {
            r.Oid = Query.Fields(2).AsInt64();
            r.PlPgSql = true;
            const int head = r.Lines.size();
            r.Lines << SplitLines(Query.Fields(0).AsString());
            ReplacePackageHeader(r.Lines, head, Name,
                                 QStringLiteral("CREATE OR REPLACE PACKAGE ") + Prefix + QuoteIdentifier(Name) +
                                     QStringLiteral(" IS"));
            r.Lines << QStringLiteral(";") << QString();
            const int body = r.Lines.size();
            r.Lines << SplitLines(Query.Fields(1).AsString());
            ReplacePackageHeader(r.Lines, body, Name,
                                 QStringLiteral("CREATE OR REPLACE PACKAGE BODY ") + Prefix + QuoteIdentifier(Name) +
                                     QStringLiteral(" IS"));
            r.Lines << QStringLiteral(";");
        }
    }
    return r;
}

void TfrmSource::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           int ObjectType, QIODevice &Stream, qint64 p_intOID)
{
    if (!AOwner)
        throw tv::SilentAbort();
    tv::db::Connection &conn = AOwner->dbsMain();
    tv::db::Query q(&conn);
    std::optional<TSourceLoad> load;
    try {
        load = LoadSource(q, ObjectType, Schema, ObjectName, p_intOID, AOwner->DBVer(),
                          TtvForm::SchemaPrefix(smText, Schema, conn.Params().MetaDefSchema), true);
    } catch (const tv::SilentAbort &) {
        throw;
    }
    if (load)
        WriteScript(Stream, load->Lines);
    throw tv::SilentAbort();
}

// ---------------------------------------------------------------------------
// Construction

TfrmSource::TfrmSource(IConnectionWindow *AOwner, int ObjectType, qint64 Oid, const FncArgArray &Args)
    : TfrmDefinition(AOwner, SourceKind(ObjectType)), FOid(Oid)
{
    qrySource = NewQuery();
    if (!Args.empty()) {
        L_strTypLst = FormatFunctionSignature(Args, 5, DefaultSchema());
        FCaptionArgs = CaptionArguments(Args);
    }
    // No definition page: the text is the definition.
    pagObject->removeTab(pagObject->indexOf(tabDefine));
    tabDefine->hide();

    actExec = new QAction(MainWindowImage(28), QStringLiteral("実行(&E)"), this);
    actExec->setObjectName(QStringLiteral("actExec"));
    actExec->setToolTip(QStringLiteral("プログラムを実行します。"));
    actExec->setStatusTip(actExec->toolTip());
    connect(actExec, &QAction::triggered, this, tv::ui::Guarded([this] { actExecExecute(); }));
    tolCmd->insertAction(actRefresh, actExec);
    if (QWidget *b = tolCmd->widgetForAction(actExec))
        b->setMinimumWidth(78);
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

    // The menu: compile, delete, a separator, print and save.
    mnuObject->removeAction(actPrint);
    mnuObject->addSeparator();
    mnuObject->addAction(actPrint);
    mnuObject->addAction(actSave);

    WatchNameBoxes();
}

QWidget *TfrmSource::PageForMode(TOpenMode Mode)
{
    return Mode == omCross ? tabCross : Mode == omGrant ? tabGrant : tabSource;
}

QString TfrmSource::Caption() const
{
    return CaptionOf(OwnerForm(), Kind(), SchemaName(), ObjectName(), FCaptionArgs);
}

void TfrmSource::ChangedIsNew()
{
    TfrmDefinition::ChangedIsNew();
    if (!IsNew())
        setWindowTitle(Caption());
    // Servers before 9.2 keep no privileges on types.
    if (ObjType() == 55 && DBVer() < 90200)
        pagObject->setTabVisible(pagObject->indexOf(tabGrant), false);
}

// ---------------------------------------------------------------------------
// Load

void TfrmSource::ShowDefine()
{
    txtSource->Lines()->Clear();
    if (!IsNew()) {
        const std::optional<TSourceLoad> load =
            LoadSource(*qrySource, ObjType(), SchemaName(), ObjectName(), FOid, DBVer(),
                       SchemaPrefix(SchemaName(), DefaultSchema()), false);
        if (!load) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        FOid = load->Oid;
        L_bPLPGSQL = load->PlPgSql;
        L_strDataType = load->DataType;
        FIdentityArgs = load->IdentityArgs;
        txtSource->Lines()->BeginUpdate();
        txtSource->Lines()->SetText(load->Lines.join(u'\n'));
        txtSource->Lines()->EndUpdate();
        L_sPreSignature = getSignature();
    }
    if (TEditorUndoObj *u = txtSource->EditorUndoObj())
        u->Clear();
    txtSource->SetRow(0);
    txtSource->SetCol(0);
    txtSource->SetModified(false);
    FGrantLoaded = false;
    if (!IsNew() && (ShownPage() == tabGrant || ObjType() == 55)) {
        fraGrant->ShowData(SchemaName(), ObjectName(), FOid, L_strTypLst, L_strDataType);
        FGrantLoaded = true;
    }
    if (!IsNew() && ShownPage() == tabCross)
        fraCross->ShowData(SchemaName(), ObjectName(), QString(), IsRoutine(ObjType()) ? L_strTypLst : QString());
    SetModified(false);
}

QString TfrmSource::getSignature() const
{
    return SourceText::Signature(txtSource->Lines()->ToStringList(), SourceText::TypeWord(ObjType()));
}

void TfrmSource::GetSourceCreate(QStringList &List)
{
    List << txtSource->Lines()->ToStringList();
}

void TfrmSource::GetSourceDrop(QStringList &List)
{
    if (ObjType() == 55)
        List << QStringLiteral("DROP TYPE ") + QuoteIdentifier(SchemaName()) + u'.' + QuoteIdentifier(ObjectName())
             << QStringLiteral(";");
}

QString TfrmSource::DropStatement(bool Cascade)
{
    const QString name = QuoteIdentifier(SchemaName()) + u'.' + QuoteIdentifier(ObjectName());
    const QString cascade = Cascade ? QStringLiteral(" CASCADE") : QString();
    switch (ObjType()) {
    case 51:
        return QStringLiteral("DROP PROCEDURE ") + name + u'(' + FIdentityArgs + u')';
    case 52:
        return QStringLiteral("DROP FUNCTION ") + name + u'(' + FIdentityArgs + u')' + cascade;
    case 53:
        return QStringLiteral("DROP PACKAGE ") + name;
    default:
        return QStringLiteral("DROP TYPE ") + name + cascade;
    }
}

// ---------------------------------------------------------------------------
// Compile

void TfrmSource::Compile(QObject *)
{
    CommitActiveControl();
    Require(!TrimBlanks(ObjectName()).isEmpty(), QStringLiteral("名前を入力して下さい。"), txtName);
    Require(!TrimBlanks(SchemaName()).isEmpty(), QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    IConnectionWindow *owner = OwnerForm();
    if (!owner)
        throw tv::Error(QStringLiteral("接続がありません。"));
    const bool existed = !IsNew();
    if (existed)
        owner->SaveBeforeSource(SchemaName(), ObjectName(), ObjType(), FOid, QString());

    QStringList list;
    if (existed)
        GetSourceDrop(list);
    // A type dropped and created again gets back what it had, and the
    // changes made on the grant page, in the same transaction.
    const bool recreated = existed && ObjType() == 55 && txtSource->Modified();
    if (ObjType() != 55 || txtSource->Modified() || !existed) {
        list << txtSource->Lines()->ToStringList();
        if (recreated) {
            AppendKept(list);
            if (FGrantLoaded)
                fraGrant->GetSource(list);
        }
        if (!ExecuteInTransaction(list, QStringLiteral("トランザクションがロールバックされました。")))
            return;
    }

    QStringList grants;
    if (existed && FGrantLoaded && !recreated) {
        if (ObjType() == 55 && DBVer() >= 90200)
            fraGrant->GetSourceReregist(grants);
        else
            fraGrant->GetSource(grants);
    }
    if (!grants.isEmpty())
        owner->ExecuteSQL(grants, false);

    ShowMessageBox(QStringLiteral("コンパイルは正常に終了しました。"), tv::ui::MB_ICONINFORMATION);
    SetModified(false);
    txtSource->SetModified(false);
    RefreshObjectWindows();
    owner->SaveAfterSource(SchemaName(), ObjectName(), ObjType(), FOid, QString());
    if (!existed) {
        SetIsNew(false);
        Close();
        return;
    }
    if (getSignature() != L_sPreSignature) {
        ShowMessageBox(QStringLiteral("プログラム名または引数、戻り値情報が変更されたため、画面を閉じます。"
                                      "編集する場合は再度開きなおしてください。"),
                       tv::ui::MB_ICONINFORMATION);
        Close();
    }
}

// ---------------------------------------------------------------------------
// Commands

void TfrmSource::UpdateActions()
{
    TfrmDefinition::UpdateActions();
    actCompile->setEnabled(true);
    actExec->setEnabled(!IsNew() && !Modified() && (ObjType() == 51 || ObjType() == 52 || ObjType() == 53));
}

void TfrmSource::actExecExecute()
{
    if (IsNew() || Modified())
        return;
    TLaunchContext c;
    c.Connection = dynamic_cast<TfrmObject *>(OwnerForm());
    c.Schema = SchemaName();
    c.ObjectName = ObjectName();
    c.ObjectType = ObjType();
    c.OID = FOid;
    c.Debug = L_bPLPGSQL;
    Launch(QStringLiteral("TfrmExecProc"), c);
}

void TfrmSource::actSampleExecute()
{
    TfrmSample::ShowWindow(this, SampleWindow, ObjType());
}

void TfrmSource::txtNameExit(QWidget *Box)
{
    if (!IsNew())
        return;
    const QString schema = SchemaName();
    const QString name = ObjectName();
    if (TrimBlanks(txtSource->Lines()->Text()).isEmpty()) {
        const QStringList t = SourceText::Template(ObjType(), QuoteIdentifier(schema), QuoteIdentifier(name));
        txtSource->Lines()->SetText(t.join(u'\n'));
        return;
    }
    QStringList lines = txtSource->Lines()->ToStringList();
    bool changed = false;
    const bool twice = ObjType() == 53;
    if (Box == cmbSchema && FEnterValue != schema)
        changed = SourceText::RenameFirst(lines, QuoteIdentifier(FEnterValue) + u'.', QuoteIdentifier(schema) + u'.',
                                          twice);
    else if (Box == txtName && FEnterValue != name)
        changed = SourceText::RenameFirst(lines, u'.' + QuoteIdentifier(FEnterValue), u'.' + QuoteIdentifier(name),
                                          twice);
    if (changed)
        txtSource->Lines()->SetText(lines.join(u'\n'));
    FEnterValue = Box == cmbSchema ? schema : name;
}

bool TfrmSource::KeptObject(TKeptObject &Object, unsigned &Parts) const
{
    if (ObjType() != 55)
        return false; // routines are replaced in place and keep everything
    Object = {TKeptKind::Type, SchemaName(), ObjectName(), QString(), QString(), {}};
    Parts = kpComment | kpColumnComments | kpOwner | kpPrivileges;
    return true;
}
