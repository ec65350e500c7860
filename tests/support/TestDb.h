#pragma once
// A private database on the test server for one test (or one fixture).
//
// The test scripts start the server and export PGHOST, PGPORT, PGUSER,
// PGPASSWORD and PGDATABASE. TestDb creates a database with a unique name,
// hands out its connection parameters, and drops it when destroyed.
// Without PGHOST a database test is skipped (TALVEX_REQUIRE_DB=1 makes it fail).
#include <QString>
#include <string>

namespace tvtest {

// The application name of the test's own probe connections (scalar, exec).
inline constexpr const char *kProbeApplicationName = "tvtest-probe";

struct DbParams {
    QString host, port, user, password, database;
};

class TestDb {
public:
    // prefix: a short tag that helps spot leftovers ("db", "grid" ...).
    explicit TestDb(const std::string &prefix = "t");
    ~TestDb();
    TestDb(const TestDb &) = delete;
    TestDb &operator=(const TestDb &) = delete;

    bool available() const { return m_ok; }
    const DbParams &params() const { return m_params; }
    // Runs SQL (one or more statements) in the test database as the test
    // user through a short-lived connection; fails the current test on error.
    void exec(const std::string &sql) const;
    // First column of the first row of a query, as text ("" for none or NULL).
    std::string scalar(const std::string &sql) const;
    // Roles belong to the whole cluster and tests run in parallel: creates
    // the role unless it exists, even when another test creates it meanwhile.
    void ensureRole(const std::string &name) const;

    // Parameters of the server without a private database (PGDATABASE).
    static bool serverConfigured();
    static DbParams serverParams();

private:
    bool m_ok = false;
    DbParams m_params;
};

} // namespace tvtest

// Skips (or fails, with TALVEX_REQUIRE_DB=1) a test when there is no server.
#define TV_REQUIRE_DB(db)                                                                 \
    do {                                                                                  \
        if (!(db).available()) {                                                          \
            if (std::getenv("TALVEX_REQUIRE_DB")) FAIL() << "test database unavailable";  \
            GTEST_SKIP() << "no test server (PGHOST unset)";                              \
        }                                                                                 \
    } while (0)
