// TMyLine: outline previews, vertex hot points, the segment hit test, arrow
// heads, painting, the length text, links to end points of other lines and
// the line's tail of the shape record.
#include "shapes/line.h"

#include "foundation/canvas.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/canvas_presets.h"
#include "shapes/polyline.h"
#include "shapes/shape_host.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <typeinfo>

namespace draxa {

namespace {

constexpr double Pi = 3.14159265358979323846;

constexpr int HitBand = LineHitDistance;

constexpr int ArrowStyleCount = int(TArrowStyle::ADouble) + 1;

TPoint Shifted(const TMyPoint& P, double DX, double DY) {
    return Point(RoundHalfEven(P.X + DX), RoundHalfEven(P.Y + DY));
}

void DrawSegment(TCanvas& Canvas, const TPoint& A, const TPoint& B) {
    Canvas.MoveTo(A.X, A.Y);
    Canvas.LineTo(B.X, B.Y);
}

} // namespace

TMyLine::TMyLine(TShapeHost* AHost) : TMyShape(AHost) {
    FArrowOffset = FHost->ArrowOffset();
    FArrowLength = FHost->ArrowLength();
    FArrowAngle = FHost->ArrowAngle();
    FArrowStyle = FHost->ArrowStyle();
}

TPoint TMyLine::ScreenVertex(int Index) const {
    return RoundMyPoint(GetScreenPoint(Index));
}

// ---- outline previews --------------------------------------------------------

void TMyLine::DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) {
    const double DX = double(ToPt.X) - FromPt.X, DY = double(ToPt.Y) - FromPt.Y;
    for (int I = 0; I + 1 < PointCount(); ++I)
        DrawSegment(Canvas, Shifted(GetScreenPoint(I), DX, DY), Shifted(GetScreenPoint(I + 1), DX, DY));
}

void TMyLine::DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) {
    UsePreviewPreset(Canvas);
    DrawSegment(Canvas, P1, P2);
}

void TMyLine::DrawRotating(TCanvas& Canvas, const TMyPoint& Centre, double DAngle) {
    TArrPoint R;
    R.reserve(Points().size());
    for (int I = 0; I < PointCount(); ++I)
        R.push_back(RoundMyPoint(RotateMyPoint(GetScreenPoint(I), Centre, float(DAngle))));
    for (size_t I = 0; I + 1 < R.size(); ++I) DrawSegment(Canvas, R[I], R[I + 1]);
}

void TMyLine::DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) {
    const int H = FHotIndex, N = PointCount();
    if (H < 0 || H >= N) return;
    const TPoint Moved = Shifted(GetScreenPoint(H), double(ToPt.X) - FromPt.X, double(ToPt.Y) - FromPt.Y);
    if (H >= 1) DrawSegment(Canvas, Moved, ScreenVertex(H - 1));
    if (H + 1 < N) DrawSegment(Canvas, Moved, ScreenVertex(H + 1));
}

// ---- creation, hot points, resizing --------------------------------------------

void TMyLine::ResetRotateCenter(const TPoint& FromPt, const TPoint& ToPt) {
    TMyShape::ResetRotateCenter(FromPt, ToPt);
    // Only a plain line drawn with the line tool can join two others.
    if (typeid(*this) == typeid(TMyLine)) SetLineEndLink(TLineEnd::leLast, ToMyPoint(ToPt));
}

bool TMyLine::IsCreateFinished(TMouseButton, const TPoint&) {
    return PointCount() == 2;
}

void TMyLine::DrawVertexMarks(TCanvas& Canvas, int Count) {
    if (!FHost->HotShow()) return;
    for (int I = 0; I < Count; ++I) DrawHotPoint(Canvas, GetScreenPoint(I));
    DrawInfoAnchor(Canvas, LogicalToScreen(FInfoPos));
}

void TMyLine::DrawHotPoints(TCanvas& Canvas) {
    DrawVertexMarks(Canvas, PointCount());
}

int TMyLine::HotPointAt(const TPoint& P) {
    FHotIndex = -1;
    const int S = FHost->HotSize();
    // Every vertex is tried, so where squares overlap the later vertex wins.
    for (int I = 0; I < PointCount(); ++I) {
        const TPoint V = ScreenVertex(I);
        if (PtInRect(Rect(V.X - S, V.Y - S, V.X + S, V.Y + S), P)) FHotIndex = I;
    }
    return FHotIndex;
}

void TMyLine::ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) {
    if (FHotIndex >= 0 && FHotIndex < PointCount())
        MovePointBy(FHotIndex, double(ToPt.X) - FromPt.X, double(ToPt.Y) - FromPt.Y);
    if (!Points().empty()) FRotateCenter = GetCorner(4);
}

