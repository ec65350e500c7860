#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WindowMessage.h"

#include <QApplication>
#include <QCoreApplication>
#include <QWidget>
#include <QWindow>
#include <QKeyEvent>
#include <QThread>

namespace tv::ui {

namespace {

constexpr char kLiveProperty[] = "tvLiveWhileBusy";

QEvent::Type ActionEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QEvent::Type ReplayEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class ActionEvent : public QEvent {
public:
    ActionEvent(QObject *context, std::function<void()> action)
        : QEvent(ActionEventType()), context(context), action(std::move(action))
    {
    }
    QPointer<QObject> context;
    std::function<void()> action;
};

bool IsEscape(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        return static_cast<const QKeyEvent *>(event)->key() == Qt::Key_Escape;
    case QEvent::Shortcut:
        return static_cast<const QShortcutEvent *>(event)->key() == QKeySequence(Qt::Key_Escape);
    default:
        return false;
    }
}

bool OnUiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

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
    pump(0);
    const bool pressed = m_pressed;
    m_pressed = false;
    return pressed;
}

void EscapeWatch::pump(int maxMs)
{
    struct Depth {
        EscapeWatch *w;
        explicit Depth(EscapeWatch *w) : w(w) { w->m_pumps.push_back(QThread::currentThread()->loopLevel()); }
        ~Depth()
        {
            w->m_pumps.pop_back();
            if (!w->working())
                w->askForReplay();
        }
    } depth(this);
    if (maxMs > 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, maxMs);
    else
        QCoreApplication::processEvents();
}

void EscapeWatch::post(QObject *context, std::function<void()> action)
{
    QCoreApplication::postEvent(this, new ActionEvent(context, std::move(action)));
}

bool EscapeWatch::working() const
{
    // A dialog's loop opened inside the work is the user's to answer.
    return !m_pumps.empty() && m_pumps.back() == QThread::currentThread()->loopLevel();
}

bool EscapeWatch::isLive(QObject *receiver)
{
    QWidget *w = qobject_cast<QWidget *>(receiver);
    if (!w) {
        if (auto *window = qobject_cast<QWindow *>(receiver)) {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->windowHandle() == window) {
                    w = top;
                    break;
                }
        }
    }
    return w && w->window()->property(kLiveProperty).toBool();
}

// Input and posted messages are held while work runs.
bool EscapeWatch::shouldHold(QObject *watched, QEvent *event) const
{
    if (!working())
        return false;
    bool input = false;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        // What the program sends itself belongs to the work under way.
        input = event->spontaneous();
        break;
    case QEvent::Shortcut:
        input = true;
        break;
    default:
        return IsWindowMessage(event) && static_cast<const WindowMessageEvent *>(event)->posted();
    }
    return input && !isLive(watched);
}

bool EscapeWatch::eventFilter(QObject *watched, QEvent *event)
{
    // An Esc while work runs is the work's: noted (a key reaches the filter
    // once per widget it propagates through, and a shortcut-override event
    // precedes it; the flag makes them one press) and accepted, so that it is
    // offered neither as a shortcut nor to the parents of the focus widget.
    // Outside work it belongs to the window (closing a list, leaving an
    // edit) and must not stop the next statement the user starts.
    if (IsEscape(event) && working()) {
        if (event->type() != QEvent::KeyRelease)
            m_pressed = true;
        event->accept();
        return true;
    }
    if (shouldHold(watched, event)) {
        hold({watched, std::unique_ptr<QEvent>(event->clone()), {}});
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool EscapeWatch::event(QEvent *event)
{
    if (event->type() == ActionEventType()) {
        auto *a = static_cast<ActionEvent *>(event);
        if (!a->context)
            return true;
        if (working())
            hold({a->context, nullptr, std::move(a->action)});
        else
            Guard(a->action);
        return true;
    }
    if (event->type() == ReplayEventType()) {
        m_replayAsked = false;
        replay();
        return true;
    }
    return QObject::event(event);
}

void EscapeWatch::hold(Held held)
{
    m_held.push_back(std::move(held));
    if (!working())
        askForReplay();
}

void EscapeWatch::askForReplay()
{
    if (m_replayAsked || m_held.empty() || m_replaying)
        return;
    m_replayAsked = true;
    QCoreApplication::postEvent(this, new QEvent(ReplayEventType()));
}

void EscapeWatch::replay()
{
    if (working() || m_replaying)
        return; // the end of the work asks again; a replay under way goes on
    m_replaying = true;
    struct Done {
        EscapeWatch *w;
        ~Done() { w->m_replaying = false; }
    } done{this};
    // Events held while a replayed action works are added at the end and
    // delivered in turn.
    while (!m_held.empty()) {
        Held h = std::move(m_held.front());
        m_held.pop_front();
        if (!h.receiver)
            continue; // its window has gone
        if (h.action) {
            Guard(h.action);
        } else if (h.event->spontaneous()) {
            // Delivered as it came from the window system (a click gives
            // focus only then); sendEvent would mark it as the program's own.
            QCoreApplication::instance()->notify(h.receiver, h.event.get());
        } else {
            QCoreApplication::sendEvent(h.receiver, h.event.get());
        }
    }
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

void SetLiveWhileBusy(QWidget *window)
{
    if (window)
        window->setProperty(kLiveProperty, true);
}

void PumpWhileBusy(int maxMs)
{
    if (!QCoreApplication::instance())
        return;
    if (!OnUiThread()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, maxMs);
        return;
    }
    EscapeWatch::instance().pump(maxMs);
}

void PostAction(QObject *context, std::function<void()> action)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!context || !app)
        return;
    if (!OnUiThread()) {
        QPointer<QObject> c(context);
        QMetaObject::invokeMethod(app, [c, action = std::move(action)]() mutable { PostAction(c, std::move(action)); },
                                  Qt::QueuedConnection);
        return;
    }
    EscapeWatch::instance().post(context, std::move(action));
}

} // namespace tv::ui
