#include "tools/frmImpdpList.h"

#include "common/MessageDlg.h"
#include "controls/tvRadioGroup.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WindowMessage.h"
#include "tools/DataPumpFiles.h"
#include "tools/frmImpdp.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace tv::ui;

namespace {
const QString kKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\IMPDPLIST");
}

TfrmImpdpList::TfrmImpdpList(TfrmImpdp *AOwner) : QDialog(AOwner), FOwner(AOwner)
{
    setObjectName(QStringLiteral("frmImpdpList"));
    setWindowTitle(QStringLiteral("インポート可能オブジェクト一覧"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    resize(360, 420);
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    btnSelect = tolCmd->addAction(QStringLiteral("選択(&S)"));
    btnSelect->setObjectName(QStringLiteral("btnSelect"));
    btnRefresh = tolCmd->addAction(QStringLiteral("最新(&R)"));
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    btnExit = tolCmd->addAction(QStringLiteral("終了(&X)"));
    btnExit->setObjectName(QStringLiteral("btnExit"));
    for (QAction *a : tolCmd->actions()) {
        if (auto *b = qobject_cast<QToolButton *>(tolCmd->widgetForAction(a)))
            b->setMinimumWidth(78);
    }
    lay->addWidget(tolCmd);
    lstObject = new QListWidget(this);
    lstObject->setObjectName(QStringLiteral("lstObject"));
    lstObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lay->addWidget(lstObject, 1);
    connect(btnSelect, &QAction::triggered, this, Guarded([this] { btnSelectClick(); }));
    connect(lstObject, &QListWidget::itemDoubleClicked, this, Guarded([this] { btnSelectClick(); }));
    connect(btnRefresh, &QAction::triggered, this, Guarded([this] { btnRefreshClick(); }));
    connect(btnExit, &QAction::triggered, this, [this] { reject(); });
    if (AOwner) {
        FMode = AOwner->rdoMode->ItemIndex();
        setWindowIcon(AOwner->windowIcon());
    }
}

void TfrmImpdpList::ShowWindow(TfrmImpdp *AOwner)
{
    if (!AOwner)
        return;
    const int mode = AOwner->rdoMode->ItemIndex();
    if (mode != 1 && mode != 2)
        return;
    TfrmImpdpList dlg(AOwner);
    const QPoint origin = AOwner->mapToGlobal(QPoint(0, 0));
    dlg.move(origin.x() + dlg.style()->pixelMetric(QStyle::PM_TitleBarHeight), origin.y());
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (reg.OpenKey(kKey, true)) {
            dlg.resize(reg.GetInteger(QStringLiteral("Width"), dlg.width()),
                       reg.GetInteger(QStringLiteral("Height"), dlg.height()));
            reg.CloseKey();
        }
    } catch (...) {
    }
    dlg.FillList();
    dlg.exec();
    try {
        if (reg.OpenKey(kKey, true)) {
            if (!(dlg.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
                reg.WriteInteger(QStringLiteral("Width"), dlg.width());
                reg.WriteInteger(QStringLiteral("Height"), dlg.height());
            }
            reg.CloseKey();
        }
    } catch (...) {
    }
}

void TfrmImpdpList::FillList()
{
    lstObject->clear();
    if (!FOwner)
        return;
    lstObject->addItems(FMode == 1 ? FOwner->FUserList : FOwner->FTableList);
}

void TfrmImpdpList::btnSelectClick()
{
    if (!FOwner)
        return;
    QStringList chosen;
    for (int i = 0; i < lstObject->count(); ++i) {
        if (lstObject->item(i)->isSelected())
            chosen << lstObject->item(i)->text();
    }
    QListWidget *users = FOwner->lstUser;
    QListWidget *tables = FOwner->lstTable;
    users->clear();
    if (FMode == 1) {
        for (const QString &u : chosen)
            users->addItem(DataPumpRemapEntry(u, u.trimmed()));
    } else {
        tables->clear();
        QStringList owners;
        for (const QString &e : chosen) {
            const qsizetype dot = e.indexOf(QLatin1Char('.'));
            const QString owner = (dot < 0 ? QString() : e.left(dot)).trimmed();
            const QString table = (dot < 0 ? e : e.mid(dot + 1)).trimmed();
            if (!owners.contains(owner))
                owners << owner;
            if (tables->findItems(table, Qt::MatchExactly).isEmpty())
                tables->addItem(table);
        }
        for (const QString &o : owners)
            users->addItem(DataPumpRemapEntry(o, o.trimmed()));
    }
    accept();
}

void TfrmImpdpList::btnRefreshClick()
{
    if (ShowMessageBox(QStringLiteral("全DBを出力した場合など、Dumpファイルのサイズにより、\r\n"
                                      "一覧表示まで数分～数十分かかる場合があります。よろしいですか？"),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    SendWindowMessage(this, WM_RELOAD);
}

bool TfrmImpdpList::event(QEvent *e)
{
    if (IsWindowMessage(e) && static_cast<WindowMessageEvent *>(e)->message() == WM_RELOAD) {
        Guard([this] {
            if (FOwner)
                FOwner->ReadData();
            FillList();
        });
        return true;
    }
    return QDialog::event(e);
}
