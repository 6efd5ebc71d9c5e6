// Polylines, freehand lines and polygons: finishing rules, the vertex tools'
// insertions and removals, the freehand line's box behaviour, and the
// polygon's closing, resizing, filled painting and pixel-counted area.
#include "shapes/polyline.h"

#include "foundation/canvas.h"
#include "shapes/shape_host.h"

#include <QImage>

#include <cmath>
#include <cstdint>

namespace draxa {

namespace {

void DrawSegment(TCanvas& Canvas, const TPoint& A, const TPoint& B) {
    Canvas.MoveTo(A.X, A.Y);
    Canvas.LineTo(B.X, B.Y);
}

TPoint Shifted(const TMyPoint& P, double DX, double DY) {
    return Point(RoundHalfEven(P.X + DX), RoundHalfEven(P.Y + DY));
}

// |P - Q| < Tol on both axes.
bool Near(const TPoint& P, const TMyPoint& Q, int Tol) {
    return std::fabs(P.X - double(Q.X)) < Tol && std::fabs(P.Y - double(Q.Y)) < Tol;
}

// Shoelace area of a closed ring, for rings too large to count on a bitmap.
double RingArea(const TArrPoint& Ring) {
    double Twice = 0;
    for (size_t I = 0; I + 1 < Ring.size(); ++I)
        Twice += double(Ring[I].X) * Ring[I + 1].Y - double(Ring[I + 1].X) * Ring[I].Y;
    return std::fabs(Twice) / 2;
}

} // namespace

// ---- polyline ------------------------------------------------------------------------

TMyPolyLine::TMyPolyLine(TShapeHost* AHost) : TMyLine(AHost) {
    FArrowStyle = TArrowStyle::ANone;
}

bool TMyPolyLine::IsCreateFinished(TMouseButton, const TPoint&) {
    const int N = PointCount();
    if (N < 3 || GetScreenPoint(N - 1) != GetScreenPoint(N - 2)) return false;
    // The repeated click finished the line; it is not a vertex of its own.
    MutablePoints().pop_back();
    return true;
}

bool TMyPolyLine::InsertVertex(int Index, const TPoint& P) {
    const double Z = Zoom();
    return InsertMyPoint(MyPoint(float(P.X / Z), float(P.Y / Z)), Index, MutablePoints());
}

int TMyPolyLine::VertexRemovalResult(int Index) const {
    if (!IsValidPointIndex(Index, Points())) return -1;
    return PointCount() < 3 ? TooFewVertices : Index;
}

int TMyPolyLine::RemoveVertex(int Index) {
    const int Result = VertexRemovalResult(Index);
    if (Result == Index) DeleteMyPoint(Index, MutablePoints());
    return Result;
}

// ---- freehand line -------------------------------------------------------------------

TRect TMyFreeLine::ScreenBounds() const {
    const TMyRect B = BoundsOfMyPoints(Points());
    const float Z = float(Zoom());
    return RoundMyRect(TMyRect{B.Left * Z, B.Top * Z, B.Right * Z, B.Bottom * Z});
}

void TMyFreeLine::DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) {
    if (Points().empty()) return;
    TRect R = ScreenBounds();
    OffsetRect(R, ToPt.X - FromPt.X, ToPt.Y - FromPt.Y);
    Canvas.MoveTo(R.Left, R.Top);
    Canvas.LineTo(R.Right, R.Top);
    Canvas.LineTo(R.Right, R.Bottom);
    Canvas.LineTo(R.Left, R.Bottom);
    Canvas.LineTo(R.Left, R.Top);
}

void TMyFreeLine::DrawHotPoints(TCanvas& Canvas) {
    if ((!FHost->HotShow()) || Points().empty()) return;
    // A stroke of hundreds of vertices would be buried under their marks:
    // the box stands for the whole line.
    Canvas.SelectGeometricPen(std::nullopt);
    Canvas.Brush().SetBitmap(nullptr);
    Canvas.Brush().SetStyle(TBrushStyle::bsClear);
    TPen& Pen = Canvas.Pen();
    Pen.SetStyle(TPenStyle::psSolid);
    Pen.SetWidth(1);
    Pen.SetColor(clRed);
    Pen.SetMode(TPenMode::pmCopy);
    Canvas.Rectangle(ScreenBounds());
}

void TMyFreeLine::DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) {
    Canvas.SelectGeometricPen(std::nullopt);
    Canvas.Pen().Assign(FPen);
    DrawSegment(Canvas, P1, P2);
}

bool TMyFreeLine::IsCreateFinished(TMouseButton, const TPoint&) {
    return PointCount() > 1;
}

bool TMyFreeLine::PointInShape(TCanvas&, const TPoint& P) {
    if (Points().empty()) return false;
    const TRect R = ScreenBounds();
    const TArrPoint Box{Point(R.Left, R.Top), Point(R.Right, R.Top), Point(R.Right, R.Bottom),
                        Point(R.Left, R.Bottom)};
    return PtInRegion(CreatePolygonRgn(Box, ALTERNATE), P.X, P.Y);
}

// ---- polygon ---------------------------------------------------------------------------

TArrPoint TMyPolygon::ScreenVertices() const {
    TArrPoint V;
    V.reserve(Points().size());
    for (int I = 0; I < PointCount(); ++I) V.push_back(ScreenVertex(I));
    return V;
}

