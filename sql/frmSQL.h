#pragma once
// TfrmSQL: the SQL window. The user writes SQL in txtSQL, chooses one of the
// open connections and runs the text statement by statement: statements end
// at lines holding only ";"; a statement that returns rows opens on a result
// page ("結果", "結果2" ...), any other one reports the rows it touched.
// ":name" parameters take their values from the bind-variable grid at the
// editor's right edge. A text changed since the last run goes into the SQL
// history first; previous / next / the history list load entries back.
//
// A run waits for each statement while the window's events keep flowing;
// Esc cancels the statement on the server. Once the row-count dialogs are
// switched off, data changes go to the server ahead of their turn (each
// still committing on its own, nothing after a failure running), so a long
// script does not wait a round trip per statement. While a run is in progress the
// run action is disabled and the window refuses to close.
#include "common/tvForm.h"
#include "sql/SQLRunner.h"
#include "sql/fraData.h"
#include "sql/fraExplan.h"

#include <QElapsedTimer>
#include <QPointer>

#include <memory>
#include <vector>

namespace tv::db {
class StatementPipeline;
}

class QAction;
class QComboBox;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;
class TtvMemo;
class TtvStringGrid;
class TtvSQLDesigner;
class TtvSQLBuildConnect;

class TfrmSQL : public TtvForm, public IDataFrameHost {
    Q_OBJECT
public:
    // AOwner: the connection window (or the main window: its current one).
    explicit TfrmSQL(QObject *AOwner);
    ~TfrmSQL() override;

    // Registers the main window's launcher "actViewSQL": a new SQL window
    // for the current connection window, none without one.
    static void RegisterLauncher();

    // IDataFrameHost
    THostKind HostKind() const override { return THostKind::SQL; }
    IConnectionWindow *HostConnectionWindow() const override { return OwnerForm(); }

    // Runs the editor text (or the plan of its first statement while
    // btnExplan is down).
    void actExecExecute();
    void actPrevExecute();
    void actNextExecute();
    void actLogExecute();
    void actOpenExecute();
    void actSaveExecute();
    void btnExplanClick();
    void btnShowDesignClick();
    void cmbDBNameSelect();
    // Opens files (sorted by name) in the editor, as a drop does.
    void OpenFiles(QStringList paths);

    // Query builder (frmSQLBuild.cpp).
    void actInsTableExecute();
    void actDelTableExecute();
    // A statement kind of popSQLType: 0 SELECT … 4 CREATE VIEW.
    void popSQLTypeClick(int kind);
    void btnSQLTypeClick();
    void btnInsColumnClick();
    void btnDelColumnClick();
    void btnUpColumnClick();
    void btnDownColumnClick();
    void SQLDesignConnectDblClick(TtvSQLBuildConnect *AConnect);
    // Adds the tables and views among the selected items of the workspace
    // list or of the connection window's object list; false for other sources.
    bool DropObjects(QObject *source, bool add);

    // Brings the grid into line with the parameters and fills their values;
    // ends the run with tv::SilentAbort when the user has to type values.
    void ApplyBindVariables(tv::db::Params &Params);

    // TtvForm
    void DBChange(QObject *Sender) override;
    void LoadSettings() override;
    void SaveSettings() override;
    void CodeAssist(int X, int Y) override;

    bool Running() const { return FRunning; }
    int FLog = -1;
    int FSQLCount = 0;
    bool FIsSelect = false;
    int FTab = 0;
    // The result frames of the last run, one per SELECT (fraData first).
    std::vector<QPointer<TfraData>> fraDatas;
    QStringList L_tstrTypLst;

