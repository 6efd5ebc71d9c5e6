// Colours, pens, brushes, fonts and bitmaps.
#include "foundation/bitmap.h"
#include "foundation/bmp_codec.h"
#include "foundation/canvas.h"
#include "foundation/graphics.h"
#include "foundation/printer.h"
#include "foundation/streams.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

using namespace draxa;

TEST(Colors, SystemColoursResolveThroughAFixedTable) {
    struct Row {
        const char* Name;
        TColor In, Out;
    };
    const Row Rows[] = {
        {"plain colour passes", 0x00123456, 0x00123456},
        {"button face", clBtnFace, 0x00C8D0D4},
        {"window", clWindow, clWhite},
        {"window text", clWindowText, clBlack},
        {"older top-bit encoding", 0x8000000F, 0x00C8D0D4},
        {"unknown system index", clSystemColor | 200, clBlack},
        {"none", clNone, clWhite},
    };
    for (const Row& R : Rows) EXPECT_EQ(ColorToRGB(R.In), R.Out) << R.Name;
    EXPECT_EQ(ToQRgb(clRed), 0xFFFF0000u);
    EXPECT_EQ(FromQRgb(0xFF0000FFu), clBlue);
}

TEST(GraphicsObjects, ChangesNotifyOnceAndOnlyWhenSomethingChanged) {
    int Changes = 0;
    TPen Pen;
    Pen.OnChange = [&] { ++Changes; };
    Pen.SetColor(clRed);
    Pen.SetColor(clRed);
    Pen.SetWidth(-4); // a negative width is one pixel, which the pen already has
    EXPECT_EQ(Changes, 1);
    TPen Other;
    Other.SetWidth(3);
    Pen.Assign(Other);
    EXPECT_EQ(Changes, 2);
    EXPECT_TRUE(Pen == Other);

    TBrush Brush;
    Brush.SetStyle(TBrushStyle::bsClear);
    Brush.SetColor(clRed);
    EXPECT_EQ(Brush.Style(), TBrushStyle::bsSolid) << "a colour makes a clear brush solid";
}

TEST(GraphicsObjects, BrushPatternIsCopiedNeverShared) {
    TBitmap Pattern(8, 8);
    Pattern.Canvas().SetPixel(0, 0, clRed);
    auto Source = std::make_unique<TBrush>();
    Source->SetBitmap(&Pattern);
    TBrush Copy;
    Copy.Assign(*Source);
    ASSERT_NE(Copy.Bitmap(), nullptr);
    EXPECT_NE(Copy.Bitmap(), Source->Bitmap());
    Source.reset();
    EXPECT_EQ(Copy.Bitmap()->Width(), 8);
    EXPECT_EQ(Copy.Bitmap()->Canvas().Pixels(0, 0), clRed);
    Copy.SetBitmap(nullptr);
    EXPECT_EQ(Copy.Bitmap(), nullptr);
}

TEST(GraphicsObjects, FontSizeAndHeightFollowEachOther) {
    TFont Font;
    EXPECT_EQ(Font.PixelsPerInch(), 96);
    Font.SetSize(12);
    EXPECT_EQ(Font.Height(), -16);
    Font.SetHeight(-32);
    EXPECT_EQ(Font.Size(), 24);
    Font.SetPixelsPerInch(0); // refused: a later size would divide by zero
    EXPECT_EQ(Font.PixelsPerInch(), 96);
    Font.SetStyle(fsBold | fsStrikeOut | 0x80);
    EXPECT_EQ(Font.Style(), fsBold | fsStrikeOut);
}

