// TMyShape's shared painting: presets, pen and brush from the shape (also on
// a monochrome printer), the outline pen, the polygon with its clipped
// gradient, and the marks of a selected shape.
#include "foundation/canvas.h"
#include "foundation/printer.h"
#include "foundation/streams.h"
#include "shapes/canvas_presets.h"
#include "shapes/polyline.h"
#include "shapes/text.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <memory>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

using namespace draxa;

namespace {

// A white 32-bit image (raster pen modes need one) with a canvas on it.
struct TImageCanvas {
    QImage Image{60, 60, QImage::Format_RGB32};
    TCanvas Canvas{&Image};
    TImageCanvas() { Image.fill(Qt::white); }
    void Expect(std::initializer_list<std::tuple<int, int, TColor>> Probes) {
        for (const auto& [X, Y, Color] : Probes) EXPECT_EQ(Canvas.Pixels(X, Y), Color) << X << "," << Y;
    }
};

struct TProbeBox : TMyRectangle {
    using TMyRectangle::TMyRectangle;
    void AddLinkPoint(const TMyPoint& P) { MutableLinkPoints().push_back(P); }
};

} // namespace

TEST(ShapePainting, HotPointMarks) {
    TMyDraxa Surface;
    Surface.SetHotSize(5);
    TMyRectangle Locked(&Surface), Fixed(&Surface), Free(&Surface);
    Locked.SetLockedDirect(true);
    Locked.SetGroupIndex(0);
    Fixed.SetRotateEnable(false);
    TImageCanvas C;
    // Locked and grouped: grey square of half-size 5 div 2, outline from 18 to 21.
    Locked.DrawHotPoint(C.Canvas, MyPoint(20, 20));
    C.Expect({{17, 17, clWhite}, {18, 18, clBlack}, {19, 19, clGray}, {21, 21, clBlack}, {22, 22, clWhite}});
    Surface.SetShapeTool(TDrawTool::SpRotateSelecting);
    Fixed.DrawHotPoint(C.Canvas, MyPoint(45, 15));
    C.Expect({{45, 15, clWhite}});
    // A circle: the corner of its square stays empty.
    Free.DrawHotPoint(C.Canvas, MyPoint(40, 40));
    C.Expect({{40, 40, HotPointColor()}, {35, 35, clWhite}, {35, 40, clBlack}});
}

TEST(ShapePainting, PolygonGradientThroughClearBrushClippedToTheShape) {
    TMyDraxa Surface;
    struct Row {
        const char* Name;
        TBrushStyle Style;
        double Angle;
        int X, Y;
        char Shows; // 'r', 'b': red or blue dominant; 'y': the yellow brush; 'w': white
    };
    for (const Row& R : {Row{"top of frame: begin colour", TBrushStyle::bsClear, 0, 14, 13, 'r'},
                         Row{"bottom: end colour", TBrushStyle::bsClear, 0, 14, 44, 'b'},
                         Row{"solid brush covers it", TBrushStyle::bsSolid, 0, 14, 13, 'y'},
                         Row{"clipped outside the triangle", TBrushStyle::bsClear, 0, 45, 45, 'w'},
                         // Turned so the missing corner of the frame is its leftmost:
                         // the image starts there, not at the points.
                         Row{"turned polygon keeps its frame", TBrushStyle::bsClear,
                             2.35619449 /* 135 degrees */, 32, 10, 'b'}}) {
        SCOPED_TRACE(R.Name);
        TMyPolygon Triangle(&Surface);
        for (const TMyPoint& P : {MyPoint(10, 10), MyPoint(50, 10), MyPoint(10, 50)})
            Triangle.AddScreenPoint(P);
        Triangle.SetRotateCenter(MyPoint(30, 30));
        Triangle.Rotate(MyPoint(30, 30), R.Angle);
        Triangle.SetColorBegin(clRed);
        Triangle.SetColorEnd(clBlue);
        Triangle.SetGradientStyle(TGradientStyle::gsLinearH);
        Triangle.Brush().SetColor(clYellow);
        Triangle.Brush().SetStyle(R.Style);
        TArrPoint Screen;
        for (int I = 0; I < 3; ++I) Screen.push_back(RoundMyPoint(Triangle.GetScreenPoint(I)));
        TImageCanvas C;
        Triangle.PaintPolygon(C.Canvas, Screen, true, 3);
        const TColor P = C.Canvas.Pixels(R.X, R.Y);
        switch (R.Shows) {
        case 'r':
            EXPECT_GT(GetRValue(P), GetBValue(P) + 100);
            break;
        case 'b':
            EXPECT_GT(GetBValue(P), GetRValue(P) + 100);
            break;
        default:
            EXPECT_EQ(P, R.Shows == 'y' ? clYellow : clWhite);
        }
    }
}

