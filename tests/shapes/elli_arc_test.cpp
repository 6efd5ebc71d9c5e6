// TMyElliArc: which way the circle arc runs, straight and closed arcs, the
// fill by mode and style, the 10-pixel hit band, creation from clicks,
// mirroring, the rotate centre, copying and the record's tail.
#include "common/control_helpers.h"
#include "foundation/canvas.h"
#include "foundation/streams.h"
#include "shapes/elli_arc.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QImage>

#include <cmath>
#include <memory>

using namespace draxa;

namespace {

using TArc = TMyElliArc::TArcPoints;

TMyElliArc* AddArc(TMyDraxa& S, const TArrMyPoint& Points) {
    return dynamic_cast<TMyElliArc*>(
        S.ShapeByNumber(S.AddShapeByTool(&S, TDrawTool::SpElliArc, "A", Points, 0, "")));
}

} // namespace

TEST(ElliArc, CircleArcRunsFromStartThroughTheMiddlePointToTheEnd) {
    const struct {
        const char* Name;
        TArc Points;
        bool Upper;
        TPoint First, Last;
    } Rows[] = {
        {"through the top: traced from the start", {{{0, 0}, {50, -50}, {100, 0}}}, true, {0, 0}, {100, 0}},
        {"through the bottom: traced back from the end",
         {{{0, 0}, {50, 50}, {100, 0}}},
         false,
         {100, 0},
         {0, 0}},
    };
    TMyDraxa S;
    TMyElliArc Arc(&S);
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        const TMyElliArc::TArcOutline O = Arc.CircleArcOutline(R.Points);
        EXPECT_FALSE(O.Closed);
        ASSERT_GT(O.Points.size(), 30u);
        EXPECT_EQ(O.Points.front(), R.First);
        EXPECT_EQ(O.Points.back(), R.Last);
        for (const TPoint& P : O.Points) {
            EXPECT_NEAR(std::hypot(P.X - 50.0, P.Y), 50, 1) << P.X << "," << P.Y;
            EXPECT_TRUE(R.Upper ? P.Y <= 0 : P.Y >= 0) << P.X << "," << P.Y;
        }
    }
}

TEST(ElliArc, AnEndClickedBesideTheMiddlePointKeepsTheShortArc) {
    // Traced from the start the long way round, this arc comes back beside
    // the middle point at its end; it must not pass for the arc through it.
    TMyDraxa S;
    TMyElliArc Arc(&S);
    const TMyElliArc::TArcOutline O = Arc.CircleArcOutline({{{0, 0}, {112, 180}, {114, 182}}});
    ASSERT_FALSE(O.Points.empty());
    for (const TPoint& P : O.Points)
        EXPECT_TRUE(P.X >= -10 && P.X <= 124 && P.Y >= -10 && P.Y <= 192) << P.X << "," << P.Y;
    EXPECT_EQ(O.Points.back(), (TPoint{0, 0}));
}

TEST(ElliArc, NearlyStraightClicksGiveTheSegmentAndNoClosingEvenAsSector) {
    TMyDraxa S;
    TMyElliArc Arc(&S);
    for (const TArcStyle Style : {TArcStyle::asArc, TArcStyle::asChord, TArcStyle::asSector}) {
        Arc.SetArcStyle(Style);
        const TMyElliArc::TArcOutline O = Arc.CircleArcOutline({{{0, 0}, {100, 1}, {200, 3}}});
        EXPECT_EQ(O.Points, (TArrPoint{{0, 0}, {200, 3}}));
        EXPECT_FALSE(O.Closed);
    }
    // Exactly in line, the end too close to the middle point to count as
    // straight: there is no circle, and nothing to draw.
    EXPECT_TRUE(Arc.CircleArcOutline({{{0, 0}, {100, 50}, {102, 51}}}).Points.empty());
}

TEST(ElliArc, ChordClosesOnTheFirstPointAndSectorThroughTheRoundedCentre) {
    TMyDraxa S;
    TMyElliArc* Arc = AddArc(S, {{0, 0}, {51, -49}, {101, 3}});
    const TArc P{{{0, 0}, {51, -49}, {101, 3}}};
    const TArrPoint Open = Arc->CircleArcOutline(P).Points;
    const TPoint Centre = RoundMyPoint(Arc->GetRotateCenter());
    // The circle's centre is about (50.5, 1.52).
    ASSERT_EQ(Centre, (TPoint{50, 2}));

    Arc->SetArcStyle(TArcStyle::asChord);
    TMyElliArc::TArcOutline O = Arc->CircleArcOutline(P);
    EXPECT_TRUE(O.Closed);
    TArrPoint Expected = Open;
    Expected.push_back(Open.front());
    EXPECT_EQ(O.Points, Expected);

    Arc->SetArcStyle(TArcStyle::asSector);
    O = Arc->CircleArcOutline(P);
    Expected.insert(Expected.end() - 1, Centre);
    EXPECT_EQ(O.Points, Expected);
}

TEST(ElliArc, OnlyACircleChordOrSectorIsFilled) {
    const struct {
        TArcMode Mode;
        TArcStyle Style;
        bool Filled;
    } Rows[] = {{TArcMode::amCircle, TArcStyle::asArc, false},
                {TArcMode::amCircle, TArcStyle::asChord, true},
                {TArcMode::amCircle, TArcStyle::asSector, true},
                {TArcMode::amEllipse, TArcStyle::asSector, false}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(int(R.Style) + 10 * int(R.Mode));
        TMyDraxa S;
        TMyElliArc* Arc = AddArc(S, {{100, 200}, {150, 150}, {200, 200}});
        Arc->SetArcMode(R.Mode);
        Arc->SetArcStyle(R.Style);
        Arc->Brush().SetColor(clRed);
        Arc->Brush().SetStyle(TBrushStyle::bsSolid);
        QImage Image(300, 300, QImage::Format_RGB32);
        Image.fill(Qt::white);
        TCanvas Canvas(&Image);
        Arc->Paint(Canvas);
        Canvas.Release();
        EXPECT_EQ(Image.pixel(150, 180) == QColor(Qt::red).rgb(), R.Filled);
        EXPECT_NE(Image.pixel(100, 199), QColor(Qt::white).rgb()) << "the arc itself is drawn";
    }
}

