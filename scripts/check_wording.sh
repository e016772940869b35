#!/bin/bash
# Fails when code, comments, tests, scripts or documents refer to an outside text instead of
# saying what the code does (the words are listed in the patterns below), or carry bare step
# numbers as comments ("// 9.", "// 10-15. Result file", "Steps N to M of ..."): the project
# describes its code and reasons in its own words.
set -euo pipefail
cd "$(dirname "$0")/.."
# the words, put together here so that this script does not hold them itself
s=sp
e=ec
word="\\b${s}${e}(ification)?\\b|\\b${s}${e}ified\\b|\\bPa""rt [0-9]+\\.[0-9]+\\b"
steps='^\s*(//|#)\s*(step )?[0-9]+(-[0-9]+)?\.(\s|$)|//.*\b[Ss]teps? [0-9]+( (and|to) [0-9]+)? of\b'
if hits=$(git grep -n -I -i -E "$word|$steps" -- .); then
    echo "wording: these lines refer to an outside text or carry bare step numbers:" >&2
    echo "$hits" >&2
    exit 1
fi
names=$(git ls-files | grep -i -E "(^|/)[^/]*${s}${e}[^/]*\$|pa""rt_?[0-9]" || true)
if [ -n "$names" ]; then
    echo "wording: file names that refer to an outside text: $names" >&2
    exit 1
fi
echo "wording: clean"
