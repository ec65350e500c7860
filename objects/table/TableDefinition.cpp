#include "objects/table/TableDefinition.h"

#include "common/Quote.h"
#include "common/TextUtil.h"
#include "platform/db/Query.h"

#include <QJsonArray>
#include <QJsonDocument>

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

QString TableSQL::Column(int DBVer)
{
    const QString identity =
        DBVer >= 100000 ? QStringLiteral("ColInf.attidentity::text") : QStringLiteral("''::text");
    const QString generated =
        DBVer >= 120000 ? QStringLiteral("ColInf.attgenerated::text") : QStringLiteral("''::text");
    return QStringLiteral(
               "SELECT ColInf.attname, format_type(DatTyp.oid, NULL) AS typname,"
               " format_type(DatTyp.oid, ColInf.atttypmod) AS fulltype,"
               " CASE WHEN ColInf.attnotnull THEN '1' ELSE '' END AS attnotnull,"
               " pg_get_expr(ColDef.adbin, ColDef.adrelid) AS adsrc,"
               " col_description(TblInf.oid, ColInf.attnum) AS comments, ColInf.attnum,"
               " CASE WHEN ColInf.attcollation <> DatTyp.typcollation AND ColInf.attcollation <> 0 THEN"
               " CASE WHEN CollNsp.nspname = 'pg_catalog' THEN quote_ident(Coll.collname)"
               " ELSE quote_ident(CollNsp.nspname) || '.' || quote_ident(Coll.collname) END END AS collname,"
               " %1 AS attidentity, %2 AS attgenerated"
               " FROM pg_attribute ColInf JOIN pg_class TblInf ON ColInf.attrelid = TblInf.oid"
               " JOIN pg_namespace TblNsp ON TblInf.relnamespace = TblNsp.oid"
               " LEFT JOIN pg_type DatTyp ON ColInf.atttypid = DatTyp.oid"
               " LEFT JOIN pg_attrdef ColDef ON ColDef.adrelid = ColInf.attrelid AND ColDef.adnum = ColInf.attnum"
               " LEFT JOIN pg_collation Coll ON ColInf.attcollation = Coll.oid"
               " LEFT JOIN pg_namespace CollNsp ON Coll.collnamespace = CollNsp.oid"
               " WHERE ColInf.attnum > 0 AND ColInf.attisdropped = 'false'"
               " AND TblNsp.nspname = :SCHEMA AND TblInf.relname = :TBLNAME ORDER BY ColInf.attnum")
        .arg(identity, generated);
}

QString TableSQL::Table(int DBVer)
{
    return QStringLiteral("SELECT D.description, TS.spcname, D.objsubid, ") +
           (DBVer >= 90100 ? QStringLiteral("C.relpersistence, ")
                           : QStringLiteral("CASE WHEN C.relistemp THEN 't' ELSE '' END table_kind, ")) +
           QStringLiteral("C.relisshared, C.reltoastrelid, C.relkind,"
                          " (SELECT DT.spcname FROM pg_database DB LEFT JOIN pg_tablespace DT"
                          " ON DB.dattablespace = DT.oid WHERE DB.datname = :DATABASE) AS defspcname "
                          "FROM pg_class C LEFT JOIN pg_namespace NS ON C.relnamespace = NS.oid "
                          "LEFT JOIN pg_description D ON C.oid = D.objoid AND D.classoid = 'pg_class'::regclass "
                          "AND D.objsubid = 0 "
                          "LEFT JOIN pg_tablespace TS ON C.reltablespace = TS.oid "
                          "WHERE C.relkind IN ('r', 't', 'f'") +
           (DBVer >= 100000 ? QStringLiteral(", 'p'") : QString()) +
           QStringLiteral(") AND NS.nspname = :SCHEMA AND C.relname = :TBLNAME ORDER BY D.objsubid");
}

