#include "objects/table/TableDefinition.h"

#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "platform/db/Query.h"

#include <QJsonArray>
#include <algorithm>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString Semicolon = QStringLiteral(";");

struct CloseOnExit {
    tv::db::Query &q;
    ~CloseOnExit() { q.Close(); }
};

// Pads a text with blanks on the right up to Width display columns.
QString PadDisplay(const QString &Text, int Width)
{
    const int w = DisplayWidth(Text);
    return w >= Width ? Text : Text + QString(Width - w, u' ');
}

QString Head(const QString &Schema, const QString &Table)
{
    return QStringLiteral("ALTER TABLE ") + QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Table);
}

const TTableColumn *LoadedAt(const TTableDefinition &Loaded, int Pos)
{
    for (const TTableColumn &c : Loaded.Columns)
        if (c.Pos == Pos)
            return &c;
    return nullptr;
}

// The key columns: those of the loaded key still checked, in key order,
// then the other checked columns in grid order.
QStringList KeyColumns(const TTableDefinition &Loaded, const TTableDefinition &Current)
{
    QStringList keys;
    for (const QString &name : Loaded.Primary)
        for (const TTableColumn &c : Current.Columns) {
            const TTableColumn *old = c.Pos > 0 ? LoadedAt(Loaded, c.Pos) : nullptr;
            if (c.Primary && old && old->Name == name && !keys.contains(c.Name))
                keys << c.Name;
        }
    for (const TTableColumn &c : Current.Columns)
        if (c.Primary && !keys.contains(c.Name))
            keys << c.Name;
    return keys;
}

QString QuotedJoin(const QStringList &Names)
{
    QStringList q;
    for (const QString &n : Names)
        q << QuoteIdentifier(n);
    return q.join(QStringLiteral(", "));
}

} // namespace

QString TTableDefinition::KeyName() const
{
    for (const TTableConstraint &c : Constraints)
        if (c.Kind == QLatin1String("PRIMARY KEY"))
            return c.Name;
    return QStringLiteral("PK_") + Name;
}

