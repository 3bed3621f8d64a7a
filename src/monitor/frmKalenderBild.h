#pragma once

#include <QWidget>

class QCalendarWidget;
class QPushButton;

namespace moravel::monitor {

// The small month calendar the desktop clock opens. It stays above ordinary windows and
// closes with Escape as well as with its close box.
class frmKalenderBild : public QWidget {
    Q_OBJECT
public:
    frmKalenderBild();

    // Shows the window on today, or brings the open window forward and selects today again.
    void oeffnen();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QCalendarWidget* MonthView1;
    // The close button; it lies below the visible area, and Escape presses it.
    QPushButton* Command1;
};

} // namespace moravel::monitor
