#include "CatalogSnapshot.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <algorithm>
#include <memory>
#include <set>

namespace tvtest {
namespace {

struct ConnCloser {
    void operator()(PGconn *c) const { PQfinish(c); }
};
using Conn = std::unique_ptr<PGconn, ConnCloser>;

Conn open(const DbParams &p)
{
    const QByteArray host = p.host.toUtf8(), port = p.port.toUtf8(), user = p.user.toUtf8(),
                     pw = p.password.toUtf8(), db = p.database.toUtf8();
    const char *keys[] = {"host", "port", "user", "password", "dbname", "connect_timeout", "application_name", nullptr};
    const char *vals[] = {host.constData(), port.constData(), user.constData(), pw.constData(),
                          db.constData(), "10", kProbeApplicationName, nullptr};
    Conn c(PQconnectdbParams(keys, vals, 0));
    if (PQstatus(c.get()) != CONNECTION_OK) {
        ADD_FAILURE() << "catalog snapshot: " << PQerrorMessage(c.get());
        return nullptr;
    }
    return c;
}

std::string literal(PGconn *c, const std::string &s)
{
    char *q = PQescapeLiteral(c, s.c_str(), s.size());
    std::string out = q ? q : "''";
    PQfreemem(q);
    return out;
}

// Rows of a query as lines, or nothing (and a test failure) on error.
std::vector<std::string> rows(PGconn *c, const std::string &sql)
{
    std::vector<std::string> out;
    PGresult *r = PQexec(c, sql.c_str());
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
        ADD_FAILURE() << "catalog snapshot query failed: " << sql << "\n" << PQerrorMessage(c);
        PQclear(r);
        return out;
    }
    for (int i = 0; i < PQntuples(r); ++i) {
        std::string line;
        for (int j = 0; j < PQnfields(r); ++j) {
            if (j)
                line += " | ";
            line += PQgetisnull(r, i, j) ? std::string("<null>") : std::string(PQgetvalue(r, i, j));
        }
        out.push_back(line);
    }
    PQclear(r);
    std::sort(out.begin(), out.end());
    return out;
}

// The sections of one relation; rel is an SQL expression giving its oid.
std::vector<std::pair<std::string, std::string>> tableQueries(const std::string &rel)
{
    const std::string qualified = "(SELECT n.nspname || '.' || x.relname FROM pg_class x "
                                  "JOIN pg_namespace n ON n.oid = x.relnamespace WHERE x.oid = ";
    const std::string grantee = "CASE a.grantee WHEN 0 THEN 'PUBLIC' ELSE pg_get_userbyid(a.grantee) END";
    return {
        {"class",
         "SELECT c.relkind, c.relpersistence, coalesce(ts.spcname, '<default>'), "
         "c.reloptions::text, c.relreplident, c.relrowsecurity, c.relforcerowsecurity, "
         "pg_get_userbyid(c.relowner), c.relispartition, pg_get_expr(c.relpartbound, c.oid), "
         "am.amname, obj_description(c.oid, 'pg_class') "
         "FROM pg_class c LEFT JOIN pg_tablespace ts ON ts.oid = c.reltablespace "
         "LEFT JOIN pg_am am ON am.oid = c.relam WHERE c.oid = " + rel},
        {"privileges",
         "SELECT pg_get_userbyid(a.grantor), " + grantee + ", a.privilege_type, a.is_grantable "
         "FROM pg_class c, aclexplode(coalesce(c.relacl, acldefault('r', c.relowner))) a "
         "WHERE c.oid = " + rel},
        {"columns",
         "SELECT a.attname, format_type(a.atttypid, a.atttypmod), a.attnotnull, "
         "pg_get_expr(d.adbin, d.adrelid), a.attidentity, a.attgenerated, a.attstattarget, "
         "a.attstorage, a.attislocal, a.attinhcount, coalesce(co.collname, ''), "
         "a.attoptions::text, a.attcompression, col_description(a.attrelid, a.attnum) "
         "FROM pg_attribute a LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
         "LEFT JOIN pg_collation co ON co.oid = a.attcollation "
         "WHERE a.attrelid = " + rel + " AND a.attnum > 0 AND NOT a.attisdropped"},
        {"column order",
         "SELECT string_agg(a.attname, ', ' ORDER BY a.attnum) FROM pg_attribute a "
         "WHERE a.attrelid = " + rel + " AND a.attnum > 0 AND NOT a.attisdropped"},
        {"column privileges",
         "SELECT t.attname, pg_get_userbyid(a.grantor), " + grantee + ", a.privilege_type, a.is_grantable "
         "FROM pg_attribute t, aclexplode(t.attacl) a "
         "WHERE t.attrelid = " + rel + " AND t.attnum > 0 AND NOT t.attisdropped"},
        {"constraints",
         "SELECT k.conname, k.contype, pg_get_constraintdef(k.oid), k.condeferrable, k.condeferred, "
         "k.convalidated, k.conislocal, k.coninhcount, k.connoinherit, "
         "obj_description(k.oid, 'pg_constraint') FROM pg_constraint k WHERE k.conrelid = " + rel},
        {"referencing foreign keys",
         "SELECT " + qualified + "k.conrelid), k.conname, pg_get_constraintdef(k.oid), k.condeferrable, "
         "k.condeferred, k.convalidated FROM pg_constraint k "
         "WHERE k.contype = 'f' AND k.confrelid = " + rel + " AND k.conrelid <> " + rel},
        {"indexes",
         "SELECT ic.relname, pg_get_indexdef(i.indexrelid), coalesce(ts.spcname, '<default>'), "
         "ic.reloptions::text, i.indisclustered, i.indisreplident, i.indisunique, i.indisprimary, "
         "i.indisvalid, " + qualified + "(SELECT h.inhparent FROM pg_inherits h WHERE h.inhrelid = i.indexrelid)), "
         "obj_description(ic.oid, 'pg_class') FROM pg_index i JOIN pg_class ic ON ic.oid = i.indexrelid "
         "LEFT JOIN pg_tablespace ts ON ts.oid = ic.reltablespace WHERE i.indrelid = " + rel},
        {"parents",
         "SELECT " + qualified + "h.inhparent), h.inhseqno FROM pg_inherits h WHERE h.inhrelid = " + rel},
        {"children",
         "SELECT " + qualified + "h.inhrelid), c.relispartition, pg_get_expr(c.relpartbound, c.oid) "
         "FROM pg_inherits h JOIN pg_class c ON c.oid = h.inhrelid WHERE h.inhparent = " + rel},
        {"partition key", "SELECT pg_get_partkeydef(" + rel + ") WHERE pg_get_partkeydef(" + rel + ") IS NOT NULL"},
        {"triggers",
         "SELECT t.tgname, pg_get_triggerdef(t.oid), t.tgenabled, obj_description(t.oid, 'pg_trigger') "
         "FROM pg_trigger t WHERE t.tgrelid = " + rel + " AND NOT t.tgisinternal"},
        {"policies",
         "SELECT p.polname, p.polcmd, p.polpermissive, "
         "array(SELECT CASE r WHEN 0 THEN 'PUBLIC' ELSE pg_get_userbyid(r) END FROM unnest(p.polroles) r ORDER BY 1)::text, "
         "pg_get_expr(p.polqual, p.polrelid), pg_get_expr(p.polwithcheck, p.polrelid), "
         "obj_description(p.oid, 'pg_policy') FROM pg_policy p WHERE p.polrelid = " + rel},
        {"rules",
         "SELECT r.rulename, pg_get_ruledef(r.oid), r.ev_enabled, obj_description(r.oid, 'pg_rewrite') "
         "FROM pg_rewrite r WHERE r.ev_class = " + rel + " AND r.rulename <> '_RETURN'"},
        {"statistics objects",
         "SELECT s.stxname, pg_get_statisticsobjdef(s.oid), s.stxstattarget "
         "FROM pg_statistic_ext s WHERE s.stxrelid = " + rel},
    };
}

void takeInto(CatalogSnapshot::Sections &out, PGconn *c, const std::string &prefix,
              const std::vector<std::pair<std::string, std::string>> &queries)
{
    for (const auto &[name, sql] : queries)
        out[prefix + name] = rows(c, sql);
}

// The table and, under prefixed sections, each of its children, recursively.
void takeTable(CatalogSnapshot::Sections &out, PGconn *c, const std::string &prefix,
               const std::string &rel, int depth)
{
    takeInto(out, c, prefix, tableQueries(rel));
    if (depth > 8)
        return;
    const auto children = rows(c, "SELECT n.nspname || '.' || x.relname, x.oid FROM pg_inherits h "
                                  "JOIN pg_class x ON x.oid = h.inhrelid JOIN pg_namespace n ON n.oid = x.relnamespace "
                                  "WHERE h.inhparent = " + rel);
    for (const auto &line : children) {
        const auto bar = line.find(" | ");
        const std::string name = line.substr(0, bar), oid = line.substr(bar + 3);
        takeTable(out, c, prefix + "child " + name + ": ", oid + "::oid", depth + 1);
    }
}

} // namespace

