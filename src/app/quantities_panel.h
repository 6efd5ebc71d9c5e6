// TQuantitiesPanel: the editor's table of the drawing's quantities. Each
// layer is a row with its totals (a hidden layer says so), its shape classes
// rows below it with theirs, and each class its shapes, with name, caption,
// length and area in the drawing's unit at its scale. Every column sorts;
// choosing a shape's row selects the shape on the surface, and the rows of
// the shapes selected on the surface are the chosen ones. The table
// follows the drawing: the surface's change signals (and the editor, after
// a change of units, scale or layers) ask for a refresh, which runs once
// the burst of changes is over. "Copy as CSV" puts the totals on the
// clipboard, "Export CSV..." writes them to a file.
#pragma once

#include "surface/draxa.h"

#include <QFrame>

class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace draxa {

class TQuantitiesPanel : public QFrame {
    Q_OBJECT

public:
    TQuantitiesPanel(TMyDraxa& Surface, QWidget* Parent = nullptr);

    // The table columns.
    enum TColumn { colItem, colCaption, colCount, colLength, colArea, ColumnCount };

    // Fills the table again when the quantities differ from what it shows.
    void Refresh();
    // Refresh once the events being handled now are done (coalesced);
    // nothing while the panel is hidden.
    void RefreshLater();
    // The totals as CSV on the clipboard.
    void CopyCsv();
    // Asks for a file and writes the totals there as CSV; false when
    // cancelled or the file cannot be written (the user is told).
    bool ExportCsv();

    QTreeWidget* tblQuantities() const { return FTable; }
    QPushButton* btnCopyCsv() const { return FCopy; }
    QPushButton* btnExportCsv() const { return FExport; }
    QLabel* lblUnits() const { return FUnits; }

private:
    void RowChosen();
    // Chooses the rows of the surface's selected shapes (with the members of
    // selected groups).
    void ShowSelection();

    TMyDraxa& FSurface;
    QLabel* FUnits;
    QTreeWidget* FTable;
    QPushButton* FCopy;
    QPushButton* FExport;
    QTimer* FLater;
    // What the table shows, to tell when to fill it again.
    QString FShown;
    bool FFilling = false;
};

} // namespace draxa
