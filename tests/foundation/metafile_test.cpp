// Metafiles drawn by the helper process, and the sanitiser and drawing code
// it runs: sizes taken from the frame, texts that try to name files, fonts,
// pictures too complex to draw, what the helper hands back, and its
// messages.
#include "foundation/metafile_reader.h"
#include "foundation/metafile_svg.h"
#include "foundation/picture_files.h"
#include "foundation/picture_loader.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace draxa;
using namespace draxa::test;

namespace {

// Pixels that are clearly Colour (each channel within 60).
int CountNear(const TBitmap& B, QRgb Colour) {
    int Count = 0;
    for (int Y = 0; Y < B.Height(); ++Y)
        for (int X = 0; X < B.Width(); ++X) {
            const QRgb P = B.Image().pixel(X, Y);
            Count += std::abs(qRed(P) - qRed(Colour)) < 60 && std::abs(qGreen(P) - qGreen(Colour)) < 60 &&
                     std::abs(qBlue(P) - qBlue(Colour)) < 60;
        }
    return Count;
}

std::string What(const std::exception& E) {
    return E.what();
}

class MetafileTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;
};

TEST_F(MetafileTest, AnEmfIsItsFrameAt96PixelsPerInch) {
    const TEmfDevice Screen;
    const struct {
        const char* Name;
        QRect Bounds, Frame; // device pixels, 0.01 mm
        TEmfDevice Device;
        int Width, Height; // expected; 0: refused as having no size
    } Cases[] = {
        {"A4 landscape recorded at 1200 dpi", QRect(QPoint(0, 0), QPoint(14030, 9920)),
         QRect(QPoint(0, 0), QPoint(29700, 21000)), Printer1200Dpi, 1123, 794},
        {"three inches at 1200 dpi", QRect(QPoint(0, 0), QPoint(3599, 3599)),
         QRect(QPoint(0, 0), QPoint(7620, 7620)), Printer1200Dpi, 288, 288},
        {"empty bounds, valid frame", QRect(QPoint(0, 0), QPoint(-1, -1)),
         QRect(QPoint(0, 0), QPoint(2646, 1323)), Screen, 100, 50},
        {"frame away from the origin", QRect(QPoint(100, 50), QPoint(199, 99)),
         QRect(QPoint(2646, 1323), QPoint(5292, 2646)), Screen, 100, 50},
        {"no frame: the bounds", QRect(QPoint(0, 0), QPoint(99, 49)), QRect(), Screen, 100, 50},
        {"neither", QRect(QPoint(0, 0), QPoint(-1, -1)), QRect(), Screen, 0, 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        // A box over the middle third of the picture, in device pixels.
        const QRectF Area = C.Frame.isValid()
                                ? QRectF(C.Frame.left() * C.Device.Width / (C.Device.WidthMm * 100.0),
                                         C.Frame.top() * C.Device.Height / (C.Device.HeightMm * 100.0),
                                         C.Frame.width() * C.Device.Width / (C.Device.WidthMm * 100.0),
                                         C.Frame.height() * C.Device.Height / (C.Device.HeightMm * 100.0))
                                : QRectF(C.Bounds);
        const QRect Box = QRectF(Area.left() + Area.width() / 3, Area.top() + Area.height() / 3,
                                 Area.width() / 3, Area.height() / 3)
                              .toRect();
        const QString Path =
            Write(Dir, "picture.emf", Emf(C.Bounds, C.Frame, C.Device, EmfFilledBox(Box, qRgb(0, 160, 0))));
        if (C.Width == 0) {
            try {
                LoadPictureAsBitmap(Path);
                ADD_FAILURE() << "no error";
            } catch (const EInvalidGraphic& E) {
                EXPECT_NE(What(E).find("has no size"), std::string::npos) << E.what();
            }
            continue;
        }
        const auto B = LoadPictureAsBitmap(Path);
        ASSERT_EQ(B->Width(), C.Width);
        ASSERT_EQ(B->Height(), C.Height);
        // The drawing is mapped onto the frame: the box is in the middle.
        EXPECT_EQ(Rgb(*B, C.Width / 2, C.Height / 2), qRgb(0, 160, 0) & 0xFFFFFF);
        EXPECT_EQ(Rgb(*B, 2, 2), 0xFFFFFFu);
        EXPECT_EQ(Rgb(*B, C.Width - 3, C.Height - 3), 0xFFFFFFu);
    }
}

// A metafile text that leaves the converter's text section and adds an
// image of a file: neither the file's pixels appear nor does a pipe or the
// standard input hold the load up.
TEST_F(MetafileTest, TextsThatNameFilesReadNothing) {
    const QRgb Red = qRgb(255, 0, 0);
    const QByteArray SecretPng = EncodedImage(FilledImage(8, 8, Red), "PNG");
    const QString Secret = Write(Dir, "secret.png", SecretPng);
    const QString Fifo = Dir.filePath("pipe.png");
    ASSERT_EQ(mkfifo(QFile::encodeName(Fifo).constData(), 0600), 0);
    // An inline SVG that would itself load the file.
    const QByteArray NestedSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                                 "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"8\" height=\"8\">"
                                 "<image width=\"8\" height=\"8\" xlink:href=\"" +
                                 Secret.toUtf8() + "\"/></svg>";
    const struct {
        const char* Name;
        QString Target;
    } Cases[] = {
        {"absolute path", Secret},
        {"relative path", QStringLiteral("secret.png")},
        {"file URL", QStringLiteral("file://") + Secret},
        {"standard input", QStringLiteral("/dev/stdin")},
        {"named pipe", Fifo},
        {"inline SVG naming the file", QStringLiteral("data:image/svg+xml;base64,") + NestedSvg.toBase64()},
        {"inline SVG behind a PNG type", QStringLiteral("data:image/png;base64,") + NestedSvg.toBase64()},
    };
    // Relative names would be looked up from the loading program's folder.
    const QString Was = QDir::currentPath();
    QDir::setCurrent(Dir.path());
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const QString Breakout =
            QStringLiteral("a]]></text><image x=\"0\" y=\"0\" width=\"100\" height=\"50\" "
                           "xlink:href=\"%1\"/><text><![CDATA[b")
                .arg(C.Target);
        const QByteArray Bytes = Emf(QRect(0, 0, 100, 50), QRect(QPoint(0, 0), QPoint(2646, 1323)),
                                     TEmfDevice(), {EmfText(Breakout, 5, 30)});
        std::unique_ptr<TBitmap> B;
        try {
            B = LoadPictureAsBitmap(Write(Dir, "text.emf", Bytes));
        } catch (const EInvalidGraphic& E) {
            ADD_FAILURE() << E.what();
            continue;
        }
        ASSERT_EQ(B->Width(), 100);
        EXPECT_EQ(CountNear(*B, Red), 0);
    }
    QDir::setCurrent(Was);
}

