#!/bin/bash
# Times pavement run on each shipped example (mesh, analysis, report, pictures), and with
# --verify-mesh, printing the nodes, the wall time and the mesh check's changes.
# Usage: bench/pavement_bench.sh [example names...]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target tarnel corvane ostrine-batch pavement >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(westergaard jpcp tandem_corner)
for name in "${names[@]}"; do
    for verify in "" --verify-mesh; do
        start=$(date +%s.%N)
        build/release/bin/pavement run "examples/$name.toml" --out="$out/$name$verify" \
            $verify >"$out/$name$verify.log" 2>&1 || true
        seconds=$(echo "$(date +%s.%N) - $start" | bc | cut -c1-6)
        nodes=$(sed -n 's/.*meshed [^ ]* (\([0-9]*\) nodes.*/\1/p' "$out/$name$verify.log" | tr '\n' ' ')
        echo "$name ${verify:-(default)}: ${seconds} s, nodes ${nodes}"
        grep "mesh check:.*changes" "$out/$name$verify.log" | sed 's/^/    /' || true
    done
done
