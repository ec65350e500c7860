// A source-page compile that drops and creates a sequence, an aggregate, a
// type, a materialized view, a rule or a role again keeps what the user did
// not change: a second session sees the object as before (owner, comments,
// privileges with their grantors, role settings and memberships) but for the
// one change made in the text. Default privileges set for the compiling role
// add nothing to the new object.
#include "OtherWindowTestSupport.h"

#include "objects/other/OtherWindows.h"
#include "objects/other/frmAggregate.h"
#include "objects/other/frmMView.h"
#include "objects/other/frmRole.h"
#include "objects/other/frmRule.h"
#include "objects/other/frmSeq.h"
#include "objects/other/frmSource.h"
#include "objects/table/frmDefinition.h"
#include "support/CatalogSnapshot.h"

#include <QApplication>
#include <QTest>

#include <functional>

using namespace tvtest;

namespace {

// The roles that own and are granted the objects; never changed here.
const std::string RA = "tvx_keep_a", RB = "tvx_keep_b", RC = "tvx_keep_c";

// Everything about one object that a re-create could lose: oid is an SQL
// expression for the object, catalog its catalog, and the letters those of
// acldefault; relation an SQL expression for the relation holding its
// columns (empty: none).
std::vector<std::pair<std::string, std::string>> ObjectQueries(const std::string &oid, const std::string &catalog,
                                                               const std::string &acl, const std::string &owner,
                                                               const std::string &letter,
                                                               const std::string &relation)
{
    const std::string grantee = "CASE a.grantee WHEN 0 THEN 'PUBLIC' ELSE pg_get_userbyid(a.grantee) END";
    std::vector<std::pair<std::string, std::string>> q = {
        {"owner", "SELECT pg_get_userbyid(o." + owner + ") FROM " + catalog + " o WHERE o.oid = " + oid},
        {"comment", "SELECT obj_description(" + oid + ", '" + catalog + "')"},
        {"privileges", "SELECT pg_get_userbyid(a.grantor), " + grantee + ", a.privilege_type, a.is_grantable FROM " +
                           catalog + " o, aclexplode(coalesce(o." + acl + ", acldefault('" + letter + "', o." + owner +
                           "))) a WHERE o.oid = " + oid},
    };
    if (!relation.empty()) {
        q.push_back({"column comments", "SELECT a.attname, col_description(a.attrelid, a.attnum) FROM pg_attribute a "
                                        "WHERE a.attrelid = " + relation + " AND a.attnum > 0"});
        q.push_back({"column privileges", "SELECT t.attname, pg_get_userbyid(a.grantor), " + grantee +
                                              ", a.privilege_type, a.is_grantable FROM pg_attribute t, "
                                              "aclexplode(t.attacl) a WHERE t.attrelid = " + relation +
                                              " AND t.attnum > 0"});
        q.push_back({"indexes", "SELECT ic.relname, pg_get_indexdef(i.indexrelid), obj_description(ic.oid, 'pg_class') "
                                "FROM pg_index i JOIN pg_class ic ON ic.oid = i.indexrelid WHERE i.indrelid = " +
                                    relation});
    }
    return q;
}

class RecreateKeepOther : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("keepo");
        if (!db->available())
            return;
        for (const std::string &r : {RA, RB, RC})
            db->ensureRole(r);
        role = "tvx_keep_r_" + db->params().database.toStdString();
        db->exec("CREATE ROLE " + role + " NOLOGIN BYPASSRLS;");
        const std::string d = db->params().database.toStdString();
        db->exec(
            "CREATE SCHEMA s1; GRANT ALL ON SCHEMA s1 TO " + RA + ", " + RB + ";"
            // a sequence: owner, comment, a grant chain
            "CREATE SEQUENCE s1.q; ALTER SEQUENCE s1.q OWNER TO " + RA + "; COMMENT ON SEQUENCE s1.q IS 'seq note';"
            "GRANT SELECT ON SEQUENCE s1.q TO " + RB + " WITH GRANT OPTION;"
            "SET ROLE " + RB + "; GRANT SELECT ON SEQUENCE s1.q TO " + RC + "; RESET ROLE;"
            // an aggregate nobody but its owner and one role may run
            "CREATE AGGREGATE s1.ag(integer) (SFUNC = int4pl, STYPE = integer, INITCOND = '0');"
            "ALTER AGGREGATE s1.ag(integer) OWNER TO " + RA + "; COMMENT ON AGGREGATE s1.ag(integer) IS 'sum';"
            "REVOKE EXECUTE ON FUNCTION s1.ag(integer) FROM PUBLIC;"
            "GRANT EXECUTE ON FUNCTION s1.ag(integer) TO " + RB + ";"
            // a composite type with a commented attribute
            "CREATE TYPE s1.ty AS (x integer, y text); ALTER TYPE s1.ty OWNER TO " + RA + ";"
            "COMMENT ON TYPE s1.ty IS 'pair'; COMMENT ON COLUMN s1.ty.x IS 'first';"
            "REVOKE USAGE ON TYPE s1.ty FROM PUBLIC; GRANT USAGE ON TYPE s1.ty TO " + RB + " WITH GRANT OPTION;"
            "SET ROLE " + RB + "; GRANT USAGE ON TYPE s1.ty TO " + RC + "; RESET ROLE;"
            // a materialized view with a commented index and column grants
            "CREATE MATERIALIZED VIEW s1.mv AS SELECT 1 AS a, 2 AS b; ALTER MATERIALIZED VIEW s1.mv OWNER TO " + RA + ";"
            "CREATE INDEX mvi ON s1.mv (a); COMMENT ON INDEX s1.mvi IS 'by a';"
            "GRANT SELECT ON s1.mv TO " + RB + "; GRANT SELECT (a) ON s1.mv TO " + RC + ";"
            // a rule
            "CREATE TABLE s1.t (a int);"
            "CREATE RULE r AS ON UPDATE TO s1.t WHERE new.a > 0 DO INSTEAD NOTHING;"
            "COMMENT ON RULE r ON s1.t IS 'no updates';"
            // a role with settings, a comment and memberships both ways
            "ALTER ROLE " + role + " SET work_mem = '8MB';"
            "ALTER ROLE " + role + " IN DATABASE " + d + " SET search_path = '$user', 'public';"
            "COMMENT ON ROLE " + role + " IS 'keeper';"
            "GRANT " + role + " TO " + RB + " WITH ADMIN OPTION;"
            "GRANT " + role + " TO " + db->params().user.toStdString() + ";"
            "GRANT " + RA + " TO " + role + ";"
            // what the compiling role's new objects would get by default
            "ALTER DEFAULT PRIVILEGES GRANT ALL ON SEQUENCES TO " + RC + ";"
            "ALTER DEFAULT PRIVILEGES GRANT ALL ON TABLES TO " + RC + ";"
            "ALTER DEFAULT PRIVILEGES IN SCHEMA s1 GRANT EXECUTE ON FUNCTIONS TO " + RC + ";"
            "ALTER DEFAULT PRIVILEGES GRANT USAGE ON TYPES TO PUBLIC;");
        RegisterOtherWindows();
        TfrmObject::RegisterLaunchers();
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form();
    }
    void TearDown() override
    {
        if (s.main)
            for (QWidget *w : s.main->MdiChildren())
                if (auto *d = dynamic_cast<TfrmDefinition *>(w))
                    d->SetModified(false);
        FreeExecDialogs();
        s.main.reset();
        if (db && db->available() && !role.empty())
            db->exec("DROP ROLE IF EXISTS " + role);
    }

    std::unique_ptr<TestDb> db;
    std::string role;
    ShellSession s;
    TfrmObject *form = nullptr;
};

