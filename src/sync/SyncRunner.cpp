#include "SyncRunner.h"

#include "Clock.h"
#include "DataLocation.h"
#include "SecretStore.h"
#include "SettingsStore.h"

#include <utility>

namespace moravel::sync {

namespace {
// The sync runs on the thread of the programs' windows and reminders: it never waits long for
// another program's write, and a file that stays busy is synced at the next turn.
constexpr int kBusyTimeoutMs = 250;
} // namespace

struct SyncRunner::Job : QObject {
    std::unique_ptr<TerminStore> store;
    std::unique_ptr<SyncEngine> engine; // after the store: destroyed before it
};

SyncRunner::SyncRunner(QObject* parent) : QObject(parent) {}

SyncRunner::~SyncRunner() = default;

QString SyncRunner::account(const SyncSettings& settings) {
    return settings.user + QLatin1Char('@') + settings.collection.toString();
}

void SyncRunner::run() {
    if (m_running)
        return;
    m_running = true;
    SyncSettings settings = storedSettings();
    if (settings.collection.isEmpty())
        return done({false, QStringLiteral("Es ist kein Kalender für den Abgleich eingetragen.")});
    auto withPassword = [this, settings](const QString& password, const QString& error) mutable {
        if (!error.isEmpty())
            return done({false, QStringLiteral("Abgleich abgebrochen: ") + error});
        settings.password = password;
        QString reason;
        std::unique_ptr<TerminStore> store =
            TerminStore::open(location::databasePath(), nullptr, &reason, kBusyTimeoutMs);
        if (!store)
            return done({false, QStringLiteral("Abgleich abgebrochen: ") + reason});
        m_job = new Job;
        m_job->setParent(this);
        m_job->store = std::move(store);
        m_job->engine = std::make_unique<SyncEngine>(*m_job->store, settings);
        connect(m_job->engine.get(), &SyncEngine::finished, this, &SyncRunner::done);
        m_job->engine->start();
    };
    if (settings.user.isEmpty())
        withPassword(QString(), QString());
    else
        SecretStore::instance().read(account(settings), withPassword);
}

void SyncRunner::done(const SyncOutcome& outcome) {
    const QString when = Clock::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm"));
    settings::write(kSection, kLastSyncKey, when + QStringLiteral(" ") + outcome.summary);
    // The engine is still on the stack that called: it goes after it has returned, and the
    // store it works on with it, not before.
    if (m_job)
        std::exchange(m_job, nullptr)->deleteLater();
    m_running = false;
    Q_EMIT finished(outcome);
}

AutoSync::AutoSync(QObject* parent) : QObject(parent) {
    m_interval.setInterval(kIntervalMs);
    m_afterChange.setInterval(kAfterChangeMs);
    m_afterChange.setSingleShot(true);
    connect(&m_interval, &QTimer::timeout, this, &AutoSync::runIfAutomatic);
    connect(&m_afterChange, &QTimer::timeout, this, &AutoSync::runIfAutomatic);
    connect(&m_runner, &SyncRunner::finished, this, &AutoSync::finished);
}

void AutoSync::start() {
    m_interval.start();
    runIfAutomatic();
}

void AutoSync::changed() {
    if (isAutomatic())
        m_afterChange.start();
}

void AutoSync::runIfAutomatic() {
    if (isAutomatic())
        m_runner.run();
}

} // namespace moravel::sync
