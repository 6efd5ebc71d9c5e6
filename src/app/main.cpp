// The drawings database application.
//
// By default the drawings live in the SQLite file "tdraxadb.db" in the
// user's data folder (on Linux ~/.local/share/tdraxa/). Two options choose
// another store:
//   --database FILE        another SQLite file
//   --postgres CONNINFO    a shared table on a PostgreSQL server, CONNINFO
//                          being a libpq connection string such as
//                          "host=db.example.org dbname=drawings user=ann"
//   --keep-versions N      how many earlier versions of each drawing a save
//                          keeps (20 unless given)
// The program reads no configuration file of its own.
//
// --export OUT with --drawing NAME or --document FILE (and --dpi N for
// pictures) writes a drawing as a PNG, SVG, PDF or other picture file and
// ends, without a window (see command_line_export.h); --quantities with
// --drawing NAME or --document FILE prints the drawing's quantities as CSV.
//
// The default folder is created private to the user (0700) and the SQLite
// file in it 0600. Once a day, on start, the program keeps a backup of the
// SQLite store beside it (tdraxadb-backup-<date>.db, the last three days);
// when the store is found damaged, the message says where the newest is.
//
// At start, drafts of drawings that an editor left unsaved (the program
// ended without closing it) are offered for recovery.
#include "app/command_line_export.h"
#include "app/drawings_store.h"
#include "app/main_frm.h"
#include "app/strs_edit.h"
#include "foundation/busy_wait.h"
#include "foundation/dialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

// The last safety net: every handler catches what its own work throws, and
// whatever still escapes one is reported here instead of ending the program
// with the user's drawing.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* Receiver, QEvent* Event) override {
        try {
            return QApplication::notify(Receiver, Event);
        } catch (...) {
            draxa::ReportFailure(QCoreApplication::translate("TApplication", "Handling an event"),
                                 std::current_exception());
            return false;
        }
    }
};

// The real dialogs, with the string list editor for the text boxes.
class TAppDialogs : public draxa::TQtDialogs {
public:
    bool EditStrings(QStringList& Lines) override {
        return draxa::TfrmStrings::EditStrings(Lines, QApplication::activeWindow());
    }
};

} // namespace

