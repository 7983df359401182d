#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) over the project's own sources with the compile
# commands of a normal build (build-e/ unless given), two files at a time. Exit status 0 when no
# check reports anything; 1 when a check reports something, or when clang-tidy itself could not
# do its work (no compile commands, a file it cannot process, a crash), with what it said.
#   scripts/clang-tidy.sh [build-dir] [file...]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
ensure_packages clang-tidy-14 "${TESSALINE_BUILD_PACKAGES[@]}" "${TESSALINE_TEST_PACKAGES[@]}"

dir=${1:-build-e}
[ $# -gt 0 ] && shift
# An existing build folder is used as it is configured (./test.sh passes its own build/).
[ -f "$dir/CMakeCache.txt" ] || configure_once "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_BENCH=OFF
# The window's sources include files that moc and rcc generate during the build.
if ! cmake --build "$dir" --target tessaline_ui_qt_autogen -j2 >"$dir/clang-tidy-autogen.log" 2>&1; then
    tail -20 "$dir/clang-tidy-autogen.log" >&2
    echo "== clang-tidy: the generated sources of the window could not be made in $dir" >&2
    exit 1
fi
if [ ! -s "$dir/compile_commands.json" ]; then
    echo "== clang-tidy: no compile commands in $dir (configure it with CMAKE_EXPORT_COMPILE_COMMANDS)" >&2
    exit 1
fi

if [ $# -gt 0 ]; then
    files=("$@")
else
    # The files as they would be committed: new ones included, deleted ones left out.
    mapfile -t files < <(git ls-files --cached --others --exclude-standard 'platform/*.cpp' 'settings/*.cpp' \
                             'runner/*.cpp' 'tools/burn/*.cpp' 'tools/bridge/*.cpp' 'wizard/*.cpp' 'tests/tools/*.cpp' |
                         sort -u | grep -vE '(_win\.cpp|/win32/.*)$' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
fi
if [ ${#files[@]} -eq 0 ]; then
    echo "== clang-tidy: no source files found to check" >&2
    exit 1
fi
log=$(mktemp)
said=$(mktemp)
trap 'rm -f "$log" "$said"' EXIT
# clang-tidy ends with a status other than 0 when it cannot process a file (a compiler error,
# a missing header) or crashes; xargs then ends with 123 to 125.
status=0
printf '%s\n' "${files[@]}" | xargs -P 2 -n 1 clang-tidy-14 -p "$dir" --quiet > "$log" 2> "$said" || status=$?
if [ "$status" -ne 0 ]; then
    grep -E -A3 '(warning|error):' "$log" || true
    # Its count of warnings it was told to leave out of system headers is not news.
    grep -vE '^[0-9]+ warnings? generated\.$' "$said" | tail -40 >&2 || true
    echo "== clang-tidy: failed (exit status $status): a file it could not process, or a crash" >&2
    exit 1
fi
if grep -qE '(warning|error):' "$log"; then
    grep -E -A3 '(warning|error):' "$log"
    echo "== clang-tidy: $(grep -cE '(warning|error):' "$log") findings in ${#files[@]} files" >&2
    exit 1
fi
echo "== clang-tidy: ${#files[@]} files clean"
