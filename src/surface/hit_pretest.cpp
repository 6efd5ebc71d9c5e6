// The quick test before a shape's own hit test: hover, the press and the
// other searches over every shape ask it first and skip the shapes it rules
// out, so a mouse event costs little more than a walk over the list.
#include "surface/interaction_p.h"

#include "shapes/curves.h"
#include "shapes/elli_arc.h"
#include "shapes/line.h"
#include "shapes/polyline.h"
#include "shapes/rectangle.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <utility>
#include <vector>

namespace draxa::interaction {

namespace {

// How far beyond the screen bounds of its points a shape's own hit test can
// reach: lines take a band of 8 pixels beside level and upright segments,
// curves 10 pixels; freehand lines, polygons and boxes (with everything
// built on them) stay inside their corners. The extra 2 pixels cover the
// rounding of the vertices. -1: the hit area is not tied to the points'
// bounds (arcs, shapes unknown here), so the shape is always asked.
// BLineReach: the bounds of the curve's samples are asked instead.
constexpr int BLineReach = -2;
// ArcReach: the bounds of the arc's points and curve are asked instead.
constexpr int ArcReach = -3;

int ReachOfClass(TMyShape* S) {
    if (dynamic_cast<TMyBLine*>(S)) return BLineReach;
    if (dynamic_cast<TMyElliArc*>(S)) return ArcReach;
    if (dynamic_cast<TMyRectangle*>(S) || dynamic_cast<TMyFreeLine*>(S) || dynamic_cast<TMyPolygon*>(S))
        return 2;
    if (dynamic_cast<TMyLine*>(S)) return 8 + 2;
    if (dynamic_cast<TMyPolyBezier*>(S)) return CurveHitDistance + 2;
    return -1;
}

// The same per class, remembered by the class's type record: hover asks for
// every shape on every mouse move, and the casts cost more than the test.
int HoverReach(TMyShape* S) {
    thread_local std::vector<std::pair<const std::type_info*, int>> Known;
    const std::type_info* Type = &typeid(*S);
    for (const auto& K : Known)
        if (K.first == Type) return K.second;
    const int Reach = ReachOfClass(S);
    if (Known.size() < 64) Known.emplace_back(Type, Reach);
    return Reach;
}

} // namespace

THitBox HitBoxOf(TMyShape* S) {
    const THitBox Anywhere{-HUGE_VAL, -HUGE_VAL, HUGE_VAL, HUGE_VAL, true};
    const int Reach = HoverReach(S);
    if (Reach == BLineReach || Reach == ArcReach) {
        TRect R;
        // No samples, no hit; a B-line keeps its samples for its own test.
        const bool Any = Reach == BLineReach ? static_cast<TMyBLine*>(S)->HitCurveBounds(R)
                                             : static_cast<TMyElliArc*>(S)->HitBounds(R);
        if (!Any) return THitBox{0, 0, 0, 0, false};
        const double D = CurveHitDistance + 2;
        return THitBox{R.Left - D, R.Top - D, R.Right + D, R.Bottom + D, true};
    }
    if (Reach < 0 || S->PointCount() == 0) return Anywhere;
    const TArrMyPoint& Points = S->Points();
    float L = Points[0].X, T = Points[0].Y, Rt = L, Bm = T;
    for (const TMyPoint& Q : Points) {
        // A point off the number line rounds somewhere unforeseeable.
        if (!std::isfinite(Q.X) || !std::isfinite(Q.Y)) return Anywhere;
        L = std::min(L, Q.X);
        Rt = std::max(Rt, Q.X);
        T = std::min(T, Q.Y);
        Bm = std::max(Bm, Q.Y);
    }
    // Scaling keeps (or, for a negative zoom, reverses) the order, so the
    // corners give the screen bounds.
    const TMyPoint A = S->LogicalToScreen(MyPoint(L, T)), B = S->LogicalToScreen(MyPoint(Rt, Bm));
    if (!std::isfinite(A.X) || !std::isfinite(A.Y) || !std::isfinite(B.X) || !std::isfinite(B.Y))
        return Anywhere;
    const double SL = std::min(A.X, B.X), SR = std::max(A.X, B.X), ST = std::min(A.Y, B.Y),
                 SB = std::max(A.Y, B.Y);
    // The shapes scale in single precision: far from the origin that strays
    // by more than the rounding allowance.
    const double Slack = Reach + 1e-6 * std::max({std::abs(SL), std::abs(ST), std::abs(SR), std::abs(SB)});
    return THitBox{SL - Slack, ST - Slack, SR + Slack, SB + Slack, true};
}

bool MayHit(TMyShape* S, const TPoint& P) {
    return HitBoxOf(S).Holds(P);
}

} // namespace draxa::interaction
