#include "foundation/stream_io.h"
#include "foundation/streams.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace draxa;

namespace {

QByteArray Bytes(std::initializer_list<int> Values) {
    QByteArray Out;
    for (int V : Values) Out.append(static_cast<char>(V));
    return Out;
}

uint32_t FloatBits(float F) {
    uint32_t Bits;
    std::memcpy(&Bits, &F, 4);
    return Bits;
}

// A source that promises more bytes than it delivers, as a truncated file does.
class TLyingStream : public TMemoryStream {
public:
    using TMemoryStream::TMemoryStream;
    int64_t Size() override { return TMemoryStream::Size() + 10; }
};

} // namespace

// ---------------------------------------------------------------------------
// Streams

TEST(Streams, ShortReadThrowsAndLeavesPositionAfterWhatWasRead) {
    TMemoryStream S(Bytes({1, 2, 3}));
    char Buf[4];
    try {
        S.ReadBuffer(Buf, 4);
        FAIL() << "no EReadError";
    } catch (const EReadError& E) {
        EXPECT_STREQ(E.what(), "Stream read error");
    }
    EXPECT_EQ(S.Position(), 3);
    EXPECT_EQ(S.Read(Buf, 4), 0);
    S.SetPosition(1);
    EXPECT_THROW(ReadInt32(S), EReadError);
    EXPECT_THROW(ReadExtended(S), EReadError);
}

TEST(Streams, MemoryStreamSeekPastEndThenWriteZeroFillsTheGap) {
    TMemoryStream S(QByteArray("abcdefg"));
    S.SetPosition(6);
    S.SetSize(2); // a position past the new end moves to the end; old bytes must not come back
    EXPECT_EQ(S.Position(), 2);
    EXPECT_EQ(S.Seek(3, TSeekOrigin::soEnd), 5);
    EXPECT_EQ(S.Size(), 2);
    EXPECT_EQ(S.Remaining(), 0);
    S.WriteBuffer("Z", 1);
    EXPECT_EQ(S.ToByteArray(), Bytes({'a', 'b', 0, 0, 0, 'Z'}));
    EXPECT_EQ(S.Position(), 6);

    TMemoryStream T(QByteArray("xyz"));
    T.SetSize(1);
    T.SetSize(3);
    EXPECT_EQ(T.ToByteArray(), Bytes({'x', 0, 0}));
}

TEST(Streams, SeeksBeforeTheBeginningOrBeyondInt64ThrowAndKeepThePosition) {
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    struct TRow {
        const char* Name;
        int64_t Offset;
        TSeekOrigin Origin;
    } Rows[] = {
        {"negative absolute", -1, TSeekOrigin::soBeginning},
        {"back past the start", -4, TSeekOrigin::soCurrent},
        {"back from the end past the start", -11, TSeekOrigin::soEnd},
        {"forward overflowing int64", Max, TSeekOrigin::soCurrent},
    };
    for (const TRow& R : Rows) {
        TMemoryStream S(QByteArray(10, 'x'));
        S.SetPosition(3);
        EXPECT_THROW(S.Seek(R.Offset, R.Origin), EStreamError) << R.Name;
        EXPECT_EQ(S.Position(), 3) << R.Name;
    }
}

TEST(Streams, HugeSizesFailAsWriteErrorsWithoutOverflow) {
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    TMemoryStream S;
    S.SetPosition(Max - 2);
    EXPECT_THROW(S.WriteBuffer("0123456789", 10), EWriteError);
    S.SetPosition(5);
    EXPECT_EQ(S.Write("x", Max), 0);
    EXPECT_THROW(S.SetSize(Max), EWriteError);
    EXPECT_THROW(S.SetSize(-1), EStreamError);
    EXPECT_EQ(S.Size(), 0);
}

