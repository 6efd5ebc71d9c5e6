// The canvas layer: raster pen modes, pixel coverage, paths, regions,
// clipping, transforms and text placement.
#include "common/control_helpers.h"
#include "foundation/bitmap.h"
#include "foundation/canvas.h"

#include <gtest/gtest.h>
#include <QImage>

#include <functional>

using namespace draxa;

namespace {

// A screen-like 32-bit image with a pattern, so raster operations have
// something other than one colour to work on.
QImage PatternImage(int W = 120, int H = 100) {
    QImage Img(W, H, QImage::Format_RGB32);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) Img.setPixel(X, Y, qRgb((X * 7) & 255, (Y * 13) & 255, (X * Y) & 255));
    return Img;
}

QImage WhiteImage(int W = 40, int H = 40) {
    QImage Img(W, H, QImage::Format_RGB32);
    Img.fill(Qt::white);
    return Img;
}

int CountPixels(const QImage& Img, QRgb Colour) {
    int N = 0;
    for (int Y = 0; Y < Img.height(); ++Y)
        for (int X = 0; X < Img.width(); ++X) N += (Img.pixel(X, Y) & 0xFFFFFF) == (Colour & 0xFFFFFF);
    return N;
}

bool IsBlack(const QImage& Img, int X, int Y) {
    return (Img.pixel(X, Y) & 0xFFFFFF) == 0;
}

// Every kind of figure the interaction code draws as feedback.
void DrawFeedback(TCanvas& C) {
    C.MoveTo(5, 5);
    C.LineTo(60, 40);
    C.LineTo(60, 80);
    C.LineTo(5, 5);
    C.Polyline(TArrPoint{{10, 90}, {30, 70}, {50, 90}, {70, 70}});
    C.Polygon(TArrPoint{{70, 10}, {110, 20}, {90, 50}, {100, 5}});
    C.Rectangle(20, 20, 50, 45);
    C.Ellipse(65, 55, 115, 95);
    C.PolyBezier(TArrPoint{{0, 50}, {30, 0}, {60, 100}, {119, 50}});
    C.Arc(10, 10, 100, 90, 100, 50, 10, 50);
}

} // namespace

TEST(CanvasRasterModes, DrawingTwiceInXorOrNotXorRestoresEveryPixel) {
    struct Row {
        const char* Name;
        TPenMode Mode;
        int Width;
        TBrushStyle Brush;
    };
    const Row Rows[] = {
        {"xor thin outline", TPenMode::pmXor, 1, TBrushStyle::bsClear},
        {"xor filled", TPenMode::pmXor, 1, TBrushStyle::bsSolid},
        {"xor wide pen", TPenMode::pmXor, 4, TBrushStyle::bsSolid},
        {"notxor dotted", TPenMode::pmNotXor, 1, TBrushStyle::bsClear},
        {"notxor hatched", TPenMode::pmNotXor, 2, TBrushStyle::bsDiagCross},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        QImage Img = PatternImage();
        const QImage Before = Img.copy();
        TCanvas C(&Img);
        // NotXor with a white pen changes nothing, so that row uses red like the hover marker.
        C.Pen().SetColor(R.Mode == TPenMode::pmXor ? clWhite : clRed);
        C.Pen().SetWidth(R.Width);
        C.Pen().SetStyle(R.Mode == TPenMode::pmNotXor && R.Width == 1 ? TPenStyle::psDot
                                                                      : TPenStyle::psSolid);
        C.Pen().SetMode(R.Mode);
        C.Brush().SetColor(0x00336699);
        C.Brush().SetStyle(R.Brush);
        DrawFeedback(C);
        C.Release();
        EXPECT_FALSE(Img == Before) << "the first drawing must show";
        DrawFeedback(C);
        C.Release();
        EXPECT_TRUE(Img == Before);
    }
}

