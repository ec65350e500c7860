#include "tools/frmNameTable.h"

#include "common/CatalogSQL.h"
#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/RecParam.h"
#include "common/tvOption.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Query.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/Guard.h"
#include "shell/frmObject.h"
#include "sql/fraData.h"
#include "tools/ToolWidgets.h"
#include "tools/frmScriptOption.h"

#include <QAction>
#include <QEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPointer>
#include <QToolBar>
#include <QToolButton>
#include <QValidator>

namespace {

// The schema and name boxes keep typed text in lower case while the option
// UseLowerName is off.
class TLowerCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toLower();
        return Acceptable;
    }
};

// One block of the initial rows: the type literal, its type code, the owner
// and name values and the schema column filtered on.
struct InitialBlock {
    const char *type;
    int code;
    const char *owner;
    const char *name;
    const char *filter;
};

const InitialBlock kBlocks[] = {
    {"TABLE", 45, "TblNsp.nspname", "TblInf.relname", "TblNsp.nspname"},
    {"INDEX", 46, "N.nspname", "C.relname", "N.nspname"},
    {"VIEW", 47, "TblNsp.nspname", "TblInf.relname", "TblNsp.nspname"},
    {"PROCEDURE", 51, "Nms.nspname", "Prc.proname", "Nms.nspname"},
    {"FUNCTION", 52, "Nms.nspname", "Prc.proname", "Nms.nspname"},
    {"PACKAGE", 53, "Nms.nspname", "pac.pkgname", "Nms.nspname"},
    {"PACKAGE BODY", 54, "Nms.nspname", "pac.pkgname", "Nms.nspname"},
    {"TYPE", 55, "N.nspname", "T.typname", "N.nspname"},
    {"TRIGGER", 57,
     "CASE WHEN TblShe.schemaname IS NULL THEN VieShe.schemaname ELSE TblShe.schemaname END AS schemaname",
     "TrgInf.tgname", nullptr},
    {"SEQUENCE", 58, "N.nspname", "C.relname", "N.nspname"},
    {"SYNONYM", 60, "Nms.nspname", "syn.synname", "Nms.nspname"},
    {"CONSTRAINT", 66, "ConNsp.nspname", "ConInf.conname", "ConNsp.nspname"},
    {"RULE", 127, "ns.nspname", "r.rulename", "ns.nspname"},
    {"MATERIALIZED VIEW", 61, "TblNsp.nspname", "TblInf.relname", "TblNsp.nspname"},
    {"AGGREGATE", 128, "Nms.nspname", "Prc.proname", "Nms.nspname"},
};

bool BlockIncluded(int code, bool IsEdb, int ver)
{
    switch (code) {
    case 51:
    case 53:
    case 54:
    case 60:
        return IsEdb;
    case 61:
        return ver > 90299;
    case 128:
        return ver > 90399;
    default:
        return true;
    }
}

} // namespace

std::function<void(TfrmNameTable *)> &TfrmNameTable::OnShown()
{
    static std::function<void(TfrmNameTable *)> hook;
    return hook;
}

