// TMyShape's model: settings taken from the surface, names, copying, the
// link-line list, passing attributes to group members, the info texts.
#include "foundation/bitmap.h"
#include "foundation/bitmap_effects.h"
#include "foundation/canvas.h"
#include "shapes/link_line.h"
#include "shapes/rectangle.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>

#include <memory>

using namespace draxa;

namespace {

// Adds a box to the surface at the next index, with its centre reset.
TMyShape* AddBox(TMyDraxa& Surface, float L, float T, float R, float B) {
    auto* S = new TMyRectangle(&Surface);
    for (const TMyPoint& P : {MyPoint(L, T), MyPoint(R, T), MyPoint(R, B), MyPoint(L, B)})
        S->AddScreenPoint(P);
    S->ResetRotateCenter(TPoint{}, TPoint{});
    S->SetIndex(Surface.ShapeCount());
    Surface.AddShape(S, false, false);
    return S;
}

void MakeMember(TMyShape* Group, TMyShape* Member) {
    Group->MembersRef().push_back(Member->Index());
    Member->SetGroupIndex(Group->Index());
}

} // namespace

TEST(ShapeModel, NewShapeCopiesSurfaceSettingsAndDefaults) {
    TMyDraxa Surface;
    Surface.Pen().SetColor(clRed);
    Surface.Pen().SetWidth(3);
    Surface.SetRotateEnable(false);
    TMyRectangle S(&Surface);
    EXPECT_EQ(S.Pen().Color(), clRed);
    EXPECT_EQ(S.Pen().Width(), 3);
    EXPECT_FALSE(S.RotateEnable());
    EXPECT_EQ(S.GradientStyle(), TGradientStyle::gsNone);
    EXPECT_EQ(S.LogHeight() + S.LogWidth(), 20);
    EXPECT_TRUE(S.Visible());
    EXPECT_EQ(S.GroupIndex(), -1);
    Surface.Pen().SetColor(clBlue); // a copy, not the surface's pen
    EXPECT_EQ(S.Pen().Color(), clRed);
}

TEST(ShapeModel, NameSetsEmptyCaptionAndRejectsInvalidIdentifiers) {
    TMyDraxa Surface;
    TMyRectangle S(&Surface), Captioned(&Surface);
    S.SetName("Shape7");
    S.SetName("_second");
    EXPECT_EQ(S.Caption(), "Shape7");
    Captioned.SetCaption("A");
    Captioned.SetName("Shape8");
    EXPECT_EQ(Captioned.Caption(), "A");
    for (const char* Bad : {"7Shape", "Shape 7", "Shape-7", "Sh\xC3\xA4pe"}) {
        const QString Name = QString::fromUtf8(Bad);
        try {
            S.SetName(Name);
            ADD_FAILURE() << Bad << " accepted";
        } catch (const EComponentError& E) {
            EXPECT_EQ(QString::fromUtf8(E.what()), "'" + Name + "' is not a valid component name");
        }
        EXPECT_EQ(S.Name(), "_second");
    }
}

TEST(ShapeModel, AssignCopiesEverythingAndOwnsItsPattern) {
    TMyDraxa Surface;
    auto Source = std::make_unique<TMyRectangle>(&Surface);
    for (const TMyPoint& P : {MyPoint(0, 0), MyPoint(40, 0), MyPoint(40, 20), MyPoint(0, 20)})
        Source->AddScreenPoint(P);
    Source->SetRotateCenter(MyPoint(999, 999));
    Source->SetName("Src");
    Source->MembersRef() = {1, 2};
    Source->SetGroupIndex(6);
    TBitmap Pattern(4, 4);
    Pattern.Canvas().Brush().SetColor(clRed);
    Pattern.Canvas().FillRect(Rect(0, 0, 4, 4));
    Source->Brush().SetBitmap(&Pattern);

    TMyRectangle Copy(&Surface), Geometry(&Surface);
    Copy.Assign(*Source);
    Geometry.AssignGeometry(*Source);
    EXPECT_EQ(Copy.Points(), Source->Points());
    EXPECT_EQ(Copy.RotateCenter(), MyPoint(20, 10)); // centre of the copied points
    EXPECT_EQ(Copy.Name(), "Src");
    EXPECT_EQ(Copy.Members(), (TMyShapeNo{1, 2}));
    EXPECT_EQ(Copy.GroupIndex(), 6);
    // A geometry copy leaves the identity in the document alone.
    EXPECT_EQ(Geometry.Points(), Source->Points());
    EXPECT_EQ(Geometry.Name(), "");
    EXPECT_TRUE(Geometry.Members().empty());
    EXPECT_EQ(Geometry.GroupIndex(), -1);

    Source.reset();
    for (TMyShape* S : {static_cast<TMyShape*>(&Copy), static_cast<TMyShape*>(&Geometry)}) {
        ASSERT_NE(S->Brush().Bitmap(), nullptr);
        EXPECT_EQ(S->Brush().Bitmap()->Canvas().Pixels(3, 3), clRed);
    }
    Copy.Assign(Copy);
    EXPECT_EQ(Copy.PointCount(), 4);
    EXPECT_NE(Copy.Brush().Bitmap(), nullptr);
}

