#!/bin/bash
# Fails when a C++ source of the project is not formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find common mesher solver viewer tests bench -name '*.cpp' -o -name '*.h')
clang-format --dry-run -Werror $files
echo "formatting: $(echo "$files" | wc -w) files clean"
