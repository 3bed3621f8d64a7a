#!/usr/bin/env bash
# make bench: every performance figure of both programs, printed as one table.
#
#   scripts/run-benchmarks.sh [BUILD_DIR]
#
# In-process figures come from the Google Benchmark programs in BUILD_DIR/bench (medians over
# BENCH_REPETITIONS runs, default 5). Whole-program figures run the real BUILD_DIR/bin/Moravel and
# Wardolin on a desktop of their own (Xvfb, openbox, trayer, a D-Bus session), each on a private
# data directory, settings home and runtime directory, as the end-to-end runs do:
#   - start-up: bench_first_window starts the planner and watches, as another X client, for its
#     main window to be mapped (the planner maps it after Form_Load), then for the program to come
#     to rest (its first screen painted), and the CPU time it spent until then. Median of
#     BENCH_PROCESS_RUNS runs (default 11), the tables taking turns with a bare Qt window
#     (bench_bare_window: menu, tool bar, empty tree view, five fields, status bar) started the
#     same way, the floor the planner is told against.
#   - idle: the monitor is sent to the background with its own button ("Termine überwachen",
#     Alt+T) so that it watches, the clock hidden; then its wakeups (voluntary context switches
#     of all its threads) and its CPU time (schedstat, in nanoseconds) are read from
#     /proc/<pid>/task over BENCH_IDLE_SECONDS (default 120).
# The monitor's reaction times come from bench_monitor_wake, in real time with its real timers and
# file watch: a reminder after the start of its step, and a row the planner wrote until it is listed.
# Instruction counts come from valgrind --tool=callgrind, counted only inside the tick and the
# list pass (bench_callgrind), so they compare across machines and loads. Last, the sync of 2 000
# appointments against vdirsyncer's on the same Radicale (scripts/sync_bench.py), as requests and seconds.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
bench=$build/bench
bin=$build/bin
repetitions=${BENCH_REPETITIONS:-5}
process_runs=${BENCH_PROCESS_RUNS:-11}
idle_seconds=${BENCH_IDLE_SECONDS:-120}

for tool in Xvfb openbox trayer dbus-launch xdotool valgrind python3; do
    command -v "$tool" > /dev/null || { echo "run-benchmarks: $tool is missing (make deps)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/moravel-bench.XXXXXX")
