// TMyRectangle: creation, hot points and cursors, resizing, previews,
// painting and the measurement texts.
#include "foundation/canvas.h"
#include "shapes/canvas_presets.h"
#include "shapes/rectangle.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QImage>

#include <functional>

using namespace draxa;

namespace {

// A finished box with the corners (L, T), (R, T), (R, B), (L, B), turned by Angle about its centre.
TMyRectangle* AddBox(TMyDraxa& Surface, float L, float T, float R, float B, double Angle = 0) {
    const int No = Surface.AddShapeByTool(&Surface, TDrawTool::SpRectangle, "R",
                                          {{L, T}, {R, T}, {R, B}, {L, B}}, Angle, "");
    return dynamic_cast<TMyRectangle*>(Surface.ShapeByNumber(No));
}

void ExpectNear(const TMyPoint& Actual, const TMyPoint& Expected) {
    EXPECT_NEAR(Actual.X, Expected.X, 1e-3);
    EXPECT_NEAR(Actual.Y, Expected.Y, 1e-3);
}

const QRgb White = QColor(Qt::white).rgb();

} // namespace

TEST(Rectangle, TwoClicksCompleteTheCornersAndInLineClicksAreIgnored) {
    TMyDraxa Surface;
    TMyRectangle S(&Surface);
    for (const TPoint& P : {Point(100, 100), Point(100, 160), Point(40, 100)}) S.AddPoint(P);
    EXPECT_FALSE(S.IsCreateFinished(TMouseButton::mbLeft, Point(40, 100)));
    S.AddPoint(Point(40, 160));
    S.AddPoint(Point(0, 0)); // a finished box takes no more points
    EXPECT_TRUE(S.IsCreateFinished(TMouseButton::mbLeft, Point(40, 160)));
    EXPECT_EQ(S.Points(), (TArrMyPoint{{100, 100}, {40, 100}, {40, 160}, {100, 160}}));
}

TEST(Rectangle, SideHotPointsAreDrawnAndHitPerFlagsAndALaterIndexWins) {
    // Flags: ShowSideHot, ShowHorizontalSideHot, ShowVerticalSideHot; Shown: bit per hot point.
    const struct {
        bool Side, Horizontal, Vertical;
        unsigned Shown;
    } Rows[] = {{true, true, true, 0xFF},
                {false, true, true, 0x0F},
                {true, false, true, 0x5F},
                {true, true, false, 0xAF}};
    const TPoint At[8] = {{100, 100}, {200, 100}, {200, 160}, {100, 160},
                          {150, 100}, {200, 130}, {150, 160}, {100, 130}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Shown);
        TMyDraxa Surface;
        TMyRectangle* S = AddBox(Surface, 100, 100, 200, 160);
        S->SetShowSideHot(R.Side);
        S->SetShowHorizontalSideHot(R.Horizontal);
        S->SetShowVerticalSideHot(R.Vertical);
        QImage Image(300, 300, QImage::Format_RGB32);
        Image.fill(White);
        TCanvas Canvas(&Image);
        S->DrawHotPoints(Canvas);
        Canvas.Release();
        for (int I = 0; I < 8; ++I) {
            const bool Shown = (R.Shown >> I) & 1;
            EXPECT_EQ(S->HotPointAt(At[I]), Shown ? I : -1) << "hot point " << I;
            EXPECT_EQ(Image.pixel(At[I].X, At[I].Y) != White, Shown) << "mark " << I;
        }
    }
    // Squares hold their left and top edges only; where they overlap the higher index wins.
    TMyDraxa Surface;
    Surface.SetHotSize(8);
    TMyRectangle* Small = AddBox(Surface, 100, 100, 110, 110);
    EXPECT_EQ(Small->HotPointAt(Point(92, 92)), 0);
    EXPECT_EQ(Small->HotPointAt(Point(117, 117)), 2);
    EXPECT_EQ(Small->HotPointAt(Point(118, 118)), -1);
    EXPECT_EQ(Small->HotPointAt(Point(105, 100)), 7);
    Small->SetShowSideHot(false);
    EXPECT_EQ(Small->HotPointAt(Point(105, 100)), 1);
    EXPECT_EQ(Small->HotIndex(), 1);
}

