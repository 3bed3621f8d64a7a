#include "MonitorFixture.h"

#include "Clock.h"
#include "DateSerial.h"
#include "NumberText.h"

#include <QFile>

namespace moravel::test {

Appointment appointmentOn(QDate day, QTime time, const QString& subject, const QString& vorMinuten,
                          const QString& vorTage, const QString& wiederholung) {
    const qint64 dayNumber = serial::dayNumber(day);
    const double fraction = serial::timeFraction(time);
    Appointment row;
    row.TerminDatum = QString::number(dayNumber);
    row.TerminUhrzeit = numtext::fixed5(fraction);
    row.TerminDatumUhrzeit = numtext::general(dayNumber + std::round(fraction * 100000) / 100000);
    row.Betreff = subject;
    row.Wiederholung = wiederholung;
    row.VorTage = vorTage;
    row.VorMinuten = vorMinuten;
    row.sysGesperrt = QStringLiteral("0");
    return row;
}

MonitorTest::MonitorTest(const QDateTime& start) : env(start) {}

void MonitorTest::addRows(const std::vector<Appointment>& rows) {
    const auto store = TerminStore::open(env.databasePath());
    ASSERT_TRUE(store);
    for (const Appointment& row : rows)
        ASSERT_TRUE(store->insert(row));
}

void MonitorTest::startMonitor() {
    main = std::make_unique<monitor::frmAutostart>();
    background = std::make_unique<RecordingBackground>(*main);
    main->setBackground(background.get());
    main->setNotifier(&notifier);
    main->Form_Load();
}

void MonitorTest::startWatching(const std::vector<Appointment>& rows) {
    addRows(rows);
    startMonitor();
    if (main->isVisible())
        Command1()->click();
    ASSERT_TRUE(Timer1()->isActive());
}

void MonitorTest::tickAt(const QDateTime& moment) {
    env.clock().set(moment);
    if (Timer1()->isActive())
        main->engine().EinlesenAusDB();
}

TrayTest::TrayTest() {
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
}

TrayTest::~TrayTest() {
    runtimeBefore.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtimeBefore);
    // The tray goes first, as in the program: the main window must not call into it afterwards.
    if (main)
        main->setBackground(nullptr);
    tray.reset();
}

void TrayTest::startWithTray(bool trayPresent) {
    main = std::make_unique<monitor::frmAutostart>();
    auto fake = std::make_unique<FakeTrayIcon>();
    fake->trayPresent = trayPresent;
    icon = fake.get();
    tray = std::make_unique<monitor::frmTray>(*main, std::move(fake));
    main->setBackground(tray.get());
    main->setNotifier(&notifier);
    main->Form_Load();
}

} // namespace moravel::test
