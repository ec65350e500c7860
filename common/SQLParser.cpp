#include "common/SQLParser.h"

#include "common/TextUtil.h"

namespace {

bool isWs(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

bool isWordChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_'
           || u == u'#' || u == u'$';
}

bool isOperatorChar(QChar c)
{
    return c == QLatin1Char('!') || c == QLatin1Char('<') || c == QLatin1Char('=') || c == QLatin1Char('>');
}

// Clause states of the scan.
enum State { sSelect = 1, sSet, sInsertCols, sValues, sTables, sWhere, sGroup, sHaving, sOrder };
// What ends the current item.
enum Event { evComma, evKeyword, evHaving, evEnd };

class Parser {
public:
    Parser(const QString &sql, TtvParseList &columns, TtvParseList &tables, TtvParseList &orderBy,
           QStringList &where, QStringList &groupBy, QStringList &having, const QString &message)
        : s(sql), n(sql.size()), Columns(columns), Tables(tables), OrderBy(orderBy), Where(where),
          GroupBy(groupBy), Having(having), msg(message), lenient(message.isEmpty())
    {
    }

    // Parses the statement found at or after `from`; sets continueAt when a
    // nested statement keyword ended a lenient scan.
    int parseOne(qsizetype from, QString &viewName);

    qsizetype continueAt = -1;

private:
    [[noreturn]] void fail() const { throw ESQLParseError(msg); }

    QString seg(qsizetype a, qsizetype b) const
    {
        if (a < 0)
            a = 0;
        if (b >= n)
            b = n - 1;
        if (b < a)
            return QString();
        return TrimBlanks(s.mid(a, b - a + 1));
    }
    static void append(QStringList &list, const QString &text)
    {
        if (!text.isEmpty())
            list.append(text);
    }
    void addPair(TtvParseList &list, QString name, QString alias) const
    {
        if (S == sTables && alias.isEmpty()) {
            const qsizetype blank = name.indexOf(QLatin1Char(' '));
            if (blank >= 0) {
                alias = TrimBlanks(name.mid(blank + 1));
                name = name.left(blank);
            }
        }
        if (name.isEmpty() && alias.isEmpty())
            return;
        if (name.isEmpty())
            list.Add(alias, QString());
        else
            list.Add(name, alias);
    }
    void flush(Event ev, qsizetype P);
    void flushTable(qsizetype P)
    {
        const int saved = S;
        S = sTables;
        flush(evComma, P);
        S = saved;
    }

    const QString &s;
    const qsizetype n;
    TtvParseList &Columns, &Tables, &OrderBy;
    QStringList &Where, &GroupBy, &Having;
    const QString &msg;
    const bool lenient;

