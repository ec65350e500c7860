#pragma once
// TfrmPerform: the server's cumulative statistics for the database of one
// connection window on five pages — the database's counters (one row per
// column of pg_stat_database, with an explanation, and saved snapshots as
// further columns, optionally as increments), and the I/O and access
// statistics of the user tables and indexes with a text search. Opened by
// 管理 → "パフォーマンス情報(&Q)" (actAdminPerform) and by the connection
// window's tree menu (actPerform).
#include "tools/tvToolForm.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolButton;
class TtvListView;
class TtvMemo;
class TtvNumEdit;
class TtvStrEdit;

class TfrmPerform : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmPerform(QObject *AOwner);

    static TfrmPerform *Create(IConnectionWindow *AOwner) { return Open<TfrmPerform>(AOwner); }
    // Registers actAdminPerform and actPerform.
    static void RegisterLauncher();

    // Reads the page shown.
    void Reload(QObject *Sender) override;
    void LoadDbStat();
    // Page: 0 table I/O, 1 table access, 2 index I/O, 3 index access.
    void LoadObjectStat(int Page, const QString &Search);
    void SaveExecute();
    void actDeleteExecute();
    void actExcelExecute();

    // The database's name as the snapshot files carry it.
    QString DatabaseName() const;
    QString FileNameToDate(const QString &FileName) const;

    void LoadSettings() override;
    void SaveSettings() override;

    QAction *actRefresh = nullptr, *actLog = nullptr, *actSave = nullptr, *actDelete = nullptr;
    QAction *actOutput = nullptr, *actExcel = nullptr, *actFind = nullptr;
    QMenu *popLog = nullptr, *popOutput = nullptr;
    QToolButton *btnLog = nullptr, *btnOutput = nullptr;
    QLabel *lblLogCount = nullptr;
    TtvNumEdit *txtLogCount = nullptr;
    QCheckBox *chkInc = nullptr;
    QTabWidget *pagStat = nullptr;
    QWidget *tabDbStat = nullptr, *tabTblIoSTAT = nullptr, *tabTblAcStat = nullptr, *tabIdxIoSTAT = nullptr,
            *tabIdxAcStat = nullptr;
    TtvListView *lstDbStat = nullptr, *lstTblIoStat = nullptr, *lstTblAcStat = nullptr, *lstIdxIoStat = nullptr,
                *lstIdxAcStat = nullptr;
    QSplitter *splDbStat = nullptr;
    TtvMemo *txtHint = nullptr;
    QWidget *pnlFind = nullptr;
    TtvStrEdit *txtFind = nullptr;
    QToolButton *btnFind = nullptr;

protected:
    bool WrapsCommandBar() const override { return true; }
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    TtvListView *ObjectList(int Page) const;
    void AddHistoryColumns();
    void LoadHistoryValues();
    void ShowIncrements();
    void UpdateActions();
    void pagStatChange();
    bool FFromCode = false;
};
