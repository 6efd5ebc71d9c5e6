#include "app/DrawingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace draxa {

const QString TDrawingsStore::DefaultFileName = QStringLiteral("tdraxadb.db");
const QString TDrawingsStore::DefaultTableName = QStringLiteral("tdraxadb");

namespace {

const QString KSQLiteDriver = QStringLiteral("QSQLITE");
const QString KPostgresDriver = QStringLiteral("QPSQL");

// Every store has its own Qt connection, so that several stores (the tests
// open many) never share one.
QString NewConnectionName() {
    static std::atomic<int> Counter{0};
    return QStringLiteral("draxa-drawings-%1").arg(++Counter);
}

// The first NameMaxLength characters, never cutting a character in two.
QString CutName(const QString& Name) {
    QString Cut = Name.left(TDrawingsStore::NameMaxLength);
    if (Cut.size() < Name.size() && !Cut.isEmpty() && Cut.back().isHighSurrogate()) Cut.chop(1);
    return Cut;
}

// The engine's words, one trimmed line each (libpq indents its hints).
QString ErrorText(const QSqlError& Error) {
    QStringList Lines;
    // SQLITE_BUSY and SQLITE_LOCKED: the busy timeout ran out.
    const QString Code = Error.nativeErrorCode();
    if (Code == QLatin1String("5") || Code == QLatin1String("6"))
        Lines << QCoreApplication::translate("TDrawingsStore",
                                             "another program is writing to the drawings database; try again "
                                             "in a moment");
    for (const QString& Line : Error.text().split(QLatin1Char('\n')))
        if (!Line.trimmed().isEmpty()) Lines << Line.trimmed();
    return Lines.isEmpty() ? QCoreApplication::translate("TDrawingsStore", "unknown database error")
                           : Lines.join(QLatin1Char('\n'));
}

// PostgreSQL takes the time itself; SQLite keeps ISO 8601 text in UTC, which
// sorts and reads back without regard to the local time zone.
QVariant StoredTime(const QDateTime& When, bool Postgres) {
    const QDateTime Utc = When.toUTC();
    return Postgres ? QVariant(Utc) : QVariant(Utc.toString(Qt::ISODateWithMs));
}

} // namespace

TDrawingsStore::TDrawingsStore(QString TableName) : FTableName(std::move(TableName)) {}

TDrawingsStore::~TDrawingsStore() {
    Close();
}

QString TDrawingsStore::DefaultDatabasePath() {
    QString Folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (Folder.isEmpty()) Folder = QCoreApplication::applicationDirPath();
    return QDir(Folder).filePath(DefaultFileName);
}

QSqlDatabase TDrawingsStore::Database() const {
    return QSqlDatabase::database(FConnection, false);
}

QString TDrawingsStore::QuotedTable(const QSqlDatabase& Db) const {
    return Db.driver()->escapeIdentifier(FTableName, QSqlDriver::TableName);
}

void TDrawingsStore::Fail(const QString& What, const QString& Reason) {
    FLastError = Reason.isEmpty() ? What : What + QStringLiteral(": ") + Reason;
}

bool TDrawingsStore::Exec(QSqlQuery& Query, const QString& What) {
    if (Query.exec()) return true;
    Fail(What, ErrorText(Query.lastError()));
    return false;
}

bool TDrawingsStore::OpenSQLite(const QString& FileName, int BusyTimeoutMs) {
    // A file in a folder that does not exist cannot be created; say so
    // rather than pass on SQLite's "unable to open database file".
    const QFileInfo Info(FileName);
    if (!Info.absoluteDir().exists()) {
        Close();
        Fail(QCoreApplication::translate("TDrawingsStore", "Cannot open the drawings database \"%1\"")
                 .arg(QDir::toNativeSeparators(Info.absoluteFilePath())),
             QCoreApplication::translate("TDrawingsStore", "its folder does not exist"));
        return false;
    }
    FPostgres = false;
    return Open(KSQLiteDriver, Info.absoluteFilePath(),
                QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
}

bool TDrawingsStore::OpenPostgres(const QString& ConnectionInfo) {
    FPostgres = true;
    // libpq takes the last value of a repeated keyword, so the user's own
    // connect_timeout wins over this default; without one an unreachable
    // server would keep the program waiting for the system's TCP timeout.
    return Open(KPostgresDriver, QString(), QStringLiteral("connect_timeout=10 ") + ConnectionInfo);
}

bool TDrawingsStore::Open(const QString& Driver, const QString& DatabaseName, const QString& Options) {
    Close();
    const bool Postgres = FPostgres;
    FLastError.clear();
    const QString What =
        Postgres ? QCoreApplication::translate("TDrawingsStore",
                                               "Cannot open the drawings database on the PostgreSQL server")
                 : QCoreApplication::translate("TDrawingsStore", "Cannot open the drawings database \"%1\"")
                       .arg(QDir::toNativeSeparators(DatabaseName));
    if (!QSqlDatabase::isDriverAvailable(Driver)) {
        Fail(What, QCoreApplication::translate("TDrawingsStore", "the Qt SQL driver %1 is not installed")
                       .arg(Driver));
        return false;
    }

    FConnection = NewConnectionName();
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase(Driver, FConnection);
        if (!DatabaseName.isEmpty()) Db.setDatabaseName(DatabaseName);
        Db.setConnectOptions(Options);
        if (!Db.open()) {
            Fail(What, ErrorText(Db.lastError()));
            Db = QSqlDatabase();
            QSqlDatabase::removeDatabase(FConnection);
            FConnection.clear();
            return false;
        }
    }
    if (!CreateTable() || !LoadKeys()) {
        const QString Reason = FLastError;
        Close();
        Fail(What, Reason);
        return false;
    }
    FCurrent = FKeys.empty() ? -1 : 0;
    return true;
}

