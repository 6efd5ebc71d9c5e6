// The quick test before a shape's own hit test: hover, the press and the
// other searches over every shape ask it first and skip the shapes it rules
// out, so a mouse event costs little more than a walk over the list.
#include "surface/interaction_p.h"

#include "shapes/shape_registry.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <utility>
#include <vector>

namespace draxa::interaction {

THitBox HitBoxOf(TMyShape* S) {
    const THitBox Anywhere{-HUGE_VAL, -HUGE_VAL, HUGE_VAL, HUGE_VAL, true};
    const TShapeClass& Class = S->Class();
    const int Reach = Class.HitReach;
    if (Class.HitFromCurve) {
        TRect R;
        // No samples, no hit; a curve keeps its samples for its own test.
        if (!S->CurveHitBounds(R)) return THitBox{0, 0, 0, 0, false};
        return THitBox{double(R.Left) - Reach, double(R.Top) - Reach, double(R.Right) + Reach,
                       double(R.Bottom) + Reach, true};
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
