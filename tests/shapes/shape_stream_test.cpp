// The common shape record: what the writer produces, what the readers of every
// format version accept, and how damaged or hostile records fail.
#include "foundation/bitmap.h"
#include "foundation/gradient.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/rectangle.h"
#include "surface/draxa.h"

#include "common/document_io.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>

using namespace draxa;
using namespace draxa::testing;

namespace {

// Builds record bytes field by field.
class TRecordBytes {
public:
    TRecordBytes& I32(int32_t V) {
        return Do([&] { WriteInt32(FS, V); });
    }
    TRecordBytes& I64(int64_t V) {
        return Do([&] { WriteInt64(FS, V); });
    }
    TRecordBytes& Byte(uint8_t V) {
        return Do([&] { WriteByte(FS, V); });
    }
    TRecordBytes& Single(float V) {
        return Do([&] { WriteSingle(FS, V); });
    }
    TRecordBytes& Ext(double V) {
        return Do([&] { WriteExtended(FS, V); });
    }
    // Counted text of the given raw bytes.
    TRecordBytes& Text(const QByteArray& Raw) { return I32(int32_t(Raw.size())).Raw(Raw); }
    TRecordBytes& Raw(const QByteArray& Raw) {
        return Do([&] { FS.WriteBuffer(Raw.constData(), Raw.size()); });
    }
    QByteArray Bytes() const { return FS.ToByteArray(); }

private:
    TRecordBytes& Do(const std::function<void()>& F) {
        F();
        return *this;
    }
    TMemoryStream FS;
};

// Marks the end of a hand-built record, to see that the reader stops before it.
constexpr int32_t Sentinel = 0x5EB71E1;

// Reads Bytes into Shape as a record of a document tagged Tag; returns the
// position the reader stopped at.
int64_t LoadInto(TMyShape& Shape, const QByteArray& Bytes, const QString& Tag = "KW.j") {
    dynamic_cast<TMyDraxa&>(*Shape.Host()).SetFileVersion(Tag);
    TMemoryStream S(Bytes);
    Shape.LoadFromStream(S);
    return S.Position();
}

QByteArray Patched(QByteArray Bytes, int Offset, const QByteArray& With, int Replaced) {
    return Bytes.replace(Offset, Replaced, With);
}
QByteArray Int32Bytes(int32_t V) {
    return TRecordBytes().I32(V).Bytes();
}

// A shape whose record has no variable parts, so every field sits at a fixed
// offset (see MinimalRecordLayout).
std::unique_ptr<TMyRectangle> Unnamed(TMyDraxa& Surface) {
    auto S = std::make_unique<TMyRectangle>(&Surface);
    S->Font().SetName("");
    return S;
}
constexpr int PointCountAt = 28, PictureAt = 52, UserDataCountAt = 123, MinimalSize = 150;

std::unique_ptr<TBitmap> MakePattern() {
    auto B = std::make_unique<TBitmap>(3, 2);
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 9; ++X) B->ScanLine(Y)[X] = uint8_t(20 * Y + 7 * X + 1);
    return B;
}

QByteArray BmpBytes(const TBitmap& B) {
    TMemoryStream S;
    B.SaveToStream(S);
    return S.ToByteArray();
}

// Brush, caption, gradient, font and pen fields of the hand-built old records.
void AppendAttributes(TRecordBytes& R, const QByteArray& Caption, bool Reserved, bool LegacyBytes) {
    R.I64(0).I32(0x336699).Byte(6).Text(Caption).I32(0x0000FF).I32(0x00FF00);
    R.Text("Courier New").Byte(0).I32(0x123456).I32(-16).I32(12).Byte(2).I32(96).Byte(fsBold | fsUnderline);
    if (Reserved) R.I32(0).I32(0);
    R.Byte(uint8_t(TGradientStyle::gsLinearV));
    if (LegacyBytes) R.Byte(7).Byte(9);
    R.Text("12.5 mm").I32(0x0000FF).Byte(uint8_t(TPenMode::pmXor)).Byte(uint8_t(TPenStyle::psDot)).I32(3);
}

