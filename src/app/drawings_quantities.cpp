// The quantities of every drawing, as a table beside the drawings table
// ("<table>_quantities") that SQL can query across all drawings: one row per
// layer and shape class of each drawing, with the count, the total length
// and the total area in the drawing's unit at its scale ("Unit"; areas are
// in that unit squared). "RecordId" is the drawing's row key; a length or
// area that the class does not measure is NULL.
//
// Every write of a drawing rewrites its rows in the same transaction, so the
// table always agrees with the drawings that are saved: a failed save leaves
// both as they were, a delete takes the rows along, a drawing brought back
// gets them again. A store opened for the first time with this table gets it
// filled from every drawing it holds.
#include "app/drawings_store.h"

#include "app/drawings_store_p.h"
#include "foundation/streams.h"
#include "surface/draxa.h"

#include <QCoreApplication>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <exception>

namespace draxa {

namespace {

QString Tr(const char* Text) {
    return QCoreApplication::translate("TDrawingsStore", Text);
}

QVariant Measure(bool Has, double Value) {
    return Has ? QVariant(Value) : QVariant(QMetaType::fromType<double>());
}

} // namespace

bool TDrawingsStore::MeasureDrawing(const QByteArray& Draw, TQuantities& Out) {
    Out = TQuantities();
    if (Draw.isEmpty()) return true;
    try {
        // A surface is a widget with pictures of the page's size: made once
        // (when the store opens), not for every save. A load that fails
        // leaves it as it was; one that succeeds replaces all it held.
        if (!FMeasuring) FMeasuring = std::make_unique<TMyDraxa>();
        TMemoryStream Stream(Draw);
        if (!FMeasuring->LoadFromStream(Stream)) return false;
        Out = FMeasuring->Quantities();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QString TDrawingsStore::QuotedQuantities(const QSqlDatabase& Db) const {
    return Db.driver()->escapeIdentifier(QuantitiesTableName(), QSqlDriver::TableName);
}

bool TDrawingsStore::UpgradeQuantitiesTable() {
    QStringList Tables;
    if (!ReadTableNames(Tables)) return false;
    if (Tables.contains(QuantitiesTableName())) return true;
    const QString What = Tr("Cannot add the table of quantities to the drawings database");
    return InTransaction(What, [&](QSqlDatabase& Db) {
        const QString Table = QuotedQuantities(Db);
        QStringList Steps;
        // Two programs opening the store at once: the second waits here
        // (SQLite's write lock, a lock of our own on the server) and then
        // finds the table made and filled.
        if (FPostgres) {
            QSqlQuery Lock(Db);
            Lock.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(?))"));
            Lock.addBindValue(QuantitiesTableName());
            if (!Exec(Lock, What)) return false;
        }
        QStringList Now;
        if (!ReadTableNames(Now)) return false;
        if (Now.contains(QuantitiesTableName())) return true;
        Steps << QStringLiteral(
                     "CREATE TABLE IF NOT EXISTS %1 (\"RecordId\" %2 NOT NULL, \"Layer\" VARCHAR(%3), "
                     "\"Hidden\" INTEGER NOT NULL DEFAULT 0, \"Class\" VARCHAR(64), \"Count\" "
                     "INTEGER NOT NULL DEFAULT 0, \"Length\" DOUBLE PRECISION, \"Area\" DOUBLE "
                     "PRECISION, \"Unit\" VARCHAR(8))")
                     .arg(Table, FPostgres ? QStringLiteral("BIGINT") : QStringLiteral("INTEGER"))
                     .arg(NameMaxLength)
              << QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (\"RecordId\")")
                     .arg(Db.driver()->escapeIdentifier(QuantitiesTableName() + QStringLiteral("_record"),
                                                        QSqlDriver::TableName),
                          Table);
        if (!RunStatements(Db, Steps, What)) return false;
        // The drawings saved before the table existed.
        QSqlQuery All(Db);
        All.setForwardOnly(true);
        All.prepare(QStringLiteral("SELECT \"Id\", \"Draw\" FROM %1").arg(QuotedTable(Db)));
        if (!Exec(All, What)) return false;
        std::vector<std::pair<int64_t, QByteArray>> Drawings;
        while (All.next()) Drawings.emplace_back(All.value(0).toLongLong(), All.value(1).toByteArray());
        All.finish();
        for (const auto& [Key, Draw] : Drawings)
            if (!WriteQuantities(Db, Key, Draw, What)) return false;
        return true;
    });
}

bool TDrawingsStore::WriteQuantities(QSqlDatabase& Db, int64_t Key, const QByteArray& Draw,
                                     const QString& What) {
    if (!DropQuantities(Db, Key, What)) return false;
    TQuantities Q;
    // A drawing that cannot be read is saved all the same, without quantities.
    if (!MeasureDrawing(Draw, Q)) return true;
    const QString Unit = UnitSymbol(Q.Unit);
    for (const TQuantityRow& R : Q.Rows) {
        QSqlQuery Row(Db);
        Row.prepare(
            QStringLiteral("INSERT INTO %1 (\"RecordId\", \"Layer\", \"Hidden\", \"Class\", \"Count\", "
                           "\"Length\", \"Area\", \"Unit\") VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
                .arg(QuotedQuantities(Db)));
        Row.addBindValue(qlonglong(Key));
        Row.addBindValue(store_detail::CutName(R.Layer));
        Row.addBindValue(R.LayerHidden ? 1 : 0);
        Row.addBindValue(R.ClassName);
        Row.addBindValue(R.Count);
        Row.addBindValue(Measure(R.HasLength, R.Length));
        Row.addBindValue(Measure(R.HasArea, R.Area));
        Row.addBindValue(Unit);
        if (!Exec(Row, What)) return false;
    }
    return true;
}

bool TDrawingsStore::DropQuantities(QSqlDatabase& Db, int64_t Key, const QString& What) {
    QSqlQuery Drop(Db);
    Drop.prepare(QStringLiteral("DELETE FROM %1 WHERE \"RecordId\" = ?").arg(QuotedQuantities(Db)));
    Drop.addBindValue(qlonglong(Key));
    return Exec(Drop, What);
}

} // namespace draxa
