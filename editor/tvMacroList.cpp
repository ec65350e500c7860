#include "editor/tvMacroList.h"

#include "editor/tvMemo.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

TtvMacroList *MacroList = nullptr;

namespace {

bool IsModifierKey(int Key)
{
    switch (Key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

} // namespace

void CreateSharedMacroList()
{
    if (!MacroList)
        MacroList = new TtvMacroList();
}

void FreeSharedMacroList()
{
    delete MacroList;
    MacroList = nullptr;
}

TtvMacroList::TtvMacroList(QObject *Parent) : QObject(Parent) {}

TtvMacroList::~TtvMacroList()
{
    Clear();
    if (FStatus == msRecording && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void TtvMacroList::Clear()
{
    FItems.clear();
    FPending = {};
}

PKeyMacroData TtvMacroList::Add(const QEvent &Message)
{
    auto rec = std::make_unique<TKeyMacroData>();
    if (Message.type() == QEvent::InputMethod) {
        const auto &im = static_cast<const QInputMethodEvent &>(Message);
        if (im.commitString().isEmpty())
            return nullptr;
        rec->Msg = kmImeChar;
        rec->Text = im.commitString();
    } else if (Message.type() == QEvent::KeyPress || Message.type() == QEvent::ShortcutOverride) {
        const auto &k = static_cast<const QKeyEvent &>(Message);
        if (IsModifierKey(k.key()) || (k.key() == 0 && k.text().isEmpty()))
            return nullptr;
        const Qt::KeyboardModifiers m = k.modifiers();
        rec->Msg = kmKeyDown;
        rec->Key = k.key();
        rec->Text = k.text();
        rec->AutoRepeat = k.isAutoRepeat();
        rec->Shift = m.testFlag(Qt::ShiftModifier);
        rec->Ctrl = m.testFlag(Qt::ControlModifier);
        rec->Alt = m.testFlag(Qt::AltModifier);
        rec->Keypad = m.testFlag(Qt::KeypadModifier);
    } else {
        return nullptr;
    }
    FItems.push_back(std::move(rec));
    return FItems.back().get();
}

void TtvMacroList::SetStatus(TtvMacroStatus Value)
{
    if (Value == FStatus)
        return;
    QCoreApplication *app = QCoreApplication::instance();
    if (app && FStatus == msRecording)
        app->removeEventFilter(this);
    FStatus = Value;
    FPending = {};
    if (app && FStatus == msRecording)
        app->installEventFilter(this);
}

bool TtvMacroList::eventFilter(QObject *Watched, QEvent *Event)
{
    if (FStatus != msRecording)
        return false;
    const QEvent::Type t = Event->type();
    if (t != QEvent::KeyPress && t != QEvent::ShortcutOverride && t != QEvent::InputMethod)
        return false;
    auto *memo = qobject_cast<TtvMemo *>(Watched);
    if (!memo || memo->MacroList() != this)
        return false;
    if (t == QEvent::InputMethod) {
        Add(*Event);
        return false;
    }
    // A key press first comes as a shortcut override; when it is no shortcut
    // the same keystroke follows as a key press, which is not recorded again.
    const auto *k = static_cast<const QKeyEvent *>(Event);
    if (t == QEvent::KeyPress && FPending.Receiver == Watched && FPending.Key == k->key() &&
        FPending.Modifiers == int(k->modifiers()) && FPending.Text == k->text()) {
        FPending = {};
        return false;
    }
    if (t == QEvent::ShortcutOverride) {
        FPending.Receiver = Watched;
        FPending.Key = k->key();
        FPending.Modifiers = int(k->modifiers());
        FPending.Text = k->text();
    } else {
        FPending = {};
    }
    Add(*Event);
    return false;
}
