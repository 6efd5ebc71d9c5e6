// Polygon regions, which shapes hit-test and fill with: the same pixels as
// Qt's own scan conversion, and no runaway cost for the tall, slanted or
// far-off polygons a document can describe.
#include "foundation/canvas.h"

#include <gtest/gtest.h>
#include <QPolygon>
#include <QRegion>

#include <random>

using namespace draxa;

TEST(PolygonRegion, SamePixelsAsQtsScanConversion) {
    std::mt19937 Rng(20240717);
    for (int Case = 0; Case < 300; ++Case) {
        const int N = 3 + int(Rng() % 6);
        TArrPoint Points;
        QPolygon Poly;
        if (Case % 3 == 0) {
            // An upright box, which takes a shorter way: either corner order,
            // the first corner repeated or not, now and then no width or height.
            const int L = int(Rng() % 81) - 20, T = int(Rng() % 81) - 20;
            const int R = Rng() % 6 == 0 ? L : int(Rng() % 81) - 20,
                      B = Rng() % 6 == 0 ? T : int(Rng() % 81) - 20;
            Points = Case % 2 ? TArrPoint{{L, T}, {R, T}, {R, B}, {L, B}}
                              : TArrPoint{{L, T}, {L, B}, {R, B}, {R, T}};
            if (Rng() % 2) Points.push_back(Points.front());
            for (const TPoint& P : Points) Poly << QPoint(P.X, P.Y);
        }
        for (int I = 0; I < N && Case % 3 != 0; ++I) {
            // Now and then an axis-parallel or repeated vertex, which scan conversion treats specially.
            TPoint P{int(Rng() % 81) - 20, int(Rng() % 81) - 20};
            if (I > 0 && Rng() % 5 == 0) P.Y = Points.back().Y;
            Points.push_back(P);
            Poly << QPoint(P.X, P.Y);
        }
        for (const TPolyFillMode Mode : {ALTERNATE, WINDING}) {
            const TRegion Ours = CreatePolygonRgn(Points, Mode);
            const QRegion Qt(Poly, Mode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
            for (int Y = -22; Y <= 62; ++Y)
                for (int X = -22; X <= 62; ++X)
                    ASSERT_EQ(PtInRegion(Ours, X, Y), Qt.contains(QPoint(X, Y)))
                        << "case " << Case << ", mode " << int(Mode) << ", pixel (" << X << ", " << Y << ")";
        }
    }
}

TEST(PolygonRegion, TallAndFarOffPolygonsStayCheap) {
    // A sliver 30000 rows tall: Qt's own builder copies its rectangles once a row.
    const TRegion Sliver = CreatePolygonRgn({{0, 0}, {30000, 30000}, {29997, 30000}, {0, 3}}, ALTERNATE);
    EXPECT_TRUE(PtInRegion(Sliver, 15000, 15001));
    EXPECT_FALSE(PtInRegion(Sliver, 15000, 14000));
    // Coordinates a document may hold: the region keeps what lies near the controls.
    const TRegion Huge = CreatePolygonRgn({{-1000000000, -1000000000},
                                           {1000000000, -999999999},
                                           {999999999, 1000000000},
                                           {-1000000000, 999999998}},
                                          WINDING);
    EXPECT_TRUE(PtInRegion(Huge, 0, 0));
    EXPECT_TRUE(PtInRegion(Huge, 16384, 16384));
    EXPECT_FALSE(
        CreatePolygonRgn({{1 << 30, 0}, {(1 << 30) + 5, 9}, {1 << 30, 9}}, ALTERNATE).Bounds().Right > 0);
}
