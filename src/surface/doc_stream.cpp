// The document format: a whole drawing written to and read from a stream.
//
// Loading never trusts the stream: counts are checked against the bytes
// left before anything is allocated, the control size is bounded, and a
// document that fails half way leaves the surface exactly as it was before
// the load (the previous drawing is kept aside and put back).
#include "surface/draxa.h"

#include "foundation/bitmap.h"
#include "foundation/bmp_codec.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"

#include <memory>

namespace draxa {

namespace {

const QString kMaker = QStringLiteral("Quorrin Softworks");
const QString kProduct = QStringLiteral("TDraxa drawing components for Windows");
const QString kWrittenVersion = QStringLiteral("KW.j");
const QString kDate = QStringLiteral("20091209");

// Largest control a document may ask for: big enough for an A0 page at a
// generous zoom, small enough that the screen image stays affordable.
constexpr int32_t kMaxControlSide = 16384;
constexpr int64_t kMaxControlPixels = int64_t(64) << 20;

// Versions whose surface block carries the tag and the user data.
bool HasSurfaceTagAndUserData(const QString& Version) {
    return Version == QLatin1String("KW.h") || Version == QLatin1String("KW.i") || Version == QLatin1String("KW.j");
}

bool IsKnownVersion(const QString& V) {
    static const QStringList Known{"KW.2", "KW.3", "KW.4", "KW.5", "KW.6", "KW.7", "KW.8",
                                   "KW.9", "KW.a", "KW.e", "KW.h", "KW.i", "KW.j"};
    return Known.contains(V);
}

}  // namespace

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
        WriteFixedText(Stream, kWrittenVersion, 16);
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
        // Shapes write their records in the newest layout.
        const QString Reading = FFileVersion;
        FFileVersion = kWrittenVersion;
        struct Restore {
            QString& V;
            QString Old;
            ~Restore() { V = Old; }
        } KeepVersion{FFileVersion, Reading};
        for (TMyShape* S : FShapes) {
            WriteFixedText(Stream, S->ClassName(), 16);
            S->SaveToStream(Stream);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TMyDraxa::LoadFromStream(TStream& Stream) {
    // Keep the drawing as it is, so a document that fails half way can be
    // undone completely instead of leaving a partial drawing behind.
    TMemoryStream Previous;
    if (!SaveToStream(Previous)) Previous.Clear();
    const double PreviousZoom = FZoom;
    const QString PreviousVersion = FFileVersion;
    std::vector<TSavedShape> PreviousUndo = std::move(FUndo);
    FUndo.clear();

    const bool Ok = ReadDocument(Stream);
    if (Ok) return true;

    // Put the previous drawing back, history and zoom included.
    if (Previous.Size() > 0) {
        Previous.SetPosition(0);
        ReadDocument(Previous);
    }
    FFileVersion = PreviousVersion;
    FUndo = std::move(PreviousUndo);
    SetZoom(PreviousZoom);
    return false;
}

bool TMyDraxa::ReadDocument(TStream& Stream) {
    FLoading = true;
    struct EndLoading {
        bool& Flag;
        ~EndLoading() { Flag = false; }
    } Guard{FLoading};

    FZoom = 1.0;
    int MaxShapeNo = 0, MaxLayerId = 0;
    UnselectAllAndRepaint();
    UnselectAll();
    Clear();
    FLayers.clear();

    std::vector<std::unique_ptr<TMyShape>> Loaded;
    try {
        Stream.SetPosition(0);
        ReadFixedText(Stream, 64);  // maker
        ReadFixedText(Stream, 64);  // product
        const QString Version = ReadFixedText(Stream, 16);
        if (!IsKnownVersion(Version))
            throw EReadError(QString("Unknown document format \"%1\"").arg(Version).toStdString());
        FFileVersion = Version;
        ReadFixedText(Stream, 10);  // date
        RequireBytes(Stream, 64);
        Stream.SetPosition(Stream.Position() + 64);

        FColorOfBackGround = TColor(ReadInt32(Stream));
        const int32_t W = ReadInt32(Stream);
        const int32_t H = ReadInt32(Stream);
        if (W < 0 || H < 0 || W > kMaxControlSide || H > kMaxControlSide || int64_t(W) * H > kMaxControlPixels)
            throw EReadError(QString("Document size %1 x %2 is out of range").arg(W).arg(H).toStdString());
        const uint8_t Unit = ReadByte(Stream);
        if (Unit > uint8_t(TUnits::inch))
            throw EReadError(QString("Unknown unit %1").arg(Unit).toStdString());
        FTheUNIT = TUnits(Unit);
        // The new size makes Resize recompute the page from it.
        SetBounds(x(), y(), W, H);
        std::unique_ptr<TBitmap> Picture = ReadPictureBlock(Stream);
        if (Picture) {
            SetBkBitmap(*Picture);
            Canvas().StretchDraw(TRect{0, 0, Width(), Height()}, *FBkBitmap);
        } else {
            FBkBitmap->SetSize(0, 0);
        }
        const uint8_t Mode = uint8_t(ReadInt32(Stream) & 0xFF);
        FBkBitmapMode = Mode <= uint8_t(TBkBitmapMode::LeftTop) ? TBkBitmapMode(Mode) : TBkBitmapMode::Center;
        FRatio = ReadDouble(Stream);

        if (HasSurfaceTagAndUserData(FFileVersion)) {
            FTag = ReadInt32(Stream);
            const int32_t Pairs = ReadCount(Stream, 8);
            for (int32_t I = 0; I < Pairs; ++I) {
                const QString Key = ReadCountedText(Stream);
                const QString Value = ReadCountedText(Stream);
                FUserData.Add(Key, Value);
            }
        }

        const int32_t Layers = ReadCount(Stream, 12);
        for (int32_t I = 0; I < Layers; ++I) {
            LayerRec L;
            L.Name = ReadCountedText(Stream);
            L.Id = ReadInt32(Stream);
            L.Visible = ReadInt32(Stream) == 1;
            MaxLayerId = std::max(MaxLayerId, L.Id);
            FLayers.push_back(L);
        }
        FCurrentLayer = ReadInt32(Stream);

        const int32_t Count = ReadCount(Stream, 16);
        Loaded.reserve(size_t(Count));
        for (int32_t I = 0; I < Count; ++I) {
            const QString ClassName = ReadFixedText(Stream, 16);
            std::unique_ptr<TMyShape> Shape(CreateShapeByClassName(ClassName));
            if (!Shape)
                throw EReadError(QString("Unknown shape class \"%1\"").arg(ClassName).toStdString());
            Shape->LoadFromStream(Stream);
            if (Shape->PointCount() > 0) Shape->SetRotateCenter(Shape->GetCorner(4));
            MaxShapeNo = std::max(MaxShapeNo, Shape->ShapeNo());
            Loaded.push_back(std::move(Shape));
        }
        // Cross references are list indices: they must name shapes of this document.
        for (const auto& S : Loaded) {
            const int N = int(Loaded.size());
            auto Valid = [N](int I) { return I >= -1 && I < N; };
            if (!Valid(S->GroupIndex())) throw EReadError("A shape names a group that does not exist");
            for (int M : S->Members())
                if (M < 0 || M >= N) throw EReadError("A group names a member that does not exist");
            for (int L : S->LinkLines())
                if (L < 0 || L >= N) throw EReadError("A shape names a connector that does not exist");
        }
    } catch (const std::exception&) {
        return false;
    }

    // Everything was read: the document takes the shapes.
    for (auto& S : Loaded) {
        FShapes.push_back(S.release());
        FShapes.back()->SetIndex(ShapeCount() - 1);
    }
    FNextShapeNo = MaxShapeNo + 1;
    FNextLayerId = MaxLayerId + 1;
    Invalidate();
    ClearUndo();
    return true;
}

}  // namespace draxa
