#pragma once
// Connection parameters of a test database, for tests that open their own
// connection through the data-access layer.
#include "platform/db/Connection.h"
#include "support/TestDb.h"

namespace dbtest {

inline tv::db::ConnectionParams paramsOf(const tvtest::TestDb &db)
{
    const tvtest::DbParams &p = db.params();
    tv::db::ConnectionParams c;
    c.Server = p.host;
    c.Port = p.port.toInt();
    c.User_Name = p.user;
    c.Password = p.password;
    c.Database = p.database;
    c.ApplicationName = QStringLiteral("talvex-test");
    c.LoginTimeout = 10;
    return c;
}

} // namespace dbtest
