#include "sql/frmMemo.h"

#include "common/IMainWindow.h"
#include "common/WindowBounds.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kLayoutKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\COMMENT");
const TWindowBoundsRules kLayoutRules{.Minimum = QSize(100, 80)};
} // namespace

TfrmMemo::TfrmMemo(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMemo"));
    setWindowTitle(QStringLiteral("文字列の編集"));
    if (IMainWindow *main = MainWindow()) {
        const QIcon icon = main->MainImage(93);
        if (!icon.isNull())
            setWindowIcon(icon);
    }
    auto *layout = new QVBoxLayout(this);
    txtComment = new TtvMemo(this);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    layout->addWidget(txtComment, 1);
    auto *bottom = new QHBoxLayout;
    chkNull = new QCheckBox(QStringLiteral("NULL"), this);
    chkNull->setObjectName(QStringLiteral("chkNull"));
    bottom->addWidget(chkNull);
    bottom->addStretch(1);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(false);
    btnOk->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    bottom->addWidget(btnOk);
    bottom->addWidget(btnCancel);
    layout->addLayout(bottom);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(480, 320);
}

void TfrmMemo::LoadLayout()
{
    LoadWindowBounds(*this, kLayoutKey, kLayoutRules);
}

void TfrmMemo::SaveLayout()
{
    try {
        SaveWindowBounds(*this, kLayoutKey, kLayoutRules);
    } catch (...) {
        // The layout is a convenience; a store that cannot be written loses it.
    }
}

void TfrmMemo::done(int r)
{
    SaveLayout();
    QDialog::done(r);
}

int TfrmMemo::ShowWindow(QString &AComment, bool &io_bNull, bool i_bNullShow, bool i_bReadOnly)
{
    QWidget *owner = MainWindow() ? MainWindow()->MainWidget() : nullptr;
    TfrmMemo dlg(owner);
    if (owner) {
        const QRect o = owner->frameGeometry();
        dlg.move(o.center() - QPoint(dlg.width() / 2, dlg.height() / 2));
    }
    dlg.LoadLayout();
    dlg.chkNull->setChecked(io_bNull);
    dlg.chkNull->setVisible(i_bNullShow);
    dlg.btnOk->setEnabled(!i_bReadOnly);
    dlg.txtComment->Lines()->SetText(AComment);
    // The caret goes to the end of the text.
    dlg.txtComment->SetSelStart(dlg.txtComment->GetTextLen());
    dlg.txtComment->setFocus();
    const int result = dlg.exec();
    if (result == QDialog::Accepted) {
        QString text = dlg.txtComment->Lines()->Text();
        if (!AComment.contains(QLatin1Char('\r')))
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        AComment = text;
        io_bNull = dlg.chkNull->isChecked();
    }
    return result;
}
