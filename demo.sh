#!/usr/bin/env bash
# The main job: builds the reference host `quenara` (which links the plug-in and drives it
# through its ENTRYPOINT, as a host application would) and renders the bundled sample image.
#   ./demo.sh                      results in build/demo/
#   QUENARA_BUILD_ROOT=dir ./demo.sh
set -euo pipefail
cd "$(dirname "$0")"
source_dir="$PWD"
root="$(realpath -m "${QUENARA_BUILD_ROOT:-build}")"

.ci/ensure-packages.sh build-essential cmake pkg-config googletest libgtest-dev \
  libbenchmark-dev libpng-dev zlib1g-dev libtiff-dev libjpeg62-turbo-dev

cmake -S "$source_dir" --preset release -B "$root/release" -DQUENARA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$root/release" --target quenara -j 2
quenara="$root/release/tools/quenara"

sample="resources/sample/rocket.png"
out="$root/demo"
mkdir -p "$out"
echo
echo "Rendering $sample with the default settings -> $out/rocket-quenara.png"
"$quenara" --time "$sample" "$out/rocket-quenara.png"
# Showcases: rays from the brightest floodlight (the centre of the 12-pixel blur's maximum), fed
# only by the bright parts (SelectionLow 170) and screened over the photograph; once plain, once
# spread into an aberration gradient.
showcase=(-p Origin=0.5672,0.9297 -p SelectionLow=170 -p BlendMode=screen -p Strength=0.5
  -p Intensity=1.5)
echo "Rendering light rays from the brightest floodlight -> $out/rocket-rays.png"
"$quenara" --time "${showcase[@]}" "$sample" "$out/rocket-rays.png"
echo "Rendering the same in aberration mode -> $out/rocket-aberration.png"
"$quenara" --time "${showcase[@]}" -p Mode=abberative "$sample" "$out/rocket-aberration.png"
echo "Done. Other settings: $quenara -p NAME=VALUE ... INPUT.png OUTPUT.png (see README)."
