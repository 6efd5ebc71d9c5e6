// TMyShape painting shared by every class: pen and brush from the shape
// (printer aware), the geometric outline pen, the filled polygon with its
// gradient, the info texts at the info anchor, zoomed and turned text, and the
// marks of a selected shape (hot points, link points, info anchor, hover marker).
#include "foundation/bitmap.h"
#include "foundation/bitmap_effects.h"
#include "foundation/canvas.h"
#include "shapes/canvas_presets.h"
#include "shapes/polyline.h"
#include "shapes/shape.h"
#include "shapes/shape_host.h"
#include "shapes/text.h"

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

// The colour a shape's colour is put on Canvas with: a monochrome printer
// gets the grey of the same brightness, (R + G + B) div 3, so that colours
// stay apart as grey levels instead of being left to the device's rounding.
TColor ColorForCanvas(TCanvas& Canvas, TColor Color) {
    if (!Canvas.IsPrinter() || Canvas.NumColors() != 2) return Color;
    const TColor C = ColorToRGB(Color);
    const int Grey = (GetRValue(C) + GetGValue(C) + GetBValue(C)) / 3;
    return RGB(uint8_t(Grey), uint8_t(Grey), uint8_t(Grey));
}

uint32_t LineStyleBits(TPenStyle Style) {
    switch (Style) {
    case TPenStyle::psSolid:
        return PS_SOLID;
    case TPenStyle::psDash:
        return PS_DASH;
    case TPenStyle::psDot:
        return PS_DOT;
    case TPenStyle::psDashDot:
        return PS_DASHDOT;
    case TPenStyle::psDashDotDot:
        return PS_DASHDOTDOT;
    case TPenStyle::psClear:
        return PS_NULL;
    case TPenStyle::psInsideFrame:
        return PS_INSIDEFRAME;
    }
    return PS_SOLID;
}

uint32_t JoinBits(TPenStyleJoinType Join) {
    switch (Join) {
    case TPenStyleJoinType::psjtROUND:
        return PS_JOIN_ROUND;
    case TPenStyleJoinType::psjtBEVEL:
        return PS_JOIN_BEVEL;
    case TPenStyleJoinType::psjtMITER:
        return PS_JOIN_MITER;
    case TPenStyleJoinType::psjtMASK:
        return PS_JOIN_MASK;
    }
    return PS_JOIN_ROUND;
}

uint32_t EndCapBits(TPenStyleEndCapType Cap) {
    switch (Cap) {
    case TPenStyleEndCapType::psectROUND:
        return PS_ENDCAP_ROUND;
    case TPenStyleEndCapType::psectSQUARE:
        return PS_ENDCAP_SQUARE;
    case TPenStyleEndCapType::psectFLAT:
        return PS_ENDCAP_FLAT;
    case TPenStyleEndCapType::psectMASK:
        return PS_ENDCAP_MASK;
    }
    return PS_ENDCAP_ROUND;
}

// Brush colour, style and pattern of a shape's brush, as Canvas shows them.
void CopyBrushFor(TCanvas& Canvas, const TBrush& From, TBrush& To) {
    const bool Clear = From.Style() == TBrushStyle::bsClear;
    // A pattern fills whatever the style says, so a clear brush takes none.
    To.SetBitmap(Clear ? nullptr : From.Bitmap());
    To.SetStyle(From.Style());
    To.SetColor(ColorForCanvas(Canvas, From.Color()));
    // Setting the colour has made a clear brush solid again.
    if (Clear) To.SetStyle(TBrushStyle::bsClear);
}

// Hot points show as circles while the host rotates.
bool RotatingMode(const TShapeHost& Host) {
    return Host.Mode() == TInteractionMode::Rotating || Host.Mode() == TInteractionMode::RotateSelecting;
}

