// Link points on boxes and connector lines driven with the mouse: attaching,
// routing around combined shapes, keeping routes when shapes move, editing a
// route, junctions, and what deleting link points and shapes does to them.
#include "common/mouse_fixture.h"
#include "common/routes.h"
#include "foundation/streams.h"
#include "shapes/link_line.h"
#include "shapes/link_point.h"

#include <gtest/gtest.h>

using namespace draxa;
using namespace draxa::testing;
using namespace draxa::test;

namespace {

constexpr double Pi = 3.14159265358979323846;

// A mouse surface whose boxes get their side link points.
struct TLinkSurface : TMouseSurface {
    TLinkSurface() { S.SetAutoLinkPoints(true); }

    // A connector drawn with the mouse from From to To.
    TMyLinkLine* Connect(TPoint From, TPoint To) {
        const int Index = S.ShapeCount();
        S.SetShapeTool(TDrawTool::SpLinkLine);
        Mouse.Drag(From, To);
        return dynamic_cast<TMyLinkLine*>(S.ShapeByIndex(Index));
    }
};

std::string Text(const TArrMyPoint& R) {
    std::string S;
    for (const TMyPoint& P : R) S += "(" + std::to_string(P.X) + "," + std::to_string(P.Y) + ")";
    return S;
}

bool Orthogonal(const TArrMyPoint& R) {
    for (size_t I = 0; I + 1 < R.size(); ++I)
        if (R[I].X != R[I + 1].X && R[I].Y != R[I + 1].Y) return false;
    return true;
}

// "start shape/link point - end shape/link point", -1 for free ends.
std::string Ends(const TMyLinkLine* L) {
    return std::to_string(L->StartShapeIndex()) + "/" + std::to_string(L->StartLinkPoint()) + "-" +
           std::to_string(L->EndShapeIndex()) + "/" + std::to_string(L->EndLinkPoint());
}

// Every link point in the middle of its side: top, right, bottom, left of the corners.
void ExpectSideMiddles(const TMyShape* S) {
    ASSERT_EQ(S->LinkPointCount(), 4);
    for (int I = 0; I < 4; ++I) {
        const TMyPoint A = S->GetPoint(I), B = S->GetPoint((I + 1) % 4), P = S->GetLinkPoint(I);
        EXPECT_NEAR(P.X, (A.X + B.X) / 2, 1e-3) << I;
        EXPECT_NEAR(P.Y, (A.Y + B.Y) / 2, 1e-3) << I;
    }
}

} // namespace

TEST(LinkPoints, BoxesGetTheirSideMiddlesOnlyWhenAsked) {
    const struct {
        const char* Name;
        bool Auto, ByMouse;
        TDrawTool Tool;
        double Angle;
        int Count;
    } Rows[] = {{"rectangle drawn", true, true, TDrawTool::SpRectangle, 0, 4},
                {"turned ellipse added", true, false, TDrawTool::SpEllipse, Pi / 2, 4},
                {"text added", true, false, TDrawTool::SpText, 0, 4},
                {"not asked for", false, true, TDrawTool::SpRectangle, 0, 0}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMouseSurface T;
        T.S.SetAutoLinkPoints(R.Auto);
        if (R.ByMouse) {
            T.S.SetShapeTool(R.Tool);
            T.Mouse.Drag(Point(40, 40), Point(120, 100));
        } else {
            T.S.AddShapeByTool(&T.S, R.Tool, "B", {{40, 40}, {120, 40}, {120, 100}, {40, 100}}, R.Angle, {});
        }
        TMyShape* S = T.S.ShapeByIndex(0);
        ASSERT_NE(S, nullptr);
        EXPECT_EQ(S->LinkPointCount(), R.Count);
        if (R.Count) ExpectSideMiddles(S);
        // The turned ellipse's own top faces right.
        if (R.Angle != 0) {
            EXPECT_NEAR(S->GetLinkPoint(0).X, 110, 1e-3);
        }
    }
}

