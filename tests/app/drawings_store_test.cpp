// The drawings table on its own: writes as single transactions, a second
// program on the same table, conflicting saves, tables of earlier versions,
// programs killed half-way through a save, bad names and bad files, and the shared PostgreSQL store when a
// server can be reached.
#include "app/drawings_store.h"
#include "app/sql_probe.h"
#include "tools/saved_drawing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QVariant>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <random>
#include <vector>

namespace draxa {
namespace {

std::string S(const QString& Text) {
    return Text.toStdString();
}

const QDateTime KNoon(QDate(2024, 3, 1), QTime(12, 0, 0));

using test::TOtherWriter;

// The names ListDrawings gives for that search and order, joined.
std::string Listed(TDrawingsStore& Store, const QString& Search, TDrawingsOrder Order) {
    std::vector<TDrawingSummary> Rows;
    EXPECT_TRUE(Store.ListDrawings(Search, Order, Rows)) << S(Store.LastError());
    QStringList Names;
    for (const TDrawingSummary& Row : Rows) Names << Row.Name;
    return S(Names.join(QLatin1Char('|')));
}

// Four drawings saved a minute apart, with names that try the search's
// wildcards and case.
void AddSearchable(TDrawingsStore& Store) {
    const char* Names[] = {"Pump house", "garden", "50% plan", "PUMP_2"};
    int Minute = 0;
    for (const char* Name : Names)
        ASSERT_TRUE(Store.Insert(QString::fromUtf8(Name), KNoon.addSecs(60 * Minute++), QByteArray("d")));
}

void ExpectSearches(TDrawingsStore& Store) {
    EXPECT_EQ(Listed(Store, QString(), TDrawingsOrder::doName), "50% plan|garden|Pump house|PUMP_2");
    EXPECT_EQ(Listed(Store, QString(), TDrawingsOrder::doLastUpdate), "PUMP_2|50% plan|garden|Pump house");
    EXPECT_EQ(Listed(Store, QStringLiteral("pump"), TDrawingsOrder::doName), "Pump house|PUMP_2");
    // The wildcards of LIKE are plain characters in a search.
    EXPECT_EQ(Listed(Store, QStringLiteral("%"), TDrawingsOrder::doName), "50% plan");
    EXPECT_EQ(Listed(Store, QStringLiteral("p_"), TDrawingsOrder::doName), "PUMP_2");
    EXPECT_EQ(Listed(Store, QStringLiteral("'; DROP TABLE x; --"), TDrawingsOrder::doName), "");
    std::vector<TDrawingSummary> Rows;
    ASSERT_TRUE(Store.ListDrawings(QStringLiteral("garden"), TDrawingsOrder::doName, Rows));
    ASSERT_EQ(Rows.size(), 1u);
    EXPECT_EQ(Rows[0].LastUpdate, KNoon.addSecs(60));
    ASSERT_TRUE(Store.MoveTo(Rows[0].Key));
    EXPECT_EQ(Store.CurrentKey(), Rows[0].Key);
    EXPECT_FALSE(Store.MoveTo(Rows[0].Key + 1000));
    EXPECT_EQ(Store.CurrentKey(), Rows[0].Key);
}

class DrawingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        // A short wait for locks keeps the locking test quick.
        ASSERT_TRUE(Store.OpenSQLite(File, 50)) << S(Store.LastError());
    }

    QTemporaryDir Dir;
    QString File = Dir.filePath(QStringLiteral("tdraxadb.db"));
    TDrawingsStore Store;
};

