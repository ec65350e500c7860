#include "tools/DumpCommand.h"

#include "common/CatalogSQL.h"
#include "common/TextUtil.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString Quoted(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// Collects the pieces of one command line.
class Pieces {
public:
    // An option alone ("-w").
    void Flag(const QString &opt)
    {
        m_display << opt;
        m_args << opt;
    }
    // An option and its value, shown as "opt value".
    void Value(const QString &opt, const QString &value)
    {
        m_display << opt + QLatin1Char(' ') + value;
        m_args << opt << value;
    }
    // An option and its value, shown as "opt \"value\"".
    void QuotedValue(const QString &opt, const QString &value)
    {
        m_display << opt + QLatin1Char(' ') + Quoted(value);
        m_args << opt << value;
    }
    // An option and a value shown and passed differently.
    void Pattern(const QString &opt, const QString &shown, const QString &passed)
    {
        m_display << opt + QLatin1Char(' ') + shown;
        m_args << opt << passed;
    }
    // A last argument shown in double quotes and passed as given.
    void Operand(const QString &shown, const QString &passed)
    {
        m_display << Quoted(shown);
        m_args << passed;
    }
    void Append(const Pieces &o)
    {
        m_display << o.m_display;
        m_args << o.m_args;
    }
    TToolCommand Command(const QString &program) const
    {
        TToolCommand c;
        c.Display = program + QLatin1Char(' ') + m_display.join(QLatin1Char(' '));
        c.Arguments = m_args;
        return c;
    }

private:
    QStringList m_display;
    QStringList m_args;
};

// The database as pg_dump and pg_restore take it. Both read a value holding
// "=" or starting with a URI prefix as a whole connection string, so such a
// name goes in as the quoted keyword value dbname='...'; any other name is
// passed as it is.
QString DatabaseArgument(const QString &name)
{
    if (!name.contains(QLatin1Char('=')) && !name.startsWith(QLatin1String("postgresql://")) &&
        !name.startsWith(QLatin1String("postgres://")))
        return name;
    QString v = name;
    v.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    v.replace(QLatin1String("'"), QLatin1String("\\'"));
    return QStringLiteral("dbname='") + v + QLatin1Char('\'');
}

QString Doubled(const QString &name)
{
    QString s = name.trimmed();
    s.replace(QLatin1String("\""), QLatin1String("\"\""));
    return s;
}

void Sections(Pieces &p, int DBVer, bool pre, bool data, bool post)
{
    if (DBVer < 90200)
        return;
    if (pre)
        p.Value(QStringLiteral("--section"), QStringLiteral("pre-data"));
    if (data)
        p.Value(QStringLiteral("--section"), QStringLiteral("data"));
    if (post)
        p.Value(QStringLiteral("--section"), QStringLiteral("post-data"));
}

} // namespace

QString ToolPathOf(const QString &Text)
{
    if (Text.isEmpty())
        return Text;
    QString t = Text;
    while (t.size() > 1 && t.endsWith(QLatin1Char('/')))
        t.chop(1);
    const qsizetype cut = t.lastIndexOf(QLatin1Char('/'));
    const QString name = t.mid(cut + 1);
    QString folder = cut < 0 ? QDir::currentPath() : t.left(cut + 1);
    if (folder.isEmpty())
        folder = QStringLiteral("/");
    QString abs = QDir::cleanPath(QDir(QDir::currentPath()).absoluteFilePath(folder));
    if (!abs.endsWith(QLatin1Char('/')))
        abs += QLatin1Char('/');
    return abs + name;
}

QString DumpSchemaPattern(const QString &Schema, bool Display)
{
    const QString n = Doubled(Schema);
    return Display ? QStringLiteral("\"\\\"") + n + QStringLiteral("\\\"\"") : Quoted(n);
}

QString DumpTablePattern(const QString &Schema, const QString &Table, bool Display)
{
    return DumpSchemaPattern(Schema, Display) + QLatin1Char('.') + DumpSchemaPattern(Table, Display);
}

QString ToolUser(bool UseUserID, const QString &UserID, const TToolConnection &Conn)
{
    return UseUserID ? UserID.trimmed() : Conn.User.trimmed();
}

std::optional<tv::process::PasswordEntry> ToolPassword(const QString &User, const TToolConnection &Conn)
{
    if (Conn.Password.isEmpty() || User != Conn.User.trimmed())
        return std::nullopt;
    tv::process::PasswordEntry e;
    e.host = Conn.Server.trimmed();
    e.port = Conn.Port.trimmed();
    e.database = QString(); // any: pg_dump -C and pg_restore -C may reach another database
    e.user = User;
    e.password = Conn.Password;
    return e;
}