    int kind = 0;
    int S = 0;
    int quote = 0; // 0 none, 1 single, 2 double
    int D = 0;
    qsizetype E = 0, F = 0, M = 0;
    bool leftRight = false, innerSeen = false, outerSeen = false, joinSeen = false;
    QStringList values;
    int columnStart = 0;
};

void Parser::flush(Event ev, qsizetype P)
{
    const bool splitsAlias = S == sSelect || S == sTables || S == sOrder;
    if (splitsAlias && F == E)
        F = P;
    switch (S) {
    case sSelect:
        if (ev == evKeyword || ev == evHaving)
            fail();
        addPair(Columns, seg(E, F - 1), seg(F, P - 1));
        break;
    case sSet:
        addPair(Columns, seg(E, M - 1), seg(M + 1, P - 1));
        break;
    case sInsertCols:
        if (ev == evComma)
            addPair(Columns, seg(E, P - 1), QString());
        break;
    case sValues:
        if (ev == evComma)
            append(values, seg(E, P - 1));
        break;
    case sTables:
        addPair(Tables, seg(E, F - 1), seg(F, P - 1));
        break;
    case sWhere:
        if (ev == evComma)
            fail();
        append(Where, seg(F, P - 1));
        break;
    case sGroup:
        append(GroupBy, seg(E, P - 1));
        break;
    case sHaving:
        if (ev == evComma)
            fail();
        append(Having, seg(F, P - 1));
        break;
    case sOrder:
        if (ev == evHaving)
            fail();
        addPair(OrderBy, seg(E, F - 1), seg(F, P - 1));
        break;
    default:
        break;
    }
}

int Parser::parseOne(qsizetype from, QString &viewName)
{
    viewName.clear();
    continueAt = -1;

    // 1. Statement kind: the first place where one of the statement words starts.
    static const QString words6[] = {QStringLiteral("SELECT"), QStringLiteral("INSERT"), QStringLiteral("UPDATE"),
                                     QStringLiteral("DELETE")};
    static const QString createView = QStringLiteral("CREATE VIEW");
    const QStringView view(s);
    qsizetype i = -1;
    kind = 0;
    for (qsizetype p = from; p + 6 <= n && kind == 0; ++p) {
        const char16_t c0 = s[p].toUpper().unicode();
        if (c0 != u'S' && c0 != u'I' && c0 != u'U' && c0 != u'D' && c0 != u'C')
            continue;
        const QStringView six = view.mid(p, 6);
        for (int w = 0; w < 4; ++w) {
            if (six.compare(words6[w], Qt::CaseInsensitive) == 0) {
                kind = w + 1;
                i = p + 6;
                break;
            }
        }
        if (kind == 0 && p + 11 <= n && view.mid(p, 11).compare(createView, Qt::CaseInsensitive) == 0) {
            kind = sqlCreateView;
            i = p + 11;
        }
    }
    if (kind == 0)
        return 0;

    S = kind == sqlSelect ? sSelect : sTables;
    quote = 0;
    D = 0;
    E = F = M = i;
    leftRight = innerSeen = outerSeen = joinSeen = false;
    values.clear();
    columnStart = Columns.Count();

    qsizetype end = n; // where the scan stopped
    while (i < n) {
        const QChar c = s[i];
        if (quote == 0 && isWs(c) && (D == 0 || lenient)) {
            qsizetype P = i;
            if (S == sWhere) {
                append(Where, seg(F, P - 1));
                F = P;
            } else if (S == sHaving) {
                append(Having, seg(F, P - 1));
                F = P;
            }
            qsizetype j = i;
            while (j < n && isWs(s[j]))
                ++j;
            if (j >= n) {
                i = n;
                break;
            }
            qsizetype k = j;
            while (k < n && isWordChar(s[k]))
                ++k;
            P = j;
            const qsizetype len = k - j;
            const QString W = len <= 6 ? s.mid(j, len).toUpper() : QString();
            bool after = true; // continue after the word with E, F and M reset
            bool stop = false;
            if (W == QLatin1String("FROM")) {
                if (S == sSelect)
                    flush(evComma, P);
                S = sTables;
            } else if ((W == QLatin1String("LEFT") || W == QLatin1String("RIGHT")) && S == sTables) {
                flush(evComma, P);
                leftRight = true;
            } else if ((W == QLatin1String("INNER") || W == QLatin1String("OUTER")) && S == sTables) {
                if (!leftRight)
                    flush(evComma, P);
                (W == QLatin1String("INNER") ? innerSeen : outerSeen) = true;
            } else if (W == QLatin1String("JOIN") && S == sTables) {
                if (!leftRight && !innerSeen && !outerSeen)
                    flush(evComma, P);
                joinSeen = true;
            } else if (W == QLatin1String("ON") && joinSeen && S == sTables) {
                flush(evComma, P);
                S = sWhere;
                leftRight = innerSeen = outerSeen = joinSeen = false;
            } else if (W == QLatin1String("WHERE") || W == QLatin1String("GROUP") || W == QLatin1String("ORDER")) {
                flush(evKeyword, P);
                S = W[0] == QLatin1Char('G') ? sGroup : W[0] == QLatin1Char('O') ? sOrder : sWhere;
            } else if (W == QLatin1String("HAVING")) {
                flush(evHaving, P);
                S = sHaving;
            } else if (W == QLatin1String("SET") && kind == sqlUpdate) {
                if (S == sTables)
                    flush(evComma, P);
                S = sSet;
            } else if (W == QLatin1String("INTO")) {
                // skipped
            } else if (W.isEmpty() && s[j] == QLatin1Char('(') && kind == sqlInsert && S == sTables) {
                flush(evComma, P);
                S = sInsertCols;
                E = M = P + 1;
                i = j; // the "(" itself is handled as a character
                continue;
            } else if (W == QLatin1String("VALUES") && kind == sqlInsert) {
                if (S == sTables)
                    flush(evComma, P);
                S = sValues;
            } else if (W == QLatin1String("AS") && kind == sqlCreateView) {
                if (S == sTables)
                    viewName = s.mid(F, std::max<qsizetype>(0, P - 2 - F + 1));
            } else if (W == QLatin1String("SELECT") && kind == sqlCreateView && !viewName.isEmpty()) {
                S = sSelect;
            } else if (W == QLatin1String("BY")) {
                // skipped
            } else if (W == QLatin1String("UNION") || W == QLatin1String("FOR")) {
                fail();
            } else if (W == QLatin1String("SELECT") || W == QLatin1String("INSERT") || W == QLatin1String("UPDATE")
                       || W == QLatin1String("DELETE")) {
                if (lenient) {
                    continueAt = P;
                    stop = true;
                } else {
                    F = P;
                    after = false;
                }
            } else if (!lenient && W.isEmpty() && s[j] == QLatin1Char(';')
                       && (s[j - 1] == QLatin1Char('\n') || s[j - 1] == QLatin1Char(' ')) && j + 1 < n
                       && (s[j + 1] == QLatin1Char('\r') || s[j + 1] == QLatin1Char('\n')
                           || s[j + 1] == QLatin1Char(' '))) {
                stop = true;
            } else {
                F = P;
                after = false;
            }
            if (stop) {
                end = P;
                break;
            }
            if (after) {
                E = F = M = k + 1;
                i = k;
            } else {
                i = len > 0 ? k : j;
            }
            continue;
        }

        const qsizetype P = i;
        // A quote opens (which: 1 single, 2 double) or closes here; in a
        // condition the text before it ends a piece of the condition.
        const auto quoteMark = [&](int which) {
            const bool opens = quote == 0;
            quote = opens ? which : 0;
            if (D == 0 && (S == sWhere || S == sHaving)) {
                append(S == sWhere ? Where : Having, seg(F, opens ? P - 1 : P));
                F = opens ? P : P + 1;
            }
        };
        if (c == QLatin1Char('\'') && quote != 2) {
            quoteMark(1);
        } else if (c == QLatin1Char('"') && quote != 1 && !(kind == sqlCreateView && viewName.isEmpty())) {
            quoteMark(2);
        } else if (quote == 0 && isOperatorChar(c) && (D == 0 || lenient)) {
            if (S == sWhere) {
                append(Where, seg(F, P - 1));
                qsizetype r = P;
                while (r < n && isOperatorChar(s[r]))
                    ++r;
                Where.append(s.mid(P, r - P));
                F = r;
                i = r;
                continue;
            }
            if (c == QLatin1Char('=') && M == E)
                M = P;
        } else if (quote == 0 && c == QLatin1Char('(')) {
            if (D == 0) {
                if (S == sTables && kind == sqlInsert) {
                    flush(evComma, P);
                    S = sInsertCols;
                    E = M = P + 1;
                } else if (S == sValues) {
                    values.clear();
                    E = M = P + 1;
                }
                if (S == sWhere)
                    append(Where, seg(F, P - 1));
                else if (S == sHaving)
                    append(Having, seg(F, P - 1));
                F = P;
            }
            ++D;
        } else if (quote == 0 && c == QLatin1Char(')')) {
            if (--D < 0) {
                if (!lenient)
                    fail();
                // A lenient scan that started inside parentheses (a subquery)
                // ends at its closing one and goes on after it.
                D = 0;
                end = P;
                continueAt = P + 1;
                break;
            }
            if (D == 0) {
                if (S == sWhere) {
                    append(Where, seg(F, P));
                } else if (S == sHaving) {
                    append(Having, seg(F, P));
                } else if (S == sInsertCols) {
                    addPair(Columns, seg(E, P - 1), QString());
                    S = sValues;
                    E = P + 1;
                } else if (S == sValues) {
                    append(values, seg(E, P - 1));
                    E = P + 1;
                }
                F = P + 1;
            }
        } else if (quote == 0 && c == QLatin1Char(',')
                   && (D == 0 || (D == 1 && (S == sInsertCols || S == sValues)) || lenient)) {
            flush(evComma, P);
            E = F = M = P + 1;
        }
        ++i;
    }

    // 5. End of the statement.
    if (!seg(E, end - 1).isEmpty())
        flush(evEnd, end);
    if (quote != 0)
        fail();
    if (D > 0 && !lenient)
        fail();

    // 6. INSERT: pair the columns of this statement with the values.
    if (kind == sqlInsert) {
        const int columnCount = Columns.Count() - columnStart;
        if (columnCount > 0) {
            if (values.size() != columnCount)
                fail();
            for (int c = 0; c < columnCount; ++c)
                Columns.SetAlias(columnStart + c, values[c]);
        } else {
            for (const QString &v : values)
                Columns.Add(QString(), v);
        }
    }
    return kind;
}

} // namespace

int ParseSQLStatement(const QString &SQL, TtvParseList &Columns, TtvParseList &Tables, TtvParseList &OrderBy,
                      QStringList &Where, QStringList &GroupBy, QStringList &Having,
                      const QString &ErrorMessage, QString &ViewName)
{
    Parser parser(SQL, Columns, Tables, OrderBy, Where, GroupBy, Having, ErrorMessage);
    const int kind = parser.parseOne(0, ViewName);
    // A lenient scan goes on into nested and following statements, one after
    // another; their kinds and view names are not reported.
    QString nestedViewName;
    while (parser.continueAt >= 0)
        parser.parseOne(parser.continueAt, nestedViewName);
    return kind;
}
