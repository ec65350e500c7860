#include "objects/table/fraCross.h"

#include "common/CatalogSQL.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/tvForm.h"
#include "common/tvOption.h"
#include "objects/table/CrossReference.h"
#include "platform/ui/Guard.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kCodeRole = Qt::UserRole;

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TfraCross::TfraCross(TtvForm *Owner, QWidget *Parent) : QWidget(Parent), FOwner(Owner)
{
    setObjectName(QStringLiteral("fraCross"));
    const auto image = MainWindowImage;
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);

    pnlTree1Obj = new QGroupBox(QStringLiteral(" 表示対象オブジェクト "));
    pnlTree1Obj->setObjectName(QStringLiteral("pnlTree1Obj"));
    auto *bar = new QHBoxLayout(pnlTree1Obj);
    bar->setContentsMargins(4, 2, 4, 2);
    auto button = [&](QToolButton *&b, const char *name, const QString &hint, int icon, const char *type) {
        b = new QToolButton;
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setIcon(image(icon));
        if (b->icon().isNull())
            b->setText(hint);
        b->setCheckable(true);
        b->setChecked(true);
        bar->addWidget(b);
        FFilters << qMakePair(b, QString::fromLatin1(type));
    };
    button(btnTree1Table, "btnTree1Table", QStringLiteral("テーブル"), 45, "TABLE");
    button(btnTree1Index, "btnTree1Index", QStringLiteral("インデックス"), 46, "INDEX");
    button(btnTree1View, "btnTree1View", QStringLiteral("ビュー"), 47, "VIEW");
    button(btnTree1Func, "btnTree1Func", QStringLiteral("ファンクション"), 52, "FUNCTION");
    button(btnTree1Type, "btnTree1Type", QStringLiteral("タイプ"), 55, "TYPE");
    button(btnTree1Trigger, "btnTree1Trigger", QStringLiteral("トリガー"), 57, "TRIGGER");
    button(btnTree1Seq, "btnTree1Seq", QStringLiteral("シーケンス"), 58, "SEQUENCE");
    button(btnTree1MView, "btnTree1MView", QStringLiteral("マテリアライズドビュー"), 61, "MATERIALIZED VIEW");
    button(btnTree1Rule, "btnTree1Rule", QStringLiteral("ルール"), 127, "RULE");
    button(btnTree1Agrg, "btnTree1Agrg", QStringLiteral("集約関数"), 128, "AGGREGATE");
    button(btnTree1Proc, "btnTree1Proc", QStringLiteral("プロシージャ"), 51, "PROCEDURE");
    button(btnTree1Pack, "btnTree1Pack", QStringLiteral("パッケージ"), 53, "PACKAGE");
    button(btnTree1PackB, "btnTree1PackB", QStringLiteral("パッケージボディ"), 54, "PACKAGE BODY");
    bar->addStretch(1);
    root->addWidget(pnlTree1Obj);

    popTree = new QMenu(this);
    popTree->setObjectName(QStringLiteral("popTree"));
    popOpen = popTree->addAction(image(17), QStringLiteral("オブジェクト情報を表示"));
    popOpen->setObjectName(QStringLiteral("popOpen"));
    popTree->addSeparator();
    popExpand = popTree->addAction(QStringLiteral("開く"));
    popExpand->setObjectName(QStringLiteral("popExpand"));
    popCollapse = popTree->addAction(QStringLiteral("閉じる"));
    popCollapse->setObjectName(QStringLiteral("popCollapse"));
    popExpandAll = popTree->addAction(QStringLiteral("全て開く"));
    popExpandAll->setObjectName(QStringLiteral("popExpandAll"));
    popCollapseAll = popTree->addAction(QStringLiteral("全て閉じる"));
    popCollapseAll->setObjectName(QStringLiteral("popCollapseAll"));
    connect(popOpen, &QAction::triggered, this, tv::ui::Guarded([this] { popOpenClick(); }));
    connect(popExpand, &QAction::triggered, this, [this] { popExpandClick(); });
    connect(popCollapse, &QAction::triggered, this, [this] { popCollapseClick(); });
    connect(popExpandAll, &QAction::triggered, this, [this] { popExpandAllClick(); });
    connect(popCollapseAll, &QAction::triggered, this, [this] { popCollapseAllClick(); });

    splTree = new QSplitter(Qt::Horizontal);
    splTree->setObjectName(QStringLiteral("splTree"));
    auto side = [&](QWidget *&top, QTreeWidget *&tree, const char *topName, const char *treeName,
                    const QString &title) {
        auto *w = new QWidget;
        auto *l = new QVBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(0);
        top = new QLabel(title);
        top->setObjectName(QString::fromLatin1(topName));
        tree = new QTreeWidget;
        tree->setObjectName(QString::fromLatin1(treeName));
        tree->setHeaderHidden(true);
        tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tree->setContextMenuPolicy(Qt::CustomContextMenu);
        QTreeWidget *t = tree;
        connect(tree, &QTreeWidget::customContextMenuRequested, this, [this, t](const QPoint &p) {
            // A right click selects the node under the mouse.
            if (QTreeWidgetItem *item = t->itemAt(p))
                t->setCurrentItem(item);
            FLastTree = t;
            t->setFocus();
            popTree->popup(t->viewport()->mapToGlobal(p));
        });
        connect(tree, &QTreeWidget::itemDoubleClicked, this, tv::ui::Guarded([this, t](QTreeWidgetItem *, int) {
                    FLastTree = t;
                    popOpenClick();
                }));
        l->addWidget(top);
        l->addWidget(tree, 1);
        splTree->addWidget(w);
    };
    side(pnlTree1Top, lstTree1, "pnlTree1Top", "lstTree1", QStringLiteral(" 【 参　照 】"));
    side(pnlTree2Top, lstTree2, "pnlTree2Top", "lstTree2", QStringLiteral(" 【 被参照 】"));
    splTree->setSizes({1, 1});
    root->addWidget(splTree, 1);
}

