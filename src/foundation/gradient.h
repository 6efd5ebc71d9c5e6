// Gradient images: the small fixed-size 24-bit picture of a colour gradient
// that a closed shape stretches onto itself when it paints.
//
// Each style has its own image size and pattern; every pixel takes one of
// the 256 entries of a colour ramp from the begin colour to the end colour.
// The pattern is worked out once per style, so building a picture in given
// colours is cheap.
#pragma once

#include "draxa_export.h"
#include "foundation/bitmap.h"
#include "foundation/graphics.h"

#include <cstdint>

namespace draxa {

// Gradient patterns. The ordinal is what shape records store: never reorder.
enum class TGradientStyle : uint8_t {
    gsRadialC,    // circles around the centre
    gsRadialT,    // half circles around the middle of the top edge
    gsRadialB,    // ... of the bottom edge
    gsRadialL,    // ... of the left edge
    gsRadialR,    // ... of the right edge
    gsRadialTL,   // quarter circles around the top-left corner
    gsRadialTR,   // ... top-right corner
    gsRadialBL,   // ... bottom-left corner
    gsRadialBR,   // ... bottom-right corner
    gsLinearH,    // begin colour at the top, end colour at the bottom
    gsLinearV,    // begin colour at the left, end colour at the right
    gsReflectedH, // end colour at top and bottom, begin colour in the middle row
    gsReflectedV, // end colour at left and right, begin colour in the middle column
    gsDiagonalLF, // begin colour at the top-right corner, end colour at the bottom-left
    gsDiagonalLB, // begin colour at the top-left corner, end colour at the bottom-right
    gsDiagonalRF, // begin colour along the falling diagonal, end colour in the other corners
    gsDiagonalRB, // begin colour along the rising diagonal, end colour in the other corners
    gsArrowL,     // begin colour at the middle of the right edge, end colour at the left corners
    gsArrowR,     // begin colour at the middle of the left edge, end colour at the right corners
    gsArrowU,     // begin colour at the middle of the bottom edge, end colour at the top corners
    gsArrowD,     // begin colour at the middle of the top edge, end colour at the bottom corners
    gsDiamond,    // begin colour in the centre, end colour at the four corners
    gsButterfly,  // begin colour at the middle of the left and right edges, end colour at top and bottom
    gsNone        // no gradient: the image stays empty
};

// Number of styles, gsNone included.
constexpr int GradientStyleCount = 24;

// 256 colours from the begin colour (entry 0) to the end colour (entry 255),
// each as blue, green, red bytes: the byte order of a 24-bit scan line.
struct DRAXA_EXPORT TGradientRamp {
    uint8_t Entry[256][3];
};

// Ramp from ColorBegin to ColorEnd (system colours resolved): per channel,
// entry i = i * (end - begin) / 255 + begin, the division truncating toward zero.
DRAXA_EXPORT TGradientRamp BuildGradientRamp(TColor ColorBegin, TColor ColorEnd);

// Empties Image, makes it 24-bit and, unless Style is gsNone, sizes it for the
// style and writes every pixel from Ramp. A Style outside the enumeration
// (an unchecked byte from a document) is treated as gsNone: the image stays empty.
DRAXA_EXPORT void FillGradient(TGradientStyle Style, const TGradientRamp& Ramp, TBitmap& Image);

// Builds the ramp from Begin to End and fills Image with Style; what a shape
// does whenever its gradient colours, style or flips change.
DRAXA_EXPORT void RebuildGradientImage(TColor Begin, TColor End, TGradientStyle Style, TBitmap& Image);

} // namespace draxa
