// TMyShape: the abstract base of every drawable object on a surface.
//
// A shape owns its geometry (points and link points in logical units, a
// rotate centre, an info anchor, an angle), its drawing attributes and its
// identity within the surface (name, number, list index, layer, group
// membership, attached connector lines). The surface moves, resizes,
// rotates, flips, hit-tests, paints and streams any shape through the
// virtual operations declared here, without knowing its class.
//
// Coordinate systems: "logical" is what shapes store; "screen" is logical
// times the surface's Zoom, in pixels of the control. Angles are radians,
// positive clockwise on screen.
#pragma once

#include "draxa_export.h"
#include "foundation/canvas.h"
#include "foundation/geometry.h"
#include "foundation/gradient.h"
#include "foundation/graphics.h"
#include "foundation/input.h"
#include "foundation/user_data.h"
#include "shapes/record_context.h"
#include "shapes/shape_gradient.h"
#include "shapes/shape_host.h"
#include "shapes/shape_types.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace draxa {

class TBitmap;
class TCanvas;
class TStream;
class TMyDraxa;
struct TShapeClass;

// A component name that is not a valid identifier.
class DRAXA_EXPORT EComponentError : public std::runtime_error {
public:
    using runtime_error::runtime_error;
};

// True for a non-empty name of letters, digits and underscores that does not
// start with a digit.
DRAXA_EXPORT bool IsValidIdent(const QString& Name);

class DRAXA_EXPORT TMyShape {
public:
    // Takes its attributes from the surface's settings (pen, brush, font,
    // join and end cap, ResizeEnable, RotateEnable, HotShow).
    explicit TMyShape(TShapeHost* AHost);
    TMyShape(const TMyShape&) = delete;
    TMyShape& operator=(const TMyShape&) = delete;
    virtual ~TMyShape();

    // The exact class name documents store ("TMyRectangle", ...).
    virtual QString ClassName() const { return QStringLiteral("TMyShape"); }
    // A new, empty shape of the same class on the same surface.
    TMyShape* NewOfSameClass() const;

    // The surface that holds the shape, or the standalone host.
    TShapeHost* Host() const { return FHost; }
    // The registered traits of the shape's class (those of no class for an
    // unregistered one: no tool, hit area not bounded).
    const TShapeClass& Class() const;

    // ---- virtual operations, in the order subclasses fill them in ----

