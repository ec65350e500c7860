#pragma once
// What the data-pump export and import windows write and read, apart from
// any widget: the parameter files "EXPDP.PRM" and "IMPDP.PRM", the connect
// text handed to the tool, and the scan of the SQL file the import tool
// writes in its SQLFILE mode for the tables a dump holds.
//
// The tools belong to another database product and do not exist here; the
// windows rely only on the files and argument lists built below.
#include "platform/process/Process.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The choices that make the parameter lines. Directory texts may be empty
// (no "DIR:" prefix then).
struct TDataPumpChoices {
    int Mode = -1;                 // export: 0 full, 1 schemas, 2 tables, 3 tablespaces; import: 0..2
    QString DirObj;                // directory object of the dump file
    QString File;                  // dump file name
    bool Log = true;               // write a LOGFILE line
    QString LogDirObj;
    QString LogFile;
    bool Grants = true, Indexes = true, Rows = true, Constraints = true;
    QStringList Objects;           // export: the chosen objects in list order
    // Import only.
    QString InfoDirObj;            // directory object of the SQL file
    QString IndexFile;             // SQL file ("SQLFILE=")
    bool TableExists = false;      // TABLE_EXISTS_ACTION line (ticked and enabled)
    int TableExistsItem = 0;       // 0 SKIP, 1 APPEND, 2 TRUNCATE, 3 REPLACE
    bool ReuseDatafiles = false;
    QStringList UserMap;           // entries "SRC<blanks> → DST"
    QStringList Tables;            // table entries
};

// "DIR:" or nothing.
QString DataPumpDirPrefix(const QString &DirObj);
// One line of a TABLES list: an all-upper-case entry in plain double quotes,
// any other split at its first "." into \"owner\".\"table\"; a comma unless Last.
QString DataPumpTableLine(const QString &Entry, bool Last);
// The lines of "EXPDP.PRM" and of "IMPDP.PRM".
QStringList ExpdpParameterLines(const TDataPumpChoices &C);
QStringList ImpdpParameterLines(const TDataPumpChoices &C);
// A remapping entry of the import window: Format("%-30s", From) + " → " + To.
QString DataPumpRemapEntry(const QString &From, const QString &To);
// The parts of a remapping entry: trimmed before "→", trimmed from two
// characters after it.
QString DataPumpRemapSource(const QString &Entry);
QString DataPumpRemapTarget(const QString &Entry);

// Writes the lines to Folder + Name in the ANSI code page, CR LF after each
// line, without a byte-order mark; creates the folder when missing. Returns
// the file's path; raises tv::Error when it cannot be written.
QString WriteDataPumpParameterFile(const QString &Folder, const QString &Name, const QStringList &Lines);

// What starts the tool: the program, its two arguments (the connect text and
// "PARFILE=<file>") and the password, which goes to the tool's standard input
// as one line and never onto the command line, into the file or the log.
struct TDataPumpCommand {
    QString Program;
    QStringList Arguments;
    QString Password;   // empty: nothing is written to the tool's input
    QString Display;    // the command as the log shows it (no password)
};

// The connect text without the password: User + "@" + Database (+ " AS "
// AuthMode), every "@<LOCAL>" removed.
QString DataPumpConnectText(const QString &User, const QString &Database, const QString &AuthMode = QString());

// A request that runs the command: arguments as built, the password line on
// standard input, NLS_LANG (when not empty) in the child's environment only.
tv::process::ProcessRequest DataPumpRequest(const TDataPumpCommand &Command, const QString &NlsLang);

// Starts the command in the background (no window, no pipes, not waited
// for); the password reaches its standard input through a private file that
// is removed as soon as the tool has started. False when it did not start.
bool StartDataPumpDetached(const TDataPumpCommand &Command, const QString &NlsLang, QString *Error = nullptr);

// Scan of the import tool's SQL file: every line starting "CREATE TABLE "
// gives owner "." table (the first double quote followed by a blank ends
// the name; quote-dot-quote becomes "."). The file is read in blocks of
// 32768 bytes; the bytes after the last line feed of a block are carried into
// the next one, so that a line crossing a block border, with its marker or
// a double-byte name on the border, is read whole. Names are decoded from
// the ANSI code page.
class TDumpSqlScanner {
public:
    static constexpr int BlockSize = 32768;
    // Tables (owner.table) and users found, each sorted, without repeats.
    QStringList Tables;
    QStringList Users;
    // Asked after each block; true ends the reading there (Esc).
    std::function<bool()> Stop;

    // Reads the file. Raises tv::Error when it cannot be opened; what was
    // found up to a stop stays.
    void ScanFile(const QString &FileName);
    // The same over bytes in memory, in blocks of BlockSize (tests, benches).
    void ScanBytes(const QByteArray &Data);

private:
    // Scans the complete lines of Len bytes; returns how many bytes at the
    // end (from the last line feed) belong to the next block.
    qsizetype Feed(const char *Data, qsizetype Len, bool Last);
    void Finish();
    QSet<QString> FTableSet, FUserSet;
};
