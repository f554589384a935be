#!/usr/bin/env bash
# Builds everything on Debian 12, installing whatever is missing, and runs the
# whole test suite headless, once in the C locale and once in Italian: the
# program must read "1.5" as one and a half and show "1,50" whatever the
# user's locale, and only a generated it_IT locale exposes a C-library number
# routine that slipped in.  Exits non-zero on any failure.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# libbenchmark-dev: the benchmark is built (not run) with the rest, so it keeps compiling.
# clang and its runtime libraries: libFuzzer exists only for clang.
# desktop-file-utils and appstream: the install check validates the menu entry
# and the metainfo with them.
# file: `cpack -G DEB` runs it to find the libraries dpkg-shlibdeps must read,
# and fails without it; the README packages the build this script made.
# clang-tidy: every function of the program stays short and simple (.clang-tidy).
# xvfb, openbox and x11-utils: test_desktop shows the windows on a real X server with a window manager.
# ngspice: the start-up from rest is compared with it (tests/test_ngspice.cpp).
# man-db: the install check reads the manual page as `man` shows it to a reader.
# lintian: the Debian package is checked as Debian checks its own.
TEST_PACKAGES=(locales libbenchmark-dev clang libclang-rt-14-dev desktop-file-utils appstream file clang-tidy xvfb
               openbox x11-utils ngspice man-db lintian)

generate_italian_locale() {
    echo "Genero la localizzazione it_IT.UTF-8"
    as_root sed -i 's/^# *\(it_IT\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^it_IT\.UTF-8 UTF-8' /etc/locale.gen \
        || echo 'it_IT.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen
}

# Adds the step that generates it_IT.UTF-8, if it is not there; after the packages,
# which bring locale-gen.  An administrator's root shell does it with ADMIN_LOCALE.
ADMIN_LOCALE="echo 'it_IT.UTF-8 UTF-8' >> /etc/locale.gen && locale-gen"
need_italian_locale() {
    locale -a 2>/dev/null | grep -qix 'it_IT\.utf-\?8' && return 0
    need_root "generare la localizzazione it_IT.UTF-8" "$ADMIN_LOCALE" generate_italian_locale
}

# The manual page as `man` shows it to an Italian reader: Italian headings, and the
# accented letters whole, not "??" (help2man writes them so in a locale without them).
# Lines are joined and hyphenation is off, so that a word is found wherever it falls.
check_manpage() {
    local page=$1 shown joined word status=0
    shown=$(LC_ALL=it_IT.UTF-8 MANWIDTH=80 MANROFFOPT=-rHY=0 man -l "$page") \
        || { echo "Pagina di manuale: man non la legge" >&2; return 1; }
    joined=$(tr -s ' \n' '  ' <<<"$shown")
    for word in NOME SINTASSI DESCRIZIONE; do
        grep -qx "$word" <<<"$shown" || { echo "Pagina di manuale: manca il titolo $word" >&2; status=1; }
    done
    for word in "capacità" "con le unità nei nomi" "la simulazione è interrotta" "l'uso è errato"; do
        grep -qF -- "$word" <<<"$joined" || { echo "Pagina di manuale: manca «$word»" >&2; status=1; }
    done
    if grep -qF -e '??' -e $'\xef\xbf\xbd' <<<"$shown"; then
        echo "Pagina di manuale: lettere perse" >&2
        status=1
    fi
    return "$status"
}

# Installs into a scratch tree and checks that the program, its desktop files
# and its copyright land where menus, software centres and Debian look for them.
check_install() {
    local stage f status=0
    stage=$(mktemp -d)
    DESTDIR="$stage" cmake --install "$BUILD" --prefix /usr >/dev/null
    for f in bin/convertitore-boost \
             share/applications/convertitore-boost.desktop \
             share/metainfo/convertitore-boost.metainfo.xml \
             share/icons/hicolor/scalable/apps/convertitore-boost.svg \
             share/doc/convertitore-boost/copyright \
             share/doc/convertitore-boost/changelog.gz \
             share/man/man1/convertitore-boost.1.gz; do
        [ -f "$stage/usr/$f" ] || { echo "Installazione: manca /usr/$f" >&2; status=1; }
    done
    check_manpage "$stage/usr/share/man/man1/convertitore-boost.1.gz" || status=1
    # The program finds the system's libraries where the system keeps them.
    if readelf -d "$stage/usr/bin/convertitore-boost" | grep -qE '\((RPATH|RUNPATH)\)'; then
        echo "Installazione: il programma porta un RUNPATH" >&2
        status=1
    fi
    desktop-file-validate "$stage/usr/share/applications/convertitore-boost.desktop" || status=1
    # The program is known by its command name, not by a reverse domain name
    # (the project owns no domain), so that hint is not a failure here.
    appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
        "$stage/usr/share/metainfo/convertitore-boost.metainfo.xml" >"$stage/appstream.log" \
        || { cat "$stage/appstream.log"; status=1; }
    rm -rf "$stage"
    [ "$status" -eq 0 ] && echo "Installazione di prova: tutti i file al loro posto."
    return "$status"
}

