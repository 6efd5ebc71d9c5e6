// Connector routing and junctions: computing a connector's orthogonal route
// around combined shapes, keeping connectors attached (and their routes
// whole) when the shapes they join move, re-routing the connectors a moved
// combined shape now stands on, attaching ends to link points, cutting a
// connector where a junction is put down, and the link points that
// box-shaped shapes get when AutoLinkPoints is set.
//
// Routes are computed in screen pixels and stored as logical vertices. A
// route leaves each end ExitDistance out: a box straight out of the side of
// its link point, a junction across the connector it sits on. Between the
// two exit points the router keeps a stack of axis-parallel moves; for each
// move it finds the first box in its way (a combined shape, or one of the
// route's own end shapes, which a route never runs along or through),
// turns aside before it to pass it and plans the rest of the way from
// there. Each move is checked whole against the boxes, so no part of a long
// route goes unchecked; the number of detours per route is bounded, so a
// crowded drawing still routes at once (the rest of such a route simply
// ignores obstacles).
#include "surface/draxa.h"

#include "foundation/canvas.h"
#include "shapes/canvas_presets.h"
#include "shapes/ellipse_group.h"
#include "shapes/link_line.h"
#include "shapes/link_point.h"
#include "shapes/rectangle.h"
#include "shapes/shape_registry.h"
#include "surface/interaction_p.h"
#include "surface/route_plan.h"

#include <QRegion>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace draxa {

using interaction::Is;
using namespace routing;

