// The peers every figure is compared with, run in the same process on the
// same scene: plain QPainter calls, a QGraphicsScene of equivalent items, a
// QSvgRenderer reading the scene as SVG, and a plain QDataStream writer and
// reader of the same data.
//
// The peers work from TSceneData, the shapes of a loaded surface read out
// through their public accessors into plain values. All coordinates are
// screen pixels (the scenes use Zoom 1).
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QGraphicsScene>
#include <QImage>
#include <QPolygonF>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class QGraphicsItem;
class QGraphicsPathItem;
class QPainter;

namespace draxa {
class TMyDraxa;
}

namespace draxa::bench {

// How a peer draws a shape.
enum class TPeerKind : uint8_t {
    Box,      // closed polygon of the points, filled
    Ellipse,  // ellipse in the unrotated box, turned
    Text,     // text lines in the unrotated box, turned; framed when Border
    Image,    // the picture stretched into the box
    Polyline, // open polyline, arrow heads
    Polygon,  // closed polygon, filled
    Arc,      // circular arc through the three points
    Bezier,   // cubic Bezier segments
    BLine,    // smooth curve through the points
    Cross,    // the two diagonals of the box
    Disc,     // circle in the box filled with the pen colour
    Frame     // a group: nothing but its info text
};

struct TShapeData {
    TPeerKind Kind = TPeerKind::Frame;
    QString ClassName, Name, Info;
    int32_t Number = 0, Layer = 0, Group = -1;
    bool Shown = true; // its own Visible and its layer's
    std::vector<int32_t> Members, LinkLines;
    QPolygonF Points, LinkPoints;
    float Angle = 0;
    QPointF Centre, InfoPos;
    double Width = 0, Height = 0; // unrotated
    QRgb PenColor = 0;
    int32_t PenWidth = 1;
    uint8_t PenStyle = 0; // as TPenStyle
    QRgb BrushColor = 0;
    bool BrushClear = false;
    uint8_t Gradient = 23; // as TGradientStyle, 23 none
    QRgb GradientBegin = 0, GradientEnd = 0;
    QString FontName;
    int32_t FontPixels = 11;
    QRgb FontColor = 0;
    uint8_t FontStyle = 0;
    QStringList Lines;
    bool Border = false;
    QImage Picture;
    uint8_t Arrows = 0; // as TArrowStyle
    int32_t ArrowLength = 10, ArrowAngle = 10;
    int32_t StartShape = -1, StartLink = -1, EndShape = -1, EndLink = -1;
};

struct TSceneData {
    int Width = 0, Height = 0;
    QRgb Background = 0xFFFFFFFF;
    bool Grid = false;
    double GridX = 20, GridY = 20;
    QRgb GridColor = 0xFFC0C0C0;
    std::vector<TShapeData> Shapes;
};

// The surface's shapes and background as the peers need them.
TSceneData ReadScene(TMyDraxa& Surface);

// Background, grid, every shown top-level shape (members first, as the
// surface paints), then the link-point marks, all with plain QPainter
// calls onto a painter whose device shows the scene from Area's top-left.
void PaintDirect(QPainter& P, const TSceneData& Scene, const QRect& Area);

// A QGraphicsScene of equivalent standard items in painting order, with
// the background and the grid drawn by the scene.
class TPeerScene : public QGraphicsScene {
public:
    explicit TPeerScene(const TSceneData& Data);
    // The items that show shape I (the shape, its arrow heads, its info text
    // and its link-point marks); empty for a shape with nothing to show.
    const std::vector<QGraphicsItem*>& ItemsOf(size_t I) const { return FItems[I]; }
    // Moves shape I by (DX, DY) and re-routes the connectors attached to it
    // as three-segment routes between the moved link points; returns the
    // damaged area (old and new bounds of everything that changed).
    QRectF MoveShapeAndConnectors(size_t I, double DX, double DY);

protected:
    void drawBackground(QPainter* P, const QRectF& Rect) override;

private:
    void AddShape(size_t I);
    TSceneData FData;
    std::vector<std::vector<QGraphicsItem*>> FItems;
};

// The scene as an SVG document (pictures as PNG data URIs, the hidden
// layer's shapes with display="none").
QByteArray WriteSvg(const TSceneData& Scene);

// The same data with a plain QDataStream writer, and read back.
QByteArray WritePlain(const TSceneData& Scene);
TSceneData ReadPlain(const QByteArray& Bytes);

} // namespace draxa::bench
