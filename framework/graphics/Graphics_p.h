#pragma once

// Pixel conversions shared by the canvas's copies and the raster operations.

#include "framework/Graphics.h"

#include <QImage>
#include <QRect>

namespace graphics_detail {

// A colour as a 32-bit pixel (0xAARRGGBB), opaque; system colours resolved.
QRgb PixelOf(TColor Color);

// The pixels of Area of Source as Dest takes them: one-bit pixels onto a
// colour canvas become Dest's TextColor (black) or BkColor (white); colour
// pixels onto a one-bit canvas become white where they equal Source's brush
// colour and black elsewhere. Parts of Area outside Source's image are
// transparent (alpha 0).
QImage SourcePixels(TCanvas &Dest, TCanvas &Source, const QRect &Area);

} // namespace graphics_detail
