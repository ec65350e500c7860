#pragma once
// TtvForm: the base class of the definition windows and most tool windows.
//
// A window of this class is the content of one MDI child of the main window
// and belongs to one connection window (OwnerForm) whose main connection its
// queries use. The base class gives every window the same behaviour: it binds
// its queries to that connection, styles its SQL editors, owns a button on the
// main window's task bar, reacts to the broadcast messages (WM_DBCHANGE,
// WM_RELOAD) and to the editors' completion request (WM_CODEASSIST), asks
// before a window with unapplied changes closes, builds schema prefixes for
// generated scripts and switches pages with Ctrl+PgUp and Ctrl+PgDn. The
// virtual operations ChangedIsNew .. SaveSettings, all empty here, are the
// hooks the windows fill.
//
// Building a window takes two steps, because the controls exist only once the
// descendant's constructor has made them:
//
//     TfrmTable::TfrmTable(QObject *AOwner) : TtvForm(AOwner)
//     {
//         ... build the controls (pgcMain, memSource ...) as children ...
//         qryTable = NewQuery();
//         FinishCreate();      // styles the editors, finds the page control,
//     }                        // then LoadSettings
//
// The opener (AOwner) is not the window's parent: it only chooses the
// connection window (a connection window itself; the main window gives its
// current connection; another TtvForm gives its own). ShowForm puts the window
// into the main window's MDI area and shows it; a hidden script instance
// (SourceMode smText) is never shown.
//
// Queries. tv::db::Query and tv::db::DataSet are no QObjects, so the window
// does not find them among its children: it owns the ones made by NewQuery and
// NewDataSet, binds each to OwnerForm's dbsMain when it is made and whenever
// OwnerForm changes, unbinds them when the connection window goes away, and
// closes them when the window is destroyed (after its child controls, so a
// grid never outlives its data set). The queries send SQL as written except
// for their ":name" parameters; there is no escape or macro expansion to
// switch off.
//
// Key preview. While KeyPreview is on (every window but the name-table and
// sample windows), FormKeyDown sees every key pressed in any control of the
// window before the control does; setting Key to 0 consumes it.
#include "common/IMainWindow.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QString>
#include <QTabWidget>
#include <QToolButton>
#include <QWidget>

#include <memory>
#include <vector>

class IConnectionWindow;
class QMenu;

namespace tv::db {
class DataSet;
class Query;
} // namespace tv::db

enum TSourceMode { smShow, smText };
// What closing does with a window that may close.
enum TCloseAction { caNone, caHide, caFree, caMinimize };

class TtvForm : public QWidget, public IChildWindow {
    Q_OBJECT
public:
    // AOwner: the window's opener (see above); null or any other object
    // leaves OwnerForm null.
    explicit TtvForm(QObject *AOwner = nullptr);
    ~TtvForm() override;

    // The connection window the window belongs to; null when none (also once
    // that window has gone).
    IConnectionWindow *OwnerForm() const;
    // Binds every query of the window to Value's main connection (none for null).
    void SetOwnerForm(IConnectionWindow *Value);
    // Object-type code of what the window shows; also its icon's index.
    int ObjType() const { return FObjType; }
    void SetObjType(int Value);
    // The window defines an object that does not exist yet. Setting it always
    // calls ChangedIsNew.
    bool IsNew() const { return FIsNew; }
    void SetIsNew(bool Value);
    // The window holds changes not applied to the database.
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    // tvOption.UseLowerName as it was when the window was made.
    bool UseLowerName() const { return FUseLowerName; }
    // The first page control among the window's controls (null: none).
    QTabWidget *PageControl() const { return FPageControl; }

    // The task-bar button (null until CreateTaskButton, and after the main
    // window took it away).
    QToolButton *TaskButton() const { return FTaskButton; }
    void CreateTaskButton();
    // The button's caption; empty without a button. A caption longer than 12
    // characters is cut to its first 12 and "…".
    QString TaskCaption() const;
    void SetTaskCaption(const QString &Value);
    static QString ShortTaskCaption(const QString &Value);

