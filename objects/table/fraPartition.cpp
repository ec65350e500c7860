#include "objects/table/fraPartition.h"

#include "controls/tvTreeView.h"

#include "common/CatalogSQL.h"
#include "common/IMainWindow.h"
#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/tvForm.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "objects/table/frmIndex.h"
#include "objects/table/frmTrigger.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QString QI(const QString &s) { return QuoteIdentifier(s); }

// The widths the columns of a tree are built with.
void SetColumnWidths(QTreeWidget *Tree, std::initializer_list<int> Widths)
{
    int c = 0;
    for (int w : Widths)
        Tree->header()->resizeSection(c++, w);
}

const int MaxSteps = 101;
const int MaxLevel = 64;

} // namespace

QString PartitionSQL::NewChildTable(const QString &NewSchema, const QString &NewName, const QString &Schema,
                                    const QString &Table)
{
    const QString parent = QI(Schema) + u'.' + QI(Table);
    return QStringLiteral("CREATE TABLE ") + QI(NewSchema) + u'.' + QI(NewName) + QStringLiteral(" (LIKE ") + parent +
           QStringLiteral(" INCLUDING ALL)") + QStringLiteral(" INHERITS (") + parent + u')';
}

TfraPartition::TfraPartition(TtvForm *Owner, QWidget *Parent) : QWidget(Parent), FOwner(Owner)
{
    setObjectName(QStringLiteral("fraPartition"));
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    auto *split = new QSplitter(Qt::Vertical);
    root->addWidget(split);

    lstTables = new QTreeWidget;
    lstTables->setObjectName(QStringLiteral("lstTables"));
    lstTables->setHeaderLabels({QStringLiteral("パーティションテーブル"), QStringLiteral("OID"), QStringLiteral("主キー"),
                                QStringLiteral("制約"), QStringLiteral("インデックス"), QStringLiteral("トリガー"),
                                QStringLiteral("テーブルスペース")});
    SetColumnWidths(lstTables, {340, 60, 68, 80, 120, 80, 140});
    lstTables->setContextMenuPolicy(Qt::CustomContextMenu);
    split->addWidget(lstTables);

    auto *pnlConst = new QWidget;
    pnlConst->setObjectName(QStringLiteral("pnlConst"));
    auto *cl = new QVBoxLayout(pnlConst);
    cl->setContentsMargins(0, 0, 0, 0);
    auto *line = new QHBoxLayout;
    line->addWidget(new QLabel(QStringLiteral("選択中のテーブル：")));
    lblSelTable = new QLabel;
    lblSelTable->setObjectName(QStringLiteral("lblSelTable"));
    line->addWidget(lblSelTable, 1);
    cl->addLayout(line);
    lstConst = new QTreeWidget;
    lstConst->setObjectName(QStringLiteral("lstConst"));
    lstConst->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("OID"), QStringLiteral("種別"),
                               QStringLiteral("パラメータ")});
    SetColumnWidths(lstConst, {260, 60, 90});
    lstConst->setContextMenuPolicy(Qt::CustomContextMenu);
    cl->addWidget(lstConst, 1);
    split->addWidget(pnlConst);
    split->setSizes({300, 200});

    auto action = [this](QAction *&a, const char *name, const QString &caption, void (TfraPartition::*fn)()) {
        a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, tv::ui::Guarded([this, fn] { (this->*fn)(); }));
    };
    action(actOpenTable, "actOpenTable", QStringLiteral("開く"), &TfraPartition::actOpenTableExecute);
    action(actNewTable, "actNewTable", QStringLiteral("新規作成"), &TfraPartition::actNewTableExecute);
    action(actDeleteTable, "actDeleteTable", QStringLiteral("削除"), &TfraPartition::actDeleteTableExecute);
    action(actOpenConst, "actOpenConst", QStringLiteral("開く"), &TfraPartition::actOpenConstExecute);
    action(actNewConst, "actNewConst", QStringLiteral("新規作成"), &TfraPartition::actNewConstExecute);
    action(actDeleteConst, "actDeleteConst", QStringLiteral("削除"), &TfraPartition::actDeleteConstExecute);
    actOpenTable->setIcon(MainWindowImage(17));
    actNewTable->setIcon(MainWindowImage(45));
    actDeleteTable->setIcon(MainWindowImage(41));
    actOpenConst->setIcon(MainWindowImage(17));
    actNewConst->setIcon(MainWindowImage(57));
    actDeleteConst->setIcon(MainWindowImage(41));
    popTables = new QMenu(this);
    popTables->addActions({actOpenTable, actNewTable, actDeleteTable});
    popConst = new QMenu(this);
    popConst->addActions({actOpenConst, actNewConst, actDeleteConst});

    connect(lstTables, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        if (QTreeWidgetItem *i = lstTables->itemAt(p))
            lstTables->setCurrentItem(i);
        UpdateActions();
        popTables->popup(lstTables->viewport()->mapToGlobal(p));
    });
    connect(lstConst, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        if (QTreeWidgetItem *i = lstConst->itemAt(p))
            lstConst->setCurrentItem(i);
        UpdateActions();
        popConst->popup(lstConst->viewport()->mapToGlobal(p));
    });
    connect(lstTables, &QTreeWidget::currentItemChanged, this, tv::ui::Guarded([this](QTreeWidgetItem *cur) {
                if (FFilling || !cur)
                    return;
                prcShowConst(cur->data(0, SchemaRole).toString(), cur->data(0, NameRole).toString());
                UpdateActions();
            }));
    connect(lstConst, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *cur) {
        // 新規作成 shows what it creates: the image of the selected node.
        if (cur)
            actNewConst->setIcon(cur->icon(0));
        UpdateActions();
    });
    connect(lstTables, &QTreeWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { actOpenTableExecute(); }));
    connect(lstConst, &QTreeWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { actOpenConstExecute(); }));
    UpdateActions();
}

