#pragma once
// TfrmDefinition: the frame every definition window (table, index, view,
// sequence ...) is built on, between the window base TtvForm and the window
// of one kind. It gives each kind the same road: a caption from the
// connection and the object, one window per object, the page the window
// opens on, loading on every page change, the compile road (checks, one DDL
// list, preview, execution in one transaction, reload), the prompts before
// a reload, a page change or closing with unapplied changes, delete, save to
// file, print, the window size and code completion.
//
// A kind supplies its pages and controls (built in its constructor after
// this one), its catalog load (ShowDefine) and its DDL builders
// (GetSourceCreate, GetSourceAlter, GetSourceDrop, IsCreate). Its DDL
// builders work from a plain definition of the object (see
// IndexDefinition.h), so its script path (GetScript) needs no window.
//
// Building a window:
//     auto *w = new TfrmIndex(owner, ...);   // the controls
//     w->StartShow(Schema, Name, OpenMode);  // load; raises when it cannot
// Open helpers of the kinds check for an open twin first and show the window
// through ShowBuilt, which frees it when StartShow raises.
#include "common/RecreateKeeper.h"
#include "common/tvForm.h"
#include "common/tvOption.h"
#include "controls/tvStrEdit.h"
#include "controls/tvToolBar.h"

#include <QStringList>

#include <functional>

class IConnectionWindow;
class QAction;
class QIODevice;
class QMenu;
class QTabWidget;
class QToolButton;
class QWidget;
class TtvComboBox;
class TtvMemo;

namespace tv::db {
class Connection;
class Query;
}

// What differs between the kinds in the frame's own work.
struct TDefinitionKind {
    int ObjType = 0;
    QString CaptionPrefix;      // "INDEX - "
    int CaptionKind = 4;        // FormatRecParamCaption kind
    QString GuiKey;             // "INDEX": "\Software\Quenzor\TVX19\GUI\INDEX"
    QString Keyword;            // "INDEX": the menu "INDEX(&O)"
    bool HasOutput = false;     // output, print and save actions
    bool RefreshesLists = true; // WM_RELOAD to the connection windows after a change
    bool DropCascade = false;   // the delete question offers CASCADE
    bool HasSchema = true;      // the name panel holds a schema box
    bool WrapsToolBar = true;   // the command bar wraps when the window is narrow
};

class TfrmDefinition : public TtvForm {
    Q_OBJECT
public:
    ~TfrmDefinition() override;

    const TDefinitionKind &Kind() const { return FKind; }
    // The caption a window of `Kind` on this object has on `Owner`.
    static QString CaptionFor(IConnectionWindow *Owner, const TDefinitionKind &Kind, const QString &Schema,
                              const QString &ObjectName, const QString &TableName = QString());
    // Whether `Owner`'s main window has a window of class T with `Caption`;
    // it is brought forward.
    template <class T>
    static bool BringTwinForward(const QString &Caption);

    // The rest of construction: names into the name panel, the page of
    // `Mode`, IsNew, the first load, and showing the window. Raises
    // tv::SilentAbort (after the message) when the object cannot be read.
    void StartShow(const QString &Schema, const QString &ObjectName, TOpenMode Mode);
    // StartShow for a window just built by an Open helper: when it raises,
    // the window is freed without questions and the error passes on.
    template <class T>
    static T *ShowBuilt(T *Window, const QString &Schema, const QString &ObjectName, TOpenMode Mode);

    QString SchemaName() const;
    QString ObjectName() const;
    // The connection's default schema (parameter MetaDefSchema).
    QString DefaultSchema() const;
    int DBVer() const;

    // The read-only state of a window on a TOAST object: no compile, no
    // delete, no compile question.
    bool ReadOnlyState() const { return FReadOnly; }
    void SetReadOnlyState(bool Value) { FReadOnly = Value; }

