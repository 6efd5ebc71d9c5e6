// Benchmark scenes: drawings built from a fixed seed, so every run measures
// the same document.
//
// A scene is a 1920 x 1080 drawing of every shape class in the proportions
// of a busy diagram: boxes with captions, ellipses, text boxes, lines with
// and without arrows, polylines, polygons, freehand lines, measuring lines,
// arcs, Bezier curves, B-lines, pictures, connection points, junctions,
// groups and combined boxes, and connectors between boxes. Closed shapes
// carry gradients now and then; three layers hold the shapes, one of them
// hidden.
//
// The surface is cut into 120-pixel tiles; half of them (chosen by the seed)
// stay empty, so hover measurements always find empty space, however many
// shapes the other half holds. Shape sizes do not depend on the count:
// denser scenes overlap more.
//
// Scenes are handed over as documents (the bytes SaveToStream writes), so
// the surfaces under measurement hold exactly what opening a drawing gives.
#pragma once

#include "foundation/geometry.h"
#include "surface/draxa.h"

#include <QByteArray>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <memory>
#include <vector>

namespace draxa::bench {

constexpr int kSceneWidth = 1920;
constexpr int kSceneHeight = 1080;
constexpr int kTile = 120;

// SplitMix64: the same sequence on every platform and standard library
// (the standard distributions are not specified bit for bit).
class TRandom {
public:
    explicit TRandom(uint64_t Seed) : FState(Seed) {}
    uint64_t Next();
    // Uniform in Lo..Hi, both included.
    int Int(int Lo, int Hi);
    // Uniform in [0, 1).
    double Real();
    bool Chance(double P) { return Real() < P; }

private:
    uint64_t FState;
};

struct TSceneOptions {
    int Shapes = 1000;
    // False: picture boxes keep their size but hold no picture, so that
    // document figures can be given with and without picture bytes.
    bool Pictures = true;
    uint64_t Seed = 20240601;
};

// The document of a mixed scene of exactly Options.Shapes shapes.
QByteArray BuildSceneDocument(const TSceneOptions& Options);

// The routing scene: 1,000 combined boxes on a grid (each a combine around a
// rectangle) and a hub combine in the middle with 100 connectors to boxes
// all around it. HubNumber receives the hub's shape number.
QByteArray BuildRerouteDocument(int& HubNumber);

// The surface under measurement: the component itself, with one addition
// that only a benchmark needs.
class TMeasuredSurface : public TMyDraxa {
public:
    using TMyDraxa::TMyDraxa;
    // Drops the paint a freshly opened drawing waits for, without painting:
    // the measurements that paint do so themselves, and a first paint of the
    // largest scene would cost minutes before the speed work.
    void ForgetPendingPaint();

protected:
    void Paint() override;

private:
    bool FSkipPaint = false;
};

// A surface of the scene size for measurements, not shown, with the
// selecting tool and snapping off (a drag of one pixel stays one pixel).
std::unique_ptr<TMeasuredSurface> MakeSurface();
// Loads a document into Surface; aborts the program when it cannot, since
// every figure after that would be meaningless.
void LoadDocument(TMyDraxa& Surface, const QByteArray& Document);

// Whether the tile at column C, row R is left empty in every scene.
bool IsEmptyTile(int C, int R);
// Points in the middle of empty tiles (at least 40 pixels from their borders).
std::vector<QPoint> EmptySpaceCandidates(int Count, uint64_t Seed);
// Fixed rectangles of Side x Side pixels spread over the scene.
std::vector<QRect> InvalidRects(int Side, int Count, uint64_t Seed);

} // namespace draxa::bench
