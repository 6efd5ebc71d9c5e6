// Poly-Bezier curves and B-lines: drawing and finishing, control points
// turning about their joint, the fill rule, the spline through the vertices
// (straight runs, corners, long lines), the creation outline, the vertex
// tool's insertion point and the records.
#include "common/control_helpers.h"
#include "foundation/canvas.h"
#include "foundation/streams.h"
#include "shapes/curves.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QImage>

#include <cmath>
#include <memory>

using namespace draxa;

namespace {

template <class T> T* AddByTool(TMyDraxa& S, TDrawTool Tool, const TArrMyPoint& Points) {
    return dynamic_cast<T*>(S.ShapeByNumber(S.AddShapeByTool(&S, Tool, "C", Points, 0, "")));
}

QImage Render(TMyShape& Shape) {
    QImage Image(300, 300, QImage::Format_RGB32);
    Image.fill(Qt::white);
    TCanvas Canvas(&Image);
    Shape.Paint(Canvas);
    Canvas.Release();
    return Image;
}

} // namespace

TEST(PolyBezier, JointsGoHalfWayBetweenTheirControlPointsWhileDrawn) {
    TMyDraxa S;
    S.SetBounds(0, 0, 400, 300);
    S.SetSnap(false);
    S.SetShapeTool(TDrawTool::SpPolyBezier);
    test::TMouseDriver Mouse(S);
    for (const TPoint& P : {Point(50, 50), Point(100, 20), Point(150, 80), Point(200, 60)})
        Mouse.Click(P.X, P.Y);
    EXPECT_EQ(S.ShapeCount(), 0);
    ASSERT_NE(S.CurrentShape(), nullptr);
    EXPECT_EQ(S.CurrentShape()->Points(),
              (TArrMyPoint{{50, 50}, {100, 20}, {150, 80}, {175, 70}, {200, 60}}));
    Mouse.DoubleClick(250, 100);
    ASSERT_EQ(S.ShapeCount(), 1);
    EXPECT_EQ(S.ShapeByIndex(0)->PointCount(), 7);
}

TEST(PolyBezier, FinishingCompletesTheLastSegmentWithTheMousePoint) {
    const struct {
        int Distinct;
        bool Finished;
        int Count;
    } Rows[] = {{3, false, 3}, {4, true, 4}, {5, true, 7}, {6, true, 7}, {7, true, 7}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Distinct);
        TMyDraxa S;
        TMyPolyBezier B(&S);
        for (int I = 0; I < R.Distinct; ++I) B.AddScreenPoint(MyPoint(float(10 * I), float(I % 2)));
        B.AddScreenPoint(B.GetScreenPoint(R.Distinct - 1));
        EXPECT_EQ(B.IsCreateFinished(TMouseButton::mbLeft, Point(300, 200)), R.Finished);
        ASSERT_EQ(B.PointCount(), R.Count);
        if (R.Count > R.Distinct) {
            EXPECT_EQ(B.GetPoint(R.Count - 1), MyPoint(300, 200));
        }
    }
}

TEST(PolyBezier, DraggingAControlPointTurnsItsPartnerAboutTheJoint) {
    const TArrMyPoint Straight{{0, 0}, {50, 0}, {90, 0}, {100, 0}, {110, 0}, {150, 0}, {200, 0}};
    const struct {
        const char* Name;
        int Hot;
        TMyPoint To;
        TArrMyPoint After;
    } Rows[] = {
        {"arriving", 2, {100, -10}, {{0, 0}, {50, 0}, {100, -10}, {100, 0}, {100, 10}, {150, 0}, {200, 0}}},
        {"leaving", 4, {100, 10}, {{0, 0}, {50, 0}, {100, -10}, {100, 0}, {100, 10}, {150, 0}, {200, 0}}},
        {"joint", 3, {100, 20}, {{0, 0}, {50, 0}, {90, 20}, {100, 20}, {110, 20}, {150, 0}, {200, 0}}},
        {"end", 6, {210, 5}, {{0, 0}, {50, 0}, {90, 0}, {100, 0}, {110, 0}, {150, 0}, {210, 5}}},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMyDraxa S;
        auto* B = AddByTool<TMyPolyBezier>(S, TDrawTool::SpPolyBezier, Straight);
        B->SetHotIndex(R.Hot);
        B->ResizeByHot(B->GetScreenPoint(R.Hot), R.To);
        ASSERT_EQ(B->PointCount(), 7);
        for (int I = 0; I < 7; ++I) {
            EXPECT_NEAR(B->GetPoint(I).X, R.After[size_t(I)].X, 1e-3) << I;
            EXPECT_NEAR(B->GetPoint(I).Y, R.After[size_t(I)].Y, 1e-3) << I;
        }
    }
}

