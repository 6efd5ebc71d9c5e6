// Where a drawing goes on paper. The page prints as it shows: a point of the
// drawing lands on the sheet where it lies on the page, and a drawing
// reaching beyond the sheet is cut into sheet-sized tiles, one per sheet.
// The border distances place the frame, and the head and foot beside it.
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
// distances. At most MaxSheets tiles are made.
TPageLayout LayOutPages(const QSizeF& Paper, double Left, double Top, double Right, double Bottom,
                        const std::optional<QRectF>& Content, int MaxSheets);

} // namespace draxa
