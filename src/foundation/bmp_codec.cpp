#include "foundation/bmp_codec.h"

#include "foundation/streams.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace draxa {

namespace {

constexpr int64_t FileHeaderSize = 14;
constexpr int64_t InfoHeaderSize = 40;
constexpr int64_t CoreHeaderSize = 12;

enum : uint32_t {
    BiRgb = 0,
    BiRle8 = 1,
    BiRle4 = 2,
    BiBitfields = 3,
    BiJpeg = 4,
    BiPng = 5,
    BiAlphaBitfields = 6
};

constexpr QRgb Black = 0xFF000000u;
constexpr QRgb White = 0xFFFFFFFFu;

// --- little-endian fields ------------------------------------------------

uint16_t Get16(const uint8_t* P) {
    return uint16_t(P[0] | (P[1] << 8));
}

uint32_t Get32(const uint8_t* P) {
    return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24);
}

// A signed 32-bit field, widened without relying on how the compiler narrows.
int64_t GetSigned32(const uint8_t* P) {
    const uint32_t V = Get32(P);
    return V & 0x80000000u ? int64_t(V) - (int64_t(1) << 32) : int64_t(V);
}

void Put16(uint8_t* P, uint32_t V) {
    P[0] = uint8_t(V);
    P[1] = uint8_t(V >> 8);
}

void Put32(uint8_t* P, uint32_t V) {
    for (int I = 0; I < 4; ++I) P[I] = uint8_t(V >> (8 * I));
}

// --- errors ----------------------------------------------------------------

[[noreturn]] void Fail(const std::string& Why) {
    throw EInvalidGraphic(Why);
}

[[noreturn]] void CutShort(const std::string& Where) {
    Fail("Bitmap data is cut short: " + Where);
}

std::string Dims(int64_t Width, int64_t Height) {
    return std::to_string(Width) + " x " + std::to_string(Height);
}

// Rejects sizes beyond what a drawing may hold, before anything is allocated.
void CheckLimits(int64_t Width, int64_t Height) {
    if (Width > BmpMaxSide || Height > BmpMaxSide)
        Fail("Bitmap of " + Dims(Width, Height) + " pixels exceeds the limit of " +
             std::to_string(BmpMaxSide) + " pixels per side");
    if (Width * Height > BmpMaxPixels)
        Fail("Bitmap of " + Dims(Width, Height) + " pixels exceeds the limit of " +
             std::to_string(BmpMaxPixels) + " pixels");
}

// Bytes per row in the file: Bpp bits per pixel, padded to 4 bytes.
int64_t FileStride(int64_t Width, int Bpp) {
    return (Width * Bpp + 31) / 32 * 4;
}

// Reads Count bytes of the part named What, after checking they are there.
void ReadPart(TStream& Stream, void* Buffer, int64_t Count, const std::string& What) {
    const int64_t Left = Stream.Remaining();
    if (Left < Count)
        CutShort(What + " needs " + std::to_string(Count) + " bytes, only " + std::to_string(Left) +
                 " remain");
    Stream.ReadBuffer(Buffer, Count);
}

// --- reading -----------------------------------------------------------

struct TBmpHeader {
    int64_t FileStart = 0;    // stream position of "BM"
    uint32_t FileSize = 0;    // bfSize
    uint32_t PixelOffset = 0; // bfOffBits, counted from FileStart
    uint32_t HeaderSize = 0;
    int64_t Width = 0;
    int64_t Height = 0; // always positive; TopDown tells the row order
    bool TopDown = false;
    int Bpp = 0;
    uint32_t Compression = BiRgb;
    uint32_t ColorsUsed = 0;
    int64_t XPelsPerMeter = 0;
    int64_t YPelsPerMeter = 0;
    std::array<uint32_t, 3> Masks{}; // red, green, blue; used at 16 and 32 bits
    int64_t PaletteStart = 0;        // counted from FileStart, after header and masks
};

