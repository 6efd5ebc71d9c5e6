// Dragging, resizing and rotating the selection with the mouse, and moving an
// info anchor: constraints, what the release changes, undo records, events.
#include "common/mouse_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace draxa;
using namespace draxa::test;

namespace {

constexpr double Pi = 3.14159265358979323846;

void ExpectNear(const TMyPoint& Actual, const TMyPoint& Expected, const char* What) {
    EXPECT_NEAR(Actual.X, Expected.X, 1e-3) << What;
    EXPECT_NEAR(Actual.Y, Expected.Y, 1e-3) << What;
}

QString Pt(const TPoint& P) {
    return QStringLiteral("(%1,%2)").arg(P.X).arg(P.Y);
}

} // namespace

TEST(Manipulation, DraggingMovesTheSelectionOnceRecordedAndAsTheHandlerSays) {
    TMouseSurface T;
    TMyShape* A = T.Box("A", 10, 10, 50, 50);
    TMyShape* B = T.Box("B", 100, 100, 150, 150);
    T.S.ClearUndo();
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.S.SelectShape(A);
    T.S.SelectShape(B);
    T.S.OnShapeMouseDragged = [&](TMyShape* S, const TPoint& From, TPoint& To) {
        T.Log << S->Name() + " " + Pt(From) + "->" + Pt(To);
        To.X += 10;
    };

    T.Mouse.Drag(Point(30, 30), Point(60, 50));

    EXPECT_EQ(A->GetPoint(0), (TMyPoint{50, 30}));
    EXPECT_EQ(B->GetPoint(0), (TMyPoint{140, 120}));
    EXPECT_EQ(T.Log, QStringList{"A (30,30)->(60,50)"});
    ASSERT_EQ(T.S.UndoHistory().size(), 2u);
    for (const TSavedShape& R : T.S.UndoHistory()) {
        EXPECT_EQ(R.Action, ACT_CHANGE);
        EXPECT_EQ(R.Step, 0);
    }
    EXPECT_EQ(T.S.Mode(), TInteractionMode::Selecting);
}

TEST(Manipulation, DragModeLocksAnAxisAndAReleaseInPlaceChangesNothing) {
    struct Row {
        TDragMode Mode;
        TPoint To;
        TMyPoint Corner;
        size_t Records;
    } Rows[] = {
        {TDragMode::dgHorz, {60, 40}, {50, 0}, 1},
        {TDragMode::dgBoth, {60, 40}, {50, 30}, 1},
        {TDragMode::dgBoth, {10, 10}, {0, 0}, 0},
    };
    for (const Row& R : Rows) {
        TMouseSurface T;
        TMyShape* Box = T.Box("Box", 0, 0, 40, 40);
        T.S.ClearUndo();
        T.S.SetDragMode(R.Mode);
        T.S.SetShapeTool(TDrawTool::SpSelecting);
        T.S.SelectShape(Box);
        T.Mouse.Drag(Point(10, 10), R.To);
        EXPECT_EQ(Box->GetPoint(0), R.Corner) << int(R.Mode) << " to " << R.To.X;
        EXPECT_EQ(T.S.UndoHistory().size(), R.Records);
    }
}

TEST(Manipulation, LockBoundKeepsTheDraggedSelectionInsideTheControl) {
    for (bool Lock : {true, false}) {
        TMouseSurface T;
        TMyShape* Box = T.Box("Box", 50, 100, 100, 150);
        T.S.SetLockBound(Lock);
        T.S.SetShapeTool(TDrawTool::SpSelecting);
        T.S.SelectShape(Box);
        T.Mouse.Drag(Point(80, 120), Point(0, 120));
        EXPECT_EQ(Box->GetPoint(0).X, Lock ? 0.f : -30.f) << Lock;
    }
}

TEST(Manipulation, ResizingACornerFollowsTheMouseSquaresWithShiftAndSparesALockedBox) {
    struct Row {
        const char* Name;
        bool Shift, Locked;
        TMyPoint Corner2;
    } Rows[] = {
        {"free", false, false, {260, 200}},
        {"Shift", true, false, {200, 200}},
        {"locked", false, true, {200, 160}},
    };
    for (const Row& R : Rows) {
        TMouseSurface T;
        TMyShape* Box = T.Box("Box", 100, 100, 200, 160);
        Box->SetLocked(R.Locked);
        T.S.ClearUndo();
        T.S.SetShapeTool(TDrawTool::SpSelecting);
        T.S.SelectShape(Box);
        T.S.OnShapeMouseResized = [&](TMyShape*, const TPoint& From, TPoint& To) {
            T.Log << "resized " + Pt(From) + "->" + Pt(To);
        };
        T.S.OnShapeMouseResizeFinished = [&](TMyShape*, const TPoint&, TPoint&) { T.Log << "finished"; };
        T.Mouse.SetModifiers(R.Shift ? Qt::ShiftModifier : Qt::NoModifier);
        T.Mouse.Drag(Point(201, 161), Point(260, 200));
        EXPECT_EQ(Box->GetPoint(2), R.Corner2) << R.Name;
        EXPECT_EQ(Box->GetPoint(0), (TMyPoint{100, 100})) << R.Name;
        EXPECT_EQ(T.Log.size(), 2) << R.Name;
        EXPECT_TRUE(T.Log.value(0).startsWith("resized (200,160)->")) << R.Name << ": from the corner itself";
        EXPECT_EQ(T.S.UndoHistory().size(), 1u) << R.Name;
    }
}

