// TMyLinkLine: the attached ends, the draw style, tidying the route,
// painting with hops, hot points and their marks, editing a route by its
// vertices and segments, creation and the connector's tail of the shape
// record. Computing routes and keeping attached shapes' lists in step is the
// surface's work (link_routing.cpp).
#include "shapes/link_line.h"

#include "foundation/canvas.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/canvas_presets.h"
#include "shapes/shape_host.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace draxa {

namespace {

// Vertices whose neighbours lie this close on one axis (logical units) are
// merged away by TidyRoute.
constexpr float AlignTolerance = 10;

constexpr int DrawStyleCount = int(TLinkLineDrawStyle::lldsFree) + 1;

// Whether the route goes straight back the way it came at vertex A (its
// neighbours in one line with it, on the same side).
bool TurnsBackAt(const TArrMyPoint& V, size_t A) {
    const TMyPoint P = V[A - 1], Q = V[A], R = V[A + 1];
    return (P.X == Q.X && Q.X == R.X && (Q.Y - P.Y) * (R.Y - Q.Y) < 0) ||
           (P.Y == Q.Y && Q.Y == R.Y && (Q.X - P.X) * (R.X - Q.X) < 0);
}

TMyPoint Middle(const TMyPoint& A, const TMyPoint& B) {
    return MyPoint((A.X + B.X) / 2, (A.Y + B.Y) / 2);
}

} // namespace

TMyLinkLine::TMyLinkLine(TShapeHost* AHost) : TMyLine(AHost) {
    FLinkLineDrawStyle = FHost->LinkLineDrawStyle();
}

// ---- the ends ------------------------------------------------------------------

TMyShape* TMyLinkLine::GetStartShape() const {
    return FStartShapeIndex >= 0 ? FHost->ShapeByIndex(FStartShapeIndex) : nullptr;
}

TMyShape* TMyLinkLine::GetEndShape() const {
    return FEndShapeIndex >= 0 ? FHost->ShapeByIndex(FEndShapeIndex) : nullptr;
}

// A document may name a link point its shape does not have (or the line
// itself); such an end is treated as free rather than routed to nowhere.
TMyShape* TMyLinkLine::StartAttachedShape() const {
    TMyShape* S = GetStartShape();
    return (S && S != this && FStartLinkPoint >= 0 && FStartLinkPoint < S->LinkPointCount()) ? S : nullptr;
}

TMyShape* TMyLinkLine::EndAttachedShape() const {
    TMyShape* S = GetEndShape();
    return (S && S != this && FEndLinkPoint >= 0 && FEndLinkPoint < S->LinkPointCount()) ? S : nullptr;
}

TMyPoint TMyLinkLine::GetStartPoint() const {
    if (const TMyShape* S = StartAttachedShape()) return S->GetScreenLinkPoint(FStartLinkPoint);
    return GetScreenPoint(0);
}

TMyPoint TMyLinkLine::GetEndPoint() const {
    if (const TMyShape* S = EndAttachedShape()) return S->GetScreenLinkPoint(FEndLinkPoint);
    return GetScreenPoint(PointCount() - 1);
}

void TMyLinkLine::SetLinkLineDrawStyle(TLinkLineDrawStyle V) {
    if (V == FLinkLineDrawStyle) return;
    if (V == TLinkLineDrawStyle::lldsFree) {
        // A straight line keeps where it starts and where it ends.
        if (PointCount() > 2) MutablePoints() = TArrMyPoint{MutablePoints().front(), MutablePoints().back()};
        FLinkLineDrawStyle = V;
    } else {
        FAutoRoute = true;
        FLinkLineDrawStyle = V;
        if (PointCount() >= 2)
            FHost->RouteLinkLine(nullptr, this, 4, GetEndPoint(), EndAttachedShape(), GetStartPoint(),
                                 StartAttachedShape());
    }
    InvalidateSurface();
}

// ---- segments --------------------------------------------------------------------

