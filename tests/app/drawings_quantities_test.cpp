// The table of quantities beside the drawings: written in the transaction
// of every save (a save that fails leaves drawing and quantities as they
// were), emptied with a delete, filled again when a drawing comes back or a
// store meets the table for the first time, and the README's query over all
// drawings in both databases.
#include "app/drawings_store.h"
#include "foundation/streams.h"
#include "surface/draxa.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace draxa {
namespace {

std::string S(const QString& Text) {
    return Text.toStdString();
}

const QDateTime KNoon(QDate(2024, 3, 1), QTime(12, 0, 0));
constexpr float MmPx = float(96 / 25.4);

// The query the README shows: total area per layer over all drawings.
const char* const KReadmeQuery =
    "SELECT \"Layer\", \"Unit\", SUM(\"Area\") AS \"Area\" FROM tdraxadb_quantities "
    "GROUP BY \"Layer\", \"Unit\" ORDER BY \"Layer\", \"Unit\"";

// A drawing in metres at Ratio: a 30 x 40 mm room (12 m2 at 1 : 100) and a
// wall of an inch on layer "Rooms", and RoomsOnSecond more rooms on "Garden".
QByteArray Drawing(double Ratio, int RoomsOnSecond = 0) {
    TMyDraxa D;
    D.RenameLayer(D.CurrentLayer(), QStringLiteral("Rooms"));
    D.SetTheUNIT(TUnits::m);
    D.SetRatio(Ratio);
    const auto Room = [&D](float X) {
        D.AddShapeByTool(&D, TDrawTool::SpRectangle, QStringLiteral("Room"),
                         {{X, 0}, {X + 30 * MmPx, 0}, {X + 30 * MmPx, 40 * MmPx}, {X, 40 * MmPx}}, 0,
                         QString());
    };
    Room(0);
    D.AddShapeByTool(&D, TDrawTool::SpLine, QStringLiteral("Wall"), {{0, 0}, {96, 0}}, 0, QString());
    if (RoomsOnSecond > 0) {
        D.AddLayer(QStringLiteral("Garden"), true);
        for (int I = 0; I < RoomsOnSecond; ++I) Room(float(200 * (I + 1)));
    }
    TMemoryStream M;
    EXPECT_TRUE(D.SaveToStream(M));
    return M.ToByteArray();
}

// Every row of Sql on the connection Name, its fields joined by "|", rows by "; ".
std::string Rows(const QString& Connection, const QString& Sql) {
    QSqlQuery Q(QSqlDatabase::database(Connection));
    EXPECT_TRUE(Q.exec(Sql)) << S(Sql) << ": " << S(Q.lastError().text());
    QStringList Out;
    while (Q.next()) {
        QStringList Fields;
        for (int I = 0; I < Q.record().count(); ++I) {
            const QVariant V = Q.value(I);
            // Areas to two decimals: the engines sum doubles in their own order.
            Fields << (V.isNull()                        ? QString()
                       : V.typeId() == QMetaType::Double ? QString::number(V.toDouble(), 'f', 2)
                                                         : V.toString());
        }
        Out << Fields.join(QLatin1Char('|'));
    }
    return S(Out.join(QStringLiteral("; ")));
}

// Two drawings saved, one rewritten, one deleted: the README's query sums
// the rooms of the drawings that are there, per layer.
void ExpectReadmeTotals(TDrawingsStore& Store, const QString& Connection, const QString& Table) {
    QString Query = QString::fromLatin1(KReadmeQuery);
    Query.replace(QStringLiteral("tdraxadb_quantities"), QStringLiteral("\"%1_quantities\"").arg(Table));
    ASSERT_TRUE(Store.Insert(QStringLiteral("House"), KNoon, Drawing(100, 2))) << S(Store.LastError());
    const int64_t House = Store.CurrentKey();
    ASSERT_TRUE(Store.Insert(QStringLiteral("Shed"), KNoon, Drawing(200)));
    ASSERT_TRUE(Store.Insert(QStringLiteral("Gone"), KNoon, Drawing(1000)));
    ASSERT_TRUE(Store.DeleteCurrent());
    // House: 12 m2 of rooms and 24 m2 of garden; Shed, at 1 : 200: 48 m2.
    EXPECT_EQ(Rows(Connection, Query), "Garden|m|24.00; Rooms|m|60.00");
    int64_t Revision = 0;
    ASSERT_TRUE(Store.Update(House, Revision, QStringLiteral("House"), KNoon, Drawing(100, 1)));
    EXPECT_EQ(Rows(Connection, Query), "Garden|m|12.00; Rooms|m|60.00");
}

class DrawingsQuantitiesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        ASSERT_TRUE(Store.OpenSQLite(File, 50)) << S(Store.LastError());
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Probe);
        Db.setDatabaseName(File);
        ASSERT_TRUE(Db.open());
    }
    void TearDown() override {
        QSqlDatabase::database(Probe, false).close();
        QSqlDatabase::removeDatabase(Probe);
    }
    std::string Of(int64_t Key) {
        return Rows(
            Probe, QStringLiteral("SELECT \"Layer\", \"Hidden\", \"Class\", \"Count\", \"Length\", \"Area\", "
                                  "\"Unit\" FROM tdraxadb_quantities WHERE \"RecordId\" = %1 ORDER BY "
                                  "\"Layer\", \"Class\"")
                       .arg(Key));
    }
    bool Exec(const QString& Sql) { return QSqlQuery(QSqlDatabase::database(Probe)).exec(Sql); }

    QTemporaryDir Dir;
    QString File = Dir.filePath(QStringLiteral("tdraxadb.db"));
    QString Probe = QStringLiteral("quantities-probe");
    TDrawingsStore Store;
};

