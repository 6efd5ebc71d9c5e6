#include "foundation/bitmap_effects.h"

#include "foundation/canvas.h"
#include "foundation/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace draxa {

namespace {

// Converts Bmp to 24 bits so that every row holds exactly three bytes per
// pixel. False if the pixels still have another layout, which the bitmap's
// contract rules out; the effect then leaves them alone rather than guess.
bool MakeTrueColour(TBitmap& Bmp) {
    Bmp.SetPixelFormat(TPixelFormat::pf24bit);
    return Bmp.Empty() || Bmp.Image().format() == QImage::Format_BGR888;
}

size_t RowBytes(const TBitmap& Bmp) {
    return size_t(Bmp.Width()) * 3;
}

// Replaces every channel byte c with Table[c].
void MapChannels(TBitmap& Bmp, const uint8_t (&Table)[256]) {
    if (!MakeTrueColour(Bmp)) return;
    const size_t Bytes = RowBytes(Bmp);
    for (int Y = 0; Y < Bmp.Height(); ++Y) {
        uint8_t* Row = Bmp.ScanLine(Y);
        for (size_t I = 0; I < Bytes; ++I) Row[I] = Table[Row[I]];
    }
}

uint8_t ClampByte(long long V) {
    return uint8_t(std::clamp<long long>(V, 0, 255));
}

} // namespace

void MirrorBitmap(TBitmap& Bmp, bool Horz, bool Vert) {
    if ((!Horz && !Vert) || !MakeTrueColour(Bmp)) return;
    const int W = Bmp.Width();
    const size_t Bytes = RowBytes(Bmp);
    // In place, so the transparency settings stay with the bitmap untouched.
    if (Vert)
        for (int Top = 0, Bottom = Bmp.Height() - 1; Top < Bottom; ++Top, --Bottom) {
            uint8_t* A = Bmp.ScanLine(Top);
            std::swap_ranges(A, A + Bytes, Bmp.ScanLine(Bottom));
        }
    if (Horz)
        for (int Y = 0; Y < Bmp.Height(); ++Y) {
            uint8_t* Row = Bmp.ScanLine(Y);
            for (int Left = 0, Right = W - 1; Left < Right; ++Left, --Right)
                std::swap_ranges(Row + 3 * Left, Row + 3 * Left + 3, Row + 3 * Right);
        }
}

void GrayBitmap(TBitmap& Bmp, bool Enabled) {
    if (!Enabled || !MakeTrueColour(Bmp)) return;
    const int W = Bmp.Width();
    for (int Y = 0; Y < Bmp.Height(); ++Y) {
        uint8_t* P = Bmp.ScanLine(Y);
        for (int X = 0; X < W; ++X, P += 3) {
            const uint8_t Grey = uint8_t((P[0] + P[1] + P[2]) / 3);
            P[0] = P[1] = P[2] = Grey;
        }
    }
}

void BrightenBitmap(TBitmap& Bmp, int Amount) {
    if (Amount == 0) return;
    uint8_t Table[256];
    for (int C = 0; C < 256; ++C) Table[C] = ClampByte(static_cast<long long>(C) + Amount);
    MapChannels(Bmp, Table);
}

void ContrastBitmap(TBitmap& Bmp, int Amount) {
    if (Amount == 0) return;
    uint8_t Table[256];
    for (int C = 0; C < 256; ++C) {
        // 64-bit, so that no Amount can overflow; division truncates toward zero.
        const long long F = static_cast<long long>(std::abs(127 - C)) * Amount / 255;
        Table[C] = ClampByte(C > 127 ? C + F : C - F);
    }
    MapChannels(Bmp, Table);
}

std::unique_ptr<TBitmap> RotatedCopy(TBitmap& Src, int W, int H, double Angle) {
    // The stretch below must copy every pixel, the transparent ones included;
    // the copy carries the transparency instead, and Src stays opaque.
    const bool WasTransparent = Src.Transparent();
    const TTransparentMode Mode = Src.TransparentMode();
    const TColor Colour = Src.TransparentColor();
    Src.SetTransparent(false);

    const auto KeepTransparency = [&](TBitmap& Bmp) {
        if (Mode == TTransparentMode::tmFixed) Bmp.SetTransparentColor(Colour);
        Bmp.SetTransparentMode(Mode);
        Bmp.SetTransparent(WasTransparent);
    };
    const auto Refused = [&] {
        auto Empty = std::make_unique<TBitmap>();
        KeepTransparency(*Empty);
        return Empty;
    };

    if (!std::isfinite(Angle)) Angle = 0;
    if (W <= 0 || H <= 0 || W > MaxRotatedSide || H > MaxRotatedSide ||
        static_cast<long long>(W) * H > MaxRotatedPixels)
        return Refused();
    const double C = std::cos(Angle), S = std::sin(Angle);
    // The turned rectangle's bounding box; checked before anything is allocated.
    const int NewW = Angle == 0 ? W : RoundHalfEven(std::fabs(W * C) + std::fabs(H * S));
    const int NewH = Angle == 0 ? H : RoundHalfEven(std::fabs(W * S) + std::fabs(H * C));
    if (NewW <= 0 || NewH <= 0 || NewW > MaxRotatedSide || NewH > MaxRotatedSide ||
        static_cast<long long>(NewW) * NewH > MaxRotatedPixels)
        return Refused();

    // A new bitmap is white already, the colour of a fresh canvas's brush, so
    // parts that Src does not cover stay white.
    auto Work = std::make_unique<TBitmap>(W, H, TPixelFormat::pf24bit);
    Work->Canvas().StretchDraw(Rect(0, 0, W, H), Src);
    if (Angle == 0) {
        Work->Canvas().Release(); // the caller may read the rows at once
        KeepTransparency(*Work);
        return Work;
    }

    std::vector<const uint8_t*> WorkRows(size_t(H), nullptr);
    for (int Y = 0; Y < H; ++Y) WorkRows[size_t(Y)] = Work->ScanLine(Y);

    auto Result = std::make_unique<TBitmap>(NewW, NewH, TPixelFormat::pf24bit);
    // Each result pixel looks up the Work pixel that turns onto it, in doubled
    // coordinates (2 * offset + 1 is a pixel centre) so that only the turn
    // itself needs rounding; the divisions truncate toward zero. With an odd
    // side the centre lies half a pixel off the middle, so a half turn of
    // such a picture moves it by one pixel.
    const int CX = W / 2, CY = H / 2;
    const int OX = (NewW - W) / 2 + CX, OY = (NewH - H) / 2 + CY;
    for (int Y = NewH - 1; Y >= 0; --Y) {
        uint8_t* Row = Result->ScanLine(Y);
        const int YY = 2 * (Y - OY) + 1;
        for (int X = NewW - 1; X >= 0; --X) {
            const int XX = 2 * (X - OX) + 1;
            const int SX = (RoundHalfEven(C * XX - S * YY) - 1) / 2 + CX;
            const int SY = (RoundHalfEven(S * XX + C * YY) - 1) / 2 + CY;
            uint8_t* Pixel = Row + 3 * size_t(X);
            if (SX >= 0 && SX < W && SY >= 0 && SY < H)
                std::memcpy(Pixel, WorkRows[size_t(SY)] + 3 * size_t(SX), 3);
            else
                std::memset(Pixel, 255, 3);
        }
    }
    // The turned copy's bottom-left pixel is usually a white corner, so the
    // transparent colour is fixed to the one Src had.
    Result->SetTransparentColor(Colour);
    Result->SetTransparentMode(TTransparentMode::tmFixed);
    Result->SetTransparent(WasTransparent);
    return Result;
}

} // namespace draxa
