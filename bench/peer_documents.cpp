// The document peers: the scene written as SVG for QSvgRenderer, and a plain
// QDataStream writer and reader of the same data.
#include "peers.h"
#include "peers_p.h"

#include "foundation/gradient.h"

#include <QBuffer>
#include <QDataStream>
#include <QPainterPath>

#include <algorithm>

namespace draxa::bench {

// ---- SVG ---------------------------------------------------------------------------

QByteArray WriteSvg(const TSceneData& Scene) {
    QByteArray Svg;
    Svg.reserve(int(Scene.Shapes.size()) * 200);
    auto Num = [](double V) { return QByteArray::number(V, 'f', 1); };
    auto Color = [](QRgb C) { return QColor::fromRgb(C).name().toLatin1(); };
    auto Points = [&](const QPolygonF& P) {
        QByteArray S;
        for (const QPointF& Q : P) S += Num(Q.x()) + ',' + Num(Q.y()) + ' ';
        return S;
    };
    auto Escape = [](const QString& T) { return T.toHtmlEscaped().toUtf8(); };
    Svg += "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
           "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"" +
           QByteArray::number(Scene.Width) + "\" height=\"" + QByteArray::number(Scene.Height) + "\">\n";
    Svg += "<rect width=\"100%\" height=\"100%\" fill=\"" + Color(Scene.Background) + "\"/>\n";
    if (Scene.Grid) {
        QByteArray D;
        for (double X = 0; X <= Scene.Width; X += Scene.GridX)
            D += "M" + Num(X) + ",0V" + QByteArray::number(Scene.Height);
        for (double Y = 0; Y <= Scene.Height; Y += Scene.GridY)
            D += "M0," + Num(Y) + "H" + QByteArray::number(Scene.Width);
        Svg += "<path d=\"" + D + "\" stroke=\"" + Color(Scene.GridColor) + "\" fill=\"none\"/>\n";
    }
    int Gradients = 0;
    for (const TShapeData& D : Scene.Shapes) {
        QByteArray Fill = D.BrushClear ? QByteArray("none") : Color(D.BrushColor);
        if (D.Gradient != kNoGradient) {
            const QRectF B = D.Points.boundingRect();
            const QByteArray Id = "g" + QByteArray::number(++Gradients);
            Svg += "<defs><linearGradient id=\"" + Id + "\" gradientUnits=\"userSpaceOnUse\" x1=\"" +
                   Num(B.left()) + "\" y1=\"" + Num(B.top()) + "\" x2=\"" + Num(B.right()) + "\" y2=\"" +
                   Num(B.bottom()) + "\"><stop offset=\"0\" stop-color=\"" + Color(D.GradientBegin) +
                   "\"/><stop offset=\"1\" stop-color=\"" + Color(D.GradientEnd) +
                   "\"/></linearGradient></defs>\n";
            Fill = "url(#" + Id + ")";
        }
        const QByteArray Hidden = D.Shown ? QByteArray() : QByteArray(" display=\"none\"");
        const QByteArray Stroke = " stroke=\"" + Color(D.PenColor) + "\" stroke-width=\"" +
                                  QByteArray::number(std::max(1, D.PenWidth)) + "\"" + Hidden;
        const QByteArray Turn = " transform=\"rotate(" + Num(Degrees(D.Angle)) + ' ' + Num(D.Centre.x()) +
                                ' ' + Num(D.Centre.y()) + ")\"";
        const QByteArray Font = " font-family=\"" + Escape(D.FontName) + "\" font-size=\"" +
                                QByteArray::number(D.FontPixels) + "\" fill=\"" + Color(D.FontColor) + "\"" +
                                Hidden;
        switch (D.Kind) {
        case TPeerKind::Box:
        case TPeerKind::Polygon:
            Svg += "<polygon points=\"" + Points(D.Points) + "\" fill=\"" + Fill + "\"" + Stroke + "/>\n";
            break;
        case TPeerKind::Ellipse:
            Svg += "<ellipse cx=\"" + Num(D.Centre.x()) + "\" cy=\"" + Num(D.Centre.y()) + "\" rx=\"" +
                   Num(D.Width / 2) + "\" ry=\"" + Num(D.Height / 2) + "\" fill=\"" + Fill + "\"" + Stroke +
                   Turn + "/>\n";
            break;
        case TPeerKind::Text: {
            if (D.Border)
                Svg += "<polygon points=\"" + Points(D.Points) + "\" fill=\"" + Fill + "\"" + Stroke + "/>\n";
            double Y = D.Centre.y() - D.FontPixels * (D.Lines.size() / 2.0 - 1);
            for (const QString& L : D.Lines) {
                Svg += "<text x=\"" + Num(D.Centre.x()) + "\" y=\"" + Num(Y) + "\" text-anchor=\"middle\"" +
                       Font + Turn + ">" + Escape(L) + "</text>\n";
                Y += D.FontPixels;
            }
            break;
        }
        case TPeerKind::Image: {
            const QRectF B = D.Points.boundingRect();
            if (D.Picture.isNull()) break;
            QByteArray Png;
            QBuffer Buffer(&Png);
            Buffer.open(QIODevice::WriteOnly);
            D.Picture.save(&Buffer, "PNG");
            Svg += "<image x=\"" + Num(B.left()) + "\" y=\"" + Num(B.top()) + "\" width=\"" + Num(B.width()) +
                   "\" height=\"" + Num(B.height()) + "\" xlink:href=\"data:image/png;base64," +
                   Png.toBase64() + "\"" + Hidden + "/>\n";
            break;
        }
        case TPeerKind::Polyline:
            Svg += "<polyline points=\"" + Points(D.Points) + "\" fill=\"none\"" + Stroke + "/>\n";
            for (const QPolygonF& H : ArrowHeads(D))
                Svg += "<polygon points=\"" + Points(H) + "\" fill=\"" + Color(D.PenColor) + "\"" + Stroke +
                       "/>\n";
            break;
        case TPeerKind::Arc:
        case TPeerKind::Bezier:
        case TPeerKind::BLine:
        case TPeerKind::Cross: {
            const QPainterPath P = OutlineOf(D);
            QByteArray Path;
            for (int I = 0; I < P.elementCount(); ++I) {
                const QPainterPath::Element E = P.elementAt(I);
                Path += (E.isMoveTo()                             ? "M"
                         : E.isLineTo()                           ? "L"
                         : E.type == QPainterPath::CurveToElement ? "C"
                                                                  : " ") +
                        Num(E.x) + ',' + Num(E.y);
            }
            Svg += "<path d=\"" + Path + "\" fill=\"none\"" + Stroke + "/>\n";
            break;
        }
        case TPeerKind::Disc: {
            const QRectF B = D.Points.boundingRect();
            Svg += "<circle cx=\"" + Num(B.center().x()) + "\" cy=\"" + Num(B.center().y()) + "\" r=\"" +
                   Num(B.width() / 2) + "\" fill=\"" + Color(D.PenColor) + "\"" + Stroke + "/>\n";
            break;
        }
        case TPeerKind::Frame:
            break;
        }
        if (!D.Info.isEmpty())
            Svg += "<text x=\"" + Num(D.InfoPos.x()) + "\" y=\"" + Num(D.InfoPos.y()) +
                   "\" text-anchor=\"middle\"" + Font + ">" + Escape(D.Info) + "</text>\n";
        if (!D.LinkPoints.isEmpty()) {
            QByteArray Marks;
            for (const QPointF& L : D.LinkPoints)
                Marks += "M" + Num(L.x() - 2.5) + ',' + Num(L.y() - 2.5) + "l5,5m0,-5l-5,5";
            Svg += "<path d=\"" + Marks + "\" stroke=\"#0000ff\" fill=\"none\"" + Hidden + "/>\n";
        }
    }
    Svg += "</svg>\n";
    return Svg;
}

// ---- plain QDataStream ---------------------------------------------------------------

namespace {

void WritePolygon(QDataStream& S, const QPolygonF& P) {
    S << qint32(P.size());
    for (const QPointF& Q : P) S << float(Q.x()) << float(Q.y());
}

QPolygonF ReadPolygon(QDataStream& S) {
    qint32 N = 0;
    S >> N;
    QPolygonF P;
    if (N < 0 || N > 1 << 24) {
        S.setStatus(QDataStream::ReadCorruptData);
        return P;
    }
    P.reserve(N);
    for (qint32 I = 0; I < N; ++I) {
        float X = 0, Y = 0;
        S >> X >> Y;
        P << QPointF(X, Y);
    }
    return P;
}

template <typename T> void WriteInts(QDataStream& S, const std::vector<T>& V) {
    S << qint32(V.size());
    for (T X : V) S << qint32(X);
}

std::vector<int32_t> ReadInts(QDataStream& S) {
    qint32 N = 0;
    S >> N;
    std::vector<int32_t> V;
    if (N < 0 || N > 1 << 24) {
        S.setStatus(QDataStream::ReadCorruptData);
        return V;
    }
    V.resize(size_t(N));
    for (int32_t& X : V) S >> X;
    return V;
}

} // namespace

QByteArray WritePlain(const TSceneData& Scene) {
    QByteArray Bytes;
    QDataStream S(&Bytes, QIODevice::WriteOnly);
    S.setVersion(QDataStream::Qt_6_4);
    S.setFloatingPointPrecision(QDataStream::SinglePrecision);
    S << qint32(Scene.Width) << qint32(Scene.Height) << Scene.Background << Scene.Grid << Scene.GridX
      << Scene.GridY << Scene.GridColor << qint32(Scene.Shapes.size());
    for (const TShapeData& D : Scene.Shapes) {
        S << D.ClassName << D.Name << D.Info << D.Number << D.Layer << D.Group << D.Shown;
        WriteInts(S, D.Members);
        WriteInts(S, D.LinkLines);
        WritePolygon(S, D.Points);
        WritePolygon(S, D.LinkPoints);
        S << D.Angle << D.InfoPos << D.Width << D.Height << D.PenColor << D.PenWidth << D.PenStyle
          << D.BrushColor << D.BrushClear << D.Gradient << D.GradientBegin << D.GradientEnd << D.FontName
          << D.FontPixels << D.FontColor << D.FontStyle << D.Lines << D.Border << D.Arrows << D.ArrowLength
          << D.ArrowAngle << D.StartShape << D.StartLink << D.EndShape << D.EndLink;
        // Pictures as their raw pixels: width, height, then the rows.
        S << qint32(D.Picture.width()) << qint32(D.Picture.height());
        if (!D.Picture.isNull())
            S.writeRawData(reinterpret_cast<const char*>(D.Picture.constBits()),
                           int(D.Picture.sizeInBytes()));
    }
    return Bytes;
}

TSceneData ReadPlain(const QByteArray& Bytes) {
    TSceneData Scene;
    QDataStream S(Bytes);
    S.setVersion(QDataStream::Qt_6_4);
    S.setFloatingPointPrecision(QDataStream::SinglePrecision);
    qint32 W = 0, H = 0, N = 0;
    S >> W >> H >> Scene.Background >> Scene.Grid >> Scene.GridX >> Scene.GridY >> Scene.GridColor >> N;
    Scene.Width = W;
    Scene.Height = H;
    if (N < 0 || N > 1 << 24) return Scene;
    Scene.Shapes.resize(size_t(N));
    for (TShapeData& D : Scene.Shapes) {
        S >> D.ClassName >> D.Name >> D.Info >> D.Number >> D.Layer >> D.Group >> D.Shown;
        D.Kind = KindOf(D.ClassName);
        D.Members = ReadInts(S);
        D.LinkLines = ReadInts(S);
        D.Points = ReadPolygon(S);
        D.LinkPoints = ReadPolygon(S);
        S >> D.Angle >> D.InfoPos >> D.Width >> D.Height >> D.PenColor >> D.PenWidth >> D.PenStyle >>
            D.BrushColor >> D.BrushClear >> D.Gradient >> D.GradientBegin >> D.GradientEnd >> D.FontName >>
            D.FontPixels >> D.FontColor >> D.FontStyle >> D.Lines >> D.Border >> D.Arrows >> D.ArrowLength >>
            D.ArrowAngle >> D.StartShape >> D.StartLink >> D.EndShape >> D.EndLink;
        qint32 PW = 0, PH = 0;
        S >> PW >> PH;
        if (PW > 0 && PH > 0 && PW <= 1 << 14 && PH <= 1 << 14) {
            D.Picture = QImage(PW, PH, QImage::Format_RGB32);
            S.readRawData(reinterpret_cast<char*>(D.Picture.bits()), int(D.Picture.sizeInBytes()));
        }
        D.Centre = D.Points.boundingRect().center();
        if (S.status() != QDataStream::Ok) break;
    }
    return Scene;
}

} // namespace draxa::bench
