#include "foundation/control.h"

#include "foundation/dialogs.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace draxa {

namespace {

// The image never goes below one pixel, so the canvas always has a device
// it can begin painting on, even for a control sized to nothing. It holds
// Ratio x Ratio image pixels for every pixel of the control.
QImage MakeScreenImage(const QSize& WidgetSize, int Ratio, TColor Color) {
    QImage Image(std::max(1, WidgetSize.width()) * Ratio, std::max(1, WidgetSize.height()) * Ratio,
                 QImage::Format_RGB32);
    Image.setDevicePixelRatio(Ratio);
    Image.fill(ToQColor(Color));
    return Image;
}

QRect ToQRect(const TRect& R) {
    return QRect(QPoint(R.Left, R.Top), QPoint(R.Right - 1, R.Bottom - 1));
}

TRect ToTRect(const QRect& R) {
    return TRect{R.left(), R.top(), R.right() + 1, R.bottom() + 1};
}

std::optional<TMouseButton> ButtonOf(Qt::MouseButton Button) {
    switch (Button) {
    case Qt::LeftButton:
        return TMouseButton::mbLeft;
    case Qt::RightButton:
        return TMouseButton::mbRight;
    case Qt::MiddleButton:
        return TMouseButton::mbMiddle;
    default:
        return std::nullopt; // extra buttons have no place in the handlers
    }
}

TShiftState ShiftOf(const QMouseEvent& Event) {
    TShiftState S;
    const Qt::KeyboardModifiers Mods = Event.modifiers();
    if (Mods & Qt::ShiftModifier) S |= ssShift;
    if (Mods & Qt::AltModifier) S |= ssAlt;
    if (Mods & Qt::ControlModifier) S |= ssCtrl;
    const Qt::MouseButtons Buttons = Event.buttons();
    if (Buttons & Qt::LeftButton) S |= ssLeft;
    if (Buttons & Qt::RightButton) S |= ssRight;
    if (Buttons & Qt::MiddleButton) S |= ssMiddle;
    return S;
}

// What the user reads when a handler for an event of that type failed.
QString DoingText(int Type) {
    switch (Type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return QCoreApplication::translate("TGraphicControl", "Handling the mouse press on the drawing");
    case QEvent::MouseMove:
        return QCoreApplication::translate("TGraphicControl", "Handling the mouse move on the drawing");
    case QEvent::MouseButtonRelease:
        return QCoreApplication::translate("TGraphicControl", "Handling the mouse release on the drawing");
    case QEvent::Paint:
        return QCoreApplication::translate("TGraphicControl", "Painting the drawing");
    case QEvent::Timer:
        return QCoreApplication::translate("TGraphicControl", "A timed update of the drawing");
    default:
        return QCoreApplication::translate("TGraphicControl", "Handling an event of the drawing");
    }
}

// Restores the painting flag and the canvas's base clip however Paint() ends.
class TPaintScope {
public:
    TPaintScope(bool& Flag, TCanvas& Canvas, const TRect& Clip) : FFlag(Flag), FCanvas(Canvas) {
        FFlag = true;
        FCanvas.SetBaseClip(Clip);
    }
    ~TPaintScope() {
        FCanvas.SetBaseClip(std::nullopt);
        FFlag = false;
    }
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;

private:
    bool& FFlag;
    TCanvas& FCanvas;
};

} // namespace

TGraphicControl::TGraphicControl(QWidget* Parent)
    : QWidget(Parent), FImage(MakeScreenImage(size(), WantedPixelRatio(), clWhite)), FCanvas(&FImage) {
    // (FColor is initialised after the image: the image starts white, its default.)
    // Drawing on the canvas outside Paint() (XOR feedback) must reach the
    // window; inside Paint() the paint in progress copies the result anyway.
    FCanvas.OnChange = [this] {
        if (!FPainting) update();
    };
    // paintEvent covers every pixel it is asked for from the screen image.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves without a held button matter too (hover feedback, cursors).
    setMouseTracking(true);
    // Like a freshly shown window, everything waits for its first Paint().
    FInvalid = QRegion(rect());
}