void CheckCompression(const TBmpHeader& H) {
    switch (H.Compression) {
    case BiRgb:
        return;
    case BiRle8:
    case BiRle4: {
        const int Wanted = H.Compression == BiRle8 ? 8 : 4;
        const std::string Name = H.Compression == BiRle8 ? "RLE8" : "RLE4";
        if (H.Bpp != Wanted)
            Fail(Name + " compression needs " + std::to_string(Wanted) + " bits per pixel, the header says " +
                 std::to_string(H.Bpp));
        if (H.TopDown) Fail(Name + " compressed bitmaps cannot be stored top-down");
        return;
    }
    case BiBitfields:
    case BiAlphaBitfields:
        if (H.Bpp != 16 && H.Bpp != 32)
            Fail("Bit-field masks need 16 or 32 bits per pixel, the header says " + std::to_string(H.Bpp));
        return;
    case BiJpeg:
        Fail("JPEG data inside a BMP file is not supported");
    case BiPng:
        Fail("PNG data inside a BMP file is not supported");
    default:
        Fail("Unsupported bitmap compression " + std::to_string(H.Compression));
    }
}

TBmpHeader ReadHeaders(TStream& Stream) {
    TBmpHeader H;
    H.FileStart = Stream.Position();

    uint8_t File[FileHeaderSize];
    ReadPart(Stream, File, FileHeaderSize, "the file header");
    if (File[0] != 'B' || File[1] != 'M') Fail("Not a BMP file: it does not start with \"BM\"");
    H.FileSize = Get32(File + 2);
    H.PixelOffset = Get32(File + 10);

    uint8_t Info[124] = {};
    ReadPart(Stream, Info, 4, "the bitmap header");
    H.HeaderSize = Get32(Info);
    switch (H.HeaderSize) {
    case 12:
    case 40:
    case 52:
    case 56:
    case 108:
    case 124:
        break;
    default:
        Fail("Unsupported bitmap header size " + std::to_string(H.HeaderSize));
    }
    ReadPart(Stream, Info + 4, H.HeaderSize - 4, "the bitmap header");

    int Planes = 0;
    if (H.HeaderSize == CoreHeaderSize) {
        // Unsigned 16-bit sizes, always bottom-up, never compressed.
        H.Width = Get16(Info + 4);
        H.Height = Get16(Info + 6);
        Planes = Get16(Info + 8);
        H.Bpp = Get16(Info + 10);
    } else {
        H.Width = GetSigned32(Info + 4);
        const int64_t Height = GetSigned32(Info + 8);
        H.TopDown = Height < 0;
        H.Height = H.TopDown ? -Height : Height;
        Planes = Get16(Info + 12);
        H.Bpp = Get16(Info + 14);
        H.Compression = Get32(Info + 16);
        H.XPelsPerMeter = GetSigned32(Info + 24);
        H.YPelsPerMeter = GetSigned32(Info + 28);
        H.ColorsUsed = Get32(Info + 32);
    }

    if (Planes != 1) Fail("Bitmap planes must be 1, the header says " + std::to_string(Planes));
    switch (H.Bpp) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        Fail("Unsupported bitmap bit depth " + std::to_string(H.Bpp));
    }
    if (H.Width <= 0) Fail("Bitmap width " + std::to_string(H.Width) + " is not positive");
    if (H.Height == 0) Fail("Bitmap height is zero");
    CheckLimits(H.Width, H.Height);
    CheckCompression(H);

    H.PaletteStart = FileHeaderSize + H.HeaderSize;
    if (H.Compression == BiBitfields || H.Compression == BiAlphaBitfields) {
        if (H.HeaderSize == InfoHeaderSize) {
            // The plain info header keeps its masks right behind it.
            const int64_t Count = H.Compression == BiAlphaBitfields ? 4 : 3;
            uint8_t Masks[16];
            ReadPart(Stream, Masks, 4 * Count, "the colour masks");
            for (int I = 0; I < 3; ++I) H.Masks[size_t(I)] = Get32(Masks + 4 * I);
            H.PaletteStart += 4 * Count;
        } else {
            for (int I = 0; I < 3; ++I) H.Masks[size_t(I)] = Get32(Info + 40 + 4 * I);
        }
    } else if (H.Bpp == 16) {
        H.Masks = {0x7C00, 0x03E0, 0x001F}; // 5-5-5
    }
    return H;
}

