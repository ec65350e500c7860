#pragma once
// Printing of texts (key "PRINTOPTION"). One instance, the global
// tvPrintOption.
#include <QString>

#include <cstdint>

namespace tv::settings {
class TtvRegistry;
}

enum TPrinterOrientation : std::uint8_t { poPortrait, poLandscape };

struct TtvPrintOption {
    TPrinterOrientation Orientation = poPortrait;
    int MMLeftMargin = 20;   // "LeftMargin", millimetres
    int MMTopMargin = 20;    // "TopMargin"
    int MMRightMargin = 20;  // "RightMargin"
    int MMBottomMargin = 20; // "BottomMargin"
    QString FontName = QStringLiteral("ＭＳ ゴシック");
    int FontSize = 10;

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TtvPrintOption tvPrintOption;
