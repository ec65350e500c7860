#pragma once
// A target list and an available list with the four buttons between them
// ("全て追加", "追加", "削除", "全て削除"): entries move with their caption and
// sub-items to the end of the other list, the available list's selection
// also by double click and Enter, the target list's by double click and
// Delete. Moving does not sort.
#include <QObject>

class QToolButton;
class QWidget;
class TtvListView;

class TListPair : public QObject {
    Q_OBJECT
public:
    TListPair(QObject *Parent, TtvListView *All, TtvListView *Select, QToolButton *InsAll, QToolButton *Ins,
              QToolButton *Del, QToolButton *DelAll);

    // Moves the selected (or all) entries of From to the end of To.
    static void Move(TtvListView *From, TtvListView *To, bool All);
    // The four buttons, in a column, named as given ("btnInsAll" ...).
    static QWidget *Buttons(QWidget *Parent, const char *InsAll, const char *Ins, const char *Del, const char *DelAll,
                            QToolButton *&bInsAll, QToolButton *&bIns, QToolButton *&bDel, QToolButton *&bDelAll);

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    TtvListView *FAll;
    TtvListView *FSelect;
};
