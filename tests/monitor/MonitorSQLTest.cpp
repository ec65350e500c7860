// The statements of the monitoring windows as text: version branches, the
// values that reach them and the values that must not.
#include "monitor/MonitorSQL.h"

#include <QString>
#include <gtest/gtest.h>

using namespace monitor;

namespace {
void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
} // namespace

TEST(MonitorSQL, SessionAndLockColumnsFollowTheServerVersion)
{
    struct Case {
        int ver;
        const char *id, *query, *flag;
    } cases[] = {{90100, "procpid", "current_query", "  waiting, "},
                 {90200, "pid", "query", "  state, "},
                 {150000, "pid", "query", "  state, "}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.ver);
        const QString s = SessionListSQL(c.ver);
        EXPECT_TRUE(s.startsWith(QStringLiteral("SELECT  ") + QLatin1String(c.id) + QStringLiteral(",  usesysid, ")));
        EXPECT_TRUE(s.contains(QLatin1String(c.flag)));
        EXPECT_TRUE(s.contains(QStringLiteral(" ") + QLatin1String(c.query) + QStringLiteral(" FROM ")));
        EXPECT_TRUE(s.endsWith(QStringLiteral("  AND datname = :datname ORDER BY  ") + QLatin1String(c.id)));
        const QString l = LockListSQL(c.ver);
        EXPECT_TRUE(l.contains(QStringLiteral("  a.") + QLatin1String(c.query) + QStringLiteral(" FROM ")));
        EXPECT_TRUE(l.contains(QStringLiteral("ON l.pid = a.") + QLatin1String(c.id) + QStringLiteral(" ")));
    }
    // Durations from the clock: the reading transaction's start would give
    // wrong or negative times.
    EXPECT_TRUE(LockListSQL(150000).contains(QStringLiteral("(clock_timestamp() - xact_start)::interval(3)")));
    EXPECT_FALSE(LockListSQL(150000).contains(QStringLiteral("current_timestamp")));
}

TEST(MonitorSQL, TerminateTakesOnlyAnInteger)
{
    EXPECT_EQ(TerminateSQL(QStringLiteral("12345")), QStringLiteral("SELECT pg_terminate_backend(12345)"));
    EXPECT_EQ(TerminateSQL(QStringLiteral(" 77 ")), QStringLiteral("SELECT pg_terminate_backend(77)"));
    for (const char *bad : {"", "abc", "1);DROP TABLE t;--", "1 2", "0x10"})
        EXPECT_TRUE(TerminateSQL(QString::fromLatin1(bad)).isEmpty()) << bad;
}

TEST(MonitorSQL, TheLastSystemOidIsGoneFrom15)
{
    EXPECT_TRUE(DatabaseInfoSQL(140005).contains(QStringLiteral("db.datlastsysoid")));
    EXPECT_FALSE(DatabaseInfoSQL(150000).contains(QStringLiteral("db.datlastsysoid")));
    EXPECT_TRUE(DatabaseInfoSQL(150000).contains(QStringLiteral("NULL AS datlastsysoid")));
}