TToolCommand BuildDumpCommand(const QString &Program, const TDumpChoices &C, const TToolConnection &Conn, int DBVer)
{
    static const char *formats[] = {"p", "c", "t", "d"};
    const bool plain = C.Format == 0;
    Pieces p;
    p.Value(QStringLiteral("-h"), Conn.Server.trimmed());
    p.Value(QStringLiteral("-p"), Conn.Port.trimmed());
    p.QuotedValue(QStringLiteral("-U"), ToolUser(C.UseUserID, C.UserID, Conn));
    if (!C.RoleName.trimmed().isEmpty())
        p.QuotedValue(QStringLiteral("--role"), C.RoleName);
    p.Flag(QStringLiteral("-w"));
    p.Flag(QStringLiteral("-v"));
    p.Value(QStringLiteral("-F"), QString::fromLatin1(formats[qBound(0, C.Format, 3)]));
    if ((C.Format == 1 || C.Format == 3) && !C.Compres.trimmed().isEmpty())
        p.Value(QStringLiteral("-Z"), C.Compres);
    if (!C.Encoding.trimmed().isEmpty())
        p.Value(QStringLiteral("-E"), C.Encoding);
    p.QuotedValue(QStringLiteral("-f"), C.OutputPath);
    if (C.Mode == 1) {
        for (const TToolTarget &t : C.Objects)
            p.Pattern(QStringLiteral("-n"), DumpSchemaPattern(t.Schema, true), DumpSchemaPattern(t.Schema, false));
    } else if (C.Mode == 2) {
        for (const TToolTarget &t : C.Objects)
            p.Pattern(QStringLiteral("-t"), DumpTablePattern(t.Schema, t.Table, true),
                      DumpTablePattern(t.Schema, t.Table, false));
    }
    Sections(p, DBVer, C.PreData, C.SecData, C.PostData);
    if (C.Data)
        p.Flag(QStringLiteral("-a"));
    if (C.Schema)
        p.Flag(QStringLiteral("-s"));
    if (C.Blobs && (C.Mode == 1 || C.Mode == 2))
        p.Flag(QStringLiteral("-b"));
    if (C.Owner && plain)
        p.Flag(QStringLiteral("-O"));
    if (C.Grants)
        p.Flag(QStringLiteral("-x"));
    if (C.Tablespaces && plain)
        p.Flag(QStringLiteral("--no-tablespaces"));
    if (DBVer >= 90100) {
        if (C.UnlogTbl)
            p.Flag(QStringLiteral("--no-unlogged-table-data"));
        if (C.Securitylbl)
            p.Flag(QStringLiteral("--no-security-labels"));
        if (C.Quote)
            p.Flag(QStringLiteral("--quote-all-identifiers"));
        if (C.Serializable)
            p.Flag(QStringLiteral("--serializable-deferrable"));
    }
    if (C.CreateDataBase)
        p.Flag(QStringLiteral("-C"));
    if (C.DropDataBase && plain)
        p.Flag(QStringLiteral("-c"));
    if (C.ColumnInserts)
        p.Flag(QStringLiteral("--column-inserts"));
    if (C.Inserts)
        p.Flag(QStringLiteral("--inserts"));
    if (C.Trigger && C.Data && plain)
        p.Flag(QStringLiteral("--disable-triggers"));
    if (C.DollarQuoting)
        p.Flag(QStringLiteral("--disable-dollar-quoting"));
    if (C.Authorization)
        p.Flag(QStringLiteral("--use-set-session-authorization"));
    if (C.Oid && DBVer < 120000)
        p.Flag(QStringLiteral("-o"));
    if (C.Ifexists)
        p.Flag(QStringLiteral("--if-exists"));
    if (!C.TimeOut.trimmed().isEmpty())
        p.Flag(QStringLiteral("--lock-wait-timeout=") + C.TimeOut.trimmed());
    // As the value of --dbname: a name starting with "-" is never read as
    // an option.
    const QString database = Conn.Database.trimmed();
    p.Operand(database, QStringLiteral("--dbname=") + DatabaseArgument(database));
    return p.Command(Program);
}

