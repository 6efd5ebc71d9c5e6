// The drawings table on its own: writes as single transactions, a second
// program on the same table, conflicting saves, tables of earlier versions,
// programs killed half-way through a save, bad names and bad files, and the shared PostgreSQL store when a
// server can be reached.
#include "app/drawings_store.h"
#include "app/sql_probe.h"
#include "tools/saved_drawing.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QVariant>

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace draxa {
namespace {

std::string S(const QString& Text) {
    return Text.toStdString();
}

const QDateTime KNoon(QDate(2024, 3, 1), QTime(12, 0, 0));

using test::TOtherWriter;

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
    bool WaitUntilReady() {
        while (!FOut.contains("ready\n")) {
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
    bool Finish() { return FProcess.waitForFinished(120000) && FProcess.exitCode() == 0; }
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

    Store.Close();
    Other.Close();
    {
        QSqlDatabase Db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("store-test-drop"));
        Db.setConnectOptions(Info);
        ASSERT_TRUE(Db.open());
        QSqlQuery(Db).exec(QStringLiteral("DROP TABLE \"%1\"").arg(Table));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("store-test-drop"));
}

} // namespace
} // namespace draxa
