// Surface painting: the invalid part of the control is rendered into an
// off-screen bitmap (background, picture, grid, shapes) and copied to the
// screen image in one step; the selection's hot points go on top.
#include "surface/draxa.h"

#include "foundation/bitmap.h"
#include "foundation/canvas.h"
#include "shapes/ellipse_group.h"
#include "shapes/link_line.h"
#include "shapes/rectangle.h"
#include "surface/interaction_p.h"

#include <QRectF>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace draxa {

void TMyDraxa::Paint() {
    if (FPaintBusy) return;
    // The busy flag falls again however the paint ends: a handler that
    // throws must not stop every later paint.
    FPaintBusy = true;
    struct TBusy {
        bool& Flag;
        ~TBusy() { Flag = false; }
    } Busy{FPaintBusy};
    const TRect R = Canvas().ClipRect();
    if (R.Right > R.Left && R.Bottom > R.Top) {
        RenderArea(R);
        Canvas().CopyRect(R, FOffscreen->Canvas(), R);
        DrawSelectionHotPoints(Canvas());
        // A paint of the whole control covers the mark of a hovered line end
        // or link point; forget it, so the next search does not "erase" a
        // mark that is no longer there.
        if (R.Left <= 0 && R.Top <= 0 && R.Right >= Width() && R.Bottom >= Height())
            SetHotLineEnd(nullptr, -1);
    }
    if (OnPaint) OnPaint(this);
}

void TMyDraxa::RenderToBitmap(const TRect& R, int Ratio) {
    // 32-bit pixels at the screen image's density: the copy to the screen
    // image is then a plain copy.
    FOffscreen->SetPixelFormat(TPixelFormat::pf32bit);
    FOffscreen->SetPixelRatio(Ratio > 0 ? Ratio : PixelRatio());
    FOffscreen->SetSize(R.Right - R.Left, R.Bottom - R.Top);
    if (FOffscreen->Empty()) return;
    DrawLayers(R, TPoint{0, 0});
}

void TMyDraxa::RenderArea(const TRect& R) {
    // The picture has the control's size and only R is drawn, clipped: Qt
    // cuts a thin line at the picture's edges and steps it on from where it
    // cut it, so a picture of R alone would step a slanted line crossing an
    // edge of R differently from a paint of the whole control.
    FOffscreen->SetPixelFormat(TPixelFormat::pf32bit);
    FOffscreen->SetPixelRatio(PixelRatio());
    FOffscreen->SetSize(Width(), Height());
    if (FOffscreen->Empty()) return;
    FOffscreen->Canvas().SetBaseClip(R);
    DrawLayers(R, TPoint{-R.Left, -R.Top});
}

void TMyDraxa::DrawLayers(const TRect& R, const TPoint& AreaOrigin) {
    TCanvas& C = FOffscreen->Canvas();
    // However the paint ends, the picture is left with no origin, clip or
    // smoothing of its own.
    struct TRestore {
        TCanvas& C;
        ~TRestore() {
            C.SetOrigin(TPoint{0, 0});
            C.SetAntialiased(false);
            C.SetBaseClip(std::nullopt);
        }
    } Restore{C};
    // Background and grid in the area's own coordinates.
    C.SetOrigin(AreaOrigin);
    FillBackground(*FOffscreen);
    DrawBackgroundBitmap(*FOffscreen, -R.Left, -R.Top, false);
    DrawGrid(*FOffscreen, R);
    // Shapes paint in control coordinates: the origin puts control pixel
    // (R.Left, R.Top) where the area's pixel (0, 0) is, so the shapes
    // themselves are never moved for a paint.
    C.SetOrigin(TPoint{AreaOrigin.X + R.Left, AreaOrigin.Y + R.Top});
    C.SetAntialiased(FAntialiased);
    DrawShapes(C, R);
}

void TMyDraxa::SetAntialiased(bool V) {
    if (V == FAntialiased) return;
    FAntialiased = V;
    Invalidate();
}

void TMyDraxa::FillBackground(TBitmap& Bitmap) {
    TCanvas& C = Bitmap.Canvas();
    C.Brush().SetStyle(TBrushStyle::bsSolid);
    C.Brush().SetColor(FColorOfBackGround);
    C.FillRect(TRect{0, 0, Width(), Height()});
}

