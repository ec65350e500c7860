#pragma once
// The statements the object list sends to list objects: one per object kind,
// in a detailed form (TreeData on) and a simple form, and the mixed statement
// that unites every kind for the type text "%".
//
// Each statement is a select list, the FROM and base WHERE fragments of
// BuildObjectFromWhere for the kind, a schema condition and a name pattern.
// The schema condition is the text that follows the schema column ("LIKE
// 'public'" or "IN ('a', 'b')"), already quoted by the caller; the name
// pattern is a LIKE pattern that is quoted here. The statements have no ORDER
// BY: the list sorts its items.
//
// Field 0 of every row is the kind name and field 1 the object name; the
// other fields are read by position (see the select lists in the .cpp).
#include <QString>

struct TObjectListQuery {
    QString SchemaCondition = QStringLiteral("LIKE '%'");
    QString NamePattern = QStringLiteral("%");
    QString DBName;      // the connection's database (default tablespace of tables and indexes)
    int DBVer = 0;       // server version number
    bool IsEdb = false;  // EnterpriseDB server
    bool TreeData = false; // detailed select lists
};

// The statement for one kind name ("TABLE" .. "AGGREGATE") or the mixed
// statement for "%"; empty for a kind without a list (database links,
// unknown names).
QString BuildObjectListSQL(const QString &TypeText, const TObjectListQuery &Query);
