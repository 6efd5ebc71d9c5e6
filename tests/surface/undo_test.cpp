// The bounded undo history: steps, the bound, and what each action saves.
#include "shapes/ellipse_group.h"
#include "shapes/rectangle.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>

using namespace draxa;

namespace {

TMyShape* AddBox(TMyDraxa& S, const QString& Name, float X = 0) {
    const int N = S.AddShapeByTool(&S, TDrawTool::SpRectangle, Name,
                                   {{X, 0}, {X + 10, 0}, {X + 10, 10}, {X, 10}}, 0, {});
    return S.ShapeByNumber(N);
}

TMyShape* MakeGroup(TMyDraxa& S, const QString& Name, std::initializer_list<TMyShape*> Members) {
    auto* G = new TMyGroup(&S);
    G->SetName(Name);
    G->SetShapeNo(S.NextShapeNo());
    G->SetIndex(S.ShapeCount());
    for (TMyShape* M : Members) {
        G->MembersRef().push_back(M->Index());
        M->SetGroupIndex(G->Index());
    }
    G->AddScreenPoint(MyPoint(0, 0));
    EXPECT_TRUE(S.AddShape(G, false, false));
    return G;
}

QStringList NamesOfStep(const TMyDraxa& S, int Step) {
    QStringList Names;
    for (const TSavedShape& R : S.UndoHistory())
        if (R.Step == Step) Names << R.ShapeName;
    return Names;
}

} // namespace

TEST(UndoHistory, TheBoundDropsTheOldestStepAndRenumbers) {
    TMyDraxa S;
    TMyShape* A = AddBox(S, "A");
    S.SetUndoRedoSize(2);
    S.SetUndoRedoSize(2); // the same size keeps the history
    ASSERT_EQ(S.UndoHistory().size(), 1u);
    A->SetTag(1);
    S.RecordUndo({A}, ACT_CHANGE); // drops the add: steps are now 0 (tag 1)
    A->SetTag(2);
    S.RecordUndo({A}, ACT_CHANGE); // 0 (tag 1), 1 (tag 2)
    A->SetTag(3);
    S.RecordUndo({A}, ACT_CHANGE); // 0 (tag 2), 1 (tag 3)
    const auto& H = S.UndoHistory();
    ASSERT_EQ(H.size(), 2u);
    EXPECT_EQ(H[0].Step, 0);
    EXPECT_EQ(H[1].Step, 1);
    EXPECT_EQ(H[0].Shape->Tag(), 2) << "copies hold the state before each change";
    EXPECT_EQ(H[1].Shape->Tag(), 3);
    EXPECT_EQ(H[0].Action, ACT_CHANGE);
    EXPECT_TRUE(H[0].Shape->LinkLines().empty());

    S.SetUndoRedoSize(0);
    EXPECT_TRUE(S.UndoHistory().empty());
    S.RecordUndo({A}, ACT_CHANGE);
    EXPECT_TRUE(S.UndoHistory().empty()) << "size 0 records nothing";
}

TEST(UndoHistory, LoweringTheBoundTrimsAtTheNextRecording) {
    TMyDraxa S;
    TMyShape* A = AddBox(S, "A");
    for (int I = 0; I < 5; ++I) S.RecordUndo({A}, ACT_CHANGE);
    S.SetUndoRedoSize(3);
    EXPECT_EQ(S.UndoHistory().back().Step, 5);
    S.RecordUndo({A}, ACT_CHANGE);
    EXPECT_EQ(S.UndoHistory().front().Step, 0);
    EXPECT_EQ(S.UndoHistory().back().Step, 2);
}

TEST(UndoHistory, EachActionSavesItsShapes) {
    TMyDraxa S;
    S.SetUndoRedoSize(20);
    TMyShape* A = AddBox(S, "A");
    TMyShape* B = AddBox(S, "B", 20);
    TMyShape* C = AddBox(S, "C", 40);
    TMyShape* D = AddBox(S, "D", 60);
    TMyShape* Inner = MakeGroup(S, "Inner", {B, C});
    TMyShape* Outer = MakeGroup(S, "Outer", {A, Inner});
    S.ClearUndo();

    S.RecordUndo({Outer}, ACT_CHANGE);
    EXPECT_EQ(NamesOfStep(S, 0), (QStringList{"Outer", "A", "Inner", "B", "C"}));
    S.RecordUndo({Outer}, ACT_UNGROUP);
    EXPECT_EQ(NamesOfStep(S, 1), (QStringList{"Outer", "A", "Inner"})) << "direct members only";
    S.RecordUndo({Inner}, ACT_UNGROUP);
    EXPECT_EQ(NamesOfStep(S, 2), QStringList{"Inner"}) << "a nested group saves only itself";
    S.RecordUndo({A, D}, ACT_ADD);
    EXPECT_EQ(NamesOfStep(S, 3), (QStringList{"D", "A"})) << "several shapes are saved last first";
    S.RecordUndo({A, D}, ACT_SENDTOBACK);
    EXPECT_EQ(NamesOfStep(S, 4), QStringList{"A"});
    S.RecordUndo({A}, "ACT_UNKNOWN");
    EXPECT_EQ(S.UndoHistory().back().Step, 4) << "an unknown action saves nothing";
}

TEST(UndoHistory, LongNamesAreCutTo255Characters) {
    TMyDraxa S;
    TMyShape* A = AddBox(S, "A");
    A->SetName(QString("N") + QString(300, QChar('x')));
    S.RecordUndo({A}, ACT_CHANGE);
    EXPECT_EQ(S.UndoHistory().back().ShapeName.size(), 255);
}
