#include "objects/other/frmMView.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "common/WhereHistory.h"
#include "common/tvOption.h"
#include "controls/tvStrEdit.h"
#include "controls/tvStringGrid.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/other/ViewReport.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/StorageDefinition.h"
#include "objects/table/fraGrant.h"
#include "objects/table/fraStorage.h"
#include "controls/frmPrint.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"
#include "shell/frmDDLPreview.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using tv::ui::SqlWaitCursor;

namespace {

// The storage frame's values of a loaded materialized view, for a script.
TStorageSnapshot ScriptStorage(const TViewDefinition &Def, int DBVer)
{
    TStorageSnapshot s;
    s.ObjType = 61;
    s.Mode = smText;
    s.ShowStorageSource = tvOption.ShowStorageSource;
    s.ScriptStorage = ScriptOption.Storage;
    s.DBVer = DBVer;
    s.Schema = Def.Schema;
    s.ObjectName = Def.Name;
    s.Tablespace = Def.Tablespace;
    auto fill = [&s](const QStringList &Options, TVacuumHalf &Half) {
        for (const QString &option : Options) {
            const qsizetype eq = option.indexOf(u'=');
            const QString name = option.left(eq);
            const QString value = eq < 0 ? QString() : option.mid(eq + 1);
            if (name == QLatin1String("autovacuum_enabled")) {
                Half.EnabledBox.Checked = ReloptionIsTrue(value);
                s.AutoVacuum.Checked = true;
                continue;
            }
            for (int i = 0; i < AutoVacuumParamCount; ++i)
                if (name == AutoVacuumOptionName(i)) {
                    Half.Params[i].Text = value;
                    s.AutoVacuum.Checked = true;
                }
        }
    };
    fill(Def.RelOptions, s.Table);
    fill(Def.ToastOptions, s.Toast);
    return s;
}

} // namespace

const TDefinitionKind &TfrmMView::MViewKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 61;
        k.CaptionPrefix = QStringLiteral("MATERIALIZED VIEW - ");
        k.CaptionKind = 4;
        k.GuiKey = QStringLiteral("MATERIALIZED VIEW");
        k.Keyword = QStringLiteral("MATERIALIZED VIEW");
        k.HasOutput = true;
        k.DropCascade = true;
        return k;
    }();
    return kind;
}

TfrmMView *TfrmMView::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           TOpenMode OpenMode, int DefTopRecord)
{
    if (!ObjectName.isEmpty() && BringTwinForward<TfrmMView>(CaptionFor(AOwner, MViewKind(), Schema, ObjectName)))
        throw tv::SilentAbort();
    auto *w = new TfrmMView(AOwner);
    w->PrepareOpen(Schema, ObjectName, DefTopRecord);
    ShowBuilt(w, Schema, ObjectName, OpenMode);
    w->SetReportList();
    return w;
}

bool TfrmMView::ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            const QString &NewSchema, const QString &NewObjectName, QStringList &Lines)
{
    if (!AOwner)
        return false;
    tv::db::Connection &conn = AOwner->dbsMain();
    tv::db::Query q(&conn);
    std::optional<TViewDefinition> def = LoadViewDefinition(q, Schema, ObjectName, true, AOwner->DBVer());
    if (!def)
        return false;
    QStringList storage;
    StorageDDL::Create(ScriptStorage(*def, AOwner->DBVer()), storage);
    if (!NewSchema.isEmpty() && !NewObjectName.isEmpty()) {
        def->Schema = NewSchema;
        def->Name = NewObjectName;
    }
    ViewDDL::CreateMView(*def, TtvForm::SchemaPrefix(smText, def->Schema, conn.Params().MetaDefSchema),
                         ScriptOption.ViewCol, storage, Lines);
    return true;
}

void TfrmMView::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                          QIODevice &Stream, const QString &NewSchema, const QString &NewObjectName)
{
    QStringList lines;
    if (ScriptLines(AOwner, Schema, ObjectName, NewSchema, NewObjectName, lines))
        WriteScript(Stream, lines);
    throw tv::SilentAbort();
}

void TfrmMView::GetExcelFile(IConnectionWindow *AOwner, const QString &RepName, const QString &Schema,
                             const QString &ObjectName, const QString &Path)
{
    ObjectReport::ViewFile(AOwner, RepName, Schema, ObjectName, Path, true);
}

