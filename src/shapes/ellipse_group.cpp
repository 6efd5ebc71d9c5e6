// TMyEllipse: its outline, previews, painting and area text; TMyGroup's
// painting. TMyCombine has no behaviour of its own.
#include "shapes/ellipse_group.h"

#include "foundation/canvas.h"
#include "shapes/shape_host.h"

#include <cmath>

namespace draxa {

namespace {

constexpr double Pi = 3.14159265358979323846;

} // namespace

// ---- TMyEllipse ------------------------------------------------------------

TArrPoint TMyEllipse::OutlineAround(const TMyPoint& Centre) const {
    const double Z = Zoom();
    const double A = UnrotatedWidth() * Z / 2;
    const double B = UnrotatedHeight() * Z / 2;
    const double CosT = std::cos(double(FAngle)), SinT = std::sin(double(FAngle));
    TArrPoint Result;
    Result.reserve(OutlinePointCount);
    for (int I = 0; I < OutlinePointCount; ++I) {
        // Parametrised from the end of the height axis, so that point 0 lies
        // below the centre of an unturned ellipse.
        const double T = I * Pi / 36;
        const double X = A * std::sin(T), Y = B * std::cos(T);
        Result.push_back(Point(RoundHalfEven(X * CosT - Y * SinT + Centre.X),
                               RoundHalfEven(X * SinT + Y * CosT + Centre.Y)));
    }
    return Result;
}

TArrPoint TMyEllipse::ScreenOutline() const {
    return OutlineAround(GetScreenRotateCenter());
}

void TMyEllipse::DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) {
    if (PointCount() < 4) return;
    const TMyPoint C = GetScreenRotateCenter();
    const TArrPoint K = OutlineAround(
        MyPoint(float(double(C.X) + ToPt.X - FromPt.X), float(double(C.Y) + ToPt.Y - FromPt.Y)));
    Canvas.BeginPath();
    Canvas.MoveTo(K[0].X, K[0].Y);
    for (size_t I = 1; I < K.size(); ++I) Canvas.LineTo(K[I].X, K[I].Y);
    Canvas.EndPath();
    Canvas.StrokeAndFillPath();
}

void TMyEllipse::DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) {
    Canvas.Ellipse(P1.X, P1.Y, P2.X, P2.Y);
}

void TMyEllipse::Paint(TCanvas& Canvas) {
    if (PointCount() >= 4) {
        ApplyPenBrush(Canvas);
        const TArrPoint K = ScreenOutline();
        PaintPolygon(Canvas, K, true, int(K.size()));
    }
    DrawInfo(Canvas);
}

void TMyEllipse::UpdateMeasureInfo(QString& Text) {
    // The half axes, logical.
    const double HalfW = UnrotatedWidth() / 2;
    const double HalfH = UnrotatedHeight() / 2;
    const double R = FHost->Ratio();
    const double D = ScreenPixelsPerInch();
    const double SquareInches = HalfH * HalfW * (R * R / (D * D)) * Pi;
    const double SquareMm = SquareInches * 25.4 * 25.4;
    Text = AreaText(Pi * R * R * HalfW * HalfH, SquareMm, SquareInches);
    SetInfo(Text);
}

// ---- TMyGroup ----------------------------------------------------------------

void TMyGroup::Paint(TCanvas& Canvas) {
    // The box is only the members' frame: it shows through its hot points
    // when selected, never as a drawn outline.
    DrawInfo(Canvas);
}

} // namespace draxa
