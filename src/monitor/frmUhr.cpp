#include "frmUhr.h"

#include "AlwaysOnTop.h"
#include "Clock.h"
#include "GermanNames.h"
#include "NumberText.h"
#include "Pictures.h"
#include "Platform.h"
#include "RegionFromBitmap.h"
#include "SettingsStore.h"
#include "WindowGeometry.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <optional>

namespace moravel::monitor {

namespace {

const QString kHintergrund = QStringLiteral("UhrHintergrund");
const QString kFarbe = QStringLiteral("UhrFarbe");
const QString kFensterTop = QStringLiteral("UhrFensterTop");
const QString kFensterLeft = QStringLiteral("UhrFensterLeft");

// White is see-through; magenta makes a see-through text background visible under the mouse.
const QColor kWeiss(255, 255, 255);
const QColor kMagenta(255, 0, 255);
constexpr qint64 kGruen = 65280;

constexpr double kTextBreite = 3435;
constexpr double kTexthoeheEntwurf = 255;
constexpr double kTexthoeheTransparent = 795;
constexpr double kTexthoeheMarke = 200;

constexpr int kTickMs = 1000;
constexpr int kRandPixel = 10;
constexpr int kPanelPixel = 40;

QFont uhrSchrift(QFont font) {
    // Tahoma where it is installed, otherwise the narrowest bold sans serif at hand, so that the
    // longest date still fits the strip.
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans Condensed")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(true);
    // Smoothed edges would leave half-tones of white around the letters, a pale fringe once
    // white is see-through.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

std::optional<qint64> wholeSetting(const QString& key) {
    return numtext::parseWhole(settings::read(settings::kSectionSetting, key));
}

// The strip behind the text: white, the see-through colour, so that any part the text leaves
// uncovered never shows as a border around a transparent clock. At least the designed 230 x 13
// pixels, and as large as the font in use needs for the longest date, descenders included.
QPixmap stripFor(const QFont& font) {
    const QFontMetrics metrics(font);
    int width = 230;
    const QDate first(2026, 1, 1);
    for (QDate day = first; day.year() == first.year(); day = day.addDays(1))
        width =
            std::max(width, metrics.horizontalAdvance(frmUhr::uhrText(QDateTime(day, QTime(23, 58, 58)))));
    QPixmap strip(width, std::max(13, metrics.height()));
    strip.fill(Qt::white);
    return strip;
}

bool sameColour(const QColor& a, const QColor& b) {
    return a.rgb() == b.rgb();
}

void setColour(QLabel* label, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(role, colour);
    label->setPalette(palette);
}

} // namespace

frmUhr::frmUhr()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), Label1(new QLabel(this)),
      Image1(new QLabel(this)), Timer1(new QTimer(this)) {
    setObjectName(QStringLiteral("frmUhr"));
    setWindowTitle(QStringLiteral("Uhr"));
    const auto px = [this](double twips) { return ui::toPixels(twips, this); };

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(uhrSchrift(Label1->font()));

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(stripFor(Label1->font()));
    Image1->hide();

    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setAutoFillBackground(true);
    setColour(Label1, QPalette::Window, kWeiss);
    setColour(Label1, QPalette::WindowText, palette().color(QPalette::ButtonText));
    Label1->setGeometry(0, 0, px(kTextBreite), px(kTexthoeheEntwurf));
    Label1->setMouseTracking(true);
    Label1->setCursor(Qt::SizeAllCursor);
    Label1->installEventFilter(this);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &frmUhr::Timer1_Timer);

    // Design position: the top right corner of the desktop, below where a panel may lie
    // without reserving its space.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.right() + 1 - Image1->pixmap().width() - kRandPixel, desktop.top() + kPanelPixel);
    }
}

void frmUhr::Form_Load() {
    Timer1->setInterval(kTickMs);
    Timer1->start();
    Label1->setText(uhrText(Clock::currentDateTime()));

    const qint64 hintergrundWert = wholeSetting(kHintergrund).value_or(kGruen);

    m_bild = Image1->pixmap();
    setFixedSize(m_bild.size());

    const std::optional<qint64> farbe = wholeSetting(kFarbe);
    const std::optional<double> top = ui::storedTwips(settings::read(settings::kSectionSetting, kFensterTop));
    const std::optional<double> left =
        ui::storedTwips(settings::read(settings::kSectionSetting, kFensterLeft));
    // Each stored edge that is a number is applied, the other keeps the design position; a clock
    // that would lie off the screen is moved back onto it.
    const QRect stored(QPoint(left ? ui::toPixels(*left, this) : x(), top ? ui::toPixels(*top, this) : y()),
                       size());
    move(ui::usableGeometry(stored, size(), ui::availableAreaFor(stored)).topLeft());

    if (farbe)
        setColour(Label1, QPalette::WindowText, ui::colorFromValue(*farbe));
    setHintergrund(ui::colorFromValue(hintergrundWert));
    if (sameColour(hintergrund(), kWeiss))
        setTexthoehe(kTexthoeheTransparent);

    Label1->resize(Image1->pixmap().width(), Label1->height());
    FensterImmerOben(this);
    maskeErneuern();
}