QString TableSQL::Table(int DBVer)
{
    const QString identity = DBVer >= 100000 ? QStringLiteral("A.attidentity::text") : QStringLiteral("''");
    const QString generated = DBVer >= 120000 ? QStringLiteral("A.attgenerated::text") : QStringLiteral("''");
    const QString persistence =
        DBVer >= 90100 ? QStringLiteral("C.relpersistence::text")
                       : QStringLiteral("CASE WHEN C.relistemp THEN 't' ELSE '' END");
    const QString kinds = DBVer >= 100000 ? QStringLiteral("'r', 't', 'f', 'p'") : QStringLiteral("'r', 't', 'f'");
    const QString include =
        DBVer >= 110000
            ? QStringLiteral("ARRAY(SELECT IA.attname FROM pg_index X CROSS JOIN LATERAL unnest(X.indkey::int2[]) WITH ORDINALITY"
                             " AS U(n, o) JOIN pg_attribute IA ON IA.attrelid = X.indrelid AND IA.attnum = U.n"
                             " WHERE X.indexrelid = K.conindid AND U.o > X.indnkeyatts ORDER BY U.o)")
            : QStringLiteral("ARRAY[]::name[]");
    const QString identityOf =
        DBVer >= 90400 ? QStringLiteral("C.relreplident::text AS relreplident, (SELECT RI.relname FROM pg_index X"
                                        " JOIN pg_class RI ON RI.oid = X.indexrelid WHERE X.indrelid = C.oid"
                                        " AND X.indisreplident) AS replident,")
                       : QStringLiteral("NULL AS relreplident, NULL AS replident,");
    const QString partition =
        DBVer >= 100000
            ? QStringLiteral("CASE WHEN C.relkind = 'p' THEN pg_get_partkeydef(C.oid) END AS partkey,"
                             " CASE WHEN C.relispartition THEN (SELECT quote_ident(PN.nspname) || '.' ||"
                             " quote_ident(P.relname) FROM pg_inherits I JOIN pg_class P ON P.oid = I.inhparent"
                             " JOIN pg_namespace PN ON PN.oid = P.relnamespace WHERE I.inhrelid = C.oid) END"
                             " AS partof, CASE WHEN C.relispartition THEN pg_get_expr(C.relpartbound, C.oid) END"
                             " AS partbound")
            : QStringLiteral("NULL AS partkey, NULL AS partof, NULL AS partbound");
    return QStringLiteral(
               "SELECT D.description, TS.spcname, %3 AS relpersistence, C.relkind, C.reltoastrelid,"
               " (SELECT DT.spcname FROM pg_database DB LEFT JOIN pg_tablespace DT ON DB.dattablespace = DT.oid"
               " WHERE DB.datname = :DATABASE) AS defspcname,"
               " (SELECT json_agg(json_build_object('attname', A.attname,"
               " 'typname', format_type(A.atttypid, NULL), 'fulltype', format_type(A.atttypid, A.atttypmod),"
               " 'notnull', A.attnotnull, 'adsrc', pg_get_expr(AD.adbin, AD.adrelid),"
               " 'comment', col_description(C.oid, A.attnum), 'attnum', A.attnum,"
               " 'collname', CASE WHEN A.attcollation <> TY.typcollation AND A.attcollation <> 0 THEN"
               " CASE WHEN CN.nspname = 'pg_catalog' THEN quote_ident(CO.collname)"
               " ELSE quote_ident(CN.nspname) || '.' || quote_ident(CO.collname) END END,"
               " 'identity', %1, 'generated', %2, 'local', A.attislocal, 'inhcount', A.attinhcount,"
               " 'stattarget', coalesce(A.attstattarget, -1),"
               " 'storage', CASE WHEN A.attstorage <> TY.typstorage THEN A.attstorage::text END)"
               " ORDER BY A.attnum)"
               " FROM pg_attribute A LEFT JOIN pg_type TY ON TY.oid = A.atttypid"
               " LEFT JOIN pg_attrdef AD ON AD.adrelid = A.attrelid AND AD.adnum = A.attnum"
               " LEFT JOIN pg_collation CO ON CO.oid = A.attcollation"
               " LEFT JOIN pg_namespace CN ON CN.oid = CO.collnamespace"
               " WHERE A.attrelid = C.oid AND A.attnum > 0 AND NOT A.attisdropped) AS cols,"
               " (SELECT json_agg(json_build_object('conname', K.conname, 'contype', K.contype,"
               " 'consrc', pg_get_expr(K.conbin, K.conrelid), 'condef', pg_get_constraintdef(K.oid),"
               " 'keycols', ARRAY(SELECT KA.attname FROM unnest(K.conkey) WITH ORDINALITY AS KN(n, o)"
               " JOIN pg_attribute KA ON KA.attrelid = K.conrelid AND KA.attnum = KN.n ORDER BY KN.o),"
               " 'spcname', KT.spcname, 'deferrable', K.condeferrable, 'deferred', K.condeferred,"
               " 'validated', K.convalidated, 'noinherit', K.connoinherit, 'local', K.conislocal,"
               " 'idxopts', KI.reloptions, 'inccols', %5) ORDER BY K.contype <> 'p', K.conname)"
               " FROM pg_constraint K LEFT JOIN pg_class KI ON KI.oid = K.conindid"
               " LEFT JOIN pg_tablespace KT ON KT.oid = KI.reltablespace"
               " WHERE K.conrelid = C.oid AND K.contype IN ('p', 'c', 'u', 'f', 'x')) AS cons,"
               " array_to_json(C.reloptions) AS relopts,"
               " (SELECT array_to_json(T.reloptions) FROM pg_class T WHERE T.oid = C.reltoastrelid) AS toastopts,"
               " (SELECT json_agg(json_build_object('nspname', PN.nspname, 'relname', P.relname) ORDER BY I.inhseqno)"
               " FROM pg_inherits I JOIN pg_class P ON P.oid = I.inhparent"
               " JOIN pg_namespace PN ON PN.oid = P.relnamespace WHERE I.inhrelid = C.oid) AS parents,"
               " (SELECT json_agg(A.attname ORDER BY I.inhseqno, A.attnum) FROM pg_inherits I"
               " JOIN pg_attribute A ON A.attrelid = I.inhparent AND A.attnum > 0 AND NOT A.attisdropped"
               " WHERE I.inhrelid = C.oid) AS inhcols, %7"
               " (SELECT CI.relname FROM pg_index X JOIN pg_class CI ON CI.oid = X.indexrelid"
               " WHERE X.indrelid = C.oid AND X.indisclustered) AS clustered, %6"
               " FROM pg_class C JOIN pg_namespace NS ON C.relnamespace = NS.oid"
               " LEFT JOIN pg_description D ON C.oid = D.objoid AND D.classoid = 'pg_class'::regclass"
               " AND D.objsubid = 0"
               " LEFT JOIN pg_tablespace TS ON C.reltablespace = TS.oid"
               " WHERE C.relkind IN (%4) AND NS.nspname = :SCHEMA AND C.relname = :TBLNAME")
        .arg(identity, generated, persistence, kinds, include, partition, identityOf);
}

void SplitColumnType(const QString &TypeName, const QString &FullType, QString &Type, QString &Length)
{
    QString base = TypeName;
    const bool array = base.endsWith(QLatin1String("[]"));
    if (array)
        base.chop(2);
    if (FullType.startsWith(base + u'(')) {
        const qsizetype open = base.size();
        const qsizetype close = FullType.indexOf(u')', open);
        const QString rest = close < 0 ? QString() : FullType.mid(close + 1);
        // A modifier followed by more than "[]" (time types) stays in the type.
        if (close > open && (rest.isEmpty() || rest == QLatin1String("[]"))) {
            Type = TypeName;
            Length = FullType.mid(open + 1, close - open - 1);
            return;
        }
    }
    Type = FullType;
    Length.clear();
}

