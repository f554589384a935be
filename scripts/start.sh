#!/usr/bin/env bash
# Builds the program on Debian 12, installing whatever is missing, and starts it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Qt aborts with a long message when it finds no display to open a window on;
# a headless machine (ssh, container) gets one clear line instead.  An explicit
# QT_QPA_PLATFORM (offscreen, vnc, ...) needs no display.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Nessuno schermo grafico (DISPLAY e WAYLAND_DISPLAY non impostati): avvia il programma da una sessione desktop." >&2
    exit 1
fi

packages=("${BASE_PACKAGES[@]}")
# Under Wayland Qt looks for its native plugin first; X11 is served by qt6-base itself.
[ -z "${WAYLAND_DISPLAY:-}" ] || packages+=(qt6-wayland)
ensure_packages "${packages[@]}"
# The student needs only the program; the tests are built by test.sh.
build_project convertitore-boost
exec "$BUILD/convertitore-boost"
