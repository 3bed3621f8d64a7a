#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking, the
# end-to-end runs and making and checking the Debian package need. Does
# nothing when all of them are already present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libqt6svg6 libgl-dev
    libsqlite3-dev sqlite3
    libical-dev python3-icalendar python3-dateutil
    khal calcurse
    qtkeychain-qt6-dev radicale python3-caldav xandikos vdirsyncer
    googletest libgtest-dev libgmock-dev libbenchmark-dev valgrind libx11-dev
    clang-format clang libclang-rt-14-dev
    xvfb xauth openbox trayer xdotool x11-utils imagemagick faketime
    fonts-dejavu-core dbus-x11 at-spi2-core python3-pyatspi desktop-file-utils
    dpkg-dev file lintian appstream dunst
    libcanberra-dev libcanberra-pulse sound-theme-freedesktop pulseaudio pulseaudio-utils lxqt-panel
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

echo "Installiere: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
