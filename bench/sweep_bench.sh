#!/bin/bash
# Times the README's sweep: the example's dual wheel moved along the joint (7 positions, each
# meshed, analysed with its dowels and reported), with 1 and 2 runs at a time.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target tarnel corvane ostrine-batch >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for j in 1 2; do
    start=$(date +%s.%N)
    scripts/sweep -I examples/jpcp.txt --dy=-150:150:50 --dwi examples/jpcp.dwi --fc 300 \
        --out "$out/j$j" -j "$j" >/dev/null
    echo "sweep of 7 positions, -j $j: $(echo "$(date +%s.%N) - $start" | bc | cut -c1-5) s"
done
