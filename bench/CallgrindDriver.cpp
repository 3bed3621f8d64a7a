// Runs the monitor's tick or the planner's list pass a few times under
// valgrind --tool=callgrind --instr-atstart=no, counting instructions only inside them, so that
// the figures compare across machines and loads:
//
//   bench_callgrind tick|tick-changed|listpass ROWS [REPEATS]
//
// tick: the table unchanged since the last tick; tick-changed: the planner committed a change
// before every tick; listpass: EinlesenAusDB of the planner after its start-up.
#include "BenchTables.h"
#include "Clock.h"
#include "DateSerial.h"
#include "NumberText.h"
#include "TerminStore.h"
#include "frmAutostart.h"
#include "frmTermin.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

using namespace moravel;

namespace {

// Instructions are counted in `measured` only; `between` runs before each repetition uncounted.
void count(int repeats, const std::function<void()>& between, const std::function<void()>& measured) {
    CALLGRIND_START_INSTRUMENTATION;
    CALLGRIND_TOGGLE_COLLECT;
    for (int i = 0; i < repeats; ++i) {
        between();
        CALLGRIND_TOGGLE_COLLECT;
        measured();
        CALLGRIND_TOGGLE_COLLECT;
    }
    CALLGRIND_STOP_INSTRUMENTATION;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s tick|tick-changed|listpass ROWS [REPEATS]\n", argv[0]);
        return 2;
    }
    const char* mode = argv[1];
    const int rows = std::atoi(argv[2]);
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 10;

    QTemporaryDir root;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("MORAVEL_DATA_DIR", root.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (root.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", root.path().toUtf8());
    QApplication application(argc, argv);
    numtext::setDecimalSeparator(QLatin1Char(','));
    ManualClock clock(QDateTime(serial::dateOfDay(bench::kBenchToday), QTime(10, 0)));
    Clock::setInstance(&clock);
    const QString database = root.path() + QStringLiteral("/dBTermin.mdb");
    bench::fillTable(database, rows, bench::kBenchToday);

    int listed = 0;
    if (std::strcmp(mode, "listpass") == 0) {
        planner::frmTermin window;
        window.Form_Load();
        count(
            repeats, [] {}, [&] { window.EinlesenAusDB(); });
        listed = window.findChild<QAbstractItemView*>(QStringLiteral("ListView1"))->model()->rowCount();
    } else if (std::strcmp(mode, "tick") == 0 || std::strcmp(mode, "tick-changed") == 0) {
        const bool changed = std::strcmp(mode, "tick-changed") == 0;
        auto planner = TerminStore::open(database);
        monitor::frmAutostart window;
        window.Form_Load();
        int change = 0;
        count(
            repeats,
            [&] {
                clock.advanceMs(1000);
                if (changed)
                    bench::changeRemarks(planner->path(), ++change);
            },
            [&] { window.engine().EinlesenAusDB(); });
        listed = window.findChild<QListWidget*>(QStringLiteral("List1"))->count() / 4;
    } else {
        std::fprintf(stderr, "unknown mode %s\n", mode);
        return 2;
    }
    Clock::setInstance(nullptr);
    std::printf("mode=%s rows=%d repeats=%d listed=%d\n", mode, rows, repeats, listed);
    return 0;
}
