// TMyLine: the open, pen-drawn line, base of the line family (polylines,
// freehand lines, polygons, measuring lines, connectors).
//
// A chain of at least two vertices in FPoints joined by straight segments,
// with an optional filled arrow head at its last vertex (ALeft), its first
// vertex (ARight) or both (ADouble). Everything that treats a shape as a
// chain of segments lives here: segment painting, arrow-head geometry, the
// segment hit test with its fixed 8-pixel band, vertex hot points and the
// outline previews.
//
// A plain line drawn with the mouse also remembers on which end points of
// other lines its two ends were put down (the four link fields). They are
// runtime state only: never streamed, never copied, -1 after loading.
#pragma once

#include "draxa_export.h"
#include "shapes/shape.h"

namespace draxa {

// Half width of the band around a segment that counts as a hit, in screen
// pixels. Fixed: a thin line stays as easy to pick at every zoom.
constexpr int LineHitDistance = 8;

// Which end of a line: its first vertex or its last one.
enum class TLineEnd : uint8_t { leFirst, leLast };

class DRAXA_EXPORT TMyLine : public TMyShape {
public:
    // Link fields -1; ArrowAngle, ArrowLength, ArrowOffset and ArrowStyle
    // from the surface (10, 30, 0, ANone without one).
    explicit TMyLine(TShapeHost* AHost);
    QString ClassName() const override { return QStringLiteral("TMyLine"); }

    // ---- outline previews (screen; pen and mode as the caller prepared them) ----