void ExpectAttributes(const TMyShape& S) {
    EXPECT_EQ(S.Brush().Color(), 0x336699u);
    EXPECT_EQ(S.Brush().Style(), TBrushStyle::bsCross);
    EXPECT_EQ(S.ColorBegin(), 0x0000FFu);
    EXPECT_EQ(S.ColorEnd(), 0x00FF00u);
    EXPECT_EQ(S.Font().Name(), "Courier New");
    EXPECT_EQ(S.Font().Charset(), 0);
    EXPECT_EQ(S.Font().Color(), 0x123456u);
    EXPECT_EQ(S.Font().Size(), 12);
    EXPECT_EQ(S.Font().Pitch(), TFontPitch::fpFixed);
    EXPECT_EQ(S.Font().Style(), fsBold | fsUnderline);
    EXPECT_EQ(S.GradientStyle(), TGradientStyle::gsLinearV);
    EXPECT_FALSE(S.GradientBitmap().Empty());
    EXPECT_EQ(S.Info(), "12.5 mm");
    EXPECT_EQ(S.Pen().Color(), 0x0000FFu);
    EXPECT_EQ(S.Pen().Mode(), TPenMode::pmXor);
    EXPECT_EQ(S.Pen().Style(), TPenStyle::psDot);
    EXPECT_EQ(S.Pen().Width(), 3);
}

// What an old record leaves at the constructor's values.
void ExpectNewerFieldsUntouched(const TMyShape& S) {
    EXPECT_TRUE(S.Visible());
    EXPECT_FALSE(S.IsFlipHorz());
    EXPECT_FALSE(S.IsFlipVert());
    EXPECT_EQ(S.UserData().Count(), 0);
    EXPECT_TRUE(S.MultiInfo().isEmpty());
    EXPECT_EQ(S.LogHeight(), 10);
    EXPECT_FALSE(S.Locked());
}

} // namespace

TEST(ShapeRecord, MinimalRecordLayout) {
    TMyDraxa Surface;
    auto S = Unnamed(Surface);
    S->SetInfoPos(MyPoint(1.5f, -2.0f));
    S->SetTag(77);
    const QByteArray B = Save(*S);
    ASSERT_EQ(B.size(), MinimalSize);
    // Both counts are zero and the info anchor follows at once.
    EXPECT_EQ(B.mid(PointCountAt, 8), QByteArray(8, '\0'));
    TMemoryStream R(B.mid(PointCountAt + 8));
    EXPECT_EQ(ReadSingle(R), 1.5f);
    EXPECT_EQ(ReadSingle(R), -2.0f);
    EXPECT_EQ(ReadInt32(R), 77);
}

