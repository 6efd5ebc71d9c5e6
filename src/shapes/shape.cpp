// TMyShape: construction from the surface's settings, identity, copying,
// the property setters and the passing of attributes to group members.
#include "shapes/shape.h"

#include "foundation/bitmap.h"
#include "foundation/bitmap_effects.h"
#include "shapes/shape_host.h"
#include "shapes/shape_registry.h"

#include <algorithm>
#include <cmath>

namespace draxa {

namespace {

bool IsIdentStart(QChar C) {
    const char16_t U = C.unicode();
    return (U >= 'A' && U <= 'Z') || (U >= 'a' && U <= 'z') || U == '_';
}

bool IsIdentChar(QChar C) {
    const char16_t U = C.unicode();
    return IsIdentStart(C) || (U >= '0' && U <= '9');
}

// Clears a flag when it goes out of scope, whatever leaves the scope.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& Flag) : FFlag(Flag) { FFlag = true; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;
    ~TFlagGuard() { FFlag = false; }

private:
    bool& FFlag;
};

} // namespace

// Names are stored in documents as byte strings and name shapes in host
// code, so only the plain ASCII identifier alphabet is accepted.
bool IsValidIdent(const QString& Name) {
    if (Name.isEmpty() || !IsIdentStart(Name.front())) return false;
    return std::all_of(Name.begin(), Name.end(), IsIdentChar);
}

// ---- lifecycle -------------------------------------------------------------

// The fixed defaults (angle 0, not grouped, unlocked, log size 10 x 10,
// white to black without gradient, visible, texts shown) are the members'
// initialisers; what the surface decides is taken from it here.
TMyShape::TMyShape(TShapeHost* AHost) : FHost(AHost ? AHost : &StandaloneShapeHost()) {
    FPenStyleJoinType = FHost->PenStyleJoinType();
    FPenStyleEndCapType = FHost->PenStyleEndCapType();
    FPen.Assign(FHost->Pen());
    FBrush.Assign(FHost->Brush());
    FFont.Assign(FHost->Font());
    FResizeEnable = FHost->ResizeEnable();
    FRotateEnable = FHost->RotateEnable();
    FHotShow = FHost->HotShow();
    // Hooked only now, so taking over the surface's settings passes nothing on.
    FPen.OnChange = [this] {
        Changed(TShapeChange::Appearance);
        PropagatePenBrush();
    };
    FBrush.OnChange = [this] { PropagatePenBrush(); };
    FFont.OnChange = [this] {
        Changed(TShapeChange::Appearance);
        PropagateFont();
    };
}

TMyShape::~TMyShape() {
    // Nothing may be passed on to members while the shape comes apart.
    FPen.OnChange = nullptr;
    FBrush.OnChange = nullptr;
    FFont.OnChange = nullptr;
}

const TShapeClass& TMyShape::Class() const {
    if (!FClass) {
        static const TShapeClass Unregistered{};
        const TShapeClass* C = ShapeClassNamed(ClassName());
        FClass = C ? C : &Unregistered;
    }
    return *FClass;
}

TMyShape* TMyShape::NewOfSameClass() const {
    const TShapeClass* C = ShapeClassNamed(ClassName());
    return C ? C->Create(FHost) : nullptr;
}

// ---- identity --------------------------------------------------------------

void TMyShape::SetName(const QString& V) {
    if (V != FName) {
        // An empty name is allowed: it is what an unnamed shape has, and copies
        // of such a shape go through this setter too.
        if (!V.isEmpty() && !IsValidIdent(V))
            throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(V).toStdString());
        FName = V;
    }
    if (FCaption.isEmpty()) FCaption = V;
}

void TMyShape::AddLinkLine(int Index) {
    if (std::find(FLinkLines.begin(), FLinkLines.end(), Index) == FLinkLines.end())
        FLinkLines.push_back(Index);
}

void TMyShape::RemoveLinkLine(int Index) {
    const auto Last = std::find(FLinkLines.rbegin(), FLinkLines.rend(), Index);
    if (Last != FLinkLines.rend()) FLinkLines.erase(std::next(Last).base());
}

