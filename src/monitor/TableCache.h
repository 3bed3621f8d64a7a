#pragma once

#include "Appointment.h"
#include "TerminStore.h"

#include <optional>
#include <vector>

namespace moravel::monitor {

// The rows the monitor's tick acts on, kept from one tick to the next and read again only when
// they may differ: when a program committed a change to the file or this connection wrote (the
// store's version), or on a new day. Between changes a tick then costs the tests it makes on the
// kept rows, not a read of the table, whatever the table's size.
class TableCache {
public:
    // Brings the kept rows up to date for this day. False when the table could not be read just
    // now (another program holds the file's write lock): the rows of the last read stay.
    bool refresh(const TerminStore& store, qint64 today);

    // In main-list order, the rows that a tick on the day of the last read can list or remind of:
    // the current ones and those of today and tomorrow (a lead is shorter than a day). Every
    // other row of the table is left out; a tick would do nothing with it.
    const std::vector<Appointment>& rows() const { return m_rows; }

    // How often the table has been read.
    int reads() const { return m_reads; }

private:
    struct Stamp {
        const TerminStore* store;
        qint64 today;
        TerminStore::Version version;
        bool operator==(const Stamp&) const = default;
    };

    std::vector<Appointment> m_rows;
    std::optional<Stamp> m_stamp; // of the kept rows
    int m_reads = 0;
};

} // namespace moravel::monitor
