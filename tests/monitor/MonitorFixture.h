#pragma once

#include "Appointment.h"
#include "Background.h"
#include "DesktopNotifier.h"
#include "Platform.h"
#include "TerminStore.h"
#include "TestEnvironment.h"
#include "TrayIcon.h"
#include "frmAutostart.h"
#include "frmTray.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <stdexcept>
#include <string>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace moravel::test {

// A control of a window, found by its object name as the user's tools find it.
template <typename T> T* child(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("no control ") + name + " in " +
                                 window.objectName().toStdString());
    return found;
}

// A row as the planner stores it: day and time as serial texts, a live one-off by default.
Appointment appointmentOn(QDate day, QTime time, const QString& subject, const QString& vorMinuten = "0",
                          const QString& vorTage = "0", const QString& wiederholung = "0");

// Counts the beeps instead of sounding them and records the programs instead of starting them.
class CountingPlatform : public ui::Platform {
public:
    CountingPlatform() { ui::Platform::setInstance(this); }
    ~CountingPlatform() override { ui::Platform::setInstance(nullptr); }
    void beep() override { ++beeps; }
    bool startProgram(const QString& program, const QStringList& arguments) override {
        started << (arguments.isEmpty() ? program : program + QLatin1Char(' ') + arguments.join(' '));
        return true;
    }
    int beeps = 0;
    QStringList started;
};

// The notification area as a test sees it: present or not at will, clicked by the test.
class FakeTrayIcon : public monitor::TrayIcon {
public:
    bool available() const override { return trayPresent; }
    void install(const QIcon& icon, const QString& toolTip, QMenu*) override {
        installedIcon = icon;
        tip = toolTip;
        m_installed = true;
        log << QStringLiteral("icon installed");
    }
    void remove() override {
        m_installed = false;
        log << QStringLiteral("icon removed");
    }
    bool installed() const override { return m_installed; }
    void click(QSystemTrayIcon::ActivationReason reason) { Q_EMIT activated(reason); }

    bool trayPresent = true;
    QIcon installedIcon;
    QString tip;
    QStringList log;

private:
    bool m_installed = false;
};

// The desktop's notifications as a test sees them: every one shown, and whether it is still open.
class FakeNotifier : public monitor::DesktopNotifier {
public:
    struct Notification {
        QString summary;
        QString body;
        std::vector<Action> actions;
        bool sounds;
        bool open = true;
    };
    quint64 show(const QString& summary, const QString& body, const std::vector<Action>& actions,
                 bool sounds) override {
        shown.push_back({summary, body, actions, sounds});
        return shown.size();
    }
    void close(quint64 key) override { shown.at(key - 1).open = false; }
    // The user chooses an action in the notification with this key (1 for the first shown).
    void choose(quint64 key, const QString& action) {
        shown.at(key - 1).open = false;
        Q_EMIT actionInvoked(key, action);
    }
    int open() const {
        return int(std::count_if(shown.begin(), shown.end(), [](const Notification& n) { return n.open; }));
    }
    std::vector<Notification> shown;
};

// Stands in for the notification-area window: going to the background hides the main window.
class RecordingBackground : public monitor::Background {
public:
    explicit RecordingBackground(monitor::frmAutostart& main) : m_main(main) {}
    void show() override {
        ++shown;
        m_main.hide();
    }
    bool ausGewuenscht() const override { return endRequested; }
    void entladen() override { ++unloaded; }
    int shown = 0;
    int unloaded = 0;
    bool endRequested = false;

private:
    monitor::frmAutostart& m_main;
};

// A monitor on a private data directory, settings home and clock.
class MonitorTest : public ::testing::Test {
protected:
    explicit MonitorTest(const QDateTime& start = QDateTime(QDate(2026, 3, 9), QTime(14, 0)));

    // Adds rows before the monitor starts; the monitor then opens the same file.
    void addRows(const std::vector<Appointment>& rows);
    // Creates and loads the main window with a recording background.
    void startMonitor();
    // Starts the monitor on these rows and sends it to watch, as the user does with Command1.
    void startWatching(const std::vector<Appointment>& rows);
    // One timer tick at this moment, as the running timer would give it.
    void tickAt(const QDateTime& moment);

    // The main window's controls.
    QTimer* Timer1() const { return child<QTimer>(*main, "Timer1"); }
    QLabel* Label1() const { return child<QLabel>(*main, "Label1"); }
    QListWidget* List1() const { return child<QListWidget>(*main, "List1"); }
    QPushButton* Command1() const { return child<QPushButton>(*main, "Command1"); }

    TestEnvironment env;
    CountingPlatform platform;
    FakeNotifier notifier;
    std::unique_ptr<monitor::frmAutostart> main;
    std::unique_ptr<RecordingBackground> background;
};

// A monitor with its notification-area window, as the program puts them together.
class TrayTest : public MonitorTest {
protected:
    // With a runtime folder of its own: a program of the user's session is never reached.
    TrayTest();
    ~TrayTest() override;
    // Creates the main window and the tray window with a fake icon, then loads the main window.
    void startWithTray(bool trayPresent = true);

    QTemporaryDir runtime;
    QByteArray runtimeBefore = qgetenv("XDG_RUNTIME_DIR");
    FakeTrayIcon* icon = nullptr;
    std::unique_ptr<monitor::frmTray> tray;
};

} // namespace moravel::test
