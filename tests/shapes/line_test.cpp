// TMyLine: arrow heads, the hit band, hot points, copying, links to the end
// points of other lines, and the stream tails of the whole line family.
#include "common/control_helpers.h"
#include "foundation/canvas.h"
#include "foundation/streams.h"
#include "shapes/line.h"
#include "shapes/polyline.h"
#include "shapes/rule_line.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QImage>

#include <memory>

using namespace draxa;

namespace {

const QRgb White = QColor(Qt::white).rgb();

template <class T = TMyLine> T* AddByTool(TMyDraxa& S, TDrawTool Tool, const TArrMyPoint& Points) {
    return dynamic_cast<T*>(S.ShapeByNumber(S.AddShapeByTool(&S, Tool, "L", Points, 0, "")));
}

QImage Render(TMyShape& Shape) {
    QImage Image(400, 300, QImage::Format_RGB32);
    Image.fill(White);
    TCanvas Canvas(&Image);
    Shape.Paint(Canvas);
    Canvas.Release();
    return Image;
}

bool Inked(const QImage& I, int X, int Y) {
    return I.pixel(X, Y) != White;
}

} // namespace

TEST(Line, ArrowHeadsSitAtTheEndsTheStyleNames) {
    const struct {
        TArrowStyle Style;
        bool AtFirst, AtLast;
    } Rows[] = {{TArrowStyle::ANone, false, false},
                {TArrowStyle::ALeft, false, true},
                {TArrowStyle::ARight, true, false},
                {TArrowStyle::ADouble, true, true}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(int(R.Style));
        TMyDraxa S;
        S.SetArrowStyle(R.Style);
        TMyLine* L = AddByTool(S, TDrawTool::SpLine, {{50, 100}, {250, 100}});
        ASSERT_EQ(L->ArrowStyle(), R.Style);
        const QImage I = Render(*L);
        // Three pixels off the line, 20 pixels in from each end.
        EXPECT_EQ(Inked(I, 70, 97), R.AtFirst);
        EXPECT_EQ(Inked(I, 230, 97), R.AtLast);
        EXPECT_FALSE(Inked(I, 150, 97));
    }
}

TEST(Line, ArrowOffsetKeepsTheTipInsideInScreenPixelsWhileWingsZoom) {
    for (const double Zoom : {1.0, 2.0}) {
        SCOPED_TRACE(Zoom);
        TMyDraxa S;
        S.SetArrowStyle(TArrowStyle::ALeft);
        S.SetArrowOffset(10);
        TMyLine* L = AddByTool(S, TDrawTool::SpLine, {{50, 100}, {150, 100}});
        S.SetZoom(Zoom);
        const QImage I = Render(*L);
        const int EndX = int(150 * Zoom), Y = int(100 * Zoom), Tip = EndX - 10;
        // (The outline may touch the pixel next to the tip.)
        for (int X = Tip + 2; X < EndX; ++X) {
            EXPECT_FALSE(Inked(I, X, Y - 1)) << X;
            EXPECT_FALSE(Inked(I, X, Y + 1)) << X;
        }
        EXPECT_TRUE(Inked(I, Tip - 8, Y - 1));
        EXPECT_TRUE(Inked(I, Tip - 8, Y + 1));
        // 45 pixels behind the tip lies inside a 60-pixel head, beyond a 30-pixel one.
        EXPECT_EQ(Inked(I, Tip - 45, Y - 4), Zoom == 2.0);
    }
}

