#include "monitor/frmStatList.h"

#include "common/IMainWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>

TfrmStatList::TfrmStatList(QWidget *Owner) : QDialog(Owner)
{
    setObjectName(QStringLiteral("frmStatList"));
    setWindowTitle(QStringLiteral("データベース統計履歴の削除"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (IMainWindow *m = MainWindow())
        setWindowIcon(m->MainImage(86));
    resize(360, 320);
    auto *lay = new QVBoxLayout(this);
    lstLog = new QListWidget(this);
    lstLog->setObjectName(QStringLiteral("lstLog"));
    lay->addWidget(lstLog, 1);
    auto *bottom = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("削除したい履歴にチェックを入れ、削除ボタンを押してください。"), this);
    label->setWordWrap(true);
    bottom->addWidget(label, 1);
    btnDelete = new QPushButton(QStringLiteral("削除(&D)"), this);
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnExit = new QPushButton(QStringLiteral("閉じる(&X)"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    bottom->addWidget(btnDelete);
    bottom->addWidget(btnExit);
    lay->addLayout(bottom);
    connect(btnDelete, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
}

bool TfrmStatList::ShowWindow(QWidget *Owner, const QStringList &Names,
                              const std::function<QString(const QString &)> &Title, QStringList &Marked)
{
    IMainWindow *m = MainWindow();
    TfrmStatList dlg(m ? m->MainWidget() : Owner);
    for (const QString &name : Names) {
        auto *it = new QListWidgetItem(Title(name), dlg.lstLog);
        it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
        it->setCheckState(Qt::Unchecked);
    }
    if (dlg.exec() != QDialog::Accepted)
        return false;
    Marked.clear();
    for (int i = 0; i < Names.size() && i < dlg.lstLog->count(); ++i) {
        if (dlg.lstLog->item(i)->checkState() == Qt::Checked)
            Marked << Names.at(i);
    }
    return true;
}