int TMyLinkLine::SegmentKind(const TMyPoint& A, const TMyPoint& B) {
    return std::abs(A.X - B.X) >= std::abs(A.Y - B.Y) ? 1 : 2;
}

TMyPoint TMyLinkLine::SegmentMidpoint(const TMyPoint& A, const TMyPoint& B) {
    if (SegmentKind(A, B) == 1) return MyPoint(A.X + (B.X - A.X) / 2, A.Y);
    return MyPoint(A.X, A.Y + (B.Y - A.Y) / 2);
}

void TMyLinkLine::TidyRoute() {
    if (PointCount() < 2) return;
    // Repeated vertices go, and so does a vertex where the route runs back
    // along the line it came on: the stub it leaves is no part of the way.
    for (size_t A = 1; A < Points().size();) {
        const TMyPoint P = Points()[A - 1], Q = Points()[A];
        if (Q == P) {
            MutablePoints().erase(MutablePoints().begin() + std::ptrdiff_t(A));
            A = std::max<size_t>(A - 1, 1);
            continue;
        }
        if (A + 1 < Points().size()) {
            if (TurnsBackAt(Points(), A)) {
                MutablePoints().erase(MutablePoints().begin() + std::ptrdiff_t(A));
                A = std::max<size_t>(A - 1, 1);
                continue;
            }
        }
        ++A;
    }
    const bool StartOn = StartAttachedShape() != nullptr, EndOn = EndAttachedShape() != nullptr;
    // A short route between two shapes is what the router made of it.
    if (PointCount() <= 4 && StartOn && EndOn) return;

    // A vertex in line with both neighbours on one axis is a needless bend:
    // the next vertex takes over its coordinate on that axis, and so does
    // each vertex after it that the route reaches straight along the other
    // axis, so that every segment keeps its direction; the bend goes. Next
    // to an attached end the vertex before it moves instead, so the end
    // stays on its link point. A merge that would move an attached end, turn
    // the leg from it off its axis or shorten it, or make the route turn
    // back, is left undone: the route still leaves the shape straight out of
    // its side, as far out.
    auto LegKept = [](const TMyPoint& End, const TMyPoint& Before, const TMyPoint& After) {
        if (End.Y == Before.Y)
            return After.Y == End.Y && (After.X - End.X) * (Before.X - End.X) > 0 &&
                   std::abs(After.X - End.X) >= std::abs(Before.X - End.X);
        if (End.X == Before.X)
            return After.X == End.X && (After.Y - End.Y) * (Before.Y - End.Y) > 0 &&
                   std::abs(After.Y - End.Y) >= std::abs(Before.Y - End.Y);
        return true;
    };
    bool Merged = true;
    while (Merged) {
        Merged = false;
        const TArrMyPoint& V = Points();
        const int N = int(V.size());
        for (int A = 1; A + 1 < N && !Merged; ++A) {
            const TMyPoint P = V[size_t(A - 1)], Q = V[size_t(A)], R = V[size_t(A + 1)];
            const bool InX = std::abs(P.X - Q.X) <= AlignTolerance && std::abs(Q.X - R.X) <= AlignTolerance;
            const bool InY = std::abs(P.Y - Q.Y) <= AlignTolerance && std::abs(Q.Y - R.Y) <= AlignTolerance;
            int C = A + 1, E = A - 1;
            if (EndOn && A + 1 == N - 1) std::swap(C, E);
            for (const bool OnX : {true, false}) {
                if (!(OnX ? InX : InY)) continue;
                TArrMyPoint W = V;
                auto Coord = [OnX](TMyPoint& Pt) -> float& { return OnX ? Pt.X : Pt.Y; };
                const float To = Coord(W[size_t(E)]);
                const int Step = C > A ? 1 : -1;
                for (int K = C; K >= 0 && K < N; K += Step) {
                    const float Old = Coord(W[size_t(K)]);
                    Coord(W[size_t(K)]) = To;
                    const int Next = K + Step;
                    if (Next < 0 || Next >= N || Coord(W[size_t(Next)]) != Old) break;
                }
                W.erase(W.begin() + A);
                const size_t M = W.size();
                if (StartOn && (!(W[0] == V[0]) || !LegKept(V[0], V[1], W[1]))) continue;
                if (EndOn && (!(W[M - 1] == V.back()) || !LegKept(V.back(), V[size_t(N - 2)], W[M - 2])))
                    continue;
                bool Back = false;
                for (size_t K = 1; K + 1 < M && !Back; ++K) Back = TurnsBackAt(W, K);
                if (Back) continue;
                MutablePoints() = W;
                Merged = true;
                break;
            }
        }
    }
    if (PointCount() > 2 || !StartOn || !EndOn) return;

    // Both ends attached and one segment left: three orthogonal segments
    // between the link points, turning half way along the longer axis.
    const TMyPoint S = StartAttachedShape()->GetLinkPoint(FStartLinkPoint);
    const TMyPoint E = EndAttachedShape()->GetLinkPoint(FEndLinkPoint);
    if (PointCount() == 2 && Points()[0] == S && Points()[1] == E) return;
    if (std::abs(S.X - E.X) > std::abs(S.Y - E.Y)) {
        const float M = std::min(S.X, E.X) + std::abs(S.X - E.X) / 2;
        MutablePoints() = TArrMyPoint{S, MyPoint(M, S.Y), MyPoint(M, E.Y), E};
    } else {
        const float M = std::min(S.Y, E.Y) + std::abs(S.Y - E.Y) / 2;
        MutablePoints() = TArrMyPoint{S, MyPoint(S.X, M), MyPoint(E.X, M), E};
    }
}