TEST_F(DrawingsStoreTest, AWriteThatCannotHappenChangesNothing) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("first"), KNoon, QByteArray("one")));
    const int64_t Key = Store.CurrentKey();
    int64_t Revision = 0;

    // Another program holds the write lock: every write gives up cleanly.
    {
        TOtherWriter Other(File);
        ASSERT_TRUE(Other.Exec(QStringLiteral("BEGIN IMMEDIATE")));
        EXPECT_FALSE(Store.Insert(QStringLiteral("second"), KNoon, QByteArray("two")));
        EXPECT_TRUE(Store.LastError().contains(QStringLiteral("another program"))) << S(Store.LastError());
        EXPECT_FALSE(Store.Update(Key, Revision, QStringLiteral("renamed"), KNoon, QByteArray("new")));
        EXPECT_EQ(Store.LastFailure(), TStoreFailure::sfBusy);
        EXPECT_FALSE(Store.DeleteCurrent());
        EXPECT_EQ(Store.RecordCount(), 1);
        ASSERT_TRUE(Other.Exec(QStringLiteral("ROLLBACK")));
    }

    // A write that fails inside its transaction (the record is gone) leaves
    // no transaction behind: the next write goes through.
    EXPECT_FALSE(Store.Update(Key + 100, Revision, QStringLiteral("ghost"), KNoon, QByteArray("x")));
    EXPECT_EQ(Store.LastFailure(), TStoreFailure::sfMissing);
    EXPECT_TRUE(Store.LastError().contains(QStringLiteral("no longer"))) << S(Store.LastError());
    ASSERT_TRUE(Store.Insert(QStringLiteral("second"), KNoon, QByteArray("two"))) << S(Store.LastError());
    EXPECT_EQ(Store.RecordCount(), 2);
    EXPECT_EQ(Store.RecNo(), 1);

    TDrawingRecord Record;
    Store.First();
    ASSERT_TRUE(Store.ReadCurrent(Record));
    EXPECT_EQ(S(Record.Name), "first");
    EXPECT_EQ(Record.Draw, QByteArray("one"));
    EXPECT_EQ(Record.LastUpdate, KNoon);
}

TEST_F(DrawingsStoreTest, SecondProgramOnTheSameTable) {
    for (const char* Name : {"a", "b", "c"}) ASSERT_TRUE(Store.Insert(QString::fromLatin1(Name), KNoon, "d"));

    TDrawingsStore Other;
    ASSERT_TRUE(Other.OpenSQLite(File));
    ASSERT_TRUE(Other.Insert(QStringLiteral("d"), KNoon, "d"));
    Other.First();
    ASSERT_TRUE(Other.DeleteCurrent()); // "a"

    // Until a refresh this program still counts four records; reading the
    // deleted one says what happened instead of showing stale data.
    TDrawingRecord Record;
    Store.First();
    EXPECT_FALSE(Store.ReadCurrent(Record));
    EXPECT_TRUE(Store.LastError().contains(QStringLiteral("no longer"))) << S(Store.LastError());

    // Refresh keeps the current record when it is still there...
    Store.Next();
    ASSERT_TRUE(Store.Refresh());
    EXPECT_EQ(Store.RecordCount(), 3);
    ASSERT_TRUE(Store.ReadCurrent(Record));
    EXPECT_EQ(S(Record.Name), "b");
    // ...and otherwise stays at its place: "c" moves up into it.
    Other.First();
    ASSERT_TRUE(Other.DeleteCurrent()); // "b"
    ASSERT_TRUE(Store.Refresh());
    ASSERT_TRUE(Store.ReadCurrent(Record));
    EXPECT_EQ(S(Record.Name), "c");
}

TEST_F(DrawingsStoreTest, NamesAreStoredAsTyped) {
    struct TCase {
        QString Typed, Stored;
    } Cases[] = {
        {QStringLiteral("Robert'); DROP TABLE tdraxadb; --"),
         QStringLiteral("Robert'); DROP TABLE tdraxadb; --")},
        {QStringLiteral("Gänseblümchen \"Ω\""), QStringLiteral("Gänseblümchen \"Ω\"")},
        {QString(255, QChar(0x4E2D)), QString(255, QChar(0x4E2D))},
        {QStringLiteral("\"quoted\" 'single' `back` \\ %s ?1 :name"),
         QStringLiteral("\"quoted\" 'single' `back` \\ %s ?1 :name")},
        {QString(300, QLatin1Char('x')), QString(255, QLatin1Char('x'))},
        // A character outside the BMP is not cut in half at the limit.
        {QString(254, QLatin1Char('y')) + QStringLiteral("😀z"), QString(254, QLatin1Char('y'))},
        {QString(), QString()},
    };
    for (const TCase& Case : Cases) {
        // Added, and rewritten under the same name.
        ASSERT_TRUE(Store.Insert(Case.Typed, KNoon, "d")) << S(Store.LastError());
        TDrawingRecord Record;
        ASSERT_TRUE(Store.ReadCurrent(Record));
        EXPECT_EQ(S(Record.Name), S(Case.Stored));
        ASSERT_TRUE(Store.Update(Record.Key, Record.Revision, Case.Typed, KNoon, "e"))
            << S(Store.LastError());
        ASSERT_TRUE(Store.ReadCurrent(Record));
        EXPECT_EQ(S(Record.Name), S(Case.Stored));
    }
    EXPECT_EQ(Store.RecordCount(), int(std::size(Cases)));
}

