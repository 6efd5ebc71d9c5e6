// TGraphicControl: the widget the drawing surface derives from.
//
// The control keeps a persistent screen image of its own size. Everything on
// screen is drawn into that image through Canvas(), at any moment: Paint()
// renders the invalid area into it, and the interaction code draws its XOR
// outlines straight onto it between paints. The widget's paintEvent only
// copies the image to the window, after running Paint() for whatever was
// invalidated since the last paint. So XOR feedback drawn on the image stays
// exactly where it was drawn until the next Paint() covers it.
//
// Qt's mouse events reach the virtual handlers MouseDown/MouseMove/MouseUp
// in client pixels, with the buttons and modifiers as a TShiftState; while a
// confinement rectangle is set, the positions the handlers see are clamped
// into it.
//
// No exception ever leaves the control into Qt's event loop: whatever a
// handler throws (mouse, paint, timer or any other event) is reported to the
// user through the dialog seam, the press in progress is cancelled, and the
// control goes on working. A press also ends, without its release, when the
// mouse is taken away from the control before the button comes up (a modal
// window or popup opens, the window is deactivated or hidden, the mouse
// grab is lost): Qt sends that release somewhere else or not at all.
//
// All coordinates here are client pixels of the control: (0, 0) is its
// top-left corner.
#pragma once

#include "draxa_export.h"
#include "foundation/canvas.h"
#include "foundation/geometry.h"
#include "foundation/graphics.h"
#include "foundation/input.h"

#include <QImage>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <exception>
#include <optional>

namespace draxa {

class DRAXA_EXPORT TGraphicControl : public QWidget {
    Q_OBJECT

public:
    explicit TGraphicControl(QWidget* Parent = nullptr);
    ~TGraphicControl() override;

    // ---- screen image and painting ----

    // Draws on the screen image; usable at any moment, the constructor
    // included. Every drawing operation schedules the window update (the
    // control owns the canvas's OnChange for that: leave it alone).
    TCanvas& Canvas() { return FCanvas; }
    // The screen image (Format_RGB32, at least 1 x 1 pixel, the widget's size
    // otherwise, times PixelRatio() in each direction). Read it through this
    // reference; never copy it by value while the canvas may be drawing on it.
    const QImage& ScreenImage() const { return FImage; }
    // Image pixels per client pixel in each direction: the widget's device
    // pixel ratio, rounded up to a whole number. The screen image is re-made
    // (and painted anew) when the window moves to a screen with another one;
    // client coordinates never change with it.
    int PixelRatio() const { return int(FImage.devicePixelRatio()); }

    // Marks the whole client area invalid; Paint() runs for it at the next paint.
    void Invalidate();
    // Marks R (client pixels, clipped to the client area) invalid.
    void InvalidateRect(const TRect& R);
    // True while some area waits for Paint().
    bool HasInvalidArea() const { return !FInvalid.isEmpty(); }
    // Grows with every call of Invalidate or InvalidateRect (even one that
    // marks nothing): what was worked out from the picture on the screen
    // holds while it stays the same.
    uint64_t InvalidationCount() const { return FInvalidations; }
    // Bounding rectangle of the invalid area ((0,0,0,0) when there is none).
    TRect InvalidRect() const;
    // Runs Paint() for the pending invalid area now, into the screen image,
    // without waiting for the event loop or needing a visible window; the
    // window copy follows at its next paint. False when nothing was painted
    // (nothing invalid, or a paint already in progress).
    bool RenderNow();
    // Invalidates the whole client area and paints it at once (RenderNow).
    void Repaint();
    // True while Paint() runs.
    bool Painting() const { return FPainting; }

    // ---- geometry and colour ----

    int Width() const { return width(); }
    int Height() const { return height(); }
    // Moves and sizes the control (Left/Top in the parent's pixels); the
    // screen image follows at once and Resize() fires when the size changed.
    void SetBounds(int Left, int Top, int Width, int Height);
    // (0, 0, Width, Height).
    TRect ClientRect() const;
    // Background colour: fills the parts of the screen image that appear
    // when the control grows.
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);

    // ---- mouse ----

