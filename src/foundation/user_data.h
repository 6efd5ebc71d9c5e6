// TUserData: an ordered list of key/value text pairs that host programs attach
// to a surface and to every shape. Keys are unique (exact comparison).
#pragma once

#include "draxa_export.h"

#include <QString>

#include <vector>

namespace draxa {

struct DRAXA_EXPORT TUserDataRecord {
    QString Key;
    QString Value;
};
using TArrUserDataRecord = std::vector<TUserDataRecord>;

class DRAXA_EXPORT TUserData {
public:
    // Appends the pair; False, with no change, when the key is already there.
    bool Add(const QString& Key, const QString& Value) {
        for (const TUserDataRecord& R : FItems)
            if (R.Key == Key) return false;
        FItems.push_back(TUserDataRecord{Key, Value});
        return true;
    }
    // Replaces the list with a copy of Source's pairs, in their order.
    void Assign(const TUserData& Source) {
        if (&Source != this) FItems = Source.FItems;
    }
    int Count() const { return int(FItems.size()); }
    void Clear() { FItems.clear(); }
    const TArrUserDataRecord& Items() const { return FItems; }
    // The value stored under Key, or an empty text.
    QString Value(const QString& Key) const {
        for (const TUserDataRecord& R : FItems)
            if (R.Key == Key) return R.Value;
        return QString();
    }

private:
    TArrUserDataRecord FItems;
};

} // namespace draxa
