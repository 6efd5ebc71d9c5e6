// Tools and the mouse state machine: creating shapes with the mouse, the
// finishing protocol, text input, the vertex tools, the whole-drawing drag,
// hover tracking, the coordinate label and the XOR outlines.
#include "common/mouse_fixture.h"
#include "common/scripted_dialogs.h"
#include "shapes/text.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <optional>

using namespace draxa;
using namespace draxa::test;

TEST(Interaction, DrawingARectangleAddsSelectsRecordsAndReturnsToSelecting) {
    TMouseSurface T;
    T.S.SetShapeTool(TDrawTool::SpRectangle);
    T.S.OnShapeAdded = [&](TMyShape*& Shape, int Count) {
        T.Log << QStringLiteral("added %1 of %2, %3 undo")
                     .arg(Shape->Name())
                     .arg(Count)
                     .arg(T.S.UndoHistory().size());
    };
    T.S.OnActionToolToSelecting = [&] {
        T.Log << QStringLiteral("to selecting, %1 undo").arg(T.S.UndoHistory().size());
    };

    T.Mouse.Drag(Point(20, 20), Point(100, 80));

    ASSERT_EQ(T.S.ShapeCount(), 1);
    TMyShape* R = T.S.ShapeByIndex(0);
    EXPECT_EQ(R->Points(), (TArrMyPoint{{20, 20}, {100, 20}, {100, 80}, {20, 80}}));
    EXPECT_EQ(T.S.Selected(), TArrMyShape{R});
    EXPECT_EQ(T.Log, (QStringList{"added Shape0 of 1, 0 undo", "to selecting, 1 undo"}));
    EXPECT_EQ(T.S.UndoHistory().back().Action, ACT_ADD);
    EXPECT_EQ(T.S.ShapeTool(), TDrawTool::SpSelecting);
    EXPECT_EQ(T.S.Mode(), TInteractionMode::Selecting);
    EXPECT_TRUE(T.S.Modified());
    EXPECT_FALSE(T.S.CursorConfinement().has_value());

    // The next press selects instead of drawing.
    T.Mouse.Click(60, 50);
    EXPECT_EQ(T.S.ShapeCount(), 1);
}

TEST(Interaction, ShiftDrawsSquaresAndStraightLines) {
    struct Row {
        TDrawTool Tool;
        TPoint From, To;
        TArrMyPoint Expected;
    } Rows[] = {
        {TDrawTool::SpRectangle, {10, 10}, {50, 30}, {{10, 10}, {30, 10}, {30, 30}, {10, 30}}},
        {TDrawTool::SpRectangle, {10, 10}, {30, 60}, {{10, 10}, {30, 10}, {30, 30}, {10, 30}}},
        {TDrawTool::SpRectangle, {50, 50}, {20, 40}, {{50, 50}, {40, 50}, {40, 40}, {50, 40}}},
        {TDrawTool::SpLine, {0, 0}, {40, 10}, {{0, 0}, {40, 0}}},
        {TDrawTool::SpLine, {50, 50}, {45, 90}, {{50, 50}, {50, 90}}},
    };
    for (const Row& R : Rows) {
        TMouseSurface T;
        T.S.SetShapeTool(R.Tool);
        T.Mouse.SetModifiers(Qt::ShiftModifier);
        T.Mouse.Drag(R.From, R.To);
        ASSERT_EQ(T.S.ShapeCount(), 1);
        EXPECT_EQ(T.S.ShapeByIndex(0)->Points(), R.Expected) << R.To.X << "," << R.To.Y;
    }
}

TEST(Interaction, ABoxClickedInLineWaitsForItsCornerAndATool) {
    TMouseSurface T;
    T.S.SetReturnToSelecting(false);
    T.S.SetShapeTool(TDrawTool::SpRectangle);
    bool Switched = false;
    T.S.OnActionToolToSelecting = [&] { Switched = true; };

    T.Mouse.Click(20, 20); // no box spans a single point: keep waiting
    EXPECT_EQ(T.S.ShapeCount(), 0);
    T.Mouse.Click(60, 50); // the second press puts down the other corner
    ASSERT_EQ(T.S.ShapeCount(), 1);
    EXPECT_EQ(T.S.ShapeByIndex(0)->Points(), (TArrMyPoint{{20, 20}, {60, 20}, {60, 50}, {20, 50}}));
    EXPECT_EQ(T.S.ShapeTool(), TDrawTool::SpRectangle);
    EXPECT_FALSE(Switched);

    // Changing the tool abandons a box half drawn: it never enters the document.
    T.Mouse.Click(200, 200);
    T.S.SetShapeTool(TDrawTool::SpEllipse);
    T.Mouse.Drag(Point(100, 100), Point(150, 130));
    ASSERT_EQ(T.S.ShapeCount(), 2);
    EXPECT_EQ(T.S.ShapeByIndex(1)->ClassName(), "TMyEllipse");
    EXPECT_EQ(T.S.ShapeByIndex(1)->GetPoint(0), (TMyPoint{100, 100}));
}

