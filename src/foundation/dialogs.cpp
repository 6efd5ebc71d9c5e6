#include "foundation/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <array>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace draxa {

namespace {

// Each button with its modal result and the Qt button that shows it.
struct TButtonInfo {
    TMsgDlgButtons Button;
    TModalResult Result;
    QMessageBox::StandardButton Qt;
};

constexpr std::array<TButtonInfo, 11> KButtons{{
    {mbYes, mrYes, QMessageBox::Yes},
    {mbNo, mrNo, QMessageBox::No},
    {mbOK, mrOk, QMessageBox::Ok},
    {mbCancel, mrCancel, QMessageBox::Cancel},
    {mbAbort, mrAbort, QMessageBox::Abort},
    {mbRetry, mrRetry, QMessageBox::Retry},
    {mbIgnore, mrIgnore, QMessageBox::Ignore},
    {mbAll, mrAll, QMessageBox::NoButton}, // Qt has no "All" button: it gets a custom one
    {mbNoToAll, mrNoToAll, QMessageBox::NoToAll},
    {mbYesToAll, mrYesToAll, QMessageBox::YesToAll},
    {mbClose, mrClose, QMessageBox::Close},
}};

TDialogs* GInstalled = nullptr;
// A failure report is on the screen.
bool GReportingFailure = false;

QWidget* DialogParent() {
    return QApplication::activeWindow();
}

// Runs a file dialog for an existing file; see TDialogs::PromptForFileName.
bool RunOpenDialog(QString& FileName, const QString& Filter, const QString& DefaultExt, const QString& Title,
                   const QString& InitialDir) {
    QFileDialog Dialog(DialogParent(), Title.isEmpty() ? QFileDialog::tr("Open") : Title);
    Dialog.setAcceptMode(QFileDialog::AcceptOpen);
    Dialog.setFileMode(QFileDialog::ExistingFile);
    if (!Filter.isEmpty()) Dialog.setNameFilter(Filter);
    if (!DefaultExt.isEmpty()) Dialog.setDefaultSuffix(DefaultExt);
    if (!InitialDir.isEmpty())
        Dialog.setDirectory(InitialDir);
    else if (!FileName.isEmpty())
        Dialog.setDirectory(QFileInfo(FileName).absolutePath());
    if (!FileName.isEmpty()) Dialog.selectFile(QFileInfo(FileName).fileName());
    if (Dialog.exec() != QDialog::Accepted) return false;
    const QStringList Chosen = Dialog.selectedFiles();
    if (Chosen.isEmpty()) return false;
    FileName = Chosen.first();
    return true;
}

} // namespace

TModalResult ModalResultOf(TMsgDlgButtons Button) {
    for (const TButtonInfo& Info : KButtons)
        if (Info.Button == Button) return Info.Result;
    return mrNone;
}

TModalResult DismissResult(TMsgDlgButtons Buttons) {
    for (TMsgDlgButtons Preferred : {mbCancel, mbNo, mbOK})
        if (Buttons.Contains(Preferred)) return ModalResultOf(Preferred);
    for (const TButtonInfo& Info : KButtons)
        if (Buttons.Contains(Info.Button)) return Info.Result;
    return mrNone;
}

// ---- TQtDialogs -------------------------------------------------------------

void TQtDialogs::ShowMessage(const QString& Text) {
    QMessageBox Box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), Text, QMessageBox::Ok,
                    DialogParent());
    Box.exec();
}

TModalResult TQtDialogs::MessageDlg(const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) {
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QString Title = QApplication::applicationDisplayName();
    switch (Type) {
    case TMsgDlgType::mtWarning:
        Icon = QMessageBox::Warning;
        Title = QMessageBox::tr("Warning");
        break;
    case TMsgDlgType::mtError:
        Icon = QMessageBox::Critical;
        Title = QMessageBox::tr("Error");
        break;
    case TMsgDlgType::mtInformation:
        Icon = QMessageBox::Information;
        Title = QMessageBox::tr("Information");
        break;
    case TMsgDlgType::mtConfirmation:
        Icon = QMessageBox::Question;
        Title = QMessageBox::tr("Confirm");
        break;
    case TMsgDlgType::mtCustom:
        break;
    }
    if (Buttons.IsEmpty()) Buttons = mbOK; // a box without buttons could not be closed

    QMessageBox Box(Icon, Title, Text, QMessageBox::NoButton, DialogParent());
    std::vector<std::pair<QAbstractButton*, TModalResult>> Shown;
    for (const TButtonInfo& Info : KButtons) {
        if (!Buttons.Contains(Info.Button)) continue;
        QAbstractButton* B = Info.Qt == QMessageBox::NoButton
                                 ? Box.addButton(QMessageBox::tr("All"), QMessageBox::AcceptRole)
                                 : Box.addButton(Info.Qt);
        Shown.emplace_back(B, Info.Result);
    }
    const TModalResult Dismissed = DismissResult(Buttons);
    for (const auto& [Button, Result] : Shown)
        if (Result == Dismissed) Box.setEscapeButton(Button);
    Box.exec();
    for (const auto& [Button, Result] : Shown)
        if (Box.clickedButton() == Button) return Result;
    return Dismissed;
}

