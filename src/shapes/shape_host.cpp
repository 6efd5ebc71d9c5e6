// The standalone host: what a shape made without a surface sees. Its
// settings are those of a new surface; it holds no document, routes
// nothing and ignores notifications.
#include "shapes/shape_host.h"

#include "foundation/bitmap.h"
#include "foundation/canvas.h"
#include "shapes/shape.h"

namespace draxa {

TStandaloneShapeHost::TStandaloneShapeHost()
    : FScratch(std::make_unique<TBitmap>(1, 1, TPixelFormat::pf32bit)) {}

TStandaloneShapeHost::~TStandaloneShapeHost() = default;

TCanvas& TStandaloneShapeHost::ScreenCanvas() {
    return FScratch->Canvas();
}

void TStandaloneShapeHost::RotateShapeBy(TMyShape* AShape, double DAngle) {
    AShape->Rotate(AShape->GetRotateCenter(), DAngle);
}

void TStandaloneShapeHost::FlipShapeHorz(TMyShape* AShape) {
    AShape->FlipHorz();
}

void TStandaloneShapeHost::FlipShapeVert(TMyShape* AShape) {
    AShape->FlipVert();
}

int TStandaloneShapeHost::FindLinkLineSegment(TMyPoint&, TMyLinkLine*& Line, TMyLinkLine*) {
    Line = nullptr;
    return -1;
}

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
    static TStandaloneShapeHost Host;
    return Host;
}

} // namespace draxa
