#pragma once
// Settings of the dormant data-pump import front end (key "IMPORT_DP"); no
// menu reaches it, the values are only kept. One instance, the global
// ImpdpOption. The password is stored scrambled; "Constraints" is read but
// never written.
#include <QString>

namespace tv::settings {
class TtvRegistry;
}

struct TImpdpOption {
    QString ImpdpDirObj;
    QString ImpFile = QStringLiteral("EXPDPDAT.DMP"); // "FileName"
    QString UserID;
    QString Pass;             // stored scrambled
    bool Grants = true;
    bool Indexes = true;
    bool Rows = true;
    bool Constraints = true;  // loaded only
    QString ImpdpInfoDirObj;
    QString IndexFile;
    bool Ignore = false;
    int IgnoreItem = 0;
    bool Destroy = false;
    QString ImpPgm;
    bool Background = false;
    QString ImpdpLogDirObj;
    QString LogFile = QStringLiteral("IMPDP.LOG");
    QString UserList;
    QString TableList;

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TImpdpOption ImpdpOption;
