#include "app/edit_frm.h"

#include "app/drawing_menu.h"
#include "app/drawings_store.h"
#include "app/editor_actions.h"
#include "app/editor_status.h"
#include "app/editor_view.h"
#include "app/file_menu.h"
#include "app/form_support.h"
#include "app/format_bar.h"
#include "app/glyphs.h"
#include "app/history_window.h"
#include "app/layers_panel.h"
#include "app/quantities_panel.h"
#include "foundation/busy_wait.h"
#include "foundation/picture_loader.h"
#include "foundation/streams.h"
#include "shapes/text.h"

#include <QAction>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace draxa {

const QString TEditForm::DocumentFilter = QStringLiteral("TDraxa files (*.tdraxa)");
const QString TEditForm::DocumentFolderKey = QStringLiteral("EditForm/DocumentFolder");
const QString TEditForm::GeometryKey = QStringLiteral("EditForm/Geometry");

TEditForm::TEditForm(TDrawingsStore& Store, QWidget* Parent)
    : QDialog(Parent), FStore(Store), FImage1(new QLabel(this)), FedtName(new TNameEdit(this)),
      FPanel1(NewLoweredPanel(this, QRect(80, 112, 393, 257))), FScrollBox(new QScrollArea(FPanel1)),
      FDraxaEdit(new TMyDraxa(FPanel1)), FPanel2(new TToolBar(this)),
      FbtnLoad(new QPushButton(tr("&Load"), this)), FbtnHistory(new QPushButton(tr("&History..."), this)),
      FbbtnCancel(new QPushButton(CancelGlyph(), tr("Cancel"), this)),
      FbbtnOK(new QPushButton(OkGlyph(), tr("OK"), this)), FMenuBar(new QMenuBar(this)),
      FActions(new TEditorActions(*FDraxaEdit, *FMenuBar, *this)),
      FStatusBar(new TEditorStatusBar(*FDraxaEdit, this)), FFormatBar(new TFormatBar(*FDraxaEdit, this)),
      FLayersPanel(new TLayersPanel(*FDraxaEdit, this)),
      FQuantitiesPanel(new TQuantitiesPanel(*FDraxaEdit, this)),
      FView(new TEditorView(*FDraxaEdit, *FScrollBox, *FActions->mnuView)),
      FDrawingMenu(new TDrawingMenu(*FDraxaEdit, *FLayersPanel, *FMenuBar, *this)),
      FFileMenu(new TFileMenu(*FDraxaEdit, *FMenuBar, *this, [this] { return FedtName->text(); })) {
    FAutosaveTimer = new QTimer(this);
    FAutosaveTimer->setInterval(FAutosaveIntervalMs);
    setObjectName(QStringLiteral("EditForm"));
    setWindowTitle(tr("Edit"));
    MakeSizableWindow(*this);

    FImage1->setObjectName(QStringLiteral("Image1"));
    FImage1->setPixmap(BannerPicture(tr("drawing editor")));
    FImage1->setFixedSize(287, 47);

    FedtName->setObjectName(QStringLiteral("edtName"));
    FedtName->setMaxLength(TDrawingsStore::NameMaxLength);

    FPanel1->setObjectName(QStringLiteral("Panel1"));
    FDraxaEdit->setObjectName(QStringLiteral("DraxaEdit"));
    FDraxaEdit->SetBounds(8, 8, 378, 242);
    ApplyFormSurfaceSettings(*FDraxaEdit);
    FDraxaEdit->SetAutoLinkPoints(true);
    // Keys edit the drawing once the surface has been clicked: Delete
    // deletes shapes there, not the name.
    FDraxaEdit->SetKeyboardEditing(true);
    // Cancelling the lines of a new text box takes the box back.
    FDraxaEdit->SetDropCancelledText(true);
    FDraxaEdit->installEventFilter(this);
    FDraxaEdit->OnShapeAdded = [this](TMyShape*& AShape, int ShapeCount) {
        DraxaEditShapeAdded(AShape, ShapeCount);
    };
    FDraxaEdit->OnActionToolToSelecting = [this] { DraxaEditActionToolToSelecting(); };
    // The page keeps the size its page and zoom give it; the scroll area
    // around it grows with the window and shows it in the middle.
    FScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    FScrollBox->setFrameShape(QFrame::NoFrame);
    FScrollBox->setBackgroundRole(QPalette::Dark);
    FScrollBox->setAlignment(Qt::AlignCenter);
    FScrollBox->setWidgetResizable(false);
    FScrollBox->setWidget(FDraxaEdit);

    FPanel2->OnToolChosen = [this](TDrawTool Tool) {
        RunGuarded(tr("Choosing the tool"), [&] { FDraxaEdit->SetShapeTool(Tool); });
        FStatusBar->Update();
    };

    FbtnLoad->setObjectName(QStringLiteral("btnLoad"));
    FbtnLoad->setFixedSize(75, 25);
    FbtnLoad->setAutoDefault(false);
    FbtnHistory->setObjectName(QStringLiteral("btnHistory"));
    FbtnHistory->setAutoDefault(false);
    FbtnHistory->setToolTip(tr("Earlier versions of this drawing, and deleted drawings"));
    FbbtnCancel->setObjectName(QStringLiteral("bbtnCancel"));
    FbbtnCancel->setFixedSize(75, 25);
    FbbtnCancel->setAutoDefault(false);
    FbbtnOK->setObjectName(QStringLiteral("bbtnOK"));
    FbbtnOK->setFixedSize(75, 25);
    // Enter anywhere in the window presses OK; Escape is Cancel (reject).
    FbbtnOK->setDefault(true);

    FQuantitiesPanel->hide();
    FactShowQuantities = FActions->mnuView->addAction(tr("&Quantities"));
    FactShowQuantities->setObjectName(QStringLiteral("actShowQuantities"));
    FactShowQuantities->setCheckable(true);
    FactShowQuantities->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q));

    FMenuBar->setObjectName(QStringLiteral("MenuBar"));
    // The keys of the menus work wherever the focus is in the window.
    for (QAction* Menu : FMenuBar->actions()) addActions(Menu->menu()->actions());
    FActions->OnChanged = [this] {
        FStatusBar->Update();
        FFormatBar->Update();
    };
    // The format bar shows the selection's format whenever the menus'
    // states are brought up to date (the selection may have changed).
    FActions->OnUpdated = [this] {
        FFormatBar->Update();
        FLayersPanel->Update();
        FStatusBar->Update();
        FQuantitiesPanel->RefreshLater();
    };
    FLayersPanel->OnChanged = [this] {
        FStatusBar->Update();
        FActions->Update();
        FQuantitiesPanel->RefreshLater();
    };
    FFormatBar->OnChanged = [this] { FActions->Update(); };
    FView->OnChanged = [this] {
        FActions->Update();
        FStatusBar->Update();
    };
    FDrawingMenu->OnChanged = [this] {
        FActions->Update();
        FStatusBar->Update();
        FQuantitiesPanel->RefreshLater();
    };
    CreateLayout();

    connect(FbtnLoad, &QPushButton::clicked, this, &TEditForm::btnLoadClick);
    connect(FbtnHistory, &QPushButton::clicked, this, &TEditForm::btnHistoryClick);
    connect(FAutosaveTimer, &QTimer::timeout, this,
            [this] { RunGuarded(tr("Keeping a draft of the drawing"), [this] { WriteDraft(); }); });
    connect(FbbtnCancel, &QPushButton::clicked, this, &TEditForm::reject);
    connect(FbbtnOK, &QPushButton::clicked, this, &TEditForm::bbtnOKClick);
}

