#pragma once
// Alt+letter for the captions that mark a letter with "&" ("作成(&C)"), in
// every window. Qt gives push buttons and labels such keys on its own, but
// not the buttons of a tool bar (they show the action's text without the
// mark), and a letter that the main menu also uses ("管理(&A)") makes the
// key ambiguous so that neither fires.
//
// One application-wide filter decides instead: the key goes to the window
// that has the focus - the MDI child holding the focused control, else the
// focused top-level window - and a visible control of that window whose
// caption marks the letter is pressed (a tool-bar action is triggered, a
// button clicked, a check box or a label's buddy focused, a tab shown). The
// key is then used up, also before the focused control sees it, so Alt+C in
// a text box presses "作成(&C)" instead of typing. A matching control that is
// disabled uses up the key as well. Only when the window has no control with
// the letter does the key go on to the focused control and the menu bar.
// In a top-level window's own controls (outside its MDI children) its menu
// bar comes first: a letter of the bar ("ツール(&T)") opens that menu, even
// when a tool-bar action of the window marks the same letter.
#include <QKeySequence>

class QObject;
class QWidget;

namespace tv::ui {

// Installs the filter once for the application (later calls do nothing).
void InstallMnemonicKeys();

// The window whose controls Alt+letter presses for a key received by
// `Receiver` (see above); null when there is none.
QWidget *MnemonicScope(QWidget *Receiver);

// Whether `Scope` has a visible control or action whose caption marks the
// key (Alt + a letter or digit), enabled or not.
bool HasMnemonic(QWidget *Scope, const QKeySequence &Key);

// Presses the first such control in child order (see above); false when
// there is none. A disabled one is not pressed but still counts.
bool PressMnemonic(QWidget *Scope, const QKeySequence &Key);

} // namespace tv::ui
