#include "foundation/graphics.h"

#include "foundation/bitmap.h"

#include <QColor>

#include <cmath>

namespace draxa {

namespace {

// The classic desktop scheme, indexed by system colour number, as $00BBGGRR.
constexpr TColor kSystemColors[] = {
    0xC8C8C8, //  0 scroll bar
    0x000000, //  1 desktop background
    0x6A240A, //  2 active caption
    0x808080, //  3 inactive caption
    0xC8D0D4, //  4 menu
    0xFFFFFF, //  5 window
    0x000000, //  6 window frame
    0x000000, //  7 menu text
    0x000000, //  8 window text
    0xFFFFFF, //  9 caption text
    0xC8D0D4, // 10 active border
    0xC8D0D4, // 11 inactive border
    0x808080, // 12 application workspace
    0x6A240A, // 13 highlight
    0xFFFFFF, // 14 highlight text
    0xC8D0D4, // 15 button face
    0x808080, // 16 button shadow
    0x808080, // 17 grey text
    0x000000, // 18 button text
    0xC8D0D4, // 19 inactive caption text
    0xFFFFFF, // 20 button highlight
    0x404040, // 21 3D dark shadow
    0xC8D0D4, // 22 3D light
    0x000000, // 23 info text
    0xE1FFFF, // 24 info background
    0xB5B5B5, // 25 (unused)
    0x800000, // 26 hot light
    0xF0CAA6, // 27 gradient active caption
    0xC0C0C0, // 28 gradient inactive caption
    0x6A240A, // 29 menu highlight
    0xC8D0D4, // 30 menu bar
};

int gScreenPixelsPerInch = 96;

} // namespace

TColor ColorToRGB(TColor Color) {
    if (Color == clNone) return clWhite;
    if (Color == clDefault) return clBlack;
    if (Color & 0x80000000u) {
        const unsigned Index = Color & 0xFF;
        return Index < std::size(kSystemColors) ? kSystemColors[Index] : clBlack;
    }
    return Color & 0x00FFFFFF;
}

QColor ToQColor(TColor Color) {
    const TColor C = ColorToRGB(Color);
    return QColor(GetRValue(C), GetGValue(C), GetBValue(C));
}

TColor FromQColor(const QColor& Color) {
    return RGB(uint8_t(Color.red()), uint8_t(Color.green()), uint8_t(Color.blue()));
}

TColor FromQRgb(uint32_t Rgb) {
    return RGB(uint8_t(Rgb >> 16), uint8_t(Rgb >> 8), uint8_t(Rgb));
}

uint32_t ToQRgb(TColor Color) {
    const TColor C = ColorToRGB(Color);
    return 0xFF000000u | (uint32_t(GetRValue(C)) << 16) | (uint32_t(GetGValue(C)) << 8) | GetBValue(C);
}

int ScreenPixelsPerInch() {
    return gScreenPixelsPerInch;
}
void SetScreenPixelsPerInch(int V) {
    if (V > 0) gScreenPixelsPerInch = V;
}

int MulDiv(int A, int B, int C) {
    if (C == 0) return -1;
    // Exact in 64 bits (|A * B| <= 2^62); halves go to the even neighbour.
    const int64_t P = int64_t(A) * B;
    int64_t Q = P / C;
    const int64_t R = P % C;
    const int64_t TwiceR = 2 * (R < 0 ? -R : R), AbsC = C < 0 ? -int64_t(C) : int64_t(C);
    if (TwiceR > AbsC || (TwiceR == AbsC && Q % 2 != 0)) Q += (P < 0) != (C < 0) ? -1 : 1;
    if (Q > INT32_MAX || Q < INT32_MIN) return -1;
    return static_cast<int>(Q);
}

// ---- TPen ----

void TPen::SetColor(TColor V) {
    if (FColor == V) return;
    FColor = V;
    Changed();
}

void TPen::SetWidth(int V) {
    if (V < 0) V = 1;
    if (FWidth == V) return;
    FWidth = V;
    Changed();
}

void TPen::SetStyle(TPenStyle V) {
    if (FStyle == V) return;
    FStyle = V;
    Changed();
}

void TPen::SetMode(TPenMode V) {
    if (FMode == V) return;
    FMode = V;
    Changed();
}

void TPen::Assign(const TPen& Source) {
    if (&Source == this) return;
    FColor = Source.FColor;
    FWidth = Source.FWidth;
    FStyle = Source.FStyle;
    FMode = Source.FMode;
    Changed();
}

// ---- TBrush ----

TBrush::TBrush() = default;
TBrush::~TBrush() = default;

void TBrush::SetColor(TColor V) {
    if (FColor == V && FStyle != TBrushStyle::bsClear) return;
    FColor = V;
    if (FStyle == TBrushStyle::bsClear) FStyle = TBrushStyle::bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle V) {
    if (FStyle == V) return;
    FStyle = V;
    Changed();
}

void TBrush::SetBitmap(const TBitmap* Source) {
    if (Source == FBitmap.get()) return;
    if (Source) {
        auto Copy = std::make_unique<TBitmap>();
        Copy->Assign(*Source);
        FBitmap = std::move(Copy);
    } else {
        FBitmap.reset();
    }
    Changed();
}

void TBrush::Assign(const TBrush& Source) {
    if (&Source == this) return;
    FColor = Source.FColor;
    FStyle = Source.FStyle;
    if (Source.FBitmap) {
        auto Copy = std::make_unique<TBitmap>();
        Copy->Assign(*Source.FBitmap);
        FBitmap = std::move(Copy);
    } else {
        FBitmap.reset();
    }
    Changed();
}

// ---- TFont ----

TFont::TFont() : FName(QStringLiteral("MS Sans Serif")), FPixelsPerInch(ScreenPixelsPerInch()) {
    FHeight = -MulDiv(8, FPixelsPerInch, 72);
}

void TFont::SetName(const QString& V) {
    if (FName == V) return;
    FName = V;
    Changed();
}

namespace {
// Heights and sizes have opposite signs; INT_MIN (from a document) has no
// negation, so it saturates.
int NegatedSaturating(int V) {
    return V == INT32_MIN ? INT32_MAX : -V;
}
} // namespace

int TFont::Size() const {
    return NegatedSaturating(MulDiv(FHeight, 72, FPixelsPerInch));
}

void TFont::SetSize(int V) {
    SetHeight(NegatedSaturating(MulDiv(V, FPixelsPerInch, 72)));
}

void TFont::SetHeight(int V) {
    if (FHeight == V) return;
    FHeight = V;
    Changed();
}

void TFont::SetColor(TColor V) {
    if (FColor == V) return;
    FColor = V;
    Changed();
}

void TFont::SetStyle(TFontStyles V) {
    V &= (fsBold | fsItalic | fsUnderline | fsStrikeOut);
    if (FStyle == V) return;
    FStyle = V;
    Changed();
}

void TFont::SetCharset(uint8_t V) {
    if (FCharset == V) return;
    FCharset = V;
    Changed();
}

void TFont::SetPitch(TFontPitch V) {
    if (FPitch == V) return;
    FPitch = V;
    Changed();
}

void TFont::SetPixelsPerInch(int V) {
    // A zero or negative resolution from a damaged document would divide by zero later.
    if (V <= 0 || FPixelsPerInch == V) return;
    FPixelsPerInch = V;
    Changed();
}

void TFont::Assign(const TFont& Source) {
    if (&Source == this) return;
    FName = Source.FName;
    FHeight = Source.FHeight;
    FColor = Source.FColor;
    FStyle = Source.FStyle;
    FCharset = Source.FCharset;
    FPitch = Source.FPitch;
    FPixelsPerInch = Source.FPixelsPerInch;
    Changed();
}

} // namespace draxa
