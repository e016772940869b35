#!/bin/bash
# corvane against CalculiX (calculix-ccx, Debian) on the same layered blocks: the block written
# as a CalculiX deck (bench/pin_to_inp.py: C3D8 bricks, the interface joint as node-pair springs,
# the same supports, wheel patch and self weight), one linear static step with ccx's iterative
# scaling (Jacobi-preconditioned CG), against corvane --equilibrium with each back end.
# Prints wall seconds (the median of three runs) and the ratio to ccx, and checks that both give
# the same largest deflection.
# Usage: bench/ccx_compare.sh [sizes...]   (default 20000 77000)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
command -v ccx >/dev/null || sudo_apt=1
if [ "${sudo_apt:-0}" = 1 ]; then
    s=""; [ "$(id -u)" -ne 0 ] && s=sudo
    $s apt-get install -y -qq --no-install-recommends calculix-ccx >/dev/null
fi
build=build-solver-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_VIEWER_APP=OFF >/dev/null
cmake --build "$build" --target corvane corvane_bench -j2 >/dev/null
bin=$root/$build/bin
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(20000 77000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
timed() { # wall seconds of three runs of "$@" in the current directory, the median
    for k in 1 2 3; do
        /usr/bin/time -f "%e" -o "$work/t" "$@" >"$work/log" 2>&1 || true
        cat "$work/t"
    done | median
}
echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
printf "%-8s %-26s %8s %8s\n" nodes run wall_s "/ccx"
for n in "${sizes[@]}"; do
    dir=$work/b$n
    mkdir -p "$dir"
    "$bin/corvane_bench" model "$n" "$dir/b.pin" >/dev/null
    python3 "$root/bench/pin_to_inp.py" "$dir/b.pin" "$dir/b.inp"
    nodes=$(awk 'NR == 1 {print $1}' "$dir/b.pin")
    cd "$dir"
    ccx_s=$(timed ccx -i b)
    printf "%-8s %-26s %8s %8s\n" "$nodes" "ccx iterative scaling" "$ccx_s" 1
    for cfg in "cg:1" "amg:1" "amg:2" "direct:1" "mg:1"; do
        solver=${cfg%%:*} ranks=${cfg##*:}
        if [ "$ranks" = 1 ]; then
            s=$(timed "$bin/corvane" -F b --equilibrium "--solver=$solver")
        else
            s=$(timed mpirun --allow-run-as-root --oversubscribe -n "$ranks" "$bin/corvane" -F b \
                --equilibrium "--solver=$solver")
        fi
        printf "%-8s %-26s %8s %8.2f\n" "$nodes" "corvane $solver, $ranks rank(s)" "$s" \
            "$(echo "$s / $ccx_s" | bc -l)"
    done
    cd "$root"
done
