#!/usr/bin/env bash
# Builds Tessaline, installs it into ./local and starts it there. With a display and a CD writer
# that the system's recording tool (cdrdao) finds, it starts the wizard; without a writer it
# starts the demonstration, whose writers are simulated, and says so. Without a display it runs
# the demonstration once under a virtual X server and saves screenshots of both pages in
# ./screenshots.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/lib.sh

ensure_packages "${TESSALINE_BUILD_PACKAGES[@]}" "${TESSALINE_TOOL_PACKAGES[@]}"
configure_once build-run -DCMAKE_BUILD_TYPE=Release -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF
cmake --build build-run -j"$(nproc 2>/dev/null || echo 2)"
cmake --install build-run --prefix "$PWD/local" >/dev/null
echo "installed into $PWD/local (the application directory is local/lib/tessaline)"

# The units the bridge lists: its answer on standard error, after a heading line.
writers=$(local/lib/tessaline/Burn.exe scanbus -v 0 2>&1 >/dev/null | tail -n +2 | grep -c . || true)
demo="the demonstration: its CD writers are simulated, and what it finds says nothing about a real writer"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    if [ "$writers" -gt 0 ]; then
        echo "cdrdao finds $writers CD or DVD unit(s): starting the wizard"
        exec local/bin/tessaline
    fi
    echo "cdrdao finds no CD writer here: starting $demo"
    exec local/bin/tessaline --demo
fi
echo "no display: running $demo, once under a virtual X server"
ensure_packages "${TESSALINE_RUN_PACKAGES[@]}"
exec scripts/headless-demo.sh local screenshots
