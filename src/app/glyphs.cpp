#include "app/glyphs.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace draxa {

namespace {

const QColor KInk(0x20, 0x20, 0x28);
const QColor KAccent(0x1f, 0x5f, 0xbf);
const QColor KFill(0xcf, 0xe0, 0xf7);

// A transparent pixmap of Width x Height logical pixels at the screen's
// pixel ratio, painted antialiased by Draw.
QPixmap Paint(int Width, int Height, const std::function<void(QPainter&)>& Draw) {
    const qreal Ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap Pixmap(int(Width * Ratio), int(Height * Ratio));
    Pixmap.setDevicePixelRatio(Ratio);
    Pixmap.fill(Qt::transparent);
    QPainter P(&Pixmap);
    P.setRenderHint(QPainter::Antialiasing);
    Draw(P);
    return Pixmap;
}

QPen InkPen(qreal Width = 1.2) {
    return QPen(KInk, Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// The mouse pointer of the selecting tools, its tip at (X, Y).
void Pointer(QPainter& P, qreal X, qreal Y, qreal Scale) {
    QPainterPath Arrow;
    Arrow.moveTo(X, Y);
    Arrow.lineTo(X, Y + 11 * Scale);
    Arrow.lineTo(X + 3 * Scale, Y + 8.5 * Scale);
    Arrow.lineTo(X + 5 * Scale, Y + 12.5 * Scale);
    Arrow.lineTo(X + 6.8 * Scale, Y + 11.6 * Scale);
    Arrow.lineTo(X + 4.9 * Scale, Y + 7.8 * Scale);
    Arrow.lineTo(X + 8 * Scale, Y + 7.8 * Scale);
    Arrow.closeSubpath();
    P.setPen(QPen(KInk, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    P.setBrush(Qt::white);
    P.drawPath(Arrow);
}

// A small square connection point centred on (X, Y).
void Node(QPainter& P, qreal X, qreal Y) {
    P.setPen(QPen(KAccent, 1.0));
    P.setBrush(Qt::white);
    P.drawRect(QRectF(X - 2, Y - 2, 4, 4));
}

void DrawTool(QPainter& P, TDrawTool Tool) {
    P.setPen(InkPen());
    P.setBrush(Qt::NoBrush);
    switch (Tool) {
    case TDrawTool::SpLine:
        P.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 2.5));
        break;
    case TDrawTool::SpSelecting:
        Pointer(P, 4.5, 1.5, 1.0);
        break;
    case TDrawTool::SpRuleLine:
        // A measuring line: end stops and ticks.
        P.drawLine(QPointF(1.5, 9.5), QPointF(14.5, 9.5));
        P.drawLine(QPointF(1.5, 5.5), QPointF(1.5, 13.5));
        P.drawLine(QPointF(14.5, 5.5), QPointF(14.5, 13.5));
        P.setPen(InkPen(1.0));
        for (qreal X : {4.75, 8.0, 11.25}) P.drawLine(QPointF(X, 7.5), QPointF(X, 9.5));
        break;
    case TDrawTool::SpRotateSelecting: {
        Pointer(P, 1.5, 1.5, 0.8);
        P.setPen(QPen(KAccent, 1.3, Qt::SolidLine, Qt::RoundCap));
        const QRectF Circle(5.5, 5.5, 9, 9);
        P.drawArc(Circle, 200 * 16, 250 * 16);
        // Arrow head at the arc's open end, pointing on round the circle.
        P.setBrush(KAccent);
        P.setPen(Qt::NoPen);
        P.drawPolygon(QPolygonF({QPointF(4.3, 9.2), QPointF(8.0, 10.6), QPointF(5.0, 13.3)}));
        break;
    }
    case TDrawTool::SpPolyLine:
        P.drawPolyline(QPolygonF({QPointF(1.5, 13.5), QPointF(5, 4), QPointF(10, 11), QPointF(14.5, 2.5)}));
        break;
    case TDrawTool::SpLineLinkLine:
        P.drawLine(QPointF(3.5, 12.5), QPointF(12.5, 3.5));
        Node(P, 3.5, 12.5);
        Node(P, 12.5, 3.5);
        break;
    case TDrawTool::SpPolygon:
        P.setBrush(KFill);
        P.drawPolygon(QPolygonF(
            {QPointF(8, 1.5), QPointF(14.5, 6.3), QPointF(12, 14), QPointF(4, 14), QPointF(1.5, 6.3)}));
        break;
    case TDrawTool::SpLinkLine:
        // Two boxes joined by a connector that turns at right angles.
        P.setBrush(KFill);
        P.drawRect(QRectF(0.5, 1.5, 6, 4));
        P.drawRect(QRectF(9.5, 10.5, 6, 4));
        P.setPen(QPen(KAccent, 1.2));
        P.drawPolyline(QPolygonF({QPointF(3.5, 5.5), QPointF(3.5, 12.5), QPointF(9.5, 12.5)}));
        break;
    case TDrawTool::SpRectangle:
        P.setBrush(KFill);
        P.drawRect(QRectF(1.5, 3.5, 13, 9));
        break;
    case TDrawTool::SpEllipse:
        P.setBrush(KFill);
        P.drawEllipse(QRectF(1.5, 3.5, 13, 9));
        break;
    case TDrawTool::SpElliArc:
        // Three quarters of an ellipse, open at the lower right.
        P.setPen(InkPen(1.4));
        P.drawArc(QRectF(1.5, 3.5, 13, 10), 0, 270 * 16);
        break;
    case TDrawTool::SpPolyBezier: {
        QPainterPath Curve(QPointF(1.5, 12.5));
        Curve.cubicTo(QPointF(4, 0), QPointF(11, 16), QPointF(14.5, 3.5));
        P.drawPath(Curve);
        break;
    }
    case TDrawTool::SpText: {
        QFont Font(QStringLiteral("DejaVu Serif"));
        Font.setPixelSize(14);
        Font.setBold(true);
        P.setFont(Font);
        P.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("A"));
        break;
    }
    case TDrawTool::SpImage:
        // A framed landscape: sky, sun and a mountain.
        P.setPen(QPen(KInk, 1.0));
        P.setBrush(QColor(0xe6, 0xf1, 0xff));
        P.drawRect(QRectF(1.5, 2.5, 13, 11));
        P.setPen(Qt::NoPen);
        P.setBrush(QColor(0xf2, 0xb8, 0x1c));
        P.drawEllipse(QRectF(9.5, 4.2, 3.2, 3.2));
        P.setBrush(QColor(0x3c, 0x8d, 0x4a));
        P.drawPolygon(QPolygonF(
            {QPointF(2, 13), QPointF(6.5, 7), QPointF(9.5, 10.5), QPointF(11, 9), QPointF(14, 13)}));
        break;
    case TDrawTool::SpLinkPoint:
        // A free connection point: a cross in a small square.
        P.setPen(QPen(KAccent, 1.2));
        P.setBrush(Qt::white);
        P.drawRect(QRectF(3.5, 3.5, 9, 9));
        P.setPen(InkPen(1.1));
        P.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        P.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case TDrawTool::SpClose:
        // No tool: a struck-out pointer.
        Pointer(P, 4.5, 1.5, 1.0);
        P.setPen(QPen(QColor(0xc8, 0x28, 0x28), 1.6, Qt::SolidLine, Qt::RoundCap));
        P.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 2.5));
        break;
    case TDrawTool::SpPolylinePolygonPointRemoving:
    case TDrawTool::SpPolylinePolygonPointAdding: {
        // A polyline with the vertex in question, and a minus or a plus.
        const bool Adding = Tool == TDrawTool::SpPolylinePolygonPointAdding;
        P.drawPolyline(QPolygonF({QPointF(1.5, 13.5), QPointF(6, 5.5), QPointF(10.5, 13.5)}));
        Node(P, 6, 5.5);
        P.setPen(QPen(Adding ? QColor(0x1e, 0x8c, 0x2e) : QColor(0xc8, 0x28, 0x28), 1.6));
        P.drawLine(QPointF(9.5, 4), QPointF(15, 4));
        if (Adding) P.drawLine(QPointF(12.25, 1.25), QPointF(12.25, 6.75));
        break;
    }
    case TDrawTool::SpDragWhole:
        // Four arrows: the whole drawing moves.
        P.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
        P.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        P.setBrush(KInk);
        P.setPen(Qt::NoPen);
        P.drawPolygon(QPolygonF({QPointF(8, 0.5), QPointF(10.5, 3.5), QPointF(5.5, 3.5)}));
        P.drawPolygon(QPolygonF({QPointF(8, 15.5), QPointF(10.5, 12.5), QPointF(5.5, 12.5)}));
        P.drawPolygon(QPolygonF({QPointF(0.5, 8), QPointF(3.5, 5.5), QPointF(3.5, 10.5)}));
        P.drawPolygon(QPolygonF({QPointF(15.5, 8), QPointF(12.5, 5.5), QPointF(12.5, 10.5)}));
        break;
    case TDrawTool::SpBrowse:
        // An eye: look and pick, move nothing.
        P.setBrush(Qt::white);
        P.drawEllipse(QRectF(1.5, 4.5, 13, 7));
        P.setBrush(KAccent);
        P.setPen(Qt::NoPen);
        P.drawEllipse(QRectF(5.5, 5, 5, 5));
        break;
    case TDrawTool::SpFreeLine: {
        QPainterPath Scribble(QPointF(1.5, 11.5));
        Scribble.cubicTo(QPointF(3, 3), QPointF(6, 3), QPointF(7, 9));
        Scribble.cubicTo(QPointF(8, 15), QPointF(12, 12), QPointF(14.5, 3.5));
        P.drawPath(Scribble);
        break;
    }
    case TDrawTool::SpBLine: {
        // A smooth line through its points.
        QPainterPath Curve(QPointF(1.5, 12.5));
        Curve.quadTo(QPointF(4.5, 2), QPointF(8, 8));
        Curve.quadTo(QPointF(11.5, 14), QPointF(14.5, 3.5));
        P.drawPath(Curve);
        for (const QPointF& At : {QPointF(1.5, 12.5), QPointF(8, 8), QPointF(14.5, 3.5)})
            Node(P, At.x(), At.y());
        break;
    }
    }
}

} // namespace

