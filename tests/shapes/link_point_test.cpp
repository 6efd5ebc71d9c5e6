// TMyLinkPoint and TMyLineLinkLine: one-click creation, no hot points,
// painting, the junction step onto connectors, and their records.
#include "common/control_helpers.h"
#include "foundation/canvas.h"
#include "foundation/streams.h"
#include "shapes/link_line.h"
#include "shapes/link_point.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QImage>

#include <utility>

using namespace draxa;

namespace {

QByteArray Save(TMyShape& S) {
    TMemoryStream M;
    S.SaveToStream(M);
    return M.ToByteArray();
}

// A shape of class T clicked at screen point P, added to Surface.
template <typename T> T* Place(TMyDraxa& Surface, TPoint P) {
    auto* S = new T(&Surface);
    S->AddPoint(P);
    S->SetShapeNo(Surface.NextShapeNo());
    S->SetIndex(Surface.ShapeCount());
    S->SetName("P" + QString::number(Surface.NextShapeNo()));
    EXPECT_TRUE(Surface.AddShape(S, false, false));
    return S;
}

} // namespace

TEST(LinkPoint, OneClickMakesTheSquareOfSizeAroundTheClick) {
    const struct {
        double Zoom;
        uint8_t Size;
        TPoint Click;
        TArrMyPoint Corners;
    } Rows[] = {{2, 8, {100, 100}, {{46, 46}, {54, 46}, {54, 54}, {46, 54}}},
                {1, 10, {30, 40}, {{25, 35}, {35, 35}, {35, 45}, {25, 45}}}};
    for (const auto& R : Rows) {
        TMyDraxa Surface;
        Surface.SetZoom(R.Zoom);
        TMyLinkPoint P(&Surface);
        P.SetSize(R.Size);
        P.AddPoint(R.Click);
        EXPECT_TRUE(P.IsCreateFinished(TMouseButton::mbLeft, R.Click));
        P.AddPoint(Point(0, 0));
        P.SetSize(30);
        EXPECT_EQ(P.Points(), R.Corners) << "a later click or size changes nothing";
    }
}

TEST(LinkPoint, ConnectionPointsOfferNoHotPointsSoAPressNeverResizes) {
    TMyDraxa Surface;
    Surface.resize(300, 300);
    Surface.SetHotSize(8);
    test::TMouseDriver Mouse(Surface);
    for (TMyShape* P : {static_cast<TMyShape*>(Place<TMyLinkPoint>(Surface, Point(100, 100))),
                        static_cast<TMyShape*>(Place<TMyLineLinkLine>(Surface, Point(200, 100)))}) {
        for (int I = 0; I < 8; ++I) EXPECT_EQ(P->HotPointAt(RoundMyPoint(P->GetScreenPoint(I))), -1);
        Surface.UnselectAll();
        Surface.SelectShape(P);
        const TPoint Corner = RoundMyPoint(P->GetScreenPoint(2));
        Mouse.Press(Corner.X, Corner.Y);
        EXPECT_NE(Surface.Mode(), TInteractionMode::Resizing) << P->ClassName().toStdString();
        Mouse.Release(Corner.X, Corner.Y);
    }
}

TEST(LinkPoint, PaintsACrossAndTheJunctionAFilledCircle) {
    TMyDraxa Surface;
    TMyLinkPoint Cross(&Surface);
    TMyLineLinkLine Junction(&Surface);
    for (TMyLinkPoint* S : {&Cross, static_cast<TMyLinkPoint*>(&Junction)}) {
        S->SetSize(20);
        S->Pen().SetColor(clBlue);
        S->Brush().SetColor(clYellow);
    }
    Cross.AddPoint(Point(50, 50));
    Junction.AddPoint(Point(150, 50));
    EXPECT_EQ(Junction.LinkPoints(), (TArrMyPoint{{150, 50}}));
    QImage Image(200, 100, QImage::Format_RGB32);
    Image.fill(Qt::white);
    TCanvas Canvas(&Image);
    Cross.Paint(Canvas);
    Junction.Paint(Canvas);
    Canvas.Release();
    // Pixel, expected colour: the diagonals only; a circle filled in the pen colour.
    const std::pair<QPoint, Qt::GlobalColor> Probes[] = {
        {{50, 50}, Qt::blue},  {{45, 45}, Qt::blue},  {{55, 45}, Qt::blue},  {{50, 44}, Qt::white},
        {{150, 50}, Qt::blue}, {{155, 45}, Qt::blue}, {{141, 41}, Qt::white}};
    for (const auto& [At, Colour] : Probes)
        EXPECT_EQ(Image.pixel(At), QColor(Colour).rgb()) << At.x() << "," << At.y();
    Junction.DrawHotPoints(Canvas);
    Canvas.Release();
    EXPECT_EQ(Image.pixel(150, 50), QColor(Qt::green).rgb()) << "lime selection mark";
}

TEST(LineLinkLine, JunctionSnapsOntoAConnectorSegmentOrStaysWhereDropped) {
    const struct {
        TPoint Click;
        TMyPoint Centre;
    } Rows[] = {{{150, 103}, {150, 100}}, {{247, 160}, {250, 160}}, {{150, 140}, {150, 140}}};
    for (const auto& R : Rows) {
        TMyDraxa Surface;
        auto* Line = new TMyLinkLine(&Surface);
        for (const TMyPoint& P : {MyPoint(50, 100), MyPoint(250, 100), MyPoint(250, 200)})
            Line->AddScreenPoint(P);
        Line->SetName("L");
        ASSERT_TRUE(Surface.AddShape(Line, false, false));
        TMyLineLinkLine* J = Place<TMyLineLinkLine>(Surface, R.Click);
        J->ResetRotateCenter(R.Click, R.Click);
        EXPECT_EQ(J->RotateCenter(), R.Centre) << R.Click.X << "," << R.Click.Y;
        EXPECT_EQ(J->LinkPoints(), TArrMyPoint{R.Centre});
        EXPECT_EQ(J->Points()[0], MyPoint(R.Centre.X - 4, R.Centre.Y - 4));
    }
}

TEST(LinkPoint, OlderRecordsCarryTheSizeByteToo) {
    TMyDraxa Surface;
    TMyLinkPoint A(&Surface);
    A.SetSize(13);
    A.SetName("P");
    const QByteArray Bytes = Save(A);
    // A "KW.6" record lacks the 27 bytes of fields added since (with no user
    // data and no info lines); the size byte follows it all the same.
    TMemoryStream M(Bytes.left(Bytes.size() - 1 - 27) + Bytes.right(1));
    Surface.SetFileVersion("KW.6");
    TMyLinkPoint B(&Surface);
    B.LoadFromStream(M);
    EXPECT_EQ(M.Remaining(), 0);
    EXPECT_EQ(B.Size(), 13);
}