namespace {

// Distance (logical units) at which a route leaves and enters a shape.
constexpr double ExitDistance = 25;
// Margin (pixels) around a combined shape that counts as inside it.
constexpr int ObstacleMargin = 10;
// Margin (pixels) around a combined shape along which a route passes it.
constexpr int DetourMargin = 20;
// A route turns aside a whole number of these steps (pixels) along a move,
// before the first step that would take it into a box.
constexpr float ProbeStep = 15;
// Detours one route may take.
constexpr int DetourBudget = 10;
// Tidying a connector merges bends closer together than this (logical units).
constexpr double AlignTolerance = 10;

TMyPoint Scaled(const TMyPoint& P, double F) {
    return MyPoint(float(P.X * F), float(P.Y * F));
}

// The shape's screen bounds as whole pixels.
TRect ScreenBox(const TMyDraxa& D, TMyShape* S) {
    return RoundMyRect(D.ShapesBounds(TArrMyShape{S}));
}

// Where a route leaves (or enters) an end: the exit point (screen) and the
// way from the end out to it (0 .. 3; NoDir for a free end, whose exit
// point is the end itself).
struct TExit {
    TMyPoint Point;
    int Dir = NoDir;
};

// Where a route leaves (or enters) Shape from its link point P (screen): the
// nearest side of the shape's bounds, ExitDistance x Zoom outside it. On a tie
// the later side of left, right, top, bottom wins.
TExit LinkExitPoint(const TMyDraxa& D, TMyShape* Shape, const TMyPoint& P) {
    const double M = ExitDistance * D.Zoom();
    const TRect B = ScreenBox(D, Shape);
    const double DL = P.X - B.Left, DR = B.Right - P.X, DT = P.Y - B.Top, DB = B.Bottom - P.Y;
    const double Least = std::min(std::min(DL, DR), std::min(DT, DB));
    TExit R{P, NoDir};
    if (Least == DL) R = TExit{MyPoint(float(B.Left - M), P.Y), 0};
    if (Least == DR) R = TExit{MyPoint(float(B.Right + M), P.Y), 2};
    if (Least == DT) R = TExit{MyPoint(P.X, float(B.Top - M)), 3};
    if (Least == DB) R = TExit{MyPoint(P.X, float(B.Bottom + M)), 1};
    return R;
}

// The way Line leaves J at its end that lies on J (NoDir when none does):
// from that end vertex towards the first vertex that differs from it.
int WayOut(const TMyLinkLine* Line, const TMyShape* J) {
    const int N = Line->PointCount();
    if (N < 2) return NoDir;
    const bool FromStart = Line->StartAttachedShape() == J;
    if (!FromStart && Line->EndAttachedShape() != J) return NoDir;
    const int First = FromStart ? 0 : N - 1, Step = FromStart ? 1 : -1;
    const TMyPoint P = Line->GetScreenPoint(First);
    for (int I = First + Step; I >= 0 && I < N; I += Step)
        if (!(Line->GetScreenPoint(I) == P)) return DirOf(P, Line->GetScreenPoint(I));
    return NoDir;
}

// A box a route may not run into: a shape's screen bounds grown by a margin.
struct TObstacle {
    TMyShape* Shape;
    TRect Box;
};

// The shown combined shapes, in list order, with their screen bounds grown
// by ObstacleMargin: of the drawing's shapes only combined ones are in a
// route's way. Routing moves connectors alone, so the boxes hold while a
// shape's connectors are routed one after the other; they are gathered at
// the first move that is checked. Many boxes are also filed in bands of
// rows and of columns, so that a move looks only at the boxes that reach
// across its own row (or column).
class TObstacles {
public:
    explicit TObstacles(const TMyDraxa& D) : FSurface(D) {}
    const TMyDraxa& Surface() const { return FSurface; }
    // Calls Look for each box that may lie across the move, in list order.
    template <class F> void ForEachAcross(const TMoveSpan& M, F&& Look) {
        if (!FGathered) Gather();
        if (FBoxes.size() <= BandedFrom) {
            for (const TObstacle& O : FBoxes) Look(O);
            return;
        }
        for (const uint32_t I : (M.Horizontal ? FRows : FColumns).At(M.Across)) Look(FBoxes[I]);
    }

private:
    static constexpr size_t BandedFrom = 32;
    void Gather() {
        FGathered = true;
        for (int I = 0; I < FSurface.ShapeCount(); ++I) {
            TMyShape* S = FSurface.ShapeByIndex(I);
            if (!Is<TMyCombine>(S) || !S->Visible() || !FSurface.IsLayerVisible(S->LayerId()) ||
                S->PointCount() == 0)
                continue;
            FBoxes.push_back(TObstacle{S, InflateRectSafe(ScreenBox(FSurface, S), ObstacleMargin)});
        }
        if (FBoxes.size() > BandedFrom) {
            std::vector<TRect> Boxes;
            Boxes.reserve(FBoxes.size());
            for (const TObstacle& O : FBoxes) Boxes.push_back(O.Box);
            FRows.Build(Boxes, true);
            FColumns.Build(Boxes, false);
        }
    }
    const TMyDraxa& FSurface;
    bool FGathered = false;
    std::vector<TObstacle> FBoxes;
    TBoxBands FRows, FColumns;
};

// The obstacles of the re-route in progress, shared by the routes it makes.
TObstacles* ReroutingObstacles = nullptr;

// Shares one gathering of D's obstacles among the routes made while it
// lives: the re-route in progress's, or a new one.
class TSharedObstacles {
public:
    explicit TSharedObstacles(const TMyDraxa& D) : FBefore(ReroutingObstacles) {
        if (!FBefore || &FBefore->Surface() != &D) {
            FOwn.emplace(D);
            ReroutingObstacles = &*FOwn;
        }
    }
    ~TSharedObstacles() { ReroutingObstacles = FBefore; }
    TSharedObstacles(const TSharedObstacles&) = delete;
    TSharedObstacles& operator=(const TSharedObstacles&) = delete;

private:
    TObstacles* FBefore;
    std::optional<TObstacles> FOwn;
};

// The box that the move from C to T runs into first and how far along the
// move; the combined shapes first, in list order, then the route's own end
// boxes. A combined shape that holds Goal (where the route ends, whole
// pixels) is not in the way: the route has to go into it. An end box of the
// route itself is in the way even then: no point of the route lies in it.
struct TInWay {
    const TObstacle* Obstacle = nullptr;
    float Entry = 0;
    bool OwnEnd = false;
};
TInWay FirstInWay(TObstacles* Combined, const std::vector<TObstacle>& Own, const TMyPoint& C,
                  const TMyPoint& T, uint8_t Dir, const TPoint& Goal) {
    TInWay W;
    const TMoveSpan M(C, T, Dir);
    auto Look = [&W, &M, &Goal](const TObstacle& O, bool OwnEnd) {
        const float E = EntryInto(O.Box, M);
        if (E < 0 || (W.Obstacle && E >= W.Entry)) return;
        const TRect& B = O.Box;
        if (!OwnEnd && B.Left <= Goal.X && Goal.X <= B.Right && B.Top <= Goal.Y && Goal.Y <= B.Bottom) return;
        W = TInWay{&O, E, OwnEnd};
    };
    if (Combined) Combined->ForEachAcross(M, [&Look](const TObstacle& O) { Look(O, false); });
    for (const TObstacle& O : Own) Look(O, true);
    return W;
}

// The move that takes a route at C, heading for T in direction Dir, around
// the obstacle O: across Dir to the side of O (grown by Margin) nearer to T,
// unless that is back the way the route came to C (Came).
TDirAndPoint DetourMove(const TMyDraxa& D, TMyShape* O, int Margin, const TMyPoint& C, const TMyPoint& T,
                        uint8_t Dir, int Came) {
    const TRect B = InflateRectSafe(ScreenBox(D, O), Margin);
    const TDirAndPoint Right{2, float(B.Right), C.Y}, Left{0, float(B.Left), C.Y};
    const TDirAndPoint Down{1, C.X, float(B.Bottom)}, Up{3, C.X, float(B.Top)};
    // A vertical move turns aside to the left or right, a horizontal one up or down.
    const bool Sideways = Dir == 1 || Dir == 3;
    const bool Larger = Sideways ? std::abs(T.X - B.Left) >= std::abs(T.X - B.Right)
                                 : std::abs(T.Y - B.Top) >= std::abs(T.Y - B.Bottom);
    const TDirAndPoint& Near = Sideways ? (Larger ? Right : Left) : (Larger ? Down : Up);
    const TDirAndPoint& Far = Sideways ? (Larger ? Left : Right) : (Larger ? Up : Down);
    return Near.Dir == Opposite(Came) ? Far : Near;
}

// Where Line leaves (or enters) the junction J at its link point P
// (screen): ExitDistance x Zoom out, in a direction that none of J's other
// connectors takes, so that a branch leaves across the connector the
// junction sits on and a part of that connector goes on the way it ran.
// Of those the one whose way to the other end costs least: that end is
// Other, left going Onward (AtStart: the route goes from J to Other, and
// on from there into its shape going Onward; else from Other, which it
// leaves going Onward, to J). A direction whose leg would run into the
// other end's shape (Avoid, when it has one) is taken only when no other is
// free.
TExit JunctionExitPoint(const TMyDraxa& D, TMyShape* J, const TMyLinkLine* Line, const TMyPoint& P,
                        bool AtStart, const TMyPoint& Other, int Onward, const TRect* Avoid) {
    bool Taken[4] = {false, false, false, false};
    for (const int Index : J->LinkLines()) {
        const auto* L = dynamic_cast<const TMyLinkLine*>(D.ShapeByIndex(Index));
        if (L && L != Line && WayOut(L, J) >= 0) Taken[WayOut(L, J)] = true;
    }
    const float M = float(ExitDistance * D.Zoom());
    const float Jog = float(AlignTolerance * D.Zoom());
    TExit Best;
    float BestCost = 0;
    int BestRank = 4;
    for (int Dir = 0; Dir < 4; ++Dir) {
        const TMyPoint X = MyPoint(P.X + M * DirX[Dir], P.Y + M * DirY[Dir]);
        // Taken directions last, then those into the other end's shape.
        bool Into = false;
        if (Avoid) {
            const TMoveSpan Leg(P, X, uint8_t(Dir));
            Into = EntryInto(*Avoid, Leg) >= 0;
        }
        const int Rank = (Taken[Dir] ? 2 : 0) + (Into ? 1 : 0);
        const TArrDirAndPoints Plan = AtStart ? PlanMoves(X, Dir, Other, Onward, 4, M)
                                              : PlanMoves(Other, Onward, X, Opposite(Dir), 4, M);
        const float Cost = PlanCost(Plan, AtStart ? X : Other, M, Jog);
        if (Rank < BestRank || (Rank == BestRank && Cost < BestCost)) {
            Best = TExit{X, Dir};
            BestCost = Cost;
            BestRank = Rank;
        }
    }
    return Best;
}

void DrawRoute(TCanvas& Canvas, const TArrMyPoint& Route) {
    TArrPoint R;
    R.reserve(Route.size());
    for (const TMyPoint& P : Route) R.push_back(RoundMyPoint(P));
    Canvas.Polyline(R);
}

// Stores the screen points as Line's vertices; the rotate centre and the
// info anchor follow the new route.
void SetRoute(TMyLinkLine* Line, const TArrMyPoint& Screen) {
    Line->ClearPoints();
    for (const TMyPoint& P : Screen) Line->AddScreenPoint(P);
    const TMyPoint C = Line->GetCorner(4);
    Line->SetRotateCenter(C);
    Line->SetInfoPos(MyPoint(C.X, Line->GetCorner(2).Y + 10));
}

// A new shape of this surface with the next number, the next index and the
// default name, not yet in the document.
template <class T> std::unique_ptr<T> NewShape(TMyDraxa& D) {
    auto S = std::make_unique<T>(&D);
    S->SetShapeNo(D.NextShapeNo());
    S->SetIndex(D.ShapeCount());
    S->SetName(QStringLiteral("Shape") + QString::number(D.NextShapeNo()));
    return S;
}

// The far part of a connector that is being cut: it looks like the
// connector and takes over the arrow head at its far end, which the cut
// connector gives up (its own end now lies on the junction).
void TakeFarPartLook(TMyLinkLine* N, TMyLinkLine* B) {
    N->SetPen(B->Pen());
    N->SetBrush(B->Brush());
    N->SetFont(B->Font());
    N->SetArrowAngle(B->ArrowAngle());
    N->SetArrowLength(B->ArrowLength());
    N->SetArrowOffset(B->ArrowOffset());
    N->SetLinkLineDrawStyle(B->LinkLineDrawStyle());
    const TArrowStyle A = B->ArrowStyle();
    const bool AtLast = A == TArrowStyle::ALeft || A == TArrowStyle::ADouble;
    const bool AtFirst = A == TArrowStyle::ARight || A == TArrowStyle::ADouble;
    N->SetArrowStyle(AtLast ? TArrowStyle::ALeft : TArrowStyle::ANone);
    B->SetArrowStyle(AtFirst ? TArrowStyle::ARight : TArrowStyle::ANone);
}

// The cut connector's far part: P (logical) and then L's vertices after segment K.
TArrMyPoint FarPart(const TMyPoint& P, const TMyLinkLine* L, int K) {
    TArrMyPoint V{P};
    V.insert(V.end(), L->Points().begin() + (K + 1), L->Points().end());
    return V;
}

// Whether the route of L (screen) meets one of Boxes: its box first, then
// segment by segment (a segment's own box: exact for the axis-parallel
// segments of a route).
bool RouteMeets(const TMyLinkLine& L, const std::vector<TRect>& Boxes) {
    auto Overlap = [](const TMyRect& A, const TRect& B) {
        return A.Left <= B.Right && A.Right >= B.Left && A.Top <= B.Bottom && A.Bottom >= B.Top;
    };
    auto Span = [](const TMyPoint& A, const TMyPoint& B) {
        return TMyRect{std::min(A.X, B.X), std::min(A.Y, B.Y), std::max(A.X, B.X), std::max(A.Y, B.Y)};
    };
    TMyRect All = Span(L.GetScreenPoint(0), L.GetScreenPoint(0));
    for (int I = 1; I < L.PointCount(); ++I) {
        const TMyRect P = Span(L.GetScreenPoint(I), L.GetScreenPoint(I));
        All = TMyRect{std::min(All.Left, P.Left), std::min(All.Top, P.Top), std::max(All.Right, P.Right),
                      std::max(All.Bottom, P.Bottom)};
    }
    for (const TRect& B : Boxes) {
        if (!Overlap(All, B)) continue;
        for (int I = 0; I + 1 < L.PointCount(); ++I)
            if (Overlap(Span(L.GetScreenPoint(I), L.GetScreenPoint(I + 1)), B)) return true;
    }
    return false;
}

} // namespace