IConnectionWindow *TfraPartition::Connection() const
{
    return FOwner ? FOwner->OwnerForm() : nullptr;
}

// ---------------------------------------------------------------------------
// The hierarchy

void TfraPartition::Load(const QString &Schema, const QString &Table)
{
    if (!Connection())
        return;
    L_sCurrentSchema = Schema;
    L_sCurrentTable = Table;
    prcShowTables(Schema, Table);
    prcShowConst(Schema, Table);
}

qint64 TfraPartition::GetTableOid(const QString &Schema, const QString &Table)
{
    tv::db::Query q(&Connection()->dbsMain());
    q.SetSQL(QStringLiteral("SELECT c.oid FROM pg_class c LEFT OUTER JOIN pg_namespace ns ON ns.oid = c.relnamespace "
                            "WHERE 0 = 0 AND relkind IN ('r', 'p') AND ns.nspname = :nspname AND relname = :relname"));
    q.ParamByName(QStringLiteral("nspname")).setAsString(Schema);
    q.ParamByName(QStringLiteral("relname")).setAsString(Table);
    q.Open();
    return q.Eof() ? -1 : q.Fields(0).AsString().toLongLong();
}

QList<qint64> TfraPartition::Parents(qint64 Oid)
{
    tv::db::Query q(&Connection()->dbsMain());
    q.SetSQL(QStringLiteral("SELECT inhparent , inhseqno FROM pg_inherits WHERE 0 = 0 AND inhrelid = CAST(:MY_OID AS oid) "
                            "ORDER BY inhseqno"));
    q.ParamByName(QStringLiteral("MY_OID")).setAsString(QString::number(Oid));
    q.Open();
    QList<qint64> out;
    while (!q.Eof()) {
        out << q.Fields(0).AsString().toLongLong();
        q.Next();
    }
    return out;
}

