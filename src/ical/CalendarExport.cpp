#include "CalendarExport.h"

#include "Alarms.h"
#include "ChainForm.h"
#include "DateSerial.h"
#include "NumberText.h"
#include "RowShape.h"

namespace moravel::ical {

namespace {

bool isLocked(const Appointment& row) {
    return numtext::parse(row.sysGesperrt) != 0.0;
}

Moment momentOf(const RowShape& shape) {
    return Moment{serial::dateOfDay(shape.day), shape.seconds};
}

// A date or date-time property of the event, in the local zone when it has a time.
icalproperty* timeProperty(icalproperty* property, const CalendarContext& context, bool timed) {
    if (timed && context.zone.ical())
        icalproperty_add_parameter(property, icalparameter_new_tzid(context.zone.id().constData()));
    return property;
}

void addSeries(icalcomponent* event, const RowShape& shape, const ChainForm& form,
               const CalendarContext& context) {
    const Moment start = momentOf(shape);
    const bool timed = !start.isWholeDay();
    icalcomponent_add_property(event, icalproperty_new_rrule(form.rule));
    for (const QDate& day : form.extraDays) {
        icaldatetimeperiodtype value;
        value.time = icalTimeOf(Moment{day, start.seconds});
        value.period = icalperiodtype_null_period();
        icalcomponent_add_property(event, timeProperty(icalproperty_new_rdate(value), context, timed));
    }
}

icalcomponent* eventOf(const ExportRow& item, const RowShape& shape, const CalendarContext& context) {
    const Appointment& row = item.row;
    const Moment start = momentOf(shape);
    icalcomponent* event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(event, icalproperty_new_uid(eventUid(item).toUtf8().constData()));
    const QDateTime stamp = context.zone.toUtc(context.now);
    icalcomponent_add_property(event, icalproperty_new_dtstamp(icaltime_from_timet_with_zone(
                                          stamp.toSecsSinceEpoch(), 0, icaltimezone_get_utc_timezone())));
    const ChainForm form = shape.recurrence != 0 ? chainForm(start.date, shape.recurrence) : ChainForm{};
    const Moment first{shape.recurrence != 0 ? form.ruleStart : start.date, start.seconds};
    icalcomponent_add_property(
        event, timeProperty(icalproperty_new_dtstart(icalTimeOf(first)), context, !start.isWholeDay()));
    // libical cannot read an empty text back: an empty subject or remark is left out.
    const QString subject = asReadBack(row.Betreff);
    const QString remarks = asReadBack(row.Bemerkungen);
    if (!subject.isEmpty())
        icalcomponent_add_property(event, icalproperty_new_summary(subject.toUtf8().constData()));
    if (!remarks.isEmpty())
        icalcomponent_add_property(event, icalproperty_new_description(remarks.toUtf8().constData()));
    if (shape.recurrence != 0)
        addSeries(event, shape, form, context);
    addAlarms(event, Leads{shape.leadDaysSeconds, shape.leadMinutesSeconds}, subject);

    const Appointment plain = plainRow(shape, subject, remarks, serial::fromDateTime(context.now));
    for (const CarriedField& field : carriedFields()) {
        if (row.*field.field != plain.*field.field)
            addXProperty(event, field.property, carriedValue(row.*field.field));
    }
    if (isLocked(row))
        addXProperty(event, kChainProperty, carriedValue(item.chainUid));
    return event;
}

} // namespace

QString eventUid(const ExportRow& item) {
    if (!isLocked(item.row))
        return item.chainUid;
    const std::optional<RowShape> shape = shapeOf(item.row);
    if (!shape)
        return item.chainUid;
    const Moment start = momentOf(*shape);
    const QString format =
        start.isWholeDay() ? QStringLiteral("yyyyMMdd") : QStringLiteral("yyyyMMdd'T'hhmmss");
    return item.chainUid + QLatin1Char('-') +
           QDateTime(start.date, QTime(0, 0).addSecs(std::max(start.seconds, 0))).toString(format);
}

ExportResult exportCalendar(const std::vector<ExportRow>& rows, const CalendarContext& context) {
    ExportResult result;
    std::vector<ComponentPtr> events;
    std::optional<QDate> earliestTimed;
    for (const ExportRow& item : rows) {
        const std::optional<RowShape> shape = shapeOf(item.row);
        if (!shape) {
            qCWarning(lcIcal) << "row" << item.row.ID << "not exported: its day" << item.row.TerminDatum
                              << "is no date";
            ++result.skipped;
            continue;
        }
        events.emplace_back(eventOf(item, *shape, context));
        const QDate day = serial::dateOfDay(shape->day);
        if (shape->seconds >= 0 && (!earliestTimed || day < *earliestTimed))
            earliestTimed = day;
        ++result.exported;
    }

    ComponentPtr calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid("-//Brisko//Moravel//DE"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
    if (earliestTimed) {
        if (ComponentPtr zone = context.zone.vtimezone(*earliestTimed))
            icalcomponent_add_component(calendar.get(), zone.release());
    }
    for (ComponentPtr& event : events)
        icalcomponent_add_component(calendar.get(), event.release());

    char* text = icalcomponent_as_ical_string_r(calendar.get());
    result.text = QByteArray(text);
    icalmemory_free_buffer(text);
    return result;
}

ExportResult exportChain(const ExportRow& live, const CalendarContext& context) {
    return exportCalendar({live}, context);
}

} // namespace moravel::ical
