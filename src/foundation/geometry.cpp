#include "foundation/geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

namespace draxa {

namespace {

using LD = long double;

constexpr LD kPi = 3.141592653589793238462643383279502884L;
constexpr LD kTwoPi = 2 * kPi;

// Beyond this many turns NormalizeAngle reduces with one exact remainder instead of stepping:
// subtracting a turn from a float of about 1e8 or more no longer changes it, and long before
// that stepping would take millions of rounds. Ordinary angles are a few turns at most.
constexpr LD kSteppedNormalizeLimit = 1024 * kTwoPi;

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

bool FitsInt32(int64_t V) {
    return V >= kInt32Min && V <= kInt32Max;
}
int32_t ClampToInt32(int64_t V) {
    return static_cast<int32_t>(std::clamp(V, kInt32Min, kInt32Max));
}

// The sine and cosine instructions give up on arguments of 2^63 or more, and rotation then
// takes the function as 0. Infinite and NaN angles get the same treatment so that no NaN
// ever reaches stored geometry from an angle.
bool TrigEvaluable(LD X) {
    return std::isfinite(X) && std::fabs(X) < 0x1p63L;
}
LD SinOrZero(LD X) {
    return TrigEvaluable(X) ? std::sin(X) : 0.0L;
}
LD CosOrZero(LD X) {
    return TrigEvaluable(X) ? std::cos(X) : 0.0L;
}

TDirAndPoint Step(uint8_t Dir, float X, float Y) {
    TDirAndPoint S;
    S.Dir = Dir;
    S.X = X;
    S.Y = Y;
    return S;
}

} // namespace

// ---- Rounding -------------------------------------------------------------

int RoundHalfEven(double V) {
    if (std::isnan(V)) return 0;
    // nearbyint follows the current rounding mode, which the program never changes from
    // round-to-nearest-even; it also raises no inexact flag, unlike rint.
    const double R = std::nearbyint(V);
    constexpr double kLimit = 2147483648.0; // 2^31
    if (R >= kLimit) return std::numeric_limits<int>::max();
    if (R < -kLimit) return std::numeric_limits<int>::min();
    return static_cast<int>(R);
}

// ---- Integer points and rectangles ----------------------------------------

TRect Bounds(int32_t X, int32_t Y, int32_t Width, int32_t Height) {
    return Rect(X, Y, ClampToInt32(int64_t{X} + Width), ClampToInt32(int64_t{Y} + Height));
}

int32_t RectWidth(const TRect& R) {
    return ClampToInt32(int64_t{R.Right} - R.Left);
}

int32_t RectHeight(const TRect& R) {
    return ClampToInt32(int64_t{R.Bottom} - R.Top);
}

bool IsRectEmpty(const TRect& R) {
    return R.Right <= R.Left || R.Bottom <= R.Top;
}

bool OffsetRect(TRect& R, int32_t DX, int32_t DY) {
    const int64_t L = int64_t{R.Left} + DX, T = int64_t{R.Top} + DY;
    const int64_t Rt = int64_t{R.Right} + DX, B = int64_t{R.Bottom} + DY;
    // Clamping only some edges would change the rectangle's size; refuse the move instead.
    if (!FitsInt32(L) || !FitsInt32(T) || !FitsInt32(Rt) || !FitsInt32(B)) return false;
    R = Rect(static_cast<int32_t>(L), static_cast<int32_t>(T), static_cast<int32_t>(Rt),
             static_cast<int32_t>(B));
    return true;
}

bool IntersectRect(TRect& Dst, const TRect& R1, const TRect& R2) {
    const TRect I = Rect(std::max(R1.Left, R2.Left), std::max(R1.Top, R2.Top), std::min(R1.Right, R2.Right),
                         std::min(R1.Bottom, R2.Bottom));
    if (IsRectEmpty(I)) {
        Dst = TRect{};
        return false;
    }
    Dst = I;
    return true;
}

bool UnionRect(TRect& Dst, const TRect& R1, const TRect& R2) {
    const bool E1 = IsRectEmpty(R1), E2 = IsRectEmpty(R2);
    if (E1 && E2) {
        Dst = TRect{};
        return false;
    }
    if (E1 || E2) {
        Dst = E1 ? R2 : R1;
        return true;
    }
    Dst = Rect(std::min(R1.Left, R2.Left), std::min(R1.Top, R2.Top), std::max(R1.Right, R2.Right),
               std::max(R1.Bottom, R2.Bottom));
    return true;
}

TRect NormalizeRect(const TRect& R) {
    return Rect(std::min(R.Left, R.Right), std::min(R.Top, R.Bottom), std::max(R.Left, R.Right),
                std::max(R.Top, R.Bottom));
}

bool PtInRect(const TRect& R, const TPoint& P) {
    return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}

TRect RectOfPoints(const TPoint& P1, const TPoint& P2) {
    return Rect(std::min(P1.X, P2.X), std::min(P1.Y, P2.Y), std::max(P1.X, P2.X), std::max(P1.Y, P2.Y));
}

TRect InflateRectSafe(const TRect& R, int32_t D) {
    const int64_t L = int64_t{R.Left} - D, T = int64_t{R.Top} - D;
    const int64_t Rt = int64_t{R.Right} + D, B = int64_t{R.Bottom} + D;
    if (!FitsInt32(L) || !FitsInt32(T) || !FitsInt32(Rt) || !FitsInt32(B)) return R;
    return Rect(static_cast<int32_t>(L), static_cast<int32_t>(T), static_cast<int32_t>(Rt),
                static_cast<int32_t>(B));
}

void PointDelta(const TPoint& P1, const TPoint& P2, int32_t& DX, int32_t& DY) {
    DX = ClampToInt32(int64_t{P2.X} - P1.X);
    DY = ClampToInt32(int64_t{P2.Y} - P1.Y);
}

void PointDeltaF(const TPoint& P1, const TPoint& P2, float& DX, float& DY) {
    DX = static_cast<float>(int64_t{P2.X} - P1.X);
    DY = static_cast<float>(int64_t{P2.Y} - P1.Y);
}

// ---- Conversions ----------------------------------------------------------

TMyPoint ToMyPoint(const TPoint& P) {
    return MyPoint(static_cast<float>(P.X), static_cast<float>(P.Y));
}

namespace {
int RoundToPixel(double V) {
    return std::clamp(RoundHalfEven(V), -PixelLimit, PixelLimit);
}
} // namespace

TPoint RoundMyPoint(const TMyPoint& P) {
    return Point(RoundToPixel(P.X), RoundToPixel(P.Y));
}

TRect RoundMyRect(const TMyRect& R) {
    return Rect(RoundToPixel(R.Left), RoundToPixel(R.Top), RoundToPixel(R.Right), RoundToPixel(R.Bottom));
}

// ---- Float points and rectangles ------------------------------------------

void MyPointDelta(const TMyPoint& P1, const TMyPoint& P2, float& DX, float& DY) {
    DX = P2.X - P1.X;
    DY = P2.Y - P1.Y;
}

void OffsetMyRect(TMyRect& R, float DX, float DY) {
    R.Left += DX;
    R.Right += DX;
    R.Top += DY;
    R.Bottom += DY;
}

TMyRect BoundsOfMyPoints(const TArrMyPoint& A) {
    TMyRect R;
    if (A.empty()) return R;
    R.Left = R.Right = A.front().X;
    R.Top = R.Bottom = A.front().Y;
    for (const TMyPoint& P : A) {
        if (P.X < R.Left) R.Left = P.X;
        if (P.X > R.Right) R.Right = P.X;
        if (P.Y < R.Top) R.Top = P.Y;
        if (P.Y > R.Bottom) R.Bottom = P.Y;
    }
    return R;
}

float MyPointDistance(const TMyPoint& P1, const TMyPoint& P2) {
    const LD DX = LD{P1.X} - P2.X, DY = LD{P1.Y} - P2.Y;
    return static_cast<float>(std::sqrt(DX * DX + DY * DY));
}

// ---- Angles ---------------------------------------------------------------

TMyPoint RotateMyPoint(const TMyPoint& P, const TMyPoint& Centre, float Angle) {
    const LD C = CosOrZero(Angle), S = SinOrZero(Angle);
    // Doubling the offsets and halving the result cancel out, but stored drawings were
    // rotated with exactly this sequence, so it is kept for identical rounding.
    const LD GX = (LD{P.X} - Centre.X) * 2, GY = (LD{P.Y} - Centre.Y) * 2;
    return MyPoint(static_cast<float>((C * GX - S * GY) / 2 + Centre.X),
                   static_cast<float>((S * GX + C * GY) / 2 + Centre.Y));
}

void NormalizeAngle(float& A) {
    // An infinite or NaN angle has no meaningful remainder (and stepping an infinity never
    // ends); it comes only from a damaged document, so it is treated as no rotation.
    if (!std::isfinite(A)) {
        A = 0;
        return;
    }
    if (std::fabs(LD{A}) > kSteppedNormalizeLimit) A = static_cast<float>(std::fmod(LD{A}, kTwoPi));
    // Whole turns are removed one at a time with the angle rounded to float after each
    // step, which is how stored angles were normalised; the ends +-2 Pi themselves stay.
    if (A > kTwoPi) {
        do A = static_cast<float>(A - kTwoPi);
        while (A >= kTwoPi);
    }
    if (A < -kTwoPi) {
        do A = static_cast<float>(A + kTwoPi);
        while (A <= -kTwoPi);
    }
}

double DirectionAngle(const TMyPoint& A, const TMyPoint& B) {
    const LD DX = LD{A.X} - B.X;
    const LD Base = DX == 0 ? kPi / 2 : std::atan((LD{A.Y} - B.Y) / DX);
    // The arctangent only knows the slope; the signs put the angle into its quadrant.
    const bool ALeftOfB = SignX(A, B) > 0, AAboveB = SignY(A, B) > 0;
    LD R;
    if (ALeftOfB)
        R = AAboveB ? std::fabs(Base) + kPi : Base + kPi;
    else
        R = AAboveB ? kTwoPi - std::fabs(Base) : Base;
    return static_cast<double>(R);
}

int SignX(const TMyPoint& A, const TMyPoint& B) {
    return B.X > A.X ? 1 : -1;
}

int SignY(const TMyPoint& A, const TMyPoint& B) {
    return B.Y > A.Y ? 1 : -1;
}

// ---- Quadrants ------------------------------------------------------------

bool IsTopLeftOf(const TMyPoint& C, const TMyPoint& P) {
    return P.X <= C.X && P.Y <= C.Y;
}

bool IsTopRightOf(const TMyPoint& C, const TMyPoint& P) {
    return P.X >= C.X && P.Y <= C.Y;
}

bool IsBottomRightOf(const TMyPoint& C, const TMyPoint& P) {
    return P.X >= C.X && P.Y >= C.Y;
}

bool IsBottomLeftOf(const TMyPoint& C, const TMyPoint& P) {
    return P.X <= C.X && P.Y >= C.Y;
}

// ---- Point-array editing --------------------------------------------------

// std::vector gives the strong guarantee for a failed allocation, so a false result always
// leaves the array as it was.
bool AppendMyPoint(const TMyPoint& P, TArrMyPoint& A) {
    try {
        A.push_back(P);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

bool InsertMyPoint(const TMyPoint& P, int Index, TArrMyPoint& A) {
    if (!IsValidPointIndex(Index, A)) return false;
    try {
        A.insert(A.begin() + Index, P);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

void DeleteMyPoint(int Index, TArrMyPoint& A) {
    if (IsValidPointIndex(Index, A)) A.erase(A.begin() + Index);
}

bool IsValidPointIndex(int Index, const TArrMyPoint& A) {
    return Index >= 0 && static_cast<size_t>(Index) < A.size();
}

// ---- Lines ----------------------------------------------------------------

void ArrowWingPoints(const TMyPoint& Tip, const TMyPoint& Tail, int Len, float HalfAngle, TMyPoint& W1,
                     TMyPoint& W2) {
    // Theta is the line's angle from the vertical folded into [0, Pi/2]; the sides of the
    // tip that the wings go to are then chosen from where the tail lies.
    LD Theta = kPi / 2;
    if (Tip.Y != Tail.Y) {
        const LD Slope = (LD{Tip.X} - Tail.X) / (LD{Tip.Y} - Tail.Y);
        if (!std::isnan(Slope)) Theta = std::fabs(std::atan(Slope));
    }
    const auto Wing = [&](LD Phi) {
        const LD SX = Len * SinOrZero(Phi), SY = Len * CosOrZero(Phi);
        return MyPoint(static_cast<float>(Tip.X > Tail.X ? Tip.X - SX : Tip.X + SX),
                       static_cast<float>(Tip.Y > Tail.Y ? Tip.Y - SY : Tip.Y + SY));
    };
    // Both wings are computed before either is stored: W1 may be the caller's Tip.
    const TMyPoint First = Wing(Theta - HalfAngle), Second = Wing(Theta + HalfAngle);
    W1 = First;
    W2 = Second;
}

TMyPoint PointBackAlong(const TMyPoint& Tip, const TMyPoint& Tail, int Dist) {
    TMyPoint W1, W2;
    ArrowWingPoints(Tip, Tail, Dist, 0.0f, W1, W2);
    return W1;
}

TMyPoint LineIntersection(const TMyPoint& A, const TMyPoint& B, const TMyPoint& C, const TMyPoint& D) {
    const bool Vertical1 = A.X == C.X, Vertical2 = B.X == D.X;
    if (Vertical1 && Vertical2) return A;
    if (Vertical1) {
        const LD M2 = (LD{D.Y} - B.Y) / (LD{D.X} - B.X);
        return MyPoint(A.X, static_cast<float>(B.Y + M2 * (LD{A.X} - B.X)));
    }
    if (Vertical2) {
        const LD M1 = (LD{C.Y} - A.Y) / (LD{C.X} - A.X);
        return MyPoint(B.X, static_cast<float>(A.Y + M1 * (LD{B.X} - A.X)));
    }
    const LD M1 = (LD{C.Y} - A.Y) / (LD{C.X} - A.X);
    const LD M2 = (LD{D.Y} - B.Y) / (LD{D.X} - B.X);
    if (M1 == M2) return A;
    const LD X = (A.Y + B.X * M2 - B.Y - A.X * M1) / (M2 - M1);
    return MyPoint(static_cast<float>(X), static_cast<float>(A.Y + M1 * (X - A.X)));
}

void OrthogonalRoute(const TMyPoint& A, const TMyPoint& B, uint8_t Kind, TArrDirAndPoints& Steps) {
    Steps.clear();
    // Each step ends on B's coordinate along its own axis; the other coordinate is A's when
    // the step comes first and B's when it comes second.
    const auto Horizontal = [&](float Y) {
        if (B.X != A.X) Steps.push_back(Step(B.X > A.X ? 2 : 0, B.X, Y));
    };
    const auto Vertical = [&](float X) {
        if (B.Y != A.Y) Steps.push_back(Step(B.Y > A.Y ? 1 : 3, X, B.Y));
    };
    switch (Kind) {
    case 1:
    case 3:
    case 4: // arrived vertically, or no previous move: go across first
        Horizontal(A.Y);
        Vertical(B.X);
        break;
    case 0:
    case 2: // arrived horizontally: go up or down first
        Vertical(A.X);
        Horizontal(B.Y);
        break;
    default:
        break;
    }
}

// ---- Text -----------------------------------------------------------------

QString PadRight(const QString& S, int Width) {
    // Padding to Width + 1 leaves a string longer than Width untouched, as leftJustified
    // never truncates; qsizetype keeps Width + 1 from overflowing.
    return S.leftJustified(qsizetype{Width} + 1, QLatin1Char(' '));
}

} // namespace draxa
