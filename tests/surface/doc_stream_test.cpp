// The document format: layout, older versions, and loads that fail without
// losing the drawing that was there.
#include "foundation/bitmap.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "surface/draxa.h"

#include "common/document_io.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

using namespace draxa;
using namespace draxa::testing;

namespace {

void AddSampleShapes(TMyDraxa& S) {
    S.AddShapeByTool(&S, TDrawTool::SpRectangle, "Box", {{10, 10}, {60, 10}, {60, 40}, {10, 40}}, 0, {});
    S.AddShapeByTool(&S, TDrawTool::SpLine, "Line", {{5, 5}, {80, 90}}, 0, {});
    S.AddShapeByTool(&S, TDrawTool::SpPolygon, "Poly", {{0, 0}, {30, 0}, {15, 20}}, 0, {});
}

// Offset of the layer count in a document without picture (fields 1-16 as written).
constexpr int kLayerCountOffset = 239 + 4 + 8 + 4 + 4;

} // namespace

TEST(DocumentFormat, EmptyDrawingHasTheDocumentedLayout) {
    TMyDraxa S;
    const QByteArray Bytes = Save(S);
    ASSERT_EQ(Bytes.size(), 289);
    EXPECT_TRUE(Bytes.startsWith("Quorrin Softworks"));
    EXPECT_EQ(Bytes.mid(128, 4), "KW.j");
    EXPECT_EQ(Bytes.at(154 + 62), ' ');
    EXPECT_EQ(Bytes.at(154 + 63), '\0');

    TMyDraxa Back;
    Back.AddLayer("Extra", true);
    ASSERT_TRUE(Load(Back, Bytes));
    ASSERT_EQ(Back.LayerCount(), 1);
    EXPECT_EQ(Back.Layers()[0].Name, "Layer0");
    EXPECT_EQ(Back.CurrentLayer(), 0);
    EXPECT_EQ(Back.NextShapeNo(), 1);
    EXPECT_EQ(Back.AddLayer("Next", true), 1) << "the next layer id follows the largest loaded one";
}

TEST(DocumentFormat, SizeIsStoredInLogicalPixelsAndZoomComesBackAsOne) {
    TMyDraxa S;
    S.SetZoom(2.0);
    S.SetBounds(0, 0, 757, 485);
    const QByteArray Bytes = Save(S);
    TMemoryStream M(Bytes);
    M.SetPosition(222);
    EXPECT_EQ(ReadInt32(M), 378);
    EXPECT_EQ(ReadInt32(M), 242);

    TMyDraxa Back;
    ASSERT_TRUE(Load(Back, Bytes));
    EXPECT_EQ(Back.Zoom(), 1.0);
    EXPECT_EQ(Back.Width(), 378);
    EXPECT_EQ(Back.Height(), 242);
}

TEST(DocumentFormat, ShapesSettingsAndLayersRoundTrip) {
    TMyDraxa S;
    AddSampleShapes(S);
    S.AddLayer("Hidden", false);
    S.SetTheUNIT(TUnits::inch);
    S.SetRatio(2.5);
    S.SetTag(77);
    S.UserData().Add("author", "Zoë");
    TBitmap Picture(3, 2);
    Picture.Canvas().SetPixel(1, 1, clRed);
    S.SetBkBitmap(Picture);
    S.SetBkBitmapMode(TBkBitmapMode::Tiled);
    const QByteArray Bytes = Save(S);

    TMyDraxa Back;
    ASSERT_TRUE(Load(Back, Bytes));
    ASSERT_EQ(Back.ShapeCount(), 3);
    for (int I = 0; I < 3; ++I) {
        EXPECT_EQ(Back.ShapeByIndex(I)->ClassName(), S.ShapeByIndex(I)->ClassName());
        EXPECT_EQ(Back.ShapeByIndex(I)->Name(), S.ShapeByIndex(I)->Name());
        EXPECT_EQ(Back.ShapeByIndex(I)->Points(), S.ShapeByIndex(I)->Points());
        EXPECT_EQ(Back.ShapeByIndex(I)->Index(), I);
    }
    EXPECT_EQ(Back.NextShapeNo(), 3);
    EXPECT_EQ(Back.TheUNIT(), TUnits::inch);
    EXPECT_EQ(Back.Ratio(), 2.5);
    EXPECT_EQ(Back.Tag(), 77);
    EXPECT_EQ(Back.UserData().Value("author"), "Zoë");
    EXPECT_EQ(Back.BkBitmapMode(), TBkBitmapMode::Tiled);
    EXPECT_EQ(Back.BkBitmap().Width(), 3);
    EXPECT_EQ(Back.BkBitmap().Canvas().Pixels(1, 1), clRed);
    ASSERT_EQ(Back.LayerCount(), 2);
    EXPECT_FALSE(Back.Layers()[1].Visible);
    EXPECT_TRUE(Back.UndoHistory().empty());
    EXPECT_EQ(Save(Back), Bytes) << "saving what was loaded gives the same bytes";
}

