#pragma once
// Interaction services that long loops and definition windows call.
#include "platform/ui/EscapeWatch.h"

// True once after the user pressed Esc; long loops over selected items ask
// it between items and stop when it answers true.
using tv::ui::EscapePressed;

// Makes the control that has the focus finish an edit in progress (a grid's
// cell editor, a field that acts when it is left), as if the focus were
// leaving it; the focus stays where it is. Nothing happens without a focused
// control.
void CommitActiveControl();

// Delivers WM_RELOAD (0, 0) synchronously to every connection window among the
// main window's MDI children, in child order, so their object lists show a
// change just applied.
void RefreshObjectWindows();
