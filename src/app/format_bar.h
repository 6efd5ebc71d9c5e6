// TFormatBar: the editor's format bar for the selected shapes, in two rows:
// pen colour, width and style, fill colour (or none) and pattern, font and
// size, and arrow heads with their angle and length; then the fill's gradient (style and its two colours),
// the alignment of texts and a text box's word wrap, the caption shown on the drawing (info text), the tip
// shown when the mouse rests on the shape, and the lock. Each change applies to every selected shape (groups
// with their members) as one undo step; all but the lock leave locked shapes alone. The controls show the
// first selected shape's values and are disabled while nothing is selected.
#pragma once

#include "surface/draxa.h"

#include <QFrame>

#include <functional>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLineEdit;
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
    // Locks or unlocks the selected shapes with their members, as one undo step.
    bool LockSelection(bool Locked);

    // After a change was applied.
    std::function<void()> OnChanged;

    QComboBox* cbPenColor() const { return FPenColor; }
    QSpinBox* sePenWidth() const { return FPenWidth; }
    QComboBox* cbPenStyle() const { return FPenStyle; }
    QComboBox* cbBrushColor() const { return FBrushColor; }
    QFontComboBox* cbFontName() const { return FFontName; }
    QSpinBox* seFontSize() const { return FFontSize; }
    QComboBox* cbArrows() const { return FArrows; }
    QComboBox* cbBrushStyle() const { return FBrushStyle; }
    QSpinBox* seArrowAngle() const { return FArrowAngle; }
    QSpinBox* seArrowLength() const { return FArrowLength; }
    QComboBox* cbGradient() const { return FGradient; }
    QComboBox* cbGradientFrom() const { return FGradientFrom; }
    QComboBox* cbGradientTo() const { return FGradientTo; }
    QComboBox* cbAlignment() const { return FAlignment; }
    QCheckBox* chkWordWrap() const { return FWordWrap; }
    QLineEdit* edtInfo() const { return FInfo; }
    QLineEdit* edtCaption() const { return FCaption; }
    QCheckBox* chkLocked() const { return FLocked; }

private:
    TMyDraxa& FSurface;
    QComboBox* FPenColor;
    QSpinBox* FPenWidth;
    QComboBox* FPenStyle;
    QComboBox* FBrushColor;
    QFontComboBox* FFontName;
    QSpinBox* FFontSize;
    QComboBox* FArrows;
    QComboBox* FBrushStyle;
    QSpinBox* FArrowAngle;
    QSpinBox* FArrowLength;
    QComboBox* FGradient;
    QComboBox* FGradientFrom;
    QComboBox* FGradientTo;
    QComboBox* FAlignment;
    QCheckBox* FWordWrap;
    QLineEdit* FInfo;
    QLineEdit* FCaption;
    QCheckBox* FLocked;
};

} // namespace draxa
