#include "controls/tvRadioButton.h"

#include "controls/tvControlUtil.h"

#include <QKeyEvent>

TtvRadioButton::TtvRadioButton(QWidget *parent) : TtvRadioButton(QString(), parent) {}

TtvRadioButton::TtvRadioButton(const QString &caption, QWidget *parent) : QRadioButton(caption, parent)
{
    connect(this, &QRadioButton::toggled, this, [this] {
        if (OnClick)
            OnClick(this);
    });
}

bool TtvRadioButton::event(QEvent *e)
{
    if (e->type() == QEvent::KeyPress && WantTabs && tvctl::IsPlainTabKey(static_cast<QKeyEvent *>(e)))
        return true;
    return QRadioButton::event(e);
}

void TtvRadioButton::focusInEvent(QFocusEvent *e)
{
    if (AutoSave)
        Save();
    QRadioButton::focusInEvent(e);
}

void TtvRadioButton::keyPressEvent(QKeyEvent *e)
{
    if (WantReturns && tvctl::IsReturnKey(e)) {
        tvctl::MoveFocus(this, true);
        return;
    }
    QRadioButton::keyPressEvent(e);
}
