// Undo and redo replaying the history: random editing sessions driven like
// a user (the mouse, the editing operations) must undo to exactly the saved
// document they started from and redo to exactly the one they ended with,
// the drawing holding together after every step.
#include "common/document_io.h"
#include "common/mouse_fixture.h"
#include "shapes/link_line.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>

#include <random>

using namespace draxa;
using namespace draxa::test;
using draxa::testing::Save;

namespace {

constexpr int Width = 640, Height = 480;

class TSession {
public:
    explicit TSession(unsigned Seed) : FRandom(Seed) {
        S.SetBounds(0, 0, Width, Height);
        S.SetSnap(false);
        S.SetAutoLinkPoints(true);
        S.SetUndoRedoSize(255);
        S.SetShapeTool(TDrawTool::SpSelecting);
    }

    TMyDraxa S;
    TMouseDriver Mouse{S};
    std::vector<std::string> Kinds; // of each operation

    int Int(int Low, int High) { return std::uniform_int_distribution<int>(Low, High)(FRandom); }
    TPoint SomePoint() { return Point(Int(20, Width - 60), Int(20, Height - 60)); }

    // A shape of the drawing, or nullptr when there is none.
    TMyShape* SomeShape(bool TopLevel = true) {
        std::vector<TMyShape*> Shapes;
        for (int I = 0; I < S.ShapeCount(); ++I)
            if (!TopLevel || !S.ShapeByIndex(I)->IsGrouped()) Shapes.push_back(S.ShapeByIndex(I));
        return Shapes.empty() ? nullptr : Shapes[size_t(Int(0, int(Shapes.size()) - 1))];
    }
    TMyLinkLine* SomeConnector() {
        std::vector<TMyLinkLine*> Lines;
        for (int I = 0; I < S.ShapeCount(); ++I)
            if (auto* L = dynamic_cast<TMyLinkLine*>(S.ShapeByIndex(I)); L && L->PointCount() >= 2)
                Lines.push_back(L);
        return Lines.empty() ? nullptr : Lines[size_t(Int(0, int(Lines.size()) - 1))];
    }
    // A link point on the screen, or a free point.
    TPoint SomeEnd() {
        TMyShape* T = SomeShape(false);
        if (T && T->LinkPointCount() > 0 && Int(0, 3) > 0)
            return RoundMyPoint(T->GetScreenLinkPoint(Int(0, T->LinkPointCount() - 1)));
        return SomePoint();
    }
    // A point on a connector's segment, away from its ends.
    bool PointOnConnector(TPoint& P) {
        TMyLinkLine* L = SomeConnector();
        if (!L) return false;
        const int K = Int(0, L->PointCount() - 2);
        const TMyPoint A = L->GetScreenPoint(K), B = L->GetScreenPoint(K + 1);
        P = RoundMyPoint(MyPoint((A.X + B.X) / 2, (A.Y + B.Y) / 2));
        return true;
    }
    void SelectSome(int Count) {
        S.UnselectAll();
        for (int I = 0; I < Count; ++I) S.SelectShape(SomeShape());
    }
    void Draw(TDrawTool Tool, TPoint From, TPoint To) {
        S.SetShapeTool(Tool);
        Mouse.Drag(From, To);
        S.SetShapeTool(TDrawTool::SpSelecting);
    }
    TPoint Centre(TMyShape* T) {
        const TMyRect B = S.ShapesBounds(TArrMyShape{T});
        return Point(int((B.Left + B.Right) / 2), int((B.Top + B.Bottom) / 2));
    }

