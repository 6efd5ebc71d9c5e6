// Poly-Bezier curves and B-lines.
#pragma once

#include "shapes/shape.h"

namespace draxa {

class TMyPolyBezier : public TMyShape {
public:
    using TMyShape::TMyShape;
    QString ClassName() const override { return QStringLiteral("TMyPolyBezier"); }
};

class TMyBLine : public TMyShape {
public:
    using TMyShape::TMyShape;
    QString ClassName() const override { return QStringLiteral("TMyBLine"); }
};

}  // namespace draxa