// ---- routing ---------------------------------------------------------------------

void TMyDraxa::RouteLinkLine(TCanvas* Canvas, TMyLinkLine* Line, uint8_t Kind, TMyPoint EndPt,
                             TMyShape* EndShape, TMyPoint StartPt, TMyShape* StartShape) {
    if (!Line) return;
    Touch(Line);
    if (Line->LinkLineDrawStyle() == TLinkLineDrawStyle::lldsFree) {
        SetRoute(Line, TArrMyPoint{StartPt, EndPt});
        return;
    }
    if (Canvas) {
        UsePreviewPreset(*Canvas);
        if (Line->PreviewShown() && Line->PointCount() >= 2) {
            TArrMyPoint Old;
            for (int I = 0; I < Line->PointCount(); ++I) Old.push_back(Line->GetScreenPoint(I));
            DrawRoute(*Canvas, Old);
        }
        Line->SetPreviewShown(false);
    }

    // A box is left from the side of its link point; a junction across the
    // connector it sits on, in the way that suits where the route heads.
    const bool StartBox = StartShape && !Is<TMyLineLinkLine>(StartShape);
    const bool EndBox = EndShape && !Is<TMyLineLinkLine>(EndShape);
    // The boxes of the route's own end shapes, grown by less than the exit
    // distance so that the exit points stay outside them.
    const int OwnMargin = std::min(ObstacleMargin, int(ExitDistance * FZoom / 2));
    const TRect StartOwn = StartBox ? InflateRectSafe(ScreenBox(*this, StartShape), OwnMargin) : TRect{};
    const TRect EndOwn = EndBox ? InflateRectSafe(ScreenBox(*this, EndShape), OwnMargin) : TRect{};
    TExit Out = StartBox ? LinkExitPoint(*this, StartShape, StartPt) : TExit{StartPt, NoDir};
    TExit In = EndBox ? LinkExitPoint(*this, EndShape, EndPt) : TExit{EndPt, NoDir};
    if (StartShape && !StartBox)
        Out = JunctionExitPoint(*this, StartShape, Line, StartPt, true, In.Point, Opposite(In.Dir),
                                EndBox ? &EndOwn : nullptr);
    if (EndShape && !EndBox)
        In = JunctionExitPoint(*this, EndShape, Line, EndPt, false, Out.Point, Out.Dir,
                               StartBox ? &StartOwn : nullptr);
    // The route keeps off those boxes, except one that holds the other end
    // or its exit point: shapes that touch or overlap leave no way around.
    auto Holds = [](const TRect& B, const TMyPoint& P) {
        const TPoint Q = RoundMyPoint(P);
        return B.Left <= Q.X && Q.X <= B.Right && B.Top <= Q.Y && Q.Y <= B.Bottom;
    };
    std::vector<TObstacle> Own;
    if (StartBox && !Holds(StartOwn, EndPt) && !Holds(StartOwn, In.Point))
        Own.push_back(TObstacle{StartShape, StartOwn});
    if (EndBox && EndShape != StartShape && !Holds(EndOwn, StartPt) && !Holds(EndOwn, Out.Point))
        Own.push_back(TObstacle{EndShape, EndOwn});

    // R: the start, its exit point, the moves, the end's exit point, the end.
    TArrMyPoint R{StartPt, EndPt};
    if (StartShape) R.insert(R.begin() + 1, Out.Point);
    if (EndShape) R.insert(R.end() - 1, In.Point);
    StartPt = Out.Point;
    EndPt = In.Point;
    // From the end's exit point the route goes on into the end.
    const int Leave = Opposite(In.Dir);
    const std::ptrdiff_t Tail = EndShape ? 2 : 1;
    auto Put = [&R, Tail](const TMyPoint& P) { R.insert(R.end() - Tail, P); };

    // The move stack, its top at the back; a plan is pushed so that its first move is on top.
    std::vector<TDirAndPoint> Moves;
    const float Clear = float(ExitDistance * FZoom);
    auto Plan = [&](const TMyPoint& From, int Arrive, uint8_t K) {
        const TArrDirAndPoints Steps = PlanMoves(From, Arrive, EndPt, Leave, K, Clear);
        Moves.insert(Moves.end(), Steps.rbegin(), Steps.rend());
    };
    Plan(StartPt, Out.Dir, Kind);
    // Combined shapes are in the way only when routes go around them.
    TObstacles Mine(*this);
    TObstacles* Combined = nullptr;
    if (FLinklineAroundShape)
        Combined =
            (ReroutingObstacles && &ReroutingObstacles->Surface() == this) ? ReroutingObstacles : &Mine;
    const TPoint Goal = RoundMyPoint(EndPt);
    TMyPoint C = StartPt;
    int Came = Out.Dir; // the way the route arrived at C
    int Detours = 0;
    while (!Moves.empty()) {
        const TDirAndPoint Move = Moves.back();
        Moves.pop_back();
        TMyPoint T = MyPoint(Move.X, Move.Y);
        uint8_t Dir = Move.Dir;
        while (Detours < DetourBudget) {
            const TInWay W = FirstInWay(Combined, Own, C, T, Dir, Goal);
            if (!W.Obstacle) break;
            ++Detours;
            // Turn aside a whole number of steps along, before the step that
            // would enter the box, and plan the rest from beside it; the
            // plan's next move is replaced by the new plan. (Moves left
            // deeper in the stack from earlier plans end where every plan
            // ends; the points they repeat go when the route is tidied.)
            const bool Horizontal = Dir == 0 || Dir == 2;
            const float Ahead = (Horizontal ? T.X - C.X : T.Y - C.Y) > 0 ? 1.0f : -1.0f;
            const float Along = (std::max(1.0f, std::ceil(W.Entry / ProbeStep)) - 1) * ProbeStep * Ahead;
            C = Horizontal ? MyPoint(C.X + Along, C.Y) : MyPoint(C.X, C.Y + Along);
            if (Along != 0) Came = Dir;
            Put(C);
            // Past a combined shape DetourMargin out; past an end shape on
            // the line of its exit points, so that the route meets them
            // without turning back.
            const int Margin = W.OwnEnd ? RoundHalfEven(Clear) : DetourMargin;
            const TDirAndPoint D = DetourMove(*this, W.Obstacle->Shape, Margin, C, T, Dir, Came);
            if (!Moves.empty()) Moves.pop_back();
            Plan(MyPoint(D.X, D.Y), D.Dir, D.Dir);
            T = MyPoint(D.X, D.Y);
            Dir = D.Dir;
        }
        Put(T);
        if (!(T == C)) Came = DirOf(C, T);
        C = T;
    }

    if (R.size() > 1) {
        SetRoute(Line, R);
        if (Canvas) {
            DrawRoute(*Canvas, R);
            Line->SetPreviewShown(true);
        }
    }
}

