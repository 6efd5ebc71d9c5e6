// TRecoveryWindow: "Recover drawings", shown at start when the editor of an
// earlier run of the program did not close (a crash, a kill, a power cut)
// and left drafts of drawings with changes that were never saved. Each can
// be opened in the editor, kept as a new drawing as it is, or discarded;
// "Decide later" leaves the rest for the next start.
#pragma once

#include "app/drawings_store.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace draxa {

class TMyDraxa;

class TRecoveryWindow : public QDialog {
    Q_OBJECT

public:
    explicit TRecoveryWindow(TDrawingsStore& Store, QWidget* Parent = nullptr);
    ~TRecoveryWindow() override;

    // Reads the drafts left behind again; the window closes when none is
    // left. False (the user told) when the store cannot be read.
    bool Reload();
    const std::vector<TDrawingDraft>& Drafts() const { return FDrafts; }

    // The buttons, on the chosen draft (the controls call them; so may tests).
    void btnOpenClick();
    void btnKeepClick();
    void btnDiscardClick();

    // Opens the draft in the editor (the main window does it); the list is
    // read again afterwards.
    std::function<void(const TDrawingDraft& Draft)> OnOpen;

    QListWidget* lstDrafts() const { return FList; }
    QPushButton* btnOpen() const { return FOpen; }
    QPushButton* btnKeep() const { return FKeep; }
    QPushButton* btnDiscard() const { return FDiscard; }

private:
    // The chosen draft, nullptr for none.
    const TDrawingDraft* Chosen() const;

    TDrawingsStore& FStore;
    std::vector<TDrawingDraft> FDrafts;
    QListWidget* FList;
    QPushButton* FOpen;
    QPushButton* FKeep;
    QPushButton* FDiscard;
    std::unique_ptr<TMyDraxa> FPainter;
};

} // namespace draxa