    // While the text is built that a compile runs (the compile's own list,
    // or the source page of an existing object, which a compile from that
    // page runs as it stands): storage clauses are written whatever the
    // display option "SQL文に領域情報を含める" says, which governs only what
    // is shown elsewhere (save, print).
    bool ForRun() const { return FForRun; }

    // TtvForm
    void ChangedIsNew() override;
    void Compile(QObject *Sender) override;
    void Reload(QObject *Sender) override;
    void LoadSettings() override;
    void SaveSettings() override;
    void CodeAssist(int X, int Y) override;

    // The page shown; switching goes through the page-change prompts.
    QWidget *ShownPage() const;
    // Selects a page as the user would; false when the prompts kept the
    // current page.
    bool SelectPage(QWidget *Page);

    // Commands.
    void actDeleteExecute();
    void actSaveExecute();
    void actPrintExecute();
    void PrintProc();
    virtual void UpdateActions();

    // Controls every definition window has.
    TtvToolBar *tolCmd;
    QWidget *pnlName;
    TtvComboBox *cmbSchema = nullptr;
    TtvStrEdit *txtName;
    QTabWidget *pagObject;
    QWidget *tabDefine;
    QWidget *tabSource;
    TtvMemo *txtSource;
    QAction *actCompile;
    QAction *actRefresh;
    QAction *actDelete;
    QAction *actExit;
    QAction *actOutput = nullptr;
    QAction *actPrint = nullptr;
    QAction *actSave = nullptr;
    QToolButton *btnOutput = nullptr;
    QMenu *mnuObject;
    QMenu *popOutput = nullptr;

    // Writes DDL lines as a script: empty lines dropped while the script
    // option NullLine is on, CR LF after each line, no byte-order mark;
    // UTF-16LE into a memory buffer (QBuffer), else the encoding of the option
    // Encoding.
    static void WriteScript(QIODevice &Stream, QStringList Lines);
    // The CREATE script of the existing object ObjectName as W, a window
    // made for the purpose and never shown, reads it, written to Stream
    // (nothing when the read was abandoned); ends with tv::SilentAbort, as
    // the script writers do.
    [[noreturn]] static void WriteScriptOf(TfrmDefinition &W, const QString &ObjectName, QIODevice &Stream);
    // Report items: the report definitions of a type (a TtvRepData such as
    // rtTable or rtView) go into the window's menu and output drop-down,
    // each running Click with its name; unreadable definitions get none.
    void AddReportItems(int ReportType, const std::function<void(const QString &)> &Click);
    // The workbook a report of the window's object goes to ("" on cancel);
    // after writing it, ReportWritten shows the message and keeps the folder.
    QString AskReportFile() const;
    static void ReportWritten(const QString &Path);

protected:
    // Appends a page named Name holding Frame edge to edge; returns the page.
    QWidget *AddFramePage(QWidget *Frame, const QString &Name, const QString &Caption);

    TfrmDefinition(IConnectionWindow *AOwner, const TDefinitionKind &Kind);

    // What a kind supplies.
    virtual void PrepareQueries() {}
    // Loads what the shown page needs; raises when it cannot.
    virtual void ShowDefine() = 0;
    virtual bool IsCreate() = 0;
    virtual void GetSourceCreate(QStringList &List) = 0;
    virtual void GetSourceAlter(QStringList &List) = 0;
    virtual void GetSourceDrop(QStringList &List) = 0;
    // The kind's field checks (after name and schema): Require for each.
    virtual void CheckFields() {}
    // The DDL list of a compile; the default follows the shown page, and a
    // drop and create again ends with AppendKept.
    virtual void BuildCompileList(QStringList &List);
    // The existing object as a re-create of it drops it, and which of its
    // parts the re-create loses; false (the default) when it keeps nothing.
    virtual bool KeptObject(TKeptObject &Object, unsigned &Parts) const { return false; }
    // Appends to List what a drop and create again of the existing object
    // must put back (see KeptObject), read now while it exists. When some of
    // it cannot be put back the user is told first and may stop the compile
    // (tv::SilentAbort).
    void AppendKept(QStringList &List);
    // The statement of the delete command.
    virtual QString DropStatement(bool Cascade) = 0;
    // The page an open mode selects (default: the define page, or the source
    // page for omSource).
    virtual QWidget *PageForMode(TOpenMode Mode);
    // Pages shown only for an existing object (the source page always).
    virtual QList<QWidget *> PagesOfExisting() { return {tabSource}; }
    // The control that gets the focus on a new object.
    virtual QWidget *NewObjectFocus() { return txtName; }
    // The editor completion works in.
    virtual TtvMemo *CompletionEditor() { return txtSource; }
    // The table name given to the kept-source hooks.
    virtual QString SourceTableName() const { return QString(); }

