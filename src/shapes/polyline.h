// Polylines, freehand lines and polygons.
#pragma once

#include "shapes/line.h"

namespace draxa {

class TMyPolyLine : public TMyLine {
public:
    using TMyLine::TMyLine;
    QString ClassName() const override { return QStringLiteral("TMyPolyLine"); }
};

class TMyFreeLine : public TMyPolyLine {
public:
    using TMyPolyLine::TMyPolyLine;
    QString ClassName() const override { return QStringLiteral("TMyFreeLine"); }
};

class TMyPolygon : public TMyPolyLine {
public:
    using TMyPolyLine::TMyPolyLine;
    QString ClassName() const override { return QStringLiteral("TMyPolygon"); }
};

}  // namespace draxa
