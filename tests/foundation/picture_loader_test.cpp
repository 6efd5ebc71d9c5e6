// The picture loader: every kind of picture file it reads, made here byte by
// byte or with libjpeg, and the hostile files it must refuse without harm.
#include "foundation/metafile_reader.h"
#include "foundation/picture_files.h"
#include "foundation/picture_loader.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

using namespace draxa;
using namespace draxa::test;

namespace {

QByteArray Le(int64_t V, int Bytes) {
    QByteArray B;
    for (int I = 0; I < Bytes; ++I) B += char(uint8_t(uint64_t(V) >> (8 * I)));
    return B;
}

bool Near(QRgb A, QRgb B, int Tolerance) {
    return std::abs(qRed(A) - qRed(B)) <= Tolerance && std::abs(qGreen(A) - qGreen(B)) <= Tolerance &&
           std::abs(qBlue(A) - qBlue(B)) <= Tolerance;
}

// A flat-coloured JPEG; Sample holds one pixel's components in Space.
QByteArray EncodeJpeg(int W, int H, J_COLOR_SPACE Space, const std::vector<uint8_t>& Sample,
                      bool Progressive = false) {
    jpeg_compress_struct C;
    jpeg_error_mgr Errors;
    C.err = jpeg_std_error(&Errors);
    jpeg_create_compress(&C);
    unsigned char* Buffer = nullptr;
    unsigned long Size = 0;
    jpeg_mem_dest(&C, &Buffer, &Size);
    C.image_width = JDIMENSION(W);
    C.image_height = JDIMENSION(H);
    C.input_components = int(Sample.size());
    C.in_color_space = Space;
    jpeg_set_defaults(&C);
    jpeg_set_quality(&C, 95, TRUE);
    if (Progressive) jpeg_simple_progression(&C);
    jpeg_start_compress(&C, TRUE);
    std::vector<uint8_t> Row;
    for (int X = 0; X < W; ++X) Row.insert(Row.end(), Sample.begin(), Sample.end());
    while (C.next_scanline < C.image_height) {
        JSAMPROW P = Row.data();
        jpeg_write_scanlines(&C, &P, 1);
    }
    jpeg_finish_compress(&C);
    jpeg_destroy_compress(&C);
    QByteArray Out(reinterpret_cast<const char*>(Buffer), int(Size));
    free(Buffer);
    return Out;
}

// The same JPEG with the frame header claiming another size.
QByteArray WithJpegSize(QByteArray Jpeg, int W, int H) {
    const int Sof = Jpeg.indexOf("\xFF\xC0");
    Jpeg[Sof + 5] = char(H >> 8), Jpeg[Sof + 6] = char(H);
    Jpeg[Sof + 7] = char(W >> 8), Jpeg[Sof + 8] = char(W);
    return Jpeg;
}

// One BMP icon image: 32-bit colour rows, then the AND mask, bottom-up. The
// pixel at Hole is transparent.
QByteArray IconImage(int W, int H, QRgb Colour, QPoint Hole) {
    QByteArray B = Le(40, 4) + Le(W, 4) + Le(2 * H, 4) + Le(1, 2) + Le(32, 2) + Le(0, 4) + Le(0, 4) +
                   QByteArray(16, '\0');
    for (int Y = H - 1; Y >= 0; --Y)
        for (int X = 0; X < W; ++X) {
            const bool Clear = QPoint(X, Y) == Hole;
            B += Le(Clear ? 0 : qBlue(Colour) | qGreen(Colour) << 8 | qRed(Colour) << 16 | 0xFF << 24, 4);
        }
    const int MaskRow = (W + 31) / 32 * 4;
    for (int Y = H - 1; Y >= 0; --Y) {
        QByteArray Row(MaskRow, '\0');
        if (Y == Hole.y()) Row[Hole.x() / 8] = char(0x80 >> (Hole.x() % 8));
        B += Row;
    }
    return B;
}

struct TIconEntry {
    int Size; // side in the directory
    QByteArray Image;
    int64_t Offset = -1; // -1: where the image really is
};

QByteArray IconFile(const std::vector<TIconEntry>& Entries) {
    QByteArray Head = Le(0, 2) + Le(1, 2) + Le(int(Entries.size()), 2), Body;
    int64_t At = 6 + 16 * int64_t(Entries.size());
    for (const TIconEntry& E : Entries) {
        Head += Le(E.Size & 0xFF, 1) + Le(E.Size & 0xFF, 1) + Le(0, 2) + Le(1, 2) + Le(32, 2) +
                Le(E.Image.size(), 4) + Le(E.Offset >= 0 ? E.Offset : At + Body.size(), 4);
        Body += E.Image;
    }
    return Head + Body;
}

// A placeable WMF, 200 x 100 units at 96 a inch, with a rectangle filled with
// Colour at (50, 20)-(150, 80) and no outline.
QByteArray RectangleWmf(QRgb Colour) {
    auto Record = [](int Function, const QByteArray& Params) {
        return Le(3 + Params.size() / 2, 4) + Le(Function, 2) + Params;
    };
    const int64_t Ref = qRed(Colour) | qGreen(Colour) << 8 | qBlue(Colour) << 16;
    const QByteArray Records = Record(0x020B, Le(0, 2) + Le(0, 2)) + Record(0x020C, Le(100, 2) + Le(200, 2)) +
                               Record(0x02FC, Le(0, 2) + Le(Ref, 4) + Le(0, 2)) + Record(0x012D, Le(0, 2)) +
                               Record(0x02FA, Le(5, 2) + Le(0, 4) + Le(0, 4)) + Record(0x012D, Le(1, 2)) +
                               Record(0x041B, Le(80, 2) + Le(150, 2) + Le(20, 2) + Le(50, 2)) + Record(0, {});
    const QByteArray Header = Le(1, 2) + Le(9, 2) + Le(0x300, 2) + Le((18 + Records.size()) / 2, 4) +
                              Le(2, 2) + Le(8, 4) + Le(0, 2);
    QByteArray Placeable =
        Le(0x9AC6CDD7, 4) + Le(0, 2) + Le(0, 2) + Le(0, 2) + Le(200, 2) + Le(100, 2) + Le(96, 2) + Le(0, 4);
    int Sum = 0;
    for (int I = 0; I < 20; I += 2) Sum ^= uint8_t(Placeable[I]) | uint8_t(Placeable[I + 1]) << 8;
    return Placeable + Le(Sum, 2) + Header + Records;
}

// An EMF whose bounds are (0, 0)-(99, 49), with a rectangle filled with
// Colour at (10, 10)-(90, 40) and no outline.
QByteArray RectangleEmf(QRgb Colour) {
    auto Record = [](int Type, const QByteArray& Body) {
        return Le(Type, 4) + Le(8 + Body.size(), 4) + Body;
    };
    const int64_t Ref = qRed(Colour) | qGreen(Colour) << 8 | qBlue(Colour) << 16;
    const QByteArray Records = Record(39, Le(1, 4) + Le(0, 4) + Le(Ref, 4) + Le(0, 4)) +
                               Record(37, Le(1, 4)) + Record(37, Le(0x80000008, 4)) +
                               Record(43, Le(10, 4) + Le(10, 4) + Le(90, 4) + Le(40, 4)) +
                               Record(14, Le(0, 4) + Le(16, 4) + Le(20, 4));
    const QByteArray Header = Le(1, 4) + Le(108, 4) + Le(0, 4) + Le(0, 4) + Le(99, 4) + Le(49, 4) + Le(0, 4) +
                              Le(0, 4) + Le(2646, 4) + Le(1323, 4) + Le(0x464D4520, 4) + Le(0x10000, 4) +
                              Le(108 + Records.size(), 4) + Le(6, 4) + Le(2, 2) + Le(0, 2) + Le(0, 4) +
                              Le(0, 4) + Le(0, 4) + Le(1920, 4) + Le(1080, 4) + Le(508, 4) + Le(286, 4) +
                              QByteArray(12, '\0') + Le(508000, 4) + Le(285750, 4);
    return Header + Records;
}

class PictureLoaderTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;
};

