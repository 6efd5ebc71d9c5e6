// Pixel effects on bitmaps: mirroring for flipped shapes, grey, brightness,
// contrast, and the stretched and rotated copy a shape paints its picture or
// gradient image with.
//
// Every effect works on the scan lines directly, three bytes per pixel (blue,
// green, red). A bitmap that is not 24-bit is converted to 24 bits first, so
// no effect ever reads or writes past a row; a call that changes nothing
// (no flag, Amount 0) leaves the bitmap as it is, format included.
#pragma once

#include "foundation/bitmap.h"

#include <memory>

namespace draxa {

// Largest side and largest pixel count RotatedCopy makes (before and after
// turning); a larger request gives an empty bitmap instead of gigabytes.
constexpr int MaxRotatedSide = 32767;
constexpr long long MaxRotatedPixels = 64LL * 1024 * 1024;

// Mirrors left-right when Horz and top-bottom when Vert (both: a half turn).
// Transparent, TransparentColor and TransparentMode are kept.
void MirrorBitmap(TBitmap& Bmp, bool Horz, bool Vert);

// When Enabled, every pixel becomes grey: each channel := (B + G + R) / 3.
void GrayBitmap(TBitmap& Bmp, bool Enabled);

// Adds Amount to every channel byte, clamped to 0..255 (any int is accepted).
void BrightenBitmap(TBitmap& Bmp, int Amount);

// Moves every channel byte c away from the middle grey 127 by
// |127 - c| * Amount / 255 (truncated toward zero), clamped to 0..255.
// Positive amounts raise the contrast, negative ones pull towards grey
// (far enough negative, past it). Any int is accepted.
void ContrastBitmap(TBitmap& Bmp, int Amount);

// A new 24-bit bitmap: Src stretched to W x H (nearest pixel), then turned by
// Angle radians, positive counter-clockwise on screen (shapes pass minus
// their own angle). The turned copy is sized to hold the whole turned
// rectangle; pixels that fall outside the picture are white.
// Transparency: with Angle 0 the copy has Src's Transparent, TransparentMode
// and TransparentColor; otherwise Src's Transparent and its current
// transparent colour in tmFixed mode, since the copy's own bottom-left pixel
// is usually a white corner.
// Src is left with Transparent off, whatever the outcome.
// W or H <= 0, a side above MaxRotatedSide or a pixel count above
// MaxRotatedPixels (before or after turning) gives an empty bitmap. A NaN or
// infinite Angle counts as 0. The caller owns the result.
std::unique_ptr<TBitmap> RotatedCopy(TBitmap& Src, int W, int H, double Angle);

} // namespace draxa
