#pragma once

#include "Appointment.h"
#include "TerminStore.h"

#include <QString>

#include <optional>
#include <vector>

namespace moravel::monitor {

// The rows the monitor's tick acts on, kept from one tick to the next and read again only when
// they may differ: when another program committed a change to the file (SQLite's data_version),
// when this connection wrote (its count of changed rows), or on a new day. Between changes a
// tick then costs the tests it makes on the kept rows, not a read of the table, whatever the
// table's size.
class TableCache {
public:
    // Walks, in main-list order, the rows that a tick on this day can list or remind of: the
    // current ones and those of today and tomorrow (a lead is shorter than a day). Every other
    // row of the table is left out; a tick would do nothing with it.
    void forEachOnDay(const TerminStore& store, qint64 today, const TerminStore::RowSink& sink);

    // How often the table has been read.
    int reads() const { return m_reads; }

private:
    struct Stamp {
        const TerminStore* store;
        qint64 today;
        qint64 dataVersion;
        qint64 ownChanges;
        bool operator==(const Stamp&) const = default;
    };

    static std::optional<Stamp> stampOf(const TerminStore& store, qint64 today);

    std::vector<Appointment> m_rows;
    std::optional<Stamp> m_stamp; // of the kept rows; none: read at the next tick
    int m_reads = 0;
};

} // namespace moravel::monitor
