# Sourced by the pavement benches: strict mode, the repository's root as the working folder, the
# release build of the chain (tarnel, corvane, pavement), a scratch folder $out removed on exit,
# and the programs' folder $bin.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target tarnel corvane pavement >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
bin=build/release/bin
