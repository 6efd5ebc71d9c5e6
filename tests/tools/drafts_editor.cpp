// A program that edits a drawing in the real editor window without end, its
// drafts kept every few milliseconds, for the test that kills it in the
// middle of editing.
//
//   drafts_editor FILE KEY INTERVAL_MS
//
// FILE is the SQLite file and KEY the record to edit. The editor opens on
// it (offscreen), a rectangle is added every few milliseconds and the
// editor writes a draft every INTERVAL_MS. It prints "ready" once the
// editor is open and "draft N" as soon as a draft holding N shapes is
// committed, or "failed: reason" and exits with 1.
#include "app/drawings_store.h"
#include "app/edit_frm.h"
#include "surface/draxa.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

void Say(const QString& Line) {
    std::fputs(qPrintable(Line + QLatin1Char('\n')), stdout);
    // A draft the reader has not been told about may be lost, one it has
    // been told about must not be.
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    QTemporaryDir Settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
    const QStringList Args = App.arguments();
    if (Args.size() != 4) {
        Say(QStringLiteral("usage: drafts_editor FILE KEY INTERVAL_MS"));
        return 2;
    }
    draxa::TDrawingsStore Store;
    draxa::TDrawingRecord Record;
    if (!Store.OpenSQLite(Args[1]) || !Store.Read(Args[2].toLongLong(), Record)) {
        Say(QStringLiteral("failed: %1").arg(Store.LastError()));
        return 1;
    }
    draxa::TEditForm Edit(Store);
    Edit.SetAutosaveInterval(Args[3].toInt());
    Edit.OnDraftWritten = [&](const QByteArray&) {
        Say(QStringLiteral("draft %1").arg(Edit.DraxaEdit()->ShapeCount()));
    };
    QTimer Editing;
    int Added = 0;
    QObject::connect(&Editing, &QTimer::timeout, [&] {
        draxa::TMyDraxa* D = Edit.DraxaEdit();
        const float Left = 5.0f + float(Added++ % 30) * 10;
        D->AddShapeByTool(D, draxa::TDrawTool::SpRectangle, QString(),
                          {draxa::TMyPoint{Left, 20}, draxa::TMyPoint{Left + 8, 20},
                           draxa::TMyPoint{Left + 8, 50}, draxa::TMyPoint{Left, 50}},
                          0, QString());
    });
    QTimer::singleShot(0, [&] {
        Say(QStringLiteral("ready"));
        Editing.start(3);
    });
    Edit.EditRecord(Record);
    return 0;
}
