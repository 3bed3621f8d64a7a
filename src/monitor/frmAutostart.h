#pragma once

#include "DueDetection.h"
#include "ReminderQueue.h"
#include "SnoozedReminders.h"
#include "TableCache.h"

#include <QPoint>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace moravel {
class TerminStore;
}

namespace moravel::monitor {

class Background;
class ClockJumpWatch;
class DesktopNotifier;
class TableWatch;
class frmZeittermin;

// The monitor's main window. It owns the database connection and the timer of its looks, lists
// the current appointments and raises the reminder popup. Monitoring runs only while the
// window is hidden; while the user looks at it the timer stands. Between two looks the monitor
// sleeps until the next reminder, a new day, a change of the file or a set clock, and at the
// latest for a minute.
class frmAutostart : public QWidget {
    Q_OBJECT
public:
    explicit frmAutostart(QWidget* parent = nullptr);
    ~frmAutostart() override;

    // Start-up: geometry, timer, database, renewal, first read, then shown or background. A
    // database that cannot be opened is told once; the monitor then runs without it.
    void Form_Load();

    // Renews passed recurring appointments: at start, on every new day and after a change of
    // the table. False when it could not be done just now (another program holds the file).
    bool DBAktualisieren();
    // Re-reads the table when it changed: rebuilds List1 and Label1 and raises the popup for
    // each due reminder; while monitoring, aims the timer at the next look. Never waits for
    // another program's lock.
    void EinlesenAusDB();

    // Shows the window for the user to read; monitoring stands until the way back. The first
    // showing restores a saved minimised state.
    void showMainWindow();
    // Shows the window minimised, where it waits without stopping monitoring.
    void showMinimisedWindow();
    // The way back: the monitor goes to the background and monitors.
    void goToBackground();
    // Installs the background window (the caller keeps ownership); nullptr: the hidden main window.
    // The main window's unload unloads the background as well.
    void setBackground(Background* background) { m_background = background; }
    bool ausGewuenscht() const;
    // Installs the desktop's notifications (the caller keeps ownership); nullptr: none.
    void setNotifier(DesktopNotifier* notifier) { m_reminders.setNotifier(notifier); }

    // "Später erinnern": the reminder comes again after so many minutes, unless its row has been
    // changed or deleted by then.
    void snooze(const Appointment& row, int minutes);

    // The popup while it exists (it is created by the first reminder and destroyed by its close box).
    frmZeittermin* popup() const;
    // The window's background picture; the popup copies it.
    QPixmap hintergrundBild() const;

    // The monitor's own program directory; the planner is started from there.
    QString PfadzurExe;

public Q_SLOTS:
    void Timer1_Timer();
    void Command1_Click();

Q_SIGNALS:
    // The main window has unloaded: the program ends.
    void entladen();

protected:
    bool event(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Resize();
    void Form_Unload();
    void startMonitoring();
    void stopMonitoring();
    // Sets the timer for the next look; `retrySoon`: the table could not be read or renewed.
    void aimTimer(const std::optional<QDateTime>& due, bool retrySoon);
    // The snoozed reminders due now whose rows are unchanged; `unreadable` when the rows could
    // not be looked at just now (the reminders are kept for the next look).
    std::vector<Appointment> snoozedDue(const QDateTime& now, bool& unreadable);
    // Something may have changed: look soon, once the burst of notifications has settled.
    void lookSoon();
    void restoreGeometry();
    bool openDatabase();
    void reopenWhenReplaced();
    void cannotOpen(const QString& path, const QString& reason);

    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QListWidget* List1;
    QPushButton* Command1;
    QTimer* Timer1;
    TableWatch* m_tableWatch;
    ClockJumpWatch* m_clockJumps;
    bool m_monitoring = false;

    std::unique_ptr<TerminStore> dbTermin;
    ReminderSchedule m_schedule;
    ReminderQueue m_reminders;
    SnoozedReminders m_snoozed;
    TableCache m_table;
    // The day and table of the last renewal; renewal runs again when either differs.
    struct Renewed {
        qint64 today;
        TerminStore::Version version;
    };
    std::optional<Renewed> m_renewed;
    Background* m_background = nullptr;
    // The frame's place while the window is not minimised; a minimised window reports another.
    QPoint m_framePos;
    bool m_startMinimised = false;
};

} // namespace moravel::monitor