TEST(Connector, DrawnBetweenBoxesLeavesAndEntersThemPerpendicular) {
    const struct {
        double Zoom;
        float BTop;
    } Rows[] = {{1, 40}, {1, 140}, {2, 40}, {2, 140}};
    for (const auto& R : Rows) {
        SCOPED_TRACE("zoom " + std::to_string(R.Zoom) + ", B at " + std::to_string(R.BTop));
        TLinkSurface T;
        T.S.SetZoom(R.Zoom);
        TMyShape* A = T.Box("A", 40, 40, 120, 100);
        TMyShape* B = T.Box("B", 240, R.BTop, 320, R.BTop + 60);
        const TMyPoint From = A->GetScreenLinkPoint(1), To = B->GetScreenLinkPoint(3);
        TMyLinkLine* L = T.Connect(RoundMyPoint(From), RoundMyPoint(To));
        ASSERT_NE(L, nullptr);
        EXPECT_EQ(Ends(L), "0/1-1/3");
        EXPECT_EQ(A->LinkLines(), TMyShapeNo{L->Index()});
        EXPECT_EQ(B->LinkLines(), TMyShapeNo{L->Index()});
        const TArrMyPoint Q = Route(L);
        ASSERT_GE(Q.size(), 4u);
        EXPECT_TRUE(Orthogonal(Q)) << Text(Q);
        // Out of A to the right and into B from the left, at least 25 x Zoom clear of each.
        const float M = float(25 * R.Zoom);
        EXPECT_EQ(Q.front(), From);
        EXPECT_EQ(Q.back(), To);
        EXPECT_EQ(Q[1].Y, From.Y);
        EXPECT_GE(Q[1].X, From.X + M);
        EXPECT_EQ(Q[Q.size() - 2].Y, To.Y);
        EXPECT_LE(Q[Q.size() - 2].X, To.X - M);
        if (R.BTop == 40) {
            EXPECT_EQ(Q, (TArrMyPoint{From, MyPoint(From.X + M, From.Y), MyPoint(To.X - M, To.Y), To}));
        }
    }
}

TEST(Connector, DetoursAroundCombinedShapesOnly) {
    const struct {
        const char* Class;
        bool Around, Detour;
    } Rows[] = {{"TMyCombine", true, true}, {"TMyRectangle", true, false}, {"TMyCombine", false, false}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(std::string(R.Class) + (R.Around ? " around" : " straight"));
        TLinkSurface T;
        T.S.SetLinklineAroundShape(R.Around);
        T.Box("A", 40, 130, 100, 170);
        T.Box("B", 300, 130, 360, 170);
        // The obstacle between them, without link points of its own.
        TMyShape* O = T.S.CreateShapeByClassName(R.Class);
        for (const TMyPoint& P : {MyPoint(170, 120), MyPoint(230, 120), MyPoint(230, 180), MyPoint(170, 180)})
            O->AddScreenPoint(P);
        O->SetShapeNo(T.S.NextShapeNo());
        O->SetIndex(T.S.ShapeCount());
        ASSERT_TRUE(T.S.AddShape(O, false, false));

        const TArrMyPoint Q = Route(T.Connect(Point(100, 150), Point(300, 150)));
        EXPECT_TRUE(Orthogonal(Q)) << Text(Q);
        // Passing the obstacle 20 pixels below (or above) its box, or straight through.
        bool Passes = false, Straight = true;
        for (size_t I = 0; I + 1 < Q.size(); ++I) {
            Passes = Passes || ((Q[I].Y == 200 || Q[I].Y == 100) && Q[I + 1].Y == Q[I].Y &&
                                std::min(Q[I].X, Q[I + 1].X) < 170 && std::max(Q[I].X, Q[I + 1].X) > 230);
            Straight = Straight && Q[I].Y == 150;
        }
        EXPECT_EQ(Passes, R.Detour) << Text(Q);
        EXPECT_EQ(Straight, !R.Detour) << Text(Q);
    }
}

