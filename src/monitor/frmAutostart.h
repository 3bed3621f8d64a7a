#pragma once

#include "MonitorEngine.h"
#include "ReminderQueue.h"

#include <QPoint>
#include <QString>
#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace moravel::monitor {

class Background;
class DesktopNotifier;
class frmZeittermin;

// The monitor's main window: a view of the engine. It lists the current appointments, raises the
// reminder popup and is where monitoring pauses: while the user looks at the window, no reminder
// comes; those that fell due meanwhile come when the user sends it back to the background.
class frmAutostart : public QWidget {
    Q_OBJECT
public:
    explicit frmAutostart(QWidget* parent = nullptr);
    ~frmAutostart() override;

    // Start-up: geometry, engine, then shown (current appointments) or background.
    void Form_Load();

    MonitorEngine& engine() { return *m_engine; }

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
    void snooze(const Appointment& row, int minutes) { m_engine->snooze(row, minutes); }

    // The popup while it exists (it is created by the first reminder and destroyed by its close box).
    frmZeittermin* popup() const;
    // The window's background picture; the popup copies it.
    QPixmap hintergrundBild() const;

    // The monitor's own program directory; the planner is started from there.
    QString PfadzurExe;

public Q_SLOTS:
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
    // The engine's new list.
    void listeZeigen(const QStringList& lines, int count);
    void restoreGeometry();

    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QListWidget* List1;
    QPushButton* Command1;
    MonitorEngine* m_engine;
    ReminderQueue m_reminders;
    Background* m_background = nullptr;
    // The frame's place while the window is not minimised; a minimised window reports another.
    QPoint m_framePos;
    bool m_startMinimised = false;
};

} // namespace moravel::monitor
