#pragma once
// Settings of the dormant statistics tool (key "STATSPACK"); the values are
// only kept. One instance, the global StatsOption.
#include <QString>

namespace tv::settings {
class TtvRegistry;
}

struct TStatsOption {
    QString StatsPack; // "STATSPACK"
    QString Report;    // "REPORT"; default DocumentsDir + "REPORT.LST"
    QString Purge;     // "PURGE"
    QString Truncate;  // "TRUNCATE"

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TStatsOption StatsOption;
