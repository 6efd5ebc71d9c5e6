#include "foundation/canvas.h"

#include "foundation/bitmap.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <vector>

namespace draxa {

namespace {

QPointF ToQ(const TPoint& P) {
    return QPointF(P.X, P.Y);
}

Qt::PenStyle QtDashOf(uint32_t Style) {
    switch (Style & PS_STYLE_MASK) {
    case PS_DASH:
        return Qt::DashLine;
    case PS_DOT:
        return Qt::DotLine;
    case PS_DASHDOT:
        return Qt::DashDotLine;
    case PS_DASHDOTDOT:
        return Qt::DashDotDotLine;
    case PS_NULL:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

QPainter::CompositionMode RasterOpOf(TPenMode Mode) {
    switch (Mode) {
    case TPenMode::pmNot:
        return QPainter::RasterOp_NotDestination;
    case TPenMode::pmNotCopy:
        return QPainter::RasterOp_NotSource;
    case TPenMode::pmMergePenNot:
        return QPainter::RasterOp_SourceOrNotDestination;
    case TPenMode::pmMaskPenNot:
        return QPainter::RasterOp_SourceAndNotDestination;
    case TPenMode::pmMergeNotPen:
        return QPainter::RasterOp_NotSourceOrDestination;
    case TPenMode::pmMaskNotPen:
        return QPainter::RasterOp_NotSourceAndDestination;
    case TPenMode::pmMerge:
        return QPainter::RasterOp_SourceOrDestination;
    case TPenMode::pmNotMerge:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case TPenMode::pmMask:
        return QPainter::RasterOp_SourceAndDestination;
    case TPenMode::pmNotMask:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case TPenMode::pmXor:
        return QPainter::RasterOp_SourceXorDestination;
    case TPenMode::pmNotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

// Page-to-device scale of the fixed mapping modes, and whether Y points up.
bool MapModeScale(TMapMode Mode, double Dpi, double& Scale) {
    switch (Mode) {
    case MM_LOMETRIC:
        Scale = Dpi / 254.0;
        return true;
    case MM_HIMETRIC:
        Scale = Dpi / 2540.0;
        return true;
    case MM_LOENGLISH:
        Scale = Dpi / 100.0;
        return true;
    case MM_HIENGLISH:
        Scale = Dpi / 1000.0;
        return true;
    case MM_TWIPS:
        Scale = Dpi / 1440.0;
        return true;
    default:
        Scale = 1.0;
        return false;
    }
}

// Rectangle outline through pixel centres: with a one-pixel pen it covers
// columns X1..X2-1, and a fill inside it covers X1..X2-2 like the platform's.
QRectF FigureRect(int X1, int Y1, int X2, int Y2) {
    if (X2 < X1) std::swap(X1, X2);
    if (Y2 < Y1) std::swap(Y1, Y2);
    return QRectF(X1, Y1, std::max(0.0, double(X2) - X1 - 1), std::max(0.0, double(Y2) - Y1 - 1));
}

// A path moved to the pixels' centres, with every open figure's straight
// ends moved back by half a pixel along their segments: drawn with flat ends,
// a line then covers the pixels from its first one up to, not including, its
// last, with dashes starting where they start on any other device. A figure
// back at its start point is closed and keeps its ends.
QPainterPath AlongThePixels(const QPainterPath& Centred) {
    QPainterPath Result;
    const int Count = Centred.elementCount();
    const auto HalfStep = [](const QPointF& From, const QPointF& To) {
        const double Steps = std::max(std::abs(To.x() - From.x()), std::abs(To.y() - From.y()));
        return Steps > 0 ? (To - From) / (2 * Steps) : QPointF();
    };
    int Start = 0;
    while (Start < Count) {
        int End = Start + 1;
        while (End < Count && Centred.elementAt(End).type != QPainterPath::MoveToElement) ++End;
        // Elements Start .. End - 1 form one figure.
        const QPointF First = Centred.elementAt(Start);
        const bool Open = End - Start > 1 && QPointF(Centred.elementAt(End - 1)) != First;
        QPointF Begin = First;
        if (Open && Centred.elementAt(Start + 1).type == QPainterPath::LineToElement)
            Begin -= HalfStep(First, Centred.elementAt(Start + 1));
        QPainterPath Figure(Begin);
        for (int I = Start + 1; I < End; ++I) {
            const QPainterPath::Element E = Centred.elementAt(I);
            if (E.type == QPainterPath::CurveToElement && I + 2 < End) {
                Figure.cubicTo(E, Centred.elementAt(I + 1), Centred.elementAt(I + 2));
                I += 2;
                continue;
            }
            QPointF To = E;
            if (Open && I == End - 1) To -= HalfStep(Centred.elementAt(I - 1), To);
            Figure.lineTo(To);
        }
        Result.addPath(Figure);
        Start = End;
    }
    return Result;
}

// Regions are kept to the square of +-RegionLimit pixels, twice the largest
// control: a region costs memory and time for every row it spans, and a
// shape's far-off coordinates would otherwise ask for billions of them.
constexpr int RegionLimit = 32768;

// The part of a polygon inside the square (Sutherland-Hodgman, one side at a
// time). Cutting against a convex area keeps the winding number of every
// point inside it, so the region is the same there under either fill rule.
std::vector<QPointF> ClipToRegionLimit(std::vector<QPointF> Poly) {
    const double L = RegionLimit;
    for (int Side = 0; Side < 4 && !Poly.empty(); ++Side) {
        auto Inside = [Side, L](const QPointF& P) {
            switch (Side) {
            case 0:
                return P.x() >= -L;
            case 1:
                return P.x() <= L;
            case 2:
                return P.y() >= -L;
            default:
                return P.y() <= L;
            }
        };
        auto Cross = [Side, L](const QPointF& A, const QPointF& B) {
            const bool Vertical = Side < 2;
            const double Edge = Side % 2 == 0 ? -L : L;
            const double T = Vertical ? (Edge - A.x()) / (B.x() - A.x()) : (Edge - A.y()) / (B.y() - A.y());
            return Vertical ? QPointF(Edge, A.y() + T * (B.y() - A.y()))
                            : QPointF(A.x() + T * (B.x() - A.x()), Edge);
        };
        std::vector<QPointF> Out;
        for (size_t I = 0; I < Poly.size(); ++I) {
            const QPointF& Cur = Poly[I];
            const QPointF& Prev = Poly[(I + Poly.size() - 1) % Poly.size()];
            if (Inside(Cur)) {
                if (!Inside(Prev)) Out.push_back(Cross(Prev, Cur));
                Out.push_back(Cur);
            } else if (Inside(Prev)) {
                Out.push_back(Cross(Prev, Cur));
            }
        }
        Poly.swap(Out);
    }
    return Poly;
}

// Scan conversion with the pixel rules of QRegion's own: an edge from its
// upper end (X1, Y1) down to Y2 is sampled on scanlines Y1 .. Y2 - 1 at the x
// it reaches there, rounded up; horizontal edges take no part; a span covers
// the pixels from one sample up to, not including, the next. QRegion's
// builder copies its list of rectangles once for every row, which takes
// seconds for a tall, slanted shape; this takes time in proportion to rows
// times edges, and a single row on its own for a hit test. Coordinates are
// within +-RegionLimit.
struct TScanEdge {
    int64_t X1, Y1, Y2, Dx; // Y1 < Y2
    int Dir;                // +1 downwards, -1 upwards
};
using TSpans = std::vector<std::pair<int, int>>; // [X1, X2) in x order

// The edges of the polygon, upper ends first.
std::vector<TScanEdge> ScanEdges(const std::vector<QPoint>& Points) {
    std::vector<TScanEdge> Edges;
    for (size_t I = 0; I < Points.size(); ++I) {
        const QPoint& A = Points[(I + Points.size() - 1) % Points.size()];
        const QPoint& B = Points[I];
        if (A.y() == B.y()) continue;
        const bool Down = A.y() < B.y();
        const QPoint& U = Down ? A : B;
        const QPoint& D = Down ? B : A;
        Edges.push_back(TScanEdge{U.x(), U.y(), D.y(), int64_t(D.x()) - U.x(), Down ? 1 : -1});
    }
    std::sort(Edges.begin(), Edges.end(), [](const TScanEdge& A, const TScanEdge& B) { return A.Y1 < B.Y1; });
    return Edges;
}

using TCrossings = std::vector<std::pair<int64_t, int>>; // x, direction

// The spans of scanline Y, from the edges that cross it. Crossings is the
// caller's buffer, kept from row to row so that a shape's rows allocate nothing.
template <typename TEdges>
void RowSpans(const TEdges& Active, int64_t Y, Qt::FillRule Rule, TSpans& Spans, TCrossings& Crossings) {
    Crossings.clear();
    for (const TScanEdge* E : Active) {
        if (Y < E->Y1 || Y >= E->Y2) continue;
        // X1 + ceil((Y - Y1) * Dx / Dy), with a division that rounds towards minus infinity.
        const int64_t Num = (Y - E->Y1) * E->Dx, Dy = E->Y2 - E->Y1;
        const int64_t Floor = Num >= 0 ? Num / Dy : -((-Num + Dy - 1) / Dy);
        Crossings.emplace_back(E->X1 + (Floor * Dy == Num ? Floor : Floor + 1), E->Dir);
    }
    std::sort(Crossings.begin(), Crossings.end());
    Spans.clear();
    auto AddSpan = [&Spans](int64_t X1, int64_t X2) {
        if (X2 <= X1) return;
        if (!Spans.empty() && Spans.back().second == X1)
            Spans.back().second = int(X2);
        else
            Spans.emplace_back(int(X1), int(X2));
    };
    if (Rule == Qt::OddEvenFill) {
        for (size_t K = 0; K + 1 < Crossings.size(); K += 2)
            AddSpan(Crossings[K].first, Crossings[K + 1].first);
        return;
    }
    int Winding = 0;
    int64_t Start = 0;
    for (const auto& [X, Dir] : Crossings) {
        const int Before = Winding;
        Winding += Dir;
        if (Before == 0 && Winding != 0) Start = X;
        if (Before != 0 && Winding == 0) AddSpan(Start, X);
    }
}

// The box a polygon of four corners (a fifth repeating the first allowed)
// with upright sides encloses, as the scan conversion fills it under either
// rule: the pixels from the left side up to, not including, the right one,
// and from the top down to, not including, the bottom. Nothing for any
// other polygon.
std::optional<QRect> UprightBox(const std::vector<QPoint>& P) {
    if (!(P.size() == 4 || (P.size() == 5 && P[4] == P[0]))) return std::nullopt;
    const bool AcrossFirst =
        P[0].y() == P[1].y() && P[1].x() == P[2].x() && P[2].y() == P[3].y() && P[3].x() == P[0].x();
    const bool DownFirst =
        P[0].x() == P[1].x() && P[1].y() == P[2].y() && P[2].x() == P[3].x() && P[3].y() == P[0].y();
    if (!AcrossFirst && !DownFirst) return std::nullopt;
    const int Left = std::min(P[0].x(), P[2].x()), Right = std::max(P[0].x(), P[2].x());
    const int Top = std::min(P[0].y(), P[2].y()), Bottom = std::max(P[0].y(), P[2].y());
    return QRect(QPoint(Left, Top), QPoint(Right - 1, Bottom - 1));
}

QRegion PolygonToRegion(const std::vector<QPoint>& Points, Qt::FillRule Rule) {
    const std::vector<TScanEdge> Edges = ScanEdges(Points);
    if (Edges.empty()) return QRegion();
    int64_t Bottom = Edges.front().Y2;
    for (const TScanEdge& E : Edges) Bottom = std::max(Bottom, E.Y2);

    std::vector<QRect> Rects;
    TSpans Spans, Previous;
    size_t RowStart = 0; // first rectangle of the band that may grow downwards
    size_t Next = 0;     // next edge to become active
    std::vector<const TScanEdge*> Active;
    TCrossings Crossings;
    for (int64_t Y = Edges.front().Y1; Y < Bottom; ++Y) {
        while (Next < Edges.size() && Edges[Next].Y1 <= Y) Active.push_back(&Edges[Next++]);
        const auto Ended = [Y](const TScanEdge* E) { return E->Y2 <= Y; };
        Active.erase(std::remove_if(Active.begin(), Active.end(), Ended), Active.end());
        RowSpans(Active, Y, Rule, Spans, Crossings);
        // A row like the one above it makes that band taller.
        if (!Spans.empty() && Spans == Previous && RowStart < Rects.size() &&
            Rects.back().bottom() == Y - 1) {
            for (size_t K = RowStart; K < Rects.size(); ++K) Rects[K].setBottom(int(Y));
            continue;
        }
        RowStart = Rects.size();
        for (const auto& [X1, X2] : Spans) Rects.emplace_back(X1, int(Y), X2 - X1, 1);
        Previous.swap(Spans);
    }
    QRegion Region;
    if (!Rects.empty()) Region.setRects(Rects.data(), int(Rects.size()));
    return Region;
}

} // namespace

// ---- regions ----

TRegion TRegion::FromPolygon(const TArrPoint& Points, TPolyFillMode Mode) {
    return FromPolygon(Points.data(), int(Points.size()), Mode);
}

TRegion TRegion::FromPolygon(const TPoint* Points, int Count, TPolyFillMode Mode) {
    if (!Points || Count < 3) return TRegion();
    const Qt::FillRule Rule = Mode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
    std::vector<QPoint> Poly;
    const bool Within = std::all_of(Points, Points + Count, [](const TPoint& P) {
        return std::abs(int64_t(P.X)) <= RegionLimit && std::abs(int64_t(P.Y)) <= RegionLimit;
    });
    if (Within) {
        for (int I = 0; I < Count; ++I) Poly.emplace_back(Points[I].X, Points[I].Y);
    } else {
        std::vector<QPointF> Exact(static_cast<size_t>(Count));
        for (int I = 0; I < Count; ++I) Exact[size_t(I)] = QPointF(Points[I].X, Points[I].Y);
        // Every clipped vertex lies within the square, so it rounds to an int.
        for (const QPointF& P : ClipToRegionLimit(std::move(Exact)))
            Poly.emplace_back(int(std::lround(P.x())), int(std::lround(P.y())));
    }
    TRegion Result;
    if (Poly.size() < 3) return Result;
    if (const std::optional<QRect> Box = UprightBox(Poly)) {
        // An upright box scan-converts to itself; its rows need no walk.
        if (!Box->isEmpty()) Result.FRegion = QRegion(*Box);
        return Result;
    }
    Result.FPolygon = std::move(Poly);
    Result.FRule = Rule;
    return Result;
}

const QRegion& TRegion::Region() const {
    if (!FPolygon.empty()) {
        FRegion = PolygonToRegion(FPolygon, FRule);
        FPolygon.clear();
    }
    return FRegion;
}

void TRegion::Offset(int DX, int DY) {
    FRegion = Region().translated(DX, DY);
}

TRegion TRegion::FromRect(const TRect& R) {
    const TRect N = NormalizeRect(R);
    return TRegion(QRegion(N.Left, N.Top, N.Right - N.Left, N.Bottom - N.Top));
}

bool TRegion::Contains(const TPoint& P) const {
    if (FPolygon.empty()) return FRegion.contains(QPoint(P.X, P.Y));
    const std::vector<TScanEdge> Edges = ScanEdges(FPolygon);
    std::vector<const TScanEdge*> All;
    for (const TScanEdge& E : Edges) All.push_back(&E);
    TSpans Spans;
    TCrossings Crossings;
    RowSpans(All, P.Y, FRule, Spans, Crossings);
    return std::any_of(Spans.begin(), Spans.end(),
                       [&P](const std::pair<int, int>& S) { return P.X >= S.first && P.X < S.second; });
}

TRect TRegion::Bounds() const {
    const QRect B = Region().boundingRect();
    if (B.isEmpty()) return TRect{0, 0, 0, 0};
    return TRect{B.left(), B.top(), B.left() + B.width(), B.top() + B.height()};
}

TRegion CreatePolygonRgn(const TArrPoint& Points, TPolyFillMode Mode) {
    return TRegion::FromPolygon(Points, Mode);
}

bool PtInRegion(const TRegion& Region, int X, int Y) {
    return Region.Contains(TPoint{X, Y});
}

// ---- canvas lifetime ----

TCanvas::TCanvas(QPaintDevice* Device) : FDevice(Device) {
    // Selecting another pen drops a geometric pen, as it does on the platform.
    FPen.OnChange = [this] { FGeoPen.reset(); };
    // A solid brush paints text and hatch backgrounds in its colour.
    FBrush.OnChange = [this] {
        FBkMode = FBrush.Style() == TBrushStyle::bsSolid ? OPAQUE : TRANSPARENT;
        FBkColor = FBrush.Color();
    };
}

TCanvas::~TCanvas() {
    Release();
}

void TCanvas::SetDevice(QPaintDevice* Device) {
    Release();
    FDevice = Device;
}

void TCanvas::Release() {
    if (FPainter) {
        if (FPainter->isActive()) FPainter->end();
        FPainter.reset();
    }
    FDeviceDirty = true;
}

bool TCanvas::Begin() {
    if (!FDevice) return false;
    if (FPainter && FPainter->isActive()) return true;
    if (FDevice->devType() == QInternal::Image) {
        const QImage* Img = static_cast<QImage*>(FDevice);
        if (Img->isNull() || Img->format() == QImage::Format_Indexed8) return false;
    }
    FPainter = std::make_unique<QPainter>();
    if (!FPainter->begin(FDevice)) {
        FPainter.reset();
        return false;
    }
    FPainter->setRenderHint(QPainter::Antialiasing, false);
    FDeviceDirty = true;
    return true;
}

QPainter* TCanvas::Painter() {
    if (!Begin()) return nullptr;
    PrepareDevice();
    return FPainter.get();
}

void TCanvas::Changed() {
    if (OnChange) OnChange();
}

QImage* TCanvas::TargetImage() const {
    if (FDevice && FDevice->devType() == QInternal::Image) return static_cast<QImage*>(FDevice);
    return nullptr;
}

bool TCanvas::RasterCapable() const {
    const QImage* Img = TargetImage();
    if (!Img) return false;
    const auto F = Img->format();
    return F == QImage::Format_RGB32 || F == QImage::Format_ARGB32 ||
           F == QImage::Format_ARGB32_Premultiplied;
}

int TCanvas::PixelsPerInchX() const {
    if (!FDevice || FDevice->devType() == QInternal::Image) return ScreenPixelsPerInch();
    return FDevice->logicalDpiX();
}

int TCanvas::PixelsPerInchY() const {
    if (!FDevice || FDevice->devType() == QInternal::Image) return ScreenPixelsPerInch();
    return FDevice->logicalDpiY();
}

int TCanvas::DeviceWidth() const {
    return FDevice ? FDevice->width() / PixelRatio() : 0;
}
int TCanvas::DeviceHeight() const {
    return FDevice ? FDevice->height() / PixelRatio() : 0;
}

int TCanvas::PixelRatio() const {
    if (!FDevice) return 1;
    return std::max(1, int(std::lround(FDevice->devicePixelRatio())));
}

// ---- painter state ----

QRegion TCanvas::EffectiveClip() const {
    QRegion Clip(0, 0, DeviceWidth(), DeviceHeight());
    if (FBaseClip) {
        const TRect B = NormalizeRect(*FBaseClip);
        Clip = Clip.intersected(QRect(B.Left, B.Top, B.Right - B.Left, B.Bottom - B.Top));
    }
    if (FClipRegion) Clip = Clip.intersected(*FClipRegion);
    return Clip;
}

void TCanvas::PrepareDevice() {
    if (!FDeviceDirty) return;
    // Clip regions are in device pixels: set them with no transform in force.
    FPainter->resetTransform();
    if (FBaseClip || FClipRegion)
        FPainter->setClipRegion(EffectiveClip());
    else
        FPainter->setClipping(false);
    FPainter->setTransform(DeviceTransform());
    FDeviceDirty = false;
}

// Sets the composition for the pen mode; False when nothing is to be drawn.
bool TCanvas::PrepareMode(bool ForText) {
    const TPenMode Mode = FPen.Mode();
    if (Mode == TPenMode::pmNop && !ForText) return false;
    if (ForText || !RasterCapable() || Mode == TPenMode::pmCopy || Mode == TPenMode::pmBlack ||
        Mode == TPenMode::pmWhite)
        FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    else
        FPainter->setCompositionMode(RasterOpOf(Mode));
    return true;
}

QPen TCanvas::MakeQPen() const {
    const TQtPenKey Key{FPen.Color(),
                        FPen.Width(),
                        FPen.Style(),
                        FPen.Mode(),
                        FGeoPen.has_value(),
                        FGeoPen ? FGeoPen->Style : 0u,
                        FGeoPen ? FGeoPen->Width : 0,
                        FGeoPen ? FGeoPen->Color : clBlack,
                        PixelRatio()};
    if (!FQtPen || !(FQtPen->first == Key)) FQtPen.emplace(Key, BuildQPen());
    return FQtPen->second;
}

QPen TCanvas::BuildQPen() const {
    const TPenMode Mode = FPen.Mode();
    if (FGeoPen) {
        const TGeometricPen& G = *FGeoPen;
        const Qt::PenStyle Dash = QtDashOf(G.Style);
        if (Dash == Qt::NoPen) return QPen(Qt::NoPen);
        QColor C = ToQColor(G.Color);
        if (Mode == TPenMode::pmBlack) C = Qt::black;
        if (Mode == TPenMode::pmWhite) C = Qt::white;
        QPen P(C, std::max(1, G.Width), Dash);
        switch (G.Style & PS_ENDCAP_MASK) {
        case PS_ENDCAP_SQUARE:
            P.setCapStyle(Qt::SquareCap);
            break;
        case PS_ENDCAP_FLAT:
            P.setCapStyle(Qt::FlatCap);
            break;
        default:
            P.setCapStyle(Qt::RoundCap);
            break;
        }
        switch (G.Style & PS_JOIN_MASK) {
        case PS_JOIN_BEVEL:
            P.setJoinStyle(Qt::BevelJoin);
            break;
        case PS_JOIN_MITER:
            P.setJoinStyle(Qt::MiterJoin);
            break;
        default:
            P.setJoinStyle(Qt::RoundJoin);
            break;
        }
        // A one-pixel geometric pen stays one pixel under any transform.
        if (G.Width <= 1) {
            P.setCosmetic(true);
            P.setWidth(PixelRatio());
        }
        return P;
    }
    if (FPen.Style() == TPenStyle::psClear) return QPen(Qt::NoPen);
    QColor C = ToQColor(FPen.Color());
    if (Mode == TPenMode::pmBlack) C = Qt::black;
    if (Mode == TPenMode::pmWhite) C = Qt::white;
    const int W = FPen.Width();
    if (W <= 1) {
        Qt::PenStyle S = Qt::SolidLine;
        switch (FPen.Style()) {
        case TPenStyle::psDash:
            S = Qt::DashLine;
            break;
        case TPenStyle::psDot:
            S = Qt::DotLine;
            break;
        case TPenStyle::psDashDot:
            S = Qt::DashDotLine;
            break;
        case TPenStyle::psDashDotDot:
            S = Qt::DashDotDotLine;
            break;
        default:
            break;
        }
        // A flat-capped cosmetic line leaves out its last pixel, so chained
        // lines touch each pixel once.
        QPen P(C, PixelRatio(), S, Qt::FlatCap, Qt::MiterJoin);
        P.setCosmetic(true);
        return P;
    }
    // Wide pens are solid with round ends and joins, as the platform draws them.
    return QPen(C, W, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QBrush TCanvas::MakeQBrush(const TBrush& Brush) const {
    if (Brush.Bitmap() && !Brush.Bitmap()->Empty()) return QBrush(Brush.Bitmap()->Image());
    QColor C = ToQColor(Brush.Color());
    if (FPen.Mode() == TPenMode::pmBlack) C = Qt::black;
    if (FPen.Mode() == TPenMode::pmWhite) C = Qt::white;
    switch (Brush.Style()) {
    case TBrushStyle::bsSolid:
        return QBrush(C);
    case TBrushStyle::bsClear:
        return QBrush(Qt::NoBrush);
    case TBrushStyle::bsHorizontal:
        return QBrush(C, Qt::HorPattern);
    case TBrushStyle::bsVertical:
        return QBrush(C, Qt::VerPattern);
    case TBrushStyle::bsFDiagonal:
        return QBrush(C, Qt::FDiagPattern);
    case TBrushStyle::bsBDiagonal:
        return QBrush(C, Qt::BDiagPattern);
    case TBrushStyle::bsCross:
        return QBrush(C, Qt::CrossPattern);
    case TBrushStyle::bsDiagCross:
        return QBrush(C, Qt::DiagCrossPattern);
    }
    return QBrush(C);
}

QFont TCanvas::QtFont() const {
    TQtFontKey Key{FFont.Name(),  FFont.Height(), FFont.PixelsPerInch(), FCharExtra,
                   FFont.Style(), FFont.Pitch(),  FFontAntialias};
    if (!FQtFont || !(FQtFont->first == Key)) FQtFont.emplace(std::move(Key), BuildQtFont());
    return FQtFont->second;
}

QFont TCanvas::BuildQtFont() const {
    QFont F(FFont.Name());
    int H = FFont.Height();
    if (H == 0) H = -MulDiv(8, FFont.PixelsPerInch(), 72);
    if (H < 0) {
        F.setPixelSize(H == INT32_MIN ? INT32_MAX : std::max(1, -H));
    } else {
        // A positive height is the whole cell: find the character height
        // that gives that cell in this face.
        QFont Probe(F);
        Probe.setPixelSize(100);
        const QFontMetricsF M(Probe);
        const double Cell = M.ascent() + M.descent();
        F.setPixelSize(std::max(1, int(std::lround(H * 100.0 / (Cell > 0 ? Cell : 100.0)))));
    }
    const TFontStyles S = FFont.Style();
    F.setBold(S & fsBold);
    F.setItalic(S & fsItalic);
    F.setUnderline(S & fsUnderline);
    F.setStrikeOut(S & fsStrikeOut);
    if (FFont.Pitch() == TFontPitch::fpFixed) {
        F.setFixedPitch(true);
        F.setStyleHint(QFont::Monospace);
    }
    if (FCharExtra != 0) F.setLetterSpacing(QFont::AbsoluteSpacing, FCharExtra);
    F.setStyleStrategy(FFontAntialias ? QFont::PreferAntialias : QFont::NoAntialias);
    return F;
}

// ---- figures ----

void TCanvas::DrawFigure(const QPainterPath& Path, bool Stroke, bool Fill) {
    if (FInPath) {
        // Filled figures are the closed ones.
        RecordFigure(Path, Fill);
        return;
    }
    if (!Begin()) return;
    PrepareDevice();
    if (!PrepareMode(false)) return;
    // Smooth edges only in copy mode, where nothing must be undone exactly.
    // Smooth figures, and every figure on a device with several image pixels
    // to a pixel, are drawn through the pixels' centres while no transform
    // scales them: a one-pixel line then covers its pixels whole.
    const bool Smooth = FAntialiased && FPen.Mode() == TPenMode::pmCopy;
    if (Smooth) FPainter->setRenderHint(QPainter::Antialiasing, true);
    QPainterPath Centred;
    if ((Smooth || PixelRatio() > 1) && FPainter->transform().type() <= QTransform::TxTranslate)
        Centred = Path.translated(0.5, 0.5);
    const QPainterPath& Shifted = Centred.isEmpty() ? Path : Centred;
    if (Fill) {
        const QBrush B = MakeQBrush(FBrush);
        if (B.style() != Qt::NoBrush) {
            QPainterPath P(Shifted);
            P.setFillRule(FFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
            FPainter->setBackgroundMode(FBkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
            FPainter->setBackground(ToQColor(FBkColor));
            FPainter->fillPath(P, B);
        }
    }
    if (Stroke) {
        QPen P = MakeQPen();
        // A smooth line covers its end pixels whole; leaving out the last one
        // only matters to exact feedback.
        if (Smooth && P.capStyle() == Qt::FlatCap) P.setCapStyle(Qt::SquareCap);
        if (P.style() != Qt::NoPen) {
            // An exact one drawn through the pixels' centres (with blocks of
            // device pixels) leaves it out as on any other device.
            const bool Exact = !Smooth && !Centred.isEmpty() && P.capStyle() == Qt::FlatCap;
            FPainter->strokePath(Exact ? AlongThePixels(Centred) : Shifted, P);
        }
    }
    if (Smooth) FPainter->setRenderHint(QPainter::Antialiasing, false);
    Changed();
}

void TCanvas::RecordFigure(const QPainterPath& Path, bool Closed) {
    // Each subpath of the figure becomes a figure of the recorded path.
    const size_t First = FFigures.size();
    for (int I = 0; I < Path.elementCount(); ++I) {
        const QPainterPath::Element E = Path.elementAt(I);
        if (E.type == QPainterPath::MoveToElement || FFigures.size() == First) {
            FFigures.push_back(TPathFigure{{QPointF(E.x, E.y)}, {PT_MOVETO}, false});
            continue;
        }
        FFigures.back().Points.push_back(QPointF(E.x, E.y));
        FFigures.back().Types.push_back(E.type == QPainterPath::LineToElement ? PT_LINETO : PT_BEZIERTO);
    }
    if (Closed) {
        // Qt closes a subpath by returning to its first point; a recorded path
        // keeps a close flag on the last point instead.
        for (size_t I = First; I < FFigures.size(); ++I) {
            TPathFigure& F = FFigures[I];
            if (F.Points.size() > 1 && F.Types.back() == PT_LINETO && F.Points.back() == F.Points.front()) {
                F.Points.pop_back();
                F.Types.pop_back();
            }
            F.Closed = true;
        }
    }
    FFigureOpen = false;
}

QPainterPath TCanvas::PathOfFigures() const {
    QPainterPath Path;
    for (const TPathFigure& F : FFigures) {
        if (F.Points.empty()) continue;
        Path.moveTo(F.Points[0]);
        for (size_t I = 1; I < F.Points.size(); ++I) {
            if (F.Types[I] == PT_BEZIERTO && I + 2 < F.Points.size() && F.Types[I + 1] == PT_BEZIERTO &&
                F.Types[I + 2] == PT_BEZIERTO) {
                Path.cubicTo(F.Points[I], F.Points[I + 1], F.Points[I + 2]);
                I += 2;
            } else {
                Path.lineTo(F.Points[I]);
            }
        }
        if (F.Closed) Path.closeSubpath();
    }
    return Path;
}

void TCanvas::MoveTo(int X, int Y) {
    FPenPos = TPoint{X, Y};
    if (FInPath) FFigureOpen = false;
}

void TCanvas::LineTo(int X, int Y) {
    const TPoint From = FPenPos;
    FPenPos = TPoint{X, Y};
    if (FInPath) {
        if (!FFigureOpen || FFigures.empty() || FFigures.back().Closed) {
            FFigures.push_back(TPathFigure{{ToQ(From)}, {PT_MOVETO}, false});
            FFigureOpen = true;
        }
        FFigures.back().Points.push_back(QPointF(X, Y));
        FFigures.back().Types.push_back(PT_LINETO);
        return;
    }
    QPainterPath P(ToQ(From));
    P.lineTo(X, Y);
    DrawFigure(P, true, false);
}

void TCanvas::Polyline(const TArrPoint& Points) {
    Polyline(Points.data(), int(Points.size()));
}

void TCanvas::Polyline(const TPoint* Points, int Count) {
    if (!Points || Count < 2) return;
    QPainterPath P(ToQ(Points[0]));
    for (int I = 1; I < Count; ++I) P.lineTo(ToQ(Points[I]));
    DrawFigure(P, true, false);
}

void TCanvas::Polygon(const TArrPoint& Points) {
    Polygon(Points.data(), int(Points.size()));
}

namespace {

QPainterPath ClosedPath(const TPoint* Points, int Count) {
    QPainterPath P(ToQ(Points[0]));
    P.reserve(Count + 1); // the closing line included
    for (int I = 1; I < Count; ++I) P.lineTo(ToQ(Points[I]));
    P.closeSubpath();
    return P;
}

} // namespace

void TCanvas::Polygon(const TPoint* Points, int Count) {
    if (!Points || Count < 2) return;
    DrawFigure(ClosedPath(Points, Count), true, true);
}

void TCanvas::StrokePolygon(const TArrPoint& Points) {
    // A recorded closed figure gives back the very path it was recorded
    // from (its closing point dropped and added again), so going straight
    // to the stroke draws the same pixels. Inside a bracket the figure is
    // recorded closed, as Polygon records it.
    if (Points.size() < 2) return;
    DrawFigure(ClosedPath(Points.data(), int(Points.size())), true, FInPath);
}

void TCanvas::PolyBezier(const TArrPoint& Points) {
    PolyBezier(Points.data(), int(Points.size()));
}

void TCanvas::PolyBezier(const TPoint* Points, int Count) {
    if (!Points || Count < 4) return;
    const int Segments = (Count - 1) / 3;
    if (FInPath) {
        FFigures.push_back(TPathFigure{{ToQ(Points[0])}, {PT_MOVETO}, false});
        for (int I = 1; I <= Segments * 3; ++I) {
            FFigures.back().Points.push_back(ToQ(Points[I]));
            FFigures.back().Types.push_back(PT_BEZIERTO);
        }
        FFigureOpen = false;
        return;
    }
    QPainterPath P(ToQ(Points[0]));
    for (int S = 0; S < Segments; ++S)
        P.cubicTo(ToQ(Points[3 * S + 1]), ToQ(Points[3 * S + 2]), ToQ(Points[3 * S + 3]));
    DrawFigure(P, true, false);
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    QRectF R = FigureRect(X1, Y1, X2, Y2);
    if (!FGeoPen && FPen.Style() == TPenStyle::psInsideFrame && FPen.Width() > 1) {
        const double H = FPen.Width() / 2.0;
        R.adjust(H, H, -H, -H);
    }
    QPainterPath P;
    P.addRect(R);
    DrawFigure(P, true, true);
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
    QRectF R = FigureRect(X1, Y1, X2, Y2);
    if (!FGeoPen && FPen.Style() == TPenStyle::psInsideFrame && FPen.Width() > 1) {
        const double H = FPen.Width() / 2.0;
        R.adjust(H, H, -H, -H);
    }
    QPainterPath P;
    P.addEllipse(R);
    DrawFigure(P, true, true);
}

void TCanvas::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
    const QRectF R = FigureRect(X1, Y1, X2, Y2);
    const double A = R.width() / 2.0, B = R.height() / 2.0;
    if (A <= 0 || B <= 0) return;
    const QPointF C = R.center();
    // Qt measures arc angles on the ellipse's parameter, counter-clockwise on
    // screen; the platform names rays through points, so turn each ray into
    // the parameter of the ellipse point it passes through.
    auto ParamOf = [&](int X, int Y) { return std::atan2(-(Y - C.y()) * A, (X - C.x()) * B) * 180.0 / M_PI; };
    const double Start = ParamOf(X3, Y3);
    double Sweep = ParamOf(X4, Y4) - Start;
    while (Sweep <= 0) Sweep += 360.0; // equal rays give the whole ellipse
    QPainterPath P;
    P.arcMoveTo(R, Start);
    P.arcTo(R, Start, Sweep);
    DrawFigure(P, true, false);
}

void TCanvas::FillRect(const TRect& R) {
    if (FInPath) return;
    const TRect N = NormalizeRect(R);
    if (N.Right <= N.Left || N.Bottom <= N.Top) return;
    const QBrush B = MakeQBrush(FBrush);
    if (B.style() == Qt::NoBrush || !Begin()) return;
    PrepareDevice();
    // A rectangle fill copies the brush whatever the pen mode.
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter->setBackgroundMode(FBkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    FPainter->setBackground(ToQColor(FBkColor));
    FPainter->fillRect(QRect(N.Left, N.Top, N.Right - N.Left, N.Bottom - N.Top), B);
    Changed();
}

void TCanvas::FrameRect(const TRect& R) {
    const TRect N = NormalizeRect(R);
    if (N.Right <= N.Left || N.Bottom <= N.Top || !Begin()) return;
    PrepareDevice();
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    const int Ratio = PixelRatio();
    QPen P(ToQColor(FBrush.Color()), Ratio, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    P.setCosmetic(true);
    FPainter->setPen(P);
    FPainter->setBrush(Qt::NoBrush);
    const double Centre = Ratio > 1 && FPainter->transform().type() <= QTransform::TxTranslate ? 0.5 : 0.0;
    FPainter->drawRect(QRectF(N.Left + Centre, N.Top + Centre, N.Right - N.Left - 1, N.Bottom - N.Top - 1));
    Changed();
}

void TCanvas::Draw(int X, int Y, const TBitmap& Bitmap) {
    if (Bitmap.Empty() || FInPath || !Begin()) return;
    PrepareDevice();
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    // Scaled only on a device with several pixels to a pixel.
    FPainter->setRenderHint(QPainter::SmoothPixmapTransform, FAntialiased);
    FPainter->drawImage(QPoint(X, Y), Bitmap.ImageForDraw());
    FPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    Changed();
}

void TCanvas::StretchDraw(const TRect& R, const TBitmap& Bitmap) {
    if (Bitmap.Empty() || FInPath || !Begin()) return;
    PrepareDevice();
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter->setRenderHint(QPainter::SmoothPixmapTransform, FAntialiased);
    FPainter->drawImage(QRectF(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top), Bitmap.ImageForDraw());
    FPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas& SourceCanvas, const TRect& Source) {
    const QImage* Src = SourceCanvas.TargetImage();
    if (!Src || Src->isNull() || FInPath) return;
    // Source names the other canvas's pixels; its image may hold several per pixel.
    const int SourceRatio = SourceCanvas.PixelRatio();
    const QRect SR(Source.Left * SourceRatio, Source.Top * SourceRatio,
                   (Source.Right - Source.Left) * SourceRatio, (Source.Bottom - Source.Top) * SourceRatio);
    const QRectF DR(Dest.Left, Dest.Top, Dest.Right - Dest.Left, Dest.Bottom - Dest.Top);
    if (SR.width() == 0 || SR.height() == 0 || DR.width() == 0 || DR.height() == 0) return;
    // Copying within one image must read the pixels before they are overwritten.
    const bool SameImage = &SourceCanvas == this || Src == TargetImage();
    const QImage Part = SameImage ? Src->copy(SR.normalized()) : QImage();
    if (!Begin()) return;
    PrepareDevice();
    FPainter->setCompositionMode(QPainter::CompositionMode_Source);
    if (SameImage)
        FPainter->drawImage(DR, Part);
    else
        FPainter->drawImage(DR, *Src, QRectF(SR));
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    Changed();
}

TColor TCanvas::Pixels(int X, int Y) {
    const QImage* Img = TargetImage();
    // The first image pixel of the pixel's block stands for it.
    const int64_t Ratio = PixelRatio();
    const int64_t IX = (int64_t(X) - FOrigin.X) * Ratio, IY = (int64_t(Y) - FOrigin.Y) * Ratio;
    if (!Img || IX < 0 || IY < 0 || IX >= Img->width() || IY >= Img->height()) return clNone;
    return FromQRgb(Img->pixel(int(IX), int(IY)));
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
    if (!Begin()) return;
    PrepareDevice();
    FPainter->setCompositionMode(QPainter::CompositionMode_Source);
    FPainter->fillRect(QRect(X, Y, 1, 1), ToQColor(Color));
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    Changed();
}

// ---- text ----

// Measured texts, by everything the measure depends on. Laying out a text
// costs about as much as drawing it, and a paint measures most captions
// before drawing them; the same texts come back at every paint. Per thread:
// pictures are converted off the GUI thread.
namespace {

struct TMeasureKey {
    QString Text, FontName;
    int Height, PixelsPerInch, CharExtra, DpiX, DpiY;
    uint8_t Style, Pitch;
    bool Antialias;
    bool operator==(const TMeasureKey& O) const {
        return Height == O.Height && PixelsPerInch == O.PixelsPerInch && CharExtra == O.CharExtra &&
               DpiX == O.DpiX && DpiY == O.DpiY && Style == O.Style && Pitch == O.Pitch &&
               Antialias == O.Antialias && Text == O.Text && FontName == O.FontName;
    }
};

struct TMeasureKeyHash {
    size_t operator()(const TMeasureKey& K) const {
        size_t H = qHash(K.Text) ^ (qHash(K.FontName) << 1);
        for (const int V : {K.Height, K.PixelsPerInch, K.CharExtra, K.DpiX, K.DpiY, int(K.Style),
                            int(K.Pitch), int(K.Antialias)})
            H = H * 1000003u ^ size_t(V);
        return H;
    }
};

} // namespace

TCanvas::TTextMetrics TCanvas::MeasureText(const QFont& Font, const QString& Text) const {
    using TCache = std::unordered_map<TMeasureKey, TTextMetrics, TMeasureKeyHash>;
    thread_local TCache Cache;
    // Bounded: a drawing with very many different texts measures some twice.
    constexpr size_t MaxMeasured = 16384;
    const int DpiX = FDevice ? FDevice->logicalDpiX() : 0, DpiY = FDevice ? FDevice->logicalDpiY() : 0;
    TMeasureKey Key{Text, FFont.Name(), FFont.Height(),         FFont.PixelsPerInch(),  FCharExtra,
                    DpiX, DpiY,         uint8_t(FFont.Style()), uint8_t(FFont.Pitch()), FFontAntialias};
    if (const auto Found = Cache.find(Key); Found != Cache.end()) return Found->second;
    const QFontMetrics M(Font, FDevice);
    const TTextMetrics Result{M.horizontalAdvance(Text), M.height(), M.ascent()};
    // Long texts are measured each time: kept, a drawing of many long texts
    // would hold megabytes of copies.
    constexpr qsizetype MaxKeptLength = 256;
    if (Text.size() > MaxKeptLength) return Result;
    if (Cache.size() >= MaxMeasured) Cache.clear();
    Cache.emplace(std::move(Key), Result);
    return Result;
}

void TCanvas::TextOut(int X, int Y, const QString& Text) {
    const QFont F = QtFont();
    const TTextMetrics M = MeasureText(F, Text);
    // The pen moves past the text; a far-off X (a document's coordinates) stays an int.
    const int64_t End = int64_t(X) + M.Width;
    const TPoint After{int(std::clamp<int64_t>(End, INT32_MIN, INT32_MAX)), Y};
    if (FInPath) {
        QPainterPath Glyphs;
        Glyphs.addText(0, M.Ascent, F, Text);
        QTransform T;
        T.translate(X, Y);
        T.rotate(-double(FEscapement) / 10.0);
        RecordFigure(T.map(Glyphs), true);
        FPenPos = After;
        return;
    }
    FPenPos = After;
    if (Text.isEmpty() || !Begin()) return;
    PrepareDevice();
    FPainter->save();
    // The opaque case fills its own cell below; a fill drawn before must not
    // leave Qt's background mode behind for the glyphs.
    FPainter->setBackgroundMode(Qt::TransparentMode);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter->setRenderHint(QPainter::TextAntialiasing, FFontAntialias);
    FPainter->translate(X, Y);
    // Escapement turns counter-clockwise on screen; Qt's rotation turns clockwise.
    if (FEscapement != 0) FPainter->rotate(-double(FEscapement) / 10.0);
    if (FBkMode == OPAQUE) FPainter->fillRect(QRect(0, 0, M.Width, M.Height), ToQColor(FBkColor));
    FPainter->setFont(F);
    FPainter->setPen(ToQColor(FFont.Color()));
    FPainter->drawText(QPointF(0, M.Ascent), Text);
    FPainter->restore();
    Changed();
}

TPoint TCanvas::TextExtent(const QString& Text) {
    const TTextMetrics M = MeasureText(QtFont(), Text);
    return TPoint{M.Width, M.Height};
}

int TCanvas::SetTextCharacterExtra(int Extra) {
    const int Old = FCharExtra;
    FCharExtra = Extra;
    return Old;
}

TBkMode TCanvas::SetBkMode(TBkMode Mode) {
    const TBkMode Old = FBkMode;
    FBkMode = Mode;
    return Old;
}

// ---- geometric pens ----

std::optional<TGeometricPen> TCanvas::SelectGeometricPen(const std::optional<TGeometricPen>& Pen) {
    std::optional<TGeometricPen> Old = FGeoPen;
    FGeoPen = Pen;
    return Old;
}

// ---- paths ----

void TCanvas::BeginPath() {
    FFigures.clear();
    FInPath = true;
    FFigureOpen = false;
}

void TCanvas::EndPath() {
    FInPath = false;
}

void TCanvas::AbortPath() {
    FFigures.clear();
    FInPath = false;
    FFigureOpen = false;
}

void TCanvas::CloseFigure() {
    if (FInPath && !FFigures.empty()) FFigures.back().Closed = true;
    FFigureOpen = false;
}

void TCanvas::StrokePath() {
    if (FInPath) return;
    const QPainterPath P = PathOfFigures();
    FFigures.clear();
    DrawFigure(P, true, false);
}

void TCanvas::FillPath() {
    if (FInPath) return;
    QPainterPath P = PathOfFigures();
    FFigures.clear();
    DrawFigure(P, false, true);
}

void TCanvas::StrokeAndFillPath() {
    if (FInPath) return;
    const QPainterPath P = PathOfFigures();
    FFigures.clear();
    DrawFigure(P, true, true);
}

void TCanvas::FlattenPath() {
    for (TPathFigure& F : FFigures) {
        TPathFigure Flat;
        Flat.Closed = F.Closed;
        for (size_t I = 0; I < F.Points.size(); ++I) {
            if (I > 0 && F.Types[I] == PT_BEZIERTO && I + 2 < F.Points.size()) {
                // Qt flattens the cubic into a polyline fine enough for pixels.
                QPainterPath Segment(F.Points[I - 1]);
                Segment.cubicTo(F.Points[I], F.Points[I + 1], F.Points[I + 2]);
                const QPolygonF Poly = Segment.toSubpathPolygons(DeviceTransform()).value(0);
                const QTransform Back = DeviceTransform().inverted();
                for (int K = 1; K < Poly.size(); ++K) {
                    Flat.Points.push_back(Back.map(Poly[K]));
                    Flat.Types.push_back(PT_LINETO);
                }
                I += 2;
            } else {
                Flat.Points.push_back(F.Points[I]);
                Flat.Types.push_back(I == 0 ? PT_MOVETO : PT_LINETO);
            }
        }
        F = std::move(Flat);
    }
}

TPathData TCanvas::GetPath() const {
    // Points come back in the coordinates they were drawn with.
    TPathData D;
    for (const TPathFigure& F : FFigures) {
        for (size_t I = 0; I < F.Points.size(); ++I) {
            const QPointF P = F.Points[I];
            D.Points.push_back(TPoint{RoundHalfEven(P.x()), RoundHalfEven(P.y())});
            uint8_t Type = F.Types[I];
            if (F.Closed && I + 1 == F.Points.size()) Type |= PT_CLOSEFIGURE;
            D.Types.push_back(Type);
        }
    }
    return D;
}

// ---- regions and clipping ----

TPolyFillMode TCanvas::SetPolyFillMode(TPolyFillMode Mode) {
    const TPolyFillMode Old = FFillMode;
    FFillMode = Mode;
    return Old;
}

void TCanvas::FillRgn(const TRegion& Region, const TBrush& Brush) {
    if (Region.IsEmpty() || FInPath) return;
    const QBrush B = MakeQBrush(Brush);
    if (B.style() == Qt::NoBrush || !Begin()) return;
    PrepareDevice();
    FPainter->save();
    FPainter->resetTransform();
    FPainter->translate(-FOrigin.X, -FOrigin.Y);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const QRect& R : Region.ToQRegion()) FPainter->fillRect(R, B);
    FPainter->restore();
    Changed();
}

void TCanvas::FillPolygonSmooth(const TPoint* Points, int Count, const TBrush& Brush) {
    FillSmooth(Points, Count, MakeQBrush(Brush), nullptr);
}

void TCanvas::FillPolygonSmooth(const TPoint* Points, int Count, const TBitmap& Picture, const TPoint& At) {
    if (Picture.Empty()) return;
    QBrush B(Picture.ImageForDraw());
    B.setTransform(QTransform::fromTranslate(At.X, At.Y));
    // The brush repeats the picture; a fringe pixel beyond its edge must not
    // take the colour of the opposite edge.
    const QRectF Within(At.X, At.Y, Picture.Width(), Picture.Height());
    FillSmooth(Points, Count, B, &Within);
}

void TCanvas::FillSmooth(const TPoint* Points, int Count, const QBrush& Brush, const QRectF* Within) {
    if (!Points || Count < 3 || FInPath || Brush.style() == Qt::NoBrush || !Begin()) return;
    PrepareDevice();
    QPainterPath Path(ToQ(Points[0]));
    for (int I = 1; I < Count; ++I) Path.lineTo(ToQ(Points[I]));
    Path.closeSubpath();
    Path.setFillRule(Qt::WindingFill);
    // Through the pixels' centres, as the outline around it is drawn.
    const bool Centre = FPainter->transform().type() <= QTransform::TxTranslate;
    if (Centre) Path.translate(0.5, 0.5);
    FPainter->save();
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter->setRenderHint(QPainter::Antialiasing, true);
    FPainter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    FPainter->setBackgroundMode(FBkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    FPainter->setBackground(ToQColor(FBkColor));
    if (Within) FPainter->setClipRect(*Within, Qt::IntersectClip);
    FPainter->fillPath(Path, Brush);
    FPainter->restore();
    Changed();
}

void TCanvas::SelectClipRgn(const TRegion* Region) {
    if (Region)
        FClipRegion = Region->ToQRegion().translated(-FOrigin.X, -FOrigin.Y);
    else
        FClipRegion.reset();
    FDeviceDirty = true;
}

void TCanvas::SetBaseClip(const std::optional<TRect>& R) {
    FBaseClip = R;
    FDeviceDirty = true;
}

void TCanvas::SetOrigin(const TPoint& Origin) {
    FOrigin = Origin;
    FDeviceDirty = true;
}

TRect TCanvas::ClipRect() {
    QRect B = EffectiveClip().boundingRect();
    const QTransform T = DeviceTransform();
    if (!T.isIdentity() && T.isInvertible()) B = T.inverted().mapRect(B);
    if (B.isEmpty()) return TRect{0, 0, 0, 0};
    return TRect{B.left(), B.top(), B.left() + B.width(), B.top() + B.height()};
}

// ---- transforms ----

TGraphicsMode TCanvas::SetGraphicsMode(TGraphicsMode Mode) {
    const TGraphicsMode Old = FGraphicsMode;
    FGraphicsMode = Mode;
    if (Mode == GM_COMPATIBLE) FWorld.reset();
    FDeviceDirty = true;
    return Old;
}

bool TCanvas::SetWorldTransform(const TXForm& X) {
    if (FGraphicsMode != GM_ADVANCED) return false;
    const QTransform T(X.eM11, X.eM12, X.eM21, X.eM22, X.eDx, X.eDy);
    if (!T.isInvertible()) return false;
    FWorld = T;
    FDeviceDirty = true;
    return true;
}

TXForm TCanvas::GetWorldTransform() const {
    return TXForm{float(FWorld.m11()), float(FWorld.m12()), float(FWorld.m21()),
                  float(FWorld.m22()), float(FWorld.dx()),  float(FWorld.dy())};
}

TMapMode TCanvas::SetMapMode(TMapMode Mode) {
    const TMapMode Old = FMapMode;
    FMapMode = Mode;
    FDeviceDirty = true;
    return Old;
}

QTransform TCanvas::DeviceTransform() const {
    double Scale;
    QTransform Map;
    if (MapModeScale(FMapMode, PixelsPerInchX(), Scale)) Map = QTransform::fromScale(Scale, -Scale);
    return FWorld * Map * QTransform::fromTranslate(-FOrigin.X, -FOrigin.Y);
}

} // namespace draxa
