// Small helpers the surface's mouse handling shares between its sources
// (interaction.cpp, selection.cpp, manipulation.cpp). Not part of the
// component's interface.
#pragma once

#include "foundation/geometry.h"
#include "shapes/shape.h"

#include <algorithm>
#include <typeinfo>
#include <utility>
#include <vector>

namespace draxa::interaction {

// The shape is a T or derives from it. The answer depends on the class
// alone and is remembered per class: searches over every shape of a drawing
// ask it, and a cast walks the class tree each time.
template <class T> bool Is(const TMyShape* S) {
    if (!S) return false;
    thread_local std::vector<std::pair<const std::type_info*, bool>> Known;
    const std::type_info* Type = &typeid(*S);
    for (const auto& K : Known)
        if (K.first == Type) return K.second;
    const bool Result = dynamic_cast<const T*>(S) != nullptr;
    if (Known.size() < 64) Known.emplace_back(Type, Result);
    return Result;
}

// The shape's class is exactly T (some rules apply to a class but not to its descendants).
template <class T> bool IsExactly(const TMyShape* S) {
    return S && typeid(*S) == typeid(T);
}

// P held inside R the way a confined cursor is: Right and Bottom lie just
// outside, and an empty rectangle pins to its top-left.
inline TPoint ClampInto(const TRect& R, const TPoint& P) {
    return Point(std::max(R.Left, std::min(P.X, R.Right - 1)), std::max(R.Top, std::min(P.Y, R.Bottom - 1)));
}

inline int Sign(int V) {
    return (V > 0) - (V < 0);
}

// Screen box outside which S->PointInShape is certainly false: the bounds
// of its points (of its curve, for B-lines and arcs) grown by the reach of
// its hit test. Unbounded for shapes whose hit area is not tied to their
// points; Any is false when nothing of the shape can be hit.
struct THitBox {
    double Left, Top, Right, Bottom;
    bool Any;
    bool Holds(const TPoint& P) const {
        return Any && P.X >= Left && P.X <= Right && P.Y >= Top && P.Y <= Bottom;
    }
};
THitBox HitBoxOf(TMyShape* S);

// False only where S->PointInShape(P) is certainly false, judged from the
// screen bounds of S's points grown by the reach of its hit test; costs no
// allocation. True whenever in doubt.
bool MayHit(TMyShape* S, const TPoint& P);

} // namespace draxa::interaction
