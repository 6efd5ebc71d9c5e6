#include "app/drawings_store.h"

#include "app/drawings_store_p.h"
#include "surface/draxa.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace draxa {

const QString TDrawingsStore::DefaultFileName = QStringLiteral("tdraxadb.db");
const QString TDrawingsStore::DefaultTableName = QStringLiteral("tdraxadb");

namespace store_detail {

QDateTime LocalTimeOf(const QVariant& When) {
    const QDateTime Time = When.typeId() == QMetaType::QDateTime
                               ? When.toDateTime()
                               : QDateTime::fromString(When.toString(), Qt::ISODateWithMs);
    return Time.isValid() ? Time.toLocalTime() : QDateTime();
}

QString CutName(const QString& Name) {
    QString Cut = Name.left(TDrawingsStore::NameMaxLength);
    if (Cut.size() < Name.size() && !Cut.isEmpty() && Cut.back().isHighSurrogate()) Cut.chop(1);
    return Cut;
}

QVariant StoredTime(const QDateTime& When, bool Postgres) {
    const QDateTime Utc = When.toUTC();
    return Postgres ? QVariant(Utc) : QVariant(Utc.toString(Qt::ISODateWithMs));
}

} // namespace store_detail

using namespace store_detail;

namespace {

const QString KSQLiteDriver = QStringLiteral("QSQLITE");
const QString KPostgresDriver = QStringLiteral("QPSQL");

// Every store has its own Qt connection, so that several stores (the tests
// open many) never share one.
QString NewConnectionName() {
    static std::atomic<int> Counter{0};
    return QStringLiteral("draxa-drawings-%1").arg(++Counter);
}

const QString KRevision = QStringLiteral("Revision");

// The kind of an engine error. SQLite gives its result code as a number
// (the low byte is the primary code), PostgreSQL its SQLSTATE.
TStoreFailure KindOf(const QSqlError& Error, bool Postgres) {
    const QString Code = Error.nativeErrorCode();
    if (Postgres) {
        // lock_not_available; disk_full and the other insufficient resources.
        if (Code == QLatin1String("55P03")) return TStoreFailure::sfBusy;
        if (Code.startsWith(QLatin1String("53"))) return TStoreFailure::sfFull;
        return TStoreFailure::sfOther;
    }
    bool Numeric = false;
    const int Primary = Code.toInt(&Numeric) & 0xFF;
    if (!Numeric) return TStoreFailure::sfOther;
    // SQLITE_BUSY and SQLITE_LOCKED: the busy timeout ran out.
    if (Primary == 5 || Primary == 6) return TStoreFailure::sfBusy;
    // SQLITE_FULL: no room on the disk, or max_page_count reached.
    if (Primary == 13) return TStoreFailure::sfFull;
    // SQLITE_CORRUPT ("malformed") and SQLITE_NOTADB: the file is damaged
    // (or was never a database).
    if (Primary == 11 || Primary == 26) return TStoreFailure::sfDamaged;
    return TStoreFailure::sfOther;
}

const QString KBackupMark = QStringLiteral("-backup-");

// The backup of File made on Day: "tdraxadb-backup-2024-03-01.db" beside
// "tdraxadb.db".
QString BackupName(const QFileInfo& File, const QDate& Day) {
    const QString Suffix = File.suffix().isEmpty() ? QString() : QLatin1Char('.') + File.suffix();
    return File.completeBaseName() + KBackupMark + Day.toString(Qt::ISODate) + Suffix;
}

// What the user can do about a damaged store: go back to its newest backup.
QString DamageAdvice(const QString& File) {
    const QStringList Backups = TDrawingsStore::BackupsOf(File);
    if (Backups.isEmpty())
        return QCoreApplication::translate("TDrawingsStore",
                                           "the database file is damaged, and there is no backup of it");
    return QCoreApplication::translate(
               "TDrawingsStore",
               "the database file is damaged. The newest backup of the drawings is \"%1\"; to go back to "
               "it, close the program and copy the backup over \"%2\" (keep the damaged file elsewhere)")
        .arg(QDir::toNativeSeparators(Backups.first()), QDir::toNativeSeparators(File));
}

// What the user can do about it, then the engine's words, one trimmed line
// each (libpq indents its hints).
QString ErrorText(const QSqlError& Error, bool Postgres) {
    QStringList Lines;
    switch (KindOf(Error, Postgres)) {
    case TStoreFailure::sfBusy:
        Lines << QCoreApplication::translate("TDrawingsStore",
                                             "another program is writing to the drawings database; try again "
                                             "in a moment");
        break;
    case TStoreFailure::sfFull:
        Lines << QCoreApplication::translate("TDrawingsStore",
                                             "the disk that holds the drawings database is full; make room "
                                             "and try again");
        break;
    default:
        break;
    }
    for (const QString& Line : Error.text().split(QLatin1Char('\n')))
        if (!Line.trimmed().isEmpty()) Lines << Line.trimmed();
    return Lines.isEmpty() ? QCoreApplication::translate("TDrawingsStore", "unknown database error")
                           : Lines.join(QLatin1Char('\n'));
}

} // namespace