TEST(ElliArc, HitWithinTheTriangleOrLessThanTenPixelsFromTheArc) {
    const struct {
        TArcMode Mode;
        TPoint P;
        bool Hit;
    } Rows[] = {{TArcMode::amCircle, {91, 200}, true},   {TArcMode::amCircle, {90, 200}, false},
                {TArcMode::amCircle, {150, 141}, true},  {TArcMode::amCircle, {150, 140}, false},
                {TArcMode::amCircle, {150, 190}, true},  {TArcMode::amEllipse, {91, 200}, true},
                {TArcMode::amEllipse, {90, 200}, false}, {TArcMode::amCircle, {150, 250}, false}};
    TMyDraxa S;
    TMyElliArc* Arc = AddArc(S, {{100, 200}, {150, 150}, {200, 200}});
    for (const auto& R : Rows) {
        Arc->SetArcMode(R.Mode);
        EXPECT_EQ(Arc->PointInShape(S.Canvas(), R.P), R.Hit) << int(R.Mode) << " " << R.P.X << "," << R.P.Y;
    }
}

TEST(ElliArc, TakesThreeDistinctClicksAndTheSurfaceMode) {
    TMyDraxa S;
    S.SetBounds(0, 0, 400, 300);
    S.SetSnap(false);
    S.SetArcMode(TArcMode::amEllipse);
    S.SetShapeTool(TDrawTool::SpElliArc);
    test::TMouseDriver Mouse(S);
    for (const TPoint& P : {Point(100, 200), Point(100, 200), Point(150, 150), Point(150, 150)})
        Mouse.Click(P.X, P.Y);
    EXPECT_EQ(S.ShapeCount(), 0);
    Mouse.Click(200, 200);
    ASSERT_EQ(S.ShapeCount(), 1);
    auto* Arc = dynamic_cast<TMyElliArc*>(S.ShapeByIndex(0));
    ASSERT_NE(Arc, nullptr);
    EXPECT_EQ(Arc->Points(), (TArrMyPoint{{100, 200}, {150, 150}, {200, 200}}));
    EXPECT_EQ(Arc->ArcMode(), TArcMode::amEllipse);
    EXPECT_EQ(Arc->ArcStyle(), TArcStyle::asArc);
}

TEST(ElliArc, MirroringKeepsTheSenseAndTheRotateCentreFollowsTheMode) {
    TMyDraxa S;
    TMyElliArc* Arc = AddArc(S, {{0, 0}, {50, -50}, {100, 0}});
    EXPECT_EQ(Arc->GetRotateCenter(), MyPoint(50, 0));
    // About the circle's centre: the mirrored upper half is the same arc.
    Arc->FlipHorz();
    EXPECT_EQ(Arc->Points(), (TArrMyPoint{{0, 0}, {50, -50}, {100, 0}}));
    Arc->FlipVert();
    EXPECT_EQ(Arc->Points(), (TArrMyPoint{{100, 0}, {50, 50}, {0, 0}}));

    // Points in a line turn about the middle of the ends, not the bounds' centre.
    TMyElliArc* Line = AddArc(S, {{0, 0}, {150, 0}, {100, 0}});
    EXPECT_EQ(Line->GetRotateCenter(), MyPoint(50, 0));
    Line->SetArcMode(TArcMode::amEllipse);
    EXPECT_EQ(Line->GetRotateCenter(), MyPoint(75, 0));
    S.SetZoom(2);
    EXPECT_EQ(Line->GetScreenRotateCenter(), MyPoint(150, 0));
}

TEST(ElliArc, CopyAndRecordKeepModeAndStyle) {
    TMyDraxa S;
    TMyElliArc* Arc = AddArc(S, {{0, 0}, {50, -50}, {100, 0}});
    Arc->SetArcMode(TArcMode::amEllipse);
    Arc->SetArcStyle(TArcStyle::asSector);
    TMyElliArc Copy(&S);
    Copy.Assign(*Arc);
    EXPECT_EQ(Copy.ArcMode(), TArcMode::amEllipse);
    EXPECT_EQ(Copy.ArcStyle(), TArcStyle::asSector);

    TMemoryStream Record, Base;
    Arc->SaveToStream(Record);
    Arc->TMyShape::SaveToStream(Base, TWriteContext{});
    ASSERT_EQ(Record.Size() - Base.Size(), 2);
    TMyElliArc Loaded(&S);
    Record.SetPosition(0);
    Loaded.LoadFromStream(Record);
    EXPECT_EQ(Loaded.Points(), Arc->Points());
    EXPECT_EQ(Loaded.ArcMode(), TArcMode::amEllipse);
    EXPECT_EQ(Loaded.ArcStyle(), TArcStyle::asSector);
    TMemoryStream Again;
    Loaded.SaveToStream(Again);
    EXPECT_EQ(Again.ToByteArray(), Record.ToByteArray());

    for (const int At : {0, 1}) {
        QByteArray Bad = Record.ToByteArray();
        Bad[int(Base.Size()) + At] = char(3);
        TMemoryStream Damaged(Bad);
        TMyElliArc Broken(&S);
        EXPECT_THROW(Broken.LoadFromStream(Damaged), EReadError) << At;
    }
}