TEST(Interaction, ANewTextBoxAsksForItsLinesAndKeepsItsCornersInReadingOrder) {
    struct Row {
        const char* Name;
        bool Disabled;
        std::optional<QStringList> Answer;
        QStringList Calls, Lines;
    } Rows[] = {
        {"confirmed", false, QStringList{"one", "two"}, {"EditStrings"}, {"one", "two"}},
        {"cancelled", false, std::nullopt, {"EditStrings"}, {}},
        {"input disabled", true, QStringList{"unused"}, {}, {}},
    };
    for (const Row& R : Rows) {
        TScriptedDialogs Script;
        TScopedDialogs Use(Script);
        Script.StringEdits.push_back(R.Answer);
        TMouseSurface T;
        T.S.SetDisableTextInput(R.Disabled);
        T.S.SetShapeTool(TDrawTool::SpText);
        T.Mouse.Drag(Point(100, 100), Point(40, 160));
        ASSERT_EQ(T.S.ShapeCount(), 1) << R.Name;
        const auto* Text = dynamic_cast<const TMyText*>(T.S.ShapeByIndex(0));
        ASSERT_NE(Text, nullptr);
        EXPECT_EQ(Script.Calls, R.Calls) << R.Name;
        EXPECT_EQ(Text->Lines(), R.Lines) << R.Name;
        EXPECT_EQ(Text->Points(), (TArrMyPoint{{40, 100}, {100, 100}, {100, 160}, {40, 160}})) << R.Name;
    }
}

TEST(Interaction, APolylineIsFinishedByARepeatedClick) {
    TMouseSurface T;
    T.S.SetShapeTool(TDrawTool::SpPolyLine);
    for (TPoint P : {Point(10, 10), Point(80, 10), Point(80, 60), Point(80, 60)}) T.Mouse.Click(P.X, P.Y);
    ASSERT_EQ(T.S.ShapeCount(), 1);
    EXPECT_EQ(T.S.ShapeByIndex(0)->Points(), (TArrMyPoint{{10, 10}, {80, 10}, {80, 60}}));
}

TEST(Interaction, RemovingPolygonCornersReportsWhatHappened) {
    struct Row {
        const char* Name;
        TArrMyPoint Corners;
        int Hit; // the vertex pressed
        int Reported;
        int PointsAfter;
    } Rows[] = {
        {"triangle keeps its corners", {{10, 10}, {90, 10}, {50, 80}}, 1, -8, 4},
        {"closing point", {{10, 10}, {90, 10}, {90, 80}, {10, 80}}, 0, -7, 5},
        {"quadrangle loses one", {{10, 10}, {90, 10}, {90, 80}, {10, 80}}, 2, 2, 4},
    };
    for (const Row& R : Rows) {
        TMouseSurface T;
        TMyShape* Polygon =
            T.S.ShapeByNumber(T.S.AddShapeByTool(&T.S, TDrawTool::SpPolygon, "P", R.Corners, 0, {}));
        T.S.UnselectAll();
        T.S.SelectShape(Polygon);
        T.S.SetShapeTool(TDrawTool::SpPolylinePolygonPointRemoving);
        int Reported = 0;
        T.S.OnNodeDeleted = [&](TMyShape*&, int Index) { Reported = Index; };
        const TPoint At = RoundMyPoint(Polygon->GetScreenPoint(R.Hit));
        T.Mouse.Click(At.X, At.Y);
        EXPECT_EQ(Reported, R.Reported) << R.Name;
        EXPECT_EQ(Polygon->PointCount(), R.PointsAfter) << R.Name;
        EXPECT_EQ(Polygon->Points().front(), Polygon->Points().back()) << R.Name << ": the ring stays closed";
    }
}

