#include "TableCache.h"

#include "DueDetection.h"
#include "NumberText.h"

#include <sqlite3.h>

namespace moravel::monitor {

std::optional<TableCache::Stamp> TableCache::stampOf(const TerminStore& store, qint64 today) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(store.handle(), "PRAGMA data_version", -1, &statement, nullptr) != SQLITE_OK)
        return std::nullopt;
    std::optional<Stamp> stamp;
    if (sqlite3_step(statement) == SQLITE_ROW)
        stamp =
            Stamp{&store, today, sqlite3_column_int64(statement, 0), sqlite3_total_changes64(store.handle())};
    sqlite3_finalize(statement);
    return stamp;
}

void TableCache::forEachOnDay(const TerminStore& store, qint64 today, const TerminStore::RowSink& sink) {
    const std::optional<Stamp> stamp = stampOf(store, today);
    if (!stamp || stamp != m_stamp) {
        m_rows.clear();
        ++m_reads;
        // Rows of earlier days are neither current nor due today; they are not read.
        const bool complete = store.mainListFrom(
            today,
            [today](const TerminStore::RowKey& key) {
                const std::optional<qint64> day = numtext::parseWholeUtf8(key.TerminDatum);
                return day && *day >= today &&
                       (*day <= today + 1 || isCurrent(*day, numtext::parseWholeUtf8(key.VorTage), today));
            },
            [this](const Appointment& row) { m_rows.push_back(row); });
        // What a failed read left is used once, as a read without the cache would, and read again.
        m_stamp = complete ? stamp : std::nullopt;
    }
    for (const Appointment& row : m_rows)
        sink(row);
}

} // namespace moravel::monitor
