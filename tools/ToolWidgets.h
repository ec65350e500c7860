#pragma once
// Small widgets the backup and restore windows share.
#include "controls/tvComboBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QGroupBox>
#include <QLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

// A combo box that fills its list each time it drops down.
class TDropDownCombo : public TtvComboBox {
    Q_OBJECT
public:
    using TtvComboBox::TtvComboBox;
    std::function<void()> OnDropDown;
    void showPopup() override
    {
        if (OnDropDown) {
            const QString text = currentText();
            OnDropDown();
            setEditText(text);
        }
        TtvComboBox::showPopup();
    }
};

namespace toolui {

// A check box, a group box with a column layout, a tool button; named.
inline QCheckBox *Check(QWidget *parent, QLayout *lay, const char *name, const QString &caption)
{
    auto *c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    lay->addWidget(c);
    return c;
}

inline QGroupBox *Group(QWidget *parent, const char *name, const QString &caption)
{
    auto *g = new QGroupBox(caption, parent);
    g->setObjectName(QString::fromLatin1(name));
    new QVBoxLayout(g);
    return g;
}

inline QToolButton *Button(QWidget *parent, const char *name, const QString &text, const QString &hint = QString())
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}

// Typed text becomes lower case (while `when` says so at the time of typing).
inline void LowerCaseTyping(QLineEdit *edit, std::function<bool()> when)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, when](const QString &text) {
        if (!when() || text == text.toLower())
            return;
        const int at = edit->cursorPosition();
        edit->setText(text.toLower());
        edit->setCursorPosition(at);
    });
}

} // namespace toolui
