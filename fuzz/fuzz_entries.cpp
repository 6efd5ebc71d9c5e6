// The fuzz entry points and the document invariants they check after every
// step; see fuzz_entries.h.
#include "fuzz/fuzz_entries.h"

#include "foundation/bitmap.h"
#include "foundation/bmp_codec.h"
#include "foundation/canvas.h"
#include "foundation/dialogs.h"
#include "foundation/metafile_reader.h"
#include "foundation/metafile_svg.h"
#include "foundation/picture_loader.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "fuzz/fuzz_samples.h"
#include "shapes/ellipse_group.h"
#include "shapes/link_line.h"
#include "surface/draxa.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

namespace draxa::fuzz {

namespace {

// ---- reporting --------------------------------------------------------------------------

[[noreturn]] void Broken(const QString& Why) {
    std::fprintf(stderr, "draxa fuzz: %s\n", Why.toLocal8Bit().constData());
    std::fflush(stderr);
    std::abort();
}

void Require(bool Holds, const QString& Why) {
    if (!Holds) Broken(Why);
}

void RequireConsistent(const TMyDraxa& S, const QString& After) {
    const QString Why = DocumentInvariantsBroken(S);
    if (!Why.isEmpty()) Broken(After + ": " + Why);
}

// Answers every question at once and ends nothing, so that no path can block
// on a window or stop the fuzzer.
class TSilentDialogs : public TDialogs {
public:
    void ShowMessage(const QString&) override {}
    TModalResult MessageDlg(const QString&, TMsgDlgType, TMsgDlgButtons Buttons) override {
        return DismissResult(Buttons);
    }
    TModalResult ExecuteModal(QDialog&) override { return mrCancel; }
    bool PromptForFileName(QString&, const QString&, const QString&, const QString&,
                           const QString&) override {
        return false;
    }
    bool PromptForPicture(QString&, const QString&) override { return false; }
    void Terminate() override {}
};

TSilentDialogs& SilentDialogs() {
    static TSilentDialogs Instance;
    return Instance;
}

QByteArray Bytes(const uint8_t* Data, size_t Size) {
    return QByteArray(reinterpret_cast<const char*>(Data), qsizetype(Size));
}

QByteArray Save(TMyDraxa& S) {
    TMemoryStream M;
    Require(S.SaveToStream(M), "saving a document failed");
    return M.ToByteArray();
}

bool Load(TMyDraxa& S, const QByteArray& Document) {
    TMemoryStream M(Document);
    return S.LoadFromStream(M);
}

// The surfaces the entries work on live as long as the process: making a
// control for every input would cost more than the input itself. Each input
// starts from the same empty drawing, so that it behaves the same however
// many inputs came before it.
TMyDraxa& ResetSurface(TMyDraxa& S) {
    static const QByteArray Empty = [] {
        TMyDraxa New;
        New.SetBounds(0, 0, 64, 48); // a small control is quick to resize and paint
        return Save(New);
    }();
    S.UserData().Clear(); // loading adds to what the surface holds
    S.SetTag(0);          // older documents do not store it
    S.SetUndoRedoSize(10);
    Require(Load(S, Empty), "the empty document does not load");
    return S;
}

TMyDraxa& FirstSurface() {
    static TMyDraxa* S = new TMyDraxa;
    return ResetSurface(*S);
}

// Where a saved document is read back: an empty surface too, since loading
// adds the document's user data to what the surface already holds.
TMyDraxa& SecondSurface() {
    static TMyDraxa* S = new TMyDraxa;
    return ResetSurface(*S);
}

// Reads the bytes one at a time; zeros once they run out.
class TByteReader {
public:
    TByteReader(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}
    bool AtEnd() const { return FPos >= FSize; }
    uint8_t Next() { return FPos < FSize ? FData[FPos++] : 0; }
    // A value in 0 .. Count - 1 (Count > 0).
    int Pick(int Count) { return Next() % Count; }
    // A coordinate, mostly on the control, now and then far off it.
    float Coordinate() {
        const uint8_t B = Next();
        return B < 240 ? float(B) * 4.0f : float(int(B) - 248) * 1.0e6f;
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

// Everything a user's view of a shape runs through: painting, hot points,
// hit tests, cursors, bounds and the rotate centre, on a small canvas.
void ExerciseShape(TMyShape& Shape, TCanvas& Canvas) {
    Shape.Paint(Canvas);
    Shape.DrawHotPoints(Canvas);
    Shape.DrawLinkPoints(Canvas);
    for (const TPoint P : {TPoint{10, 10}, TPoint{40, 25}}) {
        Shape.PointInShape(Canvas, P);
        Shape.HotPointAt(P);
        Shape.GetHotCursor(P.X, P.Y);
        Shape.InInfoPos(P);
    }
    for (int Kind = 0; Kind <= 4; ++Kind) Shape.GetCorner(Kind);
    Shape.GetScreenRotateCenter();
    Shape.UnrotatedWidth();
    Shape.UnrotatedHeight();
}

// Paints the surface's top-left corner and every shape on its own small
// bitmap, so that every coordinate, angle and size of the document reaches
// the integer pixels it is drawn at, wherever the shape lies.
void ExerciseDocument(TMyDraxa& S) {
    S.RenderToBitmap(TRect{0, 0, 48, 48});
    TBitmap Target(48, 48);
    TCanvas& Canvas = Target.Canvas();
    for (int I = 0; I < S.ShapeCount(); ++I) ExerciseShape(*S.ShapeByIndex(I), Canvas);
    Canvas.Release();
}

const QStringList& FormatVersions() {
    static const QStringList Versions{"KW.2", "KW.3", "KW.4", "KW.5", "KW.6", "KW.7", "KW.8",
                                      "KW.9", "KW.a", "KW.e", "KW.h", "KW.i", "KW.j"};
    return Versions;
}

QByteArray SaveShape(TMyShape& Shape) {
    TMemoryStream M;
    Shape.SaveToStream(M);
    return M.ToByteArray();
}

// ---- pictures ---------------------------------------------------------------------------

void RequirePictureWithinLimits(const TBitmap& B, const char* What) {
    if (B.Empty()) return;
    Require(PictureSizeAllowed(B.Width(), B.Height()),
            QString("%1 gave a %2 x %3 picture, beyond the limits").arg(What).arg(B.Width()).arg(B.Height()));
}

void FuzzPictureFile(const uint8_t* Data, size_t Size, const char* Extension) {
    static QTemporaryDir Dir;
    const QString Path = Dir.filePath(QStringLiteral("input.") + QLatin1String(Extension));
    {
        QFile File(Path);
        Require(File.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the picture file");
        File.write(reinterpret_cast<const char*>(Data), qint64(Size));
    }
    try {
        const std::unique_ptr<TBitmap> B = LoadPictureAsBitmap(Path);
        Require(B != nullptr, "the picture loader returned no bitmap");
        RequirePictureWithinLimits(*B, Extension);
    } catch (const EInvalidGraphic&) {
        // A damaged file: exactly what the loader promises.
    }
}

// ---- surface operations ---------------------------------------------------------------

// The tools AddShapeByTool builds shapes for, with a point count each accepts.
struct TToolShape {
    TDrawTool Tool;
    int Points;
};
constexpr TToolShape ToolShapes[] = {
    {TDrawTool::SpLine, 2},    {TDrawTool::SpRuleLine, 2},     {TDrawTool::SpPolyLine, 3},
    {TDrawTool::SpPolygon, 3}, {TDrawTool::SpRectangle, 4},    {TDrawTool::SpEllipse, 4},
    {TDrawTool::SpText, 4},    {TDrawTool::SpPolyBezier, 4},   {TDrawTool::SpElliArc, 3},
    {TDrawTool::SpBLine, 3},   {TDrawTool::SpLineLinkLine, 1},
};

// Builds a group (or a combine) from top-level shapes the way a loaded
// document links them: the members name the new last shape as their group.
void GroupShapes(TMyDraxa& S, TByteReader& R) {
    std::vector<int> TopLevel;
    for (int I = 0; I < S.ShapeCount(); ++I)
        if (S.ShapeByIndex(I)->GroupIndex() == -1) TopLevel.push_back(I);
    if (TopLevel.size() < 2 || S.LayerCount() == 0) return;
    const int Count = std::min<int>(2 + R.Pick(3), int(TopLevel.size()));
    std::unique_ptr<TMyGroup> G(R.Next() & 1 ? new TMyCombine(&S) : new TMyGroup(&S));
    G->SetShapeNo(S.NextShapeNo());
    G->SetIndex(S.ShapeCount());
    G->SetName(QStringLiteral("Shape%1").arg(S.NextShapeNo()));
    for (int K = 0; K < Count; ++K) {
        const int Pick = R.Pick(int(TopLevel.size()));
        const int M = TopLevel[size_t(Pick)];
        TopLevel.erase(TopLevel.begin() + Pick);
        G->MembersRef().push_back(M);
        S.ShapeByIndex(M)->SetGroupIndex(G->Index());
        for (const TMyPoint& P : S.ShapeByIndex(M)->Points()) G->AddScreenPoint(P);
    }
    if (G->PointCount() > 0) G->SetRotateCenter(G->GetCorner(4));
    Require(S.AddShape(G.get(), false, false), "adding a group failed although a layer exists");
    G.release();
}

// A connector from one shape to another (or to itself), added last and
// listed by the shapes it joins.
void ConnectShapes(TMyDraxa& S, TByteReader& R) {
    if (S.ShapeCount() == 0 || S.LayerCount() == 0) return;
    const int A = R.Pick(S.ShapeCount()), B = R.Pick(S.ShapeCount());
    auto L = std::make_unique<TMyLinkLine>(&S);
    L->SetShapeNo(S.NextShapeNo());
    L->SetIndex(S.ShapeCount());
    L->SetName(QStringLiteral("Shape%1").arg(S.NextShapeNo()));
    L->AddScreenPoint(MyPoint(R.Coordinate(), R.Coordinate()));
    L->AddScreenPoint(MyPoint(R.Coordinate(), R.Coordinate()));
    L->SetStartShapeIndex(A);
    L->SetStartLinkPoint(0);
    L->SetEndShapeIndex(B);
    L->SetEndLinkPoint(0);
    const int Index = L->Index();
    Require(S.AddShape(L.get(), false, false), "adding a connector failed although a layer exists");
    L.release();
    S.ShapeByIndex(A)->AddLinkLine(Index);
    S.ShapeByIndex(B)->AddLinkLine(Index);
}

TMyShape* PickShape(TMyDraxa& S, TByteReader& R) {
    return S.ShapeCount() > 0 ? S.ShapeByIndex(R.Pick(S.ShapeCount())) : nullptr;
}

// One step; returns a name for it in messages.
QString RunStep(TMyDraxa& S, TByteReader& R) {
    switch (R.Pick(16)) {
    case 0:
    case 1: {
        const TToolShape& T = ToolShapes[R.Pick(int(std::size(ToolShapes)))];
        TArrMyPoint Points;
        const int Count = T.Tool == TDrawTool::SpPolyLine || T.Tool == TDrawTool::SpPolygon ? 2 + R.Pick(4)
                          : T.Tool == TDrawTool::SpPolyBezier ? 1 + 3 * (1 + R.Pick(2))
                                                              : T.Points;
        for (int I = 0; I < Count; ++I) Points.push_back(MyPoint(R.Coordinate(), R.Coordinate()));
        const double Angle = (int(R.Next()) - 128) / 40.0;
        S.AddShapeByTool(&S, T.Tool, QStringLiteral("Shape%1").arg(S.NextShapeNo()), Points, Angle,
                         QStringLiteral("info"));
        return "add";
    }
    case 2:
        if (TMyShape* X = PickShape(S, R)) S.DeleteShape(X->ShapeNo(), R.Next() & 1);
        return "delete";
    case 3:
        if (TMyShape* X = PickShape(S, R)) S.FlipShapeHorz(X);
        return "flip horizontally";
    case 4:
        if (TMyShape* X = PickShape(S, R)) S.FlipShapeVert(X);
        return "flip vertically";
    case 5:
        if (TMyShape* X = PickShape(S, R)) X->SetLocked(R.Next() & 1);
        return "lock";
    case 6:
        S.AddLayer(QStringLiteral("Layer%1").arg(R.Next()), R.Next() & 1);
        return "add layer";
    case 7:
        S.DeleteLayer(uint8_t(R.Pick(4)));
        return "delete layer";
    case 8:
        S.SetCurrentLayer(R.Pick(4) - 1);
        return "current layer";
    case 9:
        GroupShapes(S, R);
        return "group";
    case 10:
        ConnectShapes(S, R);
        return "connect";
    case 11:
        if (TMyShape* X = PickShape(S, R)) S.MoveShapeBy(X, R.Coordinate() - 480, R.Coordinate() - 480);
        return "move";
    case 12:
        if (TMyShape* X = PickShape(S, R)) S.RotateShapeBy(X, (int(R.Next()) - 128) / 20.0);
        return "rotate";
    case 13: {
        const QByteArray Saved = Save(S);
        Require(Load(S, Saved), "the surface's own document does not load");
        Require(Save(S) == Saved, "save, load, save changed the bytes");
        return "save and load";
    }
    case 14:
        if (R.Next() & 1) {
            if (TMyShape* X = PickShape(S, R)) S.SelectShape(X);
        } else {
            S.UnselectAll();
        }
        return "select";
    default:
        if (R.Next() % 8 == 0)
            S.DeleteAllLayers();
        else
            S.SetZoom(0.25 * (1 + R.Pick(12)));
        return "zoom or delete all layers";
    }
}

} // namespace

// ---- the document's invariants ----------------------------------------------------------

QString DocumentInvariantsBroken(const TMyDraxa& S) {
    const int N = S.ShapeCount();
    auto InRange = [N](int I) { return I >= 0 && I < N; };
    auto Occurrences = [](const TMyShapeNo& List, int I) { return std::count(List.begin(), List.end(), I); };
    std::set<int> Numbers;
    std::set<const TMyShape*> Shapes;
    for (int I = 0; I < N; ++I) {
        const TMyShape* X = S.ShapeByIndex(I);
        if (!X) return QString("position %1 holds no shape").arg(I);
        Shapes.insert(X);
        if (X->Index() != I) return QString("the shape at position %1 has FIndex %2").arg(I).arg(X->Index());
        if (!Numbers.insert(X->ShapeNo()).second)
            return QString("number %1 is used twice (position %2)").arg(X->ShapeNo()).arg(I);
        const int G = X->GroupIndex();
        if (G != -1 && (!InRange(G) || G == I || Occurrences(S.ShapeByIndex(G)->Members(), I) != 1))
            return QString("shape %1 names group %2, which does not list it once").arg(I).arg(G);
        for (int M : X->Members())
            if (!InRange(M) || S.ShapeByIndex(M)->GroupIndex() != I || Occurrences(X->Members(), M) != 1)
                return QString("group %1 lists member %2, which does not name it as its group").arg(I).arg(M);
        for (int L : X->LinkLines()) {
            const auto* Line = InRange(L) ? dynamic_cast<const TMyLinkLine*>(S.ShapeByIndex(L)) : nullptr;
            if (!Line || (Line->StartShapeIndex() != I && Line->EndShapeIndex() != I) ||
                Occurrences(X->LinkLines(), L) != 1)
                return QString("shape %1 lists connector %2, which is not attached to it").arg(I).arg(L);
        }
        if (const auto* Line = dynamic_cast<const TMyLinkLine*>(X))
            for (int End : {Line->StartShapeIndex(), Line->EndShapeIndex()})
                if (End != -1 &&
                    (!InRange(End) || End == I || Occurrences(S.ShapeByIndex(End)->LinkLines(), I) != 1))
                    return QString("connector %1 names shape %2, which does not list it once")
                        .arg(I)
                        .arg(End);
        int Up = G;
        for (int Steps = 0; InRange(Up); ++Steps) {
            if (Steps >= N) return QString("the groups above shape %1 contain each other").arg(I);
            Up = S.ShapeByIndex(Up)->GroupIndex();
        }
    }
    for (const TMyShape* X : S.Selected())
        if (!Shapes.count(X)) return "the selection holds a shape that is not in the document";
    for (const TMyShape* X : {S.CurrentShape(), S.ChildShape(), S.HoverShape(), S.HotLineEndShape()})
        if (X && !Shapes.count(X)) return "the surface points at a shape that is not in the document";
    return {};
}

// ---- the entries ----------------------------------------------------------------------

void FuzzDocument(const uint8_t* Data, size_t Size) {
    TScopedDialogs Quiet(SilentDialogs());
    TMyDraxa& S = FirstSurface();
    const QByteArray Before = Save(S);
    const bool Loaded = Load(S, Bytes(Data, Size));
    RequireConsistent(S, Loaded ? "after a load" : "after a failed load");
    if (!Loaded) {
        Require(Save(S) == Before, "a failed load changed the surface");
        return;
    }
    const QByteArray First = Save(S);
    TMyDraxa& Again = SecondSurface();
    Require(Load(Again, First), "a saved document does not load again");
    Require(Save(Again) == First, "save, load, save changed the bytes");
}

void FuzzDocumentUse(const uint8_t* Data, size_t Size) {
    TScopedDialogs Quiet(SilentDialogs());
    TMyDraxa& S = FirstSurface();
    if (!Load(S, Bytes(Data, Size))) return;
    ExerciseDocument(S);
    // What a user then does with the drawing: flips, and deleting every
    // shape in turn, each renumbering the rest, then the layers.
    for (int I = 0; I < S.ShapeCount(); ++I) {
        TMyShape* X = S.ShapeByIndex(I);
        if (X->GroupIndex() == -1) S.FlipShapeHorz(X);
    }
    RequireConsistent(S, "after flipping the loaded shapes");
    ExerciseDocument(S);
    std::vector<int> Numbers;
    for (int I = 0; I < S.ShapeCount(); ++I) Numbers.push_back(S.ShapeByIndex(I)->ShapeNo());
    for (int Number : Numbers) {
        if (S.IndexOfNumber(Number) < 0) continue;
        S.DeleteShape(Number, true);
        RequireConsistent(S, QString("after deleting shape number %1").arg(Number));
    }
    while (S.LayerCount() > 0 && S.DeleteLayer(uint8_t(S.Layers().front().Id)))
        RequireConsistent(S, "after deleting a layer");
}

void FuzzShapeRecord(const uint8_t* Data, size_t Size) {
    if (Size < 2) return;
    TScopedDialogs Quiet(SilentDialogs());
    TMyDraxa* Surface = &FirstSurface();
    const QString ClassName = ShapeClassNames()[Data[0] % ShapeClassNames().size()];
    const QString Version = FormatVersions()[Data[1] % FormatVersions().size()];
    std::unique_ptr<TMyShape> Shape(Surface->CreateShapeByClassName(ClassName));
    Require(Shape != nullptr, "the factory does not know " + ClassName);
    Surface->SetFileVersion(Version);
    bool Read = true;
    {
        TDecodeBudget Budget;
        TMemoryStream M(Bytes(Data + 2, Size - 2));
        try {
            Shape->LoadFromStream(M);
        } catch (const std::exception&) {
            Read = false;
        }
    }
    Surface->SetFileVersion(QStringLiteral("KW.j"));
    if (!Read) return;

    const QByteArray First = SaveShape(*Shape);
    std::unique_ptr<TMyShape> Copy(Surface->CreateShapeByClassName(ClassName));
    TMemoryStream M(First);
    try {
        Copy->LoadFromStream(M);
    } catch (const std::exception& E) {
        Broken(ClassName + " does not read the record it wrote: " + QString::fromStdString(E.what()));
    }
    Require(M.Position() == M.Size(), ClassName + " reads a different length than it writes");
    Require(SaveShape(*Copy) == First, ClassName + ": save, load, save changed the bytes");

    TBitmap Target(48, 48);
    ExerciseShape(*Shape, Target.Canvas());
    Shape->Move(13.5, -7.25);
    Shape->Rotate(Shape->GetRotateCenter(), 0.7);
    Shape->FlipHorz();
    Shape->FlipVert();
    ExerciseShape(*Shape, Target.Canvas());
    Target.Canvas().Release();
}

void FuzzBmp(const uint8_t* Data, size_t Size) {
    TMemoryStream In(Bytes(Data, Size));
    QImage Image;
    try {
        Image = ReadBmp(In);
    } catch (const EInvalidGraphic&) {
        return;
    }
    const int64_t W = Image.width(), H = Image.height();
    Require(!Image.isNull() && W >= 1 && H >= 1 && W <= BmpMaxSide && H <= BmpMaxSide &&
                W * H <= BmpMaxPixels,
            QString("the reader made a %1 x %2 picture, beyond the limits").arg(W).arg(H));
    Require(Image.format() == QImage::Format_Indexed8 || Image.format() == QImage::Format_BGR888,
            "the reader made a picture of an unexpected format");
    Require(In.Position() <= In.Size(), "the reader left the stream past its end");

    TMemoryStream Out;
    WriteBmp(Out, Image);
    Out.SetPosition(0);
    const QImage Back = ReadBmp(Out);
    Require(Out.Position() == Out.Size(), "the reader stops elsewhere than the end of a file we wrote");
    Require(Back.size() == Image.size(), "a written picture reads back at another size");
    if (W * H <= 1 << 16)
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X)
                Require((Back.pixel(X, Y) & 0xFFFFFF) == (Image.pixel(X, Y) & 0xFFFFFF),
                        QString("pixel (%1, %2) changed through the writer").arg(X).arg(Y));
}

void FuzzPictureBmp(const uint8_t* Data, size_t Size) {
    FuzzPictureFile(Data, Size, "bmp");
}
void FuzzPictureIco(const uint8_t* Data, size_t Size) {
    FuzzPictureFile(Data, Size, "ico");
}
void FuzzPictureJpeg(const uint8_t* Data, size_t Size) {
    FuzzPictureFile(Data, Size, "jpg");
}
void FuzzPictureWmf(const uint8_t* Data, size_t Size) {
    FuzzPictureFile(Data, Size, "wmf");
}
void FuzzPictureEmf(const uint8_t* Data, size_t Size) {
    FuzzPictureFile(Data, Size, "emf");
}

void FuzzPictureRaster(const uint8_t* Data, size_t Size) {
    if (Size == 0) return;
    static const char* const Extensions[] = {"png", "gif", "tiff", "webp"};
    FuzzPictureFile(Data + 1, Size - 1, Extensions[Data[0] % 4]);
}

void FuzzMetafileSvg(const uint8_t* Data, size_t Size) {
    const QByteArray Svg = Bytes(Data, Size);
    // Small pictures keep the runs fast; the limits are what is under test.
    TSvgLimits Limits;
    Limits.MaxPixels = int64_t(1) << 20;
    QByteArray Clean;
    TSvgStats Stats;
    QString Error;
    if (!SanitiseSvg(Svg, TSvgFrame(), Limits, Clean, Stats, Error)) return;
    // What the sanitiser lets through links to nothing outside the document:
    // no attribute names anything but a local fragment or inline picture
    // data, nor does a style sheet.
    static const QRegularExpression Outside(QStringLiteral(R"re(url\s*\(\s*['"]?\s*([^#\s'"]|$))re"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression InlinePicture(QStringLiteral("^data:image/(png|jpeg|gif|bmp);base64,"));
    QXmlStreamReader Reader(Clean);
    bool InStyle = false;
    while (!Reader.atEnd()) {
        const QXmlStreamReader::TokenType Token = Reader.readNext();
        if (Token == QXmlStreamReader::StartElement) {
            InStyle = Reader.name() == QLatin1String("style");
            for (const QXmlStreamAttribute& A : Reader.attributes()) {
                const QString Value = A.value().toString();
                if (A.name().contains(QLatin1String("href"), Qt::CaseInsensitive)) {
                    Require(A.qualifiedName() == QLatin1String("xlink:href") &&
                                (Value.startsWith(QLatin1Char('#')) || InlinePicture.match(Value).hasMatch()),
                            QString("the sanitised SVG links to %1").arg(Value.left(80)));
                    // A fragment names an element of this document, whatever
                    // its characters (even "url(...)"); picture data is inline.
                    continue;
                }
                Require(!Outside.match(Value).hasMatch(),
                        QString("the sanitised SVG holds the reference %1").arg(Value.left(80)));
            }
        } else if (Token == QXmlStreamReader::Characters && InStyle) {
            Require(!Outside.match(Reader.text()).hasMatch() &&
                        !Reader.text().contains(QLatin1String("@import"), Qt::CaseInsensitive),
                    "the sanitised SVG holds a style sheet that loads something");
        } else if (Token == QXmlStreamReader::EndElement) {
            InStyle = false;
        }
    }
    Require(!Reader.hasError(),
            QString("the sanitised SVG is not well-formed: %1").arg(Reader.errorString()));
    Require(Stats.Elements <= Limits.MaxElements && Stats.PathPoints <= Limits.MaxPathPoints,
            "the sanitiser let more through than its limits");
    // Sanitising is settled after one pass.
    QByteArray Again;
    TSvgStats AgainStats;
    Require(SanitiseSvg(Clean, TSvgFrame(), Limits, Again, AgainStats, Error),
            QString("the sanitised SVG is refused when sanitised again: %1").arg(Error));
    Require(Again == Clean, "sanitising the sanitised SVG changes it");

    QImage Picture;
    if (!DrawSvgPicture(Svg, TSvgFrame(), Limits, Picture, Error)) return;
    Require(Picture.format() == QImage::Format_BGR888, "the drawn picture is not 24-bit");
    Require(
        Picture.width() * int64_t(Picture.height()) <= Limits.MaxPixels &&
            PictureSizeAllowed(Picture.width(), Picture.height()),
        QString("SVG gave a %1 x %2 picture, beyond the limits").arg(Picture.width()).arg(Picture.height()));
}

void FuzzMetafilePixels(const uint8_t* Data, size_t Size) {
    const QByteArray Message = Bytes(Data, Size);
    QImage Picture;
    QString Error;
    if (!DecodePixelMessage(Message, PictureMaxSide, PictureMaxPixels, Picture, Error)) {
        Require(!Error.isEmpty(), "a refused pixel message gives no reason");
        return;
    }
    Require(PictureSizeAllowed(Picture.width(), Picture.height()),
            "a pixel message beyond the limits was read");
    Require(EncodePixelMessage(Picture) == Message, "a pixel message does not encode back to itself");
}

void FuzzSurfaceOps(const uint8_t* Data, size_t Size) {
    TScopedDialogs Quiet(SilentDialogs());
    TMyDraxa& S = FirstSurface();
    TByteReader R(Data, Size);
    for (int Step = 0; Step < 256 && !R.AtEnd(); ++Step) {
        const QString What = RunStep(S, R);
        RequireConsistent(S, QString("after step %1 (%2)").arg(Step).arg(What));
    }
    ExerciseDocument(S);
}

// ---- set-up and the list of targets ---------------------------------------------------

void FuzzSetUp(int* Argc, char*** Argv) {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's warnings about the broken input it is fed would bury the
    // fuzzer's own output.
    qInstallMessageHandler([](QtMsgType Type, const QMessageLogContext&, const QString& Message) {
        if (Type == QtFatalMsg) {
            std::fprintf(stderr, "Qt fatal: %s\n", Message.toLocal8Bit().constData());
            std::abort();
        }
    });
    static int FallbackArgc = 1;
    static char Name[] = "draxa-fuzz";
    static char* FallbackArgv[] = {Name, nullptr};
    new QApplication(Argc ? *Argc : FallbackArgc,
                     Argv ? *Argv : FallbackArgv); // lives as long as the process
}

const std::vector<TFuzzTarget>& FuzzTargets() {
    static const std::vector<TFuzzTarget> Targets{
        {"document", FuzzDocument},        {"document_use", FuzzDocumentUse},
        {"shape_record", FuzzShapeRecord}, {"bmp", FuzzBmp},
        {"picture_bmp", FuzzPictureBmp},   {"picture_ico", FuzzPictureIco},
        {"picture_jpeg", FuzzPictureJpeg}, {"picture_wmf", FuzzPictureWmf},
        {"picture_emf", FuzzPictureEmf},   {"picture_raster", FuzzPictureRaster},
        {"metafile_svg", FuzzMetafileSvg}, {"metafile_pixels", FuzzMetafilePixels},
        {"surface_ops", FuzzSurfaceOps},
    };
    return Targets;
}

const TFuzzTarget* FindFuzzTarget(const QString& Name) {
    for (const TFuzzTarget& T : FuzzTargets())
        if (Name == QLatin1String(T.Name)) return &T;
    return nullptr;
}

} // namespace draxa::fuzz
