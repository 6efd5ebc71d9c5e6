// Shape numbers to places in the shape list.
#include "surface/number_index.h"

#include "shapes/shape.h"

namespace draxa {

void TNumberIndex::Make(const std::vector<TMyShape*>& List) const {
    FPlaces.clear();
    FPlaces.reserve(List.size());
    for (int I = 0; I < int(List.size()); ++I) {
        const TMyShape* S = List[size_t(I)];
        if (!S) continue;
        const auto [It, New] = FPlaces.try_emplace(S->ShapeNo(), TPlaces{I, I});
        if (!New) It->second.Last = I;
    }
    FListData = List.data();
    FListSize = List.size();
    FCurrent = true;
}

const TNumberIndex::TPlaces* TNumberIndex::Find(const std::vector<TMyShape*>& List, int No) const {
    // A list that moved or changed length was edited without a word: made again.
    if (!FCurrent || FListData != List.data() || FListSize != List.size()) Make(List);
    auto It = FPlaces.find(No);
    const auto Holds = [&](int I) {
        return I >= 0 && size_t(I) < List.size() && List[size_t(I)] && List[size_t(I)]->ShapeNo() == No;
    };
    // Every change of the list or of a number is told, so a number that is
    // not there is not in the list.
    if (It == FPlaces.end()) return nullptr;
    if (Holds(It->second.First) && Holds(It->second.Last)) return &It->second;
    // A place that no longer holds its number: made again once, then believed.
    Make(List);
    It = FPlaces.find(No);
    return It == FPlaces.end() ? nullptr : &It->second;
}

TMyShape* TNumberIndex::First(const std::vector<TMyShape*>& List, int No) const {
    const TPlaces* P = Find(List, No);
    return P ? List[size_t(P->First)] : nullptr;
}

int TNumberIndex::LastIndex(const std::vector<TMyShape*>& List, int No) const {
    const TPlaces* P = Find(List, No);
    return P ? P->Last : -1;
}

} // namespace draxa
