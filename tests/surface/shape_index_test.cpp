// The index of shown shapes follows the drawing edit by edit: after any run
// of edits it answers paint and hover questions exactly as an index built
// from scratch over the same drawing (a second surface reading the saved
// document) does.
#include "common/control_helpers.h"
#include "common/document_io.h"
#include "shapes/shape_registry.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>

#include <random>

using namespace draxa;

namespace {

constexpr int W = 640, H = 480;

struct TRandom {
    std::mt19937 Engine;
    explicit TRandom(unsigned Seed) : Engine(Seed) {}
    int Int(int Lo, int Hi) { return std::uniform_int_distribution<int>(Lo, Hi)(Engine); }
    float Coord(int Hi) { return float(Int(-40, Hi + 40)); }
};

// A shape of a random class with a random box of points; -1 when the
// class takes no points from code.
int AddRandomShape(TMyDraxa& S, TRandom& R) {
    std::vector<TDrawTool> Tools;
    for (const TShapeClass& C : ShapeClasses())
        if (C.CodePoints && C.Tool) Tools.push_back(*C.Tool);
    const TDrawTool Tool = Tools[size_t(R.Int(0, int(Tools.size()) - 1))];
    const float L = R.Coord(W), T = R.Coord(H);
    const float Rt = L + float(R.Int(2, 200)), B = T + float(R.Int(2, 150));
    TArrMyPoint Points{{L, T}, {Rt, T}, {Rt, B}, {L, B}};
    if (Tool == TDrawTool::SpElliArc) Points.pop_back();
    const int No =
        S.AddShapeByTool(&S, Tool, {}, Points, R.Int(0, 3) == 0 ? 0.5 : 0.0, QStringLiteral("text"));
    S.UnselectAll();
    return No;
}

TMyShape* AnyShape(TMyDraxa& S, TRandom& R) {
    return S.ShapeCount() == 0 ? nullptr : S.ShapeByIndex(R.Int(0, S.ShapeCount() - 1));
}

// One random edit of the kinds the index must hear about.
void Edit(TMyDraxa& S, TRandom& R, int HiddenLayer) {
    TMyShape* X = AnyShape(S, R);
    if (!X) {
        AddRandomShape(S, R);
        return;
    }
    // Selects one or two top-level shapes for the operations on the selection.
    const auto Select = [&S, &R, X] {
        S.UnselectAll();
        S.SelectShape(S.TopGroupOf(X));
        if (TMyShape* Y = AnyShape(S, R)) S.SelectShape(S.TopGroupOf(Y));
    };
    switch (R.Int(0, 17)) {
    case 0:
        AddRandomShape(S, R);
        break;
    case 1:
        S.DeleteShape(X->ShapeNo(), true);
        break;
    case 2:
        X->Move(R.Int(-150, 150), R.Int(-150, 150));
        break;
    case 3:
        X->Pen().SetWidth(R.Int(1, 40));
        break;
    case 4:
        X->SetInfo(R.Int(0, 2) == 0 ? QString() : QString(R.Int(1, 60), QLatin1Char('w')));
        break;
    case 5:
        X->SetMultiInfo(QStringList(R.Int(0, 4), QStringLiteral("a line of info")));
        break;
    case 6:
        X->Font().SetSize(R.Int(4, 60));
        break;
    case 7:
        X->SetInfoPos(MyPoint(R.Coord(W), R.Coord(H)));
        break;
    case 8:
        X->SetVisible(!X->Visible());
        break;
    case 9:
        X->SetLayerId(X->LayerId() == HiddenLayer ? S.CurrentLayer() : HiddenLayer);
        break;
    case 10:
        X->Rotate(X->GetCorner(4), R.Int(1, 6) * 0.3);
        break;
    case 11:
        S.SetZoom(R.Int(0, 3) == 0 ? 0.5 + R.Int(0, 6) * 0.25 : S.Zoom());
        break;
    case 12:
        Select();
        R.Int(0, 1) ? S.GroupSelection() : S.CombineSelection();
        break;
    case 13:
        Select();
        S.UngroupSelection();
        break;
    case 14:
        Select();
        R.Int(0, 1) ? S.BringToFront() : S.SendBackward();
        break;
    case 15:
        S.Undo();
        break;
    case 16:
        S.Redo();
        break;
    case 17:
        Select();
        S.DeleteSelection();
        break;
    }
    S.UnselectAll();
}

std::vector<int> Numbers(const TArrMyShape& Shapes) {
    std::vector<int> N;
    for (const TMyShape* S : Shapes) N.push_back(S->ShapeNo());
    return N;
}

int HoverNumber(TMyDraxa& S, test::TMouseDriver& Mouse, const TPoint& P) {
    Mouse.Move(P.X, P.Y);
    return S.HoverShape() ? S.HoverShape()->ShapeNo() : -1;
}

} // namespace

