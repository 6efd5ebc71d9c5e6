// Output true to scale: the page picture, SVG and PDF exports and the
// sheets a print is cut into. PDFs are read back with poppler's tools, a
// reader independent of the writer.
#include "surface/draxa.h"
#include "surface/page_layout.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>

using namespace draxa;

namespace {

// User coordinates of a page point given in millimetres (zoom 1).
TMyPoint AtMm(double X, double Y) {
    const double K = ScreenPixelsPerInch() / 25.4;
    return MyPoint(float(X * K), float(Y * K));
}

int AddLineMm(TMyDraxa& S, double X1, double Y1, double X2, double Y2, TDrawTool Tool = TDrawTool::SpLine) {
    return S.AddShapeByTool(&S, Tool, QString(), {AtMm(X1, Y1), AtMm(X2, Y2)}, 0, QString());
}

// A box (rectangle, text...) from its corners, in millimetres.
int AddBoxMm(TMyDraxa& S, TDrawTool Tool, double L, double T, double R, double B, const QString& Info = {}) {
    return S.AddShapeByTool(&S, Tool, QStringLiteral("Box"), {AtMm(L, T), AtMm(R, T), AtMm(R, B), AtMm(L, B)},
                            0, Info);
}

// Runs a poppler tool; empty output when it fails.
QByteArray Poppler(const QString& Tool, const QStringList& Arguments) {
    QProcess P;
    P.start(Tool, Arguments);
    if (!P.waitForFinished(60000) || P.exitStatus() != QProcess::NormalExit || P.exitCode() != 0) return {};
    return P.readAllStandardOutput();
}

// The first page of a PDF as a grey picture at Dpi.
QImage RenderPdf(const QString& Pdf, int Dpi, int Page = 1) {
    const QString Stem = Pdf + QStringLiteral("-page");
    Poppler(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-f"), QString::number(Page),
             QStringLiteral("-l"), QString::number(Page), QStringLiteral("-singlefile"),
             QStringLiteral("-gray"), QStringLiteral("-png"), Pdf, Stem});
    return QImage(Stem + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

bool Dark(const QImage& Grey, int X, int Y) {
    return X >= 0 && Y >= 0 && X < Grey.width() && Y < Grey.height() && qGray(Grey.pixel(X, Y)) < 128;
}

// The longest run of dark pixels along row Y.
int LongestDarkRun(const QImage& Grey, int Y, int* Start = nullptr) {
    int Best = 0, Run = 0;
    for (int X = 0; X < Grey.width(); ++X) {
        Run = Dark(Grey, X, Y) ? Run + 1 : 0;
        if (Run > Best) {
            Best = Run;
            if (Start) *Start = X - Run + 1;
        }
    }
    return Best;
}

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        ASSERT_FALSE(QStandardPathsFind(QStringLiteral("pdftoppm")).isEmpty())
            << "poppler-utils is installed by scripts/deps";
    }
    static QString QStandardPathsFind(const QString& Tool) {
        for (const QString& D : qEnvironmentVariable("PATH").split(QLatin1Char(':')))
            if (QFile::exists(D + QLatin1Char('/') + Tool)) return D;
        return {};
    }
    QString File(const QString& Name) const { return Dir.filePath(Name); }
    QTemporaryDir Dir;
};

} // namespace

