#pragma once
// TfrmImpdpList: the picker of the users or tables a dump holds, shown by
// the import window's "一覧". Its choice replaces the import window's
// remapping list (mode "ユーザー指定") or its remapping and table lists
// (mode "テーブル指定"). "最新(&R)" reads the dump again.
#include <QDialog>
#include <QPointer>

class QListWidget;
class QToolBar;
class QAction;
class TfrmImpdp;

class TfrmImpdpList : public QDialog {
    Q_OBJECT
public:
    explicit TfrmImpdpList(TfrmImpdp *AOwner);

    // Shows the picker for the owner's mode (nothing in mode 0) and writes
    // the choice into the owner's lists.
    static void ShowWindow(TfrmImpdp *AOwner);

    // Fills the list from the owner's lists found.
    void FillList();
    void btnSelectClick();
    void btnRefreshClick();

    QToolBar *tolCmd = nullptr;
    QAction *btnSelect = nullptr, *btnRefresh = nullptr, *btnExit = nullptr;
    QListWidget *lstObject = nullptr;

protected:
    bool event(QEvent *e) override;

private:
    QPointer<TfrmImpdp> FOwner;
    int FMode = 0;
};
