#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace moravel::sync {

// One member of a WebDAV multistatus answer (RFC 4918, 13), as a sync reads it.
struct Member {
    QString href;
    int status = 0;          // of the member, or of its properties when they carry one
    QString etag;            // getetag, quotes kept
    QByteArray calendarData; // CalDAV calendar-data
    bool isCalendar = false; // resourcetype holds a calendar
    QString displayName;
};

struct Multistatus {
    std::vector<Member> members;
    QString syncToken; // RFC 6578, empty when the answer has none
    bool valid = false;
};

Multistatus parseMultistatus(const QByteArray& xml);

} // namespace moravel::sync
