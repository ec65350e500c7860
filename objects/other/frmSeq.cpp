#include "objects/other/frmSeq.h"

#include "common/IConnectionWindow.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/TextUtil.h"
#include "controls/tvCheckBox.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/fraCross.h"
#include "objects/table/fraGrant.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct CloseOnExit {
    tv::db::Query *q;
    ~CloseOnExit() { q->Close(); }
};

QStringList Column(tv::db::Query &q)
{
    QStringList names;
    while (!q.Eof()) {
        names << q.Fields(0).AsString().trimmed();
        q.Next();
    }
    return names;
}

} // namespace

const TDefinitionKind &TfrmSeq::SeqKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 58;
        k.CaptionPrefix = QStringLiteral("SEQUENCE - ");
        k.CaptionKind = 4;
        k.GuiKey = QStringLiteral("SEQ");
        k.Keyword = QStringLiteral("SEQUENCE");
        return k;
    }();
    return kind;
}

// ---------------------------------------------------------------------------
// Opening and scripts

TfrmSeq *TfrmSeq::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                       TOpenMode OpenMode)
{
    if (!ObjectName.isEmpty() && BringTwinForward<TfrmSeq>(CaptionFor(AOwner, SeqKind(), Schema, ObjectName)))
        throw tv::SilentAbort();
    return ShowBuilt(new TfrmSeq(AOwner), Schema, ObjectName, OpenMode);
}

bool TfrmSeq::ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                          QStringList &Lines)
{
    if (!AOwner)
        return false;
    tv::db::Connection &conn = AOwner->dbsMain();
    tv::db::Query q(&conn);
    const std::optional<TSequenceDefinition> def = LoadSequenceDefinition(q, Schema, ObjectName, AOwner->DBVer());
    if (!def)
        return false;
    SequenceDDL::Create(*def, TtvForm::SchemaPrefix(smText, Schema, conn.Params().MetaDefSchema), Lines);
    return true;
}

void TfrmSeq::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                        QIODevice &Stream)
{
    QStringList lines;
    if (ScriptLines(AOwner, Schema, ObjectName, lines))
        WriteScript(Stream, lines);
    throw tv::SilentAbort();
}

// ---------------------------------------------------------------------------
// Construction

TfrmSeq::TfrmSeq(IConnectionWindow *AOwner) : TfrmDefinition(AOwner, SeqKind())
{
    qrySeq = NewQuery();
    BuildDefinePage();

    fraGrant = new TfraGrant(this);
    tabGrant = AddFramePage(fraGrant, QStringLiteral("tabGrant"), QStringLiteral("権限"));

    fraCross = new TfraCross(this);
    tabCross = AddFramePage(fraCross, QStringLiteral("tabCross"), QStringLiteral("相関"));

    actInc = new QAction(QStringLiteral("加算(&I)"), this);
    actInc->setObjectName(QStringLiteral("actInc"));
    actInc->setToolTip(QStringLiteral("加算"));
    actInc->setStatusTip(QStringLiteral("SEQUENCEの現在値に増分値を加算します。"));
    connect(actInc, &QAction::triggered, this, tv::ui::Guarded([this] { actIncExecute(); }));
    mnuObject->addSeparator();
    mnuObject->addAction(actInc);
}

