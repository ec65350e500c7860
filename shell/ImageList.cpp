#include "shell/ImageList.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <cmath>

namespace {

// Every glyph is drawn on a 16x16 grid; the 32x32 rendering scales it.
const QColor Ink(0x30, 0x30, 0x38);
const QColor Paper(0xFF, 0xFF, 0xFF);
const QColor Blue(0x2F, 0x6F, 0xC8);
const QColor LightBlue(0xB8, 0xD4, 0xF4);
const QColor Green(0x2E, 0x9B, 0x3A);
const QColor Red(0xD0, 0x30, 0x30);
const QColor Gold(0xE0, 0xA8, 0x10);
const QColor Orange(0xE8, 0x78, 0x18);
const QColor Purple(0x80, 0x48, 0xB8);
const QColor Grey(0x90, 0x90, 0x98);
const QColor LightGrey(0xE4, 0xE4, 0xE8);
const QColor Brown(0xB8, 0x88, 0x48);

QPen Line(const QColor &c, qreal w = 1.0)
{
    QPen p(c, w);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

void Box(QPainter &p, const QRectF &r, const QColor &fill, const QColor &edge = Ink, qreal radius = 0)
{
    p.setPen(Line(edge));
    p.setBrush(fill);
    if (radius > 0)
        p.drawRoundedRect(r, radius, radius);
    else
        p.drawRect(r);
}

// A sheet of paper with a folded corner.
void Page(QPainter &p, const QRectF &r, bool lines = true)
{
    const qreal f = 3;
    QPolygonF poly{r.topLeft(), QPointF(r.right() - f, r.top()), QPointF(r.right(), r.top() + f), r.bottomRight(),
                   r.bottomLeft()};
    p.setPen(Line(Ink));
    p.setBrush(Paper);
    p.drawPolygon(poly);
    p.drawPolyline(QPolygonF{QPointF(r.right() - f, r.top()), QPointF(r.right() - f, r.top() + f),
                             QPointF(r.right(), r.top() + f)});
    if (lines) {
        p.setPen(Line(Grey));
        for (qreal y = r.top() + 4; y < r.bottom() - 1; y += 2)
            p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

// A window with a blue title bar.
void Window(QPainter &p, const QRectF &r, const QColor &bar = Blue)
{
    Box(p, r, Paper);
    p.setPen(Qt::NoPen);
    p.setBrush(bar);
    p.drawRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1, 2.5));
    p.setPen(Line(Ink));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

// A grid of cells with a coloured header row.
void Grid(QPainter &p, const QRectF &r, int rows, int cols, const QColor &head)
{
    Box(p, r, Paper);
    const qreal rh = r.height() / rows;
    const qreal cw = r.width() / cols;
    p.setPen(Qt::NoPen);
    p.setBrush(head);
    p.drawRect(QRectF(r.left(), r.top(), r.width(), rh));
    p.setPen(Line(Ink));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    for (int i = 1; i < rows; ++i)
        p.drawLine(QPointF(r.left(), r.top() + i * rh), QPointF(r.right(), r.top() + i * rh));
    for (int i = 1; i < cols; ++i)
        p.drawLine(QPointF(r.left() + i * cw, r.top()), QPointF(r.left() + i * cw, r.bottom()));
}

// A cylinder standing in `r`.
void Cylinder(QPainter &p, const QRectF &r, const QColor &c)
{
    const qreal e = 3;
    QPainterPath body;
    body.moveTo(r.left(), r.top() + e / 2);
    body.lineTo(r.left(), r.bottom() - e / 2);
    body.arcTo(QRectF(r.left(), r.bottom() - e, r.width(), e), 180, 180);
    body.lineTo(r.right(), r.top() + e / 2);
    p.setPen(Line(Ink));
    p.setBrush(c);
    p.drawPath(body);
    p.setBrush(c.lighter(140));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), e));
}

void Magnifier(QPainter &p, const QPointF &c, qreal radius, const QColor &glass = LightBlue)
{
    p.setPen(Line(Ink, 2));
    const qreal d = radius * 0.7071;
    p.drawLine(QPointF(c.x() + d, c.y() + d), QPointF(c.x() + d + 4, c.y() + d + 4));
    p.setPen(Line(Ink, 1.2));
    p.setBrush(glass);
    p.drawEllipse(c, radius, radius);
}

// A straight arrow from `a` to `b` with a filled head.
void Arrow(QPainter &p, const QPointF &a, const QPointF &b, const QColor &c, qreal width = 2, qreal head = 3.5)
{
    const qreal dx = b.x() - a.x(), dy = b.y() - a.y();
    const qreal len = std::sqrt(dx * dx + dy * dy);
    const qreal ux = dx / len, uy = dy / len;
    const QPointF base(b.x() - ux * head, b.y() - uy * head);
    p.setPen(Line(c, width));
    p.drawLine(a, base);
    p.setPen(Line(c, 1));
    p.setBrush(c);
    p.drawPolygon(QPolygonF{b, QPointF(base.x() - uy * head * 0.8, base.y() + ux * head * 0.8),
                            QPointF(base.x() + uy * head * 0.8, base.y() - ux * head * 0.8)});
}

