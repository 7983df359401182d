#!/usr/bin/env bash
# The Windows step: cross-builds the program, its tests, the helper programs and the stand-in tool
# with MinGW-w64 into build-win/ (the Win32 window), and under Wine, in a prefix of that folder's
# own: runs the core tests (label core); then, on a virtual X server, the window's tests (label
# window), one at a time, as they take the keyboard focus and use the registry; installs
# tessaline.exe into build-win/install and checks that it needs only Windows' own DLLs; and runs
# it end to end as a user would, against the stand-in tool and its shipped scenario: Enter on
# page 1, the driver test, a click on Finish; the exit status, the tool's command lines and the
# driver value in the registry are checked, and each page's client area is saved in
# build-win/screenshots. Where Wine, Xvfb, xdotool or ImageMagick cannot be had it says so in one
# line and exits 0; under CI=true, where every check must run, that fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

BUILD=build-win
if ! command -v apt-get >/dev/null 2>&1 && ! command -v wine >/dev/null 2>&1; then
    skip_or_fail "no apt-get to install Wine and MinGW-w64 with, and no Wine installed"
fi
if ! ensure_packages "${TESSALINE_WINDOWS_PACKAGES[@]}" googletest fonts-wine; then
    command -v wine >/dev/null 2>&1 || skip_or_fail "Wine could not be installed on this machine"
    fail "the cross compiler or GoogleTest's sources could not be installed"
fi
command -v wine >/dev/null 2>&1 || skip_or_fail "Wine is not available on this machine"

configure_once "$BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DTESSALINE_WIZARD=ON -DTESSALINE_UI=win32 -DTESSALINE_BENCH=OFF -DTESSALINE_TESTS=ON -DTESSALINE_WERROR=ON
use_wine_prefix "$BUILD" || skip_or_fail "Wine does not start on this machine (wineboot failed)"
# The window's design face, "MS Sans Serif", is a bitmap font of Windows, which the prefix's
# registry names (sserife.fon) but Debian's Wine leaves out of the prefix: Wine would draw it with
# a substitute of other widths. Wine's own (Debian package fonts-wine) goes where Windows has it.
design_font=/usr/share/wine/fonts/sserife.fon
[ -f "$design_font" ] || skip_or_fail "Wine's fonts ($design_font) are not installed"
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts" && cp -u "$design_font" "$WINEPREFIX/drive_c/windows/Fonts/"
# One server for the whole run, ended on the way out.
start_wine_server || skip_or_fail "Wine does not run programs on this machine"
# Discovery runs each test program under Wine, so the prefix comes before the build.
cmake --build "$BUILD" -j2

# Wine itself now and then fails a start that Windows would make (CreateProcess answering
# ERROR_INTERNAL_ERROR about once in two thousand starts with two test programs at once), or keeps
# a test program that has passed from ending. A core test that fails is therefore run once more;
# it must pass then, and the ones that needed it are named below, so that a test that fails half
# the time does not go unseen.
say "the core tests"
ctest_log=$(mktemp)
at_exit 'rm -f "$ctest_log"'
status=0
ctest --test-dir "$BUILD" -L '^core$' --output-on-failure --timeout 300 -j2 --no-tests=error \
    --repeat until-pass:2 2>&1 | tee "$ctest_log" || status=$?
second=$(grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*' "$ctest_log" | sed -E 's/^.*Test +#[0-9]+: ([^ ]+) .*\*\*\*(.*)$/\1 (\2)/' || true)
if [ -n "$second" ]; then
    say "failed once under Wine, passed on the second run:"
    printf '   %s\n' "$second"
fi
[ "$status" -eq 0 ] || exit "$status"

# The window, on a virtual X server of its own (screenshots in build-win/screenshots).
ensure_packages "${TESSALINE_RUN_PACKAGES[@]}" "${TESSALINE_BUILD_PACKAGES[@]}" ||
    skip_or_fail "Xvfb, xdotool or ImageMagick could not be installed"
for tool in Xvfb xdotool import winepath; do
    command -v "$tool" >/dev/null 2>&1 || skip_or_fail "$tool is not available"
done
start_virtual_display "$BUILD/xvfb.log" || skip_or_fail "Xvfb did not start (see $BUILD/xvfb.log)"
start_wine_server_on_display || skip_or_fail "Wine does not run programs on this display"

say "the window's tests, one at a time"
ctest --test-dir "$BUILD" -L '^window$' --output-on-failure --timeout 300 --no-tests=error

say "install and check the program's DLLs"
install_dir="$BUILD/install"
rm -rf "$install_dir"
cmake --install "$BUILD" --prefix "$install_dir" >/dev/null
for file in tessaline.exe Burn.exe Lang/English.ini winaqua.skn test.cue test.wav; do
    [ -f "$install_dir/$file" ] || fail "$file is not installed"
done
check_system_dlls "$install_dir/tessaline.exe" "$install_dir/Burn.exe"

say "tessaline.exe end to end"
shots=$(mkdir -p "$BUILD/screenshots" && readlink -f "$BUILD/screenshots")
log="$shots/burn-commands.log"
unset TESSALINE_BURN_SCENARIO  # the scenario shipped beside the tool
wine reg delete 'HKCU\Software\Quorvane' /f >/dev/null 2>&1 || true
status=0
# The window's title comes from the language file.
TOOL_LOG_NAME=$(winepath -w "$log") run_wizard_to_finish --click-finish --title "Tessaline Driver Wizard" \
    --shots "$shots/windows-" tessaline.exe "$log" "$shots/wizard.log" env -C "$install_dir" wine tessaline.exe ||
    status=$?
[ "$status" -eq 0 ] || { sed 's/^/   wizard: /' "$shots/wizard.log" >&2; fail "the wizard ended with exit status $status"; }
value=$(wine_reg_value 'HKCU\Software\Quorvane\Output_Setting\Driver' "" || true)
echo "driver value in the registry: ${value:-none}"
[ "$value" = "1" ] || fail "the driver value is \"${value:-none}\", not 1 (generic-mmc)"
commands=$(grep -c . "$log" || true)
[ "$commands" -eq 4 ] || fail "the tool received $commands command lines, not 4 (scan, two probes, simulate)"
say "passed (exit status 0, driver 1, $commands tool runs)"
