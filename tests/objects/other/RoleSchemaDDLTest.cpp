// The scripts of the role, user and schema windows and the grant dialog's
// states and statements, built from plain definitions.
#include "objects/other/GrantDialogModel.h"
#include "objects/other/RoleDefinition.h"
#include "objects/other/SchemaDefinition.h"

#include <QStringList>
#include <gtest/gtest.h>

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

TEST(RoleDDL, NewRoleWithNothingCheckedSaysNoToEveryAttribute)
{
    TRoleDefinition d;
    d.Name = QStringLiteral("r1");
    d.Roles = {{QStringLiteral("g"), false, false}};
    d.Schemas = {{QStringLiteral("s"), false, false}, {QStringLiteral("s"), false, false}};
    QStringList l;
    RoleDDL::Create(d, TRoleServer{150000, false}, l);
    EXPECT_EQ(l, (QStringList{"CREATE ROLE \"r1\"", "NOSUPERUSER", "NOCREATEDB", "NOCREATEROLE", "NOINHERIT",
                              "NOREPLICATION", ";"}));
    // Before 9.1 no replication; EnterpriseDB revokes the link rights.
    l.clear();
    RoleDDL::Create(d, TRoleServer{90000, true}, l);
    EXPECT_EQ(l, (QStringList{"CREATE ROLE \"r1\"", "NOSUPERUSER", "NOCREATEDB", "NOCREATEROLE", "NOINHERIT", ";",
                              "REVOKE CREATE DATABASE LINK FROM \"r1\"", ";",
                              "REVOKE CREATE PUBLIC DATABASE LINK FROM \"r1\"", ";",
                              "REVOKE DROP PUBLIC DATABASE LINK FROM \"r1\"", ";"}));

    // A user: the verifier, the expiry in ISO form, the limit; memberships
    // and schema privileges after the statement.
    TRoleDefinition u = d;
    u.IsUser = true;
    u.Name = QStringLiteral("u");
    u.Password = QStringLiteral("SCRAM-SHA-256$x");
    u.HasExpiry = true;
    u.ValidUntil = QDateTime(QDate(2030, 1, 2), QTime(3, 4, 5));
    u.ConnLimit = QStringLiteral("5");
    u.Roles[0] = {QStringLiteral("g"), true, true};
    u.Schemas[1] = {QStringLiteral("s"), true, false};
    l.clear();
    RoleDDL::Create(u, TRoleServer{150000, false}, l);
    EXPECT_EQ(l.mid(6), (QStringList{"PASSWORD 'SCRAM-SHA-256$x'", "VALID UNTIL '2030-01-02 03:04:05'",
                                     "CONNECTION LIMIT 5", ";", "GRANT \"g\" TO \"u\" WITH ADMIN OPTION", ";",
                                     "GRANT USAGE ON SCHEMA \"s\" TO \"u\"", ";"}));
}

TEST(RoleDDL, AlterWritesOnlyWhatChanged)
{
    TRoleDefinition old;
    old.IsUser = true;
    old.Name = QStringLiteral("u");
    old.ConnLimit = QStringLiteral("-1");
    old.Roles = {{QStringLiteral("g"), true, true}, {QStringLiteral("h"), false, false}};
    old.Schemas = {{QStringLiteral("s"), true, true}, {QStringLiteral("s"), false, false}};
    struct Case {
        const char *what;
        std::function<void(TRoleDefinition &)> edit;
        QStringList lines;
    };
    const QList<Case> cases = {
        {"nothing", [](TRoleDefinition &) {}, {}},
        {"admin option taken away", [](TRoleDefinition &d) { d.Roles[0].Option = false; },
         {"REVOKE \"g\" FROM \"u\"", ";", "GRANT \"g\" TO \"u\"", ";"}},
        {"membership dropped", [](TRoleDefinition &d) { d.Roles[0] = {QStringLiteral("g"), false, false}; },
         {"REVOKE \"g\" FROM \"u\"", ";"}},
        {"membership added with option", [](TRoleDefinition &d) { d.Roles[1] = {QStringLiteral("h"), true, true}; },
         {"GRANT \"h\" TO \"u\" WITH ADMIN OPTION", ";"}},
        {"grant option of CREATE taken away", [](TRoleDefinition &d) { d.Schemas[0].Option = false; },
         {"REVOKE CREATE ON SCHEMA \"s\" FROM \"u\"", ";", "GRANT CREATE ON SCHEMA \"s\" TO \"u\"", ";"}},
        {"attributes, password, limit cleared", [](TRoleDefinition &d) {
             d.CreateDB = true;
             d.Inherit = true;
             d.Password = QStringLiteral("SCRAM-SHA-256$v");
             d.ConnLimit.clear();
         },
         {"ALTER USER \"u\"", "CREATEDB", "INHERIT", "PASSWORD 'SCRAM-SHA-256$v'", "CONNECTION LIMIT -1", ";"}},
        {"expiry set", [](TRoleDefinition &d) {
             d.HasExpiry = true;
             d.ValidUntil = QDateTime(QDate(2031, 12, 1), QTime(0, 0, 0));
         },
         {"ALTER USER \"u\"", "VALID UNTIL '2031-12-01 00:00:00'", ";"}},
    };
    for (const Case &c : cases) {
        TRoleDefinition now = old;
        c.edit(now);
        QStringList l;
        RoleDDL::Alter(old, now, TRoleServer{150000, false}, l);
        EXPECT_EQ(l, c.lines) << c.what;
    }
    TRoleDefinition expiring = old;
    expiring.HasExpiry = true;
    QStringList l;
    RoleDDL::Alter(expiring, old, TRoleServer{150000, false}, l);
    EXPECT_EQ(l, (QStringList{"ALTER USER \"u\"", "VALID UNTIL 'infinity'", ";"}));
}

