// The standalone host: what a shape made without a surface sees. Its
// settings are those of a new surface; it holds no document, routes
// nothing and ignores notifications.
#include "shapes/shape_host.h"

#include "foundation/bitmap.h"
#include "foundation/canvas.h"
#include "shapes/shape.h"

namespace draxa {

namespace {

class TStandaloneHost final : public TShapeHost {
public:
    TStandaloneHost() : FScratch(1, 1, TPixelFormat::pf32bit) {}

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
    TCanvas& ScreenCanvas() override { return FScratch.Canvas(); }
    TMyShape* HotLineEndShape() const override { return nullptr; }
    int HotLineEnd() const override { return -1; }
    void SetHotLineEnd(TMyShape*, int) override {}

    void InvalidateView() override {}
    void ShapeChanged(const TMyShape&, TShapeChange) override {}
    void DetachLinkPoints(TMyShape*, int, int) override {}

    // A shape on its own turns and mirrors about its own centre.
    void RotateShapeBy(TMyShape* AShape, double DAngle) override {
        AShape->Rotate(AShape->GetRotateCenter(), DAngle);
    }
    void FlipShapeHorz(TMyShape* AShape) override { AShape->FlipHorz(); }
    void FlipShapeVert(TMyShape* AShape) override { AShape->FlipVert(); }
    void SetShapeLocked(TMyShape*, bool) override {}

    void RouteLinkLine(TCanvas*, TMyLinkLine*, uint8_t, TMyPoint, TMyShape*, TMyPoint, TMyShape*) override {}
    void ConnectLinkLineEnd(TMyLinkLine*, int, TMyPoint&) override {}
    int FindLinkLineSegment(TMyPoint&, TMyLinkLine*& Line, TMyLinkLine*) override {
        Line = nullptr;
        return -1;
    }
    bool SplitLinkLine(TMyLinkLine*, const TMyPoint&, int, TMyLinkLine*) override { return false; }
    bool SplitLinkLineAtShape(const TMyPoint&, TMyLinkLine*, TMyShape*, int) override { return false; }

private:
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
    TBitmap FScratch;
    std::vector<TMyShape*> FNone;
};

} // namespace

namespace {
TColor gHotPointColor = 0x0000FF00;
} // namespace

TColor HotPointColor() {
    return gHotPointColor;
}

void SetHotPointColor(TColor V) {
    gHotPointColor = V;
}

TShapeHost& StandaloneShapeHost() {
    static TStandaloneHost Host;
    return Host;
}

} // namespace draxa
