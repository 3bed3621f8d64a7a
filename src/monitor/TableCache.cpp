#include "TableCache.h"

#include "DueDetection.h"
#include "NumberText.h"

namespace moravel::monitor {

bool TableCache::refresh(const TerminStore& store, qint64 today) {
    const std::optional<TerminStore::Version> version = store.version();
    if (!version)
        return false;
    const Stamp stamp{&store, today, *version};
    if (stamp == m_stamp)
        return true;

    ++m_reads;
    std::vector<Appointment> rows;
    // Rows before yesterday are neither current nor due; they are not read. Yesterday's may still
    // owe a reminder of the evening, caught up after a resume past midnight.
    const bool complete = store.mainListFrom(
        today - 1,
        [today](const TerminStore::RowKey& key) {
            const std::optional<qint64> day = numtext::parseWholeUtf8(key.TerminDatum);
            return day && *day >= today - 1 &&
                   (*day <= today + 1 || isCurrent(*day, numtext::parseWholeUtf8(key.VorTage), today));
        },
        [&rows](const Appointment& row) { rows.push_back(row); });
    if (!complete)
        return false;
    m_rows = std::move(rows);
    m_stamp = stamp;
    return true;
}

} // namespace moravel::monitor