TEST_F(DrawingsStoreTest, OpeningSomethingElseFailsWithAReason) {
    TDrawingsStore Other;
    const QString Missing = Dir.filePath(QStringLiteral("no/such/folder/tdraxadb.db"));
    EXPECT_FALSE(Other.OpenSQLite(Missing));
    EXPECT_TRUE(Other.LastError().contains(QStringLiteral("folder"))) << S(Other.LastError());
    EXPECT_FALSE(Other.IsOpen());

    const QString Text = Dir.filePath(QStringLiteral("readme.db"));
    {
        QFile F(Text);
        ASSERT_TRUE(F.open(QIODevice::WriteOnly));
        F.write(QByteArray(4096, 'x'));
    }
    EXPECT_FALSE(Other.OpenSQLite(Text));
    EXPECT_TRUE(Other.LastError().contains(QStringLiteral("readme.db"))) << S(Other.LastError());
    EXPECT_FALSE(Other.IsOpen());
}

// The permission bits of Path; -1 when it cannot be read.
int ModeOf(const QString& Path) {
    struct stat Info {};
    return stat(QFile::encodeName(Path).constData(), &Info) == 0 ? int(Info.st_mode & 07777) : -1;
}

TEST_F(DrawingsStoreTest, WhatIsNotADrawingsStoreIsRefusedAndLeftAsItWas) {
    const QString Folder = Dir.filePath(QStringLiteral("folder.db"));
    ASSERT_TRUE(QDir().mkdir(Folder));
    const QString Pipe = Dir.filePath(QStringLiteral("pipe.db"));
    ASSERT_EQ(mkfifo(QFile::encodeName(Pipe).constData(), 0600), 0);
    const QString Foreign = Dir.filePath(QStringLiteral("foreign.db"));
    const QString ForeignTable = QStringLiteral("CREATE TABLE tdraxadb (\"Name\" TEXT, \"Size\" INTEGER)");
    {
        TOtherWriter Other(Foreign);
        ASSERT_TRUE(Other.Exec(ForeignTable));
        ASSERT_TRUE(Other.Exec(QStringLiteral("INSERT INTO tdraxadb VALUES ('kept', 3)")));
    }
    const struct {
        const char* Name;
        QString Path;
        const char* Says;
    } Cases[] = {
        {"a folder", Folder, "it is a folder"},
        {"a named pipe", Pipe, "not a regular file"},
        {"a table of that name with other columns", Foreign,
         "no column \"LastUpdate\", \"Draw\", \"Id\". Nothing was changed"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TDrawingsStore Other;
        EXPECT_FALSE(Other.OpenSQLite(C.Path));
        EXPECT_FALSE(Other.IsOpen());
        EXPECT_TRUE(Other.LastError().contains(QLatin1String(C.Says))) << S(Other.LastError());
        EXPECT_TRUE(Other.LastError().contains(QDir::toNativeSeparators(C.Path))) << S(Other.LastError());
    }
    EXPECT_TRUE(QDir(Folder).isEmpty());
    struct stat Info {};
    ASSERT_EQ(stat(QFile::encodeName(Pipe).constData(), &Info), 0);
    EXPECT_TRUE(S_ISFIFO(Info.st_mode));
    TOtherWriter After(Foreign);
    const std::vector<QVariant> Schema =
        After.Row(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'tdraxadb'"));
    ASSERT_EQ(Schema.size(), 1u);
    EXPECT_EQ(S(Schema[0].toString()), S(ForeignTable));
    EXPECT_EQ(After.Row(QStringLiteral("SELECT count(*) FROM tdraxadb"))[0].toInt(), 1);
}

TEST_F(DrawingsStoreTest, TheListSearchesNamesAndSortsByNameOrDate) {
    AddSearchable(Store);
    ExpectSearches(Store);
}

TEST(DrawingsStoreFiles, NewFilesAndFoldersArePrivateOnesThatExistKeepTheirMode) {
    QTemporaryDir Dir;
    const QString Shared = Dir.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkdir(Shared));
    ASSERT_EQ(chmod(QFile::encodeName(Shared).constData(), 0755), 0);
    const QString Folder = Shared + QStringLiteral("/data/tdraxa");
    ASSERT_TRUE(TDrawingsStore::CreatePrivateFolder(Folder));
    EXPECT_EQ(ModeOf(Shared), 0755);
    EXPECT_EQ(ModeOf(Shared + QStringLiteral("/data")), 0700);
    EXPECT_EQ(ModeOf(Folder), 0700);

    const QString New = Folder + QStringLiteral("/tdraxadb.db");
    {
        TDrawingsStore Store;
        ASSERT_TRUE(Store.OpenSQLite(New)) << S(Store.LastError());
        ASSERT_TRUE(Store.Insert(QStringLiteral("first"), KNoon, QByteArray("d")));
    }
    EXPECT_EQ(ModeOf(New), 0600);

    const QString Existing = Dir.filePath(QStringLiteral("existing.db"));
    { TOtherWriter Other(Existing); }
    ASSERT_EQ(chmod(QFile::encodeName(Existing).constData(), 0644), 0);
    TDrawingsStore Store;
    ASSERT_TRUE(Store.OpenSQLite(Existing)) << S(Store.LastError());
    EXPECT_EQ(ModeOf(Existing), 0644);
}

TEST(DrawingsStoreBackups, ThreeDaysAreKeptAndADamagedStoreNamesTheNewest) {
    QTemporaryDir Dir;
    const QString File = Dir.filePath(QStringLiteral("tdraxadb.db"));
    {
        TDrawingsStore Store;
        ASSERT_TRUE(Store.OpenSQLite(File)) << S(Store.LastError());
        for (const char* Name : {"a", "b", "c"})
            ASSERT_TRUE(Store.Insert(QString::fromLatin1(Name), KNoon, QByteArray(200000, Name[0])));
        for (int Day = 1; Day <= 5; ++Day) {
            ASSERT_TRUE(Store.MakeDailyBackup(QDate(2024, 3, Day))) << S(Store.LastError());
            // Once a day: the second call that day makes nothing new.
            ASSERT_TRUE(Store.Insert(QStringLiteral("later"), KNoon, QByteArray("x")));
            ASSERT_TRUE(Store.MakeDailyBackup(QDate(2024, 3, Day))) << S(Store.LastError());
            Store.Last();
            ASSERT_TRUE(Store.DeleteCurrent());
        }
    }
    const QStringList Backups = TDrawingsStore::BackupsOf(File);
    ASSERT_EQ(Backups.size(), 3);
    for (int I = 0; I < 3; ++I) {
        EXPECT_EQ(S(QFileInfo(Backups[I]).fileName()),
                  S(QStringLiteral("tdraxadb-backup-2024-03-0%1.db").arg(5 - I)));
        EXPECT_EQ(ModeOf(Backups[I]), 0600);
        TDrawingsStore Copy(TDrawingsStore::DefaultTableName);
        ASSERT_TRUE(Copy.OpenSQLite(Backups[I])) << S(Copy.LastError());
        EXPECT_EQ(Copy.RecordCount(), 3);
    }

    // Damaged two ways: not a database any more, and cut short.
    QByteArray Bytes;
    {
        QFile F(File);
        ASSERT_TRUE(F.open(QIODevice::ReadOnly));
        Bytes = F.readAll();
    }
    const auto Damage = [&](const QByteArray& Into) {
        QFile F(File);
        ASSERT_TRUE(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
        F.write(Into);
    };
    const QString Newest = QDir::toNativeSeparators(Backups[0]);
    Damage(QByteArray(16, 'x') + Bytes.mid(16));
    TDrawingsStore Store;
    EXPECT_FALSE(Store.OpenSQLite(File));
    EXPECT_EQ(Store.LastFailure(), TStoreFailure::sfDamaged);
    EXPECT_TRUE(Store.LastError().contains(Newest)) << S(Store.LastError());

    Damage(Bytes.left(3 * 4096));
    TDrawingRecord Record;
    const bool Opened = Store.OpenSQLite(File);
    if (Opened) {
        Store.Last();
        EXPECT_FALSE(Store.ReadCurrent(Record));
    }
    EXPECT_EQ(Store.LastFailure(), TStoreFailure::sfDamaged);
    EXPECT_TRUE(Store.LastError().contains(Newest)) << S(Store.LastError());
    // A damaged store is not copied over the good backups.
    if (Opened) {
        EXPECT_FALSE(Store.MakeDailyBackup(QDate(2024, 3, 6)));
    }
    EXPECT_EQ(TDrawingsStore::BackupsOf(File), Backups);
}

TEST_F(DrawingsStoreTest, AWaitForAnotherProgramsLockReportsItselfAndGoesOn) {
    TDrawingsStore Patient;
    ASSERT_TRUE(Patient.OpenSQLite(File, 10000)) << S(Patient.LastError());
    TOtherWriter Other(File);
    ASSERT_TRUE(Other.Exec(QStringLiteral("BEGIN IMMEDIATE")));
    int Slices = 0, Ends = 0;
    bool NestedRefused = false;
    Patient.OnLockWait = [&](bool Waiting) {
        if (!Waiting) {
            ++Ends;
            return;
        }
        // The store is busy with the waiting write: using it from here fails.
        if (++Slices == 1) NestedRefused = !Patient.Insert(QStringLiteral("nested"), KNoon, QByteArray("n"));
        if (Slices == 3) {
            EXPECT_TRUE(Other.Exec(QStringLiteral("ROLLBACK")));
        }
    };
    ASSERT_TRUE(Patient.Insert(QStringLiteral("waited"), KNoon, QByteArray("w"))) << S(Patient.LastError());
    EXPECT_GE(Slices, 3);
    EXPECT_EQ(Ends, 1);
    EXPECT_TRUE(NestedRefused);
    TDrawingRecord Record;
    Patient.First();
    ASSERT_TRUE(Patient.ReadCurrent(Record));
    EXPECT_EQ(S(Record.Name), "waited");
    EXPECT_EQ(Patient.RecordCount(), 1);
}

TEST_F(DrawingsStoreTest, ARecordSavedByOthersSinceItWasReadIsNotOverwritten) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("plan"), KNoon, QByteArray("v0")));
    TDrawingRecord Mine, Theirs;
    ASSERT_TRUE(Store.ReadCurrent(Mine));
    TDrawingsStore Other;
    ASSERT_TRUE(Other.OpenSQLite(File));
    ASSERT_TRUE(Other.ReadCurrent(Theirs));
    EXPECT_EQ(Mine.Revision, Theirs.Revision);

    // The first save wins and counts the revision up...
    ASSERT_TRUE(Other.Update(Theirs.Key, Theirs.Revision, QStringLiteral("theirs"), KNoon, QByteArray("v1")));
    EXPECT_EQ(Theirs.Revision, Mine.Revision + 1);
    // ...the second, made from the older revision, writes nothing.
    const int64_t Read = Mine.Revision;
    EXPECT_FALSE(Store.Update(Mine.Key, Mine.Revision, QStringLiteral("mine"), KNoon, QByteArray("v2")));
    EXPECT_EQ(Store.LastFailure(), TStoreFailure::sfConflict);
    EXPECT_TRUE(Store.LastError().contains(QStringLiteral("someone else saved"))) << S(Store.LastError());
    EXPECT_EQ(Mine.Revision, Read);
    TDrawingRecord Now;
    ASSERT_TRUE(Store.Read(Mine.Key, Now));
    EXPECT_EQ(S(Now.Name), "theirs");
    EXPECT_EQ(Now.Draw, QByteArray("v1"));
}

