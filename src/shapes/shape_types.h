// Enumerations shared by the shapes and the surface. Their ordinals are
// stored in documents: never reorder.
#pragma once

#include <cstdint>

namespace draxa {

// Line join and end cap of a shape's geometric outline pen.
enum class TPenStyleJoinType : uint8_t { psjtROUND, psjtBEVEL, psjtMITER, psjtMASK };
enum class TPenStyleEndCapType : uint8_t { psectROUND, psectSQUARE, psectFLAT, psectMASK };
// Horizontal alignment of text lines.
enum class TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
// Display unit of lengths and areas.
enum class TUnits : uint8_t { pixel, mm, cm, dm, m, inch };
// Elliptic arcs through three points: on a circle or on an ellipse.
enum class TArcMode : uint8_t { amCircle, amEllipse };
// Arrow heads of a line: none, at the start, at the end, at both.
enum class TArrowStyle : uint8_t { ANone, ALeft, ARight, ADouble };
// Connector lines: orthogonal routes or straight lines.
enum class TLinkLineDrawStyle : uint8_t { lldsHV, lldsFree };

// The drawing tools, in the order documents and hosts rely on.
enum class TDrawTool : uint8_t {
    SpLinkLine,
    SpSelecting,
    SpRotateSelecting,
    SpLine,
    SpRuleLine,
    SpPolyLine,
    SpRectangle,
    SpLinkPoint,
    SpLineLinkLine,
    SpEllipse,
    SpText,
    SpImage,
    SpPolygon,
    SpPolyBezier,
    SpElliArc,
    SpClose,
    SpPolylinePolygonPointRemoving,
    SpPolylinePolygonPointAdding,
    SpDragWhole,
    SpBrowse,
    SpFreeLine,
    SpBLine
};
// What a press, move and release on a surface do.
enum class TInteractionMode : uint8_t {
    Idle,
    Drawing,
    Selecting,
    RotateSelecting,
    Resizing,
    Dragging,
    InfoMoving,
    Rotating,
    PointRemoving,
    PointAdding,
    DragWhole,
    Browse
};

} // namespace draxa
