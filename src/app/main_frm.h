// TMainForm: the main window ("TDraxa database example"). It browses the
// drawings table with the navigator and shows the current record's name,
// time of last update and drawing; the drawing sits on a disabled,
// display-only surface. Insert and edit open the editor window, which the
// main window creates once and keeps.
//
// The window is resizable: beside the navigator's part, which keeps its
// size, the list of all drawings (with pictures, search and order) takes
// the room. The navigator and the list follow each other: choosing a row
// shows that record, moving with the navigator chooses its row, and a
// double-click on a row edits it.
//
// "History" shows the earlier versions of the current record and the
// deleted drawings (THistoryWindow). At start the program offers the
// drafts an editor left behind (OfferLeftDrafts).
#pragma once

#include "app/navigator.h"

#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace draxa {

class TDrawingsList;
class TDrawingsStore;
class TEditForm;
class TMyDraxa;

class TMainForm : public QWidget {
    Q_OBJECT

public:
    // Store is open; the window shows its first record at once. The window
    // closes the store when it is destroyed.
    explicit TMainForm(TDrawingsStore& Store, QWidget* Parent = nullptr);
    ~TMainForm() override;

    // Shows the current record (name, last update, drawing); an empty table
    // shows empty fields and an empty drawing.
    void ShowRecord();
    // What the window does after a navigator button's table action.
    void DBNavigator1Click(TNavigateBtn Which);
    // "History": the versions of the current record and the deleted drawings.
    void btnHistoryClick();
    // Offers the drafts that editors of programs which did not close left
    // behind (TRecoveryWindow); nothing when there are none.
    void OfferLeftDrafts();

    TEditForm* EditForm() const { return FEditForm; }
    // The settings key of the window's remembered place and size.
    static const QString GeometryKey;

    // The controls.
    QLabel* Image1() const { return FImage1; }
    QLabel* lblName() const { return FlblName; }
    QLabel* lblLastUpdate() const { return FlblLastUpdate; }
    QLabel* lblDraw() const { return FlblDraw; }
    QLineEdit* edtName() const { return FedtName; }
    QLineEdit* edtLastUpdate() const { return FedtLastUpdate; }
    QFrame* Panel1() const { return FPanel1; }
    TMyDraxa* MyDraxa1() const { return FMyDraxa1; }
    TDBNavigator* DBNavigator1() const { return FDBNavigator1; }
    TDrawingsList* DrawingsList() const { return FDrawingsList; }
    QPushButton* btnHistory() const { return FbtnHistory; }

protected:
    // Remembers the window's place and size for the next start.
    void closeEvent(QCloseEvent* Event) override;

private:
    // Opens the editor on the current record.
    void EditCurrentRecord();

    TDrawingsStore& FStore;
    // The navigator's part, at the size it always had.
    QWidget* FClassic;
    QLabel* FImage1;
    QLabel* FlblName;
    QLabel* FlblLastUpdate;
    QLabel* FlblDraw;
    QLineEdit* FedtName;
    QLineEdit* FedtLastUpdate;
    QFrame* FPanel1;
    TMyDraxa* FMyDraxa1;
    TDBNavigator* FDBNavigator1;
    TDrawingsList* FDrawingsList;
    QPushButton* FbtnHistory;
    TEditForm* FEditForm = nullptr;
};

} // namespace draxa
