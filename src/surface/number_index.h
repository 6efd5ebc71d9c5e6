// Shape numbers to the shapes of the list, so that a lookup by number costs
// the same in a drawing of ten shapes and of a hundred thousand. Appending
// and removing a shape update it in place; anything else (a shape's number
// changed, a slot replaced, a document read) makes it again at the next
// lookup, and a lookup that finds an entry no longer true makes it again too.
#pragma once

#include <unordered_map>
#include <vector>

namespace draxa {

class TMyShape;

class TNumberIndex {
public:
    // Something changed that the index cannot follow in place.
    void Forget() { FCurrent = false; }
    // S was appended to the list.
    void Appended(TMyShape* S);
    // S is about to leave the list.
    void Removing(TMyShape* S);
    // The list was emptied.
    void Cleared();

    // The first shape of List numbered No (in list order), nullptr for none.
    TMyShape* First(const std::vector<TMyShape*>& List, int No) const;
    // The list index of the last shape numbered No, -1 for none.
    int LastIndex(const std::vector<TMyShape*>& List, int No) const;

private:
    struct TPlaces {
        TMyShape* First;
        TMyShape* Last;
    };
    const TPlaces* Find(const std::vector<TMyShape*>& List, int No) const;
    void Make(const std::vector<TMyShape*>& List) const;

    mutable std::unordered_map<int, TPlaces> FPlaces;
    mutable bool FCurrent = false;
};

} // namespace draxa