TEditForm::~TEditForm() {
    // The surface may fire its events while it is destroyed; the handlers
    // would reach controls that are gone.
    FDraxaEdit->OnShapeAdded = nullptr;
    FDraxaEdit->OnActionToolToSelecting = nullptr;
    // They let go of the surface while it is still there.
    delete FActions;
    delete FStatusBar;
    delete FFormatBar;
    delete FLayersPanel;
    delete FQuantitiesPanel;
    delete FView;
    delete FDrawingMenu;
    delete FFileMenu;
}

void TEditForm::CreateLayout() {
    // The places of the fixed window, kept in order: banner, then the tool
    // panel at the left of the name and the drawing, the buttons below.
    auto* Surface = new QVBoxLayout(FPanel1);
    Surface->setContentsMargins(2, 2, 2, 2);
    Surface->addWidget(FScrollBox);
    FPanel1->setMinimumSize(160, 120);

    auto* Buttons = new QHBoxLayout;
    Buttons->addWidget(FbtnHistory);
    Buttons->addStretch(1);
    Buttons->addWidget(FbtnLoad);
    Buttons->addWidget(FbbtnCancel);
    Buttons->addWidget(FbbtnOK);

    auto* Body = new QGridLayout;
    Body->setContentsMargins(8, 8, 8, 4);
    Body->setHorizontalSpacing(7);
    Body->addWidget(FImage1, 0, 0, 1, 3, Qt::AlignLeft);
    Body->addWidget(FPanel2, 1, 0, 3, 1, Qt::AlignTop);
    Body->addWidget(FedtName, 1, 1, 1, 2);
    Body->addWidget(FFormatBar, 2, 1, 1, 2);
    Body->addWidget(FPanel1, 3, 1);
    Body->addWidget(FLayersPanel, 3, 2);
    Body->addWidget(FQuantitiesPanel, 4, 1, 1, 2);
    Body->addLayout(Buttons, 5, 1, 1, 2);
    Body->setRowStretch(3, 1);
    // Shown, the quantities take a share of the height from the drawing:
    // the window keeps its size (Qt would grow it by the panel's, past the
    // bottom of the screen) unless it is below its new minimum.
    connect(FactShowQuantities, &QAction::toggled, this, [this, Body](bool Show) {
        const QSize Before = size();
        Body->setRowStretch(4, Show ? 1 : 0);
        FQuantitiesPanel->setVisible(Show);
        if (Show) FQuantitiesPanel->Refresh();
        if (isVisible()) {
            layout()->activate();
            resize(Before.expandedTo(minimumSize()));
        }
    });
    Body->setColumnStretch(1, 1);

    auto* Window = new QVBoxLayout(this);
    Window->setContentsMargins(0, 0, 0, 0);
    Window->setSpacing(0);
    Window->setMenuBar(FMenuBar);
    Window->addLayout(Body, 1);
    Window->addWidget(FStatusBar);
}

