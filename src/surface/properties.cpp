// The published properties of the surface.
#include "surface/draxa.h"

#include "foundation/bitmap.h"

#include <cmath>

namespace draxa {

TInteractionMode ModeOfTool(TDrawTool Tool) {
    switch (Tool) {
    case TDrawTool::SpSelecting:
        return TInteractionMode::Selecting;
    case TDrawTool::SpRotateSelecting:
        return TInteractionMode::RotateSelecting;
    case TDrawTool::SpClose:
        return TInteractionMode::Idle;
    case TDrawTool::SpPolylinePolygonPointRemoving:
        return TInteractionMode::PointRemoving;
    case TDrawTool::SpPolylinePolygonPointAdding:
        return TInteractionMode::PointAdding;
    case TDrawTool::SpDragWhole:
        return TInteractionMode::DragWhole;
    case TDrawTool::SpBrowse:
        return TInteractionMode::Browse;
    default:
        return TInteractionMode::Drawing;
    }
}

void TGridObject::Assign(const TGridObject& Source) {
    GridColor = Source.GridColor;
    GridHeight = Source.GridHeight;
    GridWidth = Source.GridWidth;
    GridPenSize = Source.GridPenSize;
    GridShow = Source.GridShow;
    GridType = Source.GridType;
}

void TMyDraxa::SetArrowAngle(int V) {
    if (V >= 0 && V <= 359) FArrowAngle = V;
}

void TMyDraxa::SetArrowLength(uint8_t V) {
    if (V >= 10 && V <= 80) FArrowLength = V;
}

void TMyDraxa::SetBkBitmap(TBitmap& V) {
    V.SetPixelFormat(TPixelFormat::pf24bit);
    FBkBitmap->Assign(V);
    Invalidate();
}

void TMyDraxa::SetBkBitmapMode(TBkBitmapMode V) {
    FBkBitmapMode = V;
    Invalidate();
}

void TMyDraxa::SetColorOfBackGround(TColor V) {
    if (V == FColorOfBackGround) return;
    FColorOfBackGround = V;
    Invalidate();
}

void TMyDraxa::SetColorOfHot(TColor V) {
    FColorOfHot = V;
    SetHotPointColor(V);
}

void TMyDraxa::SetOperateAllLayer(bool V) {
    if (V == FOperateAllLayer) return;
    FOperateAllLayer = V;
    UnselectAll();
    Invalidate();
}

void TMyDraxa::SetRotateConstraintDegree(int V) {
    if (V >= 0) FRotateConstraintDegree = V;
}

void TMyDraxa::SetSnapPixels(uint8_t V) {
    if (V >= FGridOperation.GridWidth || V >= FGridOperation.GridHeight) return;
    FSnapPixels = V;
}

void TMyDraxa::SetModified(bool V) {
    if (V == FModified) return;
    FModified = V;
    emit modifiedChanged(V);
}

// The grid through the property system: a spacing below one pixel (or not a
// number) is refused, since painting and snapping step by it.
void TMyDraxa::SetGridShowProperty(bool V) {
    FGridOperation.GridShow = V;
    Invalidate();
}

void TMyDraxa::SetGridWidthProperty(double V) {
    if (!(V >= 1) || !std::isfinite(V)) return;
    FGridOperation.GridWidth = V;
    Invalidate();
}

void TMyDraxa::SetGridHeightProperty(double V) {
    if (!(V >= 1) || !std::isfinite(V)) return;
    FGridOperation.GridHeight = V;
    Invalidate();
}

void TMyDraxa::SetGridInZoomProperty(bool V) {
    FGridOperation.GridInZoom = V;
    Invalidate();
}

QColor TMyDraxa::BackgroundColorProperty() const {
    return ToQColor(FColorOfBackGround);
}

void TMyDraxa::SetBackgroundColorProperty(const QColor& V) {
    if (V.isValid()) SetColorOfBackGround(FromQColor(V));
}

} // namespace draxa
