#pragma once
// The rows of a table as INSERT statements for script output: values as
// SQL text that reads back identical, statements wrapped past 70
// characters, rows fetched through a cursor in batches and handed on as
// they come (memory stays flat however large the table), and the data
// file a table's rows go to.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

struct TScriptOption;
class QIODevice;

namespace tv::db {
class Connection;
class Field;
} // namespace tv::db

namespace TableScript {
// One value: null, true/false, a finite number bare, bytea as '\x…', else
// the server's text as a literal.
QString InsertValue(const tv::db::Field &Field);
// The lines of one INSERT into Target (prefix and quoted name).
QStringList InsertStatement(const QString &Target, const QStringList &Values);
// Runs Select through a cursor (inside a block that leaves nothing
// behind) and calls Row with each row's values, Batch rows per fetch.
void ForEachInsertRow(tv::db::Connection &Conn, const QString &Select,
                      const std::function<void(const QStringList &Values)> &Row, int Batch = 5000);
// The same rows written straight as the lines of their INSERT statements
// into Target (prefix and quoted name), in UTF-8, each line ending in CR LF:
// Write gets whole statements, about a megabyte at a time, and is never
// called with nothing. The text is that of InsertStatement over
// InsertValue; a cell whose text is plain ASCII goes from the server's bytes
// to the output without being converted.
void WriteInsertRows(tv::db::Connection &Conn, const QString &Select, const QString &Target,
                     const std::function<void(const QByteArray &Utf8)> &Write, int Batch = 5000);
// Writes UTF-8 script text to Device in the encoding a script takes there:
// UTF-16LE into a buffer (the script view), the text file encoding option
// into a file.
void WriteScriptText(QIODevice &Device, const QByteArray &Utf8);
// The data file of a table's rows for InsertMode 1 and 2, its folders
// created; SchemasFirst: the connection window's tree shows schemas first.
// Raises tv::Error when a folder cannot be made.
QString DataFilePath(const TScriptOption &Option, bool SchemasFirst, const QString &Schema, const QString &Table);
} // namespace TableScript
