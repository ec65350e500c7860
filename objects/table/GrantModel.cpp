#include "objects/table/GrantModel.h"

#include "common/Quote.h"

#include <QRegularExpression>

namespace {

const QString kPublic = QStringLiteral("public");

TGrantPrivilege P(char Letter, const char *Keyword, const QString &Line)
{
    return {QChar::fromLatin1(Letter), QString::fromLatin1(Keyword), Line};
}

} // namespace

QList<TGrantPrivilege> GrantPrivileges(int ObjType)
{
    switch (ObjType) {
    case 45:
    case 47:
    case 61:
        return {P('d', "DELETE", QStringLiteral("DELETE(データ削除権)")),
                P('a', "INSERT", QStringLiteral("INSERT(データ追加権)")),
                P('x', "REFERENCES", QStringLiteral("REFERENCES(制約作成権)")),
                P('r', "SELECT", QStringLiteral("SELECT(データ問合せ権)")),
                P('t', "TRIGGER", QStringLiteral("TRIGGER(トリガ作成権)")),
                P('D', "TRUNCATE", QStringLiteral("TRUNCATE(データ消去権)")),
                P('w', "UPDATE", QStringLiteral("UPDATE(データ更新権)"))};
    case 51:
    case 52:
    case 53:
    case 54:
    case 128:
        return {P('X', "EXECUTE", QStringLiteral("EXECUTE(関数実行権)"))};
    case 55:
        return {P('U', "USAGE", QStringLiteral("USAGE(関数実行権)"))};
    case 58:
        return {P('r', "SELECT", QStringLiteral("SELECT(データ問合せ権)")),
                P('w', "UPDATE", QStringLiteral("UPDATE(データ更新権)")),
                P('U', "USAGE", QStringLiteral("USAGE(関数実行権)"))};
    default:
        return {};
    }
}

QString GrantAclSQL(int ObjType, const QString &EdbPackageSubquery)
{
    const QString d = QStringLiteral("E'\\r\\n'");
    switch (ObjType) {
    case 45:
    case 47:
    case 61:
        return QStringLiteral("SELECT ro.rolname, array_to_string(cl.relacl, %1), array_length(cl.relacl, 1) FROM "
                              "pg_class cl LEFT JOIN pg_namespace na ON cl.relnamespace = na.oid LEFT JOIN pg_roles ro "
                              "ON cl.relowner = ro.oid WHERE (cl.relkind = 'r' or cl.relkind = 'v' or cl.relkind = "
                              "'m' or cl.relkind = 'p' or cl.relkind = 'f') AND na.nspname = :SCHEMA AND cl.relname = "
                              ":TABLE")
            .arg(d);
    case 51:
    case 52:
    case 128:
        return QStringLiteral("SELECT ro.rolname, array_to_string(pr.proacl, %1), array_length(pr.proacl, 1) FROM "
                              "pg_proc pr LEFT JOIN pg_namespace na ON pr.pronamespace = na.oid LEFT JOIN pg_roles ro "
                              "ON pr.proowner = ro.oid WHERE pr.oid = :FUNCTION")
            .arg(d);
    case 53:
    case 54:
        return QStringLiteral("SELECT rol.rolname , array_to_string(pkg.pkgacl, %1) , array_length(pkg.pkgacl, 1) "
                              "FROM (%2) pkg LEFT JOIN pg_namespace nsp ON pkg.pkgnamespace = nsp.oid LEFT JOIN "
                              "pg_roles rol ON pkg.pkgowner = rol.oid WHERE nsp.nspname = :SCHEMA_NAME AND "
                              "pkg.pkgname = :OBJECT_NAME")
            .arg(d, EdbPackageSubquery);
    case 55:
        return QStringLiteral("SELECT ro.rolname, array_to_string(ty.typacl, %1), array_length(ty.typacl, 1), "
                              "ty.typtype FROM pg_type ty LEFT JOIN pg_namespace na ON ty.typnamespace = na.oid LEFT "
                              "JOIN pg_class cl ON ty.typrelid = cl.oid LEFT JOIN pg_roles ro ON ty.typowner = ro.oid "
                              "WHERE (cl.relkind = 'c' OR ty.typtype = 'e' OR ty.typtype = 'r' OR ( ty.typtype = 'b' "
                              "AND ty.typcategory NOT IN('A','B','C','D','E','G','I','N','P','R','S','T','V','X')) )AND "
                              "na.nspname = :SCHEMA AND ty.typname = :TYPE")
            .arg(d);
    case 58:
        return QStringLiteral("SELECT ro.rolname, array_to_string(cl.relacl, %1), array_length(cl.relacl, 1) FROM "
                              "pg_class cl LEFT JOIN pg_namespace na ON cl.relnamespace = na.oid LEFT JOIN pg_roles ro "
                              "ON cl.relowner = ro.oid WHERE cl.relkind = 'S' AND na.nspname = :SCHEMA AND cl.relname "
                              "= :SEQUENCE")
            .arg(d);
    default:
        return QString();
    }
}