// Screen position of a shape's turned gradient image at zoom Z: the top-left
// of its points. A polygon's points need not reach the corners of its own
// frame, so it takes the bounds of that frame turned with the shape.
TPoint GradientOrigin(const TMyShape& Shape, double Z) {
    TMyPoint TopLeft = Shape.GetCorner(0);
    if (dynamic_cast<const TMyPolygon*>(&Shape)) {
        const TMyPoint C = Shape.RotateCenter();
        const float A = Shape.Angle();
        TArrMyPoint Unturned;
        Unturned.reserve(Shape.Points().size());
        for (const TMyPoint& P : Shape.Points()) Unturned.push_back(RotateMyPoint(P, C, -A));
        const TMyRect F = BoundsOfMyPoints(Unturned);
        TArrMyPoint Corners;
        for (const TMyPoint& P : {MyPoint(F.Left, F.Top), MyPoint(F.Right, F.Top), MyPoint(F.Right, F.Bottom),
                                  MyPoint(F.Left, F.Bottom)})
            Corners.push_back(RotateMyPoint(P, C, A));
        const TMyRect B = BoundsOfMyPoints(Corners);
        TopLeft = MyPoint(B.Left, B.Top);
    }
    return Point(RoundHalfEven(Z * TopLeft.X), RoundHalfEven(Z * TopLeft.Y));
}

