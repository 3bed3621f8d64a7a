#pragma once

#include <QWidget>

#include <array>

class QLabel;

namespace moravel::planner {

// The legend of the list's day classes: shown while the right mouse button is held over the list.
class frmTerminGrafik : public QWidget {
    Q_OBJECT
public:
    explicit frmTerminGrafik(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* Picture1 = nullptr;
    std::array<QLabel*, 6> bars{};  // Label1 .. Label6: sample bars in the class colours
    std::array<QLabel*, 6> texts{}; // Label7 .. Label12: the class descriptions
};

} // namespace moravel::planner
