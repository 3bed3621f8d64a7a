#include "ChainContent.h"

#include "NumberText.h"
#include "Recurrence.h"

#include <QCryptographicHash>
#include <QStringList>

namespace moravel::sync {

namespace {
// More steps than any chain of a five-digit day has: a daily chain over all of them.
constexpr int kMaxSteps = 100000;
} // namespace

QString contentOf(const Appointment& live) {
    const QStringList fields = {live.TerminUhrzeit, live.Betreff, live.Bemerkungen,
                                live.Wiederholung,  live.VorTage, live.VorMinuten};
    QByteArray bytes;
    for (const QString& field : fields)
        bytes += field.toUtf8().toBase64() + '|';
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

std::optional<qint64> dayOf(const Appointment& live) {
    return numtext::parseWhole(live.TerminDatum);
}

bool reaches(qint64 earlier, qint64 later, const QString& wiederholung) {
    if (earlier == later)
        return true;
    const std::optional<qint64> digit = numtext::parseWhole(wiederholung);
    if (!digit || *digit < 1 || *digit > 7 || later < earlier)
        return false;
    std::optional<qint64> day = earlier;
    for (int step = 0; day && *day < later && step < kMaxSteps; ++step)
        day = Folgedatum(*day, static_cast<int>(*digit));
    return day == later;
}

bool sameAppointment(const Appointment& a, const Appointment& b) {
    const std::optional<qint64> dayA = dayOf(a), dayB = dayOf(b);
    return contentOf(a) == contentOf(b) && dayA && dayB &&
           (reaches(*dayA, *dayB, a.Wiederholung) || reaches(*dayB, *dayA, a.Wiederholung));
}

} // namespace moravel::sync
