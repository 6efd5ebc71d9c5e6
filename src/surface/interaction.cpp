// Tools and the mouse state machine: the press, move and release handlers
// over the interaction mode, creating shapes with the drawing tools, joining
// lines, the vertex tools, dragging the whole drawing, and hover tracking.
// The selecting press, settling it at the release and the rubber band live in
// selection.cpp; dragging, resizing, rotating and moving an info anchor in
// manipulation.cpp.
//
// Outline feedback is drawn in XOR straight onto the control's screen image,
// so drawing an outline a second time erases it. FFeedbackShown says whether
// the outline of the interaction in progress is on the screen; a move erases
// only what is there.
#include "surface/draxa.h"

#include "foundation/canvas.h"
#include "foundation/dialogs.h"
#include "shapes/canvas_presets.h"
#include "shapes/curves.h"
#include "shapes/line.h"
#include "shapes/link_line.h"
#include "shapes/polyline.h"
#include "shapes/rectangle.h"
#include "shapes/rule_line.h"
#include "shapes/shape_registry.h"
#include "shapes/text.h"
#include "surface/interaction_p.h"

#include <QLabel>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <typeinfo>
#include <utility>
#include <vector>

namespace draxa {

using interaction::Is;
using interaction::IsExactly;

namespace {

// The newest step of the history is the addition of S: a connector finished
// on another one is recorded by the split that cuts that one, after the
// shapes the split adds.
bool AdditionRecorded(const TUndoHistory& History, const TMyShape* S) {
    const std::vector<TSavedShape>& R = History.Records();
    return !R.empty() && R.back().Action == ACT_ADD && R.back().Shape &&
           R.back().Shape->ShapeNo() == S->ShapeNo();
}

} // namespace

// ---- tools -----------------------------------------------------------------

void TMyDraxa::ToolReturnedToSelecting(TDrawTool Before) {
    if (Before != TDrawTool::SpSelecting) emit toolChanged(TDrawTool::SpSelecting);
}

void TMyDraxa::SetShapeTool(TDrawTool Value) {
    const TDrawTool Before = std::exchange(FShapeTool, Value);
    FMode = ModeOfTool(Value);
    // A shape half drawn never entered the document; whatever tool comes
    // next, it is abandoned.
    if (FNewShape) {
        if (FCurrentShape == FNewShape.get()) FCurrentShape = nullptr;
        FNewShape.reset();
    }
    if (FMode == TInteractionMode::Drawing) {
        FCurrentShape = nullptr;
        SetHotLineEnd(nullptr, -1);
    }
    Invalidate();
    if (Value != Before) emit toolChanged(Value);
}

void TMyDraxa::ReleaseMouse() {
    TGraphicControl::ReleaseMouse();
    if (FMouseEffect) SetCursor(crCross);
}

// ---- pens and feedback -----------------------------------------------------------

void TMyDraxa::UseFeedbackPen() {
    UsePreviewPreset(Canvas());
}

void TMyDraxa::UseRubberBandPen() {
    TCanvas& C = Canvas();
    C.SelectGeometricPen(std::nullopt);
    C.Brush().SetBitmap(nullptr);
    C.Pen().SetWidth(1);
    C.Pen().SetStyle(TPenStyle::psDot);
    // Half way between the drawing pen and white, taken as a signed value
    // and divided with truncation.
    const int64_t Mixed = (int64_t(int32_t(FPen.Color())) + 0xFFFFFF) / 2;
    C.Pen().SetColor(TColor(uint32_t(Mixed)));
    C.Pen().SetMode(TPenMode::pmXor);
    C.Brush().SetStyle(TBrushStyle::bsClear);
}

void TMyDraxa::FlushPendingPaint() {
    // A paint that ran between drawing an outline and erasing it would leave
    // part of it behind, so whatever waits for a paint is painted first (over
    // the whole control, which takes every outline away).
    if (!HasInvalidArea() || Painting()) return;
    Invalidate();
    RenderNow();
    FFeedbackShown = false;
}

TPoint TMyDraxa::ConfineMouse(const TRect& R, int X, int Y) {
    ConfineCursor(R);
    // The confinement holds the positions of the moves to come; this move's
    // point is held to it too, as the cursor itself would be.
    return interaction::ClampInto(R, Point(X, Y));
}

// ---- the three handlers ------------------------------------------------------------

void TMyDraxa::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (FMode == TInteractionMode::Idle || Button != TMouseButton::mbLeft) return;
    // The second press of a double click counts only while drawing, where it
    // puts down the vertex that finishes a polyline or a curve.
    if (Shift.Contains(ssDouble) && FMode != TInteractionMode::Drawing) return;