QList<TToolCommand> BuildRestoreCommands(const QString &Program, const TRestoreChoices &C,
                                         const TToolConnection &Conn, int DBVer)
{
    const bool customOrTar = C.Format == 0;
    const bool jobs = customOrTar && !C.JobNo.trimmed().isEmpty() && !C.Transaction;
    Pieces base;
    base.Value(QStringLiteral("-h"), Conn.Server.trimmed());
    base.Value(QStringLiteral("-p"), Conn.Port.trimmed());
    base.QuotedValue(QStringLiteral("-U"), ToolUser(C.UseUserID, C.UserID, Conn));
    if (!C.RoleName.trimmed().isEmpty())
        base.QuotedValue(QStringLiteral("--role"), C.RoleName);
    base.Flag(QStringLiteral("-w"));
    base.Flag(QStringLiteral("-v"));
    base.Pattern(QStringLiteral("-d"), Quoted(Conn.Database), DatabaseArgument(Conn.Database));
    if (!customOrTar)
        base.Value(QStringLiteral("-F"), QStringLiteral("d"));
    if (jobs)
        base.Value(QStringLiteral("-j"), C.JobNo);
    Sections(base, DBVer, C.PreData, C.SecData, C.PostData);
    if (C.Data)
        base.Flag(QStringLiteral("-a"));
    if (C.Schema)
        base.Flag(QStringLiteral("-s"));
    if (C.Owner)
        base.Flag(QStringLiteral("-O"));
    if (C.Grants)
        base.Flag(QStringLiteral("-x"));
    if (C.Tablespaces && customOrTar)
        base.Flag(QStringLiteral("--no-tablespaces"));
    if (C.Securitylbl && DBVer >= 90100)
        base.Flag(QStringLiteral("--no-security-labels"));
    if (C.CreateDataBase)
        base.Flag(QStringLiteral("-C"));
    if (C.Clean)
        base.Flag(QStringLiteral("-c"));
    if (C.Transaction && C.JobNo.trimmed().isEmpty())
        base.Flag(QStringLiteral("-1"));
    if (C.Trigger && C.Data)
        base.Flag(QStringLiteral("--disable-triggers"));
    if (C.NoData)
        base.Flag(QStringLiteral("--no-data-for-failed-tables"));
    if (C.Authorization)
        base.Flag(QStringLiteral("--use-set-session-authorization"));
    if (C.Ifexists)
        base.Flag(QStringLiteral("--if-exists"));
    if (C.Error)
        base.Flag(QStringLiteral("-e"));

    QList<TToolCommand> runs;
    auto add = [&](const TToolTarget *t) {
        Pieces p = base;
        if (t) {
            p.QuotedValue(QStringLiteral("-n"), t->Schema.trimmed());
            if (C.Mode == 2)
                p.QuotedValue(QStringLiteral("-t"), t->Table.trimmed());
        }
        p.Operand(C.ArchivePath, C.ArchivePath);
        runs << p.Command(Program);
    };
    if (C.Mode == 0) {
        add(nullptr);
    } else {
        for (const TToolTarget &t : C.Targets)
            add(&t);
    }
    return runs;
}

QString FindPgProgram(const QString &Name)
{
    FindPostgreSQLLocation();
    if (!PostgreSQLLocation.isEmpty()) {
        const QString p = PostgreSQLLocation + QStringLiteral("/bin/") + Name;
        if (QFileInfo(p).isExecutable())
            return p;
    }
    return QStandardPaths::findExecutable(Name);
}

QString BackupObjectListSQL(int Mode, int DBVer, bool IsEdb)
{
    if (Mode == 1) {
        QString s = QStringLiteral("SELECT nspname FROM pg_namespace"
                                   " WHERE (NOT(nspname LIKE 'pg\\_%') OR nspname = 'pg_catalog')");
        if (IsEdb)
            s += DBVer < 90200 ? QStringLiteral(" AND ( NOT(nspparent != 0) )")
                               : QStringLiteral(" AND ( NOT((nspparent != 0) AND (nspobjecttype = 0)) )");
        return s + QStringLiteral(" ORDER BY 1");
    }
    QString s = QStringLiteral("SELECT schemaname, tablename "
                               "FROM   pg_tables "
                               "WHERE (NOT(schemaname LIKE 'pg\\_%') OR schemaname = 'pg_catalog') ");
    if (DBVer >= 90300) {
        QString from, where;
        BuildObjectFromWhere(61, from, where, IsEdb, DBVer);
        s += QStringLiteral(" UNION ALL") + QStringLiteral(" SELECT TblNsp.nspname      AS schemaname") +
             QStringLiteral(",       TblInf.relname      AS tablename") + QLatin1Char(' ') + from + QLatin1Char(' ') +
             where + QLatin1Char(' ');
    }
    return s + QStringLiteral("ORDER BY schemaname, tablename");
}