TDrawingsStore::TDrawingsStore(QString TableName)
    : FTableName(std::move(TableName)), FDraftOwner(ThisDraftOwner()),
      FDraftPid(QCoreApplication::applicationPid()) {}

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

bool TDrawingsStore::ReadColumns(const QString& Table, QSqlRecord& Fields) {
    QSqlDatabase Db = Database();
    if (FPostgres) {
        // The server's catalogue is never locked by a writer; its record
        // also carries the declared widths.
        Fields = Db.record(Table);
        return true;
    }
    QSqlQuery Query(Db);
    if (!ExecWaiting(Query, QStringLiteral("SELECT * FROM %1 LIMIT 0")
                                .arg(Db.driver()->escapeIdentifier(Table, QSqlDriver::TableName)))) {
        Fail(QCoreApplication::translate("TDrawingsStore", "Cannot read the columns of the table %1")
                 .arg(Table),
             Query.lastError());
        return false;
    }
    Fields = Query.record();
    return true;
}

bool TDrawingsStore::ReadTableNames(QStringList& Tables) {
    QSqlDatabase Db = Database();
    if (FPostgres) {
        Tables = Db.tables();
        return true;
    }
    QSqlQuery Query(Db);
    Query.setForwardOnly(true);
    if (!ExecWaiting(Query, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        Fail(QCoreApplication::translate("TDrawingsStore", "Cannot read the tables of the drawings database"),
             Query.lastError());
        return false;
    }
    Tables.clear();
    while (Query.next()) Tables << Query.value(0).toString();
    return true;
}

void TDrawingsStore::Fail(const QString& What, const QString& Reason, TStoreFailure Kind) {
    FLastError = Reason.isEmpty() ? What : What + QStringLiteral(": ") + Reason;
    FLastFailure = Kind;
}

void TDrawingsStore::Fail(const QString& What, const QSqlError& Error) {
    const TStoreFailure Kind = KindOf(Error, FPostgres);
    QString Reason = ErrorText(Error, FPostgres);
    if (Kind == TStoreFailure::sfDamaged && !FFileName.isEmpty())
        Reason = DamageAdvice(FFileName) + QLatin1Char('\n') + Reason;
    Fail(What, Reason, Kind);
}

bool TDrawingsStore::ExecWaiting(QSqlQuery& Query, const QString& Sql) {
    if (FInLockWait) {
        // Called from OnLockWait: the engine is in the middle of another
        // operation of this store.
        Query.clear();
        return false;
    }
    const QDeadlineTimer Deadline(FBusyTimeoutMs);
    bool Waited = false;
    bool Done = false;
    for (;;) {
        Done = Sql.isEmpty() ? Query.exec() : Query.exec(Sql);
        if (Done || FPostgres || KindOf(Query.lastError(), false) != TStoreFailure::sfBusy ||
            Deadline.hasExpired())
            break;
        // The engine waited one slice; let the program breathe, then again.
        Waited = true;
        if (OnLockWait) {
            FInLockWait = true;
            OnLockWait(true);
            FInLockWait = false;
        }
    }
    if (Waited && OnLockWait) OnLockWait(false);
    return Done;
}

bool TDrawingsStore::Exec(QSqlQuery& Query, const QString& What) {
    if (FInLockWait) {
        Fail(What,
             QCoreApplication::translate("TDrawingsStore",
                                         "the drawings database is busy with another operation; try again"),
             TStoreFailure::sfBusy);
        return false;
    }
    if (ExecWaiting(Query)) return true;
    Fail(What, Query.lastError());
    return false;
}

bool TDrawingsStore::OpenSQLite(const QString& FileName, int BusyTimeoutMs) {
    // SQLite says "unable to open database file" for most of what can be
    // wrong with the name, and opening a pipe would wait for ever: each case
    // gets its own words, before SQLite is asked.
    const QFileInfo Info(FileName);
    const QString What =
        QCoreApplication::translate("TDrawingsStore", "Cannot open the drawings database \"%1\"")
            .arg(QDir::toNativeSeparators(Info.absoluteFilePath()));
    const auto Refuse = [&](const char* Reason) {
        Close();
        Fail(What, QCoreApplication::translate("TDrawingsStore", Reason));
        return false;
    };
    if (Info.isDir())
        return Refuse(QT_TRANSLATE_NOOP("TDrawingsStore", "it is a folder, not a database file"));
    if (Info.exists() && !Info.isFile())
        return Refuse(
            QT_TRANSLATE_NOOP("TDrawingsStore", "it is not a regular file (a pipe, a device or a socket)"));
    if (!Info.absoluteDir().exists())
        return Refuse(QT_TRANSLATE_NOOP("TDrawingsStore", "its folder does not exist"));
    Close();
    if (!Info.exists()) {
        // Made here, private to its owner: SQLite would make it readable by
        // every local user. An empty file is an empty database.
        QFile New(Info.absoluteFilePath());
        if (!New.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner) &&
            !QFileInfo::exists(Info.absoluteFilePath())) {
            Fail(What, New.errorString());
            return false;
        }
    }
    FPostgres = false;
    FBusyTimeoutMs = std::max(0, BusyTimeoutMs);
    // The engine waits one slice at a time; ExecWaiting waits out the rest.
    return Open(KSQLiteDriver, Info.absoluteFilePath(),
                QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(std::min(BusyTimeoutMs, LockWaitSliceMs)));
}