std::optional<TTableDefinition> LoadTableDefinition(tv::db::Query &Query, const QString &Schema,
                                                    const QString &Name, const QString &Database, int DBVer)
{
    CloseOnExit closer{Query};
    Query.Close();
    Query.SetSQL(TableSQL::Table(DBVer));
    Query.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    Query.ParamByName(QStringLiteral("TBLNAME")).setAsString(Name);
    Query.ParamByName(QStringLiteral("DATABASE")).setAsString(Database);
    // Read once per table by script output of whole schemas: the server
    // plans it once per session.
    Query.SetKeepPrepared(true);
    try {
        Query.Open();
    } catch (...) {
        Query.SetKeepPrepared(false);
        throw;
    }
    Query.SetKeepPrepared(false);
    if (Query.IsEmpty())
        return std::nullopt;
    auto text = [&Query](const char *field) { return Query.FieldByName(QString::fromLatin1(field)).AsString(); };
    auto json = [&text](const char *field) { return QJsonDocument::fromJson(text(field).toUtf8()).array(); };
    auto first = [](const QString &t, QChar none) { return t.isEmpty() ? none : t.at(0); };
    TTableDefinition d;
    d.Schema = Schema;
    d.Name = Name;
    d.Comment = text("description");
    d.Tablespace = text("spcname");
    d.Persistence = first(text("relpersistence"), u'p');
    d.RelKind = first(text("relkind"), u'r');
    // A partitioned table takes no default tablespace by name: its own and
    // its keys' stay empty when they have none.
    const QString defaultTablespace = d.RelKind == u'p' ? QString() : text("defspcname");
    if (d.Tablespace.isEmpty())
        d.Tablespace = defaultTablespace;
    d.HasToast = Query.FieldByName(QStringLiteral("reltoastrelid")).AsInt64() != 0;

    int pos = 0;
    for (const QJsonValue &v : json("cols")) {
        const QJsonObject o = v.toObject();
        auto str = [&o](const char *key) { return o.value(QLatin1String(key)).toString(); };
        TTableColumn c;
        c.Pos = ++pos;
        c.AttNum = o.value(QLatin1String("attnum")).toInt();
        c.Name = str("attname");
        SplitColumnType(str("typname"), str("fulltype"), c.Type, c.Length);
        c.NotNull = o.value(QLatin1String("notnull")).toBool();
        c.Default = str("adsrc");
        c.Comment = str("comment");
        c.Collation = str("collname");
        c.Identity = first(str("identity"), QChar());
        c.Generated = first(str("generated"), QChar());
        c.Local = o.value(QLatin1String("local")).toBool(true);
        c.InhCount = o.value(QLatin1String("inhcount")).toInt();
        c.StatTarget = o.value(QLatin1String("stattarget")).toInt(-1);
        c.Storage = first(str("storage"), QChar());
        d.Columns << c;
    }

    for (const QJsonValue &v : json("cons")) {
        const QJsonObject o = v.toObject();
        auto str = [&o](const char *key) { return o.value(QLatin1String(key)).toString(); };
        TTableConstraint c;
        c.Name = str("conname");
        c.Tablespace = str("spcname");
        if (c.Tablespace.isEmpty())
            c.Tablespace = defaultTablespace;
        const QString type = str("contype");
        const QString def = str("condef");
        c.Deferrable = o.value(QLatin1String("deferrable")).toBool();
        c.Deferred = o.value(QLatin1String("deferred")).toBool();
        c.Validated = o.value(QLatin1String("validated")).toBool(true);
        c.NoInherit = o.value(QLatin1String("noinherit")).toBool();
        c.Local = o.value(QLatin1String("local")).toBool(true);
        for (const QJsonValue &x : o.value(QLatin1String("idxopts")).toArray())
            c.IndexOptions << x.toString();
        for (const QJsonValue &x : o.value(QLatin1String("inccols")).toArray())
            c.Include << x.toString();
        if (type == QLatin1String("p")) {
            c.Kind = QStringLiteral("PRIMARY KEY");
            c.Param = def.mid(12);
            for (const QJsonValue &k : o.value(QLatin1String("keycols")).toArray())
                d.Primary << k.toString();
            for (TTableColumn &col : d.Columns)
                col.Primary = d.Primary.contains(col.Name);
        } else if (type == QLatin1String("c")) {
            c.Kind = QStringLiteral("CHECK");
            c.Param = str("consrc");
        } else if (type == QLatin1String("u")) {
            c.Kind = QStringLiteral("UNIQUE");
            c.Param = def.mid(7);
        } else if (type == QLatin1String("f")) {
            c.Kind = QStringLiteral("FOREIGN KEY");
            c.Param = def.mid(12);
        } else {
            c.Kind = QStringLiteral("EXCLUDE");
            const qsizetype at = def.indexOf(QStringLiteral(" USING "));
            c.Param = at < 0 ? def : def.mid(at + 7);
        }
        d.Constraints << c;
    }

    for (const QJsonValue &v : json("relopts"))
        d.RelOptions << v.toString();
    for (const QJsonValue &v : json("toastopts"))
        d.ToastOptions << v.toString();
    int number = 0;
    for (const QJsonValue &v : json("parents")) {
        const QJsonObject o = v.toObject();
        d.Parents.append({++number, o.value(QLatin1String("nspname")).toString(),
                          o.value(QLatin1String("relname")).toString()});
    }
    for (const QJsonValue &v : json("inhcols"))
        if (!d.InheritedOrder.contains(v.toString()))
            d.InheritedOrder << v.toString();
    d.PartitionKey = text("partkey");
    d.PartitionOf = text("partof");
    d.PartitionBound = text("partbound");
    d.ReplicaIdentity = first(text("relreplident"), u'd');
    d.ReplicaIndex = text("replident");
    d.ClusterIndex = text("clustered");
    return d;
}