qint64 TfraPartition::GetRootAncestor(qint64 Oid)
{
    for (int i = 0; i < MaxSteps; ++i) {
        const QList<qint64> p = Parents(Oid);
        if (p.isEmpty())
            break;
        Oid = p.first();
    }
    return Oid;
}

void TfraPartition::AddChildTables(QTreeWidgetItem *Node, qint64 Oid, int Level)
{
    QList<qint64> children;
    {
        tv::db::Query q(&Connection()->dbsMain());
        q.SetSQL(QStringLiteral("SELECT inh.inhrelid FROM pg_inherits inh WHERE 0 = 0 AND inh.inhparent = CAST(:OYA_OID AS oid) "
                                "ORDER BY inhrelid"));
        q.ParamByName(QStringLiteral("OYA_OID")).setAsString(QString::number(Oid));
        q.Open();
        while (!q.Eof()) {
            children << q.Fields(0).AsString().toLongLong();
            q.Next();
        }
    }
    for (qint64 c : children) {
        auto *n = new QTreeWidgetItem(Node);
        n->setData(0, OidRole, c);
        if (Level + 1 < MaxLevel)
            AddChildTables(n, c, Level + 1);
    }
}

TObjInfo TfraPartition::LoadObjInfo(qint64 Oid)
{
    TObjInfo info;
    tv::db::Query q(&Connection()->dbsMain());
    q.SetSQL(QStringLiteral(
        "SELECT c.relname, ns.nspname, (SELECT count(indexrelid) FROM pg_index ix WHERE ix.indrelid = c.oid AND NOT "
        "EXISTS(SELECT con.oid FROM pg_constraint con WHERE con.conindid = ix.indexrelid)) AS hasindex, "
        "EXISTS(SELECT oid FROM pg_constraint con WHERE con.contype = 'p' AND con.conrelid = c.oid) AS haspkey, "
        "(SELECT count(oid) FROM pg_constraint con WHERE con.conrelid = c.oid) AS hascons, "
        "(SELECT count(oid) FROM pg_trigger trg WHERE trg.tgrelid = c.oid AND trg.tgisinternal = False) AS hastrigger, "
        "COALESCE(ts.spcname, (SELECT spcname FROM pg_database D LEFT JOIN pg_tablespace tsd ON D.dattablespace = "
        "tsd.oid WHERE D.datname = :DBNAME)) AS tbs_name "
        "FROM pg_class c LEFT JOIN pg_namespace ns ON ns.oid = c.relnamespace LEFT JOIN pg_tablespace ts ON ts.oid = "
        "c.reltablespace WHERE 0 = 0 AND c.oid = CAST(:MY_OID AS oid)"));
    q.ParamByName(QStringLiteral("DBNAME")).setAsString(Connection()->DBName());
    q.ParamByName(QStringLiteral("MY_OID")).setAsString(QString::number(Oid));
    q.Open();
    if (q.Eof())
        return info;
    info.nOid = Oid;
    info.sName = q.Fields(0).AsString();
    info.sSchema = q.Fields(1).AsString();
    info.nIndexCount = q.Fields(2).AsInteger();
    info.bExistPKey = q.Fields(3).AsBoolean();
    info.nConstCount = q.Fields(4).AsInteger();
    info.nTriggerCount = q.Fields(5).AsInteger();
    info.sTableSpace = q.Fields(6).AsString();
    return info;
}

void TfraPartition::Paint(QTreeWidgetItem *Node)
{
    const bool own = Node->data(0, SchemaRole).toString() == L_sCurrentSchema &&
                     Node->data(0, NameRole).toString() == L_sCurrentTable;
    Node->setForeground(0, own ? QBrush(Qt::blue) : QBrush());
}

