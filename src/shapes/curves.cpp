// Poly-Bezier curves and B-lines: drawing and finishing, editing, previews,
// painting, hit tests, the B-line's spline and the vertex tool's insertion
// point; and the chain helpers the curve shapes share.
#include "shapes/curves.h"

#include "foundation/canvas.h"
#include "shapes/canvas_presets.h"
#include "shapes/shape_host.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace draxa {

namespace {

// Squared distance from P to the segment A-B, in pixels squared.
double SegmentDistance2(const TPoint& A, const TPoint& B, const TPoint& P) {
    const double DX = double(B.X) - A.X, DY = double(B.Y) - A.Y;
    const double PX = double(P.X) - A.X, PY = double(P.Y) - A.Y;
    const double L2 = DX * DX + DY * DY;
    double T = L2 > 0 ? (PX * DX + PY * DY) / L2 : 0;
    T = std::clamp(T, 0.0, 1.0);
    const double EX = PX - T * DX, EY = PY - T * DY;
    return EX * EX + EY * EY;
}

// Index of the first segment of the chain (or the single point) that passes
// less than CurveHitDistance from P; -1 none. Measured to the segments rather
// than to their ends: a flattened curve keeps nearly straight stretches as
// single long segments, whose middle must be as easy to hit as their ends.
int FirstNear(const TArrPoint& Chain, const TPoint& P) {
    constexpr double Limit = double(CurveHitDistance) * CurveHitDistance;
    if (Chain.size() == 1) return SegmentDistance2(Chain[0], Chain[0], P) < Limit ? 0 : -1;
    for (size_t I = 0; I + 1 < Chain.size(); ++I)
        if (SegmentDistance2(Chain[I], Chain[I + 1], P) < Limit) return int(I);
    return -1;
}

TPoint Shifted(const TMyPoint& P, double DX, double DY) {
    return Point(RoundHalfEven(P.X + DX), RoundHalfEven(P.Y + DY));
}

TMyPoint Midpoint(const TMyPoint& A, const TMyPoint& B) {
    return MyPoint(float((double(A.X) + B.X) / 2), float((double(A.Y) + B.Y) / 2));
}

// Uniform cubic B-spline basis at distance U from a knot.
double Basis(double U) {
    if (U < 1) return 2.0 / 3 - U * U + U * U * U / 2;
    const double W = 2 - U;
    return W * W * W / 6;
}

} // namespace

// ---- shared by the curve shapes ---------------------------------------------------

void DrawPointChain(TCanvas& Canvas, const TArrPoint& Points) {
    if (Points.empty()) return;
    Canvas.MoveTo(Points[0].X, Points[0].Y);
    for (size_t I = 1; I < Points.size(); ++I) Canvas.LineTo(Points[I].X, Points[I].Y);
}

bool ChainNear(const TArrPoint& Points, const TPoint& P) {
    return FirstNear(Points, P) >= 0;
}

int PointUnder(const TMyShape& Shape, const TPoint& P) {
    const int S = Shape.Host()->HotSize();
    int Hit = -1;
    // Every point is tried, so where squares overlap the later point wins.
    for (int I = 0; I < Shape.PointCount(); ++I) {
        const TPoint V = RoundMyPoint(Shape.GetScreenPoint(I));
        if (PtInRect(Rect(V.X - S, V.Y - S, V.X + S, V.Y + S), P)) Hit = I;
    }
    return Hit;
}

// ---- TMyPolyBezier ----------------------------------------------------------------

TArrPoint TMyPolyBezier::ScreenPoints() const {
    TArrPoint Q;
    Q.reserve(Points().size());
    for (int I = 0; I < PointCount(); ++I) Q.push_back(RoundMyPoint(GetScreenPoint(I)));
    return Q;
}

void TMyPolyBezier::DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) {
    const double DX = double(ToPt.X) - FromPt.X, DY = double(ToPt.Y) - FromPt.Y;
    TArrPoint Q;
    Q.reserve(Points().size());
    for (int I = 0; I < PointCount(); ++I) Q.push_back(Shifted(GetScreenPoint(I), DX, DY));
    Canvas.PolyBezier(Q);
}

