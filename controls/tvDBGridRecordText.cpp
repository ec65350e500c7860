#include "controls/tvDBGridRecordText.h"

namespace tv::grid {

QString QuoteRecordValue(const QString &value)
{
    bool special = false;
    for (const QChar c : value) {
        if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'"') {
            special = true;
            break;
        }
    }
    if (!special)
        return value;
    QString v = value;
    v.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    v.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    v.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QLatin1Char('"') + v + QLatin1Char('"');
}

void AppendRecordValue(QString &out, const QString &value, bool first)
{
    if (!first)
        out += QLatin1Char('\t');
    out += QuoteRecordValue(value);
}

bool IsRecordText(const QString &text)
{
    return text.contains(QLatin1Char('\t')) || text.contains(QLatin1Char('\n'));
}

std::vector<QStringList> ParseRecordText(const QString &text)
{
    std::vector<QStringList> records;
    QStringList fields;
    QString value;
    const qsizetype n = text.size();
    qsizetype p = 0;
    bool atStart = true; // at the first character of a value
    auto endValue = [&] {
        fields << value;
        value.clear();
        atStart = true;
    };
    while (p < n) {
        const QChar c = text[p];
        if (atStart && c == u'"') {
            // A quoted value: up to the closing quote, "" standing for one
            // quote; what follows up to the separator is ignored.
            ++p;
            while (p < n) {
                if (text[p] == u'"') {
                    if (p + 1 < n && text[p + 1] == u'"') {
                        value += QLatin1Char('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                value += text[p++];
            }
            while (p < n && text[p] != u'\t' && text[p] != u'\n')
                ++p;
            atStart = false;
            continue;
        }
        atStart = false;
        if (c == u'\t') {
            endValue();
        } else if (c == u'\n') {
            if (value.endsWith(QLatin1Char('\r')))
                value.chop(1);
            endValue();
            records.push_back(fields);
            fields.clear();
        } else {
            value += c;
        }
        ++p;
    }
    // A last line without a line end.
    if (!atStart || !value.isEmpty() || !fields.isEmpty()) {
        if (value.endsWith(QLatin1Char('\r')))
            value.chop(1);
        endValue();
        records.push_back(fields);
    }
    return records;
}

} // namespace tv::grid
