#pragma once
// The connection window: one logged-on database session. It owns the main
// connection (dbsMain) through which it and every window bound to it read and
// write, the debugger's connections, which copy the main one's parameters
// whenever they are not connected, the keep-alive timer and the object tree
// and list. Creation connects, reads the server version, keeps the session
// inside a transaction block unless auto-commit is on, fixes the schema and
// enters the window into the main window's connection list; closing asks the
// windows it owns, rolls back unless auto-commit is on and disconnects.
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/tvOption.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "shell/WindowLaunchers.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QTreeWidgetItem;
class QComboBox;
class QIODevice;
class QKeyEvent;
class QPoint;
class QSplitter;
class QTimer;
class QToolButton;
class TfrmMain;
class TtvListItem;
class TtvListView;
class TtvTreeView;

// One object of the object clipboard (see TfrmObject::CopyObjectList).
struct TCopyObjectList {
    QString Schema;
    QString ObjectName;
    int ObjectType = -1;
    qint64 ObjectOID = -1;  // procedures, functions and aggregates
    QString ObjectTable;    // triggers and rules
};

class TfrmObject : public QWidget, public IConnectionWindow, public IChildWindow {
    Q_OBJECT
public:
    // Connects and builds the window as an MDI child of `main`; the window
    // is freed again and the exception passed on when a step fails (a time-out
    // shows its message and ends with tv::SilentAbort). `SID` is the database.
    static TfrmObject *Create(TfrmMain *main, const QString &Host, const QString &Port, const QString &SID,
                              const QString &Schema, const QString &UserID, const QString &Password);
    ~TfrmObject() override;

    // IConnectionWindow
    QWidget *FormWidget() override { return this; }
    tv::db::Connection &dbsMain() override { return *FdbsMain; }
    QString ConnectionText() const override;
    QString DBName() const override { return FDBName; }
    int DBVer() const override { return FDBVer; }
    bool g_bPostgresPlus() const override { return FPostgresPlus; }
    bool g_Linux_Ver() const override { return FLinuxVer; }
    int MYSID() const override { return FMYSID; }
    bool DBAMODE() const override { return FDBAMODE; }
    void ExecuteSQL(const QString &SQLText) override;
    void ExecuteSQL(const QString &SQLText, const QStringList &ParamData) override;
    void ExecuteSQL(const QStringList &SQLText, bool IgnoreError) override;
    tv::db::Query &OpenSQL(const QString &SQLText) override;
    tv::db::Query &OpenSQL(const QString &SQLText, const QStringList &ParamData) override;
    int GetMySID() override;
    QString VerStr(int Version, const QString &S1, const QString &S2) const override;
    void GetSchemaInfo(QStringList &ListData, bool ObjList) override;

    // Name lists for the drop-down boxes of other windows: each clears the
    // list and fills it with one name per line in the query's order; a
    // failing query raises the database error (the list keeps what was added).
    // Roles that can log in (then "public" with AddPublic).
    void GetUser(QStringList &ListData, bool AddPublic);
    // Roles that cannot log in.
    void GetRole(QStringList &ListData);
    void GetTBS(QStringList &ListData);
    // EnterpriseDB database links (the query fails on other servers).
    void GetDBLink(QStringList &ListData);
    // The names of one kind in one schema; a blank schema or kind is "%".
    void GetObject(QStringList &ListData, const QString &Schema, const QString &ObjectType);
    // The data types offered by column and argument editors; ObjType has no effect.
    void GetDataType(QStringList &ListData, int ObjType);

    // Rebuilds the object tree from the catalog and the tree settings (the
    // schema filter Disp, the configured schemas of the database, the option
    // TreeSort and the kind switches). No change signal of the tree fires.
    void ShowTree();
    // The main-image index a tree node shows.
    static int NodeImage(const QTreeWidgetItem *node);

    // IChildWindow: a connection window belongs to none; it may close when
    // every window it owns may.
    IConnectionWindow *OwnerConnection() const override { return nullptr; }
    bool CanClose() override { return FormCloseQuery(); }