    // One random operation, as a user does it.
    void Operate() {
        const TPoint P = SomePoint();
        const int Kind = Int(0, 19);
        static const char* const Names[] = {"box",    "box",   "connector", "connector", "junction",
                                            "line",   "drag",  "drag",      "resize",    "rotate",
                                            "delete", "copy",  "group",     "ungroup",   "stacking",
                                            "align",  "nudge", "flip",      "route",     "click/paste"};
        Kinds.push_back(Names[Kind]);
        switch (Kind) {
        case 0:
        case 1:
            Draw(Int(0, 1) ? TDrawTool::SpRectangle : TDrawTool::SpEllipse, P,
                 Point(P.X + Int(20, 80), P.Y + Int(20, 60)));
            break;
        case 2:
        case 3: // a connector between link points, free points or onto another connector
        {
            TPoint To = SomeEnd();
            if (Int(0, 2) == 0) PointOnConnector(To);
            Draw(TDrawTool::SpLinkLine, SomeEnd(), To);
            break;
        }
        case 4: { // a junction put down on a connector
            TPoint On;
            if (PointOnConnector(On)) Draw(TDrawTool::SpLineLinkLine, On, On);
            break;
        }
        case 5: // plain lines, which join when drawn between the ends of two others
            Draw(TDrawTool::SpLine, P, Point(P.X + Int(-60, 60), P.Y + Int(-60, 60)));
            break;
        case 6:
        case 7: // a drag of whatever lies under the press
            if (TMyShape* T = SomeShape()) {
                S.UnselectAll();
                S.SelectShape(T);
                const TPoint From = Centre(T);
                Mouse.Drag(From, Point(From.X + Int(-50, 50), From.Y + Int(-50, 50)));
            }
            break;
        case 8: // a resize by a hot point, a connector's segment included
            if (TMyShape* T = SomeShape()) {
                S.UnselectAll();
                S.SelectShape(T);
                const int Hot = Int(0, std::max(0, T->PointCount() - 1));
                const TPoint From = RoundMyPoint(T->GetScreenPoint(Hot));
                Mouse.Drag(From, Point(From.X + Int(-30, 30), From.Y + Int(-30, 30)));
            }
            break;
        case 9: // a rotation
            if (TMyShape* T = SomeShape(); T && T->PointCount() > 0) {
                S.SetShapeTool(TDrawTool::SpRotateSelecting);
                S.UnselectAll();
                S.SelectShape(T);
                const TPoint From = RoundMyPoint(T->GetScreenPoint(0));
                Mouse.Drag(From, Point(From.X + Int(-40, 40), From.Y + Int(-40, 40)));
                S.SetShapeTool(TDrawTool::SpSelecting);
            }
            break;
        case 10:
            SelectSome(Int(1, 2));
            S.DeleteSelection();
            break;
        case 11: // copies: a duplicate, or through the clipboard (a cut takes the originals)
            SelectSome(Int(1, 3));
            switch (Int(0, 2)) {
            case 0:
                S.DuplicateSelection();
                break;
            case 1:
                S.CopySelection();
                S.Paste();
                break;
            default: // pasted back by a later operation
                S.CutSelection();
            }
            break;
        case 12:
            SelectSome(Int(2, 3));
            if (Int(0, 1))
                S.GroupSelection();
            else
                S.CombineSelection();
            break;
        case 13:
            SelectSome(Int(1, 2));
            S.UngroupSelection();
            break;
        case 14:
            SelectSome(Int(1, 2));
            switch (Int(0, 3)) {
            case 0:
                S.BringToFront();
                break;
            case 1:
                S.SendToBack();
                break;
            case 2:
                S.BringForward();
                break;
            default:
                S.SendBackward();
            }
            break;
        case 15:
            SelectSome(Int(2, 4));
            if (Int(0, 1))
                S.AlignSelection(TShapeAlign(Int(0, 5)));
            else
                S.DistributeSelection(TDistribution(Int(0, 1)));
            break;
        case 16: // a burst of nudges is one step
            SelectSome(1);
            for (int I = Int(1, 3); I > 0; --I) S.NudgeSelection(Int(-5, 5), Int(-5, 5));
            break;
        case 17:
            if (TMyShape* T = SomeShape()) {
                if (Int(0, 1))
                    S.FlipShapeHorz(T);
                else
                    S.FlipShapeVert(T);
            }
            break;
        case 18: // a point of a connector's route dragged aside
            if (TMyLinkLine* L = SomeConnector(); L && L->PointCount() >= 3) {
                S.UnselectAll();
                S.SelectShape(L);
                const TMyPoint A = L->GetScreenPoint(1), B = L->GetScreenPoint(2);
                const TPoint From = RoundMyPoint(MyPoint((A.X + B.X) / 2, (A.Y + B.Y) / 2));
                Mouse.Drag(From, Point(From.X + Int(-20, 20), From.Y + Int(-20, 20)));
            }
            break;
        default: // a click that selects, with nothing to record, or a paste of what was cut or copied
            if (Int(0, 1))
                Mouse.Click(P.X, P.Y);
            else
                S.Paste();
            break;
        }
    }

