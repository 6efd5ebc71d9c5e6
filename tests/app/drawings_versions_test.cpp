// Versions, deleted drawings and drafts in the drawings store: the same
// checks on an SQLite file and, when a server answers, on PostgreSQL; the
// upgrade of stores written by earlier versions; and the editor killed in
// the middle of editing while it keeps drafts.
#include "app/drawings_store.h"
#include "app/sql_probe.h"
#include "foundation/streams.h"
#include "surface/draxa.h"
#include "tools/saved_drawing.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace draxa {
namespace {

std::string S(const QString& Text) {
    return Text.toStdString();
}

const QDateTime KNoon(QDate(2024, 3, 1), QTime(12, 0, 0));
constexpr int KSize = 4096;

using test::SavedDrawing;
using test::SaveNumberOf;

// The save numbers the versions of Key hold, newest first.
std::vector<int64_t> VersionNumbers(TDrawingsStore& Store, int64_t Key) {
    std::vector<TDrawingVersion> Versions;
    EXPECT_TRUE(Store.ListVersions(Key, Versions)) << S(Store.LastError());
    std::vector<int64_t> Numbers;
    for (const TDrawingVersion& V : Versions) Numbers.push_back(SaveNumberOf(V.Draw));
    return Numbers;
}

std::vector<int64_t> Range(int64_t From, int64_t DownTo) {
    std::vector<int64_t> Out;
    for (int64_t I = From; I >= DownTo; --I) Out.push_back(I);
    return Out;
}

// A pid no process has: one that has just ended.
int64_t DeadPid() {
    QProcess Ended;
    Ended.start(QStringLiteral("true"), {});
    Ended.waitForFinished();
    return Ended.processId() > 0 ? Ended.processId() : 999999;
}

// ---- the checks both databases run ------------------------------------------

// Save 25 times: the newest 20 replaced drawings are kept, newest first,
// whole; a save that meets a conflict keeps nothing; the setting is heeded.
void ExpectTwentyOfTwentyFive(TDrawingsStore& Store) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("plan"), KNoon, SavedDrawing(0, KSize))) << S(Store.LastError());
    const int64_t Key = Store.CurrentKey();
    int64_t Revision = 0;
    for (int Save = 1; Save <= 25; ++Save)
        ASSERT_TRUE(Store.Update(Key, Revision, QStringLiteral("plan %1").arg(Save), KNoon.addSecs(Save),
                                 SavedDrawing(Save, KSize)))
            << S(Store.LastError());
    EXPECT_EQ(VersionNumbers(Store, Key), Range(24, 5));
    std::vector<TDrawingVersion> Versions;
    ASSERT_TRUE(Store.ListVersions(Key, Versions));
    EXPECT_EQ(S(Versions[0].Name), "plan 24");
    EXPECT_EQ(Versions[0].Revision, 24);
    EXPECT_EQ(Versions[0].LastUpdate, KNoon.addSecs(24));

    int64_t Stale = Revision - 1;
    EXPECT_FALSE(Store.Update(Key, Stale, QStringLiteral("late"), KNoon, SavedDrawing(99, KSize)));
    EXPECT_EQ(Store.LastFailure(), TStoreFailure::sfConflict);
    EXPECT_EQ(VersionNumbers(Store, Key), Range(24, 5));

    Store.SetVersionsKept(3);
    ASSERT_TRUE(Store.Update(Key, Revision, QStringLiteral("plan 26"), KNoon, SavedDrawing(26, KSize)));
    EXPECT_EQ(VersionNumbers(Store, Key), Range(25, 23));
    Store.SetVersionsKept(TDrawingsStore::DefaultVersionsKept);
}

