#include "CalendarParse.h"

#include <QStringDecoder>

#include <cstring>

namespace moravel::ical {

namespace {

// Feeds libical's parser the file one physical line at a time.
struct LineSource {
    QByteArrayView rest;
};

char* nextLine(char* out, size_t size, void* data) {
    LineSource& source = *static_cast<LineSource*>(data);
    if (source.rest.isEmpty() || size < 2)
        return nullptr;
    const qsizetype end = source.rest.indexOf('\n');
    qsizetype length = end < 0 ? source.rest.size() : end + 1;
    length = std::min<qsizetype>(length, static_cast<qsizetype>(size) - 1);
    std::memcpy(out, source.rest.data(), static_cast<size_t>(length));
    out[length] = '\0';
    source.rest = source.rest.sliced(length);
    return out;
}

bool startsWith(const char* line, const char* prefix) {
    return qstrnicmp(line, prefix, std::strlen(prefix)) == 0;
}

QString describe(icalcomponent* component, int ordinal) {
    const char* summary = icalcomponent_get_summary(component);
    const QString kind = QString::fromUtf8(icalcomponent_kind_to_string(icalcomponent_isa(component)));
    if (summary && *summary)
        return QStringLiteral("Im Eintrag „%1“ (%2)").arg(QString::fromUtf8(summary), kind);
    return QStringLiteral("Im %1. Eintrag (%2)").arg(ordinal).arg(kind);
}

// The first error libical marked in the tree that loses content: a line that is no property,
// or a value it could not read (the property is then dropped). An unknown property or
// parameter only goes to the log: RFC 5545 lets new ones appear.
QString firstLoss(icalcomponent* component, int ordinal) {
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY)) {
        icalparameter* type = icalproperty_get_first_parameter(p, ICAL_XLICERRORTYPE_PARAMETER);
        const icalparameter_xlicerrortype kind =
            type ? icalparameter_get_xlicerrortype(type) : ICAL_XLICERRORTYPE_COMPONENTPARSEERROR;
        const char* text = icalproperty_get_xlicerror(p);
        // libical reads no empty value ("SUMMARY:"): such a property says nothing, and one that is
        // needed (DTSTART) is missed later.
        const bool empty = text && startsWith(text, "No value for");
        if (kind == ICAL_XLICERRORTYPE_COMPONENTPARSEERROR ||
            (kind == ICAL_XLICERRORTYPE_VALUEPARSEERROR && !empty)) {
            qCWarning(lcIcal) << "unreadable:" << text;
            return describe(component, ordinal) + QStringLiteral(" ist eine Zeile nicht lesbar.");
        }
        qCInfo(lcIcal) << "ignored:" << text;
    }
    int child = 0;
    for (icalcomponent* c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT)) {
        const QString loss = firstLoss(c, ++child);
        if (!loss.isEmpty())
            return loss;
    }
    return {};
}

ParsedFile failure(const QString& reason) {
    qCWarning(lcIcal) << "not read:" << reason;
    return {{}, reason};
}

} // namespace

ParsedFile parseCalendarFile(QByteArrayView bytes) {
    if (bytes.trimmed().isEmpty())
        return failure(QStringLiteral("Die Datei ist leer."));
    if (bytes.contains('\0'))
        return failure(QStringLiteral("Die Datei ist keine iCalendar-Datei, sondern enthält Binärdaten."));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);

    // libical's parser skips silently what stands outside an entry and an entry the file ends in;
    // walking the lines here tells both apart from a whole file.
    ParsedFile file;
    std::unique_ptr<icalparser, decltype(&icalparser_free)> parser(icalparser_new(), &icalparser_free);
    LineSource source{bytes};
    icalparser_set_gen_data(parser.get(), &source);
    bool inside = false;
    QString reason;
    while (char* line = icalparser_get_line(parser.get(), &nextLine)) {
        const bool blank = line[0] == '\0';
        // Checked once unfolded: a fold may split a UTF-8 sequence (RFC 5545, 3.1).
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(QByteArrayView(line));
        if (utf8.hasError())
            reason = QStringLiteral("Sie ist nicht in UTF-8 geschrieben, wie iCalendar es verlangt.");
        else if (!inside && !blank && !startsWith(line, "BEGIN:"))
            reason = QStringLiteral("Außerhalb eines Kalenders steht Text, der kein iCalendar ist.");
        else if (!inside && !blank && !startsWith(line, "BEGIN:VCALENDAR"))
            reason = QStringLiteral("Sie beginnt nicht mit einem Kalender (BEGIN:VCALENDAR).");
        inside = inside || !blank;
        icalcomponent* done = icalparser_add_line(parser.get(), line);
        icalmemory_free_buffer(line);
        if (done) {
            file.calendars.emplace_back(done);
            inside = false;
        }
        if (!reason.isEmpty())
            break;
    }
    if (!reason.isEmpty())
        return failure(QStringLiteral("Die Datei ist keine gültige iCalendar-Datei: ") + reason);
    if (inside)
        return failure(QStringLiteral("Die Datei ist unvollständig: Sie endet mitten in einem Eintrag."));
    if (file.calendars.empty())
        return failure(QStringLiteral("Die Datei ist keine iCalendar-Datei."));

    int ordinal = 0;
    for (const ComponentPtr& calendar : file.calendars) {
        if (icalcomponent_isa(calendar.get()) != ICAL_VCALENDAR_COMPONENT)
            return failure(QStringLiteral("Die Datei ist beschädigt: Ein Eintrag ist nicht abgeschlossen."));
        icalproperty* versionProperty =
            icalcomponent_get_first_property(calendar.get(), ICAL_VERSION_PROPERTY);
        const char* version = versionProperty ? icalproperty_get_version(versionProperty) : nullptr;
        if (version && std::strcmp(version, "2.0") != 0)
            return failure(QStringLiteral("Die Datei ist im älteren vCalendar-Format %1 geschrieben, nicht "
                                          "in iCalendar 2.0.")
                               .arg(QString::fromUtf8(version)));
        const QString loss = firstLoss(calendar.get(), ++ordinal);
        if (!loss.isEmpty())
            return failure(QStringLiteral("Die Datei ist beschädigt: ") + loss);
    }
    return file;
}

} // namespace moravel::ical
