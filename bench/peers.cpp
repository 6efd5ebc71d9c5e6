#include "peers.h"
#include "peers_p.h"

#include "foundation/bitmap.h"
#include "shapes/image.h"
#include "shapes/line.h"
#include "shapes/link_line.h"
#include "shapes/text.h"
#include "surface/draxa.h"

#include <QBuffer>
#include <QDataStream>
#include <QFontMetricsF>
#include <QGraphicsEllipseItem>
#include <QGraphicsPathItem>
#include <QGraphicsPixmapItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsSimpleTextItem>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

#include <cmath>
#include <functional>

namespace draxa::bench {

namespace {

constexpr double kPi = 3.14159265358979323846;

QPolygonF PolygonOf(const TArrMyPoint& Points) {
    QPolygonF P;
    P.reserve(int(Points.size()));
    for (const TMyPoint& Q : Points) P << QPointF(Q.X, Q.Y);
    return P;
}

QPen PenOf(const TShapeData& D) {
    static const Qt::PenStyle Styles[] = {Qt::SolidLine,      Qt::DashLine, Qt::DotLine,  Qt::DashDotLine,
                                          Qt::DashDotDotLine, Qt::NoPen,    Qt::SolidLine};
    QPen P(QColor::fromRgb(D.PenColor), std::max(1, D.PenWidth), Styles[std::min<int>(D.PenStyle, 6)]);
    P.setJoinStyle(Qt::RoundJoin);
    P.setCapStyle(Qt::RoundCap);
    return P;
}

// The gradient patterns as Qt gradients over the shape's bounds.
QBrush GradientOf(const TShapeData& D) {
    const QRectF B = D.Points.boundingRect();
    const QColor Begin = QColor::fromRgb(D.GradientBegin), End = QColor::fromRgb(D.GradientEnd);
    const double R = std::max(1.0, std::hypot(B.width(), B.height()) / 2);
    auto Radial = [&](QPointF C, double Radius) {
        QRadialGradient G(C, Radius);
        G.setColorAt(0, Begin);
        G.setColorAt(1, End);
        return QBrush(G);
    };
    auto Linear = [&](QPointF A, QPointF Z, bool Reflected) {
        QLinearGradient G(A, Z);
        G.setColorAt(0, Reflected ? End : Begin);
        if (Reflected) G.setColorAt(0.5, Begin);
        G.setColorAt(1, End);
        return QBrush(G);
    };
    const QPointF TopMid((B.left() + B.right()) / 2, B.top()),
        BottomMid((B.left() + B.right()) / 2, B.bottom());
    const QPointF LeftMid(B.left(), (B.top() + B.bottom()) / 2),
        RightMid(B.right(), (B.top() + B.bottom()) / 2);
    switch (TGradientStyle(D.Gradient)) {
    case TGradientStyle::gsRadialC:
        return Radial(B.center(), R);
    case TGradientStyle::gsRadialT:
        return Radial(TopMid, 2 * R);
    case TGradientStyle::gsRadialB:
        return Radial(BottomMid, 2 * R);
    case TGradientStyle::gsRadialL:
        return Radial(LeftMid, 2 * R);
    case TGradientStyle::gsRadialR:
        return Radial(RightMid, 2 * R);
    case TGradientStyle::gsRadialTL:
        return Radial(B.topLeft(), 2 * R);
    case TGradientStyle::gsRadialTR:
        return Radial(B.topRight(), 2 * R);
    case TGradientStyle::gsRadialBL:
        return Radial(B.bottomLeft(), 2 * R);
    case TGradientStyle::gsRadialBR:
        return Radial(B.bottomRight(), 2 * R);
    case TGradientStyle::gsLinearH:
        return Linear(TopMid, BottomMid, false);
    case TGradientStyle::gsLinearV:
        return Linear(LeftMid, RightMid, false);
    case TGradientStyle::gsReflectedH:
        return Linear(TopMid, BottomMid, true);
    case TGradientStyle::gsReflectedV:
        return Linear(LeftMid, RightMid, true);
    case TGradientStyle::gsDiagonalLF:
        return Linear(B.topRight(), B.bottomLeft(), false);
    case TGradientStyle::gsDiagonalLB:
        return Linear(B.topLeft(), B.bottomRight(), false);
    case TGradientStyle::gsDiagonalRF:
        return Linear(B.topRight(), B.bottomLeft(), true);
    case TGradientStyle::gsDiagonalRB:
        return Linear(B.topLeft(), B.bottomRight(), true);
    case TGradientStyle::gsArrowL:
        return Linear(RightMid, LeftMid, false);
    case TGradientStyle::gsArrowR:
        return Linear(LeftMid, RightMid, false);
    case TGradientStyle::gsArrowU:
        return Linear(BottomMid, TopMid, false);
    case TGradientStyle::gsArrowD:
        return Linear(TopMid, BottomMid, false);
    case TGradientStyle::gsDiamond:
        return Radial(B.center(), R);
    case TGradientStyle::gsButterfly:
        return Linear(TopMid, BottomMid, true);
    case TGradientStyle::gsNone:
        break;
    }
    return Qt::NoBrush;
}

QBrush BrushOf(const TShapeData& D) {
    if (D.Gradient != kNoGradient) return GradientOf(D);
    if (D.BrushClear) return Qt::NoBrush;
    return QColor::fromRgb(D.BrushColor);
}

QFont FontOf(const TShapeData& D) {
    QFont F(D.FontName);
    F.setPixelSize(std::max(1, D.FontPixels));
    F.setBold(D.FontStyle & fsBold);
    F.setItalic(D.FontStyle & fsItalic);
    F.setUnderline(D.FontStyle & fsUnderline);
    F.setStrikeOut(D.FontStyle & fsStrikeOut);
    return F;
}

// Circle through three points as a path; a straight line when they are in line.
QPainterPath ArcPath(const QPolygonF& P) {
    QPainterPath Path(P.value(0));
    if (P.size() < 3) {
        for (int I = 1; I < P.size(); ++I) Path.lineTo(P[I]);
        return Path;
    }
    const QPointF A = P[0], B = P[1], C = P[2];
    const double D = 2 * (A.x() * (B.y() - C.y()) + B.x() * (C.y() - A.y()) + C.x() * (A.y() - B.y()));
    if (std::abs(D) < 1e-6) {
        Path.lineTo(C);
        return Path;
    }
    auto Sq = [](QPointF Q) { return Q.x() * Q.x() + Q.y() * Q.y(); };
    const QPointF M((Sq(A) * (B.y() - C.y()) + Sq(B) * (C.y() - A.y()) + Sq(C) * (A.y() - B.y())) / D,
                    (Sq(A) * (C.x() - B.x()) + Sq(B) * (A.x() - C.x()) + Sq(C) * (B.x() - A.x())) / D);
    const double R = std::hypot(A.x() - M.x(), A.y() - M.y());
    // Qt's arc angles: degrees, counter-clockwise on screen.
    auto Deg = [&](QPointF Q) { return std::atan2(M.y() - Q.y(), Q.x() - M.x()) * 180 / kPi; };
    auto Ccw = [](double From, double To) { return std::fmod(To - From + 720, 360); };
    const double A0 = Deg(A), Sweep = Ccw(A0, Deg(C));
    const double Through = Ccw(A0, Deg(B)) <= Sweep ? Sweep : Sweep - 360;
    Path.arcTo(QRectF(M.x() - R, M.y() - R, 2 * R, 2 * R), A0, Through);
    return Path;
}

QPainterPath BezierPath(const QPolygonF& P) {
    QPainterPath Path(P.value(0));
    for (int I = 1; I + 2 < P.size(); I += 3) Path.cubicTo(P[I], P[I + 1], P[I + 2]);
    return Path;
}

// Catmull-Rom through the points, as cubic segments.
QPainterPath SmoothPath(const QPolygonF& P) {
    QPainterPath Path(P.value(0));
    for (int I = 0; I + 1 < P.size(); ++I) {
        const QPointF P0 = P[std::max(0, I - 1)], P1 = P[I], P2 = P[I + 1],
                      P3 = P[std::min(int(P.size()) - 1, I + 2)];
        Path.cubicTo(P1 + (P2 - P0) / 6, P2 - (P3 - P1) / 6, P2);
    }
    return Path;
}

QPainterPath PolylinePath(const QPolygonF& P) {
    QPainterPath Path;
    Path.addPolygon(P);
    return Path;
}

QPainterPath MarksOf(const TShapeData& D) {
    QPainterPath P;
    for (const QPointF& L : D.LinkPoints) {
        const double X = std::round(L.x()), Y = std::round(L.y());
        P.moveTo(X - 2.5, Y - 2.5);
        P.lineTo(X + 2.5, Y + 2.5);
        P.moveTo(X + 2.5, Y - 2.5);
        P.lineTo(X - 2.5, Y + 2.5);
    }
    return P;
}

const QPen& MarkPen() {
    static const QPen Pen(QColor(0, 0, 255), 1);
    return Pen;
}

// Walks the shown top-level shapes in list order, members first.
void ForEachPainted(const TSceneData& S, const std::function<void(const TShapeData&)>& Visit) {
    std::function<void(int32_t, int)> Walk = [&](int32_t I, int Depth) {
        if (I < 0 || size_t(I) >= S.Shapes.size() || Depth > 16) return;
        const TShapeData& D = S.Shapes[size_t(I)];
        if (!D.Shown) return;
        for (int32_t M : D.Members) Walk(M, Depth + 1);
        Visit(D);
    };
    for (size_t I = 0; I < S.Shapes.size(); ++I)
        if (S.Shapes[I].Group < 0) Walk(int32_t(I), 0);
}

void DrawInfoText(QPainter& P, const TShapeData& D) {
    if (D.Info.isEmpty()) return;
    const QFont F = FontOf(D);
    const QFontMetricsF M(F);
    P.setFont(F);
    P.setPen(QColor::fromRgb(D.FontColor));
    P.drawText(D.InfoPos + QPointF(-M.horizontalAdvance(D.Info) / 2, M.ascent() - M.height() / 2), D.Info);
}

void PaintShape(QPainter& P, const TShapeData& D) {
    P.setPen(PenOf(D));
    P.setBrush(BrushOf(D));
    switch (D.Kind) {
    case TPeerKind::Box:
    case TPeerKind::Polygon:
        P.drawPolygon(D.Points);
        break;
    case TPeerKind::Ellipse:
        P.save();
        P.translate(D.Centre);
        P.rotate(Degrees(D.Angle));
        P.drawEllipse(QRectF(-D.Width / 2, -D.Height / 2, D.Width, D.Height));
        P.restore();
        break;
    case TPeerKind::Text: {
        if (D.Border) P.drawPolygon(D.Points);
        const QFont F = FontOf(D);
        const QFontMetricsF M(F);
        P.save();
        P.translate(D.Centre);
        P.rotate(Degrees(D.Angle));
        P.setFont(F);
        P.setPen(QColor::fromRgb(D.FontColor));
        double Y = -M.height() * D.Lines.size() / 2 + M.ascent();
        for (const QString& L : D.Lines) {
            P.drawText(QPointF(-M.horizontalAdvance(L) / 2, Y), L);
            Y += M.height();
        }
        P.restore();
        break;
    }
    case TPeerKind::Image:
        if (!D.Picture.isNull())
            P.drawImage(D.Points.boundingRect(), D.Picture);
        else
            P.drawRect(D.Points.boundingRect());
        break;
    case TPeerKind::Polyline:
        P.setBrush(Qt::NoBrush);
        P.drawPolyline(D.Points);
        P.setBrush(QColor::fromRgb(D.PenColor));
        for (const QPolygonF& H : ArrowHeads(D)) P.drawPolygon(H);
        break;
    case TPeerKind::Arc:
    case TPeerKind::Bezier:
    case TPeerKind::BLine:
    case TPeerKind::Cross:
        P.strokePath(OutlineOf(D), P.pen());
        break;
    case TPeerKind::Disc:
        P.setBrush(QColor::fromRgb(D.PenColor));
        P.drawEllipse(D.Points.boundingRect());
        break;
    case TPeerKind::Frame:
        break;
    }
    DrawInfoText(P, D);
}

void DrawGrid(QPainter& P, const TSceneData& S, const QRectF& R) {
    if (!S.Grid) return;
    P.setPen(QPen(QColor::fromRgb(S.GridColor), 1));
    for (double X = std::floor(R.left() / S.GridX) * S.GridX; X <= R.right(); X += S.GridX)
        P.drawLine(QPointF(X, R.top()), QPointF(X, R.bottom()));
    for (double Y = std::floor(R.top() / S.GridY) * S.GridY; Y <= R.bottom(); Y += S.GridY)
        P.drawLine(QPointF(R.left(), Y), QPointF(R.right(), Y));
}

QRgb RgbOf(TColor C) {
    return ToQColor(C).rgb();
}

} // namespace

// ---- shared with the document peers ------------------------------------------------

TPeerKind KindOf(const QString& ClassName) {
    static const QHash<QString, TPeerKind> Kinds{
        {"TMyRectangle", TPeerKind::Box},     {"TMyEllipse", TPeerKind::Ellipse},
        {"TMyText", TPeerKind::Text},         {"TMyImage", TPeerKind::Image},
        {"TMyLine", TPeerKind::Polyline},     {"TMyPolyLine", TPeerKind::Polyline},
        {"TMyFreeLine", TPeerKind::Polyline}, {"TMyRuleLine", TPeerKind::Polyline},
        {"TMyLinkLine", TPeerKind::Polyline}, {"TMyPolygon", TPeerKind::Polygon},
        {"TMyElliArc", TPeerKind::Arc},       {"TMyPolyBezier", TPeerKind::Bezier},
        {"TMyBLine", TPeerKind::BLine},       {"TMyLinkPoint", TPeerKind::Cross},
        {"TMyLineLinkLine", TPeerKind::Disc}, {"TMyGroup", TPeerKind::Frame},
        {"TMyCombine", TPeerKind::Frame}};
    return Kinds.value(ClassName, TPeerKind::Frame);
}

// Arrow heads of a line: at the last vertex for ALeft, at vertex 0 for ARight.
std::vector<QPolygonF> ArrowHeads(const TShapeData& D) {
    std::vector<QPolygonF> Heads;
    if (D.Points.size() < 2 || D.Arrows == 0) return Heads;
    const double Half = D.ArrowAngle * kPi / 180;
    auto Head = [&](QPointF Tip, QPointF Tail) {
        const double A = std::atan2(Tail.y() - Tip.y(), Tail.x() - Tip.x());
        Heads.push_back(QPolygonF{Tip, Tip + D.ArrowLength * QPointF(std::cos(A + Half), std::sin(A + Half)),
                                  Tip + D.ArrowLength * QPointF(std::cos(A - Half), std::sin(A - Half))});
    };
    const int N = int(D.Points.size());
    if (D.Arrows == uint8_t(TArrowStyle::ALeft) || D.Arrows == uint8_t(TArrowStyle::ADouble))
        Head(D.Points[N - 1], D.Points[N - 2]);
    if (D.Arrows == uint8_t(TArrowStyle::ARight) || D.Arrows == uint8_t(TArrowStyle::ADouble))
        Head(D.Points[0], D.Points[1]);
    return Heads;
}

QPainterPath OutlineOf(const TShapeData& D) {
    switch (D.Kind) {
    case TPeerKind::Arc:
        return ArcPath(D.Points);
    case TPeerKind::Bezier:
        return BezierPath(D.Points);
    case TPeerKind::BLine:
        return SmoothPath(D.Points);
    case TPeerKind::Cross: {
        QPainterPath P;
        if (D.Points.size() < 4) return P;
        P.moveTo(D.Points[0]);
        P.lineTo(D.Points[2]);
        P.moveTo(D.Points[1]);
        P.lineTo(D.Points[3]);
        return P;
    }
    default:
        return PolylinePath(D.Points);
    }
}

double Degrees(float Radians) {
    return Radians * 180 / kPi;
}

// ---- reading the surface ---------------------------------------------------------

TSceneData ReadScene(TMyDraxa& Surface) {
    TSceneData S;
    S.Width = Surface.Width();
    S.Height = Surface.Height();
    S.Background = RgbOf(Surface.ColorOfBackGround());
    const TGridObject& G = Surface.GridOperation();
    S.Grid = G.GridShow && G.GridType == TGridType::gLine;
    S.GridX = G.GridWidth;
    S.GridY = G.GridHeight;
    S.GridColor = RgbOf(G.GridColor);
    S.Shapes.reserve(size_t(Surface.ShapeCount()));
    for (int I = 0; I < Surface.ShapeCount(); ++I) {
        TMyShape& Sh = *Surface.ShapeByIndex(I);
        // A measuring line shows its length, which its first paint stores as
        // its Info; the peers draw that label too.
        if (Sh.ClassName() == QLatin1String("TMyRuleLine") && Sh.Info().isEmpty()) {
            QString Length;
            Sh.UpdateMeasureInfo(Length);
        }
        TShapeData D;
        D.ClassName = Sh.ClassName();
        D.Kind = KindOf(D.ClassName);
        D.Name = Sh.Name();
        D.Info = Sh.Info();
        D.Number = Sh.ShapeNo();
        D.Layer = Sh.LayerId();
        D.Group = Sh.GroupIndex();
        D.Shown = Sh.Visible() && Surface.IsLayerVisible(Sh.LayerId());
        D.Members.assign(Sh.Members().begin(), Sh.Members().end());
        D.LinkLines.assign(Sh.LinkLines().begin(), Sh.LinkLines().end());
        D.Points = PolygonOf(Sh.Points());
        D.LinkPoints = PolygonOf(Sh.LinkPoints());
        D.Angle = Sh.Angle();
        D.Centre = D.Points.boundingRect().center();
        D.InfoPos = QPointF(Sh.InfoPos().X, Sh.InfoPos().Y);
        D.Width = Sh.UnrotatedWidth();
        D.Height = Sh.UnrotatedHeight();
        D.PenColor = RgbOf(Sh.Pen().Color());
        D.PenWidth = Sh.Pen().Width();
        D.PenStyle = uint8_t(Sh.Pen().Style());
        D.BrushColor = RgbOf(Sh.Brush().Color());
        D.BrushClear = Sh.Brush().Style() == TBrushStyle::bsClear;
        D.Gradient = uint8_t(Sh.GradientStyle());
        D.GradientBegin = RgbOf(Sh.ColorBegin());
        D.GradientEnd = RgbOf(Sh.ColorEnd());
        D.FontName = Sh.Font().Name();
        D.FontPixels = std::abs(Sh.Font().Height());
        D.FontColor = RgbOf(Sh.Font().Color());
        D.FontStyle = Sh.Font().Style();
        if (const auto* T = dynamic_cast<const TMyText*>(&Sh)) {
            D.Lines = T->Lines();
            D.Border = T->IsBorder();
        }
        // A Qt program keeps its pictures in the format its painter draws fastest.
        if (const auto* Im = dynamic_cast<const TMyImage*>(&Sh); Im && !Im->Bitmap().Empty())
            D.Picture = Im->Bitmap().Image().convertToFormat(QImage::Format_RGB32);
        if (const auto* L = dynamic_cast<const TMyLine*>(&Sh)) {
            D.Arrows = uint8_t(L->ArrowStyle());
            D.ArrowLength = L->ArrowLength();
            D.ArrowAngle = L->ArrowAngle();
        }
        if (const auto* L = dynamic_cast<const TMyLinkLine*>(&Sh)) {
            D.StartShape = L->StartShapeIndex();
            D.StartLink = L->StartLinkPoint();
            D.EndShape = L->EndShapeIndex();
            D.EndLink = L->EndLinkPoint();
        }
        S.Shapes.push_back(std::move(D));
    }
    return S;
}

// ---- plain QPainter ---------------------------------------------------------------

void PaintDirect(QPainter& P, const TSceneData& Scene, const QRect& Area) {
    P.save();
    P.translate(-Area.topLeft());
    P.setClipRect(Area);
    P.fillRect(Area, QColor::fromRgb(Scene.Background));
    DrawGrid(P, Scene, Area);
    ForEachPainted(Scene, [&](const TShapeData& D) { PaintShape(P, D); });
    P.setPen(MarkPen());
    P.setBrush(Qt::NoBrush);
    ForEachPainted(Scene, [&](const TShapeData& D) {
        if (!D.LinkPoints.isEmpty()) P.drawPath(MarksOf(D));
    });
    P.restore();
}

// ---- QGraphicsScene ---------------------------------------------------------------

TPeerScene::TPeerScene(const TSceneData& Data) : FData(Data) {
    setSceneRect(0, 0, Data.Width, Data.Height);
    FItems.resize(FData.Shapes.size());
    // Items stack in the order they are added: the order the surface paints.
    std::function<void(int32_t, int)> Walk = [&](int32_t I, int Depth) {
        if (I < 0 || size_t(I) >= FData.Shapes.size() || Depth > 16) return;
        for (int32_t M : FData.Shapes[size_t(I)].Members) Walk(M, Depth + 1);
        AddShape(size_t(I));
    };
    for (size_t I = 0; I < FData.Shapes.size(); ++I)
        if (FData.Shapes[I].Group < 0) Walk(int32_t(I), 0);
    for (size_t I = 0; I < FData.Shapes.size(); ++I) {
        const TShapeData& D = FData.Shapes[I];
        if (D.LinkPoints.isEmpty()) continue;
        auto* Marks = addPath(MarksOf(D), MarkPen());
        Marks->setVisible(D.Shown);
        FItems[I].push_back(Marks);
    }
}

void TPeerScene::AddShape(size_t I) {
    const TShapeData& D = FData.Shapes[I];
    std::vector<QGraphicsItem*>& Items = FItems[I];
    const QPen Pen = PenOf(D);
    switch (D.Kind) {
    case TPeerKind::Box:
    case TPeerKind::Polygon:
        Items.push_back(addPolygon(D.Points, Pen, BrushOf(D)));
        break;
    case TPeerKind::Ellipse: {
        auto* E = addEllipse(QRectF(-D.Width / 2, -D.Height / 2, D.Width, D.Height), Pen, BrushOf(D));
        E->setPos(D.Centre);
        E->setRotation(Degrees(D.Angle));
        Items.push_back(E);
        break;
    }
    case TPeerKind::Text: {
        if (D.Border) Items.push_back(addPolygon(D.Points, Pen, BrushOf(D)));
        auto* T = addSimpleText(D.Lines.join(QLatin1Char('\n')), FontOf(D));
        T->setBrush(QColor::fromRgb(D.FontColor));
        const QRectF B = T->boundingRect();
        T->setTransform(QTransform()
                            .translate(D.Centre.x(), D.Centre.y())
                            .rotate(Degrees(D.Angle))
                            .translate(-B.width() / 2, -B.height() / 2));
        Items.push_back(T);
        break;
    }
    case TPeerKind::Image: {
        const QRectF B = D.Points.boundingRect();
        if (D.Picture.isNull()) {
            Items.push_back(addRect(B, Pen));
            break;
        }
        auto* Pix = addPixmap(QPixmap::fromImage(D.Picture));
        Pix->setPos(B.topLeft());
        Items.push_back(Pix);
        break;
    }
    case TPeerKind::Polyline: {
        auto* L = addPath(PolylinePath(D.Points), Pen);
        Items.push_back(L);
        for (const QPolygonF& H : ArrowHeads(D)) {
            auto* Head = new QGraphicsPolygonItem(H, L);
            Head->setPen(Pen);
            Head->setBrush(QColor::fromRgb(D.PenColor));
        }
        break;
    }
    case TPeerKind::Arc:
    case TPeerKind::Bezier:
    case TPeerKind::BLine:
    case TPeerKind::Cross:
        Items.push_back(addPath(OutlineOf(D), Pen));
        break;
    case TPeerKind::Disc:
        Items.push_back(addEllipse(D.Points.boundingRect(), Pen, QColor::fromRgb(D.PenColor)));
        break;
    case TPeerKind::Frame:
        break;
    }
    if (!D.Info.isEmpty()) {
        auto* T = addSimpleText(D.Info, FontOf(D));
        T->setBrush(QColor::fromRgb(D.FontColor));
        const QRectF B = T->boundingRect();
        T->setPos(D.InfoPos - QPointF(B.width() / 2, B.height() / 2));
        Items.push_back(T);
    }
    for (QGraphicsItem* Item : Items) Item->setVisible(D.Shown);
}

void TPeerScene::drawBackground(QPainter* P, const QRectF& Rect) {
    P->fillRect(Rect, QColor::fromRgb(FData.Background));
    DrawGrid(*P, FData, Rect);
}

QRectF TPeerScene::MoveShapeAndConnectors(size_t I, double DX, double DY) {
    QRectF Damage;
    std::function<void(size_t, int)> Move = [&](size_t K, int Depth) {
        if (K >= FData.Shapes.size() || Depth > 16) return;
        for (int32_t M : FData.Shapes[K].Members) Move(size_t(M), Depth + 1);
        for (QGraphicsItem* Item : FItems[K]) {
            Damage |= Item->sceneBoundingRect();
            Item->moveBy(DX, DY);
            Damage |= Item->sceneBoundingRect();
        }
        FData.Shapes[K].Points.translate(DX, DY);
        FData.Shapes[K].LinkPoints.translate(DX, DY);
    };
    Move(I, 0);
    for (int32_t L : FData.Shapes[I].LinkLines) {
        TShapeData& C = FData.Shapes[size_t(L)];
        if (C.StartShape < 0 || C.EndShape < 0 || FItems[size_t(L)].empty()) continue;
        const QPointF S = FData.Shapes[size_t(C.StartShape)].LinkPoints.value(C.StartLink);
        const QPointF E = FData.Shapes[size_t(C.EndShape)].LinkPoints.value(C.EndLink);
        if (std::abs(S.x() - E.x()) >= std::abs(S.y() - E.y())) {
            const double M = (S.x() + E.x()) / 2;
            C.Points = QPolygonF{S, QPointF(M, S.y()), QPointF(M, E.y()), E};
        } else {
            const double M = (S.y() + E.y()) / 2;
            C.Points = QPolygonF{S, QPointF(S.x(), M), QPointF(E.x(), M), E};
        }
        auto* Path = static_cast<QGraphicsPathItem*>(FItems[size_t(L)].front());
        Damage |= Path->sceneBoundingRect();
        Path->setPath(PolylinePath(C.Points));
        const std::vector<QPolygonF> Heads = ArrowHeads(C);
        const QList<QGraphicsItem*> Children = Path->childItems();
        for (int H = 0; H < Children.size() && size_t(H) < Heads.size(); ++H)
            static_cast<QGraphicsPolygonItem*>(Children[H])->setPolygon(Heads[size_t(H)]);
        Damage |= Path->sceneBoundingRect();
    }
    return Damage.adjusted(-2, -2, 2, 2);
}

} // namespace draxa::bench
