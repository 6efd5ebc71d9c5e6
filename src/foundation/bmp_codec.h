// Our own BMP reader and writer. The bytes a drawing stores for a bitmap never
// depend on a library version, and a hostile picture inside a document can
// neither crash the reader nor make it allocate more than its data justifies.
#pragma once

#include <QImage>

#include <cstdint>
#include <stdexcept>

namespace draxa {

class TStream;

// A picture that cannot be read (or an image that cannot be written as a
// BMP); the message says exactly why.
class EInvalidGraphic : public std::runtime_error {
public:
    using runtime_error::runtime_error;
};

// The most pixels any picture reader makes, whatever a file claims or the
// environment allows: 2^24, about 16.7 million (4096 x 4096, 48 MiB at 24 bits).
constexpr int64_t PictureMaxPixels = int64_t(1) << 24;

// Limits both directions enforce, so we never write a file we would refuse to
// read. A picture larger than this has no place in a drawing.
constexpr int64_t BmpMaxSide = 65535;              // pixels per side
constexpr int64_t BmpMaxPixels = PictureMaxPixels; // width * height
// An RLE pair expands to at most 255 pixels per 2 bytes, so a compressed
// picture may claim at most BmpRlePixelsPerByte pixels per byte of data it
// has, plus BmpRleSlackPixels for pictures made mostly of skipped areas.
constexpr int64_t BmpRlePixelsPerByte = 128;
constexpr int64_t BmpRleSlackPixels = int64_t(1) << 20;
// Resolution written into every file: 96 dpi. The image's own resolution is
// not used because QImage's default follows the screen, which would make the
// stored bytes depend on the machine.
constexpr int32_t BmpPelsPerMeter = 3780;

// Writes Image at the stream's position as a complete BMP file: 14-byte file
// header "BM", 40-byte BITMAPINFOHEADER, palette, bottom-up rows padded with
// zero bytes to 4 bytes. The formats TBitmap uses are written by our own code,
// so the same pixels give the same bytes, always: BGR888, RGB32, ARGB32 and
// ARGB32_Premultiplied as 24 bits (alpha dropped, the unpremultiplied colour
// kept); Indexed8 and Grayscale8 as 8 bits with a 256-entry palette (a grey
// ramp for Grayscale8, a short colour table padded with black); Mono as 1 bit
// with a 2-entry palette. Any other format (RGB888, MonoLSB, ...) is first
// converted by Qt to ARGB32 and written as 24 bits. Throws EInvalidGraphic for
// a null image or one beyond the limits above; stream failures propagate as
// EWriteError.
void WriteBmp(TStream& Stream, const QImage& Image);

// Reads one BMP file starting at the stream's position. Accepts core (12),
// info (40), V2 (52), V3 (56), V4 (108) and V5 (124) headers; 1, 4, 8, 16, 24
// and 32 bits per pixel; BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS and
// BI_ALPHABITFIELDS; bottom-up and top-down rows.
//
// Returns Format_Indexed8 for 1, 4 and 8-bit sources, with a colour table of
// 2, 16 or 256 entries (a short palette is padded with black, so every index
// has a colour), and Format_BGR888 for 16, 24 and 32-bit sources (alpha is
// dropped). Leaves the stream after the bfSize bytes the file header declares
// when that covers what was read and lies inside the stream, otherwise just
// after the bytes the pixels needed.
//
// Throws EInvalidGraphic with the reason on anything it cannot read, always
// before allocating for a size the data cannot back; stream errors are
// reported as EInvalidGraphic("Bitmap data is cut short ...").
QImage ReadBmp(TStream& Stream);

// Reads only the headers of the BMP file at the stream's position and goes
// back to it: the width and height the file declares, so a caller can judge
// the memory the picture needs before it is decoded. Throws EInvalidGraphic
// when ReadBmp would refuse the headers (limits included).
void ReadBmpSize(TStream& Stream, int64_t& Width, int64_t& Height);

} // namespace draxa
