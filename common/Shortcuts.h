#pragma once
// The keyboard shortcuts of the main window's actions that the user can
// change, stored as texts ("Ctrl+S", "Shift+F3", "Del"; empty: none) in the
// key "SHORTCUT" under one value name per action.
//
// The table lists the 67 actions in their stored order with the value name,
// the action's object name and its designed shortcut; the current shortcut of
// each is kept here. The main window binds its actions to the table by action
// name: it applies ActionShortCut() after LoadOptions and writes the user's
// changes back with SetActionShortCut() before SaveOptions.
#include <QString>
#include <QStringView>

namespace tv::settings {
class TtvRegistry;
}

struct TActionShortCutDef {
    const char *ValueName;   // "ViewSQL", "ObjectNew"
    const char *ActionName;  // "actViewSQL", "actNew"
    int DefaultShortCut;     // shortcut integer (tv::ui::ShortCut), 0 for none
};

constexpr int ActionShortCutCount = 67;

// The entry at Index (0 .. ActionShortCutCount - 1), in stored order.
const TActionShortCutDef &ActionShortCutDef(int Index);
// The index of the entry with this value name or action name (letter case
// ignored), -1 when there is none.
int IndexOfActionShortCut(const QString &Name);

// The current shortcut of an entry (0: none).
int ActionShortCut(int Index);
void SetActionShortCut(int Index, int ShortCut);
// Every entry back to its designed shortcut.
void ResetActionShortCuts();

// Reads "SHORTCUT": each value is read with the entry's current shortcut as
// default (a missing or empty value keeps it); a text that names no key gives
// the entry no shortcut.
void LoadShortCuts(tv::settings::TtvRegistry &reg);
// Writes every entry's current shortcut as text (the empty text for none).
// Throws tv::Error when the key cannot be written.
void SaveShortCuts(tv::settings::TtvRegistry &reg);
