// The document format versions, and what a shape record's reader and writer
// are handed: the version of the document, the zoom at which shapes are read
// and the budget that bounds what one document may decode into.
#pragma once

#include "draxa_export.h"

#include <QString>

#include <cstdint>

namespace draxa {

class TDecodeBudget;

// The format tags readers recognise, oldest first; writers always write the
// newest. The letters in between were never released.
enum class TFormatVersion : uint8_t { KW2, KW3, KW4, KW5, KW6, KW7, KW8, KW9, KWa, KWe, KWh, KWi, KWj };
constexpr TFormatVersion NewestFormatVersion = TFormatVersion::KWj;

// The tag of a version as documents store it ("KW.j").
DRAXA_EXPORT QString FormatTag(TFormatVersion V);
// The version a tag names (blanks around it ignored); false for a tag that
// is not one of ours.
DRAXA_EXPORT bool FormatVersionOfTag(const QString& Tag, TFormatVersion& V);

// What a shape's LoadFromStream reads by.
struct DRAXA_EXPORT TReadContext {
    TFormatVersion Version = NewestFormatVersion;
    // The zoom the shapes are read at (documents store logical units).
    double Zoom = 1.0;
    // The budget of the running document read, nullptr when there is none.
    TDecodeBudget* Budget = nullptr;

    // True when the record was written by version V or a later one.
    bool AtLeast(TFormatVersion V) const { return Version >= V; }
};

// What a shape's SaveToStream writes by: always the newest layout.
struct DRAXA_EXPORT TWriteContext {
    TFormatVersion Version = NewestFormatVersion;
};

} // namespace draxa
