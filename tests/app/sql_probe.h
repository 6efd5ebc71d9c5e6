// Reaching a drawings table from outside the store: another program's
// connection to the same SQLite file, and the store's own connection as Qt
// keeps it (to set SQLite's size limit, which fails a write exactly as a
// full disk does).
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

#include <vector>

namespace draxa::test {

// Another program's connection to the same SQLite file.
class TOtherWriter {
public:
    explicit TOtherWriter(const QString& File) {
        static int Count = 0;
        FName = QStringLiteral("store-test-other-%1").arg(++Count);
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FName);
        Db.setDatabaseName(File);
        EXPECT_TRUE(Db.open());
    }
    ~TOtherWriter() {
        QSqlDatabase::database(FName, false).close();
        QSqlDatabase::removeDatabase(FName);
    }
    TOtherWriter(const TOtherWriter&) = delete;
    TOtherWriter& operator=(const TOtherWriter&) = delete;

    bool Exec(const QString& Sql) {
        QSqlQuery Q(QSqlDatabase::database(FName));
        return Q.exec(Sql);
    }
    // The first row's values; empty when there is none.
    std::vector<QVariant> Row(const QString& Sql) {
        QSqlQuery Q(QSqlDatabase::database(FName));
        std::vector<QVariant> Values;
        EXPECT_TRUE(Q.exec(Sql)) << Sql.toStdString();
        if (Q.next())
            for (int I = 0; I < Q.record().count(); ++I) Values.push_back(Q.value(I));
        return Values;
    }

private:
    QString FName;
};

// Limits the file of the store open on File to Pages pages of the engine, or
// to its present size when that is larger: its next write that needs room
// fails as on a full disk.
inline bool LimitStorePages(const QString& File, int Pages) {
    for (const QString& Name : QSqlDatabase::connectionNames()) {
        QSqlDatabase Db = QSqlDatabase::database(Name, false);
        if (Name.startsWith(QLatin1String("draxa-drawings-")) && Db.databaseName() == File)
            return QSqlQuery(Db).exec(QStringLiteral("PRAGMA max_page_count = %1").arg(Pages));
    }
    return false;
}

} // namespace draxa::test
