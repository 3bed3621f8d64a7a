#include "frmAutostart.h"

#include "AlwaysOnTop.h"
#include "Background.h"
#include "Clock.h"
#include "DataLocation.h"
#include "DateSerial.h"
#include "GermanNames.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "Pictures.h"
#include "Platform.h"
#include "Renewal.h"
#include "SettingsStore.h"
#include "TerminStore.h"
#include "frmZeittermin.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace moravel::monitor {

namespace {

const QString kMainLeft = QStringLiteral("MainLeft");
const QString kMainTop = QStringLiteral("MainTop");
const QString kMainWidth = QStringLiteral("MainWidth");
const QString kMainHeight = QStringLiteral("MainHeight");
const QString kWindowState = QStringLiteral("WindowStateX");
const QString kCaption = QStringLiteral("Brisko Wardolin");

constexpr int kTickMs = 1000;

// A stored window dimension in twips; a text that is no number keeps the built-in value.
double twipsSetting(const QString& key, double builtIn) {
    const QString fallback = numtext::general(builtIn);
    return numtext::parse(settings::read(settings::kSectionWardol, key, fallback)).value_or(builtIn);
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
      Command1(new QPushButton(this)), Timer1(new QTimer(this)) {
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

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &frmAutostart::Timer1_Timer);
}

// The popup ends with the program, not with the main window's unload.
frmAutostart::~frmAutostart() {
    delete m_popup;
}

bool frmAutostart::Form_Load() {
    // On top before the geometry: changing the window's flags makes a new native window, which
    // would take the stored position for the inner area instead of the frame.
    FensterImmerOben(this);
    restoreGeometry();
    Timer1->setInterval(kTickMs);
    startMonitoring();
    PfadzurExe = location::programDirectory();

    const QString path = location::databasePath();
    dbTermin = TerminStore::open(path);
    if (!dbTermin) {
        Timer1->stop();
        ui::MessageBox::show(
            nullptr, QMessageBox::Critical, kCaption,
            QStringLiteral("Die Termindatenbank\n%1\nkann nicht geöffnet werden: sie ist "
                           "keine Termindatenbank oder nicht lesbar.\n\nWardolin wird beendet.")
                .arg(path));
        return false;
    }

    DBAktualisieren();
    EinlesenAusDB();
    if (List1->count() > 0)
        showMainWindow();
    else
        goToBackground();
    return true;
}

void frmAutostart::restoreGeometry() {
    const double left = twipsSetting(kMainLeft, 10);
    const double top = twipsSetting(kMainTop, 10);
    const double width = twipsSetting(kMainWidth, 6500);
    const double height = twipsSetting(kMainHeight, 6500);
    const qint64 state =
        numtext::parseWhole(settings::read(settings::kSectionWardol, kWindowState, QStringLiteral("0")))
            .value_or(0);

    // The state first, for the same reason: setting it makes the native window.
    if (state == 1)
        setWindowState(Qt::WindowMinimized);
    else if (state == 2)
        setWindowState(Qt::WindowMaximized);
    move(ui::toPixels(left, this), ui::toPixels(top, this));
    resize(ui::toPixels(width, this), ui::toPixels(height, this));
    Form_Resize();
}

void frmAutostart::DBAktualisieren() {
    renewPassedAppointments(*dbTermin, serial::today(), serial::now());
}

void frmAutostart::EinlesenAusDB() {
    const QDateTime now = Clock::currentDateTime();
    const qint64 today = serial::dayNumber(now.date());
    const qint64 nowStep = stepOf(now);
    m_reminders.advance(nowStep);

    QStringList lines;
    int count = 0;
    std::vector<Appointment> due;
    // The rows are read again only when the table or the day changed; the tests below run on
    // every tick.
    m_table.forEachOnDay(*dbTermin, today, [&](const Appointment& row) {
        const std::optional<qint64> day = dayOf(row);
        if (!day)
            return;
        if (isCurrent(*day, row.VorTage, today)) {
            lines << listLines(row, *day, today);
            ++count;
        }
        // A lead is shorter than a day, so only today's and tomorrow's rows can be due today.
        if (*day > today + 1)
            return;
        const std::optional<qint64> moment = reminderMoment(*day, row);
        if (!moment)
            return;
        if (*day == today) {
            Label2->setText(fractionText(*moment, today));
            Label3->setText(fractionText(nowStep, today));
        }
        if (m_reminders.take(row.ID, *moment))
            due.push_back(row);
    });

    List1->clear();
    List1->addItems(lines);
    Label1->setText(summaryText(count));
    // Several reminders of one tick refill the popup in turn; the last in query order stays.
    for (const Appointment& row : due)
        raiseReminder(row);
}

void frmAutostart::raiseReminder(const Appointment& row) {
    if (!m_popup)
        m_popup = new frmZeittermin(*this);
    m_popup->zeigeTermin(row);
}

frmZeittermin* frmAutostart::popup() const {
    return m_popup;
}

void frmAutostart::Timer1_Timer() {
    EinlesenAusDB();
}

void frmAutostart::Command1_Click() {
    goToBackground();
    startMonitoring();
}

void frmAutostart::startMonitoring() {
    // The first tick covers only the time from now on: what fell due while the user looked
    // at the window is not made up.
    m_reminders.restart(stepOf(Clock::currentDateTime()));
    Timer1->start();
}

void frmAutostart::showMainWindow() {
    show();
    raise();
    activateWindow();
    // A window that comes up minimised or without the focus must still stop monitoring.
    Timer1->stop();
}

void frmAutostart::goToBackground() {
    if (m_background)
        m_background->show();
    else
        hide();
}

bool frmAutostart::ausGewuenscht() const {
    return m_background && m_background->ausGewuenscht();
}

bool frmAutostart::event(QEvent* event) {
    // Monitoring stands while the user looks at the window. A minimised window that gets the
    // focus is not looked at (it waits there for a notification area); its restoring is.
    if (event->type() == QEvent::WindowActivate && !isMinimized())
        Timer1->stop();
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && isActiveWindow())
        Timer1->stop();
    return QWidget::event(event);
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
    settings::write(settings::kSectionWardol, kMainLeft, twips(x()));
    settings::write(settings::kSectionWardol, kMainTop, twips(y()));
    settings::write(settings::kSectionWardol, kMainWidth, twips(width()));
    settings::write(settings::kSectionWardol, kMainHeight, twips(height()));
    settings::write(settings::kSectionWardol, kWindowState,
                    QString::number(windowStateNumber(windowState())));
    settings::write(settings::kSectionTermin, QStringLiteral("IstAktiv"), QStringLiteral("0"));
    Timer1->stop();
    dbTermin.reset();
    if (m_background)
        m_background->entladen();
    Q_EMIT entladen();
}

} // namespace moravel::monitor