void TMyPolyBezier::DrawCreating(TCanvas& Canvas, const TPoint&, const TPoint& P2) {
    const int N = PointCount();
    if (N == 0) return;
    // The stored points and then the mouse point, repeated up to the end of
    // the segment after the one being drawn.
    const int Size = std::max(((N - 4) / 3) * 3 + 7, N);
    TArrPoint Q = ScreenPoints();
    Q.resize(size_t(Size), P2);
    Canvas.PolyBezier(Q);
}

void TMyPolyBezier::DrawRotating(TCanvas& Canvas, const TMyPoint& Centre, double DAngle) {
    TArrPoint Q;
    Q.reserve(Points().size());
    for (int I = 0; I < PointCount(); ++I)
        Q.push_back(RoundMyPoint(RotateMyPoint(GetScreenPoint(I), Centre, float(DAngle))));
    Canvas.PolyBezier(Q);
}

void TMyPolyBezier::AddPoint(const TPoint& P) {
    TMyShape::AddPoint(P);
    const int A = PointCount();
    if (A < 4 || (A - 4) % 3 != 0) return;
    // P has just ended a segment: it also becomes the next segment's first
    // control point, and the joint moves half-way between its two control
    // points so that the segments meet without a kink. The outline shown for
    // the old points goes first, the one for the new points follows.
    TCanvas& Canvas = FHost->ScreenCanvas();
    DrawCreating(Canvas, Point(0, 0), P);
    TArrMyPoint& Q = MutablePoints();
    Q.push_back(Q[size_t(A - 1)]);
    Q[size_t(A - 1)] = Midpoint(Q[size_t(A - 2)], Q[size_t(A - 1)]);
    DrawCreating(Canvas, Point(0, 0), P);
}

bool TMyPolyBezier::IsCreateFinished(TMouseButton, const TPoint& P) {
    const int N = PointCount();
    if (N <= 3 || GetScreenPoint(N - 1) != GetScreenPoint(N - 2)) return false;
    // The repeated click finished the curve; it is not a point of its own.
    MutablePoints().pop_back();
    const int B = PointCount();
    if (B == 4) return true;
    if (B < 5) return false;
    // The mouse point completes the last segment.
    const int Missing = (3 - (B - 1) % 3) % 3;
    const double Z = Zoom();
    for (int I = 0; I < Missing; ++I) MutablePoints().push_back(MyPoint(float(P.X / Z), float(P.Y / Z)));
    return true;
}

void TMyPolyBezier::DrawHotPoints(TCanvas& Canvas) {
    if (!FHost->HotShow()) return;
    const int N = PointCount();
    for (int I = 0; I < N; ++I) DrawHotPoint(Canvas, GetScreenPoint(I));
    if (N > 4) {
        // The tangent through every inner joint, from the control point
        // arriving there to the one leaving it.
        UseHotPreset(Canvas);
        Canvas.Pen().SetColor(clGray);
        for (int M = 2; M < N - 2; M += 3) DrawLineF(Canvas, GetScreenPoint(M), GetScreenPoint(M + 2));
    }
    DrawInfoAnchor(Canvas, LogicalToScreen(FInfoPos));
}

int TMyPolyBezier::HotPointAt(const TPoint& P) {
    FHotIndex = PointUnder(*this, P);
    return FHotIndex;
}

