#!/bin/bash
# corvane --solver=amg on two MPI ranks equals the run on one rank: the example (tarnel's mesh
# with its dowels) and the small jointed slab of tests/data. Usage: mpi_ranks.sh tarnel corvane
set -euo pipefail
tarnel=$1
corvane=$2
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mpirun=(mpirun --allow-run-as-root --oversubscribe -n 2)

# largest |a - b| over the displacement block, against the largest |a|
compare() {
    awk -v np="$3" 'FNR == 1 { file++ } FNR > 1 && FNR <= np + 1 {
            for (c = 4; c <= 6; c++) {
                if (file == 1) { a[FNR, c] = $c; if ($c > big) big = $c; if (-$c > big) big = -$c }
                else { d = $c - a[FNR, c]; if (d < 0) d = -d; if (d > diff) diff = d }
            } }
        END { printf "max |u2 - u1| / max |u1| = %.2e\n", diff / big; exit !(diff <= 1e-6 * big) }' "$1" "$2"
}

cd "$work"
mkdir one two
"$tarnel" -I "$root/examples/jpcp.txt" -O one/jpcp.pin >/dev/null
cp one/jpcp.pin two/
cp "$root/examples/jpcp.dwi" one/
cp "$root/examples/jpcp.dwi" two/
cp "$root/tests/data/linear_joint/m.pin" one/
cp "$root/tests/data/linear_joint/m.pin" two/
for base in jpcp m; do
    (cd one && "$corvane" -F $base --solver=amg >stdout.txt 2>stderr.txt)
    (cd two && "${mpirun[@]}" "$corvane" -F $base --solver=amg >stdout.txt 2>stderr.txt)
    np=$(awk 'NR == 1 { print $1 }' one/$base.pin)
    echo -n "$base ($np nodes): "
    compare one/$base.out two/$base.out "$np"
    # rank 0 alone prints: the progress lines appear once
    [ "$(grep -c 'Inc No' one/stdout.txt)" = "$(grep -c 'Inc No' two/stdout.txt)" ]
done
# the dowel forces too (within 1e-6 of the largest)
paste <(tail -n +2 one/jpcp.dwo) <(tail -n +2 two/jpcp.dwo) | awk '{
        n = NF / 2; for (c = 5; c <= n; c++) { v = $c; if (v < 0) v = -v; if (v > big) big = v
            d = $c - $(c + n); if (d < 0) d = -d; if (d > diff) diff = d } }
    END { printf "dowel forces: max difference / max = %.2e\n", diff / big; exit !(diff <= 1e-5 * big) }'
