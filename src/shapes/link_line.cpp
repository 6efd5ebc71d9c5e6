// TMyLinkLine: construction, the attached shapes and copying.
#include "shapes/link_line.h"

#include "surface/draxa.h"

namespace draxa {

TMyLinkLine::TMyLinkLine(TMyDraxa* ASurface) : TMyLine(ASurface) {
    if (FSurface) FLinkLineDrawStyle = FSurface->LinkLineDrawStyle();
}

TMyShape* TMyLinkLine::GetStartShape() const {
    return (FSurface && FStartShapeIndex >= 0) ? FSurface->ShapeByIndex(FStartShapeIndex) : nullptr;
}

TMyShape* TMyLinkLine::GetEndShape() const {
    return (FSurface && FEndShapeIndex >= 0) ? FSurface->ShapeByIndex(FEndShapeIndex) : nullptr;
}

void TMyLinkLine::Assign(const TMyShape& Source) {
    if (&Source == this) return;
    TMyLine::Assign(Source);
    if (const auto* L = dynamic_cast<const TMyLinkLine*>(&Source)) {
        FStartShapeIndex = L->FStartShapeIndex;
        FStartLinkPoint = L->FStartLinkPoint;
        FEndShapeIndex = L->FEndShapeIndex;
        FEndLinkPoint = L->FEndLinkPoint;
        FLinkLineDrawStyle = L->FLinkLineDrawStyle;
    }
}

} // namespace draxa
