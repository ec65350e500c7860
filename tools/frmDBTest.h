#pragma once
// TfrmDBTest: the load test. It opens N sessions one after another at a
// fixed interval, each a worker thread with a connection of its own that
// runs every command of the command list once, and charts how many sessions
// have finished over time. Opened by the main window's action actToolDBTest
// ("DB負荷テスト(&D)"), which no menu item, tool button or shortcut carries;
// one window per connection.
//
// Threads: the workers never touch a widget. They hand their results to the
// window's user-interface thread as blocking queued calls (a worker waits
// until the call has run). "中止(&A)" raises the run's cancel request, which
// each worker's connection sees in its cancel check and answers by
// cancelling its own statement; closing the window mid-run also tells the
// workers to skip their remaining commands and waits for them to end.
#include "tools/tvToolForm.h"

#include "platform/db/ConnectionParams.h"

#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <memory>

class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolButton;
class QWidget;
class TtvMemo;
class TtvNumEdit;
class TtvRadioGroup;
class TtvStrEdit;
class TtvStringGrid;
class TfrmDBTest;
class QChartView;
class QLineSeries;
class QValueAxis;

// The state of one run, shared by the window and its workers.
struct TDBTestRun {
    tv::db::ConnectionParams Params;   // what each session connects with
    QStringList Commands;              // command cells, grid order (rows 1..)
    int Sessions = 0;                  // N
    std::atomic<int> Started{0};       // sessions started so far
    std::atomic<int> DoneCount{0};     // sessions that have finished
    std::atomic<int> Cancel{0};        // raised by each cancel: the statements running then end
    std::atomic<bool> Stop{false};     // the window closes: skip what is left
    QMutex ErrorLock;
    QString FirstError;                // under ErrorLock
    QMutex OpenLock;                   // openings past the fifth, one at a time
};

// One simulated session.
class TtvThread : public QThread {
    Q_OBJECT
public:
    TtvThread(TfrmDBTest *Owner, std::shared_ptr<TDBTestRun> Run, int Index);
    TfrmDBTest *Owner() const { return FOwner; }
    int Index() const { return FIndex; }

protected:
    void run() override; // Execute

private:
    QPointer<TfrmDBTest> FOwner;
    std::shared_ptr<TDBTestRun> FRun;
    int FIndex;
};

class TfrmDBTest : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmDBTest(QObject *AOwner);
    ~TfrmDBTest() override;

    // Opens the window for AOwner, or brings its open twin forward.
    static TfrmDBTest *Create(IConnectionWindow *AOwner);
    // Registers the launcher of actToolDBTest.
    static void RegisterLauncher();
    // "DB負荷テスト - " + user + " @ " + database.
    static QString CaptionOf(IConnectionWindow *Form);

    void cmbDBNameChange() override;
    void actExecUpdate();
    void rdoUserIDClick();

    // Command grid.
    void grdCommandSetEditText(int ACol, int ARow, const QString &Value);
    void grdCommandEditButtonClick();
    void btnInsertClick();
    void btnDeleteClick();
    void btnClearClick();
    void Renumber();
    // The commands of rows 1 .. row count - 2.
    QStringList Commands() const;
    // Inserts commands above the current row, in order.
    void InsertCommands(const QStringList &Commands);

    // Files.
    void btnTraceClick();
    void mnuOutputScriptClick();
    void mnuOutputExcelClick();

    // Run.
    void actExecExecute();
    void btnCancelClick();
    void TimerSessionTimer();
    void TimerStatTimer();
    void ShowProgress();
    void SetAllEnabled(bool Enabled);
    bool TestEnded() const { return FTestEnded; }
    bool TestCancelled() const { return FTestCancelled; }
    bool Running() const;
    // Sessions of the current run that have finished.
    int DoneCount() const { return FRun ? FRun->DoneCount.load() : 0; }
    // The chart's points, in order.
    QList<QPointF> ChartPoints() const;

    // Hand-overs from the workers (run in the user-interface thread).
    Q_INVOKABLE void ReportError();
    Q_INVOKABLE void Finish(int Index);

    QAction *actExec = nullptr;
    QToolButton *btnOutput = nullptr;
    QMenu *mnuOutput = nullptr;
    QAction *mnuOutputScript = nullptr, *mnuOutputExcel = nullptr;
    QTabWidget *pagMain = nullptr;
    QWidget *tabSetting = nullptr, *tabResult = nullptr;
    QWidget *pnlSetting = nullptr;
    TtvNumEdit *txtSesCount = nullptr;
    QSpinBox *spnTime = nullptr;
    TtvRadioGroup *rdoUserID = nullptr;
    QLabel *lblUserID = nullptr, *lblPassword = nullptr;
    TtvStrEdit *txtUserID = nullptr, *txtPassword = nullptr;
    QWidget *tolCommand = nullptr;
    QToolButton *btnInsert = nullptr, *btnDelete = nullptr, *btnTrace = nullptr, *btnClear = nullptr;
    QCheckBox *chkError = nullptr;
    TtvStringGrid *grdCommand = nullptr;
    QSplitter *splExec = nullptr;
    QWidget *pnlExec = nullptr;
    TtvMemo *txtLog = nullptr;
    QProgressBar *pgsProc = nullptr;
    QPushButton *btnCancel = nullptr;
    QChartView *chtPerform = nullptr;
    QLineSeries *serDone = nullptr;
    QValueAxis *axsX = nullptr, *axsY = nullptr;
    QTimer *TimerSession = nullptr, *TimerStat = nullptr;

protected:
    bool WrapsCommandBar() const override { return true; }
    bool FormCloseQuery() override;
    void resizeEvent(QResizeEvent *e) override;

private:
    // Tells the workers to stop and waits for every one, running their
    // hand-overs meanwhile.
    void StopAndWait();
    void AddPoint(double X, double Y);
    int IntervalSeconds() const;

    std::shared_ptr<TDBTestRun> FRun;
    QList<TtvThread *> SessionList;
    bool FTestEnded = false;
    bool FTestCancelled = false;
    bool FClosing = false;
    quint32 StartTick = 0, LastTick = 0;
    QElapsedTimer FClock;
    double FMaxY = 1, FMaxX = 1;
};
