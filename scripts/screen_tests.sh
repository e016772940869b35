#!/bin/bash
# The viewer's screen tests on a real X server: Xvfb with a window manager (openbox), as a user
# sees the windows. Usage: screen_tests.sh test_viewer_screen [result-set-base]
# The grabs the tests keep (progress window, lists, plan view with the key) are written to
# $SCREEN_SHOTS (default: a screen_shots folder beside the test program).
set -euo pipefail
test_bin=$(realpath "$1")
set_base=${2:-}
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null || true' EXIT
wm=
for _ in $(seq 50); do DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
if command -v openbox >/dev/null; then
    DISPLAY=$display openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
fi
shots=${SCREEN_SHOTS:-$(dirname "$test_bin")/screen_shots}
mkdir -p "$shots"
cd "$shots"
DISPLAY=$display QT_QPA_PLATFORM=xcb SCREEN_SET=$set_base "$test_bin"