TEST_F(DrawingsStoreTest, TablesOfEarlierVersionsOpenAndKeepTheirRecords) {
    const QString Old = Dir.filePath(QStringLiteral("old.db"));
    {
        TOtherWriter Earlier(Old);
        ASSERT_TRUE(Earlier.Exec(QStringLiteral(
            "CREATE TABLE tdraxadb (\"Name\" VARCHAR(50), \"LastUpdate\" TIMESTAMP, \"Draw\" BLOB, "
            "\"Id\" INTEGER PRIMARY KEY)")));
        ASSERT_TRUE(Earlier.Exec(
            QStringLiteral("INSERT INTO tdraxadb VALUES ('kept', '2024-03-01T11:00:00.000Z', x'0102', 7)")));
    }
    // Two programs open it: the second finds the column already added.
    TDrawingsStore Upgraded, Second;
    ASSERT_TRUE(Upgraded.OpenSQLite(Old)) << S(Upgraded.LastError());
    ASSERT_TRUE(Second.OpenSQLite(Old)) << S(Second.LastError());
    TDrawingRecord Record;
    ASSERT_TRUE(Upgraded.ReadCurrent(Record));
    EXPECT_EQ(Record.Key, 7);
    EXPECT_EQ(Record.Revision, 0);
    EXPECT_EQ(S(Record.Name), "kept");
    EXPECT_EQ(Record.Draw, QByteArray("\x01\x02"));
    int64_t Stale = Record.Revision;
    ASSERT_TRUE(Upgraded.Update(7, Record.Revision, QStringLiteral("edited"), KNoon, QByteArray("v1")));
    EXPECT_FALSE(Second.Update(7, Stale, QStringLiteral("late"), KNoon, QByteArray("v2")));
    EXPECT_EQ(Second.LastFailure(), TStoreFailure::sfConflict);
}