void TfrmSeq::BuildDefinePage()
{
    auto *root = new QVBoxLayout(tabDefine);
    auto *grid = new QGridLayout;
    root->addLayout(grid);
    root->addStretch(1);

    auto *numeric = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), this);
    auto *unsignedNumber = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    auto edit = [&](const char *name, const QString &value, QValidator *v) {
        auto *e = new TtvStrEdit;
        e->setObjectName(QString::fromLatin1(name));
        e->setValidator(v);
        e->SetText(value);
        return e;
    };
    auto check = [](const char *name, const QString &caption, bool checked) {
        auto *c = new TtvCheckBox(caption);
        c->setObjectName(QString::fromLatin1(name));
        c->SetChecked(checked);
        return c;
    };
    txtLastNo = edit("txtLastNo", QStringLiteral("1"), numeric);
    txtMin = edit("txtMin", QStringLiteral("1"), numeric);
    chkNoMin = check("chkNoMin", QStringLiteral("NoMinValue"), true);
    txtMax = edit("txtMax", QStringLiteral("9223372036854775807"), numeric);
    chkNomax = check("chkNomax", QStringLiteral("NoMaxValue"), true);
    txtInc = edit("txtInc", QStringLiteral("1"), numeric);
    chkCycle = check("chkCycle", QStringLiteral("繰り返し"), false);
    txtCache = edit("txtCache", QStringLiteral("1"), unsignedNumber);
    pnlCurrent = new QLabel;
    pnlCurrent->setObjectName(QStringLiteral("pnlCurrent"));
    pnlCurrent->setFrameShape(QFrame::Panel);
    pnlCurrent->setFrameShadow(QFrame::Sunken);
    pnlCurrent->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmbTable = new TDropDownComboBox;
    cmbTable->setObjectName(QStringLiteral("cmbTable"));
    cmbColumn = new TDropDownComboBox;
    cmbColumn->setObjectName(QStringLiteral("cmbColumn"));
    chkOwned = check("chkOwned", QStringLiteral("NONE"), true);

    lblLastNo = new QLabel(QStringLiteral("最終番号"));
    lblLastNo->setObjectName(QStringLiteral("lblLastNo"));
    lblCurrent = new QLabel(QStringLiteral("現 在 値"));
    lblCurrent->setObjectName(QStringLiteral("lblCurrent"));
    int row = 0;
    grid->addWidget(lblLastNo, row, 0);
    grid->addWidget(txtLastNo, row++, 1);
    grid->addWidget(new QLabel(QStringLiteral("範囲(最小)")), row, 0);
    grid->addWidget(txtMin, row, 1);
    grid->addWidget(chkNoMin, row++, 2);
    grid->addWidget(new QLabel(QStringLiteral("　　(最大)")), row, 0);
    grid->addWidget(txtMax, row, 1);
    grid->addWidget(chkNomax, row++, 2);
    grid->addWidget(new QLabel(QStringLiteral("増　　分")), row, 0);
    grid->addWidget(txtInc, row++, 1);
    grid->addWidget(chkCycle, row++, 1);
    grid->addWidget(new QLabel(QStringLiteral("キャッシュサイズ")), row, 0);
    grid->addWidget(txtCache, row++, 1);
    grid->addWidget(lblCurrent, row, 0);
    grid->addWidget(pnlCurrent, row, 1);
    // The button of actInc is added once the action exists (below).
    const int currentRow = row++;
    grid->addWidget(new QLabel(QStringLiteral("関連付け")), row, 0);
    auto *owner = new QHBoxLayout;
    owner->addWidget(cmbTable, 1);
    owner->addWidget(cmbColumn, 1);
    owner->addWidget(chkOwned);
    grid->addLayout(owner, row++, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    // The value button beside the current value.
    QMetaObject::invokeMethod(
        this,
        [this, grid, currentRow] {
            auto *b = new QToolButton;
            b->setObjectName(QStringLiteral("btnInc"));
            b->setDefaultAction(actInc);
            grid->addWidget(b, currentRow, 2);
            b->setVisible(!IsNew());
        },
        Qt::QueuedConnection);

    auto onChange = [this](QObject *) {
        if (!FLoading)
            Changed();
    };
    for (TtvStrEdit *e : {txtLastNo, txtMin, txtMax, txtInc, txtCache})
        e->OnChange = onChange;
    chkCycle->OnClick = onChange;
    cmbColumn->OnChange = onChange;
    cmbTable->OnChange = [this](QObject *) {
        if (FLoading)
            return;
        Changed();
        const QSignalBlocker b(cmbColumn);
        cmbColumn->clear();
        cmbColumn->SetText(QString());
    };
    for (TtvCheckBox *c : {chkNoMin, chkNomax, chkOwned})
        c->OnClick = [this](QObject *) {
            SetEnables();
            if (!FLoading)
                Changed();
        };
    cmbTable->OnDropDown = [this] { FillTables(); };
    cmbColumn->OnDropDown = [this] { FillColumns(); };
    SetEnables();
}

