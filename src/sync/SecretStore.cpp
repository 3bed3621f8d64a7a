#include "SecretStore.h"

#include <qt6keychain/keychain.h>

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSecret, "moravel.sync.secret")

namespace moravel::sync {

namespace {

const QString kService = QStringLiteral("BriskoMoravel Kalenderabgleich");

class Keychain : public SecretStore {
public:
    void read(const QString& account, Read done) override {
        auto* job = new QKeychain::ReadPasswordJob(kService);
        job->setKey(account);
        job->setAutoDelete(true);
        QObject::connect(job, &QKeychain::Job::finished, [done = std::move(done)](QKeychain::Job* finished) {
            auto* reading = static_cast<QKeychain::ReadPasswordJob*>(finished);
            if (reading->error() == QKeychain::NoError)
                return done(reading->textData(), QString());
            if (reading->error() == QKeychain::EntryNotFound)
                return done(QString(), QString());
            qCWarning(lcSecret) << "reading the password failed:" << reading->errorString();
            done(QString(),
                 QStringLiteral("Das Passwort ließ sich nicht aus dem Schlüsselbund des Desktops lesen."));
        });
        job->start();
    }

    void write(const QString& account, const QString& password,
               std::function<void(const QString&)> done) override {
        auto* job = new QKeychain::WritePasswordJob(kService);
        job->setKey(account);
        job->setTextData(password);
        job->setAutoDelete(true);
        QObject::connect(job, &QKeychain::Job::finished, [done = std::move(done)](QKeychain::Job* finished) {
            if (finished->error() == QKeychain::NoError)
                return done(QString());
            qCWarning(lcSecret) << "keeping the password failed:" << finished->errorString();
            done(QStringLiteral("Das Passwort ließ sich nicht im Schlüsselbund des Desktops ablegen."));
        });
        job->start();
    }
};

SecretStore* g_installed = nullptr;

} // namespace

SecretStore& SecretStore::instance() {
    static Keychain keychain;
    return g_installed ? *g_installed : keychain;
}

void SecretStore::setInstance(SecretStore* store) {
    g_installed = store;
}

} // namespace moravel::sync
