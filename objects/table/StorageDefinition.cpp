#include "objects/table/StorageDefinition.h"

#include "common/Quote.h"
#include "common/TextUtil.h"

namespace {

const char *const OptionNames[AutoVacuumParamCount] = {
    "autovacuum_vacuum_threshold",   "autovacuum_analyze_threshold", "autovacuum_vacuum_scale_factor",
    "autovacuum_analyze_scale_factor", "autovacuum_vacuum_cost_delay", "autovacuum_vacuum_cost_limit",
    "autovacuum_freeze_min_age",     "autovacuum_freeze_max_age",    "autovacuum_freeze_table_age",
};

const QString Semicolon = QStringLiteral(";");
const QString Indent = QStringLiteral("    ");

bool IsTable(const TStorageSnapshot &S) { return S.ObjType == 45; }
bool IsMView(const TStorageSnapshot &S) { return S.ObjType == 61; }

// Switched off entirely: a shown window while ShowStorageSource is off.
bool SuppressedInWindow(const TStorageSnapshot &S) { return S.Mode == smShow && !S.ShowStorageSource; }

QString QualifiedObject(const TStorageSnapshot &S)
{
    return QuoteIdentifier(S.Schema) + u'.' + QuoteIdentifier(S.ObjectName);
}

// The option lines of one half for a WITH or SET list ("    NAME = value,").
void SetLines(const TVacuumHalf &H, const QString &Prefix, bool Repeat, QStringList &Lines)
{
    if (H.EnabledBox.Checked && (H.EnabledBox.Changed || Repeat))
        Lines << Indent + Prefix + QStringLiteral("AUTOVACUUM_ENABLED = TRUE,");
    for (int i = 0; i < AutoVacuumParamCount; ++i) {
        const TStorageValue &v = H.Params[i];
        if (!v.Text.isEmpty() && (v.Changed || Repeat))
            Lines << Indent + Prefix + AutoVacuumOptionName(i).toUpper() + QStringLiteral(" = ") + v.Text + u',';
    }
}

void DropLastChar(QStringList &Lines)
{
    if (!Lines.isEmpty())
        Lines.last().chop(1);
}

} // namespace

QString StorageTypeName(TStorageType Type)
{
    switch (Type) {
    case ptPartition:
        return QStringLiteral("継承");
    case ptTemp:
        return QStringLiteral("一時表");
    default:
        return QStringLiteral("標準");
    }
}

TStorageType StorageTypeFromText(const QString &Text)
{
    if (Text == StorageTypeName(ptPartition))
        return ptPartition;
    if (Text == StorageTypeName(ptTemp))
        return ptTemp;
    return ptNormal;
}

QString AutoVacuumOptionName(int Index)
{
    return Index >= 0 && Index < AutoVacuumParamCount ? QString::fromLatin1(OptionNames[Index]) : QString();
}

// ---------------------------------------------------------------------------
// Queries

QString StorageSQL::Parents()
{
    return QStringLiteral(
        "SELECT N.nspname, C.relname, row_number() OVER (order by C.relname) AS rn "
        "FROM pg_inherits I LEFT JOIN pg_class C ON C.oid = I.inhparent "
        "LEFT JOIN pg_namespace N ON N.oid = C.relnamespace "
        "LEFT JOIN pg_class C2 ON C2.oid = I.inhrelid "
        "LEFT JOIN pg_namespace N2 ON N2.oid = C2.relnamespace "
        "WHERE N2.nspname = :SCHEMA AND C2.relname = :TBLNAME ORDER BY 3");
}

QString StorageSQL::AutoVacuum(int DBVer)
{
    // Each option by its exact name: a pattern over the joined text would
    // take autovacuum_multixact_freeze_max_age for autovacuum_freeze_max_age
    // and cut a value such as 2.5 or "on".
    QStringList columns;
    for (const auto &[alias, prefix] : {std::pair{"REL", ""}, std::pair{"TST", "toast_"}}) {
        QStringList names{QStringLiteral("autovacuum_enabled")};
        for (int i = 0; i < AutoVacuumParamCount; ++i)
            names << AutoVacuumOptionName(i);
        for (const QString &n : names)
            columns << QStringLiteral("(SELECT option_value FROM pg_options_to_table(%1.reloptions) "
                                      "WHERE option_name = '%2') AS %3%2")
                           .arg(QLatin1String(alias), n, QLatin1String(prefix));
    }
    return QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) +
           QStringLiteral(" FROM   pg_class REL"
                          " LEFT OUTER JOIN pg_class         TST  ON  TST.oid   = REL.reltoastrelid"
                          " LEFT OUTER JOIN pg_namespace     NMS  ON  NMS.oid   = REL.relnamespace"
                          " WHERE  NMS.nspname = :SCHEMA"
                          " AND    REL.relname = :TBLNAME") +
           (DBVer < 90300 ? QStringLiteral(" AND    REL.relkind IN ('r','s','t')")
                          : QStringLiteral(" AND    REL.relkind IN ('r','s','t','m')")) +
           QStringLiteral(" ORDER BY REL.relname");
}

