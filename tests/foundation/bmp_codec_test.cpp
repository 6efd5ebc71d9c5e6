#include "foundation/bmp_codec.h"

#include "foundation/streams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace draxa;

QByteArray Le(int64_t V, int Bytes) {
    QByteArray B;
    for (int I = 0; I < Bytes; ++I) B += char(uint8_t(uint64_t(V) >> (8 * I)));
    return B;
}

QByteArray Bytes(std::initializer_list<int> Values) {
    QByteArray B;
    for (int V : Values) B += char(V);
    return B;
}

// A BMP file assembled field by field, for pictures our writer never makes.
// Pictures of 8 bits or fewer get the palette P(0), P(1), ... (at most 9 entries).
QRgb P(int I) {
    return qRgb(10 * I, 20 * I, 30 * I);
}

struct TBmpSpec {
    int64_t Width = 2, Height = 2;
    int Bpp = 24;
    QByteArray Pixels = QByteArray(16, '\x40');
    uint32_t Compression = 0, HeaderSize = 40;
    std::vector<uint32_t> Masks; // behind a 40-byte header, inside a larger one
    int PaletteSize = 9, ColorsUsed = 0, Gap = 0, Planes = 1;

    TBmpSpec& Compress(uint32_t V, std::vector<uint32_t> M = {}) {
        Compression = V;
        Masks = M;
        return *this;
    }
    TBmpSpec& Header(uint32_t Size, int Entries) {
        HeaderSize = Size;
        PaletteSize = Entries;
        return *this;
    }
    TBmpSpec& Set(int TBmpSpec::*Field, int V) {
        this->*Field = V;
        return *this;
    }
    operator QByteArray() const;
};

TBmpSpec Bmp(int64_t W, int64_t H, int Bpp, QByteArray Pixels = QByteArray(16, '\x40')) {
    TBmpSpec S;
    S.Width = W, S.Height = H, S.Bpp = Bpp, S.Pixels = Pixels;
    return S;
}

TBmpSpec::operator QByteArray() const {
    QByteArray Info;
    if (HeaderSize == 12) {
        Info = Le(12, 4) + Le(Width, 2) + Le(Height, 2) + Le(Planes, 2) + Le(Bpp, 2);
    } else {
        Info = Le(HeaderSize, 4) + Le(Width, 4) + Le(Height, 4) + Le(Planes, 2) + Le(Bpp, 2) +
               Le(Compression, 4) + Le(Pixels.size(), 4) + Le(3780, 4) + Le(3780, 4) + Le(ColorsUsed, 4) +
               Le(0, 4);
        for (uint32_t M : Masks) Info += Le(M, 4);
        if (HeaderSize > 40) Info.append(int(HeaderSize) - Info.size(), '\0');
    }
    for (int I = 0; Bpp <= 8 && I < PaletteSize && I < (1 << Bpp); ++I)
        Info += Bytes({qBlue(P(I)), qGreen(P(I)), qRed(P(I))}) + (HeaderSize == 12 ? QByteArray() : Le(0, 1));
    Info.append(Gap, '\0');
    return "BM" + Le(14 + Info.size() + Pixels.size(), 4) + Le(0, 4) + Le(14 + Info.size(), 4) + Info +
           Pixels;
}

QByteArray Patched(QByteArray B, int At, int64_t V, int Count) {
    B.replace(At, Count, Le(V, Count));
    return B;
}

QImage Read(const QByteArray& B) {
    TMemoryStream S(B);
    return ReadBmp(S);
}

QByteArray Write(const QImage& Image) {
    TMemoryStream S;
    WriteBmp(S, Image);
    return S.ToByteArray();
}

// The colours of an image, top row first.
std::vector<std::vector<QRgb>> Pixels(const QImage& Image) {
    std::vector<std::vector<QRgb>> Rows(size_t(Image.height()));
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X) Rows[size_t(Y)].push_back(Image.pixel(X, Y));
    return Rows;
}

// Random pixels; an indexed image gets a 16-colour palette, a mono one black and white.
QImage Noise(int W, int H, QImage::Format Format, uint32_t Seed) {
    QImage Image(W, H, Format);
    std::mt19937 Rng(Seed);
    const bool Indexed = Format == QImage::Format_Indexed8 || Format == QImage::Format_Mono;
    for (int I = 0; Format == QImage::Format_Indexed8 && I < 16; ++I) Image.setColor(I, Rng() | 0xFF000000u);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            Image.setPixel(X, Y, Indexed ? Rng() % Image.colorCount() : Rng() | 0xFF000000u);
    return Image;
}