void TfraPartition::prcShowTables(const QString &Schema, const QString &Table)
{
    WaitCursor wait;
    ++FFilling;
    struct Done {
        int &n;
        ~Done() { --n; }
    } done{FFilling};
    lstTables->clear();
    const qint64 own = GetTableOid(Schema, Table);
    if (own < 0)
        return;
    QList<qint64> listed;
    qint64 start = own;
    for (int step = 0; step < MaxSteps && start >= 0; ++step) {
        const qint64 root = GetRootAncestor(start);
        auto *top = new QTreeWidgetItem(lstTables);
        top->setData(0, OidRole, root);
        AddChildTables(top, root, 0);
        // Every node listed so far; the first parent not among them starts
        // the next tree.
        listed.clear();
        QList<QTreeWidgetItem *> stack;
        for (int i = 0; i < lstTables->topLevelItemCount(); ++i)
            stack << lstTables->topLevelItem(i);
        while (!stack.isEmpty()) {
            QTreeWidgetItem *n = stack.takeFirst();
            listed << n->data(0, OidRole).toLongLong();
            for (int i = 0; i < n->childCount(); ++i)
                stack << n->child(i);
        }
        start = -1;
        for (qint64 o : listed) {
            for (qint64 p : Parents(o))
                if (!listed.contains(p)) {
                    start = p;
                    break;
                }
            if (start >= 0)
                break;
        }
    }
    QHash<qint64, TObjInfo> infos;
    QList<QTreeWidgetItem *> stack;
    for (int i = 0; i < lstTables->topLevelItemCount(); ++i)
        stack << lstTables->topLevelItem(i);
    QTreeWidgetItem *current = nullptr;
    while (!stack.isEmpty()) {
        QTreeWidgetItem *n = stack.takeFirst();
        const qint64 oid = n->data(0, OidRole).toLongLong();
        if (!infos.contains(oid))
            infos.insert(oid, LoadObjInfo(oid));
        const TObjInfo &info = infos[oid];
        n->setText(0, QI(info.sSchema) + u'.' + QI(info.sName));
        n->setIcon(0, MainWindowImage(45));
        n->setData(0, SchemaRole, info.sSchema);
        n->setData(0, NameRole, info.sName);
        n->setData(0, TypeRole, 45);
        n->setText(1, QString::number(oid));
        n->setText(2, info.bExistPKey ? QStringLiteral("○") : QStringLiteral("－"));
        n->setText(3, QString::number(info.nConstCount));
        n->setText(4, QString::number(info.nIndexCount));
        n->setText(5, QString::number(info.nTriggerCount));
        n->setText(6, info.sTableSpace);
        Paint(n);
        if (!current && oid == own)
            current = n;
        for (int i = 0; i < n->childCount(); ++i)
            stack << n->child(i);
    }
    lstTables->expandAll();
    WidenColumnsToText(lstTables);
    if (current)
        lstTables->setCurrentItem(current);
}

QString TfraPartition::IndexColumns(qint64 TableOid, const QString &Keys)
{
    const QStringList numbers = Keys.split(u'\n', Qt::SkipEmptyParts);
    tv::db::Query q(&Connection()->dbsMain());
    q.SetSQL(QStringLiteral("SELECT a.attnum , a.attname FROM pg_attribute a LEFT JOIN pg_class c ON c.oid = a.attrelid "
                            "WHERE 0 = 0 AND a.attnum > 0 AND c.oid = CAST(:TABLE_OID AS oid) ORDER BY attnum"));
    q.ParamByName(QStringLiteral("TABLE_OID")).setAsString(QString::number(TableOid));
    q.Open();
    QStringList cols;
    while (!q.Eof()) {
        const QString num = q.Fields(0).AsString();
        for (const QString &k : numbers)
            if (k.trimmed() == num) {
                cols << QI(q.Fields(1).AsString());
                break;
            }
        q.Next();
    }
    return cols.join(u',');
}

