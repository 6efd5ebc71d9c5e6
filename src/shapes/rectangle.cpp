// TMyRectangle: creation from two clicks, hot points and resizing, outline
// previews, painting, and the area and side-length texts.
#include "shapes/rectangle.h"

#include "foundation/canvas.h"
#include "shapes/shape_host.h"

namespace draxa {

namespace {

// P turned by Angle about Centre; exact when there is nothing to turn.
TMyPoint Turn(const TMyPoint& P, const TMyPoint& Centre, float Angle) {
    return Angle == 0 ? P : RotateMyPoint(P, Centre, Angle);
}

float Mean(float A, float B) {
    return float((double(A) + B) / 2);
}

// Which corners a hot point drags: A is the corner the mouse holds, B takes
// the vertical change and D the horizontal one. A side hot point moves a
// whole side: its two corners are A (= B) and D.
struct TResizeRoles {
    int A, B, D;
};
constexpr TResizeRoles ResizeRoles[8] = {{0, 1, 3}, {1, 0, 2}, {2, 3, 1}, {3, 2, 0},
                                         {0, 0, 1}, {1, 1, 2}, {2, 2, 3}, {3, 3, 0}};

void DrawClosed(TCanvas& Canvas, const std::array<TPoint, 4>& K) {
    Canvas.MoveTo(K[0].X, K[0].Y);
    for (int I = 1; I < 4; ++I) Canvas.LineTo(K[size_t(I)].X, K[size_t(I)].Y);
    Canvas.LineTo(K[0].X, K[0].Y);
}

} // namespace

TMyRectangle::TMyRectangle(TShapeHost* AHost) : TMyShape(AHost) {}

// ---- outline previews ------------------------------------------------------

void TMyRectangle::DrawOutline(TCanvas& Canvas, const TCorners& Corners) {
    std::array<TPoint, 4> K;
    for (size_t I = 0; I < 4; ++I) K[I] = RoundMyPoint(Corners[I]);
    DrawClosed(Canvas, K);
}

TMyRectangle::TCorners TMyRectangle::ScreenCorners() const {
    TCorners K;
    for (int I = 0; I < 4; ++I) K[size_t(I)] = GetScreenPoint(I);
    return K;
}

void TMyRectangle::DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) {
    if (PointCount() < 4) return;
    // Rounded first and shifted by whole pixels after, so the outline keeps
    // its shape wherever it is dragged.
    const TCorners S = ScreenCorners();
    std::array<TPoint, 4> K;
    for (size_t I = 0; I < 4; ++I) {
        const TPoint R = RoundMyPoint(S[I]);
        K[I] = Point(R.X + (ToPt.X - FromPt.X), R.Y + (ToPt.Y - FromPt.Y));
    }
    DrawClosed(Canvas, K);
}

void TMyRectangle::DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) {
    Canvas.Rectangle(P1.X, P1.Y, P2.X, P2.Y);
}

void TMyRectangle::DrawRotating(TCanvas& Canvas, const TMyPoint& Centre, double DAngle) {
    if (PointCount() < 4) return;
    TCorners K = ScreenCorners();
    for (TMyPoint& P : K) P = RotateMyPoint(P, Centre, float(DAngle));
    DrawOutline(Canvas, K);
}

void TMyRectangle::DrawResizing(TCanvas& Canvas, const TMyPoint&, const TMyPoint& ToPt) {
    if (PointCount() < 4) return;
    TCorners K = ScreenCorners();
    if (ResizeCorners(K, GetScreenRotateCenter(), ToPt)) DrawOutline(Canvas, K);
}

// ---- hot points --------------------------------------------------------------

bool TMyRectangle::SurfaceRotating() const {
    const TInteractionMode M = FHost->Mode();
    return FHost->ShapeTool() == TDrawTool::SpRotateSelecting || M == TInteractionMode::RotateSelecting ||
           M == TInteractionMode::Rotating;
}

bool TMyRectangle::IsHotPointShown(int Index) const {
    if (Index >= 0 && Index < 4) return true;
    if (Index < 4 || Index > 7 || !FShowSideHot || SurfaceRotating()) return false;
    // 4 and 6 lie on the sides that move up and down, 5 and 7 on those that move sideways.
    return Index % 2 == 0 ? FShowVerticalSideHot : FShowHorizontalSideHot;
}

void TMyRectangle::DrawHotPoints(TCanvas& Canvas) {
    if (!FHost->HotShow()) return;
    if (PointCount() >= 4) {
        for (int I : {0, 1, 2, 3, 4, 6, 5, 7})
            if (IsHotPointShown(I)) DrawHotPoint(Canvas, GetScreenPoint(I));
    }
    DrawInfoAnchor(Canvas, LogicalToScreen(FInfoPos));
}

