#pragma once
// The nodes of the connection window's object tree, worked out from the
// schema list and the tree settings without a widget: one root for the
// database, under it schemas and object kinds in one of two orders.
#include <QList>
#include <QString>
#include <QStringList>

struct TObjectTreeSettings {
    QString Database;          // the root's text
    QStringList Schemas;       // the catalog's schema list (pg_temp etc. folded)
    QString LoginSchema;       // the connection's schema, dequoted
    int Disp = 0;              // 0 every schema, 1 the login schema, 2 the configured list
    QStringList Configured;    // the configured schema list (Disp 2)
    bool KindFirst = false;    // kinds above schemas
    bool UserFirst = false;    // the login schema first
    int DBVer = 0;
    bool IsEdb = false;
    // The kind switches, by type code: 45, 46, 47, 51, 52, 53, 55, 57, 58, 60, 61, 66, 127, 128.
    bool Shown(int code) const;
    QList<int> Hidden;         // codes switched off
};

struct TObjectTreeNode {
    QString Text;
    int Image = 0;                    // index into the main image list
    bool Select = false;              // the node selected after building
    bool Expand = false;              // expanded one level
    QList<TObjectTreeNode> Children;
};

// The object kinds of the tree, in tree order, with the server gates applied
// (switches not applied).
QList<int> TreeKinds(int DBVer, bool IsEdb);
// Whether a kind is listed for a schema: "pg_temp" holds only tables,
// "pg_toast" and "pg_toast_temp" tables and indexes.
bool KindAllowedInSchema(int code, const QString &schema);

// The root node with everything below it.
TObjectTreeNode BuildObjectTreePlan(const TObjectTreeSettings &settings);