// ---- link points -----------------------------------------------------------

int TMyShape::AddLinkPoint(const TMyPoint& P) {
    MutableLinkPoints().push_back(P);
    InvalidateSurface();
    return LinkPointCount() - 1;
}

bool TMyShape::DeleteLinkPoint(int Index) {
    if (Index < 0 || Index >= LinkPointCount()) return false;
    // Connectors name link points by index: the surface frees and renumbers
    // their ends before the list shrinks.
    FHost->DetachLinkPoints(this, Index, 1);
    MutableLinkPoints().erase(FLinkPoints.begin() + Index);
    InvalidateSurface();
    return true;
}

void TMyShape::ClearLinkPoints() {
    if (FLinkPoints.empty()) return;
    FHost->DetachLinkPoints(this, 0, LinkPointCount());
    MutableLinkPoints().clear();
    InvalidateSurface();
}

// ---- copying ---------------------------------------------------------------

void TMyShape::Assign(const TMyShape& Source) {
    if (&Source != this) CopyFrom(Source, true);
}

void TMyShape::AssignGeometry(const TMyShape& Source) {
    if (&Source != this) CopyFrom(Source, false);
}

// Pen, brush and font arrive through their change notification, so this
// shape's current members receive them before the member list is taken over.
void TMyShape::CopyFrom(const TMyShape& Source, bool WithIdentity) {
    if (WithIdentity) SetName(Source.FName);
    SetTag(Source.FTag);
    SetCaption(Source.FCaption);

    SetShapeNo(Source.FShapeNo);
    FLayerId = Source.FLayerId;
    FHotIndex = -1;

    FGradient.Assign(Source.FGradient);

    FColorBegin = Source.FColorBegin;
    FColorEnd = Source.FColorEnd;
    FGradientStyle = Source.FGradientStyle;
    FIsFlipHorz = Source.FIsFlipHorz;
    FIsFlipVert = Source.FIsFlipVert;
    FLocked = Source.FLocked;
    SetInfo(Source.FInfo);

    // The brush copies its pattern picture: the two shapes never share one.
    FPen.Assign(Source.FPen);
    FBrush.Assign(Source.FBrush);
    FFont.Assign(Source.FFont);

    MutablePoints() = Source.FPoints;
    MutableLinkPoints() = Source.FLinkPoints;

    if (WithIdentity) {
        FIndex = Source.FIndex;
        FMembers = Source.FMembers;
        FLinkLines = Source.FLinkLines;
        FGroupIndex = Source.FGroupIndex;
    }
    FAngle = Source.FAngle;

    // The centre of the copied points, not Source's (which may have been
    // moved off it by an edit).
    FRotateCenter = GetCorner(4);
    FInfoPos = Source.FInfoPos;

    FUserData.Assign(Source.FUserData);
    if (WithIdentity) {
        FMultiInfo = Source.FMultiInfo;
        FMultiInfoAlignment = Source.FMultiInfoAlignment;
        Changed(TShapeChange::Appearance);
    }
}

// ---- passing attributes to group members -----------------------------------

void TMyShape::PropagatePenBrush() {
    // While a document is read every shape gets its own stored attributes;
    // a group must not overwrite those of members read before it.
    if (FHost->Loading() || FPropagating || FMembers.empty()) return;
    const TFlagGuard Guard(FPropagating);
    for (const int MemberIndex : TMyShapeNo(FMembers)) {
        TMyShape* M = FHost->ShapeByIndex(MemberIndex);
        // A shape already passing its attributes on is further up this chain.
        if (!M || M == this || M->FPropagating) continue;
        // Through the members' own objects and setters, so that nested groups
        // pass the change on and rebuild their gradients.
        M->FPen.Assign(FPen);
        M->FBrush.Assign(FBrush);
        M->FFont.Assign(FFont);
        M->SetColorBegin(FColorBegin);
        M->SetColorEnd(FColorEnd);
        M->SetGradientStyle(FGradientStyle);
    }
}

