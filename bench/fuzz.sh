#!/bin/bash
# Runs every libFuzzer harness (or the ones named) for a number of seconds each and fails on any
# finding. Usage: bench/fuzz.sh [seconds per harness, default 60] [harness ...]
# Builds the harnesses with clang into $FUZZ_BUILD (default build/fuzz). The growing corpora
# live in out/fuzz/corpus/<harness> (seeded from tests/fuzz/corpus/<harness>); findings land in
# out/fuzz/findings/<harness>/. One harness runs at a time.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
all=(tarnel_description tarnel_cmdline corvane_model corvane_dowel corvane_case corvane_cmdline
     viewer_text viewer_binary ostrine_cmdline batch_cmdline)
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=("${all[@]}")
build=${FUZZ_BUILD:-build/fuzz}

# Input size caps: the text result set holds a whole result file, the rest are small.
max_len() {
    case $1 in
    viewer_text) echo 24576 ;;
    viewer_binary | corvane_model | corvane_dowel | corvane_case) echo 8192 ;;
    *) echo 2048 ;;
    esac
}

if [ -z "${FUZZ_NO_BUILD:-}" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBUILD_FUZZERS=ON -DBUILD_VIEWER_APP=OFF >/dev/null || exit 1
    cmake --build "$build" -j2 --target $(printf 'fuzz_%s ' "${harnesses[@]}") >/dev/null || exit 1
fi

failed=0
printf '%-20s %10s %10s %8s %s\n' harness seconds executions corpus findings
for h in "${harnesses[@]}"; do
    corpus=out/fuzz/corpus/$h
    findings=out/fuzz/findings/$h
    mkdir -p "$corpus" "$findings"
    log=out/fuzz/$h.log
    # -malloc_limit_mb: a single allocation above it from an input this small is a finding.
    ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/bin/fuzz_$h" -max_total_time="$seconds" -max_len="$(max_len "$h")" \
        -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "tests/fuzz/corpus/$h" >"$log" 2>&1
    status=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    size=$(ls "$corpus" | wc -l)
    found=$(ls "$findings" | wc -l)
    printf '%-20s %10s %10s %8s %s\n' "$h" "$seconds" "${execs:-?}" "$size" "$found"
    if [ $status -ne 0 ] || [ "$found" -ne 0 ]; then
        echo "  finding in $h: see $log and $findings/" >&2
        failed=1
    fi
done
exit $failed
