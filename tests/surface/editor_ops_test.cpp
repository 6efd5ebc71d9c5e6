// The operations an editor window adds: moving the selection to a layer,
// turning and flipping it as one step, the texts of shapes, dropping a text
// box whose lines were not given, and where the drawing and its captions are.
#include "common/mouse_fixture.h"
#include "common/scripted_dialogs.h"
#include "shapes/link_line.h"
#include "shapes/text.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace draxa;
using namespace draxa::test;

namespace {

void ExpectConsistent(const TMyDraxa& S) {
    QString Why;
    EXPECT_TRUE(S.CheckConsistency(&Why)) << Why.toStdString();
}

std::vector<int> LayersOf(const TMyDraxa& S) {
    std::vector<int> Ids;
    for (int I = 0; I < S.ShapeCount(); ++I) Ids.push_back(S.ShapeByIndex(I)->LayerId());
    return Ids;
}

} // namespace

TEST(EditorOperations, MovingTheSelectionToALayerTakesGroupsWholeAsOneStep) {
    TMouseSurface T;
    const int Base = T.S.CurrentLayer();
    T.Box("A", 20, 20, 60, 60);
    T.Box("B", 80, 20, 120, 60);
    T.Box("C", 200, 20, 240, 60);
    T.S.SelectShape(T.S.ShapeByIndex(0));
    T.S.SelectShape(T.S.ShapeByIndex(1));
    ASSERT_GE(T.S.GroupSelection(), 0);
    TMyShape* Group = T.S.ShapeByIndex(3);
    const int Other = T.S.AddLayer(QStringLiteral("Notes"), true);
    T.S.SetCurrentLayer(Base);

    EXPECT_FALSE(T.S.MoveSelectionToLayer(Other + 7)) << "no such layer";
    EXPECT_FALSE(T.S.MoveSelectionToLayer(Base)) << "already there";
    EXPECT_EQ(T.S.UndoActionName(), ACT_GROUP) << "nothing recorded";

    ASSERT_TRUE(T.S.MoveSelectionToLayer(Other));
    EXPECT_EQ(LayersOf(T.S), (std::vector<int>{Other, Other, Base, Other})) << "members go with the group";
    EXPECT_EQ(T.S.SelectedCount(), 1) << "a shown layer keeps the selection";
    ASSERT_TRUE(T.S.Undo());
    EXPECT_EQ(LayersOf(T.S), (std::vector<int>{Base, Base, Base, Base}));
    ASSERT_TRUE(T.S.Redo());
    EXPECT_EQ(LayersOf(T.S), (std::vector<int>{Other, Other, Base, Other}));
    ExpectConsistent(T.S);

    // Onto a hidden layer: the shapes leave the selection; a locked one stays.
    T.S.SetLayerVisible(Other, false);
    TMyShape* C = T.S.ShapeByIndex(2);
    T.S.SelectShape(C);
    const int Hidden = T.S.AddLayer(QStringLiteral("Hidden"), false);
    ASSERT_TRUE(T.S.MoveSelectionToLayer(Hidden));
    EXPECT_EQ(C->LayerId(), Hidden);
    EXPECT_EQ(T.S.SelectedCount(), 0);
    EXPECT_EQ(Group->LayerId(), Other);
}