// Every field of the newest layout comes back, with and without a pattern
// (which takes the place of the brush's colour and style).
TEST(ShapeRecord, RoundTripReproducesEveryField) {
    for (const bool WithPattern : {false, true}) {
        SCOPED_TRACE(WithPattern ? "pattern" : "colour and style");
        TMyDraxa Surface;
        TMyRectangle A(&Surface);
        A.SetName("Frame_12");
        A.SetShapeNo(12);
        A.SetIndex(3);
        A.SetLayerId(2);
        A.SetGroupIndex(9);
        A.MembersRef() = {4, 1, 7};
        A.LinkLinesRef() = {5};
        for (const TMyPoint& P : {MyPoint(1.25f, 2.5f), MyPoint(-3.75f, 1e6f), MyPoint(0.1f, 0.2f)})
            A.AddScreenPoint(P);
        A.SetInfoPos(MyPoint(8.5f, -9.25f));
        A.SetTag(-41);
        A.SetAngleDirect(1.0471976f);
        auto Pattern = MakePattern();
        if (WithPattern) A.Brush().SetBitmap(Pattern.get());
        A.Brush().SetColor(0x00AA5500);
        A.Brush().SetStyle(TBrushStyle::bsClear); // keeps its colour while unfilled
        A.SetCaption("Main frame");
        A.SetGradientDirect(0x00102030, 0x00C0B0A0, TGradientStyle::gsDiamond);
        A.Font().SetName("DejaVu Sans");
        A.Font().SetCharset(238);
        A.Font().SetColor(clNavy);
        A.Font().SetPixelsPerInch(120);
        A.Font().SetSize(12);
        A.Font().SetPitch(TFontPitch::fpVariable);
        A.Font().SetStyle(fsItalic | fsStrikeOut);
        A.SetInfo("Area 12 cm2");
        A.Pen().SetColor(clMaroon);
        A.Pen().SetMode(TPenMode::pmNotXor);
        A.Pen().SetStyle(TPenStyle::psDashDotDot);
        A.Pen().SetWidth(5);
        A.UserData().Add("owner", "kim");
        A.UserData().Add("rev", "");
        A.SetFlipDirect(true, false);
        A.SetVisible(false);
        A.SetMultiInfo({"line one", "", "line three"});
        A.SetMultiInfoAlignment(TAlignment::taRightJustify);
        A.SetLogHeight(33);
        A.SetLogUse(true);
        A.SetLogWidth(-4);
        A.SetLockedDirect(true);
        A.SetPenStyleEndCapType(TPenStyleEndCapType::psectSQUARE);
        A.SetPenStyleJoinType(TPenStyleJoinType::psjtBEVEL);
        A.SetHotShow(false);
        A.SetResizeEnable(false);
        A.SetRotateEnable(false);
        const QByteArray Bytes = Save(A);

        TMyRectangle B(&Surface);
        EXPECT_EQ(LoadInto(B, Bytes), Bytes.size());
        EXPECT_EQ(B.Name(), "Frame_12");
        EXPECT_EQ(B.ShapeNo(), 12);
        EXPECT_EQ(B.Index(), 3);
        EXPECT_EQ(B.LayerId(), 2);
        EXPECT_EQ(B.GroupIndex(), 9);
        EXPECT_EQ(B.Members(), A.Members());
        EXPECT_EQ(B.LinkLines(), A.LinkLines());
        EXPECT_EQ(B.Points(), A.Points());
        EXPECT_EQ(B.LinkPointCount(), 0);
        EXPECT_EQ(B.InfoPos().X, 8.5f);
        EXPECT_EQ(B.InfoPos().Y, -9.25f);
        EXPECT_EQ(B.Tag(), -41);
        EXPECT_EQ(B.Angle(), A.Angle());
        if (WithPattern) {
            ASSERT_NE(B.Brush().Bitmap(), nullptr);
            EXPECT_EQ(B.Brush().Bitmap()->Image(), Pattern->Image());
        } else {
            EXPECT_EQ(B.Brush().Bitmap(), nullptr);
            EXPECT_EQ(B.Brush().Color(), 0x00AA5500u);
            EXPECT_EQ(B.Brush().Style(), TBrushStyle::bsClear);
        }
        EXPECT_EQ(B.Caption(), "Main frame");
        EXPECT_EQ(B.ColorBegin(), 0x00102030u);
        EXPECT_EQ(B.ColorEnd(), 0x00C0B0A0u);
        EXPECT_EQ(B.GradientStyle(), TGradientStyle::gsDiamond);
        // Rebuilt from the stored colours, not mirrored by the stored flip.
        TBitmap Gradient;
        RebuildGradientImage(0x00102030, 0x00C0B0A0, TGradientStyle::gsDiamond, Gradient);
        EXPECT_EQ(B.GradientBitmap().Image(), Gradient.Image());
        EXPECT_EQ(B.Font().Name(), "DejaVu Sans");
        EXPECT_EQ(B.Font().Charset(), 238);
        EXPECT_EQ(B.Font().Color(), clNavy);
        EXPECT_EQ(B.Font().PixelsPerInch(), 120);
        EXPECT_EQ(B.Font().Size(), 12);
        EXPECT_EQ(B.Font().Height(), A.Font().Height());
        EXPECT_EQ(B.Font().Pitch(), TFontPitch::fpVariable);
        EXPECT_EQ(B.Font().Style(), fsItalic | fsStrikeOut);
        EXPECT_EQ(B.Info(), "Area 12 cm2");
        EXPECT_TRUE(B.Pen() == A.Pen());
        ASSERT_EQ(B.UserData().Count(), 2);
        EXPECT_EQ(B.UserData().Value("owner"), "kim");
        EXPECT_EQ(B.UserData().Items()[1].Key, "rev");
        EXPECT_TRUE(B.IsFlipHorz());
        EXPECT_FALSE(B.IsFlipVert());
        EXPECT_FALSE(B.Visible());
        EXPECT_EQ(B.MultiInfo(), A.MultiInfo());
        EXPECT_EQ(B.MultiInfoAlignment(), TAlignment::taRightJustify);
        EXPECT_EQ(B.LogHeight(), 33);
        EXPECT_TRUE(B.LogUse());
        EXPECT_EQ(B.LogWidth(), -4);
        EXPECT_TRUE(B.Locked());
        EXPECT_EQ(B.PenStyleEndCapType(), TPenStyleEndCapType::psectSQUARE);
        EXPECT_EQ(B.PenStyleJoinType(), TPenStyleJoinType::psjtBEVEL);
        EXPECT_FALSE(B.HotShow());
        EXPECT_FALSE(B.ResizeEnable());
        EXPECT_FALSE(B.RotateEnable());
        // Written again, the copy gives the same bytes (with a pattern, the
        // brush colour and style were not taken over).
        if (!WithPattern) {
            EXPECT_EQ(Save(B), Bytes);
        }
    }
}

