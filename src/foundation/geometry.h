// Geometry shared by the canvas layer, the shapes, the connector router and
// the surface: integer and float points and rectangles, point arrays, and
// pure functions on them (no state, no painting).
//
// Coordinates follow the canvas: X grows to the right, Y grows downwards.
// Integer points are screen pixels; float points are shape vertices in
// logical units unless a function says otherwise. Angles are radians, and
// because Y points down a positive angle turns clockwise on screen.
#pragma once

#include "draxa_export.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace draxa {

// Integer point of the canvas layer, in pixels.
struct DRAXA_EXPORT TPoint {
    int32_t X = 0;
    int32_t Y = 0;
};

// Integer rectangle of the canvas layer: Left/Top inside, Right/Bottom just outside.
struct DRAXA_EXPORT TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
};

// Float point; the element of every stored shape geometry (streamed as X then Y).
struct DRAXA_EXPORT TMyPoint {
    float X = 0;
    float Y = 0;
};

// Float rectangle, same field order as TRect.
struct DRAXA_EXPORT TMyRect {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
};

// One connector routing step: the direction moved and the point where the step ends.
// Dir: 0 = left (smaller X), 1 = down (larger Y), 2 = right (larger X), 3 = up (smaller Y).
struct DRAXA_EXPORT TDirAndPoint {
    uint8_t Dir = 0;
    float X = 0;
    float Y = 0;
};

static_assert(sizeof(TMyPoint) == 2 * sizeof(float), "TMyPoint must stay two packed floats");

using TArrPoint = std::vector<TPoint>;
using TArrMyPoint = std::vector<TMyPoint>;
using TMyShapeNo = std::vector<int>; // indices into the surface's shape list
using TArrDirAndPoints = std::vector<TDirAndPoint>;

// Field-by-field equality; float records compare exactly (NaN is never equal).
constexpr bool operator==(const TPoint& A, const TPoint& B) {
    return A.X == B.X && A.Y == B.Y;
}
constexpr bool operator!=(const TPoint& A, const TPoint& B) {
    return !(A == B);
}
constexpr bool operator==(const TRect& A, const TRect& B) {
    return A.Left == B.Left && A.Top == B.Top && A.Right == B.Right && A.Bottom == B.Bottom;
}
constexpr bool operator!=(const TRect& A, const TRect& B) {
    return !(A == B);
}
constexpr bool operator==(const TMyPoint& A, const TMyPoint& B) {
    return A.X == B.X && A.Y == B.Y;
}
constexpr bool operator!=(const TMyPoint& A, const TMyPoint& B) {
    return !(A == B);
}
constexpr bool operator==(const TMyRect& A, const TMyRect& B) {
    return A.Left == B.Left && A.Top == B.Top && A.Right == B.Right && A.Bottom == B.Bottom;
}
constexpr bool operator!=(const TMyRect& A, const TMyRect& B) {
    return !(A == B);
}

// ---- Rounding -------------------------------------------------------------

// Nearest integer, halves to even (e.g. 2.5 -> 2, -1.5 -> -2); values beyond the
// int range clamp to INT_MIN/INT_MAX, NaN gives 0. Assumes the default rounding mode.
DRAXA_EXPORT int RoundHalfEven(double V);

// ---- Integer points and rectangles (pixels) -------------------------------
// Arithmetic on integer rectangles never wraps: a result that would leave the
// int32 range is either clamped or refused, as each function says.

