// TMyDraxa: the drawing surface component.
//
// A graphic control that owns a document of shapes on named layers, lets
// the user edit it with the mouse, paints it, records changes in a bounded
// undo history and offers it to host code through properties, events and
// public operations. One class, implemented by one source per concern:
// document.cpp (shape list, layers, factories, deletion and renumbering),
// properties.cpp, undo.cpp, units_page.cpp, and the interaction, painting
// and stream sources as they arrive.
//
// Coordinates: "screen" is pixels of the control; shapes store "logical"
// units (screen / Zoom); "user" coordinates are screen pixels mirrored by
// XYMode.
#pragma once

#include "draxa_export.h"
#include "foundation/control.h"
#include "foundation/geometry.h"
#include "foundation/graphics.h"
#include "foundation/user_data.h"
#include "shapes/shape.h"
#include "shapes/shape_host.h"
#include "surface/draxa_p.h"
#include "surface/draxa_types.h"
#include "surface/quantities.h"

#include <QColor>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QRectF>
#include <QRegion>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPrinter;

namespace draxa {

class TBitmap;
struct TPageLayout;
class TMyLine;
class TMyLinkLine;
class TStream;

// The drawing surface: a widget holding a document of shapes on layers, which
// the user edits with the mouse and the host through the members below, its
// std::function events, and Qt's signals and properties.
class DRAXA_EXPORT TMyDraxa : public TGraphicControl, public TShapeHost, private TSurfaceState {
    Q_OBJECT

    // The published settings, as Qt's property system (QObject::property,
    // Qt Designer, QML bindings) sees them. Each reads and writes through the
    // getter and setter of the same setting below, so a setter's limits and
    // side effects hold for both ways in.
    Q_PROPERTY(double zoom READ Zoom WRITE SetZoom NOTIFY zoomChanged)
    Q_PROPERTY(draxa::TUnits units READ TheUNIT WRITE SetTheUNIT)
    Q_PROPERTY(double ratio READ Ratio WRITE SetRatio)
    Q_PROPERTY(bool antialiased READ Antialiased WRITE SetAntialiased)
    Q_PROPERTY(draxa::TDrawTool tool READ ShapeTool WRITE SetShapeTool NOTIFY toolChanged)
    Q_PROPERTY(bool modified READ Modified WRITE SetModified NOTIFY modifiedChanged)
    Q_PROPERTY(bool canUndo READ CanUndo NOTIFY undoRedoChanged)
    Q_PROPERTY(bool canRedo READ CanRedo NOTIFY undoRedoChanged)
    Q_PROPERTY(int shapeCount READ ShapeCount)
    Q_PROPERTY(int selectedCount READ SelectedCount NOTIFY selectionChanged)
    Q_PROPERTY(int currentLayer READ CurrentLayer WRITE SetCurrentLayer)
    Q_PROPERTY(draxa::TPageStyle pageStyle READ PageStyle WRITE SetPageStyle)
    Q_PROPERTY(uint pageWidth READ PageWidth WRITE SetPageWidth)
    Q_PROPERTY(uint pageHeight READ PageHeight WRITE SetPageHeight)
    Q_PROPERTY(draxa::TPrinterOrientation pageOrientation READ PageOrientation WRITE SetPageOrientation)
    Q_PROPERTY(QString pageHead READ PageHead WRITE SetPageHead)
    Q_PROPERTY(QString pageFoot READ PageFoot WRITE SetPageFoot)
    Q_PROPERTY(bool gridShow READ GridShowProperty WRITE SetGridShowProperty)
    Q_PROPERTY(double gridWidth READ GridWidthProperty WRITE SetGridWidthProperty)
    Q_PROPERTY(double gridHeight READ GridHeightProperty WRITE SetGridHeightProperty)
    Q_PROPERTY(bool gridInZoom READ GridInZoomProperty WRITE SetGridInZoomProperty)
    Q_PROPERTY(QColor backgroundColor READ BackgroundColorProperty WRITE SetBackgroundColorProperty)
    Q_PROPERTY(bool snap READ Snap WRITE SetSnap)
    Q_PROPERTY(bool snapShape READ SnapShape WRITE SetSnapShape)
    Q_PROPERTY(bool keyboardEditing READ KeyboardEditing WRITE SetKeyboardEditing)
    Q_PROPERTY(bool operateAllLayer READ OperateAllLayer WRITE SetOperateAllLayer)
    Q_PROPERTY(bool returnToSelecting READ ReturnToSelecting WRITE SetReturnToSelecting)
    Q_PROPERTY(bool resizeEnable READ ResizeEnable WRITE SetResizeEnable)
    Q_PROPERTY(bool rotateEnable READ RotateEnable WRITE SetRotateEnable)
    Q_PROPERTY(int rotateConstraintDegree READ RotateConstraintDegree WRITE SetRotateConstraintDegree)
    Q_PROPERTY(bool autoLinkPoints READ AutoLinkPoints WRITE SetAutoLinkPoints)
    Q_PROPERTY(bool linklineAroundShape READ LinklineAroundShape WRITE SetLinklineAroundShape)
    Q_PROPERTY(bool hotShow READ HotShow WRITE SetHotShow)
    Q_PROPERTY(bool showHotLink READ ShowHotLink WRITE SetShowHotLink)
    Q_PROPERTY(bool crossLine READ CrossLine WRITE SetCrossLine)
    Q_PROPERTY(bool mouseEffect READ MouseEffect WRITE SetMouseEffect)
    Q_PROPERTY(bool lockBound READ LockBound WRITE SetLockBound)
    Q_PROPERTY(bool dragTrace READ DragTrace WRITE SetDragTrace)
    Q_PROPERTY(draxa::TDragMode dragMode READ DragMode WRITE SetDragMode)
    Q_PROPERTY(draxa::TXYMode xyMode READ XYMode WRITE SetXYMode)
    Q_PROPERTY(int arrowAngle READ ArrowAngle WRITE SetArrowAngle)
    Q_PROPERTY(bool disableTextInput READ DisableTextInput WRITE SetDisableTextInput)
    Q_PROPERTY(bool dropCancelledText READ DropCancelledText WRITE SetDropCancelledText)
    Q_PROPERTY(bool printBackground READ PrintBackground WRITE SetPrintBackground)
    Q_PROPERTY(bool printABorder READ PrintABorder WRITE SetPrintABorder)
    Q_PROPERTY(int tag READ Tag WRITE SetTag)
    Q_PROPERTY(QString version READ Version CONSTANT)

public:
    // A surface with one layer, "Layer0", a white background and an undo history of ten steps.
    explicit TMyDraxa(QWidget* Parent = nullptr);
    ~TMyDraxa() override;

    // ================= document =================

