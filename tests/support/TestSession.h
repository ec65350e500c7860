#pragma once
// Sessions of a test's own on its database, opened through the program's
// data layer (not through a window).
#include "platform/db/Connection.h"
#include "support/TestDb.h"

#include <memory>

namespace tvtest {

// The test database's connection parameters, as the test user.
inline tv::db::ConnectionParams SessionParams(const TestDb &db)
{
    tv::db::ConnectionParams p;
    p.Server = db.params().host;
    p.Port = db.params().port.toInt();
    p.Database = db.params().database;
    p.User_Name = db.params().user;
    p.Password = db.params().password;
    return p;
}

// An open session with those parameters.
inline std::unique_ptr<tv::db::Connection> OpenSession(const tv::db::ConnectionParams &p)
{
    auto c = std::make_unique<tv::db::Connection>(p);
    c->Open();
    return c;
}

inline std::unique_ptr<tv::db::Connection> OpenSession(const TestDb &db)
{
    return OpenSession(SessionParams(db));
}

} // namespace tvtest
