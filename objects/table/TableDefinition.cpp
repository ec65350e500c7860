#include "objects/table/TableDefinition.h"

#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "platform/db/Query.h"

#include <QJsonArray>
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
               " 'identity', %1, 'generated', %2) ORDER BY A.attnum)"
               " FROM pg_attribute A LEFT JOIN pg_type TY ON TY.oid = A.atttypid"
               " LEFT JOIN pg_attrdef AD ON AD.adrelid = A.attrelid AND AD.adnum = A.attnum"
               " LEFT JOIN pg_collation CO ON CO.oid = A.attcollation"
               " LEFT JOIN pg_namespace CN ON CN.oid = CO.collnamespace"
               " WHERE A.attrelid = C.oid AND A.attnum > 0 AND NOT A.attisdropped) AS cols,"
               " (SELECT json_agg(json_build_object('conname', K.conname, 'contype', K.contype,"
               " 'consrc', pg_get_expr(K.conbin, K.conrelid), 'condef', pg_get_constraintdef(K.oid),"
               " 'keycols', ARRAY(SELECT KA.attname FROM unnest(K.conkey) WITH ORDINALITY AS KN(n, o)"
               " JOIN pg_attribute KA ON KA.attrelid = K.conrelid AND KA.attnum = KN.n ORDER BY KN.o),"
               " 'spcname', KT.spcname) ORDER BY K.contype <> 'p', K.conname)"
               " FROM pg_constraint K LEFT JOIN pg_class KI ON KI.oid = K.conindid"
               " LEFT JOIN pg_tablespace KT ON KT.oid = KI.reltablespace"
               " WHERE K.conrelid = C.oid AND K.contype IN ('p', 'c', 'u', 'f', 'x')) AS cons,"
               " array_to_json(C.reloptions) AS relopts,"
               " (SELECT array_to_json(T.reloptions) FROM pg_class T WHERE T.oid = C.reltoastrelid) AS toastopts,"
               " (SELECT json_agg(json_build_object('nspname', PN.nspname, 'relname', P.relname) ORDER BY I.inhseqno)"
               " FROM pg_inherits I JOIN pg_class P ON P.oid = I.inhparent"
               " JOIN pg_namespace PN ON PN.oid = P.relnamespace WHERE I.inhrelid = C.oid) AS parents"
               " FROM pg_class C JOIN pg_namespace NS ON C.relnamespace = NS.oid"
               " LEFT JOIN pg_description D ON C.oid = D.objoid AND D.classoid = 'pg_class'::regclass"
               " AND D.objsubid = 0"
               " LEFT JOIN pg_tablespace TS ON C.reltablespace = TS.oid"
               " WHERE C.relkind IN (%4) AND NS.nspname = :SCHEMA AND C.relname = :TBLNAME")
        .arg(identity, generated, persistence, kinds);
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
    const QString defaultTablespace = text("defspcname");
    if (d.Tablespace.isEmpty())
        d.Tablespace = defaultTablespace;
    d.Persistence = first(text("relpersistence"), u'p');
    d.RelKind = first(text("relkind"), u'r');
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

void TableDDL::Create(const TTableDefinition &Def, const TTableCreateContext &Ctx, QStringList &List)
{
    const QString prefix = Def.Temporary() ? QString() : Ctx.Prefix;
    QStringList lines;
    if (Def.Temporary())
        lines << QStringLiteral("CREATE TEMPORARY TABLE ") + QuoteIdentifier(Def.Name);
    else
        lines << QStringLiteral("CREATE") + (Ctx.Unlogged ? QStringLiteral(" UNLOGGED") : QString()) +
                     QStringLiteral(" TABLE ") + prefix + QuoteIdentifier(Def.Name);
    lines << QStringLiteral("(");
    for (const TTableColumn &c : Def.Columns) {
        if (c.Name.isEmpty())
            continue;
        lines << QStringLiteral("    ") + PadDisplay(QuoteIdentifier(c.Name), 31) + u' ' + TypeText(c) +
                     ColumnTail(c) + u',';
    }
    QStringList keys;
    for (const TTableColumn &c : Def.Columns)
        if (!c.Name.isEmpty() && c.Primary)
            keys << c.Name;
    if (!keys.isEmpty()) {
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
        if (Ctx.ShownWindow && !Ctx.KeyTablespace.isEmpty())
            line += QStringLiteral(" USING INDEX TABLESPACE ") + QuoteIdentifier(Ctx.KeyTablespace);
        lines << line + u',';
    }
    int uniqueNo = 0;
    for (const TTableConstraint &k : Def.Constraints) {
        if (k.Kind == QLatin1String("PRIMARY KEY"))
            continue;
        if (Ctx.Copy && k.Kind != QLatin1String("UNIQUE"))
            continue;
        if (k.Kind == QLatin1String("UNIQUE")) {
            if (Ctx.ShownWindow && !Ctx.ShowStorageSource) {
                lines << QStringLiteral("    CONSTRAINT ") + QuoteIdentifier(k.Name) + QStringLiteral(" UNIQUE ") +
                             k.Param + u',';
                continue;
            }
            const QString name = Ctx.Copy && !Ctx.CopyIndex
                                     ? QStringLiteral("UK_") + Def.Name + QString::number(++uniqueNo)
                                     : k.Name;
            lines << QStringLiteral("    CONSTRAINT ") + QuoteIdentifier(name) + QStringLiteral(" UNIQUE ") + k.Param;
            if ((Ctx.ShownWindow || Ctx.ScriptStorage) && Ctx.UniqueStorage) {
                const QStringList storage = Ctx.UniqueStorage(k.Name);
                if (!storage.isEmpty())
                    lines << QStringLiteral("    USING INDEX") << storage;
            }
            lines.last() += u',';
        } else if (k.Kind == QLatin1String("FOREIGN KEY")) {
            lines << QStringLiteral("    CONSTRAINT ") + QuoteIdentifier(k.Name) + QStringLiteral(" FOREIGN KEY ") +
                         k.Param + u',';
        } else if (k.Kind == QLatin1String("EXCLUDE")) {
            lines << QStringLiteral("    CONSTRAINT ") + QuoteIdentifier(k.Name) + u' ' + k.Kind +
                         QStringLiteral(" USING ") + k.Param + u',';
        } else {
            lines << QStringLiteral("    CONSTRAINT ") + QuoteIdentifier(k.Name) + u' ' + k.Kind + QStringLiteral(" ( ") +
                         k.Param + QStringLiteral(" ) ") + u',';
        }
    }
    if (lines.size() > 2 && lines.last().endsWith(u','))
        lines.last().chop(1);
    lines << QStringLiteral(")");
    lines << Ctx.StorageClauses << Semicolon;
    if (!Def.Comment.isEmpty())
        lines << QStringLiteral("COMMENT ON TABLE ") + prefix + QuoteIdentifier(Def.Name) + QStringLiteral(" IS ") +
                     QuoteLiteral(Def.Comment)
              << Semicolon;
    for (const TTableColumn &c : Def.Columns)
        if (!c.Name.isEmpty() && !c.Comment.isEmpty())
            lines << QStringLiteral("COMMENT ON COLUMN ") + prefix + QuoteIdentifier(Def.Name) + u'.' +
                         QuoteIdentifier(c.Name) + QStringLiteral(" IS ") + QuoteLiteral(c.Comment)
                  << Semicolon;
    List << lines;
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
