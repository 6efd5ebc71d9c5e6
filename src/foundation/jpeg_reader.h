// JPEG decoding with libjpeg, called directly.
#pragma once

#include <QImage>
#include <QString>

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
// an Adobe marker says so) are converted to RGB.
//
// The size in the header is checked against the picture limits before any
// pixel memory is allocated. Throws EInvalidGraphic naming the file for an
// unopenable, damaged or truncated file (libjpeg's warning that the data ended
// early counts as a failure: the rest of the picture would be invented grey)
// and for one beyond the limits. Other libjpeg warnings about slightly corrupt
// data are ignored, as picture viewers do.
QImage ReadJpegFile(const QString& FileName);

} // namespace draxa
