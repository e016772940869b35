#!/bin/bash
# corvane benchmark: assembly and CG cost per model size, then a whole run of the
# layered slab (about 100 000 nodes). Builds an optimised corvane_bench first.
# Usage: bench/solver_bench.sh [sizes...]   (default 25000 50000 100000 200000)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-solver-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_VIEWER_APP=OFF >/dev/null
cmake --build "$build" --target corvane_bench -j2 >/dev/null
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(25000 50000 100000 200000)
echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
for n in "${sizes[@]}"; do
    echo "== assembly and CG, about $n nodes"
    "$build/bin/corvane_bench" assembly "$n"
done
echo "== whole run, about 100000 nodes"
"$build/bin/corvane_bench" run 100000
