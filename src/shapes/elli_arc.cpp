// TMyElliArc: the circle and ellipse curves through three points, previews,
// creation, mirroring, the rotate centre, painting, the hit test and the
// arc's tail of the shape record.
#include "shapes/elli_arc.h"

#include "foundation/canvas.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/canvas_presets.h"
#include "shapes/curves.h"
#include "shapes/shape_host.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

namespace draxa {

namespace {

// A full turn as the step counts use it, and as the angles wrap.
constexpr double Turn = 6.28319;
constexpr double TwoPi = 6.28318530717958647692;
// The angle of a point straight below (or above) the centre.
constexpr double QuarterTurn = 1.570795;
// Coordinates beyond this many pixels could overflow the 64-bit products of
// the centre; such an arc is not drawn.
constexpr int32_t MaxArcCoordinate = 1 << 29;
// Chords of a huge circle are so long already that more of them add nothing
// visible; the cap keeps a nearly straight arc from taking all memory.
constexpr int MaxArcSteps = 1 << 16;

constexpr int ArcModeCount = int(TArcMode::amEllipse) + 1;
constexpr int ArcStyleCount = int(TArcStyle::asSector) + 1;

// The straight cases: points so nearly in a line that the arc is drawn as the
// segment from P0 to P2.
bool LooksStraight(const TPoint& P0, const TPoint& P1, const TPoint& P2) {
    if (P1.X == P0.X && P1.X == P2.X) return true;
    if (P1.X == P0.X) return false;
    if (P1.Y == P0.Y) return P1.Y == P2.Y;
    // P2 close to P1 is a genuine (if tight) bend, not a straight line.
    if (std::abs(double(P2.X) - P1.X) <= 4 && std::abs(double(P2.Y) - P1.Y) <= 4) return false;
    const double DX = double(P1.X) - P0.X, DY = double(P1.Y) - P0.Y;
    if (std::fabs(DY) < std::fabs(DX)) {
        const double YL = DY / DX * (double(P2.X) - P0.X) + P0.Y;
        return YL - 3 <= P2.Y && P2.Y <= YL + 3;
    }
    const double XL = DX / DY * (double(P2.Y) - P0.Y) + P0.X;
    return XL - 3 <= P2.X && P2.X <= XL + 3;
}

bool WithinArcRange(const TPoint& P) {
    return std::abs(int64_t(P.X)) <= MaxArcCoordinate && std::abs(int64_t(P.Y)) <= MaxArcCoordinate;
}

// Radians the arc advances per chord: about 3.81 pixels on circles of an inch
// (96 pixels) or more, finer on small circles.
double AngularStep(double R) {
    double K = 0.15;
    if (R < 5.08)
        K = 0.015;
    else if (R < 7.62)
        K = 0.06;
    else if (R < 25.4)
        K = 0.075;
    return K * 25.4 / R;
}

// Clockwise sweep on screen from angle From to angle To, in [0, 2 Pi).
double Sweep(double From, double To) {
    const double D = std::fmod(To - From, TwoPi);
    return D < 0 ? D + TwoPi : D;
}

TPoint Shifted(const TPoint& P, double DX, double DY) {
    return Point(RoundHalfEven(P.X + DX), RoundHalfEven(P.Y + DY));
}

} // namespace

TMyElliArc::TMyElliArc(TShapeHost* AHost) : TMyShape(AHost) {
    FArcMode = FHost->ArcMode();
}

bool TMyElliArc::ScreenArcPoints(TArcPoints& Points) const {
    const int N = PointCount();
    if (N == 0) return false;
    for (int I = 0; I < 3; ++I) Points[size_t(I)] = RoundMyPoint(GetScreenPoint(std::min(I, N - 1)));
    return true;
}

// ---- the two curves ---------------------------------------------------------------

TMyElliArc::TArcOutline TMyElliArc::CircleArcOutline(const TArcPoints& Points) const {
    TArcOutline Out;
    const TPoint P0 = Points[0], P1 = Points[1], P2 = Points[2];
    if (LooksStraight(P0, P1, P2)) {
        Out.Points = {P0, P2};
        return Out;
    }
    if (!WithinArcRange(P0) || !WithinArcRange(P1) || !WithinArcRange(P2)) return Out;

    // The centre, with exact integer products so that points in a line are
    // recognised exactly.
    const int64_t X0 = P0.X, Y0 = P0.Y, X1 = P1.X, Y1 = P1.Y, X2 = P2.X, Y2 = P2.Y;
    const int64_t D0 = (X0 - X1) * (X0 + X1) + (Y0 + Y1) * (Y0 - Y1);
    const int64_t D2 = (X2 - X1) * (X1 + X2) + (Y1 + Y2) * (Y2 - Y1);
    const int64_t B = (Y2 - Y1) * (X0 - X1) - (X1 - X2) * (Y1 - Y0);
    if (B == 0) return Out;
    const double CX = (double(D0) * double(Y2 - Y1) + double(D2) * double(Y1 - Y0)) / (2.0 * double(B));
    const double CY = (double(D0) * double(X1 - X2) + double(D2) * double(X0 - X1)) / (2.0 * double(B));

    const double R = std::hypot(X0 - CX, Y0 - CY);
    auto AngleOf = [&](const TPoint& Q) {
        if (Q.X == CX) return Q.Y > CY ? QuarterTurn : -QuarterTurn;
        return std::atan2(Q.Y - CY, Q.X - CX);
    };
    const double A0 = AngleOf(P0), A1 = AngleOf(P1), A2 = AngleOf(P2);
    const double S = AngularStep(R);
    auto At = [&](double A) {
        return Point(RoundHalfEven(R * std::cos(A) + CX), RoundHalfEven(R * std::sin(A) + CY));
    };

    // The arc runs clockwise from the start when the middle point lies on
    // that sweep, otherwise clockwise from the end back to the start. (Asking
    // the angles rather than whether a traced arc came near the middle point
    // keeps an end clicked just beside the middle point from sending the arc
    // round the whole circle.)
    const bool FromStart = Sweep(A0, A1) < Sweep(A0, A2);
    const double U = FromStart ? A0 : A2;
    double V = FromStart ? A2 : A0;
    if (V < U) V += Turn;
    int Steps = RoundHalfEven((V - U) / S + 0.5);
    if (Steps == 0) Steps = RoundHalfEven(Turn / S + 0.5);
    Steps = std::min(Steps, MaxArcSteps);
    // A huge circle still gets its whole sweep, in longer chords.
    const double Step = std::max(S, (V - U) / Steps);

    TArrPoint& Q = Out.Points;
    Q.reserve(size_t(Steps) + 3);
    double A = U;
    Q.push_back(At(A));
    for (int J = 1; J < Steps; ++J) {
        A += Step;
        Q.push_back(At(A));
    }
    Q.push_back(FromStart ? P2 : P0);

    const TPoint First = Q.front();
    switch (FArcStyle) {
    case TArcStyle::asArc:
        break;
    case TArcStyle::asChord:
        Q.push_back(First);
        Out.Closed = true;
        break;
    case TArcStyle::asSector:
        Q.push_back(Point(RoundHalfEven(CX), RoundHalfEven(CY)));
        Q.push_back(First);
        Out.Closed = true;
        break;
    }
    return Out;
}

TArrPoint TMyElliArc::EllipseArcPoints(const TArcPoints& Points) {
    // An affine image of a quarter circle in rational quadratic form: P0 at
    // u = 0, P2 at u = 1, P1 (nearly) at u = tan(Pi / 8).
    const double X0 = Points[0].X, Y0 = Points[0].Y;
    const double X1 = Points[1].X, Y1 = Points[1].Y;
    const double X2 = Points[2].X, Y2 = Points[2].Y;
    const double AX = 3.414 * X2 - 4.828 * X1 + 2.414 * X0;
    const double AY = 3.414 * Y2 - 4.828 * Y1 + 2.414 * Y0;
    const double BX = -1.414 * X2 + 4.828 * X1 - 3.414 * X0;
    const double BY = -1.414 * Y2 + 4.828 * Y1 - 3.414 * Y0;
    // No segments (A nearly zero) leaves the straight segment P0-P2.
    const int N = RoundHalfEven(std::sqrt(100 * std::hypot(AX, AY)));

    TArrPoint Result;
    Result.reserve(size_t(std::max(N, 0)) + 2);
    Result.push_back(Points[0]);
    for (int K = 1; K <= N; ++K) {
        const double U = double(K) / N, D = U * U + 1;
        Result.push_back(Point(RoundHalfEven((AX * U * U + BX * U + X0) / D),
                               RoundHalfEven((AY * U * U + BY * U + Y0) / D)));
    }
    Result.push_back(Points[2]);
    return Result;
}

void TMyElliArc::DrawCircleArc(TCanvas& Canvas, const TArcPoints& Points, bool Fill) {
    const TArcOutline Outline = CircleArcOutline(Points);
    if (Fill && Outline.Closed) Canvas.FillRgn(CreatePolygonRgn(Outline.Points, ALTERNATE), Canvas.Brush());
    DrawPointChain(Canvas, Outline.Points);
}

void TMyElliArc::DrawEllipseArc(TCanvas& Canvas, const TArcPoints& Points) {
    DrawPointChain(Canvas, EllipseArcPoints(Points));
}

TArrPoint TMyElliArc::OpenArcPoints(const TArcPoints& Points) const {
    if (FArcMode == TArcMode::amEllipse) return EllipseArcPoints(Points);
    return CircleArcOutline(Points).Points;
}

// ---- outline previews --------------------------------------------------------------

void TMyElliArc::DrawPreview(TCanvas& Canvas, const TArcPoints& Points) {
    // Previews follow the mode, so an ellipse arc is dragged as the curve it is.
    if (FArcMode == TArcMode::amEllipse)
        DrawEllipseArc(Canvas, Points);
    else
        DrawCircleArc(Canvas, Points, false);
}

void TMyElliArc::DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) {
    TArcPoints P;
    if (!ScreenArcPoints(P)) return;
    const double DX = double(ToPt.X) - FromPt.X, DY = double(ToPt.Y) - FromPt.Y;
    for (TPoint& Q : P) Q = Shifted(Q, DX, DY);
    DrawPreview(Canvas, P);
}

