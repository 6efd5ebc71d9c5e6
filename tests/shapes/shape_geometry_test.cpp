// TMyShape geometry: moving, turning, mirroring, scaling, measuring, and
// the hover mark on link points and line ends.
#include "foundation/canvas.h"
#include "shapes/line.h"
#include "shapes/rectangle.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace draxa;

namespace {

constexpr double Pi = 3.14159265358979323846;

// A plain shape with the base class's behaviour only (the real classes
// override much of it); link points are placed by the classes themselves,
// so the test class does it.
class TLinked : public TMyShape {
public:
    using TMyShape::TMyShape;
    void AddLink(const TMyPoint& P) { MutableLinkPoints().push_back(P); }
};

// Adds S with the given points to the surface at the next index, centre reset.
TMyShape* AddShape(TMyDraxa& Surface, TMyShape* S, std::initializer_list<TMyPoint> Points) {
    for (const TMyPoint& P : Points) S->AddScreenPoint(P);
    S->ResetRotateCenter(TPoint{}, TPoint{});
    S->SetIndex(Surface.ShapeCount());
    Surface.AddShape(S, false, false);
    return S;
}

TMyShape* AddBox(TMyDraxa& Surface, float L, float T, float R, float B,
                 std::initializer_list<TMyPoint> Links = {}) {
    auto* S = new TLinked(&Surface);
    for (const TMyPoint& P : Links) S->AddLink(P);
    return AddShape(Surface, S, {{L, T}, {R, T}, {R, B}, {L, B}});
}

QImage Screen(TMyDraxa& Surface) {
    Surface.Canvas().Release();
    return Surface.ScreenImage().copy();
}

} // namespace

TEST(ShapeGeometry, MoveShiftsEverythingButLogicalMoveKeepsTheCentre) {
    TMyDraxa Surface;
    TMyShape* S = AddBox(Surface, 10, 10, 30, 20, {{10, 15}});
    EXPECT_EQ(S->InfoPos(), MyPoint(20, 30)); // ten units below the lowest point
    const TArrMyPoint Points = S->Points();
    S->Move(0, 0);
    EXPECT_EQ(S->Points(), Points);

    Surface.SetZoom(2);
    S->Move(10, 0);
    EXPECT_EQ(S->GetPoint(2), MyPoint(35, 20));
    EXPECT_EQ(S->GetLinkPoint(0), MyPoint(15, 15));
    EXPECT_EQ(S->RotateCenter(), MyPoint(25, 15));
    EXPECT_EQ(S->InfoPos(), MyPoint(25, 30));

    S->MoveLogical(5, 5);
    EXPECT_EQ(S->GetPoint(2), MyPoint(40, 25));
    EXPECT_EQ(S->GetLinkPoint(0), MyPoint(20, 20));
    EXPECT_EQ(S->InfoPos(), MyPoint(30, 35));
    EXPECT_EQ(S->RotateCenter(), MyPoint(25, 15));
}

TEST(ShapeGeometry, RotateTurnsClockwiseAndAddsToTheAngle) {
    TMyDraxa Surface;
    TMyRectangle Empty(&Surface);
    Empty.Rotate(MyPoint(0, 0), 1);
    EXPECT_EQ(Empty.Angle(), 0);

    TMyShape* S = AddShape(Surface, new TMyLine(&Surface), {{20, 0}, {0, 0}});
    S->SetRotateCenter(MyPoint(0, 0));
    S->Rotate(S->GetRotateCenter(), Pi / 2);
    EXPECT_NEAR(S->GetPoint(0).X, 0, 1e-5);
    EXPECT_NEAR(S->GetPoint(0).Y, 20, 1e-5);
    EXPECT_EQ(S->RotateCenter(), MyPoint(0, 0));
    EXPECT_FLOAT_EQ(S->Angle(), float(Pi / 2));
    for (int I = 0; I < 4; ++I) S->Rotate(MyPoint(0, 0), Pi / 2); // past a full turn
    EXPECT_NEAR(S->Angle(), Pi / 2, 1e-5);
}