// Outlined, filled square of half-size S around P, each corner rounded.
void DrawSquare(TCanvas& Canvas, const TMyPoint& P, int S) {
    Canvas.Rectangle(RoundHalfEven(double(P.X) - S), RoundHalfEven(double(P.Y) - S),
                     RoundHalfEven(double(P.X) + S), RoundHalfEven(double(P.Y) + S));
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
    // In pixel range whatever the anchor and the zoom, so that the lines
    // laid out around it stay in integer range.
    const TPoint Anchor = RoundMyPoint(LogicalToScreen(FInfoPos));
    const double AX = Anchor.X, AY = Anchor.Y;
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

void TMyShape::ApplyPenBrush(TCanvas& Canvas) {
    // The shape's pen is the outline pen from here on, even where its values
    // match those of the canvas pen (which then would not drop a geometric pen).
    Canvas.SelectGeometricPen(std::nullopt);
    CopyBrushFor(Canvas, FBrush, Canvas.Brush());
    TPen& Pen = Canvas.Pen();
    Pen.SetColor(ColorForCanvas(Canvas, FPen.Color()));
    Pen.SetStyle(FPen.Style());
    // Cosmetic widths are device pixels, also on a printer; the outline pen
    // of SelectGeometricPen is the one that scales with the zoom there.
    Pen.SetWidth(FPen.Width());
    Pen.SetMode(TPenMode::pmCopy);
}

void TMyShape::ApplyArrowFill(TCanvas& Canvas) {
    Canvas.SelectGeometricPen(std::nullopt);
    Canvas.Font().Assign(FFont);
    const TColor LineColor = ColorForCanvas(Canvas, FPen.Color());
    TPen& Pen = Canvas.Pen();
    Pen.SetColor(LineColor);
    Pen.SetStyle(FPen.Style());
    Pen.SetWidth(FPen.Width());
    Pen.SetMode(TPenMode::pmCopy);
    // Arrow heads are filled with the line colour.
    Canvas.Brush().SetBitmap(nullptr);
    Canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    Canvas.Brush().SetColor(LineColor);
}

std::optional<TGeometricPen> TMyShape::SelectGeometricPen(TCanvas& Canvas, TPenStyle Style, int Width,
                                                          TColor Color) {
    TGeometricPen Pen;
    Pen.Style =
        PS_GEOMETRIC | JoinBits(FPenStyleJoinType) | EndCapBits(FPenStyleEndCapType) | LineStyleBits(Style);
    // Printer pixels are far smaller than screen pixels: the outline keeps
    // its weight on paper by growing with the zoom the page is printed at.
    Pen.Width = Canvas.IsPrinter() ? std::max(1, RoundHalfEven(Zoom() * Width)) : Width;
    // Greyed like the canvas pen, so outlines and the rest of the shape print
    // in the same grey on a monochrome printer.
    Pen.Color = ColorForCanvas(Canvas, Color);
    return Canvas.SelectGeometricPen(Pen);
}

void TMyShape::PaintPolygon(TCanvas& Canvas, const TArrPoint& Points, bool Fill, int Count) {
    if (Fill) {
        const int N = std::clamp(Count, 0, int(Points.size()));
        // Exact: the pixels of a region. Smooth: the figure filled as a path.
        const bool Smooth = Canvas.Antialiased();
        const TRegion Region = Smooth ? TRegion() : TRegion::FromPolygon(Points.data(), N, WINDING);
        // The gradient image covers the shape's own (unrotated) frame and
        // turns with it; the fill's edge hides the white corners of the
        // turned copy. There is none for an unknown style.
        const double Z = Zoom();
        const TBitmap* Turned =
            FGradientStyle == TGradientStyle::gsNone || (Smooth ? N < 3 : Region.IsEmpty())
                ? nullptr
                : FGradient.Turned(FColorBegin, FColorEnd, FGradientStyle,
                                   RoundHalfEven(Z * UnrotatedWidth()), RoundHalfEven(Z * UnrotatedHeight()),
                                   -FAngle);
        // A clear brush leaves the gradient visible; a solid one covers it.
        TBrush Brush;
        CopyBrushFor(Canvas, FBrush, Brush);
        if (Smooth) {
            if (Turned) Canvas.FillPolygonSmooth(Points.data(), N, *Turned, GradientOrigin(*this, Z));
            Canvas.FillPolygonSmooth(Points.data(), N, Brush);
        } else {
            if (Turned) {
                const TPoint At = GradientOrigin(*this, Z);
                Canvas.SelectClipRgn(&Region);
                Canvas.Draw(At.X, At.Y, *Turned);
            }
            Canvas.FillRgn(Region, Brush);
            // Only the clip set here is removed: a caller's own clip stays
            // when there was no gradient to confine.
            if (Turned) Canvas.SelectClipRgn(nullptr);
        }
    }
    const std::optional<TGeometricPen> Previous =
        SelectGeometricPen(Canvas, FPen.Style(), FPen.Width(), FPen.Color());
    Canvas.StrokePolygon(Points);
    Canvas.SelectGeometricPen(Previous);
}

void TMyShape::DrawHotPoint(TCanvas& Canvas, const TMyPoint& P) {
    if (!FHotShow) return;
    const int Size = FHost->HotSize();
    // Members of a group show smaller marks than the group around them.
    const int Half = IsGrouped() ? Size / 2 : Size;
    if (FLocked) {
        UseLockedPreset(Canvas);
        DrawSquare(Canvas, P, Half);
        return;
    }
    UseHotPreset(Canvas);
    if (RotatingMode(*FHost)) {
        if (!FRotateEnable) return;
        if (!IsGrouped()) {
            // A round mark says that dragging it turns the shape.
            Canvas.Ellipse(RoundHalfEven(double(P.X) - Size), RoundHalfEven(double(P.Y) - Size),
                           RoundHalfEven(double(P.X) + Size), RoundHalfEven(double(P.Y) + Size));
            return;
        }
    }
    DrawSquare(Canvas, P, Half);
}

void TMyShape::DrawLinkPoints(TCanvas& Canvas) {
    if (!(FHost->HotShow() && FHost->ShowHotLink())) return;
    constexpr double Arm = 2.5;
    for (int I = 0; I < LinkPointCount(); ++I) {
        const TMyPoint P = GetScreenLinkPoint(I);
        UseHotPreset(Canvas);
        Canvas.Pen().SetColor(clBlue);
        DrawLineF(Canvas, MyPoint(float(P.X - Arm), float(P.Y - Arm)),
                  MyPoint(float(P.X + Arm), float(P.Y + Arm)));
        DrawLineF(Canvas, MyPoint(float(P.X + Arm), float(P.Y - Arm)),
                  MyPoint(float(P.X - Arm), float(P.Y + Arm)));
    }
}

void TMyShape::DrawInfoAnchor(TCanvas& Canvas, const TMyPoint& P) {
    // A text box is its own text: it has no separate anchor to drag.
    if (dynamic_cast<const TMyText*>(this)) return;
    if (FInfo.isEmpty() && FMultiInfo.isEmpty()) return;
    const double S = FHost->HotSize();
    const double X = P.X, Y = P.Y;
    const TArrPoint Diamond{
        Point(RoundHalfEven(X - S), RoundHalfEven(Y)), Point(RoundHalfEven(X), RoundHalfEven(Y - S)),
        Point(RoundHalfEven(X + S), RoundHalfEven(Y)), Point(RoundHalfEven(X), RoundHalfEven(Y + S))};
    Canvas.Polygon(Diamond);
}

void TMyShape::DrawLineF(TCanvas& Canvas, const TMyPoint& P1, const TMyPoint& P2) {
    const TPoint A = RoundMyPoint(P1), B = RoundMyPoint(P2);
    Canvas.MoveTo(A.X, A.Y);
    Canvas.LineTo(B.X, B.Y);
}

} // namespace draxa
