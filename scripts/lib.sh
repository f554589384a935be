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

# What needs root is gathered before any of it is done, so that a user who cannot
# become root asks an administrator once, for everything: each step's purpose, the line
# an administrator types for it in a root shell (plain root on a minimal Debian has no
# sudo), and the command that does it here.  The README gives the same install lines
# (test.sh checks that they name the same packages).
ADMIN_INSTALL="apt-get install --no-install-recommends"
ROOT_PURPOSES=()
ROOT_LINES=()
ROOT_STEPS=()

need_root() {
    ROOT_PURPOSES+=("$1")
    ROOT_LINES+=("$2")
    ROOT_STEPS+=("$3")
}

# The one message for an administrator: every purpose, then every line.
ask_administrator() {
    local what="${ROOT_PURPOSES[0]}" i line
    for ((i = 1; i < ${#ROOT_PURPOSES[@]}; i++)); do
        what+=" e ${ROOT_PURPOSES[i]}"
    done
    echo "Servono i permessi di amministratore per $what. Chiedi a un amministratore di eseguire come root (su -, oppure sudo -i):" >&2
    for line in "${ROOT_LINES[@]}"; do
        echo "  $line" >&2
    done
    echo "Poi esegui di nuovo questo comando: il resto non richiede permessi." >&2
}

# Does the steps gathered, in order; a user who cannot become root gets all of their
# lines in one message instead, and the command stops there.
run_root_steps() {
    local step
    [ "${#ROOT_STEPS[@]}" -gt 0 ] || return 0
    if ! can_be_root; then
        ask_administrator
        return 1
    fi
    for step in "${ROOT_STEPS[@]}"; do
        # shellcheck disable=SC2086  # a function and its words (package names)
        $step || return 1
    done
}

# Prints the names among "$@" that dpkg does not report as installed.
missing_packages() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${db:Status-Status}\n' "$p" 2>/dev/null | grep -qx installed || echo "$p"
    done
}

# Installs packages; the package lists are refreshed only when there is something to
# install, so a machine that has everything never touches the network.
install_packages() {
    echo "Installo i pacchetti mancanti:" "$@"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
}

# Adds the step that installs those of "$@" that are missing, if any.
need_packages() {
    local missing
    missing=$(missing_packages "$@")
    [ -n "$missing" ] || return 0
    missing=${missing//$'\n'/ }
    need_root "installare i pacchetti mancanti" "$ADMIN_INSTALL $missing" "install_packages $missing"
}

# For a command that needs root for nothing else: the missing ones among "$@" installed now.
ensure_packages() {
    need_packages "$@"
    run_root_steps
}

# Configures and builds in build/ the targets named (all of them when none is:
# the program, the tests and, when Google Benchmark is installed, the benchmark).
build_project() {
    local targets=()
    [ "$#" -eq 0 ] || targets=(--target "$@")
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
    cmake --build "$BUILD" -j"$(nproc)" "${targets[@]}"
}
