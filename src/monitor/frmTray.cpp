#include "frmTray.h"

#include "DesktopNotifier.h"
#include "MessageBox.h"
#include "Pictures.h"
#include "Platform.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "TrayIcon.h"
#include "frmAutostart.h"
#include "frmInfoMonitor.h"
#include "frmKalenderBild.h"
#include "frmUhr.h"
#include "modRegistry.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

namespace moravel::monitor {

namespace {

const QString kTip = QStringLiteral("Brisko Moravel");
const QString kIstAktiv = QStringLiteral("IstAktiv");
const QString kAutostart = QStringLiteral("Autostart");
const QString kUhrStart = QStringLiteral("UhrStart");

// A notification area that comes up after the monitor (at logon, say) is looked for every two
// seconds for five minutes.
constexpr int kTrayWartenMs = 2000;
constexpr int kTrayVersuche = 150;

struct Farbe {
    const char* name;
    const char* caption;
    qint64 wert;
};

const std::array<Farbe, 7> kHintergrundFarben = {{
    {"mnuHintergrundTransparent", "Hintergrundfarbe Transparent", 16777215},
    {"mnuHintergrundSchwarz", "Hintergrundfarbe Schwarz", 0},
    {"mnuHintergrundWeiss", "Hintergrundfarbe Weiß", 16711422},
    {"mnuHintergrundRot", "Hintergrundfarbe Rot", 255},
    {"mnuHintergrundGruen", "Hintergrundfarbe Grün", 52224},
    {"mnuHintergrundBlau", "Hintergrundfarbe Blau", 16750182},
    {"mnuHintergrundGrau", "Hintergrundfarbe WinGrau", -2147483633},
}};

const std::array<Farbe, 7> kTextFarben = {{
    {"mnuUhrTextTransparent", "Textfarbe Transparent", 16777215},
    {"mnuUhrTextSchwarz", "Textfarbe Schwarz", 0},
    {"mnuUhrTextWeiss", "Textfarbe Weiß", 16711422},
    {"mnuUhrTextRot", "Textfarbe Rot", 255},
    {"mnuUhrTextGruen", "Textfarbe Grün", 65280},
    {"mnuUhrTextBlau", "Textfarbe Blau", 16711680},
    {"mnuUhrTextGelb", "Textfarbe Gelb", 65535},
}};

QAction* item(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* checkItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = item(menu, name, caption);
    action->setCheckable(true);
    return action;
}

} // namespace

frmTray::frmTray(frmAutostart& main, std::unique_ptr<TrayIcon> icon)
    : QWidget(nullptr, Qt::Tool), mnBar(new QMenu(this)), m_main(main), m_icon(std::move(icon)),
      m_trayWarten(new QTimer(this)) {
    setObjectName(QStringLiteral("frmTray"));

    mnBar->setObjectName(QStringLiteral("mnBar"));
    mnBar->setTitle(QStringLiteral("Menu"));
    // Choosing it closes the menu, and that is all it does.
    mnuAbbrechen = item(mnBar, "mnuAbbrechen", QStringLiteral("Abbrechen"));
    mnBar->addSeparator();
    mnNix = item(mnBar, "mnNix", QStringLiteral("Moravel"));
    mnBeep = item(mnBar, "mnBeep", QStringLiteral("Aktuelle Termine zeigen"));
    mnBar->addSeparator();
    mnuAutostart = checkItem(mnBar, "mnuAutostart", QStringLiteral("Wardolin autom. mit Windows starten"));
    mnuBenachrichtigung = checkItem(mnBar, "mnuBenachrichtigung",
                                    QStringLiteral("Erinnerungen auch als Desktop-Benachrichtigung"));
    mnBar->addSeparator();
    mnuUhreinstellungen = mnBar->addMenu(QStringLiteral("Uhr Einstellungen"));
    mnuUhreinstellungen->setObjectName(QStringLiteral("mnuUhreinstellungen"));
    mnuUhreinstellungen->menuAction()->setObjectName(QStringLiteral("mnuUhreinstellungen"));
    mnuUhrZeigen = checkItem(mnuUhreinstellungen, "mnuUhrZeigen", QStringLiteral("Uhr anzeigen"));
    mnuUhreinstellungen->addSeparator();
    for (size_t i = 0; i < kHintergrundFarben.size(); ++i) {
        const Farbe& farbe = kHintergrundFarben[i];
        mnuHintergrund[i] = item(mnuUhreinstellungen, farbe.name, QString::fromUtf8(farbe.caption));
        connect(mnuHintergrund[i], &QAction::triggered, this,
                [this, wert = farbe.wert] { mnuHintergrund_Click(wert); });
    }
    mnuUhreinstellungen->addSeparator();
    for (size_t i = 0; i < kTextFarben.size(); ++i) {
        const Farbe& farbe = kTextFarben[i];
        mnuUhrText[i] = item(mnuUhreinstellungen, farbe.name, QString::fromUtf8(farbe.caption));
        connect(mnuUhrText[i], &QAction::triggered, this,
                [this, wert = farbe.wert] { mnuUhrText_Click(wert); });
    }
    mnBar->addSeparator();
    mnMsgShow = item(mnBar, "mnMsgShow", QStringLiteral("Info..."));
    mnExit = item(mnBar, "mnExit", QStringLiteral("Wardolin ganz beenden"));

    connect(mnNix, &QAction::triggered, this, &frmTray::mnNix_Click);
    connect(mnBeep, &QAction::triggered, this, &frmTray::mnBeep_Click);
    connect(mnuAutostart, &QAction::triggered, this, &frmTray::mnuAutostart_Click);
    connect(mnuBenachrichtigung, &QAction::triggered, this, &frmTray::mnuBenachrichtigung_Click);
    connect(mnuUhrZeigen, &QAction::triggered, this, &frmTray::mnuUhrZeigen_Click);
    connect(mnMsgShow, &QAction::triggered, this, &frmTray::mnMsgShow_Click);
    connect(mnExit, &QAction::triggered, this, &frmTray::mnExit_Click);

    connect(m_icon.get(), &TrayIcon::activated, this, &frmTray::icon_Activated);
    m_trayWarten->setObjectName(QStringLiteral("trayWarten"));
    m_trayWarten->setInterval(kTrayWartenMs);
    connect(m_trayWarten, &QTimer::timeout, this, &frmTray::trayWarten_Timer);
}

frmTray::~frmTray() = default;

void frmTray::show() {
    if (!m_geladen)
        Form_Load();
    Form_Activate();
}

void frmTray::Form_Load() {
    m_geladen = true;
    settings::write(settings::kSectionTermin, kIstAktiv, QStringLiteral("1"));
    autostartAnwenden();
    mnuBenachrichtigung->setChecked(desktopNotificationsWanted());
    const bool uhrStart = settings::read(settings::kSectionTermin, kUhrStart) == QLatin1String("1");
    mnuUhrZeigen->setChecked(uhrStart);
    if (uhrStart)
        uhrLaden().show();
    iconEinrichten();
}

void frmTray::iconEinrichten() {
    m_trayVersuche = 0;
    if (m_icon->available()) {
        m_trayWarten->stop();
        m_icon->install(trayIcon(), kTip, mnBar);
    } else {
        m_trayWarten->start();
    }
}

void frmTray::Form_Activate() {
    if (m_icon->installed()) {
        m_main.hide();
    } else {
        // No notification area to go to: the monitor stays reachable from the task bar, and
        // keeps watching, since a minimised window is not the active one.
        m_main.showMinimisedWindow();
    }
    hide();
}

void frmTray::trayWarten_Timer() {
    ++m_trayVersuche;
    if (m_icon->available()) {
        m_trayWarten->stop();
        m_icon->install(trayIcon(), kTip, mnBar);
        // Only a main window still waiting in the task bar goes; one the user has opened stays.
        if (m_main.isMinimized())
            m_main.hide();
    } else if (m_trayVersuche >= kTrayVersuche) {
        m_trayWarten->stop();
    }
}

void frmTray::autostartAnwenden() {
    const bool an = settings::read(settings::kSectionTermin, kAutostart) == QLatin1String("1");
    // Deleted first in any case: a monitor that has moved corrects its entry.
    modRegistry::EintragLoeschen(modRegistry::kEintragName);
    if (an)
        modRegistry::EintragSetzen(modRegistry::kEintragName,
                                   m_main.PfadzurExe + QStringLiteral("/Wardolin"));
    mnuAutostart->setChecked(modRegistry::eintragVorhanden(modRegistry::kEintragName));
}

void frmTray::mnuAutostart_Click(bool einschalten) {
    if (einschalten) {
        settings::write(settings::kSectionTermin, kAutostart, QStringLiteral("1"));
        modRegistry::EintragSetzen(modRegistry::kEintragName,
                                   m_main.PfadzurExe + QStringLiteral("/Wardolin"));
    } else {
        settings::write(settings::kSectionTermin, kAutostart, QStringLiteral("0"));
        modRegistry::EintragLoeschen(modRegistry::kEintragName);
    }
    // The mark tells what is there, not what was wanted: an entry that could not be written
    // is not shown as switched on.
    mnuAutostart->setChecked(modRegistry::eintragVorhanden(modRegistry::kEintragName));
}

void frmTray::mnuBenachrichtigung_Click(bool einschalten) {
    if (!setDesktopNotificationsWanted(einschalten))
        ui::MessageBox::show(nullptr, QMessageBox::Warning, QStringLiteral("Brisko Wardolin"),
                             QStringLiteral("Die Einstellung konnte nicht in\n%1\ngespeichert werden.")
                                 .arg(settings::filePath()));
    // The mark tells what is stored, and so what the next reminder does.
    mnuBenachrichtigung->setChecked(desktopNotificationsWanted());
}

void frmTray::icon_Activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    // Every left click counts: Qt reports the second of two quick clicks as a double click only.
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick:
        mnNix_Click();
        break;
    case QSystemTrayIcon::Context:
        PopupMenueIstSichtbar();
        break;
    default:
        break;
    }
}

