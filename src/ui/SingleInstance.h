#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace moravel::ui {

// The instance names of the two programs: one planner and one monitor per user.
inline const QString kPlannerInstance = QStringLiteral("BriskoMoravel-planner");
inline const QString kMonitorInstance = QStringLiteral("BriskoMoravel-monitor");

// One instance per user and name: the first holds a lock in the user's runtime directory and
// listens on a local socket; a later one tells it to come to the front. When the lock cannot be
// had for another reason than a running instance, the program runs without the check.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // name distinguishes the programs (and independent instances in tests).
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // False only when another instance holds the lock.
    bool isPrimary() const { return !m_otherRunning; }

    // Asks the running instance to bring its window to the front; false when none answers.
    bool notifyPrimary() const;
    // The same without becoming an instance: for a program that wants the other one in front.
    static bool notifyRunning(const QString& name);

Q_SIGNALS:
    void activationRequested();

private:
    static bool notify(const QString& socketPath);

    QString m_lockPath;
    QString m_socketPath;
    int m_lockFd = -1;
    bool m_otherRunning = false;
    QLocalServer* m_server = nullptr;
};

} // namespace moravel::ui
