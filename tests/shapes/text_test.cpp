// TMyText: wrapping, placing the lines, outlined glyphs and the border, the
// mirrored Info text, flips and the record tail of older versions.
#include "foundation/canvas.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/text.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QImage>

#include <algorithm>

using namespace draxa;

namespace {

constexpr double Pi = 3.14159265358979323846;
const QRgb White = QColor(Qt::white).rgb();

TMyText* AddText(TMyDraxa& Surface, double Angle = 0, const QString& Info = QString()) {
    const int No = Surface.AddShapeByTool(&Surface, TDrawTool::SpText, "T",
                                          {{20, 20}, {220, 20}, {220, 120}, {20, 120}}, Angle, Info);
    return dynamic_cast<TMyText*>(Surface.ShapeByNumber(No));
}

QImage PaintOnWhite(TMyShape& S) {
    QImage Image(300, 200, QImage::Format_RGB32);
    Image.fill(White);
    TCanvas Canvas(&Image);
    S.Paint(Canvas);
    Canvas.Release();
    return Image;
}

QRect InkBounds(const QImage& Image) {
    QRect R;
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X)
            if (Image.pixel(X, Y) != White) R = R.united(QRect(X, Y, 1, 1));
    return R;
}

int CountOf(const QImage& Image, Qt::GlobalColor Colour) {
    int N = 0;
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X) N += Image.pixel(X, Y) == QColor(Colour).rgb();
    return N;
}

} // namespace

TEST(Text, WordWrapBreaksLinesByCharacters) {
    const struct {
        QStringList Lines;
        int BoxWidth;
        QList<int> Lengths;
    } Rows[] = {{{"ABCDEFGHIJ"}, 35, {3, 3, 3, 1}},
                {{"ABCDEFGH"}, 40, {4, 4}},
                {{"AB", "", "ABCDE"}, 35, {2, 0, 3, 2}},
                {{"ABC"}, 5, {1, 1, 1}}}; // characters wider than the box
    for (const auto& R : Rows) {
        const QStringList Wrapped =
            WrapTextLines(R.Lines, R.BoxWidth, [](const QString& S) { return 10 * int(S.size()); });
        QList<int> Lengths;
        for (const QString& L : Wrapped) Lengths.append(int(L.size()));
        EXPECT_EQ(Lengths, R.Lengths) << R.Lines.join("|").toStdString();
        EXPECT_EQ(Wrapped.join(""), R.Lines.join(""));
    }
}

TEST(Text, LinesArePlacedByTheAlignmentsInTheTurnedBox) {
    // Three lines of height H and width W in the box (20, 20)-(220, 120): the
    // block's top is TopA + TopH x H, its left LeftA + LeftW x W.
    const struct {
        double Angle;
        TVAlignment V;
        TAlignment A;
        double TopA, TopH, LeftA, LeftW;
    } Rows[] = {{0, TVAlignment::vaTop, TAlignment::taLeftJustify, 20, 0, 20, 0},
                {0, TVAlignment::vaMiddle, TAlignment::taCenter, 70, -1.5, 120, -0.5},
                {0, TVAlignment::vaBottom, TAlignment::taRightJustify, 120, -3, 220, -1},
                // Upside down, the text's top-left is the box's bottom-right on screen.
                {Pi, TVAlignment::vaTop, TAlignment::taLeftJustify, 120, -3, 220, -1}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(int(R.V));
        TMyDraxa Surface;
        TMyText* T = AddText(Surface, R.Angle);
        T->Font().SetSize(16);
        T->SetLines({"MMM", "MMM", "MMM"});
        T->SetVAlignment(R.V);
        T->SetHAlignment(R.A);
        QImage Probe(1, 1, QImage::Format_RGB32);
        TCanvas ProbeCanvas(&Probe);
        const TPoint E = T->MeasureText(ProbeCanvas, "MMM", 1, 0, T->Font());
        const QRect Ink = InkBounds(PaintOnWhite(*T));
        const int Top = int(R.TopA + R.TopH * E.Y), Left = int(R.LeftA + R.LeftW * E.X);
        EXPECT_GE(Ink.top(), Top);
        EXPECT_GE(Ink.bottom(), Top + 2 * E.Y) << "the last line lies in its own cell";
        EXPECT_LT(Ink.bottom(), Top + 3 * E.Y);
        EXPECT_NEAR(Ink.left(), Left, 4);
        EXPECT_NEAR(Ink.right(), Left + E.X - 1, 4);
    }
}

TEST(Text, GlyphsSolidOrOutlinedOverAnOptionalBorder) {
    for (const bool Outlined : {false, true}) {
        TMyDraxa Surface;
        TMyText* T = AddText(Surface);
        T->Font().SetSize(40);
        T->Font().SetColor(clBlue);
        T->Pen().SetColor(clRed);
        T->Brush().SetColor(clYellow);
        T->SetLines({"HH"});
        T->SetIsSolid(!Outlined);
        T->SetIsBorder(Outlined);
        const QImage Image = PaintOnWhite(*T).copy(30, 30, 180, 80);
        EXPECT_EQ(Image.pixel(0, 0) == QColor(Qt::yellow).rgb(), Outlined) << "the border's fill";
        EXPECT_EQ(CountOf(Image, Qt::blue) > 20, !Outlined) << "filled glyphs in the font colour";
        EXPECT_EQ(CountOf(Image, Qt::red) > 20, Outlined) << "outlines with the pen";
    }
}

