#!/usr/bin/env bash
# The Windows window, after the core's Windows tests: the Win32 runtime's tests and the whole
# program's, then tessaline.exe installed and checked to need only system DLLs, then run end to
# end (scripts/windows-e2e.sh); all under Wine on a virtual X server of its own.
# Usage: scripts/windows-window-tests.sh <Windows build folder> [screenshot folder]
# Called by scripts/windows-tests.sh with WINEPREFIX set and the build folder configured with
# -DTESSALINE_UI=win32. Where Xvfb, xdotool or ImageMagick cannot be had it says so and exits 0;
# under CI=true that is a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

BUILD=$1
SHOTS=${2:-$BUILD/screenshots}
: "${WINEPREFIX:?WINEPREFIX names the Wine prefix of the build folder}"

cannot_run() {
    if [ "${CI:-}" = "true" ]; then
        echo "== windows-window: FAILED, $1 (CI=true: a step that cannot run fails)" >&2
        exit 1
    fi
    echo "== windows-window: SKIPPED, $1"
    exit 0
}

ensure_packages "${TESSALINE_RUN_PACKAGES[@]}" || cannot_run "Xvfb, xdotool or ImageMagick could not be installed"
for tool in Xvfb xdotool import winepath; do
    command -v "$tool" >/dev/null 2>&1 || cannot_run "$tool is not available"
done

# A virtual X server of our own, on the first free display.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
mkdir -p "$BUILD"
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$BUILD/xvfb.log" 2>&1 &
xvfb=$!
stop() {
    wineserver --kill >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
}
trap stop EXIT
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || cannot_run "Xvfb did not start (see $BUILD/xvfb.log)"

# Wine's desktop takes the display of the program that starts it, so the server started for the
# core's tests (without a display) is replaced by one that starts on this display. Windows are not
# left to a window manager (there is none): without that, Wine waits for one on every close.
wineserver --kill >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
start_wine_server || cannot_run "Wine does not run programs on this display"

echo "== windows-window: build tessaline.exe and the Win32 runtime's tests"
cmake --build "$BUILD" -j2 --target tessaline ui_win32_tests tessaline_burn

echo "== windows-window: the Win32 runtime's tests, one at a time"
(cd "$BUILD" && ctest --label-regex '^ui_win32$' --output-on-failure --timeout 300)

echo "== windows-window: install and check the program's DLLs"
install_dir="$BUILD/install"
rm -rf "$install_dir"
cmake --install "$BUILD" --prefix "$install_dir" >/dev/null
for file in tessaline.exe Burn.exe Lang/English.ini winaqua.skn test.cue test.wav; do
    [ -f "$install_dir/$file" ] || { echo "== windows-window: $file is not installed" >&2; exit 1; }
done
# A bare Windows has these; a MinGW or C++ runtime DLL would not be there.
system_dlls='^(advapi32|comctl32|gdi32|gdiplus|kernel32|msvcrt|ole32|oleaut32|shell32|shlwapi|user32|winmm)\.dll$'
for exe in tessaline.exe Burn.exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$install_dir/$exe" | awk '/DLL Name:/ { print tolower($3) }')
    echo "   $exe imports: $(echo $dlls)"
    others=$(echo "$dlls" | grep -Ev "$system_dlls" || true)
    if [ -n "$others" ]; then
        echo "== windows-window: $exe needs DLLs a bare Windows lacks: $(echo $others)" >&2
        exit 1
    fi
done

echo "== windows-window: tessaline.exe end to end"
scripts/windows-e2e.sh "$install_dir" "$SHOTS"