TEST(DocumentFormat, OlderVersionsHaveNoTagOrUserData) {
    TMyDraxa S;
    QByteArray Bytes = Save(S);
    // Turn the document into a "KW.5" one: its version tag, and no tag and user data block.
    Bytes.replace(128, 4, "KW.5");
    Bytes.remove(251, 8);
    TMyDraxa Back;
    Back.UserData().Add("keep", "old");
    ASSERT_TRUE(Load(Back, Bytes));
    EXPECT_EQ(Back.FileVersion(), "KW.5");
    EXPECT_EQ(Back.LayerCount(), 1);
    EXPECT_EQ(Back.UserData().Value("keep"), "old");
}

TEST(DocumentFormat, StoredLayerAndUserDataRules) {
    TMyDraxa S;
    S.UserData().Add("k", "stored");
    S.AddLayer(QString(300, QChar('n')), true);
    QByteArray Bytes = Save(S);
    // The second layer's visible flag: 2 loads as hidden.
    // Layer count, then "Layer0" (name, id, flag), then the long name and the id of the second layer;
    // the user data pair "k"/"stored" comes first.
    const int UserData = (4 + 1) + (4 + 6);
    const int Second = kLayerCountOffset + UserData + 4 + (4 + 6 + 4 + 4) + (4 + 255) + 4;
    TMemoryStream M(Bytes);
    M.SetPosition(Second);
    WriteInt32(M, 2);
    Bytes = M.ToByteArray();

    TMyDraxa Back;
    Back.UserData().Add("k", "already");
    ASSERT_TRUE(Load(Back, Bytes));
    EXPECT_EQ(Back.UserData().Value("k"), "already") << "a key the surface holds keeps its value";
    ASSERT_EQ(Back.LayerCount(), 2);
    EXPECT_EQ(Back.Layers()[1].Name, QString(255, QChar('n')));
    EXPECT_FALSE(Back.Layers()[1].Visible);
}

TEST(DocumentFormat, AFailedLoadLeavesTheDrawingAsItWas) {
    TMyDraxa Source;
    AddSampleShapes(Source);
    const QByteArray Good = Save(Source);

    TMyDraxa S;
    S.AddShapeByTool(&S, TDrawTool::SpEllipse, "Mine", {{0, 0}, {9, 0}, {9, 9}, {0, 9}}, 0, {});
    S.SetZoom(1.5);
    const QByteArray Before = Save(S);
    const size_t History = S.UndoHistory().size();

    // Every truncation of a valid document fails cleanly.
    for (int Cut = 0; Cut < Good.size(); Cut += (Cut < 300 ? 1 : 7)) {
        ASSERT_FALSE(Load(S, Good.left(Cut))) << "cut at " << Cut;
    }
    EXPECT_EQ(Save(S), Before);
    EXPECT_EQ(S.Zoom(), 1.5);
    EXPECT_EQ(S.UndoHistory().size(), History);
    ASSERT_EQ(S.ShapeCount(), 1);
    EXPECT_EQ(S.ShapeByIndex(0)->Name(), "Mine");
}

