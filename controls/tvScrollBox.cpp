#include "controls/tvScrollBox.h"

#include <QApplication>
#include <QVBoxLayout>

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
