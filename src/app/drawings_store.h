// TDrawingsStore: the table of named drawings the application browses, and
// a cursor on it.
//
// The table has the three fields "Name" (at most 50 characters), "LastUpdate"
// (date and time) and "Draw" (one document stream as a blob). It lives in an
// SQLite file (the default, "tdraxadb.db") or, for a store that several
// people share, on a PostgreSQL server. Records keep the order in which they
// were added; each is identified by a row key the user never sees, the
// column "Id" after the three fields (SQLite's rowid, an identity column on
// PostgreSQL), so that an edit rewrites its record in place.
//
// Each record also carries a revision, the column "Revision", that every
// rewrite counts up. An editor remembers the revision it read; a rewrite
// whose revision no longer matches (someone else saved the record in the
// meantime) changes nothing and reports a conflict, so that neither of two
// people editing the same drawing silently loses the other's work. Tables
// written by earlier versions get the column when they are opened.
//
// Every write is one transaction. On SQLite it starts with BEGIN IMMEDIATE,
// which takes the write lock at once, so a second program using the same file
// waits (up to the busy timeout) at the start instead of failing half-way.
// The wait is made of short slices with OnLockWait called between them, so
// a program with windows keeps them painting meanwhile. Every statement binds
// its values; nothing is pasted into SQL text.
//
// The SQLite file is private to its user: a new file is made readable and
// writable by its owner alone, and the application puts it in a folder only
// its owner can enter. A file, a table or a folder that is not a drawings
// store is refused with a message that says what it is, and is left as it
// was. Once a day the application keeps a copy of the store beside it (the
// last BackupsKept days); when the store is found damaged, the message names
// the newest copy.
//
// Every rewrite keeps the drawing it replaces as a version, in a table of
// its own ("<table>_versions") and in the same transaction; the newest
// VersionsKept() of each drawing stay, older ones go in that transaction
// too. Deleting a record keeps the drawing and its versions as a deleted
// drawing for DeletedKeptDays days, from which it can be brought back.
// While an editor holds unsaved changes it writes them, now and then, as a
// draft ("<table>_drafts"), never touching the saved record; a draft left
// by a program that ended without closing its editor is offered back at the
// next start. The main table keeps its columns, so earlier versions of the
// program go on reading and writing it; the two extra tables are made when
// a store is opened.
//
// Every write of a drawing also rewrites, in the same transaction, its rows
// in a table of quantities ("<table>_quantities", drawings_quantities.cpp):
// per layer and shape class the count, total length and total area in the
// drawing's unit, for SQL queries across all drawings.
//
// Failures return false and leave a message for the user in LastError() and
// its kind in LastFailure(); a failed write changes nothing in the table.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;
class QSqlRecord;

namespace draxa {

class TMyDraxa;
struct TQuantities;

// One record of the table.
struct TDrawingRecord {
    int64_t Key = -1;     // the hidden row key
    int64_t Revision = 0; // counts the rewrites of the record
    QString Name;
    QDateTime LastUpdate; // local time
    QByteArray Draw;      // a document stream; empty for a record without a drawing
};

// A record as the list of drawings shows it.
struct TDrawingSummary {
    int64_t Key = -1;
    QString Name;
    QDateTime LastUpdate; // local time
    QByteArray Draw;
};

// A drawing as it was before a save replaced it, or as it was deleted.
struct TDrawingVersion {
    int64_t Id = -1;        // the version's own key
    int64_t RecordKey = -1; // the record it belongs to; -1 once the record is deleted
    int64_t Revision = 0;   // the record's revision it held
    QString Name;
    QDateTime LastUpdate; // when that revision was saved, local time
    QByteArray Draw;
    QDateTime DeletedAt;       // when its record was deleted; invalid while it exists
    int64_t DeletedGroup = -1; // a deleted drawing: the version holding it as it was deleted
};

// The unsaved changes of an editor, as last written while it was open.
struct TDrawingDraft {
    int64_t Id = -1;
    int64_t RecordKey = -1; // the record the editor was open for; -1 for a new drawing
    int64_t Revision = 0;   // that record's revision when the editor read it
    QString Name;
    QDateTime SavedAt; // when the draft was written, local time
    QByteArray Draw;
};

// The order of the list of drawings.
enum class TDrawingsOrder : uint8_t {
    doName,       // by name, ignoring case
    doLastUpdate, // the newest first
};

// What kind of failure the last operation of a store met.
enum class TStoreFailure : uint8_t {
    sfNone,     // it succeeded
    sfConflict, // the record was rewritten by someone else since it was read
    sfMissing,  // the record is no longer in the table
    sfBusy,     // another program held the lock for longer than the busy timeout
    sfFull,     // the disk (or the database's size limit) is full
    sfDamaged,  // the database file is damaged: the message names the newest backup
    sfOther,    // anything else: the message says what
};

class TDrawingsStore {
public:
    // The name of the SQLite file and of the table.
    static const QString DefaultFileName;  // "tdraxadb.db"
    static const QString DefaultTableName; // "tdraxadb"
    // The longest name the table keeps; longer names are cut (never in the
    // middle of a character).
    static constexpr int NameMaxLength = 255;
    // How long a write waits, by default, for another program's lock on
    // the SQLite file.
    static constexpr int DefaultBusyTimeoutMs = 5000;
    // The longest the program sits inside the database engine while it
    // waits for a lock, between two calls of OnLockWait.
    static constexpr int LockWaitSliceMs = 50;
    // How many daily backups are kept beside the SQLite file.
    static constexpr int BackupsKept = 3;
    // How many earlier versions of each drawing are kept, unless set otherwise.
    static constexpr int DefaultVersionsKept = 20;
    // How long a deleted drawing can be brought back.
    static constexpr int DeletedKeptDays = 30;

