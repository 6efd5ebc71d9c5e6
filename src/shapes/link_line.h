// TMyLinkLine: the connector, a line whose ends attach to link points of
// other shapes and which keeps itself connected when those shapes move.
//
// In the style lldsHV its route is orthogonal: it leaves and enters attached
// shapes perpendicular to their sides, is routed by the surface
// (RouteLinkLine, in the surface's link_routing.cpp) and can be edited by
// dragging inner vertices and whole segments; crossings with other
// connectors show small hops. In the style lldsFree it is a straight line
// between its two ends.
//
// Hot points: 0 .. PointCount() - 1 the vertices, PointCount() + s the
// middle of segment s.
#pragma once

#include "draxa_export.h"
#include "shapes/line.h"

namespace draxa {

class DRAXA_EXPORT TMyLinkLine : public TMyLine {
public:
    // Link fields -1 (free ends), automatic routing, hop radius 8, and the
    // surface's LinkLineDrawStyle.
    explicit TMyLinkLine(TShapeHost* AHost);
    QString ClassName() const override { return QStringLiteral("TMyLinkLine"); }

    // List indices of the attached shapes and their link points; -1 = free
    // end. Plain stores: the shapes' FLinkLines lists are kept in step by
    // the surface (ConnectLinkLineEnd, deletion, junctions).
    int StartShapeIndex() const { return FStartShapeIndex; }
    void SetStartShapeIndex(int V) { FStartShapeIndex = V; }
    int StartLinkPoint() const { return FStartLinkPoint; }
    void SetStartLinkPoint(int V) { FStartLinkPoint = V; }
    int EndShapeIndex() const { return FEndShapeIndex; }
    void SetEndShapeIndex(int V) { FEndShapeIndex = V; }
    int EndLinkPoint() const { return FEndLinkPoint; }
    void SetEndLinkPoint(int V) { FEndLinkPoint = V; }
    // The shapes at the stored indices, nullptr for -1 (or an index that names no shape).
    TMyShape* GetStartShape() const;
    TMyShape* GetEndShape() const;
    // The attached shape when the end really sits on one of its link points
    // (the shape exists and has that link point), else nullptr.
    TMyShape* StartAttachedShape() const;
    TMyShape* EndAttachedShape() const;
    // Where the route starts and ends (screen): the attached link point, or
    // the first (last) vertex of a free end.
    TMyPoint GetStartPoint() const;
    TMyPoint GetEndPoint() const;

    TLinkLineDrawStyle LinkLineDrawStyle() const { return FLinkLineDrawStyle; }
    // lldsHV -> lldsFree keeps only the two end vertices; lldsFree -> lldsHV
    // makes the route automatic again and has the surface route it.
    void SetLinkLineDrawStyle(TLinkLineDrawStyle V);
    // True while the route is recomputed whenever an attached shape moves;
    // dragging an inner vertex or a segment makes it False.
    bool AutoRoute() const { return FAutoRoute; }
    void SetAutoRoute(bool V) { FAutoRoute = V; }
    // Radius of the crossing hops, pixels at Zoom 1.
    int HopRadius() const { return FHopRadius; }
    void SetHopRadius(int V) { FHopRadius = V; }
    // The route the surface drew last as a creation preview is on the screen
    // (XOR); routing erases it before drawing the next one.
    bool PreviewShown() const { return FPreviewShown; }
    void SetPreviewShown(bool V) { FPreviewShown = V; }

    // 1 (horizontal) when |A.X - B.X| >= |A.Y - B.Y|, else 2 (vertical).
    static int SegmentKind(const TMyPoint& A, const TMyPoint& B);
    // Half way along the segment's own axis, keeping the other coordinate of A.
    static TMyPoint SegmentMidpoint(const TMyPoint& A, const TMyPoint& B);

