// Pixel effects and the stretched, rotated copy.
#include "foundation/bitmap.h"
#include "foundation/bitmap_effects.h"
#include "foundation/graphics.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <utility>

using namespace draxa;

namespace {

TColor PixelAt(const TBitmap& Bmp, int X, int Y) {
    const uint8_t* P = Bmp.ScanLine(Y) + 3 * X;
    return RGB(P[2], P[1], P[0]);
}

void SetPixelAt(TBitmap& Bmp, int X, int Y, TColor C) {
    uint8_t* P = Bmp.ScanLine(Y) + 3 * X;
    P[0] = GetBValue(C), P[1] = GetGValue(C), P[2] = GetRValue(C);
}

void FillWith(TBitmap& Bmp, TColor C) {
    for (int Y = 0; Y < Bmp.Height(); ++Y)
        for (int X = 0; X < Bmp.Width(); ++X) SetPixelAt(Bmp, X, Y, C);
}

int Count(const TBitmap& Bmp, TColor C) {
    int N = 0;
    for (int Y = 0; Y < Bmp.Height(); ++Y)
        for (int X = 0; X < Bmp.Width(); ++X) N += PixelAt(Bmp, X, Y) == C;
    return N;
}

// A distinct colour per pixel, so any misplaced pixel shows.
TColor Marker(int X, int Y) {
    return RGB(uint8_t(10 + X), uint8_t(20 + Y), 99);
}

} // namespace

TEST(BitmapEffects, ChannelEffectsOnKnownPixels) {
    using TEffect = void (*)(TBitmap&, int);
    const TEffect Brighten = BrightenBitmap, Contrast = ContrastBitmap;
    const TEffect Gray = [](TBitmap& B, int On) { GrayBitmap(B, On != 0); };
    struct Row {
        const char* Name;
        TEffect Effect;
        int Amount;
        TColor In, Out;
    };
    const TColor Mid = RGB(128, 128, 128), Spread = RGB(200, 27, 127);
    const Row Rows[] = {
        {"brighten +300 saturates", Brighten, 300, Mid, clWhite},
        {"brighten -300 saturates", Brighten, -300, Mid, clBlack},
        {"brighten by INT_MAX does not overflow", Brighten, INT_MAX, RGB(1, 2, 3), clWhite},
        {"contrast 255 pushes away from 127", Contrast, 255, Spread, RGB(255, 0, 127)},
        {"contrast -255 pulls onto 127", Contrast, -255, Spread, RGB(127, 127, 127)},
        {"contrast step truncates toward zero", Contrast, 254, RGB(128, 126, 0), RGB(128, 126, 0)},
        {"contrast by INT_MIN does not overflow", Contrast, INT_MIN, Spread, RGB(0, 255, 127)},
        {"grey of pure blue", Gray, 1, clBlue, RGB(85, 85, 85)},
        {"grey truncates the mean", Gray, 1, RGB(10, 20, 32), RGB(20, 20, 20)},
        {"grey disabled changes nothing", Gray, 0, clBlue, clBlue},
    };
    for (const Row& R : Rows) {
        TBitmap Bmp(2, 1);
        FillWith(Bmp, R.In);
        R.Effect(Bmp, R.Amount);
        EXPECT_EQ(Count(Bmp, R.Out), 2) << R.Name;
    }
}

TEST(BitmapEffects, OtherFormatsAreConvertedBeforeTheRowsAreTouched) {
    // A new 8-bit bitmap is white, a 32-bit one too; rows of either are not
    // three bytes per pixel.
    for (TPixelFormat Format : {TPixelFormat::pf8bit, TPixelFormat::pf32bit}) {
        TBitmap Bmp(5, 3, Format);
        BrightenBitmap(Bmp, -55);
        EXPECT_EQ(Bmp.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(Count(Bmp, RGB(200, 200, 200)), 15) << "format " << int(Format);
    }
}

TEST(MirrorBitmap, FlagsMirrorEachAxisAndBothTurnHalfWay) {
    struct Row {
        const char* Name;
        bool Horz, Vert;
    };
    const Row Rows[] = {
        {"neither: no change", false, false},
        {"left-right", true, false},
        {"top-bottom", false, true},
        {"both: half turn", true, true},
    };
    const int W = 3, H = 4; // odd width: the middle column stays put
    for (const Row& R : Rows) {
        TBitmap Bmp(W, H);
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X) SetPixelAt(Bmp, X, Y, Marker(X, Y));
        Bmp.SetTransparentColor(clRed);
        Bmp.SetTransparent(true);
        MirrorBitmap(Bmp, R.Horz, R.Vert);
        int Wrong = 0;
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X)
                Wrong += PixelAt(Bmp, X, Y) != Marker(R.Horz ? W - 1 - X : X, R.Vert ? H - 1 - Y : Y);
        EXPECT_EQ(Wrong, 0) << R.Name;
        EXPECT_TRUE(Bmp.Transparent()) << R.Name;
        EXPECT_EQ(Bmp.TransparentMode(), TTransparentMode::tmFixed) << R.Name;
        EXPECT_EQ(Bmp.TransparentColor(), clRed) << R.Name;
    }
}

