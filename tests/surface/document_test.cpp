// The surface's document: adding, numbering, deleting with renumbering,
// layers and their events, factories and the no-layer failure.
#include "common/document_io.h"
#include "common/scripted_dialogs.h"
#include "shapes/ellipse_group.h"
#include "shapes/link_line.h"
#include "shapes/rectangle.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>

using namespace draxa;
using namespace draxa::testing;

namespace {

TArrMyPoint Box(float L, float T, float R, float B) {
    return {{L, T}, {R, T}, {R, B}, {L, B}};
}

int AddBox(TMyDraxa& S, const QString& Name, float L = 10, float T = 10) {
    return S.AddShapeByTool(&S, TDrawTool::SpRectangle, Name, Box(L, T, L + 40, T + 30), 0, QString());
}

// Puts the shapes at the given indices into a new group added last, the way
// a loaded document links them.
TMyShape* GroupOf(TMyDraxa& S, std::initializer_list<int> Members) {
    auto* G = new TMyGroup(&S);
    G->SetShapeNo(S.NextShapeNo());
    G->SetIndex(S.ShapeCount());
    for (int M : Members) {
        G->MembersRef().push_back(M);
        S.ShapeByIndex(M)->SetGroupIndex(G->Index());
        for (const TMyPoint& P : S.ShapeByIndex(M)->Points()) G->AddScreenPoint(P);
    }
    EXPECT_TRUE(S.AddShape(G, false, false));
    return G;
}

// A connector from shape Start to shape End, added last.
TMyLinkLine* Connect(TMyDraxa& S, int Start, int End) {
    auto* L = new TMyLinkLine(&S);
    L->SetShapeNo(S.NextShapeNo());
    L->SetIndex(S.ShapeCount());
    L->AddScreenPoint(MyPoint(0, 0));
    L->AddScreenPoint(MyPoint(5, 5));
    L->SetStartShapeIndex(Start);
    L->SetStartLinkPoint(0);
    L->SetEndShapeIndex(End);
    L->SetEndLinkPoint(1);
    EXPECT_TRUE(S.AddShape(L, false, false));
    S.ShapeByIndex(Start)->AddLinkLine(L->Index());
    S.ShapeByIndex(End)->AddLinkLine(L->Index());
    return L;
}

} // namespace

TEST(SurfaceDocument, NewSurfaceHasOneLayerAndTheDocumentedSettings) {
    TMyDraxa S;
    EXPECT_EQ(S.LayerCount(), 1);
    EXPECT_EQ(S.Layers()[0].Name, "Layer0");
    EXPECT_EQ(S.CurrentLayer(), 0);
    EXPECT_EQ(S.ShapeCount(), 0);
    EXPECT_EQ(S.Version(), "2010.5");
    EXPECT_EQ(S.ShapeTool(), TDrawTool::SpSelecting);
    EXPECT_EQ(S.Mode(), TInteractionMode::Idle)
        << "a surface made in code ignores the mouse until a tool is set";
    EXPECT_EQ(S.UndoRedoSize(), 10);
    EXPECT_EQ(S.ColorOfHot(), 0x808080u);
    EXPECT_EQ(HotPointColor(), 0x00FF00u) << "construction does not change the shared hot-point colour";
    EXPECT_EQ(S.Width(), 794);
    EXPECT_EQ(S.Height(), 1123);
}