void TMyPolyBezier::EditPoints(TArrMyPoint& Q, int A, double DX, double DY, const TMyPoint& FromPt,
                               const TMyPoint& ToPt, int (&Tangent)[2]) const {
    Tangent[0] = Tangent[1] = -1;
    const int N = int(Q.size());
    auto MoveBy = [&](int I) {
        Q[size_t(I)] = MyPoint(float(Q[size_t(I)].X + DX), float(Q[size_t(I)].Y + DY));
    };
    if (A <= 1 || A >= N - 2) {
        // The first and last two points move alone.
        MoveBy(A);
        return;
    }
    switch (A % 3) {
    case 2: {
        // Arriving at joint A + 1: the leaving control point turns with it.
        MoveBy(A);
        const TMyPoint Pivot = Q[size_t(A + 1)];
        Q[size_t(A + 2)] = RotateMyPoint(Q[size_t(A + 2)], Pivot, float(AngleBetween(FromPt, ToPt, Pivot)));
        Tangent[0] = A, Tangent[1] = A + 2;
        break;
    }
    case 1: {
        // Leaving joint A - 1: the arriving control point turns with it.
        MoveBy(A);
        const TMyPoint Pivot = Q[size_t(A - 1)];
        Q[size_t(A - 2)] = RotateMyPoint(Q[size_t(A - 2)], Pivot, float(AngleBetween(FromPt, ToPt, Pivot)));
        Tangent[0] = A, Tangent[1] = A - 2;
        break;
    }
    default:
        // A joint takes both its control points along.
        MoveBy(A - 1);
        MoveBy(A);
        MoveBy(A + 1);
        Tangent[0] = A - 1, Tangent[1] = A + 1;
        break;
    }
}

void TMyPolyBezier::ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) {
    const int A = FHotIndex, N = PointCount();
    if (A >= 0 && A < N) {
        TArrMyPoint Q;
        Q.reserve(size_t(N));
        for (int I = 0; I < N; ++I) Q.push_back(GetScreenPoint(I));
        int Tangent[2];
        EditPoints(Q, A, double(ToPt.X) - FromPt.X, double(ToPt.Y) - FromPt.Y, FromPt, ToPt, Tangent);
        // Only what the edit changed goes back: a screen round trip of the
        // other points could shift them by a rounding step.
        for (const int I : {A, Tangent[0], Tangent[1]})
            if (I >= 0) SetScreenPoint(I, Q[size_t(I)]);
    }
    if (!Points().empty()) FRotateCenter = GetCorner(4);
}

void TMyPolyBezier::DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) {
    const int A = FHotIndex, N = PointCount();
    if (A < 0 || A >= N) return;
    TArrMyPoint Q;
    Q.reserve(size_t(N));
    for (int I = 0; I < N; ++I) Q.push_back(GetScreenPoint(I));
    int Tangent[2];
    EditPoints(Q, A, RoundHalfEven(double(ToPt.X) - FromPt.X), RoundHalfEven(double(ToPt.Y) - FromPt.Y),
               FromPt, ToPt, Tangent);
    TArrPoint R;
    R.reserve(Q.size());
    for (const TMyPoint& P : Q) R.push_back(RoundMyPoint(P));
    Canvas.PolyBezier(R);
    if (Tangent[0] >= 0) DrawLineF(Canvas, Q[size_t(Tangent[0])], Q[size_t(Tangent[1])]);
}

void TMyPolyBezier::Paint(TCanvas& Canvas) {
    ApplyPenBrush(Canvas);
    const std::optional<TGeometricPen> Previous =
        SelectGeometricPen(Canvas, FPen.Style(), FPen.Width(), FPen.Color());
    Canvas.BeginPath();
    Canvas.PolyBezier(ScreenPoints());
    Canvas.EndPath();
    if (FBrush.Style() == TBrushStyle::bsClear)
        Canvas.StrokePath();
    else
        Canvas.StrokeAndFillPath();
    Canvas.SelectGeometricPen(Previous);
    DrawInfo(Canvas);
}

bool TMyPolyBezier::PointInShape(TCanvas&, const TPoint& P) {
    // Flattened on a canvas of its own, so the caller's canvas keeps
    // whatever path it holds.
    TCanvas Work;
    Work.BeginPath();
    Work.PolyBezier(ScreenPoints());
    Work.EndPath();
    Work.FlattenPath();
    return ChainNear(Work.GetPath().Points, P);
}

// ---- TMyBLine: the spline ---------------------------------------------------------

TMyBLine::TMyBLine(TShapeHost* AHost) : TMyShape(AHost), FControlPoints(size_t(InitialCapacity) + 2) {}