TStorageSnapshot TableStorage(const TTableDefinition &Def, TSourceMode Mode, int DBVer)
{
    TStorageSnapshot s;
    s.ObjType = 45;
    s.Mode = Mode;
    s.ShowStorageSource = tvOption.ShowStorageSource;
    s.ScriptStorage = ScriptOption.Storage;
    s.DBVer = DBVer;
    s.Schema = Def.Schema;
    s.ObjectName = Def.Name;
    s.Sheet = Def.Temporary() ? ssTemporary : ssDefault;
    s.Tablespace = Def.Tablespace;
    s.Log.Checked = Def.Persistence != u'u';
    // The autovacuum switch is on when either relation has its own setting.
    auto fill = [&s](const QStringList &Options, TVacuumHalf &Half) {
        for (const QString &option : Options) {
            const qsizetype eq = option.indexOf(u'=');
            const QString name = option.left(eq);
            const QString value = eq < 0 ? QString() : option.mid(eq + 1);
            if (name == QLatin1String("autovacuum_enabled")) {
                Half.EnabledBox.Checked = ReloptionIsTrue(value);
                s.AutoVacuum.Checked = true;
                continue;
            }
            for (int i = 0; i < AutoVacuumParamCount; ++i)
                if (name == AutoVacuumOptionName(i)) {
                    Half.Params[i].Text = value;
                    s.AutoVacuum.Checked = true;
                }
        }
    };
    fill(Def.RelOptions, s.Table);
    fill(Def.ToastOptions, s.Toast);
    for (const TLoadedParent &p : Def.Parents)
        s.Parents.append({ParentCellText(p.Schema, p.Name), p.Number, false});
    return s;
}

QString TableDDL::TypeText(const TTableColumn &Column)
{
    QString type = QuoteIdentifierList(Column.Type, false, QStringLiteral("."));
    if (type.endsWith(QLatin1String("[]"))) {
        type.chop(2);
        if (!Column.Length.isEmpty())
            type += u'(' + Column.Length + u')';
        return type + QStringLiteral("[]");
    }
    if (!Column.Length.isEmpty())
        type += u'(' + Column.Length + u')';
    return type;
}

QString TableDDL::ColumnTail(const TTableColumn &Column)
{
    QString tail;
    if (!Column.Collation.isEmpty())
        tail += QStringLiteral(" COLLATE ") + Column.Collation;
    if (Column.Generated == u's' && !Column.Default.isEmpty())
        tail += QStringLiteral(" GENERATED ALWAYS AS (") + Column.Default + QStringLiteral(") STORED");
    else if (Column.Identity == u'a')
        tail += QStringLiteral(" GENERATED ALWAYS AS IDENTITY");
    else if (Column.Identity == u'd')
        tail += QStringLiteral(" GENERATED BY DEFAULT AS IDENTITY");
    else if (!Column.Default.isEmpty())
        tail += QStringLiteral(" DEFAULT ") + Column.Default;
    if (Column.NotNull)
        tail += QStringLiteral(" NOT NULL");
    return tail;
}

namespace {

// "name=value" options as a WITH list: WITH (name='value', ...).
QString WithClause(const QStringList &Options)
{
    QStringList items;
    for (const QString &o : Options) {
        const qsizetype eq = o.indexOf(u'=');
        if (eq > 0)
            items << o.left(eq) + u'=' + QuoteLiteral(o.mid(eq + 1));
    }
    return items.isEmpty() ? QString() : QStringLiteral("WITH (") + items.join(QStringLiteral(", ")) + u')';
}

// DEFERRABLE and INITIALLY DEFERRED as the constraint has them.
QString DeferClause(const TTableConstraint &K)
{
    QStringList words;
    if (K.Deferrable)
        words << QStringLiteral("DEFERRABLE");
    if (K.Deferred)
        words << QStringLiteral("INITIALLY DEFERRED");
    return words.join(u' ');
}

// A column's name in the new table by its name as loaded; empty when it
// is gone.
QString CurrentName(const TTableDefinition &Def, const TTableDefinition *Loaded, const QString &OldName)
{
    if (!Loaded)
        return OldName;
    for (const TTableColumn &old : Loaded->Columns)
        if (old.Name == OldName)
            for (const TTableColumn &c : Def.Columns)
                if (c.Pos == old.Pos && c.Pos > 0)
                    return c.Name;
    return QString();
}

} // namespace

QString TTableConstraint::Body() const
{
    QString body = Param;
    auto strip = [&body](bool Present, const QString &Word) {
        if (Present && body.endsWith(Word))
            body.chop(Word.size());
    };
    strip(!Validated, QStringLiteral(" NOT VALID"));
    strip(Deferred, QStringLiteral(" INITIALLY DEFERRED"));
    strip(Deferrable, QStringLiteral(" DEFERRABLE"));
    return body;
}