void TMyShape::PropagateFont() {
    if (FHost->Loading() || FPropagating || FMembers.empty()) return;
    const TFlagGuard Guard(FPropagating);
    for (const int MemberIndex : TMyShapeNo(FMembers)) {
        TMyShape* M = FHost->ShapeByIndex(MemberIndex);
        if (M && M != this && !M->FPropagating) M->FFont.Assign(FFont);
    }
}

// ---- property setters ------------------------------------------------------

void TMyShape::SetAngle(float V) {
    if (FPoints.empty()) {
        FAngle = V;
        return;
    }
    // A relative turn: the surface turns the whole group about its outermost
    // group's centre and skips locked shapes.
    FHost->RotateShapeBy(this, V);
}

void TMyShape::SetColorBegin(TColor V) {
    if (V == FColorBegin) return;
    FColorBegin = V;
    // Mirrored as well, so a flipped shape keeps its gradient the right way
    // round when only its colours change.
    RebuildMirroredGradient();
    PropagatePenBrush();
    InvalidateSurface();
}

void TMyShape::SetColorEnd(TColor V) {
    if (V == FColorEnd) return;
    FColorEnd = V;
    RebuildMirroredGradient();
    PropagatePenBrush();
    InvalidateSurface();
}

void TMyShape::SetGradientStyle(TGradientStyle V) {
    if (V == FGradientStyle) return;
    FGradientStyle = V;
    PropagatePenBrush();
    RebuildMirroredGradient();
    InvalidateSurface();
}

void TMyShape::SetGradientDirect(TColor Begin, TColor End, TGradientStyle Style) {
    FColorBegin = Begin;
    FColorEnd = End;
    FGradientStyle = Style;
}

void TMyShape::SetIsFlipHorz(bool) {
    // The value does not matter: a flip toggles the flag, and the surface
    // decides what is flipped (members, never a connector line).
    FHost->FlipShapeHorz(this);
    RebuildMirroredGradient();
}

void TMyShape::SetIsFlipVert(bool) {
    FHost->FlipShapeVert(this);
    RebuildMirroredGradient();
}

void TMyShape::SetLocked(bool V) {
    if (V == FLocked) return;
    // Stored first, so a surface that sets the members through their own
    // setters finds this shape already done.
    FLocked = V;
    FHost->SetShapeLocked(this, V);
    InvalidateSurface();
}

void TMyShape::SetMultiInfo(const QStringList& V) {
    if (&V == &FMultiInfo) return;
    FMultiInfo = V;
    Changed(TShapeChange::Appearance);
    InvalidateSurface();
}

// ---- gradient image --------------------------------------------------------

void TMyShape::RebuildGradient() {
    FGradient.Invalidate(false, false);
}

void TMyShape::RebuildMirroredGradient() {
    FGradient.Invalidate(FIsFlipHorz, FIsFlipVert);
}

// ---- surface access --------------------------------------------------------

double TMyShape::Zoom() const {
    return FHost->Zoom();
}

void TMyShape::InvalidateSurface() const {
    FHost->InvalidateView();
}

void TMyShape::Changed(TShapeChange What) {
    if (What == TShapeChange::Geometry) ++FGeometryRevision;
    FHost->ShapeChanged(*this, What);
}

// ---- points ----------------------------------------------------------------

TMyPoint TMyShape::GetPoint(int Index) const {
    if (Index < 0 || Index >= PointCount()) return TMyPoint{0, 0};
    return FPoints[size_t(Index)];
}

TMyPoint TMyShape::GetLinkPoint(int Index) const {
    if (Index < 0 || Index >= LinkPointCount()) return TMyPoint{0, 0};
    return FLinkPoints[size_t(Index)];
}

TMyPoint TMyShape::GetScreenPoint(int Index) const {
    return LogicalToScreen(GetPoint(Index));
}

TMyPoint TMyShape::GetScreenLinkPoint(int Index) const {
    return LogicalToScreen(GetLinkPoint(Index));
}

