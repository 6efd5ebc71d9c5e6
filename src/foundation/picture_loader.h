// Picture files turned into bitmaps for the image shape: BMP, icon, JPEG,
// PNG, GIF, TIFF, WebP and the two Windows metafile kinds (WMF, EMF).
//
// A picture file comes from the user or from somewhere else, so the loader
// trusts none of it: every size a file declares is checked against the limits
// below before anything is allocated for it, and a damaged file fails with
// EInvalidGraphic (declared in bmp_codec.h) and a message that names it.
#pragma once

#include "foundation/bitmap.h"
#include "foundation/bmp_codec.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace draxa {

// The largest picture the loader makes: at most PictureMaxSide pixels a side
// and at most PictureMaxPixels (bmp_codec.h) in all, for every file kind.
constexpr int64_t PictureMaxSide = 32767;

// True when a picture of Width x Height pixels (both at least 1) is within the limits.
bool PictureSizeAllowed(int64_t Width, int64_t Height);
// Throws EInvalidGraphic naming FileName when Width x Height is not allowed.
void CheckPictureSize(int64_t Width, int64_t Height, const QString& FileName);

// The loader's failure for a file whose ending names no picture kind it reads.
// what() is the fixed text "Assertion failure (draxa, line 2307)", the text
// this error has always had and callers may compare; Detail() is the message
// for a user.
class EAssertionFailed : public std::runtime_error {
public:
    EAssertionFailed(const QString& FileName, const QString& Kind);
    const QString& FileName() const { return FFileName; }
    // The upper-cased last three characters of the name, e.g. "PCX".
    const QString& Kind() const { return FKind; }
    // Unsupported picture type "PCX": name.pcx
    QString Detail() const;

private:
    QString FFileName;
    QString FKind;
};

// Reads a picture file into a new bitmap; the caller owns the result.
//
// - A name that is not an existing file gives a 32 x 32 24-bit bitmap with a
//   red cross, so a picture that went missing still shows as a placeholder.
// - The kind is the last three characters of the name, upper-cased: "BMP",
//   "DIB", "ICO", "JPG", "PEG" (.jpeg), "JPE", "PNG", "GIF", "TIF", "IFF"
//   (.tiff), "EBP" (.webp), "WMF" or "EMF". Any other ending throws
//   EAssertionFailed.
// - BMP / DIB: read by our BMP codec; the bitmap keeps the file's pixel format
//   (8 bits for 1, 4 and 8-bit files, 24 bits otherwise).
// - PNG, GIF (its first frame), TIFF (its first page), WebP: decoded by Qt's
//   readers after the size the file declares passed the limits, and drawn
//   on a white 24-bit bitmap of the picture's size (transparent parts white).
// - ICO: the image nearest the standard 32 x 32 icon size (most colours among
//   equals) is drawn at (0, 0) on a white 24-bit bitmap of its size. The size
//   is the one the image's own header gives, whatever the icon's directory
//   says; a PNG file named .ico (as favicons often are) is read as the PNG it
//   is. Failures while loading an icon are ignored and leave the bitmap as
//   far as it got: an icon that cannot be read, or declares a size over the
//   limits, gives an empty (0 x 0) bitmap and no error, unless the options
//   ask for the reason.
// - JPG / PEG: decoded by libjpeg into a 24-bit bitmap of the picture's size;
//   grey and CMYK pictures are converted, and the EXIF orientation a camera
//   records is applied, so the picture stands as it was taken.
// - WMF / EMF: drawn by the draxa-metafile-render helper program (run as a
//   separate process, given at most 10 seconds in all) on a white 24-bit
//   bitmap of the metafile's own size at 96 pixels per inch.
//
// Throws EInvalidGraphic for a file that cannot be read (unopenable, damaged,
// cut short, beyond the size limits, or a metafile the helper fails on).
std::unique_ptr<TBitmap> LoadPictureAsBitmap(const QString& FileName);

// How a load runs beyond the file itself.
struct TPictureLoadOptions {
    // When set (from another thread), the load stops soon and throws
    // EPictureLoadCancelled (metafile_reader.h).
    const std::atomic<bool>* Cancel = nullptr;
    // An icon that cannot be read throws EInvalidGraphic saying why, instead
    // of giving an empty bitmap.
    bool ReportUnreadableIcons = false;
};

// LoadPictureAsBitmap with options. Safe to call on any thread: it touches
// no widget and no state shared with other loads.
std::unique_ptr<TBitmap> LoadPictureAsBitmap(const QString& FileName, const TPictureLoadOptions& Options);

} // namespace draxa
