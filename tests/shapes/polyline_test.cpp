// Polylines, freehand lines and polygons: finishing with the mouse, the
// closing vertex, the vertex tools' insertions and removals, the freehand
// line's box, and the polygon's pixel-counted area.
#include "common/control_helpers.h"
#include "shapes/polyline.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>

using namespace draxa;

namespace {

// A surface the mouse draws on with Tool, without grid snapping.
struct TDrawingSurface {
    TMyDraxa S;
    test::TMouseDriver Mouse{S};
    explicit TDrawingSurface(TDrawTool Tool) {
        S.SetBounds(0, 0, 400, 300);
        S.SetSnap(false);
        S.SetShapeTool(Tool);
    }
};

template <class T> T* AddByTool(TMyDraxa& S, TDrawTool Tool, const TArrMyPoint& Points) {
    return dynamic_cast<T*>(S.ShapeByNumber(S.AddShapeByTool(&S, Tool, "P", Points, 0, "")));
}

} // namespace

TEST(PolyLine, ARepeatedClickFinishesWithoutADuplicateAndNoArrows) {
    TDrawingSurface T(TDrawTool::SpPolyLine);
    T.S.SetArrowStyle(TArrowStyle::ADouble);
    T.Mouse.Click(50, 50);
    T.Mouse.Click(150, 60);
    EXPECT_EQ(T.S.ShapeCount(), 0);
    T.Mouse.DoubleClick(120, 160);
    ASSERT_EQ(T.S.ShapeCount(), 1);
    auto* P = dynamic_cast<TMyPolyLine*>(T.S.ShapeByIndex(0));
    ASSERT_NE(P, nullptr);
    EXPECT_EQ(P->Points(), (TArrMyPoint{{50, 50}, {150, 60}, {120, 160}}));
    EXPECT_EQ(P->ArrowStyle(), TArrowStyle::ANone);
}

TEST(Polygon, ClosesOnTheFirstCornerOrOnASecondClickOnTheLastOne) {
    const struct {
        const char* Name;
        bool OnFirstCorner;
    } Rows[] = {{"click within HotSize of the first corner", true},
                {"double click on the last corner", false}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TDrawingSurface T(TDrawTool::SpPolygon);
        T.Mouse.Click(50, 50);
        T.Mouse.Click(150, 50);
        if (R.OnFirstCorner) {
            T.Mouse.Click(150, 150);
            T.Mouse.Click(53, 47);
        } else {
            T.Mouse.DoubleClick(150, 150);
        }
        ASSERT_EQ(T.S.ShapeCount(), 1);
        EXPECT_EQ(T.S.ShapeByIndex(0)->Points(), (TArrMyPoint{{50, 50}, {150, 50}, {150, 150}, {50, 50}}));
    }
}

TEST(Polygon, ClosingVertexFollowsTheFirstCornerThroughResizing) {
    TMyDraxa S;
    auto* P = AddByTool<TMyPolygon>(S, TDrawTool::SpPolygon, {{50, 50}, {150, 50}, {150, 150}});
    // Grabbing the first corner takes the closing vertex, which lies on top of it.
    EXPECT_EQ(P->HotPointAt(Point(50, 50)), 3);
    P->ResizeByHot(MyPoint(50, 50), MyPoint(40, 30));
    EXPECT_EQ(P->Points(), (TArrMyPoint{{40, 30}, {150, 50}, {150, 150}, {40, 30}}));
    S.SetZoom(2);
    P->SetHotIndex(0);
    P->ResizeByHot(MyPoint(80, 60), MyPoint(100, 80));
    EXPECT_EQ(P->Points(), (TArrMyPoint{{50, 40}, {150, 50}, {150, 150}, {50, 40}}));
    EXPECT_EQ(P->RotateCenter(), MyPoint(100, 95));
}

