#include "tools/frmComp.h"

#include "common/CompOption.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/ScriptOption.h"
#include "common/tvOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"
#include "shell/SelectionWalk.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "tools/ListOutput.h"
#include "tools/ToolWidgets.h"


#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QScopedValueRollback>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kAll = QStringLiteral("(全て)");

bool Routine(const QString &Kind)
{
    return Kind == QLatin1String("FUNCTION") || Kind == QLatin1String("AGGREGATE") ||
           Kind == QLatin1String("PROCEDURE");
}

bool OnTable(const QString &Kind)
{
    return Kind == QLatin1String("TRIGGER") || Kind == QLatin1String("RULE");
}

// Restores the script options a run changes.
struct ScriptOptionsBack {
    int Owner = ScriptOption.Owner;
    bool Index = ScriptOption.Index;
    bool Insert = ScriptOption.Insert;
    ~ScriptOptionsBack()
    {
        ScriptOption.Owner = Owner;
        ScriptOption.Index = Index;
        ScriptOption.Insert = Insert;
    }
};

// While a run or an opening loop lives, an Esc press is left for the loop's
// own test: the sessions' statements no longer take it as a cancel (a
// cancelled script would compare as different and the loop would go on).
class EscapeLeftToLoop {
public:
    EscapeLeftToLoop(std::initializer_list<IConnectionWindow *> Forms)
    {
        for (IConnectionWindow *f : Forms) {
            if (!f || std::any_of(FSessions.begin(), FSessions.end(),
                                  [f](const Session &s) { return s.Connection == &f->dbsMain(); }))
                continue;
            FSessions.push_back({f->FormWidget(), &f->dbsMain()});
            f->dbsMain().SetCancelCheck({});
        }
    }
    ~EscapeLeftToLoop()
    {
        for (const Session &s : FSessions)
            if (s.Form)
                s.Connection->SetCancelCheck(tv::ui::EscapeCancelCheck());
    }
    EscapeLeftToLoop(const EscapeLeftToLoop &) = delete;
    EscapeLeftToLoop &operator=(const EscapeLeftToLoop &) = delete;

private:
    struct Session {
        QPointer<QObject> Form;
        tv::db::Connection *Connection;
    };
    std::vector<Session> FSessions;
};

} // namespace

