#include "MonitorEngine.h"

#include "Clock.h"
#include "ClockJumpWatch.h"
#include "Compaction.h"
#include "DataLocation.h"
#include "DateSerial.h"
#include "MonitorLog.h"
#include "NextWakeup.h"
#include "OpenDatabase.h"
#include "Renewal.h"
#include "TableWatch.h"

#include <QTimer>

namespace moravel::monitor {

Q_LOGGING_CATEGORY(lcMonitor, "moravel.monitor")

MonitorEngine::MonitorEngine(QObject* parent)
    : QObject(parent), Timer1(new QTimer(this)), m_pausedLook(new QTimer(this)),
      m_tableWatch(new TableWatch(this)), m_clockJumps(new ClockJumpWatch(this)) {
    setObjectName(QStringLiteral("MonitorEngine"));
    Timer1->setObjectName(QStringLiteral("Timer1"));
    m_pausedLook->setObjectName(QStringLiteral("pausedLook"));
    for (QTimer* timer : {Timer1, m_pausedLook}) {
        // Aimed anew after every look, at the millisecond a reminder falls due.
        timer->setTimerType(Qt::PreciseTimer);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, &MonitorEngine::EinlesenAusDB);
    }
    connect(m_tableWatch, &TableWatch::changed, this, &MonitorEngine::lookSoon);
    connect(m_clockJumps, &ClockJumpWatch::jumped, this, &MonitorEngine::lookSoon);
}

MonitorEngine::~MonitorEngine() = default;

void MonitorEngine::start() {
    // The first look covers only the time from now on: what fell due before the monitor ran is
    // the planner's to report as missed.
    m_schedule.restart(stepOf(Clock::currentDateTime()));
    m_monitoring = true;
    // At start the monitor waits for another program's write like any program; from the first
    // look on it never does.
    if (openDatabase())
        DBAktualisieren();
    EinlesenAusDB();
    if (m_store)
        m_store->setBusyTimeout(0);
}

void MonitorEngine::stop() {
    m_monitoring = false;
    Timer1->stop();
    m_pausedLook->stop();
    m_tableWatch->watch(QString());
    m_store.reset();
}

bool MonitorEngine::openDatabase() {
    const QString path = location::databasePath();
    QString copyKept;
    // The monitor often starts before the planner: it is the one to restore an older version's copy.
    if (Compaction::restoreMissing(location::dataDirectory(), &copyKept) == Compaction::Result::CopyKept)
        Q_EMIT hinweis(copyKept);
    TerminStore::OpenResult opened = TerminStore::OpenResult::Unusable;
    QString reason;
    m_store = OpenDatabase::openStore(path, &opened, &reason);
    m_table = TableCache();
    m_renewed.reset();
    m_tableWatch->watch(m_store ? path : QString());
    if (!m_store) {
        qCWarning(lcMonitor, "Cannot open the appointment database %s: %s", qUtf8Printable(path),
                  qUtf8Printable(reason));
        Q_EMIT hinweis(QStringLiteral("Die Termindatenbank\n%1\nkann nicht geöffnet werden.\n\n%2\n\n"
                                      "Wardolin läuft weiter, erinnert aber an keine Termine aus dieser "
                                      "Datei.")
                           .arg(path, reason));
    } else if (opened == TerminStore::OpenResult::Untrusted) {
        // Its rows can still be reminded of; only renewing them would write.
        Q_EMIT hinweis(QStringLiteral("%1\n\n%2\n\nWardolin erinnert an die Termine, erneuert aber "
                                      "keine wiederkehrenden.")
                           .arg(path, reason));
    }
    return bool(m_store);
}

void MonitorEngine::reopenWhenReplaced() {
    // A restore from a backup or a sync tool puts a new file in place by rename; the open
    // connection would go on reading the deleted one.
    if (!m_store || !m_store->isReplaced())
        return;
    qCInfo(lcMonitor, "The appointment database was replaced; opening it again");
    if (openDatabase())
        m_store->setBusyTimeout(0);
}

bool MonitorEngine::DBAktualisieren() {
    if (!m_store)
        return true;
    const QDateTime now = Clock::currentDateTime();
    const qint64 today = serial::dayNumber(now.date());
    const std::optional<TerminStore::Version> version = m_store->version();
    if (!version)
        return false;
    if (m_renewed && m_renewed->today == today && m_renewed->version == *version)
        return true;
    // Runs after every change of the table, since another program may have stored a live
    // recurring row of an earlier day; without such rows it reads an index and nothing else.
    // When it cannot have the file just now, it is tried again on the next look.
    if (renewPassedAppointments(*m_store, today, serial::fromDateTime(now)) < 0)
        return false;
    const std::optional<TerminStore::Version> after = m_store->version();
    if (after)
        m_renewed = Renewed{today, *after};
    return bool(after);
}

