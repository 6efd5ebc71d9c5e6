// Driving a control the way a user does, and reading what it shows.
//
// TMouseDriver sends real QMouseEvents (and enter/leave events) to a widget,
// through Qt's event dispatch, so the control's own event handlers run
// exactly as they do for a user; the widget need not be shown. It keeps the
// held buttons between calls, so a move after Press carries the button like
// a drag does.
//
// The pixel probes read a control's screen image in client pixels.
#pragma once

#include "foundation/control.h"
#include "foundation/geometry.h"
#include "foundation/graphics.h"

#include <QEvent>
#include <QImage>
#include <QPoint>
#include <Qt>

class QWidget;

namespace draxa::test {

class TMouseDriver {
public:
    explicit TMouseDriver(QWidget& Target) : FTarget(Target) {}

    // Modifiers held for every following event until changed.
    void SetModifiers(Qt::KeyboardModifiers Modifiers) { FModifiers = Modifiers; }

    void Enter(int X, int Y);
    void Leave();
    void Press(int X, int Y, Qt::MouseButton Button = Qt::LeftButton);
    // A move with whatever buttons are held.
    void Move(int X, int Y);
    void Release(int X, int Y, Qt::MouseButton Button = Qt::LeftButton);
    // Press and release at one point.
    void Click(int X, int Y, Qt::MouseButton Button = Qt::LeftButton);
    // What a double click delivers: press, release, double-click press, release.
    void DoubleClick(int X, int Y, Qt::MouseButton Button = Qt::LeftButton);
    // Press at From, Steps moves evenly along the way (the last one at To), release at To.
    void Drag(TPoint From, TPoint To, int Steps = 4, Qt::MouseButton Button = Qt::LeftButton);

    Qt::MouseButtons HeldButtons() const { return FHeld; }

private:
    void Send(QEvent::Type Type, int X, int Y, Qt::MouseButton Button);

    QWidget& FTarget;
    Qt::MouseButtons FHeld;
    Qt::KeyboardModifiers FModifiers;
};

// Colour of the control's pixel (X, Y) on its screen image; clNone outside
// the image, and clNone too on an image of several device pixels to a pixel
// when they do not all have one colour.
TColor ScreenPixel(const TGraphicControl& Control, int X, int Y);
// Number of the control's pixels of colour Color within R (clipped to the image).
int CountScreenPixels(const TGraphicControl& Control, const TRect& R, TColor Color);
// Pixels of Image that are neither near white nor near black: the edge
// pixels of smooth drawing in black on white.
int GreyPixels(const QImage& Image);
// True when R (clipped to the image) holds at least one pixel and all of them have colour Color.
bool ScreenAreaIs(const TGraphicControl& Control, const TRect& R, TColor Color);

} // namespace draxa::test