void TfraPartition::prcShowConst(const QString &Schema, const QString &Table)
{
    WaitCursor wait;
    ++FFilling;
    struct Done {
        int &n;
        ~Done() { --n; }
    } done{FFilling};
    FSelSchema = Schema;
    FSelTable = Table;
    lblSelTable->setText(QI(Schema) + u'.' + QI(Table));
    lstConst->clear();
    auto group = [this](const QString &text, int icon) {
        auto *g = new QTreeWidgetItem(lstConst, {text});
        g->setIcon(0, MainWindowImage(icon));
        g->setData(0, TypeRole, icon);
        return g;
    };
    QTreeWidgetItem *cons = group(QStringLiteral("CONSTRAINT"), 66);
    QTreeWidgetItem *inds = group(QStringLiteral("INDEX"), 46);
    QTreeWidgetItem *trgs = group(QStringLiteral("TRIGGER"), 57);
    tv::db::Connection &conn = Connection()->dbsMain();
    auto node = [&](QTreeWidgetItem *parent, const QString &name, const QString &oid, const QString &kind,
                    const QString &param, int type) {
        auto *n = new QTreeWidgetItem(parent, {name, oid, kind, param});
        n->setIcon(0, MainWindowImage(type));
        n->setData(0, SchemaRole, Schema);
        n->setData(0, NameRole, name);
        n->setData(0, TypeRole, type);
        n->setData(0, OidRole, oid.toLongLong());
        return n;
    };
    {
        tv::db::Query q(&conn);
        q.SetSQL(QStringLiteral(
            "SELECT C.conname, C.contype, C.oid, CL2.oid AS \"table_oid\", N.nspname, CASE C.contype WHEN 'p' THEN "
            "substring(pg_get_constraintdef(C.oid), 13) WHEN 'u' THEN substring(pg_get_constraintdef(C.oid), 8) WHEN "
            "'f' THEN substring(pg_get_constraintdef(C.oid), 13) WHEN 'c' THEN pg_get_expr(C.conbin, C.conrelid) WHEN "
            "'x' THEN substring(pg_get_constraintdef(C.oid), strpos(pg_get_constraintdef(C.oid), ' USING ') + 7) END "
            "AS \"constraintdef\" FROM pg_constraint C LEFT JOIN pg_namespace N ON C.connamespace = N.oid LEFT JOIN "
            "pg_class CL2 ON C.conrelid = CL2.oid WHERE 0 = 0 AND N.nspname = :SCHEMA AND CL2.relname = :TABNAME "
            "ORDER BY C.contype <> 'p', C.conname"));
        q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
        q.ParamByName(QStringLiteral("TABNAME")).setAsString(Table);
        q.Open();
        while (!q.Eof()) {
            const QString t = q.Fields(1).AsString();
            const QString kind = t == QStringLiteral("p")   ? QStringLiteral("PRIMARY KEY")
                                 : t == QStringLiteral("c") ? QStringLiteral("CHECK")
                                 : t == QStringLiteral("u") ? QStringLiteral("UNIQUE")
                                 : t == QStringLiteral("f") ? QStringLiteral("FOREIGN KEY")
                                 : t == QStringLiteral("x") ? QStringLiteral("EXCLUDE")
                                                            : QString();
            node(cons, q.Fields(0).AsString(), q.Fields(2).AsString(), kind, kind.isEmpty() ? QString() : q.Fields(5).AsString(),
                 66);
            q.Next();
        }
    }
    {
        struct Ind {
            QString name, oid, keys, expr;
            bool unique;
            qint64 table;
        };
        QList<Ind> list;
        tv::db::Query q(&conn);
        q.SetSQL(QStringLiteral(
            "SELECT C.relname, N.nspname, I.indisunique, I.indexrelid, C2.oid AS \"table_oid\", "
            "array_to_string(I.indkey, '\n') AS \"strindkey\", pg_get_expr(I.indexprs, I.indrelid) AS \"strindkey2\" "
            "FROM pg_class C LEFT JOIN pg_namespace N ON C.relnamespace = N.oid LEFT JOIN pg_index I ON C.oid = "
            "I.indexrelid LEFT JOIN pg_class C2 ON I.indrelid = C2.oid WHERE 0 = 0 AND C.relkind = 'i' AND NOT "
            "EXISTS(SELECT con.oid FROM pg_constraint con WHERE con.conindid = C.oid) AND N.nspname = :SCHEMA AND "
            "C2.relname = :TBLNAME"));
        q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
        q.ParamByName(QStringLiteral("TBLNAME")).setAsString(Table);
        q.Open();
        while (!q.Eof()) {
            list << Ind{q.Fields(0).AsString(), q.Fields(3).AsString(), q.Fields(5).AsString(), q.Fields(6).AsString(),
                        q.Fields(2).AsBoolean(), q.Fields(4).AsString().toLongLong()};
            q.Next();
        }
        for (const Ind &i : list)
            node(inds, i.name, i.oid, i.unique ? QStringLiteral("UNIQUE INDEX") : QStringLiteral("NONUNIQUE INDEX"),
                 i.keys.trimmed() == QStringLiteral("0") ? i.expr : IndexColumns(i.table, i.keys), 46);
    }
    {
        tv::db::Query q(&conn);
        q.SetSQL(QStringLiteral(
            "SELECT N.nspname, T.tgname, PN.nspname AS \"pronsp\", P.oid AS \"procoid\", P.proname, T.oid FROM "
            "pg_trigger T LEFT JOIN pg_class C ON C.oid = T.tgrelid LEFT JOIN pg_namespace N ON N.oid = "
            "C.relnamespace LEFT JOIN pg_proc P ON P.oid = T.tgfoid LEFT JOIN pg_namespace PN ON PN.oid = "
            "P.pronamespace WHERE 0 = 0 AND N.nspname = :SCHEMA AND C.relname = :TBLNAME AND T.tgisinternal = False "
            "ORDER BY T.tgname"));
        q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
        q.ParamByName(QStringLiteral("TBLNAME")).setAsString(Table);
        q.Open();
        while (!q.Eof()) {
            node(trgs, q.Fields(1).AsString(), q.Fields(5).AsString(), QStringLiteral("TRIGGER"), QString(), 57);
            QTreeWidgetItem *f = node(trgs, q.Fields(4).AsString(), q.Fields(3).AsString(), QStringLiteral("T.FUNCTION"),
                                      QString(), 52);
            f->setData(0, FuncSchemaRole, q.Fields(2).AsString());
            q.Next();
        }
    }
    lstConst->expandAll();
    WidenColumnsToText(lstConst);
    for (int i = 0; i < lstConst->topLevelItemCount(); ++i)
        for (int j = 0; j < lstConst->topLevelItem(i)->childCount(); ++j)
            Paint(lstConst->topLevelItem(i)->child(j));
    UpdateActions();
}

