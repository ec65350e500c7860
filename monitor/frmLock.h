#pragma once
// TfrmLock: the locks held or awaited in the database of one connection
// window, with the holder's user, the locked table, the mode, how long the
// holder's transaction has run and its statement. Awaited locks are red,
// granted locks of the user's own session blue. It only reads. Opened by
// 管理 → "ロック情報(&L)" (actAdminLock) and by the connection window's tree
// menu (actLock).
#include "tools/tvToolForm.h"

class QAction;
class QMenu;
class QSplitter;
class QToolButton;
class TtvListView;
class TtvMemo;

class TfrmLock : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmLock(QObject *AOwner);

    static TfrmLock *Create(IConnectionWindow *AOwner) { return Open<TfrmLock>(AOwner); }
    // Registers actAdminLock and actLock.
    static void RegisterLauncher();

    void Reload(QObject *Sender) override;
    void LoadLocks();

    QAction *actRefresh = nullptr;
    QMenu *mnuLock = nullptr;
    QAction *mnuNothing = nullptr;
    TtvListView *lstLock = nullptr;
    QSplitter *splLock = nullptr;
    TtvMemo *txtQuery = nullptr;

private:
    void lstLockSelectItem();
};
