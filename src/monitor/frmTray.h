#pragma once

#include "Background.h"

#include <QSystemTrayIcon>
#include <QWidget>

#include <array>
#include <memory>

class QAction;
class QMenu;
class QTimer;

namespace moravel::monitor {

class TrayIcon;
class frmAutostart;
class frmInfoMonitor;
class frmKalenderBild;
class frmUhr;

// The monitor's place in the notification area: the icon "Brisko Moravel", its menu and the
// windows the menu opens (desktop clock, calendar, info). The window itself is never shown;
// showing it means loading it when needed and sending the monitor to the background.
class frmTray : public QWidget, public Background {
    Q_OBJECT
public:
    frmTray(frmAutostart& main, std::unique_ptr<TrayIcon> icon);
    ~frmTray() override;

    // Loads the tray window unless it is loaded, then activates it: the main window goes and
    // only the icon remains. Without a notification area the main window stays minimised
    // instead, until one appears.
    void show() override;
    bool ausGewuenscht() const override { return m_ausGewuenscht; }
    // The main window has unloaded: the info window, the tray and the clock close, in this order.
    void entladen() override;

    bool isLoaded() const { return m_geladen; }
    // Closing by the program's own code: the icon goes, and the window may close.
    void schliessen();

    // The menu at the mouse position.
    void PopupMenueIstSichtbar();

    void mnNix_Click();
    void mnBeep_Click();
    void mnuAutostart_Click(bool einschalten);
    void mnuBenachrichtigung_Click(bool einschalten);
    void mnuUhrZeigen_Click(bool zeigen);
    void mnuHintergrund_Click(qint64 farbe);
    void mnuUhrText_Click(qint64 farbe);
    void mnMsgShow_Click();
    void mnExit_Click();
    // Another monitor was started: it has handed over to this one and ended, and this one shows
    // the user its current appointments, as "Aktuelle Termine zeigen" does.
    void anderenStartUebernehmen();
    // One look for the notification area while it is missing.
    void trayWarten_Timer();

    // The windows while they are loaded; nullptr otherwise.
    frmUhr* uhr() const { return m_uhr.get(); }
    frmInfoMonitor* info() const { return m_info.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void Form_Activate();
    void autostartAnwenden();
    void iconEinrichten();
    void icon_Activated(QSystemTrayIcon::ActivationReason reason);

    frmUhr& uhrLaden();
    void uhrSchliessen();
    void kalenderZeigen();

    QMenu* mnBar;
    QAction* mnuAbbrechen;
    QAction* mnNix;
    QAction* mnBeep;
    QAction* mnuAutostart;
    QAction* mnuBenachrichtigung;
    QMenu* mnuUhreinstellungen;
    QAction* mnuUhrZeigen;
    std::array<QAction*, 7> mnuHintergrund;
    std::array<QAction*, 7> mnuUhrText;
    QAction* mnMsgShow;
    QAction* mnExit;

    frmAutostart& m_main;
    std::unique_ptr<TrayIcon> m_icon;
    bool m_geladen = false;
    bool m_ausGewuenscht = false;
    bool m_schliessenDurchCode = false;
    QTimer* m_trayWarten;
    int m_trayVersuche = 0;

    std::unique_ptr<frmUhr> m_uhr;
    std::unique_ptr<frmInfoMonitor> m_info;
    std::unique_ptr<frmKalenderBild> m_kalender;
};

} // namespace moravel::monitor