TEST(BmpCodec, WriteThenReadKeepsEveryPixel) {
    struct Row {
        const char* Shows;
        QImage Image;
        QImage::Format ReadsAs;
    };
    const Row Rows[] = {
        {"24 bits, width 1 pads 1 byte", Noise(1, 3, QImage::Format_BGR888, 1), QImage::Format_BGR888},
        {"24 bits, width 3 pads 3 bytes", Noise(3, 2, QImage::Format_BGR888, 2), QImage::Format_BGR888},
        {"24 bits, width 5 pads 1 byte", Noise(5, 4, QImage::Format_BGR888, 3), QImage::Format_BGR888},
        {"RGB32 drops its pad byte", Noise(7, 2, QImage::Format_RGB32, 5), QImage::Format_BGR888},
        {"indexed keeps its palette", Noise(6, 5, QImage::Format_Indexed8, 6), QImage::Format_Indexed8},
        {"grayscale goes through a grey ramp",
         Noise(3, 3, QImage::Format_RGB32, 7).convertToFormat(QImage::Format_Grayscale8),
         QImage::Format_Indexed8},
        {"mono, 10 wide", Noise(10, 3, QImage::Format_Mono, 8), QImage::Format_Indexed8},
    };
    for (const Row& R : Rows) {
        const QImage Back = Read(Write(R.Image));
        EXPECT_EQ(R.ReadsAs, Back.format()) << R.Shows;
        EXPECT_EQ(Pixels(R.Image), Pixels(Back)) << R.Shows;
    }

    // Premultiplied colours are stored straight: 51/255 alpha scales 10 -> 50.
    QImage Pm(1, 1, QImage::Format_ARGB32_Premultiplied);
    Pm.setPixel(0, 0, qRgba(51, 10, 0, 51));
    EXPECT_EQ(qRgb(255, 50, 0), Read(Write(Pm)).pixel(0, 0));
}

TEST(BmpCodec, BytesDependOnlyOnPixels) {
    // The same pixels over different leftovers in the image's row padding
    // (and in the unused bits of a mono row) must give the same file.
    for (QImage::Format Format : {QImage::Format_BGR888, QImage::Format_Mono}) {
        const QImage Source = Noise(5, 3, Format, 11);
        QImage Dirty(Source.size(), Format);
        Dirty.setColorTable(Source.colorTable());
        std::memset(Dirty.bits(), 0xA5, size_t(Dirty.sizeInBytes()));
        for (int Y = 0; Y < 3; ++Y)
            for (int X = 0; X < 5; ++X)
                Format == QImage::Format_Mono ? Dirty.setPixel(X, Y, Source.pixelIndex(X, Y))
                                              : Dirty.setPixel(X, Y, Source.pixel(X, Y));
        EXPECT_EQ(Write(Source), Write(Dirty)) << Format;
    }
}

TEST(BmpCodec, WritesTheFileLayoutOfA2x2Picture) {
    QImage Image(2, 2, QImage::Format_BGR888);
    Image.setPixel(0, 0, qRgb(1, 2, 3));
    Image.setPixel(1, 0, qRgb(4, 5, 6));
    Image.setPixel(0, 1, qRgb(7, 8, 9));
    Image.setPixel(1, 1, qRgb(10, 11, 12));
    const QByteArray Expected =
        "BM" + Le(70, 4) + Le(0, 4) + Le(54, 4) +                           // file header
        Le(40, 4) + Le(2, 4) + Le(2, 4) + Le(1, 2) + Le(24, 2) + Le(0, 4) + // size, planes, bpp
        Le(16, 4) + Le(3780, 4) + Le(3780, 4) + Le(0, 4) + Le(0, 4) +       // image size, 96 dpi
        Bytes({9, 8, 7, 12, 11, 10, 0, 0}) +                                // bottom row first
        Bytes({3, 2, 1, 6, 5, 4, 0, 0});
    EXPECT_EQ(Expected.toHex(' '), Write(Image).toHex(' '));
}

