// The registry of shape classes: one entry per class, with the name
// documents store, its factory, the tool that draws it and the traits the
// surface works by. The surface reads the registry instead of testing class
// names or types; a new class is one more entry in shape_registry.cpp.
#pragma once

#include "shapes/shape_types.h"

#include <QString>

#include <optional>
#include <vector>

namespace draxa {

class TMyShape;
class TShapeHost;

// How many points AddShapeByTool accepts for a class: at least Min, at
// most Max (-1: no limit), and Min plus a multiple of Step.
struct TPointCountRule {
    int Min = 0;
    int Max = -1;
    int Step = 1;
    bool Accepts(int N) const { return N >= Min && (Max < 0 || N <= Max) && (N - Min) % Step == 0; }
};

struct TShapeClass {
    // The exact class name documents store ("TMyRectangle").
    QString Name;
    // A new, empty shape of the class on Host (the standalone host for nullptr).
    TMyShape* (*Create)(TShapeHost* Host) = nullptr;
    // The tool that draws the class with the mouse, if any.
    std::optional<TDrawTool> Tool;
    // The release of the first press puts down the last vertex (boxes and
    // two-point lines); otherwise every click adds a vertex.
    bool DrawnByDragging = false;
    // How far (screen pixels) the class's hit test reaches beyond the screen
    // bounds of its points, or of its sampled curve when HitFromCurve; -1
    // when its hit area is not tied to them (the shape is always asked).
    int HitReach = -1;
    bool HitFromCurve = false;
    // A box-shaped class: it gets four side link points when the surface's
    // AutoLinkPoints asks for them.
    bool SideLinkPoints = false;
    // The points AddShapeByTool accepts; nullopt when program code cannot
    // build the class from points.
    std::optional<TPointCountRule> CodePoints;
};

// Every registered class, in registration order.
const std::vector<TShapeClass>& ShapeClasses();
// The class documents call Name, or nullptr.
const TShapeClass* ShapeClassNamed(const QString& Name);
// The class Tool draws, or nullptr for tools that draw no shape.
const TShapeClass* ShapeClassOfTool(TDrawTool Tool);

} // namespace draxa