QString TfraCross::ShowData(const QString &Schema, const QString &ObjName, const QString &ObjTable,
                            const QString &ObjPalams)
{
    if (!FOwner || !FOwner->OwnerForm())
        return QString();
    FOwnerForm = FOwner->OwnerForm();
    FObjType = FOwner->ObjType();
    if (FObjType == 54)
        FObjType = 53;
    const int ver = FOwnerForm->DBVer();
    btnTree1MView->setVisible(ver >= 90300);
    btnTree1Agrg->setVisible(ver >= 90400);

    WaitCursor wait;
    lstTree1->setUpdatesEnabled(false);
    lstTree2->setUpdatesEnabled(false);
    struct EndUpdate {
        TfraCross *f;
        ~EndUpdate()
        {
            f->lstTree1->setUpdatesEnabled(true);
            f->lstTree2->setUpdatesEnabled(true);
        }
    } end{this};
    lstTree1->clear();
    lstTree2->clear();

    const bool edb = FOwnerForm->g_bPostgresPlus();
    TCrossReader reader(FOwnerForm->dbsMain(), ver, edb, edb ? EdbPackageSubquery(ver) : QString());
    reader.CrossLevel = tvOption.CrossLevel;
    for (const auto &f : std::as_const(FFilters))
        if (f.first->isChecked())
            reader.Admitted << f.second;
    if (reader.Admitted.isEmpty())
        reader.Admitted << QStringLiteral("-");   // nothing admitted
    TCrossNode uses, usedBy;
    // The roots stand even when a query fails on the way.
    uses.Code = usedBy.Code = FObjType;
    uses.Text = usedBy.Text = FormatNodeText(FObjType, Schema, ObjTable, ObjName, ObjPalams);
    try {
        reader.Fill(FObjType, Schema, ObjName, ObjTable, ObjPalams, uses, usedBy);
    } catch (...) {
        FStatements = reader.Statements;
        lstTree1->addTopLevelItem(MakeItem(uses));
        lstTree2->addTopLevelItem(MakeItem(usedBy));
        throw;
    }
    FStatements = reader.Statements;
    QTreeWidgetItem *r1 = MakeItem(uses);
    lstTree1->addTopLevelItem(r1);
    AddNodes(r1, uses);
    r1->setExpanded(true);
    lstTree1->expandAll();
    QTreeWidgetItem *r2 = MakeItem(usedBy);
    lstTree2->addTopLevelItem(r2);
    AddNodes(r2, usedBy);
    lstTree2->expandAll();
    return QString();
}

