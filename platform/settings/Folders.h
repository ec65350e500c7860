#pragma once
// The folders of the program. TALVEX_CONFIG_DIR, when set, names one folder
// that serves as the config folder (the settings store), the data folder and
// the documents folder alike.
#include <QString>

namespace tv::settings {

// Folder of the settings files: TALVEX_CONFIG_DIR, else the XDG config folder.
// No trailing separator.
QString ConfigFolder();

// The program's data folder with a trailing "/": TALVEX_CONFIG_DIR, else the
// XDG data folder + "Quenzor/TVX19"; the program's folder when neither can be
// found. Created (with missing parents) when missing.
QString DataDir();

// The user's documents folder with a trailing "/": TALVEX_CONFIG_DIR, else the
// XDG documents folder; the program's folder when neither can be found.
// Created when missing.
QString DocumentsDir();

// The folder of the executable with a trailing "/".
QString ProgramDir();

} // namespace tv::settings
