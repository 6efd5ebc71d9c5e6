// The fuzz entry points: plain functions that take any bytes and run one
// reader or one sequence of surface operations on them.
//
// The libFuzzer targets (fuzz_main.cpp) are thin wrappers around these, and
// the test suite replays the committed corpus (tests/corpus/<target>/)
// through the very same functions without libFuzzer. An entry returns when
// the code under test behaved; when it did not (a broken invariant, an answer
// that contradicts what it was given) it prints why to standard error and
// aborts, which libFuzzer records as a crash and a test run as a failure.
// Crashes and sanitizer reports stop the process anyway.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class QApplication;

namespace draxa {
class TMyDraxa;
}

namespace draxa::fuzz {

using TFuzzEntry = void (*)(const uint8_t* Data, size_t Size);

struct TFuzzTarget {
    const char* Name; // also the corpus folder: tests/corpus/<Name>/
    TFuzzEntry Run;
};

// Every target, in the order scripts/fuzz runs them.
const std::vector<TFuzzTarget>& FuzzTargets();
// The target called Name, or nullptr.
const TFuzzTarget* FindFuzzTarget(const QString& Name);

// Makes sure a QApplication exists on Qt's offscreen platform (widgets need
// one), and that the dialog seam answers without a window. Call once before
// the first entry; a program that already has an application keeps it.
void FuzzSetUp(int* Argc, char*** Argv);

// A whole document: loaded into an empty surface. A failed load must leave
// the surface consistent and as it was; a successful one must leave it
// consistent and save bytes that load again and save to the same bytes.
void FuzzDocument(const uint8_t* Data, size_t Size);
// A document that loads, then used: painted, hit-tested, flipped, and every
// shape and layer deleted in turn, the invariants checked after each step.
void FuzzDocumentUse(const uint8_t* Data, size_t Size);
// One shape record: the first byte picks the class (of the seventeen the
// factory knows), the second the format version; the rest is the record.
// A record that loads saves to bytes that load again to the same bytes, and
// the shape paints, hit-tests and moves without harm.
void FuzzShapeRecord(const uint8_t* Data, size_t Size);
// The BMP reader: a picture it reads is within the limits and comes back
// pixel for pixel through the writer.
void FuzzBmp(const uint8_t* Data, size_t Size);
// The picture loader on a file of each kind it reads (the metafile helper
// process included): a bitmap within the limits or EInvalidGraphic.
void FuzzPictureBmp(const uint8_t* Data, size_t Size);
void FuzzPictureIco(const uint8_t* Data, size_t Size);
void FuzzPictureJpeg(const uint8_t* Data, size_t Size);
void FuzzPictureWmf(const uint8_t* Data, size_t Size);
void FuzzPictureEmf(const uint8_t* Data, size_t Size);
// The same for the kinds Qt's readers decode: the first byte picks PNG, GIF,
// TIFF or WebP, the rest is the file.
void FuzzPictureRaster(const uint8_t* Data, size_t Size);
// The SVG a metafile converter writes, taken as hostile: sanitised (what
// comes out links to nothing outside itself and sanitises to itself) and
// drawn, in this process, as the metafile helper does.
void FuzzMetafileSvg(const uint8_t* Data, size_t Size);
// The pixel message the metafile helper hands back: read within the limits
// or refused with a reason; what is read encodes back to the same bytes.
void FuzzMetafilePixels(const uint8_t* Data, size_t Size);
// A sequence of surface operations read from the bytes (adding, deleting
// with renumbering, grouping, connecting, flips, locks, layers, moves,
// rotations, saving and loading); the document's invariants are checked
// after every step.
void FuzzSurfaceOps(const uint8_t* Data, size_t Size);

// The document's invariants: every shape's FIndex is its position; every
// group index, member, attached connector and connector end names a shape of
// the list, and the other side names it back; numbers are unique; the
// selection holds only shapes of the list. An empty text when they hold,
// else what is broken.
QString DocumentInvariantsBroken(const TMyDraxa& Surface);

// Seed inputs each target starts from, made by the project's own code:
// (file name, bytes).
std::vector<std::pair<QString, QByteArray>> GenerateSeeds(const QString& Target);

} // namespace draxa::fuzz