    // Components.
    QToolBar *tolCmd = nullptr;
    QToolButton *btnExec = nullptr, *btnPrev = nullptr, *btnNext = nullptr, *btnLog = nullptr, *btnExit = nullptr;
    QToolBar *tolOption = nullptr;
    QToolButton *btnOpen = nullptr, *btnSave = nullptr, *btnShowDesign = nullptr, *btnExplan = nullptr;
    QWidget *pnlName = nullptr;
    QComboBox *cmbDBName = nullptr;
    QSplitter *splSQL = nullptr;
    QWidget *pnlSQL = nullptr;
    QSplitter *splBuild = nullptr;
    QWidget *pnlBuild = nullptr;
    QSplitter *splParam = nullptr;
    TtvMemo *txtSQL = nullptr;
    TtvStringGrid *grdParam = nullptr;
    QWidget *pnlResult = nullptr;
    QTabWidget *pagData = nullptr;
    QWidget *tabData = nullptr;
    TfraData *fraData = nullptr;
    QTabWidget *pagExplan = nullptr;
    QWidget *tabExplan = nullptr;
    TfraExplan *fraExplan = nullptr;
    tv::db::Query *qrySQL = nullptr;
    QAction *actExec = nullptr, *actPrev = nullptr, *actNext = nullptr, *actLog = nullptr, *actOpen = nullptr,
            *actSave = nullptr, *actExit = nullptr;
    // The query builder inside pnlBuild.
    QSplitter *splDesign = nullptr;
    QWidget *pnlDesign = nullptr;
    QToolBar *tolDesign = nullptr;
    QToolButton *btnSQLType = nullptr, *btnInsTable = nullptr, *btnDelTable = nullptr;
    TtvSQLDesigner *SQLDesign = nullptr;
    QWidget *pnlColumn = nullptr;
    TtvStringGrid *grdColumn = nullptr;
    QToolBar *tolColumn = nullptr;
    QToolButton *btnInsColumn = nullptr, *btnDelColumn = nullptr, *btnUpColumn = nullptr, *btnDownColumn = nullptr;
    QAction *actInsTable = nullptr, *actDelTable = nullptr;
    QMenu *popSQLDesign = nullptr, *popSQLType = nullptr;
    QMenu *mnuSQL = nullptr;

protected:
    bool FormCloseQuery() override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *e) override;
    void FormPlaced() override;

private:
    struct TRun {
        QStringList lines;
        int lineOffset = 0; // editor row of the first line run
        bool hide = false;  // "以降の結果ダイアログを表示しない"
        bool cont = false;  // "処理を続行する"
        bool failed = false; // the last statement run raised an error
        qint64 totalMs = 0;
    };
    // Runs one statement (the index-th of the run); true when the run is to
    // stop. A statement sent ahead has its outcome taken from FPipe.
    bool RunSQLStatement(TRun &run, const sqlrun::TStatement &st, int index);
    // Sends data changes from the index-th statement on ahead of their turn,
    // while nothing the user sees can come between them (the result
    // dialogs are switched off) and the session commits each on its own.
    void SendAhead(const TRun &run, const QList<sqlrun::TStatement> &statements, int index);
    // Ends the pipeline of statements sent ahead (all of them taken).
    void EndPipeline();
    void RunPlan(TRun &run);
    void ClearResults();
    TfraData *NewResultFrame();
    void LoadLogEntry();
    void UpdateActions();
    void SetStatus(const QString &text);
    void FillDBName();
    QString OwnerCaption(int kind) const;
    // Selects the editor lines of a failed statement.
    void MarkError(int firstLine, int lastLine, const QString &errorText);
    void WriteBackParams(const tv::db::Params &params);
    // Builds pnlBuild's contents (frmSQLBuild.cpp).
    void CreateBuilder();
    // The builder reads the editor text again while its panel is shown.
    void RereadDesign();
    void UpdateBuilderActions();

    // Splits pnlSQL / the result area and pnlBuild / the editor by the
    // stored heights, or by the defaults of the window's present size.
    void ApplyHeights();

    bool FRunning = false;
    bool FShown = false;
    bool FPlaced = false;
    std::unique_ptr<tv::db::StatementPipeline> FPipe;
    int FSQLHeight = -1;   // stored "SQLHeight", -1: none
    int FBuildHeight = -1; // stored "BuildHeight", -1: none
    int FDesignHeight = -1; // stored "DesignHeight", -1: none
};