void MonitorEngine::EinlesenAusDB() {
    const QDateTime now = Clock::currentDateTime();
    const qint64 today = serial::dayNumber(now.date());
    const qint64 nowStep = stepOf(now);
    bool fresh = false;
    bool renewed = true;
    if (m_store) {
        reopenWhenReplaced();
        renewed = DBAktualisieren();
    }
    if (m_store)
        fresh = m_table.refresh(*m_store, today);
    // A pause leaves the interval where the last monitoring look left it, so that the first look
    // after it reaches back over the whole pause.
    if (m_monitoring)
        m_schedule.advance(nowStep, fresh);

    QStringList lines;
    int count = 0;
    std::vector<Appointment> due;
    std::optional<qint64> next;
    std::optional<std::pair<QString, QString>> compared;
    for (const Appointment& row : m_table.rows()) {
        const std::optional<qint64> day = dayOf(row);
        if (!day)
            continue;
        if (isCurrent(*day, row.VorTage, today)) {
            lines << listLines(row, *day, today);
            ++count;
        }
        // A lead is shorter than a day, so only today's and tomorrow's rows can be due today, and
        // yesterday's were due at most the evening before.
        if (*day > today + 1)
            continue;
        const std::optional<qint64> moment = reminderMoment(*day, row);
        if (!moment)
            continue;
        if (*day == today)
            compared.emplace(fractionText(*moment, today), fractionText(nowStep, today));
        if (!m_monitoring)
            continue;
        if (m_schedule.take(row.ID, *moment))
            due.push_back(row);
        else if (m_schedule.pending(row.ID, *moment) && (!next || *moment < *next))
            next = *moment;
    }

    Q_EMIT gelesen(lines, count);
    if (compared)
        Q_EMIT verglichen(compared->first, compared->second);
    bool unreadable = m_store && !(fresh && renewed);
    const std::vector<Appointment> again =
        m_monitoring ? snoozedDue(now, unreadable) : std::vector<Appointment>();
    std::optional<QDateTime> wake;
    if (m_monitoring) {
        wake = m_snoozed.next();
        if (next && (!wake || startOfStep(*next) < *wake))
            wake = startOfStep(*next);
    }
    aimTimer(wake, unreadable);
    for (const Appointment& row : due)
        Q_EMIT faellig(row);
    for (const Appointment& row : again)
        Q_EMIT faellig(row);
}

std::vector<Appointment> MonitorEngine::snoozedDue(const QDateTime& now, bool& unreadable) {
    std::vector<Appointment> unchanged;
    for (const Appointment& row : m_snoozed.takeDue(now)) {
        std::optional<Appointment> stored;
        // Without a database there is no row to remind of any longer.
        const bool read = !m_store || m_store->mainListFrom(
                                          dayOf(row).value_or(0),
                                          [&row](const TerminStore::RowKey& key) { return key.ID == row.ID; },
                                          [&stored](const Appointment& found) { stored = found; });
        if (!read) {
            // Held by another program: looked at again with the table.
            m_snoozed.add(row, now.addMSecs(kBusyRetryMs));
            unreadable = true;
        } else if (stored && sameAppointment(row, *stored)) {
            unchanged.push_back(row);
        } else {
            qCInfo(lcMonitor, "A snoozed reminder is left out: its appointment was changed or deleted");
        }
    }
    return unchanged;
}

void MonitorEngine::snooze(const Appointment& row, int minutes) {
    m_snoozed.add(row, Clock::currentDateTime().addSecs(60 * qint64(minutes)));
    lookSoon();
}

void MonitorEngine::aimTimer(const std::optional<QDateTime>& due, bool retrySoon) {
    const int ms = msUntilNextLook(Clock::currentDateTime(), due);
    QTimer* timer = m_monitoring ? Timer1 : m_pausedLook;
    timer->start(retrySoon ? std::min(ms, kBusyRetryMs) : ms);
}

void MonitorEngine::lookSoon() {
    QTimer* timer = m_monitoring ? Timer1 : m_pausedLook;
    if (!timer->isActive() || timer->remainingTime() > kSettleMs)
        timer->start(kSettleMs);
}

void MonitorEngine::resume() {
    // Monitoring that runs goes on: no moment between two looks is left out.
    if (m_monitoring)
        return;
    m_monitoring = true;
    m_pausedLook->stop();
    Timer1->start(0);
}

void MonitorEngine::pause() {
    if (!m_monitoring)
        return;
    m_monitoring = false;
    Timer1->stop();
    // The list stays current: the next look comes with the next change, or at the latest when
    // the day or the safety interval says.
    m_pausedLook->start(msUntilNextLook(Clock::currentDateTime(), std::nullopt));
}

} // namespace moravel::monitor
