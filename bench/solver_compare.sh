#!/bin/bash
# The row-slot Jacobi-scaled CG (the default solver) against --solver=amg (PETSc GAMG) on 1 and 2 MPI ranks:
# layered blocks of about 20k, 77k and 200k nodes (bin/corvane_bench model) and the example
# pavement with its dowels. Per run: wall and CPU time, solver iterations, peak memory (all
# ranks) and the time per iteration against the memory-bandwidth bound of one product with
# the matrix. Writes bench/out/solver_compare.txt and, with gnuplot, bench/out/solver_scaling.png.
# Usage: bench/solver_compare.sh [sizes...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh
build=build-solver-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_VIEWER_APP=OFF >/dev/null
cmake --build "$build" --target corvane corvane_bench tarnel -j2 >/dev/null
bin=$root/$build/bin
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(20000 77000 200000)
out=$root/bench/out
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
report=$out/solver_compare.txt
mpirun=(mpirun --allow-run-as-root --oversubscribe -n 2)

# one run: label, model directory, base, solver, ranks
run() {
    local label=$1 dir=$2 base=$3 solver=$4 ranks=$5
    local log="$work/$label.log" times="$work/$label.time"
    local cmd=("$bin/corvane" -F "$base" "--solver=$solver")
    rm -f "$times"
    local t0 t1
    t0=$(date +%s.%N)
    if [ "$ranks" = 1 ]; then
        (cd "$dir" && /usr/bin/time -a -o "$times" -f "%U %S %M" "${cmd[@]}" >"$log" 2>&1) || true
    else
        (cd "$dir" && "${mpirun[@]}" /usr/bin/time -a -o "$times" -f "%U %S %M" "${cmd[@]}" \
            >"$log" 2>&1) || true
    fi
    t1=$(date +%s.%N)
    local its cpu mem wall solves
    its=$(grep -o 'nc =[0-9]*' "$log" | awk -F= '{s += $2} END {print s + 0}')
    solves=$(grep -c 'nc =' "$log" || true)
    cpu=$(awk '{s += $1 + $2} END {printf "%.1f", s}' "$times")
    mem=$(awk '{s += $3} END {printf "%.0f", s / 1024}' "$times")
    wall=$(echo "$t1 - $t0" | bc)
    printf "%s %s %s %.1f %s %s/%s %s\n" "$label" "$solver" "$ranks" "$wall" "$cpu" "$its" "$solves" "$mem"
}

echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores" | tee "$report"
printf "%-10s %-6s %-5s %8s %8s %6s %8s %7s %12s %10s %9s\n" model solver ranks nodes wall_s \
    cpu_s its/solves peak_MB s_per_iter bound_s it/bound | tee -a "$report"
models=()
for n in "${sizes[@]}"; do
    mkdir -p "$work/b$n"
    "$bin/corvane_bench" model "$n" "$work/b$n/b.pin"
    models+=("b$n:b")
done
mkdir -p "$work/example"
(cd "$work/example" && "$bin/tarnel" -I "$root/examples/jpcp.txt" -O jpcp.pin >/dev/null 2>&1 &&
    cp "$root/examples/jpcp.dwi" .)
models+=("example:jpcp")
for entry in "${models[@]}"; do
    name=${entry%%:*} base=${entry##*:}
    dir=$work/$name
    nodes=$(awk 'NR == 1 {print $1}' "$dir/$base.pin")
    # bandwidth bound of one product with the matrix (and the triad measured now)
    bound=$("$bin/corvane_bench" bound "$dir/$base.pin")
    for cfg in "cg 1" "amg 1" "amg 2" "mg 1"; do
        set -- $cfg
        line=$(run "$name-$1-$2" "$dir" "$base" "$1" "$2")
        read -r _ solver ranks wall cpu its mem <<<"$line"
        per=$(echo "$wall ${its%/*}" | awk '{ if ($2 > 0) printf "%.5f", $1 / $2; else print "-" }')
        ratio=$(echo "$per $bound" | awk '{ if ($1 != "-") printf "%.2f", $1 / $2; else print "-" }')
        printf "%-10s %-6s %-5s %8s %8s %6s %8s %7s %12s %10s %9s\n" "$name" "$solver" "$ranks" \
            "$nodes" "$wall" "$cpu" "$its" "$mem" "$per" "$bound" "$ratio" | tee -a "$report"
    done
done
echo "wall s includes reading, assembly and writing; s_per_iter = wall / iterations (an upper" | tee -a "$report"
echo "bound); bound_s = bytes of one product with the matrix over the triad bandwidth" | tee -a "$report"
if command -v gnuplot >/dev/null; then
    data=$work/plot.dat
    awk '$1 ~ /^b[0-9]/ { key = $2 "-" $3; print key, $4, $5 }' "$report" >"$data"
    gnuplot <<PLOT
set terminal pngcairo size 800,520
set output "$out/solver_scaling.png"
set title "corvane on layered blocks: wall time against model size"
set xlabel "nodes"
set ylabel "wall time (s)"
set logscale xy
set key top left
set grid
plot "< grep '^cg-1' $data" using 2:3 with linespoints lw 2 title "row-slot CG (Jacobi)", \
     "< grep '^amg-1' $data" using 2:3 with linespoints lw 2 title "--solver=amg, 1 rank", \
     "< grep '^amg-2' $data" using 2:3 with linespoints lw 2 title "--solver=amg, 2 ranks"
PLOT
    echo "plot: $out/solver_scaling.png"
fi