TEST(ShapeIndex, AnIndexThatFollowedEditsAnswersLikeOneBuiltAfresh) {
    for (unsigned Seed = 1; Seed <= 6; ++Seed) {
        SCOPED_TRACE(Seed);
        TRandom R(Seed);
        TMyDraxa S;
        S.SetBounds(0, 0, W, H);
        S.SetSnap(false);
        S.SetUndoRedoSize(30);
        test::TMouseDriver Mouse(S);
        const int Hidden = S.AddLayer(QStringLiteral("hidden"), false);
        S.SetCurrentLayer(S.Layers().front().Id);
        for (int I = 0; I < 40; ++I) AddRandomShape(S, R);
        for (int Step = 0; Step < 60; ++Step) {
            SCOPED_TRACE(Step);
            Edit(S, R, Hidden);
            // Asked between edits too, so that the index has something to follow.
            if (Step % 3 != 0) continue;
            TMyDraxa Fresh;
            Fresh.SetBounds(0, 0, W, H);
            Fresh.SetSnap(false);
            ASSERT_TRUE(draxa::testing::Load(Fresh, draxa::testing::Save(S)));
            Fresh.SetZoom(S.Zoom());
            test::TMouseDriver FreshMouse(Fresh);
            for (int Q = 0; Q < 6; ++Q) {
                const int L = R.Int(-50, W), T = R.Int(-50, H);
                const TRect Area =
                    Q == 0 ? TRect{0, 0, W, H} : TRect{L, T, L + R.Int(0, 300), T + R.Int(0, 200)};
                TArrMyShape Followed, Built;
                S.ShapesPaintedIn(Area, Followed);
                Fresh.ShapesPaintedIn(Area, Built);
                EXPECT_EQ(Numbers(Followed), Numbers(Built));
                const TPoint P{R.Int(0, W - 1), R.Int(0, H - 1)};
                EXPECT_EQ(HoverNumber(S, Mouse, P), HoverNumber(Fresh, FreshMouse, P));
            }
        }
    }
}

TEST(ShapeIndex, PaintListsComeInListOrderWithoutHiddenLayersOrMembers) {
    TMyDraxa S;
    S.SetBounds(0, 0, W, H);
    const int Hidden = S.AddLayer(QStringLiteral("hidden"), false);
    S.SetCurrentLayer(S.Layers().front().Id);
    TRandom R(7);
    for (int I = 0; I < 300; ++I) AddRandomShape(S, R);
    S.ShapeByIndex(5)->SetLayerId(Hidden);
    TArrMyShape All;
    S.ShapesPaintedIn(TRect{0, 0, W, H}, All);
    // Many shapes take the placing path, few the sorting one: both in list order.
    TArrMyShape Few;
    S.ShapesPaintedIn(TRect{300, 200, 310, 210}, Few);
    for (const TArrMyShape* List : {&All, &Few}) {
        for (size_t I = 1; I < List->size(); ++I) EXPECT_LT((*List)[I - 1]->Index(), (*List)[I]->Index());
        for (const TMyShape* X : *List) EXPECT_NE(X->LayerId(), Hidden);
    }
    EXPECT_LT(Few.size(), All.size());
    EXPECT_EQ(std::count(All.begin(), All.end(), S.ShapeByIndex(5)), 0);
}
