// The surface's document: the shape list, layers, factories, adding,
// finding, deleting and renumbering shapes.
//
// Shapes never point at each other: groups, members, connector ends and
// attached connectors refer to shapes by their index in FShapes, so every
// removal rewrites those indices everywhere, the undo history included.
#include "surface/draxa.h"

#include "foundation/bitmap.h"
#include "foundation/dialogs.h"
#include "shapes/curves.h"
#include "shapes/elli_arc.h"
#include "shapes/ellipse_group.h"
#include "shapes/image.h"
#include "shapes/line.h"
#include "shapes/link_line.h"
#include "shapes/link_point.h"
#include "shapes/polyline.h"
#include "shapes/rectangle.h"
#include "shapes/rule_line.h"
#include "shapes/shape_registry.h"
#include "shapes/text.h"

#include <algorithm>

namespace draxa {

// ---- construction ----

TMyDraxa::TMyDraxa(QWidget* Parent) : TGraphicControl(Parent) {
    // The order matters where one setting reads another: the page needs the
    // zoom and the orientation, the first layer fires its event.
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetPageStyle(TPageStyle::A4);
    AddLayer(QStringLiteral("Layer0"), true);
    SetColorOfBackGround(0xFFFFFF);
    SetUndoRedoSize(10);
    SetCursor(crCross);
}

TMyDraxa::~TMyDraxa() {
    // Taking the document apart is not news for the host: no signal from
    // here on (the event members fire as they always did, and Qt still
    // emits destroyed()).
    blockSignals(true);
    for (TMyShape* S : FShapes) delete S;
    FShapes.clear();
    FSelected.clear();
    FCurrentShape = FChildShape = FClickedShape = FHoverShape = FHotLineEndShape = nullptr;
    ClearUndo();
    FUndo.SetBound(0);
    DeleteAllLayers();
}

// ---- adding ----

bool TMyDraxa::AddShape(TMyShape* AShape, bool KeepLayer, bool KeepNumber) {
    if (!AShape) return false;
    if (FLayers.empty()) {
        Dialogs().ShowMessage(QStringLiteral("Error!There is no Layer!"));
        Dialogs().Terminate();
        return false;
    }
    if (!KeepLayer) AShape->SetLayerId(FCurrentLayer);
    AShape->SetIndex(ShapeCount());
    FShapes.push_back(AShape);
    FShapeIndex.Added(AShape);
    FNumbers.Appended(AShape);
    if (!KeepNumber) ++FNextShapeNo;
    JournalInsert(AShape);
    return true;
}

bool TMyDraxa::PutShape(int Index, TMyShape* AShape, bool KeepNumber) {
    if (!AShape || Index < 0 || Index >= ShapeCount()) return false;
    if (FLayers.empty()) {
        Dialogs().ShowMessage(QStringLiteral("Error!There is no Layer!"));
        Dialogs().Terminate();
        return false;
    }
    // The slot may hold a placeholder the loader made; the surface owns what it replaces.
    BreakReplay();
    if (FShapes[size_t(Index)] && FShapes[size_t(Index)] != AShape) delete FShapes[size_t(Index)];
    FShapes[size_t(Index)] = AShape;
    FShapeIndex.Forget();
    FNumbers.Forget();
    if (!KeepNumber) ++FNextShapeNo;
    return true;
}

int TMyDraxa::AddShapeByTool(TMyDraxa* /*Owner*/, TDrawTool Tool, const QString& Name,
                             const TArrMyPoint& Points, double Angle, const QString& Info) {
    const int N = int(Points.size());
    TEditScope Edit(*this);
    // Shapes come from points only for the classes that say how many they
    // take; for the other tools there is nothing to build, so the call fails
    // instead of touching another shape.
    const TShapeClass* Class = ShapeClassOfTool(Tool);
    if (!Class || !Class->CodePoints || !Class->CodePoints->Accepts(N)) return -1;
    // Three points make an arc; more are taken as a line through them.
    if (Tool == TDrawTool::SpElliArc && N != 3) Class = ShapeClassOfTool(TDrawTool::SpLine);
    std::unique_ptr<TMyShape> Shape(Class->Create(this));
    if (Tool == TDrawTool::SpText) Shape->SetInfo(Info);

    // User coordinates to screen coordinates.
    TArrMyPoint Screen = Points;
    for (TMyPoint& P : Screen) {
        if (FXYMode == TXYMode::Mode2 || FXYMode == TXYMode::Mode3) P.X = float(Width()) - P.X;
        if (FXYMode == TXYMode::Mode1 || FXYMode == TXYMode::Mode2) P.Y = float(Height()) - P.Y;
    }
    for (const TMyPoint& P : Screen) Shape->AddScreenPoint(P);
    Shape->MutableLinkPoints().clear();
    if (Tool == TDrawTool::SpPolygon && !Screen.empty()) Shape->AddScreenPoint(Screen.front());
    if (Tool == TDrawTool::SpLineLinkLine && !Screen.empty()) Shape->AddPoint(RoundMyPoint(Screen.front()));

    try {
        Shape->SetName(Name);
    } catch (const EComponentError&) {
        return -1;
    }
    Shape->SetShapeNo(FNextShapeNo);
    Shape->SetIndex(ShapeCount());
    // Every class turns in place, about the centre of its own points.
    if (Shape->PointCount() > 0) Shape->SetRotateCenter(Shape->GetCorner(4));
    Shape->SetAngle(float(Angle));
    if (Shape->PointCount() > 0) {
        const TMyPoint C = Shape->GetCorner(4);
        Shape->SetRotateCenter(C);
        Shape->SetInfoPos(MyPoint(C.X, Shape->GetCorner(2).Y + 10));
    }

    TMyShape* Added = Shape.get();
    if (!AddShape(Added, false, false)) return -1;
    Shape.release(); // the surface owns it now
    TMyShape* Slot = Added;
    if (OnShapeAdded) OnShapeAdded(Slot, ShapeCount());
    if (Slot) emit shapeAdded(Slot);
    const int Number = Added->ShapeNo();
    // As for a box drawn with the mouse: from the box the host left.
    if (Slot) AddSideLinkPoints(Slot);
    if (Slot) RecordUndo(TArrMyShape{Slot}, ACT_ADD);
    UnselectAll();
    SelectShape(Added);
    Invalidate();
    return Number;
}

// ---- factories ----

TMyShape* TMyDraxa::CreateShapeByClassName(const QString& ClassName, TMyDraxa* Owner) {
    const TShapeClass* C = ShapeClassNamed(ClassName);
    return C ? C->Create(Owner ? Owner : this) : nullptr;
}

TMyShape* TMyDraxa::CreateShapeForTool(TDrawTool Tool) {
    const TShapeClass* C = ShapeClassOfTool(Tool);
    return C ? C->Create(this) : nullptr;
}

void TMyDraxa::ShapeChanged(const TMyShape& Shape, TShapeChange What) {
    if (What == TShapeChange::Number) {
        // Shapes being made and undo copies are not in the list.
        if (ShapeByIndex(Shape.Index()) == &Shape) FNumbers.Forget();
        return;
    }
    // The shape's boxes are worked out again at the next paint or mouse move.
    if (ShapeByIndex(Shape.Index()) == &Shape) FShapeIndex.Changed(const_cast<TMyShape*>(&Shape));
}

// ---- lookups ----

TMyShape* TMyDraxa::ShapeByIndex(int Index) const {
    if (Index < 0 || Index >= ShapeCount()) return nullptr;
    return FShapes[size_t(Index)];
}

TMyShape* TMyDraxa::ShapeByNumber(int Number) const {
    if (Number < 0 || Number >= FNextShapeNo) return nullptr;
    return FNumbers.First(FShapes, Number);
}

int TMyDraxa::IndexOfNumber(int Number) const {
    return FNumbers.LastIndex(FShapes, Number);
}

TMyShape* TMyDraxa::TopGroupOf(TMyShape* AShape) const {
    // A damaged document could hold a group cycle; a chain longer than the
    // list cannot be a real one.
    TMyShape* S = AShape;
    for (int Steps = 0; S && S->GroupIndex() >= 0 && Steps <= ShapeCount(); ++Steps) {
        TMyShape* Up = ShapeByIndex(S->GroupIndex());
        if (!Up) break;
        S = Up;
    }
    return S;
}

void TMyDraxa::ForEachDepthFirst(TMyShape* S, const std::function<void(TMyShape*)>& Visit) {
    // Members first, then the shape; a member list that leads back to a
    // shape already on the way is not followed again.
    std::vector<TMyShape*> Path;
    std::function<void(TMyShape*)> Walk = [&](TMyShape* X) {
        if (!X || std::find(Path.begin(), Path.end(), X) != Path.end()) return;
        Path.push_back(X);
        const TMyShapeNo Members = X->Members();
        for (int M : Members) Walk(ShapeByIndex(M));
        Path.pop_back();
        Visit(X);
    };
    Walk(S);
}

void TMyDraxa::SetShapeLocked(TMyShape* AShape, bool Value) {
    ForEachDepthFirst(AShape, [Value](TMyShape* S) { S->SetLockedDirect(Value); });
}

void TMyDraxa::MoveShapeBy(TMyShape* AShape, double DX, double DY) {
    ForEachDepthFirst(AShape, [DX, DY](TMyShape* S) {
        if (!S->Locked()) S->Move(DX, DY);
    });
}

void TMyDraxa::RotateShapeBy(TMyShape* AShape, double DAngle) {
    if (!AShape) return;
    const TMyPoint Centre = TopGroupOf(AShape)->GetRotateCenter();
    ForEachDepthFirst(AShape, [&](TMyShape* S) {
        if (!S->Locked()) S->Rotate(Centre, DAngle);
    });
}

void TMyDraxa::FlipShapeHorz(TMyShape* AShape) {
    if (!AShape || dynamic_cast<TMyLinkLine*>(AShape)) return;
    TEditScope Edit(*this);
    RecordUndo(TArrMyShape{AShape}, ACT_CHANGE);
    ForEachDepthFirst(AShape, [this](TMyShape* S) {
        if (S->Locked()) return;
        S->FlipHorz();
        RerouteLinkLines(S);
    });
}

void TMyDraxa::FlipShapeVert(TMyShape* AShape) {
    if (!AShape || dynamic_cast<TMyLinkLine*>(AShape)) return;
    TEditScope Edit(*this);
    RecordUndo(TArrMyShape{AShape}, ACT_CHANGE);
    ForEachDepthFirst(AShape, [this](TMyShape* S) {
        if (S->Locked()) return;
        S->FlipVert();
        RerouteLinkLines(S);
    });
}

TMyRect TMyDraxa::PointsBounds(const TArrMyShape& Shapes) const {
    TMyRect R{0, 0, 0, 0};
    bool Seeded = false;
    for (const TMyShape* S : Shapes) {
        if (!S) continue;
        for (const TMyPoint& P : S->Points()) {
            if (!Seeded) {
                R = TMyRect{P.X, P.Y, P.X, P.Y};
                Seeded = true;
                continue;
            }
            R.Left = std::min(R.Left, P.X);
            R.Top = std::min(R.Top, P.Y);
            R.Right = std::max(R.Right, P.X);
            R.Bottom = std::max(R.Bottom, P.Y);
        }
    }
    return R;
}

TMyRect TMyDraxa::ShapesBounds(const TArrMyShape& Shapes) const {
    TMyRect R = PointsBounds(Shapes);
    const float Z = float(FZoom);
    return TMyRect{R.Left * Z, R.Top * Z, R.Right * Z, R.Bottom * Z};
}

// ---- deleting ----

void TMyDraxa::DetachShape(TMyShape* S) {
    const int K = S->Index();
    // Connector ends that hold this shape become free.
    for (int L : S->LinkLines()) {
        auto* Line = dynamic_cast<TMyLinkLine*>(ShapeByIndex(L));
        if (!Line) continue;
        Touch(Line);
        if (Line->StartShapeIndex() == K) {
            Line->SetStartShapeIndex(-1);
            Line->SetStartLinkPoint(-1);
        }
        if (Line->EndShapeIndex() == K) {
            Line->SetEndShapeIndex(-1);
            Line->SetEndLinkPoint(-1);
        }
    }
    // A connector leaves the link lists of the shapes it joins.
    if (auto* Line = dynamic_cast<TMyLinkLine*>(S)) {
        if (TMyShape* Start = ShapeByIndex(Line->StartShapeIndex())) {
            Touch(Start);
            Start->RemoveLinkLine(K);
        }
        if (TMyShape* End = ShapeByIndex(Line->EndShapeIndex())) {
            Touch(End);
            End->RemoveLinkLine(K);
        }
    }
}

void TMyDraxa::CollectVictims(TMyShape* S, std::vector<int>& Numbers) {
    ForEachDepthFirst(S, [&](TMyShape* X) {
        if (X->Locked()) return;
        DetachShape(X);
        Numbers.push_back(X->ShapeNo());
    });
}

void TMyDraxa::RemoveShapeAt(int B) {
    TMyShape* Victim = FShapes[size_t(B)];
    const int G = Victim->GroupIndex();
    for (TMyShape* S : FShapes) {
        if (!S || S == Victim) continue;
        // A locked member outlives its group and stands on its own from now on.
        if (S->FGroupIndex == B) {
            Touch(S);
            S->FGroupIndex = -1;
            FShapeIndex.Changed(S);
        }
        if (S->Index() == G) {
            auto It = std::find(S->FMembers.begin(), S->FMembers.end(), B);
            if (It != S->FMembers.end()) {
                Touch(S);
                S->FMembers.erase(It);
            }
        }
    }
    // Every index past the victim moves down by one, the history's included.
    TakeShapeAt(B);
    for (TSavedShape& R : FUndo.Records())
        for (int& L : R.Shape->FLinkLines)
            if (L > B) --L;
    JournalRemoval(B, Victim);
}

bool TMyDraxa::DeleteShape(int Number, bool WithUndo) {
    const int I = IndexOfNumber(Number);
    TMyShape* S = ShapeByIndex(I);
    if (!S || S->Locked()) return false;
    TEditScope Edit(*this);
    if (OnShapeDeleted) OnShapeDeleted(S);
    emit shapeDeleted(S);
    if (WithUndo) RecordUndo(TArrMyShape{S}, ACT_DELETE);
    std::vector<int> Victims;
    CollectVictims(S, Victims);
    for (int N : Victims) {
        const int B = IndexOfNumber(N);
        if (B >= 0) RemoveShapeAt(B);
    }
    UnselectAll();
    FCurrentShape = nullptr;
    FChildShape = nullptr;
    return true;
}

bool TMyDraxa::DeleteSelection() {
    const TArrMyShape Selected = FSelected;
    if (Selected.empty()) return false;
    TArrMyShape Victims;
    std::vector<int> Staying;
    for (TMyShape* S : Selected) {
        if (S->Locked() || !IsLayerVisible(S->LayerId()))
            Staying.push_back(S->ShapeNo());
        else
            Victims.push_back(S);
    }
    if (Victims.empty()) return false;
    TEditScope Edit(*this, ACT_DELETE);
    // One step for all of them; a locked member stays, as DeleteShape leaves it.
    RecordUndo(Victims, ACT_DELETE);
    std::vector<int> Numbers;
    for (TMyShape* S : Victims) Numbers.push_back(S->ShapeNo());
    for (int N : Numbers) DeleteShape(N, false);
    // The shapes that stay are still selected, so the user sees what was left.
    for (int N : Staying) SelectShape(ShapeByNumber(N));
    SetModified(true);
    Invalidate();
    return Staying.empty();
}

void TMyDraxa::Clear() {
    BreakReplay();
    UnselectAll();
    FChildShape = nullptr;
    FCurrentShape = nullptr;
    FClickedShape = FClickedOn = nullptr;
    FHoverShape = nullptr;
    FShapeIndex.Forget();
    FNumbers.Cleared();
    SetHotLineEnd(nullptr, -1);
    for (TMyShape* S : FShapes) delete S;
    FShapes.clear();
    FNextShapeNo = 0;
    Invalidate();
}

// ---- layers ----

int TMyDraxa::AddLayer(const QString& Name, bool Visible) {
    for (const LayerRec& L : FLayers)
        if (L.Name == Name) return -1;
    const int Id = FNextLayerId;
    FLayers.push_back(LayerRec{Name, Id, Visible});
    FCurrentLayer = Id;
    if (OnNewLayer) OnNewLayer(Id, Name, Visible);
    emit layerAdded(Id, Name);
    ++FNextLayerId;
    return Id;
}

int TMyDraxa::LayerIndexOf(uint8_t LayerId) const {
    for (int I = int(FLayers.size()) - 1; I >= 0; --I)
        if (FLayers[size_t(I)].Id == LayerId) return I;
    return -1;
}

bool TMyDraxa::IsLayerVisible(int LayerId) const {
    for (const LayerRec& L : FLayers)
        if (L.Id == LayerId) return L.Visible;
    return false;
}

bool TMyDraxa::SetLayerVisible(int LayerId, bool Visible) {
    auto Layer =
        std::find_if(FLayers.begin(), FLayers.end(), [&](const LayerRec& L) { return L.Id == LayerId; });
    if (Layer == FLayers.end()) return false;
    if (Layer->Visible == Visible) return true;
    Layer->Visible = Visible;
    if (!Visible) {
        // What cannot be seen cannot stay selected (nor be edited through the selection).
        const TArrMyShape Selected = FSelected;
        for (TMyShape* S : Selected)
            if (S->LayerId() == LayerId) UnselectShape(S);
    }
    SetModified(true);
    Invalidate();
    return true;
}

bool TMyDraxa::RenameLayer(int LayerId, const QString& Name) {
    if (Name.isEmpty()) return false;
    LayerRec* Layer = nullptr;
    for (LayerRec& L : FLayers) {
        if (L.Id == LayerId)
            Layer = &L;
        else if (L.Name == Name)
            return false;
    }
    if (!Layer) return false;
    Layer->Name = Name;
    SetModified(true);
    return true;
}

void TMyDraxa::GetLayerShapes(uint8_t LayerId, TArrMyShape& Shapes) const {
    Shapes.clear();
    if (FCurrentLayer == -1) return;
    for (TMyShape* S : FShapes)
        if (S && S->LayerId() == LayerId && S->GroupIndex() == -1) Shapes.push_back(S);
}

bool TMyDraxa::DeleteLayer(uint8_t LayerId) {
    UnselectAll();
    FCurrentShape = nullptr;
    const int P = LayerIndexOf(LayerId);
    if (P == -1) return false;
    TEditScope Edit(*this);
    std::vector<int> Numbers;
    for (TMyShape* S : FShapes)
        if (S->LayerId() == LayerId && S->GroupIndex() == -1) Numbers.push_back(S->ShapeNo());
    for (int N : Numbers)
        if (TMyShape* S = ShapeByIndex(IndexOfNumber(N))) S->SetLocked(false);
    bool Result = true;
    for (int N : Numbers) Result = DeleteShape(N, true);
    if (Result) {
        const LayerRec Gone = FLayers[size_t(P)];
        FLayers.erase(FLayers.begin() + P);
        // The history cannot bring a layer back: its shapes are not put back either.
        BreakReplay();
        if (OnDeleteLayer) OnDeleteLayer(Gone.Id, Gone.Name, Gone.Visible);
        emit layerDeleted(Gone.Id, Gone.Name);
        FCurrentLayer = FLayers.empty() ? -1 : FLayers.front().Id;
    }
    Invalidate();
    return Result;
}

bool TMyDraxa::DeleteAllLayers() {
    std::vector<int> Ids;
    for (const LayerRec& L : FLayers) Ids.push_back(L.Id);
    bool Result = true;
    for (int Id : Ids) Result = DeleteLayer(uint8_t(Id));
    if (Result) {
        FCurrentLayer = -1;
        FNextLayerId = 0;
    }
    return Result;
}

// ---- pictures ----

bool TMyDraxa::SetImageBitmap(int Number, const TBitmap& Value) {
    TMyShape* Shape = ShapeByNumber(Number);
    if (!Shape || Shape->ClassName() != QLatin1String("TMyImage")) return false;
    auto* Image = dynamic_cast<TMyImage*>(Shape);
    if (!Image) return false;
    try {
        Image->SetBitmap(Value);
    } catch (const std::exception&) {
        return false;
    }
    Invalidate();
    return true;
}

} // namespace draxa