// Restoring a version rewrites the record with its very bytes and keeps the
// drawing it replaced; a deleted drawing comes back with its versions; a
// new record never shows the history of a deleted one.
void ExpectRestoreAndDeleted(TDrawingsStore& Store) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("house"), KNoon, SavedDrawing(1, KSize)));
    const int64_t Key = Store.CurrentKey();
    int64_t Revision = 0;
    ASSERT_TRUE(Store.Update(Key, Revision, QStringLiteral("house"), KNoon, SavedDrawing(2, KSize)));
    ASSERT_TRUE(Store.Update(Key, Revision, QStringLiteral("house"), KNoon, SavedDrawing(3, KSize)));
    std::vector<TDrawingVersion> Versions;
    ASSERT_TRUE(Store.ListVersions(Key, Versions));
    ASSERT_EQ(Versions.size(), 2u);
    int64_t Restored = 0;
    ASSERT_TRUE(Store.RestoreVersion(Versions[1], Restored)) << S(Store.LastError());
    TDrawingRecord Record;
    ASSERT_TRUE(Store.Read(Key, Record));
    EXPECT_EQ(Record.Draw, Versions[1].Draw);
    EXPECT_EQ(Record.Revision, Restored);
    EXPECT_EQ(VersionNumbers(Store, Key), (std::vector<int64_t>{3, 2, 1}));

    // Deleted: gone from the table, kept as it was with its versions.
    ASSERT_TRUE(Store.MoveTo(Key));
    ASSERT_TRUE(Store.DeleteCurrent()) << S(Store.LastError());
    EXPECT_TRUE(VersionNumbers(Store, Key).empty());
    std::vector<TDrawingVersion> Deleted;
    ASSERT_TRUE(Store.ListDeletedDrawings(Deleted)) << S(Store.LastError());
    ASSERT_EQ(Deleted.size(), 1u);
    EXPECT_EQ(Deleted[0].Draw, SavedDrawing(1, KSize));
    EXPECT_EQ(S(Deleted[0].Name), "house");
    EXPECT_TRUE(Deleted[0].DeletedAt.isValid());
    std::vector<TDrawingVersion> Kept;
    ASSERT_TRUE(Store.ListDeletedVersions(Deleted[0].DeletedGroup, Kept));
    EXPECT_EQ(Kept.size(), 4u);

    // A record added now (SQLite may give it the deleted one's key) starts
    // without versions.
    ASSERT_TRUE(Store.Insert(QStringLiteral("other"), KNoon, SavedDrawing(50, KSize)));
    const int64_t Other = Store.CurrentKey();
    EXPECT_TRUE(VersionNumbers(Store, Other).empty());

    ASSERT_TRUE(Store.RestoreDeleted(Deleted[0].DeletedGroup)) << S(Store.LastError());
    const int64_t Back = Store.CurrentKey();
    EXPECT_NE(Back, Other);
    ASSERT_TRUE(Store.Read(Back, Record));
    EXPECT_EQ(S(Record.Name), "house");
    EXPECT_EQ(Record.Draw, SavedDrawing(1, KSize));
    EXPECT_EQ(VersionNumbers(Store, Back), (std::vector<int64_t>{3, 2, 1}));
    ASSERT_TRUE(Store.ListDeletedDrawings(Deleted));
    EXPECT_TRUE(Deleted.empty());
    // Brought back once only.
    EXPECT_FALSE(Store.RestoreDeleted(Kept[0].DeletedGroup));
    EXPECT_EQ(Store.LastFailure(), TStoreFailure::sfMissing);
}

// Drafts are written over in place without touching the saved record; only
// those of this user whose program has ended are offered.
void ExpectDrafts(TDrawingsStore& Store, TDrawingsStore& Crashed, TDrawingsStore& OtherUser) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("garden"), KNoon, SavedDrawing(1, KSize)));
    const int64_t Key = Store.CurrentKey();
    TDrawingRecord Before;
    ASSERT_TRUE(Store.Read(Key, Before));

    int64_t Mine = -1, Left = -1, Theirs = -1, New = -1;
    ASSERT_TRUE(Store.WriteDraft(Mine, Key, 0, QStringLiteral("garden"), SavedDrawing(2, KSize)))
        << S(Store.LastError());
    const int64_t First = Mine;
    ASSERT_TRUE(Store.WriteDraft(Mine, Key, 0, QStringLiteral("garden"), SavedDrawing(3, KSize)));
    EXPECT_EQ(Mine, First);
    ASSERT_TRUE(Crashed.WriteDraft(Left, Key, 0, QStringLiteral("garden, left"), SavedDrawing(4, KSize)));
    ASSERT_TRUE(Crashed.WriteDraft(New, -1, 0, QStringLiteral("new one"), SavedDrawing(5, KSize)));
    ASSERT_TRUE(OtherUser.WriteDraft(Theirs, Key, 0, QStringLiteral("theirs"), SavedDrawing(6, KSize)));

    TDrawingRecord After;
    ASSERT_TRUE(Store.Read(Key, After));
    EXPECT_EQ(After.Draw, Before.Draw);
    EXPECT_EQ(After.Revision, Before.Revision);
    EXPECT_TRUE(VersionNumbers(Store, Key).empty());

    std::vector<TDrawingDraft> Offered;
    ASSERT_TRUE(Store.ListLeftDrafts(Offered)) << S(Store.LastError());
    ASSERT_EQ(Offered.size(), 2u);
    std::vector<int64_t> Held;
    for (const TDrawingDraft& D : Offered) Held.push_back(SaveNumberOf(D.Draw));
    std::sort(Held.begin(), Held.end());
    EXPECT_EQ(Held, (std::vector<int64_t>{4, 5}));
    for (const TDrawingDraft& D : Offered) {
        EXPECT_EQ(D.RecordKey, SaveNumberOf(D.Draw) == 4 ? Key : -1);
        ASSERT_TRUE(Store.RemoveDraft(D.Id));
    }
    ASSERT_TRUE(Store.ListLeftDrafts(Offered));
    EXPECT_TRUE(Offered.empty());
    // Removed twice, or written after someone removed it: no failure.
    EXPECT_TRUE(Store.RemoveDraft(Left));
    ASSERT_TRUE(Store.RemoveDraft(Mine));
    ASSERT_TRUE(Store.WriteDraft(Mine, Key, 0, QStringLiteral("garden"), SavedDrawing(7, KSize)));
    EXPECT_TRUE(Store.RemoveDraft(Mine));
    EXPECT_TRUE(OtherUser.RemoveDraft(Theirs));
}

class DrawingsVersionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        ASSERT_TRUE(Store.OpenSQLite(File)) << S(Store.LastError());
    }
    QTemporaryDir Dir;
    QString File = Dir.filePath(QStringLiteral("tdraxadb.db"));
    TDrawingsStore Store;
};

TEST_F(DrawingsVersionsTest, TwentyFiveSavesKeepTheNewestTwenty) {
    ExpectTwentyOfTwentyFive(Store);
}

TEST_F(DrawingsVersionsTest, RestoringAndBringingBackAreByteForByte) {
    ExpectRestoreAndDeleted(Store);
}

TEST_F(DrawingsVersionsTest, OnlyDraftsLeftByEndedProgramsAreOffered) {
    TDrawingsStore Crashed, OtherUser;
    ASSERT_TRUE(Crashed.OpenSQLite(File));
    ASSERT_TRUE(OtherUser.OpenSQLite(File));
    Crashed.SetDraftOwner(TDrawingsStore::ThisDraftOwner(), DeadPid());
    OtherUser.SetDraftOwner(QStringLiteral("someone@elsewhere"), DeadPid());
    ExpectDrafts(Store, Crashed, OtherUser);
}

TEST_F(DrawingsVersionsTest, DeletedDrawingsGoAfterTheirDays) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("old"), KNoon, SavedDrawing(1, KSize)));
    ASSERT_TRUE(Store.DeleteCurrent());
    ASSERT_TRUE(Store.Insert(QStringLiteral("recent"), KNoon, SavedDrawing(2, KSize)));
    ASSERT_TRUE(Store.DeleteCurrent());
    {
        test::TOtherWriter Other(File);
        const QString Long = QDateTime::currentDateTimeUtc()
                                 .addDays(-TDrawingsStore::DeletedKeptDays - 1)
                                 .toString(Qt::ISODateWithMs);
        ASSERT_TRUE(Other.Exec(
            QStringLiteral("UPDATE tdraxadb_versions SET \"DeletedAt\" = '%1' WHERE \"Name\" = 'old'")
                .arg(Long)));
    }
    std::vector<TDrawingVersion> Deleted;
    ASSERT_TRUE(Store.ListDeletedDrawings(Deleted));
    ASSERT_EQ(Deleted.size(), 1u);
    EXPECT_EQ(S(Deleted[0].Name), "recent");
    // Opening the store lets the expired one go for good.
    TDrawingsStore Again;
    ASSERT_TRUE(Again.OpenSQLite(File));
    test::TOtherWriter Probe(File);
    EXPECT_EQ(Probe.Row(QStringLiteral("SELECT count(*) FROM tdraxadb_versions")).at(0).toInt(), 1);
}