TEST_F(PictureLoaderTest, MissingFileGivesRedCross) {
    for (const QString Name : {"missing.bmp", "missing.tif", "folder.jpg"}) {
        if (Name == "folder.jpg") QDir(Dir.path()).mkdir(Name);
        const auto B = LoadPictureAsBitmap(Dir.filePath(Name));
        SCOPED_TRACE(Name.toStdString());
        ASSERT_EQ(B->Width(), 32);
        ASSERT_EQ(B->Height(), 32);
        EXPECT_EQ(B->PixelFormat(), TPixelFormat::pf24bit);
        for (int I : {4, 10, 16, 24}) {
            EXPECT_EQ(Rgb(*B, I, I), 0xFF0000u) << I;
            EXPECT_EQ(Rgb(*B, I, 31 - I), 0xFF0000u) << I;
        }
        for (QPoint P : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31), QPoint(16, 3)})
            EXPECT_EQ(Rgb(*B, P.x(), P.y()), 0xFFFFFFu) << P.x() << "," << P.y();
    }
}

TEST_F(PictureLoaderTest, UnsupportedEndingFailsWithTheAssertionError) {
    const QString Path = Write(Dir, "scan.pcx", "\x0A\x05\x01");
    try {
        LoadPictureAsBitmap(Path);
        FAIL() << "no error";
    } catch (const EAssertionFailed& E) {
        EXPECT_STREQ(E.what(), "Assertion failure (draxa, line 2307)");
        EXPECT_EQ(E.Kind(), "PCX");
        EXPECT_EQ(E.Detail(), QString("Unsupported picture type \"PCX\": %1").arg(Path));
    }
    EXPECT_THROW(LoadPictureAsBitmap(Write(Dir, "x", "x")), EAssertionFailed);
}

