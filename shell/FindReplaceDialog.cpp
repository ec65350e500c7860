#include "shell/FindReplaceDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFindReplaceDialog::TFindReplaceDialog(bool replace, QWidget *parent) : QDialog(parent), FReplace(replace)
{
    setObjectName(replace ? QStringLiteral("dlgReplace") : QStringLiteral("dlgFind"));
    setWindowTitle(replace ? QStringLiteral("置換") : QStringLiteral("検索"));
    setModal(false);
    auto *grid = new QGridLayout;
    edtFind = new QLineEdit;
    edtFind->setObjectName(QStringLiteral("edtFind"));
    grid->addWidget(new QLabel(QStringLiteral("検索する文字列(&N):")), 0, 0);
    grid->addWidget(edtFind, 0, 1);
    if (replace) {
        edtReplace = new QLineEdit;
        edtReplace->setObjectName(QStringLiteral("edtReplace"));
        grid->addWidget(new QLabel(QStringLiteral("置換後の文字列(&P):")), 1, 0);
        grid->addWidget(edtReplace, 1, 1);
    }
    chkMatchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"));
    chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    grid->addWidget(chkMatchCase, 2, 0, 1, 2);

    auto *buttons = new QVBoxLayout;
    btnFindNext = new QPushButton(QStringLiteral("次を検索(&F)"));
    btnFindNext->setObjectName(QStringLiteral("btnFindNext"));
    btnFindNext->setDefault(true);
    buttons->addWidget(btnFindNext);
    connect(btnFindNext, &QPushButton::clicked, this, &TFindReplaceDialog::Find);
    if (replace) {
        btnReplace = new QPushButton(QStringLiteral("置換して次に(&R)"));
        btnReplace->setObjectName(QStringLiteral("btnReplace"));
        btnReplaceAll = new QPushButton(QStringLiteral("すべて置換(&A)"));
        btnReplaceAll->setObjectName(QStringLiteral("btnReplaceAll"));
        buttons->addWidget(btnReplace);
        buttons->addWidget(btnReplaceAll);
        connect(btnReplace, &QPushButton::clicked, this, [this] { emit Replace(false); });
        connect(btnReplaceAll, &QPushButton::clicked, this, [this] { emit Replace(true); });
    }
    btnCancel = new QPushButton(QStringLiteral("キャンセル"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::hide);
    buttons->addWidget(btnCancel);
    buttons->addStretch(1);

    auto *lay = new QGridLayout(this);
    lay->addLayout(grid, 0, 0);
    lay->addLayout(buttons, 0, 1);
}

QString TFindReplaceDialog::FindText() const { return edtFind->text(); }
void TFindReplaceDialog::SetFindText(const QString &text) { edtFind->setText(text); }
QString TFindReplaceDialog::ReplaceText() const { return edtReplace ? edtReplace->text() : QString(); }
void TFindReplaceDialog::SetReplaceText(const QString &text)
{
    if (edtReplace)
        edtReplace->setText(text);
}
bool TFindReplaceDialog::MatchCase() const { return chkMatchCase->isChecked(); }
void TFindReplaceDialog::SetMatchCase(bool on) { chkMatchCase->setChecked(on); }
