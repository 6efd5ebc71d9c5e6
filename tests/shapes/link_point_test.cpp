// TMyLinkPoint and TMyLineLinkLine: one-click creation, no hot points,
// painting and the junction step onto connectors.
#include "common/control_helpers.h"
#include "foundation/canvas.h"
#include "shapes/link_line.h"
#include "shapes/link_point.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QImage>

using namespace draxa;

namespace {

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
    TMyDraxa Surface;
    Surface.SetZoom(2);
    TMyLinkPoint P(&Surface);
    P.AddPoint(Point(100, 100));
    EXPECT_TRUE(P.IsCreateFinished(TMouseButton::mbLeft, Point(100, 100)));
    P.AddPoint(Point(0, 0));
    P.SetSize(30);
    EXPECT_EQ(P.Points(), (TArrMyPoint{{46, 46}, {54, 46}, {54, 54}, {46, 54}}))
        << "a later click or size changes nothing";
}

TEST(LinkPoint, NoHotPointsSoAPressNeverResizesAndPaintsACrossOrACircle) {
    TMyDraxa Surface;
    Surface.resize(300, 300);
    Surface.SetHotSize(8);
    test::TMouseDriver Mouse(Surface);
    TMyLinkPoint* Cross = Place<TMyLinkPoint>(Surface, Point(50, 50));
    TMyLineLinkLine* Junction = Place<TMyLineLinkLine>(Surface, Point(150, 50));
    for (TMyShape* P : {static_cast<TMyShape*>(Cross), static_cast<TMyShape*>(Junction)}) {
        for (int I = 0; I < 8; ++I) EXPECT_EQ(P->HotPointAt(RoundMyPoint(P->GetScreenPoint(I))), -1);
        Surface.UnselectAll();
        Surface.SelectShape(P);
        const TPoint Corner = RoundMyPoint(P->GetScreenPoint(2));
        Mouse.Press(Corner.X, Corner.Y);
        EXPECT_NE(Surface.Mode(), TInteractionMode::Resizing) << P->ClassName().toStdString();
        Mouse.Release(Corner.X, Corner.Y);
        P->Pen().SetColor(clBlue);
    }
    QImage Image(200, 100, QImage::Format_RGB32);
    Image.fill(Qt::white);
    TCanvas Canvas(&Image);
    Cross->Paint(Canvas);
    Junction->Paint(Canvas);
    Canvas.Release();
    // The cross's diagonals only; the junction's circle filled in the pen colour.
    const QRgb Blue = QColor(Qt::blue).rgb(), White = QColor(Qt::white).rgb();
    EXPECT_EQ(Image.pixel(47, 47), Blue);
    EXPECT_EQ(Image.pixel(50, 47), White);
    EXPECT_EQ(Image.pixel(152, 48), Blue);
    EXPECT_EQ(Junction->LinkPoints(), (TArrMyPoint{{150, 50}}));
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

TEST(LinkPoint, APlacedConnectionPointOffersItsCentreToConnectors) {
    TMyDraxa Surface;
    Surface.SetZoom(2);
    TMyLinkPoint P(&Surface);
    P.AddPoint(Point(100, 100));
    EXPECT_EQ(P.LinkPoints(), TArrMyPoint{MyPoint(50, 50)});
    // A stored point without one stays without: only placing gives it.
    TMyLinkPoint Loaded(&Surface);
    Loaded.AddScreenPoint(MyPoint(92, 92));
    EXPECT_EQ(Loaded.LinkPointCount(), 0);
}
