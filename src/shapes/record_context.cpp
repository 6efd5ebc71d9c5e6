// Format tags and versions.
#include "shapes/record_context.h"

#include <iterator>

namespace draxa {

namespace {

const char* const Tags[] = {"KW.2", "KW.3", "KW.4", "KW.5", "KW.6", "KW.7", "KW.8",
                            "KW.9", "KW.a", "KW.e", "KW.h", "KW.i", "KW.j"};
static_assert(std::size(Tags) == size_t(NewestFormatVersion) + 1, "one tag per version");

} // namespace

QString FormatTag(TFormatVersion V) {
    return QLatin1String(Tags[size_t(V)]);
}

bool FormatVersionOfTag(const QString& Tag, TFormatVersion& V) {
    const QString T = Tag.trimmed();
    for (size_t I = 0; I < std::size(Tags); ++I)
        if (T == QLatin1String(Tags[I])) {
            V = TFormatVersion(I);
            return true;
        }
    return false;
}

} // namespace draxa