TEST(RotatedCopy, SizeOfTheCopy) {
    const double Pi = std::acos(-1.0);
    struct Row {
        const char* Name;
        int W, H;
        double Angle;
        int NewW, NewH;
    };
    const Row Rows[] = {
        {"no turn: the stretched size", 100, 50, 0, 100, 50},
        {"quarter turn swaps the sides", 100, 50, Pi / 2, 50, 100},
        {"eighth turn holds the whole square", 10, 10, Pi / 4, 14, 14},
        {"NaN angle counts as no turn", 100, 50, std::numeric_limits<double>::quiet_NaN(), 100, 50},
        {"infinite angle counts as no turn", 100, 50, std::numeric_limits<double>::infinity(), 100, 50},
        {"zero width", 0, 50, 1, 0, 0},
        {"negative height", 10, -5, 0, 0, 0},
        {"side too long", 40000, 1, 0, 0, 0},
        {"too many pixels", 30000, 30000, 0, 0, 0},
        {"too many pixels once turned", 30000, 2000, Pi / 4, 0, 0},
    };
    for (const Row& R : Rows) {
        TBitmap Src(4, 4);
        const auto Copy = RotatedCopy(Src, R.W, R.H, R.Angle);
        ASSERT_NE(Copy, nullptr) << R.Name;
        EXPECT_EQ(Copy->Width(), R.NewW) << R.Name;
        EXPECT_EQ(Copy->Height(), R.NewH) << R.Name;
        EXPECT_EQ(Copy->PixelFormat(), TPixelFormat::pf24bit) << R.Name;
    }
}

TEST(RotatedCopy, StretchesWithoutTurningAtAngleZero) {
    TBitmap Src(2, 2);
    SetPixelAt(Src, 0, 0, clRed);
    SetPixelAt(Src, 1, 0, clLime);
    SetPixelAt(Src, 0, 1, clBlue);
    SetPixelAt(Src, 1, 1, clBlack);
    const auto Copy = RotatedCopy(Src, 4, 6, 0);
    EXPECT_EQ(Count(*Copy, clRed), 6);
    EXPECT_EQ(PixelAt(*Copy, 1, 2), clRed);
    EXPECT_EQ(PixelAt(*Copy, 2, 0), clLime);
    EXPECT_EQ(PixelAt(*Copy, 0, 5), clBlue);
    EXPECT_EQ(PixelAt(*Copy, 3, 3), clBlack);
}

TEST(RotatedCopy, TurnsAboutTheCentreWithWhiteOutside) {
    // Positive angles turn counter-clockwise on screen: the source's top-left
    // corner ends at the bottom-left, so source (X, Y) lands at (Y, 99 - X).
    TBitmap Src(100, 50);
    FillWith(Src, clBlack);
    SetPixelAt(Src, 10, 5, clRed);
    const auto Quarter = RotatedCopy(Src, 100, 50, std::acos(-1.0) / 2);
    ASSERT_EQ(Quarter->Width(), 50);
    EXPECT_EQ(PixelAt(*Quarter, 5, 89), clRed);
    EXPECT_EQ(Count(*Quarter, clRed), 1);
    EXPECT_EQ(Count(*Quarter, clWhite), 0) << "a quarter turn of an even-sized picture covers every pixel";

    const auto Eighth = RotatedCopy(Src, 10, 10, std::acos(-1.0) / 4); // 14 x 14
    for (auto [X, Y] : {std::pair(0, 0), std::pair(13, 0), std::pair(0, 13), std::pair(13, 13)})
        EXPECT_EQ(PixelAt(*Eighth, X, Y), clWhite) << X << ", " << Y;
    EXPECT_EQ(PixelAt(*Eighth, 7, 7), clBlack);
}

TEST(RotatedCopy, TransparencyIsCarriedOverAndSrcLeftOpaque) {
    struct Row {
        const char* Name;
        double Angle;
        bool Transparent;
        TColor FixedColour; // clDefault: automatic (the bottom-left pixel, blue here)
        TTransparentMode Mode;
        TColor Colour;
    };
    const Row Rows[] = {
        {"no turn keeps the automatic mode", 0, true, clDefault, TTransparentMode::tmAuto, clBlue},
        {"no turn keeps a fixed colour", 0, true, clRed, TTransparentMode::tmFixed, clRed},
        {"a turn fixes the automatic colour", 0.3, true, clDefault, TTransparentMode::tmFixed, clBlue},
        {"a turn keeps the flag off", 0.3, false, clRed, TTransparentMode::tmFixed, clRed},
    };
    for (const Row& R : Rows) {
        TBitmap Src(8, 8);
        SetPixelAt(Src, 0, 7, clBlue);
        Src.SetTransparentColor(R.FixedColour);
        Src.SetTransparent(R.Transparent);
        const auto Copy = RotatedCopy(Src, 8, 8, R.Angle);
        EXPECT_EQ(Copy->Transparent(), R.Transparent) << R.Name;
        EXPECT_EQ(Copy->TransparentMode(), R.Mode) << R.Name;
        EXPECT_EQ(Copy->TransparentColor(), R.Colour) << R.Name;
        EXPECT_FALSE(Src.Transparent()) << R.Name;
    }
}
