#!/bin/bash
# The engineer's loop, side by side in one run: one pavement run of each shipped example with
# its --timings phases (no pictures), the Westergaard sweep of 11 positions against one run of
# it with all its outputs (also on a support that lets go), and the design checks of the
# tied-shoulder example (and with --full, minutes: jpcp's and the tied shoulder's on a
# tensionless liquid). Wall seconds of each command; the phases as pavement and corvane print
# them.
# Usage: bench/pavement_loop.sh [--full]
source "$(dirname "$0")/pavement_tools.sh"
timed() { # label, command...
    local label=$1
    shift
    /usr/bin/time -f '%e' -o "$out/t" "$@" >"$out/log" 2>&1 || true
    printf '%-34s %8.1f s\n' "$label" "$(cat "$out/t")"
    grep 'timings' "$out/log" | sed 's/^/    /' || true
}
for name in westergaard jpcp tandem_corner; do
    timed "run $name" "$bin/pavement" run "examples/$name.toml" --out="$out/$name" --timings \
        --no-pictures
done
# the sweep's reference: one run as an engineer runs it (report, pictures, VTK)
timed "run westergaard (all outputs)" "$bin/pavement" run examples/westergaard.toml \
    --out="$out/westergaard_all" --quiet
timed "sweep westergaard (11 positions)" "$bin/pavement" sweep examples/westergaard.toml \
    --dx=-1:1:0.2 --out="$out/sweep" --timings
# the same slab on a tensionless dense liquid: 11 positions 20 cm apart (each on its own mesh)
# and 5 positions 5 cm apart (one mesh, each position started from its neighbour's state)
sed 's/^k = 5 .*/k = 5\ntensionless = true/' examples/westergaard.toml >"$out/tensionless.toml"
timed "run westergaard tensionless" "$bin/pavement" run "$out/tensionless.toml" \
    --out="$out/tl_run" --timings
timed "sweep tensionless (11 positions)" "$bin/pavement" sweep "$out/tensionless.toml" \
    --dx=-1:1:0.2 --out="$out/tl_sweep" --timings
timed "sweep tensionless (5 close ones)" "$bin/pavement" sweep "$out/tensionless.toml" \
    --dx=-0.1:0.1:0.05 --out="$out/tl_close" --timings
timed "design tied_shoulder" "$bin/pavement" design examples/tied_shoulder.toml \
    --out="$out/design" --timings
if [ "${1:-}" = "--full" ]; then
    timed "design jpcp" "$bin/pavement" design examples/jpcp.toml --out="$out/jpcp_design"
    # the tied-shoulder design on a tensionless liquid: the temperature states as load sets
    sed 's/^k = 50 .*/k = 50\ntensionless = true/' examples/tied_shoulder.toml >"$out/ts_tl.toml"
    timed "design tied_shoulder tensionless" "$bin/pavement" design "$out/ts_tl.toml" \
        --out="$out/ts_tl" --timings
fi