    // Appends AShape to the shape list (the caller has set its number, index
    // and name). Without a layer: the message "Error!There is no Layer!",
    // the application is asked to end, False, and the caller keeps the shape.
    // On success the surface owns the shape.
    bool AddShape(TMyShape* AShape, bool KeepLayer, bool KeepNumber);
    // Stores AShape into the existing slot Index (the loader's way in).
    bool PutShape(int Index, TMyShape* AShape, bool KeepNumber);
    // Creates a shape from program code as if drawn with Tool; Points are in
    // user coordinates. Returns the new shape's Number, or -1 (wrong point
    // count, or a tool that draws no shape from points).
    int AddShapeByTool(TMyDraxa* Owner, TDrawTool Tool, const QString& Name, const TArrMyPoint& Points,
                       double Angle, const QString& Info);
    // Factories: the shape is not added. nullptr for unknown names or tools.
    TMyShape* CreateShapeByClassName(const QString& ClassName, TMyDraxa* Owner = nullptr);
    TMyShape* CreateShapeForTool(TDrawTool Tool);
    // Deletes the shape with that Number and its unlocked members; False
    // when it is locked (or there is no such shape).
    bool DeleteShape(int Number, bool WithUndo);
    // Frees every shape; layers and undo history stay.
    void Clear();

    // Adds a layer and makes it the current one; returns its id, or -1 when
    // another layer has that name.
    int AddLayer(const QString& Name, bool Visible);
    // Deletes the layer with its top-level shapes, locked ones too
    // (unselecting everything first); the first remaining layer becomes the
    // current one. False when there is no such layer.
    bool DeleteLayer(uint8_t LayerId);
    // Deletes every layer in turn; when all went, ids start again at 0 and
    // there is no current layer.
    bool DeleteAllLayers();
    // Number of layers.
    uint8_t LayerCount() const { return uint8_t(FLayers.size()); }
    // Place of the layer in Layers(), or -1.
    int LayerIndexOf(uint8_t LayerId) const;
    // False also for a layer that does not exist.
    bool IsLayerVisible(int LayerId) const;
    // Shows or hides the layer; the shapes of a hidden layer leave the
    // selection. False when there is no such layer.
    bool SetLayerVisible(int LayerId, bool Visible);
    // False when there is no such layer, or Name is empty or another
    // layer's name.
    bool RenameLayer(int LayerId, const QString& Name);
    // The top-level shapes on the layer, in list order (none without a current layer).
    void GetLayerShapes(uint8_t LayerId, TArrMyShape& Shapes) const;
    const std::vector<LayerRec>& Layers() const { return FLayers; }
    // The layer new shapes go on (-1: none).
    int CurrentLayer() const { return FCurrentLayer; }
    void SetCurrentLayer(int LayerId) { FCurrentLayer = LayerId; }

    // The shape list: every shape, members of groups included, in painting
    // order (bottom-most first). Index is a place in the list, Number the
    // shape's own lasting number; lookups give nullptr or -1 when there is none.
    int ShapeCount() const override { return int(FShapes.size()); }
    TMyShape* ShapeByIndex(int Index) const override;
    TMyShape* ShapeByNumber(int Number) const override;
    int IndexOfNumber(int Number) const;
    int NextShapeNo() const { return FNextShapeNo; }
    TMyShape* TopGroupOf(TMyShape* AShape) const override;
    // Locks or unlocks the shape and all its members.
    void SetShapeLocked(TMyShape* AShape, bool Value) override;
    // Moves members first, then the shape, by (DX, DY) screen pixels; locked shapes stay.
    void MoveShapeBy(TMyShape* AShape, double DX, double DY);
    // Turns the shape and its members by DAngle about the outermost group's
    // rotate centre; locked shapes stay. What a shape's Angle setter calls.
    void RotateShapeBy(TMyShape* AShape, double DAngle) override;
    // Mirrors the shape and its unlocked members (not connectors) as one undo step.
    void FlipShapeHorz(TMyShape* AShape) override;
    void FlipShapeVert(TMyShape* AShape) override;
    // Bounds of every point of the shapes, logical (PointsBounds) or screen (ShapesBounds).
    TMyRect PointsBounds(const TArrMyShape& Shapes) const;
    TMyRect ShapesBounds(const TArrMyShape& Shapes) const;
    // Gives the image shape with that Number its own copy of Value (the box
    // takes the picture's size) and repaints; False for a missing shape, a
    // shape that is not an image, or a picture that cannot be taken.
    bool SetImageBitmap(int Number, const TBitmap& Value);
    // Keeps the connector lines attached to the shape (and, first, to its
    // members) connected after it moved or changed: an automatic route is
    // computed anew, a route the user edited only where it meets the shape.
    // A combined shape among them also has every other automatic route that
    // now meets its box (with the routing margin) routed around it.
    void RerouteLinkLines(TMyShape* AShape);

    // ================= connectors (link_routing.cpp) =================

    // Computes Line's route from StartPt to EndPt (screen) and stores it as
    // Line's vertices. lldsFree: the two points. lldsHV: an orthogonal route
    // that leaves StartShape and enters EndShape 25 x Zoom pixels outside
    // their bounds, perpendicular to the nearest side (a junction: across
    // the connector it sits on), keeps off both shapes' boxes elsewhere and
    // (with LinklineAroundShape) walks around combined shapes in its way.
    // Kind is the direction of the move arriving at StartPt (0 left, 1
    // down, 2 right, 3 up) or 4 for none. With a Canvas the route is drawn
    // there as an XOR preview, erasing the one drawn before.
    void RouteLinkLine(TCanvas* Canvas, TMyLinkLine* Line, uint8_t Kind, TMyPoint EndPt, TMyShape* EndShape,
                       TMyPoint StartPt, TMyShape* StartShape) override;
    // Attaches end End (0 start, 1 end) of Line to the link point under P
    // (screen), or frees it, keeping the shapes' lists of attached lines in
    // step; an attached end gets the link point's position back in P.
    void ConnectLinkLineEnd(TMyLinkLine* Line, int End, TMyPoint& P) override;
    // Line A has just been finished with a free end at P (screen), which
    // lies on segment K of connector B: B is cut at P into two connectors
    // that meet A at a new junction there. Records ACT_CHANGE for B, then
    // ACT_ADD for the new connector, the junction and A. False when K < 0.
    bool SplitLinkLine(TMyLinkLine* A, const TMyPoint& P, int K, TMyLinkLine* B) override;
    // The junction J, just placed, has its centre C (logical) on segment K
    // of connector L: L is cut at C into two connectors ending on J.
    // Records ACT_CHANGE for L and ACT_ADD for the new connector.
    bool SplitLinkLineAtShape(const TMyPoint& C, TMyLinkLine* L, TMyShape* J, int K) override;
    // Called before link points First .. First + Count - 1 of AShape go: for
    // a shape of this document records ACT_CHANGE, frees the connector ends
    // on them and renumbers the ends on later link points; repaints.
    void DetachLinkPoints(TMyShape* AShape, int First, int Count) override;

    // ================= documents =================

    // True when the file starts with the document maker's signature.
    // Open and read errors reach the caller as EStreamError.
    static bool IsDocumentFile(const QString& FileName);
    // Reads a document file; False (surface untouched) when it is not one or cannot be read.
    bool LoadFromFile(const QString& FileName);
    // Reads a whole document from the start of Stream. On any failure the
    // surface is left exactly as it was before and False is returned.
    bool LoadFromStream(TStream& Stream);
    // Writes the whole document at the stream's position, in the newest
    // layout; False when a write fails (the stream then holds a partial document).
    bool SaveToStream(TStream& Stream);

    // ================= selection =================