int TMyRectangle::HotPointAt(const TPoint& P) {
    FHotIndex = -1;
    if (PointCount() < 4) return FHotIndex;
    const int S = FHost->HotSize();
    // Every square is tried, so where squares overlap the higher index wins.
    for (int I = 0; I < 8; ++I) {
        if (!IsHotPointShown(I)) continue;
        const TPoint C = RoundMyPoint(GetScreenPoint(I));
        if (PtInRect(Rect(C.X - S, C.Y - S, C.X + S, C.Y + S), P)) FHotIndex = I;
    }
    return FHotIndex;
}

TCursor TMyRectangle::GetHotCursor(int X, int Y) {
    const int H = HotPointAt(Point(X, Y));
    if (H < 0) return crCross;
    if (H == 4 || H == 6) return crSizeNS;
    if (H == 5 || H == 7) return crSizeWE;
    // A corner: the diagonal follows the quadrant of the mouse around the
    // centre (a point on a dividing line takes the later test's cursor).
    const double Z = Zoom();
    const TMyPoint Q{float(X / Z), float(Y / Z)};
    const TMyPoint C = GetRotateCenter();
    TCursor Result = crCross;
    if (IsTopLeftOf(C, Q)) Result = crSizeNWSE;
    if (IsBottomLeftOf(C, Q)) Result = crSizeNESW;
    if (IsTopRightOf(C, Q)) Result = crSizeNESW;
    if (IsBottomRightOf(C, Q)) Result = crSizeNWSE;
    return Result;
}

bool TMyRectangle::ResizeCorners(TCorners& Corners, const TMyPoint& Centre, const TMyPoint& N) const {
    if (FHotIndex < 0 || FHotIndex > 7) return false;
    const TResizeRoles R = ResizeRoles[FHotIndex];
    const bool Side = FHotIndex >= 4;

    // Everything is decided in the box's own frame, where its sides are upright.
    TCorners U;
    for (size_t I = 0; I < 4; ++I) U[I] = Turn(Corners[I], Centre, -FAngle);
    const TMyRect B = BoundsOfMyPoints(TArrMyPoint(U.begin(), U.end()));
    const TMyPoint TL{B.Left, B.Top}, TR{B.Right, B.Top}, BR{B.Right, B.Bottom}, BL{B.Left, B.Bottom};

    const TMyPoint Pa = U[size_t(R.A)];
    TMyPoint Pn = Turn(N, Centre, -FAngle);
    // A side moves only across itself, so the mouse's movement along the side
    // is dropped before the move is judged: dragging the right side handle
    // with the mouse below the box still resizes it.
    if (Side) {
        if (R.A == 0 || R.A == 2)
            Pn.X = Pa.X;
        else
            Pn.Y = Pa.Y;
    }

    // The dragged corner must stay on its own side of the opposite corner, or
    // the box would turn inside out.
    const bool Allowed = (IsTopLeftOf(Centre, Pa) && IsTopLeftOf(BR, Pn)) ||
                         (IsBottomRightOf(Centre, Pa) && IsBottomRightOf(TL, Pn)) ||
                         (IsTopRightOf(Centre, Pa) && IsTopRightOf(BL, Pn)) ||
                         (IsBottomLeftOf(Centre, Pa) && IsBottomLeftOf(TR, Pn));
    if (!Allowed) return false;

    const double DX = double(Pn.X) - Pa.X;
    const double DY = double(Pn.Y) - Pa.Y;
    TMyPoint& UB = U[size_t(R.B)];
    TMyPoint& UD = U[size_t(R.D)];
    UB.Y = float(UB.Y + DY);
    UD.X = float(UD.X + DX);
    if (Side) {
        UB.X = float(UB.X + DX);
        UD.Y = float(UD.Y + DY);
    } else {
        Corners[size_t(R.A)] = N;
    }
    // Only the corners that moved are turned back, so the others keep their
    // exact values.
    Corners[size_t(R.B)] = Turn(UB, Centre, FAngle);
    Corners[size_t(R.D)] = Turn(UD, Centre, FAngle);
    return true;
}

void TMyRectangle::ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) {
    TMyShape::ResizeByHot(FromPt, ToPt);
    if (PointCount() >= 4) {
        const double Z = Zoom();
        const TMyPoint N{float(ToPt.X / Z), float(ToPt.Y / Z)};
        TCorners K;
        for (size_t I = 0; I < 4; ++I) K[I] = Points()[I];
        if (ResizeCorners(K, GetRotateCenter(), N))
            for (size_t I = 0; I < 4; ++I) MutablePoints()[I] = K[I];
    }
    FRotateCenter = GetCorner(4);
}

// ---- creation ----------------------------------------------------------------

void TMyRectangle::AddPoint(const TPoint& P) {
    const double Z = Zoom();
    const TMyPoint N{float(P.X / Z), float(P.Y / Z)};
    if (Points().empty()) {
        MutablePoints().push_back(N);
        return;
    }
    if (Points().size() != 1) return;
    const TMyPoint P0 = Points()[0];
    // A second click in line with the first spans no box: keep waiting.
    if (N.X == P0.X || N.Y == P0.Y) return;
    MutablePoints().push_back(MyPoint(N.X, P0.Y));
    MutablePoints().push_back(N);
    MutablePoints().push_back(MyPoint(P0.X, N.Y));
}