QPixmap BannerPicture(const QString& Subtitle) {
    return Paint(287, 47, [&](QPainter& P) {
        const QRectF Band(0.5, 0.5, 286, 46);
        QLinearGradient Sky(Band.topLeft(), Band.topRight());
        Sky.setColorAt(0, QColor(0x16, 0x3a, 0x74));
        Sky.setColorAt(1, QColor(0x2a, 0x8c, 0xa8));
        P.setPen(QPen(QColor(0x10, 0x2a, 0x55), 1));
        P.setBrush(Sky);
        P.drawRoundedRect(Band, 6, 6);

        // A small diagram: a box and an ellipse joined by a connector.
        const QColor Light(0xff, 0xff, 0xff, 0xe0);
        P.setPen(QPen(Light, 1.4));
        P.setBrush(QColor(0xff, 0xff, 0xff, 0x30));
        P.drawRect(QRectF(10.5, 9.5, 20, 14));
        P.drawEllipse(QRectF(38.5, 24.5, 22, 14));
        P.setBrush(Qt::NoBrush);
        P.drawPolyline(QPolygonF({QPointF(20.5, 23.5), QPointF(20.5, 31.5), QPointF(38.5, 31.5)}));
        P.setPen(QPen(QColor(0xf2, 0xb8, 0x1c), 1.6, Qt::SolidLine, Qt::RoundCap));
        QPainterPath Curve(QPointF(36, 18));
        Curve.cubicTo(QPointF(44, 4), QPointF(54, 22), QPointF(62, 8));
        P.drawPath(Curve);

        QFont Title(QStringLiteral("DejaVu Sans"));
        Title.setPixelSize(22);
        Title.setBold(true);
        P.setFont(Title);
        P.setPen(Qt::white);
        P.drawText(QRectF(74, 3, 206, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TDraxa"));

        QFont Small(QStringLiteral("DejaVu Sans"));
        Small.setPixelSize(11);
        P.setFont(Small);
        P.setPen(QColor(0xdd, 0xea, 0xf7));
        P.drawText(QRectF(75, 27, 206, 16), Qt::AlignLeft | Qt::AlignVCenter, Subtitle);
    });
}

QIcon ToolGlyph(TDrawTool Tool) {
    return QIcon(Paint(16, 16, [Tool](QPainter& P) { DrawTool(P, Tool); }));
}

QIcon OkGlyph() {
    return QIcon(Paint(16, 16, [](QPainter& P) {
        P.setPen(QPen(QColor(0x1e, 0x8c, 0x2e), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        P.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.5, 12.5), QPointF(13.5, 3.5)}));
    }));
}

QIcon CancelGlyph() {
    return QIcon(Paint(16, 16, [](QPainter& P) {
        P.setPen(QPen(QColor(0xc8, 0x28, 0x28), 2.4, Qt::SolidLine, Qt::RoundCap));
        P.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        P.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    }));
}

} // namespace draxa
