#include "app/main_frm.h"

#include "app/drafts_recovery.h"
#include "app/drawings_list.h"
#include "app/drawings_store.h"
#include "app/edit_frm.h"
#include "app/form_support.h"
#include "app/glyphs.h"
#include "app/history_window.h"
#include "foundation/dialogs.h"
#include "surface/draxa.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace draxa {

const QString TMainForm::GeometryKey = QStringLiteral("MainForm/Geometry");

TMainForm::TMainForm(TDrawingsStore& Store, QWidget* Parent)
    : QWidget(Parent), FStore(Store), FClassic(new QWidget(this)), FImage1(new QLabel(FClassic)),
      FlblName(new QLabel(tr("Name"), FClassic)), FlblLastUpdate(new QLabel(tr("Last Update"), FClassic)),
      FlblDraw(new QLabel(tr("Draw"), FClassic)), FedtName(new QLineEdit(FClassic)),
      FedtLastUpdate(new QLineEdit(FClassic)), FPanel1(NewLoweredPanel(FClassic, QRect(80, 136, 393, 257))),
      FMyDraxa1(new TMyDraxa(FPanel1)), FDBNavigator1(new TDBNavigator(Store, FClassic)),
      FDrawingsList(new TDrawingsList(Store, this)),
      FbtnHistory(new QPushButton(tr("&History..."), FClassic)) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(tr("TDraxa database example"));
    MakeSizableWindow(*this);
    FClassic->setObjectName(QStringLiteral("Classic"));
    FClassic->setFixedSize(500, 480);
    auto* Row = new QHBoxLayout(this);
    Row->setContentsMargins(0, 8, 8, 8);
    Row->addWidget(FClassic, 0, Qt::AlignTop);
    Row->addWidget(FDrawingsList, 1);
    FDrawingsList->setMinimumWidth(220);
    FDrawingsList->OnChosen = [this](int64_t Key) {
        RunGuarded(tr("Showing the drawings"), [&] {
            if (FStore.MoveTo(Key)) ShowRecord();
        });
    };
    FDrawingsList->OnOpened = [this](int64_t Key) {
        RunGuarded(tr("Editing the drawing"), [&] {
            if (!FStore.MoveTo(Key)) return;
            ShowRecord();
            EditCurrentRecord();
            FDrawingsList->Reload();
        });
    };
    resize(880, 488);

    FImage1->setObjectName(QStringLiteral("Image1"));
    FImage1->setPixmap(BannerPicture(tr("drawings database")));
    FImage1->setGeometry(16, 8, 287, 47);

    // Each label ends just before the field it names, whatever the font.
    const auto PlaceLabel = [](QLabel* Label, const char* Name, int Left, int Top) {
        Label->setObjectName(QLatin1String(Name));
        Label->adjustSize();
        Label->move(std::min(Left, 76 - Label->width()), Top);
    };
    PlaceLabel(FlblName, "lblName", 45, 80);
    PlaceLabel(FlblLastUpdate, "lblLastUpdate", 15, 104);
    PlaceLabel(FlblDraw, "lblDraw", 48, 128);

    FedtName->setObjectName(QStringLiteral("edtName"));
    FedtName->setGeometry(80, 72, 209, 21);
    MakeDisplayOnly(*FedtName);
    FedtLastUpdate->setObjectName(QStringLiteral("edtLastUpdate"));
    FedtLastUpdate->setGeometry(80, 104, 209, 21);
    MakeDisplayOnly(*FedtLastUpdate);

    FPanel1->setObjectName(QStringLiteral("Panel1"));
    FMyDraxa1->setObjectName(QStringLiteral("MyDraxa1"));
    FMyDraxa1->SetBounds(8, 8, 378, 242);
    ApplyFormSurfaceSettings(*FMyDraxa1);
    FMyDraxa1->SetArcMode(TArcMode::amCircle);
    FMyDraxa1->SetDragTrace(true);
    FMyDraxa1->SetPenStyleJoinType(TPenStyleJoinType::psjtROUND);
    FMyDraxa1->SetPenStyleEndCapType(TPenStyleEndCapType::psectROUND);
    // Only shows the drawing; editing happens in the editor.
    FMyDraxa1->setEnabled(false);

    FDBNavigator1->setGeometry(80, 408, 320, 25);
    FDBNavigator1->OnClick = [this](TNavigateBtn Which) {
        RunGuarded(tr("Showing the drawings"), [&] { DBNavigator1Click(Which); });
    };

    FbtnHistory->setObjectName(QStringLiteral("btnHistory"));
    FbtnHistory->setGeometry(408, 408, 80, 25);
    FbtnHistory->setToolTip(tr("Earlier versions of this drawing, and deleted drawings"));
    connect(FbtnHistory, &QPushButton::clicked, this, &TMainForm::btnHistoryClick);

    // Where the window was last, else in the middle of the screen.
    if (!restoreGeometry(AppSettings().value(GeometryKey).toByteArray())) CentreOnScreen(*this);
    // Start-up shows the first record.
    FStore.First();
    FDrawingsList->Reload();
    ShowRecord();

    FEditForm = new TEditForm(FStore, this);
    FEditForm->OnSaved = [this] {
        FDrawingsList->Reload();
        ShowRecord();
    };
}

