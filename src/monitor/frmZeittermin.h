#pragma once

#include "Appointment.h"

#include <QWidget>

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace moravel::monitor {

class BeepPattern;
class frmAutostart;

// The reminder popup "Fälliger Termin!". Created by the first reminder, hidden when the user
// dismisses it or asks to be reminded later, and shown again by the next one; its close box
// destroys it.
class frmZeittermin : public QWidget {
    Q_OBJECT
public:
    // Creation: takes the main window's picture, hides the main window and stays on top.
    explicit frmZeittermin(frmAutostart& main);

    // Shows the window, then fills it for the appointment. With the sound, the beep pattern
    // plays, unless the user has asked the monitor to end.
    void zeigeTermin(const Appointment& row, bool mitTon);
    // Dismissal: any click on the window outside the subject and its buttons.
    void Beenden();
    // "Später erinnern": dismissal with the wish to be reminded again after the chosen minutes.
    void SpaeterErinnern();

    // The minutes of "Später erinnern" shown in the choice.
    int abstand() const;
    void setAbstand(int minuten);
    static constexpr std::array<int, 5> kAbstaende{5, 10, 15, 30, 60};
    static constexpr int kAbstandVorgabe = 10;

Q_SIGNALS:
    // The user has dismissed the popup; what comes next is the caller's.
    void beendet();
    // The user closed the popup with its close box; it deletes itself.
    void geschlossen();
    // The user wants this reminder again after so many minutes; what comes next is the caller's.
    void spaeterErinnern(int minuten);
    // The user chose another number of minutes for "Später erinnern".
    void abstandGewaehlt(int minuten);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    frmAutostart& m_main;
    QLabel* Image1;
    QLabel* Image2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Text1;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QComboBox* Combo1;
    BeepPattern* m_beeps;
};

} // namespace moravel::monitor
