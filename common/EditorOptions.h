#pragma once
// The settings of the SQL editors in the key "EDITOR": font, colours, caret
// behaviour, line numbers, ruler, the six visible marks and the token colours
// of comments, strings, reserved words and search hits. Loading also sets the
// fixed settings every SQL editor has (fixed-pitch font, line-number bar
// layout, both scroll bars, "--" comments, quotes and the "/*" "*/" pair);
// those are not stored.
#include <QStringList>

class TEditorProp;

namespace tv::settings {
class TtvRegistry;
}

// Fills prop from "EDITOR" (creating the key); every missing or unreadable
// value takes its default. A mark is visible exactly when its colour is not
// clNone. The bracket pairs of the view are replaced by the one comment pair;
// last, reserveWords becomes the holder's reserved-word list.
void LoadEditorOptions(tv::settings::TtvRegistry &reg, TEditorProp &prop, const QStringList &reserveWords);
// Writes the stored values from prop (a hidden mark as clNone). Throws
// tv::Error when the key cannot be written.
void SaveEditorOptions(tv::settings::TtvRegistry &reg, const TEditorProp &prop);
