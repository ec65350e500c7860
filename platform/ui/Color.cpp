#include "platform/ui/Color.h"

#include <QGuiApplication>

namespace tv::ui {

QColor SystemColorToQColor(int index, const QPalette &palette)
{
    auto role = [&](QPalette::ColorRole r) { return palette.color(QPalette::Active, r); };
    switch (index) {
    case 0: return role(QPalette::Button);                       // scroll bar
    case 1: return role(QPalette::Dark);                         // desktop
    case 2: return role(QPalette::Highlight);                    // active caption
    case 3: return role(QPalette::Mid);                          // inactive caption
    case 4: return role(QPalette::Window);                       // menu
    case 5: return role(QPalette::Base);                         // window
    case 6: return role(QPalette::Shadow);                       // window frame
    case 7: return role(QPalette::WindowText);                   // menu text
    case 8: return role(QPalette::Text);                         // window text
    case 9: return role(QPalette::HighlightedText);              // caption text
    case 10: return role(QPalette::Window);                      // active border
    case 11: return role(QPalette::Window);                      // inactive border
    case 12: return role(QPalette::Dark);                        // application work space
    case 13: return role(QPalette::Highlight);                   // highlight
    case 14: return role(QPalette::HighlightedText);             // highlight text
    case 15: return role(QPalette::Button);                      // button face
    case 16: return role(QPalette::Dark);                        // button shadow
    case 17: return palette.color(QPalette::Disabled, QPalette::Text); // gray text
    case 18: return role(QPalette::ButtonText);                  // button text
    case 19: return palette.color(QPalette::Disabled, QPalette::WindowText); // inactive caption text
    case 20: return role(QPalette::Light);                       // button highlight
    case 21: return role(QPalette::Shadow);                      // 3D dark shadow
    case 22: return role(QPalette::Midlight);                    // 3D light
    case 23: return role(QPalette::ToolTipText);                 // info text
    case 24: return role(QPalette::ToolTipBase);                 // info background
    case 26: return role(QPalette::Link);                        // hot light
    case 27: return role(QPalette::Highlight);                   // gradient active caption
    case 28: return role(QPalette::Mid);                         // gradient inactive caption
    case 29: return role(QPalette::Highlight);                   // menu highlight
    case 30: return role(QPalette::Window);                      // menu bar
    default: return role(QPalette::Window);
    }
}

QColor ColorToQColor(TColor color)
{
    return ColorToQColor(color, QGuiApplication::palette());
}

QColor ColorToQColor(TColor color, const QPalette &palette)
{
    if (color == clNone)
        return {};
    if (IsSystemColor(color))
        return SystemColorToQColor(color & 0xFF, palette);
    const auto c = static_cast<std::uint32_t>(color);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

TColor QColorToColor(const QColor &color)
{
    if (!color.isValid())
        return clNone;
    const QColor rgb = color.toRgb();
    return RGBColor(rgb.red(), rgb.green(), rgb.blue());
}

TColor ColorToRGB(TColor color)
{
    if (color == clNone)
        return clNone;
    if (IsSystemColor(color))
        return QColorToColor(ColorToQColor(color));
    return color & 0x00FFFFFF;
}

} // namespace tv::ui
