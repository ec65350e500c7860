#include "sql/frmSQLBldConnect.h"

#include "common/Globals.h"
#include "common/HTMLHelp.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "sql/SQLDesignModel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

TfrmSQLBldConnect::TfrmSQLBldConnect(TSQLDesign *design, TtvSQLBuildConnect *AConnect, QWidget *parent)
    : QDialog(parent), FDesign(design), FConnect(AConnect)
{
    setObjectName(QStringLiteral("frmSQLBldConnect"));
    setWindowTitle(QStringLiteral("結合"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto side = [this](QGroupBox *&grp, QComboBox *&cmb, QCheckBox *&chk, const char *g, const char *c,
                       const char *k, const TSQLDesignTable *t, const QString &column) {
        grp = new QGroupBox(QLatin1Char(' ') + (t ? t->TableName : QString()) + QStringLiteral(" の列選択 "), this);
        grp->setObjectName(QLatin1String(g));
        cmb = new QComboBox(grp);
        cmb->setObjectName(QLatin1String(c));
        if (t)
            for (const QString &col : t->Columns)
                if (col != QLatin1String("*"))
                    cmb->addItem(col);
        cmb->setCurrentIndex(cmb->findText(column));
        chk = new QCheckBox(QStringLiteral("全行表示"), grp);
        chk->setObjectName(QLatin1String(k));
        auto *l = new QVBoxLayout(grp);
        l->addWidget(cmb);
        l->addWidget(chk);
    };
    side(grpTable1, cmbColumn1, chkLeftFull, "grpTable1", "cmbColumn1", "chkLeftFull", AConnect->FromTable,
         AConnect->FromColumn);
    side(grpTable2, cmbColumn2, chkRightFull, "grpTable2", "cmbColumn2", "chkRightFull", AConnect->ToTable,
         AConnect->ToColumn);
    chkLeftFull->setChecked(AConnect->JoinType == jtLeftOuter);
    chkRightFull->setChecked(AConnect->JoinType == jtRightOuter);
    // Only one side keeps all its rows.
    QObject::connect(chkLeftFull, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            chkRightFull->setChecked(false);
    });
    QObject::connect(chkRightFull, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            chkLeftFull->setChecked(false);
    });

    rdoConnectType = new QGroupBox(QStringLiteral(" 結合条件 "), this);
    rdoConnectType->setObjectName(QStringLiteral("rdoConnectType"));
    grpConnectType = new QButtonGroup(this);
    auto *rl = new QVBoxLayout(rdoConnectType);
    const QStringList ops{QStringLiteral("＝"), QStringLiteral("＞"), QStringLiteral(">="),
                          QStringLiteral("＜"), QStringLiteral("<="), QStringLiteral("!=")};
    for (int i = 0; i < ops.size(); ++i) {
        auto *rb = new QRadioButton(ops[i], rdoConnectType);
        grpConnectType->addButton(rb, i);
        rl->addWidget(rb);
    }
    if (QAbstractButton *b = grpConnectType->button(AConnect->ConnectType))
        b->setChecked(true);

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnDelete = new QPushButton(QStringLiteral("削除"), this);
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));

    auto *top = new QHBoxLayout;
    top->addWidget(grpTable1);
    top->addWidget(rdoConnectType);
    top->addWidget(grpTable2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {btnOk, btnCancel, btnDelete, btnHelp})
        buttons->addWidget(b);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addLayout(buttons);
    lay->setSizeConstraint(QLayout::SetFixedSize);

    QObject::connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    QObject::connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
    QObject::connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    QObject::connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });
}

void TfrmSQLBldConnect::btnOkClick()
{
    const bool exists = std::any_of(FDesign->Connects.begin(), FDesign->Connects.end(),
                                    [this](const auto &c) { return c.get() == FConnect; });
    if (exists) {
        FConnect->FromColumn = cmbColumn1->currentText();
        FConnect->ToColumn = cmbColumn2->currentText();
        FConnect->ConnectType = TtvSQLBuildConnectType(std::max(0, grpConnectType->checkedId()));
        FConnect->JoinType = chkLeftFull->isChecked() ? jtLeftOuter : chkRightFull->isChecked() ? jtRightOuter : jtInner;
    }
    accept();
}

void TfrmSQLBldConnect::btnDeleteClick()
{
    FDesign->RemoveConnect(FConnect);
    FConnect = nullptr;
    accept();
}

void TfrmSQLBldConnect::btnHelpClick()
{
    ShowHelpContext(51100);
}

bool TfrmSQLBldConnect::ShowWindow(TSQLDesign &design, TtvSQLBuildConnect *AConnect, QWidget *parent)
{
    if (!AConnect)
        return false;
    if (!parent)
        if (IMainWindow *main = MainWindow())
            parent = main->MainWidget();
    TfrmSQLBldConnect dlg(&design, AConnect, parent);
    if (parent) {
        dlg.adjustSize();
        dlg.move(parent->geometry().center() - QPoint(dlg.width() / 2, dlg.height() / 2));
    }
    return dlg.exec() == QDialog::Accepted;
}