    explicit TDrawingsStore(QString TableName = DefaultTableName);
    ~TDrawingsStore();
    TDrawingsStore(const TDrawingsStore&) = delete;
    TDrawingsStore& operator=(const TDrawingsStore&) = delete;

    // The per-user place of the SQLite file: the application's data folder
    // (e.g. ~/.local/share/tdraxa/tdraxadb.db). The folder may not exist yet.
    static QString DefaultDatabasePath();
    // Creates Folder and whichever of its parents are missing, each readable
    // by its owner alone (0700); folders that exist are left as they are.
    static bool CreatePrivateFolder(const QString& Folder);

    // Opens (creating when missing) the SQLite file and the table, and moves
    // to the first record. A write waits up to BusyTimeoutMs for another
    // program that is writing to the same file. A new file is created with
    // mode 0600; an existing file keeps its mode. Refused, with nothing
    // touched: a folder, anything else that is not a regular file (a pipe
    // would block for ever), a folder that does not exist, and a file whose
    // table of that name lacks the drawings columns.
    bool OpenSQLite(const QString& FileName, int BusyTimeoutMs = DefaultBusyTimeoutMs);
    // Opens the table on a PostgreSQL server; ConnectionInfo is a libpq
    // connection string ("host=db.example.org dbname=drawings user=ann").
    bool OpenPostgres(const QString& ConnectionInfo);
    // Closes the connection; the cursor becomes empty.
    void Close();
    bool IsOpen() const { return !FConnection.isEmpty(); }
    bool IsPostgres() const { return FPostgres; }
    // What went wrong last, in words for the user, and its kind.
    QString LastError() const { return FLastError; }
    TStoreFailure LastFailure() const { return FLastFailure; }
    const QString& TableName() const { return FTableName; }
    // The table of the drawings' quantities: the table's name and "_quantities".
    QString QuantitiesTableName() const { return FTableName + QStringLiteral("_quantities"); }

    // Called while an operation waits for another program's lock on the
    // SQLite file: with true after every slice of the wait (at most
    // LockWaitSliceMs), and once with false when the wait is over, however
    // it ended. The application shows a busy cursor and keeps its windows
    // painting from here; it must not use this store meanwhile (such a call
    // fails as busy). Without it the wait just goes on.
    std::function<void(bool Waiting)> OnLockWait;

    // ---- backups of the SQLite file ----

    // Makes the backup of Today beside the SQLite file, named after it
    // ("tdraxadb-backup-2024-03-01.db", mode 0600), unless it exists, with
    // VACUUM INTO (a consistent copy, even while others write); then removes
    // all but the newest BackupsKept. A store that fails its integrity check
    // is not copied, so damage cannot push out the good copies. True when
    // today's backup exists afterwards; else false with LastError. The store
    // stays usable either way. Does nothing (true) on PostgreSQL, whose
    // server keeps its own backups.
    bool MakeDailyBackup(const QDate& Today);
    // The backups of the SQLite file FileName, newest first.
    static QStringList BackupsOf(const QString& FileName);
    // ---- the cursor ----