CatalogSnapshot CatalogSnapshot::Take(const TestDb &db,
                                      const std::vector<std::pair<std::string, std::string>> &queries)
{
    CatalogSnapshot s;
    Conn c = open(db.params());
    if (c)
        takeInto(s.m_sections, c.get(), "", queries);
    return s;
}

CatalogSnapshot CatalogSnapshot::OfTable(const TestDb &db, const std::string &schema,
                                         const std::string &table)
{
    CatalogSnapshot s;
    Conn c = open(db.params());
    if (!c)
        return s;
    const std::string rel = "(SELECT x.oid FROM pg_class x JOIN pg_namespace n ON n.oid = x.relnamespace "
                            "WHERE n.nspname = " + literal(c.get(), schema) +
                            " AND x.relname = " + literal(c.get(), table) + ")";
    if (rows(c.get(), "SELECT 1 WHERE " + rel + " IS NOT NULL").empty())
        ADD_FAILURE() << "catalog snapshot: no table " << schema << "." << table;
    takeTable(s.m_sections, c.get(), "", rel, 0);
    return s;
}

CatalogSnapshot CatalogSnapshot::OfRole(const TestDb &db, const std::string &role)
{
    CatalogSnapshot s;
    Conn c = open(db.params());
    if (!c)
        return s;
    const std::string r = "(SELECT oid FROM pg_roles WHERE rolname = " + literal(c.get(), role) + ")";
    takeInto(s.m_sections, c.get(), "",
             {{"role",
               "SELECT rolname, rolsuper, rolinherit, rolcreaterole, rolcreatedb, rolcanlogin, "
               "rolreplication, rolbypassrls, rolconnlimit, rolvaliduntil, "
               "shobj_description(oid, 'pg_authid') FROM pg_roles WHERE oid = " + r},
              {"settings",
               "SELECT coalesce(d.datname, '<every database>'), unnest(s.setconfig) FROM pg_db_role_setting s "
               "LEFT JOIN pg_database d ON d.oid = s.setdatabase WHERE s.setrole = " + r},
              {"member of",
               "SELECT pg_get_userbyid(m.roleid), pg_get_userbyid(m.grantor), m.admin_option "
               "FROM pg_auth_members m WHERE m.member = " + r},
              {"members",
               "SELECT pg_get_userbyid(m.member), pg_get_userbyid(m.grantor), m.admin_option "
               "FROM pg_auth_members m WHERE m.roleid = " + r}});
    return s;
}

void CatalogSnapshot::Merge(const CatalogSnapshot &other)
{
    for (const auto &[name, lines] : other.m_sections)
        m_sections[name] = lines;
}

const std::vector<std::string> &CatalogSnapshot::Section(const std::string &name) const
{
    static const std::vector<std::string> none;
    const auto it = m_sections.find(name);
    return it == m_sections.end() ? none : it->second;
}

std::string CatalogSnapshot::Diff(const CatalogSnapshot &before, const CatalogSnapshot &after,
                                  const std::vector<std::string> &ignore)
{
    std::set<std::string> names;
    for (const auto &s : before.m_sections)
        names.insert(s.first);
    for (const auto &s : after.m_sections)
        names.insert(s.first);
    std::string out;
    for (const auto &name : names) {
        if (std::find(ignore.begin(), ignore.end(), name) != ignore.end())
            continue;
        const auto &a = before.Section(name), &b = after.Section(name);
        std::vector<std::string> gone, added;
        std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(gone));
        std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(added));
        for (const auto &l : gone)
            out += "- [" + name + "] " + l + "\n";
        for (const auto &l : added)
            out += "+ [" + name + "] " + l + "\n";
    }
    return out;
}

} // namespace tvtest