void TDrawingsStore::Close() {
    FKeys.clear();
    FCurrent = -1;
    if (FConnection.isEmpty()) return;
    {
        QSqlDatabase Db = Database();
        Db.close();
    }
    QSqlDatabase::removeDatabase(FConnection);
    FConnection.clear();
}

bool TDrawingsStore::CreateTable() {
    QSqlDatabase Db = Database();
    const QString Table = QuotedTable(Db);
    // The three fields in their order, then the row key. In SQLite an
    // INTEGER PRIMARY KEY is the rowid itself, kept stable even by VACUUM.
    const QString Sql =
        FPostgres ? QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\"Name\" VARCHAR(50), "
                                   "\"LastUpdate\" TIMESTAMP WITH TIME ZONE, \"Draw\" BYTEA, "
                                   "\"Id\" BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY)")
                        .arg(Table)
                  : QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\"Name\" VARCHAR(50), "
                                   "\"LastUpdate\" TIMESTAMP, \"Draw\" BLOB, \"Id\" INTEGER PRIMARY KEY)")
                        .arg(Table);
    // Run as it is, not prepared: PostgreSQL prepares no CREATE statement.
    // The text holds no values, only our own quoted table name.
    QSqlQuery Query(Db);
    if (Query.exec(Sql)) return true;
    Fail(QCoreApplication::translate("TDrawingsStore", "Cannot create the table %1").arg(Table),
         ErrorText(Query.lastError()));
    return false;
}

bool TDrawingsStore::LoadKeys() {
    QSqlDatabase Db = Database();
    QSqlQuery Query(Db);
    Query.setForwardOnly(true);
    Query.prepare(QStringLiteral("SELECT \"Id\" FROM %1 ORDER BY \"Id\"").arg(QuotedTable(Db)));
    if (!Exec(Query, QCoreApplication::translate("TDrawingsStore", "Cannot read the list of drawings")))
        return false;
    std::vector<int64_t> Keys;
    while (Query.next()) Keys.push_back(Query.value(0).toLongLong());
    FKeys = std::move(Keys);
    return true;
}

void TDrawingsStore::First() {
    FCurrent = FKeys.empty() ? -1 : 0;
}

void TDrawingsStore::Prior() {
    if (FCurrent > 0) --FCurrent;
}

void TDrawingsStore::Next() {
    if (FCurrent >= 0 && FCurrent < RecordCount() - 1) ++FCurrent;
}

void TDrawingsStore::Last() {
    FCurrent = RecordCount() - 1;
}

bool TDrawingsStore::Refresh() {
    if (!IsOpen()) return false;
    const int64_t Key = CurrentKey();
    const int Place = FCurrent;
    if (!LoadKeys()) return false;
    const auto Found = std::find(FKeys.begin(), FKeys.end(), Key);
    if (Found != FKeys.end())
        FCurrent = int(Found - FKeys.begin());
    else
        FCurrent = FKeys.empty() ? -1 : std::clamp(Place, 0, RecordCount() - 1);
    return true;
}

bool TDrawingsStore::ReadCurrent(TDrawingRecord& Record) {
    if (!IsOpen() || FCurrent < 0) {
        Fail(QCoreApplication::translate("TDrawingsStore", "There is no current drawing"), QString());
        return false;
    }
    QSqlDatabase Db = Database();
    QSqlQuery Query(Db);
    Query.setForwardOnly(true);
    Query.prepare(QStringLiteral("SELECT \"Name\", \"LastUpdate\", \"Draw\" FROM %1 WHERE \"Id\" = ?")
                      .arg(QuotedTable(Db)));
    Query.addBindValue(qlonglong(CurrentKey()));
    if (!Exec(Query, QCoreApplication::translate("TDrawingsStore", "Cannot read the drawing"))) return false;
    if (!Query.next()) {
        Fail(QCoreApplication::translate("TDrawingsStore",
                                         "The drawing is no longer in the table (someone else deleted it)"),
             QString());
        return false;
    }
    Record.Key = CurrentKey();
    Record.Name = Query.value(0).toString();
    // SQLite keeps the time as ISO 8601 text in UTC; PostgreSQL hands back a
    // time stamp. Both are shown in local time.
    const QVariant When = Query.value(1);
    QDateTime Time = When.typeId() == QMetaType::QDateTime
                         ? When.toDateTime()
                         : QDateTime::fromString(When.toString(), Qt::ISODateWithMs);
    Record.LastUpdate = Time.isValid() ? Time.toLocalTime() : QDateTime();
    Record.Draw = Query.value(2).toByteArray();
    return true;
}

