#pragma once
// The statements of the session, lock and server-information windows, built
// as text from the server version (and the user's values where they take
// some), so that they can be checked without a window or a server.
#include <QString>

namespace monitor {

// Clears the statistics snapshot of the transaction, so that a read inside
// an open transaction sees the server as it is now.
QString ClearSnapshotSQL();

// Sessions of one database (parameter :datname), by process id.
QString SessionListSQL(int DBVer);
// The id and statement columns of pg_stat_activity for the version.
QString SessionIdColumn(int DBVer);
QString SessionQueryColumn(int DBVer);
// "SELECT pg_terminate_backend(<pid>)"; empty when Pid does not read as an
// integer (then nothing may be sent).
QString TerminateSQL(const QString &Pid);

// Locks in one database (parameter :db_name), by process id; durations from
// the clock, not from the reading transaction's start.
QString LockListSQL(int DBVer);

// Databases that are not templates, in the server's order.
QString DatabaseListSQL();
// The properties of one database (parameter :datname).
QString DatabaseInfoSQL(int DBVer);
// Version, start and load times and the file paths in one row.
QString VersionInfoSQL();
// The file written by ALTER SYSTEM.
QString AutoConfSQL();

// The distinct categories of pg_settings.
QString CategoryListSQL();
// The settings matching :kensaku and :category, by name.
QString ParameterListSQL();
// The pattern values of the parameter list.
QString SearchPattern(const QString &SearchText);
QString CategoryPattern(const QString &Category);
// The category offered for a pg_settings category: the part before "/", trimmed.
QString CategoryHead(const QString &Category);

// "SELECT set_config( 'name','value',False )"
QString SetConfigSQL(const QString &Name, const QString &Value);
// Mode 0 SET name = 'value', 1 SET name = DEFAULT, 2 RESET ALL.
QString AlterSystemSQL(int Mode, const QString &Name, const QString &Value = QString());
QString ReloadConfSQL();

} // namespace monitor