TEST(SurfaceDocument, AddShapeByToolChecksPointCountsAndBuildsTheRightClass) {
    struct Row {
        const char* Name;
        TDrawTool Tool;
        int Points;
        const char* Class; // nullptr: refused
    };
    const Row Rows[] = {
        {"line needs two", TDrawTool::SpLine, 2, "TMyLine"},
        {"line refuses three", TDrawTool::SpLine, 3, nullptr},
        {"rectangle needs four", TDrawTool::SpRectangle, 4, "TMyRectangle"},
        {"ellipse refuses three", TDrawTool::SpEllipse, 3, nullptr},
        {"bezier takes four", TDrawTool::SpPolyBezier, 4, "TMyPolyBezier"},
        {"bezier takes seven", TDrawTool::SpPolyBezier, 7, "TMyPolyBezier"},
        {"bezier refuses five", TDrawTool::SpPolyBezier, 5, nullptr},
        {"bezier refuses six", TDrawTool::SpPolyBezier, 6, nullptr},
        {"arc from three points", TDrawTool::SpElliArc, 3, "TMyElliArc"},
        {"arc with four is a line", TDrawTool::SpElliArc, 4, "TMyLine"},
        {"polygon needs two", TDrawTool::SpPolygon, 1, nullptr},
        {"free line draws nothing from code", TDrawTool::SpFreeLine, 5, nullptr},
        {"image draws nothing from code", TDrawTool::SpImage, 4, nullptr},
        {"link point draws nothing from code", TDrawTool::SpLinkPoint, 1, nullptr},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMyDraxa S;
        TArrMyPoint Pts;
        for (int I = 0; I < R.Points; ++I) Pts.push_back(MyPoint(float(10 + 7 * I), float(20 + 3 * I)));
        const int N = S.AddShapeByTool(&S, R.Tool, "Made", Pts, 0, "info");
        if (!R.Class) {
            EXPECT_EQ(N, -1);
            EXPECT_EQ(S.ShapeCount(), 0);
            EXPECT_EQ(S.NextShapeNo(), 0);
            continue;
        }
        ASSERT_EQ(N, 0);
        ASSERT_EQ(S.ShapeCount(), 1);
        TMyShape* Shape = S.ShapeByIndex(0);
        EXPECT_EQ(Shape->ClassName(), R.Class);
        EXPECT_EQ(Shape->Name(), "Made");
        EXPECT_EQ(S.SelectedCount(), 1);
        EXPECT_EQ(S.UndoHistory().size(), 1u);
        EXPECT_EQ(S.UndoHistory()[0].Action, ACT_ADD);
    }
}

TEST(SurfaceDocument, AddShapeByToolTakesUserCoordinatesAndClosesPolygons) {
    TMyDraxa S;
    S.SetBounds(0, 0, 200, 100);
    S.SetZoom(2); // page-driven size; put the control back to a known size
    S.SetBounds(0, 0, 200, 100);
    S.SetXYMode(TXYMode::Mode2);
    ASSERT_EQ(S.AddShapeByTool(&S, TDrawTool::SpLine, "L", {{10, 20}, {30, 40}}, 0, {}), 0);
    const TMyShape* L = S.ShapeByIndex(0);
    // Mode2 mirrors both axes; logical units are screen pixels over the zoom.
    EXPECT_EQ(L->GetPoint(0), MyPoint((200 - 10) / 2.f, (100 - 20) / 2.f));
    EXPECT_EQ(L->GetPoint(1), MyPoint((200 - 30) / 2.f, (100 - 40) / 2.f));
    EXPECT_EQ(S.ToUserXY(S.ToUserXY(TPoint{3, 4})), (TPoint{3, 4}));

    S.SetXYMode(TXYMode::Mode0);
    ASSERT_EQ(S.AddShapeByTool(&S, TDrawTool::SpPolygon, "P", {{0, 0}, {20, 0}, {20, 20}}, 0, {}), 1);
    const TMyShape* P = S.ShapeByIndex(1);
    ASSERT_EQ(P->PointCount(), 4);
    EXPECT_EQ(P->GetPoint(3), P->GetPoint(0));
    EXPECT_EQ(P->RotateCenter(), MyPoint(5, 5));
    EXPECT_EQ(P->InfoPos(), MyPoint(5, 20)) << "ten logical units below the lowest point";
}

// Regression: lines and curves were turned about (0, 0), their rotate
// centre before it was set, and landed off the page.
TEST(SurfaceDocument, AddShapeByToolTurnsEveryClassInPlace) {
    constexpr double HalfPi = 3.14159265358979323846 / 2;
    const struct {
        const char* Name;
        TDrawTool Tool;
        TArrMyPoint Points;
    } Rows[] = {
        {"line", TDrawTool::SpLine, {{100, 100}, {200, 100}}},
        {"polyline", TDrawTool::SpPolyLine, {{100, 100}, {150, 100}, {200, 100}}},
        {"polygon", TDrawTool::SpPolygon, {{100, 100}, {200, 100}, {150, 100}}},
        {"Bezier curve", TDrawTool::SpPolyBezier, {{100, 100}, {130, 100}, {170, 100}, {200, 100}}},
        {"B-line", TDrawTool::SpBLine, {{100, 100}, {150, 100}, {200, 100}}},
        {"rectangle", TDrawTool::SpRectangle, {{100, 90}, {200, 90}, {200, 110}, {100, 110}}},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        TMyDraxa S;
        const int No = S.AddShapeByTool(&S, R.Tool, "T", R.Points, HalfPi, {});
        const TMyShape* Shape = S.ShapeByNumber(No);
        ASSERT_NE(Shape, nullptr);
        // A quarter turn about (150, 100): the horizontal extent becomes vertical.
        const TMyRect B = Shape->PointsBounds();
        EXPECT_NEAR((B.Left + B.Right) / 2, 150, 0.01);
        EXPECT_NEAR((B.Top + B.Bottom) / 2, 100, 0.01);
        EXPECT_NEAR(B.Bottom - B.Top, 100, 0.01);
    }
}