    // Moves by ToPt - FromPt (screen).
    virtual void MoveBy(const TPoint& FromPt, const TPoint& ToPt);
    // Moves every point, link point, the rotate centre and the info anchor by (DX, DY) screen pixels.
    virtual void Move(double DX, double DY);
    // Outline preview displaced by ToPt - FromPt while dragging (screen).
    virtual void DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt);
    // After creation with the mouse: rotate centre := centre of the points'
    // bounds, info anchor 10 logical units below the lowest point.
    virtual void ResetRotateCenter(const TPoint& FromPt, const TPoint& ToPt);
    // Hot-point marks of a selected shape.
    virtual void DrawHotPoints(TCanvas& Canvas);
    // Outline preview while the shape is being drawn from P1 to P2 (screen).
    virtual void DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2);
    // Distance between two screen points in the surface's unit, e.g. "    25.40 mm".
    virtual QString GetLengthText(const TPoint& P1, const TPoint& P2);
    // Cursor over the shape at screen (X, Y).
    virtual TCursor GetHotCursor(int X, int Y);
    // Asked on mouse release while drawing: is the new shape complete.
    virtual bool IsCreateFinished(TMouseButton Button, const TPoint& P);
    // Turns every point, link point, the info anchor and the rotate centre
    // by DAngle about Centre (logical) and adds DAngle to Angle.
    virtual void Rotate(const TMyPoint& Centre, double DAngle);
    // Outline preview rotated by DAngle about Centre (screen).
    virtual void DrawRotating(TCanvas& Canvas, const TMyPoint& Centre, double DAngle);
    // Resize by dragging hot point FHotIndex from FromPt to ToPt (screen).
    virtual void ResizeByHot(const TMyPoint& FromPt, const TMyPoint& ToPt);
    // Outline preview of a resize in progress (screen).
    virtual void DrawResizing(TCanvas& Canvas, const TMyPoint& FromPt, const TMyPoint& ToPt);
    // Appends the screen point P (divided by Zoom) to the points.
    virtual void AddPoint(const TPoint& P);
    // Full copy of Source (identity included); nothing when Source is this shape.
    virtual void Assign(const TMyShape& Source);
    // Copy without the identity within the document (index, members, links, group).
    virtual void AssignGeometry(const TMyShape& Source);
    // Paints the shape; the base paints only the info texts.
    virtual void Paint(TCanvas& Canvas);
    // Mirror about the vertical (FlipHorz) or horizontal (FlipVert) line
    // through the outermost group's rotate centre.
    virtual void FlipHorz();
    virtual void FlipVert();
    // Centre of rotation and flipping, logical and screen.
    virtual TMyPoint GetRotateCenter() const;
    virtual TMyPoint GetScreenRotateCenter() const;
    // Builds the measurement text and stores it in Info.
    virtual void UpdateMeasureInfo(QString& Text);
    // What the shape measures, in logical units (shape_measures.cpp): the
    // length of its line or curve and the area it encloses. Empty where the
    // class has no such measure: a box of text has neither, and a group
    // leaves both to its members.
    virtual std::optional<double> MeasuredLength() const { return std::nullopt; }
    virtual std::optional<double> MeasuredArea() const { return std::nullopt; }
    // Point Index (logical); (0, 0) when out of range.
    virtual TMyPoint GetPoint(int Index) const;
    // Index of the hot point under screen point P, -1 for none.
    virtual int HotPointAt(const TPoint& P);
    // Hit test at screen point P, given the surface's canvas.
    virtual bool PointInShape(TCanvas& Canvas, const TPoint& P);
    // For classes whose hit area follows a sampled curve: the screen bounds
    // of the samples their hit test uses; False when nothing can be hit.
    virtual bool CurveHitBounds(TRect&) { return false; }
    // The shape's record in a document stream; subclasses append their tail.
    // Context says which layout the record read has; records are always
    // written in the newest one.
    virtual void LoadFromStream(TStream& Stream, const TReadContext& Context);
    virtual void SaveToStream(TStream& Stream, const TWriteContext& Context);
    // The same for a record of the document the host is reading or last read.
    void LoadFromStream(TStream& Stream) { LoadFromStream(Stream, FHost->RecordReadContext()); }
    void SaveToStream(TStream& Stream) { SaveToStream(Stream, TWriteContext{}); }

    // ---- geometry methods ----

    // Adds (DX, DY) logical to every point, link point and the info anchor
    // (not the rotate centre).
    void MoveLogical(double DX, double DY);
    // Scales about Anchor in the frame turned by the shape's (or its
    // outermost group's) angle about Centre; used when a group is resized.
    void ScaleAbout(const TMyPoint& Anchor, const TMyPoint& Centre, double SX, double SY);
    // Sides of the shape in its own (unrotated) frame, logical.
    double UnrotatedWidth() const;
    double UnrotatedHeight() const;
    // Signed angle turning Centre->FromPt into Centre->ToPt, snapped to the
    // surface's RotateConstraintDegree when it is positive.
    double AngleBetween(const TMyPoint& FromPt, const TMyPoint& ToPt, const TMyPoint& Centre) const;
    // True when screen point P lies on the info anchor's handle.
    bool InInfoPos(const TPoint& P) const;
    // Link point (LinkPointAt) or line end (EndPointAt) under screen point P,
    // -1 for none; keeps the surface's single highlighted-point mark up to date.
    int LinkPointAt(const TMyPoint& P);
    int EndPointAt(const TMyPoint& P);

    // ---- painting helpers used by every class ----

    // Info (or MultiInfo) at the info anchor, with the font scaled by Zoom.
    void DrawInfo(TCanvas& Canvas);
    // Extent (screen pixels) and drawing of Text in Font scaled by Zoom and turned by Angle.
    TPoint MeasureText(TCanvas& Canvas, const QString& Text, double Zoom, double Angle, const TFont& Font);
    void DrawText(TCanvas& Canvas, int X, int Y, double Zoom, double Angle, const TFont& Font,
                  const QString& Text);
    // Hover mark (a red square of half-size 5 around screen point P) in NotXor,
    // so drawing it again at the same place removes it; nothing when Locked.
    void DrawMarker(TCanvas& Canvas, const TMyPoint& P);
    // Canvas pen and brush from the shape (grey levels on a monochrome printer).
    void ApplyPenBrush(TCanvas& Canvas);
    // Font, pen, and a solid brush in the pen colour, for arrow heads.
    void ApplyArrowFill(TCanvas& Canvas);
    // Selects the geometric outline pen (join and end cap of the shape) of
    // Style, Width and Color; returns the pen that was selected before, to
    // be selected again by the caller when done.
    std::optional<TGeometricPen> SelectGeometricPen(TCanvas& Canvas, TPenStyle Style, int Width,
                                                    TColor Color);
    // Closed polygon of screen Points (the first Count): when Fill, the
    // region filled with the gradient (rotated, clipped) and the brush; then
    // the outline stroked through a path with the geometric pen.
    void PaintPolygon(TCanvas& Canvas, const TArrPoint& Points, bool Fill, int Count);
    // One hot-point mark at screen point P (square, or circle while rotating).
    void DrawHotPoint(TCanvas& Canvas, const TMyPoint& P);
    // A blue cross on every link point, when the surface shows them.
    void DrawLinkPoints(TCanvas& Canvas);
    // Diamond at the info anchor (screen point P) for shapes with info texts.
    void DrawInfoAnchor(TCanvas& Canvas, const TMyPoint& P);
    // Line between two screen points, each rounded.
    void DrawLineF(TCanvas& Canvas, const TMyPoint& P1, const TMyPoint& P2);

    // ---- point accessors ----

    int PointCount() const { return int(FPoints.size()); }
    int LinkPointCount() const { return int(FLinkPoints.size()); }
    TMyPoint GetLinkPoint(int Index) const;
    TMyPoint GetScreenPoint(int Index) const;
    TMyPoint GetScreenLinkPoint(int Index) const;
    TMyPoint LogicalToScreen(const TMyPoint& P) const;
    // Logical bounds of the points, (0, 0, 0, 0) when there are none; no allocation.
    TMyRect PointsBounds() const;
    // Setters and movers take valid indices (callers check).
    void SetPoint(int Index, const TMyPoint& P) { MutablePoints()[size_t(Index)] = P; }
    void SetScreenPoint(int Index, const TMyPoint& P);
    void SetPointX(int Index, float V) { MutablePoints()[size_t(Index)].X = V; }
    void SetPointY(int Index, float V) { MutablePoints()[size_t(Index)].Y = V; }
    void SetLinkPoint(int Index, const TMyPoint& P) { MutableLinkPoints()[size_t(Index)] = P; }
    void AddScreenPoint(const TMyPoint& P);
    void ClearPoints() { MutablePoints().clear(); }
    void MovePointBy(int Index, double DX, double DY);
    void MoveLinkPointBy(int Index, double DX, double DY);
    // Bounding box corner of the points, logical: 0 top-left, 1 top-right,
    // 2 bottom-right, 3 bottom-left, 4 centre. (0, 0) without points.
    TMyPoint GetCorner(int Kind) const;
    float BoundsWidth() const;
    float BoundsHeight() const;
    const TArrMyPoint& Points() const { return FPoints; }
    const TArrMyPoint& LinkPoints() const { return FLinkPoints; }
    // Counts every change of the points, link points, rotate centre, angle,
    // flips or info anchor; the host hears of each through ShapeChanged.
    uint64_t GeometryRevision() const { return FGeometryRevision; }

    // ---- link points, where connector lines attach ----

    // Appends the link point P (logical) and returns its index; the surface repaints.
    int AddLinkPoint(const TMyPoint& P);
    // Removes link point Index. A shape in the surface's document first has
    // an ACT_CHANGE step recorded; connector ends on that link point become
    // free and ends on later ones follow the renumbering. False (nothing
    // changes) for an index out of range.
    bool DeleteLinkPoint(int Index);
    // Removes every link point the same way (one ACT_CHANGE step).
    void ClearLinkPoints();

    // ---- identity within the surface ----

    QString Name() const { return FName; }
    // Throws EComponentError for a name that is not a valid identifier (the
    // old name stays); an empty caption becomes the new name.
    void SetName(const QString& V);
    int ShapeNo() const { return FShapeNo; }
    void SetShapeNo(int V) {
        if (V == FShapeNo) return;
        FShapeNo = V;
        Changed(TShapeChange::Number);
    }
    int Index() const { return FIndex; }
    void SetIndex(int V) { FIndex = V; }
    int LayerId() const { return FLayerId; }
    void SetLayerId(int V) {
        FLayerId = V;
        Changed(TShapeChange::Layer);
    }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int V) {
        FGroupIndex = V;
        Changed(TShapeChange::Group);
    }
    int HotIndex() const { return FHotIndex; }
    void SetHotIndex(int V) { FHotIndex = V; }
    const TMyShapeNo& Members() const { return FMembers; }
    TMyShapeNo& MembersRef() { return FMembers; }
    const TMyShapeNo& LinkLines() const { return FLinkLines; }
    TMyShapeNo& LinkLinesRef() { return FLinkLines; }
    bool IsGrouped() const { return FGroupIndex >= 0; }
    bool HasMembers() const { return !FMembers.empty(); }
    bool HasLinkLines() const { return !FLinkLines.empty(); }
    // Appends Index unless it is already listed.
    void AddLinkLine(int Index);
    // Removes the last occurrence of Index.
    void RemoveLinkLine(int Index);
    TMyPoint RotateCenter() const { return FRotateCenter; }
    void SetRotateCenter(const TMyPoint& P) {
        FRotateCenter = P;
        Changed();
    }
    TMyPoint InfoPos() const { return FInfoPos; }
    void SetInfoPos(const TMyPoint& P) {
        FInfoPos = P;
        Changed();
    }

    // ---- published properties ----

    float Angle() const { return FAngle; }
    // With points: the surface turns the shape (and its group members) BY V
    // about the outermost group's rotate centre. Without points: stored.
    void SetAngle(float V);
    // Stores the angle without turning anything (documents, copies).
    void SetAngleDirect(float V) {
        FAngle = V;
        Changed();
    }
    TPen& Pen() { return FPen; }
    const TPen& Pen() const { return FPen; }
    void SetPen(const TPen& V) { FPen.Assign(V); }
    TBrush& Brush() { return FBrush; }
    const TBrush& Brush() const { return FBrush; }
    void SetBrush(const TBrush& V) { FBrush.Assign(V); }
    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& V) { FFont.Assign(V); }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& V) { FCaption = V; }
    bool CaptionShow() const { return FCaptionShow; }
    void SetCaptionShow(bool V) { FCaptionShow = V; }
    QString Info() const { return FInfo; }
    void SetInfo(const QString& V) {
        if (V == FInfo) return;
        FInfo = V;
        Changed(TShapeChange::Appearance);
    }
    TColor ColorBegin() const { return FColorBegin; }
    void SetColorBegin(TColor V);
    TColor ColorEnd() const { return FColorEnd; }
    void SetColorEnd(TColor V);
    TGradientStyle GradientStyle() const { return FGradientStyle; }
    void SetGradientStyle(TGradientStyle V);
    // Stores colours and style without side effects (documents, copies).
    void SetGradientDirect(TColor Begin, TColor End, TGradientStyle Style);
    bool IsFlipHorz() const { return FIsFlipHorz; }
    // Whatever the value: the surface flips the shape, which toggles the flag.
    void SetIsFlipHorz(bool V);
    bool IsFlipVert() const { return FIsFlipVert; }
    void SetIsFlipVert(bool V);
    void SetFlipDirect(bool Horz, bool Vert) {
        FIsFlipHorz = Horz;
        FIsFlipVert = Vert;
        Changed();
    }
    bool Locked() const { return FLocked; }
    // Sets the flag on the shape and on all its members, then repaints.
    void SetLocked(bool V);
    void SetLockedDirect(bool V) { FLocked = V; }
    bool HotShow() const { return FHotShow; }
    void SetHotShow(bool V) { FHotShow = V; }
    bool LogUse() const { return FLogUse; }
    void SetLogUse(bool V) { FLogUse = V; }
    int LogHeight() const { return FLogHeight; }
    void SetLogHeight(int V) { FLogHeight = V; }
    int LogWidth() const { return FLogWidth; }
    void SetLogWidth(int V) { FLogWidth = V; }
    bool ResizeEnable() const { return FResizeEnable; }
    void SetResizeEnable(bool V) { FResizeEnable = V; }
    bool RotateEnable() const { return FRotateEnable; }
    void SetRotateEnable(bool V) { FRotateEnable = V; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool V) {
        FVisible = V;
        Changed(TShapeChange::Visibility);
    }
    const QStringList& MultiInfo() const { return FMultiInfo; }
    // Copies the lines and repaints.
    void SetMultiInfo(const QStringList& V);
    TAlignment MultiInfoAlignment() const { return FMultiInfoAlignment; }
    void SetMultiInfoAlignment(TAlignment V) { FMultiInfoAlignment = V; }
    TPenStyleJoinType PenStyleJoinType() const { return FPenStyleJoinType; }
    void SetPenStyleJoinType(TPenStyleJoinType V) { FPenStyleJoinType = V; }
    TPenStyleEndCapType PenStyleEndCapType() const { return FPenStyleEndCapType; }
    void SetPenStyleEndCapType(TPenStyleEndCapType V) { FPenStyleEndCapType = V; }
    int Tag() const { return FTag; }
    void SetTag(int V) { FTag = V; }
    TUserData& UserData() { return FUserData; }
    const TUserData& UserData() const { return FUserData; }
    void SetUserData(const TUserData& V) { FUserData.Assign(V); }
    // The gradient image (24 bits) of the colours, style and flips; built
    // at its first use after any of them changed.
    TBitmap& GradientBitmap() { return FGradient.Image(FColorBegin, FColorEnd, FGradientStyle); }
    const TBitmap& GradientBitmap() const { return FGradient.Image(FColorBegin, FColorEnd, FGradientStyle); }
    // False while the gradient image waits for its first use.
    bool GradientBuilt() const { return !FGradient.Pending(); }
    // Rebuilds the gradient image from the colours and the style (no mirroring).
    void RebuildGradient();

    // Fired by the surface, with the surface as sender, when the shape is clicked.
    std::function<void(QObject* Sender)> OnClick;