// ---------------------------------------------------------------------------
// Actions

void TfraPartition::UpdateActions()
{
    QTreeWidgetItem *t = lstTables->currentItem();
    QTreeWidgetItem *c = lstConst->currentItem();
    actOpenTable->setEnabled(t);
    actNewTable->setEnabled(t);
    actDeleteTable->setEnabled(t && !(t->data(0, SchemaRole).toString() == L_sCurrentSchema &&
                                      t->data(0, NameRole).toString() == L_sCurrentTable));
    actOpenConst->setEnabled(c && c->parent());
    actNewConst->setEnabled(c);
    actDeleteConst->setEnabled(c && c->parent());
}

void TfraPartition::OpenObject(int Type, const QString &Schema, const QString &Table, const QString &Name, qint64 Oid,
                               const QString &FuncSchema)
{
    auto *obj = dynamic_cast<TfrmObject *>(Connection());
    if (!obj)
        return;
    try {
        switch (Type) {
        case 45:
            obj->OpenObject(45, Schema, Name, omDefine);
            break;
        case 46:
            TfrmIndex::Open(obj, Schema, Name, omDefine, Table);
            break;
        case 52:
            obj->OpenObject(52, FuncSchema.isEmpty() ? Schema : FuncSchema, Name, omDefine, false, 0, Oid);
            break;
        case 57:
            TfrmTrigger::Open(obj, Schema, Name, omDefine, Table);
            break;
        case 66:
            obj->OpenObject(66, Schema, Name, omDefine, false, 0, -1, Table);
            break;
        default:
            break;
        }
    } catch (...) {
        // A twin brought forward, or a window that could not be built.
    }
}