TGraphicControl::~TGraphicControl() {
    FCanvas.OnChange = nullptr;
    FCanvas.SetDevice(nullptr);
}

// ---- screen image and painting ----------------------------------------------

void TGraphicControl::Invalidate() {
    InvalidateRect(ClientRect());
}

void TGraphicControl::InvalidateRect(const TRect& R) {
    ++FInvalidations;
    if (IsRectEmpty(R)) return;
    const QRect Area = ToQRect(R) & rect();
    if (Area.isEmpty()) return;
    FInvalid += Area;
    update(Area);
}

TRect TGraphicControl::InvalidRect() const {
    if (FInvalid.isEmpty()) return TRect{};
    return ToTRect(FInvalid.boundingRect());
}

std::optional<QRect> TGraphicControl::PaintInvalidArea() {
    if (FPainting) return std::nullopt;
    SyncImageSize();
    const QRect Area = FInvalid.boundingRect() & rect();
    // The area counts as painted from here on, so whatever Paint() itself
    // invalidates waits for the next paint instead of being lost.
    FInvalid = QRegion();
    if (Area.isEmpty()) return std::nullopt;
    TPaintScope Scope(FPainting, FCanvas, ToTRect(Area));
    Paint();
    return Area;
}

bool TGraphicControl::RenderNow() {
    const std::optional<QRect> Painted = PaintInvalidArea();
    if (!Painted) return false;
    update(*Painted);
    return true;
}

void TGraphicControl::Repaint() {
    Invalidate();
    RenderNow();
}

void TGraphicControl::paintEvent(QPaintEvent* Event) {
    std::exception_ptr Failure;
    try {
        if (const std::optional<QRect> Painted = PaintInvalidArea()) {
            // Paint() renders the bounding rectangle of the invalid area, which
            // may reach beyond what this event may draw: copy that part later.
            const QRegion Rest = QRegion(*Painted) - Event->region();
            if (!Rest.isEmpty()) update(Rest);
            FPaintFailureShown = false;
        }
    } catch (...) {
        // The window still gets the image, with whatever the failed paint drew.
        Failure = std::current_exception();
    }
    {
        // Reading the image is safe while the canvas's raster painter is active
        // on it; only a copy that detaches it is not, and drawImage takes a
        // reference.
        QPainter Window(this);
        const QRect Area = Event->rect();
        const int Ratio = PixelRatio();
        Window.drawImage(
            QRectF(Area), FImage,
            QRectF(Area.x() * Ratio, Area.y() * Ratio, Area.width() * Ratio, Area.height() * Ratio));
    }
    if (Failure) std::rethrow_exception(Failure);
}

int TGraphicControl::WantedPixelRatio() const {
    // A fractional ratio (1.25, 1.5) gets the next whole one: the canvas then
    // keeps whole image pixels per pixel, and the window scales the image down.
    return std::max(1, int(std::ceil(devicePixelRatioF() - 0.01)));
}

bool TGraphicControl::SyncImageSize() {
    const int Ratio = WantedPixelRatio();
    const QSize OldSize = FImage.deviceIndependentSize().toSize();
    const QSize WantedSize(std::max(1, width()), std::max(1, height()));
    const bool RatioChanged = Ratio != PixelRatio();
    if (OldSize == WantedSize && !RatioChanged) return false;
    // The canvas's painter holds the old pixel buffer: end it before the swap.
    FCanvas.Release();
    QImage Next = MakeScreenImage(size(), Ratio, FColor);
    if (RatioChanged) {
        // Another screen: nothing of the old image fits, all of it is painted anew.
        FInvalid = QRegion(rect());
    } else {
        const int CopyRows = std::min(FImage.height(), Next.height());
        const size_t CopyBytes = size_t(std::min(FImage.width(), Next.width())) * 4;
        for (int Y = 0; Y < CopyRows; ++Y) std::memcpy(Next.scanLine(Y), FImage.constScanLine(Y), CopyBytes);
        // What was kept stays valid; the uncovered part needs Paint().
        const QRegion Uncovered = QRegion(rect()) - QRegion(0, 0, OldSize.width(), OldSize.height());
        FInvalid = (FInvalid + Uncovered) & rect();
    }
    FImage.swap(Next);
    update();
    if (OldSize != WantedSize) Resize();
    return true;
}