bool TDrawingsStore::CreatePrivateFolder(const QString& Folder) {
    const QString Path = QDir(Folder).absolutePath();
    if (QFileInfo(Path).isDir()) return true;
    const QString Parent = QFileInfo(Path).absolutePath();
    if (Parent != Path && !CreatePrivateFolder(Parent)) return false;
    return QDir().mkdir(Path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
           QFileInfo(Path).isDir();
}

QStringList TDrawingsStore::BackupsOf(const QString& FileName) {
    const QFileInfo File(FileName);
    const QString Suffix = File.suffix().isEmpty() ? QString() : QLatin1Char('.') + File.suffix();
    // The name holds the date, so the names sort by age.
    QStringList Names = File.absoluteDir().entryList(
        {File.completeBaseName() + KBackupMark + QStringLiteral("\?\?\?\?-\?\?-\?\?") + Suffix}, QDir::Files,
        QDir::Name | QDir::Reversed);
    QStringList Paths;
    for (const QString& Name : std::as_const(Names)) Paths << File.absoluteDir().filePath(Name);
    return Paths;
}

bool TDrawingsStore::MakeDailyBackup(const QDate& Today) {
    if (!IsOpen() || FPostgres) return IsOpen();
    if (FFileName.isEmpty()) return false; // an SQLite store always has its file
    const QFileInfo File(FFileName);
    const QString Target = File.absoluteDir().filePath(BackupName(File, Today));
    const QString What = QCoreApplication::translate("TDrawingsStore",
                                                     "Cannot make the backup \"%1\" of the drawings database")
                             .arg(QDir::toNativeSeparators(Target));
    bool Made = QFileInfo::exists(Target);
    if (!Made) {
        QSqlDatabase Db = Database();
        QSqlQuery Check(Db);
        if (!ExecWaiting(Check, QStringLiteral("PRAGMA quick_check"))) {
            Fail(What, Check.lastError());
            return false;
        }
        if (!Check.next() || Check.value(0).toString() != QLatin1String("ok")) {
            Fail(What, DamageAdvice(FFileName), TStoreFailure::sfDamaged);
            return false;
        }
        Check.finish();
        // VACUUM INTO wants a missing or empty file: made empty here,
        // private to its owner.
        QFile Empty(Target);
        if (!Empty.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
            Fail(What, Empty.errorString());
            return false;
        }
        Empty.close();
        QSqlQuery Copy(Db);
        Copy.prepare(QStringLiteral("VACUUM INTO ?"));
        Copy.addBindValue(Target);
        if (!ExecWaiting(Copy)) {
            Fail(What, Copy.lastError());
            QFile::remove(Target);
            return false;
        }
        Made = true;
    }
    const QStringList Backups = BackupsOf(FFileName);
    for (int I = BackupsKept; I < Backups.size(); ++I) QFile::remove(Backups[I]);
    return Made;
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
    FFileName = Postgres ? QString() : DatabaseName;
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
            Fail(What, Db.lastError());
            Db = QSqlDatabase();
            QSqlDatabase::removeDatabase(FConnection);
            FConnection.clear();
            return false;
        }
    }
    if (!CreateTable() || !CheckTableColumns() || !UpgradeTable() || !UpgradeVersionTables() ||
        !UpgradeQuantitiesTable() || !LoadKeys()) {
        const QString Reason = FLastError;
        const TStoreFailure Kind = FLastFailure;
        Close();
        Fail(What, Reason, Kind);
        return false;
    }
    FCurrent = FKeys.empty() ? -1 : 0;
    // The surface that reads drawings for their quantities is made now, so
    // that the first save does not wait for it.
    FMeasuring = std::make_unique<TMyDraxa>();
    return true;
}