TEST_F(DrawingsQuantitiesTest, EverySaveWritesTheQuantitiesInItsOwnTransaction) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("House"), KNoon, Drawing(100)));
    const int64_t Key = Store.CurrentKey();
    const std::string First = "Rooms|0|TMyLine|1|2.54||m; Rooms|0|TMyRectangle|1||12.00|m";
    EXPECT_EQ(Of(Key), First);

    // A rewrite that meets someone else's save writes nothing.
    int64_t Stale = 5;
    EXPECT_FALSE(Store.Update(Key, Stale, QStringLiteral("House"), KNoon, Drawing(100, 1)));
    EXPECT_EQ(Store.LastFailure(), TStoreFailure::sfConflict);
    EXPECT_EQ(Of(Key), First);

    // A rewrite the database refuses half-way, after the quantities were written.
    ASSERT_TRUE(Exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON tdraxadb BEGIN "
                                    "SELECT RAISE(ABORT, 'refused'); END")));
    int64_t Revision = 0;
    EXPECT_FALSE(Store.Update(Key, Revision, QStringLiteral("House"), KNoon, Drawing(100, 1)));
    EXPECT_EQ(Of(Key), First);
    EXPECT_EQ(Rows(Probe, QStringLiteral("SELECT \"Revision\" FROM tdraxadb")), "0");
    ASSERT_TRUE(Exec(QStringLiteral("DROP TRIGGER refuse")));

    // An insert whose quantities the database refuses adds no drawing either.
    ASSERT_TRUE(Exec(QStringLiteral("CREATE TRIGGER refuse AFTER INSERT ON tdraxadb_quantities WHEN "
                                    "NEW.\"Layer\" = 'Garden' BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    EXPECT_FALSE(Store.Insert(QStringLiteral("Villa"), KNoon, Drawing(100, 1)));
    EXPECT_EQ(Rows(Probe, QStringLiteral("SELECT count(*) FROM tdraxadb")), "1");
    EXPECT_EQ(Rows(Probe, QStringLiteral("SELECT count(DISTINCT \"RecordId\") FROM tdraxadb_quantities")),
              "1");
    ASSERT_TRUE(Exec(QStringLiteral("DROP TRIGGER refuse")));

    // A rewrite that goes through replaces the rows; a hidden layer says so.
    TMyDraxa D;
    {
        TMemoryStream M(Drawing(50, 1));
        ASSERT_TRUE(D.LoadFromStream(M));
    }
    D.SetLayerVisible(D.Layers().back().Id, false);
    TMemoryStream Hidden;
    ASSERT_TRUE(D.SaveToStream(Hidden));
    ASSERT_TRUE(Store.Update(Key, Revision, QStringLiteral("House, renamed"), KNoon, Hidden.ToByteArray()));
    EXPECT_EQ(Of(Key),
              "Garden|1|TMyRectangle|1||3.00|m; Rooms|0|TMyLine|1|1.27||m; Rooms|0|TMyRectangle|1||3.00|m");

    // Deleted, the drawing takes its rows along; brought back, they return.
    ASSERT_TRUE(Store.DeleteCurrent());
    EXPECT_EQ(Rows(Probe, QStringLiteral("SELECT count(*) FROM tdraxadb_quantities")), "0");
    std::vector<TDrawingVersion> Deleted;
    ASSERT_TRUE(Store.ListDeletedDrawings(Deleted));
    ASSERT_EQ(Deleted.size(), 1u);
    ASSERT_TRUE(Store.RestoreDeleted(Deleted[0].DeletedGroup));
    EXPECT_EQ(Of(Store.CurrentKey()),
              "Garden|1|TMyRectangle|1||3.00|m; Rooms|0|TMyLine|1|1.27||m; Rooms|0|TMyRectangle|1||3.00|m");

    // A record that holds no readable drawing is saved without quantities.
    ASSERT_TRUE(Store.Insert(QStringLiteral("Scrap"), KNoon, QByteArray("not a drawing")));
    EXPECT_EQ(Of(Store.CurrentKey()), "");
}

TEST_F(DrawingsQuantitiesTest, AStoreWithoutTheTableGetsItFilledWhenOpened) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("House"), KNoon, Drawing(100)));
    const int64_t Key = Store.CurrentKey();
    Store.Close();
    // As an earlier version of the program left the store.
    ASSERT_TRUE(Exec(QStringLiteral("DROP TABLE tdraxadb_quantities")));
    ASSERT_TRUE(Store.OpenSQLite(File));
    EXPECT_EQ(Of(Key), "Rooms|0|TMyLine|1|2.54||m; Rooms|0|TMyRectangle|1||12.00|m");
}

