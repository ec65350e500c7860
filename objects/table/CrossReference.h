#pragma once
// What an object uses and what uses it, read from pg_depend: the entries,
// the node texts of the two trees, the catalog queries, and a reader that
// fills a plain tree to a given depth. Nothing here touches a widget; the
// dependency frame (fraCross.h) shows the trees.
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tv::db {
class Connection;
class Query;
} // namespace tv::db

// One dependency entry.
struct TRefObj {
    QString sCatalog;   // pg_class, pg_proc, pg_type, pg_trigger, pg_rewrite, pg_attrdef ...
    qint64 nOid = 0;    // the object's oid (a column default: its table's)
    QString sType;      // TABLE, INDEX ... ; empty while unresolved
    QString sName;
    QString sSchema;
    QString sParent;    // table of a trigger or rule; package of a package-body function
    QString sFncArg;    // argument types of a function-like object
};

// A node of a tree: its text and object-type code.
struct TCrossNode {
    QString Text;
    int Code = 0;
    QList<TCrossNode> Children;
};

// Node text by code: 51, 52, 128 schema.name(args); 54 schema.package.name(args);
// 57, 127 schema.table.name; others schema.name.
QString FormatNodeText(int Code, const QString &Schema, const QString &Parent, const QString &Name,
                       const QString &Args);
struct TNodeParts {
    QString Schema, Parent, Name, Args;
};
TNodeParts ParseNodeText(int Code, const QString &Text);

namespace CrossSQL {
// The oid of the root object (parameters in the .cpp); for 53 the
// EnterpriseDB package subquery is given.
QString ObjectOid(int Code, const QString &EdbPackageSubquery = QString());
QString ViewRule();       // :view_oid
QString RuleView();       // :rewrite_oid
QString References();     // :objid
QString ReferencedBy();   // :refobjid
// One query resolving all entries (empty when none has a catalog here).
QString Resolve(const QList<TRefObj> &Entries, int DBVer, bool Edb);
// The argument type names of one function, in order, in one query (:OID).
QString FunctionArgTypes();
// Every function of a schema and name with its argument type names (:SCHEMA, :NAME).
QString FunctionOverloads();
} // namespace CrossSQL

class TCrossReader {
public:
    TCrossReader(tv::db::Connection &Conn, int DBVer, bool Edb, const QString &EdbPackageSubquery = QString());
    ~TCrossReader();

    // Types shown (the filter buttons that are down); all when empty.
    QSet<QString> Admitted;
    int CrossLevel = 3;
    // Statements sent so far, and when Trace is set their texts with the
    // parameters written in.
    int Statements = 0;
    QStringList *Trace = nullptr;

    // Both trees of an object; -1 oid leaves the roots alone.
    void Fill(int Code, const QString &Schema, const QString &ObjName, const QString &ObjTable,
              const QString &ObjParams, TCrossNode &Uses, TCrossNode &UsedBy);

    qint64 ObjectOid(int Code, const QString &Schema, const QString &ObjName, const QString &ObjTable,
                     const QString &ObjParams);
    // The oid of the function whose argument types (quoted, joined by ",")
    // are Args; the only one when the name is not overloaded; 0 when none.
    qint64 FindFunctionOid(const QString &Schema, const QString &Name, const QString &Args);
    // Argument type names of a function, quoted, joined by ",".
    QString GetFunctionArgTypes(qint64 Oid);

    void AddReferences(TCrossNode &Node, int Level, qint64 Oid);
    void AddReferencedBy(TCrossNode &Node, int Level, qint64 Oid);

private:
    void Add(TCrossNode &Node, int Level, qint64 Oid, bool Uses);
    void ResolveRefObjects(QList<TRefObj> &List);
    tv::db::Query &Open(const QString &SQL);
    void Run(tv::db::Query &Query);

    tv::db::Connection &FConn;
    int FDBVer;
    bool FEdb;
    QString FEdbPackageSubquery;
    tv::db::Query *FQuery;
};
