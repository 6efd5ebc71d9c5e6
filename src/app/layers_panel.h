// TLayersPanel: the editor's list of the drawing's layers. A check box shows
// or hides a layer, the name can be edited in place, the current row is the
// layer new shapes go on; Add makes a layer and Delete removes one, asking
// first when the layer holds shapes (deleting a layer cannot be undone);
// Move here puts the selected shapes on the current layer (one undo step).
#pragma once

#include "surface/draxa.h"

#include <QFrame>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace draxa {

class TLayersPanel : public QFrame {
    Q_OBJECT

public:
    TLayersPanel(TMyDraxa& Surface, QWidget* Parent = nullptr);

    // Shows the surface's layers when they differ from what is shown.
    void Update();
    void AddLayer();
    void DeleteCurrentLayer();
    // Opens the current layer's name for editing in the list.
    void RenameCurrentLayer();
    // Moves the selection onto the current layer.
    bool MoveSelectionHere();

    // After the layers or the current layer changed here.
    std::function<void()> OnChanged;

    QListWidget* lstLayers() const { return FList; }
    QPushButton* btnAddLayer() const { return FAdd; }
    QPushButton* btnDeleteLayer() const { return FDelete; }
    QPushButton* btnMoveToLayer() const { return FMoveHere; }

private:
    void ItemChanged(QListWidgetItem* Item);
    void Changed();
    // The layers as the list shows them, to tell when to fill it again.
    QString Signature() const;

    TMyDraxa& FSurface;
    QListWidget* FList;
    QPushButton* FAdd;
    QPushButton* FDelete;
    QPushButton* FMoveHere;
    QString FShown;
};

} // namespace draxa
