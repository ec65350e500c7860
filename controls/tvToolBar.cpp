#include "controls/tvToolBar.h"

#include <QActionEvent>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QStyle>
#include <QStyleOptionToolBar>
#include <QToolButton>

#include <algorithm>
#include <climits>

namespace {

// While the bar wraps, the tool bar's own layout gets margins so wide that it
// finds no room to lay anything out: it then leaves the items where the bar
// put them, hides none of them and shows no overflow button. It stays the
// bar's layout, so it still hands out the buttons of the actions
// (widgetForAction) and passes the changes of their sizes on.
constexpr int HeldMargin = 1 << 20;

} // namespace

TtvToolBar::TtvToolBar(QWidget *parent) : QToolBar(parent)
{
    setMovable(false);
}

TtvToolBar::~TtvToolBar() = default;

void TtvToolBar::SetButtonWidth(int Width)
{
    FButtonWidth = Width;
    for (QAction *a : actions())
        ApplyButtonWidth(a);
}

void TtvToolBar::ApplyButtonWidth(QAction *Action)
{
    if (FButtonWidth <= 0)
        return;
    if (auto *b = qobject_cast<QToolButton *>(widgetForAction(Action)))
        b->setMinimumWidth(FButtonWidth);
}

void TtvToolBar::SetWrapable(bool Wrap)
{
    if (Wrap == FWrapable)
        return;
    FWrapable = Wrap;
    FHintHeight = -1;
    HoldNativeLayout(Wrap);
    if (Wrap) {
        FLaidWidth = testAttribute(Qt::WA_Resized) || isVisible() ? width() : -1;
        Relayout();
    }
    updateGeometry();
}

int TtvToolBar::StyleMargin() const
{
    QStyleOptionToolBar opt;
    initStyleOption(&opt);
    return style()->pixelMetric(QStyle::PM_ToolBarItemMargin, &opt, this) +
           style()->pixelMetric(QStyle::PM_ToolBarFrameWidth, &opt, this);
}

int TtvToolBar::StyleSpacing() const
{
    QStyleOptionToolBar opt;
    initStyleOption(&opt);
    return style()->pixelMetric(QStyle::PM_ToolBarItemSpacing, &opt, this);
}

void TtvToolBar::HoldNativeLayout(bool Hold)
{
    QLayout *lay = layout();
    if (!lay)
        return;
    const int m = Hold ? HeldMargin : StyleMargin();
    if (lay->contentsMargins() != QMargins(m, m, m, m))
        lay->setContentsMargins(m, m, m, m);
}

int TtvToolBar::Flow(int Width, QList<Placement> *Out) const
{
    struct Cell {
        QLayoutItem *Item;
        QSize Size;
        bool Label;
        bool Separator;
    };
    QHash<QWidget *, QAction *> actionOf;
    for (QAction *a : actions())
        if (QWidget *w = widgetForAction(a))
            actionOf.insert(w, a);

    const int margin = StyleMargin();
    const int spacing = StyleSpacing();
    const int avail = std::max(Width - 2 * margin, 1);

    // The visible items, in the order of their actions.
    QList<Cell> cells;
    QLayout *lay = layout();
    for (int i = 0; lay && i < lay->count(); ++i) {
        QLayoutItem *item = lay->itemAt(i);
        QWidget *w = item ? item->widget() : nullptr;
        if (!w || item->isEmpty())
            continue;
        QAction *a = actionOf.value(w);
        QSize size = item->sizeHint().expandedTo(item->minimumSize());
        // An item that may grow (a connection box) wants the room of a row,
        // up to its greatest width: it starts a new row rather than taking
        // what little a row has left.
        const bool button = qobject_cast<QToolButton *>(w) != nullptr;
        if (!button && (w->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag))
            size.setWidth(std::max(size.width(), item->maximumSize().width()));
        cells.append({item, QSize(std::min(size.width(), avail), size.height()), qobject_cast<QLabel *>(w) != nullptr,
                      a && a->isSeparator()});
    }

    // Rows of cells, each as many as its width holds.
    QList<QList<int>> rows;
    QList<int> row;
    int x = 0;
    auto rowWidth = [&](const QList<int> &r) {
        int wsum = 0;
        for (int k : r)
            wsum += cells[k].Size.width();
        return wsum + spacing * std::max(int(r.size()) - 1, 0);
    };
    for (int k = 0; k < cells.size(); ++k) {
        const Cell &c = cells[k];
        if (c.Separator && row.isEmpty())
            continue; // a row never starts with a separator
        const int add = (row.isEmpty() ? 0 : spacing) + c.Size.width();
        if (!row.isEmpty() && x + add > avail) {
            // A label goes to the next row with the control it names.
            QList<int> next;
            if (row.size() > 1 && cells[row.last()].Label &&
                cells[row.last()].Size.width() + spacing + c.Size.width() <= avail)
                next.append(row.takeLast());
            while (!row.isEmpty() && cells[row.last()].Separator)
                row.removeLast();
            rows.append(row);
            row = next;
            if (c.Separator && row.isEmpty()) {
                x = 0;
                continue;
            }
            x = rowWidth(row);
            row.append(k);
            x += (row.size() > 1 ? spacing : 0) + c.Size.width();
            continue;
        }
        row.append(k);
        x += add;
    }
    while (!row.isEmpty() && cells[row.last()].Separator)
        row.removeLast();
    if (!row.isEmpty())
        rows.append(row);

    QList<bool> placed(cells.size(), false);
    int y = margin;
    for (const QList<int> &r : rows) {
        int height = 0;
        for (int k : r)
            height = std::max(height, cells[k].Size.height());
        int cx = margin;
        for (int k : r) {
            if (Out)
                Out->append({cells[k].Item, QRect(cx, y, cells[k].Size.width(), height)});
            placed[k] = true;
            cx += cells[k].Size.width() + spacing;
        }
        y += height + spacing;
    }
    if (Out)
        for (int k = 0; k < cells.size(); ++k)
            if (!placed[k])
                Out->append({cells[k].Item, QRect()});
    if (rows.isEmpty())
        return 2 * margin;
    return y - spacing + margin;
}