TfrmMView::TfrmMView(IConnectionWindow *AOwner) : TfrmViewBase(AOwner, MViewKind(), true)
{
    tabStorage = new QWidget;
    tabStorage->setObjectName(QStringLiteral("tabStorage"));
    auto *sl = new QVBoxLayout(tabStorage);
    sl->setContentsMargins(0, 0, 0, 0);
    fraStorage = new TfraStorage(this);
    fraStorage->setObjectName(QStringLiteral("fraStorage"));
    sl->addWidget(fraStorage, 1);
    pagObject->insertTab(pagObject->indexOf(tabData) + 1, tabStorage, QStringLiteral("領域情報"));

    actSendCommand = new QAction(QStringLiteral("最新(&A)"), this);
    actSendCommand->setObjectName(QStringLiteral("actSendCommand"));
    actSendCommand->setToolTip(QStringLiteral("REFRESHコマンドを送信します。"));
    actSendCommand->setStatusTip(QStringLiteral("REFRESHコマンドを送信します。"));
    connect(actSendCommand, &QAction::triggered, this, tv::ui::Guarded([this] { actSendCommandExecute(); }));
    if (IMainWindow *m = MainWindow())
        actSendCommand->setIcon(m->MainImage(63));
    tolCmd->insertAction(actExit, actSendCommand);
    if (QWidget *w = tolCmd->widgetForAction(actSendCommand))
        w->setMinimumWidth(78);
    if (actOutput)
        actOutput->setStatusTip(QStringLiteral("プログラムの内容を外部に出力します。"));
    if (actSave)
        actSave->setStatusTip(QStringLiteral("プログラムソースをファイルに保存します。"));
    if (actPrint)
        mnuObject->removeAction(actPrint);

    // The rows of a materialized view cannot be changed.
    if (fraData->btnUpdate) {
        fraData->btnUpdate->setChecked(false);
        fraData->btnUpdate->setEnabled(false);
    }
}

QList<QWidget *> TfrmMView::PagesOfExisting()
{
    return {tabDefine, tabData, tabStorage, tabGrant, tabCross};
}

void TfrmMView::ShowDefine()
{
    fraStorage->Init(SchemaName(), ObjectName());
    TfrmViewBase::ShowDefine();
    if (!IsNew() && ShownPage() == tabData) {
        ShowDataPage();
        SetModified(false);
    }
}

void TfrmMView::ShowDefineExtra(const TViewDefinition &Def)
{
    fraStorage->cmbTBS->SetText(Def.Tablespace);
    // The TOAST table is offered as an autovacuum target only when there is one.
    if (QRadioButton *toast = fraStorage->rdoVacuumTarget->Button(1)) {
        toast->setVisible(Def.HasToast);
        if (!Def.HasToast && fraStorage->rdoVacuumTarget->ItemIndex() == 1) {
            fraStorage->rdoVacuumTarget->SetItemIndex(0);
            fraStorage->rdoVacuumTargetClick();
        }
    }
    fraStorage->ShowDefine();
}

void TfrmMView::SaveExtra()
{
    fraStorage->Save();
}

void TfrmMView::GetSourceCreate(QStringList &List)
{
    if (IsNew())
        return;
    TViewDefinition d = CurrentDefinition();
    std::optional<TViewDefinition> now = LoadViewDefinition(*qrySQL, SchemaName(), ObjectName(), true, DBVer());
    if (!now) {
        if (SourceMode == smShow)
            ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
        throw tv::SilentAbort();
    }
    d.Query = now->Query;
    d.Populated = now->Populated;
    QStringList storage;
    fraStorage->GetSourceCreate(storage);
    if (!CopySchema.isEmpty() && !CopyView.isEmpty()) {
        d.Schema = CopySchema;
        d.Name = CopyView;
    }
    ViewDDL::CreateMView(d, SchemaPrefix(d.Schema, DefaultSchema()), WithColumns(), storage, List);
}