TEST(RoleDDL, ExpiryTexts)
{
    QDateTime when;
    EXPECT_FALSE(ParseExpiry(QString(), QString(), when));
    EXPECT_FALSE(ParseExpiry(QStringLiteral("9999/12/31"), QStringLiteral("23:59:59"), when));
    ASSERT_TRUE(ParseExpiry(QStringLiteral("9999/12/31"), QStringLiteral("23:59:58"), when));
    ASSERT_TRUE(ParseExpiry(QStringLiteral("2029/02/03"), QStringLiteral("04:05:06"), when));
    EXPECT_EQ(ExpiryText(when), QStringLiteral("2029-02-03 04:05:06"));
}

// The role's own ACL items only: an ACL naming app_admin adds nothing to
// app's lists; a NULL ACL lists the owner's implicit privileges.
TEST(RoleLists, OnlyTheRolesOwnItems)
{
    QList<TObjectPrivilege> l;
    const QString t = RoleObjectText(QStringLiteral("TABLE"), QStringLiteral("s1"), QStringLiteral("t2"), QString());
    RoleObjectPrivileges(QStringLiteral("app"), QStringLiteral("TABLE"), t, QStringLiteral("own"), false,
                         QStringLiteral("own=arwdDxt/own\r\napp_admin=r*w/own"), l);
    EXPECT_TRUE(l.isEmpty());
    RoleObjectPrivileges(QStringLiteral("app_admin"), QStringLiteral("TABLE"), t, QStringLiteral("own"), false,
                         QStringLiteral("own=arwdDxt/own\r\napp_admin=r*w/own"), l);
    EXPECT_EQ(l, (QList<TObjectPrivilege>{{"SELECT ON TABLE \"s1\".\"t2\"", true},
                                          {"UPDATE ON TABLE \"s1\".\"t2\"", false}}));
    l.clear();
    RoleObjectPrivileges(QStringLiteral("app"), QStringLiteral("SEQUENCE"),
                         RoleObjectText(QStringLiteral("SEQUENCE"), QStringLiteral("s1"), QStringLiteral("q"), QString()),
                         QStringLiteral("app"), true, QString(), l);
    EXPECT_EQ(l.size(), 3);
    EXPECT_EQ(RoleObjectText(QStringLiteral("FUNCTION"), QStringLiteral("s1"), QStringLiteral("f"),
                             QStringLiteral("integer")),
              QStringLiteral("FUNCTION \"s1\".\"f\"(integer)"));

    QList<TRoleListItem> items = {{"s", false, false}, {"s", false, false}, {"t", false, false}, {"t", false, false}};
    ApplySchemaAclToRole(items, QStringLiteral("app"), QStringLiteral("t"), QStringLiteral("own"), false,
                         QStringLiteral("app_admin=UC/own\r\napp=U*C/own"));
    EXPECT_EQ(items[2], (TRoleListItem{"t", true, false}));
    EXPECT_EQ(items[3], (TRoleListItem{"t", true, true}));
    ApplySchemaAclToRole(items, QStringLiteral("app"), QStringLiteral("s"), QStringLiteral("app"), true, QString());
    EXPECT_EQ(items[0], (TRoleListItem{"s", true, false}));
}

