// The editing operations: the clipboard between surfaces and from other
// programs, what each operation does with locked shapes, hidden layers,
// nested groups and an empty selection, undo's names and lists, and keys.
#include "common/document_io.h"
#include "common/mouse_fixture.h"
#include "common/scripted_dialogs.h"
#include "shapes/ellipse_group.h"
#include "shapes/image.h"
#include "shapes/link_line.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>

using namespace draxa;
using namespace draxa::test;
using draxa::testing::Save;

namespace {

void ExpectConsistent(const TMyDraxa& S) {
    QString Why;
    EXPECT_TRUE(S.CheckConsistency(&Why)) << Why.toStdString();
}

// Boxes A, B and C with side link points; connectors A-B and A-C.
struct TJoined : TMouseSurface {
    TMyShape *A, *B, *C;
    TMyLinkLine *AB, *AC;
    TJoined() {
        S.SetAutoLinkPoints(true);
        A = Box("A", 40, 40, 100, 80);
        B = Box("B", 240, 40, 300, 80);
        C = Box("C", 40, 200, 100, 240);
        AB = Connect(A, 1, B, 3);
        AC = Connect(A, 2, C, 0);
        S.UnselectAll();
    }
    TMyLinkLine* Connect(TMyShape* From, int P, TMyShape* To, int Q) {
        S.SetShapeTool(TDrawTool::SpLinkLine);
        Mouse.Drag(RoundMyPoint(From->GetScreenLinkPoint(P)), RoundMyPoint(To->GetScreenLinkPoint(Q)));
        return dynamic_cast<TMyLinkLine*>(S.ShapeByIndex(S.ShapeCount() - 1));
    }
};

TMyShape* Named(TMyDraxa& S, const QString& Name) {
    for (int I = 0; I < S.ShapeCount(); ++I)
        if (S.ShapeByIndex(I)->Name() == Name) return S.ShapeByIndex(I);
    return nullptr;
}

} // namespace

TEST(Clipboard, ShapesTravelBetweenSurfacesWithTheConnectorsBetweenThem) {
    TJoined From;
    for (TMyShape* X : TArrMyShape{From.A, From.B, From.AB, From.AC}) From.S.SelectShape(X);
    ASSERT_TRUE(From.S.CopySelection());
    const QMimeData* Data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(Data);
    EXPECT_TRUE(Data->hasFormat(TMyDraxa::ShapesMimeType()));
    EXPECT_TRUE(QImage::fromData(Data->data("image/png"), "PNG").width() >= 60) << "a picture of the shapes";
    EXPECT_TRUE(Data->data("image/svg+xml").startsWith("<svg"));

    TMouseSurface To;
    ASSERT_TRUE(To.S.Paste());
    ASSERT_EQ(To.S.ShapeCount(), 4);
    ExpectConsistent(To.S);
    // In list order, as copied: A, B, then the connectors A-B and A-C.
    auto* AB = dynamic_cast<TMyLinkLine*>(To.S.ShapeByIndex(2));
    auto* AC = dynamic_cast<TMyLinkLine*>(To.S.ShapeByIndex(3));
    ASSERT_TRUE(AB && AC);
    EXPECT_EQ(AB->Name(), QStringLiteral("Shape%1").arg(AB->ShapeNo()))
        << "a default name follows the number";
    EXPECT_EQ(AB->GetStartShape(), Named(To.S, "A")) << "both ends copied: attached to the copies";
    EXPECT_EQ(AB->GetEndShape(), Named(To.S, "B"));
    EXPECT_EQ(AC->StartShapeIndex(), -1) << "C stayed behind: the connector is free";
    EXPECT_EQ(AC->EndShapeIndex(), -1);
    EXPECT_EQ(Named(To.S, "A")->GetPoint(0).X, From.A->GetPoint(0).X) << "another drawing: not offset";
    EXPECT_EQ(To.S.SelectedCount(), 4);

    // Into the same drawing a grid step away, with new numbers.
    const int Before = From.S.ShapeCount();
    ASSERT_TRUE(From.S.Paste());
    ASSERT_EQ(From.S.ShapeCount(), Before + 4);
    ExpectConsistent(From.S);
    TMyShape* Copy = From.S.ShapeByIndex(Before);
    EXPECT_EQ(Copy->GetPoint(0).X, From.A->GetPoint(0).X + 20);
    EXPECT_EQ(Copy->ShapeNo(), From.S.NextShapeNo() - 4);
    EXPECT_EQ(From.S.UndoActionName(), ACT_ADD);
    ASSERT_TRUE(From.S.Undo());
    EXPECT_EQ(From.S.ShapeCount(), Before) << "a paste is one undo step";
}

