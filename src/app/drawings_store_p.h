// What the sources of TDrawingsStore share: the conversions of stored values
// and the write transaction every change runs in.
#pragma once

#include "app/drawings_store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace draxa {
namespace store_detail {

// The time of a "LastUpdate" value in local time. SQLite keeps it as ISO 8601
// text in UTC; PostgreSQL hands back a time stamp.
QDateTime LocalTimeOf(const QVariant& When);
// The first NameMaxLength characters, never cutting a character in two.
QString CutName(const QString& Name);
// A time as it is bound: PostgreSQL takes the time itself; SQLite keeps
// ISO 8601 text in UTC, which sorts and reads back without regard to the
// local time zone.
QVariant StoredTime(const QDateTime& When, bool Postgres);

} // namespace store_detail

template <typename TBody> bool TDrawingsStore::InTransaction(const QString& What, TBody Body) {
    if (!IsOpen()) {
        Fail(What, QCoreApplication::translate("TDrawingsStore", "the database is not open"));
        return false;
    }
    FLastFailure = TStoreFailure::sfNone;
    QSqlDatabase Db = Database();
    // SQLite: the write lock is taken here, waiting up to the busy timeout,
    // so the statements that follow never meet a lock half-way.
    const auto Statement = [&](const char* Sql) {
        QSqlQuery Query(Db);
        Query.prepare(QString::fromLatin1(Sql));
        return Exec(Query, What);
    };
    const bool Begun = FPostgres ? Db.transaction() : Statement("BEGIN IMMEDIATE");
    if (!Begun) {
        if (FPostgres) Fail(What, Db.lastError());
        return false;
    }
    if (Body(Db)) {
        // A COMMIT that fails (SQLite: busy or full) leaves the transaction
        // open; the rollback below ends it with nothing written.
        const bool Committed = FPostgres ? Db.commit() : Statement("COMMIT");
        if (Committed) return true;
        if (FPostgres) Fail(What, Db.lastError());
    }
    // Keep the reason the body or the commit gave, not the rollback's.
    const QString Reason = FLastError;
    const TStoreFailure Kind = FLastFailure;
    if (FPostgres)
        Db.rollback();
    else
        Statement("ROLLBACK");
    FLastError = Reason;
    FLastFailure = Kind;
    return false;
}

} // namespace draxa
