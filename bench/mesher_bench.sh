#!/bin/bash
# Times tarnel on generated three-layer jointed pavements of about 25 000, 100 000 and
# 400 000 nodes and reports seconds and peak memory per size (run by hand).
# Usage: bench/mesher_bench.sh [build dir, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
tarnel=$build/bin/tarnel
[ -x "$tarnel" ] || { echo "build tarnel first: $tarnel not found" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# n x n cells per layer plus a joint strip across x in the middle; slab (5 z intervals),
# base (3) and subgrade (7): (n + 2)(n + 1)(16) nodes; one dual-wheel load on the joint.
describe() {
    awk -v n="$1" 'BEGIN {
        half = n / 2; h = 900.0 / n; w = 360.0 / n
        split("0 -5 -10 -15 -20 -25", zs, " "); split("-25 -30 -35 -40", zb, " ")
        split("-40 -50 -60 -75 -90 -110 -125 -140", zg, " ")
        print 3, 2
        for (layer = 1; layer <= 3; ++layer) {
            nz = layer == 1 ? 5 : (layer == 2 ? 3 : 7)
            printf "%d %d %d %d\n", n + 1, n, nz, layer == 1 ? 2 : 1
            for (i = 0; i <= half; ++i) printf "%.4f ", i * h
            for (i = half; i <= n; ++i) printf "%.4f ", i * h + 0.2
            print ""
            for (j = 0; j <= n; ++j) printf "%.4f ", j * w
            print ""
            for (k = 1; k <= nz + 1; ++k) printf "%s ", layer == 1 ? zs[k] : (layer == 2 ? zb[k] : zg[k])
            print ""
            for (i = 0; i <= n; ++i) printf "%d ", (layer == 1 && i == half) ? 1 : 0
            print ""
            for (j = 0; j < n; ++j) printf "0 "
            print ""
            if (layer == 1) {
                print "300000 0.15 0.0024 1e-5 0 0 0 0 0 0 0 0"
                print "1000 1000 10000 0 0 1.0 0 0 0 0 0 2"
            } else if (layer == 2) print "3000 0.3 0.0022 1e-5 0 0 0 0 0 0 0 0"
            else print "500 0.35 0.0018 1e-5 0 0 0 0 0 0 0 0"
        }
        print 425, 150, 445, 175, 0, 0, 6
        print 425, 184, 445, 209, 0, 0, 6
    }'
}

printf "%8s %10s %10s %10s %10s %12s\n" cells nodes elements "wall s" "cpu s" "peak MiB"
for n in 38 78 158; do
    describe "$n" > "$work/in.txt"
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$tarnel" -I "$work/in.txt" -O "$work/m.pin" >/dev/null 2>&1
        read -r secs user sys kib < "$work/time"
        cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
    else
        start=$(date +%s.%N)
        "$tarnel" -I "$work/in.txt" -O "$work/m.pin" >/dev/null 2>&1
        secs=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }'); cpu=$secs; kib=0
    fi
    read -r np _ ne _ < "$work/m.pin"
    printf "%8s %10d %10d %10.2f %10.2f %12.1f\n" "${n}x${n}" "$np" "$ne" "$secs" "$cpu" \
        "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')"
done
