// TMyShape painting shared by every class: the info texts at the info
// anchor, zoomed and turned text, and the hover marker.
#include "foundation/canvas.h"
#include "shapes/shape.h"
#include "surface/draxa.h"

#include <algorithm>
#include <vector>

namespace draxa {

namespace {

constexpr double Pi = 3.14159265358979323846;

// Installs Font on the canvas at Zoom: the character height is the point
// size times Zoom, in pixels, so info texts grow with the drawing. The pitch
// stays the canvas's own.
void SelectZoomedFont(TCanvas& Canvas, double Zoom, const TFont& Font) {
    TFont& F = Canvas.Font();
    F.SetName(Font.Name());
    F.SetStyle(Font.Style());
    F.SetCharset(Font.Charset());
    F.SetHeight(-RoundHalfEven(Font.Size() * Zoom));
}

} // namespace

void TMyShape::Paint(TCanvas& Canvas) {
    DrawInfo(Canvas);
}

TPoint TMyShape::MeasureText(TCanvas& Canvas, const QString& Text, double Zoom, double, const TFont& Font) {
    // The extent is that of the unturned string, whatever the angle.
    SelectZoomedFont(Canvas, Zoom, Font);
    return Canvas.TextExtent(Text);
}

void TMyShape::DrawText(TCanvas& Canvas, int X, int Y, double Zoom, double Angle, const TFont& Font,
                        const QString& Text) {
    Canvas.Font().SetColor(Font.Color());
    SelectZoomedFont(Canvas, Zoom, Font);
    // Tenths of a degree, counter-clockwise on the canvas, while shape angles
    // turn clockwise on screen.
    const int Escapement = RoundHalfEven(Angle * 180 / Pi * 10 * -1);
    // Our canvas keeps turn and glyph smoothing apart from its font, so they
    // would outlive this call and affect the next unrelated text: put them back.
    const int OldEscapement = Canvas.FontEscapement();
    const bool OldAntialias = Canvas.FontAntialias();
    Canvas.SetFontEscapement(Escapement);
    Canvas.SetFontAntialias(true);
    Canvas.SetBkMode(TRANSPARENT);
    Canvas.TextOut(X, Y, Text);
    Canvas.SetFontEscapement(OldEscapement);
    Canvas.SetFontAntialias(OldAntialias);
}

void TMyShape::DrawInfo(TCanvas& Canvas) {
    if (!FCaptionShow) return;
    const double Z = Zoom();
    const double AX = RoundHalfEven(Z * FInfoPos.X);
    const double AY = RoundHalfEven(Z * FInfoPos.Y);
    // The texts never turn with the shape: they are labels, read upright.
    if (!FInfo.isEmpty()) {
        const TPoint E = MeasureText(Canvas, FInfo, Z, 0, FFont);
        DrawText(Canvas, RoundHalfEven(AX - E.X / 2.0), RoundHalfEven(AY - E.Y / 2.0), Z, 0, FFont, FInfo);
        return;
    }
    if (FMultiInfo.isEmpty()) return;

    std::vector<int> Widths;
    Widths.reserve(size_t(FMultiInfo.size()));
    int W = 0, H = 0, L = 0;
    for (const QString& Line : FMultiInfo) {
        const TPoint E = MeasureText(Canvas, Line, Z, 0, FFont);
        Widths.push_back(E.X);
        W = std::max(W, E.X);
        H += E.Y;
        L = E.Y;
    }
    const int X0 = RoundHalfEven(AX - W / 2.0);
    int Y = RoundHalfEven(AY - H / 2.0);
    for (int I = 0; I < FMultiInfo.size(); ++I) {
        const int Wl = Widths[size_t(I)];
        int X = X0;
        switch (FMultiInfoAlignment) {
        case TAlignment::taLeftJustify:
            break;
        case TAlignment::taRightJustify:
            X = X0 + W - Wl;
            break;
        case TAlignment::taCenter:
            X = X0 + RoundHalfEven((W - Wl) / 2.0);
            break;
        }
        DrawText(Canvas, X, Y, Z, 0, FFont, FMultiInfo[I]);
        Y += L;
    }
}

void TMyShape::DrawMarker(TCanvas& Canvas, const TMyPoint& P) {
    // A locked shape offers no point to connect to, so it shows no mark.
    if (FLocked) return;
    TPen& Pen = Canvas.Pen();
    Pen.SetWidth(1);
    Pen.SetColor(clBlack);
    Pen.SetStyle(TPenStyle::psSolid);
    Pen.SetMode(TPenMode::pmCopy);
    // A pattern left on the canvas brush would fill the mark in place of the clear brush.
    Canvas.Brush().SetBitmap(nullptr);
    Canvas.Brush().SetColor(HotPointColor());
    Canvas.Brush().SetStyle(TBrushStyle::bsSolid);

    Pen.SetWidth(2);
    Pen.SetColor(clRed);
    Pen.SetMode(TPenMode::pmNotXor);
    Canvas.Brush().SetStyle(TBrushStyle::bsClear);
    Canvas.Rectangle(RoundHalfEven(P.X - 5.0), RoundHalfEven(P.Y - 5.0), RoundHalfEven(P.X + 5.0),
                     RoundHalfEven(P.Y + 5.0));
}

} // namespace draxa