void TGraphicControl::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    SyncImageSize();
}

// ---- geometry and colour -----------------------------------------------------

void TGraphicControl::SetBounds(int Left, int Top, int Width, int Height) {
    setGeometry(Left, Top, std::max(0, Width), std::max(0, Height));
    // A hidden widget only gets its resize event when shown; the image and
    // Resize() must not wait for that.
    SyncImageSize();
}

TRect TGraphicControl::ClientRect() const {
    return TRect{0, 0, width(), height()};
}

void TGraphicControl::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    Invalidate();
}

// ---- mouse -------------------------------------------------------------------

void TGraphicControl::CancelPress() {
    // Inside a handler (a modal window it opened runs its own event loop)
    // the press ends once that handler has returned.
    if (FHandlerDepth > 0) {
        FPressLost = true;
        return;
    }
    FPressLost = false;
    // The buttons' releases, when they come, belong to no press any more:
    // they are dropped, so no handler sees a release without its press.
    FCancelledButtons |= FButtonsDown;
    FButtonsDown = Qt::NoButton;
    FLeftPressed = false;
    PressCancelled();
}

void TGraphicControl::PressCancelled() {
    ReleaseMouse();
}

bool TGraphicControl::LosesThePress(const QEvent& Event) const {
    switch (Event.type()) {
    case QEvent::UngrabMouse:      // someone else grabbed the mouse
    case QEvent::WindowDeactivate: // a modal window or another window took over
    case QEvent::Hide:
        return true;
    case QEvent::Leave:
        // While a button is held Qt keeps the mouse on the control and holds
        // Leave back until the release; one that comes now means the mouse
        // went elsewhere (a modal window opened).
        return true;
    case QEvent::FocusOut: {
        const Qt::FocusReason Reason = static_cast<const QFocusEvent&>(Event).reason();
        return Reason == Qt::PopupFocusReason || Reason == Qt::ActiveWindowFocusReason;
    }
    case QEvent::EnabledChange:
        return !isEnabled();
    default:
        return false;
    }
}

bool TGraphicControl::event(QEvent* Event) {
    if (PressInProgress() && LosesThePress(*Event)) CancelPress();
    // The window went to a screen of another pixel density: the image follows.
    if (Event->type() == QEvent::ScreenChangeInternal) SyncImageSize();
    const int Type = Event->type();
    bool Handled = true;
    std::exception_ptr Failure;
    ++FHandlerDepth;
    try {
        Handled = QWidget::event(Event);
    } catch (...) {
        Failure = std::current_exception();
    }
    --FHandlerDepth;
    if (Failure) {
        HandlerFailed(Type, Failure);
        return true;
    }
    if (FPressLost && FHandlerDepth == 0) CancelPress();
    return Handled;
}

void TGraphicControl::HandlerFailed(int Type, const std::exception_ptr& Error) {
    if (Type == QEvent::Paint) {
        // Not from inside a paint, where a message box would run an event
        // loop half-way through painting the window; and a paint that fails
        // every time is told once, until one succeeds again.
        if (FPaintFailurePending || FPaintFailureShown) return;
        FPaintFailurePending = true;
        QMetaObject::invokeMethod(
            this,
            [this, Error] {
                FPaintFailurePending = false;
                FPaintFailureShown = true;
                CancelPress();
                ReportFailure(DoingText(QEvent::Paint), Error);
            },
            Qt::QueuedConnection);
        return;
    }
    // Whatever the handler was doing is abandoned: the press ends, the
    // confinement goes, and the control is ready for the next one.
    CancelPress();
    ReportFailure(DoingText(Type), Error);
}

void TGraphicControl::ConfineCursor(const TRect& R) {
    FConfine = R;
}

void TGraphicControl::ReleaseCursor() {
    FConfine.reset();
}

TPoint TGraphicControl::TrackPosition(const QMouseEvent& Event) {
    const QPoint Raw = Event.position().toPoint();
    TPoint P{Raw.x(), Raw.y()};
    if (FConfine) {
        // Right and Bottom lie just outside; an empty rectangle pins to its top-left.
        P.X = std::max(FConfine->Left, std::min(P.X, FConfine->Right - 1));
        P.Y = std::max(FConfine->Top, std::min(P.Y, FConfine->Bottom - 1));
    }
    FCursorPos = P;
    return P;
}