void TDrawingsStore::Close() {
    FMeasuring.reset();
    FKeys.clear();
    FCurrent = -1;
    FFileName.clear();
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
    // The three fields in their order, then the row key and the revision.
    // In SQLite an INTEGER PRIMARY KEY is the rowid itself, kept stable even
    // by VACUUM.
    const QString Sql =
        FPostgres ? QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\"Name\" VARCHAR(%2), "
                                   "\"LastUpdate\" TIMESTAMP WITH TIME ZONE, \"Draw\" BYTEA, "
                                   "\"Id\" BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
                                   "\"Revision\" BIGINT NOT NULL DEFAULT 0)")
                        .arg(Table)
                        .arg(NameMaxLength)
                  : QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\"Name\" VARCHAR(%2), "
                                   "\"LastUpdate\" TIMESTAMP, \"Draw\" BLOB, \"Id\" INTEGER PRIMARY KEY, "
                                   "\"Revision\" INTEGER NOT NULL DEFAULT 0)")
                        .arg(Table)
                        .arg(NameMaxLength);
    // Run as it is, not prepared: PostgreSQL prepares no CREATE statement.
    // The text holds no values, only our own quoted table name.
    QSqlQuery Query(Db);
    if (ExecWaiting(Query, Sql)) return true;
    Fail(QCoreApplication::translate("TDrawingsStore", "Cannot create the table %1").arg(Table),
         Query.lastError());
    return false;
}

bool TDrawingsStore::CheckTableColumns() {
    QSqlRecord Fields;
    if (!ReadColumns(FTableName, Fields)) return false;
    QStringList Missing;
    for (const char* Column : {"Name", "LastUpdate", "Draw", "Id"})
        if (!Fields.contains(QLatin1String(Column)))
            Missing << QStringLiteral("\"%1\"").arg(QLatin1String(Column));
    if (Missing.isEmpty()) return true;
    Fail(QCoreApplication::translate(
             "TDrawingsStore", "the table \"%1\" in it is not a table of drawings: it has no column %2. "
                               "Nothing was changed; choose another database")
             .arg(FTableName, Missing.join(QStringLiteral(", "))),
         QString());
    return false;
}

bool TDrawingsStore::UpgradeTable() {
    const QString What =
        QCoreApplication::translate("TDrawingsStore", "Cannot bring the table %1 up to date").arg(FTableName);
    QSqlRecord Fields;
    if (!ReadColumns(FTableName, Fields)) return false;
    const QSqlField NameField = Fields.field(QStringLiteral("Name"));
    // PostgreSQL keeps names to the width the table was made with; earlier
    // versions made it narrower. (SQLite does not limit the text.)
    const bool WidenName = FPostgres && NameField.length() > 0 && NameField.length() < NameMaxLength;
    if (Fields.contains(KRevision) && !WidenName) return true;
    // In one write transaction, so that two programs opening an old table
    // at once do not both add the column; existing records start at
    // revision 0.
    return InTransaction(What, [&](QSqlDatabase& Db) {
        const QString Table = QuotedTable(Db);
        QStringList Steps;
        if (FPostgres) {
            Steps << QStringLiteral(
                         "ALTER TABLE %1 ADD COLUMN IF NOT EXISTS \"Revision\" BIGINT NOT NULL DEFAULT 0")
                         .arg(Table);
            if (WidenName)
                Steps << QStringLiteral("ALTER TABLE %1 ALTER COLUMN \"Name\" TYPE VARCHAR(%2)")
                             .arg(Table)
                             .arg(NameMaxLength);
        } else {
            // Looked at again inside the write lock: another program may
            // have added it since.
            QSqlRecord Now;
            if (!ReadColumns(FTableName, Now)) return false;
            if (!Now.contains(KRevision))
                Steps << QStringLiteral("ALTER TABLE %1 ADD COLUMN \"Revision\" INTEGER NOT NULL DEFAULT 0")
                             .arg(Table);
        }
        return RunStatements(Db, Steps, What);
    });
}

