// Connection points, placed with one click: a free link point, drawn as a
// cross, and the junction where connector lines meet, drawn as a filled
// circle. Both offer one link point at their centre.
//
// Both are squares of side Size (logical units) in the rectangle's corner
// order. They have no hot points: the mouse never resizes them.
#pragma once

#include "draxa_export.h"
#include "shapes/rectangle.h"

#include <cstdint>

namespace draxa {

class DRAXA_EXPORT TMyLinkPoint : public TMyRectangle {
public:
    // Side of the square a new point gets, logical units.
    static constexpr uint8_t DefaultSize = 8;

    explicit TMyLinkPoint(TShapeHost* AHost);
    QString ClassName() const override { return QStringLiteral("TMyLinkPoint"); }
    // A link point (or junction) is counted, not measured.
    std::optional<double> MeasuredArea() const override { return std::nullopt; }

    // A circle of Size screen pixels with its top-left at P1 (P2 is not used).
    void DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) override;
    // With no points yet: the four corners of the square of side Size
    // (logical) centred on the screen point P, and one link point at its
    // centre. Later calls do nothing, so one click completes the shape.
    void AddPoint(const TPoint& P) override;
    // A cross over the square's diagonals with the shape's pen.
    void Paint(TCanvas& Canvas) override;
    // Always -1 (also kept in FHotIndex): a connection point cannot be resized.
    int HotPointAt(const TPoint& P) override;
    // The inherited copy, then Size when Source is a connection point too.
    void Assign(const TMyShape& Source) override;
    void AssignGeometry(const TMyShape& Source) override;
    // The common record, then Size as one byte (in every format version).
    using TMyShape::LoadFromStream;
    using TMyShape::SaveToStream;
    void LoadFromStream(TStream& Stream, const TReadContext& Context) override;
    void SaveToStream(TStream& Stream, const TWriteContext& Context) override;

    // Side of the square for the next AddPoint and DrawCreating, logical;
    // an existing square keeps its size.
    uint8_t Size() const { return FSize; }
    void SetSize(uint8_t V) { FSize = V; }

private:
    uint8_t FSize = DefaultSize;
};

// A junction dropped onto a connector line. When it has been placed, the
// surface calls ResetRotateCenter, which snaps it onto the connector segment
// under its centre (and has the surface split that connector there), so
// that connectors can branch.
class DRAXA_EXPORT TMyLineLinkLine : public TMyLinkPoint {
public:
    using TMyLinkPoint::TMyLinkPoint;
    QString ClassName() const override { return QStringLiteral("TMyLineLinkLine"); }

    // The junction step, run once the shape has been placed (the mouse points
    // are not used): the rotate centre and info anchor are reset; when a
    // connector segment lies under the centre, the surface cuts that
    // connector there into two that end on this junction, and the square
    // (with its link point) is rebuilt around the point of the segment
    // nearest to the centre. Away from every connector the shape stays
    // where it was dropped.
    void ResetRotateCenter(const TPoint& FromPt, const TPoint& ToPt) override;
    // A lime circle with a black outline over the square (its selection mark).
    void DrawHotPoints(TCanvas& Canvas) override;
    // The link point's AddPoint; once the square is complete its single link
    // point sits at its centre (also when the corners were given otherwise).
    void AddPoint(const TPoint& P) override;
    // A circle filled in the shape's pen colour.
    void Paint(TCanvas& Canvas) override;

private:
    // The circle inscribed in the square's screen corners 0 and 2.
    void DrawCircle(TCanvas& Canvas);
};

} // namespace draxa
