// TDBNavigator: the row of buttons that moves through the drawings table and
// starts the changes to it.
//
// A click first does what the button means for the table (move, delete after
// the user confirms, read the table again; insert and edit change nothing by
// themselves) and then hands the button to OnClick, where the window shows
// the record or opens the editor.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QToolButton;

namespace draxa {

class TDrawingsStore;

enum class TNavigateBtn : uint8_t { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbRefresh };

class TDBNavigator : public QWidget {
    Q_OBJECT

public:
    static constexpr int ButtonCount = 8;

    // Eight equal buttons side by side over the widget's width.
    TDBNavigator(TDrawingsStore& Store, QWidget* Parent = nullptr);

    QToolButton* Button(TNavigateBtn Which) const { return FButtons[size_t(Which)]; }
    // What a click on the button does (the buttons call it).
    void BtnClick(TNavigateBtn Which);
    // Enables the buttons that can do something at the cursor's place: no
    // moving back from the first record or on from the last, no edit or
    // delete in an empty table.
    void UpdateButtons();

    // Asks "Delete record?" before deleting (through the dialog seam).
    bool ConfirmDelete = true;
    // After the table action of a button.
    std::function<void(TNavigateBtn Which)> OnClick;

protected:
    void resizeEvent(QResizeEvent* Event) override;

private:
    TDrawingsStore& FStore;
    std::array<QToolButton*, ButtonCount> FButtons{};
};

} // namespace draxa