results=$work/results
: > "$results"
started=() # pids of what this script started, ended by pid on exit
cleanup() {
    for pid in "${started[@]}"; do
        kill "$pid" 2> /dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

step() { echo "== $*" >&2; }
record() { echo "$1=$2" >> "$results"; }

# --- in-process benchmarks --------------------------------------------------------------------
step "renewal backlog against the restarting pass (one run of the reference: about half a minute)"
"$bench/bench_renewal" --benchmark_out="$work/renewal.json" --benchmark_out_format=json > "$work/renewal.txt" 2>&1
record renewal_identical "$(sed -n 's/.*identical to the restarting pass: \(.*\)$/\1/p' "$work/renewal.txt")"

step "planner start-up in-process, offscreen ($repetitions repetitions)"
# The repetitions of the tables take turns in random order, so that a slow spell of the machine
# does not fall on one table alone.
"$bench/bench_planner_startup" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_enable_random_interleaving=true \
    --benchmark_out="$work/startup.json" --benchmark_out_format=json > /dev/null 2>&1

step "planner start-up with 100 000 listed rows read to the end, a process of its own for its resident size"
"$bench/bench_planner_startup" --benchmark_filter='startUpToEnd/rows_100000_all_ahead' \
    --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_out="$work/listed.json" --benchmark_out_format=json > /dev/null 2>&1

step "monitor tick ($repetitions repetitions)"
"$bench/bench_monitor_tick" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 --benchmark_out="$work/tick.json" --benchmark_out_format=json > /dev/null 2>&1

step "monitor reaction times in real time (10 reminders, 10 changes)"
"$bench/bench_monitor_wake" 10 2> /dev/null | tr -d '\r' >> "$results"

# --- instruction counts -----------------------------------------------------------------------
callgrind() { # mode rows repeats
    local out=$work/callgrind.$1.$2
    valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out" \
        "$bench/bench_callgrind" "$1" "$2" "$3" > /dev/null 2>&1
    local total
    total=$(sed -n 's/^totals: *//p' "$out")
    record "ir_$1_$2" "$((total / $3))"
}
for rows in 1000 10000 100000; do
    step "callgrind: tick and list pass over $rows rows"
    callgrind tick "$rows" 10
    callgrind tick-changed "$rows" 3
    callgrind listpass "$rows" $((rows >= 100000 ? 1 : 3))
done

# --- whole programs on a desktop ----------------------------------------------------------------
step "desktop: Xvfb, openbox, trayer, D-Bus session"
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp > /dev/null 2>&1 &
started+=($!)
exec 3>&-
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display")"
eval "$(dbus-launch --sh-syntax)"
started+=("$DBUS_SESSION_BUS_PID")
openbox --sm-disable > /dev/null 2>&1 &
started+=($!)
trayer --edge bottom --align right --widthtype request --height 28 --SetDockType true --transparent false \
    > /dev/null 2>&1 &
started+=($!)
sleep 1 # the window manager and the tray take the screen before the first program maps

export XDG_CONFIG_HOME=$work/config MORAVEL_DATA_DIR=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME" "$MORAVEL_DATA_DIR" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

table() { # name rows [backlog days [third-ahead]]: a table around today's date
    [ -f "$work/$1.mdb" ] || "$bench/bench_make_table" "$work/$1.mdb" "$2" "${3:-0}" ${4:-}
}
fresh_data() { # name: the table alone in the data directory, without settings of an earlier run
    rm -rf "${MORAVEL_DATA_DIR:?}"/* "${XDG_CONFIG_HOME:?}"/*
    cp "$work/$1.mdb" "$MORAVEL_DATA_DIR/dBTermin.mdb"
}
field() { sed -En "s/(^|.* )$1=([^ ]*).*/\2/p"; }

process_cases=("empty 0" "rows_10000 10000" "rows_100000 100000" "rows_10000_daily_3650_back 10000 3650"
    "rows_10000_third_ahead 10000 0 third-ahead" "rows_10000_all_ahead 10000 0 all-ahead"
    "rows_100000_all_ahead 100000 0 all-ahead")
for case in "${process_cases[@]}"; do
    read -r name rows backlog shape <<< "$case"
    table "$name" "$rows" "${backlog:-0}" "${shape:-}"
done
# Round by round, so that a slow spell of the machine weighs on every table and on the bare
# window alike.
declare -A times idle cpu rss
for run in $(seq "$process_runs"); do
    step "planner start-up as a process beside the bare Qt window: round $run of $process_runs"
    for name in bare "${process_cases[@]%% *}"; do
        if [ "$name" = bare ]; then
            rm -rf "${MORAVEL_DATA_DIR:?}"/* "${XDG_CONFIG_HOME:?}"/*
            seen=$("$bench/bench_first_window" "Bare Qt window" "$bench/bench_bare_window")
        else
            fresh_data "$name"
            seen=$("$bench/bench_first_window" "Brisko Moravel" "$bin/Moravel")
        fi
        times[$name]+="$(field ms <<< "$seen") "
        idle[$name]+="$(field idle_ms <<< "$seen") "
        cpu[$name]+="$(field cpu_ms <<< "$seen") "
        rss[$name]+="$(field rss_kb <<< "$seen") "
    done
done
for name in bare "${process_cases[@]%% *}"; do
    record "process_$name" "${times[$name]% }"
    record "idle_$name" "${idle[$name]% }"
    record "cpu_$name" "${cpu[$name]% }"
    record "rss_at_rest_$name" "${rss[$name]% }"
done

step "planner resident size with 10 000 rows"
fresh_data rows_10000
record rss_planner "$("$bench/bench_first_window" --settle-ms 2000 "Brisko Moravel" "$bin/Moravel" | field rss_kb)"

step "monitor idle over ${idle_seconds} s with 10 000 rows"
fresh_data rows_10000
pid=$("$bench/bench_first_window" --keep "Brisko Wardolin" "$bin/Wardolin" | field pid)
started+=("$pid")
window=$(xdotool search --onlyvisible --name '^Brisko Wardolin' | head -n1)
xdotool windowactivate --sync "$window" key --clearmodifiers alt+t
for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^Brisko Wardolin' > /dev/null || break
    sleep 0.1
done
if xdotool search --onlyvisible --name '^Brisko Wardolin' > /dev/null; then
    echo "run-benchmarks: the monitor's main window did not go to the background" >&2
    exit 1
fi
sleep 2 # the way to the background settles before the measured time
threads() { # one line per thread: id, voluntary context switches, nanoseconds on a CPU
    local task
    for task in /proc/"$pid"/task/*; do
        echo "${task##*/} $(sed -n 's/^voluntary_ctxt_switches:[[:space:]]*//p' "$task/status")" \
            "$(cut -d' ' -f1 "$task/schedstat")"
    done
}
threads > "$work/threads.before"
sleep "$idle_seconds"
threads > "$work/threads.after"
# A thread that ended meanwhile took its counts along; one that began counts from zero.
read -r idle_wakeups idle_ns <<< "$(awk 'NR == FNR { w[$1] = $2; n[$1] = $3; next }
    { dw += $2 - w[$1]; dn += $3 - n[$1] } END { print dw, dn }' "$work/threads.before" "$work/threads.after")"
