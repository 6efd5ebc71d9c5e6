// Connectors drawn and kept with the editor's settings (a 378 x 242 surface,
// a 20-pixel grid the mouse snaps to, side link points on boxes, routes
// around combined shapes): what every automatic route keeps to when boxes
// move and grow, when it starts at a junction, and when a combined shape
// is put down on it.
#include "common/mouse_fixture.h"
#include "common/routes.h"
#include "shapes/link_line.h"
#include "shapes/link_point.h"

#include <gtest/gtest.h>

#include <functional>

using namespace draxa;
using namespace draxa::testing;
using namespace draxa::test;

namespace {

struct TEditorSurface : TMouseSurface {
    TEditorSurface() {
        S.SetBounds(0, 0, 378, 242);
        S.GridOperation().GridWidth = 20;
        S.GridOperation().GridHeight = 20;
        S.SetSnap(true);
        S.SetAutoLinkPoints(true);
        S.SetLinklineAroundShape(true);
    }

    // A connector drawn with the mouse from From to To.
    TMyLinkLine* Connect(TPoint From, TPoint To) {
        const int Index = S.ShapeCount();
        S.SetShapeTool(TDrawTool::SpLinkLine);
        Mouse.Drag(From, To);
        return dynamic_cast<TMyLinkLine*>(S.ShapeByIndex(Index));
    }

    // A combined shape over (L, T)-(R, B), without members or link points.
    TMyShape* Combine(float L, float T, float R, float B) {
        TMyShape* C = S.CreateShapeByClassName("TMyCombine");
        for (const TMyPoint& P : {MyPoint(L, T), MyPoint(R, T), MyPoint(R, B), MyPoint(L, B)})
            C->AddScreenPoint(P);
        C->SetShapeNo(S.NextShapeNo());
        C->SetIndex(S.ShapeCount());
        EXPECT_TRUE(S.AddShape(C, false, false));
        return C;
    }

    // Selects Shape alone and drags from From to To (a hot point of it or its body).
    void DragSelected(TMyShape* Shape, TPoint From, TPoint To) {
        S.SetShapeTool(TDrawTool::SpSelecting);
        S.UnselectAll();
        S.SelectShape(Shape);
        Mouse.Drag(From, To);
    }