void TableDDL::Create(const TTableDefinition &Def, const TTableCreateContext &Ctx, QStringList &List)
{
    const QString prefix = Def.Temporary() ? QString() : Ctx.Prefix;
    const QString target = prefix + QuoteIdentifier(Def.Name);
    const QString alter = QStringLiteral("ALTER TABLE ") + target;
    // A partition is attached to its parent, never inherits from it.
    QStringList storage = Ctx.StorageClauses;
    if (!Def.PartitionOf.isEmpty())
        storage.removeIf([](const QString &l) { return l.startsWith(QLatin1String("INHERITS (")); });
    const bool inherits = std::any_of(storage.cbegin(), storage.cend(), [](const QString &l) {
        return l.startsWith(QLatin1String("INHERITS ("));
    });
    // Keys and checks that the parents give come with the INHERITS; the
    // ATTACH PARTITION makes the keys but wants the checks in place.
    const bool partition = !Def.PartitionOf.isEmpty() && !Ctx.Copy;
    const bool fromParents = inherits || partition;
    QStringList after, afterRows;
    QStringList lines;
    if (Def.Temporary())
        lines << QStringLiteral("CREATE TEMPORARY TABLE ") + QuoteIdentifier(Def.Name);
    else
        lines << QStringLiteral("CREATE") + (Ctx.Unlogged ? QStringLiteral(" UNLOGGED") : QString()) +
                     QStringLiteral(" TABLE ") + target;
    lines << QStringLiteral("(");
    for (const TTableColumn &c : Def.Columns) {
        if (c.Name.isEmpty())
            continue;
        if (inherits && c.InheritedOnly()) {
            // Its parents give it; declaring it would make it the table's own.
            const QString col = QStringLiteral("    ALTER COLUMN ") + QuoteIdentifier(c.Name);
            if (!c.Default.isEmpty() && c.Generated.isNull() && c.Identity.isNull())
                after << alter << col + QStringLiteral(" SET DEFAULT ") + c.Default << Semicolon;
            if (c.NotNull)
                after << alter << col + QStringLiteral(" SET NOT NULL") << Semicolon;
            continue;
        }
        lines << QStringLiteral("    ") + PadDisplay(QuoteIdentifier(c.Name), 31) + u' ' + TypeText(c) +
                     ColumnTail(c) + u',';
    }
    QStringList keys;
    for (const TTableColumn &c : Def.Columns)
        if (!c.Name.isEmpty() && c.Primary)
            keys << c.Name;
    const TTableConstraint *key = nullptr;
    for (const TTableConstraint &k : Def.Constraints)
        if (k.Kind == QLatin1String("PRIMARY KEY"))
            key = &k;
    if (!keys.isEmpty() && !(fromParents && key && !key->Local)) {
        // Key order as loaded, new key columns after.
        TTableDefinition asLoaded;
        if (!Ctx.Loaded) {
            asLoaded.Primary = Def.Primary;
            for (const TTableColumn &c : Def.Columns)
                if (c.Pos > 0)
                    asLoaded.Columns << c;
        }
        keys = KeyColumns(Ctx.Loaded ? *Ctx.Loaded : asLoaded, Def);
        QString line = QStringLiteral("    CONSTRAINT ") + QuoteIdentifier(Def.KeyName()) +
                       QStringLiteral(" PRIMARY KEY  (") + QuotedJoin(keys) + QStringLiteral(") ");
        // The key's own attributes as loaded.
        if (key) {
            QStringList include;
            for (const QString &n : key->Include) {
                const QString now = CurrentName(Def, Ctx.Loaded, n);
                if (!now.isEmpty())
                    include << now;
            }
            if (!include.isEmpty())
                line += QStringLiteral(" INCLUDE (") + QuotedJoin(include) + u')';
            const QString with = WithClause(key->IndexOptions);
            if (!with.isEmpty())
                line += u' ' + with;
        }
        if (Ctx.ShownWindow && !Ctx.KeyTablespace.isEmpty())
            line += QStringLiteral(" USING INDEX TABLESPACE ") + QuoteIdentifier(Ctx.KeyTablespace);
        if (key && !DeferClause(*key).isEmpty())
            line += u' ' + DeferClause(*key);
        lines << line + u',';
    }
    int uniqueNo = 0;
    for (const TTableConstraint &k : Def.Constraints) {
        if (k.Kind == QLatin1String("PRIMARY KEY"))
            continue;
        if (Ctx.Copy && k.Kind != QLatin1String("UNIQUE"))
            continue;
        // A constraint only its parents give comes with them.
        if (!k.Local && (inherits || (partition && k.Kind != QLatin1String("CHECK"))))
            continue;
        const QString defer = DeferClause(k);
        if (k.Kind == QLatin1String("UNIQUE")) {
            const QString with = WithClause(k.IndexOptions);
            const QString body = k.Body() + (with.isEmpty() ? QString() : u' ' + with);
            if (Ctx.ShownWindow && !Ctx.ShowStorageSource) {
                lines << QStringLiteral("    CONSTRAINT ") + QuoteIdentifier(k.Name) + QStringLiteral(" UNIQUE ") +
                             body + (defer.isEmpty() ? QString() : u' ' + defer) + u',';
                continue;
            }
            const QString name = Ctx.Copy && !Ctx.CopyIndex
                                     ? QStringLiteral("UK_") + Def.Name + QString::number(++uniqueNo)
                                     : k.Name;
            lines << QStringLiteral("    CONSTRAINT ") + QuoteIdentifier(name) + QStringLiteral(" UNIQUE ") + body;
            if ((Ctx.ShownWindow || Ctx.ScriptStorage) && Ctx.UniqueStorage) {
                const QStringList storage = Ctx.UniqueStorage(k.Name);
                if (!storage.isEmpty())
                    lines << QStringLiteral("    USING INDEX") << storage;
            }
            // DEFERRABLE follows the index clauses.
            if (!defer.isEmpty())
                lines << QStringLiteral("    ") + defer;
            lines.last() += u',';
        } else if (k.Kind == QLatin1String("FOREIGN KEY")) {
            const QString text = QStringLiteral("CONSTRAINT ") + QuoteIdentifier(k.Name) +
                                 QStringLiteral(" FOREIGN KEY ") + k.Body() +
                                 (defer.isEmpty() ? QString() : u' ' + defer);
            if (k.Validated)
                lines << QStringLiteral("    ") + text + u',';
            else
                afterRows << alter << QStringLiteral("    ADD ") + text + QStringLiteral(" NOT VALID") << Semicolon;
        } else if (k.Kind == QLatin1String("EXCLUDE")) {
            lines << QStringLiteral("    CONSTRAINT ") + QuoteIdentifier(k.Name) + u' ' + k.Kind +
                         QStringLiteral(" USING ") + k.Param + u',';
        } else {
            const QString text = QStringLiteral("CONSTRAINT ") + QuoteIdentifier(k.Name) + u' ' + k.Kind +
                                 QStringLiteral(" ( ") + k.Param + QStringLiteral(" ) ") +
                                 (k.NoInherit ? QStringLiteral("NO INHERIT ") : QString());
            // A CREATE TABLE would take it as valid and check the rows.
            if (k.Validated)
                lines << QStringLiteral("    ") + text + u',';
            else
                afterRows << alter << QStringLiteral("    ADD ") + text + QStringLiteral("NOT VALID") << Semicolon;
        }
    }
    if (lines.size() > 2 && lines.last().endsWith(u','))
        lines.last().chop(1);
    lines << QStringLiteral(")");
    if (!Def.PartitionKey.isEmpty())
        lines << QStringLiteral("PARTITION BY ") + Def.PartitionKey;
    lines << storage << Semicolon;
    if (!Def.Comment.isEmpty())
        lines << QStringLiteral("COMMENT ON TABLE ") + prefix + QuoteIdentifier(Def.Name) + QStringLiteral(" IS ") +
                     QuoteLiteral(Def.Comment)
              << Semicolon;
    for (const TTableColumn &c : Def.Columns)
        if (!c.Name.isEmpty() && !c.Comment.isEmpty())
            lines << QStringLiteral("COMMENT ON COLUMN ") + prefix + QuoteIdentifier(Def.Name) + u'.' +
                         QuoteIdentifier(c.Name) + QStringLiteral(" IS ") + QuoteLiteral(c.Comment)
                  << Semicolon;
    lines << after;
    // Attached once its rows and NOT VALID checks are in, as its parent's
    // NOT VALID checks ask.
    if (partition && !Def.PartitionBound.isEmpty())
        afterRows << QStringLiteral("ALTER TABLE ") + Def.PartitionOf + QStringLiteral(" ATTACH PARTITION ") + target +
                         u' ' + Def.PartitionBound
                  << Semicolon;
    if (Ctx.AfterRows)
        *Ctx.AfterRows << afterRows;
    else
        lines << afterRows;
    List << lines;
}

