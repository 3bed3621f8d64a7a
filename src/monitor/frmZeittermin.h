#pragma once

#include "Appointment.h"
#include "BeepPattern.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace moravel::monitor {

class frmAutostart;

// The reminder popup "Fälliger Termin!". Created by the first reminder, hidden when the user
// dismisses it and shown again by the next one; its close box destroys it and brings the main
// window back.
class frmZeittermin : public QWidget {
    Q_OBJECT
public:
    // Creation: takes the main window's picture, hides the main window, stays on top and
    // plays the beep pattern unless the user has asked the monitor to end.
    explicit frmZeittermin(frmAutostart& main);

    // Shows the window, then fills it for the appointment; an open window is refilled in place.
    void zeigeTermin(const Appointment& row);
    // Dismissal: the monitor goes back to the background and the popup hides.
    void Beenden();

    BeepPattern& beepPattern() { return m_beeps; }

    QLabel* Image1;
    QLabel* Image2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Text1;
    QPushButton* Command1;
    QPushButton* Command2;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    frmAutostart& m_main;
    BeepPattern m_beeps;
};

} // namespace moravel::monitor