// ---- programs killed half-way, and two programs at once ----------------------

// The saving program, started on File: see tests/tools/drawings_saver.cpp.
class TSaver {
public:
    TSaver(const QString& File, const QString& Key, int Count, int Size, int64_t First, const QString& Tag) {
        FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FProcess.start(
            QStringLiteral(DRAXA_DRAWINGS_SAVER),
            {File, Key, QString::number(Count), QString::number(Size), QString::number(First), Tag});
    }
    ~TSaver() {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.kill();
            FProcess.waitForFinished();
        }
    }
    bool WaitUntilReady() { return WaitFor("ready\n"); }
    bool WaitForFirstSave() { return WaitFor("saved "); }
    bool WaitFor(const QByteArray& Text) {
        while (!FOut.contains(Text)) {
            if (!FProcess.waitForReadyRead(10000)) return false;
            FOut += FProcess.readAllStandardOutput();
        }
        return true;
    }
    // SIGKILL, as a crash or a power cut of the program would end it.
    void Kill() {
        FProcess.kill();
        FProcess.waitForFinished();
    }
    bool Finish() {
        const bool Ended = FProcess.waitForFinished(120000);
        FOut += FProcess.readAllStandardOutput();
        const bool Clean = Ended && FProcess.exitStatus() == QProcess::NormalExit && FProcess.exitCode() == 0;
        // The program's own words say why it failed; say how it ended too.
        if (!Clean)
            FOut += QStringLiteral("[%1, exit code %2, %3]")
                        .arg(Ended ? QStringLiteral("ended") : QStringLiteral("not ended"))
                        .arg(FProcess.exitCode())
                        .arg(FProcess.errorString())
                        .toUtf8();
        return Clean;
    }
    // The saves the program reported committed, in order.
    std::vector<int64_t> Acknowledged() {
        FOut += FProcess.readAllStandardOutput();
        std::vector<int64_t> Saves;
        for (const QByteArray& Line : FOut.split('\n'))
            if (Line.startsWith("saved ")) Saves.push_back(Line.mid(6).toLongLong());
        return Saves;
    }
    QByteArray Output() const { return FOut; }