TEST(Curves, OnlyAPolyBezierWithABrushIsFilled) {
    const TArrMyPoint Arch{{100, 200}, {100, 100}, {200, 100}, {200, 200}};
    const struct {
        TDrawTool Tool;
        TBrushStyle Brush;
        bool Filled;
    } Rows[] = {{TDrawTool::SpPolyBezier, TBrushStyle::bsSolid, true},
                {TDrawTool::SpPolyBezier, TBrushStyle::bsClear, false},
                {TDrawTool::SpBLine, TBrushStyle::bsSolid, false}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(int(R.Tool) * 10 + int(R.Brush));
        TMyDraxa S;
        TMyShape* C = AddByTool<TMyShape>(S, R.Tool, Arch);
        C->Brush().SetColor(clRed);
        C->Brush().SetStyle(R.Brush);
        const QImage I = Render(*C);
        EXPECT_EQ(I.pixel(150, 180) == QColor(Qt::red).rgb(), R.Filled);
    }
}

TEST(Curves, HitWithinTenPixelsAlsoAlongAStraightStretch) {
    TMyDraxa S;
    // A flattened straight Bezier is one long segment: its middle counts too.
    auto* B =
        AddByTool<TMyPolyBezier>(S, TDrawTool::SpPolyBezier, {{0, 100}, {100, 100}, {200, 100}, {300, 100}});
    auto* L = AddByTool<TMyBLine>(S, TDrawTool::SpBLine, {{0, 200}, {150, 200}, {300, 200}});
    for (TMyShape* C : {static_cast<TMyShape*>(B), static_cast<TMyShape*>(L)}) {
        const int Y = RoundHalfEven(C->GetPoint(0).Y);
        EXPECT_TRUE(C->PointInShape(S.Canvas(), Point(150, Y + 9))) << C->ClassName().toStdString();
        EXPECT_FALSE(C->PointInShape(S.Canvas(), Point(150, Y + 10))) << C->ClassName().toStdString();
    }
}

TEST(BLine, HitTestFollowsMovedVerticesAndTheZoom) {
    TMyDraxa S;
    auto* L = AddByTool<TMyBLine>(S, TDrawTool::SpBLine, {{0, 100}, {150, 100}, {300, 100}});
    ASSERT_TRUE(L->PointInShape(S.Canvas(), Point(150, 100)));
    L->MovePointBy(1, 0, 100);
    EXPECT_FALSE(L->PointInShape(S.Canvas(), Point(150, 100)));
    EXPECT_TRUE(L->PointInShape(S.Canvas(), Point(150, 200)));
    S.SetZoom(2);
    EXPECT_FALSE(L->PointInShape(S.Canvas(), Point(150, 200)));
    EXPECT_TRUE(L->PointInShape(S.Canvas(), Point(300, 400)));
}

TEST(BLine, StraightRunsStayStraight) {
    const struct {
        const char* Name;
        TArrMyPoint Vertices;
    } Rows[] = {{"two vertices", {{0, 0}, {120, 60}}},
                {"three in a row, equally spaced", {{0, 0}, {50, 50}, {100, 100}}},
                {"horizontal", {{0, 0}, {50, 0}, {100, 0}}}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMyDraxa S;
        TMyBLine L(&S);
        const TArrPoint C = L.CurveThrough(R.Vertices);
        ASSERT_EQ(C.size(), 601u);
        EXPECT_EQ(C.front(), RoundMyPoint(R.Vertices.front()));
        EXPECT_EQ(C.back(), RoundMyPoint(R.Vertices.back()));
        const TMyPoint A = R.Vertices.front(), B = R.Vertices.back();
        const double Length = std::hypot(B.X - A.X, B.Y - A.Y);
        for (const TPoint& P : C) {
            const double Off = ((B.X - A.X) * (P.Y - A.Y) - (B.Y - A.Y) * (P.X - A.X)) / Length;
            EXPECT_LE(std::fabs(Off), 1.0) << P.X << "," << P.Y;
        }
    }
}

TEST(BLine, PassesThroughEveryVertexAndTakesMoreThanAHundred) {
    for (const int N : {5, 150}) {
        SCOPED_TRACE(N);
        TArrMyPoint V;
        for (int I = 0; I < N; ++I) V.push_back(MyPoint(float(20 * I), float(I % 2 ? 40 : 0) + float(I % 3)));
        TMyDraxa S;
        TMyBLine L(&S);
        L.CurveThrough(V);
        ASSERT_EQ(L.ControlCount(), N);
        for (int J = 0; J < N; ++J) {
            const TMyPoint P = L.CurvePoint(double(J) / (N - 1));
            EXPECT_NEAR(P.X, V[size_t(J)].X, 1e-2) << J;
            EXPECT_NEAR(P.Y, V[size_t(J)].Y, 1e-2) << J;
        }
    }
}

