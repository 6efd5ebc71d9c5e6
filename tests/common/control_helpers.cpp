#include "common/control_helpers.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>

namespace draxa::test {

void TMouseDriver::Send(QEvent::Type Type, int X, int Y, Qt::MouseButton Button) {
    const QPointF Local(X, Y);
    const QPointF Global = FTarget.mapToGlobal(Local);
    QMouseEvent Event(Type, Local, Global, Button, FHeld, FModifiers);
    QApplication::sendEvent(&FTarget, &Event);
}

void TMouseDriver::Enter(int X, int Y) {
    const QPointF Local(X, Y);
    QEnterEvent Event(Local, Local, FTarget.mapToGlobal(Local));
    QApplication::sendEvent(&FTarget, &Event);
}

void TMouseDriver::Leave() {
    QEvent Event(QEvent::Leave);
    QApplication::sendEvent(&FTarget, &Event);
}

void TMouseDriver::Press(int X, int Y, Qt::MouseButton Button) {
    FHeld |= Button; // a press event lists its own button among the held ones
    Send(QEvent::MouseButtonPress, X, Y, Button);
}

void TMouseDriver::Move(int X, int Y) {
    Send(QEvent::MouseMove, X, Y, Qt::NoButton);
}

void TMouseDriver::Release(int X, int Y, Qt::MouseButton Button) {
    FHeld &= ~Qt::MouseButtons(Button); // ... and a release no longer does
    Send(QEvent::MouseButtonRelease, X, Y, Button);
}

void TMouseDriver::Click(int X, int Y, Qt::MouseButton Button) {
    Press(X, Y, Button);
    Release(X, Y, Button);
}

void TMouseDriver::DoubleClick(int X, int Y, Qt::MouseButton Button) {
    Click(X, Y, Button);
    FHeld |= Button;
    Send(QEvent::MouseButtonDblClick, X, Y, Button);
    Release(X, Y, Button);
}

void TMouseDriver::Drag(TPoint From, TPoint To, int Steps, Qt::MouseButton Button) {
    Press(From.X, From.Y, Button);
    Steps = std::max(1, Steps);
    for (int I = 1; I <= Steps; ++I)
        Move(From.X + (To.X - From.X) * I / Steps, From.Y + (To.Y - From.Y) * I / Steps);
    Release(To.X, To.Y, Button);
}

TColor ScreenPixel(const TGraphicControl& Control, int X, int Y) {
    const QImage& Image = Control.ScreenImage();
    const int Ratio = Control.PixelRatio();
    if (X < 0 || Y < 0 || !Image.valid(X * Ratio, Y * Ratio)) return clNone;
    const QRgb First = Image.pixel(X * Ratio, Y * Ratio);
    for (int DY = 0; DY < Ratio; ++DY)
        for (int DX = 0; DX < Ratio; ++DX)
            if (Image.pixel(X * Ratio + DX, Y * Ratio + DY) != First) return clNone;
    return FromQRgb(First);
}

int CountScreenPixels(const TGraphicControl& Control, const TRect& R, TColor Color) {
    const TRect Client = Control.ClientRect();
    const int Left = std::max(0, R.Left), Top = std::max(0, R.Top);
    const int Right = std::min(Client.Right, R.Right), Bottom = std::min(Client.Bottom, R.Bottom);
    int Count = 0;
    for (int Y = Top; Y < Bottom; ++Y)
        for (int X = Left; X < Right; ++X)
            if (ScreenPixel(Control, X, Y) == Color) ++Count;
    return Count;
}

int GreyPixels(const QImage& Image) {
    int N = 0;
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X) {
            const int G = qGray(Image.pixel(X, Y));
            N += G > 20 && G < 235;
        }
    return N;
}

bool ScreenAreaIs(const TGraphicControl& Control, const TRect& R, TColor Color) {
    const TRect Client = Control.ClientRect();
    const int Width = std::min(Client.Right, R.Right) - std::max(0, R.Left);
    const int Height = std::min(Client.Bottom, R.Bottom) - std::max(0, R.Top);
    return Width > 0 && Height > 0 && CountScreenPixels(Control, R, Color) == Width * Height;
}

} // namespace draxa::test