TEST_F(MetafileTest, TextsInSeveralStandardFontsConvert) {
    std::vector<QByteArray> Records;
    const char* Faces[] = {"Arial", "Symbol", "Wingdings", "Times New Roman", "Courier New"};
    int Y = 20;
    for (int I = 0; I < 5; ++I, Y += 30)
        for (const QByteArray& R : WmfFontText(Faces[I], I, 20, "Abcd", 10, Y)) Records.push_back(R);
    const auto B = LoadPictureAsBitmap(Write(Dir, "fonts.wmf", PlaceableWmf(300, 170, 96, 5, Records)));
    ASSERT_EQ(B->Width(), 300);
    ASSERT_EQ(B->Height(), 170);
    // Every line of text left ink.
    for (int Line = 0; Line < 5; ++Line) {
        int Ink = 0;
        for (int Row = 5 + 30 * Line; Row < 30 + 30 * Line; ++Row)
            for (int X = 0; X < 120; ++X) Ink += qGray(B->Image().pixel(X, Row)) < 128;
        EXPECT_GT(Ink, 20) << Faces[Line];
    }
}

TEST_F(MetafileTest, APictureTooComplexToDrawFailsWithinTheTimeLimit) {
    const QByteArray Wmf = HugePolygonWmf();
    EXPECT_GT(Wmf.size(), 64000);
    TMetafileRequest Request;
    Request.TimeoutMs = 3000;
    try {
        ReadMetafile(Write(Dir, "polygon.wmf", Wmf), "wmf", Request);
        ADD_FAILURE() << "drawn";
    } catch (const EInvalidGraphic& E) {
        EXPECT_NE(What(E).find("too complex"), std::string::npos) << E.what();
    }
}

