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
#include "SyncRunner.h"
#include "frmAbgleich.h"
#include "frmFeiertag.h"
#include "frmHilfe.h"
#include "frmInfo.h"
#include "frmTerminGrafik.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>

namespace moravel::planner {

namespace {
constexpr int kDeletePosition = 5;
constexpr int kPastPosition = 7;
constexpr int kExitPosition = 11;
const QString kMonitorProgram = QStringLiteral("Wardolin");

// A toolbar button that does not fit the window's width moves into the toolbar's overflow menu,
// and its access key would go with it; while it is hidden, a shortcut of the window's stands in.
// (Both at once would make the key ambiguous.)
class OverflowAccessKey : public QObject {
public:
    OverflowAccessKey(QWidget* button, QAction* action, QWidget* window)
        : QObject(button), m_shortcut(new QShortcut(QKeySequence::mnemonic(action->iconText()), window)) {
        m_shortcut->setEnabled(button->isHidden());
        connect(m_shortcut, &QShortcut::activated, action, &QAction::trigger);
        button->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
            m_shortcut->setEnabled(static_cast<QWidget*>(watched)->isHidden());
        return false;
    }

private:
    QShortcut* m_shortcut;
};

// Shows a window that exists once: brought to the front when it is already open.
void bringUp(QWidget* window) {
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}
} // namespace

void frmTermin::buildMenus() {
    // Access keys differ from the toolbar's (Hilfe: Alt+I, Beenden: Alt+E), so none is ambiguous.
    QMenu* termin = menuBar()->addMenu(QStringLiteral("&Termin"));
    // Entries kept for the keyboard's sake but never shown: the commands live on the toolbar.
    for (const char* hidden : {"Hinzufügen", "Bearbeiten", "Kopieren", "Löschen"})
        termin->addAction(QString::fromUtf8(hidden))->setVisible(false);
    termin->addSeparator()->setVisible(false);
    QAction* start = termin->addAction(QStringLiteral("Automatische Wardolin starten"));
    start->setObjectName(QStringLiteral("mnuTerminStarten"));
    connect(start, &QAction::triggered, this, &frmTermin::mnuTerminStarten_Click);
    termin->addSeparator();
    QAction* exportCalendar = termin->addAction(QStringLiteral("E&xportieren (iCalendar) ..."));
    exportCalendar->setObjectName(QStringLiteral("mnuExportieren"));
    connect(exportCalendar, &QAction::triggered, this, &frmTermin::mnuExportieren_Click);
    QAction* importCalendar = termin->addAction(QStringLiteral("&Importieren (iCalendar) ..."));
    importCalendar->setObjectName(QStringLiteral("mnuImportieren"));
    connect(importCalendar, &QAction::triggered, this, &frmTermin::mnuImportieren_Click);
    termin->addSeparator();
    QAction* end = termin->addAction(QStringLiteral("Programm beenden"));
    end->setObjectName(QStringLiteral("mnuEnde"));
    connect(end, &QAction::triggered, this, [this] {
        close();
        QApplication::quit();
    });

    QMenu* extras = menuBar()->addMenu(QStringLiteral("E&xtras"));
    QAction* specialDays = extras->addAction(QStringLiteral("Liste der besonderen Tage und Feiertage"));
    specialDays->setObjectName(QStringLiteral("mnuFeiertag"));
    connect(specialDays, &QAction::triggered, this, &frmTermin::mnuFeiertag_Click);
    QAction* syncCalendar = extras->addAction(QStringLiteral("&Kalender abgleichen (CalDAV) ..."));
    syncCalendar->setObjectName(QStringLiteral("mnuAbgleich"));
    connect(syncCalendar, &QAction::triggered, this, &frmTermin::mnuAbgleich_Click);

    QMenu* hilfe = menuBar()->addMenu(QStringLiteral("H&ilfe"));
    QAction* help = hilfe->addAction(QStringLiteral("Hilfe anzeigen"));
    help->setObjectName(QStringLiteral("mnuHilfe"));
    connect(help, &QAction::triggered, this, &frmTermin::mnuHilfe_Click);
    hilfe->addSeparator();
    QAction* web = hilfe->addAction(QStringLiteral("Brisko im Internet"));
    web->setObjectName(QStringLiteral("mnuInternet"));
    web->setEnabled(!contact::kWebAddress.isEmpty());
    connect(web, &QAction::triggered, this, &frmTermin::mnuInternet_Click);
    hilfe->addSeparator();
    QAction* info = hilfe->addAction(QStringLiteral("Info"));
    info->setObjectName(QStringLiteral("mnuInfo"));
    connect(info, &QAction::triggered, this, &frmTermin::mnuInfo_Click);
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
            Toolbar3->addSeparator();
            continue;
        }
        const QString caption = QString::fromUtf8(button.caption);
        QAction* action = Toolbar3->addAction(pictures::tool(button.picture), caption);
        action->setObjectName(QString::fromLatin1(button.name));
        action->setToolTip(QString::fromUtf8(button.tooltip));
        // The button's text keeps the '&', so its access key is underlined; the button then owns
        // the shortcut (a second one on the action would make the key ambiguous).
        action->setIconText(caption);
        if (position == kPastPosition) {
            AlteTermine = action;
            AlteTermine->setCheckable(true);
            // Toggled, not triggered: a screen reader's toggle switches the view as a click does.
            connect(AlteTermine, &QAction::toggled, this, [this] {
                reloadByToggle();
                afterCommand();
            });
            continue;
        }
        connect(action, &QAction::triggered, this, [this, position] { toolbarClicked(position); });
    }
    for (QAction* action : Toolbar3->actions()) {
        if (!QKeySequence::mnemonic(action->iconText()).isEmpty())
            new OverflowAccessKey(Toolbar3->widgetForAction(action), action, this);
    }
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
    case kDeletePosition: {
        // The row asked about, whatever the list shows once the question is answered.
        const std::optional<qint64> shown = currentId();
        if (ui::MessageBox::show(this, QMessageBox::Critical, windowTitle(),
                                 QStringLiteral("Markierten Termin löschen?"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
            return;
        TerminLoeschen(shown);
        break;
    }
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
    afterCommand();
}

void frmTermin::afterCommand() {
    if (m_autoSync)
        m_autoSync->changed();
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
    if (!m_help) {
        const QString file = installedFile(location::programDirectory(), frmHilfe::kHelpFile);
        if (!QFileInfo::exists(file))
            return;
        m_help = new frmHilfe(file, this);
    }
    bringUp(m_help);
}

void frmTermin::mnuInternet_Click() {
    if (!contact::kWebAddress.isEmpty())
        ui::Platform::instance().openUrl(contact::kWebAddress);
}

void frmTermin::mnuInfo_Click() {
    if (!m_info)
        m_info = new frmInfo(this);
    bringUp(m_info);
}

void frmTermin::mnuFeiertag_Click() {
    if (!m_specialDays)
        m_specialDays = new frmFeiertag(this);
    bringUp(m_specialDays);
}

void frmTermin::closeOwnWindows() {
    for (QWidget* window :
         std::initializer_list<QWidget*>{m_specialDays, m_help, m_info, m_legend, m_syncDialog}) {
        if (window)
            window->close();
    }
}

} // namespace moravel::planner
