#include "common/DataToolGlobals.h"

#include "common/OptionIO.h"

QDateTime LastAutoSave(QDate(1899, 12, 30), QTime(0, 0));
QStringList AlertPathList;

namespace {

struct LastAutoSaveRecord {
    template <class V>
    void Visit(V &v)
    {
        v.DateTime("LastAutoSave", LastAutoSave, QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    }
};

struct AlertPathRecord {
    template <class V>
    void Visit(V &v)
    {
        v.Lines("AlertPath", AlertPathList);
    }
};

} // namespace

void LoadLastAutoSave(tv::settings::TtvRegistry &reg)
{
    LastAutoSaveRecord r;
    optionio::LoadRecord(r, reg, QStringLiteral("PERFORM"));
}

void SaveLastAutoSave(tv::settings::TtvRegistry &reg)
{
    LastAutoSaveRecord r;
    optionio::SaveRecord(r, reg, QStringLiteral("PERFORM"));
}

void LoadAlertPathList(tv::settings::TtvRegistry &reg)
{
    AlertPathRecord r;
    optionio::LoadRecord(r, reg, QStringLiteral("LOCK"));
}

void SaveAlertPathList(tv::settings::TtvRegistry &reg)
{
    AlertPathRecord r;
    optionio::SaveRecord(r, reg, QStringLiteral("LOCK"));
}