TfrmComp::TfrmComp(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmComp"))
{
    setObjectName(QStringLiteral("frmComp"));
    resize(820, 560);

    btnExec = AddExecAction([this] { btnExecClick(); });

    // Kind buttons.
    auto *pnlNewObj = new QToolBar(this);
    pnlNewObj->setObjectName(QStringLiteral("pnlNewObj"));
    IMainWindow *m = MainWindow();
    const struct {
        QToolButton *TfrmComp::*member;
        const char *name;
        const char *caption;
        int code;
    } kinds[] = {{&TfrmComp::btnTable, "btnTable", "テーブル", 45},
                 {&TfrmComp::btnIndex, "btnIndex", "インデックス", 46},
                 {&TfrmComp::btnView, "btnView", "ビュー", 47},
                 {&TfrmComp::btnFunc, "btnFunc", "ファンクション", 52},
                 {&TfrmComp::btnType, "btnType", "タイプ", 55},
                 {&TfrmComp::btnTrigger, "btnTrigger", "トリガー", 57},
                 {&TfrmComp::btnSeq, "btnSeq", "シーケンス", 58},
                 {&TfrmComp::btnMView, "btnMView", "マテリアライズドビュー", 61},
                 {&TfrmComp::btnRule, "btnRule", "ルール", 127},
                 {&TfrmComp::btnAgrg, "btnAgrg", "集約関数", 128},
                 {&TfrmComp::btnProc, "btnProc", "プロシージャ", 51},
                 {&TfrmComp::btnPack, "btnPack", "パッケージ", 53},
                 {&TfrmComp::btnSynonym, "btnSynonym", "シノニム", 60}};
    for (const auto &k : kinds) {
        auto *b = new QToolButton(pnlNewObj);
        b->setObjectName(QString::fromLatin1(k.name));
        b->setCheckable(true);
        b->setToolTip(QString::fromUtf8(k.caption));
        b->setText(QString::fromUtf8(k.caption));
        b->setProperty("code", k.code);
        if (m)
            b->setIcon(m->MainImage(k.code));
        pnlNewObj->addWidget(b);
        this->*(k.member) = b;
        KindButtons << b;
    }
    layout()->addWidget(pnlNewObj);

    // The filters and the two sides.
    auto *pnlComp = new QWidget(this);
    pnlComp->setObjectName(QStringLiteral("pnlComp"));
    auto *row = new QHBoxLayout(pnlComp);
    row->setContentsMargins(0, 0, 0, 0);
    auto *filters = new QGroupBox(QStringLiteral(" 表示するオブジェクトの条件 "), pnlComp);
    auto *fl = new QGridLayout(filters);
    chkEqurl = new QCheckBox(QStringLiteral("内容一致"), filters);
    chkNotEqurl = new QCheckBox(QStringLiteral("内容不一致"), filters);
    chkOnly1 = new QCheckBox(QStringLiteral("比較先１にのみ存在する"), filters);
    chkOnly2 = new QCheckBox(QStringLiteral("比較先２にのみ存在する"), filters);
    chkEqurl->setObjectName(QStringLiteral("chkEqurl"));
    chkNotEqurl->setObjectName(QStringLiteral("chkNotEqurl"));
    chkOnly1->setObjectName(QStringLiteral("chkOnly1"));
    chkOnly2->setObjectName(QStringLiteral("chkOnly2"));
    fl->addWidget(chkEqurl, 0, 0);
    fl->addWidget(chkNotEqurl, 0, 1);
    fl->addWidget(chkOnly1, 1, 0);
    fl->addWidget(chkOnly2, 1, 1);
    row->addWidget(filters);
    auto side = [this, pnlComp](const char *group, const QString &title, QComboBox *&db, TtvComboBox *&schema,
                                const char *dbName, const char *schemaName) {
        auto *g = new QGroupBox(title, pnlComp);
        g->setObjectName(QString::fromLatin1(group));
        auto *gl = new QGridLayout(g);
        gl->addWidget(new QLabel(QStringLiteral("DB"), g), 0, 0);
        db = new QComboBox(g);
        db->setObjectName(QString::fromLatin1(dbName));
        gl->addWidget(db, 0, 1);
        gl->addWidget(new QLabel(QStringLiteral("スキーマ"), g), 1, 0);
        auto *s = new TDropDownCombo(g);
        s->setObjectName(QString::fromLatin1(schemaName));
        s->setEditable(true);
        toolui::LowerCaseTyping(s->lineEdit(), [] { return !tvOption.UseLowerName; });
        schema = s;
        gl->addWidget(schema, 1, 1);
        gl->setColumnStretch(1, 1);
        return g;
    };
    row->addWidget(side("grpComp1", QStringLiteral("比較先１"), cmbDBName1, cmbSchema1, "cmbDBName1", "cmbSchema1"), 1);
    row->addWidget(side("grpComp2", QStringLiteral("比較先２"), cmbDBName2, cmbSchema2, "cmbDBName2", "cmbSchema2"), 1);
    static_cast<TDropDownCombo *>(cmbSchema1)->OnDropDown = [this] { FillSchemas(cmbSchema1, OwnerForm()); };
    static_cast<TDropDownCombo *>(cmbSchema2)->OnDropDown = [this] { FillSchemas(cmbSchema2, FOwner2.data()); };
    layout()->addWidget(pnlComp);

    lstComp = new TtvListView(this);
    lstComp->setObjectName(QStringLiteral("lstComp"));
    lstComp->SetMultiSelect(true);
    lstComp->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstComp->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstComp->setRootIsDecorated(false);
    lstComp->AddColumn(QStringLiteral("オブジェクト名"), 200);
    lstComp->AddColumn(QStringLiteral("スキーマ"), 120);
    lstComp->AddColumn(QStringLiteral("タイプ"), 120);
    lstComp->AddColumn(QStringLiteral("補足①"), 100);
    lstComp->AddColumn(QStringLiteral("補足②"), 100);
    lstComp->AddColumn(QStringLiteral("比較結果"), 160);
    lstComp->AddColumn(QStringLiteral("【比較先１】OID番号"), 0);
    lstComp->AddColumn(QStringLiteral("【比較先２】OID番号"), 0);
    lstComp->setColumnHidden(6, true);
    lstComp->setColumnHidden(7, true);
    layout()->addWidget(lstComp);

    Output = new TListOutput(this, tolCmd, lstComp, QStringLiteral("OBJECTCOMP"), 6, true);
    tolCmd->addAction(actExit);

    popObject = new QMenu(this);
    popObject->setObjectName(QStringLiteral("popObject"));
    mnuOpen = popObject->addAction(QStringLiteral("開く(&O)"));
    mnuOpen1 = popObject->addAction(QStringLiteral("比較先１のオブジェクトを開く"));
    mnuOpen2 = popObject->addAction(QStringLiteral("比較先２のオブジェクトを開く"));
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    mnuOpen1->setObjectName(QStringLiteral("mnuOpen1"));
    mnuOpen2->setObjectName(QStringLiteral("mnuOpen2"));
    connect(mnuOpen, &QAction::triggered, this, tv::ui::Guarded([this] { OpenRows(0); }));
    connect(mnuOpen1, &QAction::triggered, this, tv::ui::Guarded([this] { OpenRows(1); }));
    connect(mnuOpen2, &QAction::triggered, this, tv::ui::Guarded([this] { OpenRows(2); }));
    connect(popObject, &QMenu::aboutToShow, this, [this] {
        const bool any = !lstComp->SelectedItems().isEmpty();
        for (QAction *a : {mnuOpen, mnuOpen1, mnuOpen2})
            a->setEnabled(any);
    });
    lstComp->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstComp, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { popObject->popup(lstComp->viewport()->mapToGlobal(p)); });
    connect(lstComp, &QTreeWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { OpenRows(0); }));
    connect(cmbDBName1, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbDBName1Change(); }));
    connect(cmbDBName2, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbDBName2Change(); }));

    chkEqurl->setChecked(CompOption.Equrl);
    chkNotEqurl->setChecked(CompOption.NotEqurl);
    chkOnly1->setChecked(CompOption.Only1);
    chkOnly2->setChecked(CompOption.Only2);

    FinishCreate();
}