TEST(ShapeGeometry, FlipsMirrorAboutTheCentreAndTurnTheAngle) {
    struct Case {
        bool Horz;
        float Angle, Expected;
    };
    for (const Case& C : {Case{true, 0, 0}, Case{true, 0.3f, float(Pi - 0.3)}, Case{false, 0.3f, -0.3f}}) {
        SCOPED_TRACE(testing::Message() << (C.Horz ? "horz " : "vert ") << C.Angle);
        TMyDraxa Surface;
        TMyShape* S = AddBox(Surface, 0, 0, 40, 20);
        S->SetAngleDirect(C.Angle);
        S->SetRotateCenter(MyPoint(50, 50));
        const TArrMyPoint Before = S->Points();
        C.Horz ? S->FlipHorz() : S->FlipVert();
        EXPECT_NEAR(S->Angle(), C.Expected, 1e-6);
        EXPECT_EQ(S->GetPoint(0), C.Horz ? MyPoint(100, 0) : MyPoint(0, 100));
        EXPECT_TRUE(C.Horz ? S->IsFlipHorz() : S->IsFlipVert());
        C.Horz ? S->FlipHorz() : S->FlipVert();
        EXPECT_NEAR(S->Angle(), C.Angle, 1e-6);
        EXPECT_EQ(S->Points(), Before);
        EXPECT_FALSE(S->IsFlipHorz() || S->IsFlipVert());
    }
}

TEST(ShapeGeometry, GroupMemberFlipsAboutTheOutermostGroup) {
    TMyDraxa Surface;
    TMyShape* Outer = AddBox(Surface, 0, 0, 200, 100);
    TMyShape* Inner = AddBox(Surface, 0, 0, 40, 40);
    TMyShape* Member = AddBox(Surface, 10, 10, 30, 20);
    Outer->MembersRef() = {Inner->Index()};
    Inner->SetGroupIndex(Outer->Index());
    Inner->MembersRef() = {Member->Index()};
    Member->SetGroupIndex(Inner->Index());
    Member->FlipHorz();
    EXPECT_EQ(Member->GetPoint(0), MyPoint(190, 10));
    EXPECT_EQ(Member->RotateCenter(), MyPoint(180, 15));
}

TEST(ShapeGeometry, AngleBetweenMeasuresClockwiseAndSnaps) {
    struct Case {
        double FromDeg, ToDeg;
        int Step;
        double ExpectedDeg;
    };
    const Case Cases[] = {{0, 90, 0, 90},  {90, 0, 0, -90}, {270, 0, 0, -270}, {0, 180, 0, 180},
                          {0, 50, 15, 45}, {0, 53, 15, 60}, {0, 52.4, 15, 45}, {50, 0, 15, -45}};
    TMyDraxa Surface;
    TMyRectangle S(&Surface);
    auto At = [](double Deg) {
        return MyPoint(float(100 + 50 * std::cos(Deg * Pi / 180)),
                       float(100 + 50 * std::sin(Deg * Pi / 180)));
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.FromDeg << " -> " << C.ToDeg << " step " << C.Step);
        Surface.SetRotateConstraintDegree(C.Step);
        EXPECT_NEAR(S.AngleBetween(At(C.FromDeg), At(C.ToDeg), MyPoint(100, 100)), C.ExpectedDeg * Pi / 180,
                    1e-5);
    }
    // An exact half step (45 degrees of 90) snaps to the even multiple.
    Surface.SetRotateConstraintDegree(90);
    EXPECT_EQ(S.AngleBetween(MyPoint(10, 0), MyPoint(10, 10), MyPoint(0, 0)), 0);
    // A point on the centre counts as direction 0.
    Surface.SetRotateConstraintDegree(0);
    EXPECT_NEAR(S.AngleBetween(MyPoint(5, 5), MyPoint(5, 9), MyPoint(5, 5)), Pi / 2, 1e-9);
}

