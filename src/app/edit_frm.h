// TEditForm: the editor window ("Edit"), in which the user draws one drawing
// on an interactive surface and writes it back into the drawings table.
//
// The editor runs modally through the dialog seam, as often as needed, and
// keeps its surface (with whatever it last held) between showings. The Tag
// of its surface tells what OK does: TagNew adds a record, TagExisting
// rewrites the record the editor was opened for. Loading a document also
// restores the stored Tag, so the editor puts its own mode back after every
// load.
//
// When OK finds that someone else saved (or deleted) the record after the
// editor opened it, nothing is written and the editor stays open with the
// drawing: the user may keep it as a new drawing or reload the saved one.
//
// The picture of a new image is read on a worker thread: the window keeps
// painting, the cursor is busy, and a load that takes more than a moment
// shows a box with Cancel. Input waits until the picture is there.
//
// While the drawing or its name differ from what was read, the editor
// writes them as a draft into the store every AutosaveInterval (30 s) of
// editing, only when they changed since the last draft; OK and a deliberate
// discard remove the draft. A draft left by a program that ended with the
// editor open comes back through EditDraft. "History" shows the earlier
// versions of the record (THistoryWindow).
//
// The window is resizable: the surface sits in a scroll area that grows with
// it, the menus offer the surface's editing operations, the tool panel all
// its tools, and the status bar where the mouse is. Leaving it with changes
// made since it appeared (Cancel, Escape, the close box) asks first.
#pragma once

#include "app/name_edit.h"
#include "app/tool_bar.h"
#include "foundation/dialogs.h"
#include "surface/draxa.h"

#include <QDialog>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QScrollArea;
class QTimer;
class QToolButton;

namespace draxa {

class TDrawingsStore;
class TDrawingMenu;
class TEditorActions;
class TFileMenu;
class TEditorView;
class TEditorStatusBar;
class TFormatBar;
class TLayersPanel;
class TQuantitiesPanel;
struct TDrawingRecord;
struct TDrawingDraft;
enum class TStoreFailure : uint8_t;

class TEditForm : public QDialog {
    Q_OBJECT

public:
    // Values of DraxaEdit's Tag while the editor is open.
    static constexpr int TagExisting = 0;
    static constexpr int TagNew = 1;
    // The filter of the open dialog of Load, and the settings key of the
    // folder it opens in (the last one a document was loaded from).
    static const QString DocumentFilter;
    static const QString DocumentFolderKey;

    TEditForm(TDrawingsStore& Store, QWidget* Parent = nullptr);
    ~TEditForm() override;

    // Opens the editor on a record's drawing; OK rewrites that record. When
    // the drawing cannot be read the user is told and the editor does not
    // open (mrNone).
    TModalResult EditRecord(const TDrawingRecord& Record);
    // Opens the editor on an empty drawing; OK adds a record.
    TModalResult NewDrawing();
    // Opens the editor on a draft left behind: OK rewrites the draft's
    // record, when it is still there and nobody saved it since the draft's
    // editor read it (else the conflict box asks), or adds a record. Until
    // then the drawing counts as unsaved, and the editor keeps writing into
    // that draft.
    TModalResult EditDraft(const TDrawingDraft& Draft);

    // How often the unsaved drawing is written as a draft, in milliseconds.
    static constexpr int DefaultAutosaveIntervalMs = 30000;
    int AutosaveInterval() const { return FAutosaveIntervalMs; }
    void SetAutosaveInterval(int Ms);
    // Writes the draft now if the drawing has changes that no draft holds
    // yet (the timer calls it); removes the draft when there are none any
    // more. True when a draft was written.
    bool WriteDraft();
    // The draft this editor writes into; -1 while it has none.
    int64_t DraftId() const { return FDraftId; }
    // After a draft was written, with the drawing it holds.
    std::function<void(const QByteArray& Draw)> OnDraftWritten;
    // "History": the earlier versions of the record (or, for a new drawing,
    // the deleted drawings).
    void btnHistoryClick();

    // Button and surface handlers (the controls call them; so may tests).
    // Whatever they throw is reported to the user; the editor stays usable.
    void bbtnOKClick();
    void btnLoadClick();
    void DraxaEditShapeAdded(TMyShape*& AShape, int ShapeCount);
    void DraxaEditActionToolToSelecting();

    // After OK has written the record, before "Save success!".
    std::function<void()> OnSaved;
    // Once a picture load has started, from the event loop that runs while
    // it loads (the load is still in progress then).
    std::function<void()> OnPictureLoading;

    // True while the picture of a new image is loading.
    bool PictureLoading() const { return FPictureCancel != nullptr; }
    // Stops the picture load in progress, as the Cancel of its box does: the
    // image stays without a picture and nothing is reported.
    void CancelPictureLoad();
    // Time a load may take before its box with Cancel shows.
    static constexpr int PictureBoxDelayMs = 400;