void TMyElliArc::DrawCreating(TCanvas& Canvas, const TPoint&, const TPoint& P2) {
    const int N = PointCount();
    if (N == 1) {
        DrawHotPoint(Canvas, GetScreenPoint(0));
        return;
    }
    if (N != 2) return;
    const TArcPoints P{RoundMyPoint(GetScreenPoint(0)), RoundMyPoint(GetScreenPoint(1)), P2};
    // The ellipse form has no sensible curve while the end shares a row or
    // column with the middle point.
    if (FArcMode == TArcMode::amEllipse && (P2.X == P[1].X || P2.Y == P[1].Y)) return;
    DrawHotPoint(Canvas, GetScreenPoint(0));
    DrawHotPoint(Canvas, GetScreenPoint(1));
    UsePreviewPreset(Canvas);
    DrawPreview(Canvas, P);
}

void TMyElliArc::DrawRotating(TCanvas& Canvas, const TMyPoint& Centre, double DAngle) {
    if (PointCount() == 0) return;
    UsePreviewPreset(Canvas);
    TArcPoints P;
    for (int I = 0; I < 3; ++I)
        P[size_t(I)] =
            RoundMyPoint(RotateMyPoint(GetScreenPoint(std::min(I, PointCount() - 1)), Centre, float(DAngle)));
    DrawPreview(Canvas, P);
}

