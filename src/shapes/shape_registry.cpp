// The shape classes, one registration line each.
#include "shapes/shape_registry.h"

#include "shapes/curves.h"
#include "shapes/elli_arc.h"
#include "shapes/ellipse_group.h"
#include "shapes/image.h"
#include "shapes/line.h"
#include "shapes/link_line.h"
#include "shapes/link_point.h"
#include "shapes/polyline.h"
#include "shapes/rectangle.h"
#include "shapes/rule_line.h"
#include "shapes/text.h"

namespace draxa {

namespace {

template <class T> TMyShape* Make(TShapeHost* Host) {
    return new T(Host);
}

// Boxes and freehand strokes stay inside their corners; straight segments
// are hit within a band of 8 pixels; curves and arcs within the curve hit
// distance of their samples. The extra 2 pixels cover vertex rounding.
constexpr int BoxReach = 2;
constexpr int LineReach = LineHitDistance + 2;
constexpr int CurveReach = CurveHitDistance + 2;

constexpr TPointCountRule Two{2, 2, 1}, TwoOrMore{2, -1, 1}, Four{4, 4, 1}, ThreeOrMore{3, -1, 1},
    BezierJoints{1, -1, 3}, Any{0, -1, 1};

std::vector<TShapeClass> Register() {
    using T = TDrawTool;
    const std::nullopt_t None = std::nullopt;
    // name, factory, tool, drawn by dragging, hit reach, hit from curve, side link points, code points
    // clang-format off
    return {
        {"TMyRectangle", Make<TMyRectangle>, T::SpRectangle, true, BoxReach, false, true, Four},
        {"TMyLinkPoint", Make<TMyLinkPoint>, T::SpLinkPoint, true, BoxReach, false, false, None},
        {"TMyLineLinkLine", Make<TMyLineLinkLine>, T::SpLineLinkLine, true, BoxReach, false, false, Any},
        {"TMyEllipse", Make<TMyEllipse>, T::SpEllipse, true, BoxReach, false, true, Four},
        {"TMyLine", Make<TMyLine>, T::SpLine, true, LineReach, false, false, Two},
        {"TMyFreeLine", Make<TMyFreeLine>, T::SpFreeLine, false, BoxReach, false, false, None},
        {"TMyRuleLine", Make<TMyRuleLine>, T::SpRuleLine, true, LineReach, false, false, Two},
        {"TMyPolyLine", Make<TMyPolyLine>, T::SpPolyLine, false, LineReach, false, false, TwoOrMore},
        {"TMyPolygon", Make<TMyPolygon>, T::SpPolygon, false, BoxReach, false, false, TwoOrMore},
        {"TMyPolyBezier", Make<TMyPolyBezier>, T::SpPolyBezier, false, CurveReach, false, false, BezierJoints},
        {"TMyText", Make<TMyText>, T::SpText, true, BoxReach, false, true, Four},
        {"TMyImage", Make<TMyImage>, T::SpImage, true, BoxReach, false, true, None},
        {"TMyElliArc", Make<TMyElliArc>, T::SpElliArc, false, CurveReach, true, false, ThreeOrMore},
        {"TMyLinkLine", Make<TMyLinkLine>, T::SpLinkLine, true, LineReach, false, false, None},
        {"TMyCombine", Make<TMyCombine>, None, true, BoxReach, false, false, None},
        {"TMyGroup", Make<TMyGroup>, None, true, BoxReach, false, false, None},
        {"TMyBLine", Make<TMyBLine>, T::SpBLine, false, CurveReach, true, false, ThreeOrMore},
    };
    // clang-format on
}

} // namespace

const std::vector<TShapeClass>& ShapeClasses() {
    static const std::vector<TShapeClass> Classes = Register();
    return Classes;
}

const TShapeClass* ShapeClassNamed(const QString& Name) {
    for (const TShapeClass& C : ShapeClasses())
        if (C.Name == Name) return &C;
    return nullptr;
}

const TShapeClass* ShapeClassOfTool(TDrawTool Tool) {
    for (const TShapeClass& C : ShapeClasses())
        if (C.Tool == Tool) return &C;
    return nullptr;
}

} // namespace draxa
