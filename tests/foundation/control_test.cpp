#include "common/control_helpers.h"
#include "common/scripted_dialogs.h"
#include "foundation/control.h"
#include "foundation/dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QPixmap>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace draxa {
namespace {

using test::TMouseDriver;

QString ShiftText(TShiftState S) {
    QStringList Parts;
    const std::pair<TShiftState, const char*> Names[] = {
        {ssShift, "Shift"}, {ssAlt, "Alt"},       {ssCtrl, "Ctrl"},    {ssLeft, "Left"},
        {ssRight, "Right"}, {ssMiddle, "Middle"}, {ssDouble, "Double"}};
    for (const auto& [Member, Name] : Names)
        if (S.Contains(Member)) Parts << Name;
    return Parts.join('+');
}

// Logs compare as one line, so a failure prints readable text.
std::string Lines(const QStringList& Log) {
    return Log.join(" | ").toStdString();
}

const char* ButtonText(TMouseButton B) {
    return B == TMouseButton::mbLeft ? "L" : B == TMouseButton::mbRight ? "R" : "M";
}

// A control that records what reaches its virtual hooks.
class TProbeControl : public TGraphicControl {
public:
    QStringList Log;
    std::vector<TRect> PaintClips;
    std::function<void()> DuringPaint;
    // Runs inside the next MouseDown, after it is logged.
    std::function<void()> DuringDown;
    // The hook ("Paint", "Down", "Move") that throws, every time it runs.
    QString Throws;
    int Resizes = 0;

protected:
    void Paint() override {
        PaintClips.push_back(Canvas().ClipRect());
        if (DuringPaint) std::exchange(DuringPaint, nullptr)();
        ThrowIf("Paint");
    }
    void MouseDown(TMouseButton B, TShiftState S, int X, int Y) override {
        Log << QString("Down %1 %2 %3,%4").arg(ButtonText(B), ShiftText(S)).arg(X).arg(Y);
        if (DuringDown) std::exchange(DuringDown, nullptr)();
        ThrowIf("Down");
    }
    void MouseMove(TShiftState S, int X, int Y) override {
        Log << QString("Move %1 %2,%3").arg(ShiftText(S)).arg(X).arg(Y);
        ThrowIf("Move");
    }
    void PressCancelled() override {
        Log << "Cancelled";
        TGraphicControl::PressCancelled();
    }

private:
    void ThrowIf(const char* Hook) {
        if (Throws == QLatin1String(Hook)) throw std::runtime_error(std::string("broken ") + Hook);
    }

protected:
    void MouseUp(TMouseButton B, TShiftState S, int X, int Y) override {
        Log << QString("Up %1 %2 %3,%4").arg(ButtonText(B), ShiftText(S)).arg(X).arg(Y);
    }
    void MouseEnter() override { Log << "Enter"; }
    void MouseLeave() override { Log << "Leave"; }
    void Click() override { Log << "Click"; }
    void DblClick() override { Log << "DblClick"; }
    void Resize() override { ++Resizes; }
};

TEST(ControlPaint, PaintSeesTheInvalidAreaOnceAndIsNeverReentered) {
    TProbeControl C;
    C.SetBounds(0, 0, 100, 80);
    ASSERT_TRUE(C.RenderNow()); // a new control waits for its first full paint
    EXPECT_EQ(C.PaintClips.back(), Rect(0, 0, 100, 80));

    // Two invalidations before a paint make one paint over their bounding rectangle.
    C.InvalidateRect(Rect(10, 10, 20, 20));
    C.InvalidateRect(Rect(50, 40, 60, 45));
    C.InvalidateRect(Rect(-50, -50, -10, -10)); // outside the client: ignored
    EXPECT_EQ(C.InvalidRect(), Rect(10, 10, 60, 45));
    C.PaintClips.clear();
    EXPECT_TRUE(C.RenderNow());
    EXPECT_FALSE(C.RenderNow());
    ASSERT_EQ(C.PaintClips.size(), 1u);
    EXPECT_EQ(C.PaintClips[0], Rect(10, 10, 60, 45));
    EXPECT_EQ(C.Canvas().ClipRect(), Rect(0, 0, 100, 80)); // the base clip ends with the paint

    // A repaint asked for inside Paint() is not run inside it, but is not lost either.
    C.PaintClips.clear();
    C.DuringPaint = [&] { C.Repaint(); };
    C.InvalidateRect(Rect(0, 0, 5, 5));
    C.RenderNow();
    EXPECT_EQ(C.PaintClips.size(), 1u);
    EXPECT_TRUE(C.HasInvalidArea());
    C.RenderNow();
    ASSERT_EQ(C.PaintClips.size(), 2u);
    EXPECT_EQ(C.PaintClips[1], Rect(0, 0, 100, 80));
}

TEST(ControlPaint, DrawingIsClippedToTheInvalidAreaAndReachesTheWindow) {
    TProbeControl C;
    C.SetBounds(0, 0, 40, 30);
    C.RenderNow();
    C.InvalidateRect(Rect(10, 10, 20, 15));
    C.DuringPaint = [&] {
        C.Canvas().Brush().SetColor(clRed);
        C.Canvas().FillRect(Rect(0, 0, 40, 30));
    };
    // The window's paint event runs the pending Paint() before it copies the image.
    const QImage Window = C.grab().toImage();
    const int R = C.PixelRatio(); // the window's pixels are the image's
    EXPECT_EQ(C.PaintClips.size(), 2u);
    EXPECT_EQ(test::CountScreenPixels(C, C.ClientRect(), clRed), 10 * 5);
    EXPECT_TRUE(test::ScreenAreaIs(C, Rect(10, 10, 20, 15), clRed));
    EXPECT_EQ(FromQRgb(Window.pixel(10 * R, 10 * R)), clRed);
    EXPECT_EQ(FromQRgb(Window.pixel(9 * R + R - 1, 10 * R)), clWhite);

    // Drawing outside Paint() (XOR feedback) goes straight to the image and the window.
    C.Canvas().SetPixel(30, 25, clBlue);
    EXPECT_EQ(test::ScreenPixel(C, 30, 25), clBlue);
    EXPECT_EQ(FromQRgb(C.grab().toImage().pixel(30 * R, 25 * R)), clBlue);
}

TEST(ControlImage, ResizeKeepsTheOverlapAndInvalidatesOnlyTheNewArea) {
    TProbeControl C;
    C.SetColor(clYellow);
    C.SetBounds(0, 0, 40, 30);
    C.RenderNow();
    C.Canvas().Brush().SetColor(clRed);
    C.Canvas().FillRect(Rect(0, 0, 40, 30)); // leaves the canvas painting on the image
    const int ResizesBefore = C.Resizes;

    C.SetBounds(5, 5, 60, 20);
    EXPECT_EQ(C.Resizes, ResizesBefore + 1);
    EXPECT_EQ(C.ScreenImage().size(), QSize(60, 20) * C.PixelRatio());
    EXPECT_TRUE(test::ScreenAreaIs(C, Rect(0, 0, 40, 20), clRed));
    EXPECT_TRUE(test::ScreenAreaIs(C, Rect(40, 0, 60, 20), clYellow));
    EXPECT_EQ(C.InvalidRect(), Rect(40, 0, 60, 20));

    C.SetBounds(0, 0, 60, 20); // a move alone is no resize
    EXPECT_EQ(C.Resizes, ResizesBefore + 1);
    C.Canvas().SetPixel(59, 19, clBlue); // the canvas draws on the new buffer
    EXPECT_EQ(test::ScreenPixel(C, 59, 19), clBlue);

    // Qt's own resizing of a shown widget takes the same path.
    C.show();
    C.resize(70, 25);
    EXPECT_EQ(C.ScreenImage().size(), QSize(70, 25) * C.PixelRatio());
    EXPECT_EQ(test::ScreenPixel(C, 59, 19), clBlue);
}

TEST(ControlMouse, HandlersGetButtonShiftStateAndPosition) {
    TProbeControl C;
    C.SetBounds(0, 0, 100, 100);
    TMouseDriver Mouse(C);

    Mouse.Enter(1, 1);
    Mouse.SetModifiers(Qt::ShiftModifier);
    Mouse.Drag(Point(10, 20), Point(30, 40), 1);
    Mouse.SetModifiers(Qt::ControlModifier | Qt::AltModifier);
    Mouse.Click(5, 6, Qt::RightButton);
    Mouse.SetModifiers({});
    Mouse.DoubleClick(7, 8);
    Mouse.Press(1, 1);
    Mouse.Release(150, 1); // released outside: no click
    Mouse.Leave();

    const QStringList Expected = {
        "Enter",
        "Down L Shift+Left 10,20",
        "Move Shift+Left 30,40",
        "Click",
        "Up L Shift 30,40",
        "Down R Alt+Ctrl+Right 5,6",
        "Up R Alt+Ctrl 5,6",
        "Down L Left 7,8",
        "Click",
        "Up L  7,8",
        "DblClick",
        "Down L Left+Double 7,8",
        "Up L  7,8", // the second release of a double click is no click
        "Down L Left 1,1",
        "Up L  150,1",
        "Leave",
    };
    EXPECT_EQ(Lines(C.Log), Lines(Expected));
}

TEST(ControlMouse, ConfinementClampsPositionsUntilReleased) {
    TProbeControl C;
    C.SetBounds(0, 0, 100, 100);
    TMouseDriver Mouse(C);

    C.ConfineCursor(Rect(10, 10, 50, 40));
    Mouse.Move(5, 100);
    Mouse.Press(60, 20);
    EXPECT_EQ(C.CursorPos(), Point(49, 20));
    Mouse.Release(30, 30);
    C.ReleaseMouse();
    Mouse.Move(5, 100);
    EXPECT_EQ(C.CursorPos(), Point(5, 100));
    EXPECT_EQ(Lines(C.Log), "Move  10,39 | Down L Left 49,20 | Click | Up L  30,30 | Move  5,100");
}

TEST(ControlMouse, BaseHandlersFireTheEvents) {
    TGraphicControl C;
    C.SetBounds(0, 0, 50, 50);
    QStringList Log;
    C.OnMouseDown = [&](QObject* Sender, TMouseButton, TShiftState, int X, int Y) {
        EXPECT_EQ(Sender, &C);
        Log << QString("Down %1,%2").arg(X).arg(Y);
    };
    C.OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int, int) { Log << "Up"; };
    C.OnClick = [&](QObject*) { Log << "Click"; };
    C.OnMouseEnter = [&](QObject*) { Log << "Enter"; };
    TMouseDriver Mouse(C);
    Mouse.Enter(3, 4);
    Mouse.Click(3, 4);
    EXPECT_EQ(Lines(Log), "Enter | Down 3,4 | Click | Up");
}