TEST_F(MetafileTest, ALoadIsCancelledThroughItsFlag) {
    // The helper is stopped while it draws: the load ends as cancelled, not
    // with the helper's own verdict on the picture.
    const QString Path = Write(Dir, "polygon.wmf", HugePolygonWmf());
    std::atomic<bool> Cancel{false};
    std::thread Canceller([&Cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Cancel = true;
    });
    TPictureLoadOptions Options;
    Options.Cancel = &Cancel;
    EXPECT_THROW(LoadPictureAsBitmap(Path, Options), EPictureLoadCancelled);
    Canceller.join();
}

TEST(MetafileHelperMessages, OnlyTheEndOfStandardErrorIsKeptAndOnlyPrintably) {
    const struct {
        const char* Script;
        const char* Says;
        const char* Not; // nullptr: nothing in particular
    } Cases[] = {
        {"printf 'bad \\033[31mrecord\\033[0m at 12\\a\\r\\n' >&2; exit 1", "bad record at 12", "\x1b"},
        {"printf 'one\\000two\\001three\\n' >&2; exit 1", "onetwothree", nullptr},
        {"head -c 300000 /dev/zero | tr '\\0' x >&2; echo >&2; echo the reason >&2; exit 1", "the reason",
         nullptr},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Script);
        try {
            RunConverter("/bin/sh", {"-c", C.Script});
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& E) {
            EXPECT_NE(What(E).find(C.Says), std::string::npos) << E.what();
            if (C.Not) {
                EXPECT_EQ(What(E).find(C.Not), std::string::npos) << E.what();
            }
            EXPECT_LE(What(E).size(), 300u);
        }
    }

    // A flood on standard error costs no memory: 128 MiB pass through.
    rusage Before{}, After{};
    getrusage(RUSAGE_SELF, &Before);
    EXPECT_THROW(RunConverter("/bin/sh", {"-c", "head -c 134217728 /dev/zero >&2; exit 1"}), EInvalidGraphic);
    getrusage(RUSAGE_SELF, &After);
    EXPECT_LT(After.ru_maxrss - Before.ru_maxrss, 32 * 1024) << "kilobytes more at the peak";
}

// ---- the sanitiser and the drawing limits, in this process ----

QByteArray Document(const QByteArray& Content) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
           "width=\"20\" height=\"10\">" +
           Content + "</svg>";
}