TEST(EditorOperations, RotatingAndFlippingTheSelectionIsOneStepWithConnectorsFollowing) {
    TMouseSurface T;
    T.S.SetAutoLinkPoints(true);
    TMyShape* A = T.Box("A", 40, 40, 140, 80);
    TMyShape* B = T.Box("B", 240, 40, 300, 80);
    T.S.SetShapeTool(TDrawTool::SpLinkLine);
    T.Mouse.Drag(RoundMyPoint(A->GetScreenLinkPoint(1)), RoundMyPoint(B->GetScreenLinkPoint(3)));
    auto* Link = dynamic_cast<TMyLinkLine*>(T.S.ShapeByIndex(2));
    ASSERT_NE(Link, nullptr);
    ASSERT_EQ(Link->GetStartShape(), A);
    T.S.UnselectAll();
    T.S.SelectShape(A);
    T.S.SelectShape(B);
    const TArrMyPoint BeforeA = A->Points(), BeforeB = B->Points(), BeforeLink = Link->Points();

    ASSERT_TRUE(T.S.RotateSelection(M_PI / 2));
    // A quarter turn about its own centre: 100 x 40 becomes 40 x 100.
    const TMyRect R = A->PointsBounds();
    EXPECT_NEAR(R.Right - R.Left, 40, 0.01);
    EXPECT_NEAR(R.Bottom - R.Top, 100, 0.01);
    EXPECT_NEAR((R.Left + R.Right) / 2, 90, 0.01);
    EXPECT_NEAR((R.Top + R.Bottom) / 2, 60, 0.01);
    EXPECT_NE(Link->Points(), BeforeLink) << "the connector follows";
    EXPECT_EQ(Link->GetStartShape(), A);
    ExpectConsistent(T.S);
    ASSERT_TRUE(T.S.Undo());
    EXPECT_EQ(A->Points(), BeforeA);
    EXPECT_EQ(B->Points(), BeforeB);
    EXPECT_EQ(Link->Points(), BeforeLink);

    // Two shapes flipped: one step undoes both.
    ASSERT_TRUE(T.S.FlipSelection(true));
    EXPECT_TRUE(A->IsFlipHorz());
    EXPECT_TRUE(B->IsFlipHorz());
    ASSERT_TRUE(T.S.Undo());
    EXPECT_EQ(T.S.RedoActionName(), ACT_CHANGE);
    EXPECT_FALSE(A->IsFlipHorz());
    EXPECT_FALSE(B->IsFlipHorz());

    // A connector alone is not flipped; a locked shape is not turned.
    T.S.UnselectAll();
    T.S.SelectShape(Link);
    EXPECT_FALSE(T.S.FlipSelection(false));
    T.S.UnselectAll();
    A->SetLocked(true);
    T.S.SelectShape(A);
    EXPECT_FALSE(T.S.RotateSelection(M_PI / 2));
}

TEST(EditorOperations, ATextBoxsLinesAndAShapesCaptionAreEditedAsOneStep) {
    TMouseSurface T;
    TMyShape* Box = T.Box("Box", 40, 40, 140, 90);
    TMyShape* Text = T.Box("Text", 200, 40, 300, 90, TDrawTool::SpText);
    const QStringList Two{QStringLiteral("first"), QStringLiteral("second")};

    ASSERT_TRUE(T.S.SetShapeText(Text->ShapeNo(), Two, false));
    EXPECT_EQ(static_cast<TMyText*>(Text)->Lines(), Two);
    EXPECT_EQ(TMyDraxa::ShapeText(*Text, false), Two);
    EXPECT_FALSE(T.S.SetShapeText(Text->ShapeNo(), Two, false)) << "the same lines change nothing";

    // A caption of one line is the info text, of more the list.
    ASSERT_TRUE(T.S.SetShapeText(Box->ShapeNo(), {QStringLiteral("Pump")}, true));
    EXPECT_EQ(Box->Info(), QStringLiteral("Pump"));
    ASSERT_TRUE(T.S.SetShapeText(Box->ShapeNo(), Two, true));
    EXPECT_TRUE(Box->Info().isEmpty());
    EXPECT_EQ(Box->MultiInfo(), Two);
    EXPECT_EQ(TMyDraxa::ShapeText(*Box, true), Two);

    ASSERT_TRUE(T.S.Undo());
    EXPECT_EQ(Box->Info(), QStringLiteral("Pump"));
    EXPECT_TRUE(Box->MultiInfo().isEmpty());
    ASSERT_TRUE(T.S.Undo());
    EXPECT_TRUE(Box->Info().isEmpty());
    ASSERT_TRUE(T.S.Undo());
    EXPECT_TRUE(static_cast<TMyText*>(Text)->Lines().isEmpty());

    Box->SetLocked(true);
    EXPECT_FALSE(T.S.SetShapeText(Box->ShapeNo(), Two, true));
    EXPECT_FALSE(T.S.SetShapeText(9999, Two, true));
}