TEST(CanvasRasterModes, ChainedXorLinesDrawTheirSharedCornerOnce) {
    QImage Img = WhiteImage();
    TCanvas C(&Img);
    C.Pen().SetMode(TPenMode::pmXor);
    C.Pen().SetColor(clWhite);
    C.MoveTo(5, 5);
    C.LineTo(20, 5);
    C.LineTo(20, 20);
    C.Release();
    EXPECT_TRUE(IsBlack(Img, 20, 5)) << "a corner XOR-ed twice would vanish";
    EXPECT_TRUE(IsBlack(Img, 5, 5));
    EXPECT_FALSE(IsBlack(Img, 20, 20)) << "LineTo leaves out its end pixel";
}

TEST(CanvasCoverage, FiguresCoverLeftTopInclusiveRightBottomExclusive) {
    QImage Img = WhiteImage();
    TCanvas C(&Img);
    C.Pen().SetColor(clBlack);
    C.Brush().SetColor(clBlack);
    C.Rectangle(2, 3, 6, 8);
    C.Release();
    EXPECT_EQ(CountPixels(Img, 0), 4 * 5);
    EXPECT_TRUE(IsBlack(Img, 2, 3));
    EXPECT_TRUE(IsBlack(Img, 5, 7));
    EXPECT_FALSE(IsBlack(Img, 6, 7));
    EXPECT_FALSE(IsBlack(Img, 5, 8));

    Img.fill(Qt::white);
    C.FillRect(TRect{10, 10, 13, 12});
    C.Release();
    EXPECT_EQ(CountPixels(Img, 0), 3 * 2);

    Img.fill(Qt::white);
    C.SetPixel(7, 9, clRed);
    EXPECT_EQ(C.Pixels(7, 9), clRed);
    EXPECT_EQ(C.Pixels(-1, 0), clNone);
}

TEST(CanvasSmoothing, SmoothEdgesKeepCoverageAndSharpLines) {
    // Greys only where an edge is not straight; straight one-pixel lines and
    // box edges stay on exactly the pixels the exact canvas paints.
    const auto Draw = [](bool Smooth) {
        QImage Img = WhiteImage(120, 100);
        TCanvas C(&Img);
        C.SetAntialiased(Smooth);
        C.Pen().SetColor(clBlack);
        C.Brush().SetColor(clBlack);
        C.Rectangle(2, 3, 6, 8);
        C.MoveTo(10, 20);
        C.LineTo(100, 20);
        C.Brush().SetStyle(TBrushStyle::bsClear);
        C.Ellipse(20, 30, 110, 95);
        C.Release();
        return Img;
    };
    const QImage Exact = Draw(false), Smooth = Draw(true);
    EXPECT_EQ(test::GreyPixels(Exact), 0);
    EXPECT_GT(test::GreyPixels(Smooth), 50) << "the ellipse's edge is smoothed";
    for (const QPoint P : {QPoint(2, 3), QPoint(5, 7), QPoint(10, 20), QPoint(99, 20)})
        EXPECT_LT(qGray(Smooth.pixel(P)), 64) << P.x() << "," << P.y();
    for (const QPoint P : {QPoint(6, 7), QPoint(5, 8), QPoint(50, 19), QPoint(50, 21)})
        EXPECT_EQ(qGray(Smooth.pixel(P)), 255) << P.x() << "," << P.y();

    // Feedback in a raster mode stays exact: drawn twice, it is gone.
    QImage Img = PatternImage();
    const QImage Before = Img.copy();
    TCanvas C(&Img);
    C.SetAntialiased(true);
    C.Pen().SetMode(TPenMode::pmNotXor);
    C.Brush().SetStyle(TBrushStyle::bsClear);
    DrawFeedback(C);
    DrawFeedback(C);
    C.Release();
    EXPECT_EQ(Img, Before);
}

TEST(CanvasCoverage, ClearPenAndClearBrushDrawNothingOfTheirPart) {
    QImage Img = WhiteImage();
    TCanvas C(&Img);
    C.Pen().SetStyle(TPenStyle::psClear);
    C.Brush().SetColor(clBlack);
    C.Rectangle(0, 0, 10, 10);
    C.Release();
    // Without an outline the fill stops one pixel short on the right and bottom.
    EXPECT_EQ(CountPixels(Img, 0), 9 * 9);

    Img.fill(Qt::white);
    C.Pen().SetStyle(TPenStyle::psSolid);
    C.Brush().SetStyle(TBrushStyle::bsClear);
    C.Rectangle(0, 0, 10, 10);
    C.Release();
    EXPECT_EQ(CountPixels(Img, 0), 36);
    EXPECT_FALSE(IsBlack(Img, 5, 5));
}

