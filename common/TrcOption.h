#pragma once
// Settings of the dormant trace tool (key "TRACE"); the values are only kept.
// One instance, the global TrcOption. The plan password is stored scrambled.
#include <QString>
#include <QStringList>

namespace tv::settings {
class TtvRegistry;
}

struct TTrcOption {
    QStringList Path;         // stored as one text
    bool TKProf = false;      // "TKPROF"
    bool ExplainPlan = true;  // "Explan"
    QString PlanUserID;       // "PlanUser"
    QString PlanPass;         // "PlanPass", stored scrambled
    QString PlanTable;
    bool Aggregate = true;
    bool Sys = false;
    QString Sort;
    QString Print;
    QString TrcPgm;           // default <home> + "/BIN/TKPROF.EXE"

    // oracleHomeDir is the folder the main window's start-up found (empty
    // when there is none); it only makes the default of TrcPgm.
    void Load(tv::settings::TtvRegistry &reg, const QString &oracleHomeDir = QString());
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v, const QString &oracleHomeDir);
};

extern TTrcOption TrcOption;
