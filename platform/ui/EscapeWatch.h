#pragma once
// Notes an Esc key pressed anywhere in the application, so that long loops
// (and long database fetches) can stop when the user asks. The watch is an
// event filter on the application; it only observes and never eats a key.
#include <QObject>

#include <functional>

namespace tv::ui {

class EscapeWatch : public QObject {
    Q_OBJECT
public:
    // The one watch, installed on the application on first use.
    static EscapeWatch &instance();

    // Processes pending events first, then tells whether Esc was pressed
    // since the last call (or ClearEscape) and forgets the press.
    bool poll();
    // Forgets a press noted so far (call before a loop starts).
    void clear() { m_pressed = false; }
    // Notes a press as the key would (for callers that see the key themselves).
    void notePress() { m_pressed = true; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    EscapeWatch();
    bool m_pressed = false;
};

// Installs the watch (idempotent; needs the application object).
void InstallEscapeWatch();
// EscapeWatch::instance().poll().
bool EscapePressed();
// EscapeWatch::instance().clear().
void ClearEscape();
// A cancel check for long operations: true once per Esc press.
std::function<bool()> EscapeCancelCheck();

} // namespace tv::ui
