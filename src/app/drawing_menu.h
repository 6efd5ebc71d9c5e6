// TDrawingMenu: the editor's Drawing menu, for the drawing as a whole: the
// units positions are shown in, the drawing scale (Ratio), the page's size
// and orientation, the background colour and picture, and the layer
// operations of the layers panel. The check marks follow the surface
// whenever the menu opens.
//
// These are settings of the document, not edits of shapes: they are saved
// with the drawing but are not steps of the undo history, except the scale
// set from a distance, which the surface records as one.
#pragma once

#include "surface/draxa.h"

#include <QObject>

#include <functional>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;

namespace draxa {

class TLayersPanel;

class TDrawingMenu : public QObject {
    Q_OBJECT

public:
    TDrawingMenu(TMyDraxa& Surface, TLayersPanel& Layers, QMenuBar& Bar, QWidget& Window);

    // Checks the units, page size, orientation and picture placement the
    // surface has now.
    void Update();

    void SetUnits(TUnits Units);
    void AskScale();
    // "Set Scale from a Distance": the selected line (else the line drawn
    // last) is given its real length in the current unit, and the scale
    // follows. Tells the user when there is no line or it has no length.
    void AskScaleFromDistance();
    // The line AskScaleFromDistance measures: the one selected shape when it
    // has a length, else the newest line of the drawing; nullptr for none.
    TMyShape* DistanceLine() const;
    void SetPageStyle(TPageStyle Style);
    void AskCustomPage();
    void SetOrientation(TPrinterOrientation Orientation);
    void AskBackgroundColor();
    void AskBackgroundPicture();
    void ClearBackgroundPicture();

    // After a setting changed (the page's size may have, too).
    std::function<void()> OnChanged;

    QMenu* mnuDrawing = nullptr;
    QMenu* mnuUnits = nullptr;
    QMenu* mnuPageSize = nullptr;
    QMenu* mnuOrientation = nullptr;
    QMenu* mnuPicturePlacement = nullptr;
    QMenu* mnuLayers = nullptr;
    QAction* actScale = nullptr;
    QAction* actScaleFromDistance = nullptr;
    QAction* actCustomPage = nullptr;
    QAction* actBackColor = nullptr;
    QAction* actBackPicture = nullptr;
    QAction* actClearPicture = nullptr;
    QAction* actNewLayer = nullptr;
    QAction* actRenameLayer = nullptr;
    QAction* actDeleteLayer = nullptr;
    QAction* actMoveToLayer = nullptr;

private:
    // A checkable action of Group in Menu carrying Value.
    QAction* AddChoice(QMenu* Menu, QActionGroup* Group, const QString& Text, int Value);
    void Run(const QString& Doing, const std::function<void()>& Body);
    // Gives the control the page's size in millimetres (a custom page).
    void SetPageMm(double Width, double Height);

    TMyDraxa& FSurface;
    TLayersPanel& FLayers;
    QWidget& FWindow;
    QActionGroup* FUnits;
    QActionGroup* FPages;
    QActionGroup* FOrientations;
    QActionGroup* FPlacements;
};

} // namespace draxa
