#pragma once
// TtvToolBar: the command tool bar of the program's windows.
//
// It is a QToolBar (actions, their buttons through widgetForAction, widgets
// added with addWidget, separators) with two settings the windows make on
// their first show:
//
//  - SetButtonWidth: the least width of every tool button of the bar, those
//    added later included.
//  - SetWrapable: while on, the bar never folds buttons behind an overflow
//    button. When its width does not hold every item in one row, it goes on
//    in as many rows as it needs, and asks its parent layout for the height
//    of those rows. Its least width is that of its widest single item, so a
//    window may be narrower than all its buttons together. An item whose
//    width may grow (a connection box) takes the room of a row up to its
//    greatest width, and starts a new row when the row it would join has
//    less room left; a label stays in the row of the control after it; a
//    separator that would start or end a row is left out.
//
// The rows follow the width the bar was last given: a window that becomes
// narrower gets the taller bar on its next layout pass.
#include <QList>
#include <QRect>
#include <QToolBar>

class QLayoutItem;

class TtvToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit TtvToolBar(QWidget *parent = nullptr);
    ~TtvToolBar() override;

    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int Width);

    bool Wrapable() const { return FWrapable; }
    void SetWrapable(bool Wrap);

    // The height the bar needs to show every item at `Width`.
    int HeightForWidth(int Width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *e) override;
    void actionEvent(QActionEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    struct Placement {
        QLayoutItem *Item = nullptr;
        QRect Rect; // empty: left out (a separator at the start or end of a row)
    };
    // Lays the visible items out in rows for `Width` (into `Out` when given,
    // with an empty place for each item left out); returns the height used.
    int Flow(int Width, QList<Placement> *Out) const;
    // Places and shows the items at the present width.
    void Relayout();
    // Gives the button of `Action` the bar's least button width.
    void ApplyButtonWidth(QAction *Action);
    // The margins the style gives the bar, and the spacing of its items.
    int StyleMargin() const;
    int StyleSpacing() const;
    // The bar's own layout is kept from placing the items while the bar wraps.
    void HoldNativeLayout(bool Hold);

    int FButtonWidth = 0;
    bool FWrapable = false;
    bool FRelayingOut = false;
    int FLaidWidth = -1;  // the width the parent layout last gave; -1: none yet
    int FHintHeight = -1; // the height last reported to the parent layout
};
