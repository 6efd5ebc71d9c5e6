// The SVG that the metafile converters write, made safe and drawn to pixels.
//
// This runs inside the draxa-metafile-render helper process, never in the
// program: the converters' SVG is hostile input (a metafile's texts and font
// names end up in it), and drawing it can take unbounded time and memory.
// The helper process is what bounds both; this code keeps the SVG from
// reaching anything outside itself and refuses pictures whose size or
// amount of drawing is beyond the limits below before drawing starts.
//
// It also holds the small pixel message the helper hands back to the
// program, and the program's reader of it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

#include <cstdint>

namespace draxa {

// Limits on one drawing. Every count is checked while the SVG is read, so a
// picture over a limit fails before any drawing starts.
struct TSvgLimits {
    int64_t MaxSide = 32767;                   // output pixels per side
    int64_t MaxPixels = int64_t(1) << 24;      // output pixels in all
    int64_t MaxElements = 200'000;             // elements kept
    int64_t MaxPathPoints = 2'000'000;         // coordinate pairs in path data and point lists
    int64_t MaxTextChars = 1'000'000;          // characters of text
    int64_t MaxImagePixels = int64_t(1) << 26; // pixels of the inline images, all together
    int MaxDepth = 200;                        // element nesting
};

// Where the picture is drawn: the part of the SVG's user space that becomes
// the picture (ViewBox), and the picture's size in pixels. A null frame keeps
// the document's own view box and size (its width and height, else its view
// box).
struct TSvgFrame {
    QRectF ViewBox;
    QSize Size;
    bool IsNull() const { return Size.isEmpty(); }
};

// What the sanitiser counted and dropped.
struct TSvgStats {
    int64_t Elements = 0;
    int64_t PathPoints = 0;
    int64_t TextChars = 0;
    int64_t ImagePixels = 0;
    int64_t Dropped = 0; // elements and attributes left out
};

// Rewrites converter SVG as plain SVG that refers to nothing outside itself:
// - bytes that are not UTF-8 are read as Windows-1252 (metafile texts are
//   ANSI byte strings); characters XML cannot carry are dropped;
// - only SVG elements that draw, group or define are kept (no script,
//   foreign objects, external fonts, animation or media), each without a
//   namespace prefix; elements of other namespaces go with their content;
// - a link (xlink:href or href) must name a fragment of this document ("#a")
//   or, on an image, hold a PNG, JPEG, GIF or BMP picture inline as base64
//   data: an element with any other link is dropped;
// - an attribute with url(...) other than a local fragment, and a style
//   (attribute or element) with @import, a CSS escape or such a url, is
//   dropped; so are comments, processing instructions, the DOCTYPE and
//   entity references;
// - texts are written escaped, never as CDATA.
// With a frame, the root gets its view box and pixel size. Returns false
// with the reason in Error when the text is not well-formed SVG or a count
// exceeds Limits.
bool SanitiseSvg(const QByteArray& Svg, const TSvgFrame& Frame, const TSvgLimits& Limits, QByteArray& Out,
                 TSvgStats& Stats, QString& Error);

// Sanitises Svg and draws it on a new white image (Format_BGR888) of the
// frame's size, or the document's own size rounded. Returns false with the
// reason when sanitising fails, the size is empty or beyond Limits (checked
// before the image is allocated) or the image cannot be allocated.
bool DrawSvgPicture(const QByteArray& Svg, const TSvgFrame& Frame, const TSvgLimits& Limits, QImage& Out,
                    QString& Error);

// ---- the helper's answer ----

// "DXPX", then width and height as little-endian 32-bit numbers, then the
// rows of a Format_BGR888 image, top row first, three bytes a pixel, no
// padding.
QByteArray EncodePixelMessage(const QImage& Image);
// Reads a pixel message whose picture is at most MaxSide pixels a side and
// MaxPixels in all. False with the reason for anything else, including a
// message longer or shorter than its size says.
bool DecodePixelMessage(const QByteArray& Message, int64_t MaxSide, int64_t MaxPixels, QImage& Out,
                        QString& Error);

} // namespace draxa
