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
#pragma once

#include "foundation/dialogs.h"
#include "surface/draxa.h"

#include <QDialog>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace draxa {

class TDrawingsStore;
struct TDrawingRecord;
enum class TStoreFailure : uint8_t;

class TEditForm : public QDialog {
    Q_OBJECT

public:
    // Values of DraxaEdit's Tag while the editor is open.
    static constexpr int TagExisting = 0;
    static constexpr int TagNew = 1;
    // The filter of the open dialog of Load.
    static const QString DocumentFilter;

    TEditForm(TDrawingsStore& Store, QWidget* Parent = nullptr);
    ~TEditForm() override;

    // Opens the editor on a record's drawing; OK rewrites that record. When
    // the drawing cannot be read the user is told and the editor does not
    // open (mrNone).
    TModalResult EditRecord(const TDrawingRecord& Record);
    // Opens the editor on an empty drawing; OK adds a record.
    TModalResult NewDrawing();

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
    QLineEdit* edtName() const { return FedtName; }
    QFrame* Panel1() const { return FPanel1; }
    TMyDraxa* DraxaEdit() const { return FDraxaEdit; }
    QFrame* Panel2() const { return FPanel2; }
    QPushButton* btnLoad() const { return FbtnLoad; }
    QPushButton* bbtnCancel() const { return FbbtnCancel; }
    QPushButton* bbtnOK() const { return FbbtnOK; }
    QButtonGroup* ToolButtons() const { return FToolButtons; }
    // The tool button of Tool; nullptr for a tool without one.
    QToolButton* ToolButton(TDrawTool Tool) const;
    QToolButton* sbtnSelecting() const { return ToolButton(TDrawTool::SpSelecting); }

    // Cancel, Escape and the close box report mrCancel; nothing is written.
    void reject() override;
    // The editor opens in the middle of the screen, not over the main window.
    void setVisible(bool Visible) override;

private:
    void CreateToolButtons();
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
    // Loads the picture on a worker thread while this thread keeps the
    // windows painting. nullptr when the load was cancelled; what the loader
    // throws is thrown here.
    std::unique_ptr<TBitmap> LoadPictureOffThread(const QString& FileName);

    TDrawingsStore& FStore;
    int FMode = TagNew;
    int64_t FRecordKey = -1;                     // the record OK rewrites in TagExisting mode
    int64_t FRecordRevision = 0;                 // its revision when the editor read it
    std::atomic<bool>* FPictureCancel = nullptr; // the running picture load's flag

    QLabel* FImage1;
    QLineEdit* FedtName;
    QFrame* FPanel1;
    TMyDraxa* FDraxaEdit;
    QFrame* FPanel2;
    QButtonGroup* FToolButtons;
    QPushButton* FbtnLoad;
    QPushButton* FbbtnCancel;
    QPushButton* FbbtnOK;
};

} // namespace draxa
