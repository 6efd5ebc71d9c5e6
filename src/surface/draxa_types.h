// The public types of the drawing surface: page, grid and mode settings,
// layers, the event signatures and the names of undo actions.
#pragma once

#include "draxa_export.h"
#include "foundation/geometry.h"
#include "foundation/graphics.h"
#include "shapes/shape_types.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace draxa {

class TMyShape;

// The interaction mode each tool selects.
DRAXA_EXPORT TInteractionMode ModeOfTool(TDrawTool Tool);

enum class TPageStyle : uint8_t { A0, A1, A2, A3, A4, A5, B3, B4, B5, CustomerPage };
enum class TPrinterOrientation : uint8_t { poPortrait, poLandscape };
enum class TBkBitmapMode : uint8_t { Tiled, Stretch, Center, LeftTop };
enum class TDragMode : uint8_t { dgHorz, dgVert, dgBoth };
enum class TXYMode : uint8_t { Mode0, Mode1, Mode2, Mode3 };
enum class TGridType : uint8_t { gPixel, gLine, gNone };

// Grid settings: plain stores, read by painting and snapping.
class DRAXA_EXPORT TGridObject {
public:
    TColor GridColor = 0xC0C0C0;           // colour of the lines or dots
    double GridHeight = 20.0;              // vertical spacing, pixels at Zoom 1
    uint8_t GridPenSize = 1;               // line width; half-size of dots
    bool GridInZoom = false;               // spacing follows Zoom when True
    bool GridShow = true;                  // the grid is drawn
    TGridType GridType = TGridType::gLine; // lines, dots or none
    double GridWidth = 20.0;               // horizontal spacing, pixels at Zoom 1
    // Copies everything but GridInZoom.
    void Assign(const TGridObject& Source);
};

// Where AlignSelection lines shapes up: an edge or the centre of their
// common bounds, across (left, centre, right) or down (top, middle, bottom).
enum class TShapeAlign : uint8_t { saLeft, saCentre, saRight, saTop, saMiddle, saBottom };
// Which way DistributeSelection spaces shapes.
enum class TDistribution : uint8_t { dsHorizontal, dsVertical };

// One layer: unique name, id from the surface's counter, visibility.
struct DRAXA_EXPORT LayerRec {
    QString Name;        // unique among the layers
    int32_t Id = 0;      // never reused while the layer exists
    bool Visible = true; // its shapes are drawn and can be picked
};

// Event types. A parameter passed by reference is the surface's own slot or
// variable; a handler may change it.
using TShapeAdded = std::function<void(TMyShape*& AShape, int ShapeCount)>;
using TShapeDeleted = std::function<void(TMyShape* AShape)>;
using TShapeSelected = std::function<void(TMyShape* LastSelectedShape, TMyShape* SelectedShape)>;
using TChildhapeSelected = std::function<void(TMyShape* SelectedChildShape, bool& AcceptSelect)>;
using TLayerOp = std::function<void(int LayerId, const QString& LayerName, bool Visible)>;
using TEnterLeaveShape = std::function<void(TMyShape* AShape)>;
using TNodeAdded = std::function<void(TMyShape*& AShape, int NewPointIndex)>;
using TNodeDeleted = std::function<void(TMyShape*& AShape, int DeletedPointIndex)>;
using TShapeMouseDraggingSizingRotating =
    std::function<void(TMyShape* AShape, const TPoint& FromPoint, TPoint& ToPoint)>;
using TShapeCodeDraggingSizing = std::function<void(TMyShape* AShape, float dx, float dy)>;
using TShapeCodeRotating = std::function<void(TMyShape* AShape, float AAngle)>;
using TActionToolToSelecting = std::function<void()>;
using TWholeDragOperation = std::function<void()>;

// Undo action names.
// The undo action of a scale set from a measured distance (CalibrateScale).
extern DRAXA_EXPORT const QString ACT_SET_SCALE;
extern DRAXA_EXPORT const QString ACT_ADD, ACT_CHANGE, ACT_DELETE, ACT_GROUP, ACT_UNGROUP, ACT_BRINGTOFRONT,
    ACT_BRINGTOFRONTBYSTEP, ACT_SENDTOBACK, ACT_SENDTOBACKBYSTEP;

} // namespace draxa