    TMyRect BoxOf(TMyShape* Shape) const { return S.ShapesBounds(TArrMyShape{Shape}); }
};

std::string Text(const TArrMyPoint& R) {
    std::string S;
    for (const TMyPoint& P : R) S += "(" + std::to_string(int(P.X)) + "," + std::to_string(int(P.Y)) + ")";
    return S;
}

// The axis-parallel segment A-B meets R: edges count, or only the inside.
bool Meets(const TMyPoint& A, const TMyPoint& B, const TMyRect& R, bool EdgesCount = true) {
    const float L = std::min(A.X, B.X), Rt = std::max(A.X, B.X), T = std::min(A.Y, B.Y),
                Bm = std::max(A.Y, B.Y);
    if (EdgesCount) return L <= R.Right && Rt >= R.Left && T <= R.Bottom && Bm >= R.Top;
    return L < R.Right && Rt > R.Left && T < R.Bottom && Bm > R.Top;
}

// Three vertices in one line where the route goes back the way it came.
bool TurnsBack(const TArrMyPoint& Q) {
    for (size_t I = 1; I + 1 < Q.size(); ++I) {
        const TMyPoint A = Q[I - 1], B = Q[I], C = Q[I + 1];
        if (A.X == B.X && B.X == C.X && (B.Y - A.Y) * (C.Y - B.Y) < 0) return true;
        if (A.Y == B.Y && B.Y == C.Y && (B.X - A.X) * (C.X - B.X) < 0) return true;
    }
    return false;
}

// The route leaves Box at its link point P straight out of the side P lies
// on, along the leg P-Next, at least 25 pixels (Zoom 1).
void ExpectLeavesStraight(const TMyRect& Box, const TMyPoint& P, const TMyPoint& Next, const char* End) {
    const float DL = P.X - Box.Left, DR = Box.Right - P.X, DT = P.Y - Box.Top, DB = Box.Bottom - P.Y;
    const float D = std::min(std::min(DL, DR), std::min(DT, DB));
    const TMyPoint Out = D == DL   ? MyPoint(-1, 0)
                         : D == DR ? MyPoint(1, 0)
                         : D == DT ? MyPoint(0, -1)
                                   : MyPoint(0, 1);
    const float Along = (Next.X - P.X) * Out.X + (Next.Y - P.Y) * Out.Y;
    const float Across = (Next.X - P.X) * Out.Y - (Next.Y - P.Y) * Out.X;
    EXPECT_GE(Along, 25) << End << " leaves " << Text({P, Next});
    EXPECT_EQ(Across, 0) << End << " leaves " << Text({P, Next});
}

// What every automatic route between two boxes keeps to: orthogonal, no
// leg turning back, out of each box straight from the side of its link
// point and at least the exit distance, and nowhere else on or inside
// either box.
void ExpectSoundRoute(TEditorSurface& T, TMyLinkLine* L) {
    ASSERT_NE(L, nullptr);
    const TArrMyPoint Q = Route(L);
    SCOPED_TRACE(Text(Q));
    ASSERT_GE(Q.size(), 3u);
    for (size_t I = 0; I + 1 < Q.size(); ++I) EXPECT_TRUE(Q[I].X == Q[I + 1].X || Q[I].Y == Q[I + 1].Y);
    EXPECT_FALSE(TurnsBack(Q));
    const TMyRect From = T.BoxOf(L->StartAttachedShape()), To = T.BoxOf(L->EndAttachedShape());
    ExpectLeavesStraight(From, Q[0], Q[1], "start");
    ExpectLeavesStraight(To, Q.back(), Q[Q.size() - 2], "end");
    for (size_t I = 0; I + 1 < Q.size(); ++I) {
        // The legs at the ends touch their own box at the link point only.
        EXPECT_FALSE(I > 0 && Meets(Q[I], Q[I + 1], From)) << "segment " << I << " on the start box";
        EXPECT_FALSE(I + 2 < Q.size() && Meets(Q[I], Q[I + 1], To)) << "segment " << I << " on the end box";
        for (int K = 0; K < T.S.ShapeCount(); ++K) {
            TMyShape* C = T.S.ShapeByIndex(K);
            EXPECT_FALSE(C->ClassName() == "TMyCombine" && Meets(Q[I], Q[I + 1], T.BoxOf(C), false))
                << "segment " << I << " through a combined shape";
        }
    }
}

} // namespace

TEST(EditorConnector, LeavesAndEntersItsBoxesStraightAndKeepsOffThem) {
    const struct {
        const char* Name;
        TRect A, B;
        int FromSide, ToSide; // link points: 0 top, 1 right, 2 bottom, 3 left
        std::function<void(TEditorSurface&, TMyShape* A, TMyShape* B)> Then;
    } Rows[] = {
        {"end box moved down, start box grown until its exit lies by a combine",
         {20, 100, 80, 140},
         {290, 100, 350, 140},
         1,
         3,
         [](TEditorSurface& T, TMyShape* A, TMyShape* B) {
             T.DragSelected(B, Point(320, 120), Point(320, 200));
             ASSERT_EQ(T.BoxOf(B).Top, 180);
             T.DragSelected(A, Point(80, 140), Point(120, 170));
             ASSERT_EQ(T.BoxOf(A).Right, 120);
         }},
        {"end box behind the start box", {200, 100, 260, 140}, {40, 100, 100, 140}, 1, 3, nullptr},
        {"end link point on the far side", {20, 100, 80, 140}, {200, 100, 260, 140}, 1, 1, nullptr},
        {"end box above, entered from below", {40, 160, 100, 200}, {240, 20, 300, 60}, 0, 2, nullptr},
        {"exits passing each other", {260, 80, 300, 120}, {80, 0, 120, 40}, 0, 2, nullptr},
        {"end exit beside the start's", {100, 20, 160, 60}, {60, 160, 100, 200}, 3, 0, nullptr},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TEditorSurface T;
        TMyShape* A = T.Box("A", R.A.Left, R.A.Top, R.A.Right, R.A.Bottom);
        TMyShape* B = T.Box("B", R.B.Left, R.B.Top, R.B.Right, R.B.Bottom);
        T.Combine(150, 90, 190, 150);
        TMyLinkLine* L = T.Connect(RoundMyPoint(A->GetScreenLinkPoint(R.FromSide)),
                                   RoundMyPoint(B->GetScreenLinkPoint(R.ToSide)));
        ASSERT_NE(L, nullptr);
        ASSERT_EQ(L->StartAttachedShape(), A);
        ASSERT_EQ(L->EndAttachedShape(), B);
        if (R.Then) R.Then(T, A, B);
        ExpectSoundRoute(T, L);
    }
}

