#include "CalendarImport.h"

#include "Alarms.h"
#include "CalendarParse.h"
#include "DateSerial.h"
#include "ForeignMerge.h"
#include "Occurrences.h"
#include "RowShape.h"

#include "Losses.h"

#include <QCryptographicHash>

#include <unordered_map>

namespace moravel::ical {

namespace {

// The events of one UID: the master and the occurrences it overrides (RECURRENCE-ID).
struct Series {
    QString uid;
    icalcomponent* master = nullptr;
    std::vector<icalcomponent*> overrides;
};

// The occurrence an event's row is made of.
struct Chosen {
    icalcomponent* component;
    Moment moment;      // in `zone`
    icaltimezone* zone; // nullptr: floating or a day
    int digit = 0;
    bool unknownRecurrence = false;
};

QString uidOf(icalcomponent* event) {
    if (const char* uid = icalcomponent_get_uid(event); uid && *uid)
        return QString::fromUtf8(uid);
    // RFC 5545 requires a UID; one made from the content is the same on every import.
    char* text = icalcomponent_as_ical_string_r(event);
    const QByteArray hash = QCryptographicHash::hash(QByteArrayView(text), QCryptographicHash::Sha1).toHex();
    icalmemory_free_buffer(text);
    return QStringLiteral("moravel-") + QString::fromLatin1(hash);
}

bool isCancelled(icalcomponent* event) {
    return icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED;
}

// Which of two versions of one event is the later (RFC 5545, 3.8.7.4 SEQUENCE, then 3.8.7.2
// DTSTAMP); of two alike the one later in the file.
bool supersedes(icalcomponent* candidate, icalcomponent* present) {
    const auto version = [](icalcomponent* event) {
        const icaltimetype stamp = icalcomponent_get_dtstamp(event);
        return std::pair(icalcomponent_get_sequence(event),
                         icaltime_is_null_time(stamp)
                             ? time_t(0)
                             : icaltime_as_timet_with_zone(stamp, icaltimezone_get_utc_timezone()));
    };
    return version(candidate) >= version(present);
}

QByteArray recurrenceIdOf(icalcomponent* event) {
    icalproperty* id = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
    if (!id)
        return {};
    char* text = icalproperty_as_ical_string_r(id);
    const QByteArray key(text);
    icalmemory_free_buffer(text);
    return key;
}

// One pass over the events, whatever their number: of two versions of an event (one UID and one
// RECURRENCE-ID, or none) only the later is kept.
std::vector<Series> seriesOf(const std::vector<icalcomponent*>& events) {
    std::vector<Series> all;
    std::unordered_map<QString, size_t> byUid;
    for (icalcomponent* event : events) {
        const auto [at, fresh] = byUid.try_emplace(uidOf(event), all.size());
        if (fresh)
            all.push_back(Series{at->first, nullptr, {}});
        Series& series = all[at->second];
        const QByteArray id = recurrenceIdOf(event);
        icalcomponent** slot = &series.master;
        if (!id.isEmpty()) {
            const auto same = std::find_if(series.overrides.begin(), series.overrides.end(),
                                           [&](icalcomponent* o) { return recurrenceIdOf(o) == id; });
            slot = same == series.overrides.end() ? &series.overrides.emplace_back(nullptr) : &*same;
        }
        if (*slot && !supersedes(event, *slot)) {
            qCInfo(lcIcal) << "event" << series.uid << "left out: a later version of it is in the file";
            continue;
        }
        if (*slot)
            qCInfo(lcIcal) << "event" << series.uid << "taken in its later version";
        *slot = event;
    }
    return all;
}

// A series with overrides of occurrences from today on: its earliest occurrence from today, the
// overrides' own times counted and the times they replace left out, taken once only. A cancelled
// override only takes its occurrence out.
std::optional<Chosen> earliestWithOverrides(const Series& series, icalcomponent* calendar,
                                            const CalendarContext& context) {
    Occurrences master(series.master, calendar);
    const QDate today = context.today();
    std::set<Moment> replaced;
    std::optional<Chosen> best;
    std::optional<Moment> bestLocal;
    const auto consider = [&](icalcomponent* component, const Moment& moment, icaltimezone* zone) {
        const Moment local = context.zone.wallTime(icalTimeOf(moment), zone);
        if (local.date >= today && (!bestLocal || local < *bestLocal)) {
            best = Chosen{component, moment, zone, 0, true};
            bestLocal = local;
        }
        return local.date >= today;
    };
    bool future = false;
    for (icalcomponent* instance : series.overrides) {
        icalproperty* id = icalcomponent_get_first_property(instance, ICAL_RECURRENCEID_PROPERTY);
        const Moment replacedMoment =
            momentIn(id, icalproperty_get_recurrenceid(id), calendar, master.zone());
        replaced.insert(replacedMoment);
        future = context.zone.wallTime(icalTimeOf(replacedMoment), master.zone()).date >= today || future;
        const Occurrences own(instance, calendar);
        if (own.isValid() && !isCancelled(instance))
            future = consider(instance, own.start(), own.zone()) || future;
    }
    if (!future)
        return std::nullopt;
    master.skipBefore(today);
    while (const std::optional<Moment> moment = master.next()) {
        if (replaced.count(*moment) == 0 && consider(series.master, *moment, master.zone()))
            break;
    }
    return best.value_or(Chosen{series.master, master.start(), master.zone(), 0, true});
}

// Whether every occurrence the overrides replace, and every one they give, lies on a day here
// before that of `moment`.
bool overridesEndBefore(const Series& series, icalcomponent* calendar, const CalendarContext& context,
                        const Moment& moment, icaltimezone* zone) {
    const QDate day = context.zone.wallTime(icalTimeOf(moment), zone).date;
    for (icalcomponent* instance : series.overrides) {
        icalproperty* id = icalcomponent_get_first_property(instance, ICAL_RECURRENCEID_PROPERTY);
        if (context.zone
                .wallTime(icalTimeOf(momentIn(id, icalproperty_get_recurrenceid(id), calendar, zone)), zone)
                .date >= day)
            return false;
        const Occurrences own(instance, calendar);
        if (own.isValid() && !isCancelled(instance) &&
            context.zone.wallTime(icalTimeOf(own.start()), own.zone()).date >= day)
            return false;
    }
    return true;
}

std::optional<Chosen> choose(const Series& series, icalcomponent* calendar, const CalendarContext& context) {
    Occurrences occurrences(series.master, calendar);
    if (!occurrences.isValid())
        return std::nullopt;
    QDate from = context.today();
    if (!series.overrides.empty()) {
        std::optional<Chosen> chosen = earliestWithOverrides(series, calendar, context);
        if (chosen && !(chosen->component == series.master &&
                        overridesEndBefore(series, calendar, context, chosen->moment, occurrences.zone())))
            return chosen;
        // Every exception lies before the master's occurrence taken: the series may go on
        // from there as one of the types.
        if (chosen)
            from = context.zone.wallTime(icalTimeOf(chosen->moment), occurrences.zone()).date;
    }
    const NextOccurrence next = nextOccurrence(occurrences, context.zone, from);
    return Chosen{series.master, next.moment, occurrences.zone(), next.digit, next.unknownRecurrence};
}

QString describe(const Series& series) {
    const QString subject = textOf(icalcomponent_get_summary(series.master));
    return subject.isEmpty() ? QStringLiteral("UID „%1“").arg(series.uid)
                             : QStringLiteral("„%1“").arg(subject);
}

// What of a series libical could not read: of its events and, apart, of their alarms.
struct SeriesLosses {
    std::vector<Loss> own;
    std::vector<Loss> alarms;
};

SeriesLosses lossesOf(const Series& series, SourceLines& lines) {
    SeriesLosses losses;
    std::vector<icalcomponent*> events = series.overrides;
    events.push_back(series.master);
    for (icalcomponent* event : events) {
        for (const Loss& loss : lossesOf(event, lines))
            losses.own.push_back(loss);
        for (icalcomponent* c = icalcomponent_get_first_component(event, ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(event, ICAL_ANY_COMPONENT)) {
            std::vector<Loss>& into =
                icalcomponent_isa(c) == ICAL_VALARM_COMPONENT ? losses.alarms : losses.own;
            for (const Loss& loss : lossesOf(c, lines))
                into.push_back(loss);
        }
    }
    return losses;
}

// Why an event without a start is left out: "Zeile 12 (DTSTART): „Zahnarzt“ ohne lesbaren
// Beginn", "„Zahnarzt“: kein Beginn".
QString whyUnreadable(const Series& series, const SeriesLosses& losses) {
    for (const Loss& loss : losses.own) {
        if (loss.property == QLatin1String("DTSTART"))
            return whereLost(loss) + QStringLiteral(": ") + describe(series) +
                   QStringLiteral(" ohne lesbaren Beginn");
    }
    return describe(series) + QStringLiteral(": kein Beginn");
}

QStringList toldLosses(const Series& series, const SeriesLosses& losses, const Chosen& chosen) {
    QStringList told;
    const QString subject = describe(series) + QStringLiteral(": ");
    for (const Loss& loss : losses.own) {
        const bool rule = loss.property == QLatin1String("RRULE") && chosen.digit == 0;
        told << subject + whereLost(loss) +
                    (rule ? QStringLiteral(" nicht lesbar, als einmaliger Termin übernommen")
                          : QStringLiteral(" nicht lesbar, ausgelassen"));
    }
    for (const Loss& loss : losses.alarms)
        told << subject + QStringLiteral("Erinnerung in ") + whereLost(loss) +
                    QStringLiteral(" nicht lesbar, ohne ihren Vorlauf übernommen");
    return told;
}

ImportedEvent eventOf(const Chosen& chosen, const QString& uid, const CalendarContext& context) {
    icalcomponent* component = chosen.component;
    const Moment local = context.zone.wallTime(icalTimeOf(chosen.moment), chosen.zone);
    RowShape shape;
    shape.day = serial::dayNumber(local.date);
    shape.seconds = local.seconds;
    shape.recurrence = chosen.digit;
    const Leads leads = readAlarms(component, local.isWholeDay());
    shape.leadDaysSeconds = leads.daysSeconds;
    shape.leadMinutesSeconds = leads.minutesSeconds;

    const Appointment plain =
        plainRow(shape, textOf(icalcomponent_get_summary(component)),
                 textOf(icalcomponent_get_description(component)), serial::fromDateTime(context.now));
    // An exact text comes back only while it says what the event says: after another program
    // moved the event, changed its alarm or its subject, the event's own properties count.
    Appointment row = plain;
    for (const CarriedField& field : carriedFields()) {
        if (const std::optional<QString> text = carriedText(xValue(component, field.property))) {
            Appointment candidate = row;
            candidate.*field.field = *text;
            if (saysTheSame(candidate, plain))
                row = candidate;
        }
    }
    const std::optional<QString> chain = carriedText(xValue(component, kChainProperty));
    return ImportedEvent{row, uid, chain.value_or(uid), chosen.unknownRecurrence, {}, {}};
}

} // namespace

ImportResult importCalendar(QByteArrayView bytes, const CalendarContext& context,
                            const ImportProgress& progress) {
    ParsedFile file = parseCalendarFile(bytes);
    if (!file.error.isEmpty())
        return {{}, 0, 0, {}, {}, file.error};

    ImportResult result;
    SourceLines lines(bytes);
    std::vector<std::pair<icalcomponent*, std::vector<icalcomponent*>>> calendars;
    qint64 total = 0;
    for (const ComponentPtr& calendar : file.calendars) {
        std::vector<Loss> fileLosses = lossesOf(calendar.get(), lines);
        std::vector<icalcomponent*> events;
        for (icalcomponent* c = icalcomponent_get_first_component(calendar.get(), ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar.get(), ICAL_ANY_COMPONENT)) {
            const icalcomponent_kind kind = icalcomponent_isa(c);
            if (kind == ICAL_VEVENT_COMPONENT)
                events.push_back(c);
            else if (kind == ICAL_VTIMEZONE_COMPONENT)
                for (const Loss& loss : lossesOf(c, lines))
                    fileLosses.push_back(loss);
            else
                ++result.skippedEntries;
        }
        for (const Loss& loss : fileLosses)
            result.fileLosses << whereLost(loss) + QStringLiteral(" nicht lesbar");
        total += static_cast<qint64>(events.size());
        calendars.emplace_back(calendar.get(), std::move(events));
    }

    // Often enough for a progress bar, seldom enough for a signal across threads.
    constexpr qint64 kProgressStep = 512;
    qint64 done = 0;
    for (const auto& [calendar, events] : calendars) {
        for (Series& series : seriesOf(events)) {
            // Overrides without their master are single events of their own.
            std::vector<Series> parts;
            if (series.master)
                parts.push_back(series);
            else
                for (icalcomponent* lone : series.overrides)
                    parts.push_back(Series{series.uid, lone, {}});
            for (const Series& part : parts) {
                const qint64 before = done;
                done += 1 + static_cast<qint64>(part.overrides.size());
                if (progress && done / kProgressStep != before / kProgressStep)
                    progress(done, total);
                if (isCancelled(part.master)) {
                    ++result.cancelled;
                    continue;
                }
                const SeriesLosses losses = lossesOf(part, lines);
                const std::optional<Chosen> chosen = choose(part, calendar, context);
                if (!chosen) {
                    result.unreadable << whyUnreadable(part, losses);
                    qCWarning(lcIcal) << "not taken:" << result.unreadable.back();
                    continue;
                }
                result.events.push_back(eventOf(*chosen, part.uid, context));
                std::vector<icalcomponent*> parts = part.overrides;
                parts.insert(parts.begin(), part.master);
                result.events.back().component = chainComponent(calendar, parts);
                result.events.back().losses = toldLosses(part, losses, *chosen);
            }
        }
    }
    if (progress)
        progress(total, total);
    if (result.events.empty() && !result.unreadable.isEmpty())
        result.error = QStringLiteral("Kein Termin der Datei ist lesbar: ") +
                       result.unreadable.join(QStringLiteral("; ")) + QLatin1Char('.');
    return result;
}

ImportResult importChain(QByteArrayView bytes, const CalendarContext& context) {
    ImportResult result = importCalendar(bytes, context);
    if (result.ok() && result.events.size() != 1) {
        result.error = result.events.empty()
                           ? QStringLiteral("Der Kalendereintrag enthält keinen Termin.")
                           : QStringLiteral("Der Kalendereintrag enthält %1 Termine statt eines.")
                                 .arg(result.events.size());
        result.events.clear();
    }
    return result;
}

} // namespace moravel::ical
