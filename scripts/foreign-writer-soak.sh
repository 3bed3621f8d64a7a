#!/usr/bin/env bash
# Another tool writes to the appointment file while the planner starts again and again.
#
#   scripts/foreign-writer-soak.sh BUILD_DIR [STARTS]
#
# A sqlite3 shell commits one row every 20 ms. Before each start of the planner (the real
# program on the offscreen platform, ended after two seconds) rows are deleted through another
# connection, so that every start finds pages to give back and compacts. At the end every row
# the shell committed must be in the file, and the file must pass SQLite's integrity check.
set -euo pipefail
build=$(realpath "$1")
starts=${2:-50}
work=$(mktemp -d)
trap 'kill "$writer" 2>/dev/null || true; rm -rf "$work"' EXIT
export MORAVEL_DATA_DIR="$work/data" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/share" \
    XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
mkdir -p "$MORAVEL_DATA_DIR" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
db="$MORAVEL_DATA_DIR/dBTermin.mdb"

# The planner makes the file; then rows to delete later.
timeout 2 "$build/bin/Moravel" > /dev/null 2>&1 || true
sqlite3 "$db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000)
    INSERT INTO tblTermin (TerminDatum, TerminDatumUhrzeit, Betreff)
    SELECT '46000', '46000,5', 'Füllung ' || printf('%.200c', 'x') FROM n;"

# The writer: one row every 20 ms, each followed by the ID of the last row it committed. (With
# RETURNING, the shell of SQLite 3.40 keeps its lock until the next statement comes.)
(
    echo ".timeout 5000"
    i=0
    while :; do
        echo "INSERT INTO tblTermin (TerminDatum, TerminDatumUhrzeit, Betreff)
              VALUES ('46400', '46400,5', 'vom Werkzeug $i'); SELECT last_insert_rowid();"
        i=$((i + 1))
        sleep 0.02
    done
) | sqlite3 "$db" > "$work/committed" 2> "$work/writer-errors" &
writer=$!

compacted=0
for ((start = 1; start <= starts; start++)); do
    sqlite3 -cmd ".timeout 5000" "$db" \
        "DELETE FROM tblTermin WHERE ID IN (SELECT ID FROM tblTermin WHERE Betreff LIKE 'Füllung%' LIMIT 60);"
    timeout 2 "$build/bin/Moravel" > "$work/planner.log" 2>&1 || true
    if grep -q "Compacted" "$work/planner.log"; then
        compacted=$((compacted + 1))
    fi
done
kill "$writer"
wait "$writer" 2>/dev/null || true

committed=$(sort -un "$work/committed" | grep -c . || true)
sort -un "$work/committed" > "$work/ids"
sqlite3 "$db" "SELECT ID FROM tblTermin WHERE Betreff LIKE 'vom Werkzeug%'" | sort -un > "$work/found"
found=$(comm -12 "$work/ids" "$work/found" | grep -c . || true)
integrity=$(sqlite3 "$db" "PRAGMA integrity_check" | tr '\n' ' ')
echo "$starts planner starts, $compacted compacted; rows committed by the writer: $committed, found: $found;" \
    "writer errors: $(grep -c . "$work/writer-errors" || true); integrity_check: $integrity"
[ "$committed" -eq "$found" ] && [ "$integrity" = "ok " ]
