#include "objects/table/fraGrant.h"

#include "common/CatalogSQL.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/tvForm.h"
#include "controls/tvCheckListBox.h"
#include "controls/tvListView.h"
#include "controls/tvRadioGroup.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/frmObject.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

TfraGrant::TfraGrant(TtvForm *Owner, QWidget *Parent) : QWidget(Parent), FOwner(Owner)
{
    setObjectName(QStringLiteral("fraGrant"));
    auto *root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    auto *left = new QVBoxLayout;
    rdoShowMode = new TtvRadioGroup(QStringLiteral(" 表示対象 "),
                                    {QStringLiteral("権限付与済みのユーザーのみ表示"),
                                     QStringLiteral("全てのユーザーを表示")});
    rdoShowMode->setObjectName(QStringLiteral("rdoShowMode"));
    rdoShowMode->SetItemIndex(0);
    grpGrantOption = new QGroupBox(QStringLiteral(" 選択したユーザーの権限 / GRANT OPTION "));
    grpGrantOption->setObjectName(QStringLiteral("grpGrantOption"));
    auto *gl = new QVBoxLayout(grpGrantOption);
    chkGrant = new TtvCheckListBox;
    chkGrant->setObjectName(QStringLiteral("chkGrant"));
    chkGrant->SetAllowGrayed(true);
    chkGrant->setEnabled(false);
    gl->addWidget(chkGrant);
    lblComment = new QLabel(QStringLiteral("　* : 権限付与済　G : GRANT OPTION　"));
    lblComment->setObjectName(QStringLiteral("lblComment"));
    left->addWidget(rdoShowMode);
    left->addWidget(grpGrantOption, 1);
    left->addWidget(lblComment);
    lstGrant = new TtvListView;
    lstGrant->setObjectName(QStringLiteral("lstGrant"));
    lstGrant->SetMultiSelect(true);
    lstGrant->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstGrant->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstGrant->setRootIsDecorated(false);
    root->addLayout(left);
    root->addWidget(lstGrant, 1);

    connect(rdoShowMode, &TtvRadioGroup::Clicked, this, tv::ui::Guarded([this](int) { rdoShowModeClick(); }));
    connect(lstGrant, &QTreeWidget::itemSelectionChanged, this, tv::ui::Guarded([this] { lstGrantSelectItem(); }));
    chkGrant->OnClickCheckL = [this](QObject *) { tv::ui::Guard([this] { chkGrantClick(); }); };
    chkGrant->OnClickCheckR = [this](QObject *) { tv::ui::Guard([this] { chkGrantClick(); }); };
}

