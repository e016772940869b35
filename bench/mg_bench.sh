#!/bin/bash
# The mesh's multigrid (--solver=mg) against its goals, side by side in one run: ccx's
# Jacobi-preconditioned CG on the 77k layered block (bench/pin_to_inp.py), then corvane
# --solver=mg on the layered blocks of about 20k, 77k, 200k and 500k nodes (wall seconds, peak
# memory, CG iterations of each solve: flat with the size), and the iterations of each
# equilibrium iteration of the tandem example (a jointed, graded pavement on a tensionless
# support). With --peers, also --solver=direct and --solver=amg on the blocks up to 200k.
# Usage: bench/mg_bench.sh [--peers]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=build-solver-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_VIEWER_APP=OFF >/dev/null
cmake --build "$build" --target corvane corvane_bench tarnel pavement -j2 >/dev/null
bin=$root/$build/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
printf "%-8s %-22s %8s %8s  %s\n" nodes run wall_s peak_MB "iterations per solve"
run() { # dir, label, command...
    local dir=$1 label=$2
    shift 2
    (cd "$dir" && /usr/bin/time -f "%e %M" -o "$work/t" "$@" >"$work/log" 2>&1) || true
    local nodes its
    nodes=$(awk 'NR == 1 {print $1}' "$dir"/b.pin)
    its=$(grep -ao 'nc =[0-9]*' "$work/log" | sed 's/nc =//' | paste -sd' ' || true)
    read -r wall mem <"$work/t"
    printf "%-8s %-22s %8s %8.0f  %s\n" "$nodes" "$label" "$wall" "$((mem / 1024))" "$its"
}
for n in 20000 77000 200000 500000; do
    dir=$work/b$n
    mkdir -p "$dir"
    "$bin/corvane_bench" model "$n" "$dir/b.pin" >/dev/null
    if [ "$n" = 77000 ] && command -v ccx >/dev/null; then
        python3 bench/pin_to_inp.py "$dir/b.pin" "$dir/b.inp"
        run "$dir" "ccx iterative scaling" ccx -i b
    fi
    run "$dir" "corvane mg" "$bin/corvane" -F b --equilibrium --solver=mg
    if [ "${1:-}" = "--peers" ] && [ "$n" != 500000 ]; then
        run "$dir" "corvane direct" "$bin/corvane" -F b --equilibrium --solver=direct
        run "$dir" "corvane amg" "$bin/corvane" -F b --equilibrium --solver=amg
    fi
    rm -rf "$dir"
done
# the tandem example with the multigrid: CG iterations of each equilibrium iteration
cp examples/tandem_corner.toml "$work/tandem.toml"
printf '\n[analysis]\nsolver = "mg"\n' >>"$work/tandem.toml"
/usr/bin/time -f "%e" -o "$work/t" "$bin/pavement" run "$work/tandem.toml" --out="$work/tandem" \
    --no-pictures --quiet >/dev/null 2>&1 || true
printf "tandem example with mg: %s s; CG iterations per equilibrium iteration: %s\n" \
    "$(cat "$work/t")" "$(grep -aho 'nc =[0-9]*' "$work"/tandem/*_corvane.log | sed 's/.*nc =//' | paste -sd' ' || true)"
