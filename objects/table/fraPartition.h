#pragma once
// TfraPartition: the inheritance page of a table. The upper tree shows the
// whole table-inheritance hierarchy the table belongs to, from its root
// ancestor down (every hierarchy it reaches through a second parent as a
// further top-level tree), with per table its oid, primary key, numbers of
// constraints, indexes and triggers, and its tablespace; the window's own
// table in blue. The lower tree shows the constraints, indexes and triggers
// (with their functions) of the table selected above. From either tree
// objects open in their windows, new child tables (LIKE ... INCLUDING ALL
// INHERITS), indexes, constraints, triggers and functions are created, and
// objects are dropped.
//
// Use: new TfraPartition(ownerWindow, parent); then Load(schema, table)
// whenever the page is shown or reloaded. The frame takes the connection
// window from its owner each time it is filled. Every node keeps its schema
// and name, whatever the quoting of the shown texts.
#include <QString>
#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class TtvForm;
class IConnectionWindow;

// One table of the hierarchy.
struct TObjInfo {
    qint64 nOid = -1;
    QString sName;
    QString sSchema;
    bool bExistPKey = false;
    int nConstCount = 0;
    int nIndexCount = 0;
    int nTriggerCount = 0;
    QString sTableSpace;
};

namespace PartitionSQL {
// The statement that creates a child table of schema.table.
QString NewChildTable(const QString &NewSchema, const QString &NewName, const QString &Schema, const QString &Table);
} // namespace PartitionSQL

class TfraPartition : public QWidget {
    Q_OBJECT
public:
    explicit TfraPartition(TtvForm *Owner, QWidget *Parent = nullptr);

    // Fills both trees for the window's table (prcShowData).
    void Load(const QString &Schema, const QString &Table);
    void prcShowData(const QString &Schema, const QString &Table) { Load(Schema, Table); }
    void prcShowTables(const QString &Schema, const QString &Table);
    void prcShowConst(const QString &Schema, const QString &Table);

    // Node roles: schema, name, type code, oid, function schema.
    enum { SchemaRole = Qt::UserRole + 1, NameRole, TypeRole, OidRole, FuncSchemaRole };

    // The child-table dialog: schema and name presets; false on cancel.
    // Tests may replace it.
    static bool ShowInheritDialog(QWidget *Parent, IConnectionWindow *Connection, QString &Schema, QString &Name);

    void actOpenTableExecute();
    void actNewTableExecute();
    void actDeleteTableExecute();
    void actOpenConstExecute();
    void actNewConstExecute();
    void actDeleteConstExecute();
    void UpdateActions();

    QTreeWidget *lstTables;
    QLabel *lblSelTable;
    QTreeWidget *lstConst;
    QAction *actOpenTable;
    QAction *actNewTable;
    QAction *actDeleteTable;
    QAction *actOpenConst;
    QAction *actNewConst;
    QAction *actDeleteConst;
    QMenu *popTables;
    QMenu *popConst;

    QString SelectedSchema() const { return FSelSchema; }
    QString SelectedTable() const { return FSelTable; }

private:
    IConnectionWindow *Connection() const;
    qint64 GetTableOid(const QString &Schema, const QString &Table);
    qint64 GetRootAncestor(qint64 Oid);
    QList<qint64> Parents(qint64 Oid);
    void AddChildTables(QTreeWidgetItem *Node, qint64 Oid, int Level);
    TObjInfo LoadObjInfo(qint64 Oid);
    QString IndexColumns(qint64 TableOid, const QString &Keys);
    void OpenObject(int Type, const QString &Schema, const QString &Table, const QString &Name, qint64 Oid,
                    const QString &FuncSchema);
    bool DeleteObject(int Type, const QString &Schema, const QString &Table, const QString &Name, qint64 Oid,
                      const QString &FuncSchema);
    void Paint(QTreeWidgetItem *Node);

    TtvForm *FOwner;
    QString L_sCurrentSchema;
    QString L_sCurrentTable;
    QString FSelSchema;
    QString FSelTable;
    int FFilling = 0;
};