// ---- moving and creating -------------------------------------------------------------

void TMyLinkLine::Move(double DX, double DY) {
    TMyLine::Move(DX, DY);
    if (PointCount() == 0 || (DX == 0 && DY == 0)) return;
    // Moved together with other shapes (a drag of several, of the whole
    // drawing, or of its group), the ends keep what they are attached to:
    // those shapes move too.
    if (FHost->SelectedCount() > 1 || FHost->Mode() == TInteractionMode::DragWhole || IsGrouped()) return;
    TMyPoint P = GetScreenPoint(0);
    FHost->ConnectLinkLineEnd(this, 0, P);
    if (StartAttachedShape()) SetScreenPoint(0, P);
    TMyPoint Q = GetScreenPoint(PointCount() - 1);
    FHost->ConnectLinkLineEnd(this, 1, Q);
    if (EndAttachedShape()) SetScreenPoint(PointCount() - 1, Q);
}

void TMyLinkLine::DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) {
    TMyShape* StartShape = StartAttachedShape();
    const TMyPoint S = StartShape ? GetStartPoint() : ToMyPoint(P1);
    if (FLinkLineDrawStyle == TLinkLineDrawStyle::lldsFree) {
        UsePreviewPreset(Canvas);
        DrawLineF(Canvas, S, ToMyPoint(P2));
        return;
    }
    // The route goes to the link point under the mouse when there is one,
    // so the preview is the route the release will give.
    TMyShape* EndShape = EndAttachedShape();
    const TMyPoint E = EndShape ? EndShape->GetScreenLinkPoint(FEndLinkPoint) : ToMyPoint(P2);
    FHost->RouteLinkLine(&Canvas, this, 4, E, EndShape, S, StartShape);
}

bool TMyLinkLine::IsCreateFinished(TMouseButton, const TPoint&) {
    return PointCount() > 1;
}

