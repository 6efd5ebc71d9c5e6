// Surface painting: background picture modes, the grid across partial
// repaints, paint order and visibility, and the paint event.
#include "common/control_helpers.h"
#include "foundation/bitmap.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>

using namespace draxa;

namespace {

// A surface of a given size with a plain white background and no grid.
void Prepare(TMyDraxa& S, int W, int H) {
    S.SetBounds(0, 0, W, H);
    S.GridOperation().GridType = TGridType::gNone;
}

TColor ScreenAt(TMyDraxa& S, int X, int Y) {
    return FromQRgb(S.ScreenImage().pixel(X, Y));
}

int AddFilledBox(TMyDraxa& S, const QString& Name, float L, float T, float R, float B, TColor Fill) {
    S.Brush().SetColor(Fill);
    S.Pen().SetColor(Fill);
    return S.AddShapeByTool(&S, TDrawTool::SpRectangle, Name, {{L, T}, {R, T}, {R, B}, {L, B}}, 0, {});
}

} // namespace

TEST(SurfacePainting, BackgroundPictureModes) {
    TBitmap Tile(64, 64);
    Tile.Canvas().Brush().SetColor(clYellow);
    Tile.Canvas().FillRect(TRect{0, 0, 64, 64});
    Tile.Canvas().SetPixel(0, 0, clRed);

    TMyDraxa S;
    Prepare(S, 200, 100);
    S.SetBkBitmap(Tile);
    S.SetBkBitmapMode(TBkBitmapMode::Tiled);
    S.Repaint();
    for (int Col = 0; Col < 4; ++Col)
        for (int Row = 0; Row < 2; ++Row)
            EXPECT_EQ(ScreenAt(S, Col * 64, Row * 64), clRed) << Col << "," << Row;
    EXPECT_EQ(ScreenAt(S, 199, 99), clYellow) << "the last column and row are clipped, not left out";

    TBitmap Large(300, 300);
    Large.Canvas().Brush().SetColor(clBlue);
    Large.Canvas().FillRect(TRect{0, 0, 300, 300});
    Large.Canvas().SetPixel(150, 150, clLime);
    S.SetBkBitmap(Large);
    S.SetBkBitmapMode(TBkBitmapMode::Center);
    S.Repaint();
    EXPECT_EQ(ScreenAt(S, 100, 50), clLime) << "the picture's centre lies at the control's centre";
}

TEST(SurfacePainting, PartialRepaintsDrawTheSameGridAsAFullOne) {
    TMyDraxa S;
    S.SetBounds(0, 0, 120, 100);
    S.GridOperation().GridColor = clBlack;
    S.Repaint();
    const QImage Full = S.ScreenImage().copy();
    EXPECT_EQ(ScreenAt(S, 40, 35), clBlack);
    EXPECT_EQ(ScreenAt(S, 41, 35), clWhite);

    S.Canvas().Brush().SetColor(clRed);
    S.Canvas().FillRect(TRect{0, 0, 120, 100});
    S.InvalidateRect(TRect{30, 30, 70, 70});
    S.RenderNow();
    EXPECT_TRUE(S.ScreenImage().copy(30, 30, 40, 40) == Full.copy(30, 30, 40, 40));
    EXPECT_EQ(ScreenAt(S, 10, 10), clRed) << "only the invalid area is painted";

    S.GridOperation().GridInZoom = true;
    S.SetZoom(2);
    S.SetBounds(0, 0, 120, 100);
    S.Repaint();
    EXPECT_EQ(ScreenAt(S, 40, 35), clBlack);
    EXPECT_EQ(ScreenAt(S, 20, 35), clWhite) << "the grid follows the zoom when asked";
}

TEST(SurfacePainting, ListOrderDecidesAndHiddenLayersVanish) {
    TMyDraxa S;
    Prepare(S, 200, 200);
    S.AddLayer("Upper", true);
    AddFilledBox(S, "Under", 10, 10, 100, 100, clRed);
    S.SetCurrentLayer(0);
    AddFilledBox(S, "Over", 50, 50, 150, 150, clBlue);
    S.UnselectAll();
    S.Repaint();
    EXPECT_EQ(ScreenAt(S, 30, 30), clRed);
    EXPECT_EQ(ScreenAt(S, 75, 75), clBlue) << "the later shape lies on top, whatever its layer";
    const TArrMyPoint Before = S.ShapeByIndex(0)->Points();

    S.InvalidateRect(TRect{20, 20, 60, 60});
    S.RenderNow();
    EXPECT_EQ(S.ShapeByIndex(0)->Points(), Before) << "painting part of the control never moves shapes";
    EXPECT_EQ(ScreenAt(S, 30, 30), clRed);
    EXPECT_EQ(ScreenAt(S, 55, 55), clBlue);

    S.ShapeByIndex(1)->SetVisible(false);
    S.AddLayer("Hidden", false);
    AddFilledBox(S, "Ghost", 0, 0, 200, 200, clLime);
    S.UnselectAll();
    S.Repaint();
    EXPECT_EQ(ScreenAt(S, 75, 75), clRed) << "an invisible shape and a hidden layer show nothing";
}

