// Arranging the selection: its place in the stacking order of the shape
// list, lining shapes up, spacing them evenly and nudging them.
#include "surface/draxa.h"

#include <algorithm>
#include <numeric>

namespace draxa {

namespace {

enum TStackMove { ToFront, ToBack, Forward, Backward };

} // namespace

// ---- stacking order ----

bool TMyDraxa::BringToFront() {
    return MoveSelectionInStack(ACT_BRINGTOFRONT, ToFront);
}

bool TMyDraxa::SendToBack() {
    return MoveSelectionInStack(ACT_SENDTOBACK, ToBack);
}

bool TMyDraxa::BringForward() {
    return MoveSelectionInStack(ACT_BRINGTOFRONTBYSTEP, Forward);
}

bool TMyDraxa::SendBackward() {
    return MoveSelectionInStack(ACT_SENDTOBACKBYSTEP, Backward);
}

bool TMyDraxa::MoveSelectionInStack(const QString& Action, int Where) {
    const TArrMyShape Shapes = EditableSelection();
    if (Shapes.empty()) return false;
    const int N = ShapeCount();
    // Each top-level shape moves as a block with its members at every depth;
    // a block keeps the order of its shapes.
    std::vector<int> BlockOf(size_t(N), -1);
    for (int I = 0; I < N; ++I) BlockOf[size_t(I)] = TopGroupOf(FShapes[size_t(I)])->Index();
    std::vector<bool> Moving(size_t(N), false);
    for (TMyShape* S : Shapes) Moving[size_t(S->Index())] = true;
    auto Moves = [&](int I) { return Moving[size_t(BlockOf[size_t(I)])]; };

    std::vector<int> Order;
    Order.reserve(size_t(N));
    if (Where == ToFront || Where == ToBack) {
        // Everything else keeps its order.
        for (int Pass = 0; Pass < 2; ++Pass) {
            const bool Take = (Pass == 0) == (Where == ToBack);
            for (int I = 0; I < N; ++I)
                if (Moves(I) == Take) Order.push_back(I);
        }
    } else {
        // Blocks in the order of their topmost shapes; a moving block trades
        // places with the next block above (or below) it that stays.
        std::vector<std::vector<int>> Blocks;
        std::vector<int> BlockAt(size_t(N), -1);
        for (int I = 0; I < N; ++I) {
            const int B = BlockOf[size_t(I)];
            if (BlockAt[size_t(B)] < 0) {
                BlockAt[size_t(B)] = int(Blocks.size());
                Blocks.emplace_back();
            }
            Blocks[size_t(BlockAt[size_t(B)])].push_back(I);
        }
        std::sort(Blocks.begin(), Blocks.end(),
                  [](const auto& A, const auto& B) { return A.back() < B.back(); });
        auto Sel = [&](size_t K) { return Moves(Blocks[K].front()); };
        if (Where == Forward) {
            for (size_t K = Blocks.size() - 1; K-- > 0;)
                if (Sel(K) && !Sel(K + 1)) std::swap(Blocks[K], Blocks[K + 1]);
        } else {
            for (size_t K = 1; K < Blocks.size(); ++K)
                if (Sel(K) && !Sel(K - 1)) std::swap(Blocks[K], Blocks[K - 1]);
        }
        for (const auto& B : Blocks) Order.insert(Order.end(), B.begin(), B.end());
    }
    std::vector<int> Same(Order.size());
    std::iota(Same.begin(), Same.end(), 0);
    if (Order == Same) return false;

    TEditScope Edit(*this, Action);
    RecordUndo(Shapes, Action);
    ReorderShapes(Order);
    SetModified(true);
    Invalidate();
    return true;
}

// ---- lining up, spacing and nudging ----

void TMyDraxa::MoveShapesForEdit(const TArrMyShape& Shapes, const std::vector<TMyPoint>& Offsets) {
    for (size_t I = 0; I < Shapes.size(); ++I)
        if (Offsets[I].X != 0 || Offsets[I].Y != 0) MoveShapeBy(Shapes[I], Offsets[I].X, Offsets[I].Y);
    for (TMyShape* S : Shapes) RerouteLinkLines(S);
    SetModified(true);
    Invalidate();
}

namespace {

bool AnyOffset(const std::vector<TMyPoint>& Offsets) {
    return std::any_of(Offsets.begin(), Offsets.end(),
                       [](const TMyPoint& P) { return P.X != 0 || P.Y != 0; });
}

} // namespace

bool TMyDraxa::AlignSelection(TShapeAlign How) {
    const TArrMyShape Shapes = EditableSelection();
    if (Shapes.size() < 2) return false;
    const TMyRect All = ShapesBounds(Shapes);
    std::vector<TMyPoint> Offsets;
    for (TMyShape* S : Shapes) {
        const TMyRect B = ShapesBounds(TArrMyShape{S});
        TMyPoint D{0, 0};
        switch (How) {
        case TShapeAlign::saLeft:
            D.X = All.Left - B.Left;
            break;
        case TShapeAlign::saCentre:
            D.X = (All.Left + All.Right) / 2 - (B.Left + B.Right) / 2;
            break;
        case TShapeAlign::saRight:
            D.X = All.Right - B.Right;
            break;
        case TShapeAlign::saTop:
            D.Y = All.Top - B.Top;
            break;
        case TShapeAlign::saMiddle:
            D.Y = (All.Top + All.Bottom) / 2 - (B.Top + B.Bottom) / 2;
            break;
        case TShapeAlign::saBottom:
            D.Y = All.Bottom - B.Bottom;
            break;
        }
        Offsets.push_back(D);
    }
    if (!AnyOffset(Offsets)) return false;
    TEditScope Edit(*this, ACT_CHANGE);
    RecordUndo(Shapes, ACT_CHANGE);
    MoveShapesForEdit(Shapes, Offsets);
    return true;
}

bool TMyDraxa::DistributeSelection(TDistribution How) {
    TArrMyShape Shapes = EditableSelection();
    if (Shapes.size() < 3) return false;
    const bool Across = How == TDistribution::dsHorizontal;
    auto Low = [&](TMyShape* S) {
        const TMyRect B = ShapesBounds(TArrMyShape{S});
        return Across ? B.Left : B.Top;
    };
    auto Extent = [&](TMyShape* S) {
        const TMyRect B = ShapesBounds(TArrMyShape{S});
        return Across ? B.Right - B.Left : B.Bottom - B.Top;
    };
    std::stable_sort(Shapes.begin(), Shapes.end(), [&](TMyShape* A, TMyShape* B) { return Low(A) < Low(B); });
    // The outermost two stay; the gaps between neighbours become equal.
    float Used = 0;
    for (TMyShape* S : Shapes) Used += Extent(S);
    const float Span = Low(Shapes.back()) + Extent(Shapes.back()) - Low(Shapes.front());
    const float Gap = (Span - Used) / float(Shapes.size() - 1);
    std::vector<TMyPoint> Offsets;
    float At = Low(Shapes.front());
    for (TMyShape* S : Shapes) {
        const float D = At - Low(S);
        Offsets.push_back(Across ? MyPoint(D, 0) : MyPoint(0, D));
        At += Extent(S) + Gap;
    }
    // Whole pixels: shapes snap to the pixels they are drawn on.
    for (TMyPoint& P : Offsets) P = ToMyPoint(RoundMyPoint(P));
    if (!AnyOffset(Offsets)) return false;
    TEditScope Edit(*this, ACT_CHANGE);
    RecordUndo(Shapes, ACT_CHANGE);
    MoveShapesForEdit(Shapes, Offsets);
    return true;
}

bool TMyDraxa::NudgeSelection(int DX, int DY) {
    const TArrMyShape Shapes = EditableSelection();
    if (Shapes.empty() || (DX == 0 && DY == 0)) return false;
    // A burst of nudges of the same shapes is one step for undo.
    QString Key = QStringLiteral("nudge");
    for (TMyShape* S : Shapes) Key += QLatin1Char(' ') + QString::number(S->ShapeNo());
    TEditScope Edit(*this, ACT_CHANGE);
    if (MergeIntoLast(Key)) {
        for (TMyShape* S : Shapes) TouchConnected(S);
    } else {
        RecordUndo(Shapes, ACT_CHANGE);
        SetEditMergeKey(Key);
    }
    MoveShapesForEdit(Shapes, std::vector<TMyPoint>(Shapes.size(), MyPoint(float(DX), float(DY))));
    return true;
}

} // namespace draxa