void TMainForm::closeEvent(QCloseEvent* Event) {
    AppSettings().setValue(GeometryKey, saveGeometry());
    QWidget::closeEvent(Event);
}

TMainForm::~TMainForm() {
    FStore.Close();
}

void TMainForm::ShowRecord() {
    TDrawingRecord Record;
    if (!FStore.IsEmpty() && !FStore.ReadCurrent(Record)) {
        Dialogs().ShowMessage(FStore.LastError());
        Record = TDrawingRecord();
    }
    FedtName->setText(Record.Name);
    // A long name shows its start.
    FedtName->setCursorPosition(0);
    FedtLastUpdate->setText(LastUpdateText(Record.LastUpdate));
    ShowRecordDrawing(*FMyDraxa1, Record);
    FDBNavigator1->UpdateButtons();
    FDrawingsList->ShowKey(FStore.CurrentKey());
}

void TMainForm::DBNavigator1Click(TNavigateBtn Which) {
    switch (Which) {
    case TNavigateBtn::nbFirst:
    case TNavigateBtn::nbPrior:
    case TNavigateBtn::nbNext:
    case TNavigateBtn::nbLast:
        ShowRecord();
        break;
    case TNavigateBtn::nbDelete:
    case TNavigateBtn::nbRefresh:
        FDrawingsList->Reload();
        ShowRecord();
        break;
    case TNavigateBtn::nbEdit:
        EditCurrentRecord();
        FDrawingsList->Reload();
        break;
    case TNavigateBtn::nbInsert:
        FEditForm->NewDrawing();
        FDrawingsList->Reload();
        break;
    }
}

void TMainForm::EditCurrentRecord() {
    TDrawingRecord Record;
    if (!FStore.ReadCurrent(Record)) {
        Dialogs().ShowMessage(FStore.LastError());
        return;
    }
    // After a save the main window has shown the record already; an editor
    // closed otherwise may have met someone else's newer version of it.
    const TModalResult Result = FEditForm->EditRecord(Record);
    if (Result != mrNone && Result != mrOk) ShowRecord();
}

void TMainForm::btnHistoryClick() {
    RunGuarded(tr("Showing the history"), [this] {
        THistoryWindow History(FStore, FStore.CurrentKey(), this);
        if (Dialogs().ExecuteModal(History) != mrOk) return;
        // The record that holds the drawing now becomes the current one.
        FStore.Refresh();
        FStore.MoveTo(History.ResultKey());
        FDrawingsList->Reload();
        ShowRecord();
    });
}

void TMainForm::OfferLeftDrafts() {
    RunGuarded(tr("Recovering drawings"), [this] {
        std::vector<TDrawingDraft> Drafts;
        if (!FStore.ListLeftDrafts(Drafts)) {
            Dialogs().ShowMessage(FStore.LastError());
            return;
        }
        if (Drafts.empty()) return;
        TRecoveryWindow Recovery(FStore, this);
        Recovery.OnOpen = [this](const TDrawingDraft& Draft) {
            FEditForm->EditDraft(Draft);
            FDrawingsList->Reload();
            ShowRecord();
        };
        Dialogs().ExecuteModal(Recovery);
        FStore.Refresh();
        FDrawingsList->Reload();
        ShowRecord();
    });
}

} // namespace draxa
