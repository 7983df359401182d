#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (in build-fuzz/) and runs each one for a
# bounded time, starting from its committed corpus fuzz/corpus/<target>/. New inputs go to
# build-fuzz/corpus/<target>/, crashes to build-fuzz/artifacts/. Exit status 0 when every
# target ran and none found anything.
#
#   scripts/fuzz.sh                 every target for 12 s (the CI run)
#   scripts/fuzz.sh 300             every target for 300 s
#   scripts/fuzz.sh --long          every target for 600 s
#   scripts/fuzz.sh 60 fuzz_regfile one target
#   scripts/fuzz.sh --merge         after a run: add the new inputs that widen coverage to the
#                                   committed corpora (then review and commit them)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

seconds=12
merge=0
targets=()
for arg in "$@"; do
    case $arg in
        --long) seconds=600 ;;
        --merge) merge=1 ;;
        [0-9]*) seconds=$arg ;;
        fuzz_*) targets+=("$arg") ;;
        -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
        *) echo "fuzz.sh: unknown argument $arg" >&2; exit 2 ;;
    esac
done
ensure_packages clang libclang-rt-14-dev "${TESSALINE_BUILD_PACKAGES[@]}"

dir=${TESSALINE_FUZZ_BUILD:-build-fuzz}
configure_once "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_FUZZ=ON \
    -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF -DTESSALINE_WIZARD=ON
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -gt 2 ] && jobs=2
say "build in $dir"
cmake --build "$dir" --target tessaline_fuzzers -j"$jobs"
# The targets fuzz/CMakeLists.txt defines (read after the build, which configures again when it
# changed); those named on the command line must be among them.
mapfile -t all_targets <"$dir/fuzz/fuzzers.txt"
[ ${#all_targets[@]} -gt 0 ] || fail "fuzz/CMakeLists.txt defines no target"
for target in "${targets[@]}"; do
    printf '%s\n' "${all_targets[@]}" | grep -qx "$target" || fail "no fuzz target $target"
done
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

mkdir -p "$dir/logs" "$dir/artifacts"
summary="$dir/fuzz-summary.txt"
printf '%-14s %8s %12s %8s  %s\n' target seconds executions corpus result > "$summary"
failed=0
for target in "${targets[@]}"; do
    binary="$dir/fuzz/$target"
    seeds="fuzz/corpus/$target"
    work="$dir/corpus/$target"
    mkdir -p "$work" "$seeds"
    if [ "$merge" -eq 1 ]; then
        say "merge $work into $seeds"
        "$binary" -merge=1 "$seeds" "$work" > "$dir/logs/$target.merge.log" 2>&1
        continue
    fi
    log="$dir/logs/$target.log"
    say "$target for ${seconds}s"
    result=ok
    "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$dir/artifacts/$target-" "$work" "$seeds" > "$log" 2>&1 \
        || result=FOUND
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    # A target that executed nothing has checked nothing.
    [ "$result" = ok ] && [ "${runs:-0}" -eq 0 ] && result="DID NOT RUN"
    corpus=$(find "$work" "$seeds" -type f | wc -l)
    printf '%-14s %8s %12s %8s  %s\n' "$target" "$seconds" "${runs:-?}" "$corpus" "$result" >> "$summary"
    if [ "$result" != ok ]; then
        failed=1
        if [ "$result" = FOUND ]; then
            say "$target found a fault; the input is in $dir/artifacts/, the log:" >&2
        else
            say "$target executed no input, the log:" >&2
        fi
        grep -v '^#' "$log" | tail -40 >&2
    fi
done
[ "$merge" -eq 1 ] && exit 0
cat "$summary"
exit $failed