TfrmComp *TfrmComp::Create(IConnectionWindow *AOwner)
{
    if (!AOwner)
        return nullptr;
    TfrmComp *w = Open<TfrmComp>(AOwner);
    if (!w)
        return nullptr;
    w->FOpenedFrom = AOwner->FormWidget();
    // The window goes with the connection window it was opened from.
    connect(AOwner->FormWidget(), &QObject::destroyed, w, [w] { w->Close(); });
    w->FillConnections(w->cmbDBName1);
    w->FillConnections(w->cmbDBName2);
    const int at = w->cmbDBName1->findText(ConnectionText(AOwner), Qt::MatchExactly);
    if (at < 0) {
        for (QComboBox *c : {w->cmbDBName1, w->cmbDBName2})
            c->addItem(ConnectionText(AOwner), QVariant::fromValue<QObject *>(AOwner->FormWidget()));
    }
    for (QComboBox *c : {w->cmbDBName1, w->cmbDBName2})
        c->setCurrentIndex(c->findText(ConnectionText(AOwner), Qt::MatchExactly));
    w->cmbDBName1Change();
    w->cmbDBName2Change();
    return w;
}

void TfrmComp::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actViewComp"),
                       [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); });
}

void TfrmComp::cmbDBNameChange()
{
    // Side 1's combo decides the connection; the frame's combo only binds
    // the window at its opening.
    if (IConnectionWindow *cw = SelectedConnection())
        SetOwnerForm(cw);
}