    // The debugger's connections, given dbsMain's parameters whenever they
    // are not connected; dbsTrace is never opened.
    tv::db::Connection &dbsBG();
    tv::db::Connection &dbsBG2();
    tv::db::Connection &dbsTrace() { return *FdbsTrace; }

    // The statements of a script: a line that is ";" once trimmed ends one;
    // statements blank after trimming are dropped.
    static QStringList SplitScript(const QStringList &lines);
    // The dotted version number in the text of "SELECT version()" ("12.3",
    // "10.0" for 10beta2); `isLinux` receives whether the text names "linux".
    static QString ParseServerVersion(const QString &text, bool *isLinux = nullptr);
    // major * 10000 + minor * 100 + patch of a dotted number; 999999 when a
    // part is no integer or the number is empty.
    static int VersionNumber(const QString &dotted);
    // The schema-list query of GetSchemaInfo.
    static QString SchemaInfoSQL(bool ObjList, bool postgresPlus, int dbVer);

    // The object dispatcher (see shell/ObjectDispatcher.h). OpenObject opens
    // the definition window of the object's kind on the page of OpenMode and
    // returns it; null when the kind has no window, when building it failed
    // and when an open twin was brought forward instead. ShowRefObject has
    // no effect. OutputScript writes the object's DDL into Stream without
    // showing a window; after a failure, and for a kind without a script,
    // the stream holds what was written before (possibly nothing). Neither
    // raises nor shows a message of its own.
    QWidget *OpenObject(int ObjectType, const QString &Schema, const QString &ObjectName,
                        TOpenMode OpenMode = omDefine, bool ShowRefObject = false, int DefTopRecord = 0,
                        qint64 p_intOID = -1, const QString &p_strTblNm = QString());
    void OutputScript(int ObjectType, const QString &Schema, const QString &ObjectName, QIODevice &Stream,
                      const QString &NewSchema = QString(), const QString &NewObjectName = QString(),
                      qint64 p_intOID = -1, const QString &p_strTblNm = QString());

    // The GRANT statements of an object (intMode 1: Schema, ObjectName, its
    // type name strObjCls and, for routines, its oid strOid), of a role (2)
    // or of a tablespace (3), appended to Stream; nothing when there is none.
    void OutputGrant(const QString &Schema, const QString &ObjectName, QIODevice &Stream, int intMode,
                     const QString &strObjCls, const QString &strOid);
    // Keep the object's DDL in a file before and after a definition window
    // applies a change, when the options SaveBeforeSource / SaveAfterSource
    // ask for it. A name that cannot be a folder or file name, a failing
    // name-table query and an unwritable file raise; a cancelled save dialog
    // keeps nothing.
    void SaveBeforeSource(const QString &Schema, const QString &ObjectName, int ObjectType, qint64 p_intOID = -1,
                          const QString &p_strTblNm = QString()) override;
    void SaveAfterSource(const QString &Schema, const QString &ObjectName, int ObjectType, qint64 p_intOID = -1,
                         const QString &p_strTblNm = QString()) override;

    // --- Search, statistics and user commands (frmObjectTools.cpp) --------
    // "全文検索": the objects whose script holds a word stay in the list.
    void actGrepExecute();
    // "統計情報(&A)": the ANALYZE dialog for the selection.
    void actAnalyzeExecute();
    // Copies the main window's user-command menu into mnuCommand.
    void SetCommandList();
    // Runs the user command of that name on the selected objects.
    void UserCommandClick(const QString &CommandName);
    // Registers "mnuUserCommand" (the main window's command items).
    static void RegisterCommandLaunchers();

    void FormActivate();
    void SetShortCut();