    // The controls.
    QLabel* Image1() const { return FImage1; }
    TNameEdit* edtName() const { return FedtName; }
    QFrame* Panel1() const { return FPanel1; }
    TMyDraxa* DraxaEdit() const { return FDraxaEdit; }
    QFrame* Panel2() const { return FPanel2; }
    QPushButton* btnLoad() const { return FbtnLoad; }
    QPushButton* btnHistory() const { return FbtnHistory; }
    QPushButton* bbtnCancel() const { return FbbtnCancel; }
    QPushButton* bbtnOK() const { return FbbtnOK; }
    // The group of the fourteen tool buttons the editor always had.
    QButtonGroup* ToolButtons() const;
    // The tool button of Tool (every tool has one).
    QToolButton* ToolButton(TDrawTool Tool) const;
    QToolButton* sbtnSelecting() const { return ToolButton(TDrawTool::SpSelecting); }
    TToolBar* ToolBar() const { return FPanel2; }
    QScrollArea* ScrollBox() const { return FScrollBox; }
    TEditorActions* Actions() const { return FActions; }
    TEditorStatusBar* StatusBar() const { return FStatusBar; }
    TFormatBar* FormatBar() const { return FFormatBar; }
    TLayersPanel* LayersPanel() const { return FLayersPanel; }
    // Below the drawing; View > Quantities shows and hides it.
    TQuantitiesPanel* QuantitiesPanel() const { return FQuantitiesPanel; }
    QAction* actShowQuantities() const { return FactShowQuantities; }
    TEditorView* View() const { return FView; }
    TDrawingMenu* DrawingMenu() const { return FDrawingMenu; }
    TFileMenu* FileMenu() const { return FFileMenu; }

    // Double-click with the selecting tool: the string list editor on the
    // text under screen point P of the surface (a caption there, else a text
    // box's lines, else the caption of the shape there). OK changes it as
    // one undo step. False when there is nothing to edit there, or the user
    // cancelled or changed nothing.
    bool EditShapeTextAt(const TPoint& P);

    // True when the drawing or the name differ from what they were when the
    // window appeared (never before it has appeared).
    bool HasUnsavedChanges() const;

    // Cancel, Escape and the close box: with unsaved changes the user is
    // asked to save (as OK does), discard them or keep editing; leaving
    // reports mrCancel and writes nothing.
    void reject() override;
    // Remembers the window's place and size for the next time.
    void done(int Result) override;
    // The first time, the editor opens where it was last (or in the middle
    // of the screen, big enough for the page at 100 %).
    void setVisible(bool Visible) override;
    // The settings key of the remembered place and size.
    static const QString GeometryKey;

protected:
    // A press on the surface gives it the keyboard focus.
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateLayout();
    // The size that shows the whole page at the present zoom, at most 80 %
    // of the screen.
    QSize OpeningSize();
    // The drawing as OK would write it.
    QByteArray DocumentBytes() const;
    // What HasUnsavedChanges compares with: the drawing and name as they are now.
    void TakeBaseline();
    // An empty drawing with the editor's first page, units and one layer.
    void StartEmptyDrawing();
    // Puts the editor's mode back on the surface (after a load).
    void RestoreMode() { FDraxaEdit->SetTag(FMode); }
    // OK: writes the drawing into the table and closes the editor.
    void SaveDrawing();
    // Load: reads a document file into the drawing.
    void LoadDocumentFile();
    // The record changed (sfConflict) or went away (sfMissing) since the
    // editor read it: asks the user what to do with the drawing.
    void ResolveSaveConflict(TStoreFailure Kind);
    // From now on OK adds the drawing as a new record.
    void KeepAsNewDrawing();
    // Replaces the drawing with the record as it is saved now.
    void ReloadRecord();
    // Removes the draft of this editing session (saved or discarded).
    void DropDraft();
    // Opens the history window (see btnHistoryClick).
    void ShowHistory();
    // Loads the picture on a worker thread while this thread keeps the
    // windows painting. nullptr when the load was cancelled; what the loader
    // throws is thrown here.
    std::unique_ptr<TBitmap> LoadPictureOffThread(const QString& FileName);

    TDrawingsStore& FStore;
    int FMode = TagNew;
    int64_t FRecordKey = -1;                     // the record OK rewrites in TagExisting mode
    int64_t FRecordRevision = 0;                 // its revision when the editor read it
    std::atomic<bool>* FPictureCancel = nullptr; // the running picture load's flag
    bool FHasBaseline = false;
    // A double-click waits for its release before the text editor opens.
    bool FTextEditPending = false;
    TPoint FTextEditAt;
    QByteArray FBaselineDrawing;
    QString FBaselineName;
    // Opened on a draft: unsaved whatever the baseline says.
    bool FFromDraft = false;
    int FAutosaveIntervalMs = DefaultAutosaveIntervalMs;
    QTimer* FAutosaveTimer;
    int64_t FDraftId = -1;
    // What the draft holds, so that an unchanged drawing is not written again.
    QByteArray FDraftDrawing;
    QString FDraftName;

    QLabel* FImage1;
    TNameEdit* FedtName;
    QFrame* FPanel1;
    QScrollArea* FScrollBox;
    TMyDraxa* FDraxaEdit;
    TToolBar* FPanel2;
    QPushButton* FbtnLoad;
    QPushButton* FbtnHistory;
    QPushButton* FbbtnCancel;
    QPushButton* FbbtnOK;
    QMenuBar* FMenuBar;
    TEditorActions* FActions;
    TEditorStatusBar* FStatusBar;
    TFormatBar* FFormatBar;
    TLayersPanel* FLayersPanel;
    TQuantitiesPanel* FQuantitiesPanel;
    QAction* FactShowQuantities;
    TEditorView* FView;
    TDrawingMenu* FDrawingMenu;
    TFileMenu* FFileMenu;
};

} // namespace draxa