record idle_wakeups "$idle_wakeups"
record idle_ns "$idle_ns"
record idle_seconds "$idle_seconds"
record rss_monitor "$(sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\).*/\1/p' "/proc/$pid/status")"
kill "$pid"

python3 - "$work" << 'PY'
import json, math, statistics, sys

work = sys.argv[1]
values = dict(line.rstrip("\n").split("=", 1) for line in open(f"{work}/results") if "=" in line)


def aggregates(path):
    """name -> (real, cpu) medians in the benchmark's own unit, plus its counters."""
    out = {}
    for b in json.load(open(path))["benchmarks"]:
        if b.get("aggregate_name") == "median":
            name = b["run_name"].split("/min_time")[0].replace("/process_time", "")
            out[name] = b
    return out


def ms(b, key):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b[key] * scale


def fmt(x, digits=1):
    return f"{x:,.{digits}f}".replace(",", " ")


def slope_text(sizes, times, unit):
    """Per 1 000 rows between the sizes, and the exponent of the last step (1.0 = linear)."""
    (n0, n1, n2), (t0, t1, t2) = sizes, times
    s1 = (t1 - t0) / (n1 - n0) * 1000
    s2 = (t2 - t1) / (n2 - n1) * 1000
    growth = math.log(t2 / t1) / math.log(n2 / n1) if t1 > 0 and t2 > 0 else float("nan")
    return f"{fmt(s1, 3)} then {fmt(s2, 3)} {unit}/1000 rows; exponent {growth:.2f}"


rows = []
def row(figure, value, target="", verdict=""):
    rows.append((figure, value, target, verdict))

def yes(ok):
    return "met" if ok else "NOT MET"

startup = aggregates(f"{work}/startup.json")


def median_of(key):
    return statistics.median(float(x) for x in values[key].split())


# The planner beside the bare Qt window, both measured in the same rounds.
floor = {"mapped": median_of("process_bare"), "rest": median_of("idle_bare"), "cpu": median_of("cpu_bare"),
         "inproc": ms(startup["bareWindow"], "real_time")}
side = [("empty", "empty", 1.2), ("rows_10000_all_ahead", "10 000 listed", 1.3),
        ("rows_100000_all_ahead", "100 000 listed", 2.0)]
row("Bare Qt window (menu, tool bar, empty tree view, five fields, status bar): mapped / at rest / in-process",
    f"{fmt(floor['mapped'])} / {fmt(floor['rest'])} / {fmt(floor['inproc'])} ms, CPU to rest {fmt(floor['cpu'])} ms")
