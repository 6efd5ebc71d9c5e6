#include "foundation/metafile_svg.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace draxa {

namespace {

const QString SvgNamespace = QStringLiteral("http://www.w3.org/2000/svg");
const QString XlinkNamespace = QStringLiteral("http://www.w3.org/1999/xlink");
const QString XmlNamespace = QStringLiteral("http://www.w3.org/XML/1998/namespace");

// The elements a converted metafile may use: shapes, text, grouping,
// definitions and paint servers. Everything else (script, foreignObject,
// font-face-uri, animation, audio, video, prefetch, handler, ...) either
// reaches outside the document or has no place in a still picture.
bool KeptElement(QStringView Name) {
    static const char* const Kept[] = {
        "svg",   "g",        "defs",   "title",          "desc",           "switch",   "symbol",     "use",
        "path",  "rect",     "circle", "ellipse",        "line",           "polyline", "polygon",    "text",
        "tspan", "textArea", "tbreak", "linearGradient", "radialGradient", "stop",     "solidColor", "image",
        "style", "clipPath", "mask",   "pattern",        "marker",
    };
    for (const char* K : Kept)
        if (Name == QLatin1String(K)) return true;
    return false;
}

// ---- text as it comes from a converter ----

// Windows-1252 for 0x80..0x9F; the rest of the code page is Latin-1.
constexpr char16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Length of the well-formed UTF-8 sequence at P (1 to 4), or 0 when the bytes
// there are not one.
int Utf8SequenceLength(const uchar* P, qsizetype Left) {
    const uchar B = P[0];
    if (B < 0x80) return 1;
    int Length = 0;
    uchar Low = 0x80, High = 0xBF; // allowed range of the second byte
    if (B >= 0xC2 && B <= 0xDF) {
        Length = 2;
    } else if (B >= 0xE0 && B <= 0xEF) {
        Length = 3;
        if (B == 0xE0) Low = 0xA0;  // no overlong forms
        if (B == 0xED) High = 0x9F; // no surrogates
    } else if (B >= 0xF0 && B <= 0xF4) {
        Length = 4;
        if (B == 0xF0) Low = 0x90;
        if (B == 0xF4) High = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (Left < Length || P[1] < Low || P[1] > High) return 0;
    for (int K = 2; K < Length; ++K)
        if ((P[K] & 0xC0) != 0x80) return 0;
    return Length;
}

bool XmlAllowed(char16_t C) {
    if (C < 0x20) return C == '\t' || C == '\n' || C == '\r';
    return C != 0xFFFE && C != 0xFFFF;
}

// Valid UTF-8 stays as it is; every byte that is not part of a valid
// sequence is read as Windows-1252. Characters XML cannot carry are left out.
QString DecodeLeniently(const QByteArray& Bytes) {
    QString Out;
    Out.reserve(Bytes.size());
    const auto* P = reinterpret_cast<const uchar*>(Bytes.constData());
    const qsizetype Size = Bytes.size();
    qsizetype Run = 0;
    for (qsizetype I = 0; I < Size;) {
        const int Length = Utf8SequenceLength(P + I, Size - I);
        if (Length > 0) {
            I += Length;
            continue;
        }
        Out += QString::fromUtf8(Bytes.constData() + Run, I - Run);
        Out += QChar(P[I] >= 0x80 && P[I] <= 0x9F ? Cp1252High[P[I] - 0x80] : char16_t(P[I]));
        Run = ++I;
    }
    Out += QString::fromUtf8(Bytes.constData() + Run, Size - Run);
    Out.erase(std::remove_if(Out.begin(), Out.end(), [](QChar C) { return !XmlAllowed(C.unicode()); }),
              Out.end());
    return Out;
}

// ---- references ----

// True when every url(...) in Value is a plain reference to an element of
// this document: url(#id), the id quoted or not, made of name characters
// only. Anything else that opens a url( (a file, a second url( inside the
// first, an unclosed one) makes the value unsafe, since readers differ in
// where they think such a reference ends.
bool OnlyLocalUrls(QStringView Value) {
    static const QRegularExpression Opening(QStringLiteral(R"(url\s*\()"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression Local(QStringLiteral(R"(\s*(['"]?)#[A-Za-z0-9_.:-]+\1\s*\))"));
    for (auto It = Opening.globalMatch(Value); It.hasNext();) {
        const QRegularExpressionMatch M = It.next();
        if (!Local
                 .match(Value, M.capturedEnd(), QRegularExpression::NormalMatch,
                        QRegularExpression::AnchorAtOffsetMatchOption)
                 .hasMatch())
            return false;
    }
    return true;
}

// CSS that can load nothing: no @import, no escapes (which could spell
// "url" or "import" in another way) and only local url(#...) references.
bool SafeCss(QStringView Css) {
    if (Css.contains(QLatin1Char('\\')) || Css.contains(QLatin1String("@import"), Qt::CaseInsensitive))
        return false;
    return OnlyLocalUrls(Css);
}

enum class TLinkKind { Fragment, InlinePicture, Other };

// Picture kinds an inline image may hold: the renderer guesses the format
// from the bytes, and anything else (an SVG above all, which would be read
// without this sanitiser) must not reach it.
const char* InlinePictureFormat(const QByteArray& Data) {
    if (Data.startsWith("\x89PNG\r\n\x1A\n")) return "png";
    if (Data.startsWith("\xFF\xD8\xFF")) return "jpeg";
    if (Data.startsWith("GIF87a") || Data.startsWith("GIF89a")) return "gif";
    if (Data.startsWith("BM")) return "bmp";
    return nullptr;
}

// The renderer takes everything after the last "base64," of a link that
// starts with "data" as the picture; the same is decoded here. Pixels holds
// the picture's size as its header declares it.
bool ReadInlinePicture(QStringView Link, QByteArray& Data, int64_t& Pixels) {
    if (!Link.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) return false;
    const qsizetype At = Link.lastIndexOf(QLatin1String("base64,"));
    if (At < 0) return false;
    Data = QByteArray::fromBase64(Link.mid(At + 7).toLatin1());
    const char* Format = InlinePictureFormat(Data);
    if (!Format) return false;
    QBuffer Buffer(&Data);
    Buffer.open(QIODevice::ReadOnly);
    QImageReader Reader(&Buffer, Format);
    const QSize Size = Reader.size();
    if (!Size.isValid() || Size.isEmpty()) return false;
    Pixels = int64_t(Size.width()) * Size.height();
    return true;
}

// Attribute names of SVG are plain ASCII words. Any other name, and any
// name that mentions a link without being the one checked (a look-alike with
// a bullet where the colon belongs, or a future reader's idea of a link),
// goes.
bool PlainAttributeName(QStringView Name) {
    if (Name.isEmpty() || Name.contains(QLatin1String("href"), Qt::CaseInsensitive)) return false;
    for (const QChar C : Name) {
        const char16_t U = C.unicode();
        const bool Letter = (U >= 'a' && U <= 'z') || (U >= 'A' && U <= 'Z');
        if (!Letter && !(U >= '0' && U <= '9') && U != '-' && U != '_' && U != '.') return false;
    }
    return true;
}

// Counts the numbers in path data or a point list (an upper bound: an
// exponent counts as a number of its own).
int64_t CountNumbers(QStringView Text) {
    int64_t Count = 0;
    bool InNumber = false;
    for (const QChar C : Text) {
        const bool Part = C.isDigit() || C == QLatin1Char('.');
        if (Part && !InNumber) ++Count;
        InNumber = Part;
    }
    return Count;
}

QString Number(double V) {
    return QString::number(V, 'g', 12);
}

class TSanitiser {
public:
    TSanitiser(const TSvgFrame& Frame, const TSvgLimits& Limits, TSvgStats& Stats)
        : FFrame(Frame), FLimits(Limits), FStats(Stats), FWriter(&FOut) {}

    bool Run(const QByteArray& Svg, QByteArray& Out, QString& Error);

private:
    bool StartElement(QString& Error);
    // The element's attributes as they may be written; false when the
    // element itself must go (a link to anything outside the document).
    bool KeptAttributes(QStringView Element, bool Root, std::vector<QXmlStreamAttribute>& Kept);
    bool Over(int64_t Count, int64_t Limit, const char* What, QString& Error) const;

    const TSvgFrame& FFrame;
    const TSvgLimits& FLimits;
    TSvgStats& FStats;
    QXmlStreamReader FReader;
    QByteArray FOut;
    QXmlStreamWriter FWriter;
    int FDepth = 0;    // open elements written
    int FSkipping = 0; // open elements inside a dropped one
    bool FRootSeen = false;
    bool FInStyle = false;
    QString FStyleText;
};

bool TSanitiser::Over(int64_t Count, int64_t Limit, const char* What, QString& Error) const {
    if (Count <= Limit) return false;
    Error = QStringLiteral("the picture is too complex to draw: more than %1 %2").arg(Limit).arg(What);
    return true;
}

bool TSanitiser::KeptAttributes(QStringView Element, bool Root, std::vector<QXmlStreamAttribute>& Kept) {
    const bool Image = Element == QLatin1String("image");
    for (const QXmlStreamAttribute& A : FReader.attributes()) {
        const QStringView Ns = A.namespaceUri(), Name = A.name(), Value = A.value();
        const bool Link = Name == QLatin1String("href") && (Ns.isEmpty() || Ns == XlinkNamespace);
        if (Link) {
            if (Value.startsWith(QLatin1Char('#')) && !Image) {
                Kept.emplace_back(XlinkNamespace, QStringLiteral("href"), Value.toString());
                continue;
            }
            QByteArray Data;
            int64_t Pixels = 0;
            if (!Image || !ReadInlinePicture(Value, Data, Pixels)) return false;
            FStats.ImagePixels += Pixels;
            // Written again from the bytes that were checked, so the renderer
            // decodes exactly those.
            Kept.emplace_back(
                XlinkNamespace, QStringLiteral("href"),
                QStringLiteral("data:image/%1;base64,%2")
                    .arg(QLatin1String(InlinePictureFormat(Data)), QString::fromLatin1(Data.toBase64())));
            continue;
        }
        // Attributes of other vocabularies (an editor's own, xml:base) go.
        const bool Xml = Ns == XmlNamespace;
        if ((!Ns.isEmpty() && !(Xml && (Name == QLatin1String("space") || Name == QLatin1String("lang")))) ||
            !PlainAttributeName(Name)) {
            ++FStats.Dropped;
            continue;
        }
        if (Root && !FFrame.ViewBox.isEmpty() &&
            (Name == QLatin1String("width") || Name == QLatin1String("height") ||
             Name == QLatin1String("viewBox") || Name == QLatin1String("preserveAspectRatio") ||
             Name == QLatin1String("x") || Name == QLatin1String("y")))
            continue;
        const bool Safe = Name == QLatin1String("style") ? SafeCss(Value) : OnlyLocalUrls(Value);
        if (!Safe) {
            ++FStats.Dropped;
            continue;
        }
        if (Name == QLatin1String("d") || Name == QLatin1String("points"))
            FStats.PathPoints += (CountNumbers(Value) + 1) / 2;
        Kept.push_back(Xml ? QXmlStreamAttribute(XmlNamespace, Name.toString(), Value.toString())
                           : QXmlStreamAttribute(Name.toString(), Value.toString()));
    }
    return true;
}

bool TSanitiser::StartElement(QString& Error) {
    if (FSkipping > 0) {
        ++FSkipping;
        return true;
    }
    const QStringView Ns = FReader.namespaceUri(), Name = FReader.name();
    const bool Root = !FRootSeen;
    if (Root && (Name != QLatin1String("svg") || (!Ns.isEmpty() && Ns != SvgNamespace))) {
        Error = QStringLiteral("the converted picture is not SVG");
        return false;
    }
    FRootSeen = true;
    std::vector<QXmlStreamAttribute> Attributes;
    if ((!Ns.isEmpty() && Ns != SvgNamespace) || !KeptElement(Name) || FDepth >= FLimits.MaxDepth ||
        !KeptAttributes(Name, Root, Attributes)) {
        if (Root) {
            Error = QStringLiteral("the converted picture is not SVG");
            return false;
        }
        ++FStats.Dropped;
        FSkipping = 1;
        return true;
    }
    if (Over(++FStats.Elements, FLimits.MaxElements, "elements", Error) ||
        Over(FStats.PathPoints, FLimits.MaxPathPoints, "path points", Error) ||
        Over(FStats.ImagePixels, FLimits.MaxImagePixels, "pixels of inline images", Error))
        return false;

    FWriter.writeStartElement(Name.toString());
    if (Root) {
        FWriter.writeDefaultNamespace(SvgNamespace);
        FWriter.writeNamespace(XlinkNamespace, QStringLiteral("xlink"));
        if (!FFrame.ViewBox.isEmpty()) {
            const QRectF& V = FFrame.ViewBox;
            FWriter.writeAttribute(QStringLiteral("width"), QString::number(FFrame.Size.width()));
            FWriter.writeAttribute(QStringLiteral("height"), QString::number(FFrame.Size.height()));
            FWriter.writeAttribute(
                QStringLiteral("viewBox"),
                QStringLiteral("%1 %2 %3 %4")
                    .arg(Number(V.x()), Number(V.y()), Number(V.width()), Number(V.height())));
            FWriter.writeAttribute(QStringLiteral("preserveAspectRatio"), QStringLiteral("none"));
        }
    }
    for (const QXmlStreamAttribute& A : Attributes) FWriter.writeAttribute(A);
    ++FDepth;
    FInStyle = Name == QLatin1String("style");
    FStyleText.clear();
    return true;
}

bool TSanitiser::Run(const QByteArray& Svg, QByteArray& Out, QString& Error) {
    QString Text = DecodeLeniently(Svg);
    // The text is UTF-8 from here on, whatever its declaration said.
    static const QRegularExpression Declaration(QStringLiteral(R"(^\s*<\?xml[^>]*\?>)"));
    Text.remove(Declaration);
    FReader.addData(Text.toUtf8());
    FWriter.setAutoFormatting(false);
    while (!FReader.atEnd()) {
        switch (FReader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (!StartElement(Error)) return false;
            break;
        case QXmlStreamReader::EndElement:
            if (FSkipping > 0) {
                --FSkipping;
                break;
            }
            if (FInStyle && !FStyleText.isEmpty() && SafeCss(FStyleText)) FWriter.writeCharacters(FStyleText);
            FInStyle = false;
            FWriter.writeEndElement();
            --FDepth;
            break;
        case QXmlStreamReader::Characters:
            if (FSkipping > 0 || FDepth == 0) break;
            if (FInStyle) {
                FStyleText += FReader.text();
                break;
            }
            if (!FReader.isWhitespace() && Over(FStats.TextChars += FReader.text().size(),
                                                FLimits.MaxTextChars, "characters of text", Error))
                return false;
            FWriter.writeCharacters(FReader.text().toString());
            break;
        default:
            // The DOCTYPE (with any entities it declares), comments,
            // processing instructions and unresolved entity references.
            break;
        }
    }
    if (FReader.hasError()) {
        Error = QStringLiteral("the converted picture is not well-formed SVG (line %1: %2)")
                    .arg(FReader.lineNumber())
                    .arg(FReader.errorString());
        return false;
    }
    if (!FRootSeen) {
        Error = QStringLiteral("the converted picture is empty");
        return false;
    }
    Out = FOut;
    return true;
}

} // namespace

bool SanitiseSvg(const QByteArray& Svg, const TSvgFrame& Frame, const TSvgLimits& Limits, QByteArray& Out,
                 TSvgStats& Stats, QString& Error) {
    Stats = TSvgStats();
    TSanitiser Sanitiser(Frame, Limits, Stats);
    return Sanitiser.Run(Svg, Out, Error);
}

bool DrawSvgPicture(const QByteArray& Svg, const TSvgFrame& Frame, const TSvgLimits& Limits, QImage& Out,
                    QString& Error) {
    QByteArray Clean;
    TSvgStats Stats;
    if (!SanitiseSvg(Svg, Frame, Limits, Clean, Stats, Error)) return false;
    QSvgRenderer Renderer;
    if (!Renderer.load(Clean) || !Renderer.isValid()) {
        Error = QStringLiteral("the converted picture is not readable SVG");
        return false;
    }
    QSizeF Size = Frame.Size;
    if (Size.isEmpty()) Size = Renderer.defaultSize();
    if (Size.isEmpty()) Size = Renderer.viewBoxF().size();
    const double W = std::round(Size.width()), H = std::round(Size.height());
    if (!(W >= 1 && H >= 1)) {
        Error = QStringLiteral("the picture has no size");
        return false;
    }
    if (W > double(Limits.MaxSide) || H > double(Limits.MaxSide) || W * H > double(Limits.MaxPixels)) {
        Error = QStringLiteral("the picture is %1 x %2 pixels; at most %3 pixels a side and %4 pixels in all "
                               "are allowed")
                    .arg(W, 0, 'f', 0)
                    .arg(H, 0, 'f', 0)
                    .arg(Limits.MaxSide)
                    .arg(Limits.MaxPixels);
        return false;
    }
    QImage Canvas(int(W), int(H), QImage::Format_RGB32);
    if (Canvas.isNull()) {
        Error = QStringLiteral("not enough memory for a %1 x %2 picture").arg(W).arg(H);
        return false;
    }
    Canvas.fill(Qt::white);
    {
        QPainter Painter(&Canvas);
        // A metafile is a finished picture, not editing feedback: smooth
        // edges and text look as the author meant.
        Painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        Renderer.render(&Painter, QRectF(0, 0, W, H));
    }
    Out = Canvas.convertToFormat(QImage::Format_BGR888);
    if (Out.isNull()) {
        Error = QStringLiteral("not enough memory for a %1 x %2 picture").arg(W).arg(H);
        return false;
    }
    return true;
}

// ---- the pixel message ----

namespace {

constexpr char PixelMagic[4] = {'D', 'X', 'P', 'X'};
constexpr int PixelHeaderBytes = 12;

void PutLe32(char* P, uint32_t V) {
    for (int I = 0; I < 4; ++I) P[I] = char(uint8_t(V >> (8 * I)));
}
uint32_t GetLe32(const char* P) {
    uint32_t V = 0;
    for (int I = 0; I < 4; ++I) V |= uint32_t(uint8_t(P[I])) << (8 * I);
    return V;
}

} // namespace

QByteArray EncodePixelMessage(const QImage& Image) {
    const QImage Pixels =
        Image.format() == QImage::Format_BGR888 ? Image : Image.convertToFormat(QImage::Format_BGR888);
    const int W = Pixels.width(), H = Pixels.height();
    const qsizetype Row = qsizetype(W) * 3;
    QByteArray Message(PixelHeaderBytes + Row * H, Qt::Uninitialized);
    std::memcpy(Message.data(), PixelMagic, 4);
    PutLe32(Message.data() + 4, uint32_t(W));
    PutLe32(Message.data() + 8, uint32_t(H));
    for (int Y = 0; Y < H; ++Y)
        std::memcpy(Message.data() + PixelHeaderBytes + Row * Y, Pixels.constScanLine(Y), size_t(Row));
    return Message;
}

bool DecodePixelMessage(const QByteArray& Message, int64_t MaxSide, int64_t MaxPixels, QImage& Out,
                        QString& Error) {
    if (Message.size() < PixelHeaderBytes || std::memcmp(Message.constData(), PixelMagic, 4) != 0) {
        Error = QStringLiteral("the helper's answer is not a picture");
        return false;
    }
    const int64_t W = GetLe32(Message.constData() + 4), H = GetLe32(Message.constData() + 8);
    if (W < 1 || H < 1 || W > MaxSide || H > MaxSide || W * H > MaxPixels) {
        Error = QStringLiteral("the helper's picture is %1 x %2 pixels, beyond the limits").arg(W).arg(H);
        return false;
    }
    const int64_t Row = W * 3;
    if (Message.size() != PixelHeaderBytes + Row * H) {
        Error = QStringLiteral("the helper's picture holds %1 bytes instead of %2")
                    .arg(Message.size() - PixelHeaderBytes)
                    .arg(Row * H);
        return false;
    }
    QImage Image(int(W), int(H), QImage::Format_BGR888);
    if (Image.isNull()) {
        Error = QStringLiteral("not enough memory for a %1 x %2 picture").arg(W).arg(H);
        return false;
    }
    for (int Y = 0; Y < int(H); ++Y)
        std::memcpy(Image.scanLine(Y), Message.constData() + PixelHeaderBytes + Row * Y, size_t(Row));
    Out = std::move(Image);
    return true;
}

} // namespace draxa