bool TDrawingsStore::RunStatements(QSqlDatabase& Db, const QStringList& Steps, const QString& What) {
    for (const QString& Sql : Steps) {
        // Our own statements with our own quoted names, run as they are:
        // PostgreSQL prepares no ALTER or CREATE statement.
        QSqlQuery Query(Db);
        if (!ExecWaiting(Query, Sql)) {
            Fail(What, Query.lastError());
            return false;
        }
    }
    return true;
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

bool TDrawingsStore::ReloadKeysAfterWrite() {
    const QString Error = FLastError;
    const bool Loaded = LoadKeys();
    // The write succeeded; a failed reload is no failure of it.
    FLastError = Error;
    FLastFailure = TStoreFailure::sfNone;
    return Loaded;
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
        Fail(QCoreApplication::translate("TDrawingsStore", "There is no current drawing"), QString(),
             TStoreFailure::sfMissing);
        return false;
    }
    return Read(CurrentKey(), Record);
}

bool TDrawingsStore::StartRead(const QString& What) {
    if (!IsOpen()) {
        Fail(What, QCoreApplication::translate("TDrawingsStore", "the database is not open"));
        return false;
    }
    FLastFailure = TStoreFailure::sfNone;
    return true;
}

bool TDrawingsStore::Read(int64_t Key, TDrawingRecord& Record) {
    const QString What = QCoreApplication::translate("TDrawingsStore", "Cannot read the drawing");
    if (!StartRead(What)) return false;
    QSqlDatabase Db = Database();
    QSqlQuery Query(Db);
    Query.setForwardOnly(true);
    Query.prepare(
        QStringLiteral("SELECT \"Name\", \"LastUpdate\", \"Draw\", \"Revision\" FROM %1 WHERE \"Id\" = ?")
            .arg(QuotedTable(Db)));
    Query.addBindValue(qlonglong(Key));
    if (!Exec(Query, What)) return false;
    if (!Query.next()) {
        Fail(QCoreApplication::translate("TDrawingsStore",
                                         "The drawing is no longer in the table (someone else deleted it)"),
             QString(), TStoreFailure::sfMissing);
        return false;
    }
    Record.Key = Key;
    Record.Revision = Query.value(3).toLongLong();
    Record.Name = Query.value(0).toString();
    Record.LastUpdate = LocalTimeOf(Query.value(1));
    Record.Draw = Query.value(2).toByteArray();
    return true;
}

bool TDrawingsStore::MoveTo(int64_t Key) {
    const auto It = std::find(FKeys.begin(), FKeys.end(), Key);
    if (It == FKeys.end()) return false;
    FCurrent = int(It - FKeys.begin());
    return true;
}

bool TDrawingsStore::ListDrawings(const QString& NameContains, TDrawingsOrder Order,
                                  std::vector<TDrawingSummary>& Out) {
    const QString What = QCoreApplication::translate("TDrawingsStore", "Cannot read the list of drawings");
    Out.clear();
    if (!StartRead(What)) return false;
    QSqlDatabase Db = Database();
    QSqlQuery Query(Db);
    Query.setForwardOnly(true);
    // LOWER on both sides: PostgreSQL's LIKE heeds case, SQLite's does not.
    QString Sql =
        QStringLiteral("SELECT \"Id\", \"Name\", \"LastUpdate\", \"Draw\" FROM %1").arg(QuotedTable(Db));
    if (!NameContains.isEmpty()) Sql += QStringLiteral(" WHERE LOWER(\"Name\") LIKE LOWER(?) ESCAPE '!'");
    Sql += Order == TDrawingsOrder::doName ? QStringLiteral(" ORDER BY LOWER(\"Name\"), \"Id\"")
                                           : QStringLiteral(" ORDER BY \"LastUpdate\" DESC, \"Id\" DESC");
    Query.prepare(Sql);
    if (!NameContains.isEmpty()) {
        QString Pattern = NameContains;
        Pattern.replace(QLatin1Char('!'), QLatin1String("!!"))
            .replace(QLatin1Char('%'), QLatin1String("!%"))
            .replace(QLatin1Char('_'), QLatin1String("!_"));
        Query.addBindValue(QLatin1Char('%') + Pattern + QLatin1Char('%'));
    }
    if (!Exec(Query, What)) return false;
    while (Query.next()) {
        TDrawingSummary Row;
        Row.Key = Query.value(0).toLongLong();
        Row.Name = Query.value(1).toString();
        Row.LastUpdate = LocalTimeOf(Query.value(2));
        Row.Draw = Query.value(3).toByteArray();
        Out.push_back(std::move(Row));
    }
    return true;
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
        return FileOrphanVersions(Db, NewKey, What) && WriteQuantities(Db, NewKey, Draw, What);
    });
    if (!Done) return false;
    // The record is written whatever follows: a list of records that cannot
    // be read again just now only leaves others' changes for the next
    // refresh.
    if (!ReloadKeysAfterWrite() && std::find(FKeys.begin(), FKeys.end(), NewKey) == FKeys.end())
        FKeys.push_back(NewKey);
    const auto Found = std::find(FKeys.begin(), FKeys.end(), NewKey);
    FCurrent = Found != FKeys.end() ? int(Found - FKeys.begin()) : RecordCount() - 1;
    return true;
}