TEST(Text, InfoStandsInForEmptyLinesMirroredInPlaceWhenFlipped) {
    // "F": the longest row of ink is its top bar, the longest column its stem.
    const struct {
        bool Horz, Vert, BarAtTop, StemLeft;
    } Rows[] = {{false, false, true, true}, {true, false, false, true}, {false, true, true, false}};
    for (const auto& R : Rows) {
        TMyDraxa Surface;
        TMyText* T = AddText(Surface, 0, "F");
        T->Font().SetSize(60);
        T->SetFlipDirect(R.Horz, R.Vert);
        const QImage Image = PaintOnWhite(*T);
        const QRect Ink = InkBounds(Image);
        EXPECT_NEAR(Ink.center().x(), 120, 8) << "centred in the box";
        int Row[300] = {}, Col[300] = {};
        for (int Y = 0; Y < 200; ++Y)
            for (int X = 0; X < 300; ++X)
                if (qGray(Image.pixel(X, Y)) < 128) ++Row[Y], ++Col[X];
        EXPECT_EQ(std::max_element(Row, Row + 200) - Row < Ink.center().y(), R.BarAtTop) << R.Horz << R.Vert;
        EXPECT_EQ(std::max_element(Col, Col + 300) - Col < Ink.center().x(), R.StemLeft) << R.Horz << R.Vert;
    }
}

TEST(Text, FlipsKeepCornerZeroTopLeftAndTurnOnlyTurnedBoxes) {
    const struct {
        bool Horz;
        double Angle, AngleAfter;
    } Rows[] = {{true, 0, 0}, {false, 0, 0}, {true, 0.3, 2 * Pi - 0.3}, {false, 0.3, 2 * Pi - 0.3}};
    for (const auto& R : Rows) {
        SCOPED_TRACE(testing::Message() << R.Horz << " " << R.Angle);
        TMyDraxa Surface;
        TMyText* T = AddText(Surface, R.Angle);
        const TArrMyPoint Before = T->Points();
        R.Horz ? T->FlipHorz() : T->FlipVert();
        EXPECT_NEAR(T->Angle(), R.AngleAfter, 1e-5);
        if (R.Angle == 0) {
            EXPECT_EQ(T->Points(), Before) << "the mirrored corners swapped back into order";
        }
        // In the text's own frame corner 0 is still the top-left.
        const TMyPoint P0 = RotateMyPoint(T->GetPoint(0), T->GetRotateCenter(), -T->Angle());
        EXPECT_NEAR(P0.X, 20, 1e-3);
        EXPECT_NEAR(P0.Y, 20, 1e-3);
    }
}

TEST(Text, OlderTailsHoldOnlyTheFlagsAndDamagedTailsFail) {
    TMyDraxa Surface;
    TMyText Plain(&Surface);
    Plain.SetName("T");
    TMemoryStream Newest;
    Plain.SaveToStream(Newest);
    // The common record as "KW.9" and "KW.a" store it: the newest one (without
    // its 9-byte tail) less the 20 bytes of fields added since.
    const QByteArray Old = Newest.ToByteArray().chopped(9 + 20);
    auto Tail = [](bool WithLines, uint8_t VAlign) {
        TMemoryStream M;
        WriteBoolean(M, true);
        WriteBoolean(M, false);
        if (WithLines) {
            WriteInt32(M, 1);
            WriteCountedText(M, "a");
            WriteByte(M, VAlign);
            WriteByte(M, 0);
            WriteBoolean(M, true);
        }
        WriteInt32(M, 0x5EB71E1); // a sentinel the reader must not reach
        return M.ToByteArray();
    };
    for (const char* Tag : {"KW.9", "KW.a"}) {
        const bool HasLines = QByteArray(Tag) == "KW.a";
        Surface.SetFileVersion(Tag);
        TMyText Back(&Surface);
        TMemoryStream M(Old + Tail(HasLines, 2));
        Back.LoadFromStream(M);
        EXPECT_EQ(M.Remaining(), 4) << Tag;
        EXPECT_TRUE(Back.IsBorder() && !Back.IsSolid()) << Tag;
        EXPECT_EQ(Back.Lines(), HasLines ? QStringList{"a"} : QStringList{}) << Tag;
        EXPECT_EQ(Back.VAlignment(), HasLines ? TVAlignment::vaBottom : TVAlignment::vaMiddle) << Tag;
        EXPECT_EQ(Back.WordWrap(), HasLines) << Tag;
    }
    TMyText Damaged(&Surface);
    TMemoryStream Bad(Old + Tail(true, 3));
    EXPECT_THROW(Damaged.LoadFromStream(Bad), EReadError);
    EXPECT_TRUE(Damaged.Lines().isEmpty());
}