// Texts travel as UTF-8, cut to 255 bytes at a character boundary; the
// reader stays in step after a cut text.
TEST(ShapeRecord, TextsSurviveAndLongOnesAreCut) {
    const QString Mixed = QString::fromUtf8("Gr\xC3\xB6\xC3\x9F"
                                            "e \xE2\x9C\x93 \xE5\xBD\xA2\xE7\x8A\xB6 \xF0\x9F\x93\x90");
    struct Row {
        const char* Name;
        QString Text;
        QString Expected;
    } const Rows[] = {
        {"non-ASCII", Mixed, Mixed},
        {"300 ASCII characters", QString(300, 'a'), QString(255, 'a')},
        {"two-byte characters cut between characters", QString(200, QChar(0xE9)), QString(127, QChar(0xE9))},
        {"exactly 255 bytes", QString(85, QChar(0x20AC)), QString(85, QChar(0x20AC))},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMyDraxa Surface;
        TMyRectangle A(&Surface);
        A.SetCaption(R.Text);
        A.SetInfo(R.Text);
        A.Font().SetName(R.Text);
        A.UserData().Add(R.Text, R.Text);
        A.SetMultiInfo({R.Text, R.Text});
        A.SetRotateEnable(false);
        const QByteArray Bytes = Save(A);
        TMyRectangle B(&Surface);
        EXPECT_EQ(LoadInto(B, Bytes), Bytes.size());
        EXPECT_EQ(B.Caption(), R.Expected);
        EXPECT_EQ(B.Info(), R.Expected);
        EXPECT_EQ(B.Font().Name(), R.Expected);
        EXPECT_EQ(B.UserData().Value(R.Expected), R.Expected);
        EXPECT_EQ(B.MultiInfo(), QStringList({R.Expected, R.Expected}));
        EXPECT_FALSE(B.RotateEnable());
    }
}

// Extended coordinates, legacy bytes, no later fields; a caption from a
// single-byte code page.
TEST(ShapeRecord, ReadsVersion5Record) {
    TRecordBytes R;
    R.Text("Rect5").I32(5).I32(2).I32(1).I32(-1).I32(0).I32(1).I32(4);
    R.I32(2).Ext(1.5).Ext(2.25).Ext(100.125).Ext(-3.5).I32(1).Ext(7).Ext(8);
    R.Ext(10.5).Ext(20.75).I32(42).Ext(0.5);
    AppendAttributes(R,
                     "Gr\xF6\xDF"
                     "e",
                     true, true);
    R.I32(Sentinel);
    const QByteArray Bytes = R.Bytes();

    TMyDraxa Surface;
    TMyRectangle S(&Surface);
    EXPECT_EQ(LoadInto(S, Bytes, "KW.5"), Bytes.size() - 4);
    EXPECT_EQ(S.Name(), "Rect5");
    EXPECT_EQ(S.ShapeNo(), 5);
    EXPECT_EQ(S.Index(), 2);
    EXPECT_EQ(S.LayerId(), 1);
    EXPECT_EQ(S.LinkLines(), TMyShapeNo({4}));
    ASSERT_EQ(S.PointCount(), 2);
    EXPECT_EQ(S.GetPoint(0).X, 1.5f);
    EXPECT_EQ(S.GetPoint(0).Y, 2.25f);
    EXPECT_EQ(S.GetPoint(1).X, 100.125f);
    EXPECT_EQ(S.GetPoint(1).Y, -3.5f);
    EXPECT_EQ(S.GetLinkPoint(0).Y, 8.0f);
    EXPECT_EQ(S.InfoPos().X, 10.5f);
    EXPECT_EQ(S.InfoPos().Y, 20.75f);
    EXPECT_EQ(S.Tag(), 42);
    EXPECT_EQ(S.Angle(), 0.5f);
    EXPECT_EQ(S.Caption(), QString::fromUtf8("Gr\xC3\xB6\xC3\x9F"
                                             "e"));
    ExpectAttributes(S);
    ExpectNewerFieldsUntouched(S);
}

