#!/bin/bash
# Builds the suite twice (optimised, and with ASan + UBSan) and runs every test in both.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

echo "== release build"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"

echo "== viewer screen check (Xvfb)"
# ostrine -F on the example's result set (made here by tarnel and corvane, about 10 s), else on
# the test data's one-element set.
screen_set=tests/data/viewer_one/one
screen_dir=build/release/screen_example
root=$PWD
rm -rf "$screen_dir" && mkdir -p "$screen_dir"
[ -f examples/jpcp.dwi ] && cp examples/jpcp.dwi "$screen_dir/"
(cd "$screen_dir" && "$root/build/release/bin/tarnel" -I "$root/examples/jpcp.txt" -O jpcp.pin &&
    "$root/build/release/bin/corvane" -F jpcp) >"$screen_dir/run.log" 2>&1 &&
    [ -f "$screen_dir/jpcp.out" ] && screen_set=$screen_dir/jpcp
[ "$screen_set" = "$screen_dir/jpcp" ] || echo "example result set not made (see $screen_dir/run.log): using $screen_set"
bash scripts/viewer_screen_check.sh build/release/bin/ostrine "$screen_set" build/release/ostrine_screen.png
# a set pavement writes (its units recorded, its report beside it), for the screen test that
# opens it without -U
pavement_dir=build/release/screen_pavement
rm -rf "$pavement_dir"
pavement_set=""
if [ -x build/release/bin/pavement ] &&
    build/release/bin/pavement run examples/westergaard.toml --out="$pavement_dir" --quiet \
        --no-pictures >"build/release/screen_pavement.log" 2>&1; then
    pavement_set=$root/$pavement_dir/westergaard
fi
export PAVEMENT_SET=$pavement_set
# status panels and the progress window as painted, Xvfb with a window manager
bash scripts/screen_tests.sh build/release/bin/test_viewer_screen "$PWD/$screen_set"

echo "== sanitizer build (ASan + UBSan, without PETSc)"
# also the build without PETSc (a machine without petsc-dev, or -DWITH_PETSC=OFF): it must build
# and pass every test that does not need PETSc
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON -DWARNINGS_AS_ERRORS=ON \
    -DWITH_PETSC=OFF >/dev/null
cmake --build build/asan -j "$jobs"
# Qt and fontconfig keep process-lifetime caches that LeakSanitizer reports as leaks.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs" -LE verification

if [ -x scripts/fuzz_smoke.sh ]; then
    echo "== fuzz smoke"
    bash scripts/fuzz_smoke.sh
fi
echo "== Debian package (packager's Release build without tests, cpack, unpacked --version check)"
bash scripts/package.sh

echo "== formatting (clang-format --dry-run -Werror) and wording"
bash scripts/check_format.sh
bash scripts/check_wording.sh

echo "all tests passed"
