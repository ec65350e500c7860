#include "common/RecreateKeeper.h"

#include "common/Quote.h"
#include "platform/db/Field.h"
#include "platform/db/Param.h"
#include "platform/db/Query.h"

#include <QSet>

#include <vector>

namespace {

void Statement(QStringList &List, const QString &Text)
{
    List << Text << QStringLiteral(";");
}

// Closes the query whatever happens to the reader.
struct Closer {
    tv::db::Query &q;
    ~Closer() { q.Close(); }
};

struct Row {
    QStringList v;
    QList<bool> null;
};

// Runs Sql with the named text parameters and returns its rows as text.
std::vector<Row> Rows(tv::db::Query &Q, const QString &Sql, const QList<QPair<QString, QString>> &Params)
{
    Q.Close();
    Q.SetSQL(Sql);
    for (const auto &p : Params)
        if (tv::db::Param *param = Q.Params().FindParam(p.first))
            param->setAsString(p.second);
    Q.Open();
    Closer closer{Q};
    std::vector<Row> rows;
    while (!Q.Eof()) {
        Row r;
        for (int i = 0; i < Q.FieldCount(); ++i) {
            const tv::db::Field &f = Q.Fields(i);
            r.null << f.IsNull();
            // Truth values as the server writes them.
            r.v << (f.Kind() == tv::db::FieldKind::Bool && !f.IsNull()
                        ? (f.AsBoolean() ? QStringLiteral("t") : QStringLiteral("f"))
                        : f.AsString());
        }
        rows.push_back(r);
        Q.Next();
    }
    return rows;
}

QString Qualified(const TKeptObject &O, const QString &Name)
{
    return QuoteIdentifier(O.Schema) + u'.' + QuoteIdentifier(Name);
}

QString RoutineTarget(const TKeptObject &O)
{
    QString args = O.Args;
    if (O.Kind == TKeptKind::Aggregate && args.trimmed().isEmpty())
        args = QStringLiteral("*");
    return Qualified(O, O.Name) + u'(' + args + u')';
}

// The locating query of a kind: one row (oid, catalog, owner name, owner oid,
// ACL is NULL, state, relation of the columns, type kind) or none.
QString LocateSQL(TKeptKind Kind)
{
    const QString rel = QStringLiteral(
        " FROM pg_class C JOIN pg_namespace N ON N.oid = C.relnamespace"
        " WHERE N.nspname = :SCHEMA AND C.relname = :NAME");
    const QString onTable = QStringLiteral(
        " JOIN pg_class C ON C.oid = %1 JOIN pg_namespace N ON N.oid = C.relnamespace"
        " WHERE N.nspname = :SCHEMA AND C.relname = :TBL AND %2 = :NAME");
    switch (Kind) {
    case TKeptKind::Table:
    case TKeptKind::View:
    case TKeptKind::MatView:
    case TKeptKind::Sequence:
        return QStringLiteral("SELECT C.oid, 'pg_class', pg_get_userbyid(C.relowner), C.relowner,"
                              " C.relacl IS NULL, '', C.oid, ''") + rel;
    case TKeptKind::Index:
        return QStringLiteral("SELECT C.oid, 'pg_class', NULL, NULL, true, '', 0, ''") + rel;
    case TKeptKind::Constraint:
        return QStringLiteral("SELECT K.oid, 'pg_constraint', NULL, NULL, true, '', 0, '' FROM pg_constraint K") +
               onTable.arg(QStringLiteral("K.conrelid"), QStringLiteral("K.conname"));
    case TKeptKind::Trigger:
        return QStringLiteral("SELECT G.oid, 'pg_trigger', NULL, NULL, true, G.tgenabled, 0, '' FROM pg_trigger G") +
               onTable.arg(QStringLiteral("G.tgrelid"), QStringLiteral("G.tgname"));
    case TKeptKind::Rule:
        return QStringLiteral("SELECT R.oid, 'pg_rewrite', NULL, NULL, true, '', 0, '' FROM pg_rewrite R") +
               onTable.arg(QStringLiteral("R.ev_class"), QStringLiteral("R.rulename"));
    case TKeptKind::Policy:
        return QStringLiteral("SELECT P.oid, 'pg_policy', NULL, NULL, true, '', 0, '' FROM pg_policy P") +
               onTable.arg(QStringLiteral("P.polrelid"), QStringLiteral("P.polname"));
    case TKeptKind::Function:
    case TKeptKind::Procedure:
    case TKeptKind::Aggregate:
        return QStringLiteral(
            "SELECT P.oid, 'pg_proc', pg_get_userbyid(P.proowner), P.proowner, P.proacl IS NULL, '', 0, ''"
            " FROM pg_proc P JOIN pg_namespace N ON N.oid = P.pronamespace"
            " WHERE N.nspname = :SCHEMA AND P.proname = :NAME"
            " AND pg_get_function_identity_arguments(P.oid) = :ARGS");
    case TKeptKind::Type:
        return QStringLiteral(
            "SELECT T.oid, 'pg_type', pg_get_userbyid(T.typowner), T.typowner, T.typacl IS NULL, '',"
            " T.typrelid, T.typtype FROM pg_type T JOIN pg_namespace N ON N.oid = T.typnamespace"
            " WHERE N.nspname = :SCHEMA AND T.typname = :NAME");
    case TKeptKind::Role:
        return QStringLiteral("SELECT R.oid, 'pg_authid', NULL, NULL, true, '', 0, ''"
                              " FROM pg_roles R WHERE R.rolname = :NAME");
    }
    return QString();
}

// The words that name the object in COMMENT ON and ALTER ... OWNER TO.
QString Target(const TKeptObject &O, const QString &TypeKind)
{
    const QString onTable = QStringLiteral(" ON ") + Qualified(O, O.Table);
    switch (O.Kind) {
    case TKeptKind::Table: return QStringLiteral("TABLE ") + Qualified(O, O.Name);
    case TKeptKind::View: return QStringLiteral("VIEW ") + Qualified(O, O.Name);
    case TKeptKind::MatView: return QStringLiteral("MATERIALIZED VIEW ") + Qualified(O, O.Name);
    case TKeptKind::Sequence: return QStringLiteral("SEQUENCE ") + Qualified(O, O.Name);
    case TKeptKind::Index: return QStringLiteral("INDEX ") + Qualified(O, O.Name);
    case TKeptKind::Constraint: return QStringLiteral("CONSTRAINT ") + QuoteIdentifier(O.Name) + onTable;
    case TKeptKind::Trigger: return QStringLiteral("TRIGGER ") + QuoteIdentifier(O.Name) + onTable;
    case TKeptKind::Rule: return QStringLiteral("RULE ") + QuoteIdentifier(O.Name) + onTable;
    case TKeptKind::Policy: return QStringLiteral("POLICY ") + QuoteIdentifier(O.Name) + onTable;
    case TKeptKind::Function: return QStringLiteral("FUNCTION ") + RoutineTarget(O);
    case TKeptKind::Procedure: return QStringLiteral("PROCEDURE ") + RoutineTarget(O);
    case TKeptKind::Aggregate: return QStringLiteral("AGGREGATE ") + RoutineTarget(O);
    case TKeptKind::Type:
        return (TypeKind == QLatin1String("d") ? QStringLiteral("DOMAIN ") : QStringLiteral("TYPE ")) +
               Qualified(O, O.Name);
    case TKeptKind::Role: return QStringLiteral("ROLE ") + QuoteIdentifier(O.Name);
    }
    return QString();
}

// The object as GRANT and REVOKE name it.
QString GrantTarget(const TKeptObject &O, const QString &TypeKind)
{
    switch (O.Kind) {
    case TKeptKind::Sequence: return QStringLiteral("SEQUENCE ") + Qualified(O, O.Name);
    case TKeptKind::Function:
    case TKeptKind::Aggregate: return QStringLiteral("FUNCTION ") + RoutineTarget(O);
    case TKeptKind::Procedure: return QStringLiteral("PROCEDURE ") + RoutineTarget(O);
    case TKeptKind::Type: return Target(O, TypeKind);
    default: return QStringLiteral("TABLE ") + Qualified(O, O.Name);
    }
}

// The privilege columns of a kind's catalog: ACL, owner, acldefault letter,
// pg_default_acl letter.
struct AclColumns {
    QString Catalog, Acl, Owner, DefaultLetter, DefaultAclLetter;
};

bool HasPrivileges(TKeptKind Kind, AclColumns &C)
{
    switch (Kind) {
    case TKeptKind::Table:
    case TKeptKind::View:
    case TKeptKind::MatView:
        C = {QStringLiteral("pg_class"), QStringLiteral("relacl"), QStringLiteral("relowner"), QStringLiteral("r"),
             QStringLiteral("r")};
        return true;
    case TKeptKind::Sequence:
        C = {QStringLiteral("pg_class"), QStringLiteral("relacl"), QStringLiteral("relowner"), QStringLiteral("s"),
             QStringLiteral("S")};
        return true;
    case TKeptKind::Function:
    case TKeptKind::Procedure:
    case TKeptKind::Aggregate:
        C = {QStringLiteral("pg_proc"), QStringLiteral("proacl"), QStringLiteral("proowner"), QStringLiteral("f"),
             QStringLiteral("f")};
        return true;
    case TKeptKind::Type:
        C = {QStringLiteral("pg_type"), QStringLiteral("typacl"), QStringLiteral("typowner"), QStringLiteral("T"),
             QStringLiteral("T")};
        return true;
    default:
        return false;
    }
}

QString Grantee(const QString &Role)
{
    return Role.isEmpty() ? QStringLiteral("PUBLIC") : QuoteIdentifier(Role);
}

struct Grant {
    QString Grantor, Grantee, Privilege, Column; // Column empty: the whole object
    bool Grantable = false;
};

// The grants in an order in which each grantor holds its grant option
// before it gives: the owner's grants first, then each grant whose
// grantor has received the option.
std::vector<Grant> ChainOrder(std::vector<Grant> Pending, const QString &Owner)
{
    std::vector<Grant> ordered;
    QSet<QString> options; // grantee \n privilege \n column
    auto key = [](const QString &Role, const QString &Privilege, const QString &Column) {
        return Role + u'\n' + Privilege + u'\n' + Column;
    };
    bool progress = true;
    while (!Pending.empty() && progress) {
        progress = false;
        for (auto it = Pending.begin(); it != Pending.end();) {
            const bool may = it->Grantor == Owner || options.contains(key(it->Grantor, it->Privilege, it->Column)) ||
                             options.contains(key(it->Grantor, it->Privilege, QString()));
            if (!may) {
                ++it;
                continue;
            }
            if (it->Grantable)
                options.insert(key(it->Grantee, it->Privilege, it->Column));
            ordered.push_back(*it);
            it = Pending.erase(it);
            progress = true;
        }
    }
    ordered.insert(ordered.end(), Pending.begin(), Pending.end());
    return ordered;
}

// The setting "name=value" as ALTER ROLE ... SET writes it: each element of
// a list setting a literal of its own, any other value one literal.
QString SettingAssignment(const QString &Entry)
{
    const qsizetype eq = Entry.indexOf(u'=');
    const QString name = Entry.left(eq);
    const QString value = Entry.mid(eq + 1);
    static const QStringList lists = {QStringLiteral("search_path"), QStringLiteral("temp_tablespaces"),
                                      QStringLiteral("session_preload_libraries"),
                                      QStringLiteral("local_preload_libraries")};
    QString assigned;
    if (lists.contains(name.toLower())) {
        // Elements are separated by commas; an element in double quotes
        // keeps its commas and doubles its quotes.
        QStringList items;
        QString item;
        bool quoted = false;
        for (qsizetype i = 0; i < value.size(); ++i) {
            const QChar c = value.at(i);
            if (quoted) {
                if (c == u'"' && i + 1 < value.size() && value.at(i + 1) == u'"') {
                    item += u'"';
                    ++i;
                } else if (c == u'"') {
                    quoted = false;
                } else {
                    item += c;
                }
            } else if (c == u'"') {
                quoted = true;
            } else if (c == u',') {
                items << item.trimmed();
                item.clear();
            } else {
                item += c;
            }
        }
        items << item.trimmed();
        for (QString &i : items)
            i = QuoteLiteral(i);
        assigned = items.join(QStringLiteral(", "));
    } else {
        assigned = QuoteLiteral(value);
    }
    return QuoteIdentifier(name) + QStringLiteral(" TO ") + assigned;
}

} // namespace