// A connector from a junction: leaves it across the connector it sits on,
// never along it, and never turns back on itself.
TEST(EditorConnector, FromAJunctionLeavesAcrossTheConnectorItSitsOn) {
    const struct {
        const char* Name;
        TRect From, To, Target; // the cut connector joins From and To; the new one goes to Target
        int FromSide, ToSide, TargetSide;
        TPoint Junction;
    } Rows[] = {
        {"on a horizontal connector",
         {20, 40, 80, 80},
         {300, 40, 360, 80},
         {160, 80, 200, 120},
         1,
         3,
         0,
         {220, 60}},
        {"on a vertical connector",
         {20, 20, 80, 60},
         {20, 180, 80, 220},
         {180, 100, 240, 140},
         2,
         0,
         3,
         {50, 120}},
        {"with the end's exit on the connector",
         {20, 40, 80, 80},
         {300, 40, 360, 80},
         {160, 85, 200, 125},
         1,
         3,
         0,
         {200, 60}},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TEditorSurface T;
        TMyShape* From = T.Box("From", R.From.Left, R.From.Top, R.From.Right, R.From.Bottom);
        TMyShape* To = T.Box("To", R.To.Left, R.To.Top, R.To.Right, R.To.Bottom);
        TMyShape* Target = T.Box("Target", R.Target.Left, R.Target.Top, R.Target.Right, R.Target.Bottom);
        TMyLinkLine* Cut = T.Connect(RoundMyPoint(From->GetScreenLinkPoint(R.FromSide)),
                                     RoundMyPoint(To->GetScreenLinkPoint(R.ToSide)));
        ASSERT_NE(Cut, nullptr);
        T.S.SetShapeTool(TDrawTool::SpLineLinkLine);
        T.Mouse.Click(R.Junction.X, R.Junction.Y);
        auto* J = dynamic_cast<TMyLineLinkLine*>(T.S.ShapeByIndex(T.S.ShapeCount() - 2));
        ASSERT_NE(J, nullptr);
        ASSERT_EQ(J->LinkLines().size(), 2u);
        const TArrMyPoint Before = Route(Cut);
        auto* Far = dynamic_cast<TMyLinkLine*>(T.S.ShapeByIndex(T.S.ShapeCount() - 1));
        ASSERT_NE(Far, nullptr);
        const TArrMyPoint FarBefore = Route(Far);

        TMyLinkLine* L = T.Connect(R.Junction, RoundMyPoint(Target->GetScreenLinkPoint(R.TargetSide)));
        ASSERT_NE(L, nullptr);
        ASSERT_EQ(L->StartAttachedShape(), J);
        ASSERT_EQ(L->EndAttachedShape(), Target);
        const TArrMyPoint Q = Route(L);
        SCOPED_TRACE(Text(Q));
        ASSERT_GE(Q.size(), 3u);
        EXPECT_EQ(Q[0], J->GetScreenLinkPoint(0));
        // Across: the cut connector runs along one axis at the junction, the new one leaves along the other.
        const bool CutHorizontal = Before[Before.size() - 2].Y == Before.back().Y;
        EXPECT_EQ(Q[0].X == Q[1].X, CutHorizontal) << "first leg";
        EXPECT_FALSE(TurnsBack(Q));
        for (size_t I = 0; I + 1 < Q.size(); ++I)
            for (const TArrMyPoint* Other : {&Before, &FarBefore})
                for (size_t K = 0; K + 1 < Other->size(); ++K) {
                    const TMyPoint A = (*Other)[K], B = (*Other)[K + 1];
                    const bool Along = (A.Y == B.Y && Q[I].Y == A.Y && Q[I + 1].Y == A.Y) ||
                                       (A.X == B.X && Q[I].X == A.X && Q[I + 1].X == A.X);
                    EXPECT_FALSE(Along && Meets(Q[I], Q[I + 1],
                                                TMyRect{std::min(A.X, B.X), std::min(A.Y, B.Y),
                                                        std::max(A.X, B.X), std::max(A.Y, B.Y)},
                                                false))
                        << "segment " << I << " on the cut connector";
                }
        ExpectLeavesStraight(T.BoxOf(Target), Q.back(), Q[Q.size() - 2], "end");
    }
}