bool TMyRectangle::IsCreateFinished(TMouseButton, const TPoint&) {
    return PointCount() == 4;
}

// ---- painting, measuring, hit testing ------------------------------------------

void TMyRectangle::PaintBox(TCanvas& Canvas) {
    if (PointCount() < 4) return;
    ApplyPenBrush(Canvas);
    TArrPoint K;
    K.reserve(5);
    for (int I = 0; I < 4; ++I) K.push_back(RoundMyPoint(GetScreenPoint(I)));
    K.push_back(K.front());
    PaintPolygon(Canvas, K, true, int(K.size()));
}

void TMyRectangle::Paint(TCanvas& Canvas) {
    PaintBox(Canvas);
    DrawInfo(Canvas);
}

void TMyRectangle::UpdateMeasureInfo(QString& Text) {
    const double W = UnrotatedWidth();
    const double H = UnrotatedHeight();
    const double R = FHost->Ratio();
    const double D = ScreenPixelsPerInch();
    const double SquareInches = H * W * (R * R / (D * D));
    const double SquareMm = SquareInches * 25.4 * 25.4;
    Text = AreaText(W * H * R * R, SquareMm, SquareInches);
    SetInfo(Text);
}

QString TMyRectangle::GetLengthText(const TPoint& P1, const TPoint& P2) {
    // The sides of the box spanned by P1 and P2, measured through its corner
    // (P2.X, P1.Y): m across, n down.
    const TMyPoint Corner = ToMyPoint(Point(P2.X, P1.Y));
    const double Lm = MyPointDistance(ToMyPoint(P1), Corner);
    const double Ln = MyPointDistance(ToMyPoint(P2), Corner);
    const double S = (FHost->Ratio()) / Zoom();
    const double D = ScreenPixelsPerInch();

    // The first line carries a blank before the unit, the second none, for
    // every unit alike.
    double Factor = 1;
    QString Unit;
    switch (FHost->TheUNIT()) {
    case TUnits::pixel:
        Unit = QStringLiteral("pixel(s)");
        break;
    case TUnits::mm:
        Factor = 25.4 / D;
        Unit = QStringLiteral("mm");
        break;
    case TUnits::cm:
        Factor = 25.4 / D / 10;
        Unit = QStringLiteral("cm");
        break;
    case TUnits::dm:
        Factor = 25.4 / D / 100;
        Unit = QStringLiteral("dm");
        break;
    case TUnits::m:
        Factor = 25.4 / D / 1000;
        Unit = QStringLiteral("m");
        break;
    case TUnits::inch:
        Factor = 1 / D;
        Unit = QStringLiteral("in");
        break;
    }
    return QStringLiteral("m=") + QString::asprintf("%9.2f", Lm * Factor * S) + QLatin1Char(' ') + Unit +
           QChar(13) + QStringLiteral("n=") + QString::asprintf("%9.2f", Ln * Factor * S) + Unit;
}

bool TMyRectangle::PointInShape(TCanvas&, const TPoint& P) {
    if (PointCount() < 4) return false;
    TArrPoint K;
    K.reserve(4);
    for (int I = 0; I < 4; ++I) K.push_back(RoundMyPoint(GetScreenPoint(I)));
    return PtInRegion(CreatePolygonRgn(K, ALTERNATE), P.X, P.Y);
}

// ---- points and centre -----------------------------------------------------------

TMyPoint TMyRectangle::GetPoint(int Index) const {
    if (Index == -1) return Turn(MyPoint(0, 0), GetRotateCenter(), FAngle);
    if (Index < 4 || Index > 7 || PointCount() < 4) return TMyShape::GetPoint(Index);
    // The middle of a side, taken in the box's own frame and turned back.
    const TMyPoint C = GetRotateCenter();
    TCorners U;
    for (size_t I = 0; I < 4; ++I) U[I] = Turn(Points()[I], C, -FAngle);
    TMyPoint M;
    switch (Index) {
    case 4:
        M = MyPoint(Mean(U[0].X, U[1].X), U[0].Y);
        break;
    case 5:
        M = MyPoint(U[1].X, Mean(U[1].Y, U[2].Y));
        break;
    case 6:
        M = MyPoint(Mean(U[3].X, U[2].X), U[2].Y);
        break;
    default:
        M = MyPoint(U[0].X, Mean(U[1].Y, U[2].Y));
        break;
    }
    return Turn(M, C, FAngle);
}

TMyPoint TMyRectangle::GetRotateCenter() const {
    return GetCorner(4);
}

TMyPoint TMyRectangle::GetScreenRotateCenter() const {
    return LogicalToScreen(GetRotateCenter());
}

} // namespace draxa
