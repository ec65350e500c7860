#pragma once
// One user command: its file in the folder "usercmd" of the data folder (an
// XML document, root "TVDOC" with "TVDOC-VERSION" 2 and one element
// "USERCMD"), reading it for a run or for the editor, writing it, and filling
// its text in for one object of the object list.
#include <QString>
#include <QStringList>

struct TUserCommand {
    int Seq = 0;
    QString Name;
    int ShortCut = 0; // platform shortcut integer (key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt)
    bool Dialog = false;
    bool SQLWindow = false;
    bool Error = false;
    QString SQL;
};

namespace usercmd {

// The command folder: an existing "usercmd" of the data folder in any letter
// case, else DataDir + "usercmd".
QString Folder();
// The file of a command name (".cmd" in any letter case); the path it would
// get when there is none.
QString FilePath(const QString &name);

// For a run: the flags and text of the first "USERCMD". False (nothing to
// run) for a missing or malformed file, another root, a version above 2 or
// none, or a missing or unconvertible "DIALOG", "SQLWINDOW", "ERROR" or
// "SQL". A file without "USERCMD" gives true and leaves the outputs alone.
bool GetCommandValue(const QString &path, bool &Dialog, bool &SQLWindow, bool &Error, QString &SQL);

// For the editor: every attribute read as an integer (0 when missing).
enum class ReadResult { Ok, NoCommand, Malformed, WrongVersion };
ReadResult ReadForEditor(const QString &path, TUserCommand &cmd);

// Writes the command into the folder as Name + ".cmd" (replacing a file of
// that name in any letter case). A name that cannot be one file name, or a
// file that cannot be written, raises tv::Error.
void Write(const TUserCommand &cmd);

// The statement for one object: "&NAME", "&OWNER", "&TYPE", "&0", then "&k"
// from the highest detail column down to "&1", each replaced wherever it
// stands regardless of letter case.
QString BuildStatement(const QString &text, const QString &caption, const QStringList &details);

} // namespace usercmd
