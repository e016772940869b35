#!/bin/bash
# Installs what is missing, builds, and runs the shipped example end to end into out/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$jobs"
bin=$PWD/build/release/bin
# From an engineer's description: mesh, analysis, report, pictures and VTK in out/demo/
"$bin/pavement" run examples/jpcp.toml --out=out/demo
# The same suite driven by hand from the layer description (out/demo/layer/)
mkdir -p out/demo/layer
cd out/demo/layer
# mesh: layer description -> model file jpcp.pin
"$bin/tarnel" -I ../../../examples/jpcp.txt -O jpcp.pin > tarnel.log
echo "demo: tarnel wrote out/demo/layer/jpcp.pin ($(head -1 jpcp.pin))"
# analysis: jpcp.pin + the dowels across the joint (jpcp.dwi) -> jpcp.out, jpcp.dwo and
# one line of dowel maxima in jpcp_dowel_max.txt (appended per case, so start afresh)
cp ../../../examples/jpcp.dwi jpcp.dwi
rm -f jpcp_dowel_max.txt
# the brick with incompatible bending modes: right in bending on elements as wide as the
# slab is thick (see the README's accuracy table)
# --material-stresses: each material's own nodal stresses (jpcp.mst), which the report reads
"$bin/corvane" -F jpcp --element=incompatible --material-stresses -J jpcp_dowel_max.txt > corvane.log
echo "demo: corvane wrote out/demo/layer/jpcp.out and jpcp.dwo ($(($(wc -l < jpcp.dwo) - 1)) dowels)"
echo "demo: dowel maxima: $(cat jpcp_dowel_max.txt)"
# viewer: VTK file and listings of the example's result set (kgf-cm files, written in SI units);
# runs once corvane has written jpcp.out
if [ -f jpcp.out ]; then
    "$bin/ostrine-batch" -F jpcp -U 1 --vtk jpcp.vtk --list jpcp.xy --dowels jpcp.dxy
    echo "demo: ostrine-batch wrote out/demo/layer/jpcp.vtk and the listings"
    # pictures as the viewer's Make Bmp draws them (922 x 610), here as PNG files
    "$bin/ostrine-batch" -F jpcp -U 1 --graph Mesh --legend --image jpcp_mesh.png
    "$bin/ostrine-batch" -F jpcp -U 1 --graph Displacement --legend --image jpcp_deformed.png
    "$bin/ostrine-batch" -F jpcp -U 1 --graph Sx --wire gray --legend --image jpcp_sx.png
    "$bin/ostrine-batch" -F jpcp -U 1 --graph "Principal Stress" --principal Maximum \
        --material 0 --principal-scale 5 --image jpcp_principal.png
    "$bin/ostrine-batch" -F jpcp -U 1 --graph "Dowel Bending Stress" --image jpcp_dowel_bending.png
    echo "demo: ostrine-batch wrote the pictures out/demo/layer/jpcp_{mesh,deformed,sx,principal,dowel_bending}.png"
    # the engineering report: what was analysed, slab stresses of the slab's own elements,
    # joint load transfer, dowel bearing (f'c and the modulus of rupture with their units)
    "$bin/ostrine-batch" -F jpcp -U 1 --report jpcp_report.html --fc=30MPa --mr=4.5MPa
    echo "demo: ostrine-batch wrote out/demo/layer/jpcp_report.html"
else
    echo "demo: no jpcp.out, ostrine-batch skipped"
fi
