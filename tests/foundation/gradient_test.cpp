// Gradient ramps and the image each gradient style produces.
#include "foundation/bitmap.h"
#include "foundation/gradient.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

using namespace draxa;

namespace {

TGradientStyle StyleOf(int Ordinal) {
    return static_cast<TGradientStyle>(Ordinal);
}

// Black to white gives the identity ramp (entry i is grey i), so a pixel's
// value is the ramp index the style wrote there. Any other pixel (channels
// not equal) gives -1.
int IndexAt(const TBitmap& Image, int X, int Y) {
    const uint8_t* P = Image.ScanLine(Y) + 3 * X;
    return P[0] == P[1] && P[1] == P[2] ? P[0] : -1;
}

} // namespace

TEST(GradientRamp, RunsFromBeginToEndTruncatingTowardZero) {
    struct Row {
        const char* Name;
        TColor Begin, End;
        int Entry;
        TColor Expected;
    };
    const Row Rows[] = {
        {"white to black, halfway", clWhite, clBlack, 128, RGB(127, 127, 127)},
        {"entry 0 is the begin colour", RGB(10, 20, 30), RGB(200, 100, 0), 0, RGB(10, 20, 30)},
        {"entry 255 is the end colour", RGB(10, 20, 30), RGB(200, 100, 0), 255, RGB(200, 100, 0)},
        {"falling channel truncates, not floors", RGB(100, 0, 0), clBlack, 1, RGB(100, 0, 0)},
        {"rising channel truncates, not rounds", clBlack, RGB(100, 0, 0), 254, RGB(99, 0, 0)},
        {"system colours are resolved", clBtnFace, clWindow, 0, ColorToRGB(clBtnFace)},
    };
    for (const Row& R : Rows) {
        const TGradientRamp Ramp = BuildGradientRamp(R.Begin, R.End);
        const uint8_t* E = Ramp.Entry[R.Entry];
        // Scan-line order: blue, green, red.
        EXPECT_EQ(RGB(E[2], E[1], E[0]), R.Expected) << R.Name;
    }
}

TEST(GradientImage, SizeAndSampledIndicesOfEachStyle) {
    struct Probe {
        int X, Y, K;
    };
    struct Row {
        const char* Name;
        TGradientStyle Style;
        int W, H;
        std::vector<Probe> Probes;
    };
    using G = TGradientStyle;
    // clang-format off
    const Row Rows[] = {
        {"radial: both centre columns at 0, corners at the end", G::gsRadialC, 362, 362,
         {{180, 180, 0}, {181, 180, 0}, {180, 0, 180},
          {0, 0, 255}, {361, 0, 255}, {0, 361, 255}, {361, 361, 255}}},
        {"radial from the top edge", G::gsRadialT, 362, 181,
         {{180, 0, 0}, {181, 0, 0}, {180, 100, 100}, {0, 180, 255}}},
        {"radial from the bottom edge", G::gsRadialB, 362, 181,
         {{180, 180, 0}, {181, 180, 0}, {361, 0, 255}}},
        {"radial from the left edge", G::gsRadialL, 181, 362,
         {{0, 180, 0}, {0, 181, 0}, {100, 181, 100}, {180, 361, 255}}},
        {"radial from the right edge", G::gsRadialR, 181, 362, {{180, 180, 0}, {180, 181, 0}, {0, 0, 255}}},
        {"radial from top-left", G::gsRadialTL, 181, 181, {{0, 0, 0}, {3, 4, 5}, {180, 180, 255}}},
        {"radial from top-right", G::gsRadialTR, 181, 181, {{180, 0, 0}, {0, 180, 255}}},
        {"radial from bottom-left", G::gsRadialBL, 181, 181, {{0, 180, 0}, {180, 0, 255}}},
        {"radial from bottom-right", G::gsRadialBR, 181, 181, {{180, 180, 0}, {0, 0, 255}}},
        {"linear down", G::gsLinearH, 1, 256, {{0, 0, 0}, {0, 77, 77}, {0, 255, 255}}},
        {"linear across", G::gsLinearV, 256, 1, {{0, 0, 0}, {77, 0, 77}, {255, 0, 255}}},
        {"reflected rows: end at both ends", G::gsReflectedH, 1, 512,
         {{0, 0, 255}, {0, 255, 0}, {0, 256, 0}, {0, 511, 255}}},
        {"reflected columns", G::gsReflectedV, 512, 1,
         {{0, 0, 255}, {255, 0, 0}, {256, 0, 0}, {511, 0, 255}}},
        {"diagonal LF", G::gsDiagonalLF, 128, 129, {{127, 0, 0}, {0, 0, 127}, {0, 128, 255}}},
        {"diagonal LB", G::gsDiagonalLB, 128, 129, {{0, 0, 0}, {127, 128, 255}}},
        {"diagonal RF", G::gsDiagonalRF, 256, 256, {{9, 9, 0}, {255, 0, 255}, {0, 255, 255}}},
        {"diagonal RB", G::gsDiagonalRB, 256, 256, {{255, 0, 0}, {0, 0, 255}, {255, 255, 255}}},
        {"arrow L: halves meet at rows 127/128", G::gsArrowL, 129, 256,
         {{128, 127, 0}, {128, 128, 0}, {0, 0, 255}, {0, 255, 255}}},
        {"arrow R", G::gsArrowR, 129, 256, {{0, 127, 0}, {0, 128, 0}, {128, 0, 255}, {128, 255, 255}}},
        {"arrow U: halves meet at columns 127/128", G::gsArrowU, 256, 129,
         {{127, 128, 0}, {128, 128, 0}, {0, 0, 255}, {255, 0, 255}}},
        {"arrow D", G::gsArrowD, 256, 129, {{127, 0, 0}, {128, 0, 0}, {0, 128, 255}, {255, 128, 255}}},
        {"diamond: centre and corner of each quarter", G::gsDiamond, 256, 256,
         {{127, 127, 1}, {0, 0, 255}, {128, 127, 1}, {255, 0, 255},
          {127, 128, 1}, {0, 255, 255}, {128, 128, 1}, {255, 255, 255}}},
        {"butterfly: each quarter's own formula", G::gsButterfly, 256, 256,
         {{0, 0, 128}, {127, 0, 255}, {128, 0, 255}, {255, 127, 1},
          {0, 128, 0}, {127, 255, 254}, {128, 255, 255}, {255, 128, 1}}},
        {"none stays empty", G::gsNone, 0, 0, {}},
    };
    // clang-format on
    ASSERT_EQ(std::size(Rows), size_t(GradientStyleCount));
    for (const Row& R : Rows) {
        // A stale 8-bit image: the fill must replace both size and format.
        TBitmap Image(7, 5, TPixelFormat::pf8bit);
        RebuildGradientImage(clBlack, clWhite, R.Style, Image);
        EXPECT_EQ(Image.Width(), R.W) << R.Name;
        EXPECT_EQ(Image.Height(), R.H) << R.Name;
        EXPECT_EQ(Image.PixelFormat(), TPixelFormat::pf24bit) << R.Name;
        if (Image.Width() != R.W || Image.Height() != R.H) continue;
        for (const Probe& P : R.Probes)
            EXPECT_EQ(IndexAt(Image, P.X, P.Y), P.K) << R.Name << " at (" << P.X << ", " << P.Y << ")";
    }
}