// The bytes of Picture written by Qt's writer for Format.
QByteArray Encoded(const QImage& Picture, const char* Format) {
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    QImageWriter Writer(&Buffer, Format);
    Writer.setQuality(100); // lossless WebP
    EXPECT_TRUE(Writer.write(Picture)) << Format << ": " << Writer.errorString().toStdString();
    return Bytes;
}

// A GIF of W x H pixels in two colours, index 0 red and index 1 blue, with
// index Transparent (or -1) transparent. Qt has no GIF writer: the pixels are
// coded uncompressed, a clear code before every two, so codes stay 3 bits.
QByteArray Gif(int W, int H, const std::function<int(int, int)>& IndexAt, int Transparent) {
    QByteArray Codes;
    uint32_t Bits = 0;
    int Count = 0;
    const auto Put = [&](int Code) {
        Bits |= uint32_t(Code) << Count;
        Count += 3;
        while (Count >= 8) {
            Codes.append(char(Bits & 0xFF));
            Bits >>= 8;
            Count -= 8;
        }
    };
    for (int I = 0; I < W * H; ++I) {
        if (I % 2 == 0) Put(4); // clear
        Put(IndexAt(I % W, I / W));
    }
    Put(5); // end
    if (Count > 0) Codes.append(char(Bits & 0xFF));
    QByteArray Data;
    for (int I = 0; I < Codes.size(); I += 255) {
        const QByteArray Block = Codes.mid(I, 255);
        Data += char(Block.size()) + Block;
    }
    const QByteArray Control =
        Transparent < 0 ? QByteArray()
                        : QByteArray("\x21\xF9\x04\x01\x00\x00", 6) + char(Transparent) + QByteArray(1, '\0');
    return QByteArray("GIF89a") + Le(W, 2) + Le(H, 2) + QByteArray("\x80\x00\x00", 3) +
           QByteArray("\xFF\x00\x00\x00\x00\xFF", 6) + Control + QByteArray(1, '\x2C') + Le(0, 4) + Le(W, 2) +
           Le(H, 2) + QByteArray(1, '\0') + QByteArray(1, '\x02') + Data + QByteArray(1, '\0') +
           QByteArray(1, '\x3B');
}

// CRC-32 of PNG chunks.
uint32_t Crc32(const QByteArray& Bytes) {
    uint32_t Crc = 0xFFFFFFFFu;
    for (const char C : Bytes) {
        Crc ^= uint8_t(C);
        for (int K = 0; K < 8; ++K) Crc = (Crc >> 1) ^ (0xEDB88320u & (0u - (Crc & 1u)));
    }
    return ~Crc;
}