    // Adds the shape's outermost group to the selection, or takes the shape
    // out of it; UnselectAll empties it (and repaints with UnselectAllAndRepaint).
    // Each change emits selectionChanged.
    void SelectShape(TMyShape* AShape);
    void UnselectShape(TMyShape* AShape);
    void UnselectAll();
    void UnselectAllAndRepaint();
    // The selected shapes, in the order they were selected; SelectedIndexOf
    // gives -1 and SelectedShape nullptr for what is not there. ChildShape is
    // the member of a selected group a click picked (nullptr: none).
    int SelectedCount() const override { return int(FSelected.size()); }
    int SelectedIndexOf(TMyShape* AShape) const;
    TMyShape* SelectedShape(int Index) const;
    const TArrMyShape& Selected() const { return FSelected; }
    TMyShape* CurrentShape() const override { return FCurrentShape; }
    TMyShape* ChildShape() const { return FChildShape; }

    // ================= undo history =================

    // Keeps copies of the shapes as they are now as one undo step named
    // ActionName (ACT_ADD, ACT_CHANGE, ...); nothing with an undo bound of 0.
    void RecordUndo(const TArrMyShape& Shapes, const QString& ActionName);
    // Forgets the whole history; Undo and Redo have nothing left.
    void ClearUndo();
    // The saved copies, oldest step first.
    const std::vector<TSavedShape>& UndoHistory() const { return FUndo.Records(); }
    // The most steps the history keeps (0 keeps none and clears it).
    uint8_t UndoRedoSize() const { return FUndo.Bound(); }
    void SetUndoRedoSize(uint8_t Value);

    // ================= editing operations =================
    //
    // Operations for an editor. A surface whose host never calls them
    // behaves as before. Each is one undo step and records nothing when it
    // changes nothing; they act on the selected shapes that are not locked
    // and lie on shown layers (groups with their members), and connectors
    // follow the shapes they join.

    // Undo gives back the drawing exactly as it was before the newest
    // operation the history keeps; Redo applies again the one undone last.
    // A newly recorded operation clears what was undone; loading a document
    // clears both. Both record nothing themselves; False when there is
    // nothing to replay (or while a press is under way).
    bool Undo();
    bool Redo();
    // Whether Undo and Redo have something to replay.
    bool CanUndo() const;
    bool CanRedo() const;
    // The action name of what Undo and Redo would replay ("" for none).
    QString UndoActionName() const;
    QString RedoActionName() const;

    // Deletes the selected shapes with their members; False when nothing is
    // selected or a selected shape is locked (it stays, the others go).
    bool DeleteSelection();
    // Selects every top-level shape on a shown layer (only on the current
    // layer without OperateAllLayer); returns how many are selected.
    int SelectAll();

    // The clipboard holds copied shapes as a document under ShapesMimeType()
    // (a connector keeps its ends only when the shapes it joins were copied
    // too), with a PNG and an SVG picture of them for other programs. Paste
    // adds them with new numbers on the current layer, a grid step (10
    // pixels without a grid) away from where they were copied from when they
    // come from this surface, and selects them; a picture from another
    // program becomes an image shape. Clipboard bytes that do not read as a
    // document are refused with a message, changing nothing.
    static QString ShapesMimeType();
    // Copy puts the selection on the clipboard, Cut also deletes it (one undo
    // step), Paste adds what the clipboard holds; False when nothing was done.
    bool CopySelection();
    bool CutSelection();
    bool Paste();
    // Copy and paste in one, without the clipboard.
    bool DuplicateSelection();
    // The selection as the clipboard carries it: a document of those shapes
    // alone (empty without a selection), and its picture.
    QByteArray SelectionDocument();
    QImage SelectionImage();
    // Adds the shapes of a document (as SelectionDocument makes), offset by
    // (DX, DY) screen pixels, as one undo step, and selects them. False with
    // a message (nothing added) when the bytes are not such a document.
    bool PasteDocument(const QByteArray& Document, double DX, double DY);

    // GroupSelection makes a TMyGroup of the selected top-level shapes,
    // CombineSelection a TMyCombine (connectors route around it); both need
    // two shapes and return the new shape's Number, or -1. UngroupSelection
    // dissolves the selected groups one level and returns how many.
    int GroupSelection();
    int CombineSelection();
    int UngroupSelection();

    // Stacking order: the selection (groups with all their members) goes to
    // the top or bottom of the drawing, or past the next shape above or
    // below it. False when nothing moves.
    bool BringToFront();
    bool SendToBack();
    bool BringForward();
    bool SendBackward();

    // Lines the selected shapes up on the edge or centre of their common
    // bounds (at least two shapes), spaces them with equal gaps between the
    // outermost two (at least three), or moves them by (DX, DY) screen
    // pixels; consecutive nudges of one selection are one undo step.
    bool AlignSelection(TShapeAlign How);
    bool DistributeSelection(TDistribution How);
    bool NudgeSelection(int DX, int DY);

    // When True, keys edit the drawing (Delete, arrows, the standard key
    // sequences for the operations above) and a click gives the surface the
    // keyboard focus. False by default.
    bool KeyboardEditing() const { return FKeyboardEditing; }
    void SetKeyboardEditing(bool V);

    // True when the document holds together: unique numbers, each shape at
    // its own index, groups and members naming each other, connector ends
    // and the shapes' connector lists agreeing, no group inside itself, and
    // a selection of distinct top-level shapes of the list. Otherwise False,
    // with the first fault in Why.
    bool CheckConsistency(QString* Why = nullptr) const;

    // ================= output (output.cpp) =================
    // Pictures, files and paper, true to scale: a millimetre of the page is
    // a millimetre of output. Hot points, selection and hover marks,
    // link-point crosses and the grid never appear; the background colour
    // and picture only with PrintBackground. Each operation returns False,
    // with the reason in Error, when the output cannot be made or written; a
    // file is then left as it was.

    // The page (PageWidth x PageHeight mm) as a picture at Dpi: white where
    // nothing is drawn, or transparent when asked. Null when too large.
    QImage PageImage(int Dpi, bool Transparent = false, QString* Error = nullptr);
    // The page picture in any format Qt writes, chosen by the file's extension.
    bool ExportImage(const QString& FileName, int Dpi = 96, bool Transparent = false,
                     QString* Error = nullptr);
    // The page as an SVG document of vector elements, its size in
    // millimetres; gradients and pictures are embedded images.
    bool ExportSvg(const QString& FileName, QString* Error = nullptr);
    // The drawing printed into a PDF file on sheets of the page's size and
    // orientation, as Print lays it out.
    bool ExportPdf(const QString& FileName, QString* Error = nullptr);
    // Prints on the printer's paper as it is set. The page prints as it
    // shows, each point where it lies on the page; PageHead and PageFoot go
    // on every sheet at their distances, and with PrintABorder a frame at
    // the border distances. A drawing reaching beyond the sheet is cut into
    // as many sheets as it needs, rows from the top, each from the left.
    bool Print(QPrinter& Printer, QString* Error = nullptr);
    // Sets the printer's paper to the page's size and orientation, without margins.
    void PreparePrinter(QPrinter& Printer) const;
    // Sheets of PaperMm the drawing is printed on; 0 when more than the
    // most one print may have.
    int PrintSheetCount(const QSizeF& PaperMm) const;
    // The print preview dialog over the page's paper; printing from it prints.
    void PrintPreview(QWidget* Parent = nullptr);

