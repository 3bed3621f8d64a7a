// The planner and the calendar server: the dialog, the automatic sync and the status bar.
#include "frmTermin.h"

#include "Clock.h"
#include "SyncRunner.h"
#include "TerminStore.h"
#include "frmAbgleich.h"

#include <QLabel>

namespace moravel::planner {

void frmTermin::startSync() {
    m_autoSync = new sync::AutoSync(this);
    connect(m_autoSync, &sync::AutoSync::finished, this, &frmTermin::syncFinished);
    m_autoSync->start();
}

void frmTermin::mnuAbgleich_Click() {
    if (!m_syncDialog) {
        m_syncDialog = new frmAbgleich(*m_database, this);
        connect(m_syncDialog, &frmAbgleich::syncRequested, this, [this] {
            statusSync->setText(QStringLiteral("Abgleich läuft ..."));
            m_autoSync->runner().run();
        });
    }
    m_syncDialog->show();
    m_syncDialog->raise();
    m_syncDialog->activateWindow();
}

void frmTermin::syncFinished(const sync::SyncOutcome& outcome) {
    statusSync->setText(Clock::currentDateTime().toString(QStringLiteral("hh:mm")) + QStringLiteral(" ") +
                        outcome.summary);
    if (m_syncDialog)
        m_syncDialog->showOutcome(outcome);
    // What came from the server shows at once.
    if (outcome.fetched > 0 || outcome.deletedHere > 0 || outcome.conflicts > 0) {
        reloadByToggle();
        showCount();
    }
}

} // namespace moravel::planner
