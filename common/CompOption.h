#pragma once
// Result filters of the object comparison (key "COMP"). One instance, the
// global CompOption.
namespace tv::settings {
class TtvRegistry;
}

struct TCompOption {
    bool Equrl = true;    // objects whose definitions are equal
    bool NotEqurl = true; // objects whose definitions differ
    bool Only1 = true;    // objects only in the first source
    bool Only2 = true;    // objects only in the second source

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TCompOption CompOption;
