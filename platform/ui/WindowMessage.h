#pragma once
// The program's own window messages as Qt events. Each message keeps its
// Windows number (WM_APP + n) as its QEvent type, registered once so that no
// other custom event takes the number, and carries the two message
// parameters. A receiver handles them in event() or customEvent() and may
// set a result, which SendWindowMessage returns.
#include <QEvent>
#include <QtGlobal>

class QObject;

namespace tv::ui {

constexpr int WM_APP = 0x8000;
constexpr int WM_DBCHANGE = WM_APP + 1;   // the set of connections changed
constexpr int WM_RELOAD = WM_APP + 2;     // read the object again
constexpr int WM_CODEASSIST = WM_APP + 3; // completion asked for (caret x, y)

// The event type of a message, registering the program's messages on first use.
QEvent::Type WindowMessageType(int message);

// True when `event` is one of the program's window messages.
bool IsWindowMessage(const QEvent *event);

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(int message, qintptr wParam = 0, qintptr lParam = 0);

    int message() const { return static_cast<int>(type()); }
    qintptr wParam() const { return m_wParam; }
    qintptr lParam() const { return m_lParam; }
    qintptr result() const { return m_result; }
    void setResult(qintptr result) { m_result = result; }
    // Queued by PostWindowMessage (not sent): held like input while work runs.
    bool posted() const { return m_posted; }
    void setPosted() { m_posted = true; }

    WindowMessageEvent *clone() const override { return new WindowMessageEvent(*this); }

protected:
    WindowMessageEvent(const WindowMessageEvent &) = default;

private:
    bool m_posted = false;
    qintptr m_wParam;
    qintptr m_lParam;
    qintptr m_result = 0;
};

// Delivers the message at once and returns the receiver's result (0 when the
// receiver is null or sets none).
qintptr SendWindowMessage(QObject *receiver, int message, qintptr wParam = 0, qintptr lParam = 0);

// Queues the message for the receiver's event loop.
void PostWindowMessage(QObject *receiver, int message, qintptr wParam = 0, qintptr lParam = 0);

} // namespace tv::ui