void frmTray::PopupMenueIstSichtbar() {
    mnBar->popup(QCursor::pos());
}

void frmTray::mnNix_Click() {
    // A running planner comes to the front. A new one would go through its whole start-up before
    // handing over, and tell the reminders given since the last planner ended as missed.
    if (ui::SingleInstance::notifyRunning(ui::kPlannerInstance))
        return;
    ui::Platform::instance().startProgram(m_main.PfadzurExe + QStringLiteral("/Moravel"));
}

void frmTray::mnBeep_Click() {
    m_main.showMainWindow();
    schliessen();
}

void frmTray::anderenStartUebernehmen() {
    if (m_geladen)
        mnBeep_Click();
    else
        m_main.showMainWindow();
}

void frmTray::mnuUhrZeigen_Click(bool zeigen) {
    settings::write(settings::kSectionTermin, kUhrStart, zeigen ? QStringLiteral("1") : QStringLiteral("0"));
    if (zeigen)
        uhrLaden().show();
    else
        uhrSchliessen();
}

void frmTray::mnuHintergrund_Click(qint64 farbe) {
    // The clock is loaded anew so that it reads the colour with all its consequences (height,
    // see-through), and it is shown whatever "Uhr anzeigen" says.
    uhrSchliessen();
    settings::write(settings::kSectionSetting, QStringLiteral("UhrHintergrund"), QString::number(farbe));
    uhrLaden().show();
}

