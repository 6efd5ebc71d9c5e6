// Sample drawings and the seed inputs of every fuzz target, all made by our
// own writers (or byte by byte, for the picture kinds we only read).
#include "foundation/bitmap.h"
#include "foundation/bmp_codec.h"
#include "foundation/canvas.h"
#include "foundation/metafile_svg.h"
#include "foundation/streams.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/fuzz_samples.h"
#include "shapes/ellipse_group.h"
#include "shapes/link_line.h"
#include "shapes/text.h"
#include "surface/draxa.h"

#include <QBuffer>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jpeglib.h>

namespace draxa::fuzz {

namespace {

QByteArray Le(int64_t V, int Bytes) {
    QByteArray B;
    for (int I = 0; I < Bytes; ++I) B += char(uint8_t(uint64_t(V) >> (8 * I)));
    return B;
}

QByteArray SaveDocument(TMyDraxa& S) {
    TMemoryStream M;
    S.SaveToStream(M);
    return M.ToByteArray();
}

// A small picture with a few colours, so that every byte of a row matters.
QImage Pattern(int W, int H, QImage::Format Format) {
    QImage Image(W, H, QImage::Format_RGB32);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            Image.setPixel(X, Y, qRgb(40 * X % 256, 60 * Y % 256, (X * Y * 17) % 256));
    return Image.convertToFormat(Format);
}

QByteArray BmpOf(const QImage& Image) {
    TMemoryStream M;
    WriteBmp(M, Image);
    return M.ToByteArray();
}

// A BMP made by hand: a 40-byte info header with the given fields, a palette
// of PaletteEntries grey levels, and Pixels as they are.
QByteArray HandBmp(int W, int H, int Bpp, int Compression, int PaletteEntries, const QByteArray& Pixels) {
    QByteArray Palette;
    for (int I = 0; I < PaletteEntries; ++I)
        Palette += Le(I * 255 / std::max(1, PaletteEntries - 1) * 0x010101, 4);
    const int Offset = 14 + 40 + Palette.size();
    return "BM" + Le(Offset + Pixels.size(), 4) + Le(0, 4) + Le(Offset, 4) + Le(40, 4) + Le(W, 4) + Le(H, 4) +
           Le(1, 2) + Le(Bpp, 2) + Le(Compression, 4) + Le(Pixels.size(), 4) + Le(3780, 4) + Le(3780, 4) +
           Le(PaletteEntries, 4) + Le(0, 4) + Palette + Pixels;
}

std::vector<QByteArray> BmpSeeds() {
    std::vector<QByteArray> Seeds{
        BmpOf(Pattern(5, 3, QImage::Format_BGR888)),
        BmpOf(Pattern(4, 4, QImage::Format_Indexed8)),
        BmpOf(Pattern(9, 2, QImage::Format_Mono)),
        // RLE8 with a run, an absolute run, a delta and the end marker.
        HandBmp(6, 3, 8, 1, 4,
                Le(0x0103, 2) + Le(0x0300, 2) + Le(0x0201, 2) + Le(0x0003, 2) + Le(0, 2) + Le(0x0200, 2) +
                    Le(0x0001, 2) + Le(0x0102, 2) + Le(0x0100, 2)),
        // RLE4.
        HandBmp(8, 2, 4, 2, 16, Le(0x1204, 2) + Le(0x0000, 2) + Le(0x3408, 2) + Le(0x0100, 2)),
        // 16 bits, 5-5-5.
        HandBmp(3, 2, 16, 0, 0,
                Le(0x7C00, 2) + Le(0x03E0, 2) + Le(0x001F, 2) + Le(0, 2) + Le(0x7FFF, 6) + Le(0, 2)),
        // 32 bits with bit-field masks after the info header.
        [] {
            QByteArray B = HandBmp(2, 2, 32, 3, 0,
                                   Le(0x00FF0000, 4) + Le(0x0000FF00, 4) + Le(0x000000FF, 4) +
                                       Le(0x00FF00FF, 4) + Le(0x000000FF, 4));
            // The masks take the first 12 bytes after the header; the pixels follow them.
            B.replace(10, 4, Le(14 + 40 + 12, 4));
            return B;
        }(),
        // Core header, 24 bits, top-down rows in an info header.
        "BM" + Le(14 + 12 + 8, 4) + Le(0, 4) + Le(26, 4) + Le(12, 4) + Le(2, 2) + Le(1, 2) + Le(1, 2) +
            Le(24, 2) + Le(0x00FF00FF0000, 6) + Le(0, 2),
        HandBmp(2, -2, 24, 0, 0, Le(0x0000FF00FF00, 6) + Le(0, 2) + Le(0xFFFFFF000000, 6) + Le(0, 2)),
    };
    return Seeds;
}

QByteArray EncodeJpeg(int W, int H, J_COLOR_SPACE Space, int Components, bool Progressive) {
    jpeg_compress_struct C;
    jpeg_error_mgr Errors;
    C.err = jpeg_std_error(&Errors);
    jpeg_create_compress(&C);
    unsigned char* Buffer = nullptr;
    unsigned long Size = 0;
    jpeg_mem_dest(&C, &Buffer, &Size);
    C.image_width = JDIMENSION(W);
    C.image_height = JDIMENSION(H);
    C.input_components = Components;
    C.in_color_space = Space;
    jpeg_set_defaults(&C);
    jpeg_set_quality(&C, 80, TRUE);
    if (Progressive) jpeg_simple_progression(&C);
    jpeg_start_compress(&C, TRUE);
    std::vector<uint8_t> Row(size_t(W * Components));
    while (C.next_scanline < C.image_height) {
        for (size_t I = 0; I < Row.size(); ++I) Row[I] = uint8_t(I * 37 + C.next_scanline * 11);
        JSAMPROW P = Row.data();
        jpeg_write_scanlines(&C, &P, 1);
    }
    jpeg_finish_compress(&C);
    jpeg_destroy_compress(&C);
    QByteArray Out(reinterpret_cast<const char*>(Buffer), qsizetype(Size));
    std::free(Buffer);
    return Out;
}

// An icon file of one BMP image (32 bits and its mask) and one PNG image.
QByteArray IconFile() {
    QByteArray Bmp = Le(40, 4) + Le(4, 4) + Le(8, 4) + Le(1, 2) + Le(32, 2) + QByteArray(24, '\0');
    for (int I = 0; I < 16; ++I) Bmp += Le(0xFF000000 | (I * 0x0F0F0F), 4);
    Bmp += QByteArray(16, '\0'); // the mask: 4 rows of 4 bytes
    QByteArray Png;
    QBuffer Buffer(&Png);
    Buffer.open(QIODevice::WriteOnly);
    Pattern(6, 6, QImage::Format_ARGB32).save(&Buffer, "PNG");
    const int First = 6 + 2 * 16;
    return Le(0, 2) + Le(1, 2) + Le(2, 2) + Le(4, 1) + Le(4, 1) + Le(0, 2) + Le(1, 2) + Le(32, 2) +
           Le(Bmp.size(), 4) + Le(First, 4) + Le(6, 1) + Le(6, 1) + Le(0, 2) + Le(1, 2) + Le(32, 2) +
           Le(Png.size(), 4) + Le(First + Bmp.size(), 4) + Bmp + Png;
}

// A placeable WMF with a filled rectangle and a text.
QByteArray SampleWmf() {
    auto Record = [](int Function, const QByteArray& Params) {
        return Le(3 + Params.size() / 2, 4) + Le(Function, 2) + Params;
    };
    const QByteArray Records = Record(0x020B, Le(0, 2) + Le(0, 2)) + Record(0x020C, Le(100, 2) + Le(200, 2)) +
                               Record(0x02FC, Le(0, 2) + Le(0x3366CC, 4) + Le(0, 2)) +
                               Record(0x012D, Le(0, 2)) +
                               Record(0x041B, Le(80, 2) + Le(150, 2) + Le(20, 2) + Le(50, 2)) +
                               Record(0x0521, Le(4, 2) + "Text" + Le(30, 2) + Le(10, 2)) + Record(0, {});
    const QByteArray Header = Le(1, 2) + Le(9, 2) + Le(0x300, 2) + Le((18 + Records.size()) / 2, 4) +
                              Le(1, 2) + Le(8, 4) + Le(0, 2);
    QByteArray Placeable =
        Le(0x9AC6CDD7, 4) + Le(0, 2) + Le(0, 2) + Le(0, 2) + Le(200, 2) + Le(100, 2) + Le(96, 2) + Le(0, 4);
    int Sum = 0;
    for (int I = 0; I < 20; I += 2) Sum ^= uint8_t(Placeable[I]) | uint8_t(Placeable[I + 1]) << 8;
    return Placeable + Le(Sum, 2) + Header + Records;
}

// An EMF with bounds (0, 0)-(99, 49) and a filled rectangle.
QByteArray SampleEmf() {
    auto Record = [](int Type, const QByteArray& Body) {
        return Le(Type, 4) + Le(8 + Body.size(), 4) + Body;
    };
    const QByteArray Records = Record(39, Le(1, 4) + Le(0, 4) + Le(0x3366CC, 4) + Le(0, 4)) +
                               Record(37, Le(1, 4)) +
                               Record(43, Le(10, 4) + Le(10, 4) + Le(90, 4) + Le(40, 4)) +
                               Record(14, Le(0, 4) + Le(16, 4) + Le(20, 4));
    const QByteArray Header = Le(1, 4) + Le(108, 4) + Le(0, 4) + Le(0, 4) + Le(99, 4) + Le(49, 4) + Le(0, 4) +
                              Le(0, 4) + Le(2646, 4) + Le(1323, 4) + Le(0x464D4520, 4) + Le(0x10000, 4) +
                              Le(108 + Records.size(), 4) + Le(5, 4) + Le(1, 2) + Le(0, 2) + Le(0, 4) +
                              Le(0, 4) + Le(0, 4) + Le(1920, 4) + Le(1080, 4) + Le(508, 4) + Le(286, 4) +
                              QByteArray(12, '\0') + Le(508000, 4) + Le(285750, 4);
    return Header + Records;
}

// The JPEG with an EXIF block (big-endian TIFF) that records Orientation.
QByteArray WithExifOrientation(const QByteArray& Jpeg, int Orientation) {
    const QByteArray Tiff = QByteArray("MM\0*", 4) + QByteArray::fromHex("00000008") +
                            QByteArray::fromHex("0001") + QByteArray::fromHex("011200030000000100") +
                            char(Orientation) + QByteArray::fromHex("0000") + QByteArray::fromHex("00000000");
    const QByteArray Exif = QByteArray("Exif\0\0", 6) + Tiff;
    const int Length = int(Exif.size()) + 2;
    return Jpeg.left(2) + "\xFF\xE1" + char(Length >> 8) + char(Length & 0xFF) + Exif + Jpeg.mid(2);
}

// The JPEG with its frame header claiming Height rows.
QByteArray WithJpegHeight(QByteArray Jpeg, int Height) {
    const int Sof = int(Jpeg.indexOf("\xFF\xC0"));
    if (Sof >= 0) {
        Jpeg[Sof + 5] = char(Height >> 8);
        Jpeg[Sof + 6] = char(Height);
    }
    return Jpeg;
}

// A placeable WMF with two texts, one in Arial and one in Symbol, and a
// polygon with a dotted outline.
QByteArray FontsAndPolygonWmf() {
    auto Record = [](int Function, const QByteArray& Params) {
        return Le(3 + Params.size() / 2, 4) + Le(Function, 2) + Params;
    };
    auto Font = [&](const char* Face) {
        QByteArray Name(Face);
        Name.resize(32, '\0');
        return Record(0x02FB,
                      Le(-16, 2) + Le(0, 2) + Le(0, 2) + Le(0, 2) + Le(400, 2) + QByteArray(8, '\0') + Name);
    };
    QByteArray Points;
    for (int I = 0; I < 12; ++I) Points += Le(20 + (I * 53) % 160, 2) + Le(10 + (I * 37) % 80, 2);
    const QByteArray Records = Record(0x020B, Le(0, 2) + Le(0, 2)) + Record(0x020C, Le(100, 2) + Le(200, 2)) +
                               Font("Arial") + Record(0x012D, Le(0, 2)) +
                               Record(0x0521, Le(4, 2) + "Text" + Le(30, 2) + Le(10, 2)) + Font("Symbol") +
                               Record(0x012D, Le(1, 2)) +
                               Record(0x0521, Le(4, 2) + "abgd" + Le(60, 2) + Le(10, 2)) +
                               Record(0x02FA, Le(2, 2) + Le(1, 2) + Le(0, 2) + Le(0xFF, 4)) +
                               Record(0x012D, Le(2, 2)) + Record(0x0324, Le(12, 2) + Points) + Record(0, {});
    const QByteArray Header = Le(1, 2) + Le(9, 2) + Le(0x300, 2) + Le((18 + Records.size()) / 2, 4) +
                              Le(3, 2) + Le(40, 4) + Le(0, 2);
    QByteArray Placeable =
        Le(0x9AC6CDD7, 4) + Le(0, 2) + Le(0, 2) + Le(0, 2) + Le(200, 2) + Le(100, 2) + Le(96, 2) + Le(0, 4);
    int Sum = 0;
    for (int I = 0; I < 20; I += 2) Sum ^= uint8_t(Placeable[I]) | uint8_t(Placeable[I + 1]) << 8;
    return Placeable + Le(Sum, 2) + Header + Records;
}

// An EMF recorded on a 1200 dpi printer, with empty bounds, a font with an
// odd face name and a text that tries to end the converter's CDATA section.
QByteArray TextEmf() {
    auto Record = [](int Type, const QByteArray& Body) {
        return Le(Type, 4) + Le(8 + Body.size(), 4) + Body;
    };
    QByteArray Face = QString("Ar\"ial<").toUtf8();
    QByteArray FaceW;
    for (char C : Face) FaceW += Le(uint8_t(C), 2);
    FaceW.resize(64, '\0');
    const QByteArray Font = Record(82, Le(1, 4) + Le(-40, 4) + QByteArray(12, '\0') + Le(400, 4) +
                                           QByteArray(8, '\0') + FaceW + QByteArray(240, '\0'));
    const QString Text = QStringLiteral("a]]></text><image xlink:href=\"/etc/hostname\"/>b");
    QByteArray TextW;
    for (QChar C : Text) TextW += Le(C.unicode(), 2);
    while (TextW.size() % 4) TextW += '\0';
    QByteArray Dx;
    for (int I = 0; I < Text.size(); ++I) Dx += Le(20, 4);
    const QByteArray Draw =
        Record(84, QByteArray(16, '\0') + Le(1, 4) + Le(0x3F800000, 4) + Le(0x3F800000, 4) + Le(100, 4) +
                       Le(400, 4) + Le(Text.size(), 4) + Le(76, 4) + Le(0, 4) + QByteArray(16, '\0') +
                       Le(76 + TextW.size(), 4) + TextW + Dx);
    const QByteArray Records =
        Font + Record(37, Le(1, 4)) + Draw + Record(14, Le(0, 4) + Le(16, 4) + Le(20, 4));
    const QByteArray Header = Le(1, 4) + Le(108, 4) + Le(0, 4) + Le(0, 4) + Le(-1, 4) + Le(-1, 4) + Le(0, 4) +
                              Le(0, 4) + Le(5080, 4) + Le(2540, 4) + Le(0x464D4520, 4) + Le(0x10000, 4) +
                              Le(108 + Records.size(), 4) + Le(5, 4) + Le(2, 2) + Le(0, 2) + Le(0, 4) +
                              Le(0, 4) + Le(0, 4) + Le(9921, 4) + Le(14031, 4) + Le(210, 4) + Le(297, 4) +
                              QByteArray(12, '\0') + Le(210000, 4) + Le(297000, 4);
    return Header + Records;
}

// Operation sequences for the surface: bytes as RunStep reads them.
std::vector<QByteArray> SurfaceOpSeeds() {
    QByteArray Build;
    for (int Tool = 0; Tool < 11; ++Tool)
        Build += QByteArray::fromHex("00") + char(Tool) + "\x10\x20\x30\x40\x50\x60\x70\x80\x90\xa0\x80";
    return {
        Build,
        Build + QByteArray::fromHex("0902000101") + QByteArray::fromHex("0a0305") +
            QByteArray::fromHex("0200") + QByteArray::fromHex("0d"),
        Build + QByteArray::fromHex("0601010501") + QByteArray::fromHex("0701") +
            QByteArray::fromHex("0300") + QByteArray::fromHex("0401") +
            QByteArray::fromHex("0b0210200c0340") + QByteArray::fromHex("0f00"),
    };
}

} // namespace

const QStringList& ShapeClassNames() {
    static const QStringList Names{
        "TMyRectangle", "TMyLinkPoint", "TMyLineLinkLine", "TMyEllipse",    "TMyLine", "TMyFreeLine",
        "TMyRuleLine",  "TMyPolyLine",  "TMyPolygon",      "TMyPolyBezier", "TMyText", "TMyImage",
        "TMyElliArc",   "TMyLinkLine",  "TMyCombine",      "TMyGroup",      "TMyBLine"};
    return Names;
}

TMyShape* AddSampleShape(TMyDraxa& S, const QString& ClassName, float X, float Y) {
    std::unique_ptr<TMyShape> Shape(S.CreateShapeByClassName(ClassName));
    if (!Shape) return nullptr;
    const QStringList TwoPoints{"TMyLine", "TMyRuleLine", "TMyLinkLine"};
    const QStringList ThreePoints{"TMyFreeLine", "TMyPolyLine", "TMyElliArc", "TMyBLine"};
    TArrMyPoint Points;
    if (TwoPoints.contains(ClassName))
        Points = {{X, Y}, {X + 60, Y + 40}};
    else if (ThreePoints.contains(ClassName))
        Points = {{X, Y}, {X + 30, Y + 45}, {X + 70, Y + 10}};
    else if (ClassName == QLatin1String("TMyPolygon"))
        Points = {{X, Y}, {X + 50, Y + 5}, {X + 25, Y + 40}, {X, Y}};
    else if (ClassName == QLatin1String("TMyPolyBezier"))
        Points = {{X, Y}, {X + 20, Y + 40}, {X + 50, Y - 10}, {X + 70, Y + 30}};
    else
        Points = {{X, Y}, {X + 60, Y}, {X + 60, Y + 40}, {X, Y + 40}};
    for (const TMyPoint& P : Points) Shape->AddScreenPoint(P);
    Shape->SetShapeNo(S.NextShapeNo());
    Shape->SetIndex(S.ShapeCount());
    Shape->SetName(QStringLiteral("Shape%1").arg(S.NextShapeNo()));
    Shape->SetRotateCenter(Shape->GetCorner(4));
    Shape->SetInfoPos(MyPoint(Shape->GetCorner(4).X, Shape->GetCorner(2).Y + 10));
    Shape->SetCaption(QStringLiteral("Caption of %1 é").arg(ClassName));
    Shape->SetInfo(QStringLiteral("info"));
    Shape->SetMultiInfo({QStringLiteral("first"), QStringLiteral("second")});
    Shape->UserData().Add(QStringLiteral("key"), QStringLiteral("value"));
    Shape->SetTag(7);
    Shape->SetAngleDirect(0.25f);
    if (ClassName == QLatin1String("TMyRectangle")) {
        TBitmap Brush;
        Brush.SetImage(Pattern(8, 8, QImage::Format_BGR888));
        Shape->Brush().SetBitmap(&Brush);
    }
    if (auto* Text = dynamic_cast<TMyText*>(Shape.get()))
        Text->SetLines({QStringLiteral("line one"), QStringLiteral("line two")});
    TMyShape* Added = Shape.get();
    if (!S.AddShape(Added, false, false)) return nullptr;
    Shape.release();
    if (ClassName == QLatin1String("TMyImage")) {
        TBitmap Picture;
        Picture.SetImage(Pattern(6, 4, QImage::Format_BGR888));
        S.SetImageBitmap(Added->ShapeNo(), Picture);
    }
    return Added;
}

void BuildSampleDrawing(TMyDraxa& S, const QStringList& Classes) {
    S.UserData().Add(QStringLiteral("author"), QStringLiteral("draxa"));
    TBitmap Background;
    Background.SetImage(Pattern(7, 5, QImage::Format_BGR888));
    S.SetBkBitmap(Background);
    float X = 10;
    for (const QString& Name : Classes) {
        AddSampleShape(S, Name, X, 10 + X / 4);
        X += 40;
    }
    if (S.ShapeCount() >= 2) {
        auto* G = new TMyGroup(&S);
        G->SetShapeNo(S.NextShapeNo());
        G->SetIndex(S.ShapeCount());
        G->SetName(QStringLiteral("Shape%1").arg(S.NextShapeNo()));
        for (int M : {0, 1}) {
            G->MembersRef().push_back(M);
            S.ShapeByIndex(M)->SetGroupIndex(G->Index());
            for (const TMyPoint& P : S.ShapeByIndex(M)->Points()) G->AddScreenPoint(P);
        }
        if (!S.AddShape(G, false, false)) delete G;
    }
    if (S.ShapeCount() >= 3) {
        auto* L = new TMyLinkLine(&S);
        L->SetShapeNo(S.NextShapeNo());
        L->SetIndex(S.ShapeCount());
        L->SetName(QStringLiteral("Shape%1").arg(S.NextShapeNo()));
        L->AddScreenPoint(MyPoint(30, 30));
        L->AddScreenPoint(MyPoint(150, 40));
        L->SetStartShapeIndex(2);
        L->SetStartLinkPoint(0);
        L->SetEndShapeIndex(0);
        L->SetEndLinkPoint(0);
        if (S.AddShape(L, false, false)) {
            S.ShapeByIndex(2)->AddLinkLine(L->Index());
            S.ShapeByIndex(0)->AddLinkLine(L->Index());
        } else {
            delete L;
        }
    }
    S.AddLayer(QStringLiteral("Hidden"), false);
}

std::vector<std::pair<QString, QByteArray>> GenerateSeeds(const QString& Target) {
    std::vector<std::pair<QString, QByteArray>> Seeds;
    auto Add = [&Seeds](const QString& Name, const QByteArray& Bytes) { Seeds.emplace_back(Name, Bytes); };
    if (Target == QLatin1String("document") || Target == QLatin1String("document_use")) {
        // Small controls: a document's background picture is drawn over the
        // whole control on every load.
        for (const QString& Name : ShapeClassNames()) {
            TMyDraxa S;
            S.SetBounds(0, 0, 160, 120);
            AddSampleShape(S, Name);
            Add("one-" + Name, SaveDocument(S));
        }
        TMyDraxa S;
        S.SetBounds(0, 0, 160, 120);
        BuildSampleDrawing(S);
        Add("sample-drawing", SaveDocument(S));
    } else if (Target == QLatin1String("shape_record")) {
        TMyDraxa S;
        for (int C = 0; C < ShapeClassNames().size(); ++C) {
            TMyShape* Shape = AddSampleShape(S, ShapeClassNames()[C]);
            TMemoryStream M;
            Shape->SaveToStream(M);
            // KW.j, the layout written; the fuzzer finds the older ones from it.
            Add("record-" + ShapeClassNames()[C], QByteArray(1, char(C)) + char(12) + M.ToByteArray());
        }
    } else if (Target == QLatin1String("bmp") || Target == QLatin1String("picture_bmp")) {
        int N = 0;
        for (const QByteArray& B : BmpSeeds()) Add(QString("bmp-%1").arg(N++), B);
    } else if (Target == QLatin1String("picture_ico")) {
        Add("two-images", IconFile());
        QByteArray Disagreeing = IconFile();
        Disagreeing[6] = Disagreeing[7] = char(32); // the directory says 32 x 32, the image 4 x 4
        Add("directory-disagrees", Disagreeing);
        QByteArray Png;
        QBuffer Buffer(&Png);
        Buffer.open(QIODevice::WriteOnly);
        Pattern(5, 3, QImage::Format_ARGB32).save(&Buffer, "PNG");
        Add("png-named-ico", Png);
    } else if (Target == QLatin1String("picture_jpeg")) {
        Add("rgb", EncodeJpeg(9, 7, JCS_RGB, 3, false));
        Add("grey-progressive", EncodeJpeg(17, 9, JCS_GRAYSCALE, 1, true));
        Add("cmyk", EncodeJpeg(8, 8, JCS_CMYK, 4, false));
        Add("exif-turned", WithExifOrientation(EncodeJpeg(9, 7, JCS_RGB, 3, false), 6));
        Add("frame-taller-than-scan", WithJpegHeight(EncodeJpeg(16, 16, JCS_RGB, 3, false), 64));
    } else if (Target == QLatin1String("picture_raster")) {
        // The selector byte of each kind, then a small picture with transparency.
        const char* const Formats[] = {"png", "gif", "tiff", "webp"};
        for (int K = 0; K < 4; ++K) {
            QByteArray File;
            QBuffer Buffer(&File);
            Buffer.open(QIODevice::WriteOnly);
            // Qt writes no GIF: a PNG there tells the GIF reader what it is not.
            Pattern(5, 3, QImage::Format_ARGB32).save(&Buffer, K == 1 ? "PNG" : Formats[K]);
            Add(QString("kind-%1").arg(Formats[K]), char(K) + File);
        }
        Add("gif",
            char(1) + QByteArray::fromBase64("R0lGODlhAgACAIAAAP8AAAAA/yH5BAEAAAEALAAAAAACAAIAAAIChFEAOw=="));
    } else if (Target == QLatin1String("picture_wmf")) {
        Add("rectangle-and-text", SampleWmf());
        Add("fonts-and-polygon", FontsAndPolygonWmf());
    } else if (Target == QLatin1String("picture_emf")) {
        Add("rectangle", SampleEmf());
        Add("printer-text", TextEmf());
    } else if (Target == QLatin1String("metafile_pixels")) {
        Add("pattern", EncodePixelMessage(Pattern(5, 3, QImage::Format_BGR888)));
    } else if (Target == QLatin1String("metafile_svg")) {
        Add("links", "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                     "width=\"20\" height=\"20\"><defs><linearGradient id=\"g\"><stop offset=\"0\" "
                     "stop-color=\"red\"/></linearGradient><rect id=\"r\" width=\"5\" height=\"5\"/></defs>"
                     "<use xlink:href=\"#r\"/><use xlink:href=\"other.svg#r\"/>"
                     "<image width=\"4\" height=\"4\" xlink:href=\"/etc/hostname\"/>"
                     "<rect x=\"5\" width=\"9\" height=\"9\" fill=\"url(#g)\" style=\"stroke:url(x.svg#a)\"/>"
                     "<style>@import url(a.css); rect{fill:blue}</style><script>x()</script></svg>");
        Add("libwmf-like",
            "<?xml version=\"1.0\" standalone=\"no\"?>\n<svg width=\"40\" height=\"20\" version=\"1.1\">"
            "<rect x=\"2\" y=\"2\" width=\"30\" height=\"10\" style=\"fill:rgb(51,102,204)\"/>"
            "<text x=\"3\" y=\"18\" font-size=\"6\">caf\xe9</text></svg>");
        Add("libemf2svg-like", "<svg:svg xmlns:svg=\"http://www.w3.org/2000/svg\" width=\"30\" height=\"30\">"
                               "<svg:ellipse cx=\"15\" cy=\"15\" rx=\"10\" ry=\"5\" fill=\"#00ff00\"/>"
                               "<svg:path d=\"M 1 1 L 29 29 Q 5 25 1 1 Z\" stroke=\"#000000\"/></svg:svg>");
    } else if (Target == QLatin1String("surface_ops")) {
        int N = 0;
        for (const QByteArray& B : SurfaceOpSeeds()) Add(QString("ops-%1").arg(N++), B);
    }
    return Seeds;
}

} // namespace draxa::fuzz
