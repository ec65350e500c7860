#pragma once
// What a user sees of a text in a control: whether a line edit has the room
// for its text (as typed or masked), and the width a view's items ask for.
#include <QAbstractItemView>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace tvtest {

// The room a line edit has for its text, as the style lays it out.
inline int TextRoom(const QLineEdit *e)
{
    QStyleOptionFrame opt;
    opt.initFrom(e);
    opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
    const QRect r = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e);
    const QMargins m = e->textMargins();
    return r.width() - m.left() - m.right() - 2 * 2;   // the line edit's own margin on each side
}

// The width the text the line edit shows (masked or not) takes.
inline int ShownTextWidth(const QLineEdit *e)
{
    return e->fontMetrics().horizontalAdvance(e->displayText());
}

// The width a view's items ask for in that column, icon, check box and
// indentation included.
inline int Needed(QAbstractItemView *view, int column)
{
    return view->sizeHintForColumn(column);
}

} // namespace tvtest
