#include "CalendarParse.h"

#include <QStringDecoder>

#include <algorithm>
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

// Checked once unfolded: a fold may split a UTF-8 sequence (RFC 5545, 3.1). Most lines are
// ASCII and need no decoder.
bool isUtf8(QByteArrayView line) {
    if (std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(line);
    return !utf8.hasError();
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
        // libical hands an empty last line of a file with LF line ends on as "\n".
        const bool blank = QByteArrayView(line).trimmed().isEmpty();
        if (!isUtf8(line))
            reason = QStringLiteral("Sie ist nicht in UTF-8 geschrieben, wie iCalendar es verlangt.");
        else if (!inside && !blank && !startsWith(line, "BEGIN:"))
            reason = QStringLiteral("Außerhalb eines Kalenders steht Text, der kein iCalendar ist.");
        else if (!inside && !blank && !startsWith(line, "BEGIN:VCALENDAR"))
            reason = QStringLiteral("Sie beginnt nicht mit einem Kalender (BEGIN:VCALENDAR).");
        inside = inside || !blank;
        // Some mail programs write what their own libical could not read as X-LIC-ERROR; such a
        // line is an X- property like any other, not a loss of this reading.
        icalcomponent* done =
            startsWith(line, "X-LIC-ERROR") ? nullptr : icalparser_add_line(parser.get(), line);
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
    }
    return file;
}

} // namespace moravel::ical