TEST(ShapeRecord, ReadsVersion7RecordWithoutReservedPair) {
    TRecordBytes R;
    R.Text("Rect7").I32(7).I32(0).I32(0).I32(-1).I32(0).I32(0);
    R.I32(1).Single(4.5f).Single(-6.25f).I32(0).Single(1.0f).Single(2.0f).I32(9).Single(-0.25f);
    AppendAttributes(R, "seven", false, false);
    R.I32(Sentinel);
    const QByteArray Bytes = R.Bytes();

    TMyDraxa Surface;
    TMyRectangle S(&Surface);
    EXPECT_EQ(LoadInto(S, Bytes, "KW.7"), Bytes.size() - 4);
    ASSERT_EQ(S.PointCount(), 1);
    EXPECT_EQ(S.GetPoint(0).Y, -6.25f);
    EXPECT_EQ(S.InfoPos().Y, 2.0f);
    EXPECT_EQ(S.Tag(), 9);
    EXPECT_EQ(S.Angle(), -0.25f);
    EXPECT_EQ(S.Caption(), "seven");
    ExpectAttributes(S);
    ExpectNewerFieldsUntouched(S);
}

// Counts without coordinates, an extended info anchor, no tag and no angle.
TEST(ShapeRecord, ReadsVersion2RecordWithoutPoints) {
    TRecordBytes R;
    R.Text("Rect2").I32(2).I32(0).I32(0).I32(-1).I32(0).I32(0);
    R.I32(3).I32(1).Ext(3.5).Ext(4.5);
    AppendAttributes(R, "two", true, true);
    R.I32(Sentinel);
    const QByteArray Bytes = R.Bytes();

    TMyDraxa Surface;
    TMyRectangle S(&Surface);
    EXPECT_EQ(LoadInto(S, Bytes, "KW.2"), Bytes.size() - 4);
    ASSERT_EQ(S.PointCount(), 3);
    for (const TMyPoint& P : S.Points()) {
        EXPECT_EQ(P.X, 0.0f);
        EXPECT_EQ(P.Y, 0.0f);
    }
    EXPECT_EQ(S.LinkPointCount(), 1);
    EXPECT_EQ(S.InfoPos().X, 3.5f);
    EXPECT_EQ(S.InfoPos().Y, 4.5f);
    EXPECT_EQ(S.Tag(), 0);
    EXPECT_EQ(S.Angle(), 0.0f);
    ExpectAttributes(S);
}

// The newer versions only add fields at the end of the record, so a reader
// for an older one stops that many bytes before the end of a new record.
TEST(ShapeRecord, OlderReadersStopBeforeLaterFields) {
    const struct {
        const char* Tag;
        int Unread;
    } Rows[] = {{"KW.j", 0},  {"KW.i", 5},  {"KW.h", 5},  {"KW.e", 15},
                {"KW.a", 20}, {"KW.9", 20}, {"KW.8", 23}, {"KW.6", 27}};
    TMyDraxa Surface;
    TMyRectangle A(&Surface);
    A.AddScreenPoint(MyPoint(3, 4));
    const QByteArray Bytes = Save(A);
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Tag);
        TMyRectangle B(&Surface);
        EXPECT_EQ(LoadInto(B, Bytes, R.Tag), Bytes.size() - R.Unread);
        EXPECT_EQ(B.GetPoint(0).Y, 4.0f);
    }
}

TEST(ShapeRecord, UnknownFormatTagFailsAndTagIsTrimmed) {
    TMyDraxa Surface;
    TMyRectangle A(&Surface);
    const QByteArray Bytes = Save(A);
    for (const char* Tag : {"KW.b", "KW.k", "KW.J", "KW.1", "", "KW.10"}) {
        SCOPED_TRACE(Tag);
        TMyRectangle B(&Surface);
        EXPECT_THROW(LoadInto(B, Bytes, Tag), EReadError);
    }
    TMyRectangle B(&Surface);
    EXPECT_EQ(LoadInto(B, Bytes, " KW.j\t"), Bytes.size());
}