void TMyDraxa::RerouteLinkLines(TMyShape* AShape) {
    if (!AShape) return;
    const double Z = FZoom;
    // The routes made here share one gathering of the obstacles.
    const TSharedObstacles Share(*this);
    auto RouteAnew = [this](TMyLinkLine* L) {
        RouteLinkLine(nullptr, L, 4, L->GetEndPoint(), L->EndAttachedShape(), L->GetStartPoint(),
                      L->StartAttachedShape());
    };
    std::vector<const TMyLinkLine*> Routed;
    // Members first: a group's members carry the link points.
    ForEachDepthFirst(AShape, [&](TMyShape* S) {
        const TMyShapeNo Lines = S->LinkLines();
        for (const int Index : Lines) {
            auto* L = dynamic_cast<TMyLinkLine*>(ShapeByIndex(Index));
            if (!L || L == S) continue;
            Touch(L);
            Routed.push_back(L);
            // Three vertices or fewer are no route worth keeping.
            if (L->PointCount() <= 3) L->SetAutoRoute(true);
            if (L->AutoRoute()) {
                RouteAnew(L);
                continue;
            }
            // A route the user edited is routed anew only from the moved
            // shape to the third vertex away from it.
            if (L->StartAttachedShape() == S && L->PointCount() >= 4) {
                const TArrMyPoint Rest(L->Points().begin() + 3, L->Points().end());
                const TMyPoint To = L->GetScreenPoint(3);
                // Arrive at that vertex the way the old route did.
                TArrDirAndPoints Steps;
                OrthogonalRoute(L->GetScreenPoint(2), To, 4, Steps);
                const uint8_t Kind = Steps.size() == 1 ? Steps[0].Dir : 4;
                RouteLinkLine(nullptr, L, Kind, To, nullptr, L->GetStartPoint(), S);
                TArrMyPoint All;
                for (const TMyPoint& P : L->Points()) All.push_back(Scaled(P, Z));
                for (const TMyPoint& P : Rest) All.push_back(Scaled(P, Z));
                SetRoute(L, All);
            }
            if (L->EndAttachedShape() == S && L->PointCount() >= 4) {
                const int N = L->PointCount();
                TArrMyPoint All;
                for (int I = 0; I <= N - 4; ++I) All.push_back(L->GetScreenPoint(I));
                // Routed from the shape outwards, then walked back.
                RouteLinkLine(nullptr, L, 4, L->GetScreenPoint(N - 4), nullptr, L->GetEndPoint(), S);
                for (int I = L->PointCount() - 1; I >= 0; --I) All.push_back(L->GetScreenPoint(I));
                SetRoute(L, All);
            }
        }
    });

    RouteAroundCombines(TArrMyShape{AShape}, Routed);
}

