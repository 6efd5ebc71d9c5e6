// Windows metafiles (WMF, EMF) read through the draxa-metafile-render helper.
//
// The helper program converts the metafile (libwmf for WMF, libemf2svg for
// EMF), sanitises and draws the SVG that comes out, and hands back pixels, in
// a separate process with time, memory and output limits: a converter that
// aborts, hangs or floods, or a picture that would take minutes to draw,
// costs one failed load and nothing else. This program never parses a
// metafile's SVG itself.
#pragma once

#include "foundation/bitmap.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace draxa {

// The whole run of the helper, from start to exit.
constexpr int MetafileTimeoutMs = 10'000;
// What is kept of a helper's standard error: its end, where the reason is.
constexpr int64_t ConverterMaxReasonBytes = 4096;

// A load that was stopped through its cancel flag; what() says so. Not an
// EInvalidGraphic: nothing is wrong with the file.
class EPictureLoadCancelled : public std::runtime_error {
public:
    EPictureLoadCancelled() : std::runtime_error("Loading the picture was cancelled") {}
};

// Limits on one run of a converter program.
struct TConverterLimits {
    int TimeoutMs = MetafileTimeoutMs; // wall-clock time from start to exit
    // Standard output kept: a picture at the size limit, and its header.
    int64_t MaxOutputBytes = (int64_t(1) << 24) * 3 + 64;
    // When set (from any thread), the run stops soon, the program is killed
    // and EPictureLoadCancelled is thrown.
    const std::atomic<bool>* Cancel = nullptr;
};

// The helper program: beside the running application, else the copy in the
// build tree (how the tests find it); empty when there is neither.
QString MetafileConverterPath();

// Runs Program with Arguments and returns what it wrote to standard output.
// Throws EInvalidGraphic with the reason when the program cannot be started,
// crashes, is still running at the time limit, writes more than the output
// limit, or exits with a non-zero code (the reason is then the last line it
// wrote to standard error, of which only the last ConverterMaxReasonBytes
// are kept, with every character that is not printable left out). A program
// that overruns or is cancelled is killed.
QByteArray RunConverter(const QString& Program, const QStringList& Arguments,
                        const TConverterLimits& Limits = TConverterLimits());

// Keeps the printable characters of a program's message (no control codes,
// no terminal escapes), at most 300 of them.
QString PrintableReason(const QString& Text);

// What the caller asks of one metafile load.
struct TMetafileRequest {
    QSize Size;                        // pixels; empty: the metafile's own size at 96 pixels per inch
    int TimeoutMs = MetafileTimeoutMs; // the whole load
    const std::atomic<bool>* Cancel = nullptr;
};

// Draws the metafile on a new 24-bit bitmap; Kind is "wmf" or "emf". Throws
// EInvalidGraphic naming the file on any failure, EPictureLoadCancelled when
// cancelled.
std::unique_ptr<TBitmap> ReadMetafile(const QString& FileName, const QString& Kind,
                                      const TMetafileRequest& Request = TMetafileRequest());

} // namespace draxa
