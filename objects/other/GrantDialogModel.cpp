#include "objects/other/GrantDialogModel.h"

#include "common/CatalogSQL.h"
#include "common/Quote.h"
#include "platform/db/Query.h"

#include <QHash>

namespace {

const struct {
    const char *keyword;
    char letter;
    const char *line;
} Privileges[GrantDialog::PrivilegeCount] = {
    {"DELETE", 'd', "DELETE(データ削除権)"},     {"EXECUTE", 'X', "EXECUTE(プログラム実行権)"},
    {"INSERT", 'a', "INSERT(データ追加権)"},     {"REFERENCES", 'x', "REFERENCES(制約作成権)"},
    {"SELECT", 'r', "SELECT(データ問合せ権)"},   {"TRIGGER", 't', "TRIGGER(トリガ作成権)"},
    {"TRUNCATE", 'D', "TRUNCATE(データ消去権)"}, {"UPDATE", 'w', "UPDATE(データ更新権)"},
    {"USAGE", 'U', "USAGE(関数作成権)"},
};

bool IsTable(int t) { return t == 45 || t == 47 || t == 61; }
bool IsRoutine(int t) { return t == 51 || t == 52 || t == 128; }
bool IsProgram(int t) { return IsRoutine(t) || t == 53 || t == 54; }

// A text[] literal of the names.
QString ArrayLiteral(const QStringList &Names)
{
    QStringList parts;
    for (QString n : Names) {
        n.replace(u'\\', QStringLiteral("\\\\"));
        n.replace(u'"', QStringLiteral("\\\""));
        parts << u'"' + n + u'"';
    }
    return u'{' + parts.join(u',') + u'}';
}

QString AclColumns(const QString &Col)
{
    return QStringLiteral(", array_to_string(") + Col + QStringLiteral(", '\r\n'), array_length(") + Col +
           QStringLiteral(", 1)");
}

// The default holders of a NULL ACL: privilege indexes of the owner and of PUBLIC.
QList<int> OwnerDefaults(int Type)
{
    if (IsTable(Type))
        return {0, 2, 3, 4, 5, 6, 7};
    if (IsProgram(Type))
        return {1};
    if (Type == 58)
        return {4, 7, 8};
    if (Type == 55)
        return {8};
    return {};
}

QList<int> PublicDefaults(int Type)
{
    if (IsProgram(Type))
        return {1};
    if (Type == 55)
        return {8};
    return {};
}

QStringList SplitLines(const QString &Text)
{
    QStringList out;
    for (QString l : Text.split(u'\n', Qt::SkipEmptyParts)) {
        if (l.endsWith(u'\r'))
            l.chop(1);
        if (!l.isEmpty())
            out << l;
    }
    return out;
}

} // namespace

QString TGrantObject::Entry() const
{
    return QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name);
}