bool TEditForm::eventFilter(QObject* Watched, QEvent* Event) {
    // Focus goes with a click of the user's own (ClickFocus); this gives it
    // for presses that programs send too, so that keys follow every press.
    if (Watched == FDraxaEdit) {
        const QEvent::Type Type = Event->type();
        if (Type == QEvent::MouseButtonPress) FDraxaEdit->setFocus(Qt::MouseFocusReason);
        // A double-click while selecting edits the text there, once the
        // press is over (a drawing tool takes it for itself: it finishes
        // polylines).
        if (Type == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton &&
            FDraxaEdit->ShapeTool() == TDrawTool::SpSelecting) {
            const QPoint P = static_cast<QMouseEvent*>(Event)->position().toPoint();
            FTextEditPending = true;
            FTextEditAt = TPoint{P.x(), P.y()};
        } else if (Type == QEvent::MouseButtonRelease && FTextEditPending) {
            FTextEditPending = false;
            const TPoint P = FTextEditAt;
            QMetaObject::invokeMethod(
                this, [this, P] { RunGuarded(tr("Editing the text"), [&] { EditShapeTextAt(P); }); },
                Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

bool TEditForm::EditShapeTextAt(const TPoint& P) {
    TMyShape* Shape = FDraxaEdit->CaptionAt(P);
    bool Caption = Shape != nullptr;
    if (!Shape) {
        Shape = FDraxaEdit->ShapeAt(P);
        if (!Shape) return false;
        Caption = !dynamic_cast<TMyText*>(Shape);
    }
    if (Shape->Locked()) return false;
    QStringList Lines = TMyDraxa::ShapeText(*Shape, Caption);
    if (!Dialogs().EditStrings(Lines)) return false;
    const bool Changed = FDraxaEdit->SetShapeText(Shape->ShapeNo(), Lines, Caption);
    FActions->Update();
    return Changed;
}

QButtonGroup* TEditForm::ToolButtons() const {
    return FPanel2->Buttons();
}

QToolButton* TEditForm::ToolButton(TDrawTool Tool) const {
    return FPanel2->Button(Tool);
}

TModalResult TEditForm::EditRecord(const TDrawingRecord& Record) {
    FedtName->setText(Record.Name);
    if (!ShowRecordDrawing(*FDraxaEdit, Record)) return mrNone;
    FMode = TagExisting;
    FRecordKey = Record.Key;
    FRecordRevision = Record.Revision;
    RestoreMode();
    FedtName->setFocus();
    return Dialogs().ExecuteModal(*this);
}

TModalResult TEditForm::EditDraft(const TDrawingDraft& Draft) {
    TDrawingRecord Shown;
    Shown.Name = Draft.Name;
    Shown.Draw = Draft.Draw;
    FedtName->setText(Draft.Name);
    if (!ShowRecordDrawing(*FDraxaEdit, Shown)) return mrNone;
    // The record it was made from, when that is still there; else it
    // becomes a new drawing.
    TDrawingRecord Saved;
    const bool Existing = Draft.RecordKey >= 0 && FStore.Read(Draft.RecordKey, Saved);
    FMode = Existing ? TagExisting : TagNew;
    FRecordKey = Existing ? Draft.RecordKey : -1;
    // The revision its editor read: a save made since then is a conflict.
    FRecordRevision = Existing ? Draft.Revision : 0;
    FDraftId = Draft.Id;
    FDraftDrawing.clear();
    FFromDraft = true;
    // Claimed for this program at once, so that another one started
    // meanwhile does not offer it too; should that fail, the first draft
    // this editor writes claims it.
    FStore.WriteDraft(FDraftId, FRecordKey, FRecordRevision, Draft.Name, Draft.Draw);
    RestoreMode();
    FedtName->setFocus();
    setWindowTitle(tr("Edit (recovered changes, not saved yet)"));
    const TModalResult Result = Dialogs().ExecuteModal(*this);
    setWindowTitle(tr("Edit"));
    return Result;
}

TModalResult TEditForm::NewDrawing() {
    FMode = TagNew;
    FRecordKey = -1;
    RestoreMode();
    StartEmptyDrawing();
    // Typing replaces the prompt.
    FedtName->ShowPrompt(tr("Please input the draw name."));
    FedtName->setFocus();
    return Dialogs().ExecuteModal(*this);
}

void TEditForm::StartEmptyDrawing() {
    // Nothing of the drawing edited before comes along: not its layers,
    // page, units, scale or background.
    TMyDraxa& D = *FDraxaEdit;
    D.Clear();
    D.DeleteAllLayers();
    D.AddLayer(QStringLiteral("Layer0"), true);
    ApplyFormSurfaceSettings(D);
    D.SetBounds(D.x(), D.y(), D.PageMmToPixels(100), D.PageMmToPixels(64));
    TBitmap NoPicture;
    D.SetBkBitmap(NoPicture);
    D.ClearUndo();
    D.SetModified(false);
    D.Invalidate();
    FPanel2->ShowTool(D.ShapeTool());
}

void TEditForm::bbtnOKClick() {
    RunGuarded(tr("Saving the drawing"), [this] { SaveDrawing(); });
}

void TEditForm::SaveDrawing() {
    if (FedtName->Name().isEmpty()) {
        Dialogs().ShowMessage(tr("Please input the draw name."));
        FedtName->setFocus();
        FedtName->selectAll();
        return;
    }
    TMemoryStream Stream;
    if (!FDraxaEdit->SaveToStream(Stream)) {
        Dialogs().ShowMessage(tr("The drawing could not be written out, so nothing was saved."));
        return;
    }
    const QString Name = FedtName->text();
    const QDateTime Now = QDateTime::currentDateTime();
    const bool New = FDraxaEdit->Tag() == TagNew;
    int64_t Revision = FRecordRevision;
    const bool Saved = New ? FStore.Insert(Name, Now, Stream.ToByteArray())
                           : FStore.Update(FRecordKey, Revision, Name, Now, Stream.ToByteArray());
    if (!Saved) {
        // The editor stays open with the drawing, so the user loses nothing
        // and can try again, keep it as a new drawing or cancel.
        const TStoreFailure Kind = FStore.LastFailure();
        if (!New && (Kind == TStoreFailure::sfConflict || Kind == TStoreFailure::sfMissing))
            ResolveSaveConflict(Kind);
        else
            Dialogs().ShowMessage(FStore.LastError());
        return;
    }
    FRecordRevision = Revision;
    FFromDraft = false;
    DropDraft();
    if (OnSaved) OnSaved();
    Dialogs().ShowMessage(tr("Save success!"));
    done(mrOk);
}

void TEditForm::ResolveSaveConflict(TStoreFailure Kind) {
    const QString Name = FedtName->text();
    if (Kind == TStoreFailure::sfMissing) {
        if (Dialogs().MessageDlg(tr("Someone else has deleted the drawing \"%1\" since you opened it, so "
                                    "your drawing was not saved. It is still open.\n\nKeep it as a new "
                                    "drawing? (Press OK again to save it.)")
                                     .arg(Name),
                                 TMsgDlgType::mtWarning, mbYes | mbNo) == mrYes)
            KeepAsNewDrawing();
        return;
    }
    const TModalResult Answer = Dialogs().MessageDlg(
        tr("Someone else has saved the drawing \"%1\" since you opened it, so your changes were not "
           "saved. Your drawing is still open.\n\n"
           "Yes: keep your drawing as a new one; give it another name and press OK to save it.\n"
           "No: reload the drawing as it is saved now; your changes are discarded.\n"
           "Cancel: go back to your drawing.")
            .arg(Name),
        TMsgDlgType::mtWarning, mbYes | mbNo | mbCancel);
    if (Answer == mrYes)
        KeepAsNewDrawing();
    else if (Answer == mrNo)
        ReloadRecord();
}

void TEditForm::KeepAsNewDrawing() {
    FMode = TagNew;
    FRecordKey = -1;
    FRecordRevision = 0;
    RestoreMode();
    FedtName->setFocus();
    FedtName->selectAll();
}

void TEditForm::ReloadRecord() {
    TDrawingRecord Record;
    if (!FStore.Read(FRecordKey, Record)) {
        // Deleted meanwhile as well: the drawing stays as it is.
        Dialogs().ShowMessage(FStore.LastError());
        return;
    }
    FedtName->setText(Record.Name);
    if (!ShowRecordDrawing(*FDraxaEdit, Record)) {
        // The saved drawing cannot be read (the user has been told): it is
        // not offered for editing, as when the editor opens.
        done(mrCancel);
        return;
    }
    FRecordRevision = Record.Revision;
    FFromDraft = false;
    RestoreMode();
    // What is open now is what is saved.
    if (isVisible()) TakeBaseline();
}

void TEditForm::btnLoadClick() {
    RunGuarded(tr("Loading the drawing"), [this] { LoadDocumentFile(); });
}

void TEditForm::LoadDocumentFile() {
    QString FileName;
    // The folder a document was last loaded from, at first the user's documents.
    QString Folder = AppSettings().value(DocumentFolderKey).toString();
    if (Folder.isEmpty() || !QDir(Folder).exists())
        Folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!Dialogs().PromptForFileName(FileName, DocumentFilter, QString(), QString(), Folder)) return;
    AppSettings().setValue(DocumentFolderKey, QFileInfo(FileName).absolutePath());
    QString Problem;
    try {
        if (!FDraxaEdit->LoadFromFile(FileName))
            Problem =
                tr("The file \"%1\" is not a TDraxa drawing, or it is damaged. The drawing was not changed.")
                    .arg(QDir::toNativeSeparators(FileName));
    } catch (const std::exception& E) {
        // The file could not be opened or read at all.
        Problem = QString::fromStdString(E.what());
    }
    RestoreMode();
    FLayersPanel->Update();
    FQuantitiesPanel->RefreshLater();
    if (!Problem.isEmpty()) Dialogs().ShowMessage(Problem);
}

void TEditForm::DraxaEditShapeAdded(TMyShape*& AShape, int /*ShapeCount*/) {
    FDraxaEdit->ReleaseMouse();
    if (!AShape || AShape->ClassName() != QLatin1String("TMyImage")) return;
    QString FileName;
    if (!Dialogs().PromptForPicture(FileName, QString())) return;
    // Whatever goes wrong, the image stays in the drawing without a picture.
    std::unique_ptr<TBitmap> Bitmap;
    try {
        Bitmap = LoadPictureOffThread(FileName);
        if (!Bitmap) return; // cancelled by the user
    } catch (const EAssertionFailed& E) {
        Dialogs().ShowMessage(tr("The picture cannot be used. %1").arg(E.Detail()));
        return;
    } catch (const std::exception& E) {
        // EInvalidGraphic names the file and what is wrong with it.
        Dialogs().ShowMessage(tr("The picture cannot be used. %1").arg(QString::fromStdString(E.what())));
        return;
    }
    if (!FDraxaEdit->SetImageBitmap(AShape->ShapeNo(), *Bitmap))
        Dialogs().ShowMessage(
            tr("The picture \"%1\" cannot be shown in the image.").arg(QDir::toNativeSeparators(FileName)));
}

std::unique_ptr<TBitmap> TEditForm::LoadPictureOffThread(const QString& FileName) {
    // Shared with the worker, which may outlive a cancelled wait by a moment.
    struct TJob {
        std::atomic<bool> Cancel{false};
        std::unique_ptr<TBitmap> Bitmap;
        std::exception_ptr Error;
    };
    auto Job = std::make_shared<TJob>();
    QEventLoop Loop;
    std::unique_ptr<QThread> Worker(QThread::create([Job, FileName] {
        try {
            TPictureLoadOptions Options;
            Options.Cancel = &Job->Cancel;
            // An icon that shows nothing is a failure the user hears about.
            Options.ReportUnreadableIcons = true;
            Job->Bitmap = LoadPictureAsBitmap(FileName, Options);
        } catch (...) {
            Job->Error = std::current_exception();
        }
    }));
    connect(Worker.get(), &QThread::finished, &Loop, &QEventLoop::quit, Qt::QueuedConnection);
    FPictureCancel = &Job->Cancel;
    // Posted before the worker starts, so it runs while the load is still
    // in progress, whatever the worker's speed.
    if (OnPictureLoading)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (OnPictureLoading && PictureLoading()) OnPictureLoading();
            },
            Qt::QueuedConnection);
    {
        const TBusyCursor Busy;
        Worker->start();
        // First a moment with user input held back, which is all most
        // pictures need; then the box, which takes the input itself (Cancel)
        // and keeps it from the editor.
        QTimer Moment;
        Moment.setSingleShot(true);
        connect(&Moment, &QTimer::timeout, &Loop, &QEventLoop::quit);
        Moment.start(PictureBoxDelayMs);
        Loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!Worker->isFinished()) {
            QProgressDialog Box(tr("Loading the picture \"%1\"...").arg(QFileInfo(FileName).fileName()),
                                tr("Cancel"), 0, 0, this);
            Box.setWindowTitle(tr("Picture"));
            Box.setWindowModality(Qt::WindowModal);
            Box.setMinimumDuration(0);
            Box.setAutoClose(false);
            Box.setAutoReset(false);
            connect(&Box, &QProgressDialog::canceled, this, [this] { CancelPictureLoad(); });
            Box.show();
            while (!Worker->isFinished()) Loop.exec();
        }
        Worker->wait();
    }
    FPictureCancel = nullptr;
    if (Job->Cancel) return nullptr; // whatever the worker still made is dropped
    if (Job->Error) std::rethrow_exception(Job->Error);
    return std::move(Job->Bitmap);
}