void TMyElliArc::DrawResizing(TCanvas& Canvas, const TMyPoint&, const TMyPoint& ToPt) {
    TArcPoints P;
    if (!ScreenArcPoints(P) || FHotIndex < 0 || FHotIndex > 2) return;
    P[size_t(FHotIndex)] = RoundMyPoint(ToPt);
    DrawPreview(Canvas, P);
}

// ---- creation, hot points, resizing --------------------------------------------

bool TMyElliArc::IsCreateFinished(TMouseButton, const TPoint&) {
    // A click on the previous point's spot (a double click) adds nothing.
    if (PointCount() == 2 && MutablePoints()[1] == MutablePoints()[0]) MutablePoints().pop_back();
    if (PointCount() != 3) return false;
    if (Points()[2] == Points()[1]) {
        MutablePoints().pop_back();
        return false;
    }
    return true;
}

void TMyElliArc::DrawHotPoints(TCanvas& Canvas) {
    if (!FHost->HotShow()) return;
    for (int I = 0; I < PointCount(); ++I) DrawHotPoint(Canvas, GetScreenPoint(I));
    DrawInfoAnchor(Canvas, LogicalToScreen(FInfoPos));
}

int TMyElliArc::HotPointAt(const TPoint& P) {
    FHotIndex = PointUnder(*this, P);
    return FHotIndex;
}