TEST_F(PictureLoaderTest, PngGifTiffAndWebpAreDrawnOnWhite) {
    // Red on the left half, transparent on the right half.
    QImage Picture(6, 4, QImage::Format_ARGB32);
    Picture.fill(Qt::transparent);
    for (int Y = 0; Y < 4; ++Y)
        for (int X = 0; X < 3; ++X) Picture.setPixel(X, Y, qRgba(255, 0, 0, 255));
    const QByteArray HalfRedGif = Gif(
        6, 4, [](int X, int) { return X < 3 ? 0 : 1; }, 1);
    for (const char* Name : {"a.png", "a.gif", "a.tif", "a.tiff", "a.webp", "A.PNG"}) {
        SCOPED_TRACE(Name);
        QString Format = QFileInfo(Name).suffix().toLower();
        if (Format == "tif") Format = "tiff";
        const QByteArray Bytes = Format == "gif" ? HalfRedGif : Encoded(Picture, qPrintable(Format));
        const auto B = LoadPictureAsBitmap(Write(Dir, Name, Bytes));
        ASSERT_EQ(B->Width(), 6);
        ASSERT_EQ(B->Height(), 4);
        EXPECT_EQ(B->PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(Rgb(*B, 1, 2), 0xFF0000u);
        EXPECT_EQ(Rgb(*B, 4, 2), 0xFFFFFFu);
    }
    // An animated GIF shows its first frame: a blue one follows the red one.
    QByteArray Animated = Gif(
        4, 4, [](int, int) { return 0; }, -1);
    const QByteArray Second = Gif(
        4, 4, [](int, int) { return 1; }, -1);
    Animated.chop(1);               // the trailer
    Animated += Second.mid(13 + 6); // the second image, after its header and colour table
    const auto G = LoadPictureAsBitmap(Write(Dir, "two.gif", Animated));
    ASSERT_EQ(G->Width(), 4);
    EXPECT_EQ(Rgb(*G, 2, 2), 0xFF0000u);
}

TEST_F(PictureLoaderTest, HostilePngsAndTiffsFailSayingWhy) {
    QImage Small(4, 4, QImage::Format_RGB32);
    Small.fill(Qt::green);
    const QByteArray Png = Encoded(Small, "png");
    // The header chunk (at 8: length, "IHDR", 13 bytes, CRC) made to declare 60000 x 60000.
    QByteArray Huge = Png;
    QByteArray Header = Png.mid(12, 17);
    for (int I = 0; I < 4; ++I) Header[4 + I] = Header[8 + I] = char((60000 >> (24 - 8 * I)) & 0xFF);
    const uint32_t Crc = Crc32(Header);
    QByteArray CrcBytes(4, '\0');
    for (int I = 0; I < 4; ++I) CrcBytes[I] = char((Crc >> (24 - 8 * I)) & 0xFF);
    Huge.replace(12, 21, Header + CrcBytes);
    const struct {
        const char* Name;
        QByteArray Bytes;
        const char* Says;
    } Cases[] = {
        {"huge.png", Huge, "60000 x 60000 pixels, beyond the limits"},
        {"cut.png", Png.left(Png.size() / 2), "cut.png"},
        {"junk.png", QByteArray(300, 'p'), "junk.png"},
        {"empty.gif", QByteArray(), "empty.gif"},
        {"junk.tiff", QByteArray("II*\0") + QByteArray(200, 't'), "junk.tiff"},
        {"junk.webp", QByteArray("RIFF") + QByteArray(100, 'w'), "junk.webp"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        try {
            LoadPictureAsBitmap(Write(Dir, C.Name, C.Bytes));
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& E) {
            EXPECT_NE(std::string(E.what()).find(C.Says), std::string::npos) << E.what();
        }
    }
}

TEST_F(PictureLoaderTest, BmpKeepsPixelsAndTheFilesFormat) {
    TBitmap Source(7, 5);
    for (int Y = 0; Y < 5; ++Y)
        for (int X = 0; X < 7; ++X) {
            uint8_t* P = Source.ScanLine(Y) + 3 * X;
            P[0] = uint8_t(X * 30), P[1] = uint8_t(Y * 50), P[2] = 200;
        }
    Source.SaveToFile(Dir.filePath("colour.bmp"));
    const auto B = LoadPictureAsBitmap(Dir.filePath("colour.bmp"));
    ASSERT_EQ(B->Width(), 7);
    ASSERT_EQ(B->Height(), 5);
    EXPECT_EQ(B->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(B->Image(), Source.Image());

    Source.SetPixelFormat(TPixelFormat::pf8bit);
    Source.SaveToFile(Dir.filePath("grey.BMP"));
    EXPECT_EQ(LoadPictureAsBitmap(Dir.filePath("grey.BMP"))->PixelFormat(), TPixelFormat::pf8bit);
}

TEST_F(PictureLoaderTest, JpegsOfEveryColourSpaceBecome24BitRgb) {
    struct TCase {
        const char* Name;
        int W, H;
        J_COLOR_SPACE Space;
        std::vector<uint8_t> Sample;
        bool Progressive;
        QRgb Expected;
    };
    const TCase Cases[] = {
        {"photo.jpg", 40, 30, JCS_RGB, {200, 100, 50}, false, qRgb(200, 100, 50)},
        {"photo.JPEG", 8, 64, JCS_RGB, {20, 180, 240}, false, qRgb(20, 180, 240)},
        {"progressive.jpg", 33, 17, JCS_RGB, {90, 90, 200}, true, qRgb(90, 90, 200)},
        {"grey.jpg", 17, 9, JCS_GRAYSCALE, {90}, false, qRgb(90, 90, 90)},
        // libjpeg writes CMYK with an Adobe marker, so the samples are inverted: this is red ink only.
        {"print.jpg", 16, 16, JCS_CMYK, {255, 0, 0, 255}, false, qRgb(255, 0, 0)},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        const auto B =
            LoadPictureAsBitmap(Write(Dir, C.Name, EncodeJpeg(C.W, C.H, C.Space, C.Sample, C.Progressive)));
        ASSERT_EQ(B->Width(), C.W);
        ASSERT_EQ(B->Height(), C.H);
        EXPECT_EQ(B->PixelFormat(), TPixelFormat::pf24bit);
        for (QPoint P : {QPoint(0, 0), QPoint(C.W / 2, C.H / 2), QPoint(C.W - 1, C.H - 1)})
            EXPECT_TRUE(Near(Rgb(*B, P.x(), P.y()), C.Expected, 6)) << std::hex << Rgb(*B, P.x(), P.y());
    }
}

TEST_F(PictureLoaderTest, IconNearestStandardSizeIsDrawnOnWhite) {
    const QByteArray Small = IconImage(16, 16, qRgb(0, 0, 255), QPoint(1, 1));
    const QByteArray Standard = IconImage(32, 32, qRgb(0, 160, 0), QPoint(0, 0));
    const auto B = LoadPictureAsBitmap(Write(Dir, "app.ico", IconFile({{16, Small}, {32, Standard}})));
    ASSERT_EQ(B->Width(), 32);
    ASSERT_EQ(B->Height(), 32);
    EXPECT_EQ(B->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(Rgb(*B, 5, 5), qRgb(0, 160, 0) & 0xFFFFFF);
    EXPECT_EQ(Rgb(*B, 31, 31), qRgb(0, 160, 0) & 0xFFFFFF);
    EXPECT_EQ(Rgb(*B, 0, 0), 0xFFFFFFu);

    // An entry that lies about where its image is loses to an honest one.
    const auto Honest =
        LoadPictureAsBitmap(Write(Dir, "liar.ico", IconFile({{32, Standard, 1 << 20}, {16, Small}})));
    EXPECT_EQ(Honest->Width(), 16);
    EXPECT_EQ(Rgb(*Honest, 5, 5), 0x0000FFu);
    EXPECT_EQ(Rgb(*Honest, 1, 1), 0xFFFFFFu);
}

TEST_F(PictureLoaderTest, UnreadableIconsGiveAnEmptyBitmap) {
    QByteArray Huge = IconImage(2, 2, qRgb(1, 2, 3), QPoint(0, 0));
    Huge.replace(4, 8, Le(30000, 4) + Le(60000, 4)); // declares 30000 x 30000 with 32 bytes of pixels
    const QByteArray Good = IconImage(8, 8, qRgb(9, 9, 9), QPoint(0, 0));
    const std::pair<const char*, QByteArray> Cases[] = {
        {"offset past the end", IconFile({{8, Good, 100000}})},
        {"image cut short", IconFile({{8, Good}}).left(200)},
        {"header declares a huge image", IconFile({{8, Huge}})},
        {"count beyond the file", Le(0, 2) + Le(1, 2) + Le(500, 2) + QByteArray(40, '\1')},
        {"not an icon", QByteArray("just some text")},
        {"empty file", QByteArray()},
    };
    for (const auto& [Name, Bytes] : Cases) {
        const auto B = LoadPictureAsBitmap(Write(Dir, "bad.ico", Bytes));
        EXPECT_TRUE(B->Empty()) << Name;
    }
}

TEST_F(PictureLoaderTest, MetafilesRenderAtTheirOwnSize) {
    const auto Wmf = LoadPictureAsBitmap(Write(Dir, "chart.wmf", RectangleWmf(qRgb(0, 0, 255))));
    ASSERT_EQ(Wmf->Width(), 200);
    ASSERT_EQ(Wmf->Height(), 100);
    EXPECT_EQ(Wmf->PixelFormat(), TPixelFormat::pf24bit);
    // The rectangle keeps its place in the picture: margins are not cropped.
    EXPECT_EQ(Rgb(*Wmf, 100, 50), 0x0000FFu);
    EXPECT_EQ(Rgb(*Wmf, 55, 25), 0x0000FFu);
    for (QPoint P : {QPoint(45, 50), QPoint(100, 15), QPoint(155, 50), QPoint(100, 85), QPoint(0, 0)})
        EXPECT_EQ(Rgb(*Wmf, P.x(), P.y()), 0xFFFFFFu) << P.x() << "," << P.y();

    const auto Emf = LoadPictureAsBitmap(Write(Dir, "chart.EMF", RectangleEmf(qRgb(0, 160, 0))));
    ASSERT_EQ(Emf->Width(), 100); // bounds are inclusive
    ASSERT_EQ(Emf->Height(), 50);
    EXPECT_EQ(Rgb(*Emf, 50, 25), qRgb(0, 160, 0) & 0xFFFFFF);
    EXPECT_EQ(Rgb(*Emf, 5, 5), 0xFFFFFFu);
    EXPECT_EQ(Rgb(*Emf, 95, 45), 0xFFFFFFu);
}

TEST_F(PictureLoaderTest, SvgPicturesAreDrawnByTheHelperWithNothingFromOutside) {
    // A picture that names a file of this machine: the file stays out.
    const QString Secret = Write(Dir, "secret.png", QByteArray());
    QImage Red(8, 8, QImage::Format_RGB32);
    Red.fill(Qt::red);
    ASSERT_TRUE(Red.save(Secret));
    const QByteArray Svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                           "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"120\" height=\"60\">"
                           "<rect x=\"10\" y=\"10\" width=\"40\" height=\"40\" fill=\"#0000ff\"/>"
                           "<image x=\"60\" y=\"0\" width=\"60\" height=\"60\" xlink:href=\"" +
                           Secret.toUtf8() + "\"/></svg>";
    const auto Picture = LoadPictureAsBitmap(Write(Dir, "logo.svg", Svg));
    ASSERT_EQ(Picture->Width(), 120);
    ASSERT_EQ(Picture->Height(), 60);
    EXPECT_EQ(Picture->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(Rgb(*Picture, 30, 30), 0x0000FFu);
    EXPECT_EQ(Rgb(*Picture, 90, 30), 0xFFFFFFu) << "the named file was not drawn";

    const struct {
        const char* Name;
        QByteArray Bytes;
        const char* Says;
    } Cases[] = {
        {"huge.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"90000\" height=\"90000\"/>",
         "90000 x 90000 pixels"},
        {"cut.svg", Svg.left(Svg.size() / 2), "Cannot read SVG picture"},
        {"junk.svg", QByteArray(300, 's'), "Cannot read SVG picture"},
        {"html.svg", "<html><body>not a picture</body></html>", "not SVG"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        try {
            LoadPictureAsBitmap(Write(Dir, C.Name, C.Bytes));
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& E) {
            EXPECT_NE(std::string(E.what()).find(C.Says), std::string::npos) << E.what();
        }
    }
}

TEST_F(PictureLoaderTest, DamagedAndOversizedFilesFailCleanly) {
    const QByteArray Jpeg = EncodeJpeg(64, 64, JCS_RGB, {10, 200, 30});
    const QByteArray HugeBmp = Le('B' | 'M' << 8, 2) + Le(54, 4) + Le(0, 4) + Le(54, 4) + Le(40, 4) +
                               Le(9500, 4) + Le(9500, 4) + Le(1, 2) + Le(24, 2) + QByteArray(24, '\0');
    QByteArray ShortBmp = HugeBmp + QByteArray(100, '\x7F'); // 154 bytes
    ShortBmp.replace(18, 8, Le(5000, 4) + Le(5000, 4));
    const struct {
        const char* Name;
        QByteArray Bytes;
        const char* Says; // part of the message
    } Cases[] = {
        {"huge.jpg", WithJpegSize(Jpeg, 60000, 60000), "is 60000 x 60000 pixels; at most"},
        {"wide.jpg", WithJpegSize(Jpeg, 40000, 8), "is 40000 x 8 pixels; at most"},
        {"cut.jpg", Jpeg.left(Jpeg.size() / 2), "Premature end"},
        {"cut-header.jpg", Jpeg.left(30), "cut-header.jpg"},
        {"junk.jpg", QByteArray(500, 'j'), "junk.jpg"},
        {"huge.bmp", HugeBmp, "is 9500 x 9500 pixels; at most"}, // the BMP codec alone would accept the size
        {"short.bmp", ShortBmp, "short.bmp"},
        {"empty.bmp", QByteArray(), "empty.bmp"},
        {"junk.wmf", QByteArray(300, 'w'), "not a readable WMF"},
        {"empty.wmf", QByteArray(), "empty.wmf"},
        {"junk.emf", QByteArray(300, 'e'), "not an EMF"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        try {
            LoadPictureAsBitmap(Write(Dir, C.Name, C.Bytes));
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& E) {
            EXPECT_NE(std::string(E.what()).find(C.Says), std::string::npos) << E.what();
        }
    }
}

TEST_F(PictureLoaderTest, IconsReadByTheirImagesOwnHeader) {
    const QByteArray Green16 = IconImage(16, 16, qRgb(0, 160, 0), QPoint(0, 0));
    const struct {
        const char* Name;
        QByteArray Bytes;
        int Width, Height;
        QRgb Inside; // the colour at (3, 2)
    } Cases[] = {
        {"directory says 32, image is 16", IconFile({{32, Green16}}), 16, 16, qRgb(0, 160, 0)},
        {"directory says 0 (256), image is 16", IconFile({{0, Green16}}), 16, 16, qRgb(0, 160, 0)},
        {"a PNG named .ico", test::EncodedImage(test::FilledImage(5, 3, qRgb(0, 0, 255)), "PNG"), 5, 3,
         qRgb(0, 0, 255)},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const auto B = LoadPictureAsBitmap(Write(Dir, "favicon.ico", C.Bytes));
        ASSERT_EQ(B->Width(), C.Width);
        ASSERT_EQ(B->Height(), C.Height);
        EXPECT_EQ(B->PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(Rgb(*B, 3, 2), C.Inside & 0xFFFFFF);
    }
}

TEST_F(PictureLoaderTest, UnreadableIconsSayWhyWhenAsked) {
    TPictureLoadOptions Report;
    Report.ReportUnreadableIcons = true;
    QByteArray Huge = IconImage(2, 2, qRgb(1, 2, 3), QPoint(0, 0));
    Huge.replace(4, 8, Le(30000, 4) + Le(60000, 4));
    QByteArray HugePng = test::EncodedImage(test::FilledImage(2, 2, qRgb(1, 2, 3)), "PNG");
    HugePng.replace(16, 8, QByteArray::fromHex("0000EA600000EA60")); // 60000 x 60000 in its header
    const std::pair<const char*, QByteArray> Cases[] = {
        {"not an icon", QByteArray("just some text")},
        {"header declares a huge image", IconFile({{8, Huge}})},
        {"a PNG declaring a huge image", HugePng},
        {"empty file", QByteArray()},
    };
    for (const auto& [Name, Bytes] : Cases) {
        SCOPED_TRACE(Name);
        const QString Path = Write(Dir, "bad.ico", Bytes);
        EXPECT_TRUE(LoadPictureAsBitmap(Path)->Empty());
        try {
            LoadPictureAsBitmap(Path, Report);
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& E) {
            EXPECT_NE(std::string(E.what()).find("Cannot read icon"), std::string::npos) << E.what();
            EXPECT_NE(std::string(E.what()).find("bad.ico"), std::string::npos) << E.what();
        }
    }
}

TEST_F(PictureLoaderTest, JpegsStandAsTheCameraRecorded) {
    // Stored 32 x 16: red, green / blue, white quarters.
    const QRgb R = qRgb(255, 0, 0), G = qRgb(0, 255, 0), B = qRgb(0, 0, 255), W = qRgb(255, 255, 255);
    QImage Stored(32, 16, QImage::Format_RGB888);
    for (int Y = 0; Y < 16; ++Y)
        for (int X = 0; X < 32; ++X) Stored.setPixel(X, Y, Y < 8 ? (X < 16 ? R : G) : (X < 16 ? B : W));
    const QByteArray Jpeg = test::EncodedImage(Stored, "JPEG");
    const struct {
        int Orientation;
        QRgb TopLeft, TopRight, BottomLeft, BottomRight; // as the picture shows
    } Cases[] = {
        {1, R, G, B, W}, // as stored
        {2, G, R, W, B}, // mirrored left-right
        {3, W, B, G, R}, // turned half round
        {4, B, W, R, G}, // mirrored top-bottom
        {5, R, B, G, W}, // mirrored along the main diagonal
        {6, B, R, W, G}, // turned a quarter clockwise
        {7, W, G, B, R}, // mirrored along the other diagonal
        {8, G, W, R, B}, // turned a quarter anticlockwise
        {9, R, G, B, W}, // no such orientation: as stored
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Orientation);
        const auto P =
            LoadPictureAsBitmap(Write(Dir, "photo.jpg", test::WithExifOrientation(Jpeg, C.Orientation)));
        const bool Turned = C.Orientation >= 5 && C.Orientation <= 8;
        ASSERT_EQ(P->Width(), Turned ? 16 : 32);
        ASSERT_EQ(P->Height(), Turned ? 32 : 16);
        const int Right = P->Width() - 3, Bottom = P->Height() - 3;
        EXPECT_TRUE(Near(Rgb(*P, 2, 2), C.TopLeft & 0xFFFFFF, 40));
        EXPECT_TRUE(Near(Rgb(*P, Right, 2), C.TopRight & 0xFFFFFF, 40));
        EXPECT_TRUE(Near(Rgb(*P, 2, Bottom), C.BottomLeft & 0xFFFFFF, 40));
        EXPECT_TRUE(Near(Rgb(*P, Right, Bottom), C.BottomRight & 0xFFFFFF, 40));
    }
}

TEST_F(PictureLoaderTest, AJpegWhoseScanEndsBeforeItsFrameIsDamaged) {
    const QByteArray Jpeg = EncodeJpeg(64, 16, JCS_RGB, {10, 200, 30});
    QByteArray Progressive = EncodeJpeg(64, 16, JCS_RGB, {1, 2, 3}, true);
    const int Sof2 = int(Progressive.indexOf("\xFF\xC2"));
    ASSERT_GT(Sof2, 0);
    Progressive[Sof2 + 6] = char(64); // 64 rows instead of 16
    const struct {
        const char* Name;
        QByteArray Bytes;
    } Cases[] = {
        {"frame taller than the scan", WithJpegSize(Jpeg, 64, 64)},
        {"end marker in the middle of the scan",
         Jpeg.left(Jpeg.indexOf("\xFF\xDA") + 16) + QByteArray("\xFF\xD9")},
        {"progressive, frame taller than the scans", Progressive},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        try {
            LoadPictureAsBitmap(Write(Dir, "cut.jpg", C.Bytes));
            ADD_FAILURE() << "loaded";
        } catch (const EInvalidGraphic& E) {
            EXPECT_NE(std::string(E.what()).find("cut.jpg"), std::string::npos) << E.what();
            EXPECT_NE(std::string(E.what()).find("premature end"), std::string::npos) << E.what();
        }
    }
}

TEST(PictureSize, LimitsOnSideAndBytes) {
    const struct {
        int64_t W, H;
        bool Allowed;
    } Cases[] = {{1, 1, true},       {0, 5, false},      {5, -1, false},     {32767, 1, true},
                 {32768, 1, false},  {1, 32768, false},  {4096, 4096, true}, {4097, 4096, false},
                 {32767, 512, true}, {32767, 513, false}};
    for (const auto& C : Cases) EXPECT_EQ(PictureSizeAllowed(C.W, C.H), C.Allowed) << C.W << " x " << C.H;
}

TEST(PictureMetafileConverter, FailuresOfTheProcessAreReported) {
    const struct {
        const char* Script;
        TConverterLimits Limits;
        const char* Says; // nullptr: succeeds
    } Cases[] = {
        {"printf '<svg/>'", {}, nullptr},
        {"kill -SEGV $$", {}, "crashed"},
        {"exec sleep 30", {300, 1 << 20}, "did not finish"},
        {"exec cat /dev/zero", {10'000, 1 << 20}, "more than 1 MiB"},
        {"echo noise >&2; echo 'bad record at 12' >&2; exit 3", {}, "bad record at 12"},
        {"exit 4", {}, "exit code 4"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Script);
        try {
            const QByteArray Out = RunConverter("/bin/sh", {"-c", C.Script}, C.Limits);
            EXPECT_EQ(C.Says, nullptr);
            EXPECT_EQ(Out, "<svg/>");
        } catch (const EInvalidGraphic& E) {
            ASSERT_NE(C.Says, nullptr) << E.what();
            EXPECT_NE(std::string(E.what()).find(C.Says), std::string::npos) << E.what();
        }
    }
    EXPECT_THROW(RunConverter("/nonexistent/converter", {}), EInvalidGraphic);
}

} // namespace
