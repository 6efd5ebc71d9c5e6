// Undo and redo: the journal each recording operation keeps of what it did
// to the shape list, and its replay (see undo_replay.h).
//
// An operation brackets its work in a TEditScope. The first step it records
// makes its journal a unit of the history (and clears what was undone);
// until then, and after the bracket closes, nothing is journaled. A change
// to the list that no unit covers (a deletion without recording, Clear, a
// reorder outside an operation) leaves the journals unable to find their
// positions, so the units recorded before it can no longer be replayed.
#include "surface/draxa.h"

#include "foundation/streams.h"
#include "shapes/link_line.h"

#include <algorithm>

namespace draxa {

namespace {

using TKind = TJournalEntry::TKind;

// Every index a shape holds of other shapes, passed through Map.
template <class F> void RemapReferences(TMyShape* S, F&& Map) {
    if (S->GroupIndex() >= 0) S->SetGroupIndex(Map(S->GroupIndex()));
    for (int& M : S->MembersRef()) M = Map(M);
    for (int& L : S->LinkLinesRef()) L = Map(L);
    if (auto* Line = dynamic_cast<TMyLinkLine*>(S)) {
        if (Line->StartShapeIndex() >= 0) Line->SetStartShapeIndex(Map(Line->StartShapeIndex()));
        if (Line->EndShapeIndex() >= 0) Line->SetEndShapeIndex(Map(Line->EndShapeIndex()));
    }
}

} // namespace

// ---- brackets and units ----

void TMyDraxa::BeginEdit(const QString& Action) {
    if (FReplay.Depth++ > 0 || FReplay.Replaying) return;
    if (FUndo.Bound() == 0) return;
    FReplay.Pending = std::make_unique<TReplayUnit>();
    FReplay.Open = FReplay.Pending.get();
    FReplay.PendingAction = Action;
}

void TMyDraxa::EndEdit() {
    if (--FReplay.Depth > 0) return;
    // An operation that recorded nothing but took shapes out of the list or
    // reordered it has moved everything the journals point at.
    if (FReplay.Pending && FReplay.Pending->ChangesStructure()) BreakReplay();
    FReplay.Pending.reset();
    FReplay.Open = nullptr;
    FReplay.PendingAction.clear();
}

void TMyDraxa::NameEdit(const QString& Action) {
    if (FReplay.Pending) FReplay.PendingAction = Action;
}

void TMyDraxa::JournalStep(const TArrMyShape& Shapes, const QString& ActionName) {
    if (FReplay.Replaying) return;
    bool Announce = false;
    bool OneCall = false;
    if (FReplay.Pending) {
        // The operation's first step: its journal becomes a unit.
        FReplay.Pending->Action = FReplay.PendingAction.isEmpty() ? ActionName : FReplay.PendingAction;
        FReplay.Done.push_back(std::move(FReplay.Pending));
        FReplay.Undone.clear();
        Announce = true;
    } else if (!FReplay.Open) {
        // Recorded by a host outside any operation: the copies taken now are
        // all the unit holds; undo then restores them.
        auto U = std::make_unique<TReplayUnit>();
        U->Action = ActionName;
        FReplay.Open = U.get();
        FReplay.Done.push_back(std::move(U));
        FReplay.Undone.clear();
        Announce = OneCall = true;
    }
    TReplayUnit* U = FReplay.Open;
    ++U->Steps;
    for (TMyShape* S : Shapes) {
        if (!S) continue;
        U->Subjects.push_back(S->ShapeNo());
        if (ActionName == ACT_ADD) {
            // Added before the step was recorded: by our operations through
            // AddShape (journaled already), by a host perhaps by hand.
            if (ShapeByIndex(S->Index()) == S && !U->Known.count(S->ShapeNo())) {
                TJournalEntry E;
                E.Kind = TKind::Insert;
                E.Number = S->ShapeNo();
                E.Position = S->Index();
                U->Journal.push_back(std::move(E));
                U->Known.insert(S->ShapeNo());
            }
        } else {
            TouchConnected(S);
        }
    }
    if (OneCall) FReplay.Open = nullptr;
    if (Announce) UndoRedoChanged();
}

void TMyDraxa::ForgetDroppedSteps(int Count) {
    auto& Done = FReplay.Done;
    while (Count > 0 && !Done.empty()) {
        TReplayUnit& U = *Done.front();
        const int Take = std::min(Count, U.Steps);
        U.Steps -= Take;
        Count -= Take;
        if (U.Steps == 0 && &U != FReplay.Open) {
            Done.erase(Done.begin());
            continue;
        }
        // Part of the operation left the history: it cannot be replayed any
        // more, and its copies are not needed.
        U.Replayable = false;
        U.Journal.clear();
        U.Known.clear();
        break;
    }
}

void TMyDraxa::BreakReplay() {
    if (FReplay.Replaying) return;
    bool Changed = !FReplay.Undone.empty();
    FReplay.Undone.clear();
    for (auto& U : FReplay.Done) {
        if (U->Replayable) Changed = true;
        U->Replayable = false;
        U->Journal.clear();
        U->Known.clear();
    }
    if (Changed) UndoRedoChanged();
}

void TMyDraxa::ClearReplay() {
    const bool Changed = !FReplay.Done.empty() || !FReplay.Undone.empty();
    FReplay.Undone.clear();
    // The running operation keeps its own journal.
    std::unique_ptr<TReplayUnit> Open;
    for (auto& U : FReplay.Done)
        if (U.get() == FReplay.Open) Open = std::move(U);
    FReplay.Done.clear();
    if (Open) {
        Open->Steps = 0;
        FReplay.Done.push_back(std::move(Open));
    }
    if (Changed) UndoRedoChanged();
}

bool TMyDraxa::MergeIntoLast(const QString& Key) {
    if (Key.isEmpty() || FReplay.Depth != 1 || !FReplay.Pending || FReplay.Done.empty()) return false;
    TReplayUnit* Last = FReplay.Done.back().get();
    if (Last->MergeKey != Key || !Last->Replayable || !FReplay.Undone.empty()) return false;
    FReplay.Pending.reset();
    FReplay.Open = Last;
    return true;
}

void TMyDraxa::SetEditMergeKey(const QString& Key) {
    if (FReplay.Open) FReplay.Open->MergeKey = Key;
}

void TMyDraxa::UndoRedoChanged() {
    if (OnUndoRedoChange) OnUndoRedoChange(this);
    emit undoRedoChanged();
}

// ---- what the journal keeps ----

TShapeImage TMyDraxa::ImageOf(TMyShape* S) const {
    TShapeImage Image;
    TMemoryStream M;
    S->SaveToStream(M, TWriteContext{});
    Image.Record = M.ToByteArray();
    Image.RotateCenter = S->RotateCenter();
    if (auto* Line = dynamic_cast<TMyLinkLine*>(S)) Image.AutoRoute = Line->AutoRoute();
    return Image;
}

void TMyDraxa::ApplyImage(TMyShape* S, const TShapeImage& Image) {
    TMemoryStream M(Image.Record);
    TReadContext Context;
    Context.Zoom = FZoom;
    S->LoadFromStream(M, Context);
    S->SetRotateCenter(Image.RotateCenter);
    if (auto* Line = dynamic_cast<TMyLinkLine*>(S)) {
        Line->SetAutoRoute(Image.AutoRoute);
        Line->SetPreviewShown(false);
    }
}

void TMyDraxa::Touch(TMyShape* S) {
    TReplayUnit* U = FReplay.Open;
    if (!U || !U->Replayable || FReplay.Replaying || !S || ShapeByIndex(S->Index()) != S) return;
    if (!U->Known.insert(S->ShapeNo()).second) return;
    TJournalEntry E;
    E.Kind = TKind::Before;
    E.Number = S->ShapeNo();
    E.Image = ImageOf(S);
    U->Journal.push_back(std::move(E));
}

void TMyDraxa::TouchConnected(TMyShape* S) {
    // The shape, its members, the connectors attached to any of them and the
    // shapes at the ends of those connectors: what moving or changing it may
    // change. (The surface's own routines touch anything further they change.)
    if (!FReplay.Open) return;
    ForEachDepthFirst(S, [this](TMyShape* X) {
        Touch(X);
        for (int L : X->LinkLines()) {
            auto* Line = dynamic_cast<TMyLinkLine*>(ShapeByIndex(L));
            if (!Line) continue;
            Touch(Line);
            Touch(ShapeByIndex(Line->StartShapeIndex()));
            Touch(ShapeByIndex(Line->EndShapeIndex()));
        }
        if (auto* Line = dynamic_cast<TMyLinkLine*>(X)) {
            Touch(ShapeByIndex(Line->StartShapeIndex()));
            Touch(ShapeByIndex(Line->EndShapeIndex()));
        }
    });
}

void TMyDraxa::JournalInsert(TMyShape* S) {
    TReplayUnit* U = FReplay.Open;
    if (!U || !U->Replayable || FReplay.Replaying) return;
    TJournalEntry E;
    E.Kind = TKind::Insert;
    E.Number = S->ShapeNo();
    E.Position = S->Index();
    U->Journal.push_back(std::move(E));
    U->Known.insert(S->ShapeNo());
}

void TMyDraxa::JournalRemoval(int Position, TMyShape* Victim) {
    TReplayUnit* U = FReplay.Open;
    if (FReplay.Replaying) return;
    if (!U || !U->Replayable) {
        if (!U) BreakReplay();
        delete Victim;
        return;
    }
    // The journal keeps the shape itself, as it was when it left.
    TJournalEntry E;
    E.Kind = TKind::Remove;
    E.Number = Victim->ShapeNo();
    E.Position = Position;
    E.Shape.reset(Victim);
    U->Known.insert(E.Number);
    U->Journal.push_back(std::move(E));
}

// ---- changing the list without side effects ----

TMyShape* TMyDraxa::TakeShapeAt(int B) {
    TMyShape* Victim = FShapes[size_t(B)];
    for (TMyShape* S : FShapes)
        if (S && S != Victim) RemapReferences(S, [B](int V) { return V > B ? V - 1 : V; });
    FNumbers.Removing(Victim);
    FShapeIndex.Removing(Victim);
    FShapes.erase(FShapes.begin() + B);
    for (int I = B; I < ShapeCount(); ++I) FShapes[size_t(I)]->SetIndex(I);
    // Nothing may keep pointing at the shape that left.
    if (FHoverShape == Victim) FHoverShape = nullptr;
    if (FClickedShape == Victim) FClickedShape = nullptr;
    if (FClickedOn == Victim) FClickedOn = nullptr;
    if (FHotLineEndShape == Victim) SetHotLineEnd(nullptr, -1);
    if (std::find(FSelected.begin(), FSelected.end(), Victim) != FSelected.end()) {
        FSelected.erase(std::remove(FSelected.begin(), FSelected.end(), Victim), FSelected.end());
        emit selectionChanged();
    }
    if (FCurrentShape == Victim) FCurrentShape = nullptr;
    if (FChildShape == Victim) FChildShape = nullptr;
    return Victim;
}

int TMyDraxa::ReplayPositionOf(int Position, int Number) const {
    const TMyShape* S = ShapeByIndex(Position);
    return S && S->ShapeNo() == Number ? Position : IndexOfNumber(Number);
}

void TMyDraxa::InsertShapeAt(int P, TMyShape* AShape) {
    P = std::clamp(P, 0, ShapeCount());
    for (TMyShape* S : FShapes) RemapReferences(S, [P](int V) { return V >= P ? V + 1 : V; });
    FShapes.insert(FShapes.begin() + P, AShape);
    for (int I = P; I < ShapeCount(); ++I) FShapes[size_t(I)]->SetIndex(I);
    FNumbers.Forget();
    FShapeIndex.Added(AShape);
}

void TMyDraxa::ApplyOrder(const std::vector<int>& Order) {
    std::vector<int> NewOf(Order.size());
    for (size_t I = 0; I < Order.size(); ++I) NewOf[size_t(Order[I])] = int(I);
    const int N = int(Order.size());
    for (TMyShape* S : FShapes)
        RemapReferences(S, [&NewOf, N](int V) { return V >= 0 && V < N ? NewOf[size_t(V)] : V; });
    TArrMyShape Shapes;
    Shapes.reserve(FShapes.size());
    for (int Old : Order) Shapes.push_back(FShapes[size_t(Old)]);
    FShapes = std::move(Shapes);
    // The index of shown shapes reads the new order from the shapes' indexes.
    for (int I = 0; I < ShapeCount(); ++I) FShapes[size_t(I)]->SetIndex(I);
    FNumbers.Forget();
}

void TMyDraxa::ReorderShapes(const std::vector<int>& Order) {
    ApplyOrder(Order);
    if (FReplay.Replaying) return;
    TReplayUnit* U = FReplay.Open;
    if (!U) {
        BreakReplay();
        return;
    }
    if (!U->Replayable) return;
    TJournalEntry E;
    E.Kind = TKind::Reorder;
    E.Order = Order;
    U->Journal.push_back(std::move(E));
}

// ---- replay ----

bool TMyDraxa::CanUndo() const {
    return !FReplay.Done.empty() && FReplay.Done.back()->Replayable && FReplay.Depth == 0 && !FMouseDown;
}

bool TMyDraxa::CanRedo() const {
    return !FReplay.Undone.empty() && FReplay.Depth == 0 && !FMouseDown;
}

QString TMyDraxa::UndoActionName() const {
    return CanUndo() ? FReplay.Done.back()->Action : QString();
}

QString TMyDraxa::RedoActionName() const {
    return CanRedo() ? FReplay.Undone.back()->Action : QString();
}

void TMyDraxa::AbandonNewShape() {
    if (!FNewShape) return;
    if (FCurrentShape == FNewShape.get()) FCurrentShape = nullptr;
    FNewShape.reset();
    FFeedbackShown = false;
    SetHotLineEnd(nullptr, -1);
    Invalidate();
}

bool TMyDraxa::Undo() {
    if (!CanUndo()) return false;
    AbandonNewShape();
    std::unique_ptr<TReplayUnit> U = std::move(FReplay.Done.back());
    FReplay.Done.pop_back();
    FReplay.Replaying = true;
    // What the operation left, for redo: every shape it touched or added
    // that is still there.
    U->After.clear();
    for (const TJournalEntry& E : U->Journal) {
        if (E.Kind == TKind::Reorder) continue;
        TMyShape* S = ShapeByNumber(E.Number);
        if (!S) continue;
        const bool Seen = std::any_of(U->After.begin(), U->After.end(),
                                      [&E](const auto& A) { return A.first == E.Number; });
        if (!Seen) U->After.emplace_back(E.Number, ImageOf(S));
    }
    for (auto It = U->Journal.rbegin(); It != U->Journal.rend(); ++It) {
        TJournalEntry& E = *It;
        switch (E.Kind) {
        case TKind::Before:
            if (TMyShape* S = ShapeByNumber(E.Number)) ApplyImage(S, E.Image);
            break;
        case TKind::Insert:
            if (const int P = ReplayPositionOf(E.Position, E.Number); P >= 0) E.Shape.reset(TakeShapeAt(P));
            break;
        case TKind::Remove:
            if (E.Shape) InsertShapeAt(E.Position, E.Shape.release());
            break;
        case TKind::Reorder: {
            std::vector<int> Back(E.Order.size());
            for (size_t I = 0; I < E.Order.size(); ++I) Back[size_t(E.Order[I])] = int(I);
            if (int(Back.size()) == ShapeCount()) ApplyOrder(Back);
            break;
        }
        }
    }
    U->Records = FUndo.TakeLastSteps(U->Steps);
    if (U->ScaleChanged) FRatio = U->RatioBefore;
    FReplay.Replaying = false;
    FReplay.Undone.push_back(std::move(U));
    AfterReplay(*FReplay.Undone.back());
    return true;
}

bool TMyDraxa::Redo() {
    if (!CanRedo()) return false;
    AbandonNewShape();
    std::unique_ptr<TReplayUnit> U = std::move(FReplay.Undone.back());
    FReplay.Undone.pop_back();
    FReplay.Replaying = true;
    for (TJournalEntry& E : U->Journal) {
        switch (E.Kind) {
        case TKind::Before:
            break;
        case TKind::Insert:
            if (E.Shape) InsertShapeAt(E.Position, E.Shape.release());
            break;
        case TKind::Remove:
            if (const int P = ReplayPositionOf(E.Position, E.Number); P >= 0) E.Shape.reset(TakeShapeAt(P));
            break;
        case TKind::Reorder:
            if (int(E.Order.size()) == ShapeCount()) ApplyOrder(E.Order);
            break;
        }
    }
    for (const auto& [Number, Image] : U->After)
        if (TMyShape* S = ShapeByNumber(Number)) ApplyImage(S, Image);
    U->After.clear();
    FUndo.PutBackSteps(std::move(U->Records));
    U->Records.clear();
    if (U->ScaleChanged) FRatio = U->RatioAfter;
    FReplay.Replaying = false;
    FReplay.Done.push_back(std::move(U));
    AfterReplay(*FReplay.Done.back());
    return true;
}

void TMyDraxa::AfterReplay(const TReplayUnit& U) {
    // The shapes the operation named are selected where they still are.
    UnselectAll();
    FCurrentShape = FChildShape = FClickedShape = FClickedOn = nullptr;
    // A replay may have put back many shapes at once: file them all anew.
    FNumbers.Forget();
    FShapeIndex.Forget();
    for (int Number : U.Subjects)
        if (TMyShape* S = ShapeByNumber(Number)) SelectShape(S);
    SetModified(true);
    Invalidate();
    UndoRedoChanged();
}

} // namespace draxa