void TfrmComp::FillConnections(QComboBox *Combo)
{
    const QString shown = Combo->currentText();
    Combo->clear();
    if (frmMain) {
        QComboBox *src = frmMain->ConnectionList();
        for (int i = 0; i < src->count(); ++i)
            Combo->addItem(src->itemText(i), src->itemData(i));
    }
    Combo->setCurrentIndex(Combo->findText(shown, Qt::MatchExactly));
}

void TfrmComp::DBChange(QObject * /*Sender*/)
{
    const QString t1 = cmbDBName1->currentText(), t2 = cmbDBName2->currentText();
    FillConnections(cmbDBName1);
    FillConnections(cmbDBName2);
    cmbDBName1->setCurrentIndex(cmbDBName1->findText(t1, Qt::MatchExactly));
    cmbDBName2->setCurrentIndex(cmbDBName2->findText(t2, Qt::MatchExactly));
    if (cmbDBName1->count() == 0 || cmbDBName1->currentIndex() < 0 || cmbDBName2->currentIndex() < 0)
        Close();
}

void TfrmComp::cmbDBName1Change()
{
    auto *cw = dynamic_cast<IConnectionWindow *>(cmbDBName1->currentData().value<QObject *>());
    if (!cw)
        return;
    SetOwnerForm(cw);
    cmbSchema1->setEditText(kAll);
}

void TfrmComp::cmbDBName2Change()
{
    auto *cw = dynamic_cast<TfrmObject *>(cmbDBName2->currentData().value<QObject *>());
    if (!cw)
        return;
    FOwner2 = cw;
    cmbSchema2->setEditText(kAll);
}

void TfrmComp::FillSchemas(TtvComboBox *Combo, IConnectionWindow *Form)
{
    if (!Form)
        return;
    QStringList names;
    Form->GetSchemaInfo(names, false);
    const QString keep = Combo->Text();
    Combo->clear();
    Combo->addItem(kAll);
    Combo->addItems(names);
    Combo->setEditText(keep);
}

bool TfrmComp::Blind() const
{
    return comp::SchemaBlind(cmbSchema1->Text(), cmbSchema2->Text(), cmbDBName1->currentText(),
                             cmbDBName2->currentText());
}

void TfrmComp::btnExecClick()
{
    if (FRunning)
        return;
    auto fail = [](const QString &text, QWidget *focus) {
        focus->setFocus();
        ShowMessageBox(text, tv::ui::MB_ICONEXCLAMATION);
        throw tv::SilentAbort();
    };
    if (!chkEqurl->isChecked() && !chkNotEqurl->isChecked() && !chkOnly1->isChecked() && !chkOnly2->isChecked())
        fail(QStringLiteral("表示するオブジェクト条件を指定して下さい。"), chkEqurl);
    if (cmbSchema1->Text().trimmed().isEmpty())
        fail(QStringLiteral("比較先１のスキーマを指定して下さい。"), cmbSchema1);
    if (cmbSchema2->Text().trimmed().isEmpty())
        fail(QStringLiteral("比較先２のスキーマを指定して下さい。"), cmbSchema2);
    if (cmbDBName1->currentText() == cmbDBName2->currentText() && cmbSchema1->Text() == cmbSchema2->Text())
        fail(QStringLiteral("比較先が同一の場所を示しています。"), cmbSchema1);
    CompareObjects();
}

