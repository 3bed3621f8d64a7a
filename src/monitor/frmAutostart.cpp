#include "frmAutostart.h"

#include "AlwaysOnTop.h"
#include "Background.h"
#include "Clock.h"
#include "DataLocation.h"
#include "GermanNames.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "Pictures.h"
#include "Platform.h"
#include "SettingsStore.h"
#include "WindowGeometry.h"
#include "frmZeittermin.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <utility>

namespace moravel::monitor {

namespace {

const QString kMainLeft = QStringLiteral("MainLeft");
const QString kMainTop = QStringLiteral("MainTop");
const QString kMainWidth = QStringLiteral("MainWidth");
const QString kMainHeight = QStringLiteral("MainHeight");
const QString kWindowState = QStringLiteral("WindowStateX");
const QString kCaption = QStringLiteral("Brisko Wardolin");

// The smallest window in which the list and the button can still be used.
constexpr double kMinWidth = 2235;
constexpr double kMinHeight = 1800;

// A stored window dimension in twips; a text that is no finite number keeps the built-in value.
double twipsSetting(const QString& key, double builtIn) {
    return ui::storedTwips(settings::read(settings::kSectionWardol, key)).value_or(builtIn);
}

// The decimal text of a single-precision number, as the dimensions have always been stored.
QString singleText(double value) {
    return numtext::general(QString::number(static_cast<float>(value), 'g', 7).toDouble());
}

int windowStateNumber(Qt::WindowStates state) {
    if (state.testFlag(Qt::WindowMinimized))
        return 1;
    if (state.testFlag(Qt::WindowMaximized))
        return 2;
    return 0;
}

QLabel* makeLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

frmAutostart::frmAutostart(QWidget* parent)
    : QWidget(parent), Image1(makeLabel(this, "Image1")), Label1(makeLabel(this, "Label1")),
      Label2(makeLabel(this, "Label2")), Label3(makeLabel(this, "Label3")), List1(new QListWidget(this)),
      Command1(new QPushButton(this)), m_engine(new MonitorEngine(this)), m_reminders(*this) {
    setObjectName(QStringLiteral("frmAutostart"));
    setWindowTitle(kCaption);
    const auto px = [this](double twips) { return ui::toPixels(twips, this); };

    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->lower();

    Label1->setText(QStringLiteral("Termine"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->move(px(120), px(120));
    Label1->resize(px(4755), Label1->sizeHint().height());

    // Working fields of the reminder comparison; they were never meant for the user's eye.
    for (QLabel* field : {Label2, Label3}) {
        field->setGeometry(px(6420), field == Label2 ? px(120) : px(420), px(1200), px(255));
        field->hide();
    }
    for (QLabel* label : {Label1, Label2, Label3})
        label->setTextFormat(Qt::PlainText);

    List1->setObjectName(QStringLiteral("List1"));
    QFont listFont(QStringLiteral("MS Sans Serif"));
    listFont.setPointSizeF(8.25);
    listFont.setBold(true);
    List1->setFont(listFont);
    List1->setGeometry(px(120), px(420), px(4755), px(2250));

    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setText(QStringLiteral("&Termine  überwachen"));
    Command1->setToolTip(QStringLiteral("Fenster in den SysTray (neben Systemuhr) verkleinern"));
    Command1->setGeometry(px(1440), px(2820), px(1995), px(435));
    connect(Command1, &QPushButton::clicked, this, &frmAutostart::Command1_Click);
    // The window opens with the focus on its button: a list with the focus draws its first line
    // as the current one, as if the user had chosen it.
    Command1->setFocus();

    connect(m_engine, &MonitorEngine::gelesen, this, &frmAutostart::listeZeigen);
    connect(m_engine, &MonitorEngine::verglichen, this, [this](const QString& moment, const QString& now) {
        Label2->setText(moment);
        Label3->setText(now);
    });
    connect(m_engine, &MonitorEngine::faellig, this,
            [this](const Appointment& row) { m_reminders.add(row); });
    connect(m_engine, &MonitorEngine::hinweis, this,
            [](const QString& text) { ui::MessageBox::show(nullptr, QMessageBox::Warning, kCaption, text); });
}

frmAutostart::~frmAutostart() = default;

void frmAutostart::Form_Load() {
    // On top before the geometry: changing the window's flags makes a new native window, which
    // would take the stored position for the inner area instead of the frame.
    FensterImmerOben(this);
    restoreGeometry();
    PfadzurExe = location::programDirectory();
    m_engine->start();
    if (List1->count() > 0)
        showMainWindow();
    else
        goToBackground();
}

void frmAutostart::listeZeigen(const QStringList& lines, int count) {
    List1->clear();
    List1->addItems(lines);
    Label1->setText(summaryText(count));
}

void frmAutostart::restoreGeometry() {
    const double left = twipsSetting(kMainLeft, 10);
    const double top = twipsSetting(kMainTop, 10);
    const double width = twipsSetting(kMainWidth, 6500);
    const double height = twipsSetting(kMainHeight, 6500);
    const qint64 state =
        numtext::parseWhole(settings::read(settings::kSectionWardol, kWindowState, QStringLiteral("0")))
            .value_or(0);

    const auto px = [this](double twips) { return ui::toPixels(twips, this); };
    QRect frame(px(left), px(top), px(width), px(height));
    frame = ui::usableGeometry(frame, QSize(px(kMinWidth), px(kMinHeight)), ui::availableAreaFor(frame));

    // The state first, for the same reason: setting it makes the native window. A window mapped
    // minimised comes up normal on X, so that state waits for the first showing.
    m_startMinimised = state == 1;
    if (state == 2)
        setWindowState(Qt::WindowMaximized);
    move(frame.topLeft());
    resize(frame.size());
    m_framePos = frame.topLeft();
    Form_Resize();
}

frmZeittermin* frmAutostart::popup() const {
    return m_reminders.popup();
}

QPixmap frmAutostart::hintergrundBild() const {
    return Image1->pixmap();
}

void frmAutostart::Command1_Click() {
    goToBackground();
}

void frmAutostart::showMainWindow() {
    if (std::exchange(m_startMinimised, false)) {
        showMinimisedWindow();
    } else {
        show();
        raise();
        activateWindow();
    }
    // A window that comes up minimised or without the focus must still stop monitoring.
    m_engine->pause();
}

void frmAutostart::showMinimisedWindow() {
    // X ignores the state of a window that is not mapped yet: it is shown first, then minimised.
    if (!isVisible()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    }
    setWindowState(windowState() | Qt::WindowMinimized);
}

void frmAutostart::goToBackground() {
    // A start in the background leaves the saved state behind: whoever shows the window later
    // wants to see it.
    m_startMinimised = false;
    if (m_background)
        m_background->show();
    else
        hide();
    m_engine->resume();
}

bool frmAutostart::ausGewuenscht() const {
    return m_background && m_background->ausGewuenscht();
}

bool frmAutostart::event(QEvent* event) {
    // Monitoring stands while the user looks at the window. A minimised window that gets the
    // focus is not looked at (it waits there for a notification area); its restoring is.
    if (event->type() == QEvent::WindowActivate && !isMinimized())
        m_engine->pause();
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && isActiveWindow())
        m_engine->pause();
    return QWidget::event(event);
}

void frmAutostart::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!isMinimized())
        m_framePos = pos();
}

void frmAutostart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmAutostart::Form_Resize() {
    const auto px = [this](double twips) { return ui::toPixels(twips, this); };
    // The picture is drawn for the window's size rather than stretched, so its clock stays round.
    Image1->setGeometry(rect());
    Image1->setPixmap(backgroundPicture(size()));

    const int listWidth = width() - px(240);
    const int listHeight = height() - px(1100);
    // A window too small for the list keeps the list's last size.
    if (listWidth >= 0)
        List1->resize(listWidth, List1->height());
    if (listHeight >= 0)
        List1->resize(List1->width(), listHeight);
    Command1->move(width() / 2 - Command1->width() / 2, List1->y() + List1->height() + px(120));

    const QDate today = Clock::currentDate();
    setWindowTitle(kCaption + QStringLiteral("    -   ") + german::weekdayName(today) + QLatin1Char(' ') +
                   today.toString(QStringLiteral("dd.MM.yy")));
}

void frmAutostart::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmAutostart::Form_Unload() {
    const auto twips = [this](int pixels) { return singleText(ui::toTwips(pixels, this)); };
    const QPoint framePos = isMinimized() ? m_framePos : pos();
    settings::write(settings::kSectionWardol, kMainLeft, twips(framePos.x()));
    settings::write(settings::kSectionWardol, kMainTop, twips(framePos.y()));
    settings::write(settings::kSectionWardol, kMainWidth, twips(width()));
    settings::write(settings::kSectionWardol, kMainHeight, twips(height()));
    settings::write(settings::kSectionWardol, kWindowState,
                    QString::number(windowStateNumber(windowState())));
    settings::write(settings::kSectionTermin, QStringLiteral("IstAktiv"), QStringLiteral("0"));
    m_engine->stop();
    if (m_background)
        m_background->entladen();
    Q_EMIT entladen();
}

} // namespace moravel::monitor
