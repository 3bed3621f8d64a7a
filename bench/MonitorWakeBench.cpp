// How soon the sleeping monitor acts, in real time with its real timers and file watch, on a table
// of 10 000 rows of history: a reminder after the first moment it is due (the start of its
// five-decimal step), and a row that another program wrote until the monitor lists it.
//
//   bench_monitor_wake [COUNT]
//
// Prints "reminder_ms=..." and "change_ms=..." with COUNT measurements each (default 10).
#include "BenchTables.h"
#include "DateSerial.h"
#include "DueDetection.h"
#include "NextWakeup.h"
#include "NumberText.h"
#include "TerminStore.h"
#include "frmAutostart.h"
#include "frmZeittermin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <map>

using namespace moravel;

namespace {

constexpr int kRows = 10000;
constexpr qint64 kStepsApart = 2;

Appointment rowAt(qint64 step, const QString& subject) {
    const qint64 day = monitor::dayOfStep(step);
    const double fraction = static_cast<double>(step - day * monitor::kStepsPerDay) / monitor::kStepsPerDay;
    Appointment row;
    row.TerminDatum = QString::number(day);
    row.TerminUhrzeit = numtext::fixed5(fraction);
    row.TerminDatumUhrzeit = numtext::general(static_cast<double>(day) + fraction);
    row.Betreff = subject;
    row.Wiederholung = QStringLiteral("0");
    row.VorTage = QStringLiteral("1");
    row.VorMinuten = QStringLiteral("0");
    row.sysGesperrt = QStringLiteral("0");
    return row;
}

// Runs the event loop until `done` holds, looking every millisecond.
void runUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    look.start(1);
    loop.exec();
}

// Catches every reminder popup as it is shown, notes when, and dismisses it.
class PopupWatch : public QObject {
public:
    std::map<QString, qint64> shownAt; // subject -> ms since the epoch
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->objectName() == QStringLiteral("frmZeittermin")) {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            auto* popup = static_cast<monitor::frmZeittermin*>(watched);
            // The popup is shown first and filled after.
            QTimer::singleShot(0, popup, [this, popup, now] {
                shownAt.emplace(popup->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), now);
                popup->Beenden();
            });
        }
        return false;
    }
};

QString joined(const std::vector<qint64>& values) {
    QStringList texts;
    for (const qint64 value : values)
        texts << QString::number(value);
    return texts.join(QLatin1Char(' '));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    numtext::setDecimalSeparator(QLatin1Char(','));
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;

    QTemporaryDir dir;
    qputenv("MORAVEL_DATA_DIR", dir.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    const QString path = dir.path() + QStringLiteral("/dBTermin.mdb");
    bench::fillTable(path, kRows, serial::dayNumber(QDate::currentDate()));
    const auto planner = TerminStore::open(path);

    PopupWatch popups;
    application.installEventFilter(&popups);
    monitor::frmAutostart window;
    window.Form_Load();
    if (window.isVisible()) {
        // As the user does: the window has come up and been activated before its button is pressed.
        QElapsedTimer shown;
        shown.start();
        runUntil([&] { return shown.elapsed() > 200; });
        window.Command1_Click();
    }

    // Reminders a few steps apart, so that each comes on a look of its own.
    std::map<QString, qint64> due;
    const qint64 first = monitor::stepOf(QDateTime::currentDateTime()) + 4;
    for (int i = 0; i < count; ++i) {
        const QString subject = QStringLiteral("Messung %1").arg(i);
        const qint64 step = first + i * kStepsApart;
        planner->insert(rowAt(step, subject));
        due[subject] = monitor::startOfStep(step).toMSecsSinceEpoch();
    }
    runUntil([&] {
        return std::all_of(due.begin(), due.end(),
                           [&](const auto& entry) { return popups.shownAt.contains(entry.first); });
    });
    std::vector<qint64> reminderMs;
    for (const auto& [subject, moment] : due)
        reminderMs.push_back(popups.shownAt[subject] - moment);

    // Rows listed from today on, written while the monitor sleeps.
    auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
    std::vector<qint64> changeMs;
    for (int i = 0; i < count; ++i) {
        const int listed = list->count();
        QElapsedTimer took;
        planner->insert(rowAt(monitor::stepOf(QDateTime::currentDateTime()) + monitor::kStepsPerDay,
                              QStringLiteral("Neu %1").arg(i)));
        took.start();
        runUntil([&] { return list->count() > listed; });
        changeMs.push_back(took.elapsed());
        // The next change comes to a monitor that has gone back to sleep.
        runUntil([&] { return took.elapsed() > 300; });
    }

    std::printf("reminder_ms=%s\nchange_ms=%s\n", qPrintable(joined(reminderMs)),
                qPrintable(joined(changeMs)));
    return 0;
}
