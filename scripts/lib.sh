# Steps shared by start.sh and test.sh; sourced, not run.  Everything here is
# idempotent: a second run finds the packages and the build in place and only
# rebuilds what changed.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

# What every build needs.  qt6-base-dev brings the compiler-facing Qt, the xcb
# and offscreen platform plugins and fontconfig; qt6-svg-dev writes the SVG
# pictures; qt6-translations-l10n puts Qt's own dialogs in Italian; help2man
# makes the manual page from --help; the labels are laid out for the metrics of
# Liberation Sans, which Debian does not pull in by itself.
BASE_PACKAGES=(build-essential cmake qt6-base-dev qt6-svg-dev qt6-translations-l10n help2man fonts-liberation2)

# True when this user can run commands as root: it is root, or sudo lets it.
# With a terminal sudo may ask for the password; without one (CI, a pipe) it
# must fail at once rather than wait for a password nobody will type.  A user
# sudo does not admit fails here too, instead of halfway through an install.
can_be_root() {
    [ "$(id -u)" -eq 0 ] && return 0
    command -v sudo >/dev/null 2>&1 || return 1
    if [ -t 0 ]; then sudo -v; else sudo -n true 2>/dev/null; fi
}

# Callers check can_be_root first.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# What a user who cannot become root hands to an administrator: $1 says what
# needs the rights, $2 is the command line that does it.  The README gives the
# same install lines (test.sh checks that they name the same packages).
ADMIN_INSTALL="sudo apt-get install --no-install-recommends"
ask_administrator() {
    echo "Servono i permessi di amministratore per $1. Chiedi a un amministratore di eseguire:" >&2
    echo "  $2" >&2
}

# Prints the names among "$@" that dpkg does not report as installed.
missing_packages() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${db:Status-Status}\n' "$p" 2>/dev/null | grep -qx installed || echo "$p"
    done
}

# Installs the missing ones; the package lists are refreshed only when there is
# something to install, so a machine that has everything never touches the network.
# A user who cannot become root gets the one line to hand to an administrator:
# once the packages are there, building and running need no rights.
ensure_packages() {
    local missing
    missing=$(missing_packages "$@")
    [ -n "$missing" ] || return 0
    if ! can_be_root; then
        ask_administrator "installare i pacchetti mancanti" "$ADMIN_INSTALL ${missing//$'\n'/ }"
        return 1
    fi
    echo "Installo i pacchetti mancanti:" $missing
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
    # shellcheck disable=SC2086  # one word per package name
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
}

# Configures and builds in build/ the targets named (all of them when none is:
# the program, the tests and, when Google Benchmark is installed, the benchmark).
build_project() {
    local targets=()
    [ "$#" -eq 0 ] || targets=(--target "$@")
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
    cmake --build "$BUILD" -j"$(nproc)" "${targets[@]}"
}
