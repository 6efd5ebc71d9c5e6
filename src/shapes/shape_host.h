// TShapeHost: everything a shape needs of the surface that holds it.
//
// Shapes sit below the surface and never see the widget. What they ask of
// it goes through this interface: view settings (zoom, hot points, units
// and ratio, the interaction in progress), the settings a new shape takes,
// lookups of other shapes of the document, notifications that a shape
// changed or needs repainting, and connector routing as a service.
// TMyDraxa implements it; a shape made without a surface gets the
// standalone host, which answers with the defaults of a new surface, finds
// no other shapes and does nothing when told or asked to do something.
#pragma once

#include "draxa_export.h"
#include "foundation/geometry.h"
#include "foundation/graphics.h"
#include "shapes/record_context.h"
#include "shapes/shape_types.h"

#include <memory>
#include <vector>

namespace draxa {

class TBitmap;
class TCanvas;
class TMyLinkLine;
class TMyShape;

// What changed about a shape, as far as indexes over the drawing care.
enum class TShapeChange : uint8_t {
    Geometry,   // points, link points, rotate centre, angle, flips or info anchor
    Visibility, // its Visible flag
    Layer,      // its layer
    Group,      // its group membership
    Number,     // its shape number
    Appearance, // its pen, font or info texts (what it paints beyond its points)
};

class DRAXA_EXPORT TShapeHost {
public:
    virtual ~TShapeHost() = default;

    // ---- view settings ----

    // Screen pixels per logical unit.
    virtual double Zoom() const = 0;
    // Half-size of a hot-point mark and the pick tolerance, screen pixels.
    virtual uint8_t HotSize() const = 0;
    // Whether hot points and (with ShowHotLink) link-point crosses are shown.
    virtual bool HotShow() const = 0;
    virtual bool ShowHotLink() const = 0;
    // Whether connectors hop over the connectors they cross.
    virtual bool CrossLine() const = 0;
    // The unit lengths and areas are shown in, and the drawing scale.
    virtual TUnits TheUNIT() const = 0;
    virtual double Ratio() const = 0;
    // Rotations snap to multiples of this many degrees when positive.
    virtual int RotateConstraintDegree() const = 0;
    // The interaction in progress and the tool it came from.
    virtual TInteractionMode Mode() const = 0;
    virtual TDrawTool ShapeTool() const = 0;
    // True while a document is read: shapes then pass nothing on to members.
    virtual bool Loading() const = 0;
    // How the one-argument LoadFromStream of a shape reads: the format
    // version of the document being or last read. Throws EReadError when
    // that version is not one of ours.
    virtual TReadContext RecordReadContext() const = 0;

    // ---- settings a new shape takes ----

    virtual const TPen& Pen() const = 0;
    virtual const TBrush& Brush() const = 0;
    virtual const TFont& Font() const = 0;
    virtual TPenStyleJoinType PenStyleJoinType() const = 0;
    virtual TPenStyleEndCapType PenStyleEndCapType() const = 0;
    virtual bool ResizeEnable() const = 0;
    virtual bool RotateEnable() const = 0;
    virtual int ArrowAngle() const = 0;
    virtual uint8_t ArrowLength() const = 0;
    virtual uint8_t ArrowOffset() const = 0;
    virtual TArrowStyle ArrowStyle() const = 0;
    virtual TArcMode ArcMode() const = 0;
    virtual TLinkLineDrawStyle LinkLineDrawStyle() const = 0;

    // ---- the document ----

    virtual int ShapeCount() const = 0;
    // nullptr when there is no such shape.
    virtual TMyShape* ShapeByIndex(int Index) const = 0;
    virtual TMyShape* ShapeByNumber(int Number) const = 0;
    // The outermost group holding AShape (AShape itself when it is not grouped).
    virtual TMyShape* TopGroupOf(TMyShape* AShape) const = 0;
    virtual int SelectedCount() const = 0;
    // The shape being drawn or last pressed (nullptr for none).
    virtual TMyShape* CurrentShape() const = 0;
    // The top-level shapes the paint in progress draws (empty outside a paint).
    virtual const std::vector<TMyShape*>& PaintList() const = 0;
    // The canvas of the control's screen image, for marks drawn at once.
    virtual TCanvas& ScreenCanvas() = 0;
    // The single highlighted line end or link point (nullptr, -1 for none).
    virtual TMyShape* HotLineEndShape() const = 0;
    virtual int HotLineEnd() const = 0;
    virtual void SetHotLineEnd(TMyShape* Shape, int Index) = 0;

    // ---- notifications ----

    // The view needs repainting.
    virtual void InvalidateView() = 0;
    // What indexes over the drawing know of the shape no longer holds.
    virtual void ShapeChanged(const TMyShape& Shape, TShapeChange What) = 0;
    // Link points First .. First + Count - 1 of AShape are about to go:
    // connector ends on them are freed, later ones renumbered.
    virtual void DetachLinkPoints(TMyShape* AShape, int First, int Count) = 0;

    // ---- operations the shape's setters hand over ----

    // Turns the shape and its members by DAngle about the outermost group's centre.
    virtual void RotateShapeBy(TMyShape* AShape, double DAngle) = 0;
    virtual void FlipShapeHorz(TMyShape* AShape) = 0;
    virtual void FlipShapeVert(TMyShape* AShape) = 0;
    virtual void SetShapeLocked(TMyShape* AShape, bool Value) = 0;

