// Colours and the drawing tools a canvas holds: pen, brush and font.
//
// These are plain value objects with a change notification, so that a shape
// can hear when its own pen, brush or font is edited and pass the change on
// to the members of its group.
#pragma once

#include "draxa_export.h"

#include <QFont>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace draxa {

class TBitmap;

// A colour as $00BBGGRR. Values with the top byte $FF name a system colour
// (the low byte is its index); clNone and clDefault are the two markers.
using TColor = uint32_t;

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;

constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clScrollBar = clSystemColor | 0, clBackground = clSystemColor | 1,
                 clActiveCaption = clSystemColor | 2, clInactiveCaption = clSystemColor | 3,
                 clMenu = clSystemColor | 4, clWindow = clSystemColor | 5, clWindowFrame = clSystemColor | 6,
                 clMenuText = clSystemColor | 7, clWindowText = clSystemColor | 8,
                 clCaptionText = clSystemColor | 9, clActiveBorder = clSystemColor | 10,
                 clInactiveBorder = clSystemColor | 11, clAppWorkSpace = clSystemColor | 12,
                 clHighlight = clSystemColor | 13, clHighlightText = clSystemColor | 14,
                 clBtnFace = clSystemColor | 15, clBtnShadow = clSystemColor | 16,
                 clGrayText = clSystemColor | 17, clBtnText = clSystemColor | 18,
                 clInactiveCaptionText = clSystemColor | 19, clBtnHighlight = clSystemColor | 20,
                 cl3DDkShadow = clSystemColor | 21, cl3DLight = clSystemColor | 22,
                 clInfoText = clSystemColor | 23, clInfoBk = clSystemColor | 24,
                 clHotLight = clSystemColor | 26, clGradientActiveCaption = clSystemColor | 27,
                 clGradientInactiveCaption = clSystemColor | 28, clMenuHighlight = clSystemColor | 29,
                 clMenuBar = clSystemColor | 30;

// Plain $00BBGGRR for any colour: system colours come from a fixed table (the
// classic desktop scheme), so drawings look the same on every machine;
// clNone gives white, clDefault black. An older system-colour encoding with
// only the top bit set ($80000000 | index) is accepted too.
DRAXA_EXPORT TColor ColorToRGB(TColor Color);
constexpr TColor RGB(uint8_t R, uint8_t G, uint8_t B) {
    return TColor(R) | (TColor(G) << 8) | (TColor(B) << 16);
}
constexpr uint8_t GetRValue(TColor C) {
    return uint8_t(C & 0xFF);
}
constexpr uint8_t GetGValue(TColor C) {
    return uint8_t((C >> 8) & 0xFF);
}
constexpr uint8_t GetBValue(TColor C) {
    return uint8_t((C >> 16) & 0xFF);
}
// Opaque Qt colour of a TColor (system colours resolved).
DRAXA_EXPORT QColor ToQColor(TColor Color);
// TColor of a Qt colour (alpha dropped).
DRAXA_EXPORT TColor FromQColor(const QColor& Color);
// TColor of a 32-bit pixel read from a QImage (0xAARRGGBB).
DRAXA_EXPORT TColor FromQRgb(uint32_t Rgb);
// 0xFFRRGGBB pixel for a TColor.
DRAXA_EXPORT uint32_t ToQRgb(TColor Color);

// The order of these enumerations is stored in documents: never reorder.
enum class TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class TPenMode : uint8_t {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};
enum class TBrushStyle : uint8_t {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};
enum class TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
constexpr uint8_t DEFAULT_CHARSET = 1, ANSI_CHARSET = 0;

// Font style set; the bit positions are the ones documents store.
enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

// Common base: a change notification fired after every effective change.
class DRAXA_EXPORT TGraphicsObject {
public:
    std::function<void()> OnChange;

protected:
    void Changed() {
        if (OnChange) OnChange();
    }
};

// Outline pen. Width is in device pixels; 0 and 1 give a one-pixel line.
class DRAXA_EXPORT TPen : public TGraphicsObject {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor V);
    int Width() const { return FWidth; }
    void SetWidth(int V); // negative widths become 1
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle V);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode V);
    // Copies colour, width, style and mode; fires one change.
    void Assign(const TPen& Source);
    bool operator==(const TPen& O) const {
        return FColor == O.FColor && FWidth == O.FWidth && FStyle == O.FStyle && FMode == O.FMode;
    }

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = TPenStyle::psSolid;
    TPenMode FMode = TPenMode::pmCopy;
};

// Fill brush: a colour with a solid, clear or hatched style, or a pattern
// picture that is tiled instead. The brush owns its pattern.
class DRAXA_EXPORT TBrush : public TGraphicsObject {
public:
    TBrush();
    TBrush(const TBrush&) = delete;
    TBrush& operator=(const TBrush&) = delete;
    ~TBrush();

    TColor Color() const { return FColor; }
    // Setting a colour makes a clear brush solid, as a painter expects.
    void SetColor(TColor V);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle V);
    // The pattern picture, or nullptr. A brush with a pattern fills with it.
    TBitmap* Bitmap() const { return FBitmap.get(); }
    // Takes a copy of Source (nullptr removes the pattern).
    void SetBitmap(const TBitmap* Source);
    // Copies colour, style and pattern (the pattern is copied, never shared).
    void Assign(const TBrush& Source);

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = TBrushStyle::bsSolid;
    std::unique_ptr<TBitmap> FBitmap;
};

// Text font. Size is in points, Height in pixels at PixelsPerInch: a negative
// height is the character height, a positive one the cell height (with the
// internal leading). Setting either sets the other.
class DRAXA_EXPORT TFont : public TGraphicsObject {
public:
    TFont();
    QString Name() const { return FName; }
    void SetName(const QString& V);
    int Size() const;
    void SetSize(int V);
    int Height() const { return FHeight; }
    void SetHeight(int V);
    TColor Color() const { return FColor; }
    void SetColor(TColor V);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles V);
    uint8_t Charset() const { return FCharset; }
    void SetCharset(uint8_t V);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch V);
    int PixelsPerInch() const { return FPixelsPerInch; }
    // Stored as it is; Height keeps its value and Size follows from it.
    void SetPixelsPerInch(int V);
    // Copies every attribute; fires one change.
    void Assign(const TFont& Source);

private:
    QString FName;
    int FHeight;
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
    uint8_t FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = TFontPitch::fpDefault;
    int FPixelsPerInch;
};

// The screen's pixels per inch: 96 unless the application sets it from the
// screen. Lengths in physical units and font sizes depend on it.
DRAXA_EXPORT int ScreenPixelsPerInch();
DRAXA_EXPORT void SetScreenPixelsPerInch(int V);

// Integer a * b / c rounded to nearest, as the platform's MulDiv (c = 0 gives -1).
DRAXA_EXPORT int MulDiv(int A, int B, int C);

} // namespace draxa
