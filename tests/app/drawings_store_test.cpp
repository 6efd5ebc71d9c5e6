// The drawings table on its own: writes as single transactions, a second
// program on the same table, bad names and bad files, and the shared
// PostgreSQL store when a server can be reached.
#include "app/DrawingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace draxa {
namespace {

std::string S(const QString& Text) {
    return Text.toStdString();
}

const QDateTime KNoon(QDate(2024, 3, 1), QTime(12, 0, 0));

// Another program's connection to the same SQLite file.
class TOtherWriter {
public:
    explicit TOtherWriter(const QString& File) {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FName);
        Db.setDatabaseName(File);
        EXPECT_TRUE(Db.open());
    }
    ~TOtherWriter() { QSqlDatabase::removeDatabase(FName); }
    bool Exec(const QString& Sql) {
        QSqlQuery Q(QSqlDatabase::database(FName));
        return Q.exec(Sql);
    }

private:
    QString FName = QStringLiteral("store-test-other");
};

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

    // Another program holds the write lock: every write gives up cleanly.
    {
        TOtherWriter Other(File);
        ASSERT_TRUE(Other.Exec(QStringLiteral("BEGIN IMMEDIATE")));
        EXPECT_FALSE(Store.Insert(QStringLiteral("second"), KNoon, QByteArray("two")));
        EXPECT_TRUE(Store.LastError().contains(QStringLiteral("another program"))) << S(Store.LastError());
        EXPECT_FALSE(Store.Update(Key, QStringLiteral("renamed"), KNoon, QByteArray("new")));
        EXPECT_FALSE(Store.DeleteCurrent());
        EXPECT_EQ(Store.RecordCount(), 1);
        ASSERT_TRUE(Other.Exec(QStringLiteral("ROLLBACK")));
    }

    // A write that fails inside its transaction (the record is gone) leaves
    // no transaction behind: the next write goes through.
    EXPECT_FALSE(Store.Update(Key + 100, QStringLiteral("ghost"), KNoon, QByteArray("x")));
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
        {QString(60, QLatin1Char('x')), QString(50, QLatin1Char('x'))},
        // A character outside the BMP is not cut in half at the limit.
        {QString(49, QLatin1Char('y')) + QStringLiteral("😀z"), QString(49, QLatin1Char('y'))},
        {QString(), QString()},
    };
    for (const TCase& Case : Cases) {
        ASSERT_TRUE(Store.Insert(Case.Typed, KNoon, "d")) << S(Store.LastError());
        TDrawingRecord Record;
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
    ASSERT_TRUE(Store.Update(Key, QStringLiteral("shared, edited"), KNoon.addSecs(60), QByteArray("v2")));

    ASSERT_TRUE(Other.Refresh());
    ASSERT_EQ(Other.RecordCount(), 1);
    TDrawingRecord Record;
    ASSERT_TRUE(Other.ReadCurrent(Record)) << S(Other.LastError());
    EXPECT_EQ(Record.Key, Key);
    EXPECT_EQ(S(Record.Name), "shared, edited");
    EXPECT_EQ(Record.LastUpdate, KNoon.addSecs(60));
    EXPECT_EQ(Record.Draw, QByteArray("v2"));

    ASSERT_TRUE(Other.DeleteCurrent());
    EXPECT_FALSE(Store.Update(Key, QStringLiteral("late"), KNoon, QByteArray("v3")));
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