    // Cleans the route (logical vertices): repeated vertices go, and so do
    // vertices where the route turns back along the line it came on; a
    // vertex in line (within 10 units) with both neighbours is merged away,
    // never turning the leg at an attached end off its axis; and a route
    // between two attached ends that has shrunk to one segment is rebuilt as
    // three orthogonal segments between the link points.
    void TidyRoute();

    // ---- operations of the line replaced for connectors ----

    // Moves the vertices; a connector moved on its own (at most one shape
    // selected, not a drag of the whole drawing, not a group member) then
    // attaches each end to the link point now under it, or frees it.
    void Move(double DX, double DY) override;
    // Finishes creation at the release point ToPt: attaches the end, routes
    // between the ends, and an end put down on another connector's segment
    // makes a junction there (the surface's SplitLinkLine).
    void ResetRotateCenter(const TPoint& FromPt, const TPoint& ToPt) override;
    // lldsFree: a square at every vertex. lldsHV: diamonds on inner
    // vertices, squares without outline on segment middles, outlined squares
    // on both ends. Then the info anchor.
    void DrawHotPoints(TCanvas& Canvas) override;
    // Preview from the start (its link point when attached) to P2 or to the
    // link point under the mouse: a straight segment (lldsFree) or the route
    // (lldsHV), which is stored as the vertices and erases the previous one.
    void DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) override;
    // crSizeAll on a vertex, crSizeNS / crSizeWE on the middle of a
    // horizontal / vertical segment, crCross elsewhere.
    TCursor GetHotCursor(int X, int Y) override;
    // True once there are two vertices.
    bool IsCreateFinished(TMouseButton Button, const TPoint& P) override;
    // Drags hot point FHotIndex by ToPt - FromPt (screen): an end vertex is
    // re-attached to the link point under it; lldsHV keeps the route
    // orthogonal, inserting an elbow next to an attached end so that its
    // segment still leaves the shape straight.
    void ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) override;
    // The part of the route that ResizeByHot would change.
    void DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) override;
    // The line's copy, then the link fields and the style.
    void Assign(const TMyShape& Source) override;
    // Tidies the route, draws it (with hops where it crosses other
    // connectors when the surface's CrossLine is set), the arrow heads and
    // the info texts. Angle is left alone.
    void Paint(TCanvas& Canvas) override;
    // The hot point whose HotSize square holds screen point P: segment
    // middles win over vertices and later ones over earlier ones; -1 none
    // (always while the surface's tool turns shapes). Kept in FHotIndex.
    int HotPointAt(const TPoint& P) override;
    // The line's record, then Int32 start shape, start link point, end
    // shape, end link point and the style byte. The style byte is read only
    // for the format versions that have it; a value out of range throws
    // EReadError.
    using TMyShape::LoadFromStream;
    using TMyShape::SaveToStream;
    void LoadFromStream(TStream& Stream, const TReadContext& Context) override;
    void SaveToStream(TStream& Stream, const TWriteContext& Context) override;

    // A surface starts painting the shapes of its paint list: the
    // crossings found for the previous paint no longer hold.
    static void StartPaintingList();

private:
    // This connector's route changed while its surface paints its list.
    void RouteChangedInPaint() const;
    // The screen vertices after dragging hot point Hot by D (the elbows
    // inserted next to attached ends included); First and Last bound the
    // part that changed, with one unchanged vertex on each side.
    TArrMyPoint EditedRoute(int Hot, double DX, double DY, int& First, int& Last) const;
    // The crossings of the horizontal screen segment A-B with vertical
    // segments of the connectors being painted, as x positions in order.
    std::vector<float> CrossingsOf(const TMyPoint& A, const TMyPoint& B) const;

    int FEndShapeIndex = -1;
    int FEndLinkPoint = -1;
    TLinkLineDrawStyle FLinkLineDrawStyle = TLinkLineDrawStyle::lldsHV;
    int FStartShapeIndex = -1;
    int FStartLinkPoint = -1;
    bool FAutoRoute = true;
    int FHopRadius = 8;
    bool FPreviewShown = false;
};

} // namespace draxa
