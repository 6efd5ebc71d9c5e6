// TMyImage: the picture, its properties and transparency rules, painting,
// copying and the image's tail of the shape record; and the surface operation
// that hands an image its picture.
//
// The tail, after the common record, as written:
//   Int64 S, then S bytes: the picture as a BMP file image (S = 0: none)
//   Int32 Brightness, Int32 Contrast                     } from "KW.9" on
//   Byte Transparent, Byte Border, Byte GrayScale        }
//   Int32 stored TransparentColor (clDefault: automatic) } from "KW.i" on
//   Int32 TransparentMode (its low byte is the ordinal)  }
//
// Reading choices, as for the common record:
// - A picture size that is negative or larger than the rest of the stream
//   fails the record (EReadError) before anything is allocated: the reader
//   could not know where the record goes on.
// - A picture that is not a readable BMP is dropped (the image shows its
//   placeholder) and reading goes on after its bytes, which the size tells.
// - A transparent mode outside tmAuto..tmFixed fails the record (EReadError):
//   it means the reader has lost its place or the document is damaged.
// - Brightness and contrast are taken as stored, without the setters' range
//   check, so that a document shows what it showed where it was made.
// The tail is read whole before any of it is applied.
#include "shapes/image.h"

#include "foundation/bitmap_effects.h"
#include "foundation/bmp_codec.h"
#include "foundation/canvas.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/shape_host.h"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>