void TEditForm::CancelPictureLoad() {
    if (FPictureCancel) FPictureCancel->store(true);
}

void TEditForm::DraxaEditActionToolToSelecting() {
    FPanel2->ShowTool(TDrawTool::SpSelecting);
    FStatusBar->Update();
}

QByteArray TEditForm::DocumentBytes() const {
    TMemoryStream Stream;
    if (!FDraxaEdit->SaveToStream(Stream)) return QByteArray();
    return Stream.ToByteArray();
}

void TEditForm::TakeBaseline() {
    FBaselineDrawing = DocumentBytes();
    FBaselineName = FedtName->Name();
    FHasBaseline = true;
}

bool TEditForm::HasUnsavedChanges() const {
    return FHasBaseline &&
           (FFromDraft || FedtName->Name() != FBaselineName || DocumentBytes() != FBaselineDrawing);
}

void TEditForm::SetAutosaveInterval(int Ms) {
    FAutosaveIntervalMs = std::max(1, Ms);
    FAutosaveTimer->setInterval(FAutosaveIntervalMs);
}

bool TEditForm::WriteDraft() {
    // Not while a picture is arriving: the image is not finished yet.
    if (!FHasBaseline || PictureLoading()) return false;
    const QByteArray Drawing = DocumentBytes();
    const QString Name = FedtName->Name();
    if (!FFromDraft && Name == FBaselineName && Drawing == FBaselineDrawing) {
        // Back to what is saved (undone): no draft is needed any more.
        DropDraft();
        return false;
    }
    if (FDraftId >= 0 && Drawing == FDraftDrawing && Name == FDraftName) return false;
    const bool New = FMode == TagNew;
    if (!FStore.WriteDraft(FDraftId, New ? -1 : FRecordKey, New ? 0 : FRecordRevision, Name, Drawing)) {
        // The drawing is still open and the next change tries again; a box
        // every half minute would only be in the way.
        FStatusBar->showMessage(tr("No draft could be kept: %1").arg(FStore.LastError()), 10000);
        return false;
    }
    FDraftDrawing = Drawing;
    FDraftName = Name;
    if (OnDraftWritten) OnDraftWritten(Drawing);
    return true;
}