bool TDrawingsStore::Update(int64_t Key, int64_t& Revision, const QString& Name, const QDateTime& LastUpdate,
                            const QByteArray& Draw) {
    const QString What =
        QCoreApplication::translate("TDrawingsStore", "Cannot save the drawing \"%1\"").arg(Name);
    const int64_t NewRevision = Revision + 1;
    const bool Done = InTransaction(What, [&](QSqlDatabase& Db) {
        // The drawing replaced is kept first; when the rewrite below
        // matches nothing, the rollback takes that back too.
        if (!KeepVersion(Db, Key, Revision, What)) return false;
        // So are the drawing's quantities: written before the rewrite, they
        // go with it when it matches nothing.
        if (!WriteQuantities(Db, Key, Draw, What)) return false;
        // One statement rewrites the record in place, and only in the
        // revision the caller read: after someone else's save it matches
        // nothing.
        QSqlQuery Query(Db);
        Query.prepare(QStringLiteral("UPDATE %1 SET \"Name\" = ?, \"LastUpdate\" = ?, \"Draw\" = ?, "
                                     "\"Revision\" = ? WHERE \"Id\" = ? AND \"Revision\" = ?")
                          .arg(QuotedTable(Db)));
        Query.addBindValue(CutName(Name));
        Query.addBindValue(StoredTime(LastUpdate, FPostgres));
        Query.addBindValue(Draw);
        Query.addBindValue(qlonglong(NewRevision));
        Query.addBindValue(qlonglong(Key));
        Query.addBindValue(qlonglong(Revision));
        if (!Exec(Query, What)) return false;
        if (Query.numRowsAffected() == 1) return true;
        // Nothing matched: the record is gone, or it has a newer revision.
        QSqlQuery Probe(Db);
        Probe.setForwardOnly(true);
        Probe.prepare(QStringLiteral("SELECT \"Revision\" FROM %1 WHERE \"Id\" = ?").arg(QuotedTable(Db)));
        Probe.addBindValue(qlonglong(Key));
        if (!Exec(Probe, What)) return false;
        if (!Probe.next())
            Fail(What,
                 QCoreApplication::translate("TDrawingsStore",
                                             "its record is no longer in the table (someone "
                                             "else deleted it); refresh the list"),
                 TStoreFailure::sfMissing);
        else
            Fail(What,
                 QCoreApplication::translate("TDrawingsStore",
                                             "someone else saved this drawing after you opened it"),
                 TStoreFailure::sfConflict);
        return false;
    });
    if (!Done) return false;
    Revision = NewRevision;
    // The record keeps its place; only others' changes can move the cursor.
    const int64_t Current = CurrentKey();
    ReloadKeysAfterWrite();
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
        if (!KeepDeleted(Db, Key, What) || !DropQuantities(Db, Key, What)) return false;
        QSqlQuery Query(Db);
        Query.prepare(QStringLiteral("DELETE FROM %1 WHERE \"Id\" = ?").arg(QuotedTable(Db)));
        Query.addBindValue(qlonglong(Key));
        // A record someone else deleted first is gone all the same.
        return Exec(Query, What);
    });
    if (!Done) return false;
    if (!ReloadKeysAfterWrite()) FKeys.erase(std::remove(FKeys.begin(), FKeys.end(), Key), FKeys.end());
    FCurrent = FKeys.empty() ? -1 : std::min(Place, RecordCount() - 1);
    return true;
}

} // namespace draxa
