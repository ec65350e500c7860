#pragma once
// TfrmSession: the sessions connected to the database of one connection
// window, the user's own one drawn blue, the selected session's statement
// below the list; Delete (or 切断) terminates the selected session after a
// confirmation. Opened by 管理 → "セッション情報(&S)" (actAdminSession) and
// by the connection window's tree menu (actSession).
#include "tools/tvToolForm.h"

class QAction;
class QMenu;
class QSplitter;
class TtvListView;
class TtvMemo;

class TfrmSession : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmSession(QObject *AOwner);

    // The frame's opening for a connection window.
    static TfrmSession *Create(IConnectionWindow *AOwner) { return Open<TfrmSession>(AOwner); }
    // Registers actAdminSession and actSession.
    static void RegisterLauncher();

    // Retitles, then LoadSessions.
    void Reload(QObject *Sender) override;
    void LoadSessions();
    void actKillExecute();
    void FormKeyDown(QObject *Sender, int &Key, Qt::KeyboardModifiers Shift) override;

    QAction *actKill = nullptr;
    QAction *actRefresh = nullptr;
    QMenu *mnuSession = nullptr;
    QMenu *popSession = nullptr;
    TtvListView *lstSession = nullptr;
    QSplitter *splSession = nullptr;
    TtvMemo *txtQuery = nullptr;

private:
    void lstSessionSelectItem();
    void ColourRows();
    int FMySID = -1;
    IConnectionWindow *FSIDOwner = nullptr;
};
