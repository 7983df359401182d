#!/usr/bin/env bash
# Builds Tessaline, installs it into ./local and starts the wizard there, against the bundled
# stand-in recording tool. Without a display it runs the wizard once under a virtual X server
# and saves screenshots of both pages in ./screenshots.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh

ensure_packages "${TESSALINE_BUILD_PACKAGES[@]}"
configure_once build-run -DCMAKE_BUILD_TYPE=Release -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF
cmake --build build-run -j"$(nproc 2>/dev/null || echo 2)"
cmake --install build-run --prefix "$PWD/local" >/dev/null
echo "installed into $PWD/local (the application directory is local/lib/tessaline)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec local/bin/tessaline
fi
echo "no display: running the wizard once under a virtual X server"
ensure_packages "${TESSALINE_RUN_PACKAGES[@]}"
exec scripts/headless-demo.sh local screenshots
