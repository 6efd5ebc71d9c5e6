// What each shape class measures, in logical units: the length of its line
// or curve and the area it encloses. Curves are sampled finely in floating
// point (not in the rounded screen pixels they are painted with), so that a
// measure does not depend on the zoom.
#include "shapes/curves.h"
#include "shapes/elli_arc.h"
#include "shapes/ellipse_group.h"
#include "shapes/line.h"
#include "shapes/polyline.h"
#include "shapes/rectangle.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace draxa {

namespace {

struct TXY {
    double X, Y;
};

constexpr double TwoPi = 6.28318530717958647692;
// Samples per Bezier segment and per elliptic quarter: the chords of a
// quarter circle of radius R in 256 samples fall short of the arc by about
// R x 5e-6, far below what a drawing shows.
constexpr int SegmentSamples = 256;
// Ends closer than this (logical units) make a polyline or curve closed.
constexpr double ClosingDistance = 0.5;

TXY Of(const TMyPoint& P) {
    return {double(P.X), double(P.Y)};
}

double ChainLength(const std::vector<TXY>& P) {
    double L = 0;
    for (size_t I = 1; I < P.size(); ++I) L += std::hypot(P[I].X - P[I - 1].X, P[I].Y - P[I - 1].Y);
    return L;
}

// The area of the ring through P, closed from the last point back to the first.
double RingArea(const std::vector<TXY>& P) {
    if (P.size() < 3) return 0;
    double Twice = 0;
    for (size_t I = 0; I < P.size(); ++I) {
        const TXY& A = P[I];
        const TXY& B = P[(I + 1) % P.size()];
        Twice += A.X * B.Y - B.X * A.Y;
    }
    return std::fabs(Twice) / 2;
}

// A chain whose ends meet, with room for an area between them.
bool ClosedChain(const std::vector<TXY>& P) {
    return P.size() >= 4 && std::hypot(P.front().X - P.back().X, P.front().Y - P.back().Y) < ClosingDistance;
}

std::vector<TXY> Vertices(const TMyShape& S) {
    std::vector<TXY> P;
    P.reserve(S.Points().size());
    for (const TMyPoint& Q : S.Points()) P.push_back(Of(Q));
    return P;
}

// The cubic segments of a poly-Bezier (start, two controls, end, ...); an
// unfinished last segment is left out.
std::vector<TXY> BezierSamples(const TArrMyPoint& Q) {
    std::vector<TXY> Out;
    if (Q.size() < 4) return Out;
    Out.push_back(Of(Q[0]));
    for (size_t K = 0; K + 3 < Q.size(); K += 3) {
        const TXY P0 = Of(Q[K]), P1 = Of(Q[K + 1]), P2 = Of(Q[K + 2]), P3 = Of(Q[K + 3]);
        for (int I = 1; I <= SegmentSamples; ++I) {
            const double T = double(I) / SegmentSamples, U = 1 - T;
            const double A = U * U * U, B = 3 * U * U * T, C = 3 * U * T * T, D = T * T * T;
            Out.push_back(
                {A * P0.X + B * P1.X + C * P2.X + D * P3.X, A * P0.Y + B * P1.Y + C * P2.Y + D * P3.Y});
        }
    }
    return Out;
}

// The B-line's curve through its logical vertices, solved as painting
// solves it from the screen vertices (the spline is the same at every scale).
std::vector<TXY> BLineSamples(const TArrMyPoint& Vertices) {
    std::vector<TXY> Out;
    if (Vertices.size() < 2) return Out;
    TMyBLine Work(&StandaloneShapeHost());
    for (const TMyPoint& P : Vertices) Work.AddControlPoint(P);
    Work.SolveControlPoints();
    const int Steps = std::max(TMyBLine::CurveSteps, int(Vertices.size() - 1) * 64);
    Out.reserve(size_t(Steps) + 1);
    for (int I = 0; I <= Steps; ++I) Out.push_back(Of(Work.CurvePoint(double(I) / Steps)));
    return Out;
}

// The circle through three points: false when they lie in a line.
bool CircleThrough(const TXY& P0, const TXY& P1, const TXY& P2, TXY& Centre, double& Radius) {
    const double B = 2 * ((P0.X - P1.X) * (P2.Y - P1.Y) - (P0.Y - P1.Y) * (P2.X - P1.X));
    const double Scale = std::max({std::fabs(P0.X - P1.X), std::fabs(P0.Y - P1.Y), std::fabs(P2.X - P1.X),
                                   std::fabs(P2.Y - P1.Y), 1e-12});
    if (std::fabs(B) < 1e-9 * Scale * Scale) return false;
    const double S0 = (P0.X - P1.X) * (P0.X + P1.X) + (P0.Y - P1.Y) * (P0.Y + P1.Y);
    const double S2 = (P2.X - P1.X) * (P2.X + P1.X) + (P2.Y - P1.Y) * (P2.Y + P1.Y);
    Centre.X = (S0 * (P2.Y - P1.Y) - S2 * (P0.Y - P1.Y)) / B;
    Centre.Y = (S2 * (P0.X - P1.X) - S0 * (P2.X - P1.X)) / B;
    Radius = std::hypot(P0.X - Centre.X, P0.Y - Centre.Y);
    return true;
}

// Clockwise sweep on screen from angle From to angle To, in [0, 2 Pi).
double Sweep(double From, double To) {
    const double D = std::fmod(To - From, TwoPi);
    return D < 0 ? D + TwoPi : D;
}

// The angle a circle arc from P0 through P1 to P2 sweeps, as the arc is
// drawn: the way round from the start that passes the middle point.
double ArcSweep(const TXY& P0, const TXY& P1, const TXY& P2, const TXY& C) {
    const double A0 = std::atan2(P0.Y - C.Y, P0.X - C.X);
    const double A1 = std::atan2(P1.Y - C.Y, P1.X - C.X);
    const double A2 = std::atan2(P2.Y - C.Y, P2.X - C.X);
    const double ToEnd = Sweep(A0, A2);
    return Sweep(A0, A1) < ToEnd ? ToEnd : TwoPi - ToEnd;
}

// The elliptic quarter through three points, as the arc paints it.
std::vector<TXY> EllipseArcSamples(const TXY& P0, const TXY& P1, const TXY& P2) {
    const double AX = 3.414 * P2.X - 4.828 * P1.X + 2.414 * P0.X;
    const double AY = 3.414 * P2.Y - 4.828 * P1.Y + 2.414 * P0.Y;
    const double BX = -1.414 * P2.X + 4.828 * P1.X - 3.414 * P0.X;
    const double BY = -1.414 * P2.Y + 4.828 * P1.Y - 3.414 * P0.Y;
    std::vector<TXY> Out;
    Out.reserve(SegmentSamples + 2);
    for (int K = 0; K <= SegmentSamples; ++K) {
        const double U = double(K) / SegmentSamples, D = U * U + 1;
        Out.push_back({(AX * U * U + BX * U + P0.X) / D, (AY * U * U + BY * U + P0.Y) / D});
    }
    // The painted curve ends on the end point itself.
    Out.push_back(P2);
    return Out;
}

} // namespace