TfrmNameTable::TfrmNameTable(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmNameTable"))
{
    setObjectName(QStringLiteral("frmNameTable"));
    KeyPreview = false;
    resize(640, 420);

    btnCommit = new QToolButton(tolCmd);
    btnCommit->setObjectName(QStringLiteral("btnCommit"));
    btnCommit->setText(QStringLiteral("登録(&C)"));
    btnCommit->setToolButtonStyle(Qt::ToolButtonTextOnly);
    popDataGenerate = new QMenu(btnCommit);
    popDataGenerate->setObjectName(QStringLiteral("popDataGenerate"));
    mnuInstData = popDataGenerate->addAction(QStringLiteral("初期データ登録"));
    mnuInstData->setObjectName(QStringLiteral("mnuInstData"));
    mnuInstData->setToolTip(QStringLiteral("初期データを登録します。"));
    mnuInstData->setStatusTip(QStringLiteral("初期データを登録します。"));
    mnuInstData->setEnabled(false);
    btnCommit->setMenu(popDataGenerate);
    btnCommit->setPopupMode(QToolButton::MenuButtonPopup);
    tolCmd->addWidget(btnCommit);
    btnExit = new QToolButton(tolCmd);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setDefaultAction(actExit);
    tolCmd->addWidget(btnExit);
    AddDBNamePanel();

    pnlName = new QWidget(this);
    pnlName->setObjectName(QStringLiteral("pnlName"));
    auto *h = new QHBoxLayout(pnlName);
    h->setContentsMargins(4, 2, 4, 2);
    h->addWidget(new QLabel(QStringLiteral("スキーマ"), pnlName));
    cmbSchema = new TDropDownCombo(pnlName);
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    cmbSchema->setEditable(true);
    cmbSchema->setMaxVisibleItems(20);
    cmbSchema->setMinimumWidth(160);
    h->addWidget(cmbSchema);
    h->addWidget(new QLabel(QStringLiteral("名前"), pnlName));
    cmbName = new TDropDownCombo(pnlName);
    cmbName->setObjectName(QStringLiteral("cmbName"));
    cmbName->setEditable(true);
    cmbName->setMaxVisibleItems(20);
    cmbName->setMinimumWidth(200);
    h->addWidget(cmbName);
    h->addStretch(1);
    layout()->addWidget(pnlName);
    if (!tvOption.UseLowerName) {
        cmbSchema->setValidator(new TLowerCaseValidator(cmbSchema));
        cmbName->setValidator(new TLowerCaseValidator(cmbName));
    }

    fraData = new TfraData(this);
    fraData->setObjectName(QStringLiteral("fraData"));
    layout()->addWidget(fraData);

    qryCheck = std::make_unique<tv::db::Query>();

    connect(btnCommit, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnCommitClick(); }));
    connect(mnuInstData, &QAction::triggered, this, tv::ui::Guarded([this] { mnuInstDataClick(); }));
    connect(cmbSchema, &QComboBox::editTextChanged, this, [this] { NameTextChanged(); });
    connect(cmbName, &QComboBox::editTextChanged, this, [this] { NameTextChanged(); });
    cmbSchema->OnDropDown = [this] {
        if (IConnectionWindow *cw = OwnerForm()) {
            QStringList names;
            cw->GetSchemaInfo(names, false);
            cmbSchema->clear();
            cmbSchema->addItems(names);
        }
    };
    cmbName->OnDropDown = [this] {
        if (auto *f = dynamic_cast<TfrmObject *>(OwnerForm())) {
            QStringList names;
            f->GetObject(names, cmbSchema->currentText(), QStringLiteral("TABLE"));
            cmbName->clear();
            cmbName->addItems(names);
        }
    };
    FinishCreate();
}

TfrmNameTable::~TfrmNameTable()
{
    fraData->Close();
}

QString TfrmNameTable::Database() const
{
    IConnectionWindow *cw = OwnerForm();
    return cw ? cw->dbsMain().Params().Database : QString();
}

// ---------------------------------------------------------------------------
// Statements

QString TfrmNameTable::CreateTableSQL(const QString &Schema, const QString &Name)
{
    return QStringLiteral("CREATE TABLE ") + QuoteIdentifier(Schema) + QLatin1Char('.') + QuoteIdentifier(Name) +
           QStringLiteral("(  owner       VARCHAR(255),  object_name VARCHAR(255),"
                          "  object_type VARCHAR(255),  script_name VARCHAR(255))");
}

QString TfrmNameTable::InitialDataSQL(const QString &Schema, const QString &Name, bool AllObjects, bool IsEdb,
                                      int ServerVersion)
{
    // The schema goes in as a literal (a schema o'x works).
    const QString literal = QuoteLiteral(Schema);
    QString sql = QStringLiteral("INSERT INTO ") + QuoteIdentifier(Schema) + QLatin1Char('.') + QuoteIdentifier(Name);
    bool first = true;
    for (const InitialBlock &b : kBlocks) {
        if (!BlockIncluded(b.code, IsEdb, ServerVersion))
            continue;
        QString from, where;
        BuildObjectFromWhere(b.code, from, where, false, ServerVersion);
        if (!first)
            sql += QStringLiteral(" UNION ALL");
        first = false;
        sql += QStringLiteral(" SELECT  ") + QLatin1String(b.owner) + QStringLiteral(", ") + QLatin1String(b.name) +
               QStringLiteral(", '") + QLatin1String(b.type) + QStringLiteral("', ") + QLatin1String(b.name) +
               QStringLiteral(" || '.SQL'") + QLatin1Char(' ') + from + QLatin1Char(' ') + where;
        if (AllObjects)
            continue;
        const QString open = where.trimmed().isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND   ");
        if (b.filter) {
            sql += open + QLatin1String(b.filter) + QStringLiteral(" = ") + literal;
        } else {
            sql += open + QStringLiteral("(             TblShe.schemaname = ") + literal +
                   QStringLiteral("         OR  VieShe.schemaname = ") + literal + QStringLiteral("       )");
        }
    }
    return sql;
}