QString StorageSQL::Persistence()
{
    return QStringLiteral("SELECT CLS.relpersistence FROM   pg_class CLS LEFT OUTER JOIN pg_namespace     NMS"
                          "  ON  NMS.oid   = CLS.relnamespace WHERE  NMS.nspname = :SCHEMA"
                          " AND    CLS.relname = :TBLNAME");
}

QString StorageSQL::ParentPickList()
{
    return QStringLiteral("SELECT  nspname, c.relname FROM pg_class C JOIN pg_namespace N ON N.oid = C.relnamespace "
                          "WHERE C.relkind = 'r' AND (N.nspname NOT LIKE E'pg\\\\_%' AND N.nspname NOT IN "
                          "('information_schema')) ORDER BY C.relnamespace, C.relname");
}

// ---------------------------------------------------------------------------
// DDL

bool StorageDDL::Included(const TStorageSnapshot &S)
{
    return S.Mode == smShow ? S.ShowStorageSource : S.ScriptStorage;
}

void StorageDDL::Create(const TStorageSnapshot &S, QStringList &List)
{
    if (SuppressedInWindow(S))
        return;
    const bool included = Included(S);
    if (IsTable(S) && included) {
        QStringList parents;
        for (const TParentRow &r : S.Parents)
            if (!TrimBlanks(r.Text).isEmpty())
                parents << QuoteQualifiedName(r.Text);
        if (!parents.isEmpty())
            List << QStringLiteral("INHERITS (") + parents.join(QStringLiteral(", ")) + u')';
    }
    if ((IsTable(S) || IsMView(S)) && included && S.AutoVacuum.Checked) {
        QStringList lines;
        SetLines(S.Table, QString(), true, lines);
        SetLines(S.Toast, QStringLiteral("TOAST."), true, lines);
        if (!lines.isEmpty()) {
            DropLastChar(lines);
            List << QStringLiteral("WITH (") << lines << QStringLiteral(")");
        }
    }
    if (IsTable(S) && S.Sheet == ssTemporary) {
        if (S.OnCommitDelete.Checked)
            List << QStringLiteral("ON COMMIT DELETE ROWS");
        else if (S.OnCommitPreserve.Checked)
            List << QStringLiteral("ON COMMIT PRESERVE ROWS");
    }
    if ((IsTable(S) || IsMView(S) || S.ObjType == 46 || S.ObjType == 66) && included && S.TablespaceVisible &&
        !S.Tablespace.isEmpty())
        List << QStringLiteral("TABLESPACE ") + QuoteIdentifier(S.Tablespace);
}

void StorageDDL::AlterN(const TStorageSnapshot &S, QStringList &List)
{
    if (SuppressedInWindow(S) || S.DBVer < 90500)
        return;
    if ((S.Sheet == ssDefault || S.Sheet == ssPartition) && S.Log.Changed)
        List << (S.Log.Checked ? QStringLiteral("SET LOGGED") : QStringLiteral("SET UNLOGGED"));
}

