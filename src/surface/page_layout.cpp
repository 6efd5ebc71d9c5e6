#include "surface/page_layout.h"

#include <algorithm>
#include <cmath>

namespace draxa {

namespace {

// The tile indices [First, Last] covering From..To along one axis. A shape
// ending a hair beyond a tile's edge through rounding takes no new sheet.
void TileRange(double From, double To, double Size, double& First, double& Last) {
    constexpr double Slack = 0.01; // millimetres
    First = std::floor((From + Slack) / Size);
    Last = std::max(First, std::ceil((To - Slack) / Size) - 1);
}

} // namespace

TPageLayout LayOutPages(const QSizeF& Paper, double Left, double Top, double Right, double Bottom,
                        const std::optional<QRectF>& Content, int MaxSheets) {
    TPageLayout L;
    L.Paper = Paper;
    // Border distances that leave no room are taken back to leave a tenth
    // of the sheet inside the frame.
    const auto Fit = [](double Size, double& A, double& B) {
        A = std::max(0.0, A);
        B = std::max(0.0, B);
        if (A + B > Size * 0.9) {
            const double K = Size * 0.9 / (A + B);
            A *= K;
            B *= K;
        }
    };
    Fit(Paper.width(), Left, Right);
    Fit(Paper.height(), Top, Bottom);
    L.Printable = QRectF(Left, Top, Paper.width() - Left - Right, Paper.height() - Top - Bottom);
    const double W = Paper.width(), H = Paper.height();
    if (!(W > 0) || !(H > 0)) return L;

    double C0 = 0, C1 = 0, R0 = 0, R1 = 0;
    const QRectF B = Content.value_or(QRectF());
    const bool Finite = std::isfinite(B.left() + B.right() + B.top() + B.bottom());
    if (Content && Finite) {
        TileRange(B.left(), B.right(), W, C0, C1);
        TileRange(B.top(), B.bottom(), H, R0, R1);
    }
    const double Sheets = (C1 - C0 + 1) * (R1 - R0 + 1);
    L.Needed = !Finite ? -1 : Sheets > 1e15 ? (long long)1e15 : (long long)Sheets;
    if (!Finite || Sheets > MaxSheets) return L;
    for (double R = R0; R <= R1; ++R)
        for (double C = C0; C <= C1; ++C) L.Tiles.emplace_back(C * W, R * H, W, H);
    return L;
}

} // namespace draxa