void TEditForm::DropDraft() {
    if (FDraftId >= 0 && FStore.RemoveDraft(FDraftId)) FDraftId = -1;
    FDraftDrawing.clear();
    FDraftName.clear();
}

void TEditForm::btnHistoryClick() {
    RunGuarded(tr("Showing the history"), [this] { ShowHistory(); });
}

void TEditForm::ShowHistory() {
    THistoryWindow History(FStore, FMode == TagExisting ? FRecordKey : -1, this);
    History.OnBeforeRestore = [this] {
        return !HasUnsavedChanges() ||
               Dialogs().MessageDlg(tr("The version replaces the drawing open here, and the changes you "
                                       "made here are lost. Go on?"),
                                    TMsgDlgType::mtWarning, mbYes | mbNo) == mrYes;
    };
    if (Dialogs().ExecuteModal(History) != mrOk) return;
    // A restored version is the record's drawing now: the editor shows it.
    if (History.Replaced()) ReloadRecord();
}

void TEditForm::reject() {
    if (HasUnsavedChanges()) {
        const QString Name = FedtName->Name();
        const QString What = Name.isEmpty()
                                 ? tr("The drawing has changes that are not saved.")
                                 : tr("The drawing \"%1\" has changes that are not saved.").arg(Name);
        const TModalResult Answer =
            Dialogs().MessageDlg(What + tr("\n\nYes: save them (as OK does).\nNo: discard them and close the "
                                           "editor.\nCancel: keep editing."),
                                 TMsgDlgType::mtConfirmation, mbYes | mbNo | mbCancel);
        if (Answer == mrYes) bbtnOKClick(); // closes the editor once the drawing is saved
        if (Answer != mrNo) return;
    }
    done(mrCancel);
}