TMyPoint TMyShape::LogicalToScreen(const TMyPoint& P) const {
    const double Z = Zoom();
    return TMyPoint{float(P.X * Z), float(P.Y * Z)};
}

void TMyShape::SetScreenPoint(int Index, const TMyPoint& P) {
    const double Z = Zoom();
    MutablePoints()[size_t(Index)] = TMyPoint{float(P.X / Z), float(P.Y / Z)};
}

void TMyShape::AddScreenPoint(const TMyPoint& P) {
    const double Z = Zoom();
    MutablePoints().push_back(TMyPoint{float(P.X / Z), float(P.Y / Z)});
}

void TMyShape::MovePointBy(int Index, double DX, double DY) {
    const double Z = Zoom();
    TMyPoint& Pt = MutablePoints()[size_t(Index)];
    Pt.X = float(Pt.X + DX / Z);
    Pt.Y = float(Pt.Y + DY / Z);
}

void TMyShape::MoveLinkPointBy(int Index, double DX, double DY) {
    const double Z = Zoom();
    TMyPoint& Pt = MutableLinkPoints()[size_t(Index)];
    Pt.X = float(Pt.X + DX / Z);
    Pt.Y = float(Pt.Y + DY / Z);
}

TMyPoint TMyShape::GetCorner(int Kind) const {
    if (FPoints.empty()) return TMyPoint{0, 0};
    const TMyRect B = BoundsOfMyPoints(FPoints);
    switch (Kind) {
    case 0:
        return TMyPoint{B.Left, B.Top};
    case 1:
        return TMyPoint{B.Right, B.Top};
    case 2:
        return TMyPoint{B.Right, B.Bottom};
    case 3:
        return TMyPoint{B.Left, B.Bottom};
    case 4:
        return TMyPoint{(B.Right - B.Left) / 2 + B.Left, (B.Bottom - B.Top) / 2 + B.Top};
    default:
        return TMyPoint{0, 0};
    }
}

float TMyShape::BoundsWidth() const {
    if (FPoints.empty()) return 0;
    const TMyRect B = BoundsOfMyPoints(FPoints);
    return std::fabs(B.Right - B.Left);
}

float TMyShape::BoundsHeight() const {
    if (FPoints.empty()) return 0;
    const TMyRect B = BoundsOfMyPoints(FPoints);
    return std::fabs(B.Bottom - B.Top);
}

// ---- base behaviour of the virtual operations ------------------------------
// The base class is a plain point list: it draws no outlines or marks, has no
// hot points and no area, and its creation is never finished by a click.

void TMyShape::DrawMoving(TCanvas&, const TPoint&, const TPoint&) {}

void TMyShape::DrawHotPoints(TCanvas&) {}

void TMyShape::DrawCreating(TCanvas&, const TPoint&, const TPoint&) {}

TCursor TMyShape::GetHotCursor(int, int) {
    return crCross;
}

bool TMyShape::IsCreateFinished(TMouseButton, const TPoint&) {
    return false;
}

void TMyShape::DrawRotating(TCanvas&, const TMyPoint&, double) {}

void TMyShape::ResizeByHot(const TMyPoint&, const TMyPoint&) {}

void TMyShape::DrawResizing(TCanvas&, const TMyPoint&, const TMyPoint&) {}

void TMyShape::AddPoint(const TPoint& P) {
    const double Z = Zoom();
    MutablePoints().push_back(TMyPoint{float(P.X / Z), float(P.Y / Z)});
}

TMyPoint TMyShape::GetRotateCenter() const {
    return FRotateCenter;
}

TMyPoint TMyShape::GetScreenRotateCenter() const {
    return LogicalToScreen(FRotateCenter);
}

void TMyShape::UpdateMeasureInfo(QString&) {}

int TMyShape::HotPointAt(const TPoint&) {
    return -1;
}

bool TMyShape::PointInShape(TCanvas&, const TPoint&) {
    return false;
}

} // namespace draxa
