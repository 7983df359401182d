#!/usr/bin/env bash
# Runs the core tests (no window) under Valgrind's memcheck in the normal build (build-e/ unless
# given): any invalid read or write, use of an uninitialised value, or definitely or indirectly
# lost block fails the run. Tests that push hundreds of megabytes or a thousand processes are
# left out: under memcheck they prove nothing more and take minutes. Exit status 0 when clean.
#   scripts/memcheck.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
ensure_packages valgrind "${TESSALINE_BUILD_PACKAGES[@]}" "${TESSALINE_TEST_PACKAGES[@]}"

dir=${1:-build-e}
# An existing build folder is used as it is configured (./test.sh passes its own build/).
[ -f "$dir/CMakeCache.txt" ] || configure_once "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_BENCH=OFF
programs=(tests/store/store_tests tests/runner/tessaline_runner_tests tests/probe/probe_tests
          tests/reliability/reliability_tests)
targets=()
for program in "${programs[@]}"; do targets+=("$(basename "$program")"); done
cmake --build "$dir" --target "${targets[@]}" -j2

# Left out, with the reason: *50Megabyte* and *TwoHundredMegabytes* (hundreds of megabytes
# through a program ten times slower), *Thousand* (counts of a thousand runs or kills, each a
# process under memcheck), *DeathTest* (a child that is meant to abort), *FailedStart* (Valgrind
# runs posix_spawn's vfork as a fork, so a program that cannot be executed looks started),
# *DefaultSignals* (a 3 ms interval timer: Valgrind delivers a late SIGALRM after the test has
# put the default action back, which ends the run). Each of them runs normally in ./test.sh.
# No test bounds the time in milliseconds, so the runner's hook and stop tests run here too.
filter='-*50Megabyte*:*TwoHundredMegabytes*:*Thousand*:*DeathTest*:*FailedStart*:*DefaultSignals*'
failed=0
for program in "${programs[@]}"; do
    log="$dir/memcheck-$(basename "$program").log"
    echo "== memcheck: $program"
    if ! valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
            --errors-for-leak-kinds=definite,indirect --error-exitcode=99 --child-silent-after-fork=yes \
            --track-origins=yes --suppressions=scripts/valgrind.supp --log-file="$log" \
            "$dir/$program" --gtest_filter="$filter" > "$log.out" 2>&1; then
        failed=1
        echo "== memcheck: $program failed; see $log and $log.out" >&2
        grep -E '^==[0-9]+== (Invalid|Conditional|Use of|.*definitely|.*indirectly)' "$log" | head -20 >&2 || true
        tail -5 "$log.out" >&2
    else
        grep -E 'ERROR SUMMARY|definitely lost|indirectly lost' "$log" | sed 's/^==[0-9]*== /   /'
    fi
done
exit $failed
