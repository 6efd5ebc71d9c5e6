// The application's pictures, drawn in code: the banner at the top of both
// windows, the tool button glyphs and the OK and Cancel glyphs. Drawing them
// keeps the program free of image files and sharp at any pixel ratio.
#pragma once

#include "surface/draxa.h"

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace draxa {

// The banner: 287 x 47 pixels, the program's name and the given subtitle.
QPixmap BannerPicture(const QString& Subtitle);
// A 16 x 16 glyph showing what the tool draws or does.
QIcon ToolGlyph(TDrawTool Tool);
// A green tick and a red cross for the OK and Cancel buttons.
QIcon OkGlyph();
QIcon CancelGlyph();

} // namespace draxa
