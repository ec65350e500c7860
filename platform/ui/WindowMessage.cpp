#include "platform/ui/WindowMessage.h"

#include <QCoreApplication>
#include <QObject>

namespace tv::ui {

namespace {

void RegisterMessages()
{
    static const bool registered = [] {
        for (int message : {WM_DBCHANGE, WM_RELOAD, WM_CODEASSIST}) {
            const int got = QEvent::registerEventType(message);
            if (got != message)
                qWarning("window message %#x is taken by another event type (got %#x)", message, got);
        }
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace

QEvent::Type WindowMessageType(int message)
{
    RegisterMessages();
    return static_cast<QEvent::Type>(message);
}

bool IsWindowMessage(const QEvent *event)
{
    if (!event)
        return false;
    const int t = event->type();
    return t == WM_DBCHANGE || t == WM_RELOAD || t == WM_CODEASSIST;
}

WindowMessageEvent::WindowMessageEvent(int message, qintptr wParam, qintptr lParam)
    : QEvent(WindowMessageType(message)), m_wParam(wParam), m_lParam(lParam)
{
}

qintptr SendWindowMessage(QObject *receiver, int message, qintptr wParam, qintptr lParam)
{
    if (!receiver)
        return 0;
    WindowMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return event.result();
}

void PostWindowMessage(QObject *receiver, int message, qintptr wParam, qintptr lParam)
{
    if (!receiver)
        return;
    auto *event = new WindowMessageEvent(message, wParam, lParam);
    event->setPosted();
    QCoreApplication::postEvent(receiver, event);
}

} // namespace tv::ui
