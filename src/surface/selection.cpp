// The selection list and user coordinates.
#include "surface/draxa.h"

#include <algorithm>

namespace draxa {

void TMyDraxa::SelectShape(TMyShape* AShape) {
    if (!AShape) return;
    // Members are never selected on their own: their outermost group is.
    TMyShape* S = TopGroupOf(AShape);
    if (std::find(FSelected.begin(), FSelected.end(), S) != FSelected.end()) return;
    FSelected.push_back(S);
}

void TMyDraxa::UnselectShape(TMyShape* AShape) {
    auto It = std::find(FSelected.begin(), FSelected.end(), AShape);
    if (It == FSelected.end()) return;
    if (FCurrentShape == AShape) FCurrentShape = nullptr;
    if (FChildShape == AShape) FChildShape = nullptr;
    FSelected.erase(It);
}

void TMyDraxa::UnselectAll() {
    while (!FSelected.empty()) UnselectShape(FSelected.front());
}

void TMyDraxa::UnselectAllAndRepaint() {
    UnselectAll();
    Invalidate();
}

int TMyDraxa::SelectedIndexOf(TMyShape* AShape) const {
    for (int I = SelectedCount() - 1; I >= 0; --I)
        if (FSelected[size_t(I)] == AShape) return I;
    return -1;
}

TMyShape* TMyDraxa::SelectedShape(int Index) const {
    if (Index < 0 || Index >= SelectedCount()) return nullptr;
    return FSelected[size_t(Index)];
}

TPoint TMyDraxa::ToUserXY(const TPoint& P) const {
    TPoint R = P;
    if (FXYMode == TXYMode::Mode2 || FXYMode == TXYMode::Mode3) R.X = Width() - P.X;
    if (FXYMode == TXYMode::Mode1 || FXYMode == TXYMode::Mode2) R.Y = Height() - P.Y;
    return R;
}

}  // namespace draxa
