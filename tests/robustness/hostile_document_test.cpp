// Documents that break off, lie about their counts and sizes, carry more
// pictures than a drawing may decode into, or hold coordinates that are no
// numbers: each fails or loads, and the surface is consistent and loses
// nothing either way.
#include "foundation/bitmap.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/fuzz_samples.h"
#include "shapes/image.h"
#include "surface/draxa.h"

#include "common/document_io.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace draxa;
using namespace draxa::testing;
using namespace draxa::fuzz;

namespace {

QByteArray I32(int32_t V) {
    TMemoryStream M;
    WriteInt32(M, V);
    return M.ToByteArray();
}

QByteArray I64(int64_t V) {
    TMemoryStream M;
    WriteInt64(M, V);
    return M.ToByteArray();
}

// A surface with a drawing of its own at another zoom: what a failed load
// must leave exactly as it was.
struct TWitness {
    TMyDraxa S;
    QByteArray Before;
    TWitness() {
        AddSampleShape(S, QStringLiteral("TMyEllipse"), 5, 5);
        S.SetZoom(1.5);
        Before = Save(S);
    }
    // True when the load failed and changed nothing.
    ::testing::AssertionResult RefusesUnharmed(const QByteArray& Document) {
        if (Load(S, Document)) return ::testing::AssertionFailure() << "loaded";
        const QString Broken = DocumentInvariantsBroken(S);
        if (!Broken.isEmpty()) return ::testing::AssertionFailure() << qPrintable(Broken);
        if (Save(S) != Before) return ::testing::AssertionFailure() << "the surface changed";
        return ::testing::AssertionSuccess();
    }
};

// Replaces every picture block holding Old by one holding New.
QByteArray WithPictures(QByteArray Document, const QByteArray& Old, const QByteArray& New) {
    const QByteArray From = I64(Old.size()) + Old, To = I64(New.size()) + New;
    for (qsizetype At = Document.indexOf(From); At >= 0; At = Document.indexOf(From, At + To.size()))
        Document.replace(At, From.size(), To);
    return Document;
}

// The BMP bytes of the picture the sample image shape holds.
QByteArray SampleImageBmp() {
    TMyDraxa S;
    auto* Image = dynamic_cast<TMyImage*>(AddSampleShape(S, QStringLiteral("TMyImage")));
    TMemoryStream M;
    Image->Bitmap().SaveToStream(M);
    return M.ToByteArray();
}

// An 8-bit RLE picture of W x H pixels: the end-of-bitmap marker at once
// (every pixel index 0), then Padding bytes, which the reader's guard counts
// as the data a picture of that size needs.
QByteArray RlePicture(int W, int H, int Padding) {
    const QByteArray Pixels = QByteArray::fromHex("0001") + QByteArray(Padding, '\0');
    const int Offset = 14 + 40 + 8;
    return "BM" + I32(Offset + Pixels.size()) + I32(0) + I32(Offset) + I32(40) + I32(W) + I32(H) +
           QByteArray::fromHex("01000800") + I32(1) + I32(Pixels.size()) + I32(3780) + I32(3780) + I32(2) +
           I32(0) + QByteArray::fromHex("00000000ffffff00") + Pixels;
}

// The picture blocks holding Picture, with their size field replaced by Size.
QByteArray WithPictureSize(QByteArray Document, const QByteArray& Picture, int64_t Size) {
    return Document.replace(I64(Picture.size()) + Picture, I64(Size) + Picture);
}

QByteArray DocumentOfImages(int Count, const QByteArray& Picture) {
    TMyDraxa S;
    for (int I = 0; I < Count; ++I) AddSampleShape(S, QStringLiteral("TMyImage"), float(10 * I), 10);
    return WithPictures(Save(S), SampleImageBmp(), Picture);
}

} // namespace

