// JPEG decoding with libjpeg, called directly.
#pragma once

#include <QImage>
#include <QString>

#include <atomic>
#include <cstdint>

namespace draxa {

// Working memory libjpeg may use beyond the picture itself: a progressive or
// multi-scan picture keeps every DCT coefficient (2 bytes per sample) until
// its last scan, so this must hold a 4-component picture at the size limit
// (128 MiB) and the decoder's own tables.
constexpr int64_t JpegMaxWorkingMemory = int64_t(160) << 20;
// A progressive picture refines itself scan by scan, and every scan passes
// over the whole picture; real encoders write about ten. A file of thousands
// of tiny scans would keep the decoder busy for minutes.
constexpr int JpegMaxScans = 100;

// Decodes the JPEG file into a Format_BGR888 image. Grey pictures are spread
// to three equal channels; CMYK and YCCK pictures (Adobe's inverted form when
// an Adobe marker says so) are converted to RGB. The orientation an EXIF
// block records (1 to 8: turned, mirrored or both, as cameras write it) is
// applied, so the image stands as the picture was taken.
//
// The size in the header is checked against the picture limits before any
// pixel memory is allocated. Throws EInvalidGraphic naming the file for an
// unopenable, damaged or truncated file and for one beyond the limits. Data
// that ends before the picture does counts as damage, whether the file ends
// or an end marker comes early (a frame header that promises more rows than
// the scan holds): libjpeg would invent the rest in grey. Other libjpeg
// warnings about slightly corrupt data are ignored, as picture viewers do.
// When Cancel is set (from another thread) decoding stops soon and
// EPictureLoadCancelled (metafile_reader.h) is thrown.
QImage ReadJpegFile(const QString& FileName, const std::atomic<bool>* Cancel = nullptr);

// The EXIF orientation (1 to 8) in the bytes of an APP1 marker ("Exif",
// then a TIFF block); 1 (as stored) when there is none or it is unreadable.
int ExifOrientation(const uint8_t* Data, size_t Size);
// Image turned and mirrored as EXIF orientation Orientation asks (2: mirrored
// left-right, 3: turned 180 degrees, 4: mirrored top-bottom, 5: mirrored
// along the main diagonal, 6: turned 90 degrees clockwise, 7: mirrored along
// the other diagonal, 8: turned 90 degrees anticlockwise); Format_BGR888 in
// and out. Any other value returns Image unchanged.
QImage OrientedImage(const QImage& Image, int Orientation);

} // namespace draxa