// Reads the palette of a 1, 4 or 8-bit picture (an empty table otherwise) and
// returns it padded with black to 2^Bpp entries. PixelStart receives the
// stream position of the first pixel: bfOffBits, which may leave a gap after
// the palette or cut a palette short; when bfOffBits points before the
// palette's start it is wrong, and the pixels are taken to follow the palette.
QList<QRgb> ReadPalette(TStream& Stream, const TBmpHeader& H, int64_t& PixelStart) {
    const int64_t EntrySize = H.HeaderSize == CoreHeaderSize ? 3 : 4;
    int64_t Entries = 0;
    QList<QRgb> Table;
    if (H.Bpp <= 8) {
        const int64_t Full = int64_t(1) << H.Bpp;
        Entries = H.ColorsUsed == 0 ? Full : std::min<int64_t>(H.ColorsUsed, Full);
        if (H.PixelOffset >= H.PaletteStart)
            Entries = std::min<int64_t>(Entries, (H.PixelOffset - H.PaletteStart) / EntrySize);
        uint8_t Bytes[256 * 4];
        ReadPart(Stream, Bytes, Entries * EntrySize, "the palette");
        Table.fill(Black, Full);
        for (int64_t I = 0; I < Entries; ++I) {
            const uint8_t* E = Bytes + I * EntrySize;
            Table[I] = qRgb(E[2], E[1], E[0]);
        }
    }
    const int64_t PaletteEnd = H.PaletteStart + Entries * EntrySize;
    PixelStart = H.FileStart + std::max<int64_t>(H.PixelOffset, PaletteEnd);
    return Table;
}

// Scales the bits of one mask to 0..255, rounding to nearest. Masks need not
// be contiguous or fit the pixel width; the arithmetic holds for any value.
struct TChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    uint64_t Max = 0;

    explicit TChannel(uint32_t M) : Mask(M) {
        if (M == 0) return;
        while (((M >> Shift) & 1u) == 0) ++Shift;
        Max = M >> Shift;
    }
    uint8_t operator()(uint32_t V) const {
        return Max == 0 ? 0 : uint8_t((uint64_t((V & Mask) >> Shift) * 255 + Max / 2) / Max);
    }
};

// Reads uncompressed rows; the caller has checked that they are in the
// stream. Returns the number of bytes consumed.
int64_t ReadRows(TStream& Stream, const TBmpHeader& H, int64_t Available, QImage& Image) {
    const int64_t Stride = FileStride(H.Width, H.Bpp);
    const int64_t W = H.Width;
    const TChannel Red(H.Masks[0]), Green(H.Masks[1]), Blue(H.Masks[2]);
    std::vector<uint8_t> Row(size_t(Stride), 0);
    for (int64_t FileRow = 0; FileRow < H.Height; ++FileRow) {
        // Only the last row may miss its padding, and only at the end of the data.
        const int64_t Count = std::min(Stride, Available - Stride * FileRow);
        Stream.ReadBuffer(Row.data(), Count);
        const uint8_t* Src = Row.data();
        uint8_t* Dst = Image.scanLine(int(H.TopDown ? FileRow : H.Height - 1 - FileRow));
        switch (H.Bpp) {
        case 1:
            for (int64_t X = 0; X < W; ++X) Dst[X] = (Src[X >> 3] >> (7 - (X & 7))) & 1;
            break;
        case 4:
            for (int64_t X = 0; X < W; ++X) Dst[X] = X & 1 ? Src[X >> 1] & 0x0F : Src[X >> 1] >> 4;
            break;
        case 8:
            std::memcpy(Dst, Src, size_t(W));
            break;
        case 24:
            std::memcpy(Dst, Src, size_t(3 * W));
            break;
        case 16:
        case 32: {
            if (H.Bpp == 32 && H.Compression == BiRgb) {
                for (int64_t X = 0; X < W; ++X) std::memcpy(Dst + 3 * X, Src + 4 * X, 3);
                break;
            }
            for (int64_t X = 0; X < W; ++X) {
                const uint32_t V = H.Bpp == 16 ? Get16(Src + 2 * X) : Get32(Src + 4 * X);
                Dst[3 * X] = Blue(V);
                Dst[3 * X + 1] = Green(V);
                Dst[3 * X + 2] = Red(V);
            }
            break;
        }
        default:
            break;
        }
    }
    return std::min(Stride * H.Height, Available);
}

