#pragma once
// The statements of the session, lock and server-information windows, built
// as text from the server version (and the user's values where they take
// some), so that they can be checked without a window or a server.
#include <QString>
#include <QStringList>

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
// Whether the server takes the setting as a list of quoted elements
// (search_path, the preload libraries ...).
bool IsListSetting(const QString &Name);
// The elements of such a list as the server reads them from its text
// ("\"$user\", public": "$user" and "public").
QStringList SettingListElements(const QString &Name, const QString &Value);
// Mode 0 SET name = 'value' (a list setting: 'a', 'b'), 1 SET name =
// DEFAULT, 2 RESET ALL. Empty when the value cannot be written (an empty
// name in a list of libraries or folders): then nothing may be sent.
QString AlterSystemSQL(int Mode, const QString &Name, const QString &Value = QString());
QString ReloadConfSQL();

} // namespace monitor
