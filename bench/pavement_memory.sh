#!/bin/bash
# pavement's memory estimate (pavement check: the solver it will choose and its expected peak)
# against the measured peak of pavement run (GNU time's maximum resident set of the chain's
# largest process), on each shipped example.
# Usage: bench/pavement_memory.sh [example names...]
source "$(dirname "$0")/pavement_tools.sh"
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(westergaard jpcp tandem_corner)
printf '%-14s %8s %8s %10s %10s %7s %8s\n' example nodes solver estimate peak ratio seconds
for name in "${names[@]}"; do
    line=$(build/release/bin/pavement check "examples/$name.toml" 2>/dev/null | grep '  mesh:')
    nodes=$(echo "$line" | sed -n 's/.*about \([0-9]*\) nodes.*/\1/p')
    estimate=$(echo "$line" | sed -n 's/.*about \([0-9.]*\) GB for the solver.*/\1/p')
    solver=$(echo "$line" | sed -n 's/.*for the solver (\([a-z]*\)).*/\1/p')
    /usr/bin/time -f '%M %e' -o "$out/$name.time" build/release/bin/pavement run \
        "examples/$name.toml" --out="$out/$name" --no-pictures --quiet >/dev/null 2>&1 || true
    read -r kb seconds <"$out/$name.time"
    peak=$(echo "scale=3; $kb * 1024 / 1000000000" | bc)
    ratio=$(echo "scale=2; $estimate / $peak" | bc)
    printf '%-14s %8s %8s %8s GB %7s GB %7s %8s\n' "$name" "$nodes" "$solver" "$estimate" \
        "$peak" "$ratio" "$seconds"
done