TEST(ControlCursorAndHint, CursorMapsToQtShapesAndHintPopsUpOnlyWhileInside) {
    TGraphicControl C;
    C.SetBounds(0, 0, 50, 50);
    C.SetCursor(crSizeNWSE);
    EXPECT_EQ(C.cursor().shape(), Qt::SizeFDiagCursor);
    C.SetCursor(1); // a cursor no one registered shows the arrow but reads back as set
    EXPECT_EQ(C.Cursor(), 1);
    EXPECT_EQ(C.cursor().shape(), Qt::ArrowCursor);

    C.show();
    TMouseDriver Mouse(C);
    C.SetShowHint(true);
    C.SetHint("outside");
    EXPECT_FALSE(QToolTip::isVisible());
    Mouse.Enter(10, 10);
    C.SetHint("Shape1");
    EXPECT_EQ(QToolTip::text().toStdString(), "Shape1");
    EXPECT_EQ(C.toolTip().toStdString(), "Shape1");
    C.SetShowHint(false);
    EXPECT_TRUE(C.toolTip().isEmpty());
    QToolTip::hideText();
}

// ---- presses that end without their release, handlers that fail ------------

TEST(ControlMouse, APressEndsWhenTheMouseIsTakenAway) {
    struct TRow {
        const char* Name;
        std::function<QEvent*()> Event;
    } Rows[] = {
        {"the window is deactivated", [] { return new QEvent(QEvent::WindowDeactivate); }},
        {"another widget grabs the mouse", [] { return new QEvent(QEvent::UngrabMouse); }},
        {"the mouse leaves while held", [] { return new QEvent(QEvent::Leave); }},
        {"a popup takes the focus", [] { return new QFocusEvent(QEvent::FocusOut, Qt::PopupFocusReason); }},
    };
    for (const TRow& Row : Rows) {
        TProbeControl C;
        C.SetBounds(0, 0, 100, 100);
        TMouseDriver Mouse(C);
        Mouse.Press(10, 10);
        C.ConfineCursor(C.ClientRect());
        std::unique_ptr<QEvent> Event(Row.Event());
        QCoreApplication::sendEvent(&C, Event.get());
        EXPECT_FALSE(C.PressInProgress()) << Row.Name;
        EXPECT_FALSE(C.CursorConfinement()) << Row.Name;
        // The release, when it comes, belongs to no press: no Click, no Up.
        Mouse.Release(20, 20);
        Mouse.Click(30, 30);
        EXPECT_EQ(Lines(C.Log).substr(0, 29), "Down L Left 10,10 | Cancelled") << Row.Name;
        EXPECT_EQ(Lines(C.Log.mid(C.Log.size() - 3)), "Down L Left 30,30 | Click | Up L  30,30") << Row.Name;
    }

    // Without a press nothing is cancelled; inside a handler (a modal window
    // it opened) the press ends once the handler has returned.
    TProbeControl C;
    C.SetBounds(0, 0, 100, 100);
    TMouseDriver Mouse(C);
    Mouse.Leave();
    C.DuringDown = [&] {
        QEvent Deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(&C, &Deactivate);
        C.Log << "handler done";
    };
    Mouse.Press(5, 5);
    EXPECT_EQ(Lines(C.Log), "Leave | Down L Left 5,5 | handler done | Cancelled");
}