void TEditForm::done(int Result) {
    // A window never shown has no place worth remembering.
    if (isVisible()) AppSettings().setValue(GeometryKey, saveGeometry());
    FHasBaseline = false;
    // Leaving is saving or a deliberate discard (reject asks first): the
    // draft has done its work.
    FAutosaveTimer->stop();
    FFromDraft = false;
    DropDraft();
    FDraftId = -1;
    QDialog::done(Result);
}

QSize TEditForm::OpeningSize() {
    // The layout's size with room for the whole page as it is now.
    // (The panel's bevel is two pixels wide on each side.)
    const QSize Minimum = FPanel1->minimumSize();
    FPanel1->setMinimumSize(FDraxaEdit->size() + QSize(6, 6));
    layout()->invalidate();
    QSize Wanted = layout()->totalSizeHint().expandedTo(layout()->totalMinimumSize());
    FPanel1->setMinimumSize(Minimum);
    layout()->invalidate();
    // A small page still gets a window whose status bar can be read.
    Wanted = Wanted.expandedTo(QSize(640, 480));
    if (const QScreen* Screen = screen() ? screen() : QGuiApplication::primaryScreen())
        Wanted = Wanted.boundedTo(Screen->availableGeometry().size() * 0.8);
    return Wanted.expandedTo(minimumSizeHint());
}

void TEditForm::setVisible(bool Visible) {
    const bool Appearing = Visible && !isVisible();
    if (Appearing && !testAttribute(Qt::WA_Moved)) {
        const QByteArray Geometry = AppSettings().value(GeometryKey).toByteArray();
        if (Geometry.isEmpty() || !restoreGeometry(Geometry)) {
            resize(OpeningSize());
            // adjustPosition without a widget centres on the screen
            // (allowing for the frame) and marks the window as placed, so
            // Qt leaves it there.
            adjustPosition(nullptr);
        }
    }
    QDialog::setVisible(Visible);
    if (Appearing) {
        // The drawing may have been replaced while the window was hidden.
        FLayersPanel->Update();
        FStatusBar->Update();
        if (!FQuantitiesPanel->isHidden()) FQuantitiesPanel->Refresh();
        TakeBaseline();
        FAutosaveTimer->start();
    }
}

} // namespace draxa
