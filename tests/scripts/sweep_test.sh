#!/bin/bash
# scripts/sweep on a tiny jointed slab: the positions of the grid, one row each, the governing
# position is the row of the largest critical tension, and a range off the slab runs nothing.
# Usage: sweep_test.sh tarnel corvane ostrine-batch
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/slab.txt" <<'DESC'
1 1
5 2 1 2
0 50 100 100.2 150 200
0 50 100
0 -25
0 0 1 0 0
0 0
300000 0.15 0.0024 0 0 0 0 0 0 0 0 0
1000 1000 10000 0 0 1.0 0 0 0 0 0 2
75 40 95 60 0 0 6
DESC
tools=(--tarnel "$1" --corvane "$2" --batch "$3")
python3 "$root/scripts/sweep" -I "$work/slab.txt" --dy=-40:40:20 --out "$work/out" -j 2 \
    "${tools[@]}" >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
csv=$work/out/sweep.csv
# five positions, dy -40 -20 0 20 40, in that order, every run complete
[ "$(tail -n +2 "$csv" | wc -l)" = 5 ] || { echo "rows:"; cat "$csv"; exit 1; }
[ "$(tail -n +2 "$csv" | cut -d, -f2 | tr '\n' ' ')" = "-40 -20 0 20 40 " ] || { cat "$csv"; exit 1; }
awk -F, 'NR > 1 && $NF != "0 0 0" { print "a run failed:", $0; bad = 1 } END { exit bad }' "$csv"
# the governing position printed is the row of the largest critical tension
best=$(awk -F, 'NR > 1 && (best == "" || $5 > max) { max = $5; best = $2 } END { print best }' "$csv")
grep -q "governing position: offset (0, $best)" "$work/log" || { cat "$work/log" "$csv"; exit 1; }
# symmetric positions about the slab's middle line y = 50 give the same tension (mirror model)
awk -F, 'NR > 1 { t[$2] = $5 } END { d = t[-40] - t[40]; if (d < 0) d = -d;
         if (d > 1e-3 * t[40]) { print "not symmetric:", t[-40], t[40]; exit 1 } }' "$csv"
# off the slab: a clear message, status 2, nothing run
set +e
python3 "$root/scripts/sweep" -I "$work/slab.txt" --dy=-50:0:50 --out "$work/off" "${tools[@]}" \
    2>"$work/err"
status=$?
set -e
[ "$status" = 2 ] || { echo "status $status"; exit 1; }
grep -q "slab.txt: offset (0, -50) moves load 0" "$work/err" || { cat "$work/err"; exit 1; }
[ ! -e "$work/off/pos000" ] || { echo "ran although off the slab"; exit 1; }
echo "sweep test passed"