void TableDDL::Settings(const TTableDefinition &Def, const QString &Target, QStringList &Settings,
                        QStringList &Indexed)
{
    const QString only = QStringLiteral("ALTER TABLE ONLY ") + Target;
    for (const TTableColumn &c : Def.Columns) {
        if (c.Name.isEmpty())
            continue;
        const QString column = only + QStringLiteral(" ALTER COLUMN ") + QuoteIdentifier(c.Name);
        if (c.StatTarget >= 0)
            Settings << column + QStringLiteral(" SET STATISTICS ") + QString::number(c.StatTarget) << Semicolon;
        const QString storage = c.Storage == u'p'   ? QStringLiteral("PLAIN")
                                : c.Storage == u'e' ? QStringLiteral("EXTERNAL")
                                : c.Storage == u'm' ? QStringLiteral("MAIN")
                                : c.Storage == u'x' ? QStringLiteral("EXTENDED")
                                                    : QString();
        if (!storage.isEmpty())
            Settings << column + QStringLiteral(" SET STORAGE ") + storage << Semicolon;
    }
    if (Def.ReplicaIdentity == u'f')
        Settings << only + QStringLiteral(" REPLICA IDENTITY FULL") << Semicolon;
    else if (Def.ReplicaIdentity == u'n')
        Settings << only + QStringLiteral(" REPLICA IDENTITY NOTHING") << Semicolon;
    else if (Def.ReplicaIdentity == u'i' && !Def.ReplicaIndex.isEmpty())
        Indexed << only + QStringLiteral(" REPLICA IDENTITY USING INDEX ") + QuoteIdentifier(Def.ReplicaIndex)
                << Semicolon;
    if (!Def.ClusterIndex.isEmpty())
        Indexed << QStringLiteral("ALTER TABLE ") + Target + QStringLiteral(" CLUSTER ON ") +
                       QuoteIdentifier(Def.ClusterIndex)
                << Semicolon;
}