TEST(Clipboard, BytesThatAreNoDocumentAreRefusedAndAPictureBecomesAnImage) {
    TScriptedDialogs Script;
    TScopedDialogs Use(Script);
    TJoined T;
    const QByteArray Before = Save(T.S);
    TJoined Other;
    Other.S.SelectAll();
    const QByteArray Good = Other.S.SelectionDocument();
    for (const QByteArray& Hostile : {QByteArray("not a drawing"), Good.left(Good.size() / 2),
                                      Good.left(300) + QByteArray(40, '\xff') + Good.mid(340)}) {
        auto* Data = new QMimeData;
        Data->setData(TMyDraxa::ShapesMimeType(), Hostile);
        QGuiApplication::clipboard()->setMimeData(Data);
        EXPECT_FALSE(T.S.Paste());
        EXPECT_TRUE(Save(T.S) == Before) << "nothing changed";
    }
    EXPECT_EQ(Script.Messages.size(), 3);
    EXPECT_TRUE(Script.Messages.value(0).contains("nothing was pasted"));
    EXPECT_EQ(T.S.UndoActionName(), ACT_ADD) << "the history is as it was";

    QImage Picture(30, 20, QImage::Format_RGB32);
    Picture.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(Picture);
    ASSERT_TRUE(T.S.Paste());
    auto* Image = dynamic_cast<TMyImage*>(T.S.ShapeByIndex(T.S.ShapeCount() - 1));
    ASSERT_TRUE(Image);
    EXPECT_EQ(Image->Bitmap().Width(), 30);
    EXPECT_EQ(Image->Bitmap().Height(), 20);
    ASSERT_TRUE(T.S.Undo());
    EXPECT_TRUE(Save(T.S) == Before);
}

// A combined shape pasted across a connector's route has the connector go
// around it in the paste's undo step, as one combined there would; a
// connector pasted with it keeps the route it was copied with.
TEST(Clipboard, APastedCombinedShapeIsGoneAroundByTheRoutesItLandsOn) {
    TMouseSurface Source;
    Source.S.SetAutoLinkPoints(true);
    TMyShape* P = Source.Box("P", 20, 20, 40, 50);
    TMyShape* Q = Source.Box("Q", 45, 20, 65, 50);
    Source.S.SelectShape(P);
    Source.S.SelectShape(Q);
    TMyShape* Combine = Source.S.ShapeByNumber(Source.S.CombineSelection());
    ASSERT_TRUE(Combine);
    TMyShape* R = Source.Box("R", 20, 120, 50, 150);
    Source.S.SetShapeTool(TDrawTool::SpLinkLine);
    Source.Mouse.Drag(RoundMyPoint(Combine->GetScreenLinkPoint(0)), RoundMyPoint(R->GetScreenLinkPoint(0)));
    auto* Along = dynamic_cast<TMyLinkLine*>(Source.S.ShapeByIndex(Source.S.ShapeCount() - 1));
    ASSERT_TRUE(Along);
    Source.S.UnselectAll();
    for (TMyShape* X : TArrMyShape{Combine, R, Along}) Source.S.SelectShape(X);
    const QByteArray Copied = Source.S.SelectionDocument();
    const TArrMyPoint CopiedRoute = Along->Points();

    TJoined T; // A-B runs straight along y = 60 from x 100 to 240
    const TArrMyPoint Straight = T.AB->Points();
    const TArrMyPoint Other = T.AC->Points();
    const QByteArray Before = Save(T.S);
    // The combine lands on x 150..195, y 45..75.
    ASSERT_TRUE(T.S.PasteDocument(Copied, 130, 25));
    ExpectConsistent(T.S);
    TMyShape* Pasted = nullptr;
    for (int I = 0; I < T.S.ShapeCount() && !Pasted; ++I)
        if (dynamic_cast<TMyCombine*>(T.S.ShapeByIndex(I))) Pasted = T.S.ShapeByIndex(I);
    ASSERT_TRUE(Pasted);
    const TMyRect Box = T.S.ShapesBounds(TArrMyShape{Pasted});
    ASSERT_LT(Box.Top, 60);
    ASSERT_GT(Box.Bottom, 60);
    EXPECT_NE(T.AB->Points(), Straight) << "the route it landed on goes around it";
    const TArrMyPoint& Route = T.AB->Points();
    for (size_t I = 0; I + 1 < Route.size(); ++I) {
        const TMyPoint P = Route[I], Q = Route[I + 1];
        const bool Misses = std::max(P.X, Q.X) < Box.Left || std::min(P.X, Q.X) > Box.Right ||
                            std::max(P.Y, Q.Y) < Box.Top || std::min(P.Y, Q.Y) > Box.Bottom;
        EXPECT_TRUE(Misses) << "segment " << I << " crosses the pasted combine";
    }
    EXPECT_EQ(T.AC->Points(), Other) << "a route it does not meet stays";
    auto* PastedAlong = dynamic_cast<TMyLinkLine*>(T.S.ShapeByIndex(T.S.ShapeCount() - 1));
    ASSERT_TRUE(PastedAlong);
    ASSERT_EQ(PastedAlong->PointCount(), int(CopiedRoute.size()));
    for (int I = 0; I < PastedAlong->PointCount(); ++I)
        EXPECT_EQ(PastedAlong->GetPoint(I).X, CopiedRoute[size_t(I)].X + 130)
            << "the pasted connector's route";

    ASSERT_TRUE(T.S.Undo());
    EXPECT_TRUE(Save(T.S) == Before) << "one step takes the paste and the detour back";
    ASSERT_TRUE(T.S.Redo());
    EXPECT_NE(T.AB->Points(), Straight);
    ExpectConsistent(T.S);
}

