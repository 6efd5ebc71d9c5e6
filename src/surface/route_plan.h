// Planning the orthogonal route of a connector between two exit points:
// the moves that lead from one to the other without ever doubling back, the
// box a move runs into, what a plan costs, and bands that find the boxes
// across a move quickly. Plain geometry in screen pixels; the surface's
// link_routing.cpp builds routes with it.
#pragma once

#include "foundation/geometry.h"

#include <cstdint>
#include <vector>

namespace draxa::routing {

// Moves: 0 left, 1 down, 2 right, 3 up; NoDir for none.
constexpr int NoDir = -1;
inline constexpr float DirX[4] = {-1, 0, 1, 0};
inline constexpr float DirY[4] = {0, 1, 0, -1};

// The move the other way (NoDir stays NoDir).
int Opposite(int Dir);
// The move that leads from A towards B along the axis they differ most on.
int DirOf(const TMyPoint& A, const TMyPoint& B);

// One axis-parallel move of a route, from C to T, as the boxes are checked
// against it: along x (Horizontal) or y, from From to To, at the whole
// pixel Across on the other axis.
struct TMoveSpan {
    bool Horizontal;
    int Across;
    float From, To;
    TMoveSpan(const TMyPoint& C, const TMyPoint& T, uint8_t Dir) : Horizontal(Dir == 0 || Dir == 2) {
        const TPoint RC = RoundMyPoint(C);
        Across = Horizontal ? RC.Y : RC.X;
        From = Horizontal ? C.X : C.Y;
        To = Horizontal ? T.X : T.Y;
    }
};

// How far the move goes before it runs into Box (whole pixels, edges
// included), or a negative value when it does not. A move that starts in
// the box runs into it (at 0) only when it heads for the box's middle; one
// that heads out of it is leaving.
float EntryInto(const TRect& Box, const TMoveSpan& M);

// Whether the moves, made from From, ever go straight back the way the
// route came: the first against Arrive (the way the route arrives at From),
// one against the one before, or the last against Leave (the way it goes
// on from where they end). Moves that go nowhere do not count.
bool TurnsBack(const TArrDirAndPoints& Moves, TMyPoint From, int Arrive, int Leave);

// The moves from From to To of a route that arrives at From going Arrive
// and goes on from To going Leave (NoDir: either way): OrthogonalRoute's two
// moves for Kind when they do not turn back; else its two moves the other
// way round; else three, around a middle leg placed where neither end turns
// back (Clear pixels past a bound when only one side bounds it). So a route
// never doubles back on itself at a corner.
TArrDirAndPoints PlanMoves(const TMyPoint& From, int Arrive, const TMyPoint& To, int Leave, uint8_t Kind,
                           float Clear);

// What a plan from From costs: its length, and Bend more for every move,
// and more again for a move shorter than Jog (a bend so close to the next
// one that tidying would want it gone).
float PlanCost(const TArrDirAndPoints& Moves, TMyPoint From, float Bend, float Jog);

// Boxes filed by the bands (of rows or of columns) that their extent on one
// axis reaches, so that a horizontal move looks only at the boxes across
// its row and a vertical one only at those across its column.
class TBoxBands {
public:
    // Files Boxes (numbered by position) by their extent across rows
    // (Rows: top to bottom) or columns (left to right).
    void Build(const std::vector<TRect>& Boxes, bool Rows);
    // The numbers of the boxes whose extent may hold V, ascending.
    const std::vector<uint32_t>& At(int V) const;

private:
    int64_t FOrigin = 0, FSize = 1;
    std::vector<std::vector<uint32_t>> FLists;
};

} // namespace draxa::routing
