#!/bin/bash
# Times pavement sweep on the jpcp example: the dual wheel moved along the joint (7 positions,
# each meshed, analysed with its dowels and reported), with 1 and 2 analyses at a time.
source "$(dirname "$0")/pavement_tools.sh"
for j in 1 2; do
    start=$(date +%s.%N)
    build/release/bin/pavement sweep examples/jpcp.toml --dy=-1.5:1.5:0.5 -j "$j" \
        --out="$out/j$j" --quiet >/dev/null
    echo "sweep of 7 positions, -j $j: $(echo "$(date +%s.%N) - $start" | bc | cut -c1-6) s"
done
