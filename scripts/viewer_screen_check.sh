#!/bin/bash
# Starts ostrine -F on a result set under a virtual X display, captures the screen and checks
# that the window shows the mesh in material colours (not a blank window).
# Usage: scripts/viewer_screen_check.sh OSTRINE_BINARY RESULT_SET_BASE [SCREENSHOT.png]
set -euo pipefail
ostrine=${1:?ostrine binary}
base=${2:?result set base name}
shot=${3:-$(mktemp -d)/ostrine_screen.png}
for tool in Xvfb import; do
    command -v "$tool" >/dev/null || { echo "viewer screen check: $tool missing"; exit 1; }
done
[ -f "$base.pin" ] || { echo "viewer screen check: no result set $base.pin"; exit 1; }

# A free display number.
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
display=":$n"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
ostrine_pid=""
cleanup() {
    [ -n "$ostrine_pid" ] && kill "$ostrine_pid" 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

DISPLAY=$display QT_QPA_PLATFORM=xcb "$ostrine" -F "$base" -U 1 >/dev/null 2>&1 &
ostrine_pid=$!

# Colour pixels: channels that differ by 40 or more (the window's own chrome is grey).
# Material colours: at least two such colours covering 300 pixels each, 3000 in all.
check() {
    /usr/bin/convert "$1" -format %c histogram:info:- | python3 -c '
import re, sys
total, big = 0, 0
for line in sys.stdin:
    m = re.match(r"\s*(\d+):\s*\(\s*(\d+),\s*(\d+),\s*(\d+)", line)
    if not m: continue
    count, rgb = int(m.group(1)), [int(v) for v in m.group(2, 3, 4)]
    if max(rgb) - min(rgb) >= 40:
        total += count
        big += count >= 300
print(total, big)
sys.exit(0 if total >= 3000 and big >= 2 else 1)'
}
for _ in $(seq 60); do
    sleep 0.5
    kill -0 "$ostrine_pid" 2>/dev/null || { echo "viewer screen check: ostrine ended early"; exit 1; }
    import -display "$display" -window root "$shot" 2>/dev/null || continue
    if result=$(check "$shot"); then
        echo "viewer screen check: mesh in material colours ($result colour pixels/colours), $shot"
        exit 0
    fi
done
echo "viewer screen check: no material colours on the screen ($result), $shot"
exit 1