// Integer point (X, Y).
constexpr TPoint Point(int32_t X, int32_t Y) {
    return TPoint{X, Y};
}
// Integer rectangle from its four edges, taken as given (not normalised).
constexpr TRect Rect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
    return TRect{Left, Top, Right, Bottom};
}
// Rectangle with top-left (X, Y) and the given width and height; far edges clamp to int32.
DRAXA_EXPORT TRect Bounds(int32_t X, int32_t Y, int32_t Width, int32_t Height);
// Right - Left, clamped to int32 (negative for an inverted rectangle).
DRAXA_EXPORT int32_t RectWidth(const TRect& R);
// Bottom - Top, clamped to int32 (negative for an inverted rectangle).
DRAXA_EXPORT int32_t RectHeight(const TRect& R);
// True when R covers no pixel: Right <= Left or Bottom <= Top.
DRAXA_EXPORT bool IsRectEmpty(const TRect& R);
// Moves R by (DX, DY); false and R unchanged when an edge would leave the int32 range.
DRAXA_EXPORT bool OffsetRect(TRect& R, int32_t DX, int32_t DY);
// Dst = common part of R1 and R2; when they share no pixel Dst = (0,0,0,0) and false.
DRAXA_EXPORT bool IntersectRect(TRect& Dst, const TRect& R1, const TRect& R2);
// Dst = smallest rectangle holding R1 and R2, ignoring empty ones; both empty: (0,0,0,0) and false.
DRAXA_EXPORT bool UnionRect(TRect& Dst, const TRect& R1, const TRect& R2);
// R with Left <= Right and Top <= Bottom (edges swapped where needed).
DRAXA_EXPORT TRect NormalizeRect(const TRect& R);
// True when P lies in R: Left <= X < Right and Top <= Y < Bottom.
DRAXA_EXPORT bool PtInRect(const TRect& R, const TPoint& P);
// Normalised rectangle spanned by two pixels: Left/Top = min, Right/Bottom = max.
DRAXA_EXPORT TRect RectOfPoints(const TPoint& P1, const TPoint& P2);
// R grown by D pixels on every side (shrunk for negative D); R unchanged if an edge would leave int32.
DRAXA_EXPORT TRect InflateRectSafe(const TRect& R, int32_t D);
// DX = P2.X - P1.X, DY = P2.Y - P1.Y in pixels, clamped to int32.
DRAXA_EXPORT void PointDelta(const TPoint& P1, const TPoint& P2, int32_t& DX, int32_t& DY);
// As PointDelta, exact differences rounded once to float.
DRAXA_EXPORT void PointDeltaF(const TPoint& P1, const TPoint& P2, float& DX, float& DY);

// ---- Conversions between float and integer points -------------------------

// Float point (X, Y), any coordinate system.
constexpr TMyPoint MyPoint(float X, float Y) {
    return TMyPoint{X, Y};
}
// Integer pixel point as a float point (nearest float beyond 2^24).
DRAXA_EXPORT TMyPoint ToMyPoint(const TPoint& P);
// The pixels a float point or rectangle rounds to stay within
// +-PixelLimit: far beyond any screen, and with room left for the offsets
// drawing code adds to them (hot-point sizes, pen widths, arrow heads) and
// for the difference of two of them, in plain int arithmetic, whatever
// coordinates a document held.
constexpr int32_t PixelLimit = int32_t(1) << 29;
// Float point rounded to pixels, halves to even, clamped to +-PixelLimit
// (NaN gives 0).
DRAXA_EXPORT TPoint RoundMyPoint(const TMyPoint& P);
// Each edge of R rounded to pixels like RoundMyPoint.
DRAXA_EXPORT TRect RoundMyRect(const TMyRect& R);

// ---- Float points and rectangles ------------------------------------------

// DX = P2.X - P1.X, DY = P2.Y - P1.Y in the points' units.
DRAXA_EXPORT void MyPointDelta(const TMyPoint& P1, const TMyPoint& P2, float& DX, float& DY);
// Moves R by DX horizontally and DY vertically, in R's units.
DRAXA_EXPORT void OffsetMyRect(TMyRect& R, float DX, float DY);
// Smallest rectangle holding every point of A (Right/Bottom = max X/Y); an empty A gives (0,0,0,0).
DRAXA_EXPORT TMyRect BoundsOfMyPoints(const TArrMyPoint& A);
// Euclidean distance between P1 and P2, computed in extended precision, in the points' units.
DRAXA_EXPORT float MyPointDistance(const TMyPoint& P1, const TMyPoint& P2);

// ---- Angles (radians, clockwise on screen) ---------------------------------