TEST(Connector, MovingAShapeReroutesAndKeepsTheUsersEditsAwayFromIt) {
    TLinkSurface T;
    T.Box("A", 40, 40, 120, 100);
    TMyShape* B = T.Box("B", 240, 140, 320, 200);
    TMyLinkLine* L = T.Connect(Point(120, 70), Point(240, 170));
    ASSERT_NE(L, nullptr);
    EXPECT_EQ(Route(L), (TArrMyPoint{{120, 70}, {215, 70}, {215, 170}, {240, 170}}));

    // B dragged down: an automatic route follows it whole.
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.Mouse.Drag(Point(280, 180), Point(280, 220));
    EXPECT_EQ(Ends(L), "0/1-1/3");
    EXPECT_EQ(Route(L), (TArrMyPoint{{120, 70}, {215, 70}, {215, 210}, {240, 210}}));

    // The first segment dragged up 20: an elbow keeps the start leaving A
    // straight, and the route is the user's from now on.
    T.S.UnselectAll();
    T.S.SelectShape(L);
    T.Mouse.Drag(Point(168, 70), Point(168, 50));
    EXPECT_FALSE(L->AutoRoute());
    const TArrMyPoint Edited = Route(L);
    EXPECT_TRUE(Orthogonal(Edited)) << Text(Edited);
    ASSERT_EQ(Edited.size(), 6u) << Text(Edited);
    EXPECT_EQ(Edited[1], MyPoint(143.75f, 70));
    EXPECT_EQ(Edited[2], MyPoint(143.75f, 50));

    // B moved again: the elbow near A stays where the user put it (an
    // automatic route would turn down just outside B), the part at B is new.
    T.S.UnselectAll();
    T.Mouse.Drag(Point(280, 220), Point(300, 250));
    const TArrMyPoint Q = Route(L);
    EXPECT_TRUE(Orthogonal(Q)) << Text(Q);
    ASSERT_GE(Q.size(), 3u);
    EXPECT_EQ(TArrMyPoint(Q.begin(), Q.begin() + 2), TArrMyPoint(Edited.begin(), Edited.begin() + 2))
        << Text(Q);
    EXPECT_EQ(Q[2].X, Edited[2].X) << Text(Q);
    EXPECT_EQ(Q.back(), B->GetScreenLinkPoint(3));
    EXPECT_EQ(Ends(L), "0/1-1/3");

    // Dragged on its own, the connector lets go of both shapes.
    T.S.UnselectAll();
    T.S.SelectShape(L);
    const TMyPoint A = Q[Q.size() - 2], E = Q.back(); // a quarter along the last segment
    const TPoint P = RoundMyPoint(MyPoint(A.X + (E.X - A.X) / 4, A.Y + (E.Y - A.Y) / 4));
    T.Mouse.Drag(P, Point(P.X, P.Y + 30));
    EXPECT_EQ(Ends(L), "-1/-1--1/-1");
    EXPECT_TRUE(B->LinkLines().empty());
}

TEST(Connector, DraggingTheFirstInnerVertexInsertsAnElbow) {
    TLinkSurface T;
    T.Box("A", 40, 40, 120, 100);
    T.Box("B", 240, 140, 320, 200);
    TMyLinkLine* L = T.Connect(Point(120, 70), Point(240, 170));
    ASSERT_EQ(Route(L).size(), 4u);
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.S.SelectShape(L);
    T.Mouse.Drag(Point(215, 70), Point(195, 90));
    const TArrMyPoint Q = Route(L);
    EXPECT_EQ(Q, (TArrMyPoint{{120, 70}, {167.5f, 70}, {167.5f, 90}, {195, 90}, {195, 170}, {240, 170}}))
        << Text(Q);
    EXPECT_FALSE(L->AutoRoute());
}