TEST(Interaction, AddingAVertexPutsItIntoTheSegmentClicked) {
    TMouseSurface T;
    const int No =
        T.S.AddShapeByTool(&T.S, TDrawTool::SpPolyLine, "P", {{10, 10}, {110, 10}, {110, 90}}, 0, {});
    TMyShape* Line = T.S.ShapeByNumber(No);
    T.S.ClearUndo();
    T.S.SetShapeTool(TDrawTool::SpPolylinePolygonPointAdding);
    T.S.OnNodeAdded = [&](TMyShape*& S, int Index) { T.Log << S->Name() + " " + QString::number(Index); };
    T.Mouse.Click(60, 14);
    T.Mouse.Click(60, 60); // on no segment
    EXPECT_EQ(Line->Points(), (TArrMyPoint{{10, 10}, {60, 14}, {110, 10}, {110, 90}}));
    EXPECT_EQ(T.Log, QStringList{"P 1"});
    ASSERT_EQ(T.S.UndoHistory().size(), 1u);
    EXPECT_EQ(T.S.UndoHistory().front().Shape->PointCount(), 3) << "the record holds the line as it was";
}

TEST(Interaction, DraggingTheWholeDrawingMovesEveryTopLevelShapeWithoutUndo) {
    TMouseSurface T;
    TMyShape* A = T.Box("A", 10, 10, 50, 50);
    TMyShape* B = T.Box("B", 100, 100, 150, 120);
    T.S.ClearUndo();
    T.S.OnWholeDragged = [&] { T.Log << "dragged"; };
    T.S.SetShapeTool(TDrawTool::SpDragWhole);
    T.Mouse.Drag(Point(200, 200), Point(230, 190));
    EXPECT_EQ(A->GetPoint(0), (TMyPoint{40, 0}));
    EXPECT_EQ(B->GetPoint(0), (TMyPoint{130, 90}));
    EXPECT_EQ(T.Log, QStringList{"dragged"});
    EXPECT_TRUE(T.S.UndoHistory().empty());
    EXPECT_EQ(T.S.Mode(), TInteractionMode::DragWhole);
}

TEST(Interaction, HoverFiresTheNewShapesEnterBeforeTheOldShapesLeave) {
    TMouseSurface T;
    T.Box("A", 10, 10, 100, 100);
    T.Box("B", 50, 50, 150, 150);
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.S.OnMouseEnterShape = [&](TMyShape* S) { T.Log << "enter " + S->Name(); };
    T.S.OnMouseLeaveShape = [&](TMyShape* S) { T.Log << "leave " + S->Name(); };
    T.Mouse.Move(20, 20);
    T.Mouse.Move(30, 30);
    T.Mouse.Move(70, 70); // B lies on top of A here
    T.Mouse.Move(200, 200);
    T.Mouse.Move(120, 120);
    T.Mouse.Leave();
    EXPECT_EQ(T.Log, (QStringList{"enter A", "enter B", "leave A", "leave B", "enter B", "leave B"}));
}

TEST(Interaction, HoverReachesAsFarAsEachShapesOwnHitTest) {
    // Points just outside the bounds of the shape's vertices that its own hit
    // test still accepts: the band beside a level line, and a spline that
    // swings beyond its vertices.
    struct Row {
        const char* Name;
        TDrawTool Tool;
        TArrMyPoint Points;
    } Rows[] = {{"level line", TDrawTool::SpLine, {{50, 100}, {250, 100}}},
                {"B-line", TDrawTool::SpBLine, {{50, 150}, {150, 150}, {150, 50}, {50, 50}}},
                {"arc", TDrawTool::SpElliArc, {{50, 100}, {100, 60}, {150, 100}}}};
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMouseSurface T;
        TMyShape* Shape = T.S.ShapeByNumber(T.S.AddShapeByTool(&T.S, R.Tool, "C", R.Points, 0, {}));
        ASSERT_NE(Shape, nullptr);
        T.S.UnselectAll();
        T.S.SetShapeTool(TDrawTool::SpSelecting);
        const TMyRect B = T.S.ShapesBounds({Shape});
        std::optional<TPoint> Outside;
        for (int Y = 0; Y < 300 && !Outside; ++Y)
            for (int X = 0; X < 400 && !Outside; ++X)
                if ((X < B.Left || X > B.Right || Y < B.Top || Y > B.Bottom) &&
                    Shape->PointInShape(T.S.Canvas(), Point(X, Y)))
                    Outside = Point(X, Y);
        ASSERT_TRUE(Outside);
        T.Mouse.Move(Outside->X, Outside->Y);
        EXPECT_EQ(T.S.HoverShape(), Shape);
        T.Mouse.Move(399, 299);
        EXPECT_EQ(T.S.HoverShape(), nullptr);
    }
}