TEST(Streams, WritingOwnBytesWhileGrowingCopiesThemFirst) {
    TMemoryStream S(QByteArray("abcd"));
    S.Seek(0, TSeekOrigin::soEnd);
    S.WriteBuffer(S.Memory(), 4);
    S.SetPosition(2);
    S.WriteBuffer(S.Memory(), 8); // overlapping and growing
    EXPECT_EQ(S.ToByteArray(), QByteArray("ababcdabcd"));
}

TEST(Streams, CopyFrom) {
    QByteArray Big(200000, Qt::Uninitialized); // several copy chunks
    for (int I = 0; I < Big.size(); ++I) Big[I] = static_cast<char>(I * 7);
    TMemoryStream Source(Big);
    Source.SetPosition(1234);

    TMemoryStream Dest(QByteArray("head"));
    Dest.Seek(0, TSeekOrigin::soEnd);
    EXPECT_EQ(Dest.CopyFrom(Source, 0), Big.size()) << "Count 0 copies everything from the start";
    EXPECT_EQ(Dest.ToByteArray(), "head" + Big);

    Source.SetPosition(10);
    TMemoryStream Part;
    EXPECT_EQ(Part.CopyFrom(Source, 5), 5);
    EXPECT_EQ(Part.ToByteArray(), Big.mid(10, 5));
    EXPECT_EQ(Source.Position(), 15);

    Source.SetPosition(Big.size() - 3);
    EXPECT_THROW(Part.CopyFrom(Source, 4), EReadError);
    EXPECT_THROW(Part.CopyFrom(Source, -1), EReadError) << "a negative size never means everything";
}

TEST(Streams, FailedLoadKeepsTheMemoryStream) {
    TMemoryStream S(QByteArray("keep"));
    TLyingStream Truncated(QByteArray("abc"));
    EXPECT_THROW(S.LoadFromStream(Truncated), EReadError);
    EXPECT_EQ(S.ToByteArray(), QByteArray("keep"));
    EXPECT_FALSE(S.LoadFromFile(QDir::temp().filePath("draxa-no-such-dir/none.tdraxa")));
    EXPECT_EQ(S.ToByteArray(), QByteArray("keep"));
}

TEST(Streams, FileStreamModes) {
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString Name = Dir.filePath("doc.bin");
    {
        TFileStream F(Name, fmCreate);
        WriteInt32(F, 0x01020304);
        WriteInt32(F, 5);
        F.Seek(2, TSeekOrigin::soEnd);
        WriteByte(F, 7); // past the end: extends the file
        EXPECT_EQ(F.Size(), 11);
    }
    {
        TFileStream F(Name, fmOpenWrite); // opens without truncating, refuses reads
        EXPECT_EQ(F.Size(), 11);
        char C;
        EXPECT_EQ(F.Read(&C, 1), 0);
        F.SetPosition(4);
        WriteInt32(F, 6);
    }
    {
        TFileStream F(Name, fmOpenRead);
        EXPECT_EQ(ReadInt32(F), 0x01020304);
        EXPECT_EQ(ReadInt32(F), 6);
        EXPECT_EQ(F.Remaining(), 3);
        EXPECT_EQ(F.Write("x", 1), 0);
    }
    TMemoryStream M;
    ASSERT_TRUE(M.LoadFromFile(Name));
    EXPECT_EQ(M.ToByteArray(), Bytes({4, 3, 2, 1, 6, 0, 0, 0, 0, 0, 7}));
    EXPECT_EQ(M.Position(), 0);
    ASSERT_TRUE(M.SaveToFile(Dir.filePath("copy.bin")));
    TFileStream Copy(Dir.filePath("copy.bin"), fmOpenReadWrite);
    EXPECT_EQ(Copy.Size(), 11);
}

