#!/bin/sh
# Runs the desktop test given as arguments on a private X server with a real window
# manager, as a student's desktop has them: Xvfb on a free display, openbox on it.
# Without them the test is skipped (status 77), not failed.  Stops only what it started.
set -u
for tool in Xvfb openbox xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIPPED: $tool is not installed (apt-get install xvfb openbox x11-utils)"
        exit 77
    fi
done
work=$(mktemp -d)
chmod 700 "$work"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
wm=
finish() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null
    kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT

# Xvfb writes its display number once it accepts connections; openbox announces itself
# on the root window once it manages windows.  Both are waited for, ten seconds at most.
ready() {
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        [ "$tries" -lt 100 ] || return 1
        sleep 0.1
    done
}
ready grep -q . "$work/display" || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
DISPLAY=:$(cat "$work/display")
export DISPLAY
openbox --sm-disable 2>"$work/openbox.log" &
wm=$!
ready sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' \
    || { echo "openbox did not start:"; cat "$work/openbox.log"; exit 1; }

# On a real display Qt talks to D-Bus, whose library keeps a buffer it never frees: in
# the sanitizer build that one leak is not the program's.
echo 'leak:libdbus-1.so' >"$work/leaks.supp"
env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" \
    LSAN_OPTIONS="suppressions=$work/leaks.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}" "$@"
