// Grouping the selection into a group or a combined shape, and dissolving
// groups one level.
#include "surface/draxa.h"

#include "shapes/ellipse_group.h"

namespace draxa {

int TMyDraxa::GroupSelection() {
    return MakeGroup(false);
}

int TMyDraxa::CombineSelection() {
    return MakeGroup(true);
}

int TMyDraxa::MakeGroup(bool Combine) {
    const TArrMyShape Shapes = EditableSelection();
    if (Shapes.size() < 2 || FLayers.empty()) return -1;
    TEditScope Edit(*this, ACT_GROUP);
    std::unique_ptr<TMyShape> G(Combine ? new TMyCombine(this) : new TMyGroup(this));
    G->SetShapeNo(FNextShapeNo);
    G->SetIndex(ShapeCount());
    G->SetName(QStringLiteral("Shape") + QString::number(FNextShapeNo));
    // The box around what it groups, unturned, on the layer of its first shape.
    const TMyRect R = PointsBounds(Shapes);
    G->MutablePoints() = TArrMyPoint{MyPoint(R.Left, R.Top), MyPoint(R.Right, R.Top),
                                     MyPoint(R.Right, R.Bottom), MyPoint(R.Left, R.Bottom)};
    const TMyPoint C = G->GetCorner(4);
    G->SetRotateCenter(C);
    G->SetInfoPos(MyPoint(C.X, R.Bottom + 10));
    G->SetLayerId(Shapes.front()->LayerId());
    TMyShape* Group = G.get();
    if (!AddShape(Group, true, false)) return -1;
    G.release();
    for (TMyShape* S : Shapes) {
        Touch(S);
        S->SetGroupIndex(Group->Index());
        Group->MembersRef().push_back(S->Index());
    }
    RecordUndo(TArrMyShape{Group}, ACT_GROUP);
    UnselectAll();
    SelectShape(Group);
    // Connectors that now run across a combined shape go around it.
    if (Combine) RerouteLinkLines(Group);
    SetModified(true);
    Invalidate();
    return Group->ShapeNo();
}

int TMyDraxa::UngroupSelection() {
    std::vector<int> Groups;
    for (TMyShape* S : EditableSelection())
        if (dynamic_cast<TMyGroup*>(S) && S->HasMembers()) Groups.push_back(S->ShapeNo());
    if (Groups.empty()) return 0;
    TEditScope Edit(*this, ACT_UNGROUP);
    std::vector<int> Freed;
    for (int N : Groups) {
        TMyShape* G = ShapeByNumber(N);
        RecordUndo(TArrMyShape{G}, ACT_UNGROUP);
        for (int M : G->Members())
            if (TMyShape* Member = ShapeByIndex(M)) {
                Touch(Member);
                Member->SetGroupIndex(-1);
                Freed.push_back(Member->ShapeNo());
            }
        G->MembersRef().clear();
        // The box goes; connectors attached to it (a combined shape's) become free.
        DeleteShape(N, false);
    }
    UnselectAll();
    for (int N : Freed) SelectShape(ShapeByNumber(N));
    SetModified(true);
    Invalidate();
    return int(Groups.size());
}

} // namespace draxa
