// What hover may find, kept between mouse moves: the shown top-level shapes,
// top-most first, each with the screen box outside which its hit test fails,
// filed in a grid of square cells over the control, so that a move looks
// only at the shapes whose boxes reach the cell under the mouse.
#pragma once

#include "foundation/geometry.h"

#include <cstdint>
#include <vector>

namespace draxa {

class TMyShape;

class THoverIndex {
public:
    struct TCandidate {
        double Left, Top, Right, Bottom;
        TMyShape* Shape;
    };

    // What the candidates were worked out from: the invalidation count of
    // the control, the shape list, the zoom and the control's size.
    struct TSource {
        uint64_t Stamp = 0;
        size_t ListSize = 0;
        const void* ListData = nullptr;
        double Zoom = 0;
        int Width = 0, Height = 0;
        bool operator==(const TSource& O) const {
            return Stamp == O.Stamp && ListSize == O.ListSize && ListData == O.ListData && Zoom == O.Zoom &&
                   Width == O.Width && Height == O.Height;
        }
    };
    // True when the candidates were filed from Source and nothing was forgotten since.
    bool Current(const TSource& Source) const { return FCurrent && Source == FSource; }
    // A shape changed: the candidates are worked out anew when next asked for.
    void Forget() { FCurrent = false; }

    // Starts again for a control of Width x Height pixels.
    void Clear(int Width, int Height);
    // Adds the next candidate (each lies below those added before it).
    void Add(const TCandidate& C) { FCandidates.push_back(C); }
    // Files the candidates in the grid, as worked out from Source; call
    // once after the last Add.
    void Finish(const TSource& Source);

    // The candidates whose boxes hold P, top-most first, until Visit
    // returns true; returns that candidate's shape, or nullptr.
    template <class F> TMyShape* FirstAt(const TPoint& P, F&& Visit) const {
        const auto Holds = [&P](const TCandidate& C) {
            return P.X >= C.Left && P.X <= C.Right && P.Y >= C.Top && P.Y <= C.Bottom;
        };
        if (P.X < 0 || P.Y < 0 || P.X >= FWidth || P.Y >= FHeight) {
            // Off the grid: every candidate in turn.
            for (const TCandidate& C : FCandidates)
                if (Holds(C) && Visit(C.Shape)) return C.Shape;
            return nullptr;
        }
        const size_t Cell = size_t(P.Y / CellSize) * size_t(FColumns) + size_t(P.X / CellSize);
        const uint32_t* A = FItems.data() + FStart[Cell];
        const uint32_t* AEnd = FItems.data() + FStart[Cell + 1];
        const uint32_t* B = FEverywhere.data();
        const uint32_t* BEnd = B + FEverywhere.size();
        // Both lists hold candidate numbers in ascending order: merged, they
        // give the candidates in list order.
        while (A != AEnd || B != BEnd) {
            const uint32_t I = (B == BEnd || (A != AEnd && *A < *B)) ? *A++ : *B++;
            const TCandidate& C = FCandidates[I];
            if (Holds(C) && Visit(C.Shape)) return C.Shape;
        }
        return nullptr;
    }

private:
    static constexpr int CellSize = 64;
    TSource FSource;
    bool FCurrent = false;
    std::vector<TCandidate> FCandidates;
    int FWidth = 0, FHeight = 0, FColumns = 0, FRows = 0;
    // Per cell, the numbers of the candidates reaching it: those of cell K
    // are FItems[FStart[K] .. FStart[K + 1]).
    std::vector<uint32_t> FStart;
    std::vector<uint32_t> FItems;
    // Candidates whose box is unbounded: asked in every cell.
    std::vector<uint32_t> FEverywhere;
};

} // namespace draxa
