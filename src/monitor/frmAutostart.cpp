#include "frmAutostart.h"

#include "AlwaysOnTop.h"
#include "Background.h"
#include "Clock.h"
#include "ClockJumpWatch.h"
#include "Compaction.h"
#include "DataLocation.h"
#include "DateSerial.h"
#include "GermanNames.h"
#include "MessageBox.h"
#include "MonitorLog.h"
#include "NextWakeup.h"
#include "NumberText.h"
#include "Pictures.h"
#include "Platform.h"
#include "Renewal.h"
#include "SettingsStore.h"
#include "TableWatch.h"
#include "TerminStore.h"
#include "WindowGeometry.h"
#include "frmZeittermin.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <utility>

namespace moravel::monitor {

Q_LOGGING_CATEGORY(lcMonitor, "moravel.monitor")

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
      Command1(new QPushButton(this)), Timer1(new QTimer(this)), m_tableWatch(new TableWatch(this)),
      m_clockJumps(new ClockJumpWatch(this)), m_reminders(*this) {
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

    Timer1->setObjectName(QStringLiteral("Timer1"));
    // Aimed anew after every look, at the millisecond a reminder falls due.
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &frmAutostart::Timer1_Timer);
    connect(m_tableWatch, &TableWatch::changed, this, &frmAutostart::lookSoon);
    connect(m_clockJumps, &ClockJumpWatch::jumped, this, &frmAutostart::lookSoon);
}

frmAutostart::~frmAutostart() = default;

void frmAutostart::Form_Load() {
    // On top before the geometry: changing the window's flags makes a new native window, which
    // would take the stored position for the inner area instead of the frame.
    FensterImmerOben(this);
    restoreGeometry();
    startMonitoring();
    PfadzurExe = location::programDirectory();

    // At start the monitor waits for another program's write like any program; from the first
    // tick on it never does.
    if (openDatabase())
        DBAktualisieren();
    EinlesenAusDB();
    if (dbTermin)
        dbTermin->setBusyTimeout(0);
    if (List1->count() > 0)
        showMainWindow();
    else
        goToBackground();
}

bool frmAutostart::openDatabase() {
    const QString path = location::databasePath();
    QString copyKept;
    // The monitor often starts before the planner: it is the one to restore an older version's copy.
    if (Compaction::restoreMissing(location::dataDirectory(), &copyKept) == Compaction::Result::CopyKept)
        ui::MessageBox::show(nullptr, QMessageBox::Warning, kCaption, copyKept);
    TerminStore::OpenResult opened = TerminStore::OpenResult::Unusable;
    QString reason;
    dbTermin = TerminStore::open(path, &opened, &reason);
    m_table = TableCache();
    m_renewed.reset();
    m_tableWatch->watch(dbTermin ? path : QString());
    if (!dbTermin)
        cannotOpen(path, reason);
    else if (opened == TerminStore::OpenResult::Untrusted)
        // Its rows can still be reminded of; only renewing them would write.
        ui::MessageBox::show(nullptr, QMessageBox::Warning, kCaption,
                             QStringLiteral("%1\n\n%2\n\nWardolin erinnert an die Termine, erneuert aber "
                                            "keine wiederkehrenden.")
                                 .arg(path, reason));
    return bool(dbTermin);
}

void frmAutostart::cannotOpen(const QString& path, const QString& reason) {
    qCWarning(lcMonitor, "Cannot open the appointment database %s: %s", qUtf8Printable(path),
              qUtf8Printable(reason));
    ui::MessageBox::show(nullptr, QMessageBox::Warning, kCaption,
                         QStringLiteral("Die Termindatenbank\n%1\nkann nicht geöffnet werden.\n\n%2\n\n"
                                        "Wardolin läuft weiter, erinnert aber an keine Termine aus dieser "
                                        "Datei.")
                             .arg(path, reason));
}

