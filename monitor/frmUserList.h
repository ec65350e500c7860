#pragma once
// TfrmUserList: the roles that can log in (users), the roles that cannot
// (roles) and the schemas of one connection's database, on three tabs, with
// their attributes. From it the user creates, opens, scripts, drops and
// renames them (monitor/ListActions.h) and backs up selected schemas.
// Opened by 管理 → "ユーザー情報(&U)" (actAdminUser) and by the connection
// window's tree menu (actUser).
#include "monitor/ListActions.h"
#include "tools/tvToolForm.h"

#include <memory>

class QAction;
class QMenu;
class QTabWidget;
class QWidget;
class TtvListView;

class TfrmUserList : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmUserList(QObject *AOwner);

    static TfrmUserList *Create(IConnectionWindow *AOwner) { return Open<TfrmUserList>(AOwner); }
    // Registers actAdminUser and actUser.
    static void RegisterLauncher();

    // The list statement of a tab (3 users, 68 roles, 4 schemas).
    static QString ListSQL(int TabCode, int ServerVersion, bool IsEdb);
    // The columns of a tab: title and width.
    static QList<QPair<QString, int>> ListColumns(int TabCode, int ServerVersion, bool IsEdb);

    void Reload(QObject *Sender) override;
    // The object-type code of the active tab.
    int TabCode() const;

    void actNewExecute();
    void actOpenExecute();
    void actScriptExecute();
    void actDeleteExecute();
    void actExportExecute();
    void UpdateActions();

    QAction *actNew = nullptr;
    QAction *actOpen = nullptr;
    QAction *actDelete = nullptr;
    QAction *actRefresh = nullptr;
    QAction *actScript = nullptr;
    QAction *actExport = nullptr;
    QMenu *mnuUserList = nullptr;
    QTabWidget *pagUsrList = nullptr;
    QWidget *tabUser = nullptr;
    QWidget *tabRole = nullptr;
    QWidget *tabSchema = nullptr;
    TtvListView *lstObject = nullptr;
    TListActionRow Row;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pagUsrListChange();
    void LoadList();
};