TEST(GradientImage, EveryPixelOfEveryStyleComesFromTheRamp) {
    // Guard bytes around the ramp: an index outside 0..255 reads them, and
    // their channels differ, unlike every entry of the identity ramp.
    struct {
        uint8_t Before[64][3];
        TGradientRamp Ramp;
        uint8_t After[64][3];
    } Guarded;
    for (auto* Guard : {&Guarded.Before, &Guarded.After})
        for (auto& E : *Guard) E[0] = 1, E[1] = 2, E[2] = 3;
    Guarded.Ramp = BuildGradientRamp(clBlack, clWhite);
    const TColor Colour = RGB(12, 200, 77);

    for (int S = 0; S < GradientStyleCount; ++S) {
        TBitmap Image, Uniform;
        FillGradient(StyleOf(S), Guarded.Ramp, Image);
        RebuildGradientImage(Colour, Colour, StyleOf(S), Uniform);
        int Outside = 0, NotUniform = 0;
        for (int Y = 0; Y < Image.Height(); ++Y)
            for (int X = 0; X < Image.Width(); ++X) {
                Outside += IndexAt(Image, X, Y) < 0;
                const uint8_t* P = Uniform.ScanLine(Y) + 3 * X;
                NotUniform += RGB(P[2], P[1], P[0]) != Colour;
            }
        EXPECT_EQ(Outside, 0) << "style " << S;
        EXPECT_EQ(NotUniform, 0) << "equal colours, style " << S;
    }
}

TEST(GradientImage, NoneAndUnknownStylesEmptyTheImage) {
    // An unknown style is an unchecked byte from a document: no gradient, no crash.
    for (int Ordinal : {int(TGradientStyle::gsNone), GradientStyleCount, 255}) {
        TBitmap Image;
        RebuildGradientImage(clBlack, clWhite, TGradientStyle::gsRadialC, Image);
        RebuildGradientImage(clBlack, clWhite, StyleOf(Ordinal), Image);
        EXPECT_TRUE(Image.Empty()) << "ordinal " << Ordinal;
    }
}
