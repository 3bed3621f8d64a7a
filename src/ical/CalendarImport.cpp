#include "CalendarImport.h"

#include "Alarms.h"
#include "CalendarParse.h"
#include "DateSerial.h"
#include "ForeignMerge.h"
#include "Occurrences.h"
#include "RowShape.h"

#include <QCryptographicHash>

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

std::vector<Series> seriesOf(const std::vector<icalcomponent*>& events) {
    std::vector<Series> all;
    for (icalcomponent* event : events) {
        const QString uid = uidOf(event);
        const bool isOverride =
            icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY) != nullptr;
        // A second master of one UID (which RFC 5545 does not allow) stays an event of its own.
        auto series = std::find_if(all.begin(), all.end(), [&](const Series& s) {
            return s.uid == uid && (isOverride || !s.master);
        });
        if (series == all.end())
            series = all.insert(all.end(), Series{uid, nullptr, {}});
        if (isOverride)
            series->overrides.push_back(event);
        else
            series->master = event;
    }
    return all;
}

// A series with overrides of occurrences from today on: its earliest occurrence from today, the
// overrides' own times counted and the times they replace left out, taken once only.
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
        if (own.isValid())
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

std::optional<Chosen> choose(const Series& series, icalcomponent* calendar, const CalendarContext& context) {
    Occurrences occurrences(series.master, calendar);
    if (!occurrences.isValid())
        return std::nullopt;
    if (!series.overrides.empty()) {
        if (std::optional<Chosen> chosen = earliestWithOverrides(series, calendar, context))
            return chosen;
    }
    const NextOccurrence next = nextOccurrence(occurrences, context.zone, context.today());
    return Chosen{series.master, next.moment, occurrences.zone(), next.digit, next.unknownRecurrence};
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
    return ImportedEvent{row, uid, chain.value_or(uid), chosen.unknownRecurrence, {}};
}

QString describe(const Series& series) {
    icalcomponent* event = series.master ? series.master : series.overrides.front();
    const QString subject = textOf(icalcomponent_get_summary(event));
    return subject.isEmpty() ? QStringLiteral("mit der UID „%1“").arg(series.uid)
                             : QStringLiteral("„%1“").arg(subject);
}

} // namespace

ImportResult importCalendar(QByteArrayView bytes, const CalendarContext& context) {
    ParsedFile file = parseCalendarFile(bytes);
    if (!file.error.isEmpty())
        return {{}, 0, file.error};

    ImportResult result;
    for (const ComponentPtr& calendar : file.calendars) {
        std::vector<icalcomponent*> events;
        for (icalcomponent* c = icalcomponent_get_first_component(calendar.get(), ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar.get(), ICAL_ANY_COMPONENT)) {
            const icalcomponent_kind kind = icalcomponent_isa(c);
            if (kind == ICAL_VEVENT_COMPONENT)
                events.push_back(c);
            else if (kind != ICAL_VTIMEZONE_COMPONENT)
                ++result.skippedEntries;
        }
        for (Series& series : seriesOf(events)) {
            // Overrides without their master are single events of their own.
            std::vector<Series> parts;
            if (series.master)
                parts.push_back(series);
            else
                for (icalcomponent* lone : series.overrides)
                    parts.push_back(Series{series.uid, lone, {}});
            for (const Series& part : parts) {
                const std::optional<Chosen> chosen = choose(part, calendar.get(), context);
                if (!chosen) {
                    const QString reason =
                        QStringLiteral("Der Termin %1 hat keinen gültigen Beginn (DTSTART).")
                            .arg(describe(part));
                    qCWarning(lcIcal) << "not read:" << reason;
                    return {{}, 0, reason};
                }
                result.events.push_back(eventOf(*chosen, part.uid, context));
                std::vector<icalcomponent*> parts = part.overrides;
                parts.insert(parts.begin(), part.master);
                result.events.back().component = chainComponent(calendar.get(), parts);
            }
        }
    }
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
