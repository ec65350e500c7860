#pragma once
// Moving every option between the settings store and memory: LoadOptions once
// while the main window is created, SaveOptions once while it closes. In
// between, options change only in memory.
//
// Both work on the shared store (tv::settings::tvRegistry()) and the globals
// of the shared services (common/Globals.h); without prpEditor (shared
// services not started) the editor settings are left out.

#include <QString>

// Reads, in this order: the program options (root key), "PRINTOPTION",
// "SHORTCUT", "TEXTOUT", "EXPORT", "IMPORT", "EXPORT_DP", "IMPORT_DP",
// "LOADER", "STATSPACK", "TRACE", "COMP", "PERFORM", "LOCK", "FORMAT",
// "DBTEST", "DB", "RESERVE" and "EDITOR". Every missing or unreadable value
// takes its default; nothing is written.
void LoadOptions();

// Writes the same data back, "EDITOR" and then "RESERVE" last. Values read but
// never written ("CharacterSet", "ExcelExt", "CLOB_TO_CHAR", the "IMPORT_DP"
// value "Constraints") keep what the store holds.
//
// A failure of the store does not end the save: every later step is still
// tried, the first failure is shown once through the dialog seam
// (tv::ui::CurrentDialogs()) and the result is false, so the caller can go on
// closing. True when everything was written.
bool SaveOptions();

// The text shown when saving failed; `detail` is the store's own message.
QString SaveOptionsFailedText(const QString &detail);