QString TfrmNameTable::CheckSQL(int ServerVersion)
{
    QString sql;
    for (const int code : {45, 47}) {
        QString from, where;
        BuildObjectFromWhere(code, from, where, false, ServerVersion);
        if (code == 47)
            sql += QStringLiteral(" UNION ALL ");
        sql += (code == 45 ? QStringLiteral("SELECT 'TABLE'") : QStringLiteral("SELECT 'VIEW'")) +
               QStringLiteral(", TblNsp.nspname, TblInf.relname ") + from + QLatin1Char(' ') + where +
               (where.trimmed().isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) +
               QStringLiteral("    TblNsp.nspname    =   :SCHEMA AND     TblInf.relname    =   :TBLNM");
    }
    return sql;
}

// ---------------------------------------------------------------------------
// Opening and connection

void TfrmNameTable::ShowWindow(IConnectionWindow *AOwner)
{
    if (!AOwner)
        return;
    IMainWindow *m = MainWindow();
    QPointer<TfrmNameTable> w =
        new TfrmNameTable(m ? static_cast<QObject *>(m->MainWidget()) : static_cast<QObject *>(AOwner->FormWidget()));
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->setWindowFlag(Qt::Window, true);
    w->setWindowModality(Qt::ApplicationModal);
    w->CreateTaskButton();
    w->FillDBName();
    int at = w->cmbDBName->findText(ConnectionText(AOwner), Qt::MatchExactly);
    if (at < 0) {
        w->cmbDBName->addItem(ConnectionText(AOwner), QVariant::fromValue<QObject *>(AOwner->FormWidget()));
        at = w->cmbDBName->count() - 1;
    }
    w->cmbDBName->setCurrentIndex(at);
    tv::ui::Guard([&] { w->cmbDBNameChange(); });
    if (!w)
        return;
    QEventLoop loop;
    struct HideWatch : QObject {
        QEventLoop *loop;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Hide || e->type() == QEvent::Close)
                loop->quit();
            return false;
        }
    } watch;
    watch.loop = &loop;
    w->installEventFilter(&watch);
    QObject::connect(w, &QObject::destroyed, &loop, &QEventLoop::quit);
    w->show();
    w->setFocus();
    if (OnShown())
        OnShown()(w);
    if (w && w->isVisible())
        loop.exec();
    if (w) {
        w->removeEventFilter(&watch);
        delete w.data();
    }
}

void TfrmNameTable::SetCaptionText()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    const tv::db::ConnectionParams &p = cw->dbsMain().Params();
    setWindowTitle(Kind().Title + FormatRecParamCaption(MakeRecParam(p.Server, p.Database, cmbSchema->currentText(),
                                                                     p.value(QStringLiteral("Port")), p.User_Name,
                                                                     p.Password, cmbName->currentText(), QString(),
                                                                     QString()),
                                                        4, false));
    SetTaskCaption(cmbName->currentText());
}

void TfrmNameTable::cmbDBNameChange()
{
    IConnectionWindow *cw = SelectedConnection();
    if (!cw)
        return;
    SetOwnerForm(cw);
    fraData->Close();
    fraData->SetConnection(&cw->dbsMain());
    qryCheck->SetConnection(&cw->dbsMain());
    const QString entry = TfrmScriptOption::NameTableEntry(Database());
    const int dot = entry.indexOf(QLatin1Char('.'));
    {
        const QSignalBlocker b1(cmbSchema), b2(cmbName);
        cmbSchema->setEditText(dot < 0 ? QString() : entry.left(dot));
        cmbName->setEditText(dot < 0 ? entry : entry.mid(dot + 1));
    }
    SetCaptionText();
    Reload(this);
    if (L_enmRelRes == NONE)
        ShowMessageBox(QStringLiteral("表またはビューが存在しません。"), tv::ui::MB_ICONERROR);
}