void TMyLinkLine::ResetRotateCenter(const TPoint& FromPt, const TPoint& ToPt) {
    TMyLine::ResetRotateCenter(FromPt, ToPt);
    // The repaint that follows creation takes the preview off the screen.
    FPreviewShown = false;
    TMyPoint P = ToMyPoint(ToPt);
    FHost->ConnectLinkLineEnd(this, 1, P);
    // The start was taken at the press; only now is the line in the
    // document, where the shape can list it.
    if (TMyShape* S = StartAttachedShape()) S->AddLinkLine(FIndex);
    TMyShape* EndShape = EndAttachedShape();
    FHost->RouteLinkLine(nullptr, this, 4, EndShape ? GetEndPoint() : ToMyPoint(ToPt), EndShape,
                         GetStartPoint(), StartAttachedShape());
    if (EndShape) return;

    // Put down on another connector, the end makes a junction there.
    const double Z = Zoom();
    TMyPoint Q = MyPoint(float(ToPt.X / Z), float(ToPt.Y / Z));
    TMyLinkLine* Other = nullptr;
    const int K = FHost->FindLinkLineSegment(Q, Other, this);
    if (K >= 0 && Other && Other != this)
        FHost->SplitLinkLine(this, MyPoint(float(Q.X * Z), float(Q.Y * Z)), K, Other);
}

// ---- hot points -------------------------------------------------------------------------

int TMyLinkLine::HotPointAt(const TPoint& P) {
    FHotIndex = -1;
    // Connectors do not turn: the rotating tool finds nothing on them.
    if (FHost->ShapeTool() == TDrawTool::SpRotateSelecting) return -1;
    const int S = FHost->HotSize();
    auto Near = [&P, S](const TPoint& V) { return PtInRect(Rect(V.X - S, V.Y - S, V.X + S, V.Y + S), P); };
    const int N = PointCount();
    for (int I = 0; I < N; ++I)
        if (Near(ScreenVertex(I))) FHotIndex = I;
    for (int I = 0; I + 1 < N; ++I)
        if (Near(RoundMyPoint(Middle(GetScreenPoint(I), GetScreenPoint(I + 1))))) FHotIndex = N + I;
    return FHotIndex;
}

TCursor TMyLinkLine::GetHotCursor(int X, int Y) {
    const int H = HotPointAt(Point(X, Y));
    const int N = PointCount();
    if (H >= 0 && H < N) return crSizeAll;
    if (H >= N)
        return SegmentKind(GetScreenPoint(H - N), GetScreenPoint(H - N + 1)) == 1 ? crSizeNS : crSizeWE;
    if (FHost->Mode() == TInteractionMode::Drawing || FHost->Mode() == TInteractionMode::Resizing) {
        const double Z = Zoom();
        TMyPoint Q = MyPoint(float(X / Z), float(Y / Z));
        TMyLinkLine* Line = nullptr;
        // A program-defined cursor: an end may be put down on that connector.
        if (FHost->FindLinkLineSegment(Q, Line, nullptr) >= 0) return 1;
    }
    return crCross;
}

void TMyLinkLine::DrawHotPoints(TCanvas& Canvas) {
    if (!FHotShow || (!FHost->HotShow())) return;
    const int H = FHost->HotSize();
    auto Prepare = [this, &Canvas] {
        if (FLocked)
            UseLockedPreset(Canvas);
        else
            UseHotPreset(Canvas);
    };
    auto Square = [&Canvas, H](const TPoint& V) { Canvas.Rectangle(V.X - H, V.Y - H, V.X + H, V.Y + H); };
    const int N = PointCount();
    Prepare();
    if (FLinkLineDrawStyle == TLinkLineDrawStyle::lldsFree) {
        for (int I = 0; I < N; ++I) Square(ScreenVertex(I));
    } else {
        // Inner vertices as diamonds and segment middles as squares, both
        // without outline; the two ends as outlined squares.
        Canvas.Pen().SetStyle(TPenStyle::psClear);
        for (int I = 1; I + 1 < N; ++I) {
            const TPoint V = ScreenVertex(I);
            Canvas.Polygon(TArrPoint{Point(V.X - H, V.Y), Point(V.X, V.Y - H), Point(V.X + H, V.Y),
                                     Point(V.X, V.Y + H)});
        }
        for (int I = 0; I + 1 < N; ++I)
            Square(RoundMyPoint(Middle(GetScreenPoint(I), GetScreenPoint(I + 1))));
        Prepare();
        if (N > 0) Square(ScreenVertex(0));
        if (N > 1) Square(ScreenVertex(N - 1));
    }
    Prepare();
    DrawInfoAnchor(Canvas, LogicalToScreen(FInfoPos));
}