void TMyElliArc::ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) {
    if (FHotIndex >= 0 && FHotIndex < PointCount())
        MovePointBy(FHotIndex, double(ToPt.X) - FromPt.X, double(ToPt.Y) - FromPt.Y);
    if (!Points().empty()) FRotateCenter = GetCorner(4);
}

// ---- copying, painting, mirroring ------------------------------------------------

void TMyElliArc::Assign(const TMyShape& Source) {
    if (&Source == this) return;
    TMyShape::Assign(Source);
    if (const auto* A = dynamic_cast<const TMyElliArc*>(&Source)) {
        FArcStyle = A->FArcStyle;
        FArcMode = A->FArcMode;
    }
}

void TMyElliArc::Paint(TCanvas& Canvas) {
    TArcPoints P;
    if (ScreenArcPoints(P)) {
        ApplyPenBrush(Canvas);
        TArrPoint Chain;
        if (FArcMode == TArcMode::amEllipse) {
            Chain = EllipseArcPoints(P);
        } else {
            TArcOutline Outline = CircleArcOutline(P);
            // The canvas only records inside a path bracket, so the chord or
            // sector is filled before the outline is stroked over it.
            if (Outline.Closed) Canvas.FillRgn(CreatePolygonRgn(Outline.Points, ALTERNATE), Canvas.Brush());
            Chain = std::move(Outline.Points);
        }
        const std::optional<TGeometricPen> Previous =
            SelectGeometricPen(Canvas, FPen.Style(), FPen.Width(), FPen.Color());
        Canvas.BeginPath();
        DrawPointChain(Canvas, Chain);
        Canvas.EndPath();
        Canvas.StrokePath();
        Canvas.SelectGeometricPen(Previous);
    }
    DrawInfo(Canvas);
}

void TMyElliArc::SwapEnds() {
    if (PointCount() >= 3) std::swap(MutablePoints()[0], MutablePoints()[2]);
}

void TMyElliArc::FlipHorz() {
    TMyShape::FlipHorz();
    SwapEnds();
}

void TMyElliArc::FlipVert() {
    TMyShape::FlipVert();
    SwapEnds();
}

