#pragma once
// The support information dialog "サポート情報": a fixed-form text naming
// the program's version and path, the client library, the operating system,
// the user's group and every entry of the search path, which the user can
// copy to the clipboard or print.
#include <QDialog>
#include <QStringList>

class QAction;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolBar;
class QToolButton;
class QWidget;

// The facts the text is made of.
struct TSupportFacts {
    QString ProgramPath;
    QString LibpqPath;  // empty: the label alone
    QString OSName;
    QString OSVersion;
    QString UserGroup;
    QString Path;       // the search path as the environment holds it
};

class TfrmSupport : public QDialog {
    Q_OBJECT
public:
    // Builds the text, shows the dialog modally and returns its result.
    static int ShowWindow(QWidget *parent = nullptr);
    // Registers the launcher "actHelpSupport".
    static void RegisterLauncher();

    // The text lines of the given facts.
    static QStringList SupportLines(const TSupportFacts &facts);
    // This machine's facts.
    static TSupportFacts ReadFacts();
    // The group line of a user: uid 0 is "Administrator", a member of the
    // groups "sudo" or "wheel" "Power Users", anybody else "Users".
    static QString UserGroupName(unsigned uid, const QStringList &groupNames);
    // The path of the client library the program loaded; empty when unknown.
    static QString LoadedLibpqPath();

    explicit TfrmSupport(const QStringList &lines, QWidget *parent = nullptr);

    QToolBar *tolCmd = nullptr;
    QToolButton *btnOutput = nullptr;
    QAction *actOutput = nullptr, *actCopy = nullptr, *actPrint = nullptr;
    QMenu *popOutput = nullptr;
    QPlainTextEdit *txtSupport = nullptr;
    QWidget *pnlBack = nullptr;
    QPushButton *btnOK = nullptr;
    QStringList S;

    void actCopyExecute();
    void actPrintExecute();
    void actOutputExecute();
    void PrintSupportInfo();

protected:
    void resizeEvent(QResizeEvent *e) override;
};
