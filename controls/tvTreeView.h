#pragma once
// Tree view with one column per header section: each node carries a list of
// column texts shown under the sections after the first, two extra data
// pointers, and searches its children by text or data.
#include <QTreeWidget>
#include <functional>

class TtvTreeNode : public QTreeWidgetItem {
public:
    TtvTreeNode() = default;
    explicit TtvTreeNode(const QString &text);

    QString Text() const { return text(0); }
    void SetText(const QString &value) { setText(0, value); }
    const QStringList &SubItems() const { return FSubItems; }
    void SetSubItems(const QStringList &value);
    void SetSubItem(int Index, const QString &value);
    void AddSubItem(const QString &value) { SetSubItem(int(FSubItems.size()), value); }

    void *Data = nullptr;  // the ordinary data pointer; the caller owns what it points to
    void *Data2 = nullptr;
    void *Data3 = nullptr;

    TtvTreeNode *Child(int Index) const;
    // The first child (depth first with ARecurse) whose text equals S without
    // regard to the case of ASCII letters, or whose Data equals P.
    TtvTreeNode *FindName(const QString &S, bool ARecurse) const;
    TtvTreeNode *FindData(const void *P, bool ARecurse) const;

private:
    QStringList FSubItems;
};

class TtvTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TtvTreeView(QWidget *parent = nullptr);

    // Header sections: the first is the tree's own column, each further one
    // shows one sub-item of every node.
    void AddSection(const QString &caption, int width, Qt::Alignment alignment = Qt::AlignLeft);
    int SectionCount() const;
    Qt::Alignment SectionAlignment(int Index) const;

    TtvTreeNode *AddNode(TtvTreeNode *parent, const QString &text);
    TtvTreeNode *Selected() const;
    TtvTreeNode *TopNode(int Index) const;

    std::function<void(TtvTreeView *Sender, TtvTreeNode *Node, int Index, QStyle::State State, const QRect &Rect,
                       bool &DefaultDraw)>
        OnCustomDrawSubItem;
    std::function<void(QObject *Sender)> OnScroll;

protected:
    void mousePressEvent(QMouseEvent *e) override;

private:
    QList<Qt::Alignment> FAlignments;
};

// After a fill: every column but the last widens to the longest text it
// shows, so that no name or kind is cut; a column the user made wider stays.
void WidenColumnsToText(QTreeView *Tree);