TEST(EditorOperations, ShapesAndCaptionsAreFoundUnderThePoint) {
    TMouseSurface T;
    T.Box("Under", 20, 20, 200, 200);
    TMyShape* Over = T.Box("Over", 60, 60, 120, 120);
    T.S.SetShapeText(Over->ShapeNo(), {QStringLiteral("Valve")}, true);
    T.S.Repaint();

    EXPECT_EQ(T.S.ShapeAt(Point(90, 90)), Over) << "the top-most";
    EXPECT_EQ(T.S.ShapeAt(Point(30, 30)), T.S.ShapeByIndex(0));
    EXPECT_EQ(T.S.ShapeAt(Point(300, 250)), nullptr);
    // The caption sits under the shape, centred on its anchor.
    const TMyPoint Anchor = Over->InfoPos();
    EXPECT_EQ(T.S.CaptionAt(Point(int(Anchor.X), int(Anchor.Y))), Over);
    EXPECT_EQ(T.S.CaptionAt(Point(int(Anchor.X) + 80, int(Anchor.Y))), nullptr);
    Over->SetCaptionShow(false);
    EXPECT_EQ(T.S.CaptionAt(Point(int(Anchor.X), int(Anchor.Y))), nullptr) << "a hidden caption";

    // A group's member is found, not the group.
    T.S.SelectShape(T.S.ShapeByIndex(0));
    T.S.SelectShape(Over);
    ASSERT_GE(T.S.GroupSelection(), 0);
    EXPECT_EQ(T.S.ShapeAt(Point(90, 90)), Over);
}

TEST(EditorOperations, DrawingBoundsCoverTheShownShapesOnly) {
    TMouseSurface T;
    TMyRect B;
    EXPECT_FALSE(T.S.DrawingBounds(B));
    T.Box("A", 20, 30, 60, 70);
    T.Box("B", 100, 10, 150, 50);
    ASSERT_TRUE(T.S.DrawingBounds(B));
    EXPECT_EQ(B.Left, 20);
    EXPECT_EQ(B.Top, 10);
    EXPECT_EQ(B.Right, 150);
    EXPECT_EQ(B.Bottom, 70);
    const int Hidden = T.S.AddLayer(QStringLiteral("Far"), false);
    T.Box("Far", 300, 200, 380, 280);
    EXPECT_EQ(T.S.ShapeByIndex(2)->LayerId(), Hidden);
    ASSERT_TRUE(T.S.DrawingBounds(B));
    EXPECT_EQ(B.Right, 150) << "a hidden layer's shape does not count";
}

TEST(EditorOperations, ACancelledTextBoxIsDroppedOnlyWhenTheHostAsks) {
    for (const bool Drop : {false, true}) {
        TScriptedDialogs Script;
        TScopedDialogs Use(Script);
        TMouseSurface T;
        T.S.SetDropCancelledText(Drop);
        T.Box("Before", 300, 200, 350, 250);
        T.S.SetShapeTool(TDrawTool::SpText);
        T.Mouse.Drag(Point(40, 40), Point(140, 90)); // the editor is cancelled
        EXPECT_EQ(Script.Calls, QStringList{"EditStrings"});
        EXPECT_EQ(T.S.ShapeCount(), Drop ? 1 : 2) << Drop;
        EXPECT_EQ(T.S.ShapeTool(), TDrawTool::SpSelecting) << Drop;
        ASSERT_TRUE(T.S.Undo()) << Drop;
        EXPECT_EQ(T.S.ShapeCount(), Drop ? 0 : 1)
            << "the newest step is " << (Drop ? "the box before" : "the text");

        // Lines given: the box is made either way.
        Script.StringEdits.push_back(QStringList{QStringLiteral("hello")});
        T.S.SetShapeTool(TDrawTool::SpText);
        T.Mouse.Drag(Point(40, 40), Point(140, 90));
        auto* Text = dynamic_cast<TMyText*>(T.S.ShapeByIndex(T.S.ShapeCount() - 1));
        ASSERT_NE(Text, nullptr);
        EXPECT_EQ(Text->Lines(), QStringList{QStringLiteral("hello")});
        ExpectConsistent(T.S);
    }
}
