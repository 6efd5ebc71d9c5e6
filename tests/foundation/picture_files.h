// Picture files made byte by byte for the loader's tests: metafiles with the
// records a test needs, pictures in Qt's own formats, JPEG markers.
#pragma once

#include "foundation/bitmap.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace draxa::test {

// Writes Bytes to the file Name in Dir and returns its path (a failed write fails the test).
inline QString Write(const QTemporaryDir& Dir, const QString& Name, const QByteArray& Bytes) {
    const QString Path = Dir.filePath(Name);
    QFile File(Path);
    if (!File.open(QIODevice::WriteOnly) || File.write(Bytes) != Bytes.size())
        ADD_FAILURE() << "cannot write " << Name.toStdString();
    return Path;
}

// The pixel as (R, G, B), whatever the bitmap's format.
inline QRgb Rgb(const TBitmap& B, int X, int Y) {
    return B.Image().pixel(X, Y) & 0xFFFFFF;
}

inline QByteArray LeBytes(int64_t V, int Bytes) {
    QByteArray B;
    for (int I = 0; I < Bytes; ++I) B += char(uint8_t(uint64_t(V) >> (8 * I)));
    return B;
}

inline QByteArray Utf16(const QString& Text) {
    QByteArray B;
    for (const QChar C : Text) B += LeBytes(C.unicode(), 2);
    return B;
}

// ---- EMF ----

inline QByteArray EmfRecord(int Type, const QByteArray& Body) {
    return LeBytes(Type, 4) + LeBytes(8 + Body.size(), 4) + Body;
}

// The reference device an EMF was recorded on: pixels and millimetres.
struct TEmfDevice {
    int Width = 1920, Height = 1080, WidthMm = 508, HeightMm = 286; // a 96 dpi screen
};
inline constexpr TEmfDevice Printer1200Dpi{9921, 14031, 210, 297}; // A4 at 1200 dpi

// An EMF with the given header rectangles (bounds in device pixels, frame in
// 0.01 mm, both inclusive) and records; the end record is added.
inline QByteArray Emf(const QRect& Bounds, const QRect& Frame, const TEmfDevice& Device,
                      const std::vector<QByteArray>& Records) {
    QByteArray Body;
    for (const QByteArray& R : Records) Body += R;
    Body += EmfRecord(14, LeBytes(0, 4) + LeBytes(16, 4) + LeBytes(20, 4));
    auto Rect = [](const QRect& R) {
        return LeBytes(R.left(), 4) + LeBytes(R.top(), 4) + LeBytes(R.right(), 4) + LeBytes(R.bottom(), 4);
    };
    return LeBytes(1, 4) + LeBytes(108, 4) + Rect(Bounds) + Rect(Frame) + LeBytes(0x464D4520, 4) +
           LeBytes(0x10000, 4) + LeBytes(108 + Body.size(), 4) + LeBytes(int(Records.size()) + 2, 4) +
           LeBytes(4, 2) + LeBytes(0, 2) + LeBytes(0, 4) + LeBytes(0, 4) + LeBytes(0, 4) +
           LeBytes(Device.Width, 4) + LeBytes(Device.Height, 4) + LeBytes(Device.WidthMm, 4) +
           LeBytes(Device.HeightMm, 4) + QByteArray(12, '\0') + LeBytes(Device.WidthMm * 1000, 4) +
           LeBytes(Device.HeightMm * 1000, 4) + Body;
}

// Records that fill Box (device pixels) with Colour, without an outline.
inline std::vector<QByteArray> EmfFilledBox(const QRect& Box, QRgb Colour) {
    const int64_t Ref = qRed(Colour) | qGreen(Colour) << 8 | qBlue(Colour) << 16;
    return {EmfRecord(39, LeBytes(1, 4) + LeBytes(0, 4) + LeBytes(Ref, 4) + LeBytes(0, 4)),
            EmfRecord(37, LeBytes(1, 4)), EmfRecord(37, LeBytes(0x80000008, 4)),
            EmfRecord(43, LeBytes(Box.left(), 4) + LeBytes(Box.top(), 4) + LeBytes(Box.right() + 1, 4) +
                              LeBytes(Box.bottom() + 1, 4))};
}

// An EMR_EXTTEXTOUTW record drawing Text at (X, Y).
inline QByteArray EmfText(const QString& Text, int X, int Y) {
    QByteArray Chars = Utf16(Text);
    while (Chars.size() % 4) Chars += '\0';
    QByteArray Dx;
    for (int I = 0; I < Text.size(); ++I) Dx += LeBytes(8, 4);
    return EmfRecord(84, QByteArray(16, '\0') + LeBytes(1, 4) + LeBytes(0x3F800000, 4) +
                             LeBytes(0x3F800000, 4) + LeBytes(X, 4) + LeBytes(Y, 4) +
                             LeBytes(Text.size(), 4) + LeBytes(76, 4) + LeBytes(0, 4) + QByteArray(16, '\0') +
                             LeBytes(76 + Chars.size(), 4) + Chars + Dx);
}

// ---- WMF ----

