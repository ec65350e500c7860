#include "platform/ui/Mnemonic.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRadioButton>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

namespace tv::ui {

namespace {

// What a marked caption belongs to.
struct Target {
    QObject *Object = nullptr; // QAction, QAbstractButton, QLabel or QTabBar
    int Tab = -1;              // the tab of a QTabBar
};

bool Marks(const QString &Caption, const QKeySequence &Key)
{
    return Caption.contains(u'&') && !Key.isEmpty() && QKeySequence::mnemonic(Caption) == Key;
}

// The caption a tool button shows for its action keeps the mark only in the
// action's own text.
QString ButtonCaption(const QAbstractButton *b)
{
    if (auto *t = qobject_cast<const QToolButton *>(b); t && t->defaultAction())
        return t->defaultAction()->text();
    return b->text();
}

bool Find(QWidget *Parent, const QKeySequence &Key, Target &Found)
{
    for (QObject *o : Parent->children()) {
        auto *w = qobject_cast<QWidget *>(o);
        if (!w || w->isWindow() || w->isHidden() || qobject_cast<QMdiArea *>(w) || qobject_cast<QMenuBar *>(w))
            continue;
        if (auto *bar = qobject_cast<QToolBar *>(w)) {
            // Its actions in order, those moved out of sight by a narrow bar
            // included; an action's button then stands for it.
            for (QAction *a : bar->actions()) {
                if (!a->isVisible() || a->isSeparator())
                    continue;
                QWidget *aw = bar->widgetForAction(a);
                auto *button = qobject_cast<QToolButton *>(aw);
                if (button && button->defaultAction() == a) {
                    if (Marks(a->text(), Key)) {
                        Found.Object = a;
                        return true;
                    }
                } else if (!aw && Marks(a->text(), Key)) {
                    Found.Object = a;
                    return true;
                }
            }
        } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
            auto *t = qobject_cast<QToolButton *>(b);
            if (t && t->defaultAction() && !t->defaultAction()->isVisible())
                continue; // the bar hides it later
            if (Marks(ButtonCaption(b), Key)) {
                Found.Object = b;
                return true;
            }
        } else if (auto *l = qobject_cast<QLabel *>(w)) {
            if (l->buddy() && Marks(l->text(), Key)) {
                Found.Object = l;
                return true;
            }
        } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->isTabVisible(i) && Marks(tabs->tabText(i), Key)) {
                    Found.Object = tabs;
                    Found.Tab = i;
                    return true;
                }
        }
        if (Find(w, Key, Found))
            return true;
    }
    return false;
}

bool Enabled(const Target &t)
{
    if (auto *a = qobject_cast<QAction *>(t.Object))
        return a->isEnabled();
    if (auto *l = qobject_cast<QLabel *>(t.Object))
        return l->isEnabled() && l->buddy()->isEnabled() && l->buddy()->isVisible();
    if (auto *tabs = qobject_cast<QTabBar *>(t.Object))
        return tabs->isEnabled() && tabs->isTabEnabled(t.Tab);
    return static_cast<QWidget *>(t.Object)->isEnabled();
}

void Press(const Target &t)
{
    if (auto *a = qobject_cast<QAction *>(t.Object)) {
        // The button of the action, when it is on screen, so that a button
        // with a menu opens it as a click does.
        for (QObject *w : a->associatedObjects())
            if (auto *b = qobject_cast<QToolButton *>(w); b && b->defaultAction() == a && b->isVisible()) {
                b->click();
                return;
            }
        a->trigger();
    } else if (auto *l = qobject_cast<QLabel *>(t.Object)) {
        l->buddy()->setFocus(Qt::ShortcutFocusReason);
    } else if (auto *tabs = qobject_cast<QTabBar *>(t.Object)) {
        tabs->setCurrentIndex(t.Tab);
    } else if (auto *b = qobject_cast<QAbstractButton *>(t.Object)) {
        if (qobject_cast<QCheckBox *>(b) || qobject_cast<QRadioButton *>(b))
            b->setFocus(Qt::ShortcutFocusReason);
        b->click();
    }
}

// Whether a top-level window's own menu bar has an entry marking the key: in
// the window's own controls (not in one of its MDI children) the menu bar
// takes the key first.
bool MenuBarMarks(QWidget *Scope, const QKeySequence &Key)
{
    if (!Scope->isWindow())
        return false;
    for (QMenuBar *bar : Scope->findChildren<QMenuBar *>()) {
        if (bar->window() != Scope || !bar->isVisible())
            continue;
        for (QAction *a : bar->actions())
            if (a->isVisible() && a->isEnabled() && Marks(a->text(), Key))
                return true;
    }
    return false;
}

// Alt with a letter or digit, nothing else held.
QKeySequence MnemonicKey(const QKeyEvent *e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const int key = e->key();
    if (mods != Qt::AltModifier)
        return {};
    if (!((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)))
        return {};
    return QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(key)));
}

class MnemonicFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if ((e->type() != QEvent::ShortcutOverride && e->type() != QEvent::KeyPress) || !o->isWidgetType() ||
            QApplication::activePopupWidget())
            return false;
        auto *w = static_cast<QWidget *>(o);
        // The key's first receiver only, not again while it travels up.
        QWidget *focus = QApplication::focusWidget();
        if (focus ? focus != w : !w->isWindow())
            return false;
        const QKeySequence key = MnemonicKey(static_cast<QKeyEvent *>(e));
        if (key.isEmpty())
            return false;
        QWidget *scope = MnemonicScope(w);
        if (!scope || MenuBarMarks(scope, key))
            return false;
        if (e->type() == QEvent::ShortcutOverride) {
            // Keeps the key from the shortcuts (the menu bar's among them).
            if (!HasMnemonic(scope, key))
                return false;
            e->accept();
            return true;
        }
        return PressMnemonic(scope, key);
    }
};

} // namespace

void InstallMnemonicKeys()
{
    static QPointer<MnemonicFilter> filter;
    if (filter || !qApp)
        return;
    filter = new MnemonicFilter(qApp);
    qApp->installEventFilter(filter);
}

QWidget *MnemonicScope(QWidget *Receiver)
{
    for (QWidget *p = Receiver; p; p = p->parentWidget()) {
        if (qobject_cast<QMdiSubWindow *>(p))
            return p;
        if (p->isWindow()) {
            // A window that has no focus passes the key to its active MDI
            // child, if any.
            if (!QApplication::focusWidget())
                if (auto *area = p->findChild<QMdiArea *>(); area && area->activeSubWindow())
                    return area->activeSubWindow();
            return p;
        }
    }
    return nullptr;
}

bool HasMnemonic(QWidget *Scope, const QKeySequence &Key)
{
    Target t;
    return Scope && Find(Scope, Key, t);
}

bool PressMnemonic(QWidget *Scope, const QKeySequence &Key)
{
    Target t;
    if (!Scope || !Find(Scope, Key, t))
        return false;
    if (Enabled(t))
        Press(t);
    return true;
}

} // namespace tv::ui
