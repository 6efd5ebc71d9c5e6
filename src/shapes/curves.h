// Poly-Bezier curves and B-lines, and the helpers the curve shapes (these
// two and the elliptic arc) share.
//
// TMyPolyBezier stores its Bezier points themselves: the start, then for
// every segment two control points and its end (3k + 1 points when done).
// While it is drawn each segment end is put half-way between the control
// points on either side, so consecutive segments join smoothly; dragging a
// control point turns its partner about their joint.
//
// TMyBLine stores the vertices a smooth curve passes through. The curve is a
// uniform cubic B-spline whose control points are solved from the vertices
// (screen units) every time it is drawn, with natural ends, sampled at 601
// parameter values. Three equal vertices in a row make a sharp corner there.
//
// Neither shape adds a field to the shape record.
#pragma once

#include "draxa_export.h"
#include "shapes/shape.h"

namespace draxa {

// ---- shared by the curve shapes (screen pixels) ----

// Distance, in screen pixels at every zoom, within which a click hits a curve.
constexpr int CurveHitDistance = 10;
// MoveTo the first point, LineTo each following one.
DRAXA_EXPORT void DrawPointChain(TCanvas& Canvas, const TArrPoint& Points);
// True when P lies less than CurveHitDistance from the chain of segments
// through Points (from the point itself when there is only one).
DRAXA_EXPORT bool ChainNear(const TArrPoint& Points, const TPoint& P);
// The last point of Shape whose HotSize square holds P, -1 none.
DRAXA_EXPORT int PointUnder(const TMyShape& Shape, const TPoint& P);

class DRAXA_EXPORT TMyPolyBezier : public TMyShape {
public:
    using TMyShape::TMyShape;
    QString ClassName() const override { return QStringLiteral("TMyPolyBezier"); }

    // The length of the whole segments, each sampled finely; a curve whose
    // two ends meet also encloses an area.
    std::optional<double> MeasuredLength() const override;
    std::optional<double> MeasuredArea() const override;

    // ---- outline previews (screen; pen and mode as the caller prepared them) ----

    // The curve of the screen points displaced by ToPt - FromPt, rounded.
    void DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) override;
    // The curve of the stored points continued to the mouse point P2: the
    // stored points followed by copies of P2 up to a whole segment more. P1
    // is not used.
    void DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) override;
    // The curve turned by DAngle about Centre.
    void DrawRotating(TCanvas& Canvas, const TMyPoint& Centre, double DAngle) override;
    // The curve edited as ResizeByHot would edit it, with the tangent line
    // through the joint concerned.
    void DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) override;

    // ---- creation, hot points, editing ----

    // Appends the screen point P / Zoom. When that point ends a segment it is
    // also taken as the next segment's first control point, and the joint
    // moves half-way between its two control points; the creation outline on
    // the surface's canvas is drawn before and after that change.
    void AddPoint(const TPoint& P) override;
    // A repeated last point (double click) finishes the curve: the duplicate
    // goes and the mouse point P / Zoom fills the last segment up to 3k + 1
    // points. False with 3 points or fewer or without a repeated point.
    bool IsCreateFinished(TMouseButton Button, const TPoint& P) override;
    // A mark on every point, grey tangent lines through the inner joints,
    // then the info anchor; nothing when the surface hides hot points.
    void DrawHotPoints(TCanvas& Canvas) override;
    // The last point whose HotSize square holds screen point P, -1 none; kept in FHotIndex.
    int HotPointAt(const TPoint& P) override;
    // Moves point FHotIndex by ToPt - FromPt (screen). An inner control point
    // turns its partner about their joint by the angle FromPt-ToPt makes
    // there; a joint takes both its control points along. The rotate centre
    // becomes the centre of the points' bounds.
    void ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) override;

    // ---- painting and hit testing ----

    // The curve in the geometric pen, filled with the brush unless it is clear
    // (the path closes from the end back to the start); then the info texts.
    void Paint(TCanvas& Canvas) override;
    // True within 10 pixels of the flattened curve.
    bool PointInShape(TCanvas& Canvas, const TPoint& P) override;

private:
    // The screen points, rounded.
    TArrPoint ScreenPoints() const;
    // The editing rule on screen copies Q of the points for hot point A moved
    // by (DX, DY); Tangent receives the ends of the tangent line to show
    // (-1, -1 for none).
    void EditPoints(TArrMyPoint& Q, int A, double DX, double DY, const TMyPoint& FromPt, const TMyPoint& ToPt,
                    int (&Tangent)[2]) const;
};

class DRAXA_EXPORT TMyBLine : public TMyShape {
public:
    // The curve is sampled at CurveSteps + 1 parameter values.
    static constexpr int CurveSteps = 600;
    // The work space holds at least this many vertices; it grows for more.
    static constexpr int InitialCapacity = 100;