void TableDDL::Alter(const TTableDefinition &Loaded, const TTableDefinition &Current, const QString &OwnPrefix,
                     const TAlterStorage &Storage, QStringList &List)
{
    const QString head = Head(Current.Schema, Current.Name);
    bool keyChange = false;
    for (const TTableColumn &c : Current.Columns) {
        if (c.Name.isEmpty())
            continue;
        const TTableColumn *old = c.Pos > 0 ? LoadedAt(Loaded, c.Pos) : nullptr;
        if (old ? old->Primary != c.Primary : c.Primary)
            keyChange = true;
    }
    if (keyChange)
        for (const TTableConstraint &k : Current.Constraints)
            if (k.Kind == QLatin1String("PRIMARY KEY"))
                List << QStringLiteral("ALTER TABLE ") + OwnPrefix + QuoteIdentifier(Current.Name) +
                            QStringLiteral(" DROP CONSTRAINT ") + QuoteIdentifier(k.Name)
                     << Semicolon;

    QStringList clauses;
    for (const TTableColumn &c : Current.Columns) {
        if (c.Name.isEmpty())
            continue;
        const TTableColumn *old = c.Pos > 0 ? LoadedAt(Loaded, c.Pos) : nullptr;
        if (!old) {
            clauses << QStringLiteral("ADD COLUMN ") + QuoteIdentifier(c.Name).leftJustified(31) + TypeText(c) +
                           ColumnTail(c);
            continue;
        }
        const QString col = QStringLiteral("    ALTER COLUMN ") + QuoteIdentifier(old->Name).leftJustified(31);
        if (old->Type != c.Type || old->Length != c.Length)
            List << head << col + QStringLiteral(" TYPE ") + TypeText(c) << Semicolon;
        if (old->NotNull != c.NotNull)
            List << head << col + (c.NotNull ? QStringLiteral(" SET NOT NULL") : QStringLiteral(" DROP NOT NULL"))
                 << Semicolon;
        if (old->Default != c.Default)
            List << head
                 << col + (c.Default.isEmpty() ? QStringLiteral(" DROP DEFAULT ")
                                               : QStringLiteral(" SET DEFAULT ") + c.Default)
                 << Semicolon;
    }
    clauses << Storage.AlterN;
    if (!clauses.isEmpty())
        List << head << clauses << Semicolon;
    for (const TTableColumn &c : Current.Columns) {
        const TTableColumn *old = c.Pos > 0 ? LoadedAt(Loaded, c.Pos) : nullptr;
        if (old && !c.Name.isEmpty() && old->Name != c.Name)
            List << head + QStringLiteral(" RENAME COLUMN ") + QuoteIdentifier(old->Name) + QStringLiteral(" TO ") +
                        QuoteIdentifier(c.Name)
                 << Semicolon;
    }
    List << Storage.AlterVP;
    if (keyChange) {
        const QStringList keys = KeyColumns(Loaded, Current);
        if (!keys.isEmpty())
            List << QStringLiteral("ALTER TABLE ") + OwnPrefix + QuoteIdentifier(Current.Name) +
                        QStringLiteral(" ADD CONSTRAINT ") + QuoteIdentifier(Current.KeyName())
                 << QStringLiteral("PRIMARY KEY (") + QuotedJoin(keys) + QStringLiteral(") ") << Semicolon;
    }
    if (Loaded.Comment != Current.Comment)
        List << QStringLiteral("COMMENT ON TABLE ") + OwnPrefix + QuoteIdentifier(Current.Name) +
                    QStringLiteral(" IS ") + QuoteLiteral(Current.Comment)
             << Semicolon;
    for (const TTableColumn &c : Current.Columns) {
        if (c.Name.isEmpty())
            continue;
        const TTableColumn *old = c.Pos > 0 ? LoadedAt(Loaded, c.Pos) : nullptr;
        if (old ? old->Comment != c.Comment : !c.Comment.isEmpty())
            List << QStringLiteral("COMMENT ON COLUMN ") + OwnPrefix + QuoteIdentifier(Current.Name) + u'.' +
                        QuoteIdentifier(c.Name) + QStringLiteral(" IS ") + QuoteLiteral(c.Comment)
                 << Semicolon;
    }
}

void TableDDL::Drop(const QString &Schema, const QString &Name, bool Cascade, QStringList &List)
{
    List << QStringLiteral("DROP TABLE ") + QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name) +
                (Cascade ? QStringLiteral(" CASCADE") : QString())
         << Semicolon;
}