private:
    QProcess FProcess;
    QByteArray FOut;
};

TEST(DrawingsStoreCrash, AKilledSaveLeavesTheLastAcknowledgedOrTheNewDrawing) {
    constexpr int KSize = 256 * 1024;
    for (const char* Journal : {"DELETE", "WAL"}) {
        SCOPED_TRACE(Journal);
        QTemporaryDir Dir;
        const QString File = Dir.filePath(QStringLiteral("tdraxadb.db"));
        int64_t Key = -1;
        {
            TDrawingsStore Store;
            ASSERT_TRUE(Store.OpenSQLite(File));
            ASSERT_TRUE(Store.Insert(test::SavedName(QStringLiteral("save"), 0), KNoon,
                                     test::SavedDrawing(0, KSize)));
            Key = Store.CurrentKey();
        }
        {
            TOtherWriter Mode(File);
            ASSERT_EQ(S(Mode.Row(QStringLiteral("PRAGMA journal_mode = %1").arg(QLatin1String(Journal)))
                            .at(0)
                            .toString()
                            .toUpper()),
                      Journal);
        }

        // Rounds of saving until a hundred saves have been acknowledged,
        // each killed after a random time: before, during or between saves.
        std::mt19937 Random(20240301);
        std::uniform_int_distribution<int> DelayMs(0, 60);
        int64_t Stored = 0;
        int Acknowledged = 0, Kills = 0;
        while (Acknowledged < 100 && Kills < 400) {
            TSaver Saver(File, QString::number(Key), 1000000, KSize, Stored + 1, QStringLiteral("save"));
            ASSERT_TRUE(Saver.WaitUntilReady()) << Saver.Output().toStdString();
            QThread::msleep(unsigned(DelayMs(Random)));
            Saver.Kill();
            ++Kills;
            const std::vector<int64_t> Saves = Saver.Acknowledged();
            Acknowledged += int(Saves.size());
            const int64_t Last = Saves.empty() ? Stored : Saves.back();

            TOtherWriter Probe(File);
            ASSERT_EQ(S(Probe.Row(QStringLiteral("PRAGMA integrity_check")).at(0).toString()), "ok");
            const std::vector<QVariant> Row = Probe.Row(
                QStringLiteral("SELECT \"Name\", \"Draw\" FROM tdraxadb WHERE \"Id\" = %1").arg(Key));
            ASSERT_EQ(Row.size(), 2u) << "the record is gone after kill " << Kills;
            const int64_t Holds = test::SaveNumberOf(Row[1].toByteArray());
            // The acknowledged save, or the one in flight; never a torn or
            // an older one.
            ASSERT_TRUE(Holds == Last || Holds == Last + 1)
                << "kill " << Kills << ": holds " << Holds << ", last acknowledged " << Last;
            EXPECT_EQ(S(Row[0].toString()), S(test::SavedName(QStringLiteral("save"), Holds)));
            EXPECT_EQ(Probe.Row(QStringLiteral("SELECT count(*) FROM tdraxadb")).at(0).toInt(), 1);
            // Each save kept the drawing it replaced in its own transaction:
            // as many versions as saves, up to the number kept, the newest
            // being the save before.
            const std::vector<QVariant> Versions =
                Probe.Row(QStringLiteral("SELECT count(*), (SELECT \"Draw\" FROM tdraxadb_versions WHERE "
                                         "\"RecordId\" = %1 ORDER BY \"VersionId\" DESC LIMIT 1) FROM "
                                         "tdraxadb_versions WHERE \"RecordId\" = %1")
                              .arg(Key));
            ASSERT_EQ(Versions.size(), 2u);
            EXPECT_EQ(Versions[0].toLongLong(),
                      std::min<int64_t>(Holds, TDrawingsStore::DefaultVersionsKept));
            if (Holds > 0) {
                EXPECT_EQ(test::SaveNumberOf(Versions[1].toByteArray()), Holds - 1);
            }
            Stored = Holds;
        }
        EXPECT_GE(Acknowledged, 100);
    }
}

