#pragma once
// TtvToolForm: the frame every data-tool and monitoring window stands on.
//
// A tool window is opened for one connection window, is named after that
// connection ("<title> - user @ db/host:port"), is kept unique per caption
// where its kind says so, follows the connection picked in its own
// connection combo (cmbDBName), closes when its connection goes away and
// keeps its size under "\Software\Quenzor\TVX19\GUI\<key>".
//
// The members of the family and their constants stand in one table
// (ToolWindowKinds()); a window names its row by class name when it is built.
//
// Opening a window of the "Create" kind:
//
//     TfrmSession *w = TtvToolForm::Open<TfrmSession>(connectionWindow);
//
// finds an open twin with the same caption (then shows it and returns it),
// or builds the window, gives it its task button and icon, shows it, fills
// its combo and runs cmbDBNameChange, which binds it to the connection and
// reads its data (Reload). When that first read fails the half-built window
// is freed, task button included, and the error passes on to the caller.
//
// Refreshes: a window reads through ReadGuarded(), which shows the wait
// cursor and ignores a refresh asked for while one runs (the data layer keeps
// events flowing while it waits, and Esc cancels the statement).
#include "common/IConnectionWindow.h"
#include "common/tvForm.h"
#include "controls/tvToolBar.h"

#include <QList>
#include <QString>

#include <functional>

class QAction;
class QComboBox;
namespace tv::db {
class Query;
}

// One member of the family.
struct TToolWindowKind {
    QString ClassName;    // "TfrmSession"
    QString Title;        // caption before the connection text ("セッション情報 - "); empty: FormCaption alone
    QString FormCaption;  // the caption of a window without a title text
    int Icon = -1;        // index of the main image list; -1: none
    QString Key;          // registry key under "GUI"
    int Help = 0;         // help context
    bool ShowWindowKind;  // opened by ShowWindow (else by Create)
    bool OnePerCaption;   // a second opening shows the open window
};

// The table of the family, in the order of the tool windows' documentation.
const QList<TToolWindowKind> &ToolWindowKinds();
// The row of a class; null when the class is not a member.
const TToolWindowKind *FindToolWindowKind(const QString &ClassName);

class TtvToolForm : public TtvForm {
    Q_OBJECT
public:
    // AOwner: as for TtvForm. ClassName: the window's row in the table.
    TtvToolForm(QObject *AOwner, const QString &ClassName);
    ~TtvToolForm() override;

    const TToolWindowKind &Kind() const { return FKind; }
    int HelpContext() const { return FKind.Help; }
    // "\Software\Quenzor\TVX19\GUI\" + the window's key.
    QString SettingsKey() const;

    // The kind-0 text of a connection window ("user @ db/host:port"); empty for null.
    static QString ConnectionText(IConnectionWindow *Form);
    // The window's caption for a connection window: title text + connection text.
    QString CaptionFor(IConnectionWindow *Form) const;

    // Retitles the window and its task button from the current OwnerForm.
    void Retitle();

    // The connection combo: a copy of the main window's connection list.
    void FillDBName();
    // The connection window of the combo's selected item (null: none).
    IConnectionWindow *SelectedConnection() const;
    // The handler of the combo: binds the window to the selected item's
    // connection window, then (Create kind) runs Reload.
    virtual void cmbDBNameChange();

    // The set of connections changed: the combo is rebuilt and keeps its
    // selection; the window closes when its connection is gone. Nothing is
    // read again.
    void DBChange(QObject *Sender) override;
    void LoadSettings() override;
    void SaveSettings() override;

    // Opens a window of the Create kind for AOwner (see above). Returns the
    // window opened or the open twin; null without a connection window.
    // ClassName: the window's row in the table when it is not T's own name.
    template <class T>
    static T *Open(IConnectionWindow *AOwner, const QString &ClassName = QString())
    {
        if (!AOwner)
            return nullptr;
        const TToolWindowKind *kind = FindToolWindowKind(
            ClassName.isEmpty() ? QString::fromLatin1(T::staticMetaObject.className()) : ClassName);
        const QString caption = (kind ? kind->Title : QString()) + ConnectionText(AOwner);
        if (kind && kind->OnePerCaption) {
            if (IMainWindow *m = MainWindow()) {
                if (T *twin = m->FindWindowOf<T>(caption, true))
                    return twin;
            }
        }
        IMainWindow *m = MainWindow();
        T *w = new T(m ? static_cast<QObject *>(m->MainWidget()) : static_cast<QObject *>(AOwner->FormWidget()));
        w->FinishOpen(AOwner);
        return w;
    }

    // Whether a read of the window is running now.
    bool Reading() const { return FReading; }

    // The command tool bar and the exit action of every tool window.
    TtvToolBar *tolCmd = nullptr;
    QComboBox *cmbDBName = nullptr;
    QAction *actExit = nullptr;

protected:
    // Steps 4 to 6 of the opening; frees the window when the first read fails.
    void FinishOpen(IConnectionWindow *AOwner);
    // Opening, before the combo is filled: what a window decides once for
    // the connection it is first opened for (empty here).
    virtual void PrepareOpen(IConnectionWindow * /*AOwner*/) {}
    // Runs Work with the wait cursor; false (and nothing run) while another
    // read of the window is running.
    bool ReadGuarded(const std::function<void()> &Work);
    // Statements of tool windows on the main connection of OwnerForm, each
    // under a statement savepoint while a transaction block is open: a
    // failure (a refused value, a missing right) leaves the user's
    // transaction as it was. Query: opened on its connection.
    void OpenProtected(tv::db::Query &Query);
    // Through OwnerForm's ExecuteSQL.
    void ExecuteProtected(const QString &SQLText);
    // Through the main connection directly (no result kept).
    void ExecProtected(const QString &SQLText);
    // Adds the panel "　データベース" with cmbDBName to tolCmd (after a separator).
    void AddDBNamePanel(const QString &Label = QStringLiteral("　データベース"));
    // The command "最新(&R)" (actRefresh): runs Reload, errors shown.
    QAction *NewRefreshAction();
    // The command "実行(&E)" (btnExec) added to tolCmd: runs Run, errors shown.
    QAction *AddExecAction(std::function<void()> Run);
    // The width of the command buttons set on the first showing.
    virtual int CommandButtonWidth() const { return 78; }
    // Whether the command bar wraps when the window is narrow (first show).
    virtual bool WrapsCommandBar() const { return false; }

    void showEvent(QShowEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    TToolWindowKind FKind;
    bool FReading = false;
    bool FShownOnce = false;
};