TEST(Streams, FileStreamOpenFailureNamesTheFileAndCreatesNothing) {
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString Missing = Dir.filePath("missing.tdraxa");
    for (uint16_t Mode : {uint16_t(fmOpenRead), uint16_t(fmOpenWrite), uint16_t(fmOpenReadWrite)}) {
        try {
            TFileStream F(Missing, Mode);
            ADD_FAILURE() << "opened a missing file, mode " << Mode;
        } catch (const EFOpenError& E) {
            EXPECT_EQ(E.FileName(), Missing);
            EXPECT_NE(std::string(E.what()).find("Cannot open file \"" + Missing.toStdString() + "\": "),
                      std::string::npos)
                << E.what();
        }
        EXPECT_FALSE(QFile::exists(Missing)) << "mode " << Mode;
    }
    EXPECT_THROW(TFileStream(Dir.filePath("no/such/dir.bin"), fmCreate), EFOpenError);
    TMemoryStream M(QByteArray("x"));
    EXPECT_FALSE(M.SaveToFile(Dir.filePath("no/such/dir.bin")));
}

// ---------------------------------------------------------------------------
// Binary encodings

TEST(StreamIO, NumbersAreLittleEndianAndRoundTrip) {
    TMemoryStream S;
    WriteInt16(S, -2);
    WriteInt32(S, 0x12345678);
    WriteInt32(S, INT32_MIN);
    WriteUInt32(S, 0xDEADBEEF);
    WriteInt64(S, -2);
    WriteSingle(S, 1.0f);
    WriteDouble(S, -2.0);
    WriteBoolean(S, true);
    WriteByte(S, 2);
    EXPECT_EQ(S.ToByteArray(),
              QByteArray::fromHex("feff 78563412 00000080 efbeadde feffffffffffffff 0000803f "
                                  "00000000000000c0 01 02"));
    S.SetPosition(0);
    EXPECT_EQ(ReadInt16(S), -2);
    EXPECT_EQ(ReadInt32(S), 0x12345678);
    EXPECT_EQ(ReadInt32(S), INT32_MIN);
    EXPECT_EQ(ReadUInt32(S), 0xDEADBEEF);
    EXPECT_EQ(ReadInt64(S), -2);
    EXPECT_EQ(ReadSingle(S), 1.0f);
    EXPECT_EQ(ReadDouble(S), -2.0);
    EXPECT_TRUE(ReadBoolean(S));
    EXPECT_TRUE(ReadBoolean(S)) << "any non-zero byte is true";
    EXPECT_EQ(S.Remaining(), 0);
}

TEST(StreamIO, ExtendedKnownEncodings) {
    struct TRow {
        const char* Name;
        double Value;
        QByteArray Encoded;
    } Rows[] = {
        {"one", 1.0, QByteArray::fromHex("0000000000000080ff3f")},
        {"minus 2.5", -2.5, QByteArray::fromHex("00000000000000a000c0")},
        {"zero", 0.0, QByteArray::fromHex("00000000000000000000")},
        {"minus zero", -0.0, QByteArray::fromHex("00000000000000000080")},
        {"FLT_MAX", FLT_MAX, QByteArray::fromHex("0000000000ffffff7e40")},
        {"smallest float subnormal", FLT_TRUE_MIN, QByteArray::fromHex("00000000000000806a3f")},
        {"three float subnormal quanta", 3 * FLT_TRUE_MIN, QByteArray::fromHex("00000000000000c06b3f")},
        {"smallest double subnormal", std::numeric_limits<double>::denorm_min(),
         QByteArray::fromHex("0000000000000080cd3b")},
        {"minus infinity", -HUGE_VAL, QByteArray::fromHex("0000000000000080ffff")},
    };
    for (const TRow& R : Rows) {
        TMemoryStream S;
        WriteExtended(S, R.Value);
        EXPECT_EQ(S.ToByteArray().toHex(' '), R.Encoded.toHex(' ')) << R.Name;
        S.SetPosition(0);
        const float Back = ReadExtended(S);
        EXPECT_EQ(FloatBits(Back), FloatBits(static_cast<float>(R.Value))) << R.Name;
    }
}

