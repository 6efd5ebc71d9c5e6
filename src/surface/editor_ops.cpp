// Editing operations an editor window offers beyond arranging: moving the
// selection to another layer, turning and mirroring it as one step, the
// texts of shapes, and the questions an editor asks about the drawing
// (where its shapes lie, which shape or caption is under the mouse).
#include "surface/draxa.h"

#include "shapes/link_line.h"
#include "shapes/text.h"
#include "surface/interaction_p.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace draxa {

// ---- layers ----

bool TMyDraxa::MoveSelectionToLayer(int LayerId) {
    const int At = LayerIndexOf(uint8_t(LayerId));
    if (LayerId < 0 || LayerId > 255 || At < 0) return false;
    TArrMyShape Shapes;
    for (TMyShape* S : EditableSelection())
        if (S->LayerId() != LayerId) Shapes.push_back(S);
    if (Shapes.empty()) return false;
    TEditScope Edit(*this, ACT_CHANGE);
    RecordUndo(Shapes, ACT_CHANGE);
    // A group's members live on its layer too, or hiding one layer would
    // tear the group apart.
    for (TMyShape* S : Shapes) ForEachDepthFirst(S, [LayerId](TMyShape* M) { M->SetLayerId(LayerId); });
    if (!FLayers[size_t(At)].Visible)
        for (TMyShape* S : Shapes) UnselectShape(S);
    SetModified(true);
    Invalidate();
    return true;
}

// ---- turning and mirroring ----

bool TMyDraxa::RotateSelection(double Radians) {
    TArrMyShape Shapes;
    for (TMyShape* S : EditableSelection())
        if (S->RotateEnable()) Shapes.push_back(S);
    if (Shapes.empty() || Radians == 0) return false;
    TEditScope Edit(*this, ACT_CHANGE);
    RecordUndo(Shapes, ACT_CHANGE);
    for (TMyShape* S : Shapes) {
        // Each top-level shape turns in place, about its own centre.
        RotateShapeBy(S, Radians);
        RerouteLinkLines(S);
    }
    SetModified(true);
    Invalidate();
    return true;
}

bool TMyDraxa::FlipSelection(bool Horizontal) {
    TArrMyShape Shapes;
    for (TMyShape* S : EditableSelection())
        if (!dynamic_cast<TMyLinkLine*>(S)) Shapes.push_back(S); // a connector follows its shapes
    if (Shapes.empty()) return false;
    // One operation, however many shapes each flip records.
    TEditScope Edit(*this, ACT_CHANGE);
    for (TMyShape* S : Shapes) {
        if (Horizontal)
            FlipShapeHorz(S);
        else
            FlipShapeVert(S);
    }
    SetModified(true);
    Invalidate();
    return true;
}

// ---- texts ----

QStringList TMyDraxa::ShapeText(const TMyShape& Shape, bool Caption) {
    if (!Caption)
        if (const auto* Text = dynamic_cast<const TMyText*>(&Shape)) return Text->Lines();
    if (!Shape.Info().isEmpty()) return QStringList{Shape.Info()};
    return Shape.MultiInfo();
}

bool TMyDraxa::SetShapeText(int Number, const QStringList& Lines, bool Caption) {
    TMyShape* S = ShapeByNumber(Number);
    if (!S || S->Locked()) return false;
    auto* Text = Caption ? nullptr : dynamic_cast<TMyText*>(S);
    if (ShapeText(*S, Text == nullptr) == Lines) return false;
    TEditScope Edit(*this, ACT_CHANGE);
    RecordUndo(TArrMyShape{S}, ACT_CHANGE);
    if (Text) {
        Text->SetLines(Lines);
    } else if (Lines.size() == 1) {
        // One line is the plain info text; more need the list.
        S->SetMultiInfo(QStringList());
        S->SetInfo(Lines.front());
    } else {
        S->SetInfo(QString());
        S->SetMultiInfo(Lines);
    }
    SetModified(true);
    Invalidate();
    return true;
}

void TMyDraxa::DropCancelledTextBox() {
    AbandonNewShape();
    if (FReturnToSelecting) {
        if (OnActionToolToSelecting) OnActionToolToSelecting();
        FMode = FReturnMode;
        ToolReturnedToSelecting(std::exchange(FShapeTool, TDrawTool::SpSelecting));
    }
}

// ---- questions ----

bool TMyDraxa::DrawingBounds(TMyRect& Bounds) const {
    TArrMyShape Shown;
    for (TMyShape* S : FShapes)
        if (S && S->Visible() && IsLayerVisible(S->LayerId()) && S->PointCount() > 0) Shown.push_back(S);
    if (Shown.empty()) return false;
    Bounds = PointsBounds(Shown);
    return true;
}

TMyShape* TMyDraxa::ShapeAt(const TPoint& P) {
    for (int I = ShapeCount() - 1; I >= 0; --I) {
        TMyShape* S = FShapes[size_t(I)];
        if (!S || !S->Visible() || !IsLayerVisible(S->LayerId()) || S->HasMembers()) continue;
        if (interaction::MayHit(S, P) && S->PointInShape(Canvas(), P)) return S;
    }
    return nullptr;
}

TMyShape* TMyDraxa::CaptionAt(const TPoint& P) {
    for (int I = ShapeCount() - 1; I >= 0; --I) {
        TMyShape* S = FShapes[size_t(I)];
        if (!S || !S->Visible() || !S->CaptionShow() || !IsLayerVisible(S->LayerId())) continue;
        // A text box shows its info text inside itself: that is the box.
        if (dynamic_cast<TMyText*>(S)) continue;
        const QStringList Lines = ShapeText(*S, true);
        if (Lines.isEmpty()) continue;
        // The lines are centred on the anchor, one under the other.
        int W = 0, H = 0;
        for (const QString& Line : Lines) {
            const TPoint E = S->MeasureText(Canvas(), Line, FZoom, 0, S->Font());
            W = std::max(W, E.X);
            H += E.Y;
        }
        const double X = S->InfoPos().X * FZoom, Y = S->InfoPos().Y * FZoom;
        if (std::abs(P.X - X) <= W / 2.0 + 2 && std::abs(P.Y - Y) <= H / 2.0 + 2) return S;
    }
    return nullptr;
}

} // namespace draxa