std::optional<double> TMyLine::MeasuredLength() const {
    return ChainLength(Vertices(*this));
}

std::optional<double> TMyPolyLine::MeasuredArea() const {
    const std::vector<TXY> P = Vertices(*this);
    if (!ClosedChain(P)) return std::nullopt;
    return RingArea(P);
}

std::optional<double> TMyPolygon::MeasuredArea() const {
    return RingArea(Vertices(*this));
}

std::optional<double> TMyRectangle::MeasuredArea() const {
    if (PointCount() < 4) return 0.0;
    return UnrotatedWidth() * UnrotatedHeight();
}

std::optional<double> TMyEllipse::MeasuredArea() const {
    if (PointCount() < 4) return 0.0;
    return TwoPi / 8 * UnrotatedWidth() * UnrotatedHeight();
}

std::optional<double> TMyElliArc::MeasuredLength() const {
    if (PointCount() < 3) return 0.0;
    const TXY P0 = Of(Points()[0]), P1 = Of(Points()[1]), P2 = Of(Points()[2]);
    if (FArcMode == TArcMode::amEllipse) return ChainLength(EllipseArcSamples(P0, P1, P2));
    TXY C{0, 0};
    double R = 0;
    if (!CircleThrough(P0, P1, P2, C, R)) return std::hypot(P2.X - P0.X, P2.Y - P0.Y);
    return R * ArcSweep(P0, P1, P2, C);
}

std::optional<double> TMyElliArc::MeasuredArea() const {
    // Only a circle arc closed by its chord or through its centre encloses anything.
    if (FArcMode != TArcMode::amCircle || FArcStyle == TArcStyle::asArc) return std::nullopt;
    if (PointCount() < 3) return 0.0;
    const TXY P0 = Of(Points()[0]), P1 = Of(Points()[1]), P2 = Of(Points()[2]);
    TXY C{0, 0};
    double R = 0;
    if (!CircleThrough(P0, P1, P2, C, R)) return 0.0;
    const double A = ArcSweep(P0, P1, P2, C);
    return FArcStyle == TArcStyle::asSector ? R * R * A / 2 : R * R * (A - std::sin(A)) / 2;
}

std::optional<double> TMyPolyBezier::MeasuredLength() const {
    return ChainLength(BezierSamples(Points()));
}

std::optional<double> TMyPolyBezier::MeasuredArea() const {
    const std::vector<TXY> P = BezierSamples(Points());
    if (!ClosedChain(P)) return std::nullopt;
    return RingArea(P);
}

std::optional<double> TMyBLine::MeasuredLength() const {
    return ChainLength(BLineSamples(Points()));
}

std::optional<double> TMyBLine::MeasuredArea() const {
    const std::vector<TXY> P = BLineSamples(Points());
    if (!ClosedChain(P)) return std::nullopt;
    return RingArea(P);
}

} // namespace draxa
