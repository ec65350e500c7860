#include "platform/ui/ShortCut.h"

#include <QHash>
#include <QKeyEvent>

#include <array>

namespace tv::ui {

namespace {

struct KeyName {
    int key;
    const char *name;
};

// Names of the keys, as the user-interface library writes them. The
// punctuation keys carry the names of the US keyboard layout.
constexpr KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},     {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"},  {VK_NEXT, "PgDn"},    {VK_END, "End"},
    {VK_HOME, "Home"},   {VK_LEFT, "Left"},   {VK_UP, "Up"},        {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},   {VK_INSERT, "Ins"},  {VK_DELETE, "Del"},
    {'0', "0"}, {'1', "1"}, {'2', "2"}, {'3', "3"}, {'4', "4"}, {'5', "5"}, {'6', "6"}, {'7', "7"},
    {'8', "8"}, {'9', "9"},
    {'A', "A"}, {'B', "B"}, {'C', "C"}, {'D', "D"}, {'E', "E"}, {'F', "F"}, {'G', "G"}, {'H', "H"},
    {'I', "I"}, {'J', "J"}, {'K', "K"}, {'L', "L"}, {'M', "M"}, {'N', "N"}, {'O', "O"}, {'P', "P"},
    {'Q', "Q"}, {'R', "R"}, {'S', "S"}, {'T', "T"}, {'U', "U"}, {'V', "V"}, {'W', "W"}, {'X', "X"},
    {'Y', "Y"}, {'Z', "Z"},
    {VK_F1 + 0, "F1"}, {VK_F1 + 1, "F2"}, {VK_F1 + 2, "F3"}, {VK_F1 + 3, "F4"}, {VK_F1 + 4, "F5"},
    {VK_F1 + 5, "F6"}, {VK_F1 + 6, "F7"}, {VK_F1 + 7, "F8"}, {VK_F1 + 8, "F9"}, {VK_F1 + 9, "F10"},
    {VK_F1 + 10, "F11"}, {VK_F1 + 11, "F12"},
    {VK_OEM_1, ";"}, {VK_OEM_PLUS, "="}, {VK_OEM_COMMA, ","}, {VK_OEM_MINUS, "-"}, {VK_OEM_PERIOD, "."},
    {VK_OEM_2, "/"}, {VK_OEM_3, "`"}, {VK_OEM_4, "["}, {VK_OEM_5, "\\"}, {VK_OEM_6, "]"}, {VK_OEM_7, "'"},
};

const QHash<int, QString> &NameByKey()
{
    static const QHash<int, QString> table = [] {
        QHash<int, QString> t;
        for (const KeyName &k : kKeyNames)
            t.insert(k.key, QString::fromLatin1(k.name));
        return t;
    }();
    return table;
}

const QHash<QString, int> &KeyByName()
{
    static const QHash<QString, int> table = [] {
        QHash<QString, int> t;
        for (const KeyName &k : kKeyNames)
            t.insert(QString::fromLatin1(k.name).toLower(), k.key);
        return t;
    }();
    return table;
}

struct QtKeyPair {
    int vk;
    Qt::Key qt;
};

// Virtual key <-> Qt key; the first entry of a virtual key is its Qt key.
const QtKeyPair kQtKeys[] = {
    {VK_BACK, Qt::Key_Backspace}, {VK_TAB, Qt::Key_Tab}, {VK_RETURN, Qt::Key_Return},
    {VK_SHIFT, Qt::Key_Shift}, {VK_CONTROL, Qt::Key_Control}, {VK_MENU, Qt::Key_Alt},
    {VK_PAUSE, Qt::Key_Pause}, {VK_CAPITAL, Qt::Key_CapsLock}, {VK_ESCAPE, Qt::Key_Escape},
    {VK_SPACE, Qt::Key_Space}, {VK_PRIOR, Qt::Key_PageUp}, {VK_NEXT, Qt::Key_PageDown},
    {VK_END, Qt::Key_End}, {VK_HOME, Qt::Key_Home}, {VK_LEFT, Qt::Key_Left}, {VK_UP, Qt::Key_Up},
    {VK_RIGHT, Qt::Key_Right}, {VK_DOWN, Qt::Key_Down}, {VK_INSERT, Qt::Key_Insert},
    {VK_DELETE, Qt::Key_Delete}, {VK_APPS, Qt::Key_Menu},
    {VK_OEM_1, Qt::Key_Semicolon}, {VK_OEM_PLUS, Qt::Key_Equal}, {VK_OEM_COMMA, Qt::Key_Comma},
    {VK_OEM_MINUS, Qt::Key_Minus}, {VK_OEM_PERIOD, Qt::Key_Period}, {VK_OEM_2, Qt::Key_Slash},
    {VK_OEM_3, Qt::Key_QuoteLeft}, {VK_OEM_4, Qt::Key_BracketLeft}, {VK_OEM_5, Qt::Key_Backslash},
    {VK_OEM_6, Qt::Key_BracketRight}, {VK_OEM_7, Qt::Key_Apostrophe},
    // Qt keys that reach the same virtual key: keypad Enter, Shift+Tab and
    // the shifted characters of the US layout.
    {VK_RETURN, Qt::Key_Enter}, {VK_TAB, Qt::Key_Backtab},
    {VK_OEM_1, Qt::Key_Colon}, {VK_OEM_PLUS, Qt::Key_Plus}, {VK_OEM_COMMA, Qt::Key_Less},
    {VK_OEM_MINUS, Qt::Key_Underscore}, {VK_OEM_PERIOD, Qt::Key_Greater}, {VK_OEM_2, Qt::Key_Question},
    {VK_OEM_3, Qt::Key_AsciiTilde}, {VK_OEM_4, Qt::Key_BraceLeft}, {VK_OEM_5, Qt::Key_Bar},
    {VK_OEM_6, Qt::Key_BraceRight}, {VK_OEM_7, Qt::Key_QuoteDbl},
    {'1', Qt::Key_Exclam}, {'2', Qt::Key_At}, {'3', Qt::Key_NumberSign}, {'4', Qt::Key_Dollar},
    {'5', Qt::Key_Percent}, {'6', Qt::Key_AsciiCircum}, {'7', Qt::Key_Ampersand},
    {'8', Qt::Key_Asterisk}, {'9', Qt::Key_ParenLeft}, {'0', Qt::Key_ParenRight},
};

} // namespace