// ---- editing the route ------------------------------------------------------------------

TArrMyPoint TMyLinkLine::EditedRoute(int Hot, double DX, double DY, int& First, int& Last) const {
    TArrMyPoint Q;
    Q.reserve(Points().size() + 4);
    for (int I = 0; I < PointCount(); ++I) Q.push_back(GetScreenPoint(I));
    const int N = int(Q.size());
    const bool StartOn = StartAttachedShape() != nullptr, EndOn = EndAttachedShape() != nullptr;
    // Two equal points become an elbow: the part next to an attached end
    // stays where it is (still leaving the shape straight) while the rest moves.
    auto InsertTwice = [&Q](int At, const TMyPoint& M) { Q.insert(Q.begin() + At, 2, M); };
    auto Size = [&Q] { return int(Q.size()); };
    const float FX = float(DX), FY = float(DY);

    if (Hot < N) {
        int A = Hot;
        if (StartOn && A == 1 && Size() > 1) {
            InsertTwice(1, SegmentMidpoint(Q[0], Q[1]));
            A = 3;
        }
        if (EndOn && A == Size() - 2) InsertTwice(A + 1, SegmentMidpoint(Q[size_t(A)], Q[size_t(A + 1)]));
        // The neighbours follow across their segments, so every segment keeps its axis.
        for (int B : {A + 1, A - 1}) {
            if (B < 0 || B >= Size()) continue;
            if (SegmentKind(Q[size_t(A)], Q[size_t(B)]) == 1)
                Q[size_t(B)].Y += FY;
            else
                Q[size_t(B)].X += FX;
        }
        Q[size_t(A)].X += FX;
        Q[size_t(A)].Y += FY;
        First = std::max(0, A - 2);
        Last = std::min(Size() - 1, A + 2);
        return Q;
    }

    int S = Hot - N;
    if (StartOn && S == 0) {
        InsertTwice(1, SegmentMidpoint(Q[0], SegmentMidpoint(Q[0], Q[1])));
        S = 2;
    }
    if (EndOn && S + 1 == Size() - 1)
        InsertTwice(S + 1,
                    SegmentMidpoint(Q[size_t(S + 1)], SegmentMidpoint(Q[size_t(S)], Q[size_t(S + 1)])));
    // A segment moves across its own axis only.
    if (SegmentKind(Q[size_t(S)], Q[size_t(S + 1)]) == 1) {
        Q[size_t(S)].Y += FY;
        Q[size_t(S + 1)].Y += FY;
    } else {
        Q[size_t(S)].X += FX;
        Q[size_t(S + 1)].X += FX;
    }
    First = std::max(0, S - 1);
    Last = std::min(Size() - 1, S + 2);
    return Q;
}

void TMyLinkLine::ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) {
    const int N = PointCount();
    const int A = FHotIndex;
    if (A < 0 || N == 0 || A >= 2 * N - 1) return;
    double DX = double(ToPt.X) - FromPt.X, DY = double(ToPt.Y) - FromPt.Y;

    // An end goes onto the link point under it, exactly.
    if (A == 0 || A == N - 1) {
        const TMyPoint Old = GetScreenPoint(A);
        TMyPoint P = MyPoint(float(Old.X + DX), float(Old.Y + DY));
        FHost->ConnectLinkLineEnd(this, A == 0 ? 0 : 1, P);
        if ((A == 0 ? StartAttachedShape() : EndAttachedShape()) != nullptr) {
            DX = double(P.X) - Old.X;
            DY = double(P.Y) - Old.Y;
        }
    }

    if (FLinkLineDrawStyle == TLinkLineDrawStyle::lldsFree) {
        // A straight line has only its ends to drag.
        if (A < N) MovePointBy(A, DX, DY);
        FRotateCenter = GetCorner(4);
        return;
    }
    // The route is the user's from now on (an end alone may still be re-routed).
    const bool Inner = (A > 0 && A < N - 1) || A >= N;
    if (Inner && (DX != 0 || DY != 0)) FAutoRoute = false;
    int First = 0, Last = 0;
    const TArrMyPoint Q = EditedRoute(A, DX, DY, First, Last);
    ClearPoints();
    for (const TMyPoint& P : Q) AddScreenPoint(P);
    FRotateCenter = GetCorner(4);
}