    // ================= editor operations (editor_ops.cpp) =================
    //
    // As the editing operations above: one undo step each, on the editable
    // selection, nothing recorded when nothing changes.

    // Moves the selected shapes, with their members, onto the layer; those
    // that land on a hidden layer leave the selection. False for a layer
    // that does not exist or when every shape is on it already.
    bool MoveSelectionToLayer(int LayerId);
    // Turns each selected shape that may turn about its own rotate centre
    // (positive: clockwise on the screen); connectors follow.
    bool RotateSelection(double Radians);
    // Mirrors each selected shape (not connectors) about its own centre.
    bool FlipSelection(bool Horizontal);
    // The lines the shape shows: a text box's own lines, or (Caption, and
    // for every other shape) its info text, one line or several.
    static QStringList ShapeText(const TMyShape& Shape, bool Caption);
    // Gives the shape with that Number those lines, as ShapeText reads
    // them. False for a missing or locked shape or the same lines.
    bool SetShapeText(int Number, const QStringList& Lines, bool Caption);
    // When True, a text box whose string list editor is cancelled right
    // after it was drawn is dropped: no shape, nothing recorded. False by
    // default (the box stays without lines).
    bool DropCancelledText() const { return FDropCancelledText; }
    void SetDropCancelledText(bool V) { FDropCancelledText = V; }
    // Logical bounds of the points of every shape shown; False when none is.
    bool DrawingBounds(TMyRect& Bounds) const;
    // The top-most shown shape under screen point P (a member of a group,
    // not the group), or nullptr.
    TMyShape* ShapeAt(const TPoint& P);
    // The top-most shape whose shown caption (info text) covers screen
    // point P, or nullptr. A text box's text is the box itself.
    TMyShape* CaptionAt(const TPoint& P);

    // ================= quantities (quantities.cpp) =================

    // Counts, lengths and areas per layer and shape class, and every shape's
    // own, in TheUNIT at Ratio (see surface/quantities.h). Every layer is
    // counted, hidden ones too (marked as such); a group counts its members,
    // not itself.
    TQuantities Quantities() const;
    // Sets Ratio so that Shape, a shape of this drawing that has a length,
    // measures RealLength (in TheUNIT) as one undo step: undo gives the old
    // ratio back. Returns an empty text when done, else why not (no such
    // shape here, a shape without length, a length that is not a positive
    // number), with nothing changed.
    QString CalibrateScale(TMyShape* Shape, double RealLength);

    // ================= units, zoom and page =================

    // The unit lengths and areas are shown in, and Ratio, the drawing scale;
    // both change only what is shown (the control repaints).
    TUnits TheUNIT() const override { return FTheUNIT; }
    void SetTheUNIT(TUnits V);
    double Ratio() const override { return FRatio; }
    void SetRatio(double V);
    double Zoom() const override { return FZoom; }
    // Rescales the control from the page size; shapes keep their logical coordinates.
    void SetZoom(double V);
    double PreviousZoom() const { return FPreviousZoom; }
    // The page: PageStyle, a standard size (or CustomerPage), and PageWidth
    // and PageHeight in mm. A standard style sets the size (turned for
    // landscape); a width or height that makes a standard size sets that
    // style. The control takes the page's size at the current zoom.
    TPageStyle PageStyle() const { return FPageStyle; }
    void SetPageStyle(TPageStyle V);
    unsigned PageWidth() const { return FPageWidth; }
    void SetPageWidth(unsigned V);
    unsigned PageHeight() const { return FPageHeight; }
    void SetPageHeight(unsigned V);
    // Portrait or landscape; a change turns the page.
    TPrinterOrientation PageOrientation() const { return FPageOrientation; }
    void SetPageOrientation(TPrinterOrientation V);
    // The standard style of that size in the current orientation, else CustomerPage.
    TPageStyle PageStyleOf(int Width, int Height) const;
    // Length (mm) to control pixels at the current zoom.
    int PageMmToPixels(double Mm) const;
    // Shows Text in LabelValue when one is assigned.
    void ShowValueText(const QString& Text);

    // Printing: the text at the head and foot of every page (PageHead,
    // PageFoot), its alignment (PageHeadAlignment, PageFootAlignment), font
    // (PageHeadFont, PageFootFont) and distance in mm from the paper's edge
    // (PageHeadToTop, PageFootToBottom); a border around the drawing
    // (PrintABorder) and its distances in mm from the paper's edges
    // (PrintABordertoLeft, PrintABordertoTop, PrintABordertoRight,
    // PrintABordertoBottom); and whether the background colour and picture
    // are printed (PrintBackground).
    QString PageHead() const { return FPageHead; }
    void SetPageHead(const QString& V) { FPageHead = V; }
    QString PageFoot() const { return FPageFoot; }
    void SetPageFoot(const QString& V) { FPageFoot = V; }
    TAlignment PageHeadAlignment() const { return FPageHeadAlignment; }
    void SetPageHeadAlignment(TAlignment V) { FPageHeadAlignment = V; }
    TAlignment PageFootAlignment() const { return FPageFootAlignment; }
    void SetPageFootAlignment(TAlignment V) { FPageFootAlignment = V; }
    TFont& PageHeadFont() { return FPageHeadFont; }
    void SetPageHeadFont(const TFont& V) { FPageHeadFont.Assign(V); }
    TFont& PageFootFont() { return FPageFootFont; }
    void SetPageFootFont(const TFont& V) { FPageFootFont.Assign(V); }
    uint8_t PageHeadToTop() const { return FPageHeadToTop; }
    void SetPageHeadToTop(uint8_t V) { FPageHeadToTop = V; }
    uint8_t PageFootToBottom() const { return FPageFootToBottom; }
    void SetPageFootToBottom(uint8_t V) { FPageFootToBottom = V; }
    bool PrintABorder() const { return FPrintABorder; }
    void SetPrintABorder(bool V) { FPrintABorder = V; }
    uint8_t PrintABordertoLeft() const { return FPrintABordertoLeft; }
    void SetPrintABordertoLeft(uint8_t V) { FPrintABordertoLeft = V; }
    uint8_t PrintABordertoTop() const { return FPrintABordertoTop; }
    void SetPrintABordertoTop(uint8_t V) { FPrintABordertoTop = V; }
    uint8_t PrintABordertoRight() const { return FPrintABordertoRight; }
    void SetPrintABordertoRight(uint8_t V) { FPrintABordertoRight = V; }
    uint8_t PrintABordertoBottom() const { return FPrintABordertoBottom; }
    void SetPrintABordertoBottom(uint8_t V) { FPrintABordertoBottom = V; }
    bool PrintBackground() const { return FPrintBackground; }
    void SetPrintBackground(bool V) { FPrintBackground = V; }

    // ================= published properties =================

