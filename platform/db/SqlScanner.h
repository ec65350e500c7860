#pragma once
// Finds ":name" parameters and statement boundaries in SQL text.
//
// The scanner skips quoted text ('…', E'…' with backslash escapes, "…",
// $tag$…$tag$), "--" comments and nested "/* */" comments, and does not take
// "::" (casts), ":=" (assignments) or ":" before a digit (array slices) for a
// parameter. Names are compared without regard to case; each distinct name
// becomes one $n, numbered by its first use, however often it appears.
#include <QString>
#include <QStringList>

namespace tv::db {

struct ScannedSql {
    // The text to send: with parameters replaced by $n when replacing was
    // asked for, else the input unchanged.
    QString text;
    // The parameter names in $n order, spelt as at their first use.
    QStringList names;
    // The number of statements (top-level ";" separate them; empty ones and
    // ones of only comments are not counted).
    int statements = 0;
};

ScannedSql ScanSql(const QString &sql, bool replaceParams);

} // namespace tv::db