void TMyLinkLine::DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) {
    if (FLinkLineDrawStyle == TLinkLineDrawStyle::lldsFree) {
        TMyLine::DrawResizing(Canvas, FromPt, ToPt);
        return;
    }
    const int N = PointCount();
    if (FHotIndex < 0 || N == 0 || FHotIndex >= 2 * N - 1) return;
    int First = 0, Last = 0;
    const TArrMyPoint Q = EditedRoute(FHotIndex, RoundHalfEven(double(ToPt.X) - FromPt.X),
                                      RoundHalfEven(double(ToPt.Y) - FromPt.Y), First, Last);
    for (int I = First; I < Last; ++I) DrawLineF(Canvas, Q[size_t(I)], Q[size_t(I + 1)]);
}

// ---- copying ------------------------------------------------------------------------------

void TMyLinkLine::Assign(const TMyShape& Source) {
    if (&Source == this) return;
    TMyLine::Assign(Source);
    if (const auto* L = dynamic_cast<const TMyLinkLine*>(&Source)) {
        FStartShapeIndex = L->FStartShapeIndex;
        FStartLinkPoint = L->FStartLinkPoint;
        FEndShapeIndex = L->FEndShapeIndex;
        FEndLinkPoint = L->FEndLinkPoint;
        FLinkLineDrawStyle = L->FLinkLineDrawStyle;
    }
}

// ---- painting -------------------------------------------------------------------------------

namespace {

// The vertical segments (screen) of the connectors in one paint list,
// ordered by x, so that a horizontal segment looks only at those within its
// own x range. Built at the first crossing asked for in a paint; a connector
// whose route changes while the paint goes on (tidied as it is painted) is
// looked at directly instead of through its indexed segments.
struct TCrossingIndex {
    struct TSegment {
        float X, Y1, Y2;
        const TMyLinkLine* Line;
    };
    const TShapeHost* Host = nullptr;
    unsigned Paint = 0;
    bool Built = false;
    std::vector<TSegment> Segments;
    // The connectors of the list (as often as they are in it), by address.
    std::vector<const TMyLinkLine*> Lines;
    // Connectors of the list whose routes changed since the index was built.
    std::vector<const TMyLinkLine*> Changed;
};

TCrossingIndex& CrossingIndex() {
    static TCrossingIndex Index;
    return Index;
}

// Counts the paints of shape lists; a new paint makes the index stale.
unsigned PaintsStarted = 0;

// More changed connectors than this and the index is built afresh.
constexpr size_t ChangedLimit = 32;

// Two connectors cross only where each runs on past the other by more than
// this (pixels): one that ends on the other (at a junction, or where a
// junction's rounded centre lies a fraction off the connector it cut) only
// meets it, and gets no hop.
constexpr float MeetTolerance = 0.5f;

bool Across(float Y1, float Y2, float Y) {
    return (Y1 < Y - MeetTolerance && Y2 > Y + MeetTolerance) ||
           (Y1 > Y + MeetTolerance && Y2 < Y - MeetTolerance);
}

// The x positions where L's vertical segments cross the horizontal line at
// height Y between Lo and Hi (each by more than MeetTolerance).
void AddCrossings(const TMyLinkLine* L, float Lo, float Hi, float Y, std::vector<float>& Xs) {
    for (int I = 0; I + 1 < L->PointCount(); ++I) {
        const TMyPoint C = L->GetScreenPoint(I), D = L->GetScreenPoint(I + 1);
        if (TMyLinkLine::SegmentKind(C, D) != 2) continue;
        if (Across(C.Y, D.Y, Y) && Lo + MeetTolerance < C.X && C.X < Hi - MeetTolerance) Xs.push_back(C.X);
    }
}

bool IsChanged(const TCrossingIndex& Index, const TMyLinkLine* L) {
    return std::find(Index.Changed.begin(), Index.Changed.end(), L) != Index.Changed.end();
}

void BuildCrossingIndex(TCrossingIndex& Index, const TArrMyShape& List) {
    Index.Segments.clear();
    Index.Lines.clear();
    Index.Changed.clear();
    for (const TMyShape* S : List) {
        const auto* L = dynamic_cast<const TMyLinkLine*>(S);
        if (!L) continue;
        Index.Lines.push_back(L);
        for (int I = 0; I + 1 < L->PointCount(); ++I) {
            const TMyPoint C = L->GetScreenPoint(I), D = L->GetScreenPoint(I + 1);
            // A segment at no number x crosses nothing.
            if (TMyLinkLine::SegmentKind(C, D) != 2 || std::isnan(C.X)) continue;
            Index.Segments.push_back({C.X, C.Y, D.Y, L});
        }
    }
    std::sort(Index.Segments.begin(), Index.Segments.end(),
              [](const auto& P, const auto& Q) { return P.X < Q.X; });
    std::sort(Index.Lines.begin(), Index.Lines.end());
    Index.Built = true;
}

} // namespace