    // How a new arc is drawn: circular or elliptic.
    TArcMode ArcMode() const override { return FArcMode; }
    void SetArcMode(TArcMode V) { FArcMode = V; }
    // Arrow heads of new lines: ArrowAngle (degrees), ArrowLength and
    // ArrowOffset (pixels) and ArrowStyle, the ends that get one.
    int ArrowAngle() const override { return FArrowAngle; }
    void SetArrowAngle(int V); // 0..359, others ignored
    uint8_t ArrowLength() const override { return FArrowLength; }
    void SetArrowLength(uint8_t V); // 10..80, others ignored
    uint8_t ArrowOffset() const override { return FArrowOffset; }
    void SetArrowOffset(uint8_t V) { FArrowOffset = V; }
    TArrowStyle ArrowStyle() const override { return FArrowStyle; }
    void SetArrowStyle(TArrowStyle V) { FArrowStyle = V; }
    // The background picture, drawn under the shapes.
    TBitmap& BkBitmap() { return *FBkBitmap; }
    // Turns the given bitmap itself to 24 bits, then copies it.
    void SetBkBitmap(TBitmap& V);
    // How the background picture fills the control; a change repaints.
    TBkBitmapMode BkBitmapMode() const { return FBkBitmapMode; }
    void SetBkBitmapMode(TBkBitmapMode V);
    // Brush, pen and font that new shapes take.
    TBrush& Brush() { return FBrush; }
    const TBrush& Brush() const override { return FBrush; }
    void SetBrush(const TBrush& V) { FBrush.Assign(V); }
    // Colour of the control under the drawing; a change repaints.
    TColor ColorOfBackGround() const { return FColorOfBackGround; }
    void SetColorOfBackGround(TColor V);
    // Colour of the hot points of the selection.
    TColor ColorOfHot() const { return FColorOfHot; }
    // Also sets the hot-point colour of every surface.
    void SetColorOfHot(TColor V);
    // Whether connectors hop over the connectors they cross.
    bool CrossLine() const override { return FCrossLine; }
    void SetCrossLine(bool V) { FCrossLine = V; }
    // Which ways a drag may move shapes: across, down or both.
    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode V) { FDragMode = V; }
    // Whether a drag shows the outline of the dragged shapes.
    bool DragTrace() const { return FDragTrace; }
    void SetDragTrace(bool V) { FDragTrace = V; }
    // When True, a new text box does not ask for its lines.
    bool DisableTextInput() const { return FDisableTextInput; }
    void SetDisableTextInput(bool V) { FDisableTextInput = V; }
    TFont& Font() { return FFont; }
    const TFont& Font() const override { return FFont; }
    void SetFont(const TFont& V) { FFont.Assign(V); }
    // The grid: spacing, colour, kind and whether it shows.
    TGridObject& GridOperation() { return FGridOperation; }
    void SetGridOperation(const TGridObject& V) { FGridOperation.Assign(V); }
    // Whether hot points show (HotShow), and their half-size in pixels (HotSize).
    bool HotShow() const override { return FHotShow; }
    void SetHotShow(bool V) { FHotShow = V; }
    // Shapes painted with smooth edges, texts and arrow heads included, and
    // pictures scaled smoothly (False: every edge exact, as the pixels of
    // the shapes were always counted). Hot points, selection marks, the grid
    // and all mouse feedback stay exact either way; so do measured areas.
    bool Antialiased() const { return FAntialiased; }
    void SetAntialiased(bool V);
    uint8_t HotSize() const override { return FHotSize; }
    void SetHotSize(uint8_t V) { FHotSize = V; }
    // Labels the surface writes into, when assigned: measured values
    // (LabelValue) and the mouse position in user coordinates (LabelXY).
    QLabel* LabelValue() const { return FLabelValue; }
    void SetLabelValue(QLabel* V) { FLabelValue = V; }
    QLabel* LabelXY() const { return FLabelXY; }
    void SetLabelXY(QLabel* V) { FLabelXY = V; }
    // Whether automatic connector routes walk around combined shapes.
    bool LinklineAroundShape() const { return FLinklineAroundShape; }
    void SetLinklineAroundShape(bool V) { FLinklineAroundShape = V; }
    // When True, a rectangle, ellipse, text or image finished with the mouse
    // or added by AddShapeByTool gets four link points, at the middles of its
    // sides in its own frame: top, right, bottom, left.
    bool AutoLinkPoints() const { return FAutoLinkPoints; }
    void SetAutoLinkPoints(bool V) { FAutoLinkPoints = V; }
    // How new connectors route: orthogonal or straight.
    TLinkLineDrawStyle LinkLineDrawStyle() const override { return FLinkLineDrawStyle; }
    void SetLinkLineDrawStyle(TLinkLineDrawStyle V) { FLinkLineDrawStyle = V; }
    // When True, a drag keeps the selection inside the control.
    bool LockBound() const { return FLockBound; }
    void SetLockBound(bool V) { FLockBound = V; }
    // Whether the cursor changes with what lies under the mouse.
    bool MouseEffect() const { return FMouseEffect; }
    void SetMouseEffect(bool V) { FMouseEffect = V; }
    // Whether the mouse reaches shapes on every layer, or only on the current one.
    bool OperateAllLayer() const { return FOperateAllLayer; }
    // On change: unselect all and repaint.
    void SetOperateAllLayer(bool V);
    TPen& Pen() { return FPen; }
    const TPen& Pen() const override { return FPen; }
    void SetPen(const TPen& V) { FPen.Assign(V); }
    // Line joins (PenStyleJoinType) and line ends (PenStyleEndCapType) of
    // new shapes' wide pens.
    TPenStyleJoinType PenStyleJoinType() const override { return FPenStyleJoinType; }
    void SetPenStyleJoinType(TPenStyleJoinType V) { FPenStyleJoinType = V; }
    TPenStyleEndCapType PenStyleEndCapType() const override { return FPenStyleEndCapType; }
    void SetPenStyleEndCapType(TPenStyleEndCapType V) { FPenStyleEndCapType = V; }
    // Whether shapes may be resized with the mouse.
    bool ResizeEnable() const override { return FResizeEnable; }
    void SetResizeEnable(bool V) { FResizeEnable = V; }
    // When True, the tool goes back to selecting after each shape drawn.
    bool ReturnToSelecting() const { return FReturnToSelecting; }
    void SetReturnToSelecting(bool V) { FReturnToSelecting = V; }
    int RotateConstraintDegree() const override { return FRotateConstraintDegree; }
    void SetRotateConstraintDegree(int V); // negative values ignored
    // Whether shapes may be turned with the mouse.
    bool RotateEnable() const override { return FRotateEnable; }
    void SetRotateEnable(bool V) { FRotateEnable = V; }
    TDrawTool ShapeTool() const override { return FShapeTool; }
    // Stores the tool and selects its interaction mode (also when it is the
    // current one); a drawing tool abandons the shape half drawn and clears
    // the marked line end. The control repaints.
    void SetShapeTool(TDrawTool Value);
    // Whether link points show as crosses (with HotShow).
    bool ShowHotLink() const override { return FShowHotLink; }
    void SetShowHotLink(bool V) { FShowHotLink = V; }
    // Snapping to the grid (Snap) and the distance in pixels within which a
    // point snaps (SnapPixels).
    bool Snap() const { return FSnap; }
    void SetSnap(bool V) { FSnap = V; }
    uint8_t SnapPixels() const { return FSnapPixels; }
    // Refused when not smaller than GridWidth and GridHeight.
    void SetSnapPixels(uint8_t V);
    // Whether points snap to the edges of other shapes.
    bool SnapShape() const { return FSnapShape; }
    void SetSnapShape(bool V) { FSnapShape = V; }
    // A number for the host's own use.
    int Tag() const { return FTag; }
    void SetTag(int V) { FTag = V; }
    // Named values the host keeps with the document.
    TUserData& UserData() { return FUserData; }
    void SetUserData(const TUserData& V) { FUserData.Assign(V); }
    // The version the surface reports to hosts.
    QString Version() const { return QStringLiteral("2010.5"); }
    // Which axes user coordinates mirror.
    TXYMode XYMode() const { return FXYMode; }
    void SetXYMode(TXYMode V) { FXYMode = V; }
    // Screen point to user coordinates and back (the mirror is its own inverse).
    TPoint ToUserXY(const TPoint& P) const;

