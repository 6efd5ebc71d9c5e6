// The selection: the list itself, the selecting press with its hit order,
// settling a press at its release, the rubber band, hit and containment
// tests, snapping to the grid and to other shapes, the point searches that
// connector lines use, and user coordinates.
#include "surface/draxa.h"

#include "foundation/canvas.h"
#include "shapes/link_line.h"
#include "shapes/link_point.h"
#include "shapes/polyline.h"
#include "surface/interaction_p.h"

#include <algorithm>
#include <cmath>

namespace draxa {

void TMyDraxa::SelectShape(TMyShape* AShape) {
    if (!AShape) return;
    // Members are never selected on their own: their outermost group is.
    TMyShape* S = TopGroupOf(AShape);
    if (std::find(FSelected.begin(), FSelected.end(), S) != FSelected.end()) return;
    FSelected.push_back(S);
    emit selectionChanged();
}

bool TMyDraxa::TakeFromSelection(TMyShape* AShape) {
    auto It = std::find(FSelected.begin(), FSelected.end(), AShape);
    if (It == FSelected.end()) return false;
    if (FCurrentShape == AShape) FCurrentShape = nullptr;
    if (FChildShape == AShape) FChildShape = nullptr;
    FSelected.erase(It);
    return true;
}

void TMyDraxa::UnselectShape(TMyShape* AShape) {
    if (TakeFromSelection(AShape)) emit selectionChanged();
}

void TMyDraxa::UnselectAll() {
    // One signal for the whole selection going.
    if (FSelected.empty()) return;
    while (!FSelected.empty()) TakeFromSelection(FSelected.front());
    emit selectionChanged();
}

void TMyDraxa::UnselectAllAndRepaint() {
    UnselectAll();
    Invalidate();
}

int TMyDraxa::SelectedIndexOf(TMyShape* AShape) const {
    for (int I = SelectedCount() - 1; I >= 0; --I)
        if (FSelected[size_t(I)] == AShape) return I;
    return -1;
}

TMyShape* TMyDraxa::SelectedShape(int Index) const {
    if (Index < 0 || Index >= SelectedCount()) return nullptr;
    return FSelected[size_t(Index)];
}

TPoint TMyDraxa::ToUserXY(const TPoint& P) const {
    TPoint R = P;
    if (FXYMode == TXYMode::Mode2 || FXYMode == TXYMode::Mode3) R.X = Width() - P.X;
    if (FXYMode == TXYMode::Mode1 || FXYMode == TXYMode::Mode2) R.Y = Height() - P.Y;
    return R;
}

// ---- hit and containment tests ----------------------------------------------

bool TMyDraxa::ShapeHitTest(TCanvas& Canvas, TMyShape* AShape, const TPoint& P) {
    if (!AShape || !AShape->Visible()) return false;
    // The quick test first: a press searches every shape of the drawing.
    if (interaction::MayHit(AShape, P) && AShape->PointInShape(Canvas, P)) return true;
    // A group is hit where its members are, whether they are shown or not.
    for (int M : AShape->Members())
        if (TMyShape* Member = ShapeByIndex(M);
            Member && interaction::MayHit(Member, P) && Member->PointInShape(Canvas, P))
            return true;
    return false;
}

bool TMyDraxa::ShapeInRect(const TPoint& P1, const TPoint& P2, TMyShape* AShape) {
    TMyShape* S = TopGroupOf(AShape);
    if (!S) return false;
    const TMyRect B = ShapesBounds(TArrMyShape{S});
    const int Left = std::min(P1.X, P2.X), Right = std::max(P1.X, P2.X);
    const int Top = std::min(P1.Y, P2.Y), Bottom = std::max(P1.Y, P2.Y);
    return B.Left >= Left && B.Top >= Top && B.Right <= Right && B.Bottom <= Bottom;
}

// ---- the selecting press ------------------------------------------------------

void TMyDraxa::SelectingPress(TShiftState Shift) {
    UseRubberBandPen();
    FReturnMode = FMode;
    if (SelectingPressOnHotPoint()) return;
    if (SelectingPressOnSelected(Shift)) return;
    SelectingPressElsewhere(Shift);
}

bool TMyDraxa::SelectingPressOnHotPoint() {
    const TPoint P = FDownPoint;
    const TArrMyShape Selected = FSelected;
    for (TMyShape* S : Selected) {
        FCurrentShape = S;
        // A freehand line has no hot points to drag: the search ends there and
        // the press is taken as one on the bodies of the selected shapes.
        if (interaction::Is<TMyFreeLine>(S)) return false;
        for (int M : S->Members())
            if (TMyShape* Member = ShapeByIndex(M); Member && Member->PointInShape(Canvas(), P))
                FChildShape = Member;

        const int H = S->HotPointAt(P);
        if (H < 0) {
            const bool HasInfo = !S->Info().isEmpty() || !S->MultiInfo().isEmpty();
            if (HasInfo && S->InInfoPos(P) && !S->Locked()) {
                FDownPoint = RoundMyPoint(S->LogicalToScreen(S->InfoPos()));
                if (FMode == TInteractionMode::Selecting) FMode = TInteractionMode::InfoMoving;
                return true;
            }
            continue;
        }
        // The drag of a corner starts at the corner itself, not where the
        // press hit its square.
        if (!interaction::Is<TMyLinkLine>(S) && S->HotIndex() < 4)
            FDownPoint = RoundMyPoint(S->GetScreenPoint(S->HotIndex()));
        if (FMode == TInteractionMode::Selecting && FResizeEnable)
            FMode = TInteractionMode::Resizing;
        else if (FMode == TInteractionMode::RotateSelecting && FRotateEnable && S->RotateEnable())
            FMode = TInteractionMode::Rotating;
        return true;
    }
    return false;
}

bool TMyDraxa::SelectingPressOnSelected(TShiftState Shift) {
    const TPoint P = FDownPoint;
    const TArrMyShape Selected = FSelected;
    for (TMyShape* S : Selected) {
        FCurrentShape = S;
        if (!ShapeHitTest(Canvas(), S, P)) continue;
        if (Shift.Contains(ssShift)) {
            UnselectShape(S);
            return true;
        }
        // A smaller shape lying on the pressed one becomes the selection if
        // the mouse is released without moving (see SettlePress).
        FClickedShape = nullptr;
        FClickedOn = S;
        if (FMode != TInteractionMode::Browse) FMode = TInteractionMode::Dragging;
        if (OnShapeSelected) OnShapeSelected(S, S);
        emit shapeSelected(S, S);
        if (S->OnClick) S->OnClick(this);
        return true;
    }
    return false;
}

void TMyDraxa::SelectingPressElsewhere(TShiftState Shift) {
    if (!FSelected.empty()) {
        if (OnShapeSelected) OnShapeSelected(FSelected.front(), nullptr);
        emit shapeSelected(FSelected.front(), nullptr);
        emit shapeSelected(FSelected.front(), nullptr);
    }

    // Top-most first; a shape on a layer that is hidden (or has no layer
    // record) cannot be picked.
    const TPoint P = FDownPoint;
    TArrMyShape Candidates;
    for (int I = ShapeCount() - 1; I >= 0; --I) {
        TMyShape* T = FShapes[size_t(I)];
        if (SelectedIndexOf(T) >= 0 || !ShapeHitTest(Canvas(), T, P)) continue;
        if (!IsLayerVisible(T->LayerId())) continue;
        if (!FOperateAllLayer && T->LayerId() != FCurrentLayer) continue;
        Candidates.push_back(T);
    }
    // A junction point sits on connectors and other shapes: it wins wherever
    // it lies in the list.
    TMyShape* W = nullptr;
    for (TMyShape* T : Candidates)
        if (!W && interaction::Is<TMyLineLinkLine>(T) && !T->IsGrouped()) W = T;
    for (TMyShape* T : Candidates)
        if (!W && !interaction::Is<TMyLineLinkLine>(T) && !T->IsGrouped()) W = T;
    if (!W) {
        UnselectAll(); // the mode stays: moving now draws a rubber band
        return;
    }

    FCurrentShape = W;
    const bool Junction = interaction::Is<TMyLineLinkLine>(W);
    if (Shift.Contains(ssShift)) {
        SelectShape(W);
        if (OnShapeSelected) OnShapeSelected(nullptr, W);
        emit shapeSelected(nullptr, W);
        return;
    }
    if (!FSelected.empty()) {
        TMyShape* First = FSelected.front();
        UnselectAll();
        SelectShape(W);
        if (Junction) {
            if (OnShapeSelected) OnShapeSelected(First, W);
            emit shapeSelected(First, W);
            if (W->OnClick) W->OnClick(this);
        } else {
            if (W->OnClick) W->OnClick(this);
            if (OnShapeSelected) OnShapeSelected(First, W);
            emit shapeSelected(First, W);
        }
    } else {
        SelectShape(W);
        if (OnShapeSelected) OnShapeSelected(nullptr, W);
        emit shapeSelected(nullptr, W);
        if (W->OnClick) W->OnClick(this);
    }
    if (!Junction) Repaint();
    if (FMode != TInteractionMode::Browse) FMode = TInteractionMode::Dragging;
}

TMyShape* TMyDraxa::SmallerShapeOn(TMyShape* Pressed, const TPoint& P) {
    const TRect B = RoundMyRect(ShapesBounds(TArrMyShape{Pressed}));
    for (TMyShape* T : FShapes) {
        if (T == Pressed || !ShapeHitTest(Canvas(), T, P) || TopGroupOf(T) == Pressed) continue;
        if (!ShapeInRect(Point(B.Left, B.Top), Point(B.Right, B.Bottom), T)) continue;
        if (!FOperateAllLayer && T->LayerId() != FCurrentLayer) continue;
        return TopGroupOf(T);
    }
    return nullptr;
}

bool TMyDraxa::SettlePress() {
    TMyShape* const PressedOn = FClickedOn;
    FClickedOn = nullptr;
    if (FMovePoint != FDownPoint) {
        FChildShape = nullptr;
        return false;
    }
    if (FChildShape) {
        // A click on a member of a selected group: the group stays the
        // selection, and only the member shows its hot points.
        bool Accept = true;
        if (OnChildShapeSelected) OnChildShapeSelected(FChildShape, Accept);
        if (Accept && FChildShape) {
            TMyShape* Child = FChildShape;
            FCurrentShape = Child;
            UnselectAll();
            SelectShape(Child);
            FChildShape = Child;
        } else {
            FChildShape = nullptr;
        }
        FMouseDown = false;
        ReleaseMouse();
        DrawSelectionHotPoints(Canvas());
        FMode = FReturnMode;
        Invalidate();
        return true;
    }
    // The press was a click: now it matters what lies on the pressed shape.
    if (PressedOn) FClickedShape = SmallerShapeOn(PressedOn, FDownPoint);
    if (FClickedShape) {
        TMyShape* Clicked = FClickedShape;
        TMyShape* Previous = FCurrentShape;
        UnselectAll();
        SelectShape(Clicked);
        FMouseDown = false;
        ReleaseMouse();
        // Back to the mode of the press: a browsing or rotating tool stays what it is.
        FMode = FReturnMode;
        DrawSelectionHotPoints(Canvas());
        Invalidate();
        if (OnShapeSelected) OnShapeSelected(Previous, Clicked);
        emit shapeSelected(Previous, Clicked);
        if (Clicked->OnClick) Clicked->OnClick(this);
        return true;
    }
    return false;
}

// ---- the rubber band ------------------------------------------------------------

void TMyDraxa::RubberBandMove(int X, int Y) {
    FlushPendingPaint();
    UseRubberBandPen();
    TCanvas& C = Canvas();
    if (FFeedbackShown) C.Rectangle(FDownPoint.X, FDownPoint.Y, FMovePoint.X, FMovePoint.Y);
    FMovePoint = Point(X, Y);
    C.Rectangle(FDownPoint.X, FDownPoint.Y, FMovePoint.X, FMovePoint.Y);
    FFeedbackShown = true;
}

void TMyDraxa::RubberBandRelease() {
    // Added to whatever the press left selected; shapes that are not shown
    // are not picked up.
    for (TMyShape* S : FShapes) {
        if (S->IsGrouped() || !S->Visible() || !IsLayerVisible(S->LayerId())) continue;
        if (!FOperateAllLayer && S->LayerId() != FCurrentLayer) continue;
        if (ShapeInRect(FDownPoint, FMovePoint, S)) SelectShape(S);
    }
    DrawSelectionHotPoints(Canvas());
    Invalidate();
}

// ---- snapping ---------------------------------------------------------------------

namespace {

// Snaps V to the grid of spacing G (pixels). A spacing that is not positive
// has no grid to snap to.
bool SnapToGrid(int& V, double G, int SnapPixels) {
    if (!(G > 0)) return false;
    const double K = RoundHalfEven(V / G);
    if (std::abs(V - K * G) < SnapPixels) {
        V = RoundHalfEven(K * G);
        return true;
    }
    if (V - K * G > G - SnapPixels) {
        V = RoundHalfEven(RoundHalfEven(V / G + 1) * G);
        return true;
    }
    return false;
}

constexpr int NoSnap = 10000;

// The non-zero candidate of smallest magnitude, the first on ties; 0 when
// there is none.
int NearestCandidate(std::initializer_list<int> Candidates) {
    int Best = 0;
    for (int C : Candidates)
        if (C != 0 && C != NoSnap && (Best == 0 || std::abs(C) < std::abs(Best))) Best = C;
    return Best;
}

} // namespace

bool TMyDraxa::SnapPoint(int& X, int& Y) {
    bool GridX = false, GridY = false;
    if (FSnap) {
        GridX = SnapToGrid(X, FGridOperation.GridWidth, FSnapPixels);
        GridY = SnapToGrid(Y, FGridOperation.GridHeight, FSnapPixels);
    }
    if (GridX || GridY) return true;
    if (!FSnapShape) return false;

    // The edges of other top-level shapes pull the point within SnapPixels;
    // a later shape's edge replaces an earlier one's on the same side.
    const float SP = FSnapPixels;
    const float FX = float(X), FY = float(Y);
    int Left = NoSnap, Right = NoSnap, Top = NoSnap, Bottom = NoSnap;
    bool Found = false;
    // V lies within SnapPixels of the edge at E: the slot takes V - E.
    auto Take = [&Found, SP](int& Slot, float V, float E) {
        if (E - SP < V && V < E + SP) {
            Slot = RoundHalfEven(V - E);
            Found = true;
        }
    };
    for (TMyShape* S : FShapes) {
        if (S->IsGrouped() || S == FCurrentShape) continue;
        const TMyRect R = ShapesBounds(TArrMyShape{S});
        if (R.Top * 0.8 < FY && FY < R.Bottom * 1.2) {
            Take(Left, FX, R.Left);
            Take(Right, FX, R.Right);
        }
        if (R.Left * 0.8 < FX && FX < R.Right * 1.2) {
            Take(Top, FY, R.Top);
            Take(Bottom, FY, R.Bottom);
        }
    }
    X -= NearestCandidate({Left, Right});
    Y -= NearestCandidate({Top, Bottom});
    return Found;
}

void TMyDraxa::SnapRect(const TRect& R, int& X, int& Y) {
    const TPoint Corners[4] = {Point(R.Left, R.Top), Point(R.Left, R.Bottom), Point(R.Right, R.Top),
                               Point(R.Right, R.Bottom)};
    int DX[4] = {0, 0, 0, 0}, DY[4] = {0, 0, 0, 0};
    for (int I = 0; I < 4; ++I) {
        TPoint C = Corners[I];
        SnapPoint(C.X, C.Y);
        DX[I] = Corners[I].X - C.X;
        DY[I] = Corners[I].Y - C.Y;
    }
    X -= NearestCandidate({DX[0], DX[1], DX[2], DX[3]});
    Y -= NearestCandidate({DY[0], DY[1], DY[2], DY[3]});
}

// ---- point searches for connectors --------------------------------------------------------

bool TMyDraxa::FindLinkTarget(const TMyPoint& P, int& ShapeIndex, int& LinkPointIndex) {
    for (int I = 0; I < ShapeCount(); ++I) {
        TMyShape* S = FShapes[size_t(I)];
        // A connector may attach to the one shape being edited, but not into
        // a selection of several that move together.
        if (SelectedIndexOf(S) >= 0 && SelectedCount() != 1) continue;
        if (S->LinkPointCount() == 0) continue;
        const int K = S->LinkPointAt(P);
        if (K >= 0) {
            ShapeIndex = I;
            LinkPointIndex = K;
            return true;
        }
    }
    ShapeIndex = LinkPointIndex = -1;
    return false;
}

int TMyDraxa::FindLinkLineSegment(TMyPoint& P, TMyLinkLine*& Line, TMyLinkLine* Except) {
    const float Tol = FHotSize;
    for (TMyShape* S : FShapes) {
        auto* L = dynamic_cast<TMyLinkLine*>(S);
        if (!L || L == Except) continue;
        for (int I = 0; I + 1 < L->PointCount(); ++I) {
            const TMyPoint A = L->GetPoint(I), B = L->GetPoint(I + 1);
            const bool Horizontal = std::abs(A.X - B.X) >= std::abs(A.Y - B.Y);
            if (!Horizontal && std::min(A.Y, B.Y) < P.Y && P.Y < std::max(A.Y, B.Y) &&
                std::abs(P.X - A.X) <= Tol) {
                P.X = A.X;
            } else if (Horizontal && std::min(A.X, B.X) < P.X && P.X < std::max(A.X, B.X) &&
                       std::abs(P.Y - A.Y) <= Tol) {
                P.Y = A.Y;
            } else {
                continue;
            }
            Line = L;
            return I;
        }
    }
    Line = nullptr;
    return -1;
}

// ---- selecting for the editing operations ------------------------------------------------

int TMyDraxa::SelectAll() {
    UnselectAll();
    for (TMyShape* S : FShapes) {
        if (S->IsGrouped() || !S->Visible() || !IsLayerVisible(S->LayerId())) continue;
        if (!FOperateAllLayer && S->LayerId() != FCurrentLayer) continue;
        SelectShape(S);
    }
    Invalidate();
    return SelectedCount();
}

TArrMyShape TMyDraxa::EditableSelection() const {
    TArrMyShape Shapes;
    for (TMyShape* S : FSelected)
        if (S && !S->Locked() && IsLayerVisible(S->LayerId())) Shapes.push_back(S);
    std::sort(Shapes.begin(), Shapes.end(), [](TMyShape* A, TMyShape* B) { return A->Index() < B->Index(); });
    return Shapes;
}

} // namespace draxa
