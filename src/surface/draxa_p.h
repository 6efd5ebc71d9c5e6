// The state of a drawing surface: what TMyDraxa keeps behind its public
// members. Only the surface's own sources use it; TMyDraxa holds it as a
// private base, so its members read as the surface's own.
#pragma once

#include "foundation/bitmap.h"
#include "foundation/geometry.h"
#include "foundation/graphics.h"
#include "foundation/user_data.h"
#include "shapes/record_context.h"
#include "shapes/shape.h"
#include "surface/draxa_types.h"
#include "surface/number_index.h"
#include "surface/shape_index.h"
#include "surface/undo.h"
#include "surface/undo_replay.h"

#include <QLabel>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

namespace draxa {

// The cross references of a document are list indices, and every operation
// on the drawing relies on them naming shapes of this document and agreeing
// with each other: a member names its group and the group lists it, a shape
// lists the connectors whose ends name it and those ends name it back, and
// no group contains itself. Deleting finds shapes by number, so numbers are
// unique. The first fault found, or "" (consistency.cpp).
QString CrossReferenceFault(const std::vector<const TMyShape*>& Shapes);

struct TSurfaceState {
    // Document.
    TArrMyShape FShapes;
    int FNextShapeNo = 0;
    std::vector<LayerRec> FLayers;
    int FCurrentLayer = -1;
    int FNextLayerId = 0;
    TArrMyShape FSelected;
    TMyShape* FCurrentShape = nullptr;
    TMyShape* FChildShape = nullptr;
    TMyShape* FClickedShape = nullptr;
    // The selected shape a press landed on: whether a smaller shape lies on
    // it there is asked only when the press ends as a click (SettlePress),
    // since a drag never needs the answer and the search visits every shape.
    TMyShape* FClickedOn = nullptr;
    TMyShape* FHoverShape = nullptr;
    // Where the shown shapes are, for painting and hover; follows every
    // change the shapes report and every change of the list.
    TShapeIndex FShapeIndex;
    // Shape numbers to places in FShapes.
    TNumberIndex FNumbers;
    bool FModified = false;
    bool FLoading = false;
    QString FFileVersion = FormatTag(NewestFormatVersion);

    // Undo history, and the journals undo and redo replay.
    TUndoHistory FUndo;
    TReplayHistory FReplay;
    // Keys edit the drawing (KeyboardEditing).
    bool FKeyboardEditing = false;

    // Interaction state shared with the shapes.
    TInteractionMode FMode = TInteractionMode::Idle;
    TDrawTool FShapeTool = TDrawTool::SpSelecting;
    TMyShape* FHotLineEndShape = nullptr;
    int FHotLineEnd = -1;
    bool FPaintBusy = false;
    TInteractionMode FReturnMode = TInteractionMode::Idle; // the mode a press returns to
    bool FMouseDown = false;                               // between an accepted press and its release
    TPoint FDownPoint;                                     // screen
    TPoint FMovePoint;                                     // screen
    int FLinkTargetShape = -1;
    int FLinkTargetPoint = -1;
    // Owns the shape being drawn until it enters the document; FCurrentShape
    // points at it meanwhile.
    std::unique_ptr<TMyShape> FNewShape;
    // An XOR outline of the interaction in progress is on the screen image.
    bool FFeedbackShown = false;

    // Units, zoom and page.
    TUnits FTheUNIT = TUnits::mm;
    double FRatio = 1.0;
    double FZoom = 1.0;
    double FPreviousZoom = 1.0;
    TPageStyle FPageStyle = TPageStyle::A4;
    unsigned FPageWidth = 210;
    unsigned FPageHeight = 297;
    TPrinterOrientation FPageOrientation = TPrinterOrientation::poPortrait;
    QString FPageHead, FPageFoot;
    TAlignment FPageHeadAlignment = TAlignment::taCenter;
    TAlignment FPageFootAlignment = TAlignment::taRightJustify;
    TFont FPageHeadFont, FPageFootFont;
    uint8_t FPageHeadToTop = 15, FPageFootToBottom = 15;
    bool FPrintABorder = true;
    uint8_t FPrintABordertoLeft = 20, FPrintABordertoTop = 20, FPrintABordertoRight = 20,
            FPrintABordertoBottom = 20;
    bool FPrintBackground = false;

    // Published settings.
    TArcMode FArcMode = TArcMode::amCircle;
    int FArrowAngle = 10;
    uint8_t FArrowLength = 30;
    uint8_t FArrowOffset = 0;
    TArrowStyle FArrowStyle = TArrowStyle::ANone;
    std::unique_ptr<TBitmap> FBkBitmap = std::make_unique<TBitmap>();
    std::unique_ptr<TBitmap> FOffscreen = std::make_unique<TBitmap>();
    TBkBitmapMode FBkBitmapMode = TBkBitmapMode::Center;
    TBrush FBrush;
    TColor FColorOfBackGround = 0xFFFFFF;
    TColor FColorOfHot = 0x808080;
    bool FCrossLine = true;
    TDragMode FDragMode = TDragMode::dgBoth;
    bool FDragTrace = true;
    bool FDisableTextInput = false;
    bool FDropCancelledText = false;
    TFont FFont;
    TGridObject FGridOperation;
    bool FHotShow = true;
    bool FAntialiased = false;
    uint8_t FHotSize = 4;
    QPointer<QLabel> FLabelValue;
    QPointer<QLabel> FLabelXY;
    bool FLinklineAroundShape = true;
    bool FAutoLinkPoints = false;
    TArrMyShape FPaintList;
    TLinkLineDrawStyle FLinkLineDrawStyle = TLinkLineDrawStyle::lldsHV;
    bool FLockBound = false;
    bool FMouseEffect = true;
    bool FOperateAllLayer = true;
    TPen FPen;
    TPenStyleJoinType FPenStyleJoinType = TPenStyleJoinType::psjtROUND;
    TPenStyleEndCapType FPenStyleEndCapType = TPenStyleEndCapType::psectROUND;
    bool FResizeEnable = true;
    bool FReturnToSelecting = true;
    int FRotateConstraintDegree = 0;
    bool FRotateEnable = true;
    bool FShowHotLink = true;
    bool FSnap = true;
    uint8_t FSnapPixels = 4;
    bool FSnapShape = false;
    int FTag = 0;
    TUserData FUserData;
    TXYMode FXYMode = TXYMode::Mode0;
};

} // namespace draxa