for case, text, goal in side:
    mapped, rest, cpu = median_of(f"process_{case}"), median_of(f"idle_{case}"), median_of(f"cpu_{case}")
    inproc = ms(startup[f"startUp/{case}"], "real_time")
    row(f"Planner {text} against it: mapped / at rest / in-process",
        f"{fmt(mapped)} / {fmt(rest)} / {fmt(inproc)} ms = {mapped / floor['mapped']:.2f}x / "
        f"{rest / floor['rest']:.2f}x / {inproc / floor['inproc']:.2f}x, CPU to rest {cpu / floor['cpu']:.2f}x",
        f"<= {goal}x at rest",
        yes(rest / floor["rest"] <= goal))
listed_rss = statistics.median(float(x) for x in values["rss_at_rest_rows_100000_all_ahead"].split()) / 1024
row("Resident size of the planner at rest, 100 000 listed (whole process)", f"{listed_rss:.1f} MB", "< 80 MB",
    yes(listed_rss < 80))
cases = ["empty", "rows_10000", "rows_100000", "rows_10000_daily_3650_back", "rows_10000_third_ahead"]
labels = {"empty": "empty table", "rows_10000": "10 000 rows of history", "rows_100000": "100 000 rows of history",
          "rows_10000_daily_3650_back": "10 000 rows + daily 3 650 days back",
          "rows_10000_third_ahead": "10 000 rows, a third ahead"}
inproc = {c: startup[f"startUp/{c}"] for c in cases}
process = {c: statistics.median(float(x) for x in values[f"process_{c}"].split()) for c in cases}

for c in cases:
    b = inproc[c]
    row(f"Planner start-up in-process, {labels[c]} (listed {int(b['listed'])})",
        f"{fmt(ms(b, 'real_time'))} ms wall, {fmt(ms(b, 'cpu_time'))} ms CPU")
for c in cases:
    row(f"Planner start-up as a process to the shown window, {labels[c]}", f"{fmt(process[c])} ms")

ratio_process = process["rows_10000"] / process["empty"]
ratio_wall = ms(inproc["rows_10000"], "real_time") / ms(inproc["empty"], "real_time")
ratio_cpu = ms(inproc["rows_10000"], "cpu_time") / ms(inproc["empty"], "cpu_time")
row("Start-up 10 000 rows / empty, whole process", f"{ratio_process:.2f}x", "<= 1.5x", yes(ratio_process <= 1.5))
row("Start-up 10 000 rows / empty, in-process wall (CPU)", f"{ratio_wall:.2f}x ({ratio_cpu:.2f}x)", "<= 1.5x",
    yes(ratio_wall <= 1.5))
heavy_process = process["rows_10000_third_ahead"] / process["empty"]
heavy_wall = ms(inproc["rows_10000_third_ahead"], "real_time") / ms(inproc["empty"], "real_time")
row("Start-up 10 000 rows with 3 333 listed / empty, whole process (in-process wall)",
    f"{heavy_process:.2f}x ({heavy_wall:.2f}x)", "(the list's own length)")
hundred = max(process["rows_100000"], ms(inproc["rows_100000"], "real_time"))
row("Start-up 100 000 rows to a filled list (slower of process and in-process)", f"{fmt(hundred)} ms",
    "< 1000 ms", yes(hundred < 1000))
listed = aggregates(f"{work}/listed.json")["startUpToEnd/rows_100000_all_ahead"]
row("Planner start-up in-process, 100 000 rows all listed, scrolled to the end: wall (CPU)",
    f"{fmt(ms(listed, 'real_time'))} ms ({fmt(ms(listed, 'cpu_time'))} ms)", "< 300 ms", yes(ms(listed, "real_time") < 300))
row("Resident size of the planner with those 100 000 rows read", f"{listed['rss_mb']:.1f} MB", "< 80 MB",
    yes(listed["rss_mb"] < 80))
row("Start-up slope, in-process wall (empty, 10 000, 100 000)",
    slope_text((0, 10000, 100000), [ms(inproc[c], "real_time") for c in cases[:3]], "ms"))
row("Start-up slope, whole process (empty, 10 000, 100 000)",
    slope_text((0, 10000, 100000), [process[c] for c in cases[:3]], "ms"))

