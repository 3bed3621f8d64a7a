// Toolbar, menus and the commands that leave the window: monitor, help, web page, info.
#include "frmTermin.h"

#include "Contact.h"
#include "DataLocation.h"
#include "InstalledFile.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "Pictures.h"
#include "Platform.h"
#include "SettingsStore.h"
#include "frmFeiertag.h"
#include "frmHilfe.h"
#include "frmInfo.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolBar>
#include <QTreeWidget>

using namespace moravel;

namespace {
constexpr int kDeletePosition = 5;
constexpr int kExitPosition = 11;
const QString kMonitorProgram = QStringLiteral("Wardolin");
} // namespace

void frmTermin::buildMenus() {
    // Access keys differ from the toolbar's (Hilfe: Alt+H, Beenden: Alt+E), so none is ambiguous.
    QMenu* termin = menuBar()->addMenu(QStringLiteral("&Termin"));
    // Entries kept for the keyboard's sake but never shown: the commands live on the toolbar.
    for (const char* hidden : {"Hinzufügen", "Bearbeiten", "Kopieren", "Löschen"})
        termin->addAction(QString::fromUtf8(hidden))->setVisible(false);
    termin->addSeparator()->setVisible(false);
    mnuTerminStarten = termin->addAction(QStringLiteral("Automatische Wardolin starten"));
    mnuTerminStarten->setObjectName(QStringLiteral("mnuTerminStarten"));
    connect(mnuTerminStarten, &QAction::triggered, this, &frmTermin::mnuTerminStarten_Click);
    termin->addSeparator();
    mnuEnde = termin->addAction(QStringLiteral("Programm beenden"));
    mnuEnde->setObjectName(QStringLiteral("mnuEnde"));
    connect(mnuEnde, &QAction::triggered, this, [this] {
        close();
        QApplication::quit();
    });

    QMenu* extras = menuBar()->addMenu(QStringLiteral("E&xtras"));
    mnuFeiertag = extras->addAction(QStringLiteral("Liste der besonderen Tage und Feiertage"));
    mnuFeiertag->setObjectName(QStringLiteral("mnuFeiertag"));
    connect(mnuFeiertag, &QAction::triggered, this, &frmTermin::mnuFeiertag_Click);

    QMenu* hilfe = menuBar()->addMenu(QStringLiteral("H&ilfe"));
    mnuHilfe = hilfe->addAction(QStringLiteral("Hilfe anzeigen"));
    mnuHilfe->setObjectName(QStringLiteral("mnuHilfe"));
    connect(mnuHilfe, &QAction::triggered, this, &frmTermin::mnuHilfe_Click);
    hilfe->addSeparator();
    mnuInternet = hilfe->addAction(QStringLiteral("Brisko im Internet"));
    mnuInternet->setObjectName(QStringLiteral("mnuInternet"));
    mnuInternet->setEnabled(!contact::kWebAddress.isEmpty());
    connect(mnuInternet, &QAction::triggered, this, &frmTermin::mnuInternet_Click);
    hilfe->addSeparator();
    mnuInfo = hilfe->addAction(QStringLiteral("Info"));
    mnuInfo->setObjectName(QStringLiteral("mnuInfo"));
    connect(mnuInfo, &QAction::triggered, this, &frmTermin::mnuInfo_Click);
}

void frmTermin::buildToolbar() {
    struct Button {
        const char* caption;
        const char* tooltip;
        pictures::Tool picture;
        const char* name;
    };
    const Button buttons[] = {
        {"Hinzu&fügen", "Neuen Termin hinzufügen", pictures::Tool::Add, "bottonHinzufuegen"},
        {"&Bearbeiten", "Termin bearbeiten", pictures::Tool::Edit, "bottonBearbeiten"},
        {"&Kopieren", "Termin kopieren", pictures::Tool::Copy, "bottonKopieren"},
        {"&Suchen", "Termin ab eingestelltem Datum suchen", pictures::Tool::Search, "bottonSuchen"},
        {"&Löschen", "Termin löschen", pictures::Tool::Delete, "bottonLoeschen"},
        {nullptr, nullptr, pictures::Tool::Add, nullptr},
        {"&Alte Termine", "AlteTermine zeigen", pictures::Tool::Past, "AlteTermine"},
        {nullptr, nullptr, pictures::Tool::Add, nullptr},
        {"&Hilfe", "", pictures::Tool::Help, "bottonHilfe"},
        {"Wardo.", "Wardolin starten", pictures::Tool::Monitor, "bottonWardolin"},
        {"B&eenden", "Moravel beenden", pictures::Tool::Exit, "bottonBeenden"},
    };
    int position = 0;
    for (const Button& button : buttons) {
        ++position;
        if (!button.caption) {
            toolbarButtons.append(Toolbar3->addSeparator());
            continue;
        }
        const QString caption = QString::fromUtf8(button.caption);
        QAction* action = Toolbar3->addAction(pictures::tool(button.picture), caption);
        action->setObjectName(QString::fromLatin1(button.name));
        action->setToolTip(QString::fromUtf8(button.tooltip));
        // Tool buttons drop the access key from their text; the shortcut keeps it working.
        action->setShortcut(QKeySequence::mnemonic(caption));
        connect(action, &QAction::triggered, this, [this, position] { toolbarClicked(position); });
        toolbarButtons.append(action);
    }
    AlteTermine = toolbarButtons[6];
    AlteTermine->setCheckable(true);
}

void frmTermin::toolbarClicked(int position) {
    switch (position) {
    case 1:
        bottonHinzufuegen();
        break;
    case 2:
        bottonBearbeiten();
        break;
    case 3:
        ListviewEintragKopieren();
        break;
    case 4: // no command of its own: the closing steps alone
        break;
    case kDeletePosition:
        if (ui::MessageBox::show(this, QMessageBox::Critical, windowTitle(),
                                 QStringLiteral("Markierten Termin löschen?"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
            return;
        TerminLoeschen();
        break;
    case 7:
        reloadByToggle();
        break;
    case 9:
        mnuHilfe_Click();
        break;
    case 10:
        startMonitor();
        break;
    case kExitPosition:
        close();
        return;
    default:
        return;
    }
    showCount();
    Text1->setFocus();
}

void frmTermin::mnuTerminStarten_Click() {
    const double running = numtext::parse(settings::read(settings::kSectionTermin, QStringLiteral("IstAktiv"),
                                                         QStringLiteral("0")))
                               .value_or(0);
    if (running != 0) {
        const auto answer = ui::MessageBox::show(
            this, QMessageBox::Warning, QStringLiteral("Hinweis"),
            QStringLiteral("Wardolin läuft bereits.\nSoll die Wardolin trotzdem neu gestartet werden?    "),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    startMonitor();
}

void frmTermin::startMonitor() {
    // The monitor lies beside the planner; there is no program search to rely on.
    ui::Platform::instance().startProgram(location::programDirectory() + QLatin1Char('/') + kMonitorProgram);
}

void frmTermin::mnuHilfe_Click() {
    const QString file = planner::installedFile(location::programDirectory(), frmHilfe::kHelpFile);
    if (!QFileInfo::exists(file))
        return;
    auto* help = new frmHilfe(file, this);
    help->show();
}

void frmTermin::mnuInternet_Click() {
    if (!contact::kWebAddress.isEmpty())
        ui::Platform::instance().openUrl(contact::kWebAddress);
}

void frmTermin::mnuInfo_Click() {
    auto* info = new frmInfo(this);
    info->show();
}

void frmTermin::mnuFeiertag_Click() {
    auto* list = new frmFeiertag(this);
    list->show();
}