void frmAutostart::reopenWhenReplaced() {
    // A restore from a backup or a sync tool puts a new file in place by rename; the open
    // connection would go on reading the deleted one.
    if (!dbTermin || !dbTermin->isReplaced())
        return;
    qCInfo(lcMonitor, "The appointment database was replaced; opening it again");
    if (openDatabase())
        dbTermin->setBusyTimeout(0);
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

bool frmAutostart::DBAktualisieren() {
    if (!dbTermin)
        return true;
    const QDateTime now = Clock::currentDateTime();
    const qint64 today = serial::dayNumber(now.date());
    const std::optional<TerminStore::Version> version = dbTermin->version();
    if (!version)
        return false;
    if (m_renewed && m_renewed->today == today && m_renewed->version == *version)
        return true;
    // Runs after every change of the table, since another program may have stored a live
    // recurring row of an earlier day; without such rows it reads an index and nothing else.
    // When it cannot have the file just now, it is tried again on the next look.
    if (renewPassedAppointments(*dbTermin, today, serial::fromDateTime(now)) < 0)
        return false;
    const std::optional<TerminStore::Version> after = dbTermin->version();
    if (after)
        m_renewed = Renewed{today, *after};
    return bool(after);
}

void frmAutostart::EinlesenAusDB() {
    const QDateTime now = Clock::currentDateTime();
    const qint64 today = serial::dayNumber(now.date());
    const qint64 nowStep = stepOf(now);
    bool fresh = false;
    bool renewed = true;
    if (dbTermin) {
        reopenWhenReplaced();
        renewed = DBAktualisieren();
    }
    if (dbTermin)
        fresh = m_table.refresh(*dbTermin, today);
    m_schedule.advance(nowStep, fresh);

    QStringList lines;
    int count = 0;
    std::vector<Appointment> due;
    std::optional<qint64> next;
    for (const Appointment& row : m_table.rows()) {
        const std::optional<qint64> day = dayOf(row);
        if (!day)
            continue;
        if (isCurrent(*day, row.VorTage, today)) {
            lines << listLines(row, *day, today);
            ++count;
        }
        // A lead is shorter than a day, so only today's and tomorrow's rows can be due today, and
        // yesterday's were due at most the evening before.
        if (*day > today + 1)
            continue;
        const std::optional<qint64> moment = reminderMoment(*day, row);
        if (!moment)
            continue;
        if (*day == today) {
            Label2->setText(fractionText(*moment, today));
            Label3->setText(fractionText(nowStep, today));
        }
        if (m_schedule.take(row.ID, *moment))
            due.push_back(row);
        else if (m_schedule.pending(row.ID, *moment) && (!next || *moment < *next))
            next = *moment;
    }

    List1->clear();
    List1->addItems(lines);
    Label1->setText(summaryText(count));
    bool unreadable = dbTermin && !(fresh && renewed);
    const std::vector<Appointment> again =
        m_monitoring ? snoozedDue(now, unreadable) : std::vector<Appointment>();
    if (m_monitoring) {
        std::optional<QDateTime> wake = m_snoozed.next();
        if (next && (!wake || startOfStep(*next) < *wake))
            wake = startOfStep(*next);
        aimTimer(wake, unreadable);
    }
    for (const Appointment& row : due)
        m_reminders.add(row);
    for (const Appointment& row : again)
        m_reminders.add(row);
}

std::vector<Appointment> frmAutostart::snoozedDue(const QDateTime& now, bool& unreadable) {
    std::vector<Appointment> unchanged;
    for (const Appointment& row : m_snoozed.takeDue(now)) {
        std::optional<Appointment> stored;
        // Without a database there is no row to remind of any longer.
        const bool read =
            !dbTermin ||
            dbTermin->mainListFrom(
                dayOf(row).value_or(0), [&row](const TerminStore::RowKey& key) { return key.ID == row.ID; },
                [&stored](const Appointment& found) { stored = found; });
        if (!read) {
            // Held by another program: looked at again with the table.
            m_snoozed.add(row, now.addMSecs(kBusyRetryMs));
            unreadable = true;
        } else if (stored && sameAppointment(row, *stored)) {
            unchanged.push_back(row);
        } else {
            qCInfo(lcMonitor, "A snoozed reminder is left out: its appointment was changed or deleted");
        }
    }
    return unchanged;
}

void frmAutostart::snooze(const Appointment& row, int minutes) {
    m_snoozed.add(row, Clock::currentDateTime().addSecs(60 * qint64(minutes)));
    lookSoon();
}

void frmAutostart::aimTimer(const std::optional<QDateTime>& due, bool retrySoon) {
    const int ms = msUntilNextLook(Clock::currentDateTime(), due);
    Timer1->start(retrySoon ? std::min(ms, kBusyRetryMs) : ms);
}

void frmAutostart::lookSoon() {
    if (m_monitoring && (!Timer1->isActive() || Timer1->remainingTime() > kSettleMs))
        Timer1->start(kSettleMs);
}

frmZeittermin* frmAutostart::popup() const {
    return m_reminders.popup();
}

QPixmap frmAutostart::hintergrundBild() const {
    return Image1->pixmap();
}

void frmAutostart::Timer1_Timer() {
    EinlesenAusDB();
}

void frmAutostart::Command1_Click() {
    goToBackground();
}

void frmAutostart::startMonitoring() {
    // Monitoring that runs goes on: no moment between two looks is left out.
    if (m_monitoring)
        return;
    m_monitoring = true;
    // The first look covers only the time from now on: what fell due while the user looked
    // at the window is not made up. It comes at once and aims the timer.
    m_schedule.restart(stepOf(Clock::currentDateTime()));
    Timer1->start(0);
}

void frmAutostart::stopMonitoring() {
    m_monitoring = false;
    Timer1->stop();
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
    stopMonitoring();
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
    startMonitoring();
}
bool frmAutostart::ausGewuenscht() const {
    return m_background && m_background->ausGewuenscht();
}

bool frmAutostart::event(QEvent* event) {
    // Monitoring stands while the user looks at the window. A minimised window that gets the
    // focus is not looked at (it waits there for a notification area); its restoring is.
    if (event->type() == QEvent::WindowActivate && !isMinimized())
        stopMonitoring();
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && isActiveWindow())
        stopMonitoring();
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
    stopMonitoring();
    m_tableWatch->watch(QString());
    dbTermin.reset();
    if (m_background)
        m_background->entladen();
    Q_EMIT entladen();
}

} // namespace moravel::monitor