TEST(BmpCodec, ReadsHandBuiltFiles) {
    const QRgb Red = qRgb(255, 0, 0), Green = qRgb(0, 255, 0), Blue = qRgb(0, 0, 255),
               Mid = qRgb(132, 130, 132);
    const std::vector<uint32_t> Masks565 = {0xF800, 0x07E0, 0x001F};
    const QByteArray Rgb565 = Bytes({0x00, 0xF8, 0xE0, 0x07, 0x10, 0x84, 0, 0});
    const QByteArray Rle8 = Bytes({2, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 1, 1, 3, 0, 1});
    struct Row {
        const char* Shows;
        QByteArray File;
        std::vector<std::vector<QRgb>> Pixels;
    };
    const Row Rows[] = {
        {"32 bits top-down: the file's first row is the top",
         Bmp(2, -2, 32, Bytes({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 16, 32, 48, 0})),
         {{Red, Green}, {Blue, qRgb(48, 32, 16)}}},
        {"16 bits 5-6-5, masks after the header",
         Bmp(3, 1, 16, Rgb565).Compress(3, Masks565),
         {{Red, Green, Mid}}},
        {"16 bits 5-6-5, masks in a V5 header",
         Bmp(3, 1, 16, Rgb565).Compress(3, Masks565).Header(124, 0),
         {{Red, Green, Mid}}},
        {"16 bits without masks is 5-5-5", Bmp(1, 1, 16, Bytes({0x00, 0x7C, 0, 0})), {{Red}}},
        {"1 bit, high bit first",
         Bmp(10, 1, 1, Bytes({0xB0, 0x40, 0, 0})),
         {{P(1), P(0), P(1), P(1), P(0), P(0), P(0), P(0), P(0), P(1)}}},
        {"4 bits, 2 colours used: the other indices are black",
         Bmp(3, 1, 4, Bytes({0x10, 0x20, 0, 0})).Set(&TBmpSpec::ColorsUsed, 2),
         {{P(1), P(0), qRgb(0, 0, 0)}}},
        {"core header, palette cut where the pixels start",
         Bmp(2, 1, 8, Bytes({2, 0, 0, 0})).Header(12, 3),
         {{P(2), P(0)}}},
        {"a gap before the pixels",
         Bmp(1, 1, 24, Bytes({1, 2, 3, 0})).Set(&TBmpSpec::Gap, 10),
         {{qRgb(3, 2, 1)}}},
        {"RLE8 runs, padded absolute, end of line, delta",
         Bmp(5, 3, 8, Rle8).Compress(1),
         {{P(0), P(0), P(3), P(0), P(0)}, {P(0), P(0), P(0), P(0), P(0)}, {P(1), P(1), P(2), P(3), P(2)}}},
        {"RLE4 alternating run, absolute nibbles",
         Bmp(8, 1, 4, Bytes({5, 0x12, 0, 3, 0x34, 0x50, 0, 1})).Compress(2),
         {{P(1), P(2), P(1), P(2), P(1), P(3), P(4), P(5)}}},
        {"RLE8 run past the row end is clipped",
         Bmp(3, 2, 8, Bytes({5, 7, 0, 0, 3, 1, 0, 1})).Compress(1),
         {{P(1), P(1), P(1)}, {P(7), P(7), P(7)}}},
        {"RLE8 delta out of the image drops the rest",
         Bmp(2, 2, 8, Bytes({1, 4, 0, 2, 255, 255, 2, 5, 0, 1})).Compress(1),
         {{P(0), P(0)}, {P(4), P(0)}}},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Shows);
        const QImage Image = Read(R.File);
        EXPECT_EQ(R.Pixels, Pixels(Image));
        for (int Y = 0; Image.format() == QImage::Format_Indexed8 && Y < Image.height(); ++Y)
            for (int X = 0; X < Image.width(); ++X)
                EXPECT_LT(Image.pixelIndex(X, Y), Image.colorCount()) << "every index has a colour";
    }
}

// A stream that claims more bytes than it holds, so a read fails past our checks.
class TOverstatedStream : public TMemoryStream {
public:
    using TMemoryStream::TMemoryStream;
    int64_t Size() override { return TMemoryStream::Size() + 1000; }
};