void TMyDraxa::RouteAroundCombines(const TArrMyShape& Shapes, const std::vector<const TMyLinkLine*>& Keep) {
    if (!FLinklineAroundShape) return;
    // The combined shapes among Shapes, with the margin routes keep from them.
    std::vector<TRect> Placed;
    for (TMyShape* Top : Shapes)
        ForEachDepthFirst(Top, [&](TMyShape* S) {
            if (Is<TMyCombine>(S) && S->Visible() && IsLayerVisible(S->LayerId()) && S->PointCount() > 0)
                Placed.push_back(InflateRectSafe(ScreenBox(*this, S), ObstacleMargin));
        });
    if (Placed.empty()) return;
    // A combined shape that now stands on another connector's automatic
    // route (or within the margin routes keep from it) has that connector
    // go around it. The connectors are found by their routes' boxes, so
    // only those are routed again; a route the user edited stays his.
    const TSharedObstacles Share(*this);
    for (TMyShape* S : FShapes) {
        auto* L = dynamic_cast<TMyLinkLine*>(S);
        if (!L || L->LinkLineDrawStyle() != TLinkLineDrawStyle::lldsHV || L->PointCount() < 2 ||
            (!L->AutoRoute() && L->PointCount() > 3) || !RouteMeets(*L, Placed) ||
            std::find(Keep.begin(), Keep.end(), L) != Keep.end())
            continue;
        // A repaint of what moved does not know of this connector: it is
        // repainted where it ran and where it runs now.
        QRegion Damage;
        AddMoveDamage(TArrMyShape{L}, Damage);
        Touch(L);
        L->SetAutoRoute(true);
        RouteLinkLine(nullptr, L, 4, L->GetEndPoint(), L->EndAttachedShape(), L->GetStartPoint(),
                      L->StartAttachedShape());
        AddMoveDamage(TArrMyShape{L}, Damage);
        for (const QRect& R : Damage) InvalidateRect(TRect{R.left(), R.top(), R.right() + 1, R.bottom() + 1});
    }
}

