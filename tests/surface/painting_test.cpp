// Surface painting: background picture modes, the grid across partial
// repaints, paint order and visibility, and the paint event.
#include "common/control_helpers.h"
#include "foundation/bitmap.h"
#include "shapes/line.h"
#include "surface/draxa.h"

#include <QRandomGenerator>

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

// Whatever painting leaves out of a small repaint must be pixels the shapes
// never reach, and what it paints must not depend on where the repaint's
// edges lie (a thin slanted line cut at an edge keeps its steps): a busy
// drawing of turned boxes and ellipses (one turned about a centre off its
// middle), wide pens, arrowed lines, texts, captions and link points far from
// their shape, repainted in many small pieces, gives in each piece exactly
// what the full repaint gave there, at two zooms.
TEST(SurfacePainting, EverySmallRepaintGivesWhatTheFullRepaintGaveThere) {
    for (const double Zoom : {1.0, 1.5}) {
        TMyDraxa S;
        S.SetBounds(0, 0, 360, 280);
        S.SetZoom(Zoom);
        S.SetBounds(0, 0, 360, 280);
        S.SetHotShow(true);
        S.SetShowHotLink(true);
        QRandomGenerator R(20261209);
        const auto At = [&R](int Lo, int Hi) { return float(R.bounded(Lo, Hi)); };
        for (int I = 0; I < 70; ++I) {
            S.Pen().SetWidth(1 + R.bounded(4));
            S.Pen().SetColor(TColor(R.bounded(0x1000000)));
            S.Brush().SetColor(TColor(R.bounded(0x1000000)));
            const float L = At(-10, 220), T = At(-10, 160), W = At(8, 70), H = At(8, 60);
            const TArrMyPoint Box{{L, T}, {L + W, T}, {L + W, T + H}, {L, T + H}};
            const double Angle = R.bounded(4) == 0 ? 0.0 : R.bounded(628) / 100.0;
            const QString Name = QStringLiteral("S%1").arg(I);
            int No = -1;
            switch (I % 5) {
            case 0:
                No = S.AddShapeByTool(&S, TDrawTool::SpRectangle, Name, Box, Angle, {});
                break;
            case 1:
                No = S.AddShapeByTool(&S, TDrawTool::SpEllipse, Name, Box, Angle, {});
                break;
            case 2:
                No = S.AddShapeByTool(&S, TDrawTool::SpText, Name, Box, Angle, {});
                break;
            case 3:
                No = S.AddShapeByTool(&S, TDrawTool::SpLine, Name, {{L, T}, {L + W, T + H}}, 0, {});
                if (No >= 0 && R.bounded(2))
                    dynamic_cast<TMyLine&>(*S.ShapeByNumber(No)).SetArrowStyle(TArrowStyle::ADouble);
                break;
            default:
                No = S.AddShapeByTool(&S, TDrawTool::SpPolyLine, Name,
                                      {{L, T}, {L + W, T}, {L + W / 2, T + H}}, 0, {});
                break;
            }
            ASSERT_GE(No, 0) << I;
            TMyShape* Shape = S.ShapeByNumber(No);
            if (R.bounded(4) == 0) Shape->SetInfo(QStringLiteral("Caption %1").arg(I));
            if (R.bounded(5) == 0) Shape->AddLinkPoint(MyPoint(L + W + At(10, 40), T - At(10, 40)));
            if (I == 11) Shape->SetRotateCenter(MyPoint(L - 30, T - 20));
        }
        S.UnselectAll();
        S.Repaint();
        const QImage Full = S.ScreenImage().copy();
        // Many small pieces: a piece just off a shape's edge is what finds
        // a shape that painting left out.
        for (int K = 0; K < 300; ++K) {
            const int Side = 4 + R.bounded(K % 4 == 0 ? 90 : 12);
            const int X = R.bounded(360 - Side), Y = R.bounded(280 - Side);
            S.Canvas().Brush().SetColor(clFuchsia);
            S.Canvas().FillRect(TRect{0, 0, 360, 280});
            S.InvalidateRect(TRect{X, Y, X + Side, Y + Side});
            S.RenderNow();
            ASSERT_TRUE(S.ScreenImage().copy(X, Y, Side, Side) == Full.copy(X, Y, Side, Side))
                << "zoom " << Zoom << ", area " << X << "," << Y << " side " << Side;
        }
    }
}