void TMyDraxa::DrawBackgroundBitmap(TBitmap& Bitmap, int DX, int DY, bool UseBitmapSize) {
    if (FBkBitmap->Width() <= 0 || FBkBitmap->Height() < 1) return;
    TCanvas& C = Bitmap.Canvas();
    const int BW = FBkBitmap->Width(), BH = FBkBitmap->Height();
    const TRect Source{0, 0, BW, BH};
    switch (FBkBitmapMode) {
    case TBkBitmapMode::LeftTop:
        C.CopyRect(TRect{DX, DY, DX + BW, DY + BH}, FBkBitmap->Canvas(), Source);
        break;
    case TBkBitmapMode::Center: {
        const int OX = (Width() - BW) / 2, OY = (Height() - BH) / 2;
        C.CopyRect(TRect{OX + DX, OY + DY, OX + BW + DX, OY + BH + DY}, FBkBitmap->Canvas(), Source);
        break;
    }
    case TBkBitmapMode::Stretch:
        C.StretchDraw(TRect{DX, DY, Width() + DX, Height() + DY}, *FBkBitmap);
        break;
    case TBkBitmapMode::Tiled: {
        const int W = UseBitmapSize ? Bitmap.Width() : Width();
        const int H = UseBitmapSize ? Bitmap.Height() : Height();
        for (int Col = 0; Col <= W / BW; ++Col)
            for (int Row = 0; Row <= H / BH; ++Row)
                C.CopyRect(TRect{Col * BW + DX, Row * BH + DY, (Col + 1) * BW + DX, (Row + 1) * BH + DY},
                           FBkBitmap->Canvas(), Source);
        break;
    }
    }
}

void TMyDraxa::DrawGrid(TBitmap& Bitmap, const TRect& R) {
    const TGridObject& G = FGridOperation;
    if (G.GridType == TGridType::gNone) return;
    const double F = G.GridInZoom ? FZoom : 1.0;
    const double SY = G.GridHeight * F, SX = G.GridWidth * F;
    // A spacing that is not positive (or absurdly small) would never end the loops.
    if (!(SX >= 1) || !(SY >= 1) || !std::isfinite(SX) || !std::isfinite(SY)) return;
    const double OX = R.Left - SX * RoundHalfEven(R.Left / SX);
    const double OY = R.Top - SY * RoundHalfEven(R.Top / SY);
    if (!G.GridShow) return;
    TCanvas& C = Bitmap.Canvas();
    const int BW = R.Right - R.Left, BH = R.Bottom - R.Top;
    C.Pen().SetColor(G.GridColor);
    C.Pen().SetStyle(TPenStyle::psSolid);
    C.Pen().SetWidth(G.GridPenSize);
    C.Pen().SetMode(TPenMode::pmCopy);
    if (G.GridType == TGridType::gPixel) {
        C.Brush().SetStyle(TBrushStyle::bsSolid);
        C.Brush().SetColor(G.GridColor);
        const double S = G.GridPenSize;
        for (double X = -OX; X <= BW; X += SX)
            for (double Y = -OY; Y <= BH; Y += SY)
                C.Rectangle(RoundHalfEven(X - S), RoundHalfEven(Y - S), RoundHalfEven(X + S),
                            RoundHalfEven(Y + S));
        return;
    }
    for (double X = -OX; X <= BW; X += SX) {
        C.MoveTo(RoundHalfEven(X), 0);
        C.LineTo(RoundHalfEven(X), BH);
    }
    for (double Y = -OY; Y <= BH; Y += SY) {
        C.MoveTo(0, RoundHalfEven(Y));
        C.LineTo(BW, RoundHalfEven(Y));
    }
}