// A curved arrow turning back to the left (undo, rollback).
void BackArrow(QPainter &p, const QColor &c)
{
    QPainterPath path;
    path.moveTo(12.5, 12.5);
    path.cubicTo(14.5, 7, 10, 4, 5.5, 5.5);
    p.setPen(Line(c, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Line(c, 1));
    p.setBrush(c);
    p.drawPolygon(QPolygonF{QPointF(1.5, 6), QPointF(6.5, 1.5), QPointF(6.5, 10)});
}

void Person(QPainter &p, qreal x, qreal y, qreal s, const QColor &c)
{
    p.setPen(Line(Ink));
    p.setBrush(c);
    QPainterPath body;
    body.moveTo(x - 5 * s, y + 12 * s);
    body.cubicTo(x - 5 * s, y + 6 * s, x + 5 * s, y + 6 * s, x + 5 * s, y + 12 * s);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(0xF4, 0xC8, 0x98));
    p.drawEllipse(QPointF(x, y + 3 * s), 2.6 * s, 2.6 * s);
}

void Key(QPainter &p, const QColor &c)
{
    p.setPen(Line(Ink));
    p.setBrush(c);
    QPainterPath shaft;
    shaft.addRect(QRectF(6, 6.5, 8.5, 2.5));
    shaft.addRect(QRectF(11, 9, 1.5, 2.5));
    shaft.addRect(QRectF(13, 9, 1.5, 3.5));
    shaft.setFillRule(Qt::WindingFill);
    p.drawPath(shaft.simplified());
    p.drawEllipse(QPointF(4.5, 7.75), 3.5, 3.5);
    p.setBrush(Paper);
    p.drawEllipse(QPointF(3.8, 7.75), 1.1, 1.1);
}

void Cross(QPainter &p, const QRectF &r, const QColor &c, qreal w = 2.5)
{
    p.setPen(Line(c, w));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void Check(QPainter &p, const QColor &c)
{
    p.setPen(Line(c, 3));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{QPointF(2.5, 8.5), QPointF(6, 12.5), QPointF(13.5, 3)});
}

// A coloured tile, the background of letter marks.
void Tile(QPainter &p, const QColor &c)
{
    Box(p, QRectF(1.5, 1.5, 13, 13), c, c.darker(150), 2.5);
}

// A short text on a tile; used by the marks without a picture.
void Letters(QPainter &p, const QString &text, const QColor &c, const QColor &fill)
{
    Tile(p, fill);
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setBold(true);
    f.setPixelSize(text.size() > 1 ? 7 : 10);
    p.setFont(f);
    p.setPen(c);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, text);
}

void Folder(QPainter &p, const QColor &c, bool open)
{
    p.setPen(Line(Ink));
    p.setBrush(c.darker(115));
    p.drawPolygon(QPolygonF{QPointF(1.5, 3.5), QPointF(5.5, 3.5), QPointF(7, 5), QPointF(13.5, 5), QPointF(13.5, 13.5),
                            QPointF(1.5, 13.5)});
    p.setBrush(c);
    if (open)
        p.drawPolygon(QPolygonF{QPointF(4, 7.5), QPointF(15, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)});
    else
        p.drawRect(QRectF(1.5, 6.5, 12, 7));
}

void Lightning(QPainter &p, const QColor &c)
{
    p.setPen(Line(Ink));
    p.setBrush(c);
    p.drawPolygon(QPolygonF{QPointF(9.5, 0.5), QPointF(3, 9), QPointF(7.5, 9), QPointF(5.5, 15.5), QPointF(13, 6),
                            QPointF(8.5, 6), QPointF(10.5, 0.5)});
}

void Eye(QPainter &p, const QPointF &c, qreal s)
{
    QPainterPath eye;
    eye.moveTo(c.x() - 7 * s, c.y());
    eye.quadTo(c.x(), c.y() - 7 * s, c.x() + 7 * s, c.y());
    eye.quadTo(c.x(), c.y() + 7 * s, c.x() - 7 * s, c.y());
    p.setPen(Line(Ink));
    p.setBrush(Paper);
    p.drawPath(eye);
    p.setBrush(Blue);
    p.drawEllipse(c, 2.5 * s, 2.5 * s);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawEllipse(c, 1.1 * s, 1.1 * s);
}

void Plug(QPainter &p, bool connected)
{
    const QColor body = connected ? Green : Red;
    p.setPen(Line(Ink));
    // Cable
    p.setPen(Line(Ink, 1.5));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable;
    cable.moveTo(1, 14.5);
    cable.quadTo(3, 11, 5, 11);
    p.drawPath(cable);
    // Plug body with two prongs.
    p.setPen(Line(Ink));
    p.setBrush(body);
    p.save();
    p.translate(8, 8);
    p.rotate(-45);
    const qreal shift = connected ? 0 : -2;
    p.drawRoundedRect(QRectF(-3 + shift, -3, 5, 6), 1, 1);
    p.setBrush(LightGrey);
    p.drawRect(QRectF(2 + shift, -2.2, 3, 1.3));
    p.drawRect(QRectF(2 + shift, 0.9, 3, 1.3));
    // Socket
    p.setBrush(Grey);
    p.drawRoundedRect(QRectF(connected ? 5 : 6, -4, 2.5, 8), 1, 1);
    p.restore();
    if (!connected) {
        p.setPen(Line(Red, 1.5));
        p.drawLine(QPointF(11.5, 1.5), QPointF(14.5, 4.5));
        p.drawLine(QPointF(14.5, 1.5), QPointF(11.5, 4.5));
    }
}