TEST(SchemaDDL, ScriptsAndAcl)
{
    TSchemaDefinition old;
    old.Name = QStringLiteral("s2");
    old.Owner = QStringLiteral("tester");
    old.Roles = SchemaPrivilegeItems({QStringLiteral("g")});
    old.Users = SchemaPrivilegeItems({QStringLiteral("bob"), QStringLiteral("tester")});
    QStringList l;
    SchemaDDL::Create(old, l);
    EXPECT_EQ(l, (QStringList{"CREATE SCHEMA \"s2\"", "AUTHORIZATION \"tester\"", ";"}));

    TSchemaDefinition now = old;
    now.Owner = QStringLiteral("bob");
    l.clear();
    SchemaDDL::Alter(old, now, l);
    EXPECT_EQ(l, (QStringList{"ALTER SCHEMA \"s2\"", "OWNER TO \"bob\"", ";"}));

    // PUBLIC with USAGE; a role with U*C; the owner's own entry.
    TSchemaDefinition loaded = old;
    ApplySchemaAcl(loaded, false, QStringLiteral("tester=UC/tester\r\n=U/tester\r\ng=U*C/tester\r\nlate=U/tester"));
    EXPECT_FALSE(loaded.PublicCreate);
    EXPECT_TRUE(loaded.PublicUsage);
    EXPECT_EQ(loaded.Roles, (QList<TRoleListItem>{{"g", true, false}, {"g", true, true}}));
    EXPECT_EQ(loaded.Users[2], (TRoleListItem{"tester", true, false}));
    EXPECT_EQ(loaded.Users[0], (TRoleListItem{"bob", false, false}));
    // No ACL: the owner's items, in the user list when it can log in.
    TSchemaDefinition bare = old;
    ApplySchemaAcl(bare, true, QString());
    EXPECT_EQ(bare.Users[2], (TRoleListItem{"tester", true, false}));
    EXPECT_EQ(bare.Users[3], (TRoleListItem{"tester", true, false}));

    TSchemaDefinition edited = loaded;
    edited.Roles[1].Option = false;
    edited.PublicCreate = true;
    l.clear();
    SchemaDDL::Alter(loaded, edited, l);
    EXPECT_EQ(l, (QStringList{"GRANT CREATE ON SCHEMA \"s2\" TO \"public\"", ";",
                              "REVOKE USAGE ON SCHEMA \"s2\" FROM \"g\"", ";", "GRANT USAGE ON SCHEMA \"s2\" TO \"g\"",
                              ";"}));
}

namespace {

TGrantObject Table(const QString &name, const QStringList &acl, bool aclNull = false)
{
    TGrantObject o;
    o.Type = 45;
    o.Schema = QStringLiteral("s1");
    o.Name = name;
    o.Found = true;
    o.Owner = QStringLiteral("own");
    o.AclNull = aclNull;
    o.AclItems = acl;
    return o;
}

} // namespace

TEST(GrantDialogModel, StatesOverTheSelection)
{
    using namespace GrantDialog;
    const QList<TGrantObject> objs = {Table(QStringLiteral("t1"), {"own=arwdDxt/own", "r1=r/own"}),
                                      Table(QStringLiteral("t2"), {}, true)};
    TCounts c = Count(objs, QStringLiteral("r1"), 150000);
    EXPECT_EQ(State(c.Granted[4], int(objs.size())), 1);   // SELECT grayed
    EXPECT_EQ(State(c.Granted[0], int(objs.size())), 0);
    c = Count(objs, QStringLiteral("own"), 150000);
    for (int i : {0, 2, 3, 4, 5, 6, 7})
        EXPECT_EQ(State(c.Granted[i], int(objs.size())), 2) << i;
    EXPECT_EQ(c.Granted[1], 0);

    // An index beside the table keeps every box below checked.
    QList<TGrantObject> withIndex = objs.mid(1);
    TGrantObject index;
    index.Type = 46;
    withIndex << index;
    c = Count(withIndex, QStringLiteral("own"), 150000);
    EXPECT_EQ(State(c.Granted[4], int(withIndex.size())), 1);

    QList<TGrantedRow> rows;
    GrantedRows(objs[1], rows);
    ASSERT_EQ(rows.size(), 7);
    EXPECT_EQ(rows.first().Privilege, QStringLiteral("DELETE"));
    EXPECT_FALSE(rows.first().GrantOption);

    TGrantObject f;
    f.Type = 52;
    f.Schema = QStringLiteral("s1");
    f.Name = QStringLiteral("f");
    f.Found = true;
    f.AclNull = true;
    f.Owner = QStringLiteral("own");
    f.FunArgDel = QStringLiteral("integer");
    rows.clear();
    GrantedRows(f, rows);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].Grantee, QStringLiteral("public"));
    EXPECT_EQ(rows[1].Privilege, QStringLiteral("EXECUTE"));
    EXPECT_EQ(ObjectClause(51, QStringLiteral("\"s\".\"p\""), QStringLiteral("int4")),
              QStringLiteral("PROCEDURE \"s\".\"p\"(int4)"));
}

