#pragma once
// Settings of the dormant load-test window (key "DBTEST"). One instance, the
// global DBTestOption.
#include <QString>

namespace tv::settings {
class TtvRegistry;
}

struct TDBTestOption {
    int Session = 10;
    int SpanTime = 0;
    QString UserId;
    QString Password; // kept as stored by earlier versions: in plain
    bool Error = true;

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TDBTestOption DBTestOption;
