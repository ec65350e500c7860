// The private test server itself: the extensions the debugger and the SQL
// capture rely on are preloaded and installed.
#include "support/TestDb.h"

#include <gtest/gtest.h>

TEST(TestServer, PreloadsDebuggerAndStatementStatistics)
{
    tvtest::TestDb db("srv");
    TV_REQUIRE_DB(db);
    EXPECT_EQ(db.scalar("SHOW shared_preload_libraries"), "plugin_debugger,pg_stat_statements");
    db.exec("CREATE EXTENSION IF NOT EXISTS pldbgapi");
    db.exec("CREATE EXTENSION IF NOT EXISTS pg_stat_statements");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM pldbg_get_proxy_info()"), "1");
    EXPECT_EQ(db.scalar("SELECT current_setting('server_version_num')::int / 10000"), "15");
}
