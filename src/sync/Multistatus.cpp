#include "Multistatus.h"

#include <QXmlStreamReader>

namespace moravel::sync {

namespace {

const QString kDav = QStringLiteral("DAV:");
const QString kCalDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");

// "HTTP/1.1 404 Not Found" -> 404.
int statusCode(const QString& line) {
    const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return parts.size() >= 2 ? parts.at(1).toInt() : 0;
}

} // namespace

Multistatus parseMultistatus(const QByteArray& xml) {
    Multistatus result;
    QXmlStreamReader reader(xml);
    Member member;
    int propstatStatus = 0;
    bool inResponse = false, inPropstat = false, inResourceType = false;
    bool propstatHasEtag = false;
    while (!reader.atEnd()) {
        reader.readNext();
        const QStringView ns = reader.namespaceUri();
        const QStringView name = reader.name();
        if (reader.isStartElement()) {
            if (ns == kDav && name == QLatin1String("multistatus")) {
                result.valid = true;
            } else if (ns == kDav && name == QLatin1String("response")) {
                member = Member();
                inResponse = true;
            } else if (inResponse && ns == kDav && name == QLatin1String("href")) {
                member.href = reader.readElementText().trimmed();
            } else if (inResponse && ns == kDav && name == QLatin1String("propstat")) {
                inPropstat = true;
                propstatStatus = 0;
                propstatHasEtag = false;
            } else if (inResponse && ns == kDav && name == QLatin1String("status")) {
                const int code = statusCode(reader.readElementText());
                if (inPropstat)
                    propstatStatus = code;
                else
                    member.status = code;
            } else if (inPropstat && ns == kDav && name == QLatin1String("getetag")) {
                member.etag = reader.readElementText().trimmed();
                propstatHasEtag = true;
            } else if (inPropstat && ns == kCalDav && name == QLatin1String("calendar-data")) {
                member.calendarData = reader.readElementText().toUtf8();
            } else if (inPropstat && ns == kDav && name == QLatin1String("displayname")) {
                member.displayName = reader.readElementText();
            } else if (inPropstat && ns == kDav && name == QLatin1String("resourcetype")) {
                inResourceType = true;
            } else if (inResourceType && ns == kCalDav && name == QLatin1String("calendar")) {
                member.isCalendar = true;
            } else if (!inResponse && ns == kDav && name == QLatin1String("sync-token")) {
                result.syncToken = reader.readElementText().trimmed();
            }
        } else if (reader.isEndElement()) {
            if (ns == kDav && name == QLatin1String("resourcetype")) {
                inResourceType = false;
            } else if (ns == kDav && name == QLatin1String("propstat")) {
                // The properties that were found tell the member's state.
                if (propstatStatus == 200 || (member.status == 0 && propstatHasEtag))
                    member.status = propstatStatus;
                inPropstat = false;
            } else if (ns == kDav && name == QLatin1String("response")) {
                result.members.push_back(member);
                inResponse = false;
            }
        }
    }
    if (reader.hasError())
        result.valid = false;
    return result;
}

} // namespace moravel::sync
