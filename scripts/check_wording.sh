#!/bin/bash
# Fails when code, comments, tests, scripts or documents speak of an outside specification
# ("specified", "spec", "Part 1.2") or carry bare step numbers as comments ("// 9."): the
# project describes what its code does and why, in its own words.
set -euo pipefail
cd "$(dirname "$0")/.."
pattern='\bspec(ification)?\b|\bspecified\b|\bPart [0-9]+\.[0-9]+\b|^\s*(//|#)\s*(step )?[0-9]+(-[0-9]+)?\.\s*$'
if hits=$(git grep -n -I -i -E "$pattern" -- . ':!scripts/check_wording.sh'); then
    echo "wording: these lines speak of an outside text or carry bare step numbers:" >&2
    echo "$hits" >&2
    exit 1
fi
names=$(git ls-files | grep -i -E '(^|/)[^/]*spec[^/]*$|part_?[0-9]' || true)
if [ -n "$names" ]; then
    echo "wording: file names that speak of an outside text: $names" >&2
    exit 1
fi
echo "wording: clean"
