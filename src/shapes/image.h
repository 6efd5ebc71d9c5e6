// TMyImage: a box that shows a picture.
//
// The box is a rectangle (drawn with the image tool); the host then hands it
// a picture and the box takes the picture's size. At paint time a working
// copy of the picture passes through the effects (grey scale, contrast,
// brightness, mirroring by the flip flags), is stretched to the box in its
// own frame, turned by the shape's angle and clipped to the box; the stored
// picture itself is never changed by painting.
//
// Transparency is kept on the image, not on its picture: TransparentColor
// stores clDefault for "automatic" (the picture's bottom-left pixel) or a
// fixed colour, and TransparentMode follows it.
#pragma once

#include "draxa_export.h"
#include "foundation/bitmap.h"
#include "shapes/rectangle.h"

namespace draxa {

class DRAXA_EXPORT TMyImage : public TMyRectangle {
public:
    // Brightness and Contrast accept -ImageEffectLimit..ImageEffectLimit.
    static constexpr int ImageEffectLimit = 255;

    // A rectangle with an empty picture, no border, no effects, opaque, automatic transparent colour.
    explicit TMyImage(TShapeHost* AHost);
    ~TMyImage() override;
    QString ClassName() const override { return QStringLiteral("TMyImage"); }
    // A picture is counted, not measured.
    std::optional<double> MeasuredArea() const override { return std::nullopt; }

    // The inherited copy, then (from another TMyImage only) the picture and
    // every image property, the stored transparent colour included.
    void Assign(const TMyShape& Source) override;
    // As Assign without the identity; the picture is part of what is copied.
    void AssignGeometry(const TMyShape& Source) override;
    // The picture (or a grey crossed box without one), the border box when
    // Border is set, then the info texts.
    void Paint(TCanvas& Canvas) override;
    // The common record, then the image's tail; older format tags hold fewer
    // tail fields. A picture size the stream cannot hold or a transparent
    // mode out of range throws EReadError; a picture that is not a readable
    // BMP is dropped and reading goes on after its bytes.
    using TMyShape::LoadFromStream;
    using TMyShape::SaveToStream;
    void LoadFromStream(TStream& Stream, const TReadContext& Context) override;
    void SaveToStream(TStream& Stream, const TWriteContext& Context) override;

    // ---- published properties ----

    TBitmap& Bitmap() { return FBitmap; }
    const TBitmap& Bitmap() const { return FBitmap; }
    // Takes a 24-bit copy of Value (Value itself is not changed) and makes the
    // box axis-parallel at the picture's size from point 0: width and height
    // are the picture's pixels divided by Zoom, logical. The angle is not
    // taken into account. An empty Value removes the picture and keeps the
    // box; with fewer than four points only the picture is taken. A picture
    // beyond the limits of the stored BMP (BmpMaxSide, BmpMaxPixels) throws
    // EInvalidGraphic, a failed allocation std::bad_alloc; the image is then
    // unchanged.
    void SetBitmap(const TBitmap& Value);
    // Frame and fill the box with the shape's pen and brush over the picture.
    bool Border() const { return FBorder; }
    void SetBorder(bool V);
    // Added to every channel at paint time; values outside the limits are ignored.
    int Brightness() const { return FBrightness; }
    void SetBrightness(int V);
    // Channels pushed away from (positive) or towards (negative) middle grey
    // at paint time; values outside the limits are ignored.
    int Contrast() const { return FContrast; }
    void SetContrast(int V);
    bool GrayScale() const { return FGrayScale; }
    void SetGrayScale(bool V);
    // Pixels of the transparent colour are left out when painting.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool V);
    // The colour left out: the stored colour as plain RGB when one is fixed,
    // else the picture's bottom-left pixel (clDefault while there is no picture).
    TColor TransparentColor() const;
    // Stores V; a colour other than clDefault makes the mode tmFixed,
    // clDefault makes it tmAuto. Nothing happens when V is already stored.
    void SetTransparentColor(TColor V);
    // The value as stored and streamed: clDefault while automatic.
    TColor StoredTransparentColor() const { return FTransparentColor; }
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    // tmFixed fixes the colour TransparentColor reads now; tmAuto stores
    // clDefault. Nothing happens when the mode is unchanged.
    void SetTransparentMode(TTransparentMode V);

private:
    // The image part of Assign and AssignGeometry.
    void CopyImageFrom(const TMyShape& Source);
    // The picture after the effects, turned and drawn into the box.
    void PaintPicture(TCanvas& Canvas, const TArrPoint& Corners);

    TBitmap FBitmap;
    bool FBorder = false;
    int FBrightness = 0;
    int FContrast = 0;
    bool FGrayScale = false;
    bool FTransparent = false;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = TTransparentMode::tmAuto;
};

} // namespace draxa