void TMyDraxa::DrawShapes(TCanvas& Canvas, const TRect& R) {
    // Which top-level shapes may touch R: every shape whose screen bounds,
    // grown by what it paints beyond its points (pen, arrow heads, hops,
    // marks), meet R, and every shape whose info text may reach into R. A
    // test on vertices alone would skip a line crossing a corner of R.
    TArrMyShape Chosen;
    ShapesPaintedIn(R, Chosen);

    // Members first, then the shape; an invisible shape hides its members.
    std::vector<TMyShape*> Path;
    std::function<void(TMyShape*)> PaintTree = [&](TMyShape* S) {
        if (!S || !S->Visible() || std::find(Path.begin(), Path.end(), S) != Path.end()) return;
        Path.push_back(S);
        for (int M : S->Members()) PaintTree(ShapeByIndex(M));
        Path.pop_back();
        S->Paint(Canvas);
    };
    // Connectors look at the others being painted for their crossings.
    FPaintList = Chosen;
    TMyLinkLine::StartPaintingList();
    for (TMyShape* S : Chosen) PaintTree(S);
    FPaintList.clear();

    if (!FHotShow || !FShowHotLink) return;
    Canvas.Pen().SetWidth(1);
    Canvas.Pen().SetStyle(TPenStyle::psSolid);
    Canvas.Pen().SetMode(TPenMode::pmCopy);
    Canvas.Pen().SetColor(0xFF0000);
    std::function<void(TMyShape*)> MarkTree = [&](TMyShape* S) {
        if (!S || std::find(Path.begin(), Path.end(), S) != Path.end()) return;
        for (int I = 0; I < S->LinkPointCount(); ++I) {
            const TMyPoint P = S->GetScreenLinkPoint(I);
            Canvas.MoveTo(RoundHalfEven(P.X - 2.5), RoundHalfEven(P.Y - 2.5));
            Canvas.LineTo(RoundHalfEven(P.X + 2.5), RoundHalfEven(P.Y + 2.5));
            Canvas.MoveTo(RoundHalfEven(P.X + 2.5), RoundHalfEven(P.Y - 2.5));
            Canvas.LineTo(RoundHalfEven(P.X - 2.5), RoundHalfEven(P.Y + 2.5));
        }
        Path.push_back(S);
        for (int M : S->Members()) MarkTree(ShapeByIndex(M));
        Path.pop_back();
    };
    for (TMyShape* S : Chosen) MarkTree(S);
}

void TMyDraxa::ShapesPaintedIn(const TRect& R, TArrMyShape& Shapes) {
    RefreshShapeIndex();
    FShapeIndex.Meeting(R, Shapes);
}

void TMyDraxa::RefreshShapeIndex() {
    TShapeIndex::TView View{FZoom, Width(), Height(), FArrowLength, FHotSize, 0};
    // The visible layers, as a digest: showing or hiding one files every shape anew.
    uint64_t Digest = 1469598103934665603ull;
    for (const LayerRec& L : FLayers)
        Digest = (Digest ^ (uint64_t(L.Id) << 1 | uint64_t(L.Visible))) * 1099511628211ull;
    View.Layers = Digest;
    const auto Describe = [this](TMyShape* S, TShapeIndex::TBoxes& B) {
        // Members paint and are hit through their group. Invisible shapes
        // stay filed: their link-point crosses are still drawn.
        B.Shown = !S->IsGrouped() && IsLayerVisible(S->LayerId());
        if (!B.Shown) return;
        QRectF Box;
        if (OutlinePaintBox(S, Box) || PointsPaintBox(S, Box))
            B.Points = {Box.left(), Box.top(), Box.right(), Box.bottom(), true};
        if (InfoPaintBox(S, Box)) B.Info = {Box.left(), Box.top(), Box.right(), Box.bottom(), true};
        const interaction::THitBox H = interaction::HitBoxOf(S);
        B.Hit = {H.Left, H.Top, H.Right, H.Bottom, H.Any};
    };
    FShapeIndex.Refresh(View, FShapes, Describe);
}

bool TMyDraxa::ShapeMayTouch(TMyShape* S, const TRect& R) const {
    const auto Meets = [&R](const QRectF& B) {
        return B.left() <= R.Right && B.right() >= R.Left && B.top() <= R.Bottom && B.bottom() >= R.Top;
    };
    QRectF Box;
    return (PointsPaintBox(S, Box) && Meets(Box)) || (InfoPaintBox(S, Box) && Meets(Box));
}

bool TMyDraxa::PointsPaintBox(TMyShape* S, QRectF& Box) const {
    if (S->PointCount() == 0) return false;
    // The same screen bounds as ShapesBounds gives for S alone, without
    // building a list for every shape on every paint.
    const TMyRect L = S->PointsBounds();
    const float Z = float(FZoom);
    const double Margin =
        std::max(1, S->Pen().Width()) * FZoom + FArrowLength * std::max(1.0, FZoom) + 2 * FHotSize + 8;
    const TMyRect Scaled{L.Left * Z, L.Top * Z, L.Right * Z, L.Bottom * Z};
    Box.setCoords(Scaled.Left - Margin, Scaled.Top - Margin, Scaled.Right + Margin, Scaled.Bottom + Margin);
    return true;
}