renewal = {b["run_name"].split("/")[0]: b for b in json.load(open(f"{work}/renewal.json"))["benchmarks"]}
fast = ms(renewal["BM_RenewPassedAppointments"], "real_time")
slow = ms(renewal["BM_RestartingPassPerRenewal"], "real_time")
row("Renewal of a daily backlog of 3 650 days in 10 000 rows",
    f"{fmt(fast)} ms against {fmt(slow)} ms restarting: {slow / fast:.0f}x, identical rows: "
    f"{values['renewal_identical']}", ">= 100x, identical", yes(slow / fast >= 100 and values["renewal_identical"] == "yes"))

tick = aggregates(f"{work}/tick.json")
sizes = (1000, 10000, 100000)
series = {"BM_Tick_WithHistory": "table of history, unchanged since the last tick",
          "BM_Tick_AllAhead": "every row ahead, unchanged",
          "BM_Tick_PlannerWroteBefore": "table of history, the planner wrote before the tick (re-read)"}
for name, text in series.items():
    cpu = [ms(tick[f"{name}/{n}"], "cpu_time") for n in sizes]
    listed = [int(tick[f"{name}/{n}"]["listed"]) for n in sizes]
    target = "< 2 ms at 10 000" if name != "BM_Tick_PlannerWroteBefore" else "(once per change)"
    verdict = yes(cpu[1] < 2) if name != "BM_Tick_PlannerWroteBefore" else ""
    row(f"Monitor tick CPU, {text}",
        " / ".join(f"{fmt(c * 1000, 0)} us" for c in cpu) + f" at 1 000 / 10 000 / 100 000 rows (listed {listed})",
        target, verdict)
    row(f"  slope", slope_text(sizes, [c * 1000 for c in cpu], "us"))

idle = int(values["idle_seconds"])
wakeups = int(values["idle_wakeups"]) / idle
share = int(values["idle_ns"]) / 1e9 / idle * 100
row(f"Monitor idle wakeups over {idle} s, 10 000 rows, watching, clock hidden", f"{wakeups:.3f} /s", "<= 0.1 /s",
    yes(wakeups <= 0.1))
row(f"Monitor idle CPU share over {idle} s, 10 000 rows, watching, clock hidden", f"{share:.4f} %", "<= 0.005 %",
    yes(share <= 0.005))
reminder = [int(x) for x in values["reminder_ms"].split()]
change = [int(x) for x in values["change_ms"].split()]
row(f"Reminder after the start of its step (median of {len(reminder)}, slowest)",
    f"{statistics.median(reminder):.0f} ms ({max(reminder)} ms)", "<= 100 ms", yes(statistics.median(reminder) <= 100))
row(f"Planner's row listed by the sleeping monitor (median of {len(change)}, slowest)",
    f"{statistics.median(change):.0f} ms ({max(change)} ms)", "<= 1000 ms", yes(max(change) <= 1000))
for program, key in (("Moravel (planner, list shown)", "rss_planner"), ("Wardolin (monitor, after the idle minute)", "rss_monitor")):
    mb = int(values[key]) / 1024
    row(f"Resident size of {program}, 10 000 rows", f"{mb:.1f} MB", "< 80 MB", yes(mb < 80))

for mode, text in (("tick", "tick, table unchanged"), ("tick-changed", "tick after a change (re-read)"),
                   ("listpass", "planner list pass (EinlesenAusDB)")):
    ir = [int(values[f"ir_{mode}_{n}"]) for n in sizes]
    row(f"Instructions per {text}", " / ".join(fmt(i / 1e6, 2) + " M" for i in ir) + " at 1 000 / 10 000 / 100 000 rows")
    row("  slope", slope_text(sizes, [i / 1e6 for i in ir], "M instructions"))

width = [max(len(r[i]) for r in rows) for i in range(4)]
print()
print(" | ".join(h.ljust(w) for h, w in zip(("Figure", "Value (medians)", "Target", "Verdict"), width)))
print("-+-".join("-" * w for w in width))
for r in rows:
    print(" | ".join(v.ljust(w) for v, w in zip(r, width)).rstrip())
PY

# --- sync: ours against vdirsyncer on the same Radicale ---------------------------------------
step "sync of 2 000 appointments, Moravel against vdirsyncer (Radicale on 127.0.0.1)"
echo
/usr/bin/python3 "$(dirname "$0")/sync_bench.py" "$bench/bench_sync" 2000
