#!/usr/bin/env bash
# Runs every fuzz target for a number of seconds on its committed corpus. New inputs go to the
# build directory, so the committed corpus changes only by hand. Any finding fails the run.
set -euo pipefail
build=$(realpath "$1")
seconds=${2:-30}
cd "$(dirname "$0")"

# The row target writes a database file per run.
if [ -d /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

for target in numtext dateserial wildcard rows; do
    work="$build/corpus/$target"
    log="$build/fuzz_$target.log"
    mkdir -p "$work"
    if ! "$build/bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/fuzz_$target-" "$work" "corpus/$target" > "$log" 2>&1; then
        tail -n 60 "$log"
        echo "fuzz_$target: finding, see $log" >&2
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz_$target: $runs executions in ${seconds} s, no finding"
done