struct KeepCase {
    const char *what;
    int objType;
    const char *name;
    std::function<int(const TestDb &)> oid; // for windows opened by oid
    const char *table;
    // The text changed on the source page, and the section that shows it.
    QString from, to;
    std::vector<std::pair<std::string, std::string>> queries;
    std::string changed;
};

} // namespace

TEST_F(RecreateKeepOther, OnlyTheUsersChangeDiffers)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    auto withDef = [](std::vector<std::pair<std::string, std::string>> q, const std::string &def) {
        q.push_back({"definition", def});
        return q;
    };
    const std::string seq = "'s1.q'::regclass", agg = "'s1.ag(integer)'::regprocedure", typ = "'s1.ty'::regtype",
                      mv = "'s1.mv'::regclass";
    const std::string typRel = "(SELECT typrelid FROM pg_type WHERE oid = " + typ + ")";
    const std::string rule = "(SELECT oid FROM pg_rewrite WHERE rulename = 'r')";
    const std::vector<KeepCase> cases = {
        {"sequence", 58, "q", nullptr, nullptr, "INCREMENT 1", "INCREMENT 2",
         withDef(ObjectQueries(seq, "pg_class", "relacl", "relowner", "s", ""),
                 "SELECT seqincrement FROM pg_sequence WHERE seqrelid = " + seq),
         "definition"},
        {"aggregate", 128, "ag",
         [](const TestDb &d) { return std::stoi(d.scalar("SELECT 's1.ag(integer)'::regprocedure::oid")); }, nullptr,
         "'0'", "'5'",
         withDef(ObjectQueries(agg, "pg_proc", "proacl", "proowner", "f", ""),
                 "SELECT agginitval FROM pg_aggregate WHERE aggfnoid = " + agg),
         "definition"},
        {"composite type", 55, "ty", nullptr, nullptr, "text", "varchar(5)",
         withDef(ObjectQueries(typ, "pg_type", "typacl", "typowner", "T", typRel),
                 "SELECT format_type(atttypid, atttypmod) FROM pg_attribute WHERE attrelid = " + typRel +
                     " AND attname = 'y'"),
         "definition"},
        {"materialized view", 61, "mv", nullptr, nullptr, "2 AS b", "3 AS b",
         withDef(ObjectQueries(mv, "pg_class", "relacl", "relowner", "r", mv),
                 "SELECT pg_get_viewdef(" + mv + ")"),
         "definition"},
        {"rule", 127, "r", nullptr, "t", "new.a > 0", "new.a > 5",
         {{"comment", "SELECT obj_description(" + rule + ", 'pg_rewrite')"},
          {"definition", "SELECT pg_get_ruledef(" + rule + ")"}},
         "definition"},
    };
    for (const KeepCase &c : cases) {
        SCOPED_TRACE(c.what);
        const CatalogSnapshot before = CatalogSnapshot::Take(*db, c.queries);
        auto *w = dynamic_cast<TfrmDefinition *>(form->OpenObject(
            c.objType, QStringLiteral("s1"), QString::fromLatin1(c.name), omSource, false, 0, c.oid ? c.oid(*db) : -1,
            c.table ? QString::fromLatin1(c.table) : QString()));
        ASSERT_NE(w, nullptr);
        if (w->ShownPage() != w->tabSource) {
            ASSERT_TRUE(w->SelectPage(w->tabSource));
        }
        Retype(w->txtSource, c.from, c.to);
        w->SetModified(true);
        {
            PreviewAnswer preview;
            ExecDialogUser user(&s.dialogs);
            w->UpdateActions();
            w->actCompile->trigger();
            TfrmDDLExec::WaitProc();
        }
        const CatalogSnapshot after = CatalogSnapshot::Take(*db, c.queries);
        EXPECT_EQ(CatalogSnapshot::Diff(before, after, {c.changed}), "")
            << s.dialogs.texts().join(u'|').toStdString();
        EXPECT_NE(before.Section(c.changed), after.Section(c.changed)) << s.dialogs.texts().join(u'|').toStdString();
        for (QWidget *x : s.main->MdiChildren())
            if (auto *d = dynamic_cast<TfrmDefinition *>(x)) {
                d->SetModified(false);
                d->close();
            }
        s.dialogs.clear();
    }
}

