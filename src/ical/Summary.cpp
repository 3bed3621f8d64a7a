#include "Summary.h"

namespace moravel::ical {

namespace {

QString count(int n, const QString& one, const QString& many) {
    return QString::number(n) + QLatin1Char(' ') + (n == 1 ? one : many);
}

} // namespace

ImportCounts countImport(const ImportResult& result, const std::function<bool(const QString& uid)>& present) {
    ImportCounts counts;
    counts.skippedEntries = result.skippedEntries;
    for (const ImportedEvent& event : result.events) {
        if (present(event.uid)) {
            ++counts.alreadyPresent;
            continue;
        }
        ++counts.taken;
        if (event.unknownRecurrence)
            ++counts.takenOnceOnly;
    }
    return counts;
}

QString exportSummary(int exported, int skipped) {
    QString text = count(exported, QStringLiteral("Termin exportiert"), QStringLiteral("Termine exportiert"));
    if (skipped > 0)
        text +=
            QStringLiteral(", ") + count(skipped, QStringLiteral("Termin ohne gültiges Datum ausgelassen"),
                                         QStringLiteral("Termine ohne gültiges Datum ausgelassen"));
    return text;
}

QString importSummary(const ImportCounts& counts) {
    QString text =
        count(counts.taken, QStringLiteral("Termin übernommen"), QStringLiteral("Termine übernommen"));
    if (counts.alreadyPresent > 0)
        text += QStringLiteral(", ") + QString::number(counts.alreadyPresent) +
                QStringLiteral(" schon vorhanden");
    if (counts.takenOnceOnly > 0)
        text += QStringLiteral(", ") + QString::number(counts.takenOnceOnly) +
                QStringLiteral(" mit Wiederholung, die Moravel nicht kennt, als ") +
                (counts.takenOnceOnly == 1 ? QStringLiteral("einmaliger Termin übernommen")
                                           : QStringLiteral("einmalige Termine übernommen"));
    if (counts.skippedEntries > 0)
        text += QStringLiteral(", ") + count(counts.skippedEntries,
                                             QStringLiteral("Eintrag übersprungen, der kein Termin ist"),
                                             QStringLiteral("Einträge übersprungen, die keine Termine sind"));
    return text;
}

} // namespace moravel::ical
