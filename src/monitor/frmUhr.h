#pragma once

#include <QDateTime>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

class QLabel;
class QTimer;

namespace moravel::monitor {

// The desktop clock: a borderless strip above all windows with weekday, date and time to
// the second, in the colours of the settings. A white text background is see-through; the
// mouse over the text lights it up in magenta so that the strip can be found and dragged.
class frmUhr : public QWidget {
    Q_OBJECT
public:
    frmUhr();

    // Reads colours and position from the settings and shows the time at once; does not show
    // the window.
    void Form_Load();
    void Timer1_Timer();

    // The text colour item of the tray menu: takes effect without showing or hiding the clock.
    void setTextfarbe(const QColor& colour);

    // "Montag, 7. Dezember 26  13:45:09", with fixed German names.
    static QString uhrText(const QDateTime& moment);

    // Set by a press on the text and by the first mouse movement over it; while it is set,
    // a tick leaves the magenta highlight alone. Every load starts without it.
    int uhrMarke() const { return UhrMarke; }

Q_SIGNALS:
    // A double click on the text: the calendar is wanted.
    void Label1_DblClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    enum class Griff { Text, Fenster };
    enum class Zug { Kein, Bereit, Manuell, System };

    void Label1_MouseMove();
    void ziehen(Griff griff, const QPoint& globalPos);
    bool ziehenFolgen(const QMouseEvent& event);
    void ziehenBeendet();
    void positionSpeichern();

    QColor hintergrund() const;
    void setHintergrund(const QColor& colour);
    // The text's height in pixels for a designed height in twips.
    int texthoehe(double twips) const;
    void setTexthoehe(double twips);
    // Builds the window's mask anew from what it shows now, so that every changed digit is
    // inside it and every white pixel outside.
    void maskeErneuern();

    QLabel* Label1;
    QLabel* Image1;
    QTimer* Timer1;
    int UhrMarke = 0;
    QPixmap m_bild;

    // A drag from the press on: it waits for the mouse to move before the window moves, so that
    // a click or a double click stays one; then the window manager moves the window, or, where
    // it does not, the clock follows the mouse itself.
    Zug m_zug = Zug::Kein;
    Griff m_griff = Griff::Text;
    QPoint m_druckpunkt;
    QPoint m_anfasser;
    bool m_zugNachlauf = false;
};

} // namespace moravel::monitor
