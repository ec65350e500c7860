#pragma once
// Finds ":name" parameters and statement boundaries in SQL text.
//
// The scanner skips quoted text ('…', E'…' with backslash escapes, "…",
// $tag$…$tag$), "--" comments and nested "/* */" comments, and does not take
// "::" (casts), ":=" (assignments) or ":" before a digit (array slices) for a
// parameter. Names are compared without regard to case; each distinct name
// becomes one $n, numbered by its first use, however often it appears.
#include <QList>
#include <QString>
#include <QStringList>

namespace tv::db {

// Where one statement lies in the scanned text: from its first character
// that is neither blank nor comment up to (not including) the ";" that ends
// it, or the end of the text.
struct StatementSpan {
    qsizetype start = 0;
    qsizetype end = 0;
};

struct ScannedSql {
    // The text to send: with parameters replaced by $n when replacing was
    // asked for, else the input unchanged.
    QString text;
    // The parameter names in $n order, spelt as at their first use.
    QStringList names;
    // The number of statements (top-level ";" separate them; empty ones and
    // ones of only comments are not counted).
    int statements = 0;
    // One span per counted statement, positions in the input text.
    QList<StatementSpan> spans;
};

ScannedSql ScanSql(const QString &sql, bool replaceParams);

} // namespace tv::db