TEST_F(DrawingsVersionsTest, EarlierStoresAreUpgradedOnceAndStayReadableByEarlierPrograms) {
    const QString Old = Dir.filePath(QStringLiteral("old.db"));
    {
        test::TOtherWriter Earlier(Old);
        ASSERT_TRUE(Earlier.Exec(QStringLiteral(
            "CREATE TABLE tdraxadb (\"Name\" VARCHAR(50), \"LastUpdate\" TIMESTAMP, \"Draw\" BLOB, "
            "\"Id\" INTEGER PRIMARY KEY)")));
        ASSERT_TRUE(Earlier.Exec(
            QStringLiteral("INSERT INTO tdraxadb VALUES ('other', '2024-03-01T10:00:00.000Z', x'01', 6)")));
        ASSERT_TRUE(Earlier.Exec(
            QStringLiteral("INSERT INTO tdraxadb VALUES ('kept', '2024-03-01T11:00:00.000Z', x'0102', 7)")));
    }
    TDrawingsStore First, Second;
    ASSERT_TRUE(First.OpenSQLite(Old)) << S(First.LastError());
    ASSERT_TRUE(Second.OpenSQLite(Old)) << S(Second.LastError());
    First.Close();
    ASSERT_TRUE(First.OpenSQLite(Old)) << S(First.LastError());
    TDrawingRecord Record;
    ASSERT_TRUE(First.Read(7, Record));
    ASSERT_TRUE(First.Update(7, Record.Revision, QStringLiteral("edited"), KNoon, QByteArray("v1")));

    test::TOtherWriter Earlier(Old);
    // The main table has the columns it had, and an earlier program's own
    // statements still work on it.
    EXPECT_EQ(S(Earlier.Row(QStringLiteral("SELECT group_concat(name) FROM pragma_table_info('tdraxadb')"))
                    .at(0)
                    .toString()),
              "Name,LastUpdate,Draw,Id,Revision");
    EXPECT_EQ(Earlier.Row(QStringLiteral("SELECT count(*) FROM tdraxadb_versions")).at(0).toInt(), 1);
    ASSERT_TRUE(Earlier.Exec(QStringLiteral("UPDATE tdraxadb SET \"Draw\" = x'03' WHERE \"Id\" = 7")));
    // An earlier program deletes the record without filing its versions;
    // the record added next under the same key does not take them over.
    ASSERT_TRUE(Earlier.Exec(QStringLiteral("DELETE FROM tdraxadb WHERE \"Id\" = 7")));
    ASSERT_TRUE(First.Insert(QStringLiteral("new"), KNoon, QByteArray("n")));
    EXPECT_EQ(First.CurrentKey(), 7);
    EXPECT_TRUE(VersionNumbers(First, First.CurrentKey()).empty());
    std::vector<TDrawingVersion> Deleted;
    ASSERT_TRUE(First.ListDeletedDrawings(Deleted));
    ASSERT_EQ(Deleted.size(), 1u);
    EXPECT_EQ(S(Deleted[0].Name), "kept");
}

// ---- the editor killed while it keeps drafts ----------------------------------

// The editing program: see tests/tools/drafts_editor.cpp.
class TDraftsEditor {
public:
    TDraftsEditor(const QString& File, int64_t Key, int IntervalMs) {
        FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FProcess.start(QStringLiteral(DRAXA_DRAFTS_EDITOR),
                       {File, QString::number(Key), QString::number(IntervalMs)});
    }
    ~TDraftsEditor() { Kill(); }
    bool WaitUntilReady() {
        while (!FOut.contains("ready\n")) {
            if (!FProcess.waitForReadyRead(20000)) return false;
            FOut += FProcess.readAllStandardOutput();
        }
        return true;
    }
    void Kill() {
        if (FProcess.state() == QProcess::NotRunning) return;
        FProcess.kill();
        FProcess.waitForFinished();
    }
    // The shape count of the last draft reported committed; -1 for none.
    int LastDraft() {
        FOut += FProcess.readAllStandardOutput();
        int Last = -1;
        for (const QByteArray& Line : FOut.split('\n'))
            if (Line.startsWith("draft ")) Last = Line.mid(6).toInt();
        return Last;
    }
    QByteArray Output() const { return FOut; }

private:
    QProcess FProcess;
    QByteArray FOut;
};

// How many shapes a drawing holds; -1 when it cannot be read whole.
int ShapesIn(const QByteArray& Draw) {
    TMyDraxa Surface;
    TMemoryStream Stream(Draw);
    return Surface.LoadFromStream(Stream) ? Surface.ShapeCount() : -1;
}