// ---- copying ---------------------------------------------------------------------

void TMyLine::Assign(const TMyShape& Source) {
    if (&Source == this) return;
    TMyShape::Assign(Source);
    if (const auto* L = dynamic_cast<const TMyLine*>(&Source)) {
        FArrowLength = L->FArrowLength;
        FArrowAngle = L->FArrowAngle;
        FArrowStyle = L->FArrowStyle;
    }
}

// ---- painting --------------------------------------------------------------------

void TMyLine::PaintSegments(TCanvas& Canvas) {
    for (int I = 0; I + 1 < PointCount(); ++I) DrawSegment(Canvas, ScreenVertex(I), ScreenVertex(I + 1));
}

void TMyLine::UpdateDirectionAngle() {
    if (PointCount() < 2) return;
    float A = float(DirectionAngle(GetScreenPoint(1), GetScreenPoint(0)));
    NormalizeAngle(A);
    FAngle = A;
}

void TMyLine::DrawArrowHead(TCanvas& Canvas, const TMyPoint& EndPt, const TMyPoint& NeighbourPt) {
    const TMyPoint Tip = PointBackAlong(EndPt, NeighbourPt, FArrowOffset);
    const int Length = RoundHalfEven(Zoom() * FArrowLength);
    TMyPoint W1, W2;
    ArrowWingPoints(Tip, NeighbourPt, Length, float(FArrowAngle * Pi / 180), W1, W2);
    Canvas.Polygon(TArrPoint{RoundMyPoint(Tip), RoundMyPoint(W1), RoundMyPoint(W2)});
}

void TMyLine::PaintArrowHeads(TCanvas& Canvas) {
    const int N = PointCount();
    if (N < 2) return;
    const bool AtLast = FArrowStyle == TArrowStyle::ALeft || FArrowStyle == TArrowStyle::ADouble;
    const bool AtFirst = FArrowStyle == TArrowStyle::ARight || FArrowStyle == TArrowStyle::ADouble;
    if (AtLast) DrawArrowHead(Canvas, GetScreenPoint(N - 1), GetScreenPoint(N - 2));
    if (AtFirst) DrawArrowHead(Canvas, GetScreenPoint(0), GetScreenPoint(1));
}

void TMyLine::Paint(TCanvas& Canvas) {
    ApplyPenBrush(Canvas);
    const std::optional<TGeometricPen> Previous =
        SelectGeometricPen(Canvas, FPen.Style(), FPen.Width(), FPen.Color());
    PaintSegments(Canvas);
    UpdateDirectionAngle();
    ApplyArrowFill(Canvas);
    PaintArrowHeads(Canvas);
    ApplyPenBrush(Canvas);
    DrawInfo(Canvas);
    Canvas.SelectGeometricPen(Previous);
}

// ---- measuring and hit testing -----------------------------------------------------

void TMyLine::MeasureFirstSegment(QString& Text) {
    if (PointCount() < 2) return;
    Text = GetLengthText(ScreenVertex(0), ScreenVertex(1));
    SetInfo(Text);
}

void TMyLine::UpdateMeasureInfo(QString& Text) {
    // Polylines, polygons and connectors say nothing about a first segment.
    if (typeid(*this) == typeid(TMyLine)) MeasureFirstSegment(Text);
}

bool TMyLine::SegmentHit(const TPoint& A, const TPoint& B, const TPoint& P) {
    const int MinX = std::min(A.X, B.X), MaxX = std::max(A.X, B.X);
    const int MinY = std::min(A.Y, B.Y), MaxY = std::max(A.Y, B.Y);
    if (A.X == B.X) return PtInRect(Rect(MinX - HitBand, MinY, MaxX + HitBand, MaxY), P);
    if (A.Y == B.Y) return PtInRect(Rect(MinX, MinY - HitBand, MaxX, MaxY + HitBand), P);
    // A slanted segment is only looked at within its own bounds, so its
    // extension beyond the ends is never a hit.
    if (!PtInRect(Rect(MinX, MinY, MaxX, MaxY), P)) return false;
    const double DX = double(B.X) - A.X, DY = double(B.Y) - A.Y;
    // Measured along the axis the segment changes less in, where the band is widest.
    if (std::abs(DY) < std::abs(DX)) {
        const double YL = A.Y + DY / DX * (double(P.X) - A.X);
        return YL - HitBand <= P.Y && P.Y <= YL + HitBand;
    }
    const double XL = A.X + DX / DY * (double(P.Y) - A.Y);
    return XL - HitBand <= P.X && P.X <= XL + HitBand;
}

