// The input vocabulary of the controls: mouse buttons, the shift state that
// travels with every mouse event, and cursor identifiers.
#pragma once

#include "draxa_export.h"

#include <Qt>

#include <cstdint>
#include <functional>

class QObject;

namespace draxa {

// The mouse button that a press or a release concerns.
enum class TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// The keys and buttons held during a mouse event, plus ssDouble for the
// second press of a double click. A small value type: combine with |, test
// with Contains.
class DRAXA_EXPORT TShiftState {
public:
    constexpr TShiftState() = default;
    constexpr explicit TShiftState(uint8_t Bits) : FBits(Bits) {}

    // True when every member of S is in this state (an empty S is always contained).
    constexpr bool Contains(TShiftState S) const { return (FBits & S.FBits) == S.FBits; }
    // True when this state and S have a member in common.
    constexpr bool Intersects(TShiftState S) const { return (FBits & S.FBits) != 0; }
    constexpr bool IsEmpty() const { return FBits == 0; }
    // This state without the members of S.
    constexpr TShiftState Without(TShiftState S) const { return TShiftState(uint8_t(FBits & ~S.FBits)); }
    constexpr uint8_t Bits() const { return FBits; }

    constexpr TShiftState operator|(TShiftState S) const { return TShiftState(uint8_t(FBits | S.FBits)); }
    constexpr TShiftState operator&(TShiftState S) const { return TShiftState(uint8_t(FBits & S.FBits)); }
    constexpr TShiftState& operator|=(TShiftState S) {
        FBits = uint8_t(FBits | S.FBits);
        return *this;
    }
    constexpr bool operator==(TShiftState S) const { return FBits == S.FBits; }
    constexpr bool operator!=(TShiftState S) const { return FBits != S.FBits; }

private:
    uint8_t FBits = 0;
};

// The members of a shift state: keyboard modifiers, held buttons, double click.
inline constexpr TShiftState ssShift{uint8_t(1u << 0)};
inline constexpr TShiftState ssAlt{uint8_t(1u << 1)};
inline constexpr TShiftState ssCtrl{uint8_t(1u << 2)};
inline constexpr TShiftState ssLeft{uint8_t(1u << 3)};
inline constexpr TShiftState ssRight{uint8_t(1u << 4)};
inline constexpr TShiftState ssMiddle{uint8_t(1u << 5)};
inline constexpr TShiftState ssDouble{uint8_t(1u << 6)};

// Framework events: Sender is the object that fires them.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;

// A cursor identifier. Zero and the negative values below are the built-in
// cursors; positive values name cursors a program registers itself and show
// as the arrow here.
using TCursor = int16_t;

constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
                  crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
                  crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21,
                  crSizeAll = -22;

// The Qt cursor shape that shows Cursor; unknown values give the arrow.
inline Qt::CursorShape CursorShapeOf(TCursor Cursor) {
    switch (Cursor) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor; // the "/" diagonal
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor; // the "\" diagonal
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crDrag:
        return Qt::DragMoveCursor;
    case crMultiDrag:
        return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor; // crDefault, crArrow and unregistered cursors
    }
}

} // namespace draxa