    FlushPendingPaint();
    FDownPoint = FMovePoint = Point(X, Y);
    FMouseDown = true;
    FChildShape = nullptr;
    FClickedShape = FClickedOn = nullptr;
    FFeedbackShown = false;
    switch (FMode) {
    case TInteractionMode::Drawing:
        DrawingPress(Shift);
        break;
    case TInteractionMode::Selecting:
    case TInteractionMode::RotateSelecting:
    case TInteractionMode::Browse:
        SelectingPress(Shift);
        break;
    default:
        break; // the vertex tools and the whole drag act at the release and on moves
    }
}

void TMyDraxa::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (FMode == TInteractionMode::Idle) return;

    const bool FreeLine = Is<TMyFreeLine>(FCurrentShape);
    if (FMode == TInteractionMode::Drawing && !FreeLine) DrawingMove(Shift, X, Y);

    if (FMode == TInteractionMode::Selecting || FMode == TInteractionMode::RotateSelecting) {
        if (FMouseEffect && !FSelected.empty()) {
            const TArrMyShape Selected = FSelected;
            for (TMyShape* S : Selected) {
                const TCursor C = S->GetHotCursor(X, Y);
                SetCursor(C);
                if (C != crCross) break;
            }
        }
        if (!FMouseDown) TrackHover(X, Y);
    }

    if (FLabelXY) {
        const TPoint U = ToUserXY(Point(X, Y));
        FLabelXY->setText(QStringLiteral("(%1,%2)").arg(U.X).arg(U.Y));
    }

    if (!FMouseDown) return;
    const TPoint P = ConfineMouse(ClientRect(), X, Y);
    switch (FMode) {
    case TInteractionMode::Drawing:
        if (FreeLine) FreeLineMove(P.X, P.Y);
        break;
    case TInteractionMode::Selecting:
    case TInteractionMode::RotateSelecting:
        RubberBandMove(P.X, P.Y);
        break;
    case TInteractionMode::Resizing:
        ResizeMove(Shift, P.X, P.Y);
        break;
    case TInteractionMode::Dragging:
        DragMove(P.X, P.Y);
        break;
    case TInteractionMode::InfoMoving:
        InfoMove(P.X, P.Y);
        break;
    case TInteractionMode::Rotating:
        RotateMove(P.X, P.Y);
        break;
    case TInteractionMode::DragWhole:
        DragWholeMove(P.X, P.Y);
        break;
    default:
        break;
    }
}

