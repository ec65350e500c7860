#pragma once
// A page whose fields scroll within it.
#include <QScrollArea>

// Holds the fields of a page that has more fixed rows than a window of its
// first size shows, so the page asks for no more height than the window has.
// The panel `Fields` takes the box's whole size when there is room (lists on
// it still stretch) and scrolls when there is not; a control that takes the
// focus, by the keyboard, a click or the program (a check that names it),
// is scrolled into view. The box asks for the room its fields ask for now
// (fields shown or hidden, a page of them switched) and follows when that
// changes; it never asks for more least height than its fields need whole.
class TtvScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit TtvScrollBox(QWidget *Parent = nullptr);

    QWidget *Fields() const { return widget(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Fills `page` with a box named "sbx" + the page's name without its
    // "tab" and returns the panel ("pnl" + the same) that takes the fields.
    static QWidget *FillPage(QWidget *page);

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;
};
