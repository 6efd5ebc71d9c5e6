// Saving and reading back documents and shape records in memory, for the
// tests of every folder.
#pragma once

#include "foundation/streams.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QByteArray>

namespace draxa::testing {

// The whole document of S, as SaveToStream writes it (a failed save fails the test).
inline QByteArray Save(TMyDraxa& S) {
    TMemoryStream M;
    EXPECT_TRUE(S.SaveToStream(M));
    return M.ToByteArray();
}

// Reads Bytes into S as a document; the result of LoadFromStream.
inline bool Load(TMyDraxa& S, const QByteArray& Bytes) {
    TMemoryStream M(Bytes);
    return S.LoadFromStream(M);
}

// The record of one shape, in the newest layout.
inline QByteArray Save(TMyShape& Shape) {
    TMemoryStream M;
    Shape.SaveToStream(M);
    return M.ToByteArray();
}

} // namespace draxa::testing
