#include "tools/LoaderSQL.h"

#include "common/Quote.h"
#include "common/TextUtil.h"
#include "platform/text/TextEncoding.h"

namespace loader {

namespace {

bool Given(const QString &Text)
{
    return !Text.trimmed().isEmpty();
}

QStringList Statement(QStringList Lines, const QStringList &Options)
{
    Lines << Options << QStringLiteral(";");
    return Lines;
}

} // namespace

QString CopyIdentifier(const QString &Name)
{
    QString n = Name;
    return QLatin1Char('"') + n.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString ColumnList(const QStringList &Columns)
{
    QStringList out;
    for (const QString &c : Columns)
        out << CopyIdentifier(c);
    return out.join(QLatin1Char(','));
}

QStringList OptionLines(const TCopyChoices &c, int DBVer, bool Unload, bool QueryMode, const QStringList &ForceColumns)
{
    QStringList out;
    const bool csv = c.Format == 1;
    if (csv)
        out << QStringLiteral("CSV");
    else if (c.Format == 2)
        out << QStringLiteral("BINARY");
    if (DBVer > 90099 && !c.Encoding.isEmpty())
        out << QStringLiteral("ENCODING ") + QuoteLiteral(c.Encoding);
    if (Given(c.Delimiter) && c.Format != 2)
        out << QStringLiteral("DELIMITER ") + QuoteLiteral(c.Delimiter);
    if (Given(c.Null))
        out << QStringLiteral("NULL ") + QuoteLiteral(c.Null);
    if (c.Oid && DBVer < 120000 && !(Unload && QueryMode))
        out << QStringLiteral("OIDS");
    if (csv) {
        if (c.Header)
            out << QStringLiteral("HEADER");
        if (Given(c.Quote))
            out << QStringLiteral("QUOTE ") + QuoteLiteral(c.Quote);
        if (Given(c.Escape))
            out << QStringLiteral("ESCAPE ") + QuoteLiteral(c.Escape);
        if (c.Force)
            out << (Unload ? QStringLiteral("FORCE QUOTE *") : QStringLiteral("FORCE NOT NULL ") + ColumnList(ForceColumns));
    }
    return out;
}

QString SaveFolder(const QString &Text, bool LinuxServer, int DBVer)
{
    const QChar sep = LinuxServer ? QLatin1Char('/') : QLatin1Char('\\');
    QString folder = Text;
    const bool ends = !folder.isEmpty() &&
                      (folder.endsWith(sep) || (!LinuxServer && DBVer < 90100 && folder.endsWith(QLatin1Char('/'))));
    if (!ends)
        folder = folder.trimmed() + sep;
    if (DBVer < 90100)
        folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return folder;
}

QString TableFile(const QString &Folder, const QString &Schema, const QString &Table)
{
    return Folder + SanitizeFileName(Schema + QLatin1Char('.') + Table) + QStringLiteral(".dat");
}

QStringList UnloadTables(const QString &Folder, const QList<QPair<QString, QString>> &Tables,
                         const QStringList &Options)
{
    QStringList out;
    for (const auto &t : Tables)
        out << Statement({QStringLiteral("COPY ") + CopyIdentifier(t.first) + QLatin1Char('.') + CopyIdentifier(t.second),
                          QStringLiteral("TO ") + QuoteLiteral(TableFile(Folder, t.first, t.second))},
                         Options);
    return out;
}

QStringList UnloadColumns(const QString &Folder, const QString &Schema, const QString &Table,
                          const QStringList &Columns, const QStringList &Options)
{
    return Statement({QStringLiteral("COPY ") + CopyIdentifier(Schema) + QLatin1Char('.') + CopyIdentifier(Table) +
                          QLatin1Char('(') + ColumnList(Columns) + QLatin1Char(')'),
                      QStringLiteral("TO ") + QuoteLiteral(TableFile(Folder, Schema, Table))},
                     Options);
}

QStringList UnloadQuery(const QString &Path, const QStringList &Query, const QStringList &Options)
{
    QStringList lines{QStringLiteral("COPY (")};
    lines << Query << QStringLiteral(")") << QStringLiteral("TO ") + QuoteLiteral(Path);
    return Statement(lines, Options);
}

QStringList LoadFile(const QString &Schema, const QString &Table, const QStringList &Columns, const QString &File,
                     int DBVer, const QStringList &Options)
{
    QString first = QStringLiteral("COPY ") + CopyIdentifier(Schema) + QLatin1Char('.') + CopyIdentifier(Table);
    if (!Columns.isEmpty())
        first += QLatin1Char('(') + ColumnList(Columns) + QLatin1Char(')');
    QString path = File;
    if (DBVer < 90100)
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return Statement({first, QStringLiteral("FROM ") + QuoteLiteral(path)}, Options);
}

bool SingleByte(const QString &Text)
{
    return tv::text::Encode(Text, tv::text::Encoding::Ansi).size() == Text.size();
}

QString ColumnSQL(int DBVer)
{
    // Partitioned tables are tables too from 10 on.
    const QString kinds = DBVer >= 100000 ? QStringLiteral("C.relkind IN ('r', 'p') ") : QStringLiteral("C.relkind = 'r' ");
    return QStringLiteral("SELECT A.attname, T.typname FROM pg_class C LEFT JOIN pg_namespace N ON C.relnamespace = "
                          "N.oid LEFT JOIN pg_attribute A   ON C.oid = A.attrelid LEFT JOIN pg_type T        ON "
                          "A.atttypid = T.oid WHERE  ") +
           kinds +
           QStringLiteral("AND    N.nspname = :SCHEMA AND    C.relname = :TABLE AND    A.attnum > 0 AND    "
                          "A.attisdropped = False ORDER BY A.attnum");
}

} // namespace loader
