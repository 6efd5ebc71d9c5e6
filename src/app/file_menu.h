// TFileMenu: the editor's File menu, for what leaves the program: the page
// exported as a PNG picture, an SVG or a PDF document, printed, or shown as
// it will print, and the page set-up (head, foot, frame) printing uses.
// Nothing here changes the drawing.
#pragma once

#include "surface/draxa.h"

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QMenuBar;

namespace draxa {

class TFileMenu : public QObject {
    Q_OBJECT

public:
    // The menu goes first on Bar. DrawingName gives the name an exported
    // file is offered under.
    TFileMenu(TMyDraxa& Surface, QMenuBar& Bar, QWidget& Window, std::function<QString()> DrawingName);

    // Asks for a file and writes the page there; Kind is "png", "svg" or "pdf".
    void Export(const QString& Kind);
    void PageSetup();
    void Print();
    void Preview();

    // The resolution of exported pictures: print quality.
    static constexpr int PictureDpi = 300;
    // Where the last export went, offered again next time.
    static const QString ExportFolderKey;

    QMenu* mnuFile = nullptr;
    QAction* actExportPng = nullptr;
    QAction* actExportSvg = nullptr;
    QAction* actExportPdf = nullptr;
    QAction* actPageSetup = nullptr;
    QAction* actPreview = nullptr;
    QAction* actPrint = nullptr;

private:
    TMyDraxa& FSurface;
    QWidget& FWindow;
    std::function<QString()> FDrawingName;
};

} // namespace draxa
