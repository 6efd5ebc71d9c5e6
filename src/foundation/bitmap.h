// TBitmap: a picture in memory with direct row access and its own canvas.
//
// 24 bits per pixel is QImage::Format_BGR888, whose rows hold blue, green,
// red bytes exactly like a 24-bit device-independent bitmap, so ScanLine(y)
// is a plain pointer the effects write through. 8 bits per pixel is an
// indexed image (grey ramp unless a file brought its own palette); 32 bits
// and the device format are Format_RGB32, which raster pen modes need.
#pragma once

#include "draxa_export.h"
#include "foundation/graphics.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>

namespace draxa {

class TCanvas;
class TStream;

enum class TPixelFormat : uint8_t {
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfCustom
};
enum class TTransparentMode : uint8_t { tmAuto, tmFixed };

class DRAXA_EXPORT TBitmap {
public:
    TBitmap();
    TBitmap(int Width, int Height, TPixelFormat Format = TPixelFormat::pf24bit);
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    ~TBitmap();

    // Size in pixels of the canvas's coordinates; the image holds
    // PixelRatio() x as many in each direction.
    int Width() const { return FImage.width() / FRatio; }
    int Height() const { return FImage.height() / FRatio; }
    // True when the bitmap has no pixels.
    bool Empty() const { return FImage.isNull() || FImage.width() <= 0 || FImage.height() <= 0; }
    // Resizes, keeping the pixels of the overlapping top-left area; new pixels
    // are white. Negative sizes count as 0. A size the memory cannot hold
    // throws std::bad_alloc and leaves the bitmap as it was.
    void SetSize(int Width, int Height);
    void SetWidth(int V) { SetSize(V, Height()); }
    void SetHeight(int V) { SetSize(Width(), V); }

    // Image pixels per canvas pixel in each direction (1 unless set): a
    // bitmap that stands in for a high-density screen keeps the screen's
    // pixels while everything drawn on it is placed in the screen's logical
    // pixels. Changing it keeps the size and makes every pixel white.
    int PixelRatio() const { return FRatio; }
    void SetPixelRatio(int Ratio);

    TPixelFormat PixelFormat() const { return FFormat; }
    // Converts the pixels to the new format (an empty bitmap just remembers it).
    void SetPixelFormat(TPixelFormat V);

    // First byte of row Y (top row 0), or nullptr when Y is out of range.
    // Rows are 3 bytes per pixel at 24 bits, 1 at 8 bits, 4 at 32 bits.
    uint8_t* ScanLine(int Y);
    const uint8_t* ScanLine(int Y) const;

    // The canvas that draws on this bitmap. An 8-bit bitmap is turned into a
    // 24-bit one when drawing starts, since indexed pixels cannot be painted.
    TCanvas& Canvas();

    // When Transparent, Draw leaves out the pixels of TransparentColor:
    // the bottom-left pixel's colour in tmAuto mode, the stored colour in tmFixed.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool V) { FTransparent = V; }
    TColor TransparentColor() const;
    // Storing a colour switches the mode to tmFixed.
    void SetTransparentColor(TColor V);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode V) { FTransparentMode = V; }

    // Copies pixels, format and transparency settings.
    void Assign(const TBitmap& Source);

    // Writes the bitmap as a BMP file image (our own writer, so the bytes
    // never depend on a library version). An empty bitmap writes nothing.
    void SaveToStream(TStream& Stream) const;
    // Reads a BMP file image from the stream's position. Throws
    // EInvalidGraphic with the reason when the data is not a readable BMP;
    // the bitmap then keeps what it had.
    void LoadFromStream(TStream& Stream);
    // File forms of the two above; opening failures throw EFOpenError.
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName) const;

    // The pixels, for drawing and for tests. The canvas is released first.
    const QImage& Image() const;
    // Replaces the pixels (converted to a format this class uses).
    void SetImage(const QImage& Image);
    // The image with transparent pixels made fully transparent, for Draw.
    QImage ImageForDraw() const;

private:
    void ReleaseCanvas() const;
    void AdoptImage(QImage Image);

    QImage FImage;
    int FRatio = 1;
    TPixelFormat FFormat = TPixelFormat::pf24bit;
    bool FTransparent = false;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = TTransparentMode::tmAuto;
    std::unique_ptr<TCanvas> FCanvas;
};

// A picture block of documents: Int64 byte count, then the bitmap as a BMP
// file image; a count of 0 means no picture (nullptr or an empty bitmap).
DRAXA_EXPORT void WritePictureBlock(TStream& Stream, const TBitmap* Picture);
// Reads a picture block: the picture, or nullptr when the block holds none
// or bytes that are not a readable BMP within the picture limits (the stream
// is after the block either way, so reading goes on). A size that is
// negative or larger than the rest of the stream throws EReadError before
// anything is allocated, and so does a picture whose pixels (3 bytes each)
// the running read's TDecodeBudget cannot pay for.
DRAXA_EXPORT std::unique_ptr<TBitmap> ReadPictureBlock(TStream& Stream);

// Qt image format that stores a pixel format (pf24bit -> BGR888 and so on).
DRAXA_EXPORT QImage::Format QImageFormatOf(TPixelFormat Format);

} // namespace draxa