    // --- Object-list actions (frmObjectActions.cpp, frmObjectEdit.cpp) ----
    // The menu "オブジェクトリスト(&O)": lent to the main window's menu bar
    // (group index 2) and the list's context menu. popTree: the tree's menu.
    QMenu *mnuObject = nullptr;
    QMenu *mnuNew1 = nullptr;
    QMenu *mnuReport = nullptr;
    // --- Object-list reports (frmObjectReport.cpp) --------------------------
    // Rebuilds mnuReport as a copy of the main window's report entries
    // (caption, key and Tag: 0 object list, 1 one file per object, 2 one
    // sheet per object).
    void SetReportList();
    // Writes the report of an entry over the selected objects.
    void ReportClick(QAction *Sender);
    // The report name and mode of ReportClick.
    void ReportClick(const QString &ReportName, int Mode);
    // The object-list report of the selected objects into OutputFile; shows
    // its own errors. True when a workbook was written.
    bool OutputListReport(const QString &ReportName, const QString &OutputFile);
    // The same; FormNamed receives whether the definition names a form
    // workbook (its formatting is not applied).
    bool OutputListReport(const QString &ReportName, const QString &OutputFile, bool *FormNamed);
    // The detail column (from 0 after the name) headed by Caption; -1 when none.
    int FindListColumn(const QString &Caption) const;
    // Registers the launcher "mnuReport" (the main window's report entries:
    // the report name in Argument, the mode in ObjectType).
    static void RegisterReportLauncher();
    QMenu *mnuCommand = nullptr;
    QMenu *popTree = nullptr;
    TMergeMenus MergeMenus() const override;
    // Enables and shows the list's actions for the selection and tree node.
    void mnuObjectClick();
    // Prepares popTree for the selected tree node (FRSelected).
    void popTreePopup();
    QTreeWidgetItem *FRSelected = nullptr;
    // The tree's tool buttons: order (schemas first / kinds first) and the
    // lists of the database and of schema or kind nodes; the display choice.
    QWidget *pnlTool = nullptr;
    QToolButton *btnTree1 = nullptr, *btnTree2 = nullptr, *btnLevel0 = nullptr, *btnLevel1 = nullptr;
    void btnTreeClick();
    void btnLevel0Click();
    void btnLevel1Click();
    void cmbTreeChange();

    // A new, empty definition window of a kind in the login schema.
    void actNewExecute(int ObjectType);
    void actOpenExecute();
    void actOpenDefineExecute();
    void actOpenSourceExecute();
    void actOpenDataExecute();
    void actOpenDataTopExecute();
    void actExecExecute();
    void actScriptExecute();
    void actPrintExecute();
    void actCrossExecute();
    void actSynonymExecute();
    void actAddWorkSpaceExecute();
    void actExportExecute();
    void actLoadExecute();
    void actLogonExecute();
    void actDBExportExecute();
    void actIndexFragmentExecute();
    // The matrix, grant and comment windows, the monitors and the database
    // links open through launchers of the actions' names, the execution
    // window through "TfrmExecProc", a new synonym through "actSynonym"
    // (Schema, ObjectName and, in Argument, the kind name of its target),
    // backup and load through "actAdminExport" (mode in ObjectType) and
    // "actAdminLoad" with CR LF lists of schemas and names. Unregistered,
    // such an action does nothing.
    void actDeleteExecute();
    void actRenameExecute();
    void actCopyExecute();
    void actPasteExecute();
    // In-place editing of a name: whether it may start, and its end (the
    // rename; false when it failed and the old caption is back).
    bool lstObjectEditing(TtvListItem *item);
    bool lstObjectEdited(TtvListItem *item, QString &S);

    // The object clipboard shared by every connection window.
    static QList<TCopyObjectList> CopyObjectList;
    static void ClearCopyObjectList();

    // Script output asks for its options through the script options dialog
    // of a later layer: it registers a function returning false on cancel,
    // ScriptPath (the folder, ending in "/", or with OneScript the file) and
    // NameTable ("schema.table" or empty). Until then only a folder is asked.
    using TScriptOptionDialog = std::function<bool(TfrmObject &, QString &ScriptPath, QString &NameTable)>;
    static void RegisterScriptOptionDialog(TScriptOptionDialog dialog);
    // Asks where scripts go: the registered dialog, else a folder (one file
    // per object, OneScript false). False when the user cancels.
    static bool AskScriptOptions(TfrmObject &Owner, QString &ScriptPath, QString &NameTable, bool &OneScript);
    // Registers the launcher "actNew" (the main window's new-object buttons).
    static void RegisterLaunchers();
    QAction *Action(const QString &name) const { return FActions.value(name); }