void TGrantModel::Reset(int AObjType, const QString &ASchema, const QString &AObjName, const QString &ATypList)
{
    ObjType = AObjType;
    Schema = ASchema;
    ObjName = AObjName;
    TypList = ATypList;
    Privileges = GrantPrivileges(AObjType);
    Rows.clear();
}

void TGrantModel::AddRow(const QString &Name, int Icon)
{
    TGrantRow r;
    r.Name = Name;
    r.Icon = Icon;
    for (int k = 0; k < Privileges.size(); ++k) {
        r.Current << QString();
        r.Loaded << QString();
    }
    Rows << r;
}

int TGrantModel::RowOf(const QString &Name) const
{
    for (int i = 0; i < Rows.size(); ++i)
        if (Rows[i].Name == Name)
            return i;
    return -1;
}

void TGrantModel::LoadAcl(bool Found, const QString &Owner, bool AclNull, const QString &AclItems)
{
    if (!Found)
        return;
    auto set = [this](int row, int k, const QString &v) {
        Rows[row].Current[k] = v;
        Rows[row].Loaded[k] = v;
        Rows[row].Marked = true;
    };
    if (AclNull) {
        QStringList holders{Owner};
        if ((ObjType >= 51 && ObjType <= 55) || ObjType == 128)
            holders << kPublic;
        for (const QString &h : holders) {
            const int row = RowOf(h);
            if (row < 0)
                continue;
            for (int k = 0; k < Privileges.size(); ++k)
                set(row, k, QStringLiteral("*"));
        }
        return;
    }
    for (const QString &raw : AclItems.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts)) {
        QString grantee, letters;
        SplitAclItem(raw.trimmed(), Owner, grantee, letters);
        if (grantee.isEmpty())
            grantee = kPublic;
        const int row = RowOf(grantee);
        if (row < 0)
            continue;
        bool any = false;
        for (int k = 0; k < Privileges.size(); ++k) {
            const qsizetype at = letters.indexOf(Privileges[k].Letter);
            if (at < 0)
                continue;
            const bool option = at + 1 < letters.size() && letters[at + 1] == u'*';
            Rows[row].Current[k] = Rows[row].Loaded[k] = option ? QStringLiteral("G") : QStringLiteral("*");
            any = true;
        }
        Q_UNUSED(any);
        Rows[row].Marked = true;
    }
}

void TGrantModel::RemoveUnmarked()
{
    for (qsizetype i = Rows.size() - 1; i >= 0; --i)
        if (!Rows[i].Marked)
            Rows.removeAt(i);
}

QString TGrantModel::ObjectText() const
{
    const QString o = QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(ObjName);
    switch (ObjType) {
    case 45:
    case 47:
    case 61:
        return QStringLiteral("TABLE ") + o;
    case 51:
        return QStringLiteral("PROCEDURE ") + o + u'(' + TypList + u')';
    case 52:
    case 128:
        return QStringLiteral("FUNCTION ") + o + u'(' + TypList + u')';
    case 53:
    case 54:
        return QStringLiteral("PACKAGE ") + o;
    case 55:
        return QStringLiteral("TYPE ") + o;
    case 58:
        return QStringLiteral("SEQUENCE ") + o;
    default:
        return o;
    }
}