// Hands out compressed pixel bytes one at a time, reading the stream in
// blocks and never more than Limit bytes.
class TByteSource {
public:
    TByteSource(TStream& Stream, int64_t Limit) : FStream(Stream), FLeft(Limit) {}

    bool AtEnd() const { return FPos == FLen && FLeft == 0; }
    int64_t Consumed() const { return FConsumed; }

    uint8_t Next() {
        if (FPos == FLen) {
            if (FLeft == 0) CutShort("the compressed pixels end before the end-of-bitmap marker");
            FLen = size_t(std::min<int64_t>(FLeft, int64_t(FBuffer.size())));
            FStream.ReadBuffer(FBuffer.data(), int64_t(FLen));
            FLeft -= int64_t(FLen);
            FPos = 0;
        }
        ++FConsumed;
        return FBuffer[FPos++];
    }

private:
    TStream& FStream;
    int64_t FLeft;
    std::array<uint8_t, 4096> FBuffer{};
    size_t FPos = 0;
    size_t FLen = 0;
    int64_t FConsumed = 0;
};

// Decodes RLE8 or RLE4 pixels into an Indexed8 image. Pixels the data skips
// keep index 0; pixels that would land outside the image (a run past its row's
// end, a delta past an edge) are dropped, never wrapped to the next row.
// Returns the number of bytes consumed.
int64_t ReadRle(TStream& Stream, const TBmpHeader& H, int64_t Available, QImage& Image) {
    Image.fill(0);
    uint8_t* Bits = Image.bits();
    const int64_t Bpl = Image.bytesPerLine();
    const bool Four = H.Compression == BiRle4;
    TByteSource Src(Stream, Available);

    int64_t X = 0;
    int64_t Y = 0; // rows from the bottom, in file order
    auto Put = [&](uint8_t Index) {
        if (X < H.Width && Y < H.Height) Bits[(H.Height - 1 - Y) * Bpl + X] = Index;
        ++X;
    };

    for (;;) {
        if (Src.AtEnd()) {
            // A picture whose rows are all there may leave out the end marker.
            if (Y >= H.Height || (Y == H.Height - 1 && X >= H.Width)) break;
            CutShort("the compressed pixels end before the end-of-bitmap marker");
        }
        const uint8_t Count = Src.Next();
        const uint8_t Value = Src.Next();
        if (Count > 0) {
            for (int I = 0; I < Count; ++I) Put(Four ? ((I & 1) ? Value & 0x0F : Value >> 4) : Value);
        } else if (Value == 0) { // end of line
            X = 0;
            ++Y;
        } else if (Value == 1) { // end of bitmap
            break;
        } else if (Value == 2) { // delta: move right and up
            X += Src.Next();
            Y += Src.Next();
        } else { // absolute: Value literal pixels, padded to 16 bits
            const int Bytes = Four ? (Value + 1) / 2 : Value;
            for (int I = 0; I < Bytes; ++I) {
                const uint8_t B = Src.Next();
                if (!Four) {
                    Put(B);
                    continue;
                }
                Put(B >> 4);
                if (2 * I + 1 < Value) Put(B & 0x0F);
            }
            if (Bytes & 1) Src.Next();
        }
    }
    return Src.Consumed();
}

