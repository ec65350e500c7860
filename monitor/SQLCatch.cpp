#include "monitor/SQLCatch.h"

namespace sqlcatch {

namespace {

// ASCII letters upper-cased, other characters as they are.
QString AsciiUpper(const QString &Text)
{
    QString out = Text;
    for (QChar &c : out) {
        const ushort u = c.unicode();
        if (u >= 'a' && u <= 'z')
            c = QChar(u - 32);
    }
    return out;
}

// Line feeds and lone carriage returns become CR LF, TABs blanks.
QString NormalBreaks(const QString &Text)
{
    QString out;
    out.reserve(Text.size() + 16);
    const qsizetype n = Text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = Text.at(i);
        if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\r\n");
            if (i + 1 < n && Text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\r\n");
        } else if (c == QLatin1Char('\t')) {
            out += QLatin1Char(' ');
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString ViewCheckSQL()
{
    return QStringLiteral("SELECT c.relname FROM pg_class c LEFT JOIN pg_namespace ns ON ns.oid = c.relnamespace "
                          "WHERE 0 = 0 AND ns.nspname = 'public' AND c.relkind = 'v' AND c.relname = "
                          "'pg_stat_statements'");
}

QString TotalTimeField(int DBVer)
{
    return DBVer >= 130000 ? QStringLiteral("total_exec_time") : QStringLiteral("total_time");
}

QString StatementListSQL(int DBVer)
{
    const QString t = TotalTimeField(DBVer);
    return QStringLiteral(" SELECT") + QStringLiteral(" r.rolname,") + QStringLiteral(" d.datname,") +
           QStringLiteral(" s.calls,") + QStringLiteral(" s.") + t + QStringLiteral(",") + QStringLiteral(" s.rows,") +
           QStringLiteral(" s.query") + QStringLiteral(" FROM") + QStringLiteral(" public.pg_stat_statements s") +
           QStringLiteral(" LEFT OUTER JOIN") + QStringLiteral(" pg_roles r") + QStringLiteral(" ON r.oid = s.userid") +
           QStringLiteral(" LEFT OUTER JOIN") + QStringLiteral(" pg_database d") +
           QStringLiteral(" ON d.oid = s.dbid") + QStringLiteral(" WHERE 0 = 0") +
           QStringLiteral(" AND datname = :datname") + QStringLiteral(" AND ( UPPER(rolname) LIKE UPPER(:kensaku)") +
           QStringLiteral(" OR UPPER(datname) LIKE UPPER(:kensaku)") +
           QStringLiteral(" OR UPPER( to_char( calls , '999999999999' ) ) LIKE UPPER(:kensaku)") +
           QStringLiteral(" OR UPPER( to_char(") + t + QStringLiteral(" , '999999D999999') ) LIKE UPPER(:kensaku)") +
           QStringLiteral(" OR UPPER( to_char(rows , '999999999999') ) LIKE UPPER(:kensaku)") +
           QStringLiteral(" OR UPPER(query) LIKE UPPER(:kensaku)") + QStringLiteral(" )") +
           QStringLiteral(" AND UPPER(rolname) LIKE UPPER(:rolname)");
}

QString MatrixStatementsSQL()
{
    return QStringLiteral(" SELECT s.query FROM public.pg_stat_statements s LEFT OUTER JOIN pg_roles r"
                          " ON r.oid = s.userid LEFT OUTER JOIN pg_database d ON d.oid = s.dbid WHERE 0 = 0"
                          " AND datname = :datname AND UPPER(rolname) LIKE UPPER(:rolname)");
}

QString UserListSQL()
{
    return QStringLiteral("SELECT usename FROM pg_user ORDER BY usename");
}

QString ResetSQL(int DBVer)
{
    if (DBVer >= 120000)
        return QStringLiteral("SELECT public.pg_stat_statements_reset(0, (SELECT oid FROM pg_database WHERE datname = "
                              "current_database()), 0)");
    return QStringLiteral("SELECT public.pg_stat_statements_reset()");
}

QString SearchPattern(const QString &Search)
{
    return Search.isEmpty() ? QStringLiteral("%%") : QLatin1Char('%') + Search + QLatin1Char('%');
}

QString RolePattern(const QString &User)
{
    return User == QStringLiteral("(全て)") ? QStringLiteral("%%") : QLatin1Char('%') + User + QLatin1Char('%');
}

QString MatrixRolePattern(const QString &User)
{
    return User == QStringLiteral("(全て)") ? QStringLiteral("%") : User;
}

QString FormatTotalTime(double Seconds)
{
    return QString::number(Seconds, 'f', 6);
}

bool ResetErrorMeansDone(const QString &ErrorText)
{
    const QString &e = ErrorText;
    return e.contains(QStringLiteral("ERROR: 型voidにはバイナリ出力関数がありません")) ||
           e.contains(QStringLiteral("ERROR: no binary output function available for type void")) ||
           (e.contains(QStringLiteral("ERROR: カーソル")) && e.contains(QStringLiteral("はすでに存在します"))) ||
           (e.contains(QStringLiteral("ERROR: cursor")) && e.contains(QStringLiteral("already exists")));
}

namespace {

// The texts that show a name (upper-cased) in a statement whose line
// breaks are CR LF and whose letters are upper-cased.
struct TNamePatterns {
    explicit TNamePatterns(const QString &t)
    {
        const QString crlf = QStringLiteral("\r\n");
        const QString blank = QStringLiteral(" ");
        Inside = {blank + t + blank, crlf + t + blank, blank + t + crlf, QLatin1Char('"') + t + QLatin1Char('"'),
                  QLatin1Char('.') + t + blank, QLatin1Char('.') + t + crlf};
        Last = blank + t;
    }
    bool In(const QString &q) const
    {
        for (const QString &pattern : Inside) {
            if (q.contains(pattern))
                return true;
        }
        // The first blank-and-name ends the statement.
        const qsizetype at = q.indexOf(Last);
        return at >= 0 && at + Last.size() == q.size();
    }
    QStringList Inside;
    QString Last;
};

} // namespace

bool QueryMentionsTable(const QString &Statement, const QString &Table)
{
    return TNamePatterns(AsciiUpper(Table)).In(AsciiUpper(NormalBreaks(Statement)));
}

TCrudMarks CrudMarks(const QString &Statement)
{
    // Leading and trailing blanks and control characters go first; the
    // words count anywhere.
    qsizetype from = 0, to = Statement.size();
    while (from < to && Statement.at(from).unicode() <= ' ')
        ++from;
    while (to > from && Statement.at(to - 1).unicode() <= ' ')
        --to;
    const QString q = AsciiUpper(Statement.mid(from, to - from));
    TCrudMarks m;
    m.C = q.contains(QLatin1String("INSERT"));
    m.R = q.contains(QLatin1String("SELECT"));
    m.U = q.contains(QLatin1String("UPDATE"));
    m.D = q.contains(QLatin1String("DELETE"));
    return m;
}

std::vector<TCrudRow> BuildMatrix(const QStringList &Tables, const QStringList &Statements)
{
    // The marks and the normalised text of a statement are the same for
    // every table: worked out once each.
    std::vector<TCrudMarks> marks;
    QStringList texts;
    marks.reserve(Statements.size());
    texts.reserve(Statements.size());
    for (const QString &q : Statements) {
        marks.push_back(CrudMarks(q));
        texts << AsciiUpper(NormalBreaks(q));
    }
    std::vector<TCrudRow> rows;
    for (const QString &table : Tables) {
        const TNamePatterns name(AsciiUpper(table));
        for (int i = 0; i < Statements.size(); ++i) {
            if (!marks[i].Any() || !name.In(texts.at(i)))
                continue;
            rows.push_back(TCrudRow{table, marks[i], i});
        }
    }
    return rows;
}

} // namespace sqlcatch
