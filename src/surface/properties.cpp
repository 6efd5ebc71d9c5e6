// Construction, destruction and the published properties of the surface.
#include "surface/draxa.h"

#include "foundation/bitmap.h"

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

TMyDraxa::TMyDraxa(QWidget* Parent)
    : TGraphicControl(Parent), FBkBitmap(std::make_unique<TBitmap>()),
      FOffscreen(std::make_unique<TBitmap>()) {
    // The order matters where one setting reads another: the page needs the
    // zoom and the orientation, the first layer fires its event.
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetPageStyle(TPageStyle::A4);
    AddLayer(QStringLiteral("Layer0"), true);
    SetColorOfBackGround(0xFFFFFF);
    SetUndoRedoSize(10);
    SetCursor(crCross);
}

TMyDraxa::~TMyDraxa() {
    for (TMyShape* S : FShapes) delete S;
    FShapes.clear();
    FSelected.clear();
    FCurrentShape = FChildShape = FClickedShape = FHoverShape = FHotLineEndShape = nullptr;
    ClearUndo();
    FUndoRedoSize = 0;
    DeleteAllLayers();
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

} // namespace draxa