// Each operation on an empty selection, a locked shape and a shape on a
// hidden layer changes nothing and records nothing.
TEST(EditingOperations, NothingHappensWithoutShapesTheyMayChange) {
    const std::vector<std::pair<const char*, std::function<bool(TMyDraxa&)>>> Ops = {
        {"delete", [](TMyDraxa& S) { return S.DeleteSelection(); }},
        {"group", [](TMyDraxa& S) { return S.GroupSelection() >= 0; }},
        {"combine", [](TMyDraxa& S) { return S.CombineSelection() >= 0; }},
        {"ungroup", [](TMyDraxa& S) { return S.UngroupSelection() > 0; }},
        {"to front", [](TMyDraxa& S) { return S.BringToFront(); }},
        {"to back", [](TMyDraxa& S) { return S.SendToBack(); }},
        {"forward", [](TMyDraxa& S) { return S.BringForward(); }},
        {"backward", [](TMyDraxa& S) { return S.SendBackward(); }},
        {"align", [](TMyDraxa& S) { return S.AlignSelection(TShapeAlign::saLeft); }},
        {"distribute", [](TMyDraxa& S) { return S.DistributeSelection(TDistribution::dsVertical); }},
        {"nudge", [](TMyDraxa& S) { return S.NudgeSelection(3, 4); }},
        {"duplicate", [](TMyDraxa& S) { return S.DuplicateSelection(); }},
    };
    enum TCase { Empty, Locked, Hidden };
    for (TCase Case : {Empty, Locked, Hidden})
        for (const auto& [Name, Op] : Ops) {
            TMouseSurface T;
            TMyShape* A = T.Box("A", 10, 10, 50, 50);
            TMyShape* B = T.Box("B", 100, 120, 150, 140);
            TMyShape* C = T.Box("C", 200, 20, 230, 90);
            // The group holds the two others, so that ungrouping has a group to refuse.
            T.S.SelectShape(A);
            T.S.SelectShape(B);
            T.S.GroupSelection();
            T.S.UnselectAll();
            TMyShape* G = T.S.ShapeByIndex(3);
            if (Case == Locked) G->SetLocked(true), C->SetLocked(true);
            if (Case == Hidden) {
                const int Id = T.S.AddLayer("Hidden", false);
                for (int I = 0; I < T.S.ShapeCount(); ++I) T.S.ShapeByIndex(I)->SetLayerId(Id);
            }
            if (Case != Empty) {
                T.S.SelectShape(G);
                T.S.SelectShape(C);
            }
            const QByteArray Before = Save(T.S);
            const QString Undo = T.S.UndoActionName();
            const bool Done = Op(T.S);
            const std::string Where = std::string(Name) + " case " + std::to_string(Case);
            if (Case == Locked && std::string(Name) == "duplicate") {
                EXPECT_TRUE(Done) << "locked shapes may be copied";
                continue;
            }
            EXPECT_FALSE(Done) << Where;
            EXPECT_TRUE(Save(T.S) == Before) << Where;
            EXPECT_EQ(T.S.UndoActionName(), Undo) << Where;
            ExpectConsistent(T.S);
        }
}

