// TMyEllipse and TMyGroup; and the records and copies of every box class of
// the ellipse, text and connection-point families.
#include "foundation/bitmap.h"
#include "foundation/canvas.h"
#include "foundation/streams.h"
#include "shapes/ellipse_group.h"
#include "shapes/link_point.h"
#include "shapes/text.h"
#include "surface/draxa.h"

#include "common/document_io.h"

#include <gtest/gtest.h>
#include <QImage>

#include <memory>

using namespace draxa;
using namespace draxa::testing;

namespace {

TMyEllipse* AddEllipse(TMyDraxa& Surface, float L, float T, float R, float B, double Angle = 0) {
    return dynamic_cast<TMyEllipse*>(Surface.ShapeByNumber(Surface.AddShapeByTool(
        &Surface, TDrawTool::SpEllipse, "E", {{L, T}, {R, T}, {R, B}, {L, B}}, Angle, "")));
}

} // namespace

TEST(Ellipse, OutlineStartsBelowTheCentreAndTurnsWithTheBox) {
    const struct {
        double Zoom, Angle;
        TPoint P0, P18, P36;
    } Rows[] = {{1, 0, {50, 50}, {100, 25}, {50, 0}}, {2, 1.5707963, {50, 50}, {100, 150}, {150, 50}}};
    for (const auto& R : Rows) {
        TMyDraxa Surface;
        const TMyEllipse* E = AddEllipse(Surface, 0, 0, 100, 50, R.Angle);
        Surface.SetZoom(R.Zoom);
        const TArrPoint K = E->ScreenOutline();
        ASSERT_EQ(K.size(), 73u);
        EXPECT_EQ(K[0], R.P0);
        EXPECT_EQ(K[18], R.P18);
        EXPECT_EQ(K[36], R.P36);
        EXPECT_EQ(K[72], K[0]);
    }
}

TEST(Ellipse, PaintFillsTheOutlineWhileTheWholeBoxHits) {
    TMyDraxa Surface;
    TMyEllipse* E = AddEllipse(Surface, 100, 100, 200, 150);
    E->Brush().SetColor(clRed);
    QImage Image(300, 300, QImage::Format_RGB32);
    Image.fill(Qt::white);
    TCanvas Canvas(&Image);
    E->Paint(Canvas);
    Canvas.Release();
    EXPECT_EQ(Image.pixel(150, 125), QColor(Qt::red).rgb());
    EXPECT_EQ(Image.pixel(102, 102), QColor(Qt::white).rgb()) << "the box's corner is outside the ellipse";
    EXPECT_TRUE(E->PointInShape(Canvas, Point(102, 102)));
    EXPECT_FALSE(E->PointInShape(Canvas, Point(98, 125)));
}

TEST(Ellipse, AreaTextInTheSurfaceUnit) {
    const struct {
        TUnits Unit;
        double Ratio;
        const char* Area;
    } Rows[] = {{TUnits::pixel, 1, "Area=  3926.99pixel(s)2"}, {TUnits::cm, 1, "Area=     2.75cm2"}};
    for (const auto& R : Rows) {
        TMyDraxa Surface;
        Surface.SetTheUNIT(R.Unit);
        Surface.SetRatio(R.Ratio);
        QString Text;
        AddEllipse(Surface, 100, 100, 200, 150, 0.6)->UpdateMeasureInfo(Text);
        EXPECT_EQ(Text, R.Area);
    }
}

TEST(Group, LoadedGroupWithHiddenMembersPaintsOnlyItsCaption) {
    TMyDraxa Source;
    TMyShape* Member = Source.ShapeByNumber(Source.AddShapeByTool(
        &Source, TDrawTool::SpRectangle, "Member", {{60, 60}, {240, 60}, {240, 140}, {60, 140}}, 0, ""));
    Member->SetVisible(false);
    Member->SetGroupIndex(1);
    TMyShape* G = Source.CreateShapeByClassName("TMyGroup");
    for (const TMyPoint& P : Member->Points()) G->AddScreenPoint(P);
    G->SetShapeNo(Source.NextShapeNo());
    G->SetIndex(1);
    G->SetName("G");
    G->MembersRef() = {0};
    G->SetInfoPos(MyPoint(150, 100));
    G->SetInfo("Caption");
    ASSERT_TRUE(Source.AddShape(G, false, false));
    TMemoryStream Document;
    ASSERT_TRUE(Source.SaveToStream(Document));

    TMyDraxa Loaded;
    Document.SetPosition(0);
    ASSERT_TRUE(Loaded.LoadFromStream(Document));
    Loaded.SetShowHotLink(false);
    Loaded.GridOperation().GridType = TGridType::gNone;
    Loaded.RenderToBitmap(Rect(0, 0, 300, 200));
    const QImage Image = Loaded.OffscreenBitmap().Image().convertToFormat(QImage::Format_RGB32);
    int Caption = 0, Elsewhere = 0;
    for (int Y = 0; Y < 200; ++Y)
        for (int X = 0; X < 300; ++X)
            if (Image.pixel(X, Y) != QColor(Qt::white).rgb())
                ++(std::abs(X - 150) < 60 && std::abs(Y - 100) < 15 ? Caption : Elsewhere);
    EXPECT_GT(Caption, 10);
    EXPECT_EQ(Elsewhere, 0) << "neither the hidden member nor a frame";
}

TEST(Combine, EveryBoxClassLoadsBackEqualAndCopiesStoreTheSame) {
    TMyDraxa Surface;
    for (const char* Class :
         {"TMyEllipse", "TMyGroup", "TMyCombine", "TMyText", "TMyLinkPoint", "TMyLineLinkLine"}) {
        std::unique_ptr<TMyShape> A(Surface.CreateShapeByClassName(Class));
        ASSERT_EQ(A->ClassName(), Class);
        if (auto* P = dynamic_cast<TMyLinkPoint*>(A.get())) P->SetSize(13);
        if (auto* T = dynamic_cast<TMyText*>(A.get())) {
            T->SetLines({"one", ""});
            T->SetIsSolid(false);
            T->SetVAlignment(TVAlignment::vaBottom);
            T->SetWordWrap(true);
        }
        A->AddPoint(Point(10, 20));
        A->AddPoint(Point(110, 70));
        A->SetName("S1");
        A->MembersRef() = {3, 4};
        const QByteArray Bytes = Save(*A);
        std::unique_ptr<TMyShape> B(A->NewOfSameClass()), Copy(A->NewOfSameClass());
        TMemoryStream M(Bytes);
        B->LoadFromStream(M);
        EXPECT_EQ(M.Remaining(), 0) << Class;
        EXPECT_EQ(Save(*B), Bytes) << Class;
        Copy->Assign(*A);
        EXPECT_EQ(Save(*Copy), Bytes) << Class << ": a copy stores what the original stores";
    }
}