TEST(HostileDocuments, EveryPrefixFailsLeavingTheSurfaceAsItWasAndTheWholeRoundTrips) {
    std::vector<std::pair<QString, QByteArray>> Documents;
    for (const QString& Class : ShapeClassNames()) {
        TMyDraxa S;
        AddSampleShape(S, Class);
        Documents.emplace_back(Class, Save(S));
    }
    TMyDraxa Whole;
    BuildSampleDrawing(Whole);
    Documents.emplace_back("every class, a group and a connector", Save(Whole));

    for (const auto& [Name, Document] : Documents) {
        SCOPED_TRACE(qPrintable(Name + QString(", %1 bytes").arg(Document.size())));
        TWitness W;
        for (int Cut = 0; Cut < Document.size(); ++Cut) {
            const auto Refused = W.RefusesUnharmed(Document.left(Cut));
            if (!Refused) {
                ADD_FAILURE() << "prefix of " << Cut << " bytes: " << Refused.message();
                break;
            }
        }
        ASSERT_TRUE(Load(W.S, Document));
        EXPECT_EQ(DocumentInvariantsBroken(W.S), "");
        EXPECT_EQ(Save(W.S), Document) << "save, load, save";
    }
}

TEST(HostileDocuments, LyingNumbersAnywhereFailOrLoadConsistently) {
    TMyDraxa Source;
    BuildSampleDrawing(Source, {"TMyText", "TMyImage", "TMyLinkPoint", "TMyPolyLine"});
    Source.BkBitmap().SetSize(0, 0); // drawn over the whole control on every load: slow, and tested apart
    const QByteArray Good = Save(Source);
    const QByteArray Lies[] = {I32(-1), I32(std::numeric_limits<int32_t>::min()),
                               I32(std::numeric_limits<int32_t>::max())};
    TWitness W;
    TMyDraxa S, Again;
    for (const QByteArray& Lie : Lies) {
        EXPECT_TRUE(W.RefusesUnharmed(Lie.repeated(10))) << "a 40-byte file of " << Lie.toHex().constData();
        for (int At = 0; At + Lie.size() <= Good.size(); ++At) {
            QByteArray Bad = Good;
            Bad.replace(At, Lie.size(), Lie);
            if (!Load(S, Bad)) continue;
            SCOPED_TRACE(QString("%1 at offset %2").arg(Lie.toHex().constData()).arg(At).toStdString());
            ASSERT_EQ(DocumentInvariantsBroken(S), "");
            const QByteArray Saved = Save(S);
            ASSERT_TRUE(Load(Again, Saved));
            ASSERT_EQ(Save(Again), Saved);
        }
    }
}

