// Gradient pictures built on first use; see shape_gradient.h.
#include "shapes/shape_gradient.h"

#include "foundation/bitmap_effects.h"

namespace draxa {

namespace {

// Turned copies above this many pixels are made anew each paint instead of
// being kept: at a high zoom a shape's copy could hold hundreds of megabytes.
constexpr long long MaxKeptTurnedPixels = 1 << 20;

} // namespace

TShapeGradient::TShapeGradient() = default;

void TShapeGradient::Invalidate(bool MirrorHorz, bool MirrorVert) {
    FPending = true;
    FReleased = false;
    FDrawnOn = false;
    FMirrorHorz = MirrorHorz;
    FMirrorVert = MirrorVert;
    FTurned.reset();
}

TBitmap& TShapeGradient::Image(TColor Begin, TColor End, TGradientStyle Style) {
    // The caller may draw on the picture: a kept turned copy would go stale,
    // and the picture must stay as drawn.
    FTurned.reset();
    TBitmap& Result = Built(Begin, End, Style);
    FDrawnOn = true;
    return Result;
}

TBitmap& TShapeGradient::Built(TColor Begin, TColor End, TGradientStyle Style) {
    if (FReleased) {
        FReleased = false;
        FPending = true;
    }
    // Made at the first use: most shapes never have a gradient.
    if (!FImage) FImage = std::make_unique<TBitmap>(0, 0, TPixelFormat::pf24bit);
    if (!FPending) return *FImage;
    FPending = false;
    const int Ordinal = int(Style);
    if (Ordinal < 0 || Ordinal >= int(TGradientStyle::gsNone)) {
        // No gradient: an empty picture, without building a colour ramp.
        FImage->SetSize(0, 0);
        FImage->SetPixelFormat(TPixelFormat::pf24bit);
        return *FImage;
    }
    RebuildGradientImage(Begin, End, Style, *FImage);
    MirrorBitmap(*FImage, FMirrorHorz, FMirrorVert);
    return *FImage;
}

const TBitmap* TShapeGradient::Turned(TColor Begin, TColor End, TGradientStyle Style, int W, int H,
                                      double Angle) {
    if (!FPending && FTurned && FTurnedW == W && FTurnedH == H && FTurnedAngle == Angle) return FTurned.get();
    TBitmap& Source = Built(Begin, End, Style);
    if (Source.Empty()) {
        FTurned.reset();
        return nullptr;
    }
    FTurned = RotatedCopy(Source, W, H, Angle);
    FTurnedW = W;
    FTurnedH = H;
    FTurnedAngle = Angle;
    if (static_cast<long long>(FTurned->Width()) * FTurned->Height() > MaxKeptTurnedPixels) {
        // Handed out once, then dropped at the next request; the picture
        // stays for that request.
        FTurnedW = FTurnedH = -1;
    } else if (!FDrawnOn) {
        // The kept copy is all the next paints need.
        FImage.reset();
        FReleased = true;
    }
    return FTurned.get();
}

void TShapeGradient::Assign(const TShapeGradient& Source) {
    if (&Source == this) return;
    FPending = Source.FPending;
    FReleased = Source.FReleased;
    FDrawnOn = Source.FDrawnOn;
    FMirrorHorz = Source.FMirrorHorz;
    FMirrorVert = Source.FMirrorVert;
    FTurned.reset();
    if (FPending || !Source.FImage) {
        FImage.reset();
        return;
    }
    if (!FImage) FImage = std::make_unique<TBitmap>(0, 0, TPixelFormat::pf24bit);
    FImage->SetImage(Source.FImage->Image());
}

} // namespace draxa