namespace DataPageSQL {

bool LimitValid(const QString &Text)
{
    if (Text.isEmpty())
        return true;
    bool ok = false;
    const qint64 n = Text.toLongLong(&ok);
    return ok && n > 0;
}

namespace {
QString DoubleQuoted(const QString &Name)
{
    QString n = Name;
    n.replace(u'"', QStringLiteral("\"\""));
    return u'"' + n + u'"';
}
} // namespace

QString Build(const QStringList &Fields, const QString &Schema, const QString &Name, QList<TWhereRow> &Rows,
              const QString &FreeCondition)
{
    QStringList select;
    for (const QString &f : Fields)
        select << DoubleQuoted(f);
    QString sql = QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                  DoubleQuoted(Schema) + u'.' + DoubleQuoted(Name);
    bool where = false;
    for (const TWhereRow &r : std::as_const(Rows)) {
        if (r.Cells[1].isEmpty() && r.Cells[2].isEmpty() && r.Cells[3].isEmpty() && r.Cells[4].isEmpty() &&
            r.Cells[5].isEmpty())
            continue;
        if (!where) {
            sql += QStringLiteral(" WHERE ");
            where = true;
        }
        const QString n = QuoteIdentifier(r.Column);
        if (!r.Cells[1].isEmpty())
            sql += n + QStringLiteral(" = ") + r.Cells[1] + QStringLiteral(" AND ");
        if (!r.Cells[2].isEmpty())
            sql += n + QStringLiteral(" <> ") + r.Cells[2] + QStringLiteral(" AND ");
        if (!r.Cells[5].isEmpty())
            sql += n + QStringLiteral(" LIKE ") + r.Cells[5] + QStringLiteral(" AND ");
        if (!r.Cells[3].isEmpty() && !r.Cells[4].isEmpty()) {
            sql += n + QStringLiteral(" BETWEEN ") + r.Cells[3] + QStringLiteral(" AND ") + r.Cells[4] +
                   QStringLiteral(" AND ");
        } else {
            if (!r.Cells[3].isEmpty())
                sql += n + QStringLiteral(" >= ") + r.Cells[3] + QStringLiteral(" AND ");
            if (!r.Cells[4].isEmpty())
                sql += n + QStringLiteral(" <= ") + r.Cells[4] + QStringLiteral(" AND ");
        }
    }
    {
        QString trimmed = sql;
        while (trimmed.endsWith(u' '))
            trimmed.chop(1);
        if (trimmed.endsWith(QLatin1String("AND"), Qt::CaseInsensitive))
            sql.chop(4);
    }
    if (!FreeCondition.isEmpty())
        sql += (where ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ")) + FreeCondition;

    struct Entry {
        QString Key;
        bool Desc;
        int Row;
    };
    QList<Entry> sort;
    for (int i = 0; i < Rows.size(); ++i) {
        QString &cell = Rows[i].Cells[6];
        const QString text = cell.trimmed();
        if (text.isEmpty())
            continue;
        const bool desc = text.toUpper().contains(QLatin1String("DESC"));
        QString digits;
        for (const QChar c : text)
            if (c >= u'0' && c <= u'9')
                digits += c;
        if (!digits.isEmpty() || desc) {
            bool ok = false;
            qint64 n = digits.toLongLong(&ok);
            if (!ok)
                n = 0;
            sort.append({QString::number(n).rightJustified(5, u'0'), desc, i});
        }
        cell.clear();
    }
    if (sort.isEmpty())
        return sql;
    std::stable_sort(sort.begin(), sort.end(), [](const Entry &a, const Entry &b) { return a.Key < b.Key; });
    sql += QStringLiteral(" ORDER BY ");
    for (int i = 0; i < sort.size(); ++i) {
        const Entry &e = sort.at(i);
        if (i > 0)
            sql += u',';
        sql += QuoteIdentifier(Rows.at(e.Row).Column) + (e.Desc ? QStringLiteral(" DESC") : QString());
        Rows[e.Row].Cells[6] = QString::number(i + 1) + (e.Desc ? QStringLiteral(" DESC") : QString());
    }
    return sql;
}

bool CharacterType(const QString &Type)
{
    static const QStringList types = {QStringLiteral("character"),   QStringLiteral("char"),
                                      QStringLiteral("character varying"), QStringLiteral("varchar"),
                                      QStringLiteral("character[]"), QStringLiteral("char[]"),
                                      QStringLiteral("character varying[]"), QStringLiteral("varchar[]")};
    return types.contains(Type);
}

void QuoteCells(TWhereRow &Row, bool LikeWraps)
{
    for (int c = 1; c <= 4; ++c)
        if (!Row.Cells[c].isEmpty() && !Row.Cells[c].startsWith(u'\''))
            Row.Cells[c] = QuoteLiteral(Row.Cells[c]);
    QString &like = Row.Cells[5];
    if (!like.isEmpty() && !like.startsWith(u'\''))
        like = LikeWraps && !like.contains(u'%') && !like.contains(u'_') ? QuoteLiteral(u'%' + like + u'%')
                                                                          : QuoteLiteral(like);
}

void PushHistory(QStringList &Items, const QString &Text)
{
    Items.removeAll(Text);
    Items.prepend(Text);
    while (Items.size() > 20)
        Items.removeLast();
}

} // namespace DataPageSQL
