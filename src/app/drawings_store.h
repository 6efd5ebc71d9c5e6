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
// Every statement binds its values; nothing is pasted into SQL text.
//
// Failures return false and leave a message for the user in LastError() and
// its kind in LastFailure(); a failed write changes nothing in the table.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace draxa {

// One record of the table.
struct TDrawingRecord {
    int64_t Key = -1;     // the hidden row key
    int64_t Revision = 0; // counts the rewrites of the record
    QString Name;
    QDateTime LastUpdate; // local time
    QByteArray Draw;      // a document stream; empty for a record without a drawing
};

// What kind of failure the last operation of a store met.
enum class TStoreFailure : uint8_t {
    sfNone,     // it succeeded
    sfConflict, // the record was rewritten by someone else since it was read
    sfMissing,  // the record is no longer in the table
    sfBusy,     // another program held the lock for longer than the busy timeout
    sfFull,     // the disk (or the database's size limit) is full
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

    explicit TDrawingsStore(QString TableName = DefaultTableName);
    ~TDrawingsStore();
    TDrawingsStore(const TDrawingsStore&) = delete;
    TDrawingsStore& operator=(const TDrawingsStore&) = delete;

    // The per-user place of the SQLite file: the application's data folder
    // (e.g. ~/.local/share/tdraxa/tdraxadb.db). The folder may not exist yet.
    static QString DefaultDatabasePath();

    // Opens (creating when missing) the SQLite file and the table, and moves
    // to the first record. A write waits up to BusyTimeoutMs for another
    // program that is writing to the same file.
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
    // last one when it was the last).
    bool DeleteCurrent();

private:
    bool Open(const QString& Driver, const QString& DatabaseName, const QString& Options);
    bool CreateTable();
    // Brings a table written by an earlier version up to date (the revision
    // column; on PostgreSQL the width of "Name").
    bool UpgradeTable();
    bool LoadKeys();
    // LoadKeys after a committed write, which stays a success either way.
    bool ReloadKeysAfterWrite();
    QSqlDatabase Database() const;
    // The table's name as SQL text, quoted for the engine.
    QString QuotedTable(const QSqlDatabase& Db) const;
    // Runs Body inside one write transaction; commits when Body returns true.
    template <typename TBody> bool InTransaction(const QString& What, TBody Body);
    bool Exec(QSqlQuery& Query, const QString& What);
    // Records a failure; an engine error also gives the kind.
    void Fail(const QString& What, const QString& Reason, TStoreFailure Kind = TStoreFailure::sfOther);
    void Fail(const QString& What, const QSqlError& Error);

    QString FTableName;
    QString FConnection; // Qt's connection name; empty while closed
    bool FPostgres = false;
    QString FLastError;
    TStoreFailure FLastFailure = TStoreFailure::sfNone;
    std::vector<int64_t> FKeys; // row keys in table order
    int FCurrent = -1;
};

} // namespace draxa
