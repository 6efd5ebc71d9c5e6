// A surface driven with the mouse, shared by the interaction, selection and
// manipulation tests.
#pragma once

#include "common/control_helpers.h"
#include "surface/draxa.h"

#include <QStringList>

namespace draxa::test {

// 400 x 300 pixels, no grid snapping (tests that snap turn it on), and a
// mouse driver that sends real Qt events.
struct TMouseSurface {
    TMyDraxa S;
    TMouseDriver Mouse{S};
    QStringList Log;

    TMouseSurface() {
        S.SetBounds(0, 0, 400, 300);
        S.SetSnap(false);
    }

    // A shape added by program with the four corners of (L, T)-(R, B); the
    // selection is left empty.
    TMyShape* Box(const QString& Name, float L, float T, float R, float B,
                  TDrawTool Tool = TDrawTool::SpRectangle) {
        const int No = S.AddShapeByTool(&S, Tool, Name, {{L, T}, {R, T}, {R, B}, {L, B}}, 0, {});
        S.UnselectAll();
        return S.ShapeByNumber(No);
    }

    // Names a shape in the log; "nil" for none.
    static QString NameOf(const TMyShape* Shape) { return Shape ? Shape->Name() : QStringLiteral("nil"); }

    void LogSelections() {
        S.OnShapeSelected = [this](TMyShape* Last, TMyShape* Now) {
            Log << QStringLiteral("selected %1 %2").arg(NameOf(Last), NameOf(Now));
        };
    }
};

} // namespace draxa::test
