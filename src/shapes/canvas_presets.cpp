// The canvas presets for hot-point marks, locked marks and outline previews.
#include "shapes/canvas_presets.h"

#include "foundation/canvas.h"
#include "shapes/shape_host.h"

namespace draxa {

namespace {

// The canvas pen only drops a geometric pen when one of its values actually
// changes, and a pattern left on the canvas brush fills in place of the brush
// colour or style: a preset clears both, whatever was drawn before.
void ForgetLeftovers(TCanvas& Canvas) {
    Canvas.SelectGeometricPen(std::nullopt);
    Canvas.Brush().SetBitmap(nullptr);
}

// One-pixel solid black outline in copy mode.
void UseMarkPen(TCanvas& Canvas) {
    ForgetLeftovers(Canvas);
    TPen& Pen = Canvas.Pen();
    Pen.SetWidth(1);
    Pen.SetColor(clBlack);
    Pen.SetStyle(TPenStyle::psSolid);
    Pen.SetMode(TPenMode::pmCopy);
}

void UseSolidBrush(TCanvas& Canvas, TColor Color) {
    Canvas.Brush().SetColor(Color);
    Canvas.Brush().SetStyle(TBrushStyle::bsSolid);
}

} // namespace

void UseHotPreset(TCanvas& Canvas) {
    UseMarkPen(Canvas);
    UseSolidBrush(Canvas, HotPointColor());
}

void UseLockedPreset(TCanvas& Canvas) {
    UseMarkPen(Canvas);
    UseSolidBrush(Canvas, clGray);
}

void UsePreviewPreset(TCanvas& Canvas) {
    ForgetLeftovers(Canvas);
    TPen& Pen = Canvas.Pen();
    Pen.SetColor(clWhite);
    Pen.SetStyle(TPenStyle::psDot);
    Pen.SetWidth(1);
    Pen.SetMode(TPenMode::pmXor);
    Canvas.Brush().SetStyle(TBrushStyle::bsClear);
}

} // namespace draxa
