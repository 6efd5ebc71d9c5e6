#include "foundation/gradient.h"

#include "foundation/geometry.h"

#include <cassert>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

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

// The pattern of a style: which ramp entry each pixel takes. It depends on
// the style alone, so it is worked out once per style for the whole program
// and a picture in any colours is one table look-up per pixel.
struct TIndexMap {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Index; // row by row
};

// The map of Width x Height pixels whose entries IndexAt(X, Y) names.
template <typename F> void FillByIndex(TIndexMap& Map, int Width, int Height, F IndexAt) {
    Map.Width = Width;
    Map.Height = Height;
    Map.Index.resize(size_t(Width) * size_t(Height));
    uint8_t* Entry = Map.Index.data();
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) {
            const int K = IndexAt(X, Y);
            assert(K >= 0 && K <= 255);
            *Entry++ = uint8_t(K);
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

void FillRadialC(TIndexMap& M) {
    FillByIndex(M, 362, 362, [](int X, int Y) { return Distance(FromSplitCentre(X), 180 - Y); });
}
void FillRadialT(TIndexMap& M) {
    FillByIndex(M, 362, 181, [](int X, int Y) { return Distance(FromSplitCentre(X), Y); });
}
void FillRadialB(TIndexMap& M) {
    FillByIndex(M, 362, 181, [](int X, int Y) { return Distance(FromSplitCentre(X), 180 - Y); });
}
void FillRadialL(TIndexMap& M) {
    FillByIndex(M, 181, 362, [](int X, int Y) { return Distance(X, FromSplitCentre(Y)); });
}
void FillRadialR(TIndexMap& M) {
    FillByIndex(M, 181, 362, [](int X, int Y) { return Distance(180 - X, FromSplitCentre(Y)); });
}
void FillRadialTL(TIndexMap& M) {
    FillByIndex(M, 181, 181, [](int X, int Y) { return Distance(X, Y); });
}
void FillRadialTR(TIndexMap& M) {
    FillByIndex(M, 181, 181, [](int X, int Y) { return Distance(180 - X, Y); });
}
void FillRadialBL(TIndexMap& M) {
    FillByIndex(M, 181, 181, [](int X, int Y) { return Distance(X, 180 - Y); });
}
void FillRadialBR(TIndexMap& M) {
    FillByIndex(M, 181, 181, [](int X, int Y) { return Distance(180 - X, 180 - Y); });
}

void FillLinearH(TIndexMap& M) {
    FillByIndex(M, 1, 256, [](int, int Y) { return Y; });
}
void FillLinearV(TIndexMap& M) {
    FillByIndex(M, 256, 1, [](int X, int) { return X; });
}
// Reflected: the end colour at both ends, the begin colour in the two middle pixels.
void FillReflectedH(TIndexMap& M) {
    FillByIndex(M, 1, 512, [](int, int Y) { return Y <= 255 ? 255 - Y : Y - 256; });
}
void FillReflectedV(TIndexMap& M) {
    FillByIndex(M, 512, 1, [](int X, int) { return X <= 255 ? 255 - X : X - 256; });
}

void FillDiagonalLF(TIndexMap& M) {
    FillByIndex(M, 128, 129, [](int X, int Y) { return Y - X + 127; });
}
void FillDiagonalLB(TIndexMap& M) {
    FillByIndex(M, 128, 129, [](int X, int Y) { return X + Y; });
}
void FillDiagonalRF(TIndexMap& M) {
    FillByIndex(M, 256, 256, [](int X, int Y) { return std::abs(X - Y); });
}
void FillDiagonalRB(TIndexMap& M) {
    FillByIndex(M, 256, 256, [](int X, int Y) { return std::abs(X + Y - 255); });
}

// Arrows: two halves meeting along the middle row or column.
void FillArrowL(TIndexMap& M) {
    FillByIndex(M, 129, 256, [](int X, int Y) { return Y <= 127 ? 255 - Y - X : Y - X; });
}
void FillArrowR(TIndexMap& M) {
    FillByIndex(M, 129, 256, [](int X, int Y) { return Y <= 127 ? X - Y + 127 : X + Y - 128; });
}
void FillArrowU(TIndexMap& M) {
    FillByIndex(M, 256, 129, [](int X, int Y) { return X <= 127 ? 255 - Y - X : X - Y; });
}
void FillArrowD(TIndexMap& M) {
    FillByIndex(M, 256, 129, [](int X, int Y) { return X <= 127 ? Y - X + 127 : Y + X - 128; });
}

// Diamond and butterfly: one formula per quarter of a 256 x 256 image.
void FillDiamond(TIndexMap& M) {
    FillByIndex(M, 256, 256, [](int X, int Y) {
        if (Y <= 127) return X <= 127 ? 255 - X - Y : X - Y;
        return X <= 127 ? Y - X : X + Y - 255;
    });
}
void FillButterfly(TIndexMap& M) {
    FillByIndex(M, 256, 256, [](int X, int Y) {
        if (Y <= 127) return X <= 127 ? X - Y + 128 : 383 - X - Y;
        return X <= 127 ? X + Y - 128 : Y - X + 128;
    });
}

void FillNone(TIndexMap&) {}

using TGradientFill = void (*)(TIndexMap&);

// One fill function per style, indexed by the style's ordinal.
constexpr TGradientFill GradientFills[GradientStyleCount] = {
    FillRadialC,    FillRadialT,    FillRadialB,    FillRadialL,    FillRadialR,    FillRadialTL,
    FillRadialTR,   FillRadialBL,   FillRadialBR,   FillLinearH,    FillLinearV,    FillReflectedH,
    FillReflectedV, FillDiagonalLF, FillDiagonalLB, FillDiagonalRF, FillDiagonalRB, FillArrowL,
    FillArrowR,     FillArrowU,     FillArrowD,     FillDiamond,    FillButterfly,  FillNone,
};
static_assert(int(TGradientStyle::gsNone) == GradientStyleCount - 1,
              "the fill table follows the enumeration");

// The map of a style (Ordinal within the enumeration), made at its first use.
const TIndexMap& IndexMapOf(int Ordinal) {
    static std::once_flag Made[GradientStyleCount];
    static TIndexMap Maps[GradientStyleCount];
    std::call_once(Made[Ordinal], [Ordinal] { GradientFills[Ordinal](Maps[Ordinal]); });
    return Maps[Ordinal];
}

} // namespace

void FillGradient(TGradientStyle Style, const TGradientRamp& Ramp, TBitmap& Image) {
    Image.SetSize(0, 0);
    // Empty first, so the conversion has no pixels to convert; the fills
    // write three bytes per pixel.
    Image.SetPixelFormat(TPixelFormat::pf24bit);
    const int Ordinal = int(Style);
    if (Ordinal < 0 || Ordinal >= GradientStyleCount) return; // unknown style: no gradient
    const TIndexMap& Map = IndexMapOf(Ordinal);
    Image.SetSize(Map.Width, Map.Height);
    const uint8_t* Entry = Map.Index.data();
    for (int Y = 0; Y < Map.Height; ++Y) {
        uint8_t* Pixel = Image.ScanLine(Y);
        for (int X = 0; X < Map.Width; ++X, Pixel += 3) std::memcpy(Pixel, Ramp.Entry[*Entry++], 3);
    }
}

void RebuildGradientImage(TColor Begin, TColor End, TGradientStyle Style, TBitmap& Image) {
    FillGradient(Style, BuildGradientRamp(Begin, End), Image);
}

} // namespace draxa