TEST(Connector, JunctionsCutTheConnectorTheyArePutDownOn) {
    const struct {
        const char* Name;
        TDrawTool Tool;
        TPoint At;
        int Added, JunctionLines; // shapes added, connectors meeting at the junction
    } Rows[] = {{"junction on the segment", TDrawTool::SpLineLinkLine, {217, 120}, 2, 2},
                {"junction away from it", TDrawTool::SpLineLinkLine, {300, 40}, 1, 0},
                {"connector ending on the segment", TDrawTool::SpLinkLine, {213, 120}, 3, 3}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TLinkSurface T;
        T.Box("A", 40, 40, 120, 100);
        TMyShape* B = T.Box("B", 240, 140, 320, 200);
        T.Box("C", 40, 200, 120, 260);
        TMyLinkLine* L = T.Connect(Point(120, 70), Point(240, 170));
        ASSERT_EQ(Route(L).size(), 4u);
        T.S.ClearUndo();
        const int Before = T.S.ShapeCount();
        T.S.SetShapeTool(R.Tool);
        if (R.Tool == TDrawTool::SpLinkLine)
            T.Mouse.Drag(Point(120, 230), R.At); // from C's right side
        else
            T.Mouse.Click(R.At.X, R.At.Y);
        ASSERT_EQ(T.S.ShapeCount(), Before + R.Added);
        if (!R.JunctionLines) {
            EXPECT_EQ(Ends(L), "0/1-1/3");
            continue;
        }
        TMyShape* J = nullptr;
        for (int I = Before; I < T.S.ShapeCount(); ++I)
            if (dynamic_cast<TMyLineLinkLine*>(T.S.ShapeByIndex(I))) J = T.S.ShapeByIndex(I);
        ASSERT_NE(J, nullptr);
        EXPECT_EQ(J->GetScreenLinkPoint(0), MyPoint(215, 120)) << "on the segment";
        EXPECT_EQ(int(J->LinkLines().size()), R.JunctionLines);
        // L now ends on the junction; its far part N goes on from there to B.
        auto* N = dynamic_cast<TMyLinkLine*>(T.S.ShapeByIndex(Before + 1));
        ASSERT_NE(N, nullptr);
        const std::string JI = std::to_string(J->Index());
        EXPECT_EQ(Ends(L), "0/1-" + JI + "/0");
        EXPECT_EQ(Ends(N), JI + "/0-1/3");
        EXPECT_EQ(Route(L).back(), MyPoint(215, 120));
        EXPECT_EQ(Route(N), (TArrMyPoint{{215, 120}, {215, 170}, {240, 170}}));
        EXPECT_EQ(B->LinkLines(), TMyShapeNo{N->Index()});
        for (int Line : J->LinkLines())
            EXPECT_TRUE(Orthogonal(Route(dynamic_cast<TMyLinkLine*>(T.S.ShapeByIndex(Line)))));
        EXPECT_EQ(T.S.UndoHistory().front().Action, ACT_CHANGE);
        EXPECT_EQ(T.S.UndoHistory().front().ShapeName, L->Name());
    }
}

