#pragma once
// Keyboard shortcuts as the settings store them: an integer holding a Windows
// virtual-key code plus 0x2000 for Shift, 0x4000 for Ctrl and 0x8000 for Alt,
// and a text of the form "Shift+Ctrl+Alt+" (the modifiers in that order) and
// a key name ("Ctrl+S", "Shift+F3", "Del", "PgDn", "BkSp"). The conversions
// go through one table of key names; Qt key codes and key sequences convert
// through one table of virtual keys.
#include <QKeySequence>
#include <QString>

class QKeyEvent;

namespace tv::ui {

constexpr int scShift = 0x2000;
constexpr int scCtrl = 0x4000;
constexpr int scAlt = 0x8000;
constexpr int scNone = 0;

// Virtual-key codes of the keys that have a name.
enum VirtualKey : int {
    VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12,
    VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22,
    VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
    VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_APPS = 0x5D, VK_F1 = 0x70, VK_F12 = 0x7B, VK_F24 = 0x87,
    VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD, VK_OEM_PERIOD = 0xBE,
    VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE,
};

// Builds a shortcut from a key and modifier bits.
constexpr int ShortCut(int key, int shift) { return (key & 0xFF) | shift; }

// "Ctrl+S" for 0x4053; the empty text for 0 and for a key without a name.
QString ShortCutToText(int shortCut);

// 0x4053 for "Ctrl+S". Modifiers are taken in any order and letter case; a
// text naming no key (or an empty one) gives 0.
int TextToShortCut(const QString &text);

// The Qt key of a virtual key, Qt::Key_unknown when it has none.
Qt::Key VirtualKeyToQtKey(int virtualKey);

// The virtual key of a Qt key, 0 when it has none. Shifted punctuation
// (Qt::Key_Colon, Qt::Key_Plus ...) maps to the key that carries it.
int QtKeyToVirtualKey(int qtKey);

// Shortcut integer <-> Qt key sequence (one key combination).
QKeySequence ShortCutToKeySequence(int shortCut);
int KeySequenceToShortCut(const QKeySequence &sequence);

// The shortcut a key press stands for (0 when the key has no virtual key).
int KeyEventToShortCut(const QKeyEvent &event);

} // namespace tv::ui
