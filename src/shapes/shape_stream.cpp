// TMyShape's record in a document stream: the common part every shape class
// writes before its own tail.
//
// Writers always produce the newest layout. Readers follow the format
// version of the document being read (the read context), because older
// documents lack later fields and store coordinates differently; a field the
// record does not hold keeps the shape's current value.
//
// Reading choices:
// - An unknown format tag fails the record (EReadError). Guessing a layout
//   would read every field after the first difference from the wrong offset
//   and hand back garbage without complaint.
// - An enumeration byte outside its range fails the record (EReadError naming
//   the field and the byte). In practice such a byte means the reader has lost
//   its place or the document is damaged; clamping would hide that and still
//   produce nonsense for the fields that follow.
// - A brush picture that is not a readable BMP is skipped: the size in front
//   of it tells exactly where the record goes on, so the drawing still loads,
//   and the brush takes the stored colour and style instead of the pattern.
//   A size that is negative or larger than the rest of the stream fails the
//   record, since then the reader cannot know where it is.
// - Every count is checked against the bytes left before anything is
//   allocated for it.
#include "foundation/bitmap.h"
#include "foundation/bmp_codec.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/shape.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

namespace draxa {

namespace {

// Which fields a record holds, by format tag.
struct TRecordLayout {
    bool HasPoints;      // "KW.2" stores point counts but no coordinates
    bool ExtendedCoords; // 10-byte reals for coordinates, the info anchor and the angle
    bool HasTagAndAngle;
    bool HasReserved;    // two unused Int32 after the font style
    bool HasLegacyBytes; // two unused bytes after the gradient style
    bool HasUserData;
    bool HasFlipsAndVisible;
    bool HasMultiInfo;
    bool HasLog;     // LogHeight, LogUse, LogWidth, Locked
    bool HasPenEnds; // end cap, join, HotShow, ResizeEnable, RotateEnable
};

TRecordLayout LayoutOf(TFormatVersion V) {
    using F = TFormatVersion;
    TRecordLayout L{};
    L.HasPoints = V != F::KW2;
    L.ExtendedCoords = V <= F::KW5;
    L.HasTagAndAngle = V >= F::KW3;
    L.HasReserved = V != F::KW7;
    L.HasLegacyBytes = V <= F::KW5;
    L.HasUserData = V >= F::KW8;
    L.HasFlipsAndVisible = V >= F::KW9;
    L.HasMultiInfo = V >= F::KWe;
    L.HasLog = V >= F::KWh;
    L.HasPenEnds = V >= F::KWj;
    return L;
}

// Number of values of each enumeration a record stores as a byte.
constexpr int BrushStyleCount = int(TBrushStyle::bsDiagCross) + 1;
constexpr int PenModeCount = int(TPenMode::pmNotXor) + 1;
constexpr int PenStyleCount = int(TPenStyle::psInsideFrame) + 1;
constexpr int FontPitchCount = int(TFontPitch::fpFixed) + 1;
constexpr int AlignmentCount = int(TAlignment::taCenter) + 1;
constexpr int EndCapCount = int(TPenStyleEndCapType::psectMASK) + 1;
constexpr int JoinCount = int(TPenStyleJoinType::psjtMASK) + 1;
static_assert(int(TGradientStyle::gsNone) + 1 == GradientStyleCount, "gsNone is the last gradient style");

template <typename E> void WriteEnum(TStream& S, E Value) {
    WriteByte(S, static_cast<uint8_t>(Value));
}

template <typename E> E ReadEnum(TStream& S, int Count, const char* What) {
    const uint8_t B = ReadByte(S);
    if (B >= Count)
        throw EReadError(std::string("Stream read error: ") + What + " " + std::to_string(B) +
                         " is out of range 0.." + std::to_string(Count - 1));
    return static_cast<E>(B);
}

void WriteColor(TStream& S, TColor C) {
    WriteInt32(S, static_cast<int32_t>(C));
}
TColor ReadColor(TStream& S) {
    return static_cast<TColor>(ReadInt32(S));
}

float ReadCoord(TStream& S, const TRecordLayout& L) {
    return L.ExtendedCoords ? ReadExtended(S) : ReadSingle(S);
}

TMyPoint ReadPoint(TStream& S, const TRecordLayout& L) {
    TMyPoint P;
    P.X = ReadCoord(S, L);
    P.Y = ReadCoord(S, L);
    return P;
}

// A point count followed by the points. Without stored coordinates the
// elements take no bytes, yet a count of two billion must not become two
// billion points: one byte per point is far below what the rest of any real
// record holds, so it bounds the count without refusing honest documents.
TArrMyPoint ReadPoints(TStream& S, const TRecordLayout& L, TDecodeBudget* Budget) {
    const int64_t ElementSize = !L.HasPoints ? 1 : L.ExtendedCoords ? 20 : 8;
    const int32_t N = ReadCount(S, ElementSize);
    // Every record of a document could repeat such a count, so the memory
    // is paid for from the document's decode budget as well.
    if (!L.HasPoints && Budget) Budget->Take(int64_t(N) * int64_t(sizeof(TMyPoint)), "a point list");
    TArrMyPoint Points(size_t(N), TMyPoint{});
    if (L.HasPoints)
        for (TMyPoint& P : Points) P = ReadPoint(S, L);
    return Points;
}

void WritePoints(TStream& S, const TArrMyPoint& Points) {
    WriteInt32(S, static_cast<int32_t>(Points.size()));
    for (const TMyPoint& P : Points) {
        WriteSingle(S, P.X);
        WriteSingle(S, P.Y);
    }
}

TMyShapeNo ReadIndexList(TStream& S) {
    const int32_t N = ReadCount(S, 4);
    TMyShapeNo List(size_t(N), 0);
    for (int& V : List) V = ReadInt32(S);
    return List;
}

void WriteIndexList(TStream& S, const TMyShapeNo& List) {
    WriteInt32(S, static_cast<int32_t>(List.size()));
    for (int V : List) WriteInt32(S, V);
}

// Silences the change notifications of a shape's pen, brush and font while
// its record is applied: the record describes this shape alone (its members
// come with records of their own), so nothing may be passed on to whatever
// shapes the member indices happen to name on the surface right now.
class TQuietAttributes {
public:
    TQuietAttributes(TPen& Pen, TBrush& Brush, TFont& Font)
        : FPen(Pen), FBrush(Brush), FFont(Font), FPenChange(std::exchange(Pen.OnChange, nullptr)),
          FBrushChange(std::exchange(Brush.OnChange, nullptr)),
          FFontChange(std::exchange(Font.OnChange, nullptr)) {}
    TQuietAttributes(const TQuietAttributes&) = delete;
    TQuietAttributes& operator=(const TQuietAttributes&) = delete;
    ~TQuietAttributes() {
        FPen.OnChange = std::move(FPenChange);
        FBrush.OnChange = std::move(FBrushChange);
        FFont.OnChange = std::move(FFontChange);
    }

private:
    TPen& FPen;
    TBrush& FBrush;
    TFont& FFont;
    std::function<void()> FPenChange, FBrushChange, FFontChange;
};

} // namespace

void TMyShape::SaveToStream(TStream& Stream, const TWriteContext&) {
    TStream& S = Stream;
    WriteCountedText(S, FName);
    WriteInt32(S, FShapeNo);
    WriteInt32(S, FIndex);
    WriteInt32(S, FLayerId);
    WriteInt32(S, FGroupIndex);
    WriteIndexList(S, FMembers);
    WriteIndexList(S, FLinkLines);
    WritePoints(S, FPoints);
    WritePoints(S, FLinkPoints);
    WriteSingle(S, FInfoPos.X);
    WriteSingle(S, FInfoPos.Y);
    WriteInt32(S, FTag);
    WriteSingle(S, FAngle);

    WritePictureBlock(S, FBrush.Bitmap());
    WriteColor(S, FBrush.Color());
    WriteEnum(S, FBrush.Style());
    WriteCountedText(S, FCaption);
    WriteColor(S, FColorBegin);
    WriteColor(S, FColorEnd);

    WriteCountedText(S, FFont.Name());
    WriteByte(S, FFont.Charset());
    WriteColor(S, FFont.Color());
    WriteInt32(S, FFont.Height());
    WriteInt32(S, FFont.Size());
    WriteEnum(S, FFont.Pitch());
    WriteInt32(S, FFont.PixelsPerInch());
    WriteByte(S, FFont.Style());
    WriteInt32(S, 0); // reserved
    WriteInt32(S, 0);

    WriteEnum(S, FGradientStyle);
    WriteCountedText(S, FInfo);
    WriteColor(S, FPen.Color());
    WriteEnum(S, FPen.Mode());
    WriteEnum(S, FPen.Style());
    WriteInt32(S, FPen.Width());

    WriteInt32(S, FUserData.Count());
    for (const TUserDataRecord& R : FUserData.Items()) {
        WriteCountedText(S, R.Key);
        WriteCountedText(S, R.Value);
    }
    WriteBoolean(S, FIsFlipHorz);
    WriteBoolean(S, FIsFlipVert);
    WriteBoolean(S, FVisible);
    WriteInt32(S, static_cast<int32_t>(FMultiInfo.size()));
    for (const QString& Line : FMultiInfo) WriteCountedText(S, Line);
    WriteEnum(S, FMultiInfoAlignment);
    WriteInt32(S, FLogHeight);
    WriteBoolean(S, FLogUse);
    WriteInt32(S, FLogWidth);
    WriteBoolean(S, FLocked);
    WriteEnum(S, FPenStyleEndCapType);
    WriteEnum(S, FPenStyleJoinType);
    WriteBoolean(S, FHotShow);
    WriteBoolean(S, FResizeEnable);
    WriteBoolean(S, FRotateEnable);
}

// Fields are applied as they are read, so a record that fails part way leaves
// the shape with what came before the failure; the document loader discards
// such a shape. Lists are read whole before they replace the shape's own.
void TMyShape::LoadFromStream(TStream& Stream, const TReadContext& Context) {
    TStream& S = Stream;
    const TRecordLayout L = LayoutOf(Context.Version);
    TQuietAttributes Quiet(FPen, FBrush, FFont);

    // Throws EComponentError for a name that is no identifier.
    SetName(ReadCountedText(S));
    SetShapeNo(ReadInt32(S));
    FIndex = ReadInt32(S);
    FLayerId = ReadInt32(S);
    FGroupIndex = ReadInt32(S);
    FMembers = ReadIndexList(S);
    FLinkLines = ReadIndexList(S);
    MutablePoints() = ReadPoints(S, L, Context.Budget);
    MutableLinkPoints() = ReadPoints(S, L, Context.Budget);
    // Every version stores the info anchor; "KW.2" as extended reals.
    // Kept within the pixel range of every other coordinate, so that the
    // texts laid out around it stay in integer range.
    const TMyPoint Info = ReadPoint(S, L);
    const auto Bounded = [](float V) {
        return std::isnan(V) ? 0.f : std::clamp(V, -float(PixelLimit), float(PixelLimit));
    };
    FInfoPos = TMyPoint{Bounded(Info.X), Bounded(Info.Y)};
    if (L.HasTagAndAngle) {
        SetTag(ReadInt32(S));
        SetAngleDirect(ReadCoord(S, L));
    }

    // A pattern picture replaces the brush's colour and style, which are read
    // all the same to stay in step.
    std::unique_ptr<TBitmap> Pattern = ReadPictureBlock(S);
    const TColor BrushColor = ReadColor(S);
    const auto BrushStyle = ReadEnum<TBrushStyle>(S, BrushStyleCount, "brush style");
    if (Pattern) {
        FBrush.SetBitmap(Pattern.get());
    } else {
        // No picture in the record means the brush had none: a pattern taken
        // over from the surface's brush would otherwise hide the stored fill.
        FBrush.SetBitmap(nullptr);
        // SetColor turns a clear brush solid, so the style comes second.
        FBrush.SetColor(BrushColor);
        FBrush.SetStyle(BrushStyle);
    }
    FCaption = ReadCountedText(S);
    FColorBegin = ReadColor(S);
    FColorEnd = ReadColor(S);

    FFont.SetName(ReadCountedText(S));
    FFont.SetCharset(ReadByte(S));
    FFont.SetColor(ReadColor(S));
    const int32_t FontHeight = ReadInt32(S);
    const int32_t FontSize = ReadInt32(S);
    const auto FontPitch = ReadEnum<TFontPitch>(S, FontPitchCount, "font pitch");
    const int32_t FontPixelsPerInch = ReadInt32(S);
    const TFontStyles FontStyle = ReadByte(S);
    // The resolution goes in first so that the size converts to pixels at the
    // resolution it was written with; the height is set before the size, and
    // the size decides. A height that already gives the stored size is kept as
    // written: going through the size would round it again, and 2 pixels at
    // 96 dpi (size 2) would come back as 3. (SetPixelsPerInch ignores values <= 0.)
    FFont.SetPixelsPerInch(FontPixelsPerInch);
    FFont.SetHeight(FontHeight);
    if (FFont.Size() != FontSize) FFont.SetSize(FontSize);
    FFont.SetPitch(FontPitch);
    FFont.SetStyle(FontStyle); // unknown style bits are dropped by the font
    if (L.HasReserved) {
        ReadInt32(S);
        ReadInt32(S);
    }

    // Stored without the setter's side effects (no propagation, no mirroring:
    // the flips, if any, come later and only set their flags).
    SetGradientDirect(FColorBegin, FColorEnd,
                      ReadEnum<TGradientStyle>(S, GradientStyleCount, "gradient style"));
    RebuildGradient();
    if (L.HasLegacyBytes) {
        ReadByte(S);
        ReadByte(S);
    }
    SetInfo(ReadCountedText(S));
    FPen.SetColor(ReadColor(S));
    FPen.SetMode(ReadEnum<TPenMode>(S, PenModeCount, "pen mode"));
    FPen.SetStyle(ReadEnum<TPenStyle>(S, PenStyleCount, "pen style"));
    FPen.SetWidth(ReadInt32(S));

    if (L.HasUserData) {
        // Each pair holds at least its two lengths. A repeated key keeps its
        // first value, as adding it by hand would.
        const int32_t N = ReadCount(S, 8);
        TUserData Data;
        for (int32_t I = 0; I < N; ++I) {
            const QString Key = ReadCountedText(S);
            Data.Add(Key, ReadCountedText(S));
        }
        FUserData.Assign(Data);
    }
    if (L.HasFlipsAndVisible) {
        const bool Horz = ReadBoolean(S);
        const bool Vert = ReadBoolean(S);
        SetFlipDirect(Horz, Vert);
        SetVisible(ReadBoolean(S));
    }
    if (L.HasMultiInfo) {
        const int32_t N = ReadCount(S, 4);
        QStringList Lines;
        Lines.reserve(N);
        for (int32_t I = 0; I < N; ++I) Lines.append(ReadCountedText(S));
        FMultiInfo = Lines;
        Changed(TShapeChange::Appearance);
        SetMultiInfoAlignment(ReadEnum<TAlignment>(S, AlignmentCount, "info alignment"));
    }
    if (L.HasLog) {
        SetLogHeight(ReadInt32(S));
        SetLogUse(ReadBoolean(S));
        SetLogWidth(ReadInt32(S));
        // Directly: the members have records of their own.
        SetLockedDirect(ReadBoolean(S));
    }
    if (L.HasPenEnds) {
        SetPenStyleEndCapType(ReadEnum<TPenStyleEndCapType>(S, EndCapCount, "end cap"));
        SetPenStyleJoinType(ReadEnum<TPenStyleJoinType>(S, JoinCount, "line join"));
        SetHotShow(ReadBoolean(S));
        SetResizeEnable(ReadBoolean(S));
        SetRotateEnable(ReadBoolean(S));
    }
}

} // namespace draxa
