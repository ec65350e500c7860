#pragma once
// The statements behind the connection window's name lists (the drop-down
// boxes of definition windows and tools), and the client-side filter of the
// data type list. Pure text: the connection window runs them.
#include <QString>
#include <QStringList>

// Roles that can log in / cannot log in, tablespaces, database links.
QString UserListSQL();
QString RoleListSQL();
QString TablespaceListSQL();
QString DBLinkListSQL();

// The names of one kind ("TABLE", "FUNCTION" ...) in the schema bound to
// :SCHEMA, by name; empty for a kind without a name list ("PACKAGE", "%").
// IsEdb is taken into account for FUNCTION and PROCEDURE only.
QString ObjectNameListSQL(const QString &ObjectType, int DBVer, bool IsEdb);

// Every data type a column or argument can have: built-in types, the serial
// and interval variants, then user types as schema.name; first column.
QString DataTypeListSQL();
// The names of DataTypeListSQL as offered: pseudo-types left out, time and
// timestamp types with their seconds precision 6.
QStringList FilterDataTypeNames(const QStringList &names);
