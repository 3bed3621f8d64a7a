#pragma once

#include "Appointment.h"
#include "InUseLock.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace moravel {

// dBTermin.mdb: an SQLite file with the one table tblTermin. Every field is text except ID.
// User text never becomes part of an SQL statement: it is always bound.
class TerminStore {
public:
    enum class OpenResult {
        Opened,  // an existing appointment database
        Created, // there was no file: a new, empty database was made
        Unusable // the file exists but is no readable, writable appointment database; left untouched
    };

    // Opens the database, creating it when the file does not exist. An existing file that is not
    // an appointment database is never changed. Holds the shared in-use lock while open; while
    // another program compacts, waits up to kBusyTimeoutMs for it and fails after that.
    static std::unique_ptr<TerminStore> open(const QString& path, OpenResult* result = nullptr);
    ~TerminStore();

    TerminStore(const TerminStore&) = delete;
    TerminStore& operator=(const TerminStore&) = delete;

    // Every row in ascending text order of TerminDatumUhrzeit (rows of equal text in ID order).
    std::vector<Appointment> mainList() const;
    // The main list's rows that `keep` wants (see the filtering query below).
    using RowFilter = std::function<bool(const Appointment&)>;
    std::vector<Appointment> mainList(const RowFilter& keep) const;
    // Rows with from <= TerminDatumUhrzeit <= to (as text) whose subject contains the search
    // text; '*' and '?' in it act as wildcards.
    std::vector<Appointment> searchComing(const QString& from, const QString& to,
                                          const QString& searchText) const;
    // Rows with TerminDatumUhrzeit < today (as text), newest first; narrowed by the search text when given.
    std::vector<Appointment> pastList(const QString& today, const std::optional<QString>& searchText) const;

    // Inserts a row in one transaction and returns its new ID; ID of the argument is ignored.
    std::optional<qint64> insert(const Appointment& row);
    // Deletes the row with this ID; false when there was none or the write failed.
    bool remove(qint64 id);
    std::optional<Appointment> find(qint64 id) const;

    const QString& path() const { return m_path; }
    sqlite3* handle() const { return m_db; }

    // Milliseconds a statement waits for the other program's write before it gives up.
    static constexpr int kBusyTimeoutMs = 5000;

    // Walks the rows of a prepared query that selects the columns of kSelectColumns.
    using RowSink = std::function<void(const Appointment&)>;
    bool query(const char* sql, const std::vector<QString>& parameters, const RowSink& sink) const;
    // The same for the rows that `keep` wants. It sees each row with only ID, TerminDatum,
    // TerminDatumUhrzeit and VorTage read; the other fields are read only for the rows it keeps,
    // which makes passing over rows that are not wanted several times cheaper.
    bool query(const char* sql, const std::vector<QString>& parameters, const RowFilter& keep,
               const RowSink& sink) const;

    static const char* const kSelectColumns;

private:
    TerminStore(sqlite3* db, QString path, std::unique_ptr<InUseLock> lock);

    sqlite3* m_db;
    QString m_path;
    std::unique_ptr<InUseLock> m_lock;
};

// True when the open connection holds a tblTermin with every field the programs use.
bool hasAppointmentTable(sqlite3* db);

} // namespace moravel
