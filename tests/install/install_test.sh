#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks it as a desktop would use it:
# both programs in one bin directory, the help page in share/moravel, valid desktop entries, icons,
# and data kept in $XDG_DATA_HOME/BriskoMoravel when the program directory is not writable.
set -euo pipefail
build_dir=$1

root=$(mktemp -d)
trap 'chmod -R u+w "$root"; rm -rf "$root"' EXIT
chmod 755 "$root"
prefix=$root/prefix

cmake --install "$build_dir" --prefix "$prefix" > /dev/null

for f in bin/Moravel bin/Wardolin share/moravel/Moravel.html share/applications/moravel.desktop \
         share/applications/wardolin.desktop share/icons/hicolor/scalable/apps/moravel.svg \
         share/icons/hicolor/scalable/apps/wardolin.svg; do
    [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/moravel.desktop" "$prefix/share/applications/wardolin.desktop"
grep -q '^Categories=Office;Calendar;$' "$prefix/share/applications/moravel.desktop"

# A user who may not write to the program directory.
home=$root/home
mkdir -p "$home/run"
chmod 700 "$home/run"
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$home"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
    chmod 555 "$prefix/bin"
    as_user=()
fi

status=0
env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/share" XDG_CONFIG_HOME="$home/config" \
    XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen \
    timeout 5 "${as_user[@]}" "$prefix/bin/Moravel" > "$root/moravel.log" 2>&1 || status=$?
# The planner keeps running until it is closed; the timeout ends it (124).
[ "$status" -eq 124 ] || { echo "planner ended early ($status)"; cat "$root/moravel.log"; exit 1; }
[ -f "$home/share/BriskoMoravel/dBTermin.mdb" ] || { echo "no database in XDG_DATA_HOME"; exit 1; }
[ ! -e "$prefix/bin/dBTermin.mdb" ] || { echo "database written into the program directory"; exit 1; }
echo "install: ok"
