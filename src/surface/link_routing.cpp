// Connector routing and junctions: computing a connector's orthogonal route
// around combined shapes, keeping connectors attached (and their routes
// whole) when the shapes they join move, attaching ends to link points,
// cutting a connector where a junction is put down, and the link points
// that box-shaped shapes get when AutoLinkPoints is set.
//
// Routes are computed in screen pixels and stored as logical vertices. The
// router keeps a stack of axis-parallel moves; walking each move it probes
// ahead in fixed steps for a combined shape, and where it meets one it turns
// aside to pass it and plans the rest of the way from there. The number of
// probes per route is bounded, so a crowded drawing still routes at once
// (the rest of such a route simply ignores obstacles).
#include "surface/draxa.h"

#include "foundation/canvas.h"
#include "shapes/canvas_presets.h"
#include "shapes/ellipse_group.h"
#include "shapes/link_line.h"
#include "shapes/link_point.h"
#include "shapes/rectangle.h"
#include "shapes/shape_registry.h"
#include "surface/interaction_p.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace draxa {

using interaction::Is;

namespace {

// Distance (logical units) at which a route leaves and enters a shape.
constexpr double ExitDistance = 25;
// Margin (pixels) around a combined shape that counts as inside it.
constexpr int ObstacleMargin = 10;
// Margin (pixels) around a combined shape along which a route passes it.
constexpr int DetourMargin = 20;
// A probe looks this many pixels ahead; a move is done when the probe is
// this close to its end on both axes.
constexpr float ProbeStep = 15;
constexpr float ProbeReach = 20;
// Probes one route may spend looking for obstacles.
constexpr int ProbeBudget = 10;

TMyPoint Scaled(const TMyPoint& P, double F) {
    return MyPoint(float(P.X * F), float(P.Y * F));
}

// The shape's screen bounds as whole pixels.
TRect ScreenBox(const TMyDraxa& D, TMyShape* S) {
    return RoundMyRect(D.ShapesBounds(TArrMyShape{S}));
}

// Where a route leaves (or enters) Shape from its link point P (screen): the
// nearest side of the shape's bounds, ExitDistance x Zoom outside it. On a tie
// the later side of left, right, top, bottom wins.
TMyPoint LinkExitPoint(const TMyDraxa& D, TMyShape* Shape, const TMyPoint& P) {
    const double M = ExitDistance * D.Zoom();
    const TRect B = ScreenBox(D, Shape);
    const double DL = P.X - B.Left, DR = B.Right - P.X, DT = P.Y - B.Top, DB = B.Bottom - P.Y;
    const double Least = std::min(std::min(DL, DR), std::min(DT, DB));
    TMyPoint R = P;
    if (Least == DL) R = MyPoint(float(B.Left - M), P.Y);
    if (Least == DR) R = MyPoint(float(B.Right + M), P.Y);
    if (Least == DT) R = MyPoint(P.X, float(B.Top - M));
    if (Least == DB) R = MyPoint(P.X, float(B.Bottom + M));
    return R;
}

// The shown combined shapes, in list order, with their screen bounds grown
// by ObstacleMargin: only combined shapes are in a route's way. Routing
// moves connectors alone, so the boxes hold while a shape's connectors are
// routed one after the other; they are gathered at the first probe.
class TObstacles {
public:
    explicit TObstacles(const TMyDraxa& D) : FSurface(D) {}
    const TMyDraxa& Surface() const { return FSurface; }
    // The first of them whose box holds the screen point P.
    TMyShape* At(const TPoint& P) {
        if (!FGathered) Gather();
        for (const TBox& O : FBoxes)
            if (O.Box.Left <= P.X && P.X <= O.Box.Right && O.Box.Top <= P.Y && P.Y <= O.Box.Bottom)
                return O.Shape;
        return nullptr;
    }

private:
    struct TBox {
        TMyShape* Shape;
        TRect Box;
    };
    void Gather() {
        FGathered = true;
        for (int I = 0; I < FSurface.ShapeCount(); ++I) {
            TMyShape* S = FSurface.ShapeByIndex(I);
            if (!Is<TMyCombine>(S) || !S->Visible() || !FSurface.IsLayerVisible(S->LayerId()) ||
                S->PointCount() == 0)
                continue;
            FBoxes.push_back(TBox{S, InflateRectSafe(ScreenBox(FSurface, S), ObstacleMargin)});
        }
    }
    const TMyDraxa& FSurface;
    bool FGathered = false;
    std::vector<TBox> FBoxes;
};

// The obstacles of the re-route in progress, shared by the routes it makes.
TObstacles* ReroutingObstacles = nullptr;

// The move that takes a route at C, heading for T in direction Dir, around
// the obstacle O: across Dir to the side of O (grown by DetourMargin) nearer
// to T. Without LinklineAroundShape the route only plans afresh from C.
TDirAndPoint DetourMove(const TMyDraxa& D, TMyShape* O, const TMyPoint& C, const TMyPoint& T, uint8_t Dir) {
    if (!D.LinklineAroundShape()) return TDirAndPoint{Dir, C.X, C.Y};
    const TRect B = InflateRectSafe(ScreenBox(D, O), DetourMargin);
    if (Dir == 1 || Dir == 3) {
        if (std::abs(T.X - B.Left) >= std::abs(T.X - B.Right)) return TDirAndPoint{2, float(B.Right), C.Y};
        return TDirAndPoint{0, float(B.Left), C.Y};
    }
    if (std::abs(T.Y - B.Top) >= std::abs(T.Y - B.Bottom)) return TDirAndPoint{1, C.X, float(B.Bottom)};
    return TDirAndPoint{3, C.X, float(B.Top)};
}

TMyPoint ProbeFrom(const TMyPoint& C, uint8_t Dir) {
    switch (Dir) {
    case 0:
        return MyPoint(C.X - ProbeStep, C.Y);
    case 1:
        return MyPoint(C.X, C.Y + ProbeStep);
    case 2:
        return MyPoint(C.X + ProbeStep, C.Y);
    default:
        return MyPoint(C.X, C.Y - ProbeStep);
    }
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

} // namespace

// ---- routing ---------------------------------------------------------------------

void TMyDraxa::RouteLinkLine(TCanvas* Canvas, TMyLinkLine* Line, uint8_t Kind, TMyPoint EndPt,
                             TMyShape* EndShape, TMyPoint StartPt, TMyShape* StartShape) {
    if (!Line) return;
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

    // R: the start, its exit point, the moves, the end's exit point, the end.
    // A junction has no sides to leave from: its point stands in for the exit.
    TArrMyPoint R{StartPt, EndPt};
    if (StartShape) {
        const TMyPoint X =
            Is<TMyLineLinkLine>(StartShape) ? StartPt : LinkExitPoint(*this, StartShape, StartPt);
        R.insert(R.begin() + 1, X);
        StartPt = X;
    }
    if (EndShape) {
        const TMyPoint X = Is<TMyLineLinkLine>(EndShape) ? EndPt : LinkExitPoint(*this, EndShape, EndPt);
        R.insert(R.end() - 1, X);
        EndPt = X;
    }
    const std::ptrdiff_t Tail = EndShape ? 2 : 1;
    auto Put = [&R, Tail](const TMyPoint& P) { R.insert(R.end() - Tail, P); };

    // The move stack, its top at the back; a plan is pushed so that its first move is on top.
    std::vector<TDirAndPoint> Moves;
    auto Plan = [&Moves, &EndPt](const TMyPoint& From, uint8_t K) {
        TArrDirAndPoints Steps;
        OrthogonalRoute(From, EndPt, K, Steps);
        Moves.insert(Moves.end(), Steps.rbegin(), Steps.rend());
    };
    Plan(StartPt, Kind);
    TObstacles Own(*this);
    TObstacles& Obstacles =
        (ReroutingObstacles && &ReroutingObstacles->Surface() == this) ? *ReroutingObstacles : Own;
    TMyPoint C = StartPt;
    int Probes = 0;
    bool Probing = true;
    while (!Moves.empty()) {
        const TDirAndPoint Move = Moves.back();
        Moves.pop_back();
        TMyPoint T = MyPoint(Move.X, Move.Y);
        uint8_t Dir = Move.Dir;
        TMyPoint Q = C;
        while (Probing && (std::abs(Q.X - T.X) > ProbeReach || std::abs(Q.Y - T.Y) > ProbeReach)) {
            Q = ProbeFrom(C, Dir);
            if (++Probes > ProbeBudget) {
                Probing = false;
                break;
            }
            TMyShape* O = Obstacles.At(RoundMyPoint(Q));
            if (!O || O == Obstacles.At(RoundMyPoint(T))) {
                C = Q;
                continue;
            }
            // Turn aside before the obstacle and plan the rest from beside it;
            // the plan's next move is replaced by the new plan.
            Put(C);
            const TDirAndPoint D = DetourMove(*this, O, C, T, Dir);
            if (!Moves.empty()) Moves.pop_back();
            Plan(MyPoint(D.X, D.Y), D.Dir);
            T = MyPoint(D.X, D.Y);
            Dir = D.Dir;
            Q = C;
        }
        Put(T);
        if (!Moves.empty()) C = T;
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
    TObstacles Obstacles(*this);
    struct TShare {
        TObstacles* Before;
        explicit TShare(TObstacles* O) : Before(ReroutingObstacles) { ReroutingObstacles = O; }
        ~TShare() { ReroutingObstacles = Before; }
    } Share(&Obstacles);
    // Members first: a group's members carry the link points.
    ForEachDepthFirst(AShape, [this, Z](TMyShape* S) {
        const TMyShapeNo Lines = S->LinkLines();
        for (const int Index : Lines) {
            auto* L = dynamic_cast<TMyLinkLine*>(ShapeByIndex(Index));
            if (!L || L == S) continue;
            // Three vertices or fewer are no route worth keeping.
            if (L->PointCount() <= 3) L->SetAutoRoute(true);
            if (L->AutoRoute()) {
                RouteLinkLine(nullptr, L, 4, L->GetEndPoint(), L->EndAttachedShape(), L->GetStartPoint(),
                              L->StartAttachedShape());
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
}

// ---- attaching ends ------------------------------------------------------------------

void TMyDraxa::ConnectLinkLineEnd(TMyLinkLine* Line, int End, TMyPoint& P) {
    if (!Line) return;
    int Target = -1, LinkPoint = -1;
    FindLinkTarget(P, Target, LinkPoint);
    if (Target == Line->Index()) Target = LinkPoint = -1;
    const int Before = End == 0 ? Line->StartShapeIndex() : Line->EndShapeIndex();
    const int Other = End == 0 ? Line->EndShapeIndex() : Line->StartShapeIndex();
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
    RecordUndo(TArrMyShape{AShape}, ACT_CHANGE);
    const int Past = First + Count;
    for (TMyShape* S : FShapes) {
        auto* L = dynamic_cast<TMyLinkLine*>(S);
        if (!L) continue;
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
    // A meets the cut segment across it, not along it.
    const bool CutVertical = TMyLinkLine::SegmentKind(B->GetPoint(K), B->GetPoint(K + 1)) == 2;
    RecordUndo(TArrMyShape{B}, ACT_CHANGE);

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
        E->RemoveLinkLine(B->Index());
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
    // arriving horizontally at a vertical segment (its route starts
    // vertically then) and vertically at a horizontal one.
    RouteLinkLine(nullptr, A, CutVertical ? 2 : 4, A->GetEndPoint(), JP, A->GetStartPoint(),
                  A->StartAttachedShape());
    Invalidate();
    return true;
}

bool TMyDraxa::SplitLinkLineAtShape(const TMyPoint& C, TMyLinkLine* L, TMyShape* J, int K) {
    if (!L || !J || K < 0 || K + 1 >= L->PointCount() || ShapeByIndex(J->Index()) != J) return false;
    RecordUndo(TArrMyShape{L}, ACT_CHANGE);
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
        E->RemoveLinkLine(L->Index());
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