TEST(DocumentFormat, HostileDocumentsFailWithoutHarm) {
    TMyDraxa Source;
    AddSampleShapes(Source);
    const QByteArray Good = Save(Source);
    struct Row {
        const char* Name;
        int Offset;
        QByteArray Bytes;
    };
    auto I32 = [](int32_t V) { return QByteArray(reinterpret_cast<const char*>(&V), 4); };
    const Row Rows[] = {
        {"absurd width", 222, I32(INT32_MAX)},
        {"negative height", 226, I32(-5)},
        {"unknown unit", 230, QByteArray(1, char(9))},
        {"picture size past the end", 231, QByteArray::fromHex("ffffffffffffff7f")},
        {"negative picture size", 231, QByteArray::fromHex("ffffffffffffffff")},
        {"layer count past the end", kLayerCountOffset, I32(1 << 30)},
        {"negative user data count", 255, I32(-1)},
        {"unknown version", 128, QByteArray("KW.z")},
    };
    for (const Row& R : Rows) {
        QByteArray Bad = Good;
        Bad.replace(R.Offset, R.Bytes.size(), R.Bytes);
        TMyDraxa S;
        EXPECT_FALSE(Load(S, Bad)) << R.Name;
        EXPECT_EQ(S.LayerCount(), 1) << R.Name;
        EXPECT_EQ(S.Width(), 794) << R.Name;
    }

    QByteArray Unknown = Good;
    const int At = Unknown.indexOf("TMyLine");
    ASSERT_GT(At, 0);
    Unknown.replace(At, 7, "TMyLyne");
    TMyDraxa S;
    EXPECT_FALSE(Load(S, Unknown));
    EXPECT_EQ(S.ShapeCount(), 0);
}

TEST(DocumentFormat, ShapeNumbersMustBeDistinctWhateverTheirOrder) {
    TMyDraxa Source;
    AddSampleShapes(Source);
    const int N = Source.ShapeCount();
    ASSERT_GE(N, 3);
    // Falling numbers are as good as rising ones.
    for (int I = 0; I < N; ++I) Source.ShapeByIndex(I)->SetShapeNo(100 - I);
    TMyDraxa Falling;
    ASSERT_TRUE(Load(Falling, Save(Source)));
    EXPECT_EQ(Falling.ShapeByIndex(N - 1)->ShapeNo(), 100 - (N - 1));
    // The same number on two shapes far apart in the list is refused.
    Source.ShapeByIndex(N - 1)->SetShapeNo(100);
    TMyDraxa Twice;
    EXPECT_FALSE(Load(Twice, Save(Source)));
    EXPECT_EQ(Twice.ShapeCount(), 0);
}

TEST(DocumentFormat, FilesAreRecognisedByTheirSignature) {
    QTemporaryDir Dir;
    TMyDraxa Source;
    AddSampleShapes(Source);
    const QString Doc = Dir.filePath("a.tdraxa");
    {
        TFileStream F(Doc, fmCreate);
        ASSERT_TRUE(Source.SaveToStream(F));
    }
    const QString Other = Dir.filePath("b.tdraxa");
    {
        TFileStream F(Other, fmCreate);
        const QByteArray Junk(100, 'x');
        F.WriteBuffer(Junk.constData(), Junk.size());
    }
    EXPECT_TRUE(TMyDraxa::IsDocumentFile(Doc));
    EXPECT_FALSE(TMyDraxa::IsDocumentFile(Other));
    EXPECT_THROW(TMyDraxa::IsDocumentFile(Dir.filePath("missing")), EStreamError);

    TMyDraxa S;
    EXPECT_FALSE(S.LoadFromFile(Other));
    EXPECT_FALSE(S.LoadFromFile(Dir.filePath("missing")));
    ASSERT_TRUE(S.LoadFromFile(Doc));
    EXPECT_EQ(S.ShapeCount(), 3);
}