QImage ReadFrom(TStream& Stream) {
    const TBmpHeader H = ReadHeaders(Stream);
    int64_t PixelStart = 0;
    const QList<QRgb> Palette = ReadPalette(Stream, H, PixelStart);

    const int64_t StreamEnd = Stream.Size();
    if (PixelStart > StreamEnd)
        CutShort("the pixels start " + std::to_string(PixelStart - H.FileStart) +
                 " bytes into the file, past the end of the data");
    const int64_t Available = StreamEnd - PixelStart;
    const bool Compressed = H.Compression == BiRle8 || H.Compression == BiRle4;
    const int64_t Pixels = H.Width * H.Height;

    if (Compressed) {
        // Guards against a few bytes claiming a huge picture; see BmpRlePixelsPerByte.
        const int64_t Allowed = Available > BmpMaxPixels / BmpRlePixelsPerByte
                                    ? BmpMaxPixels
                                    : Available * BmpRlePixelsPerByte + BmpRleSlackPixels;
        if (Pixels > Allowed)
            Fail("Compressed bitmap of " + Dims(H.Width, H.Height) + " pixels is too large for the " +
                 std::to_string(Available) + " bytes of data it has");
    } else {
        const int64_t Needed = FileStride(H.Width, H.Bpp) * (H.Height - 1) + (H.Width * H.Bpp + 7) / 8;
        if (Needed > Available)
            CutShort(Dims(H.Width, H.Height) + " pixels at " + std::to_string(H.Bpp) + " bits need " +
                     std::to_string(Needed) + " bytes, only " + std::to_string(Available) + " remain");
    }

    QImage Image(int(H.Width), int(H.Height), H.Bpp <= 8 ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (Image.isNull()) Fail("Not enough memory for a bitmap of " + Dims(H.Width, H.Height) + " pixels");
    if (H.Bpp <= 8) Image.setColorTable(Palette);
    if (H.XPelsPerMeter > 0) Image.setDotsPerMeterX(int(H.XPelsPerMeter));
    if (H.YPelsPerMeter > 0) Image.setDotsPerMeterY(int(H.YPelsPerMeter));

    Stream.SetPosition(PixelStart);
    const int64_t Consumed =
        Compressed ? ReadRle(Stream, H, Available, Image) : ReadRows(Stream, H, Available, Image);

    // Honour bfSize when it covers what was read, so that whatever follows the
    // file in the stream is found where the file says; many writers get it
    // wrong, so otherwise stop right after the pixels.
    const int64_t End = PixelStart + Consumed;
    const int64_t Declared = H.FileStart + int64_t(H.FileSize);
    Stream.SetPosition(Declared >= End && Declared <= StreamEnd ? Declared : End);
    return Image;
}

// --- writing -----------------------------------------------------------

uint8_t Unpremultiply(int C, int A) {
    return A == 0 ? 0 : uint8_t(std::min(255, (C * 255 + A / 2) / A));
}

// Fills the first bytes of Row with image row Y in file layout; the padding
// bytes after them are left as the caller set them (zero).
void FillRow(const QImage& Source, int Y, uint8_t* Row) {
    const int64_t W = Source.width();
    const uint8_t* Src = Source.constScanLine(Y);
    const QRgb* Rgb = reinterpret_cast<const QRgb*>(Src);
    switch (Source.format()) {
    case QImage::Format_BGR888:
        std::memcpy(Row, Src, size_t(3 * W));
        break;
    case QImage::Format_ARGB32_Premultiplied:
        // Our own rounding rather than Qt's, whose tables may change.
        for (int64_t X = 0; X < W; ++X) {
            const int A = qAlpha(Rgb[X]);
            Row[3 * X] = Unpremultiply(qBlue(Rgb[X]), A);
            Row[3 * X + 1] = Unpremultiply(qGreen(Rgb[X]), A);
            Row[3 * X + 2] = Unpremultiply(qRed(Rgb[X]), A);
        }
        break;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
        std::memcpy(Row, Src, size_t(W));
        break;
    case QImage::Format_Mono: {
        const int64_t Bytes = (W + 7) / 8;
        std::memcpy(Row, Src, size_t(Bytes));
        // The bits past the last pixel are whatever the image memory held.
        if (W % 8) Row[Bytes - 1] &= uint8_t(0xFF << (8 - W % 8));
        break;
    }
    default: // RGB32 and ARGB32: the straight colour, alpha dropped
        for (int64_t X = 0; X < W; ++X) {
            Row[3 * X] = uint8_t(qBlue(Rgb[X]));
            Row[3 * X + 1] = uint8_t(qGreen(Rgb[X]));
            Row[3 * X + 2] = uint8_t(qRed(Rgb[X]));
        }
        break;
    }
}

} // namespace