void Printer(QPainter &p)
{
    Box(p, QRectF(4.5, 1.5, 7, 5), Paper);
    Box(p, QRectF(1.5, 5.5, 13, 6), LightGrey, Ink, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Green);
    p.drawRect(QRectF(11.5, 7, 1.5, 1.2));
    Box(p, QRectF(4.5, 9.5, 7, 5), Paper);
    p.setPen(Line(Grey));
    p.drawLine(QPointF(6, 11.5), QPointF(10, 11.5));
    p.drawLine(QPointF(6, 13), QPointF(10, 13));
}

// The digit-free clock face of a counter.
void Clock(QPainter &p, const QColor &c)
{
    p.setPen(Line(Ink));
    p.setBrush(c);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setBrush(Paper);
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.setPen(Line(Ink, 1));
    for (int i = 0; i < 12; i += 3) {
        const qreal a = i * M_PI / 6;
        p.drawLine(QPointF(8 + 4 * std::sin(a), 8 - 4 * std::cos(a)), QPointF(8 + 5 * std::sin(a), 8 - 5 * std::cos(a)));
    }
    p.setPen(Line(Ink, 1.3));
    p.drawLine(QPointF(8, 8), QPointF(8, 4.5));
    p.drawLine(QPointF(8, 8), QPointF(10.5, 9.5));
}

