#!/bin/bash
# Builds the Debian package from a Release build (build/package) and checks it: its declared
# dependencies, and each program's --version from the package unpacked into a scratch root.
# Writes build/package/pavement-fe_<version>_<arch>.deb. The build is a packager's: no tests, no
# GoogleTest, no benches (BUILD_TESTING=OFF), and everything it builds must build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF >/dev/null
programs="tarnel corvane ostrine ostrine-batch"
# The front end is built when toml++ is found; deps.sh installs it, so it is packaged here.
grep -q '^tomlplusplus_DIR:PATH=.*-NOTFOUND' build/package/CMakeCache.txt || programs="$programs pavement"
cmake --build build/package -j "$jobs"
(cd build/package && cpack -G DEB >/dev/null)
deb=$(ls -t build/package/pavement-fe_*.deb | head -1)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Depends
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
[ -f "$root/usr/share/applications/ostrine.desktop" ]
version=$(sed -n 's/^project(pavement_fe VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
for p in $programs; do
    out=$("$root/usr/bin/$p" --version)
    [ "$out" = "$p $version" ] || { echo "package check: $p --version printed [$out]"; exit 1; }
    "$root/usr/bin/$p" --help >/dev/null
    echo "  $out"
done
echo "package check passed"
