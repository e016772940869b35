#!/bin/bash
# Installs the Debian packages the build and tests need; a no-op when all are present.
set -euo pipefail
packages=(cmake ninja-build g++ make libgtest-dev qt6-base-dev libgl-dev
          clang libclang-rt-dev xvfb imagemagick python3-vtk9
          pkg-config petsc-dev libopenmpi-dev openmpi-bin gnuplot-nox dpkg-dev
          clang-format openbox x11-utils libtomlplusplus-dev
          libsuitesparse-dev libopenblas0-serial libxml2-utils
          librsvg2-bin chromium)
# OpenBLAS serial, not its threaded variant: every program that loads BLAS (PETSc, CHOLMOD) would
# start the threaded one's threads at load time, and under a memory limit (ulimit -v) their
# buffers fail and it spins instead of letting the program report the exhausted memory.
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