TEST(LinkPoints, DeletingOneFreesTheEndsOnItAndRenumbersTheRest) {
    TLinkSurface T;
    TMyShape* A = T.Box("A", 140, 40, 220, 100);
    T.Box("B", 300, 40, 380, 100);
    TMyShape* C = T.Box("C", 10, 160, 90, 220);
    TMyLinkLine* ToB = T.Connect(Point(220, 70), Point(300, 70)); // from A's right side
    TMyLinkLine* ToC = T.Connect(Point(140, 70), Point(50, 160)); // from A's left side
    ASSERT_TRUE(ToB && ToC);
    T.S.ClearUndo();

    EXPECT_TRUE(A->DeleteLinkPoint(1));
    EXPECT_FALSE(A->DeleteLinkPoint(7));
    EXPECT_EQ(A->LinkPointCount(), 3);
    EXPECT_EQ(Ends(ToB), "-1/-1-1/3");
    EXPECT_EQ(Ends(ToC), "0/2-2/0");
    EXPECT_EQ(ToC->GetStartPoint(), MyPoint(140, 70));
    EXPECT_EQ(A->LinkLines(), TMyShapeNo{ToC->Index()});
    ASSERT_EQ(T.S.UndoHistory().size(), 1u);
    EXPECT_EQ(T.S.UndoHistory()[0].Action, ACT_CHANGE);
    EXPECT_EQ(T.S.UndoHistory()[0].Shape->LinkPointCount(), 4) << "the state before";

    // Deleting a connected shape frees the end that was on it.
    const TArrMyPoint Kept = Route(ToC);
    EXPECT_TRUE(T.S.DeleteShape(C->ShapeNo(), true));
    EXPECT_EQ(Ends(ToC), "0/2--1/-1");
    EXPECT_EQ(Route(ToC), Kept);
}

TEST(LinkPoints, ResizingAndTurningABoxKeepsThemOnItsSidesAndTheConnectorOnThem) {
    TLinkSurface T;
    T.S.SetRotateConstraintDegree(15);
    TMyShape* A = T.Box("A", 40, 40, 120, 100);
    T.Box("B", 300, 200, 380, 260);
    TMyLinkLine* L = T.Connect(Point(120, 70), Point(300, 230));
    ASSERT_NE(L, nullptr);

    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.S.SelectShape(A);
    T.Mouse.Drag(Point(120, 100), Point(160, 140));
    EXPECT_EQ(A->GetPoint(2), MyPoint(160, 140));
    ExpectSideMiddles(A);
    EXPECT_EQ(Route(L).front(), MyPoint(160, 90));
    EXPECT_TRUE(Orthogonal(Route(L)));

    // A quarter turn about the centre (100, 90).
    T.S.SetShapeTool(TDrawTool::SpRotateSelecting);
    T.Mouse.Drag(Point(160, 140), Point(50, 150));
    EXPECT_NEAR(A->Angle(), Pi / 2, 1e-4);
    ExpectSideMiddles(A);
    EXPECT_EQ(Ends(L), "0/1-1/3");
    EXPECT_NEAR(Route(L).front().X, A->GetScreenLinkPoint(1).X, 1e-3);
    EXPECT_NEAR(Route(L).front().Y, A->GetScreenLinkPoint(1).Y, 1e-3);
    EXPECT_TRUE(Orthogonal(Route(L))) << Text(Route(L));
}

TEST(LinkPoints, ADocumentKeepsThemAndItsConnectors) {
    TLinkSurface T;
    TMyShape* A = T.Box("A", 40, 40, 120, 100);
    T.Box("B", 240, 140, 320, 200);
    A->AddLinkPoint(MyPoint(60, 100));
    TMyLinkLine* L = T.Connect(Point(120, 70), Point(240, 170));
    TMemoryStream M;
    ASSERT_TRUE(T.S.SaveToStream(M));

    TMyDraxa Loaded;
    ASSERT_TRUE(Loaded.LoadFromStream(M));
    ASSERT_EQ(Loaded.ShapeCount(), 3);
    EXPECT_EQ(Loaded.ShapeByIndex(0)->LinkPoints(), A->LinkPoints());
    EXPECT_EQ(Loaded.ShapeByIndex(0)->LinkLines(), A->LinkLines());
    auto* Copy = dynamic_cast<TMyLinkLine*>(Loaded.ShapeByIndex(2));
    ASSERT_NE(Copy, nullptr);
    EXPECT_EQ(Ends(Copy), "0/1-1/3");
    EXPECT_EQ(Copy->Points(), L->Points());
}