TEST(StreamIO, ExtendedReadsRoundToNearestFloatHalvesToEven) {
    const double Eps = std::ldexp(1.0, -24); // half a float ulp at 1
    struct TRow {
        const char* Name;
        double Value;
        float Expected;
    } Rows[] = {
        {"half way rounds down to even", 1 + Eps, 1.0f},
        {"half way rounds up to even", 1 + 3 * Eps, 1 + 4 * float(Eps)},
        {"just above half way rounds up", 1 + Eps + std::ldexp(1.0, -50), 1 + 2 * float(Eps)},
        {"half the smallest subnormal ties to zero", std::ldexp(1.0, -150), 0.0f},
        {"above half the smallest subnormal", std::ldexp(1.0, -150) * (1 + 1e-9), FLT_TRUE_MIN},
        {"subnormal tie to even", 3 * std::ldexp(1.0, -150), 2 * FLT_TRUE_MIN},
        {"subnormal rounding up into the normals", FLT_MIN - std::ldexp(1.0, -150), FLT_MIN},
        {"tiny negative keeps its sign", -1e-300, -0.0f},
        {"just below the overflow tie", double(FLT_MAX) + std::ldexp(1.0, 102), FLT_MAX},
        {"overflow tie goes to infinity", double(FLT_MAX) + std::ldexp(1.0, 103), HUGE_VALF},
        {"beyond float range", -1e300, -HUGE_VALF},
    };
    for (const TRow& R : Rows) {
        EXPECT_EQ(FloatBits(DecodeExtended(EncodeExtended(R.Value))), FloatBits(R.Expected)) << R.Name;
    }
}

TEST(StreamIO, ExtendedOddEncodingsDecodeWithoutFailing) {
    struct TRow {
        const char* Name;
        QByteArray Encoded;
        float Expected; // NaN: any NaN
    } Rows[] = {
        {"quiet NaN", QByteArray::fromHex("00000000000000c0ff7f"), NAN},
        {"signalling NaN", QByteArray::fromHex("0100000000000080ff7f"), NAN},
        {"pseudo-infinity", QByteArray::fromHex("0000000000000000ff7f"), HUGE_VALF},
        {"largest finite extended", QByteArray::fromHex("fffffffffffffffffeff"), -HUGE_VALF},
        {"unnormal reads as its value", QByteArray::fromHex("00000000000000400040"), 1.0f},
        {"pseudo-denormal", QByteArray::fromHex("00000000000000800000"), 0.0f},
        {"extended subnormal", QByteArray::fromHex("01000000000000000080"), -0.0f},
    };
    for (const TRow& R : Rows) {
        TExtendedBytes B;
        std::memcpy(B.data(), R.Encoded.constData(), 10);
        const float F = DecodeExtended(B);
        if (std::isnan(R.Expected))
            EXPECT_TRUE(std::isnan(F)) << R.Name;
        else
            EXPECT_EQ(FloatBits(F), FloatBits(R.Expected)) << R.Name;
    }
    EXPECT_TRUE(std::isnan(DecodeExtended(EncodeExtended(std::nan("")))));
}

TEST(StreamIO, ExtendedPairsOfOlderDocuments) {
    // A point (100.5, -0.25) as older documents store coordinates.
    TMemoryStream S(QByteArray::fromHex("00000000000000c90540 0000000000000080fdbf"));
    EXPECT_EQ(ReadExtended(S), 100.5f);
    EXPECT_EQ(ReadExtended(S), -0.25f);
    EXPECT_EQ(S.Position(), 20);
}