TEST(Rectangle, SideMiddlesTurnWithTheBoxAndCursorsFollowTheQuadrant) {
    TMyDraxa Surface;
    TMyRectangle* Turned = AddBox(Surface, 100, 100, 200, 160, 0.7);
    const int Ends[4][2] = {{0, 1}, {1, 2}, {3, 2}, {0, 3}};
    for (int I = 0; I < 4; ++I) {
        const TMyPoint A = Turned->GetPoint(Ends[I][0]), B = Turned->GetPoint(Ends[I][1]);
        ExpectNear(Turned->GetPoint(4 + I), MyPoint((A.X + B.X) / 2, (A.Y + B.Y) / 2));
    }

    TMyRectangle* S = AddBox(Surface, 300, 100, 400, 160);
    const struct {
        int X, Y;
        TCursor Cursor;
    } Rows[] = {{300, 100, crSizeNWSE}, {400, 100, crSizeNESW}, {400, 160, crSizeNWSE},
                {300, 160, crSizeNESW}, {350, 100, crSizeNS},   {350, 160, crSizeNS},
                {400, 130, crSizeWE},   {300, 130, crSizeWE},   {350, 130, crCross}};
    for (const auto& R : Rows) EXPECT_EQ(S->GetHotCursor(R.X, R.Y), R.Cursor) << R.X << "," << R.Y;
    // Drawn from the top right: corner 0 is up-right of the centre, and the cursor says so.
    EXPECT_EQ(AddBox(Surface, 200, 200, 100, 260)->GetHotCursor(200, 200), crSizeNESW);
}

TEST(Rectangle, ResizeByHotMovesCornersAndSidesInTheBoxFrame) {
    // Targets and results are in the box's own frame; the box (100, 100, 200,
    // 160) is turned by Angle about its centre, and so are they.
    const struct Row {
        const char* Name;
        double Angle;
        int Hot;
        TMyPoint To;
        TArrMyPoint Expected; // empty: refused, the corners stay
    } Rows[] = {
        {"corner 2", 0, 2, {220, 190}, {{100, 100}, {220, 100}, {220, 190}, {100, 190}}},
        {"corner 0 inward", 0, 0, {120, 110}, {{120, 110}, {200, 110}, {200, 160}, {120, 160}}},
        {"corner 0 past corner 2", 0, 0, {250, 200}, {}},
        {"corner 1 past corner 3 in x only", 0, 1, {90, 120}, {}},
        {"side 5 ignores the vertical", 0, 5, {230, 400}, {{100, 100}, {230, 100}, {230, 160}, {100, 160}}},
        {"side 5 past side 7", 0, 5, {80, 130}, {}},
        {"side 4", 0, 4, {10, 80}, {{100, 80}, {200, 80}, {200, 160}, {100, 160}}},
        {"turned corner 2", 0.5, 2, {220, 190}, {{100, 100}, {220, 100}, {220, 190}, {100, 190}}},
        {"turned side 6", -1.2, 6, {0, 170}, {{100, 100}, {200, 100}, {200, 170}, {100, 170}}},
        {"turned corner 2 past corner 0", 0.5, 2, {90, 150}, {}},
    };
    const TMyPoint C{150, 130};
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMyDraxa Surface;
        TMyRectangle* S = AddBox(Surface, 100, 100, 200, 160, R.Angle);
        const TArrMyPoint Before = S->Points();
        S->SetHotIndex(R.Hot);
        S->ResizeByHot(MyPoint(0, 0), RotateMyPoint(R.To, C, float(R.Angle)));
        if (R.Expected.empty()) {
            EXPECT_EQ(S->Points(), Before);
        }
        for (size_t I = 0; I < R.Expected.size(); ++I)
            ExpectNear(S->GetPoint(int(I)), RotateMyPoint(R.Expected[I], C, float(R.Angle)));
        EXPECT_EQ(S->RotateCenter(), S->GetCorner(4));
    }
}

