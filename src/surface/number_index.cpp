// Shape numbers to the shapes of the list.
#include "surface/number_index.h"

#include "shapes/shape.h"

namespace draxa {

void TNumberIndex::Make(const std::vector<TMyShape*>& List) const {
    FPlaces.clear();
    FPlaces.reserve(List.size());
    for (TMyShape* S : List) {
        if (!S) continue;
        const auto [It, New] = FPlaces.try_emplace(S->ShapeNo(), TPlaces{S, S});
        if (!New) It->second.Last = S;
    }
    FCurrent = true;
}

void TNumberIndex::Appended(TMyShape* S) {
    if (!FCurrent || !S) return;
    const auto [It, New] = FPlaces.try_emplace(S->ShapeNo(), TPlaces{S, S});
    if (!New) It->second.Last = S;
}

void TNumberIndex::Removing(TMyShape* S) {
    if (!FCurrent || !S) return;
    const auto It = FPlaces.find(S->ShapeNo());
    if (It == FPlaces.end()) return;
    if (It->second.First == S && It->second.Last == S)
        FPlaces.erase(It);
    else if (It->second.First == S || It->second.Last == S)
        FCurrent = false; // one of several with that number: the others are found again
}

void TNumberIndex::Cleared() {
    FPlaces.clear();
    FCurrent = true;
}

const TNumberIndex::TPlaces* TNumberIndex::Find(const std::vector<TMyShape*>& List, int No) const {
    if (!FCurrent) Make(List);
    // Shapes leave the index when they leave the list; only the number is
    // checked again here.
    const auto Holds = [No](const TMyShape* S) { return S->ShapeNo() == No; };
    auto It = FPlaces.find(No);
    // Every change of the list or of a number is told, so a number that is
    // not there is not in the list.
    if (It == FPlaces.end()) return nullptr;
    if (Holds(It->second.First) && Holds(It->second.Last)) return &It->second;
    // An entry that no longer holds: made again once, then believed.
    Make(List);
    It = FPlaces.find(No);
    return It == FPlaces.end() ? nullptr : &It->second;
}

TMyShape* TNumberIndex::First(const std::vector<TMyShape*>& List, int No) const {
    const TPlaces* P = Find(List, No);
    return P ? P->First : nullptr;
}

int TNumberIndex::LastIndex(const std::vector<TMyShape*>& List, int No) const {
    const TPlaces* P = Find(List, No);
    if (!P) return -1;
    // Shapes keep their list index; one that a host placed without it is looked for.
    const int I = P->Last->Index();
    if (I >= 0 && size_t(I) < List.size() && List[size_t(I)] == P->Last) return I;
    for (size_t J = List.size(); J-- > 0;)
        if (List[J] == P->Last) return int(J);
    return -1;
}

} // namespace draxa