void TGraphicControl::mousePressEvent(QMouseEvent* Event) {
    const std::optional<TMouseButton> Button = ButtonOf(Event->button());
    if (!Button) {
        Event->ignore();
        return;
    }
    const TPoint P = TrackPosition(*Event);
    FButtonsDown |= Event->button();
    FCancelledButtons &= ~Qt::MouseButtons(Event->button());
    if (*Button == TMouseButton::mbLeft) FLeftPressed = true;
    MouseDown(*Button, ShiftOf(*Event), P.X, P.Y);
}

void TGraphicControl::mouseDoubleClickEvent(QMouseEvent* Event) {
    const std::optional<TMouseButton> Button = ButtonOf(Event->button());
    if (!Button) {
        Event->ignore();
        return;
    }
    const TPoint P = TrackPosition(*Event);
    FButtonsDown |= Event->button();
    FCancelledButtons &= ~Qt::MouseButtons(Event->button());
    if (*Button == TMouseButton::mbLeft) {
        // The release of a double click's second press is no click of its own.
        FLeftPressed = false;
        DblClick();
    }
    MouseDown(*Button, ShiftOf(*Event) | ssDouble, P.X, P.Y);
}

void TGraphicControl::mouseMoveEvent(QMouseEvent* Event) {
    const TPoint P = TrackPosition(*Event);
    MouseMove(ShiftOf(*Event), P.X, P.Y);
}

void TGraphicControl::mouseReleaseEvent(QMouseEvent* Event) {
    const std::optional<TMouseButton> Button = ButtonOf(Event->button());
    if (!Button) {
        Event->ignore();
        return;
    }
    if (FCancelledButtons & Event->button()) {
        FCancelledButtons &= ~Qt::MouseButtons(Event->button());
        return;
    }
    const bool Inside = rect().contains(Event->position().toPoint());
    const TPoint P = TrackPosition(*Event);
    FButtonsDown &= ~Qt::MouseButtons(Event->button());
    if (*Button == TMouseButton::mbLeft && FLeftPressed) {
        FLeftPressed = false;
        if (Inside) Click();
    }
    MouseUp(*Button, ShiftOf(*Event), P.X, P.Y);
}

void TGraphicControl::enterEvent(QEnterEvent* Event) {
    FMouseInside = true;
    const QPoint Raw = Event->position().toPoint();
    FCursorPos = TPoint{Raw.x(), Raw.y()};
    MouseEnter();
}

void TGraphicControl::leaveEvent(QEvent* /*Event*/) {
    FMouseInside = false;
    MouseLeave();
}

void TGraphicControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TGraphicControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TGraphicControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TGraphicControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}

void TGraphicControl::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}

void TGraphicControl::Click() {
    if (OnClick) OnClick(this);
}

void TGraphicControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TGraphicControl::Resize() {
    if (OnResize) OnResize(this);
}

// ---- cursor and hint -----------------------------------------------------------

void TGraphicControl::SetCursor(TCursor Value) {
    FCursor = Value;
    if (Value == crDefault)
        unsetCursor(); // the parent's cursor shows, as the default cursor should
    else
        setCursor(CursorShapeOf(Value));
}

void TGraphicControl::SetHint(const QString& Value) {
    if (Value == FHint) return;
    FHint = Value;
    if (FShowHint) setToolTip(FHint);
    PopUpHint();
}

void TGraphicControl::SetShowHint(bool Value) {
    if (Value == FShowHint) return;
    FShowHint = Value;
    // The tool tip gives the usual hover hint; PopUpHint shows a change at once.
    setToolTip(FShowHint ? FHint : QString());
    if (!FShowHint && FMouseInside) QToolTip::hideText();
}

void TGraphicControl::PopUpHint() {
    if (!FShowHint || !FMouseInside) return;
    if (FHint.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(mapToGlobal(QPoint(FCursorPos.X, FCursorPos.Y)), FHint, this);
}

} // namespace draxa