TEST(ControlFailures, WhatAHandlerThrowsIsReportedAndThePressEnds) {
    test::TScriptedDialogs Script;
    TScopedDialogs Use(Script);
    TProbeControl C;
    C.SetBounds(0, 0, 100, 100);
    TMouseDriver Mouse(C);

    C.Throws = "Down";
    C.ConfineCursor(Rect(0, 0, 50, 50));
    Mouse.Press(10, 10);
    EXPECT_FALSE(C.PressInProgress());
    EXPECT_FALSE(C.CursorConfinement());
    C.Throws = "Move";
    Mouse.Move(20, 20);
    Mouse.Release(20, 20);
    EXPECT_EQ(Lines(C.Log), "Down L Left 10,10 | Cancelled | Move Left 20,20 | Cancelled");
    EXPECT_EQ(Lines(Script.Messages), "Handling the mouse press on the drawing failed: broken Down | "
                                      "Handling the mouse move on the drawing failed: broken Move");

    // A paint that fails is told after the paint (never from inside it),
    // once while it keeps failing, and again after one has succeeded.
    Script.Messages.clear();
    C.Throws = "Paint";
    for (int Paint = 0; Paint < 3; ++Paint) {
        C.Invalidate();
        C.grab();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(Lines(Script.Messages), "Painting the drawing failed: broken Paint");
    C.Throws.clear();
    C.Invalidate();
    C.grab();
    C.Throws = "Paint";
    C.Invalidate();
    C.grab();
    QCoreApplication::processEvents();
    EXPECT_EQ(Script.Messages.size(), 2);
    EXPECT_FALSE(C.Painting());
}

// ---- the dialog seam ---------------------------------------------------------

TEST(DialogsSeam, ScriptedDialogsRecordCallsAndAnswerFromTheirQueues) {
    test::TScriptedDialogs Script;
    TScopedDialogs Use(Script);
    Script.FileNames = {QString("/data/a.tdraxa"), std::nullopt};
    Script.MessageResults = {mrYes};
    Script.QueueModal([](QDialog& D) {
        D.setObjectName("filled");
        return mrOk;
    });

    Dialogs().ShowMessage("Save success!");
    QString Name = "start";
    EXPECT_TRUE(Dialogs().PromptForFileName(Name, "Drawings (*.tdraxa)", "tdraxa", "", "/data"));
    EXPECT_EQ(Name.toStdString(), "/data/a.tdraxa");
    EXPECT_FALSE(Dialogs().PromptForFileName(Name, "", "", "", "")); // cancelled
    EXPECT_FALSE(Dialogs().PromptForPicture(Name, "/pics"));         // nothing queued
    EXPECT_EQ(Name.toStdString(), "/data/a.tdraxa");
    EXPECT_EQ(Dialogs().MessageDlg("Delete?", TMsgDlgType::mtConfirmation, mbYes | mbNo), mrYes);
    EXPECT_EQ(Dialogs().MessageDlg("Again?", TMsgDlgType::mtConfirmation, mbYes | mbNo), mrNo);
    QDialog Dialog;
    EXPECT_EQ(Dialogs().ExecuteModal(Dialog), mrOk);
    EXPECT_EQ(Dialog.objectName().toStdString(), "filled");
    EXPECT_EQ(Dialogs().ExecuteModal(Dialog), mrCancel);
    Dialogs().Terminate();

    EXPECT_EQ(Lines(Script.Messages), "Save success! | Delete? | Again?");
    EXPECT_EQ(Lines(Script.Calls), "ShowMessage | PromptForFileName | PromptForFileName | PromptForPicture | "
                                   "MessageDlg | MessageDlg | ExecuteModal | ExecuteModal | Terminate");
    EXPECT_EQ(Script.LastPictureDir.toStdString(), "/pics");
    EXPECT_EQ(Script.TerminateCount, 1);
}

TEST(DialogsSeam, ScopedReplacementRestoresThePreviousOne) {
    TDialogs* Real = &Dialogs();
    EXPECT_NE(dynamic_cast<TQtDialogs*>(Real), nullptr);
    test::TScriptedDialogs Outer, Inner;
    {
        TScopedDialogs UseOuter(Outer);
        {
            TScopedDialogs UseInner(Inner);
            EXPECT_EQ(&Dialogs(), &Inner);
        }
        EXPECT_EQ(&Dialogs(), &Outer);
    }
    EXPECT_EQ(&Dialogs(), Real);
}

TEST(DialogsSeam, DismissingABoxAnswersItsSafestButton) {
    struct TRow {
        const char* Name;
        TMsgDlgButtons Buttons;
        TModalResult Expected;
    } Rows[] = {
        {"cancel wins", mbYes | mbNo | mbCancel, mrCancel},
        {"then no", mbYes | mbNo, mrNo},
        {"then ok", mbOK | mbYes, mrOk},
        {"else the first offered", mbAbort | mbRetry | mbIgnore, mrAbort},
        {"no buttons", TMsgDlgButtons(), mrNone},
    };
    for (const TRow& Row : Rows) EXPECT_EQ(DismissResult(Row.Buttons), Row.Expected) << Row.Name;
    EXPECT_EQ(ModalResultOf(mbYes | mbNo), mrNone);
}

TEST(DialogsSeam, FailuresAreToldInWordsAndNeverStack) {
    test::TScriptedDialogs Script;
    TScopedDialogs Use(Script);
    struct TRow {
        std::function<void()> Throw;
        const char* Told;
    } Rows[] = {
        {[] { throw std::runtime_error("the file is locked"); }, "Saving failed: the file is locked"},
        {[] { throw std::bad_alloc(); }, "Saving failed: there is not enough memory"},
        {[] { throw 42; }, "Saving failed: an unexpected error occurred"},
    };
    for (const TRow& Row : Rows) {
        Script.Messages.clear();
        EXPECT_FALSE(RunGuarded("Saving", Row.Throw));
        EXPECT_EQ(Lines(Script.Messages), Row.Told);
    }
    EXPECT_TRUE(RunGuarded("Saving", [] {}));

    // A failure while one is being told (the box's own event loop) is dropped.
    struct TNested : test::TScriptedDialogs {
        void ShowMessage(const QString& Text) override {
            test::TScriptedDialogs::ShowMessage(Text);
            RunGuarded("Painting", [] { throw std::runtime_error("again"); });
        }
    } Nested;
    TScopedDialogs UseNested(Nested);
    RunGuarded("Saving", [] { throw std::runtime_error("first"); });
    EXPECT_EQ(Lines(Nested.Messages), "Saving failed: first");
}

TEST(DialogsSeam, RealModalRunReportsTheDialogsResult) {
    TQtDialogs Real;
    struct TRow {
        std::function<void(QDialog&)> Close;
        TModalResult Expected;
    } Rows[] = {
        {[](QDialog& D) { D.accept(); }, mrOk},
        {[](QDialog& D) { D.reject(); }, mrCancel},
        {[](QDialog& D) { D.done(mrNo); }, mrNo},
    };
    for (const TRow& Row : Rows) {
        QDialog Dialog;
        QTimer::singleShot(0, &Dialog, [&] { Row.Close(Dialog); });
        EXPECT_EQ(Real.ExecuteModal(Dialog), Row.Expected);
    }
}

} // namespace
} // namespace draxa