TEST(Rectangle, PreviewsDrawnTwiceRestoreTheImage) {
    const std::function<void(TMyRectangle&, TCanvas&)> Previews[] = {
        [](TMyRectangle& S, TCanvas& C) { S.DrawCreating(C, Point(10, 20), Point(90, 70)); },
        [](TMyRectangle& S, TCanvas& C) { S.DrawMoving(C, Point(0, 0), Point(13, -7)); },
        [](TMyRectangle& S, TCanvas& C) { S.DrawRotating(C, MyPoint(150, 130), 0.4); },
        [](TMyRectangle& S, TCanvas& C) { S.DrawResizing(C, MyPoint(0, 0), MyPoint(230, 205)); },
    };
    for (const auto& Draw : Previews) {
        TMyDraxa Surface;
        TMyRectangle* S = AddBox(Surface, 100, 100, 200, 160, 0.3);
        S->SetHotIndex(2);
        QImage Image(300, 300, QImage::Format_RGB32);
        Image.fill(QColor(40, 90, 160));
        const QImage Original = Image.copy();
        TCanvas Canvas(&Image);
        UsePreviewPreset(Canvas);
        Draw(*S, Canvas);
        Canvas.Release();
        EXPECT_NE(Image, Original);
        Draw(*S, Canvas);
        Canvas.Release();
        EXPECT_EQ(Image, Original);
    }
}

TEST(Rectangle, PaintFillsTheBoxThatPointInShapeReports) {
    TMyDraxa Surface;
    TMyRectangle* S = AddBox(Surface, 100, 100, 200, 160, 0.785398);
    S->Brush().SetColor(clRed);
    S->Brush().SetStyle(TBrushStyle::bsSolid);
    QImage Image(300, 300, QImage::Format_RGB32);
    Image.fill(White);
    TCanvas Canvas(&Image);
    S->Paint(Canvas);
    Canvas.Release();
    EXPECT_EQ(Image.pixel(150, 130), QColor(Qt::red).rgb());
    EXPECT_TRUE(S->PointInShape(Canvas, Point(150, 130)));
    // Near the corner of the turned box's bounds, outside the box itself.
    const TPoint Out = Point(int(S->GetCorner(0).X) + 2, int(S->GetCorner(0).Y) + 2);
    EXPECT_EQ(Image.pixel(Out.X, Out.Y), White);
    EXPECT_FALSE(S->PointInShape(Canvas, Out));
}

TEST(Rectangle, AreaAndSideLengthTextsInEveryUnit) {
    ASSERT_EQ(ScreenPixelsPerInch(), 96);
    // Area of a box with sides 100 and 50, turned; sides spanned by two points 96 and 192 pixels apart.
    const struct {
        TUnits Unit;
        double Ratio, Zoom;
        const char *Area, *Sides;
    } Rows[] = {
        {TUnits::pixel, 2, 1, "Area= 20000.00pixel(s)2", "m=   192.00 pixel(s)\rn=   384.00pixel(s)"},
        {TUnits::mm, 1, 1, "Area=   350.02mm2", "m=    25.40 mm\rn=    50.80mm"},
        {TUnits::cm, 1, 2, "Area=     3.50cm2", "m=     1.27 cm\rn=     2.54cm"},
        {TUnits::dm, 10, 1, "Area=     3.50dm2", "m=     2.54 dm\rn=     5.08dm"},
        {TUnits::m, 100, 1, "Area=     3.50m2", "m=     2.54 m\rn=     5.08m"},
        {TUnits::inch, 1, 1, "Area=     0.54inch2", "m=     1.00 in\rn=     2.00in"},
    };
    for (const auto& R : Rows) {
        TMyDraxa Surface;
        Surface.SetTheUNIT(R.Unit);
        Surface.SetRatio(R.Ratio);
        TMyRectangle* S = AddBox(Surface, 100, 100, 200, 150, 0.6);
        QString Text;
        S->UpdateMeasureInfo(Text);
        EXPECT_EQ(Text, R.Area);
        EXPECT_EQ(S->Info(), R.Area);
        Surface.SetZoom(R.Zoom);
        EXPECT_EQ(S->GetLengthText(Point(150, 210), Point(54, 18)), R.Sides);
    }
}
