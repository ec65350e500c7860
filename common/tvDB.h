#pragma once
// Database settings kept for later use (key "DB"); stored and loaded only.
// One instance, the global tvDB.
#include <QString>

namespace tv::settings {
class TtvRegistry;
}

struct TtvDB {
    QString AutoConfPath;

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TtvDB tvDB;
