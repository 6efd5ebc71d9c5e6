// Selecting with the mouse: hit order, Shift toggling, the events of a
// selecting press, the smaller shape lying on a selected one, the rubber band
// and snapping.
#include "common/mouse_fixture.h"

#include <gtest/gtest.h>

using namespace draxa;
using namespace draxa::test;

TEST(Selection, APressPicksTheTopMostShapeButAJunctionFirstWithEventsInOrder) {
    struct Row {
        const char* Name;
        TDrawTool Lower; // the tool that made the shape lying underneath
        QStringList Log;
    } Rows[] = {
        {"two boxes: the higher index",
         TDrawTool::SpRectangle,
         {"selected Old nil", "click Upper", "selected Old Upper"}},
        {"a junction point below a box",
         TDrawTool::SpLineLinkLine,
         {"selected Old nil", "selected Old Lower", "click Lower"}},
    };
    for (const Row& R : Rows) {
        TMouseSurface T;
        TMyShape* Old = T.Box("Old", 300, 10, 350, 50);
        for (TMyShape* S : {T.Box("Lower", 40, 40, 120, 120, R.Lower), T.Box("Upper", 80, 80, 200, 200)})
            S->OnClick = [&T, S](QObject* Sender) {
                T.Log << "click " + S->Name() + (Sender == &T.S ? "" : "?");
            };
        T.LogSelections();
        T.S.SetShapeTool(TDrawTool::SpSelecting);
        T.S.SelectShape(Old);
        T.Mouse.Click(100, 100);
        EXPECT_EQ(T.Log, R.Log) << R.Name;
        EXPECT_EQ(T.S.SelectedCount(), 1) << R.Name;
    }
}

TEST(Selection, ShiftTogglesWithoutEventsAndEmptySpaceClearsWithOne) {
    TMouseSurface T;
    TMyShape* A = T.Box("A", 10, 10, 50, 50);
    TMyShape* B = T.Box("B", 100, 100, 150, 150);
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.S.SelectShape(A);
    T.S.SelectShape(B);
    T.LogSelections();

    T.Mouse.SetModifiers(Qt::ShiftModifier);
    T.Mouse.Click(120, 120);
    EXPECT_EQ(T.S.Selected(), TArrMyShape{A});
    EXPECT_TRUE(T.Log.isEmpty());
    T.Mouse.Click(120, 120);
    EXPECT_EQ(T.S.Selected(), (TArrMyShape{A, B}));
    EXPECT_EQ(T.Log, (QStringList{"selected A nil", "selected nil B"}));

    T.Log.clear();
    T.Mouse.SetModifiers(Qt::NoModifier);
    T.Mouse.Click(300, 250);
    EXPECT_EQ(T.Log, QStringList{"selected A nil"});
    EXPECT_EQ(T.S.SelectedCount(), 0);
}

TEST(Selection, ASmallShapeOnTheSelectedOneIsPickedByAClickNotByADrag) {
    TMouseSurface T;
    TMyShape* Big = T.Box("Big", 50, 50, 350, 250);
    TMyShape* Small = T.Box("Small", 100, 100, 150, 130, TDrawTool::SpText);
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.S.SelectShape(Big);
    T.LogSelections();

    T.Mouse.Click(120, 115);
    EXPECT_EQ(T.S.Selected(), TArrMyShape{Small});
    EXPECT_EQ(T.Log, (QStringList{"selected Big Big", "selected Big Small"}));
    EXPECT_EQ(T.S.Mode(), TInteractionMode::Selecting);

    T.S.UnselectAll();
    T.S.SelectShape(Big);
    T.Mouse.Drag(Point(120, 115), Point(140, 125));
    EXPECT_EQ(T.S.Selected(), TArrMyShape{Big});
    EXPECT_EQ(Big->GetPoint(0), (TMyPoint{70, 60}));
    EXPECT_EQ(Small->GetPoint(0), (TMyPoint{100, 100}));

    // What lies on the pressed shape is asked at the release: a host that
    // deletes the small shape while the button is down (which clears the
    // selection) gets no shape selected by the release, not the freed one.
    const int SmallNumber = Small->ShapeNo();
    Big->OnClick = [&](QObject*) { T.S.DeleteShape(SmallNumber, false); };
    T.Mouse.Click(140, 125);
    EXPECT_EQ(T.S.ShapeByNumber(SmallNumber), nullptr);
    EXPECT_EQ(T.S.Selected(), TArrMyShape{});
}

TEST(Selection, TheRubberBandAddsOnlyShownShapesLyingWhollyInside) {
    TMouseSurface T;
    TMyShape* Inside = T.Box("Inside", 10, 10, 100, 100);
    T.Box("Across", 20, 20, 101, 50);
    TMyShape* Hidden = T.Box("Hidden", 30, 30, 60, 60);
    Hidden->SetVisible(false);
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.LogSelections();
    T.Mouse.Drag(Point(0, 0), Point(100, 100));
    EXPECT_EQ(T.S.Selected(), TArrMyShape{Inside});
    EXPECT_TRUE(T.Log.isEmpty());
    EXPECT_EQ(T.S.Mode(), TInteractionMode::Selecting);
}

TEST(Selection, PointsSnapToTheGridAndToShapeEdges) {
    struct Row {
        const char* Name;
        double GridWidth;
        bool ShapeSnap;
        TPoint In, Out;
        bool Snapped;
    } Rows[] = {
        {"near below a line", 20, false, {43, 43}, {40, 40}, true},
        {"half way stays", 20, false, {45, 45}, {45, 45}, false},
        {"near above a line", 20, false, {37, 37}, {40, 40}, true},
        {"no spacing, no snap on that axis", 0, false, {43, 43}, {43, 40}, true},
        {"a shape's left edge", 20, true, {103, 150}, {100, 150}, true},
    };
    for (const Row& R : Rows) {
        TMouseSurface T;
        T.Box("Edge", 100, 100, 200, 200);
        T.S.GridOperation().GridWidth = R.GridWidth;
        T.S.SetSnap(!R.ShapeSnap);
        T.S.SetSnapShape(R.ShapeSnap);
        TPoint P = R.In;
        EXPECT_EQ(T.S.SnapPoint(P.X, P.Y), R.Snapped) << R.Name;
        EXPECT_EQ(P, R.Out) << R.Name;
    }
}