    // Clamps every position the handlers see into R (client pixels; Right
    // and Bottom exclusive, so X lies in Left..Right-1) until ReleaseCursor.
    void ConfineCursor(const TRect& R);
    // Removes the confinement.
    void ReleaseCursor();
    // Ends the cursor confinement; a derived control adds what releasing the
    // mouse means to it.
    virtual void ReleaseMouse() { ReleaseCursor(); }
    // The current confinement rectangle, if any.
    const std::optional<TRect>& CursorConfinement() const { return FConfine; }
    // Last mouse position seen by the handlers (client pixels, clamped while
    // confined); (0, 0) before the first mouse event.
    TPoint CursorPos() const { return FCursorPos; }
    // True between MouseEnter and MouseLeave.
    bool MouseInControl() const { return FMouseInside; }
    // True while a mouse button pressed on the control is held (until its
    // release or CancelPress).
    bool PressInProgress() const { return FButtonsDown != Qt::NoButton; }
    // Ends the press in progress as if its button had come up, but without
    // what a release does: no MouseUp, no Click. PressCancelled() then drops
    // whatever the press had begun. The control calls it itself when the
    // mouse is taken away or a handler fails. Called while one of the
    // control's handlers runs, it takes effect when that handler returns.
    void CancelPress();

    // ---- cursor and hint ----

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    QString Hint() const { return FHint; }
    // Stores the hint; when it changes while the mouse is over the control
    // and hints are shown, it pops up at once at the mouse position.
    void SetHint(const QString& Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);

    // ---- events, fired by the base handlers below (Sender = this) ----

    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;

protected:
    // Renders the invalid area into the screen image through Canvas(), whose
    // ClipRect() is that area's bounding rectangle. Never re-entered.
    virtual void Paint() {}

    // Mouse handlers; X and Y are client pixels (clamped while confined).
    // The base versions fire the matching event; an override calls them
    // where the event belongs in its own processing.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    // A left press and release inside the control (not the second press of a
    // double click); fires before the MouseUp of that release.
    virtual void Click();
    // The second press of a left double click; fires before its MouseDown.
    virtual void DblClick();
    // The size changed; the screen image already has the new size.
    virtual void Resize();
    // A press was cancelled (CancelPress), or a handler failed: a derived
    // control drops its feedback and anything the press left half done.
    // Never called while one of the control's handlers is running. The base
    // version ends the confinement (ReleaseMouse).
    virtual void PressCancelled();

    // Every event passes here: it runs the handlers inside one guard that
    // catches and reports what they throw, and it ends a press when the
    // mouse is taken away.
    bool event(QEvent* Event) override;

    // Qt plumbing.
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;

private:
    // Brings the screen image to the widget's size and pixel ratio, keeping
    // the overlapping content when only the size changed; returns true when
    // the image was re-made (after firing Resize if the size changed).
    bool SyncImageSize();
    int WantedPixelRatio() const;
    // Runs Paint() for the invalid area; returns the rectangle painted.
    std::optional<QRect> PaintInvalidArea();
    // Stores the event's position (clamped) as the cursor position.
    TPoint TrackPosition(const QMouseEvent& Event);
    void PopUpHint();
    // True for an event that takes the mouse away from a press in progress.
    bool LosesThePress(const QEvent& Event) const;
    // A handler of event Type threw Error: cancel the press and tell the user.
    void HandlerFailed(int Type, const std::exception_ptr& Error);

    QImage FImage; // before FCanvas: the canvas draws on it from construction on
    TCanvas FCanvas;
    QRegion FInvalid;
    uint64_t FInvalidations = 0;
    bool FPainting = false;
    TColor FColor = clWhite;

    std::optional<TRect> FConfine;
    TPoint FCursorPos;
    bool FMouseInside = false;
    bool FLeftPressed = false;          // a single left press is waiting for its release (Click)
    Qt::MouseButtons FButtonsDown;      // buttons pressed on the control and not yet released
    Qt::MouseButtons FCancelledButtons; // held buttons whose press was cancelled
    int FHandlerDepth = 0;              // handlers of this control running (nested event loops count)
    bool FPressLost = false;            // the mouse went away while a handler ran: cancel when it returns
    bool FPaintFailurePending = false;  // a paint failed; its report waits for the event loop
    bool FPaintFailureShown = false;    // reported already; again only after a paint succeeds

    TCursor FCursor = crDefault;
    QString FHint;
    bool FShowHint = false;
};

} // namespace draxa