template <typename TBody> bool TDrawingsStore::InTransaction(const QString& What, TBody Body) {
    if (!IsOpen()) {
        Fail(What, QCoreApplication::translate("TDrawingsStore", "the database is not open"));
        return false;
    }
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
        if (FPostgres) Fail(What, ErrorText(Db.lastError()));
        return false;
    }
    if (Body(Db)) {
        const bool Committed = FPostgres ? Db.commit() : Statement("COMMIT");
        if (Committed) return true;
        if (FPostgres) Fail(What, ErrorText(Db.lastError()));
    }
    // Keep the reason the body or the commit gave, not the rollback's.
    const QString Reason = FLastError;
    if (FPostgres)
        Db.rollback();
    else
        Statement("ROLLBACK");
    FLastError = Reason;
    return false;
}

bool TDrawingsStore::Insert(const QString& Name, const QDateTime& LastUpdate, const QByteArray& Draw) {
    const QString What =
        QCoreApplication::translate("TDrawingsStore", "Cannot add the drawing \"%1\"").arg(Name);
    int64_t NewKey = -1;
    const bool Done = InTransaction(What, [&](QSqlDatabase& Db) {
        QSqlQuery Query(Db);
        QString Sql = QStringLiteral("INSERT INTO %1 (\"Name\", \"LastUpdate\", \"Draw\") VALUES (?, ?, ?)")
                          .arg(QuotedTable(Db));
        if (FPostgres) Sql += QStringLiteral(" RETURNING \"Id\"");
        Query.prepare(Sql);
        Query.addBindValue(CutName(Name));
        Query.addBindValue(StoredTime(LastUpdate, FPostgres));
        Query.addBindValue(Draw);
        if (!Exec(Query, What)) return false;
        if (FPostgres) {
            if (!Query.next()) {
                Fail(What, QCoreApplication::translate("TDrawingsStore", "the server returned no row key"));
                return false;
            }
            NewKey = Query.value(0).toLongLong();
        } else {
            NewKey = Query.lastInsertId().toLongLong();
        }
        return true;
    });
    if (!Done) return false;
    if (!LoadKeys()) return false;
    const auto Found = std::find(FKeys.begin(), FKeys.end(), NewKey);
    FCurrent = Found != FKeys.end() ? int(Found - FKeys.begin()) : RecordCount() - 1;
    return true;
}

bool TDrawingsStore::Update(int64_t Key, const QString& Name, const QDateTime& LastUpdate,
                            const QByteArray& Draw) {
    const QString What =
        QCoreApplication::translate("TDrawingsStore", "Cannot save the drawing \"%1\"").arg(Name);
    const bool Done = InTransaction(What, [&](QSqlDatabase& Db) {
        QSqlQuery Query(Db);
        Query.prepare(
            QStringLiteral("UPDATE %1 SET \"Name\" = ?, \"LastUpdate\" = ?, \"Draw\" = ? WHERE \"Id\" = ?")
                .arg(QuotedTable(Db)));
        Query.addBindValue(CutName(Name));
        Query.addBindValue(StoredTime(LastUpdate, FPostgres));
        Query.addBindValue(Draw);
        Query.addBindValue(qlonglong(Key));
        if (!Exec(Query, What)) return false;
        if (Query.numRowsAffected() != 1) {
            Fail(What, QCoreApplication::translate(
                           "TDrawingsStore", "its record is no longer in the table (someone else deleted "
                                             "it); refresh the list"));
            return false;
        }
        return true;
    });
    if (!Done) return false;
    // The record keeps its place; only others' changes can move the cursor.
    const int64_t Current = CurrentKey();
    if (!LoadKeys()) return false;
    const auto Found = std::find(FKeys.begin(), FKeys.end(), Current);
    FCurrent = Found != FKeys.end() ? int(Found - FKeys.begin()) : std::min(FCurrent, RecordCount() - 1);
    return true;
}

bool TDrawingsStore::DeleteCurrent() {
    if (FCurrent < 0) {
        Fail(QCoreApplication::translate("TDrawingsStore", "There is no drawing to delete"), QString());
        return false;
    }
    const int64_t Key = CurrentKey();
    const int Place = FCurrent;
    const QString What = QCoreApplication::translate("TDrawingsStore", "Cannot delete the drawing");
    const bool Done = InTransaction(What, [&](QSqlDatabase& Db) {
        QSqlQuery Query(Db);
        Query.prepare(QStringLiteral("DELETE FROM %1 WHERE \"Id\" = ?").arg(QuotedTable(Db)));
        Query.addBindValue(qlonglong(Key));
        // A record someone else deleted first is gone all the same.
        return Exec(Query, What);
    });
    if (!Done) return false;
    if (!LoadKeys()) return false;
    FCurrent = FKeys.empty() ? -1 : std::min(Place, RecordCount() - 1);
    return true;
}

} // namespace draxa