TEST(DrawingsDraftsCrash, AKilledEditorLeavesItsLastDraftAndTheSavedDrawingUntouched) {
    QTemporaryDir Dir;
    const QString File = Dir.filePath(QStringLiteral("tdraxadb.db"));
    TDrawingsStore Store;
    ASSERT_TRUE(Store.OpenSQLite(File));
    TMyDraxa Empty;
    TMemoryStream Saved;
    ASSERT_TRUE(Empty.SaveToStream(Saved));
    ASSERT_TRUE(Store.Insert(QStringLiteral("plan"), KNoon, Saved.ToByteArray()));
    TDrawingRecord Before;
    ASSERT_TRUE(Store.ReadCurrent(Before));

    std::mt19937 Random(20241209);
    std::uniform_int_distribution<int> DelayMs(0, 250);
    int WithDraft = 0;
    for (int Kill = 0; Kill < 12; ++Kill) {
        SCOPED_TRACE(Kill);
        int Last = -1;
        {
            TDraftsEditor Editor(File, Before.Key, 10);
            ASSERT_TRUE(Editor.WaitUntilReady()) << Editor.Output().toStdString();
            QThread::msleep(unsigned(DelayMs(Random)));
            Editor.Kill();
            Last = Editor.LastDraft();
        }
        std::vector<TDrawingDraft> Left;
        ASSERT_TRUE(Store.ListLeftDrafts(Left)) << S(Store.LastError());
        // The draft acknowledged last, or the one being written when the
        // program died (a later state, whole); nothing older, nothing torn.
        if (Last >= 0) {
            ASSERT_EQ(Left.size(), 1u);
        }
        ASSERT_LE(Left.size(), 1u);
        if (!Left.empty()) {
            const int Holds = ShapesIn(Left[0].Draw);
            EXPECT_GE(Holds, std::max(Last, 1)) << "last acknowledged " << Last;
            EXPECT_EQ(Left[0].RecordKey, Before.Key);
            EXPECT_EQ(Left[0].Revision, Before.Revision);
            ++WithDraft;
            ASSERT_TRUE(Store.RemoveDraft(Left[0].Id));
        }
        TDrawingRecord After;
        ASSERT_TRUE(Store.Read(Before.Key, After));
        EXPECT_EQ(After.Draw, Before.Draw);
        EXPECT_EQ(After.Revision, Before.Revision);
        EXPECT_TRUE(VersionNumbers(Store, Before.Key).empty());
    }
    EXPECT_GT(WithDraft, 0);
}

// ---- PostgreSQL ---------------------------------------------------------------

// Runs the same checks against the server named by DRAXA_TEST_POSTGRES (a
// libpq connection string), else libpq's defaults; skipped when none
// answers. The test works in tables of its own and drops them afterwards.
TEST(DrawingsVersionsPostgres, SameOnTheSharedStore) {
    const QString Info = qEnvironmentVariable("DRAXA_TEST_POSTGRES") + QStringLiteral(" connect_timeout=3");
    const QString Table = QStringLiteral("draxa_versions_test_%1").arg(QCoreApplication::applicationPid());
    {
        TDrawingsStore Store(Table);
        if (!Store.OpenPostgres(Info)) GTEST_SKIP() << "no PostgreSQL server: " << S(Store.LastError());
        TDrawingsStore Again(Table), Crashed(Table), OtherUser(Table);
        // Opening an upgraded store again changes nothing.
        ASSERT_TRUE(Again.OpenPostgres(Info)) << S(Again.LastError());
        ASSERT_TRUE(Crashed.OpenPostgres(Info));
        ASSERT_TRUE(OtherUser.OpenPostgres(Info));
        Crashed.SetDraftOwner(TDrawingsStore::ThisDraftOwner(), DeadPid());
        OtherUser.SetDraftOwner(QStringLiteral("someone@elsewhere"), DeadPid());
        ExpectTwentyOfTwentyFive(Store);
        ExpectRestoreAndDeleted(Store);
        ExpectDrafts(Store, Crashed, OtherUser);
    }
    {
        QSqlDatabase Db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("versions-test-drop"));
        Db.setConnectOptions(Info);
        ASSERT_TRUE(Db.open());
        for (const QString& Suffix : {QString(), QStringLiteral("_versions"), QStringLiteral("_drafts"),
                                      QStringLiteral("_quantities")})
            QSqlQuery(Db).exec(QStringLiteral("DROP TABLE \"%1%2\"").arg(Table, Suffix));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("versions-test-drop"));
}

} // namespace
} // namespace draxa
