#!/usr/bin/env bash
# Builds Tessaline and runs every check, installing what is missing first. Exit status: 0 when
# everything passed. Each step's line says when it began (minutes and seconds since the start).
# The steps, in order (`./test.sh --docs` writes this list and the README's from the one below;
# a run fails when either differs from it):
#   1. the layout of every C++ file against .clang-format: scripts/format-check.sh
#   2. the whole suite in a normal build, warnings as errors: build_and_test build
#   3. the core tests under Valgrind's memcheck: scripts/memcheck.sh build
#   4. clang-tidy: scripts/clang-tidy.sh build
#   5. the whole suite again with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer: build_and_test build-asan -DTESSALINE_SANITIZE=ON -DTESSALINE_BENCH=OFF
#   6. a short run of every libFuzzer target: scripts/fuzz.sh
#   7. the Debian package, built, checked and run (installed and removed under CI=true): scripts/package-deb.sh
#   8. the program cross-built for Windows, its tests under Wine, tessaline.exe end to end: scripts/windows-tests.sh
#   9. the Windows installer, built, installed, run and removed under Wine: scripts/package-win.sh
set -euo pipefail
cd "$(dirname "$0")"
source scripts/lib.sh

# One line a step: what it checks, then its command.
steps=(
    "the layout of every C++ file against .clang-format | scripts/format-check.sh"
    "the whole suite in a normal build, warnings as errors | build_and_test build"
    "the core tests under Valgrind's memcheck | scripts/memcheck.sh build"
    "clang-tidy | scripts/clang-tidy.sh build"
    "the whole suite again with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer | build_and_test build-asan -DTESSALINE_SANITIZE=ON -DTESSALINE_BENCH=OFF"
    "a short run of every libFuzzer target | scripts/fuzz.sh"
    "the Debian package, built, checked and run (installed and removed under CI=true) | scripts/package-deb.sh"
    "the program cross-built for Windows, its tests under Wine, tessaline.exe end to end | scripts/windows-tests.sh"
    "the Windows installer, built, installed, run and removed under Wine | scripts/package-win.sh"
)

# Configures a build folder, builds it and runs its tests; the tests carry their own environment.
build_and_test() {  # build folder, extra cmake options...
    local dir=$1; shift
    configure_once "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_WERROR=ON "$@"
    cmake --build "$dir" -j"$(nproc 2>/dev/null || echo 2)"
    echo "== $(at) tests in $dir"
    ctest --test-dir "$dir" --output-on-failure -j"$(nproc 2>/dev/null || echo 2)" --timeout 300
}

at() { printf '[%d:%02d]' $((SECONDS / 60)) $((SECONDS % 60)); }

# The list of steps as this header has it (comment) and as the README has it (markdown).
list_steps() {  # comment | markdown
    local i=0 step
    for step in "${steps[@]}"; do
        i=$((i + 1))
        if [ "$1" = comment ]; then
            echo "#   $i. ${step% | *}: ${step#* | }"
        else
            echo "$i. ${step% | *}: \`${step#* | }\`"
        fi
    done
}
readme_begin='<!-- the steps of test.sh, written by ./test.sh --docs -->'
readme_end='<!-- end of the steps -->'
header_steps() { grep -E '^#   [0-9]+\. ' test.sh; }
readme_steps() {
    begin=$readme_begin end=$readme_end awk '$0 == ENVIRON["end"] { inside = 0 } inside { print }
                                             $0 == ENVIRON["begin"] { inside = 1 }' README.md
}

if [ "${1:-}" = --docs ]; then
    # Written in place, so that test.sh keeps its mode; this block was read whole before it ran.
    list=$(list_steps comment) awk '/^#   [0-9]+\. / { if (!done) print ENVIRON["list"]; done = 1; next }
                                    { print }' test.sh >test.sh.new
    cat test.sh.new >test.sh && rm test.sh.new
    list=$(list_steps markdown) begin=$readme_begin end=$readme_end awk '
        $0 == ENVIRON["begin"] { print; print ENVIRON["list"]; skip = 1; next }
        $0 == ENVIRON["end"] { skip = 0 }
        !skip { print }' README.md >README.md.new
    mv README.md.new README.md
    exit 0
fi
[ "$(header_steps)" = "$(list_steps comment)" ] && [ "$(readme_steps)" = "$(list_steps markdown)" ] ||
    fail "the steps listed in test.sh's header or in README.md differ from its steps: ./test.sh --docs"

ensure_packages "${TESSALINE_BUILD_PACKAGES[@]}" "${TESSALINE_TEST_PACKAGES[@]}" "${TESSALINE_TOOL_PACKAGES[@]}"
for step in "${steps[@]}"; do
    echo "== $(at) ${step% | *}"
    read -r -a command <<<"${step#* | }"
    "${command[@]}"
done
echo "== $(at) all checks passed"