// Draws image `index`; false when it has no glyph of its own (a neutral
// tile is drawn then).
bool Paint(QPainter &p, int index)
{
    switch (index) {
    case 0: // the program: an elephant-blue database with a lightning mark
        Cylinder(p, QRectF(1.5, 1.5, 13, 13), Blue);
        p.setPen(Line(Paper, 1.6));
        p.drawPolyline(QPolygonF{QPointF(9, 5.5), QPointF(6, 9.5), QPointF(9.5, 9.5), QPointF(7, 13)});
        break;
    case 1: // server
        Box(p, QRectF(3.5, 0.5, 9, 15), LightGrey, Ink, 1);
        p.setPen(Line(Ink));
        for (qreal y : {3.5, 6.5, 9.5})
            p.drawLine(QPointF(5, y), QPointF(11, y));
        p.setPen(Qt::NoPen);
        p.setBrush(Green);
        p.drawEllipse(QPointF(10, 12.5), 1.2, 1.2);
        break;
    case 2:
    case 3: // user
        Person(p, 8, 1.5, 1.1, Blue);
        break;
    case 68: // role: a group of people
        Person(p, 10.5, 1.5, 0.9, Grey);
        Person(p, 6, 3, 0.9, Purple);
        break;
    case 4:
    case 126: // schema
        Folder(p, QColor(0xF0, 0xC8, 0x50), false);
        break;
    case 5: // session: a terminal on line
        Box(p, QRectF(1.5, 2.5, 13, 9), QColor(0x20, 0x30, 0x48), Ink, 1);
        p.setPen(Line(Green));
        p.drawPolyline(QPolygonF{QPointF(3.5, 5), QPointF(5.5, 7), QPointF(3.5, 9)});
        p.drawLine(QPointF(7, 9), QPointF(10, 9));
        p.setPen(Line(Ink, 1.5));
        p.drawLine(QPointF(8, 11.5), QPointF(8, 14));
        p.drawLine(QPointF(4.5, 14.5), QPointF(11.5, 14.5));
        break;
    case 6: // lock
        p.setPen(Line(Ink, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.5, 1.5, 7, 8), 0, 180 * 16);
        p.drawLine(QPointF(4.5, 5.5), QPointF(4.5, 7.5));
        p.drawLine(QPointF(11.5, 5.5), QPointF(11.5, 7.5));
        Box(p, QRectF(2.5, 7.5, 11, 7.5), Gold, Ink, 1);
        p.setPen(Line(Ink, 1.5));
        p.drawLine(QPointF(8, 10), QPointF(8, 12.5));
        break;
    case 7: // backup: out of the database
        Cylinder(p, QRectF(0.5, 5.5, 9, 10), Blue);
        Arrow(p, QPointF(6, 7), QPointF(15, 1), Green);
        break;
    case 8: // restore: into the database
        Cylinder(p, QRectF(0.5, 5.5, 9, 10), Blue);
        Arrow(p, QPointF(15, 1), QPointF(7, 7.5), Orange);
        break;
    case 9: // load: a file poured into a table
        Page(p, QRectF(0.5, 0.5, 7, 9), false);
        Grid(p, QRectF(5.5, 7.5, 10, 8), 3, 2, LightBlue);
        Arrow(p, QPointF(4, 8), QPointF(8.5, 12.5), Green, 1.6, 3);
        break;
    case 10: // SQL window
        Window(p, QRectF(0.5, 1.5, 15, 13));
        p.setPen(Line(Blue, 1.2));
        p.drawLine(QPointF(3, 7), QPointF(9, 7));
        p.setPen(Line(Ink, 1));
        p.drawLine(QPointF(3, 9.5), QPointF(12, 9.5));
        p.setPen(Line(Green, 1.2));
        p.drawLine(QPointF(5, 12), QPointF(11, 12));
        break;
    case 11: // script: a page that runs
        Page(p, QRectF(1.5, 0.5, 10, 14));
        p.setPen(Line(Ink));
        p.setBrush(Green);
        p.drawPolygon(QPolygonF{QPointF(8.5, 8.5), QPointF(15, 12), QPointF(8.5, 15.5)});
        break;
    case 12: // tables and columns
        Grid(p, QRectF(0.5, 1.5, 15, 13), 4, 3, LightBlue);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xF0, 0xC8, 0x50, 200));
        p.drawRect(QRectF(5.6, 5, 4.8, 9.5));
        p.setPen(Line(Ink));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(5.5, 1.5, 5, 13));
        break;
    case 13: // logon
        Plug(p, true);
        break;
    case 14: // logoff
        Plug(p, false);
        break;
    case 15: // commit
        Check(p, Green);
        break;
    case 16: // rollback
        Cylinder(p, QRectF(8.5, 9.5, 7, 6), Grey);
        BackArrow(p, Red);
        break;
    case 17: // open
        Folder(p, QColor(0xF0, 0xC8, 0x50), true);
        break;
    case 18: // script output: a page written out
        Page(p, QRectF(0.5, 0.5, 10, 14));
        Arrow(p, QPointF(7, 11), QPointF(15.5, 11), Blue, 2, 3.5);
        break;
    case 19: // undo
        BackArrow(p, Blue);
        break;
    case 20: { // cut: scissors
        p.setPen(Line(Ink, 1.3));
        p.drawLine(QPointF(5, 10), QPointF(11.5, 0.5));
        p.drawLine(QPointF(11, 10), QPointF(4.5, 0.5));
        p.setPen(Line(Red, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4, 12.5), 2.5, 2.5);
        p.drawEllipse(QPointF(12, 12.5), 2.5, 2.5);
        break;
    }
    case 21: // copy: two pages
        Page(p, QRectF(0.5, 0.5, 9, 11));
        Page(p, QRectF(6.5, 4.5, 9, 11));
        break;
    case 22: // paste: a clipboard with a page
        Box(p, QRectF(1.5, 2.5, 11, 13), Brown, Ink, 1);
        Box(p, QRectF(4.5, 1, 5, 3), LightGrey, Ink, 1);
        Page(p, QRectF(6.5, 6.5, 9, 9));
        break;
    case 23: // find
        Magnifier(p, QPointF(6, 6), 4.5);
        break;
    case 24: // text search in files
        Page(p, QRectF(0.5, 0.5, 11, 14));
        Magnifier(p, QPointF(9, 8.5), 3.2);
        break;
    case 25: // cascade
        Window(p, QRectF(0.5, 0.5, 10, 8));
        Window(p, QRectF(3, 3.5, 10, 8));
        Window(p, QRectF(5.5, 6.5, 10, 9));
        break;
    case 26: // tile one above another
        Window(p, QRectF(0.5, 0.5, 15, 7));
        Window(p, QRectF(0.5, 8.5, 15, 7));
        break;
    case 27: // tile side by side
        Window(p, QRectF(0.5, 0.5, 7, 15));
        Window(p, QRectF(8.5, 0.5, 7, 15));
        break;
    case 28: // execute
        p.setPen(Line(Green.darker(140)));
        p.setBrush(Green);
        p.drawPolygon(QPolygonF{QPointF(3.5, 1.5), QPointF(14, 8), QPointF(3.5, 14.5)});
        break;
    case 29: // previous history entry: a page and a left arrow
    case 30: // next history entry: a page and a right arrow
        Page(p, index == 29 ? QRectF(5.5, 0.5, 10, 13) : QRectF(0.5, 0.5, 10, 13));
        if (index == 29)
            Arrow(p, QPointF(11, 11), QPointF(0.5, 11), Blue, 2.2, 4.5);
        else
            Arrow(p, QPointF(5, 11), QPointF(15.5, 11), Blue, 2.2, 4.5);
        break;
    case 35: // up
        Arrow(p, QPointF(8, 15), QPointF(8, 1), Blue, 3, 6);
        break;
    case 36: // down
        Arrow(p, QPointF(8, 1), QPointF(8, 15), Blue, 3, 6);
        break;
    case 37: // first: an arrow to a bar on the left
    case 38: // last: an arrow to a bar on the right
        p.setPen(Line(Ink, 2));
        if (index == 37) {
            p.drawLine(QPointF(2, 2.5), QPointF(2, 13.5));
            Arrow(p, QPointF(15, 8), QPointF(3.5, 8), Blue, 3, 5.5);
        } else {
            p.drawLine(QPointF(14, 2.5), QPointF(14, 13.5));
            Arrow(p, QPointF(1, 8), QPointF(12.5, 8), Blue, 3, 5.5);
        }
        break;
    case 39: // add: a plus
        p.setPen(Line(Green.darker(120), 3.2));
        p.drawLine(QPointF(8, 2), QPointF(8, 14));
        p.drawLine(QPointF(2, 8), QPointF(14, 8));
        break;
    case 40: // remove: a minus
        p.setPen(Line(Red, 3.2));
        p.drawLine(QPointF(2, 8), QPointF(14, 8));
        break;
    case 44: // out to a spreadsheet: a green sheet and an arrow
        Grid(p, QRectF(0.5, 0.5, 11, 12), 4, 3, Green);
        Arrow(p, QPointF(7, 13), QPointF(15.5, 13), Orange, 2, 3.5);
        break;
    case 87: { // layout switch: a sheet turned a quarter
        Grid(p, QRectF(5.5, 5.5, 10, 10), 3, 3, Blue);
        QPainterPath turn;
        turn.moveTo(1.5, 11);
        turn.cubicTo(1.5, 4, 4, 1.5, 10, 1.5);
        p.setPen(Line(Orange, 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawPath(turn);
        p.setPen(Line(Orange, 1));
        p.setBrush(Orange);
        p.drawPolygon(QPolygonF{QPointF(13.5, 1.5), QPointF(9.5, -1.5), QPointF(9.5, 4.5)});
        break;
    }
    case 88: { // edit: a pencil
        p.save();
        p.translate(8, 8);
        p.rotate(-45);
        Box(p, QRectF(-4.5, -2.5, 10, 5), Gold, Ink, 0);
        p.setPen(Line(Ink));
        p.setBrush(Red.lighter(130));
        p.drawRect(QRectF(5.5, -2.5, 2, 5));
        p.setBrush(QColor(0xF4, 0xD8, 0xB0));
        p.drawPolygon(QPolygonF{QPointF(-4.5, -2.5), QPointF(-8.5, 0), QPointF(-4.5, 2.5)});
        p.restore();
        break;
    }
    case 110: // query builder: two joined tables
        p.setPen(Line(Orange, 1.5));
        p.drawLine(QPointF(5, 6), QPointF(11, 11));
        Grid(p, QRectF(0.5, 0.5, 8, 7), 3, 1, Blue);
        Grid(p, QRectF(7.5, 8.5, 8, 7), 3, 1, Green);
        break;
    case 112: // execution plan: a tree of steps
        p.setPen(Line(Ink));
        p.drawLine(QPointF(8, 4), QPointF(3.5, 11));
        p.drawLine(QPointF(8, 4), QPointF(12.5, 11));
        Box(p, QRectF(4.5, 0.5, 7, 5), Gold, Ink, 1);
        Box(p, QRectF(0.5, 10.5, 6, 5), LightBlue, Ink, 1);
        Box(p, QRectF(9.5, 10.5, 6, 5), LightBlue, Ink, 1);
        break;
    case 32: // previous page
        Arrow(p, QPointF(14, 8), QPointF(1.5, 8), Blue, 3, 6);
        break;
    case 33: // next page
        Arrow(p, QPointF(2, 8), QPointF(14.5, 8), Blue, 3, 6);
        break;
    case 41: // delete: a waste bin
        Box(p, QRectF(3.5, 4.5, 9, 11), LightGrey, Ink, 1);
        p.setPen(Line(Ink, 1.3));
        p.drawLine(QPointF(1.5, 3), QPointF(14.5, 3));
        p.drawLine(QPointF(6, 1), QPointF(10, 1));
        p.setPen(Line(Red, 1.2));
        for (qreal x : {6.0, 8.0, 10.0})
            p.drawLine(QPointF(x, 7), QPointF(x, 13));
        break;
    case 83: { // step over: source lines and an arrow jumping the next one
        p.setPen(Line(Grey, 1.4));
        for (qreal y : {4.0, 8.0, 12.0})
            p.drawLine(QPointF(1.5, y), QPointF(7.5, y));
        QPainterPath over;
        over.moveTo(9, 4);
        over.cubicTo(15.5, 4, 15.5, 12, 10.5, 12);
        p.setPen(Line(Blue, 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(over);
        p.setPen(Qt::NoPen);
        p.setBrush(Blue);
        p.drawPolygon(QPolygonF{QPointF(8, 12), QPointF(11.5, 9), QPointF(11.5, 15)});
        break;
    }
    case 84: // trace: an arrow going down into a call
        p.setPen(Line(Grey, 1.4));
        p.drawLine(QPointF(1.5, 14.5), QPointF(14.5, 14.5));
        Box(p, QRectF(7.5, 8.5, 7, 4), LightBlue, Blue);
        Arrow(p, QPointF(3.5, 1.5), QPointF(3.5, 11.5), Green, 2.2, 3.5);
        break;
    case 85: // return: an arrow leaving the call upwards, back to the caller
        p.setPen(Line(Grey, 1.4));
        p.drawLine(QPointF(1.5, 2.5), QPointF(14.5, 2.5));
        Box(p, QRectF(1.5, 9.5, 7, 5), LightBlue, Blue);
        Arrow(p, QPointF(12, 14.5), QPointF(12, 4.5), Orange, 2.2, 3.5);
        break;
    case 117: // clear them all: marks struck out
        p.setPen(Qt::NoPen);
        p.setBrush(Red);
        for (const QPointF &c : {QPointF(4, 4), QPointF(12, 4), QPointF(4, 12), QPointF(12, 12)})
            p.drawEllipse(c, 2.5, 2.5);
        p.setPen(Line(Ink, 2));
        p.drawLine(QPointF(2, 14), QPointF(14, 2));
        break;
    case 42: // close
        Cross(p, QRectF(3, 3, 10, 10), Red, 3);
        break;
    case 45: // table
        Grid(p, QRectF(0.5, 1.5, 15, 13), 4, 3, Blue);
        break;
    case 46: // index: a key over a sorted list
        p.setPen(Line(Grey, 1.2));
        for (qreal y : {12, 14})
            p.drawLine(QPointF(2, y), QPointF(14, y));
        Key(p, Gold);
        break;
    case 47: // view
        Eye(p, QPointF(8, 8), 1.05);
        break;
    case 51: // procedure: P
        Tile(p, Green);
        p.setPen(Line(Paper, 2));
        p.setBrush(Qt::NoBrush);
        {
            QPainterPath pp;
            pp.moveTo(5.5, 12.5);
            pp.lineTo(5.5, 4);
            pp.lineTo(8.5, 4);
            pp.cubicTo(12, 4, 12, 9, 8.5, 9);
            pp.lineTo(5.5, 9);
            p.drawPath(pp);
        }
        break;
    case 52: // function: f
        Tile(p, Purple);
        p.setPen(Line(Paper, 1.8));
        p.setBrush(Qt::NoBrush);
        {
            QPainterPath f;
            f.moveTo(11.5, 4);
            f.cubicTo(10, 2.5, 8.5, 3.5, 8, 6);
            f.lineTo(6.5, 11);
            f.cubicTo(6, 13, 4.5, 13, 3.8, 12);
            p.drawPath(f);
            p.drawLine(QPointF(5.5, 7.5), QPointF(10.5, 7.5));
        }
        break;
    case 53: // package: a parcel
    case 54: {
        p.setPen(Line(Ink));
        p.setBrush(Brown);
        p.drawPolygon(QPolygonF{QPointF(1.5, 5), QPointF(8, 8), QPointF(8, 15.5), QPointF(1.5, 12.5)});
        p.setBrush(Brown.darker(120));
        p.drawPolygon(QPolygonF{QPointF(8, 8), QPointF(14.5, 5), QPointF(14.5, 12.5), QPointF(8, 15.5)});
        p.setBrush(Brown.lighter(130));
        p.drawPolygon(QPolygonF{QPointF(1.5, 5), QPointF(8, 2), QPointF(14.5, 5), QPointF(8, 8)});
        if (index == 54) {
            p.setPen(Line(Paper, 1.2));
            p.drawLine(QPointF(10, 10), QPointF(13, 8.6));
        }
        break;
    }
    case 55: // type: a "T" on braces
        p.setPen(Line(Blue, 1.3));
        p.setBrush(Qt::NoBrush);
        {
            QPainterPath b;
            b.moveTo(4, 1.5);
            b.cubicTo(1.5, 1.5, 3, 8, 1, 8);
            b.cubicTo(3, 8, 1.5, 14.5, 4, 14.5);
            b.moveTo(12, 1.5);
            b.cubicTo(14.5, 1.5, 13, 8, 15, 8);
            b.cubicTo(13, 8, 14.5, 14.5, 12, 14.5);
            p.drawPath(b);
        }
        p.setPen(Line(Ink, 2));
        p.drawLine(QPointF(5, 4), QPointF(11, 4));
        p.drawLine(QPointF(8, 4), QPointF(8, 12.5));
        break;
    case 57: // trigger
        Lightning(p, QColor(0xF8, 0xD0, 0x20));
        break;
    case 58: // sequence: a counter clock
        Clock(p, Orange);
        break;
    case 60: // synonym: another name pointing at the same thing
        p.setPen(Line(Ink));
        p.setBrush(QColor(0xF0, 0xC8, 0x50));
        p.drawPolygon(QPolygonF{QPointF(1.5, 4.5), QPointF(10.5, 4.5), QPointF(14.5, 8), QPointF(10.5, 11.5),
                                QPointF(1.5, 11.5)});
        p.setPen(Line(Ink, 1.2));
        p.drawLine(QPointF(3.5, 7), QPointF(8.5, 7));
        p.drawLine(QPointF(3.5, 9), QPointF(8.5, 9));
        break;
    case 61: // materialized view: an eye over stored rows
        Grid(p, QRectF(2.5, 8.5, 13, 7), 2, 3, LightBlue);
        Eye(p, QPointF(7, 5), 0.85);
        break;
    case 64: // database link: chain links
        p.setPen(Line(Ink, 1.8));
        p.setBrush(Qt::NoBrush);
        p.save();
        p.translate(8, 8);
        p.rotate(-45);
        p.setPen(Line(Blue, 2));
        p.drawRoundedRect(QRectF(-7, -2.5, 8.5, 5), 2.5, 2.5);
        p.setPen(Line(Green, 2));
        p.drawRoundedRect(QRectF(-1.5, -2.5, 8.5, 5), 2.5, 2.5);
        p.restore();
        break;
    case 66: // constraint: a key on a table
        Grid(p, QRectF(2.5, 8.5, 13, 7), 2, 3, LightBlue);
        Key(p, QColor(0xC0, 0xC0, 0xD0));
        break;
    case 69: // tablespace: a disk stack
        Cylinder(p, QRectF(2.5, 0.5, 11, 15), Grey);
        p.setPen(Line(Ink));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(2.5, 4.5, 11, 3), 180 * 16, 180 * 16);
        p.drawArc(QRectF(2.5, 8.5, 11, 3), 180 * 16, 180 * 16);
        break;
    case 80: // argument in
        Box(p, QRectF(9.5, 1.5, 5, 13), LightBlue, Ink, 1);
        Arrow(p, QPointF(0.5, 8), QPointF(9, 8), Green);
        break;
    case 81: // argument out
        Box(p, QRectF(1.5, 1.5, 5, 13), LightBlue, Ink, 1);
        Arrow(p, QPointF(7, 8), QPointF(15.5, 8), Orange);
        break;
    case 82: // argument in and out
        Box(p, QRectF(5.5, 1.5, 5, 13), LightBlue, Ink, 1);
        Arrow(p, QPointF(0, 5), QPointF(5.5, 5), Green, 1.6, 3);
        Arrow(p, QPointF(10.5, 11), QPointF(16, 11), Orange, 1.6, 3);
        break;
    case 86: // large object: a picture
        Box(p, QRectF(0.5, 2.5, 15, 11), LightBlue);
        p.setPen(Line(Ink));
        p.setBrush(Green);
        p.drawPolygon(QPolygonF{QPointF(1, 13), QPointF(6, 7), QPointF(9, 10), QPointF(11, 8), QPointF(15, 13)});
        p.setBrush(Gold);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(11.5, 5.5), 1.5, 1.5);
        break;
    case 91: // grant: a user given a right
        Person(p, 6, 2.5, 1.0, Blue);
        p.setPen(Line(Green, 2.2));
        p.drawLine(QPointF(12.5, 1), QPointF(12.5, 8));
        p.drawLine(QPointF(9, 4.5), QPointF(16, 4.5));
        break;
    case 92: // cross reference: linked nodes
        p.setPen(Line(Ink, 1.2));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 8));
        p.drawLine(QPointF(3.5, 3.5), QPointF(5, 12.5));
        p.drawLine(QPointF(5, 12.5), QPointF(12.5, 8));
        Box(p, QRectF(1, 1, 5, 5), Blue, Ink, 1);
        Box(p, QRectF(10, 5.5, 5, 5), Green, Ink, 1);
        Box(p, QRectF(2.5, 10, 5, 5), Orange, Ink, 1);
        break;
    case 93: // memo: a note pad
        Box(p, QRectF(2.5, 1.5, 11, 14), QColor(0xFF, 0xF4, 0xA0), Ink, 0);
        p.setPen(Line(Grey));
        for (qreal y : {5.5, 8.5, 11.5})
            p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
        p.setPen(Line(Red, 1.5));
        p.drawLine(QPointF(2.5, 2.5), QPointF(13.5, 2.5));
        break;
    case 94: // object window: a window with a tree
        Window(p, QRectF(0.5, 0.5, 15, 15), Purple);
        p.setPen(Line(Ink));
        p.drawLine(QPointF(3.5, 5), QPointF(3.5, 12.5));
        p.drawLine(QPointF(3.5, 8.5), QPointF(6, 8.5));
        p.drawLine(QPointF(3.5, 12.5), QPointF(6, 12.5));
        p.setPen(Line(Blue, 1.5));
        p.drawLine(QPointF(7.5, 8.5), QPointF(13, 8.5));
        p.drawLine(QPointF(7.5, 12.5), QPointF(13, 12.5));
        break;
    case 98: // print
        Printer(p);
        break;
    case 99: // print preview
        Page(p, QRectF(0.5, 0.5, 11, 14));
        Magnifier(p, QPointF(9.5, 9), 3.2, Paper);
        break;
    case 100:
    case 101: // zoom in, zoom out
        Magnifier(p, QPointF(6.5, 6.5), 5, Paper);
        p.setPen(Line(Blue, 1.6));
        p.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
        if (index == 100)
            p.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
        break;
    case 105: // SQL capture: a window being recorded
        Window(p, QRectF(0.5, 0.5, 12, 11));
        p.setPen(Line(Ink));
        p.setBrush(Red);
        p.drawEllipse(QPointF(11.5, 11.5), 3.8, 3.8);
        break;
    case 106: // table access matrix
        Grid(p, QRectF(0.5, 0.5, 15, 15), 4, 4, LightBlue);
        p.setPen(Qt::NoPen);
        p.setBrush(Green);
        p.drawEllipse(QPointF(5.6, 5.6), 1.3, 1.3);
        p.drawEllipse(QPointF(9.4, 9.4), 1.3, 1.3);
        p.setBrush(Red);
        p.drawEllipse(QPointF(13.1, 5.6), 1.3, 1.3);
        p.drawEllipse(QPointF(5.6, 13.1), 1.3, 1.3);
        break;
    case 107: // performance: a gauge
        p.setPen(Line(Ink));
        p.setBrush(LightGrey);
        p.drawPie(QRectF(0.5, 2.5, 15, 15), 0, 180 * 16);
        p.setPen(Line(Green, 2));
        p.drawArc(QRectF(2.5, 4.5, 11, 11), 100 * 16, 80 * 16);
        p.setPen(Line(Red, 2));
        p.drawArc(QRectF(2.5, 4.5, 11, 11), 0, 40 * 16);
        p.setPen(Line(Ink, 1.6));
        p.drawLine(QPointF(8, 10), QPointF(12, 5.5));
        break;
    case 119: // compare: two pages side by side
        Page(p, QRectF(0.5, 0.5, 7, 11));
        Page(p, QRectF(8.5, 4.5, 7, 11));
        p.setPen(Line(Red, 1.4));
        p.drawLine(QPointF(2, 14.5), QPointF(6.5, 14.5));
        p.drawLine(QPointF(9.5, 1.5), QPointF(14, 1.5));
        break;
    case 120: // index adviser: a bulb over a key
        p.setPen(Line(Ink));
        p.setBrush(QColor(0xFF, 0xE8, 0x60));
        p.drawEllipse(QPointF(8, 5.5), 5, 5);
        Box(p, QRectF(5.5, 10, 5, 4), LightGrey, Ink, 1);
        p.setPen(Line(Ink, 1));
        p.drawLine(QPointF(7, 15.5), QPointF(9, 15.5));
        p.setPen(Line(Orange, 1.2));
        p.drawLine(QPointF(6.5, 8.5), QPointF(8, 5.5));
        p.drawLine(QPointF(8, 5.5), QPointF(9.5, 8.5));
        break;
    case 127: // rule: a ruler
        p.save();
        p.translate(8, 8);
        p.rotate(-45);
        Box(p, QRectF(-8, -3, 16, 6), QColor(0xF0, 0xD8, 0x90), Ink, 0.5);
        p.setPen(Line(Ink, 0.8));
        for (int i = -6; i <= 6; i += 2)
            p.drawLine(QPointF(i, -3), QPointF(i, i % 4 == 0 ? 0 : -1.3));
        p.restore();
        break;
    case 128: // aggregate: a sigma
        p.setPen(Line(Blue, 2));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF{QPointF(12.5, 4), QPointF(12.5, 2), QPointF(3, 2), QPointF(8.5, 8), QPointF(3, 14),
                                 QPointF(12.5, 14), QPointF(12.5, 12)});
        break;
    case 129: { // policy: a shield
        QPainterPath s;
        s.moveTo(8, 0.8);
        s.lineTo(14.5, 3);
        s.cubicTo(14.5, 10, 11, 13.5, 8, 15.2);
        s.cubicTo(5, 13.5, 1.5, 10, 1.5, 3);
        s.closeSubpath();
        p.setPen(Line(Ink));
        p.setBrush(Blue);
        p.drawPath(s);
        p.setPen(Line(Paper, 1.6));
        p.drawPolyline(QPolygonF{QPointF(5, 8), QPointF(7.3, 10.5), QPointF(11, 5.5)});
        break;
    }
    default: {
        // The object kinds with no picture of their own get their initials.
        static const struct {
            int index;
            const char *text;
        } marks[] = {{48, "JS"}, {49, "JC"}, {50, "JR"}, {56, "TB"}, {59, "CL"}, {62, "ML"}, {63, "RG"},
                     {65, "LB"}, {67, "PF"}, {70, "RS"}, {72, "DR"}, {73, "TP"}, {74, "IP"}};
        for (const auto &m : marks) {
            if (m.index == index) {
                Letters(p, QString::fromLatin1(m.text), Ink, LightGrey);
                return true;
            }
        }
        // Any other index: a plain tile. Never its number, which a button
        // would show as if it were its caption.
        Tile(p, QColor(0xF2, 0xF2, 0xF2));
        p.setPen(Qt::NoPen);
        p.setBrush(Grey);
        for (qreal x : {5.0, 8.0, 11.0})
            p.drawEllipse(QPointF(x, 8), 1, 1);
        return false;
    }
    }
    return true;
}

QPixmap Render(int index, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 16.0, size / 16.0);
    Paint(p, index);
    return pm;
}

} // namespace

QIcon DrawMainImage(int index)
{
    QIcon icon;
    icon.addPixmap(Render(index, 16));
    icon.addPixmap(Render(index, 32));
    return icon;
}

bool HasMainImage(int index)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    return Paint(p, index);
}