// Where long double is the x87 format, the hardware is the reference for both
// directions over random bit patterns.
TEST(StreamIO, ExtendedAgreesWithX87Hardware) {
    if (std::numeric_limits<long double>::digits != 64 ||
        std::numeric_limits<long double>::max_exponent != 16384)
        GTEST_SKIP() << "long double is not the x87 format here";
    std::mt19937_64 Rng(20091209);
    for (int I = 0; I < 100000; ++I) {
        uint64_t Bits = Rng();
        double D;
        std::memcpy(&D, &Bits, 8);
        if (std::isnan(D)) continue;
        const long double L = D;
        TExtendedBytes Hw{};
        std::memcpy(Hw.data(), &L, 10);
        ASSERT_EQ(EncodeExtended(D), Hw) << D;

        // Exponents around the float range, normal significands or subnormals.
        uint64_t Significand = Rng() | (uint64_t(1) << 63);
        int Exponent = 16383 - 160 + static_cast<int>(Rng() % 300);
        if (I % 50 == 0) {
            Exponent = 0;
            Significand &= ~(uint64_t(1) << 63);
        }
        TExtendedBytes E{};
        for (int K = 0; K < 8; ++K) E[K] = static_cast<uint8_t>(Significand >> (8 * K));
        E[8] = static_cast<uint8_t>(Exponent);
        E[9] = static_cast<uint8_t>((Exponent >> 8) | (I % 2 ? 0x80 : 0));
        long double HwValue = 0;
        std::memcpy(&HwValue, E.data(), 10);
        ASSERT_EQ(FloatBits(DecodeExtended(E)), FloatBits(static_cast<float>(HwValue)))
            << QByteArray(reinterpret_cast<const char*>(E.data()), 10).toHex(' ').toStdString();
    }
}

// ---------------------------------------------------------------------------
// Texts and counts

TEST(StreamIO, CountedTextLongerThan255BytesIsCutAtACharacterBoundary) {
    struct TRow {
        const char* Name;
        QString Text;
        int WrittenBytes;
    } Rows[] = {
        {"empty", QString(), 0},
        {"255 ASCII fits", QString(255, 'a'), 255},
        {"300 ASCII", QString(300, 'a'), 255},
        {"150 two-byte characters", QString(150, QChar(0xE9)), 254},
        {"100 three-byte characters", QString(100, QChar(0x20AC)), 255},
        {"75 four-byte characters", QString::fromUtf8("\xF0\x9F\x98\x80").repeated(75), 252},
    };
    for (const TRow& R : Rows) {
        TMemoryStream S;
        WriteCountedText(S, R.Text);
        S.SetPosition(0);
        EXPECT_EQ(ReadInt32(S), R.WrittenBytes) << R.Name;
        EXPECT_EQ(S.Remaining(), R.WrittenBytes) << R.Name;
        S.SetPosition(0);
        EXPECT_EQ(ReadCountedText(S), QString::fromUtf8(R.Text.toUtf8().left(R.WrittenBytes))) << R.Name;
    }
}

TEST(StreamIO, CountedTextReadsTheLowByteOfItsLength) {
    struct TRow {
        const char* Name;
        int32_t Length;
        int Expected;
    } Rows[] = {
        {"300 reads 44", 300, 44},
        {"256 reads nothing", 256, 0},
        {"-253 reads 3", -253, 3},
        {"-1 reads 255", -1, 255},
    };
    for (const TRow& R : Rows) {
        TMemoryStream S;
        WriteInt32(S, R.Length);
        S.WriteBuffer(QByteArray(R.Expected, 'x').constData(), R.Expected);
        WriteByte(S, '!'); // must stay unread
        S.SetPosition(0);
        EXPECT_EQ(ReadCountedText(S), QString(R.Expected, 'x')) << R.Name;
        EXPECT_EQ(S.Remaining(), 1) << R.Name;
    }
    TMemoryStream Short(Bytes({5, 0, 0, 0, 'a', 'b'}));
    EXPECT_THROW(ReadCountedText(Short), EReadError);
}