TEST(SurfaceDocument, ShapeAddedHandlerCanTakeTheShapeOutOfTheUndoRecord) {
    TMyDraxa S;
    int Count = -1;
    S.OnShapeAdded = [&](TMyShape*& Slot, int ShapeCount) {
        Count = ShapeCount;
        Slot = nullptr;
    };
    EXPECT_EQ(AddBox(S, "A"), 0);
    EXPECT_EQ(Count, 1);
    EXPECT_TRUE(S.UndoHistory().empty());
    EXPECT_EQ(S.SelectedCount(), 1) << "the shape is still added and selected";
}

TEST(SurfaceDocument, FactoriesKnowExactlyTheSeventeenClassNames) {
    TMyDraxa S;
    const char* Names[] = {"TMyRectangle", "TMyLinkPoint", "TMyLineLinkLine", "TMyEllipse",  "TMyLine",
                           "TMyFreeLine",  "TMyRuleLine",  "TMyPolyLine",     "TMyPolygon",  "TMyPolyBezier",
                           "TMyText",      "TMyImage",     "TMyElliArc",      "TMyLinkLine", "TMyCombine",
                           "TMyGroup",     "TMyBLine"};
    for (const char* N : Names) {
        std::unique_ptr<TMyShape> Shape(S.CreateShapeByClassName(N));
        ASSERT_NE(Shape, nullptr) << N;
        EXPECT_EQ(Shape->ClassName(), N);
    }
    EXPECT_EQ(S.CreateShapeByClassName("TMyShape"), nullptr);
    EXPECT_EQ(S.CreateShapeByClassName("tmyline"), nullptr);

    S.SetLinkLineDrawStyle(TLinkLineDrawStyle::lldsFree);
    std::unique_ptr<TMyShape> Connector(S.CreateShapeForTool(TDrawTool::SpLinkLine));
    EXPECT_EQ(static_cast<TMyLinkLine*>(Connector.get())->LinkLineDrawStyle(), TLinkLineDrawStyle::lldsFree);
    EXPECT_EQ(S.CreateShapeForTool(TDrawTool::SpSelecting), nullptr);
    EXPECT_EQ(S.CreateShapeForTool(TDrawTool::SpDragWhole), nullptr);
}

TEST(SurfaceDocument, DeletingRenumbersEveryCrossReference) {
    TMyDraxa S;
    AddBox(S, "A");                    // 0
    AddBox(S, "B", 100);               // 1
    AddBox(S, "C", 200);               // 2
    TMyShape* G = GroupOf(S, {1, 2});  // 3: group of B and C
    TMyLinkLine* L = Connect(S, 1, 2); // 4: connector B -> C
    ASSERT_EQ(S.ShapeCount(), 5);
    S.RecordUndo({S.ShapeByIndex(1)}, ACT_CHANGE);

    ASSERT_TRUE(S.DeleteShape(S.ShapeByIndex(0)->ShapeNo(), false));
    ASSERT_EQ(S.ShapeCount(), 4);
    for (int I = 0; I < 4; ++I) EXPECT_EQ(S.ShapeByIndex(I)->Index(), I);
    EXPECT_EQ(G->Index(), 2);
    EXPECT_EQ(G->Members(), (TMyShapeNo{0, 1}));
    EXPECT_EQ(S.ShapeByIndex(0)->GroupIndex(), 2);
    EXPECT_EQ(S.ShapeByIndex(1)->GroupIndex(), 2);
    EXPECT_EQ(S.ShapeByIndex(0)->LinkLines(), (TMyShapeNo{3}));
    EXPECT_EQ(L->StartShapeIndex(), 0);
    EXPECT_EQ(L->EndShapeIndex(), 1);
    EXPECT_EQ(S.ShapeByNumber(0), nullptr);
    EXPECT_EQ(S.IndexOfNumber(1), 0);
}