void TMyPolygon::DrawHotPoints(TCanvas& Canvas) {
    // The closing vertex lies under vertex 0's mark.
    DrawVertexMarks(Canvas, PointCount() - 1);
}

bool TMyPolygon::IsCreateFinished(TMouseButton, const TPoint& P) {
    const int N = PointCount();
    if (N < 3) return false;
    const int H = FHost->HotSize();
    // On the first corner, or a second click on the corner before this one.
    if (!Near(P, GetScreenPoint(0), H) && !Near(P, GetScreenPoint(N - 2), H)) return false;
    MutablePoints().back() = MutablePoints().front();
    return true;
}

void TMyPolygon::ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt) {
    const int Last = PointCount() - 1;
    if (FHotIndex >= 0 && FHotIndex <= Last) {
        MovePointBy(FHotIndex, double(ToPt.X) - FromPt.X, double(ToPt.Y) - FromPt.Y);
        // Vertex 0 and its closing copy are one corner: the copy is taken
        // again rather than moved alongside, so the two never drift apart.
        if (FHotIndex == 0)
            MutablePoints()[size_t(Last)] = MutablePoints().front();
        else if (FHotIndex == Last)
            MutablePoints().front() = MutablePoints()[size_t(Last)];
    }
    if (!Points().empty()) FRotateCenter = GetCorner(4);
}

void TMyPolygon::DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt) {
    const int H = FHotIndex, N = PointCount();
    if (H < 0 || H >= N) return;
    const double DX = double(ToPt.X) - FromPt.X, DY = double(ToPt.Y) - FromPt.Y;
    const TPoint Moved = Shifted(GetScreenPoint(H), DX, DY);
    if (H >= 1) {
        DrawSegment(Canvas, Moved, ScreenVertex(H - 1));
        if (H == N - 1 && N > 1) DrawSegment(Canvas, Shifted(GetScreenPoint(0), DX, DY), ScreenVertex(1));
    }
    if (H + 1 < N) {
        DrawSegment(Canvas, Moved, ScreenVertex(H + 1));
        if (H == 0 && N > 1) DrawSegment(Canvas, Shifted(GetScreenPoint(N - 1), DX, DY), ScreenVertex(N - 2));
    }
}

void TMyPolygon::Paint(TCanvas& Canvas) {
    ApplyPenBrush(Canvas);
    const TArrPoint V = ScreenVertices();
    if (V.size() >= 2) PaintPolygon(Canvas, V, true, int(V.size()));
    DrawInfo(Canvas);
}

int TMyPolygon::CoveredPixels() const {
    if (Points().empty()) return 0;
    // Counted in the polygon's own box at Zoom 1, so the area does not
    // depend on the zoom it was measured at.
    const TMyRect B = BoundsOfMyPoints(Points());
    TArrPoint Ring;
    Ring.reserve(Points().size());
    for (const TMyPoint& P : Points()) Ring.push_back(RoundMyPoint(MyPoint(P.X - B.Left, P.Y - B.Top)));
    const int W = RoundHalfEven(double(B.Right) - B.Left);
    const int H = RoundHalfEven(double(B.Bottom) - B.Top);
    if (W <= 0 || H <= 0) return 0;

    // One byte per pixel; everything the fill and the outline touch turns black.
    QImage Image(W, H, QImage::Format_Grayscale8);
    if (Image.isNull()) return int(std::lround(std::fmin(RingArea(Ring), double(INT32_MAX))));
    Image.fill(0xFF);
    {
        TCanvas Canvas(&Image);
        Canvas.Pen().SetColor(clBlack);
        Canvas.Pen().SetWidth(1);
        Canvas.Pen().SetStyle(TPenStyle::psSolid);
        Canvas.Pen().SetMode(TPenMode::pmCopy);
        Canvas.Brush().SetColor(clBlack);
        Canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        Canvas.Polygon(Ring);
        Canvas.Release();
    }
    int Count = 0;
    for (int Y = 0; Y < H; ++Y) {
        const uchar* Row = Image.constScanLine(Y);
        for (int X = 0; X < W; ++X) Count += Row[X] != 0xFF;
    }
    return Count;
}

void TMyPolygon::UpdateMeasureInfo(QString& Text) {
    const double Count = CoveredPixels();
    const double R = FHost->Ratio();
    const double D = ScreenPixelsPerInch();
    const double SquareInches = Count * R * R / (D * D);
    const double SquareMm = SquareInches * 25.4 * 25.4;
    Text = AreaText(Count * R * R, SquareMm, SquareInches);
    SetInfo(Text);
}

bool TMyPolygon::PointInShape(TCanvas&, const TPoint& P) {
    if (Points().empty()) return false;
    return PtInRegion(CreatePolygonRgn(ScreenVertices(), ALTERNATE), P.X, P.Y);
}

int TMyPolygon::VertexRemovalResult(int Index) const {
    if (!IsValidPointIndex(Index, Points())) return -1;
    if (PointCount() < 5) return TooFewVertices;
    return Index == PointCount() - 1 ? ClosingVertex : Index;
}

int TMyPolygon::RemoveVertex(int Index) {
    const int Result = VertexRemovalResult(Index);
    if (Result != Index) return Result;
    DeleteMyPoint(Index, MutablePoints());
    // The ring closes on whatever is vertex 0 now.
    if (Index == 0) MutablePoints().back() = MutablePoints().front();
    return Result;
}

} // namespace draxa
