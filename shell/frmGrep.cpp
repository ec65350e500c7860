#include "shell/frmGrep.h"

#include "common/MessageDlg.h"
#include "controls/tvRadioGroup.h"
#include "platform/ui/Dialogs.h"
#include "shell/frmMain.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmGrep::TfrmGrep(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmGrep"));
    setWindowTitle(QStringLiteral("GREP"));
    auto *v = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("検索文字列"), this));
    txtGrepWord = new QLineEdit(this);
    txtGrepWord->setObjectName(QStringLiteral("txtGrepWord"));
    row->addWidget(txtGrepWord, 1);
    v->addLayout(row);
    rdoObject = new TtvRadioGroup(QStringLiteral(" 対象オブジェクト "),
                                  {QStringLiteral("現在選択中のオブジェクト"),
                                   QStringLiteral("現在一覧表示されているオブジェクト"),
                                   QStringLiteral("現在選択中のスキーマ、タイプで再検索したオブジェクト"),
                                   QStringLiteral("全てのオブジェクト")},
                                  1, this);
    rdoObject->setObjectName(QStringLiteral("rdoObject"));
    v->addWidget(rdoObject);
    chkCharCase = new QCheckBox(QStringLiteral("大文字小文字を区別する"), this);
    chkCharCase->setObjectName(QStringLiteral("chkCharCase"));
    v->addWidget(chkCharCase);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = new QPushButton(QStringLiteral("開始"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    v->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

void TfrmGrep::btnOkClick()
{
    if (txtGrepWord->text().isEmpty()) {
        ShowMessageBox(QStringLiteral("検索する文字列を指定して下さい。"), tv::ui::MB_ICONEXCLAMATION);
        txtGrepWord->setFocus();
        return;
    }
    accept();
}

void TfrmGrep::btnCancelClick()
{
    reject();
}

bool TfrmGrep::ShowWindow(QString &GrepWord, int &Mode, bool &CharCase)
{
    TfrmGrep dlg(frmMain);
    dlg.txtGrepWord->setText(GrepWord);
    dlg.rdoObject->SetItemIndex(Mode);
    dlg.chkCharCase->setChecked(false);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    CharCase = dlg.chkCharCase->isChecked();
    GrepWord = CharCase ? dlg.txtGrepWord->text() : dlg.txtGrepWord->text().toUpper();
    Mode = dlg.rdoObject->ItemIndex();
    return true;
}
