// TMyShape geometry: moving, rotating, mirroring and scaling the points,
// measuring, and finding the info anchor, link points and line ends under
// the mouse.
#include "foundation/canvas.h"
#include "shapes/shape.h"
#include "shapes/shape_host.h"

#include <cmath>

namespace draxa {

namespace {

constexpr long double PiL = 3.141592653589793238462643383279502884L;

// Direction of the ray from Centre to P, clockwise from +X, in [0, 2 Pi).
// A point on the centre has no direction; it counts as 0, as does a point
// so far away that the computation overflows.
long double RayDirection(const TMyPoint& P, const TMyPoint& Centre) {
    const long double DX = (long double)P.X - Centre.X;
    const long double DY = (long double)P.Y - Centre.Y;
    if (DX == 0 && DY == 0) return 0;
    const long double Base = DX != 0 ? std::atan(DY / DX) : (DY / std::fabs(DY)) * PiL / 2;
    const int SX = SignX(P, Centre);
    const int SY = SignY(P, Centre);
    long double R;
    if (SX == 1 && SY == -1)
        R = Base + PiL;
    else if (SX == 1 && SY == 1)
        R = std::fabs(Base) + PiL;
    else if (SX == -1 && SY == 1)
        R = 2 * PiL - std::fabs(Base);
    else
        R = Base;
    R = std::fabs(R);
    return std::isfinite(R) ? R : 0;
}

// C - (V - C), the mirror image of V in C.
float MirrorOf(float V, float C) {
    return float((long double)C - ((long double)V - C));
}

// Bounds of Points turned back by Angle about Centre: the shape in its own frame.
TMyRect UnrotatedBounds(const TArrMyPoint& Points, const TMyPoint& Centre, float Angle) {
    TArrMyPoint U;
    U.reserve(Points.size());
    for (const TMyPoint& P : Points) U.push_back(RotateMyPoint(P, Centre, -Angle));
    return BoundsOfMyPoints(U);
}

// True when the rounded screen point P lies in the square of half-size Tol
// around the rounded screen point Q (right and bottom edges excluded).
bool NearScreenPoint(const TPoint& P, const TMyPoint& Q, int Tol) {
    const TPoint C = RoundMyPoint(Q);
    return PtInRect(InflateRectSafe(Rect(C.X, C.Y, C.X, C.Y), Tol), P);
}

} // namespace

// ---- moving ----------------------------------------------------------------

void TMyShape::MoveBy(const TPoint& FromPt, const TPoint& ToPt) {
    Move(double(ToPt.X) - FromPt.X, double(ToPt.Y) - FromPt.Y);
}

void TMyShape::Move(double DX, double DY) {
    Changed();
    if (DX == 0 && DY == 0) return;
    for (int I = 0; I < PointCount(); ++I) MovePointBy(I, DX, DY);
    for (int I = 0; I < LinkPointCount(); ++I) MoveLinkPointBy(I, DX, DY);
    const double Z = Zoom();
    const double LX = DX / Z, LY = DY / Z;
    FRotateCenter = TMyPoint{float(FRotateCenter.X + LX), float(FRotateCenter.Y + LY)};
    FInfoPos = TMyPoint{float(FInfoPos.X + LX), float(FInfoPos.Y + LY)};
    Changed();
}

void TMyShape::MoveLogical(double DX, double DY) {
    for (TMyPoint& P : MutablePoints()) P = TMyPoint{float(P.X + DX), float(P.Y + DY)};
    for (TMyPoint& P : MutableLinkPoints()) P = TMyPoint{float(P.X + DX), float(P.Y + DY)};
    FInfoPos = TMyPoint{float(FInfoPos.X + DX), float(FInfoPos.Y + DY)};
}

void TMyShape::ResetRotateCenter(const TPoint&, const TPoint&) {
    if (FPoints.empty()) return;
    FRotateCenter = GetCorner(4);
    FInfoPos = TMyPoint{FRotateCenter.X, BoundsOfMyPoints(FPoints).Bottom + 10};
    Changed();
}

// ---- rotating and mirroring ------------------------------------------------

void TMyShape::Rotate(const TMyPoint& Centre, double DAngle) {
    Changed();
    if (FPoints.empty()) return;
    const float A = float(DAngle);
    // Read through GetPoint, so a class that reports its points differently
    // turns what it reports.
    for (int I = 0; I < PointCount(); ++I) SetPoint(I, RotateMyPoint(GetPoint(I), Centre, A));
    for (TMyPoint& P : MutableLinkPoints()) P = RotateMyPoint(P, Centre, A);
    FInfoPos = RotateMyPoint(FInfoPos, Centre, A);
    FRotateCenter = RotateMyPoint(FRotateCenter, Centre, A);
    FAngle = FAngle + A;
    NormalizeAngle(FAngle);
}

void TMyShape::FlipHorz() {
    Changed();
    // A group member mirrors about the axis of its outermost group, so the
    // group keeps its layout.
    TMyShape* Top = IsGrouped() ? FHost->TopGroupOf(this) : nullptr;
    const TMyPoint C = Top ? Top->GetRotateCenter() : GetRotateCenter();
    for (int I = 0; I < PointCount(); ++I) SetPointX(I, MirrorOf(GetPoint(I).X, C.X));
    for (TMyPoint& P : MutableLinkPoints()) P.X = MirrorOf(P.X, C.X);
    FRotateCenter.X = MirrorOf(FRotateCenter.X, C.X);
    FInfoPos.X = MirrorOf(FInfoPos.X, C.X);
    if (FAngle != 0) FAngle = float(PiL - FAngle);
    FIsFlipHorz = !FIsFlipHorz;
    InvalidateSurface();
}

void TMyShape::FlipVert() {
    Changed();
    TMyShape* Top = IsGrouped() ? FHost->TopGroupOf(this) : nullptr;
    const TMyPoint C = Top ? Top->GetRotateCenter() : GetRotateCenter();
    for (int I = 0; I < PointCount(); ++I) SetPointY(I, MirrorOf(GetPoint(I).Y, C.Y));
    for (TMyPoint& P : MutableLinkPoints()) P.Y = MirrorOf(P.Y, C.Y);
    FRotateCenter.Y = MirrorOf(FRotateCenter.Y, C.Y);
    FInfoPos.Y = MirrorOf(FInfoPos.Y, C.Y);
    if (FAngle != 0) FAngle = -FAngle;
    FIsFlipVert = !FIsFlipVert;
    InvalidateSurface();
}

// ---- scaling and measuring -------------------------------------------------

void TMyShape::ScaleAbout(const TMyPoint& Anchor, const TMyPoint& Centre, double SX, double SY) {
    Changed();
    // Scaled in the frame of the group being resized: a member turned by its
    // own angle inside a turned group still follows the group's sides.
    float A = FAngle;
    if (A != 0 && IsGrouped()) {
        const TMyShape* Top = FHost->TopGroupOf(this);
        if (Top && Top->Angle() != A) A = Top->Angle();
    }
    auto Scale = [&](const TMyPoint& P) {
        const TMyPoint U = RotateMyPoint(P, Centre, -A);
        const TMyPoint S{float(Anchor.X + (double(U.X) - Anchor.X) * SX),
                         float(Anchor.Y + (double(U.Y) - Anchor.Y) * SY)};
        return RotateMyPoint(S, Centre, A);
    };
    for (TMyPoint& P : MutableLinkPoints()) P = Scale(P);
    for (TMyPoint& P : MutablePoints()) P = Scale(P);
    FInfoPos = Scale(FInfoPos);
    FRotateCenter = GetCorner(4);
}

double TMyShape::UnrotatedWidth() const {
    const TMyRect B = UnrotatedBounds(FPoints, FRotateCenter, FAngle);
    return double(B.Right) - B.Left;
}

double TMyShape::UnrotatedHeight() const {
    const TMyRect B = UnrotatedBounds(FPoints, FRotateCenter, FAngle);
    return double(B.Bottom) - B.Top;
}

double TMyShape::AngleBetween(const TMyPoint& FromPt, const TMyPoint& ToPt, const TMyPoint& Centre) const {
    long double Result = RayDirection(ToPt, Centre) - RayDirection(FromPt, Centre);
    const int Step = FHost->RotateConstraintDegree();
    if (Step > 0) {
        const long double Degrees = Result * 180 / PiL;
        // Nearest multiple of the step, ties to even, rounded in full precision.
        const long double Snapped = std::nearbyint(Degrees / Step) * Step;
        Result = Snapped * PiL / 180;
    }
    return double(Result);
}

QString TMyShape::GetLengthText(const TPoint& P1, const TPoint& P2) {
    const double Dist = MyPointDistance(ToMyPoint(P1), ToMyPoint(P2));
    const double Ppi = ScreenPixelsPerInch();
    const double Ratio = FHost->Ratio();
    const double Inches = Dist / Ppi * Ratio / Zoom();
    switch (FHost->TheUNIT()) {
    case TUnits::pixel:
        return QString::asprintf("%9.0f", Inches * Ppi) + QStringLiteral(" pixel(s)");
    case TUnits::mm:
        return QString::asprintf("%9.2f", Inches * 25.4) + QStringLiteral(" mm");
    case TUnits::cm:
        return QString::asprintf("%9.2f", Inches * 25.4 / 10) + QStringLiteral(" cm");
    case TUnits::dm:
        return QString::asprintf("%9.2f", Inches * 25.4 / 100) + QStringLiteral(" dm");
    case TUnits::m:
        return QString::asprintf("%9.2f", Inches * 25.4 / 1000) + QStringLiteral(" m");
    case TUnits::inch:
        return QString::asprintf("%9.2f", Inches) + QStringLiteral(" in");
    }
    return QString();
}

// ---- what lies under the mouse ---------------------------------------------

bool TMyShape::InInfoPos(const TPoint& P) const {
    const TPoint A = RoundMyPoint(LogicalToScreen(FInfoPos));
    const int S = FHost->HotSize();
    return PtInRect(Rect(A.X - S, A.Y - S, A.X + S, A.Y + S), P);
}

int TMyShape::LinkPointAt(const TMyPoint& P) {
    return MarkPointAt(P, false);
}

int TMyShape::EndPointAt(const TMyPoint& P) {
    return MarkPointAt(P, true);
}

// The surface keeps one record of the point marked under the mouse; every
// call brings the NotXor mark on the canvas in line with it: the old mark is
// drawn again (which removes it) before a new one is drawn.
int TMyShape::MarkPointAt(const TMyPoint& P, bool LineEnds) {
    const TPoint RP = RoundMyPoint(P);

    int Hit = -1;
    if (LineEnds) {
        const int Tol = FHost->HotSize();
        const int Last = PointCount() - 1;
        if (Last >= 0 && NearScreenPoint(RP, GetScreenPoint(0), Tol))
            Hit = 0;
        else if (Last > 0 && NearScreenPoint(RP, GetScreenPoint(Last), Tol))
            Hit = Last;
    } else {
        for (int I = 0; I < LinkPointCount() && Hit < 0; ++I)
            if (NearScreenPoint(RP, GetScreenLinkPoint(I), 5)) Hit = I;
    }

    TMyShape* Marked = FHost->HotLineEndShape();
    const int MarkedIndex = FHost->HotLineEnd();
    // The same point of the same shape is marked already. (The shape is
    // compared as well: the same index on another shape is another point.)
    if (Hit >= 0 && Hit == MarkedIndex && Marked == this) return Hit;

    TCanvas& Canvas = FHost->ScreenCanvas();
    if (MarkedIndex >= 0 && Marked) {
        const TMyPoint Old =
            LineEnds ? Marked->GetScreenPoint(MarkedIndex) : Marked->GetScreenLinkPoint(MarkedIndex);
        Marked->DrawMarker(Canvas, Old);
    }
    if (Hit >= 0) {
        DrawMarker(Canvas, LineEnds ? GetScreenPoint(Hit) : GetScreenLinkPoint(Hit));
        FHost->SetHotLineEnd(this, Hit);
    } else {
        FHost->SetHotLineEnd(nullptr, -1);
    }
    return Hit;
}

QString TMyShape::AreaText(double SquarePixels, double SquareMm, double SquareInches) const {
    double Value = SquareMm;
    QString Suffix = QStringLiteral("mm2");
    switch (FHost->TheUNIT()) {
    case TUnits::pixel:
        Value = SquarePixels, Suffix = QStringLiteral("pixel(s)2");
        break;
    case TUnits::mm:
        break;
    case TUnits::cm:
        Value = SquareMm / 100, Suffix = QStringLiteral("cm2");
        break;
    case TUnits::dm:
        Value = SquareMm / 10000, Suffix = QStringLiteral("dm2");
        break;
    case TUnits::m:
        Value = SquareMm / 1000000, Suffix = QStringLiteral("m2");
        break;
    case TUnits::inch:
        Value = SquareInches, Suffix = QStringLiteral("inch2");
        break;
    }
    return QStringLiteral("Area=") + QString::asprintf("%9.2f", Value) + Suffix;
}

TMyRect TMyShape::PointsBounds() const {
    return BoundsOfMyPoints(FPoints);
}

} // namespace draxa