TEST(StreamIO, DocumentTextIsUtf8ElseWindows1252) {
    struct TRow {
        const char* Name;
        QByteArray Stored;
        QString Expected;
    } Rows[] = {
        {"UTF-8", "caf\xC3\xA9 \xE2\x82\xAC", QString::fromUtf8("café €")},
        {"1252 euro and e-acute", Bytes({0x80, 0xE9}), QString::fromUtf8("€é")},
        {"1252 smart quotes and Y-diaeresis", Bytes({0x93, 'a', 0x94, 0x9F}), QString::fromUtf8("“a”Ÿ")},
        {"1252 undefined bytes keep their value", Bytes({0x81, 0x8D, 0x8F, 0x90, 0x9D}),
         QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D")},
        {"overlong UTF-8 is not UTF-8", Bytes({0xC0, 0xAF}), QString::fromUtf8("À¯")},
        {"encoded surrogate is not UTF-8", Bytes({0xED, 0xA0, 0x80}),
         QString::fromUtf16(u"\u00ED\u00A0\u20AC")},
        {"truncated sequence is not UTF-8", Bytes({'a', 0xE2, 0x82}), QString::fromUtf16(u"a\u00E2\u201A")},
    };
    for (const TRow& R : Rows) EXPECT_EQ(DecodeDocumentText(R.Stored), R.Expected) << R.Name;
    const QString Text = QString::fromUtf8("Ebene ä €");
    EXPECT_EQ(DecodeDocumentText(EncodeDocumentText(Text)), Text);
}

TEST(StreamIO, FixedTextIsPaddedCutAndTrimmed) {
    TMemoryStream S;
    WriteFixedText(S, "KW.j", 16);
    WriteFixedText(S, QString::fromUtf8("abé"), 3); // é does not fit whole
    EXPECT_EQ(S.ToByteArray(), QByteArray("KW.j            ab "));
    S.SetPosition(0);
    EXPECT_EQ(ReadFixedText(S, 16), "KW.j");
    EXPECT_EQ(ReadFixedText(S, 3), "ab");

    static const char Raw[] = "\0 \tTDraxa drawing  components\r\n \0\0";
    const QByteArray Stored(Raw, sizeof Raw - 1);
    TMemoryStream T(Stored + "rest");
    EXPECT_EQ(ReadFixedText(T, Stored.size()), "TDraxa drawing  components");
    EXPECT_EQ(T.Position(), Stored.size());
    EXPECT_THROW(ReadFixedText(T, 5), EReadError);
}

TEST(StreamIO, ReadCountRejectsCountsTheStreamCannotHold) {
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    struct TRow {
        const char* Name;
        int32_t Count;
        int64_t ElementSize;
        int Remaining; // bytes after the count
        bool Accepted;
    } Rows[] = {
        {"fits exactly", 3, 8, 24, true},
        {"one element too many", 4, 8, 24, false},
        {"negative", -1, 8, 24, false},
        {"zero in an empty rest", 0, 8, 0, true},
        {"largest count", INT32_MAX, 8, 24, false},
        {"element size that would overflow the product", 2, Max, 24, false},
        {"elements without bytes", INT32_MAX, 0, 0, true},
    };
    for (const TRow& R : Rows) {
        TMemoryStream S;
        WriteInt32(S, R.Count);
        S.WriteBuffer(QByteArray(R.Remaining, 0).constData(), R.Remaining);
        S.SetPosition(0);
        if (R.Accepted) {
            EXPECT_EQ(ReadCount(S, R.ElementSize), R.Count) << R.Name;
            continue;
        }
        try {
            ReadCount(S, R.ElementSize);
            ADD_FAILURE() << R.Name << ": accepted";
        } catch (const EReadError& E) {
            const std::string Expected = "count " + std::to_string(R.Count);
            EXPECT_NE(std::string(E.what()).find(Expected), std::string::npos) << E.what();
            EXPECT_NE(std::string(E.what()).find("remaining " + std::to_string(R.Remaining) + " bytes"),
                      std::string::npos)
                << E.what();
        }
    }
}

TEST(StreamIO, RequireBytes) {
    TMemoryStream S(QByteArray(6, 'x'));
    S.SetPosition(2);
    EXPECT_NO_THROW(RequireBytes(S, 4));
    EXPECT_THROW(RequireBytes(S, 5), EReadError);
    EXPECT_THROW(RequireBytes(S, -1), EReadError);
    S.SetPosition(100);
    EXPECT_NO_THROW(RequireBytes(S, 0));
    EXPECT_THROW(RequireBytes(S, 1), EReadError);
}
