#pragma once

#include "DueDetection.h"
#include "TableCache.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace moravel {
class TerminStore;
}

namespace moravel::monitor {

class Background;
class frmZeittermin;

// The monitor's main window. It owns the database connection and the one-second timer, lists
// the current appointments and raises the reminder popup. Monitoring runs only while the
// window is hidden; while the user looks at it the timer stands.
class frmAutostart : public QWidget {
    Q_OBJECT
public:
    explicit frmAutostart(QWidget* parent = nullptr);
    ~frmAutostart() override;

    // Start-up: geometry, timer, database, renewal, first read, then shown or background.
    // False when the database cannot be opened; the user has been told and the program ends.
    bool Form_Load();

    // Renews passed recurring appointments; once, at start.
    void DBAktualisieren();
    // Re-reads the table: rebuilds List1 and Label1 and raises the popup for each due reminder.
    void EinlesenAusDB();

    // Shows the window for the user to read; monitoring stands until Command1.
    void showMainWindow();
    // "Show the tray window": the monitor goes to the background.
    void goToBackground();
    // Installs the background window (the caller keeps ownership); nullptr: the hidden main window.
    // The main window's unload unloads the background as well.
    void setBackground(Background* background) { m_background = background; }
    bool ausGewuenscht() const;

    // The popup while it exists (it is created by the first reminder and destroyed by its close box).
    frmZeittermin* popup() const;

    // The monitor's own program directory; the planner is started from there.
    QString PfadzurExe;

    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QListWidget* List1;
    QPushButton* Command1;
    QTimer* Timer1;

public Q_SLOTS:
    void Timer1_Timer();
    void Command1_Click();

Q_SIGNALS:
    // The main window has unloaded: the program ends.
    void entladen();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Resize();
    void Form_Unload();
    void startMonitoring();
    void restoreGeometry();
    void raiseReminder(const Appointment& row);

    std::unique_ptr<TerminStore> dbTermin;
    ReminderSchedule m_reminders;
    TableCache m_table;
    Background* m_background = nullptr;
    QPointer<frmZeittermin> m_popup;
};

} // namespace moravel::monitor
