#pragma once
// The SQL formatter: rewrites SQL text and the procedural code around it
// (DECLARE, BEGIN, IF, LOOP, EXCEPTION blocks) into the house layout, in one
// pass over the characters without a parse tree. Every clause keyword starts
// its own line in a keyword column, list items and conditions stand one per
// line, commas and AND/OR lead or end the lines, block bodies are indented,
// and keyword and name case is converted, all by the global FormatOption.
// Comments and quoted text pass through unchanged.
#include <QString>

struct TFormatOption;

// Formats Text by the global FormatOption into Result (line breaks CR LF).
// Any text gives a result; an empty text gives an empty result.
void FormatSQLText(const QString &Text, QString &Result);
// The same with an explicit option record.
QString FormatSQLText(const QString &Text, const TFormatOption &Option);