TEST(SurfaceDocument, DeletingAnAttachedShapeFreesTheConnectorEnd) {
    TMyDraxa S;
    AddBox(S, "A");
    AddBox(S, "B", 100);
    TMyLinkLine* L = Connect(S, 0, 1);
    const TArrMyPoint Before = L->Points();
    ASSERT_TRUE(S.DeleteShape(S.ShapeByIndex(1)->ShapeNo(), true));
    EXPECT_EQ(L->Index(), 1);
    EXPECT_EQ(L->StartShapeIndex(), 0);
    EXPECT_EQ(L->EndShapeIndex(), -1);
    EXPECT_EQ(L->EndLinkPoint(), -1);
    EXPECT_EQ(L->Points(), Before) << "the connector keeps its geometry";
    EXPECT_EQ(S.ShapeByIndex(0)->LinkLines(), (TMyShapeNo{1}));

    // Deleting the connector removes it from the link list of the shape it started at.
    ASSERT_TRUE(S.DeleteShape(L->ShapeNo(), false));
    EXPECT_TRUE(S.ShapeByIndex(0)->LinkLines().empty());
}

TEST(SurfaceDocument, LockedShapesAndMembersStay) {
    TMyDraxa S;
    AddBox(S, "A");
    AddBox(S, "B", 100);
    TMyShape* G = GroupOf(S, {0, 1});
    S.ShapeByIndex(0)->SetLockedDirect(true);
    int Deleted = 0;
    S.OnShapeDeleted = [&](TMyShape*) { ++Deleted; };
    EXPECT_FALSE(S.DeleteShape(S.ShapeByIndex(0)->ShapeNo(), true));
    EXPECT_EQ(Deleted, 0);
    ASSERT_TRUE(S.DeleteShape(G->ShapeNo(), true));
    EXPECT_EQ(Deleted, 1) << "only the named shape is announced";
    ASSERT_EQ(S.ShapeCount(), 1);
    EXPECT_EQ(S.ShapeByIndex(0)->Name(), "A");
    EXPECT_EQ(S.ShapeByIndex(0)->Index(), 0);
}

TEST(SurfaceDocument, LayersAreUniqueByNameAndAnnounced) {
    TMyDraxa S;
    QStringList Events;
    S.OnNewLayer = [&](int Id, const QString& Name, bool) {
        Events << QString("new %1 %2").arg(Id).arg(Name);
    };
    EXPECT_EQ(S.AddLayer("A", true), 1);
    EXPECT_EQ(S.AddLayer("A", false), -1);
    EXPECT_EQ(Events, QStringList{"new 1 A"});
    EXPECT_EQ(S.CurrentLayer(), 1);
    EXPECT_EQ(S.LayerIndexOf(1), 1);
    EXPECT_FALSE(S.IsLayerVisible(7));
    EXPECT_FALSE(S.DeleteLayer(9));
}

TEST(SurfaceDocument, LayersAreShownHiddenAndRenamed) {
    TMyDraxa S;
    S.AddLayer("Top", true);
    AddBox(S, "A");
    S.SelectShape(S.ShapeByIndex(0));
    ASSERT_TRUE(S.SetLayerVisible(1, false));
    EXPECT_FALSE(S.IsLayerVisible(1));
    EXPECT_EQ(S.SelectedCount(), 0); // hidden shapes leave the selection
    EXPECT_TRUE(S.CheckConsistency());
    EXPECT_TRUE(S.SetLayerVisible(1, true));
    EXPECT_FALSE(S.SetLayerVisible(9, true));

    EXPECT_TRUE(S.RenameLayer(1, "Walls"));
    EXPECT_EQ(S.Layers()[1].Name, "Walls");
    EXPECT_FALSE(S.RenameLayer(1, "Layer0")); // taken
    EXPECT_FALSE(S.RenameLayer(1, ""));
    EXPECT_FALSE(S.RenameLayer(9, "X"));
    EXPECT_TRUE(S.RenameLayer(1, "Walls")); // its own name
}