QString ShortCutToText(int shortCut)
{
    if (shortCut <= 0)
        return {};
    const int key = shortCut & ~(scShift | scCtrl | scAlt);
    const auto it = NameByKey().constFind(key);
    if (it == NameByKey().constEnd())
        return {};
    QString text;
    if (shortCut & scShift)
        text += QLatin1String("Shift+");
    if (shortCut & scCtrl)
        text += QLatin1String("Ctrl+");
    if (shortCut & scAlt)
        text += QLatin1String("Alt+");
    return text + *it;
}

int TextToShortCut(const QString &text)
{
    static const std::array<std::pair<QLatin1String, int>, 3> prefixes{{
        {QLatin1String("Shift+"), scShift},
        {QLatin1String("Ctrl+"), scCtrl},
        {QLatin1String("Alt+"), scAlt},
    }};
    QStringView rest(text);
    int shift = 0;
    for (bool found = true; found;) {
        found = false;
        for (const auto &[prefix, bit] : prefixes) {
            // "Ctrl++" would need '+' as a key name; none exists, so a prefix
            // is taken only when something follows it.
            if (rest.size() > prefix.size() && rest.startsWith(prefix, Qt::CaseInsensitive)) {
                shift |= bit;
                rest = rest.mid(prefix.size());
                found = true;
            }
        }
    }
    const auto it = KeyByName().constFind(rest.toString().toLower());
    if (it == KeyByName().constEnd())
        return 0;
    return *it | shift;
}

Qt::Key VirtualKeyToQtKey(int virtualKey)
{
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return static_cast<Qt::Key>(virtualKey); // Qt::Key_0.., Qt::Key_A.. share the codes
    if (virtualKey >= VK_F1 && virtualKey <= VK_F24)
        return static_cast<Qt::Key>(Qt::Key_F1 + (virtualKey - VK_F1));
    for (const QtKeyPair &p : kQtKeys)
        if (p.vk == virtualKey)
            return p.qt;
    return Qt::Key_unknown;
}

int QtKeyToVirtualKey(int qtKey)
{
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return VK_F1 + (qtKey - Qt::Key_F1);
    for (const QtKeyPair &p : kQtKeys)
        if (p.qt == qtKey)
            return p.vk;
    return 0;
}

QKeySequence ShortCutToKeySequence(int shortCut)
{
    if (shortCut <= 0)
        return {};
    const Qt::Key key = VirtualKeyToQtKey(shortCut & ~(scShift | scCtrl | scAlt));
    if (key == Qt::Key_unknown)
        return {};
    Qt::KeyboardModifiers mods;
    if (shortCut & scShift)
        mods |= Qt::ShiftModifier;
    if (shortCut & scCtrl)
        mods |= Qt::ControlModifier;
    if (shortCut & scAlt)
        mods |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(mods, key));
}

namespace {

int Combine(int qtKey, Qt::KeyboardModifiers mods)
{
    const int vk = QtKeyToVirtualKey(qtKey);
    if (vk == 0)
        return 0;
    int shift = 0;
    if (mods & Qt::ShiftModifier)
        shift |= scShift;
    if (mods & Qt::ControlModifier)
        shift |= scCtrl;
    if (mods & Qt::AltModifier)
        shift |= scAlt;
    return vk | shift;
}

} // namespace

int KeySequenceToShortCut(const QKeySequence &sequence)
{
    if (sequence.isEmpty())
        return 0;
    const QKeyCombination c = sequence[0];
    return Combine(c.key(), c.keyboardModifiers());
}

int KeyEventToShortCut(const QKeyEvent &event)
{
    return Combine(event.key(), event.modifiers());
}

} // namespace tv::ui
