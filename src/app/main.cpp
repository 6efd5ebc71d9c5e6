// The drawings database application.
//
// By default the drawings live in the SQLite file "tdraxadb.db" in the
// user's data folder (on Linux ~/.local/share/tdraxa/). Two options choose
// another store:
//   --database FILE        another SQLite file
//   --postgres CONNINFO    a shared table on a PostgreSQL server, CONNINFO
//                          being a libpq connection string such as
//                          "host=db.example.org dbname=drawings user=ann"
// The program reads no configuration file of its own.
#include "app/drawings_store.h"
#include "app/main_frm.h"
#include "app/strs_edit.h"
#include "foundation/dialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

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
    Options.addOption(SQLiteFile);
    Options.addOption(Postgres);
    Options.process(App);

    TAppDialogs RealDialogs;
    draxa::TScopedDialogs UseDialogs(RealDialogs);

    draxa::TDrawingsStore Store;
    bool Opened = false;
    if (Options.isSet(Postgres)) {
        Opened = Store.OpenPostgres(Options.value(Postgres));
    } else if (Options.isSet(SQLiteFile)) {
        Opened = Store.OpenSQLite(Options.value(SQLiteFile));
    } else {
        // The first start creates the user's data folder.
        const QString File = draxa::TDrawingsStore::DefaultDatabasePath();
        QDir().mkpath(QFileInfo(File).absolutePath());
        Opened = Store.OpenSQLite(File);
    }
    if (!Opened) {
        draxa::Dialogs().ShowMessage(Store.LastError());
        return 1;
    }

    draxa::TMainForm MainForm(Store);
    MainForm.show();
    return App.exec();
}