bool TMyLine::SegmentAt(const TPoint& P, int& InsertIndex) const {
    for (int I = 0; I + 1 < PointCount(); ++I) {
        if (SegmentHit(ScreenVertex(I), ScreenVertex(I + 1), P)) {
            InsertIndex = I + 1;
            return true;
        }
    }
    InsertIndex = -1;
    return false;
}

bool TMyLine::PointInShape(TCanvas&, const TPoint& P) {
    int Index = -1;
    return SegmentAt(P, Index);
}

// ---- links to end points of other lines --------------------------------------------

bool TMyLine::FindLineEndAt(TShapeHost* Surface, const TMyPoint& P, int& ShapeNo, int& EndIndex,
                            const TMyShape* Except) {
    ShapeNo = EndIndex = -1;
    for (int I = 0; I < Surface->ShapeCount(); ++I) {
        TMyShape* S = Surface->ShapeByIndex(I);
        if (!S || S == Surface->CurrentShape() || S == Except) continue;
        // Connectors, polygons, freehand and measuring lines are not joined.
        if (typeid(*S) != typeid(TMyLine) && typeid(*S) != typeid(TMyPolyLine)) continue;
        const int End = S->EndPointAt(P);
        if (End >= 0) {
            ShapeNo = S->ShapeNo();
            EndIndex = End;
            return true;
        }
    }
    return false;
}

void TMyLine::SetLineEndLink(TLineEnd Which, const TMyPoint& P) {
    int No = -1, End = -1;
    FindLineEndAt(FHost, P, No, End, this);
    if (Which == TLineEnd::leFirst)
        SetStartLink(No, End);
    else
        SetEndLink(No, End);
}

void TMyLine::SetStartLink(int ShapeNo, int EndIndex) {
    FStartLinkNo = ShapeNo;
    FStartLinkEnd = EndIndex;
}

void TMyLine::SetEndLink(int ShapeNo, int EndIndex) {
    FEndLinkNo = ShapeNo;
    FEndLinkEnd = EndIndex;
}

bool TMyLine::JoinsTwoLines() const {
    return FStartLinkNo >= 0 && FEndLinkNo >= 0 && FStartLinkNo != FEndLinkNo;
}

bool TMyLine::JoinedVertices(TArrMyPoint& Vertices) const {
    Vertices.clear();
    if (!JoinsTwoLines()) return false;
    const TMyShape* A = FHost->ShapeByNumber(FStartLinkNo);
    const TMyShape* B = FHost->ShapeByNumber(FEndLinkNo);
    if (!A || !B) return false;
    auto Walk = [&Vertices](const TMyShape* S, bool Forward) {
        const int N = S->PointCount();
        for (int I = 0; I < N; ++I) Vertices.push_back(S->GetScreenPoint(Forward ? I : N - 1 - I));
    };
    // The start line ends where this line starts, the end line starts where it ends.
    Walk(A, FStartLinkEnd != 0);
    Walk(B, FEndLinkEnd == 0);
    return true;
}

// ---- stream ------------------------------------------------------------------------

void TMyLine::SaveToStream(TStream& Stream, const TWriteContext& Context) {
    TMyShape::SaveToStream(Stream, Context);
    WriteInt32(Stream, FArrowAngle);
    WriteByte(Stream, FArrowLength);
    WriteByte(Stream, FArrowOffset);
    WriteByte(Stream, static_cast<uint8_t>(FArrowStyle));
}

void TMyLine::LoadFromStream(TStream& Stream, const TReadContext& Context) {
    TMyShape::LoadFromStream(Stream, Context);
    const int32_t Angle = ReadInt32(Stream);
    const uint8_t Length = ReadByte(Stream);
    const uint8_t Offset = ReadByte(Stream);
    const uint8_t Style = ReadByte(Stream);
    // Such a byte means the reader has lost its place or the document is
    // damaged; taking it would only hide that.
    if (Style >= ArrowStyleCount)
        throw EReadError("Stream read error: arrow style " + std::to_string(Style) + " is out of range 0.." +
                         std::to_string(ArrowStyleCount - 1));
    FArrowAngle = Angle;
    FArrowLength = Length;
    FArrowOffset = Offset;
    FArrowStyle = static_cast<TArrowStyle>(Style);
    // Links name lines of the document they were drawn in; a loaded line has none.
    SetStartLink(-1, -1);
    SetEndLink(-1, -1);
}

} // namespace draxa