    // True while a document is being read: shapes do not pass attribute changes to members.
    bool Loading() const override { return FLoading; }
    // True once the drawing changed; the host clears it after saving.
    bool Modified() const { return FModified; }
    // Emits modifiedChanged when the flag changes.
    void SetModified(bool V);
    // The format tag of the document being read ("KW.j" when none).
    QString FileVersion() const { return FFileVersion; }
    void SetFileVersion(const QString& V) { FFileVersion = V; }
    TInteractionMode Mode() const override { return FMode; }
    // True while painting or while a zoom or page change resizes the control.
    bool PaintBusy() const { return FPaintBusy; }
    // The line end or link point marked under the mouse (nullptr, -1 when none).
    TMyShape* HotLineEndShape() const override { return FHotLineEndShape; }
    // The index of that line end or link point; SetHotLineEnd marks one.
    int HotLineEnd() const override { return FHotLineEnd; }
    void SetHotLineEnd(TMyShape* Shape, int Index) override {
        FHotLineEndShape = Shape;
        FHotLineEnd = Index;
    }

    // ================= interaction =================

    // Replaces the new plain line Line, whose ends were put down on end points
    // of two different lines, and those two lines by one polyline (recorded
    // as an addition and two deletions); the polyline is selected.
    void JoinLines(TMyLine* Line);
    // Ends the cursor confinement; with MouseEffect the cursor becomes the cross.
    void ReleaseMouse() override;

    // True when the shape is visible and its own hit test, or that of one of
    // its direct members, accepts screen point P.
    bool ShapeHitTest(TCanvas& Canvas, TMyShape* AShape, const TPoint& P);
    // True when the screen bounds of the shape's outermost group lie inside
    // the rectangle spanned by P1 and P2 (screen), borders included.
    bool ShapeInRect(const TPoint& P1, const TPoint& P2, TMyShape* AShape);
    // Snaps the screen point (X, Y) to the grid (Snap) or, failing that, to
    // the edges of other top-level shapes (SnapShape). True when it snapped.
    bool SnapPoint(int& X, int& Y);
    // Corrects the mouse point (X, Y) of a drag so that the nearest corner of
    // R (the dragged shapes' screen bounds at that mouse point) snaps.
    void SnapRect(const TRect& R, int& X, int& Y);
    // The first shape (unselected, or the only one selected) with a link point
    // within 5 pixels of screen point P, which it marks: its list index and
    // that link point. False with -1, -1 when there is none.
    bool FindLinkTarget(const TMyPoint& P, int& ShapeIndex, int& LinkPointIndex);
    // The first axis-parallel connector segment within HotSize of P (logical),
    // connectors other than Except: its index, Line set and P moved onto the
    // segment; -1 and nullptr when there is none.
    int FindLinkLineSegment(TMyPoint& P, TMyLinkLine*& Line, TMyLinkLine* Except) override;

    // DragMode applied to P, a point dragged from From (screen).
    void ApplyDragMode(const TPoint& From, TPoint& P) const;
    // Drags the shape's active hot point from From to To (screen); a group
    // scales its members about the fixed corner; the info anchor keeps its
    // place relative to the box. Nothing for a locked shape or one that may
    // not be resized.
    void ResizeShape(TMyShape* AShape, const TMyPoint& From, const TMyPoint& To);
    // Turns the shape (unless locked) and all its members by DAngle about
    // Centre (logical).
    void RotateShapeBy(TMyShape* AShape, const TMyPoint& Centre, double DAngle);
    // Rotation outline of the shape, or of the members of a group (screen Centre).
    void DrawRotatingDeep(TCanvas& Canvas, TMyShape* AShape, double DAngle, const TMyPoint& Centre);
    // Drag outline of the shape displaced by To - From (screen), unless it is locked.
    void DrawMovingShape(TCanvas& Canvas, TMyShape* AShape, const TPoint& From, const TPoint& To);

    // A left press is being handled (between the press and its release).
    bool MouseIsDown() const { return FMouseDown; }
    // Where the press went down and the latest mouse point (screen; while
    // drawing, DownPoint is the new shape's last vertex).
    TPoint DownPoint() const { return FDownPoint; }
    TPoint MovePoint() const { return FMovePoint; }
    // The shape under the mouse as hover tracking last saw it.
    TMyShape* HoverShape() const { return FHoverShape; }
    // The link point under the mouse while a connector is drawn (-1, -1 none).
    int LinkTargetShape() const { return FLinkTargetShape; }
    int LinkTargetPoint() const { return FLinkTargetPoint; }

    // ================= painting =================

    // Renders the control area R (screen pixels) into the off-screen bitmap:
    // background colour, background picture, grid, then every visible shape.
    // The bitmap has Ratio x Ratio pixels per screen pixel (0: as many as the
    // control's screen image, which is what a paint uses).
    void RenderToBitmap(const TRect& R, int Ratio = 0);
    // The off-screen bitmap the last paint rendered into.
    TBitmap& OffscreenBitmap() { return *FOffscreen; }
    // The top-level shapes on visible layers whose painting may reach R
    // (screen pixels), bottom-most first: what a paint of R draws.
    void ShapesPaintedIn(const TRect& R, TArrMyShape& Shapes);
    void FillBackground(TBitmap& Bitmap);
    // Places the background picture on Bitmap, shifted by (DX, DY).
    void DrawBackgroundBitmap(TBitmap& Bitmap, int DX, int DY, bool UseBitmapSize);
    // The grid of the control area R, drawn on Bitmap in R's own
    // coordinates (its pixel (0, 0) is R's corner).
    void DrawGrid(TBitmap& Bitmap, const TRect& R);
    // Paints every visible top-level shape that may touch R, members first,
    // then the link-point crosses; Canvas draws in control coordinates.
    void DrawShapes(TCanvas& Canvas, const TRect& R);
    // Hot points of the selection (or of the pressed group member) on Canvas.
    void DrawSelectionHotPoints(TCanvas& Canvas);
    // The top-level shapes the paint in progress draws (empty outside a
    // paint); connectors hop over the connectors among them.
    const TArrMyShape& PaintList() const override { return FPaintList; }
    // True when the shape may paint pixels inside R (screen): its bounds
    // grown by pen, arrow heads and marks, or the area of its info texts.
    bool ShapeMayTouch(TMyShape* S, const TRect& R) const;
    // The two screen boxes ShapeMayTouch tests: the points' bounds grown by
    // pen, arrow heads and marks, and the area of the info texts. False
    // when the shape has none.
    bool PointsPaintBox(TMyShape* S, QRectF& Box) const;
    bool InfoPaintBox(TMyShape* S, QRectF& Box) const;
    // A closer box than PointsPaintBox for the classes whose painting is
    // known to stay within their outline, pen and link-point crosses (plain
    // boxes and ellipses): what painting files in its index, so that a small
    // repaint visits fewer shapes. False for every other class.
    bool OutlinePaintBox(TMyShape* S, QRectF& Box) const;
    // Adds to Area (screen pixels) both boxes of every shape that moving
    // Shapes may repaint: the shapes, their members and the connectors
    // attached to any of them.
    void AddMoveDamage(const TArrMyShape& Shapes, QRegion& Area);