TEST(MonitorSQL, SettingsStatementsQuoteTheUsersValue)
{
    EXPECT_EQ(SetConfigSQL(QStringLiteral("work_mem"), QStringLiteral("8MB")),
              QStringLiteral("SELECT set_config( 'work_mem','8MB',False )"));
    EXPECT_EQ(SetConfigSQL(QStringLiteral("search_path"), QStringLiteral("a'b")),
              QStringLiteral("SELECT set_config( 'search_path','a''b',False )"));
    struct Case {
        int mode;
        const char *name, *value, *sql;
    } cases[] = {
        {0, "log_min_duration_statement", "250", "ALTER SYSTEM SET log_min_duration_statement = '250'"},
        {0, "application_name", "x', 'y", "ALTER SYSTEM SET application_name = 'x'', ''y'"},
        {0, "search_path", "x', 'y", "ALTER SYSTEM SET search_path = 'x''', '''y'"},
        {0, "plpgsql.variable_conflict", "error", "ALTER SYSTEM SET plpgsql.variable_conflict = 'error'"},
        {0, "odd name", "1", "ALTER SYSTEM SET \"odd name\" = '1'"},
        {1, "log_min_duration_statement", "", "ALTER SYSTEM SET log_min_duration_statement = DEFAULT"},
        {2, "", "", "ALTER SYSTEM RESET ALL"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(AlterSystemSQL(c.mode, QString::fromUtf8(c.name), QString::fromUtf8(c.value)),
                  QString::fromUtf8(c.sql));
}

TEST(MonitorSQL, ListSettingsGoAsListsOfLiterals)
{
    // The server quotes each literal of these lists when it writes them, so
    // the shown value must go element by element, each as it reads it.
    struct Case {
        const char *name, *value, *sql;
    } cases[] = {
        {"shared_preload_libraries", "plugin_debugger,pg_stat_statements",
         "ALTER SYSTEM SET shared_preload_libraries = 'plugin_debugger', 'pg_stat_statements'"},
        {"Shared_Preload_Libraries", " a , $libdir/My Lib ,\"x,\"\"y\"",
         "ALTER SYSTEM SET Shared_Preload_Libraries = 'a', '$libdir/My Lib', 'x,\"y'"},
        {"search_path", "\"$user\", public", "ALTER SYSTEM SET search_path = '$user', 'public'"},
        // Unquoted names are folded as the server folds them; quoted ones kept.
        {"search_path", "Sales, \"HR\",o'k", "ALTER SYSTEM SET search_path = 'sales', 'HR', 'o''k'"},
        {"temp_tablespaces", "ts1,TS2", "ALTER SYSTEM SET temp_tablespaces = 'ts1', 'ts2'"},
        {"unix_socket_directories", "/tmp/Sock, @abstract",
         "ALTER SYSTEM SET unix_socket_directories = '/tmp/Sock', '@abstract'"},
        {"session_preload_libraries", "auto_explain", "ALTER SYSTEM SET session_preload_libraries = 'auto_explain'"},

        // An empty identifier list is the server's own empty path.
        {"search_path", "  ", "ALTER SYSTEM SET search_path = '  '"},
        // An empty name in a list of libraries or folders cannot be written.
        {"shared_preload_libraries", "", ""},
        {"local_preload_libraries", "\"\"", ""},
        {"shared_preload_libraries", "a,,b", ""},
        {"unix_socket_directories", " ", ""},
        // Settings the server writes as sent stay one literal.
        {"DateStyle", "ISO, MDY", "ALTER SYSTEM SET DateStyle = 'ISO, MDY'"},
        {"listen_addresses", "localhost,127.0.0.1", "ALTER SYSTEM SET listen_addresses = 'localhost,127.0.0.1'"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(AlterSystemSQL(0, QString::fromUtf8(c.name), QString::fromUtf8(c.value)), QString::fromUtf8(c.sql));
    }
    EXPECT_EQ(AlterSystemSQL(1, QStringLiteral("search_path")), QStringLiteral("ALTER SYSTEM SET search_path = DEFAULT"));
}

TEST(MonitorSQL, SearchAndCategoryPatterns)
{
    EXPECT_EQ(SearchPattern(QString()), QStringLiteral("%%"));
    EXPECT_EQ(SearchPattern(QStringLiteral("WORK_MEM")), QStringLiteral("%WORK_MEM%"));
    EXPECT_EQ(CategoryPattern(QStringLiteral("(全て)")), QStringLiteral("%%"));
    EXPECT_EQ(CategoryPattern(QStringLiteral("Resource Usage")), QStringLiteral("%Resource Usage%"));
    EXPECT_EQ(CategoryHead(QStringLiteral("Resource Usage / Memory")), QStringLiteral("Resource Usage"));
    EXPECT_EQ(CategoryHead(QStringLiteral("Autovacuum")), QStringLiteral("Autovacuum"));
}
