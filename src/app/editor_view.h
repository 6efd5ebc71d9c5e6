// TEditorView: the editor's view of the drawing beyond the zoom steps: zoom
// to fit the page or the drawing into the visible area, Ctrl + wheel zooming
// about the point under the mouse (which stays under the mouse), and the
// grid's spacing. Adds its actions to the View menu.
#pragma once

#include "surface/draxa.h"

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QScrollArea;

namespace draxa {

class TEditorView : public QObject {
    Q_OBJECT

public:
    TEditorView(TMyDraxa& Surface, QScrollArea& Scroll, QMenu& View);
    ~TEditorView() override;

    // The smallest and largest zoom the view sets.
    static constexpr double MinZoom = 0.1;
    static constexpr double MaxZoom = 8.0;

    // The whole page in the visible area.
    void FitPage();
    // Every shown shape in the visible area, scrolled into view; the page
    // when there is none.
    void FitDrawing();
    // Sets Zoom (kept within MinZoom .. MaxZoom) keeping the drawing's point
    // under the surface's pixel At where it is in the visible area.
    void ZoomAbout(double Zoom, const QPoint& At);
    // Asks for the grid's spacing (pixels at 100 %).
    void AskGridSpacing();

    // After the zoom or the grid changed.
    std::function<void()> OnChanged;

    QAction* actFitPage = nullptr;
    QAction* actFitDrawing = nullptr;
    QAction* actGridSpacing = nullptr;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // The zoom that shows a logical Width x Height in the visible area
    // (less the scroll bars when there will be some).
    double FittingZoom(double Width, double Height, bool WithScrollBars) const;
    void Changed();

    TMyDraxa& FSurface;
    QScrollArea& FScroll;
};

} // namespace draxa