// ---- attaching ends ------------------------------------------------------------------

void TMyDraxa::ConnectLinkLineEnd(TMyLinkLine* Line, int End, TMyPoint& P) {
    if (!Line) return;
    int Target = -1, LinkPoint = -1;
    FindLinkTarget(P, Target, LinkPoint);
    if (Target == Line->Index()) Target = LinkPoint = -1;
    const int Before = End == 0 ? Line->StartShapeIndex() : Line->EndShapeIndex();
    const int Other = End == 0 ? Line->EndShapeIndex() : Line->StartShapeIndex();
    Touch(Line);
    Touch(ShapeByIndex(Before));
    Touch(ShapeByIndex(Target));
    if (End == 0) {
        Line->SetStartShapeIndex(Target);
        Line->SetStartLinkPoint(LinkPoint);
    } else {
        Line->SetEndShapeIndex(Target);
        Line->SetEndLinkPoint(LinkPoint);
    }
    // Only a line of the document is listed by the shapes it joins; a shape
    // that the other end still holds keeps listing it.
    if (ShapeByIndex(Line->Index()) == Line) {
        if (TMyShape* Old = ShapeByIndex(Before); Old && Before != Target && Before != Other)
            Old->RemoveLinkLine(Line->Index());
        if (TMyShape* New = ShapeByIndex(Target)) New->AddLinkLine(Line->Index());
    }
    if (TMyShape* New = ShapeByIndex(Target)) P = New->GetScreenLinkPoint(LinkPoint);
}

