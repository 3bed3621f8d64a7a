#pragma once

#include <QDate>

#include <libical/ical.h>

#include <optional>
#include <vector>

namespace moravel::ical {

// How the days of a renewed chain are said in iCalendar. The renewal goes on from a clamped day
// (monthly from 31 January: 28 February, 28 March, ...), a drift no single rule says. So the
// rule is the drift-free one of the part where the chain has become stable, starting (DTSTART)
// on that part's first day, which strict readers require to be the rule's own first day
// (RFC 5545, 3.8.5.3); the days before that part are listed: every expander reads that the same
// way.
struct ChainForm {
    icalrecurrencetype rule;
    QDate ruleStart; // DTSTART: the chain's start, or the first day of its stable part
    // RDATE: the chain's days before the stable part, its first day among them.
    std::vector<QDate> extraDays;
};

// The form of the chain the renewal continues from `start` with a recurrence digit 1..7. A chain
// that never meets a month without its day gets the plain rule and no lists.
ChainForm chainForm(QDate start, int digit);

// The days the renewal gives from `start` on, `start` included, up to and including `last`.
std::vector<QDate> chainDays(QDate start, int digit, QDate last);

// The next day of the chain, as the renewal computes it.
std::optional<QDate> nextChainDay(QDate day, int digit);

} // namespace moravel::ical