TEST(PolyLine, VertexRemovalKeepsEnoughVerticesAndTheRingClosed) {
    const TArrMyPoint Triangle{{0, 0}, {100, 0}, {100, 100}};
    const TArrMyPoint Square{{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    const struct {
        const char* Name;
        TDrawTool Tool;
        TArrMyPoint Points;
        int Index, Result;
        TArrMyPoint After;
    } Rows[] = {
        {"triangle refuses", TDrawTool::SpPolygon, Triangle, 1, -8, {{0, 0}, {100, 0}, {100, 100}, {0, 0}}},
        {"quadrangle allows", TDrawTool::SpPolygon, Square, 2, 2, {{0, 0}, {100, 0}, {0, 100}, {0, 0}}},
        {"closing vertex",
         TDrawTool::SpPolygon,
         Square,
         4,
         -7,
         {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}}},
        {"vertex 0 recloses", TDrawTool::SpPolygon, Square, 0, 0, {{100, 0}, {100, 100}, {0, 100}, {100, 0}}},
        {"two-point polyline refuses", TDrawTool::SpPolyLine, {{0, 0}, {100, 0}}, 0, -8, {{0, 0}, {100, 0}}},
        {"polyline allows", TDrawTool::SpPolyLine, Triangle, 0, 0, {{100, 0}, {100, 100}}},
        {"not a vertex", TDrawTool::SpPolyLine, Triangle, 3, -1, Triangle},
    };
    for (const auto& R : Rows) {
        TMyDraxa S;
        auto* P = AddByTool<TMyPolyLine>(S, R.Tool, R.Points);
        EXPECT_EQ(P->VertexRemovalResult(R.Index), R.Result) << R.Name;
        EXPECT_EQ(P->RemoveVertex(R.Index), R.Result) << R.Name;
        EXPECT_EQ(P->Points(), R.After) << R.Name;
    }
}

TEST(PolyLine, InsertedVertexGoesWhereSegmentAtSaysInLogicalUnits) {
    TMyDraxa S;
    auto* P = AddByTool<TMyPolyLine>(S, TDrawTool::SpPolyLine, {{0, 0}, {100, 0}, {100, 100}});
    S.SetZoom(2);
    int K = -1;
    ASSERT_TRUE(P->SegmentAt(Point(200, 100), K));
    EXPECT_TRUE(P->InsertVertex(K, Point(200, 100)));
    EXPECT_EQ(P->Points(), (TArrMyPoint{{0, 0}, {100, 0}, {100, 50}, {100, 100}}));
    EXPECT_FALSE(P->InsertVertex(4, Point(0, 0)));
    EXPECT_EQ(P->PointCount(), 4);
}

TEST(FreeLine, TakesAVertexPerMoveAndIsHitAnywhereInItsBox) {
    TDrawingSurface T(TDrawTool::SpFreeLine);
    T.Mouse.Drag(Point(100, 100), Point(200, 150), 4);
    ASSERT_EQ(T.S.ShapeCount(), 1);
    TMyShape* F = T.S.ShapeByIndex(0);
    EXPECT_EQ(F->ClassName(), "TMyFreeLine");
    EXPECT_EQ(F->PointCount(), 5);
    EXPECT_TRUE(F->PointInShape(T.S.Canvas(), Point(190, 105))) << "far from the stroke, inside the box";
    EXPECT_FALSE(F->PointInShape(T.S.Canvas(), Point(210, 105)));
}

TEST(Polygon, AreaCountsCoveredPixelsAtZoomOneInTheSurfaceUnit) {
    const struct {
        TUnits Unit;
        double Zoom;
        const char* Text;
    } Rows[] = {{TUnits::pixel, 1, "Area=   100.00pixel(s)2"},
                {TUnits::pixel, 2, "Area=   100.00pixel(s)2"},
                {TUnits::mm, 1, "Area=     7.00mm2"}};
    for (const auto& R : Rows) {
        TMyDraxa S;
        S.SetTheUNIT(R.Unit);
        // A 10 x 10 square: its right and bottom outline fall outside the 10 x 10 count.
        auto* P = AddByTool<TMyPolygon>(S, TDrawTool::SpPolygon, {{20, 20}, {30, 20}, {30, 30}, {20, 30}});
        S.SetZoom(R.Zoom);
        QString Text;
        P->UpdateMeasureInfo(Text);
        EXPECT_EQ(Text, R.Text);
        EXPECT_EQ(P->Info(), R.Text);
        EXPECT_EQ(P->Points().front(), MyPoint(20, 20)) << "measuring leaves the shape where it was";
    }
}
