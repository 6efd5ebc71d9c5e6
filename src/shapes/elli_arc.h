// TMyElliArc: an elliptic arc through three points.
#pragma once

#include "shapes/shape.h"

namespace draxa {

class TMyElliArc : public TMyShape {
public:
    using TMyShape::TMyShape;
    QString ClassName() const override { return QStringLiteral("TMyElliArc"); }
};

}  // namespace draxa
