// TMyText: a text box.
#pragma once

#include "shapes/rectangle.h"

namespace draxa {

class TMyText : public TMyRectangle {
public:
    using TMyRectangle::TMyRectangle;
    QString ClassName() const override { return QStringLiteral("TMyText"); }
};

}  // namespace draxa