void TMyDraxa::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    // Whatever happens below, even a handler that throws, the press ends:
    // the cursor is never left confined and the surface never stays "down".
    struct TEndPress {
        TMyDraxa* S;
        bool Active;
        ~TEndPress() {
            if (Active && S->FMouseDown) {
                S->FMouseDown = false;
                S->ReleaseMouse();
            }
        }
    } EndPress{this, FMouseDown && Button == TMouseButton::mbLeft};
    // What the release does to the drawing is one operation for undo.
    TEditScope Edit(*this);
    // A release without its press, or of another button, is the framework's only.
    if (FMouseDown && Button == TMouseButton::mbLeft && !SettlePress()) {
        switch (FMode) {
        case TInteractionMode::Drawing:
            DrawingRelease(Button, Shift);
            break;
        case TInteractionMode::Selecting:
        case TInteractionMode::RotateSelecting:
            RubberBandRelease();
            break;
        case TInteractionMode::Resizing:
            ResizeRelease(Shift);
            break;
        case TInteractionMode::Dragging:
            DragRelease();
            break;
        case TInteractionMode::InfoMoving:
            InfoRelease();
            break;
        case TInteractionMode::Rotating:
            RotateRelease();
            break;
        case TInteractionMode::PointRemoving:
        case TInteractionMode::PointAdding:
            PointToolRelease();
            break;
        case TInteractionMode::DragWhole:
            DragWholeRelease();
            break;
        default:
            break;
        }
        FMouseDown = false;
        ReleaseMouse();
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TMyDraxa::MouseLeave() {
    TGraphicControl::MouseLeave();
    // Leaving the control leaves the shape under the mouse as well, so a host
    // that shows something while a shape is hovered can take it away.
    if (FHoverShape && !FMouseDown) {
        TMyShape* Left = FHoverShape;
        FHoverShape = nullptr;
        if (OnMouseLeaveShape) OnMouseLeaveShape(Left);
    }
}

void TMyDraxa::PressCancelled() {
    const bool WasDown = FMouseDown;
    FMouseDown = false;
    FChildShape = nullptr;
    FClickedShape = FClickedOn = nullptr;
    // A drag, resize, rotation or anchor move applies nothing before its
    // release, so dropping it leaves the shapes as they were.
    if (FMode == TInteractionMode::Resizing || FMode == TInteractionMode::Dragging ||
        FMode == TInteractionMode::InfoMoving || FMode == TInteractionMode::Rotating)
        FMode = FReturnMode;
    if (FNewShape && FCurrentShape == FNewShape.get()) {
        // A shape that this press began (a box, a line, a freehand stroke) is
        // never completed half-way; a polyline or curve keeps the vertices of
        // its earlier clicks and stays under construction.
        if (WasDown && (FNewShape->PointCount() <= 1 || Is<TMyFreeLine>(FNewShape.get()) ||
                        Is<TMyLinkLine>(FNewShape.get()))) {
            FCurrentShape = nullptr;
            FNewShape.reset();
        }
    } else if (FMode == TInteractionMode::Drawing) {
        // A shape that had entered the document when its handler failed is
        // finished; the slot is free for the next one.
        FCurrentShape = nullptr;
    }
    SetHotLineEnd(nullptr, -1);
    FLinkTargetShape = FLinkTargetPoint = -1;
    // The outline on the screen goes with the next paint, which covers the
    // whole control.
    FFeedbackShown = false;
    Invalidate();
    TGraphicControl::PressCancelled();
}

// ---- creating shapes ---------------------------------------------------------------

void TMyDraxa::ConstrainDrawing(TMyShape* AShape, TShiftState Shift, const TPoint& R, TPoint& P) const {
    if (!Shift.Contains(ssShift)) return;
    if (Is<TMyLine>(AShape)) {
        // Horizontal or vertical, whichever the mouse is nearer to.
        if (std::abs(P.X - R.X) < std::abs(P.Y - R.Y))
            P.X = R.X;
        else
            P.Y = R.Y;
        return;
    }
    if (Is<TMyRectangle>(AShape)) {
        // A square on the smaller extent, in the quadrant the mouse is in.
        if (P.X == R.X) P.X = R.X + 1;
        if (P.Y == R.Y) P.Y = R.Y + 1;
        const int DX = P.X - R.X, DY = P.Y - R.Y;
        if (std::abs(DY) < std::abs(DX))
            P.X = R.X + interaction::Sign(DX) * std::abs(DY);
        else
            P.Y = R.Y + interaction::Sign(DY) * std::abs(DX);
    }
}

void TMyDraxa::DrawingPress(TShiftState Shift) {
    UseFeedbackPen();
    UnselectAll();
    FReturnMode = FReturnToSelecting ? TInteractionMode::Selecting : TInteractionMode::Drawing;
    const TPoint Pressed = FDownPoint;
    TPoint P = FDownPoint;
    SnapPoint(P.X, P.Y);
    FDownPoint = FMovePoint = P;

    if (!FCurrentShape) {
        FNewShape.reset(CreateShapeForTool(FShapeTool));
        FCurrentShape = FNewShape.get();
        if (!FCurrentShape) return;
        FCurrentShape->SetIndex(ShapeCount());
        if (auto* Link = dynamic_cast<TMyLinkLine*>(FCurrentShape)) {
            // The start takes the link point under the press (the grid has no
            // say in that) and begins on it. The shape lists the connector
            // once it is finished and in the document (ResetRotateCenter).
            int Target = -1, LinkPoint = -1;
            if (FindLinkTarget(ToMyPoint(Pressed), Target, LinkPoint))
                P = RoundMyPoint(ShapeByIndex(Target)->GetScreenLinkPoint(LinkPoint));
            Link->SetStartShapeIndex(Target);
            Link->SetStartLinkPoint(LinkPoint);
            Link->SetPreviewShown(false);
        }
        // A plain line notes the end point of another line it starts on.
        if (IsExactly<TMyLine>(FCurrentShape))
            static_cast<TMyLine*>(FCurrentShape)->SetLineEndLink(TLineEnd::leFirst, ToMyPoint(P));
    }

    TMyShape* S = FCurrentShape;
    TPoint Q = P;
    if (S->PointCount() > 0) {
        // A polyline's new segment starts at its last vertex; every other
        // shape is measured from where it began.
        const int Ref = Is<TMyPolyLine>(S) ? S->PointCount() - 1 : 0;
        ConstrainDrawing(S, Shift, RoundMyPoint(S->GetScreenPoint(Ref)), Q);
    }
    S->AddPoint(Q);
    FMovePoint = P;
    if (S->PointCount() > 0) FDownPoint = RoundMyPoint(S->GetScreenPoint(S->PointCount() - 1));

    // Polylines and curves show the segment that starts at the new vertex; the
    // next move erases it again.
    if (Is<TMyBLine>(S) && S->PointCount() > 2) {
        DrawBLineAfterClick(S);
        FFeedbackShown = true;
    } else if (Is<TMyPolyLine>(S)) {
        S->DrawCreating(Canvas(), FDownPoint, FMovePoint);
        FFeedbackShown = true;
    }
}

void TMyDraxa::DrawBLineAfterClick(TMyShape* AShape) {
    // During this one outline the mouse point stands in for the vertex the
    // click has just added, instead of being appended after it.
    auto* Curve = dynamic_cast<TMyBLine*>(AShape);
    if (!Curve) return;
    Curve->SetReplaceLast(true);
    Curve->DrawCreating(Canvas(), FDownPoint, FMovePoint);
    Curve->SetReplaceLast(false);
}

void TMyDraxa::DrawingMove(TShiftState Shift, int X, int Y) {
    FlushPendingPaint();
    TPoint M = Point(X, Y);
    if (FShapeTool == TDrawTool::SpLine) {
        // Marks the end point of another line under the mouse.
        int ShapeNo = -1, EndIndex = -1;
        TMyLine::FindLineEndAt(this, ToMyPoint(M), ShapeNo, EndIndex);
    }
    if (FShapeTool != TDrawTool::SpLinkLine) {
        SnapPoint(M.X, M.Y);
    } else {
        FindLinkTarget(ToMyPoint(M), FLinkTargetShape, FLinkTargetPoint);
        if (auto* Link = dynamic_cast<TMyLinkLine*>(FCurrentShape)) {
            Link->SetEndShapeIndex(FLinkTargetShape);
            Link->SetEndLinkPoint(FLinkTargetPoint);
        }
    }

    TMyShape* S = FCurrentShape;
    if (!S) return;
    // An orthogonal connector preview depends on the link point under the
    // mouse, which may just have changed: the connector erases the route it
    // drew itself, unless a repaint has taken it away already.
    auto* Link = dynamic_cast<TMyLinkLine*>(S);
    if (Link && !FFeedbackShown) Link->SetPreviewShown(false);
    const bool ErasesItself = Link && Link->LinkLineDrawStyle() == TLinkLineDrawStyle::lldsHV;
    UseFeedbackPen();
    if (FFeedbackShown && !ErasesItself) S->DrawCreating(Canvas(), FDownPoint, FMovePoint);
    FMovePoint = M;
    ConstrainDrawing(S, Shift, FDownPoint, FMovePoint);
    UseFeedbackPen();
    S->DrawCreating(Canvas(), FDownPoint, FMovePoint);
    FFeedbackShown = true;
    ShowValueText(S->GetLengthText(FDownPoint, FMovePoint));
}

void TMyDraxa::FreeLineMove(int X, int Y) {
    // A freehand line draws its stroke in its own pen as it grows and takes a
    // vertex at every move.
    TMyShape* S = FCurrentShape;
    S->DrawCreating(Canvas(), FDownPoint, FMovePoint);
    FMovePoint = Point(X, Y);
    S->DrawCreating(Canvas(), FDownPoint, FMovePoint);
    S->AddPoint(FMovePoint);
    FDownPoint = FMovePoint;
}

void TMyDraxa::DrawingRelease(TMouseButton Button, TShiftState Shift) {
    SetModified(true);
    TMyShape* S = FCurrentShape;
    if (!S) return;
    if (FShapeTool != TDrawTool::SpLinkLine) SnapPoint(FMovePoint.X, FMovePoint.Y);
    ConstrainDrawing(S, Shift, FDownPoint, FMovePoint);
    // Boxes and straight two-point lines are drawn with one drag: the release
    // puts down their last vertex. (Only while the press point is all they
    // have: a box still waiting after a click in line with its first point
    // gets its corner from the next press.)
    if (S->Class().DrawnByDragging && S->PointCount() == 1) S->AddPoint(FMovePoint);
    if (!S->IsCreateFinished(Button, FMovePoint)) return;
    FinishNewShape();
}

void TMyDraxa::FinishNewShape() {
    // However many steps it records (a connector put down on another one
    // cuts it), finishing a shape is one addition for undo.
    TEditScope Edit(*this);
    NameEdit(ACT_ADD);
    TMyShape* S = FCurrentShape;
    S->SetIndex(ShapeCount());
    S->SetShapeNo(FNextShapeNo);
    S->SetName(QStringLiteral("Shape") + QString::number(FNextShapeNo));
    ReleaseMouse();

    if (auto* Text = dynamic_cast<TMyText*>(S)) {
        if (!FDisableTextInput) {
            QStringList Lines;
            if (Dialogs().EditStrings(Lines)) {
                Text->SetLines(Lines);
            } else if (FDropCancelledText) {
                DropCancelledTextBox();
                Invalidate();
                return;
            }
        }
        // The corners in reading order, whichever way the box was drawn.
        if (S->PointCount() >= 4) {
            const TMyPoint C[4] = {S->GetCorner(0), S->GetCorner(1), S->GetCorner(2), S->GetCorner(3)};
            for (int I = 0; I < 4; ++I) S->SetPoint(I, C[I]);
        }
    }

    if (!AddShape(S, false, false)) return;
    FNewShape.release(); // the document owns it now
    // A connector's finishing step lists it with the shapes its ends hold.
    TouchConnected(S);
    UnselectAll();
    SelectShape(S);
    // (A plain line notes there the end point of another line it ends on.)
    S->ResetRotateCenter(FDownPoint, FMovePoint);

    if (OnShapeAdded) OnShapeAdded(FCurrentShape, ShapeCount());
    if (FCurrentShape) emit shapeAdded(FCurrentShape);
    // The handler may have emptied the slot (no record, no join) or put
    // another shape into it, which is then the one recorded. A box gets its
    // side link points only now, from the size the host left it (an image
    // takes its picture's size there).
    if (TMyShape* Added = FCurrentShape) {
        AddSideLinkPoints(Added);
        if (IsExactly<TMyLine>(Added) && static_cast<TMyLine*>(Added)->JoinsTwoLines())
            JoinLines(static_cast<TMyLine*>(Added));
        else if (!AdditionRecorded(FUndo, Added))
            RecordUndo(TArrMyShape{Added}, ACT_ADD);
    }
    FCurrentShape = nullptr;
    // The repaint below covers any end point marked while drawing.
    SetHotLineEnd(nullptr, -1);

    if (FReturnToSelecting) {
        if (OnActionToolToSelecting) OnActionToolToSelecting();
        FMode = FReturnMode;
        ToolReturnedToSelecting(std::exchange(FShapeTool, TDrawTool::SpSelecting));
    }
    Invalidate();
}

// ---- joining lines ----------------------------------------------------------------

void TMyDraxa::JoinLines(TMyLine* Line) {
    // The start line up to where the new line starts, then the end line on
    // from where it ends.
    TArrMyPoint V;
    if (!Line || !Line->JoinedVertices(V)) return;
    TMyShape* A = ShapeByNumber(Line->StartLinkNo());
    TMyShape* B = ShapeByNumber(Line->EndLinkNo());
    // The polyline is made like one a host adds, in user coordinates.
    const bool MirrorX = FXYMode == TXYMode::Mode2 || FXYMode == TXYMode::Mode3;
    const bool MirrorY = FXYMode == TXYMode::Mode1 || FXYMode == TXYMode::Mode2;
    for (TMyPoint& P : V) {
        if (MirrorX) P.X = float(Width()) - P.X;
        if (MirrorY) P.Y = float(Height()) - P.Y;
    }

    TEditScope Edit(*this);
    const int NoA = A->ShapeNo(), NoB = B->ShapeNo(), NoLine = Line->ShapeNo();
    const int Joined =
        AddShapeByTool(this, TDrawTool::SpPolyLine, QStringLiteral("Shape") + QString::number(ShapeCount()),
                       V, 0, QString());
    DeleteShape(NoA, true);
    DeleteShape(NoB, true);
    DeleteShape(NoLine, false);
    // The deletions emptied the selection; the joined line takes the place of
    // the one just drawn.
    if (TMyShape* J = ShapeByNumber(Joined)) SelectShape(J);
}

// ---- the vertex tools ----------------------------------------------------------------

int TMyDraxa::SegmentIndexAt(TMyShape* AShape, const TPoint& P) {
    // Where a vertex clicked at P goes: the line's segment search serves
    // polylines, polygons and freehand lines; a B-line searches along its curve.
    int Index = -1;
    if (auto* Line = dynamic_cast<TMyPolyLine*>(AShape))
        Line->SegmentAt(P, Index);
    else if (auto* Curve = dynamic_cast<TMyBLine*>(AShape))
        Curve->CurveSegmentAt(P, Index);
    return Index;
}

void TMyDraxa::PointToolRelease() {
    if (FMode == TInteractionMode::PointRemoving)
        RemovePointRelease();
    else
        AddPointRelease();
}

void TMyDraxa::RemovePointRelease() {
    // Only one shape at a time loses a vertex.
    if (FSelected.size() != 1) return;
    TMyShape* S = FSelected.front();
    if (!Is<TMyPolyLine>(S) && !Is<TMyBLine>(S)) return;
    const int K = S->HotPointAt(FDownPoint);
    if (K < 0) return;

    // The vertex count rules are the shape's: it reports the index when the
    // vertex may go, -8 when too few would be left, -7 for a polygon's
    // closing vertex. A B-line keeps at least 3 vertices.
    auto* Poly = dynamic_cast<TMyPolyLine*>(S);
    const int Result =
        Poly ? Poly->VertexRemovalResult(K) : (S->PointCount() < 3 ? TMyPolyLine::TooFewVertices : K);
    if (Result >= 0) {
        RecordUndo(TArrMyShape{S}, ACT_CHANGE);
        if (Poly)
            Poly->RemoveVertex(K);
        else
            DeleteMyPoint(K, S->MutablePoints());
    }
    Invalidate();
    if (OnNodeDeleted) {
        TMyShape* Slot = S;
        OnNodeDeleted(Slot, Result);
        if (Slot != S) {
            auto It = std::find(FSelected.begin(), FSelected.end(), S);
            if (It != FSelected.end()) {
                if (Slot)
                    *It = Slot;
                else
                    FSelected.erase(It);
                emit selectionChanged();
            }
        }
    }
}

void TMyDraxa::AddPointRelease() {
    const TArrMyShape Selected = FSelected;
    for (TMyShape* S : Selected) {
        if (!Is<TMyPolyLine>(S) && !Is<TMyBLine>(S)) continue;
        const int K = SegmentIndexAt(S, FMovePoint);
        if (K < 0) continue;
        RecordUndo(TArrMyShape{S}, ACT_CHANGE);
        const double Z = FZoom;
        InsertMyPoint(MyPoint(float(FMovePoint.X / Z), float(FMovePoint.Y / Z)), K, S->MutablePoints());
        Invalidate();
        if (OnNodeAdded) {
            TMyShape* Slot = S;
            OnNodeAdded(Slot, K);
            auto It = std::find(FSelected.begin(), FSelected.end(), S);
            if (Slot != S && It != FSelected.end()) {
                if (Slot)
                    *It = Slot;
                else
                    FSelected.erase(It);
                emit selectionChanged();
            }
        }
    }
}

// ---- dragging the whole drawing ---------------------------------------------------------

void TMyDraxa::WholeDragShapes(TArrMyShape& Shapes) const {
    Shapes.clear();
    if (FOperateAllLayer) {
        for (TMyShape* S : FShapes)
            if (!S->IsGrouped()) Shapes.push_back(S);
    } else {
        GetLayerShapes(uint8_t(FCurrentLayer), Shapes);
    }
}

void TMyDraxa::DragWholeMove(int X, int Y) {
    FlushPendingPaint();
    TArrMyShape Shapes;
    WholeDragShapes(Shapes);
    const TPoint Q = FMovePoint;
    TPoint M = Point(X, Y);
    ApplyDragMode(FDownPoint, M);
    UseFeedbackPen();
    if (FFeedbackShown)
        for (TMyShape* S : Shapes) DrawMovingShape(Canvas(), S, FDownPoint, Q);
    FMovePoint = M;
    UseFeedbackPen();
    for (TMyShape* S : Shapes) DrawMovingShape(Canvas(), S, FDownPoint, FMovePoint);
    FFeedbackShown = true;
}

void TMyDraxa::DragWholeRelease() {
    SetModified(true);
    ApplyDragMode(FDownPoint, FMovePoint);
    const int DX = FMovePoint.X - FDownPoint.X, DY = FMovePoint.Y - FDownPoint.Y;
    if (DX != 0 || DY != 0) {
        TArrMyShape Shapes;
        WholeDragShapes(Shapes);
        for (TMyShape* S : Shapes) MoveShapeBy(S, DX, DY);
        for (TMyShape* S : Shapes) RerouteLinkLines(S);
        // Moving the whole drawing is a view change: no undo step.
        if (OnWholeDragged) OnWholeDragged();
    }
    Invalidate();
}

// ---- hover ------------------------------------------------------------------------------

void TMyDraxa::TrackHover(int X, int Y) {
    const TPoint P = Point(X, Y);
    RefreshShapeIndex();
    // The boxes only spare hit tests that could not succeed.
    TMyShape* Found =
        FShapeIndex.FirstAt(P, [this, &P](TMyShape* S) { return S->PointInShape(Canvas(), P); });
    TMyShape* Previous = FHoverShape;
    if (Found && Found != Previous && OnMouseEnterShape) OnMouseEnterShape(Found);
    // A handler may have deleted either shape; deletion forgets the hover
    // shape, and a shape no longer in the list is not remembered.
    if (Previous && Previous != Found && Previous == FHoverShape && OnMouseLeaveShape)
        OnMouseLeaveShape(Previous);
    if (Found && std::find(FShapes.begin(), FShapes.end(), Found) == FShapes.end()) Found = nullptr;
    FHoverShape = Found;
    if (Found && ShowHint() && Hint() != Found->Caption()) SetHint(Found->Caption());
}

} // namespace draxa