TEST(GrantDialogModel, ChangedBoxesMakeRevokeAndGrantUnits)
{
    using namespace GrantDialog;
    TBoxes saved[PrivilegeCount], now[PrivilegeCount];
    for (int i = 0; i < PrivilegeCount; ++i)
        saved[i].Enabled = now[i].Enabled = i != 1 && i != 8;
    saved[4].Left = 1;   // grayed SELECT
    now[4] = {2, 2, true};
    now[0] = {0, 0, true};   // untouched
    now[1] = {2, 0, false};  // EXECUTE: disabled, nothing
    const TGrantObject t1 = Table(QStringLiteral("t1"), {});
    EXPECT_EQ(Statements(t1, QStringLiteral("r1"), now, saved, 150000),
              (QList<QStringList>{{"REVOKE SELECT ON TABLE \"s1\".\"t1\" FROM \"r1\"",
                                   "GRANT SELECT ON TABLE \"s1\".\"t1\" TO \"r1\" WITH GRANT OPTION"}}));
    saved[4] = {2, 0, true};
    now[4] = {0, 0, true};
    EXPECT_EQ(Statements(t1, QStringLiteral("public"), now, saved, 150000),
              (QList<QStringList>{{"REVOKE SELECT ON TABLE \"s1\".\"t1\" FROM \"public\""}}));
    // A sequence takes no DELETE.
    TGrantObject seq = t1;
    seq.Type = 58;
    now[0] = {2, 0, true};
    EXPECT_EQ(Statements(seq, QStringLiteral("r1"), now, saved, 150000).size(), 1);
}

// EnterpriseDB branches as SQL text: package rows and package members left
// out, the package schema filter by server version, the link rights.
TEST(RoleSQL, EnterpriseDBBranches)
{
    const QString objs = RoleSQL::ObjectAcls(150000, true);
    EXPECT_TRUE(objs.contains(QStringLiteral("'PACKAGE' AS cls")));
    EXPECT_TRUE(objs.contains(QStringLiteral(" AND pr.protype = '0'")));
    EXPECT_TRUE(objs.contains(QStringLiteral("WHERE pr.protype = '1'")));
    EXPECT_TRUE(objs.contains(QStringLiteral("pr.pronamespace NOT IN (SELECT oid FROM ")));
    EXPECT_FALSE(RoleSQL::ObjectAcls(150000, false).contains(QStringLiteral("PACKAGE")));
    EXPECT_TRUE(RoleSQL::ObjectAcls(100000, false).contains(QStringLiteral(" 'FUNCTION' AS cls")));
    EXPECT_TRUE(RoleSQL::Schemas(90100, true).contains(QStringLiteral(" AND ( NOT(nspparent != 0) )")));
    EXPECT_TRUE(RoleSQL::Schemas(150000, true).contains(QStringLiteral("(nspobjecttype = 0)")));
    EXPECT_TRUE(RoleSQL::Schemas(150000, false).contains(QStringLiteral("LIKE 'pg\\_%'")));
    EXPECT_TRUE(RoleSQL::Attributes(150000, true, true).contains(QStringLiteral("rolcreatedblink")));
    EXPECT_TRUE(RoleSQL::Attributes(90400, false, false).contains(QStringLiteral(", rolcatupdate")));
    EXPECT_TRUE(SchemaSQL::Schema(150000, true).endsWith(QStringLiteral(" AND ( NOT((nspparent != 0) AND (nspobjecttype = 0)) )")));
}