void TMyDraxa::DetachLinkPoints(TMyShape* AShape, int First, int Count) {
    if (!AShape || Count <= 0) return;
    const int K = AShape->Index();
    // A shape outside the document has no connectors naming it.
    if (ShapeByIndex(K) != AShape) return;
    TEditScope Edit(*this);
    RecordUndo(TArrMyShape{AShape}, ACT_CHANGE);
    const int Past = First + Count;
    for (TMyShape* S : FShapes) {
        auto* L = dynamic_cast<TMyLinkLine*>(S);
        if (!L) continue;
        if (L->StartShapeIndex() == K || L->EndShapeIndex() == K) Touch(L);
        if (L->StartShapeIndex() == K) {
            const int P = L->StartLinkPoint();
            if (P >= First && P < Past) {
                L->SetStartShapeIndex(-1);
                L->SetStartLinkPoint(-1);
            } else if (P >= Past) {
                L->SetStartLinkPoint(P - Count);
            }
        }
        if (L->EndShapeIndex() == K) {
            const int P = L->EndLinkPoint();
            if (P >= First && P < Past) {
                L->SetEndShapeIndex(-1);
                L->SetEndLinkPoint(-1);
            } else if (P >= Past) {
                L->SetEndLinkPoint(P - Count);
            }
        }
        if (L->StartShapeIndex() != K && L->EndShapeIndex() != K) AShape->RemoveLinkLine(L->Index());
    }
    Invalidate();
}

void TMyDraxa::AddSideLinkPoints(TMyShape* AShape) {
    if (!FAutoLinkPoints || !AShape || AShape->LinkPointCount() > 0 || AShape->PointCount() < 4) return;
    // Box-shaped classes only: a connection point has its own link point,
    // and a group's members carry the link points of what it groups.
    if (!AShape->Class().SideLinkPoints) return;
    if (ShapeByIndex(AShape->Index()) != AShape) return;
    // The sides in the box's own frame, turned back with it.
    const TMyPoint C = AShape->GetRotateCenter();
    const float A = AShape->Angle();
    TArrMyPoint U;
    for (int I = 0; I < 4; ++I) U.push_back(RotateMyPoint(AShape->Points()[size_t(I)], C, -A));
    const TMyRect B = BoundsOfMyPoints(U);
    const float MX = B.Left + (B.Right - B.Left) / 2, MY = B.Top + (B.Bottom - B.Top) / 2;
    for (const TMyPoint& P :
         {MyPoint(MX, B.Top), MyPoint(B.Right, MY), MyPoint(MX, B.Bottom), MyPoint(B.Left, MY)})
        AShape->AddLinkPoint(A != 0 ? RotateMyPoint(P, C, A) : P);
}

// ---- junctions -------------------------------------------------------------------------

