// The editing keys, on when the host sets KeyboardEditing: Delete and
// Backspace delete the selection, the arrows nudge it (a pixel, or a grid
// step with Shift), Escape abandons a shape being drawn, and the standard
// key sequences call the editing operations.
#include "surface/draxa.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace draxa {

void TMyDraxa::SetKeyboardEditing(bool V) {
    FKeyboardEditing = V;
    // The surface takes the focus when clicked, so that keys reach it.
    setFocusPolicy(V ? Qt::ClickFocus : Qt::NoFocus);
}

void TMyDraxa::keyPressEvent(QKeyEvent* Event) {
    if (!FKeyboardEditing) {
        TGraphicControl::keyPressEvent(Event);
        return;
    }
    const Qt::KeyboardModifiers Mods =
        Event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int Key = Event->key();
    if (Key == Qt::Key_Escape) {
        // A press under way is dropped as if the mouse had been taken away.
        if (PressInProgress()) CancelPress();
        AbandonNewShape();
        Event->accept();
        return;
    }
    // Nothing else while a press is under way: the shapes are held by it.
    if (FMouseDown) {
        Event->accept();
        return;
    }
    const double GX = FGridOperation.GridWidth * (FGridOperation.GridInZoom ? FZoom : 1.0);
    const double GY = FGridOperation.GridHeight * (FGridOperation.GridInZoom ? FZoom : 1.0);
    const int StepX = Mods == Qt::ShiftModifier ? std::max(1, RoundHalfEven(GX)) : 1;
    const int StepY = Mods == Qt::ShiftModifier ? std::max(1, RoundHalfEven(GY)) : 1;
    const bool Plain = Mods == Qt::NoModifier || Mods == Qt::ShiftModifier;

    if (Event->matches(QKeySequence::Undo))
        Undo();
    else if (Event->matches(QKeySequence::Redo))
        Redo();
    else if (Event->matches(QKeySequence::Copy))
        CopySelection();
    else if (Event->matches(QKeySequence::Cut))
        CutSelection();
    else if (Event->matches(QKeySequence::Paste))
        Paste();
    else if (Event->matches(QKeySequence::SelectAll))
        SelectAll();
    else if (Key == Qt::Key_D && Mods == Qt::ControlModifier)
        DuplicateSelection();
    else if (Key == Qt::Key_G && Mods == Qt::ControlModifier)
        GroupSelection();
    else if (Key == Qt::Key_G && Mods == (Qt::ControlModifier | Qt::ShiftModifier))
        UngroupSelection();
    else if ((Key == Qt::Key_Delete || Key == Qt::Key_Backspace) && Mods == Qt::NoModifier)
        DeleteSelection();
    else if (Key == Qt::Key_Left && Plain)
        NudgeSelection(-StepX, 0);
    else if (Key == Qt::Key_Right && Plain)
        NudgeSelection(StepX, 0);
    else if (Key == Qt::Key_Up && Plain)
        NudgeSelection(0, -StepY);
    else if (Key == Qt::Key_Down && Plain)
        NudgeSelection(0, StepY);
    else {
        TGraphicControl::keyPressEvent(Event);
        return;
    }
    Event->accept();
}

} // namespace draxa