// The role's source page re-creates the role: its BYPASSRLS, settings,
// comment and memberships both ways (a login role's included) come back.
TEST_F(RecreateKeepOther, RoleSourceKeepsSettingsCommentAndMemberships)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const CatalogSnapshot before = CatalogSnapshot::OfRole(*db, role);
    auto *w = dynamic_cast<TfrmDefinition *>(
        form->OpenObject(68, QString(), QString::fromStdString(role), omSource));
    ASSERT_NE(w, nullptr);
    if (w->ShownPage() != w->tabSource) {
        ASSERT_TRUE(w->SelectPage(w->tabSource));
    }
    Retype(w->txtSource, QStringLiteral("NOCREATEDB"), QStringLiteral("CREATEDB"));
    w->SetModified(true);
    {
        PreviewAnswer preview;
        ExecDialogUser user(&s.dialogs);
        w->UpdateActions();
        w->actCompile->trigger();
        TfrmDDLExec::WaitProc();
    }
    const CatalogSnapshot after = CatalogSnapshot::OfRole(*db, role);
    const std::string diff = CatalogSnapshot::Diff(before, after);
    EXPECT_NE(diff.find("- [role]"), std::string::npos) << diff;
    EXPECT_EQ(CatalogSnapshot::Diff(before, after, {"role"}), "") << s.dialogs.texts().join(u'|').toStdString();
    ASSERT_EQ(after.Section("role").size(), 1u);
    // Only CREATEDB changed (the fifth column); BYPASSRLS (the eighth) kept.
    std::string expected = before.Section("role").front();
    size_t at = 0;
    for (int i = 0; i < 4; ++i)
        at = expected.find(" | ", at) + 3;
    ASSERT_EQ(expected.compare(at, 1, "f"), 0) << expected;
    expected[at] = 't';
    EXPECT_EQ(after.Section("role").front(), expected);
}