TEST(EditingOperations, NestedGroupsMoveStackAndDissolveALevelAtATime) {
    TMouseSurface T;
    TMyShape* A = T.Box("A", 10, 10, 50, 50);
    TMyShape* B = T.Box("B", 60, 10, 90, 50);
    TMyShape* C = T.Box("C", 10, 100, 50, 150);
    TMyShape* D = T.Box("D", 200, 100, 250, 150);
    T.S.SelectShape(A);
    T.S.SelectShape(B);
    const int Inner = T.S.GroupSelection();
    T.S.SelectShape(C);
    const int Outer = T.S.CombineSelection();
    ASSERT_GE(Outer, 0);
    ExpectConsistent(T.S);
    EXPECT_EQ(T.S.ShapeByNumber(Inner)->GroupIndex(), T.S.ShapeByNumber(Outer)->Index());
    EXPECT_EQ(T.S.UndoActionName(), ACT_GROUP);

    // The outer group goes to the back with all five of its shapes; D stays on top.
    ASSERT_TRUE(T.S.SendToBack());
    EXPECT_EQ(D->Index(), 5);
    EXPECT_EQ(T.S.UndoActionName(), ACT_SENDTOBACK);
    ExpectConsistent(T.S);
    EXPECT_FALSE(T.S.SendToBack()) << "already at the back";
    ASSERT_TRUE(T.S.BringForward());
    EXPECT_EQ(D->Index(), 0) << "the group passed D";
    ExpectConsistent(T.S);

    // Nudges move every member; a burst is one step.
    const float X = A->GetPoint(0).X;
    T.S.NudgeSelection(1, 0);
    T.S.NudgeSelection(1, 0);
    EXPECT_EQ(A->GetPoint(0).X, X + 2);
    ASSERT_TRUE(T.S.Undo());
    EXPECT_EQ(A->GetPoint(0).X, X);
    EXPECT_EQ(T.S.RedoActionName(), ACT_CHANGE);

    // Ungrouping takes one level off: the inner group is a top-level shape again.
    T.S.UnselectAll();
    T.S.SelectShape(A);
    EXPECT_EQ(T.S.UngroupSelection(), 1);
    EXPECT_FALSE(T.S.CanRedo()) << "a new operation clears what was undone";
    EXPECT_FALSE(T.S.ShapeByNumber(Inner)->IsGrouped());
    EXPECT_EQ(T.S.ShapeByNumber(Outer), nullptr);
    EXPECT_EQ(T.S.SelectedCount(), 2);
    ExpectConsistent(T.S);

    // Deleting the inner group takes its members along, as one step.
    T.S.UnselectAll();
    T.S.SelectShape(A);
    const int Count = T.S.ShapeCount();
    EXPECT_TRUE(T.S.DeleteSelection());
    EXPECT_EQ(T.S.ShapeCount(), Count - 3);
    ASSERT_TRUE(T.S.Undo());
    EXPECT_EQ(T.S.ShapeCount(), Count);
    EXPECT_EQ(T.S.SelectedCount(), 1) << "what came back is selected";
    ExpectConsistent(T.S);
}

