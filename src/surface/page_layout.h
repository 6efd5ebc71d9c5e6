// Where a drawing goes on paper: the area inside the border distances, and
// the tiles a drawing larger than that area is cut into, one per sheet.
// Everything is in millimetres of paper, which are millimetres of the page
// the drawing was made on: printing never scales.
#pragma once

#include <QRectF>
#include <QSizeF>

#include <optional>
#include <vector>

namespace draxa {

struct TPageLayout {
    QSizeF Paper;     // the sheet
    QRectF Printable; // inside the border distances
    // Drawing areas (page millimetres) of the sheets, in printing order: rows
    // from the top, each from the left.
    std::vector<QRectF> Tiles;
    // Sheets the drawing would need when more than the limit allowed: no
    // tiles are made then.
    long long Needed = 0;
};

// Lays a drawing whose shapes cover Content (page millimetres; nothing for
// an empty drawing) out on Paper with the given border
// distances. Tiles follow the printable area's size from the page's own
// origin, so a drawing on its first page stays where it was drawn relative
// to the border; at most MaxSheets are made.
TPageLayout LayOutPages(const QSizeF& Paper, double Left, double Top, double Right, double Bottom,
                        const std::optional<QRectF>& Content, int MaxSheets);

} // namespace draxa