// The pattern picture wins over the stored colour and style; an unreadable
// picture is skipped whole and the brush gets the stored fill.
TEST(ShapeRecord, BrushPictureBlock) {
    const auto Pattern = MakePattern();
    const struct {
        const char* Name;
        QByteArray Picture;
        bool KeepsPattern;
    } Rows[] = {
        {"picture present", BmpBytes(*Pattern), true},
        {"no picture removes an earlier pattern", {}, false},
        {"unreadable picture", "notabmp!", false},
        {"picture cut short inside its block", BmpBytes(*Pattern).left(30), false},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMyDraxa Surface;
        auto A = Unnamed(Surface);
        A->Brush().SetColor(clRed);
        A->Brush().SetStyle(TBrushStyle::bsCross);
        A->SetRotateEnable(false);
        const QByteArray Bytes =
            Patched(Save(*A), PictureAt, TRecordBytes().I64(R.Picture.size()).Raw(R.Picture).Bytes(), 8);

        auto B = Unnamed(Surface);
        const auto Old = MakePattern();
        B->Brush().SetBitmap(Old.get());
        B->Brush().SetColor(clBlue);
        EXPECT_EQ(LoadInto(*B, Bytes), Bytes.size());
        EXPECT_FALSE(B->RotateEnable());
        if (R.KeepsPattern) {
            ASSERT_NE(B->Brush().Bitmap(), nullptr);
            EXPECT_EQ(B->Brush().Bitmap()->Image(), Pattern->Image());
            EXPECT_EQ(B->Brush().Color(), clBlue);
            EXPECT_EQ(B->Brush().Style(), TBrushStyle::bsSolid);
        } else {
            EXPECT_EQ(B->Brush().Bitmap(), nullptr);
            EXPECT_EQ(B->Brush().Color(), clRed);
            EXPECT_EQ(B->Brush().Style(), TBrushStyle::bsCross);
        }
    }
}

TEST(ShapeRecord, TruncatedRecordFailsAtEveryLength) {
    TMyDraxa Surface;
    TMyRectangle A(&Surface);
    A.SetName("Cut");
    A.MembersRef() = {1, 2};
    A.AddScreenPoint(MyPoint(1, 2));
    const auto Pattern = MakePattern();
    A.Brush().SetBitmap(Pattern.get());
    A.UserData().Add("k", "v");
    A.SetMultiInfo({"m"});
    const QByteArray Bytes = Save(A);
    for (int Length = 0; Length < Bytes.size(); ++Length) {
        SCOPED_TRACE(Length);
        TMyRectangle B(&Surface);
        EXPECT_THROW(LoadInto(B, Bytes.left(Length)), EReadError);
    }
}

// Counts and sizes that the rest of the stream cannot hold fail before
// anything is allocated for them.
TEST(ShapeRecord, LyingCountsAndSizesFail) {
    TMyDraxa Surface;
    const QByteArray Bytes = Save(*Unnamed(Surface));
    const struct {
        const char* Name;
        int Offset;
    } Counts[] = {{"members", 20},
                  {"connectors", 24},
                  {"points", PointCountAt},
                  {"link points", 32},
                  {"user data", UserDataCountAt},
                  {"info lines", 130}};
    for (const auto& C : Counts)
        for (const int32_t Value :
             {std::numeric_limits<int32_t>::max(), -1, std::numeric_limits<int32_t>::min()}) {
            SCOPED_TRACE(std::string(C.Name) + " " + std::to_string(Value));
            auto B = Unnamed(Surface);
            EXPECT_THROW(LoadInto(*B, Patched(Bytes, C.Offset, Int32Bytes(Value), 4)), EReadError);
        }
    for (const int64_t Size :
         {int64_t(-1), std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(),
          int64_t(MinimalSize - PictureAt - 8 + 1)}) {
        SCOPED_TRACE(Size);
        auto B = Unnamed(Surface);
        EXPECT_THROW(LoadInto(*B, Patched(Bytes, PictureAt, TRecordBytes().I64(Size).Bytes(), 8)),
                     EReadError);
    }
    // Without coordinates the points take no bytes, and still may not be believed.
    TRecordBytes Old;
    Old.Text("").I32(0).I32(0).I32(0).I32(-1).I32(0).I32(0).I32(std::numeric_limits<int32_t>::max()).I32(0);
    AppendAttributes(Old.Ext(0).Ext(0), "", true, true);
    auto B = Unnamed(Surface);
    EXPECT_THROW(LoadInto(*B, Old.Bytes(), "KW.2"), EReadError);
}

