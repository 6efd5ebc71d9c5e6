#include "foundation/gradient.h"

#include "foundation/geometry.h"

#include <cassert>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace draxa {

TGradientRamp BuildGradientRamp(TColor ColorBegin, TColor ColorEnd) {
    const TColor B = ColorToRGB(ColorBegin);
    const TColor E = ColorToRGB(ColorEnd);
    // Channel order of a 24-bit scan line: blue, green, red.
    const int Begin[3] = {GetBValue(B), GetGValue(B), GetRValue(B)};
    const int Delta[3] = {GetBValue(E) - Begin[0], GetGValue(E) - Begin[1], GetRValue(E) - Begin[2]};
    TGradientRamp Ramp;
    for (int I = 0; I < 256; ++I)
        for (int C = 0; C < 3; ++C)
            // C++ division truncates toward zero, so every value stays between the two ends.
            Ramp.Entry[I][C] = uint8_t(I * Delta[C] / 255 + Begin[C]);
    return Ramp;
}

namespace {

// Sizes Image to Width x Height and writes every pixel from the ramp entry
// that IndexAt(X, Y) names, one scan line at a time.
template <typename F>
void FillByIndex(const TGradientRamp& Ramp, TBitmap& Image, int Width, int Height, F IndexAt) {
    Image.SetSize(Width, Height);
    for (int Y = 0; Y < Height; ++Y) {
        uint8_t* Pixel = Image.ScanLine(Y);
        for (int X = 0; X < Width; ++X, Pixel += 3) {
            const int K = IndexAt(X, Y);
            assert(K >= 0 && K <= 255);
            std::memcpy(Pixel, Ramp.Entry[K], 3);
        }
    }
}

// Radial styles: the ramp index is the distance from the centre in pixels.
// The longest distance, from a split centre to the far corner, is
// Round(sqrt(180^2 + 181^2)) = 255, so every index fits the ramp. The square
// root of an integer is never exactly halfway, so the rounding rule never decides.
int Distance(int DX, int DY) {
    return RoundHalfEven(std::sqrt(double(DX * DX + DY * DY)));
}

// Offset from a two-pixel centre at 180 and 181 of a 362-pixel side: both
// centre pixels lie at distance 0.
int FromSplitCentre(int V) {
    return V <= 180 ? 180 - V : V - 181;
}

void FillRadialC(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 362, 362, [](int X, int Y) { return Distance(FromSplitCentre(X), 180 - Y); });
}
void FillRadialT(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 362, 181, [](int X, int Y) { return Distance(FromSplitCentre(X), Y); });
}
void FillRadialB(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 362, 181, [](int X, int Y) { return Distance(FromSplitCentre(X), 180 - Y); });
}
void FillRadialL(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 181, 362, [](int X, int Y) { return Distance(X, FromSplitCentre(Y)); });
}
void FillRadialR(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 181, 362, [](int X, int Y) { return Distance(180 - X, FromSplitCentre(Y)); });
}
void FillRadialTL(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 181, 181, [](int X, int Y) { return Distance(X, Y); });
}
void FillRadialTR(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 181, 181, [](int X, int Y) { return Distance(180 - X, Y); });
}
void FillRadialBL(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 181, 181, [](int X, int Y) { return Distance(X, 180 - Y); });
}
void FillRadialBR(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 181, 181, [](int X, int Y) { return Distance(180 - X, 180 - Y); });
}

void FillLinearH(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 1, 256, [](int, int Y) { return Y; });
}
void FillLinearV(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 256, 1, [](int X, int) { return X; });
}
// Reflected: the end colour at both ends, the begin colour in the two middle pixels.
void FillReflectedH(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 1, 512, [](int, int Y) { return Y <= 255 ? 255 - Y : Y - 256; });
}
void FillReflectedV(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 512, 1, [](int X, int) { return X <= 255 ? 255 - X : X - 256; });
}

void FillDiagonalLF(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 128, 129, [](int X, int Y) { return Y - X + 127; });
}
void FillDiagonalLB(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 128, 129, [](int X, int Y) { return X + Y; });
}
void FillDiagonalRF(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 256, 256, [](int X, int Y) { return std::abs(X - Y); });
}
void FillDiagonalRB(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 256, 256, [](int X, int Y) { return std::abs(X + Y - 255); });
}

// Arrows: two halves meeting along the middle row or column.
void FillArrowL(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 129, 256, [](int X, int Y) { return Y <= 127 ? 255 - Y - X : Y - X; });
}
void FillArrowR(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 129, 256, [](int X, int Y) { return Y <= 127 ? X - Y + 127 : X + Y - 128; });
}
void FillArrowU(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 256, 129, [](int X, int Y) { return X <= 127 ? 255 - Y - X : X - Y; });
}
void FillArrowD(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 256, 129, [](int X, int Y) { return X <= 127 ? Y - X + 127 : Y + X - 128; });
}

// Diamond and butterfly: one formula per quarter of a 256 x 256 image.
void FillDiamond(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 256, 256, [](int X, int Y) {
        if (Y <= 127) return X <= 127 ? 255 - X - Y : X - Y;
        return X <= 127 ? Y - X : X + Y - 255;
    });
}
void FillButterfly(const TGradientRamp& R, TBitmap& I) {
    FillByIndex(R, I, 256, 256, [](int X, int Y) {
        if (Y <= 127) return X <= 127 ? X - Y + 128 : 383 - X - Y;
        return X <= 127 ? X + Y - 128 : Y - X + 128;
    });
}

void FillNone(const TGradientRamp&, TBitmap&) {}

using TGradientFill = void (*)(const TGradientRamp&, TBitmap&);

// One fill function per style, indexed by the style's ordinal.
constexpr TGradientFill GradientFills[GradientStyleCount] = {
    FillRadialC,    FillRadialT,    FillRadialB,    FillRadialL,    FillRadialR,    FillRadialTL,
    FillRadialTR,   FillRadialBL,   FillRadialBR,   FillLinearH,    FillLinearV,    FillReflectedH,
    FillReflectedV, FillDiagonalLF, FillDiagonalLB, FillDiagonalRF, FillDiagonalRB, FillArrowL,
    FillArrowR,     FillArrowU,     FillArrowD,     FillDiamond,    FillButterfly,  FillNone,
};
static_assert(int(TGradientStyle::gsNone) == GradientStyleCount - 1,
              "the fill table follows the enumeration");

} // namespace

void FillGradient(TGradientStyle Style, const TGradientRamp& Ramp, TBitmap& Image) {
    Image.SetSize(0, 0);
    // Empty first, so the conversion has no pixels to convert; the fills
    // write three bytes per pixel.
    Image.SetPixelFormat(TPixelFormat::pf24bit);
    const int Ordinal = int(Style);
    if (Ordinal < 0 || Ordinal >= GradientStyleCount) return; // unknown style: no gradient
    GradientFills[Ordinal](Ramp, Image);
}

void RebuildGradientImage(TColor Begin, TColor End, TGradientStyle Style, TBitmap& Image) {
    FillGradient(Style, BuildGradientRamp(Begin, End), Image);
}

} // namespace draxa