TEST(ShapeModel, LinkLineListsAndLookups) {
    TMyDraxa Surface;
    TMyRectangle S(&Surface);
    S.LinkLinesRef() = {5, 2, 5};
    S.RemoveLinkLine(5);
    S.RemoveLinkLine(9);
    S.AddLinkLine(2);
    EXPECT_EQ(S.LinkLines(), (TMyShapeNo{5, 2}));
    S.AddScreenPoint(MyPoint(3, 4));
    for (int I : {-1, 1}) EXPECT_EQ(S.GetPoint(I), MyPoint(0, 0));

    Surface.SetLinkLineDrawStyle(TLinkLineDrawStyle::lldsFree);
    TMyShape* Target = AddBox(Surface, 0, 0, 10, 10);
    TMyLinkLine A(&Surface), B(&Surface);
    EXPECT_EQ(A.LinkLineDrawStyle(), TLinkLineDrawStyle::lldsFree);
    EXPECT_EQ(A.GetStartShape(), nullptr);
    A.SetStartShapeIndex(Target->Index());
    A.SetLinkLineDrawStyle(TLinkLineDrawStyle::lldsHV);
    B.Assign(A);
    EXPECT_EQ(B.GetStartShape(), Target);
    EXPECT_EQ(B.LinkLineDrawStyle(), TLinkLineDrawStyle::lldsHV);
}

TEST(ShapeModel, GroupPassesAttributesToNestedMembers) {
    TMyDraxa Surface;
    TMyShape* Group = AddBox(Surface, 0, 0, 100, 100);
    TMyShape* Member = AddBox(Surface, 0, 0, 10, 10);
    TMyShape* Inner = AddBox(Surface, 20, 20, 60, 60);
    TMyShape* Nested = AddBox(Surface, 20, 20, 30, 30);
    MakeMember(Group, Member);
    MakeMember(Group, Inner);
    MakeMember(Inner, Nested);

    Group->Brush().SetColor(clAqua);
    Group->Pen().SetColor(clBlue);
    Group->Font().SetName("Courier");
    Group->SetGradientStyle(TGradientStyle::gsLinearH);
    for (TMyShape* M : {Member, Inner, Nested}) {
        EXPECT_EQ(M->Brush().Color(), clAqua);
        EXPECT_EQ(M->Pen().Color(), clBlue);
        EXPECT_EQ(M->Font().Name(), "Courier");
        EXPECT_FALSE(M->GradientBitmap().Empty());
    }
    // A member chain that leads back to the group ends there.
    Nested->MembersRef().push_back(Group->Index());
    Group->Brush().SetColor(clLime);
    EXPECT_EQ(Group->Brush().Color(), clLime);
    EXPECT_EQ(Nested->Brush().Color(), clLime);

    Group->SetLocked(true);
    EXPECT_TRUE(Nested->Locked());
}

TEST(ShapeModel, AngleAndFlipPropertiesGoThroughTheSurface) {
    TMyDraxa Surface;
    TMyRectangle Empty(&Surface);
    TMyShape* S = AddBox(Surface, 10, 10, 50, 30);
    for (TMyShape* Each : {static_cast<TMyShape*>(&Empty), static_cast<TMyShape*>(&Empty), S, S})
        Each->SetAngle(0.5f);
    EXPECT_FLOAT_EQ(Empty.Angle(), 0.5f); // without points: stored
    EXPECT_FLOAT_EQ(S->Angle(), 1.0f);    // with points: turned by

    TMyShape* F = AddBox(Surface, 0, 0, 40, 20);
    F->SetGradientStyle(TGradientStyle::gsLinearV);
    const TArrMyPoint Before = F->Points();
    F->SetIsFlipHorz(true);
    EXPECT_TRUE(F->IsFlipHorz());
    // The gradient image follows the mirror, also when only the colours change.
    F->SetColorEnd(clRed);
    TBitmap Expected;
    RebuildGradientImage(F->ColorBegin(), clRed, TGradientStyle::gsLinearV, Expected);
    MirrorBitmap(Expected, true, false);
    EXPECT_EQ(F->GradientBitmap().Image(), Expected.Image());
    F->SetIsFlipHorz(true);
    EXPECT_FALSE(F->IsFlipHorz());
    EXPECT_EQ(F->Points(), Before);
}

TEST(ShapePainting, InfoTextsAreCentredOnTheAnchorOverATransparentBackground) {
    TMyDraxa Surface;
    TMyRectangle S(&Surface);
    S.Font().SetSize(12);
    S.SetInfoPos(MyPoint(100, 60));
    int White = 0;
    // Bounds of what Paint puts on a green bitmap; counts the white pixels.
    auto Ink = [&S, &White] {
        TBitmap Bmp(240, 160);
        Bmp.Canvas().Brush().SetColor(clLime);
        Bmp.Canvas().FillRect(Rect(0, 0, 240, 160));
        S.Paint(Bmp.Canvas());
        QRect R;
        for (int Y = 0; Y < 160; ++Y)
            for (int X = 0; X < 240; ++X) {
                const QRgb C = Bmp.Image().pixel(X, Y) & 0xFFFFFF;
                White += C == 0xFFFFFF;
                if (C != 0x00FF00) R |= QRect(X, Y, 1, 1);
            }
        return R;
    };
    EXPECT_TRUE(Ink().isEmpty());
    S.SetMultiInfo({"first line", "second line"});
    const QRect Multi = Ink();
    S.SetInfo("abc");
    const QRect Info = Ink();
    ASSERT_FALSE(Info.isEmpty());
    EXPECT_NEAR(Info.center().x(), 100, 3);
    EXPECT_NEAR(Info.center().y(), 60, 4);
    EXPECT_LT(Info.height() * 3 / 2, Multi.height()); // the lines are not drawn under Info
    EXPECT_EQ(White, 0);                              // no text background

    Surface.SetZoom(2);
    S.SetInfoPos(MyPoint(50, 30));
    const QRect Zoomed = Ink();
    EXPECT_NEAR(Zoomed.center().x(), 100, 4);
    EXPECT_NEAR(Zoomed.height(), 2 * Info.height(), 3);
    S.SetCaptionShow(false);
    EXPECT_TRUE(Ink().isEmpty());
}