int main(int argc, char** argv) {
    // An export opens no window, so it runs without a display too.
    if (draxa::ArgumentsAskForExport(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tdraxa"));

    QCommandLineParser Options;
    Options.setApplicationDescription(QStringLiteral("TDraxa database example: a table of named drawings."));
    Options.addHelpOption();
    const QCommandLineOption SQLiteFile(QStringLiteral("database"),
                                        QStringLiteral("The SQLite file of the drawings (default: %1).")
                                            .arg(draxa::TDrawingsStore::DefaultDatabasePath()),
                                        QStringLiteral("file"));
    const QCommandLineOption Postgres(
        QStringLiteral("postgres"),
        QStringLiteral(
            "Use the drawings table on a PostgreSQL server; conninfo is a libpq connection string, "
            "e.g. \"host=db.example.org dbname=drawings user=ann\"."),
        QStringLiteral("conninfo"));
    const QCommandLineOption Versions(
        QStringLiteral("keep-versions"),
        QStringLiteral("How many earlier versions of each drawing a save keeps (default: %1).")
            .arg(draxa::TDrawingsStore::DefaultVersionsKept),
        QStringLiteral("count"));
    const QCommandLineOption Export(
        QStringLiteral("export"),
        QStringLiteral(
            "Write the drawing named by --drawing or --document to file (.png, .svg, .pdf or another "
            "picture type) and end, without a window."),
        QStringLiteral("file"));
    const QCommandLineOption Quantities(
        QStringLiteral("quantities"),
        QStringLiteral(
            "Print the counts, lengths and areas per layer and shape class of the drawing named by "
            "--drawing or --document as CSV, and end, without a window."));
    const QCommandLineOption Drawing(QStringLiteral("drawing"),
                                     QStringLiteral("The name of the drawing of the store to export."),
                                     QStringLiteral("name"));
    const QCommandLineOption Document(QStringLiteral("document"),
                                      QStringLiteral("A document file to export."), QStringLiteral("file"));
    const QCommandLineOption Dpi(QStringLiteral("dpi"),
                                 QStringLiteral("Dots per inch of an exported picture (default 96)."),
                                 QStringLiteral("n"), QStringLiteral("96"));
    Options.addOption(SQLiteFile);
    Options.addOption(Postgres);
    Options.addOption(Versions);
    Options.addOption(Export);
    Options.addOption(Quantities);
    Options.addOption(Drawing);
    Options.addOption(Document);
    Options.addOption(Dpi);
    Options.process(App);

    if (Options.isSet(Export) && Options.isSet(Quantities)) {
        std::fprintf(stderr, "tdraxa: --export and --quantities cannot be used together.\n");
        return 1;
    }
    const bool Exporting = Options.isSet(Export) || Options.isSet(Quantities);
    draxa::TExportRequest Request;
    if (Exporting) {
        Request.Quantities = Options.isSet(Quantities);
        Request.Output = Options.value(Export);
        Request.Drawing = Options.value(Drawing);
        Request.Document = Options.value(Document);
        bool Number = false;
        Request.Dpi = Options.value(Dpi).toInt(&Number);
        if (!Number) {
            std::fprintf(stderr, "tdraxa: --dpi needs a whole number of dots per inch.\n");
            return 1;
        }
        // A document file needs no store.
        if (!Request.Document.isEmpty()) return draxa::RunExport(Request, nullptr);
    }

    TAppDialogs RealDialogs;
    draxa::TScopedDialogs UseDialogs(RealDialogs);

    draxa::TDrawingsStore Store;
    if (Options.isSet(Versions)) {
        bool Number = false;
        const int Count = Options.value(Versions).toInt(&Number);
        if (!Number || Count < 0) {
            draxa::Dialogs().ShowMessage(
                QStringLiteral("--keep-versions wants a whole number of versions, 0 or more, not \"%1\".")
                    .arg(Options.value(Versions)));
            return 1;
        }
        Store.SetVersionsKept(Count);
    }
    // While another program holds the database's lock, the windows keep
    // painting under a busy cursor.
    Store.OnLockWait = draxa::BusyWaitHandler();
    bool Opened = false;
    if (Options.isSet(Postgres)) {
        Opened = Store.OpenPostgres(Options.value(Postgres));
    } else if (Options.isSet(SQLiteFile)) {
        Opened = Store.OpenSQLite(Options.value(SQLiteFile));
    } else {
        // The first start creates the user's data folder, private to the user.
        const QString File = draxa::TDrawingsStore::DefaultDatabasePath();
        draxa::TDrawingsStore::CreatePrivateFolder(QFileInfo(File).absolutePath());
        Opened = Store.OpenSQLite(File);
    }
    if (!Opened) {
        if (Exporting)
            std::fprintf(stderr, "tdraxa: %s\n", qPrintable(Store.LastError()));
        else
            draxa::Dialogs().ShowMessage(Store.LastError());
        return 1;
    }
    if (Exporting) return draxa::RunExport(Request, &Store);
    // A backup that cannot be made does not keep the user from the drawings;
    // a damaged store is told at once, with where its newest backup is.
    if (!Store.MakeDailyBackup(QDate::currentDate())) {
        if (Store.LastFailure() == draxa::TStoreFailure::sfDamaged)
            draxa::Dialogs().ShowMessage(Store.LastError());
        else
            std::fprintf(stderr, "tdraxa: %s\n", qPrintable(Store.LastError()));
    }

    draxa::TMainForm MainForm(Store);
    MainForm.show();
    // Drawings an editor left unsaved when the program last ended without
    // closing it are offered back once the window is up.
    QTimer::singleShot(0, &MainForm, [&MainForm] { MainForm.OfferLeftDrafts(); });
    return App.exec();
}