TModalResult TQtDialogs::ExecuteModal(QDialog& Dialog) {
    const int Result = Dialog.exec();
    // Accepted is 1 (mrOk); Rejected is 0, which to callers means Cancel.
    return Result == QDialog::Rejected ? mrCancel : Result;
}

bool TQtDialogs::PromptForFileName(QString& FileName, const QString& Filter, const QString& DefaultExt,
                                   const QString& Title, const QString& InitialDir) {
    return RunOpenDialog(FileName, Filter, DefaultExt, Title, InitialDir);
}

bool TQtDialogs::PromptForSaveFileName(QString& FileName, const QString& Filter, const QString& DefaultExt,
                                       const QString& Title) {
    QFileDialog Dialog(DialogParent(), Title.isEmpty() ? QFileDialog::tr("Save As") : Title);
    Dialog.setAcceptMode(QFileDialog::AcceptSave);
    Dialog.setFileMode(QFileDialog::AnyFile);
    if (!Filter.isEmpty()) Dialog.setNameFilter(Filter);
    if (!DefaultExt.isEmpty()) Dialog.setDefaultSuffix(DefaultExt);
    if (!FileName.isEmpty()) {
        Dialog.setDirectory(QFileInfo(FileName).absolutePath());
        Dialog.selectFile(QFileInfo(FileName).fileName());
    }
    if (Dialog.exec() != QDialog::Accepted) return false;
    const QStringList Chosen = Dialog.selectedFiles();
    if (Chosen.isEmpty()) return false;
    FileName = Chosen.first();
    return true;
}

bool TQtDialogs::PromptForPicture(QString& FileName, const QString& InitialDir) {
    // The formats the picture loader reads.
    const QString Filter = QFileDialog::tr("Pictures (*.bmp *.dib *.ico *.jpg *.jpeg *.jpe *.png *.gif *.tif "
                                           "*.tiff *.webp *.wmf *.emf *.svg)") +
                           QStringLiteral(";;") + QFileDialog::tr("All files (*)");
    return RunOpenDialog(FileName, Filter, QString(), QFileDialog::tr("Open Picture"), InitialDir);
}

void TQtDialogs::Terminate() {
    // Queued, so that a request made before the event loop starts still ends
    // it as soon as it runs, and the caller finishes what it was doing first.
    // exit rather than quit: quit can be refused by a window, termination cannot.
    if (QCoreApplication* App = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            App, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

// ---- handlers that fail ----------------------------------------------------

QString ExceptionText(const std::exception_ptr& Error) {
    try {
        if (Error) std::rethrow_exception(Error);
    } catch (const std::bad_alloc&) {
        return QCoreApplication::translate("TDialogs", "there is not enough memory");
    } catch (const std::exception& E) {
        const QString Text = QString::fromUtf8(E.what()).trimmed();
        if (!Text.isEmpty()) return Text;
    } catch (...) {
    }
    return QCoreApplication::translate("TDialogs", "an unexpected error occurred");
}

void ReportFailure(const QString& Doing, const std::exception_ptr& Error) {
    if (GReportingFailure) return;
    GReportingFailure = true;
    try {
        Dialogs().ShowMessage(
            QCoreApplication::translate("TDialogs", "%1 failed: %2").arg(Doing, ExceptionText(Error)));
    } catch (...) {
        // Not even the message could be shown; the program goes on all the same.
    }
    GReportingFailure = false;
}

// ---- the seam ---------------------------------------------------------------

TDialogs& Dialogs() {
    if (GInstalled) return *GInstalled;
    static TQtDialogs Real;
    return Real;
}

TDialogs* SetDialogs(TDialogs* Dialogs) {
    return std::exchange(GInstalled, Dialogs);
}

} // namespace draxa