// P rotated about Centre by Angle, in extended precision. An angle whose sine and cosine
// cannot be evaluated (|Angle| >= 2^63, infinite, NaN) makes both 0, so the result is Centre.
DRAXA_EXPORT TMyPoint RotateMyPoint(const TMyPoint& P, const TMyPoint& Centre, float Angle);
// Brings A into [-2 Pi, 2 Pi] by whole turns, 2 Pi held in extended precision; values in that
// range (ends included) stay as they are. Infinite or NaN A becomes 0 (no rotation).
DRAXA_EXPORT void NormalizeAngle(float& A);
// Direction of the vector from B to A in [0, 2 Pi), measured from +X towards +Y (down);
// A = B gives Pi/2. Computed in extended precision.
DRAXA_EXPORT double DirectionAngle(const TMyPoint& A, const TMyPoint& B);
// +1 when B.X > A.X, otherwise -1 (equal X gives -1).
DRAXA_EXPORT int SignX(const TMyPoint& A, const TMyPoint& B);
// +1 when B.Y > A.Y, otherwise -1 (equal Y gives -1).
DRAXA_EXPORT int SignY(const TMyPoint& A, const TMyPoint& B);

// ---- Quadrants of P around a centre C (inclusive; top is smaller Y) --------
// A point on a dividing line passes two tests, C itself passes all four.

// P.X <= C.X and P.Y <= C.Y.
DRAXA_EXPORT bool IsTopLeftOf(const TMyPoint& C, const TMyPoint& P);
// P.X >= C.X and P.Y <= C.Y.
DRAXA_EXPORT bool IsTopRightOf(const TMyPoint& C, const TMyPoint& P);
// P.X >= C.X and P.Y >= C.Y.
DRAXA_EXPORT bool IsBottomRightOf(const TMyPoint& C, const TMyPoint& P);
// P.X <= C.X and P.Y >= C.Y.
DRAXA_EXPORT bool IsBottomLeftOf(const TMyPoint& C, const TMyPoint& P);

// ---- Point-array editing ---------------------------------------------------

// Adds P at the end of A; false (A unchanged) only when memory runs out.
DRAXA_EXPORT bool AppendMyPoint(const TMyPoint& P, TArrMyPoint& A);
// Puts P at Index, shifting the rest up; false (A unchanged) when Index is not an existing
// element (so never at A.size(): use AppendMyPoint) or when memory runs out.
DRAXA_EXPORT bool InsertMyPoint(const TMyPoint& P, int Index, TArrMyPoint& A);
// Removes the element at Index, shifting the rest down; an out-of-range Index does nothing.
DRAXA_EXPORT void DeleteMyPoint(int Index, TArrMyPoint& A);
// 0 <= Index < A.size().
DRAXA_EXPORT bool IsValidPointIndex(int Index, const TArrMyPoint& A);

// ---- Lines -----------------------------------------------------------------

// The two back corners W1, W2 of an arrow head with its tip at Tip on the line from Tail:
// Len units back from Tip, HalfAngle radians either side of the line. The head is Tip, W1, W2.
DRAXA_EXPORT void ArrowWingPoints(const TMyPoint& Tip, const TMyPoint& Tail, int Len, float HalfAngle,
                                  TMyPoint& W1, TMyPoint& W2);
// The point Dist units from Tip along the line towards Tail (both arrow wings with a zero
// half angle, which coincide, so only one point is returned).
DRAXA_EXPORT TMyPoint PointBackAlong(const TMyPoint& Tip, const TMyPoint& Tail, int Dist);
// Intersection of the line through A and C with the line through B and D, in extended
// precision. Parallel lines (both vertical, or equal slopes) have no single crossing: the
// result is then A, a finite point of the first line.
DRAXA_EXPORT TMyPoint LineIntersection(const TMyPoint& A, const TMyPoint& B, const TMyPoint& C,
                                       const TMyPoint& D);
// Replaces Steps with at most two axis-parallel steps leading from A to B. Kind is the Dir of
// the move that arrived at A, or 4 for none: after a vertical move (1, 3) or none the route
// starts horizontally, after a horizontal one (0, 2) vertically. Other kinds, or A = B, give
// no steps.
DRAXA_EXPORT void OrthogonalRoute(const TMyPoint& A, const TMyPoint& B, uint8_t Kind,
                                  TArrDirAndPoints& Steps);

// ---- Text ------------------------------------------------------------------

// S followed by spaces up to Width + 1 characters when S.length() <= Width; otherwise S as is.
DRAXA_EXPORT QString PadRight(const QString& S, int Width);

} // namespace draxa