void TGrantModel::GetSource(QStringList &S) const
{
    const QString object = ObjectText();
    auto add = [&S](const QString &statement) { S << statement << QStringLiteral(";"); };
    for (const TGrantRow &r : Rows) {
        const QString g = QuoteIdentifier(r.Name);
        const bool isPublic = r.Name == kPublic;
        for (int k = 0; k < Privileges.size(); ++k) {
            const QString &cur = r.Current[k];
            const QString &old = r.Loaded[k];
            if (cur == old)
                continue;
            const QString p = Privileges[k].Keyword.trimmed();
            const QString grant = QStringLiteral("GRANT ") + p + QStringLiteral(" ON ") + object + QStringLiteral(" TO ") + g;
            const QString revoke =
                QStringLiteral("REVOKE ") + p + QStringLiteral(" ON ") + object + QStringLiteral(" FROM ") + g;
            if (cur == QLatin1String("G")) {
                if (isPublic) {
                    if (old.isEmpty())
                        add(grant);
                } else {
                    add(grant + QStringLiteral(" WITH GRANT OPTION"));
                }
            } else if (cur == QLatin1String("*")) {
                if (old == QLatin1String("G"))
                    add(revoke);
                add(grant);
            } else {
                add(revoke);
            }
        }
    }
}

void TGrantModel::GetSourceReregist(QStringList &S) const
{
    const QString object = QStringLiteral("TYPE ") + QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(ObjName);
    for (const TGrantRow &r : Rows) {
        const QString g = QuoteIdentifier(r.Name);
        for (int k = 0; k < Privileges.size(); ++k) {
            const QString p = Privileges[k].Keyword.trimmed();
            const QString &cur = r.Current[k];
            if (cur == QLatin1String("G"))
                S << QStringLiteral("GRANT ") + p + QStringLiteral(" ON ") + object + QStringLiteral(" TO ") + g +
                         QStringLiteral(" WITH GRANT OPTION");
            else if (cur == QLatin1String("*"))
                S << QStringLiteral("GRANT ") + p + QStringLiteral(" ON ") + object + QStringLiteral(" TO ") + g;
            else
                S << QStringLiteral("REVOKE ") + p + QStringLiteral(" ON ") + object + QStringLiteral(" FROM ") + g;
            S << QStringLiteral(";");
        }
    }
}

void TGrantModel::SelectionStates(const QList<int> &Selected, QList<int> &Left, QList<int> &Right) const
{
    Left.clear();
    Right.clear();
    const int n = int(Selected.size());
    for (int k = 0; k < Privileges.size(); ++k) {
        int held = 0, option = 0;
        for (int row : Selected) {
            const QString &c = Rows[row].Current[k];
            if (!c.isEmpty())
                ++held;
            if (c == QLatin1String("G"))
                ++option;
        }
        auto state = [n](int count) {
            return count == 0 ? int(Qt::Unchecked) : count == n ? int(Qt::Checked) : int(Qt::PartiallyChecked);
        };
        Left << state(held);
        Right << state(option);
    }
}

bool TGrantModel::GrantOptionUsable(const QList<int> &Selected) const
{
    return !(Selected.size() == 1 && Rows[Selected.first()].Name == kPublic);
}

void TGrantModel::Apply(const QList<int> &Selected, const QList<int> &Left, const QList<int> &Right)
{
    for (int row : Selected) {
        TGrantRow &r = Rows[row];
        for (int k = 0; k < Privileges.size(); ++k) {
            if (Left.value(k) == Qt::Unchecked)
                r.Current[k].clear();
            else if (Left.value(k) == Qt::Checked)
                r.Current[k] = QStringLiteral("*");
            if (Right.value(k) == Qt::Checked)
                r.Current[k] = r.Name == kPublic ? QStringLiteral("*") : QStringLiteral("G");
        }
    }
}
