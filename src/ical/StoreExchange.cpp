#include "StoreExchange.h"

#include "CalendarExport.h"
#include "CalendarImport.h"
#include "Clock.h"
#include "DateSerial.h"
#include "IcalHandles.h"
#include "Renewal.h"
#include "Summary.h"

#include <QUuid>

#include <set>

namespace moravel::ical {

namespace {

// The namespace of the UIDs of a file that is only read: the same row gives the same UID.
const QUuid kReadOnlyNamespace(QStringLiteral("{6f1c2a0e-3c1b-4f7e-9a55-0d7c2b8e4a31}"));

bool giveMissingUids(TerminStore& store, std::vector<TerminStore::UidRow>& rows) {
    const bool lacking =
        std::any_of(rows.begin(), rows.end(), [](const TerminStore::UidRow& r) { return r.uid.isEmpty(); });
    if (!lacking)
        return true;
    if (!store.isWritable()) {
        for (TerminStore::UidRow& r : rows) {
            if (r.uid.isEmpty())
                r.uid = QUuid::createUuidV5(kReadOnlyNamespace, store.path() + QString::number(r.row.ID))
                            .toString(QUuid::WithoutBraces);
        }
        return true;
    }
    TerminStore::WriteTransaction transaction(store);
    if (!transaction.isOpen())
        return false;
    for (TerminStore::UidRow& r : rows) {
        if (r.uid.isEmpty()) {
            r.uid = TerminStore::newChainUid();
            if (!store.setChainUid(r.row.ID, r.uid))
                return false;
        }
    }
    return transaction.commit();
}

QString failure(const QString& what, const TerminStore& store) {
    return what + QStringLiteral(": ") + store.lastError();
}

} // namespace

CalendarContext localContext() {
    return CalendarContext{LocalZone(), Clock::currentDateTime()};
}

StoreExport exportStore(TerminStore& store, const CalendarContext& context) {
    StoreExport result;
    std::vector<TerminStore::UidRow> rows;
    if (!store.rowsWithUids(rows) || !giveMissingUids(store, rows)) {
        result.error = failure(QStringLiteral("Die Termine konnten nicht gelesen werden"), store);
        return result;
    }
    std::vector<ExportRow> items;
    items.reserve(rows.size());
    for (TerminStore::UidRow& r : rows)
        items.push_back(ExportRow{std::move(r.row), std::move(r.uid)});
    const ExportResult exported = exportCalendar(items, context);
    result.text = exported.text;
    result.summary = exportSummary(exported.exported, exported.skipped);
    return result;
}

StoreImport importIntoStore(TerminStore& store, QByteArrayView bytes, const CalendarContext& context,
                            const ImportProgress& progress) {
    StoreImport result;
    // Reading the events and writing their rows take about as long: each is half the run.
    qint64 read = 0;
    const ImportResult file = importCalendar(bytes, context, [&](qint64 done, qint64 total) {
        read = total;
        if (progress)
            progress(done, 2 * total);
    });
    if (!file.ok()) {
        result.error = file.error;
        return result;
    }
    std::vector<TerminStore::UidRow> rows;
    if (!store.rowsWithUids(rows)) {
        result.error = failure(QStringLiteral("Die Termine konnten nicht gelesen werden"), store);
        return result;
    }
    std::set<QString> present;
    for (const TerminStore::UidRow& r : rows) {
        if (!r.uid.isEmpty())
            present.insert(eventUid(ExportRow{r.row, r.uid}));
    }
    // A UID that comes twice in the file is taken once.
    std::vector<bool> take;
    const ImportCounts counts = countImport(file, [&](const QString& uid) {
        const bool known = !present.insert(uid).second;
        take.push_back(!known);
        return known;
    });

    TerminStore::WriteTransaction transaction(store);
    bool written = transaction.isOpen();
    const qint64 events = static_cast<qint64>(file.events.size());
    constexpr qint64 kProgressStep = 512;
    for (size_t i = 0; written && i < file.events.size(); ++i) {
        if (progress && (i + 1) % kProgressStep == 0)
            progress(read + static_cast<qint64>(i + 1) * read / events, 2 * read);
        if (!take[i])
            continue;
        const ImportedEvent& event = file.events[i];
        const std::optional<qint64> id = store.insert(event.row);
        written = id && store.setChainUid(*id, event.chainUid) &&
                  store.putForeignComponent({event.chainUid, event.component,
                                             event.row.TerminDatum.toLongLong(), event.unknownRecurrence});
    }
    if (!written || !transaction.commit()) {
        qCWarning(lcIcal) << "import not written:" << store.lastError();
        result.error = failure(QStringLiteral("Die Termine konnten nicht gespeichert werden"), store);
        return result;
    }
    if (progress)
        progress(2 * read, 2 * read);
    result.taken = counts.taken;
    result.summary = importSummary(counts);
    if (renewPassedAppointments(store, serial::dayNumber(context.today()),
                                serial::fromDateTime(context.now)) < 0)
        result.summary +=
            QStringLiteral("; ") +
            failure(QStringLiteral("wiederkehrende Termine konnten nicht erneuert werden"), store);
    return result;
}

} // namespace moravel::ical