TEST(BLine, ThreeEqualVerticesMakeACornerExactlyThere) {
    TMyDraxa S;
    TMyBLine L(&S);
    L.CurveThrough({{0, 0}, {100, 0}, {100, 0}, {100, 0}, {100, 100}});
    EXPECT_EQ(L.CurvePoint(0.5), MyPoint(100, 0));
    for (int I = 0; I <= 100; ++I) {
        const double T = I / 100.0;
        const TMyPoint P = L.CurvePoint(T);
        if (T <= 0.5) {
            EXPECT_NEAR(P.Y, 0, 1e-3) << T;
        }
        if (T >= 0.5) {
            EXPECT_NEAR(P.X, 100, 1e-3) << T;
        }
    }
}

TEST(BLine, ReplaceLastLetsTheMousePointStandInForTheLastVertex) {
    const auto Outline = [](const TArrMyPoint& Vertices, bool ReplaceLast) {
        TMyDraxa S;
        TMyBLine L(&S);
        L.SetHotShow(false);
        for (const TMyPoint& P : Vertices) L.AddScreenPoint(P);
        L.SetReplaceLast(ReplaceLast);
        QImage Image(300, 300, QImage::Format_RGB32);
        Image.fill(Qt::black);
        TCanvas Canvas(&Image);
        L.DrawCreating(Canvas, Point(0, 0), Point(250, 120));
        Canvas.Release();
        return Image;
    };
    const QImage Replaced = Outline({{20, 20}, {120, 200}, {200, 40}}, true);
    EXPECT_EQ(Replaced, Outline({{20, 20}, {120, 200}}, false));
    EXPECT_NE(Replaced, Outline({{20, 20}, {120, 200}, {200, 40}}, false));
}

TEST(BLine, TheVertexToolInsertsAlongTheCurveOnly) {
    const struct {
        const char* Name;
        double T;
        int DY;
        int Index;
    } Rows[] = {{"before the middle vertex", 0.3, 0, 1},
                {"after the middle vertex", 0.7, 0, 2},
                {"15 pixels above the top", 0.5, -15, -1}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMyDraxa S;
        S.SetBounds(0, 0, 400, 300);
        S.SetSnap(false);
        auto* L = AddByTool<TMyBLine>(S, TDrawTool::SpBLine, {{50, 100}, {150, 50}, {250, 100}});
        L->CurveThrough(L->Points());
        TPoint Click = RoundMyPoint(L->CurvePoint(R.T));
        Click.Y += R.DY;
        int Index = -2;
        EXPECT_EQ(L->CurveSegmentAt(Click, Index), R.Index >= 0);
        EXPECT_EQ(Index, R.Index);
        S.SelectShape(L);
        S.SetShapeTool(TDrawTool::SpPolylinePolygonPointAdding);
        test::TMouseDriver Mouse(S);
        Mouse.Click(Click.X, Click.Y);
        ASSERT_EQ(L->PointCount(), R.Index >= 0 ? 4 : 3);
        if (R.Index >= 0) {
            EXPECT_EQ(L->GetPoint(R.Index), ToMyPoint(Click));
        }
    }
}

TEST(Curves, RecordsHaveNoTailAndReadBackEqual) {
    for (const char* Class : {"TMyPolyBezier", "TMyBLine"}) {
        SCOPED_TRACE(Class);
        TMyDraxa S;
        std::unique_ptr<TMyShape> C(S.CreateShapeByClassName(Class));
        for (const TPoint& P : {Point(10, 20), Point(60, 25), Point(40, 80), Point(90, 30)})
            C->AddScreenPoint(ToMyPoint(P));
        TMemoryStream Record, Base;
        C->SaveToStream(Record);
        C->TMyShape::SaveToStream(Base, TWriteContext{});
        EXPECT_EQ(Record.Size(), Base.Size());
        std::unique_ptr<TMyShape> Copy(S.CreateShapeByClassName(Class));
        Record.SetPosition(0);
        Copy->LoadFromStream(Record);
        EXPECT_EQ(Copy->Points(), C->Points());
        TMemoryStream Again;
        Copy->SaveToStream(Again);
        EXPECT_EQ(Again.ToByteArray(), Record.ToByteArray());
    }
}