TMyPoint TMyBLine::ControlPoint(int Index) const {
    if (Index < 0 || Index > FControlCount + 1 || size_t(Index) >= FControlPoints.size())
        return MyPoint(0, 0);
    return FControlPoints[size_t(Index)];
}

void TMyBLine::AddControlPoint(const TMyPoint& P) {
    ++FControlCount;
    // More vertices than the work space holds get a larger one.
    if (FControlPoints.size() < size_t(FControlCount) + 2)
        FControlPoints.resize(std::max(FControlPoints.size() * 2, size_t(FControlCount) + 2));
    FControlPoints[size_t(FControlCount)] = P;
    SetEndControlPoints();
}

void TMyBLine::SetEndControlPoints() {
    const int N = FControlCount;
    std::vector<TMyPoint>& C = FControlPoints;
    if (N == 1) {
        // A single vertex: the curve is that point.
        C[0] = C[2] = C[1];
        return;
    }
    if (N < 2) return;
    C[0] = MyPoint(2 * C[1].X - C[2].X, 2 * C[1].Y - C[2].Y);
    C[size_t(N + 1)] =
        MyPoint(2 * C[size_t(N)].X - C[size_t(N - 1)].X, 2 * C[size_t(N)].Y - C[size_t(N - 1)].Y);
}

void TMyBLine::SolveControlPoints() {
    const int N = FControlCount;
    if (N < 1) return;
    // The system is tridiagonal: each inner vertex is 1/6, 2/3, 1/6 of three
    // neighbouring control points, the end vertices are their own control
    // points (natural ends). Only the three diagonals are kept.
    std::vector<float> Sub(size_t(N), 0.0f), Diag(size_t(N), 1.0f), Sup(size_t(N), 0.0f);
    for (int I = 1; I + 1 < N; ++I) {
        Sub[size_t(I)] = 0.16666667f;
        Diag[size_t(I)] = 0.6666667f;
        Sup[size_t(I)] = 0.16666667f;
    }
    const std::vector<TMyPoint>& D = FControlPoints;
    auto Same = [](const TMyPoint& A, const TMyPoint& B) {
        return std::fabs(A.X - B.X) < 1e-5f && std::fabs(A.Y - B.Y) < 1e-5f;
    };
    // A vertex repeated three times in a row is a corner: the curve passes
    // through it with the three as control points of their own.
    for (int I = 1; I + 1 < N; ++I) {
        if (!Same(D[size_t(I + 1)], D[size_t(I)]) || !Same(D[size_t(I + 1)], D[size_t(I + 2)])) continue;
        for (int R = I - 1; R <= I + 1; ++R) {
            Sub[size_t(R)] = Sup[size_t(R)] = 0.0f;
            Diag[size_t(R)] = 1.0f;
        }
    }
    for (int I = 0; I < N; ++I)
        if (std::fabs(Diag[size_t(I)]) < 1e-6f) return;

    std::vector<float> X(static_cast<size_t>(N)), Y(static_cast<size_t>(N));
    for (int I = 0; I < N; ++I) {
        X[size_t(I)] = D[size_t(I + 1)].X;
        Y[size_t(I)] = D[size_t(I + 1)].Y;
    }
    for (int I = 0; I + 1 < N; ++I) {
        const float F = Sub[size_t(I + 1)] / Diag[size_t(I)];
        Diag[size_t(I + 1)] -= F * Sup[size_t(I)];
        X[size_t(I + 1)] -= F * X[size_t(I)];
        Y[size_t(I + 1)] -= F * Y[size_t(I)];
    }
    X[size_t(N - 1)] /= Diag[size_t(N - 1)];
    Y[size_t(N - 1)] /= Diag[size_t(N - 1)];
    for (int I = N - 2; I >= 0; --I) {
        X[size_t(I)] = (X[size_t(I)] - Sup[size_t(I)] * X[size_t(I + 1)]) / Diag[size_t(I)];
        Y[size_t(I)] = (Y[size_t(I)] - Sup[size_t(I)] * Y[size_t(I + 1)]) / Diag[size_t(I)];
    }
    for (int I = 0; I < N; ++I) FControlPoints[size_t(I + 1)] = MyPoint(X[size_t(I)], Y[size_t(I)]);
    SetEndControlPoints();
}

