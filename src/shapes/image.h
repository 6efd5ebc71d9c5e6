// TMyImage: a picture in a box.
#pragma once

#include "shapes/rectangle.h"

namespace draxa {

class TMyImage : public TMyRectangle {
public:
    using TMyRectangle::TMyRectangle;
    QString ClassName() const override { return QStringLiteral("TMyImage"); }
};

}  // namespace draxa