void TfraPartition::actOpenTableExecute()
{
    if (QTreeWidgetItem *t = lstTables->currentItem())
        OpenObject(45, t->data(0, SchemaRole).toString(), QString(), t->data(0, NameRole).toString(), -1, QString());
}

void TfraPartition::actOpenConstExecute()
{
    QTreeWidgetItem *c = lstConst->currentItem();
    if (!c || !c->parent())
        return;
    OpenObject(c->data(0, TypeRole).toInt(), FSelSchema, FSelTable, c->data(0, NameRole).toString(),
               c->data(0, OidRole).toLongLong(), c->data(0, FuncSchemaRole).toString());
}

void TfraPartition::actNewConstExecute()
{
    QTreeWidgetItem *c = lstConst->currentItem();
    auto *obj = dynamic_cast<TfrmObject *>(Connection());
    if (!c || !obj)
        return;
    try {
        switch (c->data(0, TypeRole).toInt()) {
        case 46:
            TfrmIndex::Open(obj, FSelSchema, QString(), omDefine, FSelTable);
            break;
        case 52:
            obj->OpenObject(52, FSelSchema, QString(), omDefine, false, 0, c->data(0, OidRole).toLongLong());
            break;
        case 57:
            TfrmTrigger::Open(obj, FSelSchema, QString(), omDefine, FSelTable);
            obj->OpenObject(52, FSelSchema, QString(), omDefine, false, 0, 0);
            break;
        case 66:
            obj->OpenObject(66, FSelSchema, QString(), omDefine, false, 0, -1, FSelTable);
            break;
        default:
            break;
        }
    } catch (...) {
    }
}