TEST(CanvasBrush, HatchesLeaveTheBackgroundAndPatternsTile) {
    QImage Img = WhiteImage(32, 32);
    TCanvas C(&Img);
    C.Pen().SetStyle(TPenStyle::psClear);
    C.Brush().SetColor(clBlack);
    C.Brush().SetStyle(TBrushStyle::bsCross);
    C.Rectangle(0, 0, 33, 33);
    C.Release();
    const int Black = CountPixels(Img, 0);
    EXPECT_GT(Black, 32);
    EXPECT_LT(Black, 32 * 32 / 2) << "a hatch is mostly background";

    TBitmap Pattern(2, 1);
    Pattern.Canvas().SetPixel(0, 0, clRed);
    Pattern.Canvas().SetPixel(1, 0, clBlue);
    C.Brush().SetBitmap(&Pattern);
    C.FillRect(TRect{0, 0, 32, 32});
    C.Release();
    EXPECT_EQ(C.Pixels(4, 7), clRed);
    EXPECT_EQ(C.Pixels(5, 7), clBlue);
}

TEST(CanvasPaths, CurvesFlattenToPolylinesAndFiguresReadBack) {
    QImage Img = WhiteImage(200, 200);
    TCanvas C(&Img);
    C.BeginPath();
    C.PolyBezier(TArrPoint{{10, 100}, {50, 10}, {150, 190}, {190, 100}});
    C.EndPath();
    EXPECT_TRUE(QImage(Img) == WhiteImage(200, 200)) << "a path bracket draws nothing";

    TPathData Raw = C.GetPath();
    ASSERT_EQ(Raw.Points.size(), 4u);
    EXPECT_EQ(Raw.Types[0], PT_MOVETO);
    EXPECT_EQ(Raw.Types[3], PT_BEZIERTO);

    C.FlattenPath();
    const TPathData Flat = C.GetPath();
    ASSERT_GT(Flat.Points.size(), 8u);
    EXPECT_EQ(Flat.Types.front(), PT_MOVETO);
    for (size_t I = 1; I < Flat.Types.size(); ++I) EXPECT_EQ(Flat.Types[I], PT_LINETO);
    EXPECT_EQ(Flat.Points.front(), (TPoint{10, 100}));
    EXPECT_EQ(Flat.Points.back(), (TPoint{190, 100}));
    // The curve's midpoint (t = 0.5) is (100, 100); some flattened point lies near it.
    bool Near = false;
    for (const TPoint& P : Flat.Points) Near |= std::abs(P.X - 100) <= 8 && std::abs(P.Y - 100) <= 8;
    EXPECT_TRUE(Near);

    // A closed figure reads back with its close flag on the last point only.
    C.BeginPath();
    C.Polygon(TArrPoint{{0, 0}, {10, 0}, {10, 10}});
    C.MoveTo(50, 50);
    C.LineTo(60, 50);
    C.EndPath();
    const TPathData Mixed = C.GetPath();
    ASSERT_EQ(Mixed.Points.size(), 5u);
    EXPECT_EQ(Mixed.Types[2], PT_LINETO | PT_CLOSEFIGURE);
    EXPECT_EQ(Mixed.Types[3], PT_MOVETO);
    EXPECT_EQ(Mixed.Types[4], PT_LINETO);
}