TMyPoint TMyBLine::CurvePoint(double T) const {
    const int N = FControlCount;
    if (N < 1) return MyPoint(0, 0);
    const double X = T * (N - 1);
    const int C = int(X);
    double SX = 0, SY = 0;
    for (int K = std::max(C - 2, 0); K <= std::min(C + 3, N + 1); ++K) {
        const double U = std::fabs(X - (K - 1));
        if (U >= 2) continue;
        const double W = Basis(U);
        SX += W * FControlPoints[size_t(K)].X;
        SY += W * FControlPoints[size_t(K)].Y;
    }
    return MyPoint(float(SX), float(SY));
}

TArrPoint TMyBLine::CurvePoints() const {
    TArrPoint Q;
    if (FControlCount < 1) return Q;
    Q.reserve(size_t(CurveSteps) + 1);
    for (int I = 0; I <= CurveSteps; ++I) Q.push_back(RoundMyPoint(CurvePoint(double(I) / CurveSteps)));
    return Q;
}

void TMyBLine::DrawCurve(TCanvas& Canvas) const {
    DrawPointChain(Canvas, CurvePoints());
}

TArrPoint TMyBLine::CurveThrough(const TArrMyPoint& Vertices) {
    FControlCount = 0;
    for (const TMyPoint& P : Vertices) AddControlPoint(P);
    SolveControlPoints();
    return CurvePoints();
}

TArrMyPoint TMyBLine::ScreenVertices() const {
    TArrMyPoint V;
    V.reserve(Points().size());
    for (int I = 0; I < PointCount(); ++I) V.push_back(GetScreenPoint(I));
    return V;
}

// ---- TMyBLine: previews, creation, editing ----------------------------------------

void TMyBLine::DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) {
    const double DX = double(ToPt.X) - FromPt.X, DY = double(ToPt.Y) - FromPt.Y;
    TArrMyPoint V = ScreenVertices();
    for (TMyPoint& P : V) P = ToMyPoint(Shifted(P, DX, DY));
    DrawPointChain(Canvas, CurveThrough(V));
}

void TMyBLine::DrawCreating(TCanvas& Canvas, const TPoint&, const TPoint& P2) {
    const int N = PointCount();
    if (N == 0) return;
    if (N == 1) {
        DrawHotPoint(Canvas, GetScreenPoint(0));
        return;
    }
    TArrMyPoint V = ScreenVertices();
    if (FReplaceLast)
        V.back() = ToMyPoint(P2);
    else
        V.push_back(ToMyPoint(P2));
    // A mouse point in line with the vertex before it (on the spot of a
    // vertex just put down, in particular) draws nothing.
    const TMyPoint& Before = V[V.size() - 2];
    if (Before.X == float(P2.X) || Before.Y == float(P2.Y)) return;
    for (int I = 0; I < N; ++I) DrawHotPoint(Canvas, GetScreenPoint(I));
    UsePreviewPreset(Canvas);
    DrawPointChain(Canvas, CurveThrough(V));
}

void TMyBLine::DrawRotating(TCanvas& Canvas, const TMyPoint& Centre, double DAngle) {
    TArrMyPoint V = ScreenVertices();
    for (TMyPoint& P : V) P = RotateMyPoint(P, Centre, float(DAngle));
    DrawPointChain(Canvas, CurveThrough(V));
}

void TMyBLine::DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) {
    const int H = FHotIndex;
    if (H < 0 || H >= PointCount()) return;
    TArrMyPoint V = ScreenVertices();
    TMyPoint& P = V[size_t(H)];
    P = MyPoint(float(double(P.X) + ToPt.X - FromPt.X), float(double(P.Y) + ToPt.Y - FromPt.Y));
    DrawPointChain(Canvas, CurveThrough(V));
}