    // ---- connector routing ----

    // Computes Line's route between two screen points (see TMyDraxa).
    virtual void RouteLinkLine(TCanvas* Canvas, TMyLinkLine* Line, uint8_t Kind, TMyPoint EndPt,
                               TMyShape* EndShape, TMyPoint StartPt, TMyShape* StartShape) = 0;
    // Attaches end End of Line to the link point under P (screen), or frees it.
    virtual void ConnectLinkLineEnd(TMyLinkLine* Line, int End, TMyPoint& P) = 0;
    // The first axis-parallel connector segment within HotSize of P (logical).
    virtual int FindLinkLineSegment(TMyPoint& P, TMyLinkLine*& Line, TMyLinkLine* Except) = 0;
    // Cuts connector B where connector A ended on its segment K.
    virtual bool SplitLinkLine(TMyLinkLine* A, const TMyPoint& P, int K, TMyLinkLine* B) = 0;
    // Cuts connector L where the junction J was put on its segment K.
    virtual bool SplitLinkLineAtShape(const TMyPoint& C, TMyLinkLine* L, TMyShape* J, int K) = 0;
};

// The hot-point fill colour shared by every surface.
DRAXA_EXPORT TColor HotPointColor();
DRAXA_EXPORT void SetHotPointColor(TColor V);

// The host of shapes made without a surface: the settings of a new
// surface, no document, no routing; notifications are ignored. A shape
// on its own turns and mirrors about its own centre. Test hosts derive
// from it and override what they watch.
class DRAXA_EXPORT TStandaloneShapeHost : public TShapeHost {
public:
    TStandaloneShapeHost();
    ~TStandaloneShapeHost() override;

    double Zoom() const override { return 1.0; }
    uint8_t HotSize() const override { return 4; }
    bool HotShow() const override { return true; }
    bool ShowHotLink() const override { return true; }
    // No paint list to hop over.
    bool CrossLine() const override { return false; }
    TUnits TheUNIT() const override { return TUnits::mm; }
    double Ratio() const override { return 1.0; }
    int RotateConstraintDegree() const override { return 0; }
    TInteractionMode Mode() const override { return TInteractionMode::Idle; }
    TDrawTool ShapeTool() const override { return TDrawTool::SpSelecting; }
    bool Loading() const override { return false; }
    TReadContext RecordReadContext() const override { return TReadContext{}; }

    const TPen& Pen() const override { return FPen; }
    const TBrush& Brush() const override { return FBrush; }
    const TFont& Font() const override { return FFont; }
    TPenStyleJoinType PenStyleJoinType() const override { return TPenStyleJoinType::psjtROUND; }
    TPenStyleEndCapType PenStyleEndCapType() const override { return TPenStyleEndCapType::psectROUND; }
    bool ResizeEnable() const override { return true; }
    bool RotateEnable() const override { return true; }
    int ArrowAngle() const override { return 10; }
    uint8_t ArrowLength() const override { return 30; }
    uint8_t ArrowOffset() const override { return 0; }
    TArrowStyle ArrowStyle() const override { return TArrowStyle::ANone; }
    TArcMode ArcMode() const override { return TArcMode::amCircle; }
    TLinkLineDrawStyle LinkLineDrawStyle() const override { return TLinkLineDrawStyle::lldsHV; }

    int ShapeCount() const override { return 0; }
    TMyShape* ShapeByIndex(int) const override { return nullptr; }
    TMyShape* ShapeByNumber(int) const override { return nullptr; }
    TMyShape* TopGroupOf(TMyShape* AShape) const override { return AShape; }
    int SelectedCount() const override { return 0; }
    TMyShape* CurrentShape() const override { return nullptr; }
    const std::vector<TMyShape*>& PaintList() const override { return FNone; }
    // Marks land on a scratch pixel that nobody sees.
    TCanvas& ScreenCanvas() override;
    TMyShape* HotLineEndShape() const override { return nullptr; }
    int HotLineEnd() const override { return -1; }
    void SetHotLineEnd(TMyShape*, int) override {}

    void InvalidateView() override {}
    void ShapeChanged(const TMyShape&, TShapeChange) override {}
    void DetachLinkPoints(TMyShape*, int, int) override {}

    void RotateShapeBy(TMyShape* AShape, double DAngle) override;
    void FlipShapeHorz(TMyShape* AShape) override;
    void FlipShapeVert(TMyShape* AShape) override;
    void SetShapeLocked(TMyShape*, bool) override {}

    void RouteLinkLine(TCanvas*, TMyLinkLine*, uint8_t, TMyPoint, TMyShape*, TMyPoint, TMyShape*) override {}
    void ConnectLinkLineEnd(TMyLinkLine*, int, TMyPoint&) override {}
    int FindLinkLineSegment(TMyPoint&, TMyLinkLine*& Line, TMyLinkLine*) override;
    bool SplitLinkLine(TMyLinkLine*, const TMyPoint&, int, TMyLinkLine*) override { return false; }
    bool SplitLinkLineAtShape(const TMyPoint&, TMyLinkLine*, TMyShape*, int) override { return false; }

private:
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
    std::unique_ptr<TBitmap> FScratch;
    std::vector<TMyShape*> FNone;
};

// The standalone host of shapes made without a surface (one per program).
DRAXA_EXPORT TShapeHost& StandaloneShapeHost();

} // namespace draxa
