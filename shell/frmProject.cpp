#include "shell/frmProject.h"

#include "common/MessageDlg.h"
#include "platform/Errors.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Guard.h"
#include "shell/frmObject.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TfrmProject::TfrmProject(TfrmObject *owner, QWidget *parent) : QDialog(parent), FOwner(owner)
{
    setObjectName(QStringLiteral("frmProject"));
    setWindowTitle(QStringLiteral("表示スキーマ設定"));
    resize(300, 400);
    chkUserList = new QListWidget(this);
    chkUserList->setObjectName(QStringLiteral("chkUserList"));
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(new QLabel(QStringLiteral("表示するスキーマ"), this));
    lay->addWidget(chkUserList, 1);
    lay->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnOkClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
}

bool TfrmProject::ShowWindow(TfrmObject *AOwner, const QString &)
{
    TfrmProject dlg(AOwner, AOwner ? AOwner->window() : nullptr);
    QStringList schemas;
    AOwner->GetSchemaInfo(schemas, true);
    for (const QString &s : schemas) {
        auto *item = new QListWidgetItem(s, dlg.chkUserList);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    dlg.LoadTreeSchemas();
    if (dlg.exec() != QDialog::Accepted)
        return false;
    dlg.SaveTreeSchemas();
    return true;
}

QString TfrmProject::TreeKey() const
{
    return QStringLiteral("\\Software\\Quenzor\\TVX19\\OBJECTTREE\\") + tv::settings::EscapeKeyName(FOwner->DBName());
}

void TfrmProject::LoadTreeSchemas()
{
    auto &reg = tv::settings::tvRegistry();
    if (!reg.KeyExists(TreeKey()) || !reg.OpenKey(TreeKey(), false))
        return;
    const QStringList configured = tv::settings::TextToStrings(reg.GetString(QStringLiteral("Schema"), QString()));
    reg.CloseKey();
    for (int i = 0; i < chkUserList->count(); ++i)
        if (configured.contains(chkUserList->item(i)->text(), Qt::CaseInsensitive))
            chkUserList->item(i)->setCheckState(Qt::Checked);
}

void TfrmProject::SaveTreeSchemas()
{
    QStringList checked;
    for (int i = 0; i < chkUserList->count(); ++i)
        if (chkUserList->item(i)->checkState() == Qt::Checked)
            checked << chkUserList->item(i)->text();
    auto &reg = tv::settings::tvRegistry();
    if (!reg.OpenKey(TreeKey(), true))
        throw tv::Error(QStringLiteral("表示スキーマを保存できません。"));
    try {
        reg.WriteString(QStringLiteral("Schema"), tv::settings::StringsToText(checked));
    } catch (...) {
        reg.CloseKey();
        throw;
    }
    reg.CloseKey();
}

void TfrmProject::btnOkClick()
{
    for (int i = 0; i < chkUserList->count(); ++i) {
        if (chkUserList->item(i)->checkState() == Qt::Checked) {
            accept();
            return;
        }
    }
    ShowMessageBox(QStringLiteral("所属するスキーマを最低一つは選択して下さい。"), tv::ui::MB_ICONWARNING);
    chkUserList->setFocus();
}
