#pragma once

#include "SyncEngine.h"

#include <QObject>
#include <QTimer>

namespace moravel::sync {

// Runs one sync with what is stored: the settings, the password from the secret store and the
// appointment file on a connection of its own. Afterwards the settings say when it ran and
// what it did (LetzterAbgleich).
class SyncRunner : public QObject {
    Q_OBJECT
public:
    explicit SyncRunner(QObject* parent = nullptr);
    ~SyncRunner() override;

    // Starts a sync unless one of this runner is still going; finished() follows.
    void run();
    bool isRunning() const { return m_running; }

    // The account the password is kept under: user and address.
    static QString account(const SyncSettings& settings);

Q_SIGNALS:
    void finished(const moravel::sync::SyncOutcome& outcome);

private:
    void done(const SyncOutcome& outcome);

    // One sync's own connection and the engine working on it: they go together, the engine first.
    struct Job;

    bool m_running = false;
    Job* m_job = nullptr;
};

// Syncs by itself while "Automatisch" is set: at start, a little after each change and every
// five minutes.
class AutoSync : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 5 * 60 * 1000;
    static constexpr int kAfterChangeMs = 10 * 1000;

    explicit AutoSync(QObject* parent = nullptr);
    void start();
    // A local change: synced once the changes have come to rest.
    void changed();
    SyncRunner& runner() { return m_runner; }

Q_SIGNALS:
    void finished(const moravel::sync::SyncOutcome& outcome);

private:
    void runIfAutomatic();

    SyncRunner m_runner;
    QTimer m_interval;
    QTimer m_afterChange;
};

} // namespace moravel::sync