namespace GrantDialog {

QString Keyword(int Index) { return QString::fromLatin1(Privileges[Index].keyword); }
QChar Letter(int Index) { return QChar::fromLatin1(Privileges[Index].letter); }
QString Line(int Index) { return QString::fromUtf8(Privileges[Index].line); }

bool PassedOver(const TGrantObject &Object, int DBVer)
{
    const int t = Object.Type;
    if (t == 55)
        return DBVer < 90200 || Object.TypType == QStringLiteral("p");
    return !(IsTable(t) || IsProgram(t) || t == 58 || t == 60);
}

bool Applies(int Index, const TGrantObject &Object, int DBVer)
{
    if (PassedOver(Object, DBVer))
        return false;
    const int t = Object.Type;
    switch (Index) {
    case 1:
        return IsProgram(t);
    case 4:
    case 7:
        return IsTable(t) || t == 58 || t == 60;
    case 8:
        return t == 58 || t == 60 || t == 55;
    default:
        return IsTable(t) || t == 60;
    }
}

QString ObjectClause(int Type, const QString &Entry, const QString &FunArgDel)
{
    if (IsTable(Type))
        return QStringLiteral("TABLE ") + Entry;
    switch (Type) {
    case 51:
        return QStringLiteral("PROCEDURE ") + Entry + u'(' + FunArgDel + u')';
    case 52:
    case 128:
        return QStringLiteral("FUNCTION ") + Entry + u'(' + FunArgDel + u')';
    case 53:
    case 54:
        return QStringLiteral("PACKAGE ") + Entry;
    case 55:
        return QStringLiteral("TYPE ") + Entry;
    case 58:
        return QStringLiteral("SEQUENCE ") + Entry;
    default:
        return Entry;
    }
}

void LoadAcls(tv::db::Query &Query, QList<TGrantObject> &Objects, int DBVer, bool Edb)
{
    enum Group { Tables, Routines, Sequences, Types, Packages, Synonyms, None };
    auto groupOf = [DBVer](const TGrantObject &o) {
        if (PassedOver(o, DBVer))
            return None;
        if (IsTable(o.Type))
            return Tables;
        if (IsRoutine(o.Type))
            return Routines;
        if (o.Type == 58)
            return Sequences;
        if (o.Type == 55)
            return Types;
        if (o.Type == 60)
            return Synonyms;
        return Packages;
    };
    for (TGrantObject &o : Objects)
        o.Found = false;
    for (int g = Tables; g < None; ++g) {
        QList<int> members;
        for (int i = 0; i < Objects.size(); ++i)
            if (groupOf(Objects[i]) == g)
                members << i;
        if (members.isEmpty())
            continue;
        if (g == Synonyms) {
            // A synonym has no ACL of its own.
            for (int i : members)
                Objects[i].Found = true;
            continue;
        }
        QStringList schemas, names, oids;
        for (int i : members) {
            schemas << Objects[i].Schema;
            names << Objects[i].Name;
            oids << QString::number(Objects[i].Oid);
        }
        const QString keys = QStringLiteral(" JOIN unnest(CAST(:SCHEMAS AS text[]), CAST(:NAMES AS text[])) WITH "
                                            "ORDINALITY AS k(s, n, i) ON ");
        QString sql;
        switch (g) {
        case Tables:
        case Sequences:
            sql = QStringLiteral("SELECT k.i, ro.rolname") + AclColumns(QStringLiteral("cl.relacl")) +
                  QStringLiteral(", NULL FROM pg_class cl LEFT JOIN pg_namespace na ON cl.relnamespace = na.oid LEFT "
                                 "JOIN pg_roles ro ON cl.relowner = ro.oid") +
                  keys + QStringLiteral("na.nspname = k.s AND cl.relname = k.n WHERE ") +
                  (g == Tables ? QStringLiteral("cl.relkind IN ('r', 'v', 'm', 'p', 'f')") : QStringLiteral("cl.relkind = 'S'"));
            break;
        case Routines:
            sql = QStringLiteral("SELECT k.i, ro.rolname") + AclColumns(QStringLiteral("pr.proacl")) +
                  QStringLiteral(", pg_get_function_identity_arguments(pr.oid) FROM pg_proc pr LEFT JOIN pg_roles ro ON "
                                 "pr.proowner = ro.oid JOIN unnest(CAST(:OIDS AS oid[])) WITH ORDINALITY AS k(o, i) ON "
                                 "pr.oid = k.o");
            break;
        case Types:
            sql = QStringLiteral("SELECT k.i, ro.rolname") + AclColumns(QStringLiteral("ty.typacl")) +
                  QStringLiteral(", ty.typtype FROM pg_type ty LEFT JOIN pg_namespace na ON ty.typnamespace = na.oid "
                                 "LEFT JOIN pg_class cl ON ty.typrelid = cl.oid LEFT JOIN pg_roles ro ON ty.typowner = "
                                 "ro.oid") +
                  keys +
                  QStringLiteral("na.nspname = k.s AND ty.typname = k.n WHERE (cl.relkind = 'c' OR ty.typtype = 'e' OR "
                                 "ty.typtype = 'r' OR ( ty.typtype = 'b' AND ty.typcategory NOT "
                                 "IN('A','B','C','D','E','G','I','N','P','R','S','T','V','X')) )");
            break;
        default:
            if (!Edb)
                continue;
            sql = QStringLiteral("SELECT k.i, rol.rolname") + AclColumns(QStringLiteral("pkg.pkgacl")) +
                  QStringLiteral(", NULL FROM ") + EdbPackageSubquery(DBVer) +
                  QStringLiteral(" pkg LEFT JOIN pg_namespace nsp ON pkg.pkgnamespace = nsp.oid LEFT JOIN pg_roles rol "
                                 "ON pkg.pkgowner = rol.oid") +
                  keys + QStringLiteral("nsp.nspname = k.s AND pkg.pkgname = k.n");
            break;
        }
        Query.Close();
        Query.SetSQL(sql);
        if (g == Routines) {
            Query.ParamByName(QStringLiteral("OIDS")).setAsString(u'{' + oids.join(u',') + u'}');
        } else {
            Query.ParamByName(QStringLiteral("SCHEMAS")).setAsString(ArrayLiteral(schemas));
            Query.ParamByName(QStringLiteral("NAMES")).setAsString(ArrayLiteral(names));
        }
        Query.Open();
        while (!Query.Eof()) {
            const int k = Query.Fields(0).AsInteger() - 1;
            if (k >= 0 && k < members.size()) {
                TGrantObject &o = Objects[members[k]];
                o.Found = true;
                o.Owner = Query.Fields(1).AsString();
                o.AclItems = SplitLines(Query.Fields(2).AsString());
                o.AclNull = Query.Fields(3).IsNull();
                if (g == Routines)
                    o.Args = Query.Fields(4).AsString();
                if (g == Types)
                    o.TypType = Query.Fields(4).AsString();
            }
            Query.Next();
        }
        Query.Close();
    }
}

void GrantedRows(const TGrantObject &Object, QList<TGrantedRow> &Rows)
{
    if (!Object.Found)
        return;
    auto add = [&](const QString &grantee, int index, bool option) {
        TGrantedRow r;
        r.Grantee = grantee;
        r.Privilege = Keyword(index);
        r.GrantOption = option;
        r.Entry = Object.Entry();
        r.Type = Object.Type;
        if (index == 1) {
            r.Args = Object.Args;
            r.FunArgDel = Object.FunArgDel.isEmpty() ? Object.Args : Object.FunArgDel;
        }
        Rows << r;
    };
    if (Object.AclNull) {
        for (int i : OwnerDefaults(Object.Type))
            add(Object.Owner, i, false);
        for (int i : PublicDefaults(Object.Type))
            add(QStringLiteral("public"), i, false);
        return;
    }
    for (const QString &item : Object.AclItems) {
        QString grantee, letters;
        SplitAclItem(item, Object.Owner, grantee, letters);
        for (int i = 0; i < PrivilegeCount; ++i)
            if (letters.contains(Letter(i)))
                add(grantee, i, letters.contains(QString(Letter(i)) + u'*'));
    }
}

TCounts Count(const QList<TGrantObject> &Objects, const QString &Grantee, int DBVer)
{
    TCounts c;
    for (const TGrantObject &o : Objects) {
        if (PassedOver(o, DBVer) || !o.Found)
            continue;
        if (o.AclNull) {
            if (Grantee == o.Owner)
                for (int i : OwnerDefaults(o.Type))
                    ++c.Granted[i];
            if (Grantee == QStringLiteral("public"))
                for (int i : PublicDefaults(o.Type))
                    ++c.Granted[i];
            continue;
        }
        for (const QString &item : o.AclItems) {
            QString grantee, letters;
            SplitAclItem(item, o.Owner, grantee, letters);
            if (grantee != Grantee)
                continue;
            for (int i = 0; i < PrivilegeCount; ++i) {
                if (letters.contains(Letter(i)))
                    ++c.Granted[i];
                if (letters.contains(QString(Letter(i)) + u'*'))
                    ++c.Option[i];
            }
        }
    }
    return c;
}

int State(int Count, int Total)
{
    if (Count <= 0)
        return 0;
    return Count == Total ? 2 : 1;
}

QList<QStringList> Statements(const TGrantObject &Object, const QString &Grantee, const TBoxes (&Now)[PrivilegeCount],
                              const TBoxes (&Saved)[PrivilegeCount], int DBVer)
{
    QList<QStringList> units;
    const QString clause = ObjectClause(Object.Type, Object.Entry(),
                                        Object.FunArgDel.isEmpty() ? Object.Args : Object.FunArgDel);
    const QString to = QuoteIdentifier(Grantee);
    for (int i = 0; i < PrivilegeCount; ++i) {
        if (!Applies(i, Object, DBVer) || !Now[i].Enabled || Now[i] == Saved[i])
            continue;
        const QString revoke = QStringLiteral("REVOKE ") + Keyword(i) + QStringLiteral(" ON ") + clause +
                               QStringLiteral(" FROM ") + to;
        if (Now[i].Left == 2)
            units << QStringList{revoke, QStringLiteral("GRANT ") + Keyword(i) + QStringLiteral(" ON ") + clause +
                                             QStringLiteral(" TO ") + to +
                                             (Now[i].Right == 2 ? QStringLiteral(" WITH GRANT OPTION") : QString())};
        else
            units << QStringList{revoke};
    }
    return units;
}

} // namespace GrantDialog
