#include "controls/tvComboBox.h"

#include "controls/tvControlUtil.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>

TtvComboBox::TtvComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    SetupEdit();
    setMaxVisibleItems(20);
    view()->installEventFilter(this);
    connect(this, &QComboBox::currentTextChanged, this, [this] {
        if (OnChange)
            OnChange(this);
    });
}

void TtvComboBox::SetupEdit()
{
    if (!isEditable())
        return;
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr); // no typing auto-completion
}

void TtvComboBox::SetStyle(TComboBoxStyle value)
{
    if (value == Style())
        return;
    const QString text = Text();
    setEditable(value == csDropDown);
    SetupEdit();
    SetText(text);
}

void TtvComboBox::SetText(const QString &value)
{
    if (isEditable()) {
        setEditText(value);
        return;
    }
    setCurrentIndex(findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

bool TtvComboBox::IsNull() const
{
    return tvctl::IsBlankText(Text());
}

bool TtvComboBox::event(QEvent *e)
{
    if (e->type() == QEvent::KeyPress && WantTabs && tvctl::IsPlainTabKey(static_cast<QKeyEvent *>(e)))
        return true;
    return QComboBox::event(e);
}

bool TtvComboBox::eventFilter(QObject *watched, QEvent *e)
{
    // Enter in the dropped-down list takes the item and moves on as well.
    if (watched == view() && e->type() == QEvent::KeyPress && WantReturns &&
        tvctl::IsReturnKey(static_cast<QKeyEvent *>(e))) {
        const QModelIndex idx = view()->currentIndex();
        if (idx.isValid())
            setCurrentIndex(idx.row());
        hidePopup();
        tvctl::MoveFocus(this, true);
        return true;
    }
    return QComboBox::eventFilter(watched, e);
}

void TtvComboBox::focusInEvent(QFocusEvent *e)
{
    if (AutoSave)
        Save();
    QComboBox::focusInEvent(e);
}

void TtvComboBox::keyPressEvent(QKeyEvent *e)
{
    if (WantReturns && tvctl::IsReturnKey(e)) {
        tvctl::MoveFocus(this, true);
        return;
    }
    if (WantArrow && e->modifiers() == Qt::NoModifier &&
        (e->key() == Qt::Key_Left || e->key() == Qt::Key_Right)) {
        const QLineEdit *ed = lineEdit();
        bool leave = !ed;
        if (ed) {
            const int len = int(ed->text().length());
            const int selStart = ed->hasSelectedText() ? ed->selectionStart() : ed->cursorPosition();
            leave = e->key() == Qt::Key_Left ? ed->cursorPosition() == 0 && !ed->hasSelectedText()
                                             : selStart == len;
        }
        if (leave)
            tvctl::MoveFocus(this, e->key() == Qt::Key_Right);
    }
    QComboBox::keyPressEvent(e);
}

void TtvComboBox::changeEvent(QEvent *e)
{
    QComboBox::changeEvent(e);
    if (e->type() == QEvent::EnabledChange)
        tvctl::ApplyEnabledLook(this);
}
