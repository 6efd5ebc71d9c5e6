// Gradient pictures built on first use and shared; see shape_gradient.h.
#include "shapes/shape_gradient.h"

#include "foundation/bitmap_effects.h"

#include <map>
#include <tuple>

namespace draxa {

namespace {

// Built pictures by colours, style and mirroring. QImage shares pixels
// between copies until one is written, so every shape with the same gradient
// holds one picture. Bounded: a drawing with many different gradients only
// builds each once per shape, as it would without the table.
using TGradientKey = std::tuple<TColor, TColor, int, bool, bool>;
constexpr size_t MaxSharedGradients = 64;

std::map<TGradientKey, QImage>& SharedGradients() {
    static std::map<TGradientKey, QImage> Table;
    return Table;
}

// Turned copies above this many pixels are made anew each paint instead of
// being kept: at a high zoom a shape's copy could hold hundreds of megabytes.
constexpr long long MaxKeptTurnedPixels = 1 << 20;

} // namespace

TShapeGradient::TShapeGradient() = default;

void TShapeGradient::Invalidate(bool MirrorHorz, bool MirrorVert) {
    FPending = true;
    FMirrorHorz = MirrorHorz;
    FMirrorVert = MirrorVert;
    FTurned.reset();
}

TBitmap& TShapeGradient::Image(TColor Begin, TColor End, TGradientStyle Style) {
    // The caller may draw on the picture: a kept turned copy would go stale.
    FTurned.reset();
    return Built(Begin, End, Style);
}

TBitmap& TShapeGradient::Built(TColor Begin, TColor End, TGradientStyle Style) {
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
    auto& Table = SharedGradients();
    const TGradientKey Key{Begin, End, Ordinal, FMirrorHorz, FMirrorVert};
    if (const auto Found = Table.find(Key); Found != Table.end()) {
        FImage->SetImage(Found->second);
        return *FImage;
    }
    RebuildGradientImage(Begin, End, Style, *FImage);
    MirrorBitmap(*FImage, FMirrorHorz, FMirrorVert);
    if (Table.size() >= MaxSharedGradients) Table.clear();
    Table.emplace(Key, FImage->Image());
    return *FImage;
}

const TBitmap& TShapeGradient::Turned(TColor Begin, TColor End, TGradientStyle Style, int W, int H,
                                      double Angle) {
    if (FPending) FTurned.reset();
    TBitmap& Source = Built(Begin, End, Style);
    if (FTurned && FTurnedW == W && FTurnedH == H && FTurnedAngle == Angle) return *FTurned;
    FTurned = RotatedCopy(Source, W, H, Angle);
    FTurnedW = W;
    FTurnedH = H;
    FTurnedAngle = Angle;
    const TBitmap& Result = *FTurned;
    if (static_cast<long long>(Result.Width()) * Result.Height() > MaxKeptTurnedPixels) {
        // Handed out once, then dropped at the next request.
        FTurnedW = FTurnedH = -1;
    }
    return Result;
}

void TShapeGradient::Assign(const TShapeGradient& Source) {
    if (&Source == this) return;
    FPending = Source.FPending;
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
