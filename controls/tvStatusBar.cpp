#include "controls/tvStatusBar.h"

#include <QEvent>
#include <QLabel>

TtvStatusBar::TtvStatusBar(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    FSimple = new QLabel(this);
    FSimple->hide();
    addWidget(FSimple, 1);
    WatchWindow();
}

int TtvStatusBar::AddPanel(int width)
{
    auto *label = new QLabel(this);
    label->setFixedWidth(width);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setVisible(!FSimplePanel);
    addWidget(label);
    FPanels << label;
    return int(FPanels.size()) - 1;
}

QString TtvStatusBar::PanelText(int Index) const
{
    return Index >= 0 && Index < FPanels.size() ? FPanels[Index]->text() : QString();
}

void TtvStatusBar::SetPanelText(int Index, const QString &text)
{
    if (Index >= 0 && Index < FPanels.size())
        FPanels[Index]->setText(text);
}

int TtvStatusBar::PanelWidth(int Index) const
{
    return Index >= 0 && Index < FPanels.size() ? FPanels[Index]->width() : 0;
}

void TtvStatusBar::SetPanelWidth(int Index, int width)
{
    if (Index >= 0 && Index < FPanels.size())
        FPanels[Index]->setFixedWidth(width);
}

void TtvStatusBar::SetSimplePanel(bool value)
{
    FSimplePanel = value;
    FSimple->setVisible(value);
    for (QLabel *l : std::as_const(FPanels))
        l->setVisible(!value);
}

QString TtvStatusBar::SimpleText() const
{
    return FSimple->text();
}

void TtvStatusBar::SetSimpleText(const QString &text)
{
    FSimple->setText(text);
}

void TtvStatusBar::WatchWindow()
{
    QWidget *w = window();
    if (w == FWatched)
        return;
    if (FWatched)
        FWatched->removeEventFilter(this);
    FWatched = w;
    if (FWatched && FWatched != this)
        FWatched->installEventFilter(this);
}

bool TtvStatusBar::event(QEvent *e)
{
    if (e->type() == QEvent::ParentChange)
        WatchWindow();
    if (e->type() == QEvent::StatusTip)
        return true;
    return QStatusBar::event(e);
}

bool TtvStatusBar::eventFilter(QObject *watched, QEvent *e)
{
    // The window would show every hint in its status bar: swallow them.
    if (watched == FWatched && e->type() == QEvent::StatusTip)
        return true;
    return QStatusBar::eventFilter(watched, e);
}