    int RecordCount() const { return int(FKeys.size()); }
    bool IsEmpty() const { return FKeys.empty(); }
    // Index of the current record, -1 when the table is empty.
    int RecNo() const { return FCurrent; }
    bool IsFirst() const { return FCurrent <= 0; }
    bool IsLast() const { return FCurrent >= RecordCount() - 1; }
    int64_t CurrentKey() const { return FCurrent < 0 ? -1 : FKeys[size_t(FCurrent)]; }
    void First();
    void Prior();
    void Next();
    void Last();
    // Reads the list of records again (others may have changed the table);
    // stays on the current record when it is still there, else on the one
    // at the same place.
    bool Refresh();

    // Moves to the record with that key; false (the cursor stays) when the
    // list holds no such record.
    bool MoveTo(int64_t Key);
    // The records whose name contains NameContains (ignoring case; empty for
    // all), in Order. The text is bound as a parameter, its % and _ taken
    // literally.
    bool ListDrawings(const QString& NameContains, TDrawingsOrder Order, std::vector<TDrawingSummary>& Out);

    // Reads the current record; false when there is none or it cannot be read.
    bool ReadCurrent(TDrawingRecord& Record);
    // Reads the record with that key, wherever the cursor is; false
    // (sfMissing) when it is no longer in the table.
    bool Read(int64_t Key, TDrawingRecord& Record);

    // ---- writing ----

    // Adds a record (revision 0), which becomes the current one.
    bool Insert(const QString& Name, const QDateTime& LastUpdate, const QByteArray& Draw);
    // Rewrites the record with that key in place, when it still has the
    // revision Revision (the one read before editing); Revision then
    // receives the record's new revision. Nothing is written, and false
    // returned, when the record has been rewritten since (sfConflict) or is
    // no longer in the table (sfMissing).
    bool Update(int64_t Key, int64_t& Revision, const QString& Name, const QDateTime& LastUpdate,
                const QByteArray& Draw);
    // Deletes the current record; the cursor moves to the next one (the new
    // last one when it was the last). The drawing and its versions are kept
    // as a deleted drawing for DeletedKeptDays days.
    bool DeleteCurrent();

    // ---- versions (drawings_versions.cpp) ----

    // How many earlier versions of each drawing a rewrite keeps (0: none).
    int VersionsKept() const { return FVersionsKept; }
    void SetVersionsKept(int Count) { FVersionsKept = Count < 0 ? 0 : Count; }
    // The earlier versions of the record Key, newest first.
    bool ListVersions(int64_t Key, std::vector<TDrawingVersion>& Out);
    // The drawings deleted in the last DeletedKeptDays days, the latest
    // deleted first: each as it was when deleted (DeletedGroup == Id).
    bool ListDeletedDrawings(std::vector<TDrawingVersion>& Out);
    // The versions a deleted drawing had, itself as deleted first.
    bool ListDeletedVersions(int64_t Group, std::vector<TDrawingVersion>& Out);
    // Makes the version the record's drawing (a rewrite like Update, so the
    // drawing it replaces becomes a version in turn), whatever the record's
    // revision is now; Revision receives the new one.
    bool RestoreVersion(const TDrawingVersion& Version, int64_t& Revision);
    // Brings the deleted drawing Group back as a new record (the current
    // one), with its versions; nothing of it is left among the deleted.
    bool RestoreDeleted(int64_t Group);

    // ---- drafts (drawings_versions.cpp) ----