void TMyLinkLine::StartPaintingList() {
    ++PaintsStarted;
    TCrossingIndex& Index = CrossingIndex();
    Index.Built = false;
    Index.Segments.clear();
    Index.Lines.clear();
    Index.Changed.clear();
}

void TMyLinkLine::RouteChangedInPaint() const {
    TCrossingIndex& Index = CrossingIndex();
    if (!Index.Built || Index.Host != FHost || Index.Paint != PaintsStarted) return;
    if (!std::binary_search(Index.Lines.begin(), Index.Lines.end(), this) || IsChanged(Index, this)) return;
    Index.Changed.push_back(this);
    if (Index.Changed.size() > ChangedLimit) Index.Built = false;
}

std::vector<float> TMyLinkLine::CrossingsOf(const TMyPoint& A, const TMyPoint& B) const {
    std::vector<float> Xs;
    const float Lo = std::min(A.X, B.X), Hi = std::max(A.X, B.X);
    // The connectors of the paint in progress; painted on its own, a
    // connector hops over every connector of its surface.
    const TArrMyShape& List = FHost->PaintList();
    if (List.empty()) {
        for (int I = 0; I < FHost->ShapeCount(); ++I)
            if (const auto* L = dynamic_cast<const TMyLinkLine*>(FHost->ShapeByIndex(I)))
                AddCrossings(L, Lo, Hi, A.Y, Xs);
        std::sort(Xs.begin(), Xs.end());
        return Xs;
    }
    TCrossingIndex& Index = CrossingIndex();
    if (!Index.Built || Index.Host != FHost || Index.Paint != PaintsStarted) {
        Index.Host = FHost;
        Index.Paint = PaintsStarted;
        BuildCrossingIndex(Index, List);
    }
    const auto First = std::upper_bound(Index.Segments.begin(), Index.Segments.end(), Lo + MeetTolerance,
                                        [](float V, const auto& S) { return V < S.X; });
    for (auto It = First; It != Index.Segments.end() && It->X < Hi - MeetTolerance; ++It) {
        const bool Cross = Across(It->Y1, It->Y2, A.Y);
        if (Cross && (Index.Changed.empty() || !IsChanged(Index, It->Line))) Xs.push_back(It->X);
    }
    for (const TMyLinkLine* L : Index.Changed) {
        const auto Same = std::equal_range(Index.Lines.begin(), Index.Lines.end(), L);
        for (auto K = Same.first; K != Same.second; ++K) AddCrossings(L, Lo, Hi, A.Y, Xs);
    }
    std::sort(Xs.begin(), Xs.end());
    return Xs;
}