protected:
    // The screen scale of the owning surface.
    double Zoom() const;
    // Rebuilds the gradient image and mirrors it by the flip flags.
    void RebuildMirroredGradient();
    // Repaints the owning surface later.
    void InvalidateSurface() const;
    // Tells the host what changed; a change of geometry also advances
    // GeometryRevision.
    void Changed(TShapeChange What = TShapeChange::Geometry);
    // The points and link points for writing: every write goes through
    // these, so that the host hears of it before the caller changes them.
    TArrMyPoint& MutablePoints() {
        Changed();
        return FPoints;
    }
    TArrMyPoint& MutableLinkPoints() {
        Changed();
        return FLinkPoints;
    }
    // "Area=" and the area in the surface's unit ("%9.2f" and "pixel(s)2",
    // "mm2", "cm2", "dm2", "m2" or "inch2"), from the same area in square
    // pixels, square millimetres and square inches.
    QString AreaText(double SquarePixels, double SquareMm, double SquareInches) const;

    // Never null: the standalone host stands in for a missing surface.
    TShapeHost* FHost;
    QString FName;
    float FAngle = 0;
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
    QString FCaption;
    bool FCaptionShow = true;
    TColor FColorBegin = clWhite;
    TColor FColorEnd = clBlack;
    TGradientStyle FGradientStyle = TGradientStyle::gsNone;
    bool FHotShow = true;
    QString FInfo;
    bool FIsFlipHorz = false;
    bool FIsFlipVert = false;
    bool FLocked = false;
    int FLogHeight = 10;
    bool FLogUse = false;
    int FLogWidth = 10;
    QStringList FMultiInfo;
    TAlignment FMultiInfoAlignment = TAlignment::taLeftJustify;
    TPenStyleJoinType FPenStyleJoinType = TPenStyleJoinType::psjtROUND;
    TPenStyleEndCapType FPenStyleEndCapType = TPenStyleEndCapType::psectROUND;
    bool FResizeEnable = true;
    bool FRotateEnable = true;
    int FTag = 0;
    TUserData FUserData;
    bool FVisible = true;
    mutable TShapeGradient FGradient;
    TMyPoint FRotateCenter{0, 0};
    TMyShapeNo FMembers;
    int FLayerId = 0;
    int FGroupIndex = -1;
    int FHotIndex = -1;
    int FShapeNo = 0;
    int FIndex = 0;
    TMyPoint FInfoPos{0, 0};
    TMyShapeNo FLinkLines;

private:
    TArrMyPoint FPoints;
    TArrMyPoint FLinkPoints;
    uint64_t FGeometryRevision = 0;
    mutable const TShapeClass* FClass = nullptr;

    void PropagatePenBrush();
    void PropagateFont();
    // Shared body of Assign (WithIdentity) and AssignGeometry.
    void CopyFrom(const TMyShape& Source, bool WithIdentity);
    // Shared body of LinkPointAt and EndPointAt.
    int MarkPointAt(const TMyPoint& P, bool LineEnds);

    // Set while this shape passes its attributes to its members; a member
    // chain that leads back to such a shape (a damaged document) is not
    // followed, so the passing neither recurses without end nor undoes itself.
    bool FPropagating = false;

    friend class TMyDraxa;
};

using TArrMyShape = std::vector<TMyShape*>;

} // namespace draxa