TEST(CanvasPaths, StrokeAndFillPathPaintTheRecordedFigure) {
    QImage Img = WhiteImage();
    TCanvas C(&Img);
    C.Brush().SetColor(clRed);
    C.Pen().SetColor(clBlack);
    C.BeginPath();
    C.Rectangle(5, 5, 30, 30);
    C.EndPath();
    C.StrokeAndFillPath();
    C.Release();
    EXPECT_EQ(C.Pixels(5, 5), clBlack);
    EXPECT_EQ(C.Pixels(15, 15), clRed);
    EXPECT_FALSE(C.HasPath()) << "stroking consumes the path";

    C.SelectGeometricPen(TGeometricPen{PS_GEOMETRIC | PS_ENDCAP_FLAT, 6, clBlue});
    C.BeginPath();
    C.MoveTo(2, 36);
    C.LineTo(38, 36);
    C.EndPath();
    C.StrokePath();
    C.Release();
    EXPECT_EQ(C.Pixels(20, 34), clBlue) << "a geometric pen strokes at its width";
    EXPECT_EQ(C.Pixels(20, 38), clBlue);
}

TEST(CanvasPens, GeometricEndCapsAndSelectingThePenAgain) {
    auto DrawWith = [](uint32_t Cap) {
        QImage Img = WhiteImage();
        TCanvas C(&Img);
        C.SelectGeometricPen(TGeometricPen{PS_GEOMETRIC | Cap | PS_JOIN_MITER, 8, clBlack});
        C.MoveTo(10, 20);
        C.LineTo(30, 20);
        C.Release();
        return Img;
    };
    const QImage Flat = DrawWith(PS_ENDCAP_FLAT);
    const QImage Square = DrawWith(PS_ENDCAP_SQUARE);
    EXPECT_FALSE(IsBlack(Flat, 7, 20)) << "a flat end stops at the point";
    EXPECT_TRUE(IsBlack(Square, 7, 20)) << "a square end reaches half the width beyond it";

    QImage Img = WhiteImage();
    TCanvas C(&Img);
    EXPECT_FALSE(C.SelectGeometricPen(TGeometricPen{PS_GEOMETRIC, 9, clBlack}).has_value());
    C.Pen().SetColor(clRed); // editing the pen selects it again
    EXPECT_FALSE(C.GeometricPen().has_value());
}