QTreeWidgetItem *TfraCross::MakeItem(const TCrossNode &Node)
{
    auto *item = new QTreeWidgetItem(QStringList{Node.Text});
    item->setData(0, kCodeRole, Node.Code);
    if (IMainWindow *m = MainWindow())
        item->setIcon(0, m->MainImage(Node.Code));
    return item;
}

void TfraCross::AddNodes(QTreeWidgetItem *Item, const TCrossNode &Node)
{
    for (const TCrossNode &c : Node.Children) {
        QTreeWidgetItem *child = MakeItem(c);
        Item->addChild(child);
        AddNodes(child, c);
    }
}

QTreeWidget *TfraCross::FocusedTree() const
{
    QWidget *f = QApplication::focusWidget();
    if (f == lstTree1 || f == lstTree2)
        return static_cast<QTreeWidget *>(f);
    return FLastTree;
}

void TfraCross::popOpenClick()
{
    QTreeWidget *tree = FocusedTree();
    if (!tree)
        return;
    QTreeWidgetItem *item = tree->currentItem();
    if (!item || !item->parent())
        return;
    auto *form = dynamic_cast<TfrmObject *>(FOwnerForm ? FOwnerForm : (FOwner ? FOwner->OwnerForm() : nullptr));
    if (!form)
        return;
    const int code = item->data(0, kCodeRole).toInt();
    const TNodeParts p = ParseNodeText(code, item->text(0));
    const TOpenMode mode = tvOption.OpenMode;
    if (code == 51 || code == 52 || code == 128) {
        QTreeWidgetItem *parent = item->parent();
        if (parent && parent->data(0, kCodeRole).toInt() == 53) {
            const TNodeParts pp = ParseNodeText(53, parent->text(0));
            form->OpenObject(54, pp.Schema, pp.Name, mode, true, 0, -1);
            return;
        }
        const bool edb = form->g_bPostgresPlus();
        TCrossReader reader(form->dbsMain(), form->DBVer(), edb);
        const qint64 oid = reader.FindFunctionOid(p.Schema, p.Name, p.Args);
        form->OpenObject(code, p.Schema, p.Name, mode, true, 0, oid);
    } else if (code == 57 || code == 127) {
        form->OpenObject(code, p.Schema, p.Name, mode, true, 0, -1, p.Parent);
    } else {
        form->OpenObject(code, p.Schema, p.Name, mode, true, 0, -1);
    }
}

void TfraCross::popExpandClick()
{
    if (QTreeWidget *t = FocusedTree(); t && t->currentItem())
        t->currentItem()->setExpanded(true);
}

void TfraCross::popCollapseClick()
{
    if (QTreeWidget *t = FocusedTree(); t && t->currentItem())
        t->currentItem()->setExpanded(false);
}

void TfraCross::popExpandAllClick()
{
    if (QTreeWidget *t = FocusedTree(); t && t->currentItem()) {
        QList<QTreeWidgetItem *> todo{t->currentItem()};
        while (!todo.isEmpty()) {
            QTreeWidgetItem *i = todo.takeLast();
            i->setExpanded(true);
            for (int k = 0; k < i->childCount(); ++k)
                todo << i->child(k);
        }
    }
}

void TfraCross::popCollapseAllClick()
{
    if (QTreeWidget *t = FocusedTree(); t && t->currentItem()) {
        QList<QTreeWidgetItem *> todo{t->currentItem()};
        while (!todo.isEmpty()) {
            QTreeWidgetItem *i = todo.takeLast();
            i->setExpanded(false);
            for (int k = 0; k < i->childCount(); ++k)
                todo << i->child(k);
        }
    }
}