TEST(EditingOperations, AlignAndDistributeLineUpOnTheCommonBounds) {
    TMouseSurface T;
    TMyShape* A = T.Box("A", 10, 10, 50, 50);
    TMyShape* B = T.Box("B", 100, 70, 120, 80);
    TMyShape* C = T.Box("C", 300, 30, 340, 60);
    for (TMyShape* X : {A, B, C}) T.S.SelectShape(X);
    ASSERT_TRUE(T.S.AlignSelection(TShapeAlign::saBottom));
    for (TMyShape* X : {A, B, C}) EXPECT_EQ(X->GetCorner(2).Y, 80);
    ASSERT_TRUE(T.S.DistributeSelection(TDistribution::dsHorizontal));
    // Gaps: (340 - 10 - 40 - 20 - 40) / 2 = 115.
    EXPECT_EQ(B->GetCorner(0).X, 165);
    EXPECT_EQ(A->GetCorner(0).X, 10);
    EXPECT_EQ(C->GetCorner(0).X, 300);
    EXPECT_FALSE(T.S.DistributeSelection(TDistribution::dsHorizontal)) << "already even";
}

TEST(UndoRedo, NamesListsAndLoading) {
    TMouseSurface T;
    int Announced = 0;
    T.S.OnUndoRedoChange = [&Announced](QObject*) { ++Announced; };
    EXPECT_FALSE(T.S.Undo());
    EXPECT_EQ(T.S.UndoActionName(), QString());
    TMyShape* A = T.Box("A", 10, 10, 50, 50);
    EXPECT_EQ(Announced, 1);
    T.S.FlipShapeHorz(A);
    EXPECT_EQ(T.S.UndoActionName(), ACT_CHANGE);
    const QByteArray Flipped = Save(T.S);
    ASSERT_TRUE(T.S.Undo());
    EXPECT_FALSE(A->IsFlipHorz()) << "undone in place: the host's pointer still holds the shape";
    EXPECT_EQ(T.S.RedoActionName(), ACT_CHANGE);
    EXPECT_EQ(T.S.UndoActionName(), ACT_ADD);
    EXPECT_EQ(T.S.UndoHistory().size(), 1u) << "the undone step's records wait for redo";
    ASSERT_TRUE(T.S.Redo());
    EXPECT_TRUE(Save(T.S) == Flipped);
    EXPECT_EQ(T.S.UndoHistory().size(), 2u);

    ASSERT_TRUE(T.S.Undo());
    ASSERT_TRUE(draxa::testing::Load(T.S, Flipped));
    EXPECT_FALSE(T.S.CanUndo()) << "loading clears both lists";
    EXPECT_FALSE(T.S.CanRedo());

    // A deletion without an undo step leaves the earlier ones unreplayable.
    TMyShape* B = T.Box("B", 100, 10, 150, 50);
    T.Box("C", 200, 10, 250, 50);
    ASSERT_TRUE(T.S.CanUndo());
    T.S.DeleteShape(B->ShapeNo(), false);
    EXPECT_FALSE(T.S.CanUndo());
    ExpectConsistent(T.S);
}

TEST(KeyboardEditing, KeysEditOnlyWhenTheHostAsks) {
    TMouseSurface T;
    TMyShape* A = T.Box("A", 10, 10, 50, 50);
    T.S.SelectShape(A);
    auto Press = [&T](int Key, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
        QKeyEvent E(QEvent::KeyPress, Key, Mods);
        QApplication::sendEvent(&T.S, &E);
    };
    Press(Qt::Key_Delete);
    EXPECT_EQ(T.S.ShapeCount(), 1) << "off by default";
    EXPECT_EQ(T.S.focusPolicy(), Qt::NoFocus);

    T.S.SetKeyboardEditing(true);
    EXPECT_EQ(T.S.focusPolicy(), Qt::ClickFocus);
    Press(Qt::Key_Right);
    EXPECT_EQ(A->GetPoint(0).X, 11);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(A->GetPoint(0).Y, 30) << "a grid step";
    Press(Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(T.S.ShapeCount(), 2);
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(T.S.ShapeCount(), 1);
    Press(Qt::Key_A, Qt::ControlModifier);
    Press(Qt::Key_Delete);
    EXPECT_EQ(T.S.ShapeCount(), 0);

    // Escape abandons a polyline under construction.
    T.S.SetShapeTool(TDrawTool::SpPolyLine);
    T.Mouse.Click(100, 100);
    T.Mouse.Click(150, 120);
    Press(Qt::Key_Escape);
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    EXPECT_EQ(T.S.ShapeCount(), 0);
    EXPECT_EQ(T.S.CurrentShape(), nullptr);
}
