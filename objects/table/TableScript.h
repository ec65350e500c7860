#pragma once
// The rows of a table as INSERT statements for script output: values as
// SQL text that reads back identical, statements wrapped past 70
// characters, rows fetched through a cursor in batches and handed on as
// they come (memory stays flat however large the table), and the data
// file a table's rows go to.
#include <QString>
#include <QStringList>

#include <functional>

struct TScriptOption;

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
// The data file of a table's rows for InsertMode 1 and 2, its folders
// created; SchemasFirst: the connection window's tree shows schemas first.
// Raises tv::Error when a folder cannot be made.
QString DataFilePath(const TScriptOption &Option, bool SchemasFirst, const QString &Schema, const QString &Table);
} // namespace TableScript
