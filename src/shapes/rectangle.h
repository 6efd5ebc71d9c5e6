// TMyRectangle: the box shape, base of every box-like class (text, image,
// ellipse, group, link point). Four corners in FPoints.
//
// With P0 where drawing began and P2 where it ended, the corners are
// P0 = (x0, y0), P1 = (x2, y0), P2 = (x2, y2), P3 = (x0, y2). A rotation
// turns the stored points, so they are always the actual corners; turning
// them back by -Angle about the rotate centre gives the box's own frame, in
// which P0-P1 and P3-P2 are horizontal.
//
// Hot points: 0..3 the corners, 4 the middle of P0-P1, 5 of P1-P2, 6 of
// P3-P2, 7 of P0-P3; -1 none. The side points exist only when ShowSideHot
// and, for 4 and 6, ShowVerticalSideHot or, for 5 and 7,
// ShowHorizontalSideHot are set, and never while the surface rotates.
#pragma once

#include "draxa_export.h"
#include "shapes/shape.h"

#include <array>

namespace draxa {

class DRAXA_EXPORT TMyRectangle : public TMyShape {
public:
    explicit TMyRectangle(TShapeHost* AHost);
    QString ClassName() const override { return QStringLiteral("TMyRectangle"); }

    // ---- outline previews (screen; pen and mode as the caller prepared them) ----

    // The four corners displaced by ToPt - FromPt.
    void DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) override;
    // The box spanned by P1 and P2, with the canvas's Rectangle.
    void DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) override;
    // The four corners turned by DAngle about Centre.
    void DrawRotating(TCanvas& Canvas, const TMyPoint& Centre, double DAngle) override;
    // The box ResizeByHot(FromPt, ToPt) would give; nothing when that move is refused.
    void DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) override;

    // ---- hot points ----

    // Corner and side marks of a selected box, then the info anchor; nothing
    // when the surface hides hot points.
    void DrawHotPoints(TCanvas& Canvas) override;
    // Index of the shown hot point whose HotSize square holds screen point P
    // (a later index wins where squares overlap); also kept in FHotIndex.
    int HotPointAt(const TPoint& P) override;
    // Resize cursor for the hot point under screen (X, Y), crCross elsewhere.
    TCursor GetHotCursor(int X, int Y) override;
    // Drags hot point FHotIndex to screen point ToPt (FromPt is not used): a
    // corner goes to ToPt, a side moves across itself only. A move that would
    // carry the dragged corner past the opposite one, in the box's own frame,
    // is refused and the points stay. The rotate centre is recomputed always.
    void ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) override;

    // ---- creation ----

    // First screen point: P0. Second: the three other corners, unless it
    // shares an x or a y with P0 (no box yet). Later points are ignored.
    void AddPoint(const TPoint& P) override;
    // True once the four corners exist.
    bool IsCreateFinished(TMouseButton Button, const TPoint& P) override;

    // ---- painting, measuring, hit testing ----

    // Filled and outlined box (PaintBox), then the info texts.
    void Paint(TCanvas& Canvas) override;
    // "Area=" and the box's area in the surface's unit and scale, e.g.
    // "Area=     3.50cm2"; stored in Info and returned in Text.
    void UpdateMeasureInfo(QString& Text) override;
    // Both sides of the box spanned by screen points P1 and P2 in the
    // surface's unit, as "m=" width and "n=" height on two lines joined by a
    // carriage return (character 13).
    QString GetLengthText(const TPoint& P1, const TPoint& P2) override;
    // Unrotated width times height.
    std::optional<double> MeasuredArea() const override;
    // True when screen point P lies inside the polygon of the rounded screen
    // corners (even-odd rule); the canvas is not used.
    bool PointInShape(TCanvas& Canvas, const TPoint& P) override;

    // ---- points and centre (logical unless stated) ----

    // Hot point Index: 0..3 the corners, 4..7 the side middles (whether shown
    // or not; (0, 0) before the four corners exist), -1 the origin turned by
    // Angle about the rotate centre. Other indices read FPoints as the base does.
    TMyPoint GetPoint(int Index) const override;
    // Centre of the points' bounding box (not the stored FRotateCenter).
    TMyPoint GetRotateCenter() const override;
    // GetRotateCenter times Zoom.
    TMyPoint GetScreenRotateCenter() const override;

    // ---- published properties (setters only store) ----

    // Read by the surface when it reports a resize by a side hot point; the
    // box itself does not use it.
    bool AssociateSideResizing() const { return FAssociateSideResizing; }
    void SetAssociateSideResizing(bool V) { FAssociateSideResizing = V; }
    // Side hot points 4..7 at all.
    bool ShowSideHot() const { return FShowSideHot; }
    void SetShowSideHot(bool V) { FShowSideHot = V; }
    // Side hot points 5 and 7 (on the sides that move horizontally).
    bool ShowHorizontalSideHot() const { return FShowHorizontalSideHot; }
    void SetShowHorizontalSideHot(bool V) { FShowHorizontalSideHot = V; }
    // Side hot points 4 and 6 (on the sides that move vertically).
    bool ShowVerticalSideHot() const { return FShowVerticalSideHot; }
    void SetShowVerticalSideHot(bool V) { FShowVerticalSideHot = V; }

protected:
    using TCorners = std::array<TMyPoint, 4>;

    // Steps 1-3 of Paint: the shape's pen and brush, then the closed polygon
    // of the rounded screen corners filled (gradient and brush) and stroked.
    // A class that draws its own texts calls this instead of Paint.
    void PaintBox(TCanvas& Canvas);
    // True when hot point Index (0..7) is drawn and can be hit now.
    bool IsHotPointShown(int Index) const;
    // True while the surface turns shapes (rotate-selecting tool or a
    // rotation in progress): only the corners are offered then.
    bool SurfaceRotating() const;
    // The corners in screen units, not rounded.
    TCorners ScreenCorners() const;
    // Applies the drag of hot point FHotIndex to the point N on Corners, all
    // in one unit (logical or screen), with Centre the rotate centre in that
    // unit. False, and Corners unchanged, when there is no hot point or the
    // move is refused.
    bool ResizeCorners(TCorners& Corners, const TMyPoint& Centre, const TMyPoint& N) const;
    // Closed outline P0-P1-P2-P3-P0 of the rounded Corners with MoveTo/LineTo.
    static void DrawOutline(TCanvas& Canvas, const TCorners& Corners);

    bool FAssociateSideResizing = false;
    bool FShowSideHot = true;
    bool FShowHorizontalSideHot = true;
    bool FShowVerticalSideHot = true;
};

} // namespace draxa