void TfraGrant::ShowData(const QString &Schema, const QString &ObjName, qint64 pintOid, const QString &pstrTypLst,
                         const QString &pstrDataType)
{
    if (!FOwner)
        return;
    auto *form = dynamic_cast<TfrmObject *>(FOwner->OwnerForm());
    L_intOID = pintOid;
    L_strTypLst = pstrTypLst;
    ++FFilling;
    struct Done {
        int &n;
        TtvListView *l;
        ~Done()
        {
            --n;
            l->setUpdatesEnabled(true);
        }
    } done{FFilling, lstGrant};
    lstGrant->setUpdatesEnabled(false);
    lstGrant->clear();
    chkGrant->clear();
    const int objType = FOwner->ObjType();
    FModel.Reset(objType, Schema, ObjName, pstrTypLst);
    if (objType == 55)
        L_strDataType = pstrDataType;
    for (const TGrantPrivilege &p : std::as_const(FModel.Privileges)) {
        chkGrant->addItem(p.Line);
    }
    if (!form)
        return;
    const QString me = form->dbsMain().Params().User_Name;
    QStringList users, roles;
    form->GetUser(users, true);
    form->GetRole(roles);
    for (const QString &u : std::as_const(users))
        FModel.AddRow(u, u == me ? 3 : 2);
    for (const QString &r : std::as_const(roles))
        FModel.AddRow(r, 68);

    const int ver = form->DBVer();
    tv::db::Query q(&form->dbsMain());
    q.SetSQL(GrantAclSQL(objType, form->g_bPostgresPlus() ? EdbPackageSubquery(ver) : QString()));
    if (!q.SQL().isEmpty()) {
        switch (objType) {
        case 51:
        case 52:
        case 128:
            q.ParamByName(QStringLiteral("FUNCTION")).setAsInt64(pintOid);
            break;
        case 53:
        case 54:
            q.ParamByName(QStringLiteral("SCHEMA_NAME")).setAsString(Schema);
            q.ParamByName(QStringLiteral("OBJECT_NAME")).setAsString(ObjName);
            break;
        default:
            q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
            q.ParamByName(objType == 55   ? QStringLiteral("TYPE")
                          : objType == 58 ? QStringLiteral("SEQUENCE")
                                          : QStringLiteral("TABLE"))
                .setAsString(ObjName);
        }
        q.Open();
        if (!q.Eof())
            FModel.LoadAcl(true, q.Fields(0).AsString(), q.Fields(2).IsNull(), q.Fields(1).AsString());
        q.Close();
    }
    if (rdoShowMode->ItemIndex() == 0)
        FModel.RemoveUnmarked();

    // Columns: the user name, then the privilege keywords.
    lstGrant->setColumnCount(0);
    lstGrant->AddColumn(QStringLiteral("ユーザー名"), 200);
    for (const TGrantPrivilege &p : std::as_const(FModel.Privileges))
        lstGrant->AddColumn(p.Keyword, 90, Qt::AlignHCenter);
    IMainWindow *m = MainWindow();
    for (int i = 0; i < FModel.Rows.size(); ++i) {
        const TGrantRow &r = FModel.Rows[i];
        TtvListItem *item = lstGrant->AddItem(r.Name, r.Current);
        item->SetData(i);
        if (m)
            item->setIcon(0, m->MainImage(r.Icon));
    }
    ShowSelection();
}

QList<int> TfraGrant::SelectedRows() const
{
    QList<int> rows;
    for (int i = 0; i < lstGrant->ItemCount(); ++i)
        if (lstGrant->Item(i)->isSelected())
            rows << lstGrant->Item(i)->Data().toInt();
    return rows;
}

void TfraGrant::ShowRow(int Row)
{
    for (int i = 0; i < lstGrant->ItemCount(); ++i)
        if (lstGrant->Item(i)->Data().toInt() == Row)
            lstGrant->Item(i)->SetSubItems(FModel.Rows[Row].Current);
}

void TfraGrant::lstGrantSelectItem()
{
    if (FFilling)
        return;
    ShowSelection();
}

void TfraGrant::ShowSelection()
{
    // The boxes always stand for the selected grantees: none selected, none
    // ticked (a reload leaves no tick of a grantee that is gone).
    const QList<int> rows = SelectedRows();
    const bool pseudo = L_strDataType == QLatin1String("p");
    chkGrant->setEnabled(!rows.isEmpty() && !pseudo);
    QList<int> left, right;
    if (!rows.isEmpty())
        FModel.SelectionStates(rows, left, right);
    const bool option = FModel.GrantOptionUsable(rows);
    for (int k = 0; k < chkGrant->count(); ++k) {
        chkGrant->SetStateL(k, Qt::CheckState(left.value(k)));
        chkGrant->SetStateR(k, Qt::CheckState(right.value(k)));
        chkGrant->SetItemEnabledR(k, option);
    }
}

void TfraGrant::chkGrantClick()
{
    if (FOwner)
        FOwner->SetModified(true);
    const QList<int> rows = SelectedRows();
    QList<int> left, right;
    for (int k = 0; k < chkGrant->count(); ++k) {
        left << int(chkGrant->GetStateL(k));
        right << int(chkGrant->GetStateR(k));
    }
    FModel.Apply(rows, left, right);
    for (int r : rows)
        ShowRow(r);
}

void TfraGrant::rdoShowModeClick()
{
    if (FOwner)
        FOwner->Reload(this);
    chkGrant->setEnabled(!SelectedRows().isEmpty());
}

void TfraGrant::GetSource(QStringList &S) const
{
    FModel.GetSource(S);
}

void TfraGrant::GetSourceReregist(QStringList &S) const
{
    FModel.GetSourceReregist(S);
}