void TfrmNameTable::NameTextChanged()
{
    fraData->Close();
    mnuInstData->setEnabled(false);
}

// ---------------------------------------------------------------------------
// Reading

void TfrmNameTable::Reload(QObject * /*Sender*/)
{
    L_enmRelRes = DEFAULT;
    fraData->Close();
    mnuInstData->setEnabled(false);
    SetCaptionText();
    const QString schema = cmbSchema->currentText(), name = cmbName->currentText();
    fraData->SetTableName(name);
    IConnectionWindow *cw = OwnerForm();
    if (!cw || schema.trimmed().isEmpty() || name.trimmed().isEmpty())
        return;
    qryCheck->SetConnection(&cw->dbsMain());
    qryCheck->SetSQL(CheckSQL(cw->DBVer()));
    qryCheck->ParamByName(QStringLiteral("SCHEMA")).setAsString(schema);
    qryCheck->ParamByName(QStringLiteral("TBLNM")).setAsString(name);
    OpenProtected(*qryCheck);
    const bool found = !qryCheck->IsEmpty();
    qryCheck->Close();
    if (!found) {
        L_enmRelRes = NONE;
        return;
    }
    L_enmRelRes = SELECT;
    fraData->SetSQL(QStringLiteral("SELECT owner, object_name, object_type, script_name FROM ") +
                    QuoteIdentifier(schema) + QLatin1Char('.') + QuoteIdentifier(name));
    try {
        tv::db::StatementSavepoint sp(cw->dbsMain());
        fraData->Prepare();
        fraData->Open();
        sp.release();
    } catch (...) {
        L_enmRelRes = LAYOUT;
        fraData->Close();
        throw;
    }
    mnuInstData->setEnabled(fraData->Active());
}

// ---------------------------------------------------------------------------
// Register and initial rows

void TfrmNameTable::btnCommitClick()
{
    const QString schema = cmbSchema->currentText(), name = cmbName->currentText();
    if (name.trimmed().isEmpty()) {
        ShowMessageBox(QStringLiteral("名前を入力して下さい。"), tv::ui::MB_ICONEXCLAMATION);
        cmbName->setFocus();
        throw tv::SilentAbort();
    }
    if (schema.trimmed().isEmpty()) {
        ShowMessageBox(QStringLiteral("スキーマ名を入力して下さい。"), tv::ui::MB_ICONEXCLAMATION);
        cmbSchema->setFocus();
        throw tv::SilentAbort();
    }
    try {
        Reload(this);
        if (L_enmRelRes == NONE &&
            ShowMessageBox(QStringLiteral("テーブルが見つかりません。新規作成しますか？"),
                           tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) == tv::ui::IDYES) {
            ExecuteProtected(CreateTableSQL(schema, name));
            Reload(this);
            if (fraData->Active())
                mnuInstDataClick();
            Reload(this);
        }
    } catch (const tv::Error &e) {
        if (L_enmRelRes == LAYOUT &&
            !(dynamic_cast<const tv::db::DbError *>(&e) && static_cast<const tv::db::DbError &>(e).connectionLost())) {
            ShowMessageBox(QStringLiteral("テーブルレイアウトが一致しません。"), tv::ui::MB_ICONEXCLAMATION);
            throw tv::SilentAbort();
        }
        throw;
    }
    TfrmScriptOption::SetNameTableEntry(Database(), schema + QLatin1Char('.') + name);
}

void TfrmNameTable::mnuInstDataClick()
{
    if (!fraData->Active())
        return;
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    bool all = false;
    if (ShowCheckMessageDialog(QStringLiteral("初期データを登録しますか？"),
                               tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION,
                               {{QStringLiteral("全オブジェクトを登録する(非チェック時は所有オブジェクトのみ)"), &all}}) !=
        tv::ui::IDYES)
        return;
    const QString sql = InitialDataSQL(cmbSchema->currentText(), cmbName->currentText(), all, cw->g_bPostgresPlus(),
                                       cw->DBVer());
    {
        tv::db::StatementSavepoint sp(cw->dbsMain());
        cw->ExecuteSQL(QStringList{sql}, false);
        sp.release();
    }
    Reload(this);
}

bool TfrmNameTable::FormCloseQuery()
{
    fraData->Close();
    return true;
}
