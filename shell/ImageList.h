#pragma once
// The main image list: one small glyph per image number, drawn with painter
// primitives (16x16, with a 32x32 rendering for high-density screens). The
// object-type codes are image numbers too.
#include <QIcon>

// The icon of image `index`; an index without a glyph of its own gives a
// neutral tile (never a number), so the result is never null.
QIcon DrawMainImage(int index);

// True when image `index` has a glyph of its own.
bool HasMainImage(int index);