TEST(BmpCodec, RejectsBrokenAndHostileFiles) {
    const QByteArray Valid = Bmp(2, 2, 24);
    struct Row {
        const char* Shows;
        QByteArray File;
        const char* Reason;
    };
    const Row Rows[] = {
        {"cut short in the header", Valid.left(20), "cut short"},
        {"cut short in the pixels", Valid.chopped(4), "cut short"},
        {"4000 x 4000 claimed with 16 bytes", Bmp(4000, 4000, 24), "cut short"},
        {"more pixels than the total limit", Bmp(4097, 4096, 8), "16777216"},
        {"width 2^31-1", Bmp(2147483647, 1, 24), "per side"},
        {"width -2^31", Bmp(-2147483648LL, 1, 24), "not positive"},
        {"negative width", Bmp(-4, 2, 24), "not positive"},
        {"zero height", Bmp(2, 0, 24), "height is zero"},
        {"7 bits per pixel", Bmp(2, 2, 7), "bit depth 7"},
        {"2 planes", Bmp(2, 2, 24).Set(&TBmpSpec::Planes, 2), "planes"},
        {"no BM magic", Patched(Valid, 0, 'B' | ('A' << 8), 2), "\"BM\""},
        {"unknown header size", Patched(Valid, 14, 64, 4), "header size 64"},
        {"unknown compression", Bmp(2, 2, 24).Compress(9), "compression 9"},
        {"RLE8 at 24 bits", Bmp(2, 2, 24).Compress(1), "RLE8"},
        {"bit fields at 8 bits", Bmp(2, 2, 8).Compress(3), "16 or 32"},
        {"pixels start past the end", Patched(Valid, 10, 100000, 4), "past the end"},
        {"RLE top-down", Bmp(2, -2, 8).Compress(1), "top-down"},
        {"RLE claiming 16 million pixels from 4 bytes", Bmp(4000, 4000, 8, Bytes({0, 0, 0, 1})).Compress(1),
         "too large"},
        {"RLE without its end marker", Bmp(2, 2, 8, Bytes({2, 1})).Compress(1), "end-of-bitmap"},
    };
    for (const Row& R : Rows) {
        try {
            Read(R.File);
            ADD_FAILURE() << R.Shows << ": no error";
        } catch (const EInvalidGraphic& E) {
            EXPECT_NE(std::string::npos, std::string(E.what()).find(R.Reason)) << R.Shows << ": " << E.what();
        }
    }

    TOverstatedStream Lying(Valid.chopped(8));
    EXPECT_THROW(ReadBmp(Lying), EInvalidGraphic) << "a failing stream read is reported as a bad picture";

    EXPECT_THROW(Write(QImage()), EInvalidGraphic);
    EXPECT_THROW(Write(QImage(70000, 1, QImage::Format_Mono)), EInvalidGraphic)
        << "we never write what we refuse";
}

TEST(BmpCodec, LeavesTheStreamAfterTheFile) {
    // Files back to back after a prefix: the first declares 3 bytes beyond its
    // pixels in bfSize, the second declares bfSize 0. Each read must stop
    // where its file ends.
    QByteArray First = Write(Noise(3, 2, QImage::Format_BGR888, 21)) + "pad";
    First = Patched(First, 2, First.size(), 4);
    const QByteArray Second = Patched(Write(Noise(5, 1, QImage::Format_Indexed8, 22)), 2, 0, 4);
    TMemoryStream S("xy" + First + Second + "trailer");
    S.SetPosition(2);
    EXPECT_EQ(3, ReadBmp(S).width());
    EXPECT_EQ(2 + First.size(), S.Position());
    EXPECT_EQ(5, ReadBmp(S).width());
    EXPECT_EQ(2 + First.size() + Second.size(), S.Position());
}

TEST(BmpCodec, MutatedFilesEitherReadOrFailCleanly) {
    const QByteArray Seeds[] = {
        Write(Noise(5, 3, QImage::Format_BGR888, 31)), Write(Noise(4, 4, QImage::Format_Indexed8, 32)),
        Write(Noise(9, 2, QImage::Format_Mono, 33)),
        Bmp(6, 3, 8, Bytes({3, 1, 0, 4, 1, 0, 1, 0, 0, 0, 0, 2, 1, 1, 2, 1, 0, 1})).Compress(1),
        Bmp(2, 2, 32).Compress(3, {0xFF0000, 0xFF00, 0xFF}).Header(108, 0)};
    std::mt19937 Rng(20240611);
    for (int I = 0; I < 2000; ++I) {
        QByteArray File = Seeds[I % 5];
        // Mostly in the headers, where a single byte changes the meaning of the rest.
        for (int N = int(Rng() % 4) + 1; N > 0; --N) {
            const int At = int(Rng() % uint32_t(Rng() % 2 ? std::min<int>(File.size(), 70) : File.size()));
            File[At] = char(Rng());
        }
        if (Rng() % 8 == 0) File.truncate(int(Rng() % uint32_t(File.size())));
        try {
            Read(File);
        } catch (const EInvalidGraphic&) {
        }
    }
}

} // namespace