    // Writes an editor's unsaved drawing in a transaction of its own: a new
    // draft when DraftId is -1 (DraftId receives its key), else over that
    // draft. The saved record is never touched.
    bool WriteDraft(int64_t& DraftId, int64_t RecordKey, int64_t Revision, const QString& Name,
                    const QByteArray& Draw);
    // Removes a draft (the editor saved or discarded its changes); a draft
    // already gone is no failure.
    bool RemoveDraft(int64_t DraftId);
    // The drafts this user left on this machine from a program that is no
    // longer running, the newest first.
    bool ListLeftDrafts(std::vector<TDrawingDraft>& Out);
    // Who writes the drafts: this user on this machine ("ann@host"), and
    // this program. Tests stand in for another program with these.
    static QString ThisDraftOwner();
    void SetDraftOwner(const QString& Owner, int64_t Pid) {
        FDraftOwner = Owner;
        FDraftPid = Pid;
    }

private:
    bool Open(const QString& Driver, const QString& DatabaseName, const QString& Options);
    bool CreateTable();
    // False (with the reason) when the table exists without the drawings
    // columns; then nothing may change it.
    bool CheckTableColumns();
    // Brings a table written by an earlier version up to date (the revision
    // column; on PostgreSQL the width of "Name").
    bool UpgradeTable();
    // Makes the tables of versions and drafts when they are missing, and
    // lets deleted drawings older than DeletedKeptDays go.
    bool UpgradeVersionTables();
    // The extra tables' names, quoted for the engine.
    QString QuotedVersions(const QSqlDatabase& Db) const;
    QString QuotedDrafts(const QSqlDatabase& Db) const;
    QString QuotedQuantities(const QSqlDatabase& Db) const;
    // Makes the table of quantities when it is missing, filled from every
    // drawing (drawings_quantities.cpp).
    bool UpgradeQuantitiesTable();
    // Inside a write's transaction: the quantities of record Key become
    // those of Draw (WriteQuantities), or go (DropQuantities).
    bool WriteQuantities(QSqlDatabase& Db, int64_t Key, const QByteArray& Draw, const QString& What);
    bool DropQuantities(QSqlDatabase& Db, int64_t Key, const QString& What);
    // The quantities of a drawing stream (nothing for an empty one); false
    // when the stream cannot be read as a drawing. One hidden surface,
    // made when the store opens, reads every drawing the store measures.
    bool MeasureDrawing(const QByteArray& Draw, TQuantities& Out);
    // Inside a rewrite's transaction: keeps the record Key as it is now (in
    // revision Revision) as a version, then lets the oldest beyond
    // VersionsKept go.
    bool KeepVersion(QSqlDatabase& Db, int64_t Key, int64_t Revision, const QString& What);
    // Inside a delete's transaction: files the record and its versions as a
    // deleted drawing.
    bool KeepDeleted(QSqlDatabase& Db, int64_t Key, const QString& What);
    // Inside an insert's transaction: versions still filed under NewKey
    // (an earlier program deleted their record without filing them) become
    // a deleted drawing, so that a new record never shows another's history.
    bool FileOrphanVersions(QSqlDatabase& Db, int64_t NewKey, const QString& What);
    // The versions meeting Condition (SQL after WHERE, one parameter: Bound).
    bool ReadVersions(const QString& What, const QString& Condition, const QVariant& Bound,
                      std::vector<TDrawingVersion>& Out);
    bool LoadKeys();
    // LoadKeys after a committed write, which stays a success either way.
    bool ReloadKeysAfterWrite();
    QSqlDatabase Database() const;
    // The table's name as SQL text, quoted for the engine.
    QString QuotedTable(const QSqlDatabase& Db) const;
    // The columns of Table, and the names of the database's tables, read
    // as every statement here is: waiting out another program's commit.
    // Qt's own catalogue reads give up after the engine's first slice and
    // then report no columns or no tables, which would make a store that
    // is merely busy look like a foreign or an empty one.
    bool ReadColumns(const QString& Table, QSqlRecord& Fields);
    bool ReadTableNames(QStringList& Tables);
    // Runs Body inside one write transaction; commits when Body returns true.
    template <typename TBody> bool InTransaction(const QString& What, TBody Body);
    bool Exec(QSqlQuery& Query, const QString& What);
    // Runs Query (Sql, when given, as it is), waiting out another program's
    // lock in slices up to the busy timeout.
    bool ExecWaiting(QSqlQuery& Query, const QString& Sql = QString());
    // Runs our own schema statements one after the other; false at the first that fails.
    bool RunStatements(QSqlDatabase& Db, const QStringList& Steps, const QString& What);
    // Before a read: false (with the failure recorded) when the store is
    // not open; otherwise the last failure is cleared.
    bool StartRead(const QString& What);
    // Records a failure; an engine error also gives the kind.
    void Fail(const QString& What, const QString& Reason, TStoreFailure Kind = TStoreFailure::sfOther);
    void Fail(const QString& What, const QSqlError& Error);

    QString FTableName;
    QString FFileName; // the SQLite file; empty on PostgreSQL
    int FBusyTimeoutMs = DefaultBusyTimeoutMs;
    bool FInLockWait = false; // OnLockWait is running
    QString FConnection;      // Qt's connection name; empty while closed
    bool FPostgres = false;
    QString FLastError;
    TStoreFailure FLastFailure = TStoreFailure::sfNone;
    std::vector<int64_t> FKeys; // row keys in table order
    int FCurrent = -1;
    int FVersionsKept = DefaultVersionsKept;
    QString FDraftOwner;
    int64_t FDraftPid;
    std::unique_ptr<TMyDraxa> FMeasuring;
};

} // namespace draxa