void TfrmMView::GetSourceAlter(QStringList &List)
{
    if (fraStorage->IsChanged(ptNormal))
        fraStorage->GetSourceAlterV(List);
    if (fraStorage->cmbTBS->IsChanged())
        List << QStringLiteral("ALTER MATERIALIZED VIEW ") + Prefix() + QuoteIdentifier(ObjectName()) +
                    QStringLiteral(" SET TABLESPACE ") + QuoteIdentifier(fraStorage->cmbTBS->Text())
             << QStringLiteral(";");
    TViewDefinition loaded = FLoaded;
    loaded.Comment = txtComment->SaveValue;
    for (int i = 0; i < loaded.Columns.size(); ++i)
        loaded.Columns[i].Comment = grdColumn->GetSaveCells(3, i + 1);
    ViewDDL::AlterMViewComments(loaded, CurrentDefinition(), Prefix(), List);
}

QString TfrmMView::DropStatement(bool Cascade)
{
    return ViewDDL::DropMView(Prefix(), ObjectName(), Cascade);
}

void TfrmMView::Compile(QObject *)
{
    CommitActiveControl();
    Require(!TrimBlanks(ObjectName()).isEmpty(), QStringLiteral("名前を入力して下さい。"), txtName);
    Require(!TrimBlanks(SchemaName()).isEmpty(), QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    QWidget *page = ShownPage();
    if (page == tabStorage && !fraStorage->Check())
        return;
    QStringList list;
    if (page == tabDefine || page == tabStorage) {
        if (!IsNew())
            GetSourceAlter(list);
    } else if (page == tabGrant) {
        fraGrant->GetSource(list);
    } else if (page == tabSource) {
        list = txtSource->Lines()->ToStringList();
    }
    if (TrimBlanks(list.join(u'\n')).isEmpty()) {
        ShowMessageBox(QStringLiteral("変更箇所が見つかりませんでした。"), tv::ui::MB_ICONEXCLAMATION);
        pagObjectChange();
        return;
    }
    const bool recreate = !IsNew() && page == tabSource;
    if (!(IsNew() && page == tabSource) && !TfrmDDLPreview::ShowWindow(list, SchemaName(), ObjectName()))
        return;
    if (!IsNew())
        SaveBeforeSource();
    if (!OwnerForm())
        throw tv::Error(QStringLiteral("接続がありません。"));
    QStringList run;
    if (recreate) {
        // What the text does not hold comes back after it: indexes, owner,
        // privileges and column privileges.
        std::optional<ViewDDL::TKept> kept = ViewDDL::LoadKept(*qrySQL, SchemaName(), ObjectName());
        run << DropStatement(false) << QStringLiteral(";") << list;
        if (kept) {
            run << QStringLiteral(";");
            ViewDDL::Restore(*kept, SchemaName(), ObjectName(), run);
        }
        AppendKept(run);
    } else {
        run = list;
    }
    run = run.join(u'\n').split(u'\n');
    if (!ExecuteInTransaction(run, QStringLiteral("トランザクションはロールバックされました。")))
        return;
    ShowMessageBox(QStringLiteral("コンパイルは正常に終了しました。"), tv::ui::MB_ICONINFORMATION);
    SetIsNew(false);
    RefreshObjectWindows();
    pagObjectChange();
    SaveAfterSource();
}

void TfrmMView::actSendCommandExecute()
{
    if (IsNew())
        return;
    bool noData = false;
    if (ShowCheckMessageDialog(QStringLiteral("REFRESHコマンドを送信しますか？"),
                               tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2,
                               {{QStringLiteral("WITH NO DATA オプション"), &noData}}) != tv::ui::IDYES)
        return;
    {
        SqlWaitCursor wait;
        OwnerForm()->ExecuteSQL(ViewDDL::Refresh(Prefix(), ObjectName(), noData));
    }
    ShowMessageBox(QStringLiteral("REFRESHコマンドを送信しました。"), tv::ui::MB_ICONINFORMATION);
    if (ShownPage() == tabData)
        pagObjectChange();
}

void TfrmMView::UpdateActions()
{
    TfrmDefinition::UpdateActions();
    actDelete->setEnabled(!IsNew() && ShownPage() != tabData);
    actSendCommand->setEnabled(!IsNew());
}

bool TfrmMView::KeptObject(TKeptObject &Object, unsigned &Parts) const
{
    // The source text writes the comments itself.
    Object = {TKeptKind::MatView, SchemaName(), ObjectName(), QString(), QString(), {}};
    Parts = kpOwner | kpPrivileges | kpColumnPrivileges;
    return true;
}