TEST(HostileDocuments, PictureSizesAndBudgets) {
    const QByteArray Sample = SampleImageBmp();
    // 154 bytes that claim 5000 x 5000 pixels.
    QByteArray Tiny = RlePicture(5000, 5000, 0);
    Tiny += QByteArray(154 - Tiny.size(), '\0');
    const int64_t Max = std::numeric_limits<int64_t>::max();
    const struct {
        const char* Name;
        QByteArray Document;
        bool Loads;
        int EmptyImages; // images whose picture was refused, when it loads
    } Rows[] = {
        {"picture size 2^63-1", WithPictureSize(DocumentOfImages(1, Sample), Sample, Max), false, 0},
        {"negative picture size", WithPictureSize(DocumentOfImages(1, Sample), Sample, -5), false, 0},
        {"picture size beyond the end", WithPictureSize(DocumentOfImages(1, Sample), Sample, 1 << 20), false,
         0},
        {"a tiny BMP claiming 5000 x 5000, a hundred times", DocumentOfImages(100, Tiny), true, 100},
        {"one pixel over 2^24", DocumentOfImages(1, RlePicture(4097, 4096, 140'000)), true, 1},
        {"five pictures of 2^24 pixels fit the budget", DocumentOfImages(5, RlePicture(4096, 4096, 140'000)),
         true, 0},
        {"a sixth one does not", DocumentOfImages(6, RlePicture(4096, 4096, 140'000)), false, 0},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TWitness W;
        if (!R.Loads) {
            EXPECT_TRUE(W.RefusesUnharmed(R.Document));
            continue;
        }
        ASSERT_TRUE(Load(W.S, R.Document));
        EXPECT_EQ(DocumentInvariantsBroken(W.S), "");
        int Empty = 0;
        for (int I = 0; I < W.S.ShapeCount(); ++I)
            Empty += dynamic_cast<TMyImage&>(*W.S.ShapeByIndex(I)).Bitmap().Empty() ? 1 : 0;
        EXPECT_EQ(Empty, R.EmptyImages);
    }
}

namespace {

// A document in the "KW.5" layout (extended reals) with a rectangle and a
// line whose coordinates, info anchors and angles all hold Value.
QByteArray Version5Document(const TExtendedBytes& Value) {
    TMyDraxa Empty;
    QByteArray D = Save(Empty);
    D.replace(128, 4, "KW.5");
    D.remove(251, 8); // no tag and user data before "KW.h"
    D.chop(4);        // the shape count, written again below
    const QByteArray X(reinterpret_cast<const char*>(Value.data()), 10);
    auto Text = [](const QByteArray& T) { return I32(int32_t(T.size())) + T; };
    auto Record = [&](const char* Class, int Number) {
        QByteArray R = QByteArray(Class).leftJustified(16, ' ');
        R += Text("Shape" + QByteArray::number(Number)) + I32(Number) + I32(Number) + I32(0) + I32(-1);
        R += I32(0) + I32(0);                   // members, connectors
        R += I32(4) + X.repeated(8);            // points
        R += I32(1) + X.repeated(2);            // link points
        R += X.repeated(2) + I32(0) + X;        // info anchor, tag, angle
        R += I64(0) + I32(0xFFFFFF) + char(0);  // brush: no picture, colour, style
        R += Text("") + I32(0xFFFFFF) + I32(0); // caption, gradient colours
        R += Text("Arial") + char(0) + I32(0) + I32(-13) + I32(10) + char(0) + I32(96) + char(1); // font
        R += I32(0) + I32(0) + char(0) + QByteArray(2, '\0');    // reserved, gradient style, legacy bytes
        R += Text("info") + I32(0) + char(4) + char(0) + I32(3); // info, pen
        if (QByteArray(Class) == "TMyLine") R += I32(30) + char(20) + char(0) + char(3); // arrows
        return R;
    };
    return D + I32(2) + Record("TMyRectangle", 0) + Record("TMyLine", 1);
}

TExtendedBytes Extended(uint64_t Significand, uint16_t SignExponent) {
    TExtendedBytes B{};
    for (int I = 0; I < 8; ++I) B[size_t(I)] = uint8_t(Significand >> (8 * I));
    B[8] = uint8_t(SignExponent);
    B[9] = uint8_t(SignExponent >> 8);
    return B;
}

} // namespace

TEST(HostileDocuments, NonFiniteAndDenormalExtendedRealsLoadPaintAndRoundTrip) {
    const uint64_t Top = uint64_t(1) << 63;
    const struct {
        const char* Name;
        TExtendedBytes Value;
    } Rows[] = {
        {"quiet NaN", Extended(Top | (Top >> 1), 0x7FFF)},
        {"NaN with a low payload", Extended(Top | 1, 0xFFFF)},
        {"+infinity", Extended(Top, 0x7FFF)},
        {"-infinity", Extended(Top, 0xFFFF)},
        {"beyond the float range", Extended(Top, 0x7FFE)},
        {"smallest denormal", Extended(1, 0)},
        {"pseudo-denormal", Extended(Top, 0)},
        {"unnormal", Extended(1, 0x4000)},
        {"float denormal", EncodeExtended(1e-40)},
        {"just below the int range", EncodeExtended(2147483520.0)},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        const QByteArray Document = Version5Document(R.Value);
        TMyDraxa S;
        ASSERT_TRUE(Load(S, Document));
        ASSERT_EQ(S.ShapeCount(), 2);
        // Saving, painting, hit tests, flips and deleting, checked as the
        // document fuzzers check them; under the sanitizers any NaN or huge
        // value that reaches an integer conversion stops the test.
        const auto* Bytes = reinterpret_cast<const uint8_t*>(Document.constData());
        FuzzDocument(Bytes, size_t(Document.size()));
        FuzzDocumentUse(Bytes, size_t(Document.size()));
    }
}
