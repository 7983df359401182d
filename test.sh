#!/usr/bin/env bash
# Builds Tessaline and runs every check: the layout of the C++ files, the whole suite in a normal
# build (warnings as errors), the core tests under Valgrind's memcheck, clang-tidy, the whole suite
# again with AddressSanitizer and UndefinedBehaviorSanitizer, a short run of every fuzzer, the
# Debian package, the program and its tests cross-built for Windows under Wine, and the Windows
# installer. Installs what is missing first. Each step's line says when it began (minutes and
# seconds since the start). Exit status: 0 when everything passed.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh

ensure_packages "${TESSALINE_BUILD_PACKAGES[@]}" "${TESSALINE_TEST_PACKAGES[@]}" "${TESSALINE_TOOL_PACKAGES[@]}"

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

at() { printf '[%d:%02d]' $((SECONDS / 60)) $((SECONDS % 60)); }

run_suite() {  # name, build dir, extra cmake options...
    local name=$1 dir=$2; shift 2
    echo "== $(at) $name: configure and build in $dir"
    configure_once "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_WERROR=ON "$@"
    cmake --build "$dir" -j"$jobs"
    echo "== $(at) $name: tests"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 300
}

step() { echo "== $(at) $1"; shift; "$@"; }

step "layout of the C++ files" scripts/format-check.sh
run_suite "plain build" build
step "core tests under Valgrind's memcheck" scripts/memcheck.sh build
step "clang-tidy" scripts/clang-tidy.sh build
ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp" \
    run_suite "sanitizer build (ASan + UBSan)" build-asan -DTESSALINE_SANITIZE=ON -DTESSALINE_BENCH=OFF
step "fuzzers, a short run each" scripts/fuzz.sh
step "Debian package: built with CPack, checked with lintian, run (installed and removed under CI)" scripts/package-deb.sh
step "Windows: the core tests cross-built with MinGW-w64, under Wine" scripts/windows-tests.sh
step "Windows installer: built with NSIS, installed, run and removed under Wine" scripts/package-win.sh
echo "== $(at) all checks passed"
