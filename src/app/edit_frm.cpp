#include "app/edit_frm.h"

#include "app/drawings_store.h"
#include "app/form_support.h"
#include "app/glyphs.h"
#include "foundation/busy_wait.h"
#include "foundation/picture_loader.h"
#include "foundation/streams.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <array>
#include <exception>

namespace draxa {

const QString TEditForm::DocumentFilter = QStringLiteral("TDraxa文件(*.tdraxa)");

namespace {

struct TToolButtonPlace {
    const char* Name;
    int Left, Top;
    TDrawTool Tool;
    const char* Hint;
};

// Two columns in the tool panel: each button sets the surface's tool.
constexpr std::array<TToolButtonPlace, 14> KToolButtons{{
    {"sbtnLine", 8, 8, TDrawTool::SpLine, QT_TRANSLATE_NOOP("TEditForm", "Line")},
    {"sbtnSelecting", 32, 8, TDrawTool::SpSelecting, QT_TRANSLATE_NOOP("TEditForm", "Select")},
    {"sbtnRuleLine", 8, 32, TDrawTool::SpRuleLine, QT_TRANSLATE_NOOP("TEditForm", "Measuring line")},
    {"sbtnRotateSelecting", 32, 32, TDrawTool::SpRotateSelecting, QT_TRANSLATE_NOOP("TEditForm", "Rotate")},
    {"sbtnPolyLine", 8, 56, TDrawTool::SpPolyLine, QT_TRANSLATE_NOOP("TEditForm", "Polyline")},
    {"sbtnLineLinkLine", 32, 56, TDrawTool::SpLineLinkLine,
     QT_TRANSLATE_NOOP("TEditForm", "Line between connection points")},
    {"sbtnPolygon", 8, 80, TDrawTool::SpPolygon, QT_TRANSLATE_NOOP("TEditForm", "Polygon")},
    {"sbtnLinkLine", 32, 80, TDrawTool::SpLinkLine, QT_TRANSLATE_NOOP("TEditForm", "Connector")},
    {"sbtnRectangle", 8, 104, TDrawTool::SpRectangle, QT_TRANSLATE_NOOP("TEditForm", "Rectangle")},
    {"sbtnEllipse", 8, 128, TDrawTool::SpEllipse, QT_TRANSLATE_NOOP("TEditForm", "Ellipse")},
    {"sbtnElliArc", 8, 152, TDrawTool::SpElliArc, QT_TRANSLATE_NOOP("TEditForm", "Elliptic arc")},
    {"sbtnPolyBezier", 8, 176, TDrawTool::SpPolyBezier, QT_TRANSLATE_NOOP("TEditForm", "Bezier curve")},
    {"sbtnText", 8, 200, TDrawTool::SpText, QT_TRANSLATE_NOOP("TEditForm", "Text")},
    {"sbtnImage", 8, 224, TDrawTool::SpImage, QT_TRANSLATE_NOOP("TEditForm", "Image")},
}};

} // namespace

TEditForm::TEditForm(TDrawingsStore& Store, QWidget* Parent)
    : QDialog(Parent), FStore(Store), FImage1(new QLabel(this)), FedtName(new QLineEdit(this)),
      FPanel1(NewLoweredPanel(this, QRect(80, 112, 393, 257))), FDraxaEdit(new TMyDraxa(FPanel1)),
      FPanel2(new QFrame(this)), FToolButtons(new QButtonGroup(this)),
      FbtnLoad(new QPushButton(tr("&Load"), this)),
      FbbtnCancel(new QPushButton(CancelGlyph(), tr("Cancel"), this)),
      FbbtnOK(new QPushButton(OkGlyph(), tr("OK"), this)) {
    setObjectName(QStringLiteral("EditForm"));
    setWindowTitle(tr("Edit"));
    MakeFixedWindow(*this, 500, 480);

    FImage1->setObjectName(QStringLiteral("Image1"));
    FImage1->setPixmap(BannerPicture(tr("drawing editor")));
    FImage1->setGeometry(8, 16, 287, 47);

    FedtName->setObjectName(QStringLiteral("edtName"));
    FedtName->setGeometry(80, 80, 393, 21);
    FedtName->setMaxLength(TDrawingsStore::NameMaxLength);

    FPanel1->setObjectName(QStringLiteral("Panel1"));
    FDraxaEdit->setObjectName(QStringLiteral("DraxaEdit"));
    FDraxaEdit->SetBounds(8, 8, 378, 242);
    ApplyFormSurfaceSettings(*FDraxaEdit);
    FDraxaEdit->SetAutoLinkPoints(true);
    FDraxaEdit->OnShapeAdded = [this](TMyShape*& AShape, int ShapeCount) {
        DraxaEditShapeAdded(AShape, ShapeCount);
    };
    FDraxaEdit->OnActionToolToSelecting = [this] { DraxaEditActionToolToSelecting(); };

    FPanel2->setObjectName(QStringLiteral("Panel2"));
    FPanel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    FPanel2->setGeometry(8, 80, 65, 289);
    CreateToolButtons();

    FbtnLoad->setObjectName(QStringLiteral("btnLoad"));
    FbtnLoad->setGeometry(232, 392, 75, 25);
    FbtnLoad->setAutoDefault(false);
    FbbtnCancel->setObjectName(QStringLiteral("bbtnCancel"));
    FbbtnCancel->setGeometry(312, 392, 75, 25);
    FbbtnCancel->setAutoDefault(false);
    FbbtnOK->setObjectName(QStringLiteral("bbtnOK"));
    FbbtnOK->setGeometry(392, 392, 75, 25);
    // Enter anywhere in the window presses OK; Escape is Cancel (reject).
    FbbtnOK->setDefault(true);

    connect(FbtnLoad, &QPushButton::clicked, this, &TEditForm::btnLoadClick);
    connect(FbbtnCancel, &QPushButton::clicked, this, &TEditForm::reject);
    connect(FbbtnOK, &QPushButton::clicked, this, &TEditForm::bbtnOKClick);
}

TEditForm::~TEditForm() {
    // The surface may fire its events while it is destroyed; the handlers
    // would reach controls that are gone.
    FDraxaEdit->OnShapeAdded = nullptr;
    FDraxaEdit->OnActionToolToSelecting = nullptr;
}

void TEditForm::CreateToolButtons() {
    FToolButtons->setExclusive(true);
    for (const TToolButtonPlace& Place : KToolButtons) {
        auto* B = new QToolButton(FPanel2);
        B->setObjectName(QLatin1String(Place.Name));
        B->setGeometry(Place.Left, Place.Top, 23, 22);
        B->setCheckable(true);
        B->setAutoRaise(true);
        B->setIcon(ToolGlyph(Place.Tool));
        B->setIconSize(QSize(16, 16));
        B->setToolTip(tr(Place.Hint));
        B->setFocusPolicy(Qt::NoFocus);
        FToolButtons->addButton(B, int(Place.Tool));
    }
    sbtnSelecting()->setChecked(true);
    connect(FToolButtons, &QButtonGroup::idClicked, this, [this](int Id) {
        RunGuarded(tr("Choosing the tool"), [&] { FDraxaEdit->SetShapeTool(TDrawTool(Id)); });
    });
}

QToolButton* TEditForm::ToolButton(TDrawTool Tool) const {
    return static_cast<QToolButton*>(FToolButtons->button(int(Tool)));
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

TModalResult TEditForm::NewDrawing() {
    FMode = TagNew;
    FRecordKey = -1;
    RestoreMode();
    FDraxaEdit->Clear();
    FDraxaEdit->Invalidate();
    FedtName->setText(tr("Please input the draw name."));
    // Typing replaces the prompt.
    FedtName->selectAll();
    FedtName->setFocus();
    return Dialogs().ExecuteModal(*this);
}

void TEditForm::bbtnOKClick() {
    RunGuarded(tr("Saving the drawing"), [this] { SaveDrawing(); });
}

void TEditForm::SaveDrawing() {
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
    RestoreMode();
}

void TEditForm::btnLoadClick() {
    RunGuarded(tr("Loading the drawing"), [this] { LoadDocumentFile(); });
}

void TEditForm::LoadDocumentFile() {
    QString FileName;
    if (!Dialogs().PromptForFileName(FileName, DocumentFilter, QString(), QString(),
                                     QCoreApplication::applicationDirPath()))
        return;
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
    sbtnSelecting()->setChecked(true);
}

void TEditForm::reject() {
    done(mrCancel);
}

void TEditForm::setVisible(bool Visible) {
    // adjustPosition without a widget centres on the screen (allowing for
    // the frame) and marks the window as placed, so Qt leaves it there.
    if (Visible && !isVisible() && !testAttribute(Qt::WA_Moved)) adjustPosition(nullptr);
    QDialog::setVisible(Visible);
}

} // namespace draxa
