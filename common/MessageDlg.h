#pragma once
// The program's message boxes, check dialogs and one-line input dialogs.
//
// Every message goes through the dialog seam (tv::ui::CurrentDialogs) with
// the application title as caption. Texts are cleaned first: the driver
// prefix "[FireDAC][Phys][PG][libpq] " is removed wherever it stands, and a
// text left as exactly ": " becomes "ERROR: SQL構文エラー".
//
// Flags and results use the Windows message-box numbering of
// platform/ui/Dialogs.h: buttons in the low four bits (0 OK, 1 OK/Cancel,
// 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel), icon
// 0x10 stop, 0x20 question, 0x30 exclamation, 0x40 information, default
// button 0x000 .. 0x300; results 1 OK, 2 Cancel, 3 Abort, 4 Retry,
// 5 Ignore, 6 Yes, 7 No (8: a check dialog ended without a button).
//
// The operations may be called from any thread: off the user-interface
// thread they wait while the dialog is shown by that thread.
#include "platform/ui/Dialogs.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QVariantList>

class QFont;

// One check box of a dialog: its caption and the caller's Boolean, which
// gives the initial state and receives the final one.
struct TCheckEntry {
    QString Caption;
    bool *Value = nullptr;
};
using TCheckList = QList<TCheckEntry>;

// The text as the user sees it (prefix removed, ": " replaced).
QString CleanMessageText(const QString &text);

// Shows a message box; returns the button pressed.
int ShowMessageBox(const QString &text, unsigned flags = tv::ui::MB_OK);

// Formats `format` with `args` ("%s", "%d" and "%u" take the next argument,
// "%x" it in hexadecimal, "%.2d" pads to at least two digits, "%%" is a
// percent sign) and shows the result with ShowMessageBox.
int ShowMessageBoxFmt(const QString &format, const QVariantList &args, unsigned flags = tv::ui::MB_OK);
// The formatting of ShowMessageBoxFmt alone.
QString FormatMessageText(const QString &format, const QVariantList &args);

// A message box with one check box per entry under the text. Every box's
// state is written back through its entry, whatever ends the dialog.
int ShowCheckMessageDialog(const QString &text, unsigned flags, const TCheckList &checks);

// A one-line input (a numeric edit of at most 9 characters when `numeric`,
// otherwise a text edit of at most 255) with optional check boxes, "OK" and
// "キャンセル". On OK `value` and every entry receive the user's entries and
// the result is true; on Cancel nothing is written back.
bool InputQueryWithChecks(const QString &caption, const QString &prompt, QString &value, bool numeric,
                          const TCheckList &checks = {});

// The average letter size of a font: the width of "A".."Z" followed by
// "a".."z" divided by 52 (integer division) and their height.
QSize GetAverageCharSize(const QFont &font);
