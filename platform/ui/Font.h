#pragma once
// Fonts by the names the settings store ("ＭＳ ゴシック", "MS UI Gothic",
// "FixedSys", "ＭＳ 明朝" ...). The stored name is never rewritten; when no
// font of that family is installed, the font shown is an installed CJK
// monospace font (Noto Sans Mono CJK JP, then DejaVu Sans Mono, then the
// system's fixed font).
#include <QFlags>
#include <QFont>
#include <QString>

namespace tv::ui {

enum class FontStyle { Bold = 0x1, Italic = 0x2, Underline = 0x4, StrikeOut = 0x8 };
Q_DECLARE_FLAGS(FontStyles, FontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(FontStyles)

// The installed family that stands for a stored font name.
QString ResolveFontFamily(const QString &storedName);

// The font for a stored name, a size in points (a size below 1 gives 9) and styles.
QFont MakeFont(const QString &storedName, int pointSize, FontStyles styles = {});

} // namespace tv::ui
