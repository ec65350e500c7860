#pragma once
// TfrmStorage: the tablespaces of the server of one connection window with
// owner, directory, size in a chosen unit, privileges and options, filtered
// by a search text; from it the user creates, opens, scripts, drops and
// renames tablespaces (monitor/ListActions.h). Opened by 管理 →
// "テーブルスペース情報(&T)" (actAdminStorage) and by the connection window's
// tree menu (actStorage).
#include "monitor/ListActions.h"
#include "tools/tvToolForm.h"

class QAction;
class QComboBox;
class QMenu;
class QWidget;
class TtvListView;
class TtvStrEdit;

class TfrmStorage : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmStorage(QObject *AOwner);

    static TfrmStorage *Create(IConnectionWindow *AOwner) { return Open<TfrmStorage>(AOwner); }
    // Registers actAdminStorage and actStorage.
    static void RegisterLauncher();

    // The list statement; with a search text it takes the parameter :kensaku.
    static QString ListSQL(int ServerVersion, bool SuperUser, bool Search);
    // The size column's text of a byte count (-1: not readable) in a unit
    // ("GB", "MB", "KB", "B").
    static QString SizeText(qint64 Bytes, const QString &Unit);

    void Reload(QObject *Sender) override;
    void LoadTablespaces(const QString &Search);
    bool IsSuperUser(const QString &UserName);

    void actNewExecute();
    void actOpenExecute();
    void actScriptExecute();
    void actDeleteExecute();
    void actRefreshExecute();
    void UpdateActions();

    QAction *actNew = nullptr;
    QAction *actOpen = nullptr;
    QAction *actDelete = nullptr;
    QAction *actRefresh = nullptr;
    QAction *actScript = nullptr;
    QAction *actFind = nullptr;
    QComboBox *cmbSize = nullptr;
    QWidget *pnlFind = nullptr;
    TtvStrEdit *txtFind = nullptr;
    TtvListView *lstTbs = nullptr;
    QMenu *mnuStorage = nullptr;
    QMenu *popTbs = nullptr;
    TListActionRow Row;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
