// TFormatBar: the editor's format bar for the selected shapes: pen colour,
// width and style, fill colour (or none), font and size, and arrow heads.
// Each change applies to every selected shape (groups with their members)
// as one undo step. The controls show the first selected shape's values and
// are disabled while nothing is selected.
#pragma once

#include "surface/draxa.h"

#include <QFrame>

#include <functional>

class QComboBox;
class QFontComboBox;
class QSpinBox;

namespace draxa {

class TFormatBar : public QFrame {
    Q_OBJECT

public:
    TFormatBar(TMyDraxa& Surface, QWidget* Parent = nullptr);

    // Shows the first selected shape's format; disabled without a selection.
    void Update();
    // Runs Change on every selected shape and the members of selected groups,
    // as one undo step, and repaints. False when nothing is selected.
    bool ApplyToSelection(const std::function<void(TMyShape&)>& Change);

    // After a change was applied.
    std::function<void()> OnChanged;

    QComboBox* cbPenColor() const { return FPenColor; }
    QSpinBox* sePenWidth() const { return FPenWidth; }
    QComboBox* cbPenStyle() const { return FPenStyle; }
    QComboBox* cbBrushColor() const { return FBrushColor; }
    QFontComboBox* cbFontName() const { return FFontName; }
    QSpinBox* seFontSize() const { return FFontSize; }
    QComboBox* cbArrows() const { return FArrows; }

private:
    TMyDraxa& FSurface;
    QComboBox* FPenColor;
    QSpinBox* FPenWidth;
    QComboBox* FPenStyle;
    QComboBox* FBrushColor;
    QFontComboBox* FFontName;
    QSpinBox* FFontSize;
    QComboBox* FArrows;
};

} // namespace draxa