bool TMyDraxa::OutlinePaintBox(TMyShape* S, QRectF& Box) const {
    const std::type_info& Class = typeid(*S);
    const bool Ellipse = Class == typeid(TMyEllipse);
    if (!(Ellipse || Class == typeid(TMyRectangle)) || S->PointCount() < 4) return false;
    // The outline lies within the screen points (rounded to pixels); an
    // ellipse's within its half diagonal of its turning centre, wherever
    // that lies. A wide pen reaches half its width beyond, a mitred corner
    // its width; the link-point crosses 2.5 pixels around each link point.
    const TMyRect L = S->PointsBounds();
    const double Z = FZoom;
    double Left = L.Left * Z, Top = L.Top * Z, Right = L.Right * Z, Bottom = L.Bottom * Z;
    if (Ellipse) {
        const TMyPoint C = S->GetScreenRotateCenter();
        const double Reach = std::hypot(double(S->UnrotatedWidth()), double(S->UnrotatedHeight())) * Z / 2;
        Left = std::min(Left, C.X - Reach);
        Top = std::min(Top, C.Y - Reach);
        Right = std::max(Right, C.X + Reach);
        Bottom = std::max(Bottom, C.Y + Reach);
    }
    for (int I = 0; I < S->LinkPointCount(); ++I) {
        const TMyPoint P = S->GetScreenLinkPoint(I);
        Left = std::min(Left, double(P.X));
        Top = std::min(Top, double(P.Y));
        Right = std::max(Right, double(P.X));
        Bottom = std::max(Bottom, double(P.Y));
    }
    const double Margin = std::max(1, S->Pen().Width()) * std::max(1.0, Z) + 4;
    Box.setCoords(Left - Margin, Top - Margin, Right + Margin, Bottom + Margin);
    return true;
}

bool TMyDraxa::InfoPaintBox(TMyShape* S, QRectF& Box) const {
    if (S->Info().isEmpty() && S->MultiInfo().isEmpty()) return false;
    // Info texts are centred on their anchor; a generous box from the
    // font size and the longest line covers them without measuring.
    int Chars = S->Info().size();
    for (const QString& Line : S->MultiInfo()) Chars = std::max(Chars, int(Line.size()));
    const double Em = std::max(8, std::abs(S->Font().Size())) * FZoom * 2;
    const double HalfW = Chars * Em / 2 + Em, HalfH = (S->MultiInfo().size() + 1) * Em;
    const double X = S->InfoPos().X * FZoom, Y = S->InfoPos().Y * FZoom;
    Box.setCoords(X - HalfW, Y - HalfH, X + HalfW, Y + HalfH);
    return true;
}

void TMyDraxa::AddMoveDamage(const TArrMyShape& Shapes, QRegion& Area) {
    const auto Add = [this, &Area](TMyShape* S) {
        QRectF Box;
        for (int Which = 0; Which < 2; ++Which) {
            if (!(Which == 0 ? PointsPaintBox(S, Box) : InfoPaintBox(S, Box))) continue;
            const double L = Box.left(), T = Box.top(), R = Box.right(), B = Box.bottom();
            if (!std::isfinite(L + T + R + B)) {
                Area += QRect(0, 0, Width(), Height());
                continue;
            }
            // Whole pixels outward; boxes far off the control are cut to a
            // little beyond it, so the conversion cannot overflow.
            const auto Cut = [](double V) { return std::clamp(V, -1.0e6, 1.0e6); };
            const int IL = int(std::floor(Cut(L))) - 1, IT = int(std::floor(Cut(T))) - 1;
            const int IR = int(std::ceil(Cut(R))) + 1, IB = int(std::ceil(Cut(B))) + 1;
            if (IR > IL && IB > IT) Area += QRect(IL, IT, IR - IL, IB - IT);
        }
    };
    for (TMyShape* Moved : Shapes)
        ForEachDepthFirst(Moved, [this, &Add](TMyShape* S) {
            Add(S);
            for (const int Index : S->LinkLines())
                if (TMyShape* Line = ShapeByIndex(Index)) Add(Line);
        });
}

void TMyDraxa::DrawSelectionHotPoints(TCanvas& Canvas) {
    if (!FHotShow) return;
    if (FChildShape && FChildShape->Visible()) {
        FChildShape->DrawHotPoints(Canvas);
        return;
    }
    for (TMyShape* S : FSelected)
        if (S->Visible() && IsLayerVisible(S->LayerId())) S->DrawHotPoints(Canvas);
}

} // namespace draxa