TEST(SvgSanitiser, KeepsTheDrawingAndDropsEveryLinkOutside) {
    const QByteArray Png = EncodedImage(FilledImage(2, 2, qRgb(1, 2, 3)), "PNG").toBase64();
    const struct {
        const char* Name;
        QByteArray Content;
        const char* Kept;    // must be in the output; nullptr: nothing in particular
        const char* Dropped; // must not be
    } Cases[] = {
        {"image of a file", "<image width=\"5\" height=\"5\" xlink:href=\"/etc/hostname\"/>", nullptr,
         "hostname"},
        {"image with a plain href", "<image width=\"5\" height=\"5\" href=\"file:///etc/hostname\"/>",
         nullptr, "hostname"},
        {"inline PNG", "<image width=\"5\" height=\"5\" xlink:href=\"data:image/png;base64," + Png + "\"/>",
         "data:image/png;base64,", nullptr},
        {"inline text claiming to be PNG",
         "<image width=\"5\" height=\"5\" xlink:href=\"data:image/png;base64," +
             QByteArray("<svg/>").toBase64() + "\"/>",
         nullptr, "<image"},
        {"use of this document", "<rect id=\"r\" width=\"1\" height=\"1\"/><use xlink:href=\"#r\"/>",
         "xlink:href=\"#r\"", nullptr},
        {"use of another document", "<use xlink:href=\"other.svg#r\"/>", nullptr, "other.svg"},
        {"local paint", "<rect width=\"1\" height=\"1\" fill=\"url(#g)\"/>", "url(#g)", nullptr},
        {"paint from elsewhere", "<rect width=\"1\" height=\"1\" fill=\"url(paint.svg#g)\"/>", "<rect",
         "paint.svg"},
        {"quoted local paint", "<rect width=\"1\" height=\"1\" fill=\"url( '#g' )\"/>", "url( '#g' )",
         nullptr},
        {"unclosed local paint hiding another",
         "<rect width=\"1\" height=\"1\" fill=\"url(#g\n:url(x.svg\"/>", "<rect", "x.svg"},
        {"style loading a file", "<rect width=\"1\" height=\"1\" style=\"fill:url('x.svg#a')\"/>", "<rect",
         "x.svg"},
        {"style with an escape", "<rect width=\"1\" height=\"1\" style=\"fill:u\\72l(x.svg)\"/>", "<rect",
         "72l"},
        {"style element importing", "<style>@import url(a.css); rect{fill:red}</style>", "<style", "a.css"},
        {"script", "<script>alert(1)</script>", nullptr, "alert"},
        {"foreign object", "<foreignObject><p>x</p></foreignObject>", nullptr, "<p"},
        {"font from elsewhere",
         "<font-face><font-face-src><font-face-uri xlink:href=\"f.svg\"/></font-face-src>"
         "</font-face>",
         nullptr, "f.svg"},
        {"editor's own vocabulary", "<x:thing xmlns:x=\"urn:x\" href=\"/etc/hostname\"/>", nullptr,
         "hostname"},
        {"look-alike link attribute", "<image width=\"5\" height=\"5\" xlink\x95href=\"/etc/hostname\"/>",
         nullptr, "hostname"},
        {"base for relative names", "<g xml:base=\"/etc/\"><rect width=\"1\" height=\"1\"/></g>", "<rect",
         "xml:base"},
        {"text escaped, never CDATA", "<text x=\"1\" y=\"9\"><![CDATA[a]]]]><![CDATA[>b <c>]]></text>",
         "a]]&gt;b &lt;c&gt;", "CDATA"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        QByteArray Out;
        TSvgStats Stats;
        QString Error;
        ASSERT_TRUE(SanitiseSvg(Document(C.Content), TSvgFrame(), TSvgLimits(), Out, Stats, Error))
            << Error.toStdString();
        if (C.Kept) {
            EXPECT_TRUE(Out.contains(C.Kept)) << Out.constData();
        }
        if (C.Dropped) {
            EXPECT_FALSE(Out.contains(C.Dropped)) << Out.constData();
        }
    }

    // Entities a document declares are expanded as text; one that holds
    // markup is refused with the document, never followed.
    QByteArray Out;
    TSvgStats Stats;
    QString Error;
    ASSERT_TRUE(SanitiseSvg("<!DOCTYPE svg [<!ENTITY e \"hello\">]>" + Document("<text>&e;</text>"),
                            TSvgFrame(), TSvgLimits(), Out, Stats, Error))
        << Error.toStdString();
    EXPECT_TRUE(Out.contains("<text>hello</text>")) << Out.constData();
    EXPECT_FALSE(Out.contains("DOCTYPE"));
    const bool Sanitised =
        SanitiseSvg("<!DOCTYPE svg [<!ENTITY e \"<image xlink:href='/etc/hostname'/>\">]>" + Document("&e;"),
                    TSvgFrame(), TSvgLimits(), Out, Stats, Error);
    EXPECT_TRUE(!Sanitised || !Out.contains("hostname")) << Out.constData();
}

TEST(SvgSanitiser, ConverterQuirksStillRender) {
    const QByteArray Quirky =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
        "<!DOCTYPE svg [ <!ENTITY x \"y\"> ]>\n"
        "<svg:svg xmlns:svg=\"http://www.w3.org/2000/svg\" width=\"20\" height=\"10\">"
        "<svg:rect x=\"0\" y=\"0\" width=\"20\" height=\"10\" fill=\"#0000ff\"/>"
        "<svg:text x=\"1\" y=\"9\" font-size=\"2\">caf\xe9\x01 \xe2\x82\xac</svg:text></svg:svg>";
    QByteArray Clean;
    TSvgStats Stats;
    QString Error;
    ASSERT_TRUE(SanitiseSvg(Quirky, TSvgFrame(), TSvgLimits(), Clean, Stats, Error)) << Error.toStdString();
    EXPECT_TRUE(Clean.contains("caf\xc3\xa9 \xe2\x82\xac"))
        << Clean.constData(); // Windows-1252 é, UTF-8 € kept
    EXPECT_FALSE(Clean.contains('\x01'));
    QImage Picture;
    ASSERT_TRUE(DrawSvgPicture(Quirky, TSvgFrame(), TSvgLimits(), Picture, Error)) << Error.toStdString();
    ASSERT_EQ(Picture.size(), QSize(20, 10));
    EXPECT_EQ(Picture.format(), QImage::Format_BGR888);
    EXPECT_EQ(Picture.pixel(18, 2) & 0xFFFFFF, 0x0000FFu);

    // A document without a namespace, as libwmf writes it; a frame that asks
    // for its own view box and size.
    ASSERT_TRUE(DrawSvgPicture("<svg width=\"3\" height=\"4\"/>", TSvgFrame(), TSvgLimits(), Picture, Error));
    EXPECT_EQ(Picture.size(), QSize(3, 4));
    ASSERT_TRUE(DrawSvgPicture(Document("<rect x=\"10\" width=\"10\" height=\"10\" fill=\"#00ff00\"/>"),
                               TSvgFrame{QRectF(10, 0, 10, 10), QSize(40, 30)}, TSvgLimits(), Picture,
                               Error));
    EXPECT_EQ(Picture.size(), QSize(40, 30));
    EXPECT_EQ(Picture.pixel(2, 2) & 0xFFFFFF, 0x00FF00u);
}

TEST(SvgDrawing, LimitsStopAPictureBeforeItIsDrawn) {
    TSvgLimits Small;
    Small.MaxElements = 10;
    Small.MaxPathPoints = 100;
    Small.MaxTextChars = 50;
    Small.MaxSide = 64;
    Small.MaxPixels = 1000;
    Small.MaxDepth = 5;
    QByteArray ManyElements, LongPath = "<path d=\"M 0 0", LongText = "<text>";
    for (int I = 0; I < 11; ++I) ManyElements += "<rect width=\"1\" height=\"1\"/>";
    for (int I = 0; I < 101; ++I) LongPath += " L " + QByteArray::number(I % 20) + " 5";
    LongPath += "\"/>";
    LongText += QByteArray(51, 'x') + "</text>";
    QByteArray Deep;
    for (int I = 0; I < 8; ++I) Deep += "<g>";
    Deep += "<rect width=\"20\" height=\"10\" fill=\"#ff0000\"/>";
    for (int I = 0; I < 8; ++I) Deep += "</g>";
    const struct {
        const char* Name;
        QByteArray Svg;
        const char* Says; // nullptr: drawn
    } Cases[] = {
        {"within the limits", Document("<rect width=\"20\" height=\"10\"/>"), nullptr},
        {"too many elements", Document(ManyElements), "more than 10 elements"},
        {"too many path points", Document(LongPath), "more than 100 path points"},
        {"too much text", Document(LongText), "more than 50 characters"},
        {"too wide", "<svg width=\"65\" height=\"1\"/>", "65 x 1 pixels"},
        {"too many pixels", "<svg width=\"40\" height=\"40\"/>", "40 x 40 pixels"},
        {"no size", "<svg/>", "no size"},
        {"not SVG", "<html/>", "not SVG"},
        {"not well-formed", "<svg width=\"3\" height=\"3\"><g></svg>", "not well-formed"},
        // Nesting beyond the limit is dropped, not followed.
        {"nested too deeply", Document(Deep), nullptr},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        QImage Picture;
        QString Error;
        const bool Drawn = DrawSvgPicture(C.Svg, TSvgFrame(), Small, Picture, Error);
        if (!C.Says) {
            EXPECT_TRUE(Drawn) << Error.toStdString();
            continue;
        }
        EXPECT_FALSE(Drawn);
        EXPECT_TRUE(Error.contains(QLatin1String(C.Says))) << Error.toStdString();
    }
}

TEST(MetafilePixelMessage, ReadsOnlyWhatItsHeaderPromises) {
    QImage Picture(5, 3, QImage::Format_BGR888);
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 5; ++X) Picture.setPixel(X, Y, qRgb(40 * X, 80 * Y, 7));
    const QByteArray Good = EncodePixelMessage(Picture);
    QByteArray Wide = Good;
    Wide.replace(4, 4, LeBytes(40000, 4));
    const struct {
        const char* Name;
        QByteArray Message;
        const char* Says; // nullptr: read
    } Cases[] = {
        {"as written", Good, nullptr},
        {"empty", QByteArray(), "not a picture"},
        {"another header", "BM" + Good.mid(2), "not a picture"},
        {"one byte short", Good.left(Good.size() - 1), "holds 44 bytes instead of 45"},
        {"one byte more", Good + "x", "holds 46 bytes instead of 45"},
        {"beyond the limits", Wide, "40000 x 3"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        QImage Out;
        QString Error;
        const bool Read = DecodePixelMessage(C.Message, PictureMaxSide, PictureMaxPixels, Out, Error);
        EXPECT_EQ(Read, C.Says == nullptr) << Error.toStdString();
        if (C.Says) {
            EXPECT_TRUE(Error.contains(QLatin1String(C.Says))) << Error.toStdString();
        } else {
            EXPECT_EQ(Out, Picture);
        }
    }
}

} // namespace