void frmTray::mnuUhrText_Click(qint64 farbe) {
    settings::write(settings::kSectionSetting, QStringLiteral("UhrFarbe"), QString::number(farbe));
    uhrLaden().setTextfarbe(ui::colorFromValue(farbe));
}

void frmTray::mnMsgShow_Click() {
    if (!m_info)
        m_info = std::make_unique<frmInfoMonitor>();
    m_info->oeffnen();
}

void frmTray::mnExit_Click() {
    m_ausGewuenscht = true;
    m_main.close();
}

frmUhr& frmTray::uhrLaden() {
    if (!m_uhr) {
        m_uhr = std::make_unique<frmUhr>();
        connect(m_uhr.get(), &frmUhr::Label1_DblClick, this, &frmTray::kalenderZeigen);
        m_uhr->Form_Load();
    }
    return *m_uhr;
}

void frmTray::uhrSchliessen() {
    m_uhr.reset();
}

void frmTray::kalenderZeigen() {
    if (!m_kalender)
        m_kalender = std::make_unique<frmKalenderBild>();
    m_kalender->oeffnen();
}

void frmTray::schliessen() {
    m_schliessenDurchCode = true;
    close();
    m_schliessenDurchCode = false;
}

void frmTray::closeEvent(QCloseEvent* event) {
    // Only the program itself, or the end of the session, takes the icon away.
    if (!m_schliessenDurchCode && !qGuiApp->isSavingSession()) {
        event->ignore();
        return;
    }
    m_trayWarten->stop();
    m_icon->remove();
    m_geladen = false;
    event->accept();
}

void frmTray::entladen() {
    m_info.reset();
    schliessen();
    uhrSchliessen();
    m_kalender.reset();
}

} // namespace moravel::monitor