std::vector<comp::TCompEntry> TfrmComp::ListSide(IConnectionWindow *Form, const QString &Schema, bool &Stopped)
{
    std::vector<comp::TCompEntry> out;
    // An Esc noted earlier in the run stays noted: this side ends empty too.
    if (Stopped)
        return out;
    QList<int> wanted;
    for (QToolButton *b : KindButtons)
        if (b->isChecked())
            wanted << b->property("code").toInt();
    const QString sql = comp::ObjectListSQL(wanted, Form->DBVer(), Form->g_bPostgresPlus(), Schema);
    if (sql.isEmpty())
        return out;
    tv::db::Query q(&Form->dbsMain());
    // The type names of the argument oids, once per side.
    QHash<qint64, QString> types;
    q.SetSQL(QStringLiteral("SELECT oid, typname FROM pg_type"));
    OpenProtected(q);
    for (q.First(); !q.Eof(); q.Next())
        types.insert(q.Fields(0).AsString().toLongLong(), q.Fields(1).AsString());
    q.Close();
    q.SetSQL(sql);
    OpenProtected(q);
    for (q.First(); !q.Eof(); q.Next()) {
        if (tv::ui::EscapePressed()) {
            Stopped = true;
            out.clear();
            break;
        }
        comp::TCompEntry e;
        e.Kind = q.Fields(0).AsString();
        e.Name = q.Fields(1).AsString();
        e.Schema = q.Fields(2).AsString();
        e.Param = comp::ArgumentTypeNames(q.Fields(4).AsString(), types);
        e.Result = q.Fields(5).AsString();
        e.OID = q.Fields(6).AsString().toLongLong();
        e.Table = q.Fields(7).AsString();
        out.push_back(std::move(e));
    }
    q.Close();
    return out;
}

QString TfrmComp::Script(TfrmObject *Form, int Code, const QString &Schema, const comp::TCompEntry &e, QByteArray *Raw)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Form->OutputScript(Code, Schema, e.Name.trimmed(), buffer, QString(), QString(), e.OID, e.Table);
    const QByteArray bytes = buffer.data();
    if (Raw)
        *Raw = bytes;
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
}

void TfrmComp::AddRow(const comp::TCompEntry &e, const QString &Result, qint64 Oid1, qint64 Oid2)
{
    const QString kind = e.Kind.trimmed();
    const QString extra1 = Routine(kind) ? e.Param : OnTable(kind) ? e.Table : QString();
    const QString extra2 = Routine(kind) ? e.Result : QString();
    TtvListItem *it = lstComp->AddItem(e.Name.trimmed(), {e.Schema.trimmed(), kind, extra1, extra2, Result,
                                                          QString::number(Oid1), QString::number(Oid2)});
    if (IMainWindow *m = MainWindow())
        it->setIcon(0, m->MainImage(ObjectTypeFromName(kind)));
    lstComp->scrollToItem(it);
}

