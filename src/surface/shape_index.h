// Where the shown shapes are on the control, for painting and hover: every
// top-level shape on a visible layer that is itself visible, with the screen
// boxes its paint and its hit test cannot leave, filed in a grid of square
// cells over the control.
//
// The index follows the drawing: a shape that is added, removed or changed
// (its points, visibility, layer, group, pen, font or texts, as the shape
// reports them) is worked out and filed again at the next question, and
// nothing else is. Only a different view (zoom, size, the reach of arrow
// heads and hot points, layer visibility) or a new list (a document read,
// cleared) files every shape anew. Answers come in list order, so a paint
// meets the shapes bottom-most first and hover top-most first.
#pragma once

#include "foundation/geometry.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace draxa {

class TMyShape;

class TShapeIndex {
public:
    // A screen box, edges included; Any false when there is none.
    struct TBox {
        double Left = 0, Top = 0, Right = 0, Bottom = 0;
        bool Any = false;
        bool Meets(const TRect& R) const {
            return Any && Left <= R.Right && Right >= R.Left && Top <= R.Bottom && Bottom >= R.Top;
        }
        bool Holds(const TPoint& P) const {
            return Any && P.X >= Left && P.X <= Right && P.Y >= Top && P.Y <= Bottom;
        }
    };
    // What the surface says about one shape.
    struct TBoxes {
        bool Shown = false; // top-level, visible, on a visible layer
        TBox Points;        // what it paints around its points
        TBox Info;          // its info text
        TBox Hit;           // outside this its hit test fails
    };

    // What every box was worked out from; a different view files all anew.
    struct TView {
        double Zoom = 0;
        int Width = 0, Height = 0;
        int ArrowLength = 0, HotSize = 0;
        uint64_t Layers = 0; // the visible layers, as a digest
        bool operator==(const TView& O) const {
            return Zoom == O.Zoom && Width == O.Width && Height == O.Height && ArrowLength == O.ArrowLength &&
                   HotSize == O.HotSize && Layers == O.Layers;
        }
    };

    // ---- following the drawing ----

    // Everything is worked out anew at the next question (a new list).
    void Forget() { FBuilt = false; }
    // Shape joined the list (anywhere; its place is read from its index).
    void Added(TMyShape* Shape);
    // Shape leaves the list (before it is freed).
    void Removing(TMyShape* Shape);
    // Something about Shape that its boxes depend on changed.
    void Changed(TMyShape* Shape);

    // Brings the index up to date before a question: Describe(Shape, Boxes)
    // fills in the boxes of a shape of List.
    template <class F> void Refresh(const TView& View, const std::vector<TMyShape*>& List, F&& Describe) {
        if (!FBuilt || !(View == FView)) {
            Rebuild(View, List);
            for (TMyShape* S : List) File(SlotOf(S), Describe);
        } else {
            // Describing may itself report a change (a curve works out its
            // samples): those are filed at the next question.
            std::vector<uint32_t> Stale;
            Stale.swap(FStale);
            for (const uint32_t Slot : Stale) File(Slot, Describe);
        }
    }

    // ---- questions (after Refresh) ----

    // The shown shapes whose points or info boxes meet R, in list order.
    void Meeting(const TRect& R, std::vector<TMyShape*>& Out);

    // The shown shapes whose hit boxes hold P, top-most first, until Visit
    // returns true; returns that shape, or nullptr.
    template <class F> TMyShape* FirstAt(const TPoint& P, F&& Visit) {
        std::vector<TMyShape*>& Found = FScratch;
        Found.clear();
        CollectHits(P, Found);
        for (TMyShape* S : Found)
            if (Visit(S)) return S;
        return nullptr;
    }

    // How many shapes are filed (for tests).
    size_t FiledCount() const;

private:
    static constexpr int CellSize = 64;

    struct TEntry {
        TMyShape* Shape = nullptr;
        TBoxes Boxes;
        // The cells the entry is filed in (inclusive), or Everywhere.
        int X0 = 0, Y0 = 0, X1 = -1, Y1 = -1;
        bool Everywhere = false;
        bool Filed = false;
        bool Stale = false;
        uint32_t Mark = 0;
    };

    void Rebuild(const TView& View, const std::vector<TMyShape*>& List);
    uint32_t SlotOf(TMyShape* Shape);
    template <class F> void File(uint32_t Slot, F&& Describe) {
        TEntry& E = FEntries[Slot];
        Unfile(Slot);
        E.Stale = false;
        if (!E.Shape) return;
        TBoxes B;
        Describe(E.Shape, B);
        E.Boxes = B;
        if (B.Shown) Place(Slot);
    }
    // What a cell holds of a filed shape: the slot, and both boxes it is
    // asked about rounded outward to whole pixels, so that a question reads
    // its cells straight through and looks at an entry only on a near hit.
    struct TCellItem {
        float Left, Top, Right, Bottom;             // every box of the shape
        float HitLeft, HitTop, HitRight, HitBottom; // the hit box (empty: none)
        uint32_t Slot;
    };

    void Place(uint32_t Slot);
    void Unfile(uint32_t Slot);
    void CollectHits(const TPoint& P, std::vector<TMyShape*>& Out);
    // The slots whose boxes may meet R (each once).
    void Candidates(const TRect& R, std::vector<uint32_t>& Out);
    size_t CellOf(int X, int Y) const;
    void SortByList(std::vector<TMyShape*>& Shapes, bool TopFirst) const;

    bool FBuilt = false;
    TView FView;
    int FColumns = 1, FRows = 1;
    std::vector<TEntry> FEntries;
    std::vector<uint32_t> FFree;
    std::unordered_map<const TMyShape*, uint32_t> FSlots;
    std::vector<uint32_t> FStale;
    // Per cell, the shapes filed there; Everywhere holds the slots of
    // unbounded or very large boxes, asked in every cell.
    std::vector<std::vector<TCellItem>> FCells;
    std::vector<uint32_t> FEverywhere;
    uint32_t FMark = 0;
    std::vector<uint32_t> FSlotScratch;
    std::vector<TMyShape*> FScratch;
    std::vector<uint8_t> FInList;
};

} // namespace draxa
