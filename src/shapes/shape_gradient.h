// The gradient picture a closed shape paints itself with, built only when
// something first asks for it.
//
// Reading a document or changing a colour only notes that the picture is
// out of date: most shapes of a large drawing are never painted at every
// gradient they pass through, and building a picture costs far more than
// reading the whole shape. Identical pictures (same colours, style and
// mirroring) share their pixels until one of them is drawn on. The turned
// copy that painting stretches onto the shape is kept for the next paint at
// the same size and angle.
#pragma once

#include "foundation/bitmap.h"
#include "foundation/gradient.h"

#include <memory>

namespace draxa {

class TShapeGradient {
public:
    TShapeGradient();

    // The picture is out of date: the next use builds it from the colours
    // and the style, mirrored left to right and top to bottom as asked.
    void Invalidate(bool MirrorHorz, bool MirrorVert);
    // True while the picture is out of date (nothing built yet).
    bool Pending() const { return FPending; }

    // The picture for Begin, End and Style (those of the shape now), built
    // first when it is out of date. The caller may draw on it.
    TBitmap& Image(TColor Begin, TColor End, TGradientStyle Style);

    // The same, for reading only: kept turned copies stay.
    const TBitmap& Picture(TColor Begin, TColor End, TGradientStyle Style) {
        return Built(Begin, End, Style);
    }

    // The picture stretched to W x H and turned by Angle (radians), as
    // RotatedCopy gives it; kept until the picture or the request changes.
    const TBitmap& Turned(TColor Begin, TColor End, TGradientStyle Style, int W, int H, double Angle);

    // Takes over Source's state: its pixels (shared) or that they are out of date.
    void Assign(const TShapeGradient& Source);

private:
    // The picture, built first when out of date; kept turned copies stay.
    TBitmap& Built(TColor Begin, TColor End, TGradientStyle Style);

    std::unique_ptr<TBitmap> FImage; // none until first asked for
    bool FPending = false;
    bool FMirrorHorz = false;
    bool FMirrorVert = false;
    // The last turned copy and what it was made for.
    std::unique_ptr<TBitmap> FTurned;
    int FTurnedW = 0;
    int FTurnedH = 0;
    double FTurnedAngle = 0;
};

} // namespace draxa