TEST(SurfacePainting, PaintEventFiresOncePerPaint) {
    TMyDraxa S;
    Prepare(S, 50, 50);
    int Paints = 0;
    S.OnPaint = [&](QObject* Sender) {
        EXPECT_EQ(Sender, &S);
        ++Paints;
    };
    S.Invalidate();
    S.Invalidate();
    S.RenderNow();
    EXPECT_EQ(Paints, 1);
    EXPECT_FALSE(S.RenderNow()) << "nothing left to paint";
    EXPECT_EQ(Paints, 1);
}

TEST(SurfacePainting, ALineCrossingTheCornerOfAPartialRepaintIsPainted) {
    TMyDraxa S;
    Prepare(S, 200, 200);
    S.Pen().SetColor(clBlack);
    // A short diagonal line whose ends both lie outside the area repainted below.
    ASSERT_GE(S.AddShapeByTool(&S, TDrawTool::SpLine, "Diagonal", {{40, 70}, {70, 40}}, 0, {}), 0);
    S.UnselectAll();
    S.Repaint();
    const QImage Full = S.ScreenImage().copy();

    S.Canvas().Brush().SetColor(clRed);
    S.Canvas().FillRect(TRect{0, 0, 200, 200});
    S.InvalidateRect(TRect{50, 50, 150, 150});
    S.RenderNow();
    EXPECT_TRUE(S.ScreenImage().copy(50, 50, 100, 100) == Full.copy(50, 50, 100, 100));
}

TEST(SurfacePainting, SmoothShapesLeaveMarksExact) {
    TMyDraxa S;
    Prepare(S, 200, 150);
    S.Pen().SetColor(clBlack);
    S.Brush().SetColor(clWhite);
    const int No = S.AddShapeByTool(&S, TDrawTool::SpEllipse, QStringLiteral("E"),
                                    {{20, 20}, {180, 20}, {180, 130}, {20, 130}}, 0, {});
    ASSERT_GE(No, 0);
    const auto Greys = [&S] { return test::GreyPixels(S.ScreenImage()); };
    // The shape's area text is smooth in both modes; the outline only when asked.
    const auto HotPixels = [&S] {
        const QImage Img = S.ScreenImage();
        int N = 0;
        for (int Y = 0; Y < Img.height(); ++Y)
            for (int X = 0; X < Img.width(); ++X) N += FromQRgb(Img.pixel(X, Y)) == HotPointColor();
        return N;
    };
    S.SelectAll();
    S.Repaint();
    const QString Measured = S.ShapeByNumber(No)->Info();
    const int ExactGreys = Greys(), ExactHot = HotPixels();
    EXPECT_GT(ExactHot, 0);

    S.SetAntialiased(true);
    EXPECT_TRUE(S.property("antialiased").toBool());
    S.Repaint();
    EXPECT_GT(Greys(), ExactGreys + 100);
    EXPECT_EQ(S.ShapeByNumber(No)->Info(), Measured) << "measures do not depend on the mode";
    EXPECT_EQ(HotPixels(), ExactHot) << "the selection's marks are drawn exactly over the smooth shape";
}

TEST(SurfacePainting, SmoothFillsAndGradientsHaveSmoothEdges) {
    // A turned box without an outline: its fill's own edge is all there is.
    // One colour throughout, so any grey is an edge pixel.
    for (const bool Gradient : {false, true}) {
        TMyDraxa S;
        Prepare(S, 200, 150);
        S.SetShowHotLink(false);
        S.Brush().SetColor(clBlack);
        const int No = S.AddShapeByTool(&S, TDrawTool::SpRectangle, QStringLiteral("R"),
                                        {{50, 40}, {150, 40}, {150, 110}, {50, 110}}, 0, {});
        TMyShape* Box = S.ShapeByNumber(No);
        Box->Pen().SetStyle(TPenStyle::psClear);
        if (Gradient) {
            Box->Brush().SetStyle(TBrushStyle::bsClear);
            Box->SetColorBegin(clBlack);
            Box->SetColorEnd(clBlack);
            Box->SetGradientStyle(TGradientStyle::gsLinearH);
        }
        Box->Rotate(Box->GetRotateCenter(), 0.5);
        S.UnselectAll();
        // Ink: the pixels near black.
        const auto Ink = [&S] {
            const QImage Img = S.ScreenImage();
            int N = 0;
            for (int Y = 0; Y < Img.height(); ++Y)
                for (int X = 0; X < Img.width(); ++X) N += qGray(Img.pixel(X, Y)) <= 20;
            return N;
        };
        S.Repaint();
        const int ExactInk = Ink();
        EXPECT_GT(ExactInk, 5000);
        EXPECT_EQ(test::GreyPixels(S.ScreenImage()), 0)
            << (Gradient ? "gradient" : "fill") << ": exact edges";
        S.SetAntialiased(true);
        S.Repaint();
        EXPECT_GT(test::GreyPixels(S.ScreenImage()), 100)
            << (Gradient ? "gradient" : "fill") << ": smooth edges";
        EXPECT_NEAR(Ink(), ExactInk, ExactInk / 20) << "the same figure, give or take its edge";
    }
}