TEST(ShapeGeometry, LengthTextInEveryUnit) {
    struct Case {
        TUnits Unit;
        double Zoom, Ratio;
        const char* Expected;
    };
    for (const Case& C :
         {Case{TUnits::mm, 1, 1, "    25.40 mm"}, Case{TUnits::pixel, 1, 1, "       96 pixel(s)"},
          Case{TUnits::cm, 1, 1, "     2.54 cm"}, Case{TUnits::dm, 1, 1, "     0.25 dm"},
          Case{TUnits::m, 1, 1, "     0.03 m"}, Case{TUnits::inch, 1, 1, "     1.00 in"},
          Case{TUnits::mm, 2, 10, "   127.00 mm"}}) {
        TMyDraxa Surface;
        Surface.SetTheUNIT(C.Unit);
        Surface.SetZoom(C.Zoom);
        Surface.SetRatio(C.Ratio);
        EXPECT_EQ(TLinked(&Surface).GetLengthText(Point(10, 10), Point(10, 106)), C.Expected);
    }
}

TEST(ShapeGeometry, HoverMarkIsDrawnOnceAndMovesBetweenShapes) {
    TMyDraxa Surface;
    TMyShape* A = AddBox(Surface, 40, 40, 60, 60, {{50, 50}});
    TMyShape* B = AddBox(Surface, 140, 40, 160, 60, {{150, 50}});
    const QImage Blank = Screen(Surface);

    EXPECT_EQ(A->LinkPointAt(MyPoint(46, 45)), 0);
    const QImage Marked = Screen(Surface);
    EXPECT_NE(Marked, Blank);
    EXPECT_EQ(A->LinkPointAt(MyPoint(52, 52)), 0);
    EXPECT_EQ(Screen(Surface), Marked);
    EXPECT_EQ(Surface.HotLineEndShape(), A);
    // The same index on another shape is another point: the mark moves.
    EXPECT_EQ(B->LinkPointAt(MyPoint(150, 50)), 0);
    EXPECT_EQ(Surface.HotLineEndShape(), B);
    EXPECT_EQ(B->LinkPointAt(MyPoint(155, 50)), -1); // the square's right edge is outside
    EXPECT_EQ(Surface.HotLineEnd(), -1);
    EXPECT_EQ(Screen(Surface), Blank);

    // Line ends: only the first and the last vertex, within HotSize.
    TMyShape* L = AddShape(Surface, new TMyLine(&Surface), {{10, 100}, {50, 100}, {90, 100}});
    EXPECT_EQ(L->EndPointAt(MyPoint(50, 100)), -1);
    EXPECT_EQ(L->EndPointAt(MyPoint(93, 103)), 2);
    EXPECT_EQ(L->EndPointAt(MyPoint(10, 96)), 0);
    EXPECT_EQ(L->EndPointAt(MyPoint(10, 200)), -1);
    EXPECT_EQ(Screen(Surface), Blank);
    // A locked shape reports the point but shows no mark.
    A->SetLocked(true);
    EXPECT_EQ(A->LinkPointAt(MyPoint(50, 50)), 0);
    EXPECT_EQ(Screen(Surface), Blank);

    // The info anchor's handle: HotSize around the anchor, right and bottom edges outside.
    L->SetInfoPos(MyPoint(50, 20));
    EXPECT_TRUE(L->InInfoPos(Point(46, 16)) && L->InInfoPos(Point(53, 23)));
    EXPECT_FALSE(L->InInfoPos(Point(54, 20)) || L->InInfoPos(Point(50, 24)));
}

TEST(ShapeGeometry, UnrotatedSizeAndScaling) {
    TMyDraxa Surface;
    TMyShape* S = AddBox(Surface, 0, 0, 40, 20);
    S->Rotate(S->GetRotateCenter(), 0.7);
    EXPECT_NEAR(S->UnrotatedWidth(), 40, 1e-3);
    EXPECT_NEAR(S->UnrotatedHeight(), 20, 1e-3);
    // Doubling the width in the shape's own frame keeps the height.
    S->ScaleAbout(S->GetPoint(0), S->GetRotateCenter(), 2, 1);
    EXPECT_NEAR(S->UnrotatedWidth(), 80, 1e-3);
    EXPECT_NEAR(S->UnrotatedHeight(), 20, 1e-3);
    EXPECT_EQ(S->RotateCenter(), S->GetCorner(4));

    TMyShape* Plain = AddBox(Surface, 10, 10, 30, 20);
    Plain->ScaleAbout(MyPoint(10, 10), MyPoint(0, 0), 3, 0.5);
    EXPECT_EQ(Plain->GetPoint(2), MyPoint(70, 15));
}
