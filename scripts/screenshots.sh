#!/usr/bin/env bash
# Makes the README's pictures of the six windows with the program itself: the
# worked example, designed in the main window, verified in the waveform window,
# started from rest in the start-up window, built with a student bench's parts in
# the real converter's window, with the same parts in the dynamics window and under
# its digital controller in the control loop's window, drawn without any display
# into docs/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

ensure_packages "${BASE_PACKAGES[@]}"
build_project convertitore-boost
mkdir -p "$ROOT/docs"
"$BUILD/convertitore-boost" progetto --vi 15 --vo 25 --f 80 --ripple-il 40 --ripple-vo 60 --io 1.5 \
    --png "$ROOT/docs/finestra-principale.png" >/dev/null
"$BUILD/convertitore-boost" verifica --vi 15 --d 40 --f 80 --l 75 --c 125 --rl 16.67 \
    --png "$ROOT/docs/forme-d-onda.png" >/dev/null

"$BUILD/convertitore-boost" avvio --vi 15 --d 40 --f 80 --l 75 --c 125 --rl 16.67 \
    --png "$ROOT/docs/avvio-del-convertitore.png" >/dev/null
# rL 0.1 Ω, Ron 0.05 Ω, VF 0.5 V, RD 0.02 Ω, rC 0.05 Ω: the window's own first values.
"$BUILD/convertitore-boost" reale --vi 15 --d 40 --f 80 --l 75 --c 125 --rl 16.67 \
    --dcr 0.1 --ron 0.05 --vf 0.5 --rd 0.02 --esr 0.05 --png "$ROOT/docs/convertitore-reale.png" >/dev/null
"$BUILD/convertitore-boost" dinamica --vi 15 --d 40 --f 80 --l 75 --c 125 --rl 16.67 \
    --dcr 0.1 --ron 0.05 --vf 0.5 --rd 0.02 --esr 0.05 --png "$ROOT/docs/dinamica.png" >/dev/null
# The same converter under its digital controller, every loop value its default.
"$BUILD/convertitore-boost" anello --vi 15 --d 40 --f 80 --l 75 --c 125 --rl 16.67 \
    --dcr 0.1 --ron 0.05 --vf 0.5 --rd 0.02 --esr 0.05 --png "$ROOT/docs/anello.png" >/dev/null
echo "Immagini in docs/: finestra-principale.png, forme-d-onda.png, avvio-del-convertitore.png, convertitore-reale.png," \
    "dinamica.png, anello.png"
