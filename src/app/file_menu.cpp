#include "app/file_menu.h"

#include "app/form_support.h"
#include "app/print_setup.h"
#include "foundation/dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QSettings>

namespace draxa {

const QString TFileMenu::ExportFolderKey = QStringLiteral("EditForm/ExportFolder");

TFileMenu::TFileMenu(TMyDraxa& Surface, QMenuBar& Bar, QWidget& Window, std::function<QString()> DrawingName)
    : QObject(&Window), FSurface(Surface), FWindow(Window), FDrawingName(std::move(DrawingName)) {
    mnuFile = new QMenu(tr("&File"), &Window);
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    Bar.insertMenu(Bar.actions().value(0), mnuFile);
    const auto Add = [this](const QString& Name, const QString& Text, const QKeySequence& Key,
                            std::function<void()> Operation) {
        QAction* A = mnuFile->addAction(Text);
        A->setObjectName(Name);
        A->setShortcut(Key);
        connect(A, &QAction::triggered, this,
                [Operation = std::move(Operation)] { RunGuarded(tr("Writing the drawing out"), Operation); });
        return A;
    };
    actExportPng = Add(QStringLiteral("actExportPng"), tr("Export as P&NG Picture..."), QKeySequence(),
                       [this] { Export(QStringLiteral("png")); });
    actExportSvg = Add(QStringLiteral("actExportSvg"), tr("Export as &SVG Document..."), QKeySequence(),
                       [this] { Export(QStringLiteral("svg")); });
    actExportPdf = Add(QStringLiteral("actExportPdf"), tr("Export as P&DF Document..."), QKeySequence(),
                       [this] { Export(QStringLiteral("pdf")); });
    mnuFile->addSeparator();
    actPageSetup =
        Add(QStringLiteral("actPageSetup"), tr("Page Set&up..."), QKeySequence(), [this] { PageSetup(); });
    actPreview =
        Add(QStringLiteral("actPreview"), tr("Print Pre&view..."), QKeySequence(), [this] { Preview(); });
    actPrint = Add(QStringLiteral("actPrint"), tr("&Print..."), QKeySequence::Print, [this] { Print(); });
}

void TFileMenu::PageSetup() {
    TPrintSettings Settings = TPrintSettings::Load();
    if (!TPrintSetupDialog::Ask(Settings, &FWindow)) return;
    Settings.Save();
    Settings.ApplyTo(FSurface);
}

void TFileMenu::Export(const QString& Kind) {
    const QString Filter = Kind == QLatin1String("png")   ? tr("PNG pictures (*.png)")
                           : Kind == QLatin1String("svg") ? tr("SVG documents (*.svg)")
                                                          : tr("PDF documents (*.pdf)");
    // Offered under the drawing's name, without the characters file names
    // cannot hold.
    QString Name = FDrawingName ? FDrawingName().trimmed() : QString();
    Name.replace(QRegularExpression(QStringLiteral(R"([/\\:*?"<>|\x00-\x1F])")), QStringLiteral("_"));
    if (Name.isEmpty()) Name = tr("drawing");
    QSettings Settings = AppSettings();
    const QString Folder = Settings.value(ExportFolderKey, QDir::homePath()).toString();
    QString File = QDir(Folder).filePath(Name + QLatin1Char('.') + Kind);
    if (!Dialogs().PromptForSaveFileName(File, Filter, Kind, tr("Export the Drawing"))) return;
    if (QFileInfo(File).suffix().isEmpty()) File += QLatin1Char('.') + Kind;
    Settings.setValue(ExportFolderKey, QFileInfo(File).absolutePath());

    TPrintSettings::Load().ApplyTo(FSurface);
    QString Error;
    bool Done = false;
    if (Kind == QLatin1String("svg"))
        Done = FSurface.ExportSvg(File, &Error);
    else if (Kind == QLatin1String("pdf"))
        Done = FSurface.ExportPdf(File, &Error);
    else
        Done = FSurface.ExportImage(File, PictureDpi, false, &Error);
    if (!Done) Dialogs().ShowMessage(Error);
}

void TFileMenu::Print() {
    TPrintSettings::Load().ApplyTo(FSurface);
    QPrinter Printer;
    FSurface.PreparePrinter(Printer);
    QPrintDialog Dialog(&Printer, &FWindow);
    Dialog.setWindowTitle(tr("Print the Drawing"));
    if (Dialogs().ExecuteModal(Dialog) != mrOk) return;
    QString Error;
    if (!FSurface.Print(Printer, &Error)) Dialogs().ShowMessage(Error);
}

void TFileMenu::Preview() {
    TPrintSettings::Load().ApplyTo(FSurface);
    FSurface.PrintPreview(&FWindow);
}

} // namespace draxa