TEST(DrawingsStoreCrash, TwoProgramsSavingAtOnceLoseNothing) {
    constexpr int KSaves = 300;
    QTemporaryDir Dir;
    const QString File = Dir.filePath(QStringLiteral("tdraxadb.db"));
    {
        TDrawingsStore Store;
        ASSERT_TRUE(Store.OpenSQLite(File));
    }
    TSaver A(File, QStringLiteral("new"), KSaves, 16 * 1024, 1, QStringLiteral("A"));
    TSaver B(File, QStringLiteral("new"), KSaves, 16 * 1024, 1, QStringLiteral("B"));
    ASSERT_TRUE(A.Finish()) << A.Output().toStdString();
    ASSERT_TRUE(B.Finish()) << B.Output().toStdString();
    EXPECT_EQ(A.Acknowledged().size(), size_t(KSaves));
    EXPECT_EQ(B.Acknowledged().size(), size_t(KSaves));

    // Every save of both is there once, whole, under its own name.
    TDrawingsStore Store;
    ASSERT_TRUE(Store.OpenSQLite(File));
    ASSERT_EQ(Store.RecordCount(), 2 * KSaves);
    QStringList Names;
    for (Store.First(); Store.RecNo() >= 0; Store.Next()) {
        TDrawingRecord Record;
        ASSERT_TRUE(Store.ReadCurrent(Record));
        const int64_t Seq = test::SaveNumberOf(Record.Draw);
        ASSERT_GE(Seq, 1) << S(Record.Name);
        EXPECT_TRUE(Record.Name.endsWith(QStringLiteral(" %1").arg(Seq))) << S(Record.Name);
        Names << Record.Name;
        if (Store.IsLast()) break;
    }
    Names.removeDuplicates();
    EXPECT_EQ(Names.size(), 2 * KSaves);
}