void TfrmComp::CompareObjects()
{
    auto *form1 = dynamic_cast<TfrmObject *>(OwnerForm());
    TfrmObject *form2 = FOwner2.data();
    if (!form1 || !form2)
        return;
    CompOption.Equrl = chkEqurl->isChecked();
    CompOption.NotEqurl = chkNotEqurl->isChecked();
    CompOption.Only1 = chkOnly1->isChecked();
    CompOption.Only2 = chkOnly2->isChecked();
    const QString s1 = cmbSchema1->Text(), s2 = cmbSchema2->Text();
    const bool blind = Blind();
    const QScopedValueRollback running(FRunning, true);
    ScriptOptionsBack back;
    EscapeLeftToLoop escapeToLoop{form1, form2};
    tv::ui::SqlWaitCursor wait;
    struct Status {
        ~Status()
        {
            if (IMainWindow *m = MainWindow())
                m->SetDefMessage();
        }
    } status;
    if (frmMain) {
        frmMain->SetStatusText(2, QStringLiteral(" 比較中... [ESC]キーを押すと処理を中断"));
        frmMain->repaint();
    }
    // An Esc seen while listing stays noted for the rest of the run: both
    // sides then end empty, or the pairing ends at its first row.
    tv::ui::ClearEscape();
    bool stopped = false;
    auto escape = [&stopped] { return stopped || (stopped = tv::ui::EscapePressed()); };
    std::vector<comp::TCompEntry> side1 = ListSide(form1, s1, stopped);
    std::vector<comp::TCompEntry> side2 = ListSide(form2, s2, stopped);
    if (blind)
        ScriptOption.Owner = 2;
    ScriptOption.Index = false;
    ScriptOption.Insert = false;
    lstComp->clear();
    comp::TCounterparts pairs(side2, !blind);
    std::vector<bool> taken1(side1.size(), false);
    for (int i = int(side1.size()) - 1; i >= 0; --i) {
        if (escape())
            return;
        const comp::TCompEntry &e1 = side1[size_t(i)];
        const int j = pairs.Find(e1);
        if (j < 0)
            continue;
        const comp::TCompEntry &e2 = side2[size_t(j)];
        const int code = ObjectTypeFromName(e1.Kind.trimmed());
        QByteArray raw1, raw2;
        const QString ddl2 = comp::RemoveSchemaQualifier(s2 == kAll ? e2.Schema : s2.trimmed(),
                                                         Script(form2, code, e2.Schema.trimmed(), e2, &raw2));
        const QString ddl1 = comp::RemoveSchemaQualifier(s1 == kAll ? e1.Schema : s1.trimmed(),
                                                         Script(form1, code, e1.Schema.trimmed(), e1, &raw1));
        const bool equal = (code == 46 || code == 58) ? raw1 == raw2 : ddl1 == ddl2;
        if (equal ? chkEqurl->isChecked() : chkNotEqurl->isChecked())
            AddRow(e1, equal ? QStringLiteral("内容一致") : QStringLiteral("内容不一致"), e1.OID, e2.OID);
        taken1[size_t(i)] = true;
        pairs.Take(j);
    }
    if (chkOnly1->isChecked()) {
        for (int i = int(side1.size()) - 1; i >= 0; --i) {
            if (escape())
                return;
            if (!taken1[size_t(i)])
                AddRow(side1[size_t(i)], QStringLiteral("比較先１にのみ存在"), side1[size_t(i)].OID, -1);
        }
    }
    if (chkOnly2->isChecked()) {
        for (int j = int(side2.size()) - 1; j >= 0; --j) {
            if (escape())
                return;
            if (!pairs.Taken(j))
                AddRow(side2[size_t(j)], QStringLiteral("比較先２にのみ存在"), -1, side2[size_t(j)].OID);
        }
    }
    lstComp->CustomSort();
    ShowMessageBox(QStringLiteral("オブジェクト比較を終了しました。"), tv::ui::MB_ICONINFORMATION);
}

void TfrmComp::OpenRows(int Side)
{
    if (lstComp->SelectedItems().isEmpty())
        return;
    const bool blind = Blind();
    EscapeLeftToLoop escapeToLoop{OwnerForm(), FOwner2.data()};
    TSelectionWalk walk(lstComp, false);
    while (TtvListItem *row = walk.Next()) {
        const QString result = row->SubItem(4);
        const bool has1 = result != QStringLiteral("比較先２にのみ存在");
        const bool has2 = result != QStringLiteral("比較先１にのみ存在");
        const QString kind = row->SubItem(1);
        const int code = ObjectTypeFromName(kind);
        for (int side : {1, 2}) {
            if ((Side != 0 && Side != side) || (side == 1 ? !has1 : !has2))
                continue;
            auto *form = side == 1 ? dynamic_cast<TfrmObject *>(OwnerForm()) : FOwner2.data();
            if (!form)
                continue;
            const QString schema = blind ? (side == 1 ? cmbSchema1->Text() : cmbSchema2->Text()) : row->SubItem(0);
            const qint64 oid = Routine(kind) ? row->SubItem(side == 1 ? 5 : 6).toLongLong() : -1;
            form->OpenObject(code, schema, row->Caption(), tvOption.OpenMode, false, 0, oid,
                             OnTable(kind) ? row->SubItem(2) : QString());
        }
        walk.Deselect();
    }
}
