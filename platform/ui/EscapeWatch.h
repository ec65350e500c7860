#pragma once
// The watch over the user's input while the program works.
//
// It notes an Esc key pressed anywhere in the application while work runs,
// so that long loops (and long database fetches) can stop when the user
// asks. An Esc pressed outside such work is left to the window that gets it
// and never stops work started afterwards.
//
// While work the user started lets events run (a statement runs on a
// session, a loop polls for Esc: both go through PumpWhileBusy), the watch
// also holds back whatever would start other work in the middle of it: keys,
// shortcuts, mouse clicks and wheel turns, context menus, and the program's
// own posted actions and window messages. An action on the same session
// would otherwise run inside the running statement, or between two
// statements of one operation. Held events are delivered in the order they
// came as soon as the event loop runs outside such work. A dialog that the
// work opens runs an event loop of its own, and input to it flows; so does
// input to a window marked live (one that shows and stops the work under
// way). Paints, layouts, timers and window-system events flow as usual, so
// the screen stays current. An Esc pressed during the work is the work's: it
// is noted and goes no further.
#include <QEvent>
#include <QObject>
#include <QPointer>

class QWidget;

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace tv::ui {

class EscapeWatch : public QObject {
    Q_OBJECT
public:
    // The one watch, installed on the application on first use.
    static EscapeWatch &instance();

    // Processes pending events first (as work does, see above), then tells
    // whether Esc was pressed since the last call (or ClearEscape) and
    // forgets the press.
    bool poll();
    // Forgets a press noted so far (call before a loop starts).
    void clear() { m_pressed = false; }
    // Notes a press as the key would (for callers that see the key themselves).
    void notePress() { m_pressed = true; }

    // Lets events run for at most `maxMs` while the work goes on.
    void pump(int maxMs);
    // Runs `action` from the event loop, held like input while work runs.
    void post(QObject *context, std::function<void()> action);
    // True while work lets events run (and no dialog's loop runs above it).
    bool working() const;
    // Number of events held now.
    int heldCount() const { return int(m_held.size()); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    EscapeWatch();
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;     // input or a posted message, or
        std::function<void()> action;      // a posted action
    };
    bool shouldHold(QObject *watched, QEvent *event) const;
    static bool isLive(QObject *receiver);
    void hold(Held held);
    void askForReplay();
    void replay();

    bool m_pressed = false;
    // The event-loop level of each pump under way, innermost last.
    std::vector<int> m_pumps;
    bool m_replaying = false;
    bool m_replayAsked = false;
    std::deque<Held> m_held;
};

// Installs the watch (idempotent; needs the application object).
void InstallEscapeWatch();
// EscapeWatch::instance().poll().
bool EscapePressed();
// EscapeWatch::instance().clear().
void ClearEscape();
// A cancel check for long operations: true once per Esc press.
std::function<bool()> EscapeCancelCheck();

// Marks a window whose input flows while work runs: it shows the work under
// way and can stop it (its own commands must not start other work then).
void SetLiveWhileBusy(QWidget *window);

// Lets pending events run for at most `maxMs` while work the user started
// goes on (a statement waits for the server). On the user-interface thread
// input is held as described above; on other threads it is a plain
// processEvents.
void PumpWhileBusy(int maxMs);

// Runs `action` on the user-interface thread's event loop, unless `context`
// is gone by then; held like input while work runs. The program's deferred
// actions go through here instead of a queued call, so that they never start
// in the middle of other work.
void PostAction(QObject *context, std::function<void()> action);

} // namespace tv::ui
