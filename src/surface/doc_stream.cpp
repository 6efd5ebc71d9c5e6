// The document format: a whole drawing written to and read from a stream.
//
// Loading never trusts the stream: counts are checked against the bytes
// left before anything is allocated, pictures are paid for from one decode
// budget, the control size and the cross references are checked, and a
// document that fails anywhere leaves the surface exactly as it was before
// the load: nothing is taken until all of it has been read.
#include "surface/draxa.h"

#include "foundation/bitmap.h"
#include "foundation/bmp_codec.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/link_line.h"
#include "shapes/record_context.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

namespace draxa {

namespace {

const QString kMaker = QStringLiteral("Quorrin Softworks");
const QString kProduct = QStringLiteral("TDraxa drawing components for Windows");
const QString kDate = QStringLiteral("20091209");

// Largest control a document may ask for (its size at zoom 1): a side of
// 16384 pixels is 4.3 m at 96 dpi, beyond any page. The area is bounded so
// that the screen image and the off-screen bitmap stay near 110 MiB; an A0
// page is 14.3 million pixels.
constexpr int32_t kMaxControlSide = 16384;
constexpr int64_t kMaxControlPixels = PictureMaxPixels;

// A larger area than the limit (a huge custom page) still loads the drawing,
// on the largest control of the same proportions the limit allows.
void FitControlArea(int32_t& W, int32_t& H) {
    if (int64_t(W) * H <= kMaxControlPixels) return;
    const double Scale = std::sqrt(double(kMaxControlPixels) / (double(W) * H));
    W = std::max(1, int(std::floor(W * Scale)));
    H = std::max(1, int(std::floor(H * Scale)));
}

// Versions whose surface block carries the tag and the user data.
bool HasSurfaceTagAndUserData(TFormatVersion Version) {
    return Version >= TFormatVersion::KWh;
}

// A document whose cross references do not hold together (see
// CrossReferenceFault) was not written by a surface; taking it would let a
// later deletion point indices at the wrong shapes, so it is refused.
void CheckCrossReferences(const std::vector<std::unique_ptr<TMyShape>>& Shapes) {
    std::vector<const TMyShape*> List;
    List.reserve(Shapes.size());
    for (const auto& S : Shapes) List.push_back(S.get());
    const QString Fault = CrossReferenceFault(List);
    if (!Fault.isEmpty()) throw EReadError(Fault.toStdString());
}

} // namespace

bool TMyDraxa::IsDocumentFile(const QString& FileName) {
    TFileStream File(FileName, fmOpenRead);
    return ReadFixedText(File, 64) == kMaker;
}

bool TMyDraxa::LoadFromFile(const QString& FileName) {
    try {
        if (!IsDocumentFile(FileName)) return false;
        TFileStream File(FileName, fmOpenRead);
        return LoadFromStream(File);
    } catch (const EStreamError&) {
        return false;
    }
}

bool TMyDraxa::SaveToStream(TStream& Stream) {
    try {
        WriteFixedText(Stream, kMaker, 64);
        WriteFixedText(Stream, kProduct, 64);
        const TWriteContext Context;
        WriteFixedText(Stream, FormatTag(Context.Version), 16);
        WriteFixedText(Stream, kDate, 10);
        const QByteArray Reserved = QByteArray(63, ' ') + QByteArray(1, '\0');
        Stream.WriteBuffer(Reserved.constData(), Reserved.size());

        WriteInt32(Stream, int32_t(FColorOfBackGround));
        WriteInt32(Stream, RoundHalfEven(Width() / FZoom));
        WriteInt32(Stream, RoundHalfEven(Height() / FZoom));
        WriteByte(Stream, uint8_t(FTheUNIT));
        WritePictureBlock(Stream, FBkBitmap.get());
        WriteInt32(Stream, int32_t(FBkBitmapMode));
        WriteDouble(Stream, FRatio);

        WriteInt32(Stream, FTag);
        WriteInt32(Stream, FUserData.Count());
        for (const TUserDataRecord& R : FUserData.Items()) {
            WriteCountedText(Stream, R.Key);
            WriteCountedText(Stream, R.Value);
        }

        WriteInt32(Stream, int32_t(FLayers.size()));
        for (const LayerRec& L : FLayers) {
            WriteCountedText(Stream, L.Name);
            WriteInt32(Stream, L.Id);
            WriteInt32(Stream, L.Visible ? 1 : 0);
        }
        WriteInt32(Stream, FCurrentLayer);

        WriteInt32(Stream, ShapeCount());
        for (TMyShape* S : FShapes) {
            WriteFixedText(Stream, S->ClassName(), 16);
            S->SaveToStream(Stream, Context);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TMyDraxa::LoadFromStream(TStream& Stream) {
    const double Zoom = FZoom;
    if (!ReadDocument(Stream)) return false;
    if (FZoom != Zoom) emit zoomChanged(FZoom);
    return true;
}

// The whole document is read and checked before the surface takes any of it,
// so a document that fails anywhere leaves the drawing, its selection, zoom
// and history exactly as they were. Only what the shape records consult while
// they are read is in the read context; only the loading flag is set on the
// surface while the read goes on.
bool TMyDraxa::ReadDocument(TStream& Stream) {
    FLoading = true;
    struct EndLoading {
        bool& Flag;
        ~EndLoading() { Flag = false; }
    } Guard{FLoading};
    // Pictures and bodiless point lists are paid for from one budget, so that
    // no document decodes into more memory than it may, however it is made.
    TDecodeBudget Budget;
    TReadContext Context;
    Context.Budget = &Budget;

    TColor Background = 0;
    int32_t W = 0, H = 0;
    TUnits Unit = TUnits::mm;
    std::unique_ptr<TBitmap> Picture;
    TBkBitmapMode PictureMode = TBkBitmapMode::Center;
    double Ratio = 1.0;
    bool HasTag = false;
    int32_t Tag = 0;
    TArrUserDataRecord Pairs;
    std::vector<LayerRec> Layers;
    int32_t CurrentLayer = -1;
    std::vector<std::unique_ptr<TMyShape>> Loaded;
    int64_t MaxShapeNo = 0, MaxLayerId = 0;
    try {
        Stream.SetPosition(0);
        ReadFixedText(Stream, 64); // maker
        ReadFixedText(Stream, 64); // product
        const QString Version = ReadFixedText(Stream, 16);
        if (!FormatVersionOfTag(Version, Context.Version))
            throw EReadError(QString("Unknown document format \"%1\"").arg(Version).toStdString());
        ReadFixedText(Stream, 10); // date
        RequireBytes(Stream, 64);
        Stream.SetPosition(Stream.Position() + 64);

        Background = TColor(ReadInt32(Stream));
        W = ReadInt32(Stream);
        H = ReadInt32(Stream);
        if (W < 0 || H < 0 || W > kMaxControlSide || H > kMaxControlSide)
            throw EReadError(QString("Document size %1 x %2 is out of range").arg(W).arg(H).toStdString());
        FitControlArea(W, H);
        const uint8_t UnitByte = ReadByte(Stream);
        if (UnitByte > uint8_t(TUnits::inch))
            throw EReadError(QString("Unknown unit %1").arg(UnitByte).toStdString());
        Unit = TUnits(UnitByte);
        Picture = ReadPictureBlock(Stream);
        // Made 24-bit now, as the background takes it, so taking it cannot fail later.
        if (Picture) Picture->SetPixelFormat(TPixelFormat::pf24bit);
        const uint8_t Mode = uint8_t(ReadInt32(Stream) & 0xFF);
        PictureMode = Mode <= uint8_t(TBkBitmapMode::LeftTop) ? TBkBitmapMode(Mode) : TBkBitmapMode::Center;
        Ratio = ReadDouble(Stream);

        if (HasSurfaceTagAndUserData(Context.Version)) {
            HasTag = true;
            Tag = ReadInt32(Stream);
            const int32_t N = ReadCount(Stream, 8);
            Pairs.reserve(size_t(N));
            for (int32_t I = 0; I < N; ++I) {
                const QString Key = ReadCountedText(Stream);
                Pairs.push_back(TUserDataRecord{Key, ReadCountedText(Stream)});
            }
        }

        const int32_t LayerCount = ReadCount(Stream, 12);
        Layers.reserve(size_t(LayerCount));
        for (int32_t I = 0; I < LayerCount; ++I) {
            LayerRec L;
            L.Name = ReadCountedText(Stream);
            L.Id = ReadInt32(Stream);
            L.Visible = ReadInt32(Stream) == 1;
            MaxLayerId = std::max<int64_t>(MaxLayerId, L.Id);
            Layers.push_back(L);
        }
        CurrentLayer = ReadInt32(Stream);

        // Each shape takes at least its 16-byte class name.
        const int32_t Count = ReadCount(Stream, 16);
        Loaded.reserve(size_t(Count));
        for (int32_t I = 0; I < Count; ++I) {
            const QString ClassName = ReadFixedText(Stream, 16);
            std::unique_ptr<TMyShape> Shape(CreateShapeByClassName(ClassName));
            if (!Shape) throw EReadError(QString("Unknown shape class \"%1\"").arg(ClassName).toStdString());
            Shape->LoadFromStream(Stream, Context);
            if (Shape->PointCount() > 0) Shape->SetRotateCenter(Shape->GetCorner(4));
            MaxShapeNo = std::max<int64_t>(MaxShapeNo, Shape->ShapeNo());
            Loaded.push_back(std::move(Shape));
        }
        // The next number and layer id must still be numbers.
        if (MaxShapeNo >= INT32_MAX || MaxLayerId >= INT32_MAX)
            throw EReadError("A shape number or layer id leaves no room for the next one");
        CheckCrossReferences(Loaded);
    } catch (const std::exception&) {
        return false;
    }

    // Everything was read: the surface takes the document.
    FFileVersion = FormatTag(Context.Version);
    // Documents are read at zoom 1 and shown at it.
    FZoom = 1.0;
    UnselectAllAndRepaint();
    UnselectAll();
    Clear();
    FLayers = std::move(Layers);
    FColorOfBackGround = Background;
    FTheUNIT = Unit;
    // The new size makes Resize recompute the page from it.
    SetBounds(x(), y(), W, H);
    if (Picture) {
        SetBkBitmap(*Picture);
        Canvas().StretchDraw(TRect{0, 0, Width(), Height()}, *FBkBitmap);
    } else {
        FBkBitmap->SetSize(0, 0);
    }
    FBkBitmapMode = PictureMode;
    FRatio = Ratio;
    if (HasTag) FTag = Tag;
    // A key the surface already holds keeps its value.
    for (const TUserDataRecord& R : Pairs) FUserData.Add(R.Key, R.Value);
    FCurrentLayer = CurrentLayer;
    for (auto& S : Loaded) {
        FShapes.push_back(S.release());
        FShapeIndex.Forget();
        FNumbers.Forget();
        FShapes.back()->SetIndex(ShapeCount() - 1);
    }
    FNextShapeNo = int(MaxShapeNo) + 1;
    FNextLayerId = int(MaxLayerId) + 1;
    Invalidate();
    ClearUndo();
    return true;
}

} // namespace draxa

namespace draxa {

TReadContext TMyDraxa::RecordReadContext() const {
    TReadContext Context;
    if (!FormatVersionOfTag(FFileVersion, Context.Version))
        throw EReadError("Stream read error: unknown format version '" + FFileVersion.toStdString() +
                         "' in a shape record");
    Context.Zoom = FZoom;
    Context.Budget = TDecodeBudget::Current();
    return Context;
}

} // namespace draxa
