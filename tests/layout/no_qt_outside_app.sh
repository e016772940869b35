#!/bin/sh
# Fails when a Qt header is included outside viewer/app.
root="$1"
hits=$(grep -rnE '#\s*include\s*[<"]Q[A-Za-z]*[>"/]|#\s*include\s*[<"]Qt' \
    "$root/mesher" "$root/solver" "$root/viewer/model" "$root/post" "$root/pavement" \
    "$root/common" 2>/dev/null)
if [ -n "$hits" ]; then
    echo "Qt header outside viewer/app:"
    echo "$hits"
    exit 1
fi
echo "no Qt header outside viewer/app"
