// Route planning: the moves between exit points, the box a move runs into,
// plan costs and the bands of boxes (see route_plan.h).
#include "surface/route_plan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace draxa::routing {

namespace {

// Where the middle one of three moves from A to B may run so that neither
// end turns back against Arrive or Leave: with AlongX the moves go along x
// to M, along y, and along x to B; otherwise along y to M, along x, and
// along y to B. Clear is how far past its one bound the middle leg runs
// when only one side bounds it. False when no place will do.
bool MiddleLine(const TMyPoint& A, const TMyPoint& B, int Arrive, int Leave, bool AlongX, float Clear,
                float& M) {
    const float From = AlongX ? A.X : A.Y, To = AlongX ? B.X : B.Y;
    if ((AlongX ? A.Y : A.X) == (AlongX ? B.Y : B.X)) return false;
    // The ways along this axis towards larger and smaller values.
    const int Larger = AlongX ? 2 : 1, Smaller = AlongX ? 0 : 3;
    constexpr float Inf = std::numeric_limits<float>::infinity();
    float Lo = -Inf, Hi = Inf;
    // The first move (From to M) may not go against Arrive, the last (M to To) not against Leave.
    if (Arrive == Larger) Lo = From;
    if (Arrive == Smaller) Hi = From;
    if (Leave == Larger) Hi = std::min(Hi, To);
    if (Leave == Smaller) Lo = std::max(Lo, To);
    if (Lo > Hi) return false;
    if (Lo > -Inf && Hi < Inf)
        M = Lo + (Hi - Lo) / 2;
    else if (Lo > -Inf)
        M = Lo + Clear;
    else if (Hi < Inf)
        M = Hi - Clear;
    else
        M = From != To ? From + (To - From) / 2 : From + Clear;
    return true;
}

} // namespace

int Opposite(int Dir) {
    return Dir < 0 ? NoDir : (Dir + 2) % 4;
}

int DirOf(const TMyPoint& A, const TMyPoint& B) {
    if (std::abs(A.X - B.X) >= std::abs(A.Y - B.Y)) return B.X < A.X ? 0 : 2;
    return B.Y > A.Y ? 1 : 3;
}

float EntryInto(const TRect& Box, const TMoveSpan& M) {
    if (M.Horizontal ? (M.Across < Box.Top || M.Across > Box.Bottom)
                     : (M.Across < Box.Left || M.Across > Box.Right))
        return -1;
    if (M.From == M.To) return -1;
    const float Lo = float(M.Horizontal ? Box.Left : Box.Top),
                Hi = float(M.Horizontal ? Box.Right : Box.Bottom);
    if (Lo <= M.From && M.From <= Hi) {
        const float Mid = Lo + (Hi - Lo) / 2;
        return (M.To > M.From ? M.From < Mid : M.From > Mid) ? 0 : -1;
    }
    if (M.To > M.From) return (M.From < Lo && Lo <= M.To) ? Lo - M.From : -1;
    return (Hi < M.From && M.To <= Hi) ? M.From - Hi : -1;
}

bool TurnsBack(const TArrDirAndPoints& Moves, TMyPoint From, int Arrive, int Leave) {
    int Last = Arrive;
    for (const TDirAndPoint& M : Moves) {
        const TMyPoint To = MyPoint(M.X, M.Y);
        if (To == From) continue;
        const int Dir = DirOf(From, To);
        if (Dir == Opposite(Last)) return true;
        Last = Dir;
        From = To;
    }
    return Last >= 0 && Last == Opposite(Leave);
}

TArrDirAndPoints PlanMoves(const TMyPoint& From, int Arrive, const TMyPoint& To, int Leave, uint8_t Kind,
                           float Clear) {
    TArrDirAndPoints Steps;
    OrthogonalRoute(From, To, Kind, Steps);
    if (!TurnsBack(Steps, From, Arrive, Leave)) return Steps;
    TArrDirAndPoints Other;
    OrthogonalRoute(From, To, (Kind == 0 || Kind == 2) ? 1 : 2, Other);
    if (!TurnsBack(Other, From, Arrive, Leave)) return Other;
    for (const bool AlongX : {true, false}) {
        float M = 0;
        if (!MiddleLine(From, To, Arrive, Leave, AlongX, Clear, M)) continue;
        TArrDirAndPoints Z;
        auto Add = [&Z](const TMyPoint& A, const TMyPoint& B) {
            if (!(A == B)) Z.push_back(TDirAndPoint{uint8_t(DirOf(A, B)), B.X, B.Y});
        };
        const TMyPoint P = AlongX ? MyPoint(M, From.Y) : MyPoint(From.X, M);
        const TMyPoint Q = AlongX ? MyPoint(M, To.Y) : MyPoint(To.X, M);
        Add(From, P);
        Add(P, Q);
        Add(Q, To);
        if (!TurnsBack(Z, From, Arrive, Leave)) return Z;
    }
    return Steps;
}

float PlanCost(const TArrDirAndPoints& Moves, TMyPoint From, float Bend, float Jog) {
    float Cost = 0;
    for (const TDirAndPoint& M : Moves) {
        const float Length = std::abs(M.X - From.X) + std::abs(M.Y - From.Y);
        Cost += Length + Bend + (Length < Jog ? 4 * Bend : 0);
        From = MyPoint(M.X, M.Y);
    }
    return Cost;
}

void TBoxBands::Build(const std::vector<TRect>& Boxes, bool Rows) {
    FLists.clear();
    if (Boxes.empty()) return;
    auto Lo = [Rows](const TRect& R) { return int64_t(Rows ? R.Top : R.Left); };
    auto Hi = [Rows](const TRect& R) { return int64_t(Rows ? R.Bottom : R.Right); };
    int64_t Min = Lo(Boxes.front()), Max = Hi(Boxes.front());
    for (const TRect& B : Boxes) {
        Min = std::min(Min, Lo(B));
        Max = std::max(Max, Hi(B));
    }
    // Bands of 32 pixels, fewer and wider over a very large drawing.
    constexpr int64_t Band = 32, MostBands = 4096;
    FOrigin = Min;
    FSize = std::max(Band, (Max - Min) / MostBands + 1);
    FLists.assign(size_t((Max - Min) / FSize + 1), {});
    for (uint32_t I = 0; I < Boxes.size(); ++I)
        for (int64_t B = (Lo(Boxes[I]) - Min) / FSize; B <= (Hi(Boxes[I]) - Min) / FSize; ++B)
            FLists[size_t(B)].push_back(I);
}

const std::vector<uint32_t>& TBoxBands::At(int V) const {
    static const std::vector<uint32_t> None;
    if (FLists.empty() || V < FOrigin) return None;
    const int64_t B = (int64_t(V) - FOrigin) / FSize;
    return B >= int64_t(FLists.size()) ? None : FLists[size_t(B)];
}

} // namespace draxa::routing
