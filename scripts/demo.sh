#!/bin/bash
# Installs what is missing, builds, and runs the shipped example end to end into out/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$jobs"
bin=$PWD/build/release/bin
mkdir -p out/demo
cd out/demo
# mesh: layer description -> model file jpcp.pin
"$bin/tarnel" -I ../../examples/jpcp.txt -O jpcp.pin > tarnel.log
echo "demo: tarnel wrote out/demo/jpcp.pin ($(head -1 jpcp.pin))"
