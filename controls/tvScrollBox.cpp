#include "controls/tvScrollBox.h"

#include <QApplication>
#include <QEvent>
#include <QVBoxLayout>

#include <algorithm>

TtvScrollBox::TtvScrollBox(QWidget *Parent) : QScrollArea(Parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setWidget(new QWidget);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && widget() && widget()->isAncestorOf(now))
            ensureWidgetVisible(now);
    });
}

QSize TtvScrollBox::sizeHint() const
{
    // The fields' size as they ask for it now, not as they did when first
    // asked; bounded as the scroll area bounds it.
    QWidget *fields = widget();
    if (!fields || !widgetResizable() || !fields->sizeHint().isValid())
        return QScrollArea::sizeHint();
    const int f = 2 * frameWidth();
    const int h = fontMetrics().height();
    return (fields->sizeHint() + QSize(f, f)).boundedTo(QSize(36 * h, 24 * h));
}

QSize TtvScrollBox::minimumSizeHint() const
{
    QSize size = QScrollArea::minimumSizeHint();
    if (QWidget *fields = widget(); fields && widgetResizable() && fields->sizeHint().isValid())
        size.setHeight(std::min(size.height(), sizeHint().height()));
    return size;
}

bool TtvScrollBox::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == widget() && Event->type() == QEvent::LayoutRequest) {
        // The fields need other room: the page lays the box out anew, and the
        // box gives the fields at least their least size again.
        updateGeometry();
        QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
    }
    return QScrollArea::eventFilter(Watched, Event);
}

QWidget *TtvScrollBox::FillPage(QWidget *page)
{
    const QString name = page->objectName().startsWith(QLatin1String("tab")) ? page->objectName().mid(3)
                                                                               : page->objectName();
    auto *lay = new QVBoxLayout(page);
    lay->setContentsMargins(0, 0, 0, 0);
    auto *box = new TtvScrollBox(page);
    box->setObjectName(QStringLiteral("sbx") + name);
    box->Fields()->setObjectName(QStringLiteral("pnl") + name);
    lay->addWidget(box);
    return box->Fields();
}