void StorageDDL::AlterV(const TStorageSnapshot &S, QStringList &List)
{
    const QString head = (IsMView(S) ? QStringLiteral("ALTER MATERIALIZED VIEW ") : QStringLiteral("ALTER TABLE ")) +
                         QualifiedObject(S);
    QStringList set;
    SetLines(S.Table, QString(), S.AutoVacuum.Checked, set);
    SetLines(S.Toast, QStringLiteral("TOAST."), S.AutoVacuum.Checked, set);
    if (!set.isEmpty()) {
        DropLastChar(set);
        List << head + QStringLiteral(" SET (") << set << QStringLiteral(")") << Semicolon;
    }

    QStringList reset;
    const TStorageFlag &te = S.Table.EnabledBox;
    if ((te.Changed && !te.Checked) || (!te.Enabled && S.AutoVacuum.Changed))
        reset << Indent + QStringLiteral("AUTOVACUUM_ENABLED,");
    for (int i = 0; i < AutoVacuumParamCount; ++i) {
        const TStorageValue &v = S.Table.Params[i];
        if ((v.Changed && v.Text.isEmpty()) || (!v.Enabled && S.AutoVacuum.Changed))
            reset << Indent + AutoVacuumOptionName(i).toUpper() + u',';
    }
    const TStorageFlag &xe = S.Toast.EnabledBox;
    if ((xe.Changed && !xe.Checked) || !xe.Enabled)
        reset << Indent + QStringLiteral("TOAST.AUTOVACUUM_ENABLED,");
    for (int i = 0; i < AutoVacuumParamCount; ++i) {
        const TStorageValue &v = S.Toast.Params[i];
        if ((v.Changed && v.Text.isEmpty()) || !v.Enabled)
            reset << Indent + QStringLiteral("TOAST.") + AutoVacuumOptionName(i).toUpper() + u',';
    }
    if (!reset.isEmpty()) {
        DropLastChar(reset);
        List << head + QStringLiteral(" RESET (") << reset << QStringLiteral(")") << Semicolon;
    }
}

void StorageDDL::AlterP(const TStorageSnapshot &S, const QList<TLoadedParent> &Loaded, QStringList &List)
{
    if (SuppressedInWindow(S))
        return;
    const QString head = QStringLiteral("ALTER TABLE ") + QualifiedObject(S);
    // Added parents.
    for (const TParentRow &r : S.Parents)
        if (!r.Text.isEmpty() && r.LoadPos == 0)
            List << head + QStringLiteral(" INHERIT ") + QuoteQualifiedName(r.Text) << Semicolon;
    // Replaced parents: every removal first, then every addition.
    QStringList drops, adds;
    for (const TParentRow &r : S.Parents) {
        if (r.LoadPos == 0 || !r.Changed)
            continue;
        for (const TLoadedParent &p : Loaded) {
            if (p.Number != r.LoadPos)
                continue;
            const QString old = ParentCellText(p.Schema, p.Name);
            if (r.Text != old && !TrimBlanks(r.Text).isEmpty()) {
                drops << head + QStringLiteral(" NO INHERIT ") + old << Semicolon;
                adds << head + QStringLiteral(" INHERIT ") + QuoteQualifiedName(r.Text) << Semicolon;
            }
        }
    }
    List << drops << adds;
    // Removed parents: no row carries their position any more (or its text
    // was emptied).
    for (const TLoadedParent &p : Loaded) {
        bool kept = false;
        for (const TParentRow &r : S.Parents)
            if (r.LoadPos == p.Number && !TrimBlanks(r.Text).isEmpty())
                kept = true;
        if (!kept)
            List << head + QStringLiteral(" NO INHERIT ") + ParentCellText(p.Schema, p.Name) << Semicolon;
    }
}

bool StorageDDL::IsCreate(const TStorageSnapshot &S)
{
    return S.TablespaceChanged || S.OnCommitDelete.Changed || S.OnCommitPreserve.Changed ||
           (S.DBVer < 90500 && S.Log.Changed);
}

bool StorageDDL::IsChanged(const TStorageSnapshot &S, TStorageType Mode)
{
    if (Mode != ptNormal)
        return false;
    if (S.AutoVacuum.Changed || S.Table.EnabledBox.Changed || S.Toast.EnabledBox.Changed)
        return true;
    for (int i = 0; i < AutoVacuumParamCount; ++i)
        if (S.Table.Params[i].Changed || S.Toast.Params[i].Changed)
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// Names and values

QString QuoteQualifiedName(const QString &Text)
{
    // Split at the dots outside double quotes.
    QStringList parts;
    QString part;
    bool quoted = false;
    for (const QChar c : Text) {
        if (c == u'"')
            quoted = !quoted;
        if (c == u'.' && !quoted) {
            parts << part;
            part.clear();
            continue;
        }
        part += c;
    }
    parts << part;
    QStringList out;
    for (const QString &p : parts)
        out << QuoteIdentifier(TrimBlanks(p));
    return out.join(u'.');
}

QString ParentCellText(const QString &Schema, const QString &Name)
{
    return QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name);
}

bool ReloptionIsTrue(const QString &Value)
{
    const QString v = Value.trimmed().toLower();
    if (v.isEmpty())
        return false;
    if (v == QLatin1String("1") || v == QLatin1String("on"))
        return true;
    return QStringLiteral("true").startsWith(v) || QStringLiteral("yes").startsWith(v);
}