// A byte outside an enumeration fails the record instead of becoming a value
// the enumeration does not have; the largest valid byte is read as it is.
TEST(ShapeRecord, EnumerationBytesAreRangeChecked) {
    const struct {
        const char* Name;
        int Offset;
        int Count;
        std::function<int(const TMyShape&)> Get;
    } Rows[] = {
        {"brush style", 64, 8, [](const TMyShape& S) { return int(S.Brush().Style()); }},
        {"font pitch", 94, 3, [](const TMyShape& S) { return int(S.Font().Pitch()); }},
        {"gradient style", 108, 24, [](const TMyShape& S) { return int(S.GradientStyle()); }},
        {"pen mode", 117, 16, [](const TMyShape& S) { return int(S.Pen().Mode()); }},
        {"pen style", 118, 7, [](const TMyShape& S) { return int(S.Pen().Style()); }},
        {"info alignment", 134, 3, [](const TMyShape& S) { return int(S.MultiInfoAlignment()); }},
        {"end cap", 145, 4, [](const TMyShape& S) { return int(S.PenStyleEndCapType()); }},
        {"join", 146, 4, [](const TMyShape& S) { return int(S.PenStyleJoinType()); }},
    };
    TMyDraxa Surface;
    const QByteArray Bytes = Save(*Unnamed(Surface));
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        for (const int Bad : {R.Count, 0xFF}) {
            auto B = Unnamed(Surface);
            EXPECT_THROW(LoadInto(*B, Patched(Bytes, R.Offset, QByteArray(1, char(Bad)), 1)), EReadError);
        }
        auto B = Unnamed(Surface);
        LoadInto(*B, Patched(Bytes, R.Offset, QByteArray(1, char(R.Count - 1)), 1));
        EXPECT_EQ(R.Get(*B), R.Count - 1);
    }
}

TEST(ShapeRecord, InvalidStoredNameFailsWithComponentError) {
    TMyDraxa Surface;
    const QByteArray Bytes = Patched(Save(*Unnamed(Surface)), 0, TRecordBytes().Text("9lives").Bytes(), 4);
    auto B = Unnamed(Surface);
    EXPECT_THROW(LoadInto(*B, Bytes), EComponentError);
}

// A record describes one shape: reading a group's record must not push its
// pen, brush, font or lock onto whatever shapes its member indices name now.
TEST(ShapeRecord, ReadingLeavesMembersAlone) {
    TMyDraxa Surface;
    auto* Other = new TMyRectangle(&Surface);
    Other->SetIndex(0);
    ASSERT_TRUE(Surface.AddShape(Other, false, false));
    Other->Pen().SetColor(clGreen);
    Other->Brush().SetColor(clYellow);

    TMyRectangle Group(&Surface);
    Group.Pen().SetColor(clRed);
    Group.Brush().SetColor(clNavy);
    Group.Font().SetName("Serif");
    Group.SetLockedDirect(true);
    const QByteArray Bytes = Save(Group);
    TMyRectangle B(&Surface);
    const QByteArray WithMember = Patched(Bytes, 4 + 16, TRecordBytes().I32(1).I32(0).Bytes(), 4);
    LoadInto(B, WithMember);
    EXPECT_EQ(B.Members(), TMyShapeNo({0}));
    EXPECT_EQ(Other->Pen().Color(), clGreen);
    EXPECT_EQ(Other->Brush().Color(), clYellow);
    EXPECT_NE(Other->Font().Name(), "Serif");
    EXPECT_TRUE(B.Locked());
    EXPECT_FALSE(Other->Locked());
    // Editing the shape afterwards still reaches its members.
    B.Brush().SetColor(clTeal);
    EXPECT_EQ(Other->Brush().Color(), clTeal);
}
