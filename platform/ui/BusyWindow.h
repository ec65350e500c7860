#pragma once
// One window busy with work that lets events run (an external program it
// started), while every other window stays usable.
//
// For the lifetime of the object the window takes no input: keys, shortcuts
// (its own and those of the menus while it has the focus), mouse clicks,
// wheel turns, context menus and drops are dropped, and it refuses to close
// (TtvForm asks IsBusy before it agrees to close, so the program's own
// shutdown and the closing of a connection window wait for it too). It shows
// the wait cursor and keeps repainting. An Esc pressed in it goes to the
// `onEscape` handler (which stops the work) and no further. Input to other
// windows flows as usual.
//
// The window is the MDI sub-window the widget sits in, or else its
// top-level window (BusyRoot).
#include <QCursor>
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace tv::ui {

class BusyWindow : public QObject {
public:
    BusyWindow(QWidget *widget, std::function<void()> onEscape);
    ~BusyWindow() override;
    BusyWindow(const BusyWindow &) = delete;
    BusyWindow &operator=(const BusyWindow &) = delete;

    QWidget *window() const { return m_root; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool inside(QObject *receiver) const;

    QPointer<QWidget> m_root;
    std::function<void()> m_onEscape;
    bool m_hadCursor = false;
    QCursor m_cursor;
};

// The window `widget` belongs to for this purpose (see above).
QWidget *BusyRoot(QWidget *widget);
// True while `widget`, or the window it sits in, is busy.
bool IsBusy(const QWidget *widget);

} // namespace tv::ui