// The drop repaints only what the move changed: the box where it was and is,
// its connectors, the hops of connectors crossing them and the outline.
TEST(Connector, ADropRepaintsOnlyWhatTheMoveChangedAndLeavesNothingBehind) {
    TLinkSurface T;
    T.S.GridOperation().GridType = TGridType::gNone;
    TMyShape* A = T.Box("A", 40, 40, 120, 100);
    T.Box("B", 240, 140, 320, 200);
    T.Box("C", 140, 220, 200, 260);
    T.Box("D", 140, 10, 200, 30);
    ASSERT_NE(T.Connect(Point(120, 70), Point(240, 170)), nullptr);
    ASSERT_NE(T.Connect(Point(170, 30), Point(170, 220)), nullptr); // crosses the first
    T.Box("Far", 340, 240, 390, 290);
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    // The outline follows the mouse; the box moves only across.
    T.S.SetDragMode(TDragMode::dgHorz);
    T.S.UnselectAll();
    T.S.SelectShape(A);
    T.S.Repaint();

    T.Mouse.Press(80, 70);
    T.Mouse.Move(90, 90);
    T.Mouse.Move(100, 200); // the outline is on the screen now
    T.Mouse.Release(100, 200);
    EXPECT_EQ(A->GetPoint(0), (TMyPoint{60, 40}));
    ASSERT_TRUE(T.S.HasInvalidArea());
    const TRect Area = T.S.InvalidRect();
    EXPECT_LT(Area.Right, 340) << "the far box is not repainted";
    T.S.RenderNow();
    const QImage Dropped = T.S.ScreenImage().copy();
    T.S.Repaint();
    EXPECT_EQ(Dropped, T.S.ScreenImage());
}

// A connector ending on another one is recorded in the same four steps
// whichever way it is finished: the cut connector as it was, then the far
// part, the junction and the connector itself as added.
TEST(Connector, EndingOnAnotherRecordsTheSameStepsByMouseAndByCall) {
    for (const bool ByMouse : {true, false}) {
        SCOPED_TRACE(ByMouse ? "by mouse" : "by call");
        TLinkSurface T;
        T.Box("A", 40, 40, 120, 100);
        T.Box("B", 240, 140, 320, 200);
        T.Box("C", 40, 200, 120, 260);
        TMyLinkLine* L = T.Connect(Point(120, 70), Point(240, 170));
        ASSERT_NE(L, nullptr);
        T.S.ClearUndo();
        const int Before = T.S.ShapeCount();
        TMyLinkLine* A = nullptr;
        if (ByMouse) {
            A = T.Connect(Point(120, 230), Point(213, 120));
        } else {
            A = new TMyLinkLine(&T.S);
            for (const TMyPoint& P : {MyPoint(120, 230), MyPoint(215, 230), MyPoint(215, 120)})
                A->AddScreenPoint(P);
            A->SetShapeNo(T.S.NextShapeNo());
            A->SetIndex(Before);
            A->SetName("Shape" + QString::number(A->ShapeNo()));
            ASSERT_TRUE(T.S.AddShape(A, false, false));
            ASSERT_TRUE(T.S.SplitLinkLine(A, MyPoint(215, 120), 1, L));
        }
        ASSERT_NE(A, nullptr);
        ASSERT_EQ(T.S.ShapeCount(), Before + 3);
        const QString Far = T.S.ShapeByIndex(Before + 1)->Name(),
                      Junction = T.S.ShapeByIndex(Before + 2)->Name();
        QString Steps;
        for (const TSavedShape& R : T.S.UndoHistory())
            Steps += QString::number(R.Step) + " " + R.Action + " " + R.ShapeName + "; ";
        EXPECT_EQ(Steps.toStdString(), ("0 ACT_CHANGE " + L->Name() + "; 1 ACT_ADD " + Far + "; 2 ACT_ADD " +
                                        Junction + "; 3 ACT_ADD " + A->Name() + "; ")
                                           .toStdString());
    }
}
