// The grid of shown shapes; see shape_index.h.
#include "surface/shape_index.h"

#include "shapes/shape.h"

#include <algorithm>
#include <cmath>

namespace draxa {

namespace {

// Takes Slot out of a list; the order within a cell does not matter.
template <class T, class F> void Drop(std::vector<T>& List, F&& IsSlot) {
    const auto It = std::find_if(List.begin(), List.end(), IsSlot);
    if (It == List.end()) return;
    *It = List.back();
    List.pop_back();
}

// Whole pixels outward, in the range a float holds exactly enough.
float Down(double V) {
    return float(std::clamp(std::floor(V), -1.0e30, 1.0e30));
}
float Up(double V) {
    return float(std::clamp(std::ceil(V), -1.0e30, 1.0e30));
}

} // namespace

// ---- following the drawing ----

void TShapeIndex::Rebuild(const TView& View, const std::vector<TMyShape*>& List) {
    FView = View;
    FBuilt = true;
    FColumns = std::max(1, (std::max(0, View.Width) + CellSize - 1) / CellSize);
    FRows = std::max(1, (std::max(0, View.Height) + CellSize - 1) / CellSize);
    FCells.assign(size_t(FColumns) * size_t(FRows), {});
    FEverywhere.clear();
    FStale.clear();
    FFree.clear();
    FSlots.clear();
    FSlots.reserve(List.size());
    FEntries.assign(List.size(), TEntry{});
    for (size_t I = 0; I < List.size(); ++I) {
        FEntries[I].Shape = List[I];
        FSlots.emplace(List[I], uint32_t(I));
    }
}

uint32_t TShapeIndex::SlotOf(TMyShape* Shape) {
    if (const auto Found = FSlots.find(Shape); Found != FSlots.end()) return Found->second;
    uint32_t Slot;
    if (!FFree.empty()) {
        Slot = FFree.back();
        FFree.pop_back();
        FEntries[Slot] = TEntry{};
    } else {
        Slot = uint32_t(FEntries.size());
        FEntries.emplace_back();
    }
    FEntries[Slot].Shape = Shape;
    FSlots.emplace(Shape, Slot);
    return Slot;
}

void TShapeIndex::Added(TMyShape* Shape) {
    if (!FBuilt || !Shape) return;
    Changed(Shape);
}

void TShapeIndex::Removing(TMyShape* Shape) {
    if (!FBuilt) return;
    const auto Found = FSlots.find(Shape);
    if (Found == FSlots.end()) return;
    const uint32_t Slot = Found->second;
    FSlots.erase(Found);
    Unfile(Slot);
    // A stale slot stays listed; filing an empty slot does nothing.
    FEntries[Slot].Shape = nullptr;
    FFree.push_back(Slot);
}

void TShapeIndex::Changed(TMyShape* Shape) {
    if (!FBuilt) return;
    const uint32_t Slot = SlotOf(Shape);
    TEntry& E = FEntries[Slot];
    if (E.Stale) return;
    E.Stale = true;
    FStale.push_back(Slot);
}

void TShapeIndex::Place(uint32_t Slot) {
    TEntry& E = FEntries[Slot];
    const TBox* Parts[] = {&E.Boxes.Points, &E.Boxes.Info, &E.Boxes.Hit};
    double L = HUGE_VAL, T = HUGE_VAL, R = -HUGE_VAL, B = -HUGE_VAL;
    bool Any = false, Finite = true;
    for (const TBox* P : Parts) {
        if (!P->Any) continue;
        Any = true;
        if (!std::isfinite(P->Left) || !std::isfinite(P->Top) || !std::isfinite(P->Right) ||
            !std::isfinite(P->Bottom))
            Finite = false;
        L = std::min(L, P->Left);
        T = std::min(T, P->Top);
        R = std::max(R, P->Right);
        B = std::max(B, P->Bottom);
    }
    if (!Any) return;
    E.Filed = true;
    if (Finite) {
        // Boxes beyond the control are filed in the edge cells, where
        // questions about points and areas beyond it look.
        const auto Cell = [](double V, int Count) {
            return int(std::clamp(std::floor(V / CellSize), 0.0, double(Count - 1)));
        };
        E.X0 = Cell(L, FColumns);
        E.X1 = Cell(R, FColumns);
        E.Y0 = Cell(T, FRows);
        E.Y1 = Cell(B, FRows);
        // Boxes over a quarter of the grid or more are asked everywhere:
        // filed in every cell they reach, many large shapes would take
        // memory in proportion to their number times the cells.
        const size_t Crowd = std::max<size_t>(4, FCells.size() / 4);
        if (size_t(E.X1 - E.X0 + 1) * size_t(E.Y1 - E.Y0 + 1) < Crowd) {
            E.Everywhere = false;
            const TBox& Hit = E.Boxes.Hit;
            const TCellItem Item{Down(L),
                                 Down(T),
                                 Up(R),
                                 Up(B),
                                 Hit.Any ? Down(Hit.Left) : 1.0f,
                                 Hit.Any ? Down(Hit.Top) : 1.0f,
                                 Hit.Any ? Up(Hit.Right) : 0.0f,
                                 Hit.Any ? Up(Hit.Bottom) : 0.0f,
                                 Slot};
            for (int Y = E.Y0; Y <= E.Y1; ++Y)
                for (int X = E.X0; X <= E.X1; ++X) FCells[CellOf(X, Y)].push_back(Item);
            return;
        }
    }
    E.Everywhere = true;
    FEverywhere.push_back(Slot);
}

void TShapeIndex::Unfile(uint32_t Slot) {
    TEntry& E = FEntries[Slot];
    if (!E.Filed) return;
    E.Filed = false;
    if (E.Everywhere) {
        Drop(FEverywhere, [Slot](uint32_t S) { return S == Slot; });
        return;
    }
    for (int Y = E.Y0; Y <= E.Y1; ++Y)
        for (int X = E.X0; X <= E.X1; ++X)
            Drop(FCells[CellOf(X, Y)], [Slot](const TCellItem& I) { return I.Slot == Slot; });
}

size_t TShapeIndex::CellOf(int X, int Y) const {
    return size_t(Y) * size_t(FColumns) + size_t(X);
}

// ---- questions ----

void TShapeIndex::Candidates(const TRect& R, std::vector<uint32_t>& Out) {
    Out.clear();
    if (++FMark == 0) {
        // The marks went round: none may look as if taken by this question.
        for (TEntry& E : FEntries) E.Mark = 0;
        FMark = 1;
    }
    const auto Take = [this, &Out](uint32_t Slot) {
        TEntry& E = FEntries[Slot];
        if (E.Mark == FMark) return;
        E.Mark = FMark;
        Out.push_back(Slot);
    };
    for (const uint32_t Slot : FEverywhere) Take(Slot);
    if (R.Right < R.Left || R.Bottom < R.Top) return;
    const auto Cell = [](int V, int Count) { return std::clamp(V / CellSize - (V < 0), 0, Count - 1); };
    const int X0 = Cell(R.Left, FColumns), X1 = Cell(R.Right, FColumns);
    const int Y0 = Cell(R.Top, FRows), Y1 = Cell(R.Bottom, FRows);
    const float L = float(R.Left), T = float(R.Top), Rt = float(R.Right), B = float(R.Bottom);
    for (int Y = Y0; Y <= Y1; ++Y)
        for (int X = X0; X <= X1; ++X)
            for (const TCellItem& I : FCells[CellOf(X, Y)])
                if (I.Left <= Rt && I.Right >= L && I.Top <= B && I.Bottom >= T) Take(I.Slot);
}

void TShapeIndex::SortByList(std::vector<TMyShape*>& Shapes, bool TopFirst) const {
    const auto Before = [TopFirst](const TMyShape* A, const TMyShape* B) {
        return TopFirst ? A->Index() > B->Index() : A->Index() < B->Index();
    };
    std::sort(Shapes.begin(), Shapes.end(), Before);
}

void TShapeIndex::Meeting(const TRect& R, std::vector<TMyShape*>& Out) {
    Out.clear();
    Candidates(R, FSlotScratch);
    for (const uint32_t Slot : FSlotScratch) {
        const TEntry& E = FEntries[Slot];
        if (E.Boxes.Points.Meets(R) || E.Boxes.Info.Meets(R)) Out.push_back(E.Shape);
    }
    if (Out.size() * 8 < FSlots.size()) {
        SortByList(Out, false);
        return;
    }
    // Many shapes: put them in place by their list index instead of sorting.
    int Last = -1;
    for (const TMyShape* S : Out) Last = std::max(Last, S->Index());
    std::vector<TMyShape*>& Place = FScratch;
    Place.assign(size_t(Last + 1), nullptr);
    bool Clash = false;
    for (TMyShape* S : Out) {
        TMyShape*& To = Place[size_t(std::max(0, S->Index()))];
        Clash |= To != nullptr;
        To = S;
    }
    if (Clash) {
        // Two shapes claim one place: their indexes are being renumbered.
        SortByList(Out, false);
        return;
    }
    Out.clear();
    for (TMyShape* S : Place)
        if (S) Out.push_back(S);
}

void TShapeIndex::CollectHits(const TPoint& P, std::vector<TMyShape*>& Out) {
    const auto Take = [this, &P, &Out](uint32_t Slot) {
        const TEntry& E = FEntries[Slot];
        if (E.Boxes.Hit.Holds(P) && E.Shape->Visible()) Out.push_back(E.Shape);
    };
    for (const uint32_t Slot : FEverywhere) Take(Slot);
    // One cell holds each shape once: no marks needed. Points beyond the
    // control look in the edge cells, where the boxes beyond it are filed.
    const auto Cell = [](int V, int Count) { return std::clamp(V / CellSize - (V < 0), 0, Count - 1); };
    const float X = float(P.X), Y = float(P.Y);
    for (const TCellItem& I : FCells[CellOf(Cell(P.X, FColumns), Cell(P.Y, FRows))])
        if (X >= I.HitLeft && X <= I.HitRight && Y >= I.HitTop && Y <= I.HitBottom) Take(I.Slot);
    SortByList(Out, true);
}

size_t TShapeIndex::FiledCount() const {
    size_t N = 0;
    for (const TEntry& E : FEntries) N += E.Shape && E.Filed;
    return N;
}

} // namespace draxa
