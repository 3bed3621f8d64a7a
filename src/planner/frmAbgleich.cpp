#include "frmAbgleich.h"

#include "MessageBox.h"
#include "OpenDatabase.h"
#include "SecretStore.h"
#include "SettingsStore.h"
#include "SyncEngine.h"
#include "SyncRunner.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace moravel::planner {

frmAbgleich::frmAbgleich(OpenDatabase& database, QWidget* parent) : QDialog(parent), m_database(database) {
    setObjectName(QStringLiteral("frmAbgleich"));
    // A check under way works on the store that goes: it ends with it.
    connect(&m_database, &OpenDatabase::reopening, this, [this] {
        if (!m_check)
            return;
        m_check.reset();
        m_result->setText(QStringLiteral("Die Prüfung wurde abgebrochen: Die Termindatenbank wurde durch "
                                         "eine andere Datei ersetzt."));
    });
    setWindowTitle(QStringLiteral("Kalender abgleichen (CalDAV)"));
    auto* form = new QFormLayout;
    m_address = new QLineEdit(settings::read(sync::kSection, sync::kAddressKey), this);
    m_address->setObjectName(QStringLiteral("Adresse"));
    m_address->setPlaceholderText(QStringLiteral("https://server.example/kalender/benutzer/termine/"));
    m_address->setMinimumWidth(420);
    m_user = new QLineEdit(settings::read(sync::kSection, sync::kUserKey), this);
    m_user->setObjectName(QStringLiteral("Benutzer"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("Passwort"));
    m_password->setEchoMode(QLineEdit::Password);
    m_automatic = new QCheckBox(QStringLiteral("&Automatisch abgleichen"), this);
    m_automatic->setObjectName(QStringLiteral("Automatisch"));
    m_automatic->setChecked(sync::isAutomatic());
    form->addRow(QStringLiteral("A&dresse des Kalenders:"), m_address);
    form->addRow(QStringLiteral("&Benutzer:"), m_user);
    form->addRow(QStringLiteral("&Passwort:"), m_password);
    form->addRow(QString(), m_automatic);

    m_result = new QLabel(settings::read(sync::kSection, sync::kLastSyncKey), this);
    m_result->setObjectName(QStringLiteral("Ergebnis"));
    m_result->setWordWrap(true);
    m_result->setTextFormat(Qt::PlainText);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* check =
        buttons->addButton(QStringLiteral("&Verbindung prüfen"), QDialogButtonBox::ActionRole);
    check->setObjectName(QStringLiteral("VerbindungPruefen"));
    QPushButton* now = buttons->addButton(QStringLiteral("&Jetzt abgleichen"), QDialogButtonBox::ActionRole);
    now->setObjectName(QStringLiteral("JetztAbgleichen"));
    buttons->addButton(QStringLiteral("&Schließen"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("Schliessen"));
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        keep([] {});
        close();
    });
    connect(check, &QPushButton::clicked, this, &frmAbgleich::checkConnection);
    connect(now, &QPushButton::clicked, this, [this] { keep([this] { Q_EMIT syncRequested(); }); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_result);
    layout->addWidget(buttons);

    // The kept password, once the secret store has it ready.
    const sync::SyncSettings stored = sync::storedSettings();
    if (!stored.user.isEmpty())
        sync::SecretStore::instance().read(
            sync::SyncRunner::account(stored),
            [field = QPointer<QLineEdit>(m_password)](const QString& password, const QString&) {
                if (field && field->text().isEmpty())
                    field->setText(password);
            });
}

frmAbgleich::~frmAbgleich() = default;

void frmAbgleich::showOutcome(const sync::SyncOutcome& outcome) {
    m_result->setText(outcome.summary);
}

bool frmAbgleich::keep(const std::function<void()>& then) {
    const QUrl url = sync::collectionUrl(m_address->text());
    bool plainConfirmed = settings::read(sync::kSection, sync::kPlainHttpKey) == url.toString();
    if (!m_address->text().trimmed().isEmpty() && sync::needsPlainHttpConfirmation(url) && !plainConfirmed) {
        plainConfirmed =
            ui::MessageBox::show(
                this, QMessageBox::Warning, windowTitle(),
                QStringLiteral("Die Verbindung zu %1 ist nicht verschlüsselt: Termine und Passwort "
                               "gingen lesbar über das Netz.\nTrotzdem verwenden?")
                    .arg(url.host()),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
        if (!plainConfirmed)
            return false;
    }
    const bool written =
        settings::write(sync::kSection, sync::kAddressKey,
                        m_address->text().trimmed().isEmpty() ? QString() : url.toString()) &&
        settings::write(sync::kSection, sync::kUserKey, m_user->text().trimmed()) &&
        settings::write(sync::kSection, sync::kAutomaticKey,
                        m_automatic->isChecked() ? QStringLiteral("1") : QStringLiteral("0")) &&
        (!plainConfirmed || settings::write(sync::kSection, sync::kPlainHttpKey, url.toString()));
    if (!written) {
        ui::MessageBox::show(this, QMessageBox::Warning, windowTitle(),
                             QStringLiteral("Die Einstellungen konnten nicht gespeichert werden."));
        return false;
    }
    if (m_user->text().trimmed().isEmpty()) {
        then();
        return true;
    }
    sync::SecretStore::instance().write(
        sync::SyncRunner::account(sync::storedSettings()), m_password->text(),
        [this, then, guard = QPointer<frmAbgleich>(this)](const QString& error) {
            if (!guard)
                return;
            if (!error.isEmpty())
                m_result->setText(error);
            then();
        });
    return true;
}

void frmAbgleich::checkConnection() {
    keep([this] {
        // Asked now: the file may have been replaced since the dialog opened, or while the
        // secret store kept the password.
        QString reason;
        if (!m_database.reopenIfReplaced(&reason)) {
            m_result->setText(QStringLiteral("Die Termindatenbank lässt sich nicht öffnen: ") + reason);
            return;
        }
        sync::SyncSettings settings = sync::storedSettings();
        settings.password = m_password->text();
        m_check = std::make_unique<sync::SyncEngine>(*m_database.store(), settings);
        m_result->setText(QStringLiteral("Verbindung wird geprüft ..."));
        connect(m_check.get(), &sync::SyncEngine::finished, this, &frmAbgleich::showOutcome);
        m_check->check();
    });
}

} // namespace moravel::planner
