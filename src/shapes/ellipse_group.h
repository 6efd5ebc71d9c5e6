// Ellipses, groups and combined shapes: three boxes that take all of their
// geometry (creation by two corners, hot points, resizing, cursors, the hit
// test) from TMyRectangle and add no stored field of their own.
#pragma once

#include "draxa_export.h"
#include "shapes/rectangle.h"

namespace draxa {

// The ellipse inscribed in the box: its axes are the box's unrotated width
// and height, its centre is the box's centre, and it turns with Angle. The
// hit test stays the box's, so a click in a corner of the box outside the
// ellipse still hits it.
class DRAXA_EXPORT TMyEllipse : public TMyRectangle {
public:
    // Points on the outline: every 5 degrees, the last equal to the first.
    static constexpr int OutlinePointCount = 73;

    using TMyRectangle::TMyRectangle;
    QString ClassName() const override { return QStringLiteral("TMyEllipse"); }

    // The outline displaced by ToPt - FromPt (screen), drawn as one path and
    // stroked and filled with the canvas's current pen and brush.
    void DrawMoving(TCanvas& Canvas, const TPoint& FromPt, const TPoint& ToPt) override;
    // The ellipse inscribed in the box spanned by P1 and P2 (screen).
    void DrawCreating(TCanvas& Canvas, const TPoint& P1, const TPoint& P2) override;
    // The outline filled (gradient, then brush) and stroked, then the info texts.
    void Paint(TCanvas& Canvas) override;
    // "Area=" and Pi x (W / 2) x (H / 2) in the surface's unit and scale,
    // e.g. "Area=  3926.99pixel(s)2"; stored in Info and returned in Text.
    void UpdateMeasureInfo(QString& Text) override;
    // Pi x (W / 2) x (H / 2).
    std::optional<double> MeasuredArea() const override;

    // The outline in screen pixels around the screen rotate centre: point 0
    // lies at the end of the height axis towards growing y before turning,
    // point 18 at the end of the width axis towards growing x.
    TArrPoint ScreenOutline() const;

private:
    // The outline around the screen point Centre.
    TArrPoint OutlineAround(const TMyPoint& Centre) const;
};

// A group: the box around its members, which are separate shapes of the
// surface listed by index in FMembers (each naming the group in its
// FGroupIndex). It paints only its info texts; the members paint
// themselves, and the surface resizes and rotates them with the group.
class DRAXA_EXPORT TMyGroup : public TMyRectangle {
public:
    using TMyRectangle::TMyRectangle;
    QString ClassName() const override { return QStringLiteral("TMyGroup"); }

    // The info texts only.
    void Paint(TCanvas& Canvas) override;
    // The members measure themselves.
    std::optional<double> MeasuredArea() const override { return std::nullopt; }
};

// A group that connector lines route around and may attach to; it behaves
// as a group in every other way.
class DRAXA_EXPORT TMyCombine : public TMyGroup {
public:
    using TMyGroup::TMyGroup;
    QString ClassName() const override { return QStringLiteral("TMyCombine"); }
};

} // namespace draxa