int TtvToolBar::HeightForWidth(int Width) const
{
    return FWrapable ? Flow(Width, nullptr) : QToolBar::sizeHint().height();
}

QSize TtvToolBar::sizeHint() const
{
    if (!FWrapable)
        return QToolBar::sizeHint();
    // One row of everything, as high as the rows at the width the bar has.
    QList<Placement> one;
    const int oneHeight = Flow(INT_MAX / 4, &one);
    int width = 0;
    for (const Placement &p : one)
        width = std::max(width, p.Rect.right() + 1);
    width += StyleMargin();
    return QSize(width, FHintHeight >= 0 ? FHintHeight : oneHeight);
}

QSize TtvToolBar::minimumSizeHint() const
{
    if (!FWrapable)
        return QToolBar::minimumSizeHint();
    // The widest single item: everything else goes to other rows.
    int width = 0;
    QLayout *lay = layout();
    for (int i = 0; lay && i < lay->count(); ++i)
        if (QLayoutItem *item = lay->itemAt(i); item && item->widget() && !item->isEmpty())
            width = std::max(width, item->minimumSize().width());
    return QSize(width + 2 * StyleMargin(), sizeHint().height());
}

void TtvToolBar::Relayout()
{
    if (!FWrapable || FRelayingOut)
        return;
    FRelayingOut = true;
    HoldNativeLayout(true);
    QList<Placement> places;
    Flow(width(), &places);
    for (const Placement &p : places) {
        QWidget *w = p.Item->widget();
        if (p.Rect.isEmpty()) {
            if (!w->isHidden())
                w->hide();
            continue;
        }
        p.Item->setGeometry(p.Rect);
        if (w->isHidden())
            w->show();
    }
    // The buttons of hidden actions stay hidden.
    QLayout *lay = layout();
    for (int i = 0; lay && i < lay->count(); ++i)
        if (QLayoutItem *item = lay->itemAt(i); item && item->widget() && item->isEmpty() && !item->widget()->isHidden())
            item->widget()->hide();
    if (auto *more = findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"), Qt::FindDirectChildrenOnly);
        more && !more->isHidden())
        more->hide();
    FRelayingOut = false;
    // The rows at the width the parent layout gave decide the height asked of it.
    if (FLaidWidth >= 0) {
        const int wanted = Flow(FLaidWidth, nullptr);
        if (wanted != FHintHeight) {
            FHintHeight = wanted;
            updateGeometry();
        }
    }
}

bool TtvToolBar::event(QEvent *e)
{
    const bool done = QToolBar::event(e);
    if (FWrapable) {
        switch (e->type()) {
        case QEvent::Resize:
            FLaidWidth = width();
            Relayout();
            break;
        case QEvent::LayoutRequest:
        case QEvent::Show:
        case QEvent::FontChange:
            Relayout();
            break;
        default:
            break;
        }
    }
    return done;
}

void TtvToolBar::actionEvent(QActionEvent *e)
{
    QToolBar::actionEvent(e);
    if (e->type() == QEvent::ActionAdded)
        ApplyButtonWidth(e->action());
    if (FWrapable)
        Relayout();
}

void TtvToolBar::changeEvent(QEvent *e)
{
    QToolBar::changeEvent(e);
    // A style change gives the bar's layout the style's margins again.
    if (FWrapable && e->type() == QEvent::StyleChange) {
        HoldNativeLayout(true);
        Relayout();
    }
}
