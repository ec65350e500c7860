#pragma once
// Two stored globals of the data tools:
// - LastAutoSave (key "PERFORM", value "LastAutoSave"): when the performance
//   window last saved its statistics history automatically; default 0
//   (30 December 1899).
// - AlertPathList (key "LOCK", value "AlertPath"): a list of paths stored as
//   one text; nothing else reads it.
#include <QDateTime>
#include <QStringList>

namespace tv::settings {
class TtvRegistry;
}

extern QDateTime LastAutoSave;
extern QStringList AlertPathList;

void LoadLastAutoSave(tv::settings::TtvRegistry &reg);
void SaveLastAutoSave(tv::settings::TtvRegistry &reg);
void LoadAlertPathList(tv::settings::TtvRegistry &reg);
void SaveAlertPathList(tv::settings::TtvRegistry &reg);
