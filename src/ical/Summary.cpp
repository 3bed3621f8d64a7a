#include "Summary.h"

namespace moravel::ical {

namespace {

QString count(int n, const QString& one, const QString& many) {
    return QString::number(n) + QLatin1Char(' ') + (n == 1 ? one : many);
}

// A list a message box can still show: the first few and how many more.
QString listed(const QStringList& items, const QString& separator) {
    constexpr qsizetype kShown = 5;
    QString text = items.first(std::min(kShown, items.size())).join(separator);
    if (items.size() > kShown)
        text += separator + QStringLiteral("und %1 weitere").arg(items.size() - kShown);
    return text;
}

} // namespace

ImportCounts countImport(const ImportResult& result, const std::function<bool(const QString& uid)>& present) {
    ImportCounts counts;
    counts.skippedEntries = result.skippedEntries;
    counts.cancelled = result.cancelled;
    counts.unreadable = result.unreadable;
    for (const ImportedEvent& event : result.events) {
        if (present(event.uid)) {
            ++counts.alreadyPresent;
            continue;
        }
        ++counts.taken;
        counts.losses << event.losses;
        if (event.unknownRecurrence) {
            ++counts.takenOnceOnly;
            counts.onceOnly << QStringLiteral("„") + event.row.Betreff + QStringLiteral("“");
        }
    }
    counts.losses << result.fileLosses;
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
    if (!counts.onceOnly.isEmpty())
        text += QStringLiteral(" (") + listed(counts.onceOnly, QStringLiteral(", ")) + QLatin1Char(')');
    if (!counts.unreadable.isEmpty())
        text += QStringLiteral(", ") + QString::number(counts.unreadable.size()) +
                QStringLiteral(" nicht lesbar übersprungen (") +
                listed(counts.unreadable, QStringLiteral("; ")) + QLatin1Char(')');
    if (counts.cancelled > 0)
        text += QStringLiteral(", ") + count(counts.cancelled,
                                             QStringLiteral("abgesagter Termin nicht übernommen"),
                                             QStringLiteral("abgesagte Termine nicht übernommen"));
    if (counts.skippedEntries > 0)
        text += QStringLiteral(", ") + count(counts.skippedEntries,
                                             QStringLiteral("Eintrag übersprungen, der kein Termin ist"),
                                             QStringLiteral("Einträge übersprungen, die keine Termine sind"));
    if (!counts.losses.isEmpty())
        text += QStringLiteral(". Nicht gelesen: ") + listed(counts.losses, QStringLiteral("; "));
    return text;
}

} // namespace moravel::ical