TEST(GraphicsObjects, MulDivRoundsExactlyAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(MulDiv(7, 3, 2), 10);  // 10.5: the even neighbour
    EXPECT_EQ(MulDiv(9, 1, 2), 4);   // 4.5
    EXPECT_EQ(MulDiv(-9, 1, 2), -4); // -4.5
    EXPECT_EQ(MulDiv(-3, 1, 4), -1); // -0.75
    EXPECT_EQ(MulDiv(3, 1, -4), -1);
    EXPECT_EQ(MulDiv(-3, -1, -4), -1);
    // Products far beyond 2^53 are still exact.
    EXPECT_EQ(MulDiv(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);
    EXPECT_EQ(MulDiv(INT32_MIN, INT32_MIN, INT32_MIN), INT32_MIN);
    EXPECT_EQ(MulDiv(INT32_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
}

TEST(Bitmaps, ResizingKeepsTheOverlapAndFormatsConvert) {
    TBitmap Bmp(3, 3);
    EXPECT_EQ(Bmp.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(Bmp.Image().format(), QImage::Format_BGR888);
    Bmp.Canvas().SetPixel(1, 1, clGreen);
    Bmp.SetSize(5, 2);
    EXPECT_EQ(Bmp.Canvas().Pixels(1, 1), clGreen);
    EXPECT_EQ(Bmp.Canvas().Pixels(4, 0), clWhite);
    EXPECT_EQ(Bmp.ScanLine(2), nullptr);
    EXPECT_EQ(Bmp.ScanLine(-1), nullptr);

    Bmp.SetPixelFormat(TPixelFormat::pf8bit);
    EXPECT_EQ(Bmp.Image().format(), QImage::Format_Indexed8);
    Bmp.Canvas(); // drawing on indexed pixels turns them into 24-bit ones
    EXPECT_EQ(Bmp.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(Bmp.Canvas().Pixels(1, 1), clGreen);

    Bmp.SetSize(0, 4);
    EXPECT_TRUE(Bmp.Empty());
    Bmp.Canvas().Rectangle(0, 0, 2, 2); // an empty bitmap's canvas draws nothing, safely
}

TEST(Bitmaps, TransparentColourIsLeftOutWhenDrawn) {
    TBitmap Sprite(4, 4);
    Sprite.Canvas().Brush().SetColor(clFuchsia);
    Sprite.Canvas().FillRect(TRect{0, 0, 4, 4});
    Sprite.Canvas().SetPixel(1, 1, clBlue);
    EXPECT_EQ(Sprite.TransparentColor(), clFuchsia) << "automatic: the bottom-left pixel";
    Sprite.SetTransparent(true);

    TBitmap Target(4, 4);
    Target.Canvas().Brush().SetColor(clYellow);
    Target.Canvas().FillRect(TRect{0, 0, 4, 4});
    Target.Canvas().Draw(0, 0, Sprite);
    EXPECT_EQ(Target.Canvas().Pixels(0, 0), clYellow);
    EXPECT_EQ(Target.Canvas().Pixels(1, 1), clBlue);

    Sprite.SetTransparentColor(clBlue);
    EXPECT_EQ(Sprite.TransparentMode(), TTransparentMode::tmFixed);
    Target.Canvas().Draw(0, 0, Sprite);
    EXPECT_EQ(Target.Canvas().Pixels(0, 0), clFuchsia);
}

TEST(Bitmaps, StreamRoundTripKeepsPixelsAndBytes) {
    TBitmap Bmp(7, 3);
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 7; ++X) Bmp.Canvas().SetPixel(X, Y, RGB(uint8_t(X * 30), uint8_t(Y * 80), 7));
    TMemoryStream First, Second;
    Bmp.SaveToStream(First);
    Bmp.SaveToStream(Second);
    EXPECT_EQ(First.ToByteArray(), Second.ToByteArray());

    First.SetPosition(0);
    TBitmap Back;
    Back.LoadFromStream(First);
    EXPECT_TRUE(Back.Image() == Bmp.Image());

    // A damaged picture leaves the bitmap as it was.
    TMemoryStream Broken(First.ToByteArray().left(30));
    EXPECT_THROW(Back.LoadFromStream(Broken), EInvalidGraphic);
    EXPECT_EQ(Back.Width(), 7);

    TMemoryStream Nothing;
    TBitmap Empty;
    Empty.SaveToStream(Nothing);
    EXPECT_EQ(Nothing.Size(), 0) << "an empty bitmap writes no picture";
}

TEST(Printing, PrinterCanvasWritesAPdfAndReportsItsColours) {
    const QString Path = QDir::temp().filePath("draxa_printer_test.pdf");
    QFile::remove(Path);
    {
        TPrinter Printer(Path, 300);
        Printer.SetMonochrome(true);
        EXPECT_TRUE(Printer.Canvas().IsPrinter());
        EXPECT_EQ(Printer.Canvas().NumColors(), 2);
        Printer.BeginDoc();
        EXPECT_EQ(Printer.Canvas().PixelsPerInchX(), 300);
        Printer.Canvas().Rectangle(100, 100, 600, 400);
        Printer.Canvas().TextOut(120, 120, "draxa");
        Printer.NewPage();
        Printer.Canvas().Ellipse(100, 100, 600, 400);
        Printer.EndDoc();
    }
    QFile File(Path);
    ASSERT_TRUE(File.open(QIODevice::ReadOnly));
    const QByteArray Pdf = File.readAll();
    EXPECT_TRUE(Pdf.startsWith("%PDF"));
    EXPECT_EQ(Pdf.count("/Type /Page\n") + Pdf.count("/Type /Page\r") + Pdf.count("/Type /Page "), 2);
    File.close();
    QFile::remove(Path);
}