    // Object list (frmObjectList.cpp). ShowObject empties lstObject and fills
    // it with the objects of the selected tree node (filtered by the find box
    // unless IsGrep); raises a failing query after restoring the window's
    // state. PrintSelectedObjects prints the DDL of the selected objects
    // (the print procedure of TfrmPrint::ShowWindow). SaveObjectColumnWidths
    // writes the widths of the shown columns under FViewType + position.
    void ShowObject(bool IsGrep);
    void PrintSelectedObjects();
    void SaveObjectColumnWidths();
    // The type text of the list shown ("%" for a mixed list).
    QString g_TreeDispState;
    QToolButton *btnWhere = nullptr;

    // Object list counts for the main window's status message.
    int ObjectCount() const;
    int SelectedObjectCount() const;

    QTimer *tmrKeepAlive = nullptr;
    QComboBox *cmbTree = nullptr;
    QComboBox *cmbFind = nullptr;
    QWidget *pnlFind = nullptr;
    TtvTreeView *tvTree = nullptr;
    TtvListView *lstObject = nullptr;
    QSplitter *splTree = nullptr;
    QToolButton *FTaskButton = nullptr;
    QString FViewType = QStringLiteral("DEFAULT");
    int Disp = 0;
    // The tables-and-columns browser of this connection (one at most, made
    // on first use, freed with this window).
    QPointer<QWidget> FieldWindow;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *e) override;
    bool event(QEvent *e) override;

private:
    explicit TfrmObject(TfrmMain *main);
    void BuildForm();
    void Connect(const QString &Host, const QString &Port, const QString &SID, const QString &Schema,
                 const QString &UserID, const QString &Password);
    // Undoes what a failed creation left in the main window.
    void Discard();
    bool FormCloseQuery();
    void FormClose();
    void tmrKeepAliveTimer();
    void LoadWindowState();
    void SaveWindowState();
    void CopyParams(tv::db::Connection &target);
    // Wires the tree, the find box and btnWhere to ShowObject.
    void ConnectObjectList();

    // Source keeping around a change (see SaveBeforeSource).
    QString KeepSourcePath(bool after, const QString &Schema, const QString &ObjectName, int ObjectType);
    void KeepSource(bool after, const QString &Schema, const QString &ObjectName, int ObjectType, qint64 p_intOID,
                    const QString &p_strTblNm);

    // Object-list actions.
    void BuildObjectActions();
    void lstObjectContextPopup(const QPoint &pos);
    bool lstObjectKeyDown(QKeyEvent *key);
    void cmbFindEnter();
    void lstObjectEnter();
    // The open family over the selection.
    void OpenSelected(TOpenMode mode, int topRecord);
    // Runs the launcher named `action` with this window; null when none.
    QWidget *RunLauncher(const QString &action, const TLaunchContext &context);
    static void UpdatePasteActions();

    TfrmMain *FMain;
    std::unique_ptr<tv::db::Connection> FdbsMain, FdbsBG, FdbsBG2, FdbsTrace;
    std::unique_ptr<tv::db::Query> qryExec, qryObject, qryKeepAlive;
    QHash<QString, QAction *> FActions;
    QString FDBName;
    int FDBVer = 0;
    bool FPostgresPlus = false;
    bool FLinuxVer = false;
    int FMYSID = -1;
    bool FDBAMODE = false;
    bool FListed = false;        // entered into the connection list
    bool FClosed = false;        // FormClose ran
    bool FInKeepAlive = false;
    bool FKeepAliveFailing = false; // the last keep-alive failed (reported once per outage)
    std::unique_ptr<tv::db::Query> qryObject2; // type names of the object list, routine arguments of grant scripts
    bool FInShowObject = false;
};
