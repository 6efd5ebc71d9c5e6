// TEditorStatusBar: the editor's status bar. It shows where the mouse is on
// the drawing and how large the selection is, both in the drawing's units
// at its scale, the zoom, the current layer and what the current tool does.
#pragma once

#include "surface/draxa.h"

#include <QStatusBar>

class QLabel;

namespace draxa {

class TEditorStatusBar : public QStatusBar {
    Q_OBJECT

public:
    TEditorStatusBar(TMyDraxa& Surface, QWidget* Parent = nullptr);
    ~TEditorStatusBar() override;

    // Shows the selection's size, the zoom, the layer and the tool's hint as
    // they are now.
    void Update();
    // The screen point (X, Y) of the surface as the position label shows it.
    QString PositionText(int X, int Y) const;
    // The size of the selected shapes' bounds; empty without a selection.
    QString SelectionSizeText() const;

    QLabel* lblPosition() const { return FPosition; }
    QLabel* lblSize() const { return FSize; }
    QLabel* lblZoom() const { return FZoom; }
    QLabel* lblLayer() const { return FLayer; }
    QLabel* lblHint() const { return FHint; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    double UnitsPerPixel() const;

    TMyDraxa& FSurface;
    QLabel* FHint;
    QLabel* FPosition;
    QLabel* FSize;
    QLabel* FZoom;
    QLabel* FLayer;
};

} // namespace draxa
