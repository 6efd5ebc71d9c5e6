// TMyLinkPoint and TMyLineLinkLine: creation by one click, painting, the
// junction step, copying and the Size byte after the common record.
#include "shapes/link_point.h"

#include "foundation/canvas.h"
#include "foundation/stream_io.h"
#include "shapes/shape_host.h"

namespace draxa {

// ---- TMyLinkPoint ------------------------------------------------------------

TMyLinkPoint::TMyLinkPoint(TShapeHost* AHost) : TMyRectangle(AHost) {}

void TMyLinkPoint::DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint&) {
    Canvas.Ellipse(P1.X, P1.Y, P1.X + FSize, P1.Y + FSize);
}

void TMyLinkPoint::AddPoint(const TPoint& P) {
    if (!Points().empty()) return;
    const double H = Zoom() * FSize / 2;
    const double X = P.X, Y = P.Y;
    for (const TMyPoint& Corner : {MyPoint(float(X - H), float(Y - H)), MyPoint(float(X + H), float(Y - H)),
                                   MyPoint(float(X + H), float(Y + H)), MyPoint(float(X - H), float(Y + H))})
        AddScreenPoint(Corner);
    // A connection point is where connectors attach: its one link point sits at its centre.
    MutableLinkPoints().assign(1, GetRotateCenter());
}

void TMyLinkPoint::Paint(TCanvas& Canvas) {
    if (PointCount() < 4) return;
    ApplyPenBrush(Canvas);
    DrawLineF(Canvas, GetScreenPoint(0), GetScreenPoint(2));
    DrawLineF(Canvas, GetScreenPoint(1), GetScreenPoint(3));
}

int TMyLinkPoint::HotPointAt(const TPoint&) {
    FHotIndex = -1;
    return FHotIndex;
}

// Size is copied although a connection point's square is already in its
// points: a copy (an undo record, say) that is saved must store the size the
// original would store.
void TMyLinkPoint::Assign(const TMyShape& Source) {
    if (&Source == this) return;
    TMyRectangle::Assign(Source);
    if (const auto* L = dynamic_cast<const TMyLinkPoint*>(&Source)) FSize = L->FSize;
}

void TMyLinkPoint::AssignGeometry(const TMyShape& Source) {
    if (&Source == this) return;
    TMyRectangle::AssignGeometry(Source);
    if (const auto* L = dynamic_cast<const TMyLinkPoint*>(&Source)) FSize = L->FSize;
}

void TMyLinkPoint::SaveToStream(TStream& Stream, const TWriteContext& Context) {
    TMyRectangle::SaveToStream(Stream, Context);
    WriteByte(Stream, FSize);
}

void TMyLinkPoint::LoadFromStream(TStream& Stream, const TReadContext& Context) {
    TMyRectangle::LoadFromStream(Stream, Context);
    FSize = ReadByte(Stream);
}

// ---- TMyLineLinkLine -----------------------------------------------------------

void TMyLineLinkLine::AddPoint(const TPoint& P) {
    TMyLinkPoint::AddPoint(P);
    // Also a junction made from code with its four corners given offers its centre.
    if (PointCount() == 4) MutableLinkPoints().assign(1, GetRotateCenter());
}

void TMyLineLinkLine::ResetRotateCenter(const TPoint& FromPt, const TPoint& ToPt) {
    // The centre and the info anchor are set as for every other shape first,
    // so that they are right also where no connector is found.
    TMyLinkPoint::ResetRotateCenter(FromPt, ToPt);
    if (PointCount() < 4) return;

    TMyPoint C = GetRotateCenter();
    TMyLinkLine* Line = nullptr;
    // Moves C onto the segment found.
    const int K = FHost->FindLinkLineSegment(C, Line, nullptr);
    if (K < 0 || !Line) return;

    // The connector is cut at C into two that both end on this junction;
    // the surface records the undo steps.
    FHost->SplitLinkLineAtShape(C, Line, this, K);

    // The square is rebuilt around the snapped centre, its link point with it.
    const double Z = Zoom();
    ClearPoints();
    AddPoint(Point(RoundHalfEven(C.X * Z), RoundHalfEven(C.Y * Z)));
    TMyLinkPoint::ResetRotateCenter(FromPt, ToPt);
}

void TMyLineLinkLine::DrawCircle(TCanvas& Canvas) {
    const TPoint A = RoundMyPoint(GetScreenPoint(0));
    const TPoint B = RoundMyPoint(GetScreenPoint(2));
    Canvas.Ellipse(A.X, A.Y, B.X, B.Y);
}

void TMyLineLinkLine::DrawHotPoints(TCanvas& Canvas) {
    if (PointCount() < 4) return;
    ApplyPenBrush(Canvas);
    Canvas.Brush().SetBitmap(nullptr);
    Canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    Canvas.Brush().SetColor(clLime);
    Canvas.Pen().SetColor(clBlack);
    DrawCircle(Canvas);
}

void TMyLineLinkLine::Paint(TCanvas& Canvas) {
    if (PointCount() < 4) return;
    ApplyPenBrush(Canvas);
    // A pattern would fill in place of the solid brush.
    Canvas.Brush().SetBitmap(nullptr);
    Canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    Canvas.Brush().SetColor(Canvas.Pen().Color());
    DrawCircle(Canvas);
}

} // namespace draxa
