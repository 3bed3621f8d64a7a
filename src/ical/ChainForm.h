#pragma once

#include <QDate>

#include <libical/ical.h>

#include <optional>
#include <vector>

namespace moravel::ical {

// How the days of a renewed chain are said in iCalendar. The renewal goes on from a clamped day
// (monthly from 31 January: 28 February, 28 March, ...), a drift no single rule says. So the
// rule is the drift-free one of the part where the chain has become stable, and the days before
// that part are listed: every expander reads that the same way.
struct ChainForm {
    icalrecurrencetype rule;
    // RDATE: the chain's days before the stable part, its first day among them, so that an
    // expander that leaves out a first day the rule does not produce still has it.
    std::vector<QDate> extraDays;
    // EXDATE: the rule's days before the stable part that the chain does not have.
    std::vector<QDate> excludedDays;
};

// The form of the chain the renewal continues from `start` with a recurrence digit 1..7. A chain
// that never meets a month without its day gets the plain rule and no lists.
ChainForm chainForm(QDate start, int digit);

// The days the renewal gives from `start` on, `start` included, up to and including `last`.
std::vector<QDate> chainDays(QDate start, int digit, QDate last);

// The next day of the chain, as the renewal computes it.
std::optional<QDate> nextChainDay(QDate day, int digit);

} // namespace moravel::ical
