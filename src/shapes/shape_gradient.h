// The gradient picture a closed shape paints itself with, built only when
// something first asks for it.
//
// Reading a document or changing a colour only notes that the picture is
// out of date: most shapes of a large drawing are never painted at every
// gradient they pass through, and building a picture costs far more than
// reading the whole shape. The turned copy that painting stretches onto the shape is kept for the next paint
// at the same size and angle; once it is made, the picture itself (up to 384 KB, often larger than the copy)
// is let go unless someone was handed it to draw on, and is built again only when the shape needs a new copy.
#pragma once

#include "draxa_export.h"
#include "foundation/bitmap.h"
#include "foundation/gradient.h"

#include <memory>

namespace draxa {

class DRAXA_EXPORT TShapeGradient {
public:
    TShapeGradient();

    // The picture is out of date: the next use builds it from the colours
    // and the style, mirrored left to right and top to bottom as asked.
    void Invalidate(bool MirrorHorz, bool MirrorVert);
    // True while the picture is out of date (not built since the last change).
    bool Pending() const { return FPending; }

    // The picture for Begin, End and Style (those of the shape now), built
    // first when it is out of date. The caller may draw on it.
    TBitmap& Image(TColor Begin, TColor End, TGradientStyle Style);

    // The picture stretched to W x H and turned by Angle (radians), as
    // RotatedCopy gives it; kept until the picture or the request changes.
    // Null when there is no picture (an unknown style).
    const TBitmap* Turned(TColor Begin, TColor End, TGradientStyle Style, int W, int H, double Angle);

    // Takes over Source's state: its pixels (shared) or that they are out of date.
    void Assign(const TShapeGradient& Source);

private:
    // The picture, built first when out of date; kept turned copies stay.
    TBitmap& Built(TColor Begin, TColor End, TGradientStyle Style);

    std::unique_ptr<TBitmap> FImage; // none until first asked for, or let go
    bool FPending = false;
    // The picture was let go after its turned copy was made: built again at
    // the next use, without counting as out of date.
    bool FReleased = false;
    // The picture was handed out for drawing on: it is never let go.
    bool FDrawnOn = false;
    bool FMirrorHorz = false;
    bool FMirrorVert = false;
    // The last turned copy and what it was made for.
    std::unique_ptr<TBitmap> FTurned;
    int FTurnedW = 0;
    int FTurnedH = 0;
    double FTurnedAngle = 0;
};

} // namespace draxa
