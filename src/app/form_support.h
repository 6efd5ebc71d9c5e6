// What the two windows of the application share: their fixed look, the
// settings of their drawing surfaces, and showing a record's drawing.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QPixmap>
#include <QRect>
#include <QSettings>
#include <QString>

class QFrame;
class QLineEdit;
class QWidget;

namespace draxa {

class TMyDraxa;
struct TDrawingRecord;

// A window of fixed client size Width x Height with a title bar, a system
// menu, a close box and a minimise box (no resizing, no maximise), in an
// 8-point font.
void MakeFixedWindow(QWidget& Window, int Width, int Height);
// A window the user can resize and maximise, in the same 8-point font.
void MakeSizableWindow(QWidget& Window);
// The program's settings (remembered window places), per user, in a file
// named after the program.
QSettings AppSettings();
// Moves a top-level window to the middle of the screen it is on.
void CentreOnScreen(QWidget& Window);
// A panel with a lowered two-pixel bevel, at Geometry in Parent's pixels.
QFrame* NewLoweredPanel(QWidget* Parent, const QRect& Geometry);
// An edit that only shows a value, in the window's face colour.
void MakeDisplayOnly(QLineEdit& Edit);

// The surface settings both windows start with: page 100 x 64 mm, grid,
// arrows, colours, selecting tool and the rest.
void ApplyFormSurfaceSettings(TMyDraxa& Surface);

// LastUpdate as the windows show it; empty for no time.
QString LastUpdateText(const QDateTime& When);

// Shows the record's drawing on Surface: an empty "Draw" blob shows an empty
// drawing. A blob that cannot be read as a drawing leaves Surface empty,
// tells the user which record it was and returns false; the record itself
// is not touched.
bool ShowRecordDrawing(TMyDraxa& Surface, const TDrawingRecord& Record);

// A picture of the drawing Draw, Width x Height: its page without the grid,
// scaled down and framed in the middle. Painter draws it (it is never
// shown); a drawing that cannot be read gives a transparent picture.
QPixmap DrawingThumbnail(TMyDraxa& Painter, const QByteArray& Draw, int Width, int Height);

} // namespace draxa