bool TfraPartition::ShowInheritDialog(QWidget *Parent, IConnectionWindow *Connection, QString &Schema, QString &Name)
{
    QDialog dlg(Parent);
    dlg.setObjectName(QStringLiteral("frmInherit"));
    dlg.setWindowTitle(QStringLiteral("継承テーブルの作成"));
    dlg.resize(300, 140);
    auto *l = new QVBoxLayout(&dlg);
    l->addWidget(new QLabel(QStringLiteral("スキーマ")));
    auto *cmb = new QComboBox;
    cmb->setObjectName(QStringLiteral("cmbSchema"));
    cmb->setEditable(true);
    if (Connection) {
        tv::db::Query q(&Connection->dbsMain());
        q.SetSQL(QStringLiteral("SELECT NS.nspname FROM pg_namespace NS LEFT JOIN pg_roles RO ON RO.oid = NS.nspowner "
                                "WHERE (NOT(NS.nspname LIKE 'pg\\_%') OR NS.nspname = 'pg_catalog') ORDER BY 1"));
        q.Open();
        while (!q.Eof()) {
            cmb->addItem(q.Fields(0).AsString());
            q.Next();
        }
    }
    cmb->setCurrentText(Schema);
    l->addWidget(cmb);
    l->addWidget(new QLabel(QStringLiteral("継承先テーブル")));
    auto *edit = new QLineEdit(Name);
    edit->setObjectName(QStringLiteral("txtName"));
    l->addWidget(edit);
    auto *buttons = new QDialogButtonBox;
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("btnCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    l->addWidget(buttons);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    Schema = cmb->currentText();
    Name = edit->text();
    return true;
}

void TfraPartition::actNewTableExecute()
{
    QTreeWidgetItem *t = lstTables->currentItem();
    if (!t || !Connection())
        return;
    const QString schema = t->data(0, SchemaRole).toString();
    const QString table = t->data(0, NameRole).toString();
    QString newSchema = schema, newName = table + u'_';
    if (!ShowInheritDialog(this, Connection(), newSchema, newName))
        return;
    Connection()->ExecuteSQL(PartitionSQL::NewChildTable(newSchema, newName, schema, table));
    Load(L_sCurrentSchema, L_sCurrentTable);
}

bool TfraPartition::DeleteObject(int Type, const QString &Schema, const QString &Table, const QString &Name,
                                 qint64 Oid, const QString &FuncSchema)
{
    bool cascade = false;
    const unsigned flags = tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2;
    const QString question = QStringLiteral("オブジェクトを削除しますか？");
    const bool withCascade = Type == 45 || Type == 46 || Type == 52 || Type == 57 || Type == 66;
    const int answer = withCascade
                           ? ShowCheckMessageDialog(question, flags, {{QStringLiteral("CASCADE オプション"), &cascade}})
                           : ShowMessageBox(question, flags);
    if (answer != tv::ui::IDYES)
        return false;
    const QString c = cascade ? QStringLiteral(" CASCADE") : QString();
    const QString qt = QI(Schema) + u'.' + QI(Table);
    QString sql;
    switch (Type) {
    case 45:
        sql = QStringLiteral("DROP TABLE ") + qt + c;
        break;
    case 46:
        sql = QStringLiteral("DROP INDEX ") + QI(Schema) + u'.' + QI(Name) + c;
        break;
    case 52: {
        QString args;
        {
            tv::db::Query q(&Connection()->dbsMain());
            q.SetSQL(QStringLiteral("SELECT pg_get_function_identity_arguments(CAST(:OID AS oid))"));
            q.ParamByName(QStringLiteral("OID")).setAsString(QString::number(Oid));
            q.Open();
            if (!q.Eof())
                args = q.Fields(0).AsString();
        }
        sql = QStringLiteral("DROP FUNCTION ") + QI(FuncSchema.isEmpty() ? Schema : FuncSchema) + u'.' + QI(Name) + u'(' +
              args + u')' + c;
        break;
    }
    case 57:
        sql = QStringLiteral("DROP TRIGGER ") + QI(Name) + QStringLiteral(" ON ") + qt + c;
        break;
    case 66:
        sql = QStringLiteral("ALTER TABLE ") + qt + QStringLiteral(" DROP CONSTRAINT ") + QI(Name) + c;
        break;
    default:
        return false;
    }
    Connection()->ExecuteSQL(sql);
    return true;
}

void TfraPartition::actDeleteTableExecute()
{
    QTreeWidgetItem *t = lstTables->currentItem();
    if (!t || !Connection())
        return;
    const QString schema = t->data(0, SchemaRole).toString(), table = t->data(0, NameRole).toString();
    if (schema == L_sCurrentSchema && table == L_sCurrentTable)
        return;
    if (DeleteObject(45, schema, table, table, -1, QString()))
        Load(L_sCurrentSchema, L_sCurrentTable);
}

void TfraPartition::actDeleteConstExecute()
{
    QTreeWidgetItem *c = lstConst->currentItem();
    if (!c || !c->parent() || !Connection())
        return;
    // The window's own table is changed in its own window.
    if (FSelSchema == L_sCurrentSchema && FSelTable == L_sCurrentTable)
        return;
    if (DeleteObject(c->data(0, TypeRole).toInt(), FSelSchema, FSelTable, c->data(0, NameRole).toString(),
                     c->data(0, OidRole).toLongLong(), c->data(0, FuncSchemaRole).toString()))
        Load(L_sCurrentSchema, L_sCurrentTable);
}
