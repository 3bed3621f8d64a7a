#pragma once

#include "DueDetection.h"
#include "SnoozedReminders.h"
#include "TableCache.h"
#include "TerminStore.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace moravel::monitor {

class ClockJumpWatch;
class TableWatch;

// What the monitor does without a window: it owns the database connection, renews passed
// recurring appointments, reads the table, decides which appointments are current and which
// reminders are due, and holds the snoozed ones. Between two looks it sleeps until the next
// reminder, a new day, a change of the file or a set clock, and at the latest for a minute.
//
// Monitoring pauses while the user looks at the main window. A pause keeps the list current but
// gives no reminder; on resuming, the reminders that fell due meanwhile come once each, as after
// a resume from suspend.
class MonitorEngine : public QObject {
    Q_OBJECT
public:
    explicit MonitorEngine(QObject* parent = nullptr);
    ~MonitorEngine() override;

    // Start-up: opens the database, renews and reads once. Monitoring starts from this moment on;
    // nothing before it is made up. A database that cannot be opened is told once (hinweis); the
    // monitor then runs without it.
    void start();
    // The end: monitoring stops and the database is closed.
    void stop();

    // Renews passed recurring appointments: at start, on every new day and after a change of
    // the table. False when it could not be done just now (another program holds the file).
    bool DBAktualisieren();
    // Re-reads the table when it changed, announces the list and, while monitoring, each due
    // reminder, then aims the timer at the next look. Never waits for another program's lock.
    void EinlesenAusDB();

    // The way back from a pause: the first look comes at once and gives what fell due meanwhile.
    void resume();
    // Monitoring stands: no reminder is given until it resumes.
    void pause();
    bool monitoring() const { return m_monitoring; }

    // "Später erinnern": the reminder comes again after so many minutes, unless its row has been
    // changed or deleted by then.
    void snooze(const Appointment& row, int minutes);

    // The database while it is open.
    const TerminStore* store() const { return m_store.get(); }

Q_SIGNALS:
    // The current appointments as the list shows them (four lines each) and their number.
    void gelesen(const QStringList& lines, int count);
    // The reminder moment of the last of today's rows and the moment of the look, as five-decimal
    // texts.
    void verglichen(const QString& moment, const QString& now);
    // A reminder fell due (or a snoozed one came back).
    void faellig(const Appointment& row);
    // Something the user must be told, in German.
    void hinweis(const QString& text);

private:
    bool openDatabase();
    void reopenWhenReplaced();
    // Sets the timer for the next look; `retrySoon`: the table could not be read or renewed.
    void aimTimer(const std::optional<QDateTime>& due, bool retrySoon);
    // The snoozed reminders due now whose rows are unchanged; `unreadable` when the rows could
    // not be looked at just now (the reminders are kept for the next look).
    std::vector<Appointment> snoozedDue(const QDateTime& now, bool& unreadable);
    // Something may have changed: look soon, once the burst of notifications has settled.
    void lookSoon();

    QTimer* Timer1;       // the looks while monitoring
    QTimer* m_pausedLook; // the looks that keep the list current during a pause
    TableWatch* m_tableWatch;
    ClockJumpWatch* m_clockJumps;
    bool m_monitoring = false;

    std::unique_ptr<TerminStore> m_store;
    ReminderSchedule m_schedule;
    SnoozedReminders m_snoozed;
    TableCache m_table;
    // The day and table of the last renewal; renewal runs again when either differs.
    struct Renewed {
        qint64 today;
        TerminStore::Version version;
    };
    std::optional<Renewed> m_renewed;
};

} // namespace moravel::monitor
