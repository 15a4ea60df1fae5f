#pragma once

// Pixel conversions shared by the canvas's copies and the raster operations,
// and the mapping between a canvas's logical pixels and its image's device
// pixels (an image painted for a high-density screen holds several device
// pixels for each logical one).

#include "framework/Graphics.h"

#include <QImage>
#include <QRect>
#include <vector>

class QPainter;

namespace graphics_detail {

// A colour as a 32-bit pixel (0xAARRGGBB), opaque; system colours resolved.
QRgb PixelOf(TColor Color);

// The device pixel where logical coordinate Value begins at Ratio. Every
// reader and writer of single pixels goes through it, so that logical pixel
// N is always the same run of device pixels.
int DeviceEdge(int Value, qreal Ratio);
// The device pixels of a logical rectangle of Image.
QRect DeviceRect(const QImage &Image, const QRect &Logical);
// The logical rectangle an image covers.
QRect LogicalBounds(const QImage &Image);
// For each device coordinate from DeviceEdge(Start) to DeviceEdge(Start +
// Count), the logical coordinate it belongs to.
std::vector<int> LogicalOf(int Start, int Count, qreal Ratio);

// The pixels of Area (in Source's device pixels) of Source as Dest takes
// them: one-bit pixels onto a colour canvas become Dest's TextColor (black)
// or BkColor (white); colour pixels onto a one-bit canvas become white where
// they equal Source's brush colour and black elsewhere. Parts of Area outside
// Source's image are transparent (alpha 0).
QImage SourcePixels(TCanvas &Dest, TCanvas &Source, const QRect &Area);

// Image (as 32-bit ARGB) scaled to Width by Height pixels by nearest
// neighbour, sampling at the centre of each target pixel.
QImage NearestScaled(const QImage &Image, int Width, int Height);

// Image scaled to Width by Height device pixels: nearest neighbour when both
// factors are whole numbers, so that each source pixel becomes an exact
// block; otherwise enlarged by the next whole factor and then smoothed down,
// which keeps the edges of small pictures as sharp as the size allows
// without making some pixels wider than others.
QImage ScaledForDevice(const QImage &Image, int Width, int Height);

// Draws the Source part of Image over Target (logical coordinates) of the
// painter's device. On a device of ratio 1 this is QPainter::drawImage; on
// any other the part is cut out first, so that scaling never reads pixels of
// its neighbours in Image (the cells of a strip or an image list).
void DrawScaledImage(QPainter &Painter, const QRect &Target, const QImage &Image,
                     const QRect &Source);

} // namespace graphics_detail
