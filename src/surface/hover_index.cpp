// The grid of hover candidates; see hover_index.h.
#include "surface/hover_index.h"

#include <algorithm>
#include <cmath>

namespace draxa {

void THoverIndex::Clear(int Width, int Height) {
    FCandidates.clear();
    FWidth = std::max(0, Width);
    FHeight = std::max(0, Height);
    FColumns = std::max(1, (FWidth + CellSize - 1) / CellSize);
    FRows = std::max(1, (FHeight + CellSize - 1) / CellSize);
}

void THoverIndex::Finish(const TSource& Source) {
    FSource = Source;
    FCurrent = true;
    const size_t Cells = size_t(FColumns) * size_t(FRows);
    FStart.assign(Cells + 1, 0);
    FItems.clear();
    FEverywhere.clear();
    // The cells a box reaches, or false when it misses the grid.
    const auto Span = [this](const TCandidate& C, int& X0, int& Y0, int& X1, int& Y1) {
        if (!(C.Right >= 0 && C.Bottom >= 0 && C.Left < FWidth && C.Top < FHeight)) return false;
        const auto Cell = [](double V, int Last) {
            return int(std::clamp(std::floor(V / CellSize), 0.0, double(Last)));
        };
        X0 = Cell(C.Left, FColumns - 1);
        X1 = Cell(C.Right, FColumns - 1);
        Y0 = Cell(C.Top, FRows - 1);
        Y1 = Cell(C.Bottom, FRows - 1);
        return true;
    };
    // Unbounded boxes, and boxes over a quarter of the grid or more, are
    // asked everywhere: filed in every cell they reach, many large shapes
    // would take memory in proportion to their number times the cells.
    const size_t Crowd = std::max<size_t>(4, Cells / 4);
    const auto Unbounded = [&](const TCandidate& C) {
        if (!std::isfinite(C.Left) || !std::isfinite(C.Top) || !std::isfinite(C.Right) ||
            !std::isfinite(C.Bottom))
            return true;
        int A, B, X, Y;
        return Span(C, A, B, X, Y) && size_t(X - A + 1) * size_t(Y - B + 1) >= Crowd;
    };
    // Two passes: count per cell, then place, so each cell's numbers lie
    // together and in list order.
    int X0, Y0, X1, Y1;
    for (const TCandidate& C : FCandidates) {
        if (Unbounded(C) || !Span(C, X0, Y0, X1, Y1)) continue;
        for (int Y = Y0; Y <= Y1; ++Y)
            for (int X = X0; X <= X1; ++X) ++FStart[size_t(Y) * size_t(FColumns) + size_t(X) + 1];
    }
    for (size_t K = 0; K < Cells; ++K) FStart[K + 1] += FStart[K];
    FItems.resize(FStart[Cells]);
    std::vector<uint32_t> Next(FStart.begin(), FStart.end() - 1);
    for (uint32_t I = 0; I < FCandidates.size(); ++I) {
        const TCandidate& C = FCandidates[I];
        if (Unbounded(C)) {
            FEverywhere.push_back(I);
            continue;
        }
        if (!Span(C, X0, Y0, X1, Y1)) continue; // reached only from off the grid
        for (int Y = Y0; Y <= Y1; ++Y)
            for (int X = X0; X <= X1; ++X) FItems[Next[size_t(Y) * size_t(FColumns) + size_t(X)]++] = I;
    }
}

} // namespace draxa