bool TMyBLine::IsCreateFinished(TMouseButton, const TPoint&) {
    const int N = PointCount();
    if (N < 4 || GetScreenPoint(N - 1) != GetScreenPoint(N - 2)) return false;
    // The repeated click finished the curve; it is not a vertex of its own.
    MutablePoints().pop_back();
    return true;
}

void TMyBLine::DrawHotPoints(TCanvas& Canvas) {
    if (!FHost->HotShow()) return;
    for (int I = 0; I < PointCount(); ++I) DrawHotPoint(Canvas, GetScreenPoint(I));
    DrawInfoAnchor(Canvas, LogicalToScreen(FInfoPos));
}

int TMyBLine::HotPointAt(const TPoint& P) {
    FHotIndex = PointUnder(*this, P);
    return FHotIndex;
}

void TMyBLine::ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) {
    if (FHotIndex >= 0 && FHotIndex < PointCount())
        MovePointBy(FHotIndex, double(ToPt.X) - FromPt.X, double(ToPt.Y) - FromPt.Y);
    if (!Points().empty()) FRotateCenter = GetCorner(4);
}

// ---- TMyBLine: painting and hit testing -------------------------------------------

void TMyBLine::Paint(TCanvas& Canvas) {
    if (!Points().empty()) {
        ApplyPenBrush(Canvas);
        const std::optional<TGeometricPen> Previous =
            SelectGeometricPen(Canvas, FPen.Style(), FPen.Width(), FPen.Color());
        Canvas.BeginPath();
        // The curve hover keeps is solved from the same screen vertices.
        DrawPointChain(Canvas, HitCurve());
        Canvas.EndPath();
        Canvas.StrokePath();
        Canvas.SelectGeometricPen(Previous);
    }
    DrawInfo(Canvas);
}

// The curve is a chain of straight pieces already: flattening it as a path
// would give back the same points, so the samples are tested as they are.
bool TMyBLine::PointInShape(TCanvas&, const TPoint& P) {
    return ChainNear(HitCurve(), P);
}

const TArrPoint& TMyBLine::HitCurve() {
    // Hover asks on every mouse move; solving the spline each time would cost
    // far more than comparing the vertices it was solved from.
    bool Same = FHitValid && FHitVertices.size() == Points().size();
    for (int I = 0; Same && I < PointCount(); ++I) {
        const TMyPoint V = GetScreenPoint(I);
        Same = V.X == FHitVertices[size_t(I)].X && V.Y == FHitVertices[size_t(I)].Y;
    }
    if (Same) return FHitCurve;
    FHitVertices = ScreenVertices();
    FHitCurve = CurveThrough(FHitVertices);
    FHitValid = true;
    FHitBounds = Rect(0, 0, 0, 0);
    if (!FHitCurve.empty()) FHitBounds = Rect(FHitCurve[0].X, FHitCurve[0].Y, FHitCurve[0].X, FHitCurve[0].Y);
    for (const TPoint& Q : FHitCurve) {
        FHitBounds.Left = std::min(FHitBounds.Left, Q.X);
        FHitBounds.Top = std::min(FHitBounds.Top, Q.Y);
        FHitBounds.Right = std::max(FHitBounds.Right, Q.X);
        FHitBounds.Bottom = std::max(FHitBounds.Bottom, Q.Y);
    }
    return FHitCurve;
}

bool TMyBLine::HitCurveBounds(TRect& Bounds) {
    if (HitCurve().empty()) return false;
    Bounds = FHitBounds;
    return true;
}

bool TMyBLine::CurveSegmentAt(const TPoint& P, int& InsertIndex) {
    InsertIndex = -1;
    const TArrMyPoint V = ScreenVertices();
    const TArrPoint Path = CurveThrough(V);
    const int H = FirstNear(Path, P);
    if (H < 0) return false;
    // Each vertex is placed where the curve first comes within reach of it,
    // just as the click is, so a click just before a vertex goes in before
    // it and one just after goes in after it.
    for (size_t I = 0; I < V.size(); ++I) {
        if (std::max(FirstNear(Path, RoundMyPoint(V[I])), 0) > H) {
            InsertIndex = int(I);
            break;
        }
    }
    return true;
}

} // namespace draxa