TEST(Interaction, HoverFollowsChangesMadeWithoutARepaint) {
    TMouseSurface T;
    TMyShape* A = T.Box("A", 10, 10, 50, 50);
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.S.RenderNow();
    T.Mouse.Move(30, 30);
    EXPECT_EQ(T.S.HoverShape(), A);
    T.S.MoveShapeBy(A, 200, 0);
    T.Mouse.Move(31, 30);
    EXPECT_EQ(T.S.HoverShape(), nullptr);
    T.Mouse.Move(230, 30);
    EXPECT_EQ(T.S.HoverShape(), A);
    A->SetVisible(false);
    T.Mouse.Move(231, 30);
    EXPECT_EQ(T.S.HoverShape(), nullptr);
    A->SetVisible(true);
    T.Mouse.Move(230, 30);
    EXPECT_EQ(T.S.HoverShape(), A);
    ASSERT_TRUE(T.S.DeleteShape(A->ShapeNo(), false));
    TMyShape* B = T.Box("B", 210, 10, 250, 50); // the list is as long as before
    T.Mouse.Move(231, 30);
    EXPECT_EQ(T.S.HoverShape(), B);
}

TEST(Interaction, TheCoordinateLabelShowsUserCoordinates) {
    struct Row {
        TXYMode Mode;
        const char* Text;
    } Rows[] = {{TXYMode::Mode1, "(10,10)"}, {TXYMode::Mode2, "(390,10)"}};
    for (const Row& R : Rows) {
        TMouseSurface T;
        QLabel Label;
        T.S.SetLabelXY(&Label);
        T.S.SetXYMode(R.Mode);
        T.S.SetShapeTool(TDrawTool::SpSelecting);
        T.Mouse.Move(10, 290);
        EXPECT_EQ(Label.text(), R.Text);
    }
}

TEST(Interaction, ALineDrawnBetweenTwoLineEndsJoinsThemIntoOnePolyline) {
    TMouseSurface T;
    T.S.AddShapeByTool(&T.S, TDrawTool::SpLine, "A", {{20, 20}, {100, 20}}, 0, {});
    T.S.AddShapeByTool(&T.S, TDrawTool::SpLine, "B", {{150, 80}, {150, 200}}, 0, {});
    T.S.ClearUndo();
    T.S.SetShapeTool(TDrawTool::SpLine);
    T.Mouse.Drag(Point(100, 20), Point(150, 80));

    ASSERT_EQ(T.S.ShapeCount(), 1);
    TMyShape* Joined = T.S.ShapeByIndex(0);
    EXPECT_EQ(Joined->ClassName(), "TMyPolyLine");
    EXPECT_EQ(Joined->Name(), "Shape3") << "named for the shape count when the line was finished";
    EXPECT_EQ(Joined->Points(), (TArrMyPoint{{20, 20}, {100, 20}, {150, 80}, {150, 200}}));
    EXPECT_EQ(T.S.Selected(), TArrMyShape{Joined});
    QStringList Actions;
    for (const TSavedShape& R : T.S.UndoHistory()) Actions << R.Action;
    EXPECT_EQ(Actions, (QStringList{ACT_ADD, ACT_DELETE, ACT_DELETE}));
}

TEST(Interaction, CreationOutlinesAreErasedAsTheMouseMoves) {
    TMouseSurface T;
    T.S.GridOperation().GridType = TGridType::gNone;
    T.S.SetShapeTool(TDrawTool::SpRectangle);
    T.S.Repaint();
    const QImage Clean = T.S.ScreenImage().copy();

    T.Mouse.Press(20, 20);
    T.Mouse.Move(100, 80);
    T.Mouse.Move(60, 50);
    // The outline to (100, 80) is gone; the one to (60, 50) shows.
    auto ChangedInColumn = [&](int X) {
        int N = 0;
        for (int Y = 15; Y < 90; ++Y) N += T.S.ScreenImage().pixel(X, Y) != Clean.pixel(X, Y);
        return N;
    };
    EXPECT_EQ(ChangedInColumn(100) + ChangedInColumn(99), 0);
    EXPECT_GT(ChangedInColumn(60) + ChangedInColumn(59), 0);

    T.Mouse.Release(60, 50);
    T.S.RenderNow();
    const QImage Released = T.S.ScreenImage().copy();
    T.S.Repaint();
    EXPECT_EQ(Released, T.S.ScreenImage()) << "the release repaint leaves no outline behind";
}
