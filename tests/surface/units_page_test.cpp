// Zoom and page: the page at the current zoom is the size of the control.
#include "surface/draxa.h"

#include <gtest/gtest.h>

using namespace draxa;

TEST(UnitsPage, StandardPagesSizeTheControlAt96PixelsPerInch) {
    TMyDraxa S;
    EXPECT_EQ(S.PageStyle(), TPageStyle::A4);
    EXPECT_EQ(S.PageWidth(), 210u);
    EXPECT_EQ(S.PageHeight(), 297u);
    EXPECT_EQ(S.Width(), 794);
    EXPECT_EQ(S.Height(), 1123);

    S.SetPageOrientation(TPrinterOrientation::poLandscape);
    EXPECT_EQ(S.PageWidth(), 297u);
    EXPECT_EQ(S.PageHeight(), 210u);
    EXPECT_EQ(S.Width(), 1123);
    EXPECT_EQ(S.Height(), 794);
    EXPECT_EQ(S.PageStyleOf(297, 210), TPageStyle::A4);
    EXPECT_EQ(S.PageStyleOf(210, 297), TPageStyle::CustomerPage);

    S.SetPageOrientation(TPrinterOrientation::poPortrait);
    S.SetPageStyle(TPageStyle::A5);
    S.SetZoom(2);
    EXPECT_EQ(S.Width(), 1119);
    EXPECT_EQ(S.Height(), 1587);
    S.SetZoom(2);
    EXPECT_EQ(S.PreviousZoom(), 1.0) << "the same zoom again changes nothing";
    S.SetZoom(0);
    S.SetZoom(-1);
    EXPECT_EQ(S.Zoom(), 2.0) << "a zoom that is not positive is refused";
}

TEST(UnitsPage, CustomSizesLeaveTheControlAlone) {
    TMyDraxa S;
    S.SetPageHeight(64);
    EXPECT_EQ(S.PageStyle(), TPageStyle::CustomerPage);
    const int W = S.Width();
    S.SetPageWidth(100);
    EXPECT_EQ(S.PageStyle(), TPageStyle::CustomerPage);
    EXPECT_EQ(S.Width(), W);
    S.SetPageWidth(148);
    S.SetPageHeight(210);
    EXPECT_EQ(S.PageStyle(), TPageStyle::A5);
}

TEST(UnitsPage, ResizingTheControlRecomputesThePage) {
    TMyDraxa S;
    S.SetBounds(0, 0, 559, 794); // A5 portrait at 96 pixels per inch
    EXPECT_EQ(S.PageWidth(), 148u);
    EXPECT_EQ(S.PageHeight(), 210u);
    EXPECT_EQ(S.PageStyle(), TPageStyle::A5);
    S.SetBounds(0, 0, 400, 300);
    EXPECT_EQ(S.PageStyle(), TPageStyle::CustomerPage);
    EXPECT_EQ(S.Width(), 400);
}

TEST(UnitsPage, PropertySettersKeepTheirRanges) {
    TMyDraxa S;
    S.SetArrowAngle(360);
    S.SetArrowLength(9);
    S.SetRotateConstraintDegree(-5);
    S.SetSnapPixels(20);
    EXPECT_EQ(S.ArrowAngle(), 10);
    EXPECT_EQ(S.ArrowLength(), 30);
    EXPECT_EQ(S.RotateConstraintDegree(), 0);
    EXPECT_EQ(S.SnapPixels(), 4);
    S.SetSnapPixels(19);
    EXPECT_EQ(S.SnapPixels(), 19);
    S.SetColorOfHot(0x123456);
    EXPECT_EQ(HotPointColor(), 0x123456u);
    SetHotPointColor(0x00FF00);
}
