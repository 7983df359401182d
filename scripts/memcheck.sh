#!/usr/bin/env bash
# Runs the core tests (label core, less those labelled no_memcheck, each with its reason where it
# is registered) under Valgrind's memcheck in a normal build (build-e/ unless given): any invalid
# read or write, use of an uninitialised value, or definitely or indirectly lost block fails the
# run. Exit status 0 when clean.
#   scripts/memcheck.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
ensure_packages valgrind "${TESSALINE_BUILD_PACKAGES[@]}" "${TESSALINE_TEST_PACKAGES[@]}"

dir=${1:-build-e}
# An existing build folder is used as it is configured (./test.sh passes its own build/).
[ -f "$dir/CMakeCache.txt" ] || configure_once "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_BENCH=OFF
cmake --build "$dir" -j2

# The chosen tests' command lines, one a line with tab-separated words. The tests of one
# GoogleTest program are run in one go, with their names as its filter: Valgrind takes a second
# or more to start a program.
mapfile -t runs < <(ctest --test-dir "$dir" -L '^core$' -LE '^no_memcheck$' --show-only=json-v1 | python3 -c '
import json, sys
programs = {}
for test in json.load(sys.stdin)["tests"]:
    command = test["command"]
    filters = [word[len("--gtest_filter="):] for word in command if word.startswith("--gtest_filter=")]
    if filters:
        programs.setdefault(command[0], []).extend(filters)
    else:
        print("\t".join(command))
for program, names in programs.items():
    print(program + "\t--gtest_filter=" + ":".join(names))
')
[ ${#runs[@]} -gt 0 ] || fail "no core test found in $dir"

failed=0
for run in "${runs[@]}"; do
    IFS=$'\t' read -r -a command <<<"$run"
    name=$(basename "${command[0]}")
    log="$dir/memcheck-$name.log"
    say "${command[0]#"$PWD/"}"
    if ! valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
            --errors-for-leak-kinds=definite,indirect --error-exitcode=99 --child-silent-after-fork=yes \
            --track-origins=yes --suppressions=scripts/valgrind.supp --log-file="$log" \
            "${command[@]}" > "$log.out" 2>&1; then
        failed=1
        say "$name failed; see $log and $log.out" >&2
        grep -E '^==[0-9]+== (Invalid|Conditional|Use of|.*definitely|.*indirectly)' "$log" | head -20 >&2 || true
        tail -5 "$log.out" >&2
    else
        grep -E 'ERROR SUMMARY|definitely lost|indirectly lost' "$log" | sed 's/^==[0-9]*== /   /'
    fi
done
exit $failed
