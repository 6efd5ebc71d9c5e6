// TMyElliArc: an arc through three clicked points.
//
// FPoints holds exactly three points once drawn: 0 the start, 1 a point the
// arc passes through, 2 the end. In amCircle the arc is the part of the
// circle through the three points that runs from the start through the
// middle point to the end, drawn as a polyline of about 3.8-pixel chords; it
// may be closed by its chord or through the circle's centre and filled. In
// amEllipse it is a quarter of an ellipse starting at point 0, passing point
// 1 at its half-way angle and ending at point 2: always open, never filled.
// The three points are the hot points; the tail of the shape record holds
// ArcMode and ArcStyle, one byte each.
#pragma once

#include "draxa_export.h"
#include "shapes/shape.h"

#include <array>

namespace draxa {

// How a circle arc is closed: not at all, by its chord, or through the centre.
// The ordinal is stored in documents: never reorder.
enum class TArcStyle : uint8_t { asArc, asChord, asSector };

class DRAXA_EXPORT TMyElliArc : public TMyShape {
public:
    // The three defining points of an arc in screen pixels: start, through, end.
    using TArcPoints = std::array<TPoint, 3>;
    // A circle arc ready to draw: its polyline (screen pixels) and whether it
    // is a closed chord or sector figure that may be filled.
    struct TArcOutline {
        TArrPoint Points;
        bool Closed = false;
    };

    // ArcStyle asArc; ArcMode from the surface (amCircle without one).
    explicit TMyElliArc(TShapeHost* AHost);
    QString ClassName() const override { return QStringLiteral("TMyElliArc"); }

    // The length of the arc itself (amCircle: radius times the angle swept,
    // the straight segment for points in a line; amEllipse: the curve
    // sampled finely), and for a chord or sector figure the area it closes.
    std::optional<double> MeasuredLength() const override;
    std::optional<double> MeasuredArea() const override;

    // ---- outline previews (screen; pen and mode as the caller prepared them) ----

    // The arc of the screen points displaced by ToPt - FromPt, rounded; no fill.
    void DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) override;
    // One point: its hot mark. Two points: the marks of both and, in the
    // preview preset, the arc ending at the mouse point P2 (in amEllipse only
    // while P2 differs from point 1 in both x and y). P1 is not used.
    void DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) override;
    // The arc turned by DAngle about Centre, in the preview preset.
    void DrawRotating(TCanvas& Canvas, const TMyPoint& Centre, double DAngle) override;
    // The arc with point FHotIndex at ToPt itself.
    void DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) override;

    // ---- creation, hot points, resizing ----

    // True once there are three points. A click on the spot of the previous
    // point does not count: that point is dropped again.
    bool IsCreateFinished(TMouseButton Button, const TPoint& P) override;
    // A mark on each point, then the info anchor; nothing when the surface hides hot points.
    void DrawHotPoints(TCanvas& Canvas) override;
    // The last point whose HotSize square holds screen point P, -1 none; kept in FHotIndex.
    int HotPointAt(const TPoint& P) override;
    // Moves point FHotIndex by (ToPt - FromPt) / Zoom; the rotate centre
    // becomes the centre of the points' bounds.
    void ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) override;

    // ---- copying, painting, mirroring, hit testing, stream ----

    // The inherited copy, then ArcMode and ArcStyle from an arc.
    void Assign(const TMyShape& Source) override;
    // The arc in the geometric pen, a chord or sector filled with the brush
    // first (amCircle), then the info texts.
    void Paint(TCanvas& Canvas) override;
    // The inherited mirror, then points 0 and 2 change places, so the mirrored
    // arc still runs from its start point through the same middle point.
    void FlipHorz() override;
    void FlipVert() override;
    // amEllipse: the stored rotate centre. amCircle: the centre of the circle
    // through the three points (logical); for points in a line, and for an
    // arc the screen shows as a straight segment, the middle of points 0 and 2.
    TMyPoint GetRotateCenter() const override;
    TMyPoint GetScreenRotateCenter() const override;
    // True inside the triangle of the three screen points, or within 10
    // pixels of the drawn arc.
    bool PointInShape(TCanvas& Canvas, const TPoint& P) override;
    // The common record, then Byte ArcMode, Byte ArcStyle. A byte out of
    // range throws EReadError; the tail is applied only when read whole.
    using TMyShape::LoadFromStream;
    using TMyShape::SaveToStream;
    void LoadFromStream(TStream& Stream, const TReadContext& Context) override;
    void SaveToStream(TStream& Stream, const TWriteContext& Context) override;

    // ---- the two curves (screen pixels) ----

    // The amCircle curve through Points; with Fill, a chord or sector figure
    // is first filled with the canvas brush (Paint has put the shape's brush
    // there). Inside a path bracket the canvas records the outline only.
    void DrawCircleArc(TCanvas& Canvas, const TArcPoints& Points, bool Fill);
    // The amEllipse curve through Points.
    void DrawEllipseArc(TCanvas& Canvas, const TArcPoints& Points);
    // The amCircle polyline: from the start through the middle point to the
    // end, closed by ArcStyle. Points nearly in a line give the straight
    // segment from start to end; points exactly in a line (or too far out
    // to compute with) give no points at all.
    TArcOutline CircleArcOutline(const TArcPoints& Points) const;
    // The amEllipse polyline from Points[0] to Points[2].
    static TArrPoint EllipseArcPoints(const TArcPoints& Points);

    // Screen bounds of everything PointInShape tests against (the three
    // points and the curve); a hit lies within CurveHitDistance of them.
    // False when nothing can be hit.
    bool HitBounds(TRect& Bounds) const;
    bool CurveHitBounds(TRect& Bounds) override { return HitBounds(Bounds); }

    // ---- published properties (setters only store) ----

    TArcMode ArcMode() const { return FArcMode; }
    void SetArcMode(TArcMode V) { FArcMode = V; }
    // Used in amCircle only.
    TArcStyle ArcStyle() const { return FArcStyle; }
    void SetArcStyle(TArcStyle V) { FArcStyle = V; }

private:
    // The three screen points, rounded; with fewer stored points the last
    // one stands in for the missing ones. False without points.
    bool ScreenArcPoints(TArcPoints& Points) const;
    // The polyline of the curve ArcMode names (a circle arc never closed).
    TArrPoint OpenArcPoints(const TArcPoints& Points) const;
    // The curve ArcMode names, open, for the outline previews.
    void DrawPreview(TCanvas& Canvas, const TArcPoints& Points);
    // Exchanges points 0 and 2 after a mirror.
    void SwapEnds();

    TArcMode FArcMode = TArcMode::amCircle;
    TArcStyle FArcStyle = TArcStyle::asArc;
};

} // namespace draxa