    // Every segment displaced by ToPt - FromPt.
    void DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) override;
    // The segment P1-P2 with the preview preset (dotted white XOR).
    void DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) override;
    // Every segment turned by DAngle about Centre.
    void DrawRotating(TCanvas& Canvas, const TMyPoint& Centre, double DAngle) override;
    // The one or two segments at vertex FHotIndex, that vertex displaced by ToPt - FromPt.
    void DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) override;

    // ---- creation, hot points, resizing ----

    // The base reset; then, for a plain TMyLine only, the end point of
    // another line under ToPt (screen) becomes the last end's link.
    void ResetRotateCenter(const TPoint& FromPt, const TPoint& ToPt) override;
    // True when the line has exactly two vertices.
    bool IsCreateFinished(TMouseButton Button, const TPoint& P) override;
    // A mark on every vertex, then the info anchor; nothing when the surface hides hot points.
    void DrawHotPoints(TCanvas& Canvas) override;
    // The last vertex whose HotSize square holds screen point P, -1 none; kept in FHotIndex.
    int HotPointAt(const TPoint& P) override;
    // Moves vertex FHotIndex by (ToPt - FromPt) / Zoom; the rotate centre
    // becomes the centre of the points' bounds (the info anchor stays).
    void ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) override;

    // ---- copying, painting, measuring, hit testing, stream ----

    // The inherited copy, then ArrowLength, ArrowAngle and ArrowStyle from a
    // line. ArrowOffset keeps the value this line was created with, and the
    // link fields are not copied.
    void Assign(const TMyShape& Source) override;
    // Segments in the geometric pen, Angle := direction of the first
    // segment, arrow heads filled in the pen colour, then the info texts.
    void Paint(TCanvas& Canvas) override;
    // Plain TMyLine only: the length of the first segment in the surface's
    // unit (GetLengthText), stored in Info. Other classes: nothing.
    void UpdateMeasureInfo(QString& Text) override;
    // The sum of the segments through every vertex.
    std::optional<double> MeasuredLength() const override;
    // True when screen point P lies within 8 pixels of a segment (see SegmentAt).
    bool PointInShape(TCanvas& Canvas, const TPoint& P) override;
    // The common record, then the tail: Int32 ArrowAngle, Byte ArrowLength,
    // Byte ArrowOffset, Byte ArrowStyle. An ArrowStyle byte above ADouble
    // throws EReadError; the tail is applied only when read whole.
    using TMyShape::LoadFromStream;
    using TMyShape::SaveToStream;
    void LoadFromStream(TStream& Stream, const TReadContext& Context) override;
    void SaveToStream(TStream& Stream, const TWriteContext& Context) override;

    // ---- segments and arrow heads (screen) ----

    // The first segment whose hit band holds screen point P: InsertIndex is
    // the index of its second vertex, where a vertex put down at P belongs.
    // False and -1 when no segment is hit. The band is 8 pixels at every
    // zoom: across a vertical or horizontal segment (right and bottom edges
    // excluded), around the slanted line inside a slanted segment's bounds.
    bool SegmentAt(const TPoint& P, int& InsertIndex) const;
    // Fills one arrow head whose end vertex is EndPt on the segment from
    // NeighbourPt, with the canvas as ApplyArrowFill prepared it. The tip is
    // set back ArrowOffset pixels towards NeighbourPt (not zoomed); the wings
    // are ArrowLength * Zoom long, ArrowAngle degrees off the line.
    void DrawArrowHead(TCanvas& Canvas, const TMyPoint& EndPt, const TMyPoint& NeighbourPt);

    // ---- links to end points of other lines ----

    // The first plain TMyLine or TMyPolyLine of Surface, other than the
    // shape being drawn and Except, whose first or last vertex has its
    // HotSize square around screen point P: its number and that vertex's
    // index, marked on the surface's canvas (the previous mark goes).
    // False with -1, -1 when there is none (the previous mark goes too).
    static bool FindLineEndAt(TShapeHost* Surface, const TMyPoint& P, int& ShapeNo, int& EndIndex,
                              const TMyShape* Except = nullptr);
    // FindLineEndAt(P) on this line's surface (never finding this line),
    // stored as the link of end Which.
    void SetLineEndLink(TLineEnd Which, const TMyPoint& P);
    // Number of the line the first (StartLink) or last (EndLink) end was put
    // down on, and which vertex of it (0 its first, else its last); -1 none.
    int StartLinkNo() const { return FStartLinkNo; }
    int StartLinkEnd() const { return FStartLinkEnd; }
    int EndLinkNo() const { return FEndLinkNo; }
    int EndLinkEnd() const { return FEndLinkEnd; }
    void SetStartLink(int ShapeNo, int EndIndex);
    void SetEndLink(int ShapeNo, int EndIndex);
    // True when both ends lie on end points of two different lines.
    bool JoinsTwoLines() const;
    // The vertices of the polyline that replaces this line and the two lines
    // it joins, in screen units: the start line walked towards its linked
    // end, then the end line walked away from its linked end (this line's
    // own vertices coincide with those ends and are left out). False (and
    // Vertices empty) unless JoinsTwoLines and both lines exist.
    bool JoinedVertices(TArrMyPoint& Vertices) const;

    // ---- published properties (setters only store) ----

    // Half opening of an arrow head: degrees between each wing and the line.
    int ArrowAngle() const { return FArrowAngle; }
    void SetArrowAngle(int V) { FArrowAngle = V; }
    // Wing length, pixels at Zoom 1.
    uint8_t ArrowLength() const { return FArrowLength; }
    void SetArrowLength(uint8_t V) { FArrowLength = V; }
    // Screen pixels the tip is set back from the end vertex, at every zoom.
    uint8_t ArrowOffset() const { return FArrowOffset; }
    void SetArrowOffset(uint8_t V) { FArrowOffset = V; }
    TArrowStyle ArrowStyle() const { return FArrowStyle; }
    void SetArrowStyle(TArrowStyle V) { FArrowStyle = V; }

protected:
    // Vertex Index at its screen position, rounded.
    TPoint ScreenVertex(int Index) const;
    // MoveTo/LineTo along every segment at the rounded screen positions.
    void PaintSegments(TCanvas& Canvas);
    // The heads ArrowStyle asks for: at the last vertex (ALeft), at vertex 0
    // (ARight), both in that order (ADouble).
    void PaintArrowHeads(TCanvas& Canvas);
    // Angle := direction of the first segment (screen), in [0, 2 Pi).
    void UpdateDirectionAngle();
    // The length text of the first segment, stored in Info and returned in Text.
    void MeasureFirstSegment(QString& Text);
    // Hot-point marks on vertices 0 .. Count - 1, then the info anchor.
    void DrawVertexMarks(TCanvas& Canvas, int Count);
    // Hit band test of one segment A-B (rounded screen points) at P.
    static bool SegmentHit(const TPoint& A, const TPoint& B, const TPoint& P);

    int FArrowAngle = 10;
    uint8_t FArrowLength = 30;
    uint8_t FArrowOffset = 0;
    TArrowStyle FArrowStyle = TArrowStyle::ANone;
    int FStartLinkNo = -1;
    int FStartLinkEnd = -1;
    int FEndLinkNo = -1;
    int FEndLinkEnd = -1;
};

} // namespace draxa