TEST(ShapePainting, KeptGradientPicturesFollowEveryChange) {
    TMyDraxa Surface;
    TMyPolygon A(&Surface), B(&Surface);
    for (TMyPolygon* Shape : {&A, &B}) {
        for (const TMyPoint& P : {MyPoint(10, 10), MyPoint(50, 10), MyPoint(50, 50), MyPoint(10, 50)})
            Shape->AddScreenPoint(P);
        Shape->Brush().SetStyle(TBrushStyle::bsClear);
        Shape->SetColorBegin(clRed);
        Shape->SetColorEnd(clRed);
        Shape->SetGradientStyle(TGradientStyle::gsLinearH);
    }
    const TArrPoint Screen{TPoint{10, 10}, TPoint{50, 10}, TPoint{50, 50}, TPoint{10, 50}};
    const auto PaintedAt = [&](TMyPolygon& Shape) {
        TImageCanvas C;
        Shape.PaintPolygon(C.Canvas, Screen, true, 4);
        return C.Canvas.Pixels(30, 30);
    };
    EXPECT_EQ(PaintedAt(A), clRed);
    // A new colour after a paint is not hidden by what that paint kept.
    A.SetColorBegin(clBlue);
    A.SetColorEnd(clBlue);
    EXPECT_EQ(PaintedAt(A), clBlue);
    // The same gradient shares its picture; drawing on one leaves the other.
    A.SetColorBegin(clRed);
    A.SetColorEnd(clRed);
    B.GradientBitmap().Canvas().Brush().SetColor(clLime);
    B.GradientBitmap().Canvas().FillRect(Rect(0, 0, 1000, 1000));
    EXPECT_EQ(PaintedAt(A), clRed);
    EXPECT_EQ(PaintedAt(B), clLime);
    // A painted shape keeps only its stretched copy; the picture drawn on
    // stays for copies at another size, the other is built again alike.
    Surface.SetZoom(2);
    EXPECT_EQ(PaintedAt(B), clLime);
    EXPECT_EQ(PaintedAt(A), clRed);
}

TEST(ShapePainting, GradientPicturesBuiltAgainMatchFreshOnes) {
    TMyDraxa Surface;
    const auto Make = [&] {
        auto Shape = std::make_unique<TMyPolygon>(&Surface);
        for (const TMyPoint& P : {MyPoint(10, 10), MyPoint(50, 10), MyPoint(50, 50), MyPoint(10, 50)})
            Shape->AddScreenPoint(P);
        Shape->Brush().SetStyle(TBrushStyle::bsClear);
        Shape->SetFlipDirect(true, false); // the gradient set next is mirrored
        Shape->SetColorBegin(clRed);
        Shape->SetColorEnd(clBlue);
        Shape->SetGradientStyle(TGradientStyle::gsRadialTL);
        return Shape;
    };
    const TArrPoint Screen{TPoint{10, 10}, TPoint{50, 10}, TPoint{50, 50}, TPoint{10, 50}};
    const auto Painted = [&](TMyPolygon& Shape) {
        TImageCanvas C;
        Shape.PaintPolygon(C.Canvas, Screen, true, 4);
        return C.Image;
    };
    const auto Old = Make(), Fresh = Make();
    const QImage AtOne = Painted(*Old);
    EXPECT_NE(AtOne.pixel(12, 12), AtOne.pixel(48, 12)); // mirrored corners differ
    Surface.SetZoom(3);
    EXPECT_EQ(Painted(*Old), Painted(*Fresh)); // built again, and built for the first time
    Surface.SetZoom(1);
    EXPECT_EQ(Painted(*Fresh), AtOne);
    EXPECT_EQ(Painted(*Old), AtOne);
}

TEST(ShapePainting, OutlinePenTakesJoinAndCapAndIsRestored) {
    TMyDraxa Surface;
    Surface.SetZoom(2);
    TMyRectangle S(&Surface);
    TImageCanvas C;
    S.SetPenStyleJoinType(TPenStyleJoinType::psjtBEVEL);
    S.SetPenStyleEndCapType(TPenStyleEndCapType::psectFLAT);
    S.SelectGeometricPen(C.Canvas, TPenStyle::psDashDot, 3, clGreen);
    EXPECT_EQ(C.Canvas.GeometricPen()->Style, PS_GEOMETRIC | PS_JOIN_BEVEL | PS_ENDCAP_FLAT | PS_DASHDOT);
    EXPECT_EQ(C.Canvas.GeometricPen()->Width, 3); // the screen does not scale outline widths
    // A wide square outline: only a mitred corner reaches the pixel diagonally outside it.
    for (const auto& [Join, CornerFilled] :
         {std::pair{TPenStyleJoinType::psjtMITER, true}, std::pair{TPenStyleJoinType::psjtROUND, false}}) {
        TImageCanvas D;
        S.Pen().SetWidth(10);
        S.SetPenStyleJoinType(Join);
        S.PaintPolygon(D.Canvas, {Point(20, 20), Point(40, 20), Point(40, 40), Point(20, 40)}, false, 4);
        EXPECT_EQ(D.Canvas.Pixels(15, 15) == clBlack, CornerFilled);
        EXPECT_FALSE(D.Canvas.GeometricPen().has_value());
    }
}