    // ================= events =================

    // Host handlers, called as the events happen. OnShapeAdded: a shape
    // entered the document (the handler may replace it or empty the slot);
    // OnShapeDeleted: a shape is about to go; OnShapeSelected: a press selected
    // a shape; OnChildShapeSelected: a click picked a member of a selected group
    // (the handler may refuse); OnNewLayer, OnDeleteLayer: a layer came or went;
    // OnNodeAdded, OnNodeDeleted: a vertex tool changed a shape; the mouse
    // events report drags, resizes and turns under way and finished;
    // OnActionToolToSelecting: the tool goes back to selecting; OnPaint: the
    // control painted.
    TActionToolToSelecting OnActionToolToSelecting;
    TChildhapeSelected OnChildShapeSelected;
    TLayerOp OnDeleteLayer;
    TEnterLeaveShape OnMouseEnterShape;
    TEnterLeaveShape OnMouseLeaveShape;
    TLayerOp OnNewLayer;
    TNodeAdded OnNodeAdded;
    TNodeDeleted OnNodeDeleted;
    TNotifyEvent OnPaint;
    TShapeAdded OnShapeAdded;
    TShapeCodeDraggingSizing OnShapeCodeDragging;
    TShapeCodeRotating OnShapeCodeRotating;
    TShapeDeleted OnShapeDeleted;
    TShapeMouseDraggingSizingRotating OnShapeMouseDragged;
    TShapeMouseDraggingSizingRotating OnShapeMouseDragging;
    TShapeMouseDraggingSizingRotating OnShapeMouseResized;
    TShapeMouseDraggingSizingRotating OnShapeMouseResizeFinished;
    TShapeMouseDraggingSizingRotating OnShapeMouseResizing;
    TShapeMouseDraggingSizingRotating OnShapeMouseRotated;
    TShapeMouseDraggingSizingRotating OnShapeMouseRotating;
    TShapeSelected OnShapeSelected;
    // CanUndo, CanRedo or the action names may have changed.
    TNotifyEvent OnUndoRedoChange;
    TWholeDragOperation OnWholeDragged;

    // ================= Qt signals =================
    //
    // The main events again as signals, for hosts that connect rather than
    // assign. Each is emitted right after the event member of the same
    // meaning (the member first, so a handler's change to its slot is what
    // the signal carries); both may be used at once. A shape passed by
    // pointer is the surface's own and lives at least until the handler
    // returns; queued connections must not keep it.
Q_SIGNALS:
    // A shape entered the document, drawn with the mouse or added by
    // AddShapeByTool (after OnShapeAdded, not for shapes a document load or
    // a paste brings).
    void shapeAdded(draxa::TMyShape* AShape);
    // The shape is about to leave the document (after OnShapeDeleted).
    void shapeDeleted(draxa::TMyShape* AShape);
    // A press selected SelectedShape (nullptr: the press selected nothing
    // new); LastSelectedShape was selected before. After OnShapeSelected.
    void shapeSelected(draxa::TMyShape* LastSelectedShape, draxa::TMyShape* SelectedShape);
    // The set of selected shapes changed, by the mouse or by program code.
    void selectionChanged();
    // Modified changed value.
    void modifiedChanged(bool Modified);
    // The drawing tool changed (SetShapeTool, or the return to selecting
    // after a shape was drawn).
    void toolChanged(draxa::TDrawTool Tool);
    // Zoom changed value (SetZoom, or a document load showing it at 1).
    void zoomChanged(double Zoom);
    // A layer was added or deleted (after OnNewLayer, OnDeleteLayer).
    void layerAdded(int LayerId, const QString& LayerName);
    void layerDeleted(int LayerId, const QString& LayerName);
    // CanUndo, CanRedo or the action names may have changed (after OnUndoRedoChange).
    void undoRedoChanged();

protected:
    void Paint() override;
    void Resize() override;
    // The mouse state machine over the current mode (interaction.cpp).
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseLeave() override;
    // A press ended without its release (the mouse was taken away, or a
    // handler failed): the outline goes, a drag or resize is dropped, a
    // shape begun by the press is discarded (interaction.cpp).
    void PressCancelled() override;
    // The editing keys, with KeyboardEditing (keyboard.cpp).
    void keyPressEvent(QKeyEvent* Event) override;

private:
    // What shapes ask of their host beyond the public members above.
    TCanvas& ScreenCanvas() override { return Canvas(); }
    void InvalidateView() override { Invalidate(); }
    void ShapeChanged(const TMyShape& Shape, TShapeChange What) override;
    TReadContext RecordReadContext() const override;

    // Reads a document into the emptied surface (doc_stream.cpp).
    bool ReadDocument(TStream& Stream);
    // Painting helpers (painting.cpp). RenderArea draws what a paint of the
    // control area R shows: what RenderToBitmap gives for R, drawn at R into
    // an off-screen bitmap of the control's size. DrawLayers draws R's
    // background, grid and shapes on the off-screen bitmap; AreaOrigin is
    // the point of the area's own coordinates (R's corner is (0, 0)) that
    // lands on the bitmap's pixel (0, 0), as TCanvas::SetOrigin takes it.
    void RenderArea(const TRect& R);
    void DrawLayers(const TRect& R, const TPoint& AreaOrigin);
    // Document helpers (document.cpp).
    void CollectVictims(TMyShape* S, std::vector<int>& Numbers);
    void DetachShape(TMyShape* S);
    void RemoveShapeAt(int B);
    void ForEachDepthFirst(TMyShape* S, const std::function<void(TMyShape*)>& Visit);
    // Undo helpers (undo.cpp).
    void SaveForUndo(TMyShape* S, int Step, const QString& Action);
    void SaveWithMembers(TMyShape* S, int Step, const QString& Action);
    void SaveStep(const TArrMyShape& Shapes, const QString& ActionName, int NewStep);

