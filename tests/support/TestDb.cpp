#include "TestDb.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <unistd.h>

namespace tvtest {
namespace {

QString env(const char *name, const char *def = "")
{
    const char *v = std::getenv(name);
    return QString::fromUtf8(v ? v : def);
}

PGconn *open(const DbParams &p)
{
    const QByteArray host = p.host.toUtf8(), port = p.port.toUtf8(), user = p.user.toUtf8(),
                     pw = p.password.toUtf8(), db = p.database.toUtf8();
    // The probes name themselves, so that counts of the program's sessions
    // can leave out a probe's backend that is still exiting.
    const char *keys[] = {"host", "port", "user", "password", "dbname", "connect_timeout", "application_name", nullptr};
    const char *vals[] = {host.constData(), port.constData(), user.constData(), pw.constData(),
                          db.constData(), "10", tvtest::kProbeApplicationName, nullptr};
    PGconn *c = PQconnectdbParams(keys, vals, 0);
    if (PQstatus(c) != CONNECTION_OK) {
        ADD_FAILURE() << "test server: " << PQerrorMessage(c);
        PQfinish(c);
        return nullptr;
    }
    return c;
}

bool run(const DbParams &p, const std::string &sql, std::string *first = nullptr)
{
    PGconn *c = open(p);
    if (!c)
        return false;
    PGresult *r = PQexec(c, sql.c_str());
    const auto st = PQresultStatus(r);
    const bool ok = st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK;
    if (!ok)
        ADD_FAILURE() << "SQL failed: " << sql << "\n" << PQerrorMessage(c);
    else if (first && st == PGRES_TUPLES_OK && PQntuples(r) > 0 && PQnfields(r) > 0)
        *first = PQgetvalue(r, 0, 0);
    PQclear(r);
    PQfinish(c);
    return ok;
}

std::atomic<int> g_counter{0};

} // namespace

bool TestDb::serverConfigured() { return std::getenv("PGHOST") != nullptr; }

DbParams TestDb::serverParams()
{
    return DbParams{env("PGHOST"), env("PGPORT", "5432"), env("PGUSER"), env("PGPASSWORD"),
                    env("PGDATABASE", "postgres")};
}

TestDb::TestDb(const std::string &prefix)
{
    if (!serverConfigured())
        return;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string name = "tv_" + prefix + "_" + std::to_string(getpid()) + "_" +
                             std::to_string(g_counter++) + "_" + std::to_string(now % 1000000);
    DbParams admin = serverParams();
    if (!run(admin, "CREATE DATABASE \"" + name + "\""))
        return;
    m_params = admin;
    m_params.database = QString::fromStdString(name);
    m_ok = true;
}

TestDb::~TestDb()
{
    if (!m_ok)
        return;
    DbParams admin = serverParams();
    run(admin, "DROP DATABASE IF EXISTS \"" + m_params.database.toStdString() + "\" WITH (FORCE)");
}

void TestDb::exec(const std::string &sql) const
{
    ASSERT_TRUE(m_ok);
    run(m_params, sql);
}

void TestDb::ensureRole(const std::string &name) const
{
    exec("DO $$ BEGIN CREATE ROLE " + name +
         "; EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$");
}

std::string TestDb::scalar(const std::string &sql) const
{
    std::string out;
    if (m_ok)
        run(m_params, sql, &out);
    return out;
}

} // namespace tvtest