QString frmUhr::uhrText(const QDateTime& moment) {
    const QDate date = moment.date();
    return german::weekdayName(date) + QStringLiteral(", ") + QString::number(date.day()) +
           QStringLiteral(". ") + german::monthName(date.month()) + QLatin1Char(' ') +
           date.toString(QStringLiteral("yy")) + QStringLiteral("  ") +
           moment.time().toString(QStringLiteral("HH:mm:ss"));
}

void frmUhr::Timer1_Timer() {
    Label1->setText(uhrText(Clock::currentDateTime()));
    if (sameColour(hintergrund(), kMagenta) && UhrMarke == 0)
        setHintergrund(kWeiss);
    maskeErneuern();
}

void frmUhr::setTextfarbe(const QColor& colour) {
    setColour(Label1, QPalette::WindowText, colour);
    maskeErneuern();
}

QColor frmUhr::hintergrund() const {
    return Label1->palette().color(QPalette::Window);
}

void frmUhr::setHintergrund(const QColor& colour) {
    setColour(Label1, QPalette::Window, colour);
    maskeErneuern();
}

int frmUhr::texthoehe(double twips) const {
    // Never lower than the text itself.
    return std::max(ui::toPixels(twips, this), QFontMetrics(Label1->font()).height());
}

void frmUhr::setTexthoehe(double twips) {
    Label1->resize(Label1->width(), texthoehe(twips));
    maskeErneuern();
}

void frmUhr::maskeErneuern() {
    QImage image(size(), QImage::Format_RGB32);
    image.fill(kWeiss);
    render(&image, QPoint(), QRegion(),
           QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    QRegion region = RegionFromBitmap(image, kWeiss);
    // An empty mask would mean no mask at all, the whole white strip; one pixel keeps a clock
    // whose text is see-through as well nearly invisible, as chosen.
    if (region.isEmpty())
        region = QRegion(0, 0, 1, 1);
    setMask(region);
}

void frmUhr::Label1_MouseMove() {
    if (Label1->height() != texthoehe(kTexthoeheMarke) && UhrMarke == 0) {
        setTexthoehe(kTexthoeheMarke);
        UhrMarke = 1;
    }
    if (sameColour(hintergrund(), kWeiss)) {
        setHintergrund(kMagenta);
    } else if (sameColour(hintergrund(), kMagenta) && UhrMarke == 1) {
        setHintergrund(kWeiss);
        UhrMarke = 0;
    }
}

bool frmUhr::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Label1)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        if (!ziehenFolgen(*static_cast<QMouseEvent*>(event)))
            Label1_MouseMove();
        return true;
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            UhrMarke = 1;
            ziehen(Griff::Text, mouse->globalPosition().toPoint());
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (m_zug != Zug::Kein)
            ziehenBeendet();
        return true;
    case QEvent::MouseButtonDblClick:
        Q_EMIT Label1_DblClick();
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void frmUhr::mousePressEvent(QMouseEvent* event) {
    ziehen(Griff::Fenster, event->globalPosition().toPoint());
}

void frmUhr::mouseMoveEvent(QMouseEvent* event) {
    ziehenFolgen(*event);
}

void frmUhr::mouseReleaseEvent(QMouseEvent*) {
    if (m_zug != Zug::Kein)
        ziehenBeendet();
}

void frmUhr::ziehen(Griff griff, const QPoint& globalPos) {
    m_zug = Zug::Bereit;
    m_griff = griff;
    m_zugNachlauf = false;
    m_druckpunkt = globalPos;
    m_anfasser = globalPos - pos();
}

bool frmUhr::ziehenFolgen(const QMouseEvent& event) {
    if (m_zug == Zug::Kein)
        return false;
    const QPoint globalPos = event.globalPosition().toPoint();
    // A movement without a button: the release went elsewhere (to the window manager that
    // moved the window, say), and the drag is over.
    if (event.buttons() == Qt::NoButton) {
        ziehenBeendet();
        return true;
    }
    if (m_zug == Zug::Bereit) {
        if ((globalPos - m_druckpunkt).manhattanLength() < QApplication::startDragDistance())
            return true;
        m_zug = windowHandle() && windowHandle()->startSystemMove() ? Zug::System : Zug::Manuell;
    }
    if (m_zug == Zug::Manuell)
        move(globalPos - m_anfasser);
    return true;
}

void frmUhr::ziehenBeendet() {
    m_zugNachlauf = m_zug == Zug::System;
    m_zug = Zug::Kein;
    if (m_griff == Griff::Fenster) {
        if (sameColour(hintergrund(), kWeiss))
            setTexthoehe(kTexthoeheTransparent);
        UhrMarke = 0;
    }
    positionSpeichern();
}

void frmUhr::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (m_zugNachlauf)
        positionSpeichern();
}

void frmUhr::positionSpeichern() {
    settings::write(settings::kSectionSetting, kFensterTop, numtext::general(ui::toTwips(y(), this)));
    settings::write(settings::kSectionSetting, kFensterLeft, numtext::general(ui::toTwips(x(), this)));
}

void frmUhr::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bild);
}

} // namespace moravel::monitor
