#include "Renewal.h"

#include "NumberText.h"
#include "Recurrence.h"

#include <QLoggingCategory>

#include <algorithm>
#include <tuple>

Q_LOGGING_CATEGORY(lcRenewal, "moravel.renewal")

namespace moravel {

namespace {

struct PassedOccurrence {
    qint64 day;
    int digit;
};

// The renewal trigger, by date only: a row of today is not renewed, even when its time is over.
// Texts that are no numbers never trigger.
std::optional<PassedOccurrence> passedOccurrence(std::optional<qint64> day, std::optional<qint64> digit,
                                                 std::optional<double> locked, qint64 today) {
    if (!day || !digit || !locked || *locked != 0 || *day >= today || *digit < 1 || *digit > 7)
        return std::nullopt;
    return PassedOccurrence{*day, static_cast<int>(*digit)};
}

std::optional<PassedOccurrence> passedOccurrence(const Appointment& row, qint64 today) {
    return passedOccurrence(numtext::parseWhole(row.TerminDatum), numtext::parseWhole(row.Wiederholung),
                            numtext::parse(row.sysGesperrt), today);
}

std::optional<PassedOccurrence> passedOccurrence(const TerminStore::RowKey& key, qint64 today) {
    return passedOccurrence(numtext::parseWholeUtf8(key.TerminDatum),
                            numtext::parseWholeUtf8(key.Wiederholung), numtext::parseUtf8(key.sysGesperrt),
                            today);
}

// A row to renew, by its place in the main list.
struct Passed {
    QByteArray sortKey; // TerminDatumUhrzeit as stored
    qint64 id;
    bool operator<(const Passed& other) const {
        return std::tie(sortKey, id) < std::tie(other.sortKey, other.id);
    }
};

Appointment occurrenceOn(const Appointment& row, qint64 day, const QString& nowText) {
    Appointment next;
    next.Betreff = row.Betreff;
    next.TerminUhrzeit = row.TerminUhrzeit;
    next.Wiederholung = row.Wiederholung;
    next.VorTage = row.VorTage;
    next.VorMinuten = row.VorMinuten;
    next.Bemerkungen = row.Bemerkungen;
    next.TerminDatum = QString::number(day);
    // An empty (or unreadable) time keeps its text and counts as 0:00 in the sort key.
    const double time = numtext::parse(row.TerminUhrzeit).value_or(0.0);
    next.TerminDatumUhrzeit = numtext::fixed5(static_cast<double>(day) + time);
    next.ZuletztGeoeffnetAm = nowText;
    next.sysGesperrt = QStringLiteral("0");
    return next;
}

// Renews the row with this ID and its whole backlog in one write transaction. Each occurrence
// that still lies before today goes in locked, exactly as the next restarted pass would leave it
// after renewing it in turn. Returns the rows inserted, or -1 on failure.
int renewChain(TerminStore& store, qint64 id, qint64 today, const QString& nowText) {
    TerminStore::WriteTransaction transaction(store);
    if (!transaction.isOpen())
        return -1;
    // Read again under the write lock: the other program may have renewed or the user changed it.
    const TerminStore::FoundRow row = store.find(id);
    // A failed read is no sign that the row needs nothing: the chain would stay unrenewed.
    if (row.failed)
        return -1;
    if (!row)
        return 0;
    const std::optional<PassedOccurrence> passed = passedOccurrence(*row, today);
    if (!passed)
        return 0;
    std::optional<qint64> day = Folgedatum(passed->day, passed->digit);
    if (!day)
        return 0;
    // Under the write lock, right after the row was read again, nothing can have changed its
    // flag; so the lock goes in whatever the flag is stored as (a number or a BLOB that reads
    // as 0 would be missed by matching it), and no such chain is left unrenewed.
    if (!store.lockForRenewal(id))
        return -1;
    // Every occurrence stays in its chain: calendars know the chain by this UID.
    QString uid;
    if (!store.readChainUid(id, uid))
        return -1;

    int inserted = 0;
    while (day) {
        const std::optional<qint64> after = *day < today ? Folgedatum(*day, passed->digit) : std::nullopt;
        Appointment occurrence = occurrenceOn(*row, *day, nowText);
        if (after)
            occurrence.sysGesperrt = QStringLiteral("1");
        const std::optional<qint64> newId = store.insert(occurrence);
        if (!newId || (!uid.isEmpty() && !store.setChainUid(*newId, uid)))
            return -1;
        ++inserted;
        day = after;
    }
    return transaction.commit() ? inserted : -1;
}

} // namespace

int renewPassedAppointments(TerminStore& store, qint64 today, double now) {
    // A file that is only read keeps its rows as they are; the user was told so when it opened.
    if (!store.isWritable())
        return 0;
    // The chains are renewed in the main list's order, as the pass restarted per renewal meets them.
    std::vector<Passed> passed;
    const bool read = store.renewableBefore(
        today, [today](const TerminStore::RowKey& key) { return passedOccurrence(key, today).has_value(); },
        [&passed](const Appointment& row) {
            passed.push_back({row.TerminDatumUhrzeit.toUtf8(), row.ID});
        });
    if (!read) {
        qCWarning(lcRenewal, "Finding the rows to renew failed: %s", qUtf8Printable(store.lastError()));
        return -1;
    }
    std::sort(passed.begin(), passed.end());

    const QString nowText = numtext::fixed5(now);
    int inserted = 0;
    for (const Passed& row : passed) {
        const int renewed = renewChain(store, row.id, today, nowText);
        if (renewed < 0) {
            qCWarning(lcRenewal, "Renewing row %lld failed: %s", row.id, qUtf8Printable(store.lastError()));
            return -1;
        }
        inserted += renewed;
    }
    return inserted;
}

} // namespace moravel