TEST_F(DrawingsQuantitiesTest, TheReadmeQueryTotalsTheAreaPerLayer) {
    ExpectReadmeTotals(Store, Probe, QStringLiteral("tdraxadb"));
}

// Runs against the server named by DRAXA_TEST_POSTGRES, in a table of its own.
TEST(DrawingsQuantitiesPostgres, TheReadmeQueryTotalsTheAreaPerLayer) {
    const QString Info = qEnvironmentVariable("DRAXA_TEST_POSTGRES") + QStringLiteral(" connect_timeout=3");
    const QString Table = QStringLiteral("draxa_quantities_%1").arg(QCoreApplication::applicationPid());
    const QString Connection = QStringLiteral("quantities-pg");
    {
        TDrawingsStore Store(Table);
        if (!Store.OpenPostgres(Info)) GTEST_SKIP() << "no PostgreSQL server: " << S(Store.LastError());
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), Connection);
        Db.setConnectOptions(Info);
        ASSERT_TRUE(Db.open());
        ExpectReadmeTotals(Store, Connection, Table);
        // A failed rewrite leaves the quantities too.
        const std::string Before =
            Rows(Connection, QStringLiteral("SELECT SUM(\"Area\") FROM \"%1_quantities\"").arg(Table));
        int64_t Stale = 7;
        EXPECT_FALSE(Store.Update(Store.CurrentKey(), Stale, QStringLiteral("Shed"), KNoon, Drawing(1)));
        EXPECT_EQ(Rows(Connection, QStringLiteral("SELECT SUM(\"Area\") FROM \"%1_quantities\"").arg(Table)),
                  Before);
        for (const QString& Suffix : {QString(), QStringLiteral("_versions"), QStringLiteral("_drafts"),
                                      QStringLiteral("_quantities")})
            QSqlQuery(Db).exec(QStringLiteral("DROP TABLE \"%1%2\"").arg(Table, Suffix));
    }
    QSqlDatabase::database(Connection, false).close();
    QSqlDatabase::removeDatabase(Connection);
}

} // namespace
} // namespace draxa
