// JPEG decoding with libjpeg, called directly.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>

namespace draxa {

// Working memory libjpeg may use beyond the picture itself: a progressive or
// multi-scan picture keeps every DCT coefficient (2 bytes per sample) until
// its last scan, so this must hold a 4-component picture at the size limit.
constexpr int64_t JpegMaxWorkingMemory = int64_t(768) << 20;

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