# The Debian package, made as the README says, as lintian sees it: an error or a
# warning fails.  Three info tags stay, judged harmless:
#  - binary-has-unneeded-section: .comment holds the compiler's version string, a few
#    dozen bytes that CPack's plain strip keeps (dh_strip would drop them);
#  - hardening-no-bindnow: symbols are bound lazily, as Debian's default build flags
#    leave them too;
#  - hardening-no-fortify-functions: the program's own C-library calls are fprintf and
#    fputs with fixed formats; its buffers are Qt containers, and Qt is built fortified.
check_package() {
    local debs report status=0
    rm -f "$BUILD"/*.deb
    report=$(cd "$BUILD" && cpack -G DEB 2>&1) || { echo "$report" >&2; return 1; }
    debs=("$BUILD"/*.deb)
    echo "== lintian ${debs[*]##*/} =="
    report=$(lintian --fail-on error,warning --display-info "${debs[@]}" 2>&1) || status=1
    grep -v '^running with root privileges' <<<"$report" || true
    [ "$status" -eq 0 ] && echo "lintian: nessun errore e nessun avvertimento."
    return "$status"
}

# The README gives an administrator the install line of each command, which must
# name exactly the packages the scripts install, and the locale line.
check_readme_packages() {
    local line status=0
    for line in "$ADMIN_INSTALL ${BASE_PACKAGES[*]}" \
                "$ADMIN_INSTALL ${BASE_PACKAGES[*]} ${TEST_PACKAGES[*]}" "$ADMIN_LOCALE"; do
        grep -qxF "$line" "$ROOT/README.md" || { echo "README: manca la riga '$line'" >&2; status=1; }
    done
    return "$status"
}

# One headless ctest run of build dir $1 under locale $2, with a fresh private
# runtime directory as Qt expects (0700, owned by us).
run_suite() {
    local dir=$1 loc=$2 runtime status=0
    runtime=$(mktemp -d)
    echo "== ctest in $(basename "$dir"), LC_ALL=$loc =="
    env LC_ALL="$loc" LANG="$loc" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" \
        ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" || status=$?
    rm -rf "$runtime"
    return "$status"
}

# Every function of the program within the limits of .clang-tidy (cognitive
# complexity 25, 60 lines), checked on the build's compile commands.
run_tidy() {
    local log status=0
    log=$(mktemp)
    echo "== clang-tidy =="
    find "$ROOT/src" -name '*.cpp' -print0 \
        | xargs -0 -n 4 -P "$(nproc)" clang-tidy -p "$BUILD" --quiet >"$log" 2>/dev/null || true
    if grep -E 'warning:|error:' "$log"; then
        status=1
    else
        echo "Nessuna funzione oltre i limiti."
    fi
    rm -f "$log"
    return "$status"
}

# Write bits do not stop root, so a suite run as root skips the cases of a read-only
# file or folder; the file writer's test then runs once more as the unprivileged user
# nobody, which they do stop.  It runs from a copy in a folder nobody can reach (the
# tree may be under /root); it needs nothing of the build tree but the system's Qt.
run_unprivileged() {
    local copy status=0 as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    [ "$(id -u)" -eq 0 ] || return 0
    echo "== test_savefile come utente nobody =="
    copy=$(mktemp -d)
    chmod 755 "$copy"
    cp "$BUILD/tests/test_savefile" "$copy/"
    (cd / && "${as_nobody[@]}" env -i PATH="$PATH" HOME=/nonexistent TMPDIR=/tmp "$copy/test_savefile" -silent) \
        || status=1
    rm -rf "$copy"
    return "$status"
}

# ---- SANITIZER BUILD ----
# A second build with AddressSanitizer and UndefinedBehaviorSanitizer: an array
# index past the last sample or a signed overflow in a count stops the test
# that reaches it instead of passing unnoticed.  One locale is enough here.
run_sanitized_suite() {
    local dir="$ROOT/build-asan"
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCONVERTITORE_SANITIZE=ON \
        && cmake --build "$dir" -j"$(nproc)" \
        && UBSAN_OPTIONS=print_stacktrace=1 run_suite "$dir" it_IT.UTF-8
}

# A coverage-guided run of each fuzz target over the text readers, bounded in
# time, in a clang build of its own; a crash or a failed check stops the run.
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
run_fuzzers() {
    local dir="$ROOT/build-fuzz" corpus log status=0
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCONVERTITORE_FUZZ=ON \
        && cmake --build "$dir" -j"$(nproc)" --target fuzz_fields || return 1
    corpus=$(mktemp -d)
    log=$(mktemp)
    echo "== fuzz_fields, ${FUZZ_SECONDS} s =="
    "$dir/tests/fuzz/fuzz_fields" -max_total_time="$FUZZ_SECONDS" "$corpus" >"$log" 2>&1 || status=$?
    if [ "$status" -eq 0 ]; then
        grep -E '^Done ' "$log"
    else
        tail -n 40 "$log"
    fi
    rm -rf "$corpus" "$log"
    return "$status"
}

need_packages "${BASE_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
need_italian_locale
run_root_steps
build_project

failed=0
check_readme_packages || failed=1
check_install || failed=1
check_package || failed=1
run_tidy || failed=1
run_suite "$BUILD" C || failed=1
run_suite "$BUILD" it_IT.UTF-8 || failed=1
run_unprivileged || failed=1
run_fuzzers || failed=1
run_sanitized_suite || failed=1

if [ "$failed" -ne 0 ]; then
    echo "TEST FALLITI: vedi sopra." >&2
    exit 1
fi
