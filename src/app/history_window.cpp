#include "app/history_window.h"

#include "app/form_support.h"
#include "foundation/dialogs.h"
#include "foundation/streams.h"
#include "surface/draxa.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <exception>

namespace draxa {

namespace {

// The line of the list for a row: name, then when.
QString RowText(const TDrawingVersion& Row, bool Deleted) {
    const QString When = Deleted ? THistoryWindow::tr("deleted %1").arg(LastUpdateText(Row.DeletedAt))
                                 : THistoryWindow::tr("saved %1").arg(LastUpdateText(Row.LastUpdate));
    QString Name = Row.Name.isEmpty() ? THistoryWindow::tr("(no name)") : Row.Name;
    if (Row.Draw.isEmpty()) Name += THistoryWindow::tr(" (empty drawing)");
    return Name + QLatin1Char('\n') + When;
}

} // namespace

THistoryWindow::THistoryWindow(TDrawingsStore& Store, int64_t RecordKey, QWidget* Parent)
    : QDialog(Parent), FStore(Store), FRecordKey(RecordKey), FShow(new QComboBox(this)),
      FList(new QListWidget(this)), FPreview(new TMyDraxa), FChosen(new QLabel(this)),
      FRestore(new QPushButton(tr("&Restore"), this)),
      FOpenAsNew(new QPushButton(tr("&Open as new drawing"), this)), FPainter(std::make_unique<TMyDraxa>()) {
    setObjectName(QStringLiteral("HistoryWindow"));
    MakeSizableWindow(*this);
    QString Name;
    if (RecordKey >= 0) {
        TDrawingRecord Record;
        if (FStore.Read(RecordKey, Record)) Name = Record.Name;
    }
    setWindowTitle(RecordKey >= 0 ? tr("History of \"%1\"").arg(Name) : tr("Deleted drawings"));

    FShow->setObjectName(QStringLiteral("cbShow"));
    if (RecordKey >= 0) FShow->addItem(tr("Earlier versions of \"%1\"").arg(Name));
    FShow->addItem(tr("Deleted drawings (kept %1 days)").arg(TDrawingsStore::DeletedKeptDays));
    auto* Top = new QHBoxLayout;
    Top->addWidget(new QLabel(tr("Show:"), this));
    Top->addWidget(FShow, 1);

    FList->setObjectName(QStringLiteral("lstVersions"));
    FList->setIconSize(QSize(ThumbWidth, ThumbHeight));
    FList->setMinimumWidth(280);
    FList->setUniformItemSizes(true);
    ApplyFormSurfaceSettings(*FPainter);

    // The preview only shows the drawing.
    FPreview->setObjectName(QStringLiteral("Preview"));
    ApplyFormSurfaceSettings(*FPreview);
    FPreview->setEnabled(false);
    auto* Scroll = new QScrollArea(this);
    Scroll->setBackgroundRole(QPalette::Dark);
    Scroll->setAlignment(Qt::AlignCenter);
    Scroll->setWidget(FPreview);
    FChosen->setObjectName(QStringLiteral("lblChosen"));
    FChosen->setWordWrap(true);
    auto* Right = new QVBoxLayout;
    Right->addWidget(Scroll, 1);
    Right->addWidget(FChosen);
    auto* Middle = new QHBoxLayout;
    Middle->addWidget(FList);
    Middle->addLayout(Right, 1);

    FRestore->setObjectName(QStringLiteral("btnRestore"));
    FOpenAsNew->setObjectName(QStringLiteral("btnOpenAsNew"));
    auto* Close = new QPushButton(tr("Close"), this);
    Close->setObjectName(QStringLiteral("btnClose"));
    for (QPushButton* B : {FRestore, FOpenAsNew, Close}) B->setAutoDefault(false);
    auto* Buttons = new QHBoxLayout;
    Buttons->addWidget(FRestore);
    Buttons->addWidget(FOpenAsNew);
    Buttons->addStretch(1);
    Buttons->addWidget(Close);

    auto* Page = new QVBoxLayout(this);
    Page->addLayout(Top);
    Page->addLayout(Middle, 1);
    Page->addLayout(Buttons);
    resize(820, 520);

    connect(FShow, &QComboBox::currentIndexChanged, this, [this] { Reload(); });
    connect(FList, &QListWidget::currentRowChanged, this, [this] { ShowChosen(); });
    connect(FRestore, &QPushButton::clicked, this, &THistoryWindow::btnRestoreClick);
    connect(FOpenAsNew, &QPushButton::clicked, this, &THistoryWindow::btnOpenAsNewClick);
    connect(Close, &QPushButton::clicked, this, &QDialog::reject);
    Reload();
}

THistoryWindow::~THistoryWindow() = default;

bool THistoryWindow::ShowingDeleted() const {
    return FRecordKey < 0 || FShow->currentIndex() == 1;
}

void THistoryWindow::ShowDeleted(bool Deleted) {
    if (FRecordKey >= 0) FShow->setCurrentIndex(Deleted ? 1 : 0);
}

bool THistoryWindow::Reload() {
    const bool Deleted = ShowingDeleted();
    const bool Read = Deleted ? FStore.ListDeletedDrawings(FRows) : FStore.ListVersions(FRecordKey, FRows);
    FList->clear();
    if (!Read) {
        FRows.clear();
        Dialogs().ShowMessage(FStore.LastError());
    }
    for (const TDrawingVersion& Row : FRows)
        new QListWidgetItem(QIcon(DrawingThumbnail(*FPainter, Row.Draw, ThumbWidth, ThumbHeight)),
                            RowText(Row, Deleted), FList);
    FRestore->setText(Deleted ? tr("&Bring back") : tr("&Restore"));
    FRestore->setToolTip(Deleted ? tr("Add the deleted drawing to the drawings again, with its versions")
                                 : tr("Make this version the drawing again; the drawing as it is now is kept "
                                      "as a version"));
    FOpenAsNew->setToolTip(tr("Add a copy of this version as a new drawing"));
    if (!FRows.empty()) FList->setCurrentRow(0);
    ShowChosen();
    return Read;
}

const TDrawingVersion* THistoryWindow::Chosen() const {
    const int Row = FList->currentRow();
    return Row >= 0 && Row < int(FRows.size()) ? &FRows[size_t(Row)] : nullptr;
}

void THistoryWindow::ShowChosen() {
    const TDrawingVersion* Row = Chosen();
    FRestore->setEnabled(Row != nullptr);
    FOpenAsNew->setEnabled(Row != nullptr);
    bool Loaded = false;
    if (Row && !Row->Draw.isEmpty()) {
        try {
            TMemoryStream Stream(Row->Draw);
            Loaded = FPreview->LoadFromStream(Stream);
        } catch (const std::exception&) {
            Loaded = false;
        }
    }
    if (!Loaded) FPreview->Clear();
    FPreview->UnselectAll();
    FPreview->Invalidate();
    // No page at all rather than an empty one that looks like a drawing.
    FPreview->setVisible(Loaded);
    if (!Row) {
        FChosen->setText(
            ShowingDeleted()
                ? tr("No drawing was deleted in the last %1 days.").arg(TDrawingsStore::DeletedKeptDays)
                : tr("The drawing has no earlier versions yet: each save keeps the "
                     "drawing it replaces here."));
        return;
    }
    QString Text = tr("\"%1\", saved %2").arg(Row->Name, LastUpdateText(Row->LastUpdate));
    if (Row->DeletedAt.isValid()) Text += tr(", deleted %1").arg(LastUpdateText(Row->DeletedAt));
    if (!Loaded && !Row->Draw.isEmpty()) Text += tr(" (its drawing cannot be read)");
    FChosen->setText(Text);
}

void THistoryWindow::btnRestoreClick() {
    RunGuarded(tr("Restoring the drawing"), [this] {
        const TDrawingVersion* Row = Chosen();
        if (!Row) return;
        const TDrawingVersion Version = *Row;
        if (ShowingDeleted()) {
            if (!FStore.RestoreDeleted(Version.DeletedGroup)) {
                Dialogs().ShowMessage(FStore.LastError());
                Reload();
                return;
            }
            FResultKey = FStore.CurrentKey();
            FReplaced = false;
            done(mrOk);
            return;
        }
        if (Dialogs().MessageDlg(
                tr("Make the version saved %1 the drawing \"%2\" again?\n\nThe drawing as it "
                   "is now is kept among its versions.")
                    .arg(LastUpdateText(Version.LastUpdate), Version.Name),
                TMsgDlgType::mtConfirmation, mbYes | mbNo) != mrYes)
            return;
        if (OnBeforeRestore && !OnBeforeRestore()) return;
        int64_t Revision = 0;
        if (!FStore.RestoreVersion(Version, Revision)) {
            Dialogs().ShowMessage(FStore.LastError());
            Reload();
            return;
        }
        FResultKey = Version.RecordKey;
        FReplaced = true;
        done(mrOk);
    });
}

void THistoryWindow::btnOpenAsNewClick() {
    RunGuarded(tr("Adding the drawing"), [this] {
        const TDrawingVersion* Row = Chosen();
        if (!Row) return;
        // Its own name, so that the list tells it from the drawing it came from.
        const QString Name = tr("%1 (copy of %2)").arg(Row->Name, LastUpdateText(Row->LastUpdate));
        if (!FStore.Insert(Name, QDateTime::currentDateTime(), Row->Draw)) {
            Dialogs().ShowMessage(FStore.LastError());
            return;
        }
        FResultKey = FStore.CurrentKey();
        FReplaced = false;
        done(mrOk);
    });
}

} // namespace draxa
