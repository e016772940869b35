#!/bin/bash
# Runs the verification suite's mesh study (corvane_verify --size=study, about 15 minutes on
# two cores) and writes its table into the README between the accuracy-table markers.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target corvane corvane_verify
table=$(mktemp)
trap 'rm -f "$table" "$table.readme"' EXIT
status=0
build/release/bin/corvane_verify --corvane=build/release/bin/corvane --size=study --markdown \
    >"$table" || status=$?
awk -v table="$table" '
    /<!-- accuracy-table -->/ { print; while ((getline line < table) > 0) print line; skip = 1; next }
    /<!-- end accuracy-table -->/ { skip = 0 }
    !skip { print }' README.md >"$table.readme"
mv "$table.readme" README.md
echo "README.md: accuracy table written (verification status $status)"
exit "$status"
