#!/usr/bin/env bash
# The Windows step: cross-builds the core libraries, their tests, the helper programs and the
# stand-in tool with MinGW-w64 into build-win/, and runs the tests under Wine in a prefix of that
# folder's own. Exits 0 with one line saying so when Wine cannot be had on this machine, except
# under CI=true, where a step that could not run fails: there it exits 1.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

BUILD=build-win
skip() {
    if [ "${CI:-}" = true ]; then
        echo "== windows-tests: FAILED, could not run: $1 (CI=true: every check must run)" >&2
        exit 1
    fi
    echo "== windows-tests: SKIPPED, $1"
    exit 0
}

if ! command -v apt-get >/dev/null 2>&1 && ! command -v wine >/dev/null 2>&1; then
    skip "no apt-get to install Wine and MinGW-w64 with, and no Wine installed"
fi
if ! ensure_packages g++-mingw-w64-x86-64-posix wine wine64 googletest; then
    command -v wine >/dev/null 2>&1 || skip "Wine could not be installed on this machine"
    echo "== windows-tests: the cross compiler or GoogleTest's sources could not be installed" >&2
    exit 1
fi
command -v wine >/dev/null 2>&1 || skip "Wine is not available on this machine"

export WINEPREFIX="$PWD/$BUILD/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko prompts in a fresh prefix

configure_once "$BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DTESSALINE_WIZARD=ON -DTESSALINE_UI=win32 -DTESSALINE_BENCH=OFF -DTESSALINE_TESTS=ON -DTESSALINE_WERROR=ON

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== windows-tests: making a fresh Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || skip "Wine does not start on this machine (wineboot failed)"
fi
# One server for the whole run, ended on the way out.
trap 'wineserver --kill >/dev/null 2>&1 || true' EXIT
start_wine_server || skip "Wine does not run programs on this machine"

# Discovery runs each test program under Wine, so the prefix comes before the build.
cmake --build "$BUILD" -j2 --target store_tests tessaline_runner_tests probe_tests skin_file_tests

cd "$BUILD"
# Wine itself now and then fails a start that Windows would make (CreateProcess answering
# ERROR_INTERNAL_ERROR about once in two thousand starts with two test programs at once), or keeps
# a test program that has passed from ending. A test that fails is therefore run once more; it
# must pass then, and the ones that needed it are named below, so that a test that fails half
# the time does not go unseen.
ctest_log=$(mktemp)
status=0
ctest --label-regex '^(store|runner|probe|skin)$' --output-on-failure --timeout 300 -j2 --no-tests=error \
    --repeat until-pass:2 2>&1 | tee "$ctest_log" || status=$?
second=$(grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*' "$ctest_log" | sed -E 's/^.*Test +#[0-9]+: ([^ ]+) .*\*\*\*(.*)$/\1 (\2)/' || true)
rm -f "$ctest_log"
if [ -n "$second" ]; then
    echo "== windows-tests: failed once under Wine, passed on the second run:"
    printf '   %s\n' "$second"
fi
[ "$status" -eq 0 ] || exit "$status"

# The window: the Win32 runtime's tests, then tessaline.exe installed and run end to end, on a
# virtual X server (screenshots in build-win/screenshots).
cd - >/dev/null
scripts/windows-window-tests.sh "$BUILD" "$BUILD/screenshots"
