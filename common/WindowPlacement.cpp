#include "common/WindowPlacement.h"

#include <QGuiApplication>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// `r` moved and shrunk into `bounds`, never below `least`.
QRect FitRect(QRect r, const QRect &bounds, const QSize &least)
{
    r.setWidth(std::max(std::min(r.width(), bounds.width()), least.width()));
    r.setHeight(std::max(std::min(r.height(), bounds.height()), least.height()));
    const int x = std::clamp(r.x(), bounds.left(), std::max(bounds.left(), bounds.left() + bounds.width() - r.width()));
    const int y = std::clamp(r.y(), bounds.top(), std::max(bounds.top(), bounds.top() + bounds.height() - r.height()));
    r.moveTo(x, y);
    return r;
}

QSize LeastSize(const QWidget *w)
{
    QSize least = w->minimumSize();
    if (w->layout() || !w->minimumSizeHint().isValid())
        least = least.expandedTo(w->minimumSizeHint());
    return least.expandedTo(QSize(0, 0));
}

} // namespace

void FitIntoMdiArea(QMdiSubWindow *frame)
{
    if (!frame)
        return;
    QMdiArea *area = frame->mdiArea();
    if (!area || !area->isVisible() || frame->isMinimized())
        return;
    const QRect view = area->viewport()->rect();
    if (view.isEmpty())
        return;
    if (frame->isMaximized()) {
        // The frame takes the area's size at once, and so do its contents:
        // nothing is drawn at the size the window had before.
        if (frame->geometry() != view)
            frame->setGeometry(view);
        if (QLayout *l = frame->layout())
            l->activate();
        if (QWidget *content = frame->widget(); content && content->layout())
            content->layout()->activate();
        return;
    }
    // Laid out at its new size, the window may need more room than before
    // (a row that wraps when narrower): fit again until it holds.
    for (int pass = 0; pass < 3; ++pass) {
        if (QLayout *l = frame->layout())
            l->activate();
        if (QWidget *content = frame->widget(); content && content->layout()) {
            // Sizes that follow the width (wrapped rows) are asked anew.
            content->layout()->invalidate();
            content->layout()->activate();
        }
        const QRect fitted = FitRect(frame->geometry(), view, LeastSize(frame));
        if (fitted == frame->geometry())
            break;
        frame->setGeometry(fitted);
    }
}

void FitOnScreen(QWidget *window)
{
    if (!window)
        return;
    // A window never given a size takes the one its contents ask for when it
    // is shown: take it now, so that the fit sees it.
    if (!window->testAttribute(Qt::WA_Resized) && !window->isVisible())
        window->adjustSize();
    QScreen *screen = QGuiApplication::screenAt(window->frameGeometry().center());
    if (!screen)
        screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect avail = screen->availableGeometry();
    // The window frame (title bar, borders) counts; the geometry is the
    // client part inside it.
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    QMargins margins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                     frame.bottom() - client.bottom());
    // Not shown yet, the window has no frame to measure: leave room for a
    // title bar and borders of the usual size.
    if (!window->isVisible() && margins.isNull())
        margins = QMargins(8, 32, 8, 8);
    const QRect bounds = avail.marginsRemoved(margins);
    const QRect fitted = FitRect(client, bounds, LeastSize(window));
    if (fitted != client)
        window->setGeometry(fitted);
}