namespace draxa {

namespace {

// Which tail fields a record holds, by the format version of its document.
struct TImageTailLayout {
    bool HasEffects;      // brightness, contrast, transparent, border, grey scale
    bool HasTransparency; // stored transparent colour and mode
};

TImageTailLayout TailLayoutOf(const TReadContext& Context) {
    return {Context.AtLeast(TFormatVersion::KW9), Context.AtLeast(TFormatVersion::KWi)};
}

constexpr int TransparentModeCount = int(TTransparentMode::tmFixed) + 1;

bool InEffectRange(int V) {
    return V >= -TMyImage::ImageEffectLimit && V <= TMyImage::ImageEffectLimit;
}

} // namespace

TMyImage::TMyImage(TShapeHost* AHost) : TMyRectangle(AHost) {}

TMyImage::~TMyImage() = default;

// ---- properties ----------------------------------------------------------------

void TMyImage::SetBitmap(const TBitmap& Value) {
    if (Value.Empty()) {
        // No picture to size the box by: the box stays as drawn.
        FBitmap.Assign(TBitmap());
        InvalidateSurface();
        return;
    }
    // A picture the document format cannot hold would make every later save
    // of the drawing fail, so it is refused here, where the caller can react.
    const int64_t W = Value.Width(), H = Value.Height();
    if (W > BmpMaxSide || H > BmpMaxSide || W * H > BmpMaxPixels)
        throw EInvalidGraphic("Picture of " + std::to_string(W) + " x " + std::to_string(H) +
                              " pixels is too large for a drawing");
    // Everything that can fail happens on a copy, so a failure leaves the
    // image as it was. Qt reports a failed allocation as a null image.
    TBitmap Copy;
    Copy.Assign(Value);
    Copy.SetPixelFormat(TPixelFormat::pf24bit);
    if (Copy.Empty() || Copy.Image().format() != QImage::Format_BGR888) throw std::bad_alloc();
    FBitmap.SetImage(Copy.Image()); // shares the copy's pixels, no second copy
    FBitmap.SetTransparent(Value.Transparent());
    FBitmap.SetTransparentColor(
        Value.TransparentMode() == TTransparentMode::tmFixed ? Value.TransparentColor() : clDefault);

    if (PointCount() >= 4) {
        // One screen pixel of the picture per screen pixel of the box at the
        // current zoom. The box is laid out upright from point 0 whatever the
        // angle: the picture has just arrived and defines the box afresh.
        const double Z = Zoom();
        const TMyPoint P0 = Points()[0];
        const float X1 = float(P0.X + FBitmap.Width() / Z);
        const float Y1 = float(P0.Y + FBitmap.Height() / Z);
        MutablePoints()[1] = MyPoint(X1, P0.Y);
        MutablePoints()[2] = MyPoint(X1, Y1);
        MutablePoints()[3] = MyPoint(P0.X, Y1);
        FRotateCenter = GetCorner(4);
    }
    InvalidateSurface();
}

void TMyImage::SetBorder(bool V) {
    if (V == FBorder) return;
    FBorder = V;
    InvalidateSurface();
}

void TMyImage::SetBrightness(int V) {
    if (!InEffectRange(V) || V == FBrightness) return;
    FBrightness = V;
    InvalidateSurface();
}

void TMyImage::SetContrast(int V) {
    if (!InEffectRange(V) || V == FContrast) return;
    FContrast = V;
    InvalidateSurface();
}

void TMyImage::SetGrayScale(bool V) {
    if (V == FGrayScale) return;
    FGrayScale = V;
    InvalidateSurface();
}

void TMyImage::SetTransparent(bool V) {
    if (V == FTransparent) return;
    FTransparent = V;
    InvalidateSurface();
}

TColor TMyImage::TransparentColor() const {
    if (FTransparentColor != clDefault) return ColorToRGB(FTransparentColor);
    if (FBitmap.Empty()) return clDefault;
    return FromQRgb(FBitmap.Image().pixel(0, FBitmap.Height() - 1));
}

void TMyImage::SetTransparentColor(TColor V) {
    if (V == FTransparentColor) return;
    FTransparentMode = V == clDefault ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
    FTransparentColor = V;
    InvalidateSurface();
}

void TMyImage::SetTransparentMode(TTransparentMode V) {
    if (V == FTransparentMode) return;
    // Both fields are set here rather than through SetTransparentColor: a
    // document may hold tmFixed with an automatic colour, and switching that
    // to tmAuto must still change the mode.
    FTransparentColor = V == TTransparentMode::tmFixed ? TransparentColor() : clDefault;
    FTransparentMode = V;
    InvalidateSurface();
}

// ---- copying ---------------------------------------------------------------------

void TMyImage::CopyImageFrom(const TMyShape& Source) {
    // Only an image proper: a class derived from it may give its fields other meanings.
    const auto* Image = dynamic_cast<const TMyImage*>(&Source);
    if (!Image || Image == this || Source.ClassName() != QLatin1String("TMyImage")) return;
    FBitmap.Assign(Image->FBitmap);
    FTransparent = Image->FTransparent;
    FBorder = Image->FBorder;
    FBrightness = Image->FBrightness;
    FContrast = Image->FContrast;
    FGrayScale = Image->FGrayScale;
    FTransparentColor = Image->FTransparentColor;
    FTransparentMode = Image->FTransparentMode;
}

void TMyImage::Assign(const TMyShape& Source) {
    TMyRectangle::Assign(Source);
    CopyImageFrom(Source);
}

void TMyImage::AssignGeometry(const TMyShape& Source) {
    TMyRectangle::AssignGeometry(Source);
    CopyImageFrom(Source);
}

// ---- painting ----------------------------------------------------------------------

void TMyImage::PaintPicture(TCanvas& Canvas, const TArrPoint& Corners) {
    TBitmap Work;
    Work.Assign(FBitmap);
    GrayBitmap(Work, FGrayScale);
    ContrastBitmap(Work, FContrast);
    BrightenBitmap(Work, FBrightness);
    MirrorBitmap(Work, FIsFlipHorz, FIsFlipVert);
    // The image's own transparency settings decide, not the picture's; the
    // colour goes first because storing it also sets the picture's mode.
    Work.SetTransparentColor(FTransparentColor);
    Work.SetTransparentMode(FTransparentMode);
    Work.SetTransparent(FTransparent);

    // Stretched to the box in its own frame and turned with it; the turned
    // copy covers the box's bounds, and the clip hides its white corners.
    const double Z = Zoom();
    const std::unique_ptr<TBitmap> Turned =
        RotatedCopy(Work, RoundHalfEven(Z * UnrotatedWidth()), RoundHalfEven(Z * UnrotatedHeight()), -FAngle);
    const TMyPoint TopLeft = GetCorner(0);
    const TRegion Box = CreatePolygonRgn(Corners, WINDING);
    Canvas.SelectClipRgn(&Box);
    Canvas.Draw(RoundHalfEven(TopLeft.X * Z), RoundHalfEven(TopLeft.Y * Z), *Turned);
    Canvas.SelectClipRgn(nullptr);
}

void TMyImage::Paint(TCanvas& Canvas) {
    if (PointCount() >= 4) {
        TArrPoint K;
        K.reserve(4);
        for (int I = 0; I < 4; ++I) K.push_back(RoundMyPoint(GetScreenPoint(I)));
        ApplyPenBrush(Canvas);
        if (FBitmap.Empty()) {
            // Placeholder: a thin grey crossed box, solid whatever the
            // shape's pen, so an image waiting for its picture is always seen.
            TPen& Pen = Canvas.Pen();
            Pen.SetColor(clGray);
            Pen.SetWidth(1);
            Pen.SetStyle(TPenStyle::psSolid);
            Canvas.MoveTo(K[0].X, K[0].Y);
            for (int I : {1, 2, 3, 0}) Canvas.LineTo(K[size_t(I)].X, K[size_t(I)].Y);
            Canvas.MoveTo(K[0].X, K[0].Y);
            Canvas.LineTo(K[2].X, K[2].Y);
            Canvas.MoveTo(K[1].X, K[1].Y);
            Canvas.LineTo(K[3].X, K[3].Y);
        } else {
            PaintPicture(Canvas, K);
            // The box's fill and frame over the picture (a clear brush keeps
            // the picture visible). The info texts follow once, below.
            if (FBorder) PaintBox(Canvas);
        }
    }
    DrawInfo(Canvas);
}

// ---- stream ---------------------------------------------------------------------------

void TMyImage::SaveToStream(TStream& Stream, const TWriteContext& Context) {
    TMyRectangle::SaveToStream(Stream, Context);
    WritePictureBlock(Stream, &FBitmap);
    WriteInt32(Stream, FBrightness);
    WriteInt32(Stream, FContrast);
    WriteBoolean(Stream, FTransparent);
    WriteBoolean(Stream, FBorder);
    WriteBoolean(Stream, FGrayScale);
    WriteInt32(Stream, static_cast<int32_t>(FTransparentColor));
    WriteInt32(Stream, static_cast<int32_t>(FTransparentMode));
}

void TMyImage::LoadFromStream(TStream& Stream, const TReadContext& Context) {
    TMyRectangle::LoadFromStream(Stream, Context);
    const TImageTailLayout L = TailLayoutOf(Context);

    const std::unique_ptr<TBitmap> Picture = ReadPictureBlock(Stream);
    struct TEffects {
        int32_t Brightness, Contrast;
        bool Transparent, Border, GrayScale;
    };
    std::optional<TEffects> Effects;
    if (L.HasEffects) {
        TEffects E{};
        E.Brightness = ReadInt32(Stream);
        E.Contrast = ReadInt32(Stream);
        E.Transparent = ReadBoolean(Stream);
        E.Border = ReadBoolean(Stream);
        E.GrayScale = ReadBoolean(Stream);
        Effects = E;
    }
    std::optional<std::pair<TColor, TTransparentMode>> Transparency;
    if (L.HasTransparency) {
        const auto Color = static_cast<TColor>(ReadInt32(Stream));
        const auto Mode = static_cast<uint8_t>(ReadInt32(Stream) & 0xFF);
        if (Mode >= TransparentModeCount)
            throw EReadError("Stream read error: transparent mode " + std::to_string(Mode) +
                             " is out of range 0.." + std::to_string(TransparentModeCount - 1));
        Transparency.emplace(Color, static_cast<TTransparentMode>(Mode));
    }

    // A record without a picture (or with an unreadable one) leaves the image without one.
    if (Picture)
        FBitmap.Assign(*Picture);
    else
        FBitmap.Assign(TBitmap());
    if (Effects) {
        FBrightness = Effects->Brightness;
        FContrast = Effects->Contrast;
        FTransparent = Effects->Transparent;
        FBorder = Effects->Border;
        FGrayScale = Effects->GrayScale;
    }
    if (Transparency) {
        FTransparentColor = Transparency->first;
        FTransparentMode = Transparency->second;
    }
}

} // namespace draxa