TEST(SurfaceDocument, DeletingALayerDeletesItsShapesEvenLockedOnesThenAnnouncesIt) {
    QStringList Events; // outlives the surface, whose destruction announces its last layer
    TMyDraxa S;
    S.AddLayer("Top", true); // current layer 1
    AddBox(S, "A");
    AddBox(S, "B", 100);
    S.SetCurrentLayer(0);
    AddBox(S, "Keep", 200);
    S.ShapeByIndex(0)->SetLocked(true);
    S.OnShapeDeleted = [&](TMyShape* X) { Events << "deleted " + X->Name(); };
    S.OnDeleteLayer = [&](int Id, const QString& Name, bool) {
        Events << QString("layer %1 %2").arg(Id).arg(Name);
    };
    ASSERT_TRUE(S.DeleteLayer(1));
    EXPECT_EQ(Events, (QStringList{"deleted A", "deleted B", "layer 1 Top"}));
    ASSERT_EQ(S.ShapeCount(), 1);
    EXPECT_EQ(S.ShapeByIndex(0)->Name(), "Keep");
    EXPECT_EQ(S.CurrentLayer(), 0);

    TArrMyShape OnLayer;
    S.GetLayerShapes(0, OnLayer);
    EXPECT_EQ(OnLayer.size(), 1u);
}

TEST(SurfaceDocument, WithoutALayerNothingIsAddedAndTheApplicationIsAskedToEnd) {
    test::TScriptedDialogs Script;
    TScopedDialogs Use(Script);
    int LayersGone = 0;
    TMyDraxa S;
    S.OnDeleteLayer = [&](int, const QString&, bool) { ++LayersGone; };
    ASSERT_TRUE(S.DeleteAllLayers());
    EXPECT_EQ(LayersGone, 1);
    EXPECT_EQ(S.CurrentLayer(), -1);

    EXPECT_EQ(AddBox(S, "A"), -1);
    EXPECT_EQ(Script.Messages, QStringList{"Error!There is no Layer!"});
    EXPECT_EQ(Script.TerminateCount, 1);
    EXPECT_EQ(S.ShapeCount(), 0);

    auto Own = std::make_unique<TMyRectangle>(&S);
    EXPECT_FALSE(S.AddShape(Own.get(), false, false)) << "the caller keeps a shape that was refused";
    EXPECT_EQ(S.AddLayer("Again", true), 0) << "layer ids start again after all layers went";
}

TEST(SurfaceDocument, ClearFreesShapesAndRestartsNumbers) {
    TMyDraxa S;
    AddBox(S, "A");
    AddBox(S, "B");
    S.Clear();
    EXPECT_EQ(S.ShapeCount(), 0);
    EXPECT_EQ(S.SelectedCount(), 0);
    EXPECT_EQ(S.NextShapeNo(), 0);
    EXPECT_EQ(S.UndoHistory().size(), 2u) << "the history stays";
    EXPECT_EQ(AddBox(S, "C"), 0);
}

// Lookups by number go through an index kept beside the list: after any
// mix of additions, deletions, renumbering, copies and loads they must give
// what a walk over the list gives.
TEST(SurfaceDocument, LookupsByNumberAgreeWithTheListAfterEveryChange) {
    TMyDraxa S;
    const auto Check = [&S](const char* After) {
        SCOPED_TRACE(After);
        for (int No = -1; No <= S.NextShapeNo() + 1; ++No) {
            TMyShape* First = nullptr;
            int Last = -1;
            for (int I = 0; I < S.ShapeCount(); ++I)
                if (S.ShapeByIndex(I)->ShapeNo() == No) {
                    if (!First) First = S.ShapeByIndex(I);
                    Last = I;
                }
            EXPECT_EQ(S.ShapeByNumber(No), No < S.NextShapeNo() ? First : nullptr) << No;
            EXPECT_EQ(S.IndexOfNumber(No), Last) << No;
        }
    };
    const TArrMyPoint Box{{10, 10}, {60, 10}, {60, 40}, {10, 40}};
    for (int I = 0; I < 6; ++I) S.AddShapeByTool(&S, TDrawTool::SpRectangle, "", Box, 0, {});
    Check("adding");
    S.DeleteShape(2, false);
    Check("deleting");
    S.ShapeByIndex(0)->SetShapeNo(4); // two shapes share a number
    Check("renumbering");
    S.ShapeByIndex(1)->AssignGeometry(*S.ShapeByIndex(3));
    Check("copying");
    // Documents hold every number once.
    S.ShapeByIndex(0)->SetShapeNo(0);
    S.ShapeByIndex(1)->SetShapeNo(1);
    Check("numbering back");
    const QByteArray Saved = Save(S);
    S.Clear();
    Check("clearing");
    ASSERT_TRUE(Load(S, Saved));
    Check("loading");
}