TEST(ShapePainting, LinkPointCrossesAndInfoAnchor) {
    for (const auto& [HotShow, ShowLink] : {std::pair{true, true}, {true, false}, {false, true}}) {
        TMyDraxa Surface;
        Surface.SetHotShow(HotShow);
        Surface.SetShowHotLink(ShowLink);
        TProbeBox S(&Surface);
        S.AddLinkPoint(MyPoint(20, 20));
        TImageCanvas C;
        S.DrawLinkPoints(C.Canvas);
        const TColor Cross = HotShow && ShowLink ? clBlue : clWhite;
        C.Expect({{20, 20, Cross}, {18, 18, Cross}, {21, 19, Cross}, {19, 21, Cross}});
    }
    TMyDraxa Surface;
    TMyRectangle Empty(&Surface), Multi(&Surface);
    TMyText Text(&Surface);
    Multi.SetMultiInfo({"a", "b"});
    Text.SetInfo("t");
    for (const auto& [Shape, Drawn] :
         {std::pair<TMyShape*, bool>{&Empty, false}, {&Multi, true}, {&Text, false}}) {
        TImageCanvas C;
        C.Canvas.Brush().SetColor(clRed);
        Shape->DrawInfoAnchor(C.Canvas, MyPoint(20, 20));
        C.Expect({{20, 20, Drawn ? clRed : clWhite}});
    }
}

TEST(ShapePainting, MonochromePrinterPrintsGreyAndScalesOutlines) {
    QTemporaryDir Dir;
    const QString File = Dir.filePath("out.pdf");
    TMyDraxa Surface;
    Surface.SetZoom(2);
    TMyRectangle S(&Surface);
    S.Pen().SetColor(clRed);
    S.Brush().SetColor(RGB(30, 60, 90));
    S.Brush().SetStyle(TBrushStyle::bsClear);
    TPrinter Printer(File);
    Printer.SetMonochrome(true);
    Printer.BeginDoc();
    TCanvas& Canvas = Printer.Canvas();
    S.ApplyPenBrush(Canvas);
    EXPECT_EQ(Canvas.Pen().Color(), RGB(85, 85, 85));
    EXPECT_EQ(Canvas.Brush().Color(), RGB(60, 60, 60));
    EXPECT_EQ(Canvas.Brush().Style(), TBrushStyle::bsClear);
    for (const auto& [Width, Printed] : {std::pair{3, 6}, {0, 1}}) {
        S.SelectGeometricPen(Canvas, TPenStyle::psSolid, Width, clRed);
        EXPECT_EQ(Canvas.GeometricPen()->Width, Printed);
    }
    S.PaintPolygon(Canvas, {Point(100, 100), Point(900, 100), Point(900, 700)}, true, 3);
    Printer.EndDoc();
    EXPECT_GT(QFileInfo(File).size(), 0);
}

TEST(ShapePainting, PreviewPresetDrawnTwiceRestoresThePixels) {
    TImageCanvas C;
    C.Canvas.Brush().SetColor(clTeal);
    C.Canvas.FillRect(Rect(10, 10, 30, 30));
    const QImage Before = C.Image.copy();
    // A geometric pen left over from an outline goes, even when the canvas pen already matches.
    UsePreviewPreset(C.Canvas);
    C.Canvas.SelectGeometricPen(TGeometricPen{PS_GEOMETRIC, 9, clRed});
    UsePreviewPreset(C.Canvas);
    EXPECT_FALSE(C.Canvas.GeometricPen().has_value());
    C.Canvas.Rectangle(5, 5, 40, 40);
    EXPECT_NE(C.Image, Before);
    C.Canvas.Rectangle(5, 5, 40, 40);
    EXPECT_EQ(C.Image, Before);
}

// Regression (found by fuzzing): a document's info anchor at 2.3e20 made
// the layout of the info lines overflow int arithmetic. The anchor is kept
// within the pixel range on load and when the texts are laid out.
TEST(ShapePainting, InfoTextsFarOffTheControlStayInIntegerRange) {
    TStandaloneShapeHost Host;
    TMyRectangle Source(&Host);
    for (const TMyPoint& P : {MyPoint(0, 0), MyPoint(20, 0), MyPoint(20, 20), MyPoint(0, 20)})
        Source.AddScreenPoint(P);
    Source.SetInfoPos(MyPoint(2.3e20f, -2.3e20f));
    TMemoryStream Record;
    Source.SaveToStream(Record);
    Record.SetPosition(0);
    TMyRectangle Loaded(&Host);
    Loaded.LoadFromStream(Record);
    EXPECT_EQ(Loaded.InfoPos(), MyPoint(float(PixelLimit), -float(PixelLimit)));

    // Painting from either anchor lays the lines out without overflowing.
    for (TMyRectangle* S : {&Source, &Loaded}) {
        S->SetMultiInfo({"first line", "second", "third"});
        S->SetMultiInfoAlignment(TAlignment::taRightJustify);
        TImageCanvas Out;
        S->DrawInfo(Out.Canvas);
    }
}
