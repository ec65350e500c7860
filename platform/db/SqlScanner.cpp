#include "SqlScanner.h"

namespace tv::db {

namespace {

bool isIdentStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// Length of a dollar-quote tag ("$tag$" or "$$") starting at i; 0 if none.
qsizetype dollarTag(const QString &s, qsizetype i)
{
    const qsizetype n = s.size();
    qsizetype j = i + 1;
    if (j < n && s[j] == u'$')
        return 2;
    if (j >= n || !isIdentStart(s[j]))
        return 0;
    while (j < n && (s[j].isLetterOrNumber() || s[j] == u'_'))
        ++j;
    return (j < n && s[j] == u'$') ? j - i + 1 : 0;
}

} // namespace

ScannedSql ScanSql(const QString &s, bool replaceParams)
{
    ScannedSql out;
    QStringList lowerNames;
    const qsizetype n = s.size();
    QString result;
    if (replaceParams)
        result.reserve(n + 16);
    qsizetype copied = 0; // s[copied..i) not yet appended to result
    bool statementHasText = false;
    qsizetype statementStart = 0;

    auto skipQuoted = [&](qsizetype i, QChar quote, bool backslash) {
        // i is just past the opening quote; returns the index past the closing one.
        while (i < n) {
            const QChar c = s[i];
            if (backslash && c == u'\\') {
                i += 2;
                continue;
            }
            if (c == quote) {
                if (i + 1 < n && s[i + 1] == quote) { // doubled quote
                    i += 2;
                    continue;
                }
                return i + 1;
            }
            ++i;
        }
        return n;
    };

    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        const bool afterIdent = i > 0 && isIdentChar(s[i - 1]);
        if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (i < n && s[i] != u'\n')
                ++i;
            continue;
        }
        if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            int depth = 1;
            i += 2;
            while (i < n && depth > 0) {
                if (s[i] == u'/' && i + 1 < n && s[i + 1] == u'*') {
                    ++depth;
                    i += 2;
                } else if (s[i] == u'*' && i + 1 < n && s[i + 1] == u'/') {
                    --depth;
                    i += 2;
                } else {
                    ++i;
                }
            }
            continue;
        }
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u';') {
            if (statementHasText) {
                ++out.statements;
                out.spans.append({statementStart, i});
            }
            statementHasText = false;
            ++i;
            continue;
        }
        if (!statementHasText)
            statementStart = i;
        statementHasText = true;
        if (c == u'\'') {
            // E'…' (or e'…') takes backslash escapes; the E is the previous
            // character and must not end a longer identifier.
            const bool escaped = i > 0 && (s[i - 1] == u'E' || s[i - 1] == u'e') &&
                                 !(i > 1 && isIdentChar(s[i - 2]));
            i = skipQuoted(i + 1, c, escaped);
            continue;
        }
        if (c == u'"') {
            i = skipQuoted(i + 1, c, false);
            continue;
        }
        if (c == u'$' && !afterIdent) {
            const qsizetype len = dollarTag(s, i);
            if (len > 0) {
                const QStringView tag = QStringView(s).mid(i, len);
                const qsizetype end = s.indexOf(tag, i + len);
                i = end < 0 ? n : end + len;
                continue;
            }
            ++i;
            continue;
        }
        if (c == u':') {
            if (i + 1 < n && (s[i + 1] == u':' || s[i + 1] == u'=')) {
                i += 2;
                continue;
            }
            if (i + 1 < n && isIdentStart(s[i + 1])) {
                qsizetype j = i + 1;
                while (j < n && (s[j].isLetterOrNumber() || s[j] == u'_'))
                    ++j;
                const QString name = s.mid(i + 1, j - i - 1);
                const QString key = name.toLower();
                qsizetype index = lowerNames.indexOf(key);
                if (index < 0) {
                    lowerNames.append(key);
                    out.names.append(name);
                    index = lowerNames.size() - 1;
                }
                if (replaceParams) {
                    result += QStringView(s).mid(copied, i - copied);
                    result += QLatin1Char('$') + QString::number(index + 1);
                    copied = j;
                }
                i = j;
                continue;
            }
            ++i;
            continue;
        }
        if (isIdentChar(c)) {
            while (i < n && isIdentChar(s[i]))
                ++i;
            continue;
        }
        ++i;
    }
    if (statementHasText) {
        ++out.statements;
        out.spans.append({statementStart, n});
    }

    if (replaceParams) {
        result += QStringView(s).mid(copied);
        out.text = result;
    } else {
        out.text = s;
        out.names.clear();
    }
    return out;
}

} // namespace tv::db
