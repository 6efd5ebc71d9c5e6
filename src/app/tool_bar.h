// TToolBar: the editor's tool panel (Panel2), a button for each of the
// surface's 22 tools in two columns, with a tip that says what the tool does
// and a shortcut letter.
//
// The fourteen buttons the editor always had keep their names and places and
// form the exclusive group Buttons(); the others sit below and beside them.
// Exactly one button of all 22 is down: the one of the surface's tool.
#pragma once

#include "surface/draxa.h"

#include <QFrame>

#include <functional>
#include <vector>

class QButtonGroup;
class QToolButton;

namespace draxa {

class TToolBar : public QFrame {
    Q_OBJECT

public:
    explicit TToolBar(QWidget* Parent = nullptr);

    // The group of the fourteen original buttons (exclusive).
    QButtonGroup* Buttons() const { return FButtons; }
    // The button of Tool; every tool has one.
    QToolButton* Button(TDrawTool Tool) const;
    // Puts the button of Tool down and every other one up.
    void ShowTool(TDrawTool Tool);
    // The text a tool's button tells about it (its tip without the key).
    static QString ToolTip(TDrawTool Tool);
    // The letter that chooses the tool.
    static QString ToolKey(TDrawTool Tool);

    // A button was clicked (or its letter pressed): the tool the user chose.
    std::function<void(TDrawTool)> OnToolChosen;

private:
    void Choose(TDrawTool Tool);

    QButtonGroup* FButtons;
    std::vector<QToolButton*> FAll; // indexed by the tool's value
};

} // namespace draxa