TEST(CanvasRegions, FillRuleDecidesTheInsideOfASelfCrossingPolygon) {
    // A five-pointed star drawn in one stroke: its centre is wound twice.
    const TArrPoint Star{{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
    const TRegion Alternate = CreatePolygonRgn(Star, ALTERNATE);
    const TRegion Winding = CreatePolygonRgn(Star, WINDING);
    EXPECT_FALSE(PtInRegion(Alternate, 50, 50));
    EXPECT_TRUE(PtInRegion(Winding, 50, 50));
    EXPECT_TRUE(PtInRegion(Alternate, 50, 10)) << "a point of the star is inside under both rules";
    EXPECT_TRUE(PtInRegion(Winding, 50, 10));
    EXPECT_FALSE(PtInRegion(Winding, 5, 80));
    EXPECT_TRUE(TRegion::FromPolygon(Star.data(), 2, WINDING).IsEmpty());
}

TEST(CanvasRegions, ClipRegionStaysInsideTheBaseClip) {
    QImage Img = WhiteImage();
    TCanvas C(&Img);
    C.SetBaseClip(TRect{0, 0, 20, 40});
    EXPECT_EQ(C.ClipRect(), (TRect{0, 0, 20, 40}));
    const TRegion Right = TRegion::FromRect(TRect{10, 0, 40, 40});
    C.SelectClipRgn(&Right);
    EXPECT_EQ(C.ClipRect(), (TRect{10, 0, 20, 40}));
    C.Brush().SetColor(clBlack);
    C.FillRect(TRect{0, 0, 40, 40});
    C.Release();
    EXPECT_EQ(CountPixels(Img, 0), 10 * 40);
    EXPECT_FALSE(IsBlack(Img, 5, 5));
    EXPECT_FALSE(IsBlack(Img, 25, 5));

    C.SelectClipRgn(nullptr); // back to the base clip only
    C.FillRect(TRect{0, 0, 40, 40});
    C.Release();
    EXPECT_EQ(CountPixels(Img, 0), 20 * 40);

    C.FillRgn(CreatePolygonRgn(TArrPoint{{25, 0}, {35, 0}, {35, 10}, {25, 10}}, ALTERNATE));
    C.Release();
    EXPECT_FALSE(IsBlack(Img, 30, 5)) << "regions are filled through the clip too";
    C.SetBaseClip(std::nullopt);
    EXPECT_EQ(C.ClipRect(), (TRect{0, 0, 40, 40}));
}

TEST(CanvasTransforms, WorldTransformMovesFiguresOnlyInAdvancedMode) {
    QImage Img = WhiteImage();
    TCanvas C(&Img);
    EXPECT_FALSE(C.SetWorldTransform(TXForm{1, 0, 0, 1, 20, 0}));
    C.SetGraphicsMode(GM_ADVANCED);
    EXPECT_TRUE(C.SetWorldTransform(TXForm{1, 0, 0, 1, 20, 0}));
    EXPECT_FALSE(C.SetWorldTransform(TXForm{0, 0, 0, 0, 0, 0})) << "a singular transform is refused";
    C.Brush().SetColor(clBlack);
    C.Pen().SetColor(clBlack);
    C.Rectangle(0, 0, 5, 5);
    C.Release();
    EXPECT_TRUE(IsBlack(Img, 22, 2));
    EXPECT_FALSE(IsBlack(Img, 2, 2));
    EXPECT_FLOAT_EQ(C.GetWorldTransform().eDx, 20.f);
    C.SetGraphicsMode(GM_COMPATIBLE);
    EXPECT_FLOAT_EQ(C.GetWorldTransform().eDx, 0.f);

    // 0.01 inch per unit with Y up: at 96 pixels per inch, (100, -100) is device (96, 96).
    C.SetMapMode(MM_LOENGLISH);
    const QPointF P = C.DeviceTransform().map(QPointF(100, -100));
    EXPECT_NEAR(P.x(), 96, 1e-9);
    EXPECT_NEAR(P.y(), 96, 1e-9);
}

TEST(CanvasText, TextCellStartsAtTheGivenTopLeftAndTurnsWithEscapement) {
    auto InkBounds = [](const QImage& Img) {
        QRect R;
        for (int Y = 0; Y < Img.height(); ++Y)
            for (int X = 0; X < Img.width(); ++X)
                if ((Img.pixel(X, Y) & 0xFFFFFF) != 0xFFFFFF) R |= QRect(X, Y, 1, 1);
        return R;
    };
    QImage Img = WhiteImage(200, 200);
    TCanvas C(&Img);
    C.Font().SetHeight(-20);
    C.Font().SetColor(clBlack);
    C.SetBkMode(TRANSPARENT);
    const TPoint Ext = C.TextExtent("HHHH");
    EXPECT_GT(Ext.X, 20);
    EXPECT_GE(Ext.Y, 20);
    C.TextOut(100, 100, "HHHH");
    C.Release();
    const QRect Ink = InkBounds(Img);
    EXPECT_GE(Ink.top(), 100);
    EXPECT_LT(Ink.bottom(), 100 + Ext.Y);
    EXPECT_GE(Ink.left(), 100);
    EXPECT_EQ(C.PenPos(), (TPoint{100 + Ext.X, 100})) << "TextOut advances the pen";

    Img.fill(Qt::white);
    C.SetFontEscapement(900); // a quarter turn counter-clockwise: the text runs upwards
    C.TextOut(100, 100, "HHHH");
    C.Release();
    const QRect Up = InkBounds(Img);
    EXPECT_LT(Up.top(), 100 - Ext.X / 2);
    EXPECT_LE(Up.bottom(), 100);
    EXPECT_LT(Up.width(), Up.height());

    const int Plain = C.TextExtent("abcde").X;
    EXPECT_EQ(C.SetTextCharacterExtra(3), 0);
    EXPECT_EQ(C.TextExtent("abcde").X, Plain + 5 * 3);
}

TEST(CanvasText, OpaqueBackgroundFollowsTheBrush) {
    QImage Img = WhiteImage(100, 40);
    TCanvas C(&Img);
    C.Brush().SetColor(clYellow);
    EXPECT_EQ(C.BkMode(), OPAQUE);
    C.TextOut(0, 0, "x");
    C.Release();
    EXPECT_EQ(C.Pixels(0, 0), clYellow);
    C.Brush().SetStyle(TBrushStyle::bsClear);
    EXPECT_EQ(C.BkMode(), TRANSPARENT);
}

TEST(CanvasDevices, BitmapCanvasWritesBlueGreenRedRowsAndPdfIsADevice) {
    TBitmap Bmp(4, 2);
    Bmp.Canvas().SetPixel(1, 0, RGB(10, 20, 30));
    const uint8_t* Row = Bmp.ScanLine(0);
    ASSERT_NE(Row, nullptr);
    EXPECT_EQ(Row[3], 30);
    EXPECT_EQ(Row[4], 20);
    EXPECT_EQ(Row[5], 10);
    // Raster modes fall back to copy on a 24-bit target instead of failing.
    Bmp.Canvas().Pen().SetMode(TPenMode::pmXor);
    Bmp.Canvas().Pen().SetColor(clBlack);
    Bmp.Canvas().MoveTo(0, 1);
    Bmp.Canvas().LineTo(4, 1);
    EXPECT_EQ(Bmp.Canvas().Pixels(2, 1), clBlack);

    TCanvas Detached;
    Detached.Rectangle(0, 0, 10, 10); // no device: nothing happens
    EXPECT_EQ(Detached.ClipRect(), (TRect{0, 0, 0, 0}));
}

// ---- images with two device pixels to a pixel (high-density screens) ----

namespace {

// What a figure drawing leaves on a white image of W x H pixels with Ratio
// device pixels to a pixel.
QImage DrawnAtRatio(int Ratio, const std::function<void(TCanvas&)>& Draw, int W = 60, int H = 50) {
    TBitmap B;
    B.SetPixelFormat(TPixelFormat::pf32bit);
    B.SetPixelRatio(Ratio);
    B.SetSize(W, H);
    Draw(B.Canvas());
    return B.Image().copy();
}

// Pixels (X, Y) of Wide whose Ratio x Ratio block does not hold exactly the
// colour of pixel (X, Y) of Narrow.
std::vector<QPoint> BlocksDiffering(const QImage& Narrow, const QImage& Wide, int Ratio) {
    std::vector<QPoint> Bad;
    for (int Y = 0; Y < Narrow.height(); ++Y)
        for (int X = 0; X < Narrow.width(); ++X)
            for (int DY = 0; DY < Ratio; ++DY)
                for (int DX = 0; DX < Ratio; ++DX)
                    if (Wide.pixel(X * Ratio + DX, Y * Ratio + DY) != Narrow.pixel(X, Y)) {
                        if (Bad.empty() || Bad.back() != QPoint(X, Y)) Bad.emplace_back(X, Y);
                    }
    return Bad;
}

} // namespace

TEST(CanvasHighDensity, StraightFiguresCoverTheSamePixelsInWholeBlocks) {
    // Lines along the axes, chained lines leaving out their last pixel, box
    // outlines and fills, pixel-wide pens of dashes, frames, rectangle fills,
    // set pixels and regions: at ratio 2 each pixel is a block of four device
    // pixels of the colour it has at ratio 1.
    const auto Draw = [](TCanvas& C) {
        C.Pen().SetColor(clBlack);
        C.MoveTo(2, 2);
        C.LineTo(40, 2);
        C.LineTo(40, 30);
        C.MoveTo(0, 45);
        C.LineTo(3, 45); // short and at the image's edge
        C.MoveTo(50, 49);
        C.LineTo(51, 49); // one pixel long
        C.Brush().SetColor(clRed);
        C.Rectangle(5, 8, 20, 18);
        C.Polygon(TArrPoint{{22, 8}, {35, 8}, {35, 20}, {22, 20}});
        C.Pen().SetStyle(TPenStyle::psDot);
        C.MoveTo(2, 25);
        C.LineTo(30, 25);
        C.Pen().SetStyle(TPenStyle::psSolid);
        C.Brush().SetColor(clBlue);
        C.FillRect(TRect{44, 4, 50, 12});
        C.FrameRect(TRect{44, 14, 56, 24});
        C.SetPixel(58, 2, clLime);
        C.FillRgn(TRegion::FromRect(TRect{44, 30, 48, 34}));
    };
    const QImage Narrow = DrawnAtRatio(1, Draw), Wide = DrawnAtRatio(2, Draw);
    ASSERT_EQ(Wide.size(), Narrow.size() * 2);
    const std::vector<QPoint> Bad = BlocksDiffering(Narrow, Wide, 2);
    EXPECT_TRUE(Bad.empty()) << Bad.size() << " pixels differ, the first at " << Bad.front().x() << ","
                             << Bad.front().y();
}

TEST(CanvasHighDensity, CoordinatesClipsAndPixelsStayInPixels) {
    TBitmap B;
    B.SetPixelFormat(TPixelFormat::pf32bit);
    B.SetPixelRatio(2);
    B.SetSize(30, 20);
    EXPECT_EQ(B.Width(), 30);
    EXPECT_EQ(B.Image().size(), QSize(60, 40));
    TCanvas& C = B.Canvas();
    EXPECT_EQ(C.PixelRatio(), 2);
    EXPECT_EQ(C.DeviceWidth(), 30);
    EXPECT_EQ(C.ClipRect(), (TRect{0, 0, 30, 20}));
    C.SetBaseClip(TRect{5, 5, 10, 10});
    EXPECT_EQ(C.ClipRect(), (TRect{5, 5, 10, 10}));
    C.Brush().SetColor(clRed);
    C.FillRect(TRect{0, 0, 30, 20});
    C.SetBaseClip(std::nullopt);
    EXPECT_EQ(C.Pixels(5, 5), clRed);
    EXPECT_EQ(C.Pixels(9, 9), clRed);
    EXPECT_EQ(C.Pixels(10, 9), clWhite);
    EXPECT_EQ(C.Pixels(30, 0), clNone);
    // The origin shifts pixel access as it shifts drawing.
    C.SetOrigin(TPoint{5, 5});
    EXPECT_EQ(C.Pixels(10, 10), clRed);
    C.SetOrigin(TPoint{0, 0});

    // A copy between two such images takes every device pixel along.
    TBitmap Copy;
    Copy.SetPixelFormat(TPixelFormat::pf32bit);
    Copy.SetPixelRatio(2);
    Copy.SetSize(30, 20);
    Copy.Canvas().CopyRect(TRect{0, 0, 30, 20}, C, TRect{0, 0, 30, 20});
    EXPECT_EQ(Copy.Image(), B.Image());

    // Changing the ratio keeps the size and starts white.
    B.SetPixelRatio(1);
    EXPECT_EQ(B.Image().size(), QSize(30, 20));
    EXPECT_EQ(B.Canvas().Pixels(5, 5), clWhite);
}

TEST(CanvasHighDensity, FeedbackDrawnTwiceRestoresEveryDevicePixel) {
    TBitmap B;
    B.SetPixelFormat(TPixelFormat::pf32bit);
    B.SetPixelRatio(2);
    B.SetSize(120, 100);
    B.SetImage(PatternImage(240, 200)); // a picture brought in has ratio 1 again
    EXPECT_EQ(B.PixelRatio(), 1);
    QImage Pattern = PatternImage(240, 200);
    Pattern.setDevicePixelRatio(2);
    for (const bool Smooth : {false, true}) {
        QImage Img = Pattern.copy();
        TCanvas C(&Img);
        ASSERT_EQ(C.PixelRatio(), 2);
        C.SetAntialiased(Smooth);
        C.Pen().SetMode(TPenMode::pmNotXor);
        C.Brush().SetStyle(TBrushStyle::bsClear);
        DrawFeedback(C);
        C.Release();
        EXPECT_NE(Img, Pattern);
        DrawFeedback(C);
        C.Release();
        EXPECT_EQ(Img, Pattern) << (Smooth ? "smooth" : "exact");
    }
}
