#pragma once
// The one seam through which the program shows message boxes, input and
// check dialogs and file and folder pickers. Code calls Dialogs() and never a
// Qt dialog directly; the real implementation (QtDialogs) shows Qt dialogs,
// and tests install a ScriptedDialogs with ScopedDialogs to answer in their
// place and read back every call.
#include <QList>
#include <QString>

namespace tv::ui {

// Message-box flags in the Windows numbering.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONSTOP = 0x10;
constexpr unsigned MB_ICONERROR = MB_ICONSTOP;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONMASK = 0xF0;
constexpr unsigned MB_DEFBUTTON1 = 0x000;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;
constexpr unsigned MB_DEFBUTTON4 = 0x300;
constexpr unsigned MB_DEFMASK = 0xF00;

// Button identifiers a message box returns; IDCLOSED when a check dialog
// ended without a button.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDCLOSED = 8;

// The buttons of a flag set, left to right.
QList<int> MessageButtons(unsigned flags);
// The button the flags make the default (the first one when the default
// index is past the last button).
int DefaultMessageButton(unsigned flags);

// One labelled check box of a dialog: its state goes in and comes back.
struct CheckItem {
    QString caption;
    bool checked = false;
};
using CheckList = QList<CheckItem>;

struct FileDialogRequest {
    QString caption;        // empty: the dialog's own title
    QString filter;         // "SQLファイル(*.sql)|*.sql|すべてのファイル(*.*)|*.*" or Qt notation
    int filterIndex = 1;    // 1-based, the filter shown first
    QString defaultExt;     // "sql": appended when the typed name has none
    QString initialDir;
    QString fileName;       // initial name (may hold a folder)
    bool overwritePrompt = true; // save: ask before replacing a file
    bool mustExist = true;       // open: only existing files
};

class Dialogs {
public:
    virtual ~Dialogs();

    // A message box: text, caption (empty: the application title), MB_* flags
    // → IDOK .. IDNO.
    virtual int messageBox(const QString &text, const QString &caption, unsigned flags) = 0;

    // A message box with check boxes under the text. The states are written
    // back whatever ends the dialog; IDCLOSED when no button ended it.
    virtual int checkMessageBox(const QString &text, const QString &caption, unsigned flags,
                                CheckList &checks) = 0;

    // A one-line input. On OK value and checks receive the user's entries and
    // the result is true; otherwise neither is touched.
    virtual bool inputQuery(const QString &caption, const QString &prompt, QString &value,
                            bool numeric = false, CheckList *checks = nullptr) = 0;

    // File and folder pickers: the chosen path, empty when cancelled.
    virtual QString openFile(const FileDialogRequest &request) = 0;
    virtual QString saveFile(const FileDialogRequest &request) = 0;
    virtual QString selectFolder(const QString &caption, const QString &initialDir) = 0;
};

// The dialogs in use (the Qt dialogs unless a test installed others).
Dialogs &CurrentDialogs();
// Installs `dialogs` (null: the Qt dialogs) and returns the previous one.
Dialogs *SetDialogs(Dialogs *dialogs);

// Installs dialogs for the lifetime of the object and restores the previous ones.
class ScopedDialogs {
public:
    explicit ScopedDialogs(Dialogs *dialogs) : m_previous(SetDialogs(dialogs)) {}
    ~ScopedDialogs() { SetDialogs(m_previous); }
    ScopedDialogs(const ScopedDialogs &) = delete;
    ScopedDialogs &operator=(const ScopedDialogs &) = delete;

private:
    Dialogs *m_previous;
};

// The caption of the program's messages.
QString ApplicationTitle();

// "Desc(*.a;*.b)|*.a;*.b|..." → "Desc(*.a *.b);;..."; a text without "|" is
// taken as Qt notation already.
QString FilterToQt(const QString &filter);

} // namespace tv::ui
