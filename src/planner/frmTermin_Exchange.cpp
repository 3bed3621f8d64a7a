// Appointments out to a calendar file and in from one, through the menu "Termin".
#include "frmTermin.h"

#include "AsideProgress.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "OpenDatabase.h"
#include "RunAside.h"
#include "StoreExchange.h"
#include "TerminStore.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>

Q_LOGGING_CATEGORY(lcPlannerExchange, "moravel.planner.exchange")

namespace moravel::planner {

namespace {
const QString kFilter = QStringLiteral("iCalendar-Dateien (*.ics);;Alle Dateien (*)");
// An import that takes longer shows its progress bar.
constexpr int kProgressAfterMs = 400;
} // namespace

void frmTermin::mnuExportieren_Click() {
    if (!reopenIfReplaced())
        return;
    const QString path = ui::FileDialog::saveFile(this, QStringLiteral("Termine exportieren"), kFilter,
                                                  QStringLiteral("Termine.ics"), QStringLiteral("ics"));
    // The file may have been replaced while the dialog was open.
    if (path.isEmpty() || !reopenIfReplaced())
        return;
    const ical::StoreExport exported = ical::exportStore(*dbTermin(), ical::localContext());
    QString failure = exported.error;
    if (exported.ok()) {
        // Written whole or not at all: an older file of that name stays until the new one is complete.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(exported.text) != exported.text.size() ||
            !file.commit())
            failure = QStringLiteral("Die Datei\n%1\nkonnte nicht geschrieben werden: %2")
                          .arg(path, file.errorString());
    }
    if (!failure.isEmpty()) {
        qCWarning(lcPlannerExchange) << "export to" << path << "failed:" << failure;
        ui::MessageBox::show(this, QMessageBox::Warning, windowTitle(), failure);
        return;
    }
    ui::MessageBox::show(this, QMessageBox::Information, windowTitle(), exported.summary);
}

void frmTermin::mnuImportieren_Click() {
    if (!reopenIfReplaced())
        return;
    const QString path = ui::FileDialog::openFile(this, QStringLiteral("Termine importieren"), kFilter);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcPlannerExchange) << "import from" << path << "failed:" << file.errorString();
        ui::MessageBox::show(
            this, QMessageBox::Warning, windowTitle(),
            QStringLiteral("Die Datei\n%1\nlässt sich nicht lesen: %2").arg(path, file.errorString()));
        return;
    }
    if (!reopenIfReplaced())
        return;
    // On a thread and a connection of its own: a file of years of appointments takes seconds,
    // through which the window is drawn and says that it works.
    const QByteArray bytes = file.readAll();
    ui::AsideProgress progress(this, QStringLiteral("Termine werden übernommen ..."), kProgressAfterMs);
    ical::StoreImport imported;
    runAside([&] {
        QString reason;
        const std::unique_ptr<TerminStore> store = TerminStore::open(m_database->path(), nullptr, &reason);
        if (!store)
            imported.error = reason;
        else
            imported = ical::importIntoStore(
                *store, bytes, ical::localContext(),
                [&progress](qint64 done, qint64 total) { progress.report(done, total); });
    });
    progress.finish();
    if (!imported.ok()) {
        qCWarning(lcPlannerExchange) << "import from" << path << "failed:" << imported.error;
        ui::MessageBox::show(
            this, QMessageBox::Warning, windowTitle(),
            QStringLiteral("Aus der Datei\n%1\nwurde nichts übernommen.\n\n%2").arg(path, imported.error));
        return;
    }
    reloadByToggle();
    afterCommand();
    ui::MessageBox::show(this, QMessageBox::Information, windowTitle(), imported.summary);
}

} // namespace moravel::planner
