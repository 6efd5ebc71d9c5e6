// TMyLine: a straight line with optional arrow heads, base of the line family.
#pragma once

#include "shapes/shape.h"

namespace draxa {

class TMyLine : public TMyShape {
public:
    using TMyShape::TMyShape;
    QString ClassName() const override { return QStringLiteral("TMyLine"); }
};

}  // namespace draxa
