// Polylines, freehand lines and polygons: lines of many vertices.
//
// TMyPolyLine is put down one click at a time and finished by clicking its
// last vertex again (a double click). TMyFreeLine takes a vertex at every
// mouse move while the button is held and is treated as a whole box for hot
// points and hit testing. TMyPolygon is closed: its last stored vertex
// always repeats vertex 0, so its corners are vertices 0 .. n-2; it is
// filled like the box shapes and reports its area.
//
// All three start without arrow heads, whatever the surface's ArrowStyle; a
// polygon never paints any. None adds a field to the line's stream record.
#pragma once

#include "draxa_export.h"
#include "shapes/line.h"

namespace draxa {

class DRAXA_EXPORT TMyPolyLine : public TMyLine {
public:
    // What the vertex removing tool reports instead of an index when it
    // removes nothing: the shape would fall below its least vertex count, or
    // the vertex is a polygon's closing copy of vertex 0.
    static constexpr int TooFewVertices = -8;
    static constexpr int ClosingVertex = -7;

    // The line's construction, then ArrowStyle ANone.
    explicit TMyPolyLine(TShapeHost* AHost);
    QString ClassName() const override { return QStringLiteral("TMyPolyLine"); }

    // True when there are at least 3 vertices and the last two coincide on
    // screen (the finishing click repeated the last one); that duplicate is
    // then removed.
    bool IsCreateFinished(TMouseButton Button, const TPoint& P) override;

    // ---- the vertex tools ----

    // Puts the screen point P (divided by Zoom) in as vertex Index, the later
    // vertices shifting up; Index comes from SegmentAt. False, and nothing
    // changed, when Index is not an existing vertex.
    bool InsertVertex(int Index, const TPoint& P);
    // What removing vertex Index gives: Index itself when it may go,
    // TooFewVertices when fewer than 3 vertices (polygon: 5 stored, i.e. a
    // triangle) would be left too few, ClosingVertex for a polygon's last
    // vertex, -1 when Index is not a vertex.
    virtual int VertexRemovalResult(int Index) const;
    // Removes vertex Index when VertexRemovalResult allows it (a polygon that
    // loses vertex 0 closes on its new vertex 0) and returns that result.
    virtual int RemoveVertex(int Index);

    // A polyline whose two ends meet encloses the area of its ring, besides its length.
    std::optional<double> MeasuredArea() const override;
};

class DRAXA_EXPORT TMyFreeLine : public TMyPolyLine {
public:
    using TMyPolyLine::TMyPolyLine;
    QString ClassName() const override { return QStringLiteral("TMyFreeLine"); }

    // The screen bounding box of the points displaced by ToPt - FromPt, as a
    // closed outline.
    void DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) override;
    // The bounding box in a one-pixel solid red frame, no vertex marks;
    // nothing when the surface hides hot points.
    void DrawHotPoints(TCanvas& Canvas) override;
    // The stroke P1-P2 in the shape's own pen: the line is drawn for real as
    // it grows, not as a preview.
    void DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) override;
    // True once there is more than one vertex.
    bool IsCreateFinished(TMouseButton Button, const TPoint& P) override;
    // True anywhere inside the screen bounding box, also far from the stroke.
    bool PointInShape(TCanvas& Canvas, const TPoint& P) override;

private:
    // The points' bounds in screen pixels, rounded.
    TRect ScreenBounds() const;
};

class DRAXA_EXPORT TMyPolygon : public TMyPolyLine {
public:
    using TMyPolyLine::TMyPolyLine;
    QString ClassName() const override { return QStringLiteral("TMyPolygon"); }

    // Marks on the corners 0 .. n-2 (the closing vertex gets none), then the
    // info anchor; nothing when the surface hides hot points.
    void DrawHotPoints(TCanvas& Canvas) override;
    // On release while drawing, at screen point P: with at least 3 vertices,
    // True when P is within HotSize of vertex 0 or of vertex n-2 (a second
    // click on the previous corner); the last vertex then becomes a copy of
    // vertex 0, which closes the ring.
    bool IsCreateFinished(TMouseButton Button, const TPoint& P) override;
    // Moves vertex FHotIndex like a line does; vertex 0 and the last vertex
    // move together. The rotate centre becomes the centre of the bounds.
    void ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) override;
    // The segments at the dragged vertex, and at its twin when it is vertex
    // 0 or the last vertex.
    void DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) override;
    // Filled (brush or gradient) and outlined ring, then the info texts.
    // Angle is not changed.
    void Paint(TCanvas& Canvas) override;
    // "Area=" and the area in the surface's unit and scale, e.g.
    // "Area=   100.00pixel(s)2": the pixels the ring and its outline cover
    // at Zoom 1, counted on a bitmap the size of the bounds. Stored in Info.
    void UpdateMeasureInfo(QString& Text) override;
    // True inside the ring of the rounded screen vertices (even-odd rule).
    bool PointInShape(TCanvas& Canvas, const TPoint& P) override;

    int VertexRemovalResult(int Index) const override;
    int RemoveVertex(int Index) override;

    // Pixels covered by the ring and its one-pixel outline at Zoom 1.
    int CoveredPixels() const;
    // The area of the ring (the shoelace sum, so a ring that crosses itself
    // counts its loops against each other); a polygon has no length of its own.
    std::optional<double> MeasuredLength() const override { return std::nullopt; }
    std::optional<double> MeasuredArea() const override;

private:
    // The rounded screen vertices.
    TArrPoint ScreenVertices() const;
};

} // namespace draxa