TEST_F(OutputTest, PdfIsTrueToScaleWithHeadFootAndBorder) {
    TMyDraxa S;
    S.SetPageStyle(TPageStyle::A4);
    S.SetPageHead(QStringLiteral("Ground plan"));
    S.SetPageFoot(QStringLiteral("Sheet drawn by Ann"));
    S.SetPrintABorder(false);
    ASSERT_GE(AddLineMm(S, 30, 100, 130, 100), 0);
    S.Pen().SetWidth(1);
    const QString Pdf = File(QStringLiteral("plan.pdf"));
    QString Error;
    ASSERT_TRUE(S.ExportPdf(Pdf, &Error)) << Error.toStdString();

    const QString Info = QString::fromLatin1(Poppler(QStringLiteral("pdfinfo"), {Pdf}));
    const QRegularExpressionMatch Size =
        QRegularExpression(QStringLiteral(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)")).match(Info);
    ASSERT_TRUE(Size.hasMatch()) << Info.toStdString();
    EXPECT_NEAR(Size.captured(1).toDouble() * 25.4 / 72, 210, 0.5);
    EXPECT_NEAR(Size.captured(2).toDouble() * 25.4 / 72, 297, 0.5);
    EXPECT_TRUE(Info.contains(QRegularExpression(QStringLiteral(R"(Pages:\s+1\b)")))) << Info.toStdString();

    const QString Text = QString::fromUtf8(Poppler(QStringLiteral("pdftotext"), {Pdf, QStringLiteral("-")}));
    EXPECT_TRUE(Text.contains(QStringLiteral("Ground plan"))) << Text.toStdString();
    EXPECT_TRUE(Text.contains(QStringLiteral("Sheet drawn by Ann"))) << Text.toStdString();

    // Ten pixels per millimetre: the 100 mm line is 1000 pixels long and
    // lies on the sheet where it lies on the page.
    const QImage Page = RenderPdf(Pdf, 254);
    ASSERT_FALSE(Page.isNull());
    EXPECT_EQ(Page.width(), 2100);
    int Row = -1, Start = 0;
    for (int Y = 950; Y < 1050 && Row < 0; ++Y)
        if (LongestDarkRun(Page, Y) > 500) Row = Y;
    ASSERT_GE(Row, 0) << "no line near 100 mm from the top";
    const int Length = LongestDarkRun(Page, Row, &Start);
    EXPECT_NEAR(Length, 1000, 4);
    EXPECT_NEAR(Start, 300, 3);
    EXPECT_NEAR(Row, 1000, 4);

    // The head sits 15 mm from the top, the foot ends 15 mm from the bottom.
    const auto InkRows = [&Page](int From, int To) {
        int First = -1, Last = -1;
        for (int Y = From; Y < To; ++Y)
            for (int X = 0; X < Page.width(); ++X)
                if (Dark(Page, X, Y)) {
                    if (First < 0) First = Y;
                    Last = Y;
                    break;
                }
        return std::make_pair(First, Last);
    };
    const auto Head = InkRows(0, 300);
    EXPECT_GE(Head.first, 150);
    EXPECT_LE(Head.second, 200);
    const auto Foot = InkRows(2700, 2970);
    EXPECT_GE(Foot.first, 2700);
    EXPECT_LE(Foot.second, 2820);

    // A measuring line says on paper what it says on screen.
    const int Rule = AddLineMm(S, 30, 180, 130, 180, TDrawTool::SpRuleLine);
    ASSERT_GE(Rule, 0);
    S.Repaint();
    const QString Said = S.ShapeByNumber(Rule)->Info().trimmed();
    ASSERT_FALSE(Said.isEmpty());
    ASSERT_TRUE(S.ExportPdf(Pdf, &Error)) << Error.toStdString();
    const QString Printed =
        QString::fromUtf8(Poppler(QStringLiteral("pdftotext"), {Pdf, QStringLiteral("-")}));
    EXPECT_TRUE(Printed.contains(Said)) << Said.toStdString() << " in " << Printed.toStdString();

    // The frame lies on the border distances.
    S.SetPrintABorder(true);
    S.SetPrintABordertoLeft(10);
    ASSERT_TRUE(S.ExportPdf(Pdf, &Error)) << Error.toStdString();
    const QImage Framed = RenderPdf(Pdf, 254);
    const int Mid = 1500;
    EXPECT_TRUE(Dark(Framed, 100, Mid) || Dark(Framed, 101, Mid) || Dark(Framed, 99, Mid));
    EXPECT_TRUE(Dark(Framed, 1900, Mid) || Dark(Framed, 1899, Mid) || Dark(Framed, 1901, Mid));
    EXPECT_FALSE(Dark(Framed, 1000, Mid));
    EXPECT_GT(LongestDarkRun(Framed, 199) + LongestDarkRun(Framed, 200) + LongestDarkRun(Framed, 201), 1700);
}

TEST_F(OutputTest, LargeDrawingsAreCutIntoSheetsInRows) {
    const QSizeF A4(210, 297);
    const TPageLayout One = LayOutPages(A4, 20, 20, 20, 20, QRectF(0, 0, 210, 297), 100);
    EXPECT_EQ(One.Tiles.size(), 1u) << "a drawing that fills its page takes one sheet";
    EXPECT_EQ(One.Printable, QRectF(20, 20, 170, 257)) << "the frame";
    const TPageLayout Empty = LayOutPages(A4, 20, 20, 20, 20, std::nullopt, 100);
    EXPECT_EQ(Empty.Tiles.size(), 1u) << "an empty drawing prints its head and foot on one sheet";
    const TPageLayout Wide = LayOutPages(A4, 20, 20, 20, 20, QRectF(10, 10, 500, 300), 100);
    ASSERT_EQ(Wide.Tiles.size(), 6u);
    EXPECT_EQ(Wide.Tiles[1].topLeft(), QPointF(210, 0)) << "rows first, each from the left";
    EXPECT_EQ(Wide.Tiles[3].topLeft(), QPointF(0, 297));
    const TPageLayout Left = LayOutPages(A4, 20, 20, 20, 20, QRectF(-50, 0, 100, 10), 100);
    EXPECT_EQ(Left.Tiles.size(), 2u) << "shapes left of the page get a sheet of their own";
    const TPageLayout Far = LayOutPages(A4, 20, 20, 20, 20, QRectF(0, 0, 1e9, 1e9), 100);
    EXPECT_TRUE(Far.Tiles.empty());
    EXPECT_GT(Far.Needed, 100);
    const TPageLayout NoRoom = LayOutPages(QSizeF(30, 30), 200, 200, 200, 200, QRectF(0, 0, 1, 1), 100);
    ASSERT_EQ(NoRoom.Tiles.size(), 1u);
    EXPECT_GT(NoRoom.Printable.width(), 0) << "border distances larger than the paper still leave a frame";

    TMyDraxa S;
    S.SetPageStyle(TPageStyle::A4);
    AddLineMm(S, 10, 10, 400, 10);
    AddLineMm(S, 10, 10, 10, 300);
    EXPECT_EQ(S.PrintSheetCount(A4), 4);
    const QString Pdf = File(QStringLiteral("large.pdf"));
    QString Error;
    ASSERT_TRUE(S.ExportPdf(Pdf, &Error)) << Error.toStdString();
    const QString Info = QString::fromLatin1(Poppler(QStringLiteral("pdfinfo"), {Pdf}));
    EXPECT_TRUE(Info.contains(QRegularExpression(QStringLiteral(R"(Pages:\s+4\b)")))) << Info.toStdString();

    // A shape far out is refused with a message, and the file is not made.
    AddLineMm(S, 0, 0, 1e6, 1e6);
    EXPECT_EQ(S.PrintSheetCount(A4), 0);
    const QString Refused = File(QStringLiteral("refused.pdf"));
    EXPECT_FALSE(S.ExportPdf(Refused, &Error));
    EXPECT_TRUE(Error.contains(QStringLiteral("sheets"))) << Error.toStdString();
    EXPECT_FALSE(QFile::exists(Refused));
}

TEST_F(OutputTest, SvgHoldsVectorShapesThatMatchThePicture) {
    TMyDraxa S;
    S.SetPageStyle(TPageStyle::CustomerPage);
    S.SetPageWidth(100);
    S.SetPageHeight(70);
    S.Brush().SetColor(0x00FFFF);
    AddBoxMm(S, TDrawTool::SpRectangle, 10, 10, 40, 30);
    AddLineMm(S, 5, 50, 90, 60);
    ASSERT_GE(AddBoxMm(S, TDrawTool::SpText, 50, 10, 95, 25, QStringLiteral("Hello")), 0);
    const QString Svg = File(QStringLiteral("page.svg"));
    QString Error;
    ASSERT_TRUE(S.ExportSvg(Svg, &Error)) << Error.toStdString();

    QFile F(Svg);
    ASSERT_TRUE(F.open(QIODevice::ReadOnly));
    QXmlStreamReader Reader(&F);
    int Vectors = 0, Texts = 0, Images = 0;
    QString Width;
    while (!Reader.atEnd()) {
        if (Reader.readNext() != QXmlStreamReader::StartElement) continue;
        const QStringView Name = Reader.name();
        if (Name == QLatin1String("svg"))
            Width = Reader.attributes().value(QStringLiteral("width")).toString();
        if (Name == QLatin1String("path") || Name == QLatin1String("polyline") ||
            Name == QLatin1String("rect") || Name == QLatin1String("polygon") ||
            Name == QLatin1String("line"))
            ++Vectors;
        if (Name == QLatin1String("text")) ++Texts;
        if (Name == QLatin1String("image")) ++Images;
    }
    ASSERT_FALSE(Reader.hasError()) << Reader.errorString().toStdString();
    ASSERT_TRUE(Width.endsWith(QStringLiteral("mm"))) << "the page's size in millimetres";
    EXPECT_NEAR(Width.chopped(2).toDouble(), 100, 0.1);
    EXPECT_GE(Vectors, 2);
    EXPECT_GE(Texts, 1);
    EXPECT_EQ(Images, 0) << "shapes without pictures or gradients are vectors";

    // Drawn back, the SVG shows what the picture of the page shows: every
    // dark pixel of either has a dark neighbour in the other.
    const QImage Picture = S.PageImage(96, false, &Error).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_FALSE(Picture.isNull()) << Error.toStdString();
    QImage Drawn(Picture.size(), QImage::Format_ARGB32_Premultiplied);
    Drawn.fill(Qt::white);
    {
        QSvgRenderer Renderer(Svg);
        ASSERT_TRUE(Renderer.isValid());
        QPainter P(&Drawn);
        Renderer.render(&P, QRectF(0, 0, Drawn.width(), Drawn.height()));
    }
    Drawn = Drawn.convertToFormat(QImage::Format_Grayscale8);
    const auto Near = [](const QImage& G, int X, int Y) {
        for (int DY = -1; DY <= 1; ++DY)
            for (int DX = -1; DX <= 1; ++DX)
                if (X + DX >= 0 && Y + DY >= 0 && X + DX < G.width() && Y + DY < G.height() &&
                    qGray(G.pixel(X + DX, Y + DY)) < 200)
                    return true;
        return false;
    };
    int Missing = 0, Extra = 0, Inked = 0;
    for (int Y = 0; Y < Picture.height(); ++Y)
        for (int X = 0; X < Picture.width(); ++X) {
            if (qGray(Picture.pixel(X, Y)) < 100) {
                ++Inked;
                if (!Near(Drawn, X, Y)) ++Missing;
            }
            if (qGray(Drawn.pixel(X, Y)) < 100 && !Near(Picture, X, Y)) ++Extra;
        }
    EXPECT_GT(Inked, 300);
    EXPECT_LE(Missing, Inked / 50);
    EXPECT_LE(Extra, Inked / 50);
}

TEST_F(OutputTest, PagePictureLeavesOutMarksAndShowsTheBackgroundOnlyWhenAsked) {
    TMyDraxa S;
    S.SetPageStyle(TPageStyle::A5);
    const int Id = AddBoxMm(S, TDrawTool::SpRectangle, 10, 10, 40, 30);
    ASSERT_GE(Id, 0);
    S.SelectAll();
    S.GridOperation().GridShow = true;
    S.GridOperation().GridColor = 0x00FF00;
    S.SetColorOfBackGround(0x0000FF);

    QString Error;
    const QImage At96 = S.PageImage(96, false, &Error);
    ASSERT_FALSE(At96.isNull()) << Error.toStdString();
    const QImage At300 = S.PageImage(300, false, &Error);
    EXPECT_EQ(At300.width(), std::lround(148 * 300 / 25.4));
    EXPECT_EQ(At300.height(), std::lround(210 * 300 / 25.4));
    const auto Count = [](const QImage& I, QRgb C) {
        int N = 0;
        for (int Y = 0; Y < I.height(); ++Y)
            for (int X = 0; X < I.width(); ++X) N += (I.pixel(X, Y) & 0xFFFFFF) == (C & 0xFFFFFF);
        return N;
    };
    EXPECT_EQ(Count(At96, qRgb(0, 255, 0)), 0) << "no grid";
    EXPECT_EQ(Count(At96, qRgb(128, 128, 128)), 0) << "no hot points of the selection";
    EXPECT_EQ(At96.pixel(2, 2) & 0xFFFFFF, 0xFFFFFFu) << "no background unless printed";
    // A pen of one pixel on screen is as wide on paper: 300 / 96 dots.
    int Across = 0;
    const int Y = std::lround(20 * 300 / 25.4), X0 = std::lround(10 * 300 / 25.4);
    for (int X = X0 - 6; X < X0 + 6; ++X) Across += qGray(At300.pixel(X, Y)) < 128;
    EXPECT_GE(Across, 3);
    EXPECT_LE(Across, 4);

    S.SetPrintBackground(true);
    EXPECT_EQ(S.PageImage(96, false).pixel(2, 2) & 0xFFFFFF, 0xFF0000u);
    S.SetPrintBackground(false);
    EXPECT_EQ(qAlpha(S.PageImage(96, true).pixel(2, 2)), 0) << "transparent where nothing is drawn";

    // The surface is as it was: zoom, marks and the measure of its shapes.
    EXPECT_EQ(S.Zoom(), 1.0);
    EXPECT_TRUE(S.HotShow());

    const QString Png = File(QStringLiteral("page.png"));
    ASSERT_TRUE(S.ExportImage(Png, 150, false, &Error)) << Error.toStdString();
    EXPECT_EQ(QImage(Png).width(), std::lround(148 * 150 / 25.4));
}

TEST_F(OutputTest, FailuresSayWhyAndLeaveFilesAlone) {
    TMyDraxa S;
    AddLineMm(S, 10, 10, 50, 50);
    QString Error;
    const QString Kept = File(QStringLiteral("kept.png"));
    QFile Old(Kept);
    ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
    Old.write("old content");
    Old.close();
    EXPECT_FALSE(S.ExportImage(Kept, 20000, false, &Error));
    EXPECT_TRUE(Error.contains(QStringLiteral("resolution"))) << Error.toStdString();
    S.SetPageStyle(TPageStyle::A0);
    EXPECT_FALSE(S.ExportImage(Kept, 4800, false, &Error));
    EXPECT_TRUE(Error.contains(QStringLiteral("too large"))) << Error.toStdString();
    QFile Again(Kept);
    ASSERT_TRUE(Again.open(QIODevice::ReadOnly));
    EXPECT_EQ(Again.readAll(), QByteArray("old content"));

    EXPECT_FALSE(S.ExportImage(File(QStringLiteral("page.nosuchformat")), 96, false, &Error));
    EXPECT_TRUE(Error.contains(QStringLiteral("nosuchformat"))) << Error.toStdString();
    const QString NoFolder = File(QStringLiteral("missing/folder/page"));
    for (const QString& Suffix : {QStringLiteral(".png"), QStringLiteral(".svg"), QStringLiteral(".pdf")}) {
        Error.clear();
        const bool Done = Suffix == QStringLiteral(".png")
                              ? S.ExportImage(NoFolder + Suffix, 96, false, &Error)
                          : Suffix == QStringLiteral(".svg") ? S.ExportSvg(NoFolder + Suffix, &Error)
                                                             : S.ExportPdf(NoFolder + Suffix, &Error);
        EXPECT_FALSE(Done) << Suffix.toStdString();
        EXPECT_TRUE(Error.startsWith(QStringLiteral("Cannot write"))) << Error.toStdString();
    }
}
