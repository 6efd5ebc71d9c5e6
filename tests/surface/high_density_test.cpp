// The surface on a high-density screen: its screen image has the window's
// device pixels, while everything the user and the document see (mouse
// positions, hit tests, stored points, measured texts) stays in pixels.
// These tests run twice: as they are, and on a screen scaled by 2.
#include "common/mouse_fixture.h"
#include "shapes/polyline.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cmath>

using namespace draxa;
using namespace draxa::test;

namespace {

int ScreenRatio() {
    return std::max(1, int(std::ceil(qApp->devicePixelRatio() - 0.01)));
}

} // namespace

TEST(SurfaceHighDensity, ShapesUseDevicePixelsWhileTheMouseWorksInPixels) {
    TMouseSurface T;
    T.S.GridOperation().GridType = TGridType::gNone;
    T.S.SetShowHotLink(false);
    const int R = T.S.PixelRatio();
    EXPECT_EQ(R, ScreenRatio());
    EXPECT_EQ(T.S.ScreenImage().size(), QSize(400, 300) * R);

    T.S.SetShapeTool(TDrawTool::SpRectangle);
    T.Mouse.Drag(Point(20, 20), Point(100, 80));
    ASSERT_EQ(T.S.ShapeCount(), 1);
    TMyShape* Box = T.S.ShapeByIndex(0);
    EXPECT_EQ(Box->Points(), (TArrMyPoint{{20, 20}, {100, 20}, {100, 80}, {20, 80}}));
    T.S.UnselectAll();
    T.S.Repaint();
    // The outline covers whole blocks of device pixels, where it lies at ratio 1.
    EXPECT_EQ(ScreenPixel(T.S, 20, 50), clBlack);
    EXPECT_EQ(ScreenPixel(T.S, 100, 50), clBlack);
    EXPECT_EQ(ScreenPixel(T.S, 19, 50), clWhite);
    EXPECT_EQ(ScreenPixel(T.S, 101, 50), clWhite);
    EXPECT_EQ(ScreenPixel(T.S, 60, 20), clBlack);

    // Clicks hit in pixels.
    T.Mouse.Click(60, 50);
    EXPECT_EQ(T.S.Selected(), TArrMyShape{Box});
    T.Mouse.Click(200, 200);
    EXPECT_TRUE(T.S.Selected().empty());

    // An outline drawn while the mouse moves is erased to the last device pixel.
    T.S.Repaint();
    const QImage Clean = T.S.ScreenImage().copy();
    T.S.SetShapeTool(TDrawTool::SpEllipse);
    T.Mouse.Press(150, 100);
    T.Mouse.Move(300, 250);
    EXPECT_NE(T.S.ScreenImage(), Clean);
    T.Mouse.Move(150, 100);
    T.Mouse.Move(151, 101);
    T.Mouse.Move(150, 100);
    EXPECT_EQ(T.S.ScreenImage(), Clean) << "the outlines drawn twice are gone";
    T.Mouse.Release(150, 100);
}

TEST(SurfaceHighDensity, SmoothEdgesAndMeasuredTextsAtAnyDensity) {
    TMouseSurface T;
    T.S.GridOperation().GridType = TGridType::gNone;
    T.S.SetShowHotLink(false);
    T.S.SetTheUNIT(TUnits::pixel);
    T.S.AddShapeByTool(&T.S, TDrawTool::SpLine, "Diagonal", {{10, 10}, {200, 90}}, 0, {});
    const int Polygon = T.S.AddShapeByTool(&T.S, TDrawTool::SpPolygon, "Square",
                                           {{20, 200}, {30, 200}, {30, 210}, {20, 210}}, 0, {});
    const int Rule = T.S.AddShapeByTool(&T.S, TDrawTool::SpRuleLine, "Rule", {{100, 250}, {300, 250}}, 0, {});
    T.S.UnselectAll();
    for (const bool Smooth : {false, true}) {
        T.S.SetAntialiased(Smooth);
        T.S.Repaint();
        const int N =
            GreyPixels(T.S.ScreenImage().copy(0, 0, 220 * T.S.PixelRatio(), 100 * T.S.PixelRatio()));
        if (Smooth)
            EXPECT_GT(N, 50) << "the diagonal's edges are smooth";
        else
            EXPECT_EQ(N, 0) << "exact drawing has no intermediate colours";
        QString Area, Length;
        T.S.ShapeByNumber(Polygon)->UpdateMeasureInfo(Area);
        T.S.ShapeByNumber(Rule)->UpdateMeasureInfo(Length);
        EXPECT_EQ(Area, "Area=   100.00pixel(s)2");
        EXPECT_EQ(Length, "      200 pixel(s)");
    }
}
