#include "platform/ui/BusyWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QShortcut>
#include <QWidget>

namespace tv::ui {

namespace {

constexpr char kBusyProperty[] = "tvBusyDepth";

void AddBusy(QWidget *w, int delta)
{
    w->setProperty(kBusyProperty, w->property(kBusyProperty).toInt() + delta);
}

bool IsEscapeKey(const QEvent *event)
{
    return static_cast<const QKeyEvent *>(event)->key() == Qt::Key_Escape;
}

} // namespace

QWidget *BusyRoot(QWidget *widget)
{
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<QMdiSubWindow *>(w))
            return w;
        if (w->isWindow())
            return w;
    }
    return nullptr;
}

bool IsBusy(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w->property(kBusyProperty).toInt() > 0)
            return true;
        if (w->isWindow())
            break;
    }
    return false;
}

BusyWindow::BusyWindow(QWidget *widget, std::function<void()> onEscape)
    : m_root(BusyRoot(widget)), m_onEscape(std::move(onEscape))
{
    if (!m_root)
        return;
    AddBusy(m_root, 1);
    m_hadCursor = m_root->testAttribute(Qt::WA_SetCursor);
    m_cursor = m_root->cursor();
    m_root->setCursor(Qt::WaitCursor);
    // Esc must reach the window: when the focus is nowhere inside it, the
    // widget that shows the work takes it.
    auto *frame = qobject_cast<QMdiSubWindow *>(m_root);
    const bool active = frame ? frame->mdiArea() && frame->mdiArea()->activeSubWindow() == frame
                              : m_root->isActiveWindow();
    if (active && widget->isVisible() && !inside(QApplication::focusWidget()))
        widget->setFocus(Qt::OtherFocusReason);
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

BusyWindow::~BusyWindow()
{
    if (!m_root)
        return;
    AddBusy(m_root, -1);
    if (m_hadCursor)
        m_root->setCursor(m_cursor);
    else
        m_root->unsetCursor();
}

bool BusyWindow::inside(QObject *receiver) const
{
    if (!m_root || !receiver)
        return false;
    QWidget *w = qobject_cast<QWidget *>(receiver);
    if (!w) {
        if (auto *shortcut = qobject_cast<QShortcut *>(receiver))
            w = qobject_cast<QWidget *>(shortcut->parent());
    }
    return w && (w == m_root || m_root->isAncestorOf(w));
}

bool BusyWindow::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        if (!inside(watched))
            break;
        if (IsEscapeKey(event) && event->type() == QEvent::KeyPress && m_onEscape)
            m_onEscape();
        // Accepted: a shortcut override taken by the focus widget keeps the
        // key from the menus' shortcuts, and the key itself stops here.
        event->accept();
        return true;
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        if (!inside(watched))
            break;
        event->accept();
        return true;
    case QEvent::Close: {
        // The window itself, or the form an MDI sub-window frames.
        auto *frame = qobject_cast<QMdiSubWindow *>(m_root);
        if (!m_root || (watched != m_root && !(frame && watched == frame->widget())))
            break;
        event->ignore();
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tv::ui
