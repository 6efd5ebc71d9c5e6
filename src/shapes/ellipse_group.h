// Ellipses, groups and combined shapes.
#pragma once

#include "shapes/rectangle.h"

namespace draxa {

class TMyEllipse : public TMyRectangle {
public:
    using TMyRectangle::TMyRectangle;
    QString ClassName() const override { return QStringLiteral("TMyEllipse"); }
};

// A group: its members are listed by index in FMembers; it paints only its info texts.
class TMyGroup : public TMyRectangle {
public:
    using TMyRectangle::TMyRectangle;
    QString ClassName() const override { return QStringLiteral("TMyGroup"); }
};

// A group that connector lines route around.
class TMyCombine : public TMyGroup {
public:
    using TMyGroup::TMyGroup;
    QString ClassName() const override { return QStringLiteral("TMyCombine"); }
};

}  // namespace draxa
