// Windows metafiles (WMF, EMF) read through SVG.
//
// The draxa-metafile2svg helper program converts the metafile (libwmf for WMF,
// libemf2svg for EMF) in a separate process with a time and an output limit,
// so a converter that aborts, hangs or floods on a hostile file costs one
// failed load and nothing else. The SVG is cleaned of what QSvgRenderer
// rejects and drawn on a white 24-bit bitmap.
#pragma once

#include "foundation/bitmap.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace draxa {

constexpr int MetafileTimeoutMs = 10'000;
constexpr int64_t MetafileMaxSvgBytes = int64_t(64) << 20;

// Limits on one run of a converter program.
struct TConverterLimits {
    int TimeoutMs = MetafileTimeoutMs;            // wall-clock time from start to exit
    int64_t MaxOutputBytes = MetafileMaxSvgBytes; // standard output kept
};

// The helper program: beside the running application, else the copy in the
// build tree (how the tests find it); empty when there is neither.
QString MetafileConverterPath();

// Runs Program with Arguments and returns what it wrote to standard output.
// Throws EInvalidGraphic with the reason when the program cannot be started,
// crashes, is still running at the time limit, writes more than the output
// limit, or exits with a non-zero code (the reason is then the last line it
// wrote to standard error). A program that overruns is killed.
QByteArray RunConverter(const QString& Program, const QStringList& Arguments,
                        const TConverterLimits& Limits = TConverterLimits());

// Makes converter output acceptable to QSvgRenderer: bytes that are not valid
// UTF-8 are read as Windows-1252 (metafile texts are ANSI byte strings),
// characters XML cannot carry are dropped, the XML declaration and any
// DOCTYPE go, element and attribute names lose the prefix bound to the SVG
// namespace, and the root element gets the default SVG namespace. Returns
// UTF-8.
QByteArray CleanSvgForRenderer(const QByteArray& Svg);

// Draws the SVG on a new white 24-bit bitmap of the document's own size
// (width and height, else the view box; rounded). Throws EInvalidGraphic
// naming FileName when the text is not readable SVG, or its size is empty or
// beyond the picture limits (checked before the bitmap is allocated).
std::unique_ptr<TBitmap> RenderSvgAsBitmap(const QByteArray& Svg, const QString& FileName);

// Converts, cleans and draws the metafile; Kind is "wmf" or "emf". Throws
// EInvalidGraphic naming the file on any failure.
std::unique_ptr<TBitmap> ReadMetafile(const QString& FileName, const QString& Kind);

} // namespace draxa