bool TMyDraxa::SplitLinkLine(TMyLinkLine* A, const TMyPoint& P, int K, TMyLinkLine* B) {
    if (K < 0 || !A || !B || A == B || K + 1 >= B->PointCount()) return false;
    const TMyPoint PL = Scaled(P, 1 / FZoom);
    TEditScope Edit(*this);
    RecordUndo(TArrMyShape{B}, ACT_CHANGE);
    Touch(A);

    // N: the far part of B, from P on, on B's layer and attached where B ended.
    std::unique_ptr<TMyLinkLine> N = NewShape<TMyLinkLine>(*this);
    TakeFarPartLook(N.get(), B);
    for (const TMyPoint& V : FarPart(PL, B, K)) N->AddScreenPoint(Scaled(V, FZoom));
    N->SetEndShapeIndex(B->EndShapeIndex());
    N->SetEndLinkPoint(B->EndLinkPoint());
    N->SetLayerId(B->LayerId());
    if (!AddShape(N.get(), true, false)) return false;
    TMyLinkLine* NP = N.release();
    if (TMyShape* E = NP->GetEndShape()) {
        Touch(E);
        // A connector that left the shape it returns to still starts there.
        if (B->StartShapeIndex() != E->Index()) E->RemoveLinkLine(B->Index());
        E->AddLinkLine(NP->Index());
    }
    RecordUndo(TArrMyShape{NP}, ACT_ADD);

    // J: the junction at P, where A, B and N meet.
    std::unique_ptr<TMyLineLinkLine> J = NewShape<TMyLineLinkLine>(*this);
    J->AddPoint(RoundMyPoint(P));
    // Its centre and info anchor as for any placed shape (its own junction
    // step is not wanted: it lies on the very connector being cut).
    J->TMyShape::ResetRotateCenter(TPoint{}, TPoint{});
    if (!AddShape(J.get(), false, false)) return false;
    TMyLineLinkLine* JP = J.release();
    const int JI = JP->Index();
    A->SetEndShapeIndex(JI);
    A->SetEndLinkPoint(0);
    JP->AddLinkLine(NP->Index());
    RecordUndo(TArrMyShape{JP}, ACT_ADD);
    NP->SetStartShapeIndex(JI);
    NP->SetStartLinkPoint(0);

    // B keeps its part up to P.
    TArrMyPoint Near(B->Points().begin(), B->Points().begin() + (K + 1));
    Near.push_back(PL);
    TArrMyPoint Screen;
    for (const TMyPoint& V : Near) Screen.push_back(Scaled(V, FZoom));
    SetRoute(B, Screen);
    B->SetEndShapeIndex(JI);
    B->SetEndLinkPoint(0);
    JP->AddLinkLine(B->Index());
    JP->AddLinkLine(A->Index());
    // A's own addition belongs to the split: however A was finished (by the
    // mouse or by a host's call), the history holds the same steps.
    RecordUndo(TArrMyShape{A}, ACT_ADD);
    // A was routed to where the mouse let go; it now ends on the junction,
    // which it enters across the cut connector.
    RouteLinkLine(nullptr, A, 4, A->GetEndPoint(), JP, A->GetStartPoint(), A->StartAttachedShape());
    Invalidate();
    return true;
}

bool TMyDraxa::SplitLinkLineAtShape(const TMyPoint& C, TMyLinkLine* L, TMyShape* J, int K) {
    if (!L || !J || K < 0 || K + 1 >= L->PointCount() || ShapeByIndex(J->Index()) != J) return false;
    TEditScope Edit(*this);
    RecordUndo(TArrMyShape{L}, ACT_CHANGE);
    Touch(J);
    const int JI = J->Index();

    std::unique_ptr<TMyLinkLine> N = NewShape<TMyLinkLine>(*this);
    TakeFarPartLook(N.get(), L);
    for (const TMyPoint& V : FarPart(C, L, K)) N->AddScreenPoint(Scaled(V, FZoom));
    N->SetStartShapeIndex(JI);
    N->SetStartLinkPoint(0);
    N->SetEndShapeIndex(L->EndShapeIndex());
    N->SetEndLinkPoint(L->EndLinkPoint());
    N->SetLayerId(L->LayerId());
    if (!AddShape(N.get(), true, false)) return false;
    TMyLinkLine* NP = N.release();
    J->AddLinkLine(NP->Index());
    if (TMyShape* E = NP->GetEndShape()) {
        Touch(E);
        if (L->StartShapeIndex() != E->Index()) E->RemoveLinkLine(L->Index());
        E->AddLinkLine(NP->Index());
    }
    RecordUndo(TArrMyShape{NP}, ACT_ADD);

    TArrMyPoint Screen;
    for (int I = 0; I <= K; ++I) Screen.push_back(L->GetScreenPoint(I));
    Screen.push_back(Scaled(C, FZoom));
    SetRoute(L, Screen);
    L->SetEndShapeIndex(JI);
    L->SetEndLinkPoint(0);
    J->AddLinkLine(L->Index());
    Invalidate();
    return true;
}

} // namespace draxa