// A combined shape put onto a connector's route makes the connector route
// around it; connectors it does not meet keep their routes as they are.
TEST(EditorConnector, ACombinedShapePutOnARouteReroutesJustTheConnectorsItMeets) {
    const struct {
        const char* Name;
        TRect Combine;
        TPoint From, To; // the drag that puts it there: its body, or a hot point
    } Rows[] = {
        {"dragged onto the route", {150, 170, 190, 230}, {170, 200}, {170, 120}},
        {"grown across the route", {150, 160, 190, 200}, {150, 160}, {150, 100}},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TEditorSurface T;
        TMyShape* A = T.Box("A", 20, 100, 80, 140);
        TMyShape* B = T.Box("B", 290, 100, 350, 140);
        TMyLinkLine* L =
            T.Connect(RoundMyPoint(A->GetScreenLinkPoint(1)), RoundMyPoint(B->GetScreenLinkPoint(3)));
        ASSERT_NE(L, nullptr);
        ASSERT_EQ(Route(L), (TArrMyPoint{{80, 120}, {105, 120}, {265, 120}, {290, 120}}));
        // A connector far from it whose route is not what routing would make of it now.
        TMyShape* C = T.Box("C", 20, 20, 60, 40);
        TMyShape* D = T.Box("D", 300, 20, 340, 40);
        TMyLinkLine* Far =
            T.Connect(RoundMyPoint(C->GetScreenLinkPoint(1)), RoundMyPoint(D->GetScreenLinkPoint(3)));
        ASSERT_NE(Far, nullptr);
        Far->ClearPoints();
        for (const TMyPoint& P : TArrMyPoint{{60, 30}, {100, 30}, {100, 10}, {250, 10}, {250, 30}, {300, 30}})
            Far->AddScreenPoint(P);
        const TArrMyPoint FarRoute = Far->Points();

        TMyShape* O = T.Combine(R.Combine.Left, R.Combine.Top, R.Combine.Right, R.Combine.Bottom);
        T.S.RenderNow();
        T.DragSelected(O, R.From, R.To);
        const TMyRect Box = T.BoxOf(O);
        ASSERT_LT(Box.Top, 120);
        ASSERT_GT(Box.Bottom, 120);
        ExpectSoundRoute(T, L);
        EXPECT_EQ(Far->Points(), FarRoute);
        // The change repaints the connector where it ran and where it runs now.
        ASSERT_TRUE(T.S.HasInvalidArea());
        const TRect Area = T.S.InvalidRect();
        TArrMyPoint Both{{80, 120}, {290, 120}};
        for (const TMyPoint& P : Route(L)) Both.push_back(P);
        for (const TMyPoint& P : Both)
            EXPECT_TRUE(Area.Left <= P.X && P.X < Area.Right && Area.Top <= P.Y && P.Y < Area.Bottom)
                << Text({P}) << " outside the repainted area";
    }
}