TEST(Manipulation, ResizingATurnedBoxKeepsTheOppositeCornerAndTheInfoAnchorsPlace) {
    TMouseSurface T;
    TMyShape* Box = T.Box("Box", 100, 100, 200, 160);
    Box->SetAngle(0.3f);
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.S.SelectShape(Box);
    // Where the info anchor sits relative to the box, in the box's own frame.
    auto Relative = [&] {
        const TMyPoint C = Box->GetRotateCenter();
        const TMyPoint O = RotateMyPoint(Box->GetPoint(0), C, -Box->Angle());
        const TMyPoint I = RotateMyPoint(Box->InfoPos(), C, -Box->Angle());
        return MyPoint(float((I.X - O.X) / Box->UnrotatedWidth()),
                       float((I.Y - O.Y) / Box->UnrotatedHeight()));
    };
    const TMyPoint Corner0 = Box->GetPoint(0);
    const TMyPoint Before = Relative();
    const TPoint Hot = RoundMyPoint(Box->GetScreenPoint(2));

    T.Mouse.Drag(Hot, Point(Hot.X + 30, Hot.Y + 20));

    ExpectNear(Box->GetPoint(0), Corner0, "opposite corner");
    EXPECT_GT(Box->UnrotatedWidth(), 100.5);
    ExpectNear(Relative(), Before, "info anchor");
}

TEST(Manipulation, ResizingAGroupScalesItsUnlockedMembersAboutTheFixedCorner) {
    TMouseSurface T;
    TMyShape* A = T.Box("A", 100, 100, 150, 150);
    TMyShape* B = T.Box("B", 150, 150, 200, 200);
    B->SetLocked(true);
    TMyShape* G = T.S.CreateShapeByClassName("TMyGroup");
    for (TMyPoint P : {MyPoint(100, 100), MyPoint(200, 100), MyPoint(200, 200), MyPoint(100, 200)})
        G->AddScreenPoint(P);
    G->SetShapeNo(T.S.NextShapeNo());
    G->SetIndex(T.S.ShapeCount());
    G->MembersRef() = {A->Index(), B->Index()};
    G->ResetRotateCenter(Point(0, 0), Point(0, 0));
    ASSERT_TRUE(T.S.AddShape(G, false, false));
    A->SetGroupIndex(G->Index());
    B->SetGroupIndex(G->Index());
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.S.SelectShape(G);

    T.Mouse.Drag(Point(200, 200), Point(300, 250));

    EXPECT_EQ(G->Points(), (TArrMyPoint{{100, 100}, {300, 100}, {300, 250}, {100, 250}}));
    EXPECT_EQ(A->Points(), (TArrMyPoint{{100, 100}, {200, 100}, {200, 175}, {100, 175}}));
    EXPECT_EQ(B->Points(), (TArrMyPoint{{150, 150}, {200, 150}, {200, 200}, {150, 200}})) << "locked";
}

TEST(Manipulation, RotatingTurnsByWholeStepsOfTheConstraint) {
    struct Row {
        TPoint To; // 22 and 23 degrees past the corner, seen from the centre
        double Degrees;
    } Rows[] = {{{239, 242}, 15}, {{237, 243}, 30}};
    for (const Row& R : Rows) {
        TMouseSurface T;
        TMyShape* Box = T.Box("Box", 150, 100, 250, 200);
        T.S.ClearUndo();
        T.S.SetRotateConstraintDegree(15);
        T.S.SetShapeTool(TDrawTool::SpRotateSelecting);
        T.S.SelectShape(Box);
        int Rotated = 0;
        T.S.OnShapeMouseRotated = [&](TMyShape*, const TPoint&, TPoint&) { ++Rotated; };
        T.Mouse.Drag(Point(250, 200), R.To);
        EXPECT_NEAR(Box->Angle(), R.Degrees * Pi / 180, 1e-5) << R.Degrees;
        ExpectNear(Box->GetPoint(2),
                   RotateMyPoint(MyPoint(250, 200), MyPoint(200, 150), float(R.Degrees * Pi / 180)),
                   "the corner turned about the centre");
        EXPECT_EQ(Rotated, 1);
        EXPECT_EQ(T.S.UndoHistory().size(), 1u);
        EXPECT_EQ(T.S.Mode(), TInteractionMode::RotateSelecting);
    }
}

TEST(Manipulation, TheInfoAnchorFollowsTheMouseWithoutAnUndoStep) {
    TMouseSurface T;
    TMyShape* Box = T.Box("Box", 100, 100, 200, 160);
    Box->SetInfo("note");
    T.S.ClearUndo();
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.S.SelectShape(Box);
    ASSERT_EQ(Box->InfoPos(), (TMyPoint{150, 170}));
    T.Mouse.Drag(Point(151, 171), Point(181, 201));
    EXPECT_EQ(Box->InfoPos(), (TMyPoint{181, 201}));
    EXPECT_EQ(Box->GetPoint(0), (TMyPoint{100, 100}));
    EXPECT_TRUE(T.S.UndoHistory().empty());
    EXPECT_EQ(T.S.Mode(), TInteractionMode::Selecting);
}