QString TableSQL::Constraints()
{
    // The primary key first, then by name; the table filter holds for
    // every kind.
    return QStringLiteral(
        "SELECT C.conname, C.contype, pg_get_expr(C.conbin, C.conrelid) AS consrc,"
        " pg_get_constraintdef(C.oid) AS condef,"
        " array_to_json(ARRAY(SELECT A.attname FROM unnest(C.conkey) WITH ORDINALITY AS K(n, o)"
        " JOIN pg_attribute A ON A.attrelid = C.conrelid AND A.attnum = K.n ORDER BY K.o)) AS keycols,"
        " TS.spcname"
        " FROM pg_constraint C JOIN pg_class CL2 ON C.conrelid = CL2.oid"
        " LEFT JOIN pg_class IDX ON IDX.oid = C.conindid LEFT JOIN pg_tablespace TS ON TS.oid = IDX.reltablespace"
        " JOIN pg_namespace N ON CL2.relnamespace = N.oid"
        " WHERE N.nspname = :SCHEMA AND CL2.relname = :TBLNAME AND C.contype IN ('p', 'c', 'u', 'f', 'x')"
        " ORDER BY C.contype <> 'p', C.conname");
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
    Query.Open();
    if (Query.IsEmpty())
        return std::nullopt;
    TTableDefinition d;
    d.Schema = Schema;
    d.Name = Name;
    d.Comment = Query.FieldByName(QStringLiteral("description")).AsString();
    d.Tablespace = Query.FieldByName(QStringLiteral("spcname")).AsString();
    if (d.Tablespace.isEmpty())
        d.Tablespace = Query.FieldByName(QStringLiteral("defspcname")).AsString();
    const QString persistence = DBVer >= 90100 ? Query.FieldByName(QStringLiteral("relpersistence")).AsString()
                                               : Query.FieldByName(QStringLiteral("table_kind")).AsString();
    d.Persistence = persistence.isEmpty() ? QChar(u'p') : persistence.at(0);
    const QString defaultTablespace = Query.FieldByName(QStringLiteral("defspcname")).AsString();
    const QString kind = Query.FieldByName(QStringLiteral("relkind")).AsString();
    d.RelKind = kind.isEmpty() ? QChar(u'r') : kind.at(0);
    d.HasToast = Query.FieldByName(QStringLiteral("reltoastrelid")).AsInt64() != 0;
    Query.Close();

    Query.SetSQL(TableSQL::Column(DBVer));
    Query.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    Query.ParamByName(QStringLiteral("TBLNAME")).setAsString(Name);
    Query.Open();
    int pos = 0;
    for (; !Query.Eof(); Query.Next()) {
        TTableColumn c;
        c.Pos = ++pos;
        c.AttNum = Query.FieldByName(QStringLiteral("attnum")).AsInteger();
        c.Name = Query.FieldByName(QStringLiteral("attname")).AsString();
        SplitColumnType(Query.FieldByName(QStringLiteral("typname")).AsString(),
                        Query.FieldByName(QStringLiteral("fulltype")).AsString(), c.Type, c.Length);
        c.NotNull = Query.FieldByName(QStringLiteral("attnotnull")).AsString() == QLatin1String("1");
        c.Default = Query.FieldByName(QStringLiteral("adsrc")).AsString();
        c.Comment = Query.FieldByName(QStringLiteral("comments")).AsString();
        c.Collation = Query.FieldByName(QStringLiteral("collname")).AsString();
        const QString identity = Query.FieldByName(QStringLiteral("attidentity")).AsString();
        const QString generated = Query.FieldByName(QStringLiteral("attgenerated")).AsString();
        if (!identity.isEmpty())
            c.Identity = identity.at(0);
        if (!generated.isEmpty())
            c.Generated = generated.at(0);
        d.Columns << c;
    }
    Query.Close();

    Query.SetSQL(TableSQL::Constraints());
    Query.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    Query.ParamByName(QStringLiteral("TBLNAME")).setAsString(Name);
    Query.Open();
    for (; !Query.Eof(); Query.Next()) {
        TTableConstraint c;
        c.Name = Query.FieldByName(QStringLiteral("conname")).AsString();
        c.Tablespace = Query.FieldByName(QStringLiteral("spcname")).AsString();
        if (c.Tablespace.isEmpty())
            c.Tablespace = defaultTablespace;
        const QString type = Query.FieldByName(QStringLiteral("contype")).AsString();
        const QString def = Query.FieldByName(QStringLiteral("condef")).AsString();
        if (type == QLatin1String("p")) {
            c.Kind = QStringLiteral("PRIMARY KEY");
            c.Param = def.mid(12);
            const QJsonArray cols =
                QJsonDocument::fromJson(Query.FieldByName(QStringLiteral("keycols")).AsString().toUtf8()).array();
            for (const QJsonValue &v : cols)
                d.Primary << v.toString();
            for (TTableColumn &col : d.Columns)
                col.Primary = d.Primary.contains(col.Name);
        } else if (type == QLatin1String("c")) {
            c.Kind = QStringLiteral("CHECK");
            c.Param = Query.FieldByName(QStringLiteral("consrc")).AsString();
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
    return d;
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
