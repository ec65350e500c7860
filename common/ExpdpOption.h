#pragma once
// Settings of the dormant data-pump export front end (key "EXPORT_DP"); no
// menu reaches it, the values are only kept. One instance, the global
// ExpdpOption. The password is stored scrambled.
#include <QString>

namespace tv::settings {
class TtvRegistry;
}

struct TExpdpOption {
    QString ExpdpDirObj;
    QString ExpdpFile = QStringLiteral("EXPDPDAT.DMP"); // "FileName"
    QString UserID;
    QString Pass;             // stored scrambled
    bool Grants = true;
    bool Indexes = true;
    bool Rows = true;
    bool Constraints = true;
    QString ExpPgm;
    bool Background = false;
    QString ExpdpLogDirObj;
    QString LogFile = QStringLiteral("EXPDP.LOG");

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TExpdpOption ExpdpOption;
