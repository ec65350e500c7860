#pragma once
// The command lines of the backup (pg_dump) and restore (pg_restore)
// windows, built from the window's choices without any widget.
//
// A command comes out twice: as the text shown in the log (program, a blank,
// the pieces separated by blanks, names in double quotes) and as the argument
// list the process layer hands to the program (no shell: every option and
// every value one argument, without the display quotes). The table patterns
// of pg_dump keep the quotes that make it match the names with their case:
// the display piece "\"public\""."\"Orders\"" is the one argument
// "public"."Orders". No password is ever part of either.
#include "platform/process/Process.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// Where the program connects: the main connection's parameters.
struct TToolConnection {
    QString Server;
    QString Port;
    QString User;      // the logon user
    QString Database;
    QString Password;  // the logon password (empty: none)
};

// One command: the log text and what the process layer gets.
struct TToolCommand {
    QString Display;         // program + " " + the pieces
    QStringList Arguments;   // the pieces as arguments
};

// A schema (Table empty) or a table to back up or restore.
struct TToolTarget {
    QString Schema;
    QString Table;
    bool operator==(const TToolTarget &o) const { return Schema == o.Schema && Table == o.Table; }
};

// The backup window's choices.
struct TDumpChoices {
    int Format = 0;          // 0 plain, 1 custom, 2 tar, 3 directory
    int Mode = 0;            // 0 database, 1 schemas, 2 tables
    QString OutputPath;      // the absolute output path (OutputPathOf)
    QList<TToolTarget> Objects;
    bool UseUserID = false;  // "ユーザーIDを指定"
    QString UserID;
    QString Compres;
    QString Encoding;
    QString RoleName;
    bool PreData = false, SecData = false, PostData = false;
    bool Data = false, Schema = false, Blobs = false;
    bool Owner = false, Grants = false, Tablespaces = false, UnlogTbl = false, Securitylbl = false;
    bool CreateDataBase = false, DropDataBase = false, ColumnInserts = false, Inserts = false;
    bool Trigger = false, DollarQuoting = false, Authorization = false, Oid = false, Quote = false;
    bool Serializable = false, Ifexists = false;
    QString TimeOut;
};

// The restore window's choices.
struct TRestoreChoices {
    int Format = 0;          // 0 custom or tar, 1 directory
    int Mode = 0;            // 0 whole archive, 1 schemas, 2 tables
    QString ArchivePath;     // the absolute archive path (OutputPathOf)
    QList<TToolTarget> Targets;
    bool UseUserID = false;
    QString UserID;
    QString JobNo;
    QString RoleName;
    bool PreData = false, SecData = false, PostData = false;
    bool Data = false, Schema = false;
    bool Owner = false, Grants = false, Tablespaces = false, Securitylbl = false;
    bool CreateDataBase = false, Clean = false, Transaction = false;
    bool Trigger = false, NoData = false, Authorization = false, Error = false, Ifexists = false;
};

// The absolute path of an output or archive text: its folder part made
// absolute (relative to the current folder) and its name part. A folder that
// does not exist stays in the path, so the program fails on it visibly.
QString ToolPathOf(const QString &Text);

// pg_dump's schema pattern ("\"name\"" shown, "name" passed) and table
// pattern; inner double quotes are doubled.
QString DumpSchemaPattern(const QString &Schema, bool Display);
QString DumpTablePattern(const QString &Schema, const QString &Table, bool Display);

// The pg_dump command for a server of version DBVer.
TToolCommand BuildDumpCommand(const QString &Program, const TDumpChoices &C, const TToolConnection &Conn,
                              int DBVer);
// The pg_restore commands for a server of version DBVer: one for mode 0,
// one per target in modes 1 and 2.
QList<TToolCommand> BuildRestoreCommands(const QString &Program, const TRestoreChoices &C,
                                         const TToolConnection &Conn, int DBVer);

// The user the program connects as: the given user ID or the logon user.
QString ToolUser(bool UseUserID, const QString &UserID, const TToolConnection &Conn);
// The password handed to the program (through a private PGPASSFILE): only
// when the logon used one and the program connects as the logon user.
std::optional<tv::process::PasswordEntry> ToolPassword(const QString &User, const TToolConnection &Conn);

// The program to offer: PostgreSQL's bin folder (pg_config --bindir), else
// PATH; empty when neither has it.
QString FindPgProgram(const QString &Name);

// The catalog query of the objects the backup window offers: mode 1 the
// schemas, mode 2 the tables (and, from 9.3, the materialized views) as
// schema and name. System schemas are left out, pg_catalog excepted.
QString BackupObjectListSQL(int Mode, int DBVer, bool IsEdb);
