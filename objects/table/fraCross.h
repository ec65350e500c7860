#pragma once
// TfraCross: the frame of the cross-reference page "相関". Left, what the
// owning window's object uses; right, what uses it; both read from
// pg_depend to the depth of the option CrossLevel (see CrossReference.h).
// The tool bar's buttons choose the kinds shown at the next fill; a double
// click (or "オブジェクト情報を表示") opens a node's object through the
// connection window's dispatcher.
#include <QWidget>

class IConnectionWindow;
class QAction;
class QGroupBox;
class QMenu;
class QSplitter;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TtvForm;
struct TCrossNode;

class TfraCross : public QWidget {
    Q_OBJECT
public:
    // Owner: the definition window the frame sits on.
    explicit TfraCross(TtvForm *Owner, QWidget *Parent = nullptr);

    // Fills both trees for the owning window's object. ObjTable: the table
    // of a trigger or rule; ObjPalams: the argument types of a function.
    QString ShowData(const QString &Schema, const QString &ObjName, const QString &ObjTable,
                     const QString &ObjPalams);
    // Statements the last fill sent.
    int LastStatements() const { return FStatements; }

    void popOpenClick();
    void popExpandClick();
    void popCollapseClick();
    void popExpandAllClick();
    void popCollapseAllClick();

    QWidget *pnlTree1Top;
    QWidget *pnlTree2Top;
    QTreeWidget *lstTree1;
    QTreeWidget *lstTree2;
    QSplitter *splTree;
    QGroupBox *pnlTree1Obj;
    QToolButton *btnTree1Table;
    QToolButton *btnTree1Index;
    QToolButton *btnTree1View;
    QToolButton *btnTree1Func;
    QToolButton *btnTree1Type;
    QToolButton *btnTree1Trigger;
    QToolButton *btnTree1Seq;
    QToolButton *btnTree1MView;
    QToolButton *btnTree1Rule;
    QToolButton *btnTree1Agrg;
    QToolButton *btnTree1Proc;
    QToolButton *btnTree1Pack;
    QToolButton *btnTree1PackB;
    QMenu *popTree;
    QAction *popOpen;
    QAction *popExpand;
    QAction *popCollapse;
    QAction *popExpandAll;
    QAction *popCollapseAll;

private:
    QTreeWidget *FocusedTree() const;
    void AddNodes(QTreeWidgetItem *Item, const TCrossNode &Node);
    QTreeWidgetItem *MakeItem(const TCrossNode &Node);

    TtvForm *FOwner;
    IConnectionWindow *FOwnerForm = nullptr;
    int FObjType = 0;
    int FStatements = 0;
    QList<QPair<QToolButton *, QString>> FFilters;
    QTreeWidget *FLastTree = nullptr;
};
