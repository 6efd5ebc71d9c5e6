#include "app/drafts_recovery.h"

#include "app/form_support.h"
#include "foundation/dialogs.h"
#include "surface/draxa.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace draxa {

namespace {

constexpr int KThumbWidth = 96, KThumbHeight = 64;

} // namespace

TRecoveryWindow::TRecoveryWindow(TDrawingsStore& Store, QWidget* Parent)
    : QDialog(Parent), FStore(Store), FList(new QListWidget(this)),
      FOpen(new QPushButton(tr("&Open in the editor"), this)),
      FKeep(new QPushButton(tr("&Keep as new drawing"), this)),
      FDiscard(new QPushButton(tr("&Discard"), this)), FPainter(std::make_unique<TMyDraxa>()) {
    setObjectName(QStringLiteral("RecoveryWindow"));
    setWindowTitle(tr("Recover drawings"));
    MakeSizableWindow(*this);
    ApplyFormSurfaceSettings(*FPainter);

    auto* Intro = new QLabel(tr("The drawing editor did not close properly last time (the program ended "
                                "unexpectedly or the computer stopped). These drawings have changes that "
                                "were never saved; each holds the drawing as it was when it was last kept "
                                "automatically.\n\nOpen one to go on editing it and save it with OK, keep it "
                                "as a new drawing as it is, or discard it."),
                             this);
    Intro->setWordWrap(true);
    FList->setObjectName(QStringLiteral("lstDrafts"));
    FList->setIconSize(QSize(KThumbWidth, KThumbHeight));
    FOpen->setObjectName(QStringLiteral("btnOpen"));
    FKeep->setObjectName(QStringLiteral("btnKeep"));
    FDiscard->setObjectName(QStringLiteral("btnDiscard"));
    auto* Later = new QPushButton(tr("Decide &later"), this);
    Later->setObjectName(QStringLiteral("btnLater"));
    Later->setToolTip(tr("Keep the drafts and ask again at the next start"));
    for (QPushButton* B : {FOpen, FKeep, FDiscard, Later}) B->setAutoDefault(false);
    FOpen->setDefault(true);

    auto* Buttons = new QHBoxLayout;
    Buttons->addWidget(FOpen);
    Buttons->addWidget(FKeep);
    Buttons->addWidget(FDiscard);
    Buttons->addStretch(1);
    Buttons->addWidget(Later);
    auto* Page = new QVBoxLayout(this);
    Page->addWidget(Intro);
    Page->addWidget(FList, 1);
    Page->addLayout(Buttons);
    resize(640, 420);

    connect(FList, &QListWidget::currentRowChanged, this, [this] {
        const bool Any = Chosen() != nullptr;
        for (QPushButton* B : {FOpen, FKeep, FDiscard}) B->setEnabled(Any);
    });
    connect(FList, &QListWidget::itemDoubleClicked, this, [this] { btnOpenClick(); });
    connect(FOpen, &QPushButton::clicked, this, &TRecoveryWindow::btnOpenClick);
    connect(FKeep, &QPushButton::clicked, this, &TRecoveryWindow::btnKeepClick);
    connect(FDiscard, &QPushButton::clicked, this, &TRecoveryWindow::btnDiscardClick);
    connect(Later, &QPushButton::clicked, this, &QDialog::reject);
    Reload();
}

TRecoveryWindow::~TRecoveryWindow() = default;

bool TRecoveryWindow::Reload() {
    const bool Read = FStore.ListLeftDrafts(FDrafts);
    if (!Read) Dialogs().ShowMessage(FStore.LastError());
    FList->clear();
    for (const TDrawingDraft& Draft : FDrafts) {
        QString Of;
        TDrawingRecord Record;
        if (Draft.RecordKey < 0)
            Of = tr("a new drawing, never saved");
        else if (FStore.Read(Draft.RecordKey, Record))
            Of = tr("changes to the saved drawing \"%1\"").arg(Record.Name);
        else
            Of = tr("changes to a drawing that has since been deleted");
        const QString Name = Draft.Name.isEmpty() ? tr("(no name)") : Draft.Name;
        new QListWidgetItem(QIcon(DrawingThumbnail(*FPainter, Draft.Draw, KThumbWidth, KThumbHeight)),
                            tr("%1\n%2; last kept %3").arg(Name, Of, LastUpdateText(Draft.SavedAt)), FList);
    }
    if (!FDrafts.empty()) FList->setCurrentRow(0);
    for (QPushButton* B : {FOpen, FKeep, FDiscard}) B->setEnabled(!FDrafts.empty());
    // Nothing left to decide.
    if (Read && FDrafts.empty() && isVisible()) accept();
    return Read;
}

const TDrawingDraft* TRecoveryWindow::Chosen() const {
    const int Row = FList->currentRow();
    return Row >= 0 && Row < int(FDrafts.size()) ? &FDrafts[size_t(Row)] : nullptr;
}

void TRecoveryWindow::btnOpenClick() {
    RunGuarded(tr("Opening the draft"), [this] {
        const TDrawingDraft* Draft = Chosen();
        if (!Draft || !OnOpen) return;
        const TDrawingDraft Opened = *Draft;
        OnOpen(Opened);
        Reload();
    });
}

void TRecoveryWindow::btnKeepClick() {
    RunGuarded(tr("Keeping the draft"), [this] {
        const TDrawingDraft* Draft = Chosen();
        if (!Draft) return;
        const QString Name = (Draft->Name.isEmpty() ? tr("Drawing") : Draft->Name) + tr(" (recovered)");
        // Added first: should removing the draft fail, it is offered again
        // rather than lost.
        if (!FStore.Insert(Name, QDateTime::currentDateTime(), Draft->Draw) || !FStore.RemoveDraft(Draft->Id))
            Dialogs().ShowMessage(FStore.LastError());
        Reload();
    });
}

void TRecoveryWindow::btnDiscardClick() {
    RunGuarded(tr("Discarding the draft"), [this] {
        const TDrawingDraft* Draft = Chosen();
        if (!Draft) return;
        if (Dialogs().MessageDlg(tr("Discard the unsaved changes of \"%1\"? They cannot be brought back; the "
                                    "saved drawing is not touched.")
                                     .arg(Draft->Name),
                                 TMsgDlgType::mtConfirmation, mbYes | mbNo) != mrYes)
            return;
        if (!FStore.RemoveDraft(Draft->Id)) Dialogs().ShowMessage(FStore.LastError());
        Reload();
    });
}

} // namespace draxa
