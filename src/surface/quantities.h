// Quantities of a drawing: how many shapes of each class lie on each layer,
// the total length of its lines and curves and the total area of its closed
// shapes, in the drawing's unit at its scale, and the same for every shape.
//
// A shape measures itself in logical units (TMyShape::MeasuredLength and
// MeasuredArea); the conversion into the drawing's unit happens once, here,
// as the surface's measuring texts do it: a logical unit is a screen pixel
// at zoom 1, 1/ScreenPixelsPerInch() inch, times Ratio. Lengths do not
// depend on the zoom; areas scale with Ratio squared.
#pragma once

#include "draxa_export.h"
#include "shapes/shape_types.h"

#include <QString>

#include <vector>

namespace draxa {

// One shape as the quantities list it (groups are not listed: their members are).
struct DRAXA_EXPORT TQuantityShape {
    int Number = -1;   // the shape's lasting number in the drawing
    QString Name;      // its component name
    QString Caption;   // its caption
    QString ClassName; // "TMyRectangle", ...
    int LayerId = 0;   // the layer it lies on
    QString Layer;     // that layer's name
    bool LayerHidden = false;
    bool HasLength = false; // the class measures a length
    double Length = 0;      // in the drawing's unit
    bool HasArea = false;   // the class (or this shape, closed) measures an area
    double Area = 0;        // in the drawing's unit squared
};

// The totals of one shape class on one layer.
struct DRAXA_EXPORT TQuantityRow {
    int LayerId = 0;
    QString Layer;
    bool LayerHidden = false;
    QString ClassName;
    int Count = 0;
    bool HasLength = false; // some shape of the row measures a length
    double Length = 0;
    bool HasArea = false; // some shape of the row measures an area
    double Area = 0;
};

struct DRAXA_EXPORT TQuantities {
    TUnits Unit = TUnits::pixel;
    double Ratio = 1;
    // Rows in layer order, then by class name; Shapes in the drawing's list order.
    std::vector<TQuantityRow> Rows;
    std::vector<TQuantityShape> Shapes;
};

// The short name of a unit as the quantities write it: "pixel", "mm", "cm",
// "dm", "m", "in"; areas add "2" ("m2").
DRAXA_EXPORT QString UnitSymbol(TUnits Unit);
// How many Unit one logical unit is at Ratio (lengths; square it for areas).
DRAXA_EXPORT double UnitsPerLogical(TUnits Unit, double Ratio);

// One CSV field as RFC 4180 wants it: quoted (with quotes doubled) when it
// holds a comma, a quote, a line break or leading or trailing blanks.
DRAXA_EXPORT QString CsvField(const QString& Text);
// The totals as CSV, a header line first, lines ended by CR LF:
// layer,hidden,class,count,length,area,unit. A length or area the row's
// classes do not measure is an empty field; numbers use a point and up to
// six decimals.
DRAXA_EXPORT QString QuantitiesCsv(const TQuantities& Q);
// Every shape as CSV: number,name,caption,layer,hidden,class,length,area,unit.
DRAXA_EXPORT QString QuantityShapesCsv(const TQuantities& Q);

} // namespace draxa