void TMyLinkLine::Paint(TCanvas& Canvas) {
    ApplyPenBrush(Canvas);
    const std::optional<TGeometricPen> Previous =
        SelectGeometricPen(Canvas, FPen.Style(), FPen.Width(), FPen.Color());
    const bool Hops = FHost->CrossLine();
    if (Hops && FHost->PaintList().size() > 0) {
        // The others being painted may already have looked at this route.
        const TArrMyPoint Before = Points();
        TidyRoute();
        if (Points() != Before) RouteChangedInPaint();
    } else {
        TidyRoute();
    }
    const int H = RoundHalfEven(Zoom() * FHopRadius);
    for (int I = 0; I + 1 < PointCount(); ++I) {
        const TMyPoint A = GetScreenPoint(I), B = GetScreenPoint(I + 1);
        const std::vector<float> Xs =
            (Hops && SegmentKind(A, B) == 1) ? CrossingsOf(A, B) : std::vector<float>();
        if (Xs.empty()) {
            DrawLineF(Canvas, A, B);
            continue;
        }
        const TMyPoint L = A.X <= B.X ? A : B, R = A.X <= B.X ? B : A;
        TMyPoint Cur = L;
        const float Y = A.Y;
        for (const float X : Xs) {
            // A crossing too near an end, or to the previous hop, is crossed flat.
            if (!(R.X > X + H && X - H > Cur.X)) continue;
            DrawLineF(Canvas, Cur, MyPoint(X - H, Cur.Y));
            // The upper half circle over the crossing connector.
            Canvas.Arc(RoundHalfEven(X - H), RoundHalfEven(Y - H), RoundHalfEven(X + H), RoundHalfEven(Y + H),
                       RoundHalfEven(X + H), RoundHalfEven(Y), RoundHalfEven(X - H - 1),
                       RoundHalfEven(Y + 1));
            Cur = MyPoint(X + H, Cur.Y);
        }
        DrawLineF(Canvas, Cur, R);
    }
    ApplyArrowFill(Canvas);
    PaintArrowHeads(Canvas);
    ApplyPenBrush(Canvas);
    DrawInfo(Canvas);
    Canvas.SelectGeometricPen(Previous);
}

// ---- stream -----------------------------------------------------------------------------------

void TMyLinkLine::SaveToStream(TStream& Stream, const TWriteContext& Context) {
    TMyLine::SaveToStream(Stream, Context);
    WriteInt32(Stream, FStartShapeIndex);
    WriteInt32(Stream, FStartLinkPoint);
    WriteInt32(Stream, FEndShapeIndex);
    WriteInt32(Stream, FEndLinkPoint);
    WriteByte(Stream, static_cast<uint8_t>(FLinkLineDrawStyle));
}

void TMyLinkLine::LoadFromStream(TStream& Stream, const TReadContext& Context) {
    TMyLine::LoadFromStream(Stream, Context);
    const int32_t StartShape = ReadInt32(Stream);
    const int32_t StartPoint = ReadInt32(Stream);
    const int32_t EndShape = ReadInt32(Stream);
    const int32_t EndPoint = ReadInt32(Stream);
    std::optional<uint8_t> Style;
    // Connector records end with the style byte from "KW.5" on.
    if (Context.AtLeast(TFormatVersion::KW5)) {
        Style = ReadByte(Stream);
        if (*Style >= DrawStyleCount)
            throw EReadError("Stream read error: connector style " + std::to_string(*Style) +
                             " is out of range 0.." + std::to_string(DrawStyleCount - 1));
    }
    FStartShapeIndex = StartShape;
    FStartLinkPoint = StartPoint;
    FEndShapeIndex = EndShape;
    FEndLinkPoint = EndPoint;
    if (Style) FLinkLineDrawStyle = static_cast<TLinkLineDrawStyle>(*Style);
}

} // namespace draxa
