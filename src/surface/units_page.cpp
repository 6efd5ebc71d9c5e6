// Units, drawing scale, zoom and page: the page size at the current zoom is
// the size of the control.
#include "surface/draxa.h"

#include <QLabel>

#include <cmath>

namespace draxa {

namespace {

struct TPageSize {
    unsigned Width, Height; // millimetres, portrait
};

// Standard sizes by style; CustomerPage has none.
constexpr TPageSize kPageSizes[] = {
    {841, 1189}, {594, 841}, {420, 594}, {297, 420}, {210, 297},
    {148, 210},  {353, 500}, {257, 364}, {182, 257},
};

// Sets a flag for the lifetime of the guard and restores its old value.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& Flag) : FFlag(Flag), FOld(Flag) { FFlag = true; }
    ~TFlagGuard() { FFlag = FOld; }

private:
    bool& FFlag;
    bool FOld;
};

} // namespace

int TMyDraxa::PageMmToPixels(double Mm) const {
    return RoundHalfEven(Mm * FZoom * ScreenPixelsPerInch() / 25.4);
}

void TMyDraxa::SetControlSizeFromPage(bool SetWidth, bool SetHeight) {
    TFlagGuard Busy(FPaintBusy);
    const int W = SetWidth ? PageMmToPixels(FPageWidth) : Width();
    const int H = SetHeight ? PageMmToPixels(FPageHeight) : Height();
    SetBounds(x(), y(), W, H);
}

TPageStyle TMyDraxa::PageStyleOf(int Width, int Height) const {
    for (int I = 0; I < int(std::size(kPageSizes)); ++I) {
        const TPageSize& S = kPageSizes[I];
        const bool Match = FPageOrientation == TPrinterOrientation::poLandscape
                               ? int(S.Height) == Width && int(S.Width) == Height
                               : int(S.Width) == Width && int(S.Height) == Height;
        if (Match) return TPageStyle(I);
    }
    return TPageStyle::CustomerPage;
}

void TMyDraxa::SetPageStyle(TPageStyle V) {
    TFlagGuard Busy(FPaintBusy);
    FPageStyle = V;
    if (V != TPageStyle::CustomerPage) {
        FPageWidth = kPageSizes[int(V)].Width;
        FPageHeight = kPageSizes[int(V)].Height;
    }
    if (FPageOrientation == TPrinterOrientation::poLandscape) std::swap(FPageWidth, FPageHeight);
    if (V != TPageStyle::CustomerPage) SetControlSizeFromPage(true, true);
}

void TMyDraxa::SetPageWidth(unsigned V) {
    TFlagGuard Busy(FPaintBusy);
    FPageWidth = V;
    FPageStyle = PageStyleOf(int(FPageWidth), int(FPageHeight));
    if (FPageStyle != TPageStyle::CustomerPage) SetControlSizeFromPage(true, false);
}

void TMyDraxa::SetPageHeight(unsigned V) {
    TFlagGuard Busy(FPaintBusy);
    FPageHeight = V;
    FPageStyle = PageStyleOf(int(FPageWidth), int(FPageHeight));
    if (FPageStyle != TPageStyle::CustomerPage) SetControlSizeFromPage(false, true);
}

void TMyDraxa::SetPageOrientation(TPrinterOrientation V) {
    if (V == FPageOrientation) return;
    FPageOrientation = V;
    SetPageStyle(FPageStyle);
}

void TMyDraxa::SetZoom(double V) {
    // A zoom that is not a positive finite number would divide every
    // coordinate by zero or make the control absurdly large.
    if (!(V > 0) || !std::isfinite(V) || V == FZoom) return;
    TFlagGuard Busy(FPaintBusy);
    FPreviousZoom = FZoom;
    FZoom = V;
    SetControlSizeFromPage(false, true);
    SetControlSizeFromPage(true, false);
    emit zoomChanged(FZoom);
}

void TMyDraxa::PageFromControlSize() {
    const double D = ScreenPixelsPerInch();
    SetPageHeight(unsigned(std::max(0, RoundHalfEven(Height() * 25.4 / (D * FZoom)))));
    SetPageWidth(unsigned(std::max(0, RoundHalfEven(Width() * 25.4 / (D * FZoom)))));
    FPageStyle = PageStyleOf(int(FPageWidth), int(FPageHeight));
}

void TMyDraxa::Resize() {
    TGraphicControl::Resize();
    if (!FPaintBusy) PageFromControlSize();
}

void TMyDraxa::SetTheUNIT(TUnits V) {
    FTheUNIT = V;
    Invalidate();
}

void TMyDraxa::SetRatio(double V) {
    FRatio = V;
    Invalidate();
}

void TMyDraxa::ShowValueText(const QString& Text) {
    if (FLabelValue) FLabelValue->setText(Text);
}

} // namespace draxa