    // A few boxes joined by connectors, without history.
    void StartDrawing() {
        for (int I = Int(3, 6); I > 0; --I) {
            const TPoint P = SomePoint();
            Draw(TDrawTool::SpRectangle, P, Point(P.X + Int(30, 70), P.Y + Int(20, 50)));
        }
        for (int I = Int(1, 3); I > 0; --I) Draw(TDrawTool::SpLinkLine, SomeEnd(), SomeEnd());
        // Locked shapes stay where they are through every operation.
        if (Int(0, 1)) S.SetShapeLocked(SomeShape(), true);
        S.UnselectAll();
        S.Repaint();
        S.ClearUndo();
    }

private:
    std::mt19937 FRandom;
};

// Where two documents differ first: the shape count, or the first shape
// whose record differs.
std::string Difference(const QByteArray& A, const QByteArray& B) {
    TMyDraxa X, Y;
    if (!draxa::testing::Load(X, A) || !draxa::testing::Load(Y, B)) return "a document does not load";
    if (X.ShapeCount() != Y.ShapeCount())
        return "shape counts " + std::to_string(X.ShapeCount()) + " and " + std::to_string(Y.ShapeCount());
    for (int I = 0; I < X.ShapeCount(); ++I)
        if (Save(*X.ShapeByIndex(I)) != Save(*Y.ShapeByIndex(I)))
            return "shape " + std::to_string(I) + " " + X.ShapeByIndex(I)->ClassName().toStdString() + " " +
                   X.ShapeByIndex(I)->Name().toStdString() + " / " + Y.ShapeByIndex(I)->Name().toStdString();
    return "the surface block";
}

void ExpectConsistent(const TMyDraxa& S, const std::string& Where) {
    QString Why;
    EXPECT_TRUE(S.CheckConsistency(&Why)) << Where << ": " << Why.toStdString();
}

// Runs a session of Steps operations with history bound Bound; then undoes
// as far as the history goes and redoes to the end, comparing every document
// met on the way with the one saved after that operation.
void RunSession(unsigned Seed, int Steps, uint8_t Bound) {
    SCOPED_TRACE("seed " + std::to_string(Seed) + ", bound " + std::to_string(Bound));
    TSession T(Seed);
    T.StartDrawing();
    T.S.SetUndoRedoSize(Bound);
    // Documents after each recorded operation: what undo walks back through.
    std::vector<QByteArray> Chain{Save(T.S)};
    std::vector<int> Ops{-1};
    // Every operation recorded is announced once.
    int Announced = 0;
    T.S.OnUndoRedoChange = [&Announced](QObject*) { ++Announced; };
    for (int I = 0; I < Steps; ++I) {
        const int Before = Announced;
        T.Operate();
        // Between operations the drawing is painted, as on a screen.
        T.S.Repaint();
        ExpectConsistent(T.S, "after operation " + std::to_string(I) + " (" + T.Kinds.back() + ")");
        const QByteArray Now = Save(T.S);
        if (Announced != Before) {
            EXPECT_EQ(Announced, Before + 1) << "operation " << I;
            Chain.push_back(Now);
            Ops.push_back(I);
        } else {
            // Nothing recorded: nothing changed, or a nudge joined the step before.
            Chain.back() = Now;
        }
        if (::testing::Test::HasFailure()) return;
    }
    int Undone = 0;
    while (T.S.Undo()) {
        ++Undone;
        const size_t At = Chain.size() - 1 - size_t(Undone);
        ASSERT_LT(Undone, int(Chain.size())) << "more undo steps than operations";
        ExpectConsistent(T.S, "after undo " + std::to_string(Undone) + " of operation " +
                                  std::to_string(Ops[At + 1]) + " (" + T.Kinds[size_t(Ops[At + 1])] + ")");
        const QByteArray Now = Save(T.S);
        ASSERT_TRUE(Now == Chain[At])
            << "undo " << Undone << " back to before operation " << Ops[At + 1] << " ("
            << T.Kinds[size_t(Ops[At + 1])] << "): " << Difference(Now, Chain[At]);
    }
    if (Bound >= Steps) {
        EXPECT_EQ(Undone, int(Chain.size()) - 1) << "every operation is undone";
    } else {
        // (None when the newest operation alone needed more steps than kept.)
        EXPECT_LE(Undone, int(Bound));
    }
    EXPECT_FALSE(T.S.CanUndo());
    for (int Redone = 1; T.S.Redo(); ++Redone) {
        ExpectConsistent(T.S, "after redo " + std::to_string(Redone));
        const QByteArray Now = Save(T.S), Then = Chain[Chain.size() - 1 - size_t(Undone - Redone)];
        ASSERT_TRUE(Now == Then) << "redo " << Redone << ": " << Difference(Now, Then);
    }
    EXPECT_TRUE(Save(T.S) == Chain.back());
    EXPECT_FALSE(T.S.CanRedo());
}

} // namespace

TEST(UndoReplay, RandomSessionsUndoToTheStartAndRedoToTheEndByteForByte) {
    for (unsigned Seed = 1; Seed <= 60; ++Seed) {
        RunSession(Seed, 30, 255);
        if (HasFailure()) return;
    }
}

TEST(UndoReplay, ABoundedHistoryUndoesAsFarAsItKeepsSteps) {
    for (unsigned Seed = 100; Seed <= 130; ++Seed) {
        RunSession(Seed, 20, uint8_t(2 + Seed % 4));
        if (HasFailure()) return;
    }
}