TKeptState ReadKeptState(tv::db::Query &Q, const TKeptObject &O, unsigned Parts,
                         const std::function<QString(int AttNum)> &ColumnName)
{
    TKeptState st;
    const auto located = Rows(Q, LocateSQL(O.Kind),
                              {{QStringLiteral("SCHEMA"), O.Schema},
                               {QStringLiteral("NAME"), O.Name},
                               {QStringLiteral("TBL"), O.Table},
                               {QStringLiteral("ARGS"), O.Args}});
    if (located.empty())
        return st;
    st.Found = true;
    const Row &obj = located.front();
    const QString oid = obj.v[0], catalog = obj.v[1], owner = obj.v[2];
    const bool aclNull = obj.v[4] == QLatin1String("t");
    const QString state = obj.v[5], columnsOf = obj.v[6], typeKind = obj.v[7];
    const QString target = Target(O, typeKind);
    const bool role = O.Kind == TKeptKind::Role;

    auto column = [&](const QString &AttNum, const QString &Name) {
        return ColumnName ? ColumnName(AttNum.toInt()) : Name;
    };
    const QString relation = Qualified(O, O.Name);

    // The owner first: privileges are given again as the owner has them.
    if ((Parts & kpOwner) && !owner.isEmpty())
        Statement(st.Restore, QStringLiteral("ALTER ") + target + QStringLiteral(" OWNER TO ") + QuoteIdentifier(owner));

    if (Parts & kpComment) {
        const auto rows = Rows(Q,
                               role ? QStringLiteral("SELECT shobj_description(CAST(:OID AS oid), 'pg_authid')")
                                    : QStringLiteral("SELECT obj_description(CAST(:OID AS oid), CAST(:CAT AS name))"),
                               {{QStringLiteral("OID"), oid}, {QStringLiteral("CAT"), catalog}});
        if (!rows.empty() && !rows.front().null[0])
            Statement(st.Restore, QStringLiteral("COMMENT ON ") + target + QStringLiteral(" IS ") +
                                      QuoteLiteral(rows.front().v[0]));
    }

    if ((Parts & kpColumnComments) && columnsOf != QLatin1String("0")) {
        const auto rows = Rows(Q,
                               QStringLiteral("SELECT A.attnum, A.attname, col_description(A.attrelid, A.attnum)"
                                              " FROM pg_attribute A WHERE A.attrelid = CAST(:REL AS oid)"
                                              " AND A.attnum > 0 AND NOT A.attisdropped"
                                              " AND col_description(A.attrelid, A.attnum) IS NOT NULL"
                                              " ORDER BY A.attnum"),
                               {{QStringLiteral("REL"), columnsOf}});
        for (const Row &r : rows) {
            const QString name = column(r.v[0], r.v[1]);
            if (!name.isEmpty())
                Statement(st.Restore, QStringLiteral("COMMENT ON COLUMN ") + relation + u'.' +
                                          QuoteIdentifier(name) + QStringLiteral(" IS ") + QuoteLiteral(r.v[2]));
        }
    }

    if ((Parts & kpTriggerState) && O.Kind == TKeptKind::Trigger) {
        const QString alter = QStringLiteral("ALTER TABLE ") + Qualified(O, O.Table);
        const QString name = QuoteIdentifier(O.Name);
        if (state == QLatin1String("D"))
            Statement(st.Restore, alter + QStringLiteral(" DISABLE TRIGGER ") + name);
        else if (state == QLatin1String("R"))
            Statement(st.Restore, alter + QStringLiteral(" ENABLE REPLICA TRIGGER ") + name);
        else if (state == QLatin1String("A"))
            Statement(st.Restore, alter + QStringLiteral(" ENABLE ALWAYS TRIGGER ") + name);
    }

    AclColumns acl;
    if ((Parts & (kpPrivileges | kpColumnPrivileges)) && HasPrivileges(O.Kind, acl)) {
        // Who the session is, and whether it may become another grantor.
        const auto who = Rows(Q,
                              QStringLiteral("SELECT current_user, session_user,"
                                             " (SELECT rolsuper FROM pg_roles WHERE rolname = session_user)"),
                              {});
        const QString current = who.front().v[0];
        const bool sameUser = current == who.front().v[1];
        const bool super = who.front().v[2] == QLatin1String("t");
        std::vector<Grant> grants;
        QSet<QString> grantees;
        if (Parts & kpPrivileges) {
            // Whether default privileges can give the new object anything:
            // then the old privileges are written in full, defaults too.
            const auto defaults = Rows(
                Q,
                QStringLiteral("SELECT DISTINCT CASE WHEN X.grantee = 0 THEN '' ELSE pg_get_userbyid(X.grantee) END,"
                               " D.defaclrole = (SELECT oid FROM pg_roles WHERE rolname = current_user)"
                               " AND D.defaclnamespace IN (0, (SELECT oid FROM pg_namespace WHERE nspname = :SCHEMA))"
                               " FROM pg_default_acl D, aclexplode(D.defaclacl) X WHERE D.defaclobjtype = :LETTER"),
                {{QStringLiteral("SCHEMA"), O.Schema}, {QStringLiteral("LETTER"), acl.DefaultAclLetter}});
            bool applies = false;
            for (const Row &r : defaults) {
                grantees.insert(r.v[0]);
                applies = applies || r.v[1] == QLatin1String("t");
            }
            if (!aclNull || applies) {
                const auto rows = Rows(
                    Q,
                    QStringLiteral("SELECT pg_get_userbyid(X.grantor),"
                                   " CASE WHEN X.grantee = 0 THEN '' ELSE pg_get_userbyid(X.grantee) END,"
                                   " X.privilege_type, X.is_grantable FROM %1 O,"
                                   " aclexplode(coalesce(O.%2, acldefault(CAST(:LETTER AS \"char\"), O.%3)))"
                                   " WITH ORDINALITY X(grantor, grantee, privilege_type, is_grantable, n)"
                                   " WHERE O.oid = CAST(:OID AS oid) ORDER BY X.n")
                        .arg(acl.Catalog, acl.Acl, acl.Owner),
                    {{QStringLiteral("LETTER"), acl.DefaultLetter}, {QStringLiteral("OID"), oid}});
                for (const Row &r : rows) {
                    grants.push_back({r.v[0], r.v[1], r.v[2], QString(), r.v[3] == QLatin1String("t")});
                    grantees.insert(r.v[1]);
                }
                grantees.insert(QString()); // PUBLIC
                grantees.insert(owner);
                QStringList from;
                for (const QString &g : grantees)
                    from << Grantee(g);
                from.sort();
                Statement(st.Restore, QStringLiteral("REVOKE ALL ON ") + GrantTarget(O, typeKind) +
                                          QStringLiteral(" FROM ") + from.join(QStringLiteral(", ")));
            }
        }
        if ((Parts & kpColumnPrivileges) && columnsOf != QLatin1String("0") && O.Kind != TKeptKind::Type) {
            const auto rows = Rows(
                Q,
                QStringLiteral("SELECT A.attnum, A.attname, pg_get_userbyid(X.grantor),"
                               " CASE WHEN X.grantee = 0 THEN '' ELSE pg_get_userbyid(X.grantee) END,"
                               " X.privilege_type, X.is_grantable FROM pg_attribute A,"
                               " aclexplode(A.attacl) WITH ORDINALITY X(grantor, grantee, privilege_type, is_grantable, n)"
                               " WHERE A.attrelid = CAST(:OID AS oid) AND A.attnum > 0 AND NOT A.attisdropped"
                               " ORDER BY A.attnum, X.n"),
                {{QStringLiteral("OID"), columnsOf}});
            for (const Row &r : rows) {
                const QString name = column(r.v[0], r.v[1]);
                if (!name.isEmpty())
                    grants.push_back({r.v[2], r.v[3], r.v[4], name, r.v[5] == QLatin1String("t")});
            }
        }
        QSet<QString> becomeable;
        for (const Grant &g : ChainOrder(grants, owner)) {
            const bool asOwner = g.Grantor == owner;
            const QString text =
                QStringLiteral("GRANT ") + g.Privilege +
                (g.Column.isEmpty() ? QString() : QStringLiteral(" (") + QuoteIdentifier(g.Column) + u')') +
                QStringLiteral(" ON ") + GrantTarget(O, typeKind) + QStringLiteral(" TO ") + Grantee(g.Grantee) +
                (g.Grantable ? QStringLiteral(" WITH GRANT OPTION") : QString());
            if (asOwner) {
                Statement(st.Restore, text);
                continue;
            }
            if (!super && !becomeable.contains(g.Grantor)) {
                const auto may = Rows(Q, QStringLiteral("SELECT pg_has_role(session_user, :ROLE, 'MEMBER')"),
                                      {{QStringLiteral("ROLE"), g.Grantor}});
                if (may.empty() || may.front().v[0] != QLatin1String("t")) {
                    st.Lost << QStringLiteral("%1 が付与した権限: %2").arg(g.Grantor, text.mid(6));
                    continue;
                }
                becomeable.insert(g.Grantor);
            }
            Statement(st.Restore, QStringLiteral("SET ROLE ") + QuoteIdentifier(g.Grantor));
            Statement(st.Restore, text);
            Statement(st.Restore, sameUser ? QStringLiteral("RESET ROLE")
                                           : QStringLiteral("SET ROLE ") + QuoteIdentifier(current));
        }
    }

    if (role && (Parts & kpRoleSettings)) {
        const auto rows = Rows(Q,
                               QStringLiteral("SELECT D.datname, unnest(S.setconfig) FROM pg_db_role_setting S"
                                              " LEFT JOIN pg_database D ON D.oid = S.setdatabase"
                                              " WHERE S.setrole = CAST(:OID AS oid) ORDER BY 1 NULLS FIRST, 2"),
                               {{QStringLiteral("OID"), oid}});
        for (const Row &r : rows)
            Statement(st.Restore, QStringLiteral("ALTER ROLE ") + QuoteIdentifier(O.Name) +
                                      (r.null[0] ? QString() : QStringLiteral(" IN DATABASE ") + QuoteIdentifier(r.v[0])) +
                                      QStringLiteral(" SET ") + SettingAssignment(r.v[1]));
    }

    if (role && (Parts & kpRoleMemberships)) {
        const auto who = Rows(Q,
                              QStringLiteral("SELECT current_user, (SELECT rolsuper FROM pg_roles"
                                             " WHERE rolname = current_user)"),
                              {});
        const QString current = who.front().v[0];
        const bool super = who.front().v[1] == QLatin1String("t");
        const auto rows = Rows(Q,
                               QStringLiteral("SELECT pg_get_userbyid(M.roleid), pg_get_userbyid(M.member),"
                                              " pg_get_userbyid(M.grantor), M.admin_option FROM pg_auth_members M"
                                              " WHERE M.roleid = CAST(:OID AS oid) OR M.member = CAST(:OID AS oid)"
                                              " ORDER BY 1, 2"),
                               {{QStringLiteral("OID"), oid}});
        for (const Row &r : rows) {
            if (r.v[1] == O.Name && O.TextWrites.contains(r.v[0]))
                continue;
            QString text = QStringLiteral("GRANT ") + QuoteIdentifier(r.v[0]) + QStringLiteral(" TO ") +
                           QuoteIdentifier(r.v[1]) +
                           (r.v[3] == QLatin1String("t") ? QStringLiteral(" WITH ADMIN OPTION") : QString());
            if (r.v[2] != current) {
                if (!super && !r.null[2]) {
                    st.Lost << QStringLiteral("%1 が付与したロール: %2").arg(r.v[2], text.mid(6));
                    continue;
                }
                if (!r.null[2] && !r.v[2].isEmpty())
                    text += QStringLiteral(" GRANTED BY ") + QuoteIdentifier(r.v[2]);
            }
            Statement(st.Restore, text);
        }
    }
    return st;
}

QString KeptLossQuestion(const QStringList &Lost)
{
    return QStringLiteral("再作成すると次の設定は元に戻せません。") + QStringLiteral("\r\n") +
           Lost.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n") + QStringLiteral("続行しますか？");
}

QString IndexInTablespace(const QString &Definition, const QString &Tablespace, const QString &Predicate)
{
    if (Tablespace.isEmpty())
        return Definition;
    QString def = Definition;
    const QString clause = QStringLiteral(" TABLESPACE ") + QuoteIdentifier(Tablespace);
    const QString where = QStringLiteral(" WHERE ") + Predicate;
    if (!Predicate.isEmpty() && def.endsWith(where))
        def.insert(def.size() - where.size(), clause);
    else
        def += clause;
    return def;
}
