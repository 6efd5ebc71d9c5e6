// Shape numbers to places in the shape list, so that a lookup by number
// costs the same in a drawing of ten shapes and of a hundred thousand.
// Made again at the first lookup after the list or a shape's number
// changed; a lookup that finds the list moved under it makes it again too.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace draxa {

class TMyShape;

class TNumberIndex {
public:
    // The list or a number changed.
    void Forget() { FCurrent = false; }
    // The first shape of List numbered No (in list order), nullptr for none.
    TMyShape* First(const std::vector<TMyShape*>& List, int No) const;
    // The list index of the last shape numbered No, -1 for none.
    int LastIndex(const std::vector<TMyShape*>& List, int No) const;

private:
    struct TPlaces {
        int First, Last;
    };
    // The places of No, made current first; nullptr when no shape has it.
    const TPlaces* Find(const std::vector<TMyShape*>& List, int No) const;
    void Make(const std::vector<TMyShape*>& List) const;

    mutable std::unordered_map<int, TPlaces> FPlaces;
    mutable bool FCurrent = false;
    mutable const void* FListData = nullptr;
    mutable size_t FListSize = 0;
};

} // namespace draxa