    TSourceMode SourceMode = smShow;
    bool KeyPreview = true;

    // Whether the window may close now: asks about unapplied changes (see
    // the .cpp), and stores the window's settings when it may. Asked again
    // before control returns to the event loop, it answers yes at once.
    bool CloseQuery();
    // Closes the window (its MDI frame with it).
    void Close();
    // Puts the window into the main window's MDI area (once), shows it and
    // makes it the active child. A script instance stays hidden.
    void ShowForm();
    // The MDI frame of the window, null when it has none.
    QMdiSubWindow *Frame() const;

    // The schema prefix of generated SQL: empty, or the quoted schema and ".".
    QString SchemaPrefix(const QString &Schema, const QString &RefSchema) const;
    // The same rule for a given mode, for script builders that have no window.
    static QString SchemaPrefix(TSourceMode Mode, const QString &Schema, const QString &RefSchema);
    QString OwnSchemaPrefix(const QString &Schema) const { return SchemaPrefix(Schema, Schema); }

    // Ctrl+PgUp / Ctrl+PgDn switch pages of the page control and are always
    // consumed (Key 0). Sender: the control that has the key.
    virtual void FormKeyDown(QObject *Sender, int &Key, Qt::KeyboardModifiers Shift);

    // The window became the active child: selects its connection in the
    // main window's list and presses its task button.
    virtual void Activate();

    // Queries owned by the window, bound to OwnerForm's main connection.
    tv::db::Query *NewQuery();
    tv::db::DataSet *NewDataSet();

    // IChildWindow
    IConnectionWindow *OwnerConnection() const override { return OwnerForm(); }
    bool CanClose() override { return CloseQuery(); }
    // The menus given to AddMergeMenu that still exist, ordered by group
    // index (menus of one index in the order they were added).
    TMergeMenus MergeMenus() const override;

    // The hooks, empty here.
    virtual void ChangedIsNew() {}
    // Applies the edited definition; clears Modified on success.
    virtual void Compile(QObject * /*Sender*/) {}
    virtual void Reload(QObject * /*Sender*/) {}
    virtual void DBChange(QObject * /*Sender*/) {}
    // Restores / stores the window's size and layout (key "GUI\" + its key).
    virtual void LoadSettings() {}
    virtual void SaveSettings() {}
    // An editor of the window asks for completion; X, Y: its caret in the
    // editor's client pixels.
    virtual void CodeAssist(int /*X*/, int /*Y*/) {}

protected:
    // Lends `Menu` (one of the window's own) to the main window's menu bar
    // under `GroupIndex` while the window is the active child. Null: nothing.
    void AddMergeMenu(int GroupIndex, QMenu *Menu);
    // The end of construction: styles every SQL editor among the window's
    // controls (depth first), takes the first page control, then calls
    // LoadSettings. Runs once (ShowForm runs it when the constructor did not).
    void FinishCreate();
    // The window's own close-query and close handlers.
    virtual bool FormCloseQuery() { return true; }
    virtual void FormClose(TCloseAction & /*Action*/) {}
    // ShowForm has given the window its first size and place in the area
    // (after the showing, which may already have laid it out at another).
    virtual void FormPlaced() {}

    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    void BindQueries();
    void WatchFrame();
    void OwnerDestroyed();

    IConnectionWindow *FOwnerForm = nullptr;
    QPointer<QWidget> FOwnerWidget;
    QMetaObject::Connection FOwnerWatch;
    int FObjType = 0;
    bool FIsNew = false;
    bool FModified = false;
    bool FUseLowerName = false;
    QPointer<QToolButton> FTaskButton;
    QPointer<QTabWidget> FPageControl;
    QPointer<QMdiSubWindow> FWatchedFrame;
    QList<QPair<int, QPointer<QMenu>>> FMergeMenus;
    bool FCreated = false;
    bool FCloseAgreed = false;
    std::vector<std::unique_ptr<tv::db::Query>> FQueries;
    std::vector<std::unique_ptr<tv::db::DataSet>> FDataSets;
};
