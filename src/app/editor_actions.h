// TEditorActions: the editor's menus (Edit, Arrange, View) and their
// actions, each calling one of the surface's editing operations. Standard
// key sequences are used where the platform has one.
//
// Which actions are enabled follows the selection and the undo history:
// Update() sets them, and the actions call it themselves after the events
// that can change either (history changes, clicks and keys on the surface,
// a menu opening). A disabled action leaves its key to the surface, which
// then does nothing either.
#pragma once

#include "surface/draxa.h"

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;

namespace draxa {

class TEditorActions : public QObject {
    Q_OBJECT

public:
    // Adds the menus to Bar; the actions work on Surface.
    TEditorActions(TMyDraxa& Surface, QMenuBar& Bar, QWidget& Window);
    ~TEditorActions() override;

    // Enables the actions that can do something now and names Undo and
    // Redo after what they would replay.
    void Update();
    // Update once the event being handled is done.
    void UpdateLater();

    // The words a menu shows for an undo step's action name ("Delete").
    static QString ActionWords(const QString& ActionName);

    // Called after an action changed the drawing or the view.
    std::function<void()> OnChanged;
    // Called at the end of every Update.
    std::function<void()> OnUpdated;

    // Edit
    QAction* actUndo = nullptr;
    QAction* actRedo = nullptr;
    QAction* actCut = nullptr;
    QAction* actCopy = nullptr;
    QAction* actPaste = nullptr;
    QAction* actDuplicate = nullptr;
    QAction* actDelete = nullptr;
    QAction* actSelectAll = nullptr;
    // Arrange
    QAction* actGroup = nullptr;
    QAction* actCombine = nullptr;
    QAction* actUngroup = nullptr;
    QAction* actBringToFront = nullptr;
    QAction* actBringForward = nullptr;
    QAction* actSendBackward = nullptr;
    QAction* actSendToBack = nullptr;
    QMenu* mnuAlign = nullptr;
    QMenu* mnuDistribute = nullptr;
    QAction* actRotateRight = nullptr;
    QAction* actRotateLeft = nullptr;
    QAction* actFlipHorz = nullptr;
    QAction* actFlipVert = nullptr;
    // View
    QMenu* mnuView = nullptr;
    QAction* actZoomIn = nullptr;
    QAction* actZoomOut = nullptr;
    QAction* actZoom100 = nullptr;
    QAction* actShowGrid = nullptr;
    QAction* actSnap = nullptr;

    // The zoom steps of Zoom in and Zoom out.
    static double NextZoom(double Zoom, bool In);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // A menu action that runs Operation on the surface, repaints and updates.
    QAction* Add(QMenu* Menu, const QString& Name, const QString& Text, const QKeySequence& Key,
                 std::function<void()> Operation);
    void Run(const std::function<void()>& Operation);
    // True when at least Count selected shapes can be edited.
    bool SelectionOf(int Count) const;

    TMyDraxa& FSurface;
    std::vector<QAction*> FAlignActions;
    std::vector<QAction*> FDistributeActions;
};

} // namespace draxa