void ReadBmpSize(TStream& Stream, int64_t& Width, int64_t& Height) {
    const int64_t Start = Stream.Position();
    try {
        const TBmpHeader H = ReadHeaders(Stream);
        Stream.SetPosition(Start);
        Width = H.Width;
        Height = H.Height;
    } catch (const EStreamError& E) {
        Stream.SetPosition(Start);
        throw EInvalidGraphic(std::string("Bitmap data is cut short: ") + E.what());
    } catch (const EInvalidGraphic&) {
        Stream.SetPosition(Start);
        throw;
    }
}

void WriteBmp(TStream& Stream, const QImage& Image) {
    if (Image.isNull()) Fail("An empty image cannot be stored as a bitmap");
    const int64_t W = Image.width();
    const int64_t H = Image.height();
    CheckLimits(W, H);

    QImage Source = Image;
    int Bpp = 24;
    std::vector<QRgb> Palette;
    switch (Image.format()) {
    case QImage::Format_BGR888:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8: {
        Bpp = 8;
        Palette.assign(256, Black);
        const bool Grey = Image.format() == QImage::Format_Grayscale8;
        const QList<QRgb> Table = Image.colorTable();
        for (int I = 0; I < 256; ++I)
            if (Grey)
                Palette[size_t(I)] = qRgb(I, I, I);
            else if (I < Table.size())
                Palette[size_t(I)] = Table[I];
        break;
    }
    case QImage::Format_Mono: {
        Bpp = 1;
        Palette = {Black, White};
        const QList<QRgb> Table = Image.colorTable();
        for (int I = 0; I < 2 && I < Table.size(); ++I) Palette[size_t(I)] = Table[I];
        break;
    }
    default:
        Source = Image.convertToFormat(QImage::Format_ARGB32);
        if (Source.isNull()) Fail("Not enough memory to convert the image for storing as a bitmap");
        break;
    }

    // Within the limits the file stays far below 4 GiB, so every size fits its field.
    const int64_t Stride = FileStride(W, Bpp);
    const int64_t ImageSize = Stride * H;
    const int64_t PaletteSize = 4 * int64_t(Palette.size());
    const int64_t Offset = FileHeaderSize + InfoHeaderSize + PaletteSize;

    std::array<uint8_t, FileHeaderSize + InfoHeaderSize> Header{};
    Header[0] = 'B';
    Header[1] = 'M';
    Put32(&Header[2], uint32_t(Offset + ImageSize));
    Put32(&Header[10], uint32_t(Offset));
    uint8_t* Info = &Header[FileHeaderSize];
    Put32(Info, uint32_t(InfoHeaderSize));
    Put32(Info + 4, uint32_t(W));
    Put32(Info + 8, uint32_t(H)); // positive: bottom-up rows
    Put16(Info + 12, 1);
    Put16(Info + 14, uint32_t(Bpp));
    Put32(Info + 16, BiRgb);
    Put32(Info + 20, uint32_t(ImageSize));
    Put32(Info + 24, uint32_t(BmpPelsPerMeter));
    Put32(Info + 28, uint32_t(BmpPelsPerMeter));
    Put32(Info + 32, uint32_t(Palette.size()));
    Stream.WriteBuffer(Header.data(), int64_t(Header.size()));

    if (!Palette.empty()) {
        std::vector<uint8_t> Bytes(size_t(PaletteSize), 0);
        for (size_t I = 0; I < Palette.size(); ++I) {
            Bytes[4 * I] = uint8_t(qBlue(Palette[I]));
            Bytes[4 * I + 1] = uint8_t(qGreen(Palette[I]));
            Bytes[4 * I + 2] = uint8_t(qRed(Palette[I]));
        }
        Stream.WriteBuffer(Bytes.data(), PaletteSize);
    }

    std::vector<uint8_t> Row(size_t(Stride), 0);
    for (int64_t Y = H - 1; Y >= 0; --Y) {
        FillRow(Source, int(Y), Row.data());
        Stream.WriteBuffer(Row.data(), Stride);
    }
}

QImage ReadBmp(TStream& Stream) {
    try {
        return ReadFrom(Stream);
    } catch (const EStreamError& E) {
        // The size checks come first, so this is a stream that delivered less
        // than it said it holds.
        throw EInvalidGraphic(std::string("Bitmap data is cut short: ") + E.what());
    }
}

} // namespace draxa
