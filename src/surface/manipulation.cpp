// Dragging, resizing and rotating with the mouse, and moving an info anchor:
// the outline shown on every move (XOR, see interaction.cpp), the
// constraints (DragMode, Shift, LockBound, snapping, the rotate step), what
// the release changes, its undo record and its events. All points are
// screen pixels unless a name says otherwise.
#include "surface/draxa.h"

#include "foundation/canvas.h"
#include "shapes/ellipse_group.h"
#include "shapes/line.h"
#include "shapes/link_line.h"
#include "shapes/rectangle.h"
#include "shapes/rule_line.h"
#include "surface/interaction_p.h"

#include <algorithm>
#include <cmath>

namespace draxa {

using interaction::Is;
using interaction::IsExactly;

namespace {

// A box dragged by a side hot point whose host may not move the point along the side.
bool SideOfPlainBox(const TMyShape* S) {
    const auto* Box = dynamic_cast<const TMyRectangle*>(S);
    return Box && S->HotIndex() > 3 && !Box->AssociateSideResizing();
}

// Edges compared after a resize went through float turns: equal within a
// hundredth of a logical unit.
bool SameEdge(float A, float B) {
    return std::abs(double(A) - B) < 0.01;
}

} // namespace

// ---- operations shared with hosts --------------------------------------------------

void TMyDraxa::ApplyDragMode(const TPoint& From, TPoint& P) const {
    if (FDragMode == TDragMode::dgHorz) P.Y = From.Y;
    if (FDragMode == TDragMode::dgVert) P.X = From.X;
}

void TMyDraxa::DrawMovingShape(TCanvas& Canvas, TMyShape* AShape, const TPoint& From, const TPoint& To) {
    if (AShape && !AShape->Locked()) AShape->DrawMoving(Canvas, From, To);
}

void TMyDraxa::RotateShapeBy(TMyShape* AShape, const TMyPoint& Centre, double DAngle) {
    // Members turn with their group even when the group itself is locked.
    ForEachDepthFirst(AShape, [&](TMyShape* S) {
        if (!S->Locked()) S->Rotate(Centre, DAngle);
    });
}

void TMyDraxa::DrawRotatingDeep(TCanvas& Canvas, TMyShape* AShape, double DAngle, const TMyPoint& Centre) {
    // A group shows its members turning, not its frame. A member chain longer
    // than the list cannot be a real one.
    std::function<void(TMyShape*, int)> Draw = [&](TMyShape* S, int Depth) {
        if (!S || Depth > ShapeCount()) return;
        if (!S->HasMembers()) {
            if (!S->Locked()) S->DrawRotating(Canvas, Centre, DAngle);
            return;
        }
        for (int M : S->Members()) Draw(ShapeByIndex(M), Depth + 1);
    };
    Draw(AShape, 0);
}

void TMyDraxa::EndHotPointDrag(TMyShape* AShape) {
    // No hot point is held any more: a later press that selects the shape
    // without touching a hot point must not find this one still active.
    if (std::find(FShapes.begin(), FShapes.end(), AShape) != FShapes.end()) AShape->SetHotIndex(-1);
}

// ---- dragging the selection --------------------------------------------------------

TRect TMyDraxa::SelectionScreenBounds() const {
    return RoundMyRect(ShapesBounds(FSelected));
}

void TMyDraxa::MoveSelectionBy(int DX, int DY) {
    const TArrMyShape Selected = FSelected;
    for (TMyShape* S : Selected) MoveShapeBy(S, DX, DY);
    for (TMyShape* S : Selected) RerouteLinkLines(S);
}

void TMyDraxa::DragMove(int X, int Y) {
    FlushPendingPaint();
    const TPoint Q = FMovePoint;

    // With LockBound the cursor stays where the selection still fits in the
    // control (unless a hot point of the pressed shape is being dragged).
    TPoint M = Point(X, Y);
    if (FLockBound && !FSelected.empty() && FCurrentShape && FCurrentShape->HotIndex() < 0) {
        const TMyRect R0 = ShapesBounds(FSelected);
        const int L = RoundHalfEven(FDownPoint.X - R0.Left), T = RoundHalfEven(FDownPoint.Y - R0.Top);
        const int R = RoundHalfEven(R0.Right - FDownPoint.X), B = RoundHalfEven(R0.Bottom - FDownPoint.Y);
        M = ConfineMouse(Rect(L, T, L + (Width() - L - R), T + (Height() - T - B)), X, Y);
    } else {
        M = ConfineMouse(ClientRect(), X, Y);
    }
    if ((FSnap || FSnapShape) && M != FDownPoint) {
        TRect R = SelectionScreenBounds();
        OffsetRect(R, M.X - FDownPoint.X, M.Y - FDownPoint.Y);
        SnapRect(R, M.X, M.Y);
    }

    // The outline follows the snapped mouse point; the DragMode constraint
    // shapes what the events report and is applied again at the release.
    TPoint Constrained = M;
    ApplyDragMode(FDownPoint, Constrained);
    const TPoint From = ToUserXY(FDownPoint);
    const TArrMyShape Selected = FSelected;
    for (TMyShape* S : Selected) {
        UseFeedbackPen();
        if (FDragTrace && FFeedbackShown) DrawMovingShape(Canvas(), S, FDownPoint, Q);
        FMovePoint = Constrained;
        if (OnShapeMouseDragging) {
            TPoint To = ToUserXY(FMovePoint);
            OnShapeMouseDragging(S, From, To);
        }
        if (FDragTrace) {
            FMovePoint = M;
            UseFeedbackPen();
            DrawMovingShape(Canvas(), S, FDownPoint, FMovePoint);
        }
    }
    if (Selected.empty()) FMovePoint = Constrained;
    FFeedbackShown = FDragTrace && !Selected.empty();
}

void TMyDraxa::DragRelease() {
    SetModified(true);
    // What the release repaints: where the moved shapes and their connectors
    // were and now are, and the outline last drawn. A handler of the drop
    // may change anything, so with one the whole control is repainted.
    QRegion Damage;
    const bool Partial = !OnShapeMouseDragged;
    if (Partial) {
        AddMoveDamage(FSelected, Damage);
        // The outline lies where the same boxes were moved to last.
        if (FFeedbackShown)
            Damage += Damage.translated(FMovePoint.X - FDownPoint.X, FMovePoint.Y - FDownPoint.Y);
    }
    ApplyDragMode(FDownPoint, FMovePoint);
    if (FMovePoint != FDownPoint && (FSnap || FSnapShape)) {
        TRect R = SelectionScreenBounds();
        OffsetRect(R, FMovePoint.X - FDownPoint.X, FMovePoint.Y - FDownPoint.Y);
        SnapRect(R, FMovePoint.X, FMovePoint.Y);
        // Snapping does not undo the drag direction.
        ApplyDragMode(FDownPoint, FMovePoint);
    }
    const int DX = FMovePoint.X - FDownPoint.X, DY = FMovePoint.Y - FDownPoint.Y;
    if (DX != 0 || DY != 0) {
        RecordUndo(FSelected, ACT_CHANGE);
        MoveSelectionBy(DX, DY);
        if (OnShapeMouseDragged) {
            const TPoint Passed = ToUserXY(FMovePoint);
            TPoint To = Passed;
            OnShapeMouseDragged(FCurrentShape, ToUserXY(FDownPoint), To);
            // The handler's point is in user coordinates; mapped back, its
            // change is a further move on screen.
            if (To != Passed) {
                const TPoint Screen = ToUserXY(To);
                MoveSelectionBy(Screen.X - FMovePoint.X, Screen.Y - FMovePoint.Y);
            }
        }
    }
    FMode = FReturnMode;
    if (!Partial) {
        Invalidate();
        return;
    }
    AddMoveDamage(FSelected, Damage);
    for (const QRect& R : Damage) InvalidateRect(TRect{R.left(), R.top(), R.right() + 1, R.bottom() + 1});
}

// ---- resizing -------------------------------------------------------------------------

void TMyDraxa::ConstrainResize(TMyShape* AShape, TShiftState Shift, TPoint& P) const {
    if (!Shift.Contains(ssShift) || !AShape) return;
    const int H = AShape->HotIndex();
    if (Is<TMyRectangle>(AShape)) {
        // A corner keeps the box square along its own sides, measured from
        // the opposite corner; side hot points are free.
        if (H < 0 || H > 3) return;
        const int E = (H == 0 || H == 2) ? 1 : -1;
        const TMyPoint C = AShape->GetScreenRotateCenter();
        const float A = AShape->Angle();
        const TMyPoint N = RotateMyPoint(AShape->GetScreenPoint((H + 2) % 4), C, -A);
        const TPoint U = RoundMyPoint(RotateMyPoint(ToMyPoint(P), C, -A));
        TMyPoint Q = ToMyPoint(U);
        const double DX = U.X - double(N.X), DY = U.Y - double(N.Y);
        if (std::abs(DY) >= std::abs(DX))
            Q.Y = float(RoundHalfEven(N.Y + E * DX));
        else
            Q.X = float(RoundHalfEven(N.X + E * DY));
        P = RoundMyPoint(RotateMyPoint(Q, C, A));
        return;
    }
    if ((IsExactly<TMyLine>(AShape) || IsExactly<TMyRuleLine>(AShape)) && AShape->PointCount() == 2 &&
        (H == 0 || H == 1)) {
        // A straight line turns horizontal or vertical about its other end.
        const TPoint O = RoundMyPoint(AShape->GetScreenPoint(1 - H));
        if (std::abs(P.X - O.X) >= std::abs(P.Y - O.Y))
            P.Y = O.Y;
        else
            P.X = O.X;
    }
}

void TMyDraxa::ResizeMove(TShiftState Shift, int X, int Y) {
    TMyShape* S = FCurrentShape;
    if (!S || S->Locked() || !S->ResizeEnable()) return;
    FlushPendingPaint();
    UseFeedbackPen();
    if (FFeedbackShown) S->DrawResizing(Canvas(), ToMyPoint(FDownPoint), ToMyPoint(FMovePoint));
    FMovePoint = Point(X, Y);
    // A connector's end goes where the link point is, not to the grid.
    if (!Is<TMyLinkLine>(S)) SnapPoint(FMovePoint.X, FMovePoint.Y);
    ConstrainResize(S, Shift, FMovePoint);
    if (OnShapeMouseResizing) {
        const TPoint Passed = ToUserXY(FMovePoint);
        TPoint To = Passed;
        OnShapeMouseResizing(S, ToUserXY(FDownPoint), To);
        if (SideOfPlainBox(S)) To = Passed;
        FMovePoint = ToUserXY(To);
    }
    UseFeedbackPen();
    S->DrawResizing(Canvas(), ToMyPoint(FDownPoint), ToMyPoint(FMovePoint));
    FFeedbackShown = true;
    if (Is<TMyLinkLine>(S)) FindLinkTarget(ToMyPoint(FMovePoint), FLinkTargetShape, FLinkTargetPoint);
    ShowValueText(S->GetLengthText(FDownPoint, FMovePoint));
}

void TMyDraxa::ResizeRelease(TShiftState Shift) {
    SetModified(true);
    TMyShape* S = FCurrentShape;
    if (!S) {
        FMode = FReturnMode;
        Invalidate();
        return;
    }
    if (!Is<TMyLinkLine>(S)) SnapPoint(FMovePoint.X, FMovePoint.Y);
    // Recorded (and reported below) even when the shape refuses to change.
    RecordUndo(TArrMyShape{S}, ACT_CHANGE);

    // Where the dragged hot point was: a side of a box measures from the
    // corner that starts that side.
    const int H = S->HotIndex();
    TMyPoint From;
    if (Is<TMyLinkLine>(S))
        From = ToMyPoint(FDownPoint);
    else if (Is<TMyRectangle>(S))
        From = S->GetScreenPoint(H > 3 ? H - 4 : H);
    else
        From = S->GetScreenPoint(H);
    ConstrainResize(S, Shift, FMovePoint);
    ResizeShape(S, From, ToMyPoint(FMovePoint));

    if (OnShapeMouseResized) {
        const TPoint Passed = ToUserXY(FMovePoint);
        TPoint To = Passed;
        OnShapeMouseResized(S, ToUserXY(FDownPoint), To);
        if (Is<TMyRectangle>(S)) {
            if (SideOfPlainBox(S)) To = Passed;
            // A box takes the handler's point: back to where the drag began, then there.
            if (To != Passed) {
                const TPoint Target = ToUserXY(To);
                ResizeShape(S, ToMyPoint(FMovePoint), ToMyPoint(FDownPoint));
                ResizeShape(S, ToMyPoint(FDownPoint), ToMyPoint(Target));
            }
        }
        FMovePoint = ToUserXY(To);
    }
    RerouteLinkLines(S);
    if (OnShapeMouseResizeFinished) {
        TPoint To = FMovePoint;
        OnShapeMouseResizeFinished(S, FDownPoint, To);
    }
    EndHotPointDrag(S);
    FMode = FReturnMode;
    Invalidate();
}

void TMyDraxa::ResizeShape(TMyShape* AShape, const TMyPoint& From, const TMyPoint& To) {
    if (!AShape || AShape->Locked() || !AShape->ResizeEnable()) return;
    if (Is<TMyGroup>(AShape))
        ResizeGroup(AShape, From, To);
    else
        ResizeSingle(AShape, From, To);
}

void TMyDraxa::ResizeGroup(TMyShape* AShape, const TMyPoint& From, const TMyPoint& To) {
    // The corner of the group frame opposite the dragged hot point stays.
    int Fixed = 0;
    switch (AShape->HotIndex()) {
    case 1:
    case 5:
        Fixed = 3;
        break;
    case 2:
    case 6:
        Fixed = 0;
        break;
    case 3:
    case 7:
        Fixed = 1;
        break;
    case 0:
    case 4:
        Fixed = 2;
        break;
    default:
        Fixed = 0;
        break;
    }
    // That corner in the group's own frame: the frame turned back about its
    // centre (computed, rather than turning the group back and forth).
    const float A = AShape->Angle();
    const TMyPoint C0 = AShape->GetRotateCenter();
    const TMyPoint F = RotateMyPoint(AShape->GetPoint(Fixed), C0, -A);
    const double W0 = AShape->UnrotatedWidth(), H0 = AShape->UnrotatedHeight();

    // The frame's new size comes from a trial resize, which is then undone.
    AShape->ResizeByHot(From, To);
    const double W1 = AShape->UnrotatedWidth(), H1 = AShape->UnrotatedHeight();
    AShape->ResizeByHot(To, From);

    // An axis along which the frame has no extent stays unscaled.
    const double SX = W0 != 0 ? W1 / W0 : 1.0;
    const double SY = H0 != 0 ? H1 / H0 : 1.0;
    ForEachDepthFirst(AShape, [&](TMyShape* S) {
        if (!S->Locked() && S->ResizeEnable()) S->ScaleAbout(F, C0, SX, SY);
    });
}

void TMyDraxa::ResizeSingle(TMyShape* AShape, const TMyPoint& From, const TMyPoint& To) {
    // The shape's own frame is compared before and after the resize by
    // turning copies of its points back about the centre the resize starts
    // from; turning the shape itself back and forth would shift a shape whose
    // bounds centre is not its turning centre.
    const float A = AShape->Angle();
    const TMyPoint C0 = AShape->GetRotateCenter();
    auto FrameBounds = [&] {
        TArrMyPoint U;
        U.reserve(size_t(AShape->PointCount()));
        for (const TMyPoint& P : AShape->Points()) U.push_back(A != 0 ? RotateMyPoint(P, C0, -A) : P);
        return BoundsOfMyPoints(U);
    };
    const double W0 = AShape->UnrotatedWidth(), H0 = AShape->UnrotatedHeight();
    const TMyRect B0 = FrameBounds();
    AShape->ResizeByHot(From, To);
    const TMyRect B1 = FrameBounds();
    const double W1 = AShape->UnrotatedWidth(), H1 = AShape->UnrotatedHeight();

    // The side that did not move holds the info anchor's proportions.
    const double X0 = SameEdge(B0.Right, B1.Right) ? B0.Right : B0.Left;
    const double Y0 = SameEdge(B0.Bottom, B1.Bottom) ? B0.Bottom : B0.Top;
    // So do the link points: one in the middle of a side stays there.
    auto Keep = [&](const TMyPoint& Q) {
        TMyPoint P = RotateMyPoint(Q, C0, -A);
        if (W0 != 0) P.X = float(X0 + (P.X - X0) * W1 / W0);
        if (H0 != 0) P.Y = float(Y0 + (P.Y - Y0) * H1 / H0);
        return RotateMyPoint(P, C0, A);
    };
    AShape->SetInfoPos(Keep(AShape->InfoPos()));
    for (int I = 0; I < AShape->LinkPointCount(); ++I) AShape->SetLinkPoint(I, Keep(AShape->GetLinkPoint(I)));
}

// ---- rotating ---------------------------------------------------------------------------

TMyPoint TMyDraxa::RotationCentre(bool Screen) const {
    const TMyShape* Top = TopGroupOf(FCurrentShape);
    return Screen ? Top->GetScreenRotateCenter() : Top->GetRotateCenter();
}

void TMyDraxa::RotateMove(int X, int Y) {
    TMyShape* S = FCurrentShape;
    if (!S) return;
    FlushPendingPaint();
    const TMyPoint C = RotationCentre(true);
    const TMyPoint D = ToMyPoint(FDownPoint);
    UseFeedbackPen();
    if (FFeedbackShown) DrawRotatingDeep(Canvas(), S, S->AngleBetween(D, ToMyPoint(FMovePoint), C), C);
    FMovePoint = Point(X, Y);
    if (OnShapeMouseRotating) {
        TPoint To = ToUserXY(FMovePoint); // a change made by the handler has no effect
        OnShapeMouseRotating(S, ToUserXY(FDownPoint), To);
    }
    FMovePoint = Point(X, Y);
    UseFeedbackPen();
    DrawRotatingDeep(Canvas(), S, S->AngleBetween(D, ToMyPoint(FMovePoint), C), C);
    FFeedbackShown = true;
}

void TMyDraxa::RotateRelease() {
    SetModified(true);
    if (TMyShape* S = FCurrentShape) {
        RecordUndo(TArrMyShape{S}, ACT_CHANGE);
        const double DAngle =
            S->AngleBetween(ToMyPoint(FDownPoint), ToMyPoint(FMovePoint), RotationCentre(true));
        RotateShapeBy(S, RotationCentre(false), DAngle);
        RerouteLinkLines(S);
        if (OnShapeMouseRotated) {
            TPoint To = ToUserXY(FMovePoint);
            OnShapeMouseRotated(S, ToUserXY(FDownPoint), To);
        }
        EndHotPointDrag(S);
    }
    FMode = FReturnMode;
    Invalidate();
}

// ---- moving the info anchor ----------------------------------------------------------------

void TMyDraxa::InfoMove(int X, int Y) {
    TMyShape* S = FCurrentShape;
    if (!S) return;
    FlushPendingPaint();
    // The anchor keeps its offset from the point the press took it at.
    const TMyPoint Anchor = S->LogicalToScreen(S->InfoPos());
    auto MarkAt = [&](const TPoint& M) {
        return MyPoint(float(M.X + Anchor.X - FDownPoint.X), float(M.Y + Anchor.Y - FDownPoint.Y));
    };
    UseFeedbackPen();
    if (FFeedbackShown) S->DrawInfoAnchor(Canvas(), MarkAt(FMovePoint));
    FMovePoint = Point(X, Y);
    UseFeedbackPen();
    S->DrawInfoAnchor(Canvas(), MarkAt(FMovePoint));
    FFeedbackShown = true;
}

void TMyDraxa::InfoRelease() {
    SetModified(true);
    // Where the anchor is put is a view choice: no undo step.
    if (FCurrentShape)
        FCurrentShape->SetInfoPos(MyPoint(float(FMovePoint.X / FZoom), float(FMovePoint.Y / FZoom)));
    FMode = FReturnMode;
    Invalidate();
}

} // namespace draxa