TEST(Line, HitBandIsEightScreenPixelsAtEveryZoomAndTheLaterHotVertexWins) {
    const struct {
        const char* Name;
        TMyPoint A, B; // logical
        double Zoom;
        TPoint P; // screen
        bool Hit;
    } Rows[] = {
        {"8 left of vertical", {100, 50}, {100, 150}, 1, {92, 100}, true},
        {"9 left of vertical", {100, 50}, {100, 150}, 1, {91, 100}, false},
        {"8 right of vertical (edge excluded)", {100, 50}, {100, 150}, 1, {108, 100}, false},
        {"9 above horizontal", {50, 100}, {150, 100}, 1, {100, 91}, false},
        {"8 left of vertical at zoom 2", {50, 25}, {50, 75}, 2, {92, 100}, true},
        {"9 left of vertical at zoom 2", {50, 25}, {50, 75}, 2, {91, 100}, false},
        {"8 below slanted", {100, 100}, {200, 150}, 1, {150, 133}, true},
        {"9 below slanted", {100, 100}, {200, 150}, 1, {150, 134}, false},
        {"on the extension of slanted", {100, 100}, {200, 150}, 1, {210, 155}, false},
    };
    for (const auto& R : Rows) {
        TMyDraxa S;
        TMyLine L(&S);
        L.AddScreenPoint(R.A);
        L.AddScreenPoint(R.B);
        S.SetZoom(R.Zoom);
        EXPECT_EQ(L.PointInShape(S.Canvas(), R.P), R.Hit) << R.Name;
    }

    // Hot squares that overlap give the later vertex.
    TMyDraxa S;
    TMyLine* L = AddByTool(S, TDrawTool::SpLine, {{100, 100}, {104, 100}});
    EXPECT_EQ(L->HotPointAt(Point(102, 100)), 1);
    EXPECT_EQ(L->HotPointAt(Point(96, 100)), 0);
}

TEST(Line, AssignCopiesArrowsButNotTheOffsetNorTheLinks) {
    TMyDraxa S;
    TMyLine Target(&S);
    S.SetArrowOffset(5);
    TMyLine Source(&S);
    Source.SetArrowLength(44);
    Source.SetArrowStyle(TArrowStyle::ADouble);
    Source.SetStartLink(3, 1);
    Target.Assign(Source);
    EXPECT_EQ(Target.ArrowOffset(), 0);
    EXPECT_EQ(Target.ArrowLength(), 44);
    EXPECT_EQ(Target.ArrowStyle(), TArrowStyle::ADouble);
    EXPECT_EQ(Target.StartLinkNo(), -1);
}

TEST(Line, EndPointsOfPlainLinesAndPolylinesAreFoundMarkedAndJoined) {
    TMyDraxa S;
    S.SetBounds(0, 0, 400, 300);
    TMyLine* A = AddByTool(S, TDrawTool::SpLine, {{100, 100}, {200, 100}});
    TMyLine* B = AddByTool<TMyPolyLine>(S, TDrawTool::SpPolyLine, {{250, 150}, {300, 200}, {350, 200}});
    AddByTool<TMyPolygon>(S, TDrawTool::SpPolygon, {{300, 20}, {350, 20}, {350, 60}});
    AddByTool<TMyRuleLine>(S, TDrawTool::SpRuleLine, {{20, 250}, {80, 250}});

    int No = 0, End = 0;
    const TColor Before = test::ScreenPixel(S, 200, 95);
    EXPECT_TRUE(TMyLine::FindLineEndAt(&S, MyPoint(201, 101), No, End));
    EXPECT_EQ(No, A->ShapeNo());
    EXPECT_EQ(End, 1);
    EXPECT_NE(test::ScreenPixel(S, 200, 95), Before) << "hover marker";
    EXPECT_TRUE(TMyLine::FindLineEndAt(&S, MyPoint(350, 200), No, End));
    EXPECT_EQ(End, 2);
    EXPECT_EQ(test::ScreenPixel(S, 200, 95), Before) << "marker moved away";
    // Polygons and measuring lines are not joined; Except skips a shape.
    for (const TMyPoint& P : {MyPoint(300, 20), MyPoint(20, 250)})
        EXPECT_FALSE(TMyLine::FindLineEndAt(&S, P, No, End));
    EXPECT_FALSE(TMyLine::FindLineEndAt(&S, MyPoint(100, 100), No, End, A));
    EXPECT_EQ(No, -1);

    // Finishing a plain line records its last end's link; a polyline never does.
    TMyLine New(&S);
    TMyPolyLine Poly(&S);
    for (TMyLine* L : {&New, static_cast<TMyLine*>(&Poly)}) {
        L->AddPoint(Point(50, 50));
        L->AddPoint(Point(100, 100));
        L->ResetRotateCenter(Point(50, 50), Point(100, 100));
    }
    EXPECT_EQ(New.EndLinkNo(), A->ShapeNo());
    EXPECT_EQ(New.EndLinkEnd(), 0);
    EXPECT_EQ(Poly.EndLinkNo(), -1);

    TArrMyPoint V;
    New.SetStartLink(A->ShapeNo(), 0);
    New.SetEndLink(B->ShapeNo(), 2);
    ASSERT_TRUE(New.JoinedVertices(V));
    EXPECT_EQ(V, (TArrMyPoint{{200, 100}, {100, 100}, {350, 200}, {300, 200}, {250, 150}}));
    New.SetEndLink(A->ShapeNo(), 0);
    EXPECT_FALSE(New.JoinedVertices(V)) << "both ends on the same line";
}

