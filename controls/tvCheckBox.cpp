#include "controls/tvCheckBox.h"

#include "controls/tvControlUtil.h"

#include <QKeyEvent>

TtvCheckBox::TtvCheckBox(QWidget *parent) : TtvCheckBox(QString(), parent) {}

TtvCheckBox::TtvCheckBox(const QString &caption, QWidget *parent) : QCheckBox(caption, parent)
{
    connect(this, &QCheckBox::stateChanged, this, [this] {
        if (OnClick)
            OnClick(this);
    });
}

bool TtvCheckBox::event(QEvent *e)
{
    if (e->type() == QEvent::KeyPress && WantTabs && tvctl::IsPlainTabKey(static_cast<QKeyEvent *>(e)))
        return true;
    return QCheckBox::event(e);
}

void TtvCheckBox::focusInEvent(QFocusEvent *e)
{
    if (AutoSave)
        Save();
    QCheckBox::focusInEvent(e);
}

void TtvCheckBox::keyPressEvent(QKeyEvent *e)
{
    if (WantReturns && tvctl::IsReturnKey(e)) {
        tvctl::MoveFocus(this, true);
        return;
    }
    QCheckBox::keyPressEvent(e);
}
