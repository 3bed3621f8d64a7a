#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace moravel::monitor {

// The monitor's info window "Brisko Wardolin": what the program is, its version and the
// directory it runs from. Distinct from the planner's info window of the same name.
class frmInfoMonitor : public QWidget {
    Q_OBJECT
public:
    frmInfoMonitor();

    // Fills the texts and shows the window, or brings the open window forward.
    void oeffnen();

    // "Unterprogramm vom Brisko Moravel", version and status, in three lines.
    static QString infoText();

private:
    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Text1;
    QPushButton* Command1;
};

} // namespace moravel::monitor
