#include "controls/tvStrEdit.h"

#include "controls/tvControlUtil.h"

#include <QKeyEvent>

TtvStrEdit::TtvStrEdit(QWidget *parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange)
            OnChange(this);
    });
}

bool TtvStrEdit::IsNull() const
{
    return tvctl::IsBlankText(text());
}

bool TtvStrEdit::event(QEvent *e)
{
    if (e->type() == QEvent::KeyPress && WantTabs && tvctl::IsPlainTabKey(static_cast<QKeyEvent *>(e))) {
        if (!isReadOnly())
            insert(QStringLiteral("\t"));
        return true;
    }
    return QLineEdit::event(e);
}

void TtvStrEdit::focusInEvent(QFocusEvent *e)
{
    if (AutoSave)
        Save();
    QLineEdit::focusInEvent(e);
}

void TtvStrEdit::keyPressEvent(QKeyEvent *e)
{
    if (tvctl::HandleEditFocusKeys(this, e, WantReturns, WantArrow))
        return;
    QLineEdit::keyPressEvent(e);
}

void TtvStrEdit::changeEvent(QEvent *e)
{
    QLineEdit::changeEvent(e);
    if (e->type() == QEvent::EnabledChange)
        tvctl::ApplyEnabledLook(this);
}
