// THistoryWindow: the earlier versions of a drawing ("History"), newest
// first, each with a picture, its name and when it was saved, and a larger
// preview of the chosen one. "Restore" makes the chosen version the
// drawing again (a save like any other, so the drawing it replaces becomes
// a version too); "Open as new drawing" adds a copy of it as a record of
// its own. The second list, "Deleted drawings", holds the drawings deleted
// in the last days; "Restore" there brings one back as a record.
//
// Both the main window (for its current record) and the editor open it. It
// runs modally through the dialog seam and closes with mrOk once it has
// written something, ResultKey() naming the record that holds the drawing.
#pragma once

#include "app/drawings_store.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace draxa {

class TMyDraxa;

class THistoryWindow : public QDialog {
    Q_OBJECT

public:
    // The size of the pictures in the list.
    static constexpr int ThumbWidth = 96;
    static constexpr int ThumbHeight = 64;

    // The versions of the record RecordKey; with -1 (no record) only the
    // deleted drawings.
    THistoryWindow(TDrawingsStore& Store, int64_t RecordKey, QWidget* Parent = nullptr);
    ~THistoryWindow() override;

    // Shows the deleted drawings (true) or the versions of the record.
    void ShowDeleted(bool Deleted);
    bool ShowingDeleted() const;
    // Reads the list shown again; false (and the user told) when the store
    // cannot be read.
    bool Reload();
    // The rows listed, in the list's order.
    const std::vector<TDrawingVersion>& Rows() const { return FRows; }

    // The buttons (the controls call them; so may tests).
    void btnRestoreClick();
    void btnOpenAsNewClick();

    // Asked before a version replaces the record's drawing; false stops it.
    // The editor uses it for its unsaved changes.
    std::function<bool()> OnBeforeRestore;
    // The record that holds the drawing after Restore or Open as new; -1
    // while nothing was written.
    int64_t ResultKey() const { return FResultKey; }
    // Whether the last write replaced the drawing of the window's record
    // (Restore of a version), rather than adding a record.
    bool Replaced() const { return FReplaced; }

    QComboBox* cbShow() const { return FShow; }
    QListWidget* lstVersions() const { return FList; }
    TMyDraxa* Preview() const { return FPreview; }
    QLabel* lblChosen() const { return FChosen; }
    QPushButton* btnRestore() const { return FRestore; }
    QPushButton* btnOpenAsNew() const { return FOpenAsNew; }

private:
    // The row chosen, nullptr for none.
    const TDrawingVersion* Chosen() const;
    void ShowChosen();

    TDrawingsStore& FStore;
    int64_t FRecordKey;
    int64_t FResultKey = -1;
    bool FReplaced = false;
    std::vector<TDrawingVersion> FRows;
    QComboBox* FShow;
    QListWidget* FList;
    TMyDraxa* FPreview;
    QLabel* FChosen;
    QPushButton* FRestore;
    QPushButton* FOpenAsNew;
    // Draws the pictures; never shown.
    std::unique_ptr<TMyDraxa> FPainter;
};

} // namespace draxa