TEST(LineFamily, EveryClassIsSavedAndLoadedBackEqual) {
    const struct {
        const char* ClassName;
        int TailBytes;
    } Rows[] = {
        {"TMyLine", 7}, {"TMyPolyLine", 7}, {"TMyFreeLine", 7}, {"TMyPolygon", 7}, {"TMyRuleLine", 16}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.ClassName);
        TMyDraxa S;
        std::unique_ptr<TMyShape> Shape(S.CreateShapeByClassName(R.ClassName));
        auto* L = dynamic_cast<TMyLine*>(Shape.get());
        ASSERT_NE(L, nullptr);
        for (const TPoint& P : {Point(10, 20), Point(60, 25), Point(40, 80), Point(10, 20)}) L->AddPoint(P);
        L->SetArrowAngle(-25);
        L->SetArrowLength(200);
        L->SetArrowOffset(7);
        L->SetArrowStyle(TArrowStyle::ARight);
        L->SetStartLink(4, 0);
        if (auto* Rule = dynamic_cast<TMyRuleLine*>(L)) {
            Rule->SetShowUserInfo(true);
            Rule->SetTickStyle(TTickStyle::tsNone);
            Rule->SetUserInfo("abc");
        }
        TMemoryStream Record, Base;
        L->SaveToStream(Record);
        L->TMyShape::SaveToStream(Base, TWriteContext{});
        EXPECT_EQ(Record.Size() - Base.Size(), R.TailBytes);

        std::unique_ptr<TMyShape> Copy(S.CreateShapeByClassName(R.ClassName));
        Record.SetPosition(0);
        Copy->LoadFromStream(Record);
        EXPECT_EQ(Record.Position(), Record.Size());
        auto* C = dynamic_cast<TMyLine*>(Copy.get());
        EXPECT_EQ(C->ArrowOffset(), 7);
        EXPECT_EQ(C->ArrowStyle(), TArrowStyle::ARight);
        EXPECT_EQ(C->StartLinkNo(), -1) << "links are not streamed";
        TMemoryStream Again;
        Copy->SaveToStream(Again);
        EXPECT_EQ(Again.ToByteArray(), Record.ToByteArray());

        // An enumeration byte out of range is a damaged record, not a value:
        // the arrow style, and the measuring line's tick style.
        for (const int At : {6, R.TailBytes > 7 ? 8 : 6}) {
            QByteArray Bad = Record.ToByteArray();
            Bad[int(Base.Size()) + At] = char(4);
            TMemoryStream Damaged(Bad);
            std::unique_ptr<TMyShape> Broken(S.CreateShapeByClassName(R.ClassName));
            EXPECT_THROW(Broken->LoadFromStream(Damaged), EReadError) << At;
        }
    }
}