    // A required field: when !Ok, the message (exclamation icon), focus to
    // the control and tv::SilentAbort.
    void Require(bool Ok, const QString &Message, QWidget *Focus);
    // Marks the window modified (the shared change handler of the editable controls).
    void Changed() { SetModified(true); }
    // Loads the shown page (the page-change handler without prompts).
    void pagObjectChange();
    // The end of a kind's load: the source page anew from GetSourceCreate
    // while it is shown (or in text mode), caret at the top and nothing to
    // undo; empty otherwise; unmodified either way.
    void RefreshSource();
    // Runs List on the main session in a transaction of its own, committed
    // at the end. False when it failed: rolled back, the server's text shown
    // (RolledBackText when the commit was answered with a rollback).
    bool ExecuteInTransaction(const QStringList &List, const QString &RolledBackText);
    // Ends the window-level transaction that applied the window's work on
    // Conn with a commit. True when the server committed it. A COMMIT that
    // fails, or that the server answers with a rollback (the block had
    // failed), is shown as the failure it is (stop icon: the server's text,
    // then RolledBackText) with nothing of the work kept, and false comes
    // back: the caller leaves the window as edited.
    bool CommitApplied(tv::db::Connection &Conn,
                       const QString &RolledBackText = QStringLiteral("トランザクションがロールバックされました。"));
    // Rolls back what is left of the window-level transaction on Conn; a
    // failure to do so is not reported (the failure that led here was).
    static void RollbackQuietly(tv::db::Connection &Conn);
    // Kept sources before and after a change, by the connection window's
    // options; a failure raises.
    void SaveBeforeSource();
    void SaveAfterSource();

    bool FormCloseQuery() override;

    // Watches the name and schema boxes: each keeps its text in FEnterValue
    // when it gets the focus, and on a new object txtNameExit runs (under
    // the error guard) when the focus leaves it, so that the kind can carry
    // the new name into its source text.
    void WatchNameBoxes();
    virtual void txtNameExit(QWidget *Box) { Q_UNUSED(Box); }
    bool eventFilter(QObject *Watched, QEvent *Event) override;
    void showEvent(QShowEvent *Event) override;
    QString FEnterValue;

    tv::db::Query *qrySQL;   // the completion driver's query
    bool FForRun = false;

private:
    void BuildFrame();
    bool pagObjectChanging();
    void PageChanged(int Index);
    void SetPageVisible(QWidget *Page, bool Visible);

    TDefinitionKind FKind;
    bool FReadOnly = false;
    int FShownIndex = 0;
    int FSwitching = 0;
    bool FShownOnce = false;
};

template <class T>
T *TfrmDefinition::ShowBuilt(T *Window, const QString &Schema, const QString &ObjectName, TOpenMode Mode)
{
    try {
        Window->StartShow(Schema, ObjectName, Mode);
    } catch (...) {
        Window->SetModified(false);
        delete Window;
        throw;
    }
    return Window;
}

template <class T>
bool TfrmDefinition::BringTwinForward(const QString &Caption)
{
    IMainWindow *m = MainWindow();
    return m && m->FindWindowOf<T>(Caption, true) != nullptr;
}