TMyPoint TMyElliArc::GetRotateCenter() const {
    if (FArcMode == TArcMode::amEllipse || PointCount() < 3) return FRotateCenter;
    const TMyPoint P0 = Points()[0], P1 = Points()[1], P2 = Points()[2];
    const TMyPoint Middle = MyPoint(float((double(P0.X) + P2.X) / 2), float((double(P0.Y) + P2.Y) / 2));
    // An arc drawn as a straight segment turns and mirrors about its middle,
    // not about a centre far off screen.
    TArcPoints Screen;
    ScreenArcPoints(Screen);
    if (LooksStraight(Screen[0], Screen[1], Screen[2])) return Middle;

    const double X0 = P0.X, Y0 = P0.Y, X1 = P1.X, Y1 = P1.Y, X2 = P2.X, Y2 = P2.Y;
    const double D0 = (X0 - X1) * (X0 + X1) + (Y0 + Y1) * (Y0 - Y1);
    const double D2 = (X2 - X1) * (X1 + X2) + (Y1 + Y2) * (Y2 - Y1);
    const double B = (Y2 - Y1) * (X0 - X1) - (X1 - X2) * (Y1 - Y0);
    if (B == 0) return Middle;
    const double CX = (D0 * (Y2 - Y1) + D2 * (Y1 - Y0)) / (2 * B);
    const double CY = (D0 * (X1 - X2) + D2 * (X0 - X1)) / (2 * B);
    if (!std::isfinite(CX) || !std::isfinite(CY)) return Middle;
    return MyPoint(float(CX), float(CY));
}

TMyPoint TMyElliArc::GetScreenRotateCenter() const {
    return LogicalToScreen(GetRotateCenter());
}

// ---- hit testing -------------------------------------------------------------------

bool TMyElliArc::PointInShape(TCanvas&, const TPoint& P) {
    TArcPoints Q;
    if (!ScreenArcPoints(Q)) return false;
    if (PtInRegion(CreatePolygonRgn(TArrPoint(Q.begin(), Q.end()), ALTERNATE), P.X, P.Y)) return true;
    // The arc is a chain of straight chords already: flattening it as a path
    // would give back the same points, so they are tested as they are.
    if (FArcMode == TArcMode::amEllipse) return ChainNear(EllipseArcPoints(Q), P);
    return ChainNear(CircleArcOutline(Q).Points, P);
}

bool TMyElliArc::HitBounds(TRect& Bounds) const {
    TArcPoints Q;
    if (!ScreenArcPoints(Q)) return false;
    const TArrPoint Chain =
        FArcMode == TArcMode::amEllipse ? EllipseArcPoints(Q) : CircleArcOutline(Q).Points;
    Bounds = TRect{Q[0].X, Q[0].Y, Q[0].X, Q[0].Y};
    const auto Take = [&Bounds](const TPoint& P) {
        Bounds.Left = std::min(Bounds.Left, P.X);
        Bounds.Top = std::min(Bounds.Top, P.Y);
        Bounds.Right = std::max(Bounds.Right, P.X);
        Bounds.Bottom = std::max(Bounds.Bottom, P.Y);
    };
    for (const TPoint& P : Q) Take(P);
    for (const TPoint& P : Chain) Take(P);
    return true;
}

// ---- stream ------------------------------------------------------------------------

void TMyElliArc::SaveToStream(TStream& Stream, const TWriteContext& Context) {
    TMyShape::SaveToStream(Stream, Context);
    WriteByte(Stream, static_cast<uint8_t>(FArcMode));
    WriteByte(Stream, static_cast<uint8_t>(FArcStyle));
}

void TMyElliArc::LoadFromStream(TStream& Stream, const TReadContext& Context) {
    TMyShape::LoadFromStream(Stream, Context);
    const uint8_t Mode = ReadByte(Stream);
    const uint8_t Style = ReadByte(Stream);
    // Such a byte means the reader has lost its place or the document is damaged.
    if (Mode >= ArcModeCount)
        throw EReadError("Stream read error: arc mode " + std::to_string(Mode) + " is out of range 0.." +
                         std::to_string(ArcModeCount - 1));
    if (Style >= ArcStyleCount)
        throw EReadError("Stream read error: arc style " + std::to_string(Style) + " is out of range 0.." +
                         std::to_string(ArcStyleCount - 1));
    FArcMode = static_cast<TArcMode>(Mode);
    FArcStyle = static_cast<TArcStyle>(Style);
}

} // namespace draxa