inline QByteArray WmfRecord(int Function, const QByteArray& Params) {
    return LeBytes(3 + Params.size() / 2, 4) + LeBytes(Function, 2) + Params;
}

// A placeable WMF of Width x Height units at UnitsPerInch, with the window
// set to the same extent, Objects handles and the records; the end record is
// added.
inline QByteArray PlaceableWmf(int Width, int Height, int UnitsPerInch, int Objects,
                               const std::vector<QByteArray>& Records) {
    QByteArray Body = WmfRecord(0x020B, LeBytes(0, 2) + LeBytes(0, 2)) +
                      WmfRecord(0x020C, LeBytes(Height, 2) + LeBytes(Width, 2));
    int Largest = 5;
    for (const QByteArray& R : Records) {
        Body += R;
        Largest = std::max(Largest, int(R.size() / 2));
    }
    Body += WmfRecord(0, {});
    const QByteArray Header = LeBytes(1, 2) + LeBytes(9, 2) + LeBytes(0x300, 2) +
                              LeBytes((18 + Body.size()) / 2, 4) + LeBytes(Objects, 2) + LeBytes(Largest, 4) +
                              LeBytes(0, 2);
    QByteArray Placeable = LeBytes(0x9AC6CDD7, 4) + LeBytes(0, 2) + LeBytes(0, 2) + LeBytes(0, 2) +
                           LeBytes(Width, 2) + LeBytes(Height, 2) + LeBytes(UnitsPerInch, 2) + LeBytes(0, 4);
    int Sum = 0;
    for (int I = 0; I < 20; I += 2) Sum ^= uint8_t(Placeable[I]) | uint8_t(Placeable[I + 1]) << 8;
    return Placeable + LeBytes(Sum, 2) + Header + Body;
}

// CREATEFONTINDIRECT of a font Height units high, then SELECTOBJECT of its
// handle, then TEXTOUT of Text at (X, Y).
inline std::vector<QByteArray> WmfFontText(const char* Face, int Handle, int Height, const QByteArray& Text,
                                           int X, int Y) {
    QByteArray Name(Face);
    Name.resize(32, '\0');
    QByteArray Padded = Text;
    if (Padded.size() % 2) Padded += '\0';
    return {WmfRecord(0x02FB, LeBytes(-Height, 2) + LeBytes(0, 2) + LeBytes(0, 2) + LeBytes(0, 2) +
                                  LeBytes(400, 2) + QByteArray(8, '\0') + Name),
            WmfRecord(0x012D, LeBytes(Handle, 2)),
            WmfRecord(0x0521, LeBytes(Text.size(), 2) + Padded + LeBytes(Y, 2) + LeBytes(X, 2))};
}

// 64 KiB of one self-crossing polygon over a 4000 x 4000 picture, with a
// wide dotted outline: minutes of drawing.
inline QByteArray HugePolygonWmf() {
    QByteArray Points;
    uint32_t Seed = 1;
    for (int I = 0; I < 16000; ++I) {
        Seed = Seed * 1103515245 + 12345;
        Points += LeBytes((Seed >> 8) % 32000, 2);
        Seed = Seed * 1103515245 + 12345;
        Points += LeBytes((Seed >> 8) % 32000, 2);
    }
    const QByteArray Wmf =
        PlaceableWmf(32000, 32000, 768, 2,
                     {WmfRecord(0x02FA, LeBytes(2, 2) + LeBytes(100, 2) + LeBytes(0, 2) + LeBytes(0xFF, 4)),
                      WmfRecord(0x012D, LeBytes(0, 2)),
                      WmfRecord(0x02FC, LeBytes(0, 2) + LeBytes(0x00FF00, 4) + LeBytes(0, 2)),
                      WmfRecord(0x012D, LeBytes(1, 2)), WmfRecord(0x0324, LeBytes(16000, 2) + Points)});
    return Wmf;
}

// ---- pictures in Qt's formats ----

inline QByteArray EncodedImage(const QImage& Image, const char* Format) {
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, Format);
    return Bytes;
}

inline QImage FilledImage(int W, int H, QRgb Colour) {
    QImage Image(W, H, QImage::Format_RGB32);
    Image.fill(Colour);
    return Image;
}

// ---- JPEG ----

// The JPEG with an EXIF block (big-endian TIFF, as many cameras write it)
// that records Orientation.
inline QByteArray WithExifOrientation(const QByteArray& Jpeg, int Orientation) {
    const QByteArray Tiff = QByteArray("MM\0*", 4) + QByteArray::fromHex("00000008") +
                            QByteArray::fromHex("0001") + QByteArray::fromHex("0112000300000001") + char(0) +
                            char(Orientation) + QByteArray::fromHex("0000") + QByteArray::fromHex("00000000");
    const QByteArray Exif = QByteArray("Exif\0\0", 6) + Tiff;
    const int Length = int(Exif.size()) + 2;
    return Jpeg.left(2) + "\xFF\xE1" + char(Length >> 8) + char(Length & 0xFF) + Exif + Jpeg.mid(2);
}

} // namespace draxa::test
