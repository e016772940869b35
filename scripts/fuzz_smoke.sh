#!/bin/bash
# Fuzz smoke test: builds the libFuzzer harnesses with clang (build/fuzz), replays each one's
# seed corpus and kept regression inputs, then fuzzes each for a few seconds from its corpus.
# Fails on any crash, leak, hang, oversized allocation or undefined behaviour.
# Usage: scripts/fuzz_smoke.sh [seconds per harness, default 4]
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-4}
build=${FUZZ_BUILD:-build/fuzz}
# the harnesses as tests/fuzz/harnesses.txt lists them
mapfile -t harnesses < <(awk '/^[a-z]/ {print $1}' tests/fuzz/harnesses.txt)
if ! command -v clang++ >/dev/null; then
    echo "fuzz smoke: clang++ not found, skipped" >&2
    exit 0
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_FUZZERS=ON -DBUILD_VIEWER_APP=OFF -DWITH_PETSC=OFF >/dev/null || exit 1
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" \
    --target $(printf 'fuzz_%s ' "${harnesses[@]}") >/dev/null || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for h in "${harnesses[@]}"; do
    mkdir -p "$work/$h/corpus" "$work/$h/findings"
    cp tests/fuzz/corpus/$h/* "$work/$h/corpus/"
    inputs=(tests/fuzz/corpus/$h/*)
    [ -d tests/fuzz/regressions/$h ] &&
        inputs+=($(ls tests/fuzz/regressions/$h/* | grep -v '\.expect$'))
    export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    opts=(-timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 -max_len=24576
          -artifact_prefix="$work/$h/findings/")
    if ! "$build/bin/fuzz_$h" "${opts[@]}" "${inputs[@]}" >"$work/$h/replay.log" 2>&1 ||
       ! "$build/bin/fuzz_$h" "${opts[@]}" -max_total_time="$seconds" -print_final_stats=1 \
            "$work/$h/corpus" >"$work/$h/fuzz.log" 2>&1; then
        echo "fuzz smoke: finding in $h" >&2
        tail -40 "$work/$h/replay.log" "$work/$h/fuzz.log" >&2 2>/dev/null
        failed=1
        continue
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$h/fuzz.log" | tail -1)
    echo "fuzz smoke: $h: ${#inputs[@]} inputs replayed, ${runs:-?} runs in ${seconds}s"
done
exit $failed
