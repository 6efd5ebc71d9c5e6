// TDrawingsList: the main window's list of every drawing, each with a small
// picture of it, its name and when it was last saved; a search box keeps
// the drawings whose names contain what is typed, and the list is sorted by
// name or by date (newest first). Choosing a row, or a double-click, is told
// to the window with the record's key.
#pragma once

#include "app/drawings_store.h"

#include <QHash>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QListWidget;

namespace draxa {

class TMyDraxa;

class TDrawingsList : public QWidget {
    Q_OBJECT

public:
    TDrawingsList(TDrawingsStore& Store, QWidget* Parent = nullptr);
    ~TDrawingsList() override;

    // The size of the pictures.
    static constexpr int ThumbWidth = 96;
    static constexpr int ThumbHeight = 64;

    // Reads the list again with the search text and order shown, keeping
    // the chosen row when it is still listed. False (nothing shown) when
    // the store cannot be read; the store tells why.
    bool Reload();
    // Makes the row of that record the current one without telling the window.
    void ShowKey(int64_t Key);
    // The record of the current row, -1 for none.
    int64_t CurrentKey() const;

    // The user chose a row, or double-clicked one.
    std::function<void(int64_t Key)> OnChosen;
    std::function<void(int64_t Key)> OnOpened;

    QLineEdit* edtSearch() const { return FSearch; }
    QComboBox* cbSort() const { return FSort; }
    QListWidget* lstDrawings() const { return FList; }

private:
    // The picture of a drawing: the page, scaled down.
    QPixmap Thumbnail(const TDrawingSummary& Row);

    TDrawingsStore& FStore;
    QLineEdit* FSearch;
    QComboBox* FSort;
    QListWidget* FList;
    // Draws the pictures; never shown.
    std::unique_ptr<TMyDraxa> FPainter;
    // Pictures already made, by key, for the time the record was saved.
    struct TCached {
        QDateTime LastUpdate;
        QPixmap Picture;
    };
    QHash<int64_t, TCached> FPictures;
};

} // namespace draxa