    explicit TMyBLine(TShapeHost* AHost);
    QString ClassName() const override { return QStringLiteral("TMyBLine"); }

    // The curve through the logical vertices, sampled finely; a curve whose
    // two ends meet also encloses an area.
    std::optional<double> MeasuredLength() const override;
    std::optional<double> MeasuredArea() const override;

    // ---- outline previews (screen; pen and mode as the caller prepared them) ----

    // The curve of the screen vertices displaced by ToPt - FromPt and rounded.
    void DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) override;
    // One vertex: its hot mark. More: the curve through the vertices and the
    // mouse point P2, appended, or standing in for the last vertex while
    // ReplaceLast is set; drawn (with the vertex marks) only while P2 differs
    // from the vertex before it in both x and y. P1 is not used.
    void DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) override;
    // The curve of the screen vertices turned by DAngle about Centre.
    void DrawRotating(TCanvas& Canvas, const TMyPoint& Centre, double DAngle) override;
    // The curve with vertex FHotIndex displaced by ToPt - FromPt.
    void DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) override;

    // ---- creation, hot points, resizing ----

    // True with at least 4 vertices whose last two coincide on screen (the
    // finishing double click); that duplicate is then removed.
    bool IsCreateFinished(TMouseButton Button, const TPoint& P) override;
    // A mark on every vertex, then the info anchor; nothing when the surface hides hot points.
    void DrawHotPoints(TCanvas& Canvas) override;
    // The last vertex whose HotSize square holds screen point P, -1 none; kept in FHotIndex.
    int HotPointAt(const TPoint& P) override;
    // Moves vertex FHotIndex by (ToPt - FromPt) / Zoom; the rotate centre
    // becomes the centre of the points' bounds.
    void ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) override;

    // ---- painting and hit testing ----

    // The curve in the geometric pen, never filled; then the info texts.
    void Paint(TCanvas& Canvas) override;
    // True within 10 pixels of the curve of the screen vertices.
    bool PointInShape(TCanvas& Canvas, const TPoint& P) override;
    // Screen bounds of the samples PointInShape tests (kept between calls);
    // False when the curve has no samples.
    bool HitCurveBounds(TRect& Bounds);
    bool CurveHitBounds(TRect& Bounds) override { return HitCurveBounds(Bounds); }
    // Where the vertex tool puts a vertex clicked at screen point P: the
    // first vertex that the curve reaches after passing P. False and -1 when
    // P is 10 pixels or more from the curve; True and -1 when P lies beyond
    // the last vertex's stretch of the curve.
    bool CurveSegmentAt(const TPoint& P, int& InsertIndex);

    // ---- the spline work space (screen units) ----

    // Loads one more vertex into the work space and sets the end control points.
    void AddControlPoint(const TMyPoint& P);
    // End control points that give natural ends: 2 x vertex 1 - vertex 2 and
    // 2 x vertex n - vertex n-1. A single vertex is its own end control points.
    void SetEndControlPoints();
    // Replaces the loaded vertices by the control points of the spline that
    // passes through them.
    void SolveControlPoints();
    // The spline at T in [0, 1]: vertex 1 at 0, vertex j at (j - 1) / (n - 1), vertex n at 1.
    TMyPoint CurvePoint(double T) const;
    // The CurveSteps + 1 samples of the spline, rounded.
    TArrPoint CurvePoints() const;
    // MoveTo the first sample, LineTo each following one.
    void DrawCurve(TCanvas& Canvas) const;
    // The samples of the curve through Vertices (loaded and solved first).
    TArrPoint CurveThrough(const TArrMyPoint& Vertices);
    // Vertices loaded into the work space.
    int ControlCount() const { return FControlCount; }
    // Work space point Index: 0 and ControlCount() + 1 are the end control
    // points; (0, 0) out of range.
    TMyPoint ControlPoint(int Index) const;

    // Set by the surface around the one creation outline it draws right after
    // a click has added a vertex.
    bool ReplaceLast() const { return FReplaceLast; }
    void SetReplaceLast(bool V) { FReplaceLast = V; }

private:
    // The screen vertices, not rounded.
    TArrMyPoint ScreenVertices() const;
    // The samples of the curve through the screen vertices, solved again only
    // when a vertex or the zoom gives other screen vertices than last time.
    const TArrPoint& HitCurve();

    // Index 0 and FControlCount + 1 hold the end control points.
    std::vector<TMyPoint> FControlPoints;
    int FControlCount = 0;
    bool FReplaceLast = false;
    // Hit-test cache: the screen vertices the samples were solved from, the
    // samples and their bounds.
    bool FHitValid = false;
    TArrMyPoint FHitVertices;
    TArrPoint FHitCurve;
    TRect FHitBounds{0, 0, 0, 0};
};

} // namespace draxa
