#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace moravel::planner {

// One planner per user: the first instance holds a lock in the user's runtime directory and
// listens on a local socket; a later instance tells it to come to the front. When the lock cannot
// be had for another reason than a running planner, the planner runs without the check.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // name distinguishes independent instances (tests); the planner uses the default.
    explicit SingleInstance(const QString& name = QStringLiteral("BriskoMoravel-planner"),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // False only when another planner holds the lock.
    bool isPrimary() const { return !m_otherRunning; }

    // Asks the running instance to bring its window to the front; false when none answers.
    bool notifyPrimary() const;

Q_SIGNALS:
    void activationRequested();

private:
    QString m_lockPath;
    QString m_socketPath;
    int m_lockFd = -1;
    bool m_otherRunning = false;
    QLocalServer* m_server = nullptr;
};

} // namespace moravel::planner
