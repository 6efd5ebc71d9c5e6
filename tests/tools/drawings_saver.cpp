// A program that saves drawings into a drawings store as fast as it can, for
// the tests that kill it half-way through a save or run two of it at once.
//
//   drawings_saver FILE KEY COUNT SIZE FIRST TAG
//
// FILE is the SQLite file; KEY the record to rewrite, or "new" to add a
// record per save; COUNT saves of SIZE bytes are made, numbered from FIRST
// (SavedDrawing), named "TAG number". It prints "ready" once the store is
// open and "saved N" as soon as save N is committed (the acknowledgement a
// test relies on), or "failed N: reason" and exits with 1.
#include "app/drawings_store.h"
#include "tools/saved_drawing.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

namespace {

void Say(const QString& Line) {
    std::fputs(qPrintable(Line + QLatin1Char('\n')), stdout);
    // Unbuffered as far as the reader is concerned: a save it has not been
    // told about may be lost, one it has been told about must not be.
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    // The store reads each drawing it saves for its quantities, on a
    // surface that needs the application object of a program with windows;
    // it shows none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    const QStringList Args = App.arguments();
    if (Args.size() != 7) {
        Say(QStringLiteral("usage: drawings_saver FILE KEY COUNT SIZE FIRST TAG"));
        return 2;
    }
    const QString& File = Args[1];
    const bool Insert = Args[2] == QLatin1String("new");
    const qint64 Key = Insert ? -1 : Args[2].toLongLong();
    const qint64 Count = Args[3].toLongLong(), Size = Args[4].toLongLong(), First = Args[5].toLongLong();
    const QString& Tag = Args[6];

    draxa::TDrawingsStore Store;
    draxa::TDrawingRecord Record;
    if (!Store.OpenSQLite(File) || (!Insert && !Store.Read(Key, Record))) {
        Say(QStringLiteral("failed %1: %2").arg(First).arg(Store.LastError()));
        return 1;
    }
    Say(QStringLiteral("ready"));
    int64_t Revision = Record.Revision;
    for (qint64 Seq = First; Seq < First + Count; ++Seq) {
        const QString Name = draxa::test::SavedName(Tag, Seq);
        const QByteArray Draw = draxa::test::SavedDrawing(Seq, int(Size));
        const QDateTime Now = QDateTime::currentDateTime();
        const bool Saved =
            Insert ? Store.Insert(Name, Now, Draw) : Store.Update(Key, Revision, Name, Now, Draw);
        if (!Saved) {
            Say(QStringLiteral("failed %1: %2").arg(Seq).arg(Store.LastError()));
            return 1;
        }
        Say(QStringLiteral("saved %1").arg(Seq));
    }
    return 0;
}
