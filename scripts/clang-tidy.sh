#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) over the project's own sources with the compile
# commands of a normal build (build-e/ unless given), two files at a time. Exit status 0 when no
# check reports anything.
#   scripts/clang-tidy.sh [build-dir] [file...]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
ensure_packages clang-tidy-14 "${TESSALINE_BUILD_PACKAGES[@]}" "${TESSALINE_TEST_PACKAGES[@]}"

dir=${1:-build-e}
[ $# -gt 0 ] && shift
# An existing build folder is used as it is configured (./test.sh passes its own build/).
[ -f "$dir/CMakeCache.txt" ] || configure_once "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_BENCH=OFF
# The window's sources include files that moc and rcc generate during the build.
cmake --build "$dir" --target tessaline_wizard_autogen tessaline_skin_autogen -j2 >/dev/null 2>&1 || true

if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -t files < <(git ls-files 'platform/*.cpp' 'settings/*.cpp' 'runner/*.cpp' 'tools/burn/*.cpp' \
                                      'wizard/*.cpp' 'wizard/skin/*.cpp' | grep -v '_win\.cpp$')
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
printf '%s\n' "${files[@]}" | xargs -P 2 -n 1 clang-tidy-14 -p "$dir" --quiet > "$log" 2>/dev/null || true
if grep -qE '(warning|error):' "$log"; then
    grep -E -A3 '(warning|error):' "$log"
    echo "== clang-tidy: $(grep -cE '(warning|error):' "$log") findings in ${#files[@]} files" >&2
    exit 1
fi
echo "== clang-tidy: ${#files[@]} files clean"
