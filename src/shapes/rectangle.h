// TMyRectangle: the box shape, base of every box-like class (text, image,
// ellipse, group, link point). Four corners in FPoints.
#pragma once

#include "shapes/shape.h"

namespace draxa {

class TMyRectangle : public TMyShape {
public:
    using TMyShape::TMyShape;
    QString ClassName() const override { return QStringLiteral("TMyRectangle"); }
};

}  // namespace draxa