    // The journal undo and redo replay (undo_replay.cpp). An operation that
    // may record steps or change the shape list runs inside a TEditScope;
    // Action names its undo unit (else its first step does).
    struct TEditScope {
        TMyDraxa& Surface;
        explicit TEditScope(TMyDraxa& S, const QString& Action = {}) : Surface(S) { S.BeginEdit(Action); }
        ~TEditScope() { Surface.EndEdit(); }
        TEditScope(const TEditScope&) = delete;
        TEditScope& operator=(const TEditScope&) = delete;
    };
    void BeginEdit(const QString& Action);
    void EndEdit();
    void NameEdit(const QString& Action);
    // Makes the running operation part of the newest unit when that has the
    // same key (a burst of nudges); SetEditMergeKey gives the running one its key.
    bool MergeIntoLast(const QString& Key);
    void SetEditMergeKey(const QString& Key);
    void JournalStep(const TArrMyShape& Shapes, const QString& ActionName);
    void ForgetDroppedSteps(int Count);
    void BreakReplay();
    void ClearReplay();
    void UndoRedoChanged();
    // Keeps S's state before the running operation first changes it.
    void Touch(TMyShape* S);
    // Touch for S, its members, their connectors and those connectors' ends.
    void TouchConnected(TMyShape* S);
    void JournalInsert(TMyShape* S);
    // Victim has left the list at Position: the journal keeps it, or it is freed.
    void JournalRemoval(int Position, TMyShape* Victim);
    TShapeImage ImageOf(TMyShape* S) const;
    void ApplyImage(TMyShape* S, const TShapeImage& Image);
    // The list itself: taking out and putting in shift every index after the
    // place; reordering maps them (Order[new] = old). ReorderShapes journals.
    TMyShape* TakeShapeAt(int B);
    // Where a shape a replay takes out is: at Position while the shape
    // there still has Number, else wherever Number is now (-1: nowhere).
    int ReplayPositionOf(int Position, int Number) const;
    void InsertShapeAt(int P, TMyShape* AShape);
    void ApplyOrder(const std::vector<int>& Order);
    void ReorderShapes(const std::vector<int>& Order);
    void AfterReplay(const TReplayUnit& U);
    // Drops a shape being drawn that has not entered the document.
    void AbandonNewShape();
    // A text box whose lines were asked for and not given (DropCancelledText).
    void DropCancelledTextBox();

    // Editing helpers (grouping.cpp, arrange.cpp, clipboard.cpp).
    // The selected top-level shapes the editing operations act on, in list order.
    TArrMyShape EditableSelection() const;
    int MakeGroup(bool Combine);
    bool MoveSelectionInStack(const QString& Action, int Where);
    void MoveShapesForEdit(const TArrMyShape& Shapes, const std::vector<TMyPoint>& Offsets);
    // A surface of its own holding copies of the selected shapes (with their
    // members), nullptr without a selection.
    std::unique_ptr<TMyDraxa> CopyOfSelection();
    bool PastePicture(const QImage& Picture);
    // The step Paste offsets shapes by when they come from this surface (screen pixels).
    double PasteOffset() const;
    // Output helpers (output.cpp). RenderForOutput paints the shapes at
    // Zoom into DeviceArea of C, the drawing's point Origin (at that zoom)
    // landing on device pixel (0, 0).
    void RenderForOutput(TCanvas& C, double Zoom, const TRect& DeviceArea, const TPoint& Origin);
    void DrawBackgroundForOutput(TCanvas& C, double Zoom);
    bool PrintSheets(QPagedPaintDevice& Device, int Dpi, const QSizeF& PaperMm, bool Monochrome,
                     QString* Error);
    void DrawHeadAndFoot(TCanvas& C, int Dpi, const TPageLayout& Layout);
    TPageLayout SheetLayout(const QSizeF& PaperMm) const;
    // Page helper (units_page.cpp): page size from the control's size.
    void PageFromControlSize();
    void SetControlSizeFromPage(bool SetWidth, bool SetHeight);

    // Interaction helpers (interaction.cpp): pens, feedback, creating shapes.
    void UseFeedbackPen();
    void UseRubberBandPen();
    void FlushPendingPaint();
    TPoint ConfineMouse(const TRect& R, int X, int Y);
    void DrawingPress(TShiftState Shift);
    void DrawingMove(TShiftState Shift, int X, int Y);
    void FreeLineMove(int X, int Y);
    void DrawingRelease(TMouseButton Button, TShiftState Shift);
    void FinishNewShape();
    void ConstrainDrawing(TMyShape* AShape, TShiftState Shift, const TPoint& R, TPoint& P) const;
    void PointToolRelease();
    void RemovePointRelease();
    void AddPointRelease();
    int SegmentIndexAt(TMyShape* AShape, const TPoint& P);
    void DrawBLineAfterClick(TMyShape* AShape);
    void WholeDragShapes(TArrMyShape& Shapes) const;
    void DragWholeMove(int X, int Y);
    void DragWholeRelease();
    void TrackHover(int X, int Y);
    // Selection helpers (selection.cpp).
    void SelectingPress(TShiftState Shift);
    bool SelectingPressOnHotPoint();
    bool SelectingPressOnSelected(TShiftState Shift);
    void SelectingPressElsewhere(TShiftState Shift);
    bool SettlePress();
    // The top group of the first shape in list order, other than Pressed and
    // its own members, that is hit at P and lies within Pressed's bounds
    // (on the current layer unless every layer is operated on); or nullptr.
    TMyShape* SmallerShapeOn(TMyShape* Pressed, const TPoint& P);
    void RubberBandMove(int X, int Y);
    void RubberBandRelease();
    // Manipulation helpers (manipulation.cpp).
    void DragMove(int X, int Y);
    void DragRelease();
    TRect SelectionScreenBounds() const;
    void EndHotPointDrag(TMyShape* AShape);
    void MoveSelectionBy(int DX, int DY);
    void ResizeMove(TShiftState Shift, int X, int Y);
    void ResizeRelease(TShiftState Shift);
    void ConstrainResize(TMyShape* AShape, TShiftState Shift, TPoint& P) const;
    void ResizeGroup(TMyShape* AShape, const TMyPoint& From, const TMyPoint& To);
    void ResizeSingle(TMyShape* AShape, const TMyPoint& From, const TMyPoint& To);
    TMyPoint RotationCentre(bool Screen) const;
    void RotateMove(int X, int Y);
    void RotateRelease();
    void InfoMove(int X, int Y);
    void InfoRelease();
    // Connector helper (link_routing.cpp): the four side link points of a
    // box-shaped shape of the document, when AutoLinkPoints asks for them
    // and the shape has none.
    void AddSideLinkPoints(TMyShape* AShape);
    // Every automatic connector whose route meets a combined shape among
    // Shapes (or their members), with the routing margin, goes around it;
    // the connectors in Keep stay as they are.
    void RouteAroundCombines(const TArrMyShape& Shapes, const std::vector<const TMyLinkLine*>& Keep);

    // Brings the index of shown shapes up to date with the view and with
    // what changed since the last question (painting.cpp).
    void RefreshShapeIndex();

    // Selection helper (selection.cpp): takes the shape out of the selection
    // without telling anyone; False when it was not selected.
    bool TakeFromSelection(TMyShape* AShape);
    // The tool became SpSelecting after a shape was finished: toolChanged
    // when it was another (interaction.cpp).
    void ToolReturnedToSelecting(TDrawTool Before);
    // Property accessors for the grid settings and the background colour (properties.cpp).
    bool GridShowProperty() const { return FGridOperation.GridShow; }
    void SetGridShowProperty(bool V);
    double GridWidthProperty() const { return FGridOperation.GridWidth; }
    void SetGridWidthProperty(double V);
    double GridHeightProperty() const { return FGridOperation.GridHeight; }
    void SetGridHeightProperty(double V);
    bool GridInZoomProperty() const { return FGridOperation.GridInZoom; }
    void SetGridInZoomProperty(bool V);
    QColor BackgroundColorProperty() const;
    void SetBackgroundColorProperty(const QColor& V);
};

} // namespace draxa
