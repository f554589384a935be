# Steps shared by start.sh and test.sh; sourced, not run.  Everything here is
# idempotent: a second run finds the packages and the build in place and only
# rebuilds what changed.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

# What every build needs.  qt6-base-dev brings the compiler-facing Qt, the xcb
# and offscreen platform plugins and fontconfig; the labels are laid out for the
# metrics of Liberation Sans, which Debian does not pull in by itself.
BASE_PACKAGES=(build-essential cmake qt6-base-dev fonts-liberation2)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "Servono i permessi di amministratore per: $*  (installa sudo o esegui come root)" >&2
        return 1
    fi
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
ensure_packages() {
    local missing
    missing=$(missing_packages "$@")
    [ -n "$missing" ] || return 0
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
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$BUILD" -j"$(nproc)" "${targets[@]}"
}
