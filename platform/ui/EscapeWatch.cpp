#include "platform/ui/EscapeWatch.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace tv::ui {

EscapeWatch::EscapeWatch()
{
    if (QCoreApplication *app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        // Live as long as the application; the filter goes with it.
        setParent(app);
    }
}

EscapeWatch &EscapeWatch::instance()
{
    static EscapeWatch *watch = new EscapeWatch;
    return *watch;
}

bool EscapeWatch::poll()
{
    QCoreApplication::processEvents();
    const bool pressed = m_pressed;
    m_pressed = false;
    return pressed;
}

bool EscapeWatch::eventFilter(QObject *watched, QEvent *event)
{
    // A key reaches the filter once per widget it propagates through, and a
    // shortcut-override event precedes it; the flag makes them one press.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape)
            m_pressed = true;
    }
    return QObject::eventFilter(watched, event);
}

void InstallEscapeWatch()
{
    EscapeWatch::instance();
}

bool EscapePressed()
{
    return EscapeWatch::instance().poll();
}

void ClearEscape()
{
    EscapeWatch::instance().clear();
}

std::function<bool()> EscapeCancelCheck()
{
    InstallEscapeWatch();
    return [] { return EscapePressed(); };
}

} // namespace tv::ui
