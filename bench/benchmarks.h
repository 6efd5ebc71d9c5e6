// Registration of every benchmark and a description of the scenes they use.
#pragma once

#include <QString>

namespace draxa::bench {

// Registers the benchmarks, grouped by scene size so that each scene is
// built once.
void RegisterBenchmarks();
// Checks that the scene generator is deterministic and prints what the
// 1,000-shape scene holds.
void DescribeScenes();
// Writes what the surface and each peer draw of the scene of Shapes shapes
// (draxa.png, qpainter.png, qgraphicsscene.png, svg.png) and the routing
// scene (reroute.png) into Dir, to compare them by eye.
void WriteSnapshots(const QString& Dir, int Shapes);
// Every scene's first full repaint is checked against the reference digests
// in bench/full_repaint.sha256 (a difference stops the program); with
// Rewrite the digests of this tree become the reference instead.
void SetRewriteReferences(bool Rewrite);

} // namespace draxa::bench
