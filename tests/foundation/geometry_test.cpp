#include "foundation/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

namespace draxa {
// Readable failure messages for the geometry records.
void PrintTo(const TPoint& P, std::ostream* Os) {
    *Os << "(" << P.X << ", " << P.Y << ")";
}
void PrintTo(const TMyPoint& P, std::ostream* Os) {
    *Os << "(" << P.X << ", " << P.Y << ")";
}
void PrintTo(const TRect& R, std::ostream* Os) {
    *Os << "(" << R.Left << ", " << R.Top << ", " << R.Right << ", " << R.Bottom << ")";
}
} // namespace draxa

namespace {

using namespace draxa;

constexpr long double kPiL = 3.141592653589793238462643383279502884L;
constexpr double kPi = static_cast<double>(kPiL);
constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

void ExpectNear(const TMyPoint& Expected, const TMyPoint& Actual, float Tol = 1e-4f) {
    EXPECT_NEAR(Expected.X, Actual.X, Tol) << "X of expected (" << Expected.X << ", " << Expected.Y << ")";
    EXPECT_NEAR(Expected.Y, Actual.Y, Tol) << "Y of expected (" << Expected.X << ", " << Expected.Y << ")";
}

TEST(Geometry, RoundHalfEvenRoundsHalvesToEvenAndClamps) {
    struct Row {
        const char* Shows;
        double In;
        int Out;
    };
    const Row Rows[] = {
        {"positive half down to even", 2.5, 2},
        {"positive half up to even", 3.5, 4},
        {"negative half up to even", -0.5, 0},
        {"negative half down to even", -1.5, -2},
        {"just below a half", 0.49999999, 0},
        {"top int half rounds past int", 2147483647.5, kIntMax},
        {"lowest int half stays", -2147483648.5, kIntMin},
        {"just below int range clamps", -2147483649.0, kIntMin},
        {"huge positive clamps", 1e300, kIntMax},
        {"huge negative clamps", -1e300, kIntMin},
        {"infinity clamps", std::numeric_limits<double>::infinity(), kIntMax},
        {"minus infinity clamps", -std::numeric_limits<double>::infinity(), kIntMin},
        {"NaN gives zero", std::nan(""), 0},
    };
    for (const Row& R : Rows) EXPECT_EQ(R.Out, RoundHalfEven(R.In)) << R.Shows;

    EXPECT_EQ(Point(2, 4), RoundMyPoint(MyPoint(2.5f, 3.5f)));
    EXPECT_EQ(Point(0, 0), RoundMyPoint(MyPoint(-0.5f, 0.5f)));
    EXPECT_EQ(Rect(-PixelLimit, 0, PixelLimit, 2), RoundMyRect(TMyRect{-3e38f, -0.5f, 3e38f, 1.5f}));
}

TEST(Geometry, IntegerRectanglesFollowCanvasRulesAndNeverWrap) {
    const TRect R = Rect(10, 20, 30, 40);
    EXPECT_TRUE(PtInRect(R, Point(10, 20))) << "top-left is inside";
    EXPECT_FALSE(PtInRect(R, Point(30, 39))) << "right edge is outside";
    EXPECT_FALSE(PtInRect(R, Point(29, 40))) << "bottom edge is outside";

    TRect Out = Rect(1, 1, 1, 1);
    EXPECT_FALSE(IntersectRect(Out, R, Rect(30, 20, 50, 40))) << "touching rectangles share no pixel";
    EXPECT_EQ(TRect{}, Out);
    EXPECT_TRUE(IntersectRect(Out, R, Rect(25, 0, 50, 25)));
    EXPECT_EQ(Rect(25, 20, 30, 25), Out);
    EXPECT_TRUE(UnionRect(Out, Rect(0, 0, 0, 0), R)) << "an empty rectangle adds nothing";
    EXPECT_EQ(R, Out);
    EXPECT_TRUE(UnionRect(Out, R, Rect(-5, 35, 0, 50)));
    EXPECT_EQ(Rect(-5, 20, 30, 50), Out);

    EXPECT_EQ(Rect(1, 2, 5, 7), RectOfPoints(Point(5, 2), Point(1, 7)));
    EXPECT_EQ(Rect(1, 2, 5, 7), NormalizeRect(Rect(5, 7, 1, 2)));
    EXPECT_EQ(Rect(7, 17, 33, 43), InflateRectSafe(R, 3));

    const TRect Edge = Rect(0, 0, kIntMax - 1, 10);
    EXPECT_EQ(Edge, InflateRectSafe(Edge, 2)) << "growing past int32 leaves the rectangle as it was";
    TRect Moved = Edge;
    EXPECT_FALSE(OffsetRect(Moved, 5, 0));
    EXPECT_EQ(Edge, Moved);
    EXPECT_EQ(kIntMax, RectWidth(Rect(kIntMin, 0, kIntMax, 0)));
    EXPECT_EQ(Rect(5, 5, kIntMax, 15), Bounds(5, 5, kIntMax, 10));
    int DX = 0, DY = 0;
    PointDelta(Point(kIntMax, 0), Point(kIntMin, 3), DX, DY);
    EXPECT_EQ(kIntMin, DX);
    EXPECT_EQ(3, DY);
}

TEST(Geometry, RotateMyPointTurnsClockwiseOnScreen) {
    ExpectNear(MyPoint(0, 10), RotateMyPoint(MyPoint(10, 0), MyPoint(0, 0), static_cast<float>(kPi / 2)));
    ExpectNear(MyPoint(-10, 0), RotateMyPoint(MyPoint(0, 10), MyPoint(0, 0), static_cast<float>(kPi / 2)));
    ExpectNear(MyPoint(-5, 3), RotateMyPoint(MyPoint(15, 7), MyPoint(5, 5), static_cast<float>(kPi)));
    const TMyPoint Centre = MyPoint(3, 4);
    EXPECT_EQ(Centre, RotateMyPoint(MyPoint(10, 0), Centre, 1e30f)) << "argument out of trig range";
    EXPECT_EQ(Centre, RotateMyPoint(MyPoint(10, 0), Centre, std::nanf("")));
}

TEST(Geometry, NormalizeAngleRemovesWholeTurnsOnly) {
    const long double TwoPi = 2 * kPiL;
    // The float nearest 2 Pi lies above 2 Pi, so the largest float not above it marks the end.
    const float End = std::nextafter(static_cast<float>(TwoPi), 0.0f);
    struct Row {
        const char* Shows;
        float In;
        float Out;
    };
    const Row Rows[] = {
        {"upper end stays", End, End},
        {"lower end stays", -End, -End},
        {"inside stays, not folded to positive", -1.0f, -1.0f},
        {"above range loses one turn", 7.0f, static_cast<float>(7.0L - TwoPi)},
        {"below range gains one turn", -7.0f, static_cast<float>(-7.0L + TwoPi)},
        {"float nearest 2 Pi is above the range", static_cast<float>(TwoPi),
         static_cast<float>(static_cast<float>(TwoPi) - TwoPi)},
        {"infinity means no rotation", std::numeric_limits<float>::infinity(), 0.0f},
        {"NaN means no rotation", std::nanf(""), 0.0f},
    };
    for (const Row& R : Rows) {
        float A = R.In;
        NormalizeAngle(A);
        EXPECT_EQ(R.Out, A) << R.Shows;
    }
    for (const float Huge : {1e8f, -3e9f, 3e38f}) {
        float A = Huge;
        NormalizeAngle(A); // must finish
        EXPECT_LE(std::fabs(A), TwoPi) << Huge;
    }
}

TEST(Geometry, DirectionAngleCoversEveryQuadrantAndAxis) {
    struct Row {
        const char* Shows;
        TMyPoint A;
        double Angle;
    };
    const Row Rows[] = {
        {"same point", MyPoint(0, 0), kPi / 2},
        {"below", MyPoint(0, 5), kPi / 2},
        {"above", MyPoint(0, -5), 3 * kPi / 2},
        {"left", MyPoint(-5, 0), kPi},
        {"right", MyPoint(5, 0), 0},
        {"right and below", MyPoint(2, 2), kPi / 4},
        {"left and below", MyPoint(-2, 2), 3 * kPi / 4},
        {"left and above", MyPoint(-2, -2), 5 * kPi / 4},
        {"right and above", MyPoint(2, -2), 7 * kPi / 4},
    };
    const TMyPoint B = MyPoint(0, 0);
    for (const Row& R : Rows) EXPECT_NEAR(R.Angle, DirectionAngle(R.A, B), 1e-12) << R.Shows;
    EXPECT_NEAR(kPi / 4, DirectionAngle(MyPoint(12, 12), MyPoint(10, 10)), 1e-12) << "measured from B";
}

TEST(Geometry, PointArrayEditingRespectsIndexBounds) {
    TArrMyPoint A;
    EXPECT_FALSE(InsertMyPoint(MyPoint(9, 9), 0, A)) << "nothing to insert before in an empty array";
    ASSERT_TRUE(AppendMyPoint(MyPoint(1, 1), A));
    EXPECT_FALSE(InsertMyPoint(MyPoint(9, 9), 1, A)) << "index = length is not an insert position";
    EXPECT_FALSE(InsertMyPoint(MyPoint(9, 9), -1, A));
    EXPECT_EQ(1u, A.size());
    ASSERT_TRUE(InsertMyPoint(MyPoint(0, 0), 0, A));
    ASSERT_TRUE(AppendMyPoint(MyPoint(2, 2), A));
    EXPECT_EQ((TArrMyPoint{MyPoint(0, 0), MyPoint(1, 1), MyPoint(2, 2)}), A);

    DeleteMyPoint(-1, A);
    DeleteMyPoint(3, A);
    EXPECT_EQ(3u, A.size()) << "out-of-range deletes do nothing";
    DeleteMyPoint(2, A);
    EXPECT_EQ((TArrMyPoint{MyPoint(0, 0), MyPoint(1, 1)}), A);
    DeleteMyPoint(0, A);
    EXPECT_EQ((TArrMyPoint{MyPoint(1, 1)}), A);
    EXPECT_FALSE(IsValidPointIndex(1, A));

    EXPECT_EQ((TMyRect{-1, 0, 4, 3}), BoundsOfMyPoints({MyPoint(4, 0), MyPoint(-1, 3), MyPoint(2, 1)}));
    EXPECT_EQ(TMyRect{}, BoundsOfMyPoints({}));
}

TEST(Geometry, ArrowWingsSitBehindTheTipOnBothSides) {
    const float Half = static_cast<float>(kPi / 6); // 30 degrees: wings 4.33 back, 2.5 aside
    TMyPoint W1, W2;
    ArrowWingPoints(MyPoint(10, 0), MyPoint(0, 0), 5, Half, W1, W2);
    ExpectNear(MyPoint(5.6699f, 2.5f), W1);
    ExpectNear(MyPoint(5.6699f, -2.5f), W2);
    ArrowWingPoints(MyPoint(0, 0), MyPoint(10, 0), 5, Half, W1, W2);
    ExpectNear(MyPoint(4.3301f, 2.5f), W1);
    ArrowWingPoints(MyPoint(0, 10), MyPoint(0, 0), 5, Half, W1, W2);
    ExpectNear(MyPoint(-2.5f, 5.6699f), W1);
    ExpectNear(MyPoint(2.5f, 5.6699f), W2);
    ArrowWingPoints(MyPoint(0, 0), MyPoint(0, 10), 5, Half, W1, W2);
    ExpectNear(MyPoint(-2.5f, 4.3301f), W1);

    ExpectNear(MyPoint(6, 0), PointBackAlong(MyPoint(10, 0), MyPoint(0, 0), 4));
    ExpectNear(MyPoint(0, 0), PointBackAlong(MyPoint(3, 4), MyPoint(0, 0), 5));
    ExpectNear(MyPoint(6, 8), PointBackAlong(MyPoint(3, 4), MyPoint(9, 12), 5));
    EXPECT_FLOAT_EQ(5.0f, MyPointDistance(MyPoint(3, 4), MyPoint(0, 0)));
}

TEST(Geometry, LineIntersectionHandlesVerticalAndParallelLines) {
    // Line 1 runs through A and C, line 2 through B and D.
    ExpectNear(MyPoint(5, 3), LineIntersection(MyPoint(5, 0), MyPoint(0, 3), MyPoint(5, 10), MyPoint(10, 3)));
    ExpectNear(MyPoint(5, 3), LineIntersection(MyPoint(0, 3), MyPoint(5, 0), MyPoint(10, 3), MyPoint(5, 10)));
    ExpectNear(MyPoint(5, 5),
               LineIntersection(MyPoint(0, 0), MyPoint(0, 10), MyPoint(10, 10), MyPoint(10, 0)));
    const TMyPoint A = MyPoint(1, 2);
    EXPECT_EQ(A, LineIntersection(A, MyPoint(4, 0), MyPoint(1, 9), MyPoint(4, 9))) << "both vertical";
    EXPECT_EQ(A, LineIntersection(A, MyPoint(0, 5), MyPoint(3, 2), MyPoint(7, 5))) << "both horizontal";
}

TEST(Geometry, OrthogonalRouteStartsAcrossTheArrivingMove) {
    struct Row {
        const char* Shows;
        TMyPoint A, B;
        uint8_t Kind;
        std::vector<TDirAndPoint> Steps;
    };
    const TMyPoint O = MyPoint(0, 0), P = MyPoint(10, 5);
    const Row Rows[] = {
        {"after a vertical move: across, then down", O, P, 1, {{2, 10, 0}, {1, 10, 5}}},
        {"no previous move: across first", O, P, 4, {{2, 10, 0}, {1, 10, 5}}},
        {"after a horizontal move: down, then across", O, P, 0, {{1, 0, 5}, {2, 10, 5}}},
        {"leftwards and upwards", P, O, 2, {{3, 10, 0}, {0, 0, 0}}},
        {"straight line is one step", O, MyPoint(0, -5), 3, {{3, 0, -5}}},
        {"unknown kind", O, P, 5, {}},
        {"already there", P, P, 4, {}},
    };
    for (const Row& R : Rows) {
        TArrDirAndPoints Steps{{0, 99, 99}}; // stale content must be cleared
        OrthogonalRoute(R.A, R.B, R.Kind, Steps);
        ASSERT_EQ(R.Steps.size(), Steps.size()) << R.Shows;
        for (size_t I = 0; I < Steps.size(); ++I) {
            EXPECT_EQ(R.Steps[I].Dir, Steps[I].Dir) << R.Shows << ", step " << I;
            EXPECT_EQ(MyPoint(R.Steps[I].X, R.Steps[I].Y), MyPoint(Steps[I].X, Steps[I].Y)) << R.Shows;
        }
    }
}

TEST(Geometry, PadRightAddsOneSpaceBeyondWidth) {
    struct Row {
        const char* Shows;
        QString In;
        int Width;
        QString Out;
    };
    const Row Rows[] = {
        {"short text", "ab", 4, "ab   "},   {"text of exactly the width", "abcd", 4, "abcd "},
        {"empty text", "", 0, " "},         {"longer text untouched", "abcdef", 4, "abcdef"},
        {"negative width", "ab", -3, "ab"},
    };
    for (const Row& R : Rows) EXPECT_EQ(R.Out, PadRight(R.In, R.Width)) << R.Shows;
}

} // namespace