void TfrmSeq::SetEnables()
{
    txtMin->setEnabled(!chkNoMin->Checked());
    txtMax->setEnabled(!chkNomax->Checked());
    cmbTable->setEnabled(!chkOwned->Checked());
    cmbColumn->setEnabled(!chkOwned->Checked());
}

QWidget *TfrmSeq::PageForMode(TOpenMode Mode)
{
    switch (Mode) {
    case omSource:
        return tabSource;
    case omCross:
        return tabCross;
    case omGrant:
        return tabGrant;
    default:
        return tabDefine;
    }
}

// ---------------------------------------------------------------------------
// Load

void TfrmSeq::ShowDefine()
{
    FLoading = true;
    struct Done {
        bool &b;
        ~Done() { b = false; }
    } done{FLoading};
    if (!IsNew()) {
        std::optional<TSequenceDefinition> def;
        try {
            def = LoadSequenceDefinition(*qrySeq, SchemaName(), ObjectName(), DBVer());
        } catch (const tv::Error &e) {
            ShowMessageBox(e.text(), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        if (!def) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        txtLastNo->SetText(def->LastValue);
        txtMin->SetText(def->MinValue);
        txtMax->SetText(def->MaxValue);
        txtInc->SetText(def->Increment);
        chkCycle->SetChecked(def->Cycle);
        txtCache->SetText(def->Cache);
        chkNomax->SetChecked(def->NoMax);
        chkNoMin->SetChecked(def->NoMin);
        cmbTable->clear();
        cmbColumn->clear();
        cmbTable->SetText(def->OwnerTable);
        cmbColumn->SetText(def->OwnerColumn);
        chkOwned->SetChecked(!def->Owned);

        pnlCurrent->setText(QStringLiteral("(不明)"));
        if (SourceMode == smShow && g_blnNextVal && OwnerForm()) {
            try {
                tv::db::Query &q = OwnerForm()->OpenSQL(QStringLiteral("SELECT CURRVAL(") +
                                                        SequenceDDL::RegclassLiteral(SchemaName(), ObjectName()) +
                                                        u')');
                if (!q.Eof())
                    pnlCurrent->setText(q.Fields(0).AsString());
                q.Close();
            } catch (const tv::Error &) {
                // Not taken on this connection: stays unknown.
            }
        }
    }
    SetEnables();
    FLoaded = CurrentDefinition();
    RefreshSource();
    if (ShownPage() == tabGrant)
        fraGrant->ShowData(SchemaName(), ObjectName(), -1);
    if (ShownPage() == tabCross)
        fraCross->ShowData(SchemaName(), ObjectName(), QString(), QString());
    SetModified(false);
}

void TfrmSeq::ChangedIsNew()
{
    TfrmDefinition::ChangedIsNew();
    const bool isNew = IsNew();
    lblLastNo->setText(isNew ? QStringLiteral("初 期 値") : QStringLiteral("最終番号"));
    lblCurrent->setVisible(!isNew);
    pnlCurrent->setVisible(!isNew);
    if (auto *b = findChild<QToolButton *>(QStringLiteral("btnInc")))
        b->setVisible(!isNew);
}

void TfrmSeq::UpdateActions()
{
    TfrmDefinition::UpdateActions();
    actInc->setEnabled(!IsNew() && !Modified());
}

// ---------------------------------------------------------------------------
// Lists

void TfrmSeq::FillTables()
{
    CloseOnExit c{qrySeq};
    qrySeq->Close();
    qrySeq->SetSQL(SequenceSQL::Tables());
    qrySeq->ParamByName(QStringLiteral("SCHEMA")).setAsString(SchemaName());
    qrySeq->Open();
    const QStringList names = Column(*qrySeq);
    const bool modified = Modified();
    const QString keep = cmbTable->Text();
    const QSignalBlocker b(cmbTable);
    cmbTable->clear();
    cmbTable->addItems(names);
    cmbTable->SetText(keep);
    SetModified(modified);
}

void TfrmSeq::FillColumns()
{
    CloseOnExit c{qrySeq};
    qrySeq->Close();
    qrySeq->SetSQL(SequenceSQL::Columns());
    qrySeq->ParamByName(QStringLiteral("SCHEMA")).setAsString(SchemaName());
    qrySeq->ParamByName(QStringLiteral("TABLE")).setAsString(cmbTable->Text());
    qrySeq->Open();
    const QStringList names = Column(*qrySeq);
    const bool modified = Modified();
    const QString keep = cmbColumn->Text();
    const QSignalBlocker b(cmbColumn);
    cmbColumn->clear();
    cmbColumn->addItems(names);
    cmbColumn->SetText(keep);
    SetModified(modified);
}

// ---------------------------------------------------------------------------
// DDL, compile and commands

TSequenceDefinition TfrmSeq::CurrentDefinition() const
{
    TSequenceDefinition d;
    d.Schema = SchemaName();
    d.Name = ObjectName();
    d.LastValue = txtLastNo->Text().trimmed();
    d.MinValue = txtMin->Text().trimmed();
    d.MaxValue = txtMax->Text().trimmed();
    d.Increment = txtInc->Text().trimmed();
    d.Cycle = chkCycle->Checked();
    d.Cache = txtCache->Text().trimmed();
    d.NoMin = chkNoMin->Checked();
    d.NoMax = chkNomax->Checked();
    d.Owned = !chkOwned->Checked();
    d.OwnerTable = cmbTable->Text().trimmed();
    d.OwnerColumn = cmbColumn->Text().trimmed();
    return d;
}

bool TfrmSeq::IsCreate()
{
    return IsNew() || SourceMode == smText || ShownPage() == tabSource;
}

void TfrmSeq::GetSourceCreate(QStringList &List)
{
    SequenceDDL::Create(CurrentDefinition(), SchemaPrefix(SchemaName(), DefaultSchema()), List);
}

void TfrmSeq::GetSourceAlter(QStringList &List)
{
    SequenceDDL::Alter(FLoaded, CurrentDefinition(), List);
}

void TfrmSeq::GetSourceDrop(QStringList &List)
{
    SequenceDDL::Drop(SchemaName(), ObjectName(), List);
}

QString TfrmSeq::DropStatement(bool)
{
    return SequenceDDL::DropStatement(SchemaName(), ObjectName());
}

void TfrmSeq::CheckFields()
{
    if (!chkOwned->Checked()) {
        Require(!TrimBlanks(cmbTable->Text()).isEmpty(), QStringLiteral("テーブルを選択して下さい。"), cmbTable);
        Require(!TrimBlanks(cmbColumn->Text()).isEmpty(), QStringLiteral("カラムを選択して下さい。"), cmbColumn);
    }
}

void TfrmSeq::BuildCompileList(QStringList &List)
{
    QWidget *page = ShownPage();
    if (page == tabGrant) {
        fraGrant->GetSource(List);
        return;
    }
    if (page == tabSource) {
        if (IsNew()) {
            List << txtSource->Lines()->ToStringList();
            return;
        }
        // The text re-creates the sequence; it then goes on from the value
        // it had, not from its START again.
        GetSourceDrop(List);
        List << txtSource->Lines()->ToStringList();
        if (FLoaded.Called && !FLoaded.LastValue.isEmpty())
            List << SequenceDDL::SetVal(SchemaName(), ObjectName(), FLoaded.LastValue) << QStringLiteral(";");
        AppendKept(List);
        return;
    }
    if (IsNew())
        GetSourceCreate(List);
    else
        GetSourceAlter(List);
}

void TfrmSeq::actIncExecute()
{
    if (IsNew() || Modified() || !OwnerForm())
        return;
    tv::db::Query &q = OwnerForm()->OpenSQL(QStringLiteral("SELECT NEXTVAL(") +
                                            SequenceDDL::RegclassLiteral(SchemaName(), ObjectName()) + u')');
    q.Close();
    g_blnNextVal = true;
    Reload(actInc);
}

bool TfrmSeq::KeptObject(TKeptObject &Object, unsigned &Parts) const
{
    Object = {TKeptKind::Sequence, SchemaName(), ObjectName(), QString(), QString(), {}};
    Parts = kpComment | kpOwner | kpPrivileges;
    return true;
}
