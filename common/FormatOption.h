#pragma once
// Layout rules of the SQL formatter (key "FORMAT"). One instance, the global
// FormatOption.
namespace tv::settings {
class TtvRegistry;
}

struct TFormatOption {
    int Indent = 4;       // indentation width in characters
    int ItemReturn = 0;   // 0 one item per line, 1 no break between items
    int ReservePos = 0;   // clause keywords: 0 right-aligned, 1 left-aligned
    int CommaPos = 0;     // comma: 0 at the start of the line, 1 at the end
    int AndPos = 0;       // AND / OR: 0 at the start of the line, 1 at the end
    int ReserveTrans = 0; // keywords: 0 upper, 1 lower, 2 unchanged
    int ItemTrans = 2;    // other words: 0 upper, 1 lower, 2 unchanged

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TFormatOption FormatOption;
