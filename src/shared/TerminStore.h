#pragma once

#include "Appointment.h"
#include "InUseLock.h"

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace moravel {

namespace sql {
class Statement;
}

// dBTermin.mdb: an SQLite file with the one table tblTermin. Every field is text except ID.
// User text never becomes part of an SQL statement: it is always bound.
class TerminStore {
public:
    enum class OpenResult {
        Opened,    // an existing appointment database
        Created,   // there was no file: a new, empty database was made
        Untrusted, // tblTermin is a view or has triggers, SQL of the file's own that a write would
                   // run: its rows are read, but nothing is ever written to it
        Locked,    // another program kept the file locked for longer than the wait; it may be sound
        Unusable   // the file exists but is no readable, writable appointment database; left untouched
    };

    // Opens the database, creating it when the file does not exist, and gives it the indexes
    // the passes below use. An existing file that is not an appointment database is never
    // changed. Holds the shared in-use mark while open. Waits up to busyTimeoutMs for another
    // program's write. For Untrusted, Locked and Unusable, `reason` tells why in German.
    static std::unique_ptr<TerminStore> open(const QString& path, OpenResult* result = nullptr,
                                             QString* reason = nullptr, int busyTimeoutMs = kBusyTimeoutMs);
    ~TerminStore();

    TerminStore(const TerminStore&) = delete;
    TerminStore& operator=(const TerminStore&) = delete;

    // What a read gave. `failed` when it broke off: the rows are then those read before, never
    // to be taken for all there are; lastError() says why.
    struct Rows : std::vector<Appointment> {
        bool failed = false;
    };
    struct FoundRow : std::optional<Appointment> {
        bool failed = false;
    };

    // Every row in ascending text order of TerminDatumUhrzeit (rows of equal text in ID order).
    Rows mainList() const;
    // The fields that decide whether a pass wants a row, as the table holds them (UTF-8; NULL
    // reads as empty). They point into the row being read and are valid only during the call.
    struct RowKey {
        qint64 ID = 0;
        QByteArrayView TerminDatum;
        QByteArrayView TerminDatumUhrzeit;
        QByteArrayView Wiederholung;
        QByteArrayView VorTage;
        QByteArrayView sysGesperrt;
    };
    using RowFilter = std::function<bool(const RowKey&)>;
    using RowSink = std::function<void(const Appointment&)>;
    // Walks the main list's rows that `keep` wants (see the filtering query below), for a `keep`
    // that wants no row before firstDay: rows in the shape the programs write whose day lies
    // before it, and so whose moment is no later than its start, are left out unread. Rows in
    // any other shape are all shown to `keep`. A pass then costs the rows from that day on,
    // not the years of rows before it. False when the read failed.
    bool mainListFrom(qint64 firstDay, const RowFilter& keep, const RowSink& sink) const;
    // The same walk, ending before the first row for which `enough` is true.
    bool mainListFrom(qint64 firstDay, const RowFilter& keep, const RowSink& sink,
                      const RowFilter& enough) const;
    // The rows of mainListFrom(firstDay) whose moment may lie on a day up to lastDay, in its
    // order: all but the rows in the programs' shape whose day is later, so that the rows that
    // fell due since a day are found without reading the years ahead.
    bool mayFallDueFrom(qint64 firstDay, qint64 lastDay, const RowFilter& keep, const RowSink& sink) const;
    // How many rows mainListFrom(day, listed, ...) would take, for a `listed` that wants a row in
    // the programs' shape exactly when its day is `day` or later: those are counted in the sort
    // key's index, and only the other rows are read. None when the count failed.
    std::optional<qint64> countListedFrom(qint64 day, const RowFilter& listed) const;
    // Rows with from <= TerminDatumUhrzeit <= to (as text) whose subject contains the search
    // text; '*' and '?' in it act as wildcards.
    Rows searchComing(const QString& from, const QString& to, const QString& searchText) const;
    // Rows with TerminDatumUhrzeit < today (as text), newest first; narrowed by the search text when
    // given. With a limit, daily rows (Wiederholung the text "1") are left out and the list ends
    // after that many rows, so that a view of the newest rows does not read all the years before.
    Rows pastList(const QString& today, const std::optional<QString>& searchText,
                  std::optional<int> limitWithoutDaily = std::nullopt) const;

    // Inserts a row and returns its new ID; ID of the argument is ignored.
    std::optional<qint64> insert(const Appointment& row);
    // Deletes the row with this ID; false when there was none or the write failed.
    bool remove(qint64 id);
    // Puts `row` in the place of the row with this ID in one transaction: the old row goes and
    // the new one comes with a new ID, or, when anything fails, the table stays as it was. A
    // row that another program deleted meanwhile is no reason to lose the edited one: it is
    // inserted all the same. Returns the new ID.
    std::optional<qint64> replace(qint64 id, const Appointment& row);
    // The row with this ID; none when there is none or the read failed (then `failed`).
    FoundRow find(qint64 id) const;

    // Marks the row as renewed (sysGesperrt "1") whatever its flag is stored as; false when
    // there is no such row or the write failed. Meant for a write transaction in which the row
    // was read again, so that no other program renews it meanwhile.
    bool lockForRenewal(qint64 id);

    // A write transaction that takes the write lock at once, so that no other program can write
    // between what is read and what is written in it. Rolled back unless committed. Within
    // another one it is a part of it that is undone alone unless committed.
    class WriteTransaction {
    public:
        explicit WriteTransaction(TerminStore& store);
        ~WriteTransaction();
        WriteTransaction(const WriteTransaction&) = delete;
        WriteTransaction& operator=(const WriteTransaction&) = delete;

        bool isOpen() const { return m_open; }
        bool commit();

    private:
        TerminStore& m_store;
        bool m_nested;
        bool m_open;
    };

    // Pages that no row uses: what compaction gives back. None when it cannot be read.
    std::optional<qint64> freePages() const;
    enum class VacuumResult {
        Done,
        Busy,    // another program is using the file: nothing done
        Damaged, // the file fails SQLite's check: rewriting it could drop what a repair may save
        Failed   // left as it was; lastError() says why
    };
    // Rewrites the file in place with SQLite's VACUUM: one write transaction under SQLite's locks
    // and journal, seen by every open connection; the file keeps its inode, links, owner, mode
    // and journal mode, and every row its ID.
    VacuumResult vacuum();

    // What a file that may take the place of the database holds, opened read-only.
    enum class FileCheck { Sound, NotSqlite, Damaged, NoTable };
    static FileCheck checkFile(const QString& path);

    const QString& path() const { return m_path; }

    // Why the last statement that failed did so, in German, for a message to the user; empty
    // while none has failed.
    const QString& lastError() const { return m_lastError; }

    // False for a file opened as Untrusted: every write to it is refused.
    bool isWritable() const { return m_untrusted.isEmpty(); }

    // Differs from one call to the next when another connection committed a change to the file
    // or this one wrote in between; none when it cannot be read.
    struct Version {
        qint64 data = 0;
        qint64 own = 0;
        bool operator==(const Version&) const = default;
    };
    std::optional<Version> version() const;

    // True when the path no longer names the file that was opened: it was replaced by a rename
    // (a restore from a backup, a sync tool) or deleted. Costs one stat, no read.
    bool isReplaced() const;

    // How long a statement waits for another program's write before it gives up.
    void setBusyTimeout(int milliseconds);

    // Milliseconds a statement waits for the other program's write before it gives up.
    static constexpr int kBusyTimeoutMs = 5000;

    // Chain UIDs (tblTerminUID): the identity a row's chain has in calendar files and on a
    // calendar server. Every row of a chain, live or locked, carries its chain's UID; rows that
    // never left the file have none. Deleting or replacing a row through the store drops or
    // carries its UID with it.
    struct UidRow {
        Appointment row;
        QString uid; // empty when the row has none
    };
    // The main list's rows with their UIDs; false when the read failed.
    bool rowsWithUids(std::vector<UidRow>& rows) const;
    // The UID of the row; empty when it has none. False when the read failed.
    bool readChainUid(qint64 id, QString& uid) const;
    // Gives the row this UID, in place of any it had.
    bool setChainUid(qint64 id, const QString& uid);
    // A new UID, unique to this row's chain.
    static QString newChainUid();

    // What the last sync with a calendar server left of each chain (tblTerminAbgleich), and the
    // collection's own values such as its sync token (tblTerminAbgleichStand).
    struct SyncRecord {
        QString uid;
        QString href;      // the chain's resource on the server
        QString etag;      // its version there when it was last sent or fetched
        QString content;   // the chain's content then, without its day
        qint64 anchor = 0; // the live row's day then; renewal moves on from it
    };
    bool syncRecords(std::vector<SyncRecord>& records) const;
    bool putSyncRecord(const SyncRecord& record);
    bool dropSyncRecord(const QString& uid);
    // A value of the collection; empty when there is none.
    bool syncValue(const QString& key, QString& value) const;
    bool setSyncValue(const QString& key, const QString& value);
    // Forgets every record and value: the next sync starts afresh (another collection).
    bool clearSyncState();

    // The calendar component another program made of a chain (tblTerminFremd), as it was fetched
    // or imported or last sent: an upload changes in it only what was edited here, so that what
    // the row cannot hold (rules, exceptions, place, end) stays on the other side.
    struct ForeignComponent {
        QString uid;
        QByteArray text;       // a VCALENDAR holding the chain's events
        qint64 anchor = 0;     // the live row's day when the component was taken
        bool ruleKept = false; // its rule is none the row can follow: taken as a one-off
    };
    bool foreignComponents(std::vector<ForeignComponent>& components) const;
    bool putForeignComponent(const ForeignComponent& component);
    bool dropForeignComponent(const QString& uid);
    // IDs of the rows whose chain was taken as a one-off from a rule the row cannot follow.
    bool rowsWithKeptRule(std::vector<qint64>& ids) const;

    // Walks in no particular order the rows that `keep` wants among those that may need renewing
    // before this day: every row not stored locked or once only whose key lies before the day,
    // and every row in a shape the programs do not write. Other rows cannot need it.
    bool renewableBefore(qint64 day, const RowFilter& keep, const RowSink& sink) const;

    // Every column of the table, ID first, as a SELECT list.
    static const char* const kSelectColumns;

private:
    TerminStore(sqlite3* db, QString path, std::unique_ptr<InUseLock> lock, QString untrusted);
    // Walks the rows of a query that selects kSelectColumns and that `keep` wants. It sees each
    // row's key straight from the table; no text is made and no other field is read for the rows
    // it does not keep, so a pass over years of rows that are not wanted costs little more than
    // SQLite's own step.
    // With `enough`, the walk ends before the first row it is true for, and *stopped says so.
    bool query(const std::string& sql, const std::vector<QString>& parameters, const RowFilter& keep,
               const RowSink& sink, const RowFilter* enough = nullptr, bool* stopped = nullptr) const;
    bool query(const std::string& sql, const std::vector<QString>& parameters, const RowSink& sink) const;
    // Records why the last statement failed: logged with SQLite's text, kept in German.
    bool failed(const char* what) const;
    // False, with the reason as the last error, for a file that is never written to.
    bool mayWrite(const char* what) const;
    bool execute(const char* sql, const char* what);
    // Makes the side tables when the file lacks them; false when that failed.
    bool haveSideTables(const char* what);
    // Runs a statement on tblTerminUID with the IDs as ?1 and ?2; false when it failed.
    bool changeUid(const char* sql, qint64 first, std::optional<qint64> second, const char* what);
    // Runs a statement with the row's ID as ?1; the rows it changed, none when it failed.
    std::optional<int> changeRow(const char* sql, qint64 id, const char* what);

    sqlite3* m_db;
    QString m_path;
    std::unique_ptr<InUseLock> m_lock;
    // Why the file is never written to; empty when it may be. A trigger another tool places
    // while the file is open is kept from running by SQLite's authorizer on this connection.
    QString m_untrusted;
    std::unique_ptr<sql::Statement> m_insert;
    std::unique_ptr<sql::Statement> m_setUid;
    mutable QString m_lastError;
    mutable QByteArray m_loggedFailure;
    mutable QElapsedTimer m_failureLogged;
    mutable int m_failureRepeats = 0;
    quint64 m_device = 0; // of the file opened, to tell when the path names another one
    quint64 m_inode = 0;
};

} // namespace moravel