TEST(DrawingsStoreCrash, OpeningWhileAnotherProgramSavesWaitsForItsCommits) {
    // Opening reads the tables' names and columns; a commit of the other
    // program locks them for a moment, and the open must wait it out like
    // any other statement, not take the store for a foreign one.
    QTemporaryDir Dir;
    const QString File = Dir.filePath(QStringLiteral("tdraxadb.db"));
    {
        TDrawingsStore Store;
        ASSERT_TRUE(Store.OpenSQLite(File));
    }
    TSaver Saving(File, QStringLiteral("new"), 1000000, 256 * 1024, 1, QStringLiteral("other"));
    ASSERT_TRUE(Saving.WaitForFirstSave()) << Saving.Output().toStdString();
    for (int Open = 0; Open < 60; ++Open) {
        TDrawingsStore Store;
        ASSERT_TRUE(Store.OpenSQLite(File)) << "open " << Open << ": " << S(Store.LastError());
    }
    Saving.Kill();
    EXPECT_GT(Saving.Acknowledged().size(), 1u) << "the other program saved nothing meanwhile";
}

// Runs against the server named by DRAXA_TEST_POSTGRES (a libpq connection
// string), else libpq's defaults; skipped when none answers. The test works
// in a table of its own and drops it afterwards.
TEST(DrawingsStorePostgres, SharedStore) {
    const QString Info = qEnvironmentVariable("DRAXA_TEST_POSTGRES") + QStringLiteral(" connect_timeout=3");
    const QString Table = QStringLiteral("draxa_test_%1").arg(QCoreApplication::applicationPid());
    TDrawingsStore Store(Table);
    if (!Store.OpenPostgres(Info)) GTEST_SKIP() << "no PostgreSQL server: " << S(Store.LastError());

    TDrawingsStore Other(Table);
    ASSERT_TRUE(Other.OpenPostgres(Info)) << S(Other.LastError());
    ASSERT_TRUE(Store.Insert(QStringLiteral("shared"), KNoon, QByteArray("\0\1\2 blob", 9)));
    const int64_t Key = Store.CurrentKey();
    int64_t Revision = 0;
    ASSERT_TRUE(
        Store.Update(Key, Revision, QStringLiteral("shared, edited"), KNoon.addSecs(60), QByteArray("v2")));

    ASSERT_TRUE(Other.Refresh());
    ASSERT_EQ(Other.RecordCount(), 1);
    TDrawingRecord Record;
    ASSERT_TRUE(Other.ReadCurrent(Record)) << S(Other.LastError());
    EXPECT_EQ(Record.Key, Key);
    EXPECT_EQ(S(Record.Name), "shared, edited");
    EXPECT_EQ(Record.LastUpdate, KNoon.addSecs(60));
    EXPECT_EQ(Record.Draw, QByteArray("v2"));

    ASSERT_TRUE(Other.DeleteCurrent());
    EXPECT_FALSE(Store.Update(Key, Revision, QStringLiteral("late"), KNoon, QByteArray("v3")));
    EXPECT_EQ(Store.LastFailure(), TStoreFailure::sfMissing);
    ASSERT_TRUE(Store.Refresh());
    EXPECT_TRUE(Store.IsEmpty());

    AddSearchable(Store);
    ExpectSearches(Store);

    Store.Close();
    Other.Close();
    {
        QSqlDatabase Db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("store-test-drop"));
        Db.setConnectOptions(Info);
        ASSERT_TRUE(Db.open());
        // The table, and those of its versions and drafts.
        for (const QString& Suffix : {QString(), QStringLiteral("_versions"), QStringLiteral("_drafts"),
                                      QStringLiteral("_quantities")})
            QSqlQuery(Db).exec(QStringLiteral("DROP TABLE \"%1%2\"").arg(Table, Suffix));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("store-test-drop"));
}

} // namespace
} // namespace draxa
