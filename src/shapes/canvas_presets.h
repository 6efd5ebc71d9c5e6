// The three canvas presets every shape draws its marks and previews with.
#pragma once

namespace draxa {

class TCanvas;

// Hot-point marks: black one-pixel outline, filled with the shared hot-point colour.
void UseHotPreset(TCanvas& Canvas);
// Marks of locked shapes: black outline, grey fill.
void UseLockedPreset(TCanvas& Canvas);
// Outline previews: white dotted XOR pen, clear brush; drawing twice erases.
void UsePreviewPreset(TCanvas& Canvas);

} // namespace draxa
