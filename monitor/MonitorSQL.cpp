#include "monitor/MonitorSQL.h"

#include "common/Quote.h"

#include <QRegularExpression>
#include <QStringList>

namespace monitor {

QString ClearSnapshotSQL()
{
    return QStringLiteral("SELECT pg_stat_clear_snapshot()");
}

QString SessionIdColumn(int DBVer)
{
    return DBVer < 90200 ? QStringLiteral("procpid") : QStringLiteral("pid");
}

QString SessionQueryColumn(int DBVer)
{
    return DBVer < 90200 ? QStringLiteral("current_query") : QStringLiteral("query");
}

QString SessionListSQL(int DBVer)
{
    const QString id = SessionIdColumn(DBVer);
    QString s = QStringLiteral("SELECT ") + QStringLiteral(" ") + id + QStringLiteral(",") +
                QStringLiteral("  usesysid, ") + QStringLiteral("  usename, ") + QStringLiteral("  datid, ") +
                QStringLiteral("  datname, ") + QStringLiteral("  host(client_addr) AS client_ip, ") +
                QStringLiteral("  application_name, ") +
                QStringLiteral("  TO_CHAR( backend_start , 'yyyy/mm/dd hh24:mi:ss') backend_start, ");
    if (DBVer < 90200)
        s += QStringLiteral("  waiting, ");
    else
        s += QStringLiteral("  state, ");
    s += QStringLiteral(" ") + SessionQueryColumn(DBVer) + QStringLiteral(" ") + QStringLiteral("FROM ") +
         QStringLiteral("  pg_stat_activity ") + QStringLiteral("WHERE 0 = 0 ") +
         QStringLiteral("  AND datname = :datname ") + QStringLiteral("ORDER BY ") + QStringLiteral(" ") + id;
    return s;
}

QString TerminateSQL(const QString &Pid)
{
    bool ok = false;
    const qlonglong pid = Pid.trimmed().toLongLong(&ok);
    if (!ok)
        return QString();
    return QStringLiteral("SELECT pg_terminate_backend(") + QString::number(pid) + QStringLiteral(")");
}

QString LockListSQL(int DBVer)
{
    return QStringLiteral("SELECT ") + QStringLiteral("  l.pid, ") + QStringLiteral("  l.locktype, ") +
           QStringLiteral("  a.usename, ") + QStringLiteral("  d.datname, ") + QStringLiteral("  c.relname, ") +
           QStringLiteral("  l.mode, ") + QStringLiteral("  l.granted, ") +
           QStringLiteral("  to_char((clock_timestamp() - xact_start)::interval(3),'HH24:MI:SS.MS') AS duration, ") +
           QStringLiteral("  a.") + SessionQueryColumn(DBVer) + QStringLiteral(" ") + QStringLiteral("FROM ") +
           QStringLiteral("  pg_locks l ") + QStringLiteral("  LEFT OUTER JOIN pg_database d") +
           QStringLiteral("  ON l.database = d.oid ") + QStringLiteral("  LEFT OUTER JOIN pg_stat_activity a ") +
           QStringLiteral("  ON l.pid = a.") + SessionIdColumn(DBVer) + QStringLiteral(" ") +
           QStringLiteral("  LEFT OUTER JOIN pg_class c ") + QStringLiteral("  ON l.relation = c.oid ") +
           QStringLiteral("WHERE ") + QStringLiteral("  d.datname = :db_name ") + QStringLiteral("ORDER BY ") +
           QStringLiteral("  l.pid ");
}

QString DatabaseListSQL()
{
    return QStringLiteral(" SELECT datname FROM pg_database WHERE 0 = 0 AND datistemplate = False");
}

QString DatabaseInfoSQL(int DBVer)
{
    // The last system oid is gone from pg_database since 15.
    const QString lastSysOid =
        DBVer >= 150000 ? QStringLiteral("NULL AS datlastsysoid") : QStringLiteral("db.datlastsysoid");
    return QStringLiteral("SELECT db.datname, db.oid, db.datdba, au.rolname,"
                          " pg_encoding_to_char(db.encoding) AS \"encode_name\","
                          " db.datcollate, db.datctype, db.datistemplate, db.datallowconn, db.datconnlimit, ") +
           lastSysOid +
           QStringLiteral(", db.datfrozenxid, db.dattablespace, ts.spcname"
                          " FROM pg_database db"
                          " LEFT OUTER JOIN pg_roles au ON db.datdba = au.oid"
                          " LEFT OUTER JOIN pg_tablespace ts ON db.dattablespace = ts.oid"
                          " WHERE 0 = 0 AND datname = :datname");
}

QString VersionInfoSQL()
{
    QString s = QStringLiteral("SELECT version(),"
                               " TO_CHAR( pg_conf_load_time() , 'yyyy/mm/dd hh24:mi:ss') AS \"conf_load_time\","
                               " TO_CHAR( pg_postmaster_start_time() , 'yyyy/mm/dd hh24:mi:ss') AS "
                               "\"postmaster_start_time\"");
    for (const char *name : {"config_file", "data_directory", "external_pid_file", "hba_file", "ident_file"}) {
        s += QStringLiteral(", (SELECT setting FROM pg_settings Where name = '") + QLatin1String(name) +
             QStringLiteral("') AS \"") + QLatin1String(name) + QStringLiteral("\"");
    }
    return s;
}

QString AutoConfSQL()
{
    return QStringLiteral("SELECT convert_from(pg_read_binary_file('postgresql.auto.conf'), 'UTF8')");
}

QString CategoryListSQL()
{
    return QStringLiteral("SELECT DISTINCT(category) as \"category\" FROM pg_settings ORDER BY category");
}

QString ParameterListSQL()
{
    return QStringLiteral(" SELECT name, vartype, setting, unit, context, category FROM pg_settings WHERE 0 = 0"
                          " AND ( UPPER(name) LIKE UPPER(:kensaku)"
                          " OR UPPER(vartype) LIKE UPPER(:kensaku)"
                          " OR UPPER(setting) LIKE UPPER(:kensaku)"
                          " OR UPPER(unit) LIKE UPPER(:kensaku)"
                          " OR UPPER(context) LIKE UPPER(:kensaku)"
                          " OR UPPER(category) LIKE UPPER(:kensaku)"
                          " ) AND UPPER(category) LIKE UPPER(:category) ORDER BY name");
}

QString SearchPattern(const QString &SearchText)
{
    return SearchText.isEmpty() ? QStringLiteral("%%") : QStringLiteral("%") + SearchText + QStringLiteral("%");
}

QString CategoryPattern(const QString &Category)
{
    return Category == QStringLiteral("(全て)") ? QStringLiteral("%%")
                                                : QStringLiteral("%") + Category + QStringLiteral("%");
}

QString CategoryHead(const QString &Category)
{
    const qsizetype slash = Category.indexOf(QLatin1Char('/'));
    return slash < 0 ? Category : Category.left(slash).trimmed();
}

QString SetConfigSQL(const QString &Name, const QString &Value)
{
    return QStringLiteral("SELECT set_config( ") + QuoteLiteral(Name) + QStringLiteral(",") + QuoteLiteral(Value) +
           QStringLiteral(",") + QStringLiteral("False") + QStringLiteral(" )");
}

namespace {

// A setting's name as ALTER SYSTEM takes it: a plain (dotted) name as it
// stands, any other name part in double quotes.
QString SettingName(const QString &Name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*$"));
    QStringList parts = Name.split(QLatin1Char('.'));
    for (QString &p : parts) {
        if (!plain.match(p).hasMatch())
            p = QLatin1Char('"') + QString(p).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    }
    return parts.join(QLatin1Char('.'));
}

// The server's settings whose value is a list it quotes element by element
// when it writes them: ALTER SYSTEM puts each literal of the list in double
// quotes unless it is a plain lower-case name, so the whole list sent as one
// literal would become a single element ("a,b" one library). The server
// shows no flag for this; the set is the server's own (as pg_dump keeps it).
// Other comma-separated settings (DateStyle, listen_addresses,
// log_destination ...) are written as sent, so one literal is right for them.
// Identifier lists fold unquoted names to lower case as the server reads
// them; file and library lists keep them as written.
enum class ListKind { None, Identifiers, Paths };

ListKind SettingListKind(const QString &Name)
{
    struct Entry {
        const char *name;
        ListKind kind;
    };
    static const Entry lists[] = {
        {"search_path", ListKind::Identifiers},
        {"temp_tablespaces", ListKind::Identifiers},
        {"local_preload_libraries", ListKind::Paths},
        {"session_preload_libraries", ListKind::Paths},
        {"shared_preload_libraries", ListKind::Paths},
        {"unix_socket_directories", ListKind::Paths},
    };
    for (const Entry &e : lists)
        if (Name.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0)
            return e.kind;
    return ListKind::None;
}

} // namespace

bool IsListSetting(const QString &Name)
{
    return SettingListKind(Name) != ListKind::None;
}

QStringList SettingListElements(const QString &Name, const QString &Value)
{
    const ListKind kind = SettingListKind(Name);
    QStringList elements;
    qsizetype i = 0;
    const qsizetype n = Value.size();
    auto skipBlanks = [&] {
        while (i < n && Value.at(i).isSpace())
            ++i;
    };
    skipBlanks();
    if (i == n)
        return elements;
    for (;;) {
        skipBlanks();
        QString element;
        if (i < n && Value.at(i) == u'"') {
            // "..." as written, "" for a quote.
            for (++i; i < n; ++i) {
                if (Value.at(i) == u'"') {
                    if (i + 1 < n && Value.at(i + 1) == u'"') {
                        element += u'"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                element += Value.at(i);
            }
            // Anything between the closing quote and the comma is dropped,
            // as the server refuses it.
            while (i < n && Value.at(i) != u',')
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && Value.at(i) != u',')
                ++i;
            element = Value.mid(start, i - start).trimmed();
            if (kind == ListKind::Identifiers) {
                for (QChar &c : element)
                    if (c >= u'A' && c <= u'Z')
                        c = QChar(c.unicode() + ('a' - 'A'));
            }
        }
        elements << element;
        if (i >= n)
            break;
        ++i; // the comma
    }
    return elements;
}

QString AlterSystemSQL(int Mode, const QString &Name, const QString &Value)
{
    switch (Mode) {
    case 0:
        if (const ListKind kind = SettingListKind(Name); kind != ListKind::None) {
            const QStringList elements = SettingListElements(Name, Value);
            // An empty list has no literal of its own: '' is written as one
            // element named "", which the server then fails to load as a
            // library or socket folder (it would not start again). An empty
            // element of a longer list fails the same way.
            if (kind == ListKind::Paths && (elements.isEmpty() || elements.contains(QString())))
                return QString();
            if (!elements.isEmpty()) {
                QStringList literals;
                for (const QString &e : elements)
                    literals << QuoteLiteral(e);
                return QStringLiteral("ALTER SYSTEM SET ") + SettingName(Name) + QStringLiteral(" = ") +
                       literals.join(QStringLiteral(", "));
            }
        }
        return QStringLiteral("ALTER SYSTEM SET ") + SettingName(Name) + QStringLiteral(" = ") + QuoteLiteral(Value);
    case 1:
        return QStringLiteral("ALTER SYSTEM SET ") + SettingName(Name) + QStringLiteral(" = DEFAULT");
    default:
        return QStringLiteral("ALTER SYSTEM RESET ALL");
    }
}

QString ReloadConfSQL()
{
    return QStringLiteral("SELECT pg_reload_conf()");
}

} // namespace monitor
