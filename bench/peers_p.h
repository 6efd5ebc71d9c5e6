// What the painting peers and the document peers share: how a shape is
// drawn, as plain geometry.
#pragma once

#include "foundation/gradient.h"
#include "peers.h"

#include <QPainterPath>

#include <vector>

namespace draxa::bench {

constexpr uint8_t kNoGradient = uint8_t(TGradientStyle::gsNone);

// How a peer draws a shape of that class.
TPeerKind KindOf(const QString& ClassName);
// Arrow heads of a line: at the last vertex for ALeft, at vertex 0 for ARight.
std::vector<QPolygonF> ArrowHeads(const TShapeData& D);
// The stroked outline of an open shape (arc, curves, cross, polyline).
QPainterPath OutlineOf(const TShapeData& D);
double Degrees(float Radians);

} // namespace draxa::bench
