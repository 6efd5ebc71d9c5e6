// Connection points: a free link point, and the junction where connector lines meet.
#pragma once

#include "shapes/rectangle.h"

namespace draxa {

class TMyLinkPoint : public TMyRectangle {
public:
    using TMyRectangle::TMyRectangle;
    QString ClassName() const override { return QStringLiteral("TMyLinkPoint"); }
};

class TMyLineLinkLine : public TMyLinkPoint {
public:
    using TMyLinkPoint::TMyLinkPoint;
    QString ClassName() const override { return QStringLiteral("TMyLineLinkLine"); }
};

}  // namespace draxa
