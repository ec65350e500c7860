#pragma once
// Small value types shared by the editor's settings objects. Colours are kept
// as TColor integers and converted only when painting.
#include <cstdint>

// 0x00BBGGRR; 0xFF000000 + index is a system colour; clNone draws nothing of
// its own (the editor's colours are used).
using TColor = std::int32_t;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clWindow = TColor(0xFF000005u);
constexpr TColor clWindowText = TColor(0xFF000008u);

// Font style set: bit n for the style of ordinal n.
enum TFontStyle : std::uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = std::uint8_t;
constexpr TFontStyles FontStyleBit(TFontStyle s) { return TFontStyles(1u << s); }

// Screen cursor index, as the editor's settings store it.
using TCursor = std::int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crIBeam = -4;
constexpr TCursor crDrag = -12;
// The editor's own two cursors: "RightArrow" (over the left margin) and
// "DragSelCopy" (dragging a selection to copy it). They take the first two
// free cursor slots; the widget layer maps them to its cursor shapes.
constexpr TCursor crRightArrow = 1;
constexpr TCursor crDragSelCopy = 2;

enum TDragMode : std::uint8_t { dmManual, dmAutomatic };

// How a search hit is shown.
enum TEditorHitStyle : std::uint8_t { hsSelect, hsDraw, hsCaret };
// Which scroll bars an editor shows.
enum TScrollStyle : std::uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
// Font pitch as stored with a font.
enum TFontPitch : std::uint8_t { fpDefault, fpVariable, fpFixed };

// Name of the private clipboard format that carries box selections.
inline constexpr const char *CF_BOXTEXT_NAME = "TEditor Box Type";