// Logged on as the sequence's owner, no superuser, the session cannot give
// again a privilege that another role gave: the user is told before the
// drop; Cancel changes nothing, OK re-creates the sequence with the rest.
TEST_F(RecreateKeepOther, WhatCannotBeGivenBackIsNamedBeforeTheDrop)
{
    TV_REQUIRE_DB(*db);
    const std::string owner = "tvx_keep_o_" + db->params().database.toStdString();
    db->exec("CREATE ROLE " + owner + " LOGIN PASSWORD 'pw'; GRANT CREATE, USAGE ON SCHEMA s1 TO " + owner + ";"
             "GRANT CONNECT ON DATABASE " + db->params().database.toStdString() + " TO " + owner + ";"
             "ALTER SEQUENCE s1.q OWNER TO " + owner + ";");
    s.main.reset();
    DbParams p = db->params();
    p.user = QString::fromStdString(owner);
    p.password = QStringLiteral("pw");
    s.Start(LogonArgs(p));
    s.FirstPaint();
    form = s.Form();
    ASSERT_NE(form, nullptr);
    const std::string oid = db->scalar("SELECT 's1.q'::regclass::oid");
    const QString lost = QString::fromStdString(RB) + QStringLiteral(" が付与した権限: SELECT ON SEQUENCE");
    auto *w = dynamic_cast<TfrmDefinition *>(form->OpenObject(58, QStringLiteral("s1"), QStringLiteral("q"), omSource));
    ASSERT_NE(w, nullptr);
    if (w->ShownPage() != w->tabSource) {
        ASSERT_TRUE(w->SelectPage(w->tabSource));
    }
    Retype(w->txtSource, QStringLiteral("INCREMENT 1"), QStringLiteral("INCREMENT 3"));
    for (int answer : {tv::ui::IDCANCEL, tv::ui::IDOK}) {
        SCOPED_TRACE(answer == tv::ui::IDOK ? "OK" : "Cancel");
        w->SetModified(true);
        s.dialogs.clear();
        s.dialogs.queueButton(answer);
        {
            PreviewAnswer preview;
            ExecDialogUser user(&s.dialogs);
            w->UpdateActions();
            w->actCompile->trigger();
            TfrmDDLExec::WaitProc();
        }
        ASSERT_FALSE(s.dialogs.texts().isEmpty());
        EXPECT_TRUE(s.dialogs.texts().first().contains(lost)) << s.dialogs.texts().join(u'|').toStdString();
        if (answer == tv::ui::IDCANCEL) {
            EXPECT_EQ(db->scalar("SELECT 's1.q'::regclass::oid"), oid);
            EXPECT_EQ(db->scalar("SELECT seqincrement FROM pg_sequence WHERE seqrelid = 's1.q'::regclass"), "1");
        } else {
            EXPECT_EQ(db->scalar("SELECT seqincrement FROM pg_sequence WHERE seqrelid = 's1.q'::regclass"), "3");
            EXPECT_EQ(db->scalar("SELECT pg_get_userbyid(relowner) || ' ' || obj_description(oid, 'pg_class')"
                                 " FROM pg_class WHERE oid = 's1.q'::regclass"),
                      owner + " seq note");
            EXPECT_EQ(db->scalar("SELECT string_agg(pg_get_userbyid(grantee) || '/' || pg_get_userbyid(grantor), ',')"
                                 " FROM aclexplode((SELECT relacl FROM pg_class WHERE oid = 's1.q'::regclass))"
                                 " WHERE grantee <> (SELECT relowner FROM pg_class WHERE oid = 's1.q'::regclass)"),
                      RB + "/" + owner);
        }
    }
    w->SetModified(false);
    s.main.reset();
    db->exec("DROP OWNED BY " + owner + "; DROP ROLE " + owner);
}
