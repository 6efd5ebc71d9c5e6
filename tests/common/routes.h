// A connector's route as a paint leaves it, for the connector tests.
#pragma once

#include "shapes/link_line.h"

namespace draxa::testing {

// The route after tidying, in screen pixels.
inline TArrMyPoint Route(TMyLinkLine* L) {
    L->TidyRoute();
    TArrMyPoint R;
    for (int I = 0; I < L->PointCount(); ++I) R.push_back(L->GetScreenPoint(I));
    return R;
}

} // namespace draxa::testing
